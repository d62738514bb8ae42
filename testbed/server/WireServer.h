// The wire core of the testbed game server: accepts clients on 127.0.0.1, reads each client's
// greeting, answers its requests through a handler and sends notifications of any size. For
// tests it can misbehave on demand: spoil units, answer late or never, close in the middle of a
// packet, or write raw bytes.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "testbed/server/WireCodec.h"

namespace testbed {

// What the handler wants done with one request.
struct Reply {
  bool send = true;         // false: never answer
  DWORD result = 10;        // the reply's code (RESULT_SUCCESS by default)
  Bytes data;
  int delayMs = 0;          // answer this much later (the session goes on reading meanwhile)
  Spoil spoil = Spoil::NONE;
  bool closeMidPacket = false;  // send half of the reply's first unit, then close the connection
  DWORD serialOffset = 0;   // answer under the request's serial plus this (a wrong serial)
  // Written where it was made among the session's notifications, never later: a reply that
  // describes the whole state must not be overtaken by what happened after it was made.
  bool inOrder = false;
  bool written = false;     // already written by the one who made it; the wire sends nothing more
};

struct Request {
  int session = 0;
  DWORD code = 0;
  DWORD requestSerial = 0;
  bool replyWanted = false;
  Bytes data;
};

class WireServer {
 public:
  using Handler = std::function<Reply(const Request&)>;

  explicit WireServer(WireParams params = WireParams{});
  ~WireServer();
  WireServer(const WireServer&) = delete;
  WireServer& operator=(const WireServer&) = delete;

  // Listens on 127.0.0.1:port (0 picks a free port). False when it cannot listen.
  bool Start(uint16_t port = 0);
  void Stop();
  uint16_t Port() const { return m_port; }

  void SetHandler(Handler handler);
  // Called on a session's reading thread once its connection has ended, for whatever reason.
  void SetClosedHandler(std::function<void(int session)> handler);
  // The greeting each client must send first (its bytes without the length word); empty accepts
  // any greeting.
  void SetExpectedGreeting(const Bytes& greeting) { m_expectedGreeting = greeting; }

  // Sends a notification to a session (-1: every session). False when no session took it.
  bool Notify(int session, DWORD code, const Bytes& data, Spoil spoil = Spoil::NONE);
  // Writes a request's reply at once, on the calling thread (its delay is not kept). False when
  // the session is gone.
  bool Answer(int session, DWORD requestSerial, const Reply& reply);
  // Writes bytes as they are to a session.
  bool SendRaw(int session, const Bytes& bytes);
  // Closes a session's connection.
  void CloseSession(int session);

  // Waits until at least `count` sessions have sent their greeting; false after the time-out.
  bool WaitForSessions(int count, int timeoutMs);
  // Whether every request is kept for Requests() (the default). A server that runs for long
  // turns it off, so that its memory does not grow with every request it answers.
  void SetRecordRequests(bool record) { m_recordRequests = record; }
  // Waits until `count` requests have arrived in all; false after the time-out.
  bool WaitForRequests(size_t count, int timeoutMs);
  std::vector<Request> Requests() const;
  std::vector<Bytes> Greetings() const;
  int LastSession() const;

 private:
  struct Session;
  void AcceptLoop();
  void ReadLoop(std::shared_ptr<Session> session);
  // `encoded` is the packet's payloads joined.
  void HandlePacket(const std::shared_ptr<Session>& session, DWORD requestSerial, bool replyWanted,
                    const BYTE* encoded, size_t length);
  void SendReply(const std::shared_ptr<Session>& session, DWORD requestSerial, const Reply& reply);
  bool WriteAll(const std::shared_ptr<Session>& session, const Bytes& bytes);
  std::shared_ptr<Session> FindSession(int id) const;

  WireParams m_params;
  int m_listenFd = -1;
  uint16_t m_port = 0;
  std::atomic<bool> m_running{false};
  std::atomic<bool> m_recordRequests{true};
  std::thread m_acceptThread;
  Handler m_handler;
  std::function<void(int)> m_closedHandler;
  Bytes m_expectedGreeting;

  mutable std::mutex m_lock;
  std::condition_variable m_changed;
  std::map<int, std::shared_ptr<Session>> m_sessions;
  // Reading threads and late replies; the accept loop joins the ones that have finished.
  struct Worker {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };
  void StartWorker(std::function<void()> work);
  void ReapWorkers();
  std::vector<Worker> m_threads;
  std::vector<Request> m_requests;
  std::vector<Bytes> m_greetings;
  int m_nextSession = 1;
  int m_greeted = 0;
  int m_lastSession = 0;
};

}  // namespace testbed
