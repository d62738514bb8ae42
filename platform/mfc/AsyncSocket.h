// MFC's asynchronous socket: a SOCKET with virtual call-backs for its WinSock events.
//
// The events of a socket are delivered by a hidden notification window of the thread that
// created (or attached) the socket, so the call-backs run on that thread, inside its message
// loop, one at a time. A thread that owns sockets must therefore run a message loop (GetMessage
// or a PeekMessage pump) for their call-backs to come. Failures return FALSE (or SOCKET_ERROR
// from Send/Receive) and leave the WinSock error for GetLastError.
#pragma once

#include "platform/base/WinTypes.h"
#include "platform/winsock/WinSock.h"

// Starts WinSock 1.1 for the program (the sockets of the class library need it); TRUE on success.
// lpwsaData, when given, receives WSAStartup's description.
BOOL AfxSocketInit(WSADATA* lpwsaData = nullptr);

class CAsyncSocket {
 public:
  CAsyncSocket();
  // Closes the socket when the object still holds one; take the handle away with Detach first
  // when it is to outlive the object.
  virtual ~CAsyncSocket();
  CAsyncSocket(const CAsyncSocket&) = delete;
  CAsyncSocket& operator=(const CAsyncSocket&) = delete;

  // A new socket with the selected events, bound to the port (0: any) and the dotted address
  // (null: any).
  BOOL Create(UINT nSocketPort = 0, int nSocketType = SOCK_STREAM,
              long lEvent = FD_READ | FD_WRITE | FD_OOB | FD_ACCEPT | FD_CONNECT | FD_CLOSE,
              LPCTSTR lpszSocketAddress = nullptr);
  // Takes an existing socket; its events go to the calling thread from now on.
  BOOL Attach(SOCKET hSocket, long lEvent = FD_READ | FD_WRITE | FD_OOB | FD_ACCEPT | FD_CONNECT | FD_CLOSE);
  // Gives the socket up without closing it; the object calls no call-back for it any more.
  SOCKET Detach();
  virtual void Close();
  BOOL AsyncSelect(long lEvent = FD_READ | FD_WRITE | FD_OOB | FD_ACCEPT | FD_CONNECT | FD_CLOSE);

  BOOL Bind(UINT nSocketPort, LPCTSTR lpszSocketAddress = nullptr);
  // A dotted address or a host name. FALSE with WSAEWOULDBLOCK means that the connect is under
  // way: OnConnect reports its outcome. A name that does not resolve fails with WSAEINVAL.
  BOOL Connect(LPCTSTR lpszHostAddress, UINT nHostPort);
  BOOL Connect(const SOCKADDR* lpSockAddr, int nSockAddrLen);
  BOOL Listen(int nConnectionBacklog = 5);
  virtual BOOL Accept(CAsyncSocket& rConnectedSocket, SOCKADDR* lpSockAddr = nullptr, int* lpSockAddrLen = nullptr);
  virtual int Receive(void* lpBuf, int nBufLen, int nFlags = 0);
  virtual int Send(const void* lpBuf, int nBufLen, int nFlags = 0);
  BOOL ShutDown(int nHow = SD_SEND);
  BOOL IOCtl(long lCommand, u_long* lpArgument);

  static int GetLastError();

  SOCKET m_hSocket;

 protected:
  virtual void OnReceive(int nErrorCode);
  virtual void OnSend(int nErrorCode);
  virtual void OnOutOfBandData(int nErrorCode);
  virtual void OnAccept(int nErrorCode);
  virtual void OnConnect(int nErrorCode);
  virtual void OnClose(int nErrorCode);

 private:
  friend struct AsyncSocketDispatch;
};
