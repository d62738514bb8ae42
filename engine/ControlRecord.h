// What makes an entity answer to input: one record per control in the World's control map, with
// the bound entity, 30 event bindings, the handler object that receives the control's messages
// and an optional owned data block.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "engine/EngineEvent.h"
// The platform names SendMessage as a macro; including it here gives the record's member the same
// name in every file that sees both.
#include "platform/user/MessageQueue.h"

class Entity;
class World;
class WorldObject;

// Bind flags.
// The control owns its entity: deleting the control destroys it.
constexpr uint32_t CTRL_FLAG_OWNS_ENTITY = 0x10;
// The record owns its data block.
constexpr uint32_t CTRL_FLAG_OWNS_DATA = 0x20;
// Destroying the entity releases the control (otherwise it is only unbound).
constexpr uint32_t CTRL_FLAG_RELEASE_WITH_ENTITY = 0x80;
// The bind flags of the engine's own controls.
constexpr uint32_t CTRL_FLAGS_CONTROL = 0x90;

class ControlRecord {
 public:
  ControlRecord() = default;
  ~ControlRecord();
  ControlRecord(const ControlRecord&) = delete;
  ControlRecord& operator=(const ControlRecord&) = delete;

  // Stores {code, object, target key} in the slot and returns the slot's old code; 0 and nothing
  // changed for a slot above 29. The record takes the object.
  uint32_t BindEvent(uint32_t slot, uint32_t code, uint32_t targetKey, EventObject* object);
  uint32_t BindEventRelative(uint32_t slot, uint32_t base, uint32_t targetKey, EventObject* object);
  // The slot's binding, or null when the control is disabled, binds nothing or the slot is unset.
  const EventBinding* GetBinding(uint32_t slot) const;
  int HasAnyBinding() const;
  int HasClickEvent() const;
  void Enable(int on);
  // The handler's answer to {code, object, 0}; 0 without a handler.
  int SendMessage(uint32_t code, EventObject* object);
  int PostToHandler(Event* message);
  void Clear();
  void ReleaseData();

  uint32_t flags = 0;
  uint32_t parentKey = 0;
  int32_t enabled = 1;
  std::unique_ptr<std::array<EventBinding, CONTROL_EVENT_SLOTS>> bindings;
  uint32_t key = 0;
  int32_t entityId = 0;
  Entity* entity = nullptr;
  WorldObject* handler = nullptr;
  EventObject* data = nullptr;
  World* world = nullptr;
};
