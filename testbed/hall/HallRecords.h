// The records of the hall link, byte for byte: what the hall sends the client (the session data,
// an onlooker, a player who quit, the sign answer) and what the client sends the hall (the exit
// report, the text record). All little-endian; ints are signed 32-bit.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/base/WinTypes.h"

namespace testbed {

using Bytes = std::vector<BYTE>;

// The hall's messages and the WM_COPYDATA kinds (dwData) of its records.
constexpr UINT WM_HALL_GAME_WINDOW = 0x9105;
constexpr UINT WM_HALL_FORWARD_NOTICE = 0x9107;
constexpr UINT WM_HALL_SHOW_PLAYER = 0x9108;
constexpr UINT WM_HALL_SIGN_QUERY = 0x910C;
constexpr UINT WM_HALL_CHANGE_CLOTHING = 0x86EF;
constexpr UINT WM_HALL_BECOME_MEMBER = 0x86F0;
constexpr ULONG_PTR HALL_SESSION_DATA = 1;
constexpr ULONG_PTR HALL_EXIT_REPORT = 2;
constexpr ULONG_PTR HALL_ONLOOKER = 4;
constexpr ULONG_PTR HALL_EXIT_REPORT_DROPPED = 5;
constexpr ULONG_PTR HALL_PLAYER_QUIT = 6;
constexpr ULONG_PTR HALL_PLAYER_DETAILS = 7;
constexpr ULONG_PTR HALL_TEXT_RECORD = 11;
constexpr ULONG_PTR HALL_SIGN_ANSWER = 14;

constexpr size_t PLAYER_RECORD_BYTES = 320;
constexpr size_t ROOM_RECORD_BYTES = 444;
constexpr size_t TABLE_RECORD_BYTES = 176;
constexpr size_t LEVEL_LIST_BYTES = 360;
constexpr size_t SESSION_HEAD_BYTES = ROOM_RECORD_BYTES + TABLE_RECORD_BYTES;  // 620
constexpr size_t QUIT_RECORD_BYTES = 16;
constexpr size_t EXIT_RECORD_BYTES = 188;
constexpr size_t TEXT_RECORD_BYTES = 532;
constexpr size_t TEXT_RECORD_SENT_BYTES = 544;
// The sign answer: user id at 0, the sign text at 8 (at most 255 characters), the query's address
// at 268. The address is a pointer of the client's, 64 bits here, so the record is 276 bytes,
// sent as 288.
constexpr size_t SIGN_ANSWER_BYTES = 276;

struct HallPlayer {
  int32_t userId = 0;
  int32_t flags = 0;  // bit 0: member
  int32_t status = 0;
  std::string name;      // GBK, at most 31 bytes
  std::string nickname;  // GBK, at most 15 bytes
  int32_t portraitId = 0;
  int32_t clothing = 0;
  int32_t silver = 0;
  int32_t levelIndex = 0;
  std::string levelTitle;  // at most 15 bytes
  int32_t score = 0;
  int32_t minutes = 0;
  int32_t table = 0;
  int32_t chair = 0;
  int32_t lookOn = 0;
  int32_t friendFlag = 0;
  int32_t unwelcome = 0;
  int32_t acquaintance = 0;
};

struct HallRoom {
  int32_t noticeId = 0;
  int32_t flags = 0;
  std::string name;          // at most 63 bytes
  std::string advertBase;    // at most 63 bytes
  std::string noticeBase;    // at most 63 bytes
  std::string location;      // at most 67 bytes
  int32_t noticePeriod = 0;  // seconds
  int32_t options = 0;
  int32_t value304 = 0;
  int32_t value308 = 0;
  std::vector<std::string> levelTitles;  // sent after the players when not empty
};

struct HallTable {
  int32_t number = 0;
  std::vector<HallPlayer> seats;
  std::vector<HallPlayer> onlookers;
};

Bytes WritePlayerRecord(const HallPlayer& player);
Bytes WriteRoomRecord(const HallRoom& room);  // offset 320 is 1 when level titles are given
Bytes WriteTableRecord(const HallTable& table);
// Room record, table record, seats, onlookers, and the level-title list when the room has one.
Bytes WriteSessionData(const HallRoom& room, const HallTable& table);
Bytes WriteQuitRecord(int32_t hallWindow, int32_t userId, int32_t table, int32_t chair);
Bytes WriteSignAnswer(int32_t userId, const std::string& sign, uint64_t queryAddress);

struct ExitReport {
  int32_t frameWindow = 0;
  int32_t userId = 0;
  int32_t table = 0;
  int32_t chair = 0;
  int32_t serverMajor = 0;
  int32_t lookOn = 0;
  int32_t exitKind = 0;
  int32_t gameId = 0;
  int32_t serverMinor = 0;
};
// False unless the record is exactly 188 bytes with its tail zero.
bool ReadExitReport(const BYTE* data, size_t size, ExitReport* out);
Bytes WriteExitReport(const ExitReport& report);

struct TextRecord {
  int32_t window = 0;
  int32_t userId = 0;
  int32_t gameId = 0;
  int32_t roomId = 0;
  int32_t value = 0;
  std::string text;
};
// Reads the deciphered record; false when it is shorter than 532 bytes or the text is not
// terminated within its 256 bytes.
bool ReadTextRecord(const Bytes& plain, TextRecord* out);
Bytes WriteTextRecord(const TextRecord& record);  // 532 bytes

// The hall's cipher step: AES-128-ECB under the hall key, the plain bytes zero-padded to whole
// 16-byte blocks (the text record travels padded to 544, as the client sends it).
Bytes EncryptHallRecord(const Bytes& plain);
// Deciphers whole blocks; false when the length is not a whole number of blocks.
bool DecryptHallRecord(const BYTE* data, size_t size, Bytes* plain);

// The sign the hall gives a user: 32 lower-case hexadecimal characters derived from the user id
// and the hall key, so that the testbed server can check it too.
std::string HallSign(int32_t userId);

}  // namespace testbed
