#include "framework/RequestBodies.h"

#include "framework/BodyWriter.h"

namespace {

// Words 0 to 3 of the common body: own user id, room id, own table number, own chair.
void PutCommonWords(CBodyWriter& w, const RequestContext& c) {
  w.Int(0, c.userId);
  w.Int(4, c.roomId);
  w.Int(8, c.tableNo);
  w.Int(12, c.chair);
}

}  // namespace

RequestBody MakeCommonBody(const RequestContext& c) {
  CBodyWriter w(COMMON_BODY_SIZE);
  PutCommonWords(w, c);
  return w.Data();
}

RequestBody MakeEnterGameRecord(const RequestContext& c, const PlayerRecord* own, int quickCatch, int roomValue304) {
  CBodyWriter w(ENTER_GAME_RECORD_SIZE);
  w.Int(0, own != nullptr ? own->userId : 0);
  w.Int(4, own != nullptr ? own->flags : 0);
  w.Int(8, c.gameId);
  w.Int(12, c.roomId);
  w.Int(16, c.tableNo);
  w.Int(20, c.chair);
  w.Text(24, MACHINE_ID_SIZE, c.machineId);
  w.Int(56, c.lookOn);
  w.Int(72, quickCatch);
  w.Int(88, roomValue304);
  return w.Data();
}

RequestBody MakeLeaveBody(const RequestContext& c, int leavingUserId, int chairArgument) {
  CBodyWriter w(LEAVE_BODY_SIZE);
  w.Int(0, leavingUserId);
  w.Int(4, c.roomId);
  w.Int(8, c.tableNo);
  w.Int(12, chairArgument);
  w.Int(16, leavingUserId != c.userId ? 1 : 0);
  w.Int(20, c.tableNo);
  w.Int(24, c.chair);
  w.Int(28, c.userId);
  w.Text(32, MACHINE_ID_SIZE, c.machineId);
  return w.Data();
}

RequestBody MakeSafeTransferBody(const RequestContext& c, int amount, int protectAnswer, int silverInHand,
                                 int direction) {
  CBodyWriter w(SAFE_TRANSFER_BODY_SIZE);
  w.Int(0, c.userId);
  w.Int(4, c.gameId);
  w.Int(8, c.roomId);
  w.Int(12, c.tableNo);
  w.Int(16, c.chair);
  w.Int(20, amount);
  w.Int(24, protectAnswer);
  w.Text(48, MACHINE_ID_SIZE, c.machineId);
  w.Int(80, silverInHand);
  w.Int(84, direction);
  return w.Data();
}

RequestBody MakeSafeQueryBody(const RequestContext& c) {
  CBodyWriter w(SAFE_QUERY_BODY_SIZE);
  w.Int(0, c.userId);
  w.Int(4, c.gameId);
  w.Text(8, MACHINE_ID_SIZE, c.machineId);
  return w.Data();
}

RequestBody MakeChatBody(const RequestContext& c, const char* line) {
  CBodyWriter w(CHAT_BODY_SIZE);
  PutCommonWords(w, c);
  w.Text(16, MACHINE_ID_SIZE, c.machineId);
  w.Text(48, CHAT_TEXT_MAX + 1, line);
  return w.Data();
}

RequestBody MakeCallBody(const RequestContext& c, int calledUserId, int calledChair) {
  CBodyWriter w(40);
  PutCommonWords(w, c);
  w.Int(16, calledUserId);
  w.Int(20, calledChair);
  return w.Data();
}

RequestBody MakeSeatValueBody(const RequestContext& c, int value) {
  CBodyWriter w(36);
  PutCommonWords(w, c);
  w.Int(16, value);
  return w.Data();
}

RequestBody MakeResponseReportBody(int userId, uint32_t average, uint32_t maximum) {
  CBodyWriter w(16);
  w.Int(0, userId);
  w.Int(4, static_cast<int32_t>(average));
  w.Int(8, static_cast<int32_t>(maximum));
  return w.Data();
}

RequestBody MakeSilverRewardBody(const RequestContext& c, int amount) {
  CBodyWriter w(192);
  w.Int(0, c.userId);
  w.Int(4, c.gameId);
  w.Int(8, c.roomId);
  w.Int(12, c.tableNo);
  w.Int(16, c.chair);
  w.Int(20, amount);
  w.Text(28, MACHINE_ID_SIZE, c.machineId);
  return w.Data();
}

RequestBody MakeAllowanceConfigBody(const RequestContext& c, int argument) {
  CBodyWriter w(320);
  PutCommonWords(w, c);
  w.Int(20, argument);
  return w.Data();
}

RequestBody MakeClaimAllowanceBody(const RequestContext& c, const char* userName, int argument, int kind,
                                   bool withMachineId) {
  CBodyWriter w(withMachineId ? 136 : 104);
  PutCommonWords(w, c);
  w.Text(16, 36, userName);
  w.Int(52, argument);
  w.Int(56, kind);
  if (withMachineId) w.Text(72, MACHINE_ID_SIZE, c.machineId);
  return w.Data();
}

RequestBody MakeNamedRecordBody(const RequestContext& c, const char* userName) {
  CBodyWriter w(428);
  PutCommonWords(w, c);
  w.Text(28, PLAYER_NAME_SIZE, userName);
  w.Text(60, MACHINE_ID_SIZE, c.machineId);
  return w.Data();
}
