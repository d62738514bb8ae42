// The rows binding tile records to pictures: exhaustion, release, and which changes of a record
// make its row be drawn anew.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mahjong/scene/TileEntityTable.h"

namespace {

struct Fixture {
  CTileTable tiles;
  CTileEntityTable table;
  std::vector<std::string> logs;
  std::vector<int> released;
  Fixture() {
    table.log = [this](const std::string& s) { logs.push_back(s); };
    table.onRelease = [this](TileEntityRow& r) { released.push_back(r.index); };
  }
  MJTile* Hand(int side, int i) { return tiles.GetTileRecord(MJ_ZONE_HAND, side, i); }
  int BindHand(int side, int i) {
    MJTile* t = Hand(side, i);
    t->present = 1, t->standing = 1, t->nFace = 1, t->tileId = 10 + i, t->side = side;
    const int row = table.AllocEntity();
    table.Bind(row, *t, MJ_ZONE_HAND, side, i);
    return row;
  }
};

TEST(TileEntityTable, RowsRunOutWithAMessageAndComeBackOnRelease) {
  Fixture f;
  MJTile wall;
  for (int i = 1; i < CTileEntityTable::ROWS; ++i) {
    const int row = f.table.AllocEntity();
    ASSERT_EQ(i, row);
    f.table.Bind(row, wall, MJ_ZONE_WALL, 0, 0);
  }
  EXPECT_EQ(0, f.table.AllocEntity());
  ASSERT_EQ(1u, f.logs.size());
  EXPECT_EQ("实体请求错误，已无空闲实体!", f.logs[0]);
  MJTile* t = f.tiles.GetTileRecord(MJ_ZONE_WALL, 0, 3);
  t->nObject = 42;
  f.table.ReleaseEntity(t, 42);
  EXPECT_EQ(0, t->nObject);
  EXPECT_EQ(0, f.table.Row(42).zone);
  EXPECT_EQ(200, f.table.Row(42).tileId);
  EXPECT_EQ(42, f.table.AllocEntity());
  // Rows outside the table are never touched.
  f.table.ReleaseEntity(nullptr, 0);
  f.table.ReleaseEntity(nullptr, CTileEntityTable::ROWS);
  EXPECT_EQ(CTileEntityTable::ROWS - 2, f.table.BoundCount());
}

TEST(TileEntityTable, AChangedRecordIsReleasedAndAnUnchangedOneKept) {
  struct Case {
    const char* what;
    void (*change)(MJTile*);
    bool released;
  } cases[] = {
      {"unchanged", [](MJTile*) {}, false},
      {"gone", [](MJTile* t) { t->present = 0; }, true},
      {"laid down", [](MJTile* t) { t->standing = 0; }, true},
      {"in a meld", [](MJTile* t) { t->meldKind = 1; }, true},
      {"turned", [](MJTile* t) { t->nFace = 0; }, true},
      {"another tile", [](MJTile* t) { t->tileId = 99; }, true},
      {"raised", [](MJTile* t) { t->attrA = 1; }, true},
      {"dimmed", [](MJTile* t) { t->attrB = 1; }, true},
      {"other lie", [](MJTile* t) { t->lie = 2; }, true},
      {"moved", [](MJTile* t) { t->x = 300; }, false},
  };
  for (const Case& c : cases) {
    Fixture f;
    const int row = f.BindHand(3, 4);
    c.change(f.Hand(3, 4));
    f.table.ReleaseStaleEntities(f.tiles);
    EXPECT_EQ(c.released, f.table.Row(row).zone == 0) << c.what;
    EXPECT_EQ(c.released ? 0 : row, f.Hand(3, 4)->nObject) << c.what;
    EXPECT_TRUE(f.logs.empty()) << c.what;
  }
}

TEST(TileEntityTable, ARowTakesBackItsRecordWhoseBindingWasClearedAndThatItStillShows) {
  Fixture f;
  const int a = f.BindHand(0, 1);
  const int b = f.BindHand(2, 5);
  // The table was cleared and dealt again under the pictures: the same tile in the same place.
  f.Hand(0, 1)->nObject = 0;
  // And another place whose binding went holds another tile now.
  f.Hand(2, 5)->nObject = 0;
  f.Hand(2, 5)->tileId += 1;
  f.table.ReleaseStaleEntities(f.tiles);
  EXPECT_TRUE(f.logs.empty());
  EXPECT_EQ(a, f.Hand(0, 1)->nObject);
  EXPECT_EQ(MJ_ZONE_HAND, f.table.Row(a).zone);
  EXPECT_EQ(0, f.table.Row(b).zone);
  EXPECT_EQ(0, f.Hand(2, 5)->nObject);
  EXPECT_EQ(1, f.table.BoundCount());
}

TEST(TileEntityTable, ADoubleBindingIsLoggedAndReleaseAllFreesEveryRow) {
  Fixture f;
  const int a = f.BindHand(0, 1);
  const int b = f.BindHand(2, 5);
  // The record now names another row: the binding is reported, the row kept.
  f.Hand(0, 1)->nObject = 7;
  f.table.ReleaseStaleEntities(f.tiles);
  ASSERT_EQ(1u, f.logs.size());
  EXPECT_NE(std::string::npos, f.logs[0].find("mj->nObject:7,i:1"));
  EXPECT_EQ(MJ_ZONE_HAND, f.table.Row(a).zone);
  f.table.ReleaseAllEntities(f.tiles);
  EXPECT_EQ(0, f.table.BoundCount());
  EXPECT_EQ(7, f.Hand(0, 1)->nObject);  // not this row's record any more
  EXPECT_EQ(0, f.Hand(2, 5)->nObject);
  EXPECT_EQ(std::vector<int>({1, 5}), f.released);
  (void)b;
}

}  // namespace
