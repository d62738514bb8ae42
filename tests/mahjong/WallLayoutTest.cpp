#include <gtest/gtest.h>

#include <vector>

#include "mahjong/scene/WallLayout.h"

namespace {

TEST(WallLayout, StackCountsAndSegmentStarts) {
  struct Case {
    int tiles, segments;
    std::vector<int> stacks;
  } cases[] = {
      {136, 4, {17, 17, 17, 17}}, {152, 4, {19, 19, 19, 19}}, {144, 4, {18, 18, 18, 18}},
      {138, 4, {18, 17, 17, 17}}, {140, 4, {18, 17, 18, 17}}, {142, 4, {18, 18, 18, 17}},
      {108, 3, {18, 18, 0, 18}},  {110, 3, {19, 18, 0, 18}},  {112, 3, {19, 18, 0, 19}},
  };
  for (const Case& c : cases) {
    CWallLayout w;
    w.tileCount = c.tiles;
    w.segments = c.segments;
    int s[4] = {-1, -1, -1, -1};
    w.GetWallStackCounts(s);
    EXPECT_EQ(c.stacks, std::vector<int>(s, s + 4)) << c.tiles;
  }
  CWallLayout w;
  w.ownChair = 2;
  EXPECT_EQ(102, w.GetWallSideStart(1));  // screen side 1 shows segment 3
  EXPECT_EQ(34, w.GetWallSideStart(3));
  EXPECT_EQ(0, w.GetWallSideStart(2));
  EXPECT_EQ(17, w.GetWallSideStacks(1));
  EXPECT_EQ(0, w.GetWallSideStacks(7));
}

TEST(WallLayout, EveryStackSitsInItsSegmentWithTheUpperTileAbove) {
  CWallLayout w;
  w.centre = RECT{300, 200, 700, 500};
  CTileTable tiles;
  w.InitWall(tiles);
  int seen = 0;
  for (int i = 0; i < 136; i += 2) {
    const MJTile* upper = tiles.GetTileRecord(MJ_ZONE_WALL, 0, i);
    const MJTile* lower = tiles.GetTileRecord(MJ_ZONE_WALL, 0, i + 1);
    EXPECT_EQ(upper->side, lower->side) << i;
    EXPECT_GT(upper->level, lower->level) << i;
    EXPECT_LT(upper->y, lower->y) << i;
    RECT r{};
    ASSERT_TRUE(w.GetWallSideRect(upper->side, &r));
    EXPECT_GE(upper->x, 0) << i;
    EXPECT_LE(upper->x, r.right - r.left) << i;
    EXPECT_GE(upper->y, 0) << i;
    EXPECT_LE(lower->y, r.bottom - r.top) << i;
    EXPECT_EQ(0, upper->present);
    ++seen;
  }
  EXPECT_EQ(68, seen);
  RECT r{};
  w.GetWallSideRect(0, &r);
  EXPECT_EQ(278, r.left);
  EXPECT_EQ(200, r.top);
  EXPECT_EQ(200 + 13 * 17 + 20, r.bottom);
  w.GetWallSideRect(3, &r);
  EXPECT_EQ(300, r.left);
  EXPECT_EQ(300 + 17 * 17, r.right);
  w.SetWallTiles(tiles, 1);
  EXPECT_EQ(1, tiles.GetTileRecord(MJ_ZONE_WALL, 0, 135)->present);
  EXPECT_EQ(0, tiles.GetTileRecord(MJ_ZONE_WALL, 0, 136)->present);
  EXPECT_FALSE(w.GetWallSideRect(4, &r));
}

}  // namespace
