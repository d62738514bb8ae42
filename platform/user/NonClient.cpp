#include "platform/user/NonClient.h"

#include <algorithm>
#include <string>

#include "platform/base/RectUtil.h"
#include "platform/gdi/Font.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Text.h"
#include "platform/gdi/TextLayout.h"
#include "platform/user/UserState.h"
#include "platform/user/controls/Controls.h"

namespace platform {
namespace {

constexpr int THICK_FRAME = 4;
constexpr int DIALOG_FRAME = 3;
constexpr int CAPTION_HEIGHT = 19;  // SM_CYCAPTION: an 18-pixel bar and the line below it
constexpr int BUTTON_WIDTH = 16;
constexpr int BUTTON_HEIGHT = 14;

bool HasCaption(DWORD style) { return (style & WS_CAPTION) == WS_CAPTION; }

int FrameWidth(DWORD style, DWORD exStyle) {
  if (style & WS_THICKFRAME) return THICK_FRAME;
  if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME)) return DIALOG_FRAME;
  if (style & WS_BORDER) return 1;
  return 0;
}

int InnerEdge(DWORD exStyle) {
  if (exStyle & WS_EX_CLIENTEDGE) return 2;
  if (exStyle & WS_EX_STATICEDGE) return 1;
  return 0;
}

}  // namespace

NonClientLayout LayoutNonClient(int width, int height, DWORD style, DWORD exStyle) {
  NonClientLayout l;
  l.frame = FrameWidth(style, exStyle);
  l.frameInner = RECT{l.frame, l.frame, width - l.frame, height - l.frame};
  RECT rest = l.frameInner;
  if (HasCaption(style)) {
    l.caption = RECT{rest.left, rest.top, rest.right, rest.top + CAPTION_HEIGHT - 1};
    rest.top += CAPTION_HEIGHT;
    if (style & WS_SYSMENU) {
      int top = l.caption.top + 2;
      int right = l.caption.right - 2;
      l.closeButton = RECT{right - BUTTON_WIDTH, top, right, top + BUTTON_HEIGHT};
      right = l.closeButton.left - 2;
      if (style & (WS_MAXIMIZEBOX | WS_MINIMIZEBOX)) {
        l.maxButton = RECT{right - BUTTON_WIDTH, top, right, top + BUTTON_HEIGHT};
        l.minButton = RECT{l.maxButton.left - BUTTON_WIDTH, top, l.maxButton.left, top + BUTTON_HEIGHT};
      }
    }
  }
  l.clientEdge = rest;
  int edge = InnerEdge(exStyle);
  RECT inner{rest.left + edge, rest.top + edge, rest.right - edge, rest.bottom - edge};
  int barWidth = GetSystemMetrics(SM_CXVSCROLL), barHeight = GetSystemMetrics(SM_CYHSCROLL);
  int right = inner.right, bottom = inner.bottom;
  if (style & WS_VSCROLL) right = std::max<LONG>(inner.left, inner.right - barWidth);
  if (style & WS_HSCROLL) bottom = std::max<LONG>(inner.top, inner.bottom - barHeight);
  if (style & WS_VSCROLL) l.vScroll = RECT{right, inner.top, inner.right, bottom};
  if (style & WS_HSCROLL) l.hScroll = RECT{inner.left, bottom, right, inner.bottom};
  return l;
}

RECT ClientFromWindowRect(const RECT& window, DWORD style, DWORD exStyle) {
  int width = RectWidth(window);
  int height = RectHeight(window);
  NonClientLayout l = LayoutNonClient(width, height, style, exStyle);
  int edge = InnerEdge(exStyle);
  RECT c = l.clientEdge;
  c.left += edge;
  c.top += edge;
  c.right -= edge;
  c.bottom -= edge;
  if (style & WS_VSCROLL) c.right = l.vScroll.left;
  if (style & WS_HSCROLL) c.bottom = l.hScroll.top;
  // A window too small for its frame has an empty client area at the frame's inside corner.
  if (c.right < c.left) c.right = c.left;
  if (c.bottom < c.top) c.bottom = c.top;
  c.left = std::min<LONG>(c.left, width);
  c.top = std::min<LONG>(c.top, height);
  c.right = std::min<LONG>(std::max(c.right, c.left), width);
  c.bottom = std::min<LONG>(std::max(c.bottom, c.top), height);
  OffsetRect(&c, window.left, window.top);
  return c;
}

LRESULT HitTestNonClient(const NonClientLayout& l, int width, int height, DWORD style, POINT pt,
                         const RECT& clientInWindow) {
  RECT all{0, 0, width, height};
  if (!PtInRect(&all, pt)) return HTNOWHERE;
  if (PtInRect(&clientInWindow, pt)) return HTCLIENT;
  if (!PtInRect(&l.frameInner, pt)) {
    if (!(style & WS_THICKFRAME)) return HTBORDER;
    // Corners take a band as wide as a caption button along each edge, as in Win32.
    constexpr int CORNER = 16;
    bool left = pt.x < l.frame, right = pt.x >= width - l.frame;
    bool top = pt.y < l.frame, bottom = pt.y >= height - l.frame;
    if (top || bottom) {
      if (pt.x < CORNER) return top ? HTTOPLEFT : HTBOTTOMLEFT;
      if (pt.x >= width - CORNER) return top ? HTTOPRIGHT : HTBOTTOMRIGHT;
      return top ? HTTOP : HTBOTTOM;
    }
    if (pt.y < CORNER) return left ? HTTOPLEFT : HTTOPRIGHT;
    if (pt.y >= height - CORNER) return left ? HTBOTTOMLEFT : HTBOTTOMRIGHT;
    return left ? HTLEFT : (right ? HTRIGHT : HTBORDER);
  }
  if (PtInRect(&l.vScroll, pt)) return HTVSCROLL;
  if (PtInRect(&l.hScroll, pt)) return HTHSCROLL;
  if (PtInRect(&l.closeButton, pt)) return HTCLOSE;
  if (PtInRect(&l.maxButton, pt)) return HTMAXBUTTON;
  if (PtInRect(&l.minButton, pt)) return HTMINBUTTON;
  RECT captionRow = l.caption;
  captionRow.bottom += 1;  // the line under the bar belongs to the caption
  if (PtInRect(&captionRow, pt)) return HTCAPTION;
  return HTBORDER;
}

namespace {

HFONT CaptionFont() {
  // Created once and kept: the caption font lives as long as the process.
  static HFONT font = CreateFontA(-12, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "宋体");
  return font;
}

void FillBox(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
  RECT r{left, top, right, bottom};
  FillSolidRect(dc, &r, colour);
}

// The maximise and minimise buttons: a raised face with a window outline or a bar.
void DrawBoxButton(HDC dc, const RECT& rc, bool maximise, bool enabled) {
  RECT b = rc;
  DrawFrameControl(dc, &b, DFC_BUTTON, DFCS_BUTTONPUSH);
  COLORREF c = GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_BTNSHADOW);
  int x = rc.left + 4, y = rc.top + 3;
  if (maximise) {
    FillBox(dc, x, y, x + 9, y + 2, c);
    FillBox(dc, x, y + 2, x + 1, y + 9, c);
    FillBox(dc, x + 8, y + 2, x + 9, y + 9, c);
    FillBox(dc, x, y + 8, x + 9, y + 9, c);
  } else {
    FillBox(dc, x, y + 7, x + 6, y + 9, c);
  }
}

void DrawCaption(HDC dc, const NonClientLayout& l, DWORD style, const std::string& title, bool active) {
  const RECT& c = l.caption;
  COLORREF from = GetSysColor(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION);
  COLORREF to = GetSysColor(active ? COLOR_GRADIENTACTIVECAPTION : COLOR_GRADIENTINACTIVECAPTION);
  TRIVERTEX v[2] = {};
  v[0].x = c.left;
  v[0].y = c.top;
  v[0].Red = static_cast<COLOR16>(GetRValue(from) << 8);
  v[0].Green = static_cast<COLOR16>(GetGValue(from) << 8);
  v[0].Blue = static_cast<COLOR16>(GetBValue(from) << 8);
  v[1].x = c.right;
  v[1].y = c.bottom;
  v[1].Red = static_cast<COLOR16>(GetRValue(to) << 8);
  v[1].Green = static_cast<COLOR16>(GetGValue(to) << 8);
  v[1].Blue = static_cast<COLOR16>(GetBValue(to) << 8);
  GRADIENT_RECT gr{0, 1};
  GradientFill(dc, v, 2, &gr, 1, GRADIENT_FILL_RECT_H);
  // The line between the caption and what lies below it.
  RECT line{c.left, c.bottom, c.right, c.bottom + 1};
  FillRect(dc, &line, reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1)));

  RECT textRect{c.left + 3, c.top, c.right - 2, c.bottom};
  if (!IsRectEmpty(&l.minButton)) {
    textRect.right = l.minButton.left - 2;
  } else if (!IsRectEmpty(&l.closeButton)) {
    textRect.right = l.closeButton.left - 2;
  }
  if (!title.empty() && textRect.right > textRect.left) {
    HGDIOBJ oldFont = SelectObject(dc, CaptionFont());
    int oldMode = SetBkMode(dc, TRANSPARENT);
    COLORREF oldColour =
        SetTextColor(dc, GetSysColor(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
    DrawTextA(dc, title.c_str(), static_cast<int>(title.size()), &textRect,
              DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_END_ELLIPSIS | DT_NOPREFIX);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
    SelectObject(dc, oldFont);
  }
  if (!IsRectEmpty(&l.closeButton)) {
    RECT b = l.closeButton;
    DrawFrameControl(dc, &b, DFC_CAPTION, DFCS_CAPTIONCLOSE);
  }
  if (!IsRectEmpty(&l.maxButton)) DrawBoxButton(dc, l.maxButton, true, (style & WS_MAXIMIZEBOX) != 0);
  if (!IsRectEmpty(&l.minButton)) DrawBoxButton(dc, l.minButton, false, (style & WS_MINIMIZEBOX) != 0);
}

}  // namespace

void PaintNonClient(HWND hwnd, HDC dc, bool active) {
  DWORD style = 0, exStyle = 0;
  RECT window{};
  std::string title;
  {
    auto lock = UserLock();
    WindowRecord* w = FindWindowRecord(hwnd);
    if (!w) return;
    style = w->style;
    exStyle = w->exStyle;
    window = w->windowRect;
    title = w->text;
  }
  int width = RectWidth(window);
  int height = RectHeight(window);
  NonClientLayout l = LayoutNonClient(width, height, style, exStyle);
  RECT rc{0, 0, width, height};
  HBRUSH face = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  if (l.frame == 1) {
    FrameRect(dc, &rc, reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOWFRAME + 1)));
  } else if (l.frame > 1) {
    // Classic raised frame: light and highlight outside, shadow and dark shadow inside, and
    // the face colour for the rest of the frame's width.
    RECT edge = rc;
    DrawEdge(dc, &edge, EDGE_RAISED, BF_RECT | BF_ADJUST);
    for (int i = 2; i < l.frame; ++i) {
      FrameRect(dc, &edge, face);
      InflateRect(&edge, -1, -1);
    }
  }
  if (HasCaption(style)) DrawCaption(dc, l, style, title, active);
  if (exStyle & WS_EX_CLIENTEDGE) {
    RECT e = l.clientEdge;
    DrawEdge(dc, &e, EDGE_SUNKEN, BF_RECT);
  } else if (exStyle & WS_EX_STATICEDGE) {
    RECT e = l.clientEdge;
    DrawEdge(dc, &e, BDR_SUNKENOUTER, BF_RECT);
  }
  if (!IsRectEmpty(&l.vScroll) || !IsRectEmpty(&l.hScroll)) PaintWindowScrollBars(hwnd, dc, l.vScroll, l.hScroll);
}

}  // namespace platform
