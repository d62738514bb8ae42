#include "variant/TableStakePanel.h"

#include <cstdio>

#include "engine/Entity.h"
#include "engine/GameBase.h"
#include "engine/PlaneEntity.h"
#include "mahjong/GameInfo.h"

namespace {

constexpr uint32_t KEY = 0xFF00FF;

}  // namespace

RECT CTableStakePanel::PanelRect(const CTableMetrics& metrics) {
  return metrics.GetStakePanelRect(metrics.GetClockRect());
}

std::string CTableStakePanel::StakeText(const CGameInfo& info) {
  char text[64];
  if (info.PlaysForSilver() != 0) {
    std::snprintf(text, sizeof text, " %d 两", info.GetSilverStake());
  } else {
    std::snprintf(text, sizeof text, " %d 分", info.GetPointStake());
  }
  return text;
}

Entity* CTableStakePanel::Panel() const { return m_plane != 0 ? m_scene.FindEntity(m_plane) : nullptr; }

bool CTableStakePanel::Visible() const {
  const Entity* e = Panel();
  return e != nullptr && e->IsVisible() != 0;
}

void CTableStakePanel::Build(const CTableMetrics& metrics, uint32_t iconStrip) {
  m_metrics = metrics;
  m_strip = iconStrip;
  const RECT r = PanelRect(metrics);
  const int w = r.right - r.left, h = r.bottom - r.top;
  Entity* e = Panel();
  if (e == nullptr) {
    e = m_scene.CreatePlane(2, r.left + w / 2 + 1, r.top + h / 2 + 1, w, h, KEY, "中心面板");
    if (e == nullptr) return;
    e->SetLevel(LEVEL);
    m_scene.ShowEntity(e, 0);
    m_plane = static_cast<uint32_t>(e->GetId());
    return;
  }
  PlaneEntity::Resize(e, w, h);
  Place();
}

void CTableStakePanel::Forget() {
  m_plane = 0;
  m_strip = 0;
}

void CTableStakePanel::Place() {
  Entity* e = Panel();
  if (e == nullptr) return;
  const RECT r = PanelRect(m_metrics);
  m_scene.MoveEntity(e, r.left + (r.right - r.left) / 2 + 1, r.top + (r.bottom - r.top) / 2 + 1);
}

bool CTableStakePanel::Show(const CGameInfo& info) {
  Entity* e = Panel();
  if (e == nullptr) return false;
  PlaneEntity::Clear(e);
  PlaneEntity::SetFont(e, 16, 400, "宋体");
  PlaneEntity::SetTextColor(e, TEXT_COLOUR);
  if (m_strip != 0) {
    const ResourceFrame coin{m_strip, COIN_SX, 0, COIN_SIZE, COIN_SIZE, nullptr};
    PlaneEntity::DrawImage(e, COIN_X, TEXT_Y, coin, COIN_SIZE, COIN_SIZE, 0.0, 1.0, KEY);
  }
  m_text = StakeText(info);
  PlaneEntity::DrawText(e, TEXT_X, TEXT_Y, m_text.c_str());
  Place();
  m_scene.ShowEntity(e, 1);
  e->Refresh();
  m_scene.InvalidateAll();
  return true;
}

void CTableStakePanel::Hide() {
  if (Entity* e = Panel()) m_scene.ShowEntity(e, 0);
}
