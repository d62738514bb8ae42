// The text font: layout (line breaks, wrapping, mixed sizes, pitch, margins, measuring) checked by
// where ink lands and by measured extents, the markup's effect on the font's state, the glyph
// blend, and one stored hash of a rendering (its PNG goes to build/tests/engine-renderings/).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "engine/TextFont.h"
#include "tests/platform/GdiTestCanvas.h"

namespace {

// A GBK character with ink over most of its cell.
const std::string WIDE = "国";

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; i++) out += s;
  return out;
}

// A B, G, R, A buffer with guard bytes on both sides, so that a write outside it shows.
class Buffer {
 public:
  static constexpr size_t GUARD = 4096;
  Buffer(int width, int height)
      : width(width), height(height), m_bytes(GUARD * 2 + static_cast<size_t>(width) * height * 4, 0xA5) {
    std::memset(Pixels(), 0, static_cast<size_t>(width) * height * 4);
  }
  BYTE* Pixels() { return m_bytes.data() + GUARD; }
  const BYTE* At(int x, int y) const { return m_bytes.data() + GUARD + (static_cast<size_t>(y) * width + x) * 4; }
  bool Lit(int x, int y) const { return At(x, y)[3] != 0; }
  bool GuardsIntact() const {
    for (size_t i = 0; i < GUARD; i++) {
      if (m_bytes[i] != 0xA5 || m_bytes[m_bytes.size() - 1 - i] != 0xA5) return false;
    }
    return true;
  }
  // The bounding box of the ink within rows [top, bottom): left, right (exclusive), first and last
  // row; left = -1 when there is none.
  struct Box {
    int left = -1, right = -1, top = -1, bottom = -1;
  };
  Box Ink(int fromRow, int toRow) const {
    Box box;
    for (int y = fromRow; y < toRow && y < height; y++) {
      for (int x = 0; x < width; x++) {
        if (!Lit(x, y)) continue;
        if (box.left < 0 || x < box.left) box.left = x;
        if (x + 1 > box.right) box.right = x + 1;
        if (box.top < 0) box.top = y;
        box.bottom = y;
      }
    }
    return box;
  }
  std::string Hash() const {
    uint64_t h = 1469598103934665603ull;
    for (size_t i = 0; i < static_cast<size_t>(width) * height * 4; i++) {
      h ^= m_bytes[GUARD + i];
      h *= 1099511628211ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
    return text;
  }
  void Dump(const std::string& name) const {
    gditest::WritePng(std::string(PXQD_ENGINE_DUMP_DIR) + "/" + name + ".png",
                      reinterpret_cast<const uint32_t*>(m_bytes.data() + GUARD), width, height, width * 4);
  }

  int width, height;

 private:
  std::vector<BYTE> m_bytes;
};

class TextFontTest : public ::testing::Test {
 protected:
  void SetUp() override {
    font.Init();
    font.SelectFont(Info(20));
  }
  static TextFontInfo Info(int height, int wrap = 1) {
    TextFontInfo info{};
    std::strcpy(info.face, "宋体");
    info.colour = 0x00FF0000;  // blue
    info.height = height;
    info.weight = 400;
    info.wrap = wrap;
    return info;
  }
  TextFont font;
};

TEST_F(TextFontTest, SixteenWideCharactersWrapAfterTen) {
  for (int wrap : {1, 0}) {
    SCOPED_TRACE(wrap ? "wrap on" : "wrap off");
    font.SelectFont(Info(20, wrap));
    Buffer buffer(200, 100);
    font.DrawText(buffer.Pixels(), 200, 100, 0, 0, Repeat(WIDE, 16).c_str());
    const Buffer::Box first = buffer.Ink(0, 20);
    EXPECT_GE(first.left, 0);
    EXPECT_LT(first.left, 20);
    EXPECT_GT(first.right, 180) << "the tenth character ends the first line";
    const Buffer::Box second = buffer.Ink(20, 100);
    if (wrap) {
      EXPECT_GT(second.right, 100) << "six characters on the second line";
      EXPECT_LE(second.right, 120);
      EXPECT_LT(second.bottom, 40);
      EXPECT_GE(second.top, 20);
    } else {
      EXPECT_EQ(second.left, -1) << "without wrapping the layout stops at the margin";
    }
    EXPECT_TRUE(buffer.GuardsIntact());
  }
}

TEST_F(TextFontTest, MixedSizesShareTheLineBottom) {
  Buffer buffer(100, 40);
  font.DrawText(buffer.Pixels(), 100, 40, 0, 0, ("<size=12>" + WIDE + "<size=24>" + WIDE).c_str());
  const Buffer::Box small = buffer.Ink(0, 40);
  // The 12-pixel character occupies x 0..11 with its top at 24 - 12; the 24-pixel one x 12..35.
  Buffer::Box smallOnly;
  for (int y = 0; y < 40; y++) {
    for (int x = 0; x < 12; x++) {
      if (!buffer.Lit(x, y)) continue;
      if (smallOnly.top < 0) smallOnly.top = y;
      smallOnly.bottom = y;
    }
  }
  EXPECT_GE(smallOnly.top, 12);
  EXPECT_GE(smallOnly.bottom, 19);
  EXPECT_LT(smallOnly.bottom, 24);
  EXPECT_LT(small.top, 6) << "the large character starts near the top";
  EXPECT_LT(small.bottom, 24);
  EXPECT_GE(small.bottom, smallOnly.bottom);
  EXPECT_EQ(font.Current().height, 20) << "the size at the start of the call comes back";
}

TEST_F(TextFontTest, Measuring) {
  struct Case {
    std::string text;
    int y;
    int width;
    int height;
  } cases[] = {
      {"abc", 0, 30, 20},
      {"abc", 5, 30, 25},
      {"", 0, 0, 1},
      {WIDE + WIDE, 0, 40, 20},
      {"<pitch=2>ab", 0, 22, 20},
      {"<pitch=2>" + WIDE + WIDE, 0, 44, 20},
      {"<pitch=2>a" + WIDE, 0, 34, 20},
      {"ab<break>cd", 0, 20, 40},
      {"<rowspace=5>a<break>b", 0, 10, 45},
      {"<size=30>ab", 0, 30, 30},
      {"<size=400>ab", 0, 300, 300},
      {"<rgb=1,2>", 0, 90, 20},
      {"<// note>", 0, 90, 20},
      {"<//:note>ab", 0, 20, 20},
      {"<script:go 3>", 0, 0, 1},
      {"<" + std::string(300, 'a'), 0, 3010, 20},
      // Markup keeps layout values within a million pixels.
      {"<leftmargin=2000000>a<break>b", 0, 1000010, 40},
  };
  for (const Case& c : cases) {
    int width = -1, height = -1;
    font.MeasureText(0, c.y, c.text.c_str(), &width, &height);
    EXPECT_EQ(width, c.width) << c.text;
    EXPECT_EQ(height, c.height) << c.text;
    EXPECT_EQ(font.Current().height, 20) << c.text;
  }
  // A character that cannot fit at the start of a fresh line ends the layout instead of making
  // empty lines without end.
  for (bool left : {false, true}) {
    TextFontInfo info = Info(20);
    (left ? info.leftMargin : info.rightMargin) = 9999995;
    font.SelectFont(info);
    int width = -1, height = -1;
    font.MeasureText(0, 0, "a<break>b", &width, &height);
    EXPECT_EQ(width, 0) << left;
    EXPECT_EQ(height, 2) << left;
  }
}

// The runs of inked columns in rows [0, rows): each run's left and right (exclusive).
std::vector<std::pair<int, int>> InkRuns(const Buffer& buffer, int rows) {
  std::vector<std::pair<int, int>> runs;
  for (int x = 0; x < buffer.width; x++) {
    bool lit = false;
    for (int y = 0; y < rows && !lit; y++) lit = buffer.Lit(x, y);
    if (!lit) continue;
    if (!runs.empty() && runs.back().second == x) {
      runs.back().second = x + 1;
    } else {
      runs.push_back({x, x + 1});
    }
  }
  return runs;
}

TEST_F(TextFontTest, NarrowLettersStandInTheMiddleOfTheirCells) {
  // Single-byte characters take 10-pixel cells at height 20; a narrow letter's ink stands about
  // the middle of its cell instead of against its left edge.
  for (const char* letter : {"l", "i", "!", ".", "1", "I"}) {
    SCOPED_TRACE(letter);
    Buffer buffer(40, 24);
    font.DrawText(buffer.Pixels(), 40, 24, 10, 0, letter);
    const Buffer::Box ink = buffer.Ink(0, 24);
    ASSERT_GE(ink.left, 10);
    EXPECT_LE(ink.right, 20);
    EXPECT_NEAR((ink.left + ink.right) / 2.0, 15.0, 2.0);
  }
  // "pla": the space between the letters' ink is even on both sides of the 'l'.
  Buffer buffer(60, 24);
  font.DrawText(buffer.Pixels(), 60, 24, 0, 0, "pla");
  const auto runs = InkRuns(buffer, 24);
  ASSERT_EQ(runs.size(), 3u);
  const int before = runs[1].first - runs[0].second, after = runs[2].first - runs[1].second;
  EXPECT_LE(std::abs(before - after), 2) << before << " " << after;
  // Layout is unchanged: the text still measures three half-width cells.
  int width = 0, height = 0;
  font.MeasureText(0, 0, "pla", &width, &height);
  EXPECT_EQ(width, 30);
}

TEST_F(TextFontTest, PitchAndMargins) {
  // Pitch 2: ink of the second wide character starts 4 pixels later than without pitch.
  Buffer plain(100, 20), spaced(100, 20);
  font.DrawText(plain.Pixels(), 100, 20, 0, 0, (WIDE + WIDE).c_str());
  font.DrawText(spaced.Pixels(), 100, 20, 0, 0, ("<pitch=2>" + WIDE + WIDE).c_str());
  EXPECT_EQ(spaced.Ink(0, 20).right, plain.Ink(0, 20).right + 4);
  EXPECT_EQ(spaced.Ink(0, 20).left, plain.Ink(0, 20).left) << "no pitch before the first character";

  // A left margin set at the start indents this line and every following one.
  Buffer indented(200, 60);
  font.DrawText(indented.Pixels(), 200, 60, 0, 0, ("<leftmargin=40>" + WIDE + "<break>" + WIDE).c_str());
  EXPECT_GE(indented.Ink(0, 20).left, 40);
  EXPECT_GE(indented.Ink(20, 40).left, 40);
  EXPECT_NE(indented.Ink(20, 40).left, -1);

  // Negative margins and pitch never put ink outside the buffer.
  for (const char* tags : {"<leftmargin=-100>", "<pitch=-50>", "<leftmargin=-100;pitch=-30;rightmargin=-40>"}) {
    Buffer narrow(60, 50);
    font.DrawText(narrow.Pixels(), 60, 50, 0, 1, (tags + Repeat(WIDE, 8) + "<break>" + Repeat("ab", 8)).c_str());
    EXPECT_TRUE(narrow.GuardsIntact()) << tags;
  }
}

TEST_F(TextFontTest, ColourTags) {
  Buffer buffer(120, 20);
  // Each character is drawn on an empty buffer, so its ink takes the colour exactly.
  font.DrawText(buffer.Pixels(), 120, 20, 0, 0,
                ("<c=255>" + WIDE + "<c=65280>" + WIDE + "</color>" + WIDE + "</color>" + WIDE + "<rgb=0,128,255>" + WIDE)
                    .c_str());
  const DWORD expected[] = {0x0000FF, 0x00FF00, 0x0000FF, 0x0000FF, 0xFF8000};
  for (int i = 0; i < 5; i++) {
    bool seen = false;
    for (int y = 0; y < 20; y++) {
      for (int x = i * 20; x < i * 20 + 20; x++) {
        if (!buffer.Lit(x, y)) continue;
        const BYTE* p = buffer.At(x, y);
        const DWORD colour = DWORD(p[2]) | DWORD(p[1]) << 8 | DWORD(p[0]) << 16;
        ASSERT_EQ(colour, expected[i]) << "character " << i;
        seen = true;
      }
    }
    EXPECT_TRUE(seen) << "character " << i;
  }
  // After the call the colour is the snapshot's slot: the colour the last colour tag replaced.
  EXPECT_EQ(font.Current().colour, 0x0000FFu);
  font.SetColor(0x123456);
  font.DrawText(buffer.Pixels(), 120, 20, 0, 0, "<c=255>a");
  EXPECT_EQ(font.Current().colour, 0x123456u);
}

TEST_F(TextFontTest, TagsChangeTheFontState) {
  struct Case {
    const char* content;
    int accepted;
    int height, weight, italic, underline;
  } cases[] = {
      {"size=30;bold", 1, 30, 700, 0, 0},
      {"bold;size=30", 1, 30, 700, 0, 0},
      {"underline;italic", 1, 20, 400, 1, 1},
      {"italic;size=20", 1, 20, 400, 0, 0},
      {"italic;underline;size=20", 1, 20, 400, 0, 0},
      {"size=20;foo=1;bold", 1, 20, 400, 0, 0},
      {"foo=1;size=24", 0, 20, 400, 0, 0},
      {"bold=600", 1, 20, 600, 0, 0},
      {"size=-5", 1, 0, 400, 0, 0},
  };
  for (const Case& c : cases) {
    font.SelectFont(Info(20));
    EXPECT_EQ(font.ParseTag(c.content, std::strlen(c.content)), c.accepted) << c.content;
    const TextFontInfo& info = font.Current();
    EXPECT_EQ(info.height, c.height) << c.content;
    EXPECT_EQ(info.weight, c.weight) << c.content;
    EXPECT_EQ(info.italic, c.italic) << c.content;
    EXPECT_EQ(info.underline, c.underline) << c.content;
  }
  font.ClearScriptTags();
  EXPECT_EQ(font.GetScriptTagIndex(), -1);
  Buffer buffer(100, 20);
  font.DrawText(buffer.Pixels(), 100, 20, 0, 0, "<Script:Go 3>");
  EXPECT_EQ(buffer.Ink(0, 20).left, -1) << "a script tag draws nothing";
  ASSERT_FALSE(font.GetScriptTags().empty());
  EXPECT_EQ(font.GetScriptTags()[0], "script:go 3");
  EXPECT_EQ(font.GetScriptTagIndex(), 0);
}

TEST_F(TextFontTest, FontComesBackAfterASizeTag) {
  Buffer buffer(100, 40);
  font.DrawText(buffer.Pixels(), 100, 40, 0, 0, "<size=30>ab");
  EXPECT_EQ(font.Current().height, 20);
  HGDIOBJ selected = GetCurrentObject(font.GetGlyphDC(), OBJ_FONT);
  EXPECT_EQ(selected, font.GetFontHandle());
  LOGFONTA logFont{};
  ASSERT_NE(GetObjectA(selected, sizeof logFont, &logFont), 0);
  EXPECT_EQ(logFont.lfHeight, -20);
}

TEST_F(TextFontTest, HeightLimitAndUnusableFont) {
  font.CreateFont(400, 400, "宋体", 0, 0);
  EXPECT_EQ(font.Current().height, 300);
  Buffer buffer(400, 400);
  font.DrawText(buffer.Pixels(), 400, 400, 0, 0, "ab");
  EXPECT_EQ(buffer.Ink(0, 400).left, -1) << "a font of 300 pixels lays out nothing";

  // A font whose glyph surface was never made lays out but draws nothing.
  TextFont bare;
  bare.SelectFont(Info(20));
  Buffer other(100, 20);
  bare.DrawText(other.Pixels(), 100, 20, 0, 0, "ab");
  EXPECT_EQ(other.Ink(0, 20).left, -1);
  int width = 0, height = 0;
  bare.MeasureText(0, 0, "ab", &width, &height);
  EXPECT_EQ(width, 20);
}

TEST(TextFontBlendTest, CoverageBlend) {
  struct Case {
    BYTE before[4];
    BYTE coverage;
    BYTE after[4];
  } cases[] = {
      {{0, 0, 0, 0}, 128, {0, 0, 255, 128}},
      {{0, 0, 0, 255}, 128, {0, 0, 127, 255}},
      {{200, 100, 0, 40}, 255, {0, 0, 254, 255}},
      {{200, 100, 0, 200}, 0, {199, 99, 0, 200}},
  };
  for (const Case& c : cases) {
    BYTE pixel[4];
    std::memcpy(pixel, c.before, 4);
    TextFont::BlendGlyphPixel(pixel, 0x0000FF, c.coverage);
    EXPECT_EQ(std::vector<BYTE>(pixel, pixel + 4), std::vector<BYTE>(c.after, c.after + 4))
        << int(c.coverage) << " over alpha " << int(c.before[3]);
  }
}

TEST_F(TextFontTest, RenderingHash) {
  Buffer buffer(240, 90);
  // An opaque grey background shows the blend; the text mixes sizes, colours, bold and a break.
  for (int i = 0; i < buffer.width * buffer.height; i++) {
    BYTE* p = buffer.Pixels() + i * 4;
    p[0] = p[1] = p[2] = 0x40;
    p[3] = 255;
  }
  font.DrawText(buffer.Pixels(), 240, 90, 4, 2,
                "<c=255>红色</color>文字<size=12>小字<size=28>大<break><bold>粗体ab</bold><pitch=3>宽 松");
  buffer.Dump("text-font-mixed");
  EXPECT_EQ(buffer.Hash(), "31fef192c9a0cae8");
}

}  // namespace

namespace {

TEST(TextFontOwnerTest, ManagerKeepsOneFontThroughRelease) {
  ResourceManager* manager = ResourceManager::Instance();
  TextFont* font = manager->GetTextFont();
  ASSERT_NE(font, nullptr);
  EXPECT_NE(font->GetGlyphDC(), nullptr) << "made ready with the manager";
  EXPECT_EQ(font->Current().colour, TextFont::DEFAULT_COLOUR);
  manager->AddRef();
  manager->Release();
  EXPECT_EQ(manager->GetTextFont(), font);
}

}  // namespace
