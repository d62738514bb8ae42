// The child that the process tests start: it reports what it was started with and ends as told.
// Its command line decides: "sleep" waits until it is killed, "exit=<n>" ends with that code;
// anything else is written, with the show command, to the file named by $PXQD_CHILD_REPORT.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/kernel/Process.h"

int main() {
  const char* line = GetCommandLineA();
  if (std::strcmp(line, "sleep") == 0) {
    for (;;) pause();
  }
  if (std::strncmp(line, "exit=", 5) == 0) return std::atoi(line + 5);
  STARTUPINFOA si;
  GetStartupInfoA(&si);
  const char* report = std::getenv("PXQD_CHILD_REPORT");
  if (!report) return 2;
  FILE* f = std::fopen(report, "wb");
  if (!f) return 3;
  std::fprintf(f, "%u %u\n%s", si.dwFlags, si.wShowWindow, line);
  std::fclose(f);
  return 0;
}
