#include "engine/Control.h"

#include "engine/ControlRecord.h"
#include "engine/Entity.h"
#include "engine/Geometry.h"
#include "engine/InputDispatcher.h"
#include "engine/World.h"

int PointInEntity(const Entity* entity, int32_t x, int32_t y) {
  if (entity == nullptr) return 0;
  const EntityPlacement& p = entity->Placement();
  if (p.angle != 0.0) {
    // Into the entity's own frame: turned back by its angle about its centre.
    const POINT r = RotatePoint(x, y, p.x, p.y, p.angle, 0);
    x = r.x;
    y = r.y;
  }
  const int32_t hw = (p.width + 1) / 2;
  const int32_t hh = (p.height + 1) / 2;
  return p.x - hw < x && x < p.x + hw && p.y - hh < y && y < p.y + hh ? 1 : 0;
}

Entity* Control::GetEntity() const { return m_record ? m_record->entity : nullptr; }

uint32_t Control::GetEntityId() const {
  Entity* e = GetEntity();
  return e ? static_cast<uint32_t>(e->GetId()) : 0;
}

int Control::IsVisible() const {
  Entity* e = GetEntity();
  return e ? e->IsVisible() : 0;
}

int32_t Control::GetWidth() const {
  Entity* e = OwnEntity();
  return e ? e->GetWidth() : 0;
}

int32_t Control::GetHeight() const {
  Entity* e = OwnEntity();
  return e ? e->GetHeight() : 0;
}

void Control::Bind(Entity* entity) {
  if (m_world && m_record) m_world->BindControl(m_record, entity, CTRL_FLAGS_CONTROL);
}

#define CONTROL_ENTITY_OP(call, changed)   \
  Entity* e = GetEntity();                 \
  if (e == nullptr) return;                \
  e->call;                                 \
  e->Refresh();                            \
  if (changed) OnChanged();

void Control::MoveBy(int32_t dx, int32_t dy) { CONTROL_ENTITY_OP(MoveBy(dx, dy), true) }
void Control::MoveTo(int32_t x, int32_t y) { CONTROL_ENTITY_OP(MoveTo(x, y), true) }
void Control::SetLevel(int32_t level) { CONTROL_ENTITY_OP(SetLevel(level), true) }
void Control::SetSize(int32_t w, int32_t h) { CONTROL_ENTITY_OP(SetSize(w, h), true) }
void Control::Scale(double sx, double sy) { CONTROL_ENTITY_OP(ScaleBy(sx, sy), true) }
void Control::SetAlpha(double alpha) { CONTROL_ENTITY_OP(SetAlpha(alpha), false) }
void Control::SetFlags(uint32_t flags) { CONTROL_ENTITY_OP(SetFlags(flags), true) }
void Control::SetClipRect(const RECT& rect) { CONTROL_ENTITY_OP(SetClipRect(rect), false) }
void Control::RotateBy(double d) { CONTROL_ENTITY_OP(RotateBy(d), true) }
void Control::SetAngle(double a) { CONTROL_ENTITY_OP(SetAngle(a), true) }
void Control::RotateAbout(int32_t px, int32_t py, double d) {
  CONTROL_ENTITY_OP(RotateAbout(px, py, d), true)
}
void Control::Show() { CONTROL_ENTITY_OP(Show(), true) }
void Control::Hide() { CONTROL_ENTITY_OP(Hide(), true) }

#undef CONTROL_ENTITY_OP

void Control::Enable(int on) {
  if (m_record == nullptr) return;
  m_record->Enable(on);
  OnChanged();
}

void Control::Activate() {
  if (m_world == nullptr || GetEntity() == nullptr) return;
  m_world->ActivateControl(m_record->key);
  m_world->PostEvent(CORE_COMMAND_REFRESH_INPUT, nullptr);
}

void Control::Deactivate() {
  if (m_world == nullptr || GetEntity() == nullptr) return;
  m_world->DeactivateControl(m_record->key);
  m_world->PostEvent(CORE_COMMAND_REFRESH_INPUT, nullptr);
}

void Control::SetFocus() {
  if (m_world && m_record) m_world->SetFocusControl(m_record->key);
}

void Control::KillFocus() {
  if (m_world) m_world->SetFocusControl(0);
}

void Control::LinkToControlKey(uint32_t parentKey) {
  if (m_world && m_record) m_world->AddChildControl(parentKey, m_record->key);
}

void Control::LinkToControl(ControlRecord* parent) {
  if (m_world && m_record && parent) m_world->AddChildControl(parent->key, m_record->key);
}

void Control::BindOwnEvent(uint32_t slot, uint32_t code, EventObject* object) {
  if (m_record == nullptr || slot >= CONTROL_EVENT_SLOTS) {
    delete object;
    return;
  }
  m_record->BindEvent(slot, code ? code : slot, m_record->key, object);
}

void Control::OnChanged() {
  Entity* e = GetEntity();
  if (e == nullptr || !e->IsHitTestable() || m_world == nullptr) return;
  auto* dispatcher = dynamic_cast<InputDispatcher*>(m_world->GetRootHandler());
  if (dispatcher == nullptr) return;
  const InputState* state = dispatcher->GetInputState();
  const bool inside = PointInEntity(e, state->x, state->y) != 0;
  const bool hovered = state->hoverEntityId == static_cast<uint32_t>(e->GetId());
  const bool post = hovered ? !(e->IsVisible() && inside) : (e->IsVisible() && inside);
  if (post) m_world->SendControlEvent(0, CORE_COMMAND_REFRESH_INPUT, nullptr, 1);
}
