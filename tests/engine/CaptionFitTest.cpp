// Caption fitting as a table of boxes and captions.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/CaptionFit.h"

namespace {

struct Case {
  const char* name;
  int w, h;
  const char* caption;
  int mx, my, fh;
  POINT at;
  CaptionFit fit;
  const char* after;
};

TEST(CaptionFit, Table) {
  const Case cases[] = {
      // Two double-byte characters in 80 x 24: one line, letters spread 12 apart.
      {"two", 80, 24, "确定", 0, 0, 0, {12, 4}, {16, 12, 0, 12}, "确定"},
      // Four double-byte characters in a tall box take two lines.
      {"tall", 120, 120, "开始游戏", 0, 0, 0, {20, 13}, {40, 0, 14, 20}, "开始游戏"},
      // A fixed height below the minimum is kept after one pass.
      {"fixed", 100, 100, "abcdef", 0, 0, 12, {}, {12, 0, 0, 0}, "abcdef"},
      {"empty", 50, 20, "", 0, 0, 0, {0, 0}, {}, ""},
  };
  for (const Case& c : cases) {
    char caption[256];
    std::strcpy(caption, c.caption);
    CaptionFit fit;
    const POINT at = FitTextInBox(c.w, c.h, caption, &fit, c.mx, c.my, c.fh);
    EXPECT_EQ(std::string(caption), c.after) << c.name;
    EXPECT_EQ(fit.height, c.fit.height) << c.name;
    if (std::string(c.name) == "fixed") continue;
    EXPECT_EQ(at.x, c.at.x) << c.name;
    EXPECT_EQ(at.y, c.at.y) << c.name;
    EXPECT_EQ(fit.pitch, c.fit.pitch) << c.name;
    EXPECT_EQ(fit.leftMargin, at.x) << c.name;
    EXPECT_EQ(fit.rowSpace, c.fit.rowSpace) << c.name;
  }
}

TEST(CaptionFit, LongCaptionsEndInDotsWithGbkPairsWhole) {
  char caption[256];
  std::strcpy(caption, "这是一个很长很长的按钮标题");
  CaptionFit fit;
  FitTextInBox(60, 20, caption, &fit, 0, 0, 0);
  const std::string s(caption);
  ASSERT_GE(s.size(), 2u);
  EXPECT_EQ(s.substr(s.size() - 2), "..");
  EXPECT_GE(fit.height, 0);
  // No lead byte is left without its trail byte before the dots.
  size_t i = 0;
  while (i < s.size() - 2) i += static_cast<unsigned char>(s[i]) >= 0x80 ? 2 : 1;
  EXPECT_EQ(i, s.size() - 2);
}

TEST(CaptionFit, ShorteningSteps) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {{"abcdefg", "abc.."}, {"ab确定", "ab.."}, {"a确定", "a.."}, {"确定", "确"},
               {"abc", "a"}, {"确a", "确"}};
  for (const auto& c : cases) {
    char text[64];
    std::strcpy(text, c.in);
    ShortenCaption(text);
    EXPECT_EQ(std::string(text), c.out) << c.in;
  }
}

}  // namespace
