#include "variant/HoverButton.h"

#include <string>

#include "engine/World.h"

void CHoverButton::BindHoverMessages() {
  BindOwnEvent(CTRL_EVENT_HOVER, CTRL_EVENT_HOVER, nullptr);
  BindOwnEvent(CTRL_EVENT_HOVER_END, CTRL_EVENT_HOVER_END, nullptr);
}

int CHoverButton::OnMessage(Event* message) {
  if (message != nullptr && m_world != nullptr) {
    if (message->code == CTRL_EVENT_HOVER) {
      const char* hint = GetTipText();
      m_world->PostEvent(CMD_SHOW_HINT, new TextObject(hint != nullptr ? hint : ""));
      return 1;
    }
    if (message->code == CTRL_EVENT_HOVER_END) {
      m_world->PostEvent(CMD_HIDE_HINT, nullptr);
      return 1;
    }
  }
  return AdvancedButton::OnMessage(message);
}
