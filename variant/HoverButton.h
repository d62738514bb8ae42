// A system-bar button: an engine button whose hover messages carry its hint to the table, which
// shows the hint on the note board while the mouse rests on the button and hides it after.
#pragma once

#include <cstdint>

#include "engine/AdvancedButton.h"

class CHoverButton : public AdvancedButton {
 public:
  static constexpr uint32_t CMD_SHOW_HINT = 210055;
  static constexpr uint32_t CMD_HIDE_HINT = 210056;

  // The hover messages go to the button itself; call once the button is created.
  void BindHoverMessages();
  int OnMessage(Event* message) override;
};
