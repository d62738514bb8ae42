// The "ListBox" control (single selection) and "ComboLBox", the same list serving as a combo
// box's drop-down.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/base/Gbk.h"
#include "platform/base/RectUtil.h"
#include "platform/gdi/Text.h"
#include "platform/user/User.h"
#include "platform/user/controls/ControlSupport.h"

namespace platform::controls {
namespace {

struct Item {
  std::string text;
  ULONG_PTR data = 0;
};

struct ListState {
  HFONT font = nullptr;
  std::vector<Item> items;
  int sel = -1;
  int top = 0;
  int itemHeight = 0;
  bool focus = false;
  bool mouseDown = false;
  HWND combo = nullptr;  // set for a combo box's drop-down
  bool wantsBar = false;  // WS_VSCROLL was asked for: the bar comes and goes with the items
};

DWORD StyleOf(HWND hwnd) { return static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)); }
int Count(const ListState& s) { return static_cast<int>(s.items.size()); }

int Visible(HWND hwnd, const ListState& s) {
  RECT rc{};
  GetClientRect(hwnd, &rc);
  return std::max(1, RectHeight(rc) / std::max(1, s.itemHeight));
}

int MaxTop(HWND hwnd, const ListState& s) { return std::max(0, Count(s) - Visible(hwnd, s)); }

void UpdateScrollBar(HWND hwnd, ListState& s) {
  if (!s.wantsBar) return;
  UINT mask = SIF_RANGE | SIF_PAGE | SIF_POS;
  if (StyleOf(hwnd) & LBS_DISABLENOSCROLL) mask |= SIF_DISABLENOSCROLL;
  SCROLLINFO si{sizeof(SCROLLINFO), mask, 0, std::max(0, Count(s) - 1), static_cast<UINT>(Visible(hwnd, s)), s.top, 0};
  SetScrollInfo(hwnd, SB_VERT, &si, TRUE);
}

void SetTop(HWND hwnd, ListState& s, int top) {
  top = std::clamp(top, 0, MaxTop(hwnd, s));
  if (top == s.top) return;
  s.top = top;
  UpdateScrollBar(hwnd, s);
  InvalidateRect(hwnd, nullptr, TRUE);
}

void EnsureVisible(HWND hwnd, ListState& s, int index) {
  if (index < 0) return;
  if (index < s.top) SetTop(hwnd, s, index);
  else if (index >= s.top + Visible(hwnd, s)) SetTop(hwnd, s, index - Visible(hwnd, s) + 1);
}

RECT ItemRect(HWND hwnd, const ListState& s, int index) {
  RECT rc{};
  GetClientRect(hwnd, &rc);
  int y = (index - s.top) * s.itemHeight;
  return RECT{rc.left, y, rc.right, y + s.itemHeight};
}

int ItemAt(HWND hwnd, const ListState& s, POINT pt) {
  RECT rc{};
  GetClientRect(hwnd, &rc);
  if (!PtInRect(&rc, pt)) return -1;
  int index = s.top + pt.y / std::max(1, s.itemHeight);
  return index < Count(s) ? index : -1;
}

bool OwnerDraw(HWND hwnd) { return (StyleOf(hwnd) & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) != 0; }

// An owner-drawn list asks its parent to draw each visible item (and the empty list's focus).
void PaintOwnerDrawn(HWND hwnd, HDC dc, ListState& s, const RECT& rc, HBRUSH brush) {
  FillRect(dc, &rc, brush);
  HWND parent = GetParent(hwnd);
  if (!parent) return;
  DRAWITEMSTRUCT dis{};
  dis.CtlType = ODT_LISTBOX;
  dis.CtlID = static_cast<UINT>(ControlId(hwnd));
  dis.hwndItem = hwnd;
  dis.hDC = dc;
  dis.itemAction = ODA_DRAWENTIRE;
  bool enabled = IsWindowEnabled(hwnd) != 0;
  if (s.items.empty()) {
    if (!s.focus) return;
    dis.itemID = static_cast<UINT>(-1);
    dis.itemAction = ODA_FOCUS;
    dis.itemState = ODS_FOCUS;
    dis.rcItem = ItemRect(hwnd, s, 0);
    SendMessageA(parent, WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
    return;
  }
  for (int i = s.top; i < Count(s); ++i) {
    RECT r = ItemRect(hwnd, s, i);
    if (r.top >= rc.bottom) break;
    dis.itemID = static_cast<UINT>(i);
    dis.rcItem = r;
    dis.itemData = s.items[static_cast<size_t>(i)].data;
    dis.itemState = (i == s.sel ? ODS_SELECTED : 0) | (i == s.sel && s.focus ? ODS_FOCUS : 0) | (enabled ? 0 : ODS_DISABLED);
    SendMessageA(parent, WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
  }
}

void Paint(HWND hwnd, HDC dc, ListState& s) {
  RECT rc{};
  GetClientRect(hwnd, &rc);
  HGDIOBJ oldFont = SelectObject(dc, FontOr(s.font));
  HBRUSH brush = ControlBrush(hwnd, dc, WM_CTLCOLORLISTBOX);
  if (OwnerDraw(hwnd)) {
    PaintOwnerDrawn(hwnd, dc, s, rc, brush);
    SelectObject(dc, oldFont);
    return;
  }
  COLORREF text = IsWindowEnabled(hwnd) ? GetTextColor(dc) : GetSysColor(COLOR_GRAYTEXT);
  FillRect(dc, &rc, brush);
  SetBkMode(dc, TRANSPARENT);
  for (int i = s.top; i < Count(s); ++i) {
    RECT r = ItemRect(hwnd, s, i);
    if (r.top >= rc.bottom) break;
    bool selected = i == s.sel;
    if (selected) FillSolidRect(dc, &r, GetSysColor(COLOR_HIGHLIGHT));
    SetTextColor(dc, selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : text);
    RECT t = r;
    t.left += 2;
    const std::string& str = s.items[static_cast<size_t>(i)].text;
    DrawTextA(dc, str.c_str(), static_cast<int>(str.size()), &t, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_EXPANDTABS);
    if (selected && s.focus && !s.combo) DrawFocusRect(dc, &r);
  }
  SelectObject(dc, oldFont);
}

int Insert(HWND hwnd, ListState& s, int index, const char* text) {
  Item item;
  DWORD style = StyleOf(hwnd);
  bool strings = !(style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) || (style & LBS_HASSTRINGS);
  if (strings) item.text = text ? text : "";
  else item.data = reinterpret_cast<ULONG_PTR>(text);
  if (index == -2) {
    // LB_ADDSTRING: sorted lists keep their order, others add at the end.
    index = Count(s);
    if ((style & LBS_SORT) && strings) {
      index = 0;
      while (index < Count(s) && CompareNoCase(s.items[static_cast<size_t>(index)].text, item.text) <= 0) ++index;
    }
  }
  if (index < 0) index = Count(s);
  if (index > Count(s)) return LB_ERR;
  s.items.insert(s.items.begin() + index, std::move(item));
  if (s.sel >= index) ++s.sel;
  UpdateScrollBar(hwnd, s);
  InvalidateRect(hwnd, nullptr, TRUE);
  return index;
}

int Find(const ListState& s, int after, const char* text, bool exact) {
  if (!text || Count(s) == 0) return LB_ERR;
  std::string wanted = text;
  int start = (after < -1 || after >= Count(s)) ? -1 : after;
  for (int n = 0; n < Count(s); ++n) {
    int i = (start + 1 + n) % Count(s);
    const std::string& t = s.items[static_cast<size_t>(i)].text;
    if (exact ? CompareNoCase(t, wanted) == 0 : StartsWithNoCase(t, wanted)) return i;
  }
  return LB_ERR;
}

void Select(HWND hwnd, ListState& s, int index, bool notify) {
  if (index >= Count(s)) index = Count(s) - 1;
  if (index == s.sel) return;
  s.sel = index;
  EnsureVisible(hwnd, s, index);
  InvalidateRect(hwnd, nullptr, TRUE);
  // A combo box's list tells its combo box only of choices (WM_PRIVATE_LIST_DONE).
  if (notify && !s.combo && (StyleOf(hwnd) & LBS_NOTIFY)) Notify(hwnd, LBN_SELCHANGE);
}

}  // namespace

LRESULT CALLBACK ListBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* st = new ListState;
    st->itemHeight = FontHeight(nullptr);
    auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
    st->wantsBar = cs && (cs->style & WS_VSCROLL);
    SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(st));
    return DefWindowProcA(hwnd, message, wParam, lParam);
  }
  ListState* s = StateOf<ListState>(hwnd);
  if (message == WM_NCDESTROY) {
    delete s;
    SetWindowLongPtrA(hwnd, 0, 0);
    return DefWindowProcA(hwnd, message, wParam, lParam);
  }
  if (!s) return DefWindowProcA(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_CREATE: {
      DWORD style = StyleOf(hwnd);
      if (style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) {
        MEASUREITEMSTRUCT mis{ODT_LISTBOX, static_cast<UINT>(ControlId(hwnd)), 0, 0, static_cast<UINT>(s->itemHeight), 0};
        if (HWND parent = GetParent(hwnd)) SendMessageA(parent, WM_MEASUREITEM, mis.CtlID, reinterpret_cast<LPARAM>(&mis));
        if (mis.itemHeight > 0 && mis.itemHeight < 256) s->itemHeight = static_cast<int>(mis.itemHeight);
      }
      UpdateScrollBar(hwnd, *s);
      return 0;
    }
    case WM_SIZE:
      SetTop(hwnd, *s, s->top);
      UpdateScrollBar(hwnd, *s);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      Paint(hwnd, dc, *s);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFONT:
      s->font = reinterpret_cast<HFONT>(wParam);
      if (!(StyleOf(hwnd) & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE))) s->itemHeight = FontHeight(s->font);
      UpdateScrollBar(hwnd, *s);
      if (LOWORD(lParam)) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(s->font);
    case WM_ENABLE:
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      s->focus = message == WM_SETFOCUS;
      InvalidateRect(hwnd, nullptr, TRUE);
      if (!s->combo && (StyleOf(hwnd) & LBS_NOTIFY)) Notify(hwnd, s->focus ? LBN_SETFOCUS : LBN_KILLFOCUS);
      return 0;
    case WM_LBUTTONDOWN: {
      POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      int index = ItemAt(hwnd, *s, pt);
      if (s->combo) {
        RECT rc{};
        GetClientRect(hwnd, &rc);
        // A press outside the drop-down closes it without a choice.
        if (!PtInRect(&rc, pt)) {
          RECT window{};
          GetWindowRect(hwnd, &window);
          POINT screen = pt;
          ClientToScreen(hwnd, &screen);
          if (!PtInRect(&window, screen)) {
            SendMessageA(s->combo, WM_PRIVATE_LIST_DONE, FALSE, 0);
          } else if (StyleOf(hwnd) & WS_VSCROLL) {
            // The list's own scroll bar: tracked here, as the capture keeps the press from
            // reaching the frame; the list then takes the capture back.
            TrackWindowScrollBar(hwnd, SB_VERT, screen);
            if (IsWindow(hwnd) && IsWindowVisible(hwnd)) SetCapture(hwnd);
          }
          return 0;
        }
        s->mouseDown = true;
        if (index >= 0) Select(hwnd, *s, index, false);
        return 0;
      }
      if (GetFocus() != hwnd) SetFocus(hwnd);
      s = StateOf<ListState>(hwnd);
      if (!s) return 0;
      s->mouseDown = true;
      SetCapture(hwnd);
      if (index >= 0) Select(hwnd, *s, index, true);
      return 0;
    }
    case WM_MOUSEMOVE: {
      POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      // The drop-down follows the pointer; a plain list follows it while the button is down.
      if (s->combo || s->mouseDown) {
        int index = ItemAt(hwnd, *s, pt);
        if (index >= 0) Select(hwnd, *s, index, !s->combo);
      }
      return 0;
    }
    case WM_LBUTTONUP: {
      POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (s->combo) {
        int index = ItemAt(hwnd, *s, pt);
        if (index >= 0) {
          Select(hwnd, *s, index, false);
          SendMessageA(s->combo, WM_PRIVATE_LIST_DONE, TRUE, 0);
        }
        return 0;
      }
      if (s->mouseDown) {
        s->mouseDown = false;
        ReleaseCapture();
      }
      return 0;
    }
    case WM_CAPTURECHANGED:
      s->mouseDown = false;
      return 0;
    case WM_LBUTTONDBLCLK: {
      if (s->combo) return ListBoxProc(hwnd, WM_LBUTTONDOWN, wParam, lParam);
      POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      int index = ItemAt(hwnd, *s, pt);
      if (index >= 0) {
        Select(hwnd, *s, index, true);
        if (StyleOf(hwnd) & LBS_NOTIFY) Notify(hwnd, LBN_DBLCLK);
      }
      return 0;
    }
    case WM_KEYDOWN: {
      int target = s->sel;
      int page = std::max(1, Visible(hwnd, *s) - 1);
      switch (wParam) {
        case VK_UP: case VK_LEFT: target = s->sel < 0 ? 0 : s->sel - 1; break;
        case VK_DOWN: case VK_RIGHT: target = s->sel + 1; break;
        case VK_PRIOR: target = s->sel - page; break;
        case VK_NEXT: target = s->sel + page; break;
        case VK_HOME: target = 0; break;
        case VK_END: target = Count(*s) - 1; break;
        default: return DefWindowProcA(hwnd, message, wParam, lParam);
      }
      if (Count(*s) == 0) return 0;
      target = std::clamp(target, 0, Count(*s) - 1);
      Select(hwnd, *s, target, true);
      return 0;
    }
    case WM_CHAR: {
      // A typed character selects the next item that starts with it.
      if (wParam < 0x20 || wParam >= 0x80 || Count(*s) == 0) return 0;
      char prefix[2] = {static_cast<char>(wParam), 0};
      int index = Find(*s, s->sel, prefix, false);
      if (index >= 0) Select(hwnd, *s, index, true);
      return 0;
    }
    case WM_MOUSEWHEEL: {
      int notches = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
      SetTop(hwnd, *s, s->top - 3 * notches);
      return 0;
    }
    case WM_VSCROLL: {
      int visible = Visible(hwnd, *s);
      switch (LOWORD(wParam)) {
        case SB_LINEUP: SetTop(hwnd, *s, s->top - 1); break;
        case SB_LINEDOWN: SetTop(hwnd, *s, s->top + 1); break;
        case SB_PAGEUP: SetTop(hwnd, *s, s->top - visible); break;
        case SB_PAGEDOWN: SetTop(hwnd, *s, s->top + visible); break;
        case SB_TOP: SetTop(hwnd, *s, 0); break;
        case SB_BOTTOM: SetTop(hwnd, *s, Count(*s)); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: SetTop(hwnd, *s, static_cast<int>(HIWORD(wParam))); break;
        default: break;
      }
      return 0;
    }
    case LB_ADDSTRING:
      return Insert(hwnd, *s, -2, reinterpret_cast<const char*>(lParam));
    case LB_INSERTSTRING:
      return Insert(hwnd, *s, static_cast<int>(wParam), reinterpret_cast<const char*>(lParam));
    case LB_DELETESTRING: {
      int index = static_cast<int>(wParam);
      if (index < 0 || index >= Count(*s)) return LB_ERR;
      s->items.erase(s->items.begin() + index);
      if (s->sel == index) s->sel = -1;
      else if (s->sel > index) --s->sel;
      s->top = std::clamp(s->top, 0, MaxTop(hwnd, *s));
      UpdateScrollBar(hwnd, *s);
      InvalidateRect(hwnd, nullptr, TRUE);
      return Count(*s);
    }
    case LB_RESETCONTENT:
      s->items.clear();
      s->sel = -1;
      s->top = 0;
      UpdateScrollBar(hwnd, *s);
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case LB_GETCOUNT:
      return Count(*s);
    case LB_GETCURSEL:
    case LB_GETCARETINDEX:
      return s->sel;
    case LB_SETCURSEL: {
      int index = static_cast<int>(wParam);
      if (index < 0 || index >= Count(*s)) {
        s->sel = -1;
        InvalidateRect(hwnd, nullptr, TRUE);
        return LB_ERR;
      }
      Select(hwnd, *s, index, false);
      return index;
    }
    case LB_GETSEL:
      return static_cast<int>(wParam) == s->sel && s->sel >= 0 ? 1 : (static_cast<int>(wParam) < Count(*s) ? 0 : LB_ERR);
    case LB_GETTEXT: {
      int index = static_cast<int>(wParam);
      char* buffer = reinterpret_cast<char*>(lParam);
      if (index < 0 || index >= Count(*s) || !buffer) return LB_ERR;
      const std::string& t = s->items[static_cast<size_t>(index)].text;
      memcpy(buffer, t.c_str(), t.size() + 1);
      return static_cast<LRESULT>(t.size());
    }
    case LB_GETTEXTLEN: {
      int index = static_cast<int>(wParam);
      if (index < 0 || index >= Count(*s)) return LB_ERR;
      return static_cast<LRESULT>(s->items[static_cast<size_t>(index)].text.size());
    }
    case LB_GETITEMDATA: {
      int index = static_cast<int>(wParam);
      if (index < 0 || index >= Count(*s)) return LB_ERR;
      return static_cast<LRESULT>(s->items[static_cast<size_t>(index)].data);
    }
    case LB_SETITEMDATA: {
      int index = static_cast<int>(wParam);
      if (index < 0 || index >= Count(*s)) return LB_ERR;
      s->items[static_cast<size_t>(index)].data = static_cast<ULONG_PTR>(lParam);
      return TRUE;
    }
    case LB_FINDSTRING:
      return Find(*s, static_cast<int>(wParam), reinterpret_cast<const char*>(lParam), false);
    case LB_FINDSTRINGEXACT:
      return Find(*s, static_cast<int>(wParam), reinterpret_cast<const char*>(lParam), true);
    case LB_SELECTSTRING: {
      int index = Find(*s, static_cast<int>(wParam), reinterpret_cast<const char*>(lParam), false);
      if (index >= 0) Select(hwnd, *s, index, false);
      return index;
    }
    case LB_GETTOPINDEX:
      return s->top;
    case LB_SETTOPINDEX: {
      int index = static_cast<int>(wParam);
      if (index < 0 || (index >= Count(*s) && Count(*s) > 0)) return LB_ERR;
      SetTop(hwnd, *s, index);
      return LB_OKAY;
    }
    case LB_GETITEMHEIGHT:
      return s->itemHeight;
    case LB_SETITEMHEIGHT: {
      int h = LOWORD(lParam);
      if (h <= 0 || h > 255) return LB_ERR;
      s->itemHeight = h;
      UpdateScrollBar(hwnd, *s);
      InvalidateRect(hwnd, nullptr, TRUE);
      return LB_OKAY;
    }
    case LB_GETITEMRECT: {
      int index = static_cast<int>(wParam);
      auto* r = reinterpret_cast<RECT*>(lParam);
      if (!r || index < 0 || (index >= Count(*s) && index != 0)) return LB_ERR;
      *r = ItemRect(hwnd, *s, index);
      return LB_OKAY;
    }
    case LB_ITEMFROMPOINT: {
      // The nearest item in the low word; the high word is 1 when the point is outside the
      // client area.
      POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      RECT rc{};
      GetClientRect(hwnd, &rc);
      int outside = PtInRect(&rc, pt) ? 0 : 1;
      int index = s->top + (pt.y < 0 ? -1 : pt.y / std::max(1, s->itemHeight));
      if (index >= Count(*s)) {
        index = Count(*s) - 1;
        outside = 1;
      }
      index = std::max(index, 0);
      return MAKELRESULT(index, outside);
    }
    case WM_PRIVATE_EDIT_COMBO:
      s->combo = reinterpret_cast<HWND>(wParam);
      return 0;
    default:
      return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

}  // namespace platform::controls
