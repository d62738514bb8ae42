#include "platform/kernel/Sync.h"

#include "platform/kernel/KernelObject.h"

void InitializeCriticalSection(LPCRITICAL_SECTION section) {
  pthread_mutexattr_t attr;
  pthread_mutexattr_init(&attr);
  pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
  pthread_mutex_init(&section->Mutex, &attr);
  pthread_mutexattr_destroy(&attr);
  section->OwningThread = 0;
  section->RecursionCount = 0;
}

BOOL InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION section, DWORD) {
  InitializeCriticalSection(section);
  return TRUE;
}

void EnterCriticalSection(LPCRITICAL_SECTION section) {
  pthread_mutex_lock(&section->Mutex);
  __atomic_store_n(&section->OwningThread, GetCurrentThreadId(), __ATOMIC_RELAXED);
  ++section->RecursionCount;
}

BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section) {
  if (pthread_mutex_trylock(&section->Mutex) != 0) return FALSE;
  __atomic_store_n(&section->OwningThread, GetCurrentThreadId(), __ATOMIC_RELAXED);
  ++section->RecursionCount;
  return TRUE;
}

void LeaveCriticalSection(LPCRITICAL_SECTION section) {
  // Leaving a section that the caller does not own is a caller's fault; it must not release
  // another thread's lock.
  if (__atomic_load_n(&section->OwningThread, __ATOMIC_RELAXED) != GetCurrentThreadId()) return;
  if (--section->RecursionCount == 0) __atomic_store_n(&section->OwningThread, 0u, __ATOMIC_RELAXED);
  pthread_mutex_unlock(&section->Mutex);
}

void DeleteCriticalSection(LPCRITICAL_SECTION section) {
  pthread_mutex_destroy(&section->Mutex);
  section->OwningThread = 0;
  section->RecursionCount = 0;
}
