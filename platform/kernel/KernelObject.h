// The kernel object table and the wait machinery that every waitable object shares.
//
// A HANDLE is a small number that names an entry of one process-wide table. Every object that can
// be waited for (events, threads) derives from KernelObject. All signalled states are read and
// changed under one process-wide lock, which keeps WaitForMultipleObjects with bWaitAll exact
// (objects are acquired together, never one by one). Each blocked thread sleeps on a condition of
// its own, and a change wakes only the threads it can concern: setting an event wakes the threads
// that wait for that event, a posted message wakes the message waits.
#pragma once

#include <poll.h>

#include <functional>
#include <memory>
#include <mutex>

#include "platform/base/WinTypes.h"

#define WAIT_OBJECT_0 0x00000000u
#define WAIT_ABANDONED 0x00000080u
#define WAIT_ABANDONED_0 0x00000080u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu
#define MAXIMUM_WAIT_OBJECTS 64

namespace platform {

class KernelObject {
 public:
  virtual ~KernelObject() = default;
  // Both are called with the wait lock held.
  virtual bool IsSignalled() const { return false; }
  // A satisfied wait takes the object (an auto-reset event resets itself).
  virtual void Acquire() {}
  // False for objects that cannot be waited for (files, find handles).
  virtual bool IsWaitable() const { return true; }
};

// The lock under which signalled states change. Hold it only for short, non-blocking work.
std::unique_lock<std::mutex> LockWaits();
// Wakes every waiter so that it re-checks its objects and its wake-up condition. Call without the
// wait lock held, after changing state that any waiter may read.
void NotifyWaiters();
// Wakes only the waits that have a wake-up condition (`extra` below), after a change of the
// state those conditions read (message queues). Call without the wait lock held.
void NotifyMessageWaiters();
// Wakes only the threads that wait for `object`, after its signalled state changed. Call without
// the wait lock held.
void NotifyObjectWaiters(const KernelObject& object);

HANDLE RegisterKernelObject(std::shared_ptr<KernelObject> object);
std::shared_ptr<KernelObject> LookupKernelObject(HANDLE handle);
template <class T>
std::shared_ptr<T> LookupKernelObjectAs(HANDLE handle) {
  return std::dynamic_pointer_cast<T>(LookupKernelObject(handle));
}

// WaitForMultipleObjects with one more wake-up condition: `extra` is evaluated under the wait lock
// whenever the objects are not (all) signalled; when it returns true the wait ends with
// WAIT_OBJECT_0 + count. The window layer builds MsgWaitForMultipleObjects on this; the state that
// `extra` reads must be changed before NotifyWaiters is called.
DWORD WaitForObjectsOr(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds,
                       const std::function<bool()>& extra);

// The same wait that also watches descriptors (poll(2) entries; their revents are filled in):
// when one of them is ready before the objects or `extra`, the wait ends with
// WAIT_OBJECT_0 + count and *descriptorsReady set. The thread then sleeps in poll on the
// descriptors and a wake-up descriptor of its own, which wakers signal instead of a condition.
// Call only when ThreadCanWaitOnDescriptors() says so.
DWORD WaitForObjectsOrDescriptors(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds,
                                  const std::function<bool()>& extra, ::pollfd* fds, size_t fdCount,
                                  bool* descriptorsReady);
// Whether the calling thread has its wake-up descriptor (not while it is being torn down).
bool ThreadCanWaitOnDescriptors();
// Wakes only the waits of one thread that have a wake-up condition, after a change of the state
// those conditions read for that thread (its message queue). Call without the wait lock held.
void NotifyThreadMessageWaiters(DWORD threadId);

// Work that a thread puts off for as long as it keeps running and hands over before it blocks.
// The hook runs on the calling thread, without any lock held, at the start of every wait that
// may block (the waits above with a non-zero time, the message waits, Sleep); it must be cheap
// when the thread has nothing put off. One hook per process; null removes it.
using BeforeBlockingHook = void (*)();
void SetBeforeBlockingHook(BeforeBlockingHook hook);
void BeforeBlocking();

// Thread ids. A thread made by CreateThread gets its id before it starts, so that the creator
// can hand it out at once; the new thread adopts it before it runs any code of the caller. Other
// threads get theirs at their first GetCurrentThreadId.
DWORD AllocateThreadId();
void AdoptThreadId(DWORD id);

}  // namespace platform

BOOL CloseHandle(HANDLE handle);
BOOL DuplicateHandle(HANDLE sourceProcess, HANDLE source, HANDLE targetProcess, LPHANDLE target,
                     DWORD access, BOOL inherit, DWORD options);
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds);

// Events. The name and the security attributes are not used: no event here is shared with
// another process.
HANDLE CreateEventA(void* security, BOOL manualReset, BOOL initialState, LPCSTR name);
#define CreateEvent CreateEventA
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);

DWORD GetCurrentThreadId();
DWORD GetCurrentProcessId();
HANDLE GetCurrentProcess();
HANDLE GetCurrentThread();
