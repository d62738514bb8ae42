#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/base/WinError.h"
#include "platform/kernel/Kernel.h"
#include "platform/user/WinUser.h"
#include "tests/support/TempDir.h"

namespace {

const DWORD GENEROUS_MS = 60000;  // only bounds a failure; a passing run never waits this long

struct ChildRun {
  DWORD exitCode = 0;
  std::string report;
};

// Starts the helper child with a command line, waits for it and reads its report.
ChildRun RunChild(const testsupport::TempDir& dir, const char* line, STARTUPINFOA* si) {
  std::string report = dir.File("report.txt");
  ::unlink(report.c_str());
  ::setenv("PXQD_CHILD_REPORT", report.c_str(), 1);
  std::string copy = line ? line : "";
  PROCESS_INFORMATION pi{};
  ChildRun run;
  EXPECT_TRUE(CreateProcessA(PXQD_PROCESS_CHILD, line ? copy.data() : nullptr, nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, si, &pi));
  if (!pi.hProcess) return run;
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, GENEROUS_MS));
  EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &run.exitCode));
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  run.report = testsupport::TempDir::Read(report);
  return run;
}

TEST(Process, ChildSeesExactlyTheCommandLineAndShowCommand) {
  testsupport::TempDir dir;
  struct Case {
    const char* line;
    bool useShow;
    WORD show;
    const char* expected;
  };
  const Case cases[] = {
      {"\"1|127.0.0.1|2|33554433|0|1001|3|2|0|1|麻将|31380|0|0|0\"", true, SW_MAXIMIZE,
       "1 3\n\"1|127.0.0.1|2|33554433|0|1001|3|2|0|1|麻将|31380|0|0|0\""},
      {"/opt/game/pxqd two words", true, SW_SHOWNORMAL, "1 1\n/opt/game/pxqd two words"},
      {"", false, 0, "0 0\n"},
      {nullptr, false, 0, "0 0\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line ? c.line : "(null)");
    STARTUPINFOA si{};
    si.cb = sizeof si;
    if (c.useShow) {
      si.dwFlags = STARTF_USESHOWWINDOW;
      si.wShowWindow = c.show;
    }
    ChildRun run = RunChild(dir, c.line, &si);
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ(c.expected, run.report);
  }
}

TEST(Process, ShowCommandDoesNotLeakToGrandchildren) {
  testsupport::TempDir dir;
  ::setenv("PXQD_SHOW_WINDOW", "3", 1);  // as if this process had been started maximised
  STARTUPINFOA si{};
  si.cb = sizeof si;
  ChildRun run = RunChild(dir, "plain", &si);
  ::unsetenv("PXQD_SHOW_WINDOW");
  EXPECT_EQ("0 0\nplain", run.report);
}

TEST(Process, ExitCodesAndTermination) {
  testsupport::TempDir dir;
  EXPECT_EQ(7u, RunChild(dir, "exit=7", nullptr).exitCode);

  std::string line = "sleep";
  PROCESS_INFORMATION pi{};
  ASSERT_TRUE(CreateProcessA(PXQD_PROCESS_CHILD, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &pi));
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
  EXPECT_EQ((DWORD)STILL_ACTIVE, code);
  EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(pi.hProcess, 0));
  EXPECT_TRUE(TerminateProcess(pi.hProcess, 9));
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, GENEROUS_MS));
  EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
  EXPECT_EQ(9u, code);
  EXPECT_TRUE(TerminateProcess(pi.hProcess, 1));  // already ended: nothing else is signalled
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
}

TEST(Process, RefusedStarts) {
  testsupport::TempDir dir;
  std::string notExecutable = dir.Write("data.txt", "x");
  std::string line = "a";
  struct Case {
    const char* program;
    void* environment;
    DWORD error;
  };
  char env[] = "A=1\0";
  const Case cases[] = {
      {"/nonexistent/pxqd", nullptr, ERROR_FILE_NOT_FOUND},
      {notExecutable.c_str(), nullptr, ERROR_ACCESS_DENIED},
      {dir.Path().c_str(), nullptr, ERROR_ACCESS_DENIED},
      {PXQD_PROCESS_CHILD, env, ERROR_INVALID_PARAMETER},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.program);
    PROCESS_INFORMATION pi{};
    SetLastError(0);
    EXPECT_FALSE(CreateProcessA(c.program, line.data(), nullptr, nullptr, FALSE, 0, c.environment, nullptr, nullptr, &pi));
    EXPECT_EQ(c.error, GetLastError());
    EXPECT_EQ(nullptr, pi.hProcess);
  }
}

TEST(Process, ProgramFromTheFirstWordOfTheCommandLine) {
  testsupport::TempDir dir;
  std::string report = dir.File("report.txt");
  ::setenv("PXQD_CHILD_REPORT", report.c_str(), 1);
  std::string line = std::string("\"") + PXQD_PROCESS_CHILD + "\" x";
  PROCESS_INFORMATION pi{};
  ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &pi));
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, GENEROUS_MS));
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  EXPECT_EQ("0 0\n" + line, testsupport::TempDir::Read(report));
}

TEST(Process, CommandLineOfSeveralArguments) {
  struct Case {
    std::vector<const char*> argv;
    const char* expected;
  };
  const Case cases[] = {
      {{"pxqd"}, ""},
      {{"pxqd", "1|a b|2"}, "1|a b|2"},
      {{"pxqd", "one", "two words", ""}, "one \"two words\" \"\""},
  };
  for (const Case& c : cases) {
    std::vector<char*> argv;
    for (const char* a : c.argv) argv.push_back(const_cast<char*>(a));
    EXPECT_EQ(c.expected, platform::JoinCommandLine(static_cast<int>(argv.size()), argv.data()));
  }
  platform::SetCommandLineOverride("9|x");
  EXPECT_STREQ("9|x", GetCommandLineA());
}

// ---- libraries loaded by name ------------------------------------------------------------------

INT_PTR WINAPI AnswerFortyTwo() { return 42; }

TEST(Module, BuiltinLibrariesAreFoundByNameOthersAreAbsent) {
  static int loads = 0;
  platform::RegisterBuiltinModule("Sample.DLL", {{"Answer", reinterpret_cast<FARPROC>(&AnswerFortyTwo)}}, [] {
    ++loads;
    return TRUE;
  });
  HMODULE m = LoadLibraryA("sample.dll");
  ASSERT_NE(nullptr, m);
  EXPECT_EQ(m, LoadLibraryA("C:\\Program Files\\Game\\SAMPLE.dll"));
  EXPECT_EQ(2, loads);
  FARPROC answer = GetProcAddress(m, "Answer");
  ASSERT_NE(nullptr, answer);
  EXPECT_EQ(42, answer());

  struct Missing {
    const char* name;
    DWORD error;
  };
  SetLastError(0);
  EXPECT_EQ(nullptr, GetProcAddress(m, "answer"));  // entry names keep their case
  EXPECT_EQ((DWORD)ERROR_PROC_NOT_FOUND, GetLastError());
  EXPECT_EQ(nullptr, GetProcAddress(m, reinterpret_cast<LPCSTR>(3)));
  EXPECT_EQ((DWORD)ERROR_PROC_NOT_FOUND, GetLastError());
  for (const char* name : {"bass.dll", "sample.dl", ""}) {
    SetLastError(0);
    EXPECT_EQ(nullptr, LoadLibraryA(name)) << name;
    EXPECT_EQ((DWORD)ERROR_MOD_NOT_FOUND, GetLastError());
  }

  EXPECT_TRUE(FreeLibrary(m));
  EXPECT_TRUE(FreeLibrary(m));
  EXPECT_FALSE(FreeLibrary(m));
  EXPECT_EQ(nullptr, GetProcAddress(m, "Answer"));  // a released library has no entries
  EXPECT_FALSE(FreeLibrary(nullptr));
}

TEST(Module, RefusingStartUpFailsTheLoad) {
  platform::RegisterBuiltinModule("refuses.dll", {}, [] { return FALSE; });
  EXPECT_EQ(nullptr, LoadLibraryA("refuses.dll"));
}

// ---- strings and error texts -------------------------------------------------------------------

TEST(StringCalls, NullStringsAreEmpty) {
  char buffer[32] = "Game";
  EXPECT_EQ(buffer, lstrcatA(buffer, "\\GameLog.ini"));
  EXPECT_STREQ("Game\\GameLog.ini", buffer);
  EXPECT_EQ(buffer, lstrcatA(buffer, nullptr));
  EXPECT_EQ(16, lstrlenA(buffer));
  EXPECT_EQ(0, lstrlenA(nullptr));
  EXPECT_EQ(nullptr, lstrcatA(nullptr, "x"));
  EXPECT_EQ(buffer, lstrcpyA(buffer, nullptr));
  EXPECT_STREQ("", buffer);
}

TEST(ErrorText, SystemTexts) {
  char buffer[128];
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_FILE_NOT_FOUND,
                           MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buffer, sizeof buffer, nullptr);
  EXPECT_STREQ("系统找不到指定的文件。\r\n", buffer);
  EXPECT_EQ(std::strlen(buffer), n);

  LPSTR allocated = nullptr;
  n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_MOD_NOT_FOUND, 0,
                     reinterpret_cast<LPSTR>(&allocated), 0, nullptr);
  ASSERT_NE(nullptr, allocated);
  EXPECT_STREQ("找不到指定的模块。\r\n", allocated);
  EXPECT_EQ(nullptr, LocalFree(allocated));

  struct Failure {
    DWORD flags;
    DWORD id;
    DWORD size;
    DWORD error;
  };
  const Failure failures[] = {
      {FORMAT_MESSAGE_FROM_SYSTEM, 0x7FFF1234u, sizeof buffer, ERROR_MR_MID_NOT_FOUND},
      {FORMAT_MESSAGE_FROM_SYSTEM, ERROR_FILE_NOT_FOUND, 4, ERROR_INSUFFICIENT_BUFFER},
      {FORMAT_MESSAGE_FROM_STRING, ERROR_FILE_NOT_FOUND, sizeof buffer, ERROR_INVALID_PARAMETER},
  };
  for (const Failure& f : failures) {
    SetLastError(0);
    EXPECT_EQ(0u, FormatMessageA(f.flags, nullptr, f.id, 0, buffer, f.size, nullptr));
    EXPECT_EQ(f.error, GetLastError());
  }
}

TEST(ShortPath, IsTheLongPath) {
  testsupport::TempDir dir;
  std::string file = dir.Write("Music Folder/Long Name.mid", "x");
  char buffer[MAX_PATH];
  std::strcpy(buffer, file.c_str());
  EXPECT_EQ(file.size(), GetShortPathNameA(buffer, buffer, sizeof buffer));  // in place
  EXPECT_EQ(file, buffer);
  char small[4];
  EXPECT_EQ(file.size() + 1, GetShortPathNameA(file.c_str(), small, sizeof small));
  SetLastError(0);
  EXPECT_EQ(0u, GetShortPathNameA(dir.File("missing.mid").c_str(), buffer, sizeof buffer));
  EXPECT_EQ((DWORD)ERROR_FILE_NOT_FOUND, GetLastError());
}

// ---- opening web addresses ---------------------------------------------------------------------

TEST(UrlOpener, OnlyWebAddressesReachTheOpener) {
  testsupport::TempDir dir;
  std::string log = dir.File("opened.txt");
  std::string opener = dir.Write("opener.sh", "#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" + log + "'\n");
  ::chmod(opener.c_str(), 0755);
  platform::SetUrlOpener(opener);
  struct Case {
    const char* verb;
    const char* file;
    const char* parameters;
    bool opens;
    const char* seen;
  };
  const Case cases[] = {
      {"", "iexplore", "http://127.0.0.1/a?b=1&c=2", true, "http://127.0.0.1/a?b=1&c=2"},
      {nullptr, "IEXPLORE.EXE", "HTTPS://example.test/x", true, "HTTPS://example.test/x"},
      {"open", "https://example.test/页", nullptr, true, "https://example.test/%D2%B3"},
      {"open", "file:///etc/passwd", nullptr, false, nullptr},
      {"open", "/bin/sh", nullptr, false, nullptr},
      {"", "iexplore", "javascript:alert(1)", false, nullptr},
      {"", "iexplore", "http://a b", false, nullptr},
      {"", "iexplore", "http://a\nb", false, nullptr},
      {"", "cmd.exe", "http://example.test", false, nullptr},
      {"print", "http://example.test", nullptr, false, nullptr},
  };
  std::string expected;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    INT_PTR r = reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, c.verb, c.file, c.parameters, nullptr, SW_SHOWNORMAL));
    if (c.opens) {
      EXPECT_GT(r, 32);
      expected += std::string(c.seen) + "\n";
      // Each opener has written its line before the next starts, so the log keeps their order.
      DWORD start = GetTickCount();
      while (testsupport::TempDir::Read(log) != expected && GetTickCount() - start < GENEROUS_MS) Sleep(10);
    } else {
      EXPECT_EQ(SE_ERR_NOASSOC, r);
    }
  }
  EXPECT_EQ(expected, testsupport::TempDir::Read(log));

  platform::SetUrlOpener(dir.File("no-such-opener"));
  EXPECT_EQ(SE_ERR_FNF, reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", "http://x.test", nullptr, nullptr, 1)));
  platform::SetUrlOpener("");
}

}  // namespace
