// The advert-bet pane on its own (this game's frame never makes it): tab shapes and hits, the
// score board's rows and hand columns, and the return from the score tab to the advert.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "controls/CustomTabCtrl.h"
#include "framework/BodyWriter.h"
#include "framework/GameFrameWnd.h"
#include "mahjong/AdvertBetView.h"
#include "mahjong/MJGameApp.h"
#include "resources/ProgramResources.h"
#include "tests/platform/MfcWindowTestSupport.h"
#include "tests/support/StoppedClock.h"
#include "variant/VariantGameInfo.h"

namespace {

class BetApp : public CMJGameApp {
 public:
  BetApp() : CMJGameApp("Pxqd", 31380, 2, 0) {}
  CGameInfo* GetGameInfo() override { return &info; }
  CVariantGameInfo info;
};

TEST(BetTabGeometry, TabsLeanOutAndHitsSkipTheSelectedTab) {
  CBetTabGeometry tabs;
  tabs.SetHeight(24);
  EXPECT_EQ(tabs.HitTest(5, 5, -1), -1);  // no tabs
  tabs.Add(50);
  tabs.Add(60);
  EXPECT_EQ(tabs.Left(0), 12);
  EXPECT_EQ(tabs.Left(1), 12 + 12 + 50);
  const auto outline = tabs.Outline(1);
  EXPECT_EQ(outline[0].x, 74 - 12);
  EXPECT_EQ(outline[3].x, 74 + 60 + 12);
  struct Case {
    int x, y, selected, hit;
  };
  for (const Case& c : {Case{30, 10, 1, 0}, Case{100, 10, 0, 1}, Case{100, 10, 1, 1}, Case{30, 10, 0, 0},
                        Case{300, 10, 1, 1}, Case{5, 2, 1, 1}}) {
    EXPECT_EQ(tabs.HitTest(c.x, c.y, c.selected), c.hit) << c.x << "," << c.y << " selected " << c.selected;
  }
}

class AdvertBetViewTest : public mfcwin::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    ASSERT_TRUE(resources::RegisterProgramResources());
    InitCommonControls();
    CCustomTabCtrl::RegisterTabClass();  // the form template names the tab class
    m_app.Launch().userId = 1001;
    ASSERT_TRUE(m_parent.CreateEx(0, AfxRegisterWndClass(0), "bet", WS_POPUP | WS_VISIBLE, 0, 0, 400, 240, nullptr,
                                  nullptr));
  }
  void TearDown() override {
    m_parent.DestroyWindow();
    WindowTest::TearDown();
  }
  CAdvertBetView* Make() {
    auto* view = new CAdvertBetView();
    EXPECT_TRUE(view->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(0, 0, 400, 240), &m_parent, 100));
    view->OnInitialUpdate();
    return view;
  }
  void Seat(int chair, int userId, const char* name) {
    PlayerRecord* r = m_app.Tables().Seat(chair);
    r->userId = userId;
    r->chair = chair;
    std::strcpy(r->name, name);
  }
  std::vector<std::string> Rows(CAdvertBetView* v, int columns) {
    std::vector<std::string> rows;
    for (int i = 0; i < v->GetList().GetItemCount(); ++i) {
      std::string row;
      for (int c = 0; c < columns; ++c) row += (c ? "/" : "") + std::string(v->GetList().GetItemText(i, c));
      rows.push_back(row);
    }
    return rows;
  }
  void Hand(int number, std::initializer_list<int> silver) {
    m_app.info.GetTableInfo()[TableInfoLayout::ROUND_NUMBER] = static_cast<BYTE>(number);
    CBodyWriter r(2120);
    int c = 0;
    for (int s : silver) r.Int(320 + 4 * c++, s);
    m_view->AddRoundColumn(r.Data().data(), r.Size());
  }

  testsupport::StoppedClock m_clock;
  BetApp m_app;
  CWnd m_parent;
  CAdvertBetView* m_view = nullptr;
};

TEST_F(AdvertBetViewTest, ScoreBoardRowsAndHandColumns) {
  m_app.info.GetTableInfo()[TableInfoLayout::PLAYS_FOR_SILVER] = 1;
  Seat(0, 1001, "甲");
  Seat(2, 1003, "丙");  // chair 1 is empty
  Seat(3, 1004, "丁");
  m_view = Make();
  EXPECT_EQ(m_view->GetCaptions(), (std::vector<std::string>{"岑澜游", "战绩榜"}));
  EXPECT_EQ(m_view->GetSelectedTab(), 1);
  m_view->SendMessage(WM_PANE_UPDATE, reinterpret_cast<WPARAM>(new char[1]{0}), 0);
  EXPECT_EQ(Rows(m_view, 2), (std::vector<std::string>{"甲/0", "丙/0", "丁/0"}));
  // The newest hand stands next to the totals; each row shows its own chair's amounts.
  Hand(1, {10, 0, -4, -6});
  Hand(2, {-3, 0, 5, -2});
  EXPECT_EQ(Rows(m_view, 4), (std::vector<std::string>{"甲/7/-3/10", "丙/1/5/-4", "丁/-8/-2/-6"}));
  EXPECT_EQ(std::string(m_view->GetList().GetItemText(-1, 0)), "");
  mfcwin::Pump();
  EXPECT_TRUE(mfcwin::SavePng(m_parent.GetSafeHwnd(), "advert-bet-pane"));
  // A hand before the first counts nothing.
  Hand(0, {1, 1, 1, 1});
  EXPECT_EQ(m_view->GetHistory().size(), 2u);
  // A player sitting down goes between the chairs; one leaving clears the hands.
  Seat(1, 1002, "乙");
  m_view->AddPlayer(*m_app.Tables().Seat(1));
  EXPECT_EQ(Rows(m_view, 2)[1], "乙/0");
  m_view->RemovePlayer(*m_app.Tables().Seat(3));
  EXPECT_EQ(Rows(m_view, 2), (std::vector<std::string>{"甲/0", "乙/0", "丙/0"}));
  EXPECT_TRUE(m_view->GetHistory().empty());
  EXPECT_EQ(m_view->GetList().GetHeaderCtrl()->GetItemCount(), 2);
}

TEST_F(AdvertBetViewTest, ASeatedPlayerOfABit3RoomSeesOnlyTheAdvert) {
  m_app.Tables().Room().options = 1 << 3;
  m_view = Make();
  EXPECT_EQ(m_view->GetTabCount(), 1);
  EXPECT_EQ(m_view->GetSelectedTab(), 0);
  m_app.Launch().lookOn = 1;
  CAdvertBetView* onlooker = Make();
  EXPECT_EQ(onlooker->GetTabCount(), 2);
}

TEST_F(AdvertBetViewTest, HoveringTheScoreTabReturnsToTheAdvertALimitedNumberOfTimes) {
  m_view = Make();
  const int scoreX = m_view->Tabs().Left(1) + 10, advertX = m_view->Tabs().Left(0) + 5;
  m_view->SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(advertX, 10));
  EXPECT_EQ(m_view->GetSelectedTab(), 0);
  for (int n = 3; n > 0; --n) {
    m_view->SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(scoreX, 10));
    EXPECT_EQ(m_view->GetSelectedTab(), 1);
    EXPECT_EQ(m_view->GetAutoReturnCount(), n - 1);
    // The cursor is away from the pane: five seconds later the advert is back.
    platform::InjectMouseMove(POINT{900, 700});
    m_clock.Advance(5000);
    mfcwin::Pump();
    EXPECT_EQ(m_view->GetSelectedTab(), 0);
  }
  // No returns are left: the score tab stays.
  m_view->SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(scoreX, 10));
  m_clock.Advance(6000);
  mfcwin::Pump();
  EXPECT_EQ(m_view->GetSelectedTab(), 1);
}

}  // namespace
