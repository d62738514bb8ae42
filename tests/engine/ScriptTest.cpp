// The script language end to end without a scene: resource texts are loaded and compiled, and
// small scripts run, recording what they compute through the game function "记录".
#include <gtest/gtest.h>

#include "tests/engine/ScriptFixture.h"

namespace scripttest {
namespace {

std::string Wrap(const std::string& body, const std::string& name = "t",
                 const std::string& params = "") {
  return "脚本开始 " + name + "(" + params + ");\r\n" + body + "\r\n脚本结束;\r\n";
}

// Loads one script named t with the body and runs it.
struct Ran {
  int loaded;
  int result;
  std::string log;
  std::vector<std::string> errors;
};

Ran RunBody(const std::string& body, const std::string& arguments = "",
            const std::string& params = "") {
  RecordingInterpreter interpreter;
  Ran ran{};
  ran.loaded = interpreter.LoadScript(ScriptValue(Wrap(body, "t", params)));
  interpreter.SetStepBudget(100000);
  ran.result = interpreter.StartScript(ScriptValue("t"), ScriptValue(arguments));
  ran.log = interpreter.Log();
  ran.errors = interpreter.errors;
  return ran;
}

struct LanguageCase {
  const char* what;
  const char* body;
  const char* log;
};

TEST(ScriptLanguage, ScriptsComputeWhatTheLanguageSays) {
  const LanguageCase cases[] = {
      {"levels", "x = 1 + 2 * 3; 记录(x);", "7"},
      {"parentheses", "x = (1 + 2) * 3; 记录(x);", "9"},
      {"left grouping", "x = 10 - 4 - 3; 记录(x);", "3"},
      {"unary minus", "x = -5 + 2; 记录(x);", "-3"},
      {"unary minus binds as 0 minus", "y = 3; x = 2 * -y; 记录(x);", "-3"},
      {"text type joins", "字符; x = 1 + 2; 记录(x);", "12"},
      {"integer type truncates", "整数; x = 7 / 2; 记录(x);", "3"},
      {"integer type reads leading digits", "整数; x = 1.5 + 2.5; 记录(x);", "3"},
      {"inferred decimal", "x = 7.0 / 2; 记录(x);", "3.500000"},
      {"inferred integer", "x = 7 / 2; 记录(x);", "3"},
      {"substring found", "x = \"abc\" - \"b\"; 记录(x);", "b"},
      {"substring missing", "x = \"abc\" - \"x\"; 记录(x);", "abc"},
      {"greater compares integers", "x = 2.9 > 2.1; 记录(x);", "FALSE"},
      {"less or equal", "x = 2 <= 3; y = 3 <= 2; 记录(x, y);", "TRUE,FALSE"},
      {"logic", "x = 1 && 0 || 1; 记录(x);", "TRUE"},
      {"bits group from the left", "x = 6 & 3 | 8; 记录(x);", "10"},
      {"remainder", "x = 17 % 5; 记录(x);", "2"},
      {"remainder by zero", "x = 7 % 0; y = 7 / 0; 记录(x, y);", "0,0"},
      {"undeclared name reads as itself", "记录(无名);", "无名"},
      {"call result in an expression", "x = RGB(1, 0, 0) + 1; 记录(x);", "2"},
      {"literal variable", "变量 v = a + b; 记录(v);", "a + b"},
      {"if true skips else", "如果 (2 > 1) { 记录(\"a\"); } 否则 { 记录(\"b\"); }", "a"},
      {"if false runs else", "如果 (1 > 2) { 记录(\"a\"); } 否则 { 记录(\"b\"); }", "b"},
      {"or is an independent test", "如果 (0) { 记录(1); } 或者 (1) { 记录(2); }", "2"},
      {"while", "i = 0; s = 0; 当 (i < 5) { s = s + i; i = i + 1; } 记录(s);", "10"},
      {"for", "s = 0; 从 (i = 0; i < 4; i = i + 1) { s = s + i; } 记录(s, i);", "6,4"},
      {"break leaves the loop",
       "i = 0; 当 (1) { i = i + 1; 如果 (i == 3) { { 跳出; } } } 记录(i);", "3"},
      {"while inside if closes once",
       "如果 (1) { i = 0; 当 (i < 2) { i = i + 1; } 记录(i); } 记录(\"after\");", "2|after"},
      {"jump back to a passed label",
       "n = 0; 标记 again; n = n + 1; 如果 (n < 3) { 跳转 again; } 记录(n);", "3"},
      {"jump forward is ignored", "跳转 later; 记录(\"x\"); 标记 later;", "x"},
      {"match finds its case",
       "v = \"乙\"; 匹配 v; 标记 甲; 记录(1); 返回; 标记 乙; 记录(2); 返回; 匹配完毕; 记录(3);",
       "2"},
      {"match without case goes on after the end word",
       "v = \"丙\"; 匹配 v; 标记 甲; 记录(1); 返回; 匹配完毕; 记录(3);", "3"},
      {"return ends the run", "记录(1); 返回; 记录(2);", "1"},
      {"comments", "记录(1); // 记录(2);\r\n记录(4); //", "1|4"},
  };
  for (const LanguageCase& c : cases) {
    const Ran ran = RunBody(c.body);
    EXPECT_EQ(ran.loaded, 1) << c.what;
    EXPECT_EQ(ran.result, SCRIPT_END) << c.what;
    EXPECT_EQ(ran.log, c.log) << c.what;
    EXPECT_TRUE(ran.errors.empty()) << c.what << ": " << (ran.errors.empty() ? "" : ran.errors[0]);
  }
}

struct ErrorCase {
  const char* what;
  const char* body;
  const char* message;
};

TEST(ScriptLanguage, FailuresStopTheRunWithTheirMessage) {
  const ErrorCase cases[] = {
      {"closing brace without block", "};", "右括号匹配错误!少了一个左括号,大哥!"},
      {"thirteen open blocks", "{ { { { { { { { { { { { { 记录(1); } } } } } } } } } } } } }",
       "段落嵌套过多!"},
      {"version", "解释器 2.0;", "脚本版本号过高,请换用更高级的脚本解释器!"},
      {"compute without operands", "传出 1; 运算 +;", "运算传入参数不能小于2,"},
      {"unknown operator", "传出 1,2; 运算 ^;", "无法匹配的运算操作符^!"},
      {"else without condition", "否则 { 记录(1); }", "Else语法错误，缺乏前置条件"},
      {"match without end word", "v = 1; 匹配 v;", "匹配错误，没有正确的结束语."},
      {"bare end word", "匹配完毕;", "脚本调用了一个无法识别的符号:匹配完毕!"},
      {"text that doubles without end", "x = \"ab\"; 当 (1) { x = x + x; }", "运算结果超长!"},
      {"global twice", "全局变量 g = 1; 全局变量 g = 2;", "脚本t全局变量g重复定义!"},
      {"empty input name", "传出 1,2; 传入 a,,b;", "传入：接受参数名不能为空!"},
      {"missing argument", "传出 1; 传入 a, b;", "t:GetParamValue错误,传入参数不足!"},
      {"unknown function",
       "不存在(1);",
       "<color=255>脚本<rgb=0,0,255;>t<rgb=255,255,255>调用了一个不支持的函数<rgb=0,255,0>不存在"},
      {"host function with too few arguments", "RGB(1, 2);",
       "<color=255>脚本<rgb=0,0,255;>t<rgb=255,255,255>调用函数<rgb=0,255,0>RGB"
       "<rgb=255,255,255>参数不足!"},
  };
  for (const ErrorCase& c : cases) {
    const Ran ran = RunBody(c.body);
    EXPECT_EQ(ran.result, SCRIPT_ERROR) << c.what;
    ASSERT_FALSE(ran.errors.empty()) << c.what;
    EXPECT_EQ(ran.errors.back().rfind(c.message, 0), 0u) << c.what << ": " << ran.errors.back();
    EXPECT_EQ(ran.log, "") << c.what;
  }
}

TEST(ScriptLanguage, ParametersBindArgumentsAndMissingOnesFail) {
  Ran ran = RunBody("记录(b, a);", "1,2", "a, b");
  EXPECT_EQ(ran.result, SCRIPT_END);
  EXPECT_EQ(ran.log, "2,1");
  ran = RunBody("记录(a);", "", "a");
  EXPECT_EQ(ran.result, SCRIPT_ERROR);
  ASSERT_EQ(ran.errors.size(), 1u);
  EXPECT_EQ(ran.errors[0], "t:GetParamValue错误,传入参数不足!");
}

TEST(ScriptLanguage, ScriptsCallScriptsAndTakeTheirResults) {
  RecordingInterpreter interpreter;
  const std::string text = Wrap("c = a + b; 传出 c, \"x,y\";", "加", "a, b") +
                           Wrap("p = 加(2, 3); 传入 s, t, u; 记录(s, t, u);", "主") +
                           Wrap("记录(q);", "二", "p, q") + Wrap("二(\"a,b\");", "引号");
  ASSERT_EQ(interpreter.LoadScript(ScriptValue(text)), 4);
  EXPECT_EQ(interpreter.StartScript(ScriptValue("主"), ScriptValue("")), SCRIPT_END);
  // The results come back as one comma-joined text, so a comma inside a value splits it.
  EXPECT_EQ(interpreter.Log(), "5,x,y");
  interpreter.log.clear();
  EXPECT_EQ(interpreter.StartScript(ScriptValue("引号"), ScriptValue("")), SCRIPT_END);
  EXPECT_EQ(interpreter.Log(), "b");
  EXPECT_EQ(interpreter.GetRunCount(), 0);
  EXPECT_TRUE(interpreter.errors.empty());

  EXPECT_EQ(interpreter.StartScript(ScriptValue("无此"), ScriptValue("")), SCRIPT_ERROR);
  ASSERT_EQ(interpreter.errors.size(), 1u);
  EXPECT_EQ(interpreter.errors[0], "<break;break;>   脚本运行错误,无此不存在!<break;break>");
}

TEST(ScriptLanguage, EndlessRecursionFailsInsteadOfOverflowingTheStack) {
  RecordingInterpreter interpreter;
  ASSERT_EQ(interpreter.LoadScript(ScriptValue(Wrap("记录(1); 自己();", "自己") +
                                               Wrap("触发脚本(\"触发\");", "触发"))),
            2);
  EXPECT_EQ(interpreter.StartScript(ScriptValue("自己"), ScriptValue("")), SCRIPT_ERROR);
  EXPECT_EQ(interpreter.log.size(), static_cast<size_t>(SCRIPT_CALL_DEPTH_MAX));
  ASSERT_FALSE(interpreter.errors.empty());
  EXPECT_NE(interpreter.errors[0].find("失败!"), std::string::npos);
  // A failed run stays in the list with its waiting callers.
  EXPECT_EQ(interpreter.GetRunCount(), SCRIPT_CALL_DEPTH_MAX);

  interpreter.errors.clear();
  EXPECT_EQ(interpreter.StartScript(ScriptValue("触发"), ScriptValue("")), SCRIPT_END);
  ASSERT_EQ(interpreter.errors.size(), 1u);
  EXPECT_NE(interpreter.errors[0].find("触发脚本"), std::string::npos);
}

TEST(ScriptLanguage, StepBudgetEndsAnEndlessLoop) {
  RecordingInterpreter interpreter;
  ASSERT_EQ(interpreter.LoadScript(ScriptValue(Wrap("当 (1) { x = 1; }"))), 1);
  interpreter.SetStepBudget(500);
  EXPECT_EQ(interpreter.StartScript(ScriptValue("t"), ScriptValue("")), SCRIPT_ERROR);
  EXPECT_EQ(interpreter.errors.size(), 1u);
}

// The worked example: each line after the header is indented by seven spaces.
TEST(ScriptCompiler, WorkedExampleCompilesLineByLine) {
  RecordingInterpreter interpreter;
  const ScriptValue compiled = interpreter.CompileScript(ScriptValue(
      "脚本开始 示例(a, b);\r\n"
      "x = a + b * 2;\r\n"
      "如果 (x > 10)\r\n"
      "{\r\n"
      "  f(x);\r\n"
      "}\r\n"
      "否则\r\n"
      "{\r\n"
      "  返回;\r\n"
      "}\r\n"
      "脚本结束;"));
  const char* const lines[] = {
      "脚本开始 示例(a, b);", "传出 b,2;",  "运算 *;",     "传入 缓存0;", "传出 a,缓存0;",
      "运算 +;",              "传入 x;",    "传出 x,10;",  "运算 >;",     "传入 缓存0;",
      "如果 缓存0;",          "{;",         "传出 x;",     "函数 f;",     "};",
      "否则;",                "{;",         "返回;",       "};",          "脚本结束;",
  };
  std::string expected;
  for (size_t i = 0; i < 20; ++i) {
    if (i != 0 && i != 19) expected += "       ";
    expected += std::string(lines[i]) + "\r\n";
  }
  EXPECT_EQ(compiled.Text(), expected);
  EXPECT_EQ(compiled.GetType(), SCRIPT_TYPE_STRING);
}

TEST(ScriptCompiler, StatementsLowerToTheirLines) {
  const struct {
    const char* source;
    const char* compiled;
  } cases[] = {
      {"x = -5;", "传出 0,5;|运算 -;|传入 x;"},
      {"f();", "函数 f;"},
      {"x = f();", "函数 f;|传入 x;"},
      {"x = y / f(z);", "传出 z;|函数 f;|传入 缓存0;|传出 y,缓存0;|运算 /;|传入 x;"},
      {"如果 (v) { }", "传出 v;|传入 缓存0;|如果 缓存0;|{;|};"},
      {"x = 1 + f();", "传入 x;"},
      {"x = (1 + 2;", "传出 1,2;|运算 +;|传入 x;"},
      {"x = f(1;", "传入 x;"},
      {"当 (i < 2) { i = i + 1; }",
       "%WhileStart%;|传出 i,2;|运算 <;|传入 缓存0;|当 缓存0;|传出 i,1;|运算 +;|传入 i;|};"},
      // Six temporaries at once: the sixth gets no name.
      {"x = (1*1) + ((1*1) + ((1*1) + ((1*1) + ((1*1) + (1*1)))));",
       "传出 1,1;|运算 *;|传入 缓存0;|传出 1,1;|运算 *;|传入 缓存1;|传出 1,1;|运算 *;|传入 缓存2;|"
       "传出 1,1;|运算 *;|传入 缓存3;|传出 1,1;|运算 *;|传入 缓存4;|传出 1,1;|运算 *;|传入 ;|"
       "传出 缓存4,;|运算 +;|传入 缓存4;|传出 缓存3,缓存4;|运算 +;|传入 缓存3;|"
       "传出 缓存2,缓存3;|运算 +;|传入 缓存2;|传出 缓存1,缓存2;|运算 +;|传入 缓存1;|"
       "传出 缓存0,缓存1;|运算 +;|传入 x;"},
  };
  RecordingInterpreter interpreter;
  for (const auto& c : cases) {
    std::string text = interpreter.CompileScript(ScriptValue(c.source)).Text();
    std::string lines;
    for (size_t at = 0; at < text.size();) {
      const size_t end = text.find("\r\n", at);
      std::string line = text.substr(at, end - at);
      ASSERT_EQ(line.rfind("       ", 0), 0u) << c.source;
      lines += (lines.empty() ? "" : "|") + line.substr(7);
      at = end + 2;
    }
    EXPECT_EQ(lines, c.compiled) << c.source;
  }
}

TEST(ScriptCompiler, WorkTablesAndScansAreBounded) {
  RecordingInterpreter interpreter;
  // 31 operands of a sum need 61 postfix entries; 25 nested products need 50 pending operators.
  std::string sum = "x = 1";
  for (int i = 0; i < 30; ++i) sum += " + 1";
  std::string nested = "x = ";
  for (int i = 0; i < 25; ++i) nested += "1 * (";
  nested += "1";
  for (int i = 0; i < 25; ++i) nested += ")";
  for (const std::string& source : {sum, nested}) {
    EXPECT_EQ(interpreter.CompileScript(ScriptValue(source + ";")).Text(), "       传入 x;\r\n");
  }
  // Twenty operands still fit.
  std::string small = "x = 1";
  for (int i = 0; i < 19; ++i) small += " + 1";
  const Ran ran = RunBody(small + "; 记录(x);");
  EXPECT_EQ(ran.log, "20");

  size_t used = 0;
  std::string error;
  EXPECT_EQ(ReadScriptCondition("(a > (b)", &used, &error), "");
  EXPECT_EQ(used, 0u);
  EXPECT_EQ(ReadScriptCondition("no parentheses", &used, &error), "");
  EXPECT_EQ(ReadScriptCondition(" (a (b) c) d", &used, &error), "a (b) c");
  EXPECT_EQ(used, 10u);
  EXPECT_EQ(ReadScriptCondition("(" + std::string(1025, 'a') + ")", &used, &error), "");
  EXPECT_EQ(error.rfind("条件超长:", 0), 0u);
  // A condition that never closes compiles to a false test instead of reading on.
  const Ran open = RunBody("如果 (1 > 0 { 记录(1); }");
  EXPECT_EQ(open.result, SCRIPT_ERROR);
}

TEST(ScriptCompiler, LoadingCutsRegistersAndRefuses) {
  RecordingInterpreter interpreter;
  // Comments run to the line's end, inside quotes too.
  ScriptValue commented("a \"x//y\" b\r\nc // d");
  ScriptInterpreter::StripComments(&commented);
  EXPECT_EQ(commented.Text(), "a \"xc ");

  std::string text = "前言 " + Wrap("记录(1);", "一") + "中间" + Wrap("记录(2);", "二") +
                     Wrap("记录(3);", "三") + Wrap("记录(4);", "一") + "脚本开始 四(); 记录(5);";
  EXPECT_EQ(interpreter.LoadScript(ScriptValue(text)), 4);
  EXPECT_EQ(interpreter.GetScriptCount(), 3);
  interpreter.StartScript(ScriptValue("一"), ScriptValue(""));
  EXPECT_EQ(interpreter.Log(), "1");

  // A header without parentheses fails the load; the scripts before it stay.
  EXPECT_EQ(interpreter.LoadScript(ScriptValue(Wrap("记录(6);", "五") +
                                               "脚本开始 六; 记录(7); 脚本结束;")),
            -1);
  EXPECT_EQ(interpreter.GetScriptCount(), 4);
  EXPECT_EQ(interpreter.LoadScript(ScriptValue("脚本开始 (); 脚本结束;")), -1);
  ASSERT_FALSE(interpreter.errors.empty());
  EXPECT_EQ(interpreter.errors.back(), "脚本名为空!");
  const std::string longName(33, 'n');
  EXPECT_EQ(interpreter.LoadScript(ScriptValue(Wrap("", longName))), -1);
  EXPECT_EQ(interpreter.errors.back(), "脚本名为空!");
  const std::string longTarget(257, 'v');
  EXPECT_EQ(interpreter.LoadScript(ScriptValue(Wrap(longTarget + " = 1;", "长"))), -1);
  EXPECT_EQ(interpreter.errors.back().rfind("前缀超长:", 0), 0u);
}

TEST(ScriptStatements, ArgumentItemsAndSplitting) {
  ScriptRun run;
  ASSERT_EQ(run.Init(ScriptValue("脚本开始 s();\r\n       传出 \"a, b\",local,,undeclared;\r\n脚本结束;")),
            1);
  run.SetVariable(ScriptValue("local"), ScriptValue::FromInt(42));
  EXPECT_EQ(run.Execute(), SCRIPT_NEXT);
  EXPECT_EQ(run.Execute(), SCRIPT_NEXT);
  ASSERT_EQ(run.ArgumentCount(), 4);
  EXPECT_EQ(run.GetArgument(0).Text(), "a, b");
  EXPECT_EQ(run.GetArgument(1).GetType(), SCRIPT_TYPE_INT);
  EXPECT_EQ(run.GetArgument(1).Text(), "42");
  EXPECT_EQ(run.GetArgument(2).GetType(), 0);
  EXPECT_EQ(run.GetArgument(3).Text(), "undeclared");
  EXPECT_EQ(run.JoinArguments().Text(), "a, b,42,,undeclared");
  EXPECT_EQ(run.Execute(), SCRIPT_END);

  run.ClearArguments();
  EXPECT_EQ(run.SplitArguments(" x , \"y,z\" ,, w ,  "), 4);
  EXPECT_EQ(run.GetArgument(0).Text(), "x");
  EXPECT_EQ(run.GetArgument(1).Text(), "\"y,z\"");
  EXPECT_EQ(run.GetArgument(2).Text(), "");
  EXPECT_EQ(run.GetArgument(3).Text(), "w");
  EXPECT_EQ(CountScriptArguments("a, f(b, c), \"d,e\""), 3);
  EXPECT_EQ(CountScriptArguments(""), 0);
  EXPECT_EQ(CountScriptArguments("a,"), 1);
}

TEST(ScriptStatements, LongKeywordsAreSkippedByteByByte) {
  ScriptRun run;
  ASSERT_EQ(run.Init(ScriptValue("脚本开始 s();\r\n" + std::string(20, 'k') + ";")), 1);
  int code = SCRIPT_NEXT;
  int steps = 0;
  while (code == SCRIPT_NEXT && steps < 100) {
    code = run.Execute();
    ++steps;
  }
  EXPECT_EQ(code, SCRIPT_ERROR);
  EXPECT_EQ(run.GetErrorText().Text(), "脚本调用了一个无法识别的符号:" + std::string(16, 'k') + "!");
}

TEST(ScriptStatements, DamagedCompiledTextEndsWithoutReadingPastIt) {
  const char* const texts[] = {
      "脚本开始 s(); 如果 x; {; 记录 1;",  "脚本开始 s(); 传出 1; 否则; {;",
      "脚本开始 s(); %WhileStart%; 当 0;", "脚本开始 s(); %ForStart%; x;",
      "脚本开始 s(); {; 跳出;",             "脚本开始 s(); 传出 \"open;",
      "脚本开始 s(); 变量 v = 99999; 跳转 v;",
  };
  for (const char* text : texts) {
    ScriptRun run;
    ASSERT_EQ(run.Init(ScriptValue(text)), 1) << text;
    int code = SCRIPT_NEXT;
    for (int steps = 0; steps < 200 && (code == SCRIPT_NEXT || code == SCRIPT_CALL); ++steps) {
      code = run.Execute();
    }
    EXPECT_TRUE(code == SCRIPT_END || code == SCRIPT_ERROR) << text << " " << code;
  }
}

}  // namespace
}  // namespace scripttest
