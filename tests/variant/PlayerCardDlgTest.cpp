#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "framework/GameApp.h"
#include "resources/ProgramResources.h"
#include "tests/platform/MfcWindowTestSupport.h"
#include "variant/PlayerCardDlg.h"

namespace {

class CardApp : public CGameApp {
 public:
  CardApp() : CGameApp("Pxqd", 31380, 2, 0) {}
};

std::map<int, std::string> Fields(const PlayerRecord& r) {
  std::map<int, std::string> m;
  for (const auto& [id, text] : PlayerCardFields(r)) m[id] = text;
  return m;
}

TEST(PlayerCardFields, RatesAndWealthTitles) {
  struct Case {
    int wins, losses, draws, disconnects;
    const char* winRate;
    const char* disconnectRate;
  };
  for (const Case& c : {Case{0, 0, 0, 0, "100%", "0.00%"}, Case{7, 2, 1, 1, "70.00%", "10.00%"},
                        Case{1, 2, 0, 0, "33.33%", "0.00%"}, Case{0, 3, 0, 3, "0.00%", "100.00%"}}) {
    PlayerRecord r;
    r.values120[0] = c.wins, r.values120[1] = c.losses, r.values120[2] = c.draws, r.value112 = c.disconnects;
    EXPECT_EQ(Fields(r)[1053], c.winRate) << c.wins << "/" << c.losses << "/" << c.draws;
    EXPECT_EQ(Fields(r)[1048], c.disconnectRate);
  }
  struct Wealth {
    int silver;
    const char* title;
  };
  for (const Wealth& w : {Wealth{100, "临时工"}, Wealth{99, "待业"}, Wealth{-1, "负债"}, Wealth{26214400, "世界首富"},
                          Wealth{2147483647, "世界首富"}, Wealth{26214399, "超级大富豪"}}) {
    PlayerRecord r;
    r.silver = w.silver;
    EXPECT_EQ(Fields(r)[1043], w.title) << w.silver;
  }
}

TEST(PlayerCardFields, TextsStayInsideTheirFields) {
  BYTE bytes[PLAYER_RECORD_SIZE];
  std::memset(bytes, 'x', sizeof bytes);  // no terminator anywhere
  PlayerRecord r = PlayerRecord::Read(bytes);
  std::map<int, std::string> f = Fields(r);
  EXPECT_LE(f[1040].size(), 32u);
  EXPECT_LE(f[1042].size(), 16u);
  EXPECT_LE(f[1047].size(), 16u);
  EXPECT_EQ(f[1056], std::string(32, 'x'));
  SetCardWatchedName(r, std::string(40, 'y'));
  EXPECT_EQ(CardWatchedName(r), std::string(31, 'y'));
}

class PlayerCardTest : public mfcwin::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    ASSERT_TRUE(resources::RegisterProgramResources());
    ASSERT_TRUE(m_main.CreateEx(0, AfxRegisterWndClass(0), "main", WS_POPUP | WS_VISIBLE, 0, 0, 900, 600, nullptr,
                                nullptr));
    ASSERT_TRUE(m_hall.CreateEx(0, AfxRegisterWndClass(0), "hall", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    ASSERT_TRUE(m_pane.CreateEx(0, AfxRegisterWndClass(0), "pane", WS_CHILD | WS_VISIBLE, 700, 0, 200, 600,
                                m_main.GetSafeHwnd(), nullptr));
    ASSERT_TRUE(m_view.CreateEx(0, AfxRegisterWndClass(0), "view", WS_CHILD | WS_VISIBLE, 0, 40, 700, 560,
                                m_main.GetSafeHwnd(), nullptr));
    m_app.Launch().hallWindow = m_hall.GetSafeHwnd();
    PlayerRecord* seat = m_app.Tables().Seat(2);
    seat->userId = 33;
    seat->chair = 2;
    std::strcpy(seat->name, "王五");
  }
  void TearDown() override {
    if (m_card != nullptr) m_card->DestroyWindow();
    m_main.DestroyWindow();
    m_hall.DestroyWindow();
    WindowTest::TearDown();
  }
  void Show(const PlayerRecord& r) {
    BYTE bytes[PLAYER_RECORD_SIZE] = {};
    r.Write(bytes);
    ShowPlayerCard(m_card, &m_main, &m_pane, &m_view, bytes, sizeof bytes);
    mfcwin::Pump();
  }
  std::string Text(int id) {
    CString text;
    m_card->GetDlgItemText(id, text);
    return static_cast<LPCSTR>(text);
  }

  CardApp m_app;
  CWnd m_main, m_hall, m_pane, m_view;
  CPlayerCardDlg* m_card = nullptr;
};

TEST_F(PlayerCardTest, ShowsHidesAndAsksTheHallAgain) {
  PlayerRecord r;
  r.userId = 501;
  std::strcpy(r.name, "张三");
  std::strcpy(r.nickname, "三哥");
  std::strcpy(r.levelTitle, "高手");
  r.silver = 12345;
  r.score = 88;
  r.values120[0] = 7, r.values120[1] = 2, r.values120[2] = 1;
  r.isFriend = 1;
  r.portraitId = 9999;  // no such portrait file
  Show(r);
  ASSERT_NE(m_card, nullptr);
  EXPECT_TRUE(m_card->IsWindowVisible());
  EXPECT_EQ(Text(1040), "张三");
  EXPECT_EQ(Text(1044), "12345两");
  EXPECT_EQ(Text(1043), "经理");
  EXPECT_EQ(Text(1053), "70.00%");
  EXPECT_EQ(Text(1054), "是");
  EXPECT_EQ(Text(1055), "");
  EXPECT_FALSE(m_card->HasOwnPortrait());
  EXPECT_EQ(m_card->PortraitCount(), 1);
  // Left of the player pane, at the table view's height.
  CRect rc;
  m_card->GetWindowRect(&rc);
  EXPECT_EQ(rc.right, 700);
  EXPECT_EQ(rc.top, 40);
  mfcwin::SavePng(m_card->GetSafeHwnd(), "player-card");

  // "刷新" asks the hall for the shown player's details.
  m_card->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_CARD_REFRESH, STN_CLICKED), 0);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, m_hall.GetSafeHwnd(), WM_HALL_PLAYER_DETAILS, WM_HALL_PLAYER_DETAILS, PM_REMOVE));
  EXPECT_EQ(msg.lParam, 501);

  // Esc and "关闭" hide the card; the next details show it again with the new player.
  m_card->SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
  EXPECT_FALSE(m_card->IsWindowVisible());
  PlayerRecord watcher;
  watcher.userId = 600;
  watcher.chair = 2;
  watcher.lookOn = 1;
  std::strcpy(watcher.name, "看客");
  m_app.Tables().AddOnlooker(watcher);
  CPlayerCardDlg* first = m_card;
  Show(watcher);
  EXPECT_EQ(m_card, first);
  EXPECT_TRUE(m_card->IsWindowVisible());
  EXPECT_EQ(Text(1040), "看客");
  EXPECT_EQ(Text(1056), "王五");
  EXPECT_EQ(Text(1053), "100%");
  m_card->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_CARD_CLOSE, STN_CLICKED), 0);
  EXPECT_FALSE(m_card->IsWindowVisible());
}

TEST_F(PlayerCardTest, ShortRecordFromTheHallIsRefused) {
  BYTE bytes[100] = {};
  ShowPlayerCard(m_card, &m_main, &m_pane, &m_view, bytes, sizeof bytes);
  EXPECT_EQ(m_card, nullptr);
}

}  // namespace
