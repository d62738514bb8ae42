#include "engine/EngineObject.h"

#include "engine/ControlRecord.h"
#include "engine/InputDispatcher.h"
#include "engine/World.h"

uint32_t EngineObject::GetControlKey() const { return m_record ? m_record->key : 0; }

void WorldObject::Detach() {
  if (m_world == nullptr) return;
  if (m_record != nullptr) {
    m_world->DeleteControl(m_record->key);
  } else {
    m_world->RemoveObject(this);
  }
}

void WorldObject::SetCursor(LPCSTR name) {
  if (m_world == nullptr) return;
  if (auto* dispatcher = dynamic_cast<InputDispatcher*>(m_world->GetRootHandler())) {
    dispatcher->SetSystemCursor(name);
  }
}

void WorldObject::SetCursorResource(EventObject* data) {
  if (m_world == nullptr) return;
  if (auto* dispatcher = dynamic_cast<InputDispatcher*>(m_world->GetRootHandler())) {
    auto* name = dynamic_cast<TextObject*>(data);
    dispatcher->SetResourceCursor(name ? name->Text().c_str() : nullptr);
  }
}
