#include "platform/user/UserState.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_set>

#include "platform/kernel/KernelObject.h"
#include "platform/kernel/Threads.h"
#include "platform/kernel/Time.h"
#include "platform/user/Input.h"
#include "platform/user/Paint.h"

namespace platform {
namespace {

std::mutex& LockObject() {
  static std::mutex* m = new std::mutex;  // never destroyed: threads may outlive static teardown
  return *m;
}

UserState& StateObject() {
  static UserState* s = new UserState;
  return *s;
}

std::mutex& PaintSourceLock() {
  static std::mutex* m = new std::mutex;
  return *m;
}
SynthesizedMessageSource& PaintSourceObject() {
  static SynthesizedMessageSource* s = new SynthesizedMessageSource;
  return *s;
}

// Handle values stay below 2^31 so that code which passes a handle through a signed 32-bit
// number and back gets the same window, and above 0xFFFF so that no handle looks like
// HWND_BROADCAST, an atom or a small special value.
constexpr uint32_t HANDLE_FIRST = 0x00010000u;
constexpr uint32_t HANDLE_END = 0x7FFF0000u;
constexpr uint32_t HANDLE_BLOCK = 256;

std::string CounterPath() {
  const char* dir = getenv("XDG_RUNTIME_DIR");
  if (dir && *dir) return std::string(dir) + "/pxqd-window-handles";
  return "/tmp/pxqd-window-handles-" + std::to_string(getuid());
}

// Takes the next block of values from the counter file; 0 when the file cannot be used.
uint32_t TakeBlockFromFile() {
  // The file may sit in the shared /tmp: a link or a file of another user is not used.
  int fd = open(CounterPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return 0;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != getuid()) {
    close(fd);
    return 0;
  }
  uint32_t first = 0;
  if (flock(fd, LOCK_EX) == 0) {
    char buf[32] = {};
    ssize_t n = pread(fd, buf, sizeof buf - 1, 0);
    unsigned long value = n > 0 ? strtoul(buf, nullptr, 16) : 0;
    if (value < HANDLE_FIRST || value >= HANDLE_END - HANDLE_BLOCK) value = HANDLE_FIRST;
    first = static_cast<uint32_t>(value);
    char out[32];
    int len = snprintf(out, sizeof out, "%08x\n", first + HANDLE_BLOCK);
    if (pwrite(fd, out, len, 0) != len || ftruncate(fd, len) != 0) first = 0;
    flock(fd, LOCK_UN);
  }
  close(fd);
  return first;
}

// A thread's queue goes when the thread ends: for threads made by CreateThread before their
// handle becomes signalled (the kernel's end hook), for all others when their thread-local
// objects are destroyed.
struct QueueHolder {
  std::shared_ptr<ThreadQueue> queue;
  void Retire() {
    if (queue) {
      DWORD id = queue->threadId;
      queue.reset();
      RetireThreadQueue(id);
    }
  }
  ~QueueHolder() { Retire(); }
};
thread_local QueueHolder t_queue;

void RetireCurrentThreadQueue() { t_queue.Retire(); }

void RemoveFrom(std::vector<HWND>& list, HWND hwnd) {
  list.erase(std::remove(list.begin(), list.end(), hwnd), list.end());
}

}  // namespace

std::unique_lock<std::mutex> UserLock() { return std::unique_lock<std::mutex>(LockObject()); }
UserState& User() { return StateObject(); }

// Window handles are 32-bit numbers unique across the processes of one user, so that a handle
// can travel to another process in a launch line or a record: every process takes blocks of 256
// values from a counter kept in a file of the user's runtime folder (locked with flock while it
// is read and advanced) and hands them out in order. Only if that file cannot be used does a
// process fall back to blocks under a prefix made from its process id. A process remembers the
// blocks it has had, so that after the counter wraps it never gets a value of its own again.
uint32_t AllocateWindowHandle() {
  static uint32_t next = 0;
  static uint32_t end = 0;
  static uint32_t fallbackBlock = 0;
  static pid_t owner = 0;
  static std::unordered_set<uint32_t>* taken = new std::unordered_set<uint32_t>;
  // A forked child must not go on with its parent's block.
  if (owner != getpid()) {
    owner = getpid();
    next = end = 0;
    fallbackBlock = 0;
    taken->clear();
  }
  if (next == end) {
    // Fallback blocks: 512 per prefix, prefixes 1 to 0x2000, which keeps every value inside
    // [HANDLE_FIRST, HANDLE_END).
    constexpr uint32_t FALLBACK_BLOCKS = (1u << 17) / HANDLE_BLOCK * 0x2000u;
    uint32_t first = 0;
    for (uint32_t attempt = 0; attempt <= FALLBACK_BLOCKS && first == 0; ++attempt) {
      first = TakeBlockFromFile();
      if (first == 0) {
        uint32_t block = ((static_cast<uint32_t>(getpid()) & 0x1FFFu) * ((1u << 17) / HANDLE_BLOCK) + fallbackBlock) %
                         FALLBACK_BLOCKS;
        fallbackBlock = (fallbackBlock + 1) % FALLBACK_BLOCKS;
        first = (1u << 17) + block * HANDLE_BLOCK;
      }
      if (!taken->insert(first).second) first = 0;
    }
    if (first == 0) return 0;  // every value has been used by this process
    next = first;
    end = first + HANDLE_BLOCK;
  }
  return next++;
}

WindowRecord* FindWindowRecord(HWND hwnd) {
  if (!hwnd) return nullptr;
  auto& windows = User().windows;
  auto it = windows.find(HwndKey(hwnd));
  return it == windows.end() ? nullptr : it->second.get();
}

bool IsSelfOrDescendant(HWND ancestor, HWND hwnd) {
  for (WindowRecord* w = FindWindowRecord(hwnd); w; w = FindWindowRecord(w->parent)) {
    if (w->hwnd == ancestor) return true;
  }
  return false;
}

ThreadQueue* FindQueue(DWORD threadId) {
  auto& queues = User().queues;
  auto it = queues.find(threadId);
  return it == queues.end() ? nullptr : it->second.get();
}

ThreadQueue* CurrentQueueLocked() {
  static bool hooked = (SetThreadEndHook(&RetireCurrentThreadQueue), true);
  (void)hooked;
  if (!t_queue.queue) {
    auto q = std::make_shared<ThreadQueue>();
    q->threadId = GetCurrentThreadId();
    User().queues[q->threadId] = q;
    t_queue.queue = q;
  }
  return t_queue.queue.get();
}

std::shared_ptr<ThreadQueue> CurrentQueue() {
  auto lock = UserLock();
  CurrentQueueLocked();
  return t_queue.queue;
}

ULONGLONG MonotonicMs() { return ClockMilliseconds(); }

ULONGLONG WaitClockMs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<ULONGLONG>(ts.tv_sec) * 1000u + static_cast<ULONGLONG>(ts.tv_nsec) / 1000000u;
}

DWORD MessageTickCount() { return GetTickCount(); }

UINT PostedMessageBits(UINT message) {
  if (message >= WM_KEYFIRST && message <= WM_KEYLAST) return QS_KEY;
  if (message == WM_MOUSEMOVE) return QS_MOUSEMOVE;
  if (message > WM_MOUSEFIRST && message <= WM_MOUSELAST) return QS_MOUSEBUTTON;
  return QS_POSTMESSAGE | QS_ALLPOSTMESSAGE;
}

void PurgeWindowMessages(HWND hwnd) {
  WindowRecord* w = FindWindowRecord(hwnd);
  if (!w) return;
  ThreadQueue* q = FindQueue(w->threadId);
  if (!q) return;
  auto& posted = q->posted;
  posted.erase(std::remove_if(posted.begin(), posted.end(), [&](const MSG& m) { return m.hwnd == hwnd; }),
               posted.end());
  auto& timers = q->timers;
  timers.erase(std::remove_if(timers.begin(), timers.end(), [&](const TimerRecord& t) { return t.hwnd == hwnd; }),
               timers.end());
}

std::vector<HWND>& SiblingList(const WindowRecord& w) {
  if (w.parent) {
    if (WindowRecord* p = FindWindowRecord(w.parent)) return p->children;
  }
  return User().topLevel;
}

POINT UserCursorPos() {
  auto lock = UserLock();
  return User().cursorPos;
}

void SetUserCursorPos(POINT pt) {
  auto lock = UserLock();
  User().cursorPos = pt;
}

RECT UserScreenRect() {
  auto lock = UserLock();
  return User().screenRect;
}

void SetUserScreenRect(const RECT& rc) {
  auto lock = UserLock();
  User().screenRect = rc;
}

void RetireThreadQueue(DWORD threadId) {
  bool surfacesGone = false;
  {
    auto lock = UserLock();
    ForgetThreadInputLocked(threadId);
    UserState& s = User();
    // Every window of the thread goes, with all windows below it.
    std::vector<HWND> doomed;
    for (auto& [key, w] : s.windows) {
      if (w->threadId == threadId) doomed.push_back(w->hwnd);
    }
    for (size_t i = 0; i < doomed.size(); ++i) {
      if (WindowRecord* w = FindWindowRecord(doomed[i])) {
        for (HWND c : w->children) doomed.push_back(c);
      }
    }
    for (HWND hwnd : doomed) {
      WindowRecord* w = FindWindowRecord(hwnd);
      if (!w) continue;
      PurgeWindowMessages(hwnd);
      RemoveFrom(SiblingList(*w), hwnd);
      if (w->cls) --w->cls->windowCount;
      surfacesGone |= ForgetWindowPaintLocked(hwnd);
      for (auto& [key, other] : s.windows) {
        if (other->owner == hwnd) other->owner = nullptr;
      }
      for (auto& [tid, q] : s.queues) {
        if (q->focus == hwnd) q->focus = nullptr;
        if (q->active == hwnd) q->active = nullptr;
        if (q->capture == hwnd) q->capture = nullptr;
      }
      s.windows.erase(HwndKey(hwnd));
    }
    auto it = s.queues.find(threadId);
    if (it != s.queues.end()) {
      ThreadQueue& q = *it->second;
      q.alive = false;
      // Senders that still wait get 0, as for a window that went away.
      for (auto& sent : q.incoming) {
        sent->done = true;
        sent->result = 0;
      }
      q.incoming.clear();
      q.posted.clear();
      q.timers.clear();
      s.queues.erase(it);
    }
  }
  NotifyWaiters();
  if (surfacesGone) {
    if (auto sink = GetDisplaySink()) sink->TopLevelChanged();
  }
}

void SetPaintMessageSource(SynthesizedMessageSource source) {
  std::lock_guard<std::mutex> g(PaintSourceLock());
  PaintSourceObject() = std::move(source);
}

SynthesizedMessageSource GetPaintMessageSource() {
  std::lock_guard<std::mutex> g(PaintSourceLock());
  return PaintSourceObject();
}

void WakeQueue(DWORD threadId, UINT bits) {
  {
    auto lock = UserLock();
    if (ThreadQueue* q = FindQueue(threadId)) q->changedBits |= bits;
  }
  NotifyWaiters();
}

}  // namespace platform
