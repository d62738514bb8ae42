#include "variant/TableExtras.h"

#include <cstdio>
#include <cstring>

#include "engine/ControlRecord.h"
#include "engine/EngineEvent.h"
#include "engine/Entity.h"
#include "engine/GameBase.h"
#include "engine/PictureButton.h"
#include "engine/PictureEntity.h"
#include "engine/PlaneEntity.h"
#include "engine/World.h"
#include "mahjong/scene/TilePictures.h"

namespace {

constexpr uint32_t KEY = 0xFF00FF;
constexpr int READY_GAP = 35;

bool ValidSide(int side) { return side >= 0 && side < 4; }
// A tile id with a face of its own: the suits, the honours and the flowers.
bool HasFace(int tile) { return tile >= 0 && tile < 148; }

}  // namespace

Entity* CTableExtras::Find(uint32_t id) const { return id ? m_scene.GetWorldRef().FindEntity(id) : nullptr; }
Entity* CTableExtras::ReadyIcon(int side) const { return ValidSide(side) ? Find(m_ready[side]) : nullptr; }
Entity* CTableExtras::TreasurePanel() const { return Find(m_treasure); }
POINT CTableExtras::LogoCentre(const CTableMetrics& metrics) {
  return {metrics.sceneWidth / 2 + 30, metrics.sceneHeight / 2 - 30};
}
Entity* CTableExtras::ActivityButton() const { return Find(m_activityPicture); }
Entity* CTableExtras::Ticket(int n) const { return n >= 1 && n <= TICKETS ? Find(m_tickets[n - 1]) : nullptr; }

PictureButton* CTableExtras::CreateTaggedPictureButton(GameBase& scene, const char* picture, uint32_t code,
                                                      const char* tag) {
  auto* button = new PictureButton();
  if (scene.GetWorldRef().RegisterControlObject(button) == nullptr) {
    delete button;
    return nullptr;
  }
  button->CreateFromName(picture, code, nullptr, 0);
  button->SetSoundNames(ScriptValue("29010"), ScriptValue("29011"), ScriptValue("0"));
  if (tag != nullptr && tag[0] != 0) {
    button->SetTag(tag);
    if (ControlRecord* record = button->GetControlRecord()) {
      record->BindEvent(CTRL_EVENT_HOVER, 91, 0, new TextObject(tag));
      record->BindEvent(CTRL_EVENT_HOVER_END, 92, 0, nullptr);
    }
  }
  return button;
}

POINT CTableExtras::ReadyIconPoint(int side, const RECT& a) {
  const int cx = (a.left + a.right) / 2, cy = (a.top + a.bottom) / 2;
  switch (side) {
    case 0: return {a.right + READY_GAP, cy};
    case 1: return {cx, a.bottom + READY_GAP};
    case 2: return {a.left - READY_GAP, cy};
    default: return {cx, a.top - READY_GAP};
  }
}

void CTableExtras::Build(const CTableMetrics& metrics, int playerCount,
                         const std::function<int(int chair)>& chairToSide) {
  if (m_built) {
    Layout(metrics);
    return;
  }
  m_built = true;
  m_scene.SetResourceFolder("skins\\Common");
  const uint32_t ready = m_scene.LoadImageResource("准备.pps", 1, "准备图标", KEY, 1);
  for (int chair = 0; chair < playerCount && chair < 4; ++chair) {
    const int side = chairToSide ? chairToSide(chair) : chair;
    if (!ValidSide(side) || m_ready[side] != 0) continue;
    Entity* icon = m_scene.CreatePicture(2, -100, -100, ready, 0, 0, READY_WIDTH, READY_HEIGHT, "准备图标", KEY);
    if (icon == nullptr) continue;
    icon->SetLevel(5001);
    m_scene.ShowEntity(icon, 0);
    m_ready[side] = static_cast<uint32_t>(icon->GetId());
  }
  // The treasure tile's panel, hidden until the stake panel shows the treasure.
  const uint32_t treasure = m_scene.LoadImageResource("宝牌.pps", 1, "宝牌", KEY, 1);
  m_treasurePicture = treasure;
  if (Entity* panel = m_scene.CreatePlane(2, 49 + 97 / 2, 41 + 83 / 2, 97, 83, KEY, "宝牌")) {
    ResourceFrame frame{};
    GameBase::GetResourceFrame(&frame, treasure, 0);
    if (frame.resourceId != 0) PlaneEntity::DrawImage(panel, 0, 0, frame, 97, 83, 0.0, 1.0, KEY);
    m_scene.ShowEntity(panel, 0);
    m_treasure = static_cast<uint32_t>(panel->GetId());
  }
  // The logo is drawn on the table top, under the wall and the clock.
  m_logoPicture = m_scene.LoadImageResource("logo.pps", 1, "logo", KEY, 1);
  // The activity button, hidden until the server announces the activity.
  if (m_scene.LoadImageResource("btnShowAct.pps", 1, "btnShowAct", KEY, 1) != 0) {
    m_activity = CreateTaggedPictureButton(m_scene, "btnShowAct", CMD_ACTIVITY, "");
    if (m_activity != nullptr) {
      if (Entity* picture = m_activity->GetPicture()) {
        m_activityPicture = static_cast<uint32_t>(picture->GetId());
        m_activity->Hide();
      }
    }
  }
  for (int n = 1; n <= TICKETS; ++n) {
    char file[32], name[32];
    std::snprintf(file, sizeof file, "aniGetTickets%d.pps", n);
    std::snprintf(name, sizeof name, "aniGetTickets%d", n);
    const uint32_t id = m_scene.LoadImageResource(file, 1, name, KEY, 1);
    Entity* e = m_scene.CreatePicture(4, -100000, -100000, id, 0, 0, 0, 0, name, KEY);
    if (e == nullptr) continue;
    ResourceFrame frame{};
    GameBase::GetResourceFrame(&frame, id, 0);
    PictureEntity::SetPictureFromFrame(e, frame, KEY);
    e->SetSize(frame.width, frame.height);
    e->SetLevel(10);
    m_scene.ShowEntity(e, 0);
    m_tickets[n - 1] = static_cast<uint32_t>(e->GetId());
  }
  m_ticketKey = m_scene.NewEventId();
  Layout(metrics);
}

void CTableExtras::Layout(const CTableMetrics& metrics) {
  if (!m_built) return;
  for (int side = 0; side < 4; ++side) {
    Entity* icon = ReadyIcon(side);
    RECT area{};
    if (icon != nullptr && metrics.GetHandArea(side, &area)) {
      const POINT p = ReadyIconPoint(side, area);
      m_scene.MoveEntity(icon, p.x, p.y);
    }
  }
  const int w = m_scene.GetLogicalWidth();
  if (m_activity != nullptr) m_activity->MoveTo(w - 40, 40);
  for (int n = 1; n <= TICKETS; ++n)
    if (Entity* e = Ticket(n)) m_scene.MoveEntity(e, w - 155, 40);
}

void CTableExtras::Forget() {
  m_built = false;
  for (auto& id : m_ready) id = 0;
  for (auto& id : m_tickets) id = 0;
  m_treasure = m_treasurePicture = m_logoPicture = m_activityPicture = m_waiting = 0;
  m_activity = nullptr;
}

bool CTableExtras::ShowTreasurePanel(uint32_t largeStrip, int tile, int faceWidth, int faceHeight) {
  Entity* panel = TreasurePanel();
  if (panel == nullptr) return false;
  PlaneEntity::Clear(panel);
  ResourceFrame frame{};
  GameBase::GetResourceFrame(&frame, m_treasurePicture, 0);
  if (frame.resourceId != 0) PlaneEntity::DrawImage(panel, 0, 0, frame, frame.width, frame.height, 0.0, 1.0, KEY);
  if (largeStrip != 0 && HasFace(tile) && faceWidth > 0 && faceHeight > 0) {
    const ResourceFrame face{largeStrip, GetFaceIndex(tile) * faceWidth, 0, faceWidth, faceHeight, nullptr};
    PlaneEntity::DrawImage(panel, 40, 2, face, faceWidth, faceHeight, 0.0, 1.0, KEY);
  }
  m_scene.ShowEntity(panel, 1);
  panel->Refresh();
  m_scene.InvalidateAll();
  return true;
}

bool CTableExtras::ShowReadyIcon(int side) {
  Entity* icon = ReadyIcon(side);
  if (icon == nullptr || m_holdReadyIcons) return false;
  m_scene.ShowEntity(icon, 1);
  m_scene.InvalidateAll();
  return true;
}

void CTableExtras::HideReadyIcon(int side) {
  if (Entity* icon = ReadyIcon(side)) m_scene.ShowEntity(icon, 0);
}

void CTableExtras::HideReadyIcons() {
  for (int side = 0; side < 4; ++side) HideReadyIcon(side);
}

void CTableExtras::ShowActivityButton() {
  if (m_activity != nullptr && ActivityButton() != nullptr) m_activity->Show();
}

bool CTableExtras::PlayTicketAnimation(int n) {
  Entity* e = Ticket(n);
  if (e == nullptr) return false;
  m_scene.ShowEntity(e, 1);
  m_scene.PlayAnimation(e, 0, 1, 0, m_ticketKey, 0, nullptr, 0);
  return true;
}

Entity* CTableExtras::WaitingText() const { return Find(m_waiting); }

void CTableExtras::ShowWaitingText() {
  if (WaitingText() != nullptr) return;
  const char* text = "请耐心等候系统分桌。。。";
  const int width = 15 * static_cast<int>(std::strlen(text));
  Entity* plane = m_scene.CreatePlane(4, m_scene.GetLogicalWidth() / 2, m_scene.GetLogicalHeight() * 3 / 4, width, 40,
                                      KEY, "等候分桌");
  if (plane == nullptr) return;
  PlaneEntity::SetFont(plane, 30, 400, "宋体");
  PlaneEntity::SetTextColor(plane, 0xFFFFFF);
  PlaneEntity::DrawText(plane, 0, 5, text);
  m_scene.ShowEntity(plane, 1);
  m_waiting = static_cast<uint32_t>(plane->GetId());
  m_scene.AddPendingId(m_waiting);
}
