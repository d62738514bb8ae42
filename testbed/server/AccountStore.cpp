#include "testbed/server/AccountStore.h"

#include <sqlite3.h>

#include <memory>

namespace testbed {

namespace {

const char SCHEMA[] =
    "CREATE TABLE IF NOT EXISTS accounts ("
    " user_id INTEGER PRIMARY KEY,"
    " name BLOB NOT NULL DEFAULT x'',"
    " silver INTEGER NOT NULL DEFAULT 0,"
    " bank INTEGER NOT NULL DEFAULT 0,"
    " score INTEGER NOT NULL DEFAULT 0,"
    " level INTEGER NOT NULL DEFAULT 0,"
    " protect_password TEXT NOT NULL DEFAULT '',"
    " reward INTEGER NOT NULL DEFAULT 0,"
    " wrong_answers INTEGER NOT NULL DEFAULT 0,"
    " locked_until INTEGER NOT NULL DEFAULT 0);"
    "CREATE TABLE IF NOT EXISTS movements ("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " user_id INTEGER NOT NULL,"
    " kind INTEGER NOT NULL,"
    " amount INTEGER NOT NULL,"
    " at_ms INTEGER NOT NULL);"
    "CREATE INDEX IF NOT EXISTS movements_by_user ON movements (user_id, kind, at_ms);"
    "CREATE TABLE IF NOT EXISTS hall_names ("
    " user_id INTEGER PRIMARY KEY,"
    " name BLOB NOT NULL);";

struct StatementDeleter {
  void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

Statement Prepare(sqlite3* db, const char* sql) {
  sqlite3_stmt* s = nullptr;
  if (sqlite3_prepare_v2(db, sql, -1, &s, nullptr) != SQLITE_OK) return Statement();
  return Statement(s);
}

std::string ColumnBytes(sqlite3_stmt* s, int column) {
  const void* p = sqlite3_column_blob(s, column);
  int n = sqlite3_column_bytes(s, column);
  return p && n > 0 ? std::string(static_cast<const char*>(p), static_cast<size_t>(n)) : std::string();
}

}  // namespace

AccountStore::~AccountStore() { Close(); }

bool AccountStore::Open(const std::string& path, std::string* error) {
  Close();
  if (sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                      nullptr) != SQLITE_OK) {
    m_error = m_db ? sqlite3_errmsg(m_db) : "out of memory";
    Close();
    if (error) *error = m_error;
    return false;
  }
  // A second server on the same file waits briefly for the other's transaction instead of failing.
  sqlite3_busy_timeout(m_db, 2000);
  if (!Exec(SCHEMA)) {
    if (error) *error = m_error;
    Close();
    return false;
  }
  return true;
}

void AccountStore::Close() {
  if (m_db) sqlite3_close(m_db);
  m_db = nullptr;
}

bool AccountStore::Exec(const char* sql) {
  if (!m_db) {
    m_error = "the account database is not open";
    return false;
  }
  char* message = nullptr;
  if (sqlite3_exec(m_db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
    m_error = message ? message : sqlite3_errmsg(m_db);
    sqlite3_free(message);
    return false;
  }
  return true;
}

bool AccountStore::ReadAccount(int32_t userId, Account* account) {
  Statement s = Prepare(m_db,
                        "SELECT name, silver, bank, score, level, protect_password, reward, wrong_answers, locked_until "
                        "FROM accounts WHERE user_id = ?");
  if (!s) {
    m_error = sqlite3_errmsg(m_db);
    return false;
  }
  sqlite3_bind_int(s.get(), 1, userId);
  if (sqlite3_step(s.get()) != SQLITE_ROW) return false;
  account->userId = userId;
  account->name = ColumnBytes(s.get(), 0);
  account->silver = sqlite3_column_int64(s.get(), 1);
  account->bank = sqlite3_column_int64(s.get(), 2);
  account->score = sqlite3_column_int64(s.get(), 3);
  account->level = sqlite3_column_int(s.get(), 4);
  account->protectPassword = ColumnBytes(s.get(), 5);
  account->reward = sqlite3_column_int64(s.get(), 6);
  account->wrongAnswers = sqlite3_column_int(s.get(), 7);
  account->lockedUntilMs = sqlite3_column_int64(s.get(), 8);
  return true;
}

bool AccountStore::WriteAccount(const Account& a) {
  Statement s = Prepare(m_db,
                        "INSERT INTO accounts (user_id, name, silver, bank, score, level, protect_password, reward,"
                        " wrong_answers, locked_until) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"
                        " ON CONFLICT(user_id) DO UPDATE SET name = excluded.name, silver = excluded.silver,"
                        " bank = excluded.bank, score = excluded.score, level = excluded.level,"
                        " protect_password = excluded.protect_password, reward = excluded.reward,"
                        " wrong_answers = excluded.wrong_answers, locked_until = excluded.locked_until");
  if (!s) {
    m_error = sqlite3_errmsg(m_db);
    return false;
  }
  sqlite3_bind_int(s.get(), 1, a.userId);
  sqlite3_bind_blob(s.get(), 2, a.name.data(), static_cast<int>(a.name.size()), SQLITE_TRANSIENT);
  sqlite3_bind_int64(s.get(), 3, a.silver);
  sqlite3_bind_int64(s.get(), 4, a.bank);
  sqlite3_bind_int64(s.get(), 5, a.score);
  sqlite3_bind_int(s.get(), 6, a.level);
  sqlite3_bind_text(s.get(), 7, a.protectPassword.data(), static_cast<int>(a.protectPassword.size()),
                    SQLITE_TRANSIENT);
  sqlite3_bind_int64(s.get(), 8, a.reward);
  sqlite3_bind_int(s.get(), 9, a.wrongAnswers);
  sqlite3_bind_int64(s.get(), 10, a.lockedUntilMs);
  if (sqlite3_step(s.get()) != SQLITE_DONE) {
    m_error = sqlite3_errmsg(m_db);
    return false;
  }
  return true;
}

bool AccountStore::Find(int32_t userId, Account* account) { return m_db && ReadAccount(userId, account); }

bool AccountStore::SetHallName(int32_t userId, const std::string& name) {
  if (!m_db) return false;
  Statement s = Prepare(m_db, "INSERT OR REPLACE INTO hall_names (user_id, name) VALUES (?, ?)");
  if (!s) {
    m_error = sqlite3_errmsg(m_db);
    return false;
  }
  sqlite3_bind_int(s.get(), 1, userId);
  sqlite3_bind_blob(s.get(), 2, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
  if (sqlite3_step(s.get()) != SQLITE_DONE) {
    m_error = sqlite3_errmsg(m_db);
    return false;
  }
  return true;
}

std::string AccountStore::HallName(int32_t userId) {
  if (!m_db) return {};
  Statement s = Prepare(m_db, "SELECT name FROM hall_names WHERE user_id = ?");
  if (!s) return {};
  sqlite3_bind_int(s.get(), 1, userId);
  return sqlite3_step(s.get()) == SQLITE_ROW ? ColumnBytes(s.get(), 0) : std::string();
}

bool AccountStore::Ensure(int32_t userId, const std::string& name, int64_t startingSilver, Account* account) {
  if (!m_db || !Exec("BEGIN IMMEDIATE")) return false;
  Account a;
  bool ok = true;
  if (!ReadAccount(userId, &a)) {
    a = Account{};
    a.userId = userId;
    a.silver = startingSilver;
    a.name = name;
    ok = WriteAccount(a);
  } else if (!name.empty() && name != a.name) {
    a.name = name;
    ok = WriteAccount(a);
  }
  if (!ok || !Exec("COMMIT")) {
    Exec("ROLLBACK");
    return false;
  }
  if (account) *account = a;
  return true;
}

bool AccountStore::Update(const std::vector<int32_t>& userIds, const Change& change) {
  if (!m_db || !Exec("BEGIN IMMEDIATE")) return false;
  std::vector<Account> accounts(userIds.size());
  bool ok = true;
  for (size_t i = 0; ok && i < userIds.size(); ++i) ok = ReadAccount(userIds[i], &accounts[i]);
  std::vector<MovementEntry> log;
  ok = ok && change(accounts, log);
  for (size_t i = 0; ok && i < accounts.size(); ++i) {
    accounts[i].userId = userIds[i];
    ok = WriteAccount(accounts[i]);
  }
  if (ok && !log.empty()) {
    Statement s = Prepare(m_db, "INSERT INTO movements (user_id, kind, amount, at_ms) VALUES (?, ?, ?, ?)");
    ok = s != nullptr;
    for (size_t i = 0; ok && i < log.size(); ++i) {
      sqlite3_reset(s.get());
      sqlite3_bind_int(s.get(), 1, log[i].userId);
      sqlite3_bind_int(s.get(), 2, static_cast<int>(log[i].kind));
      sqlite3_bind_int64(s.get(), 3, log[i].amount);
      sqlite3_bind_int64(s.get(), 4, log[i].atMs);
      ok = sqlite3_step(s.get()) == SQLITE_DONE;
    }
    if (!ok) m_error = sqlite3_errmsg(m_db);
  }
  if (!ok || !Exec("COMMIT")) {
    Exec("ROLLBACK");
    return false;
  }
  return true;
}

bool AccountStore::Aggregate(const char* sql, int32_t userId, Movement kind, int64_t sinceMs, int64_t* value) {
  *value = 0;
  if (!m_db) return false;
  Statement s = Prepare(m_db, sql);
  if (!s) return false;
  sqlite3_bind_int(s.get(), 1, userId);
  sqlite3_bind_int(s.get(), 2, static_cast<int>(kind));
  sqlite3_bind_int64(s.get(), 3, sinceMs);
  if (sqlite3_step(s.get()) != SQLITE_ROW) return false;
  *value = sqlite3_column_int64(s.get(), 0);
  return true;
}

int64_t AccountStore::SumMovements(int32_t userId, Movement kind, int64_t sinceMs) {
  int64_t value = 0;
  Aggregate("SELECT COALESCE(SUM(amount), 0) FROM movements WHERE user_id = ? AND kind = ? AND at_ms >= ?", userId,
            kind, sinceMs, &value);
  return value;
}

int AccountStore::CountMovements(int32_t userId, Movement kind, int64_t sinceMs) {
  int64_t value = 0;
  Aggregate("SELECT COUNT(*) FROM movements WHERE user_id = ? AND kind = ? AND at_ms >= ?", userId, kind, sinceMs,
            &value);
  return static_cast<int>(value);
}

}  // namespace testbed
