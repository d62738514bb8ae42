#include "framework/ProgramLauncher.h"

#include <strings.h>

#include <string>

#include "platform/kernel/Kernel.h"
#include "platform/kernel/Process.h"
#include "platform/kernel/Shell.h"
#include "platform/user/User.h"

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
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(show);
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(program, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return FALSE;
  }
  // The new process is not waited for.
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return TRUE;
}

BOOL OpenUrlInUserBrowser(LPCSTR url) {
  if (!IsBrowsableUrl(url)) return FALSE;
  HINSTANCE started = ShellExecuteA(nullptr, "", "iexplore", url, nullptr, SW_SHOWNORMAL);
  if (reinterpret_cast<uintptr_t>(started) > 32) return TRUE;
  started = ShellExecuteA(nullptr, "open", url, nullptr, nullptr, SW_SHOWNORMAL);
  return reinterpret_cast<uintptr_t>(started) > 32 ? TRUE : FALSE;
}
