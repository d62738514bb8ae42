#include "net/ProxySocket.h"

#include <cstring>

#include "net/Base64Codec.h"
#include "platform/kernel/Kernel.h"
#include "platform/user/User.h"

namespace {

// An HTTP proxy's answer is read up to its empty line; anything longer is not a proxy talking.
const size_t MAX_HTTP_REPLY = 8192;

void AppendU16(std::string* out, WORD networkOrder) {
  out->append(reinterpret_cast<const char*>(&networkOrder), 2);
}

void AppendU32(std::string* out, DWORD networkOrder) {
  out->append(reinterpret_cast<const char*>(&networkOrder), 4);
}

}  // namespace

CProxySocket::CProxySocket() = default;

CProxySocket::~CProxySocket() = default;

void CProxySocket::SetProxyType(int kind) { m_proxyKind = kind; }

void CProxySocket::SetProxy(int kind, const char* proxyHost, int proxyPort) {
  m_proxyKind = kind;
  m_proxyHost = proxyHost ? proxyHost : "";
  m_proxyPort = proxyPort;
  m_user.clear();
  m_password.clear();
  m_authentication = 0;
}

void CProxySocket::SetProxyAuth(int kind, const char* proxyHost, int proxyPort, const char* user,
                                const char* password) {
  SetProxy(kind, proxyHost, proxyPort);
  m_user = user ? user : "";
  m_password = password ? password : "";
  m_authentication = 1;
}

void CProxySocket::Close() {
  m_receiveBuffer.clear();
  m_replyLine.clear();
  m_receivedLength = 0;
  m_expectedLength = 0;
  m_step = 0;
  m_mode = 0;
  CAsyncSocket::Close();
}

int CProxySocket::Receive(void* buffer, int length, int flags) {
  if (m_mode != 0) {
    WSASetLastError(WSAEWOULDBLOCK);
    return SOCKET_ERROR;
  }
  return CAsyncSocket::Receive(buffer, length, flags);
}

int CProxySocket::Send(const void* buffer, int length, int flags) {
  if (m_mode != 0) {
    WSASetLastError(WSAEWOULDBLOCK);
    return SOCKET_ERROR;
  }
  return CAsyncSocket::Send(buffer, length, flags);
}

BOOL CProxySocket::ConnectSockAddr(const SOCKADDR* address, int length) {
  if (m_proxyKind == PROXY_KIND_NONE) return CAsyncSocket::Connect(address, length);
  if (!address || length < static_cast<int>(sizeof(sockaddr_in))) {
    WSASetLastError(WSAEINVAL);
    return FALSE;
  }
  const sockaddr_in* target = reinterpret_cast<const sockaddr_in*>(address);
  return StartProxyConnect(target->sin_addr.s_addr, target->sin_port);
}

BOOL CProxySocket::StartProxyConnect(DWORD targetAddress, WORD targetPort) {
  m_targetAddress = targetAddress;
  m_targetPort = targetPort;
  m_mode = 1;
  m_step = 0;
  m_lastError = 0;
  if (!CAsyncSocket::Connect(m_proxyHost.c_str(), static_cast<UINT>(m_proxyPort)) &&
      WSAGetLastError() != WSAEWOULDBLOCK) {
    m_lastError = PROXY_ERR_CONNECT;
    m_mode = 0;
    return FALSE;
  }
  return TRUE;
}

BOOL CProxySocket::Connect(const char* host, UINT port) {
  if (m_proxyKind == PROXY_KIND_NONE) return CAsyncSocket::Connect(host, port);
  m_targetHost = host ? host : "";
  sockaddr_in target{};
  target.sin_family = AF_INET;
  target.sin_port = htons(static_cast<u_short>(port));
  unsigned long address = inet_addr(m_targetHost.c_str());
  if (address == INADDR_NONE) {
    hostent* he = gethostbyname(m_targetHost.c_str());
    if (he && he->h_addr_list && he->h_addr_list[0] && he->h_length == 4) memcpy(&address, he->h_addr_list[0], 4);
  }
  if (address != INADDR_NONE) {
    target.sin_addr.s_addr = address;
    return ConnectSockAddr(reinterpret_cast<SOCKADDR*>(&target), sizeof target);
  }
  if (m_proxyKind != PROXY_KIND_SOCKS4A && m_proxyKind != PROXY_KIND_SOCKS5 && m_proxyKind != PROXY_KIND_HTTP) {
    m_lastError = PROXY_ERR_RESOLVE;
    WSASetLastError(WSAEINVAL);
    return FALSE;
  }
  // The proxy resolves the name.
  return StartProxyConnect(0, target.sin_port);
}

BOOL CProxySocket::Accept(CAsyncSocket& connected, SOCKADDR* address, int* length) {
  return CAsyncSocket::Accept(connected, address, length);
}

BOOL CProxySocket::ListenViaProxy(const char*, UINT) {
  // Listening through a proxy (SOCKS BIND) is part of the interface but nothing uses it.
  WSASetLastError(WSAEOPNOTSUPP);
  return FALSE;
}

BOOL CProxySocket::Listen(int backlog) { return CAsyncSocket::Listen(backlog); }

std::string CProxySocket::BuildFirstRequest() const {
  std::string request;
  switch (m_proxyKind) {
    case PROXY_KIND_SOCKS4:
    case PROXY_KIND_SOCKS4A:
      request += '\x04';
      request += '\x01';
      AppendU16(&request, m_targetPort);
      if (m_targetAddress != 0) {
        AppendU32(&request, m_targetAddress);
        request += '\0';
      } else {
        // SOCKS4a: the address 0.0.0.1 says that the host name follows the empty user id.
        request.append("\0\0\0\x01", 4);
        request += '\0';
        request += m_targetHost;
        request += '\0';
      }
      break;
    case PROXY_KIND_SOCKS5:
      if (m_authentication) {
        request.append("\x05\x02\x02\x00", 4);
      } else {
        request.append("\x05\x01\x00", 3);
      }
      break;
    case PROXY_KIND_HTTP: {
      char line[600];
      int port = ntohs(m_targetPort);
      snprintf(line, sizeof line, "CONNECT %s:%d HTTP/1.1\r\nHost: %s:%d\r\n", m_targetHost.c_str(), port,
               m_targetHost.c_str(), port);
      request = line;
      if (m_authentication) {
        std::string credentials = CBase64Codec::Encode(m_user + ":" + m_password);
        request += "Authorization: Basic " + credentials + "\r\n";
        request += "Proxy-Authorization: Basic " + credentials + "\r\n";
      }
      request += "\r\n";
      break;
    }
    default:
      break;
  }
  return request;
}

std::string CProxySocket::BuildSocks5ConnectRequest() const {
  std::string request("\x05\x01\x00", 3);
  if (m_targetAddress != 0) {
    request += '\x01';
    AppendU32(&request, m_targetAddress);
  } else {
    request += '\x03';
    request += static_cast<char>(m_targetHost.size());
    request += m_targetHost;
  }
  AppendU16(&request, m_targetPort);
  return request;
}

bool CProxySocket::SendAll(const std::string& bytes) {
  return CAsyncSocket::Send(bytes.data(), static_cast<int>(bytes.size()), 0) == static_cast<int>(bytes.size());
}

void CProxySocket::OnConnect(int error) {
  m_lastError = 0;
  CAsyncSocket::OnConnect(error);
  if (error) {
    m_step = 0;
    m_mode = 0;
    return;
  }
  if ((m_mode == 1 || m_mode == 2) && m_step == 0) {
    m_receiveBuffer.clear();
    m_receivedLength = 0;
    m_replyLine.clear();
    // A SOCKS5 name travels behind a one-byte length.
    if (m_proxyKind == PROXY_KIND_SOCKS5 && m_targetAddress == 0 && m_targetHost.size() > 255) {
      Fail(PROXY_ERR_REFUSED);
      return;
    }
    std::string request = BuildFirstRequest();
    if (request.empty() || !SendAll(request)) {
      Fail(PROXY_ERR_REFUSED);
      return;
    }
    m_step = 1;
  }
}

int CProxySocket::Collect(size_t wanted) {
  while (m_receiveBuffer.size() < wanted) {
    BYTE chunk[512];
    size_t room = std::min(sizeof chunk, wanted - m_receiveBuffer.size());
    int got = CAsyncSocket::Receive(chunk, static_cast<int>(room), 0);
    if (got == SOCKET_ERROR) return WSAGetLastError() == WSAEWOULDBLOCK ? 0 : -1;
    if (got == 0) return -1;
    m_receiveBuffer.insert(m_receiveBuffer.end(), chunk, chunk + got);
  }
  m_receivedLength = static_cast<DWORD>(m_receiveBuffer.size());
  return 1;
}

void CProxySocket::Fail(int error) {
  m_lastError = error ? error : PROXY_ERR_REFUSED;
  int mode = m_mode;
  Close();
  OnProxyFailed(mode);
}

void CProxySocket::Connected() {
  m_receiveBuffer.clear();
  m_receivedLength = 0;
  m_step = 0;
  m_mode = 0;
  OnSend(0);
}

void CProxySocket::HandleHttpReply() {
  static const char PREFIX[] = "HTTP/";
  for (;;) {
    char c;
    int got = CAsyncSocket::Receive(&c, 1, 0);
    if (got == SOCKET_ERROR) {
      if (WSAGetLastError() != WSAEWOULDBLOCK) Fail(PROXY_ERR_REFUSED);
      return;
    }
    if (got == 0 || m_replyLine.size() >= MAX_HTTP_REPLY) {
      Fail(PROXY_ERR_REFUSED);
      return;
    }
    m_replyLine += c;
    size_t n = std::min(m_replyLine.size(), sizeof PREFIX - 1);
    if (m_replyLine.compare(0, n, PREFIX, n) != 0) {
      Fail(PROXY_ERR_REFUSED);
      return;
    }
    size_t lineEnd = m_replyLine.find("\r\n");
    if (lineEnd != std::string::npos && m_replyLine.size() == lineEnd + 2) {
      size_t space = m_replyLine.find(' ');
      if (space == std::string::npos || space >= lineEnd || space + 1 >= lineEnd || m_replyLine[space + 1] != '2') {
        Fail(PROXY_ERR_REFUSED);
        return;
      }
    }
    if (m_replyLine.size() >= 4 && m_replyLine.compare(m_replyLine.size() - 4, 4, "\r\n\r\n") == 0) {
      Connected();
      return;
    }
  }
}

void CProxySocket::OnReceive(int error) {
  CAsyncSocket::OnReceive(error);
  if (m_mode == 0) return;
  if (m_step == 0) {
    Fail(PROXY_ERR_REFUSED);
    return;
  }
  switch (m_proxyKind) {
    case PROXY_KIND_SOCKS4:
    case PROXY_KIND_SOCKS4A: {
      int state = Collect(8);
      if (state < 0) return Fail(PROXY_ERR_REFUSED);
      if (state == 0) return;
      if (m_receiveBuffer[0] != 0 || m_receiveBuffer[1] != 90) return Fail(PROXY_ERR_REFUSED);
      return Connected();
    }
    case PROXY_KIND_SOCKS5:
      if (m_step == 1) {
        int state = Collect(2);
        if (state < 0) return Fail(PROXY_ERR_REFUSED);
        if (state == 0) return;
        if (m_receiveBuffer[0] != 5) return Fail(PROXY_ERR_VERSION);
        BYTE method = m_receiveBuffer[1];
        m_receiveBuffer.clear();
        if (method == 2) {
          if (!m_authentication) return Fail(PROXY_ERR_NO_LOGIN);
          // The lengths are single bytes; longer names cannot be sent.
          if (m_user.size() > 255 || m_password.size() > 255) return Fail(PROXY_ERR_LOGIN);
          std::string login;
          login += '\x01';
          login += static_cast<char>(m_user.size());
          login += m_user;
          login += static_cast<char>(m_password.size());
          login += m_password;
          if (!SendAll(login)) return Fail(PROXY_ERR_REFUSED);
          m_step = 2;
          return;
        }
        if (method != 0) return Fail(PROXY_ERR_METHOD);
        if (!SendAll(BuildSocks5ConnectRequest())) return Fail(PROXY_ERR_REFUSED);
        m_step = 3;
        return;
      }
      if (m_step == 2) {
        int state = Collect(2);
        if (state < 0) return Fail(PROXY_ERR_LOGIN);
        if (state == 0) return;
        if (m_receiveBuffer[1] != 0) return Fail(PROXY_ERR_LOGIN);
        m_receiveBuffer.clear();
        if (!SendAll(BuildSocks5ConnectRequest())) return Fail(PROXY_ERR_REFUSED);
        m_step = 3;
        return;
      }
      if (m_step == 3) {
        int state = Collect(5);
        if (state < 0) return Fail(PROXY_ERR_REFUSED);
        if (state == 0) return;
        if (m_receiveBuffer[0] != 5 || m_receiveBuffer[1] != 0) return Fail(PROXY_ERR_REFUSED);
        // Type 1 carries an IPv4 address, type 4 an IPv6 address, type 3 a name behind its
        // length byte; each is followed by the port.
        BYTE type = m_receiveBuffer[3];
        m_expectedLength = type == 1 ? 10 : type == 4 ? 22 : 7 + static_cast<DWORD>(m_receiveBuffer[4]);
        state = Collect(m_expectedLength);
        if (state < 0) return Fail(PROXY_ERR_REFUSED);
        if (state == 0) return;
        return Connected();
      }
      return Fail(PROXY_ERR_REFUSED);
    case PROXY_KIND_HTTP:
      return HandleHttpReply();
    default:
      return Fail(PROXY_ERR_REFUSED);
  }
}

void CProxySocket::OnClose(int error) {
  CAsyncSocket::OnClose(error);
  if (m_mode != 0) Fail(PROXY_ERR_REFUSED);
}

CProxyConnectSocket::CProxyConnectSocket() { m_event = CreateEventA(nullptr, FALSE, FALSE, nullptr); }

CProxyConnectSocket::~CProxyConnectSocket() {
  if (m_event) CloseHandle(m_event);
}

void CProxyConnectSocket::OnProxyFailed(int) {
  // A failed handshake ends the wait at once instead of by the time-out.
  m_failed = true;
  if (m_event) SetEvent(m_event);
}

void CProxyConnectSocket::OnListenFinished(DWORD, WORD) {}

void CProxyConnectSocket::OnConnect(int error) {
  CProxySocket::OnConnect(error);
  // The proxy itself could not be reached: nothing more will come.
  if (error) OnProxyFailed(1);
}

void CProxyConnectSocket::OnSend(int error) {
  CProxySocket::OnSend(error);
  // The first call is the socket's writability once the proxy is reached, the second the
  // completed handshake. Without a proxy there is no handshake: the first call is the end.
  ++m_sendCount;
  if (m_event && (m_sendCount == 2 || (m_proxyKind == PROXY_KIND_NONE && m_sendCount == 1))) SetEvent(m_event);
}

int CProxyConnectSocket::ConnectWithTimeout(const char* host, int port, int kind, const char* proxyHost,
                                            int proxyPort, const char* user, const char* password, int seconds) {
  switch (kind) {
    case PROXY_KIND_NONE:
      SetProxyType(PROXY_KIND_NONE);
      break;
    case PROXY_KIND_SOCKS4:
    case PROXY_KIND_SOCKS4A:
      SetProxy(kind, proxyHost, proxyPort);
      break;
    case PROXY_KIND_SOCKS5:
    case PROXY_KIND_HTTP:
      if (user) {
        SetProxyAuth(kind, proxyHost, proxyPort, user, password);
      } else {
        SetProxy(kind, proxyHost, proxyPort);
      }
      break;
    default:
      return 0;
  }
  if (!m_event) return 0;
  if (!Create(0, SOCK_STREAM, FD_READ | FD_WRITE | FD_OOB | FD_ACCEPT | FD_CONNECT | FD_CLOSE, nullptr)) return 0;
  ResetEvent(m_event);
  m_sendCount = 0;
  m_failed = false;
  m_lastError = 0;
  if (!Connect(host, static_cast<UINT>(port))) {
    if (GetProxyError() == PROXY_ERR_RESOLVE || GetProxyError() == PROXY_ERR_CONNECT ||
        (kind == PROXY_KIND_NONE && WSAGetLastError() != WSAEWOULDBLOCK)) {
      CProxySocket::Close();
      return 0;
    }
  }
  // The time-out counts from the start: messages dispatched meanwhile do not extend it.
  DWORD limit = seconds > 0 ? static_cast<DWORD>(seconds) * 1000 : 0;
  DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        CProxySocket::Close();
        return 0;
      }
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (m_failed) {
      CProxySocket::Close();
      return 0;
    }
    DWORD elapsed = GetTickCount() - start;
    if (elapsed >= limit) break;
    DWORD w = MsgWaitForMultipleObjects(1, &m_event, FALSE, limit - elapsed, QS_ALLINPUT);
    if (w == WAIT_OBJECT_0) {
      if (m_failed) break;
      return 1;
    }
    if (w != WAIT_OBJECT_0 + 1) break;
  }
  CProxySocket::Close();
  return 0;
}
