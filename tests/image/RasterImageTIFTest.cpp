// The TIFF decoder against libtiff's own RGBA decoding of the same files, orientations against
// the upright picture, and its failures.
#include <gtest/gtest.h>

#include <tiffio.h>

#include "image/RasterImageTIF.h"
#include "tests/image/CodecTestSupport.h"

namespace {

using codectest::DataPath;
using codectest::DecodeBytes;
using codectest::ReadData;
using codectest::TopDown;

int CountMismatches(const char* name, long frame = 0, int tolerance = 0) {
  std::vector<BYTE> bytes = ReadData(name);
  CRasterImage image;
  EXPECT_TRUE(DecodeBytes(image, bytes, RASTER_FORMAT_TIF, frame)) << image.GetLastError();
  TIFF* tif = TIFFOpen(DataPath(name).c_str(), "r");
  EXPECT_NE(tif, nullptr);
  if (!tif) return -1;
  TIFFSetDirectory(tif, static_cast<tdir_t>(frame));
  uint32_t w = 0, h = 0;
  uint16_t spp = 1;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
  std::vector<uint32_t> raster(static_cast<size_t>(w) * h);
  EXPECT_TRUE(TIFFReadRGBAImageOriented(tif, w, h, raster.data(), ORIENTATION_TOPLEFT, 1));
  TIFFClose(tif);
  EXPECT_EQ(image.GetWidth(), w);
  EXPECT_EQ(image.GetHeight(), h);
  int mismatches = 0;
  for (uint32_t y = 0; y < h; ++y) {
    for (uint32_t x = 0; x < w; ++x) {
      uint32_t v = raster[static_cast<size_t>(y) * w + x];
      RGBQUAD c = TopDown(image, x, y);
      auto off = [&](int a, int b) { return a - b > tolerance || b - a > tolerance; };
      if (off(c.rgbRed, TIFFGetR(v)) || off(c.rgbGreen, TIFFGetG(v)) || off(c.rgbBlue, TIFFGetB(v))) {
        // Grey with alpha: libtiff multiplies the grey by the alpha, the image keeps both apart.
        if (spp == 2 && image.AlphaIsValid() &&
            c.rgbRed * image.AlphaGet(x, h - 1 - y) / 255 == TIFFGetR(v))
          continue;
        ++mismatches;
      }
      if (image.AlphaIsValid() && off(image.AlphaGet(x, h - 1 - y), TIFFGetA(v))) ++mismatches;
    }
  }
  return mismatches;
}

TEST(RasterImageTIF, SamePixelsAsLibtiff) {
  for (const char* name : {"tif_strip_rgb.tif", "tif_tiles_rgb.tif", "tif_tiles_grey.tif", "tif_palette4.tif",
                           "tif_miniswhite.tif", "tif_minisblack.tif", "tif_rgba.tif", "tif_grey16.tif",
                           "tif_orient1.tif", "tif_strip_greyalpha.tif", "tif_dpi_cm.tif"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(CountMismatches(name), 0);
  }
  // Off by one at most: the colour map is scaled by 255 / 65535 where libtiff takes the high byte.
  EXPECT_EQ(CountMismatches("tif_palette.tif", 0, 1), 0);
  // Tiles with two bytes per pixel (16-bit grey, grey with alpha) against their strip twins,
  // which match libtiff above: the tile copy must clip in bytes. (libtiff's own RGBA reading
  // shifts the right-most partial tile of these files, so it cannot be the reference here;
  // ImageMagick agrees with the strips.)
  const char* twins[][2] = {{"tif_tiles_grey16.tif", "tif_grey16.tif"},
                            {"tif_tiles_greyalpha.tif", "tif_strip_greyalpha.tif"}};
  for (const auto& t : twins) {
    SCOPED_TRACE(t[0]);
    std::vector<BYTE> a = ReadData(t[0]), b = ReadData(t[1]);
    CRasterImage ia, ib;
    ASSERT_TRUE(DecodeBytes(ia, a, RASTER_FORMAT_TIF));
    ASSERT_TRUE(DecodeBytes(ib, b, RASTER_FORMAT_TIF));
    ASSERT_EQ(ia.GetWidth(), ib.GetWidth());
    int mismatches = 0;
    for (long y = 0; y < static_cast<long>(ia.GetHeight()); ++y)
      for (long x = 0; x < static_cast<long>(ia.GetWidth()); ++x)
        mismatches += ia.GetPixelIndex(x, y) != ib.GetPixelIndex(x, y) || ia.AlphaGet(x, y) != ib.AlphaGet(x, y);
    EXPECT_EQ(mismatches, 0);
  }
}

TEST(RasterImageTIF, Pages) {
  EXPECT_EQ(CountMismatches("tif_multipage.tif", 1), 0);
  std::vector<BYTE> bytes = ReadData("tif_multipage.tif");
  CRasterImage image;
  ASSERT_TRUE(DecodeBytes(image, bytes, RASTER_FORMAT_TIF, 1));
  EXPECT_EQ(image.GetNumFrames(), 2);
  EXPECT_EQ(image.GetWidth(), 20u);
  CRasterImage past;
  EXPECT_FALSE(DecodeBytes(past, bytes, RASTER_FORMAT_TIF, 2));
  EXPECT_STREQ(past.GetLastError(), "Error: page not present in TIFF file");
  EXPECT_EQ(past.GetNumFrames(), 2);
}

TEST(RasterImageTIF, OrientationsComeOutUpright) {
  std::vector<BYTE> upBytes = ReadData("tif_orient1.tif");
  CRasterImage up;
  ASSERT_TRUE(DecodeBytes(up, upBytes, RASTER_FORMAT_TIF));
  for (int o = 2; o <= 8; ++o) {
    SCOPED_TRACE(o);
    std::vector<BYTE> bytes = ReadData("tif_orient" + std::to_string(o) + ".tif");
    CRasterImage image;
    ASSERT_TRUE(DecodeBytes(image, bytes, RASTER_FORMAT_TIF));
    ASSERT_EQ(image.GetWidth(), up.GetWidth());
    ASSERT_EQ(image.GetHeight(), up.GetHeight());
    int mismatches = 0;
    for (long y = 0; y < static_cast<long>(up.GetHeight()); ++y)
      for (long x = 0; x < static_cast<long>(up.GetWidth()); ++x)
        mismatches += image.GetPixelIndex(x, y) != up.GetPixelIndex(x, y);
    EXPECT_EQ(mismatches, 0);
  }
  std::vector<BYTE> p1 = ReadData("tif_palette_orient1.tif");
  std::vector<BYTE> p6 = ReadData("tif_palette_orient6.tif");
  CRasterImage a, b;
  ASSERT_TRUE(DecodeBytes(a, p1, RASTER_FORMAT_TIF));
  ASSERT_TRUE(DecodeBytes(b, p6, RASTER_FORMAT_TIF));
  ASSERT_EQ(b.GetWidth(), a.GetWidth());
  for (long x = 0; x < static_cast<long>(a.GetWidth()); ++x) {
    RGBQUAD ca = TopDown(a, x, 0), cb = TopDown(b, x, 0);
    EXPECT_EQ(ca.rgbRed, cb.rgbRed);
  }
}

TEST(RasterImageTIF, ValuesOfTheFile) {
  struct Case {
    const char* name;
    long dpi;
    WORD bpp;
  };
  const Case cases[] = {{"tif_dpi_inch.tif", 300, 8}, {"tif_dpi_cm.tif", 300, 8}, {"tif_miniswhite.tif", 96, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<BYTE> bytes = ReadData(c.name);
    CRasterImage image;
    ASSERT_TRUE(DecodeBytes(image, bytes, RASTER_FORMAT_TIF));
    EXPECT_EQ(image.GetXDPI(), c.dpi);
    EXPECT_EQ(image.GetBpp(), c.bpp);
  }
  std::vector<BYTE> white = ReadData("tif_miniswhite.tif");
  CRasterImage image;
  ASSERT_TRUE(DecodeBytes(image, white, RASTER_FORMAT_TIF));
  EXPECT_EQ(image.GetPaletteColor(0).rgbRed, 255);
  EXPECT_EQ(image.GetPaletteColor(1).rgbRed, 0);
  std::vector<BYTE> lab = ReadData("tif_cielab.tif");
  CRasterImage labImage;
  ASSERT_TRUE(DecodeBytes(labImage, lab, RASTER_FORMAT_TIF));
  EXPECT_EQ(labImage.GetBpp(), 24);
  for (long y = 0; y < 3; ++y) {
    RGBQUAD c = labImage.GetPixelColor(1, y, false);
    EXPECT_GE(c.rgbRed, 254);
    EXPECT_GE(c.rgbGreen, 254);
  }
}

TEST(RasterImageTIF, SixteenBitGreyKeepsItsRange) {
  // The brightest sample is 0x0FFF, so every sample s becomes s >> 4 and the brightest 255.
  std::vector<BYTE> bytes = ReadData("tif_grey16_dim.tif");
  CRasterImage image;
  ASSERT_TRUE(DecodeBytes(image, bytes, RASTER_FORMAT_TIF));
  ASSERT_EQ(image.GetWidth(), 9u);
  for (long y = 0; y < 4; ++y) {
    for (long x = 0; x < 9; ++x) {
      int s = (x == 8 && y == 3) ? 0x0FFF : ((x * 455 + y * 3) & 0x0FFF);
      EXPECT_EQ(image.GetPixelIndex(x, 3 - y), s >> 4) << x << "," << y;
    }
  }
  EXPECT_EQ(image.GetPixelIndex(8, 0), 255);
}

TEST(RasterImageTIF, WidePaletteGivesColourPixels) {
  // 9-bit samples index a 512-entry colour map of 16-bit values; the picture becomes 24-bit.
  std::vector<BYTE> bytes = ReadData("tif_palette9.tif");
  CRasterImage image;
  ASSERT_TRUE(DecodeBytes(image, bytes, RASTER_FORMAT_TIF)) << image.GetLastError();
  EXPECT_EQ(image.GetBpp(), 24);
  const int values[2][6] = {{0, 1, 255, 256, 300, 511}, {511, 300, 256, 255, 1, 0}};
  for (long r = 0; r < 2; ++r) {
    for (long x = 0; x < 6; ++x) {
      const unsigned v = static_cast<unsigned>(values[r][x]);
      RGBQUAD c = TopDown(image, x, r);
      EXPECT_EQ(c.rgbRed, 100 * v * 255 / 65535) << x;
      EXPECT_EQ(c.rgbGreen, (65535 - 100 * v) * 255 / 65535) << x;
      EXPECT_EQ(c.rgbBlue, 50 * v * 255 / 65535) << x;
    }
  }
}

TEST(RasterImageTIF, FailuresAreClean) {
  for (const char* name : {"malformed/tif_truncated.tif", "malformed/tif_noise.tif",
                           "malformed/tif_header_only.tif", "malformed/tif_bad_ifd.tif", "gif_one.gif"}) {
    SCOPED_TRACE(name);
    std::vector<BYTE> bytes = ReadData(name);
    CRasterImage image;
    if (!DecodeBytes(image, bytes, RASTER_FORMAT_TIF)) {
      EXPECT_STRNE(image.GetLastError(), "");
      EXPECT_FALSE(image.IsValid());
    }
  }
  std::vector<BYTE> bytes = ReadData("gif_one.gif");
  CRasterImage image;
  EXPECT_FALSE(DecodeBytes(image, bytes, RASTER_FORMAT_TIF));
  EXPECT_STREQ(image.GetLastError(), "Error encountered while opening TIFF file");
  // Without a type the GIF and TIFF decoders are found in turn.
  EXPECT_TRUE(DecodeBytes(image, bytes, 0));
  EXPECT_EQ(image.GetType(), static_cast<DWORD>(RASTER_FORMAT_GIF));
  std::vector<BYTE> tiff = ReadData("tif_palette.tif");
  EXPECT_TRUE(DecodeBytes(image, tiff, 0));
  EXPECT_EQ(image.GetType(), static_cast<DWORD>(RASTER_FORMAT_TIF));
}

}  // namespace
