// pxqd-web [--root DIR] [--port N]: serves the testbed's web site (default: the site folder of
// the source tree, port 31390, the client's default web base) until it is stopped.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "testbed/web/WebSite.h"

int main(int argc, char** argv) {
  std::string root = PXQD_WEB_SITE_DIR;
  int port = 31390;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    if (name == "--root") {
      root = argv[i + 1];
    } else if (name == "--port") {
      port = std::atoi(argv[i + 1]);
    } else {
      std::fprintf(stderr, "usage: pxqd-web [--root DIR] [--port N]\n");
      return 2;
    }
  }
  if (port < 0 || port > 65535) {
    std::fprintf(stderr, "pxqd-web: bad port %d\n", port);
    return 2;
  }
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  testbed::WebSite site(root);
  if (!site.Start(static_cast<uint16_t>(port))) {
    std::fprintf(stderr, "pxqd-web: cannot listen on 127.0.0.1:%d\n", port);
    return 1;
  }
  std::printf("pxqd-web: serving %s at %s\n", root.c_str(), site.BaseUrl().c_str());
  std::fflush(stdout);
  int signal = 0;
  sigwait(&set, &signal);
  site.Stop();
  return 0;
}
