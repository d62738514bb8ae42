// DrawText layout tables, with a fixed measure so that the cases do not depend on a font:
// ASCII characters are 6 pixels wide and CJK characters 12, lines 12 pixels apart, as with the
// 12-pixel Song face the program's layouts were made for.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/base/Gbk.h"
#include "platform/gdi/TextLayout.h"

namespace {

int FixedAdvance(char32_t c) {
  return c >= 0x2E80 ? 12 : 6;
}

TextLayoutResult LayOut(const std::wstring& text, RECT rc, UINT format) {
  return TextLayout::Layout(text, rc, format, FixedAdvance, 12, 6);
}

std::wstring LineText(const LayoutLine& line) {
  std::wstring s;
  for (const PlacedChar& c : line.chars) s += static_cast<wchar_t>(c.ch);
  return s;
}

struct LineExpect {
  std::wstring text;
  int x;  // position of the first character
  int y;
};

struct Case {
  const char* name;
  std::wstring text;
  RECT rect;
  UINT format;
  std::vector<LineExpect> lines;
  int height;
  RECT calc;
};

TEST(GdiTextLayout, Table) {
  const Case cases[] = {
      {"left", L"abc", {0, 0, 100, 20}, DT_SINGLELINE, {{L"abc", 0, 0}}, 12, {0, 0, 18, 12}},
      {"center", L"abc", {0, 0, 100, 20}, DT_SINGLELINE | DT_CENTER, {{L"abc", 41, 0}}, 12, {0, 0, 18, 12}},
      {"right", L"abc", {10, 0, 100, 20}, DT_SINGLELINE | DT_RIGHT, {{L"abc", 82, 0}}, 12, {10, 0, 28, 12}},
      {"vcenter returns offset to the bottom", L"abc", {0, 0, 100, 20}, DT_SINGLELINE | DT_VCENTER,
       {{L"abc", 0, 4}}, 16, {0, 0, 18, 12}},
      {"vcenter right (menu accelerators)", L"Ctrl+C", {0, 10, 100, 29}, DT_SINGLELINE | DT_VCENTER | DT_RIGHT,
       {{L"Ctrl+C", 64, 13}}, 15, {0, 10, 36, 22}},
      {"centre both (tab labels)", L"麻将", {0, 0, 50, 30}, DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_RTLREADING,
       {{L"麻将", 13, 9}}, 21, {0, 0, 24, 12}},
      {"bottom", L"abc", {0, 0, 100, 20}, DT_SINGLELINE | DT_BOTTOM, {{L"abc", 0, 8}}, 20, {0, 0, 18, 12}},
      {"vcenter ignored without singleline", L"abc", {0, 0, 100, 20}, DT_VCENTER, {{L"abc", 0, 0}}, 12,
       {0, 0, 18, 12}},
      {"line breaks", L"ab\r\ncd\nef\rgh", {0, 0, 100, 100}, DT_LEFT,
       {{L"ab", 0, 0}, {L"cd", 0, 12}, {L"ef", 0, 24}, {L"gh", 0, 36}}, 48, {0, 0, 12, 48}},
      {"a final break starts no line", L"ab\r\n", {0, 0, 100, 100}, DT_LEFT, {{L"ab", 0, 0}}, 12, {0, 0, 12, 12}},
      {"empty lines count", L"\n\nx", {0, 0, 100, 100}, DT_LEFT, {{L"", 0, 0}, {L"", 0, 12}, {L"x", 0, 24}}, 36,
       {0, 0, 6, 36}},
      {"singleline drops breaks", L"ab\r\ncd", {0, 0, 100, 100}, DT_SINGLELINE, {{L"abcd", 0, 0}}, 12,
       {0, 0, 24, 12}},
      {"word break at spaces", L"hello world foo", {0, 0, 60, 100}, DT_WORDBREAK,
       {{L"hello", 0, 0}, {L"world foo", 0, 12}}, 24, {0, 0, 54, 24}},
      {"spaces at a break are swallowed", L"ab   cd", {0, 0, 20, 100}, DT_WORDBREAK, {{L"ab", 0, 0}, {L"cd", 0, 12}},
       24, {0, 0, 12, 24}},
      {"word break between CJK characters", L"麻将游戏大厅", {0, 0, 30, 100}, DT_WORDBREAK,
       {{L"麻将", 0, 0}, {L"游戏", 0, 12}, {L"大厅", 0, 24}}, 36, {0, 0, 24, 36}},
      {"word break between a word and CJK", L"ab麻将cd", {0, 0, 30, 100}, DT_WORDBREAK,
       {{L"ab麻", 0, 0}, {L"将cd", 0, 12}}, 24, {0, 0, 24, 24}},
      {"word break centred", L"hello world foo", {0, 0, 60, 100}, DT_WORDBREAK | DT_CENTER,
       {{L"hello", 15, 0}, {L"world foo", 3, 12}}, 24, {0, 0, 54, 24}},
      {"a long word runs past the edge", L"abcdefghij k", {0, 0, 30, 100}, DT_WORDBREAK,
       {{L"abcdefghij", 0, 0}, {L"k", 0, 12}}, 24, {0, 0, 60, 24}},
      {"edit control breaks long words", L"abcdefghij", {0, 0, 30, 100}, DT_WORDBREAK | DT_EDITCONTROL,
       {{L"abcde", 0, 0}, {L"fghij", 0, 12}}, 24, {0, 0, 30, 24}},
      {"word break keeps explicit breaks", L"ab cd\nef", {0, 0, 20, 100}, DT_WORDBREAK,
       {{L"ab", 0, 0}, {L"cd", 0, 12}, {L"ef", 0, 24}}, 36, {0, 0, 12, 36}},
      {"calcrect narrows to the text", L"hello world foo", {10, 20, 70, 20}, DT_WORDBREAK | DT_CENTER | DT_CALCRECT,
       {{L"hello", 25, 20}, {L"world foo", 13, 32}}, 24, {10, 20, 64, 44}},
      {"end ellipsis", L"abcdefghij", {0, 0, 40, 20}, DT_SINGLELINE | DT_END_ELLIPSIS, {{L"abc...", 0, 0}}, 12,
       {0, 0, 36, 12}},
      {"end ellipsis only when too wide", L"abcdef", {0, 0, 40, 20}, DT_SINGLELINE | DT_END_ELLIPSIS,
       {{L"abcdef", 0, 0}}, 12, {0, 0, 36, 12}},
      {"end ellipsis with CJK, right aligned", L"麻将游戏大厅", {0, 0, 50, 20},
       DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_NOCLIP | DT_END_ELLIPSIS | DT_RIGHT, {{L"麻将...", 8, 4}}, 16,
       {0, 0, 42, 12}},
      {"prefix", L"&File", {0, 0, 100, 20}, DT_SINGLELINE, {{L"File", 0, 0}}, 12, {0, 0, 24, 12}},
      {"double ampersand", L"a&&b", {0, 0, 100, 20}, DT_SINGLELINE, {{L"a&b", 0, 0}}, 12, {0, 0, 18, 12}},
      {"trailing ampersand", L"end&", {0, 0, 100, 20}, DT_SINGLELINE, {{L"end", 0, 0}}, 12, {0, 0, 18, 12}},
      {"no prefix", L"&File&&", {0, 0, 100, 20}, DT_SINGLELINE | DT_NOPREFIX, {{L"&File&&", 0, 0}}, 12,
       {0, 0, 42, 12}},
      {"expanded tabs", L"a\tb", {0, 0, 100, 20}, DT_SINGLELINE | DT_EXPANDTABS, {{L"ab", 0, 0}}, 12,
       {0, 0, 54, 12}},
      {"tabs as characters", L"a\tb", {0, 0, 100, 20}, DT_SINGLELINE, {{L"a\tb", 0, 0}}, 12, {0, 0, 18, 12}},
      {"empty text", L"", {5, 6, 100, 20}, DT_SINGLELINE | DT_CALCRECT, {}, 0, {5, 6, 5, 6}},
      {"only a prefix", L"&", {0, 0, 100, 20}, DT_SINGLELINE, {{L"", 0, 0}}, 12, {0, 0, 0, 12}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextLayoutResult r = LayOut(c.text, c.rect, c.format);
    ASSERT_EQ(c.lines.size(), r.lines.size());
    for (size_t i = 0; i < c.lines.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(c.lines[i].text, LineText(r.lines[i]));
      if (!r.lines[i].chars.empty()) {
        EXPECT_EQ(c.lines[i].x, r.lines[i].chars[0].x);
      }
      EXPECT_EQ(c.lines[i].y, r.lines[i].y);
    }
    EXPECT_EQ(c.height, r.height);
    EXPECT_EQ(c.calc.left, r.calcRect.left);
    EXPECT_EQ(c.calc.top, r.calcRect.top);
    EXPECT_EQ(c.calc.right, r.calcRect.right);
    EXPECT_EQ(c.calc.bottom, r.calcRect.bottom);
  }
}

TEST(GdiTextLayout, PrefixUnderlinesTheNextCharacterOnly) {
  struct {
    std::wstring text;
    UINT format;
    std::vector<bool> underline;
  } cases[] = {
      {L"&File", DT_SINGLELINE, {true, false, false, false}},
      {L"a&&b", DT_SINGLELINE, {false, false, false}},
      {L"&&&x", DT_SINGLELINE, {false, true}},
      {L"取消(&C)", DT_SINGLELINE, {false, false, false, true, false}},
      {L"&File", DT_SINGLELINE | DT_HIDEPREFIX, {false, false, false, false}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(GbkToUtf8(WideToGbk(c.text)));
    TextLayoutResult r = LayOut(c.text, {0, 0, 100, 20}, c.format);
    ASSERT_EQ(1u, r.lines.size());
    ASSERT_EQ(c.underline.size(), r.lines[0].chars.size());
    for (size_t i = 0; i < c.underline.size(); ++i) EXPECT_EQ(c.underline[i], r.lines[0].chars[i].underline) << i;
  }
}

TEST(GdiTextLayout, CharactersFollowEachOtherWithoutGaps) {
  // Positions are the running sum of the advances, including expanded tabs.
  TextLayoutResult r = LayOut(L"a麻\tb将c", {7, 0, 300, 20}, DT_SINGLELINE | DT_EXPANDTABS);
  ASSERT_EQ(1u, r.lines.size());
  std::vector<int> xs;
  for (const PlacedChar& c : r.lines[0].chars) xs.push_back(c.x);
  EXPECT_EQ((std::vector<int>{7, 13, 55, 61, 73}), xs);
  EXPECT_EQ(72, r.lines[0].width);
}

TEST(GdiTextLayout, NarrowRectanglesStillEndAndKeepEveryCharacter) {
  // A zero or negative width puts one unit on each line and never loops.
  for (int width : {0, -10, 1}) {
    SCOPED_TRACE(width);
    TextLayoutResult r = LayOut(L"ab cd 麻将", {0, 0, width, 0}, DT_WORDBREAK | DT_CALCRECT);
    std::wstring all;
    for (const LayoutLine& l : r.lines) all += LineText(l) + L"|";
    EXPECT_EQ(L"ab|cd|麻|将|", all);
    TextLayoutResult e = LayOut(L"abc", {0, 0, width, 0}, DT_WORDBREAK | DT_EDITCONTROL);
    EXPECT_EQ(3u, e.lines.size());
  }
}

}  // namespace
