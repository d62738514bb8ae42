// Input through the host slots of GameBase: which root and control slots each press, release,
// move, hover, double click, drag, wheel and key message fires, in order.
#include <gtest/gtest.h>

#include "engine/Screen.h"
#include "tests/engine/EngineCoreFixture.h"

namespace enginetest {
namespace {

constexpr uint32_t ROOT = 1000;
const std::vector<uint32_t> ALL_SLOTS = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13,
                                         17, 18, 19, 20, 21, 22, 23};

class InputTest : public EngineCoreTest {
 protected:
  void SetUp() override {
    EngineCoreTest::SetUp();
    // The root's slots post ROOT + slot as scene commands.
    for (uint32_t slot : ALL_SLOTS) scene->BindMouseEvent(slot, ROOT + slot, 0);
    a = Plane(2, 20, 20, 10, 10, 0x0000ff);
    b = Plane(2, 60, 20, 10, 10, 0x00ff00);
    ca = Recorded(a, ALL_SLOTS);
    cb = Recorded(b, ALL_SLOTS);
  }
  // What happened since the last call: root slots as "r<slot>", control slots as "a<slot>" or
  // "b<slot>", in order of arrival (control events arrive at once, root events at the pump).
  std::vector<std::string> Take() {
    scene->PumpEvents();
    std::vector<std::string> out;
    for (const Received& r : received) {
      out.push_back(std::string(r.to == ca->key ? "a" : "b") + std::to_string(r.code));
    }
    std::vector<std::string> root;
    for (uint32_t c : scene->commands) root.push_back("r" + std::to_string(c - ROOT));
    received.clear();
    scene->commands.clear();
    roots = root;
    return out;
  }
  std::vector<std::string> roots;
  Entity* a = nullptr;
  Entity* b = nullptr;
  ControlRecord* ca = nullptr;
  ControlRecord* cb = nullptr;
};

using V = std::vector<std::string>;

TEST_F(InputTest, ClickOnAControl) {
  scene->OnMouseMove(0, 20, 20);
  EXPECT_EQ(Take(), (V{"a2", "a1"}));
  EXPECT_EQ(roots, (V{"r1"}));
  scene->OnLButtonDown(0, 20, 20);
  scene->OnLButtonUp(0, 20, 20);
  EXPECT_EQ(Take(), (V{"a4", "a5", "a8"}));
  EXPECT_EQ(roots, (V{"r4", "r5", "r8"}));
  // Every control event carried a copy of the input state.
  scene->OnLButtonDown(0, 20, 20);
  for (const Received& r : received) EXPECT_TRUE(r.hadState);
}

TEST_F(InputTest, MovingFromOneControlToAnother) {
  scene->OnMouseMove(0, 20, 20);
  Take();
  scene->OnMouseMove(0, 21, 20);
  EXPECT_EQ(Take(), (V{"a1"}));
  scene->OnMouseMove(0, 60, 20);
  EXPECT_EQ(Take(), (V{"a3", "b2", "b1"}));
  EXPECT_EQ(roots, (V{"r1", "r3"}));
  scene->OnMouseMove(0, 90, 60);
  EXPECT_EQ(Take(), (V{"b3"}));
}

TEST_F(InputTest, PressOnEmptySpaceReachesOnlyTheRoot) {
  scene->OnMouseMove(0, 40, 50);
  scene->OnLButtonDown(0, 40, 50);
  scene->OnLButtonUp(0, 40, 50);
  scene->OnRButtonDown(0, 40, 50);
  scene->OnRButtonUp(0, 40, 50);
  EXPECT_TRUE(Take().empty());
  EXPECT_EQ(roots, (V{"r1", "r4", "r5", "r8", "r6", "r7"}));
}

TEST_F(InputTest, DoubleClickWithinTheTimeWithoutMoving) {
  scene->OnMouseMove(0, 20, 20);
  scene->OnLButtonDown(0, 20, 20);
  scene->OnLButtonUp(0, 20, 20);
  Take();
  for (int i = 0; i < 3; ++i) scene->OnHoverTick(1);
  scene->OnLButtonDown(0, 20, 20);
  EXPECT_EQ(Take(), (V{"a9"}));
  EXPECT_EQ(roots, (V{"r9"}));
  scene->OnLButtonUp(0, 20, 20);
  Take();
  // With a move in between the second press is a plain one.
  scene->OnLButtonDown(0, 20, 20);
  scene->OnLButtonUp(0, 20, 20);
  scene->OnMouseMove(0, 21, 21);
  Take();
  scene->OnLButtonDown(0, 21, 21);
  EXPECT_EQ(Take(), (V{"a4"}));
}

TEST_F(InputTest, DragStaysWithTheControlThatBindsIt) {
  scene->OnMouseMove(0, 20, 20);
  scene->OnLButtonDown(0, 20, 20);
  Take();
  scene->OnMouseMove(0, 40, 20);
  scene->OnMouseMove(0, 60, 20);
  EXPECT_EQ(Take(), (V{"a10", "a10"}));
  EXPECT_EQ(roots, (V{"r1", "r10", "r1", "r10"}));
  scene->OnLButtonUp(0, 60, 20);
  EXPECT_EQ(Take(), (V{"a5", "a8"}));
}

TEST_F(InputTest, WithoutADragBindingThePressBlocksOtherControls) {
  ca->BindEvent(10, 0, 0, nullptr);
  scene->OnMouseMove(0, 20, 20);
  scene->OnLButtonDown(0, 20, 20);
  Take();
  scene->OnMouseMove(0, 60, 20);
  // Leaving a is sent; b's enter is refused while a holds the press.
  EXPECT_EQ(Take(), (V{"a3"}));
  scene->OnLButtonUp(0, 60, 20);
  // The release goes to the root only; the refresh after it (a move to the same point) lets b
  // see the pointer.
  EXPECT_EQ(Take(), (V{"b2"}));
  EXPECT_EQ(roots, (V{"r5", "r8", "r1"}));
}

TEST_F(InputTest, HoverFiresAfterTheDelayAndEndsOnLeaving) {
  scene->OnMouseMove(0, 20, 20);
  Take();
  for (int t = 100; t <= 1500; t += 100) scene->OnHoverTick(1);
  EXPECT_TRUE(Take().empty());
  scene->OnMouseMove(0, 22, 20);
  scene->OnHoverTick(1);
  EXPECT_EQ(Take(), (V{"a1", "a12"}));
  scene->OnMouseMove(0, 90, 60);
  EXPECT_EQ(Take(), (V{"a3", "a13"}));
  EXPECT_EQ(roots, (V{"r1", "r13", "r3"}));
}

TEST_F(InputTest, KeyRepeatAfterTheDelayEveryTick) {
  ca->BindEvent(21, 21, ca->key, nullptr);
  scene->GetWorldRef().SetFocusControl(ca->key);
  scene->OnKeyDown(0x41, 1, 0);
  EXPECT_EQ(Take(), (V{"a22"}));
  for (int i = 0; i < 5; ++i) scene->OnHoverTick(1);
  EXPECT_TRUE(Take().empty());
  scene->OnHoverTick(1);
  scene->OnHoverTick(1);
  EXPECT_EQ(Take(), (V{"a21", "a21"}));
  EXPECT_NE(scene->GetInputState()->keyFlags & INPUT_KEY_HELD, 0u);
  scene->OnKeyUp(0x41, 1, 0);
  scene->OnHoverTick(1);
  EXPECT_EQ(Take(), (V{"a23"}));
  EXPECT_EQ(scene->GetInputState()->keyDown, 0u);
}

TEST_F(InputTest, KeyMapReplacesTheHostsCode) {
  scene->MapKey(0x41, 0x42);
  scene->OnKeyDown(0x41, 1, 0);
  EXPECT_EQ(scene->GetInputState()->keyDown, 0x42u);
}

TEST_F(InputTest, WheelGoesToTheRootAndTheActiveTopLayerControl) {
  Entity* box = Plane(4, 80, 50, 10, 10, 0xffffff);
  ControlRecord* cbox = Recorded(box, ALL_SLOTS);
  scene->OnMouseWheel(0, 0, 20, 20);
  EXPECT_TRUE(Take().empty());
  EXPECT_TRUE(roots.empty());
  scene->OnMouseWheel(0, -120, 20, 20);
  EXPECT_TRUE(Take().empty());
  EXPECT_EQ(roots, (V{"r18"}));
  scene->GetWorldRef().ActivateControl(cbox->key);
  received.clear();
  scene->OnMouseMove(0, 20, 20);
  Take();
  scene->OnMouseWheel(0, 120, 20, 20);
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].to, cbox->key);
  EXPECT_EQ(received[0].code, 17u);
}

TEST_F(InputTest, MiddleClickEndsItsOwnPress) {
  scene->OnMouseMove(0, 20, 20);
  scene->OnMButtonDown(0, 20, 20);
  scene->OnMButtonUp(0, 20, 20);
  EXPECT_EQ(Take(), (V{"a2", "a1", "a19", "a20"}));
  scene->OnMouseMove(0, 60, 20);
  EXPECT_EQ(Take(), (V{"a3", "b2", "b1"}));
}

TEST_F(InputTest, LeavingTheWindowReleasesButtonsAndLeavesTheEntity) {
  scene->OnMouseMove(0, 20, 20);
  scene->OnLButtonDown(0, 20, 20);
  Take();
  scene->OnMouseLeave();
  EXPECT_EQ(Take(), (V{"a5", "a8", "a3"}));
  EXPECT_EQ(scene->GetInputState()->hoverEntityId, 0u);
}

TEST_F(InputTest, ShowingAndMovingEntitiesUnderAStillPointerUpdateTheHover) {
  scene->OnMouseMove(0, 40, 50);
  Entity* c = scene->CreatePlane(2, 40, 50, 10, 10, 0xff, "");
  ControlRecord* cc = Recorded(c, ALL_SLOTS);
  scene->ShowEntity(c, 1);
  EXPECT_EQ(scene->GetInputState()->hoverEntityId, static_cast<uint32_t>(c->GetId()));
  EXPECT_EQ(scene->MoveEntity(c, 80, 50), 0);
  EXPECT_EQ(scene->GetInputState()->hoverEntityId, 0u);
  scene->MoveEntity(c, 40, 50);
  EXPECT_EQ(scene->IsMouseOverEntity(c), 1);
  (void)cc;
}

TEST_F(InputTest, MouseOverTestIsStrictAndRotates) {
  Entity* e = scene->CreatePlane(1, 100, 100, 10, 10, 0xff, "");
  const struct {
    int x;
    int expect;
  } cases[] = {{95, 0}, {96, 1}, {100, 1}, {104, 1}, {105, 0}};
  for (const auto& c : cases) {
    scene->GetInputState()->x = c.x;
    scene->GetInputState()->y = 100;
    EXPECT_EQ(scene->IsMouseOverEntity(e), c.expect) << c.x;
  }
  // Turned by 45 degrees, the corner direction reaches further out.
  e->SetAngle(45);
  scene->GetInputState()->x = 106;
  scene->GetInputState()->y = 100;
  EXPECT_EQ(scene->IsMouseOverEntity(e), 1);
}

TEST_F(InputTest, LogicalSizeScalesMovesAndSurvivesAZeroWindow) {
  scene->SetFixedLogicalSize(W, H);
  scene->OnResize(target->Dc(), W * 2, H * 2);
  scene->OnMouseMove(0, 40, 40);
  EXPECT_EQ(Take(), (V{"a2", "a1"}));
  scene->OnResize(target->Dc(), 0, 0);
  scene->OnMouseMove(0, 40, 40);
  EXPECT_EQ(scene->GetInputState()->x, 40);
}

}  // namespace
}  // namespace enginetest
