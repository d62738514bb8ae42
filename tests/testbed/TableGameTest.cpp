// The mahjong table in the framework server, through the network: a scripted client takes a
// chair, gets ready, is joined by three computer players and plays a whole hand, drawing and
// discarding on its turns and passing every claim; the hand's silver reaches the accounts and
// the hand log checks.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <memory>

#include "platform/base/Gbk.h"
#include "testbed/server/BodyReader.h"
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

// A game server on a free port whose tables play a fixed seed with quick computer players, on a
// clock the test moves.
struct SeededTables {
  explicit SeededTables(int seed) : server(Config(seed, &now)) {
    started = server.Start(dir.File("accounts.db"), 0, &error);
  }
  bool Started() const { return started; }
  // Connects a client and enters it at a seat; the enter's result, 0 when it got no answer.
  DWORD Enter(ScriptedClient& c, const requestbodies::Seat& s, bool lookOn = false) {
    if (!c.Connect(server.Port()) || c.Ask(REQ_VERSION, {}).result != RESULT_SUCCESS) return 0;
    return c.Ask(REQ_ENTER, requestbodies::Enter(s, lookOn)).result;
  }
  static ServerConfig Config(int seed, std::atomic<int64_t>* now) {
    ServerConfig config;
    config.clock = [now] { return now->load(); };
    config.tableGames = [seed](int32_t room, int32_t table) {
      TableConfig t;
      t.seed = seed;
      t.botThinkMs = 100;
      return std::make_unique<MahjongTableGame>(room, table, t);
    };
    return config;
  }

  std::atomic<int64_t> now{1000};
  testsupport::TempDir dir;
  GameServer server;
  bool started = false;
  std::string error;
};

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
          // A late automatic ready from the settlement before this hand is taken but does not
          // count for the next hand.
          EXPECT_EQ(client.Ask(REQ_AUTO_READY, requestbodies::Common(seat, 16)).result, RESULT_SUCCESS);
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
  // Nobody deals the next hand while the player has not got ready after this one.
  ScriptedClient::Bytes early;
  for (int step = 0; step < 10 && early.empty(); ++step) {
    now += 1000;
    server.Core().RunDueTimers();
    client.NextOf(NTF_NEW_HAND, &early, 50);
  }
  EXPECT_TRUE(early.empty()) << "a hand dealt before the player got ready";
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

// The computer players the table seats are the framework's players too: every player at the
// table is told of each with his user id and a name of his own (whole GBK characters inside the
// record's name field) before he gets ready, and a player who comes later finds them in the
// enter reply's list of the table.
TEST(TableGame, ComputerPlayersAreSeatedWithTheirNames) {
  ServerConfig config;
  config.clock = [] { return int64_t{1000}; };
  config.tableGames = [](int32_t room, int32_t table) {
    TableConfig t;
    t.seed = 3;
    return std::make_unique<MahjongTableGame>(room, table, t);
  };
  testsupport::TempDir dir;
  GameServer server(std::move(config));
  std::string error;
  ASSERT_TRUE(server.Start(dir.File("accounts.db"), 0, &error)) << error;
  const requestbodies::Seat seat{7, 1, 0, 0};
  ScriptedClient player;
  ASSERT_TRUE(player.Connect(server.Port()));
  ASSERT_EQ(player.Ask(REQ_VERSION, {}).result, RESULT_SUCCESS);
  ASSERT_EQ(player.Ask(REQ_ENTER, requestbodies::Enter(seat)).result, RESULT_ENTERED_WITH_PLAYERS);
  ASSERT_EQ(player.Ask(REQ_READY, requestbodies::Common(seat)).result, RESULT_SUCCESS);

  std::array<std::string, 4> names;
  std::array<bool, 4> startedBeforeSeated{};
  ScriptedClient::Notice n;
  while (player.Next(&n, 2000) && n.code != NTF_NEW_HAND) {
    if (n.code == NTF_PLAYER_STARTED) {
      const auto started = PlayerStartedNote::Read(n.data);
      ASSERT_TRUE(started);
      const int chair = started->id.chair;
      if (chair >= 1 && chair <= 3 && names[chair].empty()) startedBeforeSeated[chair] = true;
    }
    if (n.code != NTF_PLAYER_SEATED) continue;
    BodyReader in(n.data);
    WirePlayer p;
    ASSERT_TRUE(p.Read(in, 0));
    ASSERT_GE(p.chair, 1);
    ASSERT_LE(p.chair, 3);
    EXPECT_EQ(p.userId, MahjongTableGame::BOT_USER_BASE - p.chair);
    names[p.chair] = p.name;
  }
  for (int chair = 1; chair <= 3; ++chair) {
    SCOPED_TRACE(chair);
    EXPECT_FALSE(names[chair].empty());
    EXPECT_LE(names[chair].size(), 31u);
    EXPECT_EQ(GbkSafeCut(names[chair].data(), names[chair].size()), names[chair].size());
    EXPECT_EQ(names[chair], MahjongTableGame::ComputerPlayer(chair).name);
    EXPECT_FALSE(startedBeforeSeated[chair]) << "the table knew the name before the computer player started";
  }
  EXPECT_NE(names[1], names[2]);
  EXPECT_NE(names[2], names[3]);
  EXPECT_NE(names[1], names[3]);
  EXPECT_EQ((std::array<int32_t, 4>{7, MahjongTableGame::BOT_USER_BASE - 1, MahjongTableGame::BOT_USER_BASE - 2,
                                     MahjongTableGame::BOT_USER_BASE - 3}),
            server.Core().TableUsers(1, 0));

  // An onlooker of chair 2 finds the table's players, names included, in his enter reply.
  ScriptedClient watcher;
  ASSERT_TRUE(watcher.Connect(server.Port()));
  ASSERT_EQ(watcher.Ask(REQ_VERSION, {}).result, RESULT_SUCCESS);
  const ScriptedClient::Answer entered = watcher.Ask(REQ_ENTER, requestbodies::Enter({8, 1, 0, 2}, true));
  ASSERT_EQ(entered.result, RESULT_ENTERED_WITH_PLAYERS);
  BodyReader reply(entered.data);
  for (int chair = 1; chair <= 3; ++chair) {
    WirePlayer p;
    ASSERT_TRUE(p.Read(reply, 60 + 136 * static_cast<size_t>(chair))) << chair;
    EXPECT_EQ(p.name, names[chair]) << chair;
  }
  watcher.Close();
  player.Close();
  server.Stop();
}

// Onlookers at the networked table: each gets the table's notifications with the hands he may
// not see hidden, and the see-hand flow opens the watched hand to him alone. The clock stands
// still, so the computer players never act and the hand waits on the player's first discard.
TEST(TableGame, OnlookersGetTheirOwnViewAndMaySeeAHandWhenAllowed) {
  SeededTables tables(5);
  ASSERT_TRUE(tables.Started()) << tables.error;
  GameServer& server = tables.server;

  auto enter = [&](ScriptedClient& c, const requestbodies::Seat& s, bool lookOn) {
    ASSERT_TRUE(c.Connect(server.Port()));
    ASSERT_EQ(c.Ask(REQ_VERSION, {}).result, RESULT_SUCCESS);
    const DWORD entered = c.Ask(REQ_ENTER, requestbodies::Enter(s, lookOn)).result;
    ASSERT_TRUE(entered == RESULT_ENTERED || entered == RESULT_ENTERED_WITH_PLAYERS) << entered;
  };
  auto sorted = [](std::vector<int> v) {
    std::sort(v.begin(), v.end());
    return v;
  };
  auto ownHandOf = [](const ScriptedClient::Answer& a) {
    const auto t = TableInfoRecord::Read(a.data);
    return t ? t->ownHand : std::vector<int>{-1};
  };

  ScriptedClient player;
  ScriptedClient watcher;    // watches the player in chair 0
  ScriptedClient late;       // comes to watch chair 0 in the middle of the hand
  const requestbodies::Seat seat{7, 1, 0, 0};
  const requestbodies::Seat watching{8, 1, 0, 0};
  const requestbodies::Seat watchingLate{9, 1, 0, 0};
  enter(player, seat, false);
  enter(watcher, watching, true);
  ASSERT_EQ(player.Ask(REQ_READY, requestbodies::Common(seat)).result, RESULT_SUCCESS);

  ScriptedClient::Bytes dealt;
  ASSERT_TRUE(player.NextOf(NTF_NEW_HAND, &dealt));
  const auto own = TableInfoRecord::ReadNewHand(dealt);
  ASSERT_TRUE(own);
  ASSERT_EQ(own->ownHand.size(), 14u);
  ASSERT_TRUE(watcher.NextOf(NTF_NEW_HAND, &dealt)) << "the onlooker is dealt in too";
  const auto seen = TableInfoRecord::ReadNewHand(dealt);
  ASSERT_TRUE(seen);
  EXPECT_EQ(seen->handNumber, own->handNumber);
  EXPECT_EQ(seen->ownHand, std::vector<int>(14, TILE_HIDDEN)) << "the watched hand is hidden";
  EXPECT_EQ(ownHandOf(watcher.Ask(REQ_GET_GAME_DATA, requestbodies::Common(watching))),
            std::vector<int>(14, TILE_HIDDEN));

  // An onlooker may ask but not play.
  DiscardBody notHis;
  notHis.seat = Identity{7, 1, 0, 0};
  notHis.senderUserId = 8;
  notHis.tiles = {own->ownHand.front()};
  EXPECT_EQ(watcher.Ask(REQ_DISCARD, notHis.Write()).result, RESULT_REFUSED);

  // The see-hand flow: the onlooker asks, the player is asked and allows, the onlooker gets
  // the hand, and from then on his table data shows it.
  ASSERT_EQ(watcher.Ask(REQ_SEE_HAND, IdentityBody{Identity{8, 1, 0, 0}}.Write()).result, RESULT_SUCCESS);
  ScriptedClient::Bytes asked;
  ASSERT_TRUE(player.NextOf(NTF_SEE_HAND_REQUEST, &asked));
  ASSERT_TRUE(SeeHandAskNote::Read(asked));
  EXPECT_EQ(SeeHandAskNote::Read(asked)->watcherUserId, 8);
  ASSERT_EQ(player.Ask(REQ_SEE_HAND_PERMISSION, PermissionBody{Identity{7, 1, 0, 0}, 8, 1}.Write()).result,
            RESULT_SUCCESS);
  ScriptedClient::Bytes shown;
  ASSERT_TRUE(watcher.NextOf(NTF_HAND_SHOWN, &shown));
  ASSERT_TRUE(HandShownNote::Read(shown));
  EXPECT_EQ(HandShownNote::Read(shown)->allow, 1);
  ScriptedClient::Bytes refresh;
  ASSERT_TRUE(watcher.NextOf(NTF_HAND_REFRESH, &refresh));
  const auto tiles = HandRefreshNote::Read(refresh);
  ASSERT_TRUE(tiles);
  EXPECT_EQ(tiles->chair, 0);
  EXPECT_EQ(sorted(tiles->tiles), sorted(own->ownHand));
  EXPECT_EQ(sorted(ownHandOf(watcher.Ask(REQ_GET_GAME_DATA, requestbodies::Common(watching)))),
            sorted(own->ownHand));

  // Leave to see is given to one onlooker, not to everyone who watches the chair.
  enter(late, watchingLate, true);
  EXPECT_EQ(ownHandOf(late.Ask(REQ_GET_GAME_DATA, requestbodies::Common(watchingLate))),
            std::vector<int>(14, TILE_HIDDEN));

  // The player's discard reaches both onlookers.
  DiscardBody d;
  d.seat = Identity{7, 1, 0, 0};
  d.senderUserId = 7;
  d.tiles = {own->ownHand.front()};
  ASSERT_EQ(player.Ask(REQ_DISCARD, d.Write()).result, RESULT_SUCCESS);
  for (ScriptedClient* c : {&watcher, &late}) {
    ScriptedClient::Bytes note;
    ASSERT_TRUE(c->NextOf(NTF_TILE_DISCARDED, &note));
    const auto n = TileDiscardedNote::Read(note);
    ASSERT_TRUE(n);
    EXPECT_EQ(n->chair, 0);
    EXPECT_EQ(n->tile, d.tiles[0]);
  }
  for (ScriptedClient* c : {&player, &watcher, &late}) c->Close();
  server.Stop();
}

// A player whose connection drops in the middle of a hand keeps his chair: nobody else may take
// it, the table tells the others he is away and back, and on his return he gets his hand again.
// A chair still kept when the hand ends is given up.
TEST(TableGame, AChairIsKeptThroughADroppedConnectionUntilTheHandEnds) {
  SeededTables tables(23);
  ASSERT_TRUE(tables.Started()) << tables.error;
  GameServer& server = tables.server;
  std::atomic<int64_t>& now = tables.now;
  auto awayOrBack = [](ScriptedClient& c) {
    ScriptedClient::Bytes b;
    if (!c.NextOf(NTF_PLAYER_BACK_OR_LEFT, &b)) return -1;
    const auto n = ChairNote::Read(b);
    return n && n->id.chair == 0 && n->id.userId == 7 ? n->kind : -2;
  };

  const requestbodies::Seat seat{7, 1, 0, 0};
  const requestbodies::Seat watching{8, 1, 0, 0};
  const requestbodies::Seat other{10, 1, 0, 0};
  auto player = std::make_unique<ScriptedClient>();
  ScriptedClient watcher;
  ASSERT_EQ(tables.Enter(*player, seat, false), RESULT_ENTERED_WITH_PLAYERS);
  ASSERT_EQ(tables.Enter(watcher, watching, true), RESULT_ENTERED_WITH_PLAYERS);
  ASSERT_EQ(player->Ask(REQ_READY, requestbodies::Common(seat)).result, RESULT_SUCCESS);
  ScriptedClient::Bytes dealt;
  ASSERT_TRUE(player->NextOf(NTF_NEW_HAND, &dealt));
  const auto own = TableInfoRecord::ReadNewHand(dealt);
  ASSERT_TRUE(own);

  player->Close();
  EXPECT_EQ(awayOrBack(watcher), LEFT_GAME);
  ScriptedClient intruder;
  EXPECT_EQ(tables.Enter(intruder, other, false), RESULT_ENTER_FAILED) << "the chair is kept";
  intruder.Close();

  player = std::make_unique<ScriptedClient>();
  ASSERT_EQ(tables.Enter(*player, seat, false), RESULT_ENTERED_WITH_PLAYERS);
  EXPECT_EQ(awayOrBack(watcher), BACK_IN_GAME);
  const ScriptedClient::Answer info = player->Ask(REQ_GET_GAME_DATA, requestbodies::Common(seat));
  const auto back = TableInfoRecord::Read(info.data);
  ASSERT_TRUE(back);
  std::vector<int> before = own->ownHand;
  std::vector<int> after = back->ownHand;
  std::sort(before.begin(), before.end());
  std::sort(after.begin(), after.end());
  EXPECT_EQ(after, before) << "his own hand, as dealt";

  // Away again, for good: the table plays his turns when they time out and lets the chair go
  // when the hand is over.
  player->Close();
  EXPECT_EQ(awayOrBack(watcher), LEFT_GAME);
  ScriptedClient::Bytes result;
  for (int step = 0; step < 2000 && result.empty(); ++step) {
    now += 1000;
    server.Core().RunDueTimers();
    watcher.NextOf(NTF_HAND_RESULT, &result, 0);
  }
  // The last notices may still be on their way.
  if (result.empty()) watcher.NextOf(NTF_HAND_RESULT, &result);
  ASSERT_FALSE(result.empty()) << "the hand ended";
  ScriptedClient newcomer;
  EXPECT_EQ(tables.Enter(newcomer, other, false), RESULT_ENTERED_WITH_PLAYERS) << "the chair is free again";
  newcomer.Close();
  watcher.Close();
  server.Stop();
}


// A player who leaves in the middle of a hand keeps his hand at the table, which plays it on. A
// newcomer who sits down in his chair meanwhile follows the hand as an onlooker of the chair: he
// neither sees that hand's tiles nor plays them in the other player's name.
TEST(TableGame, ANewcomerInAChairKeptForTheRunningHandNeitherSeesNorPlaysIt) {
  SeededTables tables(23);
  ASSERT_TRUE(tables.Started()) << tables.error;
  GameServer& server = tables.server;
  const requestbodies::Seat first{7, 1, 0, 0};
  const requestbodies::Seat late{11, 1, 0, 0};
  // An onlooker of a computer player keeps the table open once the first player has gone.
  const requestbodies::Seat watching{8, 1, 0, 1};
  ScriptedClient player, newcomer, watcher;
  ASSERT_EQ(tables.Enter(player, first), RESULT_ENTERED_WITH_PLAYERS);
  ASSERT_EQ(player.Ask(REQ_READY, requestbodies::Common(first)).result, RESULT_SUCCESS);
  ScriptedClient::Bytes dealt;
  ASSERT_TRUE(player.NextOf(NTF_NEW_HAND, &dealt));
  const auto own = TableInfoRecord::ReadNewHand(dealt);
  ASSERT_TRUE(own);
  ASSERT_EQ(own->ownHand.size(), 14u) << "the first player is the banker, about to discard";
  ASSERT_EQ(tables.Enter(watcher, watching, true), RESULT_ENTERED_WITH_PLAYERS);
  ASSERT_EQ(player.Ask(REQ_LEAVE, requestbodies::Leave(first)).result, RESULT_SUCCESS);
  player.Close();

  ASSERT_EQ(tables.Enter(newcomer, late), RESULT_ENTERED_WITH_PLAYERS);
  const auto info = TableInfoRecord::Read(newcomer.Ask(REQ_GET_GAME_DATA, requestbodies::Common(late)).data);
  ASSERT_TRUE(info);
  printf("DEBUG ownHand %zu:", info->ownHand.size()); for (int id : info->ownHand) printf(" %d", id); printf(" own:"); for (int id : own->ownHand) printf(" %d", id); printf("\n");
  EXPECT_EQ(info->handCounts[0], 14) << "the hand at the table is still the banker's";
  for (int id : info->ownHand) {
    EXPECT_EQ(std::count(own->ownHand.begin(), own->ownHand.end(), id), 0) << "tile " << id << " of the hand shown";
  }
  // The banker's discard is not the newcomer's to make.
  requestbodies::Bytes discard = requestbodies::Common(late, 104 + 4);
  requestbodies::Put(&discard, 20, late.table);
  requestbodies::Put(&discard, 24, late.chair);
  requestbodies::Put(&discard, 28, late.user);
  requestbodies::Put(&discard, 80, 1);
  requestbodies::Put(&discard, 100, 1);
  requestbodies::Put(&discard, 104, own->ownHand.front());
  EXPECT_EQ(newcomer.Ask(REQ_DISCARD, discard).result, RESULT_REFUSED);
  EXPECT_FALSE(newcomer.NextOf(NTF_TILE_DISCARDED, nullptr, 200));
  newcomer.Close();
  watcher.Close();
  server.Stop();
}

// A player who sits down in a chair that a computer player keeps for the running hand follows
// that hand as an onlooker of the chair and sees it end; the readies he and the player in his own
// chair sent during the hand (which the framework accepted) count for the next hand, which the
// newcomer plays in his chair.
TEST(TableGame, APlayerWhoSitsDownMidHandSeesItEndAndPlaysTheNext) {
  SeededTables tables(29);
  ASSERT_TRUE(tables.Started()) << tables.error;
  GameServer& server = tables.server;
  std::atomic<int64_t>& now = tables.now;
  const requestbodies::Seat first{7, 1, 0, 0};
  const requestbodies::Seat late{11, 1, 0, 1};
  ScriptedClient player, newcomer;
  ASSERT_EQ(tables.Enter(player, first), RESULT_ENTERED_WITH_PLAYERS);
  ASSERT_EQ(player.Ask(REQ_READY, requestbodies::Common(first)).result, RESULT_SUCCESS);
  ASSERT_TRUE(player.NextOf(NTF_NEW_HAND, nullptr)) << "the hand starts with computer players";
  ASSERT_EQ(tables.Enter(newcomer, late), RESULT_ENTERED_WITH_PLAYERS);
  ASSERT_EQ(newcomer.Ask(REQ_READY, requestbodies::Common(late)).result, RESULT_SUCCESS);
  ASSERT_EQ(player.Ask(REQ_READY, requestbodies::Common(first)).result, RESULT_SUCCESS);

  ScriptedClient::Bytes result;
  for (int step = 0; step < 3000 && result.empty(); ++step) {
    now += 1000;
    server.Core().RunDueTimers();
    newcomer.NextOf(NTF_HAND_RESULT, &result, 0);
  }
  if (result.empty()) newcomer.NextOf(NTF_HAND_RESULT, &result);
  ASSERT_FALSE(result.empty()) << "the newcomer follows the hand to its end";

  ScriptedClient::Bytes dealt;
  for (int step = 0; step < 100 && dealt.empty(); ++step) {
    now += 1000;  // the computer players get ready a little after the hand
    server.Core().RunDueTimers();
    newcomer.NextOf(NTF_NEW_HAND, &dealt, 0);
  }
  if (dealt.empty()) newcomer.NextOf(NTF_NEW_HAND, &dealt);
  ASSERT_FALSE(dealt.empty()) << "the next hand starts with the newcomer in the chair";
  const auto record = TableInfoRecord::ReadNewHand(dealt);
  ASSERT_TRUE(record);
  EXPECT_EQ(std::count(record->ownHand.begin(), record->ownHand.end(), 200), 0) << "his own tiles";
  newcomer.Close();
  player.Close();
  server.Stop();
}

}  // namespace
