// Plain loopback helpers for network tests. They use the system's sockets directly, so this
// header declares nothing of the system's socket headers: test files that include the program's
// WinSock names can use them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/Program.h"

namespace testsupport {

// A port on 127.0.0.1 that was free a moment ago.
uint16_t FreeLoopbackPort();
// Whether something accepts connections on 127.0.0.1:port.
bool LoopbackPortAnswers(uint16_t port);

// A listening socket on 127.0.0.1 that accepts one client and reads its bytes.
class PlainListener {
 public:
  PlainListener();
  ~PlainListener();
  PlainListener(const PlainListener&) = delete;
  PlainListener& operator=(const PlainListener&) = delete;
  uint16_t Port() const { return m_port; }
  // Accepts the client on first use, then reads exactly n bytes or what came within the time-out.
  std::vector<unsigned char> Read(size_t n, int timeoutMs = 2000);

 private:
  int m_fd = -1;
  int m_client = -1;
  uint16_t m_port = 0;
};

// A program run for the length of a test (its output goes nowhere), stopped with SIGTERM.
class ChildProcess {
 public:
  // Starts the program and waits until something answers on readyPort (or it ended).
  ChildProcess(const std::vector<std::string>& argv, uint16_t readyPort);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  bool Running() const;
  uint16_t Port() const { return m_port; }

 private:
  std::unique_ptr<Program> m_program;
  uint16_t m_port;
};

}  // namespace testsupport
