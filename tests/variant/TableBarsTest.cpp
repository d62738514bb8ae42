// The table's bars driven by the mouse through the headless table view on the stopped clock:
// the system bar's music, style, sort, managed-play, screenshot and dialect buttons, their
// hints on the note board, the see-hand button's rest, and the settings they leave in the game
// ini. Renderings go to build/tests/table-renderings/.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>
#include <vector>

#include "engine/AdvancedButton.h"
#include "engine/ControlRecord.h"
#include "engine/EngineUtil.h"
#include "engine/Entity.h"
#include "engine/GameSound.h"
#include "engine/PlaneEntity.h"
#include "engine/World.h"
#include "mahjong/MJTableView.h"
#include "mahjong/SeatLayout.h"
#include "mahjong/TileRules.h"
#include "mahjong/scene/TableModel.h"
#include "mahjong/scene/TilePictures.h"
#include "platform/kernel/Profile.h"
#include "platform/kernel/Time.h"
#include "tests/support/MessagePump.h"
#include "tests/variant/support/TableViewFixture.h"
#include "variant/HandSort.h"
#include "variant/VariantGameInfo.h"
#include "variant/VariantSeatPainter.h"
#include "variant/VariantTableScene.h"

namespace {

class TableBarsTest : public tabletest::VariantTableFixture {
 protected:
  void SetUp() override {
    VariantTableFixture::SetUp();
    LinkGameData(true);
    m_ini = m_dir.File("Pxqd.ini");
    std::ofstream(m_ini) << "[GAMESET]\nMusic=0\nfangyan=0\n[SKIN]\nStyle0=Classic\nStyle1=Jade\nStyle2=Classic\n"
                            "Default=0\n";
    m_info.SetOwnChair(0);
  }
  // The table starts once the test has chosen the ini and whether the user looks on.
  void Start() {
    CVariantTableScene::Hooks hooks;
    hooks.sideName = [](int side) { return std::string(side == SIDE_OWN ? "甲" : "乙"); };
    hooks.log = [this](const std::string& line) { m_logs.push_back(line); };
    hooks.isLookOn = [this] { return m_lookOn; };
    hooks.iniPath = [this] { return m_ini; };
    hooks.setTimer = [this](uintptr_t id, UINT ms) { ::SetTimer(m_view.Window(), id, ms, nullptr); };
    hooks.killTimer = [this](uintptr_t id) { ::KillTimer(m_view.Window(), id); };
    hooks.autoReady = [this] { ++m_autoReadies; };
    hooks.waitsForTable = [this] { return m_waitsForTable; };
    hooks.otherCommand = [this](uint32_t code) { m_otherCommands.push_back(code); };
    hooks.resetSeats = [this] { ++m_seatResets; };
    hooks.managedOn = [this] { return m_managedOn; };
    hooks.mustStay = [this] { return m_mustStay; };
    hooks.systemSeats = [] { return true; };
    hooks.settlementOpen = [this] { return m_settlementOpen; };
    hooks.setSeatNote = [this](int side, const std::string& note) { m_notes[side] = note; };
    hooks.start = [this] { return ++m_starts; };
    MakeScene(hooks);
    CTableBars::Hooks bars;
    bars.isLookOn = [this] { return m_lookOn; };
    bars.iniPath = [this] { return m_ini; };
    bars.addChat = [this](const std::string& line) { m_chat.push_back(line); };
    bars.log = [this](const std::string& line) { m_logs.push_back(line); };
    bars.playSound = [this](int resource, int) { m_sounds.push_back(resource); };
    bars.localTime = [] {
      std::tm t{};
      t.tm_year = 2027 - 1900, t.tm_mon = 0, t.tm_mday = 1, t.tm_hour = 0, t.tm_min = 0, t.tm_sec = 5;
      return t;
    };
    if (m_capture) bars.capture = m_capture;
    bars.gameCode = [] { return std::string("pxqd"); };
    bars.userId = [] { return 42; };
    bars.resetTimeouts = [this] { ++m_timeoutResets; };
    bars.toggleManaged = [this] { ++m_managedToggles; };
    // The dialect switch lives in the seat painter, whose voice folders follow it.
    CSeatPainter::Hooks seats;
    seats.seat = [](int chair, SeatPlayer* out) {
      if (chair != 0) return false;
      *out = SeatPlayer{1, 0, "甲"};
      return true;
    };
    seats.programFolder = [] { return std::string("C:\\pxqd\\"); };
    m_painter.SetHooks(seats);
    m_painter.RefreshSeats();
    bars.dialect = [this] { return m_painter.GetDialectVoice(); };
    bars.setDialect = [this](int on) { m_painter.SetDialectVoice(on); };
    bars.seeHandAllowed = [] { return true; };
    bars.requestSeeHand = [this] { return ++m_seeHandRequests; };
    bars.watchedName = [] { return std::string("乙"); };
    bars.fifthBarButton = [this] { return m_fifthButton; };
    bars.setTimer = [this](uintptr_t id, UINT ms) { ::SetTimer(m_view.Window(), id, ms, nullptr); };
    bars.killTimer = [this](uintptr_t id) { ::KillTimer(m_view.Window(), id); };
    m_scene->SetBarHooks(bars);
    OpenScene();
  }
  void Mouse(UINT message, int x, int y) {
    SendMessageA(m_view.Window(), message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0, MAKELPARAM(x, y));
  }
  void ClickAt(int x, int y) {
    Mouse(WM_MOUSEMOVE, x, y);
    Mouse(WM_LBUTTONDOWN, x, y);
    Mouse(WM_LBUTTONUP, x, y);
    Advance(40);
    // The pointer leaves, so that the next click on the same place enters the button again.
    Mouse(WM_MOUSEMOVE, 5, 5);
    Advance(20);
  }
  void Click(AdvancedButton* b) {
    ASSERT_NE(b, nullptr);
    ASSERT_NE(b->GetPlane(), nullptr);
    ClickAt(b->GetPlane()->GetX(), b->GetPlane()->GetY());
  }
  CTableBars& Bars() { return m_scene->Bars(); }
  std::string IniValue(const char* section, const char* key) {
    char value[64] = {};
    GetPrivateProfileStringA(section, key, "", value, sizeof value, m_ini.c_str());
    return value;
  }
  std::vector<int> OwnTiles() {
    std::vector<int> ids;
    for (int i = 0; i <= CTileTable::LAST_STANDING; ++i) {
      const MJTile* t = m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, i);
      if (t->present) ids.push_back(t->tileId);
    }
    return ids;
  }

  std::string m_ini;
  bool m_lookOn = false;
  bool m_waitsForTable = false;
  bool m_fifthButton = true;
  CVariantSeatPainter m_painter{m_info};
  int m_timeoutResets = 0;
  int m_managedToggles = 0;
  int m_seeHandRequests = 0;
  int m_autoReadies = 0;
  std::function<void(const char*)> m_capture;
  std::vector<std::string> m_logs;
  std::vector<std::string> m_chat;
  std::vector<int> m_sounds;
  std::vector<uint32_t> m_otherCommands;
  int m_seatResets = 0;
  bool m_managedOn = false;
  bool m_mustStay = false;
  bool m_settlementOpen = false;
  int m_starts = 0;
  std::string m_notes[4];
};

TEST_F(TableBarsTest, SystemBarStandsBottomRightWithSixButtonsInItsOrder) {
  Start();
  BUTTONFRAME* bar = Bars().SystemBar();
  ASSERT_NE(bar, nullptr);
  ASSERT_NE(bar->GetAnchor(), nullptr);
  EXPECT_EQ(CTableBars::SYSTEM_BUTTONS, bar->GetSlotCount());
  const uint32_t codes[6] = {210030, 210031, 210032, 210033, 210037, 1003};
  const char* hints[6] = {"音乐", "换肤", "排序", "托管", "截屏", "普通  话"};
  int lastX = -1;
  for (int i = 0; i < 6; ++i) {
    AdvancedButton* b = Bars().SystemButton(i);
    ASSERT_NE(b, nullptr) << i;
    EXPECT_EQ(codes[i], b->Look().commandCode) << i;
    EXPECT_STREQ(hints[i], b->GetTipText()) << i;
    EXPECT_EQ(bar->GetButton(i), b->GetControlRecord()) << i;
    EXPECT_GT(b->GetPlane()->GetX(), lastX) << i;
    lastX = b->GetPlane()->GetX();
    EXPECT_TRUE(b->GetPlane()->IsVisible()) << i;
  }
  // The bar's centre: half its width from the right edge, a half frame and 4 pixels up.
  Entity* anchor = bar->GetAnchor();
  EXPECT_EQ(1024 - anchor->GetWidth() / 2, anchor->GetX());
  EXPECT_EQ(768 - (15 + 4), anchor->GetY());
  EXPECT_FALSE(Bars().SeeHandButton()->entity->IsVisible());
  // A press on the bar is the bar's: the table does not take it for a tile under it.
  Mouse(WM_MOUSEMOVE, Bars().SystemButton(0)->GetPlane()->GetX(), Bars().SystemButton(0)->GetPlane()->GetY());
  EXPECT_TRUE(Bars().IsMouseOverBars());
  Mouse(WM_MOUSEMOVE, 300, 300);
  EXPECT_FALSE(Bars().IsMouseOverBars());
  Capture("bars-player");
}

TEST_F(TableBarsTest, DialectButtonTogglesTheVoiceAndTheIniTwice) {
  Start();
  AdvancedButton* dialect = Bars().DialectButton();
  ASSERT_NE(dialect, nullptr);
  EXPECT_STREQ("普", dialect->Look().caption);
  EXPECT_EQ("C:\\pxqd\\sound\\00\\", m_painter.GetVoiceFolder(SIDE_OWN));
  const struct {
    int voice;
    const char* folder;
    const char* caption;
    const char* hint;
    const char* ini;
  } steps[] = {{1, "C:\\pxqd\\sound\\01\\", "屿", "澄屿  话", "1"},
               {0, "C:\\pxqd\\sound\\00\\", "普", "普通  话", "0"}};
  for (const auto& s : steps) {
    Click(dialect);
    EXPECT_EQ(s.voice, m_painter.GetDialectVoice());
    // The voices of the own seat come from the dialect's folder.
    EXPECT_EQ(s.folder, m_painter.GetVoiceFolder(SIDE_OWN));
    EXPECT_STREQ(s.caption, dialect->Look().caption);
    EXPECT_STREQ(s.hint, dialect->GetTipText());
    EXPECT_EQ(s.ini, IniValue("GAMESET", "fangyan"));
  }
  // The dialect button is no button of the play, so the managed play's time-outs stay.
  EXPECT_EQ(0, m_timeoutResets);
}

TEST_F(TableBarsTest, ADialectSavedOnIsReadAtTheStart) {
  WritePrivateProfileStringA("GAMESET", "fangyan", "1", m_ini.c_str());
  Start();
  EXPECT_EQ(1, m_painter.GetDialectVoice());
  EXPECT_STREQ("屿", Bars().DialectButton()->Look().caption);
}

TEST_F(TableBarsTest, ManagedButtonCallsTheTurnCodeAndEveryButtonResetsTheTimeOuts) {
  Start();
  Click(Bars().SystemButton(3));
  EXPECT_EQ(1, m_managedToggles);
  EXPECT_EQ(1, m_timeoutResets);
}

TEST_F(TableBarsTest, MusicTogglesAndTheSettingsAreWrittenAtShutDown) {
  Start();
  GameSound& sound = m_scene->GetWorldRef().GetSound();
  Click(Bars().SystemButton(0));
  EXPECT_EQ(1, sound.IsMusicPlaying());
  EXPECT_EQ(1, Bars().MusicOn());
  EXPECT_NE(std::string(sound.GetMusicPath()).find("default.mp3"), std::string::npos);
  Click(Bars().SystemButton(1));
  EXPECT_EQ(1, Bars().StyleIndex());
  EXPECT_EQ("Jade", m_scene->Pictures().Style());
  // The music of the new style plays.
  EXPECT_EQ(1, sound.IsMusicPlaying());
  EXPECT_NE(std::string(sound.GetMusicPath()).find("Jade"), std::string::npos) << sound.GetMusicPath();
  Capture("bars-jade");
  m_scene->OnShutdown();
  EXPECT_EQ("1", IniValue("SKIN", "Default"));
  EXPECT_EQ("1", IniValue("GAMESET", "Music"));
}

TEST_F(TableBarsTest, MusicSwitchedOffIsWrittenOffAndMusicOnStartsWithTheTable) {
  WritePrivateProfileStringA("GAMESET", "Music", "1", m_ini.c_str());
  Start();
  GameSound& sound = m_scene->GetWorldRef().GetSound();
  EXPECT_EQ(1, sound.IsMusicPlaying());
  Click(Bars().SystemButton(0));
  EXPECT_EQ(0, sound.IsMusicOpen());
  m_scene->OnShutdown();
  EXPECT_EQ("0", IniValue("GAMESET", "Music"));
  EXPECT_EQ("0", IniValue("SKIN", "Default"));
}

TEST_F(TableBarsTest, StyleSwitchWithoutAnotherUsableStyleChangesNothing) {
  // Three names of which none other than the current is usable: the same name twice, and a
  // folder without a tile set.
  WritePrivateProfileStringA("SKIN", "Style1", "Classic", m_ini.c_str());
  WritePrivateProfileStringA("SKIN", "Style2", "Missing", m_ini.c_str());
  Start();
  Click(Bars().SystemButton(1));
  EXPECT_EQ(0, Bars().StyleIndex());
  EXPECT_EQ("Classic", m_scene->Pictures().Style());
  EXPECT_TRUE(m_scene->Pictures().Loaded());
}

TEST_F(TableBarsTest, SortSweepsTheHandAndKeepsEveryTile) {
  Start();
  // Thirteen standing tiles out of order, several of one code, and a drawn tile.
  const int ids[13] = {100, 8, 45, 17, 0, 9, 27, 18, 36, 108, 1, 44, 26};
  m_model.SetHandTiles(SIDE_OWN, ids, 13);
  MJTile* drawn = m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, 0);
  drawn->tileId = 2, drawn->present = 1, drawn->standing = 1, drawn->nFace = 1;
  std::vector<int> before = OwnTiles();
  Click(Bars().SystemButton(2));
  EXPECT_NE(std::find(m_sounds.begin(), m_sounds.end(), 29108), m_sounds.end());
  ASSERT_NE(Bars().HandCursor(), nullptr);
  EXPECT_TRUE(Bars().HandCursor()->IsVisible());
  Capture("bars-sweep");
  // The sweep ends in the sort.
  for (int i = 0; i < 300 && m_scene->HasApplyKey(Bars().SortKey()); ++i) Advance(10);
  EXPECT_FALSE(m_scene->HasApplyKey(Bars().SortKey()));
  Advance(40);
  std::vector<int> after = OwnTiles();
  std::vector<int> a = before, b = after;
  std::sort(a.begin(), a.end());
  std::sort(b.begin(), b.end());
  EXPECT_EQ(a, b);
  // Standing places 1-13 then the drawn place rise by code.
  auto code = [&](int i) {
    return GetTileSortCode(m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, i)->tileId, -1, 1,
                           m_model.GetRuleFlags());
  };
  for (int i = 2; i <= 13; ++i) EXPECT_LE(code(i - 1), code(i)) << i;
  EXPECT_LE(code(13), code(0));
  Capture("bars-sorted");
}

// The sweep runs along the hand as its pictures stand: it starts over the far end of the row
// and ends at the drawn place, right of every standing tile; then the cursor fades away.
TEST_F(TableBarsTest, SortSweepRunsAlongTheDrawnRowToTheDrawnPlace) {
  Start();
  for (const bool withDrawn : {false, true}) {
    SCOPED_TRACE(withDrawn ? "with a drawn tile" : "without a drawn tile");
    const int ids[13] = {100, 8, 45, 17, 0, 9, 27, 18, 36, 108, 1, 44, 26};
    m_model.SetHandTiles(SIDE_OWN, ids, 13);
    MJTile* drawn = m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, 0);
    if (withDrawn) drawn->tileId = 2, drawn->present = 1, drawn->standing = 1, drawn->nFace = 1;
    m_scene->MarkStale();
    Advance(40);
    auto pictureX = [&](int place) {
      const MJTile* t = m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, place);
      if (t->nObject == 0) return -1;
      const Entity* e = static_cast<const Entity*>(m_scene->Binder().Table().Row(t->nObject).entity);
      return e != nullptr ? e->GetX() : -1;
    };
    int left = INT_MAX, right = INT_MIN;
    for (int i = 1; i <= 13; ++i) {
      const int x = pictureX(i);
      ASSERT_GE(x, 0) << "place " << i << " has no picture";
      left = std::min(left, x), right = std::max(right, x);
    }
    ASSERT_LT(left + 200, right);
    Click(Bars().SystemButton(2));
    Entity* cursor = Bars().HandCursor();
    ASSERT_NE(cursor, nullptr);
    const int start = cursor->GetX();
    EXPECT_LT(start, (left + right) / 2) << "the sweep starts over the far end of the row";
    for (int i = 0; i < 1000 && m_scene->HasApplyKey(Bars().SortKey()); ++i) Advance(10);
    ASSERT_FALSE(m_scene->HasApplyKey(Bars().SortKey()));
    EXPECT_GT(cursor->GetX(), right) << "the sweep ends at the drawn place";
    if (withDrawn) EXPECT_GE(cursor->GetX(), pictureX(0));
    for (int i = 0; i < 100 && cursor->GetAlpha() > 0.0; ++i) Advance(10);
    EXPECT_LE(cursor->GetAlpha(), 0.0) << "the cursor fades away after the sort";
  }
}

TEST(HandSortTest, TheSortKeepsEveryTileAndLeavesHiddenHandsAlone) {
  const struct {
    const char* what;
    std::vector<int> ids;
    bool withDrawn;
    int sorted;
  } cases[] = {
      {"more than four of one sort code", {0, 9, 18, 27, 1, 10, 19, 28, 0 + 36, 9 + 36}, false, 10},
      {"the drawn tile sorted in last", {30, 2, 1, 0}, true, 4},
      {"a hidden hand", {MJ_TILE_HIDDEN, MJ_TILE_HIDDEN, MJ_TILE_HIDDEN}, false, 0},
  };
  for (const auto& c : cases) {
    CTileTable tiles;
    int place = c.withDrawn ? 0 : 1;
    for (int id : c.ids) {
      MJTile* t = tiles.GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, place++);
      t->tileId = id, t->present = 1, t->standing = 1, t->nFace = 1, t->jokerMark = id == 1 ? 1 : 0;
    }
    // A meld stays where it is.
    MJTile* meld = tiles.GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, 13);
    meld->tileId = 5, meld->present = 1, meld->standing = 1, meld->meldKind = 1;
    // Sorting by the tile's own code treats every id of a suit's value alike when the rule set
    // substitutes the treasure: with joker 0 and substitute 0, ids of the treasure's kind
    // share the treasure's code.
    EXPECT_EQ(c.sorted, SortStandingTiles(tiles, SIDE_OWN, c.withDrawn, 0, 0, static_cast<int>(0xB004B20B)))
        << c.what;
    std::vector<int> after;
    for (int i = 0; i < 13; ++i) {
      const MJTile* t = tiles.GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, i);
      if (t->present) after.push_back(t->tileId);
      // The joker mark travels with its tile.
      if (t->present && t->tileId == 1) EXPECT_EQ(1, t->jokerMark) << c.what;
    }
    std::vector<int> a = c.ids, b = after;
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    EXPECT_EQ(a, b) << c.what;
    if (c.withDrawn) EXPECT_EQ(30, tiles.GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, 0)->tileId) << c.what;
    if (c.sorted == 0) {
      for (size_t k = 0; k < c.ids.size(); ++k) EXPECT_EQ(c.ids[k], after[k]) << c.what;
    }
    EXPECT_EQ(5, meld->tileId) << c.what;
  }
}

TEST_F(TableBarsTest, ScreenshotIsWrittenUnderTempAndItsPlaceReported) {
  Start();
  Click(Bars().SystemButton(4));
  ASSERT_EQ(1u, m_chat.size());
  const std::string path = m_dir.File("temp/pxqd_42_2027101_5.jpg");
  EXPECT_TRUE(std::filesystem::is_regular_file(path));
  EXPECT_GT(std::filesystem::file_size(path), 1000u);
  EXPECT_NE(m_chat[0].find("游戏截图已保存到"), std::string::npos);
  EXPECT_NE(m_chat[0].find("pxqd_42_2027101_5.jpg"), std::string::npos);
}

TEST_F(TableBarsTest, AScreenshotThatCouldNotBeWrittenIsReportedSo) {
  m_capture = [](const char*) {};
  Start();
  Click(Bars().SystemButton(4));
  ASSERT_EQ(1u, m_chat.size());
  EXPECT_NE(m_chat[0].find("游戏截图未能保存到"), std::string::npos) << m_chat[0];
}

TEST_F(TableBarsTest, RestingMouseShowsTheHintOnTheNoteBoard) {
  Start();
  AdvancedButton* sort = Bars().SystemButton(2);
  Mouse(WM_MOUSEMOVE, sort->GetPlane()->GetX(), sort->GetPlane()->GetY());
  Advance(900);
  Entity* note = Bars().NoteBoard();
  ASSERT_NE(note, nullptr);
  EXPECT_TRUE(note->IsVisible());
  EXPECT_GT(note->GetAlpha(), 0.5);
  Capture("bars-hint");
  Mouse(WM_MOUSEMOVE, 300, 300);
  Advance(900);
  EXPECT_FALSE(note->IsVisible());
}

TEST_F(TableBarsTest, SeeHandButtonRestsFifteenSecondsAfterARequest) {
  m_lookOn = true;
  Start();
  ControlRecord* button = Bars().SeeHandButton();
  ASSERT_NE(button, nullptr);
  // The room lets onlookers ask: the button is offered from the start.
  EXPECT_TRUE(button->entity->IsVisible());
  EXPECT_FALSE(m_scene->StartButton()->IsVisible());
  // An onlooker has no system bar.
  EXPECT_FALSE(Bars().SystemBar()->GetAnchor()->IsVisible());
  Advance(40);
  const int x = button->entity->GetX(), y = button->entity->GetY();
  EXPECT_EQ(50, x);
  EXPECT_EQ(768 - 16, y);
  ClickAt(x, y);
  EXPECT_EQ(1, m_seeHandRequests);
  ASSERT_EQ(1u, m_chat.size());
  EXPECT_NE(m_chat[0].find("请求乙给我看牌"), std::string::npos);
  // The second press within the rest finds the button off.
  ClickAt(x, y);
  EXPECT_EQ(1, m_seeHandRequests);
  Capture("bars-onlooker");
  platform::AdvanceClock(15000);
  testsupport::Pump();
  Advance(40);
  ClickAt(x, y);
  EXPECT_EQ(2, m_seeHandRequests);
}

}  // namespace

namespace {

int CountPixels(Entity* plane, uint32_t colour) {
  const PlaneData* d = PlaneEntity::GetData(plane);
  const uint32_t packed = PlaneEntity::PackColor(colour, d->keyColor);
  int n = 0;
  for (int i = 0; i < d->width * d->height; ++i) n += PlaneEntity::GetPixels(plane)[i] == packed ? 1 : 0;
  return n;
}

TEST_F(TableBarsTest, SidePanelsCarryTheNamesInTheStartedColourAndTheirIcons) {
  Start();
  CTableSidePanels& panels = m_scene->SidePanels();
  ASSERT_TRUE(panels.Built());
  CTableMetrics metrics;
  metrics.sceneWidth = 1024, metrics.sceneHeight = 768;
  panels.Draw(SIDE_TOP, "乙", false, metrics);
  Entity* top = panels.Panel(SIDE_TOP);
  ASSERT_NE(top, nullptr);
  EXPECT_TRUE(top->IsVisible());
  EXPECT_GT(CountPixels(top, CTableSidePanels::WAITING_COLOUR), 0);
  EXPECT_EQ(0, CountPixels(top, CTableSidePanels::STARTED_COLOUR));
  panels.Draw(SIDE_TOP, "乙", true, metrics);
  EXPECT_GT(CountPixels(top, CTableSidePanels::STARTED_COLOUR), 0);
  EXPECT_EQ(0, CountPixels(top, CTableSidePanels::WAITING_COLOUR));
  // The icon set by the stake panel is the tenth code; shown, it moves to the front.
  panels.SetSideIcon(SIDE_TOP, 1);
  EXPECT_EQ(1, panels.Code(SIDE_TOP, 0));
  EXPECT_TRUE(panels.Icon(SIDE_TOP, 0)->IsVisible());
  EXPECT_FALSE(panels.Icon(SIDE_TOP, 1)->IsVisible());
  panels.SetSideIcon(SIDE_TOP, 2);
  EXPECT_EQ(2, panels.ShowSideIcons(SIDE_TOP));
  EXPECT_TRUE(panels.Icon(SIDE_TOP, 1)->IsVisible());
  // A side out of range changes nothing.
  panels.SetSideIcon(-1, 3);
  panels.SetSideIcon(4, 3);
  EXPECT_EQ(2, panels.ShowSideIcons(SIDE_TOP));
  panels.ResetSideEffects();
  EXPECT_EQ(0, panels.ShowSideIcons(SIDE_TOP));
  EXPECT_FALSE(panels.Icon(SIDE_TOP, 0)->IsVisible());
  // An empty seat hides its panel.
  panels.Draw(SIDE_TOP, "", false, metrics);
  EXPECT_FALSE(top->IsVisible());
  Capture("panels");
}

TEST(SidePanelPlacement, BesideTheHandAndInsideTheScene) {
  CTableMetrics normal;
  normal.sceneWidth = 1024, normal.sceneHeight = 768;
  CTableMetrics small;
  small.SetSmallScreen(true);
  small.sceneWidth = 800, small.sceneHeight = 600;
  const RECT area{300, 200, 500, 260};
  const struct {
    const CTableMetrics* m;
    int side;
    POINT expected;
  } cases[] = {
      // Normal screens: 25 pixels away from the table's side of the hand.
      {&normal, 0, {300 - 25 - 25, 230}},
      {&normal, 1, {400, 200 - 25 - 25}},
      {&normal, 2, {500 + 25 + 25, 230}},
      {&normal, 3, {400, 260 + 25 + 25}},
      // Small screens: 5 pixels towards the table.
      {&small, 0, {500 + 5 + 25, 230}},
      {&small, 1, {400, 260 + 5 + 25}},
      {&small, 2, {300 - 5 - 25, 230}},
      {&small, 3, {400, 200 - 5 - 25}},
  };
  for (const auto& c : cases) {
    const POINT p = CTableSidePanels::PanelCentre(c.side, area, *c.m);
    EXPECT_EQ(c.expected.x, p.x) << c.side;
    EXPECT_EQ(c.expected.y, p.y) << c.side;
  }
  // The game's own hands lie at the scene's edges: a panel that would leave the scene stands
  // on the table's side instead, clear of the ready icon.
  for (int side = 0; side < 4; ++side) {
    RECT a{};
    ASSERT_TRUE(normal.GetHandArea(side, &a));
    const POINT p = CTableSidePanels::PanelCentre(side, a, normal);
    const POINT ready = CTableExtras::ReadyIconPoint(side, a);
    const bool turned = side == 0 || side == 2;
    const int apartX = std::abs(p.x - ready.x), apartY = std::abs(p.y - ready.y);
    EXPECT_TRUE(turned ? apartX >= 25 + 38 : apartY >= 25 + 16) << side;
    // Nor does it cover the side's played tile.
    RECT played{};
    ASSERT_TRUE(normal.GetPlayedTileRect(side, &played));
    const int hw = turned ? 25 : 100, hh = turned ? 100 : 25;
    const RECT panel{p.x - hw, p.y - hh, p.x + hw, p.y + hh};
    const bool overlap = panel.left < played.right && played.left < panel.right && panel.top < played.bottom &&
                         played.top < panel.bottom;
    EXPECT_FALSE(overlap) << side;
    EXPECT_GE(p.x, 0) << side;
    EXPECT_GE(p.y, 0) << side;
    EXPECT_LE(p.x, 1024) << side;
    EXPECT_LE(p.y, 768) << side;
  }
}

}  // namespace

namespace {

TEST_F(TableBarsTest, ReadyIconsTicketsAndTheActivityButton) {
  Start();
  CTableExtras& extras = m_scene->Extras();
  ASSERT_TRUE(extras.Built());
  for (int side = 0; side < 4; ++side) {
    ASSERT_NE(extras.ReadyIcon(side), nullptr) << side;
    EXPECT_FALSE(extras.ReadyIcon(side)->IsVisible()) << side;
  }
  EXPECT_TRUE(m_scene->ShowReadyIcon(SIDE_TOP));
  EXPECT_TRUE(extras.ReadyIcon(SIDE_TOP)->IsVisible());
  // A chair the table does not have shows nothing.
  EXPECT_FALSE(m_scene->ShowReadyIcon(7));
  EXPECT_FALSE(m_scene->ShowReadyIcon(-1));
  EXPECT_FALSE(extras.ShowReadyIcon(7));
  // Once a player left during the settlement the icons stay hidden.
  extras.SetHoldReadyIcons(true);
  EXPECT_FALSE(extras.ShowReadyIcon(SIDE_OWN));
  EXPECT_FALSE(extras.ReadyIcon(SIDE_OWN)->IsVisible());
  extras.SetHoldReadyIcons(false);
  EXPECT_TRUE(extras.ShowReadyIcon(SIDE_OWN));
  // Only animations 1 to 10 exist.
  for (int n : {0, 11, -1}) EXPECT_FALSE(extras.PlayTicketAnimation(n)) << n;
  for (int n = 1; n <= CTableExtras::TICKETS; ++n) {
    ASSERT_NE(extras.Ticket(n), nullptr) << n;
    EXPECT_FALSE(extras.Ticket(n)->IsVisible()) << n;
  }
  EXPECT_TRUE(extras.PlayTicketAnimation(3));
  EXPECT_TRUE(extras.Ticket(3)->IsVisible());
  EXPECT_EQ(1024 - 155, extras.Ticket(3)->GetX());
  ASSERT_NE(extras.ActivityButton(), nullptr);
  EXPECT_FALSE(extras.ActivityButton()->IsVisible());
  extras.ShowActivityButton();
  EXPECT_TRUE(extras.ActivityButton()->IsVisible());
  EXPECT_EQ(1024 - 40, extras.ActivityButton()->GetX());
  EXPECT_EQ(40, extras.ActivityButton()->GetY());
  ASSERT_NE(extras.TreasurePanel(), nullptr);
  EXPECT_FALSE(extras.TreasurePanel()->IsVisible());
  EXPECT_NE(0u, extras.LogoPicture());
  Capture("extras");
  // A click on the activity button raises its command for the exchange panels.
  ClickAt(1024 - 40, 40);
  EXPECT_EQ(std::vector<uint32_t>{CTableExtras::CMD_ACTIVITY}, m_otherCommands);
}

TEST_F(TableBarsTest, AutoReadyFiresOnce) {
  Start();
  m_scene->StartAutoReady();
  for (int i = 0; i < 15; ++i) {
    platform::AdvanceClock(1000);
    testsupport::Pump();
  }
  EXPECT_EQ(1, m_autoReadies);
  platform::AdvanceClock(30000);
  testsupport::Pump();
  EXPECT_EQ(1, m_autoReadies);
}

TEST_F(TableBarsTest, APlayerWhomTheSystemSeatsWaitsInsteadOfPressingStart) {
  m_waitsForTable = true;
  Start();
  Entity* text = m_scene->Extras().WaitingText();
  ASSERT_NE(text, nullptr);
  EXPECT_TRUE(text->IsVisible());
  EXPECT_EQ(512, text->GetX());
  EXPECT_EQ(576, text->GetY());
  EXPECT_EQ(15 * 24, text->GetWidth());  // twelve characters of two bytes
  EXPECT_FALSE(m_scene->StartButton()->IsVisible());
  // A new layout keeps the start button away.
  m_scene->OnLayout();
  EXPECT_FALSE(m_scene->StartButton()->IsVisible());
  Capture("waiting-for-table");
}

TEST_F(TableBarsTest, OperationBarHoldsTheChiButtonOnlyWhenTheRulesHaveIt) {
  Start();
  BUTTONFRAME* bar = Bars().OperationBar();
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(5, bar->GetSlotCount());
  const uint32_t order[5] = {210029, 210028, 210027, 210026, 210025};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Bars().ActionButton(order[i]), bar->GetButton(i)) << i;
  m_fifthButton = false;
  m_scene->OnLayout();
  Bars().Layout(m_scene->Binder().Metrics());
  EXPECT_EQ(4, bar->GetSlotCount());
  ASSERT_NE(Bars().ActionButton(210025), nullptr);
  EXPECT_FALSE(Bars().ActionButton(210025)->entity->IsVisible());
  m_fifthButton = true;
  Bars().Layout(m_scene->Binder().Metrics());
  EXPECT_EQ(5, bar->GetSlotCount());
  EXPECT_EQ(Bars().ActionButton(210025), bar->GetButton(4));
}

TEST_F(TableBarsTest, OnASmallScreenTheSystemBarSlidesOutUnderTheMouseAndBack) {
  Start();
  CTableMetrics small;
  small.SetSmallScreen(true);
  small.sceneWidth = 1024, small.sceneHeight = 768;
  Bars().Layout(small);
  Entity* anchor = Bars().SystemBar()->GetAnchor();
  Advance(600);
  const int hiddenX = anchor->GetX();
  EXPECT_LT(hiddenX, 0);
  EXPECT_FALSE(Bars().SystemBarOut());
  Mouse(WM_MOUSEMOVE, 4, anchor->GetY());
  Advance(600);
  EXPECT_TRUE(Bars().SystemBarOut());
  EXPECT_EQ(anchor->GetWidth() / 2, anchor->GetX());
  Capture("bars-small-out");
  Mouse(WM_MOUSEMOVE, 500, 300);
  Advance(600);
  EXPECT_FALSE(Bars().SystemBarOut());
  EXPECT_EQ(hiddenX, anchor->GetX());
}

TEST_F(TableBarsTest, SettlementClosingReadiesAPlayerWhoMustStayAndClearsTheLeaversNotes) {
  m_managedOn = true;
  m_mustStay = true;
  Start();
  // A player leaves while the settlement is open: his name stays as his seat's note and the
  // ready icons stay hidden.
  m_settlementOpen = true;
  m_scene->OnPlayerLeft(1, "丙");
  m_scene->OnPlayerLeft(9, "wrong chair");
  EXPECT_EQ("丙", m_notes[1]);
  EXPECT_TRUE(m_scene->SeatNoteSet(1));
  EXPECT_FALSE(m_scene->Extras().ShowReadyIcon(SIDE_TOP));
  m_settlementOpen = false;
  const int ids[3] = {1, 2, 3};
  m_model.SetHandTiles(SIDE_OWN, ids, 3);
  m_scene->OnSettlementClosed();
  EXPECT_EQ(1, m_seatResets);
  // The last hand's tiles are gone and no hand runs until the server deals.
  EXPECT_EQ(0, m_model.HasHandTiles(SIDE_OWN));
  EXPECT_EQ(0, m_model.IsPlaying());
  EXPECT_EQ(1, m_managedToggles);
  // Made ready at once, and again by the timer 15 seconds later.
  EXPECT_EQ(1, m_starts);
  platform::AdvanceClock(15000);
  testsupport::Pump();
  EXPECT_EQ(1, m_autoReadies);
  EXPECT_EQ("", m_notes[1]);
  EXPECT_FALSE(m_scene->SeatNoteSet(1));
  EXPECT_FALSE(Bars().OperationBar()->IsVisible());
  // A new seating shows ready icons again.
  m_scene->OnRandomSeated();
  EXPECT_TRUE(m_scene->Extras().ShowReadyIcon(SIDE_TOP));
  m_scene->ClearReadyIcons();
  EXPECT_FALSE(m_scene->Extras().ReadyIcon(SIDE_TOP)->IsVisible());
}

TEST(ReadyIconPoint, ThirtyFivePixelsOnTheTablesSideOfEachHand) {
  const RECT a{300, 200, 500, 260};
  const POINT expected[4] = {{535, 230}, {400, 295}, {265, 230}, {400, 165}};
  for (int side = 0; side < 4; ++side) {
    const POINT p = CTableExtras::ReadyIconPoint(side, a);
    EXPECT_EQ(expected[side].x, p.x) << side;
    EXPECT_EQ(expected[side].y, p.y) << side;
  }
}

}  // namespace
