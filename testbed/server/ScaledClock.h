// A clock that runs faster than the one beneath it, for long runs of the game server: time-outs,
// change-table intervals and days go by `scale` times faster, so that hours of play take minutes.
#pragma once

#include <cstdint>
#include <functional>

namespace testbed {

class ScaledClock {
 public:
  // `base` gives milliseconds since the epoch; empty means the system clock. The scaled clock
  // starts at the base's time when it is made and then moves `scale` times as fast.
  ScaledClock(int scale, std::function<int64_t()> base = {});

  int64_t Now() const;

  static int64_t SystemNow();

 private:
  int m_scale;
  std::function<int64_t()> m_base;
  int64_t m_start;
};

}  // namespace testbed
