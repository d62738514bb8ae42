// Runs a table with a virtual clock: the time-outs the table asks for are kept in due order and
// delivered when the clock reaches them, so a table of computer players (or scripted clients)
// plays without real time passing. The tests, the benchmark and the replay tool's play mode
// drive tables through it.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "testbed/table/MahjongTable.h"

namespace testbed {

class TableRunner {
 public:
  explicit TableRunner(MahjongTable& table) : m_table(table) {}

  // Takes what the table produced: keeps its messages and schedules its time-outs.
  void Take(TableOutput&& out);
  // Delivers the next due time-out; false when none is waiting.
  bool Step();
  // Steps until the table has played `hands` hands in all, or no time-out is left, or
  // `maxSteps` time-outs were delivered. Returns the hands played.
  int RunUntilHands(int hands, int maxSteps = 1 << 30);
  // Delivers every time-out due within `ms` from now.
  void Advance(int64_t ms);

  int64_t Now() const { return m_now; }
  std::vector<TableMessage>& Messages() { return m_messages; }
  void KeepMessages(bool keep) { m_keep = keep; }
  size_t PendingTimers() const { return m_due.size(); }

 private:
  MahjongTable& m_table;
  int64_t m_now = 0;
  uint64_t m_seq = 0;
  std::multimap<std::pair<int64_t, uint64_t>, uint64_t> m_due;
  std::vector<TableMessage> m_messages;
  bool m_keep = true;
};

}  // namespace testbed
