// The game client as its own process: the hall stand-in launches build/bin/pxqd headless
// against a game server of the test's own; the client announces its window, takes the session
// data, enters the table in its chair, and reports its exit to the hall when it is closed.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdlib>
#include <functional>
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
#include "testbed/table/HandEndLines.h"
#include "testbed/table/MahjongTableGame.h"
#include "testbed/table/TableCodes.h"
#include "tests/support/ClientTableFixture.h"

namespace {

using json = nlohmann::json;

constexpr int WAIT_MS = testsupport::PROCESS_WAIT_MS;

class PxqdProcessTest : public testsupport::ClientTableFixture {
 protected:
  void SetUp() override {
    ClientTableFixture::SetUp();
    ASSERT_TRUE(StartServer());
    m_options = ClientOptions("pxqd", 12, 3, 1, 1001);
  }

  testbed::HallOptions m_options;
};

TEST_F(PxqdProcessTest, EntersTheTableAndReportsItsExit) {
  testbed::HallStandIn* hall = Launch(m_options);
  ASSERT_NE(hall, nullptr);
  testbed::HallEvent announced;
  ASSERT_TRUE(hall->WaitForEvent("game-window", WAIT_MS, &announced)) << "the client announced no window";
  EXPECT_EQ(3, static_cast<int>(announced.lParam));
  ASSERT_TRUE(hall->WaitForEvent("session-sent", WAIT_MS));
  ASSERT_TRUE(WaitForSeat(12, 3, 1, 1001)) << "the client did not enter the table";
  PostMessageA(hall->GameWindow(), WM_CLOSE, 0, 0);
  testbed::HallEvent report;
  ASSERT_TRUE(hall->WaitForEvent("exit-report", WAIT_MS, &report));
  EXPECT_EQ(1001, report.exit.userId);
  EXPECT_EQ(3, report.exit.table);
  EXPECT_EQ(1, report.exit.chair);
  EXPECT_EQ(0, report.exit.exitKind);
  const int code = WaitForExit(*hall);
  ASSERT_NE(code, -1) << "the client did not end";
  EXPECT_EQ(0, code);
  // Its log in the user's data folder tells how it reached the table.
  const std::string log = ClientLog();
  const std::string port = std::to_string(Server().Port());
  EXPECT_NE(log.find("connected to the game server 127.0.0.1:" + port), std::string::npos) << log;
  EXPECT_NE(log.find("entered room 12 table 3 chair 1"), std::string::npos) << log;
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
  std::array<std::vector<std::string>, 4> tableLines;  // each client's table at each hand's end
};

// How a run bends the server's replies, and the clients' clock with it.
struct FourClientFaults {
  std::function<void(const testbed::Request&, testbed::Reply*)> replies;
  // The clients' clocks (their countdown and their requests' time-outs) run this many times as
  // fast as the real one, as the server's does; 0 keeps the real clock and a fast countdown.
  int clientClockScale = 0;
};

class PxqdFourClients : public testsupport::ClientTableFixture {
 protected:
  FourClientRun PlayFourClients(int hands, bool recordSteps, const FourClientFaults& faults = {});

  // The table's hand log; the server writes to it until it stops at the end of the test.
  std::mutex m_logLock;
  std::vector<json> m_handLog;
};

FourClientRun PxqdFourClients::PlayFourClients(int hands, bool recordSteps, const FourClientFaults& faults) {
  constexpr int HAND_LIMIT_MS = 180000;
  FourClientRun run;
  m_env.Set("PXQD_HEADLESS_HANDS", std::to_string(hands));
  m_env.Set("PXQD_HEADLESS_SEATS", "4");
  if (faults.clientClockScale > 0) {
    m_env.Set("PXQD_CLOCK_SCALE", std::to_string(faults.clientClockScale));
  } else {
    m_env.Set("PXQD_HEADLESS_TICK_MS", "50");
  }

  testbed::ServerConfig config;
  auto clock = std::make_shared<testbed::ScaledClock>(20);
  config.clock = [clock] { return clock->Now(); };
  config.tickGivenClock = true;
  config.tableGames = [this](int32_t room, int32_t table) {
    testbed::TableConfig tableConfig;
    tableConfig.seed = 7;
    return std::make_unique<testbed::MahjongTableGame>(room, table, tableConfig, [this](const std::string& line) {
      std::lock_guard<std::mutex> g(m_logLock);
      m_handLog.push_back(json::parse(line));
    });
  };
  if (!StartServer(std::move(config))) {
    run.allExited = false;
    return run;
  }
  if (faults.replies) Server().SetReplyFilter(faults.replies);

  // The clients write their summary lines to their standard output, kept in one file.
  const std::string summary = m_dir.File("summary.txt");
  std::vector<testbed::HallStandIn*> halls;
  for (int chair = 0; chair < 4; ++chair) {
    testbed::HallOptions options = ClientOptions("pxqd", 12, 3, chair, 2001 + chair, "hall" + std::to_string(chair));
    if (recordSteps) m_env.Set("PXQD_TABLE_STEPS", m_dir.File("steps" + std::to_string(chair)));
    // Only the lines are read: pictures of every step of four clients would slow the hands.
    if (recordSteps) m_env.Set("PXQD_TABLE_STEPS_PICTURES", "0");
    m_env.Set("PXQD_TABLE_DUMP", m_dir.File("table" + std::to_string(chair) + ".txt"));
    testbed::HallStandIn* hall = Launch(options, summary);
    EXPECT_NE(hall, nullptr) << "chair " << chair;
    if (hall == nullptr) break;
    halls.push_back(hall);
    EXPECT_TRUE(hall->WaitForEvent("session-sent", WAIT_MS)) << "chair " << chair;
  }
  m_env.Unset("PXQD_TABLE_STEPS");
  m_env.Unset("PXQD_TABLE_STEPS_PICTURES");
  m_env.Unset("PXQD_TABLE_DUMP");
  m_env.Unset("PXQD_CLOCK_SCALE");
  run.allExited = halls.size() == 4;

  for (testbed::HallStandIn* hall : halls) {
    const int code = WaitForExit(*hall, HAND_LIMIT_MS);
    if (code == -1) {
      run.allExited = false;
      continue;
    }
    run.exitCodes.push_back(static_cast<DWORD>(code));
  }
  run.summary = testsupport::TempDir::Read(summary);
  for (int chair = 0; chair < 4; ++chair) {
    std::istringstream lines(testsupport::TempDir::Read(m_dir.File("table" + std::to_string(chair) + ".txt")));
    for (std::string line; std::getline(lines, line);)
      if (!line.empty()) run.tableLines[static_cast<size_t>(chair)].push_back(line);
  }
  {
    std::lock_guard<std::mutex> g(m_logLock);
    run.handLog = m_handLog;
  }
  for (const std::string& line : Server().Core().LogLines()) {
    if (line.find("refused with") != std::string::npos) run.serverRefusals.push_back(line);
  }
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
TEST_F(PxqdFourClients, PlayAWholeHandInManagedPlay) {
  const FourClientRun run = PlayFourClients(1, false);
  for (const std::string& line : run.serverRefusals) ADD_FAILURE() << line;
  ASSERT_TRUE(run.allExited) << "a client did not finish its hand: " << run.summary;
  for (DWORD code : run.exitCodes) EXPECT_EQ(0u, code);
  EXPECT_EQ(4, SummaryLines(run.summary, "hands 1 refused 0")) << run.summary;
  EXPECT_EQ(0u, run.serverRefusals.size());
}

// A claim's meld reaches its claimer only in the answer to its claim: when that answer comes after
// the request gave up waiting, the claimer asks for the table again at once and ends the hand
// with its meld laid, as the server and the other clients have it.
TEST_F(PxqdFourClients, AClaimerWhoseMeldAnswerCameTooLateEndsTheHandWithItsMeld) {
  constexpr int CLOCK_SCALE = 20;
  auto late = std::make_shared<std::atomic<int>>(0);
  FourClientFaults faults;
  faults.clientClockScale = CLOCK_SCALE;
  faults.replies = [late](const testbed::Request& request, testbed::Reply* reply) {
    const int code = static_cast<int>(request.code);
    const bool meld = code == testbed::REQ_PENG_MELD || code == testbed::REQ_CHI_MELD;
    // Four times the client's time-out for a game request (10 s of its clock).
    if (meld && reply->result == testbed::RESULT_SUCCESS) {
      reply->delayMs = 4 * 10000 / CLOCK_SCALE;
      ++*late;
    }
  };
  const FourClientRun run = PlayFourClients(2, false, faults);
  ASSERT_TRUE(run.allExited) << "a client did not finish its hands: " << run.summary;
  ASSERT_GT(late->load(), 0) << "no peng or chi was made: the hands do not show what this test is about";
  testbed::HandEndLines ends;
  for (const json& line : run.handLog) ends.Feed(line.dump());
  for (int chair = 0; chair < 4; ++chair) {
    SCOPED_TRACE(chair);
    const auto& lines = run.tableLines[static_cast<size_t>(chair)];
    EXPECT_EQ(2u, lines.size());
    const testbed::HandEndLines::Comparison c = ends.Compare(lines);
    EXPECT_EQ(0, c.differing + c.unknown);
    for (const std::string& note : c.notes) ADD_FAILURE() << note;
  }
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
TEST_F(PxqdFourClients, EachHandEndsInItsSettlementAndTheNextHandFollows) {
  constexpr int HANDS = 2;
  const FourClientRun run = PlayFourClients(HANDS, true);
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
    std::ifstream in(m_dir.File("steps" + std::to_string(chair)) + "/steps.txt");
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
