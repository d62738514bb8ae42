#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "mahjong/HandActions.h"
#include "tests/support/TempDir.h"

namespace {

constexpr int SIDE = 3;

// Records 1-6 hold tiles 10-15 standing, each 26 pixels further; record 0 holds 9 when drawn.
CTileTable Hand(bool drawn) {
  CTileTable t;
  for (int r = drawn ? 0 : 1; r <= 6; ++r) {
    MJTile* p = t.GetTileRecord(MJ_ZONE_HAND, SIDE, r);
    p->tileId = 9 + r;
    p->present = p->standing = 1;
    p->x = 26 * r;
  }
  return t;
}

std::vector<int> Ids(const CTileTable& t) {
  std::vector<int> ids;
  for (int r = 0; r <= 6; ++r) {
    const MJTile* p = t.GetTileRecord(MJ_ZONE_HAND, SIDE, r);
    ids.push_back(p->present ? p->tileId : -1);
  }
  return ids;
}

TEST(HandActions, DropMovesTheDraggedTileAfterTheInsertionIndex) {
  struct Case {
    const char* what;
    bool drawn;
    int from, tile, index, x, y;
    bool changed;
    std::vector<int> ids;  // records 0-6
  } cases[] = {
      {"left to after record 1", false, 3, 12, 1, 0, 0, true, {-1, 10, 12, 11, 13, 14, 15}},
      {"onto the place before: nothing", false, 3, 12, 2, 0, 0, false, {-1, 10, 11, 12, 13, 14, 15}},
      {"onto itself: nothing", false, 3, 12, 3, 0, 0, false, {-1, 10, 11, 12, 13, 14, 15}},
      {"right to after record 5", false, 3, 12, 5, 0, 0, true, {-1, 10, 11, 13, 14, 12, 15}},
      {"front without a drawn tile", false, 3, 12, -1, 0, 0, true, {-1, 10, 12, 11, 13, 14, 15}},
      {"front with a drawn tile: into the drawn place", true, 3, 12, -1, 0, 0, true, {12, 9, 10, 11, 13, 14, 15}},
      {"outside the hand, left of the last tile", false, 3, 12, -2, 100, 5, true, {-1, 10, 11, 13, 14, 15, 12}},
      {"outside the hand elsewhere: to the front", false, 3, 12, -2, 400, 5, true, {-1, 12, 10, 11, 13, 14, 15}},
      {"the record no longer holds the tile", false, 3, 99, 5, 0, 0, false, {-1, 10, 11, 12, 13, 14, 15}},
      {"index past the hand", false, 3, 12, 14, 0, 0, false, {-1, 10, 11, 12, 13, 14, 15}},
      {"index below the hand", false, 3, 12, -3, 0, 0, false, {-1, 10, 11, 12, 13, 14, 15}},
      {"from outside the hand", false, -1, 12, 5, 0, 0, false, {-1, 10, 11, 12, 13, 14, 15}},
  };
  for (const Case& c : cases) {
    CTileTable t = Hand(c.drawn);
    EXPECT_EQ(c.changed, DropDraggedTile(t, SIDE, c.from, c.tile, c.index, c.x, c.y, 36)) << c.what;
    EXPECT_EQ(c.ids, Ids(t)) << c.what;
  }
}

TEST(HandActions, JokerMarkTravelsWithTheTile) {
  CTileTable t = Hand(false);
  t.GetTileRecord(MJ_ZONE_HAND, SIDE, 2)->jokerMark = 1;
  t.GetTileRecord(MJ_ZONE_HAND, SIDE, 4)->attrB = 1;
  ASSERT_TRUE(DropDraggedTile(t, SIDE, 2, 11, 5, 0, 0, 36));
  EXPECT_EQ(1, t.GetTileRecord(MJ_ZONE_HAND, SIDE, 5)->jokerMark);
  EXPECT_EQ(0, t.GetTileRecord(MJ_ZONE_HAND, SIDE, 2)->jokerMark);
  EXPECT_EQ(1, t.GetTileRecord(MJ_ZONE_HAND, SIDE, 3)->attrB);
  // A dimmed tile cannot be dragged.
  EXPECT_FALSE(DropDraggedTile(t, SIDE, 3, 13, 1, 0, 0, 36));
}

TEST(HandActions, ClickAndGangPickDecisions) {
  MJTile tile;
  tile.present = 1;
  EXPECT_EQ(TileClick::Discard, DecideTileClick(false, tile, false));
  EXPECT_EQ(TileClick::ReplaceFlower, DecideTileClick(false, tile, true));
  EXPECT_EQ(TileClick::Nothing, DecideTileClick(true, tile, false));
  tile.attrB = 1;
  EXPECT_EQ(TileClick::Nothing, DecideTileClick(false, tile, false));

  EXPECT_EQ(GangPick::ConcealedGang, DecideGangPick(1, 0));
  EXPECT_EQ(GangPick::AddedGang, DecideGangPick(1, 1));
  EXPECT_EQ(GangPick::Nothing, DecideGangPick(1, 3));
  EXPECT_EQ(GangPick::Nothing, DecideGangPick(2, 0));
}

TEST(HandActions, SideIconsStayInsideTheirTen) {
  CSideIcons icons;
  icons.SetSideIcon(2, 7);
  icons.SetSideIcon(5, 7);
  EXPECT_EQ(7, icons.Code(2, 9));
  EXPECT_EQ(1, icons.Compact(2));
  EXPECT_EQ(7, icons.Code(2, 0));
  EXPECT_EQ(0, icons.Code(2, 9));
  EXPECT_EQ(0, icons.Compact(1));
  EXPECT_EQ(0, icons.Code(2, 10));
}

TEST(HandActions, DiceOutsideOneToSixShowNoDie) {
  struct Case {
    int die, value, strip;
  } cases[] = {{0, 1, 0}, {0, 6, 5}, {1, 1, 6}, {3, 6, 11}, {2, 4, 3},
               {0, 0, -1}, {0, 7, -1}, {1, 13, -1}, {1, -2, -1}, {4, 3, -1}};
  for (const Case& c : cases) EXPECT_EQ(c.strip, DiceStrip(c.die, c.value)) << c.die << "/" << c.value;
  EXPECT_TRUE(HasSecondThrow(2, 5));
  EXPECT_FALSE(HasSecondThrow(0, 5));
  EXPECT_FALSE(HasSecondThrow(3, 0));
}

TEST(HandActions, NextStyleSkipsEmptyAndEqualFolders) {
  const std::string three[3] = {"a", "b", "c"};
  EXPECT_EQ(1, NextStyle(0, three));
  EXPECT_EQ(0, NextStyle(2, three));
  const std::string one[3] = {"a", "", ""};
  EXPECT_EQ(-1, NextStyle(0, one));
  const std::string same[3] = {"a", "a", "c"};
  EXPECT_EQ(2, NextStyle(0, same));
}

TEST(HandActions, ScreenshotReportsWhereItWentOrThatItFailed) {
  std::tm now{};
  now.tm_year = 2027 - 1900;
  now.tm_mon = 0;
  now.tm_mday = 1;
  now.tm_sec = 5;
  EXPECT_EQ("mj_42_2027101_5", ScreenshotName("mj", 42, now));

  testsupport::TempDir dir;
  const std::string folder = dir.File("temp");
  std::string line = SaveScreenshot(folder, "shot", [](const char* path) { std::ofstream(path) << "jpeg"; });
  EXPECT_NE(std::string::npos, line.find("游戏截图已保存到"));
  EXPECT_NE(std::string::npos, line.find(folder + "/shot.jpg"));

  line = SaveScreenshot(folder, "lost", [](const char*) {});
  EXPECT_EQ(std::string::npos, line.find("游戏截图已保存到"));
  EXPECT_NE(std::string::npos, line.find("lost.jpg"));
}

}  // namespace
