// The ticket-exchange activity of the test server: players earn tickets with every hand and
// trade them for prizes with a contact form. The activity answers the client's requests with the
// bodies of its notifications; where the tickets, the prizes' stock and the exchanges are kept
// is the ledger's business (in memory here, in the server's database in ExchangeStore).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "testbed/table/TableBodies.h"

namespace testbed {

constexpr int REQ_ACTIVITY_STATE = 400008;
constexpr int REQ_ASK_LEAVE = 400006;
constexpr int REQ_ANSWER_LEAVE = 400007;
constexpr int REQ_EXCHANGE_PRIZE = 401002;
constexpr int REQ_PRIZE_LIST = 401003;
constexpr int NTF_ASK_LEAVE = 400006;
constexpr int NTF_ANSWER_LEAVE = 400007;
constexpr int NTF_ACTIVITY_OPEN = 400008;
constexpr int NTF_TICKET_COUNT = 401000;
constexpr int NTF_TICKETS_WON = 401001;
constexpr int NTF_EXCHANGE_RESULT = 401002;
constexpr int NTF_PRIZE_LIST = 401003;

constexpr int EXCHANGE_PRIZES = 18;
constexpr std::array<int, EXCHANGE_PRIZES> EXCHANGE_PRICES = {8500, 6700, 5300, 2300, 370,  650,  1200, 2300, 3700,
                                                              650,  1200, 2300, 3700, 370,  370,  650,  650,  1200};
constexpr size_t EXCHANGE_FORM_BYTES = 144;
constexpr size_t PRIZE_PAGE_BYTES = 304;
constexpr int LATEST_SHOWN = 4;

// The result codes of an exchange, as the client words them.
enum ExchangeResult { EXCHANGE_OK = 0, EXCHANGE_TOO_FEW = 2, EXCHANGE_SOLD_OUT = 3, EXCHANGE_CLOSED = 4, EXCHANGE_BAD = 5 };

struct ExchangeEntry {
  int32_t userId = 0;
  int prize = -1;
  std::string name, phone, second, third;
};

class ExchangeLedger {
 public:
  virtual ~ExchangeLedger() = default;
  virtual int64_t Tickets(int32_t userId) = 0;
  // Adds tickets (never below zero); false when it could not be stored.
  virtual bool AddTickets(int32_t userId, int64_t delta, int64_t* after) = 0;
  virtual int Stock(int prize) = 0;
  // In one step: checks the tickets and the stock, takes the price and one prize and records the
  // exchange. Returns the result code; *after gets the user's tickets afterwards.
  virtual ExchangeResult Record(const ExchangeEntry& entry, int price, int64_t* after) = 0;
  // The latest exchanges, newest first.
  virtual std::vector<ExchangeEntry> Latest(int count) = 0;
};

class MemoryLedger : public ExchangeLedger {
 public:
  explicit MemoryLedger(int stockPerPrize = 5) { m_stock.fill(stockPerPrize); }
  int64_t Tickets(int32_t userId) override;
  bool AddTickets(int32_t userId, int64_t delta, int64_t* after) override;
  int Stock(int prize) override;
  ExchangeResult Record(const ExchangeEntry& entry, int price, int64_t* after) override;
  std::vector<ExchangeEntry> Latest(int count) override;

 private:
  std::mutex m_lock;
  std::map<int32_t, int64_t> m_tickets;
  std::array<int, EXCHANGE_PRIZES> m_stock{};
  std::vector<ExchangeEntry> m_log;
};

class ExchangeActivity {
 public:
  explicit ExchangeActivity(std::shared_ptr<ExchangeLedger> ledger) : m_ledger(std::move(ledger)) {}
  ExchangeLedger& Ledger() { return *m_ledger; }
  void SetOpen(bool open) { m_open = open; }

  // 400008: whether the activity runs (+16).
  BodyData OpenBody() const;
  // 401000: the user's ticket count.
  BodyData TicketCountBody(int32_t userId);
  // 401003: the prize page for a user: prizes out of stock and the latest exchanges.
  BodyData PrizePageBody(int32_t userId);
  // A hand's tickets for a user; 401001 (+8 user, +12 won, +16 new count), empty when none.
  BodyData AwardTickets(int32_t userId, int won);
  // 401002: the exchange of a contact form sent by `userId` (the form's own user id is not
  // trusted): +8 result, +12 the tickets afterwards.
  BodyData Exchange(int32_t userId, std::span<const BYTE> form, int* result);

 private:
  std::shared_ptr<ExchangeLedger> m_ledger;
  bool m_open = true;
};

// The tickets a hand earns: more for the winner.
int TicketsForHand(bool won);

}  // namespace testbed
