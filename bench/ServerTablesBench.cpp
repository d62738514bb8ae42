// How many tables one game server process holds: one scripted client per table has taken a
// chair and started a hand with three computer players; every client but one asks for the table
// data (the 5080-byte resync, the largest answer) every 100 ms, several times a busy table's pace,
// and the one left over measures the round trip of the same request. The counters give the latency's median,
// 99th percentile and worst over the run; a server holds N tables while p99 stays under 5 ms.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "testbed/server/GameServer.h"
#include "testbed/table/MahjongTableGame.h"
#include "testbed/table/TableCodes.h"
#include "tests/support/ScriptedClient.h"
#include "tests/support/TempDir.h"
#include "tests/testbed/RequestBodies.h"

using namespace testbed;
using testsupport::ScriptedClient;

namespace {

constexpr int TABLES_PER_ROOM = 64;

requestbodies::Seat SeatOf(int i) { return requestbodies::Seat{1000 + i, 1 + i / TABLES_PER_ROOM, i % TABLES_PER_ROOM, 0}; }

// A client at its own table, seated and dealt in.
std::unique_ptr<ScriptedClient> Seated(uint16_t port, int i) {
  auto c = std::make_unique<ScriptedClient>();
  const requestbodies::Seat s = SeatOf(i);
  if (!c->Connect(port) || c->Ask(REQ_VERSION, {}).result != RESULT_SUCCESS ||
      c->Ask(REQ_ENTER, requestbodies::Enter(s)).result != RESULT_ENTERED_WITH_PLAYERS ||
      c->Ask(REQ_READY, requestbodies::Common(s)).result != RESULT_SUCCESS || !c->NextOf(NTF_NEW_HAND, nullptr)) {
    return nullptr;
  }
  return c;
}

void BM_ResyncLatencyWithTables(benchmark::State& state) {
  const int tables = static_cast<int>(state.range(0));
  ServerConfig config;
  config.tableGames = [](int32_t room, int32_t table) {
    TableConfig t;
    t.seed = static_cast<uint64_t>(room * 100 + table);
    return std::make_unique<MahjongTableGame>(room, table, t);
  };
  testsupport::TempDir dir;
  GameServer server(std::move(config));
  std::string error;
  if (!server.Start(dir.File("accounts.db"), 0, &error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  std::vector<std::unique_ptr<ScriptedClient>> clients;
  for (int i = 0; i < tables; ++i) {
    clients.push_back(Seated(server.Port(), i));
    if (!clients.back()) {
      state.SkipWithError("a client could not take its chair");
      return;
    }
  }
  std::atomic<bool> running{true};
  std::atomic<int64_t> background{0};
  std::vector<std::thread> load;
  for (int i = 1; i < tables; ++i) {
    load.emplace_back([&, i] {
      const requestbodies::Seat s = SeatOf(i);
      while (running) {
        if (clients[i]->Ask(REQ_GET_GAME_DATA, requestbodies::Common(s)).result == RESULT_SUCCESS) ++background;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
      }
    });
  }
  std::vector<double> latencies;
  const requestbodies::Seat measured = SeatOf(0);
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const ScriptedClient::Answer a = clients[0]->Ask(REQ_GET_GAME_DATA, requestbodies::Common(measured));
    const auto end = std::chrono::steady_clock::now();
    if (a.result != RESULT_SUCCESS || a.data.size() != 5080) {
      state.SkipWithError("the resync was not answered with the table record");
      break;
    }
    latencies.push_back(std::chrono::duration<double, std::milli>(end - start).count());
  }
  running = false;
  for (std::thread& t : load) t.join();
  if (!latencies.empty()) {
    std::sort(latencies.begin(), latencies.end());
    auto at = [&](double q) { return latencies[std::min(latencies.size() - 1, static_cast<size_t>(q * latencies.size()))]; };
    state.counters["p50_ms"] = at(0.50);
    state.counters["p99_ms"] = at(0.99);
    state.counters["max_ms"] = latencies.back();
    state.counters["under_5ms"] = at(0.99) < 5.0 ? 1 : 0;
  }
  state.counters["load_req/s"] = benchmark::Counter(static_cast<double>(background.load()), benchmark::Counter::kIsRate);
  for (auto& c : clients) c->Close();
  server.Stop();
}

}  // namespace

BENCHMARK(BM_ResyncLatencyWithTables)->Arg(1)->Arg(4)->Arg(16)->Arg(64)->Arg(128)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(500);
BENCHMARK_MAIN();
