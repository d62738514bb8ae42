// The bodies of the framework's requests to the game server, byte by byte. Every integer is
// 32-bit little-endian and every byte not named is zero.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/PlayerRecords.h"
#include "framework/SharedHelpers.h"

// Request codes of the framework.
#define REQ_ENTER_GAME 200110
#define REQ_OPEN_SAFE 200040
#define REQ_WITHDRAW_SILVER 200041
#define REQ_DEPOSIT_SILVER 200042
#define REQ_PROTECT_PASSWORD 200043
#define REQ_CHECK_VERSION 201001
#define REQ_RESPONSE_REPORT 201020
#define REQ_LEAVE_TABLE 201120
#define REQ_LEAVE_GAME 201125
#define REQ_GAME_RUNNING 201130
#define REQ_GAME_DATA 201140
#define REQ_READY 201160
#define REQ_READY_CHECKED 201161
#define REQ_SEAT_VALUE 201180
#define REQ_CALL_PLAYER 201200
#define REQ_CHAT 201210
#define REQ_CHAT_QUIET 201211
#define REQ_CHANGE_TABLE 201300
#define REQ_READY_RANDOM 201302
#define REQ_SILVER_REWARD 201303
#define REQ_CLAIM_ALLOWANCE 214000
#define REQ_CLAIM_ALLOWANCE2 214001
#define REQ_ALLOWANCE_CONFIG 214010
#define REQ_NAMED_RECORD_A 214102
#define REQ_NAMED_RECORD_B 214104

#define COMMON_BODY_SIZE 32
#define ENTER_GAME_RECORD_SIZE 108
#define LEAVE_BODY_SIZE 96
#define SAFE_TRANSFER_BODY_SIZE 112
#define SAFE_QUERY_BODY_SIZE 76
#define CHAT_BODY_SIZE 128
// The longest chat line a body carries, before its terminator.
#define CHAT_TEXT_MAX 61

// The values of the application that the bodies carry.
struct RequestContext {
  int32_t userId = 0;
  int32_t gameId = 0;
  int32_t roomId = 0;
  int32_t tableNo = 0;
  int32_t chair = 0;
  int32_t lookOn = 0;
  char machineId[MACHINE_ID_SIZE] = {};
};

using RequestBody = std::vector<BYTE>;

RequestBody MakeCommonBody(const RequestContext& c);
// The own record's user id and flags (zero when it is missing), the quick-catch setting and the
// room value at offset 304.
RequestBody MakeEnterGameRecord(const RequestContext& c, const PlayerRecord* own, int quickCatch, int roomValue304);
RequestBody MakeLeaveBody(const RequestContext& c, int leavingUserId, int chairArgument);
// direction 1 into the safe, 2 out of it.
RequestBody MakeSafeTransferBody(const RequestContext& c, int amount, int protectAnswer, int silverInHand,
                                 int direction);
RequestBody MakeSafeQueryBody(const RequestContext& c);
// The line is cut to 61 bytes on a character boundary.
RequestBody MakeChatBody(const RequestContext& c, const char* line);
RequestBody MakeCallBody(const RequestContext& c, int calledUserId, int calledChair);
RequestBody MakeSeatValueBody(const RequestContext& c, int value);
RequestBody MakeResponseReportBody(int userId, uint32_t average, uint32_t maximum);
RequestBody MakeSilverRewardBody(const RequestContext& c, int amount);
RequestBody MakeAllowanceConfigBody(const RequestContext& c, int argument);
// 214000 (104 bytes) or, with the machine id, 214001 (136 bytes).
RequestBody MakeClaimAllowanceBody(const RequestContext& c, const char* userName, int argument, int kind,
                                   bool withMachineId);
RequestBody MakeNamedRecordBody(const RequestContext& c, const char* userName);
