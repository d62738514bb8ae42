// The table's exchange through the network, byte by byte: four scripted clients at a table with
// a known wall write their requests at the offsets the client uses and read every reply and
// notification at the offsets the client reads, without the server's own readers. The wall
// holds tile id i at place i, so every tile a body names also says where in the wall it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <memory>
#include <numeric>
#include <set>

#include "testbed/server/GameServer.h"
#include "testbed/table/MahjongTableGame.h"
#include "testbed/table/TableCodes.h"
#include "tests/support/ScriptedClient.h"
#include "tests/support/TempDir.h"
#include "tests/testbed/RequestBodies.h"

namespace {

using namespace testbed;
using requestbodies::Get;
using requestbodies::Put;
using requestbodies::PutText;
using requestbodies::Seat;
using testsupport::ScriptedClient;

constexpr int BREAK = 40;
constexpr int DEALT = 53;  // head tiles of the deal: 4 x 13 and the banker's fourteenth

// The hand list at +212 of a new hand: ids up to the first -1 (at most 32).
std::vector<int> HandList(const ScriptedClient::Bytes& b) {
  std::vector<int> ids;
  for (int i = 0; i < 32 && Get(b, 212 + 4 * i) != -1; ++i) ids.push_back(Get(b, 212 + 4 * i));
  return ids;
}

// Collects a client's notices up to and including the first one of `code`.
std::vector<ScriptedClient::Notice> Until(ScriptedClient& c, DWORD code) {
  std::vector<ScriptedClient::Notice> seen;
  ScriptedClient::Notice n;
  while (c.Next(&n)) {
    seen.push_back(n);
    if (n.code == code) break;
  }
  return seen;
}

requestbodies::Bytes Discard(const Seat& s, int tile) {
  requestbodies::Bytes b = requestbodies::Common(s, 104 + 4);
  Put(&b, 16, 0);  // the own discard
  Put(&b, 20, s.table);
  Put(&b, 24, s.chair);
  Put(&b, 28, s.user);
  PutText(&b, 32, "0123456789abcdef0123456789abcde");
  Put(&b, 80, 1);
  Put(&b, 100, 1);
  Put(&b, 104, tile);
  return b;
}

requestbodies::Bytes Pass(const Seat& s, int offerChair, int tile) {
  requestbodies::Bytes b = requestbodies::Common(s, 40);
  Put(&b, 16, offerChair);
  Put(&b, 20, tile);
  return b;
}

requestbodies::Bytes Draw(const Seat& s) {
  requestbodies::Bytes b = requestbodies::Common(s, 96);
  Put(&b, 16, 0);
  Put(&b, 20, s.table);
  Put(&b, 24, s.chair);
  Put(&b, 28, s.user);
  return b;
}

TEST(TableWire, AScriptedOpeningByteByByte) {
  std::atomic<int64_t> now{1000};
  ServerConfig config;
  config.clock = [&] { return now.load(); };
  config.tableGames = [&](int32_t room, int32_t table) {
    TableConfig t;
    std::vector<int> wall(136);
    std::iota(wall.begin(), wall.end(), 0);
    t.fixedWalls = {wall};
    t.fixedDice = std::array<int, 4>{3, 4, 2, 5};
    t.fixedBreak = BREAK;
    return std::make_unique<MahjongTableGame>(room, table, t);
  };
  testsupport::TempDir dir;
  GameServer server(std::move(config));
  std::string error;
  ASSERT_TRUE(server.Start(dir.File("accounts.db"), 0, &error)) << error;

  std::array<Seat, 4> seats;
  std::array<std::unique_ptr<ScriptedClient>, 4> clients;
  for (int c = 0; c < 4; ++c) {
    seats[c] = Seat{21 + c, 1, 0, c};
    clients[c] = std::make_unique<ScriptedClient>();
    ASSERT_TRUE(clients[c]->Connect(server.Port()));
    ASSERT_EQ(clients[c]->Ask(REQ_VERSION, {}).result, RESULT_SUCCESS);
    ASSERT_EQ(clients[c]->Ask(REQ_ENTER, requestbodies::Enter(seats[c])).result, RESULT_ENTERED_WITH_PLAYERS);
  }
  for (int c = 0; c < 4; ++c) {
    const ScriptedClient::Answer a = clients[c]->Ask(REQ_READY, requestbodies::Common(seats[c]));
    ASSERT_EQ(a.result, RESULT_SUCCESS);
    EXPECT_TRUE(a.data.empty());
  }

  // The new hand: each chair's own list, the others' counts, the wall as the client marks it.
  std::array<std::vector<int>, 4> hands;
  std::set<int> dealt;
  for (int c = 0; c < 4; ++c) {
    const auto seen = Until(*clients[c], NTF_NEW_HAND);
    ASSERT_FALSE(seen.empty());
    ASSERT_EQ(seen.back().code, static_cast<DWORD>(NTF_NEW_HAND)) << "chair " << c;
    std::set<int> started;
    for (const auto& n : seen) {
      if (n.code != static_cast<DWORD>(NTF_PLAYER_STARTED)) continue;
      ASSERT_GE(n.data.size(), 16u);
      EXPECT_EQ(Get(n.data, 0), 21 + Get(n.data, 12)) << "the user and the chair that got ready";
      started.insert(Get(n.data, 12));
    }
    // Every chair that got ready after this one's own ready is told (the ones before may have
    // been told with the framework's notice already); none is the own chair.
    for (int s : started) EXPECT_NE(s, c) << "the ready is not echoed to its player";
    for (int later = c + 1; later < 4; ++later) EXPECT_EQ(started.count(later), 1u) << "chair " << c;
    const ScriptedClient::Bytes& b = seen.back().data;
    ASSERT_EQ(b.size(), 952u);
    EXPECT_EQ(Get(b, 32), 1) << "hand number";
    EXPECT_EQ(Get(b, 44), 0) << "banker";
    EXPECT_EQ(Get(b, 52), 0) << "current chair";
    EXPECT_EQ(Get(b, 56), 0x101) << "running, the banker holds his drawn tile";
    EXPECT_EQ(Get(b, 92), 3);
    EXPECT_EQ(Get(b, 96), 4);
    EXPECT_EQ(Get(b, 100), 2);
    EXPECT_EQ(Get(b, 104), 5);
    EXPECT_EQ(Get(b, 112), 1) << "the chi button";
    EXPECT_EQ(Get(b, 128), BREAK);
    EXPECT_EQ(Get(b, 132), BREAK - 2) << "the indicator's place";
    EXPECT_EQ(Get(b, 144), BREAK - 2) << "the indicator is the tile at its place";
    // A suit's ids run through its nine values four times: the indicator, id 38, is the three
    // of the second suit, so its fours are the jokers, the lowest id being 39.
    EXPECT_EQ(Get(b, 136), 39) << "joker 1";
    EXPECT_EQ(Get(b, 140), -1);
    EXPECT_EQ(Get(b, 148), 0) << "nothing from the tail";
    EXPECT_EQ(Get(b, 152), BREAK + DEALT) << "the wall place of the next head draw";
    for (int k = 0; k < 4; ++k) EXPECT_EQ(Get(b, 196 + 4 * k), k == 0 ? 14 : 13) << "count of chair " << k;
    hands[c] = HandList(b);
    ASSERT_EQ(hands[c].size(), c == 0 ? 14u : 13u);
    for (int id : hands[c]) EXPECT_TRUE(dealt.insert(id).second) << "tile " << id << " dealt twice";
    for (int k = 0; k < 4; ++k) EXPECT_EQ(Get(b, 916 + 4 * k), 0) << "no flowers";
  }
  std::set<int> head;
  for (int k = 0; k < DEALT; ++k) head.insert((BREAK + k) % 136);
  EXPECT_EQ(dealt, head) << "the deal is the head of the wall from the break";

  // The banker lets go of his first tile: 10, and the discard goes to everyone, himself too,
  // with a claim word per chair.
  const int tile = hands[0].front();
  const ScriptedClient::Answer discarded = clients[0]->Ask(REQ_DISCARD, Discard(seats[0], tile));
  ASSERT_EQ(discarded.result, RESULT_SUCCESS);
  std::array<int, 4> words{};
  for (int c = 0; c < 4; ++c) {
    ScriptedClient::Bytes n;
    ASSERT_TRUE(clients[c]->NextOf(NTF_TILE_DISCARDED, &n)) << "chair " << c;
    ASSERT_GE(n.size(), 88u);
    EXPECT_EQ(Get(n, 4), 0) << "the discarder";
    EXPECT_EQ(Get(n, 84), tile);
    for (int k = 0; k < 4; ++k) words[k] = c == 0 ? Get(n, 24 + 4 * k) : words[k];
    EXPECT_EQ(Get(n, 24), 0) << "no claim on one's own tile";
  }
  for (int k = 1; k < 4; ++k) {
    const int w = words[k];
    EXPECT_EQ(w & ~(MJOP_PENG | MJOP_GANG | MJOP_CHI | MJOP_HU | MJOP_PASS), 0);
    if (w != 0) EXPECT_TRUE(w & MJOP_PASS) << "a claim always comes with pass";
    if (k != 3) EXPECT_EQ(w & MJOP_CHI, 0) << "only the next chair may chew";
    if (w != 0) EXPECT_EQ(clients[k]->Ask(REQ_PASS, Pass(seats[k], 0, tile)).result, RESULT_SUCCESS);
  }
  // Everybody passed: time is up at every client, and the next chair in turn (3) draws the
  // head's next tile, which names its own wall place.
  for (int c = 0; c < 4; ++c) EXPECT_TRUE(clients[c]->NextOf(NTF_TIME_UP, nullptr)) << "chair " << c;
  const ScriptedClient::Answer drawn = clients[3]->Ask(REQ_DRAW, Draw(seats[3]));
  ASSERT_EQ(drawn.result, RESULT_SUCCESS);
  ASSERT_EQ(drawn.data.size(), 32u);
  const int place = (BREAK + DEALT) % 136;
  EXPECT_EQ(Get(drawn.data, 0), 3);
  EXPECT_EQ(Get(drawn.data, 4), place);
  EXPECT_EQ(Get(drawn.data, 8), place);
  for (int k = 4; k < 8; ++k) EXPECT_EQ(Get(drawn.data, 4 * k), 0) << "unread words are zero";
  for (int c = 0; c < 4; ++c) {
    ScriptedClient::Bytes n;
    ASSERT_TRUE(clients[c]->NextOf(NTF_TILE_DRAWN, &n)) << "chair " << c;
    ASSERT_GE(n.size(), 12u);
    EXPECT_EQ(Get(n, 0), 3);
    EXPECT_EQ(Get(n, 4), c == 3 ? place : TILE_HIDDEN) << "only the drawer sees the tile";
    EXPECT_EQ(Get(n, 8), place);
  }
  // A second discard out of turn is refused and changes nothing.
  EXPECT_EQ(clients[0]->Ask(REQ_DISCARD, Discard(seats[0], hands[0][1])).result, RESULT_REFUSED);
  // The table data goes out where it was made: a filter that would hold it back well past the
  // client's patience still sees it, and it comes at once.
  std::atomic<int> filtered{0};
  server.SetReplyFilter([&](const Request& request, Reply* reply) {
    if (request.code != static_cast<DWORD>(REQ_GET_GAME_DATA)) return;
    ++filtered;
    reply->delayMs = 20000;
  });
  const ScriptedClient::Answer data = clients[1]->Ask(REQ_GET_GAME_DATA, requestbodies::Common(seats[1]), 5000);
  EXPECT_TRUE(data.arrived);
  EXPECT_EQ(data.result, RESULT_SUCCESS);
  EXPECT_EQ(filtered.load(), 1);
  server.SetReplyFilter(nullptr);
  for (auto& c : clients) c->Close();
  server.Stop();
}

}  // namespace
