#include <gtest/gtest.h>

#include <vector>

#include "mahjong/TileRules.h"

namespace {

constexpr int GAME_FLAGS = static_cast<int>(0xB004B20B);
constexpr int NO_JOKER = -1;

// A tile id of a code: the first of its four ids.
int Id(int code) {
  int suit = code / 10, value = code % 10;
  if (suit < 3) return suit * 36 + value - 1;
  if (suit == 3) return 108 + value - 1;
  return 135 + (code - 40);
}

void Count(const std::vector<int>& codes, TileCountTable table) {
  std::vector<int> ids;
  for (int c : codes) ids.push_back(Id(c));
  CountTiles(ids.data(), static_cast<int>(ids.size()), table, 0);
}

TEST(TileRules, SuitValueAndCodeOfIds) {
  struct Case {
    int id, suit, value, code;
  } cases[] = {
      {0, 0, 1, 1},     {35, 0, 9, 9},    {36, 1, 1, 11},   {107, 2, 9, 29},  {108, 3, 1, 31},
      {113, 3, 6, 36},  {114, 3, 7, 37},  {121, 3, 7, 37},  {135, 3, 7, 37},  {136, 4, 1, 41},
      {151, 4, 16, 56}, {152, -1, 0, -10}, {200, -1, 0, -10}, {-1, -1, 0, -10},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.suit, TileSuit(c.id, 0)) << c.id;
    EXPECT_EQ(c.value, TileValue(c.id, 0)) << c.id;
    EXPECT_EQ(c.code, TileCode(c.id, 0)) << c.id;
  }
  EXPECT_EQ(0, MakeTileCode(-1, 3));
  EXPECT_EQ(0, MakeTileCode(2, 0));
  EXPECT_EQ(25, MakeTileCode(2, 5));
  EXPECT_EQ(37, GetSubstituteCode(5, NO_JOKER, GAME_FLAGS));
  EXPECT_EQ(37, IsJokerSubstitute(114, 5, NO_JOKER, GAME_FLAGS));
  EXPECT_EQ(0, IsJokerSubstitute(113, 5, NO_JOKER, GAME_FLAGS));
  EXPECT_EQ(1, Is258Code(25));
  EXPECT_EQ(0, Is258Code(35));
  EXPECT_EQ(1, IsFlowerTile(140, -1, -1, 0));
  EXPECT_EQ(0, IsFlowerTile(135, -1, -1, 0));
}

TEST(TileRules, JokersFollowTheFlagAndBothJokerIds) {
  // Joker 1 is id 4 (code 5); joker 2 id 40 (code 15).
  struct Case {
    int id, joker1, joker2, flags, joker;
  } cases[] = {
      {31, 4, -1, 1, 1},   // same code as joker 1
      {31, 4, -1, 0, 0},   // jokers switched off
      {31, -1, 4, 1, 0},   // joker 1 = -1: no jokers whatever joker 2 holds
      {49, 4, 40, 1, 1},   // joker 2's code
      {49, 4, -1, 1, 0},
      {-1, 4, -1, 1, 0},
      {152, 4, -1, 1, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(c.joker, IsJokerTile(c.id, c.joker1, c.joker2, c.flags)) << c.id;
  int c1 = -5, c2 = -5;
  EXPECT_EQ(1, GetJokerCodes(4, -1, 1, &c1, &c2));
  EXPECT_EQ(5, c1);
  EXPECT_EQ(0, c2);
}

TEST(TileRules, CountingSkipsEmptyAndForeignIds) {
  int ids[] = {0, 9, -1, 18, 152, 200, 36};
  TileCountTable table = {};
  table[1] = 5;  // counting adds to what is there
  EXPECT_EQ(4, CountTiles(ids, 7, table, 0));
  EXPECT_EQ(8, table[1]);
  EXPECT_EQ(1, table[11]);
  int out[8];
  EXPECT_EQ(2, CollectSameCode(ids, 7, 27, out, 2, 0));
  EXPECT_EQ(0, out[0]);
  EXPECT_EQ(9, out[1]);
  EXPECT_EQ(0, CollectSameCode(ids, 7, -1, out, 8, 0));
  EXPECT_EQ(1, CollectByCode(ids, 7, 11, out, 8, 0));
}

TEST(TileRules, PengAndGangByCount) {
  struct Case {
    int held;
    int offeredId;
    int joker1, flags;
    int peng, gang;
  } cases[] = {
      {1, Id(5), -1, 0, 0, 0},
      {2, Id(5), -1, 0, MJOP_PENG, 0},
      {3, Id(5), -1, 0, MJOP_PENG, MJOP_GANG},
      // An offered joker: refused with jokers on and plain claims off, allowed with this game's flags.
      {3, Id(5), Id(5), MJRULE_JOKER, 0, 0},
      {3, Id(5), Id(5), GAME_FLAGS, MJOP_PENG, MJOP_GANG},
      // An id that is no tile is never claimable.
      {3, 152, -1, 0, 0, 0},
  };
  for (const Case& c : cases) {
    TileCountTable t = {};
    Count(std::vector<int>(c.held, 5), t);
    EXPECT_EQ(c.peng, TestPeng(t, c.offeredId, c.joker1, -1, c.flags)) << c.held << " " << c.flags;
    EXPECT_EQ(c.gang, TestGang(t, c.offeredId, c.joker1, -1, c.flags)) << c.held << " " << c.flags;
  }
}

TEST(TileRules, ChiWindowsAndFlagCombinations) {
  struct Case {
    std::vector<int> held;
    int offered;
    int joker1;
    int flags;
    int chi;
  } cases[] = {
      {{2, 3}, 1, -1, 0, MJOP_CHI},
      {{7, 8}, 9, -1, 0, MJOP_CHI},
      {{4, 6}, 5, -1, 0, MJOP_CHI},
      {{9, 12}, 11, -1, 0, 0},   // no window crosses a suit
      {{3, 4}, 1, -1, 0, 0},
      {{32, 33}, 31, -1, 0, 0},  // honours never run without the honour bit
      {{32, 33}, 31, -1, MJRULE_HONOUR_CHI, MJOP_CHI},
      {{36}, 35, -1, MJRULE_HONOUR_CHI, 0},
      {{36, 37}, 35, -1, MJRULE_HONOUR_CHI, MJOP_CHI},
      {{35, 36}, 31, -1, MJRULE_HONOUR_CHI, 0},
      {{2, 3}, 1, -1, MJRULE_NO_CHI | MJRULE_JOKER, 0},
      {{2, 3}, 1, -1, MJRULE_JOKER_SUBST, 0},
      {{2, 3}, 1, -1, MJRULE_JOKER_PLAIN, 0},
      {{2, 3}, 1, -1, MJRULE_HONOUR_CHI | MJRULE_JOKER_SUBST | MJRULE_JOKER, 0},
      // Jokers in the hand: they count as their own code with this game's flags...
      {{2, 3}, 1, Id(3), GAME_FLAGS, MJOP_CHI},
      // ...but are taken out when they may not stand as plain tiles.
      {{2, 3}, 1, Id(3), MJRULE_JOKER, 0},
      // An offered joker.
      {{2, 3}, 1, Id(1), MJRULE_JOKER, 0},
      {{2, 3}, 1, Id(1), GAME_FLAGS, MJOP_CHI},
  };
  for (const Case& c : cases) {
    TileCountTable t = {};
    Count(c.held, t);
    EXPECT_EQ(c.chi, TestChi(t, Id(c.offered), c.joker1, -1, c.flags))
        << "offered " << c.offered << " flags " << std::hex << c.flags;
  }
}

TEST(TileRules, ConcealedGangTakesTheLowestCodeAndSkipsBarredJokers) {
  TileCountTable t = {};
  Count({25, 25, 25, 25, 7, 7, 7, 7}, t);
  int code = -1;
  EXPECT_EQ(MJOP_GANG, TestConcealedGang(t, -1, -1, 0, &code));
  EXPECT_EQ(7, code);
  // Four jokers are no concealed gang when jokers may not be melded plainly.
  EXPECT_EQ(MJOP_GANG, TestConcealedGang(t, Id(7), -1, MJRULE_JOKER, &code));
  EXPECT_EQ(25, code);
  EXPECT_EQ(MJOP_GANG, TestConcealedGang(t, Id(7), -1, GAME_FLAGS, &code));
  EXPECT_EQ(7, code);
  TileCountTable none = {};
  EXPECT_EQ(0, TestConcealedGang(none, -1, -1, 0, &code));
  EXPECT_EQ(0, code);
}

TEST(TileRules, FindersTakeHandTilesInOrder) {
  // Ids 4, 13, 22 and 31 are the four fives of suit 0.
  int hand[32];
  FillMinusOne(hand, 32);
  int ids[] = {4, 40, 13, 50};
  for (int i = 0; i < 4; ++i) hand[i] = ids[i];
  int out[32];
  EXPECT_EQ(MJOP_PENG, FindPongTiles(hand, 32, 22, -1, -1, 0, out));
  EXPECT_EQ(4, out[0]);
  EXPECT_EQ(13, out[1]);
  EXPECT_EQ(-1, out[2]);
  EXPECT_EQ(0, FindKongTiles(hand, 32, 22, -1, -1, 0, out));
  EXPECT_EQ(-1, out[0]);
  hand[4] = 31;
  EXPECT_EQ(MJOP_GANG, FindKongTiles(hand, 32, 22, -1, -1, 0, out));
  EXPECT_EQ(31, out[2]);
  hand[5] = 22;
  EXPECT_EQ(MJOP_GANG, FindConcealedGangTiles(hand, 32, -1, -1, 0, out));
  EXPECT_EQ((std::vector<int>{4, 13, 31, 22, -1}), std::vector<int>(out, out + 5));
}

TEST(TileRules, ChowPairsStopAtTheCapacity) {
  // 3,3,4,4,4,6,6,6,7,7 with an offered 5 makes 21 pairs: more than a claim offer holds.
  std::vector<int> codes = {3, 3, 4, 4, 4, 6, 6, 6, 7, 7};
  int hand[32];
  FillMinusOne(hand, 32);
  int seen[64] = {};
  for (size_t i = 0; i < codes.size(); ++i) hand[i] = Id(codes[i]) + 9 * seen[codes[i]]++;
  int out[64];
  int pairs = -1;
  EXPECT_EQ(MJOP_CHI, FindChowPairs(hand, 32, Id(5), -1, -1, 0, out, 64, &pairs));
  EXPECT_EQ(21, pairs);
  // With room for 32 ids, 16 pairs are written and nothing past the end.
  int guarded[34];
  guarded[32] = 12345;
  guarded[33] = 12345;
  EXPECT_EQ(MJOP_CHI, FindChowPairs(hand, 32, Id(5), -1, -1, 0, guarded, 32, &pairs));
  EXPECT_EQ(16, pairs);
  EXPECT_EQ(12345, guarded[32]);
  EXPECT_EQ(12345, guarded[33]);
  // The first pair is 3 and 4 (places 0 and 2), in hand order.
  EXPECT_EQ(hand[0], guarded[0]);
  EXPECT_EQ(hand[2], guarded[1]);
  int lone[32];
  FillMinusOne(lone, 32);
  lone[0] = Id(9);
  EXPECT_EQ(0, FindChowPairs(lone, 32, Id(5), -1, -1, 0, out, 32, &pairs));
  EXPECT_EQ(0, pairs);
}

TEST(TileRules, WallIndexFromTailWalksBackByStacks) {
  int k = 0, skipped = -1;
  std::vector<int> got;
  for (int i = 0; i < 6; ++i) got.push_back(WallIndexFromTail(10, -1, 136, &k, &skipped));
  EXPECT_EQ((std::vector<int>{8, 9, 6, 7, 4, 5}), got);
  k = 0;
  EXPECT_EQ(135, WallIndexFromTail(1, -1, 136, &k, &skipped));
  // The held-back place is skipped and the counter moves by two.
  k = 0;
  WallIndexFromTail(10, 6, 136, &k, &skipped);
  WallIndexFromTail(10, 6, 136, &k, &skipped);
  EXPECT_EQ(7, WallIndexFromTail(10, 6, 136, &k, &skipped));
  EXPECT_EQ(1, skipped);
  EXPECT_EQ(4, k);
  // A held-back top place at the ring's end wraps to 0.
  k = 0;
  EXPECT_EQ(0, WallIndexFromTail(1, 135, 136, &k, &skipped));
  // Whatever the start, the place is on the wall.
  for (int start : {-300, -1, 0, 135, 136, 137, 1000}) {
    for (k = 0; k < 8;) {
      int p = WallIndexFromTail(start, -1, 136, &k, &skipped);
      EXPECT_GE(p, 0) << start;
      EXPECT_LT(p, 136) << start;
    }
  }
}

TEST(TileRules, RandomInRangeStaysInside) {
  EXPECT_EQ(3, RandomInRange(3, 3));
  for (int i = 0; i < 200; ++i) {
    int r = RandomInRange(1, 6);
    EXPECT_GE(r, 1);
    EXPECT_LE(r, 6);
    r = RandomInRange(6, 1);
    EXPECT_GE(r, 1);
    EXPECT_LE(r, 6);
  }
}

}  // namespace
