#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "platform/base/WinError.h"
#include "platform/kernel/Kernel.h"

namespace {

struct Gate {
  HANDLE go = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  std::atomic<DWORD> seenId{0};
  DWORD result = 0;
  ~Gate() { CloseHandle(go); }
};

DWORD WINAPI WaitForGateThenReturn(LPVOID p) {
  auto* g = static_cast<Gate*>(p);
  g->seenId = GetCurrentThreadId();
  WaitForSingleObject(g->go, INFINITE);
  return g->result;
}

unsigned __stdcall CrtWaitForGate(void* p) { return static_cast<unsigned>(WaitForGateThenReturn(p)); }

struct Unwound {
  bool* flag;
  ~Unwound() { *flag = true; }
};

DWORD WINAPI ExitsEarly(LPVOID p) {
  auto* destroyed = static_cast<bool*>(p);
  Unwound u{destroyed};
  ExitThread(77);
}

unsigned __stdcall EndsThroughCrt(void*) { _endthreadex(78); }

// The life of a thread handle, for both ways to start a thread: running (STILL_ACTIVE, not
// signalled), ended (its code, signalled), and still valid until closed.
TEST(Threads, HandleLifeTable) {
  struct Case {
    const char* name;
    bool crt;
    DWORD code;
  } cases[] = {
      {"CreateThread", false, 5},
      {"CreateThread returning 0", false, 0},
      {"_beginthreadex", true, 0xFFFFFFFEu},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Gate gate;
    gate.result = c.code;
    DWORD id = 0;
    HANDLE h = nullptr;
    if (c.crt) {
      unsigned crtId = 0;
      h = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, CrtWaitForGate, &gate, 0, &crtId));
      id = crtId;
    } else {
      h = CreateThread(nullptr, 0, WaitForGateThenReturn, &gate, 0, &id);
    }
    ASSERT_NE(nullptr, h);
    EXPECT_NE(0u, id);
    DWORD code = 0;
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(h, 20));
    ASSERT_TRUE(GetExitCodeThread(h, &code));
    EXPECT_EQ((DWORD)STILL_ACTIVE, code);
    SetEvent(gate.go);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(h, 5000));
    EXPECT_EQ(id, gate.seenId.load());  // the id handed out is the one the thread sees
    EXPECT_EQ(id, GetThreadId(h));
    // Ended threads stay signalled and keep their code until the handle is closed.
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(h, 0));
    ASSERT_TRUE(GetExitCodeThread(h, &code));
    EXPECT_EQ(c.code, code);
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_FALSE(GetExitCodeThread(h, &code));
    EXPECT_EQ((DWORD)ERROR_INVALID_HANDLE, GetLastError());
  }
}

TEST(Threads, WaitForAnyAndAllThreads) {
  Gate first, second;
  first.result = 1;
  second.result = 2;
  HANDLE h[2] = {CreateThread(nullptr, 0, WaitForGateThenReturn, &first, 0, nullptr),
                 CreateThread(nullptr, 0, WaitForGateThenReturn, &second, 0, nullptr)};
  EXPECT_EQ(WAIT_TIMEOUT, WaitForMultipleObjects(2, h, FALSE, 10));
  SetEvent(second.go);
  EXPECT_EQ(WAIT_OBJECT_0 + 1, WaitForMultipleObjects(2, h, FALSE, 5000));
  EXPECT_EQ(WAIT_TIMEOUT, WaitForMultipleObjects(2, h, TRUE, 10));
  SetEvent(first.go);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(2, h, TRUE, 5000));
  for (HANDLE x : h) CloseHandle(x);
}

TEST(Threads, ClosingTheHandleLeavesTheThreadRunning) {
  Gate gate;
  HANDLE h = CreateThread(nullptr, 0, WaitForGateThenReturn, &gate, 0, nullptr);
  ASSERT_NE(nullptr, h);
  HANDLE watcher = nullptr;
  ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), h, GetCurrentProcess(), &watcher, 0, FALSE, 0));
  EXPECT_TRUE(CloseHandle(h));
  SetEvent(gate.go);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(watcher, 5000));
  CloseHandle(watcher);
}

TEST(Threads, ExitThreadUnwindsAndSetsTheCode) {
  bool destroyed = false;
  HANDLE h = CreateThread(nullptr, 0, ExitsEarly, &destroyed, 0, nullptr);
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(h, 5000));
  DWORD code = 0;
  GetExitCodeThread(h, &code);
  EXPECT_EQ(77u, code);
  EXPECT_TRUE(destroyed);
  CloseHandle(h);

  HANDLE c = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, EndsThroughCrt, nullptr, 0, nullptr));
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(c, 5000));
  GetExitCodeThread(c, &code);
  EXPECT_EQ(78u, code);
  CloseHandle(c);
}

TEST(Threads, SuspendedThreadRunsAfterResume) {
  Gate gate;
  SetEvent(gate.go);
  gate.result = 9;
  HANDLE h = CreateThread(nullptr, 0, WaitForGateThenReturn, &gate, CREATE_SUSPENDED, nullptr);
  EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(h, 20));
  EXPECT_EQ(0u, gate.seenId.load());
  EXPECT_EQ(1u, ResumeThread(h));
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(h, 5000));
  EXPECT_EQ(0u, ResumeThread(h));
  CloseHandle(h);
}

DWORD WINAPI RunsUntilAskedToTerminate(LPVOID) {
  while (!platform::IsTerminateRequested()) Sleep(1);
  return 1;  // ignored: the code given to TerminateThread wins
}

TEST(Threads, TerminateAsksTheThreadToStop) {
  EXPECT_FALSE(platform::IsTerminateRequested());
  HANDLE h = CreateThread(nullptr, 0, RunsUntilAskedToTerminate, nullptr, 0, nullptr);
  EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(h, 20));
  EXPECT_TRUE(TerminateThread(h, 42));
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(h, 5000));
  DWORD code = 0;
  GetExitCodeThread(h, &code);
  EXPECT_EQ(42u, code);
  // Terminating an ended thread changes nothing.
  EXPECT_TRUE(TerminateThread(h, 43));
  GetExitCodeThread(h, &code);
  EXPECT_EQ(42u, code);
  CloseHandle(h);
}

TEST(Threads, BadArguments) {
  EXPECT_EQ(nullptr, CreateThread(nullptr, 0, nullptr, nullptr, 0, nullptr));
  EXPECT_EQ(0u, _beginthreadex(nullptr, 0, nullptr, nullptr, 0, nullptr));
  HANDLE ev = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  DWORD code;
  EXPECT_FALSE(GetExitCodeThread(ev, &code));  // an event is not a thread
  EXPECT_FALSE(TerminateThread(ev, 0));
  EXPECT_EQ(static_cast<DWORD>(-1), ResumeThread(ev));
  CloseHandle(ev);
}

}  // namespace
