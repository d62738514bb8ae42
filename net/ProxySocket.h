// A socket that reaches its target through a SOCKS4, SOCKS4a, SOCKS5 or HTTP CONNECT proxy.
// The handshake runs inside the socket's event handlers on the thread that created it; when the
// tunnel is up the owner is told through OnSend(0) and may take the socket handle over.
#pragma once

#include <string>
#include <vector>

#include "platform/mfc/AsyncSocket.h"

#define PROXY_KIND_NONE 0
#define PROXY_KIND_SOCKS4 1
#define PROXY_KIND_SOCKS4A 2
#define PROXY_KIND_SOCKS5 3
#define PROXY_KIND_HTTP 4

#define PROXY_ERR_CONNECT 1
#define PROXY_ERR_REFUSED 2
#define PROXY_ERR_VERSION 3
#define PROXY_ERR_METHOD 4
#define PROXY_ERR_LOGIN 5
#define PROXY_ERR_NO_LOGIN 6
#define PROXY_ERR_RESOLVE 7

class CProxySocket : public CAsyncSocket {
 public:
  CProxySocket();
  ~CProxySocket() override;

  void SetProxyType(int kind);
  void SetProxy(int kind, const char* proxyHost, int proxyPort);
  void SetProxyAuth(int kind, const char* proxyHost, int proxyPort, const char* user, const char* password);
  int GetProxyError() const { return m_lastError; }

  void Close() override;
  int Receive(void* buffer, int length, int flags = 0) override;
  int Send(const void* buffer, int length, int flags = 0) override;

  virtual BOOL ConnectSockAddr(const SOCKADDR* address, int length);
  virtual BOOL Connect(const char* host, UINT port);
  BOOL Accept(CAsyncSocket& connected, SOCKADDR* address = nullptr, int* length = nullptr) override;
  virtual BOOL ListenViaProxy(const char* host, UINT port);
  virtual BOOL Listen(int backlog = 5);
  // Called after a failed handshake with the mode it ran in (1 connect, 2 listen).
  virtual void OnProxyFailed(int mode) = 0;
  // Called when a listen through the proxy is bound (address and port in network order).
  virtual void OnListenFinished(DWORD address, WORD port) = 0;

 protected:
  void OnReceive(int error) override;
  void OnConnect(int error) override;
  // A proxy that hangs up during the handshake has refused it.
  void OnClose(int error) override;

  // Records the target (address 0: the name goes to the proxy) and starts the connection to the
  // proxy; FALSE with PROXY_ERR_CONNECT when it cannot be started.
  BOOL StartProxyConnect(DWORD targetAddress, WORD targetPort);
  // The first request of the handshake, built from the kind and the target.
  std::string BuildFirstRequest() const;
  std::string BuildSocks5ConnectRequest() const;
  // Collects bytes until the receive buffer holds `wanted`: 1 when complete, 0 when more must
  // come, -1 when the receive failed or the proxy closed.
  int Collect(size_t wanted);
  bool SendAll(const std::string& bytes);
  void Fail(int error);
  void Connected();
  void HandleHttpReply();

  std::string m_targetHost;
  std::vector<BYTE> m_receiveBuffer;
  DWORD m_expectedLength = 0;
  DWORD m_receivedLength = 0;
  std::string m_replyLine;
  int m_step = 0;
  int m_mode = 0;
  WORD m_targetPort = 0;      // network order
  DWORD m_targetAddress = 0;  // network order; 0 = the name goes to the proxy
  int m_lastError = 0;
  int m_proxyKind = PROXY_KIND_NONE;
  std::string m_proxyHost;
  int m_proxyPort = 0;
  std::string m_user;
  std::string m_password;
  int m_authentication = 0;
};

class CProxyConnectSocket : public CProxySocket {
 public:
  CProxyConnectSocket();
  ~CProxyConnectSocket() override;

  void OnProxyFailed(int mode) override;
  void OnListenFinished(DWORD address, WORD port) override;
  // Connects to host:port through the given proxy, pumping this thread's messages while it
  // waits: 1 when the tunnel is up within `seconds`, else 0 with the socket closed.
  virtual int ConnectWithTimeout(const char* host, int port, int kind, const char* proxyHost, int proxyPort,
                                 const char* user, const char* password, int seconds);

 protected:
  void OnSend(int error) override;
  void OnConnect(int error) override;

  HANDLE m_event = nullptr;
  int m_sendCount = 0;
  bool m_failed = false;
};
