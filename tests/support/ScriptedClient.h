// A client of the game protocol for tests of the testbed server: the network library's real
// connection with the game's packet options, a thread that collects notifications, and requests
// sent as raw codes and body bytes.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "net/SocketConnection.h"

namespace testsupport {

class ScriptedClient {
 public:
  using Bytes = std::vector<BYTE>;
  struct Answer {
    bool arrived = false;  // a reply came before the time-out
    DWORD result = 0;
    Bytes data;
  };
  struct Notice {
    DWORD code = 0;
    Bytes data;
  };

  ScriptedClient();
  ~ScriptedClient();
  ScriptedClient(const ScriptedClient&) = delete;
  ScriptedClient& operator=(const ScriptedClient&) = delete;

  // Connects to 127.0.0.1:port and sends the game's greeting.
  bool Connect(uint16_t port);
  void Close();

  // A request that wants a reply; waits for it up to the time-out.
  Answer Ask(DWORD code, const Bytes& body, DWORD timeoutMs = 5000);
  // A request that wants none; true when it went out.
  bool Tell(DWORD code, const Bytes& body);

  // Waits for the next notification (of any code) and takes it off the queue; false when none
  // came within the time-out.
  bool Next(Notice* notice, int timeoutMs = 5000);
  // Waits for a notification of the code, dropping the ones of other codes before it.
  bool NextOf(DWORD code, Bytes* data, int timeoutMs = 5000);
  // Whether the connection saw its end (the library's closed or error record).
  bool WaitClosed(int timeoutMs = 5000);

 private:
  void ReceiverLoop();

  CSocketConnection m_connection;
  std::thread m_receiver;
  DWORD m_receiverId = 0;
  std::mutex m_lock;
  std::condition_variable m_changed;
  bool m_ready = false;
  bool m_closed = false;
  std::deque<Notice> m_notices;
};

}  // namespace testsupport
