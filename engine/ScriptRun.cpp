// The statement engine: the token readers and the statements of compiled script text.
#include "engine/ScriptRun.h"

#include <cstring>

namespace {

constexpr std::string_view kScriptBegin = "脚本开始";
constexpr std::string_view kMatchEnd = "匹配完毕";
constexpr std::string_view kForBegin = "%ForBeGin%";

bool IsKeywordStop(char c) {
  return c == 0 || c == ' ' || c == ';' || c == '(' || c == '\r' || c == '\n' || c == '{';
}

// The statement keywords, in the order Execute compares them.
enum class Keyword {
  Variable, Global, Input, Output, Call, Jump, Label, Compute, ScriptBegin, ScriptEnd, Version,
  Match, Condition, Else, WhileStart, While, Break, ForStart, ForBegin, ForIf, Open, Close,
  Return, Parallel, DefaultType, IntType, DoubleType, TextType, HandleType, Empty, Unknown
};

Keyword Classify(const std::string& word) {
  static const struct {
    const char* text;
    Keyword keyword;
  } kTable[] = {
      {"变量", Keyword::Variable},        {"全局变量", Keyword::Global},
      {"传入", Keyword::Input},           {"传出", Keyword::Output},
      {"函数", Keyword::Call},            {"跳转", Keyword::Jump},
      {"标记", Keyword::Label},           {"运算", Keyword::Compute},
      {"脚本开始", Keyword::ScriptBegin}, {"脚本结束", Keyword::ScriptEnd},
      {"解释器", Keyword::Version},       {"匹配", Keyword::Match},
      {"如果", Keyword::Condition},       {"或者", Keyword::Condition},
      {"否则", Keyword::Else},            {"%WhileStart%", Keyword::WhileStart},
      {"当", Keyword::While},             {"跳出", Keyword::Break},
      {"%ForStart%", Keyword::ForStart},  {"%ForBeGin%", Keyword::ForBegin},
      {"%ForIF%", Keyword::ForIf},        {"{", Keyword::Open},
      {"}", Keyword::Close},              {"返回", Keyword::Return},
      {"并行", Keyword::Parallel},        {"默认类型", Keyword::DefaultType},
      {"整数", Keyword::IntType},         {"小数", Keyword::DoubleType},
      {"字符", Keyword::TextType},        {"句柄", Keyword::HandleType},
      {"", Keyword::Empty},
  };
  for (const auto& entry : kTable) {
    if (word == entry.text) return entry.keyword;
  }
  return Keyword::Unknown;
}

size_t SkipBlanks(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsScriptSpace(text[i])) ++i;
  return i;
}

}  // namespace

bool IsScriptSpace(char c) { return c == '\r' || c == '\n' || c == ' '; }

bool IsScriptDelimiter(char c) {
  return c == 0 || c == ' ' || c == '(' || c == ')' || c == ',' || c == ';' || c == '=';
}

std::string FormatScriptText(const char* pattern, std::string_view first,
                             std::string_view second) {
  std::string out;
  int used = 0;
  for (const char* p = pattern; *p != 0; ++p) {
    if (p[0] == '%' && p[1] == 's') {
      out.append(used == 0 ? first : second);
      ++used;
      ++p;
    } else {
      out.push_back(*p);
    }
  }
  return out;
}

ScriptValue ReadScriptKeyword(std::string_view text, size_t* consumed) {
  *consumed = 0;
  if (text.empty()) return ScriptValue("", 0);
  size_t i = SkipBlanks(text);
  if (i < text.size() && (text[i] == '{' || text[i] == '}')) {
    *consumed = i + 1;
    return ScriptValue(std::string(1, text[i]));
  }
  const size_t start = i;
  while (i < text.size() && !IsKeywordStop(text[i])) ++i;
  if (i - start > SCRIPT_KEYWORD_MAX) return ScriptValue("", 0);
  ScriptValue word(std::string(text.substr(start, i - start)));
  if (i < text.size() && (text[i] == ' ' || text[i] == ';')) ++i;
  *consumed = i;
  return word;
}

ScriptValue ReadScriptIdentifier(std::string_view text, size_t* consumed, std::string* error) {
  *consumed = 0;
  if (text.empty()) return ScriptValue("", 0);
  size_t i = SkipBlanks(text);
  const size_t start = i;
  while (i < text.size() && !IsScriptDelimiter(text[i])) {
    if (i - start >= SCRIPT_NAME_MAX) {
      if (error) *error = FormatScriptText("函数名超长:%s", text);
      return ScriptValue("", 0);
    }
    ++i;
  }
  *consumed = i;
  return ScriptValue(std::string(text.substr(start, i - start)));
}

ScriptValue ReadScriptPrefix(std::string_view text, size_t* consumed, std::string* error) {
  *consumed = 0;
  if (text.empty()) return ScriptValue("", 0);
  size_t i = SkipBlanks(text);
  const size_t start = i;
  while (i < text.size() && text[i] != '=' && text[i] != ';' && text[i] != 0) ++i;
  size_t end = i;
  while (end > start && text[end - 1] == ' ') --end;
  if (end - start > SCRIPT_PREFIX_MAX) {
    if (error) *error = FormatScriptText("前缀超长:%s", text);
    return ScriptValue("", 0);
  }
  if (i < text.size() && (text[i] == '=' || text[i] == ';')) ++i;
  *consumed = i;
  return ScriptValue(std::string(text.substr(start, end - start)));
}

ScriptValue ReadScriptSuffix(std::string_view text, size_t* consumed, std::string* error) {
  *consumed = 0;
  if (text.empty()) return ScriptValue("", 0);
  size_t i = SkipBlanks(text);
  const size_t start = i;
  bool quoted = false;
  // The end of the value without the spaces that follow it outside quotes.
  size_t end = start;
  while (i < text.size() && text[i] != 0 && (quoted || text[i] != ';')) {
    if (text[i] == '"') quoted = !quoted;
    if (quoted || text[i] != ' ') end = i + 1;
    ++i;
  }
  if (end - start > SCRIPT_SUFFIX_MAX) {
    if (error) *error = FormatScriptText("后缀超长:%s", text);
    return ScriptValue("", 0);
  }
  if (i < text.size() && text[i] == ';') ++i;
  *consumed = i;
  return ScriptValue(std::string(text.substr(start, end - start)));
}

int CountScriptArguments(std::string_view text) {
  int commas = 0;
  int depth = 0;
  bool quoted = false;
  bool content = false;
  for (char c : text) {
    if (c == '"') {
      quoted = !quoted;
      // A closing quote is content of the item it closes.
      if (!quoted && depth == 0) content = true;
      continue;
    }
    if (quoted) continue;
    if (c == '(') {
      ++depth;
    } else if (c == ')') {
      if (depth > 0) --depth;
    } else if (depth == 0) {
      if (c == ',') {
        ++commas;
        content = false;
      } else if (!IsScriptSpace(c) && !IsScriptDelimiter(c)) {
        content = true;
      }
    }
  }
  return commas + (content ? 1 : 0);
}

ScriptRun::ScriptRun(const ScriptRun& other) { *this = other; }

ScriptRun& ScriptRun::operator=(const ScriptRun& other) {
  if (this == &other) return *this;
  parallelCount = other.parallelCount;
  caller = other.caller;
  runId = other.runId;
  awaitedRunId = other.awaitedRunId;
  completionCode = other.completionCode;
  completionKey = other.completionKey;
  completionObject.reset(other.completionObject ? other.completionObject->Clone() : nullptr);
  m_text = other.m_text;
  m_scriptName = other.m_scriptName;
  m_errorText = other.m_errorText;
  m_version = other.m_version;
  m_position = other.m_position;
  m_state = other.m_state;
  m_declaredType = other.m_declaredType;
  std::memcpy(m_blocks, other.m_blocks, sizeof m_blocks);
  m_blockDepth = other.m_blockDepth;
  m_callName = other.m_callName;
  m_arguments = other.m_arguments;
  m_locals = other.m_locals;
  m_globals = other.m_globals;
  return *this;
}

int ScriptRun::Init(const ScriptValue& text) {
  if (!m_text.Text().empty()) Reset();
  m_text = text;
  m_position = 0;
  m_version = 1.0;
  m_state = 0;
  return ParseHeader();
}

void ScriptRun::Reset() {
  m_arguments.clear();
  m_locals.clear();
  m_position = 0;
  m_version = 0.0;
  m_callName.ClearType();
  m_text = ScriptValue();
  m_blockDepth = 0;
}

int ScriptRun::ParseHeader() {
  const std::string& text = m_text.Text();
  const size_t begin = text.find(kScriptBegin);
  if (begin == std::string::npos) {
    m_errorText.AssignString("脚本名为空!");
    return 0;
  }
  size_t at = begin + kScriptBegin.size();
  size_t used = 0;
  std::string message;
  ScriptValue name = ReadScriptIdentifier(std::string_view(text).substr(at), &used, &message);
  if (name.GetType() == 0 || name.Text().empty()) {
    m_errorText.AssignString("脚本名为空!");
    return 0;
  }
  m_scriptName = name;
  at += used;
  const size_t open = text.find('(', at);
  if (open == std::string::npos) return 0;
  if (text.find(')', open) == std::string::npos) return 0;
  return 1;
}

std::string_view ScriptRun::Rest() const {
  const std::string& text = m_text.Text();
  if (m_position >= text.size()) return {};
  return std::string_view(text).substr(m_position);
}

void ScriptRun::SkipStatement() {
  const size_t at = m_text.FindUnquoted(';', m_position);
  m_position = static_cast<uint32_t>(at < m_text.GetLength() ? at + 1 : m_text.GetLength());
}

int ScriptRun::Fail(const std::string& text) {
  m_errorText.AssignString(text);
  m_state = SCRIPT_ERROR;
  return SCRIPT_ERROR;
}

int ScriptRun::Execute() {
  if (m_position >= m_text.GetLength()) {
    m_state = SCRIPT_END;
    return SCRIPT_END;
  }
  if (m_state == SCRIPT_HALT || m_state == SCRIPT_END) return m_state;
  m_state = SCRIPT_NEXT;
  size_t used = 0;
  const ScriptValue word = ReadScriptKeyword(Rest(), &used);
  m_position += static_cast<uint32_t>(used);
  int result = SCRIPT_NEXT;
  switch (Classify(word.Text())) {
    case Keyword::Variable: result = VariableStatement(false); break;
    case Keyword::Global: result = VariableStatement(true); break;
    case Keyword::Input: result = InputWalk(); break;
    case Keyword::Output: result = OutputStatement(); break;
    case Keyword::Call: result = CallStatement(); break;
    case Keyword::Jump: result = JumpStatement(); break;
    case Keyword::Label: result = LabelStatement(); break;
    case Keyword::Compute: result = ComputeStatement(); break;
    case Keyword::ScriptBegin: result = ScriptBeginStatement(); break;
    case Keyword::ScriptEnd:
    case Keyword::Return:
      m_state = 0;
      m_position = 0;
      return SCRIPT_END;
    case Keyword::Version: result = VersionStatement(); break;
    case Keyword::Match: result = MatchStatement(); break;
    case Keyword::Condition: result = ConditionStatement(); break;
    case Keyword::Else: result = ElseStatement(); break;
    case Keyword::WhileStart:
      if (!PushBlock(m_position)) return Fail(m_errorText.Text());
      break;
    case Keyword::While: result = LoopCondition("While条件句括号匹配错误!%s"); break;
    case Keyword::Break: result = BreakStatement(); break;
    case Keyword::ForStart: result = ForStart(); break;
    case Keyword::ForBegin: break;
    case Keyword::ForIf: result = LoopCondition("条件句括号匹配错误!%s"); break;
    case Keyword::Open:
      if (!PushBlock(0)) return Fail(m_errorText.Text());
      SkipStatement();
      break;
    case Keyword::Close: result = CloseBlock(); break;
    case Keyword::Parallel: ++parallelCount; break;
    case Keyword::DefaultType: m_declaredType = 0; break;
    case Keyword::IntType: m_declaredType = 1; break;
    case Keyword::DoubleType: m_declaredType = 3; break;
    case Keyword::TextType: m_declaredType = 4; break;
    case Keyword::HandleType: m_declaredType = 2; break;
    case Keyword::Empty: ++m_position; break;
    case Keyword::Unknown:
      return Fail(FormatScriptText("脚本调用了一个无法识别的符号:%s!", word.Text()));
  }
  if (result != SCRIPT_ERROR) m_state = result;
  return result;
}

int ScriptRun::VariableStatement(bool global) {
  std::string message;
  size_t used = 0;
  const ScriptValue name = ReadScriptPrefix(Rest(), &used, &message);
  if (name.GetType() == 0 && !message.empty()) return Fail(message);
  m_position += static_cast<uint32_t>(used);
  const ScriptValue value = ReadScriptSuffix(Rest(), &used, &message);
  if (value.GetType() == 0 && !message.empty()) return Fail(message);
  m_position += static_cast<uint32_t>(used);
  ScriptValue text(value.Text());
  if (!global) {
    SetVariable(name, text);
    return SCRIPT_NEXT;
  }
  if (m_globals == nullptr) return SCRIPT_NEXT;
  if (m_globals->count(name.Text()) != 0) {
    return Fail(FormatScriptText("脚本%s全局变量%s重复定义!", m_scriptName.Text(), name.Text()));
  }
  (*m_globals)[name.Text()] = text;
  return SCRIPT_NEXT;
}

int ScriptRun::InputWalk() {
  const std::string& text = m_text.Text();
  size_t length = 0;
  int index = 0;
  bool done = false;
  for (size_t i = m_position; i < text.size(); ++i) {
    const char c = text[i];
    if (IsScriptDelimiter(c)) {
      if (!done && length > 0) {
        if (!GetParamValue(index, ScriptValue(text.substr(i - length, length)))) {
          m_state = SCRIPT_ERROR;
          return SCRIPT_ERROR;
        }
        done = true;
      }
    } else if (!done) {
      ++length;
    }
    if (c == ',') {
      if (!done) return Fail("传入：接受参数名不能为空!");
      ++index;
      length = 0;
      done = false;
    }
    if (c == ';' || c == ')') break;
  }
  SkipStatement();
  return SCRIPT_NEXT;
}

int ScriptRun::OutputStatement() {
  ClearArguments();
  const std::string& text = m_text.Text();
  bool quoted = false;
  size_t length = 0;
  bool done = false;
  for (size_t i = m_position; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      ++length;
    } else if (IsScriptDelimiter(c)) {
      if (!done && length > 0) {
        PushArgumentValue(std::string_view(text).substr(i - length, length));
        done = true;
      }
      if (c == ',') {
        if (!done) m_arguments.push_back(ScriptValue("", 0));
        length = 0;
        done = false;
      }
      if (c == ';') break;
    } else if (!done) {
      ++length;
    }
    if (c == '"') quoted = !quoted;
  }
  SkipStatement();
  return SCRIPT_NEXT;
}

int ScriptRun::CallStatement() {
  std::string message;
  size_t used = 0;
  ScriptValue name = ReadScriptPrefix(Rest(), &used, &message);
  if (name.GetType() == 0 && !message.empty()) return Fail(message);
  m_position += static_cast<uint32_t>(used);
  if (name.GetAt(0) == '@') name = GetValue(ScriptValue(name.Text().substr(1)));
  m_callName = name;
  return SCRIPT_CALL;
}

int ScriptRun::JumpStatement() {
  std::string message;
  size_t used = 0;
  const ScriptValue name = ReadScriptPrefix(Rest(), &used, &message);
  if (name.GetType() == 0 && !message.empty()) return Fail(message);
  m_position += static_cast<uint32_t>(used);
  if (const ScriptValue* label = FindLocal(name.Text())) {
    m_blockDepth = 0;
    // Any local can be jumped to; a value that is no position of this text ends the run at the
    // next step, since the position is then past the text.
    m_position = static_cast<uint32_t>(label->ToInt());
  }
  return SCRIPT_NEXT;
}

int ScriptRun::LabelStatement() {
  std::string message;
  size_t used = 0;
  const ScriptValue name = ReadScriptPrefix(Rest(), &used, &message);
  if (name.GetType() == 0 && !message.empty()) return Fail(message);
  m_position += static_cast<uint32_t>(used);
  SetVariable(name, ScriptValue::FromUnsigned(m_position));
  return SCRIPT_NEXT;
}

int ScriptRun::ComputeStatement() {
  if (m_arguments.size() < 2) {
    return Fail(FormatScriptText("运算传入参数不能小于2,%s", Rest()));
  }
  std::string message;
  size_t used = 0;
  const ScriptValue op = ReadScriptSuffix(Rest(), &used, &message);
  if (op.GetType() == 0 && !message.empty()) return Fail(message);
  m_position += static_cast<uint32_t>(used);
  ScriptValue a = m_arguments[0];
  ScriptValue b = m_arguments[1];
  static const uint8_t kDeclared[] = {0, SCRIPT_TYPE_INT, SCRIPT_TYPE_UNSIGNED, SCRIPT_TYPE_DOUBLE,
                                      SCRIPT_TYPE_STRING};
  if (m_declaredType >= 1 && m_declaredType <= 4) {
    a.SetType(kDeclared[m_declaredType], 0);
    b.SetType(kDeclared[m_declaredType], 0);
  } else {
    a.InferType();
    b.InferType();
  }
  ClearArguments();
  const std::string& o = op.Text();
  ScriptValue result;
  if (o == "+") {
    result = a + b;
  } else if (o == "-") {
    result = a - b;
  } else if (o == "*") {
    result = a * b;
  } else if (o == "/") {
    result = a / b;
  } else if (o == "%") {
    // A zero divisor gives 0, as integer division by zero does; INT_MIN % -1 is 0 as well.
    const int64_t divisor = b.ToInt();
    result = ScriptValue::FromInt(
        divisor == 0 ? 0 : static_cast<int32_t>(static_cast<int64_t>(a.ToInt()) % divisor));
  } else if (o == "==") {
    result = ScriptValue::FromBool(a == b);
  } else if (o == "!=") {
    result = ScriptValue::FromBool(a != b);
  } else if (o == "<") {
    result = ScriptValue::FromBool(a < b);
  } else if (o == ">=") {
    result = ScriptValue::FromBool(a >= b);
  } else if (o == "<=") {
    result = ScriptValue::FromBool(a < b || a == b);
  } else if (o == ">") {
    result = ScriptValue::FromBool(a.ToInt() > b.ToInt());
  } else if (o == "&&") {
    result = ScriptValue::FromBool(a.ToBool() != 0 && b.ToBool() != 0);
  } else if (o == "||") {
    result = ScriptValue::FromBool(a.ToBool() != 0 || b.ToBool() != 0);
  } else if (o == "&") {
    result = ScriptValue::FromUnsigned(static_cast<uint32_t>(a.ToInt() & b.ToInt()));
  } else if (o == "|") {
    result = ScriptValue::FromUnsigned(static_cast<uint32_t>(a.ToInt() | b.ToInt()));
  } else {
    return Fail(FormatScriptText("无法匹配的运算操作符%s!", o));
  }
  if (result.GetLength() > SCRIPT_RESULT_MAX) return Fail("运算结果超长!");
  PushResult(result);
  return SCRIPT_NEXT;
}

int ScriptRun::ScriptBeginStatement() {
  std::string message;
  size_t used = 0;
  const ScriptValue name = ReadScriptIdentifier(Rest(), &used, &message);
  m_position += static_cast<uint32_t>(used);
  if (name.GetType() == 0 || name.Text().empty()) return Fail("脚本名为空!");
  m_scriptName = name;
  return InputWalk() == SCRIPT_NEXT ? SCRIPT_NEXT : SCRIPT_ERROR;
}

int ScriptRun::VersionStatement() {
  std::string message;
  size_t used = 0;
  const ScriptValue number = ReadScriptPrefix(Rest(), &used, &message);
  if (number.GetType() == 0 && !message.empty()) return Fail(message);
  m_position += static_cast<uint32_t>(used);
  const double version = number.ToDouble();
  if (version > 1.0) return Fail("脚本版本号过高,请换用更高级的脚本解释器!");
  m_version = version;
  return SCRIPT_NEXT;
}

int ScriptRun::MatchStatement() {
  std::string message;
  size_t used = 0;
  const ScriptValue name = ReadScriptPrefix(Rest(), &used, &message);
  const ScriptValue value = name.GetType() == 0 ? name : GetValue(name);
  if (value.GetType() == 0) return Fail("匹配语句不能匹配空.");
  m_position += static_cast<uint32_t>(used);
  const std::string& text = m_text.Text();
  const size_t end = text.find(kMatchEnd, m_position);
  if (end == std::string::npos) return Fail("匹配错误，没有正确的结束语.");
  const size_t label = text.find("标记 " + value.Text(), m_position);
  if (label != std::string::npos && label < end) {
    m_position = static_cast<uint32_t>(label);
    SkipStatement();
  } else {
    m_position = static_cast<uint32_t>(std::min(end + kMatchEnd.size() + 1, text.size()));
  }
  return SCRIPT_NEXT;
}

int ScriptRun::SkipBlock() {
  const std::string& text = m_text.Text();
  int depth = 0;
  bool quoted = false;
  for (size_t i = m_position; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    if (c == '{') {
      ++depth;
    } else if (c == '}' && depth > 0) {
      if (--depth == 0) {
        m_position = static_cast<uint32_t>(i);
        SkipStatement();
        return 1;
      }
    }
  }
  m_position = static_cast<uint32_t>(text.size());
  return 0;
}

int ScriptRun::ConditionStatement() {
  std::string message;
  size_t used = 0;
  const ScriptValue name = ReadScriptPrefix(Rest(), &used, &message);
  if (name.GetType() == 0 && !message.empty()) return Fail(message);
  m_position += static_cast<uint32_t>(used);
  if (GetValue(name).ToBool() != 0) return SCRIPT_NEXT;
  if (!SkipBlock()) return Fail(FormatScriptText("条件句括号匹配错误!%s", Rest()));
  return SCRIPT_NEXT;
}

int ScriptRun::ElseStatement() {
  if (m_arguments.empty()) {
    return Fail(FormatScriptText("Else语法错误，缺乏前置条件%s", Rest()));
  }
  if (PopArgument().ToBool() == 0) return SCRIPT_NEXT;
  if (!SkipBlock()) return Fail(FormatScriptText("条件句Else括号匹配错误!%s", Rest()));
  return SCRIPT_NEXT;
}

int ScriptRun::CloseBlock() {
  if (m_blockDepth == 0) return Fail("右括号匹配错误!少了一个左括号,大哥!");
  const uint32_t top = m_blocks[m_blockDepth - 1];
  if (top != 0) {
    m_position = top;
    return SCRIPT_NEXT;
  }
  ClearArguments();
  PushArgument(ScriptValue("TRUE"));
  --m_blockDepth;
  return SCRIPT_NEXT;
}

int ScriptRun::LoopCondition(const char* unclosedMessage) {
  std::string message;
  size_t used = 0;
  const ScriptValue name = ReadScriptPrefix(Rest(), &used, &message);
  if (name.GetType() == 0 && !message.empty()) return Fail(message);
  m_position += static_cast<uint32_t>(used);
  if (GetValue(name).ToBool() != 0) return SCRIPT_NEXT;
  // The body's opening brace was left out by the compiler, so its end is the first closing brace
  // that no brace opened on the way.
  const std::string& text = m_text.Text();
  int depth = 0;
  bool quoted = false;
  for (size_t i = m_position; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    if (c == '{') {
      ++depth;
    } else if (c == '}') {
      if (depth == 0) {
        if (m_blockDepth > 0) --m_blockDepth;
        m_position = static_cast<uint32_t>(i);
        SkipStatement();
        return SCRIPT_NEXT;
      }
      --depth;
    }
  }
  m_position = static_cast<uint32_t>(text.size());
  return Fail(FormatScriptText(unclosedMessage, ""));
}

int ScriptRun::ForStart() {
  if (!PushBlock(m_position)) return Fail(m_errorText.Text());
  const size_t at = m_text.Text().find(kForBegin, m_position);
  if (at == std::string::npos) {
    // Only a damaged text has a loop start without its body marker.
    --m_blockDepth;
    return Fail(FormatScriptText("脚本调用了一个无法识别的符号:%s!", "%ForStart%"));
  }
  m_position = static_cast<uint32_t>(at + kForBegin.size());
  return SCRIPT_NEXT;
}

int ScriptRun::BreakStatement() {
  if (m_blockDepth == 0) return SCRIPT_NEXT;
  const std::string& text = m_text.Text();
  int n = 0;
  bool quoted = false;
  for (size_t i = m_position; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    if (c == '{') {
      ++n;
    } else if (c == '}') {
      --n;
      if (n <= 0 && m_blockDepth > 0) {
        if (m_blocks[m_blockDepth - 1] != 0) {
          m_position = static_cast<uint32_t>(i + 1);
          --m_blockDepth;
          return SCRIPT_NEXT;
        }
        --m_blockDepth;
        n = 0;
      }
    }
  }
  return Fail(FormatScriptText("跳出失败!%s", ""));
}

int ScriptRun::SplitArguments(std::string_view text) {
  bool quoted = false;
  size_t start = 0;
  auto item = [&](size_t begin, size_t end, bool last) {
    while (begin < end && text[begin] == ' ') ++begin;
    while (end > begin && text[end - 1] == ' ') --end;
    if (last) {
      bool blank = true;
      for (size_t i = begin; i < end; ++i) blank = blank && IsScriptSpace(text[i]);
      if (blank) return;
    }
    m_arguments.push_back(ScriptValue(std::string(text.substr(begin, end - begin))));
  };
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '"') quoted = !quoted;
    if (!quoted && text[i] == ',') {
      item(start, i, false);
      start = i + 1;
    }
  }
  item(start, text.size(), true);
  return ArgumentCount();
}

ScriptValue ScriptRun::JoinArguments() const {
  ScriptValue joined("", 0);
  for (size_t i = 0; i < m_arguments.size(); ++i) {
    if (i > 0) joined.Append(",");
    joined.Append(m_arguments[i]);
  }
  return joined;
}

ScriptValue ScriptRun::GetArgument(int index) const {
  if (index < 0 || index >= ArgumentCount()) return ScriptValue("", 0);
  return m_arguments[static_cast<size_t>(index)];
}

int ScriptRun::PushArgument(const ScriptValue& value) {
  m_arguments.push_back(value);
  return ArgumentCount();
}

int ScriptRun::PushResult(const ScriptValue& value) {
  m_arguments.push_back(value);
  return 1;
}

ScriptValue ScriptRun::PopArgument() {
  if (m_arguments.empty()) return ScriptValue("", 0);
  ScriptValue last = m_arguments.back();
  m_arguments.pop_back();
  return last;
}

int ScriptRun::PushArgumentValue(std::string_view item) {
  if (item.size() >= 2 && item.front() == '"' && item.back() == '"') {
    m_arguments.push_back(ScriptValue(std::string(item.substr(1, item.size() - 2))));
  } else if (const ScriptValue* local = FindLocal(std::string(item))) {
    m_arguments.push_back(*local);
  } else {
    m_arguments.push_back(ScriptValue(std::string(item)));
  }
  return 1;
}

int ScriptRun::GetParamValue(int index, const ScriptValue& name) {
  if (index >= 0 && index < ArgumentCount()) {
    SetVariable(name, m_arguments[static_cast<size_t>(index)]);
    return 1;
  }
  m_errorText.AssignString(
      FormatScriptText("%s:GetParamValue错误,传入参数不足!", m_scriptName.Text()));
  return 0;
}

void ScriptRun::SetVariable(const ScriptValue& name, const ScriptValue& value) {
  m_locals[name.Text()] = value;
}

const ScriptValue* ScriptRun::FindLocal(const std::string& name) const {
  auto it = m_locals.find(name);
  return it == m_locals.end() ? nullptr : &it->second;
}

ScriptValue ScriptRun::GetValue(const ScriptValue& name) const {
  if (const ScriptValue* local = FindLocal(name.Text())) return *local;
  if (m_globals != nullptr) {
    auto it = m_globals->find(name.Text());
    if (it != m_globals->end()) return it->second;
  }
  return name;
}

int ScriptRun::PushBlock(uint32_t entry) {
  if (m_blockDepth >= SCRIPT_BLOCK_MAX) {
    m_errorText.AssignString("段落嵌套过多!");
    return 0;
  }
  m_blocks[m_blockDepth++] = entry;
  return 1;
}
