// The decisions of the table's window timers: the fallback draw and discard.
#include <gtest/gtest.h>


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

}  // namespace
