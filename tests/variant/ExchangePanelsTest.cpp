// The ticket-exchange panels in a running table view with the game's own package: pages, prizes,
// the latest exchanges, the exchange's checks and the result panel. Renderings go to
// build/tests/table-renderings/.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/EngineUtil.h"
#include "engine/Entity.h"
#include "engine/GameBase.h"
#include "framework/BodyWriter.h"
#include "mahjong/MJTableView.h"
#include "resources/ProgramResources.h"
#include "tests/variant/support/TableViewFixture.h"
#include "variant/ExchangeActPanel.h"
#include "variant/TableDialogs.h"

namespace {

// A scene that passes the panels' commands on, as the table scene does.
class PanelScene : public GameBase {
 public:
  int OnCommand(Event e) override {
    commands.push_back(e.code);
    if (dialogs != nullptr && dialogs->OnSceneCommand(e.code)) return 1;
    if (act != nullptr && e.code >= CMD_EXCHANGE_CLOSE && e.code <= CMD_EXCHANGE_PRIZE_LAST) act->OnMessage(&e);
    if (result != nullptr && e.code == CMD_EXCHANGE_RESULT_CLOSE) result->OnMessage(&e);
    return 1;
  }
  CExchangeActPanel* act = nullptr;
  CExchangeResultPanel* result = nullptr;
  CTableDialogs* dialogs = nullptr;
  std::vector<uint32_t> commands;
};

class ExchangePanelsTest : public tabletest::TableViewFixture {
 protected:
  void SetUp() override {
    TableViewFixture::SetUp();
    ASSERT_TRUE(resources::RegisterProgramResources());
    LinkGameData();
    m_scene = Own(new PanelScene());
    ASSERT_NO_FATAL_FAILURE(OpenView(m_scene));
    ExchangeTable table;
    table.message = [this](const char* text) { m_messages.push_back(text); };
    table.tableViewRect = [] { return RECT{0, 0, 1024, 768}; };
    table.programFolder = [this] { return m_dir.File(""); };
    m_act = new CExchangeActPanel(*m_scene, table);
    m_scene->GetWorldRef().RegisterControlObject(m_act);
    m_result = new CExchangeResultPanel(*m_scene);
    m_scene->GetWorldRef().RegisterControlObject(m_result);
    m_scene->act = m_act;
    m_scene->result = m_result;
  }
  void TearDown() override {
    // The prize popup is a window of its own: it goes before the pane.
    if (m_act != nullptr && m_act->Popup().GetSafeHwnd() != nullptr) m_act->Popup().DestroyWindow();
    TableViewFixture::TearDown();
  }
  // The panels slide in: a few more frames before each picture.
  void Capture(const char* name) { TableViewFixture::Capture(name, 60); }
  void Command(uint32_t code) {
    Event e{code, nullptr, 0};
    m_act->OnMessage(&e);
  }
  // Which prizes show their pictures and buttons, and which buttons are enabled.
  std::string Shown() {
    std::string s;
    for (int k = 0; k < EXCHANGE_PRIZE_COUNT; ++k) {
      Entity* picture = m_act->PrizePicture(k);
      PictureButton* b = m_act->ExchangeButton(k);
      if (picture == nullptr || b == nullptr || !picture->IsVisible()) continue;
      s += std::to_string(k) + (b->IsVisible() ? (b->GetControlRecord()->enabled ? "+" : "-") : "?") + " ";
    }
    return s;
  }
  std::string PageButtons() {
    std::string s;
    for (int i = 0; i < EXCHANGE_PAGES; ++i) s += m_act->PageButton(i)->GetControlRecord()->enabled ? "1" : "0";
    return s;
  }

  PanelScene* m_scene = nullptr;
  CExchangeActPanel* m_act = nullptr;
  CExchangeResultPanel* m_result = nullptr;
  std::vector<std::string> m_messages;
};

TEST_F(ExchangePanelsTest, PagesOfPrizesWithTheLatestExchanges) {
  ASSERT_NE(m_act->Plane(), nullptr);
  EXPECT_FALSE(m_act->IsShown());
  for (int k = 0; k < EXCHANGE_PRIZE_COUNT; ++k) ASSERT_NE(m_act->PrizePicture(k), nullptr) << k;
  // Prize 6 is out of stock; two latest exchanges, then an empty slot.
  CBodyWriter page(PRIZE_PAGE_SIZE);
  page.Int(0, 7);
  page.Int(88 + 4 * 6, 1);
  page.Int(160, 5);
  page.Int(164, 9);
  page.Int(168, -1);
  page.Int(172, 3);
  page.Text(176, 32, "张三");
  page.Text(208, 32, "李四");
  page.Text(272, 32, "王五");
  m_act->SetPrizeData(page.Data().data(), page.Size());
  EXPECT_TRUE(m_act->HasPrizeData());
  EXPECT_EQ(m_act->LatestLines(), (std::vector<std::string>{"张三成功兑换20元话费", "李四成功兑换20元点卡"}));

  m_act->ShowPage(1);
  EXPECT_TRUE(m_act->IsShown());
  EXPECT_EQ(Shown(), "0+ 1+ 2+ 3+ ");
  EXPECT_EQ(PageButtons(), "01111");
  Capture("exchange-page0");

  Command(CMD_EXCHANGE_PAGE_FIRST + 1);
  EXPECT_EQ(Shown(), "4+ 5+ 6- 7+ ");
  EXPECT_EQ(PageButtons(), "10111");
  Command(CMD_EXCHANGE_PAGE_LAST);
  EXPECT_EQ(Shown(), "16+ 17+ ");
  EXPECT_EQ(PageButtons(), "11110");
  m_act->SetTicketCount(1234);
  m_act->RefreshIfShown();
  Capture("exchange-page4");

  Command(CMD_EXCHANGE_CLOSE);
  EXPECT_FALSE(m_act->IsShown());
  EXPECT_EQ(Shown(), "");
  // Closed, a page change only remembers the page.
  Command(CMD_EXCHANGE_PAGE_FIRST + 2);
  EXPECT_FALSE(m_act->IsShown());
  EXPECT_EQ(m_act->GetPage(), 2);
}

TEST_F(ExchangePanelsTest, AnExchangeChecksTheTicketsAndOpensThePrizePopup) {
  m_act->ShowPage(1);
  // Known and too few: a box, the panel stays.
  m_act->SetTicketCount(369);
  Command(CMD_EXCHANGE_PRIZE_FIRST + 4);  // 370 tickets
  EXPECT_EQ(m_messages, std::vector<std::string>{"兑换券不够！"});
  EXPECT_TRUE(m_act->IsShown());
  m_act->Exchange(18);
  EXPECT_EQ(m_messages.back(), "对不起，兑换失败！");
  EXPECT_EQ(m_act->Popup().GetSafeHwnd(), nullptr);
  // Not known yet: any prize may be chosen; the server checks.
  m_act->SetTicketCount(-1);
  Command(CMD_EXCHANGE_PRIZE_FIRST + 0);
  EXPECT_EQ(m_messages.size(), 2u);
  EXPECT_FALSE(m_act->IsShown());
  ASSERT_NE(m_act->Popup().GetSafeHwnd(), nullptr);
  EXPECT_EQ(m_act->Popup().Form().GetPrizeIndex(), 0);
}

TEST_F(ExchangePanelsTest, ClickingAPrizeButtonReachesThePanelThroughTheScene) {
  m_act->SetTicketCount(100);
  m_act->ShowPage(1);
  Advance(40);
  Entity* button = m_act->ExchangeButton(1)->GetPicture();
  ASSERT_NE(button, nullptr);
  m_scene->OnMouseMove(0, button->GetX(), button->GetY());
  m_scene->OnLButtonDown(0, button->GetX(), button->GetY());
  m_scene->OnLButtonUp(0, button->GetX(), button->GetY());
  m_scene->PumpEvents();
  ASSERT_FALSE(m_scene->commands.empty());
  EXPECT_EQ(m_scene->commands.back(), static_cast<uint32_t>(CMD_EXCHANGE_PRIZE_FIRST + 1));
  EXPECT_EQ(m_messages, std::vector<std::string>{"兑换券不够！"});

  // Dragging the plane carries its buttons and prizes.
  const int x0 = button->GetX();
  Entity* plane = m_act->Plane();
  const int gx = plane->GetX(), gy = plane->GetTop() + 12;
  m_scene->OnMouseMove(0, gx, gy);
  m_scene->OnLButtonDown(0, gx, gy);
  m_scene->OnMouseMove(0, gx + 30, gy + 20);
  m_scene->PumpEvents();
  m_scene->OnLButtonUp(0, gx + 30, gy + 20);
  m_scene->PumpEvents();
  EXPECT_EQ(button->GetX(), x0 + 30);
}

TEST_F(ExchangePanelsTest, ResultPanelTellsHowItWent) {
  struct Case {
    int code;
    const char* text;
  };
  for (const Case& c : {Case{2, "您的兑换券不够！"}, Case{3, "该奖品已被兑换完！"}, Case{4, "活动已过期！"},
                        Case{9, "未知错误，请重试！"}}) {
    EXPECT_STREQ(CExchangeResultPanel::FailureText(c.code), c.text);
  }
  m_result->ShowFailed(3);
  EXPECT_TRUE(m_result->IsShown());
  Capture("exchange-failed");
  Event close{CMD_EXCHANGE_RESULT_CLOSE, nullptr, 0};
  m_result->OnMessage(&close);
  EXPECT_FALSE(m_result->IsShown());
  m_result->ShowSucceeded();
  EXPECT_TRUE(m_result->IsShown());
  Capture("exchange-succeeded");
}

// The notifications of the activity reach the panels through the table's dialogs, and the wait
// for an exchange's result ends for good.
TEST_F(ExchangePanelsTest, NotificationsAndTheSubmissionWait) {
  CTableDialogs dialogs;
  std::vector<std::string> chat;
  std::vector<bool> waits;
  int pageRequests = 0;
  CTableDialogs::Hooks hooks;
  hooks.ownUserId = [] { return 7; };
  hooks.chat = [&](const std::string& line) { chat.push_back(line); };
  hooks.showWait = [&](bool show) { waits.push_back(show); };
  hooks.requestPrizePage = [&] { return ++pageRequests; };
  hooks.exchange.tableViewRect = [] { return RECT{0, 0, 1024, 768}; };
  hooks.exchange.programFolder = [this] { return m_dir.File(""); };
  dialogs.SetHooks(hooks);
  dialogs.AttachScene(m_scene);
  m_scene->dialogs = &dialogs;
  CExchangeActPanel* act = dialogs.ActivityPanel();
  ASSERT_NE(act, nullptr);

  // The activity button asks for the prize page first.
  dialogs.OpenExchange();
  EXPECT_EQ(pageRequests, 1);
  EXPECT_TRUE(act->IsShown());
  auto body = [](std::initializer_list<std::pair<size_t, int32_t>> words, size_t size) {
    CBodyWriter w(size);
    for (const auto& [offset, value] : words) w.Int(offset, value);
    return w.Data();
  };
  // Another user's count and a short body change nothing; the own count is taken.
  auto other = body({{0, 8}, {4, 50}}, 8);
  dialogs.OnTicketCount(other.data(), other.size());
  dialogs.OnTicketCount(other.data(), 4);
  EXPECT_EQ(act->GetTicketCount(), -1);
  auto own = body({{0, 7}, {4, 100}}, 8);
  dialogs.OnTicketCount(own.data(), own.size());
  EXPECT_EQ(act->GetTicketCount(), 100);
  // Tickets won count only when they add up with the shown count.
  auto wrong = body({{8, 7}, {12, 10}, {16, 200}}, 20);
  dialogs.OnTicketsWon(wrong.data(), wrong.size());
  EXPECT_EQ(act->GetTicketCount(), 100);
  auto right = body({{8, 7}, {12, 10}, {16, 110}}, 20);
  dialogs.OnTicketsWon(right.data(), right.size());
  EXPECT_EQ(act->GetTicketCount(), 110);
  EXPECT_EQ(chat, std::vector<std::string>{"恭喜您获得 10 张兑换券"});

  // The submission shows the wait text; the result hides it and shows the result panel; the
  // scene's timer ten seconds later hides it again and never shows it.
  dialogs.StartSubmitWait();
  auto result = body({{0, 7}, {8, 0}, {12, 40}}, 16);
  dialogs.OnExchangeResult(result.data(), result.size());
  EXPECT_EQ(act->GetTicketCount(), 40);
  EXPECT_EQ(pageRequests, 2);
  EXPECT_TRUE(dialogs.ResultPanel()->IsShown());
  Advance(10100);
  EXPECT_EQ(waits, (std::vector<bool>{true, false, false}));
  // "Continue" hides the result and opens the activity again.
  EXPECT_TRUE(dialogs.OnSceneCommand(CMD_EXCHANGE_CONTINUE));
  EXPECT_FALSE(dialogs.ResultPanel()->IsShown());
  EXPECT_TRUE(act->IsShown());
  auto failed = body({{8, 3}}, 16);
  dialogs.OnExchangeResult(failed.data(), failed.size());
  EXPECT_EQ(act->GetTicketCount(), 40);
  EXPECT_TRUE(dialogs.ResultPanel()->IsShown());
  m_scene->dialogs = nullptr;
}

}  // namespace
