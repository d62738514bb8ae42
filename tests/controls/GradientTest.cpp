// The gradient's band list as a table, and the exact pixels of painted gradients.
#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "controls/Gradient.h"
#include "tests/controls/ControlRendering.h"
#include "tests/platform/GdiTestCanvas.h"

namespace {

const COLORREF TEAL = 0x808000;  // red 0, green 128, blue 128: what both notifiers use
const COLORREF WHITE = 0xFFFFFF;
const COLORREF BLACK = 0;

int TotalWidth(const std::vector<GradientBand>& bands) {
  return std::accumulate(bands.begin(), bands.end(), 0, [](int s, const GradientBand& b) { return s + b.width; });
}

TEST(Gradient, ThreeStopsHoldTheFirstHalfFlat) {
  CGradient g;
  g.SetColors(3, TEAL, TEAL, WHITE);
  std::vector<GradientBand> bands = g.Bands(120, 0, -1, 0, false);
  // The flat segment is one band; the second has 60 one-pixel steps (the length is below the
  // largest channel difference, 255), starting exactly at the first colour and stopping one
  // step short of white.
  ASSERT_EQ(bands.size(), 61u);
  EXPECT_EQ(bands[0], (GradientBand{TEAL, 60}));
  EXPECT_EQ(bands[1], (GradientBand{TEAL, 1}));
  EXPECT_EQ(bands[2], (GradientBand{RGB(4, 130, 130), 1}));
  EXPECT_EQ(bands[60], (GradientBand{RGB(250, 252, 252), 1}));
  EXPECT_EQ(TotalWidth(bands), 120);
}

struct BandCase {
  const char* name;
  std::vector<COLORREF> stops;
  std::vector<double> weights;  // empty: even
  float scale;
  int extent, start, end, offset;
  bool palette;
  size_t count;
  int total;
  GradientBand first;
  GradientBand last;
};

TEST(Gradient, BandListTable) {
  const COLORREF RED200 = RGB(200, 0, 0);
  const std::vector<BandCase> cases = {
      {"two equal stops are one band", {TEAL, TEAL}, {}, 1.0f, 120, 0, -1, 0, false, 1, 120, {TEAL, 120}, {TEAL, 120}},
      {"one stop is one band", {TEAL}, {}, 1.0f, 50, 0, -1, 0, false, 1, 50, {TEAL, 50}, {TEAL, 50}},
      {"zero extent draws nothing", {BLACK, WHITE}, {}, 1.0f, 0, 0, -1, 0, false, 0, 0, {}, {}},
      {"steps follow the largest channel difference", {BLACK, RED200}, {}, 1.0f, 1000, 0, -1, 0, false, 200, 1000,
       {BLACK, 5}, {RGB(199, 0, 0), 5}},
      {"a palette device takes at most 236 steps", {BLACK, WHITE}, {}, 1.0f, 1000, 0, -1, 0, true, 236, 1000,
       {BLACK, 4}, {RGB(253, 253, 253), 5}},
      {"without a palette every channel step is a band", {BLACK, WHITE}, {}, 1.0f, 1000, 0, -1, 0, false, 255, 1000,
       {BLACK, 3}, {RGB(254, 254, 254), 4}},
      {"the palette limit is shared among segments", {BLACK, WHITE, BLACK}, {}, 1.0f, 1000, 0, -1, 0, true, 236, 1000,
       {BLACK, 4}, {RGB(3, 3, 3), 5}},
      // The step that ends exactly at the start is kept with width 0, as the interpolator's
      // "skip steps that end before the start" reads.
      {"a part of the length", {BLACK, RED200}, {}, 1.0f, 100, 20, 40, 0, false, 21, 20, {RGB(38, 0, 0), 0},
       {RGB(78, 0, 0), 1}},
      {"scale 2 draws the first half of a longer gradient", {BLACK, RED200}, {}, 2.0f, 100, 0, -1, 0, false, 100, 100,
       {BLACK, 1}, {RGB(99, 0, 0), 1}},
      {"scale 0.5 fills only half the rectangle", {BLACK, RED200}, {}, 0.5f, 100, 0, -1, 0, false, 50, 50,
       {BLACK, 1}, {RGB(196, 0, 0), 1}},
      {"weights move the middle stop", {RED200, BLACK, RED200}, {25.0, 75.0}, 1.0f, 100, 0, -1, 0, false, 100, 100,
       {RED200, 1}, {RGB(197, 0, 0), 1}},
      {"an offset of the whole length changes nothing", {BLACK, RED200}, {}, 1.0f, 100, 0, -1, 100, false, 100, 100,
       {BLACK, 1}, {RGB(198, 0, 0), 1}},
      // Drawn position p shows gradient position p + 50: the second half comes first (again
      // after a zero-width step that ends where the part starts).
      {"an offset turns the pattern round", {BLACK, RED200}, {}, 1.0f, 100, 0, -1, 50, false, 101, 100,
       {RGB(98, 0, 0), 0}, {RGB(98, 0, 0), 1}},
  };
  for (const BandCase& c : cases) {
    SCOPED_TRACE(c.name);
    CGradient g;
    g.m_colors.RemoveAll();
    for (COLORREF s : c.stops) g.m_colors.Add(s);
    g.m_weights.RemoveAll();
    for (size_t i = 0; i + 1 < c.stops.size(); ++i) {
      g.m_weights.Add(c.weights.empty() ? 100.0 / static_cast<double>(c.stops.size() - 1) : c.weights[i]);
    }
    g.m_scale = c.scale;
    std::vector<GradientBand> bands = g.Bands(c.extent, c.start, c.end, c.offset, c.palette);
    ASSERT_EQ(bands.size(), c.count);
    EXPECT_EQ(TotalWidth(bands), c.total);
    if (bands.empty()) continue;
    EXPECT_EQ(bands.front(), c.first);
    EXPECT_EQ(bands.back(), c.last);
  }
}

TEST(Gradient, WeightsPlaceTheSegmentBoundary) {
  CGradient g;
  g.SetColors(3, RGB(200, 0, 0), BLACK, RGB(200, 0, 0));
  g.m_weights[0] = 25.0;
  g.m_weights[1] = 75.0;
  std::vector<GradientBand> bands = g.Bands(100, 0, -1, 0, false);
  // 25 one-pixel steps down from red, then the second segment starts exactly at black.
  ASSERT_EQ(bands.size(), 100u);
  EXPECT_EQ(bands[24].color, RGB(8, 0, 0));
  EXPECT_EQ(bands[25].color, BLACK);
}

// Every row of a top-to-bottom gradient is one colour; the rows are those of the band list.
TEST(Gradient, PaintedTopToBottomPixels) {
  gditest::Canvas canvas(30, 120, RGB(255, 0, 255));
  CGradient g;
  g.m_orientation = CGradient::TOP_TO_BOTTOM;
  g.SetColors(3, TEAL, TEAL, WHITE);
  g.Draw(canvas.Dc(), RECT{0, 0, 30, 120}, 0, -1, 0);
  controltest::SaveRendering(canvas, "gradient-notifier-background");
  for (int y = 0; y < 120; ++y) {
    for (int x = 1; x < 30; ++x) ASSERT_EQ(canvas.At(x, y), canvas.At(0, y)) << x << "," << y;
  }
  EXPECT_EQ(canvas.At(0, 0), TEAL);
  EXPECT_EQ(canvas.At(0, 60), TEAL);
  EXPECT_EQ(canvas.At(0, 61), RGB(4, 130, 130));
  EXPECT_EQ(canvas.At(0, 119), RGB(250, 252, 252));
}

TEST(Gradient, OrientationsStartAtTheirNamedSide) {
  struct Orient {
    int orientation;
    int width, height;
    POINT first, last;
  };
  const std::vector<Orient> cases = {
      {CGradient::LEFT_TO_RIGHT, 100, 10, {0, 5}, {99, 5}},
      {CGradient::RIGHT_TO_LEFT, 100, 10, {99, 5}, {0, 5}},
      {CGradient::TOP_TO_BOTTOM, 10, 100, {5, 0}, {5, 99}},
      {CGradient::BOTTOM_TO_TOP, 10, 100, {5, 99}, {5, 0}},
  };
  gditest::Canvas sheet(250, 110, RGB(255, 255, 255));
  int x = 0;
  for (const Orient& c : cases) {
    SCOPED_TRACE(c.orientation);
    gditest::Canvas canvas(c.width + 4, c.height + 4, RGB(255, 0, 255));
    CGradient g;
    g.m_orientation = c.orientation;
    g.SetColors(2, BLACK, RGB(200, 0, 0));
    g.Draw(canvas.Dc(), RECT{2, 2, 2 + c.width, 2 + c.height}, 0, -1, 0);
    EXPECT_EQ(canvas.At(2 + c.first.x, 2 + c.first.y), BLACK);
    EXPECT_EQ(canvas.At(2 + c.last.x, 2 + c.last.y), RGB(198, 0, 0));
    // Nothing outside the rectangle is touched.
    EXPECT_EQ(canvas.At(1, 1), RGB(255, 0, 255));
    EXPECT_EQ(canvas.At(c.width + 2, c.height + 2), RGB(255, 0, 255));
    BitBlt(sheet.Dc(), x, 2, c.width + 4, c.height + 4, canvas.Dc(), 0, 0, SRCCOPY);
    x += c.width + 10;
  }
  controltest::SaveRendering(sheet, "gradient-orientations");
}

TEST(Gradient, PartialAndEmptyDraws) {
  gditest::Canvas canvas(10, 100, RGB(255, 0, 255));
  CGradient g;
  g.m_orientation = CGradient::TOP_TO_BOTTOM;
  g.SetColors(2, BLACK, RGB(200, 0, 0));
  std::string before = canvas.Hash();
  g.Draw(canvas.Dc(), RECT{0, 50, 10, 50}, 0, -1, 0);  // zero height
  EXPECT_EQ(canvas.Hash(), before);
  g.Draw(canvas.Dc(), RECT{0, 0, 10, 100}, 20, 40, 0);  // rows 20 to 39 only
  EXPECT_EQ(canvas.At(5, 19), RGB(255, 0, 255));
  EXPECT_EQ(canvas.At(5, 20), RGB(40, 0, 0));
  EXPECT_EQ(canvas.At(5, 39), RGB(78, 0, 0));
  EXPECT_EQ(canvas.At(5, 40), RGB(255, 0, 255));
  CGradient none;
  none.Draw(canvas.Dc(), RECT{0, 0, 10, 100}, 0, -1, 0);  // no stops: nothing
  EXPECT_EQ(canvas.At(5, 0), RGB(255, 0, 255));
}

}  // namespace
