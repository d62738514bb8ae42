// Request and reply round trips on loopback through the whole stack (SendAndWait against the
// testbed server, 1 KiB requests, AES layer on), beside a plain TCP ping-pong of the same sizes
// in the same run.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <thread>
#include <vector>

#include "net/SocketConnection.h"
#include "testbed/server/WireServer.h"

namespace {

const size_t REQUEST_BYTES = 1024;

void BM_SendAndWaitRoundTrip(benchmark::State& state) {
  WSADATA data;
  WSAStartup(MAKEWORD(1, 1), &data);
  RegisterSocketWindowClass();
  testbed::WireServer server;
  server.SetHandler([](const testbed::Request& r) {
    testbed::Reply reply;
    reply.data = r.data;
    return reply;
  });
  if (!server.Start()) {
    state.SkipWithError("server did not start");
    return;
  }
  static const char greeting[] = "Hello! Play Harbour.";
  CSocketConnection connection(testbed::DefaultPacketKey(), 128, 0x100, 0, 1, 4000);
  if (!connection.Connect("127.0.0.1", server.Port(), 5, nullptr, 0, 0, reinterpret_cast<const BYTE*>(greeting),
                          sizeof greeting, 0, 0)) {
    state.SkipWithError("connect failed");
    return;
  }
  std::vector<BYTE> body(REQUEST_BYTES, 0x5A);
  PacketEnvelope envelope{};
  envelope.replyWanted = 1;
  PacketRecord request{};
  request.head.code = 201001;
  request.length = static_cast<int32_t>(body.size());
  request.data = body.data();
  for (auto _ : state) {
    PacketRecord reply{};
    int timedOut = 0;
    if (!connection.SendAndWait(&envelope, &request, &reply, &timedOut, 5000, 0, 0, 1, nullptr, 0)) {
      state.SkipWithError("request failed");
      break;
    }
    FreePacketData(&reply);
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * REQUEST_BYTES * 2);
  connection.Close();
  server.Stop();
}
BENCHMARK(BM_SendAndWaitRoundTrip)->UseRealTime();

bool ReadAll(int fd, BYTE* p, size_t n) {
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
    std::vector<BYTE> buf(REQUEST_BYTES);
    while (ReadAll(fd, buf.data(), buf.size()) && send(fd, buf.data(), buf.size(), MSG_NOSIGNAL) > 0) {
    }
    close(fd);
  });
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  std::vector<BYTE> buf(REQUEST_BYTES, 0x5A);
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

BENCHMARK_MAIN();
