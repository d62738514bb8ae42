// Lines, shapes and pixels: LineTo leaves out its end point, rectangles hold left/top and not
// right/bottom, null pens shrink shapes, ROP2 mixes, wide pens, SetPixel/GetPixel.
#include <gtest/gtest.h>

#include "platform/gdi/Gdi.h"
#include "tests/platform/GdiTestCanvas.h"

using gditest::Canvas;

namespace {

const COLORREF BLACK = RGB(0, 0, 0);
const COLORREF WHITE = RGB(255, 255, 255);
const COLORREF RED = RGB(255, 0, 0);

TEST(GdiLines, LineToLeavesOutItsEndPoint) {
  struct Case {
    POINT from, to;
    const char* pixels;
  };
  const Case cases[] = {
      {{1, 1}, {5, 1}, "1,1 2,1 3,1 4,1"},
      {{5, 2}, {1, 2}, "2,2 3,2 4,2 5,2"},
      {{2, 0}, {2, 3}, "2,0 2,1 2,2"},
      {{0, 0}, {4, 4}, "0,0 1,1 2,2 3,3"},
      {{4, 0}, {0, 4}, "4,0 3,1 2,2 1,3"},
      {{0, 0}, {6, 2}, "0,0 1,0 2,1 3,1 4,1 5,2"},
      {{3, 3}, {3, 3}, ""},
  };
  for (const Case& c : cases) {
    Canvas cv(8, 6);
    MoveToEx(cv.Dc(), c.from.x, c.from.y, nullptr);
    EXPECT_TRUE(LineTo(cv.Dc(), c.to.x, c.to.y));
    EXPECT_EQ(cv.PixelsOf(BLACK), c.pixels) << c.from.x << "," << c.from.y << " -> " << c.to.x
                                            << "," << c.to.y;
    POINT pos;
    GetCurrentPositionEx(cv.Dc(), &pos);
    EXPECT_EQ(pos.x, c.to.x);
  }
}

TEST(GdiLines, TickOfSevenThreePixelColumns) {
  // The menu tick: column x + k from y + a(k) to y + a(k) + 3 with the end excluded.
  Canvas cv(12, 10);
  const int a[7] = {2, 3, 4, 3, 2, 1, 0};
  for (int k = 0; k < 7; ++k) {
    MoveToEx(cv.Dc(), 2 + k, 2 + a[k], nullptr);
    LineTo(cv.Dc(), 2 + k, 2 + a[k] + 3);
  }
  for (int k = 0; k < 7; ++k) {
    for (int y = 0; y < 10; ++y) {
      bool ink = y >= 2 + a[k] && y < 5 + a[k];
      EXPECT_EQ(cv.At(2 + k, y), ink ? BLACK : WHITE) << k << "," << y;
    }
  }
}

TEST(GdiLines, PolylineOutlineClosesWithFourCalls) {
  // The dirty-rectangle outline (l,t)->(r,t)->(r,b)->(l,b)->(l,t) sets every border pixel.
  Canvas cv(10, 10);
  HPEN green = CreatePen(PS_SOLID, 1, RGB(0x27, 0xfe, 0x2d));
  HGDIOBJ old = SelectObject(cv.Dc(), green);
  POINT pts[5] = {{1, 1}, {8, 1}, {8, 6}, {1, 6}, {1, 1}};
  EXPECT_TRUE(Polyline(cv.Dc(), pts, 5));
  int count = 0;
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) count += cv.At(x, y) == RGB(0x27, 0xfe, 0x2d);
  EXPECT_EQ(count, 2 * 8 + 2 * 4);
  EXPECT_EQ(cv.At(8, 6), RGB(0x27, 0xfe, 0x2d));
  EXPECT_FALSE(Polyline(cv.Dc(), pts, 1));
  SelectObject(cv.Dc(), old);
  DeleteObject(green);
}

TEST(GdiLines, Rop2Mixes) {
  struct Case {
    int rop2;
    COLORREF dst, pen, want;
  };
  const Case cases[] = {
      {R2_COPYPEN, RGB(10, 20, 30), RGB(200, 100, 50), RGB(200, 100, 50)},
      {R2_XORPEN, RGB(0xF0, 0x0F, 0xFF), RGB(0xFF, 0xFF, 0x00), RGB(0x0F, 0xF0, 0xFF)},
      {R2_NOT, RGB(0x12, 0x34, 0x56), RGB(1, 2, 3), RGB(0xED, 0xCB, 0xA9)},
      {R2_MASKPEN, RGB(0xF0, 0xF0, 0xF0), RGB(0x3C, 0x3C, 0x3C), RGB(0x30, 0x30, 0x30)},
      {R2_MERGEPEN, RGB(0xF0, 0x00, 0x0F), RGB(0x0F, 0x00, 0xF0), RGB(0xFF, 0x00, 0xFF)},
      {R2_NOTCOPYPEN, RGB(1, 2, 3), RGB(0xFF, 0x00, 0x0F), RGB(0x00, 0xFF, 0xF0)},
      {R2_BLACK, RGB(9, 9, 9), RGB(1, 1, 1), RGB(0, 0, 0)},
      {R2_WHITE, RGB(9, 9, 9), RGB(1, 1, 1), RGB(255, 255, 255)},
      {R2_NOP, RGB(9, 9, 9), RGB(1, 1, 1), RGB(9, 9, 9)},
      {R2_MASKPENNOT, RGB(0x0F, 0, 0), RGB(0xFF, 0, 0), RGB(0xF0, 0, 0)},
  };
  for (const Case& c : cases) {
    Canvas cv(4, 1, c.dst);
    HPEN pen = CreatePen(PS_SOLID, 1, c.pen);
    HGDIOBJ old = SelectObject(cv.Dc(), pen);
    SetROP2(cv.Dc(), c.rop2);
    MoveToEx(cv.Dc(), 0, 0, nullptr);
    LineTo(cv.Dc(), 4, 0);
    EXPECT_EQ(cv.At(2, 0), c.want) << "rop2 " << c.rop2;
    SelectObject(cv.Dc(), old);
    DeleteObject(pen);
  }
  // XOR twice restores the destination.
  Canvas cv(6, 6, RGB(40, 80, 120));
  SetROP2(cv.Dc(), R2_XORPEN);
  SelectObject(cv.Dc(), GetStockObject(WHITE_PEN));
  for (int i = 0; i < 2; ++i) {
    MoveToEx(cv.Dc(), 0, 3, nullptr);
    LineTo(cv.Dc(), 6, 3);
  }
  EXPECT_EQ(cv.At(3, 3), RGB(40, 80, 120));
  EXPECT_EQ(SetROP2(cv.Dc(), 0), 0);
  EXPECT_EQ(GetROP2(cv.Dc()), R2_XORPEN);
}

TEST(GdiShapes, RectangleEdgesPensAndBrushes) {
  Canvas cv(12, 10);
  HBRUSH red = CreateSolidBrush(RED);
  HGDIOBJ oldBrush = SelectObject(cv.Dc(), red);
  EXPECT_TRUE(Rectangle(cv.Dc(), 1, 1, 6, 5));
  // Outline at x 1..5, y 1..4 with the black pen; red inside.
  EXPECT_EQ(cv.At(1, 1), BLACK);
  EXPECT_EQ(cv.At(5, 4), BLACK);
  EXPECT_EQ(cv.At(6, 4), WHITE);
  EXPECT_EQ(cv.At(5, 5), WHITE);
  EXPECT_EQ(cv.PixelsOf(RED), "2,2 3,2 4,2 2,3 3,3 4,3");
  // With the null pen the filled area is one pixel smaller on the right and bottom.
  HGDIOBJ oldPen = SelectObject(cv.Dc(), GetStockObject(NULL_PEN));
  cv.Fill(WHITE);
  Rectangle(cv.Dc(), 1, 1, 6, 5);
  EXPECT_EQ(cv.PixelsOf(RED), "1,1 2,1 3,1 4,1 1,2 2,2 3,2 4,2 1,3 2,3 3,3 4,3");
  // The null brush leaves the inside alone (the hollow look).
  SelectObject(cv.Dc(), GetStockObject(BLACK_PEN));
  SelectObject(cv.Dc(), GetStockObject(NULL_BRUSH));
  cv.Fill(WHITE);
  Rectangle(cv.Dc(), 0, 0, 4, 4);
  EXPECT_EQ(cv.At(1, 1), WHITE);
  EXPECT_EQ(cv.At(3, 3), BLACK);
  // A wide pen is centred on the outline.
  HPEN wide = CreatePen(PS_SOLID, 3, RED);
  SelectObject(cv.Dc(), wide);
  cv.Fill(WHITE);
  Rectangle(cv.Dc(), 3, 3, 9, 8);
  EXPECT_EQ(cv.At(2, 2), RED);
  EXPECT_EQ(cv.At(4, 4), RED);
  EXPECT_EQ(cv.At(5, 5), WHITE);
  EXPECT_EQ(cv.At(9, 8), RED);
  EXPECT_EQ(cv.At(10, 9), WHITE);
  SelectObject(cv.Dc(), oldPen);
  SelectObject(cv.Dc(), oldBrush);
  DeleteObject(wide);
  DeleteObject(red);
}

TEST(GdiShapes, FillFrameInvertRect) {
  Canvas cv(8, 8);
  HBRUSH red = CreateSolidBrush(RED);
  RECT rc{1, 1, 4, 3};
  EXPECT_TRUE(FillRect(cv.Dc(), &rc, red));
  EXPECT_EQ(cv.PixelsOf(RED), "1,1 2,1 3,1 1,2 2,2 3,2");
  // FillRect ignores the ROP2 and accepts a system colour index + 1 as its brush.
  SetROP2(cv.Dc(), R2_XORPEN);
  RECT rc2{5, 5, 6, 6};
  FillRect(cv.Dc(), &rc2, reinterpret_cast<HBRUSH>(static_cast<intptr_t>(COLOR_BTNFACE + 1)));
  EXPECT_EQ(cv.At(5, 5), GetSysColor(COLOR_BTNFACE));
  // A reversed rectangle fills nothing.
  RECT rev{4, 4, 2, 2};
  cv.Fill(WHITE);
  FillRect(cv.Dc(), &rev, red);
  EXPECT_EQ(cv.PixelsOf(RED), "");
  RECT fr{0, 0, 4, 3};
  FrameRect(cv.Dc(), &fr, red);
  EXPECT_EQ(cv.PixelsOf(RED), "0,0 1,0 2,0 3,0 0,1 3,1 0,2 1,2 2,2 3,2");
  RECT inv{0, 0, 2, 1};
  InvertRect(cv.Dc(), &inv);
  EXPECT_EQ(cv.At(0, 0), RGB(0, 255, 255));
  EXPECT_EQ(cv.At(2, 0), RED);
  DeleteObject(red);
}

TEST(GdiShapes, DotEllipseAndPolygon) {
  // The menu's radio dot: a 6 x 6 ellipse with pen and brush of one colour, symmetric.
  Canvas cv(10, 10);
  HPEN pen = CreatePen(PS_SOLID, 1, RED);
  HBRUSH brush = CreateSolidBrush(RED);
  HGDIOBJ oldPen = SelectObject(cv.Dc(), pen);
  HGDIOBJ oldBrush = SelectObject(cv.Dc(), brush);
  EXPECT_TRUE(Ellipse(cv.Dc(), 2, 2, 8, 8));
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 10; ++x) {
      bool inBox = x >= 2 && x < 8 && y >= 2 && y < 8;
      if (!inBox) {
        EXPECT_EQ(cv.At(x, y), WHITE) << x << "," << y;
      }
      EXPECT_EQ(cv.At(x, y), cv.At(9 - x, y));
      EXPECT_EQ(cv.At(x, y), cv.At(x, 9 - y));
    }
  }
  EXPECT_EQ(cv.At(4, 4), RED);
  EXPECT_EQ(cv.At(2, 2), WHITE);
  EXPECT_EQ(cv.At(2, 4), RED);
  // A filled triangle (the header's sort mark shape): pixel centres inside the outline, the
  // right-hand edge left out as a rectangle's is.
  cv.Fill(WHITE);
  SelectObject(cv.Dc(), GetStockObject(NULL_PEN));
  POINT tri[3] = {{1, 1}, {9, 1}, {5, 5}};
  EXPECT_TRUE(Polygon(cv.Dc(), tri, 3));
  EXPECT_EQ(cv.PixelsOf(RED), "1,1 2,1 3,1 4,1 5,1 6,1 7,1 2,2 3,2 4,2 5,2 6,2 3,3 4,3 5,3 4,4");
  SelectObject(cv.Dc(), oldPen);
  SelectObject(cv.Dc(), oldBrush);
  DeleteObject(pen);
  DeleteObject(brush);
}

TEST(GdiShapes, SetPixelGetPixelAndClipping) {
  Canvas cv(4, 4);
  EXPECT_EQ(SetPixel(cv.Dc(), 1, 2, RGB(1, 2, 3)), RGB(1, 2, 3));
  EXPECT_EQ(GetPixel(cv.Dc(), 1, 2), RGB(1, 2, 3));
  EXPECT_EQ(cv.At(1, 2), RGB(1, 2, 3));
  EXPECT_EQ(GetPixel(cv.Dc(), 4, 0), CLR_INVALID);
  EXPECT_EQ(SetPixel(cv.Dc(), -1, 0, RED), CLR_INVALID);
  IntersectClipRect(cv.Dc(), 0, 0, 2, 2);
  EXPECT_EQ(GetPixel(cv.Dc(), 3, 3), CLR_INVALID);
  EXPECT_EQ(SetPixel(cv.Dc(), 3, 3, RED), CLR_INVALID);
  EXPECT_EQ(cv.At(3, 3), WHITE);
}

TEST(GdiShapes, PatternAndHatchBrushes) {
  // A monochrome pattern takes the text colour for 0 bits and the background colour for 1
  // bits, and starts at the brush origin.
  const uint8_t rows[16] = {0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  HBITMAP bits = CreateBitmap(8, 8, 1, 1, rows);
  HBRUSH pattern = CreatePatternBrush(bits);
  ASSERT_NE(pattern, nullptr);
  EXPECT_TRUE(DeleteObject(bits));
  Canvas cv(10, 10);
  SetTextColor(cv.Dc(), RED);
  SetBkColor(cv.Dc(), RGB(0, 0, 255));
  RECT all{0, 0, 10, 10};
  FillRect(cv.Dc(), &all, pattern);
  EXPECT_EQ(cv.At(0, 0), RGB(0, 0, 255));
  EXPECT_EQ(cv.At(8, 0), RGB(0, 0, 255));
  EXPECT_EQ(cv.At(1, 0), RED);
  EXPECT_EQ(cv.At(0, 1), RED);
  SetBrushOrgEx(cv.Dc(), 2, 1, nullptr);
  FillRect(cv.Dc(), &all, pattern);
  EXPECT_EQ(cv.At(2, 1), RGB(0, 0, 255));
  EXPECT_EQ(cv.At(0, 0), RED);
  LOGBRUSH lb{};
  GetObject(pattern, sizeof lb, &lb);
  EXPECT_EQ(lb.lbStyle, UINT(BS_PATTERN));
  DeleteObject(pattern);
  // A hatch brush in TRANSPARENT mode leaves the gaps alone; OPAQUE fills them with the
  // background colour.
  HBRUSH hatch = CreateHatchBrush(HS_HORIZONTAL, RED);
  HGDIOBJ old = SelectObject(cv.Dc(), hatch);
  SelectObject(cv.Dc(), GetStockObject(NULL_PEN));
  SetBrushOrgEx(cv.Dc(), 0, 0, nullptr);
  cv.Fill(WHITE);
  SetBkMode(cv.Dc(), TRANSPARENT);
  Rectangle(cv.Dc(), 0, 0, 9, 9);
  EXPECT_EQ(cv.PixelsOf(RED), "0,3 1,3 2,3 3,3 4,3 5,3 6,3 7,3");
  EXPECT_EQ(cv.At(0, 0), WHITE);
  SetBkMode(cv.Dc(), OPAQUE);
  Rectangle(cv.Dc(), 0, 0, 9, 9);
  EXPECT_EQ(cv.At(0, 0), RGB(0, 0, 255));
  SelectObject(cv.Dc(), old);
  SelectObject(cv.Dc(), GetStockObject(BLACK_PEN));
  DeleteObject(hatch);
  EXPECT_EQ(CreateHatchBrush(9, RED), nullptr);
}

TEST(GdiShapes, SceneRendering) {
  Canvas cv(96, 64, RGB(0x53, 0x84, 0x67));
  HDC dc = cv.Dc();
  HPEN outline = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
  HPEN shadow = CreatePen(PS_SOLID, 1, RGB(128, 128, 128));
  HPEN wide = CreatePen(PS_SOLID, 4, RGB(200, 30, 30));
  HPEN dotted = CreatePen(PS_DOT, 1, RGB(0, 0, 160));
  HBRUSH fill = CreateSolidBrush(RGB(0x6A, 0xA3, 0x72));
  HBRUSH hatch = CreateHatchBrush(HS_DIAGCROSS, RGB(255, 255, 0));
  HGDIOBJ oldPen = SelectObject(dc, outline);
  HGDIOBJ oldBrush = SelectObject(dc, fill);
  POINT tab[4] = {{4, 20}, {11, 4}, {40, 4}, {47, 20}};
  Polygon(dc, tab, 4);
  SelectObject(dc, shadow);
  MoveToEx(dc, 11, 4, nullptr);
  LineTo(dc, 40, 4);
  SelectObject(dc, wide);
  MoveToEx(dc, 55, 10, nullptr);
  LineTo(dc, 90, 30);
  SelectObject(dc, dotted);
  SetBkMode(dc, TRANSPARENT);
  MoveToEx(dc, 2, 60, nullptr);
  LineTo(dc, 94, 60);
  SelectObject(dc, hatch);
  SetBkColor(dc, RGB(0, 0, 90));
  SetBkMode(dc, OPAQUE);
  SelectObject(dc, outline);
  Ellipse(dc, 50, 34, 80, 56);
  RoundRect(dc, 6, 28, 44, 54, 10, 10);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  for (HGDIOBJ o : {(HGDIOBJ)outline, (HGDIOBJ)shadow, (HGDIOBJ)wide, (HGDIOBJ)dotted,
                    (HGDIOBJ)fill, (HGDIOBJ)hatch})
    EXPECT_TRUE(DeleteObject(o));
  cv.Dump("shapes");
  EXPECT_EQ(cv.Hash(), "d843b8be2df3fb99") << "rendering changed; see the PNG dump";
}

}  // namespace
