#include <gtest/gtest.h>

#include "engine/Geometry.h"

namespace {

TEST(Geometry, RotatePointTable) {
  struct Case {
    int x, y, cx, cy;
    double angle;
    int direction;
    int ex, ey;
  };
  const Case cases[] = {
      {110, 100, 100, 100, 90.0, 1, 100, 90},  {110, 100, 100, 100, 90.0, 0, 100, 110},
      {110, 100, 100, 100, 45.0, 1, 107, 93},  {103, 100, 100, 100, 180.0, 1, 97, 100},
      {100, 90, 100, 100, 90.0, 0, 110, 100},  {5, 7, 1, 1, 0.0, 1, 5, 7},
  };
  for (const Case& c : cases) {
    const POINT p = RotatePoint(c.x, c.y, c.cx, c.cy, c.angle, c.direction);
    EXPECT_EQ(p.x, c.ex) << c.x << "," << c.y << " by " << c.angle << " dir " << c.direction;
    EXPECT_EQ(p.y, c.ey) << c.x << "," << c.y << " by " << c.angle << " dir " << c.direction;
    PointD d;
    RotatePointD(&d, c.x, c.y, c.cx, c.cy, c.angle, c.direction);
    EXPECT_EQ(d.x, c.ex);
    EXPECT_EQ(d.y, c.ey);
  }
}

TEST(Geometry, SegmentsIntersectTable) {
  struct Case {
    PointD a, b, c, d;
    int expected;
  };
  const Case cases[] = {
      {{0, 0}, {10, 10}, {0, 10}, {10, 0}, 1},  {{0, 0}, {10, 0}, {10, 0}, {20, 5}, 2},
      {{0, 0}, {10, 0}, {5, 0}, {15, 0}, 2},    {{0, 0}, {10, 0}, {11, 0}, {15, 0}, 0},
      {{0, 0}, {10, 0}, {0, 1}, {10, 1}, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SegmentsIntersect(c.a, c.b, c.c, c.d, nullptr), c.expected);
  }
  PointD out{};
  ASSERT_EQ(SegmentsIntersect({0, 0}, {10, 10}, {0, 10}, {10, 0}, &out), 1);
  EXPECT_DOUBLE_EQ(out.x, 5);
  EXPECT_DOUBLE_EQ(out.y, 5);
}

}  // namespace
