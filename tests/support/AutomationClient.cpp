#include "tests/support/AutomationClient.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <thread>

#include "tests/support/WaitFor.h"

namespace testsupport {
namespace {

constexpr int POLL_STEP_MS = 100;
// One answer may take a while on a loaded machine: the program answers from its own threads.
constexpr int ANSWER_LIMIT_MS = 30000;

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

std::string Unhex(const std::string& hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    out += static_cast<char>(std::strtol(hex.substr(i, 2).c_str(), nullptr, 16));
  }
  return out;
}

}  // namespace

AutomationClient::~AutomationClient() {
  if (m_fd >= 0) ::close(m_fd);
}

bool AutomationClient::Connect(int limitMs) {
  return WaitUntil(
      [this] {
        if (m_fd >= 0) return true;
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", m_path.c_str());
        if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
          m_fd = fd;
          return true;
        }
        if (fd >= 0) ::close(fd);
        return false;
      },
      limitMs);
}

std::vector<std::string> AutomationClient::Ask(const std::string& line) {
  std::vector<std::string> lines;
  if (m_fd < 0) return lines;
  const std::string out = line + "\n";
  if (::send(m_fd, out.data(), out.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(out.size())) return lines;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ANSWER_LIMIT_MS);
  for (;;) {
    size_t end;
    while ((end = m_pending.find('\n')) != std::string::npos) {
      std::string got = m_pending.substr(0, end);
      m_pending.erase(0, end + 1);
      if (got == ".") return lines;
      lines.push_back(got);
    }
    if (std::chrono::steady_clock::now() > deadline) return {};
    pollfd fd{m_fd, POLLIN, 0};
    if (::poll(&fd, 1, POLL_STEP_MS) <= 0) continue;
    char chunk[4096];
    const ssize_t n = ::recv(m_fd, chunk, sizeof chunk, 0);
    if (n <= 0) return {};
    m_pending.append(chunk, static_cast<size_t>(n));
  }
}

std::vector<ShownWindow> AutomationClient::Windows() {
  std::vector<ShownWindow> windows;
  for (const std::string& line : Ask("windows")) {
    std::istringstream in(line);
    ShownWindow w;
    std::string handle, parent, cls, text;
    int visible = 0;
    if (!(in >> handle >> parent >> w.id >> visible >> w.left >> w.top >> w.right >> w.bottom >> cls)) continue;
    in >> text;
    w.handle = static_cast<uint32_t>(std::strtoul(handle.c_str(), nullptr, 16));
    w.parent = static_cast<uint32_t>(std::strtoul(parent.c_str(), nullptr, 16));
    w.visible = visible != 0;
    w.className = Unhex(cls);
    w.text = Unhex(text);
    windows.push_back(w);
  }
  return windows;
}

std::string AutomationClient::Text(uint32_t handle) {
  char command[32];
  std::snprintf(command, sizeof command, "text %x", handle);
  std::vector<std::string> lines = Ask(command);
  return lines.size() == 1 && lines[0] != "error" ? Unhex(lines[0]) : std::string();
}

std::vector<std::string> AutomationClient::Rows(uint32_t handle, int column) {
  char command[48];
  std::snprintf(command, sizeof command, "rows %x %d", handle, column);
  std::vector<std::string> rows;
  for (const std::string& line : Ask(command)) rows.push_back(Unhex(line));
  return rows;
}

uint32_t AutomationClient::At(int x, int y) {
  std::vector<std::string> answer = Ask("at " + std::to_string(x) + " " + std::to_string(y));
  return answer.size() == 1 ? static_cast<uint32_t>(std::strtoul(answer[0].c_str(), nullptr, 16)) : 0;
}

bool AutomationClient::Click(int x, int y) {
  std::vector<std::string> answer = Ask("click " + std::to_string(x) + " " + std::to_string(y));
  return answer.size() == 1 && answer[0] == "ok";
}

bool AutomationClient::Type(const std::string& utf8) {
  std::vector<std::string> answer = Ask("type " + Hex(utf8));
  return answer.size() == 1 && answer[0] == "ok";
}

bool AutomationClient::Post(uint32_t handle, unsigned message, long long wParam, long long lParam) {
  char command[96];
  std::snprintf(command, sizeof command, "post %x %u %lld %lld", handle, message, wParam, lParam);
  std::vector<std::string> answer = Ask(command);
  return answer.size() == 1 && answer[0] == "ok";
}

std::optional<ShownWindow> AutomationClient::WaitForWindow(const std::function<bool(const ShownWindow&)>& match,
                                                           int limitMs) {
  std::optional<ShownWindow> found;
  WaitUntil(
      [&] {
        for (const ShownWindow& w : Windows()) {
          if (match(w)) {
            found = w;
            return true;
          }
        }
        return false;
      },
      limitMs);
  return found;
}

bool AutomationClient::WaitUntil(const std::function<bool()>& condition, int limitMs) {
  return WaitFor(condition, limitMs, POLL_STEP_MS);
}

std::function<bool(const ShownWindow&)> VisibleWithText(const std::string& text) {
  return [text](const ShownWindow& w) { return w.visible && w.text == text; };
}

std::function<bool(const ShownWindow&)> VisibleStartingWith(const std::string& prefix) {
  return [prefix](const ShownWindow& w) { return w.visible && w.text.compare(0, prefix.size(), prefix) == 0; };
}

}  // namespace testsupport
