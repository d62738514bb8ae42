// The JPEG 2000 decoder: the files are lossless, so their PNM sources are the reference.
#include <gtest/gtest.h>

#include "image/RasterImageJAS.h"
#include "tests/image/CodecTestSupport.h"

namespace {

using codectest::DecodeBytes;
using codectest::ReadData;
using codectest::ReadPnm;
using codectest::TopDown;

TEST(RasterImageJAS, SamePixelsAsSource) {
  struct Case {
    const char* file;
    const char* source;
    DWORD type;
    WORD bpp;
  };
  const Case cases[] = {
      {"jp2_rgb.jp2", "jp2_rgb.ppm", RASTER_FORMAT_JP2, 24},
      {"j2k_rgb.j2k", "jp2_rgb.ppm", RASTER_FORMAT_JPC, 24},
      {"jp2_grey.jp2", "jp2_grey.pgm", RASTER_FORMAT_JP2, 8},
      {"j2k_grey.j2k", "jp2_grey.pgm", RASTER_FORMAT_JPC, 8},
      {"j2k_grey12.j2k", "j2k_grey12.pgm", RASTER_FORMAT_JPC, 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    std::vector<BYTE> bytes = ReadData(c.file);
    codectest::Pnm ref = ReadPnm(c.source);
    // Asked without a type (the all-formats attempt) and with the matching type.
    for (DWORD asked : {DWORD(0), c.type}) {
      CRasterImage image;
      ASSERT_TRUE(DecodeBytes(image, bytes, asked)) << image.GetLastError();
      EXPECT_EQ(image.GetType(), c.type);
      EXPECT_EQ(image.GetBpp(), c.bpp);
      ASSERT_EQ(image.GetWidth(), static_cast<DWORD>(ref.width));
      ASSERT_EQ(image.GetHeight(), static_cast<DWORD>(ref.height));
      const int shift = ref.maxValue > 255 ? 4 : 0;
      int mismatches = 0;
      for (int y = 0; y < ref.height; ++y) {
        for (int x = 0; x < ref.width; ++x) {
          const int* p = &ref.samples[(static_cast<size_t>(y) * ref.width + x) * ref.channels];
          RGBQUAD col = TopDown(image, x, y);
          if (ref.channels == 3) {
            mismatches += col.rgbRed != p[0] || col.rgbGreen != p[1] || col.rgbBlue != p[2];
          } else {
            mismatches += image.GetPixelIndex(x, ref.height - 1 - y) != (p[0] >> shift);
          }
        }
      }
      EXPECT_EQ(mismatches, 0);
    }
  }
}

TEST(RasterImageJAS, ComponentsAsFrames) {
  std::vector<BYTE> bytes = ReadData("j2k_two.j2k");
  codectest::Pnm ref = ReadPnm("j2k_two.pam");
  for (long frame : {0L, 1L}) {
    CRasterImage image;
    ASSERT_TRUE(DecodeBytes(image, bytes, RASTER_FORMAT_JPC, frame)) << image.GetLastError();
    EXPECT_EQ(image.GetNumFrames(), 2);
    EXPECT_TRUE(image.IsGrayScale());
    int mismatches = 0;
    for (int y = 0; y < ref.height; ++y)
      for (int x = 0; x < ref.width; ++x)
        mismatches += image.GetPixelIndex(x, ref.height - 1 - y) !=
                      ref.samples[(static_cast<size_t>(y) * ref.width + x) * 2 + frame];
    EXPECT_EQ(mismatches, 0);
  }
  CRasterImage past;
  EXPECT_FALSE(DecodeBytes(past, bytes, RASTER_FORMAT_JPC, 2));
  EXPECT_STREQ(past.GetLastError(), "wrong frame!");
}

TEST(RasterImageJAS, FailuresAreClean) {
  struct Case {
    const char* name;
    const char* error;
  };
  const Case cases[] = {
      {"gif_one.gif", "error: unknowm format"},
      {"malformed/jp2_truncated.jp2", nullptr},
      {"malformed/j2k_noise.j2k", nullptr},
      {"malformed/j2k_header_only.j2k", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<BYTE> bytes = ReadData(c.name);
    CRasterImage image;
    bool ok = DecodeBytes(image, bytes, RASTER_FORMAT_JP2);
    if (c.error) {
      EXPECT_FALSE(ok);
      EXPECT_STREQ(image.GetLastError(), c.error);
    } else if (!ok) {
      EXPECT_FALSE(image.IsValid());
    }
  }
}

}  // namespace
