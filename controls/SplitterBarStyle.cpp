#include "controls/SplitterBarStyle.h"

SplitterBaseDraw SplitterBarStyle::PlanPart(int style, int type, bool hasDc) {
  if (style < 0 || style > 4) return SPLIT_DRAW_NOTHING;
  if (!hasDc) return SPLIT_DRAW_BASE_ONLY;
  if (type == SPLIT_PART_BORDER) {
    // Styles 2 and 3 leave the outer border out: the skin's panes meet the frame directly.
    return (style == 2 || style == 3) ? SPLIT_DRAW_NOTHING : SPLIT_DRAW_OWN_ONLY;
  }
  if (type == SPLIT_PART_BAR && style != 0) return SPLIT_DRAW_BASE_THEN_OWN;
  return SPLIT_DRAW_BASE_ONLY;
}

void SplitterBarStyle::TileBitmap(HDC dc, HBITMAP bitmap, const RECT& rect) {
  if (!dc || !bitmap) return;
  BITMAP info{};
  if (!GetObject(bitmap, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0) return;
  if (rect.right <= rect.left || rect.bottom <= rect.top) return;
  HDC source = CreateCompatibleDC(dc);
  if (!source) return;
  HGDIOBJ old = SelectObject(source, bitmap);
  int w = info.bmWidth;
  int h = info.bmHeight;
  // Start at the tile boundary at or before the rectangle's corner, so that the first row and
  // column are partial tiles cut to the bar.
  auto floorTo = [](int v, int step) { return v >= 0 ? v - v % step : v - ((v % step) + step) % step; };
  for (int y = floorTo(rect.top, h); y < rect.bottom; y += h) {
    int top = y < rect.top ? rect.top : y;
    int bottom = y + h > rect.bottom ? rect.bottom : y + h;
    for (int x = floorTo(rect.left, w); x < rect.right; x += w) {
      int left = x < rect.left ? rect.left : x;
      int right = x + w > rect.right ? rect.right : x + w;
      BitBlt(dc, left, top, right - left, bottom - top, source, left - x, top - y, SRCCOPY);
    }
  }
  SelectObject(source, old);
  DeleteDC(source);
}

void SplitterBarStyle::PaintPart(HDC dc, const SplitterBarLook& look, int type, const RECT& rect) {
  if (!dc) return;
  if (type == SPLIT_PART_BORDER) {
    switch (look.style) {
      case 0: Draw3dRect(dc, &rect, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNHIGHLIGHT)); break;
      case 1: Draw3dRect(dc, &rect, GetSysColor(COLOR_GRAYTEXT), GetSysColor(COLOR_BTNHIGHLIGHT)); break;
      case 4: {
        HBRUSH brush = CreateSolidBrush(look.color);
        FrameRect(dc, &rect, brush);
        DeleteObject(brush);
        break;
      }
      default: break;
    }
    return;
  }
  if (type != SPLIT_PART_BAR) return;
  switch (look.style) {
    case 1:
    case 4: {
      HBRUSH brush = CreateSolidBrush(look.color);
      FillRect(dc, &rect, brush);
      DeleteObject(brush);
      break;
    }
    case 2:
    case 3: {
      bool wide = rect.right - rect.left > rect.bottom - rect.top;
      TileBitmap(dc, wide ? look.horizontalBar : look.verticalBar, rect);
      if (look.style == 3 && look.gripper) {
        BITMAP info{};
        if (GetObject(look.gripper, sizeof info, &info) && info.bmWidth > 0 && info.bmHeight > 0) {
          HDC source = CreateCompatibleDC(dc);
          if (source) {
            HGDIOBJ old = SelectObject(source, look.gripper);
            BitBlt(dc, rect.left, rect.top, info.bmWidth, info.bmHeight, source, 0, 0, SRCCOPY);
            SelectObject(source, old);
            DeleteDC(source);
          }
        }
      }
      break;
    }
    default: break;
  }
}
