// The room and the table that the user sits at or watches: the room and table records from the
// hall, 8 seats indexed by chair, 64 onlooker slots in arrival order and the room's level titles.
// Every pane and game layer reads players from here. Each record and count from the hall or the
// server is checked before it indexes anything: a body too short for its counts, a count beyond
// the seats or slots, or a chair outside 0 to 7 is refused and logged, and the tables keep what
// they held.
#pragma once

#include <map>
#include <string>

#include "framework/LaunchLine.h"
#include "framework/PlayerRecords.h"

// Bytes of the level-title list that may follow the player records of the session data.
#define LEVEL_TITLE_LIST_SIZE 360
#define SESSION_PLAYERS_OFFSET (ROOM_RECORD_SIZE + TABLE_RECORD_SIZE)

// Where the table data of a table-players record lies (the bytes after its player records).
struct TableDataTail {
  bool accepted = false;
  const BYTE* data = nullptr;
  size_t length = 0;
};

class CPlayerTables {
 public:
  // The launch fields hold the own user id, table number, chair and look-on flag; a random or
  // moved table changes the table number and chair there.
  explicit CPlayerTables(LaunchLine* launch) : m_launch(launch) {}

  // True when the chair indexes a seat.
  static bool IsChair(int chair) { return chair >= 0 && chair < SEAT_COUNT; }

  PlayerRecord* FindPlayer(int userId);
  const PlayerRecord* FindPlayer(int userId) const;
  // True when the record is one of the onlooker slots.
  bool IsOnlookerSlot(const PlayerRecord* record) const;
  PlayerRecord* Seat(int chair) { return IsChair(chair) ? &m_seats[chair] : nullptr; }
  const PlayerRecord* Seat(int chair) const { return IsChair(chair) ? &m_seats[chair] : nullptr; }
  PlayerRecord* Onlooker(int slot) { return slot >= 0 && slot < ONLOOKER_COUNT ? &m_onlookers[slot] : nullptr; }

  int GetPlayerChair(int userId) const;
  int GetPlayerPortraitID(int userId) const;
  int IsFriend(int userId) const;
  int IsUnwelcome(int userId) const;
  int IsKnown(int userId) const;
  int IsMember(int userId) const;
  int IsOnlooker(int userId) const;
  std::string GetPlayerName(int userId) const;
  std::string GetPlayerDisplayName(int userId) const;
  // A chair outside 0 to 7 gives 0 and empty texts.
  int GetSeatUserID(int chair) const;
  std::string GetSeatPlayerName(int chair) const;
  std::string GetSeatPlayerDisplayName(int chair) const;
  std::string GetLevelTitle(int index) const;

  // The hall's session data (record 1, deciphered). Returns true only when the own record is
  // there with the launch line's look-on flag and chair. A record whose length does not cover
  // its counts is refused before anything is changed.
  bool LoadSessionData(const BYTE* data, size_t length);
  // Copies the wire fields over a player record; the level title comes from the title map and
  // the minutes from the seconds value.
  void WireToPlayerRecord(PlayerRecord* record, const WirePlayerRecord& wire) const;
  static void PlayerRecordToWire(WirePlayerRecord* wire, const PlayerRecord& record);

  // The table-players record of the enter-game reply: every wire record but the own one over
  // the seat of its position. Returns where the table data behind the records lies.
  TableDataTail OnTablePlayers(const BYTE* data, size_t length);
  // Notification 211028 and 211700. False when the record was refused.
  bool LoadRandomTable(const BYTE* data, size_t length, TableDataTail* tail = nullptr);
  bool LoadMovedTable(const BYTE* data, size_t length);
  // Notification 211910: new seat names.
  bool UpdateSeatNames(const BYTE* data, size_t length);
  // Notifications 211430 and 211440; 1 when a value changed.
  int SetPlayerClothing(const BYTE* data, size_t length);
  int SetPlayerMember(const BYTE* data, size_t length);
  // Notification 211011: the wire record over the seat of its own chair. The seat, or null when
  // the record was refused.
  PlayerRecord* SeatFromWire(const BYTE* data, size_t length);
  // Notification 211030: score, silver, level index and title of each listed player. False when
  // the body is shorter than its count says.
  bool UpdateScores(const BYTE* data, size_t length);
  // An onlooker announced by the hall goes into the first free slot; the slot, or -1 when all
  // are taken.
  int AddOnlooker(const PlayerRecord& record);

  const RoomRecord& Room() const { return m_room; }
  RoomRecord& Room() { return m_room; }
  const TableRecord& Table() const { return m_table; }
  TableRecord& Table() { return m_table; }
  const std::map<int, std::string>& LevelTitles() const { return m_levelTitles; }

 private:
  LaunchLine* m_launch;
  RoomRecord m_room;
  TableRecord m_table;
  PlayerRecord m_seats[SEAT_COUNT];
  PlayerRecord m_onlookers[ONLOOKER_COUNT];
  std::map<int, std::string> m_levelTitles;
};
