// The mahjong table in the framework server, through the network: a scripted client takes a
// chair, gets ready, is joined by three computer players and plays a whole hand, drawing and
// discarding on its turns and passing every claim; the hand's silver reaches the accounts and
// the hand log checks.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "testbed/server/GameServer.h"
#include "testbed/table/MahjongTableGame.h"
#include "testbed/table/ReplayChecker.h"
#include "testbed/table/TableCodes.h"
#include "tests/support/ScriptedClient.h"
#include "tests/support/TempDir.h"
#include "tests/testbed/RequestBodies.h"

namespace {

using namespace testbed;
using testsupport::ScriptedClient;

TEST(TableGame, OnePlayerAndThreeComputerPlayersPlayAHandThroughTheNetwork) {
  std::atomic<int64_t> now{1000};
  ReplayChecker checker;
  std::mutex logLock;
  ServerConfig config;
  config.clock = [&] { return now.load(); };
  config.tableGames = [&](int32_t room, int32_t table) {
    TableConfig t;
    t.seed = 17;
    t.botThinkMs = 100;
    return std::make_unique<MahjongTableGame>(room, table, t, [&](const std::string& line) {
      std::lock_guard<std::mutex> g(logLock);
      checker.Feed(line);
    });
  };
  testsupport::TempDir dir;
  GameServer server(std::move(config));
  std::string error;
  ASSERT_TRUE(server.Start(dir.File("accounts.db"), 0, &error)) << error;

  const requestbodies::Seat seat{7, 1, 0, 0};
  ScriptedClient client;
  ASSERT_TRUE(client.Connect(server.Port()));
  ASSERT_EQ(client.Ask(REQ_VERSION, {}).result, RESULT_SUCCESS);
  ASSERT_EQ(client.Ask(REQ_ENTER, requestbodies::Enter(seat)).result, RESULT_ENTERED_WITH_PLAYERS);
  const int64_t silverBefore = [&] {
    Account a;
    EXPECT_TRUE(server.Core().FindAccount(7, &a));
    return a.silver;
  }();
  ASSERT_EQ(client.Ask(REQ_READY, requestbodies::Common(seat)).result, RESULT_SUCCESS);

  auto identity = [&] { return Identity{7, 1, 0, 0}; };
  int started = 0;
  bool dealt = false;
  bool mustDiscard = false;
  int drawn = TILE_NONE;
  std::vector<int> hand;
  std::optional<RoundResultRecord> result;
  int discards = 0;
  auto discard = [&] {
    DiscardBody d;
    d.seat = identity();
    d.senderUserId = 7;
    d.tiles = {drawn != TILE_NONE ? drawn : hand.front()};
    const ScriptedClient::Answer a = client.Ask(REQ_DISCARD, d.Write());
    if (a.result == RESULT_SUCCESS) {
      hand.erase(std::find(hand.begin(), hand.end(), d.tiles[0]));
      mustDiscard = false;
      drawn = TILE_NONE;
      ++discards;
    }
  };
  for (int step = 0; step < 3000 && !result; ++step) {
    ScriptedClient::Notice n;
    while (!result && client.Next(&n, 20)) {
      switch (n.code) {
        case NTF_PLAYER_STARTED:
          ++started;
          break;
        case NTF_NEW_HAND: {
          const auto t = TableInfoRecord::ReadNewHand(n.data);
          ASSERT_TRUE(t);
          dealt = true;
          hand = t->ownHand;
          EXPECT_EQ(t->banker, 0);
          EXPECT_EQ(hand.size(), 14u) << "the banker's own fourteen";
          mustDiscard = t->currentChair == 0;
          break;
        }
        case NTF_TILE_DISCARDED: {
          const auto d = TileDiscardedNote::Read(n.data);
          ASSERT_TRUE(d);
          if (d->chair != 0 && d->words[0] != 0) {
            client.Ask(REQ_PASS, PassBody{identity(), d->chair, d->tile}.Write());
          }
          if (d->chair == 1) {
            // The turn comes to chair 0: draw, and let go of what came in.
            const ScriptedClient::Answer a = client.Ask(REQ_DRAW, DrawBody{identity(), 0, 0, 0, 7}.Write());
            if (a.result == RESULT_SUCCESS) {
              const auto r = DrawRecord::Read(a.data);
              ASSERT_TRUE(r);
              hand.push_back(r->tile);
              drawn = r->tile;
              mustDiscard = true;
              if (r->flags & DrawRecord::MAY_WIN) client.Ask(REQ_HU, HuBody{identity(), 0, r->tile, HU_SELF_DRAWN, 0}.Write());
            }
          }
          break;
        }
        case NTF_PENG_MELD:
        case NTF_CHI_MELD:
          break;
        case NTF_HAND_RESULT:
          result = RoundResultRecord::Read(n.data);
          ASSERT_TRUE(result);
          break;
        default:
          break;
      }
    }
    if (mustDiscard && !result) discard();
    now += 500;
    server.Core().RunDueTimers();
  }
  EXPECT_EQ(started, 3) << "the three computer players got ready";
  ASSERT_TRUE(dealt);
  ASSERT_TRUE(result) << "the hand ended";
  EXPECT_GE(discards, 1) << "the player's own discards were taken";
  EXPECT_EQ(result->silver[0] + result->silver[1] + result->silver[2] + result->silver[3], 0);
  Account after;
  ASSERT_TRUE(server.Core().FindAccount(7, &after));
  EXPECT_EQ(after.silver, silverBefore + result->silver[0]) << "the hand's silver reached the account";
  {
    std::lock_guard<std::mutex> g(logLock);
    checker.Finish();
    EXPECT_EQ(checker.HandsChecked(), 1);
    EXPECT_TRUE(checker.Errors().empty()) << checker.Errors().front();
  }
  // The client's own ready after the settlement starts the next hand with the same computer
  // players, who got ready on their own.
  ASSERT_EQ(client.Ask(REQ_AUTO_READY, requestbodies::Common(seat, 16)).result, RESULT_SUCCESS);
  ScriptedClient::Bytes next;
  for (int step = 0; step < 20 && next.empty(); ++step) {
    now += 1000;
    server.Core().RunDueTimers();
    client.NextOf(NTF_NEW_HAND, &next, 200);
  }
  const auto second = TableInfoRecord::ReadNewHand(next);
  ASSERT_TRUE(second);
  EXPECT_EQ(second->handNumber, 2);
  client.Close();
  server.Stop();
}

}  // namespace
