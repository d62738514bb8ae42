#include "variant/SettlementSheet.h"

#include <algorithm>
#include <cstdio>

#include "framework/BodyReader.h"
#include "platform/base/Gbk.h"

namespace {

std::string Format(const char* format, long long value) {
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

}  // namespace

CSettlementSheet::CSettlementSheet(const uint8_t* record, size_t recordLength, const uint8_t* entries,
                                   size_t entriesLength) {
  if (record != nullptr) m_record.assign(record, record + std::min<size_t>(recordLength, SETTLEMENT_RECORD_SIZE));
  const size_t entriesSize = SETTLEMENT_ENTRY_SIZE * SETTLEMENT_CHAIRS;
  if (entries != nullptr) m_entries.assign(entries, entries + std::min(entriesLength, entriesSize));
}

int32_t CSettlementSheet::RecordInt(size_t offset) const {
  return CBodyReader(m_record.data(), m_record.size()).Int(offset);
}

int32_t CSettlementSheet::EntryInt(int chair, size_t offset) const {
  if (chair < 0 || chair >= SETTLEMENT_CHAIRS) return 0;
  return CBodyReader(m_entries.data(), m_entries.size()).Int(SETTLEMENT_ENTRY_SIZE * chair + offset);
}

bool CSettlementSheet::IsDrawn() const { return (RecordInt(0) & ROUND_FLAG_DRAWN) != 0; }

int CSettlementSheet::FirstDetailChair() const {
  int winner = RecordInt(680);
  return winner >= 0 && winner < SETTLEMENT_CHAIRS ? winner : 0;
}

std::vector<SettlementPlayerRow> CSettlementSheet::PlayerRows(
    const std::array<std::string, SETTLEMENT_CHAIRS>& seatNames) const {
  // Products are taken in 64 bits: a large multiplier from the server must not overflow.
  const long long perPoint = RecordInt(156);
  const int banker = RecordInt(16);
  std::vector<SettlementPlayerRow> rows;
  for (int chair = 0; chair < SETTLEMENT_CHAIRS; ++chair) {
    SettlementPlayerRow row;
    row.name = chair == banker ? seatNames[chair] + "(庄)" : seatNames[chair];
    if (EntryInt(chair, 148) != 0 || EntryInt(chair, 144) != 0) row.kong = Format("%lld两", perPoint * EntryInt(chair, 144));
    if (EntryInt(chair, 152) != 0) row.treasure = Format("%lld两", perPoint * EntryInt(chair, 152));
    row.silver = Format("%lld两", RecordInt(320 + 4 * chair));
    row.points = Format("%lld分", RecordInt(288 + 4 * chair));
    if (EntryInt(chair, 156) > 0) row.flying = Format("%lld个", EntryInt(chair, 156));
    rows.push_back(row);
  }
  return rows;
}

std::vector<SettlementDetailRow> CSettlementSheet::DetailRows(int chair) const {
  std::vector<SettlementDetailRow> rows;
  if (chair < 0 || chair >= SETTLEMENT_CHAIRS) return rows;
  // The names run to their terminator, or at the latest to the end of the record; a '|' that is
  // the second byte of a character belongs to its name.
  const std::string text = CBodyReader(m_record.data(), m_record.size()).Text(1824, SETTLEMENT_RECORD_SIZE - 1824);
  const std::vector<std::string> names = SplitGbkFields(text, '|', SETTLEMENT_ITEMS);
  const long long perPoint = RecordInt(156);
  for (int k = 0; k < SETTLEMENT_ITEMS; ++k) {
    const long long v = EntryInt(chair, 12 + 4 * k);
    if (v == 0) continue;
    // An item with no name of its own is listed with an empty name.
    std::string name = static_cast<size_t>(k) < names.size() ? names[k] : std::string();
    rows.push_back({name, v > 0 ? Format("%lld两", perPoint * v) : Format("×%lld", -v)});
  }
  if (EntryInt(chair, 140) > 0) rows.push_back({"总计", Format("%lld两", perPoint * EntryInt(chair, 140))});
  if (IsDrawn()) rows.push_back({"流局", ""});
  return rows;
}
