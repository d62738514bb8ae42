#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "framework/GameApp.h"
#include "framework/SharedHelpers.h"
#include "resources/ProgramResources.h"
#include "testbed/table/TableRecords.h"
#include "tests/platform/MfcWindowTestSupport.h"
#include "tests/support/StoppedClock.h"
#include "variant/SettlementDlg.h"

namespace {

class SettleApp : public CGameApp {
 public:
  SettleApp() : CGameApp("Pxqd", 31380, 2, 0) {}
};

// A hand as the testbed table writes its result: chair 1 won from chair 3, chair 2 dealt.
testbed::RoundResultRecord RecordedWin() {
  testbed::RoundResultRecord r;
  r.banker = 2;
  r.silverPerPoint = 10;
  r.firstShown = 1;
  r.points = {-3, 9, -3, -3};
  r.silver = {-30, 90, -30, -30};
  r.itemNames = "平胡|自摸|宝";
  r.seats.resize(4);
  r.seats[1].items[0] = 5;
  r.seats[1].items[1] = -3;
  r.seats[1].total = 9;
  r.seats[1].treasurePoints = 4;
  r.seats[1].flyingTreasures = 2;
  r.seats[0].kongSecond = 1;  // the kong cell shows, with 0
  r.seats[3].items[2] = 2;
  return r;
}

class SettlementDlgTest : public mfcwin::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    ASSERT_TRUE(resources::RegisterProgramResources());
    const char* names[4] = {"东家", "南家", "西家", "北家"};
    for (int chair = 0; chair < 4; ++chair) {
      PlayerRecord* p = m_app.Tables().Seat(chair);
      p->userId = 1001 + chair;
      p->chair = chair;
      std::strcpy(p->name, names[chair]);
    }
    ASSERT_TRUE(m_view.CreateEx(0, AfxRegisterWndClass(0), "table", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600, nullptr,
                                nullptr));
    m_dialog.SetHooks({[this] { ++m_closed; }, [this] { return m_canLeave; },
                       [this](bool open) { m_watched += open ? "open " : "closed "; }});
  }
  void TearDown() override {
    m_dialog.Close(1);
    m_view.DestroyWindow();
    WindowTest::TearDown();
  }
  void Show(const testbed::RoundResultRecord& r) {
    const testbed::BodyData body = r.Write();
    m_dialog.Show(&m_view, body.data(), testbed::RoundResultRecord::BLOCK_SIZE,
                  body.data() + testbed::RoundResultRecord::BLOCK_SIZE, body.size() - testbed::RoundResultRecord::BLOCK_SIZE);
  }
  std::vector<std::string> Rows(CReportListCtrl& list, int columns) {
    std::vector<std::string> rows;
    for (int i = 0; i < list.GetItemCount(); ++i) {
      std::string row;
      for (int c = 0; c < columns; ++c) row += (c ? "/" : "") + std::string(list.GetItemText(i, c));
      rows.push_back(row);
    }
    return rows;
  }
  std::string Countdown() {
    CString text;
    m_dialog.GetDlgItemText(IDC_SETTLE_COUNTDOWN, text);
    return static_cast<LPCSTR>(text);
  }

  testsupport::StoppedClock m_clock;
  SettleApp m_app;
  CWnd m_view;
  CSettlementDlg m_dialog{&m_view};
  int m_closed = 0;
  bool m_canLeave = false;
  // What the window's watcher heard, in order.
  std::string m_watched;
};

TEST_F(SettlementDlgTest, ListsTheRecordedHandAndCountsDown) {
  Show(RecordedWin());
  ASSERT_TRUE(m_dialog.IsOpen());
  EXPECT_EQ(Rows(m_dialog.PlayerList(), 6),
            (std::vector<std::string>{"东家/0两//-30两/-3分/", "南家//40两/90两/9分/2个", "西家(庄)///-30两/-3分/",
                                      "北家///-30两/-3分/"}));
  // The winner's items open first.
  EXPECT_EQ(Rows(m_dialog.DetailList(), 2), (std::vector<std::string>{"平胡/50两", "自摸/×3", "总计/90两"}));
  CString name;
  m_dialog.GetDlgItemText(IDC_SETTLE_NAME, name);
  EXPECT_EQ(name, CString("南家"));
  mfcwin::Pump();
  EXPECT_TRUE(mfcwin::SavePng(m_dialog.GetSafeHwnd(), "settlement"));

  // A click on a row shows that chair's items.
  m_dialog.PlayerList().SetItemState(3, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
  m_dialog.ShowDetail(m_dialog.PlayerList().GetNextItem(-1, LVNI_FOCUSED));
  EXPECT_EQ(Rows(m_dialog.DetailList(), 2), (std::vector<std::string>{"宝/20两"}));

  // Ten seconds: 10, 9, ... 1, then the dialog closes and hands the table back once.
  EXPECT_EQ(Countdown(), "10");
  for (int s = 9; s >= 1; --s) {
    m_clock.Advance(1000);
    mfcwin::Pump();
    EXPECT_EQ(Countdown(), std::to_string(s));
  }
  EXPECT_EQ(m_closed, 0);
  m_clock.Advance(1000);
  mfcwin::Pump();
  EXPECT_FALSE(m_dialog.IsOpen());
  EXPECT_EQ(m_closed, 1);
  m_clock.Advance(5000);
  mfcwin::Pump();
  EXPECT_EQ(m_closed, 1);
  EXPECT_FALSE(m_dialog.Close(0));
}

// The player list's six columns are left-aligned; the detail list's amounts stand right.
TEST_F(SettlementDlgTest, ColumnsCarryTheirTitlesWidthsAndAlignment) {
  Show(RecordedWin());
  ASSERT_TRUE(m_dialog.IsOpen());
  const struct {
    CReportListCtrl* list;
    int column;
    const char* title;
    int width, format;
  } cases[] = {
      {&m_dialog.PlayerList(), 0, "用户名", 124, LVCFMT_LEFT}, {&m_dialog.PlayerList(), 1, "杠银", 54, LVCFMT_LEFT},
      {&m_dialog.PlayerList(), 2, "四/接宝", 50, LVCFMT_LEFT}, {&m_dialog.PlayerList(), 3, "银子", 80, LVCFMT_LEFT},
      {&m_dialog.PlayerList(), 4, "积分", 50, LVCFMT_LEFT},    {&m_dialog.PlayerList(), 5, "飞宝", 32, LVCFMT_LEFT},
      {&m_dialog.DetailList(), 0, "名目", 105, LVCFMT_LEFT},   {&m_dialog.DetailList(), 1, "银子", 105, LVCFMT_RIGHT},
  };
  for (const auto& c : cases) {
    char title[64] = {};
    LVCOLUMN column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.pszText = title;
    column.cchTextMax = sizeof title;
    ASSERT_TRUE(c.list->GetColumn(c.column, &column)) << c.title;
    EXPECT_STREQ(title, c.title);
    EXPECT_EQ(column.cx, ScaleByDpiX(c.width)) << c.title;
    EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, c.format) << c.title;
  }
  EXPECT_EQ(m_dialog.PlayerList().GetHeaderCtrl()->GetItemCount(), 6);
  EXPECT_EQ(m_dialog.DetailList().GetHeaderCtrl()->GetItemCount(), 2);
}

TEST_F(SettlementDlgTest, DrawnHandWithOtherFlagsAndNoWinner) {
  testbed::RoundResultRecord r = RecordedWin();
  r.flags = testbed::RoundResultRecord::FLAG_DRAWN | testbed::RoundResultRecord::FLAG_WIN_TILE_IN_LIST;
  r.firstShown = -1;
  Show(r);
  // Chair 0 opens; the drawn hand ends the list whatever other bits the flags carry.
  EXPECT_EQ(Rows(m_dialog.DetailList(), 2), (std::vector<std::string>{"流局/"}));
  // A second result while the first is on screen is dropped.
  r.silver[0] = 777;
  Show(r);
  EXPECT_EQ(std::string(m_dialog.PlayerList().GetItemText(0, 3)), "-30两");
}

TEST_F(SettlementDlgTest, EveryWayOfClosingCallsTheSceneOnce) {
  struct Case {
    const char* name;
    std::function<void(CSettlementDlg&)> close;
    int calls;
  };
  const Case cases[] = {
      {"ok button", [](CSettlementDlg& d) { d.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); }, 1},
      {"escape", [](CSettlementDlg& d) { d.SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0); }, 1},
      {"close box", [](CSettlementDlg& d) { d.SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0); }, 1},
      {"onlooker's new hand", [](CSettlementDlg& d) { d.Close(1); }, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    m_closed = 0;
    m_watched.clear();
    Show(RecordedWin());
    ASSERT_TRUE(m_dialog.IsOpen());
    c.close(m_dialog);
    mfcwin::Pump();
    EXPECT_FALSE(m_dialog.IsOpen());
    EXPECT_EQ(m_closed, c.calls);
    m_clock.Advance(11000);
    mfcwin::Pump();
    EXPECT_EQ(m_closed, c.calls);
    // The watcher hears the window come and go once, whichever way it went.
    EXPECT_EQ(m_watched, "open closed ");
  }
}

// A client that plays by itself closes the dialog after its short look, count-down or not, and
// hands the table back once; the look's timer never fires into a later showing.
TEST_F(SettlementDlgTest, SelfCloseEndsTheLookAndHandsTheTableBack) {
  for (const bool mayLeave : {false, true}) {
    SCOPED_TRACE(mayLeave ? "no count-down" : "counting down");
    m_canLeave = mayLeave;
    m_closed = 0;
    m_watched.clear();
    m_dialog.SetSelfClose(150);
    Show(RecordedWin());
    ASSERT_TRUE(m_dialog.IsOpen());
    m_clock.Advance(149);
    mfcwin::Pump();
    EXPECT_TRUE(m_dialog.IsOpen());
    m_clock.Advance(1);
    mfcwin::Pump();
    EXPECT_FALSE(m_dialog.IsOpen());
    EXPECT_EQ(m_closed, 1);
    EXPECT_EQ(m_watched, "open closed ");
    // Closed by hand before its look ends, the next showing keeps its own full look.
    m_dialog.SetSelfClose(500);
    Show(RecordedWin());
    m_clock.Advance(100);
    mfcwin::Pump();
    m_dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    Show(RecordedWin());
    m_clock.Advance(499);
    mfcwin::Pump();
    EXPECT_TRUE(m_dialog.IsOpen());
    EXPECT_EQ(m_closed, 2);
    m_clock.Advance(1);
    mfcwin::Pump();
    EXPECT_FALSE(m_dialog.IsOpen());
    EXPECT_EQ(m_closed, 3);
  }
  m_dialog.SetSelfClose(0);
}

TEST_F(SettlementDlgTest, NoCountdownWhenThePlayerMayLeave) {
  m_canLeave = true;
  Show(RecordedWin());
  EXPECT_EQ(Countdown(), "");
  EXPECT_FALSE(m_dialog.IsCountingDown());
  m_clock.Advance(30000);
  mfcwin::Pump();
  EXPECT_TRUE(m_dialog.IsOpen());
  EXPECT_EQ(m_closed, 0);
}

}  // namespace
