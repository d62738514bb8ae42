// Text drawn into 32-bit surfaces: opaque cells, colours, clipping, alignment, DrawText, and
// hashes of a few renderings. Renderings are also saved as PNG files in the build tree
// (tests/gdi-renderings/) for a person to look at.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/base/Gbk.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Text.h"
#include "tests/platform/GdiTestCanvas.h"

namespace {

const COLORREF WHITE = RGB(255, 255, 255);
const COLORREF RED = RGB(255, 0, 0);
const COLORREF BLUE = RGB(0, 0, 255);

using gditest::Canvas;

// The smallest rectangle holding every pixel that is not `background`.
RECT Ink(const Canvas& c, COLORREF background) {
  RECT r{c.Width(), c.Height(), 0, 0};
  for (int y = 0; y < c.Height(); ++y) {
    for (int x = 0; x < c.Width(); ++x) {
      if (c.At(x, y) == background) continue;
      r.left = std::min<LONG>(r.left, x);
      r.top = std::min<LONG>(r.top, y);
      r.right = std::max<LONG>(r.right, x + 1);
      r.bottom = std::max<LONG>(r.bottom, y + 1);
    }
  }
  if (r.left >= r.right) r = RECT{0, 0, 0, 0};
  return r;
}

int Count(const Canvas& c, COLORREF colour) {
  int n = 0;
  for (int y = 0; y < c.Height(); ++y)
    for (int x = 0; x < c.Width(); ++x) n += c.At(x, y) == colour;
  return n;
}

HFONT Song(int height, int weight = FW_NORMAL, bool italic = false, bool underline = false) {
  return CreateFontA(-height, 0, 0, 0, weight, italic, underline, 0, GB2312_CHARSET, OUT_STROKE_PRECIS,
                     CLIP_STROKE_PRECIS, DRAFT_QUALITY, VARIABLE_PITCH, "宋体");
}

std::string Str(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

class GdiTextDraw : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_canvas.Dc());
    m_font = Song(12);
    m_oldFont = SelectObject(m_canvas.Dc(), m_font);
    SetTextColor(m_canvas.Dc(), RED);
    SetBkColor(m_canvas.Dc(), BLUE);
  }
  void TearDown() override {
    SelectObject(m_canvas.Dc(), m_oldFont);
    DeleteObject(m_font);
  }
  Canvas m_canvas{160, 60};
  HFONT m_font = nullptr;
  HGDIOBJ m_oldFont = nullptr;
};

TEST_F(GdiTextDraw, OpaqueBackgroundFillsTheCellAndStrikesAreSolid) {
  HDC dc = m_canvas.Dc();
  SetBkMode(dc, OPAQUE);
  ASSERT_TRUE(TextOutA(dc, 10, 5, "麻将", 4));
  // The cell is 24 x 12 at (10, 5): only background and text colours inside, nothing outside.
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 160; ++x) {
      bool inCell = x >= 10 && x < 34 && y >= 5 && y < 17;
      COLORREF c = m_canvas.At(x, y);
      if (inCell) {
        EXPECT_TRUE(c == BLUE || c == RED) << x << "," << y;
      } else {
        EXPECT_EQ(WHITE, c) << x << "," << y;
      }
    }
  EXPECT_GT(Count(m_canvas, RED), 40);
  m_canvas.Dump("opaque_cell");
}

TEST_F(GdiTextDraw, TransparentModeLeavesTheBackground) {
  HDC dc = m_canvas.Dc();
  SetBkMode(dc, TRANSPARENT);
  ASSERT_TRUE(TextOutA(dc, 10, 5, "麻将 ok", 7));
  EXPECT_EQ(0, Count(m_canvas, BLUE));
  RECT ink = Ink(m_canvas, WHITE);
  EXPECT_GE(ink.left, 10);
  EXPECT_GE(ink.top, 5);
  EXPECT_LE(ink.bottom, 17);
  // Strike glyphs are drawn solid: every inked pixel has exactly the text colour.
  EXPECT_EQ((ink.right - ink.left) * (ink.bottom - ink.top) - Count(m_canvas, RED),
            [&] {
              int white = 0;
              for (int y = ink.top; y < ink.bottom; ++y)
                for (int x = ink.left; x < ink.right; ++x) white += m_canvas.At(x, y) == WHITE;
              return white;
            }());
}

TEST_F(GdiTextDraw, AntiAliasedGlyphsBlendTowardsTheTextColour) {
  HDC dc = m_canvas.Dc();
  HFONT big = Song(30);
  HGDIOBJ old = SelectObject(dc, big);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  ASSERT_TRUE(TextOutA(dc, 4, 4, "麻将", 4));
  int partial = 0;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 160; ++x) {
      COLORREF c = m_canvas.At(x, y);
      // A grey between white and black: the three channels move together.
      EXPECT_TRUE(GetRValue(c) == GetGValue(c) && GetGValue(c) == GetBValue(c)) << x << "," << y;
      partial += c != WHITE && c != RGB(0, 0, 0);
    }
  EXPECT_GT(partial, 20);
  m_canvas.Dump("antialiased_30px");
  SelectObject(dc, old);
  DeleteObject(big);
}

TEST_F(GdiTextDraw, ClipRegionAndEtoClipped) {
  HDC dc = m_canvas.Dc();
  SetBkMode(dc, OPAQUE);
  HRGN clip = CreateRectRgn(10, 5, 20, 17);
  SelectClipRgn(dc, clip);
  TextOutA(dc, 10, 5, "麻将麻将", 8);
  RECT ink = Ink(m_canvas, WHITE);
  EXPECT_EQ("10,5,20,17", Str(ink));
  SelectClipRgn(dc, nullptr);
  DeleteObject(clip);

  m_canvas.Fill(WHITE);
  RECT box{40, 20, 50, 30};
  ASSERT_TRUE(ExtTextOutA(dc, 40, 20, ETO_CLIPPED, &box, "麻将麻将", 8, nullptr));
  EXPECT_EQ("40,20,50,30", Str(Ink(m_canvas, WHITE)));

  // ETO_OPAQUE fills the rectangle with the background colour even without text (the way
  // solid rectangles are filled).
  m_canvas.Fill(WHITE);
  SetBkMode(dc, TRANSPARENT);
  RECT fill{5, 6, 25, 16};
  ASSERT_TRUE(ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &fill, nullptr, 0, nullptr));
  EXPECT_EQ(20 * 10, Count(m_canvas, BLUE));
  EXPECT_EQ("5,6,25,16", Str(Ink(m_canvas, WHITE)));
}

TEST_F(GdiTextDraw, AlignmentMovesTheCell) {
  HDC dc = m_canvas.Dc();
  SetBkMode(dc, OPAQUE);
  TextOutA(dc, 30, 20, "麻将", 4);
  RECT reference = Ink(m_canvas, WHITE);
  std::string hash = m_canvas.Hash();
  EXPECT_EQ("30,20,54,32", Str(reference));
  struct {
    UINT align;
    int x;
    int y;
  } cases[] = {
      {TA_RIGHT | TA_TOP, 54, 20},       {TA_CENTER | TA_TOP, 42, 20},     {TA_LEFT | TA_BASELINE, 30, 30},
      {TA_LEFT | TA_BOTTOM, 30, 32},     {TA_RIGHT | TA_BOTTOM, 54, 32},   {TA_CENTER | TA_BASELINE, 42, 30},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.align);
    m_canvas.Fill(WHITE);
    SetTextAlign(dc, c.align);
    TextOutA(dc, c.x, c.y, "麻将", 4);
    EXPECT_EQ(hash, m_canvas.Hash());
  }
  EXPECT_EQ(TA_CENTER | TA_BASELINE, GetTextAlign(dc));
  SetTextAlign(dc, TA_LEFT | TA_TOP);
}

TEST_F(GdiTextDraw, UpdateCpContinuesWhereTheLastTextEnded) {
  HDC dc = m_canvas.Dc();
  SetBkMode(dc, TRANSPARENT);
  TextOutA(dc, 10, 5, "麻将abc", 7);
  std::string whole = m_canvas.Hash();
  m_canvas.Fill(WHITE);
  SetTextAlign(dc, TA_UPDATECP);
  MoveToEx(dc, 10, 5, nullptr);
  TextOutA(dc, 99, 99, "麻将", 4);  // the coordinates are ignored
  TextOutA(dc, 99, 99, "abc", 3);
  EXPECT_EQ(whole, m_canvas.Hash());
  POINT pos{};
  GetCurrentPositionEx(dc, &pos);
  SIZE size{};
  GetTextExtentPoint32A(dc, "麻将abc", 7, &size);
  EXPECT_EQ(10 + size.cx, pos.x);
  EXPECT_EQ(5, pos.y);
  SetTextAlign(dc, TA_NOUPDATECP);
}

TEST_F(GdiTextDraw, DxSpacesTheCharacters) {
  HDC dc = m_canvas.Dc();
  SetBkMode(dc, TRANSPARENT);
  const INT dx[] = {20, 0, 20, 0, 9};  // a GBK character advances by its two bytes' sum
  ASSERT_TRUE(ExtTextOutA(dc, 10, 5, 0, nullptr, "麻将a", 5, dx));
  Canvas single(160, 60);
  HGDIOBJ old = SelectObject(single.Dc(), m_font);
  SetTextColor(single.Dc(), RED);
  SetBkMode(single.Dc(), TRANSPARENT);
  TextOutA(single.Dc(), 10, 5, "麻", 2);
  TextOutA(single.Dc(), 30, 5, "将", 2);
  TextOutA(single.Dc(), 50, 5, "a", 1);
  SelectObject(single.Dc(), old);
  EXPECT_EQ(single.Hash(), m_canvas.Hash());
}

TEST_F(GdiTextDraw, DrawTextPlacesAndClips) {
  HDC dc = m_canvas.Dc();
  SetBkMode(dc, TRANSPARENT);
  RECT rc{20, 10, 120, 40};
  EXPECT_EQ(21, DrawTextA(dc, "麻将", -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE));
  RECT ink = Ink(m_canvas, WHITE);
  // The 24 x 12 cell is centred: (58, 19) to (82, 31).
  EXPECT_GE(ink.left, 58);
  EXPECT_LE(ink.right, 82);
  EXPECT_GE(ink.top, 19);
  EXPECT_LE(ink.bottom, 31);

  // DT_CALCRECT measures and draws nothing.
  m_canvas.Fill(WHITE);
  RECT calc{20, 10, 50, 10};
  EXPECT_EQ(24, DrawTextA(dc, "麻将游戏", -1, &calc, DT_CALCRECT | DT_WORDBREAK));
  EXPECT_EQ("20,10,44,34", Str(calc));
  EXPECT_EQ(0, Count(m_canvas, RED));

  // Clipped to the rectangle unless DT_NOCLIP.
  RECT narrow{20, 10, 40, 30};
  DrawTextA(dc, "麻将游戏大厅", -1, &narrow, DT_SINGLELINE);
  ink = Ink(m_canvas, WHITE);
  EXPECT_GE(ink.left, 20);
  EXPECT_LE(ink.right, 40);
  m_canvas.Fill(WHITE);
  DrawTextA(dc, "麻将游戏大厅", -1, &narrow, DT_SINGLELINE | DT_NOCLIP);
  EXPECT_GT(Ink(m_canvas, WHITE).right, 60);

  // The W form draws the same pixels.
  m_canvas.Fill(WHITE);
  DrawTextA(dc, "麻将 chat", -1, &rc, DT_LEFT);
  std::string narrowHash = m_canvas.Hash();
  m_canvas.Fill(WHITE);
  DrawTextW(dc, L"麻将 chat", -1, &rc, DT_LEFT);
  EXPECT_EQ(narrowHash, m_canvas.Hash());
}

TEST_F(GdiTextDraw, PrefixUnderlinesOneCharacter) {
  HDC dc = m_canvas.Dc();
  SetBkMode(dc, TRANSPARENT);
  RECT rc{10, 10, 150, 30};
  DrawTextA(dc, "取消(&C)", -1, &rc, DT_SINGLELINE);
  // The underline row of the 12-pixel font is row 11 of the cell: under "C" only.
  SIZE before{}, c{};
  GetTextExtentPoint32A(dc, "取消(", 5, &before);
  GetTextExtentPoint32A(dc, "C", 1, &c);
  for (int x = 10; x < 150; ++x) {
    bool under = x >= 10 + before.cx && x < 10 + before.cx + c.cx;
    EXPECT_EQ(under, m_canvas.At(x, 21) == RED) << x;
  }
  m_canvas.Dump("prefix");
}

TEST_F(GdiTextDraw, MetricsAndExtentsThroughTheDc) {
  HDC dc = m_canvas.Dc();
  TEXTMETRICA tm{};
  ASSERT_TRUE(GetTextMetricsA(dc, &tm));
  EXPECT_EQ(12, tm.tmHeight);
  EXPECT_EQ(10, tm.tmAscent);
  SIZE size{};
  ASSERT_TRUE(GetTextExtentPoint32A(dc, "宋体 chat 你好！", 16, &size));
  EXPECT_EQ(93, size.cx);
  EXPECT_EQ(12, size.cy);
  ASSERT_TRUE(GetTextExtentPoint32W(dc, L"宋体 chat 你好！", 12, &size));
  EXPECT_EQ(93, size.cx);
  EXPECT_FALSE(GetTextExtentPoint32A(dc, "x", -1, &size));
  EXPECT_FALSE(GetTextExtentPoint32A(nullptr, "x", 1, &size));
  // A fresh DC starts with the bold 16-pixel system font.
  HDC fresh = CreateCompatibleDC(nullptr);
  ASSERT_TRUE(GetTextMetricsA(fresh, &tm));
  EXPECT_EQ(16, tm.tmHeight);
  EXPECT_EQ(FW_BOLD, tm.tmWeight);
  DeleteDC(fresh);
}

TEST_F(GdiTextDraw, InvalidGbkDrawsReplacementGlyphs) {
  HDC dc = m_canvas.Dc();
  SetBkMode(dc, TRANSPARENT);
  std::vector<char> bytes = {'a', '\xFF', 'b', '\xC4'};  // exact size: an overread would show under ASan
  ASSERT_TRUE(TextOutA(dc, 10, 5, bytes.data(), static_cast<int>(bytes.size())));
  std::string drawn = m_canvas.Hash();
  m_canvas.Fill(WHITE);
  TextOutW(dc, 10, 5, L"a\xFFFD" L"b\xFFFD", 4);
  EXPECT_EQ(drawn, m_canvas.Hash());
  EXPECT_FALSE(TextOutA(dc, 0, 0, "x", -1));
  EXPECT_FALSE(TextOutA(nullptr, 0, 0, "x", 1));
}

TEST_F(GdiTextDraw, WindowOriginShiftsText) {
  HDC dc = m_canvas.Dc();
  TextOutA(dc, 30, 20, "麻将", 4);
  std::string direct = m_canvas.Hash();
  m_canvas.Fill(WHITE);
  SetWindowOrgEx(dc, -20, -15, nullptr);
  TextOutA(dc, 10, 5, "麻将", 4);
  EXPECT_EQ(direct, m_canvas.Hash());
  SetWindowOrgEx(dc, 0, 0, nullptr);
}

TEST_F(GdiTextDraw, DrawStateText) {
  HDC dc = m_canvas.Dc();
  SetBkMode(dc, OPAQUE);  // DrawState draws without background whatever the mode
  const char* label = "确定(&O)";
  SIZE size{};
  ASSERT_TRUE(DrawState(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(label), 0, 10, 5, 0, 0, DST_PREFIXTEXT));
  std::string drawn = m_canvas.Hash();
  EXPECT_EQ(0, Count(m_canvas, BLUE));
  m_canvas.Fill(WHITE);
  SetBkMode(dc, TRANSPARENT);
  RECT rc{10, 5, 100, 30};
  DrawTextA(dc, label, -1, &rc, DT_SINGLELINE);
  EXPECT_EQ(drawn, m_canvas.Hash());
  SetBkMode(dc, OPAQUE);

  // Disabled: embossed in the highlight and shadow colours; the text colour stays.
  m_canvas.Fill(RGB(0x80, 0x80, 0x00));
  ASSERT_TRUE(DrawState(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(label), 0, 10, 5, 0, 0,
                        DST_PREFIXTEXT | DSS_DISABLED));
  EXPECT_GT(Count(m_canvas, GetSysColor(COLOR_BTNHIGHLIGHT)), 10);
  EXPECT_GT(Count(m_canvas, GetSysColor(COLOR_BTNSHADOW)), 10);
  EXPECT_EQ(0, Count(m_canvas, RED));
  EXPECT_EQ(RED, GetTextColor(dc));
  EXPECT_EQ(OPAQUE, GetBkMode(dc));

  // Prefix only: nothing but the underline of the prefixed character, one row.
  m_canvas.Fill(WHITE);
  SetBkMode(dc, TRANSPARENT);
  ASSERT_TRUE(DrawState(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(label), 0, 10, 5, 0, 0,
                        DST_PREFIXTEXT | DSS_PREFIXONLY));
  RECT underline = Ink(m_canvas, WHITE);
  EXPECT_EQ(1, underline.bottom - underline.top);
  EXPECT_EQ(GetTextExtentPoint32A(dc, "O", 1, &size) ? size.cx : -1, underline.right - underline.left);

  // Mono: the brush's colour; DST_TEXT keeps the '&'.
  m_canvas.Fill(WHITE);
  HBRUSH green = CreateSolidBrush(RGB(0, 200, 0));
  ASSERT_TRUE(DrawState(dc, green, nullptr, reinterpret_cast<LPARAM>("a&b"), 3, 10, 5, 0, 0, DST_TEXT | DSS_MONO));
  EXPECT_GT(Count(m_canvas, RGB(0, 200, 0)), 10);
  EXPECT_EQ(0, Count(m_canvas, RED));
  std::string mono = m_canvas.Hash();
  m_canvas.Fill(WHITE);
  SetTextColor(dc, RGB(0, 200, 0));
  SetBkMode(dc, TRANSPARENT);
  DrawTextA(dc, "a&b", 3, &rc, DT_SINGLELINE | DT_NOPREFIX);
  EXPECT_EQ(mono, m_canvas.Hash());
  DeleteObject(green);
}

// Pinned renderings: a change of font, metrics, blending or layout shows here. The PNG files
// show what the hashes stand for.
TEST(GdiTextRender, Hashes) {
  struct {
    const char* name;
    int height;
    int weight;
    bool italic;
    bool underline;
    const char* text;
    const char* hash;
  } cases[] = {
      {"song12", 12, FW_NORMAL, false, false, "宋体 麻将 chat 你好！0123", "47dabc088ca3ed47"},
      {"song12_bold", 12, FW_BOLD, false, false, "大厅 Bold 12", "97b840a60d153e3b"},
      {"song12_italic_underline", 12, FW_NORMAL, true, true, "斜体 italic", "54e2f4e9d3d39fbd"},
      {"system16", 16, FW_BOLD, false, false, "系统 System 16", "9ff4ab5aa706d0ee"},
      {"song20_aa", 20, FW_NORMAL, false, false, "麻将 AA 20", "fbdf113df4fcdaa5"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Canvas canvas(200, 28);
    HFONT font = Song(c.height, c.weight, c.italic, c.underline);
    HGDIOBJ old = SelectObject(canvas.Dc(), font);
    SetTextColor(canvas.Dc(), RGB(0x20, 0x40, 0x80));
    SetBkColor(canvas.Dc(), RGB(0xFF, 0xFF, 0xF0));
    SetBkMode(canvas.Dc(), OPAQUE);
    TextOutA(canvas.Dc(), 3, 3, c.text, static_cast<int>(std::strlen(c.text)));
    canvas.Dump(std::string("render_") + c.name);
    EXPECT_EQ(c.hash, canvas.Hash());
    SelectObject(canvas.Dc(), old);
    DeleteObject(font);
  }
}

}  // namespace

namespace {

// A font turned by its escapement writes its line turned about the reference point: 900 reads
// upwards (the left side's plate), 2700 downwards (the right side's), 1800 upside down.
TEST(GdiTurnedText, EscapementTurnsTheLineAboutTheReferencePoint) {
  struct Case {
    int escapement;
    // The ink must lie within this box and fill it more in the long direction.
    RECT within;
    bool tall;
  } cases[] = {
      {0, {60, 60, 60 + 32, 60 + 16}, false},
      {900, {60, 60 - 32, 60 + 16, 60}, true},
      {2700, {60 - 16, 60, 60, 60 + 32}, true},
      {1800, {60 - 32, 60 - 16, 60, 60}, false},
      {3600 + 900, {60, 60 - 32, 60 + 16, 60}, true},
      {-2700, {60, 60 - 32, 60 + 16, 60}, true},
  };
  for (const Case& c : cases) {
    Canvas canvas{120, 120};
    HDC dc = canvas.Dc();
    HFONT font = CreateFontA(-16, 0, c.escapement, c.escapement, FW_NORMAL, 0, 0, 0, GB2312_CHARSET,
                             OUT_STROKE_PRECIS, CLIP_STROKE_PRECIS, DRAFT_QUALITY, VARIABLE_PITCH, "宋体");
    HGDIOBJ old = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RED);
    ASSERT_TRUE(TextOutA(dc, 60, 60, "麻将", 4));
    RECT ink = Ink(canvas, WHITE);
    EXPECT_GE(ink.left, c.within.left) << c.escapement << " " << Str(ink);
    EXPECT_GE(ink.top, c.within.top) << c.escapement << " " << Str(ink);
    EXPECT_LE(ink.right, c.within.right) << c.escapement << " " << Str(ink);
    EXPECT_LE(ink.bottom, c.within.bottom) << c.escapement << " " << Str(ink);
    EXPECT_EQ(c.tall, ink.bottom - ink.top > ink.right - ink.left) << c.escapement << " " << Str(ink);
    // The background is kept where no glyph stands.
    EXPECT_GT(Count(canvas, WHITE), 120 * 120 - 32 * 16);
    canvas.Dump(("turned_" + std::to_string(c.escapement)).c_str());
    SelectObject(dc, old);
    DeleteObject(font);
  }
}

// Turned text keeps to the clip region like level text.
TEST(GdiTurnedText, ClipHolds) {
  Canvas canvas{120, 120};
  HDC dc = canvas.Dc();
  HFONT font = CreateFontA(-16, 0, 900, 900, FW_NORMAL, 0, 0, 0, GB2312_CHARSET, OUT_STROKE_PRECIS,
                           CLIP_STROKE_PRECIS, DRAFT_QUALITY, VARIABLE_PITCH, "宋体");
  HGDIOBJ old = SelectObject(dc, font);
  SetTextColor(dc, RED);
  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, BLUE);
  HRGN clip = CreateRectRgn(0, 40, 120, 120);
  SelectClipRgn(dc, clip);
  ASSERT_TRUE(TextOutA(dc, 60, 60, "麻将", 4));
  RECT ink = Ink(canvas, WHITE);
  // The opaque cell runs from y 28 to 60; the clip keeps 40 to 60.
  EXPECT_EQ(40, ink.top) << Str(ink);
  EXPECT_EQ(60, ink.bottom) << Str(ink);
  EXPECT_EQ(60, ink.left) << Str(ink);
  SelectObject(dc, old);
  DeleteObject(font);
  DeleteObject(clip);
}

}  // namespace
