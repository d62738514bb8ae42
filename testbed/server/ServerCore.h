// The framework side of the testbed game server, without sockets: sessions, rooms and tables of
// four chairs, the accounts, and an answer for every framework request. The network shell
// (GameServer) hands each request to Handle and each closed connection to OnSessionClosed; the
// core sends notifications through its outbox. Every public operation takes the core's one lock,
// so requests of different connections are handled one after another.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "testbed/server/AccountStore.h"
#include "testbed/server/FrameworkRecords.h"
#include "testbed/server/TableGame.h"
#include "testbed/server/WireServer.h"

namespace testbed {

// What a room allows. Limits of 0 mean none.
struct RoomRules {
  int32_t tables = 64;
  int32_t minSilver = 0;
  int32_t maxSilver = 0;
  bool bankAllowed = true;
  // Sent with the reply of 201130, where the client takes it for the room's flags; without a
  // value the reply carries no data and the client keeps the flags the hall gave it.
  std::optional<int32_t> roomFlags;
  int32_t maxOnlookers = 16;
};

struct ServerConfig {
  int32_t versionMajor = 2;
  int32_t versionMinor = 0;
  int64_t startingSilver = 10000;
  RoomRules rules;  // every room's, unless SetRoomRules gives one its own
  int64_t changeTableIntervalMs = 5000;
  int32_t allowanceAmount = 2000;
  int32_t allowanceThreshold = 1000;  // granted while silver in hand and box are below this
  int32_t allowancePerDay = 3;
  int64_t dailyWithdrawLimit = 0;
  int64_t monthlyWithdrawLimit = 0;
  int32_t wrongAnswerLimit = 3;  // wrong protection answers in a row before withdrawals stop
  int64_t answerLockMs = 10 * 60 * 1000;
  // The levels by score: a player's level is the last entry whose score his reaches, and its
  // title goes with his standing (211030).
  std::vector<std::pair<int64_t, std::string>> levels = {
      {0, "新手"}, {100, "入门"}, {500, "熟手"}, {2000, "高手"}, {10000, "大师"}};
  uint32_t seed = 0;  // of the protection challenges; 0 takes one from the clock
  // Milliseconds since the epoch; empty means the system clock. Tests give their own.
  std::function<int64_t()> clock;
  // Whether the server's own thread runs the due timers with a given clock too (a faster clock
  // in a long run); tests that give a clock run the timers themselves.
  bool tickGivenClock = false;
  TableGameFactory tableGames;
};

// Where the core's notifications go: a session's connection.
class Outbox {
 public:
  virtual ~Outbox() = default;
  virtual void Send(int session, DWORD code, const Bytes& data) = 0;
  // Ends a session's connection (a newer connection of the same user took over).
  virtual void Close(int session) = 0;
  // Writes an in-order reply at once, among the notifications the core sends, and marks it
  // written; an outbox that does not answers nothing here and the reply goes out as any other.
  virtual void Answer(const Request& request, Reply* reply) {}
};

// A connection's state as tests and tools see it.
struct SessionView {
  int32_t userId = 0;
  bool entered = false;
  int32_t roomId = 0;
  int32_t table = -1;
  int32_t chair = -1;
  bool onlooker = false;
  int32_t lastAverageMs = 0;
  int32_t lastMaximumMs = 0;
  int64_t lastKeepAliveMs = 0;
};

class ServerCore {
 public:
  ServerCore(ServerConfig config, Outbox* outbox);
  ~ServerCore();
  ServerCore(const ServerCore&) = delete;
  ServerCore& operator=(const ServerCore&) = delete;

  bool OpenAccounts(const std::string& databasePath, std::string* error);

  Reply Handle(const Request& request);
  void OnSessionClosed(int session);
  // Runs the tables' time-outs that are due by the clock.
  void RunDueTimers();

  void SetRoomRules(int32_t roomId, const RoomRules& rules);

  // Accounts, for tests and tools.
  bool FindAccount(int32_t userId, Account* account);
  bool EnsureAccount(int32_t userId, const std::string& name, Account* account);
  // Silver in hand and in the box, set as they are given.
  bool SetSilver(int32_t userId, int64_t silver, int64_t bank);
  // An empty text removes the password; otherwise 1 to 16 digits.
  bool SetProtectPassword(int32_t userId, const std::string& digits);
  bool AwardReward(int32_t userId, int64_t amount);

  // Notifications pushed from outside: to every connection of a user, to everyone at a table,
  // or to every connection. Each returns how many connections it was sent to.
  int NotifyUser(int32_t userId, DWORD code, const Bytes& data);
  int NotifyTable(int32_t roomId, int32_t table, DWORD code, const Bytes& data);
  int NotifyAll(DWORD code, const Bytes& data);
  // Tells the table that it is closed (211000) and empties it.
  bool CloseTable(int32_t roomId, int32_t table);
  // The settlement of a table's game, as TableChannel::Settle.
  bool Settle(int32_t roomId, int32_t table, const std::array<int64_t, 4>& silver,
              const std::array<int64_t, 4>& score);

  // Marks a seated player ready as his ready request would (the silver limits aside), for a test
  // or tool whose client has no way to press its start button. False when the user sits nowhere.
  bool MakeReady(int32_t userId);

  std::array<int32_t, 4> TableUsers(int32_t roomId, int32_t table);
  // Whether a hand is being played at the table.
  bool TablePlaying(int32_t roomId, int32_t table);
  std::vector<int32_t> TableOnlookers(int32_t roomId, int32_t table);
  bool Session(int session, SessionView* view);
  std::vector<std::string> LogLines() const;
  // Receives every log line as it is written (the program prints them).
  void SetLogSink(std::function<void(const std::string&)> sink);

 private:
  struct SessionState;
  struct Table;
  struct Room;
  class Channel;
  struct Timer {
    int64_t due;
    uint64_t order;
    int32_t roomId;
    int32_t table;
    int token;
  };

  int64_t Now() const;
  void Logf(const char* format, ...) __attribute__((format(printf, 2, 3)));
  Reply Refuse(const Request& request, DWORD result, const char* why);
  Reply ServerText(const std::string& text);

  Reply Dispatch(SessionState& s, const Request& r);
  Reply Enter(SessionState& s, const Request& r);
  Reply Leave(SessionState& s, const Request& r);
  Reply Ready(SessionState& s, const Request& r);
  Reply Chat(SessionState& s, const Request& r);
  Reply Call(SessionState& s, const Request& r);
  Reply ChangeTable(SessionState& s, const Request& r);
  Reply KeepAlive(SessionState& s, const Request& r);
  Reply GameRunning(SessionState& s, const Request& r);
  Reply GameData(SessionState& s, const Request& r);
  Reply PassToGame(SessionState& s, const Request& r);
  Reply Reward(SessionState& s, const Request& r);
  Reply AllowanceConfigReply(SessionState& s, const Request& r);
  Reply Allowance(SessionState& s, const Request& r);
  Reply OpenSafe(SessionState& s, const Request& r);
  Reply Deposit(SessionState& s, const Request& r);
  Reply Withdraw(SessionState& s, const Request& r);
  Reply ProtectQuery(SessionState& s, const Request& r);

  Room& RoomFor(int32_t roomId);
  Table* FindTable(int32_t roomId, int32_t table);
  Table* TableOf(const SessionState& s);
  SessionState* FindSession(int id);
  WirePlayer PlayerOf(const SessionState& s);
  int32_t UserAt(const Table& t, int chair);
  WirePlayer PlayerAt(const Table& t, int chair);
  std::vector<WirePlayer> PlayersOf(const Table& t);
  void Seat(SessionState& s, int32_t roomId, int32_t table, int32_t chair, bool onlooker);
  void RemoveFromTable(SessionState& s);
  void DropTableIfEmpty(int32_t roomId, int32_t table);
  int SendToTable(const Table& t, DWORD code, const Bytes& data, int exceptSession);
  void TellSilver(const SessionState& s, int kind, int64_t amount, int64_t silver, int target);
  bool SettleLocked(int32_t roomId, int32_t table, const std::array<int64_t, 4>& silver,
                    const std::array<int64_t, 4>& score);
  int32_t LevelOf(int64_t score) const;
  std::string LevelTitle(int32_t level) const;
  int64_t DayStart(int64_t now) const;
  int64_t MonthStart(int64_t now) const;

  ServerConfig m_config;
  Outbox* m_outbox;
  AccountStore m_accounts;
  mutable std::mutex m_lock;
  std::map<int, std::unique_ptr<SessionState>> m_sessions;
  std::map<int32_t, std::unique_ptr<Room>> m_rooms;
  std::map<int32_t, RoomRules> m_roomRules;
  std::vector<Timer> m_timers;
  uint64_t m_timerOrder = 0;
  std::mt19937 m_random;
  std::vector<std::string> m_log;
  std::function<void(const std::string&)> m_logSink;
};

}  // namespace testbed
