#include "platform/kernel/Process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/base/WinError.h"
#include "platform/kernel/Files.h"
#include "platform/kernel/KernelObject.h"
#include "platform/kernel/Threads.h"

extern char** environ;

namespace platform {
namespace {

// The show command travels to the child in its environment, the one channel that posix_spawn
// offers besides the arguments; the child removes nothing, but every CreateProcessA sets or drops
// it for its own child, so it never leaks one generation further.
const char SHOW_WINDOW_VARIABLE[] = "PXQD_SHOW_WINDOW";

class ProcessObject : public KernelObject {
 public:
  explicit ProcessObject(pid_t pid) : m_pid(pid) {}

  bool IsSignalled() const override { return m_ended; }

  pid_t Pid() const { return m_pid; }

  // Called once the child has exited but before it is reaped, so that its id cannot be reused
  // by another process while Terminate may still signal it.
  void MarkExited() {
    auto lock = LockWaits();
    m_exited = true;
  }
  void Finish(DWORD status) {
    {
      auto lock = LockWaits();
      if (!m_terminated) m_exitCode = status;
      m_ended = true;
    }
    NotifyWaiters();
  }
  DWORD ExitCode() const {
    auto lock = LockWaits();
    return m_ended ? m_exitCode : STILL_ACTIVE;
  }
  bool Terminate(UINT code) {
    auto lock = LockWaits();
    if (m_ended || m_exited) return true;
    if (!m_terminated) {
      m_terminated = true;
      m_exitCode = code;
    }
    return ::kill(m_pid, SIGKILL) == 0 || errno == ESRCH;
  }

 private:
  pid_t m_pid;
  bool m_ended = false;
  bool m_exited = false;
  bool m_terminated = false;
  DWORD m_exitCode = STILL_ACTIVE;
};

std::mutex g_commandLineLock;
std::string* g_commandLine = nullptr;  // never freed: GetCommandLineA's text lives with the process

std::string ReadOwnCommandLine() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> args;
  size_t start = 0;
  while (start < all.size()) {
    size_t end = all.find('\0', start);
    if (end == std::string::npos) end = all.size();
    args.emplace_back(all.substr(start, end - start));
    start = end + 1;
  }
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  return JoinCommandLine(static_cast<int>(argv.size()), argv.data());
}

// The program named by the first word of a command line: the text up to the first blank, or the
// text inside a leading pair of double quotes.
std::string FirstWord(const char* line) {
  std::string s(line ? line : "");
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  if (i < s.size() && s[i] == '"') {
    size_t end = s.find('"', i + 1);
    return s.substr(i + 1, end == std::string::npos ? std::string::npos : end - i - 1);
  }
  size_t end = s.find_first_of(" \t", i);
  return s.substr(i, end == std::string::npos ? std::string::npos : end - i);
}

void ReapInBackground(std::shared_ptr<ProcessObject> process) {
  std::thread([process] {
    siginfo_t info{};
    while (::waitid(P_PID, static_cast<id_t>(process->Pid()), &info, WEXITED | WNOWAIT) < 0 && errno == EINTR) {
    }
    process->MarkExited();
    int status = 0;
    pid_t r;
    do {
      r = ::waitpid(process->Pid(), &status, 0);
    } while (r < 0 && errno == EINTR);
    DWORD code = 0;
    if (r == process->Pid()) {
      if (WIFEXITED(status)) code = static_cast<DWORD>(WEXITSTATUS(status));
      else if (WIFSIGNALED(status)) code = 128u + static_cast<DWORD>(WTERMSIG(status));
    }
    process->Finish(code);
  }).detach();
}

}  // namespace

void SetCommandLineOverride(const std::string& line) {
  std::lock_guard<std::mutex> g(g_commandLineLock);
  if (!g_commandLine) g_commandLine = new std::string;
  *g_commandLine = line;
}

std::string JoinCommandLine(int argc, char** argv) {
  if (argc == 2) return argv[1] ? argv[1] : "";
  std::string line;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i] ? argv[i] : "";
    if (i > 1) line += ' ';
    if (arg.empty() || arg.find_first_of(" \t") != std::string::npos) {
      line += '"' + arg + '"';
    } else {
      line += arg;
    }
  }
  return line;
}

}  // namespace platform

LPSTR GetCommandLineA() {
  std::lock_guard<std::mutex> g(platform::g_commandLineLock);
  if (!platform::g_commandLine) platform::g_commandLine = new std::string(platform::ReadOwnCommandLine());
  return platform::g_commandLine->data();
}

BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine, void* processAttributes, void* threadAttributes,
                    BOOL inheritHandles, DWORD creationFlags, void* environment, LPCSTR currentDirectory,
                    LPSTARTUPINFOA startupInfo, LPPROCESS_INFORMATION processInformation) {
  if (environment || (!applicationName && !commandLine)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string program = applicationName ? std::string(applicationName) : platform::FirstWord(commandLine);
  if (program.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  std::string path = platform::MapPath(program);
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    SetLastError(errno == ENOENT || errno == ENOTDIR ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  if (!S_ISREG(st.st_mode) || ::access(path.c_str(), X_OK) != 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  std::string directory;
  if (currentDirectory && *currentDirectory) {
    directory = platform::MapPath(currentDirectory);
    struct stat ds {};
    if (::stat(directory.c_str(), &ds) != 0 || !S_ISDIR(ds.st_mode)) {
      SetLastError(ERROR_DIRECTORY);
      return FALSE;
    }
  }

  std::vector<std::string> env;
  const size_t prefixLength = sizeof platform::SHOW_WINDOW_VARIABLE - 1;
  for (char** e = environ; e && *e; ++e) {
    if (std::strncmp(*e, platform::SHOW_WINDOW_VARIABLE, prefixLength) == 0 && (*e)[prefixLength] == '=') continue;
    env.emplace_back(*e);
  }
  if (startupInfo && (startupInfo->dwFlags & STARTF_USESHOWWINDOW)) {
    env.push_back(std::string(platform::SHOW_WINDOW_VARIABLE) + "=" + std::to_string(startupInfo->wShowWindow));
  }
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  std::string argument = commandLine ? std::string(commandLine) : std::string();
  std::vector<char*> argv{path.data()};
  if (!argument.empty()) argv.push_back(argument.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // The child keeps only its standard streams: sockets and files of this process stay here.
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  if (!directory.empty()) posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  // The child starts with the default signal dispositions and an empty signal mask, whatever
  // this process has blocked on its threads.
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  pid_t pid = 0;
  int rc = posix_spawn(&pid, path.c_str(), &actions, &attributes, argv.data(), envp.data());
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    SetLastError(rc == ENOENT ? ERROR_FILE_NOT_FOUND : rc == EACCES ? ERROR_ACCESS_DENIED : ERROR_BAD_EXE_FORMAT);
    return FALSE;
  }
  auto process = std::make_shared<platform::ProcessObject>(pid);
  platform::ReapInBackground(process);
  if (processInformation) {
    processInformation->hProcess = platform::RegisterKernelObject(process);
    processInformation->hThread = platform::RegisterKernelObject(process);
    processInformation->dwProcessId = static_cast<DWORD>(pid);
    processInformation->dwThreadId = static_cast<DWORD>(pid);
  }
  return TRUE;
}

void GetStartupInfoA(LPSTARTUPINFOA startupInfo) {
  if (!startupInfo) return;
  std::memset(startupInfo, 0, sizeof *startupInfo);
  startupInfo->cb = sizeof *startupInfo;
  const char* show = std::getenv(platform::SHOW_WINDOW_VARIABLE);
  if (show && *show >= '0' && *show <= '9') {
    startupInfo->dwFlags = STARTF_USESHOWWINDOW;
    startupInfo->wShowWindow = static_cast<WORD>(std::atoi(show));
  }
}

BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode) {
  auto object = platform::LookupKernelObjectAs<platform::ProcessObject>(process);
  if (!object || !exitCode) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  *exitCode = object->ExitCode();
  return TRUE;
}

BOOL TerminateProcess(HANDLE process, UINT exitCode) {
  auto object = platform::LookupKernelObjectAs<platform::ProcessObject>(process);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!object->Terminate(exitCode)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return TRUE;
}
