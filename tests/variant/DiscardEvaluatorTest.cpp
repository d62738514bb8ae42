#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"
#include "variant/DiscardEvaluator.h"

namespace {

constexpr int FLAGS = static_cast<int>(0xB004B20B);
constexpr int OWN = 0;

// The n-th id (0-3) of a tile code; flower codes 41-56 have one id each.
int Id(int code, int copy = 0) {
  int suit = code / 10, value = code % 10;
  if (suit < 3) return suit * 36 + (value - 1) + copy * 9;
  if (suit == 3) return 108 + (value - 1) + copy * 7;
  return 136 + (code - 41);
}

CDiscardEvaluator::Inputs MakeInputs(const std::vector<int>& codes) {
  CDiscardEvaluator::Inputs in;
  for (int& id : in.hand) id = -1;
  for (int& r : in.remaining) r = 4;
  for (int& m : in.meldSuits) m = 0;
  int copies[TILE_CODE_COUNT] = {};
  for (size_t i = 0; i < codes.size(); ++i)
    if (codes[i] > 0) in.hand[i] = Id(codes[i], copies[codes[i]]++);
  return in;
}

TEST(DiscardEvaluator, ScoresPairsTripletsAndRuns) {
  // Melds in two suits switch the shape term off, so only the groups count. The last entry of
  // every hand is the one left out.
  struct Case {
    const char* what;
    std::vector<int> codes;
    std::vector<int> deadCodes;  // codes with no tile left unseen
    int score;
  } cases[] = {
      {"two live pairs", {2, 2, 15, 15, 31}, {}, 205},
      {"one pair dead", {2, 2, 15, 15, 31}, {15}, 205},
      {"both pairs dead", {2, 2, 15, 15, 31}, {2, 15}, 100},
      {"single pair", {7, 7, 31}, {}, 100},
      {"live triplet", {7, 7, 7, 31}, {}, 205},
      {"dead triplet", {7, 7, 7, 31}, {7}, 200},
      {"complete run", {3, 4, 5, 31}, {}, 100},
      {"open run, end unseen", {3, 4, 31}, {}, 50},
      {"open run, end all seen", {3, 4, 31}, {5}, 0},
      {"no run across suits", {8, 9, 11, 31}, {10, 12}, 0},
      {"honours form no run", {31, 32, 33, 1}, {34}, 0},
  };
  CDiscardEvaluator eval(AiWeights{}, FLAGS, -1, -1);
  for (const Case& c : cases) {
    CDiscardEvaluator::Inputs in = MakeInputs(c.codes);
    in.meldSuits[0] = in.meldSuits[3] = 3;
    for (int dead : c.deadCodes) in.remaining[dead] = 0;
    EXPECT_EQ(c.score, eval.Evaluate(in, static_cast<int>(c.codes.size()) - 1)) << c.what;
  }
}

TEST(DiscardEvaluator, ShapeFollowsTheOwnMelds) {
  // Two bamboo and one character tile, nothing grouped.
  struct Case {
    const char* what;
    int meldSuit1, meldSuit2;
    int score;
  } cases[] = {
      {"no melds: every tile counts its suit", -1, -1, 2 * 2 + 1},
      {"melds of one suit: only that suit", 1, -1, 2 * 2},
      {"melds of two suits: nothing", 1, 2, 0},
  };
  CDiscardEvaluator eval(AiWeights{}, FLAGS, -1, -1);
  for (const Case& c : cases) {
    CDiscardEvaluator::Inputs in = MakeInputs({12, 16, 3});
    if (c.meldSuit1 >= 0) in.meldSuits[c.meldSuit1] = 3;
    if (c.meldSuit2 >= 0) in.meldSuits[c.meldSuit2] = 3;
    EXPECT_EQ(c.score, eval.Evaluate(in, 13)) << c.what;
  }
}

// Lays out an own hand in the table: places 0-13 standing, the listed melds laid down.
void StandHand(CTileTable& t, const std::vector<int>& ids) {
  for (size_t i = 0; i < ids.size(); ++i) {
    MJTile* p = t.GetTileRecord(MJ_ZONE_HAND, OWN, static_cast<int>(i));
    p->tileId = ids[i];
    p->present = ids[i] >= 0;
    p->standing = 1;
  }
}

std::vector<int> Ids(const std::vector<int>& codes) {
  std::vector<int> ids;
  int copies[TILE_CODE_COUNT] = {};
  for (int c : codes) ids.push_back(Id(c, copies[c]++));
  return ids;
}

TEST(DiscardEvaluator, ChoosesTheKnownBestDiscard) {
  struct Case {
    const char* what;
    std::vector<int> codes;  // places 0-13
    int joker1;
    int best;
  } cases[] = {
      // Three runs, a pair, a loose bamboo and a loose east wind: the wind goes.
      {"isolated honour", {1, 2, 3, 4, 5, 6, 17, 18, 19, 25, 25, 22, 31}, -1, 12},
      // The same hand with the wind replaced by a far character: the loose bamboo 2 goes,
      // the character sharing the biggest suit stays.
      {"loose tile of the smaller suit", {1, 2, 3, 4, 5, 6, 17, 18, 19, 25, 25, 22, 9}, -1, 11},
      // The east wind is the joker: it is never a candidate, the loose bamboo goes.
      {"joker kept", {1, 2, 3, 4, 5, 6, 17, 18, 19, 25, 25, 22, 31}, 108, 11},
  };
  for (const Case& c : cases) {
    CTileTable t;
    StandHand(t, Ids(c.codes));
    CDiscardEvaluator eval(AiWeights{}, FLAGS | MJRULE_JOKER, c.joker1, -1);
    EXPECT_EQ(c.best, eval.ChooseDiscard(t, OWN)) << c.what;
  }
}

TEST(DiscardEvaluator, SeenTilesAndFlowersStayInsideTheTables) {
  CTileTable t;
  // Every flower in the own hand, the rivers and the melds: none is a candidate, and all of
  // them are counted without reaching past the code tables.
  std::vector<int> hand = {Id(41), Id(42), Id(43), Id(44), Id(3), Id(4), Id(31)};
  StandHand(t, hand);
  for (int side = 0; side < CTileTable::SIDES; ++side) {
    MJTile* r = t.GetTileRecord(MJ_ZONE_RIVER, side, 0);
    r->tileId = Id(53 - side);
    r->present = r->nFace = 1;
    MJTile* m = t.GetTileRecord(MJ_ZONE_HAND, side, CTileTable::TOP_MELD_GROUP);
    m->tileId = Id(56 - side);
    m->present = 1;
  }
  // Every 5 of characters seen: two in a river face up, one in an opponent's meld, one laid
  // down by the own side. A face-down river tile is not seen.
  int riverPlace = 1;
  for (int copy = 0; copy < 2; ++copy) {
    MJTile* r = t.GetTileRecord(MJ_ZONE_RIVER, 2, riverPlace++);
    r->tileId = Id(5, copy);
    r->present = r->nFace = 1;
  }
  MJTile* hidden = t.GetTileRecord(MJ_ZONE_RIVER, 2, riverPlace);
  hidden->tileId = Id(6);
  hidden->present = 1;
  MJTile* m1 = t.GetTileRecord(MJ_ZONE_HAND, 1, 16);
  m1->tileId = Id(5, 2);
  m1->present = 1;
  MJTile* m0 = t.GetTileRecord(MJ_ZONE_HAND, OWN, 16);
  m0->tileId = Id(5, 3);
  m0->present = 1;

  CDiscardEvaluator eval(AiWeights{}, FLAGS, -1, -1);
  CDiscardEvaluator::Inputs in;
  eval.BuildInputs(t, OWN, in);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(-1, in.hand[i]) << "flower at place " << i;
  EXPECT_EQ(Id(3), in.hand[4]);
  EXPECT_EQ(0, in.remaining[5]);
  EXPECT_EQ(4, in.remaining[6]);
  EXPECT_EQ(3, in.remaining[3]);
  EXPECT_EQ(3, in.remaining[41]);
  EXPECT_EQ(1, in.meldSuits[0]);
  EXPECT_EQ(1, in.meldSuits[5]);
  // 3-4 is open but its 5 is dead, so the lone wind is the weakest tile only by shape.
  EXPECT_EQ(6, eval.ChooseDiscard(in));
}

TEST(DiscardEvaluator, NothingScoresSoPlaceZeroGoes) {
  CDiscardEvaluator eval(AiWeights{}, FLAGS, -1, -1);
  CDiscardEvaluator::Inputs in = MakeInputs({1, 15, 29, 31});
  in.meldSuits[0] = in.meldSuits[1] = 3;
  EXPECT_EQ(0, eval.ChooseDiscard(in));
}

TEST(DiscardEvaluator, WeightsComeFromTheIniAndUnusedOnesChangeNothing) {
  testsupport::TempDir dir;
  std::string path = dir.Path() + "/game.ini";
  std::ofstream(path) << "[AI]\nweight_Shun=7\nweight_Gang=1\nweight_use=0\n";
  AiWeights w = LoadAiWeights(path.c_str());
  EXPECT_EQ(7, w.run);
  EXPECT_EQ(1, w.gang);
  EXPECT_EQ(0, w.unseenBonus);
  EXPECT_EQ(100, w.pair);
  EXPECT_EQ(200, w.sevenPairs);

  CDiscardEvaluator::Inputs in = MakeInputs({3, 4, 5, 8, 8, 8, 31});
  in.meldSuits[1] = in.meldSuits[2] = 1;
  AiWeights gangOnly;
  gangOnly.gang = 9999;
  EXPECT_EQ(CDiscardEvaluator(AiWeights{}, FLAGS, -1, -1).Evaluate(in, 6),
            CDiscardEvaluator(gangOnly, FLAGS, -1, -1).Evaluate(in, 6));
  EXPECT_EQ(2 * 7 + 200, CDiscardEvaluator(w, FLAGS, -1, -1).Evaluate(in, 6));
}

}  // namespace
