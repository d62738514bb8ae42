// The common ground of the tests that run game clients as processes of their own: a game server
// of the test's own in this process, on a port of the system's choice with its accounts in the
// test's folder; hall stand-ins that start the clients; the clients' environment (headless, no
// sound, their folders in the test's folder). When the test has failed, the halls' events, the
// server's log and the clients' log are shown; at the end every client still running is ended,
// the halls and the server are stopped and the environment is given back.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "testbed/hall/HallStandIn.h"
#include "testbed/server/GameServer.h"
#include "tests/support/Program.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitFor.h"

namespace testsupport {

class ClientTableFixture : public ::testing::Test {
 protected:
  // The process serves its published windows from one hall folder for its whole life.
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;
  void TearDown() override;

  // Starts the server; `prepare` sees it before it starts. False, with the reason as a failure,
  // when it cannot start.
  bool StartServer(testbed::ServerConfig config = testbed::ServerConfig{},
                   const std::function<void(testbed::GameServer&)>& prepare = nullptr);
  testbed::GameServer& Server() { return *m_server; }

  // The launch of a client program of the build (by its name) for game 7 at the test's server,
  // its hall in the folder `hallName` of the test's folder.
  testbed::HallOptions ClientOptions(const std::string& program, int room, int table, int chair, int userId,
                                     const std::string& hallName = "hall") const;
  // Starts a hall stand-in of the options and has it start its client; the fixture owns and
  // stops both. With an output path, the client's standard output is appended to that file.
  // Null, with a failure, when either cannot start.
  testbed::HallStandIn* Launch(const testbed::HallOptions& options, const std::string& outputPath = std::string());

  // Waits until the user sits in the chair of the server's table.
  bool WaitForSeat(int room, int table, int chair, int userId, int limitMs = PROCESS_WAIT_MS);
  // The exit status of the hall's client once it has ended; -1 when it still runs after the
  // limit (or never started).
  static int WaitForExit(testbed::HallStandIn& hall, int limitMs = PROCESS_WAIT_MS);
  // What the clients wrote to their log (in the data folder they share).
  std::string ClientLog() const;

  TempDir m_dir;
  ScopedEnvironment m_env;
  std::unique_ptr<testbed::GameServer> m_server;
  std::vector<std::unique_ptr<testbed::HallStandIn>> m_halls;

 private:
  void ShowLogs();
  void StopAll();

  static TempDir* s_linkDir;
  static ScopedEnvironment* s_suiteEnv;
};

}  // namespace testsupport
