// Threads: CreateThread, the C runtime's _beginthreadex, exit codes and thread handles.
//
// A thread is a kernel object whose handle becomes signalled when the thread ends, so the waits of
// KernelObject.h work on it. The handle stays valid after the thread has ended, until CloseHandle;
// closing the handle of a running thread does not stop it (the thread runs on, detached).
#pragma once

#include "platform/base/WinTypes.h"
#include "platform/kernel/KernelObject.h"

#define STILL_ACTIVE 259
#define CREATE_SUSPENDED 0x00000004u
#define THREAD_PRIORITY_NORMAL 0

typedef DWORD(WINAPI* LPTHREAD_START_ROUTINE)(LPVOID parameter);

// The security attributes are not used. A stack size of 0 takes the system's default. With
// CREATE_SUSPENDED the thread does not run until ResumeThread.
HANDLE CreateThread(void* security, SIZE_T stackSize, LPTHREAD_START_ROUTINE start, LPVOID parameter,
                    DWORD creationFlags, LPDWORD threadId);
// The C runtime's thread start: the handle as an integer, 0 on failure (errno is set then).
uintptr_t _beginthreadex(void* security, unsigned stackSize, unsigned(__stdcall* start)(void*), void* arg,
                         unsigned initFlag, unsigned* threadId);

// Ends the calling thread with the given exit code. The stack is unwound (destructors run), so
// nothing the thread holds in objects with destructors is lost. Must not be called while a
// lock without a destructor (a CRITICAL_SECTION) is held: that lock stays taken, as on Windows.
// On a thread not made by CreateThread or _beginthreadex the thread ends the same way, but there
// is no handle to signal.
[[noreturn]] void ExitThread(DWORD exitCode);
[[noreturn]] void _endthreadex(unsigned exitCode);

// STILL_ACTIVE while the thread runs, then the value its function returned (or ExitThread gave).
BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode);
// Returns the previous suspend count, or (DWORD)-1 for a handle that is not a thread.
DWORD ResumeThread(HANDLE thread);
DWORD GetThreadId(HANDLE thread);

// A thread cannot be stopped safely from outside on POSIX: killing it would leave its locks taken
// and its memory leaked. TerminateThread therefore asks the thread to stop and returns TRUE at
// once without waiting: it records the exit code, and platform::IsTerminateRequested becomes true
// for that thread, which the message loops of the window layer read to end the thread's loop (as
// if it had received WM_QUIT). The handle becomes signalled when the thread has really ended, and
// GetExitCodeThread then reports the code given here.
BOOL TerminateThread(HANDLE thread, DWORD exitCode);

namespace platform {
// Called on every thread made here as it ends, before its handle becomes signalled, so that a layer
// above (the window layer) can release what the thread owned before a waiter sees it ended. One
// hook; setting it again replaces it.
void SetThreadEndHook(void (*hook)());
// True on a thread for which TerminateThread was called. False on threads not made here. Takes no
// lock, so it may be called with the wait lock held.
bool IsTerminateRequested();
}  // namespace platform
