// The mahjong table plugged into the framework server: the server keeps the chairs, the accounts
// and the framework's requests; this game keeps a MahjongTable per table, puts computer players
// into the chairs nobody took when a player gets ready, passes the game's requests to the table
// and sends what the table answers to the chairs, and settles each hand's silver.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "testbed/server/TableGame.h"
#include "testbed/table/ExchangeActivity.h"
#include "testbed/table/MahjongTable.h"

namespace testbed {

class MahjongTableGame : public TableGame {
 public:
  // Computer players get user ids below this one, one per chair.
  static constexpr int BOT_USER_BASE = -100;

  MahjongTableGame(int32_t roomId, int32_t table, TableConfig config,
                   std::function<void(const std::string&)> handLog = nullptr);
  // A hand still running when the server stops is logged as abandoned.
  ~MahjongTableGame() override;

  void OnSeated(TableChannel& table, int chair) override;
  void OnLeft(TableChannel& table, int chair) override;
  void OnReady(TableChannel& table, int chair) override;
  void OnTimer(TableChannel& table, int token) override;
  bool HoldChairOnDisconnect(TableChannel& table, int chair) override;
  void OnReconnected(TableChannel& table, int chair) override;
  void OnWatching(TableChannel& table, int32_t userId, int chair) override;
  void OnStoppedWatching(TableChannel& table, int32_t userId, int chair) override;
  bool OnRequest(TableChannel& table, int chair, bool onlooker, DWORD code, const Bytes& body, Reply* reply) override;
  // A player who wants a computer player's chair gets it: between hands the computer player
  // leaves the table, during a hand he plays it to its end while the newcomer follows it.
  bool YieldComputerChair(TableChannel& table, int chair) override { return true; }
  bool HandInProgress() const override;
  Bytes TableInfo(int chair, bool onlooker, int32_t userId) const override;

  // The framework's record of the computer player in a chair: his user id and his name (GBK).
  static WirePlayer ComputerPlayer(int chair);

  const MahjongTable& Table() const { return m_table; }
  // The table's lines on the rare turns of its claims and turns (see MahjongTable::SetEventLog).
  void SetEventLog(std::function<void(const std::string&)> sink) { m_table.SetEventLog(std::move(sink)); }
  // The ticket-exchange activity shared by the server's tables; without one its requests are
  // refused.
  void SetExchange(std::shared_ptr<ExchangeActivity> exchange) { m_exchange = std::move(exchange); }

 private:
  // Sends what the table produced: each message to its user, seated or looking on (computer
  // players get nothing through the channel); the reply meant for `requester` (a user id, 0 for
  // none) goes into `reply`. Schedules the table's time-outs.
  void Deliver(TableChannel& channel, TableOutput&& out, int requester, Reply* reply);
  void SettleIfEnded(TableChannel& channel, int handsBefore);
  int ChairOfUser(int userId) const;
  // The player who sat down in a chair that another keeps for the running hand stops watching it.
  void StopWaiting(int chair);

  // The leave requests and their answers, passed on to the table; and the exchange activity.
  bool OnLeaveRequest(TableChannel& channel, int chair, DWORD code, const Bytes& body, Reply* reply);
  bool OnActivityRequest(TableChannel& channel, int chair, bool onlooker, DWORD code, const Bytes& body, Reply* reply);

  MahjongTable m_table;
  std::array<int, 4> m_users{};  // user id in each chair as the table knows it; 0 = free
  std::shared_ptr<ExchangeActivity> m_exchange;
  // A player who sat down in a chair kept for the running hand, by chair (0: none); he watches
  // that hand until he takes the chair when he gets ready.
  std::array<int, 4> m_waiting{};
  std::array<bool, 4> m_readyWhenFree{};  // a ready the framework accepted during the hand
};

}  // namespace testbed
