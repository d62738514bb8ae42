// The event pump, the engine's core commands and the pending-id list.
#include <cstdio>

#include "engine/ButtonFrame.h"
#include "engine/EngineUtil.h"
#include "engine/GameBase.h"
#include "engine/GameHost.h"
#include "engine/InputDispatcher.h"
#include "engine/Screen.h"
#include "platform/user/Input.h"

namespace {

const InputState* StateOf(EventObject* object) {
  auto* copy = dynamic_cast<InputStateObject*>(object);
  return copy ? &copy->state : nullptr;
}

}  // namespace

void GameBase::PumpEvents() {
  for (Event event = m_world.PopEvent(); event.code != 0; event = m_world.PopEvent()) {
    if (event.key != 0) {
      if (m_world.DispatchEvent(event, 0) == 0) delete event.object;
    } else if (event.code >= SYSTEM_COMMAND_MIN && event.code <= SYSTEM_COMMAND_MAX) {
      if (DispatchCoreCommand(event) != 0) delete event.object;
    } else {
      if (OnCommand(event) != 0) delete event.object;
    }
  }
  m_world.GetSound().PollMusic();
}

int GameBase::DispatchCoreCommand(Event event) {
  const uint32_t code = event.code;
  if (code >= 35 && code <= 65) {
    const InputState* state = StateOf(event.object);
    ControlRecord* control = state ? m_world.FindControl(state->hoverControlKey) : nullptr;
    Entity* e = control ? control->entity : nullptr;
    if (e == nullptr) return 1;
    switch (code) {
      case 37:
        e->SetAlpha(1.0)->Refresh();
        break;
      case 38:
        e->SetAlpha(0.8)->Refresh();
        break;
      case 39:
        e->SetAlpha(0.3)->Refresh();
        break;
      case 40:
        e->SetAlpha(1.0)->Refresh();
        break;
      case 43:
        if (const EventBinding* b = control->GetBinding(CTRL_EVENT_DEFERRED_CLICK)) {
          Event deferred{b->code, b->object ? b->object->Clone() : nullptr, b->targetKey};
          if (m_world.DispatchEvent(deferred, 0) == 0) delete deferred.object;
        }
        break;
      case 45:
        e->MoveBy(state->dx, state->dy)->Refresh();
        break;
      default:
        break;
    }
    return 1;
  }
  if (code >= 81 && code <= 87) {
    switch (code) {
      case 82:
        DebugMousePoint(event.object);
        return 1;
      case 83:
        DragToMouse(event.object);
        return 1;
      case 84:
        if (m_input) m_input->Refresh();
        return 1;
      case 85:
        SetCursorResource(event.object);
        return 1;
      case 86:
        EdgeScroll(event.object);
        return 1;
      default:
        // Nothing keeps the object of a command that uses none, so the pump frees it.
        return 1;
    }
  }
  if (code >= 66 && code <= 68) {
    // The button frame that 'C' resets is not the event's to free; any other object is.
    if (code == 67 && event.object != nullptr) {
      ResetButtonFrame(event.object);
      return 0;
    }
    return 1;
  }
  switch (code) {
    case 91:
      return OnCoreHookA(event.object);
    case 92:
      return OnCoreHookB();
    case 88: {
      auto* text = dynamic_cast<TextObject*>(event.object);
      ShowToast(text ? text->Text().c_str() : "", 1, 1000, -1000, -1000, 100, 80, 0, 0, 0);
      return 1;
    }
    case 93:
      // The object detaches itself (and is deleted with its control), so the pump leaves it.
      if (auto* object = dynamic_cast<WorldObject*>(event.object)) {
        object->Detach();
        return 0;
      }
      return 1;
    case 94:
      // The entity to remove is named by its id, so a stale command finds nothing.
      if (auto* id = dynamic_cast<ValueObject*>(event.object)) m_world.DestroyEntityById(id->Value());
      return 1;
    case 95:
      if (auto* key = dynamic_cast<ValueObject*>(event.object)) m_world.DeleteControl(key->Value());
      return 1;
    default:
      Log("警告：一个未响应的系统回调命令:%d", static_cast<int>(code));
      return 1;
  }
}

void GameBase::DebugMousePoint(EventObject* object) {
  const InputState* state = StateOf(object);
  if (state == nullptr) return;
  const GameHostServices& services = GetGameHostServices();
  if (services.addChatText == nullptr) return;
  char line[128];
  std::snprintf(line, sizeof line, "MousePoint:(%d,%d)\r\n", state->x, state->y);
  services.addChatText(line);
  std::snprintf(line, sizeof line, "GetObject:%u\r\n", state->hoverControlKey);
  services.addChatText(line);
}

void GameBase::DragToMouse(EventObject* object) {
  const InputState* state = StateOf(object);
  if (state == nullptr) return;
  ControlRecord* control = m_world.FindControl(state->hoverControlKey);
  if (control == nullptr || control->entity == nullptr) return;
  POINT p{state->x, state->y};
  control->entity->ScreenToLayer(&p, state->x, state->y);
  control->entity->MoveTo(p.x, p.y)->Refresh();
}

void GameBase::EdgeScroll(EventObject* object) {
  const InputState* state = StateOf(object);
  if (state == nullptr || m_world.FindControl(state->hoverControlKey) == nullptr) return;
  Screen* screen = GetScreen();
  if (screen == nullptr) return;
  ViewInfo view{};
  screen->GetViewInfo(&view);
  const int32_t x = state->x;
  const int32_t y = state->y;
  const int32_t s = m_mouseMoveSpeed;
  if (view.width - 10 < x && x <= view.width) {
    SetCursorPos(m_windowLeft + view.width - 10, m_windowTop + y);
    screen->ScrollBy(s, 0);
  }
  if (0 <= x && x < 10) {
    SetCursorPos(m_windowLeft + 10, m_windowTop + y);
    screen->ScrollBy(-s, 0);
  }
  if (0 <= y && y < 10) {
    SetCursorPos(m_windowLeft + x, m_windowTop + 10);
    screen->ScrollBy(0, -s);
  }
  if (view.height - 10 < y && y <= view.height) {
    SetCursorPos(m_windowLeft + x, m_windowTop + view.height - 10);
    screen->ScrollBy(0, s);
  }
}

void GameBase::SetControlHighlight(ControlRecord* control, int on) {
  if (control == nullptr || control->entity == nullptr) return;
  Entity* e = control->entity;
  if (on) {
    e->SetAlpha(e->GetAlpha() + 0.2)->Refresh();
    control->BindEventRelative(CTRL_EVENT_CLICK, CORE_COMMAND_BASE, 0, nullptr);
    control->BindEventRelative(CTRL_EVENT_LDOWN, CORE_COMMAND_BASE, 0, nullptr);
    control->BindEventRelative(CTRL_EVENT_LUP, CORE_COMMAND_BASE, 0, nullptr);
  } else {
    control->BindEvent(CTRL_EVENT_CLICK, 0, 0, nullptr);
    control->BindEvent(CTRL_EVENT_LDOWN, 0, 0, nullptr);
    control->BindEvent(CTRL_EVENT_LUP, 0, 0, nullptr);
    const double a = e->GetAlpha() > 1.0 ? 1.0 : e->GetAlpha();
    e->SetAlpha(a - 0.2)->Refresh();
  }
}

void GameBase::ProcessPendingIds() {
  for (uint32_t id : m_pendingIds) {
    QueueRawApply(id, 3, 1);
    if (Entity* e = m_world.FindEntity(id)) DestroyEntityLater(e, 0, 0, 0, nullptr);
  }
  m_pendingIds.clear();
}

void GameBase::ResetButtonFrame(EventObject* object) {
  auto* frame = dynamic_cast<BUTTONFRAME*>(object);
  if (frame == nullptr) return;
  for (int32_t i = 0; i < frame->GetSlotCount(); ++i) {
    ControlRecord* c = frame->GetButton(static_cast<uint32_t>(i));
    if (c == nullptr || c->entity == nullptr || c->entity->GetKind() != BIT_SINGLE) continue;
    PictureEntity::SetBackColor(c->entity, 0);
    c->entity->Refresh();
    c->Enable(1);
    if (const EventBinding* b = c->GetBinding(CTRL_EVENT_LEAVE)) {
      Event leave{b->code, b->object ? b->object->Clone() : nullptr, b->targetKey};
      if (m_world.DispatchEvent(leave, 0) == 0) delete leave.object;
    }
  }
}
