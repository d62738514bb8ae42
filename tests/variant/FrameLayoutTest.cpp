// The main frame's two layouts on screens of several sizes (pane rectangles as a table), its pane
// getters, and the addresses it hands on at the pane update.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "mahjong/MJChatView2.h"
#include "mahjong/MJGameChatView.h"
#include "mahjong/MJOperateView.h"
#include "testbed/web/WebSite.h"
#include "tests/variant/FrameTestSupport.h"
#include "variant/AdHistoryView.h"
#include "variant/GameChatViewEx.h"
#include "variant/HeadAdView.h"
#include "variant/NewGameTableView.h"
#include "variant/PlayerView.h"

namespace {

using frametest::FrameTest;

std::string ClassOf(CWnd* pane) { return pane != nullptr ? pane->GetRuntimeClass()->m_lpszClassName : "null"; }

int ColumnWidth(CSplitterWnd& splitter, int col) {
  int cur = 0, min = 0;
  splitter.GetColumnInfo(col, cur, min);
  return cur;
}

int RowHeight(CSplitterWnd& splitter, int row) {
  int cur = 0, min = 0;
  splitter.GetRowInfo(row, cur, min);
  return cur;
}

// The splitters' rows and columns (the pane cells; a form pane's one-pixel edge lies outside its
// cell) and the class of the pane in each, top to bottom.
TEST_F(FrameTest, LayoutsFollowTheScreenHeight) {
  struct Case {
    int screenWidth;
    int screenHeight;
    bool small;
    int tableWidth;
    std::vector<int> outerRows;  // 0: the rest
    std::vector<int> rightRows;
    std::vector<std::string> outerPanes;  // row by row, column by column
    std::vector<std::string> rightPanes;
  };
  const std::vector<std::string> normalOuter = {"CHeadAdView", "CMJOperateView", "CNewGameTableView"};
  const std::vector<std::string> normalRight = {"CAdHistoryView", "CPlayerView", "CGameChatViewEx"};
  const std::vector<std::string> smallRight = {"CMJOperateView", "CAdHistoryView", "CPlayerView", "CMJGameChatView"};
  const Case cases[] = {
      {1024, 768, false, 796, {58, 0}, {150, 200, 0}, normalOuter, normalRight},
      {1280, 1024, false, 995, {58, 0}, {150, 200, 0}, normalOuter, normalRight},
      {1024, 601, false, 796, {58, 0}, {150, 200, 0}, normalOuter, normalRight},
      {1024, 600, true, 786, {0}, {36, 150, 120, 0}, {"CNewGameTableView"}, smallRight},
      {800, 600, true, 612, {0}, {36, 150, 120, 0}, {"CNewGameTableView"}, smallRight},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.screenWidth) + "x" + std::to_string(c.screenHeight));
    auto* frame = MakeFrame(c.screenWidth, c.screenHeight);
    ASSERT_NE(nullptr, frame);
    EXPECT_EQ(c.small, frame->IsSmallLayout());
    CSplitterWnd& outer = frame->OuterSplitter();
    CSplitterWnd& right = frame->RightSplitter();
    ASSERT_EQ(2, outer.GetColumnCount());
    ASSERT_EQ(static_cast<int>(c.outerRows.size()), outer.GetRowCount());
    ASSERT_EQ(static_cast<int>(c.rightRows.size()), right.GetRowCount());
    EXPECT_EQ(c.tableWidth, ColumnWidth(outer, 0));
    EXPECT_GT(ColumnWidth(outer, 1), 0);
    for (size_t i = 0; i + 1 < c.outerRows.size(); ++i) EXPECT_EQ(c.outerRows[i], RowHeight(outer, static_cast<int>(i)));
    for (size_t i = 0; i + 1 < c.rightRows.size(); ++i) EXPECT_EQ(c.rightRows[i], RowHeight(right, static_cast<int>(i)));
    // The last row takes the rest.
    EXPECT_GT(RowHeight(right, right.GetRowCount() - 1), 0);
    std::vector<std::string> outerPanes, rightPanes;
    for (int r = 0; r < outer.GetRowCount(); ++r) {
      for (int col = 0; col < 2; ++col) {
        CWnd* pane = outer.GetPane(r, col);
        if (pane != &right) outerPanes.push_back(ClassOf(pane));
      }
    }
    for (int r = 0; r < right.GetRowCount(); ++r) rightPanes.push_back(ClassOf(right.GetPane(r, 0)));
    EXPECT_EQ(c.outerPanes, outerPanes);
    EXPECT_EQ(c.rightPanes, rightPanes);
    // The getters answer the same panes.
    EXPECT_EQ(ClassOf(frame->GetTablePane()), "CNewGameTableView");
    EXPECT_EQ(c.small, frame->GetHeadAdView() == nullptr);
    EXPECT_EQ(ClassOf(frame->GetOperateView()), "CMJOperateView");
    EXPECT_EQ(ClassOf(frame->GetChatPane()), c.rightPanes.back());
    EXPECT_EQ(static_cast<CWnd*>(frame->GetHistoryView()), right.GetPane(c.small ? 1 : 0, 0));
    EXPECT_EQ(static_cast<CWnd*>(frame->GetPlayerListPane()), right.GetPane(c.small ? 2 : 1, 0));
    mfcwin::Pump();
    mfcwin::SavePng(frame->GetSafeHwnd(), std::string("main-frame-") + std::to_string(c.screenWidth) + "x" +
                                               std::to_string(c.screenHeight));
    DestroyFrame();
    m_app.reset();
  }
}

TEST_F(FrameTest, GettersAnswerThePanesOfTheLayout) {
  for (bool small : {false, true}) {
    SCOPED_TRACE(small ? "small" : "normal");
    // The bank's permission changes nothing: this frame has no bank bar.
    MakeApp(1024, small ? 600 : 768);
    m_app->bank = 1;
    auto* frame = MakeFrame(1024, small ? 600 : 768);
    ASSERT_NE(nullptr, frame);
    EXPECT_EQ(frame->GetTablePane(), dynamic_cast<CWnd*>(frame->GetTableView()));
    EXPECT_EQ(frame->GetChatPane(), dynamic_cast<CWnd*>(frame->GetChatView()));
    EXPECT_EQ(static_cast<CWnd*>(frame->GetPlayerListPane()), dynamic_cast<CWnd*>(frame->GetPlayerView()));
    EXPECT_EQ(nullptr, frame->GetToolView());
    EXPECT_EQ(nullptr, frame->GetAdvertView());
    EXPECT_NE(nullptr, frame->GetDialogBar());
    EXPECT_EQ(&m_app->info, frame->GetGameInfo());
    EXPECT_EQ(200 - (small ? 80 : 0), frame->GetMinPaneHeight());
    DestroyFrame();
    m_app.reset();
  }
}

TEST_F(FrameTest, ASeatedPlayerInABit3RoomGetsTheShortPlayerPane) {
  MakeApp(1024, 768);
  m_app->Tables().Room().options = 1 << 3;
  auto* frame = MakeFrame(1024, 768);
  ASSERT_NE(nullptr, frame);
  EXPECT_EQ(104, RowHeight(frame->RightSplitter(), 1));
}

TEST_F(FrameTest, ThePaneUpdateHandsTheAdvertAddressesOn) {
  testbed::WebSite site(PXQD_WEB_SITE_DIR);
  ASSERT_TRUE(site.Start(0));
  std::string base = site.BaseUrl();
  if (!base.empty() && base.back() == '/') base.pop_back();
  for (bool small : {false, true}) {
    SCOPED_TRACE(small ? "small" : "normal");
    MakeApp(1024, small ? 600 : 768);
    std::snprintf(m_app->Tables().Room().advertBase, sizeof m_app->Tables().Room().advertBase, "%s", base.c_str());
    m_app->Launch().gameId = 7;
    auto* frame = MakeFrame(1024, small ? 600 : 768);
    ASSERT_NE(nullptr, frame);
    // The hall's whitelist is not there in the test; the filter itself is the web panes' test.
    CAdHistoryView* board = frame->GetHistoryView();
    ASSERT_NE(nullptr, board);
    board->GetWeb().SetFilterOn(FALSE);
    auto* banner = dynamic_cast<CHeadAdView*>(frame->GetHeadAdView());
    if (banner != nullptr) banner->GetHtml().SetFilterOn(FALSE);
    EXPECT_EQ(small, banner == nullptr);
    frame->SendMessage(WM_PANE_UPDATE, 0, 0);
    mfcwin::Pump();
    EXPECT_EQ(base + "/advert/window/7/xy.htm", std::string(static_cast<LPCSTR>(board->GetWeb().GetLocationURL())));
    if (banner != nullptr) {
      EXPECT_EQ(base + "/advert/banner/7/xy.htm", std::string(static_cast<LPCSTR>(banner->GetHtml().GetLocationURL())));
    }
    mfcwin::Pump();
    mfcwin::SavePng(frame->GetSafeHwnd(), small ? "main-frame-entered-small" : "main-frame-entered");
    DestroyFrame();
    m_app.reset();
  }
}

}  // namespace
