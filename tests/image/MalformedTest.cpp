// Every file in tests/data/image/malformed decodes to a clean failure with its text, or to the
// defined result its row names, without a crash or a read outside a buffer (the sanitizer build
// runs this too). Typed and untyped decodes, from memory and from a stdio stream.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "image/RasterImage.h"
#include "tests/support/TempDir.h"

namespace {

const std::string DIR = std::string(PXQD_TEST_DATA) + "/image/malformed/";

struct MalformedCase {
  const char* file;
  DWORD type;
  bool decodes;
  // The last error after a failure; null when libpng's own message is expected (any non-empty).
  const char* error;
  // For a file that decodes: what its defined result holds.
  std::function<void(CRasterImage&)> check;
};

const char* ANY_LIBPNG_TEXT = nullptr;

std::vector<BYTE> ReadAll(const std::string& path) {
  std::string s = testsupport::TempDir::Read(path);
  return std::vector<BYTE>(s.begin(), s.end());
}

// A file that ends inside its pixels keeps the rows it holds and what it holds of the row it ends
// in, as the complete file has them; everything after stays as created: black and, with an alpha
// layer, opaque. Rows count in file order, from the top for a top-down file. Of the row it ends
// in, stored 24-bit pixels keep every byte read; 32-bit pixels, which are converted, only whole.
std::function<void(CRasterImage&)> KeepsRowsOf(std::vector<BYTE> complete, DWORD type, long fullRows,
                                               long partialBytes, bool topDown) {
  return [=](CRasterImage& image) {
    CRasterImage reference;
    ASSERT_TRUE(reference.Decode(const_cast<BYTE*>(complete.data()), static_cast<DWORD>(complete.size()), type));
    const long w = static_cast<long>(image.GetWidth()), h = static_cast<long>(image.GetHeight());
    ASSERT_EQ(w, static_cast<long>(reference.GetWidth()));
    ASSERT_EQ(h, static_cast<long>(reference.GetHeight()));
    EXPECT_EQ(image.AlphaIsValid(), reference.AlphaIsValid());
    const long pixelBytes = reference.AlphaIsValid() ? 4 : 3;
    for (long y = 0; y < h; y++) {
      const long fileRow = topDown ? h - 1 - y : y;
      for (long x = 0; x < w; x++) {
        auto kept = [&](long channel) {
          if (fileRow != fullRows) return fileRow < fullRows;
          return (x + 1) * pixelBytes <= partialBytes || (pixelBytes == 3 && x * 3 + channel < partialBytes);
        };
        const RGBQUAD got = image.GetPixelColor(x, y, false);
        const RGBQUAD all = reference.GetPixelColor(x, y, false);
        const auto want = std::make_tuple(kept(0) ? all.rgbBlue : 0, kept(1) ? all.rgbGreen : 0, kept(2) ? all.rgbRed : 0);
        ASSERT_EQ(std::make_tuple(got.rgbBlue, got.rgbGreen, got.rgbRed), want) << "pixel " << x << "," << y;
        if (image.AlphaIsValid()) {
          ASSERT_EQ(image.AlphaGet(x, y), kept(3) ? reference.AlphaGet(x, y) : 255) << "alpha " << x << "," << y;
        }
      }
    }
  };
}

std::vector<BYTE> Padded(const std::string& file, size_t size) {
  std::vector<BYTE> bytes = ReadAll(DIR + file);
  bytes.resize(size, 0);
  return bytes;
}

std::vector<BYTE> Complete(const std::string& file) { return ReadAll(std::string(PXQD_TEST_DATA) + "/image/" + file); }

std::vector<MalformedCase> Cases() {
  return {
      // Pixels cut short are no error: the rows read stay, wherever the file ends.
      {"bmp_truncated_pixels.bmp", 1, true, "", KeepsRowsOf(Padded("bmp_truncated_pixels.bmp", 54 + 7 * 40), 1, 6, 20, false)},
      {"bmp_truncated_topdown.bmp", 1, true, "", KeepsRowsOf(Complete("bmp_24_topdown.bmp"), 1, 2, 20, true)},
      {"bmp_truncated_32.bmp", 1, true, "", KeepsRowsOf(Complete("bmp_32_alpha.bmp"), 1, 3, 26, false)},
      {"bmp_truncated_palette.bmp", 1, false, "corrupted BMP", {}},
      {"bmp_truncated_header.bmp", 1, false, "Error reading BMP info", {}},
      {"bmp_file_header_only.bmp", 1, false, "Not a BMP", {}},
      {"bmp_huge.bmp", 1, false, "IMAGE_MAX_MEMORY exceeded", {}},
      {"bmp_huge_narrow.bmp", 1, false, "IMAGE_MAX_MEMORY exceeded", {}},
      {"bmp_negative_width.bmp", 1, false, "IMAGE_MAX_MEMORY exceeded", {}},
      {"bmp_min_height.bmp", 1, false, "Error reading BMP info", {}},
      {"bmp_bpp_2.bmp", 1, false, "Error reading BMP info", {}},
      {"bmp_bpp_7.bmp", 1, false, "Error reading BMP info", {}},
      {"bmp_header_size_20.bmp", 1, false, "Error reading BMP info", {}},
      {"bmp_v5_no_image_size.bmp", 1, false, "Error reading BMP info", {}},
      {"bmp_fields_zero_masks.bmp", 1, false, "bad BMP bit fields", {}},
      {"bmp_fields_zero_masks_32.bmp", 1, false, "bad BMP bit fields", {}},
      {"bmp_fields_wide_masks.bmp", 1, false, "bad BMP bit fields", {}},
      {"bmp_24_rle.bmp", 1, false, "unknown compression", {}},
      {"bmp_8_jpeg.bmp", 1, false, "compression type not supported", {}},
      // Run-length data cut inside a literal keeps the bytes that came; a cut delta moves nothing.
      {"bmp_rle8_cut_literal.bmp", 1, true, "",
       [](CRasterImage& image) {
         EXPECT_EQ(image.GetPixelIndex(0, 0), 1);
         EXPECT_EQ(image.GetPixelIndex(1, 0), 2);
         EXPECT_EQ(image.GetPixelIndex(2, 0), 0);
       }},
      // Found by fuzzing: a header size and dimensions whose padded size overflowed 64 bits.
      {"bmp_fuzz_size_overflow.bmp", 1, false, "Error reading BMP info", {}},
      // Found by fuzzing: pixels per metre whose DPI overflowed on the way back.
      {"bmp_fuzz_dpi_overflow.bmp", 1, true, "", [](CRasterImage& image) { EXPECT_EQ(image.GetWidth(), 13u); }},
      {"bmp_rle8_cut_delta.bmp", 1, true, "", [](CRasterImage& image) { EXPECT_EQ(image.GetPixelIndex(0, 0), 0); }},
      // 1000 entries declared: the first 256 are kept, the rest skipped.
      {"bmp_palette_1000.bmp", 1, true, "",
       [](CRasterImage& image) {
         EXPECT_EQ(image.GetPaletteSize(), 1024u);
         EXPECT_EQ(image.GetPaletteColor(255).rgbBlue, 255);
         EXPECT_EQ(image.GetPixelIndex(3, 1), 1);
       }},
      {"bmp_palette_huge_count.bmp", 1, true, "",
       [](CRasterImage& image) { EXPECT_EQ(image.GetPaletteSize(), 8u); }},
      // Runs, literals and deltas past the row or the image are dropped at the edge.
      {"bmp_rle8_overrun.bmp", 1, true, "",
       [](CRasterImage& image) {
         EXPECT_EQ(image.GetPixelIndex(0, 0), 4);
         EXPECT_EQ(image.GetPixelIndex(3, 0), 4);
         EXPECT_EQ(image.GetPixelIndex(0, 1), 0);
       }},
      {"bmp_rle4_overrun.bmp", 1, true, "",
       [](CRasterImage& image) {
         // The first run of 255 pixels fills the whole buffer (it runs on into row 1); the
         // literal, the delta and the last run all lie beyond it.
         EXPECT_EQ(image.GetPixelIndex(0, 0), 1);
         EXPECT_EQ(image.GetPixelIndex(1, 0), 2);
         EXPECT_EQ(image.GetPixelIndex(2, 1), 1);
       }},
      {"bmp_rle_on_1bit.bmp", 1, true, "",
       [](CRasterImage& image) { EXPECT_EQ(image.GetBits(1)[0], 0xAA); }},
      {"ico_truncated_directory.ico", 5, false, "corrupted ICO", {}},
      {"ico_truncated_entry.ico", 5, false, "corrupted ICO", {}},
      {"ico_offset_past_end.ico", 5, false, "corrupted ICO", {}},
      {"ico_palette_huge_count.ico", 5, false, "corrupted ICO", {}},
      {"ico_palette_600.ico", 5, true, "",
       [](CRasterImage& image) {
         EXPECT_EQ(image.GetPaletteColor(255).rgbRed, 3);
         EXPECT_EQ(image.GetNumFrames(), 1);
       }},
      {"ico_png_entry_broken.ico", 5, false, ANY_LIBPNG_TEXT, {}},
      {"ico_png_entry_not_png.ico", 5, false, ANY_LIBPNG_TEXT, {}},
      {"ico_kind_3.ico", 5, false, "", {}},
      {"ico_no_entries.ico", 5, false, "", {}},
      {"ico_no_mask.ico", 5, true, "",
       [](CRasterImage& image) {
         EXPECT_FALSE(image.AlphaIsValid());
         EXPECT_FALSE(image.IsTransparent());
       }},
      {"png_truncated.png", 4, false, "Read Error", {}},
      {"png_signature_only.png", 4, false, "Read Error", {}},
      {"png_bad_crc.png", 4, false, ANY_LIBPNG_TEXT, {}},
      {"png_huge.png", 4, false, "IMAGE_MAX_MEMORY exceeded", {}},
      {"png_bad_colour_type.png", 4, false, ANY_LIBPNG_TEXT, {}},
      {"png_short_idat.png", 4, false, ANY_LIBPNG_TEXT, {}},
      {"png_palette_300.png", 4, false, ANY_LIBPNG_TEXT, {}},
      {"tga_truncated_header.tga", 7, false, "Not a TGA", {}},
      // A TGA that has ended before a row starts is corrupted; one that ends inside its last row
      // keeps what it holds.
      {"tga_truncated_rows.tga", 7, false, "corrupted TGA", {}},
      {"tga_truncated_last_row.tga", 7, true, "", KeepsRowsOf(Complete("tga_24.tga"), 7, 5, 23, false)},
      // Run-length data that ends inside the last row: its first run (blue 34, green 13, red 49)
      // stands, the run whose value was cut off leaves the rest of the row black.
      {"tga_truncated_rle.tga", 7, true, "",
       [](CRasterImage& image) {
         RGBQUAD first = image.GetPixelColor(3, 5, false);
         EXPECT_EQ(std::make_tuple(first.rgbBlue, first.rgbGreen, first.rgbRed), std::make_tuple(34, 13, 49));
         for (long x = 4; x < 11; x++) EXPECT_EQ(image.GetPixelColor(x, 5, false).rgbRed, 0) << x;
         EXPECT_NE(image.GetPixelColor(10, 4, false).rgbRed, 0);
       }},
      {"tga_type_4.tga", 7, false, "Unknown TGA image type", {}},
      {"tga_cmap_257.tga", 7, false, "bad TGA header", {}},
      {"tga_depth_12.tga", 7, false, "bad TGA header", {}},
      {"tga_zero_width.tga", 7, false, "bad TGA header", {}},
      {"tga_huge.tga", 7, false, "TGA Create failed", {}},
      {"tga_cmap_on_truecolour.tga", 7, true, "",
       [](CRasterImage& image) { EXPECT_EQ(image.GetPixelColor(1, 0, false).rgbRed, 1); }},
      // A run longer than the image repeats its value into every following row.
      {"tga_rle_run_past_end.tga", 7, true, "",
       [](CRasterImage& image) {
         RGBQUAD c = image.GetPixelColor(2, 1, false);
         EXPECT_EQ(c.rgbBlue, 1);
         EXPECT_EQ(c.rgbRed, 3);
       }},
      {"wbmp_type_1.wbmp", 9, false, "Unsupported WBMP type", {}},
      {"wbmp_truncated_header.wbmp", 9, false, "Not a WBMP", {}},
      {"wbmp_zero_height.wbmp", 9, false, "Corrupted WBMP", {}},
      // Two of five rows: the top two are read (white, black, white and black, white, black).
      {"wbmp_truncated_rows.wbmp", 9, true, "",
       [](CRasterImage& image) {
         const int want[5][3] = {{1, 0, 1}, {0, 1, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
         for (long row = 0; row < 5; row++) {
           for (long x = 0; x < 3; x++) EXPECT_EQ(image.GetPixelIndex(x, 4 - row), want[row][x]) << x << "," << row;
         }
       }},
      {"wbmp_number_overflow.wbmp", 9, false, "Not a WBMP", {}},
      {"wbmp_huge.wbmp", 9, false, "WBMP Create failed", {}},
      // JPEG: libjpeg's own texts; broken EXIF blocks never fail the picture.
      {"jpg_corrupt_scan.jpg", 3, false, "Bogus Huffman table definition", {}},
      {"jpg_empty.jpg", 3, false, "Empty input file", {}},
      {"jpg_header_only.jpg", 3, false, "Invalid JPEG file structure: missing SOS marker", {}},
      {"jpg_huge_size.jpg", 3, false, "Maximum supported image dimension is 65500 pixels", {}},
      {"jpg_exif_count_wrap.jpg", 3, true, "",
       [](CRasterImage& image) {
         EXPECT_EQ(image.GetWidth(), 64u);
         EXPECT_EQ(image.GetXDPI(), 96);
       }},
      {"jpg_exif_loop.jpg", 3, true, "", [](CRasterImage& image) { EXPECT_EQ(image.GetWidth(), 64u); }},
      {"jpg_exif_short.jpg", 3, true, "", [](CRasterImage& image) { EXPECT_EQ(image.GetWidth(), 64u); }},
      // GIF: not a GIF (or no frame) fails without a text; a damaged frame stops, the rest stands.
      {"gif_header_only.gif", 2, false, "", {}},
      {"gif_noise.gif", 2, false, "", {}},
      {"gif_bad_codesize.gif", 2, true, "",
       [](CRasterImage& image) {
         EXPECT_EQ(image.GetWidth(), 20u);
         EXPECT_EQ(image.GetNumFrames(), 1);
       }},
      {"gif_truncated.gif", 2, true, "", [](CRasterImage& image) { EXPECT_EQ(image.GetWidth(), 24u); }},
      // TIFF: libtiff refuses each of these when it opens them; its own texts are not kept.
      {"tif_bad_ifd.tif", 6, false, "Error encountered while opening TIFF file", {}},
      {"tif_header_only.tif", 6, false, "Error encountered while opening TIFF file", {}},
      {"tif_noise.tif", 6, false, "Error encountered while opening TIFF file", {}},
      {"tif_truncated.tif", 6, false, "Error encountered while opening TIFF file", {}},
      // JPEG 2000: a cut stream fails; noise inside the code blocks only changes pixels.
      {"jp2_truncated.jp2", 11, false, "error: cannot load image data", {}},
      {"j2k_header_only.j2k", 12, false, "error: cannot load image data", {}},
      // 62,500 tiles of 4 x 4 declared in a file of a few hundred bytes: refused before the codec
      // lays the tiles out.
      {"j2k_many_tiles.j2k", 12, false, "error: cannot load image data", {}},
      {"j2k_noise.j2k", 12, true, "",
       [](CRasterImage& image) {
         EXPECT_EQ(image.GetWidth(), 33u);
         EXPECT_EQ(image.GetBpp(), 24);
       }},
      {"empty.bin", 0, false, "Decode: Unknown or wrong format", {}},
  };
}

TEST(Malformed, EveryFileHasARow) {
  std::set<std::string> listed;
  for (const MalformedCase& c : Cases()) listed.insert(c.file);
  for (const auto& entry : std::filesystem::directory_iterator(DIR)) {
    EXPECT_TRUE(listed.count(entry.path().filename().string())) << entry.path().filename();
  }
}

TEST(Malformed, DecodeToCleanFailureOrDefinedResult) {
  for (const MalformedCase& c : Cases()) {
    SCOPED_TRACE(c.file);
    std::vector<BYTE> bytes = ReadAll(DIR + c.file);
    CRasterImage image;
    bool ok = image.Decode(bytes.data(), static_cast<DWORD>(bytes.size()), c.type);
    EXPECT_EQ(ok, c.decodes) << image.GetLastError();
    EXPECT_EQ(image.IsValid(), c.decodes);
    if (!ok) {
      if (c.error) {
        EXPECT_STREQ(image.GetLastError(), c.error);
      } else {
        EXPECT_STRNE(image.GetLastError(), "");
      }
    } else if (c.check) {
      c.check(image);
    }
    // The same bytes through a stdio stream, and through every decoder in turn.
    FILE* stream = fmemopen(bytes.data(), bytes.size() ? bytes.size() : 1, "rb");
    ASSERT_NE(stream, nullptr);
    CRasterImage fromStream;
    EXPECT_EQ(fromStream.Decode(stream, c.type), c.decodes);
    fclose(stream);
    CRasterImage any;
    any.Decode(bytes.data(), static_cast<DWORD>(bytes.size()), 0);
  }
}

}  // namespace
