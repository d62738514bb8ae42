#include "platform/winsock/AsyncSelect.h"

#include <poll.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <thread>
#include <vector>

#include "platform/kernel/KernelObject.h"
#include "platform/user/MessageQueue.h"
#include "platform/user/Window.h"
#include "platform/winsock/PosixSocket.h"
#include "platform/winsock/SocketTable.h"

namespace platform::winsock {

namespace {

namespace posix = platform::posix;

struct Notification {
  HWND m_window;
  UINT m_message;
  WPARAM m_wParam;
  LPARAM m_lParam;
};

std::mutex g_sinkMutex;
SocketNotifySink g_sink;
// Whether a sink is set: notifications then come from the poll thread only, as a test of the
// notification rules expects.
std::atomic<bool> g_sinkSet{false};

// A window that has gone away simply loses its notification, as with WinSock.
void PostDefault(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  PostMessageA(window, message, wParam, lParam);
}

void Deliver(const std::vector<Notification>& posts) {
  if (posts.empty()) return;
  SocketNotifySink sink;
  {
    std::lock_guard<std::mutex> lock(g_sinkMutex);
    sink = g_sink;
  }
  for (const Notification& n : posts) {
    if (sink) sink(n.m_window, n.m_message, n.m_wParam, n.m_lParam);
    else PostDefault(n.m_window, n.m_message, n.m_wParam, n.m_lParam);
  }
}

bool IsSelectedLocked(const SocketEntry& e) { return e.m_window != nullptr && e.m_events != 0; }

void AddLocked(std::vector<Notification>& posts, SOCKET s, const SocketEntry& e, long event, int error) {
  if (!(e.m_events & event)) return;
  posts.push_back(Notification{e.m_window, e.m_message, (WPARAM)s, WSAMAKESELECTREPLY(event, error)});
}

// Whether a watcher looks for FD_READ (and the FD_CLOSE behind it): not while it is disabled,
// nor while threads read the socket themselves or one keeps the pause of its ended own read.
bool ReadWatchedLocked(const SocketEntry& e) {
  return e.m_readArmed && e.m_ownReaders == 0 && e.m_pauseKeptBy == 0;
}

// What the system is asked to watch for, by WinSock's enabled events. A socket with nothing
// enabled is not watched at all (its watch set holds it disabled): the system reports hang-ups
// and errors whether asked or not, and a hang-up that cannot be reported yet would make the
// watcher spin.
short InterestLocked(const SocketEntry& e) {
  switch (e.m_state) {
    case SocketState::CONNECTING: return e.m_connectFailedEarly ? 0 : POLLOUT;
    case SocketState::LISTENING: return e.m_acceptArmed ? POLLIN : 0;
    case SocketState::CONNECTED: {
      if (e.m_closeReported || (e.m_hangUpSeen && !ReadWatchedLocked(e))) return 0;
      short events = 0;
      if (ReadWatchedLocked(e)) events |= POLLIN | POLLRDHUP;
      if (e.m_writeArmed) events |= POLLOUT;
      return events;
    }
    case SocketState::UNCONNECTED: return 0;
  }
  return 0;
}

// FD_CONNECT, once the outcome of a non-blocking connect is known (by this thread or by a call
// that looked at the socket first), followed by the first FD_WRITE of a connected socket.
void ReportConnectLocked(SOCKET s, SocketEntry& e, std::vector<Notification>& posts) {
  if (e.m_state == SocketState::CONNECTING && e.m_connectFailedEarly) UpdateConnectStateLocked(e, -1);
  if (!e.m_connectUnreported || e.m_state == SocketState::CONNECTING) return;
  e.m_connectUnreported = false;
  bool connected = e.m_state == SocketState::CONNECTED;
  AddLocked(posts, s, e, FD_CONNECT, connected ? 0 : e.m_connectError);
  if (connected && e.m_writeArmed) {
    int ready = posix::PollOne(e.m_fd, POLLOUT, 0);
    if (ready > 0 && (ready & POLLOUT)) {
      e.m_writeArmed = false;
      AddLocked(posts, s, e, FD_WRITE, 0);
    }
  }
}

void HandleLocked(SOCKET s, SocketEntry& e, short revents, std::vector<Notification>& posts) {
  if (e.m_state == SocketState::CONNECTING) {
    // The bits answered the question "has the connect finished"; the connected socket's own
    // events are looked at in the next pass.
    UpdateConnectStateLocked(e, revents);
    ReportConnectLocked(s, e, posts);
    return;
  }
  ReportConnectLocked(s, e, posts);
  if (e.m_state == SocketState::LISTENING) {
    if (e.m_acceptArmed && (revents & POLLIN)) {
      e.m_acceptArmed = false;
      AddLocked(posts, s, e, FD_ACCEPT, 0);
    }
    return;
  }
  if (e.m_state != SocketState::CONNECTED || e.m_closeReported) return;
  if (ReadWatchedLocked(e) && (revents & (POLLIN | POLLRDHUP | POLLHUP | POLLERR))) {
    int available = 0;
    if (posix::Available(e.m_fd, &available) < 0) available = 0;
    if (available > 0) {
      e.m_readArmed = false;
      AddLocked(posts, s, e, FD_READ, 0);
    } else if (revents & (POLLRDHUP | POLLHUP | POLLERR)) {
      // The peer has finished (or reset the connection) and nothing is left to read: FD_CLOSE,
      // once, after all data has been read.
      int err = 0;
      if (posix::TakeError(e.m_fd, &err) < 0) err = 0;
      e.m_closeReported = true;
      e.m_readArmed = false;
      e.m_writeArmed = false;
      AddLocked(posts, s, e, FD_CLOSE, ErrnoToWsaError(err));
      return;
    }
    // Otherwise the data was read by the program between the poll and this look: nothing to say.
  } else if (!ReadWatchedLocked(e) && (revents & (POLLHUP | POLLERR))) {
    e.m_hangUpSeen = true;
  }
  if (e.m_writeArmed && (revents & POLLOUT)) {
    e.m_writeArmed = false;
    AddLocked(posts, s, e, FD_WRITE, 0);
  }
}

// The descriptor a watcher polls for the socket: its watch set, registered for the events
// enabled now, or the socket itself with those events when the set cannot be made.
pollfd WatchLocked(SocketEntry& e) {
  const short events = InterestLocked(e);
  if (e.m_watchFd < 0 && !e.m_watchFailed) {
    e.m_watchFd = posix::CreateWatchSet();
    e.m_watchFailed = e.m_watchFd < 0;
  }
  if (e.m_watchFd < 0) return pollfd{e.m_fd, events, 0};
  if (events != e.m_watched && posix::UpdateWatchSet(e.m_watchFd, e.m_fd, e.m_inWatchSet, events) == 0) {
    e.m_watched = events;
    e.m_inWatchSet = e.m_inWatchSet || events != 0;
  }
  return pollfd{e.m_watchFd, POLLIN, 0};
}

// The socket's ready bits behind what poll saw on the descriptor WatchLocked gave. A disabled
// registration may still report a hang-up once; with nothing enabled there is nothing to say.
short ReadyLocked(const SocketEntry& e, const pollfd& polled) {
  if (polled.revents == 0 || polled.fd != e.m_watchFd) return polled.revents;
  const short bits = posix::TakeWatchSetEvents(e.m_watchFd);
  return e.m_watched != 0 ? bits : 0;
}

// How long an ended own read keeps the read watch paused at most, in milliseconds.
std::atomic<DWORD> g_keepLimitMs{10};
// Whether the poll thread's wait ends in time for the limit of a kept pause (under TableLock):
// when it does not, the thread that keeps a pause wakes it.
bool g_pollerBoundsKeptPauses = false;

// The socket is watched for reads again after its pause ended. The thread that claimed it polls
// its watch set and sees the change without being woken; any other watcher is collected in
// `wakeThreads` or `wakePoller`, to be woken once the table lock is released.
void ResumeReadWatchLocked(SocketEntry& e, std::vector<DWORD>* wakeThreads, bool* wakePoller) {
  if (e.m_claimedBy != 0 && e.m_watchFd >= 0) WatchLocked(e);
  else if (e.m_claimedBy != 0) wakeThreads->push_back(e.m_claimedBy);
  else *wakePoller = true;
}

void WakeWatchers(const std::vector<DWORD>& threads, bool poller) {
  for (DWORD t : threads) WakeAsyncSelect(t);
  if (poller) WakeAsyncSelect();
}

// The pauses a thread keeps after its own reads ended. They do not hold their sockets: a socket
// closed meanwhile closes its descriptor at once, as without a kept pause.
struct KeptPause {
  SOCKET m_socket;
  std::weak_ptr<SocketEntry> m_entry;
};
struct KeptPauses {
  DWORD m_thread = 0;
  std::vector<KeptPause> m_pauses;
  ~KeptPauses();
};
// Whether the thread's list holds anything, so that a wait costs nothing when it does not; and
// whether the list is gone (the thread is ending: what ends now is given back at once).
thread_local bool t_keepsPauses = false;
thread_local bool t_keptGone = false;
thread_local KeptPauses t_kept;

void GiveBack(KeptPauses& kept) {
  std::vector<KeptPause> pauses;
  pauses.swap(kept.m_pauses);
  t_keepsPauses = false;
  std::vector<DWORD> threads;
  bool poller = false;
  // A socket whose last reference this drops is closed after the lock is released.
  std::vector<std::shared_ptr<SocketEntry>> held;
  {
    auto lock = TableLock();
    for (const KeptPause& p : pauses) {
      std::shared_ptr<SocketEntry> entry = p.m_entry.lock();
      if (entry) held.push_back(entry);
      // Another thread's own read may have taken the pause over since.
      if (!entry || entry->m_pauseKeptBy != kept.m_thread) continue;
      entry->m_pauseKeptBy = 0;
      if (entry->m_ownReaders == 0 && FindSocketLocked(p.m_socket) == entry)
        ResumeReadWatchLocked(*entry, &threads, &poller);
    }
  }
  WakeWatchers(threads, poller);
}

KeptPauses::~KeptPauses() {
  t_keptGone = true;
  GiveBack(*this);
}

// Runs before the thread blocks.
void GiveBackKeptPauses() {
  if (t_keepsPauses) GiveBack(t_kept);
}

// A kept pause that the keeping thread's own read takes over leaves its list.
void ForgetKeptLocked(const std::shared_ptr<SocketEntry>& e) {
  if (t_keptGone) return;
  auto& pauses = t_kept.m_pauses;
  for (size_t i = 0; i < pauses.size(); ++i) {
    if (pauses[i].m_entry.owner_before(e) || e.owner_before(pauses[i].m_entry)) continue;
    pauses[i] = std::move(pauses.back());
    pauses.pop_back();
    break;
  }
  t_keepsPauses = !pauses.empty();
}

class Poller {
 public:
  static Poller& Instance() {
    static Poller poller;
    return poller;
  }

  void Wake() { posix::SignalWakeDescriptor(m_wakeFd); }

  void Flush() {
    std::unique_lock<std::mutex> lock(m_mutex);
    uint64_t target = m_started + 1;
    m_flushWanted = true;
    lock.unlock();
    Wake();
    lock.lock();
    m_done.wait(lock, [&] { return m_finished >= target; });
  }

 private:
  Poller() : m_wakeFd(posix::CreateWakeDescriptor()) { m_thread = std::thread([this] { Run(); }); }

  ~Poller() {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_stop = true;
    }
    Wake();
    if (m_thread.joinable()) m_thread.join();
    if (m_wakeFd >= 0) posix::Close(m_wakeFd);
  }

  void Run() {
    for (;;) {
      bool flush;
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stop) break;
        flush = m_flushWanted;
        m_flushWanted = false;
        ++m_started;
      }
      Pass(flush);
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_finished;
      }
      m_done.notify_all();
    }
    // Nobody waits for a pass any more once the poller stops, but a waiter must not hang.
    std::lock_guard<std::mutex> lock(m_mutex);
    m_finished = ~0ull;
    m_done.notify_all();
  }

  // One look at every selected socket: post what is known, wait for the system, post what it
  // reported.
  void Pass(bool flush) {
    struct Watch {
      SOCKET m_socket;
      std::shared_ptr<SocketEntry> m_entry;
      unsigned m_selection;
    };
    std::vector<Watch> watches;
    std::vector<pollfd> polls;
    std::vector<Notification> posts;
    polls.push_back(pollfd{m_wakeFd, POLLIN, 0});
    // A pause kept longer than the limit is given back here; the wait ends in time for the
    // next one to run out.
    const auto now = std::chrono::steady_clock::now();
    const auto limit = std::chrono::milliseconds(g_keepLimitMs.load());
    auto nextLimit = std::chrono::steady_clock::time_point::max();
    std::vector<DWORD> wakeThreads;
    {
      auto lock = TableLock();
      for (const auto& [s, e] : SocketsLocked()) {
        if (e->m_pauseKeptBy != 0) {
          if (now - e->m_pauseKeptSince >= limit) {
            e->m_pauseKeptBy = 0;
            // A socket this thread watches is looked at below.
            bool self = false;
            if (e->m_ownReaders == 0) ResumeReadWatchLocked(*e, &wakeThreads, &self);
          } else {
            nextLimit = std::min(nextLimit, e->m_pauseKeptSince + limit);
          }
        } else if (e->m_ownReaders > 0 && now - e->m_pauseKeptSince < limit) {
          // A thread that sends one request after the other keeps the pause again in a moment;
          // the wait stays bounded meanwhile, so that it need not be woken for that.
          nextLimit = std::min(nextLimit, now + limit);
        }
        if (!IsSelectedLocked(*e)) continue;
        // A socket that a thread watches in its own message wait is left to it, except for a
        // flush, which looks at every socket.
        if (e->m_claimedBy != 0 && !flush) continue;
        ReportConnectLocked(s, *e, posts);
        pollfd watch = WatchLocked(*e);
        if (!InterestLocked(*e)) continue;
        watches.push_back(Watch{s, e, e->m_selection});
        polls.push_back(watch);
      }
      g_pollerBoundsKeptPauses = nextLimit != std::chrono::steady_clock::time_point::max();
    }
    WakeWatchers(wakeThreads, false);
    int timeout = flush || !posts.empty() ? 0 : -1;
    if (timeout < 0 && nextLimit != std::chrono::steady_clock::time_point::max()) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(nextLimit - now).count();
      timeout = static_cast<int>(std::clamp<decltype(left)>(left, 1, INT32_MAX));
    }
    Deliver(posts);
    posts.clear();
    int r = ::poll(polls.data(), polls.size(), timeout);
    if (r < 0) {
      // Only a signal can interrupt the wait; anything else would repeat at once, so the
      // thread waits a little instead of spinning.
      if (errno != EINTR) std::this_thread::sleep_for(std::chrono::milliseconds(10));
      return;
    }
    if (polls[0].revents) posix::DrainWakeDescriptor(m_wakeFd);
    if (r == 0) return;
    {
      auto lock = TableLock();
      for (size_t i = 0; i < watches.size(); ++i) {
        if (!polls[i + 1].revents) continue;
        const Watch& w = watches[i];
        // A socket closed or selected again while the thread waited is looked at afresh in the
        // next pass.
        if (FindSocketLocked(w.m_socket) != w.m_entry || w.m_entry->m_selection != w.m_selection ||
            !IsSelectedLocked(*w.m_entry))
          continue;
        if (short revents = ReadyLocked(*w.m_entry, polls[i + 1])) HandleLocked(w.m_socket, *w.m_entry, revents, posts);
      }
    }
    Deliver(posts);
  }

  int m_wakeFd;
  std::mutex m_mutex;
  std::condition_variable m_done;
  uint64_t m_started = 0;
  uint64_t m_finished = 0;
  bool m_flushWanted = false;
  bool m_stop = false;
  std::thread m_thread;
};

// The sockets a thread watches in its current message wait, in the order of its descriptors.
struct Claimed {
  SOCKET socket;
  std::shared_ptr<SocketEntry> entry;
  unsigned selection;
  int polledFd;
};
thread_local std::vector<Claimed> t_claimed;

bool ClaimThreadSockets(DWORD threadId, std::vector<pollfd>* fds) {
  t_claimed.clear();
  if (g_sinkSet.load(std::memory_order_acquire)) return false;
  std::vector<Notification> posts;
  {
    auto lock = TableLock();
    for (const auto& [s, e] : SocketsLocked()) {
      if (!IsSelectedLocked(*e) || e->m_windowThread != threadId) continue;
      ReportConnectLocked(s, *e, posts);
      pollfd watch = WatchLocked(*e);
      // A watch set is polled even with nothing enabled: events enabled during the wait (a
      // thread that read the socket itself ends) then reach this wait without waking it.
      if (watch.fd != e->m_watchFd && !watch.events) continue;
      e->m_claimedBy = threadId;
      t_claimed.push_back(Claimed{s, e, e->m_selection, watch.fd});
      fds->push_back(watch);
    }
  }
  Deliver(posts);
  return !fds->empty();
}

bool ReleaseThreadSockets(DWORD threadId, const std::vector<pollfd>& fds) {
  std::vector<Notification> posts;
  bool pollerWanted = false;
  {
    auto lock = TableLock();
    for (size_t i = 0; i < t_claimed.size() && i < fds.size(); ++i) {
      const Claimed& c = t_claimed[i];
      SocketEntry& e = *c.entry;
      if (e.m_claimedBy != threadId) continue;
      e.m_claimedBy = 0;
      if (FindSocketLocked(c.socket) != c.entry || e.m_selection != c.selection || !IsSelectedLocked(e)) {
        pollerWanted = true;
        continue;
      }
      if (fds[i].fd == c.polledFd) {
        if (short revents = ReadyLocked(e, fds[i])) HandleLocked(c.socket, e, revents, posts);
      }
      // While the thread is away from its wait, the poll thread watches what is still enabled.
      if (InterestLocked(e)) pollerWanted = true;
    }
  }
  t_claimed.clear();
  Deliver(posts);
  return pollerWanted;
}

void HandOverThreadSockets() { Poller::Instance().Wake(); }

void InstallThreadWatch() {
  static std::once_flag once;
  std::call_once(once, [] {
    platform::ThreadDescriptorWatch watch;
    watch.claim = ClaimThreadSockets;
    watch.release = ReleaseThreadSockets;
    watch.handOver = HandOverThreadSockets;
    platform::SetThreadDescriptorWatch(watch);
    platform::SetBeforeBlockingHook(GiveBackKeptPauses);
  });
}

}  // namespace

void WakeAsyncSelect() { Poller::Instance().Wake(); }

bool ThreadWatchesOwnSockets() { return !g_sinkSet.load(std::memory_order_acquire); }

void WakeAsyncSelect(DWORD claimedBy) {
  if (claimedBy != 0) platform::NotifyThreadMessageWaiters(claimedBy);
  else Poller::Instance().Wake();
}

}  // namespace platform::winsock

void platform::SetSocketNotifySink(SocketNotifySink sink) {
  std::lock_guard<std::mutex> lock(winsock::g_sinkMutex);
  winsock::g_sinkSet.store(static_cast<bool>(sink), std::memory_order_release);
  winsock::g_sink = std::move(sink);
}

void platform::FlushSocketNotifications() {
  winsock::GiveBackKeptPauses();
  winsock::Poller::Instance().Flush();
}

DWORD platform::WaitForObjectsOrSocketRead(DWORD count, const HANDLE* handles, DWORD milliseconds, SOCKET s,
                                           bool* readable) {
  *readable = false;
  auto entry = winsock::LookupSocket(s);
  if (!entry || !ThreadCanWaitOnDescriptors()) return WaitForObjectsOr(count, handles, FALSE, milliseconds, nullptr);
  pollfd fd{entry->m_fd, POLLIN | POLLRDHUP, 0};
  bool ready = false;
  DWORD r = WaitForObjectsOrDescriptors(count, handles, FALSE, milliseconds, nullptr, &fd, 1, &ready);
  *readable = ready && fd.revents != 0;
  return r;
}

bool platform::BeginOwnRead(SOCKET s) {
  if (!ThreadCanWaitOnDescriptors()) return false;
  // The kept pauses are given back by the waits.
  winsock::InstallThreadWatch();
  const DWORD self = GetCurrentThreadId();
  auto lock = winsock::TableLock();
  auto entry = winsock::FindSocketLocked(s);
  if (!entry) return false;
  // A kept pause is taken over as it is: the read watch stays paused.
  if (entry->m_pauseKeptBy != 0) {
    if (entry->m_pauseKeptBy == self) winsock::ForgetKeptLocked(entry);
    entry->m_pauseKeptBy = 0;
  }
  // The watch set, where there is one, drops the read events at once (unless they are dropped
  // already); a watcher that polls the socket itself may still wake for the data once and finds
  // FD_READ not wanted.
  if (++entry->m_ownReaders == 1 && entry->m_watchFd >= 0) winsock::WatchLocked(*entry);
  return true;
}

void platform::EndOwnRead(SOCKET s) {
  const DWORD self = GetCurrentThreadId();
  std::vector<DWORD> threads;
  bool poller = false;
  {
    auto lock = winsock::TableLock();
    auto entry = winsock::FindSocketLocked(s);
    if (!entry || entry->m_ownReaders <= 0 || --entry->m_ownReaders > 0) return;
    if (winsock::t_keptGone) {
      winsock::ResumeReadWatchLocked(*entry, &threads, &poller);
    } else {
      // The pause stays with this thread for its next request.
      entry->m_pauseKeptBy = self;
      entry->m_pauseKeptSince = std::chrono::steady_clock::now();
      winsock::KeptPauses& kept = winsock::t_kept;
      kept.m_thread = self;
      bool listed = false;
      for (const winsock::KeptPause& p : kept.m_pauses)
        listed = listed || !(p.m_entry.owner_before(entry) || entry.owner_before(p.m_entry));
      if (!listed) kept.m_pauses.push_back(winsock::KeptPause{s, entry});
      winsock::t_keepsPauses = true;
      // The poll thread gives the pause back should this thread neither block, nor end, nor
      // read again; it is woken to keep the time only when its wait does not end in time already.
      if (!winsock::g_pollerBoundsKeptPauses) {
        winsock::g_pollerBoundsKeptPauses = true;
        poller = true;
      }
    }
  }
  winsock::WakeWatchers(threads, poller);
}

void platform::SetOwnReadKeepLimit(DWORD milliseconds) {
  winsock::g_keepLimitMs.store(milliseconds);
  winsock::WakeAsyncSelect();
}

using namespace platform::winsock;

int WSAAsyncSelect(SOCKET s, HWND window, UINT message, long events) {
  auto entry = LookupSocket(s);
  if (!entry) return SOCKET_ERROR;
  if (events != 0 && !window) {
    WSASetLastError(WSAEINVAL);
    return SOCKET_ERROR;
  }
  // The socket becomes non-blocking, also when the selection is cancelled.
  if (platform::posix::SetNonBlocking(entry->m_fd, true) < 0) {
    WSASetLastError(ErrnoToWsaError(errno));
    return SOCKET_ERROR;
  }
  InstallThreadWatch();
  const DWORD windowThread = events != 0 ? GetWindowThreadProcessId(window, nullptr) : 0;
  DWORD claimedBy = 0;
  {
    auto lock = TableLock();
    claimedBy = entry->m_claimedBy;
    entry->m_windowThread = windowThread;
    entry->m_nonBlocking = true;
    entry->m_window = events != 0 ? window : nullptr;
    entry->m_message = message;
    entry->m_events = events;
    ++entry->m_selection;
    // A new selection starts with every event enabled: what is already true of the socket
    // (data waiting, connected and writable, closed by the peer) is reported to it.
    entry->m_readArmed = true;
    entry->m_writeArmed = true;
    entry->m_acceptArmed = true;
    entry->m_closeReported = false;
    entry->m_hangUpSeen = false;
  }
  // The new selection is watched by its window's thread when that thread waits for messages,
  // and by the poll thread until then; a thread that watched the old one looks again.
  WakeAsyncSelect();
  if (claimedBy) WakeAsyncSelect(claimedBy);
  return 0;
}
