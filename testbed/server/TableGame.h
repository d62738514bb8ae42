// Where a table's game plugs into the server. The server keeps the chairs, the onlookers, the
// accounts and the framework's requests; a table's game receives the events of its table and the
// requests the framework does not handle, and answers through the table's channel. The game
// holds no sockets and no clock: it asks the channel for a time-out and gets it back as an event.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/base/WinTypes.h"
#include "testbed/server/WireServer.h"

namespace testbed {

// What a table's game may do at its table. Every call runs while the server handles the event
// that reached the game, so the game must not keep the channel beyond that call.
class TableChannel {
 public:
  virtual ~TableChannel() = default;
  virtual int32_t RoomId() const = 0;
  virtual int32_t TableNumber() const = 0;
  // The user id in a chair (0 when the chair is free), and whether he said he is ready.
  virtual int32_t UserAt(int chair) const = 0;
  virtual bool IsReady(int chair) const = 0;
  // Clears every chair's ready flag, as at the end of a hand.
  virtual void ClearReady() = 0;
  // Sends a notification to the player in a chair, or to everyone at the table (seated players
  // and onlookers) except one chair's player (-1: nobody is left out).
  virtual void SendToChair(int chair, DWORD code, const Bytes& data) = 0;
  virtual void SendToTable(DWORD code, const Bytes& data, int exceptChair = -1) = 0;
  // Moves silver and score of the seated players by the given amounts in one transaction and
  // tells the table their new standing (211030). False when it could not be stored.
  virtual bool Settle(const std::array<int64_t, 4>& silver, const std::array<int64_t, 4>& score) = 0;
  // Asks for OnTimer(token) after `delayMs` of the server's clock.
  virtual void Schedule(int64_t delayMs, int token) = 0;
};

class TableGame {
 public:
  virtual ~TableGame() = default;
  virtual void OnSeated(TableChannel& table, int chair) {}
  virtual void OnLeft(TableChannel& table, int chair) {}
  virtual void OnReady(TableChannel& table, int chair) {}
  virtual void OnTimer(TableChannel& table, int token) {}
  // A request the framework leaves to the game, from the player in `chair` or from an onlooker
  // watching it. Returns false when the game does not know the code either; otherwise `reply`
  // holds the answer (sent only when the client wants one).
  virtual bool OnRequest(TableChannel& table, int chair, bool onlooker, DWORD code, const Bytes& body,
                         Reply* reply) {
    return false;
  }
  // Whether a hand is being played: leaving with checks, changing tables and moving silver wait.
  virtual bool HandInProgress() const { return false; }
  // The table data a player or onlooker in `chair` gets when he enters and on request 201140.
  virtual Bytes TableInfo(int chair, bool onlooker) const { return {}; }
};

// Makes the game of a table when the table gets its first player; null leaves the table without
// a game (the framework alone).
using TableGameFactory = std::function<std::unique_ptr<TableGame>(int32_t roomId, int32_t table)>;

}  // namespace testbed
