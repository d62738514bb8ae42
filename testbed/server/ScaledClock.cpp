// The game server's faster clock (see ScaledClock.h).
#include "testbed/server/ScaledClock.h"

#include <chrono>

namespace testbed {

ScaledClock::ScaledClock(int scale, std::function<int64_t()> base)
    : m_scale(scale < 1 ? 1 : scale), m_base(base ? std::move(base) : SystemNow), m_start(m_base()) {}

int64_t ScaledClock::Now() const { return m_start + (m_base() - m_start) * m_scale; }

int64_t ScaledClock::SystemNow() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace testbed
