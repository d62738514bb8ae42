#include "engine/InputDispatcher.h"

#include "engine/ControlRecord.h"
#include "engine/ResourceManager.h"
#include "engine/Screen.h"
#include "engine/World.h"
#include "platform/user/Input.h"

namespace {

constexpr uint32_t DOUBLE_CLICK_RESET = 5000;
constexpr uint32_t HOVER_TICK_MS = 100;
constexpr uintptr_t IDC_ARROW_ID = 32512;

}  // namespace

InputDispatcher::InputDispatcher() {
  SetSystemCursor(reinterpret_cast<LPCSTR>(IDC_ARROW_ID));
}

void InputDispatcher::OnAttached() { m_state = InputState{}; }

int InputDispatcher::Fire(const EventBinding* binding, bool pressTest) {
  if (binding == nullptr || m_world == nullptr) return 0;
  if (pressTest && m_state.pressedEntityId != 0 &&
      m_state.pressedEntityId != m_state.hoverEntityId) {
    return 0;
  }
  Event event{binding->code, nullptr, binding->targetKey};
  event.object = binding->object ? binding->object->Clone() : new InputStateObject(m_state);
  const int result = m_world->DispatchEvent(event, 0);
  if (result == 0) delete event.object;
  return result;
}

int InputDispatcher::PostBinding(const EventBinding* binding) { return Fire(binding, true); }

int InputDispatcher::PostToRoot(uint32_t slot) {
  if (m_world == nullptr) return 0;
  ControlRecord* root = m_world->FindControl(GetControlKey());
  return root ? Fire(root->GetBinding(slot), false) : 0;
}

int InputDispatcher::PostControl(uint32_t slot) {
  if (m_world == nullptr) return 0;
  ControlRecord* record = m_world->FindControl(m_state.hoverControlKey);
  return record ? Fire(record->GetBinding(slot), true) : 0;
}

int InputDispatcher::PostFocus(uint32_t slot) {
  if (m_world == nullptr) return 0;
  ControlRecord* record = m_world->FindControl(m_world->GetFocusControl());
  return record ? Fire(record->GetBinding(slot), true) : 0;
}

bool InputDispatcher::HoverHasControl() {
  return m_world != nullptr && m_state.hoverEntityId != 0 &&
         m_world->FindControl(m_state.hoverControlKey) != nullptr;
}

void InputDispatcher::OnMouseMove(int32_t x, int32_t y, uint32_t flags) {
  (void)flags;
  if (m_world == nullptr) return;
  if (x != m_state.x || y != m_state.y) {
    m_doubleClickCount = DOUBLE_CLICK_RESET;
    m_state.flags |= INPUT_MOVED;
  }
  m_state.dx = x - m_state.x;
  m_state.dy = y - m_state.y;
  m_state.x = x;
  m_state.y = y;

  PostToRoot(CTRL_EVENT_MOVE);
  if (m_state.flags & INPUT_LEFT_DOWN) PostToRoot(CTRL_EVENT_LDRAG);
  if (m_state.flags & INPUT_RIGHT_DOWN) PostToRoot(CTRL_EVENT_RDRAG);
  if (m_state.flags & INPUT_HOVER_FIRED) PostToRoot(CTRL_EVENT_HOVER_END);

  // A drag delivered to a control keeps the pointer on that control: no hit test is made.
  if ((m_state.flags & INPUT_RIGHT_DOWN) && (m_state.flags & INPUT_MOVED) && HoverHasControl() &&
      PostControl(CTRL_EVENT_RDRAG)) {
    m_state.flags &= ~INPUT_MOVED;
    return;
  }
  if ((m_state.flags & INPUT_LEFT_DOWN) && (m_state.flags & INPUT_MOVED) && HoverHasControl() &&
      PostControl(CTRL_EVENT_LDRAG)) {
    m_state.flags &= ~INPUT_MOVED;
    return;
  }

  Screen* screen = m_world->GetScreen();
  const uint32_t hit = screen ? screen->HitTest(x, y) : 0;
  m_state.hitEntityId = hit;

  if (m_state.hoverEntityId != 0) {
    if (m_state.hoverEntityId == hit) {
      if (HoverHasControl()) PostControl(CTRL_EVENT_MOVE);
      m_state.flags &= ~INPUT_MOVED;
      return;
    }
    PostToRoot(CTRL_EVENT_LEAVE);
    if (HoverHasControl()) {
      PostControl(CTRL_EVENT_LEAVE);
      if (m_state.flags & INPUT_HOVER_FIRED) PostControl(CTRL_EVENT_HOVER_END);
    }
    ResetHover();
    m_hoveredEntityId = 0;
    m_state.hoverControlKey = 0;
  }

  m_state.hoverEntityId = hit;
  if (hit == 0) return;
  Entity* entity = m_world->FindEntity(hit);
  m_hoveredEntityId = entity ? hit : 0;
  m_state.hoverControlKey = entity ? entity->GetControlKey() : 0;
  if (entity) m_state.placement = entity->Placement();
  if (HoverHasControl()) {
    PostControl(CTRL_EVENT_ENTER);
    if (m_state.flags & INPUT_MOVED) {
      PostControl(CTRL_EVENT_MOVE);
      m_state.flags &= ~INPUT_MOVED;
    }
  }
}

void InputDispatcher::OnLButtonDown(int32_t, int32_t, uint32_t) {
  m_state.flags &= ~INPUT_HOVER_FIRED;
  m_state.flags |= INPUT_LEFT_DOWN;
  const bool doubleClick = m_doubleClickCount < m_doubleClickTime;
  if (doubleClick) m_doubleClickCount = DOUBLE_CLICK_RESET;
  if (doubleClick) {
    if (!PostToRoot(CTRL_EVENT_DBLCLICK)) PostToRoot(CTRL_EVENT_LDOWN);
  } else {
    PostToRoot(CTRL_EVENT_LDOWN);
  }
  if (!HoverHasControl()) return;
  if (doubleClick && PostControl(CTRL_EVENT_DBLCLICK)) return;
  m_doubleClickCount = 0;
  if (!(m_state.flags & INPUT_MOVED)) {
    PostControl(CTRL_EVENT_LDOWN);
    m_state.pressedEntityId = m_state.hoverEntityId;
    m_middlePress = false;
  }
}

void InputDispatcher::OnLButtonUp(int32_t, int32_t, uint32_t) {
  m_state.flags &= ~(INPUT_HOVER_FIRED | INPUT_LEFT_DOWN);
  PostToRoot(CTRL_EVENT_LUP);
  PostToRoot(CTRL_EVENT_CLICK);
  if (m_state.hoverEntityId != m_state.pressedEntityId) {
    ClearHover();
    Refresh();
    return;
  }
  m_state.pressedEntityId = 0;
  m_middlePress = false;
  if (HoverHasControl()) {
    PostControl(CTRL_EVENT_LUP);
    PostControl(CTRL_EVENT_CLICK);
  }
}

void InputDispatcher::OnRButtonDown(int32_t, int32_t, uint32_t) {
  m_state.flags &= ~INPUT_HOVER_FIRED;
  m_state.flags |= INPUT_RIGHT_DOWN;
  PostToRoot(CTRL_EVENT_RDOWN);
  if (HoverHasControl() && !(m_state.flags & INPUT_MOVED)) PostControl(CTRL_EVENT_RDOWN);
}

void InputDispatcher::OnRButtonUp(int32_t, int32_t, uint32_t) {
  m_state.flags &= ~(INPUT_HOVER_FIRED | INPUT_RIGHT_DOWN);
  PostToRoot(CTRL_EVENT_RUP);
  if (HoverHasControl()) PostControl(CTRL_EVENT_RUP);
}

void InputDispatcher::OnMButtonDown(int32_t, int32_t, uint32_t) {
  m_state.flags &= ~INPUT_HOVER_FIRED;
  m_state.flags |= INPUT_MIDDLE_DOWN;
  PostToRoot(CTRL_EVENT_MDOWN);
  if (HoverHasControl() && !(m_state.flags & INPUT_MOVED)) {
    PostControl(CTRL_EVENT_MDOWN);
    m_state.pressedEntityId = m_state.hoverEntityId;
    m_middlePress = true;
  }
}

void InputDispatcher::OnMButtonUp(int32_t, int32_t, uint32_t) {
  m_state.flags &= ~(INPUT_HOVER_FIRED | INPUT_MIDDLE_DOWN);
  PostToRoot(CTRL_EVENT_MUP);
  if (HoverHasControl()) PostControl(CTRL_EVENT_MUP);
  // A press that the middle button recorded ends with it; otherwise every other control would
  // stay deaf until some later left release.
  if (m_middlePress) {
    m_state.pressedEntityId = 0;
    m_middlePress = false;
  }
}

void InputDispatcher::OnWheel(int32_t, int32_t, int32_t delta, uint32_t) {
  const int16_t d = static_cast<int16_t>(delta & 0xffff);
  if (d == 0 || m_world == nullptr) return;
  const uint32_t slot = d < 0 ? CTRL_EVENT_WHEELDOWN : CTRL_EVENT_WHEELUP;
  PostToRoot(slot);
  const uint32_t top = m_world->GetTopControlKey();
  if (ControlRecord* record = m_world->FindControl(top)) Fire(record->GetBinding(slot), true);
}

void InputDispatcher::OnKeyDown(uint32_t key, uint32_t count, uint32_t flags) {
  m_state.keyFlags = flags;
  m_state.keyDown = key;
  if (m_state.keyUp == key) m_state.keyUp = 0;
  m_state.keyCount = count;
  PostToRoot(CTRL_EVENT_KEYDOWN);
  PostFocus(CTRL_EVENT_KEYDOWN);
  m_keyHoldTime = 0;
}

void InputDispatcher::OnKeyUp(uint32_t key, uint32_t count, uint32_t flags) {
  (void)count;
  m_state.keyFlags = flags;
  m_state.keyUp = key;
  if (m_state.keyDown == key) m_state.keyDown = 0;
  PostToRoot(CTRL_EVENT_KEYUP);
  PostFocus(CTRL_EVENT_KEYUP);
  m_keyHoldTime = 0;
}

void InputDispatcher::OnHoverTick(uintptr_t timerId) {
  (void)timerId;
  m_doubleClickCount += HOVER_TICK_MS;
  if (m_state.hoverEntityId != 0) {
    m_hoverTime += HOVER_TICK_MS;
    if (m_hoverTime > m_hoverDelay && !(m_state.flags & INPUT_HOVER_FIRED)) {
      m_state.flags |= INPUT_HOVER_FIRED;
      PostToRoot(CTRL_EVENT_HOVER);
      if (HoverHasControl()) PostControl(CTRL_EVENT_HOVER);
    }
  }
  if (m_state.keyDown != 0) {
    m_keyHoldTime += HOVER_TICK_MS;
    if (m_keyHoldTime > m_doubleClickTime) {
      m_state.keyFlags |= INPUT_KEY_HELD;
      PostToRoot(CTRL_EVENT_KEYREPEAT);
      PostFocus(CTRL_EVENT_KEYREPEAT);
    }
  }
}

void InputDispatcher::OnMouseLeave() {
  if (m_state.flags & INPUT_RIGHT_DOWN) OnRButtonUp(0, 0, 0);
  if (m_state.flags & INPUT_LEFT_DOWN) OnLButtonUp(0, 0, 0);
  OnMouseMove(-10000, -10000, 0);
}

void InputDispatcher::Refresh() {
  if (m_world == nullptr || m_world->GetScreen() == nullptr) return;
  if (m_state.flags & (INPUT_LEFT_DOWN | INPUT_RIGHT_DOWN)) return;
  OnMouseMove(m_state.x, m_state.y, 0);
}

void InputDispatcher::ClearHover() {
  m_state.hoverEntityId = 0;
  m_state.hoverControlKey = 0;
  m_state.pressedEntityId = 0;
  m_hoveredEntityId = 0;
  m_middlePress = false;
}

void InputDispatcher::ResetHover() {
  m_hoverTime = 0;
  m_state.flags &= ~INPUT_HOVER_FIRED;
}

void InputDispatcher::SetSystemCursor(LPCSTR identifier) {
  m_cursor = LoadCursorA(nullptr, identifier);
  m_cursorSet = 1;
  ApplyCursor();
}

void InputDispatcher::SetResourceCursor(const char* name) {
  m_cursor = static_cast<HCURSOR>(ResourceManager::Instance()->GetCursor(name ? name : ""));
  m_cursorSet = 1;
  ApplyCursor();
}

void InputDispatcher::ApplyCursor() {
  if (m_cursorSet) ::SetCursor(m_cursor);
}
