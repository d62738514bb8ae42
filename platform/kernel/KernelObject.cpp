#include "platform/kernel/KernelObject.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <memory_resource>
#include <unordered_map>
#include <vector>

#include "platform/base/WinError.h"

namespace platform {
namespace {

// The wait core is never destroyed: detached threads wake waiters as the very last thing they do,
// and may still be doing so while the process runs its exit destructors.
std::mutex& WaitMutex() {
  static std::mutex* m = new std::mutex;
  return *m;
}

// One blocked wait. Each waiter sleeps on its own condition and is listed, while it sleeps, in
// one process-wide list under the wait lock. A change of one object wakes only the threads that
// wait for that object; a change of message state wakes only the waits that have a wake-up
// condition of their own; NotifyWaiters wakes everybody. The list stays short: it holds only the
// threads that are blocked right now.
struct Waiter {
  std::condition_variable wake;
  const std::shared_ptr<KernelObject>* objects = nullptr;
  DWORD count = 0;
  bool hasExtra = false;
  // The waiting thread, and its wake-up descriptor while it sleeps in poll (else -1).
  DWORD threadId = 0;
  int wakeFd = -1;
  Waiter* prev = nullptr;
  Waiter* next = nullptr;
};
Waiter*& WaiterList() {
  static Waiter* head = nullptr;
  return head;
}

// Both with the wait lock held. A waiter's condition lives on its stack, so it is notified
// while the lock is held: once the lock is released the waiter may already have left.
void LinkWaiterLocked(Waiter& w) {
  Waiter*& head = WaiterList();
  w.prev = nullptr;
  w.next = head;
  if (head) head->prev = &w;
  head = &w;
}
void UnlinkWaiterLocked(Waiter& w) {
  Waiter*& head = WaiterList();
  if (w.prev) w.prev->next = w.next;
  else head = w.next;
  if (w.next) w.next->prev = w.prev;
  w.prev = w.next = nullptr;
}

// With the wait lock held.
void WakeLocked(Waiter* w) {
  if (w->wakeFd >= 0) {
    uint64_t one = 1;
    // A full counter still wakes the poll, so a failed write loses nothing.
    ssize_t r = ::write(w->wakeFd, &one, sizeof one);
    (void)r;
  } else {
    w->wake.notify_one();
  }
}

void WakeObjectWaitersLocked(const KernelObject* object) {
  for (Waiter* w = WaiterList(); w; w = w->next) {
    for (DWORD i = 0; i < w->count; ++i) {
      if (w->objects[i].get() == object) {
        WakeLocked(w);
        break;
      }
    }
  }
}

// The thread's wake-up descriptor, made at its first descriptor wait and closed when the thread
// ends. Reached through plain thread-locals, which stay readable while the thread's objects are
// destroyed.
thread_local int t_wakeFd = -1;
thread_local bool t_wakeFdGone = false;
struct WakeFdOwner {
  ~WakeFdOwner() {
    if (t_wakeFd >= 0) ::close(t_wakeFd);
    t_wakeFd = -1;
    t_wakeFdGone = true;
  }
};
int ThreadWakeFd() {
  if (t_wakeFd < 0 && !t_wakeFdGone) {
    thread_local WakeFdOwner owner;
    t_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  }
  return t_wakeFd;
}

struct HandleTable {
  std::mutex lock;
  std::unordered_map<uintptr_t, std::shared_ptr<KernelObject>> objects;
  uintptr_t next = 1;
};
HandleTable& Table() {
  static HandleTable* t = new HandleTable;  // never destroyed: threads may outlive static teardown
  return *t;
}

class Event : public KernelObject {
 public:
  Event(bool manual, bool initial) : m_manual(manual), m_signalled(initial) {}
  bool IsSignalled() const override { return m_signalled; }
  void Acquire() override {
    if (!m_manual) m_signalled = false;
  }
  void Set(bool on) { m_signalled = on; }
  bool IsManual() const { return m_manual; }

 private:
  bool m_manual;
  bool m_signalled;
};

// Handle values are multiples of 4, as on Windows, and never 0 or INVALID_HANDLE_VALUE.
uintptr_t HandleKey(HANDLE h) { return reinterpret_cast<uintptr_t>(h); }

}  // namespace

std::unique_lock<std::mutex> LockWaits() { return std::unique_lock<std::mutex>(WaitMutex()); }

void NotifyWaiters() {
  std::lock_guard<std::mutex> g(WaitMutex());
  for (Waiter* w = WaiterList(); w; w = w->next) WakeLocked(w);
}

void NotifyMessageWaiters() {
  std::lock_guard<std::mutex> g(WaitMutex());
  for (Waiter* w = WaiterList(); w; w = w->next) {
    if (w->hasExtra) WakeLocked(w);
  }
}

void NotifyThreadMessageWaiters(DWORD threadId) {
  std::lock_guard<std::mutex> g(WaitMutex());
  for (Waiter* w = WaiterList(); w; w = w->next) {
    if (w->hasExtra && w->threadId == threadId) WakeLocked(w);
  }
}

bool ThreadCanWaitOnDescriptors() { return ThreadWakeFd() >= 0; }

namespace {
std::atomic<BeforeBlockingHook> g_beforeBlocking{nullptr};
}  // namespace

void SetBeforeBlockingHook(BeforeBlockingHook hook) { g_beforeBlocking.store(hook, std::memory_order_release); }

void BeforeBlocking() {
  if (BeforeBlockingHook hook = g_beforeBlocking.load(std::memory_order_acquire)) hook();
}

void NotifyObjectWaiters(const KernelObject& object) {
  std::lock_guard<std::mutex> g(WaitMutex());
  WakeObjectWaitersLocked(&object);
}

HANDLE RegisterKernelObject(std::shared_ptr<KernelObject> object) {
  if (!object) return nullptr;
  HandleTable& t = Table();
  std::lock_guard<std::mutex> g(t.lock);
  uintptr_t key = t.next * 4;
  ++t.next;
  t.objects.emplace(key, std::move(object));
  return reinterpret_cast<HANDLE>(key);
}

std::shared_ptr<KernelObject> LookupKernelObject(HANDLE handle) {
  HandleTable& t = Table();
  std::lock_guard<std::mutex> g(t.lock);
  auto it = t.objects.find(HandleKey(handle));
  return it == t.objects.end() ? nullptr : it->second;
}

DWORD WaitForObjectsOr(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds,
                       const std::function<bool()>& extra) {
  return WaitForObjectsOrDescriptors(count, handles, waitAll, milliseconds, extra, nullptr, 0, nullptr);
}

DWORD WaitForObjectsOrDescriptors(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds,
                                  const std::function<bool()>& extra, pollfd* fds, size_t fdCount,
                                  bool* descriptorsReady) {
  if (descriptorsReady) *descriptorsReady = false;
  if (milliseconds != 0) BeforeBlocking();
  const int wakeFd = fdCount > 0 ? ThreadWakeFd() : -1;
  if (wakeFd < 0) fdCount = 0;
  if (count > MAXIMUM_WAIT_OBJECTS || (count > 0 && !handles) || (count == 0 && !extra)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  // The objects and descriptors of a wait live on the stack unless the wait is unusually large.
  std::byte storage[1024];
  std::pmr::monotonic_buffer_resource arena(storage, sizeof storage);
  std::pmr::vector<std::shared_ptr<KernelObject>> objects(&arena);
  objects.reserve(count);
  for (DWORD i = 0; i < count; ++i) {
    auto obj = LookupKernelObject(handles[i]);
    if (!obj || !obj->IsWaitable()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return WAIT_FAILED;
    }
    objects.push_back(std::move(obj));
  }
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  std::unique_lock<std::mutex> lock(WaitMutex());
  Waiter self;
  self.objects = objects.data();
  self.count = count;
  self.hasExtra = static_cast<bool>(extra);
  if (self.hasExtra || fdCount > 0) self.threadId = GetCurrentThreadId();
  // The descriptors and the thread's wake-up descriptor, for poll.
  std::pmr::vector<pollfd> polls(&arena);
  if (fdCount > 0) {
    polls.reserve(fdCount + 1);
    // The wake-up descriptor goes last: when a descriptor in front of it is ready already, poll
    // neither registers with it nor has to take that registration back.
    polls.insert(polls.end(), fds, fds + fdCount);
    polls.push_back(pollfd{wakeFd, POLLIN, 0});
  }
  bool descriptorsSeen = false;
  // Listed only while asleep, so that wakers never walk past threads that are busy elsewhere.
  struct Sleeper {
    Waiter& w;
    std::unique_lock<std::mutex>& lock;
    std::pmr::vector<pollfd>& polls;
    bool& descriptorsSeen;
    DWORD milliseconds;
    bool firstPoll = true;
    std::cv_status Until(std::chrono::steady_clock::time_point deadline, bool forever) {
      if (!polls.empty()) return Poll(deadline, forever);
      LinkWaiterLocked(w);
      std::cv_status r = std::cv_status::no_timeout;
      if (forever) w.wake.wait(lock);
      else r = w.wake.wait_until(lock, deadline);
      UnlinkWaiterLocked(w);
      return r;
    }
    // Sleeps in poll without the wait lock; wakers signal the descriptor while the waiter is
    // listed, so a wake-up between the unlock and the poll is not lost.
    std::cv_status Poll(std::chrono::steady_clock::time_point deadline, bool forever) {
      int timeout = -1;
      if (!forever) {
        // The first sleep follows the deadline's reading of the clock at once: it lasts the wait's
        // whole time, without another reading.
        auto left = firstPoll ? static_cast<long long>(milliseconds)
                              : std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
                                    .count();
        timeout = left <= 0 ? 0 : left > INT32_MAX ? INT32_MAX : static_cast<int>(left);
      }
      firstPoll = false;
      w.wakeFd = polls.back().fd;
      LinkWaiterLocked(w);
      lock.unlock();
      for (pollfd& p : polls) p.revents = 0;
      int r = ::poll(polls.data(), polls.size(), timeout);
      lock.lock();
      UnlinkWaiterLocked(w);
      w.wakeFd = -1;
      // Every signal of this wait came while it was listed. One that poll saw is drained here;
      // one that came after the poll returned stays and at worst ends the thread's next
      // descriptor wait early, which looks again at what it waits for.
      if (polls.back().revents != 0) {
        uint64_t value = 0;
        ssize_t drained = ::read(polls.back().fd, &value, sizeof value);
        (void)drained;
      }
      if (r > 0) {
        // A wake-up ends the wait too when the objects and the condition say nothing: what the
        // caller watches may have changed, and it looks again at what to watch.
        for (const pollfd& p : polls) descriptorsSeen = descriptorsSeen || p.revents != 0;
        return std::cv_status::no_timeout;
      }
      if (r < 0) return std::cv_status::no_timeout;  // a signal: look again
      return std::chrono::steady_clock::now() >= deadline && !forever ? std::cv_status::timeout
                                                                       : std::cv_status::no_timeout;
    }
  } sleep{self, lock, polls, descriptorsSeen, milliseconds};
  // Hands the descriptors' events to the caller.
  auto descriptorsDone = [&]() {
    for (size_t i = 0; i < fdCount; ++i) fds[i].revents = polls[i].revents;
    if (descriptorsReady) *descriptorsReady = true;
    return WAIT_OBJECT_0 + count;
  };
  for (;;) {
    if (count > 0) {
      if (waitAll) {
        bool all = true;
        for (auto& o : objects) all = all && o->IsSignalled();
        if (all) {
          for (auto& o : objects) o->Acquire();
          return WAIT_OBJECT_0;
        }
      } else {
        for (DWORD i = 0; i < count; ++i) {
          if (objects[i]->IsSignalled()) {
            objects[i]->Acquire();
            return WAIT_OBJECT_0 + i;
          }
        }
      }
    }
    if (extra && extra()) return WAIT_OBJECT_0 + count;
    if (descriptorsSeen) return descriptorsDone();
    if (milliseconds == 0) return WAIT_TIMEOUT;
    if (milliseconds == INFINITE) {
      sleep.Until(deadline, true);
    } else if (sleep.Until(deadline, false) == std::cv_status::timeout) {
      // One last look: the state may have changed together with the time-out.
      if (waitAll && count > 0) {
        bool all = true;
        for (auto& o : objects) all = all && o->IsSignalled();
        if (all) {
          for (auto& o : objects) o->Acquire();
          return WAIT_OBJECT_0;
        }
      } else {
        for (DWORD i = 0; i < count; ++i) {
          if (objects[i]->IsSignalled()) {
            objects[i]->Acquire();
            return WAIT_OBJECT_0 + i;
          }
        }
      }
      if (extra && extra()) return WAIT_OBJECT_0 + count;
      if (descriptorsSeen) return descriptorsDone();
      return WAIT_TIMEOUT;
    }
  }
}

}  // namespace platform

using platform::KernelObject;

BOOL CloseHandle(HANDLE handle) {
  auto& t = platform::Table();
  std::shared_ptr<KernelObject> dying;
  {
    std::lock_guard<std::mutex> g(t.lock);
    auto it = t.objects.find(platform::HandleKey(handle));
    if (it == t.objects.end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    dying = std::move(it->second);
    t.objects.erase(it);
  }
  // The object itself lives on while a waiter or a running thread still holds it.
  return TRUE;
}

BOOL DuplicateHandle(HANDLE, HANDLE source, HANDLE, LPHANDLE target, DWORD, BOOL, DWORD) {
  auto obj = platform::LookupKernelObject(source);
  if (!obj || !target) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  *target = platform::RegisterKernelObject(obj);
  return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  return platform::WaitForObjectsOr(1, &handle, FALSE, milliseconds, nullptr);
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds) {
  if (count == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  return platform::WaitForObjectsOr(count, handles, waitAll, milliseconds, nullptr);
}

HANDLE CreateEventA(void*, BOOL manualReset, BOOL initialState, LPCSTR) {
  return platform::RegisterKernelObject(std::make_shared<platform::Event>(manualReset != 0, initialState != 0));
}

namespace {
BOOL SetEventState(HANDLE event, bool on) {
  auto ev = platform::LookupKernelObjectAs<platform::Event>(event);
  if (!ev) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  auto lock = platform::LockWaits();
  ev->Set(on);
  // Resetting an event never ends a wait, so only a set wakes anybody, and only its own waiters.
  if (on) platform::WakeObjectWaitersLocked(ev.get());
  return TRUE;
}
}  // namespace

BOOL SetEvent(HANDLE event) { return SetEventState(event, true); }
BOOL ResetEvent(HANDLE event) { return SetEventState(event, false); }

namespace platform {
namespace {
thread_local DWORD t_threadId = 0;
}

DWORD AllocateThreadId() {
  static std::atomic<DWORD> next{1};
  // Ids are multiples of 4 like Windows thread ids, and never 0 (0 means "no thread").
  return 4 * next.fetch_add(1);
}

void AdoptThreadId(DWORD id) { t_threadId = id; }
}  // namespace platform

DWORD GetCurrentThreadId() {
  if (platform::t_threadId == 0) platform::t_threadId = platform::AllocateThreadId();
  return platform::t_threadId;
}

DWORD GetCurrentProcessId() { return static_cast<DWORD>(getpid()); }

// The pseudo handles of Windows: -1 for the process, -2 for the thread; valid only for the caller.
HANDLE GetCurrentProcess() { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)); }
HANDLE GetCurrentThread() { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(-2)); }
