#include "engine/ButtonFrame.h"

#include <algorithm>

#include "engine/ControlRecord.h"
#include "engine/EngineUtil.h"
#include "engine/GameBase.h"
#include "engine/InputDispatcher.h"
#include "engine/PlaneEntity.h"
#include "engine/World.h"

namespace {

// Pieces and buttons follow the anchor in everything: deletion, rotation, showing, alpha,
// refresh, size, level and position.
constexpr uint32_t FRAME_LINK_FLAGS = 98415;
constexpr uint32_t PIECE_BACK_COLOR = DEFAULT_KEY_COLOR;

bool IsButtonKind(const Entity* e) {
  return e->GetKind() == BIT_SINGLE || e->GetKind() == ENTITY_KIND_PLANE;
}

}  // namespace

Entity* BUTTONFRAME::GetAnchor() const {
  return m_world && m_anchorId ? m_world->FindEntity(m_anchorId) : nullptr;
}

Entity* BUTTONFRAME::GetPiece(uint32_t i) const {
  return m_world && i < m_pieces.size() ? m_world->FindEntity(m_pieces[i]) : nullptr;
}

void BUTTONFRAME::Release() {
  m_pieces.clear();
  m_slots.clear();
}

int BUTTONFRAME::Init(int32_t slotCount, const ButtonFrameLayout* layout, uint32_t style) {
  if (m_world == nullptr) return 0;
  m_style = style;
  m_layout = layout;
  m_slotCount = std::max<int32_t>(slotCount, 0);
  Entity* anchor = m_world->CreateEntity(ENTITY_KIND_PLAIN, "某平面", 0, 0, 0, 0, 0.0, 1, 0, 1.0);
  anchor->AttachToLayer(m_world->GetScreen(), 4);
  m_anchorId = static_cast<uint32_t>(anchor->GetId());
  m_world->BindControl(m_record, anchor, CTRL_FLAGS_CONTROL);
  m_ready = 1;
  m_slots.assign(static_cast<size_t>(m_slotCount), ButtonFrameSlot{});
  if (m_layout) BuildFrame();
  return 1;
}

void BUTTONFRAME::BuildFrame() {
  Entity* anchor = GetAnchor();
  if (m_layout == nullptr || m_layout->frames == nullptr || anchor == nullptr) return;
  const ResourceFrame& left = m_layout->frames[0];
  const ResourceFrame& right = m_layout->frames[1];
  const ResourceFrame& middle = m_layout->frames[2];
  m_pieceCount = m_slotCount + 2;
  m_pieces.assign(static_cast<size_t>(m_pieceCount), 0);
  anchor->SetSize(left.width + right.width + middle.width * m_slotCount, left.height)->Refresh();
  const int32_t level = anchor->GetLevel() + 1;
  for (int32_t i = 0; i < m_pieceCount; ++i) {
    const ResourceFrame& frame = i == 0 ? left : i == 1 ? right : middle;
    Entity* piece = m_world->CreateEntity(BIT_SINGLE, "框体位图", 0, 0, frame.width, frame.height,
                                          0.0, level, 0, 1.0);
    PictureEntity::SetPictureFromFrame(piece, frame, PIECE_BACK_COLOR);
    piece->AttachToLayer(m_world->GetScreen(), 4);
    m_world->LinkEntities(anchor, piece, FRAME_LINK_FLAGS);
    m_pieces[static_cast<size_t>(i)] = static_cast<uint32_t>(piece->GetId());
  }
  LayoutFrame();
}

void BUTTONFRAME::LayoutFrame() {
  Entity* anchor = GetAnchor();
  if (!m_ready || anchor == nullptr) return;
  int32_t x = anchor->GetX() - (anchor->GetWidth() + 1) / 2;
  const int32_t y = anchor->GetY();
  auto place = [&](Entity* piece) {
    if (piece == nullptr) return 0;
    const int32_t cx = x + (piece->GetWidth() + 1) / 2;
    piece->MoveTo(cx, y)->Refresh();
    x += piece->GetWidth();
    return cx;
  };
  place(GetPiece(0));
  for (int32_t i = 2; i < m_pieceCount; ++i) {
    const int32_t cx = place(GetPiece(static_cast<uint32_t>(i)));
    if (static_cast<size_t>(i - 2) < m_slots.size()) {
      m_slots[static_cast<size_t>(i - 2)].offsetX = cx - anchor->GetX();
      m_slots[static_cast<size_t>(i - 2)].offsetY = 0;
    }
  }
  place(GetPiece(1));
  LayoutButtons();
}

int BUTTONFRAME::LayoutButtons() {
  Entity* anchor = GetAnchor();
  if (anchor == nullptr) return 0;
  int found = 0;
  for (uint32_t i = 0; i < m_slots.size(); ++i) {
    ControlRecord* c = GetButton(i);
    if (c == nullptr) continue;
    ++found;
    const ButtonFrameSlot& slot = m_slots[i];
    if (Entity* e = c->entity) {
      e->MoveTo(anchor->GetX() + slot.offsetX, anchor->GetY() + slot.offsetY);
      if ((slot.width != 0 || slot.height != 0) &&
          (slot.width != e->GetWidth() || slot.height != e->GetHeight())) {
        e->SetSize(slot.width, slot.height);
      }
      e->Refresh();
    }
    c->SendMessage(CTRL_MSG_REDRAW, nullptr);
  }
  return found;
}

int BUTTONFRAME::BindEvent(uint32_t slot, uint32_t code, uint32_t data) {
  if (!m_ready || m_record == nullptr) {
    WriteLog("按键框控件设定错误，框体尚未初始化");
    return 0;
  }
  return static_cast<int>(m_record->BindEvent(slot, code, data, nullptr));
}

ControlRecord* BUTTONFRAME::GetButton(uint32_t index) {
  if (index >= static_cast<uint32_t>(m_slotCount) || index >= m_slots.size()) {
    WriteLog("BUTTONFRAME::GetButton错误,一个越界的请求");
    return nullptr;
  }
  ButtonFrameSlot& slot = m_slots[index];
  slot.control = m_world ? m_world->FindControl(slot.controlKey) : nullptr;
  return slot.control;
}

ControlRecord* BUTTONFRAME::OnButton(uint32_t index, ControlRecord* control) {
  if (index >= m_slots.size()) {
    WriteLog("BUTTONFRAME::OnButton()错误,一个越界的请求");
    return nullptr;
  }
  if (control == nullptr) return nullptr;
  ButtonFrameSlot& slot = m_slots[index];
  if (slot.controlKey == control->key && GetButton(index) == control) return control;
  ControlRecord* previous = GetButton(index);
  slot.control = control;
  slot.controlKey = control->key;
  Entity* anchor = GetAnchor();
  if (control->entity != nullptr && anchor != nullptr) {
    control->entity->SetLevel(anchor->GetLevel() + 2);
    anchor->LinkChild(control->entity, FRAME_LINK_FLAGS);
  }
  LayoutButtons();
  return previous;
}

ControlRecord* BUTTONFRAME::OffButton(uint32_t index) {
  if (index >= m_slots.size()) {
    WriteLog("BUTTONFRAME::OffButton()错误,一个越界的请求");
    return nullptr;
  }
  ControlRecord* control = GetButton(index);
  if (control == nullptr) return nullptr;
  Entity* anchor = GetAnchor();
  if (anchor != nullptr && control->entity != nullptr) {
    anchor->RemoveLink(control->entity->GetId());
  }
  m_slots[index].control = nullptr;
  m_slots[index].controlKey = 0;
  LayoutButtons();
  return control;
}

void BUTTONFRAME::DestroyPieces() {
  Entity* anchor = GetAnchor();
  for (uint32_t id : m_pieces) {
    if (anchor) anchor->RemoveLink(static_cast<int32_t>(id));
    if (m_world) m_world->DestroyEntityById(id);
  }
  m_pieces.clear();
  m_pieceCount = 0;
}

int32_t BUTTONFRAME::Resize(int32_t slotCount, const ButtonFrameLayout* layout, int mode,
                            ControlRecord*** out) {
  if (slotCount == m_slotCount && layout == m_layout) return -1;
  if (slotCount == -1) slotCount = m_slotCount;
  if (layout == nullptr) layout = m_layout;
  if (slotCount < 0) return -1;
  const uint32_t oldCount = static_cast<uint32_t>(m_slots.size());
  std::vector<ControlRecord*> kept(oldCount, nullptr);
  for (uint32_t i = 0; i < oldCount; ++i) kept[i] = OffButton(i);
  m_slotCount = slotCount;
  m_slots.assign(static_cast<size_t>(slotCount), ButtonFrameSlot{});
  DestroyPieces();
  m_layout = layout;
  if (m_layout) BuildFrame();
  const uint32_t n = static_cast<uint32_t>(slotCount);
  for (uint32_t i = 0; i < std::min(n, oldCount); ++i) {
    if (kept[i]) OnButton(i, kept[i]);
  }
  LayoutButtons();
  std::vector<ControlRecord*> dropped;
  for (uint32_t i = n; i < oldCount; ++i) {
    if (kept[i]) dropped.push_back(kept[i]);
  }
  if (mode == 1) {
    for (ControlRecord* c : dropped) m_world->DeleteControl(c->key);
  } else if (mode == 2 && out != nullptr) {
    *out = nullptr;
    if (!dropped.empty()) {
      *out = new ControlRecord*[dropped.size()];
      std::copy(dropped.begin(), dropped.end(), *out);
    }
  }
  return static_cast<int32_t>(dropped.size());
}

int BUTTONFRAME::OnMessage(Event* message) {
  switch (message->code) {
    case CTRL_EVENT_ENTER:
      return (m_style & BUTTONFRAME_STYLE_HOVER) ? OnFrameEnter(message->object) : 0;
    case CTRL_EVENT_LEAVE:
      return (m_style & BUTTONFRAME_STYLE_HOVER) ? OnFrameLeave(message->object) : 0;
    case CTRL_MSG_REDRAW:
      if (m_style & BUTTONFRAME_STYLE_ENABLE_ON_SHOW) SetButtonsEnabled(1);
      // Handled: the completed fade's block goes with the message instead of being lost.
      return 1;
    default:
      return 0;
  }
}

bool BUTTONFRAME::MouseInside(EventObject* object) const {
  auto* state = dynamic_cast<InputStateObject*>(object);
  Entity* anchor = GetAnchor();
  return state && anchor && PointInEntity(anchor, state->state.x, state->state.y);
}

int BUTTONFRAME::OnFrameEnter(EventObject* object) {
  if (MouseInside(object) && !m_open) {
    m_open = 1;
    Fade(0.1, 1.0);
  }
  return 1;
}

int BUTTONFRAME::OnFrameLeave(EventObject* object) {
  if (!MouseInside(object) && m_open) {
    m_open = 0;
    SetButtonsEnabled(0);
    Fade(-0.1, 0.0);
  }
  return 1;
}

void BUTTONFRAME::SetButtonsEnabled(int on) {
  for (uint32_t i = 0; i < m_slots.size(); ++i) {
    ControlRecord* c = GetButton(i);
    if (c == nullptr || c->entity == nullptr || !IsButtonKind(c->entity)) continue;
    if (on == 1 && !m_open) break;
    if (on == 0 && m_open) break;
    c->Enable(on);
    c->SendMessage(CTRL_MSG_REDRAW, nullptr);
  }
}

void BUTTONFRAME::Fade(double step, double target) {
  if (m_record == nullptr || m_world == nullptr) return;
  Entity* anchor = GetAnchor();
  if (anchor == nullptr) return;
  QueueCancelEntity(*m_world, m_anchorId, 3, 1);
  if (step > 0) {
    InputState block{};
    block.hoverControlKey = m_record->key;
    AddFade(*m_world, anchor, step, target, 0, 0, CTRL_MSG_REDRAW, new InputStateObject(block), 0,
            m_record->key);
    return;
  }
  for (uint32_t i = 0; i < m_slots.size(); ++i) {
    ControlRecord* c = GetButton(i);
    if (c == nullptr || c->entity == nullptr) continue;
    if (c->entity->GetKind() == BIT_SINGLE) {
      PictureEntity::SetBackColor(c->entity, DEFAULT_KEY_COLOR);
    } else if (c->entity->GetKind() == ENTITY_KIND_PLANE) {
      PlaneEntity::SetBackColor(c->entity, DEFAULT_KEY_COLOR);
    } else {
      continue;
    }
    c->entity->Refresh();
    c->Enable(0);
  }
  AddFade(*m_world, anchor, step, target, 0, 0, 0, nullptr, 0, 0);
}
