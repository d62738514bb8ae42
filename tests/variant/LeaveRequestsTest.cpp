#include <gtest/gtest.h>

#include <string>

#include "framework/BodyReader.h"
#include "framework/BodyWriter.h"
#include "variant/LeaveRequests.h"

namespace {

RequestContext Seat() {
  RequestContext c;
  c.userId = 501;
  c.roomId = 3;
  c.tableNo = 9;
  c.chair = 2;
  return c;
}

TEST(LeaveRequests, RequestAndReplyBodies) {
  std::string longReason;
  for (int i = 0; i < 40; ++i) longReason += "\xd7\xdf";  // 80 bytes of two-byte characters
  RequestBody request = MakeLeaveRequestBody(Seat(), longReason.c_str());
  ASSERT_EQ(request.size(), 80u);
  CBodyReader r(request.data(), request.size());
  EXPECT_EQ(r.Int(0), 501);
  EXPECT_EQ(r.Int(12), 2);
  // 31 characters (62 bytes); the 32nd would take the terminator's place.
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&request[16])), longReason.substr(0, 62));
  EXPECT_EQ(request[78], 0);
  EXPECT_EQ(request[79], 0);

  for (bool agree : {true, false}) {
    RequestBody reply = MakeLeaveReplyBody(Seat(), 777, agree);
    ASSERT_EQ(reply.size(), 40u);
    CBodyReader rr(reply.data(), reply.size());
    EXPECT_EQ(rr.Int(16), 777);
    EXPECT_EQ(rr.Int(20), agree ? 1 : 0);
    for (size_t i = 24; i < 40; ++i) EXPECT_EQ(reply[i], 0);
  }
}

// A reason that fills its whole field without a terminator is read only inside the field; a body
// too short for its ids is refused.
TEST(LeaveRequests, NoticesAreReadWithinTheirBodies) {
  CBodyWriter w(80);
  w.Int(0, 42);
  std::string full(64, 'r');
  w.Bytes(16, full.data(), full.size());
  std::optional<LeaveRequestNotice> n = ReadLeaveRequest(w.Data().data(), w.Size());
  ASSERT_TRUE(n.has_value());
  EXPECT_EQ(n->askerUserId, 42);
  EXPECT_EQ(n->reason, std::string(63, 'r'));

  std::optional<LeaveRequestNotice> cut = ReadLeaveRequest(w.Data().data(), 20);
  ASSERT_TRUE(cut.has_value());
  EXPECT_EQ(cut->reason, "rrrr");
  EXPECT_FALSE(ReadLeaveRequest(w.Data().data(), 12).has_value());

  RequestBody reply = MakeLeaveReplyBody(Seat(), 42, true);
  std::optional<LeaveReplyNotice> answer = ReadLeaveReply(reply.data(), reply.size());
  ASSERT_TRUE(answer.has_value());
  EXPECT_EQ(answer->answererUserId, 501);
  EXPECT_EQ(answer->askerUserId, 42);
  EXPECT_TRUE(answer->agreed);
  EXPECT_FALSE(ReadLeaveReply(reply.data(), 20).has_value());
}

}  // namespace
