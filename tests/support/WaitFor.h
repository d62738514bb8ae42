// Waiting in a test for something another thread or process does: the condition is asked again
// every few milliseconds until it holds. The limit only ends a wait for something that never
// comes; a loaded machine makes a wait longer, never a test wrong.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace testsupport {

// The limit of a wait for a client or a server: generous, since a hand of four clients on a busy
// two-core machine may take that long for one step.
constexpr int PROCESS_WAIT_MS = 30000;

// True as soon as the condition holds; false when it still does not once the limit has passed.
inline bool WaitFor(const std::function<bool()>& condition, int limitMs = PROCESS_WAIT_MS, int stepMs = 20) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(stepMs));
  }
}

}  // namespace testsupport
