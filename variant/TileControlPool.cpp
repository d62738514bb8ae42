#include "variant/TileControlPool.h"

#include "engine/ControlRecord.h"
#include "engine/Entity.h"
#include "engine/GameBase.h"
#include "engine/InputDispatcher.h"
#include "engine/PictureEntity.h"
#include "mahjong/TurnControl.h"

namespace {

constexpr uint32_t SLOT_ENTER = CTRL_EVENT_ENTER;
constexpr uint32_t SLOT_LEAVE = CTRL_EVENT_LEAVE;
constexpr uint32_t SLOT_RDOWN = CTRL_EVENT_RDOWN;
constexpr uint32_t SLOT_RUP = CTRL_EVENT_RUP;
constexpr uint32_t SLOT_CLICK = CTRL_EVENT_CLICK;
constexpr uint32_t SLOT_RDRAG = CTRL_EVENT_RDRAG;
constexpr int CLICK_INDEX = 4;  // the click slot's place in SLOTS

}  // namespace

CTileControlPool::SlotCodes CTileControlPool::TileSlotCodes(const TileBindingState& state, uint32_t currentClick) {
  // An onlooker's tiles only light up under the mouse; nothing else of his acts on them.
  if (state.lookOn) return {CMD_LOOK_ENTER, CMD_LOOK_LEAVE, 0, 0, 0, 0};
  SlotCodes codes{CMD_ENTER, CMD_LEAVE, CMD_DRAG_BEGIN, CMD_DRAG_END, 0, CMD_DRAG};
  // A click acts only on the own turn, and then by the claim that waits for a pick.
  if (state.pointTo == OWN_CLOCK_POSITION) {
    switch (state.pendingClaim) {
      case PENDING_CHI: codes[CLICK_INDEX] = CMD_PICK_CHI; break;
      case PENDING_PENG: codes[CLICK_INDEX] = CMD_PICK_PENG; break;
      case PENDING_GANG: codes[CLICK_INDEX] = CMD_PICK_GANG; break;
      case PENDING_NONE: codes[CLICK_INDEX] = state.hasDrawnTile ? CMD_DISCARD : 0; break;
      default: codes[CLICK_INDEX] = currentClick; break;  // a win waits for the server
    }
  }
  return codes;
}

void CTileControlPool::Create(GameBase& scene, std::function<void(const std::string&)> log) {
  if (m_scene != nullptr) return;
  m_scene = &scene;
  m_log = std::move(log);
  for (int i = 1; i <= CONTROLS; ++i) m_slots[i] = Slot{scene.NewControl(), nullptr};
}

void CTileControlPool::Forget() {
  m_scene = nullptr;
  for (Slot& s : m_slots) s = Slot{};
  m_hoverLost = false;
  m_attached = false;
}

int CTileControlPool::AllocControl() {
  for (int i = 1; i <= CONTROLS; ++i)
    if (m_slots[i].record != nullptr && m_slots[i].row == nullptr && m_slots[i].record->entity == nullptr) return i;
  Log("控件请求错误，已无空闲实体!");
  return 0;
}

bool CTileControlPool::Attach(int control, TileEntityRow& row) {
  if (control < 1 || control > CONTROLS || m_scene == nullptr) return false;
  Slot& s = m_slots[control];
  auto* entity = static_cast<Entity*>(row.entity);
  if (s.record == nullptr || entity == nullptr) return false;
  if (!m_scene->BindControl(s.record, entity, 0)) return false;
  s.row = &row;
  row.control = control;
  m_attached = true;
  return true;
}

void CTileControlPool::Release(TileEntityRow& row) {
  const int control = row.control;
  row.control = 0;
  if (control < 1 || control > CONTROLS || m_scene == nullptr) return;
  Slot& s = m_slots[control];
  if (s.record == nullptr) return;
  if (InputDispatcher* input = m_scene->GetInputDispatcher()) {
    if (input->GetInputState()->hoverControlKey == s.record->key) {
      input->ClearHover();
      m_hoverLost = true;
    }
  }
  if (s.record->entity != nullptr) m_scene->UnbindControl(s.record->key);
  s.row = nullptr;
}

void CTileControlPool::BindTileControl(TileEntityRow* row, const TileBindingState& state) {
  if (row == nullptr) {
    Log("麻将牌控件设置错误，一个为空的麻将结构!");
    return;
  }
  const int control = row->control;
  ControlRecord* record = Record(control);
  if (control == 0 || record == nullptr) {
    Log("麻将牌控件设置错误，麻将控件未绑定!");
    return;
  }
  m_slots[control].row = row;
  const EventBinding* click = record->bindings ? &(*record->bindings)[SLOT_CLICK] : nullptr;
  const SlotCodes codes = TileSlotCodes(state, click != nullptr ? click->code : 0);
  for (size_t i = 0; i < SLOTS.size(); ++i) {
    // Each event carries the control's key, by which the router finds the tile.
    record->BindEvent(SLOTS[i], codes[i], 0, codes[i] != 0 ? new ValueObject(record->key) : nullptr);
  }
  // Bound slots make the picture answer to the mouse.
  if (record->entity != nullptr && record->HasAnyBinding()) record->entity->SetHitTestable(1);
}

void CTileControlPool::RefreshTileControls(const TileBindingState& state) {
  for (int i = 1; i <= CONTROLS; ++i)
    if (m_slots[i].row != nullptr) BindTileControl(m_slots[i].row, state);
}

ControlRecord* CTileControlPool::Record(int control) const {
  return control >= 1 && control <= CONTROLS ? m_slots[control].record : nullptr;
}

TileEntityRow* CTileControlPool::RowOfKey(uint32_t key) const {
  if (key == 0) return nullptr;
  for (int i = 1; i <= CONTROLS; ++i)
    if (m_slots[i].record != nullptr && m_slots[i].record->key == key) return m_slots[i].row;
  return nullptr;
}

int CTileControlPool::BoundCount() const {
  int n = 0;
  for (int i = 1; i <= CONTROLS; ++i) n += m_slots[i].row != nullptr ? 1 : 0;
  return n;
}

void CTileControlPool::SetTileControlActive(ControlRecord* control, bool on) {
  if (control == nullptr) return;
  Entity* e = control->entity;
  if (e != nullptr) {
    e->SetAlpha(on ? 0.8 : 0.3);
    PictureEntity::SetBackColor(e, on ? 255u : 0xFF00FFu);
    e->Refresh();
  }
  if (on) {
    control->BindEvent(SLOT_ENTER, CMD_BUTTON_ENTER, 0, nullptr);
    // Leave, press, release and click become the engine's highlight commands (35 + slot); the
    // click's one raises the button's own deferred click.
    for (uint32_t slot : {SLOT_LEAVE, CTRL_EVENT_LDOWN, CTRL_EVENT_LUP, SLOT_CLICK})
      control->BindEventRelative(slot, CORE_COMMAND_BASE, 0, nullptr);
    return;
  }
  for (uint32_t slot : {SLOT_ENTER, SLOT_LEAVE, CTRL_EVENT_LDOWN, CTRL_EVENT_LUP, SLOT_CLICK})
    control->BindEvent(slot, 0, 0, nullptr);
}
