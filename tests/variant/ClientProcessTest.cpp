// The game client as its own process: the hall stand-in launches build/bin/pxqd headless
// against a game server of the test's own; the client announces its window, takes the session
// data, enters the table in its chair, and reports its exit to the hall when it is closed.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/kernel/Kernel.h"
#include "platform/kernel/Process.h"
#include "platform/user/User.h"
#include "testbed/hall/HallStandIn.h"
#include "testbed/server/GameServer.h"
#include "testbed/server/ScaledClock.h"
#include "testbed/table/MahjongTableGame.h"
#include "tests/support/TempDir.h"

namespace {

using json = nlohmann::json;

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

// Four headless clients, one per chair, at one table of a server of the test's own: each plays
// `hands` hands in managed play and exits. The server's clock and the clients' countdown both run
// fast; the limits are generous, so a busy machine only makes the hands take longer. Each client
// records its table's steps in steps<chair>/ when asked; the table's hand log is kept.
struct FourClientRun {
  std::string summary;                     // the clients' summary lines
  std::vector<std::string> serverRefusals;  // the server's log lines of refused requests
  std::vector<json> handLog;
  bool allExited = true;
  std::vector<DWORD> exitCodes;
};

FourClientRun PlayFourClients(const testsupport::TempDir& dir, int hands, bool recordSteps) {
  constexpr DWORD HAND_LIMIT_MS = 180000;
  FourClientRun run;
  testsupport::TempDir links;
  setenv("PXQD_HALL_DIR", links.Path().c_str(), 1);
  setenv("PXQD_SYSTEM_DIR", dir.Path().c_str(), 1);
  setenv("XDG_DATA_HOME", dir.File("data").c_str(), 1);
  setenv("PXQD_DISPLAY", "headless", 1);
  setenv("PXQD_AUDIO", "null", 1);
  setenv("PXQD_HEADLESS_HANDS", std::to_string(hands).c_str(), 1);
  setenv("PXQD_HEADLESS_SEATS", "4", 1);
  setenv("PXQD_HEADLESS_TICK_MS", "50", 1);

  std::mutex logLock;
  testbed::ServerConfig config;
  auto clock = std::make_shared<testbed::ScaledClock>(20);
  config.clock = [clock] { return clock->Now(); };
  config.tickGivenClock = true;
  config.tableGames = [&run, &logLock](int32_t room, int32_t table) {
    testbed::TableConfig tableConfig;
    tableConfig.seed = 7;
    return std::make_unique<testbed::MahjongTableGame>(room, table, tableConfig, [&run, &logLock](const std::string& line) {
      std::lock_guard<std::mutex> g(logLock);
      run.handLog.push_back(json::parse(line));
    });
  };
  testbed::GameServer server(std::move(config));
  std::string error;
  if (!server.Start(dir.File("accounts.db"), 0, &error)) {
    ADD_FAILURE() << error;
    run.allExited = false;
    return run;
  }

  // The clients write their summary lines to the test's standard output: it goes to a file
  // while they are started, so that they inherit it.
  const std::string summary = dir.File("summary.txt");
  fflush(stdout);
  const int saved = dup(1);
  const int file = open(summary.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
  EXPECT_GE(file, 0);
  std::vector<std::unique_ptr<testbed::HallStandIn>> halls;
  for (int chair = 0; chair < 4 && file >= 0; ++chair) {
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
    if (recordSteps) setenv("PXQD_TABLE_STEPS", dir.File("steps" + std::to_string(chair)).c_str(), 1);
    // Only the lines are read: pictures of every step of four clients would slow the hands.
    if (recordSteps) setenv("PXQD_TABLE_STEPS_PICTURES", "0", 1);
    halls.push_back(std::make_unique<testbed::HallStandIn>(options));
    EXPECT_TRUE(halls.back()->Start());
    dup2(file, 1);
    const bool started = halls.back()->StartClient();
    dup2(saved, 1);
    EXPECT_TRUE(started) << "chair " << chair;
    EXPECT_TRUE(halls.back()->WaitForEvent("session-sent", WAIT_MS)) << "chair " << chair;
  }
  unsetenv("PXQD_TABLE_STEPS");
  unsetenv("PXQD_TABLE_STEPS_PICTURES");
  if (file >= 0) close(file);
  close(saved);

  for (auto& hall : halls) {
    HANDLE client = hall->ClientProcess();
    if (client == nullptr || WaitForSingleObject(client, HAND_LIMIT_MS) != WAIT_OBJECT_0) {
      run.allExited = false;
      continue;
    }
    DWORD code = 1;
    GetExitCodeProcess(client, &code);
    run.exitCodes.push_back(code);
  }
  for (auto& hall : halls) {
    HANDLE client = hall->ClientProcess();
    if (client != nullptr && WaitForSingleObject(client, 0) == WAIT_TIMEOUT) TerminateProcess(client, 1);
    hall->Stop();
  }
  std::ifstream in(summary);
  std::stringstream text;
  text << in.rdbuf();
  run.summary = text.str();
  for (const std::string& line : server.Core().LogLines()) {
    if (line.find("refused with") != std::string::npos) run.serverRefusals.push_back(line);
  }
  server.Stop();
  unsetenv("PXQD_HEADLESS_HANDS");
  unsetenv("PXQD_HEADLESS_SEATS");
  unsetenv("PXQD_HEADLESS_TICK_MS");
  unsetenv("PXQD_SYSTEM_DIR");
  unsetenv("XDG_DATA_HOME");
  unsetenv("PXQD_HALL_DIR");
  return run;
}

int SummaryLines(const std::string& summary, const std::string& wanted) {
  int count = 0;
  std::string line;
  std::istringstream lines(summary);
  while (std::getline(lines, line)) count += line == wanted ? 1 : 0;
  return count;
}

// Four clients play a whole hand against each other: every one reports its hand and no refused
// request, and the server refused none either.
TEST(PxqdFourClients, PlayAWholeHandInManagedPlay) {
  testsupport::TempDir dir;
  const FourClientRun run = PlayFourClients(dir, 1, false);
  for (const std::string& line : run.serverRefusals) ADD_FAILURE() << line;
  ASSERT_TRUE(run.allExited) << "a client did not finish its hand: " << run.summary;
  for (DWORD code : run.exitCodes) EXPECT_EQ(0u, code);
  EXPECT_EQ(4, SummaryLines(run.summary, "hands 1 refused 0")) << run.summary;
  EXPECT_EQ(0u, run.serverRefusals.size());
}

// The ids of a dotted list ("1.-2.3").
std::vector<int> Numbers(const std::string& dotted) {
  std::vector<int> out;
  std::stringstream in(dotted);
  std::string part;
  while (std::getline(in, part, '.')) out.push_back(std::atoi(part.c_str()));
  return out;
}

std::string Value(const std::string& line, const std::string& key) {
  const size_t at = line.find(" " + key + "=");
  if (at == std::string::npos) return std::string();
  const size_t begin = at + key.size() + 2;
  return line.substr(begin, line.find(' ', begin) - begin);
}

// Several hands in a row: after every hand each client shows its settlement with the record
// board already holding that hand's silver (the server's result for each chair), the settlement
// closes by itself, and the next hand follows it; the board's totals grow by each hand.
TEST(PxqdFourClients, EachHandEndsInItsSettlementAndTheNextHandFollows) {
  constexpr int HANDS = 2;
  testsupport::TempDir dir;
  const FourClientRun run = PlayFourClients(dir, HANDS, true);
  ASSERT_TRUE(run.allExited) << "a client did not finish its hands: " << run.summary;
  for (DWORD code : run.exitCodes) EXPECT_EQ(0u, code);
  // (A play request that a busy machine sends too late may be refused; that is not what this
  // test is about.)
  int summaries = 0;
  std::istringstream summaryLines(run.summary);
  for (std::string line; std::getline(summaryLines, line);)
    summaries += line.rfind("hands " + std::to_string(HANDS) + " refused ", 0) == 0 ? 1 : 0;
  EXPECT_EQ(4, summaries) << run.summary;

  std::vector<std::vector<int>> results;
  for (const json& e : run.handLog) {
    if (e.value("ev", "") != "result") continue;
    // The chairs' silver first (the record has room for more chairs than the table has).
    std::vector<int> silver = e.at("silver").get<std::vector<int>>();
    silver.resize(4);
    results.push_back(silver);
  }
  ASSERT_GE(results.size(), static_cast<size_t>(HANDS));

  for (int chair = 0; chair < 4; ++chair) {
    SCOPED_TRACE("client of chair " + std::to_string(chair));
    std::ifstream in(dir.File("steps" + std::to_string(chair)) + "/steps.txt");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    std::string all;
    for (const std::string& line : lines) all += line.substr(0, 160) + "\n";
    // The settlement's lines in order, and for each closing whether a hand was dealt after it.
    int opens = 0, closes = 0;
    bool open = false;
    std::vector<int> previousTotal;
    std::vector<bool> playedAfterClose;
    for (const std::string& line : lines) {
      if (line.rfind("dialog settlement open", 0) == 0) {
        EXPECT_FALSE(open) << "opened twice without closing";
        open = true;
        ++opens;
        const std::vector<int> last = Numbers(Value(line, "last"));
        const std::vector<int> total = Numbers(Value(line, "total"));
        ASSERT_EQ(last.size(), 4u) << line;
        ASSERT_EQ(total.size(), 4u) << line;
        if (static_cast<size_t>(opens) <= results.size()) {
          EXPECT_EQ(last, results[static_cast<size_t>(opens - 1)]) << "hand " << opens << ": " << line;
        }
        if (!previousTotal.empty()) {
          for (size_t c = 0; c < 4; ++c) EXPECT_EQ(total[c], previousTotal[c] + last[c]) << "chair " << c << ": " << line;
        }
        previousTotal = total;
      } else if (line == "dialog settlement closed") {
        EXPECT_TRUE(open) << "closed without being open";
        open = false;
        ++closes;
        playedAfterClose.push_back(false);
      } else if (!playedAfterClose.empty() && line.find(" playing=1 ") != std::string::npos) {
        playedAfterClose.back() = true;
      }
      if (open && line.find(" playing=1 ") != std::string::npos) ADD_FAILURE() << "a hand dealt over the settlement";
    }
    EXPECT_EQ(opens, HANDS) << all;
    EXPECT_EQ(closes, HANDS) << all;
    // Every settlement but the last one is followed by the next hand.
    for (size_t k = 0; k + 1 < playedAfterClose.size(); ++k) EXPECT_TRUE(playedAfterClose[k]) << "after hand " << k + 1;
  }
}

}  // namespace
