// The exchange activity's ledger in the server's SQLite database: each user's tickets, each
// prize's stock and every exchange with its contact form, beside the accounts.
#pragma once

#include <mutex>
#include <string>

#include "testbed/table/ExchangeActivity.h"

struct sqlite3;

namespace testbed {

class ExchangeStore : public ExchangeLedger {
 public:
  ExchangeStore() = default;
  ~ExchangeStore() override;
  ExchangeStore(const ExchangeStore&) = delete;
  ExchangeStore& operator=(const ExchangeStore&) = delete;

  // Opens (creating the tables when needed) the database file; new prizes start with
  // `stockPerPrize` of each. False with a text when it cannot.
  bool Open(const std::string& path, int stockPerPrize, std::string* error);
  void Close();

  int64_t Tickets(int32_t userId) override;
  bool AddTickets(int32_t userId, int64_t delta, int64_t* after) override;
  int Stock(int prize) override;
  ExchangeResult Record(const ExchangeEntry& entry, int price, int64_t* after) override;
  std::vector<ExchangeEntry> Latest(int count) override;
  int CountExchanges();

 private:
  bool Exec(const char* sql);
  int64_t TicketsLocked(int32_t userId);

  std::mutex m_lock;
  sqlite3* m_db = nullptr;
  std::string m_error;
};

}  // namespace testbed
