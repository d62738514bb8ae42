// Entities' setters and link propagation, and the timed tasks: their steps, chains, cancels,
// holds, and tasks whose entity goes away under them.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/ApplyCallbacks.h"
#include "engine/EngineClock.h"
#include "engine/Screen.h"
#include "tests/engine/EngineCoreFixture.h"

namespace enginetest {
namespace {

class EntityApplyTest : public EngineCoreTest {
 protected:
  World& world() { return scene->GetWorldRef(); }
  Entity* Plain(int x = 0, int y = 0, int w = 10, int h = 10) {
    Entity* e = world().CreateEntity(ENTITY_KIND_PLAIN, "", x, y, w, h, 0.0, 1, 1, 1.0);
    e->AttachToLayer(scene->GetScreen(), 2);
    return e;
  }
  // Runs applies once per frame interval and records positions after each step.
  void Step() {
    g_clock += world().GetInterval();
    world().RunApplies();
  }
};

TEST_F(EntityApplyTest, RadiusDirtyAndScaleRules) {
  Entity* zero = Plain(0, 0, 0, 0);
  EXPECT_EQ(zero->Placement().radius, 0);
  Entity* e = Plain(0, 0, 3, 3);
  EXPECT_EQ(e->Placement().radius, 3);
  e->Refresh();
  e->MoveTo(0, 0);
  e->ScaleBy(1.0, 1.0);
  e->SetAlpha(0.5);
  EXPECT_EQ(e->IsDirty(), 0);
  Entity* five = Plain(0, 0, 5, 5);
  // Edges halve (size + 1), so an odd size spans one pixel more.
  EXPECT_EQ(five->GetRight() - five->GetLeft(), 6);
  five->Refresh();
  five->ScaleBy(0.5, 0.5);
  EXPECT_EQ(five->GetWidth(), 2);
  EXPECT_EQ(five->IsDirty(), 1);
}

TEST_F(EntityApplyTest, LinkedChildrenFollowByFlag) {
  Entity* parent = Plain(50, 50);
  Entity* mover = Plain(60, 50);
  Entity* memo = Plain(70, 50);
  Entity* hidden = Plain(80, 50);
  hidden->Hide();
  parent->SetLevel(2);
  mover->SetLevel(7);
  parent->LinkChild(mover, LINK_MOVE | LINK_ROTATE | LINK_LEVEL);
  parent->LinkChild(memo, LINK_HIDE_MEMO);
  parent->LinkChild(hidden, LINK_HIDE_MEMO);
  parent->SetLevel(5);
  EXPECT_EQ(mover->GetLevel(), 10);
  parent->Hide();
  EXPECT_EQ(memo->IsVisible(), 0);
  parent->Show();
  EXPECT_EQ(memo->IsVisible(), 1);
  EXPECT_EQ(hidden->IsVisible(), 0);
  parent->Hide();
  memo->Show();
  parent->Show();
  // The memory is used once: a second show does not bring back what the first did not hide.
  parent->Hide();
  EXPECT_EQ(memo->IsVisible(), 0);
  // Rotation about the parent: the child 10 to the right goes 10 above after 90 degrees.
  parent->RotateAbout(50, 50, 90);
  EXPECT_EQ(mover->GetX(), 50);
  EXPECT_EQ(mover->GetY(), 40);
  EXPECT_DOUBLE_EQ(mover->GetAngle(), 90);
}

TEST_F(EntityApplyTest, LinkTableGrowsInStepsOfTenKeepingOrder) {
  Entity* parent = Plain();
  std::vector<Entity*> children;
  for (int i = 0; i < 11; ++i) {
    children.push_back(Plain());
    parent->LinkChild(children.back(), 0);
    EXPECT_EQ(parent->GetLinkCapacity(), i < 10 ? 10u : 20u);
  }
  for (uint32_t i = 0; i < 11; ++i) EXPECT_EQ(parent->GetChild(i), children[i]);
  Entity* other = Plain();
  other->LinkChild(children[3], 0);
  EXPECT_EQ(parent->GetLinkCount(), 10u);
  EXPECT_EQ(parent->GetChild(3), children[4]);
}

TEST_F(EntityApplyTest, CallbackStepTables) {
  // Move (0, 0) -> (30, 40) at speed 10.
  Entity* e = Plain(0, 0);
  ApplyParams p;
  ApplyParams::Init(&p, 30, 0, nullptr, 0);
  p.targetX = 30;
  p.targetY = 40;
  p.p1 = 1000;
  const int32_t moves[][2] = {{6, 8}, {12, 16}, {18, 24}, {24, 32}, {30, 40}};
  for (const auto& m : moves) {
    EXPECT_EQ(ApplyMoveTo(e, &p, &world(), 0), 0);
    EXPECT_EQ(e->GetX(), m[0]);
    EXPECT_EQ(e->GetY(), m[1]);
  }
  EXPECT_EQ(ApplyMoveTo(e, &p, &world(), 0), 1);

  // Fade 1.0 by -0.25 to 0.
  e->SetAlpha(1.0);
  ApplyParams f;
  f.p1 = -25;
  f.p2 = 0;
  for (double a : {0.75, 0.5, 0.25, 0.0}) {
    EXPECT_EQ(ApplyFade(e, &f, &world(), 0), 0);
    EXPECT_DOUBLE_EQ(e->GetAlpha(), a);
  }
  EXPECT_EQ(ApplyFade(e, &f, &world(), 0), 1);

  // Resize 10 -> 40 by 15.
  e->SetSize(10, 10);
  ApplyParams r;
  r.p1 = 40;
  r.p2 = 10;
  r.p3 = 15;
  for (int w : {25, 40}) {
    EXPECT_EQ(ApplyResize(e, &r, &world(), 0), 0);
    EXPECT_EQ(e->GetWidth(), w);
  }
  EXPECT_EQ(ApplyResize(e, &r, &world(), 0), 1);
}

TEST_F(EntityApplyTest, ChainedTasksRunOneAfterAnother) {
  Entity* e = Plain();
  const uint32_t key = scene->NewEventId();
  const uint32_t first = scene->StartFade(e, -0.5, 0.0, key, 0, 0, nullptr, 0, 0);
  const uint32_t second = scene->StartFade(e, 0.5, 1.0, key, 0, 0, nullptr, 0, 0);
  ASSERT_NE(first, 0u);
  ASSERT_NE(second, 0u);
  EXPECT_EQ(world().AddApplyWithParams(0, &world().GetActiveApplies().front().params, ApplyOnce,
                                       key + 1, 0, 0, 2),
            0u);
  std::vector<double> alphas;
  for (int i = 0; i < 8; ++i) {
    Step();
    alphas.push_back(e->GetAlpha());
  }
  // The first ends at its third step (it reached its target at the second); the second is
  // resumed then and makes its first step one interval later.
  const std::vector<double> want = {0.5, 0.0, 0.0, 0.5, 1.0, 1.0, 1.0, 1.0};
  for (size_t i = 0; i < want.size(); ++i) EXPECT_DOUBLE_EQ(alphas[i], want[i]) << i;
  EXPECT_EQ(world().IsBusy(), 0);
}

TEST_F(EntityApplyTest, CancelByEntityDropsEventsAndFreesObjects) {
  Entity* e = Plain();
  // Level 1 leaves a mode-2 task alone; level 3 with drop 1 cancels it silently.
  scene->StartMove(e, 0, 100, 0, 1, 0, 777, new TextObject("gone"), 0);
  Step();
  scene->QueueRawApply(static_cast<uint32_t>(e->GetId()), 1, 1);
  Step();
  EXPECT_EQ(world().HasApplyFor(static_cast<uint32_t>(e->GetId())), 1);
  scene->QueueRawApply(static_cast<uint32_t>(e->GetId()), 3, 1);
  Step();
  Step();
  EXPECT_EQ(world().IsBusy(), 0);
  scene->PumpEvents();
  EXPECT_TRUE(scene->commands.empty());
}

TEST_F(EntityApplyTest, CancelledTaskStillDestroysItsFlaggedEntity) {
  Entity* e = Plain();
  const uint32_t id = static_cast<uint32_t>(e->GetId());
  scene->StartFade(e, -0.01, 0.0, 0, 0, 0, nullptr, 1, 0);
  Step();
  scene->QueueRawApply(id, 3, 1);
  Step();
  EXPECT_EQ(world().FindEntity(id), nullptr);
}

TEST_F(EntityApplyTest, TasksOfADestroyedEntityNeverTouchIt) {
  // A pending task, an active one with the destroy flag and a task whose entity is destroyed by
  // another task's end: none reaches the freed entity, and each completion event still comes.
  Entity* a = Plain();
  scene->StartMove(a, 0, 100, 100, 1, 0, 501, nullptr, 0);
  Step();
  scene->StartFade(a, -0.1, 0.0, 0, 0, 502, nullptr, 1, 0);
  world().DestroyEntityById(static_cast<uint32_t>(a->GetId()));
  Step();
  Entity* b = Plain();
  scene->StartMove(b, 0, 100, 100, 1, 0, 503, nullptr, 0);
  scene->DestroyEntityLater(b, 0, 0, 504, nullptr);
  Step();
  Step();
  Step();
  EXPECT_EQ(world().IsBusy(), 0);
  scene->PumpEvents();
  std::vector<uint32_t> got = scene->commands;
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got, (std::vector<uint32_t>{501, 502, 503, 504}));
}

TEST_F(EntityApplyTest, HoldKeepsAFadeWhereItIs) {
  Entity* e = Plain();
  const uint32_t id = scene->StartFade(e, -0.1, 0.0, 0, 0, 0, nullptr, 0, 0);
  Step();
  Step();
  const double held = e->GetAlpha();
  scene->QueueRawApply8192(id, 0);
  for (int i = 0; i < 5; ++i) Step();
  EXPECT_DOUBLE_EQ(e->GetAlpha(), held);
  EXPECT_EQ(world().HoldApply(id, 0), id);
  EXPECT_EQ(world().HoldApply(9999, 0), 0u);
  EXPECT_EQ(world().ResumeApply(id), 1);
  Step();
  Step();
  EXPECT_LT(e->GetAlpha(), held);
}

TEST_F(EntityApplyTest, RepeatEventSendsCopiesAndStopsAfterCount) {
  ApplyParams p;
  ApplyParams::Init(&p, 30, 610, new TextObject("tick"), 0);
  p.valueA = 3;
  world().AddApply(0, p, ApplyRepeatEvent, 0, 0, 0, 2);
  for (int i = 0; i < 6; ++i) Step();
  scene->PumpEvents();
  EXPECT_EQ(scene->commands, (std::vector<uint32_t>{610, 610, 610}));
}

TEST_F(EntityApplyTest, TimedTaskArgumentsAndRefusals) {
  Entity* e = Plain();
  Entity* off = world().CreateEntity(ENTITY_KIND_PLAIN, "", 0, 0, 1, 1, 0, 1, 1, 1.0);
  EXPECT_EQ(scene->StartMove(off, 0, 1, 1, 1, 0, 0, nullptr, 0), 0u);
  EXPECT_EQ(scene->StartMove(nullptr, 0, 1, 1, 1, 0, 0, nullptr, 0), 0u);
  EXPECT_EQ(scene->PlayAnimation(e, 4, 1, 0, 0, 0, nullptr, 0), 0u);
  scene->StartFade(e, -0.025, 0.999, 0, 0, 0, nullptr, 0, 0);
  world().RunApplies();
  const Apply& fade = world().GetActiveApplies().back();
  EXPECT_EQ(fade.params.p1, -2);
  EXPECT_EQ(fade.params.p2, 99);
  EXPECT_EQ(fade.mode, APPLY_MODE_DEFAULT);
  // A wait of 1000 ms sends its event on the first step at least 1000 ms after its first step.
  scene->StartWait(1000, 620, nullptr, 0, 0);
  uint32_t firstStep = 0;
  uint32_t arrived = 0;
  for (int i = 0; i < 60 && arrived == 0; ++i) {
    Step();
    if (firstStep == 0) firstStep = g_clock;
    scene->PumpEvents();
    if (!scene->commands.empty()) arrived = g_clock;
  }
  EXPECT_GE(arrived - firstStep, 1000u);
  EXPECT_LT(arrived - firstStep, 1000u + world().GetInterval());
}

TEST_F(EntityApplyTest, MoveExCancelsTheEarlierMoveButMoveDoesNot) {
  Entity* e = Plain();
  scene->StartMove(e, 0, 100, 0, 1, 0, 0, nullptr, 0);
  scene->StartMove(e, 0, 0, 100, 1, 0, 0, nullptr, 0);
  Step();
  EXPECT_EQ(world().GetActiveApplies().size(), 2u);
  scene->StartMoveEx(e, 0, 50, 50, 1, 0, 0, 0.0, 0, 0, nullptr, 0, 0);
  Step();
  Step();
  size_t live = 0;
  for (const Apply& a : world().GetActiveApplies()) live += a.id != 0 ? 1 : 0;
  EXPECT_EQ(live, 1u);
}

}  // namespace
}  // namespace enginetest
