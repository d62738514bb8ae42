#include "net/NetLog.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "net/SystemHelpers.h"
#include "platform/kernel/Kernel.h"

namespace {

struct LogState {
  CRITICAL_SECTION lock;
  // Set between LogInit and LogTerm. An entry outside that time has no lock to take and is
  // dropped: a thread that logs while the process shuts down must not use a deleted lock.
  std::atomic<bool> ready{false};
  char name[MAX_PATH] = LOG_DEFAULT_NAME;
  DWORD flags = LOG_DEFAULT_FLAGS;
  char message[LOG_BUFFER_SIZE];
  char line[LOG_BUFFER_SIZE];
};

LogState& State() {
  static LogState state;
  return state;
}

}  // namespace

void LogInit(LPCSTR name, DWORD flags) {
  LogState& log = State();
  if (!log.ready.load()) {
    InitializeCriticalSection(&log.lock);
    log.ready.store(true);
  }
  EnterCriticalSection(&log.lock);
  if (name != nullptr) {
    strncpy(log.name, name, MAX_PATH - 1);
    log.name[MAX_PATH - 1] = '\0';
  }
  if (flags != 0) log.flags = flags;
  LeaveCriticalSection(&log.lock);
}

void LogTerm() {
  LogState& log = State();
  if (!log.ready.exchange(false)) return;
  DeleteCriticalSection(&log.lock);
}

void LogPrintf(LPCSTR format, ...) {
  LogState& log = State();
  if (!log.ready.load() || format == nullptr) return;
  EnterCriticalSection(&log.lock);
  va_list args;
  va_start(args, format);
  // A message longer than the buffer is cut, never written past it.
  vsnprintf(log.message, sizeof log.message, format, args);
  va_end(args);
  LogWriteLine(log.message);
  LeaveCriticalSection(&log.lock);
}

void LogWriteLine(LPCSTR text) {
  LogState& log = State();
  SYSTEMTIME now;
  GetLocalTime(&now);
  const bool lineEnd = (log.flags & LOG_FLAG_LINE_END) != 0;
  // The line end always fits: a long text is cut to leave room for it.
  const size_t room = sizeof log.line - (lineEnd ? 2 : 0);
  int length = snprintf(log.line, room, "%04d/%02d/%02d  %02d:%02d:%02d  %s", now.wYear, now.wMonth,
                        now.wDay, now.wHour, now.wMinute, now.wSecond, text != nullptr ? text : "");
  if (length < 0) return;
  if (static_cast<size_t>(length) >= room) length = static_cast<int>(room - 1);
  if (lineEnd) memcpy(log.line + length, "\r\n", 3);

  if ((log.flags & LOG_FLAG_WRITE) == 0) return;

  char folder[MAX_PATH];
  GetModuleDirectory(folder);
  char path[2 * MAX_PATH];
  const int pathLength = snprintf(path, sizeof path, "%s%s%04d%02d%02d.log", folder, log.name,
                                  now.wYear, now.wMonth, now.wDay);
  if (pathLength < 0 || static_cast<size_t>(pathLength) >= sizeof path) return;
  // One open, write and close per line: the line is on disk when the call returns, another
  // writer may append to the same file in between, and a new day simply opens a new file.
  FILE* file = PlatformFopen(path, "at");
  if (file == nullptr) return;
  fputs(log.line, file);
  fclose(file);
}
