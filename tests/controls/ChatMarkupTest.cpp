// The chat markup as a table: marked-up texts and the pieces and formats they give.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/ChatMarkup.h"

namespace {

// A compact picture of one piece: "T" or "-" (tag or not), the text, and the format of a tag.
struct Expect {
  bool hasTag;
  std::string text;
  int size = 180;
  COLORREF color = 0;
  std::string flags = "";  // letters b, i, u, l, p in that order
  std::string link = "";
  int picture = -999;  // -999: no picture
  std::string face = "宋体";
};

std::string Flags(const ChatTagFormat& f) {
  std::string s;
  if (f.bold) s += 'b';
  if (f.italic) s += 'i';
  if (f.underline) s += 'u';
  if (f.link) s += 'l';
  if (f.sign) s += 'p';
  return s;
}

struct Case {
  const char* name;
  const char* markup;
  int largest;
  bool links;
  std::vector<Expect> pieces;
};

const std::vector<Case>& Cases() {
  static const std::vector<Case> cases = {
      {"plain text is one untagged piece", "hello world", 2000, true, {{false, "hello world"}}},
      {"empty text gives nothing", "", 2000, true, {}},
      {"a lone < is shown literally", "a<b", 2000, true, {{false, "a"}, {false, "<b"}}},
      {"> without a tag is text", "a>b", 2000, true, {{false, "a>b"}}},
      {"size above the largest is cut", "<s=9999>x", 2000, true, {{true, "x", 2000}}},
      {"the chat pane's largest size", "<s=9999>x", 300, true, {{true, "x", 300}}},
      {"size that is no number is 0", "<s=abc>x", 2000, true, {{true, "x", 0}}},
      {"a size key after a letter is absent", "<ls=300>x", 2000, true, {{true, "x", 180}}},
      {"a key after a space counts", "<s=100 c=255>x", 2000, true, {{true, "x", 100, 255}}},
      {"only the first occurrence counts", "<xs=5,s=90>x", 2000, true, {{true, "x", 180}}},
      {"red, bold, underlined", "<c=255,e=bu>x", 2000, true, {{true, "x", 180, 255, "bu"}}},
      {"every effect letter", "<e=zuibq>x", 2000, true, {{true, "x", 180, 0, "biu"}}},
      {"a link while links are enabled", "<e=l,l=T>W", 2000, true, {{true, "W", 180, 0, "l", "T"}}},
      {"no link while links are disabled", "<e=l,l=T>W", 2000, false, {{true, "W", 180, 0, "", "T"}}},
      {"the sign letter", "<e=lp,l=T>W", 2000, true, {{true, "W", 180, 0, "lp", "T"}}},
      {"face up to the next comma", "<f=黑体,s=200>x", 2000, true, {{true, "x", 200, 0, "", "", -999, "黑体"}}},
      {"face up to the end of the tag", "<s=200,f=Arial>x", 2000, true,
       {{true, "x", 200, 0, "", "", -999, "Arial"}}},
      {"empty tag is the plain format", "<>", 2000, true, {{true, ""}}},
      {"unknown tag is the plain format", "<notify>abc", 2000, true, {{true, "abc"}}},
      {"picture alone appends no text", "<z=7>", 2000, true, {{true, "", 180, 0, "", "", 7}}},
      {"picture number is three characters", "<z=1234>", 2000, true, {{true, "", 180, 0, "", "", 123}}},
      {"picture number ends at the tag", "<z=>12", 2000, true, {{true, "12", 180, 0, "", "", 0}}},
      {"picture number 5 then text", "<z=5>ab", 2000, true, {{true, "ab", 180, 0, "", "", 5}}},
      {"the system notice prefix is picture 0", " <z=kv系统通知> <c=255>text\r\n", 2000, true,
       {{false, " "}, {true, " ", 180, 0, "", "", 0}, {true, "text\r\n", 180, 255}}},
      {"the chat echo", " 我说：<c=8421440>word<>\r\n", 300, true,
       {{false, " 我说："}, {true, "word", 180, 8421440}, {true, "\r\n"}}},
      {"a face text", "<><z=5>", 2000, true, {{true, ""}, {true, "", 180, 0, "", "", 5}}},
      {"the welcome line", " 欢迎来到<s=180,c=10715996,e=b>房间\r\n<> 您的位置：桌 \r\n", 300, true,
       {{false, " 欢迎来到"}, {true, "房间\r\n", 180, 10715996, "b"}, {true, " 您的位置：桌 \r\n"}}},
      {"a negative colour is kept as its bits", "<c=-1>x", 2000, true, {{true, "x", 180, 0xFFFFFFFF}}},
      {"a huge size saturates instead of overflowing", "<s=99999999999999999999>x", 2000, true,
       {{true, "x", 2000}}},
      {"a huge negative size saturates", "<s=-99999999999999999999>x", 2000, true, {{true, "x", INT_MIN}}},
  };
  return cases;
}

TEST(ChatMarkup, TableOfMarkedUpLines) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.name);
    std::vector<ChatPiece> pieces = ChatMarkup::Parse(c.markup, c.largest, c.links);
    ASSERT_EQ(pieces.size(), c.pieces.size());
    for (size_t i = 0; i < pieces.size(); ++i) {
      SCOPED_TRACE("piece " + std::to_string(i));
      const Expect& e = c.pieces[i];
      EXPECT_EQ(pieces[i].hasTag, e.hasTag);
      EXPECT_EQ(pieces[i].text, e.text);
      if (!e.hasTag) continue;
      const ChatTagFormat& f = pieces[i].format;
      EXPECT_EQ(f.size, e.size);
      EXPECT_EQ(f.color, e.color);
      EXPECT_EQ(Flags(f), e.flags);
      EXPECT_EQ(f.linkTarget, e.link);
      EXPECT_EQ(f.face, e.face);
      EXPECT_EQ(f.hasPicture, e.picture != -999);
      if (e.picture != -999) {
        EXPECT_EQ(f.picture, e.picture);
      }
    }
  }
}

TEST(ChatMarkup, CuttingKeepsEveryByte) {
  const char* text = "<a>1<b>2<<3";
  std::vector<std::string_view> pieces = ChatMarkup::Cut(text);
  std::vector<std::string> got(pieces.begin(), pieces.end());
  EXPECT_EQ(got, (std::vector<std::string>{"", "<a>1", "<b>2", "<", "<3"}));
}

TEST(ChatMarkup, LongValuesAreCutToTheirFields) {
  std::string face(40, 'F');
  std::string link(300, 'L');
  ChatTagFormat f = ChatMarkup::ParseTag("<f=" + face + ",l=" + link + ">", 2000, true);
  EXPECT_EQ(f.face, std::string(31, 'F'));
  EXPECT_EQ(f.linkTarget, std::string(255, 'L'));

  // A double-byte character that would straddle the limit is left out whole.
  std::string gbkFace = std::string(30, 'F') + "体";
  f = ChatMarkup::ParseTag("<f=" + gbkFace + ">", 2000, true);
  EXPECT_EQ(f.face, std::string(30, 'F'));
}

TEST(ChatMarkup, PicturePathIsBounded) {
  char path[260];
  ASSERT_TRUE(ChatMarkup::FormatPicturePath("C:\\hall\\Share\\Image\\face\\", 5, path, sizeof path));
  EXPECT_STREQ(path, "C:\\hall\\Share\\Image\\face\\5.bmp");
  ASSERT_TRUE(ChatMarkup::FormatPicturePath("", -12, path, sizeof path));
  EXPECT_STREQ(path, "-12.bmp");

  // 254 characters of folder and "5.bmp" fill exactly 259 characters and the terminator;
  // one more character of folder no longer fits and nothing is formatted.
  std::string folder(254, 'd');
  ASSERT_TRUE(ChatMarkup::FormatPicturePath(folder.c_str(), 5, path, sizeof path));
  EXPECT_EQ(std::string(path).size(), 259u);
  folder += 'd';
  EXPECT_FALSE(ChatMarkup::FormatPicturePath(folder.c_str(), 5, path, sizeof path));
  EXPECT_STREQ(path, "");
}

TEST(ChatMarkup, NumbersReadAsAtoiWithinTheirText) {
  EXPECT_EQ(ChatMarkup::ReadNumber("  42abc"), 42);
  EXPECT_EQ(ChatMarkup::ReadNumber("-7"), -7);
  EXPECT_EQ(ChatMarkup::ReadNumber("+8"), 8);
  EXPECT_EQ(ChatMarkup::ReadNumber("x1"), 0);
  EXPECT_EQ(ChatMarkup::ReadNumber(""), 0);
  EXPECT_EQ(ChatMarkup::ReadNumber(std::string_view("123456", 2)), 12);
  EXPECT_EQ(ChatMarkup::ReadNumber("2147483647"), 2147483647);
  EXPECT_EQ(ChatMarkup::ReadNumber("2147483648"), 2147483647);
  EXPECT_EQ(ChatMarkup::ReadNumber("-2147483648"), INT_MIN);
}

}  // namespace
