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
// The lock and the condition are never destroyed, like the handle table: a detached thread may
// still be inside notify_all, or still waiting, while static teardown runs at exit.
std::mutex& WaitMutex() {
  static std::mutex* m = new std::mutex;
  return *m;
}
std::condition_variable& WaitCondition() {
  static std::condition_variable* c = new std::condition_variable;
  return *c;
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
  // Taking the lock orders this wake-up after any state change a waiter could have missed.
  { std::lock_guard<std::mutex> g(WaitMutex()); }
  WaitCondition().notify_all();
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
      WaitCondition().wait(lock);
    } else if (WaitCondition().wait_until(lock, deadline) == std::cv_status::timeout) {
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
  {
    auto lock = platform::LockWaits();
    ev->Set(on);
  }
  platform::WaitCondition().notify_all();
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
