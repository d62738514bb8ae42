#include <gtest/gtest.h>

#include <vector>

#include "engine/ScreenLayer.h"
#include "tests/engine/ScreenFixture.h"

namespace {

ViewInfo View(int w, int h) {
  ViewInfo v{};
  v.width = w;
  v.height = h;
  v.halfWidth = w / 2;
  v.halfHeight = h / 2;
  v.centreX = w / 2;
  v.centreY = h / 2;
  v.sceneWidth = w;
  v.sceneHeight = h;
  return v;
}

struct LayerFixture : ::testing::Test {
  ScreenLayer layer;
  TestImages images;
  void SetUp() override { layer.SetView(View(200, 100)); }
  int32_t Add(TestPicture& p, uint32_t id, int visible = 1) {
    p.handle = layer.AddItem("", id, 0, &p.placement, 1.0, visible, &p.data);
    return p.handle;
  }
};

TEST_F(LayerFixture, HandlesAreNeverReused) {
  TestPicture a(1, 10, 10, 4, 4), b(1, 10, 10, 4, 4);
  EXPECT_EQ(Add(a, 1), 1);
  layer.RemoveItem(a.handle);
  EXPECT_EQ(Add(b, 2), 2);
  EXPECT_EQ(layer.FindItem(1), 0u);
  EXPECT_EQ(layer.FindItem(2), 2u);
}

TEST_F(LayerFixture, DrawOrderByLevelThenId) {
  TestPicture seven(1, 50, 50, 4, 4, 5), three(1, 50, 50, 4, 4, 5), low(1, 50, 50, 4, 4, 4);
  Add(seven, 7);
  Add(three, 3);
  Add(low, 9);
  layer.CollectAllItems();
  std::vector<uint32_t> order;
  for (const LayerItem& item : layer.GetFrameList()) order.push_back(item.entityId);
  EXPECT_EQ(order, (std::vector<uint32_t>{9, 3, 7}));
}

TEST_F(LayerFixture, HitFloorAndLevels) {
  TestPicture zero(1, 50, 50, 20, 20, 0), nine(1, 50, 50, 20, 20, 9), ten(1, 50, 50, 20, 20, 10),
      eleven(1, 50, 50, 20, 20, 11);
  Add(zero, 1);
  layer.SetItemState(zero.handle, 1);
  // Level 0 is never hit without focus (floor 0, compared unsigned).
  EXPECT_EQ(layer.HitTest(50, 50, &images), 0u);
  Add(nine, 2);
  Add(ten, 3);
  Add(eleven, 4);
  for (auto* p : {&nine, &ten, &eleven}) layer.SetItemState(p->handle, 1);
  EXPECT_EQ(layer.HitTest(50, 50, &images), 4u);
  layer.PushFocus(ten.handle);
  EXPECT_EQ(layer.GetHitFloor(), 9);
  layer.SetItemState(eleven.handle, 0);
  EXPECT_EQ(layer.HitTest(50, 50, &images), 3u);
  // Focusing a level-0 item makes the floor -1: nothing on the layer can be hit.
  layer.PushFocus(zero.handle);
  EXPECT_EQ(layer.HitTest(50, 50, &images), 0u);
  // Strict edges: the left edge itself is not a hit.
  layer.PushFocus(0);
  EXPECT_EQ(layer.HitTest(50 - 10, 50, &images), 0u);
  EXPECT_EQ(layer.HitTest(50 - 9, 50, &images), 3u);
}

TEST_F(LayerFixture, EqualLevelsHitTheEarlierItem) {
  TestPicture a(1, 50, 50, 20, 20, 3), b(1, 52, 50, 20, 20, 3);
  Add(a, 8);
  Add(b, 5);
  layer.SetItemState(a.handle, 1);
  layer.SetItemState(b.handle, 1);
  EXPECT_EQ(layer.HitTest(51, 50, &images), 8u);
}

TEST_F(LayerFixture, MergeRuleTable) {
  struct Case {
    RECT a, b;
    std::vector<RECT> expected;
  };
  const Case cases[] = {
      {{0, 0, 10, 10}, {0, 50, 10, 60}, {{0, 0, 10, 60}}},
      {{0, 0, 10, 10}, {5, 5, 20, 20}, {{0, 0, 10, 10}, {5, 5, 20, 20}}},
      {{0, 0, 10, 10}, {2, 2, 8, 8}, {{0, 0, 10, 10}}},
      {{2, 2, 8, 8}, {0, 0, 10, 10}, {{0, 0, 10, 10}}},
      {{0, 0, 10, 10}, {40, 0, 50, 10}, {{0, 0, 50, 10}}},
  };
  for (const Case& c : cases) {
    for (const RECT& r : {c.a, c.b}) {
      EntityPlacement p{};
      p.width = r.right - r.left;
      p.height = r.bottom - r.top;
      p.viewX = r.left + (p.width + 1) / 2;
      p.viewY = r.top + (p.height + 1) / 2;
      layer.AddDirtyPlacement(p);
    }
    std::vector<RECT> rects;
    layer.MergeDirtyRects(rects);
    ASSERT_EQ(rects.size(), c.expected.size());
    for (size_t i = 0; i < rects.size(); ++i) {
      EXPECT_EQ(rects[i].left, c.expected[i].left);
      EXPECT_EQ(rects[i].top, c.expected[i].top);
      EXPECT_EQ(rects[i].right, c.expected[i].right);
      EXPECT_EQ(rects[i].bottom, c.expected[i].bottom);
    }
    EXPECT_FALSE(layer.HasDirty());
  }
}

TEST_F(LayerFixture, HidingDirtiesAndDropsFocus) {
  TestPicture a(1, 50, 50, 10, 10, 2);
  Add(a, 1);
  std::vector<RECT> rects;
  layer.MergeDirtyRects(rects);
  layer.PushFocus(a.handle);
  EXPECT_EQ(layer.GetFocus(), 1u);
  layer.UpdateItem(a.handle, 0, 0, 1.0);
  EXPECT_TRUE(layer.HasDirty());
  EXPECT_EQ(layer.GetDrawListSize(), 0u);
  EXPECT_EQ(layer.GetFocus(), 0u);
}

TEST_F(LayerFixture, RotatedItemFarAwayIsOutOfView) {
  TestPicture a(1, 5000, 5000, 10, 10);
  a.placement.angle = 30.0;
  a.placement.radius = 7;
  a.placement.flags = PLACEMENT_FLAG_IN_VIEW;
  Add(a, 1);
  EXPECT_EQ(a.placement.flags & PLACEMENT_FLAG_IN_VIEW, 0u);
  EXPECT_EQ(layer.GetDrawListSize(), 0u);
}

TEST_F(LayerFixture, ScrollDropsPendingAreasAndMarksItemsInView) {
  TestPicture shown(1, 50, 50, 10, 10), hidden(1, 60, 50, 10, 10), away(1, 900, 50, 10, 10);
  Add(shown, 1);
  Add(hidden, 2, 0);
  Add(away, 3);
  ViewInfo v = View(200, 100);
  v.centreX = 101;
  layer.SetViewCentre(v);
  std::vector<RECT> rects;
  layer.MergeDirtyRects(rects);
  // Both items in view, visible or not, are marked; they share rows and merge into one.
  ASSERT_EQ(rects.size(), 1u);
  EXPECT_EQ(rects[0].left, 44);
  EXPECT_EQ(rects[0].right, 64);
}

TEST_F(LayerFixture, PixelHitStaysInsideThePicture) {
  // A 5 x 3 picture (odd sizes) whose right column and bottom row are opaque, the rest clear;
  // points on the box edges never read outside the frame.
  images.AddSolid(7, 5, 3, 0x00000000u);
  auto& px = images.Pixels(7);
  for (int y = 0; y < 3; ++y) px[static_cast<size_t>(y) * 5 + 4] = 0xff000000u;
  TestPicture p(7, 50, 50, 5, 3, 1);
  p.placement.flags = PLACEMENT_FLAG_PIXEL_HIT;
  Add(p, 1);
  layer.SetItemState(p.handle, 1);
  // Box centre 50: u = x - 50 + 3, so the opaque column u = 4 is x = 51.
  EXPECT_EQ(layer.HitTest(51, 50, &images), 1u);
  EXPECT_EQ(layer.HitTest(50, 50, &images), 0u);
  // x = 52 gives u = 5 = width: inside the strict box test but outside the frame, so no hit.
  EXPECT_EQ(layer.HitTest(52, 50, &images), 0u);
  // A picture that is gone is not hit and not read.
  images.Remove(7);
  EXPECT_EQ(layer.HitTest(51, 50, &images), 0u);
}

TEST_F(LayerFixture, LayerRectToScreenClampsToTheView) {
  RECT r{-20, 10, 300, 40};
  EXPECT_EQ(layer.LayerRectToScreen(&r), 1);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.right, 200);
  RECT far{500, 10, 600, 40};
  EXPECT_EQ(layer.LayerRectToScreen(&far), 0);
}

}  // namespace
