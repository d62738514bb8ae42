// What the settlement after a hand lists: one row per chair with the silver and points the hand
// moved, and for one chair the itemised list of what it won or paid. Built from the round-result
// record and the per-seat entries that follow it; both are read with bounds, so a short or
// damaged record gives empty cells rather than reads past its end.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#define SETTLEMENT_RECORD_SIZE 2120
#define SETTLEMENT_ENTRY_SIZE 176
#define SETTLEMENT_CHAIRS 4
#define SETTLEMENT_ITEMS 32
// The result-flags bit of a hand that ended without a winner.
#define ROUND_FLAG_DRAWN 0x2

struct SettlementPlayerRow {
  std::string name, kong, treasure, silver, points, flying;
};

struct SettlementDetailRow {
  std::string name, amount;
};

class CSettlementSheet {
 public:
  // record: the round-result record; entries: the per-seat entries of chairs 0 to 3 in order.
  CSettlementSheet(const uint8_t* record, size_t recordLength, const uint8_t* entries, size_t entriesLength);

  std::vector<SettlementPlayerRow> PlayerRows(const std::array<std::string, SETTLEMENT_CHAIRS>& seatNames) const;
  // The itemised list of a chair; empty for a chair outside 0..3.
  std::vector<SettlementDetailRow> DetailRows(int chair) const;
  // The chair whose detail opens first: the winner, or chair 0 when there is none.
  int FirstDetailChair() const;
  // A drawn hand is known by its bit, whatever other flags the word carries.
  bool IsDrawn() const;

 private:
  int32_t RecordInt(size_t offset) const;
  int32_t EntryInt(int chair, size_t offset) const;

  std::vector<uint8_t> m_record;
  std::vector<uint8_t> m_entries;
};
