#include "controls/CustomTabItem.h"

BOOL CCustomTabItem::RebuildRegion(bool top) {
  m_region.DeleteObject();
  if (m_shape == TABSHAPE_HIDDEN) return m_region.CreateRectRgn(0, 0, 0, 0);
  POINT points[6];
  GetShapePoints(m_tabRect, m_shape, top, points);
  return m_region.CreatePolygonRgn(points, 6, WINDING);
}

BOOL CCustomTabItem::HitRegion(POINT pt) const {
  return m_shape != TABSHAPE_HIDDEN && m_region.GetSafeHandle() && m_region.PtInRegion(pt.x, pt.y);
}

namespace {

void Line(CDC* pDC, CPen* pen, POINT from, POINT to) {
  CPen* old = pDC->SelectObject(pen);
  pDC->MoveTo(from);
  pDC->LineTo(to);
  pDC->SelectObject(old);
}

}  // namespace

void CCustomTabItem::Draw(CDC* pDC, CFont* pFont, bool top, bool rightToLeft) {
  if (m_shape == TABSHAPE_HIDDEN) return;
  POINT q[4];
  int n = GetOutlinePoints(m_tabRect, m_shape, top, q);
  const bool light = m_selected || m_highlighted;
  const COLORREF fill = light ? TAB_LIGHT_FILL_COLOUR : TAB_DARK_FILL_COLOUR;

  CBrush brush;
  if (brush.CreateSolidBrush(fill) && m_region.GetSafeHandle()) pDC->FillRgn(&m_region, &brush);

  CPen outline(PS_SOLID, 1, ::GetSysColor(COLOR_BTNTEXT));
  CPen shadow(PS_SOLID, 1, ::GetSysColor(COLOR_BTNSHADOW));
  if (n == 2) {
    Line(pDC, &outline, q[0], q[1]);
    if (!m_selected) Line(pDC, &shadow, POINT{q[0].x - 1, q[0].y}, POINT{q[1].x - 1, q[1].y});
  } else if (n == 4) {
    Line(pDC, &outline, q[0], q[1]);
    Line(pDC, &shadow, q[1], q[2]);
    // An unselected tab gets a second, shadow-coloured slant beside its right edge.
    if (!m_selected) Line(pDC, &shadow, POINT{q[2].x - 1, q[2].y}, POINT{q[3].x - 1, q[3].y});
    Line(pDC, &outline, q[2], q[3]);
  }

  if (n == 4) {
    const int h = m_tabRect.bottom - m_tabRect.top;
    RECT rc{m_tabRect.left + h / 2, m_tabRect.top + 2, m_tabRect.right - h / 2, m_tabRect.bottom - 2};
    CFont* oldFont = pFont ? pDC->SelectObject(pFont) : nullptr;
    COLORREF oldText = pDC->SetTextColor(::GetSysColor(light ? COLOR_WINDOWTEXT : COLOR_BTNTEXT));
    COLORREF oldBack = pDC->SetBkColor(fill);
    UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    if (rightToLeft) format |= DT_RTLREADING;
    pDC->DrawText(m_text, &rc, format);
    pDC->SetBkColor(oldBack);
    pDC->SetTextColor(oldText);
    if (oldFont) pDC->SelectObject(oldFont);
  }
}
