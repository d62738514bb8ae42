#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/base/WinError.h"
#include "platform/kernel/KernelObject.h"

namespace {

TEST(Events, ManualAndAutoReset) {
  struct Case {
    BOOL manual;
    BOOL initial;
    DWORD first, second;
  } cases[] = {
      {TRUE, TRUE, WAIT_OBJECT_0, WAIT_OBJECT_0},   // manual: stays signalled
      {FALSE, TRUE, WAIT_OBJECT_0, WAIT_TIMEOUT},   // auto: the first wait takes it
      {TRUE, FALSE, WAIT_TIMEOUT, WAIT_TIMEOUT},
      {FALSE, FALSE, WAIT_TIMEOUT, WAIT_TIMEOUT},
  };
  for (const auto& c : cases) {
    HANDLE ev = CreateEvent(nullptr, c.manual, c.initial, nullptr);
    ASSERT_NE(nullptr, ev);
    EXPECT_EQ(c.first, WaitForSingleObject(ev, 0));
    EXPECT_EQ(c.second, WaitForSingleObject(ev, 0));
    EXPECT_TRUE(CloseHandle(ev));
  }
}

TEST(Events, ResetAndClosedHandles) {
  HANDLE ev = CreateEvent(nullptr, TRUE, TRUE, nullptr);
  ResetEvent(ev);
  EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(ev, 10));
  EXPECT_TRUE(CloseHandle(ev));
  EXPECT_FALSE(CloseHandle(ev));
  EXPECT_EQ((DWORD)ERROR_INVALID_HANDLE, GetLastError());
  EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(ev, 0));
  EXPECT_FALSE(SetEvent(ev));
}

TEST(Waits, AnyReturnsLowestSignalledIndex) {
  HANDLE ev[3] = {CreateEvent(nullptr, TRUE, FALSE, nullptr), CreateEvent(nullptr, TRUE, TRUE, nullptr),
                  CreateEvent(nullptr, TRUE, TRUE, nullptr)};
  EXPECT_EQ(WAIT_OBJECT_0 + 1, WaitForMultipleObjects(3, ev, FALSE, 0));
  EXPECT_EQ(WAIT_TIMEOUT, WaitForMultipleObjects(3, ev, TRUE, 0));
  SetEvent(ev[0]);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(3, ev, TRUE, 0));
  for (HANDLE h : ev) CloseHandle(h);
}

TEST(Waits, AllTakesAutoResetEventsTogether) {
  HANDLE a = CreateEvent(nullptr, FALSE, TRUE, nullptr);
  HANDLE b = CreateEvent(nullptr, FALSE, FALSE, nullptr);
  HANDLE both[2] = {a, b};
  // b is not set: a must not be taken by the failed wait-all.
  EXPECT_EQ(WAIT_TIMEOUT, WaitForMultipleObjects(2, both, TRUE, 20));
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(a, 0));
  SetEvent(a);
  SetEvent(b);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(2, both, TRUE, 0));
  EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(a, 0));
  EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(b, 0));
  CloseHandle(a);
  CloseHandle(b);
}

TEST(Waits, WakesWhenAnotherThreadSignals) {
  HANDLE ev = CreateEvent(nullptr, FALSE, FALSE, nullptr);
  std::thread t([ev] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    SetEvent(ev);
  });
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ev, INFINITE));
  t.join();
  CloseHandle(ev);
}

TEST(Waits, TimeoutIsHonoured) {
  HANDLE ev = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(ev, 50));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
  CloseHandle(ev);
}

TEST(Waits, BadArguments) {
  HANDLE none = nullptr;
  EXPECT_EQ(WAIT_FAILED, WaitForMultipleObjects(0, &none, FALSE, 0));
  EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(nullptr, 0));
  EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(reinterpret_cast<HANDLE>(0x12345678), 0));
}

TEST(Waits, ExtraConditionEndsTheWait) {
  HANDLE ev = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  std::atomic<bool> flag{false};
  std::thread t([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    flag = true;
    platform::NotifyWaiters();
  });
  EXPECT_EQ(WAIT_OBJECT_0 + 1, platform::WaitForObjectsOr(1, &ev, FALSE, 5000, [&] { return flag.load(); }));
  t.join();
  CloseHandle(ev);
}

TEST(Threads, CurrentThreadIdIsStableAndDistinct) {
  DWORD mine = GetCurrentThreadId();
  EXPECT_NE(0u, mine);
  EXPECT_EQ(mine, GetCurrentThreadId());
  DWORD other = 0;
  std::thread t([&] { other = GetCurrentThreadId(); });
  t.join();
  EXPECT_NE(0u, other);
  EXPECT_NE(mine, other);
}

}  // namespace

// Two threads hand a turn back and forth many times through auto-reset events, and short-lived
// threads are woken just before they end: no wake-up may go missing and none may touch a thread
// that has already left.
TEST(Waits, NoHandOverIsLost) {
  HANDLE ping = CreateEvent(nullptr, FALSE, FALSE, nullptr);
  HANDLE pong = CreateEvent(nullptr, FALSE, FALSE, nullptr);
  const int rounds = 20000;
  std::atomic<int> answered{0};
  std::thread partner([&] {
    for (int i = 0; i < rounds; ++i) {
      if (WaitForSingleObject(ping, 10000) != WAIT_OBJECT_0) return;
      ++answered;
      SetEvent(pong);
    }
  });
  int received = 0;
  for (int i = 0; i < rounds; ++i) {
    SetEvent(ping);
    if (WaitForSingleObject(pong, 10000) != WAIT_OBJECT_0) break;
    ++received;
  }
  partner.join();
  EXPECT_EQ(rounds, received);
  EXPECT_EQ(rounds, answered.load());

  HANDLE go = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  for (int round = 0; round < 50; ++round) {
    ResetEvent(go);
    std::atomic<int> woken{0};
    std::vector<std::thread> sleepers;
    for (int i = 0; i < 4; ++i) {
      sleepers.emplace_back([&] {
        if (WaitForSingleObject(go, 10000) == WAIT_OBJECT_0) ++woken;
      });
    }
    SetEvent(go);
    for (auto& t : sleepers) t.join();
    EXPECT_EQ(4, woken.load());
  }
  CloseHandle(go);
  CloseHandle(ping);
  CloseHandle(pong);
}

// A thread may still wait while its thread-local objects are being destroyed (the main thread's
// exit destructors do): the wait works after the thread's own wake-up slot has gone.
struct WaitsOnExit {
  HANDLE event = nullptr;
  DWORD* result = nullptr;
  ~WaitsOnExit() {
    if (event) *result = WaitForSingleObject(event, 5);
  }
};

TEST(Waits, WaitDuringThreadExit) {
  // Never set: the wait on the way out sleeps until its time is over.
  HANDLE ev = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  DWORD result = WAIT_FAILED;
  std::thread t([&] {
    // Made before the thread's first wait, so destroyed after what that wait set up.
    thread_local WaitsOnExit last;
    last.event = ev;
    last.result = &result;
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(ev, 1));
  });
  t.join();
  EXPECT_EQ(WAIT_TIMEOUT, result);
  CloseHandle(ev);
}
