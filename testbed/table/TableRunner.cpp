#include "testbed/table/TableRunner.h"

namespace testbed {

void TableRunner::Take(TableOutput&& out) {
  if (m_keep) {
    for (auto& m : out.messages) m_messages.push_back(std::move(m));
  }
  for (const TimerRequest& t : out.timers) m_due.emplace(std::make_pair(m_now + t.delayMs, m_seq++), t.token);
}

bool TableRunner::Step() {
  if (m_due.empty()) return false;
  auto it = m_due.begin();
  m_now = it->first.first;
  const uint64_t token = it->second;
  m_due.erase(it);
  Take(m_table.HandleTimer(token));
  return true;
}

int TableRunner::RunUntilHands(int hands, int maxSteps) {
  for (int steps = 0; steps < maxSteps && m_table.HandsPlayed() < hands; ++steps) {
    if (!Step()) break;
  }
  return m_table.HandsPlayed();
}

void TableRunner::Advance(int64_t ms) {
  const int64_t until = m_now + ms;
  while (!m_due.empty() && m_due.begin()->first.first <= until) Step();
  m_now = until;
}

}  // namespace testbed
