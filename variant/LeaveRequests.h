// The bodies of the leave requests a seated player sends to ask the others for leave, and of the
// answers, and the reading of the notifications that carry them to every client of the table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "framework/RequestBodies.h"

#define REQ_LEAVE_REQUEST 400006
#define REQ_LEAVE_REPLY 400007
#define LEAVE_REQUEST_BODY_SIZE 80
#define LEAVE_REPLY_BODY_SIZE 40
#define LEAVE_REASON_SIZE 64

// The reason is cut to 63 bytes on a character boundary and keeps its terminator.
RequestBody MakeLeaveRequestBody(const RequestContext& c, const char* reason);
RequestBody MakeLeaveReplyBody(const RequestContext& c, int askerUserId, bool agree);

struct LeaveRequestNotice {
  int32_t askerUserId = 0;
  std::string reason;  // at most 63 bytes, whatever the body holds
};

struct LeaveReplyNotice {
  int32_t answererUserId = 0;
  int32_t askerUserId = 0;
  bool agreed = false;
};

// Empty when the body is too short for its words; a reason cut short by the body's end is kept
// as far as it goes.
std::optional<LeaveRequestNotice> ReadLeaveRequest(const uint8_t* body, size_t length);
std::optional<LeaveReplyNotice> ReadLeaveReply(const uint8_t* body, size_t length);
