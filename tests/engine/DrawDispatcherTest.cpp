#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/DrawDispatcher.h"

namespace {

// A 32-bit picture whose pixel (x, y) holds 0xff000000 | y << 8 | x.
struct Picture {
  std::vector<uint32_t> pixels;
  ImageRecord record{};
  Picture(int w, int frameHeight, int frames, int32_t flags) {
    pixels.resize(static_cast<size_t>(w) * frameHeight * frames);
    for (int y = 0; y < frameHeight * frames; ++y)
      for (int x = 0; x < w; ++x)
        pixels[static_cast<size_t>(y) * w + x] = 0xff000000u | (static_cast<uint32_t>(y) << 8) |
                                                 static_cast<uint32_t>(x);
    record.width = static_cast<uint16_t>(w);
    record.height = static_cast<uint16_t>(frameHeight);
    record.frameCount = static_cast<uint16_t>(frames);
    record.pixels = reinterpret_cast<uint8_t*>(pixels.data());
    record.bufferSize = static_cast<uint32_t>(pixels.size() * 4);
    record.flags = flags;
    record.transparent = DEFAULT_KEY_COLOR;
  }
};

struct Target {
  std::vector<uint32_t> pixels;
  PixelSurface surface;
  Target(int w, int h) : pixels(static_cast<size_t>(w) * h, 0) {
    surface.pixels = pixels.data();
    surface.width = w;
    surface.height = h;
  }
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * surface.width + x]; }
};

EntityPlacement PlacementAt(int cx, int cy, int w, int h) {
  EntityPlacement p{};
  p.viewX = p.x = cx;
  p.viewY = p.y = cy;
  p.width = w;
  p.height = h;
  return p;
}

TEST(DrawDispatcher, StripFramesAndScaling) {
  Picture pic(40, 20, 3, 0);
  // Placement 40 x 20 centred at (20, 10): box (0, 0, 40, 20), third frame unscaled.
  Target t(100, 100);
  EntityPlacement p = PlacementAt(20, 10, 40, 20);
  DrawEntityToBuffer(t.surface, p, pic.record, 0, 40, 40, 20, 1.0, DEFAULT_KEY_COLOR);
  EXPECT_EQ(t.At(0, 0), 0xff000000u | (40u << 8));
  EXPECT_EQ(t.At(39, 19), 0xff000000u | (59u << 8) | 39u);
  // At 80 x 40 the frame is scaled by two: target (5, 7) shows frame pixel (2, 3).
  Target s(100, 100);
  EntityPlacement q = PlacementAt(40, 20, 80, 40);
  DrawEntityToBuffer(s.surface, q, pic.record, 0, 40, 40, 20, 1.0, DEFAULT_KEY_COLOR);
  EXPECT_EQ(s.At(5, 7), 0xff000000u | (43u << 8) | 2u);
}

TEST(DrawDispatcher, SourceRectangleClampedOnAllSides) {
  // An alpha picture requested 10 columns past its right edge is clamped and then, no longer
  // matching the placement, not drawn at angle 0.
  Picture pic(20, 10, 1, IMGFLAG_ALPHA);
  Target t(64, 64);
  EntityPlacement p = PlacementAt(20, 20, 20, 10);
  DrawEntityToBuffer(t.surface, p, pic.record, 10, 0, 20, 10, 1.0, DEFAULT_KEY_COLOR);
  EXPECT_EQ(t.pixels, std::vector<uint32_t>(64 * 64, 0));
  // Negative source offsets never read before the block: the rectangle is cut to the picture
  // and scaled to the placement.
  Picture plain(8, 8, 1, 0);
  Target u(32, 32);
  EntityPlacement q = PlacementAt(8, 8, 8, 8);
  DrawEntityToBuffer(u.surface, q, plain.record, -4, -4, 8, 8, 1.0, DEFAULT_KEY_COLOR);
  EXPECT_EQ(u.At(4, 4), 0xff000000u);  // picture pixel (0, 0)
  // A request that starts past the picture draws nothing.
  Target v(32, 32);
  DrawEntityToBuffer(v.surface, q, plain.record, 9, 0, 8, 8, 1.0, DEFAULT_KEY_COLOR);
  EXPECT_EQ(v.pixels, std::vector<uint32_t>(32 * 32, 0));
}

std::vector<std::string> g_lines;
void Capture(const char* line) { g_lines.emplace_back(line); }

TEST(DrawDispatcher, PalettisedWithoutPaletteLogsAndDrawsNothing) {
  std::vector<uint8_t> indices(16, 1);
  ImageRecord rec{};
  rec.width = 4;
  rec.height = 4;
  rec.frameCount = 1;
  rec.pixels = indices.data();
  rec.bufferSize = 16;
  rec.flags = IMGFLAG_PALETTE;
  Target t(8, 8);
  EntityPlacement p = PlacementAt(4, 4, 4, 4);
  g_lines.clear();
  SetDrawLogFunction(Capture);
  DrawEntityToBuffer(t.surface, p, rec, 0, 0, 4, 4, 1.0, DEFAULT_KEY_COLOR);
  DrawEntityToBuffer(t.surface, p, rec, 0, 0, 4, 4, 1.0, DEFAULT_KEY_COLOR);
  SetDrawLogFunction(nullptr);
  EXPECT_EQ(g_lines, std::vector<std::string>(2, "256color pic without rgbquad!"));
  EXPECT_EQ(t.pixels, std::vector<uint32_t>(64, 0));
}

TEST(DrawDispatcher, RotatedItemGetsItsRadiusAndIsCentred) {
  Picture pic(5, 5, 1, 0);
  Target t(40, 40);
  EntityPlacement p = PlacementAt(20, 20, 5, 5);
  p.angle = 0.5;
  DrawEntityToBuffer(t.surface, p, pic.record, 0, 0, 5, 5, 1.0, DEFAULT_KEY_COLOR);
  EXPECT_EQ(p.radius, 4);
  // The picture's pixel (F, E) = (3, 3) lands on the view position.
  EXPECT_EQ(t.At(20, 20), 0xff000000u | (3u << 8) | 3u);
}

TEST(DrawDispatcher, SilhouetteOfAPictureWithoutAlphaStaysInsideIt) {
  // A keyed one-byte picture: the silhouette reads exactly w * h bytes.
  std::vector<uint8_t> indices = {0, 1, 1, 0};
  std::vector<uint8_t> palette(768, 0);
  ImageRecord rec{};
  rec.width = 2;
  rec.height = 2;
  rec.frameCount = 1;
  rec.pixels = indices.data();
  rec.bufferSize = 4;
  rec.flags = IMGFLAG_PALETTE | IMGFLAG_TRANSPARENT;
  rec.transparent = 0;
  rec.palette = palette.data();
  Target t(10, 10);
  EntityPlacement p = PlacementAt(5, 5, 2, 2);
  p.flags = PLACEMENT_FLAG_SILHOUETTE;
  DrawEntityToBuffer(t.surface, p, rec, 0, 0, 2, 2, 1.0, DEFAULT_KEY_COLOR);
  int inverted = 0;
  for (uint32_t px : t.pixels) inverted += px == 0xffffffffu ? 1 : 0;
  EXPECT_EQ(inverted, 2);
}

TEST(DrawDispatcher, PointListOpacity) {
  DotPoint point{3, 4, 200, 100, 50, 255, nullptr};
  DotSetState dots{&point};
  Target t(8, 8);
  DrawPointList(t.surface, 0, 0, 0, 0, 8, 8, &dots, 1.0);
  EXPECT_EQ(t.At(3, 4), 0xff3264c8u);
  Target h(8, 8);
  DrawPointList(h.surface, 0, 0, 0, 0, 8, 8, &dots, 0.5);
  EXPECT_EQ(h.At(3, 4) & 0xff, (200u * 126) >> 8);
  // Outside the clip, or outside the surface, nothing is written.
  DotPoint far{30, 4, 1, 1, 1, 255, nullptr};
  DotSetState farDots{&far};
  Target f(8, 8);
  DrawPointList(f.surface, 0, 0, 0, 0, 100, 100, &farDots, 1.0);
  EXPECT_EQ(f.pixels, std::vector<uint32_t>(64, 0));
}

}  // namespace
