// Window painting: the order of WM_NCPAINT, WM_ERASEBKGND and WM_PAINT, update regions and
// validation, RedrawWindow's flags, clipping to the visible region, the non-client layout and
// hit tests, frames and captions as rendered, and the desktop DC.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/base/RectUtil.h"
#include "platform/kernel/Kernel.h"
#include "tests/platform/PaintTestSupport.h"

using namespace painttest;

namespace {

using Pairs = std::vector<std::pair<HWND, UINT>>;

std::vector<LONG> Box(const RECT& rc) { return {rc.left, rc.top, rc.right, rc.bottom}; }

class Paint : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::StartDisplay(platform::DisplayBackend::HEADLESS);
    RegisterClasses();
  }
  void TearDown() override {
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
  std::vector<HWND> m_windows;
};

TEST_F(Paint, ShowingPaintsFrameBackgroundAndClientParentFirst) {
  HWND top = Keep(Make(WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 10, 10, 200, 150, nullptr, RGB(255, 0, 0)));
  HWND child = Make(WS_CHILD | WS_VISIBLE, 5, 5, 40, 30, top, RGB(0, 0, 255));
  HWND bare = Make(WS_CHILD | WS_VISIBLE | WS_BORDER, 60, 5, 40, 30, top, 0, 0, "PaintedBare");
  TheLog().Clear();
  ShowWindow(top, SW_SHOW);
  Pump();
  // The frame comes with the first BeginPaint, then the background, inside WM_PAINT.
  EXPECT_EQ((Pairs{{top, WM_PAINT},
                   {top, WM_NCPAINT},
                   {top, WM_ERASEBKGND},
                   {child, WM_PAINT},
                   {child, WM_ERASEBKGND},
                   {bare, WM_PAINT},
                   {bare, WM_NCPAINT},
                   {bare, WM_ERASEBKGND}}),
            TheLog().Pairs({WM_PAINT, WM_NCPAINT, WM_ERASEBKGND}));
  ASSERT_EQ(3u, TheLog().paints.size());
  RECT client;
  GetClientRect(top, &client);
  EXPECT_EQ(Box(client), Box(TheLog().paints[0].rcPaint));
  EXPECT_FALSE(TheLog().paints[0].fErase);  // the class brush erased it
  EXPECT_TRUE(TheLog().paints[2].fErase);   // no brush: the background still needs erasing
  // Nothing is left to paint.
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
  // Each window's colour is where it should be: the child on top of its parent's red.
  POINT c{0, 0};
  ClientToScreen(top, &c);
  RECT wr;
  GetWindowRect(top, &wr);
  int cx = c.x - wr.left, cy = c.y - wr.top;
  EXPECT_EQ(RGB(255, 0, 0), PixelAt(top, cx + 150, cy + 100));
  EXPECT_EQ(RGB(0, 0, 255), PixelAt(top, cx + 10, cy + 10));
  EXPECT_EQ(GetSysColor(COLOR_WINDOWFRAME), PixelAt(top, cx + 60, cy + 5));  // the bare child's border
}

TEST_F(Paint, PaintComesOnlyWhenTheQueueIsOtherwiseEmpty) {
  HWND w = Keep(Make(WS_POPUP | WS_VISIBLE, 0, 0, 50, 50));
  Pump();
  InvalidateRect(w, nullptr, FALSE);
  PostMessageA(w, WM_USER + 7, 0, 0);
  SetTimer(w, 1, 10, nullptr);
  Sleep(20);
  std::vector<UINT> order;
  MSG msg;
  for (int i = 0; i < 3 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
    order.push_back(msg.message);
    DispatchMessageA(&msg);
  }
  KillTimer(w, 1);
  EXPECT_EQ((std::vector<UINT>{WM_USER + 7, WM_PAINT, WM_TIMER}), order);
  // A WM_PAINT that is looked at but not removed stays until the window is validated.
  InvalidateRect(w, nullptr, FALSE);
  EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE));
  EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE));
  ValidateRect(w, nullptr);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE));
}

TEST_F(Paint, UpdateRegionsAddUpAndValidateTakesAway) {
  HWND w = Keep(Make(WS_POPUP | WS_VISIBLE, 0, 0, 100, 80));
  Pump();
  struct Step {
    const char* what;
    int op;  // 0 invalidate, 1 validate
    RECT rc;
    std::vector<LONG> box;  // GetUpdateRect afterwards
  } steps[] = {
      {"one rectangle", 0, {10, 10, 20, 20}, {10, 10, 20, 20}},
      {"a second one grows the box", 0, {30, 40, 50, 60}, {10, 10, 50, 60}},
      {"outside the client area is cut", 0, {90, 70, 200, 200}, {10, 10, 100, 80}},
      {"validating a part keeps the rest", 1, {80, 60, 100, 80}, {10, 10, 50, 60}},
      {"validating the rest empties it", 1, {0, 0, 60, 60}, {0, 0, 0, 0}},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    if (s.op == 0) {
      InvalidateRect(w, &s.rc, FALSE);
    } else {
      ValidateRect(w, &s.rc);
    }
    RECT box;
    EXPECT_EQ(s.box[2] > 0 ? TRUE : FALSE, GetUpdateRect(w, &box, FALSE));
    EXPECT_EQ(s.box, Box(box));
  }
  // A region: the update region is exactly what was given.
  HRGN rgn = CreateRectRgn(5, 5, 15, 15);
  HRGN other = CreateRectRgn(40, 5, 45, 15);
  CombineRgn(rgn, rgn, other, RGN_OR);
  InvalidateRgn(w, rgn, TRUE);
  HRGN got = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(COMPLEXREGION, GetUpdateRgn(w, got, FALSE));
  EXPECT_TRUE(EqualRgn(rgn, got));
  TheLog().Clear();
  Pump();
  ASSERT_EQ(1u, TheLog().paints.size());
  EXPECT_EQ((std::vector<LONG>{5, 5, 45, 15}), Box(TheLog().paints[0].rcPaint));
  EXPECT_EQ(NULLREGION, GetUpdateRgn(w, got, FALSE));
  DeleteObject(rgn);
  DeleteObject(other);
  DeleteObject(got);
}

TEST_F(Paint, RedrawWindowFlags) {
  HWND parent = Keep(Make(WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 100, 100));
  HWND child = Make(WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 10, 30, 30, parent);
  HWND plain = Keep(Make(WS_POPUP | WS_VISIBLE, 200, 0, 100, 100));
  HWND plainChild = Make(WS_CHILD | WS_VISIBLE, 10, 10, 30, 30, plain);
  Pump();
  struct Case {
    const char* what;
    HWND target;
    UINT flags;
    bool pump;
    Pairs expected;
  } cases[] = {
      {"update now paints at once", parent, RDW_INVALIDATE | RDW_UPDATENOW, false, {{parent, WM_PAINT}}},
      {"erase and update now", parent, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW, false,
       {{parent, WM_PAINT}, {parent, WM_ERASEBKGND}}},
      {"erase now erases without painting", parent, RDW_INVALIDATE | RDW_ERASE | RDW_ERASENOW, false,
       {{parent, WM_ERASEBKGND}}},
      {"clip children leaves the child alone", parent, RDW_INVALIDATE | RDW_ERASE, true,
       {{parent, WM_PAINT}, {parent, WM_ERASEBKGND}}},
      {"all children includes it, with its frame", parent, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN, true,
       {{parent, WM_PAINT}, {parent, WM_ERASEBKGND}, {child, WM_PAINT}, {child, WM_NCPAINT}, {child, WM_ERASEBKGND}}},
      {"without clip children the children come along", plain, RDW_INVALIDATE, true,
       {{plain, WM_PAINT}, {plainChild, WM_PAINT}}},
      {"no children keeps them out", plain, RDW_INVALIDATE | RDW_NOCHILDREN, true, {{plain, WM_PAINT}}},
      {"the frame comes with the client", child, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW, false,
       {{child, WM_PAINT}, {child, WM_NCPAINT}}},
      {"validate cancels what is pending", parent, RDW_VALIDATE | RDW_ALLCHILDREN, true, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TheLog().Clear();
    if (std::string(c.what).rfind("validate", 0) == 0) {
      InvalidateRect(parent, nullptr, TRUE);
      TheLog().Clear();
    }
    EXPECT_TRUE(RedrawWindow(c.target, nullptr, nullptr, c.flags));
    if (c.pump) Pump();
    EXPECT_EQ(c.expected, TheLog().Pairs({WM_PAINT, WM_NCPAINT, WM_ERASEBKGND}));
    Pump();
  }
  // UpdateWindow paints a window and its children that wait, and nothing that does not.
  InvalidateRect(plain, nullptr, TRUE);
  TheLog().Clear();
  EXPECT_TRUE(UpdateWindow(plain));
  EXPECT_EQ((Pairs{{plain, WM_PAINT}, {plain, WM_ERASEBKGND}, {plainChild, WM_PAINT}, {plainChild, WM_ERASEBKGND}}),
            TheLog().Pairs({WM_PAINT, WM_NCPAINT, WM_ERASEBKGND}));
  TheLog().Clear();
  EXPECT_TRUE(UpdateWindow(plain));
  EXPECT_TRUE(TheLog().Pairs({WM_PAINT}).empty());
  // A GetUpdateRect that asks for the erase does it once.
  InvalidateRect(plain, nullptr, TRUE);
  TheLog().Clear();
  RECT box;
  EXPECT_TRUE(GetUpdateRect(plain, &box, TRUE));
  EXPECT_TRUE(GetUpdateRect(plain, &box, TRUE));
  EXPECT_EQ((Pairs{{plain, WM_ERASEBKGND}}), TheLog().Pairs({WM_PAINT, WM_ERASEBKGND}));
  Pump();
}

TEST_F(Paint, DrawingIsClippedToTheVisibleRegion) {
  // Two overlapping children of a parent, the first created on top; the parent clips its
  // children or not.
  struct Case {
    const char* what;
    DWORD parentStyle;
    DWORD childStyle;
    bool lowerPaintsOverUpper;
    bool parentPaintsOverChildren;
  } cases[] = {
      {"no clipping", 0, 0, true, true},
      {"clip siblings", 0, WS_CLIPSIBLINGS, false, true},
      {"clip children", WS_CLIPCHILDREN, 0, true, false},
      {"both", WS_CLIPCHILDREN, WS_CLIPSIBLINGS, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HWND parent = Keep(Make(WS_POPUP | WS_VISIBLE | c.parentStyle, 0, 0, 100, 100));
    HWND upper = Make(WS_CHILD | WS_VISIBLE | c.childStyle, 10, 10, 40, 40, parent);
    HWND lower = Make(WS_CHILD | WS_VISIBLE | c.childStyle, 30, 30, 40, 40, parent);
    Pump();
    auto fill = [](HWND w, COLORREF colour) {
      HDC dc = GetDC(w);
      RECT rc{-1000, -1000, 1000, 1000};
      HBRUSH b = CreateSolidBrush(colour);
      FillRect(dc, &rc, b);
      DeleteObject(b);
      EXPECT_EQ(1, ReleaseDC(w, dc));
    };
    fill(upper, RGB(0, 255, 0));
    fill(lower, RGB(0, 0, 255));
    // (40, 40) lies in both children; (80, 80) in neither.
    EXPECT_EQ(c.lowerPaintsOverUpper ? RGB(0, 0, 255) : RGB(0, 255, 0), PixelAt(parent, 40, 40));
    fill(parent, RGB(255, 0, 0));
    EXPECT_EQ(RGB(255, 0, 0), PixelAt(parent, 80, 80));
    EXPECT_EQ(c.parentPaintsOverChildren, PixelAt(parent, 15, 15) == RGB(255, 0, 0));
    // A child never draws outside its parent's client area, nor a hidden window at all.
    HWND outside = Make(WS_CHILD | WS_VISIBLE, 90, 90, 40, 40, parent);
    fill(outside, RGB(1, 2, 3));
    EXPECT_EQ(RGB(1, 2, 3), PixelAt(parent, 95, 95));
    ShowWindow(outside, SW_HIDE);
    fill(outside, RGB(9, 9, 9));
    EXPECT_EQ(RGB(1, 2, 3), PixelAt(parent, 95, 95));
    DestroyWindow(parent);
    Pump();
  }
}

TEST_F(Paint, MovingAChildRepaintsWhatItUncovered) {
  HWND parent = Keep(Make(WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, RGB(255, 0, 0)));
  HWND child = Make(WS_CHILD | WS_VISIBLE, 10, 10, 20, 20, parent, RGB(0, 0, 255));
  Pump();
  EXPECT_EQ(RGB(0, 0, 255), PixelAt(parent, 15, 15));
  MoveWindow(child, 50, 50, 20, 20, TRUE);
  TheLog().Clear();
  Pump();
  EXPECT_EQ(RGB(255, 0, 0), PixelAt(parent, 15, 15));
  EXPECT_EQ(RGB(0, 0, 255), PixelAt(parent, 55, 55));
  ShowWindow(child, SW_HIDE);
  Pump();
  EXPECT_EQ(RGB(255, 0, 0), PixelAt(parent, 55, 55));
}

TEST_F(Paint, NonClientLayout) {
  struct Case {
    const char* what;
    DWORD style;
    DWORD exStyle;
    std::vector<LONG> client;  // client rectangle relative to the window's corner
  } cases[] = {
      {"no frame", WS_POPUP, 0, {0, 0, 200, 100}},
      {"border", WS_POPUP | WS_BORDER, 0, {1, 1, 199, 99}},
      {"dialog frame", WS_POPUP | WS_DLGFRAME, 0, {3, 3, 197, 97}},
      {"modal frame", WS_POPUP, WS_EX_DLGMODALFRAME, {3, 3, 197, 97}},
      {"caption", WS_POPUP | WS_CAPTION, 0, {3, 22, 197, 97}},
      {"overlapped window", WS_OVERLAPPEDWINDOW, 0, {4, 23, 196, 96}},
      {"client edge", WS_POPUP, WS_EX_CLIENTEDGE, {2, 2, 198, 98}},
      {"static edge", WS_POPUP, WS_EX_STATICEDGE, {1, 1, 199, 99}},
      {"border and client edge", WS_POPUP | WS_BORDER, WS_EX_CLIENTEDGE, {3, 3, 197, 97}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HWND w = Make(c.style, 50, 60, 200, 100, nullptr, 0, c.exStyle);
    ASSERT_NE(nullptr, w);
    RECT client;
    GetClientRect(w, &client);
    POINT origin{0, 0};
    ClientToScreen(w, &origin);
    EXPECT_EQ(c.client, (std::vector<LONG>{origin.x - 50, origin.y - 60, origin.x - 50 + client.right,
                                           origin.y - 60 + client.bottom}));
    DestroyWindow(w);
  }
  // SetWindowPos recomputes the client area; a window too small for its frame has none.
  HWND w = Keep(Make(WS_OVERLAPPEDWINDOW, 0, 0, 200, 100));
  SetWindowPos(w, nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER);
  RECT client;
  GetClientRect(w, &client);
  EXPECT_EQ((std::vector<LONG>{0, 0, 292, 173}), Box(client));
  SetWindowPos(w, nullptr, 0, 0, 6, 6, SWP_NOMOVE | SWP_NOZORDER);
  GetClientRect(w, &client);
  EXPECT_EQ((std::vector<LONG>{0, 0, 0, 0}), Box(client));
  // A style change takes effect with SWP_FRAMECHANGED.
  SetWindowPos(w, nullptr, 0, 0, 200, 100, SWP_NOMOVE | SWP_NOZORDER);
  SetWindowLongA(w, GWL_STYLE, WS_POPUP);
  GetClientRect(w, &client);
  EXPECT_EQ(192, client.right);
  SetWindowPos(w, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  GetClientRect(w, &client);
  EXPECT_EQ((std::vector<LONG>{0, 0, 200, 100}), Box(client));
}

TEST_F(Paint, HitTests) {
  HWND w = Keep(Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300, 200));
  HWND dlg = Keep(Make(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 500, 100, 200, 100));
  struct Case {
    const char* what;
    HWND hwnd;
    int x, y;  // relative to the window's corner
    LRESULT expected;
  } cases[] = {
      {"client", w, 150, 100, HTCLIENT},
      {"caption", w, 100, 10, HTCAPTION},
      {"line under the caption", w, 100, 22, HTCAPTION},
      {"close button", w, 300 - 4 - 2 - 8, 4 + 2 + 7, HTCLOSE},
      {"maximise button", w, 300 - 4 - 2 - 16 - 2 - 8, 13, HTMAXBUTTON},
      {"minimise button", w, 300 - 4 - 2 - 16 - 2 - 16 - 8, 13, HTMINBUTTON},
      {"left edge", w, 1, 100, HTLEFT},
      {"right edge", w, 298, 100, HTRIGHT},
      {"top edge", w, 150, 1, HTTOP},
      {"bottom edge", w, 150, 198, HTBOTTOM},
      {"top-left corner", w, 2, 2, HTTOPLEFT},
      {"bottom-right corner", w, 297, 197, HTBOTTOMRIGHT},
      {"outside", w, 300, 100, HTNOWHERE},
      {"fixed frame is a border", dlg, 1, 50, HTBORDER},
      {"dialog caption", dlg, 50, 10, HTCAPTION},
      {"dialog close button", dlg, 200 - 3 - 2 - 8, 3 + 2 + 7, HTCLOSE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RECT wr;
    GetWindowRect(c.hwnd, &wr);
    EXPECT_EQ(c.expected, SendMessageA(c.hwnd, WM_NCHITTEST, 0, MAKELPARAM(wr.left + c.x, wr.top + c.y)));
  }
}

TEST_F(Paint, FramesAndCaptionsAsRendered) {
  struct Case {
    const char* name;
    DWORD style;
    DWORD exStyle;
    bool active;
    const char* title;
    const char* hash;
  } cases[] = {
      {"overlapped-active", WS_OVERLAPPEDWINDOW, 0, true, "麻将大厅", "52f2a2f846866da4"},
      {"overlapped-inactive", WS_OVERLAPPEDWINDOW, 0, false, "麻将大厅", "368052c8cf8154cb"},
      {"dialog", WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME, true, "Dialog", "57ce3cdd3f31c933"},
      {"client-edge", WS_POPUP | WS_BORDER, WS_EX_CLIENTEDGE, false, "", "e5e9d94660faba98"},
      {"static-edge", WS_POPUP, WS_EX_STATICEDGE, false, "", "afe2f230228a95e4"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HWND w = Make(c.style, 20, 20, 220, 90, nullptr, RGB(255, 255, 255), c.exStyle, "Painted", c.title);
    ShowWindow(w, c.active ? SW_SHOW : SW_SHOWNA);
    if (!c.active) SendMessageA(w, WM_NCACTIVATE, FALSE, 0);
    Pump();
    EXPECT_TRUE(SaveWindowPng(w, std::string("frame-") + c.name));
    std::string hash = HashWindow(w);
    EXPECT_EQ(c.hash, hash);
    if (*c.title) {
      // A new title shows at once, and the old one comes back the same.
      SetWindowTextA(w, "Other");
      EXPECT_NE(hash, HashWindow(w));
      SetWindowTextA(w, c.title);
      EXPECT_EQ(hash, HashWindow(w));
    }
    DestroyWindow(w);
    Pump();
  }
}

TEST_F(Paint, DesktopDcComposesTheVisibleTopLevelWindows) {
  HWND back = Keep(Make(WS_POPUP | WS_VISIBLE, 10, 10, 100, 100, nullptr, RGB(255, 0, 0)));
  HWND front = Keep(Make(WS_POPUP | WS_VISIBLE, 50, 50, 100, 100, nullptr, RGB(0, 255, 0)));
  HWND hidden = Keep(Make(WS_POPUP, 0, 0, 300, 300, nullptr, RGB(0, 0, 255)));
  Pump();
  (void)back;
  (void)hidden;
  for (int way = 0; way < 2; ++way) {
    SCOPED_TRACE(way == 0 ? "GetDC(NULL)" : "GetWindowDC(GetDesktopWindow())");
    HDC screen = way == 0 ? GetDC(nullptr) : GetWindowDC(GetDesktopWindow());
    ASSERT_NE(nullptr, screen);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, 200, 200);
    HGDIOBJ old = SelectObject(mem, bmp);
    EXPECT_TRUE(BitBlt(mem, 0, 0, 200, 200, screen, 0, 0, SRCCOPY));
    EXPECT_EQ(RGB(255, 0, 0), GetPixel(mem, 20, 20));
    EXPECT_EQ(RGB(0, 255, 0), GetPixel(mem, 60, 60));  // the front window covers the back one
    EXPECT_EQ(GetSysColor(COLOR_DESKTOP), GetPixel(mem, 5, 5));
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    EXPECT_EQ(1, ReleaseDC(way == 0 ? nullptr : GetDesktopWindow(), screen));
  }
  // Raising the back window changes the picture.
  SetWindowPos(back, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(RGB(255, 0, 0), GetPixel(screen, 60, 60));
  ReleaseDC(nullptr, screen);
  RECT desk;
  GetWindowRect(GetDesktopWindow(), &desk);
  EXPECT_EQ((std::vector<LONG>{0, 0, 1024, 768}), Box(desk));
  EXPECT_EQ(front, WindowFromPoint(POINT{120, 120}));
}

TEST_F(Paint, InvalidatingAnotherThreadsWindowWakesItsMessageLoop) {
  std::atomic<HWND> theirs{nullptr};
  std::atomic<int> paints{0};
  HANDLE stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::thread t([&] {
    static std::atomic<int>* counter = nullptr;
    counter = &paints;
    WNDCLASSA wc{};
    wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
      if (m == WM_PAINT) ++*counter;
      return DefWindowProcA(h, m, w, l);  // BeginPaint and EndPaint validate
    };
    wc.lpszClassName = "PaintedElsewhere";
    RegisterClassA(&wc);
    HWND w = CreateWindowExA(0, "PaintedElsewhere", "", WS_POPUP | WS_VISIBLE, 0, 0, 20, 20, nullptr, nullptr,
                             nullptr, nullptr);
    theirs = w;
    // A plain blocking loop: only a wake-up can make it see the new update region.
    MSG msg;
    while (WaitForSingleObject(stop, 0) != WAIT_OBJECT_0 && GetMessageA(&msg, nullptr, 0, 0) > 0) {
      DispatchMessageA(&msg);
    }
    DestroyWindow(w);
  });
  while (!theirs || paints == 0) Sleep(1);
  int before = paints;
  EXPECT_TRUE(InvalidateRect(theirs, nullptr, TRUE));
  for (int i = 0; i < 500 && paints == before; ++i) Sleep(2);
  EXPECT_EQ(before + 1, paints.load());
  SetEvent(stop);
  PostMessageA(theirs, WM_NULL, 0, 0);
  t.join();
  CloseHandle(stop);
}

}  // namespace

namespace {

// A 32-bit top-down DIB section selected into a memory DC, filled with one BGRA value.
struct Picture {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
  uint32_t* bits = nullptr;
  Picture(int w, int h, uint32_t fill) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* p = nullptr;
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &p, nullptr, 0);
    bits = static_cast<uint32_t*>(p);
    for (int i = 0; i < w * h; ++i) bits[i] = fill;
    old = SelectObject(dc, bitmap);
  }
  ~Picture() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
};

COLORREF ScreenPixel(int x, int y) {
  HDC screen = GetDC(nullptr);
  COLORREF c = GetPixel(screen, x, y);
  ReleaseDC(nullptr, screen);
  return c;
}

}  // namespace

// Layered windows are composed over what lies beneath: a colour key leaves holes, a constant
// opacity mixes, and a picture given to UpdateLayeredWindow carries its own (premultiplied) alpha.
TEST_F(Paint, LayeredWindowsShowWhatLiesBeneath) {
  Keep(Make(WS_POPUP | WS_VISIBLE, 0, 0, 300, 300, nullptr, RGB(200, 0, 0)));
  HWND keyed = Keep(Make(WS_POPUP | WS_VISIBLE, 10, 10, 40, 40, nullptr, RGB(255, 0, 255), WS_EX_LAYERED));
  HWND faded = Keep(Make(WS_POPUP | WS_VISIBLE, 60, 10, 40, 40, nullptr, RGB(0, 0, 200), WS_EX_LAYERED));
  HWND plain = Keep(Make(WS_POPUP | WS_VISIBLE, 110, 10, 40, 40, nullptr, RGB(0, 200, 0)));
  Pump();
  EXPECT_TRUE(SetLayeredWindowAttributes(keyed, RGB(255, 0, 255), 255, LWA_COLORKEY));
  EXPECT_TRUE(SetLayeredWindowAttributes(faded, 0, 128, LWA_ALPHA));
  // Only a layered top-level window takes the attributes.
  EXPECT_FALSE(SetLayeredWindowAttributes(plain, 0, 128, LWA_ALPHA));
  COLORREF key = 1;
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(faded, &key, &alpha, &flags));
  EXPECT_EQ(alpha, 128);
  EXPECT_EQ(flags, static_cast<DWORD>(LWA_ALPHA));
  EXPECT_EQ(ScreenPixel(20, 20), RGB(200, 0, 0));
  EXPECT_EQ(ScreenPixel(70, 20), RGB(100, 0, 100));
  EXPECT_EQ(ScreenPixel(120, 20), RGB(0, 200, 0));

  // A picture: left half clear, right half white at half opacity (premultiplied), shown with a
  // constant opacity of 255 at a new place and size.
  HWND popup = Keep(Make(WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, RGB(0, 0, 0), WS_EX_LAYERED));
  Picture picture(20, 10, 0);
  for (int y = 0; y < 10; ++y) {
    for (int x = 10; x < 20; ++x) picture.bits[y * 20 + x] = 0x80808080u;
  }
  POINT at{200, 100};
  SIZE size{20, 10};
  POINT from{0, 0};
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  ASSERT_TRUE(UpdateLayeredWindow(popup, nullptr, &at, &size, picture.dc, &from, 0, &blend, ULW_ALPHA));
  RECT rc;
  GetWindowRect(popup, &rc);
  EXPECT_EQ(Box(rc), (std::vector<LONG>{200, 100, 220, 110}));
  EXPECT_EQ(ScreenPixel(205, 105), RGB(200, 0, 0));
  EXPECT_EQ(ScreenPixel(215, 105), RGB(128 + 100, 128, 128));
  // The window's own capture shows the same composition.
  std::vector<uint32_t> px;
  int w = 0, h = 0;
  ASSERT_TRUE(platform::CaptureWindow(popup, px, w, h));
  EXPECT_EQ(px[5 * 20 + 5] & 0xFFFFFFu, 0xC80000u);
  // Without WS_EX_LAYERED the call fails.
  EXPECT_FALSE(UpdateLayeredWindow(plain, nullptr, nullptr, nullptr, picture.dc, &from, 0, &blend, ULW_ALPHA));
}
