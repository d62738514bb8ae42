#include "testbed/server/FrameworkRecords.h"

#include <algorithm>

namespace testbed {

bool WirePlayer::Read(BodyReader& in, size_t o) {
  if (!in.Holds(o + WIRE_PLAYER_SIZE)) return false;
  userId = in.I32(o + 0);
  flags = in.I32(o + 4);
  status = in.I32(o + 8);
  table = in.I32(o + 12);
  chair = in.I32(o + 16);
  value20 = in.I32(o + 20);
  portrait = in.I32(o + 24);
  value28 = in.I32(o + 28);
  clothing = in.I32(o + 32);
  name = in.Text(o + 36, 32);
  nickname = in.Text(o + 68, 16);
  silver = in.I32(o + 84);
  level = in.I32(o + 88);
  score = in.I32(o + 92);
  value96 = in.I32(o + 96);
  for (size_t i = 0; i < values100.size(); ++i) values100[i] = in.I32(o + 100 + 4 * i);
  return in.Ok();
}

void WirePlayer::Write(BodyWriter& out, size_t o) const {
  out.I32(o + 0, userId).I32(o + 4, flags).I32(o + 8, status).I32(o + 12, table).I32(o + 16, chair);
  out.I32(o + 20, value20).I32(o + 24, portrait).I32(o + 28, value28).I32(o + 32, clothing);
  out.Text(o + 36, 32, name).Text(o + 68, 16, nickname);
  out.I32(o + 84, silver).I32(o + 88, level).I32(o + 92, score).I32(o + 96, value96);
  for (size_t i = 0; i < values100.size(); ++i) out.I32(o + 100 + 4 * i, values100[i]);
}

bool CommonRequest::ReadWords(BodyReader& in) {
  if (!in.Holds(16)) return false;
  userId = in.I32(0);
  roomId = in.I32(4);
  table = in.I32(8);
  chair = in.I32(12);
  return in.Ok();
}

bool CommonRequest::Read(BodyReader& in) { return in.Holds(COMMON_BODY_SIZE) && ReadWords(in); }

bool EnterRequest::Read(BodyReader& in) {
  if (!in.Holds(ENTER_RECORD_SIZE)) return false;
  userId = in.I32(0);
  flags = in.I32(4);
  gameId = in.I32(8);
  roomId = in.I32(12);
  table = in.I32(16);
  chair = in.I32(20);
  machineId = in.Text(24, MACHINE_ID_SIZE);
  lookOn = in.I32(56);
  quickCatch = in.I32(72);
  roomValue = in.I32(88);
  // The player follows only in rooms that send it; a body with part of a player is malformed.
  hasPlayer = in.Length() > ENTER_RECORD_SIZE;
  if (hasPlayer && !player.Read(in, ENTER_RECORD_SIZE)) return false;
  return in.Ok();
}

bool LeaveRequest::Read(BodyReader& in) {
  if (!in.Holds(LEAVE_BODY_SIZE)) return false;
  leavingUserId = in.I32(0);
  roomId = in.I32(4);
  table = in.I32(8);
  chairArgument = in.I32(12);
  notOwn = in.I32(16);
  ownTable = in.I32(20);
  ownChair = in.I32(24);
  ownUserId = in.I32(28);
  machineId = in.Text(32, MACHINE_ID_SIZE);
  return in.Ok();
}

bool SafeTransferRequest::Read(BodyReader& in) {
  if (!in.Holds(SAFE_TRANSFER_SIZE)) return false;
  userId = in.I32(0);
  gameId = in.I32(4);
  roomId = in.I32(8);
  table = in.I32(12);
  chair = in.I32(16);
  amount = in.I32(20);
  answer = in.I32(24);
  machineId = in.Text(48, MACHINE_ID_SIZE);
  silverInHand = in.I32(80);
  direction = in.I32(84);
  return in.Ok();
}

bool SafeQueryRequest::Read(BodyReader& in) {
  if (!in.Holds(SAFE_QUERY_SIZE)) return false;
  userId = in.I32(0);
  gameId = in.I32(4);
  machineId = in.Text(8, MACHINE_ID_SIZE);
  return in.Ok();
}

bool ChatLine::Read(BodyReader& in) {
  if (!in.Holds(CHAT_BODY_SIZE)) return false;
  userId = in.I32(0);
  roomId = in.I32(4);
  table = in.I32(8);
  chair = in.I32(12);
  machineId = in.Text(16, MACHINE_ID_SIZE);
  // The client cuts its line at 61 bytes; a longer one is cut here the same way.
  text = CutGbkText(in.Text(48, CHAT_BODY_SIZE - 48), CHAT_TEXT_LIMIT);
  return in.Ok();
}

Bytes ChatLine::Write() const {
  BodyWriter out(CHAT_BODY_SIZE);
  out.I32(0, userId).I32(4, roomId).I32(8, table).I32(12, chair);
  out.Text(16, MACHINE_ID_SIZE, machineId).Text(48, CHAT_TEXT_LIMIT + 1, text);
  return out.Take();
}

bool CallRecord::Read(BodyReader& in) {
  if (!in.Holds(CALL_BODY_SIZE)) return false;
  userId = in.I32(0);
  roomId = in.I32(4);
  table = in.I32(8);
  chair = in.I32(12);
  calledUserId = in.I32(16);
  calledChair = in.I32(20);
  return in.Ok();
}

Bytes CallRecord::Write() const {
  BodyWriter out(CALL_BODY_SIZE);
  out.I32(0, userId).I32(4, roomId).I32(8, table).I32(12, chair).I32(16, calledUserId).I32(20, calledChair);
  return out.Take();
}

bool SeatValueRequest::Read(BodyReader& in) {
  if (!in.Holds(SEAT_VALUE_SIZE) || !common.ReadWords(in)) return false;
  value = in.I32(16);
  return in.Ok();
}

bool ResponseTimesRequest::Read(BodyReader& in) {
  if (!in.Holds(RESPONSE_TIMES_SIZE)) return false;
  userId = in.I32(0);
  average = in.I32(4);
  maximum = in.I32(8);
  return in.Ok();
}

bool RewardRequest::Read(BodyReader& in) {
  if (!in.Holds(REWARD_BODY_SIZE)) return false;
  userId = in.I32(0);
  gameId = in.I32(4);
  roomId = in.I32(8);
  table = in.I32(12);
  chair = in.I32(16);
  amount = in.I32(20);
  machineId = in.Text(28, MACHINE_ID_SIZE);
  return in.Ok();
}

bool AllowanceConfigRequest::Read(BodyReader& in) {
  if (!in.Holds(ALLOWANCE_CONFIG_BODY_SIZE) || !common.ReadWords(in)) return false;
  argument = in.I32(20);
  return in.Ok();
}

bool AllowanceRequest::Read(BodyReader& in, bool withMachineId) {
  if (!in.Holds(withMachineId ? ALLOWANCE2_BODY_SIZE : ALLOWANCE_BODY_SIZE) || !common.ReadWords(in)) return false;
  userName = in.Text(16, 36);
  argument = in.I32(52);
  kind = in.I32(56);
  if (withMachineId) machineId = in.Text(72, MACHINE_ID_SIZE);
  return in.Ok();
}

bool NamedRecordRequest::Read(BodyReader& in) {
  if (!in.Holds(NAMED_RECORD_SIZE) || !common.ReadWords(in)) return false;
  userName = in.Text(28, 32);
  machineId = in.Text(60, MACHINE_ID_SIZE);
  return in.Ok();
}

Bytes WriteVersionReply(int32_t major, int32_t minor) {
  return BodyWriter(VERSION_REPLY_SIZE).I32(0, major).I32(4, minor).Take();
}

Bytes WriteTablePlayers(const std::vector<WirePlayer>& players, const Bytes& tableData) {
  size_t head = 60 + players.size() * WIRE_PLAYER_SIZE;
  BodyWriter out(head + tableData.size());
  out.I32(8, static_cast<int32_t>(players.size()));
  for (size_t i = 0; i < players.size(); ++i) players[i].Write(out, 60 + i * WIRE_PLAYER_SIZE);
  out.Raw(head, tableData);
  return out.Take();
}

Bytes WriteMovedTable(int32_t table, int32_t ownChair, const std::vector<WirePlayer>& players) {
  BodyWriter out(68 + players.size() * WIRE_PLAYER_SIZE);
  out.I32(8, table).I32(12, ownChair).I32(16, static_cast<int32_t>(players.size()));
  for (size_t i = 0; i < players.size(); ++i) players[i].Write(out, 68 + i * WIRE_PLAYER_SIZE);
  return out.Take();
}

Bytes WriteOpenSafeReply(int32_t silverInHand, int32_t balance) {
  return BodyWriter(OPEN_SAFE_REPLY_SIZE).I32(0, silverInHand).I32(4, balance).Take();
}

Bytes WriteProtectReply(int32_t userId, int32_t challenge) {
  return BodyWriter(PROTECT_REPLY_SIZE).I32(0, userId).I32(4, challenge).Take();
}

Bytes AllowanceConfig::Write() const {
  BodyWriter out(ALLOWANCE_CONFIG_REPLY_SIZE);
  out.I32(0, amount).I32(4, threshold).I32(8, perDay).I32(12, claimedToday).I32(16, argument);
  return out.Take();
}

Bytes WritePlayerLeft(int32_t userId, int32_t chair, int32_t table) {
  return BodyWriter(32).I32(0, userId).I32(4, chair).I32(28, table).Take();
}

Bytes WriteOnlookerLeft(int32_t userId, int32_t table, int32_t watchedChair) {
  return BodyWriter(16).I32(0, userId).I32(4, table).I32(8, watchedChair).Take();
}

Bytes WritePlayersUpdated(const std::vector<PlayerStanding>& players) {
  BodyWriter out(PLAYERS_UPDATED_FIRST + players.size() * PLAYERS_UPDATED_ENTRY);
  out.I32(0, static_cast<int32_t>(players.size()));
  for (size_t i = 0; i < players.size(); ++i) {
    size_t o = PLAYERS_UPDATED_FIRST + i * PLAYERS_UPDATED_ENTRY;
    out.I32(o, players[i].userId).I32(o + 8, players[i].score).I32(o + 12, players[i].silver);
    out.I32(o + 16, players[i].level).Text(o + 20, 16, players[i].levelTitle);
  }
  return out.Take();
}

Bytes BaseSilverNotice::Write() const {
  BodyWriter out(32);
  out.I32(0, userId).I32(4, chair).I32(8, kind).I32(12, amount).I32(16, silver).I32(20, baseSilver).I32(24, target);
  return out.Take();
}

namespace {
// A body with a text at `offset`: the text, cut to the notice limit, and its zero byte.
Bytes TextAt(size_t offset, const std::string& text) {
  std::string cut = CutGbkText(text, NOTICE_TEXT_LIMIT);
  BodyWriter out(offset + cut.size() + 1);
  out.Text(offset, cut.size() + 1, cut);
  return out.Take();
}
}  // namespace

Bytes WriteChatNotice(int32_t userId, int32_t kind, const std::string& text) {
  Bytes body = TextAt(36, text);
  BodyWriter out(body.size());
  out.Raw(0, body).I32(0, userId).I32(8, kind);
  return out.Take();
}

Bytes WriteUserNotice(int32_t userId) { return BodyWriter(16).I32(0, userId).Take(); }

Bytes WritePlayerRoundsOver(int32_t userId, int32_t limit) { return BodyWriter(16).I32(0, userId).I32(12, limit).Take(); }

Bytes WriteTableRoundsOver(int32_t limit) { return BodyWriter(16).I32(8, limit).Take(); }

Bytes WriteOpenHours(const std::vector<std::pair<int32_t, int32_t>>& periods) {
  size_t n = std::min(periods.size(), OPEN_HOURS_MAX);
  BodyWriter out(60 + 4 * OPEN_HOURS_MAX);
  out.I32(8, static_cast<int32_t>(n));
  for (size_t i = 0; i < n; ++i) out.I32(28 + 4 * i, periods[i].first).I32(60 + 4 * i, periods[i].second);
  return out.Take();
}

Bytes WriteServerMessage(const std::string& text) { return TextAt(8, text); }

Bytes WriteSystemText(const std::string& text) { return TextAt(16, text); }

Bytes WriteRoundResults(const std::string& message, const std::string& link) { return TextAt(32, message + "|" + link); }

Bytes WriteTableClosed(int32_t table) { return BodyWriter(16).I32(0, table).Take(); }

Bytes WriteSilverLimitReply(int32_t silver, int32_t limit) { return BodyWriter(16).I32(8, silver).I32(12, limit).Take(); }

}  // namespace testbed
