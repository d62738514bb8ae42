#include "tests/support/LoopbackTools.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

#include "tests/support/WaitFor.h"

namespace testsupport {

namespace {
sockaddr_in Loopback(uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(port);
  return a;
}
}  // namespace

uint16_t FreeLoopbackPort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a = Loopback(0);
  bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  close(fd);
  return ntohs(a.sin_port);
}

bool LoopbackPortAnswers(uint16_t port) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a = Loopback(port);
  bool ok = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  close(fd);
  return ok;
}

PlainListener::PlainListener() {
  m_fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a = Loopback(0);
  bind(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  listen(m_fd, 1);
  socklen_t len = sizeof a;
  getsockname(m_fd, reinterpret_cast<sockaddr*>(&a), &len);
  m_port = ntohs(a.sin_port);
}

PlainListener::~PlainListener() {
  if (m_client >= 0) close(m_client);
  close(m_fd);
}

std::vector<unsigned char> PlainListener::Read(size_t n, int timeoutMs) {
  std::vector<unsigned char> out;
  if (m_client < 0) {
    pollfd p{m_fd, POLLIN, 0};
    if (poll(&p, 1, timeoutMs) <= 0) return out;
    m_client = accept(m_fd, nullptr, nullptr);
  }
  while (out.size() < n) {
    pollfd p{m_client, POLLIN, 0};
    if (poll(&p, 1, timeoutMs) <= 0) break;
    unsigned char buf[4096];
    ssize_t got = recv(m_client, buf, std::min(sizeof buf, n - out.size()), 0);
    if (got <= 0) break;
    out.insert(out.end(), buf, buf + got);
  }
  return out;
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv, uint16_t readyPort)
    : m_program(std::make_unique<Program>(argv, Program::Options{.outputPath = "/dev/null", .errorPath = "/dev/null"})),
      m_port(readyPort) {
  WaitFor([this] { return !m_program->Started() || m_program->Ended() || LoopbackPortAnswers(m_port); });
}

ChildProcess::~ChildProcess() { m_program->Stop(PROCESS_WAIT_MS); }

bool ChildProcess::Running() const { return m_program->Started() && LoopbackPortAnswers(m_port); }

}  // namespace testsupport
