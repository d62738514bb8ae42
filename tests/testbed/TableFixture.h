// A table of four scripted clients (users 101-104 in chairs 0-3) on a fixed wall, with a
// virtual clock, and helpers that send requests and pick out what each user received.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "testbed/table/MahjongTable.h"
#include "testbed/table/ReplayChecker.h"
#include "testbed/table/TableCodes.h"
#include "testbed/table/TableRunner.h"

namespace testbed {

constexpr int BREAK = 72;  // the fixed break of the scenarios; the indicator sits at 70

inline int UserOf(int chair) { return 101 + chair; }

// The chairs in the order the deal hands out the first 53 head tiles (banker 0).
inline std::vector<int> DealOrder() {
  std::vector<int> order;
  for (int round = 0; round < 3; ++round) {
    for (int k = 0; k < 4; ++k) order.insert(order.end(), 4, (3 * k) % 4);
  }
  for (int k = 0; k < 4; ++k) order.push_back((3 * k) % 4);
  order.push_back(0);
  return order;
}

// Lays out a wall: the chairs' starting hands by code (the banker's 14 first), then the next
// head draws and tail draws by code; the indicator (code 36: jokers are code 37) and every
// other tile fill the rest. Each code's copies are handed out in id order.
class WallBuilder {
 public:
  WallBuilder() { m_wall.assign(TILE_COUNT, -1); }

  // Negative codes stand for flowers: -1 is flower id 136, -2 is 137, ...
  int Take(int code) {
    if (code < 0) {
      m_used.insert(135 - code);
      return 135 - code;
    }
    const int first = TileSet::FirstIdOfCode(code);
    const int step = TileSet::IsHonourCode(code) ? 7 : 9;
    for (int copy = 0; copy < 4; ++copy) {
      const int id = first + copy * step;
      if (!m_used.count(id)) {
        m_used.insert(id);
        return id;
      }
    }
    ADD_FAILURE() << "no copy of code " << code << " left";
    return -1;
  }

  // With flowers the tile set has 136-143 in place of 128-135.
  std::vector<int> Build(const std::array<std::vector<int>, 4>& hands, const std::vector<int>& headDraws = {},
                         const std::vector<int>& tailDraws = {}, int indicatorCode = 36, bool flowers = false) {
    if (flowers) {
      for (int id = 128; id < 136; ++id) m_used.insert(id);
      for (int id = 136; id < 144; ++id) m_spare.push_back(id);
    }
    m_wall[BREAK - 2] = Take(indicatorCode);
    std::array<size_t, 4> next{};
    const std::vector<int> order = DealOrder();
    for (size_t k = 0; k < order.size(); ++k) {
      const int chair = order[k];
      const auto& hand = hands[chair];
      m_wall[(BREAK + k) % TILE_COUNT] = next[chair] < hand.size() ? Take(hand[next[chair]++]) : -2;
    }
    for (size_t k = 0; k < headDraws.size(); ++k) m_wall[(BREAK + 53 + k) % TILE_COUNT] = Take(headDraws[k]);
    int counter = 0;
    for (int code : tailDraws) {
      const Wall::TailStep step = Wall::TailPosition(BREAK, BREAK - 2, counter);
      m_wall[step.position] = Take(code);
      counter = step.nextCounter;
    }
    // Fillers never complete anything by accident: they come in id order from what is left.
    int filler = 0;
    for (int& place : m_wall) {
      if (place >= 0) continue;
      while (filler < 136 && m_used.count(filler)) ++filler;
      if (filler < 136) {
        place = filler;
        m_used.insert(filler);
        continue;
      }
      while (!m_spare.empty() && m_used.count(m_spare.back())) m_spare.pop_back();
      place = m_spare.back();
      m_used.insert(place);
    }
    return m_wall;
  }

 private:
  std::vector<int> m_wall;
  std::set<int> m_used;
  std::vector<int> m_spare;
};

class TableFixture : public ::testing::Test {
 protected:
  // Seats four humans (or bots where asked), readies them and deals one hand on `wall`.
  void Start(const std::vector<int>& wall, std::array<bool, 4> bots = {false, false, false, false},
             std::vector<int> onlookers = {}, bool flowers = false) {
    TableConfig config;
    config.flowers = flowers;
    config.seed = 11;
    config.fixedWalls = {wall};
    config.fixedBreak = BREAK;
    m_table = std::make_unique<MahjongTable>(config);
    m_log.str("");
    m_checker = ReplayChecker{};
    m_table->SetHandLog([this](const std::string& line) {
      m_log << line << '\n';
      m_checker.Feed(line);
    });
    m_runner = std::make_unique<TableRunner>(*m_table);
    for (int c = 0; c < 4; ++c) {
      m_runner->Take(bots[c] ? m_table->SeatBot(c, UserOf(c)) : m_table->SeatHuman(c, UserOf(c)));
    }
    for (int u : onlookers) m_runner->Take(m_table->Watch(u, (u - 900) % 4));
    for (int c = 0; c < 4; ++c) {
      if (!bots[c]) Send(c, REQ_READY, IdentityBody{Identity{UserOf(c), 1, 1, c}}.Write());
    }
  }

  // Sends a request from a user and returns the code of the reply that user got.
  int SendFrom(int user, int code, const BodyData& body) {
    const size_t before = Messages().size();
    m_runner->Take(m_table->HandleRequest(user, code, body));
    int replies = 0;
    int result = -1;
    for (size_t i = before; i < Messages().size(); ++i) {
      if (Messages()[i].reply && Messages()[i].toUser == user) {
        ++replies;
        result = Messages()[i].code;
        m_lastReply = Messages()[i].body;
      }
    }
    EXPECT_EQ(replies, 1) << "every request gets exactly one reply";
    return result;
  }
  int Send(int chair, int code, const BodyData& body) { return SendFrom(UserOf(chair), code, body); }

  Identity Id(int chair) const { return Identity{UserOf(chair), 1, 1, chair}; }

  int Discard(int chair, int tile) {
    DiscardBody d;
    d.seat = Id(chair);
    d.senderChair = chair;
    d.senderUserId = UserOf(chair);
    d.tiles = {tile};
    return Send(chair, REQ_DISCARD, d.Write());
  }
  int Draw(int chair) { return Send(chair, REQ_DRAW, DrawBody{Id(chair), 0, 1, chair, UserOf(chair)}.Write()); }
  int DrawFor(int sender, int seat) {
    return Send(sender, REQ_DRAW, DrawBody{Id(seat), 0, 1, sender, UserOf(sender)}.Write());
  }
  int Pass(int chair, int giver, int tile) { return Send(chair, REQ_PASS, PassBody{Id(chair), giver, tile}.Write()); }
  int Claim(int chair, int code, int giver, int tile, std::array<int, 3> own = {-1, -1, -1}, int kind = 0) {
    return Send(chair, code, MeldRecord{Id(chair), giver, {tile, own[0], own[1], own[2]}, kind, 0, 0}.Write());
  }
  int Hu(int chair, int giver, int tile, int kind) {
    return Send(chair, REQ_HU, HuBody{Id(chair), giver, tile, kind, kind == HU_ROBBING ? GANG_NOTE_ADDED : 0}.Write());
  }

  std::vector<TableMessage>& Messages() { return m_runner->Messages(); }
  // The notifications of a code each user received, in order.
  std::vector<TableMessage> Received(int code) {
    std::vector<TableMessage> got;
    for (const TableMessage& m : Messages()) {
      if (!m.reply && m.code == code) got.push_back(m);
    }
    return got;
  }
  std::set<int> UsersOf(int code) {
    std::set<int> users;
    for (const TableMessage& m : Received(code)) users.insert(m.toUser);
    return users;
  }
  const TableMessage* Last(int code, int user) {
    const TableMessage* found = nullptr;
    for (const TableMessage& m : Messages()) {
      if (!m.reply && m.code == code && m.toUser == user) found = &m;
    }
    return found;
  }
  void ClearMessages() { Messages().clear(); }

  void ExpectLogConsistent() {
    m_checker.Finish();
    EXPECT_TRUE(m_checker.Errors().empty()) << m_checker.Errors().front() << "\n" << m_log.str();
  }

  std::unique_ptr<MahjongTable> m_table;
  std::unique_ptr<TableRunner> m_runner;
  std::ostringstream m_log;
  ReplayChecker m_checker;
  BodyData m_lastReply;
};

}  // namespace testbed
