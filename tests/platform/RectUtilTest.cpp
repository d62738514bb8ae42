#include <gtest/gtest.h>

#include "platform/base/RectUtil.h"

namespace {

RECT R(int l, int t, int r, int b) { return RECT{l, t, r, b}; }
bool Same(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != 0; }

TEST(RectUtil, PtInRectExcludesRightAndBottom) {
  RECT rc = R(10, 20, 30, 40);
  struct Case {
    POINT pt;
    BOOL in;
  } cases[] = {{{10, 20}, TRUE}, {{29, 39}, TRUE}, {{30, 20}, FALSE}, {{10, 40}, FALSE}, {{9, 25}, FALSE},
               {{15, 19}, FALSE}};
  for (const auto& c : cases) EXPECT_EQ(c.in, PtInRect(&rc, c.pt)) << c.pt.x << "," << c.pt.y;
}

TEST(RectUtil, IntersectAndUnion) {
  struct Case {
    RECT a, b;
    BOOL interOk;
    RECT inter;
    BOOL unionOk;
    RECT uni;
  } cases[] = {
      {R(0, 0, 10, 10), R(5, 5, 15, 15), TRUE, R(5, 5, 10, 10), TRUE, R(0, 0, 15, 15)},
      // Touching edges do not overlap: the right edge is outside.
      {R(0, 0, 10, 10), R(10, 0, 20, 10), FALSE, R(0, 0, 0, 0), TRUE, R(0, 0, 20, 10)},
      {R(0, 0, 10, 10), R(20, 20, 30, 30), FALSE, R(0, 0, 0, 0), TRUE, R(0, 0, 30, 30)},
      // An empty rectangle takes no part in a union and makes no overlap.
      {R(5, 5, 5, 9), R(0, 0, 10, 10), FALSE, R(0, 0, 0, 0), TRUE, R(0, 0, 10, 10)},
      {R(3, 3, 3, 3), R(7, 7, 2, 2), FALSE, R(0, 0, 0, 0), FALSE, R(0, 0, 0, 0)},
  };
  for (const auto& c : cases) {
    RECT out = R(99, 99, 99, 99);
    EXPECT_EQ(c.interOk, IntersectRect(&out, &c.a, &c.b));
    EXPECT_TRUE(Same(out, c.inter));
    out = R(99, 99, 99, 99);
    EXPECT_EQ(c.unionOk, UnionRect(&out, &c.a, &c.b));
    EXPECT_TRUE(Same(out, c.uni));
  }
}

TEST(RectUtil, SubtractOnlyWhenResultIsARectangle) {
  struct Case {
    RECT a, b, out;
  } cases[] = {
      {R(0, 0, 10, 10), R(0, 0, 10, 4), R(0, 4, 10, 10)},    // top band removed
      {R(0, 0, 10, 10), R(-5, 6, 15, 20), R(0, 0, 10, 6)},   // bottom band removed
      {R(0, 0, 10, 10), R(0, -1, 3, 11), R(3, 0, 10, 10)},   // left band removed
      {R(0, 0, 10, 10), R(2, 2, 5, 5), R(0, 0, 10, 10)},     // hole: unchanged
      {R(0, 0, 10, 10), R(-1, -1, 11, 11), R(0, 0, 0, 0)},   // covered
  };
  for (const auto& c : cases) {
    RECT out;
    SubtractRect(&out, &c.a, &c.b);
    EXPECT_TRUE(Same(out, c.out)) << out.left << "," << out.top << "," << out.right << "," << out.bottom;
  }
}

TEST(RectUtil, OffsetInflateEmpty) {
  RECT rc = R(1, 2, 3, 4);
  OffsetRect(&rc, 10, -2);
  EXPECT_TRUE(Same(rc, R(11, 0, 13, 2)));
  InflateRect(&rc, 1, 2);
  EXPECT_TRUE(Same(rc, R(10, -2, 14, 4)));
  EXPECT_FALSE(IsRectEmpty(&rc));
  SetRectEmpty(&rc);
  EXPECT_TRUE(IsRectEmpty(&rc));
  RECT inverted = R(5, 5, 4, 9);
  EXPECT_TRUE(IsRectEmpty(&inverted));
}

TEST(WinTypes, WordMacrosAndColours) {
  EXPECT_EQ(0x1234, LOWORD(0xABCD1234u));
  EXPECT_EQ(0xABCD, HIWORD(0xABCD1234u));
  EXPECT_EQ(0x00020001, MAKELONG(1, 2));
  EXPECT_EQ(-5, GET_X_LPARAM(MAKELPARAM(-5, 7)));
  EXPECT_EQ(7, GET_Y_LPARAM(MAKELPARAM(-5, 7)));
  COLORREF c = RGB(1, 2, 3);
  EXPECT_EQ(0x030201u, c);
  EXPECT_EQ(1, GetRValue(c));
  EXPECT_EQ(2, GetGValue(c));
  EXPECT_EQ(3, GetBValue(c));
  static_assert(sizeof(DWORD) == 4 && sizeof(LONG) == 4 && sizeof(WORD) == 2);
}

}  // namespace
