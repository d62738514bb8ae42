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
#include "testbed/server/FrameworkRecords.h"
#include "testbed/server/WireServer.h"

namespace testbed {

// What a table's game may do at its table. Every call runs while the server handles the event
// that reached the game, so the game must not keep the channel beyond that call.
class TableChannel {
 public:
  virtual ~TableChannel() = default;
  virtual int32_t RoomId() const = 0;
  virtual int32_t TableNumber() const = 0;
  // The user id in a chair (0 when the chair is free), and whether he said he is ready. A chair
  // is taken by a connected player, by an absent one whose chair is kept for him, or by a
  // computer player.
  virtual int32_t UserAt(int chair) const = 0;
  virtual bool IsReady(int chair) const = 0;
  virtual bool IsAbsent(int chair) const = 0;
  virtual bool IsComputer(int chair) const = 0;
  // The user whose request or entry is being handled; 0 during a time-out.
  virtual int32_t RequestUser() const = 0;
  // Clears every chair's ready flag, as at the end of a hand.
  virtual void ClearReady() = 0;
  // Sends a notification to the player in a chair, or to everyone at the table (seated players
  // and onlookers) except one chair's player (-1: nobody is left out).
  virtual void SendToChair(int chair, DWORD code, const Bytes& data) = 0;
  virtual void SendToTable(DWORD code, const Bytes& data, int exceptChair = -1) = 0;
  // Sends a notification to a user at the table, seated or looking on: the way to give one
  // onlooker his own view of the table.
  virtual void SendToUser(int32_t userId, DWORD code, const Bytes& data) = 0;
  // Seats a computer player in a free chair (the table is told with 211011; his account is made
  // when needed) or takes him away again (211010). False when the chair is not free.
  virtual bool SeatComputer(int chair, const WirePlayer& player) = 0;
  virtual void RemoveComputer(int chair) = 0;
  // Frees the chair kept for an absent player; the table is told that he left (211010).
  virtual void ReleaseChair(int chair) = 0;
  // Moves silver and score of the players in the chairs (absent and computer ones included) by
  // the given amounts in one transaction and tells the table their new standing (211030). False
  // when it could not be stored.
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
  // The connection of the player in `chair` ended. True keeps the chair for him, absent: nobody
  // is told, and the chair is his again when he enters it (OnReconnected) until the game
  // releases it. False frees the chair as if he had left.
  virtual bool HoldChairOnDisconnect(TableChannel& table, int chair) { return false; }
  virtual void OnReconnected(TableChannel& table, int chair) {}
  // A player wants the chair of a computer player; true lets him have it (the computer leaves
  // the table first).
  virtual bool YieldComputerChair(TableChannel& table, int chair) { return false; }
  // An onlooker came to watch the player in `chair`, or went.
  virtual void OnWatching(TableChannel& table, int32_t userId, int chair) {}
  virtual void OnStoppedWatching(TableChannel& table, int32_t userId, int chair) {}
  // A request the framework leaves to the game, from the player in `chair` or from an onlooker
  // watching it. Returns false when the game does not know the code either; otherwise `reply`
  // holds the answer (sent only when the client wants one).
  virtual bool OnRequest(TableChannel& table, int chair, bool onlooker, DWORD code, const Bytes& body,
                         Reply* reply) {
    return false;
  }
  // Whether a hand is being played: leaving with checks, changing tables and moving silver wait.
  virtual bool HandInProgress() const { return false; }
  // The table data a player or onlooker in `chair` gets when he enters and on request 201140;
  // `userId` is the one who asks, since onlookers of one chair may see different things.
  virtual Bytes TableInfo(int chair, bool onlooker, int32_t userId) const { return {}; }
};

// Makes the game of a table when the table gets its first player; null leaves the table without
// a game (the framework alone).
using TableGameFactory = std::function<std::unique_ptr<TableGame>(int32_t roomId, int32_t table)>;

}  // namespace testbed
