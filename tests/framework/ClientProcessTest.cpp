// The test client as its own process against the wire server: it greets, passes the version
// check, registers its main window and, with no hall window to report to, ends by itself
// without a leave request.
#include <gtest/gtest.h>

#include <string>

#include "framework/RequestBodies.h"
#include "net/WireBytes.h"
#include "testbed/server/WireServer.h"
#include "tests/support/Program.h"
#include "tests/support/TempDir.h"

namespace {

using testbed::Bytes;
using testbed::Reply;
using testbed::Request;

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
  testsupport::Program client({std::string(PXQD_BIN_DIR) + "/pxqd-testclient", line},
                              {.environment = {{"PXQD_SYSTEM_DIR", dir.Path()}, {"PXQD_DISPLAY", "headless"}}});
  ASSERT_TRUE(client.Started());
  EXPECT_EQ(0, client.WaitForExit(60000));
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
