#include "platform/mfc/AsyncSocket.h"

#include <cstring>
#include <map>
#include <mutex>

#include "platform/user/User.h"

namespace {

// The private message of the notification windows (the windows are of our own class, so any
// number of the WM_USER range is theirs).
const UINT WM_ASYNC_SOCKET_NOTIFY = WM_USER + 0x73;
const char NOTIFY_CLASS[] = "AsyncSocketNotifyWindow";

struct Registration {
  CAsyncSocket* m_socket;
  HWND m_window;
};

// Every attached socket, by handle. Handles are unique in the process and not reused soon, so a
// notification that was posted before a socket was closed finds nothing here and is dropped.
std::mutex g_mutex;
std::map<SOCKET, Registration> g_sockets;

LRESULT CALLBACK NotifyWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// The calling thread's notification window, made at its first socket. It lives as long as the
// thread; the window layer removes it when the thread ends.
HWND ThreadNotifyWindow() {
  static std::once_flag registered;
  std::call_once(registered, [] {
    WNDCLASSA wc;
    memset(&wc, 0, sizeof(wc));
    wc.lpfnWndProc = NotifyWindowProc;
    wc.lpszClassName = NOTIFY_CLASS;
    RegisterClassA(&wc);
  });
  thread_local HWND window = nullptr;
  if (!window || !IsWindow(window)) {
    window = CreateWindowExA(0, NOTIFY_CLASS, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  }
  return window;
}

}  // namespace

// Calls the call-back of a notification; a friend of CAsyncSocket for its protected members.
struct AsyncSocketDispatch {
  static void Deliver(SOCKET s, int event, int error) {
    CAsyncSocket* socket = nullptr;
    {
      std::lock_guard<std::mutex> lock(g_mutex);
      auto it = g_sockets.find(s);
      if (it != g_sockets.end()) socket = it->second.m_socket;
    }
    if (!socket) return;
    // The call-back may close or delete the object; nothing touches it afterwards.
    switch (event) {
      case FD_READ: socket->OnReceive(error); break;
      case FD_WRITE: socket->OnSend(error); break;
      case FD_OOB: socket->OnOutOfBandData(error); break;
      case FD_ACCEPT: socket->OnAccept(error); break;
      case FD_CONNECT: socket->OnConnect(error); break;
      case FD_CLOSE: socket->OnClose(error); break;
      default: break;
    }
  }
};

namespace {

LRESULT CALLBACK NotifyWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ASYNC_SOCKET_NOTIFY) {
    AsyncSocketDispatch::Deliver((SOCKET)wParam, WSAGETSELECTEVENT(lParam), WSAGETSELECTERROR(lParam));
    return 0;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

BOOL FailWith(int error) {
  WSASetLastError(error);
  return FALSE;
}

}  // namespace

CAsyncSocket::CAsyncSocket() : m_hSocket(INVALID_SOCKET) {}

CAsyncSocket::~CAsyncSocket() {
  // Not the virtual Close: a derived object is already gone here.
  if (m_hSocket != INVALID_SOCKET) CAsyncSocket::Close();
}

BOOL CAsyncSocket::Create(UINT nSocketPort, int nSocketType, long lEvent, LPCTSTR lpszSocketAddress) {
  if (m_hSocket != INVALID_SOCKET) return FailWith(WSAEINVAL);
  SOCKET s = socket(AF_INET, nSocketType, 0);
  if (s == INVALID_SOCKET) return FALSE;
  if (!Attach(s, lEvent)) {
    int error = WSAGetLastError();
    closesocket(s);
    return FailWith(error);
  }
  if (!Bind(nSocketPort, lpszSocketAddress)) {
    int error = WSAGetLastError();
    CAsyncSocket::Close();
    return FailWith(error);
  }
  return TRUE;
}

BOOL CAsyncSocket::Attach(SOCKET hSocket, long lEvent) {
  if (hSocket == INVALID_SOCKET) return FailWith(WSAENOTSOCK);
  if (m_hSocket != INVALID_SOCKET) return FailWith(WSAEINVAL);
  HWND window = ThreadNotifyWindow();
  if (!window) return FailWith(WSAENOBUFS);
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_sockets[hSocket] = Registration{this, window};
  }
  m_hSocket = hSocket;
  if (lEvent != 0 && !AsyncSelect(lEvent)) {
    int error = WSAGetLastError();
    Detach();
    return FailWith(error);
  }
  return TRUE;
}

SOCKET CAsyncSocket::Detach() {
  SOCKET s = m_hSocket;
  if (s != INVALID_SOCKET) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_sockets.find(s);
    if (it != g_sockets.end() && it->second.m_socket == this) g_sockets.erase(it);
  }
  m_hSocket = INVALID_SOCKET;
  return s;
}

void CAsyncSocket::Close() {
  if (m_hSocket == INVALID_SOCKET) return;
  SOCKET s = Detach();
  closesocket(s);
}

BOOL CAsyncSocket::AsyncSelect(long lEvent) {
  if (m_hSocket == INVALID_SOCKET) return FailWith(WSAENOTSOCK);
  HWND window = nullptr;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_sockets.find(m_hSocket);
    if (it != g_sockets.end()) window = it->second.m_window;
  }
  if (!window) return FailWith(WSAENOTSOCK);
  return WSAAsyncSelect(m_hSocket, window, WM_ASYNC_SOCKET_NOTIFY, lEvent) != SOCKET_ERROR;
}

BOOL CAsyncSocket::Bind(UINT nSocketPort, LPCTSTR lpszSocketAddress) {
  SOCKADDR_IN a;
  memset(&a, 0, sizeof(a));
  a.sin_family = AF_INET;
  a.sin_port = htons((USHORT)nSocketPort);
  a.sin_addr.s_addr = INADDR_ANY;
  if (lpszSocketAddress) {
    a.sin_addr.s_addr = inet_addr(lpszSocketAddress);
    if (a.sin_addr.s_addr == INADDR_NONE) return FailWith(WSAEINVAL);
  }
  return bind(m_hSocket, (SOCKADDR*)&a, sizeof(a)) != SOCKET_ERROR;
}

BOOL CAsyncSocket::Connect(LPCTSTR lpszHostAddress, UINT nHostPort) {
  if (!lpszHostAddress) return FailWith(WSAEINVAL);
  SOCKADDR_IN a;
  memset(&a, 0, sizeof(a));
  a.sin_family = AF_INET;
  a.sin_port = htons((USHORT)nHostPort);
  a.sin_addr.s_addr = inet_addr(lpszHostAddress);
  if (a.sin_addr.s_addr == INADDR_NONE) {
    hostent* host = gethostbyname(lpszHostAddress);
    if (!host || !host->h_addr) return FailWith(WSAEINVAL);
    memcpy(&a.sin_addr.s_addr, host->h_addr, sizeof(a.sin_addr.s_addr));
  }
  return Connect((SOCKADDR*)&a, sizeof(a));
}

BOOL CAsyncSocket::Connect(const SOCKADDR* lpSockAddr, int nSockAddrLen) {
  return connect(m_hSocket, lpSockAddr, nSockAddrLen) != SOCKET_ERROR;
}

BOOL CAsyncSocket::Listen(int nConnectionBacklog) { return listen(m_hSocket, nConnectionBacklog) != SOCKET_ERROR; }

BOOL CAsyncSocket::Accept(CAsyncSocket& rConnectedSocket, SOCKADDR* lpSockAddr, int* lpSockAddrLen) {
  if (rConnectedSocket.m_hSocket != INVALID_SOCKET) return FailWith(WSAEINVAL);
  SOCKET s = accept(m_hSocket, lpSockAddr, lpSockAddrLen);
  if (s == INVALID_SOCKET) return FALSE;
  if (!rConnectedSocket.Attach(s)) {
    int error = WSAGetLastError();
    closesocket(s);
    return FailWith(error);
  }
  return TRUE;
}

int CAsyncSocket::Receive(void* lpBuf, int nBufLen, int nFlags) {
  return recv(m_hSocket, static_cast<char*>(lpBuf), nBufLen, nFlags);
}

int CAsyncSocket::Send(const void* lpBuf, int nBufLen, int nFlags) {
  return send(m_hSocket, static_cast<const char*>(lpBuf), nBufLen, nFlags);
}

BOOL CAsyncSocket::ShutDown(int nHow) { return shutdown(m_hSocket, nHow) != SOCKET_ERROR; }

BOOL CAsyncSocket::IOCtl(long lCommand, u_long* lpArgument) {
  return ioctlsocket(m_hSocket, lCommand, lpArgument) != SOCKET_ERROR;
}

int CAsyncSocket::GetLastError() { return WSAGetLastError(); }

void CAsyncSocket::OnReceive(int) {}
void CAsyncSocket::OnSend(int) {}
void CAsyncSocket::OnOutOfBandData(int) {}
void CAsyncSocket::OnAccept(int) {}
void CAsyncSocket::OnConnect(int) {}
void CAsyncSocket::OnClose(int) {}

BOOL AfxSocketInit(WSADATA* lpwsaData) {
  WSADATA data{};
  if (WSAStartup(MAKEWORD(1, 1), &data) != 0) return FALSE;
  if (lpwsaData) *lpwsaData = data;
  return TRUE;
}
