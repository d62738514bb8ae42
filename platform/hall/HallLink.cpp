#include "platform/hall/HallLink.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include "platform/base/WinError.h"
#include "platform/hall/HallFrame.h"
#include "platform/kernel/Files.h"
#include "platform/kernel/KernelObject.h"
#include "platform/kernel/Time.h"
#include "platform/user/ForeignWindows.h"
#include "platform/user/MessageQueue.h"
#include "platform/user/Window.h"
#include "platform/user/WindowClass.h"

namespace platform {
namespace {

using hall::Frame;
using hall::FrameKind;
using hall::ReplyStatus;

// How long one side waits for the other's frame when the message itself does not say (posts,
// queries): the peer's server answers these at once, so this only bounds a peer that hangs.
const DWORD EXCHANGE_LIMIT_MS = 10000;
// A send may take its own time-out to be processed; its reply may then take this much longer.
const DWORD REPLY_SLACK_MS = 2000;
// Connections served at once; more are closed unanswered.
const int MAX_WORKERS = 64;

// The folder; only a process that publishes makes it, so that asking about a window that is not
// there leaves nothing behind.
std::string HallDirectoryAt(bool create) {
  std::string dir;
  const char* over = std::getenv("PXQD_HALL_DIR");
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (over && *over) {
    dir = over;
  } else if (runtime && runtime[0] == '/') {
    dir = std::string(runtime) + "/pxqd-hall";
  } else {
    dir = "/tmp/pxqd-hall-" + std::to_string(::getuid());
  }
  if (create && ::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return {};
  struct stat st {};
  if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) return {};
  // The longest name inside must still fit a socket address.
  if (dir.size() + 1 + 24 >= sizeof(sockaddr_un{}.sun_path)) return {};
  return dir;
}

// ---- socket helpers ----------------------------------------------------------------------------

ULONGLONG NowMs() { return GetTickCount64(); }

// Waits for the socket to become ready; false at the deadline (0 = no deadline).
bool WaitReady(int fd, short events, ULONGLONG deadline) {
  for (;;) {
    int waitMs = -1;
    if (deadline) {
      ULONGLONG now = NowMs();
      if (now >= deadline) return false;
      waitMs = static_cast<int>(std::min<ULONGLONG>(deadline - now, 60000));
    }
    pollfd p{fd, events, 0};
    int r = ::poll(&p, 1, waitMs);
    if (r > 0) return true;
    if (r < 0 && errno != EINTR) return false;
  }
}

bool WriteAll(int fd, const std::vector<BYTE>& bytes, ULONGLONG deadline) {
  size_t done = 0;
  while (done < bytes.size()) {
    if (!WaitReady(fd, POLLOUT, deadline)) return false;
    ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

bool ReadAll(int fd, BYTE* out, size_t size, ULONGLONG deadline) {
  size_t done = 0;
  while (done < size) {
    if (!WaitReady(fd, POLLIN, deadline)) return false;
    ssize_t n = ::recv(fd, out + done, size - done, MSG_DONTWAIT);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Reads one frame; false for a closed, slow or malformed peer.
bool ReadFrame(int fd, Frame* frame, ULONGLONG deadline) {
  BYTE head[hall::FRAME_HEAD_BYTES];
  uint32_t length = 0;
  if (!ReadAll(fd, head, sizeof head, deadline) || !hall::DecodeFrameHead(head, frame, &length)) return false;
  frame->payload.resize(length);
  return length == 0 || ReadAll(fd, frame->payload.data(), length, deadline);
}

bool MakeSocketAddress(const std::string& path, sockaddr_un* address) {
  std::memset(address, 0, sizeof *address);
  address->sun_family = AF_UNIX;
  if (path.size() >= sizeof address->sun_path) return false;
  std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
  return true;
}

bool PeerIsSameUser(int fd) {
  ucred cred{};
  socklen_t len = sizeof cred;
  return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) == 0 && cred.uid == ::getuid();
}

std::string WindowLinkName(HWND hwnd) {
  char name[16];
  std::snprintf(name, sizeof name, "w%08x", static_cast<unsigned>(reinterpret_cast<uintptr_t>(hwnd)));
  return name;
}

std::string OwnSocketName() { return "p" + std::to_string(::getpid()) + ".sock"; }

// Messages another process may send or post: those that carry no pointer, or WM_COPYDATA, whose
// bytes travel with it.
bool AcceptedFromOtherProcess(UINT message) {
  return message == WM_COPYDATA || message == WM_NULL || message == WM_CLOSE || message >= WM_USER;
}

// ---- the server of this process's published windows --------------------------------------------

class HallServer {
 public:
  static HallServer& Instance() {
    static HallServer* server = new HallServer;  // lives as long as the process
    return *server;
  }

  bool Publish(HWND hwnd) {
    std::lock_guard<std::mutex> g(m_lock);
    if (!StartLocked()) return false;
    std::string link = m_directory + "/" + WindowLinkName(hwnd);
    ::unlink(link.c_str());
    if (::symlink(OwnSocketName().c_str(), link.c_str()) != 0) return false;
    m_published.insert(hwnd);
    return true;
  }

  void Withdraw(HWND hwnd) {
    std::lock_guard<std::mutex> g(m_lock);
    if (!m_published.erase(hwnd)) return;
    ::unlink((m_directory + "/" + WindowLinkName(hwnd)).c_str());
  }

  // Whether a published window of this process still exists; a destroyed one is withdrawn.
  bool IsLive(HWND hwnd) {
    {
      std::lock_guard<std::mutex> g(m_lock);
      if (!m_published.count(hwnd)) return false;
    }
    if (IsLocalWindow(hwnd)) return true;
    Withdraw(hwnd);
    return false;
  }

  std::set<HWND> Published() {
    std::lock_guard<std::mutex> g(m_lock);
    return m_published;
  }

  // The removal at exit: the socket and the links of this process go with it.
  void RemoveFiles() {
    std::lock_guard<std::mutex> g(m_lock);
    if (m_directory.empty()) return;
    for (HWND h : m_published) ::unlink((m_directory + "/" + WindowLinkName(h)).c_str());
    ::unlink((m_directory + "/" + OwnSocketName()).c_str());
  }

  static bool IsLocalWindow(HWND hwnd) {
    // IsWindow would ask the router for a window that is not here; that must not come back here.
    DWORD pid = 0;
    return GetWindowThreadProcessId(hwnd, &pid) != 0;
  }

 private:
  // Serves in the hall folder of the moment: when it has changed (tests give each run a folder
  // of its own), the server moves there with the windows it has published.
  bool StartLocked() {
    std::string directory = HallDirectory();
    if (directory.empty()) return false;
    if (m_listener >= 0 && directory == m_directory) return true;
    std::string path = directory + "/" + OwnSocketName();
    sockaddr_un address;
    if (!MakeSocketAddress(path, &address)) return false;
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    ::unlink(path.c_str());  // left by an ended process that had this id
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 64) != 0) {
      ::close(fd);
      return false;
    }
    if (m_listener >= 0) {
      // The old accept loop ends at once and closes its socket.
      ::shutdown(m_listener, SHUT_RDWR);
      ::unlink((m_directory + "/" + OwnSocketName()).c_str());
      for (HWND h : m_published) {
        ::unlink((m_directory + "/" + WindowLinkName(h)).c_str());
        ::symlink(OwnSocketName().c_str(), (directory + "/" + WindowLinkName(h)).c_str());
      }
    }
    m_directory = directory;
    m_listener = fd;
    if (!m_cleanupRegistered) {
      m_cleanupRegistered = true;
      std::atexit([] { HallServer::Instance().RemoveFiles(); });
    }
    std::thread([this, fd] { AcceptLoop(fd); }).detach();
    return true;
  }

  void AcceptLoop(int listener) {
    for (;;) {
      int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) {
        if (errno == EINTR || errno == ECONNABORTED || errno == EMFILE || errno == ENFILE) {
          if (errno == EMFILE || errno == ENFILE) ::poll(nullptr, 0, 100);  // let descriptors free up
          continue;
        }
        ::close(listener);
        return;
      }
      if (!PeerIsSameUser(fd) || m_workers.load() >= MAX_WORKERS) {
        ::close(fd);
        continue;
      }
      ++m_workers;
      std::thread([this, fd] {
        Serve(fd);
        ::close(fd);
        --m_workers;
      }).detach();
    }
  }

  void Serve(int fd) {
    Frame request;
    if (!ReadFrame(fd, &request, NowMs() + EXCHANGE_LIMIT_MS) || request.kind == FrameKind::REPLY) return;
    Frame reply;
    reply.kind = FrameKind::REPLY;
    reply.timeoutOrStatus = static_cast<uint32_t>(ReplyStatus::OK);
    HWND hwnd = reinterpret_cast<HWND>(static_cast<uintptr_t>(request.hwnd));
    auto status = [&reply](ReplyStatus s) { reply.timeoutOrStatus = static_cast<uint32_t>(s); };
    // A post is answered before it is made: the posted message may end this process (WM_CLOSE to
    // its main window), and the poster must not take a process that ends as it asked for a
    // window that was never there. The window is live, so only a full queue can refuse it now.
    bool postAfterReply = false;
    switch (request.kind) {
      case FrameKind::IS_WINDOW:
        reply.wParam = IsLive(hwnd) ? 1 : 0;
        break;
      case FrameKind::FIND: {
        bool hasClass = false, hasName = false;
        std::string className, windowName;
        if (!hall::DecodeFindNames(request.payload, &hasClass, &className, &hasName, &windowName)) {
          status(ReplyStatus::REFUSED);
          break;
        }
        for (HWND h : Published()) {
          if (!IsLive(h) || GetParent(h)) continue;
          char buffer[hall::MAX_FIND_NAME + 2];
          if (hasClass && (GetClassNameA(h, buffer, sizeof buffer) < 0 || className != buffer)) continue;
          if (hasName && (GetWindowTextA(h, buffer, sizeof buffer) < 0 || windowName != buffer)) continue;
          reply.wParam = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(h));
          break;
        }
        break;
      }
      case FrameKind::POST:
        if (!IsLive(hwnd)) {
          status(ReplyStatus::NO_WINDOW);
        } else if (!AcceptedFromOtherProcess(request.message) || request.message == WM_COPYDATA ||
                   !request.payload.empty()) {
          status(ReplyStatus::REFUSED);
        } else {
          postAfterReply = true;
        }
        break;
      case FrameKind::SEND: {
        if (!IsLive(hwnd)) {
          status(ReplyStatus::NO_WINDOW);
          break;
        }
        if (!AcceptedFromOtherProcess(request.message) ||
            (request.message != WM_COPYDATA && !request.payload.empty())) {
          status(ReplyStatus::REFUSED);
          break;
        }
        COPYDATASTRUCT data{};
        LPARAM lParam = static_cast<LPARAM>(request.lParam);
        if (request.message == WM_COPYDATA) {
          data.dwData = static_cast<ULONG_PTR>(request.dwData);
          data.cbData = static_cast<DWORD>(request.payload.size());
          data.lpData = request.payload.empty() ? nullptr : request.payload.data();
          lParam = reinterpret_cast<LPARAM>(&data);
        }
        DWORD_PTR result = 0;
        SetLastError(0);
        if (SendMessageTimeoutA(hwnd, request.message, static_cast<WPARAM>(request.wParam), lParam, SMTO_NORMAL,
                                request.timeoutOrStatus, &result)) {
          reply.lParam = static_cast<uint64_t>(result);
        } else {
          status(GetLastError() == ERROR_TIMEOUT ? ReplyStatus::TIMED_OUT : ReplyStatus::NO_WINDOW);
        }
        break;
      }
      case FrameKind::REPLY:
        return;
    }
    WriteAll(fd, hall::EncodeFrame(reply), NowMs() + EXCHANGE_LIMIT_MS);
    if (postAfterReply) {
      PostMessageA(hwnd, request.message, static_cast<WPARAM>(request.wParam), static_cast<LPARAM>(request.lParam));
    }
  }

  std::mutex m_lock;
  std::string m_directory;
  int m_listener = -1;
  bool m_cleanupRegistered = false;
  std::set<HWND> m_published;
  std::atomic<int> m_workers{0};
};

// ---- reaching other processes' windows ----------------------------------------------------------

// Connects to the server that owns the window: -1 when no process has published it, when it is
// this process's own (which the window layer has already looked for), or when the owner is gone
// (its stale link is then removed).
int ConnectToOwner(HWND hwnd) {
  std::string directory = HallDirectoryAt(false);
  if (directory.empty() || !hwnd) return -1;
  std::string link = directory + "/" + WindowLinkName(hwnd);
  char target[128];
  ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
  if (n <= 0) return -1;
  target[n] = '\0';
  if (OwnSocketName() == target) return -1;
  sockaddr_un address;
  if (!MakeSocketAddress(link, &address)) return -1;
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    int error = errno;
    ::close(fd);
    if (error == ECONNREFUSED || error == ENOENT) ::unlink(link.c_str());
    return -1;
  }
  if (!PeerIsSameUser(fd)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// One request and its reply on a new connection to the window's owner.
bool Exchange(HWND hwnd, const Frame& request, Frame* reply, DWORD limitMs) {
  int fd = ConnectToOwner(hwnd);
  if (fd < 0) return false;
  ULONGLONG deadline = limitMs == INFINITE ? 0 : NowMs() + limitMs;
  bool ok = WriteAll(fd, hall::EncodeFrame(request), deadline) && ReadFrame(fd, reply, deadline) &&
            reply->kind == FrameKind::REPLY;
  ::close(fd);
  return ok;
}

Frame RequestFor(FrameKind kind, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Frame f;
  f.kind = kind;
  f.hwnd = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(hwnd));
  f.message = message;
  f.wParam = static_cast<uint64_t>(wParam);
  f.lParam = static_cast<uint64_t>(lParam);
  return f;
}

BOOL RouteIsWindow(HWND hwnd) {
  Frame reply;
  return Exchange(hwnd, RequestFor(FrameKind::IS_WINDOW, hwnd, 0, 0, 0), &reply, EXCHANGE_LIMIT_MS) &&
                 reply.wParam == 1
             ? TRUE
             : FALSE;
}

BOOL RoutePost(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Frame reply;
  if (!Exchange(hwnd, RequestFor(FrameKind::POST, hwnd, message, wParam, lParam), &reply, EXCHANGE_LIMIT_MS) ||
      reply.timeoutOrStatus == static_cast<uint32_t>(ReplyStatus::NO_WINDOW)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (reply.timeoutOrStatus != static_cast<uint32_t>(ReplyStatus::OK)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return TRUE;
}

// The send runs on a helper thread so that the caller can go on receiving the messages other
// threads and processes send to it meanwhile (the hall may answer with a send of its own).
BOOL RouteSend(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, DWORD timeout, LRESULT* result) {
  Frame request = RequestFor(FrameKind::SEND, hwnd, message, wParam, lParam);
  request.timeoutOrStatus = timeout;
  if (message == WM_COPYDATA) {
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    request.lParam = 0;
    if (data) {
      if (data->cbData > hall::MAX_FRAME_PAYLOAD || (data->cbData && !data->lpData)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
      }
      request.dwData = data->dwData;
      const BYTE* bytes = static_cast<const BYTE*>(data->lpData);
      if (data->cbData) request.payload.assign(bytes, bytes + data->cbData);
    }
  }
  int fd = ConnectToOwner(hwnd);
  if (fd < 0) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  struct Shared {
    std::atomic<bool> done{false};
    bool ok = false;
    Frame reply;
  };
  auto shared = std::make_shared<Shared>();
  const DWORD limit = timeout == INFINITE ? INFINITE : timeout + REPLY_SLACK_MS;
  std::thread worker([fd, request = std::move(request), shared, limit] {
    ULONGLONG deadline = limit == INFINITE ? 0 : NowMs() + limit;
    shared->ok = WriteAll(fd, hall::EncodeFrame(request), deadline) && ReadFrame(fd, &shared->reply, deadline) &&
                 shared->reply.kind == FrameKind::REPLY;
    shared->done.store(true);
    NotifyWaiters();
  });
  bool finished = WaitWhileReceivingSent([&shared] { return shared->done.load(); }, limit);
  if (!finished) ::shutdown(fd, SHUT_RDWR);  // the worker returns at once
  worker.join();
  ::close(fd);
  if (!finished || !shared->ok) {
    // A peer that went away while it held the message ends the send like a destroyed window.
    SetLastError(finished ? ERROR_INVALID_WINDOW_HANDLE : ERROR_TIMEOUT);
    return FALSE;
  }
  switch (static_cast<ReplyStatus>(shared->reply.timeoutOrStatus)) {
    case ReplyStatus::OK:
      *result = static_cast<LRESULT>(shared->reply.lParam);
      return TRUE;
    case ReplyStatus::TIMED_OUT:
      SetLastError(ERROR_TIMEOUT);
      return FALSE;
    case ReplyStatus::REFUSED:
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    default:
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
  }
}

HWND RouteFind(LPCSTR className, LPCSTR windowName) {
  std::string directory = HallDirectoryAt(false);
  if (directory.empty()) return nullptr;
  if ((className && std::strlen(className) > hall::MAX_FIND_NAME) ||
      (windowName && std::strlen(windowName) > hall::MAX_FIND_NAME)) {
    return nullptr;
  }
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(directory.c_str()), ::closedir);
  if (!dir) return nullptr;
  // Ask each published window's owner once, through any one of its links.
  std::set<std::string> asked{OwnSocketName()};
  std::vector<HWND> candidates;
  while (dirent* entry = ::readdir(dir.get())) {
    unsigned value = 0;
    char extra = 0;
    if (std::sscanf(entry->d_name, "w%8x%c", &value, &extra) != 1) continue;
    char target[128];
    ssize_t n = ::readlinkat(::dirfd(dir.get()), entry->d_name, target, sizeof target - 1);
    if (n <= 0) continue;
    target[n] = '\0';
    if (!asked.insert(target).second) continue;
    candidates.push_back(reinterpret_cast<HWND>(static_cast<uintptr_t>(value)));
  }
  Frame request = RequestFor(FrameKind::FIND, nullptr, 0, 0, 0);
  request.payload = hall::EncodeFindNames(className, windowName);
  for (HWND via : candidates) {
    Frame reply;
    if (Exchange(via, request, &reply, EXCHANGE_LIMIT_MS) && reply.wParam) {
      return reinterpret_cast<HWND>(static_cast<uintptr_t>(static_cast<uint32_t>(reply.wParam)));
    }
  }
  return nullptr;
}

const ForeignWindowRouter ROUTER{RouteIsWindow, RoutePost, RouteSend, RouteFind};

// Linking this layer is what makes other processes' windows reachable.
const bool g_routerInstalled = [] {
  SetForeignWindowRouter(&ROUTER);
  return true;
}();

}  // namespace

std::string HallDirectory() { return HallDirectoryAt(true); }

BOOL PublishWindow(HWND hwnd) {
  EnableForeignWindows();
  if (!HallServer::IsLocalWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return HallServer::Instance().Publish(hwnd) ? TRUE : FALSE;
}

void WithdrawWindow(HWND hwnd) { HallServer::Instance().Withdraw(hwnd); }

void EnableForeignWindows() { SetForeignWindowRouter(&ROUTER); }

}  // namespace platform
