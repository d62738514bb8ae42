// pxqd-web [--root DIR] [--port N]: serves the testbed's web site (default: the site folder of
// the source tree) until it is stopped. The port is --port, else $PXQD_WEB_PORT, else 31390 (the
// client's default web base); 0 takes a free port of the system's choosing, so that several
// sites run side by side. The line "pxqd-web: serving ROOT at URL" on standard output tells the
// address it serves, whatever the port was.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

#include "testbed/web/WebSite.h"

namespace {

// A port from 0 to 65535, written as digits only.
std::optional<int> ParsePort(const std::string& text) {
  if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
  const int port = std::atoi(text.c_str());
  if (port > 65535) return std::nullopt;
  return port;
}

int Usage() {
  std::fprintf(stderr, "usage: pxqd-web [--root DIR] [--port N]   (N 0-65535, 0: a free port; default $PXQD_WEB_PORT or 31390)\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string root = PXQD_WEB_SITE_DIR;
  std::string portText = "31390";
  std::string portFrom = "the default";
  if (const char* env = std::getenv("PXQD_WEB_PORT"); env != nullptr && *env != '\0') {
    portText = env;
    portFrom = "PXQD_WEB_PORT";
  }
  for (int i = 1; i < argc; i += 2) {
    const std::string name = argv[i];
    if (i + 1 >= argc) return Usage();
    if (name == "--root") {
      root = argv[i + 1];
    } else if (name == "--port") {
      portText = argv[i + 1];
      portFrom = "--port";
    } else {
      return Usage();
    }
  }
  const std::optional<int> port = ParsePort(portText);
  if (!port) {
    std::fprintf(stderr, "pxqd-web: bad port '%s' (%s): a number from 0 to 65535\n", portText.c_str(), portFrom.c_str());
    return 2;
  }
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  testbed::WebSite site(root);
  if (!site.Start(static_cast<uint16_t>(*port))) {
    std::fprintf(stderr, "pxqd-web: cannot listen on 127.0.0.1:%d (is it taken? --port 0 takes a free one)\n", *port);
    return 1;
  }
  std::printf("pxqd-web: serving %s at %s\n", root.c_str(), site.BaseUrl().c_str());
  std::fflush(stdout);
  int signal = 0;
  sigwait(&set, &signal);
  site.Stop();
  return 0;
}
