#include "platform/display/Automation.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <sstream>
#include <thread>

#include "platform/comctl/CommCtrl.h"
#include "platform/user/Input.h"
#include "platform/user/MessageQueue.h"
#include "platform/user/Window.h"
#include "platform/user/WindowClass.h"

namespace platform {
namespace {

// A window whose thread does not answer within this time counts as showing no text; the test
// asks again.
constexpr UINT ANSWER_LIMIT_MS = 5000;
constexpr size_t MAX_LINE = 64 * 1024;

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

bool Unhex(const std::string& hex, std::string* bytes) {
  if (hex.size() % 2 != 0) return false;
  bytes->clear();
  for (size_t i = 0; i < hex.size(); i += 2) {
    char pair[3] = {hex[i], hex[i + 1], 0};
    char* end = nullptr;
    const long v = std::strtol(pair, &end, 16);
    if (end != pair + 2) return false;
    bytes->push_back(static_cast<char>(v));
  }
  return true;
}

HWND ParseHandle(const std::string& text) {
  char* end = nullptr;
  const unsigned long v = std::strtoul(text.c_str(), &end, 16);
  if (text.empty() || *end != '\0') return nullptr;
  return reinterpret_cast<HWND>(static_cast<uintptr_t>(v));
}

std::string HandleText(HWND hwnd) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%x", static_cast<unsigned>(reinterpret_cast<uintptr_t>(hwnd)));
  return buffer;
}

std::string WindowText(HWND hwnd) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutA(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, ANSWER_LIMIT_MS, &length)) return {};
  std::string text(static_cast<size_t>(length) + 1, '\0');
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutA(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_NORMAL,
                           ANSWER_LIMIT_MS, &got)) {
    return {};
  }
  text.resize(std::min<size_t>(static_cast<size_t>(got), text.size() - 1));
  return text;
}

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
  return TRUE;
}

std::vector<std::string> ListWindows() {
  std::vector<HWND> top;
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&top));
  std::vector<HWND> all;
  for (HWND w : top) {
    all.push_back(w);
    EnumChildWindows(w, CollectWindow, reinterpret_cast<LPARAM>(&all));
  }
  std::vector<std::string> lines;
  for (HWND w : all) {
    RECT rc{};
    if (!GetWindowRect(w, &rc)) continue;
    char cls[256] = {};
    GetClassNameA(w, cls, sizeof cls);
    std::ostringstream line;
    line << HandleText(w) << ' ' << HandleText(GetParent(w)) << ' ' << GetDlgCtrlID(w) << ' '
         << (IsWindowVisible(w) ? 1 : 0) << ' ' << rc.left
         << ' ' << rc.top << ' ' << rc.right << ' ' << rc.bottom << ' ' << Hex(cls) << ' ' << Hex(WindowText(w));
    lines.push_back(line.str());
  }
  return lines;
}

std::vector<std::string> ListRows(HWND list, int column) {
  std::vector<std::string> lines;
  DWORD_PTR count = 0;
  if (!SendMessageTimeoutA(list, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, ANSWER_LIMIT_MS, &count)) return lines;
  for (int row = 0; row < static_cast<int>(count); ++row) {
    char buffer[512] = {};
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = sizeof buffer;
    DWORD_PTR got = 0;
    SendMessageTimeoutA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item),
                        SMTO_NORMAL, ANSWER_LIMIT_MS, &got);
    lines.push_back(Hex(buffer));
  }
  return lines;
}

struct Server {
  std::mutex mutex;
  std::thread thread;
  std::string path;
  int listener = -1;
  int wake[2] = {-1, -1};
  std::atomic<bool> running{false};
};

Server& TheServer() {
  static Server* server = new Server();
  return *server;
}

void WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

// Serves one connection until it closes or the server stops.
void Serve(Server& s, int fd) {
  std::string pending;
  char chunk[4096];
  for (;;) {
    pollfd fds[2] = {{fd, POLLIN, 0}, {s.wake[0], POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) continue;
    if (fds[1].revents != 0) return;
    const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
    if (n <= 0) return;
    pending.append(chunk, static_cast<size_t>(n));
    if (pending.size() > MAX_LINE) return;
    size_t end;
    while ((end = pending.find('\n')) != std::string::npos) {
      const std::string line = pending.substr(0, end);
      pending.erase(0, end + 1);
      std::string answer;
      for (const std::string& l : RunAutomationCommand(line)) answer += l + "\n";
      WriteAll(fd, answer + ".\n");
    }
  }
}

void Run(Server& s) {
  for (;;) {
    pollfd fds[2] = {{s.listener, POLLIN, 0}, {s.wake[0], POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) continue;
    if (fds[1].revents != 0) return;
    const int fd = ::accept(s.listener, nullptr, nullptr);
    if (fd < 0) continue;
    Serve(s, fd);
    ::close(fd);
  }
}

}  // namespace

std::vector<std::string> RunAutomationCommand(const std::string& line) {
  std::istringstream in(line);
  std::string command;
  in >> command;
  if (command == "windows") return ListWindows();
  if (command == "text") {
    std::string handle;
    in >> handle;
    HWND w = ParseHandle(handle);
    if (w == nullptr || !IsWindow(w)) return {"error"};
    return {Hex(WindowText(w))};
  }
  if (command == "rows") {
    std::string handle;
    int column = 0;
    in >> handle >> column;
    HWND w = ParseHandle(handle);
    if (w == nullptr || !IsWindow(w) || column < 0) return {"error"};
    return ListRows(w, column);
  }
  if (command == "at") {
    POINT p{};
    if (!(in >> p.x >> p.y)) return {"error"};
    return {HandleText(WindowFromPoint(p))};
  }
  if (command == "click") {
    POINT p{};
    if (!(in >> p.x >> p.y)) return {"error"};
    InjectMouseMove(p);
    InjectMouseButton(0, true, p);
    InjectMouseButton(0, false, p);
    return {"ok"};
  }
  if (command == "type") {
    std::string hex, text;
    in >> hex;
    if (!Unhex(hex, &text)) return {"error"};
    InjectText(text);
    return {"ok"};
  }
  if (command == "key") {
    UINT key = 0;
    if (!(in >> key)) return {"error"};
    InjectKey(key, true, 0);
    InjectKey(key, false, 0);
    return {"ok"};
  }
  if (command == "post") {
    std::string handle;
    unsigned long message = 0;
    long long wParam = 0, lParam = 0;
    if (!(in >> handle >> message >> wParam >> lParam)) return {"error"};
    HWND w = ParseHandle(handle);
    if (w == nullptr || !PostMessageA(w, static_cast<UINT>(message), static_cast<WPARAM>(wParam),
                                      static_cast<LPARAM>(lParam))) {
      return {"error"};
    }
    return {"ok"};
  }
  return {"error"};
}

bool StartAutomation() {
  Server& s = TheServer();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (s.running) return true;
  const char* path = std::getenv("PXQD_AUTOMATION");
  if (path == nullptr || *path == '\0') return false;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (std::strlen(path) >= sizeof address.sun_path) return false;
  std::strcpy(address.sun_path, path);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  ::unlink(path);
  const mode_t old = ::umask(0077);
  const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::umask(old);
  if (!bound || ::listen(fd, 4) != 0 || ::pipe2(s.wake, O_CLOEXEC) != 0) {
    ::close(fd);
    return false;
  }
  s.listener = fd;
  s.path = path;
  s.running = true;
  s.thread = std::thread([&s] { Run(s); });
  std::atexit(StopAutomation);
  return true;
}

void StopAutomation() {
  Server& s = TheServer();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (!s.running) return;
  const char byte = 1;
  if (::write(s.wake[1], &byte, 1) < 0) {
    // The thread is then left to end with the process.
  }
  if (s.thread.joinable()) s.thread.join();
  ::close(s.listener);
  ::close(s.wake[0]);
  ::close(s.wake[1]);
  ::unlink(s.path.c_str());
  s.running = false;
}

}  // namespace platform
