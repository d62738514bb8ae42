// The roots of the engine's objects: an EngineObject can be registered in a World and receive
// control messages; a WorldObject can also take itself out of its World and set the cursor.
// Engine objects may travel as the object of an event (the core commands that detach an object or
// reset a button frame take one), which is why they are event objects.
#pragma once

#include <cstdint>

#include "engine/EngineEvent.h"
#include "platform/base/WinTypes.h"

class World;
class ControlRecord;

class EngineObject : public EventObject {
 public:
  EngineObject() = default;
  ~EngineObject() override = default;
  EngineObject(const EngineObject&) = delete;
  EngineObject& operator=(const EngineObject&) = delete;

  // Called by the World just before it deletes an object that it removes from its object list.
  virtual void Release() {}
  // Never called by the engine.
  virtual void Destroy() {}
  // A control message addressed to the object's control; non-zero means handled, and the caller
  // then deletes the message's object.
  virtual int OnMessage(Event* message) {
    (void)message;
    return 1;
  }
  virtual void SetWorld(World* world) { m_world = world; }
  // Called once the object has its ControlRecord.
  virtual void OnAttached() {}

  World* GetWorld() const { return m_world; }
  ControlRecord* GetControlRecord() const { return m_record; }
  void SetControlRecord(ControlRecord* record) { m_record = record; }
  // The key of the object's ControlRecord, 0 when it has none.
  uint32_t GetControlKey() const;

 protected:
  World* m_world = nullptr;
  ControlRecord* m_record = nullptr;
};

class WorldObject : public EngineObject {
 public:
  // Takes the object out of its World: through its control when it has one (which deletes the
  // object), else out of the object list (which deletes it too).
  virtual void Detach();
  // Sets the mouse cursor to a system cursor through the input dispatcher.
  virtual void SetCursor(LPCSTR name);
  // Sets the mouse cursor from a cursor resource through the input dispatcher.
  virtual void SetCursorResource(EventObject* data);
};
