// The host contract end to end on the headless display with the stopped clock: the window's
// timers drive the pump and the frames, input messages reach the scene, paint presents the
// frame, and the window's end cleans the engine up.
#include <gtest/gtest.h>

#include "engine/EngineClock.h"
#include "engine/PlaneEntity.h"
#include "engine/Screen.h"
#include "platform/display/Display.h"
#include "platform/kernel/Time.h"
#include "tests/engine/EngineResFixture.h"
#include "tests/support/MessagePump.h"
#include "tools/DemoTableScene.h"
#include "tools/SceneHost.h"

namespace enginetest {
namespace {

class CountingScene : public GameBase {
 public:
  void OnFrame() override { ++frames; }
  void OnTimer(uintptr_t) override { ++otherTimers; }
  int OnCommand(Event e) override {
    commands.push_back(e.code);
    return 1;
  }
  void OnShutdown() override { ++shutdowns; }
  int frames = 0;
  int otherTimers = 0;
  int shutdowns = 0;
  std::vector<uint32_t> commands;
};

class SceneHostTest : public EngineResTest {
 protected:
  void SetUp() override {
    EngineResTest::SetUp();
    platform::StartDisplay(platform::DisplayBackend::HEADLESS);
    platform::StopClock();
    SetEngineClockSource(nullptr);
  }
  void TearDown() override {
    platform::StartClock();
    EngineResTest::TearDown();
  }
  // Moves the stopped clock in 10 ms steps, dispatching what each step makes due.
  void Advance(DWORD ms) {
    for (DWORD t = 0; t < ms; t += 10) {
      platform::AdvanceClock(10);
      testsupport::Pump();
    }
  }
};

TEST_F(SceneHostTest, TimersDriveFramesAndPaintPresentsThem) {
  SceneHost host;
  ASSERT_NE(host.Create("host", 64, 48), nullptr);
  auto* scene = new CountingScene();
  ASSERT_EQ(host.AttachGame(scene), 1);
  host.Start();
  Entity* red = scene->CreatePlane(1, 10, 10, 8, 8, 0x0000ff, "");
  scene->ShowEntity(red, 1);
  Advance(300);
  // One frame per 30 ms, paced by the engine's gate over a 10 ms timer.
  EXPECT_GE(scene->frames, 8);
  EXPECT_LE(scene->frames, 11);
  testsupport::Pump();
  std::vector<uint32_t> pixels;
  int w = 0;
  int h = 0;
  ASSERT_TRUE(platform::CaptureWindow(host.Window(), pixels, w, h));
  EXPECT_EQ(pixels[static_cast<size_t>(10) * w + 10] & 0xffffff, 0xfe0000u);
  // A click through the window's messages reaches the root's binding and the scene.
  scene->BindMouseEvent(CTRL_EVENT_LDOWN, 210042, 0);
  SendMessageA(host.Window(), WM_LBUTTONDOWN, 0, MAKELPARAM(5, 5));
  Advance(20);
  EXPECT_EQ(scene->commands, (std::vector<uint32_t>{210042}));
  // Other timers of the window go to the scene.
  SetTimer(host.Window(), 77, 10, nullptr);
  Advance(30);
  EXPECT_GE(scene->otherTimers, 1);
  KillTimer(host.Window(), 77);
  // A second start replaces the hover timer.
  const UINT_PTR firstHover = host.HoverTimerId();
  host.Start();
  EXPECT_NE(host.HoverTimerId(), firstHover);
  DestroyWindow(host.Window());
  EXPECT_EQ(scene->shutdowns, 1);
  EXPECT_EQ(scene->GetWorldRef().GetEntityCount(), 0u);
  delete scene;
}

TEST_F(SceneHostTest, TheDemoSceneRunsItsSpritesBackAndForth) {
  SceneHost host;
  ASSERT_NE(host.Create("demo", 320, 240), nullptr);
  auto* scene = new DemoTableScene();
  ASSERT_EQ(host.AttachGame(scene), 1);
  host.Start();
  EXPECT_EQ(scene->GetWorldRef().GetEntityCount(),
            1u + DemoTableScene::TILE_COUNT + DemoTableScene::SPRITE_COUNT + 1u);
  Advance(3000);
  EXPECT_GT(scene->Arrivals(), static_cast<uint32_t>(DemoTableScene::SPRITE_COUNT));
  DestroyWindow(host.Window());
  delete scene;
}

}  // namespace
}  // namespace enginetest
