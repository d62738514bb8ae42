#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "framework/GameApp.h"
#include "framework/GameFrameWnd.h"
#include "framework/GamePlayerView.h"
#include "resources/ProgramResources.h"
#include "tests/platform/MfcWindowTestSupport.h"

namespace {

class PlayerApp : public CGameApp {
 public:
  PlayerApp() : CGameApp("Pxqd", 31380, 2, 0) {}
};

class PlayerPaneTest : public mfcwin::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    ASSERT_TRUE(resources::RegisterProgramResources());
    m_app.Launch().userId = 1001;
    m_app.Launch().chair = 0;
    ASSERT_TRUE(m_parent.CreateEx(0, AfxRegisterWndClass(0), "players", WS_POPUP | WS_VISIBLE, 0, 0, 440, 200,
                                  nullptr, nullptr));
    m_view = new CGamePlayerView();
    ASSERT_TRUE(m_view->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(0, 0, 440, 200), &m_parent, 100));
    m_view->OnInitialUpdate();
  }
  void TearDown() override {
    m_parent.DestroyWindow();
    WindowTest::TearDown();
  }
  PlayerRecord* Seat(int chair, int userId, const char* name, int silver) {
    PlayerRecord* r = m_app.Tables().Seat(chair);
    r->userId = userId;
    r->chair = chair;
    r->silver = silver;
    r->score = userId % 100;
    std::strcpy(r->name, name);
    std::strcpy(r->levelTitle, "高手");
    return r;
  }
  PlayerRecord* Onlooker(int slot, int userId, const char* name, int chair) {
    PlayerRecord* r = m_app.Tables().Onlooker(slot);
    r->userId = userId;
    r->chair = chair;
    r->lookOn = 1;
    std::strcpy(r->name, name);
    return r;
  }
  std::vector<std::string> Rows() {
    std::vector<std::string> rows;
    for (int i = 0; i < m_view->GetList().GetItemCount(); ++i) {
      rows.push_back(std::string(m_view->CellText(i, "用户名")) + "/" + std::string(m_view->CellText(i, "银子")) + "/" +
                     std::string(m_view->CellText(i, "旁观对象")));
    }
    return rows;
  }

  PlayerApp m_app;
  CWnd m_parent;
  CGamePlayerView* m_view = nullptr;
};

TEST_F(PlayerPaneTest, RowsForSeatsAndOnlookers) {
  Seat(0, 1001, "me", 500);
  Seat(2, 1003, "carol", 300);
  Seat(3, 1004, "dave", 400);
  Onlooker(0, 2001, "watcher", 3);
  m_view->SendMessage(WM_PANE_UPDATE);
  EXPECT_EQ(Rows(), (std::vector<std::string>{"me/500/", "carol/300/", "dave/400/", "watcher/0/dave"}));

  // A player for chair 1 goes between chairs 0 and 2; a second add replaces his row.
  PlayerRecord* bob = Seat(1, 1002, "bob", 200);
  m_view->AddPlayerRow(*bob);
  bob->silver = 250;
  m_view->AddPlayerRow(*bob);
  EXPECT_EQ(Rows(), (std::vector<std::string>{"me/500/", "bob/250/", "carol/300/", "dave/400/", "watcher/0/dave"}));

  // New silver of a seat.
  int32_t body[5] = {1003, 2, 0, 0, 777};
  m_view->OnBaseSilver(reinterpret_cast<const BYTE*>(body), sizeof body);
  EXPECT_EQ(m_view->CellText(2, "银子"), CString("777"));
  int32_t badChair[5] = {1003, 9, 0, 0, 1};
  m_view->OnBaseSilver(reinterpret_cast<const BYTE*>(badChair), sizeof badChair);
  m_view->OnBaseSilver(nullptr, 0);
  EXPECT_EQ(m_view->CellText(2, "银子"), CString("777"));

  // The leaving onlooker's row goes and his record is cleared.
  PlayerRecord* watcher = m_app.Tables().Onlooker(0);
  m_view->RemovePlayerRow(*watcher);
  EXPECT_EQ(watcher->userId, 0);
  EXPECT_EQ(watcher->name[0], '\0');
  EXPECT_EQ(m_view->GetList().GetItemCount(), 4);
  mfcwin::Pump();
  EXPECT_TRUE(mfcwin::SavePng(m_parent.GetSafeHwnd(), "player-pane"));
}

TEST_F(PlayerPaneTest, SeatedPlayerInABit3RoomSeesOnlyHisOwnRow) {
  m_app.Tables().Room().options = 1 << 3;
  Seat(0, 1001, "me", 500);
  Seat(1, 1002, "bob", 200);
  Onlooker(0, 2001, "watcher", 1);
  m_view->SendMessage(WM_PANE_UPDATE);
  EXPECT_EQ(Rows(), (std::vector<std::string>{"me/500/"}));
  // An onlooker in the same room sees everyone.
  m_app.Launch().lookOn = 1;
  m_view->SendMessage(WM_PANE_UPDATE);
  EXPECT_EQ(m_view->GetList().GetItemCount(), 3);
}

TEST_F(PlayerPaneTest, ColumnsFollowTheRoomsBankBit) {
  Seat(0, 1001, "me", 500);
  m_app.Tables().Room().flags = 1 << 2;
  m_view->SendMessage(WM_PANE_UPDATE);
  EXPECT_EQ(m_view->GetList().FindColumn("银子"), 1);
  m_app.Tables().Room().flags = 0;
  m_view->SendMessage(WM_PANE_UPDATE);
  EXPECT_EQ(m_view->GetList().FindColumn("银子"), 3);
  EXPECT_EQ(m_view->CellText(0, "级别"), CString("高手"));
}

}  // namespace
