#include "framework/PlayerTables.h"

#include <cstring>
#include <vector>

#include "framework/BodyReader.h"
#include "net/NetLog.h"
#include "net/SystemHelpers.h"
#include "net/WireBytes.h"

namespace {

constexpr int ROOM_OPTION_BIT1 = 1 << 1;
constexpr int ROOM_OPTION_BIT6 = 1 << 6;
constexpr int STATUS_SKIPPED_ELSEWHERE = 12;

bool CountFits(int32_t count, int limit, size_t offset, size_t recordSize, size_t length) {
  if (count < 0 || count > limit) return false;
  return offset <= length && static_cast<size_t>(count) * recordSize <= length - offset;
}

}  // namespace

PlayerRecord* CPlayerTables::FindPlayer(int userId) {
  return const_cast<PlayerRecord*>(static_cast<const CPlayerTables*>(this)->FindPlayer(userId));
}

const PlayerRecord* CPlayerTables::FindPlayer(int userId) const {
  for (const PlayerRecord& seat : m_seats) {
    if (seat.userId == userId) return &seat;
  }
  for (const PlayerRecord& onlooker : m_onlookers) {
    if (onlooker.userId == userId) return &onlooker;
  }
  return nullptr;
}

bool CPlayerTables::IsOnlookerSlot(const PlayerRecord* record) const {
  return record >= m_onlookers && record < m_onlookers + ONLOOKER_COUNT;
}

int CPlayerTables::GetPlayerChair(int userId) const {
  const PlayerRecord* r = FindPlayer(userId);
  return r != nullptr ? r->chair : -1;
}

int CPlayerTables::GetPlayerPortraitID(int userId) const {
  const PlayerRecord* r = FindPlayer(userId);
  return r != nullptr ? r->portraitId : 0;
}

int CPlayerTables::IsFriend(int userId) const {
  const PlayerRecord* r = FindPlayer(userId);
  return r != nullptr ? r->isFriend : 0;
}

int CPlayerTables::IsUnwelcome(int userId) const {
  const PlayerRecord* r = FindPlayer(userId);
  return r != nullptr ? r->isUnwelcome : 0;
}

int CPlayerTables::IsKnown(int userId) const {
  const PlayerRecord* r = FindPlayer(userId);
  return r != nullptr ? r->isKnown : 0;
}

int CPlayerTables::IsMember(int userId) const {
  const PlayerRecord* r = FindPlayer(userId);
  return r != nullptr ? (r->flags & 1) : 0;
}

int CPlayerTables::IsOnlooker(int userId) const { return IsOnlookerSlot(FindPlayer(userId)) ? 1 : 0; }

std::string CPlayerTables::GetPlayerName(int userId) const {
  const PlayerRecord* r = FindPlayer(userId);
  return r != nullptr ? std::string(r->name) : std::string();
}

std::string CPlayerTables::GetPlayerDisplayName(int userId) const {
  const PlayerRecord* r = FindPlayer(userId);
  return r != nullptr ? r->DisplayName() : std::string();
}

int CPlayerTables::GetSeatUserID(int chair) const { return IsChair(chair) ? m_seats[chair].userId : 0; }

std::string CPlayerTables::GetSeatPlayerName(int chair) const {
  return IsChair(chair) ? std::string(m_seats[chair].name) : std::string();
}

std::string CPlayerTables::GetSeatPlayerDisplayName(int chair) const {
  return IsChair(chair) ? m_seats[chair].DisplayName() : std::string();
}

std::string CPlayerTables::GetLevelTitle(int index) const {
  auto it = m_levelTitles.find(index);
  return it != m_levelTitles.end() ? it->second : std::string();
}

bool CPlayerTables::LoadSessionData(const BYTE* data, size_t length) {
  CBodyReader body(data, length);
  if (!body.Has(SESSION_PLAYERS_OFFSET)) {
    LogPrintf("session data refused: %u bytes", static_cast<unsigned>(length));
    return false;
  }
  RoomRecord room = RoomRecord::Read(data);
  TableRecord table = TableRecord::Read(data + ROOM_RECORD_SIZE);
  // The counts must fit the seats and slots, and the records and the title list the data.
  const int32_t seats = table.seatCount;
  const int32_t onlookers = table.onlookerCount;
  size_t needed = SESSION_PLAYERS_OFFSET;
  bool fits = seats >= 0 && seats <= SEAT_COUNT && onlookers >= 0 && onlookers <= ONLOOKER_COUNT;
  if (fits) {
    needed += static_cast<size_t>(seats + onlookers) * PLAYER_RECORD_SIZE;
    if (room.hasLevelTitles != 0) needed += LEVEL_TITLE_LIST_SIZE;
    fits = body.Has(needed);
  }
  if (!fits) {
    LogPrintf("session data refused: %d seats, %d onlookers in %u bytes", seats, onlookers,
              static_cast<unsigned>(length));
    return false;
  }

  m_room = room;
  m_table = table;
  const bool skipElsewhere = (room.options & ROOM_OPTION_BIT6) != 0 && (room.options & ROOM_OPTION_BIT1) == 0;
  int copied = 0;
  const BYTE* record = data + SESSION_PLAYERS_OFFSET;
  for (int i = 0; i < seats; ++i, record += PLAYER_RECORD_SIZE) {
    PlayerRecord player = PlayerRecord::Read(record);
    if (skipElsewhere && player.chair != m_launch->chair && player.status == STATUS_SKIPPED_ELSEWHERE) continue;
    if (!IsChair(player.chair)) {
      LogPrintf("session data: seat record of user %d with chair %d skipped", player.userId, player.chair);
      continue;
    }
    m_seats[player.chair] = player;
    ++copied;
  }
  for (int i = 0; i < onlookers; ++i, record += PLAYER_RECORD_SIZE) m_onlookers[i] = PlayerRecord::Read(record);

  if (room.hasLevelTitles != 0) {
    // One byte more than the list, so that a list without a terminator still ends.
    char list[LEVEL_TITLE_LIST_SIZE + 1] = {};
    std::memcpy(list, record, LEVEL_TITLE_LIST_SIZE);
    LPSTR fields[60] = {};
    int count = SplitString(list, fields, 60, nullptr);
    for (int i = 0; i < count && fields[i][0] != '\0'; ++i) m_levelTitles[i] = fields[i];
  }
  m_table.seatCount = copied;
  WriteU32Le(m_table.raw + 8, static_cast<uint32_t>(copied));

  const PlayerRecord* own = FindPlayer(m_launch->userId);
  return own != nullptr && own->lookOn == m_launch->lookOn && own->chair == m_launch->chair;
}

void CPlayerTables::WireToPlayerRecord(PlayerRecord* r, const WirePlayerRecord& w) const {
  r->userId = w.userId;
  r->flags = w.flags;
  r->status = w.status;
  r->tableNo = w.tableNo;
  r->chair = w.chair;
  r->value68 = w.value20;
  r->portraitId = w.portraitId;
  r->value116 = w.value28;
  r->clothing = w.clothing;
  std::memcpy(r->name, w.name, sizeof(r->name));
  std::memcpy(r->nickname, w.nickname, sizeof(r->nickname));
  r->silver = w.silver;
  r->levelIndex = w.levelIndex;
  std::string title = GetLevelTitle(w.levelIndex);
  CopyTextField(r->levelTitle, sizeof(r->levelTitle), title.c_str(), title.size());
  r->score = w.score;
  r->value112 = w.value96;
  for (int i = 0; i < 5; ++i) r->values120[i] = w.values100[i];
  r->minutes = w.values100[4] / 60;
}

void CPlayerTables::PlayerRecordToWire(WirePlayerRecord* w, const PlayerRecord& r) {
  w->userId = r.userId;
  w->flags = r.flags;
  w->status = r.status;
  w->tableNo = r.tableNo;
  w->chair = r.chair;
  w->value20 = r.value68;
  w->portraitId = r.portraitId;
  w->value28 = r.value116;
  w->clothing = r.clothing;
  std::memcpy(w->name, r.name, sizeof(w->name));
  std::memcpy(w->nickname, r.nickname, sizeof(w->nickname));
  w->silver = r.silver;
  w->levelIndex = r.levelIndex;
  w->score = r.score;
  w->value96 = r.value112;
  for (int i = 0; i < 5; ++i) w->values100[i] = r.values120[i];
}

TableDataTail CPlayerTables::OnTablePlayers(const BYTE* data, size_t length) {
  TableDataTail tail;
  CBodyReader body(data, length);
  if (!body.Has(60)) return tail;
  const int32_t count = body.Int(8);
  if (!CountFits(count, SEAT_COUNT, 60, WIRE_PLAYER_RECORD_SIZE, length)) {
    LogPrintf("table players refused: %d records in %u bytes", count, static_cast<unsigned>(length));
    return tail;
  }
  for (int i = 0; i < count; ++i) {
    WirePlayerRecord wire = WirePlayerRecord::Read(data + 60 + i * WIRE_PLAYER_RECORD_SIZE);
    if (wire.userId == m_launch->userId) continue;
    m_seats[i].Clear();
    WireToPlayerRecord(&m_seats[i], wire);
  }
  tail.accepted = true;
  size_t used = 60 + static_cast<size_t>(count) * WIRE_PLAYER_RECORD_SIZE;
  tail.length = length - used;
  tail.data = tail.length > 0 ? data + used : nullptr;
  return tail;
}

bool CPlayerTables::LoadRandomTable(const BYTE* data, size_t length, TableDataTail* tail) {
  CBodyReader body(data, length);
  const int32_t count = body.Int(8);
  if (!body.Has(64) || !CountFits(count, SEAT_COUNT, 64, WIRE_PLAYER_RECORD_SIZE, length)) {
    LogPrintf("random seating refused: %d records in %u bytes", count, static_cast<unsigned>(length));
    return false;
  }
  for (int i = 0; i < count; ++i) {
    if (body.Int(12 + 4 * i) == m_launch->userId) {
      m_launch->chair = i;
      break;
    }
  }
  m_launch->tableNo = body.Int(4);
  m_table.tableNo = m_launch->tableNo;
  WriteU32Le(m_table.raw, static_cast<uint32_t>(m_table.tableNo));
  m_table.seatCount = count;
  WriteU32Le(m_table.raw + 8, static_cast<uint32_t>(count));
  for (PlayerRecord& seat : m_seats) seat.Clear();
  for (int i = 0; i < count; ++i) {
    WireToPlayerRecord(&m_seats[i], WirePlayerRecord::Read(data + 64 + i * WIRE_PLAYER_RECORD_SIZE));
  }
  if (tail != nullptr) {
    size_t used = 64 + static_cast<size_t>(count) * WIRE_PLAYER_RECORD_SIZE;
    tail->accepted = true;
    tail->length = length - used;
    tail->data = data + used;
  }
  return true;
}

bool CPlayerTables::LoadMovedTable(const BYTE* data, size_t length) {
  CBodyReader body(data, length);
  const int32_t count = body.Int(16);
  if (!body.Has(68) || !CountFits(count, SEAT_COUNT, 68, WIRE_PLAYER_RECORD_SIZE, length) ||
      !IsChair(body.Int(12))) {
    LogPrintf("table move refused: %d records, chair %d in %u bytes", count, body.Int(12),
              static_cast<unsigned>(length));
    return false;
  }
  m_launch->chair = body.Int(12);
  m_launch->tableNo = body.Int(8);
  m_table.tableNo = m_launch->tableNo;
  WriteU32Le(m_table.raw, static_cast<uint32_t>(m_table.tableNo));
  m_table.seatCount = count;
  WriteU32Le(m_table.raw + 8, static_cast<uint32_t>(count));
  for (PlayerRecord& seat : m_seats) seat.Clear();
  for (int i = 0; i < count; ++i) {
    WirePlayerRecord wire = WirePlayerRecord::Read(data + 68 + i * WIRE_PLAYER_RECORD_SIZE);
    if (!IsChair(wire.chair)) {
      LogPrintf("table move: record of user %d with chair %d skipped", wire.userId, wire.chair);
      continue;
    }
    WireToPlayerRecord(&m_seats[wire.chair], wire);
  }
  return true;
}

bool CPlayerTables::UpdateSeatNames(const BYTE* data, size_t length) {
  CBodyReader body(data, length);
  if (!body.Has(SEAT_COUNT * 52)) {
    LogPrintf("seat names refused: %u bytes", static_cast<unsigned>(length));
    return false;
  }
  for (int chair = 0; chair < SEAT_COUNT; ++chair) {
    PlayerRecord& seat = m_seats[chair];
    if (seat.userId > 0 && body.Int(chair * 52) == seat.userId) {
      // The entry's name field is 48 bytes; the record keeps at most 31 and its terminator.
      CopyTextField(seat.name, sizeof(seat.name), reinterpret_cast<const char*>(data + chair * 52 + 4), 48);
    }
  }
  return true;
}

int CPlayerTables::SetPlayerClothing(const BYTE* data, size_t length) {
  CBodyReader body(data, length);
  if (!body.Has(12)) return 0;
  const int chair = body.Int(4);
  const int value = body.Int(8);
  if (!IsChair(chair) || value < 0) return 0;
  PlayerRecord* player = FindPlayer(body.Int(0));
  if (player == nullptr || player->chair != chair || player->clothing == value) return 0;
  player->clothing = value;
  return 1;
}

int CPlayerTables::SetPlayerMember(const BYTE* data, size_t length) {
  CBodyReader body(data, length);
  if (!body.Has(12)) return 0;
  const int chair = body.Int(4);
  if (!IsChair(chair)) return 0;
  PlayerRecord* player = FindPlayer(body.Int(0));
  if (player == nullptr || player->chair != chair) return 0;
  const int wanted = body.Int(8) != 0 ? 1 : 0;
  if ((player->flags & 1) == wanted) return 0;
  player->flags = wanted ? (player->flags | 1) : (player->flags & ~1);
  return 1;
}

PlayerRecord* CPlayerTables::SeatFromWire(const BYTE* data, size_t length) {
  if (length < WIRE_PLAYER_RECORD_SIZE || data == nullptr) {
    LogPrintf("player seated refused: %u bytes", static_cast<unsigned>(length));
    return nullptr;
  }
  WirePlayerRecord wire = WirePlayerRecord::Read(data);
  if (!IsChair(wire.chair)) {
    LogPrintf("player seated refused: chair %d", wire.chair);
    return nullptr;
  }
  PlayerRecord& seat = m_seats[wire.chair];
  seat.Clear();
  WireToPlayerRecord(&seat, wire);
  return &seat;
}

bool CPlayerTables::UpdateScores(const BYTE* data, size_t length) {
  CBodyReader body(data, length);
  const int32_t count = body.Int(0);
  // The list is not bound to the seats: it may name onlookers too, so only the body bounds it.
  if (!body.Has(20) || count < 0 || static_cast<size_t>(count) > (length - 20) / 52) {
    LogPrintf("score update refused: %d entries in %u bytes", count, static_cast<unsigned>(length));
    return false;
  }
  for (int i = 0; i < count; ++i) {
    const size_t entry = 20 + static_cast<size_t>(i) * 52;
    PlayerRecord* player = FindPlayer(body.Int(entry));
    if (player == nullptr) continue;
    player->score = body.Int(entry + 8);
    player->silver = body.Int(entry + 12);
    player->levelIndex = body.Int(entry + 16);
    std::string title = body.Text(entry + 20, 32);
    CopyTextField(player->levelTitle, sizeof(player->levelTitle), title.c_str(), title.size());
  }
  return true;
}

int CPlayerTables::AddOnlooker(const PlayerRecord& record) {
  for (int i = 0; i < ONLOOKER_COUNT; ++i) {
    if (m_onlookers[i].userId == 0) {
      m_onlookers[i] = record;
      return i;
    }
  }
  return -1;
}
