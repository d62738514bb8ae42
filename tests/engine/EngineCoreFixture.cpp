#include "tests/engine/EngineCoreFixture.h"

#include "engine/EngineClock.h"
#include "engine/Screen.h"
#include "platform/display/Display.h"
#include "platform/user/User.h"

namespace enginetest {

uint32_t g_clock = 0;

namespace {

uint32_t TestClock() { return g_clock; }
HWND g_main = nullptr;
HWND MainWindow() { return g_main; }

}  // namespace

void EngineCoreTest::SetUp() {
  EngineResTest::SetUp();
  platform::StartDisplay(platform::DisplayBackend::HEADLESS);
  window = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, W, H, nullptr, nullptr,
                           nullptr, nullptr);
  g_main = window;
  SetEngineMainWindowHook(MainWindow);
  g_clock = 1000;
  SetEngineClockSource(TestClock);
  UpdateEngineClock();
  target = new TestTarget(W, H);
  scene = new TestScene();
  ASSERT_EQ(scene->OnInitGame(), 1);
  scene->ResetSettings();
  scene->OnAfterInit();
  scene->SystemInit();
  scene->InitScreen(target->Dc(), W, H);
  received.clear();
}

void EngineCoreTest::TearDown() {
  if (!cleanedUp) scene->Cleanup();
  delete scene;
  delete target;
  SetEngineClockSource(nullptr);
  SetEngineMainWindowHook(nullptr);
  g_main = nullptr;
  DestroyWindow(window);
  EngineResTest::TearDown();
}

void EngineCoreTest::Tick(uint32_t ms) {
  g_clock += ms;
  scene->PumpEvents();
  if (!scene->IsFrameDue()) return;
  UpdateEngineClock();
  scene->OnFrame();
  if (scene->GetWorldRef().IsBusy()) scene->GetWorldRef().RunApplies();
  scene->Render();
  scene->TakeRedrawFlag();
}

void EngineCoreTest::Run(uint32_t total, uint32_t step) {
  for (uint32_t t = 0; t < total; t += step) Tick(step);
}

std::vector<uint32_t> EngineCoreTest::BackPixels() {
  std::vector<uint32_t> out(static_cast<size_t>(W) * H);
  GetBitmapBits(scene->GetBackBitmap(), static_cast<LONG>(out.size() * 4), out.data());
  return out;
}

Entity* EngineCoreTest::Plane(int layer, int x, int y, int w, int h, uint32_t fill) {
  Entity* e = scene->CreatePlane(layer, x, y, w, h, fill, "");
  scene->ShowEntity(e, 1);
  return e;
}

ControlRecord* EngineCoreTest::Recorded(Entity* entity, std::vector<uint32_t> slots) {
  auto* recorder = new Recorder(&received);
  ControlRecord* record = scene->GetWorldRef().RegisterControlObject(recorder);
  scene->BindControl(record, entity, CTRL_FLAGS_CONTROL);
  for (uint32_t slot : slots) record->BindEvent(slot, slot, record->key, nullptr);
  return record;
}

}  // namespace enginetest
