// The World's registry: ids, entity links and their propagation, destruction rules, controls and
// events, the frame gate and the counters' warnings.
#include <gtest/gtest.h>

#include "engine/EngineClock.h"
#include "engine/Screen.h"
#include "engine/World.h"
#include "platform/kernel/Files.h"
#include "tests/engine/EngineCoreFixture.h"

namespace enginetest {
namespace {

class WorldTest : public EngineCoreTest {
 protected:
  World& world() { return scene->GetWorldRef(); }
  Entity* Plain(int x = 0, int y = 0, int w = 10, int h = 10) {
    Entity* e = world().CreateEntity(ENTITY_KIND_PLAIN, "", x, y, w, h, 0.0, 1, 1, 1.0);
    e->AttachToLayer(scene->GetScreen(), 2);
    return e;
  }
};

TEST_F(WorldTest, IdsAreNeverReusedAndUnknownKindsCreateNothing) {
  Entity* a = Plain();
  Entity* b = Plain();
  EXPECT_EQ(a->GetId() + 1, b->GetId());
  const int32_t first = a->GetId();
  world().DestroyEntityById(static_cast<uint32_t>(first));
  EXPECT_EQ(world().FindEntity(static_cast<uint32_t>(first)), nullptr);
  EXPECT_EQ(world().CreateEntity(2, "", 0, 0, 1, 1, 0, 1, 0, 1.0), nullptr);
  EXPECT_EQ(Plain()->GetId(), b->GetId() + 1);
}

TEST_F(WorldTest, DestroyingAParentFollowsTheDeleteLinks) {
  Entity* parent = Plain();
  Entity* doomed = Plain();
  Entity* grandchild = Plain();
  Entity* survivor = Plain();
  const uint32_t ids[] = {static_cast<uint32_t>(doomed->GetId()),
                          static_cast<uint32_t>(grandchild->GetId()),
                          static_cast<uint32_t>(survivor->GetId())};
  parent->LinkChild(doomed, LINK_DELETE);
  doomed->LinkChild(grandchild, LINK_DELETE);
  parent->LinkChild(survivor, LINK_MOVE);
  world().DestroyEntityById(static_cast<uint32_t>(parent->GetId()));
  EXPECT_EQ(world().FindEntity(ids[0]), nullptr);
  EXPECT_EQ(world().FindEntity(ids[1]), nullptr);
  ASSERT_NE(world().FindEntity(ids[2]), nullptr);
  EXPECT_EQ(world().FindEntity(ids[2])->GetParent(), nullptr);
}

TEST_F(WorldTest, ControlBindFlagsDecideWhatEntityDestructionDoes) {
  struct Case {
    uint32_t flags;
    bool controlSurvives;
  } cases[] = {{0x90, false}, {0x10, true}, {0x80, false}, {0, true}};
  for (const Case& c : cases) {
    Entity* e = Plain();
    ControlRecord* record = world().AcquireControl(static_cast<uint32_t>(e->GetId()), c.flags);
    const uint32_t key = record->key;
    world().DestroyEntityById(static_cast<uint32_t>(e->GetId()));
    ControlRecord* after = world().FindControl(key);
    EXPECT_EQ(after != nullptr, c.controlSurvives) << c.flags;
    if (after) EXPECT_EQ(after->entity, nullptr);
  }
}

TEST_F(WorldTest, DeleteControlWithOwnedEntityDestroysBoth) {
  Entity* e = Plain();
  const uint32_t id = static_cast<uint32_t>(e->GetId());
  std::vector<Received> log;
  auto* handler = new Recorder(&log);
  ControlRecord* record = world().RegisterControlObject(handler);
  const uint32_t key = record->key;
  const uint32_t objects = world().GetObjectCount();
  world().BindControl(record, e, 0x90);
  EXPECT_EQ(world().DeleteControl(key), 1);
  EXPECT_EQ(world().FindControl(key), nullptr);
  EXPECT_EQ(world().FindEntity(id), nullptr);
  EXPECT_EQ(world().GetObjectCount(), objects - 1);
  EXPECT_EQ(world().DeleteControl(key), 0);
  EXPECT_NE(ReadLog().find("控件删除错误：目标控件不存在"), std::string::npos);
}

TEST_F(WorldTest, BindingSlotsDecideHitTesting) {
  Entity* e = Plain();
  ControlRecord* record = world().AcquireControl(static_cast<uint32_t>(e->GetId()), 0x90);
  EXPECT_EQ(record->GetBinding(5), nullptr);
  EXPECT_EQ(record->BindEvent(30, 7, 0, nullptr), 0u);
  EXPECT_FALSE(record->bindings);
  EXPECT_EQ(e->IsHitTestable(), 0);
  // Any slot from 1 on makes the entity hit-testable, even with code 0.
  record->BindEvent(5, 0, 0, nullptr);
  EXPECT_EQ(e->IsHitTestable(), 1);
  // Slot 0 takes it away only while no slot has a code.
  record->BindEvent(0, 0, 0, nullptr);
  EXPECT_EQ(e->IsHitTestable(), 0);
  record->BindEvent(0, 7, 0, nullptr);
  EXPECT_EQ(e->IsHitTestable(), 0);
  record->BindEvent(8, 99, 0, nullptr);
  ASSERT_NE(record->GetBinding(8), nullptr);
  record->Enable(0);
  EXPECT_EQ(record->GetBinding(8), nullptr);
  EXPECT_EQ(record->HasClickEvent(), 0);
}

TEST_F(WorldTest, BindingAnotherControlsEntityTakesItOver) {
  Entity* e = Plain();
  ControlRecord* a = world().AcquireControl(static_cast<uint32_t>(e->GetId()), 0x90);
  ControlRecord* b = world().NewControl();
  EXPECT_EQ(world().BindControl(b, e, 0x90), 1);
  EXPECT_EQ(a->entityId, 0);
  EXPECT_EQ(e->GetControlKey(), b->key);
  const std::string log = ReadLog();
  EXPECT_NE(log.find("控件申请冲突，申请绑定实体已被其他控件绑定!"), std::string::npos);
  EXPECT_NE(log.find("强制解除原有绑定，可能造成逻辑错误，care!"), std::string::npos);
  // Binding again to the same control is no conflict.
  const size_t before = ReadLog().size();
  world().BindControl(b, e, 0x90);
  EXPECT_EQ(ReadLog().size(), before);
}

TEST_F(WorldTest, EventsAreQueuedOrDeliveredByKeyAndMode) {
  std::vector<Received> log;
  ControlRecord* record = world().RegisterControlObject(new Recorder(&log));
  EXPECT_EQ(world().PostEvent(0, nullptr), 0);
  EXPECT_EQ(world().GetEventCount(), 0u);
  EXPECT_EQ(world().DispatchEvent(Event{5, new TextObject("a"), record->key}, 1), 1);
  EXPECT_EQ(world().GetEventCount(), 1u);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(world().DispatchEvent(Event{6, new TextObject("b"), record->key}, 0), 1);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].code, 6u);
  EXPECT_EQ(world().DispatchEvent(Event{6, nullptr, 999}, 0), 0);
  Event queued = world().PopEvent();
  EXPECT_EQ(queued.code, 5u);
  delete queued.object;
  EXPECT_EQ(world().PopEvent().code, 0u);
}

TEST_F(WorldTest, ActivationSendsDeactivateThenActivate) {
  std::vector<Received> log;
  Entity* e1 = Plane(4, 20, 20, 10, 10, 0xff);
  Entity* e2 = Plane(4, 40, 20, 10, 10, 0xff);
  Entity* low = Plane(3, 60, 20, 10, 10, 0xff);
  ControlRecord* c1 = world().RegisterControlObject(new Recorder(&log));
  ControlRecord* c2 = world().RegisterControlObject(new Recorder(&log));
  ControlRecord* c3 = world().RegisterControlObject(new Recorder(&log));
  world().BindControl(c1, e1, 0x90);
  world().BindControl(c2, e2, 0x90);
  world().BindControl(c3, low, 0x90);
  world().ActivateControl(c3->key);
  EXPECT_TRUE(log.empty());
  world().ActivateControl(c1->key);
  world().ActivateControl(c2->key);
  world().DeactivateControl(c2->key);
  const std::vector<std::pair<uint32_t, uint32_t>> want = {
      {15, c1->key}, {16, c1->key}, {15, c2->key}, {16, c2->key}, {15, c1->key}};
  ASSERT_EQ(log.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(log[i].code, want[i].first) << i;
    EXPECT_EQ(log[i].to, want[i].second) << i;
  }
}

TEST_F(WorldTest, DestroyingAnotherLayersEntityKeepsTheTopLayersFocus) {
  std::vector<Received> log;
  Entity* box = Plane(4, 20, 20, 10, 10, 0xff);
  ControlRecord* c = world().RegisterControlObject(new Recorder(&log));
  world().BindControl(c, box, 0x90);
  world().ActivateControl(c->key);
  // The first item of layer 1 carries the same handle number as the box on layer 4.
  Entity* other = Plane(1, 50, 50, 4, 4, 0xff);
  ASSERT_EQ(other->GetScreenItem(), box->GetScreenItem());
  world().DestroyEntityById(static_cast<uint32_t>(other->GetId()));
  EXPECT_EQ(world().GetTopControlKey(), c->key);
}

TEST_F(WorldTest, FrameGateOpensOncePerInterval) {
  world().SetInterval(30);
  g_clock += 100;
  EXPECT_EQ(world().FrameDue(), 1);
  g_clock += 10;
  EXPECT_EQ(world().FrameDue(), 0);
  g_clock += 20;
  EXPECT_EQ(world().FrameDue(), 1);
  // The gate compares unsigned differences, so it works across the clock's wrap.
  g_clock = 0xfffffff0u;
  EXPECT_EQ(world().FrameDue(), 1);
  g_clock = 0x20;
  EXPECT_EQ(world().FrameDue(), 1);
}

TEST_F(WorldTest, CounterWarningsStartAboveTwoBillion) {
  world().SetCounters(1999999999u, 1999999999u);
  world().NewApplyId();
  world().NextEventId();
  EXPECT_EQ(ReadLog().find("数量超过2亿"), std::string::npos);
  EXPECT_EQ(world().NewApplyId(), 2000000001u);
  world().NewApplyId();
  EXPECT_EQ(world().NextEventId(), 2000000001u);
  const std::string log = ReadLog();
  size_t applies = 0;
  for (size_t at = log.find("Apply数量超过2亿，警戒!"); at != std::string::npos;
       at = log.find("Apply数量超过2亿，警戒!", at + 1)) {
    ++applies;
  }
  EXPECT_EQ(applies, 2u);
  EXPECT_NE(log.find("Event数量超过2亿，警戒!"), std::string::npos);
}

TEST_F(WorldTest, ObjectsNeverAddedAreStillDeletedAndStaleLogFileGoes) {
  std::vector<Received> log;
  const uint32_t before = world().GetObjectCount();
  world().RemoveObject(new Recorder(&log));
  EXPECT_EQ(world().GetObjectCount(), before);
  Put("GameLog.ini", {'x'});
  World fresh;
  EXPECT_EQ(GetFileAttributesA(MakeModulePath("GameLog.ini")), INVALID_FILE_ATTRIBUTES);
}

TEST_F(WorldTest, LinkChildFailuresChangeNothing) {
  Entity* a = Plain();
  Entity* b = Plain();
  EXPECT_EQ(world().AddChildEntity(999, static_cast<uint32_t>(b->GetId()), 0), 0u);
  EXPECT_EQ(world().AddChildEntity(static_cast<uint32_t>(a->GetId()), 999, 0), 0u);
  const std::string log = ReadLog();
  EXPECT_NE(log.find("添加子实体错误，父体不存在"), std::string::npos);
  EXPECT_NE(log.find("添加子实体错误，子体不存在"), std::string::npos);
  EXPECT_EQ(a->LinkChild(nullptr, 0), 0u);
  EXPECT_EQ(a->LinkChild(b, 0), 1u);
  // A cycle would send every propagation round for ever; it is refused.
  EXPECT_EQ(b->LinkChild(a, 0), 0u);
  EXPECT_EQ(a->LinkChild(a, 0), 0u);
  EXPECT_EQ(a->RemoveLink(12345), 0u);
}

}  // namespace
}  // namespace enginetest
