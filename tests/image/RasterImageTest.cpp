// The image object: creation limits, copying and moving, frames, settings and the decode
// dispatch's outcomes that do not depend on a particular format.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "image/RasterImage.h"
#include "tests/support/TempDir.h"

namespace {

// Gives tests the protected kept-frames setter.
class FramedImage : public CRasterImage {
 public:
  using CRasterImage::CRasterImage;
  void KeepFrames(int count) {
    auto** frames = static_cast<CRasterImage**>(malloc(sizeof(CRasterImage*) * count));
    for (int i = 0; i < count; i++) frames[i] = new CRasterImage(static_cast<DWORD>(i + 1), 1, 8, 1);
    SetKeptFrames(frames, count);
    m_info.numFrames = count;
  }
};

TEST(RasterImage, StartupSettings) {
  CRasterImage image(4);
  EXPECT_FALSE(image.IsValid());
  EXPECT_EQ(image.GetType(), 4u);
  EXPECT_EQ(image.GetTransIndex(), -1);
  EXPECT_EQ(image.GetXDPI(), 96);
  EXPECT_EQ(image.GetYDPI(), 96);
  EXPECT_EQ(image.GetJpegQuality(), 90);
  EXPECT_EQ(image.GetWidth(), 0u);
  EXPECT_STREQ(image.GetLastError(), "");
  EXPECT_EQ(image.GetBits(), nullptr);
}

struct CreateCase {
  DWORD width, height, bpp;
  bool ok;
  const char* error;
  WORD bppOut;
  DWORD effWidth, colours;
};

TEST(RasterImage, CreateNormalisesDepthAndEnforcesLimits) {
  const CreateCase cases[] = {
      {10, 0, 8, false, "CRasterImage::Create : width and height must be greater than zero", 0, 0, 0},
      {0, 10, 8, false, "CRasterImage::Create : width and height must be greater than zero", 0, 0, 0},
      {20000, 20000, 24, false, "IMAGE_MAX_MEMORY exceeded", 0, 0, 0},
      {65536, 65536, 24, false, "IMAGE_MAX_MEMORY exceeded", 0, 0, 0},
      {0xFFFFFFFF, 0xFFFFFFFF, 24, false, "IMAGE_MAX_MEMORY exceeded", 0, 0, 0},
      // Row padding counts: one pixel per row would need 4 bytes for each of 2^30 rows.
      {1, 1u << 30, 1, false, "IMAGE_MAX_MEMORY exceeded", 0, 0, 0},
      {3, 2, 5, true, "", 8, 4, 256},
      {1, 1, 1, true, "", 1, 4, 2},
      {1, 1, 24, true, "", 24, 4, 0},
      {5, 3, 3, true, "", 4, 4, 16},
      {33, 1, 1, true, "", 1, 8, 2},
      {7, 2, 32, true, "", 24, 24, 0},
  };
  for (const CreateCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << "x" << c.bpp);
    CRasterImage image;
    BYTE* dib = image.Create(c.width, c.height, c.bpp, 1);
    EXPECT_EQ(dib != nullptr, c.ok);
    EXPECT_EQ(image.IsValid(), c.ok);
    if (!c.ok) {
      EXPECT_STREQ(image.GetLastError(), c.error);
      continue;
    }
    EXPECT_EQ(image.GetBpp(), c.bppOut);
    EXPECT_EQ(image.GetEffectiveWidth(), c.effWidth);
    EXPECT_EQ(image.GetPaletteSize(), c.colours * 4);
    EXPECT_EQ(image.GetSize(), static_cast<long>(40 + c.colours * 4 + c.effWidth * c.height));
    for (DWORD i = 0; i < c.colours; i++) EXPECT_EQ(image.GetPaletteColor(static_cast<BYTE>(i)).rgbRed, 0);
    // The DIB's own header matches the image's.
    BITMAPINFOHEADER header;
    memcpy(&header, image.GetDIB(), sizeof(header));
    EXPECT_EQ(header.biBitCount, c.bppOut);
    EXPECT_EQ(header.biXPelsPerMeter, 3780);
    EXPECT_EQ(image.GetBits(0), static_cast<BYTE*>(image.GetDIB()) + 40 + c.colours * 4);
    EXPECT_EQ(image.GetBits(c.height), nullptr);
    // New pixels read as zero.
    for (DWORD i = 0; i < c.effWidth * c.height; i++) ASSERT_EQ(image.GetBits(0)[i], 0);
  }
}

TEST(RasterImage, CreateAtTheMemoryLimit) {
  CRasterImage image;
  // Exactly 268,435,456 bytes of pixels; the pages stay untouched, so this costs no memory.
  ASSERT_NE(image.Create(16384, 16384, 8, 1), nullptr);
  EXPECT_EQ(image.GetSize(), 40 + 1024 + 268435456L);
}

TEST(RasterImage, DestroyKeepsHeaderValues) {
  CRasterImage image(5, 4, 24, 1);
  ASSERT_TRUE(image.AlphaCreate());
  EXPECT_TRUE(image.Destroy());
  EXPECT_FALSE(image.IsValid());
  EXPECT_FALSE(image.AlphaIsValid());
  EXPECT_EQ(image.GetWidth(), 5u);
  EXPECT_EQ(image.GetHeight(), 4u);
  EXPECT_EQ(image.GetBits(), nullptr);
}

TEST(RasterImage, CopyTakesPixelsAlphaAndSelectionButNotFrames) {
  FramedImage source(3, 2, 8, 1);
  source.SetPaletteColor(7, 1, 2, 3);
  source.SetPixelIndex(2, 1, 7);
  ASSERT_TRUE(source.AlphaCreate());
  source.AlphaSet(1, 1, 40);
  ASSERT_TRUE(source.SelectionCreate());
  source.SelectionSet(0, 0, 1);
  source.SetTransIndex(7);
  source.KeepFrames(2);

  CRasterImage full(source);
  EXPECT_TRUE(full.IsValid());
  EXPECT_EQ(full.GetPixelIndex(2, 1), 7);
  EXPECT_EQ(full.AlphaGet(1, 1), 40);
  EXPECT_TRUE(full.SelectionIsValid());
  EXPECT_EQ(full.GetTransIndex(), 7);
  EXPECT_EQ(full.GetFrame(0), nullptr);
  EXPECT_NE(full.GetBits(), source.GetBits());

  CRasterImage bare(source, false, false, false);
  EXPECT_TRUE(bare.IsValid());
  EXPECT_EQ(bare.GetPixelIndex(2, 1), 0);
  EXPECT_EQ(bare.GetPaletteColor(7).rgbRed, 1);
  EXPECT_FALSE(bare.AlphaIsValid());
  EXPECT_FALSE(bare.SelectionIsValid());
}

TEST(RasterImage, TransferMovesEverythingAndEmptiesTheSource) {
  FramedImage source(4, 3, 24, 7);
  source.SetPixelColor(1, 1, RGBQUAD{1, 2, 3, 0});
  ASSERT_TRUE(source.AlphaCreate());
  source.KeepFrames(3);
  FramedImage target;
  target.KeepFrames(1);
  ASSERT_TRUE(target.Transfer(source, true));
  EXPECT_TRUE(target.IsValid());
  EXPECT_EQ(target.GetType(), 7u);
  EXPECT_EQ(target.GetPixelColor(1, 1, false).rgbRed, 3);
  EXPECT_TRUE(target.AlphaIsValid());
  EXPECT_EQ(target.GetNumFrames(), 3);
  ASSERT_NE(target.GetFrame(2), nullptr);
  EXPECT_EQ(target.GetFrame(2)->GetWidth(), 3u);
  EXPECT_FALSE(source.IsValid());
  EXPECT_EQ(source.GetWidth(), 0u);
  EXPECT_EQ(source.GetType(), 0u);
  EXPECT_EQ(source.GetFrame(0), nullptr);
}

TEST(RasterImage, GetFrameBounds) {
  FramedImage image;
  EXPECT_EQ(image.GetFrame(0), nullptr);
  image.KeepFrames(3);
  EXPECT_EQ(image.GetFrame(-1), image.GetFrame(2));
  EXPECT_EQ(image.GetFrame(-1)->GetWidth(), 3u);
  EXPECT_EQ(image.GetFrame(3), nullptr);
  EXPECT_TRUE(image.DestroyFrames());
  EXPECT_EQ(image.GetNumFrames(), 0);
  EXPECT_EQ(image.GetFrame(0), nullptr);
}

TEST(RasterImage, SettingsAndCodecOptions) {
  CRasterImage image(3, 3, 8, 4);
  image.SetXDPI(72);
  image.SetYDPI(-3);
  BITMAPINFOHEADER header;
  memcpy(&header, image.GetDIB(), sizeof(header));
  EXPECT_EQ(image.GetXDPI(), 72);
  EXPECT_EQ(header.biXPelsPerMeter, 2835);
  EXPECT_EQ(image.GetYDPI(), 96);
  EXPECT_EQ(header.biYPelsPerMeter, 3780);
  // Resolutions from file headers are kept to what the header fields hold.
  image.SetXDPI(60000000);
  memcpy(&header, image.GetDIB(), sizeof(header));
  EXPECT_EQ(header.biXPelsPerMeter, INT32_MAX);
  image.SetYDPI(5000000000L);
  EXPECT_EQ(image.GetYDPI(), INT32_MAX);

  EXPECT_TRUE(image.SetCodecOption(5));  // the image's own type, PNG
  EXPECT_EQ(image.GetCodecOption(4), 5u);
  EXPECT_EQ(image.GetCodecOption(), 5u);
  EXPECT_TRUE(image.SetCodecOption(9, 12));
  EXPECT_EQ(image.GetCodecOption(12), 9u);
  EXPECT_EQ(image.GetCodecOption(11), 0u);

  const DWORD types[] = {0, 1, 7, 8, 9, 10, 11, 12, 13, 17};
  const long indices[] = {0, 1, 7, 0, 8, 0, 9, 10, 0, 0};
  for (size_t i = 0; i < sizeof(types) / sizeof(types[0]); i++) {
    EXPECT_EQ(CRasterImage::GetTypeIndexFromId(types[i]), indices[i]) << types[i];
  }
  EXPECT_TRUE(image.SetType(9));
  EXPECT_EQ(image.GetType(), 9u);
  EXPECT_FALSE(image.SetType(8));
  EXPECT_EQ(image.GetType(), 0u);
  EXPECT_EQ(image.SwapIfBigEndian16(0x1234), 0x1234);
  EXPECT_EQ(image.SwapIfBigEndian32(0x12345678u), 0x12345678u);
}

TEST(RasterImage, DecodeWithoutDecoderFails) {
  BYTE bytes[16] = {1, 2, 3};
  const DWORD types[] = {8, 10, 13, 17, 1000};
  for (DWORD type : types) {
    CRasterImage image(bytes, sizeof(bytes), type);
    EXPECT_FALSE(image.IsValid()) << type;
    EXPECT_EQ(image.GetWidth(), 0u);
    EXPECT_STREQ(image.GetLastError(), "Decode: Unknown or wrong format");
  }
  CRasterImage image;
  EXPECT_FALSE(image.Decode(static_cast<CRasterFile*>(nullptr), 1));
  EXPECT_STREQ(image.GetLastError(), "null file handler");
  // Garbage fails every decoder of the all-formats attempt.
  EXPECT_FALSE(image.Decode(bytes, sizeof(bytes), 0));
  EXPECT_STREQ(image.GetLastError(), "Decode: Unknown or wrong format");
}

TEST(RasterImage, LoadOfAMissingFileFails) {
  testsupport::TempDir dir;
  CRasterImage image;
  EXPECT_FALSE(image.Load(dir.File("none.bmp").c_str(), 1));
  EXPECT_FALSE(image.Load(dir.File("none.bmp").c_str(), 0));
  EXPECT_FALSE(image.IsValid());
}

}  // namespace
