// Turns the host window's mouse and keyboard input into control events. Each input fires a slot
// of the root control (its own, which sees everything) and then a slot of the control under the
// pointer, of the top control of layer 4 (wheel) or of the focus control (keys). A binding
// without an object sends a fresh copy of the input state, so every receiver gets the pointer,
// the buttons and the keys of the moment.
#pragma once

#include <cstdint>

#include "engine/EngineObject.h"
#include "engine/EntityPlacement.h"

// Input state flags.
constexpr uint32_t INPUT_LEFT_DOWN = 0x10;
constexpr uint32_t INPUT_RIGHT_DOWN = 0x20;
constexpr uint32_t INPUT_MIDDLE_DOWN = 0x80000;
constexpr uint32_t INPUT_MOVED = 0x1000;
constexpr uint32_t INPUT_HOVER_FIRED = 0x10000;
// Key flags: the key is held beyond the repeat delay.
constexpr uint32_t INPUT_KEY_HELD = 0x10000000;

struct InputState {
  uint32_t hoverEntityId;
  uint32_t hitEntityId;
  uint32_t pressedEntityId;
  uint32_t hoverControlKey;
  uint32_t flags;
  int32_t x;
  int32_t y;
  int32_t dx;
  int32_t dy;
  EntityPlacement placement;
  uint32_t keyFlags;
  uint32_t keyDown;
  uint32_t keyUp;
  uint32_t keyCount;
};

// A copy of the input state travelling with an event.
class InputStateObject : public EventObject {
 public:
  explicit InputStateObject(const InputState& state) : state(state) {}
  EventObject* Clone() const override { return new InputStateObject(state); }
  InputState state;
};

class InputDispatcher : public WorldObject {
 public:
  InputDispatcher();
  ~InputDispatcher() override = default;

  void OnAttached() override;

  void OnMouseMove(int32_t x, int32_t y, uint32_t flags);
  void OnLButtonDown(int32_t x, int32_t y, uint32_t flags);
  void OnLButtonUp(int32_t x, int32_t y, uint32_t flags);
  void OnRButtonDown(int32_t x, int32_t y, uint32_t flags);
  void OnRButtonUp(int32_t x, int32_t y, uint32_t flags);
  void OnMButtonDown(int32_t x, int32_t y, uint32_t flags);
  void OnMButtonUp(int32_t x, int32_t y, uint32_t flags);
  void OnWheel(int32_t x, int32_t y, int32_t delta, uint32_t flags);
  void OnKeyDown(uint32_t key, uint32_t count, uint32_t flags);
  void OnKeyUp(uint32_t key, uint32_t count, uint32_t flags);
  void OnHoverTick(uintptr_t timerId);
  void OnMouseLeave();
  void Refresh();
  void ClearHover();
  void ResetHover();
  // Fires a binding of a control, refused while another entity holds the press.
  int PostBinding(const EventBinding* binding);
  void SetHoverDelay(uint32_t ms) { m_hoverDelay = ms; }
  uint32_t GetHoverDelay() const { return m_hoverDelay; }

  void SetSystemCursor(LPCSTR identifier);
  void SetResourceCursor(const char* name);
  void ApplyCursor();
  HCURSOR GetCursor() const { return m_cursor; }

  InputState* GetInputState() { return &m_state; }
  uint32_t GetHoveredEntityId() const { return m_hoveredEntityId; }

 private:
  int Fire(const EventBinding* binding, bool pressTest);
  int PostToRoot(uint32_t slot);
  int PostControl(uint32_t slot);
  int PostFocus(uint32_t slot);
  bool HoverHasControl();

  InputState m_state{};
  // The entity under the pointer, kept by id: an entity may be destroyed under a resting pointer.
  uint32_t m_hoveredEntityId = 0;
  uint32_t m_hoverDelay = 1500;
  uint32_t m_doubleClickTime = 500;
  HCURSOR m_cursor = nullptr;
  uint32_t m_hoverTime = 0;
  uint32_t m_doubleClickCount = 0;
  uint32_t m_keyHoldTime = 0;
  int32_t m_cursorSet = 0;
  // The press was recorded by the middle button, whose release then ends it.
  bool m_middlePress = false;
};
