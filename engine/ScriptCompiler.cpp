// Loading and compiling scripts: resource texts are cut into scripts, comments removed, and each
// script lowered into the statement text that ScriptRun executes. Infix expressions become
// "传出" (fill the argument vector), "运算" or "函数" (compute) and "传入" (store) lines through a
// shunting-yard pass over fixed work tables; conditions and loops become their statements and
// markers. Every table and every scan is bounded: an expression that would outgrow a table
// compiles to nothing, as other malformed expressions do.
#include <algorithm>

#include "engine/ScriptInterpreter.h"

namespace {

constexpr const char* kIndent = "       ";
constexpr const char* kLineEnd = "\r\n";
constexpr std::string_view kBeginWord = "脚本开始";
constexpr std::string_view kEndWord = "脚本结束";
constexpr std::string_view kTemporary = "缓存";

size_t SkipBlanks(std::string_view text, size_t at) {
  while (at < text.size() && IsScriptSpace(text[at])) ++at;
  return at;
}

// The index of the first `byte` at or after `from` outside double quotes; npos when none.
size_t FindOutsideQuotes(std::string_view text, char byte, size_t from) {
  bool quoted = false;
  for (size_t i = from; i < text.size(); ++i) {
    if (!quoted && text[i] == byte) return i;
    if (text[i] == '"') quoted = !quoted;
  }
  return std::string_view::npos;
}

bool IsWordStop(char c) {
  switch (c) {
    case '+': case '-': case '*': case '/': case '%': case '(': case ')': case '&': case '|':
    case '=': case '>': case '<': case '!': case ';': case ' ': case ',':
      return true;
    default:
      return false;
  }
}

int LevelOf(const std::string& t) {
  if (t.empty() || t == ";" || t == "(") return 0;
  if (t == ",") return 1;
  if (t == "&&" || t == "||") return 2;
  if (t == "&" || t == "|") return 3;
  if (t == ">" || t == "<" || t == "==" || t == ">=" || t == "<=" || t == "!=") return 4;
  if (t == "+" || t == "-") return 5;
  if (t == "*" || t == "/" || t == "%") return 10;
  return 15;
}

}  // namespace

bool IsScriptOperator(std::string_view t) {
  static const char* const kOperators[] = {"+", "*", "-",  "/",  "%",  ">",  "<", "==",
                                           ">=", "<=", "&&", "||", "&", "|", "!="};
  for (const char* op : kOperators) {
    if (t == op) return true;
  }
  return false;
}

bool IsOperatorByte(char c) {
  return c == '!' || c == '%' || c == '&' || c == '*' || c == '+' || c == '-' || c == '/' ||
         c == '<' || c == '=' || c == '>' || c == '|';
}

bool IsStatementWord(std::string_view t) {
  static const char* const kWords[] = {"并行", "整数", "小数", "句柄", "字符",
                                       "默认类型", "匹配完毕", "{", "}", "跳出"};
  for (const char* w : kWords) {
    if (t == w) return true;
  }
  return false;
}

bool IsUnaryMinusPosition(std::string_view text, size_t at) {
  size_t i = at;
  while (i > 0 && IsScriptSpace(text[i - 1])) --i;
  if (i == 0) return true;
  const char before = text[i - 1];
  return IsOperatorByte(before) || before == '(' || before == ',';
}

size_t FindClosingParen(std::string_view text, size_t from) {
  int depth = 1;
  bool quoted = false;
  for (size_t i = from; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    if (c == '(') {
      ++depth;
    } else if (c == ')' && --depth == 0) {
      return i;
    }
  }
  return std::string_view::npos;
}

bool IsScriptAssignment(std::string_view text) {
  const size_t end = std::min(FindOutsideQuotes(text, ';', 0), text.size());
  bool quoted = false;
  for (size_t i = 0; i < end; ++i) {
    const char c = text[i];
    if (c == '"') quoted = !quoted;
    if (quoted || c != '=') continue;
    const char before = i > 0 ? text[i - 1] : 0;
    const char after = i + 1 < end ? text[i + 1] : 0;
    if (before == '>' || before == '<' || before == '=' || before == '!') continue;
    if (after == '=') continue;
    return true;
  }
  return false;
}

std::string ReadScriptCondition(std::string_view text, size_t* consumed, std::string* error) {
  *consumed = 0;
  const size_t open = text.find('(');
  if (open == std::string_view::npos) return std::string();
  int depth = 0;
  for (size_t i = open; i < text.size(); ++i) {
    if (text[i] == '(') {
      ++depth;
    } else if (text[i] == ')' && --depth == 0) {
      *consumed = i + 1;
      const std::string_view inside = text.substr(open + 1, i - open - 1);
      if (inside.size() > SCRIPT_CONDITION_MAX) {
        if (error) *error = FormatScriptText("条件超长:%s", text);
        return std::string();
      }
      return std::string(inside);
    }
  }
  return std::string();
}

ScriptToken ReadExpressionToken(std::string_view text, size_t at) {
  ScriptToken token;
  size_t i = SkipBlanks(text, at);
  if (i >= text.size()) {
    token.consumed = i - at;
    return token;
  }
  static const char* const kTwoByte[] = {"==", "&&", "||", ">=", "<=", "!="};
  for (const char* op : kTwoByte) {
    if (text.substr(i, 2) == op) {
      token.text = op;
      token.kind = 2;
      token.consumed = i + 2 - at;
      return token;
    }
  }
  const char c = text[i];
  if (std::string_view("+-*/%&|><").find(c) != std::string_view::npos) {
    token.text.assign(1, c);
    token.kind = 2;
    token.consumed = i + 1 - at;
    return token;
  }
  if (c == ';' || c == '(' || c == ')' || c == ',') {
    token.text.assign(1, c);
    token.kind = 0;
    token.consumed = i + 1 - at;
    return token;
  }
  const size_t start = i;
  bool quoted = false;
  while (i < text.size() && (quoted || !IsWordStop(text[i]))) {
    if (text[i] == '"') quoted = !quoted;
    ++i;
  }
  token.text.assign(text.substr(start, i - start));
  if (token.text.empty()) {
    token.consumed = i - at;
    return token;
  }
  if (IsStatementWord(token.text)) {
    token.kind = 0;
    token.consumed = i - at;
    return token;
  }
  size_t j = i;
  while (j < text.size() && text[j] == ' ') ++j;
  if (j < text.size() && text[j] == '(') {
    const size_t close = FindClosingParen(text, j + 1);
    if (close == std::string_view::npos) {
      // A call whose list is never closed cannot be compiled; the expression stops here.
      token.text.clear();
      token.consumed = i - at;
      return token;
    }
    token.kind = CountScriptArguments(text.substr(j + 1, close - j - 1));
    token.consumed = j + 1 - at;
    token.call = true;
    return token;
  }
  token.kind = -1;
  token.consumed = j - at;
  return token;
}

ScriptValue ExtractScriptBody(const ScriptValue& text, size_t* position) {
  const std::string& t = text.Text();
  const size_t begin = t.find(kBeginWord, *position);
  if (begin == std::string::npos) return ScriptValue("", 0);
  const size_t end = t.find(kEndWord, begin);
  if (end == std::string::npos) return ScriptValue("", 0);
  const size_t semicolon = t.find(';', end + kEndWord.size());
  if (semicolon == std::string::npos) return ScriptValue("", 0);
  *position = semicolon + 1;
  return ScriptValue(t.substr(begin, semicolon + 1 - begin));
}

void ScriptInterpreter::StripComments(ScriptValue* text) {
  std::string t = text->Text();
  for (size_t at = t.find("//"); at != std::string::npos; at = t.find("//", at)) {
    const size_t lf = t.find('\n', at);
    t.erase(at, lf == std::string::npos ? std::string::npos : lf + 1 - at);
  }
  text->AssignString(t);
}

int ScriptInterpreter::LoadScript(const ScriptValue& text, int) {
  size_t position = 0;
  int count = 0;
  for (;;) {
    ScriptValue body = ExtractScriptBody(text, &position);
    if (body.GetType() == 0) break;
    ++count;
    StripComments(&body);
    const ScriptValue compiled = CompileScript(body);
    if (compiled.GetType() == 0) return -1;
    ScriptRun run;
    run.SetGlobals(&m_globals);
    if (!run.Init(compiled)) {
      PostError(run.GetErrorText().Text());
      return -1;
    }
    const std::string name = run.GetScriptName().Text();
    if (m_scripts.count(name) == 0) {
      m_scripts.emplace(name, ScriptRecord{run.GetScriptName(), run});
    }
  }
  return count;
}

ScriptValue ScriptInterpreter::CompileScript(const ScriptValue& script) {
  const std::string_view text = script.Text();
  std::string out;
  size_t pos = 0;
  auto copyStatement = [&](size_t start, bool indent) {
    const size_t semicolon = FindOutsideQuotes(text, ';', start);
    const size_t end = semicolon == std::string_view::npos ? text.size() : semicolon + 1;
    if (indent) out += kIndent;
    out.append(text.substr(start, end - start));
    if (semicolon == std::string_view::npos) out += ';';
    out += kLineEnd;
    pos = end;
  };
  static const char* const kCopied[] = {"解释器", "传入", "传出",  "变量", "全局变量", "函数",
                                        "跳转",   "标记", "运算",  "返回", "匹配"};
  while (pos < text.size()) {
    const size_t start = SkipBlanks(text, pos);
    if (start >= text.size()) break;
    size_t used = 0;
    const ScriptValue keyword = ReadScriptKeyword(text.substr(pos), &used);
    const std::string& word = keyword.Text();
    const size_t after = pos + used;
    if (keyword.GetType() != 0 && (word == kBeginWord || word == kEndWord)) {
      copyStatement(start, false);
      continue;
    }
    if (keyword.GetType() != 0 &&
        std::any_of(std::begin(kCopied), std::end(kCopied),
                    [&](const char* w) { return word == w; })) {
      copyStatement(start, true);
      continue;
    }
    if (keyword.GetType() != 0 && IsStatementWord(word)) {
      out += kIndent + word + ";" + kLineEnd;
      pos = after;
      continue;
    }
    if (keyword.GetType() != 0 && (word == "如果" || word == "或者")) {
      size_t read = 0;
      const std::string condition =
          ReadScriptCondition(text.substr(after), &read, &m_compileError);
      out += CompileExpression(condition + ";").Text();
      out += std::string(kIndent) + "传入 缓存0;" + kLineEnd;
      out += kIndent + word + " 缓存0;" + kLineEnd;
      pos = after + read;
      continue;
    }
    if (keyword.GetType() != 0 && word == "否则") {
      out += std::string(kIndent) + "否则;" + kLineEnd;
      pos = after;
      continue;
    }
    if (keyword.GetType() != 0 && (word == "当" || word == "从")) {
      size_t read = 0;
      const std::string inside = ReadScriptCondition(text.substr(after), &read, &m_compileError);
      if (word == "当") {
        out += std::string(kIndent) + "%WhileStart%;" + kLineEnd;
        out += CompileExpression(inside + ";").Text();
        out += std::string(kIndent) + "传入 缓存0;" + kLineEnd;
        out += std::string(kIndent) + "当 缓存0;" + kLineEnd;
      } else {
        const size_t first = FindOutsideQuotes(inside, ';', 0);
        const size_t second =
            first == std::string_view::npos ? first : FindOutsideQuotes(inside, ';', first + 1);
        const std::string_view all(inside);
        const std::string_view init = all.substr(0, first == all.npos ? all.size() : first + 1);
        const std::string_view condition =
            first == all.npos ? std::string_view()
                              : all.substr(first + 1, second == all.npos ? all.npos
                                                                         : second - first);
        const std::string_view step =
            second == all.npos ? std::string_view() : all.substr(second + 1);
        out += CompileAssignment(init).Text();
        out += std::string(kIndent) + "%ForStart%;" + kLineEnd;
        out += CompileAssignment(std::string(step) + ";").Text();
        out += std::string(kIndent) + "%ForBeGin%;" + kLineEnd;
        std::string test(condition);
        if (test.empty() || test.back() != ';') test += ';';
        out += CompileExpression(test).Text();
        out += std::string(kIndent) + "传入 缓存0;" + kLineEnd;
        out += std::string(kIndent) + "%ForIF% 缓存0;" + kLineEnd;
      }
      // The body's opening brace is left out: the loop's own entry on the block stack stands
      // for it.
      const size_t brace = FindOutsideQuotes(text, '{', after + read);
      pos = brace == std::string_view::npos ? after + read : brace + 1;
      continue;
    }
    // An assignment or an expression statement.
    std::string target;
    pos = start;
    if (IsScriptAssignment(text.substr(start))) {
      std::string message;
      const ScriptValue prefix = ReadScriptPrefix(text.substr(start), &used, &message);
      if (prefix.GetType() == 0) {
        m_compileError = message;
        PostError(message);
        return ScriptValue("", 0);
      }
      target = prefix.Text();
      pos = start + used;
    }
    const ScriptValue suffix = ReadScriptSuffix(text.substr(pos), &used, &m_compileError);
    // A suffix over the limit compiles to nothing; the reader consumed nothing, so the statement
    // is passed over up to its end.
    if (suffix.GetType() == 0 && used == 0) {
      const size_t semicolon = FindOutsideQuotes(text, ';', pos);
      used = semicolon == std::string_view::npos ? text.size() - pos : semicolon + 1 - pos;
    }
    if (suffix.GetType() != 0) out += CompileExpression(suffix.Text() + ";").Text();
    if (!target.empty()) out += std::string(kIndent) + "传入 " + target + ";" + kLineEnd;
    pos += std::max<size_t>(used, 1);
  }
  return ScriptValue(out);
}

ScriptValue ScriptInterpreter::CompileAssignment(std::string_view text) {
  if (!IsScriptAssignment(text)) return CompileExpression(text);
  std::string message;
  size_t used = 0;
  const ScriptValue target = ReadScriptPrefix(text, &used, &message);
  if (target.GetType() == 0) return ScriptValue("", 0);
  size_t read = 0;
  const ScriptValue suffix = ReadScriptSuffix(text.substr(used), &read, &m_compileError);
  if (suffix.GetType() == 0) return ScriptValue("", 0);
  std::string out = CompileExpression(suffix.Text() + ";").Text();
  out += std::string(kIndent) + "传入 " + target.Text() + ";" + kLineEnd;
  return ScriptValue(out);
}

void ScriptInterpreter::ClearCompileTables() {
  m_operatorCount = 0;
  m_outputCount = 0;
  m_valueCount = 0;
  m_compileFailed = false;
}

int ScriptInterpreter::PushOutput(const std::string& token, int kind) {
  if (m_outputCount >= SCRIPT_OUTPUT_MAX) {
    m_compileFailed = true;
    return 0;
  }
  m_output[m_outputCount++] = CompileEntry{token, kind};
  return 1;
}

int ScriptInterpreter::OperatorPrecedes(const std::string& top, const std::string& incoming) {
  if (top == "(") return 0;
  const int level = LevelOf(top);
  if (incoming.empty() || incoming == ";" || incoming == "(") return 1;
  const int in = LevelOf(incoming);
  // The top gives way when its level is at least the incoming one's; levels are spaced so that
  // "above n - 1" and "at least n" agree for every level in use.
  return level >= in ? 1 : 0;
}

int ScriptInterpreter::PushOperator(const std::string& token, int kind) {
  if (token == "(") {
    if (m_operatorCount >= SCRIPT_OPERATOR_STACK_MAX) {
      m_compileFailed = true;
      return 0;
    }
    m_operators[m_operatorCount++] = CompileEntry{token, kind};
    return 1;
  }
  if (token == ")") {
    while (m_operatorCount > 0) {
      CompileEntry top = m_operators[--m_operatorCount];
      if (top.token == "(") return 1;
      PushOutput(top.token, top.kind);
    }
    PostError("运算格式括号不匹配!");
    return 1;
  }
  while (m_operatorCount > 0 && OperatorPrecedes(m_operators[m_operatorCount - 1].token, token)) {
    CompileEntry top = m_operators[--m_operatorCount];
    PushOutput(top.token, top.kind);
  }
  if (token == ",") return 1;
  if (m_operatorCount >= SCRIPT_OPERATOR_STACK_MAX) {
    m_compileFailed = true;
    return 0;
  }
  m_operators[m_operatorCount++] = CompileEntry{token, kind};
  return 1;
}

ScriptValue ScriptInterpreter::NewTemporary() const {
  for (int digit = 0; digit < 5; ++digit) {
    const std::string name = std::string(kTemporary) + static_cast<char>('0' + digit);
    bool used = false;
    for (int i = 0; i < m_valueCount && !used; ++i) used = m_values[i] == name;
    if (!used) return ScriptValue(name);
  }
  return ScriptValue("");
}

ScriptValue ScriptInterpreter::CompileExpression(std::string_view text) {
  ClearCompileTables();
  size_t at = 0;
  while (at < text.size() && !m_compileFailed) {
    const ScriptToken token = ReadExpressionToken(text, at);
    if (token.text.empty()) {
      // Only blanks were left, or a byte that starts no token: the expression stops.
      if (SkipBlanks(text, at) >= text.size()) break;
      return ScriptValue("", 0);
    }
    const size_t tokenStart = SkipBlanks(text, at);
    at += token.consumed;
    if (token.call) {
      // The name, then the '(' that the reader consumed with it.
      PushOperator(token.text, token.kind);
      PushOperator("(", 0);
    } else if (token.kind == -1) {
      PushOutput(token.text, -1);
    } else if (token.kind == 2) {
      if (token.text == "-" && IsUnaryMinusPosition(text, tokenStart)) PushOutput("0", -1);
      PushOperator(token.text, 2);
    } else if (token.kind == 0 && (token.text == ";" || token.text == "(" ||
                                   token.text == ")" || token.text == ",")) {
      PushOperator(token.text, 0);
    } else {
      PushOperator(token.text, 0);
    }
  }
  if (m_compileFailed) return ScriptValue("", 0);

  std::string out;
  for (int i = 0; i < m_outputCount; ++i) {
    const CompileEntry& entry = m_output[i];
    if (entry.kind == -1) {
      if (m_valueCount >= SCRIPT_VALUE_STACK_MAX) return ScriptValue("", 0);
      m_values[m_valueCount++] = entry.token;
      continue;
    }
    if (entry.kind == 0) {
      if (IsStatementWord(entry.token)) {
        out += kIndent + entry.token + ";" + kLineEnd;
      } else if (entry.token != ";" && entry.token != "(" && entry.token != ")" &&
                 entry.token != ",") {
        out += std::string(kIndent) + "函数 " + entry.token + ";" + kLineEnd;
      }
      continue;
    }
    if (entry.kind < 0 || m_valueCount < entry.kind) return ScriptValue("", 0);
    std::string list;
    for (int v = m_valueCount - entry.kind; v < m_valueCount; ++v) {
      if (!list.empty() || v > m_valueCount - entry.kind) list += ',';
      list += m_values[v];
    }
    m_valueCount -= entry.kind;
    out += std::string(kIndent) + "传出 " + list + ";" + kLineEnd;
    const ScriptValue temporary = NewTemporary();
    out += std::string(kIndent) + (IsScriptOperator(entry.token) ? "运算 " : "函数 ") +
           entry.token + ";" + kLineEnd;
    if (!(i == m_outputCount - 1 && m_valueCount == 0)) {
      out += std::string(kIndent) + "传入 " + temporary.Text() + ";" + kLineEnd;
      m_values[m_valueCount++] = temporary.Text();
    }
  }
  if (m_valueCount > 0) {
    std::string list;
    for (int v = 0; v < m_valueCount; ++v) {
      if (v > 0) list += ',';
      list += m_values[v];
    }
    out += std::string(kIndent) + "传出 " + list + ";" + kLineEnd;
  }
  return ScriptValue(out);
}
