// Processes: the command line, starting a program, and waiting for it.
//
// The program is started by the hall with one command line that holds the launch fields, and it
// starts itself again the same way. CreateProcessA hands the child the command line as its one
// argument (argv[1]), untouched, so that GetCommandLineA in the child answers exactly the text the
// parent passed, as on Windows. A program started from a shell with several arguments sees them
// joined by single spaces, each argument that is empty or holds a blank in double quotes.
#pragma once

#include <string>

#include "platform/base/WinTypes.h"

#define STARTF_USESHOWWINDOW 0x00000001u
#define CREATE_NEW_CONSOLE 0x00000010u
#define CREATE_NO_WINDOW 0x08000000u
#define NORMAL_PRIORITY_CLASS 0x00000020u

struct STARTUPINFOA {
  DWORD cb;
  LPSTR lpReserved;
  LPSTR lpDesktop;
  LPSTR lpTitle;
  DWORD dwX;
  DWORD dwY;
  DWORD dwXSize;
  DWORD dwYSize;
  DWORD dwXCountChars;
  DWORD dwYCountChars;
  DWORD dwFillAttribute;
  DWORD dwFlags;
  WORD wShowWindow;
  WORD cbReserved2;
  BYTE* lpReserved2;
  HANDLE hStdInput;
  HANDLE hStdOutput;
  HANDLE hStdError;
};
typedef STARTUPINFOA* LPSTARTUPINFOA;
typedef STARTUPINFOA STARTUPINFO;
typedef LPSTARTUPINFOA LPSTARTUPINFO;

struct PROCESS_INFORMATION {
  HANDLE hProcess;
  HANDLE hThread;
  DWORD dwProcessId;
  DWORD dwThreadId;
};
typedef PROCESS_INFORMATION* LPPROCESS_INFORMATION;

// The command line without the program's name (see above). The text lives as long as the process.
LPSTR GetCommandLineA();
#define GetCommandLine GetCommandLineA

// Starts a program. applicationName is the program's path (a Windows-style GBK path, mapped as
// the file functions map it); when it is null, the first word of commandLine (or its first
// double-quoted text) names the program, looked up like a path. commandLine travels as the
// child's one argument; null or empty gives the child no argument. With STARTF_USESHOWWINDOW in
// the start-up information, the child finds wShowWindow in its own GetStartupInfoA. The current
// directory, when given, is the child's. Environment blocks are not supported (a non-null
// environment fails with ERROR_INVALID_PARAMETER); the child inherits the caller's. Handles are
// not inherited. On success the process handle is waitable and signalled when the child ends;
// the thread handle names the same process. ERROR_FILE_NOT_FOUND when the program is missing,
// ERROR_ACCESS_DENIED when it cannot be executed.
BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine, void* processAttributes, void* threadAttributes,
                    BOOL inheritHandles, DWORD creationFlags, void* environment, LPCSTR currentDirectory,
                    LPSTARTUPINFOA startupInfo, LPPROCESS_INFORMATION processInformation);
#define CreateProcess CreateProcessA

// What the parent asked for in CreateProcessA: dwFlags holds STARTF_USESHOWWINDOW and wShowWindow
// the show command when it passed one; everything else is zero.
void GetStartupInfoA(LPSTARTUPINFOA startupInfo);
#define GetStartupInfo GetStartupInfoA

// STILL_ACTIVE while the child runs, then its exit status (128 + the signal's number when a
// signal ended it).
BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode);
// Ends the child at once (SIGKILL); its exit code becomes exitCode.
BOOL TerminateProcess(HANDLE process, UINT exitCode);

namespace platform {

// For tests: the command line GetCommandLineA answers from now on (the text is copied).
void SetCommandLineOverride(const std::string& line);
// The rule above for several arguments, shared with the class library's entry point.
std::string JoinCommandLine(int argc, char** argv);

}  // namespace platform
