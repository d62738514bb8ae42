// The "Button" control: push buttons (default or not), check boxes, radio buttons, group boxes
// and owner-drawn buttons.
#include <algorithm>
#include <string>

#include "platform/base/RectUtil.h"
#include "platform/gdi/Text.h"
#include "platform/user/User.h"
#include "platform/user/controls/ControlSupport.h"

namespace platform::controls {
namespace {

constexpr int CHECK_SIZE = 13;

struct ButtonState {
  HFONT font = nullptr;
  UINT check = BST_UNCHECKED;
  bool pushed = false;     // drawn pressed (BST_PUSHED)
  bool focus = false;
  bool mouseDown = false;  // the left button went down on us and we hold the capture
  bool spaceDown = false;
  HANDLE image = nullptr;
  UINT imageType = IMAGE_BITMAP;
};

UINT TypeOf(HWND hwnd) { return static_cast<UINT>(GetWindowLongA(hwnd, GWL_STYLE)) & BS_TYPEMASK; }
DWORD StyleOf(HWND hwnd) { return static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)); }

bool IsPush(UINT type) { return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_USERBUTTON; }
bool IsCheck(UINT type) {
  return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE;
}
bool IsRadio(UINT type) { return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON; }

std::string TextOf(HWND hwnd) {
  int n = GetWindowTextLengthA(hwnd);
  std::string text(static_cast<size_t>(n) + 1, '\0');
  n = GetWindowTextA(hwnd, text.data(), n + 1);
  text.resize(static_cast<size_t>(std::max(n, 0)));
  return text;
}

// Text in the classic disabled look: the highlight colour one pixel down and right, the shadow
// colour on top.
void DrawLabel(HDC dc, const std::string& text, RECT rc, UINT format, bool enabled) {
  SetBkMode(dc, TRANSPARENT);
  if (enabled) {
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rc, format);
    return;
  }
  COLORREF old = SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
  RECT shifted = rc;
  OffsetRect(&shifted, 1, 1);
  DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &shifted, format);
  SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
  DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rc, format);
  SetTextColor(dc, old);
}

UINT HorizontalFormat(DWORD style, UINT fallback) {
  switch (style & BS_CENTER) {
    case BS_LEFT: return DT_LEFT;
    case BS_RIGHT: return DT_RIGHT;
    case BS_CENTER: return DT_CENTER;
    default: return fallback;
  }
}

void DrawImage(HDC dc, const ButtonState& s, const RECT& rc, int dx, int dy) {
  if (!s.image) return;
  if (s.imageType == IMAGE_ICON) {
    int x = rc.left + (RectWidth(rc) - 32) / 2 + dx, y = rc.top + (RectHeight(rc) - 32) / 2 + dy;
    DrawIconEx(dc, x, y, static_cast<HICON>(s.image), 0, 0, 0, nullptr, DI_NORMAL);
    return;
  }
  BITMAP bm{};
  if (!GetObjectA(s.image, sizeof bm, &bm)) return;
  HDC mem = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(mem, s.image);
  int x = rc.left + (RectWidth(rc) - bm.bmWidth) / 2 + dx, y = rc.top + (RectHeight(rc) - bm.bmHeight) / 2 + dy;
  BitBlt(dc, x, y, bm.bmWidth, bm.bmHeight, mem, 0, 0, SRCCOPY);
  SelectObject(mem, old);
  DeleteDC(mem);
}

// The classic radio button: a 12-pixel circle with a two-tone sunken rim (shadow and dark
// shadow above and left, highlight and light below and right), the window colour inside (the
// face when pressed or disabled) and a dot when checked.
void DrawRadio(HDC dc, const RECT& box, bool checked, bool pushed, bool enabled) {
  constexpr int SIZE = 12;
  int x0 = box.left, y0 = box.top + (RectHeight(box) - SIZE) / 2;
  COLORREF inside = GetSysColor((pushed || !enabled) ? COLOR_BTNFACE : COLOR_WINDOW);
  COLORREF dot = GetSysColor(enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT);
  for (int y = 0; y < SIZE; ++y) {
    for (int x = 0; x < SIZE; ++x) {
      double dx = x + 0.5 - SIZE / 2.0, dy = y + 0.5 - SIZE / 2.0;
      double d2 = dx * dx + dy * dy;
      bool upperLeft = x + y < SIZE - 1;
      COLORREF c;
      if (d2 > 36.0) continue;
      if (d2 > 25.0) c = GetSysColor(upperLeft ? COLOR_BTNSHADOW : COLOR_BTNHIGHLIGHT);
      else if (d2 > 16.0) c = GetSysColor(upperLeft ? COLOR_3DDKSHADOW : COLOR_3DLIGHT);
      else if (checked && d2 <= 4.0) c = dot;
      else c = inside;
      SetPixelV(dc, x0 + x, y0 + y, c);
    }
  }
}

void PaintButton(HWND hwnd, HDC dc, ButtonState& s, UINT action) {
  RECT rc{};
  GetClientRect(hwnd, &rc);
  DWORD style = StyleOf(hwnd);
  UINT type = style & BS_TYPEMASK;
  bool enabled = IsWindowEnabled(hwnd) != 0;
  HGDIOBJ oldFont = SelectObject(dc, FontOr(s.font));
  std::string text = TextOf(hwnd);

  if (type == BS_OWNERDRAW) {
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_BUTTON;
    dis.CtlID = static_cast<UINT>(ControlId(hwnd));
    dis.itemAction = action;
    dis.itemState = (s.pushed ? ODS_SELECTED : 0) | (s.focus ? ODS_FOCUS : 0) | (enabled ? 0 : ODS_DISABLED);
    dis.hwndItem = hwnd;
    dis.hDC = dc;
    dis.rcItem = rc;
    HWND parent = GetParent(hwnd);
    if (parent) SendMessageA(parent, WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
    SelectObject(dc, oldFont);
    return;
  }

  if (IsPush(type)) {
    HBRUSH brush = ControlBrush(hwnd, dc, WM_CTLCOLORBTN);
    FillRect(dc, &rc, brush);
    RECT face = rc;
    bool isDefault = type == BS_DEFPUSHBUTTON;
    if (isDefault) {
      // The default button wears a black line around its frame.
      FrameRect(dc, &face, GetSysColorBrush(COLOR_WINDOWFRAME));
      InflateRect(&face, -1, -1);
    }
    if (s.pushed) {
      // Pressed: a flat shadow line inside the black one, as classic buttons look.
      FillSolidRect(dc, &face, GetSysColor(COLOR_BTNFACE));
      FrameRect(dc, &face, GetSysColorBrush(COLOR_BTNSHADOW));
    } else {
      RECT f = face;
      DrawFrameControl(dc, &f, DFC_BUTTON, DFCS_BUTTONPUSH);
    }
    int shift = s.pushed ? 1 : 0;
    if (style & (BS_ICON | BS_BITMAP)) {
      DrawImage(dc, s, face, shift, shift);
    } else {
      RECT t = face;
      InflateRect(&t, -2, -2);
      OffsetRect(&t, shift, shift);
      SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
      UINT fmt = HorizontalFormat(style, DT_CENTER) | DT_SINGLELINE | DT_VCENTER;
      if (style & BS_MULTILINE) fmt = HorizontalFormat(style, DT_CENTER) | DT_WORDBREAK;
      DrawLabel(dc, text, t, fmt, enabled);
    }
    if (s.focus) {
      RECT f = face;
      InflateRect(&f, -3, -3);
      DrawFocusRect(dc, &f);
    }
    SelectObject(dc, oldFont);
    return;
  }

  HBRUSH brush = ControlBrush(hwnd, dc, WM_CTLCOLORSTATIC);
  COLORREF textColour = GetTextColor(dc);
  TEXTMETRICA tm{};
  GetTextMetricsA(dc, &tm);

  if (type == BS_GROUPBOX) {
    // The group box fills nothing but the strip behind its title: what it frames shows through.
    RECT frame = rc;
    frame.top += tm.tmHeight / 2;
    DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
    if (!text.empty()) {
      RECT t{rc.left + 8, rc.top, rc.right - 8, rc.top + tm.tmHeight};
      RECT calc = t;
      DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &calc, DT_SINGLELINE | DT_CALCRECT);
      calc.left -= 2;
      calc.right = std::min(calc.right + 2, t.right);
      FillRect(dc, &calc, brush);
      SetTextColor(dc, textColour);
      DrawLabel(dc, text, t, DT_SINGLELINE | DT_LEFT, enabled);
    }
    SelectObject(dc, oldFont);
    return;
  }

  // Check boxes and radio buttons: the box on the left (right with BS_LEFTTEXT), the text next
  // to it, the focus rectangle around the text.
  FillRect(dc, &rc, brush);
  bool leftText = (style & BS_LEFTTEXT) != 0;
  int top = rc.top + (RectHeight(rc) - CHECK_SIZE) / 2;
  RECT box = leftText ? RECT{rc.right - CHECK_SIZE, top, rc.right, top + CHECK_SIZE}
                      : RECT{rc.left, top, rc.left + CHECK_SIZE, top + CHECK_SIZE};
  if (IsRadio(type)) {
    DrawRadio(dc, box, s.check != BST_UNCHECKED, s.pushed, enabled);
  } else {
    UINT state = DFCS_BUTTONCHECK;
    if (s.check == BST_CHECKED) state |= DFCS_CHECKED;
    // The third state of a three-state box is a grey tick on the face colour.
    if (s.check == BST_INDETERMINATE) {
      state |= DFCS_CHECKED;
      if (type == BS_3STATE || type == BS_AUTO3STATE) state |= DFCS_INACTIVE;
    }
    if (s.pushed) state |= DFCS_PUSHED;
    if (!enabled) state |= DFCS_INACTIVE;
    DrawFrameControl(dc, &box, DFC_BUTTON, state);
  }
  RECT t = leftText ? RECT{rc.left, rc.top, box.left - 4, rc.bottom} : RECT{box.right + 4, rc.top, rc.right, rc.bottom};
  SetTextColor(dc, textColour);
  UINT fmt = HorizontalFormat(style, DT_LEFT) | DT_SINGLELINE | DT_VCENTER;
  DrawLabel(dc, text, t, fmt, enabled);
  if (s.focus && !text.empty()) {
    RECT calc = t;
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &calc, DT_SINGLELINE | DT_CALCRECT);
    int h = RectHeight(calc);
    RECT f{t.left - 1, t.top + (RectHeight(t) - h) / 2 - 1, std::min(calc.right + 1, t.right), 0};
    f.bottom = f.top + h + 2;
    DrawFocusRect(dc, &f);
  }
  SelectObject(dc, oldFont);
}

// Classic buttons draw state changes at once rather than waiting for WM_PAINT.
void RedrawNow(HWND hwnd, ButtonState& s, UINT action) {
  if (!IsWindowVisible(hwnd)) return;
  HDC dc = GetDC(hwnd);
  if (!dc) return;
  PaintButton(hwnd, dc, s, action);
  ReleaseDC(hwnd, dc);
}

void SetPushed(HWND hwnd, ButtonState& s, bool pushed) {
  if (s.pushed == pushed) return;
  s.pushed = pushed;
  RedrawNow(hwnd, s, ODA_SELECT);
}

// An auto radio button that gets checked unchecks the other auto radio buttons of its group:
// the siblings from the nearest WS_GROUP at or before it up to the next WS_GROUP.
void CheckInGroup(HWND hwnd) {
  HWND first = hwnd;
  while (!(StyleOf(first) & WS_GROUP)) {
    HWND prev = GetWindow(first, GW_HWNDPREV);
    if (!prev) break;
    first = prev;
  }
  for (HWND w = first; w; w = GetWindow(w, GW_HWNDNEXT)) {
    if (w != first && (StyleOf(w) & WS_GROUP)) break;
    char name[16] = {};
    GetClassNameA(w, name, sizeof name);
    if (!ClassNameEquals("Button", name) || TypeOf(w) != BS_AUTORADIOBUTTON) continue;
    SendMessageA(w, BM_SETCHECK, w == hwnd ? BST_CHECKED : BST_UNCHECKED, 0);
  }
}

// What a completed click does: the auto types change their check, then the parent hears.
void Clicked(HWND hwnd, ButtonState& s) {
  UINT type = TypeOf(hwnd);
  if (type == BS_AUTOCHECKBOX) {
    SendMessageA(hwnd, BM_SETCHECK, s.check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED, 0);
  } else if (type == BS_AUTO3STATE) {
    SendMessageA(hwnd, BM_SETCHECK, (s.check + 1) % 3, 0);
  } else if (type == BS_AUTORADIOBUTTON) {
    CheckInGroup(hwnd);
  }
  Notify(hwnd, BN_CLICKED);
}

}  // namespace

LRESULT CALLBACK ButtonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  ButtonState* s = TrackState<ButtonState>(hwnd, message);
  if (!s) return DefWindowProcA(hwnd, message, wParam, lParam);
  UINT type = TypeOf(hwnd);
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      PaintButton(hwnd, dc, *s, ODA_DRAWENTIRE);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_GETDLGCODE:
      switch (type) {
        case BS_DEFPUSHBUTTON: return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
        case BS_PUSHBUTTON: case BS_USERBUTTON: case BS_OWNERDRAW: return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
        case BS_RADIOBUTTON: case BS_AUTORADIOBUTTON: return DLGC_BUTTON | DLGC_RADIOBUTTON;
        case BS_GROUPBOX: return DLGC_STATIC;
        default: return DLGC_BUTTON;
      }
    case WM_SETFONT:
      s->font = reinterpret_cast<HFONT>(wParam);
      if (LOWORD(lParam)) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(s->font);
    case WM_SETTEXT:
    case WM_ENABLE:
    case WM_STYLECHANGED: {
      LRESULT r = DefWindowProcA(hwnd, message, wParam, lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return r;
    }
    case WM_LBUTTONDBLCLK:
      if (type == BS_GROUPBOX) return 0;
      if (IsRadio(type) || type == BS_OWNERDRAW || (StyleOf(hwnd) & BS_NOTIFY)) {
        Notify(hwnd, BN_DOUBLECLICKED);
        if (!IsWindow(hwnd)) return 0;
      }
      [[fallthrough]];
    case WM_LBUTTONDOWN:
      if (type == BS_GROUPBOX) return 0;
      if (GetFocus() != hwnd) SetFocus(hwnd);
      s = StateOf<ButtonState>(hwnd);
      if (!s) return 0;
      SetCapture(hwnd);
      s->mouseDown = true;
      SetPushed(hwnd, *s, true);
      return 0;
    case WM_MOUSEMOVE:
      if (s->mouseDown) {
        RECT rc{};
        GetClientRect(hwnd, &rc);
        POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        SetPushed(hwnd, *s, PtInRect(&rc, pt) != 0);
      }
      return 0;
    case WM_LBUTTONUP: {
      if (!s->mouseDown) return 0;
      bool inside = s->pushed;
      s->mouseDown = false;
      SetPushed(hwnd, *s, false);
      ReleaseCapture();
      if (inside) Clicked(hwnd, *s);
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (s->mouseDown) {
        s->mouseDown = false;
        SetPushed(hwnd, *s, false);
      }
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_SPACE && !s->mouseDown && type != BS_GROUPBOX) {
        if (lParam & (1 << 30)) return 0;  // a repeat of the held key
        s->spaceDown = true;
        SetPushed(hwnd, *s, true);
        return 0;
      }
      return DefWindowProcA(hwnd, message, wParam, lParam);
    case WM_KEYUP:
      if (wParam == VK_SPACE && s->spaceDown) {
        s->spaceDown = false;
        bool wasPushed = s->pushed;
        SetPushed(hwnd, *s, false);
        if (wasPushed) Clicked(hwnd, *s);
        return 0;
      }
      return DefWindowProcA(hwnd, message, wParam, lParam);
    case WM_SETFOCUS:
      s->focus = true;
      RedrawNow(hwnd, *s, ODA_FOCUS);
      if (StyleOf(hwnd) & BS_NOTIFY) Notify(hwnd, BN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      s->focus = false;
      if (s->spaceDown) {
        s->spaceDown = false;
        s->pushed = false;
      }
      if (s->mouseDown && GetCapture() == hwnd) ReleaseCapture();
      RedrawNow(hwnd, *s, ODA_FOCUS);
      if (StyleOf(hwnd) & BS_NOTIFY) Notify(hwnd, BN_KILLFOCUS);
      return 0;
    case BM_GETCHECK:
      return (IsCheck(type) || IsRadio(type)) ? s->check : BST_UNCHECKED;
    case BM_SETCHECK: {
      if (!IsCheck(type) && !IsRadio(type)) return 0;
      UINT check = static_cast<UINT>(wParam) & 3;
      if (check == 3) check = BST_CHECKED;
      if (check != s->check) {
        s->check = check;
        RedrawNow(hwnd, *s, ODA_SELECT);
      }
      // A checked radio button is the one the group's tab stop lands on.
      if (IsRadio(type)) {
        DWORD style = StyleOf(hwnd);
        DWORD wanted = check ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP);
        if (wanted != style) SetWindowLongA(hwnd, GWL_STYLE, static_cast<LONG>(wanted));
      }
      return 0;
    }
    case BM_GETSTATE:
      return ((IsCheck(type) || IsRadio(type)) ? s->check : 0) | (s->pushed ? BST_PUSHED : 0) |
             (s->focus ? BST_FOCUS : 0);
    case BM_SETSTATE:
      SetPushed(hwnd, *s, wParam != 0);
      return 0;
    case BM_SETSTYLE: {
      DWORD style = StyleOf(hwnd);
      SetWindowLongA(hwnd, GWL_STYLE, static_cast<LONG>((style & 0xFFFF0000u) | LOWORD(wParam)));
      if (lParam) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    }
    case BM_CLICK:
      // As in Win32: the button is pressed and released by mouse messages to itself.
      if (!IsWindowEnabled(hwnd)) return 0;
      SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, 0);
      SendMessageA(hwnd, WM_LBUTTONUP, 0, 0);
      return 0;
    case BM_SETIMAGE: {
      if (wParam != IMAGE_BITMAP && wParam != IMAGE_ICON) return 0;
      HANDLE old = s->imageType == wParam ? s->image : nullptr;
      s->image = reinterpret_cast<HANDLE>(lParam);
      s->imageType = static_cast<UINT>(wParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return reinterpret_cast<LRESULT>(old);
    }
    case BM_GETIMAGE:
      return s->imageType == wParam ? reinterpret_cast<LRESULT>(s->image) : 0;
    default:
      return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

}  // namespace platform::controls
