// The players' accounts in an SQLite database: silver in hand, the safe box's balance and its
// protection password, score and level, pending rewards, and a log of every silver movement.
// Every change runs as one transaction: it reads the rows it changes, lets the caller change
// them, and writes them back with its log entries, or leaves everything as it was.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct sqlite3;

namespace testbed {

struct Account {
  int32_t userId = 0;
  std::string name;  // GBK bytes as the client sent them
  int64_t silver = 0;
  int64_t bank = 0;
  int64_t score = 0;
  int32_t level = 0;
  std::string protectPassword;  // digits; empty when the box has none
  int64_t reward = 0;           // silver awarded and not yet claimed
  int32_t wrongAnswers = 0;     // protection answers wrong in a row
  int64_t lockedUntilMs = 0;    // withdrawals refused until then
};

// Kinds of the movement log.
enum class Movement : int { DEPOSIT = 1, WITHDRAW = 2, REWARD = 3, ALLOWANCE = 4, SETTLEMENT = 5 };

struct MovementEntry {
  int32_t userId = 0;
  Movement kind = Movement::DEPOSIT;
  int64_t amount = 0;
  int64_t atMs = 0;
};

class AccountStore {
 public:
  AccountStore() = default;
  ~AccountStore();
  AccountStore(const AccountStore&) = delete;
  AccountStore& operator=(const AccountStore&) = delete;

  // Opens (creating when needed) the database file; ":memory:" keeps it in memory. False with a
  // text when the file cannot be opened or is not this store's database.
  bool Open(const std::string& path, std::string* error);
  void Close();
  bool IsOpen() const { return m_db != nullptr; }

  // Reads one account; false when there is none (or the store fails).
  bool Find(int32_t userId, Account* account);
  // Creates the account with the starting silver when it does not exist; a non-empty name
  // replaces the stored one. The account as stored afterwards goes to `account`.
  bool Ensure(int32_t userId, const std::string& name, int64_t startingSilver, Account* account);

  // The name under which the hall knows a user, for a client that does not send its own player
  // record when it enters (a room without option bit 6): the hall and the game server share the
  // user's details, as the hall writes them here.
  bool SetHallName(int32_t userId, const std::string& name);
  // Empty when the hall wrote none.
  std::string HallName(int32_t userId);

  // One transaction over the given accounts (each must exist): `change` edits the accounts (in
  // the order of `userIds`) and may add log entries; returning false rolls everything back.
  using Change = std::function<bool(std::vector<Account>& accounts, std::vector<MovementEntry>& log)>;
  bool Update(const std::vector<int32_t>& userIds, const Change& change);

  // Sum and number of the user's movements of a kind since a time.
  int64_t SumMovements(int32_t userId, Movement kind, int64_t sinceMs);
  int CountMovements(int32_t userId, Movement kind, int64_t sinceMs);

  const std::string& LastError() const { return m_error; }

 private:
  bool Exec(const char* sql);
  bool ReadAccount(int32_t userId, Account* account);
  bool WriteAccount(const Account& account);
  bool Aggregate(const char* sql, int32_t userId, Movement kind, int64_t sinceMs, int64_t* value);

  sqlite3* m_db = nullptr;
  std::string m_error;
};

}  // namespace testbed
