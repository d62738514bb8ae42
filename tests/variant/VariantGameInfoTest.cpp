#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "framework/BodyWriter.h"
#include "testbed/table/TableRecords.h"
#include "variant/VariantGameInfo.h"

namespace {

testbed::TableInfoRecord SampleRecord() {
  testbed::TableInfoRecord t;
  t.absent = {0, 1, 0, 0};
  t.handNumber = 3;
  t.silverStake = 100;
  t.pointStake = 7;
  t.banker = 2;
  t.word48 = 48;
  t.currentChair = 1;
  t.status = 0x101;
  t.drawFlags = 0x8;
  t.discardTime = 15;
  t.word76 = 76;
  t.silverTable = 1;
  t.leaveByRequest = 1;
  t.dice = {1, 2, 3, 4};
  t.quickPass = 1;
  t.fifthButton = 1;
  t.concealedGangFace = 200;
  t.jokerSortFlag = 0;
  t.substituteFlag = 1;
  t.wallStart = 40;
  t.indicatorPosition = 38;
  t.joker1 = 5;
  t.joker2 = -1;
  t.indicatorTile = 4;
  t.tailTaken = 2;
  t.wallHead = 93;
  t.claimTime = 8;
  t.autoPlayDelay = 2;
  t.lastSilver = {10, -10, 20, -20};
  t.totalSilver = {1, 2, 3, 4};
  t.handCounts = {13, 13, 14, 13};
  t.ownHand = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
  t.flowers[2] = {136, 137};
  t.minHands = 8;
  return t;
}

struct Fixture {
  CVariantGameInfo info;
  Fixture() {
    info.SetOwnChair(0);
    info.SetNameSource([](int chair) { return std::string("p") + std::to_string(chair); });
  }
};

TEST(VariantGameInfo, NewHandBodyFromTheServerReadsFieldForField) {
  Fixture f;
  testbed::TableInfoRecord t = SampleRecord();
  testbed::BodyData body = t.WriteNewHand();
  ASSERT_EQ(952u, body.size());
  ASSERT_TRUE(f.info.CopyTableInfo(body.data(), body.size()));
  CGameInfo& g = f.info;
  EXPECT_EQ(3, g.GetRoundNumber());
  EXPECT_EQ(100, g.GetSilverStake());
  EXPECT_EQ(7, g.GetPointStake());
  EXPECT_EQ(2, g.GetBankerChair());
  EXPECT_EQ(48, g.GetWord48());
  EXPECT_EQ(1, g.GetCurrentChair());
  EXPECT_EQ(1, g.IsHandRunning());
  EXPECT_EQ(1, g.IsDrawnTileHeld());
  EXPECT_EQ(0x8, g.GetDrawFlags());
  EXPECT_EQ(15, g.GetDiscardTime());
  EXPECT_EQ(76, g.GetWord76());
  EXPECT_EQ(1, g.PlaysForSilver());
  EXPECT_EQ(1, g.IsLeaveByRequest());
  int dice[4];
  g.GetDice(dice);
  EXPECT_EQ((std::vector<int>{1, 2, 3, 4}), std::vector<int>(dice, dice + 4));
  EXPECT_EQ(1, g.GetQuickPass());
  EXPECT_EQ(1, g.HasFifthBarButton());
  EXPECT_EQ(200, g.GetConcealedGangFace());
  EXPECT_EQ(0, g.GetJokerSortFlag());
  EXPECT_EQ(1, g.GetSubstituteFlag());
  EXPECT_EQ(40, g.GetWallStart());
  EXPECT_EQ(38, g.GetIndicatorPosition());
  EXPECT_EQ(5, g.GetJokerTile1());
  EXPECT_EQ(-1, g.GetJokerTile2());
  EXPECT_EQ(4, g.GetIndicatorTile());
  EXPECT_EQ(1, g.HasTreasureIndicator());
  EXPECT_EQ(2, g.GetTailTaken());
  EXPECT_EQ(93, g.GetWallHead());
  EXPECT_EQ(8, g.GetClaimTime());
  EXPECT_EQ(2, g.GetAutoPlayDelay());
  EXPECT_EQ(1, g.GetAbsentFlag(1));
  EXPECT_EQ(0, g.GetAbsentFlag(7));
  EXPECT_EQ(-20, g.GetLastHandSilver(3));
  EXPECT_EQ(4, g.GetTotalSilver(3));
  EXPECT_EQ(14, g.GetHandTileCount(2));
  EXPECT_EQ(0, g.GetHandTileCount(4));
  int own[32];
  EXPECT_EQ(13, g.GetOwnTileList(own));
  EXPECT_EQ(13, own[12]);
  EXPECT_EQ(8, f.info.GetMinHands());
  EXPECT_EQ(137, g.Word(TableInfoLayout::FLOWERS + 2 * 36 * 4 + 4));
}

TEST(VariantGameInfo, ResyncRecordFromTheServerFillsTheSnapshot) {
  Fixture f;
  testbed::TableInfoRecord t = SampleRecord();
  t.rivers[1] = {20, 21, 22};
  t.leaveRequests = {0, 0, 2, 0};
  testbed::SnapshotMeld meld;
  meld.tiles = {30, 31, 32, 33};
  meld.source = 3;
  t.melds[testbed::FAMILY_EXPOSED_GANG][1].push_back(meld);
  testbed::BodyData record = t.Write();
  ASSERT_EQ(TableInfoLayout::SIZE, record.size());
  // The framework's resync writes the table data straight into the record.
  std::memcpy(f.info.GetTableInfo(), record.data(), record.size());
  CGameInfo& g = f.info;
  EXPECT_EQ(22, g.Word(TableInfoLayout::RIVERS + 36 * 4 + 8));
  EXPECT_EQ(3, g.Word(TableInfoLayout::RIVER_COUNTS + 4));
  EXPECT_EQ(2, g.Word(TableInfoLayout::LEAVE_REQUESTS + 8));
  const size_t family = TableInfoLayout::MELDS + 2 * TableInfoLayout::MELD_FAMILY_SIZE;
  const size_t chair1 = family + 1 * TableInfoLayout::MELDS_PER_CHAIR * TableInfoLayout::MELD_INTS * 4;
  EXPECT_EQ(33, g.Word(chair1 + 12));
  EXPECT_EQ(3, g.Word(chair1 + 16));
  EXPECT_EQ(1, g.Word(family + 4 * TableInfoLayout::MELDS_PER_CHAIR * TableInfoLayout::MELD_INTS * 4 + 4));
  EXPECT_EQ(g.GetTableInfo() + 196, g.GetTableSnapshot());
}

TEST(VariantGameInfo, NewHandsThatDoNotFitTheTableAreRefused) {
  struct Case {
    const char* what;
    void (*change)(testbed::TableInfoRecord&);
    size_t cut;
  } cases[] = {
      {"short body", [](testbed::TableInfoRecord&) {}, 951},
      {"banker chair 4", [](testbed::TableInfoRecord& t) { t.banker = 4; }, 0},
      {"current chair -1", [](testbed::TableInfoRecord& t) { t.currentChair = -1; }, 0},
      {"wall start 136", [](testbed::TableInfoRecord& t) { t.wallStart = 136; }, 0},
      {"wall head -2", [](testbed::TableInfoRecord& t) { t.wallHead = -2; }, 0},
      {"tail 137", [](testbed::TableInfoRecord& t) { t.tailTaken = 137; }, 0},
      {"indicator place 500", [](testbed::TableInfoRecord& t) { t.indicatorPosition = 500; }, 0},
  };
  for (const Case& c : cases) {
    Fixture f;
    testbed::BodyData good = SampleRecord().WriteNewHand();
    ASSERT_TRUE(f.info.CopyTableInfo(good.data(), good.size()));
    testbed::TableInfoRecord t = SampleRecord();
    t.handNumber = 4;
    c.change(t);
    testbed::BodyData bad = t.WriteNewHand();
    size_t length = c.cut ? c.cut : bad.size();
    EXPECT_FALSE(f.info.CopyTableInfo(bad.data(), length)) << c.what;
    EXPECT_EQ(3, f.info.GetRoundNumber()) << c.what;  // the last hand stays
  }
  // Three players: chair 3 is no seat.
  Fixture three;
  three.info.SetPlayerCount(3);
  testbed::TableInfoRecord t = SampleRecord();
  t.banker = 3;
  testbed::BodyData body = t.WriteNewHand();
  EXPECT_FALSE(three.info.CopyTableInfo(body.data(), body.size()));
  // An indicator place is only checked while an indicator is turned up.
  t = SampleRecord();
  t.indicatorTile = -1;
  t.indicatorPosition = -1;
  body = t.WriteNewHand();
  Fixture f;
  EXPECT_TRUE(f.info.CopyTableInfo(body.data(), body.size()));
  EXPECT_EQ(0, f.info.HasTreasureIndicator());
}

TEST(VariantGameInfo, StatusWordAndOwnList) {
  Fixture f;
  struct Case {
    int status, running, held;
  } cases[] = {{0x101, 1, 1}, {0x100, 0, 1}, {0x1, 1, 0}, {0, 0, 0}};
  for (const Case& c : cases) {
    f.info.SetTableStatus(c.status);
    EXPECT_EQ(c.status, f.info.GetTableStatus());
    EXPECT_EQ(c.running, f.info.IsHandRunning());
    EXPECT_EQ(c.held, f.info.IsDrawnTileHeld());
  }
  CBodyWriter w(TableInfoLayout::SIZE);
  for (int i = 0; i < 32; ++i) w.Int(TableInfoLayout::OWN_HAND + 4 * i, i);
  std::memcpy(f.info.GetTableInfo(), w.Data().data(), w.Size());
  int own[32];
  EXPECT_EQ(32, f.info.GetOwnTileList(own));
  w.Int(TableInfoLayout::OWN_HAND, -1);
  std::memcpy(f.info.GetTableInfo(), w.Data().data(), w.Size());
  EXPECT_EQ(0, f.info.GetOwnTileList(own));
}

testbed::RoundResultRecord SampleResult() {
  testbed::RoundResultRecord r;
  r.flags = 0x2000000;
  r.banker = 2;
  r.silverPerPoint = 100;
  r.win = {0, 1, 0, 1};
  r.firstShown = 1;
  r.winTile = 44;
  r.finalTiles[1] = {1, 2, 3, 44};
  r.itemNames = "底分|自摸";
  for (int i = 0; i < 4; ++i) {
    testbed::RoundSeatEntry e;
    e.total = 100 * (i + 1);
    r.seats.push_back(e);
  }
  return r;
}

TEST(VariantGameInfo, RoundResultFromTheServer) {
  Fixture f;
  testbed::BodyData body = SampleResult().Write();
  ASSERT_EQ(4, f.info.CopyRoundResult(body.data(), body.size()));
  EXPECT_EQ(0, f.info.IsDrawnHand());
  EXPECT_EQ(1, f.info.IsWinTileInHand());
  EXPECT_EQ(1, f.info.GetFirstShownChair());
  EXPECT_EQ(44, f.info.ResultWord(RoundResultLayout::WIN_TILE));
  int list[32];
  EXPECT_EQ(4, f.info.GetFinalTiles(1, list));
  EXPECT_EQ(44, list[3]);
  EXPECT_EQ(0, f.info.GetFinalTiles(5, list));
  EXPECT_EQ("底分", f.info.GetResultItemName(0));
  EXPECT_EQ("自摸", f.info.GetResultItemName(1));
  EXPECT_EQ("", f.info.GetResultItemName(2));
  EXPECT_EQ(400, f.info.GetSeatEntryWord(3, 140));
  // Two winners at hand 5: the names joined by one comma.
  CBodyWriter w(952);
  w.Int(TableInfoLayout::ROUND_NUMBER, 5);
  std::memcpy(f.info.GetTableInfo(), w.Data().data(), 196);
  EXPECT_EQ("【第5局】胡：<c=255>p1,p3 <>\r\n", f.info.FormatHandSummary());
}

TEST(VariantGameInfo, RoundResultEntriesAreBoundedByTheBody) {
  // Six entries announced: four stored, six returned.
  testbed::RoundResultRecord r = SampleResult();
  r.seats.resize(6);
  testbed::BodyData body = r.Write();
  Fixture f;
  EXPECT_EQ(6, f.info.CopyRoundResult(body.data(), body.size()));
  // A body that announces more entries than it holds is refused and the last result stays.
  testbed::BodyData shortBody = SampleResult().Write();
  CBodyWriter drawn(shortBody.size());
  std::memcpy(drawn.Data().data(), shortBody.data(), shortBody.size());
  drawn.Int(RoundResultLayout::FLAGS, 2);
  EXPECT_EQ(-1, f.info.CopyRoundResult(drawn.Data().data(), drawn.Size() - 1));
  EXPECT_EQ(-1, f.info.CopyRoundResult(drawn.Data().data(), 2119));
  EXPECT_EQ(0, f.info.IsDrawnHand());
  drawn.Int(RoundResultLayout::ENTRY_COUNT, -3);
  EXPECT_EQ(-1, f.info.CopyRoundResult(drawn.Data().data(), drawn.Size()));
  // Item names that fill their field to the end are still cut inside the block.
  drawn.Int(RoundResultLayout::ENTRY_COUNT, 0);
  std::memset(drawn.Data().data() + RoundResultLayout::ITEM_NAMES, 'a', RoundResultLayout::ITEM_NAMES_SIZE);
  EXPECT_EQ(0, f.info.CopyRoundResult(drawn.Data().data(), RoundResultLayout::BLOCK_SIZE));
  EXPECT_EQ(1, f.info.IsDrawnHand());
  EXPECT_EQ(RoundResultLayout::ITEM_NAMES_SIZE - 1, f.info.GetResultItemName(0).size());
  CBodyWriter hand(952);
  hand.Int(TableInfoLayout::ROUND_NUMBER, 9);
  std::memcpy(f.info.GetTableInfo(), hand.Data().data(), 196);
  EXPECT_EQ("【第9局】流局。<>\r\n", f.info.FormatHandSummary());
}

TEST(VariantGameInfo, NewHandLineAndLeaving) {
  Fixture f;
  CBodyWriter w(TableInfoLayout::SIZE);
  w.Int(TableInfoLayout::ROUND_NUMBER, 3);
  w.Int(TableInfoLayout::BANKER, 1);
  w.Int(TableInfoLayout::PLAYS_FOR_SILVER, 1);
  w.Int(TableInfoLayout::SILVER_STAKE, 100);
  std::memcpy(f.info.GetTableInfo(), w.Data().data(), w.Size());
  EXPECT_EQ("【第3局】庄：<c=255>p1 <>\r\n         番：<c=255>100<> 两\r\n", f.info.FormatRoundResult());
  w.Int(TableInfoLayout::PLAYS_FOR_SILVER, 0);
  w.Int(TableInfoLayout::POINT_STAKE, 2);
  std::memcpy(f.info.GetTableInfo(), w.Data().data(), w.Size());
  EXPECT_EQ("【第3局】庄：<c=255>p1 <>\r\n         番：<c=255>2<> 分\r\n", f.info.FormatRoundResult());

  struct Case {
    int minHands, hand, running, flag, answer;
  } cases[] = {
      {0, 5, 1, 0, 1}, {8, 0, 0, 0, 1}, {8, 5, 0, 0, 0}, {8, 8, 0, 0, 1}, {8, 9, 1, 0, 1},
      {8, 8, 1, 1, 1}, {8, 8, 1, 0, 0}, {8, 7, 1, 1, 0},
  };
  for (const Case& c : cases) {
    w.Int(TableInfoLayout::MIN_HANDS, c.minHands);
    w.Int(TableInfoLayout::ROUND_NUMBER, c.hand);
    w.Int(TableInfoLayout::STATUS, c.running);
    std::memcpy(f.info.GetTableInfo(), w.Data().data(), w.Size());
    EXPECT_EQ(c.answer, f.info.CanLeaveNow(c.flag)) << c.minHands << " " << c.hand << " " << c.running;
  }
}

TEST(VariantGameInfo, PaneSizes) {
  CVariantGameInfo info;
  CGameInfo::PaneFacts f;
  f.screenWidth = 1024;
  f.screenHeight = 768;
  EXPECT_EQ(796, info.GetTablePaneWidth(f));
  EXPECT_EQ(128, info.GetChatPaneHeight(f));
  EXPECT_EQ(36, info.GetOperatePaneHeight(f));
  EXPECT_EQ(4 * 32 + 72, info.GetPlayerPaneHeight(f));
  EXPECT_EQ(4 * 24 + 68, info.GetAdvertPaneHeight(f));
  f.seatedPlayer = f.roomOptionBit3 = true;
  EXPECT_EQ(104, info.GetPlayerPaneHeight(f));
  f.smallScreen = true;
  info.SetThirdTableWord(2);
  EXPECT_EQ(786, info.GetTablePaneWidth(f));
  EXPECT_EQ(72, info.GetOperatePaneHeight(f));
  EXPECT_EQ(72, info.GetPlayerPaneHeight(f));
  f.seatedPlayer = false;
  info.SetPlayerCount(3);
  EXPECT_EQ(3 * 16 + 56, info.GetPlayerPaneHeight(f));
  EXPECT_EQ(3 * 16 + 68, info.GetAdvertPaneHeight(f));
  f.hasApplication = false;
  EXPECT_EQ(0, info.GetPlayerPaneHeight(f));
}

}  // namespace
