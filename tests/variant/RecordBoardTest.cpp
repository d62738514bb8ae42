// The record board pane: its rows follow the seats and each hand's silver lands beside the right
// name, also when a chair stands empty; a click on the board's tab shows it for five seconds.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/StoppedClock.h"
#include "tests/variant/FrameTestSupport.h"
#include "variant/AdHistoryView.h"

namespace {

using frametest::FrameTest;

class RecordBoardTest : public FrameTest {
 protected:
  void SetUp() override {
    FrameTest::SetUp();
    MakeApp(1024, 768);
    SeatPlayer(0, 1001, "东家");
    SeatPlayer(2, 1003, "西家");
    frame = MakeFrame(1024, 768);
    ASSERT_NE(nullptr, frame);
    board = frame->GetHistoryView();
    ASSERT_NE(nullptr, board);
  }
  void SeatPlayer(int chair, int userId, const char* name) {
    PlayerRecord* r = m_app->Tables().Seat(chair);
    r->userId = userId;
    r->chair = chair;
    std::snprintf(r->name, sizeof r->name, "%s", name);
  }
  std::vector<std::string> Rows() {
    std::vector<std::string> rows;
    CReportListCtrl& list = board->GetList();
    for (int i = 0; i < list.GetItemCount(); ++i) {
      rows.push_back(std::string(list.GetItemText(i, 0)) + "/" + std::string(list.GetItemText(i, 1)) + "/" +
                     std::string(list.GetItemText(i, 2)));
    }
    return rows;
  }
  // Clicks the tab strip on the tab of that index.
  void ClickTab(int index) {
    CCustomTabCtrl& tabs = board->GetTabs();
    CRect strip;
    tabs.GetClientRect(&strip);
    for (int x = 0; x < strip.right; ++x) {
      if (tabs.HitTest(x, strip.Height() / 2) != index) continue;
      tabs.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x + 4, strip.Height() / 2));
      tabs.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(x + 4, strip.Height() / 2));
      return;
    }
    ADD_FAILURE() << "no tab " << index;
  }
  CMainFrame* frame = nullptr;
  CAdHistoryView* board = nullptr;
};

TEST_F(RecordBoardTest, HandsLandBesideTheirChairsNames) {
  board->Refill(0);
  EXPECT_EQ((std::vector<std::string>{"东家/0/0", "西家/0/0"}), Rows());
  board->AddRound(2, 300);
  board->AddRound(2, -100);
  board->AddRound(0, 50);
  board->AddRound(1, 70);  // the empty chair: no row shows it
  board->AddRound(4, 999);  // no such chair
  board->AddRound(-1, 999);
  EXPECT_EQ((std::vector<std::string>{"东家/50/50", "西家/-100/200"}), Rows());
  // A pane update (and every look for the missing advert-bet pane) keeps the numbers.
  frame->SendMessage(WM_PANE_UPDATE, 0, 0);
  EXPECT_EQ(nullptr, frame->GetAdvertView());
  EXPECT_EQ((std::vector<std::string>{"东家/50/50", "西家/-100/200"}), Rows());
  // A player sits down in the empty chair; the numbers of the others stay.
  SeatPlayer(1, 1002, "南家");
  board->Refill(0);
  EXPECT_EQ((std::vector<std::string>{"东家/50/50", "南家/70/70", "西家/-100/200"}), Rows());
  EXPECT_STREQ("南家", board->GetRowName(1));
  EXPECT_STREQ("", board->GetRowName(5));
  board->Refill(1);
  EXPECT_EQ((std::vector<std::string>{"东家/0/0", "南家/0/0", "西家/0/0"}), Rows());
  board->Seed({10, 20, 30, 40}, {100, 200, 300, 400});
  EXPECT_EQ((std::vector<std::string>{"东家/10/100", "南家/20/200", "西家/30/300"}), Rows());
  board->ShowTab(1);
  mfcwin::Pump();
  mfcwin::SavePng(board->GetSafeHwnd(), "record-board");
}

TEST_F(RecordBoardTest, PlayerRowsByUser) {
  PlayerRecord record = *m_app->Tables().Seat(0);
  EXPECT_EQ(1, board->AddPlayerRow(record));
  EXPECT_EQ(1, board->AddPlayerRow(record));  // the old row goes first
  PlayerRecord nameless;
  nameless.userId = 5;
  EXPECT_EQ(0, board->AddPlayerRow(nameless));
  PlayerRecord nobody;
  EXPECT_EQ(1, board->AddPlayerRow(nobody));
  EXPECT_EQ((std::vector<std::string>{"东家/0/0"}), Rows());
  board->RemovePlayerRow(record);
  EXPECT_TRUE(Rows().empty());
  board->ReloadSeats();
  EXPECT_EQ((std::vector<std::string>{"东家/0/0", "西家/0/0"}), Rows());
}

TEST_F(RecordBoardTest, TheBoardShowsForFiveSecondsAfterAClick) {
  testsupport::StoppedClock clock;
  EXPECT_EQ(0, board->GetCurrentTab());
  EXPECT_TRUE(board->GetWeb().IsWindowVisible());
  ClickTab(1);
  EXPECT_EQ(1, board->GetCurrentTab());
  EXPECT_TRUE(board->GetList().IsWindowVisible());
  EXPECT_FALSE(board->GetWeb().IsWindowVisible());
  clock.Advance(4999);
  mfcwin::Pump();
  EXPECT_EQ(1, board->GetCurrentTab());
  clock.Advance(1);
  mfcwin::Pump();
  EXPECT_EQ(0, board->GetCurrentTab());
  EXPECT_TRUE(board->GetWeb().IsWindowVisible());
  EXPECT_EQ(0, board->GetTabs().GetCurSel());
  // The web tab clicked while the board shows: at once, and the pending timer changes nothing.
  ClickTab(1);
  clock.Advance(1000);
  mfcwin::Pump();
  ClickTab(0);
  EXPECT_EQ(0, board->GetCurrentTab());
  clock.Advance(5000);
  mfcwin::Pump();
  EXPECT_EQ(0, board->GetCurrentTab());
}

}  // namespace
