// The test client as its own process against the wire server: it greets, passes the version
// check, registers its main window and, with no hall window to report to, ends by itself
// without a leave request.
#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "framework/RequestBodies.h"
#include "net/WireBytes.h"
#include "testbed/server/WireServer.h"
#include "tests/support/TempDir.h"

extern char** environ;

namespace {

using testbed::Bytes;
using testbed::Reply;
using testbed::Request;

// Waits for the child for up to `seconds`; its exit status, or -1 when it is still running
// (it is then killed).
int WaitForChild(pid_t pid, int seconds) {
  for (int i = 0; i < seconds * 100; ++i) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return -1;
}

TEST(ClientProcess, WithoutAHallTheClientEndsByItself) {
  testsupport::TempDir dir;
  testbed::WireServer server;
  ASSERT_TRUE(server.Start());
  server.SetHandler([](const Request& r) {
    Reply reply;
    if (r.code == REQ_CHECK_VERSION) {
      for (int v : {2, 0, 0, 0, 0, 0, 0}) {
        BYTE b[4];
        WriteU32Le(b, static_cast<uint32_t>(v));
        reply.data.insert(reply.data.end(), b, b + 4);
      }
    }
    return reply;
  });
  std::string line = "7|127.0.0.1|12|0|0|1001|5|2|0|0|test|" + std::to_string(server.Port());
  std::string program = std::string(PXQD_BIN_DIR) + "/pxqd-testclient";
  std::string systemDir = "PXQD_SYSTEM_DIR=" + dir.Path();
  std::string display = "PXQD_DISPLAY=headless";
  std::vector<char*> env;
  for (char** e = environ; *e != nullptr; ++e) env.push_back(*e);
  env.push_back(systemDir.data());
  env.push_back(display.data());
  env.push_back(nullptr);
  char* argv[] = {program.data(), line.data(), nullptr};
  pid_t pid = 0;
  ASSERT_EQ(0, posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, env.data()));
  EXPECT_EQ(0, WaitForChild(pid, 60));
  bool version = false;
  bool left = false;
  for (const Request& r : server.Requests()) {
    version = version || r.code == REQ_CHECK_VERSION;
    left = left || r.code == REQ_LEAVE_TABLE || r.code == REQ_LEAVE_GAME;
  }
  EXPECT_TRUE(version);
  EXPECT_FALSE(left) << "the hall check ends the loop without the close sequence";
  ASSERT_FALSE(server.Greetings().empty());
  server.Stop();
}

}  // namespace
