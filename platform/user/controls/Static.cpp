// The "Static" control: text, icons, bitmaps, filled and etched rectangles, owner drawing.
#include <algorithm>
#include <string>

#include "platform/base/RectUtil.h"
#include "platform/gdi/Text.h"
#include "platform/user/User.h"
#include "platform/user/controls/ControlSupport.h"

namespace platform::controls {
namespace {

struct StaticState {
  HFONT font = nullptr;
  HICON icon = nullptr;
  HBITMAP bitmap = nullptr;
};

DWORD StyleOf(HWND hwnd) { return static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)); }

std::string TextOf(HWND hwnd) {
  int n = GetWindowTextLengthA(hwnd);
  std::string text(static_cast<size_t>(n) + 1, '\0');
  n = GetWindowTextA(hwnd, text.data(), n + 1);
  text.resize(static_cast<size_t>(std::max(n, 0)));
  return text;
}

// An image static takes the size of its image unless SS_CENTERIMAGE asks to centre it.
void FitToImage(HWND hwnd, int width, int height) {
  if (StyleOf(hwnd) & SS_CENTERIMAGE) return;
  if (width <= 0 || height <= 0) return;
  SetWindowPos(hwnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void PaintBitmap(HDC dc, const RECT& rc, HBITMAP bitmap, bool centre, HBRUSH brush) {
  BITMAP bm{};
  if (!bitmap || !GetObjectA(bitmap, sizeof bm, &bm)) {
    FillRect(dc, &rc, brush);
    return;
  }
  HDC mem = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(mem, bitmap);
  int x = rc.left, y = rc.top;
  if (centre) {
    // Around a centred bitmap the control shows the colour of the bitmap's top-left pixel.
    FillSolidRect(dc, &rc, GetPixel(mem, 0, 0));
    x += (RectWidth(rc) - bm.bmWidth) / 2;
    y += (RectHeight(rc) - bm.bmHeight) / 2;
  }
  BitBlt(dc, x, y, bm.bmWidth, bm.bmHeight, mem, 0, 0, SRCCOPY);
  SelectObject(mem, old);
  DeleteDC(mem);
}

void PaintStatic(HWND hwnd, HDC dc, StaticState& s) {
  RECT rc{};
  GetClientRect(hwnd, &rc);
  DWORD style = StyleOf(hwnd);
  DWORD type = style & SS_TYPEMASK;
  bool enabled = IsWindowEnabled(hwnd) != 0;
  switch (type) {
    case SS_BLACKRECT: FillSolidRect(dc, &rc, GetSysColor(COLOR_WINDOWFRAME)); return;
    case SS_GRAYRECT: FillSolidRect(dc, &rc, GetSysColor(COLOR_BTNSHADOW)); return;
    case SS_WHITERECT: FillSolidRect(dc, &rc, GetSysColor(COLOR_WINDOW)); return;
    case SS_BLACKFRAME: FrameRect(dc, &rc, GetSysColorBrush(COLOR_WINDOWFRAME)); return;
    case SS_GRAYFRAME: FrameRect(dc, &rc, GetSysColorBrush(COLOR_BTNSHADOW)); return;
    case SS_WHITEFRAME: FrameRect(dc, &rc, GetSysColorBrush(COLOR_WINDOW)); return;
    case SS_ETCHEDHORZ: {
      RECT e{rc.left, rc.top, rc.right, rc.top + 2};
      DrawEdge(dc, &e, EDGE_ETCHED, BF_TOP);
      return;
    }
    case SS_ETCHEDVERT: {
      RECT e{rc.left, rc.top, rc.left + 2, rc.bottom};
      DrawEdge(dc, &e, EDGE_ETCHED, BF_LEFT);
      return;
    }
    case SS_ETCHEDFRAME: DrawEdge(dc, &rc, EDGE_ETCHED, BF_RECT); return;
    case SS_OWNERDRAW: {
      DRAWITEMSTRUCT dis{};
      dis.CtlType = ODT_STATIC;
      dis.CtlID = static_cast<UINT>(ControlId(hwnd));
      dis.itemAction = ODA_DRAWENTIRE;
      dis.itemState = enabled ? 0 : ODS_DISABLED;
      dis.hwndItem = hwnd;
      dis.hDC = dc;
      dis.rcItem = rc;
      if (HWND parent = GetParent(hwnd)) SendMessageA(parent, WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
      return;
    }
    default: break;
  }
  HBRUSH brush = ControlBrush(hwnd, dc, WM_CTLCOLORSTATIC);
  if (type == SS_ICON) {
    FillRect(dc, &rc, brush);
    if (s.icon) {
      int x = 0, y = 0;
      if (style & SS_CENTERIMAGE) {
        x = (RectWidth(rc) - GetSystemMetrics(SM_CXICON)) / 2;
        y = (RectHeight(rc) - GetSystemMetrics(SM_CYICON)) / 2;
      }
      DrawIconEx(dc, x, y, s.icon, 0, 0, 0, nullptr, DI_NORMAL | DI_DEFAULTSIZE);
    }
    return;
  }
  if (type == SS_BITMAP) {
    PaintBitmap(dc, rc, s.bitmap, (style & SS_CENTERIMAGE) != 0, brush);
    return;
  }
  // Text: the brush fills the control and the DC's colours and mode (set by the parent's
  // WM_CTLCOLORSTATIC answer) draw the text.
  FillRect(dc, &rc, brush);
  std::string text = TextOf(hwnd);
  if (text.empty()) return;
  HGDIOBJ oldFont = SelectObject(dc, FontOr(s.font));
  UINT format = DT_EXPANDTABS;
  switch (type) {
    case SS_CENTER: format |= DT_CENTER | DT_WORDBREAK; break;
    case SS_RIGHT: format |= DT_RIGHT | DT_WORDBREAK; break;
    case SS_SIMPLE:
    case SS_LEFTNOWORDWRAP: format |= DT_LEFT | DT_SINGLELINE; break;
    default: format |= DT_LEFT | DT_WORDBREAK; break;
  }
  if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
  if (style & SS_CENTERIMAGE) format = (format & ~DT_WORDBREAK) | DT_SINGLELINE | DT_VCENTER;
  if (style & SS_ENDELLIPSIS) format |= DT_END_ELLIPSIS;
  if (!enabled) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
  DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rc, format);
  SelectObject(dc, oldFont);
}

}  // namespace

LRESULT CALLBACK StaticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  StaticState* s = TrackState<StaticState>(hwnd, message);
  if (!s) return DefWindowProcA(hwnd, message, wParam, lParam);
  DWORD style = StyleOf(hwnd);
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      PaintStatic(hwnd, dc, *s);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_GETDLGCODE:
      return DLGC_STATIC;
    case WM_SETFONT:
      s->font = reinterpret_cast<HFONT>(wParam);
      if (LOWORD(lParam)) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(s->font);
    case WM_SETTEXT:
    case WM_STYLECHANGED: {
      LRESULT r = DefWindowProcA(hwnd, message, wParam, lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return r;
    }
    case WM_ENABLE:
      InvalidateRect(hwnd, nullptr, TRUE);
      if (style & SS_NOTIFY) Notify(hwnd, wParam ? STN_ENABLE : STN_DISABLE);
      return 0;
    case WM_NCHITTEST:
      // Without SS_NOTIFY a static is a label: the mouse goes through it to what lies below.
      if (!(style & SS_NOTIFY)) return HTTRANSPARENT;
      return DefWindowProcA(hwnd, message, wParam, lParam);
    case WM_LBUTTONDOWN:
      if (style & SS_NOTIFY) Notify(hwnd, STN_CLICKED);
      return 0;
    case WM_LBUTTONDBLCLK:
      if (style & SS_NOTIFY) Notify(hwnd, STN_DBLCLK);
      return 0;
    case STM_SETICON: {
      HICON old = s->icon;
      s->icon = reinterpret_cast<HICON>(wParam);
      if ((style & SS_TYPEMASK) == SS_ICON && s->icon) {
        FitToImage(hwnd, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
      }
      InvalidateRect(hwnd, nullptr, TRUE);
      return reinterpret_cast<LRESULT>(old);
    }
    case STM_GETICON:
      return reinterpret_cast<LRESULT>(s->icon);
    case STM_SETIMAGE: {
      if (wParam == IMAGE_ICON) return SendMessageA(hwnd, STM_SETICON, static_cast<WPARAM>(lParam), 0);
      if (wParam != IMAGE_BITMAP) return 0;
      HBITMAP old = s->bitmap;
      s->bitmap = reinterpret_cast<HBITMAP>(lParam);
      BITMAP bm{};
      if ((style & SS_TYPEMASK) == SS_BITMAP && s->bitmap && GetObjectA(s->bitmap, sizeof bm, &bm)) {
        FitToImage(hwnd, bm.bmWidth, bm.bmHeight);
      }
      InvalidateRect(hwnd, nullptr, TRUE);
      return reinterpret_cast<LRESULT>(old);
    }
    case STM_GETIMAGE:
      if (wParam == IMAGE_ICON) return reinterpret_cast<LRESULT>(s->icon);
      if (wParam == IMAGE_BITMAP) return reinterpret_cast<LRESULT>(s->bitmap);
      return 0;
    default:
      return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

}  // namespace platform::controls
