// WinSock's select: sets of sockets, readiness by WinSock's rules, time-outs.
#include <gtest/gtest.h>

#include <thread>

#include "platform/winsock/WinSock.h"
#include "tests/support/LoopbackSockets.h"

using namespace testsupport;

namespace {

class Select : public ::testing::Test {
 protected:
  WinSockSession m_session;
};

// Which sets report the socket after a select with time-out 0.
struct Readiness {
  bool read, write, except;
};

Readiness Probe(SOCKET s, int timeoutMs = 0) {
  fd_set r, w, e;
  FD_ZERO(&r);
  FD_ZERO(&w);
  FD_ZERO(&e);
  FD_SET(s, &r);
  FD_SET(s, &w);
  FD_SET(s, &e);
  timeval tv = {timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  int n = select(0, &r, &w, &e, &tv);
  EXPECT_NE(SOCKET_ERROR, n) << WSAGetLastError();
  Readiness out{FD_ISSET(s, &r) != 0, FD_ISSET(s, &w) != 0, FD_ISSET(s, &e) != 0};
  EXPECT_EQ(n, (int)out.read + (int)out.write + (int)out.except);
  return out;
}

// Waits for the outcome of something that happens on the peer's side (loopback is quick, but
// not synchronous for every step).
Readiness ProbeUntil(SOCKET s, bool Readiness::*field) {
  Readiness r{};
  for (int i = 0; i < 100; ++i) {
    r = Probe(s, 20);
    if (r.*field) break;
  }
  return r;
}

TEST_F(Select, FdSetHoldsSocketsOnce) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(7u, &set);
  FD_SET(0x12345678u, &set);
  FD_SET(7u, &set);
  EXPECT_EQ(2u, set.fd_count);
  EXPECT_TRUE(FD_ISSET(0x12345678u, &set));
  FD_CLR(7u, &set);
  EXPECT_FALSE(FD_ISSET(7u, &set));
  EXPECT_EQ(1u, set.fd_count);
  for (SOCKET s = 100; s < 200; ++s) FD_SET(s, &set);
  EXPECT_EQ((UINT)FD_SETSIZE, set.fd_count);  // a full set takes no more
}

TEST_F(Select, ReadinessFollowsWinSockRules) {
  LoopbackPair pair;
  ASSERT_TRUE(pair.Ok());
  USHORT spare = 0;
  SOCKET idleListener = ListenLoopback(&spare);
  SOCKET unconnected = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);

  struct Case {
    const char* what;
    SOCKET s;
    Readiness expected;
  } before[] = {
      {"connected, nothing received", pair.client, {false, true, false}},
      {"listening, nobody waiting", idleListener, {false, false, false}},
      {"never connected", unconnected, {false, false, false}},
  };
  for (const Case& c : before) {
    Readiness r = Probe(c.s);
    EXPECT_EQ(c.expected.read, r.read) << c.what;
    EXPECT_EQ(c.expected.write, r.write) << c.what;
    EXPECT_EQ(c.expected.except, r.except) << c.what;
  }

  ASSERT_TRUE(SendAll(pair.server, "x"));
  EXPECT_TRUE(ProbeUntil(pair.client, &Readiness::read).read) << "data waiting";
  SOCKET waiting = ConnectLoopback(spare);
  EXPECT_TRUE(ProbeUntil(idleListener, &Readiness::read).read) << "connection waiting";
  char b[4];
  EXPECT_EQ(1, recv(pair.client, b, sizeof(b), 0));  // unread data would make the close a reset
  pair.CloseClient();
  EXPECT_TRUE(ProbeUntil(pair.server, &Readiness::read).read) << "peer closed";
  EXPECT_EQ(0, recv(pair.server, b, sizeof(b), 0));

  for (SOCKET s : {idleListener, unconnected, waiting}) closesocket(s);
}

TEST_F(Select, NonBlockingConnectOutcome) {
  USHORT port = 0;
  SOCKET listener = ListenLoopback(&port);
  struct Case {
    const char* what;
    USHORT port = 0;
    bool writable, except;
    int soError;
  } cases[] = {
      {"listening port", port, true, false, 0},
      // A failed connect shows in exceptfds only, never as writable.
      {"closed port", ClosedLoopbackPort(), false, true, WSAECONNREFUSED},
  };
  for (const Case& c : cases) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    u_long on = 1;
    ASSERT_EQ(0, ioctlsocket(s, FIONBIO, &on));
    SOCKADDR_IN a = LoopbackAddress(c.port);
    EXPECT_EQ(SOCKET_ERROR, connect(s, (SOCKADDR*)&a, sizeof(a))) << c.what;
    EXPECT_EQ(WSAEWOULDBLOCK, WSAGetLastError()) << c.what;

    fd_set w, e;
    FD_ZERO(&w);
    FD_ZERO(&e);
    FD_SET(s, &w);
    FD_SET(s, &e);
    timeval tv = {5, 0};
    int n = select(0, nullptr, &w, &e, &tv);
    EXPECT_EQ(1, n) << c.what;
    EXPECT_EQ(c.writable, FD_ISSET(s, &w) != 0) << c.what;
    EXPECT_EQ(c.except, FD_ISSET(s, &e) != 0) << c.what;
    int err = -1, length = sizeof(err);
    ASSERT_EQ(0, getsockopt(s, SOL_SOCKET, SO_ERROR, (char*)&err, &length));
    EXPECT_EQ(c.soError, err) << c.what;
    closesocket(s);
  }
  closesocket(listener);
}

TEST_F(Select, TimeOutWithNothingReady) {
  SOCKET unconnected = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  fd_set w;
  FD_ZERO(&w);
  FD_SET(unconnected, &w);
  timeval tv = {0, 30000};
  EXPECT_EQ(0, select(0, nullptr, &w, nullptr, &tv));
  EXPECT_EQ(0u, w.fd_count);
  closesocket(unconnected);
}

TEST_F(Select, RefusedArguments) {
  timeval tv = {0, 0};
  fd_set empty;
  FD_ZERO(&empty);
  EXPECT_EQ(SOCKET_ERROR, select(0, &empty, &empty, nullptr, &tv));
  EXPECT_EQ(WSAEINVAL, WSAGetLastError());
  fd_set bogus;
  FD_ZERO(&bogus);
  FD_SET(0x7654321u, &bogus);
  EXPECT_EQ(SOCKET_ERROR, select(0, &bogus, nullptr, nullptr, &tv));
  EXPECT_EQ(WSAENOTSOCK, WSAGetLastError());
  fd_set tooMany;
  tooMany.fd_count = FD_SETSIZE + 1;
  EXPECT_EQ(SOCKET_ERROR, select(0, &tooMany, nullptr, nullptr, &tv));
  EXPECT_EQ(WSAEINVAL, WSAGetLastError());
}

}  // namespace
