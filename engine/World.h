// The registry of everything that lives in one running scene: the Screen, the entities by id,
// the controls by key, the engine objects, the timed tasks, the event queue and the four number
// counters (entity ids, Apply ids, event ids, control keys), and the gate that decides when the
// next frame is due.
//
// Walks over applies and controls tolerate changes made while they deliver: applies are only
// marked while a walk runs and removed by the walk itself, and an object whose control is deleted
// from inside its own message handler is deleted once the outermost delivery has returned.
#pragma once

#include <cstdint>
#include <deque>
#include <list>
#include <map>
#include <memory>
#include <vector>

#include "engine/Apply.h"
#include "engine/ControlRecord.h"
#include "engine/EngineEvent.h"
#include "engine/Entity.h"
#include "engine/GameSound.h"

class Screen;
class WorldObject;
class ImageSource;

class World {
 public:
  World();
  // A World whose Screen takes its pictures from the given source instead of the resource
  // manager (tests).
  explicit World(ImageSource* images);
  ~World();
  World(const World&) = delete;
  World& operator=(const World&) = delete;

  // Cancels every apply, deletes every control and destroys every entity.
  void Clear();

  // Entities.
  Entity* CreateEntity(uint32_t kind, const char* name, int32_t x, int32_t y, int32_t width,
                       int32_t height, double angle, int32_t level, int32_t visible, double alpha);
  Entity* FindEntity(uint32_t id);
  void DestroyEntityById(uint32_t id);
  void DestroyEntity(Entity* entity);
  uint32_t GetEntityCount() const { return static_cast<uint32_t>(m_entities.size()); }
  uint32_t AddChildEntity(uint32_t parentId, uint32_t childId, uint32_t flags);
  uint32_t LinkEntities(Entity* parent, Entity* child, uint32_t flags);
  void RemoveChildEntity(uint32_t parentId, uint32_t childId);

  // Objects.
  WorldObject* AddObject(WorldObject* object);
  void RemoveObject(WorldObject* object);
  uint32_t GetObjectCount() const { return static_cast<uint32_t>(m_objects.size()); }

  // Counters.
  uint32_t NewApplyId();
  uint32_t NextEventId();
  uint32_t NewControlKey() { return ++m_controlCounter; }
  uint32_t GetEventCounter() const { return m_eventCounter; }
  // Tests move the counters close to their warning limit.
  void SetCounters(uint32_t applies, uint32_t events) {
    m_applyCounter = applies;
    m_eventCounter = events;
  }

  // Frame gate and drawing.
  void SetInterval(uint32_t ms) { m_interval = ms; }
  uint32_t GetInterval() const { return m_interval; }
  int FrameDue();
  int DrawScreen(HDC target);
  uint32_t GetNow() const { return m_now; }
  Screen* GetScreen() const { return m_screen.get(); }
  GameSound& GetSound() { return m_sound; }

  // Statistics.
  uint32_t GetControlCount() const { return static_cast<uint32_t>(m_controls.size()); }
  uint32_t GetApplyCount() const {
    return static_cast<uint32_t>(m_active.size() + m_groups.size());
  }
  uint32_t GetPendingApplyCount() const { return static_cast<uint32_t>(m_pending.size()); }
  uint32_t GetEventCount() const { return static_cast<uint32_t>(m_events.size()); }

  // The root control: the input dispatcher's.
  void SetRootControlKey(uint32_t key) { m_rootKey = key; }
  uint32_t GetRootControlKey() const { return m_rootKey; }
  WorldObject* GetRootHandler();

  // Controls.
  ControlRecord* NewControl();
  ControlRecord* AcquireControl(uint32_t entityId, uint32_t flags);
  int BindControl(ControlRecord* record, Entity* entity, uint32_t flags);
  int UnbindControl(uint32_t key);
  int UnbindControlRecord(ControlRecord* record);
  int DeleteControl(uint32_t key);
  int ReleaseControl(ControlRecord* record);
  void DeleteAllControls();
  ControlRecord* FindControl(uint32_t key);
  int AddChildControl(uint32_t parentKey, uint32_t childKey);
  int LinkControls(ControlRecord* parent, ControlRecord* child);
  void ActivateControl(uint32_t key);
  void DeactivateControl(uint32_t key);
  uint32_t GetTopControlKey();
  uint32_t SetFocusControl(uint32_t key);
  uint32_t GetFocusControl() const { return m_focusKey; }
  // Registers an object as a control: a new record whose handler it is, then its OnAttached.
  ControlRecord* RegisterControlObject(WorldObject* object);

  // Events.
  int PostEvent(uint32_t code, EventObject* object);
  int SendControlEvent(uint32_t key, uint32_t code, EventObject* object, int mode);
  int DispatchEvent(const Event& event, int mode);
  Event PopEvent();
  const std::deque<Event>& GetEvents() const { return m_events; }

  // Applies.
  uint32_t AddApply(uint32_t targetId, ApplyParams params, ApplyCallback callback, uint32_t key,
                    uint32_t flags, uint32_t holdValue, uint32_t mode);
  uint32_t AddApplyWithParams(uint32_t targetId, const ApplyParams* params, ApplyCallback callback,
                              uint32_t key, uint32_t flags, uint32_t holdValue, uint32_t mode);
  void QueueRawApply(const Apply& record);
  int RunApplies();
  int IsBusy() const { return !m_active.empty() || !m_pending.empty() ? 1 : 0; }
  int HasApplyFor(uint32_t entityId) const;
  int HasApplyKey(uint32_t key) const;
  uint32_t HoldApply(uint32_t id, uint32_t value);
  int ResumeApply(uint32_t id);
  const std::list<Apply>& GetActiveApplies() const { return m_active; }
  const ApplyGroup* FindGroup(uint32_t id) const;
  uint32_t GetOpenGroup() const { return m_openGroup; }

  // Deliveries into handlers; objects removed meanwhile are deleted when the last one ends.
  void BeginDelivery() { ++m_deliveryDepth; }
  void EndDelivery();

 private:
  void Construct(ImageSource* images);
  void TakeOverEntity(Entity* entity, ControlRecord* record);
  int DeliverNow(uint32_t key, uint32_t code, EventObject* object);
  void MovePending();
  void ExecuteRaw(const Apply& record);
  void FinishApply(Apply& apply, bool sendEvent, bool destroyTarget);
  void Cancel(Apply& apply, uint32_t drop);
  void CancelEntityApplies(uint32_t entityId, uint32_t level, uint32_t drop);
  void ResumeOne(Apply& apply);
  Apply* FindActive(uint32_t id);
  void StartGroup(uint32_t id);
  void GroupMemberDone(uint32_t id);

  std::unique_ptr<Screen> m_screen;
  std::map<uint32_t, Entity> m_entities;
  std::map<uint32_t, ControlRecord> m_controls;
  std::list<Apply> m_active;
  std::list<Apply> m_pending;
  std::map<uint32_t, ApplyGroup> m_groups;
  std::deque<Event> m_events;
  std::list<WorldObject*> m_objects;
  std::vector<WorldObject*> m_doomed;
  uint32_t m_entityCounter = 0;
  uint32_t m_applyCounter = 0;
  uint32_t m_eventCounter = 0;
  uint32_t m_controlCounter = 0;
  uint32_t m_focusKey = 0;
  uint32_t m_now = 0;
  uint32_t m_interval = 40;
  uint32_t m_lastFrame = 0;
  uint32_t m_outerGroup = 0;
  uint32_t m_openGroup = 0;
  uint32_t m_rootKey = 0;
  GameSound m_sound;
  int m_deliveryDepth = 0;
  bool m_walking = false;
};
