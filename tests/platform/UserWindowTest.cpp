// Windows: classes, creation and destruction sequences, the window record, geometry, hierarchy,
// text, enabling, focus, capture and activation.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <set>
#include <thread>

#include "tests/platform/UserTestSupport.h"

using namespace usertest;

namespace {

using Sequence = std::vector<std::pair<HWND, UINT>>;

TEST(Classes, RegisterLookUpAndUnregister) {
  WNDCLASSA wc{};
  wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = DefWindowProcA;
  wc.cbWndExtra = 4;
  wc.hCursor = reinterpret_cast<HCURSOR>(static_cast<uintptr_t>(0x1234));
  wc.lpszClassName = "CCustomTabCtrl";
  ATOM atom = RegisterClassA(&wc);
  ASSERT_NE(0, atom);
  // A second registration fails, whatever the case of the name.
  wc.lpszClassName = "ccustomtabctrl";
  EXPECT_EQ(0, RegisterClassA(&wc));
  EXPECT_EQ((DWORD)ERROR_CLASS_ALREADY_EXISTS, GetLastError());

  WNDCLASSA info{};
  ASSERT_TRUE(GetClassInfoA(nullptr, "CCUSTOMTABCTRL", &info));
  EXPECT_EQ(0x000Bu, info.style);
  EXPECT_EQ(&DefWindowProcA, info.lpfnWndProc);
  EXPECT_EQ(4, info.cbWndExtra);
  EXPECT_EQ(wc.hCursor, info.hCursor);
  WNDCLASSEXA infoEx{};
  infoEx.cbSize = sizeof infoEx;
  EXPECT_EQ(atom, GetClassInfoExA(nullptr, MAKEINTATOM(atom), &infoEx));

  // A class with a window cannot go; a window can be made from the atom.
  HWND w = CreateWindowExA(0, MAKEINTATOM(atom), "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, w);
  char name[8];
  EXPECT_EQ(7, GetClassNameA(w, name, sizeof name));  // cut to the buffer
  EXPECT_STREQ("CCustom", name);
  EXPECT_FALSE(UnregisterClassA("CCustomTabCtrl", nullptr));
  EXPECT_EQ((DWORD)ERROR_CLASS_HAS_WINDOWS, GetLastError());
  DestroyWindow(w);
  EXPECT_TRUE(UnregisterClassA("CCustomTabCtrl", nullptr));
  EXPECT_FALSE(UnregisterClassA("CCustomTabCtrl", nullptr));
  EXPECT_EQ((DWORD)ERROR_CLASS_DOES_NOT_EXIST, GetLastError());
  EXPECT_FALSE(GetClassInfoA(nullptr, "CCustomTabCtrl", &info));
  EXPECT_EQ(nullptr, CreateWindowExA(0, "CCustomTabCtrl", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ((DWORD)ERROR_CANNOT_FIND_WND_CLASS, GetLastError());
  // Bad registrations are refused.
  wc.lpszClassName = nullptr;
  EXPECT_EQ(0, RegisterClassA(&wc));
  wc.lpszClassName = "Negative";
  wc.cbWndExtra = -1;
  EXPECT_EQ(0, RegisterClassA(&wc));
  EXPECT_EQ((DWORD)ERROR_INVALID_PARAMETER, GetLastError());
  WNDCLASSEXA ex{};
  ex.lpszClassName = "NoSize";  // cbSize left 0
  EXPECT_EQ(0, RegisterClassExA(&ex));
  ex.cbSize = sizeof ex;
  EXPECT_NE(0, RegisterClassExA(&ex));
  EXPECT_TRUE(UnregisterClassA("NoSize", nullptr));
}

TEST(Create, MessageSequences) {
  HWND parent = MakeWindow(WS_POPUP);
  ASSERT_NE(nullptr, parent);
  struct Case {
    const char* what;
    DWORD style;
    bool withParent;
    std::vector<UINT> newWindow;     // what the new window sees
    std::vector<UINT> parentSees;    // what the parent sees meanwhile
  } cases[] = {
      {"hidden pop-up", WS_POPUP, false, {WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE}, {}},
      {"hidden child", WS_CHILD, true, {WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE}, {WM_PARENTNOTIFY}},
      {"visible child", WS_CHILD | WS_VISIBLE, true,
       {WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW, WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED},
       {WM_PARENTNOTIFY}},
      {"visible pop-up, activated", WS_POPUP | WS_VISIBLE, false,
       {WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW, WM_WINDOWPOSCHANGING, WM_NCACTIVATE, WM_ACTIVATE,
        WM_SETFOCUS, WM_WINDOWPOSCHANGED},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetActiveWindow(nullptr);
    MessageLog::Get().Clear();
    HWND w = MakeWindow(c.style, c.withParent ? parent : nullptr, 7);
    ASSERT_NE(nullptr, w);
    auto seen = MessageLog::Get().Take();
    std::vector<UINT> mine, parents;
    for (const Seen& s : seen) {
      if (s.hwnd == w) mine.push_back(s.message);
      if (s.hwnd == parent) parents.push_back(s.message);
    }
    // The parent of a visible child loses nothing else, and a new pop-up deactivates nobody here.
    EXPECT_EQ(c.newWindow, mine);
    EXPECT_EQ(c.parentSees, parents);
    for (const Seen& s : seen) {
      if (s.message == WM_NCCREATE || s.message == WM_CREATE) {
        const CREATESTRUCTA* cs = &s.cs;
        EXPECT_EQ(7, static_cast<int>(reinterpret_cast<UINT_PTR>(cs->hMenu)));
        EXPECT_EQ(100, cs->cx);
        EXPECT_EQ(c.withParent ? parent : nullptr, cs->hwndParent);
      }
      if (s.message == WM_SIZE) {
        EXPECT_EQ((WPARAM)SIZE_RESTORED, s.wParam);
        EXPECT_EQ(MAKELPARAM(100, 50), s.lParam);
      }
      if (s.message == WM_PARENTNOTIFY) {
        EXPECT_EQ(MAKEWPARAM(WM_CREATE, 7), s.wParam);
        EXPECT_EQ(reinterpret_cast<LPARAM>(w), s.lParam);
      }
    }
    DestroyWindow(w);
  }
  DestroyWindow(parent);
}

TEST(Create, FailuresOfCreation) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = RecordingProc;
  wc.lpszClassName = "Failing";
  ASSERT_NE(0, RegisterClassA(&wc));
  auto make = [] {
    return CreateWindowExA(0, "Failing", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  };
  // -1 from WM_CREATE fails the creation after WM_DESTROY and WM_NCDESTROY.
  MessageLog::Get().Clear();
  TheAnswers().createResult = -1;
  HWND w = make();
  TheAnswers().createResult = 0;
  EXPECT_EQ(nullptr, w);
  auto seen = MessageLog::Get().Take();
  ASSERT_EQ(5u, seen.size());
  HWND failed = seen[0].hwnd;
  EXPECT_EQ((Sequence{{failed, WM_NCCREATE}, {failed, WM_NCCALCSIZE}, {failed, WM_CREATE}, {failed, WM_DESTROY}, {failed, WM_NCDESTROY}}),
            Pairs(seen));
  EXPECT_FALSE(IsWindow(failed));
  // FALSE from WM_NCCREATE fails it at once, with WM_NCDESTROY only.
  TheAnswers().refuseNcCreate = true;
  EXPECT_EQ(nullptr, make());
  TheAnswers().refuseNcCreate = false;
  seen = MessageLog::Get().Take();
  ASSERT_EQ(2u, seen.size());
  EXPECT_EQ((Sequence{{seen[0].hwnd, WM_NCCREATE}, {seen[0].hwnd, WM_NCDESTROY}}), Pairs(seen));
  EXPECT_FALSE(IsWindow(seen[0].hwnd));
  // The class has no windows left.
  EXPECT_TRUE(UnregisterClassA("Failing", nullptr));
  // A child needs a parent, a parent must exist.
  EXPECT_EQ(nullptr, MakeWindow(WS_CHILD, nullptr));
  EXPECT_EQ((DWORD)ERROR_TLW_WITH_WSCHILD, GetLastError());
  EXPECT_EQ(nullptr, MakeWindow(WS_CHILD, failed));
  EXPECT_EQ((DWORD)ERROR_INVALID_WINDOW_HANDLE, GetLastError());
}

TEST(Destroy, ParentFirstThenChildrenOwnedWindowsBeforeAndNcDestroyLast) {
  HWND top = MakeWindow(WS_OVERLAPPED | WS_VISIBLE);
  HWND c1 = MakeWindow(WS_CHILD | WS_VISIBLE, top, 1);
  HWND c2 = MakeWindow(WS_CHILD, top, 2);
  HWND grand = MakeWindow(WS_CHILD, c1, 3);
  HWND popup = MakeWindow(WS_POPUP, top);  // owned by top
  PostMessageA(c2, WM_USER, 0, 0);
  MessageLog::Get().Clear();
  ASSERT_TRUE(DestroyWindow(top));
  Sequence expected = {
      {top, WM_WINDOWPOSCHANGING}, {top, WM_WINDOWPOSCHANGED},      // hidden first
      {popup, WM_DESTROY},         {popup, WM_NCDESTROY},           // owned windows go before
      {top, WM_DESTROY},           {c1, WM_DESTROY},           {grand, WM_DESTROY}, {c2, WM_DESTROY},
      {grand, WM_NCDESTROY},       {c1, WM_NCDESTROY},         {c2, WM_NCDESTROY},  {top, WM_NCDESTROY},
  };
  EXPECT_EQ(expected, Filter(MessageLog::Get().Take(), {WM_DESTROY, WM_NCDESTROY, WM_WINDOWPOSCHANGING,
                                                        WM_WINDOWPOSCHANGED}));
  for (HWND h : {top, c1, c2, grand, popup}) EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(0, PumpAll());  // the message posted to c2 went with it
  EXPECT_FALSE(DestroyWindow(top));
  EXPECT_EQ((DWORD)ERROR_INVALID_WINDOW_HANDLE, GetLastError());
}

TEST(Destroy, OnlyTheOwnerThreadMayDestroy) {
  HWND w = MakeWindow(WS_POPUP);
  BOOL result = TRUE;
  DWORD error = 0;
  std::thread t([&] {
    result = DestroyWindow(w);
    error = GetLastError();
  });
  t.join();
  EXPECT_FALSE(result);
  EXPECT_EQ((DWORD)ERROR_ACCESS_DENIED, error);
  EXPECT_TRUE(IsWindow(w));
  // WM_CLOSE's default destroys the window.
  SendMessageA(w, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(w));
}

TEST(Handles, UniqueNeverReusedAndUniqueAcrossProcesses) {
  std::set<uint32_t> mine;
  for (int i = 0; i < 600; ++i) {
    HWND w = MakeWindow(WS_POPUP);
    ASSERT_NE(nullptr, w);
    uint32_t v = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(w));
    EXPECT_GE(v, 0x10000u);
    EXPECT_LT(v, 0x80000000u);
    EXPECT_TRUE(mine.insert(v).second) << "reused " << v;
    DestroyWindow(w);
  }
  // Another process (forked after this one took a block) gets values of its own.
  int fds[2];
  ASSERT_EQ(0, pipe(fds));
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    close(fds[0]);
    for (int i = 0; i < 300; ++i) {
      uint32_t v = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(MakeWindow(WS_POPUP)));
      if (write(fds[1], &v, sizeof v) != sizeof v) _exit(1);
    }
    _exit(0);
  }
  close(fds[1]);
  for (int i = 0; i < 300; ++i) {
    HWND w = MakeWindow(WS_POPUP);
    mine.insert(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(w)));
    DestroyWindow(w);
  }
  uint32_t v;
  int n = 0;
  while (read(fds[0], &v, sizeof v) == sizeof v) {
    ++n;
    EXPECT_EQ(0u, mine.count(v)) << "shared " << v;
  }
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_EQ(300, n);

  // Without a usable counter file a process still gets unique values in range.
  pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    setenv("XDG_RUNTIME_DIR", "/nonexistent/runtime", 1);
    std::set<uint32_t> values;
    for (int i = 0; i < 600; ++i) {
      HWND w = MakeWindow(WS_POPUP);
      uint32_t value = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(w));
      if (!w || value < 0x10000u || value >= 0x80000000u || !values.insert(value).second) _exit(2);
      DestroyWindow(w);
    }
    _exit(0);
  }
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(0, WEXITSTATUS(status));
}

TEST(Position, SetWindowPosMoveWindowAndTheirMessages) {
  HWND w = MakeWindow(WS_POPUP, nullptr, 0, 10, 20, 100, 50);
  struct Case {
    const char* what;
    int x, y, cx, cy;
    std::vector<UINT> expected;
  } cases[] = {
      {"move and size", 30, 40, 200, 60, {WM_WINDOWPOSCHANGING, WM_NCCALCSIZE, WM_WINDOWPOSCHANGED, WM_MOVE, WM_SIZE}},
      {"move only", 35, 45, 200, 60, {WM_WINDOWPOSCHANGING, WM_NCCALCSIZE, WM_WINDOWPOSCHANGED, WM_MOVE}},
      {"size only", 35, 45, 210, 70, {WM_WINDOWPOSCHANGING, WM_NCCALCSIZE, WM_WINDOWPOSCHANGED, WM_SIZE}},
      {"no change", 35, 45, 210, 70, {WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MessageLog::Get().Clear();
    EXPECT_TRUE(MoveWindow(w, c.x, c.y, c.cx, c.cy, TRUE));
    auto seen = MessageLog::Get().Take();
    std::vector<UINT> got;
    for (const Seen& s : seen) got.push_back(s.message);
    EXPECT_EQ(c.expected, got);
    for (const Seen& s : seen) {
      if (s.message == WM_MOVE) {
        EXPECT_EQ(MAKELPARAM(c.x, c.y), s.lParam);
      }
      if (s.message == WM_SIZE) {
        EXPECT_EQ(MAKELPARAM(c.cx, c.cy), s.lParam);
      }
    }
    RECT rc;
    GetWindowRect(w, &rc);
    EXPECT_EQ((std::vector<LONG>{c.x, c.y, c.x + c.cx, c.y + c.cy}),
              (std::vector<LONG>{rc.left, rc.top, rc.right, rc.bottom}));
  }
  // WM_WINDOWPOSCHANGING may change the new position (a form view widens itself this way).
  MessageLog::Get().Clear();
  SetWindowPos(w, nullptr, 0, 0, 5, 5, SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ((Sequence{{w, WM_WINDOWPOSCHANGING}, {w, WM_WINDOWPOSCHANGED}}), Pairs(MessageLog::Get().Take()));
  RECT rc;
  GetClientRect(w, &rc);
  EXPECT_EQ(210, rc.right);
  EXPECT_EQ(0, rc.left);
  DestroyWindow(w);
}

WNDPROC g_baseProc = nullptr;
LRESULT CALLBACK WidenProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_WINDOWPOSCHANGING) {
    auto* wp = reinterpret_cast<WINDOWPOS*>(lParam);
    wp->x -= 1;
    wp->y -= 1;
    wp->cx += 2;
    wp->cy += 2;
  }
  return CallWindowProcA(g_baseProc, hwnd, message, wParam, lParam);
}

TEST(Position, ChangingHandlerAdjustsAndSubclassingChains) {
  HWND w = MakeWindow(WS_POPUP, nullptr, 0, 10, 10, 100, 100);
  g_baseProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WidenProc)));
  EXPECT_EQ(&RecordingProc, g_baseProc);
  MessageLog::Get().Clear();
  MoveWindow(w, 20, 20, 50, 50, TRUE);
  RECT rc;
  GetWindowRect(w, &rc);
  EXPECT_EQ((std::vector<LONG>{19, 19, 71, 71}), (std::vector<LONG>{rc.left, rc.top, rc.right, rc.bottom}));
  // The recording procedure still saw everything through the chain.
  EXPECT_EQ(5u, MessageLog::Get().Take().size());
  SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_baseProc));
  DestroyWindow(w);
}

TEST(Show, ShowHideMinimizeRestore) {
  HWND w = MakeWindow(WS_POPUP, nullptr, 0, 10, 20, 100, 50);
  struct Case {
    const char* what;
    int command;
    BOOL result;  // visible before
    std::vector<UINT> expected;
    bool visible;
  } cases[] = {
      {"show without activation", SW_SHOWNA, FALSE,
       {WM_SHOWWINDOW, WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED}, true},
      {"show again: nothing to show", SW_SHOWNA, TRUE, {WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED}, true},
      {"hide", SW_HIDE, TRUE, {WM_SHOWWINDOW, WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED}, false},
      {"show minimised", SW_SHOWMINNOACTIVE, FALSE,
       {WM_SHOWWINDOW, WM_WINDOWPOSCHANGING, WM_NCCALCSIZE, WM_WINDOWPOSCHANGED, WM_MOVE, WM_SIZE}, true},
      {"restore", SW_RESTORE, TRUE,
       {WM_WINDOWPOSCHANGING, WM_NCCALCSIZE, WM_NCACTIVATE, WM_ACTIVATE, WM_SETFOCUS, WM_WINDOWPOSCHANGED, WM_MOVE,
        WM_SIZE},
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MessageLog::Get().Clear();
    EXPECT_EQ(c.result, ShowWindow(w, c.command));
    auto seen = MessageLog::Get().Take();
    std::vector<UINT> got;
    for (const Seen& s : seen) got.push_back(s.message);
    EXPECT_EQ(c.expected, got);
    EXPECT_EQ(c.visible ? TRUE : FALSE, IsWindowVisible(w));
    for (const Seen& s : seen) {
      if (s.message == WM_SIZE && c.command == SW_SHOWMINNOACTIVE) {
        // A minimised window reports a 0 x 0 client area.
        EXPECT_EQ((WPARAM)SIZE_MINIMIZED, s.wParam);
        EXPECT_EQ(0, s.lParam);
        EXPECT_TRUE(IsIconic(w));
      }
      if (s.message == WM_SIZE && c.command == SW_RESTORE) {
        EXPECT_EQ((WPARAM)SIZE_RESTORED, s.wParam);
        EXPECT_EQ(MAKELPARAM(100, 50), s.lParam);
        EXPECT_FALSE(IsIconic(w));
      }
    }
  }
  platform::SetUserScreenRect(RECT{0, 0, 800, 600});
  ShowWindow(w, SW_MAXIMIZE);
  RECT rc;
  GetClientRect(w, &rc);
  EXPECT_TRUE(IsZoomed(w));
  EXPECT_EQ(800, rc.right);
  ShowWindow(w, SW_SHOWNORMAL);
  GetWindowRect(w, &rc);
  EXPECT_EQ((std::vector<LONG>{10, 20, 110, 70}), (std::vector<LONG>{rc.left, rc.top, rc.right, rc.bottom}));
  DestroyWindow(w);
}

TEST(Geometry, CoordinatesThroughTheParentChain) {
  HWND top = MakeWindow(WS_POPUP, nullptr, 0, 100, 200, 400, 300);
  HWND child = MakeWindow(WS_CHILD, top, 1, 10, 20, 50, 40);
  HWND grand = MakeWindow(WS_CHILD, child, 2, 5, 6, 10, 10);
  RECT rc;
  GetWindowRect(grand, &rc);
  EXPECT_EQ((std::vector<LONG>{115, 226, 125, 236}), (std::vector<LONG>{rc.left, rc.top, rc.right, rc.bottom}));
  GetClientRect(child, &rc);
  EXPECT_EQ((std::vector<LONG>{0, 0, 50, 40}), (std::vector<LONG>{rc.left, rc.top, rc.right, rc.bottom}));
  POINT pt{1, 2};
  ClientToScreen(child, &pt);
  EXPECT_EQ(111, pt.x);
  EXPECT_EQ(222, pt.y);
  ScreenToClient(grand, &pt);
  EXPECT_EQ(-4, pt.x);
  EXPECT_EQ(-4, pt.y);
  POINT pts[2] = {{0, 0}, {3, 3}};
  int offset = MapWindowPoints(grand, top, pts, 2);
  EXPECT_EQ(15, (short)LOWORD(offset));
  EXPECT_EQ(26, (short)HIWORD(offset));
  EXPECT_EQ(18, pts[1].x);
  offset = MapWindowPoints(nullptr, child, pts, 1);
  EXPECT_EQ(-110, (short)LOWORD(offset));
  EXPECT_EQ(-95, pts[0].x);
  // Moving the parent moves the children on the screen.
  MoveWindow(top, 0, 0, 400, 300, FALSE);
  GetWindowRect(grand, &rc);
  EXPECT_EQ(15, rc.left);
  // Visibility needs the whole chain.
  ShowWindow(grand, SW_SHOW);
  EXPECT_FALSE(IsWindowVisible(grand));
  ShowWindow(child, SW_SHOW);
  ShowWindow(top, SW_SHOWNA);
  EXPECT_TRUE(IsWindowVisible(grand));
  DestroyWindow(top);
}

HWND g_enumStop = nullptr;
BOOL CALLBACK CollectUntil(HWND hwnd, LPARAM lParam) {
  reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hwnd);
  return hwnd != g_enumStop;
}

TEST(Hierarchy, ParentsOwnersZOrderAndLookups) {
  HWND top = MakeWindow(WS_OVERLAPPED);
  HWND a = MakeWindow(WS_CHILD, top, 10);
  HWND b = MakeWindow(WS_CHILD, top, 20);
  HWND c = MakeWindow(WS_CHILD, top, 30);
  HWND aa = MakeWindow(WS_CHILD, a, 11);
  HWND popup = MakeWindow(WS_POPUP, aa);  // owned by the root of aa
  EXPECT_EQ(top, GetParent(a));
  EXPECT_EQ(nullptr, GetParent(top));
  EXPECT_EQ(top, GetParent(popup));
  EXPECT_EQ(top, GetWindow(popup, GW_OWNER));
  EXPECT_EQ(top, GetAncestor(aa, GA_ROOT));
  EXPECT_EQ(top, GetAncestor(popup, GA_ROOTOWNER));
  EXPECT_TRUE(IsChild(top, aa));
  EXPECT_FALSE(IsChild(aa, top));
  EXPECT_FALSE(IsChild(top, popup));
  // New children go below their siblings: creation order is z-order.
  EXPECT_EQ(a, GetWindow(top, GW_CHILD));
  EXPECT_EQ(b, GetWindow(a, GW_HWNDNEXT));
  EXPECT_EQ(nullptr, GetWindow(c, GW_HWNDNEXT));
  EXPECT_EQ(b, GetWindow(c, GW_HWNDPREV));
  SetWindowPos(c, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(c, GetWindow(top, GW_CHILD));
  SetWindowPos(c, a, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(a, GetWindow(b, GW_HWNDFIRST));
  EXPECT_EQ(c, GetWindow(a, GW_HWNDNEXT));
  SetWindowPos(a, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(a, GetWindow(c, GW_HWNDLAST));
  // Order now c, b, a; enumeration goes depth first and stops when asked.
  std::vector<HWND> seen;
  g_enumStop = nullptr;
  EnumChildWindows(top, CollectUntil, reinterpret_cast<LPARAM>(&seen));
  EXPECT_EQ((std::vector<HWND>{c, b, a, aa}), seen);
  seen.clear();
  g_enumStop = b;
  EXPECT_FALSE(EnumChildWindows(top, CollectUntil, reinterpret_cast<LPARAM>(&seen)));
  EXPECT_EQ((std::vector<HWND>{c, b}), seen);

  EXPECT_EQ(b, GetDlgItem(top, 20));
  EXPECT_EQ(nullptr, GetDlgItem(top, 11));  // not a direct child
  EXPECT_EQ(11, GetDlgCtrlID(aa));
  DWORD pid = 0;
  EXPECT_EQ(GetCurrentThreadId(), GetWindowThreadProcessId(aa, &pid));
  EXPECT_EQ(GetCurrentProcessId(), pid);

  // SetParent keeps the position numbers and refuses cycles.
  MoveWindow(aa, 3, 4, 5, 5, FALSE);
  EXPECT_EQ(a, SetParent(aa, b));
  EXPECT_EQ(b, GetParent(aa));
  EXPECT_EQ(aa, GetWindow(b, GW_CHILD));
  EXPECT_EQ(nullptr, GetWindow(a, GW_CHILD));
  EXPECT_EQ(nullptr, SetParent(b, aa));
  EXPECT_EQ(top, GetParent(b));
  DestroyWindow(top);
  EXPECT_FALSE(IsWindow(popup));
}

TEST(Record, WindowLongsExtraBytesAndStyles) {
  HWND w = MakeWindow(WS_POPUP, nullptr, 5);
  // cbWndExtra is 16.
  struct Case {
    int index;
    bool ok32;
    bool okPtr;
  } cases[] = {{0, true, true}, {4, true, true}, {8, true, true}, {12, true, false}, {13, false, false},
               {16, false, false}, {-100, false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    SetLastError(0);
    SetWindowLongA(w, c.index, 0x12345678);
    EXPECT_EQ(c.ok32 ? 0x12345678 : 0, GetWindowLongA(w, c.index));
    EXPECT_EQ(c.ok32 ? 0u : (DWORD)ERROR_INVALID_INDEX, GetLastError());
    SetLastError(0);
    SetWindowLongPtrA(w, c.index, static_cast<LONG_PTR>(0x1122334455667788LL));
    EXPECT_EQ(c.okPtr ? static_cast<LONG_PTR>(0x1122334455667788LL) : 0, GetWindowLongPtrA(w, c.index));
    EXPECT_EQ(c.okPtr ? 0u : (DWORD)ERROR_INVALID_INDEX, GetLastError());
  }
  EXPECT_EQ(0, GetWindowLongA(w, GWL_WNDPROC));
  EXPECT_EQ((DWORD)ERROR_INVALID_INDEX, GetLastError());
  EXPECT_EQ(5, GetWindowLongA(w, GWL_ID));
  EXPECT_EQ(5, SetWindowLongA(w, GWL_ID, 9));
  EXPECT_EQ(9, GetDlgCtrlID(w));
  SetWindowLongPtrA(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&cases));
  EXPECT_EQ(reinterpret_cast<LONG_PTR>(&cases), GetWindowLongPtrA(w, GWLP_USERDATA));

  MessageLog::Get().Clear();
  LONG old = GetWindowLongA(w, GWL_STYLE);
  EXPECT_EQ(old, SetWindowLongA(w, GWL_STYLE, old | WS_BORDER));
  EXPECT_EQ(old | WS_BORDER, GetWindowLongA(w, GWL_STYLE));
  EXPECT_EQ((Sequence{{w, WM_STYLECHANGING}, {w, WM_STYLECHANGED}}), Pairs(MessageLog::Get().Take()));
  SetWindowLongA(w, GWL_EXSTYLE, WS_EX_CLIENTEDGE);
  EXPECT_EQ(WS_EX_CLIENTEDGE, GetWindowLongA(w, GWL_EXSTYLE));
  DestroyWindow(w);
}

LRESULT CALLBACK LyingTextProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_GETTEXT) return 100000;  // claims more than the buffer holds
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

TEST(Text, SetGetLengthAndGbkSafeTruncation) {
  HWND w = MakeWindow(WS_POPUP, nullptr, 0, 0, 0, 10, 10, "开始");
  char buf[64];
  EXPECT_EQ(4, GetWindowTextA(w, buf, sizeof buf));
  EXPECT_STREQ("开始", buf);
  MessageLog::Get().Clear();
  EXPECT_TRUE(SetWindowTextA(w, "中文abc"));
  EXPECT_EQ((Sequence{{w, WM_SETTEXT}}), Pairs(MessageLog::Get().Take()));
  EXPECT_EQ(7, GetWindowTextLengthA(w));
  struct Case {
    int size;
    const char* expected;
  } cases[] = {{1, ""}, {2, ""}, {3, "中"}, {4, "中"}, {5, "中文"}, {8, "中文abc"}, {100, "中文abc"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    memset(buf, 'x', sizeof buf);
    EXPECT_EQ(static_cast<int>(strlen(c.expected)), GetWindowTextA(w, buf, c.size));
    EXPECT_STREQ(c.expected, buf);
  }
  EXPECT_EQ(0, GetWindowTextA(w, buf, 0));
  SetWindowTextA(w, nullptr);
  EXPECT_EQ(0, GetWindowTextLengthA(w));
  // A procedure that answers WM_GETTEXT with a wrong length cannot make the caller overrun.
  SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LyingTextProc));
  EXPECT_EQ(3, GetWindowTextA(w, buf, 4));
  EXPECT_EQ('\0', buf[3]);
  DestroyWindow(w);
  EXPECT_EQ(0, GetWindowTextA(w, buf, sizeof buf));
  EXPECT_STREQ("", buf);
}

TEST(Find, TopLevelWindowsByClassAndTitle) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = "ZuzaRuziFrame";
  ASSERT_NE(0, RegisterClassA(&wc));
  HWND frame = CreateWindowExA(0, "ZuzaRuziFrame", "大厅", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                               nullptr);
  HWND other = MakeWindow(WS_POPUP, nullptr, 0, 0, 0, 10, 10, "大厅");
  HWND child = MakeWindow(WS_CHILD, other, 1, 0, 0, 10, 10, "child");
  EXPECT_EQ(frame, FindWindowA("ZuzaRuziFrame", nullptr));
  EXPECT_EQ(frame, FindWindowA("zuzaruziframe", "大厅"));
  EXPECT_EQ(other, FindWindowA(RecorderClass(), "大厅"));
  EXPECT_EQ(nullptr, FindWindowA(nullptr, "child"));  // only top-level windows
  EXPECT_EQ(nullptr, FindWindowA("NoSuchClass", nullptr));
  DestroyWindow(frame);
  EXPECT_EQ(nullptr, FindWindowA("ZuzaRuziFrame", nullptr));
  DestroyWindow(other);
  EXPECT_FALSE(IsWindow(child));
}

TEST(Input, EnableFocusCaptureAndActivation) {
  HWND top = MakeWindow(WS_POPUP | WS_VISIBLE);
  HWND a = MakeWindow(WS_CHILD | WS_VISIBLE, top, 1);
  HWND b = MakeWindow(WS_CHILD | WS_VISIBLE, top, 2);
  EXPECT_EQ(top, GetActiveWindow());
  EXPECT_EQ(top, GetFocus());

  MessageLog::Get().Clear();
  EXPECT_EQ(top, SetFocus(a));
  EXPECT_EQ(a, GetFocus());
  auto seen = MessageLog::Get().Take();
  ASSERT_EQ(2u, seen.size());
  EXPECT_EQ((Sequence{{top, WM_KILLFOCUS}, {a, WM_SETFOCUS}}), Pairs(seen));
  EXPECT_EQ(reinterpret_cast<WPARAM>(a), seen[0].wParam);
  EXPECT_EQ(reinterpret_cast<WPARAM>(top), seen[1].wParam);

  // Disabling the focus window takes the focus away.
  MessageLog::Get().Clear();
  EXPECT_FALSE(EnableWindow(a, FALSE));
  EXPECT_EQ((Sequence{{a, WM_CANCELMODE}, {a, WM_KILLFOCUS}, {a, WM_ENABLE}}), Pairs(MessageLog::Get().Take()));
  EXPECT_EQ(nullptr, GetFocus());
  EXPECT_FALSE(IsWindowEnabled(a));
  EXPECT_TRUE(EnableWindow(a, FALSE));  // was already disabled: no messages
  EXPECT_TRUE(MessageLog::Get().Take().empty());
  EXPECT_TRUE(EnableWindow(a, TRUE));
  EXPECT_TRUE(IsWindowEnabled(a));

  MessageLog::Get().Clear();
  EXPECT_EQ(nullptr, SetCapture(a));
  EXPECT_EQ(a, GetCapture());
  EXPECT_EQ(a, SetCapture(b));
  EXPECT_TRUE(ReleaseCapture());
  EXPECT_EQ(nullptr, GetCapture());
  seen = MessageLog::Get().Take();
  EXPECT_EQ((Sequence{{a, WM_CAPTURECHANGED}, {b, WM_CAPTURECHANGED}}), Pairs(seen));
  EXPECT_EQ(reinterpret_cast<LPARAM>(b), seen[0].lParam);
  EXPECT_EQ(0, seen[1].lParam);

  // Activating another top-level window deactivates the first and moves the focus.
  SetFocus(b);
  HWND second = MakeWindow(WS_POPUP);
  MessageLog::Get().Clear();
  EXPECT_EQ(top, SetActiveWindow(second));
  EXPECT_EQ((Sequence{{top, WM_NCACTIVATE}, {top, WM_ACTIVATE}, {second, WM_NCACTIVATE}, {second, WM_ACTIVATE},
                      {b, WM_KILLFOCUS}, {second, WM_SETFOCUS}}),
            Pairs(MessageLog::Get().Take()));
  EXPECT_EQ(second, GetFocus());
  // Focus, capture and activation are per thread, and a window of another thread is refused.
  std::thread t([&] {
    EXPECT_EQ(nullptr, GetFocus());
    EXPECT_EQ(nullptr, GetActiveWindow());
    EXPECT_EQ(nullptr, SetFocus(a));
    EXPECT_EQ(nullptr, SetCapture(a));
  });
  t.join();
  DestroyWindow(second);
  EXPECT_EQ(nullptr, GetFocus());
  EXPECT_EQ(nullptr, GetActiveWindow());
  DestroyWindow(top);
}

TEST(Defaults, SystemCommandsAndKeys) {
  HWND w = MakeWindow(WS_POPUP);
  HWND child = MakeWindow(WS_CHILD, w, 1);
  MessageLog::Get().Clear();
  // Alt+F4 on a child closes its top-level window.
  SendMessageA(child, WM_SYSKEYDOWN, 0x73, 1 << 29);
  EXPECT_EQ((Sequence{{child, WM_SYSKEYDOWN}, {w, WM_SYSCOMMAND}, {w, WM_CLOSE}}),
            Filter(MessageLog::Get().Take(), {WM_SYSKEYDOWN, WM_SYSCOMMAND, WM_CLOSE}));
  EXPECT_FALSE(IsWindow(w));
  HWND p = MakeWindow(WS_POPUP, nullptr, 0, 10, 10, 20, 20);
  EXPECT_EQ(HTCLIENT, SendMessageA(p, WM_NCHITTEST, 0, MAKELPARAM(15, 15)));
  EXPECT_EQ(HTNOWHERE, SendMessageA(p, WM_NCHITTEST, 0, MAKELPARAM(30, 15)));
  DestroyWindow(p);
}

}  // namespace

namespace {

HHOOK g_outer = nullptr;
HHOOK g_inner = nullptr;
std::vector<std::string> g_hookCalls;
bool g_refuse = false;
WNDPROC g_classProc = nullptr;
std::vector<UINT> g_subclassSaw;

LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  g_subclassSaw.push_back(message);
  return CallWindowProcA(g_classProc, hwnd, message, wParam, lParam);
}

LRESULT CALLBACK InnerHook(int code, WPARAM wParam, LPARAM lParam) {
  g_hookCalls.push_back(code == HCBT_CREATEWND ? "inner create" : "inner destroy");
  return CallNextHookEx(g_inner, code, wParam, lParam);
}

LRESULT CALLBACK OuterHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND) {
    g_hookCalls.push_back("outer create");
    auto* cbt = reinterpret_cast<CBT_CREATEWNDA*>(lParam);
    EXPECT_EQ(100, cbt->lpcs->cx);
    if (g_refuse) return 1;
    // Subclass before the window's first message, as a class library attaches its objects.
    HWND hwnd = reinterpret_cast<HWND>(wParam);
    g_classProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProc)));
  } else {
    g_hookCalls.push_back("outer destroy");
  }
  return CallNextHookEx(g_outer, code, wParam, lParam);
}

TEST(Hooks, CreationHooksSeeTheWindowBeforeItsFirstMessage) {
  g_inner = SetWindowsHookExA(WH_CBT, InnerHook, nullptr, GetCurrentThreadId());
  g_outer = SetWindowsHookExA(WH_CBT, OuterHook, nullptr, GetCurrentThreadId());
  ASSERT_NE(nullptr, g_inner);
  ASSERT_NE(nullptr, g_outer);
  HWND w = MakeWindow(WS_POPUP);
  ASSERT_NE(nullptr, w);
  EXPECT_EQ((std::vector<std::string>{"outer create", "inner create"}), g_hookCalls);
  ASSERT_FALSE(g_subclassSaw.empty());
  EXPECT_EQ((UINT)WM_NCCREATE, g_subclassSaw[0]);
  g_hookCalls.clear();
  DestroyWindow(w);
  EXPECT_EQ((std::vector<std::string>{"outer destroy", "inner destroy"}), g_hookCalls);
  EXPECT_EQ((UINT)WM_NCDESTROY, g_subclassSaw.back());

  // A hook that refuses the creation fails it before any message.
  g_refuse = true;
  g_subclassSaw.clear();
  MessageLog::Get().Clear();
  EXPECT_EQ(nullptr, MakeWindow(WS_POPUP));
  EXPECT_TRUE(MessageLog::Get().Take().empty());
  g_refuse = false;
  EXPECT_TRUE(UnhookWindowsHookEx(g_outer));
  EXPECT_TRUE(UnhookWindowsHookEx(g_inner));
  EXPECT_FALSE(UnhookWindowsHookEx(g_inner));
  // Only the calling thread's CBT hooks are kept.
  EXPECT_EQ(nullptr, SetWindowsHookExA(WH_CBT, InnerHook, nullptr, 0));
  EXPECT_EQ(nullptr, SetWindowsHookExA(2, InnerHook, nullptr, GetCurrentThreadId()));
  EXPECT_EQ((DWORD)ERROR_NOT_SUPPORTED, GetLastError());
}

}  // namespace
