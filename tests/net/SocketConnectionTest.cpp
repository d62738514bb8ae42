// The connection against the testbed server on loopback: greeting, requests and replies,
// notifications, time-outs, late replies, damaged units and closes.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "net/Crc32.h"
#include "net/SocketConnection.h"
#include "net/WireBytes.h"
#include "platform/kernel/Time.h"
#include "platform/winsock/AsyncSelect.h"
#include "testbed/server/WireServer.h"

namespace {

// A name that cannot be resolved, refused by the resolver itself (a label longer than 63
// characters) so that no test sends a query off the machine.
const char UNRESOLVABLE[] = "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx.invalid";

using testbed::Bytes;
using testbed::Reply;
using testbed::Request;
using testbed::Spoil;
using testbed::WireServer;

const char GREETING[] = "Hello! Play Harbour.";

// One request on a connection; returns the SendAndWait result and fills reply and timedOut.
int SendRequest(CSocketConnection& connection, DWORD code, const Bytes& body, PacketRecord* reply, int* timedOut,
                DWORD timeoutMs, int replyWanted = 1) {
  PacketEnvelope envelope{};
  envelope.replyWanted = replyWanted;
  PacketRecord request{};
  request.head.code = code;
  request.length = static_cast<int32_t>(body.size());
  request.data = body.empty() ? nullptr : const_cast<BYTE*>(body.data());
  return connection.SendAndWait(&envelope, &request, reply, timedOut, timeoutMs, 0, 0, 1, nullptr, 0);
}

class ConnectionTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    WSADATA data;
    WSAStartup(MAKEWORD(1, 1), &data);
    RegisterSocketWindowClass();
  }

  void SetUp() override {
    ASSERT_TRUE(m_server.Start());
    // The receiving thread gets its queue before the connection may post to it.
    m_receiver = std::thread([this] { ReceiverLoop(); });
    while (!m_receiverReady) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }

  void TearDown() override {
    m_connection.Close();
    PostThreadMessageA(m_receiverId, WM_QUIT, 0, 0);
    m_receiver.join();
    m_server.Stop();
  }

  int Connect(HWND window = nullptr, DWORD thread = 0, bool useThread = true) {
    return m_connection.Connect("127.0.0.1", m_server.Port(), 5, window, useThread ? m_receiverId.load() : thread, 0,
                                reinterpret_cast<const BYTE*>(GREETING), sizeof GREETING, 0, 0);
  }

  // One request; returns the SendAndWait result and fills reply and timedOut.
  int Ask(DWORD code, const Bytes& body, PacketRecord* reply, int* timedOut, DWORD timeoutMs = 2000,
          int replyWanted = 1) {
    return SendRequest(m_connection, code, body, reply, timedOut, timeoutMs, replyWanted);
  }

  struct Arrived {
    DWORD code;
    Bytes data;
    LONG connectionId;
  };

  void ReceiverLoop() {
    m_receiverId = GetCurrentThreadId();
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    m_receiverReady = true;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
      if (msg.message != WM_PACKET_ARRIVED) continue;
      auto* envelope = reinterpret_cast<PacketEnvelope*>(msg.wParam);
      auto* record = reinterpret_cast<PacketRecord*>(msg.lParam);
      std::lock_guard<std::mutex> g(m_arrivedLock);
      m_arrived.push_back({record->head.code, Bytes(record->data, record->data + record->length),
                           envelope->connectionId});
      FreePacketData(record);
      delete record;
      delete envelope;
      m_arrivedChanged.notify_all();
    }
  }

  bool WaitArrived(size_t count, int ms = 3000) {
    std::unique_lock<std::mutex> g(m_arrivedLock);
    return m_arrivedChanged.wait_for(g, std::chrono::milliseconds(ms), [&] { return m_arrived.size() >= count; });
  }

  std::vector<Arrived> ArrivedPackets() {
    std::lock_guard<std::mutex> g(m_arrivedLock);
    return m_arrived;
  }

  WireServer m_server;
  CSocketConnection m_connection{testbed::DefaultPacketKey(), 128, 0x100, 0, 1, 4000};
  std::thread m_receiver;
  std::atomic<DWORD> m_receiverId{0};
  std::atomic<bool> m_receiverReady{false};
  std::mutex m_arrivedLock;
  std::condition_variable m_arrivedChanged;
  std::vector<Arrived> m_arrived;
};

TEST_F(ConnectionTest, GreetingThenRequestAndReply) {
  m_server.SetHandler([](const Request& r) {
    Reply reply;
    reply.data = r.data;
    reply.data.push_back(0x42);
    return reply;
  });
  ASSERT_EQ(1, Connect());
  EXPECT_GT(m_connection.GetConnectionId(), 0);
  ASSERT_TRUE(m_server.WaitForSessions(1, 2000));
  EXPECT_EQ(Bytes(GREETING, GREETING + sizeof GREETING), m_server.Greetings()[0]);

  Bytes body(32, 0x11);
  PacketRecord reply{};
  int timedOut = -1;
  ASSERT_EQ(1, Ask(201001, body, &reply, &timedOut));
  EXPECT_EQ(0, timedOut);
  EXPECT_EQ(10u, reply.head.code);
  ASSERT_EQ(33, reply.length);
  EXPECT_EQ(0x42, reply.data[32]);
  FreePacketData(&reply);
  auto requests = m_server.Requests();
  ASSERT_EQ(1u, requests.size());
  EXPECT_EQ(201001u, requests[0].code);
  EXPECT_EQ(1u, requests[0].requestSerial);
  EXPECT_EQ(body, requests[0].data);
}

TEST_F(ConnectionTest, LargeRequestsAndNotificationsSpanSeveralSegments) {
  m_server.SetHandler([](const Request& r) {
    Reply reply;
    reply.data.assign(r.data.rbegin(), r.data.rend());
    return reply;
  });
  ASSERT_EQ(1, Connect());
  ASSERT_TRUE(m_server.WaitForSessions(1, 2000));
  Bytes body(9000);
  for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<BYTE>(i * 7);
  PacketRecord reply{};
  int timedOut = 0;
  ASSERT_EQ(1, Ask(5, body, &reply, &timedOut));
  ASSERT_EQ(9000, reply.length);
  EXPECT_EQ(0, memcmp(reply.data, Bytes(body.rbegin(), body.rend()).data(), 9000));
  FreePacketData(&reply);

  Bytes big(20000, 0x5A);
  ASSERT_TRUE(m_server.Notify(-1, 211000, big));
  ASSERT_TRUE(m_server.Notify(-1, 211001, Bytes{1, 2, 3}));
  ASSERT_TRUE(WaitArrived(2));
  auto arrived = ArrivedPackets();
  EXPECT_EQ(211000u, arrived[0].code);
  EXPECT_EQ(big, arrived[0].data);
  EXPECT_EQ(211001u, arrived[1].code);
  EXPECT_EQ(m_connection.GetConnectionId(), arrived[1].connectionId);
}

// A sending thread builds its requests in buffers it keeps: each request must go out alone and
// whole, whatever the thread sent before it (larger, smaller, several segments, a refused record,
// one large enough that its buffers are given back afterwards).
TEST_F(ConnectionTest, RequestsOfChangingSizesFromOneThreadArriveExactly) {
  m_server.SetHandler([](const Request& r) {
    Reply reply;
    reply.data = r.data;
    return reply;
  });
  ASSERT_EQ(1, Connect());
  ASSERT_TRUE(m_server.WaitForSessions(1, 2000));
  const size_t sizes[] = {9000, 32, 0, 100000, 5, 3999, 4001, 70000, 16, 1};
  std::vector<Bytes> sent;
  for (size_t i = 0; i < std::size(sizes); ++i) {
    Bytes body(sizes[i]);
    for (size_t j = 0; j < body.size(); ++j) body[j] = static_cast<BYTE>(j * 13 + i);
    PacketRecord reply{};
    int timedOut = 0;
    ASSERT_EQ(1, Ask(300 + static_cast<DWORD>(i), body, &reply, &timedOut)) << sizes[i];
    EXPECT_EQ(body, Bytes(reply.data, reply.data + reply.length)) << sizes[i];
    FreePacketData(&reply);
    sent.push_back(body);
    if (i == 1) {
      // A record that makes no stream is refused before anything is sent.
      PacketEnvelope envelope{};
      envelope.replyWanted = 1;
      PacketRecord broken{};
      broken.length = 40;
      EXPECT_EQ(0, m_connection.SendAndWait(&envelope, &broken, &reply, &timedOut, 2000, 0, 0, 1, nullptr, 0));
    }
  }
  const auto requests = m_server.Requests();
  ASSERT_EQ(sent.size(), requests.size());
  for (size_t i = 0; i < sent.size(); ++i) {
    EXPECT_EQ(300 + i, requests[i].code);
    EXPECT_EQ(sent[i], requests[i].data) << sizes[i];
  }
}

TEST_F(ConnectionTest, RequestWithoutReplyReturnsAtOnce) {
  ASSERT_EQ(1, Connect());
  PacketRecord reply{};
  reply.length = 77;  // left as the caller set it
  int timedOut = 0;
  EXPECT_EQ(1, Ask(201210, Bytes(4, 1), &reply, &timedOut, 2000, 0));
  EXPECT_EQ(77, reply.length);
  ASSERT_TRUE(m_server.WaitForRequests(1, 2000));
  EXPECT_FALSE(m_server.Requests()[0].replyWanted);
}

TEST_F(ConnectionTest, TimeoutAndALateReplyIsNeverTakenForTheNextOne) {
  std::atomic<int> n{0};
  m_server.SetHandler([&](const Request& r) {
    Reply reply;
    reply.data = r.data;
    // The first answer comes after its request timed out, while the second request waits.
    reply.delayMs = ++n == 1 ? 300 : 500;
    return reply;
  });
  ASSERT_EQ(1, Connect());
  PacketRecord reply{};
  int timedOut = 0;
  EXPECT_EQ(0, Ask(1001, Bytes{1}, &reply, &timedOut, 100));
  EXPECT_EQ(1, timedOut);
  EXPECT_EQ(1, Ask(1002, Bytes{2}, &reply, &timedOut, 3000));
  ASSERT_EQ(1, reply.length);
  EXPECT_EQ(2, reply.data[0]);
  FreePacketData(&reply);
  // No code 2: the late reply was an earlier serial, which the connection ignores.
  EXPECT_FALSE(WaitArrived(1, 200));
}

TEST_F(ConnectionTest, ALateReplyThatNobodyWaitsForLeavesTheConnectionUp) {
  std::atomic<int> n{0};
  m_server.SetHandler([&](const Request& r) {
    Reply reply;
    reply.data = r.data;
    // The first answer comes after its request gave up and after the second was answered.
    reply.delayMs = ++n == 1 ? 300 : 0;
    return reply;
  });
  ASSERT_EQ(1, Connect());
  PacketRecord reply{};
  int timedOut = 0;
  EXPECT_EQ(0, Ask(1001, Bytes{1}, &reply, &timedOut, 100));
  EXPECT_EQ(1, timedOut);
  EXPECT_EQ(1, Ask(1002, Bytes{2}, &reply, &timedOut, 3000));
  FreePacketData(&reply);
  // No broken stream comes of it: nothing arrives, and the next request is answered.
  EXPECT_FALSE(WaitArrived(1, 1000));
  EXPECT_EQ(1, Ask(1003, Bytes{3}, &reply, &timedOut, 3000));
  ASSERT_EQ(1, reply.length);
  EXPECT_EQ(3, reply.data[0]);
  FreePacketData(&reply);
}

// A connection that holds the worker inside OnReply, with a late reply decoded but not yet
// stored, until the next request has registered its serial: the moment where a late reply must
// not cancel the registration of the request that now waits.
class LateReplyConnection : public CSocketConnection {
 public:
  LateReplyConnection() : CSocketConnection(testbed::DefaultPacketKey(), 128, 0x100, 0, 1, 4000) {
    m_registered = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  }
  ~LateReplyConnection() override {
    Close();
    CloseHandle(m_registered);
  }
  void SetExpectedReply(DWORD serial, PeerRecord* peer) override {
    CSocketConnection::SetExpectedReply(serial, peer);
    if (serial >= 2) SetEvent(m_registered);
  }
  int OnReply(const BYTE* block, DWORD length, PeerRecord* peer) override {
    if (ReadU32Le(block + 4) == 1) WaitForSingleObject(m_registered, 2000);
    return CSocketConnection::OnReply(block, length, peer);
  }

 private:
  HANDLE m_registered;
};

TEST_F(ConnectionTest, ALateReplyStoredWhileTheNextRequestRegistersLeavesItsRegistration) {
  m_server.SetHandler([](const Request& r) {
    Reply reply;
    reply.data = r.data;
    reply.delayMs = r.requestSerial == 1 ? 200 : 100;
    return reply;
  });
  LateReplyConnection connection;
  ASSERT_EQ(1, connection.Connect("127.0.0.1", m_server.Port(), 5, nullptr, m_receiverId, 0,
                                  reinterpret_cast<const BYTE*>(GREETING), sizeof GREETING, 0, 0));
  auto ask = [&](BYTE value, DWORD timeoutMs, PacketRecord* reply, int* timedOut) {
    return SendRequest(connection, 1001, Bytes{value}, reply, timedOut, timeoutMs);
  };
  PacketRecord reply{};
  int timedOut = 0;
  EXPECT_EQ(0, ask(1, 50, &reply, &timedOut));
  EXPECT_EQ(1, timedOut);
  // Wait until the first reply is being decoded, then send the second request.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(1, ask(2, 3000, &reply, &timedOut));
  ASSERT_EQ(1, reply.length);
  EXPECT_EQ(2, reply.data[0]);
  FreePacketData(&reply);
  // The second reply was awaited: no protocol error was reported.
  EXPECT_FALSE(WaitArrived(1, 200));
  connection.Close();
}

// A connection whose worker thread is held busy in its first socket notification (the socket
// is writable once it is connected) until the test lets it go.
class BusyWorkerConnection : public CSocketConnection {
 public:
  BusyWorkerConnection() : CSocketConnection(testbed::DefaultPacketKey(), 128, 0x100, 0, 1, 4000) {
    m_busy = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    m_free = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  }
  ~BusyWorkerConnection() override {
    SetEvent(m_free);
    Close();
    CloseHandle(m_busy);
    CloseHandle(m_free);
  }
  int OnSocketWrite() override {
    SetEvent(m_busy);
    WaitForSingleObject(m_free, 20000);
    return CSocketConnection::OnSocketWrite();
  }
  HANDLE m_busy;
  HANDLE m_free;
};

// The sender reads its reply itself: a worker thread busy with something else does not hold it
// up, and the worker still handles what comes once it is free.
TEST_F(ConnectionTest, AReplyReachesItsSenderWhileTheWorkerIsBusy) {
  m_server.SetHandler([](const Request& r) {
    Reply reply;
    reply.data = r.data;
    return reply;
  });
  BusyWorkerConnection connection;
  ASSERT_EQ(1, connection.Connect("127.0.0.1", m_server.Port(), 5, nullptr, m_receiverId, 0,
                                  reinterpret_cast<const BYTE*>(GREETING), sizeof GREETING, 0, 0));
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(connection.m_busy, 10000));
  for (BYTE value : {BYTE(5), BYTE(6)}) {
    PacketRecord reply{};
    int timedOut = 0;
    ASSERT_EQ(1, SendRequest(connection, 1001, Bytes{value}, &reply, &timedOut, 15000));
    ASSERT_EQ(1, reply.length);
    EXPECT_EQ(value, reply.data[0]);
    FreePacketData(&reply);
  }
  SetEvent(connection.m_free);
  ASSERT_TRUE(m_server.Notify(m_server.LastSession(), 5005, Bytes{1, 2}));
  ASSERT_TRUE(WaitArrived(1, 5000));
  EXPECT_EQ(5005u, ArrivedPackets()[0].code);
}

// Pushes the server sends before a reply reach the receiver before the request returns, in the
// order sent, and a push after the request is delivered by the worker again.
TEST_F(ConnectionTest, PushesAroundARequestKeepTheirOrder) {
  const DWORD before[] = {5101, 5102, 5103};
  m_server.SetHandler([&](const Request& r) {
    for (DWORD code : before) m_server.Notify(r.session, code, Bytes{static_cast<BYTE>(code)});
    Reply reply;
    reply.data = r.data;
    return reply;
  });
  // This thread is the receiver, and looks at its queue only once the request has returned.
  MSG msg;
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
  ASSERT_EQ(1, Connect(nullptr, GetCurrentThreadId(), false));
  auto take = [&](DWORD waitMs) -> DWORD {
    if (waitMs && !PeekMessageA(&msg, nullptr, WM_PACKET_ARRIVED, WM_PACKET_ARRIVED, PM_NOREMOVE))
      MsgWaitForMultipleObjects(0, nullptr, FALSE, waitMs, QS_ALLPOSTMESSAGE);
    if (!PeekMessageA(&msg, nullptr, WM_PACKET_ARRIVED, WM_PACKET_ARRIVED, PM_REMOVE)) return 0;
    auto* envelope = reinterpret_cast<PacketEnvelope*>(msg.wParam);
    auto* record = reinterpret_cast<PacketRecord*>(msg.lParam);
    DWORD code = record->head.code;
    FreePacketData(record);
    delete record;
    delete envelope;
    return code;
  };
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE("request " + std::to_string(round));
    PacketRecord reply{};
    int timedOut = 0;
    ASSERT_EQ(1, Ask(7, Bytes{7, static_cast<BYTE>(round)}, &reply, &timedOut, 10000));
    EXPECT_EQ(2, reply.length);
    FreePacketData(&reply);
    for (DWORD code : before) EXPECT_EQ(code, take(0));
    EXPECT_EQ(0u, take(0));
    ASSERT_TRUE(m_server.Notify(m_server.LastSession(), 5200, Bytes{1}));
    EXPECT_EQ(5200u, take(10000));
  }
}

// A request marked to move the run id on splits the notifications around its reply: those read
// before it keep the old id, those read after it carry the new one. Only the marking thread's
// next request is marked, and only once.
TEST_F(ConnectionTest, AMarkedRequestsReplyMovesTheRunIdOnBetweenThePushesAroundIt) {
  m_server.SetHandler([&](const Request& r) {
    m_server.Notify(r.session, 5300 + r.code, Bytes{static_cast<BYTE>(r.code)});
    Reply reply;
    reply.data = r.data;
    return reply;
  });
  ASSERT_EQ(1, Connect());
  const LONG first = m_connection.GetConnectionId();
  auto ask = [&](DWORD code) {
    PacketRecord reply{};
    int timedOut = 0;
    ASSERT_EQ(1, Ask(code, Bytes{1}, &reply, &timedOut, 10000));
    FreePacketData(&reply);
  };
  ask(1);
  EXPECT_EQ(first, m_connection.GetConnectionId());
  // Another thread's mark is not this thread's.
  std::thread([&] { m_connection.MoveIdOnAtNextReply(); }).join();
  ask(2);
  EXPECT_EQ(first, m_connection.GetConnectionId());
  m_connection.MoveIdOnAtNextReply();
  ask(3);
  EXPECT_EQ(first + 1, m_connection.GetConnectionId());
  ask(4);
  ASSERT_TRUE(m_server.Notify(m_server.LastSession(), 5400, Bytes{1}));
  ASSERT_TRUE(WaitArrived(5));
  auto arrived = ArrivedPackets();
  const std::vector<std::pair<DWORD, LONG>> expected = {
      {5301, first}, {5302, first}, {5303, first}, {5304, first + 1}, {5400, first + 1}};
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(expected[i].first, arrived[i].code) << i;
    EXPECT_EQ(expected[i].second, arrived[i].connectionId) << i;
  }
  EXPECT_EQ(first + 1, m_connection.GetConnectionId());
}

// After its request a sender keeps reading for itself only while it goes on requesting: a push
// that comes afterwards reaches the receiver however the sender goes on (with the keep limit
// out of reach where the sender's own doing must give the socket back).
TEST_F(ConnectionTest, APushAfterARequestReachesTheReceiverHoweverTheSenderGoesOn) {
  enum Then { ENDS, BLOCKS_IN_A_WAIT, SLEEPS, ASKS_AGAIN, RUNS_ON_WITHOUT_WAITING };
  const struct Case {
    const char* what;
    Then then;
    DWORD keepLimitMs;
  } cases[] = {
      {"the sender's thread ends", ENDS, 600000},
      {"the sender blocks in a wait", BLOCKS_IN_A_WAIT, 600000},
      {"the sender sleeps", SLEEPS, 600000},
      {"the sender asks again: it reads the push on the way", ASKS_AGAIN, 600000},
      {"the sender runs on without waiting: the keep limit passes", RUNS_ON_WITHOUT_WAITING, 10},
  };
  m_server.SetHandler([](const Request& r) {
    Reply reply;
    reply.data = r.data;
    return reply;
  });
  ASSERT_EQ(1, Connect());
  HANDLE never = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  DWORD code = 5300;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    platform::SetOwnReadKeepLimit(c.keepLimitMs);
    const size_t before = ArrivedPackets().size();
    // The sender's stages; it waits for the test in waits of the standard library, which give
    // nothing back.
    std::mutex lock;
    std::condition_variable changed;
    int stage = 0;  // 1: asked, 2: pushed, 3: done
    auto reach = [&](int s) {
      std::lock_guard<std::mutex> g(lock);
      stage = s;
      changed.notify_all();
    };
    auto await = [&](int s) {
      std::unique_lock<std::mutex> g(lock);
      changed.wait(g, [&] { return stage >= s; });
    };
    std::thread sender([&] {
      PacketRecord reply{};
      int timedOut = 0;
      EXPECT_EQ(1, Ask(8, Bytes{8}, &reply, &timedOut, 10000));
      FreePacketData(&reply);
      reach(1);
      await(2);
      switch (c.then) {
        case ENDS: break;
        case BLOCKS_IN_A_WAIT: WaitForSingleObject(never, 1); break;
        case SLEEPS: Sleep(1); break;
        case ASKS_AGAIN:
          EXPECT_EQ(1, Ask(9, Bytes{9}, &reply, &timedOut, 10000));
          FreePacketData(&reply);
          break;
        case RUNS_ON_WITHOUT_WAITING: break;
      }
      if (c.then != ENDS) await(3);
    });
    await(1);
    ASSERT_TRUE(m_server.Notify(m_server.LastSession(), ++code, Bytes{1}));
    reach(2);
    EXPECT_TRUE(WaitArrived(before + 1, 10000));
    reach(3);
    sender.join();
    auto arrived = ArrivedPackets();
    EXPECT_EQ(before + 1, arrived.size());
    if (arrived.size() > before) {
      EXPECT_EQ(code, arrived[before].code);
    }
  }
  platform::SetOwnReadKeepLimit(10);
  CloseHandle(never);
}

// A connection that drops while the sender reads its reply itself is reported to the receiver
// at once, not when the sender gives up.
TEST_F(ConnectionTest, ADropWhileTheSenderReadsIsReportedWhileItWaits) {
  m_server.SetHandler([](const Request&) {
    Reply reply;
    reply.data = Bytes(6000, 1);
    reply.closeMidPacket = true;
    return reply;
  });
  ASSERT_EQ(1, Connect());
  std::atomic<bool> returned{false};
  std::atomic<int> result{-1};
  std::thread sender([&] {
    PacketRecord reply{};
    int timedOut = 0;
    result = Ask(3, Bytes{3}, &reply, &timedOut, 60000);
    returned = true;
  });
  EXPECT_TRUE(WaitArrived(1, 20000));
  EXPECT_FALSE(returned);
  m_connection.Close();
  sender.join();
  EXPECT_EQ(0, result);
  auto arrived = ArrivedPackets();
  ASSERT_EQ(1u, arrived.size());
  EXPECT_EQ(1u, arrived[0].code);
}

TEST_F(ConnectionTest, CloseWakesAWaitingSenderAtOnce) {
  m_server.SetHandler([](const Request&) {
    Reply reply;
    reply.send = false;
    return reply;
  });
  ASSERT_EQ(1, Connect());
  std::atomic<int> result{-1}, timedOut{0};
  auto start = std::chrono::steady_clock::now();
  std::thread sender([&] {
    PacketRecord reply{};
    int t = 0;
    result = Ask(7, Bytes{7}, &reply, &t, 60000);
    timedOut = t;
  });
  ASSERT_TRUE(m_server.WaitForRequests(1, 2000));
  m_connection.Close();
  sender.join();
  EXPECT_EQ(0, result);
  EXPECT_EQ(1, timedOut);
  // Far under the minute the sender would otherwise wait, however loaded the machine.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
  EXPECT_EQ(0, m_connection.GetConnectionId());
  EXPECT_EQ(INVALID_SOCKET, m_connection.GetSocket());
}

// A connection whose Close, once it has waited for the senders in flight and is about to free the
// peers, lets a new sender in: the sender finds the peer and then waits (a bounded time) until
// Close has returned before it looks at the peer.
class CloseRaceConnection : public CSocketConnection {
 public:
  CloseRaceConnection() : CSocketConnection(testbed::DefaultPacketKey(), 128, 0x100, 0, 1, 4000) {
    m_found = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    m_closed = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  }
  ~CloseRaceConnection() override {
    if (m_sender.joinable()) m_sender.join();
    CloseHandle(m_found);
    CloseHandle(m_closed);
  }
  PeerRecord* GetFirstPeer(std::string* key) override {
    PeerRecord* peer = CSocketConnection::GetFirstPeer(key);
    if (GetCurrentThreadId() == m_senderId) {
      SetEvent(m_found);
      WaitForSingleObject(m_closed, 500);
    }
    return peer;
  }
  void RemoveAllPeers() override {
    if (m_race) {
      m_race = false;
      m_sender = std::thread([this] {
        m_senderId = GetCurrentThreadId();
        PacketRecord reply{};
        int timedOut = 0;
        m_result = SendRequest(*this, 1, Bytes{1}, &reply, &timedOut, 1000);
      });
      WaitForSingleObject(m_found, 2000);
    }
    CSocketConnection::RemoveAllPeers();
  }
  void CloseWithARacingSender() {
    m_race = true;
    Close();
    SetEvent(m_closed);
    m_sender.join();
  }
  LONG InFlight() { return InterlockedCompareExchange(&m_inFlight, 0, 0); }
  int Result() const { return m_result; }

 private:
  bool m_race = false;
  std::thread m_sender;
  std::atomic<DWORD> m_senderId{0};
  HANDLE m_found;
  HANDLE m_closed;
  std::atomic<int> m_result{-1};
};

TEST_F(ConnectionTest, ASenderArrivingWhileCloseFreesThePeersFailsWithoutTouchingThem) {
  CloseRaceConnection connection;
  ASSERT_EQ(1, connection.Connect("127.0.0.1", m_server.Port(), 5, nullptr, m_receiverId, 0,
                                  reinterpret_cast<const BYTE*>(GREETING), sizeof GREETING, 0, 0));
  connection.CloseWithARacingSender();
  EXPECT_EQ(0, connection.Result());
  // Every sender that entered has left: the count is exact, so the next Close waits for the next
  // run's senders.
  EXPECT_EQ(0, connection.InFlight());
}

// Every damage to the stream ends in one code-2 record for the receiver, without a crash.
TEST_F(ConnectionTest, DamagedRepliesAreProtocolErrors) {
  struct Case {
    const char* name;
    Spoil spoil;
    DWORD serialOffset;
  } cases[] = {
      {"bad CRC", Spoil::BAD_CRC, 0},
      {"unit without payload", Spoil::SHORT_UNIT, 0},
      {"unit longer than the largest payload", Spoil::OVERLONG_UNIT, 0},
      {"payload length word disagrees", Spoil::LENGTH_MISMATCH, 0},
      {"reply with a later serial", Spoil::NONE, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    m_server.SetHandler([&](const Request&) {
      Reply reply;
      reply.spoil = c.spoil;
      reply.serialOffset = c.serialOffset;
      reply.data = Bytes(10, 3);
      return reply;
    });
    {
      std::lock_guard<std::mutex> g(m_arrivedLock);
      m_arrived.clear();
    }
    ASSERT_EQ(1, Connect());
    PacketRecord reply{};
    int timedOut = 0;
    EXPECT_EQ(0, Ask(9, Bytes{9}, &reply, &timedOut, 500));
    ASSERT_TRUE(WaitArrived(1));
    EXPECT_EQ(2u, ArrivedPackets()[0].code);
    m_connection.Close();
  }
}

TEST_F(ConnectionTest, GarbageAndAReplyNobodyWaitsForAreProtocolErrors) {
  ASSERT_EQ(1, Connect());
  ASSERT_TRUE(m_server.WaitForSessions(1, 2000));
  // A well-formed reply that nobody asked for.
  DWORD segmentSerial = 0;
  testbed::WireParams params;
  params.key = testbed::DefaultPacketKey();
  Bytes unit = testbed::EncodePacket(params, 2, 1, 10, Bytes{1}, &segmentSerial);
  ASSERT_TRUE(m_server.SendRaw(m_server.LastSession(), unit));
  ASSERT_TRUE(WaitArrived(1));
  EXPECT_EQ(2u, ArrivedPackets()[0].code);
  // Whatever follows is dropped, not read as units.
  ASSERT_TRUE(m_server.SendRaw(m_server.LastSession(), Bytes(5000, 0xFF)));
  EXPECT_FALSE(WaitArrived(2, 200));
}

// Cuts a run of units into its units.
std::vector<Bytes> SplitUnits(const Bytes& units) {
  std::vector<Bytes> out;
  for (size_t at = 0; at + 4 <= units.size();) {
    size_t size = ReadU32Le(units.data() + at) + 4;
    out.emplace_back(units.begin() + at, units.begin() + at + size);
    at += size;
  }
  return out;
}

// Notification reassembly: a gap abandons the packet quietly and the next segment 1 starts a new
// one; a unit without a CRC is taken on a CRC connection; a 24-byte unit is passed over.
TEST_F(ConnectionTest, NotificationGapsAreDroppedAndUnitsWithoutCrcAreTaken) {
  ASSERT_EQ(1, Connect());
  ASSERT_TRUE(m_server.WaitForSessions(1, 2000));
  testbed::WireParams params;
  params.key = testbed::DefaultPacketKey();
  DWORD segmentSerial = 0;
  std::vector<Bytes> big = SplitUnits(testbed::EncodePacket(params, 1, 7, 211000, Bytes(9000, 1), &segmentSerial));
  ASSERT_EQ(3u, big.size());
  // Segments 1, 3, 2, 3: the gap ends the packet, so the 2 and 3 that follow belong to nothing.
  Bytes stream;
  for (int i : {0, 2, 1, 2}) stream.insert(stream.end(), big[i].begin(), big[i].end());
  Bytes empty(28, 0);
  WriteU32Le(empty.data(), 24);
  stream.insert(stream.end(), empty.begin(), empty.end());
  Bytes small = testbed::EncodePacket(params, 1, 8, 211001, Bytes{5, 6}, &segmentSerial);
  WriteU32Le(small.data() + 12, 0);  // CRC flag
  WriteU32Le(small.data() + 16, 0);  // CRC
  stream.insert(stream.end(), small.begin(), small.end());
  ASSERT_TRUE(m_server.SendRaw(m_server.LastSession(), stream));
  ASSERT_TRUE(WaitArrived(1));
  EXPECT_FALSE(WaitArrived(2, 200));
  auto arrived = ArrivedPackets();
  EXPECT_EQ(211001u, arrived[0].code);
  EXPECT_EQ((Bytes{5, 6}), arrived[0].data);
}

TEST_F(ConnectionTest, ServerCloseIsReportedAsCode1) {
  ASSERT_EQ(1, Connect());
  ASSERT_TRUE(m_server.WaitForSessions(1, 2000));
  m_server.CloseSession(m_server.LastSession());
  ASSERT_TRUE(WaitArrived(1));
  EXPECT_EQ(1u, ArrivedPackets()[0].code);
  // Once the close is reported the connection no longer counts as up, though its socket is open
  // until the owner closes it: a request that failed now failed on a dropped connection.
  EXPECT_FALSE(m_connection.IsConnected());
}

TEST_F(ConnectionTest, CloseInTheMiddleOfAReply) {
  m_server.SetHandler([](const Request&) {
    Reply reply;
    reply.data = Bytes(6000, 1);
    reply.closeMidPacket = true;
    return reply;
  });
  ASSERT_EQ(1, Connect());
  PacketRecord reply{};
  int timedOut = 0;
  EXPECT_EQ(0, Ask(3, Bytes{3}, &reply, &timedOut, 500));
  ASSERT_TRUE(WaitArrived(1));
  EXPECT_EQ(1u, ArrivedPackets()[0].code);
  EXPECT_FALSE(m_connection.IsConnected());
  // Nothing more is sent on it.
  EXPECT_EQ(0, Ask(4, Bytes{4}, &reply, &timedOut, 500));
  EXPECT_EQ(0, timedOut);
}

TEST_F(ConnectionTest, RunsGetNewIdsAndCloseResets) {
  ASSERT_EQ(1, Connect());
  LONG first = m_connection.GetConnectionId();
  m_connection.Close();
  EXPECT_EQ(0, m_connection.GetConnectionId());
  ASSERT_EQ(1, Connect());
  EXPECT_EQ(first + 1, m_connection.GetConnectionId());
  EXPECT_TRUE(m_connection.IsConnected());
}

TEST_F(ConnectionTest, RefusedConnectionFailsQuicklyAndLeavesNothing) {
  // A port that was free a moment ago: nobody listens there.
  WireServer probe;
  ASSERT_TRUE(probe.Start());
  uint16_t port = probe.Port();
  probe.Stop();
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(0, m_connection.Connect("127.0.0.1", port, 60, nullptr, m_receiverId, 0,
                                    reinterpret_cast<const BYTE*>(GREETING), sizeof GREETING, 0, 0));
  // Far under the minute of the time-out, however loaded the machine.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
  EXPECT_EQ(INVALID_SOCKET, m_connection.GetSocket());
  EXPECT_EQ(0, m_connection.GetConnectionId());
  PacketRecord reply{};
  int timedOut = 0;
  EXPECT_EQ(0, Ask(1, Bytes{1}, &reply, &timedOut, 100));
  EXPECT_EQ(0, timedOut);
}

TEST_F(ConnectionTest, UnresolvableHostAndTwoReceiversAreRefused) {
  EXPECT_EQ(0, m_connection.Connect(UNRESOLVABLE, m_server.Port(), 2, nullptr, m_receiverId, 0,
                                    reinterpret_cast<const BYTE*>(GREETING), sizeof GREETING, 0, 0));
  EXPECT_EQ(0, m_connection.Connect("127.0.0.1", m_server.Port(), 2, reinterpret_cast<HWND>(0x1234), m_receiverId,
                                    0, reinterpret_cast<const BYTE*>(GREETING), sizeof GREETING, 0, 0));
  EXPECT_EQ(0, m_connection.GetConnectionId());
}

TEST_F(ConnectionTest, ASecondWindowClassRegistrationFailsAndTheFirstStaysUsable) {
  // The suite registered the class already.
  EXPECT_EQ(0, RegisterSocketWindowClass());
  ASSERT_EQ(1, Connect());
  PacketRecord reply{};
  int timedOut = 0;
  ASSERT_EQ(1, Ask(1, Bytes{1}, &reply, &timedOut));
  FreePacketData(&reply);
}

TEST(ResolveAddress, EmptyHostDottedAndUnresolvable) {
  sockaddr_in a;
  EXPECT_EQ(1, ResolveAddress("", 80, &a));
  EXPECT_EQ(htonl(INADDR_ANY), a.sin_addr.s_addr);
  EXPECT_EQ(htons(80), a.sin_port);
  EXPECT_EQ(1, ResolveAddress("127.0.0.1", 31380, &a));
  EXPECT_EQ(inet_addr("127.0.0.1"), a.sin_addr.s_addr);
  EXPECT_EQ(0, ResolveAddress(UNRESOLVABLE, 1, &a));
  EXPECT_EQ(WSAEINVAL, WSAGetLastError());
}

TEST(Crc32, MatchesTheStandardCheckValue) {
  EXPECT_EQ(0xCBF43926u, CCrc32::Compute("123456789", 9));
  EXPECT_EQ(0u, CCrc32::Compute(nullptr, 5));
  EXPECT_EQ(0u, CCrc32::Compute("x", 0));
}

}  // namespace
