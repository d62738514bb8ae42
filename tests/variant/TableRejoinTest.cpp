// Entering a table whose hand is already under way: the table data that came with the enter
// reply, taken from the testbed table in the middle of a hand, is shown at once by the scene
// (hands, rivers, the played tile, melds, the wall and the clock), the server hears that the
// player is back, and the player plays on from there. An onlooker sees the hand without being
// announced; without table data, or with no hand running, nothing is taken up.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <vector>

#include "engine/EngineUtil.h"
#include "mahjong/MJTableView.h"
#include "mahjong/scene/SceneRequests.h"
#include "testbed/table/MahjongTable.h"
#include "testbed/table/TableBodies.h"
#include "testbed/table/TableRunner.h"
#include "tests/variant/support/TableViewFixture.h"
#include "variant/RequestWait.h"
#include "variant/TableTurn.h"
#include "variant/VariantGameInfo.h"
#include "variant/VariantTableScene.h"

namespace {

constexpr int OWN_USER = 501;

// A moment of a hand at the testbed table: chair 0 is a player who does nothing (the table acts
// for him at its deadlines), chairs 1-3 are computer players.
struct Moment {
  testbed::BodyData own;      // the table data as the player's client gets it
  testbed::BodyData watcher;  // and as an onlooker of chair 0 gets it
  int current = -1;
  bool drawnHeld = false;
  std::vector<int> hands[4];
  std::vector<int> rivers[4];
  int meldTiles[4] = {};
  int melds = 0;
  size_t wallLeft = 0;
};

// Plays seeded hands until the table stands where `wanted` says (with at least one meld on the
// table, so that the melds are shown too).
template <typename Wanted>
bool FindMoment(Wanted wanted, Moment* out) {
  for (uint64_t seed = 1; seed < 200; ++seed) {
    testbed::TableConfig config;
    config.seed = seed;
    testbed::MahjongTable table(config);
    testbed::TableRunner runner(table);
    runner.KeepMessages(false);
    runner.Take(table.SeatHuman(0, OWN_USER));
    for (int chair = 1; chair < 4; ++chair) runner.Take(table.SeatBot(chair, 9001 + chair));
    runner.Take(table.HandleRequest(OWN_USER, REQ_READY,
                                    testbed::IdentityBody{testbed::Identity{OWN_USER, 1, 1, 0}}.Write()));
    while (table.HandsPlayed() == 0 && runner.Step()) {
      int melds = 0;
      for (int c = 0; c < 4; ++c) melds += static_cast<int>(table.Melds(c).size());
      if (melds == 0 || !wanted(table)) continue;
      out->own = table.TableInfoFor(OWN_USER);
      out->watcher = table.TableInfoForOnlooker(0);
      out->current = table.CurrentChair();
      out->drawnHeld = table.CurrentPhase() == testbed::MahjongTable::Phase::AWAIT_DISCARD;
      out->melds = melds;
      for (int c = 0; c < 4; ++c) {
        out->hands[c] = table.Hand(c);
        out->rivers[c] = table.River(c);
        for (const testbed::TableMeld& m : table.Melds(c)) out->meldTiles[c] += static_cast<int>(m.tiles.size());
      }
      // The turned-up indicator is out of the server's wall but stands face up in the table's.
      out->wallLeft = table.CurrentWall().Remaining() + 1;
      return true;
    }
  }
  return false;
}

class TableRejoinTest : public tabletest::TurnTableFixture {
 protected:
  void SetUp() override {
    VariantTableFixture::SetUp();
    LinkGameData();
    m_info.SetOwnChair(0);
    CVariantTableScene::Hooks sceneHooks;
    sceneHooks.isLookOn = [this] { return m_lookOn; };
    sceneHooks.enteredWithTableData = [this] { return m_withData || m_lookOn; };
    sceneHooks.returnToGame = [this] { ++m_returns; };
    sceneHooks.refreshSeats = [this] { ++m_seatRefreshes; };
    MakeScene(sceneHooks);
    CTableTurn::Hooks hooks;
    hooks.redraw = [this] { m_scene->MarkStale(); };
    hooks.restartClock = [this] { m_view.StartClockTimer(); };
    hooks.isLookOn = [this] { return m_lookOn; };
    m_turn.SetHooks(hooks);
    m_scene->AttachTurn(&m_turn);
    OpenScene(false);
  }
  // The enter reply stored the table data; then the table pane starts the scene.
  void Enter(const testbed::BodyData& record) {
    std::memcpy(m_info.GetTableInfo(), record.data(), std::min(record.size(), TableInfoLayout::SIZE));
    m_view.Start();
    Advance(60);
  }
  const MJTile* Place(int zone, int side, int i) const { return m_model.Tiles().GetTileRecord(zone, side, i); }
  std::vector<int> HandOf(int side) const {
    std::vector<int> ids;
    for (int i = 0; i < CTileTable::HAND_SIZE; ++i) {
      const MJTile* t = Place(MJ_ZONE_HAND, side, i);
      if (t->present && t->meldKind == 0) ids.push_back(t->tileId);
    }
    return ids;
  }
  int MeldTilesOf(int side) const {
    int n = 0;
    for (int i = 0; i < CTileTable::HAND_PLACES; ++i) {
      const MJTile* t = Place(MJ_ZONE_HAND, side, i);
      if (t->present && t->meldKind != 0) ++n;
    }
    return n;
  }
  // The river as the table shows it: the laid tiles, then the tile still in its played place.
  std::vector<int> RiverOf(int side) const {
    std::vector<int> ids;
    for (int i = 0; i < m_model.Tiles().RiverCount(side); ++i) ids.push_back(Place(MJ_ZONE_RIVER, side, i)->tileId);
    const MJTile* played = Place(MJ_ZONE_PLAYED, side, 0);
    if (played->present) ids.push_back(played->tileId);
    return ids;
  }
  int WallLeft() const {
    int n = 0;
    for (int i = 0; i < CTileTable::WALL_PLACES; ++i) n += Place(MJ_ZONE_WALL, 0, i)->present ? 1 : 0;
    return n;
  }
  // Everything of the hand the table shows, against the server's table at that moment.
  void ExpectTheHandShown(const Moment& m) {
    ASSERT_EQ(1, m_model.IsPlaying());
    EXPECT_EQ(1, m_scene->HandsResumed());
    EXPECT_EQ(1, m_seatRefreshes);
    for (int chair = 0; chair < 4; ++chair) {
      SCOPED_TRACE("chair " + std::to_string(chair));
      const int side = m_info.ChairToSide(chair);
      std::vector<int> hand = HandOf(side);
      if (side == SIDE_OWN && !m_lookOn) {
        std::vector<int> want = m.hands[chair];
        std::sort(want.begin(), want.end());
        std::sort(hand.begin(), hand.end());
        EXPECT_EQ(want, hand);
      } else {
        EXPECT_EQ(m.hands[chair].size(), hand.size());
        for (int id : hand) EXPECT_EQ(MJ_TILE_HIDDEN, id);
      }
      EXPECT_EQ(m.rivers[chair], RiverOf(side));
      EXPECT_EQ(m.meldTiles[chair], MeldTilesOf(side));
      // Only the chair in turn holds a drawn tile, and only while it must discard.
      EXPECT_EQ(m.drawnHeld && chair == m.current ? 1 : 0, m_model.HasDrawnTile(side));
    }
    EXPECT_EQ(static_cast<int>(m.wallLeft), WallLeft());
    // The clock points at the chair in turn, counting its time: while a discard waits for its
    // claims, that is the chair that plays after the discarder (the chairs play downwards).
    const ClockBlock& clock = m_model.Clock();
    EXPECT_EQ(2 * m_info.ChairToSide(m.drawnHeld ? m.current : (m.current + 3) % 4), clock.pointTo);
    EXPECT_EQ(m.drawnHeld ? m_info.GetDiscardTime() : m_info.GetClaimTime(), clock.remainingSeconds);
    EXPECT_EQ(1, clock.turnActive);
    EXPECT_NE(0u, m_view.GetClockTimerId()) << "the countdown runs";
    // The board shows the own hand; no start button, no dice.
    ASSERT_NE(nullptr, m_scene->StartButton());
    EXPECT_FALSE(m_scene->StartButton()->IsVisible());
    EXPECT_TRUE(m_scene->DiceShown().empty());
    ASSERT_TRUE(m_scene->Pictures().Loaded());
    EXPECT_TRUE(m_scene->StakePanel().Visible()) << "the hand's stake shows";
    int drawn = 0;
    for (int i = 0; i < CTileTable::HAND_SIZE; ++i) {
      const RECT r = m_scene->OwnTileRect(i);
      if (r.right > r.left) ++drawn;
    }
    EXPECT_EQ(static_cast<int>(HandOf(SIDE_OWN).size()), drawn) << "every own tile is on the board";
  }

  void ExpectNothingTakenUp() {
    EXPECT_EQ(0, m_scene->HandsResumed());
    EXPECT_EQ(0, m_model.IsPlaying());
    EXPECT_TRUE(HandOf(SIDE_OWN).empty());
    EXPECT_EQ(0, m_returns);
    ASSERT_NE(nullptr, m_scene->StartButton());
    EXPECT_TRUE(m_scene->StartButton()->IsVisible());
  }

  bool m_lookOn = false;
  bool m_withData = true;
  int m_returns = 0;
  int m_seatRefreshes = 0;
};

bool OwnTurnToDiscard(const testbed::MahjongTable& t) {
  return t.CurrentPhase() == testbed::MahjongTable::Phase::AWAIT_DISCARD && t.CurrentChair() == 0 &&
         t.River(0).size() >= 2;
}
bool ClaimsOnAnotherDiscard(const testbed::MahjongTable& t) {
  return t.CurrentPhase() == testbed::MahjongTable::Phase::CLAIMS && t.CurrentChair() != 0 &&
         t.River(t.CurrentChair()).size() >= 2;
}

TEST_F(TableRejoinTest, APlayerBackInHisTurnSeesTheHandAndDiscardsFromIt) {
  Moment m;
  ASSERT_TRUE(FindMoment(OwnTurnToDiscard, &m));
  Enter(m.own);
  ExpectTheHandShown(m);
  EXPECT_EQ(1, m_returns) << "the server hears that the player is back";
  // The own turn goes on: a click on an own tile discards it.
  const int tile = HandOf(SIDE_OWN).back();
  int place = -1;
  for (int i = 0; i < CTileTable::HAND_SIZE; ++i)
    if (Place(MJ_ZONE_HAND, SIDE_OWN, i)->present && Place(MJ_ZONE_HAND, SIDE_OWN, i)->tileId == tile) place = i;
  ASSERT_GE(place, 0);
  const RECT r = m_scene->OwnTileRect(place);
  const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  SendMessageA(m_view.Window(), WM_MOUSEMOVE, 0, at);
  Advance(70);
  const RECT raised = m_scene->OwnTileRect(place);
  const LPARAM on = MAKELPARAM((raised.left + raised.right) / 2, (raised.top + raised.bottom) / 2);
  SendMessageA(m_view.Window(), WM_LBUTTONDOWN, 0, on);
  SendMessageA(m_view.Window(), WM_LBUTTONUP, 0, on);
  Advance(40);
  ASSERT_EQ(std::vector<int>{REQ_DISCARD}, m_connection.codes);
  int sent = 0;
  std::memcpy(&sent, m_connection.bodies[0].data() + 104, 4);
  EXPECT_EQ(tile, sent);
  EXPECT_EQ(1, Place(MJ_ZONE_PLAYED, SIDE_OWN, 0)->present);
}

TEST_F(TableRejoinTest, APlayerBackWhileOthersClaimSeesTheDiscardInItsPlayedPlace) {
  Moment m;
  ASSERT_TRUE(FindMoment(ClaimsOnAnotherDiscard, &m));
  Enter(m.own);
  ExpectTheHandShown(m);
  EXPECT_EQ(1, m_returns);
  const int side = m_info.ChairToSide(m.current);
  EXPECT_EQ(1, Place(MJ_ZONE_PLAYED, side, 0)->present) << "the last discard still waits for its claims";
  EXPECT_EQ(m.rivers[m.current].back(), Place(MJ_ZONE_PLAYED, side, 0)->tileId);
  // The countdown runs on the view's clock.
  const int before = m_model.Clock().remainingSeconds;
  Advance(1010);
  EXPECT_EQ(before - 1, m_model.Clock().remainingSeconds);
}

TEST_F(TableRejoinTest, AnOnlookerSeesTheHandWithoutBeingAnnounced) {
  Moment m;
  ASSERT_TRUE(FindMoment(OwnTurnToDiscard, &m));
  m_lookOn = true;
  m_withData = false;  // an onlooker's enter reply counts as no player's data
  Enter(m.watcher);
  ExpectTheHandShown(m);
  EXPECT_EQ(0, m_returns);
  EXPECT_TRUE(m_connection.codes.empty());
}

TEST_F(TableRejoinTest, WithoutTableDataTheHandIsNotTakenUp) {
  Moment m;
  ASSERT_TRUE(FindMoment(OwnTurnToDiscard, &m));
  m_withData = false;
  Enter(m.own);
  ExpectNothingTakenUp();
}

// The chair was given up while its player was away and a computer player plays it to the end of
// the hand: the player's enter reply shows that hand with its tiles hidden, and he waits for the
// next one instead of playing a hand that is not his.
TEST_F(TableRejoinTest, AHandWhoseOwnTilesAreHiddenIsAnotherPlayersAndIsNotTakenUp) {
  Moment m;
  ASSERT_TRUE(FindMoment(OwnTurnToDiscard, &m));
  Enter(m.watcher);
  ExpectNothingTakenUp();
  EXPECT_TRUE(m_connection.codes.empty());
}

TEST_F(TableRejoinTest, TableDataWithoutARunningHandIsNotTakenUp) {
  Moment m;
  ASSERT_TRUE(FindMoment(OwnTurnToDiscard, &m));
  testbed::BodyData record = m.own;
  const int idle = 0;
  std::memcpy(record.data() + TableInfoLayout::STATUS, &idle, 4);
  Enter(record);
  ExpectNothingTakenUp();
}

}  // namespace
