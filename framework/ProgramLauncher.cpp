#include "framework/ProgramLauncher.h"

#include <spawn.h>
#include <strings.h>
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "platform/base/Gbk.h"

extern char** environ;

namespace {

// The programs are started with an argument vector, never through a shell, so no part of a
// path or URL can be read as a command.
BOOL Spawn(const std::string& program, const std::string& argument, bool withArgument) {
  std::string path = program;
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  path = GbkToUtf8(path);
  std::string arg = GbkToUtf8(argument);
  char* argv[3] = {const_cast<char*>(path.c_str()), withArgument ? const_cast<char*>(arg.c_str()) : nullptr, nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, path.c_str(), nullptr, nullptr, argv, environ) != 0) return FALSE;
  // The program does not wait for the child; a detached thread reaps it so that it leaves no
  // zombie behind.
  std::thread([pid] {
    int status = 0;
    waitpid(pid, &status, 0);
  }).detach();
  return TRUE;
}

}  // namespace

bool IsBrowsableUrl(LPCSTR url) {
  if (url == nullptr) return false;
  size_t scheme = 0;
  if (strncasecmp(url, "http://", 7) == 0) {
    scheme = 7;
  } else if (strncasecmp(url, "https://", 8) == 0) {
    scheme = 8;
  } else {
    return false;
  }
  const char* host = url + scheme;
  if (*host == '\0' || *host == '/' || *host == '?' || *host == '#') return false;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(url); *p != '\0'; ++p) {
    if (*p <= ' ' || *p == 0x7F) return false;
  }
  return true;
}

BOOL StartProgram(LPCSTR program, LPCSTR commandLine, int show) {
  if (program == nullptr || program[0] == '\0') return FALSE;
  std::string line = commandLine != nullptr ? commandLine : "";
  return Spawn(program, line, !line.empty());
}

BOOL OpenUrlInUserBrowser(LPCSTR url) {
  if (!IsBrowsableUrl(url)) return FALSE;
  const char* opener = std::getenv("PXQD_URL_OPENER");
  return Spawn(opener != nullptr && opener[0] != '\0' ? opener : "xdg-open", url, true);
}
