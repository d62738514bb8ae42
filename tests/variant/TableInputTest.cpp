// The player's input on the table through a real (headless) window on the stopped clock: the
// mouse raises the own tile under it, a left click on the own turn discards it, the right button
// moves a tile within the hand, the claim buttons light up with an offer and send their claim,
// and the countdown runs on the view's clock timer.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "engine/EngineUtil.h"
#include "mahjong/MJTableView.h"
#include "mahjong/TileRules.h"
#include "mahjong/TurnControl.h"
#include "mahjong/scene/SceneRequests.h"
#include "testbed/table/TableBodies.h"
#include "testbed/table/TableRecords.h"
#include "tests/variant/support/TableViewFixture.h"
#include "variant/RequestWait.h"
#include "variant/TableTurn.h"
#include "variant/VariantGameInfo.h"
#include "variant/VariantTableScene.h"

namespace {

int Id(int suit, int value, int copy) { return suit * 36 + copy * 9 + value - 1; }

class Connection : public CMJGameConnection {
 public:
  Connection() : CMJGameConnection(nullptr, 0, 0, 0) {}
  int IsConnected() override { return 1; }
  std::vector<int> codes;
  std::vector<std::vector<BYTE>> bodies;

 protected:
  int Exchange(CString&, int code, int* length, const BYTE* body, int* result, BYTE** replyData, int wait) override {
    codes.push_back(code);
    bodies.emplace_back(body, body + *length);
    if (replyData) *replyData = nullptr;
    *result = wait == 1 ? 10 : 0;
    *length = 0;
    return 1;
  }
};

class TableInputTest : public tabletest::VariantTableFixture {
 protected:
  void SetUp() override {
    VariantTableFixture::SetUp();
    m_info.SetOwnChair(0);
    CVariantTableScene::Hooks sceneHooks;
    sceneHooks.dice = [this](int dice[4]) { m_info.GetDice(dice); };
    sceneHooks.voiceFolder = [](int side) { return std::string("sound\\0") + std::to_string(side) + "\\"; };
    sceneHooks.isSilent = [this] { return m_silent; };
    sceneHooks.playVoiceFile = [this](const std::string& path) { m_voices.push_back(path); };
    MakeScene(sceneHooks);
    CTableTurn::Hooks hooks;
    hooks.redraw = [this] { m_scene->MarkStale(); };
    hooks.restartClock = [this] { m_view.StartClockTimer(); };
    m_turn.SetHooks(hooks);
    m_scene->AttachTurn(&m_turn);
    OpenScene();
  }
  // A hand with the own chair in turn holding its drawn tile (listed first).
  void Deal(const std::vector<int>& own, bool ownTurn, std::array<int, 4> dice = {}) {
    testbed::TableInfoRecord t;
    t.dice = dice;
    t.status = 0x1 | (ownTurn ? 0x100 : 0);
    t.currentChair = ownTurn ? 0 : 1;
    t.discardTime = 15;
    t.claimTime = 10;
    t.wallStart = 40;
    t.wallHead = 93;
    t.indicatorTile = -1;
    t.handCounts = {static_cast<int>(own.size()), 13, 13, 13};
    t.ownHand = own;
    testbed::BodyData body = t.WriteNewHand();
    m_info.CopyTableInfo(body.data(), body.size());
    m_model.ResetRound();
    Advance(60);  // the scene sees the hand start
  }
  static LPARAM Centre(const RECT& r) { return MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2); }
  void Move(LPARAM at) {
    SendMessageA(m_view.Window(), WM_MOUSEMOVE, 0, at);
    Advance(70);  // the move reaches the scene, and a frame draws what it changed
  }
  void Press(UINT down, UINT up, LPARAM at) {
    Move(at);
    SendMessageA(m_view.Window(), down, 0, at);
    SendMessageA(m_view.Window(), up, 0, at);
    Advance(40);
  }
  const MJTile* Own(int i) const { return m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, i); }
  int PlaceOf(int tile) const {
    for (int i = 0; i < CTileTable::HAND_SIZE; ++i)
      if (Own(i)->present && Own(i)->meldKind == 0 && Own(i)->tileId == tile) return i;
    return -1;
  }

  bool m_silent = false;
  std::vector<std::string> m_voices;
  Connection m_connection;
  CSceneRequests m_requests{m_connection, m_model, Identity()};
  CRequestWait m_wait;
  CTableTurn m_turn{m_model, m_info, m_requests, m_wait};

  static CSceneRequests::Identity Identity() {
    CSceneRequests::Identity id;
    id.context = [] {
      RequestContext c;
      c.userId = 501;
      c.chair = 0;
      return c;
    };
    return id;
  }
};

std::vector<int> Hand() {
  return {Id(1, 9, 0), Id(0, 2, 0), Id(0, 3, 0), Id(0, 4, 0), Id(0, 5, 0), Id(0, 6, 0), Id(0, 7, 0),
          Id(0, 8, 0), Id(1, 1, 0), Id(1, 1, 1), Id(1, 5, 0), Id(2, 2, 0), Id(2, 3, 0), Id(2, 7, 0)};
}

TEST_F(TableInputTest, TheMouseRaisesATileAndAClickOnTheOwnTurnDiscardsIt) {
  Deal(Hand(), true);
  const int place = PlaceOf(Id(0, 5, 0));
  ASSERT_GE(place, 0);
  const RECT rest = m_scene->OwnTileRect(place);
  ASSERT_LT(rest.left, rest.right) << "the own tile was not drawn";
  Move(Centre(rest));
  EXPECT_LT(m_scene->OwnTileRect(place).top, rest.top) << "the tile under the mouse stands raised";
  Press(WM_LBUTTONDOWN, WM_LBUTTONUP, Centre(m_scene->OwnTileRect(place)));
  ASSERT_EQ(std::vector<int>{REQ_DISCARD}, m_connection.codes);
  int sent = 0;
  std::memcpy(&sent, m_connection.bodies[0].data() + 104, 4);
  EXPECT_EQ(Id(0, 5, 0), sent);
  EXPECT_EQ(-1, PlaceOf(Id(0, 5, 0)));
  EXPECT_EQ(1, m_model.Tiles().GetTileRecord(MJ_ZONE_PLAYED, SIDE_OWN, 0)->present);
  // Not the own turn any more: another click sends nothing.
  const int other = PlaceOf(Id(0, 6, 0));
  Press(WM_LBUTTONDOWN, WM_LBUTTONUP, Centre(m_scene->OwnTileRect(other)));
  EXPECT_EQ(1u, m_connection.codes.size());
}

TEST_F(TableInputTest, TheRightButtonMovesATileWithinTheHand) {
  std::vector<int> dealt = Hand();
  dealt.erase(dealt.begin());
  Deal(dealt, false);
  // The hand stands sorted; drag the leftmost standing tile onto the right half of the fourth.
  const int from = CTileTable::FIRST_STANDING;
  const int dragged = Own(from)->tileId;
  const int target = from + 3;
  const int targetTile = Own(target)->tileId;
  const RECT onto = m_scene->OwnTileRect(target);
  ASSERT_LT(onto.left, onto.right);
  Move(Centre(m_scene->OwnTileRect(from)));
  const RECT grabbed = m_scene->OwnTileRect(from);
  SendMessageA(m_view.Window(), WM_RBUTTONDOWN, 0, Centre(grabbed));
  Advance(20);
  EXPECT_EQ(from, m_scene->DragIndex());
  // The plain board lifts a drawn copy of the tile that goes with the mouse.
  const CDragPicture& picture = m_scene->DragPicture();
  EXPECT_TRUE(picture.Active());
  const LPARAM drop = MAKELPARAM(onto.right - 3, (onto.top + onto.bottom) / 2);
  Move(drop);
  EXPECT_EQ(onto.right - 3, picture.Centre().x) << "grabbed by its middle, the copy's middle is under the mouse";
  SendMessageA(m_view.Window(), WM_RBUTTONUP, 0, drop);
  Advance(40);
  EXPECT_EQ(dragged, Own(target)->tileId);
  EXPECT_EQ(targetTile, Own(target - 1)->tileId);
  EXPECT_EQ(-1, m_scene->DragIndex());
  EXPECT_FALSE(picture.Active());
  // Every id is still in the hand, and nothing was sent.
  std::vector<int> ids;
  for (int i = 0; i < CTileTable::HAND_SIZE; ++i)
    if (Own(i)->present) ids.push_back(Own(i)->tileId);
  std::sort(ids.begin(), ids.end());
  std::sort(dealt.begin(), dealt.end());
  EXPECT_EQ(dealt, ids);
  EXPECT_TRUE(m_connection.codes.empty());
}

TEST_F(TableInputTest, ClaimButtonsLightWithTheOfferAndSendTheirClaim) {
  std::vector<int> hand = Hand();
  hand.erase(hand.begin());
  Deal(hand, false);
  EXPECT_EQ(m_scene->ClaimButtonRect(CLAIM_PASS).right, 0) << "no offer, no button to press";
  testbed::TileDiscardedNote n;
  n.chair = 2;
  n.tile = Id(1, 1, 2);
  n.words = {MJOP_PENG | MJOP_PASS, 0, 0, 0};
  testbed::BodyData note = n.Write();
  ASSERT_TRUE(m_model.OnTileDiscarded(note.data(), note.size()));
  Advance(40);
  const RECT pass = m_scene->ClaimButtonRect(CLAIM_PASS);
  ASSERT_LT(pass.left, pass.right);
  EXPECT_EQ(m_scene->ClaimButtonRect(CLAIM_GANG).right, 0);
  Press(WM_LBUTTONDOWN, WM_LBUTTONUP, Centre(pass));
  EXPECT_EQ(std::vector<int>{REQ_PASS}, m_connection.codes);
  EXPECT_FALSE(m_turn.IsButtonActive(CLAIM_PENG));
  Advance(40);
  EXPECT_EQ(m_scene->ClaimButtonRect(CLAIM_PASS).right, 0);
}

TEST_F(TableInputTest, AClickOrARightPressOnTheTableEndsManagedPlay) {
  Deal(Hand(), false);
  for (UINT down : {WM_LBUTTONDOWN, WM_RBUTTONDOWN}) {
    m_turn.SetManagedPlay(true);
    ASSERT_TRUE(m_turn.IsManagedPlay());
    const LPARAM away = MAKELPARAM(600, 300);
    Move(away);
    SendMessageA(m_view.Window(), down, 0, away);
    Advance(40);
    EXPECT_FALSE(m_turn.IsManagedPlay()) << down;
    SendMessageA(m_view.Window(), down == WM_LBUTTONDOWN ? WM_LBUTTONUP : WM_RBUTTONUP, 0, away);
    Advance(40);
  }
  EXPECT_TRUE(m_connection.codes.empty());
}

TEST_F(TableInputTest, TheDiceRollAtTheStartOfAHandAndAValueOutOfRangeShowsNoDie) {
  struct Case {
    std::array<int, 4> dice;
    std::vector<int> firstThrow;   // strips resting at the end of the first throw
    std::vector<int> secondThrow;  // and of the second
  };
  const Case cases[] = {
      {{3, 5, 0, 0}, {2, 10}, {}},
      {{3, 5, 2, 6}, {2, 10}, {1, 11}},
      {{7, 5, 0, 0}, {10}, {}},         // a 7 is no die
      {{3, 0, 9, 4}, {2}, {9}},         // a second throw with one die out of range
      {{0, 0, 0, 0}, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.dice));
    m_model.ResetRound();
    m_info.SetTableStatus(0);
    m_model.RebuildFromGameInfo();
    Advance(40);  // the table stops playing
    Deal(Hand(), false, c.dice);
    auto resting = [this] {
      std::vector<int> strips;
      for (const auto& d : m_scene->DiceShown()) {
        EXPECT_EQ(8, d.frame);
        strips.push_back(d.strip);
      }
      return strips;
    };
    Advance(CVariantTableScene::THROW_MS - 200);
    EXPECT_EQ(c.firstThrow, resting());
    Advance(CVariantTableScene::THROW_MS);
    EXPECT_EQ(c.secondThrow, resting());
    Advance(CVariantTableScene::THROW_MS);
    EXPECT_TRUE(m_scene->DiceShown().empty());
  }
}

TEST_F(TableInputTest, DiscardsAndClaimsAreVoicedFromTheSidesFolderUnlessSilenced) {
  std::vector<int> hand = Hand();
  hand.erase(hand.begin());
  Deal(hand, false);
  testbed::TileDiscardedNote n;
  n.chair = 2;
  n.tile = Id(2, 7, 1);  // the 7 of the third suit: voice 27
  n.words = {MJOP_PASS, 0, 0, 0};
  testbed::BodyData note = n.Write();
  m_voices.clear();
  ASSERT_TRUE(m_model.OnTileDiscarded(note.data(), note.size()));
  ASSERT_FALSE(m_voices.empty());
  const int side = m_info.ChairToSide(2);
  EXPECT_EQ("sound\\0" + std::to_string(side) + "\\27.wav", m_voices.back());
  m_silent = true;
  m_voices.clear();
  m_scene->PlayActionVoice(3, "peng0");
  EXPECT_TRUE(m_voices.empty());
}

TEST_F(TableInputTest, TheClockTimerCountsTheTurnDown) {
  Deal(Hand(), true);
  ASSERT_EQ(15, m_model.Clock().remainingSeconds);
  Advance(3000);
  EXPECT_EQ(12, m_model.Clock().remainingSeconds);
}

}  // namespace
