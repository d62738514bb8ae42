// The records of players, rooms and tables as the hall and the game server send them. Each is a
// typed struct filled by an explicit reader from the bytes of its layout and written back by an
// explicit writer; bytes the framework does not interpret are carried whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/base/WinTypes.h"

#define PLAYER_RECORD_SIZE 320
#define WIRE_PLAYER_RECORD_SIZE 136
#define ROOM_RECORD_SIZE 444
#define TABLE_RECORD_SIZE 176
#define SEAT_COUNT 8
#define ONLOOKER_COUNT 64
#define PLAYER_NAME_SIZE 32
#define PLAYER_NICKNAME_SIZE 16
#define LEVEL_TITLE_SIZE 16

// The hall's 320-byte form of a player, the same in the application's tables.
struct PlayerRecord {
  int32_t userId = 0;  // 0 marks a free seat or onlooker slot
  int32_t flags = 0;   // bit 0: member
  int32_t status = 0;
  BYTE reserved12[8] = {};
  char name[PLAYER_NAME_SIZE] = {};
  char nickname[PLAYER_NICKNAME_SIZE] = {};
  int32_t value68 = 0;
  int32_t portraitId = 0;
  int32_t clothing = 0;
  int32_t silver = 0;
  int32_t levelIndex = 0;
  char levelTitle[LEVEL_TITLE_SIZE] = {};
  int32_t score = 0;
  int32_t minutes = 0;
  int32_t value112 = 0;
  int32_t value116 = 0;
  int32_t values120[5] = {};
  int32_t tableNo = 0;
  int32_t chair = 0;   // for an onlooker: the chair of the player he watches
  int32_t lookOn = 0;
  BYTE reserved152[8] = {};
  int32_t isFriend = 0;
  int32_t isUnwelcome = 0;
  int32_t isKnown = 0;
  BYTE reserved172[148] = {};

  // Reads the 320 bytes at data; the texts are bounded by their fields.
  static PlayerRecord Read(const BYTE* data);
  void Write(BYTE* out) const;
  void Clear() { *this = PlayerRecord(); }
  // "name[nickname]", or the name alone when the nickname is empty.
  std::string DisplayName() const;
};

// The game server's 136-byte form of a player.
struct WirePlayerRecord {
  int32_t userId = 0;
  int32_t flags = 0;
  int32_t status = 0;
  int32_t tableNo = 0;
  int32_t chair = 0;
  int32_t value20 = 0;
  int32_t portraitId = 0;
  int32_t value28 = 0;
  int32_t clothing = 0;
  char name[PLAYER_NAME_SIZE] = {};
  char nickname[PLAYER_NICKNAME_SIZE] = {};
  int32_t silver = 0;
  int32_t levelIndex = 0;
  int32_t score = 0;
  int32_t value96 = 0;
  int32_t values100[5] = {};  // the last one is seconds
  BYTE unused120[16] = {};

  static WirePlayerRecord Read(const BYTE* data);
  void Write(BYTE* out) const;
};

// The hall's 444-byte room record, as far as the framework reads it.
struct RoomRecord {
  int32_t noticeId = 0;
  int32_t flags = 0;    // bit 2 bank and silver columns, bit 14 long close text
  char roomName[64] = {};
  char advertBase[64] = {};
  char noticeBase[64] = {};
  char location[68] = {};
  int32_t noticePeriod = 0;  // seconds
  int32_t options = 0;       // bits 1, 3, 6, 7 and 24
  int32_t value304 = 0;
  int32_t value308 = 0;
  int32_t hasLevelTitles = 0;
  BYTE raw[ROOM_RECORD_SIZE] = {};

  static RoomRecord Read(const BYTE* data);
};

// The hall's 176-byte table record.
struct TableRecord {
  int32_t tableNo = 0;
  int32_t seatCount = 0;
  int32_t onlookerCount = 0;
  BYTE raw[TABLE_RECORD_SIZE] = {};

  static TableRecord Read(const BYTE* data);
};
