// Frame time of the table during a deal: the table pane with this rule set's scene (the skin's
// tile pictures when the build's game data is there) follows three hands of the
// testbed table as an onlooker, from each deal to its result, four frames after every
// notification; the frames are timed and reported as the counter ms_per_frame (the engine clock
// moves 30 ms a frame, so every frame has something to move).
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

#include "engine/EngineClock.h"
#include "engine/EngineUtil.h"
#include "engine/ResourceManager.h"
#include "mahjong/MJGameNotify.h"
#include "mahjong/MJTableView.h"
#include "platform/display/Display.h"
#include "platform/kernel/Files.h"
#include "platform/kernel/Time.h"
#include "platform/user/User.h"
#include "testbed/table/MahjongTable.h"
#include "testbed/table/TableRunner.h"
#include "variant/VariantGameInfo.h"
#include "variant/VariantTableScene.h"

namespace {

uint32_t g_now = 1000;
uint32_t BenchClock() { return g_now; }
HWND g_parent = nullptr;
HWND MainWindow() { return g_parent; }

struct Forward : CTableEffects {
  CTableEffects* to = nullptr;
  void ShowHand(int s) override { if (to) to->ShowHand(s); }
  void ShowPlayedTile(int s) override { if (to) to->ShowPlayedTile(s); }
  void ShowWall() override { if (to) to->ShowWall(); }
  void LayOutRiver(int s) override { if (to) to->LayOutRiver(s); }
  void LayOutFlowers(int s) override { if (to) to->LayOutFlowers(s); }
  void MoveClockHand(int f, int t) override { if (to) to->MoveClockHand(f, t); }
  void HideAllTileEntities() override { if (to) to->HideAllTileEntities(); }
};

struct Watcher : CMJNotifyHost {
  int IsLookOn() override { return 1; }
};

void BM_DealFrames(benchmark::State& state) {
  // The program folder is the build's, where the game data lies, as for the client itself.
  platform::SetModuleFileNameOverride(std::string(PXQD_BIN_DIR) + "/pxqd");
  ResetModuleFolder();
  ResourceManager::Instance()->SetNamePrefix(GetModuleFolder());
  platform::StartDisplay(platform::DisplayBackend::HEADLESS);
  SetEngineClockSource(BenchClock);
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = "DealFrameBenchParent";
  RegisterClassA(&wc);
  g_parent = CreateWindowExA(0, "DealFrameBenchParent", "bench", WS_POPUP | WS_VISIBLE, 0, 0, 1024, 768, nullptr,
                             nullptr, nullptr, nullptr);
  SetEngineMainWindowHook(MainWindow);

  // The notifications an onlooker of chair 0 gets through three hands, deals and all.
  testbed::TableConfig config;
  config.seed = 5;
  testbed::MahjongTable table(config);
  testbed::TableRunner runner(table);
  runner.Take(table.Watch(9100, 0));
  for (int c = 0; c < 4; ++c) runner.Take(table.SeatBot(c, 9001 + c));
  runner.RunUntilHands(3);
  std::vector<const testbed::TableMessage*> notes;
  for (const testbed::TableMessage& m : runner.Messages()) {
    if (!m.reply && m.toUser == 9100) notes.push_back(&m);
  }

  // One table pane for the whole run: the engine registers the skin's pictures once a process.
  CVariantGameInfo info;
  info.SetOwnChair(0);
  Forward forward;
  CMJTableModel model(info, forward);
  model.SetLookOn(true);
  Watcher host;
  CMJGameNotify sink(info, model, host);
  CMJTableView view;
  view.Create(g_parent, RECT{0, 0, 1024, 768});
  auto* scene = new CVariantTableScene(model);
  CVariantTableScene::Hooks hooks;
  hooks.isLookOn = [] { return true; };
  scene->SetHooks(hooks);
  forward.to = scene;
  view.AttachGame(scene);
  view.InitScreen();
  view.Start();

  int64_t frames = 0;
  double seconds = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    for (const testbed::TableMessage* m : notes) {
      sink.OnNotify(m->code, m->body.data(), m->body.size());
      // A few frames between notifications, as the table draws while the hand goes on.
      for (int f = 0; f < 4; ++f) {
        g_now += 30;
        view.DrawFrame();
        ++frames;
      }
    }
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  DestroyWindow(view.Window());
  delete scene;
  state.counters["ms_per_frame"] = frames > 0 ? 1000.0 * seconds / static_cast<double>(frames) : 0;
  state.counters["frames"] = static_cast<double>(frames);
  SetEngineMainWindowHook(nullptr);
  DestroyWindow(g_parent);
  SetEngineClockSource(nullptr);
}
BENCHMARK(BM_DealFrames)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
