// Palette, pixel, transparency, alpha and selection operations: the values the engine's loader
// reads through them.
#include <gtest/gtest.h>

#include <cstring>

#include "image/RasterImage.h"

namespace {

DWORD AsDword(RGBQUAD c) {
  DWORD v;
  memcpy(&v, &c, sizeof(v));
  return v;
}

TEST(RasterPixels, IndexPackingAtEachDepth) {
  CRasterImage four(5, 2, 4, 1);
  four.SetPixelIndex(3, 1, 0x1A);  // keeps the low nibble
  EXPECT_EQ(four.GetBits(1)[1], 0x0A);
  EXPECT_EQ(four.GetPixelIndex(3, 1), 0x0A);
  four.SetPixelIndex(2, 1, 0x3);
  EXPECT_EQ(four.GetBits(1)[1], 0x3A);

  CRasterImage one(12, 1, 1, 1);
  one.SetPixelIndex(9, 0, 3);  // keeps the lowest bit
  EXPECT_EQ(one.GetBits(0)[1], 0x40);
  EXPECT_EQ(one.GetPixelIndex(9, 0), 1);
  one.SetPixelIndex(9, 0, 0);
  EXPECT_EQ(one.GetBits(0)[1], 0x00);

  CRasterImage rgb(2, 2, 24, 1);
  rgb.SetPixelIndex(0, 0, 5);  // no palette: nothing stored, nothing read
  EXPECT_EQ(rgb.GetPixelIndex(0, 0), 0);
  EXPECT_EQ(rgb.GetPixelPointerUnchecked(1, 1), rgb.GetBits(1) + 3);
  EXPECT_EQ(one.GetPixelPointerUnchecked(0, 0), nullptr);
}

TEST(RasterPixels, OutsideReadsFollowTransparency) {
  CRasterImage image(4, 4, 8, 1);
  image.GetBits(0)[0] = 9;
  EXPECT_EQ(image.GetPixelIndex(-1, 0), 9);
  image.SetTransIndex(5);
  EXPECT_EQ(image.GetPixelIndex(-1, 0), 5);
  EXPECT_EQ(image.GetPixelIndex(0, 4), 5);
  CRasterImage empty;
  EXPECT_EQ(empty.GetPixelIndex(0, 0), 0);
}

TEST(RasterPixels, PixelColorOfTrueColourImages) {
  CRasterImage image(3, 2, 24, 1);
  image.SetPixelColor(0, 0, RGBQUAD{10, 20, 30, 99});
  image.SetPixelColor(2, 1, RGBQUAD{1, 2, 3, 0});
  // Outside with no transparent index: the colour of (0, 0), alpha from the layer.
  RGBQUAD outside = image.GetPixelColor(-1, 5, false);
  EXPECT_EQ(outside.rgbBlue, 10);
  EXPECT_EQ(outside.rgbRed, 30);
  ASSERT_TRUE(image.AlphaCreate());
  image.AlphaSet(0, 0, 77);
  EXPECT_EQ(image.GetPixelColor(7, 7, false).rgbReserved, 77);
  EXPECT_EQ(image.GetPixelColor(0, 0, true).rgbReserved, 77);
  EXPECT_EQ(image.GetPixelColor(0, 0, false).rgbReserved, 0);

  // The engine compares a pixel read without alpha with the transparent colour.
  image.SetTransColor(RGBQUAD{1, 2, 3, 200});
  image.SetTransIndex(0);
  EXPECT_EQ(AsDword(image.GetPixelColor(2, 1, false)), AsDword(image.GetTransColor()));
  EXPECT_NE(AsDword(image.GetPixelColor(0, 0, false)), AsDword(image.GetTransColor()));
  EXPECT_EQ(AsDword(image.GetPixelColor(-1, -1, false)), AsDword(image.GetTransColor()));
}

TEST(RasterPixels, PixelColorOfPalettisedImages) {
  CRasterImage image(2, 2, 8, 1);
  image.SetPaletteColor(3, 100, 110, 120, 7);
  image.SetPixelIndex(1, 1, 3);
  RGBQUAD c = image.GetPixelColor(1, 1, false);
  EXPECT_EQ(c.rgbRed, 100);
  EXPECT_EQ(c.rgbGreen, 110);
  EXPECT_EQ(c.rgbBlue, 120);
  EXPECT_EQ(c.rgbReserved, 7);
  image.SetTransIndex(3);
  EXPECT_EQ(AsDword(image.GetPixelColor(9, 9, false)), AsDword(c));
  EXPECT_EQ(AsDword(image.GetTransColor()), AsDword(c));
  // Colours go through the nearest palette entry.
  image.SetPixelColor(0, 0, RGBQUAD{118, 111, 99, 0});
  EXPECT_EQ(image.GetPixelIndex(0, 0), 3);
}

TEST(RasterPixels, TransIndexRules) {
  CRasterImage eight(2, 2, 8, 1);
  eight.SetTransIndex(300);
  EXPECT_EQ(eight.GetTransIndex(), 0);
  eight.SetTransIndex(-1);
  EXPECT_EQ(eight.GetTransIndex(), -1);
  EXPECT_FALSE(eight.IsTransparent());
  eight.SetTransIndex(255);
  EXPECT_EQ(eight.GetTransIndex(), 255);
  CRasterImage four(2, 2, 4, 1);
  four.SetTransIndex(16);
  EXPECT_EQ(four.GetTransIndex(), 0);
  CRasterImage rgb(2, 2, 24, 1);
  rgb.SetTransIndex(3);
  EXPECT_EQ(rgb.GetTransIndex(), 0);
  rgb.SetTransIndex(-1);
  EXPECT_EQ(rgb.GetTransIndex(), -1);
}

TEST(RasterPixels, NearestIndexAndItsCache) {
  CRasterImage image(1, 1, 1, 1);
  image.SetPaletteColor(0, 0, 0, 0);
  image.SetPaletteColor(1, 255, 255, 255);
  EXPECT_EQ(image.GetNearestIndex(RGBQUAD{1, 1, 1, 0}), 0);
  EXPECT_EQ(image.GetNearestIndex(RGBQUAD{255, 255, 255, 0}), 1);
  // The palette changes behind the cache's back: the cached answer still comes.
  image.GetPalette()[1] = RGBQUAD{0, 0, 0, 0};
  EXPECT_EQ(image.GetNearestIndex(RGBQUAD{255, 255, 255, 0}), 1);
  // A palette write clears the cache.
  image.SetPaletteColor(0, 255, 255, 255);
  EXPECT_EQ(image.GetNearestIndex(RGBQUAD{255, 255, 255, 0}), 0);

  CRasterImage three(1, 1, 8, 1);
  three.SetPaletteColor(0, 0, 0, 0);
  three.SetPaletteColor(1, 255, 255, 255);
  three.SetClrImportant(3);
  EXPECT_EQ(three.GetNearestIndex(RGBQUAD{1, 1, 1, 0}), 0);
  // Only the important colours are searched.
  three.SetPaletteColor(200, 9, 9, 9);
  EXPECT_EQ(three.GetNearestIndex(RGBQUAD{9, 9, 9, 0}), 0);
  CRasterImage rgb(1, 1, 24, 1);
  EXPECT_EQ(rgb.GetNearestIndex(RGBQUAD{9, 9, 9, 0}), 0);
}

TEST(RasterPixels, PaletteSetters) {
  CRasterImage image(1, 1, 4, 1);
  image.SetGrayPalette();
  for (int i = 0; i < 16; i++) EXPECT_EQ(image.GetPaletteColor(static_cast<BYTE>(i)).rgbGreen, i * 17);
  EXPECT_FALSE(image.IsGrayScale());
  BYTE red[20], green[20];
  for (int i = 0; i < 20; i++) {
    red[i] = static_cast<BYTE>(i);
    green[i] = static_cast<BYTE>(100 + i);
  }
  image.SetPalette(20, red, green, nullptr);  // blue comes from green; only 16 entries exist
  EXPECT_EQ(image.GetPaletteColor(15).rgbRed, 15);
  EXPECT_EQ(image.GetPaletteColor(15).rgbBlue, 115);
  EXPECT_EQ(image.GetPaletteColor(16).rgbRed, 0);  // beyond the palette reads as zero
  BYTE triples[] = {1, 2, 3, 4, 5, 6};
  image.SetPaletteFromRGB(triples, 2);
  EXPECT_EQ(image.GetPaletteColor(1).rgbRed, 4);
  EXPECT_EQ(image.GetPaletteColor(1).rgbBlue, 6);
  RGBQUAD many[300] = {};
  many[15].rgbRed = 42;
  image.SetPalette(many, 300);  // stops at the palette size
  EXPECT_EQ(image.GetPaletteColor(15).rgbRed, 42);

  CRasterImage grey(1, 1, 8, 1);
  grey.SetGrayPalette();
  EXPECT_TRUE(grey.IsGrayScale());
  CRasterImage rgb(1, 1, 24, 1);
  EXPECT_FALSE(rgb.IsGrayScale());
  EXPECT_EQ(rgb.GetPalette(), nullptr);
  rgb.SetGrayPalette();  // nothing to do
}

TEST(RasterPixels, ClrImportantIsCappedByDepthAndBoundsTheSearch) {
  // expect = the number of entries the nearest-colour search then looks at (0: all of them).
  struct Case { DWORD bpp, n, expect; } cases[] = {
      {1, 5, 2}, {4, 5, 5}, {4, 40, 16}, {8, 200, 200}, {8, 257, 0}, {8, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bpp << " bpp, " << c.n);
    CRasterImage image(1, 1, c.bpp, 1);
    DWORD colours = image.GetPaletteSize() / 4;
    DWORD searched = c.expect ? c.expect : colours;
    image.SetPaletteColor(static_cast<BYTE>(searched - 1), 4, 5, 6);
    if (searched < colours) image.SetPaletteColor(static_cast<BYTE>(searched), 1, 2, 3);
    image.SetClrImportant(c.n);
    EXPECT_EQ(image.GetNearestIndex(RGBQUAD{6, 5, 4, 0}), searched - 1);
    // The exact match beyond the searched entries is not found; the black entry 0 is nearest.
    if (searched < colours) {
      EXPECT_EQ(image.GetNearestIndex(RGBQUAD{3, 2, 1, 0}), 0);
    }
  }
}

TEST(RasterPixels, ClearFillsByDepth) {
  CRasterImage four(3, 2, 4, 1);
  four.Clear(7);
  EXPECT_EQ(four.GetBits(1)[3], 0x77);
  CRasterImage one(3, 2, 1, 1);
  one.Clear(2);
  EXPECT_EQ(one.GetBits(0)[0], 0xFF);
  CRasterImage eight(3, 2, 8, 1);
  eight.Clear(9);
  EXPECT_EQ(eight.GetPixelIndex(2, 1), 9);
}

TEST(RasterPixels, RgbToBgrStopsAtTheRow) {
  CRasterImage image(2, 1, 24, 1);
  BYTE buffer[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  image.RGBtoBGR(buffer, 9);
  const BYTE expect[9] = {3, 2, 1, 6, 5, 4, 7, 8, 9};
  EXPECT_EQ(memcmp(buffer, expect, 9), 0);
}

TEST(RasterPixels, AlphaLayer) {
  CRasterImage image(3, 2, 24, 1);
  EXPECT_EQ(image.AlphaGet(1, 1), 0);  // no layer reads 0 everywhere
  EXPECT_EQ(image.AlphaGetPointer(1, 1), nullptr);
  ASSERT_TRUE(image.AlphaCreate());
  EXPECT_EQ(image.AlphaGet(2, 1), 255);
  image.AlphaSet(2, 1, 10);
  image.AlphaSet(3, 1, 10);  // outside: ignored
  EXPECT_EQ(image.AlphaGet(2, 1), 10);
  EXPECT_EQ(image.AlphaGet(3, 1), 0);
  image.AlphaInvert();
  EXPECT_EQ(image.AlphaGet(2, 1), 245);
  EXPECT_EQ(image.AlphaGet(0, 0), 0);
  ASSERT_TRUE(image.AlphaMirror());
  EXPECT_EQ(image.AlphaGet(0, 1), 245);
  ASSERT_TRUE(image.AlphaFlip());
  EXPECT_EQ(image.AlphaGet(0, 0), 245);
  image.AlphaDelete();
  EXPECT_FALSE(image.AlphaIsValid());
  EXPECT_FALSE(image.AlphaFlip());

  CRasterImage grey(3, 2, 8, 1);
  grey.SetGrayPalette();
  grey.SetPixelIndex(1, 0, 33);
  ASSERT_TRUE(image.AlphaSetFromImage(grey));
  EXPECT_EQ(image.AlphaGet(1, 0), 33);
  CRasterImage wrong(2, 2, 8, 1);
  wrong.SetGrayPalette();
  EXPECT_FALSE(image.AlphaSetFromImage(wrong));
}

TEST(RasterPixels, SelectionBoxFollowsFlipAndMirror) {
  CRasterImage image(4, 3, 8, 1);
  ASSERT_TRUE(image.SelectionCreate());
  image.SelectionSet(0, 0, 1);
  EXPECT_TRUE(image.SelectionIsInside(0, 0));
  EXPECT_FALSE(image.SelectionIsInside(1, 0));
  ASSERT_TRUE(image.SelectionFlip());
  EXPECT_EQ(image.SelectionGetUnchecked(0, 2), 1);
  ASSERT_TRUE(image.SelectionMirror());
  EXPECT_EQ(image.SelectionGetUnchecked(3, 2), 1);
  image.SelectionDelete();
  EXPECT_TRUE(image.SelectionIsInside(1, 1));
}

TEST(RasterPixels, NegativeByKind) {
  CRasterImage rgb(2, 1, 24, 1);
  rgb.SetPixelColor(0, 0, RGBQUAD{0, 10, 255, 0});
  rgb.SetTransColor(RGBQUAD{1, 1, 1, 0});
  ASSERT_TRUE(rgb.Negative());
  EXPECT_EQ(rgb.GetPixelColor(0, 0, false).rgbGreen, 245);
  EXPECT_EQ(rgb.GetTransColor().rgbBlue, 254);

  CRasterImage colour(2, 1, 8, 1);
  colour.SetPaletteColor(1, 10, 20, 30);
  colour.SetPixelIndex(0, 0, 1);
  ASSERT_TRUE(colour.Negative());
  EXPECT_EQ(colour.GetPixelIndex(0, 0), 1);
  EXPECT_EQ(colour.GetPaletteColor(1).rgbRed, 245);

  CRasterImage grey(2, 1, 8, 1);
  grey.SetGrayPalette();
  grey.SetPixelIndex(0, 0, 3);
  ASSERT_TRUE(grey.Negative());
  EXPECT_EQ(grey.GetPixelIndex(0, 0), 252);
  EXPECT_EQ(grey.GetPaletteColor(3).rgbRed, 3);
  CRasterImage empty;
  EXPECT_FALSE(empty.Negative());
}

}  // namespace
