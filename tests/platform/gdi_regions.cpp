// Regions: combination kinds, containment with right/bottom exclusion, polygon fill rules,
// offsets, boxes, equality, and the region fills.
#include <gtest/gtest.h>

#include "platform/base/RectUtil.h"
#include "platform/gdi/Gdi.h"
#include "tests/platform/GdiTestCanvas.h"

using gditest::Canvas;

namespace {

struct RgnDeleter {
  void operator()(HRGN__* r) const { DeleteObject(r); }
};
using Rgn = std::unique_ptr<HRGN__, RgnDeleter>;
Rgn MakeRect(int l, int t, int r, int b) { return Rgn(CreateRectRgn(l, t, r, b)); }

TEST(GdiRegion, RectangleHoldsLeftTopButNotRightBottom) {
  Rgn r = MakeRect(2, 3, 6, 8);
  EXPECT_TRUE(PtInRegion(r.get(), 2, 3));
  EXPECT_TRUE(PtInRegion(r.get(), 5, 7));
  EXPECT_FALSE(PtInRegion(r.get(), 6, 7));
  EXPECT_FALSE(PtInRegion(r.get(), 5, 8));
  EXPECT_FALSE(PtInRegion(r.get(), 1, 3));
  RECT box;
  EXPECT_EQ(GetRgnBox(r.get(), &box), SIMPLEREGION);
  EXPECT_EQ(box.left, 2);
  EXPECT_EQ(box.bottom, 8);
  // Reversed corners make the same region; an empty rectangle makes an empty one.
  Rgn rev = MakeRect(6, 8, 2, 3);
  EXPECT_TRUE(EqualRgn(r.get(), rev.get()));
  Rgn empty = MakeRect(4, 4, 4, 9);
  EXPECT_EQ(GetRgnBox(empty.get(), &box), NULLREGION);
  EXPECT_EQ(box.right, 0);
}

TEST(GdiRegion, CombineModesAndResultKinds) {
  struct Case {
    int mode;
    RECT a, b;
    int kind;
    RECT box;
  };
  const Case cases[] = {
      {RGN_AND, {0, 0, 10, 10}, {5, 5, 15, 15}, SIMPLEREGION, {5, 5, 10, 10}},
      {RGN_AND, {0, 0, 10, 10}, {10, 0, 20, 10}, NULLREGION, {0, 0, 0, 0}},
      {RGN_OR, {0, 0, 10, 10}, {5, 5, 15, 15}, COMPLEXREGION, {0, 0, 15, 15}},
      {RGN_OR, {0, 0, 10, 10}, {10, 0, 20, 10}, SIMPLEREGION, {0, 0, 20, 10}},
      {RGN_OR, {0, 0, 10, 5}, {0, 5, 10, 10}, SIMPLEREGION, {0, 0, 10, 10}},
      {RGN_DIFF, {0, 0, 10, 10}, {0, 0, 5, 10}, SIMPLEREGION, {5, 0, 10, 10}},
      {RGN_DIFF, {0, 0, 10, 10}, {3, 3, 6, 6}, COMPLEXREGION, {0, 0, 10, 10}},
      {RGN_DIFF, {0, 0, 10, 10}, {-5, -5, 20, 20}, NULLREGION, {0, 0, 0, 0}},
      {RGN_XOR, {0, 0, 10, 10}, {0, 0, 10, 10}, NULLREGION, {0, 0, 0, 0}},
      {RGN_XOR, {0, 0, 10, 10}, {5, 0, 15, 10}, COMPLEXREGION, {0, 0, 15, 10}},
      {RGN_COPY, {1, 2, 3, 4}, {0, 0, 0, 0}, SIMPLEREGION, {1, 2, 3, 4}},
  };
  for (const Case& c : cases) {
    Rgn a = MakeRect(c.a.left, c.a.top, c.a.right, c.a.bottom);
    Rgn b = MakeRect(c.b.left, c.b.top, c.b.right, c.b.bottom);
    Rgn d = MakeRect(0, 0, 0, 0);
    EXPECT_EQ(CombineRgn(d.get(), a.get(), b.get(), c.mode), c.kind) << "mode " << c.mode;
    RECT box;
    GetRgnBox(d.get(), &box);
    EXPECT_TRUE(EqualRect(&box, &c.box)) << "mode " << c.mode << " box " << box.left << ","
                                         << box.top << "," << box.right << "," << box.bottom;
  }
  // XOR leaves the overlap out; DIFF with a hole keeps the frame around it.
  Rgn a = MakeRect(0, 0, 10, 10), b = MakeRect(5, 0, 15, 10), d = MakeRect(0, 0, 0, 0);
  CombineRgn(d.get(), a.get(), b.get(), RGN_XOR);
  EXPECT_TRUE(PtInRegion(d.get(), 4, 5));
  EXPECT_FALSE(PtInRegion(d.get(), 7, 5));
  EXPECT_TRUE(PtInRegion(d.get(), 12, 5));
  // A destination may be one of the sources.
  EXPECT_EQ(CombineRgn(a.get(), a.get(), b.get(), RGN_AND), SIMPLEREGION);
  EXPECT_EQ(CombineRgn(a.get(), a.get(), nullptr, RGN_AND), ERROR);
  EXPECT_EQ(CombineRgn(a.get(), a.get(), b.get(), 9), ERROR);
}

TEST(GdiRegion, PolygonFillRules) {
  // A five-pointed star drawn in one stroke: its centre pentagon is inside with WINDING and
  // outside with ALTERNATE; a point of the star is inside with both.
  POINT star[5] = {{50, 0}, {79, 90}, {2, 34}, {98, 34}, {21, 90}};
  Rgn winding(CreatePolygonRgn(star, 5, WINDING));
  Rgn alternate(CreatePolygonRgn(star, 5, ALTERNATE));
  EXPECT_TRUE(PtInRegion(winding.get(), 50, 50));
  EXPECT_FALSE(PtInRegion(alternate.get(), 50, 50));
  EXPECT_TRUE(PtInRegion(winding.get(), 50, 10));
  EXPECT_TRUE(PtInRegion(alternate.get(), 50, 10));
  EXPECT_FALSE(PtInRegion(winding.get(), 5, 80));
  // A polygon traced along a rectangle is that rectangle: left/top in, right/bottom out.
  POINT square[4] = {{10, 10}, {20, 10}, {20, 20}, {10, 20}};
  Rgn sq(CreatePolygonRgn(square, 4, ALTERNATE));
  Rgn rc = MakeRect(10, 10, 20, 20);
  EXPECT_TRUE(EqualRgn(sq.get(), rc.get()));
  // Too few points or an unknown mode fail.
  EXPECT_EQ(CreatePolygonRgn(square, 1, WINDING), nullptr);
  EXPECT_EQ(CreatePolygonRgn(square, 4, 7), nullptr);
  // A degenerate (flat) polygon is an empty region, as a hidden tab shape is.
  POINT flat[3] = {{0, 5}, {10, 5}, {20, 5}};
  Rgn f(CreatePolygonRgn(flat, 3, WINDING));
  RECT box;
  EXPECT_EQ(GetRgnBox(f.get(), &box), NULLREGION);
}

TEST(GdiRegion, TrapezoidHitTestLikeTabShapes) {
  // A tab outline of the strip (six points, winding): the slanted sides exclude the corners.
  POINT tab[6] = {{0, 0}, {7, 15}, {33, 15}, {41, 1}, {40, 0}, {0, 0}};
  Rgn r(CreatePolygonRgn(tab, 6, WINDING));
  EXPECT_TRUE(PtInRegion(r.get(), 20, 7));
  EXPECT_FALSE(PtInRegion(r.get(), 1, 14));
  EXPECT_FALSE(PtInRegion(r.get(), 39, 14));
  EXPECT_FALSE(PtInRegion(r.get(), 20, 15));
  RECT inside{15, 5, 16, 6}, outside{0, 13, 2, 15};
  EXPECT_TRUE(RectInRegion(r.get(), &inside));
  EXPECT_FALSE(RectInRegion(r.get(), &outside));
}

TEST(GdiRegion, OffsetEqualEllipse) {
  Rgn a = MakeRect(0, 0, 4, 4);
  EXPECT_EQ(OffsetRgn(a.get(), 10, -2), SIMPLEREGION);
  Rgn b = MakeRect(10, -2, 14, 2);
  EXPECT_TRUE(EqualRgn(a.get(), b.get()));
  Rgn e(CreateEllipticRgn(0, 0, 10, 6));
  RECT box;
  EXPECT_EQ(GetRgnBox(e.get(), &box), COMPLEXREGION);
  RECT want{0, 0, 10, 6};
  EXPECT_TRUE(EqualRect(&box, &want));
  // The ellipse is symmetric and leaves its bounding box's corners out.
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 10; ++x) {
      EXPECT_EQ(PtInRegion(e.get(), x, y), PtInRegion(e.get(), 9 - x, y)) << x << "," << y;
      EXPECT_EQ(PtInRegion(e.get(), x, y), PtInRegion(e.get(), x, 5 - y)) << x << "," << y;
    }
  }
  EXPECT_FALSE(PtInRegion(e.get(), 0, 0));
  EXPECT_TRUE(PtInRegion(e.get(), 5, 3));
}

TEST(GdiRegion, FillFramePaintAndTheirRendering) {
  Canvas c(40, 30);
  Rgn a = MakeRect(2, 2, 18, 14), b = MakeRect(10, 8, 30, 26), u = MakeRect(0, 0, 0, 0);
  CombineRgn(u.get(), a.get(), b.get(), RGN_OR);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
  EXPECT_TRUE(FillRgn(c.Dc(), u.get(), red));
  EXPECT_EQ(c.At(2, 2), RGB(255, 0, 0));
  EXPECT_EQ(c.At(29, 25), RGB(255, 0, 0));
  EXPECT_EQ(c.At(30, 25), RGB(255, 255, 255));
  EXPECT_EQ(c.At(5, 20), RGB(255, 255, 255));
  EXPECT_TRUE(FrameRgn(c.Dc(), u.get(), blue, 1, 1));
  // The frame follows the union's outline, including its inner corner.
  EXPECT_EQ(c.At(2, 2), RGB(0, 0, 255));
  EXPECT_EQ(c.At(3, 3), RGB(255, 0, 0));
  EXPECT_EQ(c.At(17, 3), RGB(0, 0, 255));
  EXPECT_EQ(c.At(17, 8), RGB(255, 0, 0));
  EXPECT_EQ(c.At(11, 13), RGB(255, 0, 0));
  EXPECT_EQ(c.At(10, 14), RGB(0, 0, 255));
  // PaintRgn uses the selected brush; the window origin moves the region like any shape.
  HGDIOBJ old = SelectObject(c.Dc(), GetStockObject(BLACK_BRUSH));
  Rgn small = MakeRect(0, 0, 3, 3);
  SetWindowOrgEx(c.Dc(), -34, -24, nullptr);
  EXPECT_TRUE(PaintRgn(c.Dc(), small.get()));
  SetWindowOrgEx(c.Dc(), 0, 0, nullptr);
  EXPECT_EQ(c.At(34, 24), RGB(0, 0, 0));
  EXPECT_EQ(c.At(36, 26), RGB(0, 0, 0));
  EXPECT_EQ(c.At(37, 27), RGB(255, 255, 255));
  SelectObject(c.Dc(), old);
  DeleteObject(red);
  DeleteObject(blue);
  c.Dump("regions");
  EXPECT_EQ(c.Hash(), "6980eb2282d869c8") << "rendering changed; see the PNG dump";
}

TEST(GdiRegion, WildCoordinatesAreBounded) {
  // Shapes far beyond any surface neither hang nor exhaust memory.
  POINT far[3] = {{0, -2000000000}, {10, 2000000000}, {-10, 2000000000}};
  Rgn tall(CreatePolygonRgn(far, 3, WINDING));
  ASSERT_TRUE(tall);
  EXPECT_TRUE(PtInRegion(tall.get(), 0, 0));
  Rgn huge(CreateEllipticRgn(-2000000000, -2000000000, 2000000000, 2000000000));
  ASSERT_TRUE(huge);
  Canvas c(4, 4);
  EXPECT_FALSE(StretchBlt(c.Dc(), 0, 0, 2000000000, 4, c.Dc(), 0, 0, 4, 4, SRCCOPY));
  EXPECT_TRUE(PatBlt(c.Dc(), -5, -5, 2000000000, 2000000000, BLACKNESS));
  EXPECT_EQ(c.At(3, 3), RGB(0, 0, 0));
  EXPECT_TRUE(BitBlt(c.Dc(), 0, 0, 2000000000, 2000000000, c.Dc(), 0, 0, SRCCOPY));
  EXPECT_TRUE(BitBlt(c.Dc(), 0, 0, 4, 4, c.Dc(), -2147483647 - 1, 2147483647, SRCCOPY));
  EXPECT_EQ(c.At(3, 3), RGB(0, 0, 0));
}

}  // namespace
