// The panes of the main frame, each inside a real frame through the headless display: the
// operate bar's buttons, the chat writers, the look-on permission of the player list against a
// fake connection, the answers to leave requests, and the record board.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "controls/OwnerDrawMenu.h"
#include "mahjong/LookPermission.h"
#include "platform/base/Gbk.h"
#include "mahjong/MJGameChatView.h"
#include "mahjong/MJOperateView.h"
#include "tests/support/StoppedClock.h"
#include "tests/variant/FrameTestSupport.h"
#include "variant/AdHistoryView.h"
#include "variant/GameChatViewEx.h"
#include "variant/LeaveRequests.h"
#include "variant/PlayerView.h"

namespace {

using frametest::FrameTest;

std::string ChatText(CWnd* pane) {
  auto* chat = dynamic_cast<CGameChatView*>(pane);
  if (chat == nullptr) return "";
  CString text;
  chat->GetDisplay().GetWindowText(text);
  return static_cast<LPCSTR>(text);
}

PlayerRecord* Seat(frametest::FrameApp& app, int chair, int userId, const char* name) {
  PlayerRecord* r = app.Tables().Seat(chair);
  r->userId = userId;
  r->chair = chair;
  std::snprintf(r->name, sizeof r->name, "%s", name);
  return r;
}

PlayerRecord* Onlooker(frametest::FrameApp& app, int slot, int userId, const char* name, int chair) {
  PlayerRecord* r = app.Tables().Onlooker(slot);
  r->userId = userId;
  r->chair = chair;
  r->lookOn = 1;
  std::snprintf(r->name, sizeof r->name, "%s", name);
  return r;
}

struct ButtonPlace {
  int id;
  CRect rect;
};

std::vector<ButtonPlace> Buttons(CMJOperateView* view) {
  std::vector<ButtonPlace> places;
  for (int id = IDC_OPERATE_RULES; id <= IDC_OPERATE_QUIT; ++id) {
    places.push_back({id, mfcwin::RectInParent(::GetDlgItem(view->GetSafeHwnd(), id))});
  }
  return places;
}

TEST_F(FrameTest, OperateButtonsFollowTheSkinAndThePaneSize) {
  struct Case {
    int width, height;      // skin button size
    int cx, cy;             // pane size
    bool column;            // small screen with the game's second layout
    std::vector<CRect> at;  // rules, options, spare, quit
  } cases[] = {
      {60, 30, 400, 58, false, {{32, 14, 92, 44}, {124, 14, 184, 44}, {216, 14, 276, 44}, {308, 14, 368, 44}}},
      {0, 0, 400, 58, false, {{80, 29, 80, 29}, {160, 29, 160, 29}, {240, 29, 240, 29}, {320, 29, 320, 29}}},
      {50, 18, 60, 72, true, {{0, 36, 50, 54}, {0, 0, 50, 18}, {0, 54, 50, 72}, {0, 18, 50, 36}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + (c.column ? " column" : " row"));
    MakeApp(1024, c.column ? 600 : 768);
    m_app->skin.width = c.width;
    m_app->skin.height = c.height;
    if (c.column) m_app->info.SetThirdTableWord(2);
    auto* frame = MakeFrame(1024, c.column ? 600 : 768);
    ASSERT_NE(nullptr, frame);
    auto* view = dynamic_cast<CMJOperateView*>(frame->GetOperateView());
    ASSERT_NE(nullptr, view);
    EXPECT_EQ(c.width, view->GetButtonWidth());
    EXPECT_EQ(c.height, view->GetButtonHeight());
    view->SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(c.cx, c.cy));
    const std::vector<ButtonPlace> places = Buttons(view);
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(c.at[i], places[i].rect) << places[i].id;
    DestroyFrame();
    m_app.reset();
  }
}

TEST_F(FrameTest, OperateButtonsOpenTheOptionsAndTheSpareDoesNothing) {
  MakeApp(1024, 768);
  m_app->skin.width = 60;
  m_app->skin.height = 30;
  auto* frame = MakeFrame(1024, 768);
  ASSERT_NE(nullptr, frame);
  CWnd* view = frame->GetOperateView();
  // All four show; the spare one, which has no command, is greyed and takes no click.
  for (int id = IDC_OPERATE_RULES; id <= IDC_OPERATE_QUIT; ++id) {
    HWND button = ::GetDlgItem(view->GetSafeHwnd(), id);
    ASSERT_NE(nullptr, button) << id;
    EXPECT_TRUE(::IsWindowVisible(button)) << id;
    EXPECT_EQ(id != IDC_OPERATE_SPARE, ::IsWindowEnabled(button) != FALSE) << id;
  }
  ::SendMessageA(::GetDlgItem(view->GetSafeHwnd(), IDC_OPERATE_SPARE), BM_CLICK, 0, 0);
  ::SendMessageA(::GetDlgItem(view->GetSafeHwnd(), IDC_OPERATE_OPTIONS), BM_CLICK, 0, 0);
  EXPECT_EQ(1, m_app->optionsShown) << "a click on the options button opens them";
  m_app->optionsShown = 0;
  view->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_OPERATE_SPARE, BN_CLICKED),
                    reinterpret_cast<LPARAM>(::GetDlgItem(view->GetSafeHwnd(), IDC_OPERATE_SPARE)));
  EXPECT_EQ(0, m_app->optionsShown);
  view->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_OPERATE_OPTIONS, BN_CLICKED),
                    reinterpret_cast<LPARAM>(::GetDlgItem(view->GetSafeHwnd(), IDC_OPERATE_OPTIONS)));
  EXPECT_EQ(1, m_app->optionsShown);
  EXPECT_TRUE(::IsWindow(frame->GetSafeHwnd()));
  mfcwin::Pump();
  mfcwin::SavePng(view->GetSafeHwnd(), "operate-pane");
}

TEST_F(FrameTest, ChatWritersAndTheLightBackground) {
  MakeApp(1024, 768);
  Seat(*m_app, 0, 1001, "东家");
  Onlooker(*m_app, 0, 2002, "看客", 0);
  auto* frame = MakeFrame(1024, 768);
  ASSERT_NE(nullptr, frame);
  auto* chat = dynamic_cast<CGameChatViewEx*>(frame->GetChatPane());
  ASSERT_NE(nullptr, chat);
  const int32_t started[1] = {1001};
  chat->AddGameStartedLine(reinterpret_cast<const BYTE*>(started), sizeof started);
  const int32_t look[10] = {1001, 0, 0, 0, 2002, 1, 0, 0, 0, 0};
  chat->AddLookCardsLine(reinterpret_cast<const BYTE*>(look), sizeof look);
  const int32_t forbid[10] = {1001, 0, 0, 0, 2002, 0, 0, 0, 0, 0};
  chat->AddLookCardsLine(reinterpret_cast<const BYTE*>(forbid), sizeof forbid);
  // A record too short for its words writes nothing.
  chat->AddLookCardsLine(reinterpret_cast<const BYTE*>(forbid), 20);
  chat->AddGameStartedLine(reinterpret_cast<const BYTE*>(started), 3);
  const std::string text = ChatText(chat);
  EXPECT_NE(std::string::npos, text.find("东家 已经开始"));
  EXPECT_NE(std::string::npos, text.find("东家允许看客看牌"));
  EXPECT_NE(std::string::npos, text.find("东家禁止看客看牌"));
  EXPECT_EQ(text.find("已经开始"), text.rfind("已经开始"));
  EXPECT_EQ(text.find("禁止"), text.rfind("禁止"));
  // The lines as they go to the display, with their colours.
  EXPECT_STREQ(" <c=2906200>甲允许乙看牌 \r\n", CMJGameChatView::FormatLookCardsLine("甲", true, "乙"));
  EXPECT_STREQ("<c=8421504> 甲 已经开始\r\n", CMJGameChatView::FormatGameStartedLine("甲"));
  // The display shows this game's light colour.
  CRect display;
  chat->GetDisplay().GetClientRect(&display);
  EXPECT_EQ(static_cast<COLORREF>(GAME_CHAT_BACK_COLOUR),
            mfcwin::Pixel(chat->GetDisplay().GetSafeHwnd(), display.right - 20, display.bottom - 5));
  mfcwin::Pump();
  mfcwin::SavePng(chat->GetSafeHwnd(), "chat-pane");
}

// After the table was entered the chat pane shows, besides the welcome, the running hand's line.
TEST_F(FrameTest, ThePaneUpdateShowsTheRunningHand) {
  for (int running : {1, 0}) {
    SCOPED_TRACE(running);
    MakeApp(1024, 600);
    const int32_t status = running ? TABLE_STATUS_RUNNING : 0;
    const int32_t hand = 3;
    std::memcpy(m_app->info.GetTableInfo() + TableInfoLayout::STATUS, &status, 4);
    std::memcpy(m_app->info.GetTableInfo() + TableInfoLayout::ROUND_NUMBER, &hand, 4);
    auto* frame = MakeFrame(1024, 600);
    ASSERT_NE(nullptr, frame);
    frame->SendMessage(WM_PANE_UPDATE, 0, 0);
    const std::string text = ChatText(frame->GetChatPane());
    EXPECT_NE(std::string::npos, text.find("您的位置"));
    EXPECT_EQ(running != 0, text.find("【第3局】") != std::string::npos) << text;
    DestroyFrame();
    m_app.reset();
  }
}

TEST(LookMenuItem, DecidedByTheRowAndTheOwnUser) {
  struct Case {
    bool rowIsOnlooker, selfLooksOn;
    int watchedChair;
    bool allowed;
    bool enabled, retitled;
    const char* text;
  } cases[] = {
      {false, false, 0, false, false, false, ""},             // a seated player's row
      {true, false, 0, false, true, true, "允许看客看牌"},    // watches the own chair
      {true, false, 0, true, true, true, "禁止看客看牌"},     // and may see already
      {true, false, 2, false, false, true, "允许看客看牌"},   // watches another chair
      {true, true, 0, false, false, false, ""},              // the own user looks on
  };
  for (const Case& c : cases) {
    const LookMenuItem item = DecideLookMenuItem(c.rowIsOnlooker, c.selfLooksOn, c.watchedChair, 0, c.allowed, "看客");
    EXPECT_EQ(c.enabled, item.enabled) << c.text;
    EXPECT_EQ(c.retitled, item.retitled) << c.text;
    EXPECT_EQ(c.text, item.text);
  }
}

class PermissionTest : public FrameTest {
 protected:
  void SetUp() override {
    FrameTest::SetUp();
    MakeApp(1024, 768);
    Seat(*m_app, 0, 1001, "东家");
    Seat(*m_app, 1, 1002, "南家");
    Onlooker(*m_app, 0, 2002, "看客", 0);
    Onlooker(*m_app, 1, 2003, "路人", 1);
    frame = MakeFrame(1024, 768);
    ASSERT_NE(nullptr, frame);
    pane = frame->GetPlayerListPane();
    ASSERT_NE(nullptr, pane);
    frame->SendMessage(WM_PANE_UPDATE, 0, 0);
  }
  // The menu item for a row as the player menu would show it.
  std::pair<UINT, std::string> MenuItemFor(int userId) {
    COwnerDrawMenu menu;
    EXPECT_TRUE(menu.LoadMenu(IDR_PLAYER_MENU));
    CMenu* popup = menu.GetSubMenu(0);
    const int row = pane->GetList().FindItemByData(static_cast<DWORD>(userId));
    pane->SetSelection(row, userId);
    pane->UpdateLookMenuItem(row, &menu, popup);
    // The items are drawn by the menu: their text is in the record each carries.
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_DATA;
    std::string text;
    if (::GetMenuItemInfoA(popup->GetSafeHmenu(), ID_LOOK_PERMISSION, FALSE, &info) && info.dwItemData != 0) {
      text = WideToGbk(reinterpret_cast<const OwnerDrawItem*>(info.dwItemData)->text);
    }
    const UINT state = popup->GetMenuState(ID_LOOK_PERMISSION, MF_BYCOMMAND) & (MF_DISABLED | MF_GRAYED);
    menu.DestroyMenu();
    return {state, text};
  }
  CMainFrame* frame = nullptr;
  CPlayerView* pane = nullptr;
};

TEST_F(PermissionTest, MenuItemGivesAndTakesThePermission) {
  EXPECT_EQ(std::make_pair(UINT(MF_DISABLED | MF_GRAYED), std::string("允许看牌")), MenuItemFor(1002));
  EXPECT_EQ(std::make_pair(UINT(MF_DISABLED | MF_GRAYED), std::string("允许路人看牌")), MenuItemFor(2003));
  EXPECT_EQ(std::make_pair(UINT(0), std::string("允许看客看牌")), MenuItemFor(2002));
  // Choosing the item asks the server, enters the onlooker and writes the chat line.
  pane->SetSelection(pane->GetList().FindItemByData(2002), 2002);
  pane->SendMessage(WM_COMMAND, ID_LOOK_PERMISSION, 0);
  ASSERT_EQ(1u, m_app->connection.permissions.size());
  EXPECT_EQ(std::make_pair(2002, 1), m_app->connection.permissions.back());
  EXPECT_TRUE(pane->IsInLookMap(2002));
  EXPECT_EQ(std::make_pair(UINT(0), std::string("禁止看客看牌")), MenuItemFor(2002));
  EXPECT_NE(std::string::npos, ChatText(frame->GetChatPane()).find("东家允许看客看牌"));
  // Again: the permission is taken back.
  pane->SendMessage(WM_COMMAND, ID_LOOK_PERMISSION, 0);
  EXPECT_EQ(std::make_pair(2002, 0), m_app->connection.permissions.back());
  EXPECT_FALSE(pane->IsInLookMap(2002));
  EXPECT_EQ(std::make_pair(UINT(0), std::string("允许看客看牌")), MenuItemFor(2002));
  EXPECT_NE(std::string::npos, ChatText(frame->GetChatPane()).find("东家禁止看客看牌"));
  // A user whose row is gone is not toggled.
  pane->SetSelection(-1, 9999);
  pane->SendMessage(WM_COMMAND, ID_LOOK_PERMISSION, 0);
  EXPECT_EQ(2u, m_app->connection.permissions.size());
}

TEST_F(PermissionTest, TheRequestPopUpAnswerDoesWhatTheMenuDoesAndAFailureChangesNothing) {
  pane->SendMessage(WM_POPUP_ANSWER, 2002, 1);
  EXPECT_EQ(std::make_pair(2002, 1), m_app->connection.permissions.back());
  EXPECT_TRUE(pane->IsInLookMap(2002));
  const std::string before = ChatText(frame->GetChatPane());
  EXPECT_NE(std::string::npos, before.find("东家允许看客看牌"));
  m_app->connection.answer = 0;
  pane->SendMessage(WM_POPUP_ANSWER, 2002, 0);
  EXPECT_EQ(std::make_pair(2002, 0), m_app->connection.permissions.back());
  EXPECT_TRUE(pane->IsInLookMap(2002));
  EXPECT_EQ(before, ChatText(frame->GetChatPane()));
}

TEST_F(PermissionTest, LeaveAnswersWriteTheLineAndSendTheReply) {
  for (int agree : {1, 0}) {
    pane->SendMessage(WM_LEAVE_ANSWER, 1002, agree);
    ASSERT_FALSE(m_app->connection.requests.empty());
    const auto& [code, body] = m_app->connection.requests.back();
    EXPECT_EQ(REQ_LEAVE_REPLY, code);
    ASSERT_EQ(static_cast<size_t>(LEAVE_REPLY_BODY_SIZE), body.size());
    RequestContext context;
    context.userId = 1001;
    context.tableNo = m_app->GetTableNO();
    context.roomId = m_app->GetRoomID();
    EXPECT_EQ(MakeLeaveReplyBody(context, 1002, agree != 0), body);
  }
  const std::string text = ChatText(frame->GetChatPane());
  EXPECT_NE(std::string::npos, text.find("东家答应南家的退出请求"));
  EXPECT_NE(std::string::npos, text.find("东家拒绝南家的退出请求"));
  // The answer pop-up is opened through the hook, with the reason cut inside its 64 bytes.
  std::string shownReason;
  int shownAsker = 0;
  CPlayerView::SetLeaveAnswerPopup([&](CPlayerView&, int asker, const char* reason) {
    shownAsker = asker;
    shownReason = reason;
  });
  char reason[LEAVE_REASON_BYTES];
  std::memset(reason, 'x', sizeof reason);
  pane->ShowLeaveAnswer(1002, reason);
  CPlayerView::SetLeaveAnswerPopup(nullptr);
  EXPECT_EQ(1002, shownAsker);
  EXPECT_EQ(std::string(LEAVE_REASON_BYTES - 1, 'x'), shownReason);
  mfcwin::Pump();
  mfcwin::SavePng(pane->GetSafeHwnd(), "player-pane");
}

}  // namespace
