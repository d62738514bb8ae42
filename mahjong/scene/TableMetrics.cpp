#include "mahjong/scene/TableMetrics.h"

void CTableMetrics::SetSmallScreen(bool small) {
  m_small = small;
  m_metrics = {small ? 42 : 54, small ? 60 : 77, 13, 22, 17, 16, 10,
               21, 33, 11, 26, 25, 11, 21, 33, 11, 26, 25, 11,
               26, 23, 19, 26, 25, 12, 26, 23, 19, 0, 40, 40, 30, 30};
}

RECT CTableMetrics::GetCentreRect() const {
  RECT r;
  r.left = sceneWidth / 2 - CENTRE_WIDTH / 2;
  r.top = sceneHeight / 2 - CENTRE_HEIGHT / 2 - GetCentreLift();
  r.right = r.left + CENTRE_WIDTH;
  r.bottom = r.top + CENTRE_HEIGHT;
  return r;
}

RECT CTableMetrics::GetDiceRect() const {
  RECT c = GetCentreRect();
  RECT r;
  r.left = c.left + CENTRE_WIDTH / 2 - 106;
  r.top = c.top + CENTRE_HEIGHT / 2 - 49;
  r.right = r.left + 212;
  r.bottom = r.top + 99;
  return r;
}

RECT CTableMetrics::GetClockRect() const {
  const RECT c = GetCentreRect();
  RECT r;
  r.left = c.left + 10;
  r.top = c.top + (CENTRE_HEIGHT - CLOCK_SIZE) / 2;
  r.right = r.left + CLOCK_SIZE;
  r.bottom = r.top + CLOCK_SIZE;
  return r;
}

RECT CTableMetrics::GetStakePanelRect(const RECT& clock) const {
  RECT r = GetCentreRect();
  r.left = clock.left + clock.right - r.left;
  return r;
}

int CTableMetrics::GetHandInsetX(int side) const { return side == 2 ? GetHandThickness(2) - 33 : 0; }

int CTableMetrics::GetHandInsetY(int side) const {
  if (side == 1) return 11;
  if (side == 3) return (GetHandThickness(3) - 25 - 11) / 2;
  return 0;
}

int CTableMetrics::GetHandLength(int side) const {
  if (side >= 0 && side <= 2) return 26 * (handSize + 2) + 10;
  if (side == 3) return handSize * Metric(METRIC_LARGE_WIDTH) + 12;
  return 0;
}

int CTableMetrics::GetHandThickness(int side) const {
  if (side >= 0 && side <= 2) return 26 + 23;
  if (side == 3) return Metric(METRIC_LARGE_HEIGHT) + 10;
  return 0;
}

bool CTableMetrics::GetHandArea(int side, RECT* out) const {
  if (side < 0 || side > 3 || out == nullptr) return false;
  const int L = GetHandLength(side), D = GetHandThickness(side);
  const int W = sceneWidth, H = sceneHeight, lift = GetCentreLift();
  const int margin = m_small ? 10 : systemBarHeight + 4;
  const int m = m_small ? 16 : 10;
  RECT r{};
  const int sideTop = H / 2 - L / 2 - m - lift;
  switch (side) {
    case 0: r.left = margin, r.right = margin + D, r.top = sideTop, r.bottom = sideTop + L; break;
    case 2: r.right = W - margin, r.left = r.right - D, r.top = sideTop, r.bottom = sideTop + L; break;
    case 1: r.left = W / 2 - L / 2, r.right = r.left + L, r.top = margin, r.bottom = margin + D; break;
    default: r.left = W / 2 - L / 2, r.right = r.left + L, r.bottom = H - margin, r.top = r.bottom - D; break;
  }
  *out = r;
  return true;
}

bool CTableMetrics::GetPlayedTileRect(int side, RECT* out) const {
  RECT a{};
  if (!GetHandArea(side, &a) || out == nullptr) return false;
  const int w = Metric(METRIC_LARGE_WIDTH), h = Metric(METRIC_LARGE_HEIGHT), g = playedTileGap;
  RECT r{};
  switch (side) {
    case 0: r.left = a.right + g, r.top = a.top + (GetHandLength(0) - h) / 2; break;
    case 1: r.left = a.left + (GetHandLength(1) - w) / 2, r.top = a.bottom + g; break;
    case 2: r.left = a.left - g - w, r.top = a.top + (GetHandLength(2) - h) / 2; break;
    default: r.left = a.left + (GetHandLength(3) - w) / 2, r.top = a.top - g - h; break;
  }
  r.right = r.left + w;
  r.bottom = r.top + h;
  *out = r;
  return true;
}

int CTableMetrics::HitTestHandInsert(const CTileTable& tiles, int x, int y, int handPlaceCount) const {
  const int w = Metric(METRIC_LARGE_WIDTH), depth = GetHandThickness(3);
  for (int i = 0; i < handPlaceCount; ++i) {
    const MJTile* t = tiles.GetTileRecord(MJ_ZONE_HAND, 3, i);
    if (t == nullptr || !t->present || !t->standing) continue;
    const int left = t->x, right = t->x + w;
    if (x < left || x >= right || y < 0 || y >= depth) continue;
    return (left + right) / 2 < x ? i - 1 : i;
  }
  return -2;
}
