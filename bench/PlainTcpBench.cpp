// A plain TCP ping-pong of 1 KiB messages on loopback: the floor under the connection's round
// trips.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <thread>
#include <vector>

namespace {

const size_t REQUEST_BYTES = 1024;

bool ReadAll(int fd, unsigned char* p, size_t n) {
  while (n > 0) {
    ssize_t got = recv(fd, p, n, 0);
    if (got <= 0) return false;
    p += got;
    n -= static_cast<size_t>(got);
  }
  return true;
}

void BM_PlainTcpPingPong(benchmark::State& state) {
  int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a);
  listen(listener, 1);
  socklen_t len = sizeof a;
  getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len);
  std::thread echo([listener] {
    int fd = accept(listener, nullptr, nullptr);
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    std::vector<unsigned char> buf(REQUEST_BYTES);
    while (ReadAll(fd, buf.data(), buf.size()) && send(fd, buf.data(), buf.size(), MSG_NOSIGNAL) > 0) {
    }
    close(fd);
  });
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  std::vector<unsigned char> buf(REQUEST_BYTES, 0x5A);
  for (auto _ : state) {
    send(fd, buf.data(), buf.size(), MSG_NOSIGNAL);
    ReadAll(fd, buf.data(), buf.size());
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * REQUEST_BYTES * 2);
  close(fd);
  echo.join();
  close(listener);
}
BENCHMARK(BM_PlainTcpPingPong)->UseRealTime();

}  // namespace
