// The catalogue against the testbed's game server itself: the client's bodies must be what the
// server reads, and the client must make the right thing of the server's answers.
// The server's protocol names come first: the framework's own names of the same codes are macros.
#include "testbed/server/GameServer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "net/WireBytes.h"
#include "platform/winsock/WinSock.h"
#include "tests/support/FrameworkDoubles.h"
#include "tests/support/TempDir.h"

namespace {

using testsupport::CTestGameApp;


TEST(GameConnectionAgainstServer, TableAndSafeRequests) {
  WSADATA data;
  WSAStartup(MAKEWORD(1, 1), &data);
  RegisterSocketWindowClass();
  testsupport::TempDir dir;
  setenv("PXQD_SYSTEM_DIR", dir.Path().c_str(), 1);
  testbed::ServerConfig config;
  config.rules.roomFlags = 1 << 2;  // the bank's bit, which the game-running answer refreshes
  testbed::GameServer server(config);
  std::string error;
  ASSERT_TRUE(server.Start(dir.File("accounts.db"), 0, &error)) << error;
  CTestGameApp app;
  LaunchLine& launch = app.Launch();
  launch.userId = 1001;
  launch.gameId = 7;
  launch.roomId = 12;
  launch.tableNo = 5;
  launch.chair = 2;
  PlayerRecord* own = app.Tables().Seat(2);
  own->userId = 1001;
  own->chair = 2;
  own->tableNo = 5;
  own->silver = 10000;
  std::strcpy(own->name, "me");
  app.Tables().Room().flags = 1 << 2;
  app.Tables().Room().options = 1 << 24;
  CGameConnection& c = app.m_connection;
  c.InitPacketOptions();
  int errorKind = 0;
  ASSERT_EQ(1, c.ConnectToServer("", "127.0.0.1", server.Port(), &errorKind));

  CString text;
  int major = 0;
  int minor = 0;
  EXPECT_EQ(1, c.CheckVersion(text, &major, &minor));
  EXPECT_EQ(1, c.EnterGame(text)) << text;
  EXPECT_EQ(1001, server.Core().TableUsers(12, 5)[2]);
  EXPECT_EQ(0, c.QueryGameRunning());
  EXPECT_EQ(1 << 2, app.GetRoomFlags());

  BYTE safe[32] = {};
  ASSERT_EQ(1, c.OpenSafe(text, safe)) << text;
  const int32_t boxBefore = ReadI32Le(safe + 4);
  int amount = 100;
  int result = 0;
  EXPECT_EQ(1, c.DepositSilver(text, &amount, &result)) << text;
  ASSERT_EQ(1, c.OpenSafe(text, safe)) << text;
  EXPECT_EQ(boxBefore + 100, ReadI32Le(safe + 4));

  // Once ready, the server keeps the silver where it is, and the client says why.
  EXPECT_EQ(1, c.SendReadyChecked(text)) << text;
  EXPECT_EQ(0, c.DepositSilver(text, &amount, &result));
  EXPECT_EQ(211421, result);
  EXPECT_STREQ("已经准备的游戏不能划帐。", text);

  EXPECT_EQ(0, c.LeaveGame(text, 1001, 2)) << "an accepted leave is no refusal";
  EXPECT_STREQ("", text);
  c.Disconnect();
  server.Stop();
  unsetenv("PXQD_SYSTEM_DIR");
}

}  // namespace
