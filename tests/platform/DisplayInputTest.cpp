// Input through the headless backend: device events injected as the SDL backend reports them,
// and the messages, capture, focus, activation, double clicks, wheel, key repeat and GBK text
// they give.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <mutex>
#include <thread>

#include "platform/base/RectUtil.h"
#include "platform/kernel/Kernel.h"
#include "tests/platform/PaintTestSupport.h"

using namespace painttest;
using platform::InjectKey;
using platform::InjectMouseButton;
using platform::InjectMouseMove;
using platform::InjectMouseWheel;
using platform::InjectText;

namespace {

using Pairs = std::vector<std::pair<HWND, UINT>>;

class Input : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::StartDisplay(platform::DisplayBackend::HEADLESS);
    RegisterClasses();
    platform::ResetInputState();
    // Everything lies far from the other tests' windows: a fresh pair each time.
    m_top = Keep(Make(WS_POPUP | WS_VISIBLE, 100, 100, 200, 200, nullptr, 0, 0, "PaintedDbl"));
    m_child = Make(WS_CHILD | WS_VISIBLE, 20, 20, 50, 50, m_top, 0, 0, "PaintedDbl");
    Pump();
    TheLog().Clear();
  }
  void TearDown() override {
    ReleaseCapture();
    for (HWND w : m_windows) {
      if (IsWindow(w)) DestroyWindow(w);
    }
    Pump();
    TheLog().Clear();
  }
  HWND Keep(HWND w) {
    EXPECT_NE(nullptr, w);
    m_windows.push_back(w);
    return w;
  }
  // Pumps and returns what was seen, then forgets it.
  std::vector<Seen> Take() {
    Pump();
    std::vector<Seen> out = TheLog().seen;
    TheLog().Clear();
    return out;
  }
  static Pairs Only(const std::vector<Seen>& seen, const std::vector<UINT>& keep) {
    Pairs out;
    for (const Seen& s : seen) {
      if (std::find(keep.begin(), keep.end(), s.message) != keep.end()) out.emplace_back(s.hwnd, s.message);
    }
    return out;
  }
  static const Seen* Find(const std::vector<Seen>& seen, UINT message) {
    for (const Seen& s : seen) {
      if (s.message == message) return &s;
    }
    return nullptr;
  }
  void Click(POINT pt, int button = 0) {
    InjectMouseButton(button, true, pt);
    InjectMouseButton(button, false, pt);
  }

  HWND m_top = nullptr;
  HWND m_child = nullptr;
  std::vector<HWND> m_windows;
};

const std::vector<UINT> MOUSE = {WM_MOUSEMOVE,   WM_LBUTTONDOWN, WM_LBUTTONUP,     WM_LBUTTONDBLCLK, WM_RBUTTONDOWN,
                                 WM_RBUTTONUP,   WM_MBUTTONDOWN, WM_MBUTTONUP,     WM_MOUSEWHEEL,    WM_MOUSEACTIVATE,
                                 WM_MOUSELEAVE,  WM_CAPTURECHANGED, WM_NCMOUSEMOVE, WM_NCLBUTTONDOWN, WM_NCLBUTTONUP};

TEST_F(Input, MouseGoesToTheDeepestEnabledVisibleChild) {
  struct Case {
    const char* what;
    POINT pt;
    bool disableChild;
    bool hideChild;
    HWND* expected;
    POINT client;
  } cases[] = {
      {"the child", {130, 130}, false, false, &m_child, {10, 10}},
      {"the parent beside it", {250, 250}, false, false, &m_top, {150, 150}},
      {"a disabled child passes it to its parent", {130, 130}, true, false, &m_top, {30, 30}},
      {"a hidden child too", {130, 130}, false, true, &m_top, {30, 30}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EnableWindow(m_child, !c.disableChild);
    ShowWindow(m_child, c.hideChild ? SW_HIDE : SW_SHOWNA);
    Take();
    InjectMouseMove(c.pt);
    auto seen = Take();
    const Seen* move = Find(seen, WM_MOUSEMOVE);
    ASSERT_NE(nullptr, move);
    EXPECT_EQ(*c.expected, move->hwnd);
    EXPECT_EQ(MAKELPARAM(c.client.x, c.client.y), move->lParam);
    EXPECT_EQ(0u, move->wParam);
    // WM_SETCURSOR went to the window first, with the hit test and the mouse message.
    TheLog().keepNoise = true;
    InjectMouseMove(c.pt);
    seen = Take();
    TheLog().keepNoise = false;
    Pairs expected{{*c.expected, WM_NCHITTEST}, {*c.expected, WM_SETCURSOR}};
    if (*c.expected == m_child) expected.emplace_back(m_top, WM_SETCURSOR);  // the parent decides first
    expected.emplace_back(*c.expected, WM_MOUSEMOVE);
    EXPECT_EQ(expected, Only(seen, {WM_NCHITTEST, WM_SETCURSOR, WM_MOUSEMOVE}));
    const Seen* setCursor = Find(seen, WM_SETCURSOR);
    ASSERT_NE(nullptr, setCursor);
    EXPECT_EQ(MAKELPARAM(HTCLIENT, WM_MOUSEMOVE), setCursor->lParam);
  }
  EnableWindow(m_child, TRUE);
  ShowWindow(m_child, SW_SHOWNA);
  EXPECT_EQ(m_child, WindowFromPoint(POINT{130, 130}));
  EXPECT_EQ(m_top, WindowFromPoint(POINT{290, 290}));
  EXPECT_EQ(nullptr, WindowFromPoint(POINT{5000, 5000}));
  EXPECT_EQ(m_child, ChildWindowFromPoint(m_top, POINT{30, 30}));
  EXPECT_EQ(m_top, ChildWindowFromPoint(m_top, POINT{150, 150}));
  EXPECT_EQ(nullptr, ChildWindowFromPoint(m_top, POINT{250, 10}));
  // The class cursor was set by DefWindowProc's WM_SETCURSOR.
  EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), GetCursor());
}

TEST_F(Input, ATransparentChildLetsItsParentHaveTheMouse) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m == WM_NCHITTEST) return HTTRANSPARENT;
    return PaintingProc(h, m, w, l);
  };
  wc.lpszClassName = "TransparentLabel";
  static bool registered = RegisterClassA(&wc) != 0;
  ASSERT_TRUE(registered);
  HWND label = CreateWindowExA(0, "TransparentLabel", "", WS_CHILD | WS_VISIBLE, 100, 100, 50, 20, m_top, nullptr,
                               nullptr, nullptr);
  ASSERT_NE(nullptr, label);
  Take();
  InjectMouseMove(POINT{210, 210});
  auto seen = Take();
  EXPECT_EQ((Pairs{{m_top, WM_MOUSEMOVE}}), Only(seen, MOUSE));
  EXPECT_EQ(MAKELPARAM(110, 110), Find(seen, WM_MOUSEMOVE)->lParam);
}

TEST_F(Input, ClickActivatesAndButtonsCarryTheirFlags) {
  HWND other = Keep(Make(WS_POPUP | WS_VISIBLE, 400, 100, 100, 100, nullptr, 0, 0, "PaintedDbl"));
  Take();
  ASSERT_EQ(other, GetActiveWindow());
  InjectMouseMove(POINT{130, 130});
  InjectMouseButton(0, true, POINT{130, 130});
  auto seen = Take();
  // A child asks its parent first.
  EXPECT_EQ((Pairs{{m_child, WM_MOUSEMOVE}, {m_child, WM_MOUSEACTIVATE}, {m_top, WM_MOUSEACTIVATE}, {m_child, WM_LBUTTONDOWN}}),
            Only(seen, MOUSE));
  EXPECT_EQ(m_top, GetActiveWindow());
  EXPECT_EQ(static_cast<WPARAM>(MK_LBUTTON), Find(seen, WM_LBUTTONDOWN)->wParam);
  EXPECT_TRUE(GetKeyState(VK_LBUTTON) & 0x8000);
  EXPECT_TRUE(GetAsyncKeyState(VK_LBUTTON) & 0x8000);
  // The right button while the left is held, with Shift and Control.
  InjectKey(VK_LSHIFT, true, 0);
  InjectKey(VK_CONTROL, true, 0);
  InjectMouseButton(1, true, POINT{130, 130});
  InjectMouseButton(1, false, POINT{130, 130});
  InjectMouseButton(0, false, POINT{130, 130});
  InjectKey(VK_LSHIFT, false, 0);
  InjectKey(VK_CONTROL, false, 0);
  seen = Take();
  EXPECT_EQ((Pairs{{m_child, WM_RBUTTONDOWN}, {m_child, WM_RBUTTONUP}, {m_child, WM_LBUTTONUP}}), Only(seen, MOUSE));
  EXPECT_EQ(static_cast<WPARAM>(MK_LBUTTON | MK_RBUTTON | MK_SHIFT | MK_CONTROL), Find(seen, WM_RBUTTONDOWN)->wParam);
  EXPECT_EQ(static_cast<WPARAM>(MK_SHIFT | MK_CONTROL), Find(seen, WM_LBUTTONUP)->wParam);
  EXPECT_FALSE(GetKeyState(VK_LBUTTON) & 0x8000);
  // The middle button, no activation this time: the window is active already.
  Click(POINT{130, 130}, 2);
  EXPECT_EQ((Pairs{{m_child, WM_MBUTTONDOWN}, {m_child, WM_MBUTTONUP}}), Only(Take(), MOUSE));
}

TEST_F(Input, DoubleClicksForClassesThatAskForThem) {
  HWND plain = Keep(Make(WS_POPUP | WS_VISIBLE, 400, 100, 100, 100));
  struct Case {
    const char* what;
    HWND* target;
    POINT first;
    POINT second;
    std::vector<UINT> expected;
  } cases[] = {
      {"CS_DBLCLKS", &m_top, {250, 250}, {250, 250}, {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}},
      {"too far apart", &m_top, {250, 250}, {260, 250}, {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP}},
      {"no CS_DBLCLKS", &plain, {450, 150}, {450, 150}, {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Click(POINT{10, 10});  // on nothing: forgets the last click
    Click(c.first);
    Click(c.second);
    std::vector<UINT> got;
    for (const auto& [h, m] : Only(Take(), {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK})) {
      EXPECT_EQ(*c.target, h);
      got.push_back(m);
    }
    EXPECT_EQ(c.expected, got);
  }
  // Clicks further apart in time than GetDoubleClickTime are two single clicks.
  Click(POINT{250, 250});
  Sleep(GetDoubleClickTime() + 30);
  Click(POINT{250, 250});
  std::vector<UINT> slow;
  for (const auto& [h, m] : Only(Take(), {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK})) slow.push_back(m);
  EXPECT_EQ((std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONDOWN}), slow);
  // A third click right after a double click starts again.
  Click(POINT{10, 10});
  Click(POINT{250, 250});
  Click(POINT{250, 250});
  Click(POINT{250, 250});
  std::vector<UINT> got;
  for (const auto& [h, m] : Only(Take(), {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK})) got.push_back(m);
  EXPECT_EQ((std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_LBUTTONDOWN}), got);
  EXPECT_EQ(500u, GetDoubleClickTime());
}

TEST_F(Input, CaptureTakesEveryMouseMessage) {
  SetCapture(m_child);
  InjectMouseMove(POINT{50, 60});        // outside every window
  InjectMouseButton(0, true, POINT{450, 450});
  InjectMouseButton(0, false, POINT{450, 450});
  auto seen = Take();
  EXPECT_EQ((Pairs{{m_child, WM_MOUSEMOVE}, {m_child, WM_LBUTTONDOWN}, {m_child, WM_LBUTTONUP}}), Only(seen, MOUSE));
  // Client coordinates relative to the child at (120, 120) on the screen, negative ones too.
  EXPECT_EQ(MAKELPARAM(static_cast<WORD>(-70), static_cast<WORD>(-60)), Find(seen, WM_MOUSEMOVE)->lParam);
  ReleaseCapture();
  EXPECT_EQ((Pairs{{m_child, WM_CAPTURECHANGED}}), Only(Take(), MOUSE));
  InjectMouseMove(POINT{250, 250});
  EXPECT_EQ((Pairs{{m_top, WM_MOUSEMOVE}}), Only(Take(), MOUSE));
}

TEST_F(Input, WheelGoesToTheFocus) {
  SetFocus(m_child);
  InjectKey(VK_CONTROL, true, 0);
  InjectMouseWheel(-WHEEL_DELTA, POINT{250, 250});
  InjectKey(VK_CONTROL, false, 0);
  auto seen = Take();
  const Seen* wheel = Find(seen, WM_MOUSEWHEEL);
  ASSERT_NE(nullptr, wheel);
  // The child did not handle it: DefWindowProc passed it to the parent.
  EXPECT_EQ((Pairs{{m_child, WM_MOUSEWHEEL}, {m_top, WM_MOUSEWHEEL}}), Only(seen, {WM_MOUSEWHEEL}));
  EXPECT_EQ(-WHEEL_DELTA, GET_WHEEL_DELTA_WPARAM(wheel->wParam));
  EXPECT_EQ(static_cast<WORD>(MK_CONTROL), LOWORD(wheel->wParam));
  EXPECT_EQ(MAKELPARAM(250, 250), wheel->lParam);  // screen coordinates
}

TEST_F(Input, KeysRepeatsAndCharacters) {
  SetFocus(m_child);
  Take();
  struct Case {
    const char* what;
    std::vector<std::pair<UINT, bool>> keys;
    std::vector<UINT> messages;
    std::string chars;
  } cases[] = {
      {"a letter", {{'A', true}, {'A', false}}, {WM_KEYDOWN, WM_CHAR, WM_KEYUP}, "a"},
      {"shifted", {{VK_LSHIFT, true}, {'A', true}, {'A', false}, {VK_LSHIFT, false}},
       {WM_KEYDOWN, WM_KEYDOWN, WM_CHAR, WM_KEYUP, WM_KEYUP}, "A"},
      {"shifted digit and punctuation", {{VK_RSHIFT, true}, {'1', true}, {VK_OEM_2, true}, {VK_RSHIFT, false}},
       {WM_KEYDOWN, WM_KEYDOWN, WM_CHAR, WM_KEYDOWN, WM_CHAR, WM_KEYUP}, "!?"},
      {"repeat", {{'B', true}, {'B', true}, {'B', true}, {'B', false}},
       {WM_KEYDOWN, WM_CHAR, WM_KEYDOWN, WM_CHAR, WM_KEYDOWN, WM_CHAR, WM_KEYUP}, "bbb"},
      {"alt makes system keys", {{VK_LMENU, true}, {'F', true}, {'F', false}, {VK_LMENU, false}},
       {WM_SYSKEYDOWN, WM_SYSKEYDOWN, WM_SYSCHAR, WM_SYSKEYUP, WM_SYSKEYUP}, "f"},
      {"control letter", {{VK_LCONTROL, true}, {'C', true}, {'C', false}, {VK_LCONTROL, false}},
       {WM_KEYDOWN, WM_KEYDOWN, WM_CHAR, WM_KEYUP, WM_KEYUP}, "\x03"},
      {"arrow types nothing", {{VK_LEFT, true}, {VK_LEFT, false}}, {WM_KEYDOWN, WM_KEYUP}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (auto [vk, down] : c.keys) InjectKey(vk, down, 0x1E);
    auto seen = Take();
    std::vector<UINT> messages;
    std::string chars;
    for (const Seen& s : seen) {
      if (s.message < WM_KEYFIRST || s.message > WM_KEYLAST) continue;
      EXPECT_EQ(m_child, s.hwnd);
      messages.push_back(s.message);
      if (s.message == WM_CHAR || s.message == WM_SYSCHAR) chars += static_cast<char>(s.wParam);
    }
    EXPECT_EQ(c.messages, messages);
    EXPECT_EQ(c.chars, chars);
    if (std::string(c.what) == "repeat") {
      std::vector<LPARAM> downs;
      for (const Seen& s : seen) {
        if (s.message == WM_KEYDOWN) downs.push_back(s.lParam);
      }
      ASSERT_EQ(3u, downs.size());
      EXPECT_EQ(0, downs[0] & (1 << 30));  // first press
      EXPECT_NE(0, downs[1] & (1 << 30));  // the key was down already
      EXPECT_EQ(1, downs[1] & 0xFFFF);     // repeat count
      EXPECT_EQ(0x1E, (downs[0] >> 16) & 0xFF);
    }
    if (std::string(c.what) == "alt makes system keys") {
      const Seen* f = nullptr;
      for (const Seen& s : seen) {
        if (s.message == WM_SYSKEYDOWN && s.wParam == 'F') f = &s;
      }
      ASSERT_NE(nullptr, f);
      EXPECT_NE(0, f->lParam & (1 << 29));
    }
  }
  // Caps lock toggles.
  InjectKey(VK_CAPITAL, true, 0);
  InjectKey(VK_CAPITAL, false, 0);
  EXPECT_EQ(1, GetKeyState(VK_CAPITAL) & 1);
  InjectKey('Q', true, 0);
  InjectKey('Q', false, 0);
  auto seen = Take();
  EXPECT_EQ('Q', static_cast<int>(Find(seen, WM_CHAR)->wParam));
  InjectKey(VK_CAPITAL, true, 0);
  InjectKey(VK_CAPITAL, false, 0);
  EXPECT_EQ(0, GetKeyState(VK_CAPITAL) & 1);
  Take();
}

TEST_F(Input, TextFromAnInputMethodArrivesAsGbkBytePairs) {
  SetFocus(m_child);
  Take();
  // UTF-8 of "中文 ok", spelled in bytes because narrow literals are GBK here; the ASCII part
  // comes from its keys, not from here.
  InjectText("\xE4\xB8\xAD\xE6\x96\x87 ok");
  auto seen = Take();
  std::string chars;
  for (const Seen& s : seen) {
    if (s.message == WM_CHAR) chars += static_cast<char>(s.wParam);
  }
  EXPECT_EQ(std::string("\xD6\xD0\xCE\xC4"), chars);
  EXPECT_EQ((Pairs{{m_child, WM_KEYDOWN}, {m_child, WM_CHAR}, {m_child, WM_CHAR}, {m_child, WM_CHAR}, {m_child, WM_CHAR}}),
            Only(seen, {WM_KEYDOWN, WM_CHAR}));
  EXPECT_EQ(static_cast<WPARAM>(VK_PROCESSKEY), Find(seen, WM_KEYDOWN)->wParam);
  // Text without any GBK character gives nothing.
  InjectText("\xF0\x9F\x98\x80");
  EXPECT_TRUE(Only(Take(), {WM_KEYDOWN, WM_CHAR}).empty());
}

TEST_F(Input, MouseLeaveForTrackedWindows) {
  InjectMouseMove(POINT{130, 130});
  Take();
  TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, m_child, HOVER_DEFAULT};
  EXPECT_TRUE(TrackMouseEvent(&tme));
  InjectMouseMove(POINT{135, 135});
  EXPECT_EQ((Pairs{{m_child, WM_MOUSEMOVE}}), Only(Take(), MOUSE));
  InjectMouseMove(POINT{250, 250});
  EXPECT_EQ((Pairs{{m_child, WM_MOUSELEAVE}, {m_top, WM_MOUSEMOVE}}), Only(Take(), MOUSE));
  // Once only, until tracked again; tracking while the pointer is elsewhere leaves at once.
  InjectMouseMove(POINT{260, 260});
  EXPECT_EQ((Pairs{{m_top, WM_MOUSEMOVE}}), Only(Take(), MOUSE));
  EXPECT_TRUE(TrackMouseEvent(&tme));
  EXPECT_EQ((Pairs{{m_child, WM_MOUSELEAVE}}), Only(Take(), MOUSE));
  tme.cbSize = 3;
  EXPECT_FALSE(TrackMouseEvent(&tme));
}

TEST_F(Input, MovingAWindowByItsCaptionAndClosingIt) {
  HWND frame = Keep(Make(WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 400, 300, 200, 100));
  Take();
  InjectMouseMove(POINT{450, 310});
  InjectMouseButton(0, true, POINT{450, 310});
  auto seen = Take();
  EXPECT_EQ((Pairs{{frame, WM_NCMOUSEMOVE}, {frame, WM_NCLBUTTONDOWN}}), Only(seen, MOUSE));
  EXPECT_EQ(static_cast<WPARAM>(HTCAPTION), Find(seen, WM_NCLBUTTONDOWN)->wParam);
  EXPECT_EQ(frame, GetCapture());
  InjectMouseMove(POINT{470, 340});
  InjectMouseMove(POINT{480, 350});
  InjectMouseButton(0, false, POINT{480, 350});
  seen = Take();
  EXPECT_EQ(nullptr, GetCapture());
  EXPECT_NE(nullptr, Find(seen, WM_EXITSIZEMOVE));
  EXPECT_EQ(nullptr, Find(seen, WM_MOUSEMOVE));  // the program sees no client moves meanwhile
  RECT rc;
  GetWindowRect(frame, &rc);
  EXPECT_EQ((std::vector<LONG>{430, 340, 630, 440}), (std::vector<LONG>{rc.left, rc.top, rc.right, rc.bottom}));
  // The close button closes the window when pressed and released on it.
  POINT close{rc.right - 3 - 2 - 8, rc.top + 3 + 2 + 7};
  InjectMouseMove(close);
  Click(close);
  Take();
  EXPECT_FALSE(IsWindow(frame));
}

TEST_F(Input, ScreenCursorAndWorkArea) {
  EXPECT_EQ(1024, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(768, GetSystemMetrics(SM_CYSCREEN));
  RECT work{};
  EXPECT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
  EXPECT_EQ((std::vector<LONG>{0, 0, 1024, 768}), (std::vector<LONG>{work.left, work.top, work.right, work.bottom}));
  // SetCursorPos moves the pointer, and the window under it hears of it.
  EXPECT_TRUE(SetCursorPos(140, 150));
  POINT pt{};
  EXPECT_TRUE(GetCursorPos(&pt));
  EXPECT_EQ(140, pt.x);
  EXPECT_EQ(150, pt.y);
  EXPECT_EQ((Pairs{{m_child, WM_MOUSEMOVE}}), Only(Take(), MOUSE));
  EXPECT_TRUE(SetCursorPos(-50, 5000));  // kept on the screen
  GetCursorPos(&pt);
  EXPECT_EQ(0, pt.x);
  EXPECT_EQ(767, pt.y);
  // Standard cursors are distinct and stable; a program's own cursor number is not kept.
  EXPECT_NE(nullptr, LoadCursorA(nullptr, IDC_HAND));
  EXPECT_NE(LoadCursorA(nullptr, IDC_HAND), LoadCursorA(nullptr, IDC_ARROW));
  EXPECT_EQ(LoadCursorA(nullptr, IDC_SIZEWE), LoadCursorA(nullptr, IDC_SIZEWE));
  EXPECT_EQ(nullptr, LoadCursorA(nullptr, MAKEINTRESOURCEA(106)));
  HCURSOR hand = LoadCursorA(nullptr, IDC_HAND);
  HCURSOR old = SetCursor(hand);
  EXPECT_EQ(hand, SetCursor(old));
  EXPECT_EQ(-1, ShowCursor(FALSE));
  EXPECT_EQ(0, ShowCursor(TRUE));
}

TEST_F(Input, EventsGoToTheThreadThatOwnsTheWindow) {
  // A window of another thread gets its messages on that thread.
  HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HWND theirs = nullptr;
  static std::mutex gotLock;
  std::vector<UINT> got;
  DWORD ourThread = GetCurrentThreadId();
  DWORD seenOn = 0;
  std::thread t([&] {
    static DWORD* where = nullptr;
    static std::vector<UINT>* log = nullptr;
    where = &seenOn;
    log = &got;
    WNDCLASSA wc{};
    wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
      if (m == WM_LBUTTONDOWN || m == WM_MOUSEMOVE) {
        std::lock_guard<std::mutex> g(gotLock);
        log->push_back(m);
        *where = GetCurrentThreadId();
      }
      return DefWindowProcA(h, m, w, l);
    };
    wc.lpszClassName = "OtherThreadWindow";
    RegisterClassA(&wc);
    theirs = CreateWindowExA(0, "OtherThreadWindow", "", WS_POPUP | WS_VISIBLE, 600, 500, 50, 50, nullptr, nullptr,
                             nullptr, nullptr);
    SetEvent(ready);
    MSG msg;
    while (WaitForSingleObject(done, 0) != WAIT_OBJECT_0) {
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
      MsgWaitForMultipleObjects(1, &done, FALSE, 50, QS_ALLINPUT);
    }
    DestroyWindow(theirs);
  });
  WaitForSingleObject(ready, INFINITE);
  InjectMouseMove(POINT{610, 510});
  InjectMouseButton(0, true, POINT{610, 510});
  InjectMouseButton(0, false, POINT{610, 510});
  for (int i = 0; i < 200; ++i) {
    Sleep(5);
    std::lock_guard<std::mutex> g(gotLock);
    if (got.size() >= 2) break;
  }
  SetEvent(done);
  t.join();
  EXPECT_EQ((std::vector<UINT>{WM_MOUSEMOVE, WM_LBUTTONDOWN}), got);
  EXPECT_NE(ourThread, seenOn);
  CloseHandle(ready);
  CloseHandle(done);
  EXPECT_TRUE(Only(Take(), MOUSE).empty());
}

TEST(DisplayChoice, TheEnvironmentPicksTheBackend) {
  struct Case {
    const char* what;
    const char* forced;   // PXQD_DISPLAY, null for unset
    const char* display;  // DISPLAY, null for unset
    platform::DisplayBackend expected;
  } cases[] = {
      {"no display at all", nullptr, nullptr, platform::DisplayBackend::HEADLESS},
      {"forced headless beside a display", "headless", ":99", platform::DisplayBackend::HEADLESS},
      {"forced SDL without a display falls back", "sdl", nullptr, platform::DisplayBackend::HEADLESS},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // Each choice is made once per process, so each case runs in a child of its own.
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      platform::StopDisplay();
      unsetenv("WAYLAND_DISPLAY");
      if (c.forced) setenv("PXQD_DISPLAY", c.forced, 1); else unsetenv("PXQD_DISPLAY");
      if (c.display) setenv("DISPLAY", c.display, 1); else unsetenv("DISPLAY");
      platform::DisplayBackend got = platform::StartDisplay();
      _exit(got == c.expected && GetSystemMetrics(SM_CXSCREEN) == 1024 ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
}

}  // namespace
