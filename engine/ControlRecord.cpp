#include "engine/ControlRecord.h"

#include "engine/EngineObject.h"
#include "engine/Entity.h"
#include "engine/World.h"

ControlRecord::~ControlRecord() {
  if (bindings) {
    for (EventBinding& b : *bindings) delete b.object;
  }
  ReleaseData();
}

uint32_t ControlRecord::BindEvent(uint32_t slot, uint32_t code, uint32_t targetKey,
                                  EventObject* object) {
  if (slot > 29) {
    delete object;
    return 0;
  }
  if (!bindings) {
    bindings = std::make_unique<std::array<EventBinding, CONTROL_EVENT_SLOTS>>();
  }
  EventBinding& b = (*bindings)[slot];
  const uint32_t old = b.code;
  if (b.object != object) delete b.object;
  b = EventBinding{code, object, targetKey};
  if (entity != nullptr) {
    if (slot >= 1) {
      if (!entity->IsHitTestable()) entity->SetHitTestable(1);
    } else if (!HasAnyBinding()) {
      entity->SetHitTestable(0);
    }
  }
  return old;
}

uint32_t ControlRecord::BindEventRelative(uint32_t slot, uint32_t base, uint32_t targetKey,
                                          EventObject* object) {
  return BindEvent(slot, slot + base, targetKey, object);
}

const EventBinding* ControlRecord::GetBinding(uint32_t slot) const {
  if (!enabled || !bindings || slot >= CONTROL_EVENT_SLOTS) return nullptr;
  const EventBinding& b = (*bindings)[slot];
  return b.code != 0 ? &b : nullptr;
}

int ControlRecord::HasAnyBinding() const {
  if (!bindings) return 0;
  for (const EventBinding& b : *bindings) {
    if (b.code != 0) return 1;
  }
  return 0;
}

int ControlRecord::HasClickEvent() const {
  return GetBinding(CTRL_EVENT_CLICK) != nullptr && enabled ? 1 : 0;
}

void ControlRecord::Enable(int on) {
  enabled = on;
  SendMessage(on ? CTRL_MSG_ENABLED : CTRL_MSG_DISABLED, nullptr);
}

int ControlRecord::SendMessage(uint32_t code, EventObject* object) {
  Event message{code, object, 0};
  return PostToHandler(&message);
}

int ControlRecord::PostToHandler(Event* message) {
  WorldObject* target = handler;
  if (target == nullptr) return 0;
  // The handler may delete its own control (and so this record and itself) while it runs; the
  // World keeps such objects until the outermost delivery has returned.
  if (world == nullptr) return target->OnMessage(message);
  World* w = world;
  w->BeginDelivery();
  const int result = target->OnMessage(message);
  w->EndDelivery();
  return result;
}

void ControlRecord::Clear() {
  ReleaseData();
  key = 0;
  parentKey = 0;
  entityId = 0;
  flags = 0;
  if (entity != nullptr) {
    entity->SetHitTestable(0);
    entity->SetControlKey(0);
  }
  entity = nullptr;
}

void ControlRecord::ReleaseData() {
  if ((flags & CTRL_FLAG_OWNS_DATA) && data != nullptr) delete data;
  data = nullptr;
}
