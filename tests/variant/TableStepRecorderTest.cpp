// The table's steps as files: the state line read from the table model, and a step written only
// once its picture has been rendered, under a new number, with its line after the picture.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/PixelSurface.h"
#include "mahjong/SeatLayout.h"
#include "mahjong/scene/TableModel.h"
#include "testbed/table/TableBodies.h"
#include "testbed/table/TableRecords.h"
#include "tests/support/TempDir.h"
#include "variant/TableStepRecorder.h"
#include "variant/VariantGameInfo.h"

namespace {

std::vector<std::string> Lines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The own chair 0 is dealt 14 tiles as the banker (the drawn one first); the wall's break is 40
// and 53 tiles have left it.
struct DealtTable {
  CVariantGameInfo info;
  CTableEffects effects;
  CMJTableModel model{info, effects};
  DealtTable() {
    info.SetOwnChair(0);
    testbed::TableInfoRecord t;
    t.handNumber = 1;
    t.status = 0x101;
    t.discardTime = 15;
    t.claimTime = 8;
    t.wallStart = 40;
    t.wallHead = 93;
    t.indicatorPosition = 38;
    t.indicatorTile = 100;
    t.joker1 = 20;
    t.joker2 = -1;
    t.handCounts = {14, 13, 13, 13};
    t.ownHand = {0, 9, 1, 2, 3, 4, 5, 6, 7, 8, 72, 73, 74, 75};
    const testbed::BodyData body = t.WriteNewHand();
    EXPECT_TRUE(info.CopyTableInfo(body.data(), body.size()));
    model.ResetRound();
  }
};

TEST(TableStepRecorder, DescribesWhatTheTableShows) {
  DealtTable t;
  std::string line = CTableStepRecorder::Describe(t.model, -1);
  const std::vector<std::string> expected = {
      "playing=1", "wall=83", "winner=-1", "hand3=13", "drawn3=0", "tiles3=9.1.2.3.4.5.6.7.8.72.73.74.75",
      "hand0=13", "drawn0=-", "tiles0=200.200.200.200.200.200.200.200.200.200.200.200.200", "melds0=-", "river0=-",
      "played0=-", "flowers2=0"};
  for (const std::string& item : expected) EXPECT_NE((" " + line + " ").find(" " + item + " "), std::string::npos) << item << " in " << line;

  // Chair 1 (side 0) lets tile 20 go: it shows as his played tile.
  testbed::TileDiscardedNote n;
  n.chair = 1;
  n.tile = 20;
  const testbed::BodyData discard = n.Write();
  ASSERT_TRUE(t.model.OnTileDiscarded(discard.data(), discard.size()));
  line = CTableStepRecorder::Describe(t.model, 2);
  EXPECT_NE(line.find(" played0=20 "), std::string::npos) << line;
  EXPECT_NE(line.find(" winner=2 "), std::string::npos) << line;
}

TEST(TableStepRecorder, WritesEachNewPictureOnceItIsRendered) {
  testsupport::TempDir dir;
  const std::string folder = dir.File("steps");
  CTableStepRecorder recorder(folder);
  std::vector<uint32_t> pixels(4 * 3, 0x00336699);
  PixelSurface picture;
  picture.pixels = pixels.data();
  picture.width = 4;
  picture.height = 3;

  EXPECT_FALSE(recorder.TakePicture(picture)) << "nothing painted yet";
  recorder.Painted("playing=0 a=1");
  EXPECT_TRUE(Lines(folder + "/steps.txt").empty()) << "the line waits for the rendered picture";
  EXPECT_TRUE(recorder.TakePicture(picture));
  EXPECT_FALSE(recorder.TakePicture(picture)) << "one picture per step";
  // A repaint of the same table is no new step; a changed table is.
  recorder.Painted("playing=0 a=1");
  EXPECT_FALSE(recorder.TakePicture(picture));
  recorder.Painted("playing=1 a=2");
  EXPECT_TRUE(recorder.TakePicture(picture));

  EXPECT_EQ(Lines(folder + "/steps.txt"), (std::vector<std::string>{"0001 playing=0 a=1", "0002 playing=1 a=2"}));
  for (const char* name : {"/step-0001.png", "/step-0002.png"}) {
    std::ifstream png(folder + name, std::ios::binary);
    char signature[8] = {};
    png.read(signature, 8);
    EXPECT_EQ(std::string(signature + 1, 3), "PNG") << name;
  }
  EXPECT_FALSE(std::filesystem::exists(folder + "/step-0002.png.part"));
  EXPECT_EQ(recorder.Steps(), 2);

  // A dialog's coming and going takes no number; its line follows the line of the picture that
  // was on the table then (written at once when that one is written already).
  recorder.Dialog("settlement", true, "last=1.-2.0.1 total=5.-4.0.-1");
  recorder.Painted("playing=0 a=3");
  recorder.Dialog("settlement", false);
  EXPECT_EQ(Lines(folder + "/steps.txt").size(), 3u);
  EXPECT_TRUE(recorder.TakePicture(picture));
  recorder.Painted("playing=1 a=4");
  recorder.Dialog("card", true);
  EXPECT_EQ(Lines(folder + "/steps.txt"),
            (std::vector<std::string>{"0001 playing=0 a=1", "0002 playing=1 a=2",
                                      "dialog settlement open last=1.-2.0.1 total=5.-4.0.-1", "0003 playing=0 a=3",
                                      "dialog settlement closed"}));
  EXPECT_EQ(recorder.Steps(), 3);

  // A recorder that ends before its last picture is written still writes the dialog's line.
  {
    CTableStepRecorder ending(dir.File("ending"));
    ending.Painted("playing=1 a=5");
    ending.Dialog("settlement", false);
  }
  EXPECT_EQ(Lines(dir.File("ending") + "/steps.txt"), std::vector<std::string>{"dialog settlement closed"});

  // A recorder started again begins a new steps.txt.
  CTableStepRecorder again(folder);
  EXPECT_TRUE(Lines(folder + "/steps.txt").empty());
}

}  // namespace
