// Font matching, metrics and measuring. The test command installs fonts-wqy-zenhei, so the
// tests may rely on its Sharp face and its 12-pixel bitmap strike, and on nothing else.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <string>
#include <vector>

#include "platform/base/Gbk.h"
#include "platform/gdi/Font.h"
#include "platform/gdi/Gdi.h"

namespace {

std::shared_ptr<const FontObject> MakeFont(int height, int weight, const char* face, bool italic = false) {
  HFONT h = CreateFontA(height, 0, 0, 0, weight, italic, 0, 0, GB2312_CHARSET, OUT_STROKE_PRECIS,
                        CLIP_STROKE_PRECIS, DRAFT_QUALITY, VARIABLE_PITCH, face);
  auto font = FontFromHandle(h);
  DeleteObject(h);  // the object lives on while we hold it
  return font;
}

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(GdiTextFont, EveryFaceMapsToTheCjkFaceWithBoldByWeight) {
  struct {
    const char* face;
    int weight;
    bool emboldened;
  } cases[] = {
      {"宋体", 400, false},        {"宋体", 700, true},       {"SimSun", 400, false},
      {"新宋体", 400, false},      {"Tahoma", 400, false},    {"Tahoma", 700, true},
      {"MS Sans Serif", 400, false}, {"Arial", 600, true},    {"Arial", 599, false},
      {"System", 400, true},       {"system", 0, true},       {"SYSTEM", 700, true},
      {"楷体_GB2312", 700, true},  {"", 0, false},            {"No Such Face", 400, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(GbkToUtf8(c.face) + " " + std::to_string(c.weight));
    FontMatch m = FontMatcher::Match(c.face, c.weight, false);
    EXPECT_TRUE(EndsWith(m.file, "/wqy-zenhei.ttc")) << m.file;
    EXPECT_EQ(2, m.faceIndex);  // the Sharp face, the one with bitmap strikes
    EXPECT_EQ(FontMatcher::PREFERRED_FAMILY, m.family);
    EXPECT_EQ(c.emboldened, m.emboldened);
    EXPECT_FALSE(m.slanted);
  }
  EXPECT_TRUE(FontMatcher::Match("宋体", 400, true).slanted);
}

TEST(GdiTextFont, TwelvePixelSongMetrics) {
  auto f = MakeFont(-12, FW_NORMAL, "宋体");
  ASSERT_TRUE(f);
  const TEXTMETRICA& tm = f->Metrics();
  EXPECT_EQ(12, tm.tmHeight);
  EXPECT_EQ(10, tm.tmAscent);
  EXPECT_EQ(2, tm.tmDescent);
  EXPECT_EQ(0, tm.tmInternalLeading);
  EXPECT_EQ(0, tm.tmExternalLeading);
  EXPECT_EQ(6, tm.tmAveCharWidth);
  EXPECT_EQ(12, tm.tmMaxCharWidth);
  EXPECT_EQ(FW_NORMAL, tm.tmWeight);
  EXPECT_EQ(GB2312_CHARSET, tm.tmCharSet);
  EXPECT_TRUE(GlyphCache::Instance().HasStrike(f->Style()));
  // CJK characters from both GB2312 levels, punctuation and full-width forms are one em wide and
  // come from the bitmap strike (drawn solid).
  for (char32_t c : {U'啊', U'齄', U'麻', U'将', U'、', U'。', U'０', U'！', U'（'}) {
    SCOPED_TRACE(static_cast<unsigned>(c));
    auto g = f->GlyphOf(c);
    EXPECT_EQ(12, g->advance);
    EXPECT_TRUE(g->solid);
    EXPECT_LE(g->left + g->width, 12);
    EXPECT_LE(g->top, tm.tmAscent + 1);
    EXPECT_GE(g->top - g->rows, -tm.tmDescent);
  }
  struct {
    char32_t c;
    int advance;
  } ascii[] = {{'a', 6}, {'A', 8}, {'i', 2}, {'W', 10}, {' ', 6}, {'.', 5}, {'?', 6}, {'0', 6}};
  for (const auto& a : ascii) EXPECT_EQ(a.advance, f->Advance(a.c)) << static_cast<char>(a.c);
}

TEST(GdiTextFont, HeightsWeightsAndStyles) {
  struct {
    int height;
    int weight;
    const char* face;
    int tmHeight;
    int tmAscent;
    int tmWeight;
    int cjkAdvance;
    bool strike;
  } cases[] = {
      {-12, 400, "宋体", 12, 10, 400, 12, true},
      {12, 400, "宋体", 12, 10, 400, 12, true},     // a cell height: no internal leading
      {0, 0, "Tahoma", 12, 10, 400, 12, true},      // 0 is the default 12 pixels
      {-12, 700, "宋体", 12, 10, 700, 13, true},    // emboldened: one pixel wider
      {-14, 400, "宋体", 14, 12, 400, 14, true},
      {-16, 400, "宋体", 16, 14, 400, 16, true},
      {-20, 700, "楷体_GB2312", 20, 17, 700, 21, false},
      {16, 700, "system", 16, 14, 700, 17, true},
      {16, 400, "System", 16, 14, 700, 17, true},   // the system face is always bold
      {28, 700, "system", 28, 24, 700, 29, false},
      {36, 700, "system", 36, 31, 700, 38, false},  // bold strength grows with the size
      {-100000, 400, "宋体", 1000, 859, 400, 1000, false},  // clamped
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.height) + " " + GbkToUtf8(c.face));
    auto f = MakeFont(c.height, c.weight, c.face);
    ASSERT_TRUE(f);
    EXPECT_EQ(c.tmHeight, f->Metrics().tmHeight);
    EXPECT_EQ(c.tmAscent, f->Metrics().tmAscent);
    EXPECT_EQ(c.tmHeight - c.tmAscent, f->Metrics().tmDescent);
    EXPECT_EQ(c.tmWeight, f->Metrics().tmWeight);
    EXPECT_EQ(c.cjkAdvance, f->Advance(U'麻'));
    EXPECT_EQ(c.strike, GlyphCache::Instance().HasStrike(f->Style()));
  }
}

TEST(GdiTextFont, ItalicSlantsWithoutChangingTheAdvance) {
  auto upright = MakeFont(-12, 400, "宋体");
  auto italic = MakeFont(-12, 400, "宋体", true);
  auto a = upright->GlyphOf(U'麻');
  auto b = italic->GlyphOf(U'麻');
  EXPECT_EQ(a->advance, b->advance);
  EXPECT_GT(b->width, a->width);
  EXPECT_EQ(1, italic->Metrics().tmItalic);
  // Same ink, moved sideways row by row.
  auto ink = [](const Glyph& g) {
    int n = 0;
    for (uint8_t v : g.coverage) n += v != 0;
    return n;
  };
  EXPECT_EQ(ink(*a), ink(*b));
}

TEST(GdiTextFont, WidthStretchesTheAverageCharacter) {
  HFONT h = CreateFontA(40, 24, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "System");
  auto f = FontFromHandle(h);
  ASSERT_TRUE(f);
  EXPECT_NEAR(24, f->Metrics().tmAveCharWidth, 2);
  EXPECT_EQ(40, f->Metrics().tmHeight);
  EXPECT_TRUE(DeleteObject(h));
}

TEST(GdiTextFont, ExtentOfGbkText) {
  auto f = MakeFont(-12, FW_NORMAL, "宋体");
  struct {
    std::string gbk;
    int width;
  } cases[] = {
      {"宋体 chat 你好！", 93}, {"麻将", 24}, {"确定", 24}, {"abc", 17},
      {"Hello, 世界", 59},     {"0123456789", 61}, {"", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(GbkToUtf8(c.gbk));
    std::wstring wide = GbkToWide(c.gbk);
    SIZE size = f->Extent(wide);
    EXPECT_EQ(c.width, size.cx);
    EXPECT_EQ(12, size.cy);
    int sum = 0;
    for (wchar_t ch : wide) sum += f->Advance(static_cast<char32_t>(ch));
    EXPECT_EQ(sum, size.cx);
  }
}

TEST(GdiTextFont, InvalidGbkMeasuresAsReplacementCharacters) {
  auto f = MakeFont(-12, FW_NORMAL, "宋体");
  int bad = f->Advance(0xFFFD);
  EXPECT_GT(bad, 0);
  struct {
    std::string gbk;
    int width;
  } cases[] = {
      {std::string("a\xFF" "b"), 6 + bad + 6},      // 0xFF never starts a character
      {std::string("x\xC4"), 6 + bad},              // a lead byte cut off at the end
      {std::string("\xC4\x0A" "z"), bad + 6},       // a lead byte with an invalid trail (the break is not drawn here)
  };
  for (const auto& c : cases) {
    // An exact-size heap copy lets the sanitizers see any read past the end.
    std::vector<char> exact(c.gbk.begin(), c.gbk.end());
    std::wstring wide = GbkToWide(std::string_view(exact.data(), exact.size()));
    int width = 0;
    for (wchar_t ch : wide) width += ch == L'\n' ? 0 : f->Advance(static_cast<char32_t>(ch));
    EXPECT_EQ(c.width, width);
  }
  // Wide text from outside GBK's reach (surrogates, beyond Unicode) measures as U+FFFD.
  EXPECT_EQ(bad, f->Advance(0xD800));
  EXPECT_EQ(bad, f->Advance(0x110000));
}

TEST(GdiTextFont, GetObjectGivesTheLogFontBack) {
  HFONT h = CreateFontA(-12, 0, 0, 0, FW_NORMAL, 0, 1, 0, GB2312_CHARSET, OUT_STROKE_PRECIS, CLIP_STROKE_PRECIS,
                        DRAFT_QUALITY, VARIABLE_PITCH, "宋体");
  LOGFONTA lf{};
  EXPECT_EQ(static_cast<int>(sizeof(LOGFONTA)), GetObjectA(h, 0, nullptr));
  EXPECT_EQ(static_cast<int>(sizeof(LOGFONTA)), GetObjectA(h, sizeof lf, &lf));
  EXPECT_EQ(-12, lf.lfHeight);
  EXPECT_EQ(FW_NORMAL, lf.lfWeight);
  EXPECT_EQ(1, lf.lfUnderline);
  EXPECT_EQ(GB2312_CHARSET, lf.lfCharSet);
  EXPECT_EQ(OUT_STROKE_PRECIS, lf.lfOutPrecision);
  EXPECT_EQ(CLIP_STROKE_PRECIS, lf.lfClipPrecision);
  EXPECT_EQ(DRAFT_QUALITY, lf.lfQuality);
  EXPECT_EQ(VARIABLE_PITCH, lf.lfPitchAndFamily);
  EXPECT_STREQ("宋体", lf.lfFaceName);
  // A bold copy, as the menus and tabs make it.
  lf.lfWeight = FW_BOLD;
  HFONT bold = CreateFontIndirectA(&lf);
  EXPECT_EQ(13, FontFromHandle(bold)->Advance(U'麻'));
  EXPECT_TRUE(DeleteObject(bold));
  EXPECT_FALSE(FontFromHandle(bold));
  EXPECT_FALSE(DeleteObject(bold));
  EXPECT_EQ(0, GetObjectA(bold, sizeof lf, &lf));
  EXPECT_TRUE(DeleteObject(h));
  EXPECT_FALSE(CreateFontIndirectA(nullptr));
}

TEST(GdiTextFont, FaceNamesAreCutWithoutSplittingACharacter) {
  struct {
    std::string face;
    std::string kept;
  } cases[] = {
      {std::string(40, 'x'), std::string(31, 'x')},
      {std::string(32, 'x'), std::string(31, 'x')},
      // Sixteen two-byte characters: the 16th would need bytes 31 and 32, so 15 stay.
      {[] { std::string s; for (int i = 0; i < 16; ++i) s += "宋"; return s; }(),
       [] { std::string s; for (int i = 0; i < 15; ++i) s += "宋"; return s; }()},
  };
  for (const auto& c : cases) {
    HFONT h = CreateFontA(-12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, c.face.c_str());
    LOGFONTA lf{};
    GetObjectA(h, sizeof lf, &lf);
    EXPECT_EQ(c.kept, std::string(lf.lfFaceName));
    DeleteObject(h);
  }
  // A LOGFONT whose face fills all 32 bytes without a terminator.
  LOGFONTA raw{};
  raw.lfHeight = -12;
  std::memset(raw.lfFaceName, 'y', LF_FACESIZE);
  HFONT h = CreateFontIndirectA(&raw);
  LOGFONTA back{};
  GetObjectA(h, sizeof back, &back);
  EXPECT_EQ(std::string(31, 'y'), std::string(back.lfFaceName));
  DeleteObject(h);
}

TEST(GdiTextFont, StockFonts) {
  HFONT gui = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  ASSERT_TRUE(gui);
  EXPECT_EQ(gui, GetStockObject(DEFAULT_GUI_FONT));
  LOGFONTA lf{};
  GetObjectA(gui, sizeof lf, &lf);
  EXPECT_EQ(-12, lf.lfHeight);
  EXPECT_EQ(GB2312_CHARSET, lf.lfCharSet);
  EXPECT_STREQ("宋体", lf.lfFaceName);
  EXPECT_TRUE(DeleteObject(gui));  // stock objects survive DeleteObject
  EXPECT_TRUE(FontFromHandle(gui));

  auto system = FontFromHandle(static_cast<HFONT>(GetStockObject(SYSTEM_FONT)));
  ASSERT_TRUE(system);
  EXPECT_EQ(16, system->Metrics().tmHeight);
  EXPECT_EQ(FW_BOLD, system->Metrics().tmWeight);
  for (int index : {OEM_FIXED_FONT, ANSI_FIXED_FONT, ANSI_VAR_FONT, DEVICE_DEFAULT_FONT, SYSTEM_FIXED_FONT}) {
    EXPECT_TRUE(FontFromHandle(static_cast<HFONT>(GetStockObject(index)))) << index;
  }
  EXPECT_FALSE(FontFromHandle(static_cast<HFONT>(GetStockObject(WHITE_BRUSH))));
}

TEST(GdiTextFont, MeasuringTwiceRasterisesOnce) {
  auto f = MakeFont(-13, FW_NORMAL, "宋体");
  std::wstring line = GbkToWide("大家好，今天一起打麻将吧 ok");
  f->Extent(line);
  size_t cached = GlyphCache::Instance().CachedGlyphs();
  f->Extent(line);
  EXPECT_EQ(cached, GlyphCache::Instance().CachedGlyphs());
}

TEST(GdiTextFont, ThreadsShareTheCacheSafely) {
  // The UI thread and the wait dialog's thread measure text at the same time.
  std::wstring text = GbkToWide("并发测量 thread 安全 0123456789 大家好");
  int expected[3];
  const int heights[3] = {-12, -15, -22};
  for (int i = 0; i < 3; ++i) expected[i] = MakeFont(heights[i], FW_NORMAL, "宋体")->Extent(text).cx;
  GlyphCache::Instance().Clear();
  std::vector<std::thread> threads;
  int wrong[4] = {};
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 50; ++round) {
        int i = (t + round) % 3;
        auto f = MakeFont(heights[i], FW_NORMAL, "宋体");
        if (f->Extent(text).cx != expected[i]) ++wrong[t];
        if (round % 10 == 0) GlyphCache::Instance().Clear();
      }
    });
  }
  for (auto& th : threads) th.join();
  for (int t = 0; t < 4; ++t) EXPECT_EQ(0, wrong[t]) << t;
}

}  // namespace
