// MFC's asynchronous socket on loopback: connect outcomes, receive/send/close call-backs, their
// delivery on the creating thread's message loop, and the hand-over of the handle.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/kernel/KernelObject.h"
#include "platform/mfc/AsyncSocket.h"
#include "platform/winsock/AsyncSelect.h"
#include "platform/user/User.h"
#include "tests/support/LoopbackSockets.h"

using namespace testsupport;

namespace {

// Records its call-backs as "Connect(0)", "Send(0)", ...
class RecordingSocket : public CAsyncSocket {
 public:
  std::vector<std::string> m_calls;
  DWORD m_thread = 0;
  std::string m_received;
  std::function<void(RecordingSocket&)> m_onReceive;

  std::string Calls() const {
    std::string out;
    for (const std::string& c : m_calls) out += (out.empty() ? "" : " ") + c;
    return out.empty() ? "-" : out;
  }

 protected:
  void Record(const char* name, int error) {
    m_calls.push_back(std::string(name) + "(" + std::to_string(error) + ")");
    m_thread = GetCurrentThreadId();
  }
  void OnConnect(int error) override { Record("Connect", error); }
  void OnSend(int error) override { Record("Send", error); }
  void OnClose(int error) override { Record("Close", error); }
  void OnAccept(int error) override { Record("Accept", error); }
  void OnReceive(int error) override {
    Record("Receive", error);
    char buffer[256];
    int n = Receive(buffer, sizeof(buffer));
    if (n > 0) m_received.append(buffer, (size_t)n);
    if (m_onReceive) m_onReceive(*this);
  }
};

// Runs the calling thread's message loop until the condition holds (at most 5 s), then once more
// after the poll thread has had a full look, so that extra call-backs show up too.
void PumpUntil(const std::function<bool()>& done) {
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  auto pump = [] {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  };
  while (!done() && std::chrono::steady_clock::now() < end) {
    pump();
    if (!done()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  platform::FlushSocketNotifications();
  pump();
}

// Lets everything that is due arrive, without waiting for anything in particular.
void Settle() { PumpUntil([] { return true; }); }

class AsyncSocket : public ::testing::Test {
 protected:
  WinSockSession m_session;
};

TEST_F(AsyncSocket, ConnectOutcomes) {
  USHORT port = 0;
  SOCKET listener = ListenLoopback(&port);
  struct Case {
    const char* what;
    const char* host;
    USHORT port;
    const char* calls;
  } cases[] = {
      {"listening, dotted address", "127.0.0.1", port, "Connect(0) Send(0)"},
      {"listening, host name", "localhost", port, "Connect(0) Send(0)"},
      {"closed port", "127.0.0.1", ClosedLoopbackPort(), "Connect(10061)"},
  };
  for (const Case& c : cases) {
    RecordingSocket s;
    ASSERT_TRUE(s.Create()) << c.what;
    ASSERT_NE(INVALID_SOCKET, s.m_hSocket);
    EXPECT_FALSE(s.Connect(c.host, c.port)) << c.what;
    EXPECT_EQ(WSAEWOULDBLOCK, CAsyncSocket::GetLastError()) << c.what;
    EXPECT_EQ("-", s.Calls()) << "nothing before the loop runs: " << c.what;
    PumpUntil([&] { return !s.m_calls.empty() && (s.m_calls[0] != "Connect(0)" || s.m_calls.size() >= 2); });
    EXPECT_EQ(c.calls, s.Calls()) << c.what;
    EXPECT_EQ(GetCurrentThreadId(), s.m_thread) << c.what;
    if (c.port == port) closesocket(accept(listener, nullptr, nullptr));
  }
  closesocket(listener);
}

TEST_F(AsyncSocket, UnresolvableHostFailsAtOnce) {
  RecordingSocket s;
  ASSERT_TRUE(s.Create());
  EXPECT_FALSE(s.Connect("no such host", 80));
  EXPECT_EQ(WSAEINVAL, CAsyncSocket::GetLastError());
  EXPECT_FALSE(s.Connect((LPCTSTR) nullptr, 80));
  EXPECT_EQ(WSAEINVAL, CAsyncSocket::GetLastError());
  Settle();
  EXPECT_EQ("-", s.Calls());
}

TEST_F(AsyncSocket, ReceiveSendAndClose) {
  USHORT port = 0;
  SOCKET listener = ListenLoopback(&port);
  RecordingSocket s;
  ASSERT_TRUE(s.Create());
  s.Connect("127.0.0.1", port);
  PumpUntil([&] { return s.m_calls.size() >= 2; });
  ASSERT_EQ("Connect(0) Send(0)", s.Calls());
  s.m_calls.clear();
  SOCKET peer = accept(listener, nullptr, nullptr);
  ASSERT_NE(INVALID_SOCKET, peer);

  ASSERT_TRUE(SendAll(peer, "proxy reply"));
  PumpUntil([&] { return s.m_received.size() >= 11; });
  EXPECT_EQ("proxy reply", s.m_received);
  EXPECT_EQ("Receive(0)", s.Calls());
  s.m_calls.clear();

  EXPECT_EQ(5, s.Send("hello", 5));
  EXPECT_EQ("hello", ReceiveExactly(peer, 5));
  closesocket(peer);
  PumpUntil([&] { return !s.m_calls.empty(); });
  EXPECT_EQ("Close(0)", s.Calls());
  closesocket(listener);
}

TEST_F(AsyncSocket, CloseInsideACallBackEndsTheCallBacks) {
  USHORT port = 0;
  SOCKET listener = ListenLoopback(&port);
  RecordingSocket s;
  ASSERT_TRUE(s.Create());
  s.Connect("127.0.0.1", port);
  PumpUntil([&] { return s.m_calls.size() >= 2; });
  SOCKET peer = accept(listener, nullptr, nullptr);
  s.m_calls.clear();
  s.m_onReceive = [](RecordingSocket& self) { self.Close(); };
  SendAll(peer, "a");
  PumpUntil([&] { return !s.m_calls.empty(); });
  SendAll(peer, "b");
  Settle();
  EXPECT_EQ("Receive(0)", s.Calls());
  EXPECT_EQ(INVALID_SOCKET, s.m_hSocket);
  closesocket(peer);
  closesocket(listener);
}

TEST_F(AsyncSocket, DetachedHandleMovesToAnotherOwner) {
  USHORT port = 0;
  SOCKET listener = ListenLoopback(&port);
  RecordingSocket first;
  ASSERT_TRUE(first.Create());
  first.Connect("127.0.0.1", port);
  PumpUntil([&] { return first.m_calls.size() >= 2; });
  SOCKET peer = accept(listener, nullptr, nullptr);

  SOCKET handle = first.Detach();
  EXPECT_EQ(INVALID_SOCKET, first.m_hSocket);
  first.m_calls.clear();
  SendAll(peer, "x");
  Settle();
  EXPECT_EQ("-", first.Calls()) << "a detached object hears nothing";

  // The new owner's selection reports what is true of the socket now.
  RecordingSocket second;
  ASSERT_TRUE(second.Attach(handle));
  PumpUntil([&] { return second.m_calls.size() >= 2; });
  std::string calls = second.Calls();
  EXPECT_NE(std::string::npos, calls.find("Receive(0)")) << calls;
  EXPECT_NE(std::string::npos, calls.find("Send(0)")) << calls;
  EXPECT_EQ("x", second.m_received);
  closesocket(peer);
  closesocket(listener);
}

TEST_F(AsyncSocket, DestructorClosesTheSocket) {
  USHORT port = 0;
  SOCKET listener = ListenLoopback(&port);
  SOCKET peer = INVALID_SOCKET;
  {
    RecordingSocket s;
    ASSERT_TRUE(s.Create());
    s.Connect("127.0.0.1", port);
    PumpUntil([&] { return s.m_calls.size() >= 2; });
    peer = accept(listener, nullptr, nullptr);
  }
  char b[4];
  EXPECT_EQ(0, recv(peer, b, sizeof(b), 0));
  closesocket(peer);
  closesocket(listener);
}

TEST_F(AsyncSocket, CallBacksRunOnTheCreatingThread) {
  USHORT port = 0;
  SOCKET listener = ListenLoopback(&port);
  DWORD workerId = 0, callbackThread = 0;
  std::string calls;
  std::thread worker([&] {
    workerId = GetCurrentThreadId();
    RecordingSocket s;
    if (!s.Create()) return;
    s.Connect("127.0.0.1", port);
    PumpUntil([&] { return s.m_calls.size() >= 2; });
    calls = s.Calls();
    callbackThread = s.m_thread;
  });
  worker.join();
  EXPECT_EQ("Connect(0) Send(0)", calls);
  EXPECT_EQ(workerId, callbackThread);
  EXPECT_NE(GetCurrentThreadId(), callbackThread);
  closesocket(listener);
}

TEST_F(AsyncSocket, AcceptAttachesTheNewSocket) {
  RecordingSocket server;
  ASSERT_TRUE(server.Create(0, SOCK_STREAM, FD_ACCEPT, "127.0.0.1"));
  ASSERT_TRUE(server.Listen());
  USHORT port = LocalPort(server.m_hSocket);
  SOCKET client = ConnectLoopback(port);
  PumpUntil([&] { return !server.m_calls.empty(); });
  EXPECT_EQ("Accept(0)", server.Calls());
  RecordingSocket accepted;
  ASSERT_TRUE(server.Accept(accepted));
  SendAll(client, "hi");
  PumpUntil([&] { return accepted.m_received.size() >= 2; });
  EXPECT_EQ("hi", accepted.m_received);
  closesocket(client);
}

}  // namespace
