// Dispatching a test thread's messages: everything waiting now, or until a condition holds.
#pragma once

#include <chrono>
#include <functional>

#include "platform/user/User.h"

namespace testsupport {

// Dispatches everything the thread has waiting (WM_PAINT included), translating keys; at most
// 10000 messages, since a window that never validates would otherwise loop for ever.
inline int Pump() {
  MSG msg;
  int n = 0;
  while (n < 10000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    ++n;
  }
  return n;
}

// Pumps until the condition holds, waiting a few milliseconds at a time; false after `ms`.
inline bool PumpUntil(const std::function<bool()>& done, int ms = 2000) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    Pump();
    if (done()) return true;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
  Pump();
  return done();
}

}  // namespace testsupport
