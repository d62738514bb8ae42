// The mahjong layer's own frame layout (five rows with the bank bar, four without), the locked bar
// above its chat pane, its bank bar, the table pane's seat operations, and the options dialog.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "framework/AdvertView.h"
#include "mahjong/MJGameFrameWnd.h"
#include "mahjong/MJGamePlayerView.h"
#include "mahjong/MJOperateView.h"
#include "platform/skin/SkinLibrary.h"
#include "variant/AdHistoryView.h"
#include "mahjong/MJGameTableView2.h"
#include "mahjong/MJToolView.h"
#include "testbed/web/WebSite.h"
#include "tests/variant/FrameTestSupport.h"
#include "variant/GameOptionsDlg.h"
#include "variant/HeadAdView.h"
#include "variant/VariantApp.h"

namespace {

using frametest::FrameTest;

std::string ClassOf(CWnd* pane) { return pane != nullptr ? pane->GetRuntimeClass()->m_lpszClassName : "null"; }

int RowHeight(CSplitterWnd& splitter, int row) {
  int cur = 0, min = 0;
  splitter.GetRowInfo(row, cur, min);
  return cur;
}

TEST_F(FrameTest, MahjongLayoutWithAndWithoutTheBank) {
  struct Case {
    int bank;
    int screenHeight;
    std::vector<std::string> panes;
    std::vector<int> heights;  // all rows but the last
  } cases[] = {
      {0, 768, {"CMJOperateView", "CAdvertView", "CMJGamePlayerView", "CMJGameChatView"}, {36, 164, 200}},
      {1, 768, {"CMJOperateView", "CAdvertView", "CMJGamePlayerView", "CMJToolView", "CMJGameChatView"}, {36, 164, 200, 20}},
      {1, 600, {"CMJOperateView", "CAdvertView", "CMJGamePlayerView", "CMJToolView", "CMJGameChatView"}, {36, 132, 120, 20}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.bank) + " " + std::to_string(c.screenHeight));
    MakeApp(1024, c.screenHeight);
    m_app->bank = c.bank;
    auto* frame = MakeFrame<CMJGameFrameWnd>(1024, c.screenHeight);
    ASSERT_NE(nullptr, frame);
    CMJSplitterWnd& right = frame->RightSplitter();
    std::vector<std::string> panes;
    std::vector<int> heights;
    for (int r = 0; r < right.GetRowCount(); ++r) {
      panes.push_back(ClassOf(right.GetPane(r, 0)));
      if (r + 1 < right.GetRowCount()) heights.push_back(RowHeight(right, r));
    }
    EXPECT_EQ(c.panes, panes);
    EXPECT_EQ(c.heights, heights);
    EXPECT_EQ("CMJGameTableView2", ClassOf(frame->GetTablePane()));
    EXPECT_EQ(c.bank != 0, frame->GetToolView() != nullptr);
    EXPECT_EQ("CMJGameChatView", ClassOf(dynamic_cast<CWnd*>(frame->GetChatView())));
    EXPECT_EQ("CMJGamePlayerView", ClassOf(dynamic_cast<CWnd*>(frame->GetPlayerView())));
    EXPECT_EQ("CAdvertView", ClassOf(frame->GetAdvertView()));
    EXPECT_NE(nullptr, frame->GetDialogBar());
    // The hall's player details go to the application's card.
    BYTE details[320] = {};
    frame->SendMessage(WM_HALL_DATA7, reinterpret_cast<WPARAM>(details), sizeof details);
    EXPECT_EQ(sizeof details, m_app->cardBytes);
    mfcwin::Pump();
    mfcwin::SavePng(frame->GetSafeHwnd(), "mahjong-frame-" + std::to_string(c.bank) + "-" + std::to_string(c.screenHeight));
    DestroyFrame();
    m_app.reset();
  }
}

TEST_F(FrameTest, TheBarAboveTheChatDoesNotAnswerTheMouse) {
  for (int bank : {1, 0}) {
    SCOPED_TRACE(bank);
    MakeApp(1024, 768);
    m_app->bank = 1;
    auto* frame = MakeFrame<CMJGameFrameWnd>(1024, 768);
    ASSERT_NE(nullptr, frame);
    m_app->bank = bank;  // the permission is asked at each hit test
    CMJSplitterWnd& right = frame->RightSplitter();
    CRect tool, chat, player;
    right.GetPane(3, 0)->GetWindowRect(&tool);
    right.GetPane(4, 0)->GetWindowRect(&chat);
    right.GetPane(2, 0)->GetWindowRect(&player);
    ASSERT_LT(tool.bottom, chat.top);
    const CPoint lockedBar(tool.left + 10, (tool.bottom + chat.top) / 2);
    const CPoint otherBar(tool.left + 10, (player.bottom + tool.top) / 2);
    EXPECT_EQ(bank ? HTNOWHERE : HTCLIENT, right.HitTestPoint(lockedBar));
    EXPECT_EQ(HTCLIENT, right.HitTestPoint(otherBar));
    EXPECT_EQ(bank ? static_cast<LRESULT>(HTNOWHERE) : right.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(otherBar.x, otherBar.y)),
              right.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(lockedBar.x, lockedBar.y)));
    DestroyFrame();
    m_app.reset();
  }
}

TEST_F(FrameTest, BankBarButtonsAndHeader) {
  MakeApp(1024, 768);
  m_app->bank = 1;
  auto* frame = MakeFrame<CMJGameFrameWnd>(1024, 768);
  ASSERT_NE(nullptr, frame);
  auto* tool = dynamic_cast<CMJToolView*>(frame->GetToolPane());
  ASSERT_NE(nullptr, tool);
  struct Case {
    int cx;
    int safeX, presetX;
  } cases[] = {{150, 8, 71}, {159, 8, 88}, {300, 8, 88}, {126, 0, 55}};
  for (const Case& c : cases) {
    tool->SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(c.cx, 20));
    EXPECT_EQ(c.safeX, mfcwin::RectInParent(tool->GetSafeButton().GetSafeHwnd()).left) << c.cx;
    EXPECT_EQ(c.presetX, mfcwin::RectInParent(tool->GetPresetButton().GetSafeHwnd()).left) << c.cx;
    EXPECT_EQ(2, mfcwin::RectInParent(tool->GetSafeButton().GetSafeHwnd()).top) << c.cx;
  }
  // Without a header picture the bar shows its fill colour only.
  EXPECT_EQ(nullptr, tool->GetHeaderImage());
  CRect client;
  tool->GetClientRect(&client);
  tool->SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.Width(), client.Height()));
  ::RedrawWindow(tool->GetSafeHwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  mfcwin::Pump();
  EXPECT_EQ(static_cast<COLORREF>(TOOL_BACK_COLOUR), mfcwin::Pixel(tool->GetSafeHwnd(), client.right - 2, 1));
}

TEST_F(FrameTest, ThePaneUpdatePostsTheWindowAdvertToTheAdvertPane) {
  testbed::WebSite site(PXQD_WEB_SITE_DIR);
  ASSERT_TRUE(site.Start(0));
  std::string base = site.BaseUrl();
  if (!base.empty() && base.back() == '/') base.pop_back();
  MakeApp(1024, 768);
  std::snprintf(m_app->Tables().Room().advertBase, sizeof m_app->Tables().Room().advertBase, "%s", base.c_str());
  m_app->Launch().gameId = 7;
  auto* frame = MakeFrame<CMJGameFrameWnd>(1024, 768);
  ASSERT_NE(nullptr, frame);
  auto* advert = dynamic_cast<CAdvertView*>(frame->GetAdvertView());
  ASSERT_NE(nullptr, advert);
  advert->GetHtml().SetFilterOn(FALSE);
  frame->SendMessage(WM_PANE_UPDATE, 0, 0);
  mfcwin::Pump();
  EXPECT_EQ(base + "/advert/window/7/xy.htm", std::string(static_cast<LPCSTR>(advert->GetHtml().GetLocationURL())));
}

TEST_F(FrameTest, TheTablePaneWritesTheNamePlatesAndStopsItsClock) {
  MakeApp(1024, 768);
  m_app->info.SetOwnChair(0);
  auto* frame = MakeFrame(1024, 768);
  ASSERT_NE(nullptr, frame);
  auto* table = dynamic_cast<CMJGameTableView2*>(frame->GetTablePane());
  ASSERT_NE(nullptr, table);
  EXPECT_EQ(&m_app->painter, table->GetSeatPainter());
  PlayerRecord record;
  record.userId = 1002;
  record.chair = 1;
  std::snprintf(record.name, sizeof record.name, "南家");
  const int side = m_app->painter.ChairToSide(1);
  ASSERT_GE(side, 0);
  table->OnPlayerSeated(record);
  EXPECT_EQ("南家", m_app->painter.GetSeat(side).name);
  table->OnPlayerLeft(record);
  EXPECT_EQ("", m_app->painter.GetSeat(side).name);
  // This game's frame has no advert-bet pane: nothing else is touched, and the record board
  // refreshes its names instead.
  EXPECT_EQ(nullptr, frame->GetAdvertView());
  table->Host().StartClockTimer();
  EXPECT_NE(0u, table->GetClockTimerId());
  table->ResetTable();
  EXPECT_EQ(0u, table->GetClockTimerId());
}

TEST_F(FrameTest, TheBannerKeepsItsPlaceAndIgnoresAnEmptyAddress) {
  auto* frame = MakeFrame(1024, 768);
  ASSERT_NE(nullptr, frame);
  auto* banner = dynamic_cast<CHeadAdView*>(frame->GetHeadAdView());
  ASSERT_NE(nullptr, banner);
  CRect client;
  banner->GetClientRect(&client);
  EXPECT_EQ(client, mfcwin::RectInParent(banner->GetHtml().GetSafeHwnd()));
  banner->GetHtml().SetFilterOn(FALSE);
  EXPECT_EQ(0, banner->SendMessage(WM_PANE_UPDATE, 0, 0));
  EXPECT_STREQ("", banner->GetHtml().GetLocationURL());
  // A pane not yet initialised only repaints on a size change.
  CHeadAdView* fresh = new CHeadAdView();
  ASSERT_TRUE(fresh->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(0, 0, 200, 40), frame, 1234));
  fresh->SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 50));
  EXPECT_EQ(nullptr, fresh->GetHtml().GetSafeHwnd());
  fresh->DestroyWindow();
}

// Finds the options dialog, sets its boxes as asked and ends it with OK or Cancel.
class OptionsPlayer {
 public:
  OptionsPlayer(std::vector<int> clicks, int button)
      : m_thread([this, clicks, button] {
          while (!m_stop) {
            HWND dialog = FindWindowA(nullptr, "设置");
            if (dialog != nullptr && IsWindowVisible(dialog) && GetDlgItem(dialog, IDC_OPTION_SILENCE) != nullptr) {
              for (int id : {IDC_OPTION_QUICK_CATCH, IDC_OPTION_REJECT_KANPAI, IDC_OPTION_SILENCE}) {
                m_shown.push_back(static_cast<int>(SendMessageA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0)));
              }
              for (int id : clicks) SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
              PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
              return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
          }
        }) {}
  ~OptionsPlayer() { Join(); }
  void Join() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
  }
  std::vector<int> m_shown;

 private:
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
};

TEST(GameOptions, OkTakesTheBoxesAndCancelLeavesTheSettings) {
  resources::RegisterProgramResources();
  CVariantApp app;
  struct Case {
    std::vector<int> clicks;
    int button;
    int silence, reject, quick;  // afterwards
  } cases[] = {
      {{IDC_OPTION_QUICK_CATCH, IDC_OPTION_SILENCE}, IDOK, 1, 1, 0},
      {{IDC_OPTION_REJECT_KANPAI}, IDCANCEL, 0, 1, 1},
      {{}, IDOK, 0, 1, 1},
  };
  for (const Case& c : cases) {
    app.SetSettings(0, 1, 1);
    OptionsPlayer player(c.clicks, c.button);
    app.ShowOptions();
    player.Join();
    // The boxes open with the settings: quick catch, refusing requests, silence.
    EXPECT_EQ((std::vector<int>{BST_CHECKED, BST_CHECKED, BST_UNCHECKED}), player.m_shown);
    EXPECT_EQ(c.silence, app.IsSilence());
    EXPECT_EQ(c.reject, app.IsRejectKanPaiAsk());
    EXPECT_EQ(c.quick, app.IsQuickCatch());
  }
}

}  // namespace

namespace {

// A pane whose form template does not exist, so that it cannot be made.
class UnmakablePane : public CGameFormView {
  DECLARE_DYNCREATE(UnmakablePane)

 public:
  UnmakablePane() : CGameFormView(9999) {}
};
IMPLEMENT_DYNCREATE(UnmakablePane, CGameFormView)

class FallbackFrame : public CMainFrame {
 public:
  using CMJGameFrameWnd::CreateChatPane;
};

TEST_F(FrameTest, AChatPaneThatCannotBeMadeGivesWayToTheEmptyPane) {
  auto* frame = MakeFrame(1024, 768);
  ASSERT_NE(nullptr, frame);
  EXPECT_NE(nullptr, frame->GetChatView());
  CMJSplitterWnd splitter;
  ASSERT_TRUE(splitter.CreateStatic(frame, 1, 1, WS_CHILD, 4321));
  EXPECT_TRUE(FallbackFrame::CreateChatPane(splitter, 0, 0, RUNTIME_CLASS(UnmakablePane), CSize(0, 0), nullptr));
  EXPECT_EQ("CMJChatView2", ClassOf(splitter.GetPane(0, 0)));
  EXPECT_EQ(1, m_app->GetChatPaneFallback());
  // From then on no getter answers a chat pane, and the pane update goes on without one.
  EXPECT_EQ(nullptr, frame->GetChatView());
  EXPECT_EQ(nullptr, frame->GetChatPane());
  frame->SendMessage(WM_PANE_UPDATE, 0, 0);
  splitter.GetPane(0, 0)->MoveWindow(0, 0, 40, 30);
  splitter.ShowWindow(SW_SHOW);
  mfcwin::Pump();
  EXPECT_EQ(RGB(255, 255, 255), mfcwin::Pixel(splitter.GetPane(0, 0)->GetSafeHwnd(), 5, 5));
  splitter.DestroyWindow();
}

TEST_F(FrameTest, AfterAHandThePermissionsEnd) {
  MakeApp(1024, 768);
  PlayerRecord* onlooker = m_app->Tables().Onlooker(0);
  onlooker->userId = 2002;
  onlooker->chair = 0;
  onlooker->lookOn = 1;
  std::snprintf(onlooker->name, sizeof onlooker->name, "看客");
  auto* frame = MakeFrame<CMJGameFrameWnd>(1024, 768);
  ASSERT_NE(nullptr, frame);
  auto* players = dynamic_cast<CMJGamePlayerView*>(frame->GetPlayerPane());
  ASSERT_NE(nullptr, players);
  const int32_t kRunning = TABLE_STATUS_RUNNING;
  std::memcpy(m_app->info.GetTableInfo() + TableInfoLayout::STATUS, &kRunning, 4);
  players->SendMessage(WM_POPUP_ANSWER, 2002, 1);
  EXPECT_TRUE(players->IsInLookMap(2002));
  std::vector<BYTE> result(RoundResultLayout::BLOCK_SIZE, 0);
  players->UpdateScoreCells(result.data(), result.size());
  EXPECT_FALSE(players->IsInLookMap(2002));
  EXPECT_EQ(0, m_app->info.GetTableStatus());
}

TEST_F(FrameTest, SplitterBarsAndPanesTakeTheSkinsPictures) {
  ASSERT_TRUE(SkinLoad(PXQD_SKINS_DIR "/skin1/skin.ini"));
  MakeApp(1024, 768);
  m_app->skin.width = 50;
  m_app->skin.height = 36;
  auto* frame = MakeFrame(1024, 768);
  ASSERT_NE(nullptr, frame);
  EXPECT_EQ(2, frame->OuterSplitter().m_barStyle);
  EXPECT_EQ(2, frame->RightSplitter().m_barStyle);
  EXPECT_NE(nullptr, frame->OuterSplitter().m_verticalBar);
  EXPECT_NE(nullptr, frame->RightSplitter().m_horizontalBar);
  auto* operate = dynamic_cast<CMJOperateView*>(frame->GetOperateView());
  ASSERT_NE(nullptr, operate);
  EXPECT_NE(nullptr, operate->GetBackground());
  ASSERT_NE(nullptr, frame->GetHistoryView());
  EXPECT_NE(nullptr, frame->GetHistoryView()->GetSkinBitmap());
  mfcwin::Pump();
  mfcwin::SavePng(frame->GetSafeHwnd(), "main-frame-skinned");
  DestroyFrame();
  SkinRelease();
}

}  // namespace

namespace {

class OptionsRendering : public mfcwin::WindowTest {};

TEST_F(OptionsRendering, TheDialogShowsTheSettings) {
  ASSERT_TRUE(resources::RegisterProgramResources());
  CGameOptionsDlg dialog;
  dialog.quickCatch = 1;
  dialog.silence = 1;
  ASSERT_TRUE(dialog.Create(IDD_GAME_OPTIONS, nullptr));
  dialog.ShowWindow(SW_SHOW);
  mfcwin::Pump();
  EXPECT_EQ(static_cast<UINT>(BST_CHECKED), dialog.IsDlgButtonChecked(IDC_OPTION_QUICK_CATCH));
  EXPECT_EQ(static_cast<UINT>(BST_UNCHECKED), dialog.IsDlgButtonChecked(IDC_OPTION_REJECT_KANPAI));
  EXPECT_EQ(static_cast<UINT>(BST_CHECKED), dialog.IsDlgButtonChecked(IDC_OPTION_SILENCE));
  EXPECT_TRUE(mfcwin::SavePng(dialog.GetSafeHwnd(), "options-dialog"));
  dialog.DestroyWindow();
}

}  // namespace
