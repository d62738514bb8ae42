// The testbed server's table: hands of four computer players per second on one core (with the
// hand log checked or not), and the cost of the hand-shape search the bots lean on.
#include <benchmark/benchmark.h>

#include "testbed/table/BotPlayer.h"
#include "testbed/table/HandShape.h"
#include "testbed/table/MahjongTable.h"
#include "testbed/table/ReplayChecker.h"
#include "testbed/table/TableRunner.h"

using namespace testbed;

namespace {

void PlayHands(benchmark::State& state, bool checked) {
  const int hands = 50;
  uint64_t seed = 1;
  int64_t played = 0;
  for (auto _ : state) {
    TableConfig config;
    config.seed = seed++;
    MahjongTable table(config);
    ReplayChecker checker;
    if (checked) table.SetHandLog([&](const std::string& line) { checker.Feed(line); });
    TableRunner runner(table);
    runner.KeepMessages(false);
    for (int c = 0; c < 4; ++c) runner.Take(table.SeatBot(c, 9001 + c));
    played += runner.RunUntilHands(hands);
    if (checked && !checker.Errors().empty()) state.SkipWithError("inconsistent hand log");
  }
  state.SetItemsProcessed(played);
  state.counters["hands/s"] = benchmark::Counter(static_cast<double>(played), benchmark::Counter::kIsRate);
}

void BM_BotHands(benchmark::State& state) { PlayHands(state, false); }
void BM_BotHandsChecked(benchmark::State& state) { PlayHands(state, true); }

void BM_BestDiscard(benchmark::State& state) {
  const std::vector<int> hand = {0, 1, 2, 12, 13, 22, 40, 41, 50, 77, 86, 108, 115, 130};
  for (auto _ : state) {
    int after = 0;
    benchmark::DoNotOptimize(SensibleBot::BestDiscard(hand, 37, 4, &after));
  }
}

}  // namespace

BENCHMARK(BM_BotHands)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BotHandsChecked)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BestDiscard);
BENCHMARK_MAIN();
