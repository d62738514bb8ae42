// The socket calls: WinSock's error codes, start-up, blocking and non-blocking behaviour,
// options and SO_CONNECT_TIME.
#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <thread>

#include "platform/winsock/SocketTable.h"
#include "platform/winsock/WinSock.h"
#include "tests/support/LoopbackSockets.h"

using namespace testsupport;

namespace {

TEST(WinSockErrors, SystemErrorsMapToWinSockCodes) {
  struct Case {
    int err;
    int wsa;
  } cases[] = {
      {0, 0},
      {EWOULDBLOCK, WSAEWOULDBLOCK},
      {EAGAIN, WSAEWOULDBLOCK},
      {EINPROGRESS, WSAEWOULDBLOCK},  // a non-blocking connect under way
      {EALREADY, WSAEALREADY},
      {EINVAL, WSAEINVAL},
      {ECONNREFUSED, WSAECONNREFUSED},
      {ETIMEDOUT, WSAETIMEDOUT},
      {ENOTCONN, WSAENOTCONN},
      {ECONNRESET, WSAECONNRESET},
      {EPIPE, WSAECONNRESET},
      {ECONNABORTED, WSAECONNABORTED},
      {EBADF, WSAENOTSOCK},
      {ENOTSOCK, WSAENOTSOCK},
      {EADDRINUSE, WSAEADDRINUSE},
      {EADDRNOTAVAIL, WSAEADDRNOTAVAIL},
      {ENETUNREACH, WSAENETUNREACH},
      {EHOSTUNREACH, WSAEHOSTUNREACH},
      {EISCONN, WSAEISCONN},
      {EMSGSIZE, WSAEMSGSIZE},
      {ENOBUFS, WSAENOBUFS},
      {EMFILE, WSAEMFILE},
      {EACCES, WSAEACCES},
      {EAFNOSUPPORT, WSAEAFNOSUPPORT},
      {ENOPROTOOPT, WSAENOPROTOOPT},
      {EINTR, WSAEINTR},
  };
  for (const Case& c : cases) EXPECT_EQ(c.wsa, platform::winsock::ErrnoToWsaError(c.err)) << "errno " << c.err;
}

TEST(WinSockErrors, CodesHaveWinSockValues) {
  EXPECT_EQ(10035, WSAEWOULDBLOCK);
  EXPECT_EQ(10022, WSAEINVAL);
  EXPECT_EQ(10061, WSAECONNREFUSED);
  EXPECT_EQ(10060, WSAETIMEDOUT);
  EXPECT_EQ(10057, WSAENOTCONN);
  EXPECT_EQ(10054, WSAECONNRESET);
  EXPECT_EQ(10038, WSAENOTSOCK);
  EXPECT_EQ(~0u, INVALID_SOCKET);
  EXPECT_EQ(-1, SOCKET_ERROR);
  EXPECT_EQ(4u, sizeof(SOCKET));
  EXPECT_EQ(16u, sizeof(SOCKADDR_IN));
  EXPECT_EQ(16u, sizeof(SOCKADDR));
  // The last error is the thread's one value, shared with GetLastError.
  WSASetLastError(WSAECONNRESET);
  EXPECT_EQ(WSAECONNRESET, WSAGetLastError());
  EXPECT_EQ((DWORD)WSAECONNRESET, GetLastError());
}

TEST(WinSockStartup, CallsNeedStartupAndCleanupPairs) {
  EXPECT_EQ(INVALID_SOCKET, socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  EXPECT_EQ(WSANOTINITIALISED, WSAGetLastError());
  EXPECT_EQ(SOCKET_ERROR, WSACleanup());
  EXPECT_EQ(WSANOTINITIALISED, WSAGetLastError());

  WSADATA data;
  EXPECT_EQ(WSAVERNOTSUPPORTED, WSAStartup(MAKEWORD(0, 9), &data));
  ASSERT_EQ(0, WSAStartup(MAKEWORD(1, 1), &data));
  EXPECT_EQ(MAKEWORD(1, 1), data.wVersion);
  ASSERT_EQ(0, WSAStartup(MAKEWORD(2, 2), &data));
  EXPECT_EQ(MAKEWORD(1, 1), data.wVersion);  // the highest this layer offers
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  EXPECT_NE(INVALID_SOCKET, s);
  EXPECT_EQ(0, closesocket(s));
  EXPECT_EQ(0, WSACleanup());
  EXPECT_NE(INVALID_SOCKET, s = socket(AF_INET, SOCK_STREAM, 0));  // one start-up still counts
  closesocket(s);
  EXPECT_EQ(0, WSACleanup());
  EXPECT_EQ(INVALID_SOCKET, socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
}

class WinSockCalls : public ::testing::Test {
 protected:
  WinSockSession m_session;
};

TEST_F(WinSockCalls, FailuresReportWinSockCodes) {
  LoopbackPair pair;
  ASSERT_TRUE(pair.Ok());
  USHORT closedPort = ClosedLoopbackPort();
  struct Case {
    const char* what;
    std::function<int()> call;
    int error;
  } cases[] = {
      {"socket of another family", [] { return (int)socket(23, SOCK_STREAM, 0); }, WSAEAFNOSUPPORT},
      {"socket of another type", [] { return (int)socket(AF_INET, 5, 0); }, WSAESOCKTNOSUPPORT},
      {"stream socket with UDP", [] { return (int)socket(AF_INET, SOCK_STREAM, IPPROTO_UDP); }, WSAEPROTONOSUPPORT},
      {"blocking connect to a closed port",
       [&] {
         SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
         SOCKADDR_IN a = LoopbackAddress(closedPort);
         int r = connect(s, (SOCKADDR*)&a, sizeof(a));
         int e = WSAGetLastError();
         closesocket(s);
         WSASetLastError(e);
         return r;
       },
       WSAECONNREFUSED},
      {"connect to address 0",
       [] {
         SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
         SOCKADDR_IN a = LoopbackAddress(80);
         a.sin_addr.s_addr = INADDR_ANY;
         int r = connect(s, (SOCKADDR*)&a, sizeof(a));
         int e = WSAGetLastError();
         closesocket(s);
         WSASetLastError(e);
         return r;
       },
       WSAEADDRNOTAVAIL},
      {"connect of a connected socket",
       [&] {
         SOCKADDR_IN a = LoopbackAddress(pair.port);
         return connect(pair.client, (SOCKADDR*)&a, sizeof(a));
       },
       WSAEISCONN},
      {"connect with a short address",
       [&] {
         SOCKADDR_IN a = LoopbackAddress(pair.port);
         return connect(pair.client, (SOCKADDR*)&a, 8);
       },
       WSAEFAULT},
      {"recv on an unconnected socket",
       [] {
         SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
         char b[4];
         int r = recv(s, b, 4, 0);
         int e = WSAGetLastError();
         closesocket(s);
         WSASetLastError(e);
         return r;
       },
       WSAENOTCONN},
      {"getpeername of an unconnected socket",
       [] {
         SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
         SOCKADDR_IN a;
         int length = sizeof(a);
         int r = getpeername(s, (SOCKADDR*)&a, &length);
         int e = WSAGetLastError();
         closesocket(s);
         WSASetLastError(e);
         return r;
       },
       WSAENOTCONN},
      {"send on a number that is no socket", [] { return send(12345678, "x", 1, 0); }, WSAENOTSOCK},
      {"closesocket twice",
       [] {
         SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
         closesocket(s);
         return closesocket(s);
       },
       WSAENOTSOCK},
      {"bind to a port in use",
       [&] {
         SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
         SOCKADDR_IN a = LoopbackAddress(pair.port);
         int r = bind(s, (SOCKADDR*)&a, sizeof(a));
         int e = WSAGetLastError();
         closesocket(s);
         WSASetLastError(e);
         return r;
       },
       WSAEADDRINUSE},
      {"listen before bind",
       [] {
         SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
         int r = listen(s, 5);
         int e = WSAGetLastError();
         closesocket(s);
         WSASetLastError(e);
         return r;
       },
       WSAEINVAL},
      {"accept on a socket that does not listen", [&] { return (int)accept(pair.client, nullptr, nullptr); },
       WSAEINVAL},
      {"unknown ioctl",
       [&] {
         u_long v = 0;
         return ioctlsocket(pair.client, 0x1234, &v);
       },
       WSAEINVAL},
      {"shutdown with an unknown direction", [&] { return shutdown(pair.client, 3); }, WSAEINVAL},
      {"unknown option",
       [&] {
         int v = 0, length = sizeof(v);
         return getsockopt(pair.client, SOL_SOCKET, 0x7777, (char*)&v, &length);
       },
       WSAENOPROTOOPT},
      {"option buffer too small",
       [&] {
         int v = 0, length = 2;
         return getsockopt(pair.client, SOL_SOCKET, SO_CONNECT_TIME, (char*)&v, &length);
       },
       WSAEFAULT},
      {"send with a negative length", [&] { return send(pair.client, "x", -1, 0); }, WSAEFAULT},
  };
  for (const Case& c : cases) {
    WSASetLastError(0);
    int r = c.call();
    EXPECT_EQ(c.error, WSAGetLastError()) << c.what;
    EXPECT_TRUE(r == SOCKET_ERROR || (UINT)r == INVALID_SOCKET) << c.what;
  }
}

TEST_F(WinSockCalls, BlockingTransferAndOrderlyClose) {
  LoopbackPair pair;
  ASSERT_TRUE(pair.Ok());
  ASSERT_TRUE(SendAll(pair.client, std::string("hello\0world", 11)));
  EXPECT_EQ(std::string("hello\0world", 11), ReceiveExactly(pair.server, 11));

  SOCKADDR_IN peer;
  int length = sizeof(peer);
  ASSERT_EQ(0, getpeername(pair.server, (SOCKADDR*)&peer, &length));
  EXPECT_EQ(inet_addr("127.0.0.1"), peer.sin_addr.s_addr);
  EXPECT_EQ(LocalPort(pair.client), ntohs(peer.sin_port));

  ASSERT_EQ(0, shutdown(pair.client, SD_SEND));
  char b[8];
  EXPECT_EQ(0, recv(pair.server, b, sizeof(b), 0));  // the end of the stream
  EXPECT_EQ(SOCKET_ERROR, send(pair.client, "x", 1, 0));
  EXPECT_EQ(WSAESHUTDOWN, WSAGetLastError());
}

TEST_F(WinSockCalls, NonBlockingModeAndAvailableBytes) {
  LoopbackPair pair;
  ASSERT_TRUE(pair.Ok());
  u_long on = 1;
  ASSERT_EQ(0, ioctlsocket(pair.server, FIONBIO, &on));
  char b[16];
  EXPECT_EQ(SOCKET_ERROR, recv(pair.server, b, sizeof(b), 0));
  EXPECT_EQ(WSAEWOULDBLOCK, WSAGetLastError());

  ASSERT_TRUE(SendAll(pair.client, "12345"));
  u_long available = 0;
  for (int i = 0; i < 200 && available < 5; ++i) {
    ASSERT_EQ(0, ioctlsocket(pair.server, FIONREAD, &available));
    if (available < 5) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(5u, available);
  EXPECT_EQ(2, recv(pair.server, b, 2, MSG_PEEK));
  EXPECT_EQ(5, recv(pair.server, b, sizeof(b), 0));
  EXPECT_EQ(std::string("12345"), std::string(b, 5));
}

TEST_F(WinSockCalls, PeerResetIsConnectionReset) {
  LoopbackPair pair;
  ASSERT_TRUE(pair.Ok());
  LINGER abortive = {1, 0};
  ASSERT_EQ(0, setsockopt(pair.server, SOL_SOCKET, SO_LINGER, (const char*)&abortive, sizeof(abortive)));
  pair.CloseServer();
  char b[4];
  EXPECT_EQ(SOCKET_ERROR, recv(pair.client, b, sizeof(b), 0));
  EXPECT_EQ(WSAECONNRESET, WSAGetLastError());
  // Sending on the broken connection fails; it must not raise SIGPIPE, which would end the
  // process.
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(SOCKET_ERROR, send(pair.client, "x", 1, 0));
    EXPECT_EQ(WSAECONNRESET, WSAGetLastError());
  }
}

TEST_F(WinSockCalls, CloseWakesABlockedReceiveOnAnotherThread) {
  LoopbackPair pair;
  ASSERT_TRUE(pair.Ok());
  int result = 0;
  std::thread reader([&] {
    char b[4];
    result = recv(pair.client, b, sizeof(b), 0);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  pair.CloseClient();
  reader.join();
  EXPECT_LE(result, 0);
  // The closed number is not a socket any more, and is not given to the next socket.
  SOCKET next = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  EXPECT_NE(pair.client, next);
  closesocket(next);
}

TEST_F(WinSockCalls, OptionsRoundTrip) {
  LoopbackPair pair;
  ASSERT_TRUE(pair.Ok());
  struct Case {
    int level, name, value;
  } cases[] = {
      {SOL_SOCKET, SO_KEEPALIVE, 1},
      {SOL_SOCKET, SO_REUSEADDR, 1},
      {IPPROTO_TCP, TCP_NODELAY, 1},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(0, setsockopt(pair.client, c.level, c.name, (const char*)&c.value, sizeof(int))) << c.name;
    int v = 0, length = sizeof(v);
    ASSERT_EQ(0, getsockopt(pair.client, c.level, c.name, (char*)&v, &length)) << c.name;
    EXPECT_EQ(c.value != 0, v != 0) << c.name;
    EXPECT_EQ((int)sizeof(int), length);
  }
  int type = 0, length = sizeof(type);
  ASSERT_EQ(0, getsockopt(pair.client, SOL_SOCKET, SO_TYPE, (char*)&type, &length));
  EXPECT_EQ(SOCK_STREAM, type);
  int listening = 0;
  length = sizeof(listening);
  ASSERT_EQ(0, getsockopt(pair.listener, SOL_SOCKET, SO_ACCEPTCONN, (char*)&listening, &length));
  EXPECT_EQ(1, listening);
}

DWORD ConnectTime(SOCKET s) {
  DWORD seconds = 12345;
  int length = sizeof(seconds);
  if (getsockopt(s, SOL_SOCKET, SO_CONNECT_TIME, (char*)&seconds, &length) != 0) return 54321;
  return seconds;
}

TEST_F(WinSockCalls, ConnectTimeIsMinusOneUntilConnected) {
  USHORT port = 0;
  SOCKET listener = ListenLoopback(&port);
  ASSERT_NE(INVALID_SOCKET, listener);

  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  EXPECT_EQ(0xFFFFFFFFu, ConnectTime(s));
  SOCKADDR_IN a = LoopbackAddress(port);
  ASSERT_EQ(0, connect(s, (SOCKADDR*)&a, sizeof(a)));
  EXPECT_LT(ConnectTime(s), 2u);
  SOCKET accepted = accept(listener, nullptr, nullptr);
  EXPECT_LT(ConnectTime(accepted), 2u);
  EXPECT_EQ(0xFFFFFFFFu, ConnectTime(listener));

  // A non-blocking connect counts once it has finished, whoever notices first.
  SOCKET late = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  u_long on = 1;
  ioctlsocket(late, FIONBIO, &on);
  EXPECT_EQ(SOCKET_ERROR, connect(late, (SOCKADDR*)&a, sizeof(a)));
  EXPECT_EQ(WSAEWOULDBLOCK, WSAGetLastError());
  DWORD t = 0xFFFFFFFFu;
  for (int i = 0; i < 400 && t == 0xFFFFFFFFu; ++i) {
    t = ConnectTime(late);
    if (t == 0xFFFFFFFFu) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_LT(t, 2u);

  // A refused connect never counts; a closed socket is no socket.
  SOCKET refused = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  SOCKADDR_IN closed = LoopbackAddress(ClosedLoopbackPort());
  EXPECT_EQ(SOCKET_ERROR, connect(refused, (SOCKADDR*)&closed, sizeof(closed)));
  EXPECT_EQ(0xFFFFFFFFu, ConnectTime(refused));
  closesocket(refused);
  EXPECT_EQ(54321u, ConnectTime(refused));
  EXPECT_EQ(WSAENOTSOCK, WSAGetLastError());

  for (SOCKET x : {s, accepted, late, listener}) closesocket(x);
}

}  // namespace
