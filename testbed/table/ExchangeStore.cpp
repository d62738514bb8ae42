#include "testbed/table/ExchangeStore.h"

#include <sqlite3.h>

#include <algorithm>
#include <memory>

namespace testbed {

namespace {

const char SCHEMA[] =
    "CREATE TABLE IF NOT EXISTS exchange_tickets ("
    " user_id INTEGER PRIMARY KEY,"
    " tickets INTEGER NOT NULL DEFAULT 0);"
    "CREATE TABLE IF NOT EXISTS exchange_stock ("
    " prize INTEGER PRIMARY KEY,"
    " stock INTEGER NOT NULL);"
    "CREATE TABLE IF NOT EXISTS exchanges ("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " user_id INTEGER NOT NULL,"
    " prize INTEGER NOT NULL,"
    " price INTEGER NOT NULL,"
    " name BLOB NOT NULL,"
    " phone TEXT NOT NULL,"
    " second BLOB NOT NULL,"
    " third BLOB NOT NULL);";

struct StatementDeleter {
  void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

Statement Prepare(sqlite3* db, const char* sql) {
  sqlite3_stmt* s = nullptr;
  if (!db || sqlite3_prepare_v2(db, sql, -1, &s, nullptr) != SQLITE_OK) return Statement();
  return Statement(s);
}

void BindText(sqlite3_stmt* s, int index, const std::string& text) {
  sqlite3_bind_blob(s, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

std::string Column(sqlite3_stmt* s, int column) {
  const void* p = sqlite3_column_blob(s, column);
  const int n = sqlite3_column_bytes(s, column);
  return p && n > 0 ? std::string(static_cast<const char*>(p), static_cast<size_t>(n)) : std::string();
}

}  // namespace

ExchangeStore::~ExchangeStore() { Close(); }

bool ExchangeStore::Open(const std::string& path, int stockPerPrize, std::string* error) {
  std::lock_guard<std::mutex> g(m_lock);
  if (m_db) sqlite3_close(m_db);
  m_db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                      nullptr) != SQLITE_OK) {
    m_error = m_db ? sqlite3_errmsg(m_db) : "out of memory";
    if (m_db) sqlite3_close(m_db);
    m_db = nullptr;
    if (error) *error = m_error;
    return false;
  }
  sqlite3_busy_timeout(m_db, 2000);
  bool ok = Exec(SCHEMA);
  for (int k = 0; ok && k < EXCHANGE_PRIZES; ++k) {
    Statement s = Prepare(m_db, "INSERT OR IGNORE INTO exchange_stock (prize, stock) VALUES (?, ?)");
    ok = s && sqlite3_bind_int(s.get(), 1, k) == SQLITE_OK && sqlite3_bind_int(s.get(), 2, stockPerPrize) == SQLITE_OK &&
         sqlite3_step(s.get()) == SQLITE_DONE;
  }
  if (!ok) {
    if (error) *error = m_error.empty() ? sqlite3_errmsg(m_db) : m_error;
    sqlite3_close(m_db);
    m_db = nullptr;
  }
  return ok;
}

void ExchangeStore::Close() {
  std::lock_guard<std::mutex> g(m_lock);
  if (m_db) sqlite3_close(m_db);
  m_db = nullptr;
}

bool ExchangeStore::Exec(const char* sql) {
  char* message = nullptr;
  if (!m_db || sqlite3_exec(m_db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
    m_error = message ? message : (m_db ? sqlite3_errmsg(m_db) : "the database is not open");
    sqlite3_free(message);
    return false;
  }
  return true;
}

int64_t ExchangeStore::TicketsLocked(int32_t userId) {
  Statement s = Prepare(m_db, "SELECT tickets FROM exchange_tickets WHERE user_id = ?");
  if (!s) return 0;
  sqlite3_bind_int(s.get(), 1, userId);
  return sqlite3_step(s.get()) == SQLITE_ROW ? sqlite3_column_int64(s.get(), 0) : 0;
}

int64_t ExchangeStore::Tickets(int32_t userId) {
  std::lock_guard<std::mutex> g(m_lock);
  return TicketsLocked(userId);
}

bool ExchangeStore::AddTickets(int32_t userId, int64_t delta, int64_t* after) {
  std::lock_guard<std::mutex> g(m_lock);
  Statement s = Prepare(m_db,
                        "INSERT INTO exchange_tickets (user_id, tickets) VALUES (?1, MAX(0, ?2)) "
                        "ON CONFLICT(user_id) DO UPDATE SET tickets = MAX(0, tickets + ?2)");
  if (!s) return false;
  sqlite3_bind_int(s.get(), 1, userId);
  sqlite3_bind_int64(s.get(), 2, delta);
  if (sqlite3_step(s.get()) != SQLITE_DONE) return false;
  if (after) *after = TicketsLocked(userId);
  return true;
}

int ExchangeStore::Stock(int prize) {
  std::lock_guard<std::mutex> g(m_lock);
  Statement s = Prepare(m_db, "SELECT stock FROM exchange_stock WHERE prize = ?");
  if (!s) return 0;
  sqlite3_bind_int(s.get(), 1, prize);
  return sqlite3_step(s.get()) == SQLITE_ROW ? sqlite3_column_int(s.get(), 0) : 0;
}

ExchangeResult ExchangeStore::Record(const ExchangeEntry& entry, int price, int64_t* after) {
  std::lock_guard<std::mutex> g(m_lock);
  if (after) *after = TicketsLocked(entry.userId);
  if (entry.prize < 0 || entry.prize >= EXCHANGE_PRIZES) return EXCHANGE_BAD;
  if (!Exec("BEGIN IMMEDIATE")) return EXCHANGE_BAD;
  ExchangeResult result = EXCHANGE_OK;
  const int64_t tickets = TicketsLocked(entry.userId);
  int stock = 0;
  {
    Statement s = Prepare(m_db, "SELECT stock FROM exchange_stock WHERE prize = ?");
    if (s) {
      sqlite3_bind_int(s.get(), 1, entry.prize);
      if (sqlite3_step(s.get()) == SQLITE_ROW) stock = sqlite3_column_int(s.get(), 0);
    }
  }
  if (tickets < price) {
    result = EXCHANGE_TOO_FEW;
  } else if (stock <= 0) {
    result = EXCHANGE_SOLD_OUT;
  } else {
    Statement take = Prepare(m_db, "UPDATE exchange_tickets SET tickets = tickets - ? WHERE user_id = ?");
    Statement stockDown = Prepare(m_db, "UPDATE exchange_stock SET stock = stock - 1 WHERE prize = ?");
    Statement log = Prepare(m_db,
                            "INSERT INTO exchanges (user_id, prize, price, name, phone, second, third) "
                            "VALUES (?, ?, ?, ?, ?, ?, ?)");
    bool ok = take && stockDown && log;
    if (ok) {
      sqlite3_bind_int(take.get(), 1, price);
      sqlite3_bind_int(take.get(), 2, entry.userId);
      sqlite3_bind_int(stockDown.get(), 1, entry.prize);
      sqlite3_bind_int(log.get(), 1, entry.userId);
      sqlite3_bind_int(log.get(), 2, entry.prize);
      sqlite3_bind_int(log.get(), 3, price);
      BindText(log.get(), 4, entry.name);
      sqlite3_bind_text(log.get(), 5, entry.phone.c_str(), -1, SQLITE_TRANSIENT);
      BindText(log.get(), 6, entry.second);
      BindText(log.get(), 7, entry.third);
      ok = sqlite3_step(take.get()) == SQLITE_DONE && sqlite3_step(stockDown.get()) == SQLITE_DONE &&
           sqlite3_step(log.get()) == SQLITE_DONE;
    }
    if (!ok) result = EXCHANGE_BAD;
  }
  Exec(result == EXCHANGE_OK ? "COMMIT" : "ROLLBACK");
  if (after) *after = TicketsLocked(entry.userId);
  return result;
}

std::vector<ExchangeEntry> ExchangeStore::Latest(int count) {
  std::lock_guard<std::mutex> g(m_lock);
  std::vector<ExchangeEntry> out;
  Statement s = Prepare(m_db,
                        "SELECT user_id, prize, name, phone, second, third FROM exchanges ORDER BY id DESC LIMIT ?");
  if (!s) return out;
  sqlite3_bind_int(s.get(), 1, std::max(count, 0));
  while (sqlite3_step(s.get()) == SQLITE_ROW) {
    ExchangeEntry e;
    e.userId = sqlite3_column_int(s.get(), 0);
    e.prize = sqlite3_column_int(s.get(), 1);
    e.name = Column(s.get(), 2);
    e.phone = Column(s.get(), 3);
    e.second = Column(s.get(), 4);
    e.third = Column(s.get(), 5);
    out.push_back(std::move(e));
  }
  return out;
}

int ExchangeStore::CountExchanges() {
  std::lock_guard<std::mutex> g(m_lock);
  Statement s = Prepare(m_db, "SELECT COUNT(*) FROM exchanges");
  return s && sqlite3_step(s.get()) == SQLITE_ROW ? sqlite3_column_int(s.get(), 0) : 0;
}

}  // namespace testbed
