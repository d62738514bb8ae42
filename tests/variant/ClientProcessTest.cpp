// The game client as its own process: the hall stand-in launches build/bin/pxqd headless
// against a game server of the test's own; the client announces its window, takes the session
// data, enters the table in its chair, and reports its exit to the hall when it is closed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "platform/kernel/Kernel.h"
#include "platform/kernel/Process.h"
#include "platform/user/User.h"
#include "testbed/hall/HallStandIn.h"
#include "testbed/server/GameServer.h"
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
}

}  // namespace
