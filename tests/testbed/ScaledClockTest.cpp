// The game server's faster clock: it starts where its base stands and runs `scale` times as fast.
#include <gtest/gtest.h>

#include "testbed/server/ScaledClock.h"

namespace {

TEST(ScaledClock, RunsScaleTimesAsFastFromTheBasesTime) {
  struct Case {
    int scale;
    int64_t expectedAfter1500;
  } cases[] = {
      {1, 1500},
      {60, 90000},
      {0, 1500},   // a scale below one runs at the base's pace, never backwards or standing still
      {-5, 1500},
  };
  for (const Case& c : cases) {
    int64_t base = 1'800'000'000'000;  // a time since the epoch, in milliseconds
    testbed::ScaledClock clock(c.scale, [&base] { return base; });
    EXPECT_EQ(clock.Now(), 1'800'000'000'000) << c.scale;
    base += 1500;
    EXPECT_EQ(clock.Now() - 1'800'000'000'000, c.expectedAfter1500) << c.scale;
  }
}

}  // namespace
