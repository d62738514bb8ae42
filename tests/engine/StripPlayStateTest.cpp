#include <gtest/gtest.h>

#include "engine/StripPlayState.h"

namespace {

struct StripFixture : ::testing::Test {
  StripStep steps[3] = {{1, 0, 0, 100}, {1, 10, 0, 100}, {1, 20, 0, 100}};
  StripTable table{10, 10, steps, 3, 300, nullptr};
  StripPlayState state{};
  void SetUp() override {
    state.table = &table;
    state.speed = 2.0;
    state.flags = STRIP_FLAG_RUNNING;
    state.active = 1;
  }
};

TEST_F(StripFixture, DoubleSpeedShowsStepOneAndEnds) {
  EXPECT_EQ(state.Advance(1000), 1);
  EXPECT_EQ(state.sourceX, 0);
  EXPECT_EQ(state.Advance(1060), 1);
  EXPECT_EQ(state.sourceX, 10);
  EXPECT_EQ(state.Advance(1150), 0);
  EXPECT_EQ(state.flags & STRIP_FLAG_RUNNING, 0u);
}

TEST_F(StripFixture, ExactTotalWrapsWhenLooping) {
  state.speed = 1.0;
  state.flags |= STRIP_FLAG_LOOP;
  EXPECT_EQ(state.Advance(1000), 1);
  EXPECT_EQ(state.Advance(1300), 1);
  EXPECT_EQ(state.sourceX, 0);
  EXPECT_EQ(state.stepIndex, 0u);
}

TEST_F(StripFixture, PausedStripResumesAtItsStep) {
  state.speed = 1.0;
  EXPECT_EQ(state.Advance(1000), 1);
  EXPECT_EQ(state.Advance(1150), 1);  // step 1, elapsed 100
  state.flags &= ~STRIP_FLAG_RUNNING;
  EXPECT_EQ(state.Advance(5000), 2);
  state.flags |= STRIP_FLAG_RUNNING;
  EXPECT_EQ(state.Advance(5000), 1);
  EXPECT_EQ(state.sourceX, 10);
}

TEST_F(StripFixture, TablesWithoutTimeOrCyclesEnd) {
  // A table of zero total time would never advance; it ends instead of spinning.
  StripStep none[1] = {{1, 0, 0, 0}};
  StripTable empty{10, 10, none, 1, 0, nullptr};
  empty.next = &empty;
  state.table = &empty;
  state.flags |= STRIP_FLAG_LOOP;
  EXPECT_EQ(state.Advance(1000), 0);
  EXPECT_EQ(state.active, 0);
  // A cycle of tables far behind the clock is followed a bounded number of times.
  StripStep one[1] = {{1, 0, 0, 1}};
  StripTable a{10, 10, one, 1, 1, nullptr};
  a.next = &a;
  StripPlayState s{};
  s.table = &a;
  s.speed = 1.0;
  s.flags = STRIP_FLAG_RUNNING;
  EXPECT_EQ(s.Advance(1), 1);
  EXPECT_EQ(s.Advance(4000000000u), 0);
  // A looping table that was not advanced for hours is still playing afterwards.
  StripPlayState loop{};
  loop.table = &table;
  loop.speed = 1.0;
  loop.flags = STRIP_FLAG_RUNNING | STRIP_FLAG_LOOP;
  EXPECT_EQ(loop.Advance(1), 1);
  EXPECT_EQ(loop.Advance(1 + 3 * 3600 * 1000 + 150), 1);
  EXPECT_EQ(loop.sourceX, 10);
}

}  // namespace
