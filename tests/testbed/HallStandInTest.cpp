#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/base/Gbk.h"
#include "platform/kernel/Kernel.h"
#include "platform/user/User.h"
#include "testbed/hall/HallStandIn.h"
#include "tests/support/Program.h"
#include "tests/support/TempDir.h"

namespace {

const DWORD GENEROUS_MS = 60000;  // only bounds a failure

std::string ReadIni(const std::string& file, const char* section, const char* key) {
  char buffer[512] = {};
  GetPrivateProfileStringA(section, key, "(missing)", buffer, sizeof buffer, Utf8ToGbk(file).c_str());
  return buffer;
}

// Each test gets its own settings folder and hall folder, which its child processes inherit.
class HallStandIn : public ::testing::Test {
 protected:
  void SetUp() override {
    m_env.Set("PXQD_SYSTEM_DIR", m_dir.File("system"));
    m_env.Set("PXQD_HALL_DIR", m_dir.File("windows"));
    m_env.Set("PXQD_FAKE_CLIENT_REPORT", m_dir.File("client.txt"));
    m_env.Unset("PXQD_FAKE_CLIENT_SHORT");
    m_options.hallDir = m_dir.File("hall");
    m_options.clientPath = PXQD_FAKE_CLIENT;
    m_options.serverPort = 31999;
    m_options.proxyNeed = 1;
    m_options.proxyHost = "127.0.0.1";
    m_options.proxyPort = 1081;
    m_options.proxySock = 5;
    m_options.userId = 1001;
    m_options.table = 4;
    m_options.chair = 2;
    m_options.room.name = "新手房";
    m_options.sendLimitMs = GENEROUS_MS;  // a slow machine must not make a record miss the client
    testbed::HallPlayer other;
    other.userId = 2002;
    other.chair = 0;
    m_options.otherSeats.push_back(other);
  }
  std::string ClientReport() const { return testsupport::TempDir::Read(m_dir.File("client.txt")); }

  testsupport::TempDir m_dir;
  testsupport::ScopedEnvironment m_env;
  testbed::HallOptions m_options;
};

TEST_F(HallStandIn, WritesTheFilesTheClientReads) {
  testbed::HallStandIn hall(m_options);
  ASSERT_TRUE(hall.Start());
  ASSERT_TRUE(IsWindow(hall.Window()));
  EXPECT_EQ(hall.Window(), FindWindowA("ZuzaRuziFrame", nullptr));

  EXPECT_EQ(m_dir.File("system") + "/kmvt.ini", hall.SharedSettingsPath());
  EXPECT_EQ(m_dir.File("hall") + "/pxqd-hall", ReadIni(hall.SharedSettingsPath(), "SYSTEM", "ExePath"));
  struct Case {
    std::string file;
    const char* section;
    const char* key;
    const char* value;
  };
  const Case cases[] = {
      {hall.HallIniPath(), "PROXY", "Need", "1"},
      {hall.HallIniPath(), "PROXY", "Host", "127.0.0.1"},
      {hall.HallIniPath(), "PROXY", "Port", "1081"},
      {hall.HallIniPath(), "PROXY", "Sock", "5"},
      {hall.HallIniPath(), "PROXY", "User", ""},
      {hall.UserFilePath(), "PLAYER", "FriendColor", "8421440"},
      {hall.UserFilePath(), "PLAYER", "UnwelcomeColor", "3158064"},
      {hall.UserFilePath(), "FIXDEPOSIT", "Fix5", "30000"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.value, ReadIni(c.file, c.section, c.key)) << c.section << " " << c.key;
  EXPECT_EQ(m_dir.File("hall") + "/users/1001.dat", hall.UserFilePath());

  const std::string window = std::to_string(reinterpret_cast<uintptr_t>(hall.Window()));
  EXPECT_EQ("\"1|127.0.0.1|1|" + window + "|0|1001|4|2|0|0|麻将|31999|0|0|0\"", hall.LaunchLine());
  hall.Stop();
  EXPECT_FALSE(IsWindow(hall.Window()));
}

TEST_F(HallStandIn, WholeLinkWithAClientProcess) {
  testbed::HallStandIn hall(m_options);
  ASSERT_TRUE(hall.Start());
  ASSERT_TRUE(hall.StartClient());
  testbed::HallEvent e;
  ASSERT_TRUE(hall.WaitForEvent("game-window", GENEROUS_MS, &e));
  EXPECT_EQ(4, e.lParam);  // the table
  ASSERT_TRUE(hall.WaitForEvent("session-sent", GENEROUS_MS));

  testbed::HallPlayer watcher;
  watcher.userId = 3003;
  watcher.name = "观众";
  EXPECT_TRUE(hall.SendOnlooker(watcher));
  EXPECT_TRUE(hall.SendPlayerQuit(2002, 0));

  ASSERT_TRUE(hall.WaitForEvent("sign-query", GENEROUS_MS));
  ASSERT_TRUE(hall.WaitForEvent("sign-answer", GENEROUS_MS));
  ASSERT_TRUE(hall.WaitForEvent("text-record", GENEROUS_MS, &e));
  EXPECT_EQ("http://127.0.0.1/security/calculate.html", e.text.text);
  EXPECT_EQ(1, e.text.value);
  EXPECT_EQ(1001, e.text.userId);
  ASSERT_TRUE(hall.WaitForEvent("show-player", GENEROUS_MS, &e));
  EXPECT_EQ(2002, e.lParam);
  ASSERT_TRUE(hall.WaitForEvent("exit-report", GENEROUS_MS, &e));
  EXPECT_EQ(2, e.lParam);  // a normal close
  EXPECT_EQ(1001, e.exit.userId);
  EXPECT_EQ(4, e.exit.table);
  EXPECT_EQ(2, e.exit.chair);
  EXPECT_EQ(1, e.exit.gameId);
  EXPECT_EQ(static_cast<int32_t>(reinterpret_cast<uintptr_t>(hall.GameWindow())), e.exit.frameWindow);

  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(hall.ClientProcess(), GENEROUS_MS));
  DWORD code = 1;
  GetExitCodeProcess(hall.ClientProcess(), &code);
  EXPECT_EQ(0u, code) << ClientReport();
  const std::string report = ClientReport();
  EXPECT_NE(std::string::npos, report.find("session 1264 seats 2 onlookers 0 own-found room 新手房")) << report;
  EXPECT_NE(std::string::npos, report.find("onlooker 3003 观众")) << report;
  EXPECT_NE(std::string::npos, report.find("quit user 2002 table 4 chair 0 from-our-hall")) << report;
  EXPECT_NE(std::string::npos, report.find("sign " + testbed::HallSign(1001) + " address-echoed")) << report;
  EXPECT_NE(std::string::npos, report.find("done")) << report;
  for (const testbed::HallEvent& event : hall.Events()) EXPECT_NE("refused", event.kind) << event.line;
}

TEST_F(HallStandIn, RefusesMalformedRecordsAndKeepsServing) {
  testbed::HallStandIn hall(m_options);
  ASSERT_TRUE(hall.Start());
  BYTE shortExit[100] = {};
  BYTE oddText[543] = {};
  struct Case {
    ULONG_PTR kind;
    BYTE* data;
    DWORD size;
  };
  const Case cases[] = {
      {2, shortExit, sizeof shortExit},
      {11, oddText, sizeof oddText},
      {11, nullptr, 0},
      {99, shortExit, sizeof shortExit},
  };
  for (const Case& c : cases) {
    COPYDATASTRUCT data{c.kind, c.size, c.data};
    SendMessageA(hall.Window(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
    EXPECT_TRUE(hall.WaitForEvent("refused", GENEROUS_MS)) << c.kind;
  }
  EXPECT_FALSE(hall.SendSession());  // no game window announced yet
  EXPECT_TRUE(IsWindow(hall.Window()));
}

TEST_F(HallStandIn, ProgramRunsTheClientAndLogs) {
  m_env.Set("PXQD_FAKE_CLIENT_SHORT", "1");
  std::string log = m_dir.File("hall.log");
  std::string line = std::string("--hall-dir ") + m_dir.File("hall2") + " --client " + PXQD_FAKE_CLIENT +
                     " --port 31998 --user 1002 --player 李四 --log " + log;
  // The program takes separate arguments; the shell's splitting stands in for a user typing it.
  std::string command = std::string(PXQD_HALL_PROGRAM) + " " + line + " 2>/dev/null";
  ASSERT_EQ(0, std::system(command.c_str()));
  const std::string text = testsupport::TempDir::Read(log);
  for (const char* kind : {"client-started", "game-window", "session-sent", "sign-answer", "text-record",
                           "exit-report"}) {
    EXPECT_NE(std::string::npos, text.find(std::string("  ") + kind + "  ")) << kind << "\n" << text;
  }
  EXPECT_NE(std::string::npos, text.find("exit report 2: window")) << text;
  EXPECT_NE(std::string::npos, ClientReport().find("|1002|0|0|0|0|")) << ClientReport();
}

// A client that leaves a running hand on a lost connection is started again with the same launch
// line (once here: its second start leaves normally), and the program ends with the client.
TEST_F(HallStandIn, ProgramStartsAClientCutOffInAHandAgain) {
  m_env.Set("PXQD_FAKE_CLIENT_SHORT", "1");
  m_env.Set("PXQD_FAKE_CLIENT_DROP", m_dir.File("dropped-once"));
  std::string log = m_dir.File("hall.log");
  std::string command = std::string(PXQD_HALL_PROGRAM) + " --hall-dir " + m_dir.File("hall3") + " --client " +
                        PXQD_FAKE_CLIENT + " --port 31998 --user 1003 --rejoin 2 --log " + log + " 2>/dev/null";
  const int status = std::system(command.c_str());
  m_env.Unset("PXQD_FAKE_CLIENT_DROP");
  EXPECT_EQ(0, status);
  const std::string text = testsupport::TempDir::Read(log);
  auto count = [&text](const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(2, count("  client-started  ")) << text;
  EXPECT_EQ(1, count("exit report 5: window")) << text;
  EXPECT_EQ(1, count("exit report 2: window")) << text;
  EXPECT_NE(std::string::npos, text.find("kind 1,")) << text;
}

// Only the last start's report counts: a dropped report of an earlier start is no reason to start
// the client again.
TEST(HallRejoin, OnlyTheLastStartsReportCounts) {
  auto event = [](const char* kind, LPARAM code) {
    testbed::HallEvent e;
    e.kind = kind;
    e.lParam = code;
    return e;
  };
  const struct {
    std::vector<testbed::HallEvent> events;
    bool rejoin;
  } cases[] = {
      {{}, false},
      {{event("client-started", 0)}, false},
      {{event("client-started", 0), event("exit-report", 5)}, true},
      {{event("client-started", 0), event("exit-report", 2)}, false},
      {{event("client-started", 0), event("exit-report", 5), event("client-started", 0)}, false},
      {{event("client-started", 0), event("exit-report", 5), event("text-record", 0)}, true},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(cases[i].rejoin, testbed::ClientLeftOnLostConnection(cases[i].events)) << "case " << i;
  }
}

}  // namespace
