#include "net/NetLog.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

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
  std::string userFile;
  size_t userMax = LOG_USER_FILE_MAX;
  bool userFolderMade = false;
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

void LogSetUserFile(LPCSTR path, size_t maxBytes) {
  LogState& log = State();
  const bool locked = log.ready.load();
  if (locked) EnterCriticalSection(&log.lock);
  log.userFile = path != nullptr ? path : "";
  log.userMax = maxBytes > 0 ? maxBytes : LOG_USER_FILE_MAX;
  log.userFolderMade = false;
  if (locked) LeaveCriticalSection(&log.lock);
}

std::string LogDefaultUserFile() { return platform::UserDataDirectory() + "/logs/client.log"; }

namespace {

// Appends one line to the user's log, starting a new part when the file would grow past its cap.
void WriteUserLine(LogState& log, const SYSTEMTIME& now, LPCSTR text) {
  if (log.userFile.empty()) return;
  std::error_code ec;
  const std::filesystem::path file(log.userFile);
  if (!log.userFolderMade) {
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ec);
    log.userFolderMade = true;
  }
  char line[LOG_BUFFER_SIZE + 64];
  int length = snprintf(line, sizeof line - 1, "%04d/%02d/%02d  %02d:%02d:%02d  [%d]  %s", now.wYear, now.wMonth,
                        now.wDay, now.wHour, now.wMinute, now.wSecond, static_cast<int>(GetCurrentProcessId()),
                        text != nullptr ? text : "");
  if (length < 0) return;
  if (static_cast<size_t>(length) >= sizeof line - 1) length = static_cast<int>(sizeof line - 2);
  // One entry, one line: the line ends of the message itself are dropped.
  while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r')) --length;
  line[length++] = '\n';
  line[length] = '\0';
  const uintmax_t size = std::filesystem::file_size(file, ec);
  if (!ec && size > 0 && size + static_cast<uintmax_t>(length) > log.userMax) {
    std::filesystem::rename(file, log.userFile + ".1", ec);
  }
  FILE* out = std::fopen(log.userFile.c_str(), "a");
  if (out == nullptr) return;
  std::fputs(line, out);
  std::fclose(out);
}

}  // namespace

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
  WriteUserLine(log, now, text);

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
