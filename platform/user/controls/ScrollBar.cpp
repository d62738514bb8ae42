// The "ScrollBar" control, the scroll bars of windows with WS_HSCROLL/WS_VSCROLL, and the
// scroll-bar functions that serve both.
#include <map>
#include <memory>
#include <mutex>

#include "platform/base/RectUtil.h"
#include "platform/user/NonClient.h"
#include "platform/user/User.h"
#include "platform/user/controls/ControlSupport.h"

namespace platform::controls {
namespace {

struct ScrollBarState {
  ScrollModel model;
  bool vertical = false;
  std::unique_ptr<ScrollTracker> tracker;
};

// The window scroll bars' values, by window. Win32 gives a window's own bars the range 0-100.
struct WindowBars {
  ScrollModel bars[2];
  WindowBars() {
    for (ScrollModel& m : bars) {
      m.min = 0;
      m.max = 100;
    }
  }
  ScrollPart pressed[2] = {ScrollPart::NONE, ScrollPart::NONE};
};

std::mutex g_barsLock;
std::map<HWND, std::unique_ptr<WindowBars>>& Bars() {
  static auto* bars = new std::map<HWND, std::unique_ptr<WindowBars>>;
  return *bars;
}

// Nodes are never moved, so the pointer stays good until the window goes away.
WindowBars* BarsOf(HWND hwnd) {
  std::lock_guard<std::mutex> g(g_barsLock);
  auto& slot = Bars()[hwnd];
  if (!slot) slot = std::make_unique<WindowBars>();
  return slot.get();
}

bool IsScrollBarControl(HWND hwnd) {
  char name[16] = {};
  GetClassNameA(hwnd, name, sizeof name);
  return ClassNameEquals("ScrollBar", name);
}

// Where a window's bar lies, relative to the window's corner; empty when the style has none.
RECT WindowBarRect(HWND hwnd, int bar) {
  RECT window{};
  GetWindowRect(hwnd, &window);
  DWORD style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
  DWORD exStyle = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_EXSTYLE));
  NonClientLayout l = LayoutNonClient(RectWidth(window), RectHeight(window), style, exStyle);
  return bar == SB_VERT ? l.vScroll : l.hScroll;
}

void RedrawWindowBars(HWND hwnd) {
  RECT v = WindowBarRect(hwnd, SB_VERT), h = WindowBarRect(hwnd, SB_HORZ);
  if (IsRectEmpty(&v) && IsRectEmpty(&h)) return;
  if (!IsWindowVisible(hwnd)) return;
  HDC dc = GetWindowDC(hwnd);
  if (!dc) return;
  PaintWindowScrollBars(hwnd, dc, v, h);
  ReleaseDC(hwnd, dc);
}

ScrollModel* ModelOf(HWND hwnd, int bar) {
  if (bar == SB_CTL) {
    if (!IsScrollBarControl(hwnd)) return nullptr;
    ScrollBarState* s = StateOf<ScrollBarState>(hwnd);
    return s ? &s->model : nullptr;
  }
  if (bar != SB_HORZ && bar != SB_VERT) return nullptr;
  if (!IsWindow(hwnd)) return nullptr;
  return &BarsOf(hwnd)->bars[bar];
}

void Redraw(HWND hwnd, int bar) {
  if (bar == SB_CTL) {
    InvalidateRect(hwnd, nullptr, FALSE);
  } else {
    RedrawWindowBars(hwnd);
  }
}

// Shows or hides a window's bar as its range asks: a bar with nothing to scroll goes away
// unless SIF_DISABLENOSCROLL keeps it (disabled).
void ShowAsNeeded(HWND hwnd, int bar, const ScrollModel& m, UINT mask) {
  if (bar == SB_CTL || !(mask & (SIF_RANGE | SIF_PAGE))) return;
  bool needed = m.page == 0 ? m.max > m.min : static_cast<long long>(m.page) <= static_cast<long long>(m.max) - m.min;
  DWORD style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
  DWORD bit = bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL;
  bool shown = (style & bit) != 0;
  if (mask & SIF_DISABLENOSCROLL) needed = needed || shown;
  if (needed != shown) ShowScrollBar(hwnd, bar, needed);
}

}  // namespace

LRESULT CALLBACK ScrollBarProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  ScrollBarState* s = StateOf<ScrollBarState>(hwnd);
  switch (message) {
    case WM_NCCREATE: {
      auto* st = new ScrollBarState;
      auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
      st->vertical = cs && (cs->style & SBS_VERT);
      // A scroll-bar control starts with an empty range.
      st->model.min = 0;
      st->model.max = 0;
      SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(st));
      return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    case WM_NCDESTROY:
      delete s;
      SetWindowLongPtrA(hwnd, 0, 0);
      return DefWindowProcA(hwnd, message, wParam, lParam);
    default:
      break;
  }
  if (!s) return DefWindowProcA(hwnd, message, wParam, lParam);
  RECT rc{};
  GetClientRect(hwnd, &rc);
  HWND parent = GetParent(hwnd);
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      ControlBrush(hwnd, dc, WM_CTLCOLORSCROLLBAR);
      DrawScroll(dc, rc, s->vertical, s->model, IsWindowEnabled(hwnd) != 0,
                 s->tracker ? s->tracker->Pressed() : ScrollPart::NONE);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (s->tracker) return 0;
      auto tracker = std::make_unique<ScrollTracker>(parent, hwnd, s->vertical);
      SetCapture(hwnd);
      if (!tracker->Press(rc, s->model, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)})) {
        ReleaseCapture();
        return 0;
      }
      s = StateOf<ScrollBarState>(hwnd);
      if (!s) return 0;
      s->tracker = std::move(tracker);
      SetTimer(hwnd, SCROLL_TIMER, ScrollTracker::FIRST_DELAY, nullptr);
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (s->tracker) {
        s->tracker->Move(rc, s->model, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        InvalidateRect(hwnd, nullptr, FALSE);
      }
      return 0;
    case WM_TIMER:
      if (wParam == SCROLL_TIMER && s->tracker) {
        SetTimer(hwnd, SCROLL_TIMER, ScrollTracker::REPEAT_DELAY, nullptr);
        s->tracker->Repeat(rc, s->model);
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
      }
      return DefWindowProcA(hwnd, message, wParam, lParam);
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      if (s->tracker) {
        auto tracker = std::move(s->tracker);
        KillTimer(hwnd, SCROLL_TIMER);
        if (message == WM_LBUTTONUP) ReleaseCapture();
        tracker->Release(s->model);
        InvalidateRect(hwnd, nullptr, FALSE);
      }
      return 0;
    case WM_KEYDOWN: {
      int code = -1;
      switch (wParam) {
        case VK_UP: case VK_LEFT: code = SB_LINEUP; break;
        case VK_DOWN: case VK_RIGHT: code = SB_LINEDOWN; break;
        case VK_PRIOR: code = SB_PAGEUP; break;
        case VK_NEXT: code = SB_PAGEDOWN; break;
        case VK_HOME: code = SB_TOP; break;
        case VK_END: code = SB_BOTTOM; break;
        default: break;
      }
      if (code >= 0 && parent) {
        UINT m = s->vertical ? WM_VSCROLL : WM_HSCROLL;
        SendMessageA(parent, m, MAKEWPARAM(code, 0), reinterpret_cast<LPARAM>(hwnd));
        SendMessageA(parent, m, MAKEWPARAM(SB_ENDSCROLL, 0), reinterpret_cast<LPARAM>(hwnd));
      }
      return 0;
    }
    case WM_ENABLE:
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case SBM_SETPOS: {
      int old = s->model.pos;
      s->model.pos = static_cast<int>(wParam);
      s->model.Clamp();
      if (lParam) InvalidateRect(hwnd, nullptr, FALSE);
      return old;
    }
    case SBM_GETPOS:
      return s->model.pos;
    case SBM_SETRANGE:
    case SBM_SETRANGEREDRAW: {
      int old = s->model.pos;
      s->model.min = static_cast<int>(wParam);
      s->model.max = std::max(static_cast<int>(lParam), static_cast<int>(wParam));
      s->model.Clamp();
      if (message == SBM_SETRANGEREDRAW) InvalidateRect(hwnd, nullptr, FALSE);
      return old;
    }
    case SBM_GETRANGE:
      if (wParam) *reinterpret_cast<LPINT>(wParam) = s->model.min;
      if (lParam) *reinterpret_cast<LPINT>(lParam) = s->model.max;
      return 0;
    case SBM_ENABLE_ARROWS:
      s->model.disabledArrows = static_cast<UINT>(wParam) & ESB_DISABLE_BOTH;
      InvalidateRect(hwnd, nullptr, FALSE);
      return TRUE;
    case SBM_SETSCROLLINFO: {
      auto* info = reinterpret_cast<LPCSCROLLINFO>(lParam);
      if (!info) return 0;
      int pos = s->model.Apply(*info);
      if (wParam) InvalidateRect(hwnd, nullptr, FALSE);
      return pos;
    }
    case SBM_GETSCROLLINFO: {
      auto* info = reinterpret_cast<LPSCROLLINFO>(lParam);
      if (!info) return FALSE;
      s->model.Fill(*info);
      return TRUE;
    }
    default:
      return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

}  // namespace platform::controls

namespace platform {

using namespace controls;

void PaintWindowScrollBars(HWND hwnd, HDC dc, const RECT& vertical, const RECT& horizontal) {
  WindowBars* bars = BarsOf(hwnd);
  bool enabled = IsWindowEnabled(hwnd) != 0;
  if (!IsRectEmpty(&vertical)) DrawScroll(dc, vertical, true, bars->bars[SB_VERT], enabled, bars->pressed[SB_VERT]);
  if (!IsRectEmpty(&horizontal)) DrawScroll(dc, horizontal, false, bars->bars[SB_HORZ], enabled, bars->pressed[SB_HORZ]);
  // The corner between two bars takes the face colour.
  if (!IsRectEmpty(&vertical) && !IsRectEmpty(&horizontal)) {
    RECT corner{vertical.left, horizontal.top, vertical.right, horizontal.bottom};
    FillSolidRect(dc, &corner, GetSysColor(COLOR_BTNFACE));
  }
}

void TrackWindowScrollBar(HWND hwnd, int bar, POINT screen) {
  if (bar != SB_HORZ && bar != SB_VERT) return;
  RECT window{};
  GetWindowRect(hwnd, &window);
  RECT rc = WindowBarRect(hwnd, bar);
  WindowBars* bars = BarsOf(hwnd);
  ScrollTracker tracker(hwnd, nullptr, bar == SB_VERT);
  POINT pt{screen.x - window.left, screen.y - window.top};
  if (!tracker.Press(rc, bars->bars[bar], pt)) return;
  // Win32 tracks the press in a loop of its own inside DefWindowProc, so that the window's
  // procedure does not need to pass on the mouse messages of the drag.
  SetCapture(hwnd);
  SetTimer(hwnd, SCROLL_TIMER, ScrollTracker::FIRST_DELAY, nullptr);
  bars->pressed[bar] = tracker.Pressed();
  RedrawWindowBars(hwnd);
  MSG msg;
  while (IsWindow(hwnd) && GetCapture() == hwnd) {
    if (!GetMessageA(&msg, nullptr, 0, 0)) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (msg.hwnd == hwnd && (msg.message == WM_MOUSEMOVE || msg.message == WM_LBUTTONUP)) {
      POINT p{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
      ClientToScreen(hwnd, &p);
      GetWindowRect(hwnd, &window);
      rc = WindowBarRect(hwnd, bar);
      p.x -= window.left;
      p.y -= window.top;
      tracker.Move(rc, bars->bars[bar], p);
      bars->pressed[bar] = tracker.Pressed();
      RedrawWindowBars(hwnd);
      if (msg.message == WM_LBUTTONUP) break;
      continue;
    }
    if (msg.hwnd == hwnd && msg.message == WM_TIMER && msg.wParam == SCROLL_TIMER) {
      SetTimer(hwnd, SCROLL_TIMER, ScrollTracker::REPEAT_DELAY, nullptr);
      tracker.Repeat(WindowBarRect(hwnd, bar), bars->bars[bar]);
      bars->pressed[bar] = tracker.Pressed();
      RedrawWindowBars(hwnd);
      continue;
    }
    if (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST) continue;
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) break;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  if (!IsWindow(hwnd)) return;
  KillTimer(hwnd, SCROLL_TIMER);
  if (GetCapture() == hwnd) ReleaseCapture();
  bars->pressed[bar] = ScrollPart::NONE;
  tracker.Release(bars->bars[bar]);
  RedrawWindowBars(hwnd);
}

void ForgetWindowScrollBars(HWND hwnd) {
  std::lock_guard<std::mutex> g(g_barsLock);
  Bars().erase(hwnd);
}

}  // namespace platform

using namespace platform;
using namespace platform::controls;

int SetScrollInfo(HWND hwnd, int bar, LPCSCROLLINFO info, BOOL redraw) {
  if (!info) return 0;
  if (bar == SB_CTL) return static_cast<int>(SendMessageA(hwnd, SBM_SETSCROLLINFO, redraw, reinterpret_cast<LPARAM>(info)));
  ScrollModel* m = ModelOf(hwnd, bar);
  if (!m) return 0;
  int pos = m->Apply(*info);
  ShowAsNeeded(hwnd, bar, *m, info->fMask);
  if (redraw) Redraw(hwnd, bar);
  return pos;
}

BOOL GetScrollInfo(HWND hwnd, int bar, LPSCROLLINFO info) {
  if (!info) return FALSE;
  if (bar == SB_CTL) return static_cast<BOOL>(SendMessageA(hwnd, SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(info)));
  ScrollModel* m = ModelOf(hwnd, bar);
  if (!m) return FALSE;
  m->Fill(*info);
  return TRUE;
}

int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw) {
  ScrollModel* m = ModelOf(hwnd, bar);
  if (!m) return 0;
  int old = m->pos;
  m->pos = pos;
  m->Clamp();
  if (redraw) Redraw(hwnd, bar);
  return old;
}

int GetScrollPos(HWND hwnd, int bar) {
  ScrollModel* m = ModelOf(hwnd, bar);
  return m ? m->pos : 0;
}

BOOL SetScrollRange(HWND hwnd, int bar, int minPos, int maxPos, BOOL redraw) {
  SCROLLINFO info{sizeof(SCROLLINFO), SIF_RANGE, minPos, maxPos, 0, 0, 0};
  if (!ModelOf(hwnd, bar)) return FALSE;
  SetScrollInfo(hwnd, bar, &info, redraw);
  return TRUE;
}

BOOL GetScrollRange(HWND hwnd, int bar, LPINT minPos, LPINT maxPos) {
  ScrollModel* m = ModelOf(hwnd, bar);
  if (!m) return FALSE;
  if (minPos) *minPos = m->min;
  if (maxPos) *maxPos = m->max;
  return TRUE;
}

BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show) {
  if (bar == SB_CTL) {
    ShowWindow(hwnd, show ? SW_SHOW : SW_HIDE);
    return TRUE;
  }
  if (!IsWindow(hwnd) || bar < SB_HORZ || bar > SB_BOTH) return FALSE;
  DWORD bits = bar == SB_BOTH ? (WS_HSCROLL | WS_VSCROLL) : bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL;
  DWORD style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
  DWORD wanted = show ? (style | bits) : (style & ~bits);
  if (wanted == style) return TRUE;
  SetWindowLongA(hwnd, GWL_STYLE, static_cast<LONG>(wanted));
  SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  return TRUE;
}

BOOL EnableScrollBar(HWND hwnd, UINT bar, UINT arrows) {
  if (bar == SB_CTL) return static_cast<BOOL>(SendMessageA(hwnd, SBM_ENABLE_ARROWS, arrows, 0));
  if (!IsWindow(hwnd) || bar > SB_BOTH) return FALSE;
  for (int b : {SB_HORZ, SB_VERT}) {
    if (bar == SB_BOTH || static_cast<int>(bar) == b) BarsOf(hwnd)->bars[b].disabledArrows = arrows & ESB_DISABLE_BOTH;
  }
  RedrawWindowBars(hwnd);
  return TRUE;
}
