// The engine core through its facade and the host contract: a table-like scene (background, 136
// tiles, 20 moving sprites, a caption plane) at 1024 x 768, 1000 frames per iteration, reported as
// milliseconds per frame; and the CPU share of an idle scene while its 1 ms frame timer runs for
// two seconds of real time ("cpu_share", a fraction of one core).
#include <benchmark/benchmark.h>

#include <ctime>

#include "engine/EngineClock.h"
#include "platform/display/Display.h"
#include "platform/kernel/Time.h"
#include "tools/DemoTableScene.h"
#include "tools/SceneHost.h"

namespace {

uint32_t g_now = 1000;
uint32_t BenchClock() { return g_now; }

double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

double WallSeconds() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

void BM_TableSceneFrames(benchmark::State& state) {
  platform::StartDisplay(platform::DisplayBackend::HEADLESS);
  SetEngineClockSource(BenchClock);
  SceneHost host;
  host.Create("bench", 1024, 768);
  auto* scene = new DemoTableScene();
  host.AttachGame(scene);
  host.Start();
  constexpr int FRAMES = 1000;
  for (auto _ : state) {
    for (int i = 0; i < FRAMES; ++i) {
      g_now += 30;
      host.FrameTick();
    }
  }
  state.counters["ms_per_frame"] = benchmark::Counter(
      static_cast<double>(FRAMES) * state.iterations(),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
  state.counters["arrivals"] = scene->Arrivals();
  DestroyWindow(host.Window());
  delete scene;
  SetEngineClockSource(nullptr);
}
BENCHMARK(BM_TableSceneFrames)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_IdleSceneCpuShare(benchmark::State& state) {
  platform::StartDisplay(platform::DisplayBackend::HEADLESS);
  SetEngineClockSource(nullptr);
  for (auto _ : state) {
    SceneHost host;
    host.Create("idle", 1024, 768);
    auto* scene = new GameBase();
    host.AttachGame(scene);
    host.Start();
    Entity* still = scene->CreatePlane(1, 100, 100, 64, 64, 0x808080, "");
    scene->ShowEntity(still, 1);
    const double cpu0 = CpuSeconds();
    const double wall0 = WallSeconds();
    SetTimer(host.Window(), 4242, 2000, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
      if (msg.message == WM_TIMER && msg.wParam == 4242) break;
      DispatchMessageA(&msg);
    }
    const double share = (CpuSeconds() - cpu0) / (WallSeconds() - wall0);
    state.counters["cpu_share"] = share;
    state.counters["frames"] = host.Frames();
    DestroyWindow(host.Window());
    delete scene;
  }
}
BENCHMARK(BM_IdleSceneCpuShare)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
