#include <gtest/gtest.h>

#include "engine/ColorPalette.h"
#include "tools/PackWriter.h"

namespace {

DWORD Rgb(int r, int g, int b) { return static_cast<DWORD>(r | g << 8 | b << 16); }

TEST(ColorPaletteTest, FindNearestWithItsBoundAndTies) {
  ColorPalette blackWhite;
  const BYTE bw[] = {0, 0, 0, 255, 255, 255};
  blackWhite.Set(bw, 2, "bw");
  ColorPalette redGreen;
  const BYTE rg[] = {255, 0, 0, 0, 255, 0};
  redGreen.Set(rg, 2, "rg");
  ColorPalette twins;
  const BYTE tw[] = {9, 9, 9, 1, 2, 3, 1, 2, 3};
  twins.Set(tw, 3, "twins");
  struct Case {
    const ColorPalette* palette;
    DWORD colour;
    DWORD index;
  } cases[] = {
      {&blackWhite, Rgb(64, 64, 64), 0},
      {&blackWhite, Rgb(192, 192, 192), 1},
      // Both distances are above the initial bound, so index 0 stands although white is nearer.
      {&blackWhite, Rgb(128, 128, 128), 0},
      {&redGreen, Rgb(0, 0, 255), 0},
      {&redGreen, Rgb(10, 250, 0), 1},
      // An exact match returns at once, ahead of a later exact one.
      {&twins, Rgb(1, 2, 3), 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.colour);
    EXPECT_EQ(c.palette->FindNearest(c.colour), c.index);
  }
  ColorPalette empty;
  EXPECT_EQ(empty.FindNearest(Rgb(1, 2, 3)), 0u);
}

TEST(ColorPaletteTest, SetClampsCountAndName) {
  std::vector<BYTE> many(300 * 3, 7);
  ColorPalette palette;
  palette.Set(many.data(), 300, "a name that is far longer than thirty-one bytes");
  EXPECT_EQ(palette.GetCount(), 256u);
  EXPECT_EQ(std::string(palette.GetName()).size(), 31u);
}

TEST(ColorPaletteTest, CopyStaysWithinTheRecord) {
  struct Case {
    const char* what;
    std::vector<BYTE> record;
    int result;
    DWORD count;
    std::string name;
  };
  std::vector<BYTE> good = MakePaletteRecord("pal", {1, 2, 3, 4, 5, 6});
  std::vector<BYTE> truncated = good;
  truncated.resize(34 + 4);  // the second entry is cut short
  std::vector<BYTE> huge = MakePaletteRecord("huge", std::vector<BYTE>(300 * 3, 9));
  huge[32] = 300 & 0xff;
  huge[33] = 300 >> 8;
  std::vector<BYTE> unterminated = good;
  for (int i = 0; i < 32; i++) unterminated[static_cast<size_t>(i)] = 'n';
  std::vector<BYTE> lying = good;
  lying[32] = 0xff;
  lying[33] = 0xff;
  const Case cases[] = {
      {"whole", good, 0, 2, "pal"},
      {"truncated entry", truncated, 0, 1, "pal"},
      {"more than 256", huge, 0, 256, "huge"},
      {"name without terminator", unterminated, 0, 2, std::string(31, 'n')},
      {"count beyond the data", lying, 0, 2, "pal"},
      {"shorter than the header", std::vector<BYTE>(good.begin(), good.begin() + 33), -1, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ColorPalette palette;
    EXPECT_EQ(palette.Copy(c.record.data(), static_cast<DWORD>(c.record.size())), c.result);
    EXPECT_EQ(palette.GetCount(), c.count);
    EXPECT_EQ(palette.GetName(), c.name);
  }
  ColorPalette palette;
  EXPECT_EQ(palette.Copy(nullptr, 100), 0);
  palette.Copy(good.data(), static_cast<DWORD>(good.size()));
  EXPECT_EQ(palette.GetEntries()[3], 4);
}

}  // namespace
