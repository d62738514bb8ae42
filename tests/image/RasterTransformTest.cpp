// Flips, mirrors and quarter turns at every depth, with the alpha layer following.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "image/RasterImage.h"

namespace {

// Fills an image with a pattern that differs for every pixel within the depth's range.
void Fill(CRasterImage& image) {
  for (long y = 0; y < static_cast<long>(image.GetHeight()); y++) {
    for (long x = 0; x < static_cast<long>(image.GetWidth()); x++) {
      BYTE v = static_cast<BYTE>(x * 7 + y * 13 + (x ^ y));
      if (image.GetBpp() == 24) {
        image.SetPixelColor(x, y, RGBQUAD{v, static_cast<BYTE>(v + 1), static_cast<BYTE>(v * 3), 0});
      } else {
        image.SetPixelIndex(x, y, v);
      }
      image.AlphaSet(x, y, static_cast<BYTE>(v ^ 0x5A));
    }
  }
}

uint32_t Pixel(const CRasterImage& image, long x, long y) {
  if (image.GetBpp() == 24) {
    RGBQUAD c = image.GetPixelColor(x, y, false);
    return c.rgbBlue | (c.rgbGreen << 8) | (c.rgbRed << 16);
  }
  return image.GetPixelIndex(x, y);
}

class Turns : public testing::TestWithParam<int> {};

TEST_P(Turns, EveryOperationMapsEveryPixel) {
  const int bpp = GetParam();
  // Sizes that cross byte boundaries at 1 and 4 bits and the 64-pixel blocks of the turns.
  const long sizes[][2] = {{9, 3}, {3, 2}, {70, 65}, {1, 1}};
  for (const auto& size : sizes) {
    long w = size[0], h = size[1];
    SCOPED_TRACE(testing::Message() << bpp << " bpp " << w << "x" << h);
    CRasterImage original(static_cast<DWORD>(w), static_cast<DWORD>(h), static_cast<DWORD>(bpp), 1);
    ASSERT_TRUE(original.AlphaCreate());
    Fill(original);
    original.SetPaletteColor(1, 9, 8, 7);

    CRasterImage flipped(original);
    ASSERT_TRUE(flipped.Flip());
    CRasterImage mirrored(original);
    ASSERT_TRUE(mirrored.Mirror());
    CRasterImage left(original);
    ASSERT_TRUE(left.RotateLeft());
    CRasterImage right;
    ASSERT_TRUE(original.RotateRight(&right));  // into a destination, the source unchanged
    ASSERT_EQ(left.GetWidth(), static_cast<DWORD>(h));
    ASSERT_EQ(left.GetHeight(), static_cast<DWORD>(w));
    EXPECT_EQ(left.GetPaletteColor(1).rgbRed, original.GetPaletteColor(1).rgbRed);
    for (long y = 0; y < h; y++) {
      for (long x = 0; x < w; x++) {
        uint32_t p = Pixel(original, x, y);
        BYTE a = original.AlphaGet(x, y);
        ASSERT_EQ(Pixel(flipped, x, h - 1 - y), p);
        ASSERT_EQ(flipped.AlphaGet(x, h - 1 - y), a);
        ASSERT_EQ(Pixel(mirrored, w - 1 - x, y), p);
        ASSERT_EQ(mirrored.AlphaGet(w - 1 - x, y), a);
        // Left: new (x', y') = old (y', h - 1 - x'), so old (x, y) lands at (h - 1 - y, x).
        ASSERT_EQ(Pixel(left, h - 1 - y, x), p);
        ASSERT_EQ(left.AlphaGet(h - 1 - y, x), a);
        // Right: new (x', y') = old (w - 1 - y', x'), so old (x, y) lands at (y, w - 1 - x).
        ASSERT_EQ(Pixel(right, y, w - 1 - x), p);
        ASSERT_EQ(right.AlphaGet(y, w - 1 - x), a);
      }
    }
    // Left then right restores the picture.
    ASSERT_TRUE(left.RotateRight());
    ASSERT_TRUE(flipped.Flip());
    for (long y = 0; y < h; y++) {
      for (long x = 0; x < w; x++) {
        ASSERT_EQ(Pixel(left, x, y), Pixel(original, x, y));
        ASSERT_EQ(left.AlphaGet(x, y), original.AlphaGet(x, y));
        ASSERT_EQ(Pixel(flipped, x, y), Pixel(original, x, y));
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Depths, Turns, testing::Values(1, 4, 8, 24));

TEST(RasterTransform, TwoPixelsSideBySide) {
  // A left of B; in a picture shown top row first.
  CRasterImage image(2, 1, 8, 1);
  image.SetPixelIndex(0, 0, 'A');
  image.SetPixelIndex(1, 0, 'B');
  CRasterImage left;
  ASSERT_TRUE(image.RotateLeft(&left));
  // One column; the top row is y = 1.
  EXPECT_EQ(left.GetPixelIndex(0, 1), 'B');
  EXPECT_EQ(left.GetPixelIndex(0, 0), 'A');
  CRasterImage right;
  ASSERT_TRUE(image.RotateRight(&right));
  EXPECT_EQ(right.GetPixelIndex(0, 1), 'A');
}

TEST(RasterTransform, MirrorOfFourBitsWidthThree) {
  CRasterImage image(3, 1, 4, 1);
  image.SetPixelIndex(0, 0, 1);
  image.SetPixelIndex(1, 0, 2);
  image.SetPixelIndex(2, 0, 3);
  ASSERT_TRUE(image.Mirror());
  EXPECT_EQ(image.GetPixelIndex(0, 0), 3);
  EXPECT_EQ(image.GetPixelIndex(1, 0), 2);
  EXPECT_EQ(image.GetPixelIndex(2, 0), 1);
}

// Gives tests the protected kept-frames setter.
class FramedImage : public CRasterImage {
 public:
  using CRasterImage::CRasterImage;
  void KeepFrames(int count) {
    auto** frames = static_cast<CRasterImage**>(malloc(sizeof(CRasterImage*) * count));
    for (int i = 0; i < count; i++) frames[i] = new CRasterImage(2, 2, 8, 1);
    SetKeptFrames(frames, count);
    m_info.numFrames = count;
  }
};

TEST(RasterTransform, TurnsAndMirrorsDropKeptFramesFlipsKeepThem) {
  FramedImage image(3, 2, 8, 1);
  image.KeepFrames(2);
  ASSERT_TRUE(image.Flip());
  EXPECT_NE(image.GetFrame(1), nullptr);
  ASSERT_TRUE(image.Mirror());
  EXPECT_EQ(image.GetFrame(0), nullptr);
  image.KeepFrames(2);
  ASSERT_TRUE(image.RotateLeft());
  EXPECT_EQ(image.GetFrame(0), nullptr);
  image.KeepFrames(2);
  ASSERT_TRUE(image.RotateRight());
  EXPECT_EQ(image.GetFrame(0), nullptr);
}

TEST(RasterTransform, FlipOfEmptyImageFails) {
  CRasterImage image;
  EXPECT_FALSE(image.Flip());
  EXPECT_FALSE(image.Mirror());
  EXPECT_FALSE(image.RotateLeft());
  EXPECT_FALSE(image.RotateRight());
}

TEST(RasterTransform, SelectionBoxFollowsTheTurn) {
  CRasterImage image(5, 3, 8, 1);
  ASSERT_TRUE(image.SelectionCreate());
  image.SelectionSet(1, 0, 255);
  ASSERT_TRUE(image.RotateLeft());
  // Old (1, 0) lands at (3 - 1 - 0, 1) = (2, 1).
  EXPECT_EQ(image.SelectionGetUnchecked(2, 1), 255);
  EXPECT_TRUE(image.SelectionIsValid());
}

}  // namespace
