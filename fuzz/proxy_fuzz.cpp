// The proxy handshake over arbitrary replies: a loopback "proxy" answers every connection with the
// fuzz bytes and then closes its side, while the client runs a SOCKS4, SOCKS4a, SOCKS5 (with or
// without a login) or HTTP CONNECT handshake against it. Every reply must end in a tunnel or a
// failure, never in a crash or a wait for the time-out.
#include <string>
#include <thread>

#include "fuzz/FuzzInput.h"
#include "fuzz/ScriptedPeer.h"
#include "net/ProxySocket.h"
#include "platform/winsock/WinSock.h"

namespace {

struct Listener {
  int fd = -1;
  uint16_t port = 0;
};

const Listener& TheListener() {
  static const Listener listener = [] {
    WSADATA data;
    WSAStartup(MAKEWORD(1, 1), &data);
    Listener l;
    l.fd = fuzzpeer::Listen(&l.port);
    return l;
  }();
  return listener;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Listener& listener = TheListener();
  FuzzInput in(data, size);
  const uint8_t options = in.Byte();
  static const int KINDS[] = {PROXY_KIND_SOCKS4, PROXY_KIND_SOCKS4A, PROXY_KIND_SOCKS5, PROXY_KIND_HTTP};
  const int kind = KINDS[options & 3];
  const bool login = (options & 4) != 0;
  size_t count = 0;
  const uint8_t* bytes = in.Rest(&count);

  std::thread proxy(fuzzpeer::Answer, listener.fd, std::string(reinterpret_cast<const char*>(bytes), count));
  {
    CProxyConnectSocket socket;
    socket.ConnectWithTimeout("127.0.0.1", 9, kind, "127.0.0.1", listener.port, login ? "player" : nullptr,
                              login ? "secret" : nullptr, 10);
    socket.Close();
  }
  proxy.join();
  return 0;
}
