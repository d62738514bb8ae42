#include "testbed/server/GameServer.h"

#include <chrono>

namespace testbed {

namespace {
// How often a server on the system clock runs its tables' due time-outs.
const int TICK_MS = 10;
}  // namespace

GameServer::GameServer(ServerConfig config) : m_realClock(!config.clock || config.tickGivenClock), m_core(std::move(config), this) {}

GameServer::~GameServer() { Stop(); }

bool GameServer::Start(const std::string& databasePath, uint16_t port, std::string* error) {
  if (!m_core.OpenAccounts(databasePath, error)) return false;
  m_wire.SetHandler([this](const Request& request) {
    Reply reply = m_core.Handle(request);
    std::function<void(const Request&, Reply*)> filter;
    std::function<void(const Request&, const Reply&)> observer;
    {
      std::lock_guard<std::mutex> g(m_filterLock);
      filter = m_filter;
      observer = m_observer;
    }
    // An in-order reply went through the filter when it was written.
    if (filter && !reply.written) filter(request, &reply);
    if (observer) observer(request, reply);
    return reply;
  });
  m_wire.SetClosedHandler([this](int session) { m_core.OnSessionClosed(session); });
  // The core keeps what it needs of each request; the wire's own record would only grow.
  m_wire.SetRecordRequests(false);
  if (!m_wire.Start(port)) {
    if (error) *error = "cannot listen on 127.0.0.1:" + std::to_string(port);
    return false;
  }
  // With an injected clock the test runs the time-outs itself.
  if (m_realClock) {
    m_ticking = true;
    m_ticker = std::thread([this] { TickLoop(); });
  }
  return true;
}

void GameServer::Stop() {
  if (m_ticking.exchange(false) && m_ticker.joinable()) m_ticker.join();
  m_wire.Stop();
}

void GameServer::SetReplyFilter(std::function<void(const Request&, Reply*)> filter) {
  std::lock_guard<std::mutex> g(m_filterLock);
  m_filter = std::move(filter);
}

void GameServer::SetRequestObserver(std::function<void(const Request&, const Reply&)> observer) {
  std::lock_guard<std::mutex> g(m_filterLock);
  m_observer = std::move(observer);
}

void GameServer::SetNoticeCopies(std::function<int(int session, DWORD code)> copies) {
  std::lock_guard<std::mutex> g(m_filterLock);
  m_copies = std::move(copies);
}

void GameServer::Send(int session, DWORD code, const Bytes& data) {
  std::function<int(int, DWORD)> copies;
  {
    std::lock_guard<std::mutex> g(m_filterLock);
    copies = m_copies;
  }
  const int times = copies ? copies(session, code) : 1;
  for (int i = 0; i < times; ++i) m_wire.Notify(session, code, data);
}

void GameServer::Close(int session) { m_wire.CloseSession(session); }

void GameServer::Answer(const Request& request, Reply* reply) {
  std::function<void(const Request&, Reply*)> filter;
  {
    std::lock_guard<std::mutex> g(m_filterLock);
    filter = m_filter;
  }
  if (filter) filter(request, reply);
  // A filter may still withhold it; a late one is written now all the same.
  if (reply->send) reply->written = m_wire.Answer(request.session, request.requestSerial, *reply);
}

void GameServer::TickLoop() {
  while (m_ticking) {
    std::this_thread::sleep_for(std::chrono::milliseconds(TICK_MS));
    m_core.RunDueTimers();
  }
}

}  // namespace testbed
