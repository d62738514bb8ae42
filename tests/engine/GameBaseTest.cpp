// GameBase as the host drives it: attaching, frame scripts of a small scene checked by the back
// buffer, the event pump and its core commands, the pending-id list, presenting and teardown.
#include <gtest/gtest.h>

#include "engine/EngineClock.h"
#include "engine/GameHost.h"
#include "engine/Screen.h"
#include "platform/user/User.h"
#include "tests/engine/EngineCoreFixture.h"

namespace enginetest {
namespace {

constexpr uint32_t BLACK = 0xff000000u;
// Windows colours 0x0000ff and 0xff0000 drawn opaque: the blend divides by 256, so a full channel
// of 255 lands as 254.
constexpr uint32_t RED = 0xfffe0000u;
constexpr uint32_t BLUE = 0xff0000feu;

class GameBaseTest : public EngineCoreTest {
 protected:
  World& world() { return scene->GetWorldRef(); }
};

// A scene that records which of its operations ran.
class OrderScene : public GameBase {
 public:
  explicit OrderScene(int init) : m_init(init) {}
  int OnInitGame() override {
    calls.push_back("init");
    return m_init;
  }
  void ResetSettings() override {
    calls.push_back("reset");
    GameBase::ResetSettings();
  }
  void OnAfterInit() override { calls.push_back("after"); }
  std::vector<std::string> calls;

 private:
  int m_init;
};

// The host's attach step.
int Attach(GameBase* scene) {
  if (!scene->OnInitGame()) return 0;
  scene->ResetSettings();
  scene->OnAfterInit();
  scene->SystemInit();
  return 1;
}

TEST(GameBaseAttach, AFailingInitCallsNothingElse) {
  OrderScene failing(0);
  EXPECT_EQ(Attach(&failing), 0);
  EXPECT_EQ(failing.calls, (std::vector<std::string>{"init"}));
  EXPECT_EQ(failing.GetInputDispatcher(), nullptr);
  // Nothing is ready: painting reaches nothing.
  EXPECT_EQ(failing.Present(nullptr), 0);
  EXPECT_EQ(failing.GetPresentSource(), 0);
}

TEST_F(GameBaseTest, FrameScriptMovesFadesAndDestroysUnderTheClock) {
  Tick(40);
  const uint64_t empty = BackHash();
  EXPECT_EQ(BackAt(10, 10), BLACK);

  Entity* red = Plane(1, 10, 10, 8, 8, 0x0000ff);
  Entity* blue = Plane(2, 70, 40, 6, 6, 0xff0000);
  red->LinkChild(blue, LINK_MOVE | LINK_DELETE | LINK_REFRESH);
  Tick(40);
  EXPECT_EQ(BackAt(10, 10), RED);
  EXPECT_EQ(BackAt(70, 40), BLUE);

  // Moving the parent carries the linked child; the old places go back to black.
  scene->StartMove(red, 0, 30, 10, 10, 0, 700, nullptr, 0);
  Run(200);
  EXPECT_EQ(red->GetX(), 30);
  EXPECT_EQ(BackAt(30, 10), RED);
  EXPECT_EQ(BackAt(10, 10), BLACK);
  EXPECT_EQ(BackAt(90, 40), BLUE);
  EXPECT_EQ(BackAt(70, 40), BLACK);
  EXPECT_EQ(scene->commands, (std::vector<uint32_t>{700}));

  // A fade to half shows a blend of red on black.
  scene->StartFade(red, -0.5, 0.5, 0, 0, 0, nullptr, 0, 0);
  Run(120);
  const uint32_t half = BackAt(30, 10);
  EXPECT_NE(half, RED);
  EXPECT_GT((half >> 16) & 0xff, 0x70u);
  EXPECT_LT((half >> 16) & 0xff, 0x90u);

  // Destroying the parent later takes the delete-linked child too, and the picture is empty.
  scene->AddPendingId(static_cast<uint32_t>(red->GetId()));
  scene->ProcessPendingIds();
  EXPECT_TRUE(scene->GetPendingIds().empty());
  Run(100);
  EXPECT_EQ(world().GetEntityCount(), 0u);
  EXPECT_EQ(BackHash(), empty);
}

TEST_F(GameBaseTest, FramesComeOnlyWhenTheGateOpensAndOnlyWhenDirty) {
  Tick(40);
  Plane(1, 10, 10, 4, 4, 0x0000ff);
  g_clock += 40;
  ASSERT_EQ(scene->IsFrameDue(), 1);
  EXPECT_EQ(scene->Render(), 0);
  EXPECT_EQ(scene->TakeRedrawFlag(), 1);
  // Ten milliseconds later the gate stays shut; when it opens, nothing is dirty and nothing is
  // drawn.
  g_clock += 10;
  EXPECT_EQ(scene->IsFrameDue(), 0);
  g_clock += 20;
  EXPECT_EQ(scene->IsFrameDue(), 1);
  EXPECT_EQ(scene->Render(), -1);
  EXPECT_EQ(scene->TakeRedrawFlag(), 0);
  // The engine time stays put until the next clock reading.
  const uint32_t now = GetEngineTime();
  g_clock += 500;
  EXPECT_EQ(GetEngineTime(), now);
}

TEST_F(GameBaseTest, CoreCommandsOfThePump) {
  struct Case {
    uint32_t code;
    bool toScene;
  } cases[] = {{31, false}, {96, false}, {97, true}, {210001, true}, {81, false}};
  for (const Case& c : cases) {
    scene->commands.clear();
    scene->GetWorldRef().PostEvent(c.code, new TextObject("x"));
    scene->PumpEvents();
    EXPECT_EQ(!scene->commands.empty(), c.toScene) << c.code;
  }
  // An unanswered core command is logged only while logging is on.
  EXPECT_EQ(ReadLog().find("警告：一个未响应的系统回调命令:31"), std::string::npos);
  EXPECT_EQ(scene->OnConsoleCommand("/logon"), 1);
  world().PostEvent(31, nullptr);
  scene->PumpEvents();
  EXPECT_NE(ReadLog().find("警告：一个未响应的系统回调命令:31"), std::string::npos);
  EXPECT_EQ(scene->OnConsoleCommand("/logoff"), 1);

  // '^' and '_' name what they remove by id and by key.
  Entity* e = Plane(1, 10, 10, 4, 4, 0xff);
  ControlRecord* c = scene->NewControl();
  const uint32_t key = c->key;
  world().PostEvent(94, new ValueObject(static_cast<uint32_t>(e->GetId())));
  world().PostEvent(95, new ValueObject(key));
  scene->PumpEvents();
  EXPECT_EQ(world().GetEntityCount(), 0u);
  EXPECT_EQ(world().FindControl(key), nullptr);
}

TEST_F(GameBaseTest, HighlightedControlDimsOnPressAndClicksAfterTheRelease) {
  Entity* e = Plane(2, 20, 20, 10, 10, 0xff);
  ControlRecord* c = Recorded(e, {});
  c->BindEvent(CTRL_EVENT_DEFERRED_CLICK, 210005, 0, nullptr);
  e->SetAlpha(1.0);
  scene->SetControlHighlight(c, 1);
  EXPECT_DOUBLE_EQ(e->GetAlpha(), 1.2);
  scene->OnMouseMove(0, 20, 20);
  scene->OnLButtonDown(0, 20, 20);
  scene->PumpEvents();
  EXPECT_DOUBLE_EQ(e->GetAlpha(), 0.3);
  EXPECT_TRUE(scene->commands.empty());
  scene->OnLButtonUp(0, 20, 20);
  scene->PumpEvents();
  EXPECT_DOUBLE_EQ(e->GetAlpha(), 1.0);
  EXPECT_EQ(scene->commands, (std::vector<uint32_t>{210005}));
  EXPECT_EQ(world().GetEventCount(), 0u);
  scene->SetControlHighlight(c, 0);
  EXPECT_DOUBLE_EQ(e->GetAlpha(), 0.8);
  EXPECT_EQ(c->GetBinding(CTRL_EVENT_CLICK), nullptr);
}

TEST_F(GameBaseTest, DragCommandMovesABoxByEachOffset) {
  Entity* e = Plane(4, 20, 20, 10, 10, 0xff);
  ControlRecord* c = scene->AcquireControl(static_cast<uint32_t>(e->GetId()), 0x90);
  scene->BindControlEventRelative(c, CTRL_EVENT_LDRAG, CORE_COMMAND_BASE);
  scene->OnMouseMove(0, 20, 20);
  scene->OnLButtonDown(0, 20, 20);
  scene->OnMouseMove(0, 25, 22);
  scene->OnMouseMove(0, 30, 30);
  scene->PumpEvents();
  EXPECT_EQ(e->GetX(), 30);
  EXPECT_EQ(e->GetY(), 30);
}

TEST_F(GameBaseTest, EdgeScrollInTheBottomRightCorner) {
  Entity* e = Plane(2, W - 3, H - 3, 6, 6, 0xff);
  ControlRecord* c = scene->AcquireControl(static_cast<uint32_t>(e->GetId()), 0x90);
  scene->BindControlEvent(c, CTRL_EVENT_MOVE, 86);
  scene->GetScreen()->SetSceneSize(W * 3, H * 3);
  ViewInfo before;
  scene->GetViewInfo(&before);
  scene->SetWindowOrigin(100, 200);
  scene->OnMouseMove(0, W - 3, H - 3);
  scene->OnMouseMove(0, W - 2, H - 2);
  world().PostEvent(0, nullptr);
  // Only the last move's command is checked: one step right and one down.
  while (world().GetEventCount() > 1) {
    Event e0 = world().PopEvent();
    delete e0.object;
  }
  scene->PumpEvents();
  ViewInfo after;
  scene->GetViewInfo(&after);
  EXPECT_EQ(after.centreX - before.centreX, scene->GetMouseMoveSpeed());
  EXPECT_EQ(after.centreY - before.centreY, scene->GetMouseMoveSpeed());
  POINT cursor;
  GetCursorPos(&cursor);
  EXPECT_EQ(cursor.y, 200 + H - 10);
}

TEST_F(GameBaseTest, PendingIdsOfGoneEntitiesOnlyCancel) {
  scene->AddPendingId(4242);
  scene->ProcessPendingIds();
  EXPECT_EQ(world().GetPendingApplyCount(), 1u);
  world().RunApplies();
  EXPECT_EQ(world().IsBusy(), 0);
}

TEST_F(GameBaseTest, PresentCopiesTheLastGoodFrameAndDebugOverlayLeavesItAlone) {
  Plane(1, 10, 10, 8, 8, 0x0000ff);
  Tick(40);
  TestTarget paint(W, H);
  paint.Fill(0x12345678);
  scene->Present(paint.Dc());
  EXPECT_EQ(paint.At(10, 10), RED);
  // With a display on, the overlay is presented and the back buffer keeps the game's picture.
  EXPECT_EQ(scene->OnConsoleCommand("/show invalidatearea"), 1);
  Plane(1, 40, 40, 8, 8, 0x0000ff);
  Tick(40);
  EXPECT_EQ(scene->GetPresentSource(), 2);
  std::vector<uint32_t> overlay(static_cast<size_t>(W) * H);
  GetBitmapBits(scene->GetOverlayBitmap(), static_cast<LONG>(overlay.size() * 4), overlay.data());
  EXPECT_NE(HashPixels(overlay), BackHash());
  EXPECT_EQ(BackAt(36, 36), RED);
  EXPECT_EQ(scene->OnConsoleCommand("/hide invalidatearea"), 1);
  EXPECT_EQ(scene->OnConsoleCommand("/showfps "), 0);
  EXPECT_EQ(scene->OnConsoleCommand("/SHOWFPS"), 0);
  // A hidden main window draws nothing and keeps what was presented.
  ShowWindow(window, SW_HIDE);
  Plane(1, 60, 40, 8, 8, 0x0000ff);
  g_clock += 40;
  ASSERT_EQ(scene->IsFrameDue(), 1);
  EXPECT_EQ(scene->Render(), 0);
  EXPECT_EQ(scene->GetPresentSource(), 2);
}

class HostViewDouble : public EngineHostView {
 public:
  void KillTimers() override { ++kills; }
  int kills = 0;
};

HostViewDouble* g_view = nullptr;
EngineHostView* TableView() { return g_view; }

TEST_F(GameBaseTest, CleanupKillsTheTimersAndEmptiesTheWorld) {
  HostViewDouble view;
  g_view = &view;
  GameHostServices services;
  services.getTableView = TableView;
  SetGameHostServices(services);
  Plane(1, 10, 10, 8, 8, 0xff);
  scene->NewControl();
  scene->Cleanup();
  cleanedUp = true;
  EXPECT_EQ(view.kills, 1);
  EXPECT_EQ(world().GetEntityCount(), 0u);
  EXPECT_EQ(world().GetControlCount(), 0u);
  EXPECT_EQ(scene->GetInputDispatcher(), nullptr);
  EXPECT_NE(scene->GetDeviceBitmap(), nullptr);
  SetGameHostServices(GameHostServices{});
  g_view = nullptr;
}

}  // namespace
}  // namespace enginetest
