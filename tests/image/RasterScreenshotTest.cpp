// The screenshot to JPEG: the writer (read back with libjpeg and the image library's own JPEG
// decoder), its failures, the conversion of 16- and 32-bit captures, and the whole desktop of a
// headless display.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "image/RasterImage.h"
#include "image/RasterScreenshot.h"
#include "image/RasterScreenshotInternal.h"
#include "platform/display/Display.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/User.h"
#include "tests/platform/PaintTestSupport.h"
#include "tests/support/TempDir.h"

namespace {

using rasterscreenshot::ScreenCapture;

// Tolerance of a decoded pixel against what was written, per component. The pictures below are
// made of flat areas aligned to the encoder's 16 x 16 blocks (4:2:0 chroma), and only pixels at
// least 4 away from an area's edge are compared, so every compared block holds only a DC
// coefficient. At quality 75 the DC steps are 8 (luminance) and 9 (chrominance): a level moves
// by at most 0.5 in Y and 0.56 in Cb and Cr. With the rounding of Y, Cb and Cr when encoding
// (0.5 each) and of the result when decoding (0.5), the worst component is blue:
// 0.5 + 1.772 * 0.56 + 0.5 + 1.772 * 0.5 + 0.5 = 3.4. Hence 4; the runs here show at most 1.
// A picture flipped or shifted by a block fails by far more.
const int TOLERANCE = 4;

struct JpegFacts {
  bool ok = false;
  unsigned width = 0, height = 0;
  int components = 0;
  bool progressive = false;
  bool baseline = false;
  unsigned lumaDc = 0;  // first entry of the luminance quantisation table
};

JpegFacts ReadFacts(const std::string& path) {
  JpegFacts facts;
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return facts;
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_decompress(&cinfo);
  jpeg_stdio_src(&cinfo, f);
  if (jpeg_read_header(&cinfo, TRUE) == JPEG_HEADER_OK) {
    facts.ok = true;
    facts.width = cinfo.image_width;
    facts.height = cinfo.image_height;
    facts.components = cinfo.num_components;
    facts.progressive = cinfo.progressive_mode;
    // A baseline file has 8-bit samples and only the two standard table slots per kind.
    facts.baseline = !cinfo.progressive_mode && !cinfo.arith_code && cinfo.data_precision == 8;
    facts.lumaDc = cinfo.quant_tbl_ptrs[0] ? cinfo.quant_tbl_ptrs[0]->quantval[0] : 0;
  }
  jpeg_destroy_decompress(&cinfo);
  fclose(f);
  return facts;
}

// The colour the decoded image shows at (x, yTop), counting rows from the top.
COLORREF Decoded(const CRasterImage& img, long x, long yTop) {
  RGBQUAD c = img.GetPixelColor(x, static_cast<long>(img.GetHeight()) - 1 - yTop, false);
  return RGB(c.rgbRed, c.rgbGreen, c.rgbBlue);
}

bool Near(COLORREF a, COLORREF b) {
  return std::abs(int(GetRValue(a)) - int(GetRValue(b))) <= TOLERANCE &&
         std::abs(int(GetGValue(a)) - int(GetGValue(b))) <= TOLERANCE &&
         std::abs(int(GetBValue(a)) - int(GetBValue(b))) <= TOLERANCE;
}

std::string Hex(COLORREF c) {
  char buf[16];
  snprintf(buf, sizeof buf, "%06lX", static_cast<unsigned long>(c));
  return buf;
}

// Every pixel of the rectangle (top-down coordinates), shrunk by 4 on each side, is near `want`.
std::string CheckArea(const CRasterImage& img, int l, int t, int r, int b, COLORREF want) {
  for (int y = t + 4; y < b - 4; y++) {
    for (int x = l + 4; x < r - 4; x++) {
      COLORREF got = Decoded(img, x, y);
      if (!Near(got, want)) {
        return "(" + std::to_string(x) + "," + std::to_string(y) + "): want " + Hex(want) +
               " got " + Hex(got);
      }
    }
  }
  return "";
}

std::vector<std::string> g_messages;
void Record(const char* text) { g_messages.push_back(text); }

class Screenshot : public ::testing::Test {
 protected:
  void SetUp() override {
    g_messages.clear();
    SetJpegFileMessageHook(Record);
  }
  void TearDown() override { SetJpegFileMessageHook(nullptr); }
  testsupport::TempDir m_dir;
};

TEST_F(Screenshot, WritesBaselineJpegTopRowFirst) {
  // Quadrants of 32 x 32: red top-left, green top-right, blue bottom-left, grey bottom-right.
  // The rows are given bottom row first.
  const unsigned W = 64, H = 64;
  const COLORREF TL = RGB(220, 30, 40), TR = RGB(20, 200, 60), BL = RGB(30, 40, 210),
                 BR = RGB(128, 128, 128);
  std::vector<BYTE> rgb(W * H * 3);
  for (unsigned row = 0; row < H; row++) {
    unsigned yTop = H - 1 - row;
    for (unsigned x = 0; x < W; x++) {
      COLORREF c = yTop < 32 ? (x < 32 ? TL : TR) : (x < 32 ? BL : BR);
      BYTE* p = &rgb[(row * W + x) * 3];
      p[0] = GetRValue(c);
      p[1] = GetGValue(c);
      p[2] = GetBValue(c);
    }
  }
  const std::string path = m_dir.File("quadrants.jpg");
  ASSERT_TRUE(RGBToJpegFile(path, rgb.data(), W, H, 75));
  JpegFacts facts = ReadFacts(path);
  ASSERT_TRUE(facts.ok);
  EXPECT_EQ(W, facts.width);
  EXPECT_EQ(H, facts.height);
  EXPECT_EQ(3, facts.components);
  EXPECT_TRUE(facts.baseline);
  // Quality 75 scales the standard tables by 50%: the luminance DC step 16 becomes 8.
  EXPECT_EQ(8u, facts.lumaDc);

  CRasterImage img;
  ASSERT_TRUE(img.Load(path.c_str(), RASTER_FORMAT_JPG)) << img.GetLastError();
  ASSERT_EQ(W, img.GetWidth());
  ASSERT_EQ(H, img.GetHeight());
  EXPECT_EQ("", CheckArea(img, 0, 0, 32, 32, TL));
  EXPECT_EQ("", CheckArea(img, 32, 0, 64, 32, TR));
  EXPECT_EQ("", CheckArea(img, 0, 32, 32, 64, BL));
  EXPECT_EQ("", CheckArea(img, 32, 32, 64, 64, BR));

  // Quality 10 makes a smaller file from the same pixels.
  const std::string low = m_dir.File("low.jpg");
  ASSERT_TRUE(RGBToJpegFile(low, rgb.data(), W, H, 10));
  EXPECT_GT(ReadFacts(low).lumaDc, 8u);
  EXPECT_TRUE(g_messages.empty());
}

TEST_F(Screenshot, WindowsStylePathsAreMapped) {
  // The program names its screenshots "<module>temp\\<name>.jpg".
  std::vector<BYTE> rgb(8 * 8 * 3, 100);
  std::filesystem::create_directory(m_dir.File("temp"));
  ASSERT_TRUE(RGBToJpegFile(m_dir.Path() + "\\temp\\shot.jpg", rgb.data(), 8, 8, 75));
  EXPECT_TRUE(std::filesystem::exists(m_dir.File("temp/shot.jpg")));
}

TEST_F(Screenshot, FailuresWriteNothing) {
  std::vector<BYTE> rgb(16 * 16 * 3, 50);
  // Null pixels: false at once, no file, no notice.
  const std::string none = m_dir.File("none.jpg");
  EXPECT_FALSE(RGBToJpegFile(none, nullptr, 16, 16, 75));
  EXPECT_FALSE(std::filesystem::exists(none));
  EXPECT_TRUE(g_messages.empty());

  // A folder that does not exist: the notice with the path, no file.
  const std::string missing = m_dir.File("no-such-folder/shot.jpg");
  EXPECT_FALSE(RGBToJpegFile(missing, rgb.data(), 16, 16, 75));
  ASSERT_EQ(1u, g_messages.size());
  EXPECT_EQ("JpegFile :\nCan't open " + missing + "\n", g_messages[0]);
  EXPECT_FALSE(std::filesystem::exists(m_dir.File("no-such-folder")));

  // An error inside the compressor (an empty picture) fails the call instead of ending the
  // process, and the partial file is removed.
  const std::string empty = m_dir.File("empty.jpg");
  EXPECT_FALSE(RGBToJpegFile(empty, rgb.data(), 0, 16, 75));
  EXPECT_FALSE(std::filesystem::exists(empty));
  // A write error (a full disk): false; a device is not removed.
  struct stat info;
  if (stat("/dev/full", &info) == 0 && S_ISCHR(info.st_mode)) {
    EXPECT_FALSE(RGBToJpegFile("/dev/full", rgb.data(), 16, 16, 75));
    EXPECT_EQ(0, stat("/dev/full", &info));
  }
  EXPECT_EQ(1u, g_messages.size());
}

TEST_F(Screenshot, SixteenBitComponentsWidenThroughTheTable) {
  const BYTE table[32] = {0,   16,  24,  32,  40,  48,  56,  64,  72,  80,  88,
                          96,  104, 112, 120, 128, 136, 144, 152, 160, 168, 176,
                          184, 192, 200, 208, 216, 224, 232, 240, 248, 255};
  for (unsigned v = 0; v < 32; v++) EXPECT_EQ(table[v], rasterscreenshot::Expand5(v)) << v;

  // Three pixels a row: 6 bytes and 2 of padding. The padding holds junk that must not show.
  ScreenCapture cap;
  cap.screenBpp = cap.bitmapBpp = 16;
  cap.width = 3;
  cap.height = 2;
  cap.rowLength = 8;
  const WORD rows[2][4] = {{0x7FFF, 0x0000, 0x0421, 0xBEEF}, {0x7C00, 0x03E0, 0x001F, 0xFFFF}};
  cap.bits.resize(16);
  for (int r = 0; r < 2; r++) {
    for (int i = 0; i < 4; i++) {
      cap.bits[r * 8 + i * 2] = BYTE(rows[r][i] & 0xFF);
      cap.bits[r * 8 + i * 2 + 1] = BYTE(rows[r][i] >> 8);
    }
  }
  std::vector<BYTE> rgb;
  ASSERT_TRUE(rasterscreenshot::CaptureToRgb(cap, rgb));
  const std::vector<BYTE> want = {255, 255, 255, 0, 0, 0, 16, 16, 16,
                                  255, 0,   0,   0, 255, 0, 0, 0, 255};
  EXPECT_EQ(want, rgb);

  // 32 bits: blue, green, red, unused become red, green, blue.
  ScreenCapture deep;
  deep.screenBpp = deep.bitmapBpp = 32;
  deep.width = 2;
  deep.height = 1;
  deep.rowLength = 8;
  deep.bits = {1, 2, 3, 99, 4, 5, 6, 99};
  ASSERT_TRUE(rasterscreenshot::CaptureToRgb(deep, rgb));
  EXPECT_EQ((std::vector<BYTE>{3, 2, 1, 6, 5, 4}), rgb);

  // Other depths, a bitmap whose rows do not match the screen's depth, and a buffer shorter
  // than its rows convert nothing, and no file is written.
  ScreenCapture other = deep;
  other.screenBpp = other.bitmapBpp = 24;
  EXPECT_FALSE(rasterscreenshot::CaptureToRgb(other, rgb));
  ScreenCapture mismatch = cap;
  mismatch.screenBpp = 32;
  EXPECT_FALSE(rasterscreenshot::CaptureToRgb(mismatch, rgb));
  ScreenCapture shortRows = deep;
  shortRows.bits.resize(7);
  EXPECT_FALSE(rasterscreenshot::CaptureToRgb(shortRows, rgb));
  const std::string path = m_dir.File("deep24.jpg");
  rasterscreenshot::WriteCapture(other, path.c_str(), 75);
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(Screenshot, OddWidthSixteenBitCaptureIsNotSkewed) {
  // 5 x 3 pixels a row of 10 bytes padded to 12; each row one colour.
  ScreenCapture cap;
  cap.screenBpp = cap.bitmapBpp = 16;
  cap.width = 5;
  cap.height = 3;
  cap.rowLength = 12;
  cap.bits.assign(36, 0xAB);  // the padding keeps this junk
  const WORD colours[3] = {0x7C00, 0x03E0, 0x001F};
  for (int r = 0; r < 3; r++) {
    for (int i = 0; i < 5; i++) {
      cap.bits[r * 12 + i * 2] = BYTE(colours[r] & 0xFF);
      cap.bits[r * 12 + i * 2 + 1] = BYTE(colours[r] >> 8);
    }
  }
  std::vector<BYTE> rgb;
  ASSERT_TRUE(rasterscreenshot::CaptureToRgb(cap, rgb));
  ASSERT_EQ(45u, rgb.size());
  for (int r = 0; r < 3; r++) {
    for (int i = 0; i < 5; i++) {
      const BYTE* p = &rgb[(r * 5 + i) * 3];
      EXPECT_EQ(r == 0 ? 255 : 0, p[0]) << r << "," << i;
      EXPECT_EQ(r == 1 ? 255 : 0, p[1]) << r << "," << i;
      EXPECT_EQ(r == 2 ? 255 : 0, p[2]) << r << "," << i;
    }
  }
}

TEST_F(Screenshot, DesktopOfTheHeadlessDisplay) {
  platform::StartDisplay(platform::DisplayBackend::HEADLESS);
  // Two windows at block-aligned places over the desktop colour; the hidden one must not show.
  const COLORREF RED = RGB(220, 20, 30), GREEN = RGB(20, 180, 40), HIDDEN = RGB(0, 0, 255);
  HWND back = painttest::Make(WS_POPUP | WS_VISIBLE, 32, 16, 128, 96, nullptr, RED);
  HWND front = painttest::Make(WS_POPUP | WS_VISIBLE, 96, 64, 160, 112, nullptr, GREEN);
  HWND hidden = painttest::Make(WS_POPUP, 0, 0, 1024, 768, nullptr, HIDDEN);
  ASSERT_TRUE(back && front && hidden);
  painttest::Pump();

  const std::string path = m_dir.File("desktop.jpg");
  CaptureScreenToJpeg(path.c_str(), 75);
  JpegFacts facts = ReadFacts(path);
  ASSERT_TRUE(facts.ok);
  EXPECT_EQ(1024u, facts.width);
  EXPECT_EQ(768u, facts.height);
  EXPECT_EQ(3, facts.components);
  EXPECT_TRUE(facts.baseline);
  EXPECT_EQ(8u, facts.lumaDc);

  CRasterImage img;
  ASSERT_TRUE(img.Load(path.c_str(), RASTER_FORMAT_JPG)) << img.GetLastError();
  const COLORREF desktop = GetSysColor(COLOR_DESKTOP);
  // The first scan line is the screen's top line: the red window sits near the top.
  EXPECT_EQ("", CheckArea(img, 32, 16, 96, 112, RED));
  EXPECT_EQ("", CheckArea(img, 96, 64, 256, 176, GREEN));  // the front window covers the back
  EXPECT_EQ("", CheckArea(img, 0, 192, 1024, 768, desktop));
  EXPECT_EQ("", CheckArea(img, 256, 0, 1024, 192, desktop));

  // A folder that does not exist: the notice, and the call returns normally.
  const std::string missing = m_dir.File("gone/desktop.jpg");
  CaptureScreenToJpeg(missing.c_str(), 75);
  ASSERT_EQ(1u, g_messages.size());
  EXPECT_EQ("JpegFile :\nCan't open " + missing + "\n", g_messages[0]);

  DestroyWindow(hidden);
  DestroyWindow(front);
  DestroyWindow(back);
  painttest::Pump();
}

}  // namespace
