// Message queues: posting, filters, quitting, cross-thread sends, time-outs, timers and waits.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/kernel/KernelObject.h"
#include "platform/kernel/Threads.h"
#include "platform/kernel/Time.h"
#include "tests/platform/UserTestSupport.h"
#include "tests/support/StoppedClock.h"

using namespace usertest;

namespace {

// A thread that owns one recording window and pumps its queue until WM_QUIT.
class WindowThread {
 public:
  WindowThread() : m_ready(CreateEvent(nullptr, TRUE, FALSE, nullptr)) {
    m_thread = std::thread([this] {
      m_hwnd = MakeWindow(WS_POPUP);
      m_threadId = GetCurrentThreadId();
      SetEvent(m_ready);
      MSG msg;
      while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
      DestroyWindow(m_hwnd);
    });
    WaitForSingleObject(m_ready, INFINITE);
  }
  ~WindowThread() {
    PostThreadMessageA(m_threadId, WM_QUIT, 0, 0);
    m_thread.join();
    CloseHandle(m_ready);
  }
  HWND Hwnd() const { return m_hwnd; }
  DWORD ThreadId() const { return m_threadId; }

 private:
  HANDLE m_ready;
  std::thread m_thread;
  HWND m_hwnd = nullptr;
  DWORD m_threadId = 0;
};

TEST(Queue, PostThreadMessageNeedsTheTargetsQueue) {
  HANDLE idKnown = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  HANDLE proceed = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  HANDLE hasQueue = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  std::atomic<DWORD> id{0};
  std::atomic<UINT> got{0};
  std::thread worker([&] {
    id = GetCurrentThreadId();
    SetEvent(idKnown);
    WaitForSingleObject(proceed, INFINITE);
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // makes the queue
    SetEvent(hasQueue);
    if (GetMessageA(&msg, nullptr, 0, 0) > 0) got = msg.message;
  });
  WaitForSingleObject(idKnown, INFINITE);
  SetLastError(0);
  EXPECT_FALSE(PostThreadMessageA(id, WM_USER + 7, 0, 0));
  EXPECT_EQ((DWORD)ERROR_INVALID_THREAD_ID, GetLastError());
  SetEvent(proceed);
  WaitForSingleObject(hasQueue, INFINITE);
  EXPECT_TRUE(PostThreadMessageA(id, WM_USER + 7, 0, 0));
  worker.join();
  EXPECT_EQ((UINT)(WM_USER + 7), got.load());
  // The queue goes with its thread.
  EXPECT_FALSE(PostThreadMessageA(id, WM_USER + 7, 0, 0));
  EXPECT_EQ((DWORD)ERROR_INVALID_THREAD_ID, GetLastError());
  for (HANDLE h : {idKnown, proceed, hasQueue}) CloseHandle(h);
}

TEST(Queue, PostedOrderAndFilters) {
  HWND a = MakeWindow(WS_POPUP);
  HWND b = MakeWindow(WS_POPUP);
  HWND child = MakeWindow(WS_CHILD, a);
  PumpAll();
  const HWND threadOnly = reinterpret_cast<HWND>(static_cast<intptr_t>(-1));
  struct Case {
    const char* what;
    HWND filter;
    UINT first, last;
    std::vector<std::pair<HWND, UINT>> expected;  // in retrieval order
  } cases[] = {
      {"everything in posting order", nullptr, 0, 0,
       {{a, WM_USER + 1}, {nullptr, WM_USER + 2}, {b, WM_USER + 3}, {child, WM_APP}, {a, WM_COMMAND}}},
      {"one window and its children", a, 0, 0, {{a, WM_USER + 1}, {child, WM_APP}, {a, WM_COMMAND}}},
      {"thread messages only", threadOnly, 0, 0, {{nullptr, WM_USER + 2}}},
      {"a range", nullptr, WM_USER, WM_USER + 2, {{a, WM_USER + 1}, {nullptr, WM_USER + 2}}},
      {"a window and a range", a, WM_APP, WM_APP, {{child, WM_APP}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PostMessageA(a, WM_USER + 1, 1, 0);
    PostMessageA(nullptr, WM_USER + 2, 2, 0);
    PostMessageA(b, WM_USER + 3, 3, 0);
    PostMessageA(child, WM_APP, 4, 0);
    PostMessageA(a, WM_COMMAND, 5, 0);
    MSG msg;
    // PM_NOREMOVE shows the first match and leaves it.
    ASSERT_TRUE(PeekMessageA(&msg, c.filter, c.first, c.last, PM_NOREMOVE));
    EXPECT_EQ(c.expected[0].second, msg.message);
    std::vector<std::pair<HWND, UINT>> got;
    while (PeekMessageA(&msg, c.filter, c.first, c.last, PM_REMOVE)) got.emplace_back(msg.hwnd, msg.message);
    EXPECT_EQ(c.expected, got);
    // Clear what the filter left.
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
  }
  DestroyWindow(a);
  DestroyWindow(b);
}

TEST(Queue, QuitComesAfterPostedMessagesAndEndsGetMessage) {
  HWND w = MakeWindow(WS_POPUP);
  PumpAll();
  PostQuitMessage(3);
  PostMessageA(w, WM_USER, 0, 0);
  MSG msg;
  EXPECT_EQ(TRUE, GetMessageA(&msg, nullptr, 0, 0));
  EXPECT_EQ((UINT)WM_USER, msg.message);
  // WM_QUIT ignores the message filter.
  EXPECT_EQ(FALSE, GetMessageA(&msg, nullptr, WM_USER, WM_USER));
  EXPECT_EQ((UINT)WM_QUIT, msg.message);
  EXPECT_EQ((WPARAM)3, msg.wParam);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  // A filter naming a window that does not exist is an error.
  DestroyWindow(w);
  EXPECT_EQ(-1, GetMessageA(&msg, w, 0, 0));
  EXPECT_EQ((DWORD)ERROR_INVALID_WINDOW_HANDLE, GetLastError());
}

// A queue takes at most 10,000 posted messages, for windows and for the thread alike; room comes
// back as the owner reads.
TEST(Queue, PostsBeyondTheQueueLimitFailUntilTheOwnerReads) {
  HWND w = MakeWindow(WS_POPUP);
  for (int i = 0; i < 9999; ++i) ASSERT_TRUE(PostMessageA(w, WM_USER, i, 0)) << i;
  ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), WM_USER + 1, 0, 0));
  SetLastError(0);
  EXPECT_FALSE(PostMessageA(w, WM_USER, 0, 0));
  EXPECT_EQ((DWORD)ERROR_NOT_ENOUGH_QUOTA, GetLastError());
  EXPECT_FALSE(PostThreadMessageA(GetCurrentThreadId(), WM_USER, 0, 0));
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(0u, msg.wParam);
  EXPECT_TRUE(PostMessageA(w, WM_USER, 0, 0));
  int drained = 0;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ++drained;
  EXPECT_EQ(10000, drained);
  DestroyWindow(w);
}

TEST(Queue, MessagesOfADestroyedWindowAreDropped) {
  HWND w = MakeWindow(WS_POPUP);
  PostMessageA(w, WM_USER, 0, 0);
  SetTimer(w, 1, 10, nullptr);
  DestroyWindow(w);
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, w, 0, 0, PM_REMOVE));
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_FALSE(PostMessageA(w, WM_USER, 0, 0));
  EXPECT_EQ((DWORD)ERROR_INVALID_WINDOW_HANDLE, GetLastError());
  EXPECT_EQ(0, SendMessageA(w, WM_USER + 1, 1, 2));
}

// On a clock that runs 1000 times as fast a timer of a minute comes within a fraction of a
// real second: the queue's wait turns the timer's due time into real time at the clock's speed
// (at the real speed the wait below would give up long before the timer came).
TEST(Queue, TimersKeepPaceWithAScaledClock) {
  HWND w = MakeWindow(WS_POPUP);
  PumpAll();
  platform::SetClockScale(1000);
  const DWORD before = GetTickCount();
  ASSERT_NE(0u, SetTimer(w, 3, 60000, nullptr));
  MSG msg{};
  const DWORD got = MsgWaitForMultipleObjects(0, nullptr, FALSE, 30000, QS_TIMER);
  const bool timer = PeekMessageA(&msg, w, WM_TIMER, WM_TIMER, PM_REMOVE);
  platform::SetClockScale(1);
  EXPECT_EQ(WAIT_OBJECT_0, got);
  ASSERT_TRUE(timer);
  EXPECT_EQ(3u, msg.wParam);
  EXPECT_GE(GetTickCount() - before, 60000u);
  KillTimer(w, 3);
  DestroyWindow(w);
}

TEST(Send, SameThreadCallsDirectlyOtherThreadQueuesAndBlocks) {
  HWND mine = MakeWindow(WS_POPUP);
  MessageLog::Get().Clear();
  EXPECT_EQ(5, SendMessageA(mine, WM_USER + 1, 2, 3));
  auto seen = MessageLog::Get().Take();
  ASSERT_EQ(1u, seen.size());
  EXPECT_EQ(GetCurrentThreadId(), seen[0].thread);

  WindowThread other;
  MessageLog::Get().Clear();
  EXPECT_EQ(30, SendMessageA(other.Hwnd(), WM_USER + 1, 10, 20));
  seen = MessageLog::Get().Take();
  ASSERT_EQ(1u, seen.size());
  EXPECT_EQ(other.ThreadId(), seen[0].thread);  // processed by the receiver, not the sender
  DestroyWindow(mine);
}

// The receiver's procedure sends back to the sender's window while the sender waits: the sender
// processes that message inside its own SendMessage.
HWND g_backTarget = nullptr;
LRESULT CALLBACK SendsBackProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_USER + 5) return SendMessageA(g_backTarget, WM_USER + 1, wParam, 100) + 1;
  if (message == WM_USER + 6) return InSendMessage();
  if (message == WM_USER + 8) {
    ReplyMessage(77);
    return 5;  // ignored: the sender already has its answer
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

TEST(Send, NestedSendsAcrossThreadsDoNotDeadlock) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = SendsBackProc;
  wc.lpszClassName = "SendsBack";
  ASSERT_NE(0, RegisterClassA(&wc));
  g_backTarget = MakeWindow(WS_POPUP);
  HANDLE ready = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  HWND remote = nullptr;
  DWORD remoteThread = 0;
  std::thread t([&] {
    remote = CreateWindowExA(0, "SendsBack", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    remoteThread = GetCurrentThreadId();
    SetEvent(ready);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  });
  WaitForSingleObject(ready, INFINITE);
  MessageLog::Get().Clear();
  EXPECT_EQ(106, SendMessageA(remote, WM_USER + 5, 5, 0));
  auto seen = MessageLog::Get().Take();
  ASSERT_EQ(1u, seen.size());
  EXPECT_EQ(GetCurrentThreadId(), seen[0].thread);
  // InSendMessage tells a cross-thread send from a direct call.
  EXPECT_EQ(TRUE, SendMessageA(remote, WM_USER + 6, 0, 0));
  EXPECT_FALSE(InSendMessage());
  // ReplyMessage answers before the procedure returns.
  EXPECT_EQ(77, SendMessageA(remote, WM_USER + 8, 0, 0));
  PostThreadMessageA(remoteThread, WM_QUIT, 0, 0);
  t.join();
  EXPECT_FALSE(IsWindow(remote));  // the thread's windows go with it
  DestroyWindow(g_backTarget);
  CloseHandle(ready);
}

// Many back-to-back sends from one thread: each arrives while the receiver goes from running the
// last one back to sleep; all run once and return their own results.
TEST(Send, BackToBackSendsAllRunAndAnswer) {
  WindowThread receiver;
  constexpr int COUNT = 20000;
  long sum = 0;
  for (int i = 0; i < COUNT; ++i) sum += SendMessageA(receiver.Hwnd(), WM_USER + 1, static_cast<WPARAM>(i), 1);
  EXPECT_EQ(static_cast<long>(COUNT) * (COUNT + 1) / 2, sum);
  MessageLog::Get().Clear();
}

std::atomic<int> g_slowCalls{0};
LRESULT CALLBACK CountingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_USER + 9) {
    ++g_slowCalls;
    return 1;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

TEST(Send, TimeoutReturnsZeroAndWithdrawsTheMessage) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = CountingProc;
  wc.lpszClassName = "Counting";
  ASSERT_NE(0, RegisterClassA(&wc));
  HANDLE ready = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  HANDLE release = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  HWND remote = nullptr;
  std::thread t([&] {
    remote = CreateWindowExA(0, "Counting", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    SetEvent(ready);
    WaitForSingleObject(release, INFINITE);  // busy: does not look at its queue
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  });
  WaitForSingleObject(ready, INFINITE);
  DWORD_PTR result = 99;
  SetLastError(0);
  EXPECT_EQ(0, SendMessageTimeoutA(remote, WM_USER + 9, 0, 0, SMTO_NORMAL, 30, &result));
  EXPECT_EQ((DWORD)ERROR_TIMEOUT, GetLastError());
  EXPECT_EQ(0u, result);
  SetEvent(release);
  t.join();
  EXPECT_EQ(0, g_slowCalls.load());  // the abandoned message never ran
  // A window that answers in time gives 1 and the result; an invalid window gives 0.
  HWND mine = MakeWindow(WS_POPUP);
  EXPECT_EQ(1, SendMessageTimeoutA(mine, WM_USER + 1, 4, 5, SMTO_NORMAL, 1000, &result));
  EXPECT_EQ(9u, result);
  DestroyWindow(mine);
  EXPECT_EQ(0, SendMessageTimeoutA(mine, WM_USER + 1, 4, 5, SMTO_NORMAL, 1000, &result));
  EXPECT_EQ((DWORD)ERROR_INVALID_WINDOW_HANDLE, GetLastError());
  CloseHandle(ready);
  CloseHandle(release);
}

TEST(Send, ASenderIsReleasedWhenTheReceiverThreadEnds) {
  HANDLE ready = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  HANDLE finish = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  HWND remote = nullptr;
  std::thread t([&] {
    remote = MakeWindow(WS_POPUP);
    SetEvent(ready);
    WaitForSingleObject(finish, INFINITE);  // ends without pumping
  });
  WaitForSingleObject(ready, INFINITE);
  std::thread sender([&] { EXPECT_EQ(0, SendMessageA(remote, WM_USER + 1, 1, 1)); });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  SetEvent(finish);
  t.join();
  sender.join();
  EXPECT_FALSE(IsWindow(remote));
  CloseHandle(ready);
  CloseHandle(finish);
}

TEST(Timers, IdZeroTicksOnlyWhenTheQueueIsOtherwiseEmptyAndNeverPilesUp) {
  testsupport::StoppedClock clock;
  HWND w = MakeWindow(WS_POPUP);
  PumpAll();
  EXPECT_NE(0u, SetTimer(w, 0, 60, nullptr));
  PostMessageA(w, WM_USER, 0, 0);
  MSG msg;
  clock.Advance(59);
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ((UINT)WM_USER, msg.message);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));  // not before the period
  clock.Advance(141);  // several periods pass
  PostMessageA(w, WM_USER, 0, 0);
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ((UINT)WM_USER, msg.message);  // posted messages come first
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ((UINT)WM_TIMER, msg.message);
  EXPECT_EQ(0u, msg.wParam);
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ((UINT)WM_TIMER, msg.message);
  EXPECT_EQ(w, msg.hwnd);
  // Only one tick was pending however many periods passed; the next period starts now.
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  clock.Advance(59);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  clock.Advance(1);
  ASSERT_EQ(TRUE, GetMessageA(&msg, nullptr, 0, 0));
  EXPECT_EQ((UINT)WM_TIMER, msg.message);
  // A filter that leaves WM_TIMER out does not get it.
  clock.Advance(70);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_USER, WM_APP, PM_REMOVE));
  EXPECT_TRUE(KillTimer(w, 0));
  EXPECT_FALSE(KillTimer(w, 0));
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  DestroyWindow(w);
}

// A thread blocked in GetMessage with a timer pending wakes when another thread moves the stopped
// clock past the timer's period, and not before: a wait ends by the real clock only for its own
// time-out.
TEST(Timers, MovingTheStoppedClockWakesAWaitingThread) {
  testsupport::StoppedClock clock;
  HWND w = MakeWindow(WS_POPUP);
  PumpAll();
  ASSERT_NE(0u, SetTimer(w, 7, 1000, nullptr));
  EXPECT_EQ(WAIT_TIMEOUT, MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_TIMER));
  const DWORD before = GetTickCount();
  std::thread mover([&] {
    clock.Advance(400);
    clock.Advance(600);
  });
  MSG msg;
  ASSERT_EQ(TRUE, GetMessageA(&msg, nullptr, 0, 0));
  mover.join();
  EXPECT_EQ((UINT)WM_TIMER, msg.message);
  EXPECT_EQ(7u, msg.wParam);
  EXPECT_EQ(1000u, GetTickCount() - before);
  EXPECT_GE(msg.time - before, 1000u);
  KillTimer(w, 7);
  DestroyWindow(w);
}

std::atomic<int> g_timerProcCalls{0};
UINT_PTR g_timerProcId = 0;
void CALLBACK CountingTimerProc(HWND hwnd, UINT message, UINT_PTR id, DWORD) {
  if (message == WM_TIMER && id == g_timerProcId && hwnd == nullptr) ++g_timerProcCalls;
}

TEST(Timers, ThreadTimerWithProcedureAndForgedTimerMessages) {
  g_timerProcId = SetTimer(nullptr, 0, 10, CountingTimerProc);
  ASSERT_NE(0u, g_timerProcId);
  MSG msg;
  ASSERT_EQ(TRUE, GetMessageA(&msg, nullptr, 0, 0));
  EXPECT_EQ((UINT)WM_TIMER, msg.message);
  EXPECT_EQ(g_timerProcId, msg.wParam);
  DispatchMessageA(&msg);
  EXPECT_EQ(1, g_timerProcCalls.load());
  EXPECT_TRUE(KillTimer(nullptr, g_timerProcId));
  // A WM_TIMER whose procedure is no live timer's is not called.
  msg.lParam = reinterpret_cast<LPARAM>(&CountingTimerProc);
  DispatchMessageA(&msg);
  EXPECT_EQ(1, g_timerProcCalls.load());
}

TEST(Wait, MsgWaitWakesForObjectsPostsAndTimers) {
  HANDLE ev = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  MSG msg;
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
  DWORD self = GetCurrentThreadId();
  EXPECT_EQ(WAIT_TIMEOUT, MsgWaitForMultipleObjects(1, &ev, FALSE, 20, QS_ALLINPUT));
  SetEvent(ev);
  EXPECT_EQ(WAIT_OBJECT_0, MsgWaitForMultipleObjects(1, &ev, FALSE, 1000, QS_ALLINPUT));
  ResetEvent(ev);

  std::thread poster([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    PostThreadMessageA(self, WM_USER, 0, 0);
  });
  EXPECT_EQ(WAIT_OBJECT_0 + 1, MsgWaitForMultipleObjects(1, &ev, FALSE, 5000, QS_ALLINPUT));
  poster.join();
  // Input that was already looked at is not new: the plain wait times out, the
  // input-available form returns at once.
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(WAIT_TIMEOUT, MsgWaitForMultipleObjects(1, &ev, FALSE, 10, QS_ALLINPUT));
  EXPECT_EQ(WAIT_OBJECT_0 + 1, MsgWaitForMultipleObjectsEx(1, &ev, 0, QS_ALLINPUT, MWMO_INPUTAVAILABLE));
  // The mask chooses the kinds of input.
  PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
  PostThreadMessageA(self, WM_USER, 0, 0);
  EXPECT_EQ(WAIT_TIMEOUT, MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_KEY));
  EXPECT_EQ(WAIT_OBJECT_0, MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_POSTMESSAGE));
  PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
  // A timer coming due wakes the wait though nobody posts.
  UINT_PTR id = SetTimer(nullptr, 0, 15, nullptr);
  EXPECT_EQ(WAIT_OBJECT_0, MsgWaitForMultipleObjects(0, nullptr, FALSE, 5000, QS_TIMER));
  KillTimer(nullptr, id);
  CloseHandle(ev);
}

TEST(Wait, SentMessagesWakeTheWaitAndPeekMessageRunsThem) {
  HWND mine = MakeWindow(WS_POPUP);
  PumpAll();
  std::atomic<LRESULT> answer{0};
  std::thread sender([&] { answer = SendMessageA(mine, WM_USER + 1, 20, 22); });
  // The wait does not run the message; it reports it, and PeekMessage runs it.
  EXPECT_EQ(WAIT_OBJECT_0, MsgWaitForMultipleObjects(0, nullptr, FALSE, 5000, QS_SENDMESSAGE));
  MessageLog::Get().Clear();
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_APP, WM_APP, PM_NOREMOVE));  // any filter runs sent messages
  sender.join();
  EXPECT_EQ(42, answer.load());
  auto seen = MessageLog::Get().Take();
  ASSERT_EQ(1u, seen.size());
  EXPECT_EQ(GetCurrentThreadId(), seen[0].thread);
  DestroyWindow(mine);
}

TEST(Timers, ATimerSetFromAnotherThreadWakesTheOwnersGetMessage) {
  HWND mine = MakeWindow(WS_POPUP);
  PumpAll();
  std::thread setter([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(1005u, SetTimer(mine, 1005, 10, nullptr));
  });
  MSG msg;
  // Blocks with no timer of its own until the other thread sets one on this thread's window.
  ASSERT_EQ(TRUE, GetMessageA(&msg, nullptr, 0, 0));
  setter.join();
  EXPECT_EQ((UINT)WM_TIMER, msg.message);
  EXPECT_EQ(mine, msg.hwnd);
  EXPECT_EQ(1005u, msg.wParam);
  EXPECT_TRUE(KillTimer(mine, 1005));
  DestroyWindow(mine);
  EXPECT_FALSE(KillTimer(mine, 1005));
  EXPECT_EQ(0u, SetTimer(mine, 1, 10, nullptr));
  EXPECT_EQ((DWORD)ERROR_INVALID_WINDOW_HANDLE, GetLastError());
}

std::atomic<int> g_afterQuit{0};
std::atomic<HWND> g_loopWindow{nullptr};

DWORD WINAPI LoopUntilQuit(LPVOID parameter) {
  HWND w = MakeWindow(WS_POPUP);
  g_loopWindow = MakeWindow(WS_POPUP);  // left for the thread's end to remove
  SetEvent(static_cast<HANDLE>(parameter));
  MSG msg;
  int loops = 0;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) ++loops;
  // Every later look says WM_QUIT too, and a message wait returns at once.
  bool quitAgain = PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) && msg.message == WM_QUIT;
  bool waitReturns = MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0;
  DestroyWindow(w);
  g_afterQuit = (quitAgain ? 1 : 0) + (waitReturns ? 2 : 0);
  return 0;
}

TEST(Queue, TerminateThreadEndsTheMessageLoop) {
  HANDLE ready = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, LoopUntilQuit, ready, 0, &id);
  ASSERT_NE(nullptr, thread);
  WaitForSingleObject(ready, INFINITE);
  std::this_thread::sleep_for(std::chrono::milliseconds(10));  // let it go to sleep in GetMessage
  EXPECT_TRUE(TerminateThread(thread, 5));
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 10000));
  DWORD code = 0;
  GetExitCodeThread(thread, &code);
  EXPECT_EQ(5u, code);  // TerminateThread's code wins over the function's result
  EXPECT_EQ(3, g_afterQuit.load());
  // The thread's windows and queue are gone by the time its handle is signalled.
  EXPECT_FALSE(IsWindow(g_loopWindow.load()));
  EXPECT_FALSE(PostThreadMessageA(id, WM_USER, 0, 0));
  CloseHandle(thread);
  CloseHandle(ready);
}

TEST(Queue, StatusTimeAndPosition) {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
  EXPECT_EQ(0u, GetQueueStatus(QS_ALLINPUT));
  PostMessageA(nullptr, WM_USER, 0, 0);
  PostMessageA(nullptr, WM_KEYDOWN, VK_SPACE, 0);
  DWORD status = GetQueueStatus(QS_ALLINPUT);
  EXPECT_EQ((UINT)(QS_POSTMESSAGE | QS_KEY), HIWORD(status));
  EXPECT_EQ((UINT)(QS_POSTMESSAGE | QS_KEY), LOWORD(status));
  // The changed bits are cleared by looking.
  EXPECT_EQ(0u, LOWORD(GetQueueStatus(QS_ALLINPUT)));
  EXPECT_TRUE(GetInputState());
  platform::SetUserCursorPos(POINT{12, -7});
  PostMessageA(nullptr, WM_USER + 3, 0, 0);
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_KEYDOWN) {
      EXPECT_TRUE(TranslateMessage(&msg));  // space gives a WM_CHAR
    }
    if (msg.message == WM_CHAR) {
      EXPECT_EQ((WPARAM)' ', msg.wParam);
    }
  }
  EXPECT_EQ((LONG)msg.time, GetMessageTime());
  // Message times are GetTickCount values.
  EXPECT_LE(GetTickCount() - msg.time, 1000u);
  // A translator installed by the input layer decides the characters; key-up gives none.
  platform::SetKeyTranslator([](UINT vk, LPARAM) { return vk == 'A' ? std::string("A") : std::string(); });
  for (UINT vk : {(UINT)'A', (UINT)'B'}) {
    MSG key{nullptr, WM_KEYDOWN, vk, 1, 0, {}};
    EXPECT_TRUE(TranslateMessage(&key));
    key.message = WM_KEYUP;
    EXPECT_TRUE(TranslateMessage(&key));
  }
  platform::SetKeyTranslator(nullptr);
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ((UINT)WM_CHAR, msg.message);
  EXPECT_EQ((WPARAM)'A', msg.wParam);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(12, GET_X_LPARAM(GetMessagePos()));
  EXPECT_EQ(-7, GET_Y_LPARAM(GetMessagePos()));
  platform::SetUserCursorPos(POINT{0, 0});
}

}  // namespace
