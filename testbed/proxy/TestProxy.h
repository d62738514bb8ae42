// A small SOCKS4/4a proxy for tests, for the variant that no packaged proxy speaks (SOCKS4a:
// the client sends the target's name and the proxy resolves it), and for proxies that misbehave:
// one that refuses every request and one that accepts connections but never answers.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testbed {

class TestProxy {
 public:
  enum class Mode { RELAY, REFUSE, SILENT };

  explicit TestProxy(Mode mode = Mode::RELAY) : m_mode(mode) {}
  ~TestProxy();
  TestProxy(const TestProxy&) = delete;
  TestProxy& operator=(const TestProxy&) = delete;

  bool Start();
  void Stop();
  uint16_t Port() const { return m_port; }
  // The host names that SOCKS4a requests asked for, in order.
  std::vector<std::string> RequestedNames();

 private:
  void AcceptLoop();
  void Serve(int client);

  Mode m_mode;
  int m_listenFd = -1;
  uint16_t m_port = 0;
  std::atomic<bool> m_running{false};
  std::thread m_acceptThread;
  std::mutex m_lock;
  std::vector<std::thread> m_threads;
  std::vector<int> m_fds;
  std::vector<std::string> m_names;
};

}  // namespace testbed
