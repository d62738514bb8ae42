#include "variant/LeaveRequests.h"

#include "framework/BodyReader.h"
#include "framework/BodyWriter.h"

namespace {

void PutIdentity(CBodyWriter& w, const RequestContext& c) {
  w.Int(0, c.userId);
  w.Int(4, c.roomId);
  w.Int(8, c.tableNo);
  w.Int(12, c.chair);
}

}  // namespace

RequestBody MakeLeaveRequestBody(const RequestContext& c, const char* reason) {
  CBodyWriter w(LEAVE_REQUEST_BODY_SIZE);
  PutIdentity(w, c);
  w.Text(16, LEAVE_REASON_SIZE, reason != nullptr ? reason : "");
  return w.Data();
}

RequestBody MakeLeaveReplyBody(const RequestContext& c, int askerUserId, bool agree) {
  CBodyWriter w(LEAVE_REPLY_BODY_SIZE);
  PutIdentity(w, c);
  w.Int(16, askerUserId);
  w.Int(20, agree ? 1 : 0);
  return w.Data();
}

std::optional<LeaveRequestNotice> ReadLeaveRequest(const uint8_t* body, size_t length) {
  CBodyReader r(body, length);
  if (!r.Has(16)) return std::nullopt;
  LeaveRequestNotice n;
  n.askerUserId = r.Int(0);
  n.reason = r.Text(16, LEAVE_REASON_SIZE);
  return n;
}

std::optional<LeaveReplyNotice> ReadLeaveReply(const uint8_t* body, size_t length) {
  CBodyReader r(body, length);
  if (!r.Has(24)) return std::nullopt;
  LeaveReplyNotice n;
  n.answererUserId = r.Int(0);
  n.askerUserId = r.Int(16);
  n.agreed = r.Int(20) != 0;
  return n;
}
