#include "engine/World.h"

#include "engine/EngineClock.h"
#include "engine/EngineObject.h"
#include "engine/EngineUtil.h"
#include "engine/Screen.h"
#include "platform/kernel/Files.h"

namespace {

// Apply and event ids above this are warned about on every call.
constexpr uint32_t COUNTER_WARNING_LIMIT = 2000000000u;

bool KnownKind(uint32_t kind) {
  switch (kind) {
    case ENTITY_KIND_PLAIN:
    case BIT_SINGLE:
    case ENTITY_KIND_STRIP:
    case ENTITY_KIND_GROUP:
    case ENTITY_KIND_ITEMLIST:
    case ENTITY_KIND_BOUNDPICTURE:
    case ENTITY_KIND_PLANE:
    case ENTITY_KIND_PARTICLE:
      return true;
    default:
      return false;
  }
}

}  // namespace

World::World() { Construct(nullptr); }

World::World(ImageSource* images) { Construct(images); }

void World::Construct(ImageSource* images) {
  m_screen = images ? std::make_unique<Screen>(images) : std::make_unique<Screen>();
  // A stale "GameLog.ini" of an earlier run is removed. Only the program folder is touched: the
  // current directory may be any folder of the user's.
  DeleteFileA(MakeModulePath("GameLog.ini"));
}

World::~World() {
  if (m_screen) m_screen->ReleaseSurfaces();
  m_screen.reset();
  m_sound.CloseMusic();
  m_sound.ClearEngineFlag();
  // Objects still registered (Clear deletes every control's handler) and the objects of events
  // nobody took are owned here, so they go with the World instead of being lost.
  std::list<WorldObject*> objects;
  objects.swap(m_objects);
  for (WorldObject* object : objects) delete object;
  for (WorldObject* object : m_doomed) delete object;
  m_doomed.clear();
  for (Event& e : m_events) delete e.object;
  m_events.clear();
  m_groups.clear();
  for (Apply& a : m_pending) {
    if (a.id != 0 && a.params.ownsData) delete a.params.data;
    if (a.id != 0) delete a.params.completion.object;
  }
  for (Apply& a : m_active) {
    if (a.params.ownsData) delete a.params.data;
    delete a.params.completion.object;
  }
  m_pending.clear();
  m_active.clear();
  m_controls.clear();
  // Clear has normally destroyed every entity; what is left only frees its kind state here (the
  // screen its items were on is already gone).
  m_entities.clear();
}

void World::Clear() {
  // Every task ends without its completion event and without destroying its target.
  MovePending();
  for (Apply& a : m_active) FinishApply(a, false, false);
  m_active.clear();
  m_groups.clear();
  m_openGroup = 0;
  m_outerGroup = 0;
  DeleteAllControls();
  for (auto& [id, entity] : m_entities) entity.Destroy();
  m_entities.clear();
}

Entity* World::CreateEntity(uint32_t kind, const char* name, int32_t x, int32_t y, int32_t width,
                            int32_t height, double angle, int32_t level, int32_t visible,
                            double alpha) {
  if (!KnownKind(kind)) return nullptr;
  const uint32_t id = ++m_entityCounter;
  auto [it, inserted] = m_entities.try_emplace(id, static_cast<int32_t>(kind));
  Entity& entity = it->second;
  entity.Init(name, x, y, width, height, angle, level, visible, alpha);
  entity.SetId(static_cast<int32_t>(id));
  return &entity;
}

Entity* World::FindEntity(uint32_t id) {
  auto it = m_entities.find(id);
  return it == m_entities.end() ? nullptr : &it->second;
}

void World::DestroyEntityById(uint32_t id) {
  CancelEntityApplies(id, 7, 0);
  Entity* entity = FindEntity(id);
  if (entity == nullptr) return;
  // Item handles are numbered per layer, so only an entity of the top layer can be on its focus
  // stack; another layer's item with the same handle must not take a box's focus away.
  if (entity->GetLayer() == 4 && m_screen) m_screen->RemoveFocus(entity->GetScreenItem());
  DestroyEntity(entity);
}

void World::DestroyEntity(Entity* entity) {
  if (entity == nullptr) return;
  const uint32_t id = static_cast<uint32_t>(entity->GetId());
  auto it = m_entities.find(id);
  if (it == m_entities.end() || &it->second != entity) return;
  while (entity->GetLinkCount() > 0) {
    const EntityLink link = entity->GetLink(0);
    if (link.flags & LINK_DELETE) DestroyEntityById(static_cast<uint32_t>(link.childId));
    // A child that was already gone leaves its entry behind; it goes here so the loop ends.
    if (entity->GetLinkCount() > 0 && entity->GetLink(0).childId == link.childId) {
      entity->RemoveLink(link.childId);
    }
  }
  if (entity->GetControlKey() != 0) {
    if (ControlRecord* record = FindControl(entity->GetControlKey())) {
      if (record->flags & CTRL_FLAG_RELEASE_WITH_ENTITY) {
        ReleaseControl(record);
      } else {
        UnbindControlRecord(record);
      }
    }
  }
  entity->Destroy();
  m_entities.erase(id);
}

uint32_t World::AddChildEntity(uint32_t parentId, uint32_t childId, uint32_t flags) {
  Entity* parent = FindEntity(parentId);
  if (parent == nullptr) {
    WriteLog("添加子实体错误，父体不存在");
    return 0;
  }
  Entity* child = FindEntity(childId);
  if (child == nullptr) {
    WriteLog("添加子实体错误，子体不存在");
    return 0;
  }
  return parent->LinkChild(child, flags);
}

uint32_t World::LinkEntities(Entity* parent, Entity* child, uint32_t flags) {
  return parent ? parent->LinkChild(child, flags) : 0;
}

void World::RemoveChildEntity(uint32_t parentId, uint32_t childId) {
  Entity* parent = FindEntity(parentId);
  if (parent == nullptr) {
    WriteLog("去除子实体错误，父体不存在");
    return;
  }
  parent->RemoveLink(static_cast<int32_t>(childId));
}

WorldObject* World::AddObject(WorldObject* object) {
  m_objects.push_back(object);
  return object;
}

void World::RemoveObject(WorldObject* object) {
  if (object == nullptr) return;
  for (auto it = m_objects.begin(); it != m_objects.end(); ++it) {
    if (*it != object) continue;
    object->Release();
    m_objects.erase(it);
    break;
  }
  if (m_deliveryDepth > 0) {
    m_doomed.push_back(object);
  } else {
    delete object;
  }
}

void World::EndDelivery() {
  if (--m_deliveryDepth > 0) return;
  m_deliveryDepth = 0;
  while (!m_doomed.empty()) {
    std::vector<WorldObject*> doomed;
    doomed.swap(m_doomed);
    for (WorldObject* object : doomed) delete object;
  }
}

uint32_t World::NewApplyId() {
  const uint32_t id = ++m_applyCounter;
  if (id > COUNTER_WARNING_LIMIT) WriteLog("Apply数量超过2亿，警戒!");
  return id;
}

uint32_t World::NextEventId() {
  const uint32_t id = ++m_eventCounter;
  if (id > COUNTER_WARNING_LIMIT) WriteLog("Event数量超过2亿，警戒!");
  return id;
}

int World::FrameDue() {
  const uint32_t now = UpdateEngineClock();
  m_now = now;
  if (now - m_lastFrame < m_interval) return 0;
  m_lastFrame = now;
  return 1;
}

int World::DrawScreen(HDC target) {
  if (!m_screen) return -1;
  return m_screen->RenderFrame(m_now, target);
}

WorldObject* World::GetRootHandler() {
  if (m_rootKey == 0) return nullptr;
  ControlRecord* root = FindControl(m_rootKey);
  return root ? root->handler : nullptr;
}
