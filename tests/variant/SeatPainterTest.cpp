#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "variant/VariantGameInfo.h"
#include "variant/VariantSeatPainter.h"

namespace {

struct Seats {
  std::map<int, SeatPlayer> players;
  std::vector<std::string> list0, list1;
  std::vector<int> repainted;
  CSeatPainter::Hooks Hooks() {
    CSeatPainter::Hooks h;
    h.seat = [this](int chair, SeatPlayer* out) {
      auto it = players.find(chair);
      if (it == players.end()) return false;
      *out = it->second;
      return true;
    };
    h.soundFolders = [this](std::vector<std::string>& a, std::vector<std::string>& b) { a = list0, b = list1; };
    h.programFolder = [] { return std::string("C:\\pxqd\\"); };
    h.sideArea = [](int) { return RECT{100, 100, 700, 500}; };
    h.repaintPlate = [this](int side) { repainted.push_back(side); };
    h.seed = [] { return 7u; };
    return h;
  }
};

TEST(SeatPainter, RandomVoiceFoldersDifferWhileTheListLasts) {
  CVariantGameInfo info;
  info.SetOwnChair(0);
  CSeatPainter painter(info);
  Seats seats;
  for (int chair = 0; chair < 4; ++chair) seats.players[chair] = {100 + chair, chair == 3 ? 5 : 0, "p"};
  seats.list0 = {"0a", "0b", "0c"};
  painter.SetHooks(seats.Hooks());
  painter.RefreshSeats();
  std::set<std::string> folders;
  for (int chair : {0, 1, 2}) folders.insert(painter.GetVoiceFolder(info.ChairToSide(chair)));
  EXPECT_EQ(3u, folders.size());
  for (const std::string& f : folders) EXPECT_EQ(0u, f.rfind("C:\\pxqd\\sound\\0", 0)) << f;
  // Gender 5 chooses no voice set: the sound folder itself.
  EXPECT_EQ("C:\\pxqd\\sound\\\\", painter.GetVoiceFolder(info.ChairToSide(3)));
  // With the list used up, a further gender-0 player gets its first entry.
  seats.list0 = {"0a"};
  painter.RefreshSeats();
  EXPECT_EQ("C:\\pxqd\\sound\\0a\\", painter.GetVoiceFolder(info.ChairToSide(0)));
  EXPECT_EQ("C:\\pxqd\\sound\\0a\\", painter.GetVoiceFolder(info.ChairToSide(2)));
  // Folders only for gender 1: a gender-0 player gets the sound folder itself.
  seats.list0.clear();
  seats.list1 = {"1a"};
  painter.RefreshSeats();
  EXPECT_EQ("C:\\pxqd\\sound\\\\", painter.GetVoiceFolder(SIDE_OWN));
  // No folders at all: nothing changes.
  seats.list1.clear();
  painter.RefreshSeats();
  EXPECT_EQ("C:\\pxqd\\sound\\\\", painter.GetVoiceFolder(SIDE_OWN));
}

TEST(SeatPainter, VariantFoldersAndDialect) {
  CVariantGameInfo info;
  info.SetOwnChair(0);
  info.SetPlayerCount(3);
  CVariantSeatPainter painter(info);
  painter.SetPlayerCount(3);
  Seats seats;
  seats.players = {{0, {1, 0, "own"}}, {1, {2, 1, "right"}}, {2, {3, 0, "left"}}};
  painter.SetHooks(seats.Hooks());
  painter.RefreshSeats();
  EXPECT_EQ("C:\\pxqd\\sound\\10\\", painter.GetVoiceFolder(SIDE_RIGHT));
  EXPECT_EQ("C:\\pxqd\\sound\\11\\", painter.GetDialectFolder(SIDE_RIGHT));
  EXPECT_EQ("", painter.GetVoiceFolder(SIDE_TOP));  // nobody sits there with three players
  EXPECT_EQ("", painter.GetSeat(SIDE_TOP).name);
  painter.SetDialectVoice(1);
  EXPECT_EQ("C:\\pxqd\\sound\\01\\", painter.GetVoiceFolder(SIDE_OWN));
  painter.SetDialectVoice(0);
  EXPECT_EQ("C:\\pxqd\\sound\\00\\", painter.GetVoiceFolder(SIDE_OWN));
  // A long name keeps 31 bytes and never splits a character.
  painter.SetSeatName(SIDE_LEFT, "1234567890123456789012345678901234567890");
  EXPECT_EQ(31u, painter.GetSeat(SIDE_LEFT).name.size());
  painter.SetSeatName(SIDE_LEFT, "一二三四五六七八九十一二三四五六七八九十");
  EXPECT_EQ(30u, painter.GetSeat(SIDE_LEFT).name.size());
  painter.SetSeatName(SIDE_LEFT, "");
  EXPECT_EQ("", painter.GetSeat(SIDE_LEFT).name);
}

TEST(SeatPainter, NewHandMarksAndPlates) {
  CVariantGameInfo info;
  info.SetOwnChair(1);
  CVariantSeatPainter painter(info);
  Seats seats;
  painter.SetHooks(seats.Hooks());
  uint8_t* record = info.GetTableInfo();
  record[TableInfoLayout::BANKER] = 2;  // chair 2 is side 0
  painter.OnNewHand();
  for (int side = 0; side < 4; ++side) {
    EXPECT_EQ(1, painter.GetSeat(side).started);
    EXPECT_EQ(side == SIDE_RIGHT ? 1 : 0, painter.GetSeat(side).banker) << side;
  }
  EXPECT_EQ((std::vector<int>{0, 1, 2, 3}), seats.repainted);
  // Three players: side 1 is never repainted, and a chair without a seat has no side.
  info.SetPlayerCount(3);
  painter.SetPlayerCount(3);
  seats.repainted.clear();
  painter.OnNewHand();
  EXPECT_EQ((std::vector<int>{0, 2, 3}), seats.repainted);
  EXPECT_EQ(-1, painter.MarkSeatStarted(3));
  EXPECT_EQ((std::vector<int>{0, 2, 3}), seats.repainted);
  // Plates: 250 long and 24 thick beside the side's area.
  struct Case {
    int side;
    RECT plate;
  } cases[] = {
      {SIDE_RIGHT, {700, 175, 724, 425}}, {SIDE_TOP, {275, 500, 525, 524}},
      {SIDE_LEFT, {76, 175, 100, 425}},   {SIDE_OWN, {275, 76, 525, 100}},
  };
  for (const Case& c : cases) {
    RECT r = painter.GetNamePlateRect(c.side);
    EXPECT_EQ(c.plate.left, r.left) << c.side;
    EXPECT_EQ(c.plate.top, r.top) << c.side;
    EXPECT_EQ(c.plate.right, r.right) << c.side;
    EXPECT_EQ(c.plate.bottom, r.bottom) << c.side;
  }
}

}  // namespace
