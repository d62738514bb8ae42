// Which picture, frame and size each tile record is drawn with, per zone and side, checked
// against the strips the game data ships (frames 54 x 77, 33 x 32, 26 x 36, ...).
#include <gtest/gtest.h>

#include <fstream>

#include "mahjong/SeatLayout.h"
#include "mahjong/scene/TilePictureSet.h"
#include "tests/support/TempDir.h"

namespace {

MJTile Record(int tile, int nFace, int standing, int meldKind = 0, int lie = 0, int side = 0, int showHu = 0) {
  MJTile t;
  t.tileId = tile, t.nFace = nFace, t.standing = standing, t.meldKind = meldKind, t.lie = lie;
  t.side = side, t.showHu = showHu, t.present = 1;
  return t;
}

struct Expect {
  bool ok;
  int picture, sx, w, h;
};

void Check(bool ok, const TilePictureChoice& c, const Expect& e, const char* what, int row) {
  EXPECT_EQ(e.ok, ok) << what << " row " << row;
  if (!ok || !e.ok) return;
  EXPECT_EQ(e.picture, c.picture) << what << " row " << row;
  EXPECT_EQ(e.sx, c.sx) << what << " row " << row;
  EXPECT_EQ(e.w, c.w) << what << " row " << row;
  EXPECT_EQ(e.h, c.h) << what << " row " << row;
}

TEST(TilePictureChoice, HandTilesBySideZoneFaceAndLie) {
  CTableMetrics m;
  struct Case {
    int side;
    MJTile tile;
    Expect expect;
  } cases[] = {
      // Own standing tiles: the large strip, frame of the tile (5 of dots: frame 22).
      {SIDE_OWN, Record(76, 1, 1), {true, TPIC_LARGE, 22 * 54, 54, 77}},
      {SIDE_OWN, Record(108, 1, 1), {true, TPIC_LARGE, 27 * 54, 54, 77}},
      // Other sides' standing tiles seen from the side.
      {SIDE_RIGHT, Record(5, 2, 1), {true, TPIC_SIDE0, 0, 19, 49}},
      {SIDE_TOP, Record(5, 2, 1), {true, TPIC_SIDE1, 0, 26, 37}},
      {SIDE_LEFT, Record(5, 2, 1), {true, TPIC_SIDE2, 0, 19, 49}},
      // A shown hand stands face up in the side's own set.
      {SIDE_RIGHT, Record(40, 1, 1), {true, TPIC_MIDDLE0, 13 * 33, 33, 32}},
      {SIDE_TOP, Record(40, 1, 1), {true, TPIC_MIDDLE1, 13 * 26, 26, 36}},
      {SIDE_LEFT, Record(40, 1, 1), {true, TPIC_MIDDLE2, 13 * 33, 33, 32}},
      // A standing tile of another side that is neither face up nor seen from the side.
      {SIDE_RIGHT, Record(40, 0, 1), {false, 0, 0, 0, 0}},
      {SIDE_TOP, Record(40, 0, 1), {false, 0, 0, 0, 0}},
      // Laid down face up: lie l is drawn in set (l + 2) % 4; a meld tile counts as laid down.
      {SIDE_OWN, Record(0, 1, 1, 1, 1), {true, TPIC_MIDDLE3, 0, 26, 36}},
      {SIDE_OWN, Record(8, 1, 0, 0, 2), {true, TPIC_MIDDLE0, 8 * 33, 33, 32}},
      {SIDE_RIGHT, Record(137, 1, 0, 1, 0), {true, TPIC_MIDDLE2, 35 * 33, 33, 32}},
      {SIDE_TOP, Record(200, 1, 0, 1, 3), {true, TPIC_MIDDLE1, 46 * 26, 26, 36}},
      // Laid down face down: only the side's own lie has a back; the own side any lie.
      {SIDE_RIGHT, Record(3, 0, 0, 1, 2), {true, TPIC_BACK0, 0, 33, 32}},
      {SIDE_TOP, Record(3, 0, 0, 1, 3), {true, TPIC_BACK1, 0, 26, 36}},
      {SIDE_LEFT, Record(3, 0, 0, 1, 0), {true, TPIC_BACK0, 0, 33, 32}},
      {SIDE_OWN, Record(3, 0, 0, 1, 2), {true, TPIC_BACK1, 0, 26, 36}},
      {SIDE_RIGHT, Record(3, 0, 0, 1, 1), {false, 0, 0, 0, 0}},
      {SIDE_LEFT, Record(3, 0, 0, 1, 2), {false, 0, 0, 0, 0}},
      // No side.
      {4, Record(3, 1, 1), {false, 0, 0, 0, 0}},
      {-1, Record(3, 1, 1), {false, 0, 0, 0, 0}},
  };
  int row = 0;
  for (const Case& c : cases) {
    TilePictureChoice choice;
    Check(ChooseHandPicture(c.tile, c.side, m, &choice), choice, c.expect, "hand", row++);
  }
  // On a small screen the own hand uses the smaller large strip.
  m.SetSmallScreen(true);
  TilePictureChoice choice;
  ASSERT_TRUE(ChooseHandPicture(Record(76, 1, 1), SIDE_OWN, m, &choice));
  EXPECT_EQ(22 * 42, choice.sx);
  EXPECT_EQ(42, choice.w);
  EXPECT_EQ(60, choice.h);
}

TEST(TilePictureChoice, WallRiverFlowerAndPlayedTiles) {
  const CTableMetrics m;
  struct Case {
    const char* what;
    int side;
    MJTile tile;
    Expect expect;
  } cases[] = {
      // Side walls (0 and 2) and end walls (1 and 3): backs, and faces by their own strips.
      {"wall", 0, Record(76, 0, 0, 0, 0, SIDE_RIGHT), {true, TPIC_WALL_BACK0, 0, 23, 22}},
      {"wall", 0, Record(76, 1, 0, 0, 0, SIDE_LEFT), {true, TPIC_WALL_FACE0, 22 * 22, 23, 22}},
      {"wall", 0, Record(76, 0, 0, 0, 0, SIDE_TOP), {true, TPIC_WALL_BACK1, 0, 16, 27}},
      {"wall", 0, Record(76, 1, 0, 0, 0, SIDE_OWN), {true, TPIC_WALL_FACE1, 22 * 17, 16, 27}},
      {"wall", 0, Record(76, 1, 0, 0, 0, 7), {false, 0, 0, 0, 0}},
      // Rivers lie in the side's own set; a face-down discard shows the matching back.
      {"river", SIDE_RIGHT, Record(9, 1, 0), {true, TPIC_MIDDLE0, 0, 33, 32}},
      {"river", SIDE_TOP, Record(9, 1, 0), {true, TPIC_MIDDLE1, 0, 26, 36}},
      {"river", SIDE_LEFT, Record(135, 1, 0), {true, TPIC_MIDDLE2, 33 * 33, 33, 32}},
      {"river", SIDE_OWN, Record(135, 1, 0), {true, TPIC_MIDDLE3, 33 * 26, 26, 36}},
      {"river", SIDE_LEFT, Record(135, 0, 0), {true, TPIC_BACK0, 0, 33, 32}},
      {"river", SIDE_OWN, Record(135, 0, 0), {true, TPIC_BACK1, 0, 26, 36}},
      // Flowers always show their face, whatever the record says.
      {"flower", SIDE_TOP, Record(144, 0, 0), {true, TPIC_MIDDLE1, 42 * 26, 26, 36}},
      {"flower", SIDE_OWN, Record(143, 1, 0), {true, TPIC_MIDDLE3, 41 * 26, 26, 36}},
      {"flower", 5, Record(143, 1, 0), {false, 0, 0, 0, 0}},
      // The played tile is large, or the win picture.
      {"played", 0, Record(35, 1, 0), {true, TPIC_LARGE, 8 * 54, 54, 77}},
      {"played", 0, Record(35, 1, 0, 0, 0, 0, 1), {true, TPIC_HU, 0, 54, 77}},
  };
  int row = 0;
  for (const Case& c : cases) {
    TilePictureChoice choice;
    const std::string what = c.what;
    bool ok = false;
    if (what == "wall") ok = ChooseWallPicture(c.tile, m, &choice);
    if (what == "river") ok = ChooseRiverPicture(c.tile, c.side, m, &choice);
    if (what == "flower") ok = ChooseFlowerPicture(c.tile, c.side, m, &choice);
    if (what == "played") ok = ChoosePlayedPicture(c.tile, m, &choice);
    Check(ok, choice, c.expect, c.what, row++);
  }
}

TEST(TilePictureSet, TheStyleFolderComesFromTheIniOrFallsBackToClassic) {
  testsupport::TempDir dir;
  const std::string ini = dir.File("game.ini");
  std::ofstream(ini) << "[SKIN]\r\nStyle0=Jade\r\nStyle1=\r\nDefault=2\r\n";
  struct Case {
    int index;
    const char* folder;
  } cases[] = {{0, "Jade"}, {1, "Classic"}, {2, "Classic"}, {3, "Classic"}, {-1, "Classic"}};
  for (const Case& c : cases) EXPECT_EQ(c.folder, CTilePictureSet::StyleFolder(ini.c_str(), c.index)) << c.index;
  EXPECT_EQ("Classic", CTilePictureSet::StyleFolder(nullptr, 0));
}

}  // namespace
