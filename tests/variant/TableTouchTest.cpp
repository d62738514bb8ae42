// The table's finishing touches with the game's own pictures, through a headless window on the
// stopped clock: the stake panel and the treasure tile as play starts, an onlooker's hover look
// on the watched hand, the managed-play banner blinking on the engine's clock, and the picture
// of a dragged tile following the mouse. Renderings go to build/tests/table-renderings/.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "engine/EngineUtil.h"
#include "engine/Entity.h"
#include "engine/InputDispatcher.h"
#include "engine/PlaneEntity.h"
#include "mahjong/MJTableView.h"
#include "mahjong/TileRules.h"
#include "mahjong/scene/SceneRequests.h"
#include "platform/user/Input.h"
#include "testbed/table/TableBodies.h"
#include "testbed/table/TableRecords.h"
#include "tests/variant/support/TableViewFixture.h"
#include "variant/RequestWait.h"
#include "variant/TableTurn.h"
#include "variant/VariantGameInfo.h"
#include "variant/VariantTableScene.h"

namespace {

int Id(int suit, int value, int copy) { return suit * 36 + copy * 9 + value - 1; }

// The hand a test deals: the own chair 0 and what the stake panel reads.
struct DealSpec {
  std::vector<int> own;
  int silverTable = 0;
  int silverStake = 0;
  int pointStake = 0;
  int banker = 0;
  int joker1 = -1;
};

class TableTouchTest : public tabletest::TurnTableFixture {
 protected:
  void SetUp() override {
    VariantTableFixture::SetUp();
    LinkGameData();
    m_info.SetOwnChair(0);
    CVariantTableScene::Hooks hooks;
    hooks.isLookOn = [this] { return m_lookOn; };
    hooks.sideName = [](int side) { return std::string(side == 3 ? "甲" : "乙"); };
    hooks.playSound = [this](int resource, int flags) { m_sounds.push_back({resource, flags}); };
    hooks.log = [this](const std::string& line) { m_logs.push_back(line); };
    hooks.enteredWithTableData = [this] { return m_enteredWithData; };
    hooks.settlementOpen = [this] { return m_settlementOpen; };
    MakeScene(hooks);
    CTableTurn::Hooks turn;
    turn.isLookOn = [this] { return m_lookOn; };
    turn.redraw = [this] { m_scene->MarkStale(); };
    turn.restartClock = [this] { m_view.StartClockTimer(); };
    turn.chat = [this](const std::string& line) { m_chat.push_back(line); };
    m_turn.SetHooks(turn);
    m_scene->AttachTurn(&m_turn);
    ASSERT_NO_FATAL_FAILURE(OpenScene(false));
    BeforeStart();
    m_view.Start();
    Advance(40);
    ASSERT_TRUE(m_scene->Pictures().Loaded()) << (m_logs.empty() ? "" : m_logs.front());
  }
  // What the table is entered with, before the view starts it.
  virtual void BeforeStart() {}
  void Deal(const DealSpec& d) {
    testbed::TableInfoRecord t;
    t.status = 0x1;
    t.currentChair = 1;
    t.discardTime = 15;
    t.claimTime = 10;
    t.wallStart = 40;
    t.wallHead = 93;
    t.indicatorTile = -1;
    t.silverTable = d.silverTable;
    t.silverStake = d.silverStake;
    t.pointStake = d.pointStake;
    t.banker = d.banker;
    t.joker1 = d.joker1;
    t.handCounts = {static_cast<int>(d.own.size()), 13, 13, 13};
    t.ownHand = d.own;
    testbed::BodyData body = t.WriteNewHand();
    m_info.CopyTableInfo(body.data(), body.size());
    m_model.ResetRound();
    Advance(60);  // the scene sees the hand start
  }
  // The hand ends and the settlement closes.
  void EndRound() {
    m_info.SetTableStatus(0);
    m_model.RebuildFromGameInfo();
    Advance(40);
    ASSERT_FALSE(m_model.IsPlaying());
    m_scene->OnSettlementClosed();
    Advance(40);
  }
  static LPARAM At(int x, int y) { return MAKELPARAM(x, y); }
  static POINT Centre(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }
  void Move(int x, int y) {
    SendMessageA(m_view.Window(), WM_MOUSEMOVE, 0, At(x, y));
    Advance(70);  // the move reaches the scene, and a frame draws what it changed
  }
  const MJTile* Own(int i) const { return m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, i); }
  Entity* OwnEntity(int i) const { return m_scene->Binder().RowEntity(Own(i)->nObject); }
  HCURSOR Cursor() {
    auto* dispatcher = dynamic_cast<InputDispatcher*>(m_scene->GetWorldRef().GetRootHandler());
    return dispatcher != nullptr ? dispatcher->GetCursor() : nullptr;
  }
  // The pixels of a plane's rectangle.
  static std::vector<uint32_t> PlanePixels(Entity* e, const RECT& r) {
    std::vector<uint32_t> out;
    const PlaneData* d = PlaneEntity::GetData(e);
    if (d == nullptr || d->pixels == nullptr) return out;
    for (int y = r.top; y < r.bottom && y < d->height; ++y)
      for (int x = r.left; x < r.right && x < d->width; ++x) out.push_back(d->pixels[y * d->width + x]);
    return out;
  }

  bool m_lookOn = false;
  bool m_enteredWithData = false;
  bool m_settlementOpen = false;
  std::vector<std::string> m_logs;
  std::vector<std::string> m_chat;
  std::vector<std::pair<int, int>> m_sounds;
};

std::vector<int> Hand() {
  return {Id(0, 2, 0), Id(0, 3, 0), Id(0, 4, 0), Id(0, 5, 0), Id(0, 6, 0), Id(0, 7, 0), Id(0, 8, 0),
          Id(1, 1, 0), Id(1, 1, 1), Id(1, 5, 0), Id(2, 2, 0), Id(2, 3, 0), Id(2, 7, 0)};
}

TEST_F(TableTouchTest, TheStakePanelShowsTheHandsStakeAndTreasureAsPlayStartsAndGoesWithTheRound) {
  struct Case {
    const char* what;
    int silverTable, silverStake, pointStake, bankerChair, joker1;
    const char* text;
  } cases[] = {
      {"silver table", 1, 500, 30, 0, Id(1, 5, 2), " 500 两"},
      {"points table", 0, 500, 30, 2, Id(2, 9, 3), " 30 分"},
      {"no treasure, banker opposite", 0, 0, 8, 2, -1, " 8 分"},
  };
  const RECT stake = CTableStakePanel::PanelRect(CTableMetrics{});
  std::vector<uint32_t> faceOf[3];
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Deal(DealSpec{Hand(), c.silverTable, c.silverStake, c.pointStake, c.bankerChair, c.joker1});
    CTableStakePanel& panel = m_scene->StakePanel();
    ASSERT_TRUE(panel.Visible());
    EXPECT_EQ(c.text, panel.Text());
    EXPECT_EQ((stake.left + stake.right) / 2 + 1, panel.Panel()->GetX());
    EXPECT_EQ((stake.top + stake.bottom) / 2 + 1, panel.Panel()->GetY());
    // The banker's side carries the coin beside its name, and nobody else.
    const int banker = m_info.ChairToSide(c.bankerChair);
    for (int side = 0; side < 4; ++side)
      EXPECT_EQ(side == banker ? CTableSidePanels::BANKER_ICON : 0, m_scene->SidePanels().Code(side, 0)) << side;
    Entity* treasure = m_scene->Extras().TreasurePanel();
    ASSERT_NE(treasure, nullptr);
    EXPECT_TRUE(treasure->IsVisible());
    faceOf[n++] = PlanePixels(treasure, RECT{40, 2, 40 + 54, 2 + 77});
    if (n == 1) Capture("stake-panel");
    EndRound();
    EXPECT_FALSE(panel.Visible());
    EXPECT_FALSE(treasure->IsVisible());
    for (int side = 0; side < 4; ++side) EXPECT_EQ(0, m_scene->SidePanels().Code(side, 0)) << side;
  }
  // Each treasure tile shows its own face; without one the panel has none.
  EXPECT_NE(faceOf[0], faceOf[1]);
  EXPECT_NE(faceOf[0], faceOf[2]);
  EXPECT_NE(faceOf[1], faceOf[2]);
}

// A hand's end brings the start button back only once its settlement has closed; a hand that
// ended without one (no dialog could open) brings it back at once.
TEST_F(TableTouchTest, TheStartButtonWaitsForTheSettlementToClose) {
  for (const bool settlement : {true, false}) {
    SCOPED_TRACE(settlement ? "settlement open" : "no settlement");
    Deal(DealSpec{Hand()});
    ASSERT_TRUE(m_model.IsPlaying());
    EXPECT_FALSE(m_scene->StartButton()->IsVisible());
    m_settlementOpen = settlement;
    m_info.SetTableStatus(0);
    m_model.RebuildFromGameInfo();
    Advance(40);
    ASSERT_FALSE(m_model.IsPlaying());
    EXPECT_EQ(!settlement, m_scene->StartButton()->IsVisible() != 0);
    Advance(5000);
    EXPECT_EQ(!settlement, m_scene->StartButton()->IsVisible() != 0) << "only the settlement's end brings it";
    m_settlementOpen = false;
    m_scene->OnSettlementClosed();
    Advance(40);
    EXPECT_TRUE(m_scene->StartButton()->IsVisible());
  }
}

// The turns the countdown played in the last hand do not carry managed play into the next one:
// getting ready clears them, unless managed play is on.
TEST_F(TableTouchTest, GettingReadyClearsTheTimedOutTurnsUnlessManagedPlayIsOn) {
  for (const bool managed : {false, true}) {
    SCOPED_TRACE(managed ? "managed play on" : "managed play off");
    Deal(DealSpec{Hand()});
    EndRound();
    ASSERT_TRUE(m_scene->StartButton()->IsVisible());
    m_turn.SetManagedPlay(managed);
    m_turn.Control().SetTimeOutCount(3);
    m_turn.Control().SetManagedStepTicks(1);
    m_scene->PressStart();
    EXPECT_FALSE(m_scene->StartButton()->IsVisible());
    EXPECT_EQ(managed ? 3 : 0, m_turn.Control().TimeOutCount());
    EXPECT_EQ(0, m_turn.Control().ManagedStepTicks());
    m_turn.SetManagedPlay(false);
  }
}

TEST_F(TableTouchTest, AnOnlookersHoveredTileGoesTransparentUnderTheHandCursor) {
  m_lookOn = true;
  m_model.SetLookOn(true);
  Deal(DealSpec{Hand()});
  const int place = CTileTable::FIRST_STANDING + 2;
  const RECT rest = m_scene->OwnTileRect(place);
  ASSERT_LT(rest.left, rest.right) << "the watched hand was not drawn";
  Entity* tile = OwnEntity(place);
  ASSERT_NE(tile, nullptr);
  m_sounds.clear();
  const POINT on = Centre(rest);
  Move(on.x, on.y);
  EXPECT_EQ(place, m_scene->LookHoverIndex());
  EXPECT_DOUBLE_EQ(CVariantTableScene::LOOK_HOVER_ALPHA, OwnEntity(place)->GetAlpha());
  EXPECT_EQ(LoadCursorA(nullptr, IDC_HAND), Cursor());
  EXPECT_EQ((std::vector<std::pair<int, int>>{{29100, 0x11}}), m_sounds);
  EXPECT_EQ(rest.top, m_scene->OwnTileRect(place).top) << "an onlooker's tile does not rise";
  Capture("onlooker-hover");
  // To the next tile: the first one is whole again and the next one takes the look.
  const POINT next = Centre(m_scene->OwnTileRect(place + 1));
  Move(next.x, next.y);
  EXPECT_DOUBLE_EQ(1.0, OwnEntity(place)->GetAlpha());
  EXPECT_DOUBLE_EQ(CVariantTableScene::LOOK_HOVER_ALPHA, OwnEntity(place + 1)->GetAlpha());
  EXPECT_EQ(2u, m_sounds.size());
  // Off the hand: the arrow, and every tile whole.
  Move(600, 300);
  EXPECT_EQ(-1, m_scene->LookHoverIndex());
  EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), Cursor());
  for (int i = 0; i < CTileTable::HAND_SIZE; ++i)
    if (Entity* e = Own(i)->present ? OwnEntity(i) : nullptr) EXPECT_DOUBLE_EQ(1.0, e->GetAlpha()) << i;
}

TEST_F(TableTouchTest, APlayersHoveredTileRisesWithoutTheOnlookersLook) {
  Deal(DealSpec{Hand()});
  const int place = CTileTable::FIRST_STANDING + 2;
  const RECT rest = m_scene->OwnTileRect(place);
  const POINT on = Centre(rest);
  Move(on.x, on.y);
  EXPECT_LT(m_scene->OwnTileRect(place).top, rest.top);
  EXPECT_EQ(-1, m_scene->LookHoverIndex());
  EXPECT_DOUBLE_EQ(1.0, OwnEntity(place)->GetAlpha());
}

TEST_F(TableTouchTest, TheManagedBannerBlinksInRandomColoursEveryTenthOfASecondWhileShown) {
  Deal(DealSpec{Hand()});
  CManagedBanner& banner = m_scene->ManagedBanner();
  ASSERT_TRUE(banner.Built());
  Entity* plane = banner.Banner();
  const PlaneData* d = PlaneEntity::GetData(plane);
  ASSERT_NE(d, nullptr);
  auto count = [&](uint32_t colour) {
    const uint32_t packed = PlaneEntity::PackColor(colour, d->keyColor);
    return std::count(d->pixels, d->pixels + d->width * d->height, packed);
  };
  const auto caption = count(CManagedBanner::FIRST_COLOUR);
  ASSERT_GT(caption, 0) << "the caption is drawn in the colour that blinks";
  // A colour some other pixel of the banner has (its frame, say).
  uint32_t taken = 0;
  for (int i = 0; i < d->width * d->height && taken == 0; ++i) {
    const uint32_t p = d->pixels[i];
    const uint32_t colour = (p & 0xFF) << 16 | (p & 0xFF00) | (p >> 16 & 0xFF);
    if ((p >> 24) != 0 && colour != CManagedBanner::FIRST_COLOUR && colour != 0xFFFFFF) taken = colour;
  }
  ASSERT_NE(0u, taken);
  std::deque<int> bytes;
  banner.SetRandom([&bytes] {
    if (bytes.empty()) return 0x42;
    const int b = bytes.front();
    bytes.pop_front();
    return b;
  });
  auto feed = [&bytes](uint32_t colour) {
    bytes.push_back(colour & 0xFF), bytes.push_back(colour >> 8 & 0xFF), bytes.push_back(colour >> 16 & 0xFF);
  };
  // How long the next step takes to come, in steps of 10 ms: a step is due 100 ms after the last
  // one and runs with the first engine frame (one each 40 ms) from then on; -1 for none in 300 ms.
  auto nextStep = [&] {
    for (int waited = 10; waited <= 300; waited += 10) {
      Advance(10);
      if (bytes.empty()) return waited;
    }
    return -1;
  };
  EXPECT_FALSE(banner.Visible());
  m_turn.SetManagedPlay(true);
  Advance(40);  // the next frame shows the banner
  ASSERT_TRUE(banner.Visible());
  struct Step {
    const char* what;
    uint32_t drawn;     // the colour the random bytes make
    uint32_t expected;  // the caption's colour after the step
  } steps[] = {
      {"a new colour", 0x302010, 0x302010},
      {"the key colour is skipped", 0xFF00FF, 0x302010},
      {"white is skipped", 0xFFFFFF, 0x302010},
      {"a colour of the frame is skipped", taken, 0x302010},
      {"the next new colour", 0x030201, 0x030201},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    feed(s.drawn);
    const int waited = nextStep();
    EXPECT_GE(waited, 90) << "no step before 100 ms";
    EXPECT_LE(waited, 150) << "and the step after them at the next frame";
    EXPECT_EQ(s.expected, banner.Colour());
    EXPECT_EQ(caption, count(s.expected)) << "the caption keeps every pixel";
  }
  Capture("managed-banner");
  // Switched off: hidden, and the task holds still.
  m_turn.SetManagedPlay(false);
  Advance(50);
  EXPECT_FALSE(banner.Visible());
  feed(0x3C7F0A);
  Advance(500);
  EXPECT_EQ(3u, bytes.size());
  EXPECT_EQ(0x030201u, banner.Colour());
  // On again: the blinking goes on from the colour it had.
  m_turn.SetManagedPlay(true);
  const int waited = nextStep();
  EXPECT_TRUE(banner.Visible());
  EXPECT_GE(waited, 100);
  EXPECT_LE(waited, 200);
  EXPECT_EQ(0x3C7F0Au, banner.Colour());
  EXPECT_EQ(caption, count(0x3C7F0A));
}

TEST_F(TableTouchTest, TheDraggedTilesPictureFollowsTheMouseAlongTheHandAndGoesOnTheDrop) {
  Deal(DealSpec{Hand()});
  const int from = CTileTable::FIRST_STANDING;
  const int dragged = Own(from)->tileId;
  const RECT home = m_scene->OwnTileRect(from);
  ASSERT_LT(home.left, home.right);
  const POINT grab{home.left + 10, (home.top + home.bottom) / 2};
  Move(grab.x, grab.y);
  SendMessageA(m_view.Window(), WM_RBUTTONDOWN, 0, At(grab.x, grab.y));
  Advance(20);
  const CDragPicture& picture = m_scene->DragPicture();
  ASSERT_TRUE(picture.Active());
  ASSERT_NE(picture.Picture(), nullptr);
  EXPECT_TRUE(picture.Picture()->IsVisible());
  EXPECT_FALSE(OwnEntity(from)->IsVisible()) << "the tile left its place";
  EXPECT_EQ(CDragPicture::LEVEL, picture.Picture()->GetLevel());
  const int w = home.right - home.left;
  const int y = picture.Centre().y;
  // Along the hand the picture keeps the grab point under the mouse and its height.
  for (int dx : {0, 40, 150, 300, 120}) {
    SCOPED_TRACE(dx);
    Move(grab.x + dx, grab.y - 15);
    EXPECT_EQ(grab.x + dx - 10 + w / 2, picture.Centre().x);
    EXPECT_EQ(y, picture.Centre().y);
  }
  Capture("drag");
  // Let go on the right half of the fourth tile: the picture goes and the tile is there.
  const int target = from + 3;
  const RECT onto = m_scene->OwnTileRect(target);
  Move(onto.right - 3, (onto.top + onto.bottom) / 2);
  SendMessageA(m_view.Window(), WM_RBUTTONUP, 0, At(onto.right - 3, (onto.top + onto.bottom) / 2));
  Advance(40);
  EXPECT_FALSE(picture.Active());
  EXPECT_FALSE(picture.Picture()->IsVisible());
  EXPECT_EQ(dragged, Own(target)->tileId);
  EXPECT_TRUE(OwnEntity(target)->IsVisible());
  EXPECT_TRUE(OwnEntity(from)->IsVisible());
}

TEST_F(TableTouchTest, ADragThatLeavesTheHandEndsWhereTheTileWasLastInsideIt) {
  Deal(DealSpec{Hand()});
  const int from = CTileTable::FIRST_STANDING + 1;
  const int dragged = Own(from)->tileId;
  const POINT grab = Centre(m_scene->OwnTileRect(from));
  Move(grab.x, grab.y);
  SendMessageA(m_view.Window(), WM_RBUTTONDOWN, 0, At(grab.x, grab.y));
  Advance(20);
  ASSERT_EQ(from, m_scene->DragIndex());
  // Over the right half of the fifth tile, then straight up off the hand.
  const RECT onto = m_scene->OwnTileRect(from + 4);
  Move(onto.right - 3, (onto.top + onto.bottom) / 2);
  Move(onto.right - 3, 200);
  EXPECT_EQ(-1, m_scene->DragIndex());
  EXPECT_FALSE(m_scene->DragPicture().Active());
  EXPECT_EQ(dragged, Own(from + 4)->tileId);
  // The button let go later finds no drag.
  SendMessageA(m_view.Window(), WM_RBUTTONUP, 0, At(onto.right - 3, 200));
  Advance(40);
  EXPECT_EQ(dragged, Own(from + 4)->tileId);
}

TEST_F(TableTouchTest, ADragGivenUpByTheTurnDropsTheTileWhereTheMouseIs) {
  Deal(DealSpec{Hand()});
  const int from = CTileTable::FIRST_STANDING;
  const int dragged = Own(from)->tileId;
  const POINT grab = Centre(m_scene->OwnTileRect(from));
  Move(grab.x, grab.y);
  SendMessageA(m_view.Window(), WM_RBUTTONDOWN, 0, At(grab.x, grab.y));
  Advance(20);
  const RECT onto = m_scene->OwnTileRect(from + 2);
  Move(onto.right - 3, (onto.top + onto.bottom) / 2);
  m_turn.CancelHandDrag();
  Advance(20);
  EXPECT_EQ(-1, m_scene->DragIndex());
  EXPECT_FALSE(m_scene->DragPicture().Active());
  EXPECT_EQ(dragged, Own(from + 2)->tileId);
}

TEST_F(TableTouchTest, ANewTableSizeGivesADragUpAndLeavesTheHandAsItWas) {
  Deal(DealSpec{Hand()});
  std::vector<int> before;
  for (int i = 0; i < CTileTable::HAND_SIZE; ++i) before.push_back(Own(i)->present ? Own(i)->tileId : -1);
  const int from = CTileTable::FIRST_STANDING + 3;
  const POINT grab = Centre(m_scene->OwnTileRect(from));
  Move(grab.x, grab.y);
  SendMessageA(m_view.Window(), WM_RBUTTONDOWN, 0, At(grab.x, grab.y));
  Move(grab.x + 100, grab.y);
  ASSERT_TRUE(m_scene->DragPicture().Active());
  SendMessageA(m_view.Window(), WM_SIZE, 0, MAKELPARAM(1000, 740));
  Advance(80);
  EXPECT_EQ(-1, m_scene->DragIndex());
  EXPECT_FALSE(m_scene->DragPicture().Active());
  EXPECT_TRUE(OwnEntity(from)->IsVisible());
  std::vector<int> after;
  for (int i = 0; i < CTileTable::HAND_SIZE; ++i) after.push_back(Own(i)->present ? Own(i)->tileId : -1);
  EXPECT_EQ(before, after);
}

// Entered into a hand under way: the table takes it up from the table data.
class TableTouchResumeTest : public TableTouchTest {
 protected:
  void BeforeStart() override {
    testbed::TableInfoRecord t;
    t.status = 0x1;
    t.currentChair = 1;
    t.discardTime = 15;
    t.claimTime = 10;
    t.wallStart = 40;
    t.wallHead = 93;
    t.indicatorTile = -1;
    t.silverTable = 1;
    t.silverStake = 300;
    t.banker = 1;
    t.joker1 = Id(0, 7, 1);
    t.handCounts = {13, 13, 13, 13};
    t.ownHand = Hand();
    const testbed::BodyData record = t.Write();
    std::memcpy(m_info.GetTableInfo(), record.data(), std::min(record.size(), TableInfoLayout::SIZE));
    m_enteredWithData = true;
  }
};

TEST_F(TableTouchResumeTest, AHandTakenUpShowsItsStakeTreasureAndBanker) {
  ASSERT_EQ(1, m_scene->HandsResumed());
  EXPECT_TRUE(m_scene->StakePanel().Visible());
  EXPECT_EQ(" 300 两", m_scene->StakePanel().Text());
  ASSERT_NE(m_scene->Extras().TreasurePanel(), nullptr);
  EXPECT_TRUE(m_scene->Extras().TreasurePanel()->IsVisible());
  const int banker = m_info.ChairToSide(1);
  for (int side = 0; side < 4; ++side)
    EXPECT_EQ(side == banker ? CTableSidePanels::BANKER_ICON : 0, m_scene->SidePanels().Code(side, 0)) << side;
}

}  // namespace
