#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "mahjong/MeldPlacement.h"

namespace {

// record, tile, x, y, lie, face, turned
using Place = std::tuple<int, int, int, int, int, int, int>;

MeldGeometry Geometry(int column0Start) {
  MeldGeometry g;
  g.handLength[0] = 400;
  g.handLength[1] = 500;
  g.handLength[2] = 420;
  g.handLength[3] = 520;
  g.insetX[2] = 11;
  g.insetY[1] = 11;
  g.insetY[3] = 11;
  g.column0Start = column0Start;
  return g;
}

constexpr int C = 50, A = 51, B = 52, D = 53;  // +20 claimed, +24, +28, +32

TEST(MeldPlacement, FamiliesOnFourSides) {
  struct Case {
    const char* what;
    int family, side, source, group, column0, topFace;
    bool lookOn;
    std::vector<Place> places;
  } cases[] = {
      {"chi by side 0 from side 3: claimed last, turned", MELD_FAMILY_CHI, 0, 3, 0, 0, 0, false,
       {{17, A, 0, 0, 2, 1, 0}, {16, B, 0, 21, 2, 1, 0}, {15, C, 0, 42, 3, 1, 1}}},
      {"chi by side 2 from side 1: claimed last, turned", MELD_FAMILY_CHI, 2, 1, 0, 0, 0, false,
       {{17, A, 11, 388, 0, 1, 0}, {16, B, 11, 367, 0, 1, 0}, {15, C, 18, 342, 1, 1, 1}}},
      {"chi by side 1 from side 2: claimed first, turned", MELD_FAMILY_CHI, 1, 2, 0, 0, 0, false,
       {{17, C, 467, 11, 2, 1, 1}, {16, A, 441, 11, 3, 1, 0}, {15, B, 415, 11, 3, 1, 0}}},
      {"peng from the opposite side: claimed in the middle, none turned", MELD_FAMILY_PENG, 3, 1, 1, 0, 0, false,
       {{13, A, 85, 11, 1, 1, 0}, {12, C, 85 + 26, 11, 1, 1, 0}, {11, B, 85 + 52, 11, 1, 1, 0}}},
      {"own peng from side 0, second group", MELD_FAMILY_PENG, 3, 0, 1, 0, 0, false,
       {{13, C, 85, 15, 0, 1, 1}, {12, A, 85 + 33, 11, 1, 1, 0}, {11, B, 85 + 59, 11, 1, 1, 0}}},
      {"exposed gang by side 3 from side 0: top last", MELD_FAMILY_EXPOSED_GANG, 3, 0, 0, 0, 0, false,
       {{17, A, 0, 15, 0, 1, 1}, {16, B, 33, 11, 1, 1, 0}, {15, D, 59, 11, 1, 1, 0}, {14, C, 33, 0, 1, 1, 0}}},
      {"exposed gang by side 1 from side 3: top first", MELD_FAMILY_EXPOSED_GANG, 1, 3, 0, 0, 0, false,
       {{17, C, 448, 0, 3, 1, 0}, {16, A, 474, 11, 3, 1, 0}, {15, B, 448, 11, 3, 1, 0}, {14, D, 422, 11, 3, 1, 0}}},
      {"own concealed gang: backs, own top seen", MELD_FAMILY_CONCEALED_GANG, 3, -1, 3, 0, 0, false,
       {{5, A, 255, 11, 1, 0, 0}, {4, B, 281, 11, 1, 0, 0}, {3, D, 307, 11, 1, 0, 0}, {2, C, 281, 0, 1, 1, 0}}},
      {"own concealed gang seen by an onlooker", MELD_FAMILY_CONCEALED_GANG, 3, -1, 0, 0, 0, true,
       {{17, A, 0, 11, 1, 0, 0}, {16, B, 26, 11, 1, 0, 0}, {15, D, 52, 11, 1, 0, 0}, {14, C, 26, 0, 1, 0, 0}}},
      {"concealed gang of side 0, column started lower", MELD_FAMILY_CONCEALED_GANG, 0, -1, 1, 10, 1, false,
       {{13, C, 0, 77, 2, 0, 0}, {12, A, 0, 98, 2, 0, 0}, {11, B, 0, 119, 2, 0, 0}, {10, D, 0, 87, 2, 1, 0}}},
      {"concealed gang of side 2: top first", MELD_FAMILY_CONCEALED_GANG, 2, -1, 0, 0, 0, false,
       {{17, C, 11, 356, 0, 0, 0}, {16, A, 11, 388, 0, 0, 0}, {15, B, 11, 367, 0, 0, 0}, {14, D, 11, 346, 0, 0, 0}}},
  };
  const MeldTiles tiles{C, A, B, D};
  for (const Case& c : cases) {
    CMeldPlacement placement(Geometry(c.column0));
    MeldTilePlace out[4];
    int n = placement.Place(c.family, c.side, c.source, tiles, c.group, c.topFace, c.lookOn, out);
    std::vector<Place> got;
    for (int k = 0; k < n; ++k)
      got.emplace_back(out[k].record, out[k].tileId, out[k].x, out[k].y, out[k].lie, out[k].nFace, out[k].turned);
    EXPECT_EQ(c.places, got) << c.what;
  }
}

TEST(MeldPlacement, RefusesWhatHasNoPlace) {
  struct Case {
    const char* what;
    int family, side, source, group;
  } cases[] = {
      {"fifth group", MELD_FAMILY_PENG, 3, 0, 4},
      {"negative group", MELD_FAMILY_PENG, 3, 0, -1},
      {"no such side", MELD_FAMILY_PENG, 4, 0, 0},
      {"own discard", MELD_FAMILY_CHI, 3, 3, 0},
      {"no source", MELD_FAMILY_EXPOSED_GANG, 3, -1, 0},
      {"no such family", 7, 3, 0, 0},
  };
  CMeldPlacement placement(Geometry(0));
  for (const Case& c : cases) {
    MeldTilePlace out[4];
    EXPECT_EQ(0, placement.Place(c.family, c.side, c.source, MeldTiles{C, A, B, D}, c.group, 0, false, out)) << c.what;
  }
  for (int g = 0; g < 4; ++g) EXPECT_GE(CMeldPlacement::GroupTop(g) - 3, 2);
  MeldTilePlace added;
  EXPECT_FALSE(placement.PlaceAddedTile(1, C, 3, 0, 0, &added));
  EXPECT_FALSE(placement.PlaceAddedTile(16, C, 3, 0, 0, &added));
  ASSERT_TRUE(placement.PlaceAddedTile(13, C, 3, 85 + 33, 11, &added));
  EXPECT_EQ(10, added.record);
  EXPECT_EQ(85 + 33, added.x);
  EXPECT_EQ(0, added.y);
}

TEST(MeldPlacement, OpenHandAndDrawnTilePositions) {
  struct Case {
    int side, record, x, y;
  } cases[] = {
      {0, 1, 0, 400 - 51 - 21}, {1, 2, 62, 11}, {2, 13, 11, 13 * 21 + 19}, {3, 1, 520 - 12 - 156, 11},
  };
  CMeldPlacement placement(Geometry(0));
  for (const Case& c : cases) {
    int x = -1, y = -1;
    ASSERT_TRUE(placement.HandTilePosition(c.side, c.record, &x, &y));
    EXPECT_EQ(c.x, x) << c.side;
    EXPECT_EQ(c.y, y) << c.side;
  }
  int x, y;
  EXPECT_FALSE(placement.HandTilePosition(3, 0, &x, &y));
  EXPECT_FALSE(placement.HandTilePosition(3, 14, &x, &y));
  ASSERT_TRUE(placement.DrawnTilePosition(3, &x, &y));
  EXPECT_EQ(520 - 130, x);
  ASSERT_TRUE(placement.DrawnTilePosition(0, &x, &y));
  EXPECT_EQ(400 - 32, y);
}

}  // namespace
