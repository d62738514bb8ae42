// Critical sections and the interlocked operations.
#pragma once

#include <pthread.h>

#include "platform/base/WinTypes.h"

// A recursive lock, as on Windows: the owning thread may enter again and must leave as often as
// it entered. The structure is plain data so that callers can embed it and initialise it with
// InitializeCriticalSection; it must not be copied or moved while initialised.
struct CRITICAL_SECTION {
  pthread_mutex_t Mutex;
  // The owner's thread id (read and written atomically) and its entry count (only touched by the
  // owner), as on Windows.
  DWORD OwningThread;
  LONG RecursionCount;
};
typedef CRITICAL_SECTION* LPCRITICAL_SECTION;
typedef CRITICAL_SECTION* PCRITICAL_SECTION;

void InitializeCriticalSection(LPCRITICAL_SECTION section);
// The spin count means nothing here; the call always succeeds.
BOOL InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION section, DWORD spinCount);
void EnterCriticalSection(LPCRITICAL_SECTION section);
void LeaveCriticalSection(LPCRITICAL_SECTION section);
BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section);
void DeleteCriticalSection(LPCRITICAL_SECTION section);

// Atomic operations on 32-bit values, each a full barrier as on Windows. Increment, Decrement
// and CompareExchange's comparison give the value after (resp. before) the operation exactly as
// their Windows namesakes do.
inline LONG InterlockedIncrement(volatile LONG* target) { return __atomic_add_fetch(target, 1, __ATOMIC_SEQ_CST); }
inline LONG InterlockedDecrement(volatile LONG* target) { return __atomic_sub_fetch(target, 1, __ATOMIC_SEQ_CST); }
// Returns the previous value.
inline LONG InterlockedExchange(volatile LONG* target, LONG value) {
  return __atomic_exchange_n(target, value, __ATOMIC_SEQ_CST);
}
// Returns the previous value.
inline LONG InterlockedExchangeAdd(volatile LONG* target, LONG value) {
  return __atomic_fetch_add(target, value, __ATOMIC_SEQ_CST);
}
// Stores `exchange` when the value equals `comparand`; returns the previous value either way.
inline LONG InterlockedCompareExchange(volatile LONG* target, LONG exchange, LONG comparand) {
  __atomic_compare_exchange_n(target, &comparand, exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
  return comparand;
}
inline PVOID InterlockedExchangePointer(PVOID volatile* target, PVOID value) {
  return __atomic_exchange_n(target, value, __ATOMIC_SEQ_CST);
}
inline PVOID InterlockedCompareExchangePointer(PVOID volatile* target, PVOID exchange, PVOID comparand) {
  __atomic_compare_exchange_n(target, &comparand, exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
  return comparand;
}
