#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/kernel/Kernel.h"

namespace {

TEST(CriticalSection, RecursiveAndExclusive) {
  CRITICAL_SECTION cs;
  InitializeCriticalSection(&cs);
  EnterCriticalSection(&cs);
  EXPECT_TRUE(TryEnterCriticalSection(&cs));  // the owner may enter again
  EXPECT_EQ(2, cs.RecursionCount);
  EXPECT_EQ(GetCurrentThreadId(), cs.OwningThread);
  BOOL other = TRUE;
  std::thread([&] { other = TryEnterCriticalSection(&cs); }).join();
  EXPECT_FALSE(other);
  LeaveCriticalSection(&cs);
  std::thread([&] { other = TryEnterCriticalSection(&cs); }).join();
  EXPECT_FALSE(other);  // still held once
  // Leaving from a thread that does not own it must not release it.
  std::thread([&] { LeaveCriticalSection(&cs); }).join();
  EXPECT_EQ(1, cs.RecursionCount);
  LeaveCriticalSection(&cs);
  EXPECT_EQ(0u, cs.OwningThread);
  std::thread([&] {
    other = TryEnterCriticalSection(&cs);
    if (other) LeaveCriticalSection(&cs);
  }).join();
  EXPECT_TRUE(other);
  DeleteCriticalSection(&cs);
}

TEST(CriticalSection, SerialisesWriters) {
  CRITICAL_SECTION cs;
  InitializeCriticalSection(&cs);
  long counter = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 10000; ++i) {
        EnterCriticalSection(&cs);
        long v = counter;
        counter = v + 1;
        LeaveCriticalSection(&cs);
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(40000, counter);
  DeleteCriticalSection(&cs);
}

TEST(Interlocked, ResultsTable) {
  struct Case {
    const char* name;
    LONG start;
    LONG (*op)(volatile LONG*);
    LONG result, after;
  } cases[] = {
      {"increment gives the new value", 5, [](volatile LONG* p) { return InterlockedIncrement(p); }, 6, 6},
      {"increment wraps", 0x7FFFFFFF, [](volatile LONG* p) { return InterlockedIncrement(p); }, INT32_MIN, INT32_MIN},
      {"decrement gives the new value", 0, [](volatile LONG* p) { return InterlockedDecrement(p); }, -1, -1},
      {"exchange gives the old value", 3, [](volatile LONG* p) { return InterlockedExchange(p, 9); }, 3, 9},
      {"exchange-add gives the old value", 3, [](volatile LONG* p) { return InterlockedExchangeAdd(p, -5); }, 3, -2},
      {"compare-exchange, equal", 4, [](volatile LONG* p) { return InterlockedCompareExchange(p, 8, 4); }, 4, 8},
      {"compare-exchange, different", 4, [](volatile LONG* p) { return InterlockedCompareExchange(p, 8, 5); }, 4, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    volatile LONG v = c.start;
    EXPECT_EQ(c.result, c.op(&v));
    EXPECT_EQ(c.after, v);
  }
}

TEST(Interlocked, AtomicUnderContention) {
  volatile LONG counter = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 20000; ++i) {
        InterlockedIncrement(&counter);
        InterlockedExchangeAdd(&counter, 2);
        InterlockedDecrement(&counter);
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(4 * 20000 * 2, counter);
}

}  // namespace
