// Blits: the raster operation truth tables, monochrome-to-colour and colour-to-monochrome
// conversion, clipping to both surfaces, overlapping copies, stretch modes, PlgBlt's quarter
// turn, AlphaBlend, TransparentBlt, GradientFill, and the DIB transfers.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "tests/platform/GdiTestCanvas.h"

using gditest::Canvas;

namespace {

const COLORREF BLACK = RGB(0, 0, 0);
const COLORREF WHITE = RGB(255, 255, 255);
const COLORREF RED = RGB(255, 0, 0);
const COLORREF BLUE = RGB(0, 0, 255);

TEST(GdiBlit, RasterOperationTruthTables) {
  // Each operation on three arbitrary colours against an independent formula.
  struct Case {
    DWORD rop;
    const char* name;
    uint32_t (*f)(uint32_t p, uint32_t s, uint32_t d);
  };
  const Case cases[] = {
      {SRCCOPY, "SRCCOPY", [](uint32_t, uint32_t s, uint32_t) { return s; }},
      {SRCAND, "SRCAND", [](uint32_t, uint32_t s, uint32_t d) { return s & d; }},
      {SRCPAINT, "SRCPAINT", [](uint32_t, uint32_t s, uint32_t d) { return s | d; }},
      {SRCINVERT, "SRCINVERT", [](uint32_t, uint32_t s, uint32_t d) { return s ^ d; }},
      {SRCERASE, "SRCERASE", [](uint32_t, uint32_t s, uint32_t d) { return s & ~d; }},
      {NOTSRCCOPY, "NOTSRCCOPY", [](uint32_t, uint32_t s, uint32_t) { return ~s; }},
      {NOTSRCERASE, "NOTSRCERASE", [](uint32_t, uint32_t s, uint32_t d) { return ~(s | d); }},
      {MERGECOPY, "MERGECOPY", [](uint32_t p, uint32_t s, uint32_t) { return p & s; }},
      {MERGEPAINT, "MERGEPAINT", [](uint32_t, uint32_t s, uint32_t d) { return ~s | d; }},
      {PATCOPY, "PATCOPY", [](uint32_t p, uint32_t, uint32_t) { return p; }},
      {PATINVERT, "PATINVERT", [](uint32_t p, uint32_t, uint32_t d) { return p ^ d; }},
      {PATPAINT, "PATPAINT", [](uint32_t p, uint32_t s, uint32_t d) { return p | ~s | d; }},
      {DSTINVERT, "DSTINVERT", [](uint32_t, uint32_t, uint32_t d) { return ~d; }},
      {BLACKNESS, "BLACKNESS", [](uint32_t, uint32_t, uint32_t) { return 0u; }},
      {WHITENESS, "WHITENESS", [](uint32_t, uint32_t, uint32_t) { return 0xFFFFFFu; }},
      // Generic codes, not named in the headers: PSDPxax and DSPDxax.
      {0x00B8074A, "PSDPxax", [](uint32_t p, uint32_t s, uint32_t d) { return p ^ (s & (d ^ p)); }},
      {0x00E20746, "DSPDxax", [](uint32_t p, uint32_t s, uint32_t d) { return d ^ (s & (p ^ d)); }},
  };
  const COLORREF P = RGB(0xC3, 0x5A, 0x0F), S = RGB(0xAA, 0x33, 0xF0), D = RGB(0x96, 0x0F, 0x3C);
  for (const Case& c : cases) {
    Canvas dst(2, 1, D), src(2, 1, S);
    HBRUSH brush = CreateSolidBrush(P);
    HGDIOBJ old = SelectObject(dst.Dc(), brush);
    EXPECT_TRUE(BitBlt(dst.Dc(), 0, 0, 1, 1, src.Dc(), 0, 0, c.rop)) << c.name;
    EXPECT_EQ(dst.At(0, 0), c.f(P, S, D) & 0xFFFFFF) << c.name;
    EXPECT_EQ(dst.At(1, 0), D) << c.name;
    SelectObject(dst.Dc(), old);
    DeleteObject(brush);
  }
  // Operations without a source work without a source DC; those with one need it.
  Canvas cv(2, 2, RED);
  EXPECT_TRUE(BitBlt(cv.Dc(), 0, 0, 1, 1, nullptr, 0, 0, DSTINVERT));
  EXPECT_EQ(cv.At(0, 0), RGB(0, 255, 255));
  EXPECT_FALSE(BitBlt(cv.Dc(), 0, 0, 1, 1, nullptr, 0, 0, SRCCOPY));
  EXPECT_TRUE(PatBlt(cv.Dc(), 2, 2, -1, -1, BLACKNESS));
  EXPECT_EQ(cv.At(1, 1), BLACK);
  EXPECT_FALSE(PatBlt(cv.Dc(), 0, 0, 1, 1, SRCCOPY));
}

// The tab strip's glyph bitmap: 48 x 7, one bit per pixel, 6 bytes a row, 0 = ink.
const uint8_t GLYPHS[42] = {
    0xBD, 0xFB, 0xDF, 0xBD, 0x3C, 0x00, 0xB9, 0xF3, 0xCF, 0x9D, 0x99, 0x00, 0xB1, 0xE3,
    0xC7, 0x8D, 0xC3, 0x00, 0xA3, 0xC7, 0xE3, 0xC5, 0xE7, 0x00, 0xB1, 0xE3, 0xC7, 0x8D,
    0xC3, 0x00, 0xB9, 0xF3, 0xCF, 0x9D, 0x99, 0x00, 0xBD, 0xFB, 0xDF, 0xBD, 0x3C, 0x00,
};

bool GlyphInk(int x, int y) { return ((GLYPHS[y * 6 + x / 8] >> (7 - x % 8)) & 1) == 0; }

TEST(GdiBlit, MonochromeBitmapTakesTextAndBackgroundColours) {
  HBITMAP mono = CreateBitmap(48, 7, 1, 1, GLYPHS);
  ASSERT_NE(mono, nullptr);
  BITMAP bm{};
  ASSERT_EQ(GetObject(mono, sizeof bm, &bm), int(sizeof bm));
  EXPECT_EQ(bm.bmWidth, 48);
  EXPECT_EQ(bm.bmBitsPixel, 1);
  EXPECT_EQ(bm.bmWidthBytes, 6);
  uint8_t back[42];
  EXPECT_EQ(GetBitmapBits(mono, sizeof back, back), 42);
  EXPECT_EQ(std::memcmp(back, GLYPHS, 42), 0);
  HDC monoDc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(monoDc, mono);
  Canvas cv(48, 7, RGB(9, 9, 9));
  SetTextColor(cv.Dc(), RED);
  SetBkColor(cv.Dc(), BLUE);
  BitBlt(cv.Dc(), 0, 0, 48, 7, monoDc, 0, 0, SRCCOPY);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 48; ++x) ASSERT_EQ(cv.At(x, y), GlyphInk(x, y) ? RED : BLUE) << x << "," << y;
  SelectObject(monoDc, old);
  DeleteDC(monoDc);
  DeleteObject(mono);
}

TEST(GdiBlit, ColourToMonochromeUsesTheSourceBackgroundColour) {
  // A key-coloured picture blitted into a 1-bit bitmap: key pixels become 1 (white), the rest
  // 0 (black); the mask then cuts the picture out of a background (AND mask, OR picture).
  const COLORREF KEY = RGB(255, 0, 255);
  Canvas pic(8, 2, KEY);
  SetPixel(pic.Dc(), 1, 0, RED);
  SetPixel(pic.Dc(), 6, 1, BLUE);
  SetPixel(pic.Dc(), 3, 1, RGB(254, 0, 255));
  HDC maskDc = CreateCompatibleDC(nullptr);
  HBITMAP mask = CreateBitmap(8, 2, 1, 1, nullptr);
  HGDIOBJ oldMask = SelectObject(maskDc, mask);
  SetBkColor(pic.Dc(), KEY);
  BitBlt(maskDc, 0, 0, 8, 2, pic.Dc(), 0, 0, SRCCOPY);
  uint8_t bits[4];
  GetBitmapBits(mask, 4, bits);
  EXPECT_EQ(bits[0], 0xBF);  // row 0: only x = 1 is 0
  EXPECT_EQ(bits[2], 0xED);  // row 1: x = 3 and x = 6 are 0
  // A compatible bitmap of a DC holding a mono bitmap is mono too.
  HBITMAP another = CreateCompatibleBitmap(maskDc, 4, 4);
  BITMAP bm{};
  GetObject(another, sizeof bm, &bm);
  EXPECT_EQ(bm.bmBitsPixel, 1);
  DeleteObject(another);
  // Transparent drawing: the picture's key pixels turned black through the mask (1 bits take
  // the black background colour), the destination cut by the mask, then the picture ORed in.
  Canvas dst(8, 2, RGB(0, 128, 0));
  SetBkColor(pic.Dc(), BLACK);
  SetTextColor(pic.Dc(), WHITE);
  BitBlt(pic.Dc(), 0, 0, 8, 2, maskDc, 0, 0, SRCAND);
  SetBkColor(dst.Dc(), WHITE);
  SetTextColor(dst.Dc(), BLACK);
  BitBlt(dst.Dc(), 0, 0, 8, 2, maskDc, 0, 0, SRCAND);
  BitBlt(dst.Dc(), 0, 0, 8, 2, pic.Dc(), 0, 0, SRCPAINT);
  EXPECT_EQ(dst.PixelsOf(RGB(0, 128, 0)), "0,0 2,0 3,0 4,0 5,0 6,0 7,0 0,1 1,1 2,1 4,1 5,1 7,1");
  EXPECT_EQ(dst.At(1, 0), RED);
  EXPECT_EQ(dst.At(6, 1), BLUE);
  EXPECT_EQ(dst.At(3, 1), RGB(254, 0, 255));
  SelectObject(maskDc, oldMask);
  DeleteObject(mask);
  DeleteDC(maskDc);
}

TEST(GdiBlit, GlyphDrawnTransparentlyWithXorAndXor) {
  // Ink takes the glyph colour, background keeps the target: colour copy (ink in the glyph
  // colour on white) by SRCINVERT, the mono glyph by SRCAND, the colour copy again by SRCINVERT.
  const COLORREF INK = RGB(10, 20, 30);
  HBITMAP mono = CreateBitmap(48, 7, 1, 1, GLYPHS);
  HDC monoDc = CreateCompatibleDC(nullptr);
  HGDIOBJ oldMono = SelectObject(monoDc, mono);
  Canvas colour(8, 7);
  SetTextColor(colour.Dc(), INK);
  SetBkColor(colour.Dc(), WHITE);
  BitBlt(colour.Dc(), 0, 0, 8, 7, monoDc, 8 * 4, 0, SRCCOPY);
  Canvas target(12, 9, RGB(0x53, 0x84, 0x67));
  SetPixel(target.Dc(), 3, 1, RGB(200, 100, 0));
  SetTextColor(target.Dc(), BLACK);
  SetBkColor(target.Dc(), WHITE);
  BitBlt(target.Dc(), 2, 1, 8, 7, colour.Dc(), 0, 0, SRCINVERT);
  BitBlt(target.Dc(), 2, 1, 8, 7, monoDc, 8 * 4, 0, SRCAND);
  BitBlt(target.Dc(), 2, 1, 8, 7, colour.Dc(), 0, 0, SRCINVERT);
  for (int y = 0; y < 7; ++y) {
    for (int x = 0; x < 8; ++x) {
      COLORREF want = GlyphInk(32 + x, y) ? INK : (x == 1 && y == 0 ? RGB(200, 100, 0) : RGB(0x53, 0x84, 0x67));
      EXPECT_EQ(target.At(2 + x, 1 + y), want) << x << "," << y;
    }
  }
  SelectObject(monoDc, oldMono);
  DeleteDC(monoDc);
  DeleteObject(mono);
}

TEST(GdiBlit, ClipsToBothSurfacesAndHandlesOverlap) {
  Canvas src(4, 4, RED);
  Canvas dst(10, 10);
  // A rectangle larger than the source: only the source's pixels are copied.
  EXPECT_TRUE(BitBlt(dst.Dc(), 2, 2, 8, 8, src.Dc(), 0, 0, SRCCOPY));
  EXPECT_EQ(dst.At(5, 5), RED);
  EXPECT_EQ(dst.At(6, 6), WHITE);
  EXPECT_EQ(dst.At(6, 2), WHITE);
  // Negative source origins and destinations past the edge are fine.
  EXPECT_TRUE(BitBlt(dst.Dc(), -3, -3, 5, 5, src.Dc(), -1, -1, SRCCOPY));
  EXPECT_EQ(dst.At(0, 0), RED);
  EXPECT_EQ(dst.At(1, 1), RED);
  EXPECT_TRUE(BitBlt(dst.Dc(), 100, 100, 5, 5, src.Dc(), 0, 0, SRCCOPY));
  // Scrolling within one surface, both directions.
  Canvas s(6, 1);
  for (int x = 0; x < 6; ++x) SetPixel(s.Dc(), x, 0, RGB(x, 0, 0));
  BitBlt(s.Dc(), 1, 0, 5, 1, s.Dc(), 0, 0, SRCCOPY);
  EXPECT_EQ(s.PixelsOf(RGB(0, 0, 0)), "0,0 1,0");
  EXPECT_EQ(s.At(5, 0), RGB(4, 0, 0));
  BitBlt(s.Dc(), 0, 0, 5, 1, s.Dc(), 1, 0, SRCCOPY);
  EXPECT_EQ(s.At(0, 0), RGB(0, 0, 0));
  EXPECT_EQ(s.At(4, 0), RGB(4, 0, 0));
  Canvas v(1, 5);
  for (int y = 0; y < 5; ++y) SetPixel(v.Dc(), 0, y, RGB(0, y, 0));
  BitBlt(v.Dc(), 0, 1, 1, 4, v.Dc(), 0, 0, SRCCOPY);
  EXPECT_EQ(v.At(0, 4), RGB(0, 3, 0));
  EXPECT_EQ(v.At(0, 1), RGB(0, 0, 0));
}

TEST(GdiBlit, StretchModes) {
  // 2 x 2 to 4 x 4 without smoothing repeats each pixel in a 2 x 2 block.
  Canvas small(2, 2);
  SetPixel(small.Dc(), 0, 0, RED);
  SetPixel(small.Dc(), 1, 0, BLUE);
  SetPixel(small.Dc(), 0, 1, BLACK);
  Canvas big(4, 4);
  SetStretchBltMode(big.Dc(), COLORONCOLOR);
  EXPECT_TRUE(StretchBlt(big.Dc(), 0, 0, 4, 4, small.Dc(), 0, 0, 2, 2, SRCCOPY));
  EXPECT_EQ(big.PixelsOf(RED), "0,0 1,0 0,1 1,1");
  EXPECT_EQ(big.PixelsOf(BLUE), "2,0 3,0 2,1 3,1");
  EXPECT_EQ(big.PixelsOf(BLACK), "0,2 1,2 0,3 1,3");
  // Mirrored by a negative destination width: the rectangle runs from x + width + 1 to x.
  StretchBlt(big.Dc(), 3, 0, -4, 4, small.Dc(), 0, 0, 2, 2, SRCCOPY);
  EXPECT_EQ(big.At(0, 0), BLUE);
  EXPECT_EQ(big.At(3, 0), RED);
  // Shrinking a one-pixel black line on white by 4: BLACKONWHITE keeps it, WHITEONBLACK and
  // COLORONCOLOR may drop it; HALFTONE averages it to a light grey.
  Canvas line(8, 1);
  SetPixel(line.Dc(), 1, 0, BLACK);
  struct Case {
    int mode;
    COLORREF at0;
  };
  const Case cases[] = {{BLACKONWHITE, BLACK}, {WHITEONBLACK, WHITE}, {HALFTONE, RGB(191, 191, 191)}};
  for (const Case& c : cases) {
    Canvas out(2, 1, RED);
    EXPECT_EQ(SetStretchBltMode(out.Dc(), c.mode), BLACKONWHITE);
    StretchBlt(out.Dc(), 0, 0, 2, 1, line.Dc(), 0, 0, 8, 1, SRCCOPY);
    EXPECT_EQ(out.At(0, 0), c.at0) << "mode " << c.mode;
    EXPECT_EQ(out.At(1, 0), WHITE) << "mode " << c.mode;
  }
  // A monochrome source takes the destination's colours when stretched too.
  const uint8_t monoBits[2] = {0x40, 0};
  HBITMAP mono = CreateBitmap(2, 1, 1, 1, monoBits);
  HDC monoDc = CreateCompatibleDC(nullptr);
  HGDIOBJ oldMono = SelectObject(monoDc, mono);
  Canvas wide(4, 1);
  SetTextColor(wide.Dc(), RED);
  SetBkColor(wide.Dc(), BLUE);
  StretchBlt(wide.Dc(), 0, 0, 4, 1, monoDc, 0, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(wide.PixelsOf(RED), "0,0 1,0");
  EXPECT_EQ(wide.PixelsOf(BLUE), "2,0 3,0");
  SelectObject(monoDc, oldMono);
  DeleteDC(monoDc);
  DeleteObject(mono);
  // HALFTONE is a box filter: 2 x 2 blocks average, a flat area stays exact.
  Canvas grid(4, 2, WHITE);
  SetPixel(grid.Dc(), 0, 0, BLACK);
  SetPixel(grid.Dc(), 1, 1, BLACK);
  Canvas half(2, 1);
  SetStretchBltMode(half.Dc(), HALFTONE);
  StretchBlt(half.Dc(), 0, 0, 2, 1, grid.Dc(), 0, 0, 4, 2, SRCCOPY);
  EXPECT_EQ(half.At(0, 0), RGB(128, 128, 128));
  EXPECT_EQ(half.At(1, 0), WHITE);
}

TEST(GdiBlit, PlgBltQuarterTurnCounterClockwise) {
  // An L x H strip onto the parallelogram (0, L), (0, 0), (H, L): the strip's top-left goes to
  // the bottom-left; pixel (x, y) of the strip lands on (y, L - 1 - x).
  const int L = 7, H = 3;
  Canvas strip(L, H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < L; ++x) SetPixel(strip.Dc(), x, y, RGB(x * 30, y * 80, 7));
  Canvas out(H, L, RED);
  POINT pts[3] = {{0, L}, {0, 0}, {H, L}};
  EXPECT_TRUE(PlgBlt(out.Dc(), pts, strip.Dc(), 0, 0, L, H, nullptr, 0, 0));
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < L; ++x) EXPECT_EQ(out.At(y, L - 1 - x), RGB(x * 30, y * 80, 7)) << x << "," << y;
  POINT flat[3] = {{0, 0}, {0, 0}, {0, 0}};
  EXPECT_FALSE(PlgBlt(out.Dc(), flat, strip.Dc(), 0, 0, L, H, nullptr, 0, 0));
}

HBITMAP Dib32(int w, int h, uint32_t** bits) {
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  return CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(bits), nullptr, 0);
}

TEST(GdiBlit, AlphaBlendPremultipliedAndConstant) {
  uint32_t* bits = nullptr;
  HBITMAP src = Dib32(4, 1, &bits);
  bits[0] = 0x00000000;  // fully transparent
  bits[1] = 0xFFFF0000;  // opaque red
  bits[2] = 0x80800000;  // half-transparent red, premultiplied
  bits[3] = 0x80000080;  // half-transparent blue, premultiplied
  HDC srcDc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(srcDc, src);
  Canvas dst(4, 1, RGB(0, 0, 0));
  SetPixel(dst.Dc(), 0, 0, RGB(1, 2, 3));
  SetPixel(dst.Dc(), 3, 0, WHITE);
  BLENDFUNCTION bf{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  EXPECT_TRUE(AlphaBlend(dst.Dc(), 0, 0, 4, 1, srcDc, 0, 0, 4, 1, bf));
  EXPECT_EQ(dst.At(0, 0), RGB(1, 2, 3));
  EXPECT_EQ(dst.At(1, 0), RED);
  EXPECT_EQ(dst.At(2, 0), RGB(128, 0, 0));
  // Blue 128 + white * 127 / 255 on each channel.
  EXPECT_EQ(dst.At(3, 0), RGB(127, 127, 255));
  // A constant alpha of 128 without per-pixel alpha: 255 over 0 gives 128.
  Canvas dst2(4, 1, BLACK);
  BLENDFUNCTION half{AC_SRC_OVER, 0, 128, 0};
  EXPECT_TRUE(AlphaBlend(dst2.Dc(), 0, 0, 4, 1, srcDc, 0, 0, 4, 1, half));
  EXPECT_EQ(dst2.At(1, 0), RGB(128, 0, 0));
  // Both: per-pixel alpha scaled by the constant; opaque red at 128 over black is half red.
  Canvas dst3(4, 1, BLACK);
  BLENDFUNCTION both{AC_SRC_OVER, 0, 128, AC_SRC_ALPHA};
  EXPECT_TRUE(AlphaBlend(dst3.Dc(), 0, 0, 4, 1, srcDc, 0, 0, 4, 1, both));
  EXPECT_EQ(dst3.At(1, 0), RGB(128, 0, 0));
  EXPECT_EQ(dst3.At(0, 0), BLACK);
  // A source that is not premultiplied saturates instead of spilling into the next channel.
  bits[0] = 0x00FF0000;
  Canvas dst4(1, 1, WHITE);
  EXPECT_TRUE(AlphaBlend(dst4.Dc(), 0, 0, 1, 1, srcDc, 0, 0, 1, 1, bf));
  EXPECT_EQ(dst4.At(0, 0), WHITE);
  // The source rectangle must lie inside the source bitmap.
  EXPECT_FALSE(AlphaBlend(dst2.Dc(), 0, 0, 4, 1, srcDc, 1, 0, 4, 1, bf));
  BLENDFUNCTION bad{1, 0, 255, 0};
  EXPECT_FALSE(AlphaBlend(dst2.Dc(), 0, 0, 4, 1, srcDc, 0, 0, 4, 1, bad));
  SelectObject(srcDc, old);
  DeleteDC(srcDc);
  DeleteObject(src);
}

// Copies and per-pixel alpha blends between top-down 32-bit surfaces go through block operations
// (whole rows as one block); between bottom-up ones they run row by row. Both must give the same pixels for any source,
// premultiplied or not, through a clip of several rectangles.
TEST(GdiBlit, BlockPathsMatchTheRowByRowPaths) {
  const int W = 37, H = 23;
  struct Surface32 {
    HBITMAP bmp;
    uint32_t* bits = nullptr;
    bool topDown;
    HDC dc;
    HGDIOBJ old;
    Surface32(bool down) : topDown(down) {
      BITMAPINFO bi{};
      bi.bmiHeader = {sizeof(BITMAPINFOHEADER), W, down ? -H : H, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
      bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
      dc = CreateCompatibleDC(nullptr);
      old = SelectObject(dc, bmp);
    }
    ~Surface32() {
      SelectObject(dc, old);
      DeleteDC(dc);
      DeleteObject(bmp);
    }
    uint32_t& At(int x, int y) { return bits[(topDown ? y : H - 1 - y) * W + x]; }
    void Fill(uint32_t seed) {
      uint32_t v = seed;
      for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
          v = v * 1664525u + 1013904223u;
          // Every kind of pixel: opaque, clear, premultiplied and not.
          const uint32_t kind = (v >> 28) & 3;
          At(x, y) = kind == 0 ? (v | 0xFF000000u) : kind == 1 ? (v & 0x00FFFFFFu) : v;
        }
      }
    }
  };
  struct Case {
    const char* what;
    int sca;  // -1: a copy; -2: a copy of whole rows, unclipped
  } cases[] = {{"copy", -1},        {"whole rows", -2}, {"alpha", 255},       {"alpha at 128", 128},
               {"alpha at 1", 1},   {"alpha at 0", 0},  {"alpha at 128 again", 128}, {"whole rows again", -2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint32_t> results[2];
    for (int down = 0; down < 2; ++down) {
      Surface32 src(down != 0), dst(down != 0);
      src.Fill(7);
      dst.Fill(99);
      HRGN clip = CreateRectRgn(2, 1, 20, 12);
      HRGN other = CreateRectRgn(15, 9, 35, 22);
      CombineRgn(clip, clip, other, RGN_OR);
      SelectClipRgn(dst.dc, clip);
      if (c.sca == -2) {
        SelectClipRgn(dst.dc, nullptr);
        EXPECT_TRUE(BitBlt(dst.dc, 0, 0, W, H, src.dc, 0, 0, SRCCOPY));
        for (int y = 0; y < H; ++y)
          for (int x = 0; x < W; ++x) ASSERT_EQ(src.At(x, y), dst.At(x, y));
      } else if (c.sca < 0) {
        EXPECT_TRUE(BitBlt(dst.dc, 1, 2, 33, 20, src.dc, 3, 1, SRCCOPY));
      } else {
        BLENDFUNCTION bf{AC_SRC_OVER, 0, static_cast<BYTE>(c.sca), AC_SRC_ALPHA};
        EXPECT_TRUE(AlphaBlend(dst.dc, 1, 2, 33, 20, src.dc, 3, 1, 33, 20, bf));
      }
      DeleteObject(clip);
      DeleteObject(other);
      for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) results[down].push_back(dst.At(x, y));
    }
    EXPECT_EQ(results[0], results[1]);
  }
}

// Per-pixel alpha at full constant alpha, between top-down surfaces (the fast paths), gives what
// the row path of bottom-up surfaces gives for every source alpha against every destination
// channel value, with sources premultiplied or not (channels above the alpha saturate).
TEST(GdiBlit, FullAlphaBlendMatchesTheRowPathForEveryAlphaAndDestination) {
  const int W = 256, H = 256;
  struct Dib {
    HBITMAP bmp = nullptr;
    uint32_t* bits = nullptr;
    HDC dc = nullptr;
    HGDIOBJ old = nullptr;
    bool down;
    explicit Dib(bool topDown) : down(topDown) {
      BITMAPINFO bi{};
      bi.bmiHeader = {sizeof(BITMAPINFOHEADER), W, topDown ? -H : H, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
      bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
      dc = CreateCompatibleDC(nullptr);
      old = SelectObject(dc, bmp);
    }
    ~Dib() {
      SelectObject(dc, old);
      DeleteDC(dc);
      DeleteObject(bmp);
    }
    uint32_t& At(int x, int y) { return bits[(down ? y : H - 1 - y) * W + x]; }
  };
  std::vector<uint32_t> results[2];
  for (int topDown = 0; topDown < 2; ++topDown) {
    Dib src(topDown != 0), dst(topDown != 0);
    for (int y = 0; y < H; ++y) {
      for (int x = 0; x < W; ++x) {
        // Row: the source alpha; column: the destination value. Blue is premultiplied, green
        // the full value, red above the alpha where the column allows.
        const uint32_t a = uint32_t(y), v = uint32_t(x);
        src.At(x, y) = (a << 24) | ((255 - v) << 16) | (v << 8) | (v * a / 255);
        dst.At(x, y) = (v << 24) | (v << 16) | ((255 - v) << 8) | ((v * 7) & 0xFF);
      }
    }
    BLENDFUNCTION bf{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    // An odd width and offset, so that rows end in a part narrower than a vector step.
    EXPECT_TRUE(AlphaBlend(dst.dc, 1, 0, W - 2, H, src.dc, 0, 0, W - 2, H, bf));
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) results[topDown].push_back(dst.At(x, y));
  }
  ASSERT_EQ(results[0].size(), results[1].size());
  for (size_t i = 0; i < results[0].size(); ++i) {
    ASSERT_EQ(results[0][i], results[1][i]) << "pixel " << i % W << "," << i / W;
  }
}

// Blends among more bitmaps than the block path keeps views of, each pair blended twice in an
// order that makes the views come and go, give the pixels the row-by-row path gives.
TEST(GdiBlit, AlphaBlendAmongManyBitmapsMatchesTheRowByRowPath) {
  const int W = 9, H = 5, PAIRS = 11;
  struct Dib {
    HBITMAP bmp = nullptr;
    uint32_t* bits = nullptr;
    HDC dc = nullptr;
    HGDIOBJ old = nullptr;
    bool topDown = true;
    void Make(bool down, uint32_t seed) {
      topDown = down;
      BITMAPINFO bi{};
      bi.bmiHeader = {sizeof(BITMAPINFOHEADER), W, down ? -H : H, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
      bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
      dc = CreateCompatibleDC(nullptr);
      old = SelectObject(dc, bmp);
      for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) At(x, y) = (seed + uint32_t(y * W + x)) * 2654435761u;
    }
    uint32_t& At(int x, int y) { return bits[(topDown ? y : H - 1 - y) * W + x]; }
    void Free() {
      SelectObject(dc, old);
      DeleteDC(dc);
      DeleteObject(bmp);
    }
  };
  std::vector<uint32_t> results[2];
  for (int down = 0; down < 2; ++down) {
    std::vector<Dib> src(PAIRS), dst(PAIRS);
    for (int i = 0; i < PAIRS; ++i) {
      src[i].Make(down != 0, 100u + uint32_t(i));
      dst[i].Make(down != 0, 500u + uint32_t(i));
    }
    for (int round = 0; round < 2; ++round) {
      for (int k = 0; k < PAIRS; ++k) {
        const int i = round == 0 ? k : (k * 5) % PAIRS;
        BLENDFUNCTION bf{AC_SRC_OVER, 0, static_cast<BYTE>(round == 0 ? 255 : 77 + i), AC_SRC_ALPHA};
        EXPECT_TRUE(AlphaBlend(dst[i].dc, 1, 1, W - 2, H - 1, src[i].dc, 0, 0, W - 2, H - 1, bf));
      }
    }
    for (int i = 0; i < PAIRS; ++i) {
      for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) results[down].push_back(dst[i].At(x, y));
      src[i].Free();
      dst[i].Free();
    }
  }
  EXPECT_EQ(results[0], results[1]);
}

// A stretched copy between two 32-bit surfaces gathers straight from the source; within one
// surface it runs through the general row path. With the source in the left part of one bitmap,
// or in a bitmap of its own holding the same pixels, every scale, mirror and clip gives the same
// pixels.
TEST(GdiBlit, StretchedCopyMatchesTheGeneralPath) {
  struct Case {
    int x, y, w, h;      // destination, right of the source area
    int sx, sy, sw, sh;  // source, inside the left 20 x 30 pixels
  } cases[] = {
      {25, 2, 40, 25, 1, 2, 15, 11},    // enlarged
      {22, 1, 9, 7, 0, 0, 20, 30},      // reduced
      {60, 30, -30, -20, 2, 3, 12, 9},  // mirrored both ways
      {30, 0, 17, 29, 19, 0, -19, 30},  // source mirrored
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y << " " << c.w << "x" << c.h);
    uint32_t* one = nullptr;
    uint32_t* apart = nullptr;
    HBITMAP whole = Dib32(70, 40, &one);
    HBITMAP own = Dib32(70, 40, &apart);
    for (int i = 0; i < 70 * 40; ++i) one[i] = apart[i] = static_cast<uint32_t>(i) * 2654435761u;
    HDC a = CreateCompatibleDC(nullptr), b = CreateCompatibleDC(nullptr), d = CreateCompatibleDC(nullptr);
    HGDIOBJ oldA = SelectObject(a, whole), oldB = SelectObject(b, own);
    uint32_t* target = nullptr;
    HBITMAP separate = Dib32(70, 40, &target);
    HGDIOBJ oldD = SelectObject(d, separate);
    std::memcpy(target, one, 70 * 40 * 4);
    HRGN clip = CreateRectRgn(21, 0, 50, 25);
    HRGN more = CreateRectRgn(40, 20, 70, 40);
    CombineRgn(clip, clip, more, RGN_OR);
    SelectClipRgn(a, clip);
    SelectClipRgn(d, clip);
    SetStretchBltMode(a, COLORONCOLOR);
    SetStretchBltMode(d, COLORONCOLOR);
    EXPECT_TRUE(StretchBlt(a, c.x, c.y, c.w, c.h, a, c.sx, c.sy, c.sw, c.sh, SRCCOPY));
    EXPECT_TRUE(StretchBlt(d, c.x, c.y, c.w, c.h, b, c.sx, c.sy, c.sw, c.sh, SRCCOPY));
    EXPECT_EQ(std::vector<uint32_t>(one, one + 70 * 40), std::vector<uint32_t>(target, target + 70 * 40));
    DeleteObject(clip);
    DeleteObject(more);
    SelectObject(a, oldA);
    SelectObject(b, oldB);
    SelectObject(d, oldD);
    DeleteDC(a);
    DeleteDC(b);
    DeleteDC(d);
    DeleteObject(whole);
    DeleteObject(own);
    DeleteObject(separate);
  }
}

TEST(GdiBlit, TransparentBltAndGradientFill) {
  Canvas src(4, 1, RGB(0, 255, 0));
  SetPixel(src.Dc(), 1, 0, RED);
  SetPixel(src.Dc(), 3, 0, RGB(0, 254, 0));
  Canvas dst(8, 2, BLUE);
  EXPECT_TRUE(TransparentBlt(dst.Dc(), 0, 0, 8, 2, src.Dc(), 0, 0, 4, 1, RGB(0, 255, 0)));
  EXPECT_EQ(dst.At(0, 0), BLUE);
  EXPECT_EQ(dst.At(2, 1), RED);
  EXPECT_EQ(dst.At(3, 1), RED);
  EXPECT_EQ(dst.At(7, 0), RGB(0, 254, 0));
  EXPECT_FALSE(TransparentBlt(dst.Dc(), 0, 0, 0, 2, src.Dc(), 0, 0, 4, 1, 0));

  Canvas g(5, 3);
  TRIVERTEX v[2] = {{0, 0, 0, 0, 0, 0}, {5, 3, 0xFF00, 0x8000, 0, 0}};
  GRADIENT_RECT r{0, 1};
  EXPECT_TRUE(GradientFill(g.Dc(), v, 2, &r, 1, GRADIENT_FILL_RECT_H));
  EXPECT_EQ(g.At(0, 0), RGB(0, 0, 0));
  EXPECT_EQ(g.At(4, 2), RGB(204, 102, 0));
  EXPECT_EQ(g.At(2, 1), RGB(102, 51, 0));
  EXPECT_TRUE(GradientFill(g.Dc(), v, 2, &r, 1, GRADIENT_FILL_RECT_V));
  EXPECT_EQ(g.At(4, 0), RGB(0, 0, 0));
  EXPECT_EQ(g.At(0, 2), RGB(170, 85, 0));
  GRADIENT_RECT badIndex{0, 2};
  EXPECT_FALSE(GradientFill(g.Dc(), v, 2, &badIndex, 1, GRADIENT_FILL_RECT_H));
}

TEST(GdiDib, SectionsBottomUpTopDownAndObjectInfo) {
  // A bottom-up 24-bit section keeps its bottom row first in memory, rows 4-byte aligned.
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof(BITMAPINFOHEADER), 3, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  uint8_t* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
  ASSERT_NE(bmp, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bmp);
  SetPixel(dc, 0, 0, RGB(1, 2, 3));  // top row
  SetPixel(dc, 2, 1, RGB(4, 5, 6));  // bottom row
  EXPECT_EQ(bits[12 + 0], 3);  // second row in memory is the top row: B, G, R
  EXPECT_EQ(bits[12 + 2], 1);
  EXPECT_EQ(bits[6 + 0], 6);
  DIBSECTION ds{};
  EXPECT_EQ(GetObject(bmp, sizeof ds, &ds), int(sizeof ds));
  EXPECT_EQ(ds.dsBm.bmWidthBytes, 12);
  EXPECT_EQ(ds.dsBm.bmBits, bits);
  EXPECT_EQ(ds.dsBmih.biHeight, 2);
  EXPECT_EQ(ds.dsBmih.biBitCount, 24);
  BITMAP bm{};
  EXPECT_EQ(GetObject(bmp, sizeof bm, &bm), int(sizeof bm));
  EXPECT_EQ(bm.bmBitsPixel, 24);
  EXPECT_EQ(GetObject(bmp, 0, nullptr), int(sizeof(DIBSECTION)));
  // A 1-bit section takes its colour table.
  struct {
    BITMAPINFOHEADER h;
    RGBQUAD c[2];
  } mono{{sizeof(BITMAPINFOHEADER), 8, -1, 1, 1, BI_RGB, 0, 0, 0, 2, 0}, {{0, 0, 255, 0}, {0, 255, 0, 0}}};
  uint8_t* mbits = nullptr;
  HBITMAP m = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&mono), DIB_RGB_COLORS,
                               reinterpret_cast<void**>(&mbits), nullptr, 0);
  ASSERT_NE(m, nullptr);
  mbits[0] = 0x80;
  HDC mdc = CreateCompatibleDC(nullptr);
  HGDIOBJ mold = SelectObject(mdc, m);
  EXPECT_EQ(GetPixel(mdc, 0, 0), RGB(0, 255, 0));
  EXPECT_EQ(GetPixel(mdc, 1, 0), RGB(255, 0, 0));
  Canvas cv(8, 1);
  BitBlt(cv.Dc(), 0, 0, 8, 1, mdc, 0, 0, SRCCOPY);
  EXPECT_EQ(cv.At(0, 0), RGB(0, 255, 0));
  EXPECT_EQ(cv.At(5, 0), RGB(255, 0, 0));
  SelectObject(mdc, mold);
  DeleteDC(mdc);
  DeleteObject(m);
  // Unusable descriptions are refused.
  BITMAPINFO badInfo = bi;
  badInfo.bmiHeader.biBitCount = 7;
  EXPECT_EQ(CreateDIBSection(nullptr, &badInfo, DIB_RGB_COLORS, nullptr, nullptr, 0), nullptr);
  badInfo = bi;
  badInfo.bmiHeader.biWidth = -3;
  EXPECT_EQ(CreateDIBSection(nullptr, &badInfo, DIB_RGB_COLORS, nullptr, nullptr, 0), nullptr);
  badInfo = bi;
  badInfo.bmiHeader.biWidth = 70000;
  EXPECT_EQ(CreateDIBSection(nullptr, &badInfo, DIB_RGB_COLORS, nullptr, nullptr, 0), nullptr);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(bmp);
}

TEST(GdiDib, SetDIBitsToDeviceAndGetDIBits) {
  // A bottom-up 2 x 2 24-bit image: memory holds the bottom row first.
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof(BITMAPINFOHEADER), 2, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  const uint8_t pixels[16] = {
      0, 0, 255, 0, 255, 0, 0, 0,    // bottom row: red, green (+2 bytes padding)
      255, 0, 0, 255, 255, 255, 0, 0  // top row: blue, white
  };
  Canvas cv(4, 4, BLACK);
  EXPECT_EQ(SetDIBitsToDevice(cv.Dc(), 1, 1, 2, 2, 0, 0, 0, 2, pixels, &bi, DIB_RGB_COLORS), 2);
  EXPECT_EQ(cv.At(1, 1), BLUE);
  EXPECT_EQ(cv.At(2, 1), WHITE);
  EXPECT_EQ(cv.At(1, 2), RED);
  EXPECT_EQ(cv.At(2, 2), RGB(0, 255, 0));
  EXPECT_EQ(cv.At(3, 3), BLACK);
  // Stretched to 4 x 4 through StretchDIBits.
  Canvas big(4, 4, BLACK);
  EXPECT_EQ(StretchDIBits(big.Dc(), 0, 0, 4, 4, 0, 0, 2, 2, pixels, &bi, DIB_RGB_COLORS, SRCCOPY), 2);
  EXPECT_EQ(big.At(1, 1), BLUE);
  EXPECT_EQ(big.At(3, 3), RGB(0, 255, 0));
  // Read back as a bottom-up 32-bit DIB and as a top-down one, and as 16-bit 5-5-5.
  BITMAPINFO q{};
  q.bmiHeader = {sizeof(BITMAPINFOHEADER), 4, 4, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<uint32_t> out(16);
  EXPECT_EQ(GetDIBits(cv.Dc(), cv.Bitmap(), 0, 4, out.data(), &q, DIB_RGB_COLORS), 4);
  EXPECT_EQ(out[1 * 4 + 1] & 0xFFFFFF, 0xFF0000u);  // row 1 from the bottom = canvas row 2
  q.bmiHeader.biHeight = -4;
  GetDIBits(cv.Dc(), cv.Bitmap(), 0, 4, out.data(), &q, DIB_RGB_COLORS);
  EXPECT_EQ(out[1 * 4 + 1] & 0xFFFFFF, 0x0000FFu);
  q.bmiHeader.biBitCount = 16;
  std::vector<uint16_t> out16(16);
  EXPECT_EQ(GetDIBits(cv.Dc(), cv.Bitmap(), 0, 4, out16.data(), &q, DIB_RGB_COLORS), 4);
  EXPECT_EQ(out16[1 * 4 + 2], 0x7FFF);
  EXPECT_EQ(out16[2 * 4 + 1], 0x7C00);
  // The format query fills the header.
  BITMAPINFO f{};
  f.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  EXPECT_NE(GetDIBits(cv.Dc(), cv.Bitmap(), 0, 0, nullptr, &f, DIB_RGB_COLORS), 0);
  EXPECT_EQ(f.bmiHeader.biWidth, 4);
  EXPECT_EQ(f.bmiHeader.biBitCount, 32);
  // Bad descriptions and arguments are refused.
  BITMAPINFO bad = bi;
  bad.bmiHeader.biCompression = BI_RLE8;
  EXPECT_EQ(SetDIBitsToDevice(cv.Dc(), 0, 0, 2, 2, 0, 0, 0, 2, pixels, &bad, DIB_RGB_COLORS), 0);
  EXPECT_EQ(SetDIBitsToDevice(cv.Dc(), 0, 0, 2, 2, 0, 0, 5, 2, pixels, &bi, DIB_RGB_COLORS), 0);
  EXPECT_EQ(SetDIBitsToDevice(cv.Dc(), 0, 0, 2, 2, 0, 0, 0, 2, nullptr, &bi, DIB_RGB_COLORS), 0);
}

TEST(GdiDib, BitmapBitsRoundTripAndCreateDIBitmap) {
  // SetBitmapBits with w x h x 4 bytes then GetBitmapBits gives the same bytes.
  HDC screen = CreateCompatibleDC(nullptr);
  Canvas probe(1, 1);
  HBITMAP bmp = CreateCompatibleBitmap(probe.Dc(), 3, 2);
  std::vector<uint8_t> in(24), back(24);
  for (size_t i = 0; i < in.size(); ++i) in[i] = uint8_t(i * 7);
  EXPECT_EQ(SetBitmapBits(bmp, 24, in.data()), 24);
  EXPECT_EQ(GetBitmapBits(bmp, 24, back.data()), 24);
  EXPECT_EQ(in, back);
  EXPECT_EQ(GetBitmapBits(bmp, 0, nullptr), 24);
  EXPECT_EQ(SetBitmapBits(bmp, 1000, in.data()), 24);  // never writes past the bitmap
  BITMAP bm{};
  GetObject(bmp, sizeof bm, &bm);
  EXPECT_EQ(bm.bmBitsPixel, 32);
  EXPECT_EQ(bm.bmBits, nullptr);
  DeleteObject(bmp);
  // A zero-size compatible bitmap is the stock 1 x 1 monochrome one.
  HBITMAP none = CreateCompatibleBitmap(probe.Dc(), 0, 5);
  GetObject(none, sizeof bm, &bm);
  EXPECT_EQ(bm.bmWidth, 1);
  EXPECT_EQ(bm.bmBitsPixel, 1);
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof(BITMAPINFOHEADER), 1, 1, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  uint32_t px = 0x00123456;
  HBITMAP d = CreateDIBitmap(probe.Dc(), &bi.bmiHeader, CBM_INIT, &px, &bi, DIB_RGB_COLORS);
  HGDIOBJ old = SelectObject(screen, d);
  EXPECT_EQ(GetPixel(screen, 0, 0), RGB(0x12, 0x34, 0x56));
  SelectObject(screen, old);
  DeleteObject(d);
  DeleteDC(screen);
}

TEST(GdiBlit, SceneRendering) {
  Canvas cv(64, 48, RGB(0x30, 0x5B, 0x44));
  Canvas pic(16, 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) SetPixel(pic.Dc(), x, y, RGB(x * 16, y * 16, (x ^ y) * 16));
  SetStretchBltMode(cv.Dc(), HALFTONE);
  StretchBlt(cv.Dc(), 0, 0, 40, 24, pic.Dc(), 0, 0, 16, 16, SRCCOPY);
  SetStretchBltMode(cv.Dc(), COLORONCOLOR);
  StretchBlt(cv.Dc(), 40, 0, 24, 24, pic.Dc(), 0, 0, 16, 16, SRCCOPY);
  SetStretchBltMode(cv.Dc(), BLACKONWHITE);
  StretchBlt(cv.Dc(), 0, 24, 10, 10, pic.Dc(), 0, 0, 16, 16, NOTSRCCOPY);
  HBITMAP patBits = CreateBitmap(8, 7, 1, 1, nullptr);
  uint8_t rows[14] = {0xAA, 0, 0x55, 0, 0xAA, 0, 0x55, 0, 0xAA, 0, 0x55, 0, 0xAA, 0};
  SetBitmapBits(patBits, 14, rows);
  HBRUSH pat = CreatePatternBrush(patBits);
  DeleteObject(patBits);  // the brush keeps its own copy
  HGDIOBJ old = SelectObject(cv.Dc(), pat);
  SetTextColor(cv.Dc(), RGB(255, 255, 0));
  SetBkColor(cv.Dc(), RGB(0, 0, 128));
  SetBrushOrgEx(cv.Dc(), 1, 0, nullptr);
  PatBlt(cv.Dc(), 12, 26, 20, 20, PATCOPY);
  BitBlt(cv.Dc(), 34, 26, 16, 16, pic.Dc(), 0, 0, MERGECOPY);
  PatBlt(cv.Dc(), 50, 26, 14, 20, PATINVERT);
  SelectObject(cv.Dc(), old);
  DeleteObject(pat);
  cv.Dump("blits");
  EXPECT_EQ(cv.Hash(), "d7b17e8d3f2e36a3") << "rendering changed; see the PNG dump";
}

}  // namespace
