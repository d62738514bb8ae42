#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/BlitFamily.h"
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

// A 6 x 6 picture in both formats with every kind of pixel the blits treat apart: opaque, half
// and fully transparent alpha, and the key colour (index 0 when palettised).
struct MixedPicture {
  static constexpr int N = 6;
  std::vector<uint32_t> rgba;
  std::vector<uint8_t> indexed;  // index, alpha per pixel; the one-byte form uses every other
  std::vector<uint8_t> indices;
  std::vector<uint8_t> palette;
  MixedPicture() : rgba(N * N), indexed(N * N * 2), indices(N * N), palette(768) {
    for (int i = 0; i < N * N; ++i) {
      const uint32_t a = (i % 3 == 0) ? 255u : (i % 3 == 1 ? 128u : 0u);
      rgba[i] = (i % 7 == 0) ? DEFAULT_KEY_COLOR : (a << 24 | static_cast<uint32_t>(i * 37 % 256) << 16 | 0x4080u);
      indices[i] = static_cast<uint8_t>(i % 5);
      indexed[2 * i] = indices[i];
      indexed[2 * i + 1] = static_cast<uint8_t>(a);
    }
    for (int k = 0; k < 256; ++k) {
      palette[3 * k] = static_cast<uint8_t>(k * 50);
      palette[3 * k + 1] = static_cast<uint8_t>(200 - k * 30);
      palette[3 * k + 2] = static_cast<uint8_t>(k * 11);
    }
  }
  ImageRecord Record(int32_t flags) {
    ImageRecord r{};
    r.width = N;
    r.height = N;
    r.frameCount = 1;
    r.flags = flags;
    r.transparent = (flags & IMGFLAG_PALETTE) ? 0 : DEFAULT_KEY_COLOR;
    if (flags & IMGFLAG_PALETTE) {
      r.palette = palette.data();
      r.pixels = (flags & IMGFLAG_ALPHA) ? indexed.data() : indices.data();
      r.bufferSize = static_cast<uint32_t>((flags & IMGFLAG_ALPHA) ? indexed.size() : indices.size());
    } else {
      r.pixels = reinterpret_cast<uint8_t*>(rgba.data());
      r.bufferSize = static_cast<uint32_t>(rgba.size() * 4);
    }
    return r;
  }
};

// A target whose pixels alternate between opaque and transparent, so that the blits that draw
// only onto opaque pixels differ from the others.
Target Backdrop() {
  Target t(24, 24);
  for (size_t i = 0; i < t.pixels.size(); ++i) t.pixels[i] = (i % 2 ? 0xff000000u : 0u) | 0x203040u;
  return t;
}

// The dispatcher picks the blit by format, alpha, key, angle and the placement's flags, and
// places it: straight blits at the item's box, rotated ones and the silhouette at the square
// around its centre. Each row names the blit that must give the very same pixels.
TEST(DrawDispatcher, ChoosesAndPlacesTheBlit) {
  using Straight32 = void (*)(uint32_t*, int, int, int, int, const RECT&, const uint32_t*, int, int, int, int, int,
                              int, double, uint32_t);
  using Turned32 = void (*)(uint32_t*, int, int, int, int, const RECT&, const uint32_t*, int, int, int, int, int,
                            int, double, double, uint32_t);
  using StraightPal = void (*)(uint32_t*, int, int, int, int, const RECT&, const uint8_t*, int, int, int, int, int,
                               int, uint32_t, const uint8_t*, double, uint32_t);
  using TurnedPal = void (*)(uint32_t*, int, int, int, int, const RECT&, const uint8_t*, int, int, int, int, int,
                             int, uint32_t, const uint8_t*, double, double, uint32_t);
  using SmoothPal = void (*)(uint32_t*, int, int, int, int, const RECT&, const uint8_t*, int, int, int, int, int,
                             int, const uint8_t*, double, double, uint32_t);
  struct Case {
    const char* what;
    int32_t imageFlags;
    uint32_t placementFlags;
    double angle;
    double alpha;
    Straight32 straight32;
    Turned32 turned32;
    StraightPal straightPal;
    TurnedPal turnedPal;
    SmoothPal smoothPal;
  };
  const double A = 0.6;  // an angle
  const uint32_t SIL = PLACEMENT_FLAG_SILHOUETTE, OPQ = PLACEMENT_FLAG_ON_OPAQUE, SMO = PLACEMENT_FLAG_SMOOTH;
  const int32_t T = IMGFLAG_TRANSPARENT, AL = IMGFLAG_ALPHA, P = IMGFLAG_PALETTE;
  const Case cases[] = {
      {"opaque copy", 0, 0, 0.0, 1.0, BlitImageRgbaCopy},
      {"keyed", T, 0, 0.0, 1.0, BlitImageRgba},
      {"translucent", 0, 0, 0.0, 0.5, BlitImageRgba},
      {"alpha", AL, 0, 0.0, 1.0, BlitImageRgbaAlpha},
      {"alpha onto opaque", AL, OPQ, 0.0, 1.0, BlitImageRgbaAlphaOnOpaque},
      {"silhouette flag without a key: a straight copy", 0, SIL, 0.0, 1.0, BlitImageRgbaCopy},
      {"silhouette", T, SIL, 0.0, 1.0, nullptr, BlitImageSilhouetteRgba},
      {"turned", 0, 0, A, 1.0, nullptr, BlitImageRotatedRgba},
      {"turned alpha", AL, 0, A, 1.0, nullptr, BlitImageRotatedRgbaAlpha},
      {"smoothly turned", 0, SMO, A, 1.0, nullptr, BlitImageSmoothRgba},
      {"smoothly turned alpha", AL, SMO, A, 1.0, nullptr, BlitImageSmoothRgba},
      {"palettised", P, 0, 0.0, 1.0, nullptr, nullptr, BlitImagePal},
      {"palettised alpha", P | AL, 0, 0.0, 1.0, nullptr, nullptr, BlitImagePalAlpha},
      {"palettised alpha onto opaque", P | AL, OPQ, 0.0, 1.0, nullptr, nullptr, BlitImagePalAlphaOnOpaque},
      {"palettised, silhouette flag without a key", P, SIL, 0.0, 1.0, nullptr, nullptr, BlitImagePal},
      {"palettised silhouette", P | T, SIL, 0.0, 1.0, nullptr, nullptr, nullptr, BlitImageSilhouettePal8},
      {"palettised alpha silhouette", P | T | AL, SIL, 0.0, 1.0, nullptr, nullptr, nullptr, BlitImageSilhouettePal},
      {"palettised turned", P, 0, A, 1.0, nullptr, nullptr, nullptr, BlitImageRotatedPal},
      {"palettised alpha turned", P | AL, 0, A, 1.0, nullptr, nullptr, nullptr, BlitImageRotatedPalAlpha},
      {"palettised smoothly turned", P, SMO, A, 1.0, nullptr, nullptr, nullptr, nullptr, BlitImageSmoothPal},
      {"palettised alpha smoothly turned", P | AL, SMO, A, 1.0, nullptr, nullptr, nullptr, nullptr,
       BlitImageSmoothPalAlpha},
  };
  MixedPicture pic;
  const int N = MixedPicture::N;
  const int cx = 11, cy = 13;
  const uint32_t back = 0x00123456u;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ImageRecord rec = pic.Record(c.imageFlags);
    EntityPlacement p = PlacementAt(cx, cy, N, N);
    p.flags = c.placementFlags;
    p.angle = c.angle;
    Target got = Backdrop();
    DrawEntityToBuffer(got.surface, p, rec, 0, 0, N, N, c.alpha, back);

    Target want = Backdrop();
    const RECT clip{0, 0, 24, 24};
    const int boxX = cx - (N + 1) / 2, boxY = cy - (N + 1) / 2;
    const int r = BoundingRadius(N, N);
    const int sqX = cx - r, sqY = cy - r;
    uint32_t* d = want.pixels.data();
    const uint32_t* s32 = reinterpret_cast<const uint32_t*>(rec.pixels);
    const uint8_t* s8 = rec.pixels;
    if (c.straight32) c.straight32(d, boxX, boxY, 24, 24, clip, s32, 0, 0, N, N, N, N, c.alpha, back);
    if (c.turned32) c.turned32(d, sqX, sqY, 24, 24, clip, s32, 0, 0, N, N, N, N, c.angle, c.alpha, back);
    if (c.straightPal) c.straightPal(d, boxX, boxY, 24, 24, clip, s8, 0, 0, N, N, N, N, 0, rec.palette, c.alpha, back);
    if (c.turnedPal) c.turnedPal(d, sqX, sqY, 24, 24, clip, s8, 0, 0, N, N, N, N, 0, rec.palette, c.angle, c.alpha, back);
    if (c.smoothPal) c.smoothPal(d, sqX, sqY, 24, 24, clip, s8, 0, 0, N, N, N, N, rec.palette, c.angle, c.alpha, back);
    EXPECT_NE(want.pixels, Backdrop().pixels) << "the expected blit drew nothing";
    EXPECT_EQ(got.pixels, want.pixels);
  }
}

// A picture with the silhouette flag but no key is drawn where any straight picture is: a 4 x 4
// picture centred at (18, 18) covers (16, 16) to (19, 19).
TEST(DrawDispatcher, SilhouetteFlagWithoutAKeyKeepsTheStraightPlace) {
  Picture pic(4, 4, 1, 0);
  Target t(32, 32);
  EntityPlacement p = PlacementAt(18, 18, 4, 4);
  p.flags = PLACEMENT_FLAG_SILHOUETTE;
  DrawEntityToBuffer(t.surface, p, pic.record, 0, 0, 4, 4, 1.0, DEFAULT_KEY_COLOR);
  EXPECT_EQ(t.At(16, 16), 0xff000000u);
  EXPECT_EQ(t.At(19, 19), 0xff000303u);
  EXPECT_EQ(t.At(15, 15), 0u);
  EXPECT_EQ(t.At(20, 20), 0u);
}

// The clip rectangle is in layer coordinates: in a view scrolled away from the layer's origin it
// moves with the item, by the difference between the item's view and layer positions.
TEST(DrawDispatcher, ClipRectangleFollowsTheScrolledView) {
  struct Case {
    const char* what;
    int layerX, layerY;  // the item's centre in the layer; the view shows it at (16, 16)
    RECT clip;           // layer coordinates
    RECT drawn;          // destination pixels that must show the picture, all others not
  } cases[] = {
      {"unscrolled", 16, 16, {14, 10, 30, 30}, {14, 12, 20, 20}},
      {"scrolled right and down", 216, 116, {214, 110, 230, 130}, {14, 12, 20, 20}},
      {"scrolled, clip cutting the top left", 216, 116, {200, 100, 217, 117}, {12, 12, 17, 17}},
      {"scrolled, clip elsewhere in the layer", 216, 116, {16, 16, 40, 40}, {0, 0, 0, 0}},
  };
  Picture pic(8, 8, 1, 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Target t(32, 32);
    EntityPlacement p = PlacementAt(16, 16, 8, 8);
    p.x = c.layerX;
    p.y = c.layerY;
    p.flags = PLACEMENT_FLAG_CLIP;
    p.clip = c.clip;
    DrawEntityToBuffer(t.surface, p, pic.record, 0, 0, 8, 8, 1.0, DEFAULT_KEY_COLOR);
    for (int y = 0; y < 32; ++y) {
      for (int x = 0; x < 32; ++x) {
        const bool inside = x >= c.drawn.left && x < c.drawn.right && y >= c.drawn.top && y < c.drawn.bottom;
        ASSERT_EQ(t.At(x, y) != 0, inside) << x << "," << y;
      }
    }
  }
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


// A resized 32-bit picture is scaled row by row right before each row is drawn. The result must
// be that of scaling the whole picture first and blitting it, for every blit the dispatcher
// picks, at sizes up and down, partly off the surface and through a clip rectangle.
TEST(DrawDispatcher, ScaledRowsMatchScalingTheWholePicture) {
  struct Case {
    int32_t flags;
    uint32_t placementFlags;
    double alpha;
    int srcW, srcH, newW, newH, cx, cy;
    bool clip;
  };
  const Case cases[] = {
      {IMGFLAG_ALPHA, 0, 1.0, 13, 9, 26, 18, 20, 15, false},
      {IMGFLAG_ALPHA, 0, 0.5, 13, 9, 31, 7, 5, 40, false},
      {IMGFLAG_ALPHA, PLACEMENT_FLAG_ON_OPAQUE, 1.0, 13, 9, 40, 30, 10, 10, true},
      {IMGFLAG_TRANSPARENT, 0, 1.0, 16, 16, 24, 40, 45, 30, false},
      {0, 0, 0.75, 16, 16, 8, 5, 3, 3, false},
      {0, 0, 1.0, 16, 16, 70, 33, 30, -5, true},
      {IMGFLAG_ALPHA, 0, 1.0, 20, 20, 20, 20, 25, 25, false},  // clamped source equals placement
      // Large enough to be scaled row by row; mostly off the surface.
      {IMGFLAG_ALPHA, 0, 1.0, 13, 9, 400, 300, 20, 15, false},
      {IMGFLAG_ALPHA, 0, 0.5, 13, 9, 310, 270, 100, -90, false},
      {IMGFLAG_ALPHA, PLACEMENT_FLAG_ON_OPAQUE, 1.0, 13, 9, 400, 200, 10, 10, true},
      {IMGFLAG_TRANSPARENT, 0, 1.0, 16, 16, 260, 400, 45, 30, false},
      {0, 0, 0.75, 16, 16, 300, 300, 3, 3, false},
      {0, 0, 1.0, 16, 16, 700, 120, 30, -5, true},
      {IMGFLAG_ALPHA, 0, 1.0, 300, 300, 300, 300, 25, 25, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.newW << "x" << c.newH << " flags " << c.flags);
    Picture pic(c.srcW, c.srcH, 1, c.flags);
    for (size_t i = 0; i < pic.pixels.size(); ++i) {
      const uint32_t a = (i % 5 == 0) ? 0 : (i % 3 == 0 ? 255 : static_cast<uint32_t>(i * 37 % 256));
      pic.pixels[i] = (a << 24) | ((static_cast<uint32_t>(i) * 2654435761u) & 0xffffffu);
    }
    EntityPlacement p = PlacementAt(c.cx, c.cy, c.newW, c.newH);
    p.flags = c.placementFlags;
    if (c.clip) {
      p.flags |= PLACEMENT_FLAG_CLIP;
      p.clip = RECT{c.cx - c.newW / 4, c.cy - c.newH / 3, c.cx + c.newW / 3, c.cy + c.newH};
    }
    // The requested source is one pixel wider than a picture as wide as the placement, so that
    // the clamped source comes out as large as the placement.
    const int requestW = c.srcW == c.newW ? c.srcW + 1 : c.srcW;
    Target drawn(60, 50);
    for (auto& px : drawn.pixels) px = 0xff336699u;
    EntityPlacement q = p;
    DrawEntityToBuffer(drawn.surface, q, pic.record, 0, 0, requestW, c.srcH, c.alpha, DEFAULT_KEY_COLOR);

    // The reference: the whole picture scaled, then drawn at its own size.
    auto scaled = ScalePixels32(pic.pixels.data(), c.srcW, c.srcH, 0, 0, c.srcW, c.srcH, c.newW, c.newH);
    ASSERT_TRUE(scaled);
    Picture whole(c.newW, c.newH, 1, c.flags);
    std::copy(scaled.get(), scaled.get() + static_cast<size_t>(c.newW) * c.newH, whole.pixels.begin());
    Target expected(60, 50);
    for (auto& px : expected.pixels) px = 0xff336699u;
    EntityPlacement r = p;
    DrawEntityToBuffer(expected.surface, r, whole.record, 0, 0, c.newW, c.newH, c.alpha, DEFAULT_KEY_COLOR);
    EXPECT_EQ(expected.pixels, drawn.pixels);
  }
}

}  // namespace
