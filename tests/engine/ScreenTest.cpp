// Frame scripts: items are added, moved, hidden and invalidated, frames rendered, and the target
// checked by its pixels, by hashes and by the dirty-rectangle lists.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "engine/Screen.h"
#include "tests/engine/ScreenFixture.h"

namespace {

constexpr int W = 64;
constexpr int H = 48;
constexpr uint32_t RED = 0xffff0000u;
constexpr uint32_t GREEN = 0xff00ff00u;
constexpr uint32_t PATTERN = 0x12345678u;

struct ScreenFixture : ::testing::Test {
  TestImages images;
  TestTarget target{W, H};
  Screen screen{&images};
  void SetUp() override {
    images.AddSolid(1, 8, 8, RED);
    images.AddSolid(2, 6, 4, GREEN);
    screen.Init(target.Dc(), W, H);
    target.Fill(PATTERN);
  }
  std::vector<RECT> Rects() const { return screen.GetDirtyRects(); }
};

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST_F(ScreenFixture, NothingDirtyDrawsNothing) {
  EXPECT_EQ(screen.RenderFrame(10, target.Dc()), -1);
  EXPECT_EQ(target.Pixels(), std::vector<uint32_t>(W * H, PATTERN));
  screen.SetFullInvalidate(1);
  EXPECT_EQ(screen.RenderFrame(20, target.Dc()), -1);
  screen.InvalidateRect(10, 10, 21, 31);
  EXPECT_EQ(screen.TakeDrewFlag(), 1);
  EXPECT_EQ(screen.RenderFrame(30, target.Dc()), 0);
  // Once anything was marked, full-redraw mode draws every frame.
  EXPECT_EQ(screen.RenderFrame(40, target.Dc()), 0);
  EXPECT_EQ(target.At(0, 0), 0xff000000u);
}

TEST_F(ScreenFixture, InvalidatedRectangleIsExact) {
  screen.InvalidateRect(10, 10, 21, 31);
  ASSERT_EQ(screen.RenderFrame(1, target.Dc()), 0);
  ASSERT_EQ(Rects().size(), 1u);
  EXPECT_TRUE(SameRect(Rects()[0], RECT{10, 10, 21, 31}));
  const auto px = target.Pixels();
  int black = 0;
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      const bool inside = x >= 10 && x < 21 && y >= 10 && y < 31;
      EXPECT_EQ(px[y * W + x], inside ? 0xff000000u : PATTERN) << x << "," << y;
      black += inside ? 1 : 0;
    }
  EXPECT_EQ(black, 11 * 21);
}

TEST_F(ScreenFixture, FrameScriptAddMoveHideKeepsUntouchedAreas) {
  TestPicture a(1, 20, 20, 8, 8, 1);
  TestPicture b(2, 40, 30, 6, 4, 2);
  a.Attach(screen, 11, 1);
  b.Attach(screen, 12, 3);
  ASSERT_EQ(screen.RenderFrame(1, target.Dc()), 0);
  // a's box (16, 16, 24, 24) and b's box (37, 28, 43, 32) are the only areas copied.
  ASSERT_EQ(Rects().size(), 2u);
  EXPECT_TRUE(SameRect(Rects()[0], RECT{16, 16, 24, 24}));
  EXPECT_TRUE(SameRect(Rects()[1], RECT{37, 28, 43, 32}));
  EXPECT_EQ(target.At(16, 16), RED);
  EXPECT_EQ(target.At(23, 23), RED);
  EXPECT_EQ(target.At(37, 28), GREEN);
  EXPECT_EQ(target.At(0, 0), PATTERN);
  const uint64_t first = HashPixels(target.Pixels());

  // Moving a in the same rows merges its old and new areas into one rectangle.
  a.MoveTo(screen, 30, 20);
  ASSERT_EQ(screen.RenderFrame(2, target.Dc()), 0);
  ASSERT_EQ(Rects().size(), 1u);
  EXPECT_TRUE(SameRect(Rects()[0], RECT{16, 16, 34, 24}));
  EXPECT_EQ(target.At(16, 16), 0xff000000u);  // background where a was
  EXPECT_EQ(target.At(26, 16), RED);
  EXPECT_EQ(target.At(37, 28), GREEN);        // b untouched
  EXPECT_EQ(target.At(0, 0), PATTERN);        // never dirty, never written

  // Hiding b repaints only b's area.
  screen.UpdateItem(3, b.handle, 0, 0, 1.0);
  ASSERT_EQ(screen.RenderFrame(3, target.Dc()), 0);
  EXPECT_EQ(target.At(37, 28), 0xff000000u);
  EXPECT_EQ(target.At(26, 16), RED);
  EXPECT_EQ(screen.RenderFrame(4, target.Dc()), -1);

  // The same script twice gives the same frames.
  TestImages images2;
  images2.AddSolid(1, 8, 8, RED);
  images2.AddSolid(2, 6, 4, GREEN);
  TestTarget target2(W, H);
  target2.Fill(PATTERN);
  Screen again(&images2);
  again.Init(target2.Dc(), W, H);
  TestPicture a2(1, 20, 20, 8, 8, 1), b2(2, 40, 30, 6, 4, 2);
  a2.Attach(again, 11, 1);
  b2.Attach(again, 12, 3);
  again.RenderFrame(1, target2.Dc());
  EXPECT_EQ(HashPixels(target2.Pixels()), first);
}

TEST_F(ScreenFixture, LevelsDecideOverlapAndLayersStack) {
  TestPicture low(1, 20, 20, 8, 8, 5), high(2, 20, 20, 6, 4, 6), top(1, 20, 20, 2, 2, 0);
  high.Attach(screen, 1, 2);
  low.Attach(screen, 2, 2);
  top.Attach(screen, 3, 4);
  top.state.width = 8;  // drawn scaled to 2 x 2
  top.state.height = 8;
  ASSERT_EQ(screen.RenderFrame(1, target.Dc()), 0);
  EXPECT_EQ(target.At(20, 19), RED);    // layer 4 on top
  EXPECT_EQ(target.At(18, 18), GREEN);  // level 6 over level 5
  EXPECT_EQ(target.At(16, 16), RED);
}

TEST_F(ScreenFixture, MissingPictureDrawsNothing) {
  TestPicture a(1, 20, 20, 8, 8);
  a.Attach(screen, 1, 1);
  images.Remove(1);
  ASSERT_EQ(screen.RenderFrame(1, target.Dc()), 0);
  EXPECT_EQ(target.At(20, 20), 0xff000000u);
}

TEST_F(ScreenFixture, ColorBackgroundAndOddWidth) {
  TestImages none;
  TestTarget odd(801, 3);
  Screen s(&none);
  s.Init(odd.Dc(), 801, 3);
  ViewInfo v;
  s.GetViewInfo(&v);
  EXPECT_EQ(v.centreX, 401);  // w / 2 + 1 for an odd width
  s.SetBackgroundColor(0x00336699u);
  s.InvalidateAll();
  ASSERT_EQ(s.RenderFrame(1, odd.Dc()), 0);
  const auto px = odd.Pixels();
  for (int x = 0; x < 801; ++x) ASSERT_EQ(px[x], 0xff996633u) << x;
}

TEST_F(ScreenFixture, SceneSmallerThanViewClampsTheCentre) {
  screen.SetSceneSize(10, 10);
  screen.SetScroll(500, -500, 0);
  ViewInfo v;
  screen.GetViewInfo(&v);
  EXPECT_EQ(v.centreX, W / 2);
  EXPECT_EQ(v.centreY, H / 2);
}

TEST_F(ScreenFixture, HitTestPrefersLayerFour) {
  TestPicture one(1, 20, 20, 8, 8, 50), four(2, 20, 20, 6, 4, 1);
  one.Attach(screen, 1, 1);
  four.Attach(screen, 4, 4);
  screen.SetItemState(1, one.handle, 1);
  screen.SetItemState(4, four.handle, 1);
  EXPECT_EQ(screen.HitTest(20, 20), 4u);
  EXPECT_EQ(screen.HitTest(17, 17), 1u);
  // Layer 0 items are never hit.
  TestPicture zero(1, 5, 5, 8, 8, 9);
  zero.Attach(screen, 9, 0);
  screen.SetItemState(0, zero.handle, 1);
  EXPECT_EQ(screen.HitTest(5, 5), 0u);
}

TEST_F(ScreenFixture, LayerIndexOutsideTheScreenIsRefused) {
  TestPicture a(1, 20, 20, 8, 8);
  EXPECT_EQ(screen.AddItem(5, "", 1, 0, &a.placement, 1.0, 1, &a.data), 0);
  EXPECT_EQ(screen.AddItem(-1, "", 1, 0, &a.placement, 1.0, 1, &a.data), 0);
  EXPECT_EQ(screen.SetItemState(7, 1, 1), 0);
  EXPECT_EQ(screen.RenderFrame(1, target.Dc()), -1);
}

TEST_F(ScreenFixture, PictureBackgroundAndItsRefusals) {
  images.AddSolid(5, 100, 80, GREEN);
  EXPECT_EQ(screen.SetBackground(5, 101, 0, 10, 10, 0), 0);
  EXPECT_EQ(screen.SetBackground(99, 0, 0, 10, 10, 0), 0);  // no such picture
  EXPECT_EQ(screen.SetBackground(5, -10, -10, W + 10, H + 10, BG_FLAG_BUFFERED), 999999);
  ASSERT_EQ(screen.RenderFrame(1, target.Dc()), 0);
  EXPECT_EQ(target.At(0, 0), GREEN);
  EXPECT_EQ(target.At(W - 1, H - 1), GREEN);
}

// Background mode 1 takes what the window shows as the background of each frame: items are drawn
// over the window's own pixels, which the back buffer gets with alpha as the window had it.
TEST_F(ScreenFixture, WindowBackgroundKeepsTheWindowsPixels) {
  EXPECT_EQ(screen.SetBackgroundMode(BG_MODE_WINDOW), 999999);
  TestPicture a(1, 20, 20, 8, 8);
  a.Attach(screen, 1, 1);
  screen.InvalidateAll();
  ASSERT_EQ(screen.RenderFrame(1, target.Dc()), 0);
  EXPECT_EQ(target.At(0, 0), PATTERN);
  EXPECT_EQ(target.At(W - 1, H - 1), PATTERN);
  EXPECT_EQ(target.At(16, 16), RED);
  EXPECT_EQ(target.At(23, 23), RED);
  EXPECT_EQ(target.At(24, 24), PATTERN);
  // The next frame starts from what the window shows by then, here repainted green by someone
  // else, and the moved picture is drawn over it.
  target.Fill(GREEN);
  a.MoveTo(screen, 40, 30);
  screen.InvalidateAll();
  ASSERT_EQ(screen.RenderFrame(2, target.Dc()), 0);
  EXPECT_EQ(target.At(20, 20), GREEN);
  EXPECT_EQ(target.At(40, 30), RED);
  EXPECT_EQ(target.At(0, 0), GREEN);
}

TEST_F(ScreenFixture, TileModeNeverReadsEmptySlots) {
  // A picture smaller than the view in tile mode: the 1 x 1 grid shows it once and every other
  // tile position (slots that hold nothing) stays clear.
  images.AddSolid(6, 16, 16, RED);
  ASSERT_EQ(screen.SetBackground(6, 0, 0, 16, 16, 0), 999999);
  screen.SetBackgroundMode(3);
  screen.InvalidateAll();
  ASSERT_EQ(screen.RenderFrame(1, target.Dc()), 0);
  EXPECT_EQ(target.At(0, 0), RED);
  EXPECT_EQ(target.At(15, 15), RED);
  EXPECT_EQ(target.At(16, 0), 0u);
  EXPECT_EQ(target.At(0, 40), 0u);
  // A background of zero width cannot divide the view into tiles: it shows nothing.
  ASSERT_EQ(screen.SetBackground(6, 16, 0, 16, 16, 0), 999999);
  screen.SetBackgroundMode(3);
  screen.InvalidateAll();
  EXPECT_EQ(screen.RenderFrame(2, target.Dc()), 0);
}

TEST(ScreenDepth, Rgb565Conversions) {
  EXPECT_EQ(Screen::PackRgb565(0xff102030u), 0x1106);
  EXPECT_EQ(Screen::UnpackRgb565(0x1106), 0x00102030u);
  EXPECT_EQ(Screen::UnpackRgb565(0xffff), 0x00f8fcf8u);
}

TEST_F(ScreenFixture, FillSolidCoversTheBox) {
  std::vector<uint32_t> px(100 * 100, 0);
  PixelSurface s;
  s.pixels = px.data();
  s.width = 100;
  s.height = 100;
  EntityPlacement p{};
  p.viewX = 50;
  p.viewY = 50;
  p.width = 11;
  p.height = 11;
  Screen::FillSolid(s, p, 0x000000ffu);
  for (int i = 0; i < 100; ++i) {
    const bool inside = i >= 44 && i <= 54;
    EXPECT_EQ(px[50 * 100 + i] != 0, inside) << i;
    EXPECT_EQ(px[i * 100 + 50] != 0, inside) << i;
  }
  EXPECT_EQ(px[50 * 100 + 50], 0xffff0000u);
}

TEST_F(ScreenFixture, MirrorShowsItsTargetAtItsOwnPlace) {
  TestPicture a(1, 10, 10, 8, 8);
  a.Attach(screen, 1, 1);
  BoundPictureState mirror{a.handle, 1};
  TestPicture m(0, 40, 30, 8, 8);
  m.data.kind = ENTITY_KIND_BOUNDPICTURE;
  m.data.state = &mirror;
  m.Attach(screen, 2, 2);
  ASSERT_EQ(screen.RenderFrame(1, target.Dc()), 0);
  EXPECT_EQ(target.At(40, 30), RED);
  // Once the target has left its layer the mirror draws nothing.
  screen.RemoveItem(1, a.handle);
  screen.InvalidateAll();
  ASSERT_EQ(screen.RenderFrame(2, target.Dc()), 0);
  EXPECT_EQ(target.At(40, 30), 0xff000000u);
}

TEST_F(ScreenFixture, PlaneAndKindsThatDrawNothing) {
  std::vector<uint32_t> planePixels(4 * 4, 0xff0000ffu);
  PlaneData plane{4, 4, planePixels.data(), 64, 0, DEFAULT_KEY_COLOR, DEFAULT_KEY_COLOR};
  TestPicture p(0, 10, 10, 4, 4);
  p.data.kind = ENTITY_KIND_PLANE;
  p.data.state = &plane;
  p.Attach(screen, 1, 1);
  TestPicture list(0, 30, 30, 4, 4);
  list.data.kind = ENTITY_KIND_ITEMLIST;
  list.Attach(screen, 2, 1);
  ASSERT_EQ(screen.RenderFrame(1, target.Dc()), 0);
  // An opaque plane over the opaque background loses one step (255 becomes 254).
  EXPECT_EQ(target.At(10, 10), 0xff0000feu);
  EXPECT_EQ(target.At(30, 30), 0xff000000u);
}

TEST_F(ScreenFixture, ParticlesAndDotsAreDrawnAtTheirOwnPositions) {
  std::vector<uint32_t> sprite(4, 0xff0000ffu);
  Particle p{1, 1, 20, 20, 0.0, 1.0, 10, 0, 0, nullptr};
  ParticleEmitterState emitter{2, 2, 1, sprite.data(), &p, &p, 1, 0};
  TestPicture e(0, 50, 40, 2, 2);  // the emitter's own place does not move its particles
  e.data.kind = ENTITY_KIND_PARTICLE;
  e.data.state = &emitter;
  e.Attach(screen, 1, 1);
  DotPoint dot{5, 6, 0x11, 0x22, 0x33, 255, nullptr};
  DotSetState dots{&dot};
  TestPicture g(0, 5, 6, 1, 1);
  g.data.kind = ENTITY_KIND_GROUP;
  g.data.state = &dots;
  g.Attach(screen, 2, 1);
  screen.InvalidateAll();
  ASSERT_EQ(screen.RenderFrame(1, target.Dc()), 0);
  // Centred on origin + offset = (21, 21): the 2 x 2 picture covers 20..21.
  EXPECT_EQ(target.At(20, 20), 0xff0000ffu);
  EXPECT_EQ(target.At(21, 21), 0xff0000ffu);
  EXPECT_EQ(target.At(22, 22), 0xff000000u);
  EXPECT_EQ(target.At(50, 40), 0xff000000u);
  EXPECT_EQ(target.At(5, 6), 0xff332211u);
}

TEST_F(ScreenFixture, RandomFrameScriptsMatchAFullRedraw) {
  // Random scripts of add, move, hide, show and invalidate on layers 1 to 4: after every frame
  // the persistent target must equal what a full redraw of the same scene shows.
  const uint32_t seed = 4242;
  std::printf("screen script seed %u\n", seed);
  std::srand(seed);
  screen.InvalidateAll();
  screen.RenderFrame(0, target.Dc());
  std::vector<std::unique_ptr<TestPicture>> items;
  for (int step = 0; step < 60; ++step) {
    const int action = std::rand() % 5;
    if (action == 0 || items.empty()) {
      auto p = std::make_unique<TestPicture>(1 + std::rand() % 2, std::rand() % W, std::rand() % H,
                                             8, 8, std::rand() % 4);
      if (p->state.resourceId == 2) {
        p->placement.width = p->state.width = 6;
        p->placement.height = p->state.height = 4;
      }
      p->Attach(screen, static_cast<uint32_t>(items.size() + 1), 1 + std::rand() % 4);
      items.push_back(std::move(p));
    } else if (action == 1 || action == 2) {
      TestPicture& p = *items[std::rand() % items.size()];
      p.MoveTo(screen, std::rand() % W, std::rand() % H);
    } else if (action == 3) {
      TestPicture& p = *items[std::rand() % items.size()];
      screen.UpdateItem(p.layer, p.handle, std::rand() % 2, 0, 1.0);
    } else {
      screen.InvalidateRect(std::rand() % W, std::rand() % H, std::rand() % W + 8,
                            std::rand() % H + 8);
    }
    screen.RenderFrame(static_cast<uint32_t>(step), target.Dc());
    const auto incremental = target.Pixels();
    screen.SetFullInvalidate(1);
    screen.InvalidateAll();
    TestTarget full(W, H);
    screen.RenderFrame(static_cast<uint32_t>(step), full.Dc());
    screen.SetFullInvalidate(0);
    screen.RenderFrame(static_cast<uint32_t>(step), target.Dc());
    ASSERT_EQ(HashPixels(incremental), HashPixels(full.Pixels())) << "step " << step;
  }
}

}  // namespace
