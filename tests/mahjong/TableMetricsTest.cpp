#include <gtest/gtest.h>

#include "mahjong/scene/TableMetrics.h"

namespace {

std::string Str(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

TEST(TableMetrics, RectanglesOfA1024By768Table) {
  CTableMetrics m;
  m.systemBarHeight = 24;
  struct Case {
    int side;
    const char* area;
    const char* played;
  } cases[] = {
      // Side 3: 768 x 87, 28 px above the bottom; side 0: 49 x 426, 28 px from the left.
      {3, "128,653,896,740", "485,552,539,629"},
      {0, "28,131,77,557", "101,305,155,382"},
      {2, "947,131,996,557", "869,305,923,382"},
      {1, "299,28,725,77", "485,101,539,178"},
  };
  for (const Case& c : cases) {
    RECT a{}, p{};
    ASSERT_TRUE(m.GetHandArea(c.side, &a));
    ASSERT_TRUE(m.GetPlayedTileRect(c.side, &p));
    EXPECT_EQ(c.area, Str(a)) << c.side;
    EXPECT_EQ(c.played, Str(p)) << c.side;
  }
  EXPECT_EQ("406,294,618,414", Str(m.GetCentreRect()));
  EXPECT_EQ("406,305,618,404", Str(m.GetDiceRect()));
  EXPECT_EQ("491,294,618,414", Str(m.GetStakePanelRect(RECT{416, 300, 481, 365})));
  EXPECT_EQ("416,321,481,386", Str(m.GetClockRect()));
  EXPECT_EQ("491,294,618,414", Str(m.GetStakePanelRect(m.GetClockRect())));
  RECT untouched{1, 2, 3, 4};
  EXPECT_FALSE(m.GetHandArea(4, &untouched));
  EXPECT_EQ(1, untouched.left);
  EXPECT_EQ(0, m.GetHandLength(-1));
  // Small screens: smaller large faces and a fixed margin.
  m.SetSmallScreen(true);
  EXPECT_EQ(600, m.GetHandLength(3));
  EXPECT_EQ(70, m.GetHandThickness(3));
  RECT a{};
  m.GetHandArea(3, &a);
  EXPECT_EQ(758, a.bottom);
  EXPECT_EQ(0, m.Metric(34));
}

TEST(TableMetrics, InsertionHitTest) {
  CTableMetrics m;
  CTileTable tiles;
  // Places 0 to 3 from right to left, 54 px apart.
  for (int i = 0; i < 4; ++i) {
    MJTile* t = tiles.GetTileRecord(MJ_ZONE_HAND, 3, i);
    t->present = 1;
    t->standing = 1;
    t->x = 300 - 54 * i;
  }
  tiles.GetTileRecord(MJ_ZONE_HAND, 3, 2)->standing = 0;  // a laid-down tile is never hit
  struct Case {
    int x, y, index;
  } cases[] = {
      {300 + 10, 5, 0}, {300 + 40, 5, -1}, {246 + 40, 5, 0}, {246 + 5, 5, 1}, {138 + 5, 5, 3},
      {192 + 5, 5, -2}, {400, 5, -2},      {310, -1, -2},    {310, 87, -2},
  };
  for (const Case& c : cases) EXPECT_EQ(c.index, m.HitTestHandInsert(tiles, c.x, c.y)) << c.x << "," << c.y;
}

}  // namespace
