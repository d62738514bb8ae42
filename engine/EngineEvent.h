// The engine's one message: an event code, an object that travels with it and the key of the
// control that receives it (0: a command for the scene). Objects are owned: whoever delivers an
// event deletes its object when the receiver reports the event handled, and a receiver that
// returns 0 keeps it.
#pragma once

#include <cstdint>
#include <string>

// Everything that travels with an event derives from this, so that it can be deleted whatever
// its type.
class EventObject {
 public:
  virtual ~EventObject() = default;
  // A copy that can be sent in place of this object; objects that are never bound to a control
  // slot need not be copyable and give null.
  virtual EventObject* Clone() const { return nullptr; }
};

// A text, as the toast command and the button caption message take it.
class TextObject : public EventObject {
 public:
  explicit TextObject(std::string text) : m_text(std::move(text)) {}
  EventObject* Clone() const override { return new TextObject(m_text); }
  const std::string& Text() const { return m_text; }

 private:
  std::string m_text;
};

// A plain number (a key, an id) carried by an event.
class ValueObject : public EventObject {
 public:
  explicit ValueObject(uint32_t value) : m_value(value) {}
  EventObject* Clone() const override { return new ValueObject(m_value); }
  uint32_t Value() const { return m_value; }

 private:
  uint32_t m_value;
};

struct Event {
  uint32_t code = 0;
  EventObject* object = nullptr;
  uint32_t key = 0;
};

// One event slot of a control: what to send and to whom. The binding owns its object and sends
// a copy of it every time it fires.
struct EventBinding {
  uint32_t code = 0;
  EventObject* object = nullptr;
  uint32_t targetKey = 0;
};

constexpr int CONTROL_EVENT_SLOTS = 30;

// Control event slots, fired by the input dispatcher.
constexpr uint32_t CTRL_EVENT_MOVE = 1;
constexpr uint32_t CTRL_EVENT_ENTER = 2;
constexpr uint32_t CTRL_EVENT_LEAVE = 3;
constexpr uint32_t CTRL_EVENT_LDOWN = 4;
constexpr uint32_t CTRL_EVENT_LUP = 5;
constexpr uint32_t CTRL_EVENT_RDOWN = 6;
constexpr uint32_t CTRL_EVENT_RUP = 7;
constexpr uint32_t CTRL_EVENT_CLICK = 8;
constexpr uint32_t CTRL_EVENT_DBLCLICK = 9;
constexpr uint32_t CTRL_EVENT_LDRAG = 10;
constexpr uint32_t CTRL_EVENT_RDRAG = 11;
constexpr uint32_t CTRL_EVENT_HOVER = 12;
constexpr uint32_t CTRL_EVENT_HOVER_END = 13;
constexpr uint32_t CTRL_EVENT_WHEELUP = 17;
constexpr uint32_t CTRL_EVENT_WHEELDOWN = 18;
constexpr uint32_t CTRL_EVENT_MDOWN = 19;
constexpr uint32_t CTRL_EVENT_MUP = 20;
constexpr uint32_t CTRL_EVENT_KEYREPEAT = 21;
constexpr uint32_t CTRL_EVENT_KEYDOWN = 22;
constexpr uint32_t CTRL_EVENT_KEYUP = 23;
constexpr uint32_t CTRL_EVENT_DEFERRED_CLICK = 25;

// Control messages sent by the registry.
constexpr uint32_t CTRL_MSG_REDRAW = 14;
constexpr uint32_t CTRL_MSG_ACTIVATED = 15;
constexpr uint32_t CTRL_MSG_DEACTIVATED = 16;
constexpr uint32_t CTRL_MSG_DISABLED = 69;
constexpr uint32_t CTRL_MSG_ENABLED = 70;

// The engine's core commands, drained by the event pump.
constexpr uint32_t SYSTEM_COMMAND_MIN = 31;
constexpr uint32_t SYSTEM_COMMAND_MAX = 96;
// Base of relative bindings: control event i fires core command 35 + i.
constexpr uint32_t CORE_COMMAND_BASE = 35;
// Makes the input dispatcher look again at what lies under the pointer.
constexpr uint32_t CORE_COMMAND_REFRESH_INPUT = 84;
