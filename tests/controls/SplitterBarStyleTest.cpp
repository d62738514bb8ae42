// The styled splitter's size rule as a table, and its bar styles rendered.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/SplitterBarStyle.h"
#include "tests/controls/ControlRendering.h"
#include "tests/platform/GdiTestCanvas.h"

namespace {

struct Info {
  int nMinSize;
  int nIdealSize;
  int nCurSize;
};

struct SizeCase {
  const char* name;
  std::vector<Info> infos;  // nCurSize of the input is ignored by the rule
  int available;
  std::vector<int> sizes;
};

TEST(SplitterSizeRule, Table) {
  const int GAP = 5;
  const std::vector<SizeCase> cases = {
      {"the last column takes what remains", {{10, 30, 0}, {10, 0, 0}}, 100, {30, 65}},
      {"a single entry takes everything", {{10, 30, 0}}, 100, {100}},
      {"three rows with room for all", {{10, 20, 0}, {10, 20, 0}, {10, 0, 0}}, 100, {20, 20, 50}},
      {"a row whose minimum does not fit gives its space to the one above",
       {{10, 40, 0}, {10, 40, 0}, {20, 0, 0}}, 100, {40, 52, 0}},
      {"an ideal below the minimum starts at 0", {{20, 10, 0}, {0, 0, 0}}, 100, {0, 95}},
      {"an entry larger than the room is cut and the gap folded in", {{10, 50, 0}, {10, 0, 0}}, 30, {27, 0}},
      {"room for the first entry but not the gap", {{10, 20, 0}, {10, 0, 0}}, 24, {21, 0}},
      {"nothing available", {{10, 20, 0}, {10, 0, 0}}, 0, {0, 0}},
      {"negative room counts as nothing", {{10, 20, 0}, {10, 0, 0}}, -40, {0, 0}},
      {"a first entry below its minimum is kept", {{50, 60, 0}, {10, 0, 0}}, 40, {37, 0}},
  };
  for (const SizeCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<Info> infos = c.infos;
    for (Info& i : infos) i.nCurSize = -1;
    SplitterBarStyle::LayoutRowCol(infos.data(), static_cast<int>(infos.size()), c.available, GAP);
    std::vector<int> sizes;
    for (const Info& i : infos) sizes.push_back(i.nCurSize);
    EXPECT_EQ(sizes, c.sizes);
  }
}

TEST(SplitterBarStyle, PlanOfEachStyleAndPart) {
  // Rows: style; columns: border with a DC, bar with a DC, intersection with a DC, bar without.
  struct Row {
    int style;
    SplitterBaseDraw border, bar, intersection, barNoDc;
  };
  const std::vector<Row> rows = {
      {0, SPLIT_DRAW_OWN_ONLY, SPLIT_DRAW_BASE_ONLY, SPLIT_DRAW_BASE_ONLY, SPLIT_DRAW_BASE_ONLY},
      {1, SPLIT_DRAW_OWN_ONLY, SPLIT_DRAW_BASE_THEN_OWN, SPLIT_DRAW_BASE_ONLY, SPLIT_DRAW_BASE_ONLY},
      {2, SPLIT_DRAW_NOTHING, SPLIT_DRAW_BASE_THEN_OWN, SPLIT_DRAW_BASE_ONLY, SPLIT_DRAW_BASE_ONLY},
      {3, SPLIT_DRAW_NOTHING, SPLIT_DRAW_BASE_THEN_OWN, SPLIT_DRAW_BASE_ONLY, SPLIT_DRAW_BASE_ONLY},
      {4, SPLIT_DRAW_OWN_ONLY, SPLIT_DRAW_BASE_THEN_OWN, SPLIT_DRAW_BASE_ONLY, SPLIT_DRAW_BASE_ONLY},
      {5, SPLIT_DRAW_NOTHING, SPLIT_DRAW_NOTHING, SPLIT_DRAW_NOTHING, SPLIT_DRAW_NOTHING},
      {-1, SPLIT_DRAW_NOTHING, SPLIT_DRAW_NOTHING, SPLIT_DRAW_NOTHING, SPLIT_DRAW_NOTHING},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.style);
    EXPECT_EQ(SplitterBarStyle::PlanPart(r.style, SPLIT_PART_BORDER, true), r.border);
    EXPECT_EQ(SplitterBarStyle::PlanPart(r.style, SPLIT_PART_BAR, true), r.bar);
    EXPECT_EQ(SplitterBarStyle::PlanPart(r.style, SPLIT_PART_INTERSECTION, true), r.intersection);
    EXPECT_EQ(SplitterBarStyle::PlanPart(r.style, SPLIT_PART_BAR, false), r.barNoDc);
  }
}

// A bitmap whose every pixel says where it is: red = x * 40, green = y * 40, blue 200.
class PatternBitmap {
 public:
  PatternBitmap(int w, int h, int blue) {
    std::vector<uint32_t> bits;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        COLORREF c = Colour(x, y, blue);
        bits.push_back((GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c));
      }
    }
    m_bitmap = CreateBitmap(w, h, 1, 32, bits.data());
  }
  ~PatternBitmap() { DeleteObject(m_bitmap); }
  static COLORREF Colour(int x, int y, int blue) { return RGB(x * 40, y * 40, blue); }
  HBITMAP Get() const { return m_bitmap; }

 private:
  HBITMAP m_bitmap = nullptr;
};

// A splitter's client area of 120 x 80 with two columns and, in the right column, two rows:
// the outer border, a vertical bar and a horizontal bar. The platform's own bar drawing is
// stood in for by a button-face fill, so that what the style adds shows on top of it.
void PaintSplitter(gditest::Canvas& canvas, const SplitterBarLook& look) {
  const RECT border{0, 0, 120, 80};
  const RECT vertical{50, 1, 55, 79};
  const RECT horizontal{55, 40, 119, 45};
  for (const RECT& bar : {vertical, horizontal}) {
    SplitterBaseDraw plan = SplitterBarStyle::PlanPart(look.style, SPLIT_PART_BAR, true);
    if (plan == SPLIT_DRAW_BASE_ONLY || plan == SPLIT_DRAW_BASE_THEN_OWN) {
      HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
      FillRect(canvas.Dc(), &bar, face);
      DeleteObject(face);
    }
    if (plan == SPLIT_DRAW_OWN_ONLY || plan == SPLIT_DRAW_BASE_THEN_OWN) {
      SplitterBarStyle::PaintPart(canvas.Dc(), look, SPLIT_PART_BAR, bar);
    }
  }
  if (SplitterBarStyle::PlanPart(look.style, SPLIT_PART_BORDER, true) == SPLIT_DRAW_OWN_ONLY) {
    SplitterBarStyle::PaintPart(canvas.Dc(), look, SPLIT_PART_BORDER, border);
  }
}

TEST(SplitterBarStyle, StylesRendered) {
  PatternBitmap vertical(3, 4, 200);
  PatternBitmap horizontal(4, 3, 100);
  PatternBitmap gripper(2, 2, 0);
  const COLORREF PANE = RGB(255, 255, 255);
  gditest::Canvas sheet(5 * 130, 90, RGB(128, 128, 128));
  for (int style = 0; style <= 4; ++style) {
    SCOPED_TRACE(style);
    SplitterBarLook look;
    look.style = style;
    look.color = RGB(0, 160, 0);
    look.verticalBar = vertical.Get();
    look.horizontalBar = horizontal.Get();
    look.gripper = gripper.Get();
    gditest::Canvas canvas(120, 80, PANE);
    PaintSplitter(canvas, look);
    BitBlt(sheet.Dc(), style * 130 + 5, 5, 120, 80, canvas.Dc(), 0, 0, SRCCOPY);
    controltest::SaveRendering(canvas, "splitter-style-" + std::to_string(style));

    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    switch (style) {
      case 0:
        EXPECT_EQ(canvas.At(0, 0), GetSysColor(COLOR_BTNSHADOW));
        EXPECT_EQ(canvas.At(0, 40), GetSysColor(COLOR_BTNSHADOW));
        EXPECT_EQ(canvas.At(119, 79), GetSysColor(COLOR_BTNHIGHLIGHT));
        EXPECT_EQ(canvas.At(119, 10), GetSysColor(COLOR_BTNHIGHLIGHT));
        EXPECT_EQ(canvas.At(1, 1), PANE);
        EXPECT_EQ(canvas.At(52, 10), face);
        break;
      case 1:
        EXPECT_EQ(canvas.At(0, 0), GetSysColor(COLOR_GRAYTEXT));
        EXPECT_EQ(canvas.At(119, 79), GetSysColor(COLOR_BTNHIGHLIGHT));
        EXPECT_EQ(canvas.At(52, 10), look.color);
        EXPECT_EQ(canvas.At(80, 42), look.color);
        break;
      case 2:
      case 3:
        // No border; the bars continue one pattern anchored at the client origin.
        EXPECT_EQ(canvas.At(0, 0), PANE);
        EXPECT_EQ(canvas.At(119, 79), PANE);
        for (int y = 2; y < 79; ++y) {
          for (int x = 50; x < 55; ++x) {
            if (style == 3 && x < 52 && y < 3) continue;  // the gripper
            ASSERT_EQ(canvas.At(x, y), PatternBitmap::Colour(x % 3, y % 4, 200)) << x << "," << y;
          }
        }
        for (int y = 40; y < 45; ++y) {
          for (int x = 55; x < 119; ++x) {
            if (style == 3 && x < 57 && y < 42) continue;  // the gripper
            ASSERT_EQ(canvas.At(x, y), PatternBitmap::Colour(x % 4, y % 3, 100)) << x << "," << y;
          }
        }
        if (style == 3) {
          EXPECT_EQ(canvas.At(50, 1), PatternBitmap::Colour(0, 0, 0));
          EXPECT_EQ(canvas.At(51, 2), PatternBitmap::Colour(1, 1, 0));
          EXPECT_EQ(canvas.At(55, 40), PatternBitmap::Colour(0, 0, 0));
        } else {
          EXPECT_EQ(canvas.At(50, 1), PatternBitmap::Colour(50 % 3, 1, 200));
        }
        break;
      case 4:
        EXPECT_EQ(canvas.At(0, 0), look.color);
        EXPECT_EQ(canvas.At(119, 79), look.color);
        EXPECT_EQ(canvas.At(1, 1), PANE);
        EXPECT_EQ(canvas.At(52, 10), look.color);
        break;
    }
  }
  controltest::SaveRendering(sheet, "splitter-styles");
}

TEST(SplitterBarStyle, MissingPicturesDrawNothing) {
  gditest::Canvas canvas(20, 20, RGB(255, 255, 255));
  std::string before = canvas.Hash();
  SplitterBarLook look;
  look.style = 3;
  SplitterBarStyle::PaintPart(canvas.Dc(), look, SPLIT_PART_BAR, RECT{0, 0, 5, 20});
  SplitterBarStyle::TileBitmap(canvas.Dc(), nullptr, RECT{0, 0, 20, 20});
  EXPECT_EQ(canvas.Hash(), before);
}

}  // namespace
