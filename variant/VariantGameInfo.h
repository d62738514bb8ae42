// This game's description: the storage of the table-info and round-result records, filled
// from the new-hand and hand-result notifications (and from the table data of a resync, which
// the framework writes straight into GetTableInfo), the result line of a hand, and whether the
// player may leave the table yet.
#pragma once

#include <array>

#include "mahjong/GameInfo.h"

// The new-hand body and where its parts go in the table-info record.
namespace NewHandLayout {
constexpr size_t SIZE = 952;
constexpr size_t HAND_COUNTS = 196;
constexpr size_t OWN_HAND = 212;
constexpr size_t FLOWERS = 340;
constexpr size_t FLOWER_COUNTS = 916;
constexpr size_t MIN_HANDS = 948;
}  // namespace NewHandLayout

class CVariantGameInfo : public CGameInfo {
 public:
  CVariantGameInfo();

  // Stores a new-hand body. A body shorter than its layout, or one whose chairs or wall places
  // do not fit this table, is refused: the record keeps the last hand's state and false returns.
  bool CopyTableInfo(const void* body, size_t length) override;
  // Stores a hand result and returns the number of seat entries it announces (at most four are
  // kept), or -1 when the body is shorter than what it announces (nothing is changed then).
  int CopyRoundResult(const void* body, size_t length) override;
  const uint8_t* GetTableInfo() const override { return m_tableInfo.data(); }
  uint8_t* GetTableInfo() override { return m_tableInfo.data(); }
  const uint8_t* GetRoundResult() const override { return m_roundResult.data(); }
  size_t GetRoundResultSize() const override { return m_roundResult.size(); }

  int GetOwnTileList(int out[32]) const override;
  int GetFinalTiles(int chair, int out[32]) const override;
  int GetHandTileCount(int chair) const override;
  std::string GetStakeLabel() const override { return "番"; }
  std::string GetGangLabel() const override { return "杠"; }
  std::string GetExtraText() const override { return ""; }
  std::string FormatHandSummary() const override;

  // The names of the result items, split at '|'; a missing name is empty.
  std::string GetResultItemName(int item) const;
  // A word of the seat entry of a chair (0 beyond the stored entries).
  int GetSeatEntryWord(int chair, size_t offset) const;

  int CanLeaveNow(int flag) const;
  int GetMinHands() const { return Word(TableInfoLayout::MIN_HANDS); }

 private:
  std::array<uint8_t, TableInfoLayout::SIZE> m_tableInfo{};
  std::array<uint8_t, RoundResultLayout::BLOCK_SIZE +
                          RoundResultLayout::MAX_STORED_ENTRIES * RoundResultLayout::ENTRY_SIZE>
      m_roundResult{};
};
