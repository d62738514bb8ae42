// The "ComboBox" control: CBS_DROPDOWN (an edit child and a list) and CBS_DROPDOWNLIST (a
// selection field and a list). The list lives in a "ComboLBox" pop-up window that is shown below
// the combo box on demand and closes on a choice, an outside click or Escape.
#include <algorithm>
#include <cstring>
#include <string>

#include "platform/base/Gbk.h"
#include "platform/base/RectUtil.h"
#include "platform/gdi/Text.h"
#include "platform/user/User.h"
#include "platform/user/controls/ControlSupport.h"

namespace platform::controls {
namespace {

constexpr int EDIT_ID = 1001;  // the id Win32 gives a combo box's edit

struct ComboState {
  HFONT font = nullptr;
  HWND edit = nullptr;
  HWND list = nullptr;
  bool dropped = false;
  bool focus = false;
  bool buttonDown = false;
  int fieldHeight = 0;   // the selection field's height (CB_GETITEMHEIGHT -1)
  int dropHeight = 0;    // the height the combo box was created with: field plus list
  int notifiedSel = -1;  // the selection the parent last heard of while the list was down
  bool sizing = false;
};

DWORD StyleOf(HWND hwnd) { return static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)); }
DWORD TypeOf(HWND hwnd) { return StyleOf(hwnd) & 3; }

int ClosedHeight(const ComboState& s) { return s.fieldHeight + 6; }

RECT ButtonRect(HWND hwnd) {
  RECT rc{};
  GetClientRect(hwnd, &rc);
  InflateRect(&rc, -2, -2);
  rc.left = std::max<LONG>(rc.left, rc.right - GetSystemMetrics(SM_CXVSCROLL));
  return rc;
}

RECT FieldRect(HWND hwnd) {
  RECT rc{};
  GetClientRect(hwnd, &rc);
  InflateRect(&rc, -2, -2);
  rc.right = ButtonRect(hwnd).left;
  return rc;
}

int CurSel(const ComboState& s) { return static_cast<int>(SendMessageA(s.list, LB_GETCURSEL, 0, 0)); }

std::string ItemText(const ComboState& s, int index) {
  LRESULT n = SendMessageA(s.list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (n < 0) return "";
  std::string text(static_cast<size_t>(n) + 1, '\0');
  SendMessageA(s.list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(n));
  return text;
}

// The edit shows the selected item, selected whole, without telling the parent of a change.
void EditFromSelection(HWND hwnd, ComboState& s) {
  if (!s.edit) {
    InvalidateRect(hwnd, nullptr, TRUE);
    return;
  }
  int sel = CurSel(s);
  std::string text = sel >= 0 ? ItemText(s, sel) : "";
  HWND edit = s.edit;
  s.edit = nullptr;  // its EN_ notifications now are not the user's
  SetWindowTextA(edit, text.c_str());
  s.edit = edit;
  SendMessageA(edit, EM_SETSEL, 0, -1);
}

void Paint(HWND hwnd, HDC dc, ComboState& s) {
  RECT rc{};
  GetClientRect(hwnd, &rc);
  bool enabled = IsWindowEnabled(hwnd) != 0;
  HGDIOBJ oldFont = SelectObject(dc, FontOr(s.font));
  // The frame: a sunken edge around the field and the button, as a classic combo box.
  HBRUSH brush = ControlBrush(hwnd, dc, WM_CTLCOLOREDIT);
  COLORREF text = GetTextColor(dc);
  RECT inner = rc;
  FillRect(dc, &inner, enabled ? brush : GetSysColorBrush(COLOR_BTNFACE));
  DrawEdge(dc, &inner, EDGE_SUNKEN, BF_RECT);
  RECT button = ButtonRect(hwnd);
  DrawFrameControl(dc, &button, DFC_SCROLL, DFCS_SCROLLDOWN | (s.buttonDown ? DFCS_PUSHED | DFCS_FLAT : 0) |
                                               (enabled ? 0 : DFCS_INACTIVE));
  if (TypeOf(hwnd) == CBS_DROPDOWNLIST) {
    RECT field = FieldRect(hwnd);
    InflateRect(&field, -1, -1);
    int sel = CurSel(s);
    bool highlight = s.focus && !s.dropped;
    if (highlight) FillSolidRect(dc, &field, GetSysColor(COLOR_HIGHLIGHT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, !enabled ? GetSysColor(COLOR_GRAYTEXT) : highlight ? GetSysColor(COLOR_HIGHLIGHTTEXT) : text);
    if (sel >= 0) {
      std::string t = ItemText(s, sel);
      RECT tr = field;
      tr.left += 2;
      DrawTextA(dc, t.c_str(), static_cast<int>(t.size()), &tr, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    }
    if (highlight) DrawFocusRect(dc, &field);
  }
  SelectObject(dc, oldFont);
}

void Layout(HWND hwnd, ComboState& s) {
  if (!s.edit) return;
  RECT field = FieldRect(hwnd);
  InflateRect(&field, -1, -1);
  MoveWindow(s.edit, field.left, field.top, RectWidth(field), RectHeight(field), TRUE);
}

void CloseUp(HWND hwnd, ComboState& s, bool chosen) {
  if (!s.dropped) return;
  s.dropped = false;
  s.buttonDown = false;
  if (GetCapture() == s.list) ReleaseCapture();
  int sel = CurSel(s);
  // Closed without a choice, the list goes back to what the parent knows: where the mouse
  // pointed is forgotten, steps made with the keys (already told) stay.
  if (!chosen) SendMessageA(s.list, LB_SETCURSEL, static_cast<WPARAM>(s.notifiedSel), 0);
  ShowWindow(s.list, SW_HIDE);
  InvalidateRect(hwnd, nullptr, TRUE);
  if (chosen) {
    // The parent hears of the new selection before the edit shows it, as in Win32.
    if (sel != s.notifiedSel) Notify(hwnd, CBN_SELCHANGE);
    if (!IsWindow(hwnd)) return;
    EditFromSelection(hwnd, s);
    Notify(hwnd, CBN_SELENDOK);
  } else {
    Notify(hwnd, CBN_SELENDCANCEL);
  }
  if (!IsWindow(hwnd)) return;
  Notify(hwnd, CBN_CLOSEUP);
}

void DropDown(HWND hwnd, ComboState& s) {
  if (s.dropped) return;
  Notify(hwnd, CBN_DROPDOWN);
  if (!IsWindow(hwnd)) return;
  if (s.edit) {
    // The list opens on the item the edit's text starts.
    int len = GetWindowTextLengthA(s.edit);
    std::string text(static_cast<size_t>(len) + 1, '\0');
    GetWindowTextA(s.edit, text.data(), len + 1);
    text.resize(static_cast<size_t>(len));
    int found = text.empty() ? -1 : static_cast<int>(SendMessageA(s.list, LB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str())));
    SendMessageA(s.list, LB_SETCURSEL, static_cast<WPARAM>(found), 0);
  }
  s.notifiedSel = CurSel(s);
  RECT window{};
  GetWindowRect(hwnd, &window);
  int itemHeight = static_cast<int>(SendMessageA(s.list, LB_GETITEMHEIGHT, 0, 0));
  int count = static_cast<int>(SendMessageA(s.list, LB_GETCOUNT, 0, 0));
  int room = std::max(s.dropHeight - RectHeight(window), itemHeight + 2);
  // The list is no taller than its items need, and shows whole items unless told otherwise.
  int height = std::min(room, std::max(count, 1) * itemHeight + 2);
  if (!(StyleOf(hwnd) & CBS_NOINTEGRALHEIGHT)) height = std::max(1, (height - 2) / itemHeight) * itemHeight + 2;
  int y = window.bottom;
  RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (y + height > screen.bottom && window.top - height >= 0) y = window.top - height;
  SetWindowPos(s.list, HWND_TOPMOST, window.left, y, RectWidth(window), height,
               SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_FRAMECHANGED);
  int sel = CurSel(s);
  if (sel >= 0) SendMessageA(s.list, LB_SETTOPINDEX, static_cast<WPARAM>(sel), 0);
  s.dropped = true;
  InvalidateRect(hwnd, nullptr, TRUE);
  // The list holds the mouse while it is down, so that a click anywhere else closes it.
  SetCapture(s.list);
}

// Keyboard selection: moves the selection, shows it and tells the parent.
void StepSelection(HWND hwnd, ComboState& s, int target) {
  int count = static_cast<int>(SendMessageA(s.list, LB_GETCOUNT, 0, 0));
  if (count == 0) return;
  target = std::clamp(target, 0, count - 1);
  if (target == CurSel(s)) return;
  SendMessageA(s.list, LB_SETCURSEL, static_cast<WPARAM>(target), 0);
  // Open or closed, a step with the keys is a selection the parent hears of at once.
  if (s.dropped) s.notifiedSel = target;
  EditFromSelection(hwnd, s);
  InvalidateRect(hwnd, nullptr, TRUE);
  Notify(hwnd, CBN_SELCHANGE);
}

LRESULT ToList(const ComboState& s, UINT message, WPARAM wParam, LPARAM lParam) {
  return SendMessageA(s.list, message, wParam, lParam);
}

}  // namespace

bool IsComboBox(HWND hwnd) {
  char name[16] = {};
  GetClassNameA(hwnd, name, sizeof name);
  return ClassNameEquals("ComboBox", name);
}

bool ComboDropped(HWND combo) { return IsComboBox(combo) && SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0) != 0; }

LRESULT CALLBACK ComboBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* st = new ComboState;
    st->fieldHeight = FontHeight(nullptr) + 2;
    auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
    st->dropHeight = cs ? cs->cy : 0;
    SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(st));
    // WS_VSCROLL and WS_HSCROLL are meant for the list, not for the combo box's own frame.
    DWORD style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
    if (style & (WS_VSCROLL | WS_HSCROLL)) SetWindowLongA(hwnd, GWL_STYLE, static_cast<LONG>(style & ~(WS_VSCROLL | WS_HSCROLL)));
    return DefWindowProcA(hwnd, message, wParam, lParam);
  }
  ComboState* s = StateOf<ComboState>(hwnd);
  if (message == WM_NCDESTROY) {
    if (s && s->list && IsWindow(s->list)) DestroyWindow(s->list);
    delete s;
    SetWindowLongPtrA(hwnd, 0, 0);
    return DefWindowProcA(hwnd, message, wParam, lParam);
  }
  if (!s) return DefWindowProcA(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_CREATE: {
      DWORD style = StyleOf(hwnd);
      // The list shows its scroll bar when its items need it.
      DWORD listStyle = WS_POPUP | WS_BORDER | WS_VSCROLL | LBS_NOTIFY | LBS_HASSTRINGS;
      if (style & CBS_SORT) listStyle |= LBS_SORT;
      s->list = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "ComboLBox", "", listStyle, 0, 0, 10, 10, hwnd,
                                nullptr, nullptr, nullptr);
      if (!s->list) return -1;
      SendMessageA(s->list, WM_PRIVATE_EDIT_COMBO, reinterpret_cast<WPARAM>(hwnd), 0);
      if (TypeOf(hwnd) == CBS_DROPDOWN || TypeOf(hwnd) == CBS_SIMPLE) {
        DWORD editStyle = WS_CHILD | WS_VISIBLE | ES_LEFT;
        if (style & CBS_AUTOHSCROLL) editStyle |= ES_AUTOHSCROLL;
        s->edit = CreateWindowExA(0, "Edit", "", editStyle, 0, 0, 10, 10, hwnd,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(EDIT_ID)), nullptr, nullptr);
        if (!s->edit) return -1;
        SendMessageA(s->edit, WM_PRIVATE_EDIT_COMBO, reinterpret_cast<WPARAM>(hwnd), 0);
      }
      RECT rc{};
      GetWindowRect(hwnd, &rc);
      s->sizing = true;
      SetWindowPos(hwnd, nullptr, 0, 0, RectWidth(rc), ClosedHeight(*s), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      s->sizing = false;
      Layout(hwnd, *s);
      return 0;
    }
    case WM_WINDOWPOSCHANGING: {
      // The height asked for is the dropped-down height; the window keeps its closed height.
      auto* wp = reinterpret_cast<WINDOWPOS*>(lParam);
      if (wp && !(wp->flags & SWP_NOSIZE) && !s->sizing && wp->cy != ClosedHeight(*s)) {
        s->dropHeight = wp->cy;
        wp->cy = ClosedHeight(*s);
      }
      return 0;
    }
    case WM_SIZE:
      Layout(hwnd, *s);
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
      // While the list is down, Enter and Escape are the combo box's, not the dialog's.
      return DLGC_WANTARROWS | DLGC_WANTCHARS | (s->dropped ? DLGC_WANTALLKEYS : 0);
    case WM_SETFONT:
      s->font = reinterpret_cast<HFONT>(wParam);
      s->fieldHeight = FontHeight(s->font) + 2;
      if (s->edit) SendMessageA(s->edit, WM_SETFONT, wParam, lParam);
      SendMessageA(s->list, WM_SETFONT, wParam, lParam);
      {
        RECT rc{};
        GetWindowRect(hwnd, &rc);
        s->sizing = true;
        SetWindowPos(hwnd, nullptr, 0, 0, RectWidth(rc), ClosedHeight(*s), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        s->sizing = false;
      }
      Layout(hwnd, *s);
      if (LOWORD(lParam)) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(s->font);
    case WM_ENABLE:
      if (s->edit) EnableWindow(s->edit, wParam != 0);
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_SETFOCUS:
      if (s->edit) {
        // The edit takes the focus with its whole text selected.
        SetFocus(s->edit);
        SendMessageA(s->edit, EM_SETSEL, 0, -1);
        return 0;
      }
      s->focus = true;
      InvalidateRect(hwnd, nullptr, TRUE);
      Notify(hwnd, CBN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS: {
      HWND to = reinterpret_cast<HWND>(wParam);
      if (s->edit && to == s->edit) return 0;
      if (s->dropped) CloseUp(hwnd, *s, false);
      if (!s->edit) {
        s->focus = false;
        InvalidateRect(hwnd, nullptr, TRUE);
        Notify(hwnd, CBN_KILLFOCUS);
      }
      return 0;
    }
    case WM_COMMAND:
      // The edit's notifications, turned into the combo box's own.
      if (s->edit && reinterpret_cast<HWND>(lParam) == s->edit) {
        switch (HIWORD(wParam)) {
          case EN_CHANGE: Notify(hwnd, CBN_EDITCHANGE); break;
          case EN_UPDATE: Notify(hwnd, CBN_EDITUPDATE); break;
          case EN_SETFOCUS:
            s->focus = true;
            Notify(hwnd, CBN_SETFOCUS);
            break;
          case EN_KILLFOCUS:
            s->focus = false;
            if (s->dropped) CloseUp(hwnd, *s, false);
            if (IsWindow(hwnd)) Notify(hwnd, CBN_KILLFOCUS);
            break;
          case EN_MAXTEXT: break;
          default: break;
        }
      }
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      RECT button = ButtonRect(hwnd);
      if (GetFocus() != hwnd && GetFocus() != s->edit) SetFocus(hwnd);
      s = StateOf<ComboState>(hwnd);
      if (!s) return 0;
      if (s->edit && !PtInRect(&button, pt)) return 0;
      if (s->dropped) {
        CloseUp(hwnd, *s, false);
        return 0;
      }
      s->buttonDown = true;
      DropDown(hwnd, *s);
      return 0;
    }
    case WM_MOUSEWHEEL: {
      if (s->dropped) return SendMessageA(s->list, message, wParam, lParam);
      int notches = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
      StepSelection(hwnd, *s, CurSel(*s) - notches);
      return 0;
    }
    case WM_SYSKEYDOWN:
      if (wParam == VK_UP || wParam == VK_DOWN) {
        if (s->dropped) CloseUp(hwnd, *s, true);
        else DropDown(hwnd, *s);
        return 0;
      }
      return DefWindowProcA(hwnd, message, wParam, lParam);
    case WM_KEYDOWN: {
      int sel = CurSel(*s);
      int count = static_cast<int>(SendMessageA(s->list, LB_GETCOUNT, 0, 0));
      switch (wParam) {
        case VK_F4:
          if (s->dropped) CloseUp(hwnd, *s, true);
          else DropDown(hwnd, *s);
          return 0;
        case VK_UP: StepSelection(hwnd, *s, sel < 0 ? 0 : sel - 1); return 0;
        case VK_DOWN: StepSelection(hwnd, *s, sel + 1); return 0;
        case VK_PRIOR: StepSelection(hwnd, *s, sel - 8); return 0;
        case VK_NEXT: StepSelection(hwnd, *s, sel + 8); return 0;
        case VK_HOME:
          if (!s->edit) StepSelection(hwnd, *s, 0);
          return 0;
        case VK_END:
          if (!s->edit) StepSelection(hwnd, *s, count - 1);
          return 0;
        case VK_RETURN:
          if (s->dropped) CloseUp(hwnd, *s, true);
          return 0;
        case VK_ESCAPE:
          if (s->dropped) CloseUp(hwnd, *s, false);
          return 0;
        default:
          return DefWindowProcA(hwnd, message, wParam, lParam);
      }
    }
    case WM_CHAR:
      if (!s->edit && wParam >= 0x20 && wParam < 0x80) {
        char prefix[2] = {static_cast<char>(wParam), 0};
        int found = static_cast<int>(SendMessageA(s->list, LB_FINDSTRING, static_cast<WPARAM>(CurSel(*s)), reinterpret_cast<LPARAM>(prefix)));
        if (found >= 0) StepSelection(hwnd, *s, found);
      }
      return 0;
    case WM_PRIVATE_LIST_DONE:
      CloseUp(hwnd, *s, wParam != 0);
      return 0;
    case WM_SETTEXT:
      if (s->edit) return SendMessageA(s->edit, message, wParam, lParam);
      {
        // A drop-down list shows only its items: the text must be one of them.
        const char* text = reinterpret_cast<const char*>(lParam);
        int found = text ? static_cast<int>(SendMessageA(s->list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), lParam)) : -1;
        if (found < 0) return CB_ERR;
        SendMessageA(s->list, LB_SETCURSEL, static_cast<WPARAM>(found), 0);
        InvalidateRect(hwnd, nullptr, TRUE);
        return TRUE;
      }
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH: {
      if (s->edit) return SendMessageA(s->edit, message, wParam, lParam);
      int sel = CurSel(*s);
      std::string text = sel >= 0 ? ItemText(*s, sel) : "";
      if (message == WM_GETTEXTLENGTH) return static_cast<LRESULT>(text.size());
      char* buffer = reinterpret_cast<char*>(lParam);
      if (!buffer || wParam == 0) return 0;
      size_t n = GbkSafeCut(text.data(), std::min(text.size(), static_cast<size_t>(wParam) - 1));
      memcpy(buffer, text.data(), n);
      buffer[n] = '\0';
      return static_cast<LRESULT>(n);
    }
    case CB_ADDSTRING: return ToList(*s, LB_ADDSTRING, wParam, lParam);
    case CB_INSERTSTRING: return ToList(*s, LB_INSERTSTRING, wParam, lParam);
    case CB_DELETESTRING: {
      LRESULT r = ToList(*s, LB_DELETESTRING, wParam, lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return r;
    }
    case CB_RESETCONTENT:
      ToList(*s, LB_RESETCONTENT, 0, 0);
      if (s->edit) EditFromSelection(hwnd, *s);
      InvalidateRect(hwnd, nullptr, TRUE);
      return CB_OKAY;
    case CB_GETCOUNT: return ToList(*s, LB_GETCOUNT, 0, 0);
    case CB_GETCURSEL: return CurSel(*s);
    case CB_SETCURSEL: {
      LRESULT r = ToList(*s, LB_SETCURSEL, wParam, 0);
      EditFromSelection(hwnd, *s);
      InvalidateRect(hwnd, nullptr, TRUE);
      return r;
    }
    case CB_GETLBTEXT: return ToList(*s, LB_GETTEXT, wParam, lParam);
    case CB_GETLBTEXTLEN: return ToList(*s, LB_GETTEXTLEN, wParam, 0);
    case CB_GETITEMDATA: return ToList(*s, LB_GETITEMDATA, wParam, 0);
    case CB_SETITEMDATA: return ToList(*s, LB_SETITEMDATA, wParam, lParam);
    case CB_FINDSTRING: return ToList(*s, LB_FINDSTRING, wParam, lParam);
    case CB_FINDSTRINGEXACT: return ToList(*s, LB_FINDSTRINGEXACT, wParam, lParam);
    case CB_SELECTSTRING: {
      LRESULT r = ToList(*s, LB_SELECTSTRING, wParam, lParam);
      if (r >= 0) EditFromSelection(hwnd, *s);
      InvalidateRect(hwnd, nullptr, TRUE);
      return r;
    }
    case CB_SHOWDROPDOWN:
      if (wParam) DropDown(hwnd, *s);
      else CloseUp(hwnd, *s, false);
      return TRUE;
    case CB_GETDROPPEDSTATE:
      return s->dropped ? TRUE : FALSE;
    case CB_GETDROPPEDCONTROLRECT: {
      auto* r = reinterpret_cast<RECT*>(lParam);
      if (!r) return CB_ERR;
      GetWindowRect(hwnd, r);
      r->bottom = r->top + std::max<LONG>(s->dropHeight, RectHeight(*r));
      return CB_OKAY;
    }
    case CB_LIMITTEXT:
      if (!s->edit) return FALSE;
      SendMessageA(s->edit, EM_LIMITTEXT, wParam, 0);
      return TRUE;
    case CB_SETEDITSEL:
      if (!s->edit) return CB_ERR;
      SendMessageA(s->edit, EM_SETSEL, static_cast<WPARAM>(static_cast<SHORT>(LOWORD(lParam))),
                   static_cast<LPARAM>(static_cast<SHORT>(HIWORD(lParam))));
      return TRUE;
    case CB_GETEDITSEL:
      if (!s->edit) return CB_ERR;
      return SendMessageA(s->edit, EM_GETSEL, wParam, lParam);
    case CB_GETITEMHEIGHT:
      if (static_cast<int>(wParam) == -1) return s->fieldHeight;
      return ToList(*s, LB_GETITEMHEIGHT, 0, 0);
    case CB_SETITEMHEIGHT: {
      int h = LOWORD(lParam);
      if (h <= 0 || h > 255) return CB_ERR;
      if (static_cast<int>(wParam) == -1) {
        s->fieldHeight = h;
        RECT rc{};
        GetWindowRect(hwnd, &rc);
        s->sizing = true;
        SetWindowPos(hwnd, nullptr, 0, 0, RectWidth(rc), ClosedHeight(*s), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        s->sizing = false;
        Layout(hwnd, *s);
        return CB_OKAY;
      }
      return ToList(*s, LB_SETITEMHEIGHT, 0, lParam);
    }
    default:
      return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

}  // namespace platform::controls
