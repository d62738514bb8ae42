#include "platform/kernel/Threads.h"

#include <pthread.h>
#include <limits.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/base/WinError.h"

namespace platform {
namespace {

class ThreadObject : public KernelObject {
 public:
  explicit ThreadObject(DWORD id, bool suspended) : m_id(id), m_suspendCount(suspended ? 1 : 0) {}

  bool IsSignalled() const override { return m_ended; }

  DWORD Id() const { return m_id; }

  // Both read and written under the wait lock, so that a waiter sees the exit code together
  // with the signalled state.
  void SetExitCode(DWORD code) {
    auto lock = LockWaits();
    if (!m_terminateRequested) m_exitCode = code;
  }
  DWORD ExitCode() const {
    auto lock = LockWaits();
    return m_ended ? m_exitCode : STILL_ACTIVE;
  }
  void Finish() {
    {
      auto lock = LockWaits();
      m_ended = true;
    }
    NotifyWaiters();
  }
  void RequestTerminate(DWORD code) {
    auto lock = LockWaits();
    if (m_ended || m_terminateRequested) return;
    m_terminateRequested = true;
    m_exitCode = code;
  }
  // Lock-free, so that a message wait can read it from its wake-up condition, which runs with
  // the wait lock held.
  bool TerminateRequested() const { return m_terminateRequested.load(); }

  void WaitUntilResumed() {
    std::unique_lock<std::mutex> g(m_gateLock);
    m_gate.wait(g, [this] { return m_suspendCount == 0; });
  }
  DWORD Resume() {
    std::lock_guard<std::mutex> g(m_gateLock);
    DWORD previous = m_suspendCount;
    if (m_suspendCount > 0 && --m_suspendCount == 0) m_gate.notify_all();
    return previous;
  }

 private:
  const DWORD m_id;
  bool m_ended = false;
  std::atomic<bool> m_terminateRequested{false};
  DWORD m_exitCode = STILL_ACTIVE;
  std::mutex m_gateLock;
  std::condition_variable m_gate;
  DWORD m_suspendCount;
};

struct StartBlock {
  std::shared_ptr<ThreadObject> thread;
  std::function<DWORD()> run;
};

thread_local ThreadObject* t_current = nullptr;
std::atomic<void (*)()> g_endHook{nullptr};

// Marks the thread ended when its start function returns or ExitThread unwinds the stack. The
// thread's own pointer is cleared first: the object may go away once the handle is closed.
struct EndGuard {
  ThreadObject* thread;
  ~EndGuard() {
    if (void (*hook)() = g_endHook.load()) hook();
    t_current = nullptr;
    thread->Finish();
  }
};

void* ThreadMain(void* raw) {
  std::unique_ptr<StartBlock> block(static_cast<StartBlock*>(raw));
  ThreadObject* self = block->thread.get();
  AdoptThreadId(self->Id());
  t_current = self;
  EndGuard guard{self};
  self->WaitUntilResumed();
  DWORD code = block->run();
  self->SetExitCode(code);
  return nullptr;
}

HANDLE StartThread(SIZE_T stackSize, std::function<DWORD()> run, DWORD flags, DWORD* threadId) {
  auto thread = std::make_shared<ThreadObject>(AllocateThreadId(), (flags & CREATE_SUSPENDED) != 0);
  auto block = std::make_unique<StartBlock>(StartBlock{thread, std::move(run)});
  pthread_attr_t attr;
  if (pthread_attr_init(&attr) != 0) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
  if (stackSize > 0) {
    const SIZE_T minimum = static_cast<SIZE_T>(PTHREAD_STACK_MIN);
    SIZE_T size = stackSize < minimum ? minimum : stackSize;
    pthread_attr_setstacksize(&attr, size);
  }
  // The handle is registered first so that the thread, once running, can already be waited for.
  HANDLE handle = RegisterKernelObject(thread);
  pthread_t id;
  int rc = pthread_create(&id, &attr, ThreadMain, block.get());
  pthread_attr_destroy(&attr);
  if (rc != 0) {
    CloseHandle(handle);
    SetLastError(ErrnoToWinError(rc) == ERROR_INVALID_FUNCTION ? ERROR_NOT_ENOUGH_MEMORY : ErrnoToWinError(rc));
    errno = rc;
    return nullptr;
  }
  block.release();  // the thread owns it now
  if (threadId) *threadId = thread->Id();
  return handle;
}

}  // namespace

bool IsTerminateRequested() { return t_current && t_current->TerminateRequested(); }

void SetThreadEndHook(void (*hook)()) { g_endHook.store(hook); }

}  // namespace platform

using platform::ThreadObject;

HANDLE CreateThread(void*, SIZE_T stackSize, LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD creationFlags,
                    LPDWORD threadId) {
  if (!start) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return platform::StartThread(stackSize, [start, parameter] { return start(parameter); }, creationFlags, threadId);
}

uintptr_t _beginthreadex(void*, unsigned stackSize, unsigned(__stdcall* start)(void*), void* arg, unsigned initFlag,
                         unsigned* threadId) {
  if (!start) {
    errno = EINVAL;
    return 0;
  }
  DWORD id = 0;
  HANDLE h = platform::StartThread(stackSize, [start, arg] { return static_cast<DWORD>(start(arg)); }, initFlag, &id);
  if (h && threadId) *threadId = id;
  return reinterpret_cast<uintptr_t>(h);
}

void ExitThread(DWORD exitCode) {
  if (platform::t_current) platform::t_current->SetExitCode(exitCode);
  // pthread_exit unwinds the stack; the end guard of ThreadMain then signals the handle.
  pthread_exit(nullptr);
}

void _endthreadex(unsigned exitCode) { ExitThread(exitCode); }

BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode) {
  auto t = platform::LookupKernelObjectAs<ThreadObject>(thread);
  if (!t || !exitCode) {
    SetLastError(t ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  *exitCode = t->ExitCode();
  return TRUE;
}

DWORD ResumeThread(HANDLE thread) {
  auto t = platform::LookupKernelObjectAs<ThreadObject>(thread);
  if (!t) {
    SetLastError(ERROR_INVALID_HANDLE);
    return static_cast<DWORD>(-1);
  }
  return t->Resume();
}

DWORD GetThreadId(HANDLE thread) {
  if (thread == GetCurrentThread()) return GetCurrentThreadId();
  auto t = platform::LookupKernelObjectAs<ThreadObject>(thread);
  if (!t) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return t->Id();
}

BOOL TerminateThread(HANDLE thread, DWORD exitCode) {
  auto t = platform::LookupKernelObjectAs<ThreadObject>(thread);
  if (!t) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  t->RequestTerminate(exitCode);
  // Wake a thread that waits in a message loop so that it sees the request.
  platform::NotifyWaiters();
  return TRUE;
}
