// The numbers behind the record board: each chair's silver of the last hand and its total since
// the board was last cleared, and the rows the board lists. Every row remembers its chair, so
// that a hand's result lands beside the right name when a chair stands empty.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#define RECORD_BOARD_CHAIRS 4

class CRecordBoardTally {
 public:
  struct Row {
    int chair = 0;
    std::string name;
    std::string last;   // "%d" of the last hand
    std::string total;  // "%d" of the total
  };

  // Rebuilds the rows from the seat names (one per chair, empty for an empty chair). A non-zero
  // clearTotals zeroes the numbers first.
  void Refill(const std::array<std::string, RECORD_BOARD_CHAIRS>& seatNames, int clearTotals);
  // One hand's silver for a chair; chairs outside 0..3 are ignored. Only the row of that chair
  // changes.
  void AddRound(int chair, int32_t silver);
  // Copies the numbers that the table-info record carries when the scene starts.
  void Seed(const std::array<int32_t, RECORD_BOARD_CHAIRS>& last, const std::array<int32_t, RECORD_BOARD_CHAIRS>& total);

  const std::vector<Row>& Rows() const { return m_rows; }
  // The row showing a chair, or -1 when the chair has no row.
  int RowOfChair(int chair) const;
  int32_t Last(int chair) const { return ValidChair(chair) ? m_last[chair] : 0; }
  int32_t Total(int chair) const { return ValidChair(chair) ? m_total[chair] : 0; }

 private:
  static bool ValidChair(int chair) { return chair >= 0 && chair < RECORD_BOARD_CHAIRS; }
  void FillNumbers(Row& row) const;

  std::array<int32_t, RECORD_BOARD_CHAIRS> m_last{};
  std::array<int32_t, RECORD_BOARD_CHAIRS> m_total{};
  std::vector<Row> m_rows;
};
