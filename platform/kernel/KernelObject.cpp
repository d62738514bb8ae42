#include "platform/kernel/KernelObject.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
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

void WakeObjectWaitersLocked(const KernelObject* object) {
  for (Waiter* w = WaiterList(); w; w = w->next) {
    for (DWORD i = 0; i < w->count; ++i) {
      if (w->objects[i].get() == object) {
        w->wake.notify_one();
        break;
      }
    }
  }
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
  for (Waiter* w = WaiterList(); w; w = w->next) w->wake.notify_one();
}

void NotifyMessageWaiters() {
  std::lock_guard<std::mutex> g(WaitMutex());
  for (Waiter* w = WaiterList(); w; w = w->next) {
    if (w->hasExtra) w->wake.notify_one();
  }
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
  if (count > MAXIMUM_WAIT_OBJECTS || (count > 0 && !handles) || (count == 0 && !extra)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  std::vector<std::shared_ptr<KernelObject>> objects;
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
  // Listed only while asleep, so that wakers never walk past threads that are busy elsewhere.
  struct Sleeper {
    Waiter& w;
    std::unique_lock<std::mutex>& lock;
    std::cv_status Until(std::chrono::steady_clock::time_point deadline, bool forever) {
      LinkWaiterLocked(w);
      std::cv_status r = std::cv_status::no_timeout;
      if (forever) w.wake.wait(lock);
      else r = w.wake.wait_until(lock, deadline);
      UnlinkWaiterLocked(w);
      return r;
    }
  } sleep{self, lock};
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
