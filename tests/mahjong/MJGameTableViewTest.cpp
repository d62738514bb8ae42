// The GDI-drawn table view on its own (this game's scene is drawn by the engine, so the program
// never makes it): the frames choose it for a scene of view mode 1, it paints through its buffer
// with the seat painter and the scene, hands its input and buttons to the scene, rests the
// see-hand button after a request, and repaints a name plate by itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "framework/BodyWriter.h"
#include "mahjong/MJGameFrameWnd.h"
#include "mahjong/MJGameTableView.h"
#include "mahjong/MJGameTableView2.h"
#include "mahjong/TurnControl.h"
#include "tests/variant/FrameTestSupport.h"
#include "variant/MainFrame.h"

namespace {

// The scene's colour square, painted where the test scene says.
constexpr COLORREF SCENE_COLOUR = RGB(200, 30, 40);
constexpr RECT SCENE_SQUARE{40, 40, 140, 100};

// A scene that records what the view asks of it and paints one square.
class RecordingScene : public CMJTableSceneBase {
 public:
  int GetViewMode() const override { return viewMode; }
  void OnTimer(uintptr_t id) override { Add("OnTimer:" + std::to_string(id)); }
  void OnSkinChanged() override { Add("OnSkinChanged"); }
  int SceneHook48() override {
    Add("Hook48");
    return 48;
  }
  void BuildVariantEntities() override { Add("BuildVariantEntities"); }
  void ResetTable() override { Add("ResetTable"); }
  int IsArrayButtonEnabled(int index) override { return 0; }
  void OnStartButton() override { Add("Start"); }
  void OnPengButton() override { Add("Peng"); }
  void OnGangButton() override { Add("Gang"); }
  void OnChiButton() override { Add("Chi"); }
  void OnHuButton() override { Add("Hu"); }
  void OnPassButton() override { Add("Pass"); }
  void OnExtraButton(int index) override { Add("Extra:" + std::to_string(index)); }
  void PaintTableGdi(CDC* dc) override {
    Add("Paint");
    if (dc != nullptr) dc->FillSolidRect(&SCENE_SQUARE, SCENE_COLOUR);
  }
  int HasHandTiles(int side) override { return side == SIDE_OWN ? ownTiles : 0; }
  int OnTableMouseMove(UINT flags, int x, int y) override { return Mouse("Move", flags, x, y); }
  int OnTableRButtonDown(UINT flags, int x, int y) override { return Mouse("RDown", flags, x, y); }
  int OnHandMouseUp(UINT flags, int x, int y) override { return Mouse("RUp", flags, x, y); }
  int OnTableLButtonDown(UINT flags, int x, int y) override { return Mouse("LDown", flags, x, y); }
  int GetPendingClaim() override { return pendingClaim; }
  void ResumeHand() override { Add("ResumeHand"); }
  void ShowBars(int shown) override { Add("ShowBars:" + std::to_string(shown)); }
  void LayoutTableControls() override { Add("Layout"); }

  bool Has(const std::string& call) const {
    for (const std::string& c : calls)
      if (c == call) return true;
    return false;
  }
  int Mouse(const char* what, UINT flags, int x, int y) {
    Add(std::string(what) + ":" + std::to_string(flags) + "," + std::to_string(x) + "," + std::to_string(y));
    return mouseAnswer;
  }
  void Add(const std::string& call) { calls.push_back(call); }

  std::vector<std::string> calls;
  int viewMode = 1;
  int ownTiles = 0;
  int pendingClaim = 0;
  int mouseAnswer = 0;
};

class GdiApp : public frametest::FrameApp {
 public:
  CMJTableSceneBase* GetTableScene() override { return &scene; }
  int PlaySound(int soundId, int flags) override {
    sounds.push_back(soundId);
    return 0;
  }
  RecordingScene scene;
  std::vector<int> sounds;
};

class GdiTableViewTest : public frametest::FrameTest {
 protected:
  // The application with the test scene in the view mode given, as the start-up settles it.
  GdiApp* MakeGdiApp(int viewMode) {
    platform::SetScreenSize(1024, 768);
    auto app = std::make_unique<GdiApp>();
    GdiApp* raw = app.get();
    m_app = std::move(app);
    raw->SetPlayerCount(4);
    raw->Launch().userId = 1001;
    raw->Launch().chair = 0;
    raw->info.SetOwnChair(0);
    raw->scene.viewMode = viewMode;
    raw->SetViewMode(raw->GetSceneViewMode());
    AfxGetThreadState().pCurrentThread = raw;
    return raw;
  }
  GdiApp* App() { return static_cast<GdiApp*>(m_app.get()); }
  // A mahjong frame over a view-mode-1 scene, and its GDI view.
  CMJGameTableView* MakeView() {
    MakeGdiApp(1);
    auto* frame = MakeFrame<CMJGameFrameWnd>(1024, 768);
    return frame != nullptr ? dynamic_cast<CMJGameTableView*>(frame->GetTablePane()) : nullptr;
  }
  static void Seat(CGameApp& app, int chair, int userId, const char* name) {
    PlayerRecord* r = app.Tables().Seat(chair);
    r->userId = userId;
    r->chair = chair;
    std::snprintf(r->name, sizeof r->name, "%s", name);
  }
  static void Paint(CWnd* view) {
    ::RedrawWindow(view->GetSafeHwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    mfcwin::Pump();
  }
  static CRect ClientOf(CWnd* view) {
    CRect rc;
    view->GetClientRect(&rc);
    return rc;
  }
};

// How many pixels of a rectangle of a window are not of that colour (one capture).
int PixelsNotOf(HWND hwnd, const RECT& rect, COLORREF colour) {
  std::vector<uint32_t> px;
  int w = 0, h = 0;
  if (!platform::CaptureWindow(hwnd, px, w, h)) return -1;
  int n = 0;
  for (int y = std::max(0, static_cast<int>(rect.top)); y < std::min(h, static_cast<int>(rect.bottom)); ++y) {
    for (int x = std::max(0, static_cast<int>(rect.left)); x < std::min(w, static_cast<int>(rect.right)); ++x) {
      const uint32_t p = px[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)];
      n += RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF) != colour;
    }
  }
  return n;
}

std::string ClassOf(CWnd* pane) { return pane != nullptr ? pane->GetRuntimeClass()->m_lpszClassName : "null"; }

TEST_F(GdiTableViewTest, TheFramesMakeTheGdiViewOnlyForAViewModeOneScene) {
  struct Case {
    bool mahjongFrame;
    int viewMode;
    std::string table;
  } cases[] = {
      {true, 1, "CMJGameTableView"},
      {true, 2, "CMJGameTableView2"},
      {false, 1, "CMJGameTableView"},
      {false, 2, "CNewGameTableView"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.mahjongFrame) + " " + std::to_string(c.viewMode));
    GdiApp* app = MakeGdiApp(c.viewMode);
    EXPECT_EQ(c.viewMode, app->GetViewMode());
    CMJGameFrameWnd* frame = c.mahjongFrame ? MakeFrame<CMJGameFrameWnd>(1024, 768) : MakeFrame<CMainFrame>(1024, 768);
    ASSERT_NE(nullptr, frame);
    EXPECT_EQ(c.table, ClassOf(frame->GetTablePane()));
    EXPECT_EQ(dynamic_cast<CTablePaneHooks*>(frame->GetTablePane()), frame->GetTableView());
    auto* gdi = dynamic_cast<CMJGameTableView*>(frame->GetTablePane());
    EXPECT_EQ(gdi, CMJGameTableView::FromMainWindow());
    // Only the GDI view sets the scene up, and the frame's skin step reaches it.
    EXPECT_EQ(c.viewMode == 1, app->scene.Has("BuildVariantEntities"));
    EXPECT_EQ(c.viewMode == 1, app->scene.Has("OnSkinChanged"));
    if (gdi != nullptr) {
      EXPECT_EQ(1, gdi->IsInitialised());
      app->scene.calls.clear();
      frame->LoadSplitterBitmaps();
      EXPECT_TRUE(app->scene.Has("OnSkinChanged"));
    }
    DestroyFrame();
    m_app.reset();
  }
}

TEST_F(GdiTableViewTest, PaintGoesThroughTheBufferWithPlatesAndTheScene) {
  CMJGameTableView* view = MakeView();
  ASSERT_NE(nullptr, view);
  GdiApp* app = App();
  // The plates around a table area in the middle of the view.
  const CRect client = ClientOf(view);
  CSeatPainter::Hooks hooks;
  hooks.sideArea = [client](int) { return RECT{150, 150, client.right - 150, client.bottom - 150}; };
  app->painter.SetHooks(hooks);
  app->painter.SetSeatName(SIDE_OWN, "自己");
  app->painter.SetSeatName(SIDE_RIGHT, "下家");
  app->scene.calls.clear();
  Paint(view);
  EXPECT_TRUE(app->scene.Has("Paint"));
  EXPECT_EQ(0, view->NeedsRebuild());
  ASSERT_NE(nullptr, view->Buffer().GetSafeHdc());
  const HWND hwnd = view->GetSafeHwnd();
  EXPECT_EQ(SCENE_COLOUR, mfcwin::Pixel(hwnd, SCENE_SQUARE.left + 5, SCENE_SQUARE.top + 5));
  // Without a skin the table shows its colour.
  EXPECT_EQ(CMJGameTableView::TABLE_DEFAULT_COLOUR, mfcwin::Pixel(hwnd, 5, 5));
  EXPECT_EQ(CMJGameTableView::TABLE_DEFAULT_COLOUR, ::GetPixel(view->Buffer().GetSafeHdc(), 5, 5));
  // The own plate carries its name: some of its pixels are no longer the table's.
  const RECT plate = app->painter.GetNamePlateRect(SIDE_OWN);
  EXPECT_GT(PixelsNotOf(hwnd, plate, CMJGameTableView::TABLE_DEFAULT_COLOUR), 0);
  EXPECT_TRUE(mfcwin::SavePng(hwnd, "gdi-table-view"));
  // A new size rebuilds the buffer at the next paint.
  view->SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.Width() - 10, client.Height() - 10));
  EXPECT_EQ(1, view->NeedsRebuild());
  Paint(view);
  EXPECT_EQ(0, view->NeedsRebuild());
}

TEST_F(GdiTableViewTest, MouseAndTimerInputReachTheScene) {
  CMJGameTableView* view = MakeView();
  ASSERT_NE(nullptr, view);
  RecordingScene& scene = App()->scene;
  scene.calls.clear();
  scene.mouseAnswer = 1;
  view->SendMessage(WM_MOUSEMOVE, MK_SHIFT, MAKELPARAM(30, 40));
  EXPECT_EQ(1, view->GetCursorKind());
  view->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(31, 41));
  view->SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(32, 42));
  view->SendMessage(WM_TIMER, 1000, 0);
  EXPECT_EQ((std::vector<std::string>{"Move:4,30,40", "LDown:1,31,41", "RDown:2,32,42", "OnTimer:1000"}), scene.calls);
  // The right release goes to the scene only for a player with no claim open.
  struct Case {
    int lookOn, pending;
    bool passed;
  } cases[] = {{0, 0, true}, {1, 0, false}, {0, PENDING_GANG, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.lookOn) + " " + std::to_string(c.pending));
    App()->Launch().lookOn = c.lookOn;
    scene.pendingClaim = c.pending;
    scene.calls.clear();
    scene.mouseAnswer = 2;
    view->SetCursorKind(0);
    view->SendMessage(WM_RBUTTONUP, 0, MAKELPARAM(50, 60));
    EXPECT_EQ(c.passed, scene.Has("RUp:0,50,60"));
    EXPECT_EQ(c.passed ? 2 : 0, view->GetCursorKind());
  }
}

TEST_F(GdiTableViewTest, EachButtonCallsItsSceneOperation) {
  CMJGameTableView* view = MakeView();
  ASSERT_NE(nullptr, view);
  RecordingScene& scene = App()->scene;
  struct Case {
    UINT id;
    std::string call;
  } cases[] = {{1800, "Start"}, {1813, "Peng"},    {1812, "Gang"},    {1814, "Chi"},   {1811, "Hu"},
               {1810, "Pass"},  {1815, "Extra:0"}, {1816, "Extra:1"}, {1817, "Extra:2"}};
  for (const Case& c : cases) {
    scene.calls.clear();
    view->SendMessage(WM_COMMAND, MAKEWPARAM(c.id, BN_CLICKED), 0);
    EXPECT_EQ(std::vector<std::string>{c.call}, scene.calls) << c.id;
  }
  // A click on the claim button's own window takes the same way.
  CImageButton* peng = view->ClaimButton(IDC_TABLE_PENG);
  ASSERT_NE(nullptr, peng);
  ASSERT_NE(nullptr, peng->GetSafeHwnd());
  EXPECT_EQ(nullptr, view->ClaimButton(IDC_TABLE_START));
  peng->ShowWindow(SW_SHOW);
  scene.calls.clear();
  peng->SendMessage(BM_CLICK, 0, 0);
  mfcwin::Pump();
  EXPECT_EQ(1, std::count(scene.calls.begin(), scene.calls.end(), "Peng"));
}

TEST_F(GdiTableViewTest, AnOnlookerAsksToSeeTheHandAndTheButtonRests) {
  struct Case {
    int lookOn, ownTiles, running;
    bool asks;
  } cases[] = {
      {1, 0, 1, true},
      {0, 0, 1, false},  // a seated player sees his own hand
      {1, 1, 1, false},  // the hand is already shown
      {1, 0, 0, false},  // no hand is being played
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.lookOn) + " " + std::to_string(c.ownTiles) + " " + std::to_string(c.running));
    CMJGameTableView* view = MakeView();
    ASSERT_NE(nullptr, view);
    GdiApp* app = App();
    Seat(*app, 0, 1002, "东家");
    app->Launch().lookOn = c.lookOn;
    app->scene.ownTiles = c.ownTiles;
    app->info.SetTableStatus(c.running ? TABLE_STATUS_RUNNING : 0);
    app->connection.requests.clear();
    view->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_TABLE_SEE_HAND, BN_CLICKED), 0);
    ASSERT_EQ(c.asks ? 1u : 0u, app->connection.requests.size());
    EXPECT_EQ(c.asks, !view->SeeHandButton().IsWindowEnabled());
    EXPECT_EQ(c.asks ? std::vector<int>{CMJGameTableView::SOUND_OWN_REQUEST} : std::vector<int>{}, app->sounds);
    if (c.asks) {
      EXPECT_EQ(221050, app->connection.requests[0].first);
      EXPECT_EQ(32u, app->connection.requests[0].second.size());
      // Timer 7 ends the rest: the button may be pressed again, and the scene hears the timer.
      app->scene.calls.clear();
      view->SendMessage(WM_TIMER, CMJGameTableView::SEE_HAND_TIMER, 0);
      EXPECT_TRUE(view->SeeHandButton().IsWindowEnabled());
      EXPECT_TRUE(app->scene.Has("OnTimer:7"));
    }
    DestroyFrame();
    m_app.reset();
  }
}

TEST_F(GdiTableViewTest, ThePaneUpdateShowsTheButtonsTheUserNeeds) {
  struct Case {
    int lookOn, tableData, running;
    bool start, seeHand, resumed;
  } cases[] = {
      {0, 0, 0, true, false, false},
      {0, 1, 1, false, false, true},
      {0, 0, 1, true, false, false},  // a new seat: the running hand is not his
      {1, 0, 1, false, true, true},
      {1, 0, 0, false, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.lookOn) + " " + std::to_string(c.tableData) + " " + std::to_string(c.running));
    CMJGameTableView* view = MakeView();
    ASSERT_NE(nullptr, view);
    GdiApp* app = App();
    EXPECT_FALSE(view->StartButton().IsWindowVisible());
    EXPECT_FALSE(view->SeeHandButton().IsWindowVisible());
    app->Launch().lookOn = c.lookOn;
    app->SetGameDataFlag(c.tableData);
    app->info.SetTableStatus(c.running ? TABLE_STATUS_RUNNING : 0);
    app->scene.calls.clear();
    view->SendMessage(WM_PANE_UPDATE, 0, 0);
    EXPECT_EQ(c.start, view->StartButton().IsWindowVisible() != 0);
    EXPECT_EQ(c.seeHand, view->SeeHandButton().IsWindowVisible() != 0);
    EXPECT_EQ(c.resumed, app->scene.Has("ResumeHand"));
    DestroyFrame();
    m_app.reset();
  }
}

TEST_F(GdiTableViewTest, ASizeLaysOutThePlainButtonsAndThenTheScene) {
  CMJGameTableView* view = MakeView();
  ASSERT_NE(nullptr, view);
  App()->scene.calls.clear();
  view->SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(700, 500));
  EXPECT_EQ(CRect(0, 476, 70, 500), mfcwin::RectInParent(view->SeeHandButton().GetSafeHwnd()));
  EXPECT_EQ(CRect(310, 340, 390, 370), mfcwin::RectInParent(view->StartButton().GetSafeHwnd()));
  EXPECT_TRUE(App()->scene.Has("Layout"));
}

TEST_F(GdiTableViewTest, SeatsAndResetsChangeThePlatesAndTheClock) {
  CMJGameTableView* view = MakeView();
  ASSERT_NE(nullptr, view);
  GdiApp* app = App();
  EXPECT_EQ(&app->painter, view->GetSeatPainter());
  PlayerRecord record;
  record.userId = 1002;
  record.chair = 1;
  std::snprintf(record.name, sizeof record.name, "南家");
  const int side = app->painter.ChairToSide(1);
  ASSERT_GE(side, 0);
  // The mahjong frame's advert pane is no advert-bet pane: only the plate changes.
  EXPECT_EQ(0, CMJGameTableView::ShowSeatName(view->GetSeatPainter(), record, true));
  EXPECT_EQ("南家", app->painter.GetSeat(side).name);
  view->OnPlayerLeft(record);
  EXPECT_EQ("", app->painter.GetSeat(side).name);
  view->OnPlayerSeated(record);
  EXPECT_EQ("南家", app->painter.GetSeat(side).name);
  EXPECT_NE(0u, view->StartClockTimer());
  view->ResetTable();
  EXPECT_EQ(0u, view->GetClockTimerId());
  EXPECT_EQ(48, view->CallSceneHook48());
  // Going, the view stops its clock and calls the scene's hook.
  EXPECT_NE(0u, view->StartClockTimer());
  app->scene.calls.clear();
  DestroyFrame();
  EXPECT_TRUE(app->scene.Has("Hook48"));
}

TEST_F(GdiTableViewTest, AMoveToAnotherTableTakesTheNamesAndStartedFlags) {
  CMJGameTableView* view = MakeView();
  ASSERT_NE(nullptr, view);
  GdiApp* app = App();
  Seat(*app, 0, 1001, "甲");
  Seat(*app, 1, 1002, "乙");
  Seat(*app, 3, 1004, "丁");  // chair 2 is empty
  app->painter.SetSeatName(app->painter.ChairToSide(2), "旧");
  CBodyWriter body(36);
  body.Int(20 + 4 * 1, 2);  // chair 1 started
  body.Int(20 + 4 * 3, 1);  // another bit only
  // A body without the flag words changes nothing.
  EXPECT_EQ(0, view->ApplySeatRecords(body.Data().data(), 35));
  EXPECT_EQ("旧", app->painter.GetSeat(app->painter.ChairToSide(2)).name);
  view->OnMovedToTable(body.Data().data(), body.Size());
  struct Expect {
    int chair;
    std::string name;
    int started;
  } expected[] = {{0, "甲", 0}, {1, "乙", 1}, {2, "", 0}, {3, "丁", 0}};
  for (const Expect& e : expected) {
    const SeatRecord& r = app->painter.GetSeat(app->painter.ChairToSide(e.chair));
    EXPECT_EQ(e.name, r.name) << e.chair;
    EXPECT_EQ(e.started, r.started) << e.chair;
  }
}

TEST_F(GdiTableViewTest, ANewGameResetsTheTableWhenNoneIsPlayed) {
  struct Case {
    int lookOn;
    bool playing;
    bool reset, start;
  } cases[] = {{0, false, true, true}, {1, false, true, false}, {0, true, false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.lookOn) + " " + std::to_string(c.playing));
    CMJGameTableView* view = MakeView();
    ASSERT_NE(nullptr, view);
    GdiApp* app = App();
    app->Launch().lookOn = c.lookOn;
    app->info.SetTableStatus(TABLE_STATUS_RUNNING);
    app->painter.SetAllStarted(1);
    // In view mode 1 a game is played while the view's clock runs.
    if (c.playing) view->StartClockTimer();
    app->scene.calls.clear();
    view->ResetForNewGame();
    EXPECT_EQ(c.reset, app->scene.Has("ResetTable"));
    EXPECT_EQ(c.reset ? 0 : 1, app->info.IsHandRunning());
    EXPECT_EQ(c.reset ? 0 : 1, app->painter.GetSeat(SIDE_OWN).started);
    EXPECT_EQ(c.start, view->StartButton().IsWindowVisible() != 0);
    EXPECT_EQ(c.start, app->scene.Has("ShowBars:0"));
    DestroyFrame();
    m_app.reset();
  }
}

TEST_F(GdiTableViewTest, APlateRepaintsAloneInViewModeOne) {
  CMJGameTableView* view = MakeView();
  ASSERT_NE(nullptr, view);
  GdiApp* app = App();
  const CRect client = ClientOf(view);
  CSeatPainter::Hooks hooks;
  hooks.sideArea = [client](int) { return RECT{150, 150, client.right - 150, client.bottom - 150}; };
  int sceneRepaints = 0;
  hooks.repaintPlate = [&sceneRepaints](int) { ++sceneRepaints; };
  app->painter.SetHooks(hooks);
  Paint(view);
  const RECT plate = app->painter.GetNamePlateRect(SIDE_OWN);
  const HWND hwnd = view->GetSafeHwnd();
  auto written = [&] { return PixelsNotOf(hwnd, plate, CMJGameTableView::TABLE_DEFAULT_COLOUR); };
  EXPECT_EQ(0, written());
  // Without a paint of the whole view the name reaches the screen; the scene is not asked.
  app->scene.calls.clear();
  app->painter.SetSeatName(SIDE_OWN, "自己");
  EXPECT_GT(written(), 0);
  EXPECT_FALSE(app->scene.Has("Paint"));
  EXPECT_EQ(0, sceneRepaints);
  // In view mode 2 the scene draws the plate.
  app->painter.SetViewMode(2);
  app->painter.SetSeatName(SIDE_OWN, "");
  EXPECT_EQ(1, sceneRepaints);
}

}  // namespace
