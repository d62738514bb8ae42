#include "variant/VariantGameInfo.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "framework/BodyReader.h"

namespace {
// Copies a -1-ended list of 32 ids and returns how many come before the first -1.
int CopyList(const CBodyReader& r, size_t offset, int out[32]) {
  int n = 32;
  for (int i = 0; i < 32; ++i) {
    out[i] = r.Int(offset + 4 * i);
    if (out[i] == -1 && n == 32) n = i;
  }
  return n;
}

// The tile count of a table whose record this is: the game plays 136 tiles.
constexpr int TILE_COUNT = 136;
}  // namespace

CVariantGameInfo::CVariantGameInfo() = default;

bool CVariantGameInfo::CopyTableInfo(const void* body, size_t length) {
  CBodyReader r(body, length);
  if (!r.Has(NewHandLayout::SIZE)) return false;
  std::array<uint8_t, TableInfoLayout::SIZE> record = m_tableInfo;
  const uint8_t* b = r.Data();
  std::memcpy(record.data(), b, TableInfoLayout::HEAD_SIZE);
  std::memcpy(record.data() + TableInfoLayout::HAND_COUNTS, b + NewHandLayout::HAND_COUNTS, 16);
  std::memcpy(record.data() + TableInfoLayout::OWN_HAND, b + NewHandLayout::OWN_HAND, 128);
  std::memcpy(record.data() + TableInfoLayout::FLOWERS, b + NewHandLayout::FLOWERS, 576);
  std::memcpy(record.data() + TableInfoLayout::FLOWER_COUNTS, b + NewHandLayout::FLOWER_COUNTS, 16);
  std::memcpy(record.data() + TableInfoLayout::MIN_HANDS, b + NewHandLayout::MIN_HANDS, 4);
  if (CheckTableInfo(record.data(), record.size(), *this, TILE_COUNT) != nullptr) return false;
  m_tableInfo = record;
  return true;
}

int CVariantGameInfo::CopyRoundResult(const void* body, size_t length) {
  CBodyReader r(body, length);
  if (!r.Has(RoundResultLayout::BLOCK_SIZE)) return -1;
  const int count = r.Int(RoundResultLayout::ENTRY_COUNT);
  if (count < 0) return -1;
  const int stored = std::min(count, RoundResultLayout::MAX_STORED_ENTRIES);
  const size_t need = RoundResultLayout::BLOCK_SIZE + static_cast<size_t>(stored) * RoundResultLayout::ENTRY_SIZE;
  if (!r.Has(need)) return -1;
  m_roundResult.fill(0);
  std::memcpy(m_roundResult.data(), r.Data(), need);
  // The item names run to the end of the block; they always end inside it.
  m_roundResult[RoundResultLayout::BLOCK_SIZE - 1] = 0;
  return count;
}

int CVariantGameInfo::GetOwnTileList(int out[32]) const {
  return CopyList(CBodyReader(m_tableInfo.data(), m_tableInfo.size()), TableInfoLayout::OWN_HAND, out);
}

int CVariantGameInfo::GetFinalTiles(int chair, int out[32]) const {
  if (chair < 0 || chair >= 4) {
    for (int i = 0; i < 32; ++i) out[i] = -1;
    return 0;
  }
  return CopyList(CBodyReader(m_roundResult.data(), m_roundResult.size()),
                  RoundResultLayout::FINAL_TILES + 128 * static_cast<size_t>(chair), out);
}

int CVariantGameInfo::GetHandTileCount(int chair) const {
  return (chair >= 0 && chair < 4) ? Word(TableInfoLayout::HAND_COUNTS + 4 * chair) : 0;
}

std::string CVariantGameInfo::GetResultItemName(int item) const {
  if (item < 0) return "";
  std::string names = CBodyReader(m_roundResult.data(), m_roundResult.size())
                          .Text(RoundResultLayout::ITEM_NAMES, RoundResultLayout::ITEM_NAMES_SIZE);
  size_t start = 0;
  for (int i = 0; i < item; ++i) {
    size_t bar = names.find('|', start);
    if (bar == std::string::npos) return "";
    start = bar + 1;
  }
  size_t end = names.find('|', start);
  return names.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

int CVariantGameInfo::GetSeatEntryWord(int chair, size_t offset) const {
  if (chair < 0 || chair >= RoundResultLayout::MAX_STORED_ENTRIES || offset + 4 > RoundResultLayout::ENTRY_SIZE)
    return 0;
  return ResultWord(RoundResultLayout::BLOCK_SIZE + RoundResultLayout::ENTRY_SIZE * chair + offset);
}

std::string CVariantGameInfo::FormatHandSummary() const {
  char line[512];
  if (IsDrawnHand()) {
    std::snprintf(line, sizeof(line), "【第%d局】流局。<>\r\n", GetRoundNumber());
    return line;
  }
  std::string names;
  for (int chair = 0; chair < 4; ++chair) {
    if (ResultWord(RoundResultLayout::WIN_WORDS + 4 * chair) > 0) names += GetSeatPlayerName(chair) + ",";
  }
  if (!names.empty()) names.pop_back();
  std::snprintf(line, sizeof(line), "【第%d局】胡：<c=255>%s <>\r\n", GetRoundNumber(), names.c_str());
  return line;
}

int CVariantGameInfo::CanLeaveNow(int flag) const {
  const int m = GetMinHands();
  const int n = GetRoundNumber();
  if (m <= 0) return 1;
  if (!IsHandRunning()) return (n == 0 || n >= m) ? 1 : 0;
  if (n > m) return 1;
  if (n == m) return flag ? 1 : 0;
  return 0;
}
