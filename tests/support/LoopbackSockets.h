// Small helpers for socket tests on 127.0.0.1 (no test reaches beyond the loopback interface).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/winsock/WinSock.h"

namespace testsupport {

// WSAStartup for the lifetime of the object.
class WinSockSession {
 public:
  WinSockSession() {
    WSADATA data;
    m_ok = WSAStartup(MAKEWORD(1, 1), &data) == 0;
  }
  ~WinSockSession() {
    if (m_ok) WSACleanup();
  }
  WinSockSession(const WinSockSession&) = delete;
  WinSockSession& operator=(const WinSockSession&) = delete;

 private:
  bool m_ok = false;
};

inline SOCKADDR_IN LoopbackAddress(USHORT port) {
  SOCKADDR_IN a;
  memset(&a, 0, sizeof(a));
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = inet_addr("127.0.0.1");
  return a;
}

inline USHORT LocalPort(SOCKET s) {
  SOCKADDR_IN a;
  int length = sizeof(a);
  if (getsockname(s, (SOCKADDR*)&a, &length) != 0) return 0;
  return ntohs(a.sin_port);
}

// A socket listening on 127.0.0.1 at a port of the system's choice.
inline SOCKET ListenLoopback(USHORT* port, int receiveBuffer = 0) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return s;
  if (receiveBuffer > 0) setsockopt(s, SOL_SOCKET, SO_RCVBUF, (const char*)&receiveBuffer, sizeof(int));
  SOCKADDR_IN a = LoopbackAddress(0);
  if (bind(s, (SOCKADDR*)&a, sizeof(a)) != 0 || listen(s, 5) != 0) {
    closesocket(s);
    return INVALID_SOCKET;
  }
  *port = LocalPort(s);
  return s;
}

// A port on 127.0.0.1 where nobody listens: bound once by us and released.
inline USHORT ClosedLoopbackPort() {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  SOCKADDR_IN a = LoopbackAddress(0);
  bind(s, (SOCKADDR*)&a, sizeof(a));
  USHORT port = LocalPort(s);
  closesocket(s);
  return port;
}

inline SOCKET ConnectLoopback(USHORT port) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  SOCKADDR_IN a = LoopbackAddress(port);
  if (connect(s, (SOCKADDR*)&a, sizeof(a)) != 0) {
    closesocket(s);
    return INVALID_SOCKET;
  }
  return s;
}

// A connected pair on loopback: `client` made by connect, `server` by accept.
struct LoopbackPair {
  SOCKET listener = INVALID_SOCKET;
  SOCKET client = INVALID_SOCKET;
  SOCKET server = INVALID_SOCKET;
  USHORT port = 0;

  explicit LoopbackPair(int serverReceiveBuffer = 0) {
    listener = ListenLoopback(&port, serverReceiveBuffer);
    client = ConnectLoopback(port);
    server = accept(listener, nullptr, nullptr);
  }
  ~LoopbackPair() {
    for (SOCKET s : {client, server, listener})
      if (s != INVALID_SOCKET) closesocket(s);
  }
  bool Ok() const { return listener != INVALID_SOCKET && client != INVALID_SOCKET && server != INVALID_SOCKET; }
  void CloseServer() {
    closesocket(server);
    server = INVALID_SOCKET;
  }
  void CloseClient() {
    closesocket(client);
    client = INVALID_SOCKET;
  }
};

// Sends all bytes on a blocking socket.
inline bool SendAll(SOCKET s, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    int n = send(s, bytes.data() + done, (int)(bytes.size() - done), 0);
    if (n <= 0) return false;
    done += (size_t)n;
  }
  return true;
}

// Receives exactly `count` bytes on a blocking socket.
inline std::string ReceiveExactly(SOCKET s, size_t count) {
  std::string out;
  char buffer[65536];
  while (out.size() < count) {
    size_t want = std::min(sizeof(buffer), count - out.size());
    int n = recv(s, buffer, (int)want, 0);
    if (n <= 0) break;
    out.append(buffer, (size_t)n);
  }
  return out;
}

}  // namespace testsupport
