// Programs a test runs as processes of their own, and the environment they inherit.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

// Environment variables set or removed for the life of the object (or until Restore): every
// variable touched gets its former value back, or is removed again. Programs started meanwhile
// inherit them.
class ScopedEnvironment {
 public:
  ScopedEnvironment() = default;
  ~ScopedEnvironment() { Restore(); }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

  void Set(const std::string& name, const std::string& value);
  void Unset(const std::string& name);
  void Restore();

 private:
  void Remember(const std::string& name);
  std::vector<std::pair<std::string, std::optional<std::string>>> m_former;
};

// A program started with the test's environment, some variables changed (a value, or nullopt to
// remove it), its standard output and errors in files (the test's own for an empty path). One
// that still runs when the object goes is killed.
class Program {
 public:
  struct Options {
    std::vector<std::pair<std::string, std::optional<std::string>>> environment;
    std::string outputPath;
    std::string errorPath;
  };

  // argv[0] is looked up on the PATH when it has no '/'.
  explicit Program(const std::vector<std::string>& argv, const Options& options);
  explicit Program(const std::vector<std::string>& argv) : Program(argv, Options()) {}
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  bool Started() const { return m_pid > 0; }
  // Whether it has ended (without waiting).
  bool Ended();
  // Its exit status once it ended (128 + the signal for one ended by a signal); -1 when it still
  // runs after the limit.
  int WaitForExit(int limitMs);
  // SIGTERM, then its exit status as WaitForExit; one that ignores the signal is killed.
  int Stop(int limitMs);
  std::string Output() const;
  std::string Errors() const;

 private:
  pid_t m_pid = -1;
  Options m_options;
  bool m_ended = false;
  int m_status = -1;
};

// A game server program started on a port of the system's choice with its data folder: its
// output and errors go to <folder>.out and <folder>.err beside it, and the errors (the server's
// log) are shown when the test has failed by the time the object goes.
class ServerProgram {
 public:
  ServerProgram(const std::string& program, const std::string& dataFolder, const std::vector<std::string>& extra = {});
  ~ServerProgram();
  ServerProgram(const ServerProgram&) = delete;
  ServerProgram& operator=(const ServerProgram&) = delete;

  // Waits until it tells its port; false when it ended or the limit passed first.
  bool Running();
  uint16_t Port() const { return m_port; }
  std::string Errors() const { return m_program.Errors(); }

 private:
  Program m_program;
  uint16_t m_port = 0;
};

}  // namespace testsupport
