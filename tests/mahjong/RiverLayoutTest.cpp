#include <gtest/gtest.h>

#include "mahjong/RiverLayout.h"

namespace {

TEST(RiverLayout, PlacesOfTheFourLayers) {
  struct Case {
    int side, r;
    bool shifted;
    int x, y, level;
  } cases[] = {
      {0, 0, false, 33, 0, 100},     {0, 15, false, 0, 105, 115},  {0, 22, false, 16, 48, 202},
      {0, 30, false, 16, 38, 300},   {0, 30, true, 16, 34, 301},   {2, 30, true, 16, 134, 299},
      {2, 30, false, 16, 130, 300},  {1, 3, false, 156, 25, 97},   {1, 25, false, 91, 8, 200},
      {1, 30, true, 182, 0, 300},    {3, 12, false, 52, 25, 112},  {3, 35, false, 182, 0, 300},
      {2, 9, false, 0, 0, 91},       {2, 28, false, 16, 4, 192},
  };
  for (const Case& c : cases) {
    RiverPlace p;
    ASSERT_TRUE(GetRiverPlace(c.side, c.r, RiverStyle{c.shifted}, &p));
    EXPECT_EQ(c.x, p.x) << c.side << "/" << c.r;
    EXPECT_EQ(c.y, p.y) << c.side << "/" << c.r;
    EXPECT_EQ(c.level, p.level) << c.side << "/" << c.r;
  }
  RiverPlace p;
  EXPECT_FALSE(GetRiverPlace(0, 36, RiverStyle{}, &p));
  EXPECT_FALSE(GetRiverPlace(0, -1, RiverStyle{}, &p));
  EXPECT_FALSE(GetRiverPlace(4, 0, RiverStyle{}, &p));
}

TEST(RiverLayout, EveryPlaceStaysInsideItsRectangle) {
  const RECT wall{100, 100, 700, 500};
  for (int side = 0; side < 4; ++side) {
    RECT rect;
    ASSERT_TRUE(GetRiverRect(side, wall, false, 4, &rect));
    const int w = side % 2 == 0 ? 33 : 26, h = side % 2 == 0 ? 32 : 36;
    for (bool shifted : {false, true})
      for (int r = 0; r < CTileTable::RIVER_PLACES; ++r) {
        RiverPlace p;
        ASSERT_TRUE(GetRiverPlace(side, r, RiverStyle{shifted}, &p));
        EXPECT_GE(p.x, 0) << side << "/" << r;
        EXPECT_GE(p.y, 0) << side << "/" << r;
        EXPECT_LE(p.x + w, rect.right - rect.left) << side << "/" << r;
        EXPECT_LE(p.y + h, rect.bottom - rect.top) << side << "/" << r;
      }
  }
}

TEST(RiverLayout, RiverFillsInOrderAndRefusesTheThirtySeventhTile) {
  CTileTable tiles;
  ResetRivers(tiles, RiverStyle{});
  for (int i = 0; i < CTileTable::RIVER_PLACES; ++i) ASSERT_TRUE(AddTileToRiver(tiles, 1, i, 1));
  EXPECT_FALSE(AddTileToRiver(tiles, 1, 99, 1));
  EXPECT_FALSE(AddTileToRiver(tiles, 4, 99, 1));
  EXPECT_EQ(35, tiles.GetTileRecord(MJ_ZONE_RIVER, 1, 35)->tileId);
  EXPECT_EQ(36, tiles.RiverCount(1));
  EXPECT_EQ(0, tiles.GetTileRecord(MJ_ZONE_RIVER, 2, 0)->present);
  EXPECT_EQ(1, tiles.GetTileRecord(MJ_ZONE_RIVER, 2, 0)->nFace);
}

TEST(RiverLayout, FlowerPlacesAndCapacity) {
  struct Case {
    int side, i, x, y, level;
  } cases[] = {{0, 2, 0, 42, 1002}, {1, 0, 182, 0, 1000}, {2, 7, 0, 0, 993}, {3, 3, 78, 0, 1003}};
  for (const Case& c : cases) {
    RiverPlace p;
    ASSERT_TRUE(GetFlowerPlace(c.side, c.i, 8, &p));
    EXPECT_EQ(c.x, p.x) << c.side;
    EXPECT_EQ(c.y, p.y) << c.side;
    EXPECT_EQ(c.level, p.level) << c.side;
  }
  RiverPlace p;
  EXPECT_FALSE(GetFlowerPlace(0, 8, 8, &p));
  EXPECT_FALSE(GetFlowerPlace(0, 0, 37, &p));

  CTileTable tiles;
  ResetFlowers(tiles, 8);
  for (int i = 0; i < 8; ++i) ASSERT_TRUE(AddFlower(tiles, 3, 136 + i, 8));
  EXPECT_FALSE(AddFlower(tiles, 3, 144, 8));
  EXPECT_EQ(8, CountFlowers(tiles, 3, 8));
  EXPECT_EQ(0, CountFlowers(tiles, 0, 8));
  EXPECT_EQ(8, CountFlowers(tiles, 3, 100));  // a capacity beyond the zone counts the zone only
}

TEST(RiverLayout, FlowerAreaBesideTheHand) {
  const RECT hand{100, 400, 500, 460};
  const RECT river{300, 50, 400, 300};
  struct Case {
    int side;
    bool small;
    RECT area;
  } cases[] = {
      {0, false, {500, 400, 533, 579}}, {1, false, {292, 460, 500, 496}}, {2, false, {67, 281, 100, 460}},
      {3, false, {100, 364, 308, 400}}, {0, true, {500, 50, 533, 229}},   {3, true, {300, 364, 508, 400}},
  };
  for (const Case& c : cases) {
    RECT r;
    ASSERT_TRUE(GetFlowerArea(c.side, hand, 8, c.small, 4, river, &r));
    EXPECT_EQ(c.area.left, r.left) << c.side;
    EXPECT_EQ(c.area.top, r.top) << c.side;
    EXPECT_EQ(c.area.right, r.right) << c.side;
    EXPECT_EQ(c.area.bottom, r.bottom) << c.side;
  }
}

}  // namespace
