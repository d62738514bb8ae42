// The framework's request bodies as the server reads them and its reply and notification bodies
// as the server writes them. Each record is a typed struct with an explicit reader or writer; a
// reader returns false when the body is shorter than the record, and nothing of it is used then.
// All integers are 32-bit little-endian; bytes not named are zero.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/base/WinTypes.h"
#include "testbed/server/BodyReader.h"

namespace testbed {

using Bytes = std::vector<BYTE>;

const size_t COMMON_BODY_SIZE = 32;
const size_t ENTER_RECORD_SIZE = 108;
const size_t WIRE_PLAYER_SIZE = 136;
const size_t LEAVE_BODY_SIZE = 96;
const size_t SAFE_TRANSFER_SIZE = 112;
const size_t SAFE_QUERY_SIZE = 76;
const size_t CHAT_BODY_SIZE = 128;
const size_t CALL_BODY_SIZE = 40;
const size_t SEAT_VALUE_SIZE = 36;
const size_t RESPONSE_TIMES_SIZE = 16;
const size_t REWARD_BODY_SIZE = 192;
const size_t ALLOWANCE_CONFIG_BODY_SIZE = 320;
const size_t ALLOWANCE_BODY_SIZE = 104;
const size_t ALLOWANCE2_BODY_SIZE = 136;
const size_t NAMED_RECORD_SIZE = 428;
const size_t VERSION_REPLY_SIZE = 28;
const size_t OPEN_SAFE_REPLY_SIZE = 32;
const size_t PROTECT_REPLY_SIZE = 24;
const size_t ALLOWANCE_CONFIG_REPLY_SIZE = 124;
const size_t MACHINE_ID_SIZE = 32;
// The most text bytes a chat line carries, before its zero byte.
const size_t CHAT_TEXT_LIMIT = 61;
const int CHAIRS = 4;

// The game server's form of a player (notifications 211011 and 211700, the table-players record
// and the end of the enter request).
struct WirePlayer {
  int32_t userId = 0;
  int32_t flags = 0;
  int32_t status = 0;
  int32_t table = 0;
  int32_t chair = 0;
  int32_t value20 = 0;
  int32_t portrait = 0;
  int32_t value28 = 0;
  int32_t clothing = 0;
  std::string name;      // at most 31 bytes
  std::string nickname;  // at most 15 bytes
  int32_t silver = 0;
  int32_t level = 0;
  int32_t score = 0;
  int32_t value96 = 0;
  std::array<int32_t, 5> values100{};  // the last one is seconds

  bool Read(BodyReader& in, size_t offset);
  void Write(BodyWriter& out, size_t offset) const;
};

// Words 0 to 3 of most table requests.
struct CommonRequest {
  int32_t userId = 0;
  int32_t roomId = 0;
  int32_t table = 0;
  int32_t chair = 0;

  bool Read(BodyReader& in);  // needs the 32 bytes of the whole common body
  bool ReadWords(BodyReader& in);  // needs only the four words
};

// Request 200110: the 108-byte record, followed by the own player when the room sends it.
struct EnterRequest {
  int32_t userId = 0;
  int32_t flags = 0;
  int32_t gameId = 0;
  int32_t roomId = 0;
  int32_t table = 0;
  int32_t chair = 0;
  std::string machineId;
  int32_t lookOn = 0;
  int32_t quickCatch = 0;
  int32_t roomValue = 0;
  bool hasPlayer = false;
  WirePlayer player;

  bool Read(BodyReader& in);
};

// Requests 201120 and 201125.
struct LeaveRequest {
  int32_t leavingUserId = 0;
  int32_t roomId = 0;
  int32_t table = 0;
  int32_t chairArgument = 0;
  int32_t notOwn = 0;
  int32_t ownTable = 0;
  int32_t ownChair = 0;
  int32_t ownUserId = 0;
  std::string machineId;

  bool Read(BodyReader& in);
};

// Requests 200041 (withdraw, direction 2) and 200042 (deposit, direction 1).
struct SafeTransferRequest {
  int32_t userId = 0;
  int32_t gameId = 0;
  int32_t roomId = 0;
  int32_t table = 0;
  int32_t chair = 0;
  int32_t amount = 0;
  int32_t answer = 0;
  std::string machineId;
  int32_t silverInHand = 0;
  int32_t direction = 0;

  bool Read(BodyReader& in);
};
const int32_t SAFE_INTO_BOX = 1;
const int32_t SAFE_OUT_OF_BOX = 2;

// Requests 200040 and 200043.
struct SafeQueryRequest {
  int32_t userId = 0;
  int32_t gameId = 0;
  std::string machineId;

  bool Read(BodyReader& in);
};

// Requests 201210 and 201211, and notification 201210 (the same 128 bytes).
struct ChatLine {
  int32_t userId = 0;
  int32_t roomId = 0;
  int32_t table = 0;
  int32_t chair = 0;
  std::string machineId;
  std::string text;  // at most 61 bytes

  bool Read(BodyReader& in);
  Bytes Write() const;
};

// Request 201200 and notification 201200 (the same 40 bytes).
struct CallRecord {
  int32_t userId = 0;
  int32_t roomId = 0;
  int32_t table = 0;
  int32_t chair = 0;
  int32_t calledUserId = 0;
  int32_t calledChair = 0;

  bool Read(BodyReader& in);
  Bytes Write() const;
};

// Request 201180.
struct SeatValueRequest {
  CommonRequest common;
  int32_t value = 0;

  bool Read(BodyReader& in);
};

// Request 201020, the keep-alive that carries the client's response times.
struct ResponseTimesRequest {
  int32_t userId = 0;
  int32_t average = 0;
  int32_t maximum = 0;

  bool Read(BodyReader& in);
};

// Request 201303.
struct RewardRequest {
  int32_t userId = 0;
  int32_t gameId = 0;
  int32_t roomId = 0;
  int32_t table = 0;
  int32_t chair = 0;
  int32_t amount = 0;
  std::string machineId;

  bool Read(BodyReader& in);
};

// Request 214010.
struct AllowanceConfigRequest {
  CommonRequest common;
  int32_t argument = 0;

  bool Read(BodyReader& in);
};

// Requests 214000 (104 bytes) and 214001 (136 bytes, with the machine id).
struct AllowanceRequest {
  CommonRequest common;
  std::string userName;
  int32_t argument = 0;
  int32_t kind = 0;
  std::string machineId;

  bool Read(BodyReader& in, bool withMachineId);
};

// Requests 214102 and 214104.
struct NamedRecordRequest {
  CommonRequest common;
  std::string userName;
  std::string machineId;

  bool Read(BodyReader& in);
};

// Reply of 201001: the server's version and five words the client does not read.
Bytes WriteVersionReply(int32_t major, int32_t minor);

// Reply 200510 of the enter request: the players of the table by position, then the game's
// table data.
Bytes WriteTablePlayers(const std::vector<WirePlayer>& players, const Bytes& tableData);

// Notification 211700: the table the player was moved to, his chair and its players.
Bytes WriteMovedTable(int32_t table, int32_t ownChair, const std::vector<WirePlayer>& players);

// Reply of 200040: the silver in hand and the box's balance.
Bytes WriteOpenSafeReply(int32_t silverInHand, int32_t balance);
// Reply of 200043: the challenge the answer is computed from.
Bytes WriteProtectReply(int32_t userId, int32_t challenge);

// Reply of 214010. The block's layout is the server's: amount granted per claim, the silver below
// which a claim is granted, claims allowed a day, claims made today, the argument echoed.
struct AllowanceConfig {
  int32_t amount = 0;
  int32_t threshold = 0;
  int32_t perDay = 0;
  int32_t claimedToday = 0;
  int32_t argument = 0;

  Bytes Write() const;
};

// Notification 211010: a seated player left.
Bytes WritePlayerLeft(int32_t userId, int32_t chair, int32_t table);
// Notification 211020: an onlooker left.
Bytes WriteOnlookerLeft(int32_t userId, int32_t table, int32_t watchedChair);

// Notification 211030: new score, silver and level of players.
struct PlayerStanding {
  int32_t userId = 0;
  int32_t score = 0;
  int32_t silver = 0;
  int32_t level = 0;
  std::string levelTitle;  // at most 15 bytes
};
const size_t PLAYERS_UPDATED_ENTRY = 52;
const size_t PLAYERS_UPDATED_FIRST = 20;
Bytes WritePlayersUpdated(const std::vector<PlayerStanding>& players);

// Notification 211420.
struct BaseSilverNotice {
  int32_t userId = 0;
  int32_t chair = 0;
  int32_t kind = 0;
  int32_t amount = 0;
  int32_t silver = 0;  // the player's new silver in hand
  int32_t baseSilver = 0;
  int32_t target = 0;  // 0 the game, else the reserve box

  Bytes Write() const;
};

// Notification 211200: kind 2 carries raw markup, kind 8 a line said by the user.
Bytes WriteChatNotice(int32_t userId, int32_t kind, const std::string& text);

// Notifications 211110, 211130 and 211132: the player whose silver or score ends the table.
Bytes WriteUserNotice(int32_t userId);
// Notification 211134: the player and his limit of hands.
Bytes WritePlayerRoundsOver(int32_t userId, int32_t limit);
// Notification 211136: the table's limit of hands.
Bytes WriteTableRoundsOver(int32_t limit);
// Notification 211137: the open periods, each as {start, end} in hhmm; at most 8 are written.
Bytes WriteOpenHours(const std::vector<std::pair<int32_t, int32_t>>& periods);
const size_t OPEN_HOURS_MAX = 8;
// Notification 211138: a message shown in a box.
Bytes WriteServerMessage(const std::string& text);
// Notification 60031: a system line for the chat; the text stands at offset 16.
Bytes WriteSystemText(const std::string& text);
// Notification 211410: "message|link" at offset 32.
Bytes WriteRoundResults(const std::string& message, const std::string& link);
// Notification 211000: the table the server closed.
Bytes WriteTableClosed(int32_t table);
// Reply 210090 / 210091 of the ready requests: the silver carried and the room's limit.
Bytes WriteSilverLimitReply(int32_t silver, int32_t limit);

// The most text bytes the notices with a text take.
const size_t NOTICE_TEXT_LIMIT = 1024;

}  // namespace testbed
