// 3-D edges and frame controls in the classic look: DrawEdge, Draw3dRect, FillSolidRect and
// DrawFrameControl (push buttons, check boxes, scroll arrows, the caption close button).
#include <algorithm>

#include "platform/base/RectUtil.h"
#include "platform/gdi/DcInternal.h"

using namespace gdi;

namespace {

void Fill(HDC dc, int l, int t, int r, int b, COLORREF c) {
  auto ctx = LookupDc(dc);
  if (!ctx || l >= r || t >= b) return;
  POINT off = ctx->LogicalOffset();
  BrushObject brush;
  brush.m_colour = c;
  FillRectRop(*ctx, RECT{l + off.x, t + off.y, r + off.x, b + off.y}, &brush, 0xF0);
}

// One border ring: top and left in `tl`, bottom and right in `br`; where the right or bottom
// side is drawn, it takes the top-right or bottom-left corner pixel.
void Ring(HDC dc, RECT& rc, UINT sides, COLORREF tl, COLORREF br) {
  int topEnd = (sides & BF_RIGHT) ? rc.right - 1 : rc.right;
  int leftEnd = (sides & BF_BOTTOM) ? rc.bottom - 1 : rc.bottom;
  if (sides & BF_TOP) Fill(dc, rc.left, rc.top, topEnd, rc.top + 1, tl);
  if (sides & BF_LEFT) Fill(dc, rc.left, rc.top, rc.left + 1, leftEnd, tl);
  if (sides & BF_BOTTOM) Fill(dc, rc.left, rc.bottom - 1, rc.right, rc.bottom, br);
  if (sides & BF_RIGHT) Fill(dc, rc.right - 1, rc.top, rc.right, rc.bottom, br);
  if (sides & BF_LEFT) ++rc.left;
  if (sides & BF_TOP) ++rc.top;
  if (sides & BF_RIGHT) --rc.right;
  if (sides & BF_BOTTOM) --rc.bottom;
}

}  // namespace

BOOL DrawEdge(HDC dc, LPRECT rc, UINT edge, UINT flags) {
  if (!LookupDc(dc) || !rc) return FALSE;
  // Diagonal edges are not drawn by this layer: nothing in the program asks for them.
  if (flags & BF_DIAGONAL) return FALSE;
  RECT r = *rc;
  UINT sides = flags & BF_RECT;
  COLORREF outerTl = 0, outerBr = 0, innerTl = 0, innerBr = 0;
  bool outer = false, inner = false;
  if (flags & BF_MONO) {
    outer = (edge & BDR_OUTER) != 0;
    inner = (edge & BDR_INNER) != 0;
    outerTl = outerBr = GetSysColor(COLOR_WINDOWFRAME);
    innerTl = innerBr = GetSysColor(COLOR_WINDOW);
  } else if (flags & BF_FLAT) {
    outer = (edge & BDR_OUTER) != 0;
    inner = (edge & BDR_INNER) != 0;
    outerTl = outerBr = GetSysColor(COLOR_BTNSHADOW);
    innerTl = innerBr = GetSysColor(COLOR_BTNFACE);
  } else {
    if (edge & BDR_RAISEDOUTER) {
      outer = true;
      outerTl = GetSysColor((flags & BF_SOFT) ? COLOR_BTNHIGHLIGHT : COLOR_3DLIGHT);
      outerBr = GetSysColor(COLOR_3DDKSHADOW);
    } else if (edge & BDR_SUNKENOUTER) {
      outer = true;
      outerTl = GetSysColor((flags & BF_SOFT) ? COLOR_3DDKSHADOW : COLOR_BTNSHADOW);
      outerBr = GetSysColor(COLOR_BTNHIGHLIGHT);
    }
    if (edge & BDR_RAISEDINNER) {
      inner = true;
      innerTl = GetSysColor((flags & BF_SOFT) ? COLOR_3DLIGHT : COLOR_BTNHIGHLIGHT);
      innerBr = GetSysColor(COLOR_BTNSHADOW);
    } else if (edge & BDR_SUNKENINNER) {
      inner = true;
      innerTl = GetSysColor((flags & BF_SOFT) ? COLOR_BTNSHADOW : COLOR_3DDKSHADOW);
      innerBr = GetSysColor(COLOR_3DLIGHT);
    }
  }
  if (outer) Ring(dc, r, sides, outerTl, outerBr);
  if (inner) Ring(dc, r, sides, innerTl, innerBr);
  if (flags & BF_MIDDLE) {
    Fill(dc, r.left, r.top, r.right, r.bottom,
         GetSysColor((flags & BF_MONO) ? COLOR_WINDOW : COLOR_BTNFACE));
  }
  if (flags & BF_ADJUST) *rc = r;
  return TRUE;
}

// As MFC's CDC::FillSolidRect: the DC's background colour becomes the fill colour.
void FillSolidRect(HDC dc, const RECT* rc, COLORREF colour) {
  if (!rc) return;
  SetBkColor(dc, colour);
  Fill(dc, rc->left, rc->top, rc->right, rc->bottom, colour);
}

void Draw3dRect(HDC dc, const RECT* rc, COLORREF topLeft, COLORREF bottomRight) {
  if (!rc) return;
  int x = rc->left, y = rc->top, cx = rc->right - rc->left, cy = rc->bottom - rc->top;
  RECT parts[4] = {{x, y, x + cx - 1, y + 1},
                   {x, y, x + 1, y + cy - 1},
                   {x + cx - 1, y, x + cx, y + cy},
                   {x, y + cy - 1, x + cx, y + cy}};
  FillSolidRect(dc, &parts[0], topLeft);
  FillSolidRect(dc, &parts[1], topLeft);
  FillSolidRect(dc, &parts[2], bottomRight);
  FillSolidRect(dc, &parts[3], bottomRight);
}

namespace {

// A solid triangle arrow centred in rc, pointing in direction dir (DFCS_SCROLLUP ...).
void Arrow(HDC dc, const RECT& rc, UINT dir, COLORREF c) {
  int w = rc.right - rc.left, h = rc.bottom - rc.top;
  int size = std::max(1, (std::min(w, h) + 1) / 4);  // 4 rows in a 16-pixel button
  int cx = rc.left + (w - 1) / 2, cy = rc.top + (h - 1) / 2;
  for (int k = 0; k < size; ++k) {
    // Row k of the triangle counted from its tip is 2k + 1 pixels long.
    int half = k;
    int along = k - size / 2;
    switch (dir) {
      case DFCS_SCROLLUP: Fill(dc, cx - half, cy + along, cx + half + 1, cy + along + 1, c); break;
      case DFCS_SCROLLDOWN: Fill(dc, cx - half, cy - along, cx + half + 1, cy - along + 1, c); break;
      case DFCS_SCROLLLEFT: Fill(dc, cx + along, cy - half, cx + along + 1, cy + half + 1, c); break;
      default: Fill(dc, cx - along, cy - half, cx - along + 1, cy + half + 1, c); break;
    }
  }
}

void PushFace(HDC dc, RECT& r, UINT state) {
  if (state & DFCS_PUSHED) {
    DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_MIDDLE | BF_ADJUST | (state & DFCS_FLAT ? BF_FLAT : 0));
  } else {
    DrawEdge(dc, &r, EDGE_RAISED,
             BF_RECT | BF_MIDDLE | BF_SOFT | BF_ADJUST | (state & DFCS_FLAT ? BF_FLAT : 0));
  }
}

}  // namespace

BOOL DrawFrameControl(HDC dc, LPRECT rc, UINT type, UINT state) {
  if (!LookupDc(dc) || !rc) return FALSE;
  RECT r = *rc;
  switch (type) {
    case DFC_BUTTON: {
      if (state & DFCS_BUTTONPUSH) {
        PushFace(dc, r, state);
        if (state & DFCS_ADJUSTRECT) *rc = r;
        return TRUE;
      }
      if ((state & 0x1F) != DFCS_BUTTONCHECK && (state & 0x1F) != DFCS_BUTTON3STATE) return FALSE;
      // A 13 x 13 box centred vertically at the left, sunken, white (face when pushed or
      // inactive), with the tick in the window-text colour (grey when inactive).
      int size = std::min<int>(13, std::min(r.right - r.left, r.bottom - r.top));
      RECT box{r.left, r.top + (r.bottom - r.top - size) / 2, 0, 0};
      box.right = box.left + size;
      box.bottom = box.top + size;
      RECT inner = box;
      DrawEdge(dc, &inner, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
      bool grey = (state & (DFCS_PUSHED | DFCS_INACTIVE)) != 0;
      Fill(dc, inner.left, inner.top, inner.right, inner.bottom,
           GetSysColor(grey ? COLOR_BTNFACE : COLOR_WINDOW));
      if (state & DFCS_CHECKED) {
        COLORREF c = GetSysColor((state & DFCS_INACTIVE) ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT);
        // The classic 7-column tick, 3 pixels tall per column.
        static const int RISE[7] = {2, 3, 4, 3, 2, 1, 0};
        int x0 = inner.left + (inner.right - inner.left - 7) / 2;
        int y0 = inner.top + (inner.bottom - inner.top - 7) / 2;
        for (int k = 0; k < 7; ++k) Fill(dc, x0 + k, y0 + RISE[k], x0 + k + 1, y0 + RISE[k] + 3, c);
      }
      return TRUE;
    }
    case DFC_SCROLL: {
      UINT dir = state & 0x0F;
      if (dir > DFCS_SCROLLRIGHT) return FALSE;
      PushFace(dc, r, state);
      if (state & DFCS_PUSHED) OffsetRect(&r, 1, 1);
      if (state & DFCS_INACTIVE) {
        RECT shifted = r;
        OffsetRect(&shifted, 1, 1);
        Arrow(dc, shifted, dir, GetSysColor(COLOR_BTNHIGHLIGHT));
        Arrow(dc, r, dir, GetSysColor(COLOR_BTNSHADOW));
      } else {
        Arrow(dc, r, dir, GetSysColor(COLOR_BTNTEXT));
      }
      return TRUE;
    }
    case DFC_CAPTION: {
      if ((state & 0x0F) != DFCS_CAPTIONCLOSE) return FALSE;
      PushFace(dc, r, state);
      if (state & DFCS_PUSHED) OffsetRect(&r, 1, 1);
      // The cross: two diagonals two pixels thick in a square of about half the face.
      int w = r.right - r.left, h = r.bottom - r.top;
      int n = std::max(2, std::min(w, h) / 2);
      int x0 = r.left + (w - n) / 2, y0 = r.top + (h - n) / 2;
      COLORREF c = GetSysColor((state & DFCS_INACTIVE) ? COLOR_BTNSHADOW : COLOR_BTNTEXT);
      for (int k = 0; k < n; ++k) {
        Fill(dc, x0 + k, y0 + k, x0 + k + 2 > x0 + n ? x0 + n : x0 + k + 2, y0 + k + 1, c);
        int xr = x0 + n - 1 - k;
        Fill(dc, std::max(x0, xr - 1), y0 + k, xr + 1, y0 + k + 1, c);
      }
      return TRUE;
    }
    default:
      return FALSE;
  }
}
