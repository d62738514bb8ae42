#include "variant/TableSidePanels.h"

#include <cmath>

#include "engine/Entity.h"
#include "engine/GameBase.h"
#include "engine/PictureEntity.h"
#include "engine/PlaneEntity.h"

namespace {

constexpr uint32_t KEY = 0xFF00FF;
// The side hands' panels read along their hands.
constexpr double PANEL_ANGLES[4] = {270.0, 0.0, 90.0, 0.0};

bool ValidSide(int side) { return side >= 0 && side < 4; }

}  // namespace

void CTableSidePanels::Build(uint32_t iconStrip) {
  if (Built()) return;
  m_strip = iconStrip;
  for (int side = 0; side < 4; ++side) {
    Entity* panel = m_scene.CreatePlane(2, -100, -100, PANEL_WIDTH, PANEL_HEIGHT, KEY, "侧面板");
    if (panel == nullptr) continue;
    panel->SetLevel(LEVEL);
    panel->SetAngle(PANEL_ANGLES[side]);
    PlaneEntity::SetFont(panel, 16, 400, "宋体");
    m_scene.ShowEntity(panel, 0);
    m_panels[side] = static_cast<uint32_t>(panel->GetId());
    for (int i = 0; i < ICONS; ++i) {
      Entity* icon = m_scene.CreatePicture(2, -100, -100, m_strip, 0, 0, ICON_SIZE, ICON_SIZE, "图标", KEY);
      if (icon == nullptr) continue;
      icon->SetLevel(LEVEL + 1);
      icon->SetAngle(PANEL_ANGLES[side]);
      m_scene.ShowEntity(icon, 0);
      m_icons[side][i] = static_cast<uint32_t>(icon->GetId());
    }
  }
}

void CTableSidePanels::Forget() {
  for (auto& p : m_panels) p = 0;
  for (auto& row : m_icons)
    for (auto& i : row) i = 0;
}

Entity* CTableSidePanels::Panel(int side) const {
  return ValidSide(side) && m_panels[side] ? m_scene.GetWorldRef().FindEntity(m_panels[side]) : nullptr;
}

Entity* CTableSidePanels::Icon(int side, int i) const {
  if (!ValidSide(side) || i < 0 || i >= ICONS || m_icons[side][i] == 0) return nullptr;
  return m_scene.GetWorldRef().FindEntity(m_icons[side][i]);
}

POINT CTableSidePanels::PanelCentre(int side, const RECT& a, const CTableMetrics& metrics) {
  const int cx = (a.left + a.right) / 2, cy = (a.top + a.bottom) / 2;
  // Half the panel's extent across the hand and along it: the side hands' panels are turned.
  const int across = PANEL_HEIGHT / 2, along = PANEL_WIDTH / 2;
  const int hw = side == 0 || side == 2 ? across : along, hh = side == 0 || side == 2 ? along : across;
  auto inward = [&](int gap) -> POINT {
    switch (side) {
      case 0: return {a.right + gap + across, cy};
      case 1: return {cx, a.bottom + gap + across};
      case 2: return {a.left - gap - across, cy};
      default: return {cx, a.top - gap - across};
    }
  };
  if (metrics.IsSmallScreen()) return inward(5);
  POINT outward{};
  switch (side) {
    case 0: outward = {a.left - 25 - across, cy}; break;
    case 1: outward = {cx, a.top - 25 - across}; break;
    case 2: outward = {a.right + 25 + across, cy}; break;
    default: outward = {cx, a.bottom + 25 + across}; break;
  }
  const bool inside = outward.x - hw >= 0 && outward.y - hh >= 0 && outward.x + hw <= metrics.sceneWidth &&
                      outward.y + hh <= metrics.sceneHeight;
  if (inside) return outward;
  // On the table's side the panel keeps clear of the ready icon, which stands 35 pixels off
  // the hand, and begins where the hand begins, away from the played tile in its middle.
  POINT p = inward(side == 0 || side == 2 ? 35 + 76 / 2 + 5 : 35 + 32 / 2 + 5);
  if (side == 0 || side == 2) {
    p.y = a.top + along;
  } else {
    p.x = a.left + along;
  }
  // A hand too short for the panel beside its played tile lets the panel reach past its start.
  RECT played{};
  if (metrics.GetPlayedTileRect(side, &played)) {
    const bool overlap = p.x - hw < played.right && played.left < p.x + hw && p.y - hh < played.bottom &&
                         played.top < p.y + hh;
    if (overlap && (side == 0 || side == 2)) p.y = played.top - 5 - along;
    if (overlap && (side == 1 || side == 3)) p.x = played.left - 5 - along;
  }
  return p;
}

void CTableSidePanels::Draw(int side, const std::string& name, bool started, const CTableMetrics& metrics) {
  Entity* panel = Panel(side);
  if (panel == nullptr) return;
  if (name.empty()) {
    m_scene.ShowEntity(panel, 0);
    for (int i = 0; i < ICONS; ++i)
      if (Entity* icon = Icon(side, i)) m_scene.ShowEntity(icon, 0);
    return;
  }
  PlaneEntity::Clear(panel);
  PlaneEntity::SetTextColor(panel, started ? STARTED_COLOUR : WAITING_COLOUR);
  const int font = 16;
  // The name is centred: a character of GBK text is two bytes and half the font height wide
  // per byte.
  const int x = PANEL_WIDTH / 2 - (static_cast<int>(name.size()) * font / 2) / 2;
  const int y = PANEL_HEIGHT / 2 - font / 2;
  PlaneEntity::DrawText(panel, x, y, name.c_str());
  RECT area{};
  if (metrics.GetHandArea(side, &area)) {
    const POINT c = PanelCentre(side, area, metrics);
    m_scene.MoveEntity(panel, c.x, c.y);
  }
  panel->Refresh();
  ShowSideIcons(side);
  m_scene.ShowEntity(panel, 1);
}

void CTableSidePanels::PlaceIcons(int side) {
  Entity* panel = Panel(side);
  if (panel == nullptr) return;
  // An icon's place on the unturned panel: the first at the left end, the others after the
  // name's middle; turned with the panel about its centre.
  const double r = PANEL_ANGLES[side] * 3.14159265358979323846 / 180.0;
  for (int i = 0; i < ICONS; ++i) {
    Entity* icon = Icon(side, i);
    if (icon == nullptr) continue;
    const int lx = (i == 0 ? 30 : ICON_SIZE * i + 60) - PANEL_WIDTH / 2;
    const int ly = 25 - PANEL_HEIGHT / 2;
    const int dx = static_cast<int>(std::lround(lx * std::cos(r) - ly * std::sin(r)));
    const int dy = static_cast<int>(std::lround(lx * std::sin(r) + ly * std::cos(r)));
    m_scene.MoveEntity(icon, panel->GetX() + dx, panel->GetY() + dy);
  }
}

int CTableSidePanels::ShowSideIcons(int side) {
  if (!ValidSide(side)) return 0;
  const int shown = m_codes.Compact(side);
  PlaceIcons(side);
  for (int i = 0; i < ICONS; ++i) {
    Entity* icon = Icon(side, i);
    if (icon == nullptr) continue;
    const int code = m_codes.Code(side, i);
    if (code > 0) {
      PictureEntity::SetPicture(icon, m_strip, code * ICON_SIZE, 0, ICON_SIZE, ICON_SIZE, KEY);
      m_scene.ShowEntity(icon, 1);
    } else {
      m_scene.ShowEntity(icon, 0);
    }
  }
  return shown;
}

void CTableSidePanels::SetSideIcon(int side, int code) {
  if (!ValidSide(side)) return;
  m_codes.SetSideIcon(side, code);
  ShowSideIcons(side);
}

void CTableSidePanels::ResetSideEffects() {
  for (int side = 0; side < 4; ++side) {
    m_codes.Clear(side);
    ShowSideIcons(side);
  }
}
