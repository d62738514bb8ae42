// The tooltip: a top-most pop-up that shows a tool's text after the pointer has rested on the
// tool for the initial delay, and hides when the pointer leaves the tool, a button is pressed,
// the tip is deactivated or the auto-pop delay runs out. Mouse messages reach it through
// TTM_RELAYEVENT, or by itself for TTF_SUBCLASS tools (the tool window's procedure is wrapped).
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "platform/base/RectUtil.h"
#include "platform/comctl/CommCtrl.h"
#include "platform/gdi/Text.h"
#include "platform/user/User.h"

namespace {

const UINT_PTR TIMER_SHOW = 1;
const UINT_PTR TIMER_POP = 2;

struct Tool {
  UINT flags = 0;
  HWND hwnd = nullptr;
  UINT_PTR id = 0;
  RECT rect{};
  std::string text;
};

struct TipState {
  std::vector<Tool> tools;
  bool active = true;
  int maxWidth = -1;
  UINT initial = 500;
  UINT autopop = 5000;
  int current = -1;  // the tool under the pointer
  bool shown = false;
  HFONT font = nullptr;
};

TipState* State(HWND hwnd) { return reinterpret_cast<TipState*>(GetWindowLongPtrA(hwnd, 0)); }

// TTF_SUBCLASS tool windows: their original procedures and the tips that watch them.
std::map<HWND, std::pair<WNDPROC, HWND>> g_subclassed;

int FindTool(const TipState& s, HWND hwnd, UINT_PTR id) {
  for (size_t i = 0; i < s.tools.size(); ++i) {
    if (s.tools[i].hwnd == hwnd && s.tools[i].id == id) return static_cast<int>(i);
  }
  return -1;
}

int ToolAt(const TipState& s, HWND hwnd, POINT client) {
  for (size_t i = 0; i < s.tools.size(); ++i) {
    const Tool& t = s.tools[i];
    if (t.flags & TTF_IDISHWND) {
      if (reinterpret_cast<HWND>(t.id) == hwnd) return static_cast<int>(i);
    } else if (t.hwnd == hwnd && PtInRect(&t.rect, client)) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

void Hide(HWND tip, TipState& s) {
  KillTimer(tip, TIMER_SHOW);
  KillTimer(tip, TIMER_POP);
  if (s.shown) {
    s.shown = false;
    ShowWindow(tip, SW_HIDE);
  }
}

void Show(HWND tip, TipState& s) {
  if (s.current < 0 || static_cast<size_t>(s.current) >= s.tools.size() || !s.active) return;
  const Tool& t = s.tools[static_cast<size_t>(s.current)];
  if (t.text.empty()) return;
  HDC dc = GetDC(tip);
  HGDIOBJ old = SelectObject(dc, s.font ? s.font : GetStockObject(DEFAULT_GUI_FONT));
  RECT rc{0, 0, s.maxWidth > 0 ? s.maxWidth : 0, 0};
  UINT flags = DT_CALCRECT | DT_NOPREFIX | (s.maxWidth > 0 ? DT_WORDBREAK : DT_SINGLELINE);
  DrawTextA(dc, t.text.c_str(), static_cast<int>(t.text.size()), &rc, flags);
  SelectObject(dc, old);
  ReleaseDC(tip, dc);
  POINT pt;
  GetCursorPos(&pt);
  int w = rc.right + 8, h = rc.bottom + 6;
  int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  int x = std::clamp(static_cast<int>(pt.x), 0, std::max(0, sw - w));
  int y = pt.y + 20;
  if (y + h > sh) y = std::max(0, static_cast<int>(pt.y) - h - 2);
  SetWindowPos(tip, HWND_TOPMOST, x, y, w, h, SWP_NOACTIVATE);
  ShowWindow(tip, SW_SHOWNOACTIVATE);
  InvalidateRect(tip, nullptr, TRUE);
  s.shown = true;
  SetTimer(tip, TIMER_POP, s.autopop, nullptr);
}

void Relay(HWND tip, const MSG& msg) {
  TipState* s = State(tip);
  if (!s) return;
  switch (msg.message) {
    case WM_MOUSEMOVE: {
      POINT client{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
      int tool = ToolAt(*s, msg.hwnd, client);
      if (tool == s->current) return;
      Hide(tip, *s);
      s->current = tool;
      if (tool >= 0 && s->active) {
        SetTimer(tip, TIMER_SHOW, s->initial, nullptr);
        TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, msg.hwnd, 0};
        TrackMouseEvent(&tme);
      }
      return;
    }
    case WM_MOUSELEAVE:
      Hide(tip, *s);
      s->current = -1;
      return;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
      Hide(tip, *s);
      return;
    default:
      return;
  }
}

LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto it = g_subclassed.find(hwnd);
  if (it == g_subclassed.end()) return DefWindowProcA(hwnd, message, wParam, lParam);
  auto [original, tip] = it->second;
  if ((message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) || message == WM_MOUSELEAVE) {
    MSG msg{hwnd, message, wParam, lParam, 0, {}};
    if (IsWindow(tip)) Relay(tip, msg);
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
    g_subclassed.erase(hwnd);
  }
  return CallWindowProcA(original, hwnd, message, wParam, lParam);
}

LRESULT CALLBACK TooltipProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  TipState* s = State(hwnd);
  switch (message) {
    case WM_NCCREATE: {
      SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(new TipState));
      // A tip is always a top-most pop-up without a frame, whatever style its creator gave.
      LONG style = GetWindowLongA(hwnd, GWL_STYLE);
      SetWindowLongA(hwnd, GWL_STYLE, (style & ~static_cast<LONG>(WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_BORDER)) | static_cast<LONG>(WS_POPUP));
      SetWindowLongA(hwnd, GWL_EXSTYLE, GetWindowLongA(hwnd, GWL_EXSTYLE) | WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
      return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    case WM_NCDESTROY:
      for (auto it = g_subclassed.begin(); it != g_subclassed.end(); ++it) {
        if (it->second.second == hwnd) it->second.second = nullptr;
      }
      delete s;
      SetWindowLongPtrA(hwnd, 0, 0);
      return DefWindowProcA(hwnd, message, wParam, lParam);
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_NCHITTEST:
      return HTTRANSPARENT;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT rc;
      GetClientRect(hwnd, &rc);
      FillRect(dc, &rc, GetSysColorBrush(COLOR_INFOBK));
      HBRUSH frame = CreateSolidBrush(GetSysColor(COLOR_INFOTEXT));
      FrameRect(dc, &rc, frame);
      DeleteObject(frame);
      if (s && s->current >= 0 && static_cast<size_t>(s->current) < s->tools.size()) {
        const std::string& text = s->tools[static_cast<size_t>(s->current)].text;
        HGDIOBJ old = SelectObject(dc, s->font ? s->font : GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
        RECT t = rc;
        InflateRect(&t, -4, -3);
        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &t, DT_NOPREFIX | (s->maxWidth > 0 ? DT_WORDBREAK : DT_SINGLELINE));
        SelectObject(dc, old);
      }
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_TIMER:
      if (!s) return 0;
      if (wParam == TIMER_SHOW) {
        KillTimer(hwnd, TIMER_SHOW);
        Show(hwnd, *s);
      } else if (wParam == TIMER_POP) {
        Hide(hwnd, *s);
      }
      return 0;
    case WM_SETFONT:
      if (s) s->font = reinterpret_cast<HFONT>(wParam);
      return 0;
    case TTM_ADDTOOLA: {
      auto* ti = reinterpret_cast<const TOOLINFOA*>(lParam);
      if (!s || !ti) return FALSE;
      Tool t;
      t.flags = ti->uFlags;
      t.hwnd = ti->hwnd;
      t.id = ti->uId;
      t.rect = ti->rect;
      if (ti->lpszText && ti->lpszText != LPSTR_TEXTCALLBACKA && !IS_INTRESOURCE(ti->lpszText)) t.text = ti->lpszText;
      int existing = FindTool(*s, t.hwnd, t.id);
      if (existing >= 0) s->tools[static_cast<size_t>(existing)] = t;
      else s->tools.push_back(t);
      if (t.flags & TTF_SUBCLASS) {
        HWND watched = (t.flags & TTF_IDISHWND) ? reinterpret_cast<HWND>(t.id) : t.hwnd;
        if (IsWindow(watched) && !g_subclassed.count(watched)) {
          auto original = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(watched, GWLP_WNDPROC));
          g_subclassed[watched] = {original, hwnd};
          SetWindowLongPtrA(watched, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProc));
        }
      }
      return TRUE;
    }
    case TTM_DELTOOLA: {
      auto* ti = reinterpret_cast<const TOOLINFOA*>(lParam);
      if (!s || !ti) return 0;
      int i = FindTool(*s, ti->hwnd, ti->uId);
      if (i < 0) return 0;
      if (i == s->current) {
        Hide(hwnd, *s);
        s->current = -1;
      } else if (i < s->current) {
        --s->current;
      }
      s->tools.erase(s->tools.begin() + i);
      return 0;
    }
    case TTM_NEWTOOLRECTA:
    case TTM_UPDATETIPTEXTA:
    case TTM_GETTOOLINFOA: {
      auto* ti = reinterpret_cast<TOOLINFOA*>(lParam);
      if (!s || !ti) return FALSE;
      int i = FindTool(*s, ti->hwnd, ti->uId);
      if (i < 0) return FALSE;
      Tool& t = s->tools[static_cast<size_t>(i)];
      if (message == TTM_NEWTOOLRECTA) {
        t.rect = ti->rect;
      } else if (message == TTM_UPDATETIPTEXTA) {
        t.text = ti->lpszText && ti->lpszText != LPSTR_TEXTCALLBACKA && !IS_INTRESOURCE(ti->lpszText) ? ti->lpszText : "";
        if (s->shown && i == s->current) Show(hwnd, *s);
      } else {
        ti->uFlags = t.flags;
        ti->rect = t.rect;
        // The caller's buffer must hold 80 bytes, as Win32 documents for this message.
        if (ti->lpszText && ti->lpszText != LPSTR_TEXTCALLBACKA) {
          size_t n = std::min<size_t>(t.text.size(), 79);
          std::copy_n(t.text.data(), n, ti->lpszText);
          ti->lpszText[n] = 0;
        }
      }
      return TRUE;
    }
    case TTM_GETTOOLCOUNT:
      return s ? static_cast<LRESULT>(s->tools.size()) : 0;
    case TTM_ACTIVATE:
      if (!s) return 0;
      s->active = wParam != 0;
      if (!s->active) Hide(hwnd, *s);
      return 0;
    case TTM_RELAYEVENT:
      if (lParam) Relay(hwnd, *reinterpret_cast<const MSG*>(lParam));
      return 0;
    case TTM_SETMAXTIPWIDTH: {
      if (!s) return -1;
      int old = s->maxWidth;
      s->maxWidth = static_cast<int>(lParam);
      return old;
    }
    case TTM_GETMAXTIPWIDTH:
      return s ? s->maxWidth : -1;
    case TTM_SETDELAYTIME: {
      if (!s) return 0;
      int value = static_cast<int>(static_cast<short>(LOWORD(lParam)));
      UINT ms = value < 0 ? 500 : static_cast<UINT>(value);
      if (wParam == TTDT_INITIAL) s->initial = ms;
      else if (wParam == TTDT_AUTOPOP) s->autopop = value < 0 ? 5000 : ms;
      else if (wParam == TTDT_AUTOMATIC) {
        s->initial = ms;
        s->autopop = ms * 10;
      }
      return 0;
    }
    case TTM_POP:
      if (s) Hide(hwnd, *s);
      return 0;
    case TTM_POPUP:
      if (s && s->current >= 0) Show(hwnd, *s);
      return TRUE;
    default:
      return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

}  // namespace

namespace platform {

void RegisterTooltipClass() {
  WNDCLASSA wc{};
  wc.style = CS_SAVEBITS | CS_GLOBALCLASS;
  wc.lpfnWndProc = TooltipProc;
  wc.cbWndExtra = sizeof(void*);
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.lpszClassName = TOOLTIPS_CLASSA;
  RegisterClassA(&wc);
}

}  // namespace platform
