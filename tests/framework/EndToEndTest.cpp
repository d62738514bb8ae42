// The test client as its own process between a hall and the testbed game server: this test
// plays the hall (a window published to other processes, the settings files, the session data,
// the exit report) and runs the server in-process. The client greets, passes the version check,
// takes the session data, enters the table, sends a chat line and receives it back, and ends
// with its exit report; the same through a SOCKS5 proxy; a server that drops the connection in
// the middle of a game gets exit report 5; a hall that goes away ends the client without one.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "framework/HallRecords.h"
#include "framework/PlayerTables.h"
#include "net/SharedKeys.h"
#include "net/WireBytes.h"
#include "platform/hall/HallLink.h"
#include "platform/user/User.h"
#include "testbed/server/GameServer.h"
#include "tests/support/LoopbackTools.h"
#include "tests/support/MessagePump.h"
#include "tests/support/TempDir.h"

extern char** environ;

namespace {

using Bytes = std::vector<BYTE>;

struct HallInbox {
  HWND gameWindow = nullptr;
  int tableNo = -1;
  std::vector<std::pair<ULONG_PTR, Bytes>> records;
};
HallInbox* g_inbox = nullptr;

LRESULT CALLBACK HallProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (g_inbox != nullptr && message == WM_COPYDATA) {
    auto* copy = reinterpret_cast<COPYDATASTRUCT*>(lParam);
    const BYTE* data = static_cast<const BYTE*>(copy->lpData);
    g_inbox->records.emplace_back(copy->dwData, Bytes(data, data + copy->cbData));
    return TRUE;
  }
  if (g_inbox != nullptr && message == WM_HALL_GAME_WINDOW) {
    g_inbox->gameWindow = reinterpret_cast<HWND>(wParam);
    g_inbox->tableNo = static_cast<int>(lParam);
    return 0;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

void PutInt(Bytes& b, size_t offset, int32_t value) { WriteU32Le(b.data() + offset, static_cast<uint32_t>(value)); }

class EndToEndTest : public ::testing::Test {
 protected:
  // The process serves its published windows from one hall folder for its whole life.
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
    g_inbox = &m_inbox;
    setenv("PXQD_SYSTEM_DIR", m_dir.Path().c_str(), 1);
    m_dir.Write("kmvt.ini", "[SYSTEM]\r\nExePath=" + m_dir.Path() + "/hall/hall.exe\r\n");
    m_dir.Write("hall/ZuzaRuzi.ini", "[PROXY]\r\nNeed=0\r\n");
    std::string error;
    ASSERT_TRUE(m_server.Start(m_dir.File("accounts.db"), 0, &error)) << error;
    WNDCLASSA wc{};
    wc.lpfnWndProc = HallProc;
    wc.lpszClassName = "EndToEndHall";
    RegisterClassA(&wc);
    m_hall = CreateWindowExA(0, "EndToEndHall", "hall", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, m_hall);
    ASSERT_TRUE(platform::PublishWindow(m_hall));
  }

  void TearDown() override {
    if (m_pid > 0) {
      kill(m_pid, SIGKILL);
      waitpid(m_pid, nullptr, 0);
    }
    if (IsWindow(m_hall)) DestroyWindow(m_hall);
    m_server.Stop();
    g_inbox = nullptr;
    unsetenv("PXQD_SYSTEM_DIR");
  }

  void Launch(const std::vector<std::string>& extraEnv = {}) {
    std::string line = "\"7|127.0.0.1|12|" + std::to_string(reinterpret_cast<uintptr_t>(m_hall)) +
                       "|0|1001|5|2|0|0|测试|" + std::to_string(m_server.Port()) + "\"";
    std::string program = std::string(PXQD_BIN_DIR) + "/pxqd-testclient";
    std::vector<std::string> env = {"PXQD_DISPLAY=headless", "PXQD_AUDIO=null"};
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    std::vector<char*> envp;
    for (char** e = environ; *e != nullptr; ++e) envp.push_back(*e);
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    char* argv[] = {program.data(), line.data(), nullptr};
    ASSERT_EQ(0, posix_spawn(&m_pid, program.c_str(), nullptr, nullptr, argv, envp.data()));
  }

  // Pumps the hall's window until the condition holds or the client has ended.
  bool Until(const std::function<bool()>& done, int ms = 30000) {
    return testsupport::PumpUntil([&] { return done() || Ended(); }, ms) && done();
  }

  bool Ended() {
    if (m_pid <= 0) return true;
    int status = 0;
    if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
      m_pid = -1;
      m_exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      return true;
    }
    return false;
  }

  bool WaitForEnd(int ms = 30000) { return testsupport::PumpUntil([&] { return Ended(); }, ms); }

  // The session data the hall sends once the game window is there: the own record at chair 2.
  void SendSessionData() {
    Bytes d(SESSION_PLAYERS_OFFSET, 0);
    std::memcpy(d.data() + 20, "一号房", 6);
    PutInt(d, ROOM_RECORD_SIZE, 5);
    PutInt(d, ROOM_RECORD_SIZE + 8, 1);
    Bytes own(PLAYER_RECORD_SIZE, 0);
    PutInt(own, 0, 1001);
    std::memcpy(own.data() + 20, "player", 6);
    PutInt(own, 140, 5);
    PutInt(own, 144, 2);
    d.insert(d.end(), own.begin(), own.end());
    d.resize((d.size() + 15) / 16 * 16, 0);
    Bytes sealed(d.size());
    ASSERT_EQ(1, EncryptHallData(HallKey(), static_cast<DWORD>(d.size()), d.data(), sealed.data()));
    COPYDATASTRUCT copy{HALL_SESSION_DATA, static_cast<DWORD>(sealed.size()), sealed.data()};
    DWORD_PTR answer = 0;
    ASSERT_NE(0, SendMessageTimeoutA(m_inbox.gameWindow, WM_COPYDATA, reinterpret_cast<WPARAM>(m_hall),
                                     reinterpret_cast<LPARAM>(&copy), SMTO_NORMAL, 5000, &answer));
  }

  // The deciphered texts the client sent the hall, with their values.
  std::vector<std::pair<int, std::string>> Texts() {
    std::vector<std::pair<int, std::string>> texts;
    for (const auto& r : m_inbox.records) {
      if (r.first != HALL_TEXT_RECORD || r.second.size() != HALL_TEXT_SENT_SIZE) continue;
      Bytes plain(r.second.size());
      DecryptHallData(HallKey(), static_cast<DWORD>(plain.size()), plain.data(), r.second.data());
      texts.emplace_back(static_cast<int>(ReadU32Le(plain.data() + 16)), reinterpret_cast<char*>(plain.data() + 20));
    }
    return texts;
  }

  bool HasText(int value, const std::string& text) {
    for (const auto& t : Texts()) {
      if (t.first == value && t.second == text) return true;
    }
    return false;
  }

  const Bytes* ExitReport(ULONG_PTR* kind) {
    for (const auto& r : m_inbox.records) {
      if (r.first == HALL_EXIT_REPORT || r.first == HALL_EXIT_REPORT_DROPPED) {
        *kind = r.first;
        return &r.second;
      }
    }
    return nullptr;
  }

  void EnterTheTable(const std::vector<std::string>& env) {
    Launch(env);
    ASSERT_TRUE(Until([&] { return m_inbox.gameWindow != nullptr; })) << "no game window; client status " << m_exitStatus;
    EXPECT_EQ(5, m_inbox.tableNo);
    SendSessionData();
    ASSERT_TRUE(Until([&] {
      auto users = m_server.Core().TableUsers(12, 5);
      return users[2] == 1001;
    })) << "the client did not enter the table";
  }

  void SayAndCloseNormally() {
    ASSERT_TRUE(Until([&] { return HasText(2, "chat:1001:你好"); })) << "the chat line did not come back";
    ::PostMessageA(m_inbox.gameWindow, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(0, m_exitStatus);
    ULONG_PTR kind = 0;
    const Bytes* report = ExitReport(&kind);
    ASSERT_NE(nullptr, report);
    EXPECT_EQ(static_cast<ULONG_PTR>(HALL_EXIT_REPORT), kind);
    ASSERT_EQ(static_cast<size_t>(HALL_EXIT_RECORD_SIZE), report->size());
    EXPECT_EQ(1001u, ReadU32Le(report->data() + 4));
    EXPECT_EQ(5u, ReadU32Le(report->data() + 8));
    EXPECT_EQ(7u, ReadU32Le(report->data() + 28));
  }

  static testsupport::TempDir* s_linkDir;
  testsupport::TempDir m_dir;
  HallInbox m_inbox;
  testbed::GameServer m_server;
  HWND m_hall = nullptr;
  pid_t m_pid = -1;
  int m_exitStatus = -1;
};

testsupport::TempDir* EndToEndTest::s_linkDir = nullptr;

TEST_F(EndToEndTest, EntersChatsAndReportsItsExit) {
  EnterTheTable({"PXQD_TESTCLIENT_SAY=你好"});
  SayAndCloseNormally();
}

TEST_F(EndToEndTest, ThroughASocks5ProxyChosenByTheHallIni) {
  const uint16_t port = testsupport::FreeLoopbackPort();
  testsupport::ChildProcess proxy({"microsocks", "-i", "127.0.0.1", "-p", std::to_string(port), "-u", "player", "-P",
                                   "secret"},
                                  port);
  ASSERT_TRUE(proxy.Running()) << "microsocks did not start";
  m_dir.Write("hall/ZuzaRuzi.ini", "[PROXY]\r\nNeed=1\r\nSock=3\r\nHost=127.0.0.1\r\nPort=" + std::to_string(port) +
                                       "\r\nUser=player\r\npwd=secret\r\n");
  EnterTheTable({"PXQD_TESTCLIENT_SAY=你好"});
  SayAndCloseNormally();
}

TEST_F(EndToEndTest, ServerDropInTheMiddleOfAGameReportsKindFive) {
  EnterTheTable({"PXQD_TESTCLIENT_PLAY=1"});
  m_server.Wire().CloseSession(m_server.Wire().LastSession());
  ASSERT_TRUE(Until([&] { return HasText(3, "connection lost"); }));
  // The player closes the lost-connection box, which closes the game.
  ::PostMessageA(m_inbox.gameWindow, WM_CLOSE, 0, 0);
  ASSERT_TRUE(WaitForEnd());
  ULONG_PTR kind = 0;
  const Bytes* report = ExitReport(&kind);
  ASSERT_NE(nullptr, report);
  EXPECT_EQ(static_cast<ULONG_PTR>(HALL_EXIT_REPORT_DROPPED), kind);
  EXPECT_EQ(1u, ReadU32Le(report->data() + 24));
}

TEST_F(EndToEndTest, AHallThatGoesEndsTheClientWithoutAReport) {
  EnterTheTable({});
  DestroyWindow(m_hall);
  ASSERT_TRUE(WaitForEnd(10000)) << "the client still runs after the hall went";
  ULONG_PTR kind = 0;
  EXPECT_EQ(nullptr, ExitReport(&kind));
}

}  // namespace
