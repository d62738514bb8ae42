#include "fuzz/ScriptedPeer.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>

#include "testbed/LoopbackListener.h"

namespace fuzzpeer {

int Listen(uint16_t* port) {
  const int fd = testbed::ListenOnLoopback(0, 8, port);
  if (fd < 0) std::abort();
  return fd;
}

void Answer(int listenFd, const std::string& reply) {
  pollfd p{listenFd, POLLIN, 0};
  if (poll(&p, 1, 5000) <= 0) return;
  const int client = accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
  if (client < 0) return;
  size_t sent = 0;
  while (sent < reply.size()) {
    const ssize_t n = send(client, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) break;
    sent += static_cast<size_t>(n);
  }
  shutdown(client, SHUT_WR);
  char sink[512];
  pollfd c{client, POLLIN, 0};
  while (poll(&c, 1, 5000) > 0 && recv(client, sink, sizeof sink, 0) > 0) {
  }
  close(client);
}

}  // namespace fuzzpeer
