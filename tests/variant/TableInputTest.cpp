// The player's input on the table through a real (headless) window on the stopped clock: the
// mouse raises the own tile under it, a left click on the own turn discards it, the right button
// moves a tile within the hand, the claim buttons light up with an offer and send their claim,
// and the countdown runs on the view's clock timer.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <set>
#include <map>
#include <vector>

#include "engine/EngineUtil.h"
#include "engine/PictureEntity.h"
#include "mahjong/MJTableView.h"
#include "mahjong/TileRules.h"
#include "mahjong/TurnControl.h"
#include "mahjong/scene/SceneRequests.h"
#include "platform/display/Display.h"
#include "mahjong/scene/TilePictures.h"
#include "testbed/table/TableBodies.h"
#include "testbed/table/TableRecords.h"
#include "tests/variant/support/TableViewFixture.h"
#include "variant/RequestWait.h"
#include "variant/TableTurn.h"
#include "variant/VariantGameInfo.h"
#include "variant/VariantTableScene.h"

namespace {

int Id(int suit, int value, int copy) { return suit * 36 + copy * 9 + value - 1; }

// The scene with the commands it took and when: the hand start's steps, and for a deal or a
// reveal step the side it showed.
class RecordingScene : public CVariantTableScene {
 public:
  using CVariantTableScene::CVariantTableScene;
  struct Step {
    uint32_t code;
    int side;
    DWORD at;
  };
  std::vector<Step> steps;
  int OnCommand(Event event) override {
    bool hands[4], flowers[4];
    for (int s = 0; s < 4; ++s) hands[s] = IsHandShown(s), flowers[s] = AreFlowersShown(s);
    const int result = CVariantTableScene::OnCommand(event);
    if ((event.code >= CMD_DEAL && event.code <= CMD_FLOWER_REPLACEMENT) || event.code == CMD_DRAWN_TILE_SLID ||
        event.code == CMD_JOKER_MARK_END) {
      int side = -1;
      for (int s = 0; s < 4; ++s)
        if ((!hands[s] && IsHandShown(s)) || (!flowers[s] && AreFlowersShown(s))) side = s;
      steps.push_back({event.code, side, GetTickCount()});
    }
    return result;
  }
  int Count(uint32_t code) const {
    return static_cast<int>(std::count_if(steps.begin(), steps.end(), [code](const Step& s) { return s.code == code; }));
  }
  const Step* Find(uint32_t code, size_t from = 0) const {
    for (size_t i = from; i < steps.size(); ++i)
      if (steps[i].code == code) return &steps[i];
    return nullptr;
  }
};

class TableInputTest : public tabletest::TurnTableFixture {
 protected:
  void SetUp() override {
    VariantTableFixture::SetUp();
    // The program folder gets the game data the build generated when the tiles are pictured.
    if (WithSkins()) LinkGameData();
    m_info.SetOwnChair(0);
    CVariantTableScene::Hooks sceneHooks;
    sceneHooks.dice = [this](int dice[4]) { m_info.GetDice(dice); };
    sceneHooks.voiceFolder = [](int side) { return std::string("sound\\0") + std::to_string(side) + "\\"; };
    sceneHooks.isSilent = [this] { return m_silent; };
    sceneHooks.playVoiceFile = [this](const std::string& path) { m_voices.push_back(path); };
    sceneHooks.isLookOn = [this] { return m_lookOn; };
    sceneHooks.log = [this](const std::string& line) { m_logs.push_back(line); };
    // The model's new hands, notifications and resyncs reach the scene's hand start.
    m_forward.handStart = true;
    m_rec = new RecordingScene(m_model);
    MakeScene(sceneHooks, m_rec);
    CTableTurn::Hooks hooks;
    hooks.isLookOn = [this] { return m_lookOn; };
    hooks.redraw = [this] { m_scene->MarkStale(); };
    hooks.restartClock = [this] { m_view.StartClockTimer(); };
    hooks.replacementLater = [this](uint32_t command, const BYTE* record) { m_scene->ReplacementLater(command, record); };
    hooks.tileDrawn = [this] { m_scene->SlideDrawnTile(); };
    m_turn.SetHooks(hooks);
    m_scene->AttachTurn(&m_turn);
    OpenScene();
  }
  virtual bool WithSkins() const { return false; }
  // The hand ends (the table stops playing), so that the next deal starts a hand of its own.
  void EndHand() {
    m_model.ResetRound();
    m_info.SetTableStatus(0);
    m_model.RebuildFromGameInfo();
    Advance(40);
  }
  // The tile control an own place answers through (null: none).
  ControlRecord* ControlOf(int place) const {
    const CTileControlPool& pool = m_scene->TileControls();
    for (int c = 1; c <= CTileControlPool::CONTROLS; ++c) {
      ControlRecord* record = pool.Record(c);
      const TileEntityRow* row = record != nullptr ? pool.RowOfKey(record->key) : nullptr;
      if (row != nullptr && row->zone == MJ_ZONE_HAND && row->side == SIDE_OWN && row->index == place) return record;
    }
    return nullptr;
  }
  static uint32_t SlotCode(const ControlRecord* c, uint32_t slot) {
    const EventBinding* b = c != nullptr && c->bindings ? &(*c->bindings)[slot] : nullptr;
    return b != nullptr ? b->code : 0;
  }
  int SentTile(size_t request) const {
    int sent = -1;
    if (request < m_connection.bodies.size()) std::memcpy(&sent, m_connection.bodies[request].data() + 104, 4);
    return sent;
  }
  bool Logged(const std::string& line) const {
    return std::find(m_logs.begin(), m_logs.end(), line) != m_logs.end();
  }
  // Every bound tile control points at an own standing tile's row that its record still names.
  void ExpectControlsOnLiveRows() {
    const CTileControlPool& pool = m_scene->TileControls();
    std::set<int> places;
    for (int c = 1; c <= CTileControlPool::CONTROLS; ++c) {
      ControlRecord* record = pool.Record(c);
      const TileEntityRow* row = record != nullptr ? pool.RowOfKey(record->key) : nullptr;
      if (row == nullptr) {
        EXPECT_EQ(nullptr, record != nullptr ? record->entity : nullptr) << "a free control " << c << " keeps a picture";
        continue;
      }
      SCOPED_TRACE(c);
      EXPECT_EQ(c, row->control);
      EXPECT_EQ(MJ_ZONE_HAND, row->zone);
      EXPECT_EQ(SIDE_OWN, row->side);
      EXPECT_EQ(row->entity, static_cast<void*>(record->entity));
      const MJTile* t = Own(row->index);
      EXPECT_TRUE(t->present && t->standing && t->meldKind == 0) << row->index;
      if (WithSkins()) {
        EXPECT_EQ(row, &m_scene->Binder().Table().Row(t->nObject));
      }
      EXPECT_TRUE(places.insert(row->index).second) << "two controls on place " << row->index;
    }
  }
  // A hand with the own chair in turn holding its drawn tile (listed first), played once the
  // hand start (dice, deal, flowers) is over.
  void Deal(const std::vector<int>& own, bool ownTurn, std::array<int, 4> dice = {}) {
    NewHand(own, ownTurn, dice);
    PlayHandStart();
  }
  // The new hand's notification only: the hand start begins.
  void NewHand(const std::vector<int>& own, bool ownTurn, std::array<int, 4> dice = {}, int banker = 0,
               std::array<std::vector<int>, 4> flowers = {}) {
    testbed::TableInfoRecord t;
    t.dice = dice;
    t.banker = banker;
    t.status = 0x1 | (ownTurn ? 0x100 : 0);
    t.currentChair = ownTurn ? 0 : 1;
    t.discardTime = 15;
    t.claimTime = 10;
    t.wallStart = 40;
    t.wallHead = 93;
    t.indicatorTile = -1;
    t.joker1 = m_joker1;
    t.handCounts = {static_cast<int>(own.size()), 13, 13, 13};
    t.ownHand = own;
    t.flowers = flowers;
    testbed::BodyData body = t.WriteNewHand();
    m_info.CopyTableInfo(body.data(), body.size());
    m_rec->steps.clear();
    m_model.ResetRound();
    Advance(60);  // the scene sees the hand start
  }
  // Runs the table until the hand start is over (a bound keeps a broken chain from hanging).
  void PlayHandStart() {
    for (int t = 0; t < 10000 && m_scene->HandStartRunning(); t += 10) Advance(10);
    ASSERT_FALSE(m_scene->HandStartRunning());
    Advance(60);
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

  // The server's answer to the next own draw: the tile, its wall place and the draw flags.
  void AnswerDraw(int tile, int wallPlace, int flags = 0) {
    std::vector<BYTE> record(32, 0);
    const int words[4] = {0, tile, wallPlace, flags};
    std::memcpy(record.data(), words, sizeof words);
    m_connection.replies[REQ_DRAW] = record;
  }

  int m_joker1 = -1;
  RecordingScene* m_rec = nullptr;
  bool m_silent = false;
  bool m_lookOn = false;
  std::vector<std::string> m_logs;
  std::vector<std::string> m_voices;
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
    NewHand(Hand(), false, c.dice);
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

// The same input with the game's tile pictures, as the client plays: the own tiles' pictures
// carry the tile controls.
class TableInputPicturesTest : public TableInputTest {
 protected:
  bool WithSkins() const override { return true; }
};

// Every own tile of a full hand answers through a control of its own, and a click on any of them
// on the own turn discards exactly that tile.
TEST_F(TableInputTest, EveryTileOfAFullHandClicksThroughItsOwnControl) {
  for (int place = 0; place < CTileTable::HAND_SIZE; ++place) {
    SCOPED_TRACE(place);
    EndHand();
    m_connection.codes.clear();
    m_connection.bodies.clear();
    Deal(Hand(), true);
    std::set<uint32_t> keys;
    for (int i = 0; i < CTileTable::HAND_SIZE; ++i) {
      ControlRecord* c = ControlOf(i);
      ASSERT_NE(nullptr, c) << i;
      keys.insert(c->key);
      EXPECT_EQ(CTileControlPool::CMD_DISCARD, SlotCode(c, CTRL_EVENT_CLICK)) << i;
    }
    EXPECT_EQ(14u, keys.size());
    ExpectControlsOnLiveRows();
    const int tile = Own(place)->tileId;
    Press(WM_LBUTTONDOWN, WM_LBUTTONUP, Centre(m_scene->OwnTileRect(place)));
    ASSERT_EQ(std::vector<int>{REQ_DISCARD}, m_connection.codes);
    EXPECT_EQ(tile, SentTile(0));
    // The tile is gone, and so is its control; the rest no longer discard.
    EXPECT_EQ(13, m_scene->TileControls().BoundCount());
    ExpectControlsOnLiveRows();
    for (int i = 0; i < CTileTable::HAND_SIZE; ++i) EXPECT_EQ(0u, SlotCode(ControlOf(i), CTRL_EVENT_CLICK)) << i;
  }
}

TEST_F(TableInputPicturesTest, EveryTileOfAFullHandClicksThroughItsOwnControl) {
  ASSERT_TRUE(m_scene->Pictures().Loaded());
  for (int place : {0, 1, 7, 13}) {
    SCOPED_TRACE(place);
    EndHand();
    m_connection.codes.clear();
    m_connection.bodies.clear();
    Deal(Hand(), true);
    EXPECT_EQ(14, m_scene->TileControls().BoundCount());
    ExpectControlsOnLiveRows();
    const int tile = Own(place)->tileId;
    ASSERT_NE(nullptr, ControlOf(place));
    EXPECT_EQ(CTileControlPool::CMD_DISCARD, SlotCode(ControlOf(place), CTRL_EVENT_CLICK));
    Press(WM_LBUTTONDOWN, WM_LBUTTONUP, Centre(m_scene->OwnTileRect(place)));
    ASSERT_EQ(std::vector<int>{REQ_DISCARD}, m_connection.codes);
    EXPECT_EQ(tile, SentTile(0));
    EXPECT_EQ(13, m_scene->TileControls().BoundCount());
    ExpectControlsOnLiveRows();
  }
}

TEST_F(TableInputPicturesTest, TheMouseRaisesATileAndTheRightButtonMovesIt) {
  std::vector<int> dealt = Hand();
  dealt.erase(dealt.begin());
  Deal(dealt, false);
  const int from = CTileTable::FIRST_STANDING;
  const RECT rest = m_scene->OwnTileRect(from);
  ASSERT_LT(rest.left, rest.right);
  // What the window shows just above the resting tile: the table, until the tile is raised.
  auto above = [&] {
    Advance(40);
    std::vector<uint32_t> pixels;
    int w = 0, h = 0;
    EXPECT_TRUE(platform::CaptureWindow(m_view.Window(), pixels, w, h));
    const int x = (rest.left + rest.right) / 2, y = rest.top - 4;
    return x >= 0 && y >= 0 && x < w && y < h ? pixels[static_cast<size_t>(y) * w + x] : 0u;
  };
  const uint32_t table = above();
  Move(Centre(rest));
  EXPECT_LT(m_scene->OwnTileRect(from).top, rest.top) << "the tile under the mouse stands raised";
  EXPECT_NE(table, above()) << "and the screen shows it raised";
  const int dragged = Own(from)->tileId;
  const int target = from + 3;
  const int targetTile = Own(target)->tileId;
  const RECT onto = m_scene->OwnTileRect(target);
  SendMessageA(m_view.Window(), WM_RBUTTONDOWN, 0, Centre(m_scene->OwnTileRect(from)));
  Advance(20);
  EXPECT_EQ(from, m_scene->DragIndex());
  const LPARAM drop = MAKELPARAM(onto.right - 3, (onto.top + onto.bottom) / 2);
  Move(drop);
  SendMessageA(m_view.Window(), WM_RBUTTONUP, 0, drop);
  Advance(40);
  EXPECT_EQ(dragged, Own(target)->tileId);
  EXPECT_EQ(targetTile, Own(target - 1)->tileId);
  EXPECT_EQ(-1, m_scene->DragIndex());
  // The moved tiles were drawn anew with controls of their own.
  ExpectControlsOnLiveRows();
  EXPECT_EQ(13, m_scene->TileControls().BoundCount());
  EXPECT_TRUE(m_connection.codes.empty());
}

TEST_F(TableInputPicturesTest, ControlsGoWithTheirRowsThroughRebuildsNewHandsAndResizes) {
  Deal(Hand(), true);
  ExpectControlsOnLiveRows();
  EXPECT_EQ(14, m_scene->TileControls().BoundCount());
  // Another hand with fewer own tiles: the controls of the places that emptied come back.
  EndHand();
  ExpectControlsOnLiveRows();
  std::vector<int> short13 = Hand();
  short13.erase(short13.begin());
  Deal(short13, false);
  ExpectControlsOnLiveRows();
  EXPECT_EQ(13, m_scene->TileControls().BoundCount());
  // A new size lays every tile out anew: each row is let go and bound again.
  SetWindowPos(m_view.Window(), nullptr, 0, 0, 1000, 740, SWP_NOZORDER | SWP_NOMOVE);
  Advance(100);
  ExpectControlsOnLiveRows();
  EXPECT_EQ(13, m_scene->TileControls().BoundCount());
}

TEST_F(TableInputPicturesTest, WithEveryControlTakenATileIsDrawnButNotClickableUntilOneIsFree) {
  // Someone holds all 31 controls.
  CTileControlPool& pool = m_scene->TileControls();
  std::vector<TileEntityRow> held(CTileControlPool::CONTROLS);
  for (int i = 0; i < CTileControlPool::CONTROLS; ++i) {
    held[i].entity = m_scene->CreatePlane(2, -100, -100, 10, 10, 0, "held");
    const int c = pool.AllocControl();
    EXPECT_EQ(i + 1, c) << "the first free control is handed out";
    ASSERT_TRUE(pool.Attach(c, held[i]));
    EXPECT_EQ(c, held[i].control);
  }
  m_logs.clear();
  EXPECT_EQ(0, pool.AllocControl());
  EXPECT_TRUE(Logged("控件请求错误，已无空闲实体!"));
  Deal(Hand(), true);
  const int place = PlaceOf(Id(0, 5, 0));
  const MJTile* t = Own(place);
  ASSERT_NE(0, t->nObject);
  EXPECT_TRUE(static_cast<Entity*>(m_scene->Binder().Table().Row(t->nObject).entity)->IsVisible())
      << "the tile is drawn";
  EXPECT_EQ(0, m_scene->Binder().Table().Row(t->nObject).control);
  Press(WM_LBUTTONDOWN, WM_LBUTTONUP, Centre(m_scene->OwnTileRect(place)));
  EXPECT_TRUE(m_connection.codes.empty()) << "a tile without a control cannot be clicked";
  // Released controls go back to the pool and are handed out again, lowest first.
  pool.Release(held[6]);
  EXPECT_EQ(0, held[6].control);
  EXPECT_EQ(nullptr, pool.Record(7)->entity);
  EXPECT_EQ(7, pool.AllocControl());
  for (TileEntityRow& row : held) pool.Release(row);
  EXPECT_EQ(0, pool.BoundCount());
  // The next build gives every own tile a control.
  m_scene->MarkStale();
  Advance(40);
  EXPECT_EQ(14, pool.BoundCount());
  ExpectControlsOnLiveRows();
  Press(WM_LBUTTONDOWN, WM_LBUTTONUP, Centre(m_scene->OwnTileRect(place)));
  ASSERT_EQ(std::vector<int>{REQ_DISCARD}, m_connection.codes);
  EXPECT_EQ(Id(0, 5, 0), SentTile(0));
}

TEST_F(TableInputTest, BindingATileControlWithoutARowOrControlIsRefused) {
  CTileControlPool& pool = m_scene->TileControls();
  m_logs.clear();
  pool.BindTileControl(nullptr, TileBindingState{});
  EXPECT_TRUE(Logged("麻将牌控件设置错误，一个为空的麻将结构!"));
  TileEntityRow unbound;
  pool.BindTileControl(&unbound, TileBindingState{});
  EXPECT_TRUE(Logged("麻将牌控件设置错误，麻将控件未绑定!"));
  EXPECT_EQ(0, pool.BoundCount());
}

TEST_F(TableInputPicturesTest, AClaimButtonIsActiveOnlyWhileItsClaimIsOffered) {
  std::vector<int> hand = Hand();
  hand.erase(hand.begin());
  Deal(hand, false);
  ControlRecord* pass = m_scene->ClaimButton(CLAIM_PASS);
  ControlRecord* peng = m_scene->ClaimButton(CLAIM_PENG);
  ASSERT_NE(nullptr, pass);
  ASSERT_NE(nullptr, peng);
  auto expectIdle = [&](ControlRecord* c) {
    EXPECT_DOUBLE_EQ(0.3, c->entity->GetAlpha());
    EXPECT_EQ(0xFF00FFu, PictureEntity::GetBackColor(c->entity));
    for (uint32_t slot : {2u, 3u, 4u, 5u, 8u}) EXPECT_EQ(0u, SlotCode(c, slot)) << slot;
  };
  auto expectActive = [&](ControlRecord* c) {
    EXPECT_DOUBLE_EQ(0.8, c->entity->GetAlpha());
    EXPECT_EQ(255u, PictureEntity::GetBackColor(c->entity));
    EXPECT_EQ(CTileControlPool::CMD_BUTTON_ENTER, SlotCode(c, CTRL_EVENT_ENTER));
    for (uint32_t slot : {3u, 4u, 5u, 8u}) EXPECT_EQ(CORE_COMMAND_BASE + slot, SlotCode(c, slot)) << slot;
  };
  expectIdle(pass);
  expectIdle(peng);
  EXPECT_EQ(CTableBars::CMD_PASS, SlotCode(pass, CTRL_EVENT_DEFERRED_CLICK));
  testbed::TileDiscardedNote n;
  n.chair = 2;
  n.tile = Id(1, 1, 2);
  n.words = {MJOP_PENG | MJOP_PASS, 0, 0, 0};
  testbed::BodyData note = n.Write();
  ASSERT_TRUE(m_model.OnTileDiscarded(note.data(), note.size()));
  Advance(40);
  expectActive(pass);
  expectActive(peng);
  expectIdle(m_scene->ClaimButton(CLAIM_GANG));
  // A click on an idle button sends nothing.
  Press(WM_LBUTTONDOWN, WM_LBUTTONUP, MAKELPARAM(m_scene->ClaimButton(CLAIM_GANG)->entity->GetX(),
                                                  m_scene->ClaimButton(CLAIM_GANG)->entity->GetY()));
  EXPECT_TRUE(m_connection.codes.empty());
  Press(WM_LBUTTONDOWN, WM_LBUTTONUP, Centre(m_scene->ClaimButtonRect(CLAIM_PASS)));
  EXPECT_EQ(std::vector<int>{REQ_PASS}, m_connection.codes);
  Advance(40);
  expectIdle(pass);
  expectIdle(peng);
  EXPECT_EQ(CTableBars::CMD_PASS, SlotCode(pass, CTRL_EVENT_DEFERRED_CLICK)) << "the button keeps its code";
}

// The player sees one row of claim buttons: the table's own claim controls stand in the
// operation bar, in its order (pass, hu, gang, peng, chi), while a hand is played, and go with
// it; a rule set without chi leaves the chi button out.
TEST_F(TableInputPicturesTest, TheClaimButtonsStandInTheOperationBarWhileAHandIsPlayed) {
  bool fifth = true;
  CTableBars::Hooks bars;
  bars.fifthBarButton = [&fifth] { return fifth; };
  m_scene->SetBarHooks(bars);
  BUTTONFRAME* bar = m_scene->Bars().OperationBar();
  ASSERT_NE(nullptr, bar);
  EXPECT_FALSE(bar->IsVisible());
  Deal(Hand(), false);
  EXPECT_TRUE(bar->IsVisible());
  const struct {
    int type;
    uint32_t code;
  } order[5] = {{CLAIM_PASS, CTableBars::CMD_PASS}, {CLAIM_HU, CTableBars::CMD_HU}, {CLAIM_GANG, CTableBars::CMD_GANG},
                {CLAIM_PENG, CTableBars::CMD_PENG}, {CLAIM_CHI, CTableBars::CMD_CHI}};
  const Entity* anchor = bar->GetAnchor();
  ASSERT_NE(nullptr, anchor);
  int lastX = -1;
  for (int slot = 0; slot < 5; ++slot) {
    SCOPED_TRACE(slot);
    ControlRecord* claim = m_scene->ClaimButton(order[slot].type);
    ASSERT_NE(nullptr, claim);
    EXPECT_EQ(claim, bar->GetButton(static_cast<uint32_t>(slot)));
    EXPECT_EQ(claim, m_scene->Bars().ActionButton(order[slot].code));
    EXPECT_TRUE(claim->entity->IsVisible());
    // Inside the bar, left to right in its order.
    EXPECT_EQ(anchor->GetY(), claim->entity->GetY());
    EXPECT_GT(claim->entity->GetX(), anchor->GetX() - anchor->GetWidth() / 2);
    EXPECT_LT(claim->entity->GetX(), anchor->GetX() + anchor->GetWidth() / 2);
    EXPECT_GT(claim->entity->GetX(), lastX);
    lastX = claim->entity->GetX();
  }
  // Without chi in the rules the bar holds four and the chi button stays away.
  fifth = false;
  m_scene->Bars().Layout(m_scene->Binder().Metrics());
  Advance(40);
  EXPECT_EQ(4, bar->GetSlotCount());
  EXPECT_FALSE(m_scene->ClaimButton(CLAIM_CHI)->entity->IsVisible());
  EXPECT_TRUE(m_scene->ClaimButton(CLAIM_PASS)->entity->IsVisible());
  fifth = true;
  m_scene->Bars().Layout(m_scene->Binder().Metrics());
  Advance(40);
  EXPECT_EQ(m_scene->ClaimButton(CLAIM_CHI), bar->GetButton(4));
  EXPECT_TRUE(m_scene->ClaimButton(CLAIM_CHI)->entity->IsVisible());
  Capture("claim-buttons-in-the-bar");
  // The hand ends: the bar and its buttons go.
  EndHand();
  EXPECT_FALSE(bar->IsVisible());
  for (const auto& o : order) EXPECT_FALSE(m_scene->ClaimButton(o.type)->entity->IsVisible()) << o.code;
}

TEST_F(TableInputPicturesTest, AnOnlookersTilesLightUpButDoNothing) {
  m_lookOn = true;
  Deal(Hand(), true);
  const int place = CTileTable::FIRST_STANDING;
  ControlRecord* c = ControlOf(place);
  ASSERT_NE(nullptr, c);
  const CTileControlPool::SlotCodes looking = {CTileControlPool::CMD_LOOK_ENTER, CTileControlPool::CMD_LOOK_LEAVE, 0, 0, 0, 0};
  for (size_t i = 0; i < CTileControlPool::SLOTS.size(); ++i)
    EXPECT_EQ(looking[i], SlotCode(c, CTileControlPool::SLOTS[i])) << CTileControlPool::SLOTS[i];
  const RECT r = m_scene->OwnTileRect(place);
  Move(Centre(r));
  EXPECT_DOUBLE_EQ(0.8, c->entity->GetAlpha());
  Press(WM_LBUTTONDOWN, WM_LBUTTONUP, Centre(r));
  SendMessageA(m_view.Window(), WM_RBUTTONDOWN, 0, Centre(r));
  SendMessageA(m_view.Window(), WM_RBUTTONUP, 0, Centre(r));
  Advance(40);
  EXPECT_EQ(-1, m_scene->DragIndex());
  EXPECT_TRUE(m_connection.codes.empty());
  Move(MAKELPARAM(600, 300));
  EXPECT_DOUBLE_EQ(1.0, c->entity->GetAlpha());
}

TEST_F(TableInputPicturesTest, AChiIsPickedByClickingTwoTilesThroughTheirControls) {
  // 3, 4, 6 and 7 of characters: a discarded 5 makes runs with 3-4, 4-6 and 6-7.
  const std::vector<int> hand = {Id(0, 3, 0), Id(0, 4, 0), Id(0, 6, 0), Id(0, 7, 0), Id(1, 1, 0),
                                 Id(1, 2, 0), Id(1, 3, 0), Id(1, 7, 0), Id(1, 8, 0), Id(2, 2, 0),
                                 Id(2, 3, 0), Id(2, 7, 0), Id(2, 8, 0)};
  Deal(hand, false);
  testbed::TileDiscardedNote n;
  n.chair = 1;
  n.tile = Id(0, 5, 1);
  n.words = {MJOP_CHI | MJOP_PASS, 0, 0, 0};
  testbed::BodyData note = n.Write();
  ASSERT_TRUE(m_model.OnTileDiscarded(note.data(), note.size()));
  Advance(40);
  ASSERT_EQ(OWN_CLOCK_POSITION, m_model.Clock().pointTo);
  // No drawn tile and no claim open yet: a click on a tile does nothing.
  EXPECT_EQ(0u, SlotCode(ControlOf(PlaceOf(Id(0, 6, 0))), CTRL_EVENT_CLICK));
  const RECT chi = m_scene->ClaimButtonRect(CLAIM_CHI);
  ASSERT_LT(chi.left, chi.right);
  Press(WM_LBUTTONDOWN, WM_LBUTTONUP, Centre(chi));
  ASSERT_EQ(std::vector<int>{REQ_CHI_CLAIM}, m_connection.codes);
  ASSERT_EQ(PENDING_CHI, m_model.Clock().pendingClaim);
  // The open chi turns every tile's click into the pick.
  for (int id : {Id(0, 3, 0), Id(0, 6, 0), Id(2, 8, 0)})
    EXPECT_EQ(CTileControlPool::CMD_PICK_CHI, SlotCode(ControlOf(PlaceOf(id)), CTRL_EVENT_CLICK)) << id;
  // A tile that makes no run is dimmed and cannot be picked; a listed one is raised by a click.
  Press(WM_LBUTTONDOWN, WM_LBUTTONUP, Centre(m_scene->OwnTileRect(PlaceOf(Id(2, 8, 0)))));
  EXPECT_EQ(0, Own(PlaceOf(Id(2, 8, 0)))->attrA);
  Press(WM_LBUTTONDOWN, WM_LBUTTONUP, Centre(m_scene->OwnTileRect(PlaceOf(Id(0, 6, 0)))));
  EXPECT_EQ(1, Own(PlaceOf(Id(0, 6, 0)))->attrA);
  EXPECT_EQ(1u, m_connection.codes.size());
  ExpectControlsOnLiveRows();
  Press(WM_LBUTTONDOWN, WM_LBUTTONUP, Centre(m_scene->OwnTileRect(PlaceOf(Id(0, 7, 0)))));
  ASSERT_EQ((std::vector<int>{REQ_CHI_CLAIM, REQ_CHI_MELD}), m_connection.codes);
  Advance(40);
  EXPECT_EQ(PENDING_NONE, m_model.Clock().pendingClaim);
  ExpectControlsOnLiveRows();
}

// The hand start as engine commands on the stopped clock: the dice (one throw or two), then the
// deal side by side from the banker 500 ms apart, the flowers of the sides that hold them 300 ms
// apart, and play. A wait is measured from the first engine step after it was started, so each
// command comes at its time or within a frame or two after it.
TEST_F(TableInputTest, TheHandStartDealsSideBySideRevealsFlowersAndStartsPlay) {
  struct Reveal {
    int side;
    DWORD ms;  // after the deal is over
  };
  struct Case {
    std::array<int, 4> dice;
    int banker;                          // chair
    std::array<std::vector<int>, 4> flowers;  // by chair
    DWORD diceMin, diceMax;              // the deal's start after the new hand
    std::vector<int> dealt;              // sides, 500 ms apart from the deal's start
    std::vector<Reveal> reveals;
    DWORD play;                          // after the deal is over
  };
  constexpr DWORD SLACK = 100;
  const Case cases[] = {
      // One throw; the own chair deals first; nobody holds a flower: play 300 ms after the deal.
      {{3, 5, 0, 0}, 0, {}, 1500, 1800, {3, 0, 1, 2}, {}, 300},
      // Two throws; the banker sits opposite (chair 2, side 1) with three flowers.
      {{3, 5, 2, 6}, 2, {{{}, {}, {136, 137, 138}, {}}}, 3050, 3450, {1, 2, 3, 0}, {{1, 0}}, 600},
      // No dice: the deal starts at once; flowers on the banker's and the own side, the banker's first.
      {{0, 0, 0, 0}, 2, {{{140}, {}, {139}, {}}}, 0, SLACK, {1, 2, 3, 0}, {{1, 0}, {3, 300}}, 900},
  };
  std::vector<int> hand = Hand();
  hand.erase(hand.begin());
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.dice));
    NewHand(hand, false, c.dice, c.banker, c.flowers);
    const DWORD start = GetTickCount() - 60;
    ASSERT_TRUE(m_scene->HandStartRunning());
    for (int side = 0; side < 4; ++side) EXPECT_FALSE(m_scene->IsHandShown(side)) << "no hand before the deal";
    PlayHandStart();
    const RecordingScene::Step* deal = m_rec->Find(CVariantTableScene::CMD_DEAL);
    ASSERT_NE(deal, nullptr);
    EXPECT_GE(deal->at - start, c.diceMin);
    EXPECT_LT(deal->at - start, c.diceMax);
    std::vector<int> dealt;
    for (const auto& step : m_rec->steps) {
      if (step.code != CVariantTableScene::CMD_SIDE_DEALT) continue;
      const DWORD due = 500 * static_cast<DWORD>(dealt.size());
      EXPECT_GE(step.at - deal->at, due) << "side " << step.side;
      EXPECT_LT(step.at - deal->at, due + SLACK) << "side " << step.side;
      dealt.push_back(step.side);
    }
    EXPECT_EQ(c.dealt, dealt);
    const RecordingScene::Step* over = m_rec->Find(CVariantTableScene::CMD_DEAL_OVER);
    ASSERT_NE(over, nullptr);
    EXPECT_GE(over->at - deal->at, 2000u);
    EXPECT_LT(over->at - deal->at, 2000u + SLACK);
    std::vector<int> revealed;
    for (const auto& step : m_rec->steps) {
      if (step.code != CVariantTableScene::CMD_FLOWERS_REVEALED) continue;
      const size_t k = revealed.size();
      revealed.push_back(step.side);
      if (k >= c.reveals.size()) continue;
      EXPECT_GE(step.at - over->at, c.reveals[k].ms);
      EXPECT_LT(step.at - over->at, c.reveals[k].ms + SLACK);
    }
    std::vector<int> expected;
    for (const Reveal& r : c.reveals) expected.push_back(r.side);
    EXPECT_EQ(expected, revealed);
    const RecordingScene::Step* play = m_rec->Find(CVariantTableScene::CMD_PLAY);
    ASSERT_NE(play, nullptr);
    EXPECT_GE(play->at - over->at, c.play);
    EXPECT_LT(play->at - over->at, c.play + SLACK);
    for (int side = 0; side < 4; ++side) {
      EXPECT_TRUE(m_scene->IsHandShown(side));
      EXPECT_TRUE(m_scene->AreFlowersShown(side));
    }
    // Play runs: the clock points at the chair in turn (chair 1, side 0) with the claim time.
    EXPECT_EQ(0, m_model.Clock().pointTo);
    EXPECT_EQ(10, m_model.Clock().remainingSeconds);
    m_info.SetTableStatus(0);
    m_model.RebuildFromGameInfo();
    Advance(40);
  }
}

// While the hand start runs only the sides dealt so far have pictures; the start ends in play
// with the own hand sorted and the own turn's offers made.
TEST_F(TableInputTest, ANewHandShowsOnlyWhatWasDealtAndEndsInPlayWithTheHandSorted) {
  // Dealt out of order, the drawn tile first.
  std::vector<int> own = {Id(2, 7, 0), Id(0, 8, 0), Id(1, 1, 0), Id(0, 2, 0), Id(2, 2, 0), Id(0, 5, 0), Id(1, 5, 0),
                          Id(0, 3, 0), Id(1, 1, 1), Id(0, 7, 0), Id(2, 3, 0), Id(0, 4, 0), Id(0, 6, 0), Id(1, 9, 0)};
  NewHand(own, true, {3, 5, 0, 0});
  auto ownPictures = [this] {
    int n = 0;
    for (int i = 0; i < CTileTable::HAND_SIZE; ++i) n += Own(i)->present && Own(i)->nObject != 0 ? 1 : 0;
    return n;
  };
  Advance(1000);  // the dice roll
  EXPECT_EQ(0, ownPictures());
  EXPECT_TRUE(m_scene->OwnTileRect(1).right == 0) << "no own tile to click yet";
  while (m_rec->Find(CVariantTableScene::CMD_SIDE_DEALT) == nullptr) Advance(10);
  Advance(60);
  // The own side (the banker's) is dealt first; the others wait for their turn.
  EXPECT_TRUE(m_scene->IsHandShown(SIDE_OWN));
  EXPECT_FALSE(m_scene->IsHandShown(SIDE_TOP));
  if (m_scene->Pictures().Loaded()) {
    EXPECT_EQ(14, ownPictures());
  }
  EXPECT_FALSE(m_turn.IsButtonActive(CLAIM_HU)) << "no offer before play";
  PlayHandStart();
  EXPECT_EQ(6, m_model.Clock().pointTo);
  EXPECT_EQ(15, m_model.Clock().remainingSeconds);
  Advance(2000);  // the sort's sweep
  std::vector<int> codes;
  for (int i = CTileTable::FIRST_STANDING; i <= CTileTable::LAST_STANDING; ++i)
    if (Own(i)->present && Own(i)->meldKind == 0) codes.push_back(GetTileSortCode(Own(i)->tileId, -1, 1, m_model.GetRuleFlags()));
  ASSERT_EQ(13u, codes.size());
  EXPECT_TRUE(std::is_sorted(codes.begin(), codes.end()) || std::is_sorted(codes.rbegin(), codes.rend()));
  EXPECT_EQ(Id(2, 7, 0), Own(CTileTable::DRAWN_PLACE)->tileId) << "the drawn tile stays apart";
}

// A notification that comes while the hand start still runs (a fast server's first discard)
// finds play started and the whole table shown; it is applied once, and the steps of the start
// still on their way change nothing after it.
TEST_F(TableInputTest, ANotificationDuringTheHandStartIsAppliedOnceAfterPlayStarts) {
  std::vector<int> hand = Hand();
  hand.erase(hand.begin());
  NewHand(hand, false, {3, 5, 2, 6});
  Advance(500);
  ASSERT_TRUE(m_scene->HandStartRunning());
  // Chair 1 (side 0) holds the turn and discards.
  testbed::TileDiscardedNote n;
  n.chair = 1;
  n.tile = Id(2, 9, 3);
  n.words = {MJOP_PASS, 0, 0, 0};
  testbed::BodyData note = n.Write();
  ASSERT_TRUE(m_model.OnTileDiscarded(note.data(), note.size()));
  EXPECT_FALSE(m_scene->HandStartRunning());
  for (int side = 0; side < 4; ++side) EXPECT_TRUE(m_scene->IsHandShown(side));
  const MJTile* played = m_model.Tiles().GetTileRecord(MJ_ZONE_PLAYED, 0, 0);
  EXPECT_TRUE(played->present);
  EXPECT_EQ(Id(2, 9, 3), played->tileId);
  // The turn passed to the own side with the claim time, and stays there: no late start of
  // play puts the clock back on the chair that discarded.
  EXPECT_EQ(6, m_model.Clock().pointTo);
  Advance(6000);
  EXPECT_EQ(6, m_model.Clock().pointTo);
  EXPECT_EQ(0, m_model.Tiles().RiverCount(0));
  EXPECT_EQ(nullptr, m_rec->Find(CVariantTableScene::CMD_PLAY)) << "no step of the finished start acts";
  EXPECT_TRUE(played->present);
}

// A resync while the hand start runs: the table as the game description has it, all of it shown,
// played from the description's clock; the start's later steps change nothing.
TEST_F(TableInputTest, AResyncDuringTheHandStartShowsTheWholeTable) {
  std::vector<int> hand = Hand();
  hand.erase(hand.begin());
  NewHand(hand, false, {3, 5, 0, 0});
  Advance(2200);  // the deal has begun
  ASSERT_TRUE(m_scene->HandStartRunning());
  m_model.RebuildFromGameInfo();
  EXPECT_FALSE(m_scene->HandStartRunning());
  for (int side = 0; side < 4; ++side) {
    EXPECT_TRUE(m_scene->IsHandShown(side));
    EXPECT_TRUE(m_scene->AreFlowersShown(side));
  }
  EXPECT_EQ(0, m_model.Clock().pointTo) << "chair 1 (side 0) is in turn";
  EXPECT_EQ(10, m_model.Clock().remainingSeconds);
  m_rec->steps.clear();
  Advance(4000);
  EXPECT_EQ(nullptr, m_rec->Find(CVariantTableScene::CMD_FLOWERS_REVEALED));
  EXPECT_EQ(nullptr, m_rec->Find(CVariantTableScene::CMD_PLAY));
}

// A resync in the middle of play: the clock points at the chair the description has in turn,
// with that turn's time, not at the own side with none.
TEST_F(TableInputTest, AResyncDuringPlayRunsTheClockFromTheDescription) {
  struct Case {
    const char* what;
    bool ownTurn;
    int pointTo, seconds;
  };
  const Case cases[] = {
      {"chair 1 (side 0) to draw", false, 0, 10},
      {"the own chair holding its drawn tile", true, OWN_CLOCK_POSITION, 15},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<int> hand = Hand();
    if (!c.ownTurn) hand.erase(hand.begin());
    Deal(hand, c.ownTurn);
    ASSERT_FALSE(m_scene->HandStartRunning());
    m_model.Clock().pointTo = 2;
    m_model.Clock().remainingSeconds = 0;
    m_model.RebuildFromGameInfo();
    EXPECT_EQ(c.pointTo, m_model.Clock().pointTo);
    EXPECT_EQ(c.seconds, m_model.Clock().remainingSeconds);
    EXPECT_EQ(1, m_model.Clock().turnActive);
  }
}

// The own draw of a joker marks it for a second, as a joker replacement tile is marked.
TEST_F(TableInputTest, AnOwnDrawOfAJokerShowsTheMarkForASecond) {
  m_joker1 = Id(2, 5, 0);
  std::vector<int> hand = Hand();
  hand.erase(hand.begin());
  Deal(hand, false);
  std::vector<BYTE> record(32, 0);
  const int words[4] = {0, Id(2, 5, 3), 120, 0};
  std::memcpy(record.data(), words, sizeof words);
  m_connection.replies[REQ_DRAW] = record;
  ASSERT_EQ(1, m_turn.DrawTileForTurn());
  EXPECT_EQ(Id(2, 5, 3), Own(CTileTable::DRAWN_PLACE)->tileId);
  EXPECT_TRUE(m_scene->JokerMarkShown());
  Advance(1300);
  EXPECT_FALSE(m_scene->JokerMarkShown());
}

// The table closes in the middle of the hand start: the commands on their way go with the
// scene's world (the sanitizer run checks that none is left behind).
TEST_F(TableInputTest, TheTableClosesInTheMiddleOfTheHandStart) {
  NewHand(Hand(), true, {3, 5, 2, 6});
  Advance(3500);  // the deal has begun
  ASSERT_TRUE(m_scene->HandStartRunning());
  DestroyWindow(m_view.Window());
  EXPECT_FALSE(m_scene->HandStartRunning());
  for (int side = 0; side < 4; ++side) EXPECT_TRUE(m_scene->IsHandShown(side));
}

// The replacement tile of an own flower replacement or concealed gang comes into the drawn place
// 200 ms after the request was accepted, from the draw record of the reply (its tile, its wall
// place, the win flag), whatever the gang's request body held; a joker shows its mark for a
// second; a click before the tile came takes it in at once.
TEST_F(TableInputTest, AReplacementTileComesLaterFromTheDrawRecord) {
  m_joker1 = Id(2, 5, 0);
  const int wallPlace = 135;
  struct Case {
    const char* what;
    bool gang;
    int tile;
    int flags;
    bool clickFirst;
    bool joker;
  };
  const Case cases[] = {
      {"flower, may win", false, Id(1, 6, 2), 8, false, false},
      {"flower, a joker", false, Id(2, 5, 1), 0, false, true},
      {"gang", true, Id(1, 7, 3), 0, false, false},
      {"gang, a joker that may win", true, Id(2, 5, 2), 8, false, true},
      {"flower, clicked before it came", false, Id(1, 6, 2), 0, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<int> own = {c.gang ? Id(0, 1, 3) : 136, Id(0, 1, 0), Id(0, 1, 1), Id(0, 1, 2), Id(0, 2, 0),
                            Id(0, 3, 0), Id(0, 4, 0), Id(0, 5, 0), Id(0, 6, 0), Id(0, 7, 0), Id(0, 8, 0),
                            Id(1, 2, 0), Id(1, 3, 0), Id(1, 4, 0)};
    Deal(own, true);
    std::vector<BYTE> record(32, 0);
    const int words[4] = {0, c.tile, wallPlace, c.flags};
    std::memcpy(record.data(), words, sizeof words);
    m_connection.replies[c.gang ? REQ_GANG_CONCEALED : REQ_FLOWER_REPLACE] = record;
    MJTile* wall = m_model.Tiles().GetTileRecord(MJ_ZONE_WALL, 0, wallPlace);
    ASSERT_TRUE(wall->present);
    ASSERT_EQ(1, c.gang ? m_turn.DoConcealedGang(Id(0, 1, 0)) : m_turn.DoFlowerReplace(CTileTable::DRAWN_PLACE));
    // On its way: the drawn place is empty and the tile still in the wall.
    EXPECT_TRUE(m_scene->ReplacementPending());
    EXPECT_FALSE(Own(CTileTable::DRAWN_PLACE)->present);
    EXPECT_TRUE(wall->present);
    if (c.clickFirst) {
      Press(WM_LBUTTONDOWN, WM_LBUTTONUP, MAKELPARAM(1, 1));
    } else {
      Advance(100);
      EXPECT_FALSE(Own(CTileTable::DRAWN_PLACE)->present) << "not before 200 ms";
      Advance(300);  // the wait is measured in engine steps: it ends within a few frames after 200 ms
    }
    EXPECT_FALSE(m_scene->ReplacementPending());
    EXPECT_TRUE(Own(CTileTable::DRAWN_PLACE)->present);
    EXPECT_EQ(c.tile, Own(CTileTable::DRAWN_PLACE)->tileId);
    EXPECT_FALSE(wall->present);
    EXPECT_EQ(c.flags != 0, m_turn.IsButtonActive(CLAIM_HU)) << "the win flag of the draw record";
    EXPECT_EQ(c.joker, m_scene->JokerMarkShown());
    EXPECT_EQ(c.joker ? 1 : 0, Own(CTileTable::DRAWN_PLACE)->jokerMark);
    Advance(1100);
    EXPECT_FALSE(m_scene->JokerMarkShown()) << "the mark goes after a second";
    EXPECT_EQ(c.tile, Own(CTileTable::DRAWN_PLACE)->tileId);
    m_info.SetTableStatus(0);
    m_model.RebuildFromGameInfo();
    Advance(40);
  }
}

// The own draw's tile slides into the drawn place on the engine's clock: its picture starts a
// little above and left of the place and comes down to it step by step, the place itself staying
// free (no picture, no control) until it is there. Then the place shows the tile, which can be
// discarded; a joker comes with the joker mark, which stays for a second once it arrived.
TEST_F(TableInputPicturesTest, TheOwnDrawnTileSlidesIntoItsPlace) {
  ASSERT_TRUE(m_scene->Pictures().Loaded());
  m_joker1 = Id(2, 5, 0);
  const int wallPlace = 120;
  struct Case {
    const char* what;
    int tile;
    bool joker;
  } cases[] = {
      {"a plain tile", Id(1, 6, 2), false},
      {"a joker", Id(2, 5, 3), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EndHand();
    std::vector<int> hand = Hand();
    hand.erase(hand.begin());
    Deal(hand, false);
    Advance(3000);  // the sweep that sorts the hand as play starts is over
    AnswerDraw(c.tile, wallPlace);
    const int bound = m_scene->TileControls().BoundCount();
    ASSERT_EQ(1, m_turn.DrawTileForTurn());
    m_connection.codes.clear();
    m_connection.bodies.clear();
    Entity* slide = m_scene->SlidingTile();
    ASSERT_NE(slide, nullptr);
    ASSERT_TRUE(m_scene->DrawnTileSliding());
    EXPECT_TRUE(slide->IsVisible());
    EXPECT_TRUE(Own(CTileTable::DRAWN_PLACE)->present);
    EXPECT_EQ(c.tile, Own(CTileTable::DRAWN_PLACE)->tileId);
    EXPECT_FALSE(m_model.Tiles().GetTileRecord(MJ_ZONE_WALL, 0, wallPlace)->present);
    const PictureState* picture = PictureEntity::GetState(slide);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(m_scene->Pictures().Id(c.joker ? TPIC_JOKER : TPIC_LARGE), static_cast<uint32_t>(picture->resourceId));
    EXPECT_EQ(c.joker ? 0 : GetFaceIndex(c.tile) * 54, picture->sourceX);
    const POINT start{slide->GetX(), slide->GetY()};
    Advance(10);
    ASSERT_TRUE(m_scene->DrawnTileSliding()) << "the slide takes more than a step";
    EXPECT_EQ(0, Own(CTileTable::DRAWN_PLACE)->nObject) << "the place stays free while the tile comes";
    EXPECT_EQ(bound, m_scene->TileControls().BoundCount());
    POINT last{slide->GetX(), slide->GetY()};
    int moves = last.x != start.x || last.y != start.y ? 1 : 0;
    for (int t = 0; t < 2000 && m_scene->DrawnTileSliding(); t += 10) {
      Advance(10);
      if (!m_scene->DrawnTileSliding()) break;
      const POINT now{slide->GetX(), slide->GetY()};
      EXPECT_GE(now.x, last.x);
      EXPECT_GE(now.y, last.y);
      EXPECT_LE(now.x - last.x, CVariantTableScene::SLIDE_SPEED);
      moves += now.x != last.x || now.y != last.y ? 1 : 0;
      last = now;
    }
    ASSERT_FALSE(m_scene->DrawnTileSliding());
    EXPECT_GE(moves, 2) << "the tile slides, it does not jump";
    EXPECT_FALSE(slide->IsVisible());
    EXPECT_EQ(c.joker, m_scene->JokerMarkShown());
    Advance(40);
    Entity* placed = m_scene->Binder().RowEntity(Own(CTileTable::DRAWN_PLACE)->nObject);
    ASSERT_NE(placed, nullptr);
    EXPECT_TRUE(placed->IsVisible());
    EXPECT_EQ(start.x + CVariantTableScene::SLIDE_FROM, placed->GetX()) << "the slide ends on the place";
    EXPECT_EQ(start.y + CVariantTableScene::SLIDE_FROM, placed->GetY());
    EXPECT_EQ(bound + 1, m_scene->TileControls().BoundCount());
    ExpectControlsOnLiveRows();
    Advance(1100);
    EXPECT_FALSE(m_scene->JokerMarkShown());
    EXPECT_EQ(c.joker ? 1 : 0, m_rec->Count(CVariantTableScene::CMD_JOKER_MARK_END)) << "one mark, once";
    // The drawn tile is the player's to discard.
    Press(WM_LBUTTONDOWN, WM_LBUTTONUP, Centre(m_scene->OwnTileRect(CTileTable::DRAWN_PLACE)));
    ASSERT_EQ(std::vector<int>{REQ_DISCARD}, m_connection.codes);
    EXPECT_EQ(c.tile, SentTile(0));
  }
}

// Whatever comes while the drawn tile slides in ends the slide at once, exactly once: a
// notification, a resync, a press on the table or the countdown's tick find the tile in its place
// (a joker with its mark, once), the slide's own end no longer comes, and the picture that slid
// stays hidden. The echo of the own draw changes nothing on the table and lets it slide on.
TEST_F(TableInputPicturesTest, ANoticeOrInputDuringTheSlideEndsItOnce) {
  ASSERT_TRUE(m_scene->Pictures().Loaded());
  m_joker1 = Id(2, 5, 0);
  const int joker = Id(2, 5, 3), wallPlace = 118;
  enum Interruption { NOTICE, RESYNC, CLICK, CLOCK_TICK, ECHO };
  struct Case {
    const char* what;
    Interruption by;
    bool ends;
    bool tileStays;
  } cases[] = {
      {"another player's peng announced", NOTICE, true, true},
      {"a resync", RESYNC, true, false},
      {"a press on the table", CLICK, true, true},
      {"the countdown's tick", CLOCK_TICK, true, true},
      {"the echo of the own draw", ECHO, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EndHand();
    std::vector<int> hand = Hand();
    hand.erase(hand.begin());
    Deal(hand, false);
    Advance(3000);
    AnswerDraw(joker, wallPlace);
    ASSERT_EQ(1, m_turn.DrawTileForTurn());
    ASSERT_TRUE(m_scene->DrawnTileSliding());
    m_rec->steps.clear();
    switch (c.by) {
      case NOTICE: {
        testbed::ChairNote note;
        note.id.chair = 2;
        const testbed::BodyData body = note.Write();
        ASSERT_TRUE(m_model.OnPengAnnounced(body.data(), body.size()));
        break;
      }
      case RESYNC:
        m_model.RebuildFromGameInfo();
        break;
      case CLICK:
        // A press on the table (off the start button and the bars).
        SendMessageA(m_view.Window(), WM_LBUTTONDOWN, 0, MAKELPARAM(1, 1));
        SendMessageA(m_view.Window(), WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
        Advance(10);  // the press reaches the scene with the next step, which the slide outlasts
        break;
      case CLOCK_TICK:
        m_scene->OnTimer(CVariantTableScene::CLOCK_TIMER);
        break;
      case ECHO: {
        testbed::DrawRecord echo;
        echo.chair = 0;
        echo.tile = joker;
        echo.wallIndex = wallPlace;
        const testbed::BodyData body = echo.Write();
        ASSERT_TRUE(m_model.OnTileDrawn(body.data(), body.size()));
        break;
      }
    }
    EXPECT_EQ(!c.ends, m_scene->DrawnTileSliding());
    if (c.ends) {
      EXPECT_FALSE(m_scene->SlidingTile()->IsVisible());
      EXPECT_EQ(c.tileStays, m_scene->JokerMarkShown()) << "the joker's mark as it is in its place";
    }
    const POINT rest{m_scene->SlidingTile()->GetX(), m_scene->SlidingTile()->GetY()};
    Advance(1300);
    EXPECT_FALSE(m_scene->DrawnTileSliding());
    EXPECT_FALSE(m_scene->SlidingTile()->IsVisible());
    EXPECT_FALSE(m_scene->JokerMarkShown());
    EXPECT_EQ(c.tileStays ? 1 : 0, m_rec->Count(CVariantTableScene::CMD_JOKER_MARK_END)) << "the mark came once";
    if (c.ends) {
      EXPECT_EQ(0, m_rec->Count(CVariantTableScene::CMD_DRAWN_TILE_SLID)) << "the ended slide's end never comes";
      EXPECT_EQ(rest.x, m_scene->SlidingTile()->GetX()) << "nothing moves the picture after the slide ended";
      EXPECT_EQ(rest.y, m_scene->SlidingTile()->GetY());
    }
    if (c.tileStays) {
      EXPECT_EQ(joker, Own(CTileTable::DRAWN_PLACE)->tileId);
      Entity* placed = m_scene->Binder().RowEntity(Own(CTileTable::DRAWN_PLACE)->nObject);
      ASSERT_NE(placed, nullptr);
      EXPECT_TRUE(placed->IsVisible());
    }
  }
}

// The table closes while the drawn tile slides in: the slide's pending end goes with the
// scene's world (the sanitizer run checks that nothing is left behind or used after it went).
TEST_F(TableInputPicturesTest, TheTableClosesWhileTheDrawnTileSlides) {
  ASSERT_TRUE(m_scene->Pictures().Loaded());
  m_joker1 = Id(2, 5, 0);
  std::vector<int> hand = Hand();
  hand.erase(hand.begin());
  Deal(hand, false);
  AnswerDraw(Id(2, 5, 3), 118);
  ASSERT_EQ(1, m_turn.DrawTileForTurn());
  Advance(10);
  ASSERT_TRUE(m_scene->DrawnTileSliding());
  DestroyWindow(m_view.Window());
  EXPECT_FALSE(m_scene->DrawnTileSliding());
  EXPECT_EQ(nullptr, m_scene->SlidingTile());
  EXPECT_FALSE(m_scene->JokerMarkShown()) << "no mark starts on a table that closes";
}

// A tile that comes under a resting mouse answers to it at once: the player who discards each
// drawn tile with a click where the drawn tile stands can click again for the next one without
// moving the mouse first.
TEST_F(TableInputPicturesTest, ATileDrawnUnderTheRestingMouseTakesItsClick) {
  ASSERT_TRUE(m_scene->Pictures().Loaded());
  std::vector<int> hand = Hand();
  hand.erase(hand.begin());
  Deal(hand, false);
  Advance(3000);  // the sweep that sorts the hand as play starts is over
  const int tiles[2] = {Id(1, 6, 2), Id(2, 8, 1)};
  LPARAM at = 0;
  for (int k = 0; k < 2; ++k) {
    SCOPED_TRACE(k);
    AnswerDraw(tiles[k], 118 - k);
    ASSERT_EQ(1, m_turn.DrawTileForTurn());
    for (int t = 0; t < 2000 && m_scene->DrawnTileSliding(); t += 10) Advance(10);
    Advance(60);
    m_connection.codes.clear();
    m_connection.bodies.clear();
    if (k == 0) {
      at = Centre(m_scene->OwnTileRect(CTileTable::DRAWN_PLACE));
      Move(at);
    }
    // The mouse has not moved since the last click.
    SendMessageA(m_view.Window(), WM_LBUTTONDOWN, 0, at);
    SendMessageA(m_view.Window(), WM_LBUTTONUP, 0, at);
    Advance(40);
    ASSERT_EQ(std::vector<int>{REQ_DISCARD}, m_connection.codes);
    EXPECT_EQ(tiles[k], SentTile(0));
    EXPECT_FALSE(Own(CTileTable::DRAWN_PLACE)->present);
  }
}

// A player who started shows his ready icon at his seat while the table waits; the icons go as
// the next hand is dealt, with its hand start or without it.
TEST_F(TableInputPicturesTest, ReadyIconsStandUntilTheHandIsDealt) {
  ASSERT_TRUE(m_scene->Extras().Built());
  for (bool handStart : {true, false}) {
    SCOPED_TRACE(handStart ? "with the hand start" : "dealt whole");
    EndHand();
    m_forward.handStart = handStart;
    for (int chair = 1; chair < 4; ++chair) EXPECT_TRUE(m_scene->ShowReadyIcon(chair)) << chair;
    Advance(40);
    int shown = 0;
    for (int side = 0; side < 4; ++side) {
      ASSERT_NE(m_scene->Extras().ReadyIcon(side), nullptr);
      shown += m_scene->Extras().ReadyIcon(side)->IsVisible() ? 1 : 0;
    }
    EXPECT_EQ(3, shown) << "the three players who started";
    NewHand(Hand(), true, {3, 5, 0, 0});
    for (int side = 0; side < 4; ++side) EXPECT_FALSE(m_scene->Extras().ReadyIcon(side)->IsVisible()) << side;
    PlayHandStart();
  }
  m_forward.handStart = true;
}

// The turn clock stands on the table from the start of play: while the dice roll and the hands
// are dealt its place shows the table as between hands.
TEST_F(TableInputPicturesTest, TheClockShowsOnceThePlayStarts) {
  const RECT clock = m_scene->Binder().Metrics().GetClockRect();
  auto clockPixels = [&](const char* name) {
    const std::vector<uint32_t> pixels = Capture(name);
    std::vector<uint32_t> area;
    for (int y = clock.top; y < clock.bottom; y += 4)
      for (int x = clock.left; x < clock.right; x += 4) area.push_back(At(pixels, x, y));
    return area;
  };
  const std::vector<uint32_t> idle = clockPixels("clock-idle");
  NewHand(Hand(), true, {3, 5, 0, 0});
  Advance(3000);  // the dice have gone; the hands are being dealt
  ASSERT_TRUE(m_scene->HandStartRunning());
  EXPECT_EQ(idle, clockPixels("clock-dealing")) << "no clock while the hand is dealt";
  PlayHandStart();
  EXPECT_NE(idle, clockPixels("clock-playing")) << "the clock once play started";
}

}  // namespace
