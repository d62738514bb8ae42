#include "variant/RecordBoardTally.h"

void CRecordBoardTally::Refill(const std::array<std::string, RECORD_BOARD_CHAIRS>& seatNames, int clearTotals) {
  m_rows.clear();
  if (clearTotals != 0) {
    m_last.fill(0);
    m_total.fill(0);
  }
  for (int chair = 0; chair < RECORD_BOARD_CHAIRS; ++chair) {
    if (seatNames[chair].empty()) continue;
    Row row;
    row.chair = chair;
    row.name = seatNames[chair];
    FillNumbers(row);
    m_rows.push_back(row);
  }
}

void CRecordBoardTally::AddRound(int chair, int32_t silver) {
  if (!ValidChair(chair)) return;
  m_last[chair] = silver;
  // Sums wrap rather than overflow: a hostile stream of results must not be undefined behaviour.
  m_total[chair] = static_cast<int32_t>(static_cast<uint32_t>(m_total[chair]) + static_cast<uint32_t>(silver));
  int row = RowOfChair(chair);
  if (row >= 0) FillNumbers(m_rows[row]);
}

void CRecordBoardTally::Seed(const std::array<int32_t, RECORD_BOARD_CHAIRS>& last,
                             const std::array<int32_t, RECORD_BOARD_CHAIRS>& total) {
  m_last = last;
  m_total = total;
  for (Row& row : m_rows) FillNumbers(row);
}

int CRecordBoardTally::RowOfChair(int chair) const {
  for (size_t i = 0; i < m_rows.size(); ++i)
    if (m_rows[i].chair == chair) return static_cast<int>(i);
  return -1;
}

void CRecordBoardTally::FillNumbers(Row& row) const {
  row.last = std::to_string(m_last[row.chair]);
  row.total = std::to_string(m_total[row.chair]);
}
