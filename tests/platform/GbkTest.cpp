#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/base/Gbk.h"

namespace {

TEST(Gbk, RoundTripsThroughUnicodeAndUtf8) {
  std::string gbk = "宋体 chat 你好！";  // GBK bytes through the build's charset
  std::wstring wide = GbkToWide(gbk);
  EXPECT_EQ(L"宋体 chat 你好！", wide);
  EXPECT_EQ(gbk, WideToGbk(wide));
  std::string utf8 = GbkToUtf8(gbk);
  EXPECT_EQ(std::string("\xE5\xAE\x8B\xE4\xBD\x93 chat \xE4\xBD\xA0\xE5\xA5\xBD\xEF\xBC\x81"), utf8);
  EXPECT_EQ(gbk, Utf8ToGbk(utf8));
}

TEST(Gbk, InvalidBytesAreReplacedNotOverread) {
  struct Case {
    std::string in;
    std::wstring out;
  } cases[] = {
      {std::string("a\xFF" "b"), L"a\xFFFD" L"b"},           // 0xFF is never a lead byte
      {std::string("x\xC4"), L"x\xFFFD"},                    // lead byte cut off at the end
      {std::string("\xC4\x0A" "z"), L"\xFFFD\nz"},           // lead byte with an invalid trail
      {std::string("\x80"), L"\x20AC"},                      // code page 936 keeps the euro sign
      {std::string(), L""},
  };
  for (const auto& c : cases) {
    // Copy into an exact-size heap block so that an overread shows under the sanitizers.
    char* exact = new char[c.in.size() + 1];
    memcpy(exact, c.in.data(), c.in.size());
    std::wstring got = GbkToWide(std::string_view(exact, c.in.size()));
    delete[] exact;
    if (c.in == "\x80" && got != c.out) {
      EXPECT_EQ(1u, got.size());  // some iconv builds map 0x80 to U+0080 or refuse it
      continue;
    }
    EXPECT_EQ(c.out, got);
  }
  EXPECT_EQ("a?b", Utf8ToGbk("a\xF0\x9F\x98\x80" "b"));  // emoji: not in GBK
  EXPECT_EQ("a?b", Utf8ToGbk("a\xC3" "b"));              // broken UTF-8
}

TEST(Gbk, SafeCutKeepsDoubleByteCharactersWhole) {
  std::string s = "ab你好";  // a b C4E3 BAC3
  struct Case {
    size_t n, cut;
  } cases[] = {{0, 0}, {2, 2}, {3, 2}, {4, 4}, {5, 4}, {6, 6}};
  for (const auto& c : cases) EXPECT_EQ(c.cut, GbkSafeCut(s.data(), c.n)) << c.n;
}

TEST(Gbk, SplitFieldsOnlyAtSeparatorsThatStandAlone) {
  using Fields = std::vector<std::string>;
  // "東" is 96 7C in GBK: its trail byte is the '|' byte, and it must not split the name.
  EXPECT_EQ("\x96\x7C", std::string("東"));
  const struct {
    const char* what;
    std::string text;
    size_t maxFields;
    Fields fields;
  } cases[] = {
      {"trail byte is no separator", "東风|自摸|", 32, {"東风", "自摸", ""}},
      {"plain fields", "a|bc|", 32, {"a", "bc", ""}},
      {"no separator", "海底捞月", 32, {"海底捞月"}},
      {"empty text", "", 32, {""}},
      {"empty fields kept", "||x", 32, {"", "", "x"}},
      {"the rest is dropped", "一|二|三|四", 2, {"一", "二"}},
      {"no field wanted", "a|b", 0, {}},
      // A lead byte at the very end has no trail byte; the '|' before it still splits.
      {"cut-off lead byte", std::string("a|\x96"), 32, {"a", "\x96"}},
      // A lead byte before a '|' that ends the text: the pair is one character.
      {"lead byte before the last separator", std::string("a\x96|"), 32, {"a\x96|"}},
  };
  for (const auto& c : cases) EXPECT_EQ(c.fields, SplitGbkFields(c.text, '|', c.maxFields)) << c.what;
}

TEST(Gbk, Win32ConversionCalls) {
  const char* text = "好a";
  EXPECT_EQ(3, MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0));
  wchar_t w[8] = {};
  EXPECT_EQ(3, MultiByteToWideChar(CP_ACP, 0, text, -1, w, 8));
  EXPECT_EQ(std::wstring(L"好a"), std::wstring(w));
  EXPECT_EQ(0, MultiByteToWideChar(CP_ACP, 0, text, -1, w, 2));  // too small: failure
  char back[8] = {};
  EXPECT_EQ(4, WideCharToMultiByte(CP_ACP, 0, w, -1, back, 8, nullptr, nullptr));
  EXPECT_STREQ(text, back);
  EXPECT_EQ(5, WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr));
}

}  // namespace
