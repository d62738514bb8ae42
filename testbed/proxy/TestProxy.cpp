#include "testbed/proxy/TestProxy.h"

#include "testbed/LoopbackListener.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace testbed {

namespace {

bool ReadExactly(int fd, void* out, size_t n) {
  auto* p = static_cast<unsigned char*>(out);
  while (n > 0) {
    ssize_t got = recv(fd, p, n, 0);
    if (got <= 0) return false;
    p += got;
    n -= static_cast<size_t>(got);
  }
  return true;
}

// Reads a zero-terminated field of at most `limit` bytes.
bool ReadField(int fd, std::string* out, size_t limit) {
  out->clear();
  for (;;) {
    char c;
    if (recv(fd, &c, 1, 0) != 1) return false;
    if (c == '\0') return true;
    if (out->size() >= limit) return false;
    *out += c;
  }
}

void Relay(int a, int b) {
  pollfd fds[2] = {{a, POLLIN, 0}, {b, POLLIN, 0}};
  char buf[8192];
  for (;;) {
    if (poll(fds, 2, 200) < 0) return;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) {
        ssize_t got = recv(fds[i].fd, buf, sizeof buf, 0);
        if (got <= 0) return;
        if (send(fds[1 - i].fd, buf, static_cast<size_t>(got), MSG_NOSIGNAL) != got) return;
      }
    }
  }
}

}  // namespace

TestProxy::~TestProxy() { Stop(); }

bool TestProxy::Start() {
  m_listenFd = ListenOnLoopback(0, 8, &m_port);
  if (m_listenFd < 0) return false;
  m_running = true;
  m_acceptThread = std::thread([this] { AcceptLoop(); });
  return true;
}

void TestProxy::Stop() {
  if (!m_running.exchange(false)) return;
  shutdown(m_listenFd, SHUT_RDWR);
  m_acceptThread.join();
  close(m_listenFd);
  std::vector<std::thread> threads;
  {
    std::lock_guard<std::mutex> g(m_lock);
    for (int fd : m_fds) shutdown(fd, SHUT_RDWR);
    threads.swap(m_threads);
  }
  for (auto& t : threads) t.join();
  std::lock_guard<std::mutex> g(m_lock);
  for (int fd : m_fds) close(fd);
  m_fds.clear();
}

std::vector<std::string> TestProxy::RequestedNames() {
  std::lock_guard<std::mutex> g(m_lock);
  return m_names;
}

std::string TestProxy::Received() {
  std::lock_guard<std::mutex> g(m_lock);
  return m_received;
}

void TestProxy::PlayScript(int client) {
  auto take = [&](char c) {
    std::lock_guard<std::mutex> g(m_lock);
    m_received += c;
  };
  for (const Step& step : m_script) {
    std::string got;
    while (step.until.empty() ? got.size() < step.read
                              : got.size() < step.until.size() ||
                                    got.compare(got.size() - step.until.size(), step.until.size(), step.until) != 0) {
      char c;
      if (recv(client, &c, 1, 0) != 1) return;
      got += c;
      take(c);
    }
    if (send(client, step.answer.data(), step.answer.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(step.answer.size()))
      return;
  }
  char c;
  while (m_running && recv(client, &c, 1, 0) == 1) take(c);
}

void TestProxy::AcceptLoop() {
  while (m_running) {
    pollfd p{m_listenFd, POLLIN, 0};
    if (poll(&p, 1, 50) <= 0) continue;
    int client = accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) continue;
    std::lock_guard<std::mutex> g(m_lock);
    m_fds.push_back(client);
    m_threads.emplace_back([this, client] { Serve(client); });
  }
}

void TestProxy::Serve(int client) {
  if (m_mode == Mode::HANGUP) {
    char buf[256];
    recv(client, buf, sizeof buf, 0);
    shutdown(client, SHUT_RDWR);
    return;
  }
  if (m_mode == Mode::SCRIPT) return PlayScript(client);
  if (m_mode == Mode::SILENT) {
    // Reads what comes and never answers.
    char buf[256];
    while (m_running && recv(client, buf, sizeof buf, 0) > 0) {
    }
    return;
  }
  unsigned char head[8];
  std::string user, name;
  if (!ReadExactly(client, head, 8) || head[0] != 4 || head[1] != 1 || !ReadField(client, &user, 255)) return;
  uint16_t port = static_cast<uint16_t>((head[2] << 8) | head[3]);
  in_addr address;
  memcpy(&address, head + 4, 4);
  bool named = head[4] == 0 && head[5] == 0 && head[6] == 0 && head[7] != 0;
  if (named) {
    if (!ReadField(client, &name, 255)) return;
    std::lock_guard<std::mutex> g(m_lock);
    m_names.push_back(name);
  }
  unsigned char reply[8] = {0, 91, 0, 0, 0, 0, 0, 0};
  int target = -1;
  if (m_mode == Mode::RELAY) {
    if (named) {
      addrinfo hints{}, *found = nullptr;
      hints.ai_family = AF_INET;
      hints.ai_socktype = SOCK_STREAM;
      if (getaddrinfo(name.c_str(), nullptr, &hints, &found) == 0 && found) {
        address = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
        freeaddrinfo(found);
      } else {
        address.s_addr = 0;
      }
    }
    if (address.s_addr != 0) {
      target = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
      sockaddr_in to{};
      to.sin_family = AF_INET;
      to.sin_port = htons(port);
      to.sin_addr = address;
      if (connect(target, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0) {
        reply[1] = 90;
      } else {
        close(target);
        target = -1;
      }
    }
  }
  send(client, reply, sizeof reply, MSG_NOSIGNAL);
  if (target < 0) return;
  Relay(client, target);
  close(target);
}

}  // namespace testbed
