#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "framework/BodyWriter.h"
#include "mahjong/MJGameNotify.h"
#include "mahjong/MahjongNotifyCodes.h"
#include "testbed/table/TableBodies.h"
#include "testbed/table/TableRecords.h"
#include "variant/VariantGameInfo.h"

namespace {

struct Host : CMJNotifyHost {
  std::vector<std::string> chat, logs;
  std::string url, departure;
  std::vector<int> popups, started;
  int refreshes = 0, countdowns = 0, unwelcome = -1, playing = 0, waiting = 0, viewMode = 2, relayouts = 0;
  int GetViewMode() override { return viewMode; }
  void RelayoutTableControls() override { ++relayouts; }
  void AppendChat(const std::string& line) override { chat.push_back(line); }
  void MarkSeatStarted(int chair) override { started.push_back(chair); }
  void RestartCountdown() override { ++countdowns; }
  void SetAdvertUrl(const std::string& u) override { url = u; }
  const std::string& GetAdvertUrl() const override { return url; }
  void RefreshRanking() override { ++refreshes; }
  int IsPlaying() override { return playing; }
  void ShowWaitingForTable() override { ++waiting; }
  int IsUnwelcome(int userId) override { return userId == unwelcome; }
  void ShowSeeHandPopup(int userId) override { popups.push_back(userId); }
  void ShowDeparture(const std::string& text) override { departure = text; }
  std::string GetSeatDisplayName(int chair) override { return "p" + std::to_string(chair); }
  void Log(const std::string& line) override { logs.push_back(line); }
};

struct Fixture {
  CVariantGameInfo info;
  CTableEffects effects;
  CMJTableModel model{info, effects};
  Host host;
  CMJGameNotify sink{info, model, host};
  Fixture() {
    info.SetOwnChair(0);
    info.SetNameSource([](int chair) { return "p" + std::to_string(chair); });
  }
  int Send(int code, const std::vector<BYTE>& body, size_t length) { return sink.OnNotify(code, body.data(), length); }
  int Send(int code, const std::vector<BYTE>& body) { return Send(code, body, body.size()); }
};

testbed::TableInfoRecord Hand(int number) {
  testbed::TableInfoRecord t;
  t.handNumber = number;
  t.status = 0x101;
  t.wallStart = 40;
  t.wallHead = 93;
  t.indicatorTile = -1;
  t.handCounts = {14, 13, 13, 13};
  t.ownHand = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
  t.pointStake = 2;
  return t;
}

TEST(MJGameNotify, ShortBodiesAreRefusedBeforeAnyHandler) {
  struct Case {
    int code;
    size_t needed;
  } cases[] = {
      {NTF_PLAYER_STARTED, 16}, {NTF_NEW_HAND, 952},      {NTF_HAND_RESULT, 2120}, {NTF_HAND_SHOWN, 24},
      {NTF_TILE_DISCARDED, 88}, {NTF_HAND_REFRESH, 12},   {NTF_TILE_DRAWN, 12},    {NTF_PENG_ANNOUNCED, 16},
      {NTF_CHI_ANNOUNCED, 16},  {NTF_GANG_ANNOUNCED, 32}, {NTF_PENG_MELD, 48},     {NTF_GANG_ADDED, 48},
      {NTF_FLOWER_REPLACED, 28}, {NTF_PLAYER_BACK_OR_LEFT, 20}, {NTF_SEE_HAND_REQUEST, 4}, {NTF_ADVERT_URL, 33},
  };
  for (const Case& c : cases) {
    Fixture f;
    testbed::BodyData hand = Hand(3).WriteNewHand();
    ASSERT_EQ(1, f.Send(NTF_NEW_HAND, hand));
    f.host.chat.clear();
    std::vector<BYTE> body(c.needed, 0);
    EXPECT_EQ(0, f.Send(c.code, body, c.needed - 1)) << c.code;
    EXPECT_EQ(1u, f.host.logs.size()) << c.code;
    EXPECT_TRUE(f.host.chat.empty()) << c.code;
    EXPECT_TRUE(f.host.popups.empty()) << c.code;
    EXPECT_EQ(3, f.info.GetRoundNumber()) << c.code;
    EXPECT_EQ(1, f.model.IsPlaying()) << c.code;
  }
}

TEST(MJGameNotify, ADiscardRestartsTheCountdownOrLaysTheGdiTableOutAgain) {
  struct Case {
    int viewMode;
    int countdowns, relayouts;
  } cases[] = {{2, 1, 0}, {1, 0, 1}};
  for (const Case& c : cases) {
    Fixture f;
    f.host.viewMode = c.viewMode;
    testbed::BodyData hand = Hand(3).WriteNewHand();
    ASSERT_EQ(1, f.Send(NTF_NEW_HAND, hand));
    testbed::TileDiscardedNote note;
    note.chair = 1;
    note.tile = 20;
    testbed::BodyData body = note.Write();
    EXPECT_EQ(1, f.Send(NTF_TILE_DISCARDED, body)) << c.viewMode;
    EXPECT_EQ(c.countdowns, f.host.countdowns) << c.viewMode;
    EXPECT_EQ(c.relayouts, f.host.relayouts) << c.viewMode;
    // The discard reaches the table in both modes.
    EXPECT_EQ(20, f.model.Tiles().GetTileRecord(MJ_ZONE_PLAYED, f.info.ChairToSide(1), 0)->tileId) << c.viewMode;
  }
}

TEST(MJGameNotify, NewHandAndResultLines) {
  Fixture f;
  testbed::BodyData hand = Hand(3).WriteNewHand();
  ASSERT_EQ(1, f.Send(NTF_NEW_HAND, hand));
  ASSERT_EQ(1u, f.host.chat.size());
  EXPECT_EQ("【第3局】庄：<c=255>p0 <>\r\n         番：<c=255>2<> 分\r\n", f.host.chat[0]);
  EXPECT_EQ(13u, f.model.CountStandingTiles(SIDE_OWN));
  // A new hand whose banker is no seat is refused; the running hand stays.
  testbed::TableInfoRecord bad = Hand(4);
  bad.banker = 6;
  testbed::BodyData badBody = bad.WriteNewHand();
  f.Send(NTF_NEW_HAND, badBody);
  EXPECT_EQ(3, f.info.GetRoundNumber());
  EXPECT_EQ(1u, f.host.logs.size());
  testbed::RoundResultRecord result;
  result.flags = 0x2;
  result.seats.resize(4);
  testbed::BodyData resultBody = result.Write();
  ASSERT_EQ(1, f.Send(NTF_HAND_RESULT, resultBody));
  EXPECT_EQ("【第3局】流局。<>\r\n", f.host.chat.back());
  EXPECT_EQ(0, f.model.IsPlaying());
  // A result that announces more seat entries than it holds is refused.
  resultBody.resize(resultBody.size() - 1);
  EXPECT_EQ(0, f.Send(NTF_HAND_RESULT, resultBody));
}

TEST(MJGameNotify, TextsFromTheServerStayInsideTheirBody) {
  Fixture f;
  // An advert address that fills the body to its last byte, without a terminator.
  std::vector<BYTE> body(40, 'a');
  std::memset(body.data(), 0, 32);
  f.Send(NTF_ADVERT_URL, body);
  EXPECT_EQ(std::string(8, 'a'), f.host.url);
  // An empty address clears it, and a new hand then refreshes no ranking.
  std::vector<BYTE> empty(33, 0);
  f.Send(NTF_ADVERT_URL, empty);
  EXPECT_EQ("", f.host.url);
  testbed::BodyData hand = Hand(1).WriteNewHand();
  f.Send(NTF_NEW_HAND, hand);
  EXPECT_EQ(0, f.host.refreshes);
}

TEST(MJGameNotify, DepartureSeeHandAndSystemLines) {
  Fixture f;
  CBodyWriter closed(28);
  closed.Int(4, 2);
  closed.Int(8, 1);
  closed.Int(20, -30);
  closed.Int(24, -500);
  EXPECT_EQ("p2 已经强行退出，游戏结束。(扣除500两,30分)", f.sink.MakeDepartureText(closed.Data().data(), closed.Size()));
  closed.Int(8, 0);
  EXPECT_EQ("p2 已经离开，游戏结束。", f.sink.MakeDepartureText(closed.Data().data(), closed.Size()));
  EXPECT_EQ("", f.sink.MakeDepartureText(closed.Data().data(), 27));

  f.host.unwelcome = 55;
  CBodyWriter ask(4);
  ask.Int(0, 55);
  f.Send(NTF_SEE_HAND_REQUEST, ask.Data());
  ask.Int(0, 56);
  f.Send(NTF_SEE_HAND_REQUEST, ask.Data());
  EXPECT_EQ(std::vector<int>{56}, f.host.popups);

  struct Case {
    int chair, kind;
    const char* line;
  } cases[] = {
      {1, 1, "<c=255>[系统]<c=4953725>p1重新回到了游戏!\r\n"},
      {3, 2, "<c=255>[系统]<c=4953725>p3离开了游戏!\r\n"},
      {3, 6, nullptr},
      {4, 1, nullptr},
  };
  for (const Case& c : cases) {
    f.host.chat.clear();
    testbed::ChairNote note;
    note.id.chair = c.chair;
    note.kind = c.kind;
    f.Send(NTF_PLAYER_BACK_OR_LEFT, note.Write());
    if (c.line) {
      ASSERT_EQ(1u, f.host.chat.size());
      EXPECT_EQ(c.line, f.host.chat[0]);
    } else {
      EXPECT_TRUE(f.host.chat.empty()) << c.chair << " " << c.kind;
    }
  }
  f.host.playing = 1;
  f.Send(NTF_WAIT_FOR_TABLE, {});
  EXPECT_EQ(0, f.host.waiting);
  testbed::PlayerStartedNote started;
  started.id.chair = 9;
  f.Send(NTF_PLAYER_STARTED, started.Write());
  EXPECT_TRUE(f.host.started.empty());
  started.id.chair = 1;
  f.Send(NTF_PLAYER_STARTED, started.Write());
  EXPECT_EQ(std::vector<int>{1}, f.host.started);
}

TEST(MJGameNotify, RandomSeatingStartsTheHandOfTheNewTable) {
  Fixture f;
  testbed::BodyData hand = Hand(7).WriteNewHand();
  f.sink.OnRandomSeatedExtra(hand.data(), hand.size());
  EXPECT_EQ(7, f.info.GetRoundNumber());
  EXPECT_EQ(1, f.model.IsPlaying());
  // A short record is refused; nothing at all is nothing.
  f.sink.OnRandomSeatedExtra(hand.data(), 100);
  f.sink.OnRandomSeatedExtra(nullptr, 0);
  EXPECT_EQ(1u, f.host.logs.size());
  f.sink.OnTableNotice211920(hand.data(), hand.size());
  EXPECT_EQ(7, f.info.GetRoundNumber());
}

}  // namespace

namespace {

TEST(MJGameNotify, AMeldTheTableCannotLayIsLoggedAndLeavesTheHand) {
  Fixture f;
  testbed::BodyData hand = Hand(3).WriteNewHand();
  ASSERT_EQ(1, f.Send(NTF_NEW_HAND, hand));
  f.host.logs.clear();
  struct Case {
    int code, actor, giver;
  } cases[] = {{NTF_PENG_MELD, 6, 1}, {NTF_CHI_MELD, 0, 7}, {NTF_GANG_EXPOSED, -1, 1}};
  for (const Case& c : cases) {
    testbed::MeldRecord meld;
    meld.id.chair = c.actor;
    meld.otherChair = c.giver;
    meld.tiles = {0, 1, 2, -1};
    testbed::BodyData body = meld.Write();
    f.host.logs.clear();
    EXPECT_EQ(0, f.Send(c.code, body)) << c.code;
    ASSERT_EQ(1u, f.host.logs.size()) << c.code;
    EXPECT_EQ("a meld notification " + std::to_string(c.code) + " could not be laid on the table", f.host.logs[0]);
    EXPECT_EQ(13u, f.model.CountStandingTiles(SIDE_OWN)) << c.code;
  }
}

}  // namespace
