// The entity kinds over real picture resources: picture frames and their durations, frame
// playback, strips that own their tables, particle emitters, item lists, and the control base.
#include <gtest/gtest.h>

#include "engine/ApplyCallbacks.h"
#include "engine/Control.h"
#include "engine/ParticleEntity.h"
#include "engine/PlaneEntity.h"
#include "engine/Screen.h"
#include "engine/StripEntity.h"
#include "tests/engine/EngineCoreFixture.h"
#include "engine/GameHost.h"
#include "tools/PpsWriter.h"

namespace enginetest {
namespace {

class EntityKindsTest : public EngineCoreTest {
 protected:
  // A 4 x 4 32-bit .pps of one frame per duration (0: no durations table).
  DWORD Pps(const std::string& name, const std::vector<DWORD>& durations) {
    PpsWriter writer(6, 4, 4, IMGFLAG_ALPHA);
    std::vector<BYTE> pixels(4 * 4 * 4);
    for (size_t f = 0; f < durations.size(); ++f) {
      for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<BYTE>(i % 4 == 3 ? 255 : f * 40);
      writer.AddFrame(pixels.data(), durations[f]);
    }
    const std::string path = Put(name + ".pps", writer.Write());
    return Manager()->RegisterFile(path.c_str(), name.c_str(), ".imge", 1, 0);
  }
  Entity* Picture(DWORD id) {
    Entity* e = scene->CreatePicture(1, 20, 20, id, 0, 0, 0, 0, "", DEFAULT_KEY_COLOR);
    scene->ShowEntity(e, 1);
    return e;
  }
};

TEST_F(EntityKindsTest, PictureFramesAndDurations) {
  Entity* p = Picture(Pps("three", {100, 300, 50}));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->GetWidth(), 4);
  EXPECT_EQ(p->IsVisible(), 1);
  EXPECT_EQ(PictureEntity::GetFrameCount(p), 3u);
  EXPECT_EQ(PictureEntity::SetFrame(p, 7), 300u);
  EXPECT_EQ(PictureEntity::GetCurrentFrame(p), 1u);
  EXPECT_EQ(PictureEntity::GetState(p)->sourceY, 4);
  PictureEntity::SetFrame(p, 65537);
  EXPECT_EQ(PictureEntity::GetCurrentFrame(p), 1u);
  PictureEntity::SetFrame(p, 2);
  PictureEntity::NextFrame(p);
  EXPECT_EQ(PictureEntity::GetCurrentFrame(p), 0u);
  EXPECT_EQ(PictureEntity::GetTotalDuration(p), 450u);
  EXPECT_EQ(PictureEntity::GetDurationRange(p, 0, 2), 400u);
  // Weighted by durations: 150 falls in frame 1, 450 - 450 = 0 in frame 0.
  EXPECT_EQ(PictureEntity::SetRandomFrame(p, 150), 300u);
  EXPECT_EQ(PictureEntity::GetCurrentFrame(p), 1u);
  PictureEntity::SetRandomFrame(p, 460);
  EXPECT_EQ(PictureEntity::GetCurrentFrame(p), 0u);

  Entity* still = Picture(Pps("still", {0, 0}));
  EXPECT_EQ(PictureEntity::GetFrameDuration(still, 1), 100u);
  EXPECT_EQ(PictureEntity::SetFrame(still, 1), 0u);
}

TEST_F(EntityKindsTest, PictureWhoseImageWasForgottenCountsAsEmpty) {
  const DWORD id = Pps("gone", {100, 100});
  Entity* p = Picture(id);
  Tick(40);
  Manager()->Forget(id);
  EXPECT_EQ(PictureEntity::GetFrameCount(p), 0u);
  EXPECT_EQ(PictureEntity::SetFrame(p, 1), 0u);
  EXPECT_EQ(PictureEntity::NextFrame(p), 0u);
  p->MoveBy(5, 0)->Refresh();
  Tick(40);
  EXPECT_EQ(BackAt(25, 20), 0xff000000u);
}

TEST_F(EntityKindsTest, FramePlaybackModes) {
  Entity* p = Picture(Pps("anim", {200, 200}));
  const uint32_t id = scene->PlayAnimation(p, 0, 2, 0, 0, 0, nullptr, 0);
  ASSERT_NE(id, 0u);
  scene->GetWorldRef().RunApplies();
  EXPECT_EQ(scene->GetWorldRef().GetActiveApplies().back().params.valueA, 1600u);
  // Mode 3 shows the frame asked for and ends at its first step.
  Entity* q = Picture(Pps("pick", {100, 100, 100}));
  scene->PlayAnimation(q, 3, 2, 0, 0, 0, nullptr, 0);
  Run(200);
  EXPECT_EQ(PictureEntity::GetCurrentFrame(q), 2u);
  // Mode 1 steps a number of frames.
  Entity* r = Picture(Pps("steps", {50, 50, 50, 50}));
  scene->PlayAnimation(r, 1, 2, 0, 0, 0, nullptr, 0);
  Run(400);
  EXPECT_EQ(PictureEntity::GetCurrentFrame(r), 2u);
}

TEST_F(EntityKindsTest, StripOwningItsTableFreesItWithTheEntity) {
  const DWORD id = Pps("strip", {0});
  const DWORD before = Manager()->GetMemResBytes();
  auto* table = static_cast<StripTable*>(Manager()->NewMemRes(sizeof(StripTable), nullptr));
  table->InitUniform(3, static_cast<int32_t>(id), 2, 4, 100);
  Entity* s = scene->CreateStripAnimation(1, 30, 30, table, "");
  EXPECT_EQ(s->GetWidth(), 2);
  EXPECT_EQ(table->totalDuration, 300u);
  StripEntity::Play(s);
  EXPECT_EQ(StripEntity::IsPlaying(s), 1);
  EXPECT_EQ(StripEntity::Advance(s, 5000), 1);
  EXPECT_EQ(StripEntity::Advance(s, 5150), 1);
  EXPECT_EQ(StripEntity::GetState(s)->stepIndex, 1u);
  scene->GetWorldRef().DestroyEntityById(static_cast<uint32_t>(s->GetId()));
  EXPECT_EQ(Manager()->GetMemResBytes(), before);
}

TEST_F(EntityKindsTest, ParticlesReleaseByIntervalAndFadeOut) {
  const DWORD id = Pps("spark", {0});
  Entity* e = scene->CreateParticleEmitter(1, 40, 30, id, 2, 0, 10, 3, 0, nullptr, nullptr, "");
  ASSERT_NE(e, nullptr);
  // The rectangle reaching past the picture's right edge is cut to it.
  EXPECT_EQ(ParticleEntity::GetEmitter(e)->state.width, 2);
  ParticleEntity::SetEmission(e, 5, 100, nullptr);
  ParticleEmitter* m = ParticleEntity::GetEmitter(e);
  m->lastEmission = 1000;
  ParticleEntity::Step(e, 1100);
  EXPECT_EQ(m->state.liveCount, 0u);
  ParticleEntity::Step(e, 1101);
  EXPECT_EQ(m->state.liveCount, 1u);
  ParticleEntity::Step(e, 1451);
  EXPECT_EQ(m->state.liveCount, 4u);
  EXPECT_EQ(m->leftToEmit, 1u);
  // A default particle fades from 1.0 to 0.01 and is removed at its 100th update.
  Particle* p = DefaultParticleCreate(nullptr);
  for (int i = 0; i < 99; ++i) ASSERT_EQ(DefaultParticleUpdate(p, nullptr), 1);
  EXPECT_DOUBLE_EQ(p->alpha, 0.02);
  EXPECT_EQ(DefaultParticleUpdate(p, nullptr), 0);
  EXPECT_DOUBLE_EQ(p->alpha, 0.01);
  delete p;
  // A random maker given a block without life makes particles of one step instead of dividing
  // by zero.
  ParticleParams dead{4, 4, 0, 0, 0};
  Particle* q = ParticleCreateRandom(&dead);
  EXPECT_EQ(q->life, 1u);
  delete q;
  // Emitting under a task ends when nothing is left and nothing lives.
  ParticleEntity::SetEmission(e, 3, 30, new ParticleParams{});
  EXPECT_NE(scene->StartParticles(e, 0, 830, nullptr, 0), 0u);
  Run(6000, 30);
  EXPECT_EQ(scene->commands, (std::vector<uint32_t>{830}));
  EXPECT_EQ(m->running, 0);
  EXPECT_EQ(scene->CreateParticleEmitter(1, 0, 0, 999999, 0, 0, 4, 4, 0, nullptr, nullptr, ""),
            nullptr);
}

std::vector<int> g_released;
void ReleaseItem(void* data) { g_released.push_back(*static_cast<int*>(data)); }

TEST_F(EntityKindsTest, ItemListReleasesItemsInOrder) {
  int one = 1;
  int two = 2;
  Entity* e = scene->GetWorldRef().CreateEntity(ENTITY_KIND_ITEMLIST, "", 0, 0, 0, 0, 0, 1, 0, 1);
  ListItem items[] = {{0, &one, 0, ReleaseItem}, {0, &two, 0, ReleaseItem}};
  ItemListEntity::SetItems(e, items, 2, 0);
  g_released.clear();
  scene->GetWorldRef().DestroyEntityById(static_cast<uint32_t>(e->GetId()));
  EXPECT_EQ(g_released, (std::vector<int>{1, 2}));
}

TEST_F(EntityKindsTest, ControlBaseAsksForAHoverRefreshOnlyWhenNeeded) {
  auto* unbound = new Control();
  scene->GetWorldRef().RegisterControlObject(unbound);
  unbound->MoveTo(5, 5);
  EXPECT_EQ(scene->GetWorldRef().GetEventCount(), 0u);

  auto* c = new Control();
  scene->GetWorldRef().RegisterControlObject(c);
  Entity* e = Plane(2, 20, 20, 10, 10, 0xff);
  c->Bind(e);
  c->BindOwnEvent(8, 0, nullptr);
  ASSERT_NE(c->GetControlRecord()->GetBinding(8), nullptr);
  EXPECT_EQ(c->GetControlRecord()->GetBinding(8)->code, 8u);
  c->BindOwnEvent(30, 5, nullptr);
  scene->OnMouseMove(0, 20, 20);
  auto queued = [&] { return scene->GetWorldRef().GetEventCount(); };
  c->SetAlpha(0.5);
  c->SetClipRect(RECT{0, 0, 50, 50});
  EXPECT_EQ(queued(), 0u);
  c->Hide();
  EXPECT_EQ(queued(), 1u);
  scene->PumpEvents();
  EXPECT_EQ(scene->GetInputState()->hoverEntityId, 0u);
  c->Show();
  EXPECT_EQ(queued(), 1u);
  scene->PumpEvents();
  // Moved out from under a resting mouse, and a rotated entity tested in its own frame.
  c->MoveTo(60, 20);
  EXPECT_EQ(queued(), 1u);
  scene->PumpEvents();
  c->MoveTo(20, 20);
  scene->PumpEvents();
  scene->GetInputState()->x = 26;
  scene->GetInputState()->y = 20;
  EXPECT_EQ(PointInEntity(e, 26, 20), 0);
  e->SetAngle(45);
  EXPECT_EQ(PointInEntity(e, 26, 20), 1);
}

}  // namespace
}  // namespace enginetest

namespace enginetest {
namespace {

std::vector<std::string> g_chat;
int Chat(const char* text) {
  g_chat.push_back(text);
  return 1;
}

TEST_F(EntityKindsTest, FacadeResourcesAndDebugCommands) {
  std::vector<DWORD> rgb(64 * 48, 0x00ff00);
  rgb[0] = 0xff00ff;
  const DWORD id =
      Manager()->RegisterFile(Put("big.bmp", MakeBmp24(64, 48, rgb)).c_str(), nullptr, ".imge", 1, 0);
  Entity* p = scene->CreatePicture(1, 50, 40, id, 0, 0, 0, 0, "", DEFAULT_KEY_COLOR);
  EXPECT_EQ(p->GetWidth(), 64);
  EXPECT_EQ(p->GetHeight(), 48);
  EXPECT_EQ(p->IsVisible(), 0);
  const DWORD frames = Pps("four", {10, 10, 10, 10});
  ResourceFrame f;
  GameBase::GetResourceFrame(&f, frames, 7);
  EXPECT_EQ(f.sourceY, 12);
  GameBase::GetResourceFrame(&f, 999999, 0);
  EXPECT_EQ(f.resourceId, 0u);
  // A key colour keys the picture; the default key colour leaves it as it is.
  const DWORD plain = scene->LoadImageResource(Put("k1.bmp", MakeBmp24(2, 1, {0x123456, 1})).c_str(),
                                               1, "k1", DEFAULT_KEY_COLOR, 0);
  EXPECT_EQ(Manager()->GetImage(plain)->flags & IMGFLAG_TRANSPARENT, 0);
  const DWORD keyed = scene->LoadImageResource(Put("k2.bmp", MakeBmp24(2, 1, {0x0000ff, 1})).c_str(),
                                               1, "k2", 0xff0000, 0);
  const ImageRecord* k = Manager()->GetImage(keyed);
  ASSERT_NE(k, nullptr);
  EXPECT_NE(k->flags & IMGFLAG_TRANSPARENT, 0);
  EXPECT_EQ(k->pixels[3], 0);
  EXPECT_EQ(k->pixels[7], 255);
  // A resource folder whose path does not fit is refused.
  EXPECT_EQ(scene->SetResourceFolder(std::string(300, 'a').c_str()), 0);

  // 'R' writes the pointer and the hovered control into the chat pane; 'S' drags to the pointer.
  GameHostServices services;
  services.addChatText = Chat;
  SetGameHostServices(services);
  g_chat.clear();
  Entity* e = Plane(2, 20, 20, 10, 10, 0xff);
  ControlRecord* c = scene->AcquireControl(static_cast<uint32_t>(e->GetId()), 0x90);
  scene->BindControlEvent(c, CTRL_EVENT_MOVE, 82);
  scene->OnMouseMove(0, 21, 22);
  scene->PumpEvents();
  ASSERT_EQ(g_chat.size(), 2u);
  EXPECT_EQ(g_chat[0], "MousePoint:(21,22)\r\n");
  EXPECT_EQ(g_chat[1], "GetObject:" + std::to_string(c->key) + "\r\n");
  scene->BindControlEvent(c, CTRL_EVENT_MOVE, 83);
  scene->OnMouseMove(0, 23, 24);
  scene->PumpEvents();
  EXPECT_EQ(e->GetX(), 23);
  EXPECT_EQ(e->GetY(), 24);
  SetGameHostServices(GameHostServices{});
}

}  // namespace
}  // namespace enginetest
