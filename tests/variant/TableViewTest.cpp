// The table pane and the table scene through a real (headless) window on the stopped clock: the
// pane's timers drive the engine, input and resizes reach the scene only once its screen exists,
// and the scene's board follows the table model as the server's notifications change it. The
// renderings are saved under build/tests/table-renderings/ for a person to look at.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/EngineUtil.h"
#include "mahjong/MJGameNotify.h"
#include "mahjong/MJTableView.h"
#include "mahjong/scene/TableModel.h"
#include "platform/kernel/Time.h"
#include "testbed/table/MahjongTable.h"
#include "testbed/table/TableRunner.h"
#include "tests/variant/support/TableViewFixture.h"
#include "variant/VariantGameInfo.h"
#include "variant/VariantTableScene.h"

namespace {

class CountingScene : public GameBase {
 public:
  void OnFrame() override { ++frames; }
  void OnTimer(uintptr_t id) override { timers.push_back(id); }
  void OnLayout() override { ++layouts; }
  void OnMouseEnter() override { ++enters; }
  int OnMouseLeave() override {
    ++leaves;
    return 1;
  }
  int frames = 0;
  int layouts = 0;
  int enters = 0;
  int leaves = 0;
  std::vector<uintptr_t> timers;
};

// The pane alone: each test opens its own view with a counting scene.
using TableViewTest = tabletest::TableViewFixture;

TEST_F(TableViewTest, NothingReachesTheSceneBeforeItsScreenAndTimerZeroIsTheFrameTimer) {
  CMJTableView view;
  ASSERT_NE(view.Create(m_parent, RECT{0, 0, 320, 240}), nullptr);
  // Without a scene: input and timers are harmless, and the size is still kept.
  SendMessageA(view.Window(), WM_LBUTTONDOWN, 0, MAKELPARAM(5, 5));
  SendMessageA(view.Window(), WM_TIMER, 0, 0);
  SendMessageA(view.Window(), WM_SIZE, 0, MAKELPARAM(300, 200));
  EXPECT_EQ(view.GetWidth(), 300);
  EXPECT_EQ(view.GetHeight(), 200);
  view.Start();  // no scene: nothing starts
  EXPECT_FALSE(view.IsStarted());

  auto* scene = new CountingScene();
  ASSERT_EQ(view.AttachGame(scene), 1);
  // Attached but without a screen: a resize reaches no engine operation.
  SendMessageA(view.Window(), WM_SIZE, 0, MAKELPARAM(320, 240));
  EXPECT_EQ(scene->layouts, 0);
  view.InitScreen();
  view.Start();
  EXPECT_TRUE(view.IsStarted());
  EXPECT_EQ(scene->layouts, 1);  // the early screen lays the table out at start
  Advance(300);
  EXPECT_GE(scene->frames, 8);
  // Timer 0 is a frame, never a scene timer; other ids go to the scene.
  EXPECT_TRUE(scene->timers.empty());
  view.StartClockTimer();
  EXPECT_EQ(view.GetClockTimerId(), CMJTableView::CLOCK_TIMER_ID);
  Advance(1000);
  ASSERT_FALSE(scene->timers.empty());
  EXPECT_EQ(scene->timers.back(), CMJTableView::CLOCK_TIMER_ID);
  view.StopClockTimer();
  EXPECT_EQ(view.GetClockTimerId(), 0u);
  SendMessageA(view.Window(), WM_SIZE, 0, MAKELPARAM(310, 230));
  EXPECT_EQ(scene->layouts, 2);
  DestroyWindow(view.Window());
  EXPECT_EQ(view.Game(), nullptr);
  delete scene;
}

TEST_F(TableViewTest, TheFrameTimeAverageCountsEmptySlotsAsZero) {
  CMJTableView view;
  EXPECT_EQ(view.AddFrameTime(100), 1);
  EXPECT_EQ(view.AddFrameTime(100), 2);
  for (int i = 0; i < CMJTableView::FRAME_RING; ++i) view.AddFrameTime(7);
  EXPECT_EQ(view.AddFrameTime(7), 7);  // the ring wrapped: only the last 100 count
}

// The scene is the model's outlet; the model exists before the scene, so a forwarder stands
// between them as the application's does.
std::vector<BYTE> Body(size_t size, std::initializer_list<std::pair<size_t, int>> fields) {
  std::vector<BYTE> b(size, 0);
  for (auto [offset, value] : fields) std::memcpy(b.data() + offset, &value, 4);
  return b;
}

class TableSceneTest : public tabletest::VariantTableFixture {
 protected:
  void SetUp() override {
    VariantTableFixture::SetUp();
    m_info.SetOwnChair(0);
    CVariantTableScene::Hooks hooks;
    hooks.sideName = [](int side) { return std::string(side == 3 ? "甲" : "乙"); };
    MakeScene(hooks);
    OpenScene();
  }
};

TEST_F(TableSceneTest, TheBoardFollowsTheTableAndRefusedBodiesLeaveItAlone) {
  const std::vector<uint32_t> empty = Capture("empty-table");
  // Thirteen tiles dealt to each side; the own ones face up along the bottom.
  int ids[13];
  for (int side = 0; side < 4; ++side) {
    for (int i = 0; i < 13; ++i) ids[i] = side * 13 + i;
    m_model.SetHandTiles(side, ids, 13);
  }
  const std::vector<uint32_t> dealt = Capture("dealt-table");
  const int ownY = 768 - 12 - 25;  // the middle of the own hand's row
  EXPECT_NE(At(empty, 512, ownY), At(dealt, 512, ownY));

  // The chair on the right (chair 1) discards tile 20: it shows as the played tile.
  const uint32_t paints = m_scene->Paints();
  const std::vector<BYTE> discard = Body(88, {{4, 1}, {84, 20}});
  ASSERT_TRUE(m_model.OnTileDiscarded(discard.data(), discard.size()));
  const std::vector<uint32_t> played = Capture("played-tile");
  EXPECT_GT(m_scene->Paints(), paints);
  EXPECT_NE(At(dealt, 512 + 60 + 4, 384), At(played, 512 + 60 + 4, 384));

  // A body cut short and a chair that is no seat are refused: the board is not painted again.
  const uint32_t before = m_scene->Paints();
  EXPECT_FALSE(m_model.OnTileDiscarded(discard.data(), 40));
  const std::vector<BYTE> stranger = Body(88, {{4, 9}, {84, 21}});
  EXPECT_FALSE(m_model.OnTileDiscarded(stranger.data(), stranger.size()));
  const std::vector<uint32_t> after = Capture("after-refused");
  EXPECT_EQ(m_scene->Paints(), before);
  EXPECT_EQ(played, after);
}

TEST_F(TableSceneTest, TheStartButtonSendsReadyOnceAndComesBackWhenTheRequestFails) {
  int calls = 0;
  int answer = 0;
  CVariantTableScene::Hooks hooks;
  hooks.start = [&] {
    ++calls;
    return answer;
  };
  m_scene->SetHooks(hooks);
  ASSERT_NE(m_scene->StartButton(), nullptr);
  EXPECT_TRUE(m_scene->StartButton()->IsVisible());
  const LPARAM onButton = MAKELPARAM(512, 384 + 90);
  // A click beside the button does nothing.
  SendMessageA(m_view.Window(), WM_LBUTTONDOWN, 0, MAKELPARAM(100, 100));
  Advance(40);
  EXPECT_EQ(calls, 0);
  // The refused request leaves the button for another try.
  SendMessageA(m_view.Window(), WM_MOUSEMOVE, 0, onButton);
  SendMessageA(m_view.Window(), WM_LBUTTONDOWN, 0, onButton);
  Advance(40);
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(m_scene->StartButton()->IsVisible());
  // The accepted one hides it, and a second click sends nothing more.
  answer = 1;
  SendMessageA(m_view.Window(), WM_LBUTTONDOWN, 0, onButton);
  Advance(40);
  EXPECT_EQ(calls, 2);
  EXPECT_FALSE(m_scene->StartButton()->IsVisible());
  SendMessageA(m_view.Window(), WM_LBUTTONDOWN, 0, onButton);
  Advance(40);
  EXPECT_EQ(calls, 2);
}

// A whole hand of four computer players at the testbed's table, watched from chair 1: every
// notification the table sends the onlooker goes through the notification sink into the model,
// and the board follows each of them without one being refused.
TEST_F(TableSceneTest, AWatchedHandOfTheTestbedTableIsFollowedToItsResult) {
  tabletest::WatchingHost host;
  m_info.SetOwnChair(1);
  m_model.SetLookOn(true);
  CMJGameNotify sink(m_info, m_model, host);
  CVariantTableScene::Hooks hooks;
  hooks.isLookOn = [] { return true; };
  m_scene->SetHooks(hooks);
  testbed::TableConfig config;
  config.seed = 11;
  testbed::MahjongTable table(config);
  testbed::TableRunner runner(table);
  // The onlooker is there before the table fills, so that he sees the hand dealt.
  runner.Take(table.Watch(9100, 1));
  for (int chair = 0; chair < 4; ++chair) runner.Take(table.SeatBot(chair, 9001 + chair));
  ASSERT_EQ(runner.RunUntilHands(1, 100000), 1);
  int fed = 0, refused = 0, dealtAt = -1;
  uint32_t paintsAtDeal = 0;
  for (const testbed::TableMessage& m : runner.Messages()) {
    if (m.toUser != 9100 || m.reply) continue;
    if (!sink.OnNotify(m.code, m.body.data(), m.body.size())) ++refused;
    ++fed;
    Advance(40);
    if (m.code == 211040) {
      dealtAt = fed;
      paintsAtDeal = m_scene->Paints();
      Capture("watched-dealt");
    }
    if (dealtAt > 0 && fed == dealtAt + 12) Capture("watched-mid-hand");
  }
  Capture("watched-result");
  ASSERT_GT(dealtAt, 0) << "no new hand reached the onlooker";
  EXPECT_GT(fed, dealtAt + 12);
  EXPECT_EQ(refused, 0) << (host.logs.empty() ? "" : host.logs.front());
  EXPECT_GT(m_scene->Paints(), paintsAtDeal);
  // The hand is over, but an onlooker gets no start button.
  EXPECT_FALSE(m_scene->StartButton()->IsVisible());
}

TEST(TableSceneLabels, FacesAreNamedBySuitAndValue) {
  const struct {
    int tile;
    const char* label;
  } cases[] = {{0, "1万"}, {8, "9万"}, {36, "1条"}, {80, "9筒"}, {108, "东"}, {114, "白"},
               {136, "花1"}, {151, "花8"}, {200, ""}, {-1, ""}};
  for (const auto& c : cases) EXPECT_EQ(CVariantTableScene::FaceLabel(c.tile), c.label) << c.tile;
}

}  // namespace
