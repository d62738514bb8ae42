#include "tests/support/Program.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include <gtest/gtest.h>

#include "tests/support/WaitFor.h"

extern char** environ;

namespace testsupport {

namespace {

std::string ReadAll(const std::string& path) {
  if (path.empty()) return std::string();
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The test's environment with the changes applied, as "NAME=value" strings.
std::vector<std::string> ChildEnvironment(
    const std::vector<std::pair<std::string, std::optional<std::string>>>& changes) {
  std::vector<std::string> out;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry(*e);
    const std::string name = entry.substr(0, entry.find('='));
    bool changed = false;
    for (const auto& change : changes) changed = changed || change.first == name;
    if (!changed) out.push_back(entry);
  }
  for (const auto& [name, value] : changes) {
    if (value) out.push_back(name + "=" + *value);
  }
  return out;
}

int StatusOf(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status); }

}  // namespace

void ScopedEnvironment::Remember(const std::string& name) {
  for (const auto& former : m_former) {
    if (former.first == name) return;
  }
  const char* value = getenv(name.c_str());
  m_former.emplace_back(name, value != nullptr ? std::optional<std::string>(value) : std::nullopt);
}

void ScopedEnvironment::Set(const std::string& name, const std::string& value) {
  Remember(name);
  setenv(name.c_str(), value.c_str(), 1);
}

void ScopedEnvironment::Unset(const std::string& name) {
  Remember(name);
  unsetenv(name.c_str());
}

void ScopedEnvironment::Restore() {
  for (auto it = m_former.rbegin(); it != m_former.rend(); ++it) {
    if (it->second) {
      setenv(it->first.c_str(), it->second->c_str(), 1);
    } else {
      unsetenv(it->first.c_str());
    }
  }
  m_former.clear();
}

Program::Program(const std::vector<std::string>& argv, const Options& options) : m_options(options) {
  std::vector<std::string> args(argv);
  std::vector<char*> argPointers;
  for (std::string& a : args) argPointers.push_back(a.data());
  argPointers.push_back(nullptr);
  std::vector<std::string> env = ChildEnvironment(options.environment);
  std::vector<char*> envPointers;
  for (std::string& e : env) envPointers.push_back(e.data());
  envPointers.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  const int flags = O_CREAT | O_WRONLY | O_TRUNC;
  if (!options.outputPath.empty()) {
    posix_spawn_file_actions_addopen(&actions, 1, options.outputPath.c_str(), flags, 0644);
  }
  if (!options.errorPath.empty()) {
    posix_spawn_file_actions_addopen(&actions, 2, options.errorPath.c_str(), flags, 0644);
  }
  pid_t pid = -1;
  if (!argPointers.empty() && argPointers[0] != nullptr &&
      posix_spawnp(&pid, argPointers[0], &actions, nullptr, argPointers.data(), envPointers.data()) == 0) {
    m_pid = pid;
  }
  posix_spawn_file_actions_destroy(&actions);
}

Program::~Program() {
  if (m_pid > 0 && !Ended()) {
    kill(m_pid, SIGKILL);
    int status = 0;
    waitpid(m_pid, &status, 0);
  }
}

bool Program::Ended() {
  if (m_pid <= 0 || m_ended) return true;
  int status = 0;
  if (waitpid(m_pid, &status, WNOHANG) != m_pid) return false;
  m_ended = true;
  m_status = StatusOf(status);
  return true;
}

int Program::WaitForExit(int limitMs) {
  if (m_pid <= 0) return -1;
  WaitFor([this] { return Ended(); }, limitMs, 10);
  return m_ended ? m_status : -1;
}

int Program::Stop(int limitMs) {
  if (m_pid <= 0) return -1;
  if (!Ended()) kill(m_pid, SIGTERM);
  const int status = WaitForExit(limitMs);
  if (status >= 0) return status;
  kill(m_pid, SIGKILL);
  int raw = 0;
  waitpid(m_pid, &raw, 0);
  m_ended = true;
  m_status = StatusOf(raw);
  return -1;
}

std::string Program::Output() const { return ReadAll(m_options.outputPath); }
std::string Program::Errors() const { return ReadAll(m_options.errorPath); }

namespace {
// The output beside the data folder: the server makes the folder itself.
Program::Options ServerOptions(const std::string& dataFolder) {
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(dataFolder).parent_path(), ec);
  Program::Options options;
  options.outputPath = dataFolder + ".out";
  options.errorPath = dataFolder + ".err";
  return options;
}

std::vector<std::string> ServerArguments(const std::string& program, const std::string& dataFolder,
                                         const std::vector<std::string>& extra) {
  std::vector<std::string> args{program, "--port", "0", "--data", dataFolder};
  args.insert(args.end(), extra.begin(), extra.end());
  return args;
}
}  // namespace

ServerProgram::ServerProgram(const std::string& program, const std::string& dataFolder,
                             const std::vector<std::string>& extra)
    : m_program(ServerArguments(program, dataFolder, extra), ServerOptions(dataFolder)) {}

ServerProgram::~ServerProgram() {
  m_program.Stop(PROCESS_WAIT_MS);
  if (::testing::Test::HasFailure()) std::cout << "--- the server's log ---\n" << m_program.Errors() << std::flush;
}

bool ServerProgram::Running() {
  if (m_port != 0) return !m_program.Ended();
  // "listening on 127.0.0.1:<port>, accounts in <file>"
  const std::string prefix = "listening on 127.0.0.1:";
  WaitFor([&] {
    const std::string out = m_program.Output();
    const size_t at = out.find(prefix);
    if (at != std::string::npos && out.find(',', at) != std::string::npos) {
      m_port = static_cast<uint16_t>(std::atoi(out.c_str() + at + prefix.size()));
      return true;
    }
    return m_program.Ended();
  });
  return m_port != 0 && !m_program.Ended();
}

}  // namespace testsupport
