// The World's control registry and its events.
#include "engine/EngineObject.h"
#include "engine/EngineUtil.h"
#include "engine/Screen.h"
#include "engine/World.h"

ControlRecord* World::NewControl() {
  const uint32_t key = NewControlKey();
  ControlRecord& record = m_controls[key];
  record.key = key;
  record.world = this;
  return &record;
}

ControlRecord* World::RegisterControlObject(WorldObject* object) {
  AddObject(object);
  object->SetWorld(this);
  ControlRecord* record = NewControl();
  record->handler = object;
  object->SetControlRecord(record);
  object->OnAttached();
  return record;
}

void World::TakeOverEntity(Entity* entity, ControlRecord* record) {
  const uint32_t oldKey = entity->GetControlKey();
  if (oldKey == 0 || oldKey == record->key) return;
  ControlRecord* other = FindControl(oldKey);
  if (other == nullptr) return;
  WriteLog("控件申请冲突，申请绑定实体已被其他控件绑定!");
  WriteLog("强制解除原有绑定，可能造成逻辑错误，care!");
  other->entityId = 0;
  other->entity = nullptr;
}

ControlRecord* World::AcquireControl(uint32_t entityId, uint32_t flags) {
  Entity* entity = FindEntity(entityId);
  if (entity == nullptr) {
    WriteLog("控件申请失败，未能获取指定实体");
    return nullptr;
  }
  const uint32_t oldKey = entity->GetControlKey();
  if (oldKey != 0) {
    if (ControlRecord* other = FindControl(oldKey)) {
      WriteLog("控件申请冲突，申请绑定实体已被其他控件绑定!");
      WriteLog("强制解除原有绑定，可能造成逻辑错误，care!");
      other->entityId = 0;
      other->entity = nullptr;
    }
  }
  ControlRecord* record = NewControl();
  record->entityId = static_cast<int32_t>(entityId);
  record->entity = entity;
  entity->SetControlKey(record->key);
  record->flags = flags;
  return record;
}

int World::BindControl(ControlRecord* record, Entity* entity, uint32_t flags) {
  if (record == nullptr) {
    WriteLog("控件绑定失败，控件不存在");
    return 0;
  }
  if (entity == nullptr) {
    WriteLog("控件绑定失败，指定实体不能为空");
    return 0;
  }
  // An entity that this control already holds stays bound to it.
  TakeOverEntity(entity, record);
  record->entityId = entity->GetId();
  record->entity = entity;
  entity->SetControlKey(record->key);
  if (!entity->IsHitTestable() && record->HasAnyBinding()) entity->SetHitTestable(1);
  record->flags = flags;
  return 1;
}

int World::UnbindControl(uint32_t key) { return UnbindControlRecord(FindControl(key)); }

int World::UnbindControlRecord(ControlRecord* record) {
  if (record == nullptr) {
    WriteLog("控件解除失败，控件不存在");
    return 0;
  }
  if (record->entityId != 0) {
    record->entity = FindEntity(static_cast<uint32_t>(record->entityId));
    if (record->entity == nullptr) {
      WriteLog("控件解除失败，未能获取指定实体");
      return 0;
    }
    record->entity->SetControlKey(0);
    record->entity->SetHitTestable(0);
  }
  record->entityId = 0;
  record->entity = nullptr;
  record->flags = 0;
  return 1;
}

int World::DeleteControl(uint32_t key) {
  ControlRecord* record = FindControl(key);
  if (record == nullptr) {
    WriteLog("控件删除错误：目标控件不存在");
    return 0;
  }
  if ((record->flags & CTRL_FLAG_OWNS_ENTITY) && record->entity != nullptr &&
      record->entity->GetControlKey() == key) {
    DestroyEntityById(static_cast<uint32_t>(record->entityId));
  }
  record = FindControl(key);
  if (record != nullptr) ReleaseControl(record);
  return 1;
}

int World::ReleaseControl(ControlRecord* record) {
  if (record->entity != nullptr) {
    record->entity->SetHitTestable(0);
    record->entity->SetControlKey(0);
    record->entity = nullptr;
  }
  const uint32_t key = record->key;
  WorldObject* handler = record->handler;
  record->handler = nullptr;
  if (handler != nullptr) {
    handler->SetControlRecord(nullptr);
    RemoveObject(handler);
  }
  if (m_focusKey == key) m_focusKey = 0;
  m_controls.erase(key);
  return 1;
}

void World::DeleteAllControls() {
  while (!m_controls.empty()) {
    const uint32_t key = m_controls.begin()->first;
    DeleteControl(key);
    // A record whose key field was cleared cannot be found by it; it goes here all the same.
    auto it = m_controls.find(key);
    if (it != m_controls.end()) ReleaseControl(&it->second);
  }
}

ControlRecord* World::FindControl(uint32_t key) {
  if (key == 0) return nullptr;
  auto it = m_controls.find(key);
  return it == m_controls.end() ? nullptr : &it->second;
}

int World::AddChildControl(uint32_t parentKey, uint32_t childKey) {
  ControlRecord* parent = FindControl(parentKey);
  if (parent == nullptr) {
    WriteLog("控件添加错误：父控件不存在");
    return 0;
  }
  ControlRecord* child = FindControl(childKey);
  if (child == nullptr) {
    WriteLog("控件添加错误：子控件不存在");
    return 0;
  }
  child->parentKey = parent->key;
  return ENGINE_OK;
}

int World::LinkControls(ControlRecord* parent, ControlRecord* child) {
  if (parent == nullptr || child == nullptr) return 0;
  return AddChildControl(parent->key, child->key);
}

void World::ActivateControl(uint32_t key) {
  ControlRecord* record = FindControl(key);
  if (record == nullptr || record->entity == nullptr || record->entity->GetLayer() != 4) return;
  const uint32_t top = GetTopControlKey();
  if (top != 0) SendControlEvent(top, CTRL_MSG_DEACTIVATED, nullptr, 0);
  record = FindControl(key);
  if (record == nullptr || record->entity == nullptr) return;
  m_screen->PushFocus(record->entity->GetScreenItem());
  record->SendMessage(CTRL_MSG_ACTIVATED, nullptr);
}

void World::DeactivateControl(uint32_t key) {
  ControlRecord* record = FindControl(key);
  if (record == nullptr || record->entity == nullptr || record->entity->GetLayer() != 4) return;
  m_screen->RemoveFocus(record->entity->GetScreenItem());
  record->SendMessage(CTRL_MSG_DEACTIVATED, nullptr);
  const uint32_t top = GetTopControlKey();
  if (top != 0) SendControlEvent(top, CTRL_MSG_ACTIVATED, nullptr, 0);
}

uint32_t World::GetTopControlKey() {
  const uint32_t id = m_screen ? m_screen->GetFocus() : 0;
  if (id == 0) return 0;
  Entity* entity = FindEntity(id);
  return entity ? entity->GetControlKey() : 0;
}

uint32_t World::SetFocusControl(uint32_t key) {
  const uint32_t old = m_focusKey;
  m_focusKey = key;
  return old;
}

int World::PostEvent(uint32_t code, EventObject* object) {
  if (code == 0) return 0;
  m_events.push_back(Event{code, object, 0});
  return 1;
}

int World::DeliverNow(uint32_t key, uint32_t code, EventObject* object) {
  ControlRecord* record = FindControl(key);
  if (record == nullptr) return 0;
  if (record->SendMessage(code, object) != 0 && object != nullptr) delete object;
  return 1;
}

int World::SendControlEvent(uint32_t key, uint32_t code, EventObject* object, int mode) {
  if (code == 0) return 0;
  if (key != 0 && mode == 0) return DeliverNow(key, code, object);
  m_events.push_back(Event{code, object, key});
  return 1;
}

int World::DispatchEvent(const Event& event, int mode) {
  if (event.code == 0) return 0;
  if (event.key != 0 && mode != 1) return DeliverNow(event.key, event.code, event.object);
  m_events.push_back(event);
  return 1;
}

Event World::PopEvent() {
  if (m_events.empty()) return Event{};
  Event e = m_events.front();
  m_events.pop_front();
  return e;
}
