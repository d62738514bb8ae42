// Stops the clock that GetTickCount and the window timers read for the life of the object, so
// that a test moves time itself and sees every delay exactly, however loaded the machine is.
#pragma once

#include "platform/kernel/Time.h"

namespace testsupport {

class StoppedClock {
 public:
  StoppedClock() { platform::StopClock(); }
  ~StoppedClock() { platform::StartClock(); }
  StoppedClock(const StoppedClock&) = delete;
  StoppedClock& operator=(const StoppedClock&) = delete;

  void Advance(DWORD milliseconds) { platform::AdvanceClock(milliseconds); }
};

}  // namespace testsupport
