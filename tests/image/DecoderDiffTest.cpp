// Differential test: every good test image decoded by our decoders gives the same pixels as a
// reference decoder. PNG files are compared with libpng's own simplified reader; every other file
// with ImageMagick's raw RGBA output, made once and committed beside the image (.rgba).
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "image/RasterImage.h"
#include "tests/support/TempDir.h"

namespace {

const std::string DIR = std::string(PXQD_TEST_DATA) + "/image/";

std::vector<BYTE> ReadAll(const std::string& path) {
  std::string s = testsupport::TempDir::Read(path);
  return std::vector<BYTE>(s.begin(), s.end());
}

// Reads the palette-alpha flag that the PNG decoder sets with a tRNS chunk of several entries.
class TestImage : public CRasterImage {
 public:
  using CRasterImage::CRasterImage;
  bool PaletteAlpha() const { return m_info.paletteAlpha; }
};

// The image as the engine sees it, top row first, R, G, B, A: alpha from the alpha layer, from
// the palette's alpha bytes, or 0 for the transparent index or colour, else 255.
std::vector<BYTE> ToRgba(const TestImage& image) {
  const long w = static_cast<long>(image.GetWidth());
  const long h = static_cast<long>(image.GetHeight());
  std::vector<BYTE> out;
  out.reserve(static_cast<size_t>(w * h * 4));
  RGBQUAD key = image.GetTransColor();
  for (long r = 0; r < h; r++) {
    long y = h - 1 - r;
    for (long x = 0; x < w; x++) {
      RGBQUAD c = image.GetPixelColor(x, y, false);
      BYTE a = 255;
      if (image.AlphaIsValid()) {
        a = image.AlphaGet(x, y);
      } else if (image.IsIndexed()) {
        BYTE index = image.GetPixelIndex(x, y);
        RGBQUAD entry = image.GetPaletteColor(index);
        if (image.IsTransparent() && index == image.GetTransIndex()) {
          a = 0;
        } else if (image.PaletteAlpha()) {
          a = entry.rgbReserved;
        }
      } else if (image.IsTransparent() && c.rgbBlue == key.rgbBlue && c.rgbGreen == key.rgbGreen &&
                 c.rgbRed == key.rgbRed) {
        a = 0;
      }
      out.push_back(c.rgbRed);
      out.push_back(c.rgbGreen);
      out.push_back(c.rgbBlue);
      out.push_back(a);
    }
  }
  return out;
}

// Compares colour only where the reference pixel is not fully transparent. `bits` is the
// channel width of the file (5 for 5-5-5 pixels): our value keeps the file's bits in its top
// bits, the reference scales them to 0..255, so both are brought back to the file's bits.
void ExpectSamePixels(const std::vector<BYTE>& ours, const std::vector<BYTE>& ref, long w, long h,
                      int bits, int tolerance) {
  ASSERT_EQ(ours.size(), ref.size());
  int mismatches = 0;
  for (long i = 0; i < w * h && mismatches < 5; i++) {
    const BYTE* o = &ours[i * 4];
    const BYTE* e = &ref[i * 4];
    bool same = true;
    if (std::abs(o[3] - e[3]) > tolerance) same = false;
    if (e[3] != 0) {
      for (int c = 0; c < 3; c++) {
        int mine = o[c], theirs = e[c];
        if (bits < 8) {
          mine >>= 8 - bits;
          theirs = (theirs * ((1 << bits) - 1) + 127) / 255;
        }
        if (std::abs(mine - theirs) > tolerance) same = false;
      }
    }
    if (!same) {
      ADD_FAILURE() << "pixel (" << i % w << ", " << i / w << "): ours " << int(o[0]) << ","
                    << int(o[1]) << "," << int(o[2]) << "," << int(o[3]) << " reference "
                    << int(e[0]) << "," << int(e[1]) << "," << int(e[2]) << "," << int(e[3]);
      mismatches++;
    }
  }
}

struct DiffCase {
  const char* file;
  DWORD type;
  long frame;
  int bits;
  const char* reference;  // null: file + ".rgba"
};

const DiffCase CASES[] = {
    {"bmp_1.bmp", 1, 0, 8, nullptr},
    {"bmp_4.bmp", 1, 0, 8, nullptr},
    {"bmp_8.bmp", 1, 0, 8, nullptr},
    {"bmp_8_topdown.bmp", 1, 0, 8, nullptr},
    {"bmp_4_few_colours.bmp", 1, 0, 8, nullptr},
    {"bmp_16_555.bmp", 1, 0, 5, nullptr},
    {"bmp_16_565.bmp", 1, 0, 5, nullptr},
    {"bmp_16_555_fields.bmp", 1, 0, 5, nullptr},
    {"bmp_24.bmp", 1, 0, 8, nullptr},
    {"bmp_24_topdown.bmp", 1, 0, 8, nullptr},
    {"bmp_24_v5.bmp", 1, 0, 8, nullptr},
    {"bmp_32_opaque.bmp", 1, 0, 8, nullptr},
    {"bmp_32_alpha.bmp", 1, 0, 8, nullptr},
    {"bmp_32_alpha_topdown.bmp", 1, 0, 8, nullptr},
    {"bmp_rle8.bmp", 1, 0, 8, nullptr},
    {"bmp_rle4.bmp", 1, 0, 8, nullptr},
    {"bmp_core.bmp", 1, 0, 8, nullptr},
    {"bmp_core_twin.bmp", 1, 0, 8, nullptr},
    {"bmp_im_8.bmp", 1, 0, 8, nullptr},
    {"ico_two.ico", 5, 0, 8, "ico_two.ico.0.rgba"},
    {"ico_two.ico", 5, 1, 8, "ico_two.ico.1.rgba"},
    {"ico_4.ico", 5, 0, 8, nullptr},
    {"ico_1.ico", 5, 0, 8, nullptr},
    {"ico_24_keyed.ico", 5, 0, 8, nullptr},
    {"ico_png.ico", 5, 0, 8, nullptr},
    {"tga_24.tga", 7, 0, 8, nullptr},
    {"tga_24_topdown.tga", 7, 0, 8, nullptr},
    {"tga_24_mirrored.tga", 7, 0, 8, nullptr},
    {"tga_24_rle.tga", 7, 0, 8, nullptr},
    {"tga_32.tga", 7, 0, 8, nullptr},
    {"tga_32_topdown.tga", 7, 0, 8, nullptr},
    {"tga_32_rle_topdown_mirrored.tga", 7, 0, 8, nullptr},
    {"tga_16.tga", 7, 0, 5, nullptr},
    {"tga_15_rle.tga", 7, 0, 5, nullptr},
    {"tga_8_grey.tga", 7, 0, 8, nullptr},
    {"tga_8_grey_rle.tga", 7, 0, 8, nullptr},
    {"tga_8_mapped.tga", 7, 0, 8, nullptr},
    {"tga_8_mapped_rle.tga", 7, 0, 8, nullptr},
    {"tga_im_rle.tga", 7, 0, 8, nullptr},
    {"wbmp.wbmp", 9, 0, 8, nullptr},
    {"wbmp_3x2.wbmp", 9, 0, 8, nullptr},
};

class ReferenceDiff : public testing::TestWithParam<DiffCase> {};

TEST_P(ReferenceDiff, SamePixelsAsImageMagick) {
  const DiffCase& c = GetParam();
  std::vector<BYTE> bytes = ReadAll(DIR + c.file);
  std::vector<BYTE> ref = ReadAll(DIR + (c.reference ? c.reference : std::string(c.file) + ".rgba"));
  // Typed, as the engine decodes by extension, and untyped, through every decoder in turn.
  for (DWORD type : {c.type, DWORD{0}}) {
    SCOPED_TRACE(testing::Message() << c.file << " as type " << type);
    TestImage image;
    image.SetFrame(c.frame);
    ASSERT_TRUE(image.Decode(bytes.data(), static_cast<DWORD>(bytes.size()), type))
        << image.GetLastError();
    EXPECT_EQ(image.GetType(), c.type);
    long w = static_cast<long>(image.GetWidth()), h = static_cast<long>(image.GetHeight());
    ASSERT_EQ(ref.size(), static_cast<size_t>(w * h * 4)) << w << "x" << h;
    ExpectSamePixels(ToRgba(image), ref, w, h, c.bits, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Images, ReferenceDiff, testing::ValuesIn(CASES),
                         [](const testing::TestParamInfo<DiffCase>& info) {
                           std::string name = info.param.file;
                           name += "_" + std::to_string(info.param.frame);
                           for (char& ch : name) {
                             if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           }
                           return name;
                         });

std::vector<std::string> PngFiles() {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(DIR)) {
    std::string name = entry.path().filename().string();
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0) files.push_back(name);
  }
  std::sort(files.begin(), files.end());
  return files;
}

class PngDiff : public testing::TestWithParam<std::string> {};

// libpng's own decoding of a file to 8-bit RGBA, top row first: palettes and low bit depths
// expanded, tRNS turned into alpha, 16-bit samples cut to their high byte, grey spread to RGB and
// opaque alpha added where the file has none.
bool ReadWithLibpng(const std::string& path, std::vector<BYTE>* rgba, png_uint_32* width,
                    png_uint_32* height) {
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return false;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  std::vector<png_bytep> rows;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_read_info(png, info);
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  *width = png_get_image_width(png, info);
  *height = png_get_image_height(png, info);
  rgba->assign(static_cast<size_t>(*width) * *height * 4, 0);
  rows.resize(*height);
  for (png_uint_32 y = 0; y < *height; y++) rows[y] = rgba->data() + static_cast<size_t>(y) * *width * 4;
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  fclose(f);
  return true;
}

TEST_P(PngDiff, SamePixelsAsLibpng) {
  const std::string path = DIR + GetParam();
  std::vector<BYTE> expect;
  png_uint_32 width = 0, height = 0;
  ASSERT_TRUE(ReadWithLibpng(path, &expect, &width, &height));
  std::vector<BYTE> bytes = ReadAll(path);
  TestImage image(bytes.data(), static_cast<DWORD>(bytes.size()), 4);
  ASSERT_TRUE(image.IsValid()) << image.GetLastError();
  ASSERT_EQ(image.GetWidth(), width);
  ASSERT_EQ(image.GetHeight(), height);
  ExpectSamePixels(ToRgba(image), expect, static_cast<long>(width), static_cast<long>(height), 8, 0);
}

INSTANTIATE_TEST_SUITE_P(Images, PngDiff, testing::ValuesIn(PngFiles()),
                         [](const testing::TestParamInfo<std::string>& info) {
                           std::string name = info.param;
                           for (char& ch : name) {
                             if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           }
                           return name;
                         });

}  // namespace
