#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "framework/BodyWriter.h"
#include "mahjong/MahjongNotifyCodes.h"
#include "mahjong/TileRules.h"
#include "mahjong/scene/TableModel.h"
#include "testbed/table/MahjongTable.h"
#include "testbed/table/TableBodies.h"
#include "testbed/table/TableRecords.h"
#include "variant/VariantGameInfo.h"

namespace {

// Records what the model asks of the scene.
struct RecordingEffects : CTableEffects {
  std::vector<std::string> events;
  void PlaySoundResource(int resource, int flags) override { events.push_back("sound " + std::to_string(resource)); }
  void PlayTileVoice(int side, int tile) override { events.push_back("tile voice " + std::to_string(side)); }
  void PlayActionVoice(int side, const char* name) override { events.push_back(std::string("voice ") + name); }
  void OnCountdownExpired() override { events.push_back("expired"); }
  void PlayWinEffect(int side) override { events.push_back("win " + std::to_string(side)); }
  void Log(const std::string& line) override { events.push_back("log " + line); }
  int Count(const std::string& prefix) const {
    int n = 0;
    for (const std::string& e : events) n += e.rfind(prefix, 0) == 0 ? 1 : 0;
    return n;
  }
};

// Own chair 0 at a table of four: chair 1 is side 0 (it plays just before the own chair), chair
// 2 side 1, chair 3 side 2. The banker is chair 0 and holds 14 tiles.
testbed::TableInfoRecord NewHand() {
  testbed::TableInfoRecord t;
  t.handNumber = 1;
  t.banker = 0;
  t.currentChair = 0;
  t.status = 0x101;
  t.discardTime = 15;
  t.claimTime = 8;
  t.wallStart = 40;
  t.wallHead = 93;  // 53 tiles dealt from the break
  t.indicatorPosition = 38;
  t.indicatorTile = 100;
  t.joker1 = 101 - 81;  // the treasure tile's code has nothing to do with these hands
  t.joker2 = -1;
  t.tailTaken = 0;
  t.handCounts = {14, 13, 13, 13};
  // The drawn tile first, then the 13 standing tiles: 1-9 of characters and four dots.
  t.ownHand = {0, 9, 1, 2, 3, 4, 5, 6, 7, 8, 72, 73, 74, 75};
  return t;
}

struct Table {
  CVariantGameInfo info;
  RecordingEffects effects;
  CMJTableModel model{info, effects};
  explicit Table(const testbed::TableInfoRecord& record = NewHand()) {
    info.SetOwnChair(0);
    testbed::BodyData body = record.WriteNewHand();
    EXPECT_TRUE(info.CopyTableInfo(body.data(), body.size()));
    model.ResetRound();
    effects.events.clear();
  }
  std::vector<int> Standing(int side) const {
    int ids[32];
    int n = model.GetStandingTiles(side, ids);
    return std::vector<int>(ids, ids + n);
  }
  int WallPresent() const {
    int n = 0;
    for (int i = 0; i < 136; ++i) n += model.Tiles().GetTileRecord(MJ_ZONE_WALL, 0, i)->present;
    return n;
  }
  const MJTile& Drawn(int side) const { return *model.Tiles().GetTileRecord(MJ_ZONE_HAND, side, 0); }
  const MJTile& Played(int side) const { return *model.Tiles().GetTileRecord(MJ_ZONE_PLAYED, side, 0); }
};

testbed::BodyData Discarded(int chair, int tile, std::array<int, 4> words = {}) {
  testbed::TileDiscardedNote n;
  n.chair = chair;
  n.tile = tile;
  n.words = words;
  return n.Write();
}

testbed::BodyData Drawn(int chair, int tile, int wall) {
  testbed::DrawRecord d;
  d.chair = chair;
  d.tile = tile;
  d.wallIndex = wall;
  return d.Write();
}

TEST(TableModel, NewHandDealsTheHandsAndMarksTheWall) {
  Table t;
  EXPECT_EQ(1, t.model.IsPlaying());
  EXPECT_EQ(0, t.Drawn(SIDE_OWN).tileId);
  EXPECT_TRUE(t.Drawn(SIDE_OWN).present);
  // Sorted by code: id 9 is the other one of characters.
  EXPECT_EQ((std::vector<int>{9, 1, 2, 3, 4, 5, 6, 7, 8, 72, 73, 74, 75}), t.Standing(SIDE_OWN));
  for (int side : {0, 1, 2}) {
    EXPECT_EQ(13u, t.Standing(side).size());
    EXPECT_FALSE(t.model.HasHandTiles(side));
    EXPECT_FALSE(t.model.HasDrawnTile(side));
  }
  // 53 places taken from the head; the indicator stands face up at its place.
  EXPECT_EQ(136 - 53, t.WallPresent());
  EXPECT_EQ(100, t.model.Tiles().GetTileRecord(MJ_ZONE_WALL, 0, 38)->tileId);
  EXPECT_FALSE(t.model.Tiles().GetTileRecord(MJ_ZONE_WALL, 0, 40)->present);
  EXPECT_TRUE(t.model.Tiles().GetTileRecord(MJ_ZONE_WALL, 0, 93)->present);
}

// The wall the client marks from the server's own record is the server's wall: every place the
// server still holds stands, every place it dealt or replaced from is empty (the indicator stands
// face up), for breaks that send the deal round the end of the wall and for flowers replaced from
// the tail.
TEST(TableModel, TheWallMarkedFromTheServersRecordIsTheServersWall) {
  const struct {
    int breakPosition;
    bool flowers;
  } cases[] = {{40, false}, {0, false}, {120, true}, {134, true}, {100, true}};
  for (const auto& c : cases) {
    // Place p holds tile p (flowers 136-143 stand at places 128-135), so the server's standing
    // tiles name its standing places.
    std::vector<int> wall(136);
    for (int p = 0; p < 136; ++p) wall[p] = c.flowers && p >= 128 ? p + 8 : p;
    testbed::TableConfig config;
    config.flowers = c.flowers;
    config.fixedWalls = {wall};
    config.fixedBreak = c.breakPosition;
    testbed::MahjongTable server(config);
    for (int chair = 0; chair < 4; ++chair) server.SeatHuman(chair, 101 + chair);
    for (int chair = 0; chair < 4; ++chair) {
      server.HandleRequest(101 + chair, 201160, testbed::IdentityBody{testbed::Identity{101 + chair, 1, 1, chair}}.Write());
    }
    ASSERT_EQ(server.HandNumber(), 1);
    const auto record = testbed::TableInfoRecord::Read(server.TableInfoFor(101));
    ASSERT_TRUE(record);
    if (c.flowers) EXPECT_GT(record->tailTaken, 0) << "dealt flowers were replaced from the tail";
    Table t(*record);
    std::vector<bool> standing(136, false);
    for (int tile : server.CurrentWall().StandingTiles()) standing[tile >= 136 ? tile - 8 : tile] = true;
    const int indicator = server.CurrentWall().IndicatorPosition();
    for (int p = 0; p < 136; ++p) {
      const MJTile* place = t.model.Tiles().GetTileRecord(MJ_ZONE_WALL, 0, p);
      EXPECT_EQ(place->present != 0, standing[p] || p == indicator) << "break " << c.breakPosition << " place " << p;
    }
  }
}

TEST(TableModel, WallMarkingFollowsAHeadThatHasWrappedRound) {
  struct Case {
    int start, head, tail;
    std::vector<int> taken, kept;
  } cases[] = {
      {120, 37, 0, {120, 135, 0, 36}, {37, 119}},           // the head went past the last place
      {0, 53, 0, {0, 52}, {53, 135}},
      {2, 60, 3, {2, 59, 0, 1, 134}, {133, 135, 60}},         // the tail walks back round the ring
      {134, 51, 2, {134, 135, 0, 50, 132, 133}, {51, 131}},
  };
  for (const Case& c : cases) {
    testbed::TableInfoRecord r = NewHand();
    r.wallStart = c.start;
    r.wallHead = c.head;
    r.tailTaken = c.tail;
    r.indicatorTile = -1;
    Table t(r);
    for (int place : c.taken)
      EXPECT_FALSE(t.model.Tiles().GetTileRecord(MJ_ZONE_WALL, 0, place)->present) << c.start << " " << place;
    for (int place : c.kept)
      EXPECT_TRUE(t.model.Tiles().GetTileRecord(MJ_ZONE_WALL, 0, place)->present) << c.start << " " << place;
    EXPECT_EQ(136 - ((c.head - c.start + 136) % 136) - c.tail, t.WallPresent()) << c.start;
  }
}

TEST(TableModel, OwnDrawAndDiscardEchoesAreSkippedWhateverTheirTiming) {
  testbed::TableInfoRecord r = NewHand();
  r.handCounts = {13, 13, 13, 13};
  r.ownHand = {1, 2, 3, 4, 5, 6, 7, 8, 9, 72, 73, 74, 75};
  r.currentChair = 1;
  r.status = 0x1;
  Table t(r);
  // The own draw is accepted and applied, and the player discards before either echo arrives.
  t.model.ApplyOwnDraw(120, 93);
  ASSERT_TRUE(t.model.ApplyOwnDiscard(120));
  EXPECT_FALSE(t.model.HasDrawnTile(SIDE_OWN));
  const std::vector<int> hand = t.Standing(SIDE_OWN);
  testbed::BodyData drawEcho = Drawn(0, 120, 93);
  testbed::BodyData discardEcho = Discarded(0, 120);
  EXPECT_TRUE(t.model.OnTileDrawn(drawEcho.data(), drawEcho.size()));
  EXPECT_TRUE(t.model.OnTileDiscarded(discardEcho.data(), discardEcho.size()));
  EXPECT_FALSE(t.model.HasDrawnTile(SIDE_OWN));  // not taken for a second draw
  EXPECT_EQ(hand, t.Standing(SIDE_OWN));
  EXPECT_EQ(120, t.Played(SIDE_OWN).tileId);
  EXPECT_EQ(0, t.effects.Count("sound"));
  EXPECT_EQ(0, t.model.PendingOwnDrawEchoes());
  // A draw the server made in the own name (no local draw waiting) is applied.
  testbed::BodyData serverDraw = Drawn(0, 121, 94);
  EXPECT_TRUE(t.model.OnTileDrawn(serverDraw.data(), serverDraw.size()));
  EXPECT_EQ(121, t.Drawn(SIDE_OWN).tileId);
  // ...and so is a discard another client sent in the own name.
  testbed::BodyData serverDiscard = Discarded(0, 121);
  EXPECT_TRUE(t.model.OnTileDiscarded(serverDiscard.data(), serverDiscard.size()));
  EXPECT_FALSE(t.model.HasDrawnTile(SIDE_OWN));
  EXPECT_EQ(1, t.effects.Count("sound 29103"));
}

TEST(TableModel, DiscardOffersClaimsFromTheOwnWord) {
  struct Case {
    int chair;      // the discarder
    int word;       // the own chair's claim word
    int quickPass;
    int pengChoices, chiChoices;
    int pengEnabled, chiEnabled;
    int seconds;
  } cases[] = {
      // Chair 1 is side 0: the own side plays next, so chi choices are computed.
      {1, MJOP_PENG | MJOP_CHI | MJOP_PASS, 0, 0, 32, 1, 1, 8},
      // Chair 3 is side 2: no chi choices, but the chi button follows the word.
      {3, MJOP_CHI | MJOP_PASS, 0, 0, 0, 0, 1, 8},
      // Quick pass while the turn comes to the own side: one second and no offers.
      {1, 0, 1, 0, 0, 0, 0, 1},
      // Quick pass does not apply when the turn goes elsewhere.
      {3, 0, 1, 0, 0, 0, 0, 8},
  };
  for (const Case& c : cases) {
    testbed::TableInfoRecord r = NewHand();
    r.quickPass = c.quickPass;
    r.ownHand = {0, 9, 1, 2, 3, 4, 5, 6, 7, 8, 72, 73, 74, 75};
    Table t(r);
    // Hand: 1,1,2,...,9 of characters and 1-4 of dots; the 3 of characters (id 20) is offered,
    // so there is no peng to choose but many chi pairs.
    std::array<int, 4> words{};
    words[0] = c.word;
    testbed::BodyData body = Discarded(c.chair, 20, words);
    ASSERT_TRUE(t.model.OnTileDiscarded(body.data(), body.size()));
    EXPECT_EQ(c.seconds, t.model.Clock().remainingSeconds) << c.chair << " " << c.word;
    EXPECT_EQ(c.chiEnabled, t.model.Offer(CLAIM_CHI).enabled) << c.chair;
    EXPECT_EQ(c.chiChoices > 0, t.model.Offer(CLAIM_CHI).choiceCount > 0) << c.chair;
    EXPECT_EQ(c.pengEnabled, t.model.Offer(CLAIM_PENG).enabled) << c.chair;
    EXPECT_EQ(c.pengChoices, t.model.Offer(CLAIM_PENG).choiceCount) << c.chair;
    EXPECT_EQ(20, t.Played(t.info.ChairToSide(c.chair)).tileId);
  }
}

TEST(TableModel, DiscardOfAHeldPairOffersItsTwoTiles) {
  Table t;
  // The own hand holds 0 and 9 (two ones of characters) after the drawn tile joins it.
  t.model.ApplyOwnDiscard(75);
  testbed::BodyData echo = Discarded(0, 75);
  t.model.OnTileDiscarded(echo.data(), echo.size());
  testbed::BodyData body = Discarded(1, 18, {MJOP_PENG | MJOP_PASS, 0, 0, 0});
  ASSERT_TRUE(t.model.OnTileDiscarded(body.data(), body.size()));
  EXPECT_EQ(2, t.model.Offer(CLAIM_PENG).choiceCount);
  EXPECT_EQ(9, t.model.Offer(CLAIM_PENG).choices[0]);  // in hand order
  EXPECT_EQ(0, t.model.Offer(CLAIM_PENG).choices[1]);
  EXPECT_EQ(1, t.model.Offer(CLAIM_PASS).enabled);
  EXPECT_EQ(0, t.model.Offer(CLAIM_GANG).enabled);
}

TEST(TableModel, BodiesThatDoNotFitAreRefusedAndChangeNothing) {
  struct Case {
    const char* what;
    int code;
    testbed::BodyData body;
    size_t cut;  // 0: the whole body
  } cases[] = {
      {"short discard", NTF_TILE_DISCARDED, Discarded(1, 20), 87},
      {"discard of chair 4", NTF_TILE_DISCARDED, Discarded(4, 20), 0},
      {"discard of chair -1", NTF_TILE_DISCARDED, Discarded(-1, 20), 0},
      {"short draw", NTF_TILE_DRAWN, Drawn(1, 5, 93), 11},
      {"draw of chair 9", NTF_TILE_DRAWN, Drawn(9, 5, 93), 0},
      {"draw from wall place 136", NTF_TILE_DRAWN, Drawn(1, 5, 136), 0},
      {"draw from wall place -1", NTF_TILE_DRAWN, Drawn(1, 5, -1), 0},
  };
  for (const Case& c : cases) {
    Table t;
    const std::vector<int> hand = t.Standing(SIDE_OWN);
    const int wall = t.WallPresent();
    size_t length = c.cut ? c.cut : c.body.size();
    bool taken = c.code == NTF_TILE_DISCARDED ? t.model.OnTileDiscarded(c.body.data(), length)
                                              : t.model.OnTileDrawn(c.body.data(), length);
    EXPECT_FALSE(taken) << c.what;
    EXPECT_EQ(hand, t.Standing(SIDE_OWN)) << c.what;
    EXPECT_EQ(wall, t.WallPresent()) << c.what;
    for (int s = 0; s < 4; ++s) EXPECT_FALSE(t.Played(s).present) << c.what;
    EXPECT_EQ(0, t.effects.Count("sound")) << c.what;
  }
  // The other codes refuse short bodies too.
  Table t;
  std::vector<BYTE> zeros(60, 0);
  EXPECT_FALSE(t.model.OnFlowerReplaced(zeros.data(), 27));
  EXPECT_FALSE(t.model.OnPengMeld(zeros.data(), 47));
  EXPECT_FALSE(t.model.OnGangMeld(NTF_GANG_EXPOSED, zeros.data(), 47));
  EXPECT_FALSE(t.model.OnGangAnnounced(zeros.data(), 31));
  EXPECT_FALSE(t.model.OnPengAnnounced(zeros.data(), 15));
  EXPECT_FALSE(t.model.OnHandRefresh(zeros.data(), 11));
  EXPECT_FALSE(t.model.OnHandResult(zeros.data(), zeros.size()));
  EXPECT_EQ(0, t.effects.Count("voice"));
}

TEST(TableModel, HandRefreshTakesOnlyTheIdsThatFit) {
  struct Case {
    int count;
    size_t idsInBody;
    bool taken;
    size_t standing;
  } cases[] = {
      {13, 13, true, 13}, {40, 40, true, 13}, {32, 32, true, 13}, {5, 5, true, 5},
      {20, 3, false, 13},  // the body does not hold what it announces
      {-1, 0, false, 13},
  };
  for (const Case& c : cases) {
    Table t;
    CBodyWriter w(12 + 4 * c.idsInBody);
    w.Int(4, 0);
    w.Int(8, c.count);
    for (size_t i = 0; i < c.idsInBody; ++i) w.Int(12 + 4 * i, static_cast<int>(i));
    EXPECT_EQ(c.taken, t.model.OnHandRefresh(w.Data().data(), w.Size())) << c.count;
    EXPECT_EQ(c.standing, t.Standing(SIDE_OWN).size()) << c.count;
    // The meld places are never written.
    for (int i = 14; i < 32; ++i) EXPECT_FALSE(t.model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, i)->present);
  }
  // For another chair nothing changes.
  Table t;
  CBodyWriter w(16);
  w.Int(4, 2);
  w.Int(8, 1);
  EXPECT_TRUE(t.model.OnHandRefresh(w.Data().data(), w.Size()));
  EXPECT_EQ(13u, t.Standing(SIDE_OWN).size());
}

TEST(TableModel, MeldsOfAnotherSide) {
  Table t;
  // Chair 0 (own) discards 75; chair 3 (side 2) pengs it.
  t.model.ApplyOwnDiscard(75);
  testbed::MeldRecord meld;
  meld.id.chair = 3;
  meld.otherChair = 0;
  meld.tiles = {75, 84, 93, -1};
  testbed::BodyData body = meld.Write();
  ASSERT_TRUE(t.model.OnPengMeld(body.data(), body.size()));
  EXPECT_FALSE(t.Played(SIDE_OWN).present);
  EXPECT_EQ(10u, t.Standing(SIDE_LEFT).size());
  EXPECT_TRUE(t.model.HasDrawnTile(SIDE_LEFT));  // it must discard now
  EXPECT_EQ(75, t.model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_LEFT, 17)->tileId);
  EXPECT_EQ(93, t.model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_LEFT, 15)->tileId);
  EXPECT_EQ(2 * SIDE_LEFT, t.model.Clock().pointTo);
  EXPECT_EQ(15, t.model.Clock().remainingSeconds);
  // A concealed gang of chair 2 (side 1) adds three seconds and takes its replacement.
  t.model.Clock().remainingSeconds = 5;
  testbed::BodyData draw = Drawn(2, 200, 93);
  ASSERT_TRUE(t.model.OnTileDrawn(draw.data(), draw.size()));
  testbed::MeldRecord gang;
  gang.id.chair = 2;
  gang.tiles = {108, 115, 122, 129};
  gang.replacement = 200;
  gang.replacementWall = 39;
  body = gang.Write();
  t.model.Clock().remainingSeconds = 5;
  ASSERT_TRUE(t.model.OnGangMeld(NTF_GANG_CONCEALED, body.data(), body.size()));
  EXPECT_EQ(8, t.model.Clock().remainingSeconds);
  EXPECT_EQ(10u, t.Standing(SIDE_TOP).size());
  EXPECT_TRUE(t.model.HasDrawnTile(SIDE_TOP));
  EXPECT_FALSE(t.model.Tiles().GetTileRecord(MJ_ZONE_WALL, 0, 39)->present);
  EXPECT_EQ(1, t.effects.Count("voice gang1"));
  // A gang whose replacement lies outside the wall is refused.
  gang.replacementWall = 300;
  body = gang.Write();
  EXPECT_FALSE(t.model.OnGangMeld(NTF_GANG_CONCEALED, body.data(), body.size()));
}

// Four melds of three leave two tiles: a peng or a chi lays only the first three records of its
// group, so the fourth group (records 5-2) never takes the standing tile in record 2.
TEST(TableModel, AFourthMeldOfThreeLeavesTheStandingTilesAlone) {
  Table t;
  const int own[4] = {75, 74, 73, 72};
  for (int k = 0; k < 4; ++k) {
    SCOPED_TRACE("meld " + std::to_string(k + 1));
    ASSERT_TRUE(t.model.ApplyOwnDiscard(own[k]));
    testbed::MeldRecord meld;
    meld.id.chair = 3;
    meld.otherChair = 0;
    meld.tiles = {own[k], 108 + 2 * k, 109 + 2 * k, -1};
    testbed::BodyData body = meld.Write();
    ASSERT_TRUE(t.model.OnPengMeld(body.data(), body.size()));
    EXPECT_EQ(14 - 3 * (k + 1), t.model.CountStandingTiles(SIDE_LEFT) + t.model.HasDrawnTile(SIDE_LEFT));
    testbed::BodyData discard = Discarded(3, 130 + k);
    ASSERT_TRUE(t.model.OnTileDiscarded(discard.data(), discard.size()));
    EXPECT_EQ(13 - 3 * (k + 1), t.model.CountStandingTiles(SIDE_LEFT) + t.model.HasDrawnTile(SIDE_LEFT));
  }
  // The fourth group holds its three tiles; record 2 below them is the standing tile's neighbour.
  EXPECT_EQ(72, t.model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_LEFT, 5)->tileId);
  EXPECT_EQ(0, t.model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_LEFT, 2)->meldKind);
}

TEST(TableModel, FlowerWithoutReplacementPassesTheTurn) {
  Table t;
  testbed::FlowerNote f;
  f.id.chair = 1;  // side 0
  f.flower = 140;
  f.replacement = -1;
  f.wallIndex = -1;
  testbed::BodyData body = f.Write();
  const int wall = t.WallPresent();
  ASSERT_TRUE(t.model.OnFlowerReplaced(body.data(), body.size()));
  EXPECT_EQ(wall, t.WallPresent());
  EXPECT_EQ(8, t.model.Clock().remainingSeconds);
  EXPECT_EQ(2 * t.info.PrevSide(0), t.model.Clock().pointTo);
  EXPECT_EQ(1, t.model.Tiles().FlowerCount(0));
  // With a replacement, its wall place empties; a place outside the wall is refused.
  f.replacement = 200;
  f.wallIndex = 39;
  body = f.Write();
  ASSERT_TRUE(t.model.OnFlowerReplaced(body.data(), body.size()));
  EXPECT_EQ(wall - 1, t.WallPresent());
  f.wallIndex = 170;
  body = f.Write();
  EXPECT_FALSE(t.model.OnFlowerReplaced(body.data(), body.size()));
  EXPECT_EQ(2, t.model.Tiles().FlowerCount(0));
}

TEST(TableModel, HandResultLaysHandsOpenWithinTheStandingPlaces) {
  Table t;
  testbed::RoundResultRecord r;
  r.flags = 0x2000000;
  r.win = {0, 1, 0, 0};
  r.firstShown = 1;
  r.winTile = 44;
  r.word676 = -1;
  r.finalTiles[1] = {40, 41, 42, 44};
  std::vector<int> tooMany;
  for (int i = 0; i < 20; ++i) tooMany.push_back(i);
  r.finalTiles[2] = tooMany;
  r.finalTiles[0] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 72, 73, 74, 75, 0};
  r.seats.resize(4);
  testbed::BodyData body = r.Write();
  ASSERT_GE(t.info.CopyRoundResult(body.data(), body.size()), 0);
  ASSERT_TRUE(t.model.OnHandResult(body.data(), body.size()));
  EXPECT_EQ(0, t.model.IsPlaying());
  EXPECT_EQ(1, t.effects.Count("sound 29106"));
  EXPECT_EQ(1, t.effects.Count("win 0"));
  // The winner: the winning tile out of the list and into the drawn place.
  EXPECT_EQ((std::vector<int>{40, 41, 42}), t.Standing(0));
  EXPECT_EQ(44, t.Drawn(0).tileId);
  // Twenty final ids stop at the thirteen standing places.
  EXPECT_EQ(13u, t.Standing(1).size());
  for (int i = 14; i < 32; ++i) EXPECT_FALSE(t.model.Tiles().GetTileRecord(MJ_ZONE_HAND, 1, i)->present);
  // The own side held its drawn tile and +676 is -1: the last listed tile is the drawn one.
  EXPECT_EQ(0, t.Drawn(SIDE_OWN).tileId);
  EXPECT_EQ(13u, t.Standing(SIDE_OWN).size());
}

// The hands laid open at the end stand in the hand's sorted order, whatever the order of the
// result's lists: the own hand with its drawn tile, the winner's and a hand without a drawn tile.
TEST(TableModel, HandResultLaysTheOpenHandsOutSorted) {
  Table t;
  testbed::RoundResultRecord r;
  r.flags = 0x2000000;
  r.win = {0, 1, 0, 0};
  r.firstShown = 1;
  r.winTile = 44;
  r.word676 = -1;
  r.finalTiles[0] = {108, 40, 5, 75, 1, 57, 30};
  r.finalTiles[1] = {44, 77, 3, 42};
  r.finalTiles[2] = {110, 7, 50};
  r.seats.resize(4);
  testbed::BodyData body = r.Write();
  ASSERT_GE(t.info.CopyRoundResult(body.data(), body.size()), 0);
  ASSERT_TRUE(t.model.OnHandResult(body.data(), body.size()));
  struct {
    int chair;
    std::vector<int> standing;
    int drawn;
  } const cases[] = {
      {0, {1, 5, 57, 40, 75, 108}, 30},
      {1, {3, 42, 77}, 44},
      {2, {7, 50, 110}, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.chair);
    const int side = t.info.ChairToSide(c.chair);
    EXPECT_EQ(c.standing, t.Standing(side));
    if (c.drawn >= 0) EXPECT_EQ(c.drawn, t.Drawn(side).tileId);
    else EXPECT_FALSE(t.Drawn(side).present);
  }
}

TEST(TableModel, ResyncRebuildsMeldsRiversAndThePlayedTile) {
  testbed::TableInfoRecord r = NewHand();
  r.status = 0x1;  // chair 3 is in turn and has not drawn
  r.currentChair = 3;
  r.handCounts = {13, 10, 13, 13};
  r.ownHand = {1, 2, 3, 4, 5, 6, 7, 8, 9, 72, 73, 74, 75};
  r.rivers[0] = {30, 31};
  testbed::SnapshotMeld gang;
  gang.tiles = {120, 127, 113, -1};  // a gang whose fourth id is missing
  gang.source = 2;
  r.melds[testbed::FAMILY_EXPOSED_GANG][1].push_back(gang);
  testbed::BodyData record = r.Write();
  Table t;
  std::memcpy(t.info.GetTableInfo(), record.data(), record.size());
  // An absurd meld count is cut to the family's six records.
  CBodyWriter w(4);
  const size_t counts = TableInfoLayout::MELDS + 4 * 4 * 6 * 7;
  w.Int(0, 1000);
  std::memcpy(t.info.GetTableInfo() + counts + 4 * 3, w.Data().data(), 4);
  t.model.RebuildFromGameInfo();
  // Chair 0's last discard is back in its played-tile place.
  EXPECT_EQ(31, t.Played(SIDE_OWN).tileId);
  EXPECT_EQ(1, t.model.Tiles().RiverCount(SIDE_OWN));
  // Chair 1's gang shows four tiles of one code.
  for (int k = 0; k < 4; ++k) {
    const MJTile* tile = t.model.Tiles().GetTileRecord(MJ_ZONE_HAND, 0, 17 - k);
    EXPECT_TRUE(tile->present);
    EXPECT_EQ(TileCode(113, 0), TileCode(tile->tileId, 0)) << k;
  }
  EXPECT_EQ(4, t.model.Tiles().GetTileRecord(MJ_ZONE_HAND, 2, 17)->meldKind ? 4 : 0);
  EXPECT_EQ(13u, t.Standing(SIDE_OWN).size());
}

}  // namespace

namespace {

TEST(TableModel, HandPlacesStandWhereTheMetricsSayAndKeepTheirPlaceAcrossChanges) {
  CVariantGameInfo info;
  info.SetOwnChair(0);
  CTableEffects effects;
  CMJTableModel model(info, effects);
  CTableMetrics metrics;
  metrics.systemBarHeight = 24;
  CWallLayout wall;
  wall.centre = metrics.GetCentreRect();
  model.SetLayout(&metrics, &wall);
  testbed::BodyData body = NewHand().WriteNewHand();
  ASSERT_TRUE(info.CopyTableInfo(body.data(), body.size()));
  model.ResetRound();
  // The own row runs right to left, 54 px apart, the drawn tile 12 px beyond place 1.
  const MJTile* own0 = model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, 0);
  const MJTile* own1 = model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, 1);
  const MJTile* own2 = model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, 2);
  EXPECT_EQ(768 - 12 - 54 + 12, own0->x);
  EXPECT_EQ(768 - 12 - 2 * 54, own1->x);
  EXPECT_EQ(54, own1->x - own2->x);
  EXPECT_EQ(10, own1->y);
  EXPECT_EQ(2800, own0->level);
  EXPECT_EQ(426 - 49 - 12 - 26, model.Tiles().GetTileRecord(MJ_ZONE_HAND, 0, 1)->y);
  EXPECT_EQ(426 - 49, model.Tiles().GetTileRecord(MJ_ZONE_HAND, 0, 0)->y);
  EXPECT_EQ(36, model.Tiles().GetTileRecord(MJ_ZONE_HAND, 1, 1)->x);
  EXPECT_EQ(3000, model.Tiles().GetTileRecord(MJ_ZONE_PLAYED, 2, 0)->level);
  // Places keep their positions when their tiles change.
  ASSERT_TRUE(model.ApplyOwnDiscard(75));
  EXPECT_EQ(768 - 12 - 2 * 54, model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, 1)->x);
  // The wall stands round the centre and only the untaken places are present.
  const MJTile* w = model.Tiles().GetTileRecord(MJ_ZONE_WALL, 0, 100);
  EXPECT_GT(w->level, 0);
  EXPECT_EQ(1, w->present);
}

TEST(TableModel, SelectionMarksOfTheOwnHand) {
  testbed::TableInfoRecord r = NewHand();
  // Three of code 5 (ids 4, 13, 22), the fourth (31) drawn, and a flower.
  r.ownHand = {31, 4, 13, 22, 140, 50, 51, 52, 53, 54, 55, 56, 57, 58};
  Table t(r);
  t.model.EnableConcealedGangTiles();
  for (int i = 0; i < 14; ++i) {
    const MJTile* p = t.model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, i);
    if (!p->present) continue;
    EXPECT_EQ(TileCode(p->tileId, 0) == 5 ? 0 : 1, p->attrB) << p->tileId;
  }
  EXPECT_EQ(1, t.model.EnableFlowerTiles());
  for (int i = 0; i < 14; ++i) {
    const MJTile* p = t.model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, i);
    if (p->present) {
      EXPECT_EQ(p->tileId == 140 ? 0 : 1, p->attrB) << p->tileId;
    }
  }
  int listed[2] = {50, 51};
  t.model.EnableListedTiles(listed, 2);
  int undimmed = 0;
  for (int i = 0; i < 14; ++i) {
    const MJTile* p = t.model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, i);
    undimmed += p->present && p->attrB == 0;
  }
  EXPECT_EQ(2, undimmed);
  t.model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, 3)->attrA = 1;
  int raised[32];
  EXPECT_EQ(1, t.model.GetRaisedTiles(raised));
  t.model.EnableAllHandTiles();
  EXPECT_EQ(0, t.model.GetRaisedTiles(raised));
  // Without flowers nothing is dimmed and the count is 0.
  Table plain;
  EXPECT_EQ(0, plain.model.EnableFlowerTiles());
}

}  // namespace
