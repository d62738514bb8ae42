// Tile ids and codes, the treasure tile after the indicator, the hand shapes with jokers, the
// wall's head and tail walks and the settlement.
#include <gtest/gtest.h>

#include "testbed/table/HandShape.h"
#include "testbed/table/Settlement.h"
#include "testbed/table/TileSet.h"
#include "testbed/table/Wall.h"

namespace testbed {
namespace {

TEST(TileSet, IdsCodesAndTreasure) {
  struct Case { int id; int suit; int value; int code; };
  const Case cases[] = {
      {0, 0, 1, 1},   {35, 0, 9, 9},    {36, 1, 1, 11},  {107, 2, 9, 29}, {108, 3, 1, 31},
      {113, 3, 6, 36}, {135, 3, 7, 37}, {136, 4, 1, 41}, {151, 4, 16, 56}, {152, -1, 0, 0}, {-1, -1, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(TileSet::Suit(c.id), c.suit);
    EXPECT_EQ(TileSet::Value(c.id), c.value);
    EXPECT_EQ(TileSet::Code(c.id), c.code);
  }
  // The four ids of a code: b, b+9, b+18, b+27 for suits; b, b+7, ... for honours.
  for (int id : {40, 49, 58, 67}) EXPECT_EQ(TileSet::Code(id), 15);
  for (int id : {108, 115, 122, 129}) EXPECT_EQ(TileSet::Code(id), 31);
  EXPECT_EQ(TileSet::FirstIdOfCode(15), 40);
  EXPECT_EQ(TileSet::FirstIdOfCode(31), 108);
  EXPECT_EQ(TileSet::FirstIdOfCode(10), -1);

  const std::pair<int, int> treasure[] = {{1, 2}, {9, 1}, {19, 11}, {29, 21}, {31, 32}, {34, 31}, {35, 36}, {37, 35}, {41, 0}};
  for (auto [indicator, code] : treasure) EXPECT_EQ(TileSet::TreasureCodeAfter(indicator), code) << indicator;

  EXPECT_EQ(TileSet::HandTiles(false).size(), 136u);
  const std::vector<int> flowers = TileSet::HandTiles(true);
  ASSERT_EQ(flowers.size(), 136u);
  EXPECT_EQ(flowers.back(), 143);
  EXPECT_EQ(flowers[127], 127);
}

// Builds counts from codes and jokers from the literal 'J'.
struct ShapeCase {
  const char* name;
  std::vector<int> codes;
  int jokers;
  int sets;
  int needed;
};

TEST(HandShape, TilesNeededWithJokersAndSevenPairs) {
  const ShapeCase cases[] = {
      {"four runs and a pair", {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 15, 15}, 0, 4, 0},
      {"triplets and honours", {31, 31, 31, 35, 35, 35, 2, 2, 2, 17, 18, 19, 37, 37}, 0, 4, 0},
      {"runs never cross suits", {8, 9, 11, 1, 2, 3, 4, 5, 6, 21, 22, 23, 5, 5}, 0, 4, 1},
      {"honours never run", {31, 32, 33, 1, 2, 3, 4, 5, 6, 21, 22, 23, 5, 5}, 0, 4, 2},
      {"a joker completes a run", {1, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 15, 15}, 1, 4, 0},
      {"a joker is the pair's second tile", {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 15}, 1, 4, 0},
      {"two jokers make the pair", {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13}, 2, 4, 0},
      {"a ready hand lacks one", {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 15}, 0, 4, 1},
      {"seven pairs", {1, 1, 4, 4, 9, 9, 12, 12, 25, 25, 31, 31, 37, 37}, 0, 4, 0},
      {"seven pairs with a joker", {1, 1, 4, 4, 9, 9, 12, 12, 25, 25, 31, 31, 37}, 1, 4, 0},
      {"four alike are two pairs", {1, 1, 1, 1, 9, 9, 12, 12, 25, 25, 31, 31, 37, 37}, 0, 4, 0},
      {"no seven pairs with a meld laid down", {1, 1, 4, 4, 9, 9, 12, 12, 25, 25, 31}, 0, 3, 3},
      {"melds laid down: a set and a pair left", {21, 22, 23, 7, 7}, 0, 1, 0},
      {"only the pair left", {7, 7}, 0, 0, 0},
      {"the pair's tile alone", {7}, 0, 0, 1},
      {"scattered tiles: seven singles on the way to seven pairs", {31, 32, 33, 34, 35, 36, 37, 1, 5, 9, 11, 15, 19}, 0, 4, 7},
  };
  for (const ShapeCase& c : cases) {
    SCOPED_TRACE(c.name);
    CodeCounts counts{};
    for (int code : c.codes) ++counts[code];
    EXPECT_EQ(HandShape::TilesNeeded(counts, c.jokers, c.sets), c.needed);
  }
  CodeCounts pairs{};
  for (int code : {1, 1, 4, 4, 9, 9, 12, 12, 25, 25, 31, 31, 37, 37}) ++pairs[code];
  EXPECT_TRUE(HandShape::WinsOnlyAsSevenPairs(pairs, 0, 4));
  CodeCounts runs{};
  for (int code : {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 15, 15}) ++runs[code];
  EXPECT_FALSE(HandShape::WinsOnlyAsSevenPairs(runs, 0, 4));
}

TEST(Wall, TailWalkSkipsTheIndicatorAndHeadMeetsTail) {
  // From the break, the tail walks back one stack at a time, the upper (even) tile first; the
  // indicator sits at the first tail place, so the walk starts one place above it.
  struct Step { int counter; int position; int next; };
  const Step steps[] = {{0, 71, 2}, {2, 68, 3}, {3, 69, 4}, {4, 66, 5}, {5, 67, 6}};
  for (const Step& s : steps) {
    const Wall::TailStep t = Wall::TailPosition(72, 70, s.counter);
    EXPECT_EQ(t.position, s.position) << s.counter;
    EXPECT_EQ(t.nextCounter, s.next) << s.counter;
  }
  EXPECT_EQ(Wall::TailPosition(0, 134, 0).position, 135);  // wraps below 0
  EXPECT_EQ(Wall::TailPosition(0, 134, 2).position, 132);

  Wall wall(TileSet::HandTiles(false), 0);
  EXPECT_EQ(wall.IndicatorPosition(), 134);
  EXPECT_EQ(wall.IndicatorTile(), 134);
  int drawn = 0;
  int head = 0;
  while (wall.CanDrawHead()) {
    const auto d = wall.DrawHead();
    ASSERT_TRUE(d);
    EXPECT_EQ(d->position, head++);
    ++drawn;
    if (drawn % 10 == 0 && wall.CanDrawTail()) {
      const auto t = wall.DrawTail();
      ASSERT_TRUE(t);
      ++drawn;
    }
  }
  // Every place but the indicator was drawn exactly once: head and tail never overlap.
  EXPECT_EQ(drawn, 135);
  EXPECT_EQ(wall.Remaining(), 0);
  EXPECT_FALSE(wall.DrawTail());
}

TEST(Settlement, PaymentsSumToZero) {
  struct Case {
    const char* name;
    HandOutcome outcome;
    std::array<int, 4> points;
  };
  HandOutcome selfDrawn;
  selfDrawn.kind = WinKind::SELF_DRAWN;
  selfDrawn.winner = 2;
  HandOutcome discard;
  discard.kind = WinKind::ON_DISCARD;
  discard.winner = 1;
  discard.payer = 3;
  discard.noJoker = true;
  HandOutcome robbed;
  robbed.kind = WinKind::ROBBING;
  robbed.winner = 0;
  robbed.payer = 1;
  HandOutcome drawn;
  drawn.gangs = {GangPayment{0, 3, FAMILY_EXPOSED_GANG}, GangPayment{2, -1, FAMILY_CONCEALED_GANG}};
  const Case cases[] = {
      {"self-drawn: base and self-drawn from each", selfDrawn, {-2, -2, 6, -2}},
      {"on a discard: the discarder pays for all", discard, {0, 6, 0, -6}},
      {"robbing: the gang's owner pays for all", robbed, {6, -6, 0, 0}},
      {"drawn hand: only the gangs", drawn, {3 - 2, -2, 6, -3 - 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const SettlementResult r = Settlement::Compute(c.outcome);
    EXPECT_EQ(r.points, c.points);
    EXPECT_EQ(r.points[0] + r.points[1] + r.points[2] + r.points[3], 0);
  }
}

}  // namespace
}  // namespace testbed
