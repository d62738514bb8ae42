// The table drawn with the game's own pictures: the style's tile strips, backs, wall and clock
// loaded from the generated game data, each tile record bound to a picture entity showing the
// frame its zone and side call for. Renderings go to build/tests/table-renderings/.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/EngineUtil.h"
#include "engine/Entity.h"
#include "engine/PictureEntity.h"
#include "engine/PlaneEntity.h"
#include "framework/PlayerTables.h"
#include "mahjong/MJGameNotify.h"
#include "mahjong/MJTableView.h"
#include "mahjong/SeatLayout.h"
#include "mahjong/TileRules.h"
#include "mahjong/scene/TableModel.h"
#include "mahjong/scene/TilePictures.h"
#include "testbed/server/BodyReader.h"
#include "testbed/server/FrameworkRecords.h"
#include "testbed/table/MahjongTable.h"
#include "testbed/table/MahjongTableGame.h"
#include "testbed/table/TableRunner.h"
#include "tests/variant/support/TableViewFixture.h"
#include "variant/VariantGameInfo.h"
#include "variant/VariantTableScene.h"

namespace {

class TablePicturesTest : public tabletest::VariantTableFixture {
 protected:
  void SetUp() override {
    VariantTableFixture::SetUp();
    // The program folder gets the game data the build generated.
    if (WithSkins()) LinkGameData();
    m_info.SetOwnChair(0);
    CVariantTableScene::Hooks hooks;
    hooks.sideName = [](int side) { return std::string(side == 3 ? "甲" : "乙"); };
    hooks.log = [this](const std::string& line) { m_logs.push_back(line); };
    hooks.isLookOn = [this] { return m_lookOn; };
    MakeScene(hooks)->SetSmallScreen(SmallScreen());
    OpenScene();
  }
  virtual bool WithSkins() const { return true; }
  // The table pane of an 800 x 600 screen.
  static constexpr int SMALL_WIDTH = 612, SMALL_HEIGHT = 578;
  virtual bool SmallScreen() const { return false; }
  int ParentWidth() const override { return SmallScreen() ? SMALL_WIDTH : 1024; }
  int ParentHeight() const override { return SmallScreen() ? SMALL_HEIGHT : 768; }
  // The picture a record is shown with: its resource and the frame's source x and size.
  struct Shown {
    bool visible = false;
    uint32_t resource = 0;
    int sx = 0, w = 0, h = 0;
  };
  Shown ShownAs(int zone, int side, int index) {
    Shown s;
    const MJTile* t = m_model.Tiles().GetTileRecord(zone, side, index);
    Entity* e = m_scene->Binder().RowEntity(t->nObject);
    if (e == nullptr) return s;
    const PictureState* p = PictureEntity::GetState(e);
    if (p == nullptr) return s;
    s.visible = e->IsVisible() != 0;
    s.resource = static_cast<uint32_t>(p->resourceId);
    s.sx = p->sourceX, s.w = p->width, s.h = p->height;
    return s;
  }

  std::vector<std::string> m_logs;
  bool m_lookOn = false;
};

TEST_F(TablePicturesTest, EveryTileShowsTheFrameOfItsZoneAndSide) {
  const CTilePictureSet& pics = m_scene->Pictures();
  ASSERT_TRUE(pics.Loaded()) << (m_logs.empty() ? "" : m_logs.front());
  EXPECT_EQ("Classic", pics.Style());
  // The own hand is known; the others are hidden from a player.
  int own[13], hidden[13];
  for (int i = 0; i < 13; ++i) own[i] = i * 9 + (i % 3), hidden[i] = MJ_TILE_HIDDEN;
  m_model.SetHandTiles(SIDE_OWN, own, 13);
  for (int side = 0; side < 3; ++side) m_model.SetHandTiles(side, hidden, 13);
  for (int i = 0; i < 136; ++i) m_model.Tiles().GetTileRecord(MJ_ZONE_WALL, 0, i)->present = i >= 20 ? 1 : 0;
  Capture("pictures-dealt");

  // Chair 1 (side 2) discards a 4 of bamboo: it lies large as the played tile.
  std::vector<BYTE> discard(88, 0);
  const int chair = 1, tile = 39;
  std::memcpy(discard.data() + 4, &chair, 4);
  std::memcpy(discard.data() + 84, &tile, 4);
  ASSERT_TRUE(m_model.OnTileDiscarded(discard.data(), discard.size()));
  Capture("pictures-played");

  const int playedSide = m_info.ChairToSide(1);
  struct Case {
    const char* what;
    int zone, side, index, picture, sx, w, h;
  } cases[] = {
      {"own standing", MJ_ZONE_HAND, SIDE_OWN, 1, TPIC_LARGE, -1, 54, 77},
      {"own standing", MJ_ZONE_HAND, SIDE_OWN, 13, TPIC_LARGE, -1, 54, 77},
      {"side 0 hidden", MJ_ZONE_HAND, 0, 1, TPIC_SIDE0, 0, 19, 49},
      {"side 1 hidden", MJ_ZONE_HAND, 1, 1, TPIC_SIDE1, 0, 26, 37},
      {"side 2 hidden", MJ_ZONE_HAND, 2, 1, TPIC_SIDE2, 0, 19, 49},
      {"played", MJ_ZONE_PLAYED, playedSide, 0, TPIC_LARGE, 12 * 54, 54, 77},
      {"wall side 0", MJ_ZONE_WALL, 0, 20, -1, 0, -1, -1},
  };
  for (const Case& c : cases) {
    const MJTile* t = m_model.Tiles().GetTileRecord(c.zone, c.side, c.index);
    ASSERT_TRUE(t->present) << c.what;
    const Shown s = ShownAs(c.zone, c.side, c.index);
    EXPECT_TRUE(s.visible) << c.what;
    if (c.picture >= 0) EXPECT_EQ(pics.Id(c.picture), s.resource) << c.what;
    EXPECT_EQ(c.sx >= 0 ? c.sx : GetFaceIndex(t->tileId) * 54, s.sx) << c.what;
    if (c.w >= 0) EXPECT_EQ(c.w, s.w) << c.what;
    if (c.h >= 0) EXPECT_EQ(c.h, s.h) << c.what;
  }
  // Every present wall tile and no taken one has a picture.
  int wall = 0;
  for (int i = 0; i < 136; ++i) {
    const MJTile* t = m_model.Tiles().GetTileRecord(MJ_ZONE_WALL, 0, i);
    EXPECT_EQ(t->present != 0, t->nObject != 0) << i;
    wall += t->nObject != 0 ? 1 : 0;
  }
  EXPECT_EQ(116, wall);
}

// A joker in a hand shows tinted on every side, standing or laid in a meld; an own joker dimmed
// for the choice at hand is drawn darkened, without the tint.
TEST_F(TablePicturesTest, JokersInTheHandsAreTinted) {
  ASSERT_TRUE(m_scene->Pictures().Loaded());
  testbed::TableInfoRecord info;
  info.joker1 = 4;  // 5 of characters: ids 4, 13, 22 and 31
  info.indicatorTile = -1;
  testbed::BodyData body = info.WriteNewHand();
  ASSERT_TRUE(m_info.CopyTableInfo(body.data(), body.size()));
  int own[13];
  for (int i = 0; i < 13; ++i) own[i] = 36 + i;
  own[0] = 4, own[1] = 13;
  m_model.SetHandTiles(SIDE_OWN, own, 13);
  // Side 1 lays a face-up meld with a joker in it.
  MJTile* meld = m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, 1, CTileTable::TOP_MELD_GROUP);
  meld->tileId = 22, meld->present = 1, meld->standing = 0, meld->meldKind = 1, meld->nFace = 1;
  MJTile* plain = m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, 1, CTileTable::TOP_MELD_GROUP - 1);
  plain->tileId = 50, plain->present = 1, plain->standing = 0, plain->meldKind = 1, plain->nFace = 1;
  auto placeOf = [this](int tile) {
    for (int i = 0; i < CTileTable::HAND_SIZE; ++i) {
      const MJTile* t = m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, i);
      if (t->present && t->tileId == tile) return i;
    }
    return -1;
  };
  const int dimmed = placeOf(13);
  ASSERT_GE(dimmed, 0);
  m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, dimmed)->attrB = 1;
  Capture("pictures-jokers");
  struct Case {
    const char* what;
    int side, index;
    double alpha;
    uint32_t back;
  } cases[] = {
      {"own joker", SIDE_OWN, placeOf(4), 0.7, 0x120AF5},
      {"own joker, dimmed", SIDE_OWN, dimmed, 0.6, 0},
      {"own plain tile", SIDE_OWN, placeOf(40), 1.0, CTilePictureSet::KEY},
      {"joker in side 1's meld", 1, CTileTable::TOP_MELD_GROUP, 0.7, 0x120AF5},
      {"plain tile in side 1's meld", 1, CTileTable::TOP_MELD_GROUP - 1, 1.0, CTilePictureSet::KEY},
  };
  for (const Case& c : cases) {
    ASSERT_GE(c.index, 0) << c.what;
    const MJTile* t = m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, c.side, c.index);
    Entity* e = m_scene->Binder().RowEntity(t->nObject);
    ASSERT_NE(e, nullptr) << c.what;
    EXPECT_DOUBLE_EQ(c.alpha, e->GetAlpha()) << c.what;
    EXPECT_EQ(c.back, PictureEntity::GetBackColor(e)) << c.what;
  }
}

// An own tile the player may not choose is darkened: drawn at 0.6 over black, so that the
// table under it never shows through; the tiles beside it keep their look.
TEST_F(TablePicturesTest, ADimmedOwnTileIsDarkenedNotSeeThrough) {
  ASSERT_TRUE(m_scene->Pictures().Loaded());
  int own[13];
  for (int i = 0; i < 13; ++i) own[i] = 36 + 2 * i;
  m_model.SetHandTiles(SIDE_OWN, own, 13);
  const int place = 5, beside = 6;
  const std::vector<uint32_t> plain = Capture("pictures-undimmed");
  Entity* e = m_scene->Binder().RowEntity(m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, place)->nObject);
  ASSERT_NE(e, nullptr);
  const int cx = e->GetX(), cy = e->GetY(), w = e->GetWidth(), h = e->GetHeight();
  Entity* n = m_scene->Binder().RowEntity(m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, beside)->nObject);
  ASSERT_NE(n, nullptr);
  const int nx = n->GetX(), ny = n->GetY();
  m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, place)->attrB = 1;
  m_scene->PaintBoard();
  const std::vector<uint32_t> dimmed = Capture("pictures-dimmed");
  auto channel = [](uint32_t c, int shift) { return static_cast<int>((c >> shift) & 0xff); };
  int samples = 0;
  // Samples across the face, clear of its edges (the frames of a tile picture are keyed at their
  // corners).
  for (int dy = -h / 3; dy <= h / 3; dy += 6) {
    for (int dx = -w / 3; dx <= w / 3; dx += 5) {
      const uint32_t before = At(plain, cx + dx, cy + dy), after = At(dimmed, cx + dx, cy + dy);
      for (int shift : {0, 8, 16}) {
        EXPECT_NEAR(channel(before, shift) * 6 / 10, channel(after, shift), 3)
            << "at " << dx << "," << dy << ": " << std::hex << before << " -> " << after;
      }
      EXPECT_EQ(At(plain, nx + dx, ny + dy), At(dimmed, nx + dx, ny + dy)) << "the tile beside is not dimmed";
      ++samples;
    }
  }
  EXPECT_GT(samples, 20);
}

TEST_F(TablePicturesTest, ChangedRecordsAreDrawnAnewAndRefusedBodiesLeaveThePicturesAlone) {
  ASSERT_TRUE(m_scene->Pictures().Loaded());
  int own[13];
  for (int i = 0; i < 13; ++i) own[i] = 4 * i;
  m_model.SetHandTiles(SIDE_OWN, own, 13);
  Capture("pictures-own");
  const int bound = m_scene->Binder().Table().BoundCount();
  EXPECT_EQ(13, bound);
  const int before = m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, 5)->nObject;
  // Raising a tile draws that tile anew, lifted; the others keep their pictures.
  m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, 5)->attrA = 1;
  const int keptRow = m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, 6)->nObject;
  m_scene->PaintBoard();
  const MJTile* raised = m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, 5);
  const MJTile* kept = m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, 6);
  EXPECT_NE(0, raised->nObject);
  EXPECT_EQ(keptRow, kept->nObject);
  Entity* up = m_scene->Binder().RowEntity(raised->nObject);
  Entity* level = m_scene->Binder().RowEntity(kept->nObject);
  ASSERT_NE(up, nullptr);
  ASSERT_NE(level, nullptr);
  EXPECT_EQ(level->GetY() - 10, up->GetY());
  (void)before;
  // A discard body cut short changes nothing on the table.
  std::vector<BYTE> discard(88, 0);
  EXPECT_FALSE(m_model.OnTileDiscarded(discard.data(), 40));
  m_scene->PaintBoard();
  EXPECT_EQ(13, m_scene->Binder().Table().BoundCount());
  // A new layout lets every row go; the next paint binds them again.
  m_scene->Binder();
  EXPECT_TRUE(m_logs.empty()) << m_logs.front();
}

// A new hand clears the table: the last hand's pictures go with it, even where the new hand puts
// the same tile in the same place, so no place is shown twice and no row is kept for nothing.
TEST_F(TablePicturesTest, ANewHandLetsTheLastHandsPicturesGo) {
  ASSERT_TRUE(m_scene->Pictures().Loaded());
  int own[13];
  for (int i = 0; i < 13; ++i) own[i] = 4 * i;
  auto shownRecords = [this] {
    int n = 0;
    const CTileTable& t = m_model.Tiles();
    for (int i = 0; i < CTileTable::WALL_PLACES; ++i) n += t.GetTileRecord(MJ_ZONE_WALL, 0, i)->nObject != 0 ? 1 : 0;
    for (int side = 0; side < CTileTable::SIDES; ++side)
      for (int i = 0; i < CTileTable::HAND_PLACES; ++i) n += t.GetTileRecord(MJ_ZONE_HAND, side, i)->nObject != 0 ? 1 : 0;
    return n;
  };
  int first = 0;
  for (int hand = 0; hand < 3; ++hand) {
    SCOPED_TRACE("hand " + std::to_string(hand));
    m_model.ResetTable();
    m_model.SetHandTiles(SIDE_OWN, own, 13);
    m_scene->PaintBoard();
    const int bound = m_scene->Binder().Table().BoundCount();
    EXPECT_EQ(shownRecords(), bound) << "every row shows a record that names it";
    if (hand == 0) first = bound;
    EXPECT_EQ(first, bound);
  }
  EXPECT_TRUE(m_logs.empty()) << m_logs.front();
}

// A hidden hand that closes up after a gang: its tiles are drawn at their new places, not where
// they stood before, so the meld is not covered by an old tile and no tile goes missing.
TEST_F(TablePicturesTest, AHandThatClosesUpIsDrawnWhereItsTilesNowStand) {
  ASSERT_TRUE(m_scene->Pictures().Loaded());
  int hidden[13];
  for (int i = 0; i < 13; ++i) hidden[i] = MJ_TILE_HIDDEN;
  m_model.SetHandTiles(SIDE_TOP, hidden, 13);
  const std::vector<uint32_t> before = Capture("top-hand-before-gang");
  // The top side makes an exposed gang of four west winds from the side on its right.
  std::vector<BYTE> gang(48, 0);
  const int fields[] = {m_info.SideToChair(SIDE_TOP), m_info.SideToChair(0), 110, 117, 124, 131, 0, 200, 38};
  std::memcpy(gang.data() + 12, fields, sizeof fields);
  ASSERT_TRUE(m_model.OnGangMeld(229195, gang.data(), gang.size()));
  const std::vector<uint32_t> after = Capture("top-hand-after-gang");
  // Every standing tile is drawn where its entity stands: all backs alike, the felt nowhere.
  auto pixel = [](const std::vector<uint32_t>& p, int x, int y) { return p[static_cast<size_t>(y) * 1024 + x] & 0xffffff; };
  const MJTile* first = m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_TOP, CTileTable::FIRST_STANDING);
  Entity* firstTile = m_scene->Binder().RowEntity(first->nObject);
  ASSERT_NE(firstTile, nullptr);
  int standing = 0;
  for (int i = CTileTable::FIRST_STANDING; i <= CTileTable::LAST_STANDING; ++i) {
    const MJTile* t = m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_TOP, i);
    if (!t->present) continue;
    ++standing;
    Entity* e = m_scene->Binder().RowEntity(t->nObject);
    ASSERT_NE(e, nullptr) << i;
    for (int dy : {-9, 0, 9}) {
      EXPECT_EQ(pixel(after, e->GetX(), e->GetY() + dy), pixel(after, firstTile->GetX(), firstTile->GetY() + dy))
          << "standing tile " << i << " at x " << e->GetX();
    }
  }
  EXPECT_EQ(standing, 10);
  // The meld's outer tile shows its face, not a back drawn over it.
  const MJTile* outer = m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_TOP, CTileTable::TOP_MELD_GROUP);
  Entity* outerTile = m_scene->Binder().RowEntity(outer->nObject);
  ASSERT_NE(outerTile, nullptr);
  const MJTile* inner = m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_TOP, CTileTable::TOP_MELD_GROUP - 1);
  Entity* innerTile = m_scene->Binder().RowEntity(inner->nObject);
  ASSERT_NE(innerTile, nullptr);
  for (int dy = -12; dy <= 12; dy += 4) {
    EXPECT_EQ(pixel(after, outerTile->GetX(), outerTile->GetY() + dy), pixel(after, innerTile->GetX(), innerTile->GetY() + dy))
        << "the four west winds look alike, row " << dy;
  }
}

// The banker carries one mark on the engine table, the coin among his side panel's icons; the
// skin's plate mark belongs to the window-drawn table and is not drawn on top of it, so the
// table beside the banker's hand looks the same whoever is banker.
TEST_F(TablePicturesTest, TheBankerCarriesOnlyTheCoin) {
  ASSERT_TRUE(m_scene->SidePanels().Built());
  RECT own{};
  ASSERT_TRUE(m_scene->Binder().Metrics().GetHandArea(SIDE_OWN, &own));
  // Where a plate mark would stand: at the start of the own hand, just above it.
  const RECT plate{own.left, own.top - 26, own.left + 30, own.top};
  auto dealtWithBanker = [this](int chair) {
    testbed::TableInfoRecord info;
    info.banker = chair;
    info.indicatorTile = -1;
    testbed::BodyData body = info.WriteNewHand();
    EXPECT_TRUE(m_info.CopyTableInfo(body.data(), body.size()));
    m_scene->SidePanels().ResetSideEffects();
    m_scene->ShowStakePanel();
    m_scene->PaintBoard();
  };
  dealtWithBanker(m_info.SideToChair(SIDE_TOP));
  const std::vector<uint32_t> other = Capture("pictures-banker-top");
  dealtWithBanker(m_info.SideToChair(SIDE_OWN));
  const std::vector<uint32_t> banker = Capture("pictures-banker-own");
  for (int side = 0; side < 4; ++side)
    EXPECT_EQ(side == SIDE_OWN ? CTableSidePanels::BANKER_ICON : 0, m_scene->SidePanels().Code(side, 0)) << side;
  int differing = 0;
  for (int y = plate.top; y < plate.bottom; ++y)
    for (int x = plate.left; x < plate.right; ++x) differing += At(other, x, y) != At(banker, x, y) ? 1 : 0;
  EXPECT_EQ(0, differing) << "no second banker mark beside the own hand";
}

TEST_F(TablePicturesTest, TheOwnHandStandsAboveTheSystemBar) {
  Entity* bar = m_scene->Bars().SystemBar() != nullptr ? m_scene->Bars().SystemBar()->GetAnchor() : nullptr;
  ASSERT_NE(bar, nullptr);
  ASSERT_TRUE(bar->IsVisible());
  const CTableMetrics& metrics = m_scene->Binder().Metrics();
  EXPECT_EQ(metrics.systemBarHeight, bar->GetHeight());
  RECT own{};
  ASSERT_TRUE(metrics.GetHandArea(SIDE_OWN, &own));
  const int barTop = bar->GetY() - bar->GetHeight() / 2;
  const int barLeft = bar->GetX() - bar->GetWidth() / 2;
  EXPECT_LE(own.bottom, barTop);
  EXPECT_EQ(own.bottom, 768 - bar->GetHeight() - 4);
  EXPECT_GT(own.right, barLeft) << "the bar lies under the hand's right end";
  // The action buttons stand above the hand.
  Entity* actions = m_scene->Bars().OperationBar() != nullptr ? m_scene->Bars().OperationBar()->GetAnchor() : nullptr;
  ASSERT_NE(actions, nullptr);
  EXPECT_LE(actions->GetY() + actions->GetHeight() / 2, own.top) << actions->GetY() << " " << actions->GetHeight();
  for (uint32_t i = 0; i < 5; ++i) {
    ControlRecord* button = m_scene->Bars().OperationBar()->GetButton(i);
    if (button == nullptr || button->entity == nullptr) continue;
    EXPECT_LE(button->entity->GetY() + button->entity->GetHeight() / 2, own.top) << i;
  }
}

// On an 800 x 600 screen the table pane is 612 pixels wide: the own hand takes the smaller
// tiles, and every hand and name plate stays inside the pane.
class SmallScreenTableTest : public TablePicturesTest {
 protected:
  bool SmallScreen() const override { return true; }
};

TEST_F(SmallScreenTableTest, HandsAndPlatesStayInsideThePane) {
  const CTableMetrics& metrics = m_scene->Binder().Metrics();
  EXPECT_TRUE(metrics.IsSmallScreen());
  EXPECT_EQ(metrics.sceneWidth, SMALL_WIDTH);
  m_scene->PaintBoard();
  for (int side = 0; side < 4; ++side) {
    SCOPED_TRACE(side);
    RECT hand{};
    ASSERT_TRUE(metrics.GetHandArea(side, &hand));
    EXPECT_GE(hand.left, 0);
    EXPECT_GE(hand.top, 0);
    EXPECT_LE(hand.right, SMALL_WIDTH);
    EXPECT_LE(hand.bottom, SMALL_HEIGHT);
    Entity* plate = m_scene->SidePanels().Panel(side);
    ASSERT_NE(plate, nullptr);
    ASSERT_TRUE(plate->IsVisible());
    const bool turned = side == 0 || side == 2;
    const int halfW = (turned ? CTableSidePanels::PANEL_HEIGHT : CTableSidePanels::PANEL_WIDTH) / 2;
    const int halfH = (turned ? CTableSidePanels::PANEL_WIDTH : CTableSidePanels::PANEL_HEIGHT) / 2;
    EXPECT_GE(plate->GetX() - halfW, 0);
    EXPECT_GE(plate->GetY() - halfH, 0);
    EXPECT_LE(plate->GetX() + halfW, SMALL_WIDTH);
    EXPECT_LE(plate->GetY() + halfH, SMALL_HEIGHT);
  }
}

TEST_F(SmallScreenTableTest, TheStartButtonStandsAboveTheTiles) {
  // A dealt hand fills the wall and the hands; after a hand the start button comes back over
  // them, so it must be drawn above every tile picture.
  tabletest::WatchingHost host;
  m_info.SetOwnChair(1);
  m_model.SetLookOn(true);
  m_lookOn = true;
  CMJGameNotify sink(m_info, m_model, host);
  testbed::TableConfig config;
  config.seed = 11;
  testbed::MahjongTable table(config);
  testbed::TableRunner runner(table);
  runner.Take(table.Watch(9100, 1));
  for (int chair = 0; chair < 4; ++chair) runner.Take(table.SeatBot(chair, 9001 + chair));
  ASSERT_EQ(runner.RunUntilHands(1, 100000), 1);
  for (const testbed::TableMessage& m : runner.Messages()) {
    if (m.toUser != 9100 || m.reply) continue;
    sink.OnNotify(m.code, m.body.data(), m.body.size());
    Advance(20);
    if (m.code == 211040) break;  // dealt
  }
  Entity* start = m_scene->StartButton();
  ASSERT_NE(start, nullptr);
  int tiles = 0;
  for (int row = 1; row < CTileEntityTable::ROWS; ++row) {
    Entity* e = m_scene->Binder().RowEntity(row);
    if (e == nullptr || !e->IsVisible()) continue;
    ++tiles;
    EXPECT_LT(e->GetLevel(), start->GetLevel()) << row;
  }
  EXPECT_GT(tiles, 100);
}

// A whole hand of the testbed's table watched from chair 1: the renderings show the real
// faces, walls and clock from the deal to the result.
TEST_F(TablePicturesTest, AWatchedHandIsDrawnWithTheGamesPictures) {
  tabletest::WatchingHost host;
  m_info.SetOwnChair(1);
  m_model.SetLookOn(true);
  m_lookOn = true;
  CMJGameNotify sink(m_info, m_model, host);
  testbed::TableConfig config;
  config.seed = 11;
  testbed::MahjongTable table(config);
  testbed::TableRunner runner(table);
  runner.Take(table.Watch(9100, 1));
  for (int chair = 0; chair < 4; ++chair) runner.Take(table.SeatBot(chair, 9001 + chair));
  ASSERT_EQ(runner.RunUntilHands(1, 100000), 1);
  int fed = 0, dealtAt = -1;
  for (const testbed::TableMessage& m : runner.Messages()) {
    if (m.toUser != 9100 || m.reply) continue;
    EXPECT_TRUE(sink.OnNotify(m.code, m.body.data(), m.body.size())) << m.code;
    ++fed;
    Advance(20);
    if (m.code == 211040) {
      dealtAt = fed;
      Capture("pictures-watched-dealt");
      // Every wall tile left after the deal stands as a picture.
      int present = 0, bound = 0;
      for (int i = 0; i < 136; ++i) {
        const MJTile* t = m_model.Tiles().GetTileRecord(MJ_ZONE_WALL, 0, i);
        present += t->present ? 1 : 0;
        bound += t->present && t->nObject != 0 ? 1 : 0;
      }
      EXPECT_GT(present, 0);
      EXPECT_EQ(present, bound);
    }
    if (dealtAt > 0 && fed == dealtAt + 30) Capture("pictures-watched-mid-hand");
  }
  Capture("pictures-watched-result");
  ASSERT_GT(dealtAt, 0);
  // No row ever ran out, and no record was bound twice.
  for (const std::string& line : m_logs) EXPECT_EQ(std::string::npos, line.find("实体")) << line;
}

// A computer player's seat notice as the testbed server writes it goes into the client's player
// tables, and the plate of his side shows his name: the same picture as that name drawn on the
// plate, and not another name's.
TEST_F(TablePicturesTest, APlateShowsTheNameFromAComputerPlayersSeatNotice) {
  LaunchLine launch;
  CPlayerTables tables(&launch);
  CVariantTableScene::Hooks hooks;
  hooks.sideName = [&](int side) { return CVariantTableScene::PlateName(tables, m_info, side); };
  hooks.log = [this](const std::string& line) { m_logs.push_back(line); };
  m_scene->SetHooks(hooks);
  const int chair = 1, side = m_info.ChairToSide(chair);
  CTableSidePanels& panels = m_scene->SidePanels();
  ASSERT_TRUE(panels.Built());
  Entity* plate = panels.Panel(side);
  ASSERT_NE(plate, nullptr);
  m_scene->PaintBoard();
  EXPECT_FALSE(plate->IsVisible()) << "a free chair has no plate";

  const testbed::WirePlayer computer = testbed::MahjongTableGame::ComputerPlayer(chair);
  testbed::BodyWriter notice(testbed::WIRE_PLAYER_SIZE);
  computer.Write(notice, 0);
  const std::vector<BYTE> body = notice.Take();
  ASSERT_NE(tables.SeatFromWire(body.data(), body.size()), nullptr);
  ASSERT_FALSE(computer.name.empty());
  EXPECT_EQ(CVariantTableScene::PlateName(tables, m_info, side), computer.name);
  m_scene->PaintBoard();
  Capture("plate-computer-player");
  ASSERT_TRUE(plate->IsVisible());
  auto pixelsOf = [&] {
    const PlaneData* d = PlaneEntity::GetData(plate);
    const uint32_t* p = PlaneEntity::GetPixels(plate);
    return std::vector<uint32_t>(p, p + static_cast<size_t>(d->width) * static_cast<size_t>(d->height));
  };
  const std::vector<uint32_t> shown = pixelsOf();
  panels.Draw(side, testbed::MahjongTableGame::ComputerPlayer(chair + 1).name, false, m_scene->Binder().Metrics());
  EXPECT_NE(pixelsOf(), shown);
  panels.Draw(side, computer.name, false, m_scene->Binder().Metrics());
  EXPECT_EQ(pixelsOf(), shown);
  // The other chairs are still free.
  EXPECT_FALSE(panels.Panel(m_info.ChairToSide(2))->IsVisible());
}

// Without the game data the table still comes up, drawn with plain plates.
class TableWithoutPicturesTest : public TablePicturesTest {
 protected:
  bool WithSkins() const override { return false; }
};

TEST_F(TableWithoutPicturesTest, MissingPicturesLeaveThePlainBoard) {
  EXPECT_FALSE(m_scene->Pictures().Loaded());
  ASSERT_FALSE(m_logs.empty());
  EXPECT_NE(std::string::npos, m_logs.back().find("missing"));
  int own[13];
  for (int i = 0; i < 13; ++i) own[i] = i;
  m_model.SetHandTiles(SIDE_OWN, own, 13);
  Capture("pictures-missing");
  EXPECT_EQ(0, m_scene->Binder().Table().BoundCount());
}

}  // namespace
