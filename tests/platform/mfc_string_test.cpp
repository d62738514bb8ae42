// CString: construction, editing, searching, trimming, case folding and formatting, with the
// double-byte cases where a GBK trail byte equals an ASCII character.
#include <gtest/gtest.h>

#include <string>

#include "platform/mfc/String.h"

namespace {

// Characters whose trail byte is an ASCII character (the build turns these literals into GBK).
const char SLASH_CHAR[] = "誠";  // D5 5C: trail byte '\'
const char BAR_CHAR[] = "亅";    // 81 7C: trail byte '|'
const char A_CHAR[] = "華";      // C8 41: trail byte 'A'
const char a_CHAR[] = "誥";      // D5 61: trail byte 'a'

TEST(CStringGbk, TestCharactersHaveAsciiTrailBytes) {
  EXPECT_EQ(std::string("\xD5\x5C"), SLASH_CHAR);
  EXPECT_EQ(std::string("\x81\x7C"), BAR_CHAR);
  EXPECT_EQ(std::string("\xC8\x41"), A_CHAR);
  EXPECT_EQ(std::string("\xD5\x61"), a_CHAR);
}

TEST(CString, ConstructionAndBasics) {
  CString empty;
  EXPECT_TRUE(empty.IsEmpty());
  EXPECT_EQ(0, empty.GetLength());
  EXPECT_STREQ("", (LPCTSTR)empty);
  CString fromNull((LPCTSTR) nullptr);
  EXPECT_TRUE(fromNull.IsEmpty());
  CString repeated('x', 3);
  EXPECT_STREQ("xxx", repeated);
  CString counted("abcdef", 4);
  EXPECT_STREQ("abcd", counted);
  CString copy(counted);
  copy.SetAt(0, 'Z');
  EXPECT_STREQ("abcd", counted);  // copies are independent
  EXPECT_STREQ("Zbcd", copy);
  EXPECT_EQ('b', copy[1]);
  EXPECT_EQ('c', copy[size_t{2}]);
  EXPECT_EQ(0, copy[-1]);
  EXPECT_EQ('d', copy.GetAt(3));
  EXPECT_EQ(0, copy.GetAt(4));   // outside: reads 0
  copy.SetAt(9, 'q');            // outside: writes nothing
  EXPECT_STREQ("Zbcd", copy);
  copy.Empty();
  EXPECT_TRUE(copy.IsEmpty());

  CString s = "ab";
  s += "cd";
  s += 'e';
  s += CString("f");
  EXPECT_STREQ("abcdef", s);
  EXPECT_STREQ("xabcdef!", "x" + s + '!');
  EXPECT_STREQ("abcdefabcdef", s + s);
}

TEST(CString, Comparisons) {
  CString s = "Hello";
  EXPECT_EQ(0, s.Compare("Hello"));
  EXPECT_LT(s.Compare("hello"), 0);
  EXPECT_GT(s.Compare("Hell"), 0);
  EXPECT_EQ(0, s.CompareNoCase("hELLO"));
  EXPECT_GT(s.CompareNoCase("HELL"), 0);
  EXPECT_LT(CString("abc").CompareNoCase("ABD"), 0);
  EXPECT_TRUE(s == "Hello");
  EXPECT_TRUE("Hello" == s);
  EXPECT_TRUE(s != "hello");
  EXPECT_TRUE(CString("a") < CString("b"));
  EXPECT_TRUE(CString("b") > "a");
  EXPECT_TRUE(CString("a") <= "a");
  EXPECT_TRUE("b" >= CString("a"));
  // High bytes compare as unsigned: a GBK character sorts after ASCII.
  EXPECT_GT(CString(A_CHAR).Compare("z"), 0);
  // Folding never touches the bytes of double-byte characters: 華 (C8 41) is not 萢 (C8 61).
  EXPECT_NE(0, CString("華").CompareNoCase("萢"));
  EXPECT_EQ(0, CString("x華Y").CompareNoCase("X華y"));
}

TEST(CString, Extraction) {
  struct Case {
    const char* source;
    int first;
    int count;  // -1: Mid(first)
    const char* mid;
  };
  const Case cases[] = {
      {"abcdef", 2, 3, "cde"}, {"abcdef", 2, -1, "cdef"}, {"abcdef", 4, 10, "ef"},
      {"abcdef", 6, 1, ""},    {"abcdef", 9, -1, ""},     {"abcdef", -3, 2, "ab"},
  };
  for (const Case& c : cases) {
    CString s(c.source);
    CString got = c.count < 0 ? s.Mid(c.first) : s.Mid(c.first, c.count);
    EXPECT_STREQ(c.mid, got) << c.source << " " << c.first << " " << c.count;
  }
  CString s("abcdef");
  EXPECT_STREQ("", s.Mid(1, -5));
  EXPECT_STREQ("ab", s.Left(2));
  EXPECT_STREQ("abcdef", s.Left(99));
  EXPECT_STREQ("", s.Left(-1));
  EXPECT_STREQ("ef", s.Right(2));
  EXPECT_STREQ("abcdef", s.Right(99));
  EXPECT_STREQ("", s.Right(-2));
  EXPECT_STREQ("abc", CString("abc123").SpanIncluding("cba"));
  EXPECT_STREQ("abc", CString("abc;def").SpanExcluding(";,"));
}

TEST(CString, FindTable) {
  struct Case {
    std::string source;
    char ch;
    const char* sub;  // null: search for ch
    int start;
    int expect;
  };
  const std::string slash = SLASH_CHAR;
  const std::string bar = BAR_CHAR;
  const Case cases[] = {
      {"a\\b\\c", '\\', nullptr, 0, 1},
      {"a\\b\\c", '\\', nullptr, 2, 3},
      {"a\\b\\c", '\\', nullptr, 4, -1},
      {"a\\b\\c", '\\', nullptr, 99, -1},
      {"a\\b\\c", '\\', nullptr, -1, -1},
      // A trail byte '\' is not a backslash.
      {slash + "x\\", '\\', nullptr, 0, 3},
      {slash + slash, '\\', nullptr, 0, -1},
      {bar + "|", '|', nullptr, 0, 2},
      {"hello world", 0, "o w", 0, 4},
      {"hello world", 0, "o", 5, 7},
      {"hello world", 0, "xyz", 0, -1},
      {"hello", 0, "", 2, 2},
      // "\|" made of the trail of 誠 and a real bar is not found; the real pair is.
      {slash + "|x\\|", 0, "\\|", 0, 4},
      {"ab" + slash, 0, slash.c_str(), 0, 2},
  };
  for (const Case& c : cases) {
    CString s(c.source.c_str());
    int got = c.sub ? s.Find(c.sub, c.start) : s.Find(c.ch, c.start);
    EXPECT_EQ(c.expect, got) << c.source << " / " << (c.sub ? c.sub : std::string(1, c.ch)) << " from " << c.start;
  }
  CString path = (std::string("c:\\game\\") + SLASH_CHAR + ".ini").c_str();
  EXPECT_EQ(7, path.ReverseFind('\\'));
  EXPECT_EQ(-1, CString(SLASH_CHAR).ReverseFind('\\'));
  EXPECT_EQ(2, CString((bar + "|,").c_str()).FindOneOf(",|"));
  EXPECT_EQ(0, CString((bar + "x").c_str()).FindOneOf(BAR_CHAR));
  EXPECT_EQ(-1, CString("abc").FindOneOf("xyz"));
}

TEST(CString, Editing) {
  CString s("a.b.c");
  EXPECT_EQ(2, s.Replace('.', '/'));
  EXPECT_STREQ("a/b/c", s);
  s = "one two one";
  EXPECT_EQ(2, s.Replace("one", "1"));
  EXPECT_STREQ("1 two 1", s);
  EXPECT_EQ(1, s.Replace("two", ""));
  EXPECT_STREQ("1  1", s);
  EXPECT_EQ(0, s.Replace("", "x"));
  s = "aaa";
  EXPECT_EQ(1, s.Replace("aa", "a"));  // left to right, no overlap
  EXPECT_STREQ("aa", s);

  std::string gbk = std::string(SLASH_CHAR) + "\\" + BAR_CHAR + "|";
  s = gbk.c_str();
  EXPECT_EQ(1, s.Replace('\\', '/'));
  EXPECT_EQ(std::string(SLASH_CHAR) + "/" + BAR_CHAR + "|", std::string(s));
  EXPECT_EQ(1, s.Remove('|'));
  EXPECT_EQ(std::string(SLASH_CHAR) + "/" + BAR_CHAR, std::string(s));
  s = (std::string("x\\") + SLASH_CHAR).c_str();
  EXPECT_EQ(1, s.Replace("\\", "\\\\"));
  EXPECT_EQ(std::string("x\\\\") + SLASH_CHAR, std::string(s));

  s = "abc";
  EXPECT_EQ(4, s.Insert(1, 'X'));
  EXPECT_STREQ("aXbc", s);
  EXPECT_EQ(6, s.Insert(99, "yz"));
  EXPECT_STREQ("aXbcyz", s);
  EXPECT_EQ(8, s.Insert(-5, "<>"));
  EXPECT_STREQ("<>aXbcyz", s);
  EXPECT_EQ(6, s.Delete(0, 2));
  EXPECT_STREQ("aXbcyz", s);
  EXPECT_EQ(3, s.Delete(3, 100));
  EXPECT_STREQ("aXb", s);
  EXPECT_EQ(3, s.Delete(7));
  EXPECT_EQ(2, s.Delete(1));
  EXPECT_STREQ("ab", s);
}

TEST(CString, CaseAndTrim) {
  std::string mixed = std::string("aB") + A_CHAR + a_CHAR + "z";
  CString s(mixed.c_str());
  s.MakeUpper();
  EXPECT_EQ(std::string("AB") + A_CHAR + a_CHAR + "Z", std::string(s));
  s.MakeLower();
  EXPECT_EQ(std::string("ab") + A_CHAR + a_CHAR + "z", std::string(s));

  struct Case {
    std::string source;
    const char* targets;  // null: white space
    int side;             // 0 left, 1 right, 2 both
    std::string expect;
  };
  const std::string slash = SLASH_CHAR;
  const Case cases[] = {
      {" \t x y \r\n", nullptr, 0, "x y \r\n"},
      {" \t x y \r\n", nullptr, 1, " \t x y"},
      {" \t x y \r\n", nullptr, 2, "x y"},
      {"   ", nullptr, 2, ""},
      {"\\\\path\\", "\\", 1, "\\\\path"},
      {"xxaxx", "x", 2, "a"},
      {"-+a+-", "+-", 2, "a"},
      // The trail byte of 誠 is not trimmed as a backslash.
      {"x" + slash, "\\", 1, "x" + slash},
      {slash + "\\\\", "\\", 1, slash},
      // A double-byte character in the set trims that character.
      {slash + slash + "a" + slash, SLASH_CHAR, 2, "a"},
  };
  for (const Case& c : cases) {
    CString t(c.source.c_str());
    if (c.side == 0) c.targets ? t.TrimLeft(c.targets) : t.TrimLeft();
    if (c.side == 1) c.targets ? t.TrimRight(c.targets) : t.TrimRight();
    if (c.side == 2) c.targets ? t.Trim(c.targets) : t.Trim();
    EXPECT_EQ(c.expect, std::string(t)) << "[" << c.source << "] side " << c.side;
  }
  CString u("..a..");
  u.Trim('.');
  EXPECT_STREQ("a", u);
}

TEST(CString, Format) {
  CString s;
  s.Format("%d-%s-%c-%.2f", 42, "x", 'y', 1.5);
  EXPECT_STREQ("42-x-y-1.50", s);
  CString name("abc");
  s.Format("[%s:%d]", name, 7);  // a CString argument is passed as its text
  EXPECT_STREQ("[abc:7]", s);
  s.AppendFormat("%05u", 12u);
  EXPECT_STREQ("[abc:7]00012", s);
  std::string big(5000, 'q');
  s.Format("%s|%s", big.c_str(), "end");
  EXPECT_EQ(5004, s.GetLength());
  EXPECT_EQ(4999, s.Find('|') - 1);
  s.Format("%s", "");
  EXPECT_TRUE(s.IsEmpty());
  s.Format("%s%d", "中文", 1);
  EXPECT_EQ(std::string("\xD6\xD0\xCE\xC4" "1"), std::string(s));
}

TEST(CString, Buffers) {
  CString s("abc");
  char* p = s.GetBuffer(10);
  strcpy(p, "hello");
  s.ReleaseBuffer();
  EXPECT_EQ(5, s.GetLength());
  EXPECT_STREQ("hello", s);

  p = s.GetBuffer(0);  // no growth: the text stays
  p[0] = 'J';
  s.ReleaseBuffer();
  EXPECT_STREQ("Jello", s);

  p = s.GetBufferSetLength(3);
  p[2] = 'L';
  s.ReleaseBuffer(3);
  EXPECT_STREQ("JeL", s);

  p = s.GetBuffer(20);
  memcpy(p, "abcdef", 6);
  s.ReleaseBuffer(4);  // an explicit length cuts
  EXPECT_STREQ("abcd", s);
  s.GetBuffer(2);
  s.ReleaseBuffer(100);  // a length beyond the buffer is clamped
  EXPECT_STREQ("abcd", s);

  CString e;
  e.GetBuffer(8);
  e.ReleaseBuffer();  // nothing written: still empty
  EXPECT_TRUE(e.IsEmpty());
}

const char* TestStrings(UINT id) { return id == 61 ? "通讯线程创建失败。" : nullptr; }

TEST(CString, LoadStringFromRegisteredTable) {
  CString s("old");
  EXPECT_FALSE(s.LoadString(61));  // no table yet
  EXPECT_TRUE(s.IsEmpty());
  AfxSetStringTable(TestStrings);
  EXPECT_TRUE(s.LoadString(61));
  EXPECT_STREQ("通讯线程创建失败。", s);
  EXPECT_FALSE(s.LoadString(62));
  EXPECT_TRUE(s.IsEmpty());
  AfxSetStringTable(nullptr);
}

}  // namespace
