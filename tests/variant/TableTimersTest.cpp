// The decisions of the table's window timers: the fallback draw and discard, and the nudge of a
// stalled turn.
#include <gtest/gtest.h>

#include <vector>

#include "variant/TableTimers.h"

namespace {

using Fallback = CTableTimers::Fallback;

TEST(TableTimers, FallbackTimersActOnlyForTheirOwnStepOfTheTurn) {
  CTableTimers::TurnState running;
  running.playing = true, running.drawTimerSet = true, running.discardTimerSet = true;
  const struct {
    const char* what;
    uintptr_t id;
    bool drawn, playing, lookOn, drawSet, discardSet;
    Fallback expected;
  } cases[] = {
      {"draw while the holder has not drawn", 10, false, true, false, true, false, Fallback::PostDraw},
      {"draw once he has drawn", 10, true, true, false, true, false, Fallback::None},
      {"discard once he has drawn", 11, true, true, false, false, true, Fallback::PostDiscard},
      {"discard before he drew", 11, false, true, false, false, true, Fallback::None},
      {"a timer whose id was cleared", 10, false, true, false, false, true, Fallback::None},
      {"no game", 10, false, false, false, true, true, Fallback::None},
      {"an onlooker", 11, true, true, true, true, true, Fallback::None},
      {"another timer", 12, true, true, false, true, true, Fallback::None},
  };
  for (const auto& c : cases) {
    CTableTimers::TurnState s;
    s.holderHasDrawn = c.drawn, s.playing = c.playing, s.lookOn = c.lookOn;
    s.drawTimerSet = c.drawSet, s.discardTimerSet = c.discardSet;
    EXPECT_EQ(c.expected, CTableTimers::OnFallbackTimer(c.id, s)) << c.what;
  }
}

TEST(TableTimers, StalledTurnIsNudgedByOneChairInTurnFromTheBanker) {
  // Banker 2, four players: seconds 30, 40, 50, 60, 70 belong to chairs 2, 3, 0, 1, 2.
  const int expectedChair[] = {2, 3, 0, 1, 2};
  for (int own = 0; own < 4; ++own) {
    CTableTimers timers;
    std::vector<int> nudges;
    for (int second = 1; second <= 75; ++second)
      if (timers.OnClockSecond(0, 2, own, 4)) nudges.push_back(second);
    std::vector<int> expected;
    for (int k = 0; k < 5; ++k)
      if (expectedChair[k] == own) expected.push_back(30 + 10 * k);
    EXPECT_EQ(expected, nudges) << own;
  }
  // A running count-down starts the idle count again.
  CTableTimers timers;
  for (int second = 0; second < 29; ++second) timers.OnClockSecond(0, 0, 0, 4);
  EXPECT_FALSE(timers.OnClockSecond(5, 0, 0, 4));
  EXPECT_EQ(0, timers.IdleSeconds());
  for (int second = 0; second < 29; ++second) EXPECT_FALSE(timers.OnClockSecond(0, 0, 0, 4));
  EXPECT_TRUE(timers.OnClockSecond(0, 0, 0, 4));
  // No seats: no nudge.
  CTableTimers empty;
  for (int second = 0; second < 40; ++second) EXPECT_FALSE(empty.OnClockSecond(0, 0, 0, 0));
}

}  // namespace
