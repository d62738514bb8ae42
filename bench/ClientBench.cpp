// The table client as the player meets it, each figure from the real pxqd process launched by the
// hall stand-in against a game server of the benchmark's own (computer players fill the table):
//   BM_WindowUp        launch to the game window announced to the hall (the first run is cold,
//                      the others warm; goal: under 1 s warm);
//   BM_RssInGame       the client's peak resident memory while it plays two hands headless in
//                      managed play (goal: under 100 MB), reported as the counter peak_rss_kB;
//   BM_IdleTableCpu    the client's CPU share of one core over 5 s at a table where no hand is
//                      running (goal: under 5 %), reported as the counter cpu_percent.
// The client runs headless unless a display is set and PXQD_DISPLAY says sdl. Run with
// build/bench/client_bench; the figures are read from /proc.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include "platform/kernel/Kernel.h"
#include "platform/kernel/Process.h"
#include "testbed/hall/HallStandIn.h"
#include "testbed/server/GameServer.h"
#include "testbed/server/ScaledClock.h"
#include "testbed/table/MahjongTableGame.h"

namespace {

using Clock = std::chrono::steady_clock;

// A scratch folder for the server's accounts, the hall's files and the window sockets.
struct Scratch {
  Scratch() {
    char pattern[] = "/tmp/pxqd-client-bench.XXXXXX";
    const char* made = mkdtemp(pattern);
    path = made != nullptr ? made : "/tmp";
  }
  ~Scratch() { std::system(("rm -rf '" + path + "'").c_str()); }
  std::string path;
};

// A server with this rule set's table, the hall's environment, and one client launch at a time.
class Bench {
 public:
  // `clockScale` runs the server's clock (the computer players' thinking) that many times as fast.
  explicit Bench(int clockScale = 1) {
    setenv("PXQD_HALL_DIR", m_dir.path.c_str(), 1);
    setenv("PXQD_SYSTEM_DIR", (m_dir.path + "/system").c_str(), 1);
    setenv("XDG_DATA_HOME", (m_dir.path + "/data").c_str(), 1);
    if (std::getenv("PXQD_DISPLAY") == nullptr) setenv("PXQD_DISPLAY", "headless", 1);
    setenv("PXQD_AUDIO", "null", 1);
    testbed::ServerConfig config;
    if (clockScale > 1) {
      auto clock = std::make_shared<testbed::ScaledClock>(clockScale);
      config.clock = [clock] { return clock->Now(); };
      config.tickGivenClock = true;
    }
    config.tableGames = [](int32_t room, int32_t table) {
      testbed::TableConfig t;
      t.seed = 7;
      return std::make_unique<testbed::MahjongTableGame>(room, table, t);
    };
    m_server = std::make_unique<testbed::GameServer>(std::move(config));
    std::string error;
    m_ok = m_server->Start(m_dir.path + "/accounts.db", 0, &error);
    if (!m_ok) std::fprintf(stderr, "client_bench: the server does not start: %s\n", error.c_str());
  }
  ~Bench() {
    Stop();
    if (m_server) m_server->Stop();
  }
  bool Ok() const { return m_ok; }

  // Launches the client into chair 0 of table `table`; false when it does not start.
  bool Launch(int table) {
    Stop();
    testbed::HallOptions options;
    options.hallDir = m_dir.path + "/hall";
    options.clientPath = std::string(PXQD_BIN_DIR) + "/pxqd";
    options.serverPort = m_server->Port();
    options.userId = 3001 + table;
    options.table = table;
    options.chair = 0;
    m_hall = std::make_unique<testbed::HallStandIn>(options);
    return m_hall->Start() && m_hall->StartClient();
  }
  bool WaitFor(const char* event, DWORD ms) { return m_hall && m_hall->WaitForEvent(event, ms); }
  // The process number of the client, from the hall's log of its start.
  int Pid() const {
    for (const testbed::HallEvent& e : m_hall->Events()) {
      if (e.kind == "client-started") return std::atoi(e.line.c_str() + 7);
    }
    return 0;
  }
  bool Running() const {
    return m_hall && m_hall->ClientProcess() && WaitForSingleObject(m_hall->ClientProcess(), 0) == WAIT_TIMEOUT;
  }
  bool WaitEnded(DWORD ms) { return m_hall && WaitForSingleObject(m_hall->ClientProcess(), ms) == WAIT_OBJECT_0; }
  void Stop() {
    if (!m_hall) return;
    HANDLE client = m_hall->ClientProcess();
    m_hall->Stop();  // a client whose hall goes ends by itself
    if (client != nullptr && WaitForSingleObject(client, 10000) == WAIT_TIMEOUT) TerminateProcess(client, 1);
    m_hall.reset();
  }

 private:
  Scratch m_dir;
  std::unique_ptr<testbed::GameServer> m_server;
  std::unique_ptr<testbed::HallStandIn> m_hall;
  bool m_ok = false;
};

long StatusKb(int pid, const char* key) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  const std::string prefix = std::string(key) + ":";
  while (std::getline(in, line)) {
    if (line.rfind(prefix, 0) == 0) return std::atol(line.c_str() + prefix.size());
  }
  return 0;
}

// User and system CPU time of a process, in clock ticks.
long CpuTicks(int pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t close = text.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream fields(text.substr(close + 2));
  std::string field;
  long utime = 0, stime = 0;
  for (int i = 3; fields >> field; ++i) {
    if (i == 14) utime = std::atol(field.c_str());
    if (i == 15) {
      stime = std::atol(field.c_str());
      break;
    }
  }
  return utime + stime;
}

void BM_WindowUp(benchmark::State& state) {
  Bench bench;
  if (!bench.Ok()) return state.SkipWithError("no server");
  int table = 1;
  for (auto _ : state) {
    const auto start = Clock::now();
    if (!bench.Launch(table++)) return state.SkipWithError("the client does not start");
    if (!bench.WaitFor("game-window", 60000)) return state.SkipWithError("no game window within 60 s");
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    bench.Stop();
  }
}
BENCHMARK(BM_WindowUp)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_RssInGame(benchmark::State& state) {
  Bench bench(20);
  if (!bench.Ok()) return state.SkipWithError("no server");
  long peak = 0;
  for (auto _ : state) {
    setenv("PXQD_HEADLESS_HANDS", "2", 1);
    setenv("PXQD_CLOCK_SCALE", "20", 1);  // the hands go by quickly; the memory is the same
    const bool launched = bench.Launch(1);
    unsetenv("PXQD_HEADLESS_HANDS");
    unsetenv("PXQD_CLOCK_SCALE");
    if (!launched) return state.SkipWithError("the client does not start");
    const int pid = bench.Pid();
    for (int waited = 0; bench.Running() && waited < 600000; waited += 100) {
      const long hwm = StatusKb(pid, "VmHWM");
      if (hwm > peak) peak = hwm;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (!bench.WaitEnded(0)) return state.SkipWithError("the client did not finish its two hands within 10 minutes");
  }
  state.counters["peak_rss_kB"] = static_cast<double>(peak);
}
BENCHMARK(BM_RssInGame)->Iterations(1)->Unit(benchmark::kSecond);

void BM_IdleTableCpu(benchmark::State& state) {
  Bench bench;
  if (!bench.Ok()) return state.SkipWithError("no server");
  double percent = 0;
  for (auto _ : state) {
    if (!bench.Launch(1) || !bench.WaitFor("session-sent", 60000)) return state.SkipWithError("the client does not start");
    const int pid = bench.Pid();
    std::this_thread::sleep_for(std::chrono::seconds(2));  // settled at the table
    const long before = CpuTicks(pid);
    const auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(5));
    const long used = CpuTicks(pid) - before;
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    percent = 100.0 * static_cast<double>(used) / static_cast<double>(sysconf(_SC_CLK_TCK)) / seconds;
    bench.Stop();
  }
  state.counters["cpu_percent"] = percent;
}
BENCHMARK(BM_IdleTableCpu)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
