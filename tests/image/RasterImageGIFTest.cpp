// The GIF decoder against ImageMagick's composed frames (committed raw RGBA beside each file),
// interlaced against plain twins, the true-colour mode, frame counting and damaged files.
#include <gtest/gtest.h>

#include "image/RasterImageGIF.h"
#include "tests/image/CodecTestSupport.h"

namespace {

using codectest::DecodeBytes;
using codectest::ReadData;
using codectest::TopDown;

// Compares one composed frame with ImageMagick's: transparent there means the transparent
// index here; every other pixel has the same colour.
int CountMismatches(const CRasterImage& image, const std::vector<BYTE>& rgba, size_t frame) {
  const long w = static_cast<long>(image.GetWidth());
  const long h = static_cast<long>(image.GetHeight());
  const BYTE* ref = rgba.data() + frame * static_cast<size_t>(w * h * 4);
  int mismatches = 0;
  for (long y = 0; y < h; ++y) {
    for (long x = 0; x < w; ++x) {
      const BYTE* p = ref + (y * w + x) * 4;
      if (p[3] == 0) {
        if (image.GetPixelIndex(x, h - 1 - y) != image.GetTransIndex()) ++mismatches;
        continue;
      }
      RGBQUAD c = TopDown(image, x, y);
      if (c.rgbRed != p[0] || c.rgbGreen != p[1] || c.rgbBlue != p[2]) ++mismatches;
    }
  }
  return mismatches;
}

TEST(RasterImageGIF, SamePixelsAsReference) {
  for (const char* name : {"gif_one", "gif_lzw_full", "gif_lzw_deferred", "gif_inter_h19"}) {
    SCOPED_TRACE(name);
    std::vector<BYTE> bytes = ReadData(std::string(name) + ".gif");
    std::vector<BYTE> rgba = ReadData(std::string(name) + ".rgba");
    CRasterImage image;
    ASSERT_TRUE(DecodeBytes(image, bytes, RASTER_FORMAT_GIF));
    ASSERT_EQ(rgba.size(), static_cast<size_t>(image.GetWidth() * image.GetHeight() * 4));
    EXPECT_EQ(CountMismatches(image, rgba, 0), 0);
  }
  std::vector<BYTE> one = ReadData("gif_one.gif");
  CRasterImage image;
  ASSERT_TRUE(DecodeBytes(image, one, RASTER_FORMAT_GIF));
  EXPECT_EQ(image.GetTransIndex(), 3);
  EXPECT_EQ(image.GetFrameDelay(), 7u);
  EXPECT_EQ(image.GetBpp(), 4);
}

TEST(RasterImageGIF, AnimationFramesAndDisposal) {
  std::vector<BYTE> bytes = ReadData("gif_anim.gif");
  std::vector<BYTE> rgba = ReadData("gif_anim.rgba");
  const DWORD delays[] = {10, 20, 30, 40};
  for (long f = 0; f < 4; ++f) {
    SCOPED_TRACE(f);
    CRasterImage image;
    ASSERT_TRUE(DecodeBytes(image, bytes, RASTER_FORMAT_GIF, f));
    EXPECT_EQ(image.GetNumFrames(), 4);
    EXPECT_EQ(image.GetFrameDelay(), delays[f]);
    EXPECT_EQ(image.GetWidth(), 24u);
    EXPECT_EQ(CountMismatches(image, rgba, static_cast<size_t>(f)), 0);
  }
  // The engine's second decode: the last frame with every frame kept.
  CRasterImage image;
  ASSERT_TRUE(DecodeBytes(image, bytes, RASTER_FORMAT_GIF, 3, true));
  EXPECT_EQ(image.GetNumFrames(), 4);
  for (long f = 0; f < 4; ++f) {
    CRasterImage* kept = image.GetFrame(f);
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(CountMismatches(*kept, rgba, static_cast<size_t>(f)), 0) << f;
  }
  // A frame past the last fails and still tells the frame count.
  CRasterImage past;
  EXPECT_FALSE(DecodeBytes(past, bytes, RASTER_FORMAT_GIF, 4));
  EXPECT_EQ(past.GetNumFrames(), 4);
  EXPECT_FALSE(past.IsValid());
}

TEST(RasterImageGIF, DisposalMethods) {
  std::vector<BYTE> bytes = ReadData("gif_dispose.gif");
  // Expected index of screen point (x, y from the top) after each frame.
  auto expected = [](long frame, long x, long y) -> int {
    switch (frame) {
      case 0: return 1;
      case 1: return (x >= 2 && x < 5 && y >= 2 && y < 5) ? 2 : 1;
      case 2: return (x < 2 && y < 2) ? 3 : 7;  // disposal 2 cleared everything to index 7
      default: return (x >= 6 && y >= 6) ? 4 : 1;  // disposal 3 went back to frame 0
    }
  };
  CRasterImage all;
  ASSERT_TRUE(DecodeBytes(all, bytes, RASTER_FORMAT_GIF, 3, true));
  for (long f = 0; f < 4; ++f) {
    SCOPED_TRACE(f);
    CRasterImage image;
    ASSERT_TRUE(DecodeBytes(image, bytes, RASTER_FORMAT_GIF, f));
    EXPECT_EQ(image.GetTransIndex(), 7);
    EXPECT_EQ(image.GetDisposalMethod(), f == 0 ? 1 : f == 1 ? 2 : f == 2 ? 3 : 0);
    const CRasterImage* kept = all.GetFrame(f);
    ASSERT_NE(kept, nullptr);
    int mismatches = 0;
    for (long y = 0; y < 8; ++y) {
      for (long x = 0; x < 8; ++x) {
        mismatches += image.GetPixelIndex(x, 7 - y) != expected(f, x, y);
        mismatches += kept->GetPixelIndex(x, 7 - y) != expected(f, x, y);
      }
    }
    EXPECT_EQ(mismatches, 0);
  }
}

TEST(RasterImageGIF, InterlacedEqualsPlain) {
  for (int h : {1, 2, 3, 4, 5, 19}) {
    SCOPED_TRACE(h);
    std::vector<BYTE> a = ReadData("gif_inter_h" + std::to_string(h) + ".gif");
    std::vector<BYTE> b = ReadData("gif_plain_h" + std::to_string(h) + ".gif");
    CRasterImage ia, ib;
    ASSERT_TRUE(DecodeBytes(ia, a, RASTER_FORMAT_GIF));
    ASSERT_TRUE(DecodeBytes(ib, b, RASTER_FORMAT_GIF));
    ASSERT_EQ(ia.GetHeight(), static_cast<DWORD>(h));
    for (long y = 0; y < h; ++y)
      for (long x = 0; x < 7; ++x) EXPECT_EQ(ia.GetPixelIndex(x, y), ib.GetPixelIndex(x, y));
    // Row r from the top holds (x * 3 + r * 5) % 8.
    for (long r = 0; r < h; ++r) EXPECT_EQ(ia.GetPixelIndex(2, h - 1 - r), (2 * 3 + r * 5) % 8);
  }
}

TEST(RasterImageGIF, NoGlobalTableGivesTrueColour) {
  std::vector<BYTE> bytes = ReadData("gif_noglobal.gif");
  CRasterImage image;
  ASSERT_TRUE(DecodeBytes(image, bytes, RASTER_FORMAT_GIF));
  EXPECT_EQ(image.GetBpp(), 24);
  EXPECT_EQ(image.GetWidth(), 16u);
  const BYTE pa[4][3] = {{10, 20, 30}, {200, 100, 50}, {0, 255, 0}, {255, 255, 255}};
  const BYTE pb[4][3] = {{1, 2, 3}, {40, 50, 60}, {250, 0, 250}, {90, 90, 90}};
  for (long y = 0; y < 6; ++y) {
    for (long x = 0; x < 8; ++x) {
      RGBQUAD a = TopDown(image, x, y);
      const BYTE* ea = pa[(x + y) % 4];
      EXPECT_EQ(a.rgbRed, ea[0]);
      EXPECT_EQ(a.rgbBlue, ea[2]);
      RGBQUAD b = TopDown(image, 8 + x, 6 + y);
      const BYTE* eb = pb[(x * y) % 4];
      EXPECT_EQ(b.rgbRed, eb[0]);
      EXPECT_EQ(b.rgbGreen, eb[1]);
      // Not covered by any frame: black, never old memory.
      RGBQUAD empty = TopDown(image, 8 + x, y);
      EXPECT_EQ(empty.rgbRed | empty.rgbGreen | empty.rgbBlue, 0);
    }
  }
}

TEST(RasterImageGIF, FrameOutsideTheScreenIsSkipped) {
  std::vector<BYTE> bytes = ReadData("gif_outside.gif");
  CRasterImage image;
  ASSERT_TRUE(DecodeBytes(image, bytes, RASTER_FORMAT_GIF, 1));
  EXPECT_EQ(image.GetNumFrames(), 2);
  EXPECT_EQ(image.GetPixelIndex(2, 10 - 1 - 2), 3);
  EXPECT_EQ(image.GetPixelIndex(8, 10 - 1 - 8), 1);
}

// A GIF of n one-pixel frames on a large screen, with a two-colour global table.
std::vector<BYTE> ManyFrames(int n, int screen) {
  std::vector<BYTE> g = {'G', 'I', 'F', '8', '9', 'a', BYTE(screen & 0xFF), BYTE(screen >> 8),
                         BYTE(screen & 0xFF), BYTE(screen >> 8), 0x80, 0, 0, 0, 0, 0, 255, 255, 255};
  for (int i = 0; i < n; ++i) {
    // Clear, pixel 1, end at three bits each.
    const BYTE frame[] = {',', 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x4C, 0x01, 0};
    g.insert(g.end(), frame, frame + sizeof(frame));
  }
  g.push_back(';');
  return g;
}

TEST(RasterImageGIF, KeptFramesStayWithinTheMemoryLimit) {
  std::vector<BYTE> bytes = ManyFrames(8, 6000);
  CRasterImage one;
  ASSERT_TRUE(DecodeBytes(one, bytes, RASTER_FORMAT_GIF, 7));
  EXPECT_EQ(one.GetNumFrames(), 8);
  EXPECT_EQ(one.GetPixelIndex(0, 5999), 1);
  CRasterImage all;
  EXPECT_FALSE(DecodeBytes(all, bytes, RASTER_FORMAT_GIF, 7, true));
  EXPECT_STREQ(all.GetLastError(), "IMAGE_MAX_MEMORY exceeded");
}

TEST(RasterImageGIF, DamagedFiles) {
  {
    std::vector<BYTE> bytes = ReadData("malformed/gif_truncated.gif");
    CRasterImage image;
    // The frames before the cut stand.
    EXPECT_TRUE(DecodeBytes(image, bytes, RASTER_FORMAT_GIF));
    EXPECT_TRUE(image.IsValid());
  }
  for (const char* name : {"malformed/gif_bad_codesize.gif", "malformed/gif_noise.gif",
                           "malformed/gif_header_only.gif"}) {
    SCOPED_TRACE(name);
    std::vector<BYTE> bytes = ReadData(name);
    for (long frame : {0L, 1L, 3L}) {
      CRasterImage image;
      if (DecodeBytes(image, bytes, RASTER_FORMAT_GIF, frame, true)) {
        EXPECT_TRUE(image.IsValid());
      }
    }
  }
  std::vector<BYTE> header = ReadData("malformed/gif_header_only.gif");
  CRasterImage image;
  EXPECT_FALSE(DecodeBytes(image, header, RASTER_FORMAT_GIF));
  EXPECT_EQ(image.GetNumFrames(), 0);
}


// Three one-pixel frames side by side on a 3 x 1 screen with indices 1, 2 and 3; `gces` holds the
// disposal of the graphic control block in front of each frame, or -1 for none.
std::vector<BYTE> RestoringFrames(const int (&gces)[3]) {
  std::vector<BYTE> g = {'G', 'I', 'F', '8', '9', 'a', 3, 0, 1, 0, 0x81, 0, 0,
                         0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};
  const BYTE codes[3] = {0x4C, 0x54, 0x5C};  // clear, the index, end (three bits each)
  for (int i = 0; i < 3; ++i) {
    if (gces[i] >= 0) {
      const BYTE gce[] = {'!', 0xF9, 4, BYTE(gces[i] << 2), 0, 0, 0, 0};
      g.insert(g.end(), gce, gce + sizeof(gce));
    }
    const BYTE frame[] = {',', BYTE(i), 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, codes[i], 0x01, 0};
    g.insert(g.end(), frame, frame + sizeof(frame));
  }
  g.push_back(';');
  return g;
}

// "Restore to previous" goes back to the picture after the last frame that kept its drawing,
// also when the disposal of the first frames comes from a control block further on (the decode
// still holds the one its counting pass read last). Each frame alone and every kept frame agree.
TEST(RasterImageGIF, RestoreToPreviousAcrossFrames) {
  struct Case {
    int gces[3];
    int expected[3][3];  // the three screen pixels after frames 0, 1 and 2
  };
  const Case cases[] = {
      {{1, 3, -1}, {{1, 0, 0}, {1, 2, 0}, {1, 0, 3}}},
      {{-1, 3, -1}, {{1, 0, 0}, {0, 2, 0}, {0, 0, 3}}},
      {{-1, -1, 3}, {{1, 0, 0}, {0, 2, 0}, {0, 0, 3}}},
      {{1, 1, 1}, {{1, 0, 0}, {1, 2, 0}, {1, 2, 3}}},
      {{0, 3, 0}, {{1, 0, 0}, {1, 2, 0}, {1, 0, 3}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.gces[0] << " " << c.gces[1] << " " << c.gces[2]);
    std::vector<BYTE> bytes = RestoringFrames(c.gces);
    CRasterImage all;
    ASSERT_TRUE(DecodeBytes(all, bytes, RASTER_FORMAT_GIF, 2, true));
    for (long f = 0; f < 3; ++f) {
      CRasterImage image;
      ASSERT_TRUE(DecodeBytes(image, bytes, RASTER_FORMAT_GIF, f));
      const CRasterImage* kept = all.GetFrame(f);
      ASSERT_NE(kept, nullptr);
      for (long x = 0; x < 3; ++x) {
        EXPECT_EQ(image.GetPixelIndex(x, 0), c.expected[f][x]) << "frame " << f << " x " << x;
        EXPECT_EQ(kept->GetPixelIndex(x, 0), c.expected[f][x]) << "kept frame " << f << " x " << x;
      }
    }
  }
}

}  // namespace
