#include <gtest/gtest.h>

#include <vector>

#include "mahjong/TurnClock.h"

namespace {

TEST(TurnClock, HandStepsBetweenSides) {
  struct Case {
    int from, to;
    std::vector<int> steps;
  } cases[] = {
      {6, 2, {5, 4, 3, 2}},  // across the table, backwards
      {2, 6, {1, 0, 7, 6}},
      {0, 4, {7, 6, 5, 4}},
      {6, 0, {7, 0}},        // the short way through 7
      {0, 6, {7, 6}},
      {6, 4, {5, 4}},        // own discard: to the next side in turn order
      {2, 4, {3, 4}},
      {4, 4, {}},
      {1, 4, {}},            // an odd distance has no steps
  };
  for (const Case& c : cases) {
    int out[CLOCK_STEP_LIST];
    int n = ClockHandSteps(c.from, c.to, out);
    std::vector<int> got(out, out + n);
    EXPECT_EQ(c.steps, got) << c.from << "->" << c.to;
    for (int i = n; i < CLOCK_STEP_LIST; ++i) EXPECT_EQ(-1, out[i]);
  }
}

TEST(TurnClock, FlowersRevealedInTurnOrderFromTheBanker) {
  struct Case {
    int banker;
    int counts[4];
    std::vector<std::pair<int, int>> reveals;  // side, delay
    int start;
  } cases[] = {
      {3, {0, 3, 0, 0}, {{1, 0}}, 600},
      {3, {0, 0, 0, 0}, {}, 300},
      {1, {2, 0, 1, 1}, {{0, 0}, {3, 300}, {2, 600}}, 1200},
  };
  for (const Case& c : cases) {
    FlowerReveal out[4];
    int start = -1;
    int n = ScheduleFlowerReveal(c.banker, c.counts, 4, out, &start);
    std::vector<std::pair<int, int>> got;
    for (int i = 0; i < n; ++i) got.push_back({out[i].side, out[i].delayMs});
    EXPECT_EQ(c.reveals, got) << "banker " << c.banker;
    EXPECT_EQ(c.start, start);
  }
}

TEST(TurnClock, TheDealShowsOneSideEvery500MsFromTheBanker) {
  struct Case {
    int banker;
    int players;
    std::vector<std::pair<int, int>> steps;  // side, delay
    int over;
  } cases[] = {
      {3, 4, {{3, 0}, {0, 500}, {1, 1000}, {2, 1500}}, 2000},
      {1, 4, {{1, 0}, {2, 500}, {3, 1000}, {0, 1500}}, 2000},
      // Three players: side 1 stays empty and the deal is over sooner.
      {3, 3, {{3, 0}, {0, 500}, {2, 1000}}, 1500},
      // A banker outside the table is dealt as the own side.
      {-1, 4, {{3, 0}, {0, 500}, {1, 1000}, {2, 1500}}, 2000},
  };
  for (const Case& c : cases) {
    DealStep out[4];
    int over = -1;
    const int n = ScheduleDeal(c.banker, c.players, out, &over);
    std::vector<std::pair<int, int>> got;
    for (int i = 0; i < n; ++i) got.push_back({out[i].side, out[i].delayMs});
    EXPECT_EQ(c.steps, got) << "banker " << c.banker << ", " << c.players << " players";
    EXPECT_EQ(c.over, over);
  }
}

}  // namespace
