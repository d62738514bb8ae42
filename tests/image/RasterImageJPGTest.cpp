// The JPEG decoder against libjpeg's own decoding of the same files (same library, so the
// pixels must match exactly), its resolutions, and its failures.
#include <gtest/gtest.h>

#include <cstdio>

#include <jpeglib.h>

#include "image/RasterImageJPG.h"
#include "tests/image/CodecTestSupport.h"

namespace {

using codectest::DecodeBytes;
using codectest::ReadData;
using codectest::TopDown;

struct Reference {
  int width = 0, height = 0, components = 0;
  std::vector<BYTE> pixels;
};

// libjpeg's plain decoding with its standard error manager (only good files come here).
Reference LibJpegDecode(std::vector<BYTE>& bytes) {
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jerr.output_message = [](j_common_ptr) {};
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, bytes.data(), bytes.size());
  jpeg_read_header(&cinfo, TRUE);
  jpeg_start_decompress(&cinfo);
  Reference r;
  r.width = static_cast<int>(cinfo.output_width);
  r.height = static_cast<int>(cinfo.output_height);
  r.components = cinfo.output_components;
  r.pixels.resize(static_cast<size_t>(r.width) * r.height * r.components);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = r.pixels.data() + static_cast<size_t>(cinfo.output_scanline) * r.width * r.components;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return r;
}

TEST(RasterImageJPG, SamePixelsAsLibjpeg) {
  for (const char* name : {"jpg_baseline.jpg", "jpg_progressive.jpg", "jpg_grey.jpg", "jpg_cmyk.jpg",
                           "jpg_exif_mm.jpg", "jpg_exif_ii.jpg", "jpg_comment.jpg", "jpg_truncated.jpg"}) {
    SCOPED_TRACE(name);
    std::vector<BYTE> bytes = ReadData(name);
    Reference ref = LibJpegDecode(bytes);
    CRasterImage image;
    ASSERT_TRUE(DecodeBytes(image, bytes, RASTER_FORMAT_JPG)) << image.GetLastError();
    EXPECT_EQ(image.GetType(), static_cast<DWORD>(RASTER_FORMAT_JPG));
    ASSERT_EQ(image.GetWidth(), static_cast<DWORD>(ref.width));
    ASSERT_EQ(image.GetHeight(), static_cast<DWORD>(ref.height));
    EXPECT_EQ(image.GetBpp(), ref.components == 1 ? 8 : 24);
    if (ref.components == 1) {
      EXPECT_TRUE(image.IsGrayScale());
    }
    int mismatches = 0;
    for (int y = 0; y < ref.height; ++y) {
      for (int x = 0; x < ref.width; ++x) {
        const BYTE* p = &ref.pixels[(static_cast<size_t>(y) * ref.width + x) * ref.components];
        BYTE r, g, b;
        if (ref.components == 1) {
          r = g = b = p[0];
          if (image.GetPixelIndex(x, ref.height - 1 - y) != p[0]) {
            ++mismatches;
          }
        } else if (ref.components == 4) {
          // Adobe CMYK: each colour is its (inverted) sample scaled by K.
          r = static_cast<BYTE>(p[0] * p[3] / 255);
          g = static_cast<BYTE>(p[1] * p[3] / 255);
          b = static_cast<BYTE>(p[2] * p[3] / 255);
        } else {
          r = p[0], g = p[1], b = p[2];
        }
        RGBQUAD c = TopDown(image, x, y);
        if (c.rgbRed != r || c.rgbGreen != g || c.rgbBlue != b) ++mismatches;
      }
    }
    EXPECT_EQ(mismatches, 0);
  }
}

TEST(RasterImageJPG, Resolution) {
  struct Case {
    const char* name;
    long x, y;
  };
  const Case cases[] = {
      {"jpg_density0.jpg", 96, 192},  // aspect ratio 1:2 only
      {"jpg_density1.jpg", 72, 72},   // dots per inch
      {"jpg_density2.jpg", 300, 300}, // 118 dots per centimetre
      {"jpg_exif_mm.jpg", 300, 300},  // EXIF 300 per inch
      {"jpg_exif_ii.jpg", 299, 299},  // EXIF 118 per centimetre, truncated
      {"jpg_exif_nounit.jpg", 96, 96},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<BYTE> bytes = ReadData(c.name);
    CRasterImage image;
    ASSERT_TRUE(DecodeBytes(image, bytes, RASTER_FORMAT_JPG)) << image.GetLastError();
    EXPECT_EQ(image.GetXDPI(), c.x);
    EXPECT_EQ(image.GetYDPI(), c.y);
  }
}

TEST(RasterImageJPG, ExifOnlyReadsResolution) {
  std::vector<BYTE> bytes = ReadData("jpg_exif_mm.jpg");
  CRasterMemFile file(bytes.data(), static_cast<DWORD>(bytes.size()));
  CRasterImageJPG codec;
  EXPECT_TRUE(codec.ReadExifInfo(&file));
  EXPECT_EQ(file.Tell(), 0);
  EXPECT_EQ(codec.GetExifRecord().orientation, 6);
  // The picture is not turned by its orientation tag.
  EXPECT_TRUE(codec.Decode(&file));
  EXPECT_EQ(codec.GetWidth(), 64u);
}

TEST(RasterImageJPG, FailuresAreClean) {
  struct Case {
    const char* name;
    const char* error;  // null: any text
  };
  const Case cases[] = {
      {"malformed/jpg_empty.jpg", "Empty input file"},
      {"malformed/jpg_huge_size.jpg", "Maximum supported image dimension is 65500 pixels"},
      {"malformed/jpg_header_only.jpg", nullptr},
      {"gif_one.gif", "Not a JPEG file: starts with 0x47 0x49"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<BYTE> bytes = ReadData(c.name);
    CRasterImage image;
    bool ok = DecodeBytes(image, bytes, RASTER_FORMAT_JPG);
    if (c.error) {
      EXPECT_FALSE(ok);
      EXPECT_STREQ(image.GetLastError(), c.error);
      EXPECT_FALSE(image.IsValid());
    }
  }
  // Broken EXIF blocks never fail the picture.
  for (const char* name : {"malformed/jpg_exif_count_wrap.jpg", "malformed/jpg_exif_loop.jpg",
                           "malformed/jpg_exif_short.jpg"}) {
    SCOPED_TRACE(name);
    std::vector<BYTE> bytes = ReadData(name);
    CRasterImage image;
    EXPECT_TRUE(DecodeBytes(image, bytes, RASTER_FORMAT_JPG)) << image.GetLastError();
    EXPECT_EQ(image.GetXDPI(), 96);
  }
  std::vector<BYTE> bytes = ReadData("malformed/jpg_corrupt_scan.jpg");
  CRasterImage image;
  DecodeBytes(image, bytes, RASTER_FORMAT_JPG);
}

TEST(RasterImageJPG, FoundWithoutType) {
  std::vector<BYTE> bytes = ReadData("jpg_baseline.jpg");
  CRasterImage image;
  ASSERT_TRUE(DecodeBytes(image, bytes, 0));
  EXPECT_EQ(image.GetType(), static_cast<DWORD>(RASTER_FORMAT_JPG));
}

}  // namespace
