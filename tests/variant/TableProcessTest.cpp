// Two players at one table, each in a pxqd process of his own launched by a hall stand-in
// against a game server of the test's own, headless. The test looks at the clients' windows and
// clicks in them through their automation sockets, as a player would: the names of the other
// player, the leave request and its answer, a chat face, and an onlooker's request to see the
// tiles. The server's clock is the test's: a hand, once dealt, stays in its first turns until
// the test is done with it.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/kernel/Kernel.h"
#include "platform/kernel/Process.h"
#include "platform/user/User.h"
#include "testbed/hall/HallStandIn.h"
#include "testbed/server/GameServer.h"
#include "testbed/server/ProtocolCodes.h"
#include "testbed/table/MahjongTableGame.h"
#include "testbed/table/TableCodes.h"
#include "tests/support/AutomationClient.h"
#include "tests/support/ClientTableFixture.h"
#include "tests/support/ScriptedClient.h"
#include "tests/testbed/RequestBodies.h"

namespace {

using testsupport::AutomationClient;
using testsupport::ShownWindow;

constexpr int WAIT_MS = testsupport::PROCESS_WAIT_MS;
constexpr int SEEN_MS = testsupport::PROCESS_WAIT_MS;
constexpr int ROOM = 12;
constexpr int TABLE = 3;

struct Player {
  int userId;
  int chair;
  const char* name;  // GBK
};

const Player ASKER{3001, 0, "张三丰"};
const Player ANSWERER{3002, 1, "李四娘"};

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class TableProcessTest : public testsupport::ClientTableFixture {
 protected:
  void SetUp() override {
    ClientTableFixture::SetUp();
    testbed::ServerConfig config;
    config.clock = [this] { return m_now.load(); };
    config.tableGames = [](int32_t room, int32_t table) {
      testbed::TableConfig tableConfig;
      tableConfig.seed = 11;
      tableConfig.botReadyMs = 100;
      return std::make_unique<testbed::MahjongTableGame>(room, table, tableConfig);
    };
    ASSERT_TRUE(StartServer(std::move(config)));
  }

  // Launches a client for the player and waits until it sits at the table (or watches his chair,
  // for an onlooker); its automation socket is connected.
  AutomationClient& Launch(const Player& p, bool lookOn = false) {
    testbed::HallOptions options =
        ClientOptions("pxqd", ROOM, TABLE, p.chair, p.userId, "hall" + std::to_string(p.userId));
    options.playerName = p.name;
    options.lookOn = lookOn ? 1 : 0;
    options.room.options = m_roomOptions;
    if (m_hallSharesNames) options.accountsPath = m_dir.File("accounts.db");
    // The hall's pictures (the chat faces among them), as the game data made them.
    std::error_code error;
    std::filesystem::create_directories(options.hallDir, error);
    std::filesystem::copy(std::string(PXQD_BIN_DIR) + "/../hall/Share", options.hallDir + "/Share",
                          std::filesystem::copy_options::recursive, error);
    const std::string socket = m_dir.File("ui" + std::to_string(p.userId) + ".sock");
    m_env.Set("PXQD_AUTOMATION", socket);
    testbed::HallStandIn* hall = ClientTableFixture::Launch(options);
    m_env.Unset("PXQD_AUTOMATION");
    EXPECT_TRUE(hall != nullptr && hall->WaitForEvent("session-sent", WAIT_MS));
    m_uis.push_back(std::make_unique<AutomationClient>(socket));
    EXPECT_TRUE(m_uis.back()->Connect(SEEN_MS)) << "the client serves no automation socket";
    EXPECT_TRUE(AutomationClient::WaitUntil(
        [&] {
          if (!lookOn) return Server().Core().TableUsers(ROOM, TABLE)[p.chair] == p.userId;
          const std::vector<int32_t> onlookers = Server().Core().TableOnlookers(ROOM, TABLE);
          return std::find(onlookers.begin(), onlookers.end(), p.userId) != onlookers.end();
        },
        SEEN_MS))
        << "the client did not sit down";
    return *m_uis.back();
  }

  // Both players get ready; the test's clock lets the computer players get ready too and the
  // hand be dealt, and then stands still.
  void DealAHand() {
    ASSERT_TRUE(Server().Core().MakeReady(ASKER.userId));
    ASSERT_TRUE(Server().Core().MakeReady(ANSWERER.userId));
    ASSERT_TRUE(AutomationClient::WaitUntil(
        [&] {
          m_now += 1000;
          Server().Core().RunDueTimers();
          return Server().Core().TablePlaying(ROOM, TABLE);
        },
        SEEN_MS))
        << "no hand was dealt";
  }

  // The texts of the client's chat display (the one rich-edit window).
  static std::string ChatText(AutomationClient& ui) {
    for (const ShownWindow& w : ui.Windows()) {
      std::string cls = w.className;
      for (char& c : cls) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      if (cls.find("RICHEDIT") != std::string::npos && w.visible) return ui.Text(w.handle);
    }
    return {};
  }
  static bool ChatShows(AutomationClient& ui, const std::string& part) {
    return AutomationClient::WaitUntil([&] { return Contains(ChatText(ui), part); }, SEEN_MS);
  }
  // The first column of the client's player list.
  static std::vector<std::string> PlayerRows(AutomationClient& ui) {
    for (const ShownWindow& w : ui.Windows()) {
      if (w.className == "SysListView32" && w.visible) {
        std::vector<std::string> rows = ui.Rows(w.handle, 0);
        if (!rows.empty()) return rows;
      }
    }
    return {};
  }

  // A label of a pop-up that slides up from the bottom, once the pop-up stands at its full
  // height (so that a click at the label's place still finds it there).
  static std::optional<ShownWindow> PopupLabel(AutomationClient& ui, const std::string& label, int fullHeight,
                                               int limitMs = SEEN_MS) {
    std::optional<ShownWindow> found;
    AutomationClient::WaitUntil(
        [&] {
          const std::vector<ShownWindow> windows = ui.Windows();
          for (const ShownWindow& w : windows) {
            if (!w.visible || w.text != label) continue;
            for (const ShownWindow& popup : windows) {
              if (popup.handle == w.parent && popup.bottom - popup.top == fullHeight) {
                found = w;
                return true;
              }
            }
          }
          return false;
        },
        limitMs);
    return found;
  }

  // Both clients list both humans by name.
  static void ExpectBothNamesListed(AutomationClient& first, AutomationClient& second) {
    for (AutomationClient* ui : {&first, &second}) {
      std::vector<std::string> rows;
      const bool both = AutomationClient::WaitUntil(
          [&] {
            rows = PlayerRows(*ui);
            int found = 0;
            for (const std::string& row : rows) found += row == ASKER.name || row == ANSWERER.name ? 1 : 0;
            return found == 2;
          },
          SEEN_MS);
      std::string shown;
      for (const std::string& row : rows) shown += "[" + row + "]";
      EXPECT_TRUE(both) << (ui == &first ? "first" : "second") << " client lists " << shown;
    }
  }

  // The room's options as the hall gives them, and whether the hall tells the server its
  // player's name.
  int m_roomOptions = 0;
  bool m_hallSharesNames = true;
  std::atomic<int64_t> m_now{1'700'000'000'000};
  std::vector<std::unique_ptr<AutomationClient>> m_uis;
};

// Every client lists every human at the table by name, whoever sat down first.
TEST_F(TableProcessTest, EveryClientNamesTheOtherHuman) {
  AutomationClient& first = Launch(ASKER);
  AutomationClient& second = Launch(ANSWERER);
  ExpectBothNamesListed(first, second);
}

// In a room with option bit 6 the clients send their own player records when they enter, and the
// names come from those, without the hall's help.
TEST_F(TableProcessTest, InARoomWithOptionBitSixTheNamesComeFromTheClientsRecords) {
  m_roomOptions = 1 << 6;
  m_hallSharesNames = false;
  AutomationClient& first = Launch(ASKER);
  AutomationClient& second = Launch(ANSWERER);
  ExpectBothNamesListed(first, second);
}

// The answer clicked in the pop-up and the verb the chat lines give it.
struct LeaveAnswer {
  const char* label;
  const char* verb;
};

void PrintTo(const LeaveAnswer& answer, std::ostream* out) {
  *out << (answer.label == std::string("同意") ? "agree" : "refuse");
}

class TwoClientsLeaveTest : public TableProcessTest, public ::testing::WithParamInterface<LeaveAnswer> {};

// The asker closes his window in the middle of a hand and asks for leave with a reason; the
// other player's pop-up shows who asks and why, his answer goes back, and both chats tell the
// outcome while the asker keeps his chair.
TEST_P(TwoClientsLeaveTest, ALeaveRequestIsAnsweredInTheOtherPlayersPopup) {
  AutomationClient& asker = Launch(ASKER);
  AutomationClient& answerer = Launch(ANSWERER);
  DealAHand();
  ASSERT_TRUE(PostMessageA(m_halls[0]->GameWindow(), WM_CLOSE, 0, 0));
  std::optional<ShownWindow> ask = asker.WaitForWindow(testsupport::VisibleWithText("请求退出(2)"), SEEN_MS);
  ASSERT_TRUE(ask) << "the leave dialog did not come up";
  std::optional<ShownWindow> reason = asker.WaitForWindow(
      [&](const ShownWindow& w) { return w.visible && w.parent == ask->parent && w.className == "Edit"; }, SEEN_MS);
  ASSERT_TRUE(reason);
  ASSERT_TRUE(asker.Click(*reason));
  ASSERT_TRUE(asker.Type(reinterpret_cast<const char*>(u8"家里有事")));
  ASSERT_TRUE(AutomationClient::WaitUntil([&] { return asker.Text(reason->handle) == "家里有事"; }, SEEN_MS));
  ASSERT_TRUE(asker.Click(*ask));
  EXPECT_TRUE(AutomationClient::WaitUntil(
      [&] { return !asker.WaitForWindow(testsupport::VisibleWithText("请求退出(2)"), 0); }, SEEN_MS))
      << "the leave dialog stayed";

  // The pop-up slides up: its labels are clicked once it stands at its full height.
  // The pop-up is 200 x 105 pixels at 96 pixels per inch.
  std::optional<ShownWindow> answer = PopupLabel(answerer, GetParam().label, 105);
  ASSERT_TRUE(answer) << "no answer pop-up";
  const std::vector<ShownWindow> windows = answerer.Windows();
  auto inPopup = [&](const std::string& text) {
    for (const ShownWindow& w : windows) {
      if (w.parent == answer->parent && w.text == text) return true;
    }
    return false;
  };
  EXPECT_TRUE(inPopup(ASKER.name)) << "the pop-up does not name the asker";
  EXPECT_TRUE(inPopup("家里有事")) << "the pop-up does not show the reason";
  ASSERT_TRUE(answerer.Click(*answer));

  const std::string outcome = std::string(ANSWERER.name) + GetParam().verb + ASKER.name + "的退出请求";
  EXPECT_TRUE(ChatShows(answerer, std::string(ASKER.name) + "请求退出"));
  EXPECT_TRUE(ChatShows(answerer, outcome)) << ChatText(answerer);
  EXPECT_TRUE(ChatShows(asker, std::string(ASKER.name) + "请求退出"));
  EXPECT_TRUE(ChatShows(asker, outcome)) << ChatText(asker);
  EXPECT_EQ(ASKER.userId, Server().Core().TableUsers(ROOM, TABLE)[ASKER.chair]);
}

INSTANTIATE_TEST_SUITE_P(AgreeOrRefuse, TwoClientsLeaveTest,
                         ::testing::Values(LeaveAnswer{"同意", "答应"}, LeaveAnswer{"拒绝", "拒绝"}),
                         [](const ::testing::TestParamInfo<LeaveAnswer>& info) {
                           return info.index == 0 ? std::string("Agree") : std::string("Refuse");
                         });

// The chat pane's face button opens the face picker with its bottom right corner on the
// button's top right corner; a face clicked there goes to the other client as a chat line.
TEST_F(TableProcessTest, AFaceClickedInThePickerReachesTheOtherClient) {
  AutomationClient& watcher = Launch(ASKER);
  AutomationClient& sender = Launch(ANSWERER);
  uint32_t pane = 0;
  for (const ShownWindow& w : sender.Windows()) {
    if (w.visible && w.id == 1005) pane = w.parent;  // the chat display
  }
  ASSERT_NE(0u, pane) << "no chat pane";
  std::optional<ShownWindow> button = sender.WaitForWindow(
      [&](const ShownWindow& w) { return w.parent == pane && w.id == 2 && w.visible; }, SEEN_MS);
  ASSERT_TRUE(button);
  EXPECT_GT(button->right - button->left, 0) << "the face button has no room";
  EXPECT_GT(button->bottom - button->top, 0) << "the face button has no room";
  ASSERT_TRUE(sender.Click(*button));
  std::optional<ShownWindow> picker = sender.WaitForWindow(
      [&](const ShownWindow& w) { return w.visible && w.right - w.left == 240 && w.bottom == button->top; }, SEEN_MS);
  ASSERT_TRUE(picker) << "the face picker did not open";
  EXPECT_EQ(button->right, picker->right);
  EXPECT_EQ(button->top, picker->bottom);
  std::optional<ShownWindow> face = sender.WaitForWindow(
      [&](const ShownWindow& w) { return w.parent == picker->handle && w.visible; }, SEEN_MS);
  ASSERT_TRUE(face);
  EXPECT_EQ(face->handle, sender.At(face->CenterX(), face->CenterY())) << "the face is covered";
  ASSERT_TRUE(sender.Click(*face));
  EXPECT_TRUE(ChatShows(sender, "我说：")) << ChatText(sender);
  EXPECT_TRUE(ChatShows(watcher, std::string(ANSWERER.name) + "说：")) << ChatText(watcher);
  EXPECT_FALSE(sender.WaitForWindow([&](const ShownWindow& w) { return w.handle == picker->handle && w.visible; }, 0))
      << "the picker stayed open";
}

// An onlooker of the first player asks to see his tiles (the hall has told the player of the
// onlooker); the player agrees in his pop-up, and the answer and the tiles reach the onlooker.
TEST_F(TableProcessTest, AnOnlookersRequestToSeeTheTilesIsAnsweredInThePlayersPopup) {
  AutomationClient& player = Launch(ASKER);
  Launch(ANSWERER);
  DealAHand();
  constexpr int WATCHER = 3003;
  const requestbodies::Seat seat{WATCHER, ROOM, TABLE, ASKER.chair};
  testsupport::ScriptedClient onlooker;
  ASSERT_TRUE(onlooker.Connect(static_cast<uint16_t>(Server().Port())));
  ASSERT_EQ(testbed::RESULT_SUCCESS, onlooker.Ask(testbed::REQ_VERSION, {}).result);
  ASSERT_EQ(testbed::RESULT_ENTERED_WITH_PLAYERS,
            onlooker.Ask(testbed::REQ_ENTER, requestbodies::Enter(seat, true, "王五")).result);
  testbed::HallPlayer watcher;
  watcher.userId = WATCHER;
  watcher.name = "王五";
  watcher.table = TABLE;
  watcher.chair = ASKER.chair;
  watcher.lookOn = 1;
  ASSERT_TRUE(m_halls[0]->SendOnlooker(watcher));
  ASSERT_EQ(testbed::RESULT_SUCCESS, onlooker.Ask(testbed::REQ_SEE_HAND, requestbodies::Common(seat)).result);

  // The pop-up is 160 x 80 pixels at 96 pixels per inch.
  std::optional<ShownWindow> agree = PopupLabel(player, "同意", 80);
  ASSERT_TRUE(agree) << "no pop-up asks the player";
  bool named = false;
  for (const ShownWindow& w : player.Windows()) named = named || (w.parent == agree->parent && w.text == "王五");
  EXPECT_TRUE(named) << "the pop-up does not name the onlooker";
  ASSERT_TRUE(player.Click(*agree));

  testsupport::ScriptedClient::Bytes shown;
  ASSERT_TRUE(onlooker.NextOf(testbed::NTF_HAND_SHOWN, &shown, SEEN_MS)) << "the answer did not reach the onlooker";
  ASSERT_GE(shown.size(), 24u);
  EXPECT_EQ(WATCHER, static_cast<int>(shown[16] | shown[17] << 8 | shown[18] << 16 | shown[19] << 24));
  EXPECT_EQ(1, shown[20]);
  testsupport::ScriptedClient::Bytes tiles;
  EXPECT_TRUE(onlooker.NextOf(testbed::NTF_HAND_REFRESH, &tiles, SEEN_MS)) << "the tiles did not follow";
  EXPECT_TRUE(ChatShows(player, std::string(ASKER.name) + "允许王五看牌")) << ChatText(player);
}

// The same from an onlooker's own client: his see-tiles button at the bottom left of the table
// asks, and the player's agreement comes back to his chat.
TEST_F(TableProcessTest, AnOnlookersClientAsksToSeeTheTilesAndHearsTheAnswer) {
  AutomationClient& player = Launch(ASKER);
  Launch(ANSWERER);
  DealAHand();
  const Player watcher{3003, ASKER.chair, "王五"};
  AutomationClient& onlooker = Launch(watcher, true);
  testbed::HallPlayer record;
  record.userId = watcher.userId;
  record.name = watcher.name;
  record.table = TABLE;
  record.chair = watcher.chair;
  record.lookOn = 1;
  ASSERT_TRUE(m_halls[0]->SendOnlooker(record));
  std::optional<ShownWindow> table =
      onlooker.WaitForWindow([](const ShownWindow& w) { return w.visible && w.className == "PxqdTableView"; }, SEEN_MS);
  ASSERT_TRUE(table);
  // The button is centred 50 pixels from the table's left edge and 16 above its bottom; it
  // shows once the onlooker's client knows that a hand runs, so it is clicked until the player
  // is asked.
  std::optional<ShownWindow> agree;
  ASSERT_TRUE(AutomationClient::WaitUntil(
      [&] {
        onlooker.Click(table->left + 50, table->bottom - 16);
        return player.WaitForWindow(testsupport::VisibleWithText("同意"), 3000).has_value();
      },
      SEEN_MS))
      << "the player was not asked";
  agree = PopupLabel(player, "同意", 80);
  ASSERT_TRUE(agree);
  ASSERT_TRUE(player.Click(*agree));
  const std::string line = std::string(ASKER.name) + "允许" + watcher.name + "看牌";
  EXPECT_TRUE(ChatShows(onlooker, line)) << ChatText(onlooker);
  EXPECT_TRUE(ChatShows(player, line)) << ChatText(player);
}

}  // namespace
