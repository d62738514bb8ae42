// Scroll bars: the control's presses on arrows, track and thumb, the window scroll bars of
// WS_VSCROLL/WS_HSCROLL in the non-client area, and the scroll-bar functions' values.
#include <gtest/gtest.h>

#include "tests/platform/ControlsTestSupport.h"

using namespace controltest;

namespace {

class Scrolls : public ControlTest {};

using Codes = std::vector<std::pair<int, int>>;

TEST_F(Scrolls, InfoIsClampedToRangeAndPage) {
  HWND bar = Make("ScrollBar", "", SBS_VERT, 10, 10, 16, 200, 1);
  int lo = -1, hi = -1;
  GetScrollRange(bar, SB_CTL, &lo, &hi);
  EXPECT_EQ(0, lo);  // a control starts with an empty range
  EXPECT_EQ(0, hi);
  struct Case {
    UINT mask;
    int min, max;
    UINT page;
    int pos;
    int expectedPos;
    UINT expectedPage;
  } cases[] = {
      {SIF_ALL, 0, 99, 10, 50, 50, 10},
      {SIF_POS, 0, 0, 0, 95, 90, 10},   // the last page starts at max - page + 1
      {SIF_POS, 0, 0, 0, -5, 0, 10},
      {SIF_PAGE, 0, 0, 500, 0, 0, 100},  // a page is never more than the range
      {SIF_RANGE | SIF_POS, 10, 5, 0, 3, 10, 1},  // max below min becomes min; the page shrinks
  };
  for (const Case& c : cases) {
    SCROLLINFO si{sizeof si, c.mask, c.min, c.max, c.page, c.pos, 0};
    SetScrollInfo(bar, SB_CTL, &si, TRUE);
    SCROLLINFO out{sizeof out, SIF_ALL, 0, 0, 0, 0, 0};
    ASSERT_TRUE(GetScrollInfo(bar, SB_CTL, &out));
    EXPECT_EQ(c.expectedPos, out.nPos) << c.mask;
    EXPECT_EQ(c.expectedPage, std::min<UINT>(out.nPage, 100)) << c.mask;
  }
  SetScrollRange(bar, SB_CTL, 0, 100, FALSE);
  EXPECT_EQ(10, SetScrollPos(bar, SB_CTL, 40, TRUE));
  EXPECT_EQ(40, GetScrollPos(bar, SB_CTL));
  // SB_CTL on a window that is no scroll bar, and a bad bar number, are refused.
  SCROLLINFO si{sizeof si, SIF_ALL, 0, 10, 0, 0, 0};
  EXPECT_FALSE(GetScrollInfo(m_parent, SB_CTL, &si));
  EXPECT_FALSE(GetScrollInfo(m_parent, 7, &si));
}

TEST_F(Scrolls, ControlPressesArrowsTrackAndThumb) {
  HWND bar = Make("ScrollBar", "", SBS_VERT, 10, 10, 16, 200, 1);
  SCROLLINFO si{sizeof si, SIF_ALL, 0, 99, 20, 0, 0};
  SetScrollInfo(bar, SB_CTL, &si, TRUE);
  Log().Clear();
  Click(bar, 8, 195);  // the down arrow
  EXPECT_EQ((Codes{{SB_LINEDOWN, 0}, {SB_ENDSCROLL, 0}}), Log().Scrolls());
  for (const Note& n : Log().notes) {
    EXPECT_EQ(static_cast<UINT>(WM_VSCROLL), n.message);
    EXPECT_EQ(reinterpret_cast<LPARAM>(bar), n.lParam);
  }
  Log().Clear();
  Click(bar, 8, 150);  // the track below the thumb
  EXPECT_EQ((Codes{{SB_PAGEDOWN, 0}, {SB_ENDSCROLL, 0}}), Log().Scrolls());
  Log().Clear();
  Click(bar, 8, 5);
  EXPECT_EQ((Codes{{SB_LINEUP, 0}, {SB_ENDSCROLL, 0}}), Log().Scrolls());

  // The thumb (20% of the 168-pixel track, at the top) dragged down by half the free room.
  Log().Clear();
  Press(bar, 8, 16 + 5);
  MoveTo(bar, 8, 16 + 5 + 67);
  SCROLLINFO track{sizeof track, SIF_TRACKPOS, 0, 0, 0, 0, 0};
  GetScrollInfo(bar, SB_CTL, &track);
  Release(bar, 8, 16 + 5 + 67);
  Codes seen = Log().Scrolls();
  ASSERT_EQ(3u, seen.size());
  EXPECT_EQ(SB_THUMBTRACK, seen[0].first);
  EXPECT_NEAR(40, seen[0].second, 1);
  EXPECT_EQ(seen[0].second, track.nTrackPos);
  EXPECT_EQ((std::pair<int, int>{SB_THUMBPOSITION, seen[0].second}), seen[1]);
  EXPECT_EQ(SB_ENDSCROLL, seen[2].first);
  EXPECT_EQ(0, GetScrollPos(bar, SB_CTL));  // the program moves the thumb, not the bar
  EXPECT_EQ(nullptr, GetCapture());

  // Held on an arrow, the repeat timer steps again while the pointer stays there.
  Log().Clear();
  Press(bar, 8, 195);
  SendMessageA(bar, WM_TIMER, 0xFFF3, 0);
  MoveTo(bar, 8, 100);
  SendMessageA(bar, WM_TIMER, 0xFFF3, 0);  // off the arrow: no step
  Release(bar, 8, 100);
  EXPECT_EQ((Codes{{SB_LINEDOWN, 0}, {SB_LINEDOWN, 0}, {SB_ENDSCROLL, 0}}), Log().Scrolls());
}

TEST_F(Scrolls, HorizontalBarAndDisabledArrows) {
  HWND bar = Make("ScrollBar", "", SBS_HORZ, 10, 10, 200, 16, 2);
  SCROLLINFO si{sizeof si, SIF_ALL, 0, 99, 20, 50, 0};
  SetScrollInfo(bar, SB_CTL, &si, TRUE);
  Log().Clear();
  Click(bar, 5, 8);
  Click(bar, 195, 8);
  EXPECT_EQ((Codes{{SB_LINELEFT, 0}, {SB_ENDSCROLL, 0}, {SB_LINERIGHT, 0}, {SB_ENDSCROLL, 0}}), Log().Scrolls());
  for (const Note& n : Log().notes) EXPECT_EQ(static_cast<UINT>(WM_HSCROLL), n.message);
  // A disabled arrow ignores presses; the other still works.
  EXPECT_TRUE(EnableScrollBar(bar, SB_CTL, ESB_DISABLE_RIGHT));
  Log().Clear();
  Click(bar, 195, 8);
  Click(bar, 5, 8);
  EXPECT_EQ((Codes{{SB_LINELEFT, 0}, {SB_ENDSCROLL, 0}}), Log().Scrolls());
  // A disabled control ignores the mouse altogether.
  EnableWindow(bar, FALSE);
  Log().Clear();
  Click(bar, 5, 8);
  EXPECT_TRUE(Log().Scrolls().empty());
}

LRESULT CALLBACK ScrolledProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_VSCROLL || message == WM_HSCROLL) {
    Log().notes.push_back(Note{message, wParam, lParam});
    return 0;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

TEST_F(Scrolls, WindowScrollBarsInTheFrame) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = ScrolledProc;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
  wc.lpszClassName = "Scrolled";
  static bool registered = RegisterClassA(&wc) != 0;
  ASSERT_TRUE(registered);
  HWND w = CreateWindowExA(0, "Scrolled", "", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_HSCROLL, 20, 20,
                           200, 150, m_parent, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, w);
  Pump();
  RECT rc{};
  GetClientRect(w, &rc);
  EXPECT_EQ(200 - 2 - GetSystemMetrics(SM_CXVSCROLL), rc.right);
  EXPECT_EQ(150 - 2 - GetSystemMetrics(SM_CYHSCROLL), rc.bottom);
  // A window's own bars start with the range 0-100.
  int lo = -1, hi = -1;
  GetScrollRange(w, SB_VERT, &lo, &hi);
  EXPECT_EQ(100, hi);
  RECT wr{};
  GetWindowRect(w, &wr);
  POINT downArrow{wr.right - 1 - 8, wr.bottom - 1 - GetSystemMetrics(SM_CYHSCROLL) - 8};
  EXPECT_EQ(HTVSCROLL, SendMessageA(w, WM_NCHITTEST, 0, MAKELPARAM(downArrow.x, downArrow.y)));
  EXPECT_EQ(HTHSCROLL, SendMessageA(w, WM_NCHITTEST, 0, MAKELPARAM(wr.left + 30, wr.bottom - 5)));

  SCROLLINFO si{sizeof si, SIF_ALL, 0, 49, 10, 0, 0};
  SetScrollInfo(w, SB_VERT, &si, TRUE);
  Log().Clear();
  platform::InjectMouseMove(downArrow);
  platform::InjectMouseButton(0, true, downArrow);
  platform::InjectMouseButton(0, false, downArrow);
  Pump();
  EXPECT_EQ((Codes{{SB_LINEDOWN, 0}, {SB_ENDSCROLL, 0}}), Log().Scrolls());
  ASSERT_FALSE(Log().notes.empty());
  EXPECT_EQ(static_cast<UINT>(WM_VSCROLL), Log().notes[0].message);
  EXPECT_EQ(0, Log().notes[0].lParam);  // a window's own bar has no control
  EXPECT_EQ(nullptr, GetCapture());

  // The thumb dragged inside the frame's own loop: every event waits before the pump, as the
  // loop takes them from the queue itself.
  SetScrollPos(w, SB_VERT, 0, TRUE);
  Log().Clear();
  POINT thumb{downArrow.x, wr.top + 1 + 16 + 4};
  platform::InjectMouseMove(thumb);
  platform::InjectMouseButton(0, true, thumb);
  platform::InjectMouseMove(POINT{thumb.x, thumb.y + 20});
  platform::InjectMouseMove(POINT{thumb.x, thumb.y + 40});
  platform::InjectMouseButton(0, false, POINT{thumb.x, thumb.y + 40});
  Pump();
  Codes seen = Log().Scrolls();
  ASSERT_EQ(4u, seen.size());
  EXPECT_EQ(SB_THUMBTRACK, seen[0].first);
  EXPECT_EQ(SB_THUMBTRACK, seen[1].first);
  EXPECT_LT(seen[0].second, seen[1].second);
  EXPECT_EQ((std::pair<int, int>{SB_THUMBPOSITION, seen[1].second}), seen[2]);
  EXPECT_EQ(SB_ENDSCROLL, seen[3].first);
  EXPECT_EQ(nullptr, GetCapture());

  // A range with nothing to scroll hides the bar and gives its room to the client area.
  si = SCROLLINFO{sizeof si, SIF_RANGE | SIF_PAGE, 0, 5, 10, 0, 0};
  SetScrollInfo(w, SB_VERT, &si, TRUE);
  EXPECT_FALSE(GetWindowLongA(w, GWL_STYLE) & WS_VSCROLL);
  GetClientRect(w, &rc);
  EXPECT_EQ(198, rc.right);
  // SIF_DISABLENOSCROLL keeps it (disabled); ShowScrollBar brings it back.
  ShowScrollBar(w, SB_VERT, TRUE);
  si.fMask |= SIF_DISABLENOSCROLL;
  SetScrollInfo(w, SB_VERT, &si, TRUE);
  EXPECT_TRUE(GetWindowLongA(w, GWL_STYLE) & WS_VSCROLL);
  DestroyWindow(w);
}

}  // namespace
