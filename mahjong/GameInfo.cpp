#include "mahjong/GameInfo.h"

#include <cstdio>

#include "framework/BodyReader.h"

namespace {
void PutWord(uint8_t* at, int value) {
  uint32_t v = static_cast<uint32_t>(value);
  at[0] = static_cast<uint8_t>(v);
  at[1] = static_cast<uint8_t>(v >> 8);
  at[2] = static_cast<uint8_t>(v >> 16);
  at[3] = static_cast<uint8_t>(v >> 24);
}
}  // namespace

const uint8_t* CGameInfo::GetTableSnapshot() const {
  const uint8_t* record = GetTableInfo();
  return record ? record + TableInfoLayout::HEAD_SIZE : nullptr;
}

int CGameInfo::Word(size_t offset) const {
  const uint8_t* record = GetTableInfo();
  if (record == nullptr) return 0;
  return CBodyReader(record, TableInfoLayout::SIZE).Int(offset);
}

int CGameInfo::ResultWord(size_t offset) const {
  const uint8_t* block = GetRoundResult();
  if (block == nullptr) return 0;
  return CBodyReader(block, GetRoundResultSize()).Int(offset);
}

void CGameInfo::SetTableStatus(int value) {
  uint8_t* record = GetTableInfo();
  if (record) PutWord(record + TableInfoLayout::STATUS, value);
}

void CGameInfo::GetDice(int dice[4]) const {
  for (int i = 0; i < 4; ++i) dice[i] = Word(TableInfoLayout::DICE + 4 * i);
}

int CGameInfo::GetAbsentFlag(int chair) const {
  return (chair >= 0 && chair < 4) ? Word(TableInfoLayout::ABSENT_FLAGS + 4 * chair) : 0;
}

int CGameInfo::GetLastHandSilver(int chair) const {
  return (chair >= 0 && chair < 4) ? Word(TableInfoLayout::LAST_SILVER + 4 * chair) : 0;
}

int CGameInfo::GetTotalSilver(int chair) const {
  return (chair >= 0 && chair < 4) ? Word(TableInfoLayout::TOTAL_SILVER + 4 * chair) : 0;
}

std::string CGameInfo::FormatRoundResult() const {
  const bool silver = PlaysForSilver() != 0;
  const char* format = silver ? "【第%d局】庄：<c=255>%s <>\r\n         %s：<c=255>%d<> 两\r\n"
                              : "【第%d局】庄：<c=255>%s <>\r\n         %s：<c=255>%d<> 分\r\n";
  std::string name = GetSeatPlayerName(GetBankerChair());
  std::string label = GetStakeLabel();
  int value = silver ? GetSilverStake() : GetPointStake();
  char line[512];
  std::snprintf(line, sizeof(line), format, GetRoundNumber(), name.c_str(), label.c_str(), value);
  return line;
}

int CGameInfo::GetPlayerPaneHeight(const PaneFacts& f) const {
  if (!f.hasApplication) return 0;
  if (f.seatedPlayer && f.roomOptionBit3) return f.smallScreen ? 72 : 104;
  return f.smallScreen ? m_playerCount * 16 + 56 : m_playerCount * 32 + 72;
}

const char* CheckTableInfo(const uint8_t* record, size_t length, const CSeatLayout& seats, int tileCount) {
  CBodyReader r(record, length);
  if (!r.Has(TableInfoLayout::HEAD_SIZE)) return "table record too short";
  const int status = r.Int(TableInfoLayout::STATUS);
  if (!(status & TABLE_STATUS_RUNNING)) return nullptr;  // between hands the hand's numbers mean nothing
  if (!seats.IsSeatedChair(r.Int(TableInfoLayout::BANKER))) return "banker chair out of range";
  if (!seats.IsSeatedChair(r.Int(TableInfoLayout::CURRENT_CHAIR))) return "current chair out of range";
  auto onWall = [tileCount](int place) { return place >= 0 && place < tileCount; };
  if (!onWall(r.Int(TableInfoLayout::WALL_START))) return "wall start out of range";
  if (!onWall(r.Int(TableInfoLayout::WALL_HEAD))) return "wall head out of range";
  const int tail = r.Int(TableInfoLayout::TAIL_TAKEN);
  if (tail < 0 || tail > tileCount) return "tail count out of range";
  if (r.Int(TableInfoLayout::INDICATOR_TILE) != -1 && !onWall(r.Int(TableInfoLayout::INDICATOR_POSITION)))
    return "indicator place out of range";
  return nullptr;
}
