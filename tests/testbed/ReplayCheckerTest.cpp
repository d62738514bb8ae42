// The hand-log checker finds what it is there to find: a log of one real hand passes, and each
// kind of fault written into a copy of it is reported.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>

#include "testbed/table/MahjongTable.h"
#include "testbed/table/ReplayChecker.h"
#include "testbed/table/TableRunner.h"

namespace testbed {
namespace {

using json = nlohmann::json;

// The log of the first hand of a seeded bot table that holds at least one peng.
std::vector<json> RealHand() {
  for (uint64_t seed = 1; seed < 50; ++seed) {
    TableConfig config;
    config.seed = seed;
    MahjongTable table(config);
    std::vector<json> lines;
    table.SetHandLog([&](const std::string& line) { lines.push_back(json::parse(line)); });
    TableRunner runner(table);
    runner.KeepMessages(false);
    for (int c = 0; c < 4; ++c) runner.Take(table.SeatBot(c, 9001 + c));
    runner.RunUntilHands(1);
    bool peng = false;
    for (const json& j : lines) peng = peng || j["ev"] == "peng";
    if (peng && lines.back()["ev"] == "result") return lines;
  }
  ADD_FAILURE() << "no seeded hand with a peng";
  return {};
}

std::vector<std::string> Check(const std::vector<json>& lines) {
  ReplayChecker checker;
  for (const json& j : lines) checker.Feed(j.dump());
  checker.Finish();
  return checker.Errors();
}

size_t Find(const std::vector<json>& lines, const std::string& ev, size_t from = 0) {
  for (size_t i = from; i < lines.size(); ++i) {
    if (lines[i]["ev"] == ev) return i;
  }
  ADD_FAILURE() << "no " << ev;
  return 0;
}

TEST(ReplayChecker, ReportsEachKindOfFault) {
  const std::vector<json> good = RealHand();
  ASSERT_FALSE(good.empty());
  EXPECT_TRUE(Check(good).empty()) << Check(good).front();

  struct Case {
    const char* name;
    std::function<void(std::vector<json>&)> spoil;
    const char* expected;
  };
  const Case cases[] = {
      {"a tile twice in the wall", [](std::vector<json>& l) { l[0]["wall"][5] = l[0]["wall"][6]; }, "136 tiles"},
      {"a draw from the wrong place",
       [](std::vector<json>& l) {
         size_t i = Find(l, "draw", 5);
         while (l[i]["end"] != "head") i = Find(l, "draw", i + 1);
         l[i]["wall"] = (l[i]["wall"].get<int>() + 1) % 136;
       },
       "head's order"},
      {"a discard of a tile not held",
       [](std::vector<json>& l) {
         const size_t i = Find(l, "discard");
         l[i]["tile"] = l[i]["tile"].get<int>() == 0 ? 1 : 0;
       },
       "does not hold"},
      {"a peng by the discarder itself",
       [](std::vector<json>& l) {
         const size_t i = Find(l, "peng");
         l[i]["chair"] = l[i]["from"];
       },
       "last discard of another chair"},
      {"a peng of another tile than the discard",
       [](std::vector<json>& l) {
         const size_t i = Find(l, "peng");
         l[i]["tile"] = l[i]["tile"].get<int>() + 1;
       },
       "last discard"},
      {"a win without a winning hand",
       [](std::vector<json>& l) {
         const size_t i = Find(l, "hu");
         l[i]["chair"] = (l[i]["chair"].get<int>() + 1) % 4;
         l.back()["winner"] = l[i]["chair"];
       },
       "no winning hand"},
      {"scores that do not sum to zero", [](std::vector<json>& l) { l.back()["points"][0] = l.back()["points"][0].get<int>() + 1; },
       "sum to zero"},
      {"a tile lost: a discard dropped from the log",
       [](std::vector<json>& l) { l.erase(l.begin() + static_cast<long>(Find(l, "discard"))); }, ""},
      {"a drawn hand while the wall still stands",
       [](std::vector<json>& l) {
         const size_t i = Find(l, "hu");
         l[i] = json{{"ev", "drawn"}};
         l.back()["winner"] = -1;
       },
       "tiles left in the wall"},
      {"a line that is no event", [](std::vector<json>& l) { l.insert(l.begin() + 3, json::array({1, 2})); }, "not a log event"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<json> spoiled = good;
    c.spoil(spoiled);
    const std::vector<std::string> errors = Check(spoiled);
    ASSERT_FALSE(errors.empty());
    bool named = false;
    for (const std::string& e : errors) named = named || e.find(c.expected) != std::string::npos;
    EXPECT_TRUE(named) << errors.front();
  }
}

// A table that goes away mid-hand (its server stops) logs the hand as abandoned, once; the checker drops
// that hand and checks the next one, which a restarted server starts in the same log. Without the
// mark the unfinished hand is reported, and a mark with no hand running is a fault of its own.
TEST(ReplayChecker, AHandAbandonedByAStoppingServerIsDropped) {
  const std::vector<json> good = RealHand();
  ASSERT_FALSE(good.empty());
  std::vector<json> cut;
  {
    TableConfig config;
    config.seed = 5;
    auto table = std::make_unique<MahjongTable>(config);
    table->SetHandLog([&](const std::string& line) { cut.push_back(json::parse(line)); });
    TableRunner runner(*table);
    runner.KeepMessages(false);
    for (int c = 0; c < 4; ++c) runner.Take(table->SeatBot(c, 9001 + c));
    for (int step = 0; step < 12; ++step) runner.Step();
    ASSERT_NE(table->CurrentPhase(), MahjongTable::Phase::IDLE);
    table->AbandonHand();
    table->AbandonHand();  // once only
  }
  ASSERT_FALSE(cut.empty());
  EXPECT_EQ(cut.back()["ev"], "abandoned");

  std::vector<json> restarted = cut;
  restarted.insert(restarted.end(), good.begin(), good.end());
  ReplayChecker checker;
  for (const json& j : restarted) checker.Feed(j.dump());
  checker.Finish();
  EXPECT_TRUE(checker.Errors().empty()) << checker.Errors().front();
  EXPECT_EQ(checker.HandsAbandoned(), 1);
  EXPECT_EQ(checker.HandsChecked(), 1);

  std::vector<json> unmarked(cut.begin(), cut.end() - 1);
  unmarked.insert(unmarked.end(), good.begin(), good.end());
  ASSERT_FALSE(Check(unmarked).empty());
  EXPECT_NE(Check(unmarked).front().find("before the last one ended"), std::string::npos);

  std::vector<json> stray = good;
  stray.push_back(json{{"ev", "abandoned"}});
  ASSERT_FALSE(Check(stray).empty());
  EXPECT_NE(Check(stray).front().find("none was running"), std::string::npos);
}

}  // namespace
}  // namespace testbed
