// Request and reply round trips on loopback through the whole stack (SendAndWait against the
// testbed server, 1 KiB requests, AES layer on), beside a plain TCP ping-pong of the same sizes
// in the same run (PlainTcpBench.cpp, kept apart because it uses the system's socket names).

#include <benchmark/benchmark.h>

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
  // The plain echo beside this keeps no log of what it received; neither does this server, so
  // that both sides do the same work (a growing log costs allocations on every request).
  server.SetRecordRequests(false);
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

}  // namespace

BENCHMARK_MAIN();
