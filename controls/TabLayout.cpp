#include "controls/TabLayout.h"

#include <algorithm>

namespace {

bool Has(DWORD style, DWORD bit) { return (style & bit) != 0; }

void OffsetX(RECT& rc, int dx) {
  rc.left += dx;
  rc.right += dx;
}

bool Inside(const RECT& rc, POINT pt) {
  return pt.x >= rc.left && pt.x < rc.right && pt.y >= rc.top && pt.y < rc.bottom;
}

bool IsSliver(BYTE shape) { return shape == TABSHAPE_SLIVER || shape == TABSHAPE_SLIVER_SELECTED; }

}  // namespace

int ComputeTabRects(TabStrip& strip) {
  const int h = strip.thickness;
  const bool top = Has(strip.style, TABSTYLE_TOP);
  int widest = 0;
  for (const TabGeometry& tab : strip.tabs) widest = std::max(widest, tab.textWidth);
  int p = 0;
  for (TabGeometry& tab : strip.tabs) {
    int w = Has(strip.style, TABSTYLE_FIXED_WIDTH) ? widest : std::max(0, tab.textWidth);
    int y0 = top ? 0 : 1;
    int y1 = top ? h - 2 : h - 1;
    tab.tabRect = RECT{0, y0, h + w + 4, y1};
    tab.textRect = RECT{h / 2, y0, h / 2 + w + 4, y1};
    OffsetX(tab.tabRect, p);
    OffsetX(tab.textRect, p);
    p += (tab.tabRect.right - tab.tabRect.left) - h / 2;
  }
  return strip.tabs.empty() ? 0 : strip.tabs.back().tabRect.right;
}

int ButtonAreaWidth(DWORD style, int thickness) {
  int n = Has(style, TABSTYLE_FOUR_BUTTONS) ? 4 : 2;
  if (Has(style, TABSTYLE_CLOSE_BUTTON)) ++n;
  return (thickness - 3) * n + 3;
}

void PositionTabs(TabStrip& strip, int start) {
  const int h = strip.thickness;
  const bool after = Has(strip.style, TABSTYLE_BUTTONS_AFTER);
  if (after) start = 0;
  const int area = ButtonAreaWidth(strip.style, h);
  const int first = strip.firstVisible;
  int acc = start;
  for (int i = 0; i < static_cast<int>(strip.tabs.size()); ++i) {
    TabGeometry& tab = strip.tabs[i];
    int width = tab.tabRect.right - tab.tabRect.left;
    if (i < first - 1) {
      tab.shape = TABSHAPE_HIDDEN;
      acc -= width - h / 2;
      tab.textRect = RECT{0, 0, 0, 0};
    } else if (i == first - 1) {
      // The end of the tab scrolled out just before the first visible one shows as a sliver at
      // the start of the tab area.
      tab.shape = (i == strip.selection) ? TABSHAPE_SLIVER_SELECTED : TABSHAPE_SLIVER;
      acc -= width - h / 2;
      tab.tabRect = RECT{0, 1, h / 2, h - 1};
      if (!after) OffsetX(tab.tabRect, area);
      tab.textRect = RECT{0, 0, 0, 0};
    } else {
      bool full = i == strip.selection || i == static_cast<int>(strip.tabs.size()) - 1;
      tab.shape = full ? TABSHAPE_FULL : TABSHAPE_COVERED;
      OffsetX(tab.tabRect, acc);
      OffsetX(tab.textRect, acc);
    }
  }
}

void GetShapePoints(const RECT& rc, BYTE shape, bool top, POINT points[6]) {
  const int l = rc.left;
  const int r = rc.right;
  const int h = rc.bottom - rc.top;
  // The wide edge lies at t, the narrow one at b; a strip standing on its base line mirrors them.
  const int t = top ? rc.bottom + 1 : rc.top;
  const int b = top ? rc.top : rc.bottom;
  const int mid = h / 2;
  switch (shape) {
    case TABSHAPE_FULL:
    case TABSHAPE_COVERED:
      points[0] = POINT{l, t};
      points[1] = POINT{l + h / 4, mid};
      points[2] = POINT{l + h / 2, b};
      points[3] = POINT{r - h / 2, b};
      points[4] = POINT{r - h / 4, mid};
      points[5] = shape == TABSHAPE_FULL ? POINT{r, t} : POINT{r - h / 2, t};
      return;
    case TABSHAPE_SLIVER_SELECTED:
      points[0] = POINT{l, t};
      points[1] = POINT{l, b};
      for (int i = 2; i < 6; ++i) points[i] = POINT{l + h / 2, t};
      return;
    case TABSHAPE_SLIVER:
      points[0] = POINT{l, t};
      points[1] = POINT{l + h / 4, mid};
      for (int i = 2; i < 6; ++i) points[i] = POINT{l, b};
      return;
    default:
      for (int i = 0; i < 6; ++i) points[i] = POINT{0, 0};
      return;
  }
}

int GetOutlinePoints(const RECT& rc, BYTE shape, bool top, POINT points[4]) {
  const int l = rc.left;
  const int r = rc.right;
  const int t = rc.top;
  const int b = rc.bottom;
  const int h = b - t;
  if (shape == TABSHAPE_FULL || shape == TABSHAPE_COVERED) {
    if (top) {
      points[0] = POINT{l, b};
      points[1] = POINT{l + h / 2, t};
      points[2] = POINT{r - h / 2, t};
      points[3] = POINT{r + 1, b + 1};
    } else {
      points[0] = POINT{l, t};
      points[1] = POINT{l + h / 2, b};
      points[2] = POINT{r - h / 2, b};
      points[3] = POINT{r + 1, t + 1};
    }
    return 4;
  }
  if (IsSliver(shape)) {
    points[0] = top ? POINT{l, t} : POINT{l, b};
    points[1] = top ? POINT{l + h / 2, b} : POINT{l + h / 2, t};
    return 2;
  }
  return 0;
}

LayoutOutcome RecalcStrip(TabStrip& strip, int mode, int index) {
  LayoutOutcome out;
  int length = strip.length;
  const int h = strip.thickness;
  const DWORD style = strip.style;
  const int count = static_cast<int>(strip.tabs.size());
  int* states = strip.buttonStates;

  int closeWidth = 0;
  if (Has(style, TABSTYLE_CLOSE_BUTTON)) {
    if (states[TABBTN_CLOSE] == TABBTN_HIDDEN) states[TABBTN_CLOSE] = TABBTN_NORMAL;
    closeWidth = h;
  } else {
    states[TABBTN_CLOSE] = TABBTN_HIDDEN;
  }

  const int total = ComputeTabRects(strip);
  if (Has(style, TABSTYLE_AUTOHIDE_BUTTONS) && (count <= 1 || length - closeWidth >= total)) {
    for (int b = TABBTN_PREV; b <= TABBTN_LAST; ++b) states[b] = TABBTN_HIDDEN;
    strip.firstVisible = 0;
    PositionTabs(strip, closeWidth);
    if (mode == LAYOUT_EDIT) {
      out.placeEdit = true;
      out.editStart = 0;
    }
    return out;
  }

  if (states[TABBTN_PREV] == TABBTN_HIDDEN) states[TABBTN_PREV] = states[TABBTN_NEXT] = TABBTN_NORMAL;
  if (Has(style, TABSTYLE_FOUR_BUTTONS)) {
    if (states[TABBTN_FIRST] == TABBTN_HIDDEN) states[TABBTN_FIRST] = states[TABBTN_LAST] = TABBTN_NORMAL;
  } else {
    states[TABBTN_FIRST] = states[TABBTN_LAST] = TABBTN_HIDDEN;
  }
  if (count == 0) return out;

  const int area = ButtonAreaWidth(style, h);
  const bool after = Has(style, TABSTYLE_BUTTONS_AFTER);
  if (after) length -= area;
  auto lastRight = [&] { return strip.tabs.back().tabRect.right; };
  auto relayout = [&] {
    ComputeTabRects(strip);
    PositionTabs(strip, area);
  };

  switch (mode) {
    case LAYOUT_SCROLL_LEFT:
      PositionTabs(strip, area);
      if (strip.firstVisible < 1) return out;
      strip.firstVisible -= 1;
      break;
    case LAYOUT_SCROLL_RIGHT:
      PositionTabs(strip, area);
      if (lastRight() <= length || strip.firstVisible == count - 1) return out;
      strip.firstVisible += 1;
      break;
    case LAYOUT_SHOW_TAB: {
      PositionTabs(strip, area);
      if (index < 0 || index >= count) return out;
      if (IsSliver(strip.tabs[index].shape)) {
        strip.firstVisible -= 1;
        break;
      }
      if (index <= strip.firstVisible) return out;
      // Only a tab drawn in full (the selected or the last one) is scrolled into view.
      const int leftLimit = after ? 0 : area;
      do {
        const TabGeometry& tab = strip.tabs[index];
        if (tab.shape != TABSHAPE_FULL || tab.tabRect.right <= length || tab.tabRect.left <= leftLimit) break;
        strip.firstVisible += 1;
        relayout();
      } while (strip.firstVisible < index);
      return out;
    }
    case LAYOUT_FIRST:
      strip.firstVisible = 0;
      break;
    case LAYOUT_LAST:
    case LAYOUT_FIT: {
      if (mode == LAYOUT_LAST) strip.firstVisible = count - 1;
      PositionTabs(strip, area);
      if (strip.firstVisible < 0) return out;
      // Empty room at the end of the strip is filled by bringing earlier tabs back, as long as
      // the last tab's right edge stays below the end.
      bool stepped = false;
      while (strip.firstVisible >= 0) {
        if (lastRight() >= length) {
          if (!stepped) return out;
          break;
        }
        strip.firstVisible -= 1;
        stepped = true;
        if (strip.firstVisible >= 0) relayout();
      }
      strip.firstVisible += 1;
      break;
    }
    case LAYOUT_EDIT:
      PositionTabs(strip, area);
      out.placeEdit = true;
      out.editStart = area;
      return out;
    case LAYOUT_KEEP:
    default:
      break;
  }
  relayout();
  return out;
}

int ShownButtonCount(const TabStrip& strip) {
  int k = 0;
  if (strip.buttonStates[TABBTN_CLOSE] != TABBTN_HIDDEN) k += 1;
  if (strip.buttonStates[TABBTN_PREV] != TABBTN_HIDDEN) k += 2;
  if (strip.buttonStates[TABBTN_FIRST] != TABBTN_HIDDEN) k += 2;
  return k;
}

int HitTestButtons(const TabStrip& strip, POINT pt) {
  const int h = strip.thickness;
  const int l = strip.length;
  const int bw = h - 3;
  const bool after = Has(strip.style, TABSTYLE_BUTTONS_AFTER);
  const bool closeShown = strip.buttonStates[TABBTN_CLOSE] != TABBTN_HIDDEN;
  const int k = ShownButtonCount(strip);
  const int x0 = closeShown ? bw : 0;

  if (closeShown) {
    RECT rc = after ? RECT{l - bw - 1, 0, l, h} : RECT{0, 0, h - 2, h};
    if (Inside(rc, pt)) return TABHIT_CLOSE;
  }
  if (strip.buttonStates[TABBTN_PREV] == TABBTN_HIDDEN || k < 2) return TABHIT_NOWHERE;
  auto span = [&](int from, int to) { return RECT{from, 0, to, h}; };
  if (k <= 3) {
    RECT prev = after ? span(l - x0 - 2 * bw - 3, l - x0 - bw - 1) : span(x0, x0 + bw + 1);
    RECT next = after ? span(l - x0 - bw - 1, l - x0) : span(x0 + bw + 1, x0 + 2 * bw + 3);
    if (Inside(prev, pt)) return TABHIT_PREV;
    if (Inside(next, pt)) return TABHIT_NEXT;
    return TABHIT_NOWHERE;
  }
  RECT first = after ? span(l - x0 - 4 * bw - 3, l - x0 - 3 * bw - 2) : span(x0, x0 + bw + 1);
  RECT prev = after ? span(l - x0 - 3 * bw - 2, l - x0 - 2 * bw - 1) : span(x0 + bw + 1, x0 + 2 * bw + 1);
  RECT next = after ? span(l - x0 - 2 * bw - 1, l - x0 - bw - 1) : span(x0 + 2 * bw + 1, x0 + 3 * bw + 2);
  RECT last = after ? span(l - x0 - bw - 1, l - x0) : span(x0 + 3 * bw + 2, x0 + 4 * bw + 3);
  const bool fourShown = strip.buttonStates[TABBTN_FIRST] != TABBTN_HIDDEN;
  if (fourShown && Inside(first, pt)) return TABHIT_FIRST;
  if (Inside(prev, pt)) return TABHIT_PREV;
  if (Inside(next, pt)) return TABHIT_NEXT;
  if (fourShown && Inside(last, pt)) return TABHIT_LAST;
  return TABHIT_NOWHERE;
}

RECT ButtonAreaRect(const TabStrip& strip) {
  const int h = strip.thickness;
  const bool top = Has(strip.style, TABSTYLE_TOP);
  if (strip.buttonStates[TABBTN_CLOSE] == TABBTN_HIDDEN && strip.buttonStates[TABBTN_PREV] == TABBTN_HIDDEN) {
    return RECT{0, 0, 0, 0};
  }
  const int width = (h - 3) * ShownButtonCount(strip) + 3;
  RECT rc = top ? RECT{0, 0, width, h - 1} : RECT{0, 1, width, h};
  if (Has(strip.style, TABSTYLE_BUTTONS_AFTER)) OffsetX(rc, strip.length - width);
  return rc;
}

RECT ButtonFaceRect(const TabStrip& strip, int button) {
  if (button < TABBTN_PREV || button > TABBTN_CLOSE || strip.buttonStates[button] == TABBTN_HIDDEN) {
    return RECT{0, 0, 0, 0};
  }
  const int h = strip.thickness;
  const int l = strip.length;
  const int bw = h - 3;
  const bool top = Has(strip.style, TABSTYLE_TOP);
  const bool after = Has(strip.style, TABSTYLE_BUTTONS_AFTER);
  const int y0 = top ? 1 : 2;
  const int y1 = top ? h - 2 : h - 1;
  auto face = [&](int from, int to) { return RECT{from, y0, to, y1}; };
  if (button == TABBTN_CLOSE) return after ? face(l - bw - 1, l - 1) : face(1, bw + 1);
  const bool closeShown = strip.buttonStates[TABBTN_CLOSE] != TABBTN_HIDDEN;
  const int x0 = after ? ButtonAreaRect(strip).left : (closeShown ? bw : 0);
  const bool four = strip.buttonStates[TABBTN_FIRST] != TABBTN_HIDDEN;
  if (!four) {
    if (button == TABBTN_PREV) return face(x0 + 1, x0 + bw + 1);
    return face(x0 + bw + 2, x0 + 2 * bw + 2);
  }
  switch (button) {
    case TABBTN_FIRST:
      return face(x0 + 1, x0 + bw + 1);
    case TABBTN_PREV:
      return face(x0 + bw + 1, x0 + 2 * bw + 1);
    case TABBTN_NEXT:
      return face(x0 + 2 * bw + 2, x0 + 3 * bw + 2);
    default:
      return face(x0 + 3 * bw + 2, x0 + 4 * bw + 2);
  }
}

BaseLine ComputeBaseLine(const TabStrip& strip) {
  BaseLine line;
  line.y = Has(strip.style, TABSTYLE_TOP) ? strip.thickness - 2 : 1;
  // Without tabs there is nothing to join to the content, so no line is drawn.
  if (strip.tabs.empty()) return line;
  int s = 0;
  if (!Has(strip.style, TABSTYLE_BUTTONS_AFTER)) {
    RECT area = ButtonAreaRect(strip);
    s = area.right - area.left;
  }
  const int end = strip.tabs.back().tabRect.right;
  const int sel = strip.selection;
  if (sel >= 0 && sel < static_cast<int>(strip.tabs.size()) && strip.tabs[sel].shape != TABSHAPE_HIDDEN) {
    line.segments = 2;
    line.from[0] = s;
    line.to[0] = strip.tabs[sel].tabRect.left;
    line.from[1] = strip.tabs[sel].tabRect.right;
    line.to[1] = end;
  } else {
    line.segments = 1;
    line.from[0] = s;
    line.to[0] = end;
  }
  return line;
}
