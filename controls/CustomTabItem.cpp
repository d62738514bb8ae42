#include "controls/CustomTabItem.h"

#include "platform/gdi/Text.h"

CCustomTabItem::~CCustomTabItem() {
  if (m_region) DeleteObject(m_region);
}

BOOL CCustomTabItem::RebuildRegion(bool top) {
  if (m_region) {
    DeleteObject(m_region);
    m_region = nullptr;
  }
  if (m_shape == TABSHAPE_HIDDEN) {
    m_region = CreateRectRgn(0, 0, 0, 0);
  } else {
    POINT points[6];
    GetShapePoints(m_tabRect, m_shape, top, points);
    m_region = CreatePolygonRgn(points, 6, WINDING);
  }
  return m_region != nullptr;
}

BOOL CCustomTabItem::HitRegion(POINT pt) const {
  return m_shape != TABSHAPE_HIDDEN && m_region && PtInRegion(m_region, pt.x, pt.y);
}

namespace {

void Line(HDC dc, HPEN pen, POINT from, POINT to) {
  HGDIOBJ old = SelectObject(dc, pen);
  MoveToEx(dc, from.x, from.y, nullptr);
  LineTo(dc, to.x, to.y);
  SelectObject(dc, old);
}

}  // namespace

void CCustomTabItem::Draw(HDC dc, HFONT font, bool top, bool rightToLeft) const {
  if (m_shape == TABSHAPE_HIDDEN) return;
  POINT q[4];
  int n = GetOutlinePoints(m_tabRect, m_shape, top, q);
  const bool light = m_selected || m_highlighted;
  const COLORREF fill = light ? TAB_LIGHT_FILL_COLOUR : TAB_DARK_FILL_COLOUR;

  HBRUSH brush = CreateSolidBrush(fill);
  if (brush && m_region) FillRgn(dc, m_region, brush);
  if (brush) DeleteObject(brush);

  HPEN outline = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNTEXT));
  HPEN shadow = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
  if (n == 2) {
    Line(dc, outline, q[0], q[1]);
    if (!m_selected) Line(dc, shadow, POINT{q[0].x - 1, q[0].y}, POINT{q[1].x - 1, q[1].y});
  } else if (n == 4) {
    Line(dc, outline, q[0], q[1]);
    Line(dc, shadow, q[1], q[2]);
    // An unselected tab gets a second, shadow-coloured slant beside its right edge.
    if (!m_selected) Line(dc, shadow, POINT{q[2].x - 1, q[2].y}, POINT{q[3].x - 1, q[3].y});
    Line(dc, outline, q[2], q[3]);
  }
  if (outline) DeleteObject(outline);
  if (shadow) DeleteObject(shadow);

  if (n == 4) {
    const int h = m_tabRect.bottom - m_tabRect.top;
    RECT rc{m_tabRect.left + h / 2, m_tabRect.top + 2, m_tabRect.right - h / 2, m_tabRect.bottom - 2};
    HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
    COLORREF oldText = SetTextColor(dc, GetSysColor(light ? COLOR_WINDOWTEXT : COLOR_BTNTEXT));
    COLORREF oldBack = SetBkColor(dc, fill);
    UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    if (rightToLeft) format |= DT_RTLREADING;
    DrawTextA(dc, m_text, m_text.GetLength(), &rc, format);
    SetBkColor(dc, oldBack);
    SetTextColor(dc, oldText);
    if (oldFont) SelectObject(dc, oldFont);
  }
}
