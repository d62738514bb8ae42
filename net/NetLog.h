// The daily log of the process: one line per entry with the local date and time in front,
// appended to <program folder>\<name>YYYYMMDD.log. Every entry opens, writes and closes the file,
// so a line is on disk when the call returns and another writer may append to the same file.
#pragma once

#include "platform/base/WinTypes.h"

// Flag word bits.
#define LOG_FLAG_LINE_END 0x8      // end each line with "\r\n"
#define LOG_FLAG_WRITE 0x80000     // write lines to the file; without it entries are dropped

#define LOG_DEFAULT_NAME "NQTLog"
#define LOG_DEFAULT_FLAGS 0x80008u
#define LOG_BUFFER_SIZE 4096

// Initialises the log lock; takes the name (at most 259 characters) when not null and the flag
// word when not 0. Called once at start-up before other threads exist.
void LogInit(LPCSTR name, DWORD flags);
// Deletes the lock at program exit. Entries made after it (or before LogInit) are dropped.
void LogTerm();
// Formats the message and writes it as one line, all under the log lock, so lines of different
// threads never interleave.
void LogPrintf(LPCSTR format, ...) __attribute__((format(printf, 1, 2)));
// Builds and writes one line; called under the log lock.
void LogWriteLine(LPCSTR text);
