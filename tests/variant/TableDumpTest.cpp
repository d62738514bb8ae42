// The client's line of its table at the end of every hand against the line the game server's
// hand log gives for the same chair: clients that follow the testbed table's notifications from
// the deal, and a client that comes in mid-hand through the resync record, end every hand with
// the server's rivers, flowers, melds, tile counts and wall.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "mahjong/MJGameNotify.h"
#include "mahjong/scene/TableDump.h"
#include "mahjong/scene/TableModel.h"
#include "testbed/table/HandEndLines.h"
#include "testbed/table/MahjongTable.h"
#include "testbed/table/TableRunner.h"
#include "tests/support/TempDir.h"
#include "variant/VariantGameInfo.h"

namespace {

struct QuietHost : CMJNotifyHost {
  std::vector<std::string> logs;
  void Log(const std::string& line) override { logs.push_back(line); }
  int IsLookOn() override { return 1; }
};

// One client's table: the game description, the model and the notification sink, watching one
// chair, with its line taken at every hand result.
struct Follower {
  explicit Follower(int chair) {
    info.SetOwnChair(chair);
    model.SetLookOn(true);
    sink.SetHandEndWatch([this] { lines.push_back(CTableDump::Format(model, info)); });
  }
  void Feed(const testbed::TableMessage& m) {
    if (!sink.OnNotify(m.code, m.body.data(), m.body.size())) ++refused;
  }
  // Joins through the resync record, as a client that enters a running hand does.
  void Resync(const testbed::BodyData& record) {
    std::memcpy(info.GetTableInfo(), record.data(), std::min(record.size(), TableInfoLayout::SIZE));
    model.RebuildFromGameInfo();
  }

  CVariantGameInfo info;
  CTableEffects effects;
  CMJTableModel model{info, effects};
  QuietHost host;
  CMJGameNotify sink{info, model, host};
  std::vector<std::string> lines;
  int refused = 0;
};

// The own tiles of an onlooker are hidden; the rest of the line is the table everybody sees.
std::string WithoutOwn(const std::string& line) { return line.substr(0, line.find(" | own=")); }

TEST(TableDump, EveryHandEndsAsTheServerLoggedIt) {
  const struct {
    uint64_t seed;
    bool flowers;
  } runs[] = {{3, false}, {17, false}, {29, true}, {41, true}};
  for (const auto& run : runs) {
    SCOPED_TRACE("seed " + std::to_string(run.seed) + (run.flowers ? " with flowers" : ""));
    testbed::TableConfig config;
    config.seed = run.seed;
    config.flowers = run.flowers;
    testbed::MahjongTable table(config);
    testbed::HandEndLines server;
    table.SetHandLog([&](const std::string& line) { server.Feed(line); });
    testbed::TableRunner runner(table);
    const int watchers[4] = {9100, 9101, 9102, 9103};
    for (int chair = 0; chair < 4; ++chair) runner.Take(table.Watch(watchers[chair], chair));
    for (int chair = 0; chair < 4; ++chair) runner.Take(table.SeatBot(chair, 9001 + chair));
    Follower followers[4] = {Follower(0), Follower(1), Follower(2), Follower(3)};
    Follower late(2);
    bool lateJoined = false;
    int steps = 0;
    size_t fed = 0;
    constexpr int HANDS = 12;
    while (table.HandsPlayed() < HANDS && runner.Step()) {
      ++steps;
      // The late client comes in mid-way through the fourth hand, from the resync record.
      if (!lateJoined && table.HandsPlayed() == 3 && table.CurrentPhase() == testbed::MahjongTable::Phase::CLAIMS &&
          table.River(table.CurrentChair()).size() >= 3) {
        for (; fed < runner.Messages().size(); ++fed) {
          const testbed::TableMessage& m = runner.Messages()[fed];
          for (int c = 0; c < 4; ++c) {
            if (!m.reply && m.toUser == watchers[c]) followers[c].Feed(m);
          }
        }
        late.Resync(table.TableInfoForOnlooker(2));
        lateJoined = true;
        continue;
      }
      for (; fed < runner.Messages().size(); ++fed) {
        const testbed::TableMessage& m = runner.Messages()[fed];
        for (int c = 0; c < 4; ++c) {
          if (m.reply || m.toUser != watchers[c]) continue;
          followers[c].Feed(m);
          if (c == 2 && lateJoined) late.Feed(m);
        }
      }
    }
    ASSERT_EQ(table.HandsPlayed(), HANDS);
    ASSERT_EQ(static_cast<int>(server.Hands().size()), HANDS);
    ASSERT_TRUE(lateJoined);
    for (int c = 0; c < 4; ++c) {
      SCOPED_TRACE("chair " + std::to_string(c));
      EXPECT_EQ(followers[c].refused, 0) << (followers[c].host.logs.empty() ? "" : followers[c].host.logs.front());
      ASSERT_EQ(static_cast<int>(followers[c].lines.size()), HANDS);
      for (int h = 0; h < HANDS; ++h) {
        EXPECT_EQ(WithoutOwn(followers[c].lines[h]), WithoutOwn(server.Hands()[h].lines[c]));
      }
    }
    ASSERT_EQ(static_cast<int>(late.lines.size()), HANDS - 3);
    for (int h = 3; h < HANDS; ++h) EXPECT_EQ(WithoutOwn(late.lines[h - 3]), WithoutOwn(server.Hands()[h].lines[2]));
  }
}

// The comparison walks the client's lines in order: a line equal to the server's matches, a
// different one is a difference named with both lines, and a hand the log does not hold (or
// holds only before the previous match) is unknown. A restarted server's log numbers its hands
// from the start again, and the walk follows it.
TEST(TableDump, ComparisonFollowsTheLogInOrder) {
  testbed::HandEndLines server;
  auto hand = [&](int n, int tile) {
    server.Feed("{\"ev\":\"hand\",\"hand\":" + std::to_string(n) + "}");
    server.Feed("{\"ev\":\"deal\",\"chair\":1,\"tiles\":[" + std::to_string(tile) + ",7],\"walls\":[0,1]}");
    server.Feed("{\"ev\":\"discard\",\"chair\":1,\"tile\":" + std::to_string(tile) + "}");
    server.Feed("{\"ev\":\"drawn\"}");
    server.Feed("{\"ev\":\"result\",\"winner\":-1}");
  };
  hand(1, 5);
  hand(2, 6);
  hand(1, 8);  // the server started again
  ASSERT_EQ(server.Hands().size(), 3u);
  const std::string h1 = server.Hands()[0].lines[1];
  EXPECT_EQ(h1, "hand=1 chair=1 wall=134 | 0 r= f= m= n=0 | 1 r=5 f= m= n=1 | 2 r= f= m= n=0 | 3 r= f= m= n=0 | own=7");
  const std::string h2 = server.Hands()[1].lines[1];
  const std::string h1again = server.Hands()[2].lines[1];
  std::string wrong = h2;
  wrong.replace(wrong.find("r=6"), 3, "r=9");
  const struct {
    std::vector<std::string> client;
    int matched, differing, unknown;
  } cases[] = {
      {{h1, h2, h1again}, 3, 0, 0},
      {{h1, wrong}, 1, 1, 0},
      {{h2, h1again}, 2, 0, 0},
      {{h1again, h2}, 1, 0, 1},  // hand 2 lies before the match
      {{"hand=5 chair=1 wall=0", "garbage"}, 0, 0, 2},
      {{h1, h1}, 1, 1, 0},  // the second hand 1 is the restarted one, which differs
  };
  for (const auto& c : cases) {
    testbed::HandEndLines::Comparison r = server.Compare(c.client);
    EXPECT_EQ(r.matched, c.matched);
    EXPECT_EQ(r.differing, c.differing);
    EXPECT_EQ(r.unknown, c.unknown);
    EXPECT_EQ(r.notes.size(), static_cast<size_t>(r.differing + r.unknown));
  }
}

// A client that took up a running hand lays the melds out by kind, not in the order they were
// made: the melds match as a set, and a meld with another tile still differs.
TEST(TableDump, MeldsMatchInAnyOrder) {
  testbed::HandEndLines server;
  server.Feed("{\"ev\":\"hand\",\"hand\":1}");
  server.Feed("{\"ev\":\"deal\",\"chair\":1,\"tiles\":[1,2,3,4,5],\"walls\":[0,1,2,3,4]}");
  server.Feed("{\"ev\":\"discard\",\"chair\":0,\"tile\":20}");
  server.Feed("{\"ev\":\"peng\",\"chair\":1,\"from\":0,\"tile\":20,\"tiles\":[3,4]}");
  server.Feed("{\"ev\":\"discard\",\"chair\":2,\"tile\":10}");
  server.Feed("{\"ev\":\"peng\",\"chair\":1,\"from\":2,\"tile\":10,\"tiles\":[1,2]}");
  server.Feed("{\"ev\":\"drawn\"}");
  ASSERT_EQ(server.Hands().size(), 1u);
  const std::string line = server.Hands()[0].lines[1];
  ASSERT_NE(line.find(" m=3,4,20/1,2,10 "), std::string::npos) << line;
  std::string swapped = line;
  swapped.replace(swapped.find("3,4,20/1,2,10"), 13, "1,2,10/3,4,20");
  std::string other = line;
  other.replace(other.find("3,4,20/1,2,10"), 13, "1,2,11/3,4,20");
  const struct {
    std::string client;
    int matched, differing;
  } cases[] = {{line, 1, 0}, {swapped, 1, 0}, {other, 0, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.client);
    const testbed::HandEndLines::Comparison r = server.Compare({c.client});
    EXPECT_EQ(r.matched, c.matched);
    EXPECT_EQ(r.differing, c.differing);
  }
}

// The file gets one line per hand, appended; a file that cannot be written is reported.
TEST(TableDump, LinesAreAppended) {
  testsupport::TempDir dir;
  const std::string path = dir.File("table.txt");
  ASSERT_TRUE(CTableDump::Append(path, "hand=1"));
  ASSERT_TRUE(CTableDump::Append(path, "hand=2"));
  std::ifstream in(path);
  std::string a, b, c;
  std::getline(in, a), std::getline(in, b);
  EXPECT_EQ(a, "hand=1");
  EXPECT_EQ(b, "hand=2");
  EXPECT_FALSE(std::getline(in, c));
  EXPECT_FALSE(CTableDump::Append(dir.File("no-such-folder/table.txt"), "hand=3"));
}

}  // namespace
