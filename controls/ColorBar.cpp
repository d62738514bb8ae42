#include "controls/ColorBar.h"

#include <cmath>

#include "platform/gdi/Gdi.h"
#include "platform/mfc/DC.h"
#include "platform/user/User.h"

BEGIN_MESSAGE_MAP(CColorBar, CStatic)
  ON_WM_PAINT()
  ON_WM_TIMER()
END_MESSAGE_MAP()

namespace {

int Step(int first, int second, int pureBand) {
  if (pureBand <= 0) return 0;
  return static_cast<int>(std::lround(static_cast<double>(first - second) / pureBand));
}

int MoveChannel(int previous, int step, int target) {
  int next = previous - step;
  if (step > 0 && next < target) return target;
  if (step < 0 && next > target) return target;
  return next;
}

COLORREF MoveColor(COLORREF previous, int r, int g, int b, COLORREF second) {
  return RGB(MoveChannel(GetRValue(previous), r, GetRValue(second)), MoveChannel(GetGValue(previous), g, GetGValue(second)),
             MoveChannel(GetBValue(previous), b, GetBValue(second)));
}

}  // namespace

CColorBar::CColorBar() {
  for (COLORREF& c : m_bands) c = m_second;
}

CColorBar::~CColorBar() {
  for (CBrush& brush : m_brushes) brush.DeleteObject();
}

void CColorBar::ComputeBands(COLORREF first, COLORREF second, int pureBand, COLORREF bands[COLORBAR_BANDS]) {
  if (pureBand < 0) pureBand = 0;
  if (pureBand >= COLORBAR_BANDS) pureBand = COLORBAR_BANDS - 1;
  int r = Step(GetRValue(first), GetRValue(second), pureBand);
  int g = Step(GetGValue(first), GetGValue(second), pureBand);
  int b = Step(GetBValue(first), GetBValue(second), pureBand);
  bands[pureBand] = first;
  for (int i = pureBand - 1; i >= 0; --i) bands[i] = MoveColor(bands[i + 1], r, g, b, second);
  for (int i = pureBand + 1; i < COLORBAR_BANDS; ++i) bands[i] = MoveColor(bands[i - 1], r, g, b, second);
}

void CColorBar::SetColors(COLORREF first, COLORREF second) {
  m_first = first;
  m_second = second;
  m_redStep = Step(GetRValue(first), GetRValue(second), m_pureBand);
  m_greenStep = Step(GetGValue(first), GetGValue(second), m_pureBand);
  m_blueStep = Step(GetBValue(first), GetBValue(second), m_pureBand);
  ComputeBands(first, second, m_pureBand, m_bands);
  RebuildBrushes();
}

void CColorBar::RebuildBrushes() {
  for (int i = 0; i < COLORBAR_BANDS; ++i) {
    m_brushes[i].DeleteObject();
    m_brushes[i].CreateSolidBrush(m_bands[i]);
  }
}

void CColorBar::Start(UINT period) {
  KillTimer(COLORBAR_TIMER);
  SetTimer(COLORBAR_TIMER, period, nullptr);
}

void CColorBar::Stop() { KillTimer(COLORBAR_TIMER); }

void CColorBar::Rotate() {
  if (m_rotateRight) {
    COLORREF last = m_bands[COLORBAR_BANDS - 1];
    for (int i = COLORBAR_BANDS - 1; i > 0; --i) m_bands[i] = m_bands[i - 1];
    m_bands[0] = last;
  } else {
    COLORREF first = m_bands[0];
    for (int i = 0; i < COLORBAR_BANDS - 1; ++i) m_bands[i] = m_bands[i + 1];
    m_bands[COLORBAR_BANDS - 1] = first;
  }
  RebuildBrushes();
}

void CColorBar::Draw() {
  if (m_hWnd == nullptr) return;
  CClientDC dc(this);
  CRect rect;
  GetClientRect(&rect);
  dc.FillSolidRect(&rect, m_second);
  int extent = m_horizontal ? rect.right : rect.bottom;
  int unit = extent / COLORBAR_BANDS;
  for (int i = 0; i < COLORBAR_BANDS; ++i) {
    CRect band = rect;
    int start = i * unit;
    int end = i == COLORBAR_BANDS - 1 ? extent : start + unit;
    if (m_horizontal) {
      band.left = rect.left + start;
      band.right = rect.left + end;
      if (i == COLORBAR_BANDS - 1) band.right = rect.right;
    } else {
      band.top = rect.top + start;
      band.bottom = rect.top + end;
      if (i == COLORBAR_BANDS - 1) band.bottom = rect.bottom;
    }
    if (m_brushes[i].GetSafeHandle() != nullptr) {
      dc.FillRect(&band, &m_brushes[i]);
    } else {
      dc.FillSolidRect(&band, m_bands[i]);
    }
  }
}

void CColorBar::OnPaint() {
  ::ValidateRect(m_hWnd, nullptr);
  Draw();
}

void CColorBar::OnTimer(UINT_PTR nIDEvent) {
  Rotate();
  Draw();
  CStatic::OnTimer(nIDEvent);
}
