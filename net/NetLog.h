// The daily log of the process: one line per entry with the local date and time in front,
// appended to <program folder>\<name>YYYYMMDD.log. Every entry opens, writes and closes the file,
// so a line is on disk when the call returns and another writer may append to the same file.
#pragma once

#include <cstddef>
#include <string>

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

// The user's log: every line is also appended, with the process number after the stamp, to a
// file of the user's own (a native path), whatever the flag word says. The file is kept below
// `maxBytes`: once a line would take it past that size, it becomes <path>.1 (replacing the older
// part) and a new file is started, so the two never hold much more than twice `maxBytes`. The
// folder is made when missing; a file that cannot be written is skipped without a word. An empty
// or null path stops the user's log.
void LogSetUserFile(LPCSTR path, size_t maxBytes);
// The user's log of the client: <user's data folder>/logs/client.log.
std::string LogDefaultUserFile();
constexpr size_t LOG_USER_FILE_MAX = 2u * 1024u * 1024u;
