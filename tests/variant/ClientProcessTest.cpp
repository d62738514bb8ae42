// The game client as its own process: the hall stand-in launches build/bin/pxqd headless
// against a game server of the test's own; the client announces its window, takes the session
// data, enters the table in its chair, and reports its exit to the hall when it is closed.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "platform/kernel/Kernel.h"
#include "platform/kernel/Process.h"
#include "platform/user/User.h"
#include "testbed/hall/HallStandIn.h"
#include "testbed/server/GameServer.h"
#include "testbed/server/ScaledClock.h"
#include "testbed/table/MahjongTableGame.h"
#include "tests/support/TempDir.h"

namespace {

constexpr DWORD WAIT_MS = 30000;

class PxqdProcessTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_linkDir = new testsupport::TempDir();
    setenv("PXQD_HALL_DIR", s_linkDir->Path().c_str(), 1);
  }
  static void TearDownTestSuite() {
    unsetenv("PXQD_HALL_DIR");
    delete s_linkDir;
    s_linkDir = nullptr;
  }
  void SetUp() override {
    setenv("PXQD_SYSTEM_DIR", m_dir.Path().c_str(), 1);
    setenv("XDG_DATA_HOME", m_dir.File("data").c_str(), 1);
    setenv("PXQD_DISPLAY", "headless", 1);
    setenv("PXQD_AUDIO", "null", 1);
    std::string error;
    ASSERT_TRUE(m_server.Start(m_dir.File("accounts.db"), 0, &error)) << error;
    m_options.hallDir = m_dir.File("hall");
    m_options.clientPath = std::string(PXQD_BIN_DIR) + "/pxqd";
    m_options.serverPort = m_server.Port();
    m_options.gameId = 7;
    m_options.roomId = 12;
    m_options.userId = 1001;
    m_options.table = 3;
    m_options.chair = 1;
    m_options.gameName = "麻将";
  }
  void TearDown() override {
    if (m_hall != nullptr) {
      HANDLE client = m_hall->ClientProcess();
      if (client != nullptr && WaitForSingleObject(client, 0) == WAIT_TIMEOUT) TerminateProcess(client, 1);
      m_hall->Stop();
    }
    m_hall.reset();
    m_server.Stop();
    unsetenv("PXQD_SYSTEM_DIR");
    unsetenv("XDG_DATA_HOME");
  }
  // Polls the server (the seat shows up when the client's enter request has been answered).
  bool WaitForSeat(int userId) {
    for (DWORD waited = 0; waited < WAIT_MS; waited += 50) {
      if (m_server.Core().TableUsers(12, 3)[1] == userId) return true;
      Sleep(50);
    }
    return false;
  }

  static testsupport::TempDir* s_linkDir;
  testsupport::TempDir m_dir;
  testbed::GameServer m_server;
  testbed::HallOptions m_options;
  std::unique_ptr<testbed::HallStandIn> m_hall;
};

testsupport::TempDir* PxqdProcessTest::s_linkDir = nullptr;

TEST_F(PxqdProcessTest, EntersTheTableAndReportsItsExit) {
  m_hall = std::make_unique<testbed::HallStandIn>(m_options);
  ASSERT_TRUE(m_hall->Start());
  ASSERT_TRUE(m_hall->StartClient());
  testbed::HallEvent announced;
  ASSERT_TRUE(m_hall->WaitForEvent("game-window", WAIT_MS, &announced)) << "the client announced no window";
  EXPECT_EQ(3, static_cast<int>(announced.lParam));
  ASSERT_TRUE(m_hall->WaitForEvent("session-sent", WAIT_MS));
  ASSERT_TRUE(WaitForSeat(1001)) << "the client did not enter the table";
  PostMessageA(m_hall->GameWindow(), WM_CLOSE, 0, 0);
  testbed::HallEvent report;
  ASSERT_TRUE(m_hall->WaitForEvent("exit-report", WAIT_MS, &report));
  EXPECT_EQ(1001, report.exit.userId);
  EXPECT_EQ(3, report.exit.table);
  EXPECT_EQ(1, report.exit.chair);
  EXPECT_EQ(0, report.exit.exitKind);
  HANDLE client = m_hall->ClientProcess();
  ASSERT_EQ(WaitForSingleObject(client, WAIT_MS), WAIT_OBJECT_0);
  DWORD code = 1;
  GetExitCodeProcess(client, &code);
  EXPECT_EQ(0u, code);
  // Its log in the user's data folder tells how it reached the table.
  std::ifstream in(m_dir.File("data/pxqd/logs/client.log"));
  std::stringstream log;
  log << in.rdbuf();
  const std::string port = std::to_string(m_server.Port());
  EXPECT_NE(log.str().find("connected to the game server 127.0.0.1:" + port), std::string::npos) << log.str();
  EXPECT_NE(log.str().find("entered room 12 table 3 chair 1"), std::string::npos) << log.str();
}

// Four clients, one per chair, play a whole hand against each other in managed play, headless:
// every one reports its hand and no refused request, and the server refused none either. The
// server's clock and the clients' countdown both run fast; the limits are generous, so a busy
// machine only makes the hand take longer.
TEST(PxqdFourClients, PlayAWholeHandInManagedPlay) {
  constexpr DWORD HAND_LIMIT_MS = 180000;
  testsupport::TempDir dir;
  testsupport::TempDir links;
  setenv("PXQD_HALL_DIR", links.Path().c_str(), 1);
  setenv("PXQD_SYSTEM_DIR", dir.Path().c_str(), 1);
  setenv("XDG_DATA_HOME", dir.File("data").c_str(), 1);
  setenv("PXQD_DISPLAY", "headless", 1);
  setenv("PXQD_AUDIO", "null", 1);
  setenv("PXQD_HEADLESS_HANDS", "1", 1);
  setenv("PXQD_HEADLESS_SEATS", "4", 1);
  setenv("PXQD_HEADLESS_TICK_MS", "50", 1);

  testbed::ServerConfig config;
  auto clock = std::make_shared<testbed::ScaledClock>(20);
  config.clock = [clock] { return clock->Now(); };
  config.tickGivenClock = true;
  config.tableGames = [](int32_t room, int32_t table) {
    testbed::TableConfig tableConfig;
    tableConfig.seed = 7;
    return std::make_unique<testbed::MahjongTableGame>(room, table, tableConfig);
  };
  testbed::GameServer server(std::move(config));
  std::string error;
  ASSERT_TRUE(server.Start(dir.File("accounts.db"), 0, &error)) << error;

  // The clients write their summary lines to the test's standard output: it goes to a file
  // while they are started, so that they inherit it.
  const std::string summary = dir.File("summary.txt");
  fflush(stdout);
  const int saved = dup(1);
  const int file = open(summary.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
  ASSERT_GE(file, 0);
  std::vector<std::unique_ptr<testbed::HallStandIn>> halls;
  for (int chair = 0; chair < 4; ++chair) {
    testbed::HallOptions options;
    options.hallDir = dir.File("hall" + std::to_string(chair));
    options.clientPath = std::string(PXQD_BIN_DIR) + "/pxqd";
    options.serverPort = server.Port();
    options.gameId = 7;
    options.roomId = 12;
    options.userId = 2001 + chair;
    options.table = 3;
    options.chair = chair;
    options.gameName = "麻将";
    halls.push_back(std::make_unique<testbed::HallStandIn>(options));
    ASSERT_TRUE(halls.back()->Start());
    dup2(file, 1);
    const bool started = halls.back()->StartClient();
    dup2(saved, 1);
    ASSERT_TRUE(started);
    ASSERT_TRUE(halls.back()->WaitForEvent("session-sent", WAIT_MS)) << "chair " << chair;
  }
  close(file);
  close(saved);

  bool allExited = true;
  for (auto& hall : halls) {
    HANDLE client = hall->ClientProcess();
    if (WaitForSingleObject(client, HAND_LIMIT_MS) != WAIT_OBJECT_0) {
      allExited = false;
      continue;
    }
    DWORD code = 1;
    GetExitCodeProcess(client, &code);
    EXPECT_EQ(0u, code);
  }
  for (auto& hall : halls) {
    HANDLE client = hall->ClientProcess();
    if (client != nullptr && WaitForSingleObject(client, 0) == WAIT_TIMEOUT) TerminateProcess(client, 1);
    hall->Stop();
  }
  std::ifstream in(summary);
  std::stringstream text;
  text << in.rdbuf();
  int refusals = 0;
  for (const std::string& line : server.Core().LogLines()) {
    if (line.find("refused with") != std::string::npos) {
      ++refusals;
      ADD_FAILURE() << line;
    }
  }
  server.Stop();
  unsetenv("PXQD_HEADLESS_HANDS");
  unsetenv("PXQD_HEADLESS_SEATS");
  unsetenv("PXQD_HEADLESS_TICK_MS");
  unsetenv("PXQD_SYSTEM_DIR");
  unsetenv("XDG_DATA_HOME");
  unsetenv("PXQD_HALL_DIR");
  ASSERT_TRUE(allExited) << "a client did not finish its hand: " << text.str();
  int summaries = 0;
  std::string line;
  std::istringstream lines(text.str());
  while (std::getline(lines, line)) summaries += line == "hands 1 refused 0" ? 1 : 0;
  EXPECT_EQ(4, summaries) << text.str();
  EXPECT_EQ(0, refusals);
}

}  // namespace
