// The button that a message box carries: a click sends its command, then takes the box away
// (with auto-release and a box above it) or the button's own plane.
#pragma once

#include "engine/AdvancedButton.h"

class MessageBoxButton : public AdvancedButton {
 public:
  int OnMessage(Event* message) override;
  void SetAutoRelease(int flag) { m_autoRelease = flag; }
  int GetAutoRelease() const { return m_autoRelease; }

 private:
  int32_t m_autoRelease = 0;
};
