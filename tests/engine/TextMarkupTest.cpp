// The markup reader: where tags are, how their content reads, and which tags count as tags.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/TextMarkup.h"

namespace {

std::string Describe(const MarkupTag& tag) {
  switch (tag.kind) {
    case MarkupTag::Script:
      return "script[" + tag.text + "]";
    case MarkupTag::Comment:
      return "comment";
    default:
      break;
  }
  std::string out;
  for (const MarkupItem& item : tag.items) out += "(" + item.key + "|" + item.value + ")";
  return out;
}

TEST(TextMarkupTest, ReadsTagContent) {
  struct Case {
    std::string content;
    std::string reading;
    bool accepted;
  } cases[] = {
      {"color=255", "(color|255)", true},
      {"c=65280", "(c|65280)", true},
      {"rgb=0,128,255", "(rgb|0,128,255)", true},
      {"rgb=1,2", "(rgb|1,2)", false},
      {"rgb=1,2,3,4", "(rgb|1,2,3,4)", false},
      {"size=30;bold", "(size|30)(bold|)", true},
      {"bold;size=30", "(bold|)(size|30)", true},
      {"underline;italic", "(underline|)(italic|)", true},
      {"foo=1;size=20", "(foo|1)(size|20)", false},
      {"size=20;foo=1", "(size|20)(foo|1)", true},
      {"SIZE=20", "(size|20)", true},
      {"size =20", "(size |20)", false},
      {"size==  20 ;", "(size|20 )(|)", true},
      {" ;;bold", "(bold|)", true},
      {"size=", "(size|)", true},
      {"=5", "(|5)", false},
      {";", "(|)", false},
      {"fontname=\"宋体\"", "(fontname|\"宋体\")", true},
      {"//:note", "comment", true},
      {"//", "comment", true},
      {"// note", "(// note|)", false},
      {"script:go 3", "script[script:go 3]", true},
      {"  Script:Go", "script[  script:go]", true},
      {"scripts", "(scripts|)", false},
      {"break", "(break|)", true},
      {"/color", "(/color|)", true},
  };
  for (const Case& c : cases) {
    const MarkupTag tag = TextMarkup::Read(c.content.data(), c.content.size());
    EXPECT_EQ(Describe(tag), c.reading) << c.content;
    EXPECT_EQ(TextMarkup::IsAccepted(tag), c.accepted) << c.content;
  }
}

TEST(TextMarkupTest, FindsTags) {
  const std::string longest = "<" + std::string(255, 'a') + ">";
  const std::string tooLong = "<" + std::string(256, 'a') + ">";
  const std::string withZero("<a\0b>", 5);
  struct Case {
    std::string text;
    size_t pos;
    size_t content;
  } cases[] = {
      {"<abc>", 0, 3},   {"x<c=1>y", 1, 3}, {"x<c=1>y", 0, 0}, {"<>", 0, 0},       {"<ab", 0, 0},
      {longest, 0, 255}, {tooLong, 0, 0},   {withZero, 0, 0},  {"<a<b>", 0, 3},    {"<abc>", 9, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TextMarkup::FindTag(c.text.data(), c.text.size(), c.pos), c.content) << c.text;
  }
  // Only the given length is read.
  EXPECT_EQ(TextMarkup::FindTag("<abc>", 4, 0), 0u);
}

TEST(TextMarkupTest, Numbers) {
  struct Case {
    const char* text;
    int value;
  } cases[] = {{"20", 20}, {"  -7x", -7}, {"+3", 3}, {"", 0}, {"x", 0}, {"99999999999", 2147483647}};
  for (const Case& c : cases) EXPECT_EQ(TextMarkup::ParseNumber(c.text), c.value) << c.text;
  DWORD colour = 0;
  ASSERT_TRUE(TextMarkup::ParseRgb("0,128,255", &colour));
  EXPECT_EQ(colour, 0xFF8000u);
  ASSERT_TRUE(TextMarkup::ParseRgb("257,-1,2", &colour));
  EXPECT_EQ(colour, 0x02FF01u);
  EXPECT_FALSE(TextMarkup::ParseRgb("1,2,", &colour));
}

}  // namespace
