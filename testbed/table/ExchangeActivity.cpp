#include "testbed/table/ExchangeActivity.h"

#include <algorithm>
#include <cstring>

#include "testbed/table/BodyBytes.h"

namespace testbed {

namespace {

// A text field of a received form: up to its terminator, never past the field.
std::string Field(std::span<const BYTE> body, size_t offset, size_t width) {
  if (offset >= body.size()) return {};
  const size_t n = std::min(width, body.size() - offset);
  const char* p = reinterpret_cast<const char*>(body.data() + offset);
  return std::string(p, strnlen(p, n));
}

bool ValidPhone(const std::string& phone) {
  if (phone.size() < 11 || phone.size() > 15) return false;
  return std::all_of(phone.begin(), phone.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

int TicketsForHand(bool won) { return won ? 30 : 10; }

int64_t MemoryLedger::Tickets(int32_t userId) {
  std::lock_guard<std::mutex> g(m_lock);
  auto it = m_tickets.find(userId);
  return it == m_tickets.end() ? 0 : it->second;
}

bool MemoryLedger::AddTickets(int32_t userId, int64_t delta, int64_t* after) {
  std::lock_guard<std::mutex> g(m_lock);
  int64_t& t = m_tickets[userId];
  t = std::max<int64_t>(0, t + delta);
  if (after) *after = t;
  return true;
}

int MemoryLedger::Stock(int prize) {
  std::lock_guard<std::mutex> g(m_lock);
  return prize >= 0 && prize < EXCHANGE_PRIZES ? m_stock[prize] : 0;
}

ExchangeResult MemoryLedger::Record(const ExchangeEntry& entry, int price, int64_t* after) {
  std::lock_guard<std::mutex> g(m_lock);
  int64_t& t = m_tickets[entry.userId];
  if (after) *after = t;
  if (entry.prize < 0 || entry.prize >= EXCHANGE_PRIZES) return EXCHANGE_BAD;
  if (t < price) return EXCHANGE_TOO_FEW;
  if (m_stock[entry.prize] <= 0) return EXCHANGE_SOLD_OUT;
  t -= price;
  --m_stock[entry.prize];
  m_log.push_back(entry);
  if (after) *after = t;
  return EXCHANGE_OK;
}

std::vector<ExchangeEntry> MemoryLedger::Latest(int count) {
  std::lock_guard<std::mutex> g(m_lock);
  std::vector<ExchangeEntry> out;
  for (auto it = m_log.rbegin(); it != m_log.rend() && static_cast<int>(out.size()) < count; ++it) out.push_back(*it);
  return out;
}

BodyData ExchangeActivity::OpenBody() const {
  TableBodyWriter w(20);
  w.Int(16, m_open ? 1 : 0);
  return w.Take();
}

BodyData ExchangeActivity::TicketCountBody(int32_t userId) {
  TableBodyWriter w(8);
  w.Int(0, userId).Int(4, static_cast<int32_t>(std::min<int64_t>(m_ledger->Tickets(userId), INT32_MAX)));
  return w.Take();
}

BodyData ExchangeActivity::PrizePageBody(int32_t userId) {
  TableBodyWriter w(PRIZE_PAGE_BYTES);
  w.Int(0, userId);
  for (int k = 0; k < EXCHANGE_PRIZES; ++k) w.Int(88 + 4 * k, m_ledger->Stock(k) <= 0 ? 1 : 0);
  const std::vector<ExchangeEntry> latest = m_ledger->Latest(LATEST_SHOWN);
  for (int i = 0; i < LATEST_SHOWN; ++i) {
    const bool has = i < static_cast<int>(latest.size());
    w.Int(160 + 4 * i, has ? latest[i].prize : -1);
    if (has) w.Text(176 + 32 * i, 32, latest[i].name);
  }
  return w.Take();
}

BodyData ExchangeActivity::AwardTickets(int32_t userId, int won) {
  if (!m_open || userId <= 0 || won <= 0) return {};
  int64_t after = 0;
  if (!m_ledger->AddTickets(userId, won, &after)) return {};
  TableBodyWriter w(20);
  w.Int(8, userId).Int(12, won).Int(16, static_cast<int32_t>(std::min<int64_t>(after, INT32_MAX)));
  return w.Take();
}

BodyData ExchangeActivity::Exchange(int32_t userId, std::span<const BYTE> form, int* result) {
  int64_t after = m_ledger->Tickets(userId);
  ExchangeResult r = EXCHANGE_BAD;
  TableBodyReader reader(form);
  if (!m_open) {
    r = EXCHANGE_CLOSED;
  } else if (reader.Has(EXCHANGE_FORM_BYTES)) {
    ExchangeEntry e;
    e.userId = userId;
    e.prize = reader.Int(16);
    e.name = Field(form, 20, 32);
    e.second = Field(form, 52, 16);
    e.phone = Field(form, 72, 16);
    e.third = Field(form, 92, 46);
    if (e.prize >= 0 && e.prize < EXCHANGE_PRIZES && ValidPhone(e.phone)) {
      r = m_ledger->Record(e, EXCHANGE_PRICES[e.prize], &after);
    }
  }
  if (result) *result = r;
  TableBodyWriter w(16);
  w.Int(0, userId).Int(8, r).Int(12, static_cast<int32_t>(std::min<int64_t>(after, INT32_MAX)));
  return w.Take();
}

}  // namespace testbed
