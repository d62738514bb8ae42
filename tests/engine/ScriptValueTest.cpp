// The script value: type inference, the parses, left-typed arithmetic and comparison.
#include <gtest/gtest.h>

#include <string>

#include "engine/ScriptValue.h"

namespace {

ScriptValue V(const std::string& text, uint8_t type, uint8_t flag = 0) { return ScriptValue(text, type, flag); }

TEST(ScriptValueTest, InferType) {
  struct Case {
    const char* text;
    uint8_t type;
  } cases[] = {
      {"12", SCRIPT_TYPE_INT},      {"-3", SCRIPT_TYPE_INT},       {"+7", SCRIPT_TYPE_INT},
      {"", SCRIPT_TYPE_INT},        {"+", SCRIPT_TYPE_INT},        {"-", SCRIPT_TYPE_INT},
      {"1.5", SCRIPT_TYPE_DOUBLE},  {"1.2.3", SCRIPT_TYPE_DOUBLE}, {".", SCRIPT_TYPE_DOUBLE},
      {"1 2", SCRIPT_TYPE_STRING},  {"3-4", SCRIPT_TYPE_STRING},   {"abc", SCRIPT_TYPE_STRING},
      {"--1", SCRIPT_TYPE_STRING},  {"１", SCRIPT_TYPE_STRING},
  };
  for (const Case& c : cases) {
    ScriptValue v(c.text, 0, 9);
    v.InferType();
    EXPECT_EQ(v.GetType(), c.type) << c.text;
    EXPECT_EQ(v.GetFlag(), 9) << "the flag stays";
  }
}

TEST(ScriptValueTest, Parses) {
  struct Case {
    const char* text;
    int32_t toInt;
    int32_t toBool;
    double toDouble;
  } cases[] = {
      {"TRUE", 0, 1, 0.0},           {"FALSE", 0, 0, 0.0},
      {"true", 0, 0, 0.0},           {"5", 5, 5, 5.0},
      {"  -42abc", -42, -42, -42.0}, {"\t+8", 8, 8, 8.0},
      {"2.9", 2, 2, 2.9},            {"x1", 0, 0, 0.0},
      {"99999999999", INT32_MAX, INT32_MAX, 99999999999.0},
      {"-99999999999", INT32_MIN, INT32_MIN, -99999999999.0},
  };
  for (const Case& c : cases) {
    ScriptValue v(c.text);
    EXPECT_EQ(v.ToInt(), c.toInt) << c.text;
    EXPECT_EQ(v.ToBool(), c.toBool) << c.text;
    EXPECT_DOUBLE_EQ(v.ToDouble(), c.toDouble) << c.text;
  }
  EXPECT_EQ(ScriptValue::FromDouble(1.5).GetString(), "1.500000");
  EXPECT_EQ(ScriptValue::FromBool(-3).GetString(), "TRUE");
  EXPECT_EQ(ScriptValue::FromUnsigned(4000000000u).GetString(), "4000000000");
  EXPECT_EQ(ScriptValue("ab").GetAt(1), 'b');
  EXPECT_EQ(ScriptValue("ab").GetAt(2), 0);
  EXPECT_EQ(ScriptValue("ab").GetAt(100), 0);
}

TEST(ScriptValueTest, FindUnquoted) {
  const ScriptValue v("a\"b;c\";d");
  EXPECT_EQ(v.FindUnquoted(';', 0), 6u);
  // Quotes are counted from the start index: from inside the quotes the first ';' looks outside.
  EXPECT_EQ(v.FindUnquoted(';', 2), 3u);
  EXPECT_EQ(v.FindUnquoted('"', 0), 1u);
  EXPECT_EQ(ScriptValue("abc").FindUnquoted(';', 0), 3u);
  EXPECT_EQ(ScriptValue("abc").FindUnquoted(';', 10), 3u);
}

TEST(ScriptValueTest, Arithmetic) {
  struct Case {
    const char* what;
    ScriptValue result;
    const char* text;
    uint8_t type;
    uint8_t flag;
  } cases[] = {
      {"INT + text read as integer", V("7", SCRIPT_TYPE_INT, 1) + V("2.9", SCRIPT_TYPE_STRING, 2), "9",
       SCRIPT_TYPE_INT, 1},
      {"DOUBLE + INT", V("2.9", SCRIPT_TYPE_DOUBLE, 1) + V("7", SCRIPT_TYPE_INT, 2), "9.900000", SCRIPT_TYPE_DOUBLE,
       2},
      {"UNSIGNED gives INT", V("4294967295", SCRIPT_TYPE_UNSIGNED) + V("1", SCRIPT_TYPE_INT), "-2147483648",
       SCRIPT_TYPE_INT, 0},
      {"BOOL reads as 0", V("TRUE", SCRIPT_TYPE_BOOL) + V("3", SCRIPT_TYPE_INT), "3", SCRIPT_TYPE_INT, 0},
      {"INT wraps", V("2147483647", SCRIPT_TYPE_INT) + V("1", SCRIPT_TYPE_INT), "-2147483648", SCRIPT_TYPE_INT, 0},
      {"INT product wraps", V("65536", SCRIPT_TYPE_INT) * V("65536", SCRIPT_TYPE_INT), "0", SCRIPT_TYPE_INT, 0},
      {"INT quotient truncates", V("-7", SCRIPT_TYPE_INT) / V("2", SCRIPT_TYPE_INT), "-3", SCRIPT_TYPE_INT, 0},
      {"INT divided by zero", V("7", SCRIPT_TYPE_INT, 4) / V("0", SCRIPT_TYPE_INT), "0", SCRIPT_TYPE_INT, 4},
      {"INT_MIN / -1 wraps", V("-2147483648", SCRIPT_TYPE_INT) / V("-1", SCRIPT_TYPE_INT), "-2147483648",
       SCRIPT_TYPE_INT, 0},
      {"DOUBLE quotient", V("1", SCRIPT_TYPE_DOUBLE) / V("4", SCRIPT_TYPE_INT), "0.250000", SCRIPT_TYPE_DOUBLE, 0},
      {"STRING +", V("ab", SCRIPT_TYPE_STRING, 3) + V("cd", SCRIPT_TYPE_INT, 5), "abcd", SCRIPT_TYPE_STRING, 3},
      {"STRING *", V("ab", SCRIPT_TYPE_STRING) * V("cd", SCRIPT_TYPE_STRING), "abcd", SCRIPT_TYPE_STRING, 0},
      {"no type concatenates", V("1", 0) + V("2", SCRIPT_TYPE_INT), "12", SCRIPT_TYPE_STRING, 0},
      {"STRING - found", V("abcd", SCRIPT_TYPE_STRING, 3) - V("bc", SCRIPT_TYPE_STRING), "bc", SCRIPT_TYPE_STRING,
       0},
      {"STRING - not found", V("abcd", 0, 3) - V("xy", SCRIPT_TYPE_STRING), "abcd", 0, 3},
      {"STRING /", V("abcd", SCRIPT_TYPE_STRING) / V("bc", SCRIPT_TYPE_STRING), "bc", SCRIPT_TYPE_STRING, 0},
      {"string + value", "x=" + V("5", SCRIPT_TYPE_INT, 7), "x=5", SCRIPT_TYPE_STRING, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.result.GetString(), c.text) << c.what;
    EXPECT_EQ(c.result.GetType(), c.type) << c.what;
    EXPECT_EQ(c.result.GetFlag(), c.flag) << c.what;
  }
}

TEST(ScriptValueTest, Comparisons) {
  struct Case {
    const char* what;
    ScriptValue left, right;
    bool equal, less;
  } cases[] = {
      {"BOOL TRUE == BOOL FALSE", V("TRUE", SCRIPT_TYPE_BOOL), V("FALSE", SCRIPT_TYPE_BOOL), true, false},
      {"STRING TRUE != STRING FALSE", V("TRUE", SCRIPT_TYPE_STRING), V("FALSE", SCRIPT_TYPE_STRING), false, false},
      {"STRING 10 < 9", V("10", SCRIPT_TYPE_STRING), V("9", SCRIPT_TYPE_STRING), false, true},
      {"INT 10 not < 9", V("10", SCRIPT_TYPE_INT), V("9", SCRIPT_TYPE_STRING), false, false},
      {"INT signed", V("-1", SCRIPT_TYPE_UNSIGNED), V("0", SCRIPT_TYPE_INT), false, true},
      {"DOUBLE", V("1.5", SCRIPT_TYPE_DOUBLE), V("1.50", SCRIPT_TYPE_STRING), true, false},
      {"prefix is smaller", V("ab", 0), V("abc", 0), false, true},
      {"bytes compare unsigned", V("\xb0\xa1", SCRIPT_TYPE_STRING), V("z", SCRIPT_TYPE_STRING), false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.left == c.right, c.equal) << c.what;
    EXPECT_EQ(c.left != c.right, !c.equal) << c.what;
    EXPECT_EQ(c.left < c.right, c.less) << c.what;
    EXPECT_EQ(c.left >= c.right, !c.less) << c.what;
  }
  EXPECT_EQ(ScriptValue("abc").EqualsText("abc"), 1);
  EXPECT_EQ(ScriptValue("abc").EqualsText("ABC"), 0);
  EXPECT_EQ(ScriptValue("abc").NotEqualsText("ABC"), 1);
  EXPECT_EQ(ScriptValue("2.5").GreaterThan(2.4), 1);
  EXPECT_EQ(ScriptValue("2.5").GreaterThan(2.5), 0);
}

TEST(ScriptValueTest, AssignmentAndAppend) {
  ScriptValue v("a", SCRIPT_TYPE_INT, 6);
  v.Append("b");
  EXPECT_EQ(v.GetString(), "ab");
  EXPECT_EQ(v.GetType(), SCRIPT_TYPE_STRING);
  EXPECT_EQ(v.GetFlag(), 6);
  v += int32_t(-1);
  EXPECT_EQ(v.GetString(), "ab-1");
  EXPECT_EQ(v.GetType(), SCRIPT_TYPE_INT);
  v += 0.5;
  EXPECT_EQ(v.GetString(), "ab-10.500000");
  EXPECT_EQ(v.GetType(), SCRIPT_TYPE_DOUBLE);
  v += uint32_t(7);
  EXPECT_EQ(v.GetType(), SCRIPT_TYPE_UNSIGNED);
  EXPECT_EQ(v.GetFlag(), 6);
  v += V("!", SCRIPT_TYPE_BOOL, 2);
  EXPECT_EQ(v.GetString(), "ab-10.5000007!");
  EXPECT_EQ(v.GetType(), SCRIPT_TYPE_BOOL);
  EXPECT_EQ(v.GetFlag(), 2);

  v.AssignText("t");
  EXPECT_EQ(v.GetType(), SCRIPT_TYPE_STRING);
  EXPECT_EQ(v.GetFlag(), 2);
  v.AssignString("s");
  EXPECT_EQ(v.GetFlag(), 0);
  v.SetType(SCRIPT_TYPE_INT, 8);
  v.ClearType();
  EXPECT_EQ(v.GetType(), 0);
  EXPECT_EQ(v.GetFlag(), 8);
  ScriptValue copy(v);
  EXPECT_EQ(copy.GetString(), "s");
  EXPECT_EQ(copy.GetFlag(), 8);
  EXPECT_EQ(ScriptValue().GetType(), 0);
}

}  // namespace
