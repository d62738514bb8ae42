#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mahjong/TableResync.h"

namespace {

struct ScriptedResync {
  std::vector<std::string> steps;
  std::vector<int> answers;
  CTableResync* self = nullptr;
  CTableResync::Steps Make() {
    CTableResync::Steps s;
    s.getGameData = [this] {
      steps.push_back("ask");
      int a = answers.empty() ? 0 : answers.front();
      if (!answers.empty()) answers.erase(answers.begin());
      return a;
    };
    s.sleep = [this](DWORD ms) { steps.push_back("sleep " + std::to_string(ms)); };
    s.rebuild = [this] {
      steps.push_back("rebuild");
      // A request inside the rebuild that fails again starts no second resync.
      if (self) steps.push_back(self->Run() ? "nested ran" : "nested refused");
    };
    s.giveUp = [this] { steps.push_back("give up"); };
    return s;
  }
};

TEST(TableResync, AttemptsThenRebuildsOrGivesUp) {
  struct Case {
    std::vector<int> answers;
    int result;
    std::vector<std::string> steps;
  } cases[] = {
      {{1}, 1, {"ask", "rebuild", "nested refused"}},
      {{0, 0, 1}, 1, {"ask", "sleep 3000", "ask", "sleep 3000", "ask", "rebuild", "nested refused"}},
      {{0, 0, 0, 1}, 0, {"ask", "sleep 3000", "ask", "sleep 3000", "ask", "sleep 3000", "give up"}},
  };
  for (const Case& c : cases) {
    ScriptedResync r;
    r.answers = c.answers;
    CTableResync resync(r.Make());
    r.self = &resync;
    EXPECT_EQ(c.result, resync.Run());
    EXPECT_EQ(c.steps, r.steps);
    EXPECT_FALSE(resync.IsRunning());
  }
}

}  // namespace
