// What each decoder makes of the cases its format is known for, beyond the pixel comparison:
// transparency, alpha, palettes, resolution, frame counts, embedded streams and the dispatch.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "image/RasterImage.h"
#include "image/RasterMemFile.h"
#include "tests/support/TempDir.h"

namespace {

const std::string DIR = std::string(PXQD_TEST_DATA) + "/image/";

std::vector<BYTE> ReadAll(const std::string& name) {
  std::string s = testsupport::TempDir::Read(DIR + name);
  return std::vector<BYTE>(s.begin(), s.end());
}

class TestImage : public CRasterImage {
 public:
  using CRasterImage::CRasterImage;
  bool PaletteAlpha() const { return m_info.paletteAlpha; }
  bool Decode(const std::string& name, DWORD type) {
    std::vector<BYTE> bytes = ReadAll(name);
    return CRasterImage::Decode(bytes.data(), static_cast<DWORD>(bytes.size()), type);
  }
};

// ---- BMP ----

TEST(BmpDecoder, BareDibAndEmbeddedBitmap) {
  std::vector<BYTE> file = ReadAll("bmp_8.bmp");
  TestImage reference;
  ASSERT_TRUE(reference.Decode("bmp_8.bmp", 1));
  // Without its 14-byte file header the pixels follow the palette directly.
  std::vector<BYTE> bare(file.begin() + 14, file.end());
  TestImage dib;
  ASSERT_TRUE(dib.CRasterImage::Decode(bare.data(), static_cast<DWORD>(bare.size()), 1));
  EXPECT_EQ(memcmp(dib.GetBits(), reference.GetBits(), reference.GetSize() - 40 - 1024), 0);
  // A bitmap inside a larger stream: the pixel offset counts from where it starts.
  std::vector<BYTE> stream(37 + file.size(), 0xEE);
  std::copy(file.begin(), file.end(), stream.begin() + 37);
  CRasterMemFile mem(stream.data(), static_cast<DWORD>(stream.size()));
  ASSERT_TRUE(mem.Seek(37, 0));
  TestImage embedded;
  ASSERT_TRUE(embedded.CRasterImage::Decode(&mem, 1));
  EXPECT_EQ(memcmp(embedded.GetBits(), reference.GetBits(), reference.GetSize() - 40 - 1024), 0);
  EXPECT_EQ(reference.GetXDPI(), 72);  // 2835 pixels per metre
}

TEST(BmpDecoder, ThirtyTwoBitAlpha) {
  TestImage opaque;
  ASSERT_TRUE(opaque.Decode("bmp_32_opaque.bmp", 1));
  EXPECT_EQ(opaque.GetBpp(), 24);
  // Fourth bytes all 0: fully opaque.
  ASSERT_TRUE(opaque.AlphaIsValid());
  EXPECT_EQ(opaque.AlphaGet(0, 0), 255);
  EXPECT_EQ(opaque.AlphaGet(12, 6), 255);
  TestImage alpha;
  ASSERT_TRUE(alpha.Decode("bmp_32_alpha.bmp", 1));
  // Written as (x * 19 + y * 7) % 256 with y counting file rows from the bottom.
  EXPECT_EQ(alpha.AlphaGet(3, 2), (3 * 19 + 2 * 7) % 256);
}

TEST(BmpDecoder, CoreHeaderEqualsInfoHeader) {
  TestImage core, twin;
  ASSERT_TRUE(core.Decode("bmp_core.bmp", 1));
  ASSERT_TRUE(twin.Decode("bmp_core_twin.bmp", 1));
  EXPECT_EQ(core.GetSize(), twin.GetSize());
  EXPECT_EQ(memcmp(core.GetPalette(), twin.GetPalette(), 1024), 0);
  EXPECT_EQ(memcmp(core.GetBits(), twin.GetBits(), core.GetEffectiveWidth() * core.GetHeight()), 0);
}

TEST(BmpDecoder, ShortCoreBitmapDecodes) {
  // A 1 x 1 core bitmap is shorter than a 40-byte header: the header is read by its own size.
  const BYTE file[] = {'B', 'M', 36, 0, 0, 0, 0, 0, 0, 0, 32, 0, 0, 0,  // file header
                       12, 0, 0, 0, 1, 0, 1, 0, 1, 0, 1, 0,             // core header, 1 bpp
                       0, 0, 0, 255, 255, 255,                          // two palette triples
                       0x80, 0, 0, 0};                                   // one row
  TestImage image;
  ASSERT_TRUE(image.CRasterImage::Decode(const_cast<BYTE*>(file), sizeof(file), 1))
      << image.GetLastError();
  EXPECT_EQ(image.GetPixelIndex(0, 0), 1);
  EXPECT_EQ(image.GetPaletteColor(1).rgbRed, 255);
}

// ---- ICO ----

TEST(IcoDecoder, EntriesAndFrameCount) {
  TestImage second;
  second.SetFrame(1);
  ASSERT_TRUE(second.Decode("ico_two.ico", 5));
  EXPECT_EQ(second.GetWidth(), 24u);
  EXPECT_EQ(second.GetNumFrames(), 2);
  EXPECT_EQ(second.GetType(), 5u);
  // The 32-bit entry keeps its alpha: its masked pixels differ in colour.
  EXPECT_TRUE(second.AlphaIsValid());
  TestImage third;
  third.SetFrame(2);
  EXPECT_FALSE(third.Decode("ico_two.ico", 5));
  EXPECT_EQ(third.GetNumFrames(), 2);
  EXPECT_FALSE(third.IsValid());
}

TEST(IcoDecoder, EightBitMaskBecomesAnUnusedIndex) {
  TestImage image;
  ASSERT_TRUE(image.Decode("ico_two.ico", 5));
  EXPECT_FALSE(image.AlphaIsValid());
  ASSERT_TRUE(image.IsTransparent());
  long key = image.GetTransIndex();
  // Visible pixels use indices below 200; the masked corners got the last free index.
  EXPECT_EQ(key, 255);
  EXPECT_EQ(image.GetPixelIndex(0, 15), key);
  EXPECT_EQ(image.GetPixelIndex(15, 0), key);
  for (long y = 2; y < 14; y++) {
    for (long x = 2; x < 14; x++) ASSERT_NE(image.GetPixelIndex(x, y), key);
  }
}

TEST(IcoDecoder, SharedMaskedColourBecomesTheTransparentColour) {
  TestImage image;
  ASSERT_TRUE(image.Decode("ico_24_keyed.ico", 5));
  EXPECT_FALSE(image.AlphaIsValid());
  EXPECT_EQ(image.GetTransIndex(), 0);
  RGBQUAD key = image.GetTransColor();
  EXPECT_EQ(key.rgbRed, 0);
  EXPECT_EQ(key.rgbGreen, 0);
  EXPECT_EQ(key.rgbBlue, 0);
}

TEST(IcoDecoder, PngEntryReportsIconType) {
  TestImage image;
  ASSERT_TRUE(image.Decode("ico_png.ico", 5));
  EXPECT_EQ(image.GetType(), 5u);
  EXPECT_EQ(image.GetNumFrames(), 1);
  EXPECT_EQ(image.GetWidth(), 20u);
  EXPECT_TRUE(image.AlphaIsValid());
}

// Entries of 16 and 32 pixels stored as PNG streams: known by their signature, not their size.
TEST(IcoDecoder, SmallPngEntriesByTheirSignature) {
  for (long frame : {0L, 1L}) {
    TestImage image;
    image.SetFrame(frame);
    ASSERT_TRUE(image.Decode("ico_small_png.ico", 5)) << frame << ": " << image.GetLastError();
    EXPECT_EQ(image.GetWidth(), frame == 0 ? 16u : 32u);
    EXPECT_EQ(image.GetNumFrames(), 2);
    EXPECT_TRUE(image.AlphaIsValid());
  }
}

TEST(IcoDecoder, FullMaskNegatesTheColours) {
  // A 1 x 1 24-bit icon of colour (10, 20, 30) whose mask byte is all 0xFF.
  std::vector<BYTE> file = {0, 0, 1, 0, 1, 0,                       // directory header
                            1, 1, 0, 0, 1, 0, 24, 0, 52, 0, 0, 0, 22, 0, 0, 0};
  const BYTE header[40] = {40, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0};
  file.insert(file.end(), header, header + 40);
  const BYTE rest[] = {30, 20, 10, 0, 0xFF, 0xFF, 0xFF, 0xFF};
  file.insert(file.end(), rest, rest + sizeof(rest));
  TestImage image;
  ASSERT_TRUE(image.CRasterImage::Decode(file.data(), static_cast<DWORD>(file.size()), 5))
      << image.GetLastError();
  EXPECT_EQ(image.GetTransIndex(), 0);
  RGBQUAD c = image.GetPixelColor(0, 0, false);
  EXPECT_EQ(c.rgbRed, 245);
  EXPECT_EQ(c.rgbBlue, 225);
}

// ---- PNG ----

TEST(PngDecoder, Transparency) {
  TestImage many;
  ASSERT_TRUE(many.Decode("png_palette_trns.png", 4));
  EXPECT_TRUE(many.PaletteAlpha());
  EXPECT_FALSE(many.IsTransparent());
  EXPECT_EQ(many.GetPaletteColor(0).rgbReserved, 0);
  EXPECT_EQ(many.GetPaletteColor(1).rgbReserved, 255);
  EXPECT_EQ(many.GetPaletteColor(2).rgbReserved, 128);
  EXPECT_EQ(many.GetPaletteColor(30).rgbReserved, 255);  // beyond the chunk
  TestImage one;
  ASSERT_TRUE(one.Decode("png_palette_trns_one.png", 4));
  EXPECT_FALSE(one.PaletteAlpha());
  EXPECT_EQ(one.GetTransIndex(), 0);
  TestImage rgb;
  ASSERT_TRUE(rgb.Decode("png_rgb_trns.png", 4));
  EXPECT_EQ(rgb.GetTransIndex(), 0);
  RGBQUAD key = rgb.GetTransColor();
  // The key colour is the pixel at file row 2, column 3.
  RGBQUAD pixel = rgb.GetPixelColor(3, static_cast<long>(rgb.GetHeight()) - 1 - 2, false);
  EXPECT_EQ(memcmp(&key, &pixel, sizeof(key)), 0);
  TestImage grey;
  ASSERT_TRUE(grey.Decode("png_grey_8_trns.png", 4));
  EXPECT_EQ(grey.GetTransIndex(), grey.GetPixelIndex(0, static_cast<long>(grey.GetHeight()) - 1));
}

TEST(PngDecoder, DepthsAndPalettes) {
  struct Case { const char* file; WORD bpp; bool alpha; } cases[] = {
      {"png_grey_1.png", 1, false},      {"png_grey_2.png", 4, false},
      {"png_grey_4.png", 4, false},      {"png_grey_16.png", 8, false},
      {"png_palette_2.png", 4, false},   {"png_rgb_16.png", 24, false},
      {"png_rgba_8.png", 24, true},      {"png_grey_alpha_16.png", 8, true},
  };
  for (const Case& c : cases) {
    TestImage image;
    ASSERT_TRUE(image.Decode(c.file, 4)) << c.file;
    EXPECT_EQ(image.GetBpp(), c.bpp) << c.file;
    EXPECT_EQ(image.AlphaIsValid(), c.alpha) << c.file;
  }
  TestImage two;
  ASSERT_TRUE(two.Decode("png_grey_2.png", 4));
  const BYTE levels[] = {0, 85, 170, 255};
  for (int i = 0; i < 4; i++) EXPECT_EQ(two.GetPaletteColor(static_cast<BYTE>(i)).rgbGreen, levels[i]);
  TestImage interlaced;
  ASSERT_TRUE(interlaced.Decode("png_grey_2_interlaced.png", 4));
  EXPECT_EQ(memcmp(two.GetBits(), interlaced.GetBits(), two.GetEffectiveWidth() * two.GetHeight()), 0);
  EXPECT_EQ(interlaced.GetCodecOption(4), 1u);
  EXPECT_EQ(two.GetCodecOption(4), 0u);
}

TEST(PngDecoder, Resolution) {
  TestImage metre, unit0, none;
  ASSERT_TRUE(metre.Decode("png_phys_metre.png", 4));
  EXPECT_EQ(metre.GetXDPI(), 96);
  EXPECT_EQ(metre.GetYDPI(), 72);
  ASSERT_TRUE(unit0.Decode("png_phys_unit0.png", 4));
  EXPECT_EQ(unit0.GetXDPI(), 72);
  ASSERT_TRUE(none.Decode("png_rgb_8.png", 4));
  EXPECT_EQ(none.GetXDPI(), 96);
}

// ---- TGA and WBMP ----

TEST(TgaDecoder, SixteenBitPixelsAndPalettes) {
  // A 2 x 1 raw 16-bit file with the pixels 0x7FFF and 0x001F.
  const BYTE file[] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 16, 0,
                       0xFF, 0x7F, 0x1F, 0x00};
  TestImage image;
  ASSERT_TRUE(image.CRasterImage::Decode(const_cast<BYTE*>(file), sizeof(file), 7));
  RGBQUAD white = image.GetPixelColor(0, 0, false);
  EXPECT_EQ(white.rgbBlue, 0xF8);
  EXPECT_EQ(white.rgbGreen, 0xF8);
  EXPECT_EQ(white.rgbRed, 0xF8);
  RGBQUAD blue = image.GetPixelColor(1, 0, false);
  EXPECT_EQ(blue.rgbBlue, 0xF8);
  EXPECT_EQ(blue.rgbRed, 0);
  TestImage grey;
  ASSERT_TRUE(grey.Decode("tga_8_grey.tga", 7));
  EXPECT_TRUE(grey.IsGrayScale());
  TestImage mapped;
  ASSERT_TRUE(mapped.Decode("tga_8_mapped.tga", 7));
  EXPECT_EQ(mapped.GetBpp(), 8);
  EXPECT_NE(mapped.GetPaletteColor(15).rgbRed | mapped.GetPaletteColor(15).rgbGreen |
                mapped.GetPaletteColor(15).rgbBlue, 0);
  EXPECT_EQ(mapped.GetPaletteColor(16).rgbRed, 0);
}

TEST(WbmpDecoder, SmallPicture) {
  TestImage image;
  ASSERT_TRUE(image.Decode("wbmp_3x2.wbmp", 9));
  EXPECT_EQ(image.GetBpp(), 1);
  // Top row white, black, white; bottom row black, white, black.
  EXPECT_EQ(image.GetPixelIndex(0, 1), 1);
  EXPECT_EQ(image.GetPixelIndex(1, 1), 0);
  EXPECT_EQ(image.GetPixelIndex(2, 1), 1);
  EXPECT_EQ(image.GetPixelIndex(0, 0), 0);
  EXPECT_EQ(image.GetPixelIndex(1, 0), 1);
  EXPECT_EQ(image.GetPaletteColor(1).rgbRed, 255);
}

// ---- Dispatch and Load ----

TEST(DecodeDispatch, LoadFallsBackToEveryDecoder) {
  TestImage image;
  // A PNG named as a BMP: the BMP attempt fails, then every decoder is tried.
  ASSERT_TRUE(image.Load((DIR + "png_rgb_8.png").c_str(), 1));
  EXPECT_EQ(image.GetType(), 4u);
  TestImage bmp;
  ASSERT_TRUE(bmp.Load((DIR + "bmp_24.bmp").c_str(), 1));
  EXPECT_EQ(bmp.GetType(), 1u);
  // A file no decoder takes keeps the typed attempt's message.
  TestImage bad;
  EXPECT_FALSE(bad.Load((DIR + "malformed/tga_type_4.tga").c_str(), 7));
  EXPECT_STREQ(bad.GetLastError(), "Unknown TGA image type");
}

TEST(DecodeDispatch, DecodingReplacesAValidImage) {
  TestImage image(30, 30, 8, 1);
  ASSERT_TRUE(image.AlphaCreate());
  ASSERT_TRUE(image.Decode("bmp_24.bmp", 0));
  EXPECT_EQ(image.GetWidth(), 13u);
  EXPECT_EQ(image.GetBpp(), 24);
  EXPECT_FALSE(image.AlphaIsValid());
  EXPECT_EQ(image.GetType(), 1u);
}

}  // namespace
