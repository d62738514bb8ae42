#include "testbed/server/WireServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "net/WireBytes.h"
#include "testbed/LoopbackListener.h"

namespace testbed {

namespace {
// A greeting is a short text; anything longer is not a client of this protocol.
const DWORD MAX_GREETING = 1024;
const size_t MAX_PACKET = 1024 * 1024;
// A session's block for the replies it sends is kept up to this size.
const size_t KEPT_UNITS_CAPACITY = 64 * 1024;
}  // namespace

struct WireServer::Session {
  int id = 0;
  int fd = -1;
  std::mutex writeLock;
  DWORD segmentSerial = 0;
  DWORD notifySerial = 0;
  // The bytes of the reply being sent (under the write lock).
  CByteBuffer units;
  std::atomic<bool> open{true};
};

WireServer::WireServer(WireParams params) : m_params(params) {
  if (!m_params.key) m_params.key = DefaultPacketKey();
}

WireServer::~WireServer() { Stop(); }

bool WireServer::Start(uint16_t port) {
  m_listenFd = ListenOnLoopback(port, 16, &m_port);
  if (m_listenFd < 0) return false;
  m_running = true;
  m_acceptThread = std::thread([this] { AcceptLoop(); });
  return true;
}

void WireServer::Stop() {
  if (!m_running.exchange(false)) return;
  shutdown(m_listenFd, SHUT_RDWR);
  if (m_acceptThread.joinable()) m_acceptThread.join();
  close(m_listenFd);
  m_listenFd = -1;
  std::vector<Worker> threads;
  {
    std::lock_guard<std::mutex> g(m_lock);
    for (auto& [id, s] : m_sessions) {
      s->open = false;
      std::lock_guard<std::mutex> w(s->writeLock);
      if (s->fd >= 0) shutdown(s->fd, SHUT_RDWR);
    }
    threads.swap(m_threads);
  }
  for (auto& t : threads) t.thread.join();
  std::lock_guard<std::mutex> g(m_lock);
  // Each reading thread closed its own socket on the way out; these never had one running.
  for (auto& [id, s] : m_sessions) {
    if (s->fd >= 0) close(s->fd);
    s->fd = -1;
  }
  m_sessions.clear();
}

void WireServer::StartWorker(std::function<void()> work) {
  auto done = std::make_shared<std::atomic<bool>>(false);
  m_threads.push_back({std::thread([work = std::move(work), done] {
                         work();
                         *done = true;
                       }),
                       done});
}

void WireServer::ReapWorkers() {
  std::vector<std::thread> finished;
  {
    std::lock_guard<std::mutex> g(m_lock);
    for (auto it = m_threads.begin(); it != m_threads.end();) {
      if (*it->done) {
        finished.push_back(std::move(it->thread));
        it = m_threads.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (auto& t : finished) t.join();
}

void WireServer::SetHandler(Handler handler) {
  std::lock_guard<std::mutex> g(m_lock);
  m_handler = std::move(handler);
}

void WireServer::SetClosedHandler(std::function<void(int)> handler) {
  std::lock_guard<std::mutex> g(m_lock);
  m_closedHandler = std::move(handler);
}

void WireServer::AcceptLoop() {
  while (m_running) {
    ReapWorkers();
    pollfd p{m_listenFd, POLLIN, 0};
    if (poll(&p, 1, 50) <= 0) continue;
    int fd = accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    auto session = std::make_shared<Session>();
    session->fd = fd;
    std::lock_guard<std::mutex> g(m_lock);
    session->id = m_nextSession++;
    m_sessions[session->id] = session;
    StartWorker([this, session] { ReadLoop(session); });
  }
}

void WireServer::ReadLoop(std::shared_ptr<Session> session) {
  // Received bytes not yet taken as units: stream[taken, have). Reads go straight behind them.
  Bytes stream(8192);
  size_t have = 0;
  bool greeted = false;
  DWORD packetSerial = 0;
  bool packetReplyWanted = false;
  // The payloads of a packet of several units, joined; a packet of one unit is decoded where it
  // lies in the stream.
  Bytes joined;
  DWORD packetUnits = 0;
  const size_t READ_SIZE = 4096;
  while (session->open) {
    if (stream.size() < have + READ_SIZE) stream.resize(have + READ_SIZE);
    ssize_t got = recv(session->fd, stream.data() + have, READ_SIZE, 0);
    if (got <= 0) break;
    have += static_cast<size_t>(got);
    size_t taken = 0;
    if (!greeted) {
      if (have < 4) continue;
      DWORD n = ReadU32Le(stream.data());
      if (n > MAX_GREETING) break;
      if (have < 4 + n) continue;
      Bytes greeting(stream.begin() + 4, stream.begin() + 4 + n);
      taken = 4 + n;
      if (!m_expectedGreeting.empty() && greeting != m_expectedGreeting) break;
      greeted = true;
      std::lock_guard<std::mutex> g(m_lock);
      m_greetings.push_back(greeting);
      ++m_greeted;
      m_lastSession = session->id;
      m_changed.notify_all();
    }
    UnitView unit;
    long size = 0;
    bool bad = false;
    while ((size = ReadUnit(m_params, stream.data() + taken, have - taken, &unit)) > 0) {
      taken += static_cast<size_t>(size);
      if (unit.kind != 1 || unit.requestSerial == 0 || unit.segmentNumber == 0) {
        bad = true;
        break;
      }
      if (unit.segmentNumber == 1) {
        joined.clear();
        packetUnits = 0;
        packetSerial = unit.requestSerial;
        packetReplyWanted = unit.replyWanted != 0;
      } else if (unit.requestSerial != packetSerial || unit.segmentNumber != packetUnits + 1) {
        bad = true;
        break;
      }
      ++packetUnits;
      if (packetUnits == 1 && unit.lastFlag) {
        HandlePacket(session, packetSerial, packetReplyWanted, unit.payload, unit.payloadLength);
        packetUnits = 0;
        continue;
      }
      if (joined.size() + unit.payloadLength > MAX_PACKET) {
        bad = true;
        break;
      }
      joined.insert(joined.end(), unit.payload, unit.payload + unit.payloadLength);
      if (unit.lastFlag) {
        HandlePacket(session, packetSerial, packetReplyWanted, joined.data(), joined.size());
        joined.clear();
        packetUnits = 0;
      }
    }
    if (bad || size < 0) break;
    // What is left of a unit moves to the front for the next read.
    if (taken > 0) {
      memmove(stream.data(), stream.data() + taken, have - taken);
      have -= taken;
    }
  }
  session->open = false;
  // The socket goes with its reader, so that a long-running server keeps no descriptor per
  // connection it ever had; writers check for it under the write lock.
  {
    std::lock_guard<std::mutex> w(session->writeLock);
    shutdown(session->fd, SHUT_RDWR);
    close(session->fd);
    session->fd = -1;
  }
  std::function<void(int)> closed;
  {
    std::lock_guard<std::mutex> g(m_lock);
    m_sessions.erase(session->id);
    closed = m_closedHandler;
  }
  if (closed) closed(session->id);
}

void WireServer::HandlePacket(const std::shared_ptr<Session>& session, DWORD requestSerial, bool replyWanted,
                              const BYTE* encoded, size_t length) {
  Request request;
  request.session = session->id;
  request.requestSerial = requestSerial;
  request.replyWanted = replyWanted;
  if (!DecodePacket(m_params, encoded, length, &request.code, &request.data)) return;
  Handler handler;
  {
    std::lock_guard<std::mutex> g(m_lock);
    if (m_recordRequests) m_requests.push_back(request);
    handler = m_handler;
    m_changed.notify_all();
  }
  Reply reply = handler ? handler(request) : Reply{};
  // A request sent without reply wanted must not be answered: the client would take the
  // unexpected reply for a protocol error.
  if (!replyWanted || !reply.send || reply.written) return;
  if (reply.delayMs > 0) {
    std::lock_guard<std::mutex> g(m_lock);
    // Stop has taken the thread list under this lock once it cleared m_running.
    if (!m_running) return;
    StartWorker([this, session, requestSerial, reply] {
      std::this_thread::sleep_for(std::chrono::milliseconds(reply.delayMs));
      if (session->open) SendReply(session, requestSerial, reply);
    });
    return;
  }
  SendReply(session, requestSerial, reply);
}

void WireServer::SendReply(const std::shared_ptr<Session>& session, DWORD requestSerial, const Reply& reply) {
  std::lock_guard<std::mutex> g(session->writeLock);
  if (session->fd < 0) return;
  // The session's block is used again for its next reply, unless a large packet grew it.
  CByteBuffer& units = session->units;
  struct KeepSmall {
    CByteBuffer& units;
    ~KeepSmall() {
      if (units.GetCapacity() > KEPT_UNITS_CAPACITY) {
        CByteBuffer released;
        units.Swap(released);
      }
    }
  } keep{units};
  EncodeUnits(m_params, 2, requestSerial + reply.serialOffset, reply.result, reply.data.data(), reply.data.size(),
              &session->segmentSerial, reply.spoil, &units);
  const BYTE* bytes = units.PtrAt(0);
  const size_t size = units.GetLength();
  if (reply.closeMidPacket) {
    // Half of the reply, and at least 10 bytes (zeros where the reply is shorter).
    Bytes half(size / 2 > 10 ? size / 2 : 10);
    memcpy(half.data(), bytes, std::min(half.size(), size));
    send(session->fd, half.data(), half.size(), MSG_NOSIGNAL);
    session->open = false;
    shutdown(session->fd, SHUT_RDWR);
    return;
  }
  size_t sent = 0;
  while (sent < size) {
    ssize_t n = send(session->fd, bytes + sent, size - sent, MSG_NOSIGNAL);
    if (n <= 0) return;
    sent += static_cast<size_t>(n);
  }
}

bool WireServer::WriteAll(const std::shared_ptr<Session>& session, const Bytes& bytes) {
  if (session->fd < 0) return false;
  size_t sent = 0;
  while (sent < bytes.size()) {
    ssize_t n = send(session->fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

std::shared_ptr<WireServer::Session> WireServer::FindSession(int id) const {
  std::lock_guard<std::mutex> g(m_lock);
  auto it = m_sessions.find(id);
  return it == m_sessions.end() ? nullptr : it->second;
}

bool WireServer::Notify(int session, DWORD code, const Bytes& data, Spoil spoil) {
  std::vector<std::shared_ptr<Session>> targets;
  {
    std::lock_guard<std::mutex> g(m_lock);
    for (auto& [id, s] : m_sessions) {
      if ((session < 0 || id == session) && s->open) targets.push_back(s);
    }
  }
  bool any = false;
  for (auto& s : targets) {
    std::lock_guard<std::mutex> g(s->writeLock);
    Bytes units = EncodePacket(m_params, 1, ++s->notifySerial, code, data, &s->segmentSerial, spoil);
    any = WriteAll(s, units) || any;
  }
  return any;
}

bool WireServer::Answer(int session, DWORD requestSerial, const Reply& reply) {
  auto s = FindSession(session);
  if (!s || !s->open) return false;
  SendReply(s, requestSerial, reply);
  return true;
}

bool WireServer::SendRaw(int session, const Bytes& bytes) {
  auto s = FindSession(session);
  if (!s) return false;
  std::lock_guard<std::mutex> g(s->writeLock);
  return WriteAll(s, bytes);
}

void WireServer::CloseSession(int session) {
  auto s = FindSession(session);
  if (!s) return;
  s->open = false;
  std::lock_guard<std::mutex> w(s->writeLock);
  if (s->fd >= 0) shutdown(s->fd, SHUT_RDWR);
}

bool WireServer::WaitForSessions(int count, int timeoutMs) {
  std::unique_lock<std::mutex> g(m_lock);
  return m_changed.wait_for(g, std::chrono::milliseconds(timeoutMs), [&] { return m_greeted >= count; });
}

bool WireServer::WaitForRequests(size_t count, int timeoutMs) {
  std::unique_lock<std::mutex> g(m_lock);
  return m_changed.wait_for(g, std::chrono::milliseconds(timeoutMs), [&] { return m_requests.size() >= count; });
}

std::vector<Request> WireServer::Requests() const {
  std::lock_guard<std::mutex> g(m_lock);
  return m_requests;
}

std::vector<Bytes> WireServer::Greetings() const {
  std::lock_guard<std::mutex> g(m_lock);
  return m_greetings;
}

int WireServer::LastSession() const {
  std::lock_guard<std::mutex> g(m_lock);
  return m_lastSession;
}

}  // namespace testbed
