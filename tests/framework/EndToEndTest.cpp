// The test client as its own process, started by the hall stand-in and playing against the
// testbed game server, both in this process. The client greets, passes the version check, takes
// the session data, enters the table, sends a chat line and receives it back, and ends with its
// exit report; the same through a SOCKS5 proxy chosen by the hall ini; a server that drops the
// connection in the middle of a game gets exit report 5; a hall that goes away ends the client
// within about a second and without a report.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/kernel/Kernel.h"
#include "platform/kernel/Process.h"
#include "platform/user/User.h"
#include "testbed/hall/HallStandIn.h"
#include "testbed/server/GameServer.h"
#include "tests/support/ClientTableFixture.h"
#include "tests/support/LoopbackTools.h"

namespace {

constexpr int WAIT_MS = testsupport::PROCESS_WAIT_MS;

class EndToEndTest : public testsupport::ClientTableFixture {
 protected:
  void SetUp() override {
    ClientTableFixture::SetUp();
    ASSERT_TRUE(StartServer());
    m_options = ClientOptions("pxqd-testclient", 12, 5, 2, 1001);
    m_options.gameName = "测试";
  }

  // The hall starts the client, which announces its window, takes the session data and enters.
  void EnterTheTable() {
    m_hall = Launch(m_options);
    ASSERT_NE(m_hall, nullptr);
    testbed::HallEvent announced;
    ASSERT_TRUE(m_hall->WaitForEvent("game-window", WAIT_MS, &announced)) << "the client announced no window";
    EXPECT_EQ(5, static_cast<int>(announced.lParam)) << "the game window goes with the table number";
    ASSERT_TRUE(m_hall->WaitForEvent("session-sent", WAIT_MS));
    // The client tells the hall once the enter request has been answered and its panes updated.
    ASSERT_TRUE(WaitForText(1, "entered")) << "the client did not enter the table";
    EXPECT_EQ(1001, Server().Core().TableUsers(12, 5)[2]);
  }

  // Waits for the text record; records of other texts that come first are kept for later waits.
  bool WaitForText(int value, const std::string& text) {
    for (;;) {
      for (size_t i = 0; i < m_texts.size(); ++i) {
        if (m_texts[i].value == value && m_texts[i].text == text) {
          m_texts.erase(m_texts.begin() + static_cast<long>(i));
          return true;
        }
      }
      testbed::HallEvent event;
      if (!m_hall->WaitForEvent("text-record", WAIT_MS, &event)) return false;
      m_texts.push_back(event.text);
    }
  }

  void ChatAndCloseNormally() {
    ASSERT_TRUE(WaitForText(2, "chat:1001:你好")) << "the chat line did not come back";
    PostMessageA(m_hall->GameWindow(), WM_CLOSE, 0, 0);
    testbed::HallEvent report;
    ASSERT_TRUE(m_hall->WaitForEvent("exit-report", WAIT_MS, &report));
    EXPECT_EQ(2, static_cast<int>(report.lParam));
    EXPECT_EQ(1001, report.exit.userId);
    EXPECT_EQ(5, report.exit.table);
    EXPECT_EQ(2, report.exit.chair);
    EXPECT_EQ(7, report.exit.gameId);
    EXPECT_EQ(0, report.exit.exitKind);
    EXPECT_EQ(0, WaitForExit(*m_hall));
  }

  testbed::HallOptions m_options;
  testbed::HallStandIn* m_hall = nullptr;
  std::vector<testbed::TextRecord> m_texts;
};

TEST_F(EndToEndTest, EntersChatsAndReportsItsExit) {
  m_env.Set("PXQD_TESTCLIENT_SAY", "你好");
  EnterTheTable();
  ChatAndCloseNormally();
}

TEST_F(EndToEndTest, ThroughASocks5ProxyChosenByTheHallIni) {
  const uint16_t port = testsupport::FreeLoopbackPort();
  testsupport::ChildProcess proxy({"microsocks", "-i", "127.0.0.1", "-p", std::to_string(port), "-u", "player", "-P",
                                   "secret"},
                                  port);
  ASSERT_TRUE(proxy.Running()) << "microsocks did not start";
  m_options.proxyNeed = 1;
  m_options.proxySock = 3;
  m_options.proxyHost = "127.0.0.1";
  m_options.proxyPort = port;
  m_options.proxyUser = "player";
  m_options.proxyPassword = "secret";
  m_env.Set("PXQD_TESTCLIENT_SAY", "你好");
  EnterTheTable();
  ChatAndCloseNormally();
}

TEST_F(EndToEndTest, ServerDropInTheMiddleOfAGameReportsKindFive) {
  m_env.Set("PXQD_TESTCLIENT_PLAY", "1");
  EnterTheTable();
  Server().Wire().CloseSession(Server().Wire().LastSession());
  ASSERT_TRUE(WaitForText(3, "connection lost"));
  // The player closes the lost-connection box, which closes the game.
  PostMessageA(m_hall->GameWindow(), WM_CLOSE, 0, 0);
  testbed::HallEvent report;
  ASSERT_TRUE(m_hall->WaitForEvent("exit-report", WAIT_MS, &report));
  EXPECT_EQ(5, static_cast<int>(report.lParam));
  EXPECT_NE(0, report.exit.exitKind);
  EXPECT_EQ(0, WaitForExit(*m_hall));
}

TEST_F(EndToEndTest, AHallThatGoesEndsTheClientWithoutAReport) {
  EnterTheTable();
  m_hall->Stop();
  EXPECT_EQ(0, WaitForExit(*m_hall, 10000)) << "the client still runs after the hall went";
  EXPECT_FALSE(m_hall->WaitForEvent("exit-report", 0));
}

}  // namespace
