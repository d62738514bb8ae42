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
  // HANGUP reads the first request and closes the connection without an answer.
  enum class Mode { RELAY, REFUSE, SILENT, SCRIPT, HANGUP };

  // One step of a scripted proxy: read `read` bytes (or, when `until` is not empty, up to and
  // including that text), then send `answer`.
  struct Step {
    size_t read = 0;
    std::string until;
    std::string answer;
  };

  explicit TestProxy(Mode mode = Mode::RELAY) : m_mode(mode) {}
  // A proxy that plays the script on every connection and then holds the connection open without
  // a word: for handshakes that no packaged proxy plays (odd methods, replies, refusals).
  explicit TestProxy(std::vector<Step> script) : m_mode(Mode::SCRIPT), m_script(std::move(script)) {}
  ~TestProxy();
  TestProxy(const TestProxy&) = delete;
  TestProxy& operator=(const TestProxy&) = delete;

  bool Start();
  void Stop();
  uint16_t Port() const { return m_port; }
  // The host names that SOCKS4a requests asked for, in order.
  std::vector<std::string> RequestedNames();
  // The bytes a scripted proxy has read from its clients, in order.
  std::string Received();

 private:
  void AcceptLoop();
  void Serve(int client);
  void PlayScript(int client);

  Mode m_mode;
  int m_listenFd = -1;
  uint16_t m_port = 0;
  std::atomic<bool> m_running{false};
  std::thread m_acceptThread;
  std::mutex m_lock;
  std::vector<std::thread> m_threads;
  std::vector<int> m_fds;
  std::vector<std::string> m_names;
  std::vector<Step> m_script;
  std::string m_received;
};

}  // namespace testbed
