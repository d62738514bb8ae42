// The testbed game server as a program: listens on 127.0.0.1 and answers every request that
// wants a reply with success. Usage: pxqd-server [port]   (default 31380)
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "testbed/server/WireServer.h"

namespace {
volatile std::sig_atomic_t g_stop = 0;
void OnSignal(int) { g_stop = 1; }
}  // namespace

int main(int argc, char** argv) {
  long port = argc > 1 ? strtol(argv[1], nullptr, 10) : 31380;
  if (port < 0 || port > 65535) {
    fprintf(stderr, "usage: %s [port]\n", argv[0]);
    return 2;
  }
  testbed::WireServer server;
  server.SetHandler([](const testbed::Request& request) {
    fprintf(stderr, "session %d: request %u (%zu bytes)\n", request.session, request.code, request.data.size());
    return testbed::Reply{};
  });
  if (!server.Start(static_cast<uint16_t>(port))) {
    fprintf(stderr, "cannot listen on 127.0.0.1:%ld\n", port);
    return 1;
  }
  printf("listening on 127.0.0.1:%u\n", server.Port());
  fflush(stdout);
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  while (!g_stop) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  server.Stop();
  return 0;
}
