// A running scene for the engine core's tests: a program folder of its own, a headless visible
// main window, an injected engine clock, a scene attached and given a 32-bit screen, and the host
// view's frame step, so that tests drive frames and input exactly as the host does.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/GameBase.h"
#include "engine/InputDispatcher.h"
#include "tests/engine/EngineResFixture.h"
#include "tests/engine/ScreenFixture.h"

namespace enginetest {

// The injected engine clock.
extern uint32_t g_clock;

// One message a handler received.
struct Received {
  uint32_t code;
  uint32_t to;
  bool hadState;
};

// A handler object that records its messages into a shared list and answers with `result`.
class Recorder : public WorldObject {
 public:
  Recorder(std::vector<Received>* log, int result = 1) : m_log(log), m_result(result) {}
  int OnMessage(Event* m) override {
    m_log->push_back(Received{m->code, GetControlKey(),
                              dynamic_cast<InputStateObject*>(m->object) != nullptr});
    return m_result;
  }

 private:
  std::vector<Received>* m_log;
  int m_result;
};

class TestScene : public GameBase {
 public:
  int OnCommand(Event e) override {
    commands.push_back(e.code);
    return keepObjects ? 0 : 1;
  }
  std::vector<uint32_t> commands;
  bool keepObjects = false;
};

class EngineCoreTest : public EngineResTest {
 protected:
  static constexpr int W = 96;
  static constexpr int H = 64;
  void SetUp() override;
  void TearDown() override;

  // Moves the clock on by ms and runs one host frame-timer tick: the pump, then a frame when the
  // gate opens.
  void Tick(uint32_t ms);
  // Ticks in steps of `step` for `total` ms.
  void Run(uint32_t total, uint32_t step = 10);
  std::vector<uint32_t> BackPixels();
  uint64_t BackHash() { return HashPixels(BackPixels()); }
  // The back buffer's pixel; a point off the screen fails the test instead of reading past it.
  uint32_t BackAt(int x, int y) {
    EXPECT_TRUE(x >= 0 && x < W && y >= 0 && y < H) << x << "," << y;
    if (x < 0 || x >= W || y < 0 || y >= H) return 0;
    return BackPixels()[static_cast<size_t>(y) * W + x];
  }
  // A shown plane on a layer, with a control whose handler records into `received`.
  Entity* Plane(int layer, int x, int y, int w, int h, uint32_t fill);
  ControlRecord* Recorded(Entity* entity, std::vector<uint32_t> slots);

  TestScene* scene = nullptr;
  TestTarget* target = nullptr;
  HWND window = nullptr;
  std::vector<Received> received;
  bool cleanedUp = false;
};

}  // namespace enginetest
