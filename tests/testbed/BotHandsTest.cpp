// Seeded hands of four computer players, each checked by the replay checker as it is logged:
// tile conservation, legal claims and wins, scores that sum to zero. More hands run with
// `pxqd-replay --play N --seed S` and in the benchmark.
#include <gtest/gtest.h>

#include <cstdio>

#include "testbed/table/MahjongTable.h"
#include "testbed/table/ReplayChecker.h"
#include "testbed/table/TableRunner.h"

namespace testbed {
namespace {

struct SoakCase {
  uint64_t seed;
  bool flowers;
  int hands;
};

TEST(BotHands, SeededHandsAreConsistent) {
  const SoakCase cases[] = {{1, false, 500}, {2, false, 500}, {3, true, 500}, {4, false, 500}};
  int won = 0, drawn = 0, claims = 0;
  for (const SoakCase& c : cases) {
    std::printf("seed %llu%s, %d hands\n", static_cast<unsigned long long>(c.seed), c.flowers ? " with flowers" : "", c.hands);
    TableConfig config;
    config.seed = c.seed;
    config.flowers = c.flowers;
    MahjongTable table(config);
    ReplayChecker checker;
    table.SetHandLog([&](const std::string& line) { checker.Feed(line); });
    TableRunner runner(table);
    runner.KeepMessages(false);
    for (int chair = 0; chair < 4; ++chair) runner.Take(table.SeatBot(chair, 9001 + chair));
    // One onlooker makes the table build every notification body as well.
    runner.Take(table.Watch(9100, 1));
    ASSERT_EQ(runner.RunUntilHands(c.hands), c.hands) << "seed " << c.seed;
    checker.Finish();
    ASSERT_TRUE(checker.Errors().empty()) << "seed " << c.seed << ": " << checker.Errors().front();
    EXPECT_EQ(checker.HandsChecked(), c.hands);
    int silver = 0;
    for (int chair = 0; chair < 4; ++chair) silver += table.Silver(chair);
    EXPECT_EQ(silver, 0);
    won += checker.HandsWon();
    drawn += checker.HandsDrawn();
    claims += checker.Claims();
  }
  // Sensible play wins most hands and claims along the way.
  EXPECT_GT(won, 1800);
  EXPECT_GT(claims, won);
  std::printf("%d won, %d drawn, %d claims\n", won, drawn, claims);
}

}  // namespace
}  // namespace testbed
