// The testbed game server as a library: the wire core on 127.0.0.1 with the framework's core
// behind it and the accounts in an SQLite file. Tests start one in-process on a free port with a
// temporary database, drive it with real clients, push notifications through its core and make
// its wire misbehave through Wire() and the reply filter.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "testbed/server/ServerCore.h"
#include "testbed/server/WireServer.h"

namespace testbed {

class GameServer : private Outbox {
 public:
  explicit GameServer(ServerConfig config = ServerConfig{});
  ~GameServer() override;
  GameServer(const GameServer&) = delete;
  GameServer& operator=(const GameServer&) = delete;

  // Opens the database (created when missing) and listens on 127.0.0.1:port (0 picks a free
  // port). False with a text when either fails.
  bool Start(const std::string& databasePath, uint16_t port, std::string* error);
  void Stop();
  uint16_t Port() const { return m_wire.Port(); }

  ServerCore& Core() { return m_core; }
  // The wire core, for misbehaviour on demand: spoiled notifications, raw bytes, closed sessions.
  WireServer& Wire() { return m_wire; }
  // Sees every request with the reply the core made and may change it (delay it, spoil it,
  // withhold it, answer under a wrong serial, or give another result).
  void SetReplyFilter(std::function<void(const Request&, Reply*)> filter);
  // Sees every request with the reply as it goes out (after the filter), on the connection's
  // thread: a record of what the clients sent, for tests and the --requests log.
  void SetRequestObserver(std::function<void(const Request&, const Reply&)> observer);
  // Says how many times each notification the core sends is written to its session (1 when
  // unset; 0 withholds it), for injected faults.
  void SetNoticeCopies(std::function<int(int session, DWORD code)> copies);

 private:
  void Send(int session, DWORD code, const Bytes& data) override;
  void Close(int session) override;
  void Answer(const Request& request, Reply* reply) override;
  void TickLoop();

  bool m_realClock;
  ServerCore m_core;
  WireServer m_wire;
  std::mutex m_filterLock;
  std::function<void(const Request&, Reply*)> m_filter;
  std::function<void(const Request&, const Reply&)> m_observer;
  std::function<int(int, DWORD)> m_copies;
  std::atomic<bool> m_ticking{false};
  std::thread m_ticker;
};

}  // namespace testbed
