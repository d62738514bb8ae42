// One running instance of a compiled script. The interpreter keeps no tree or byte code: a run
// holds the compiled text itself and a byte position into it, and each Execute reads the statement
// at the position, parses its operands out of the text and performs it. The run also carries its
// local variables (labels are locals holding a position), its argument vector, through which calls
// and operators pass values, and its stack of open blocks.
//
// Every scan here is byte-wise over GBK text and bounded by the text's length, so a damaged
// compiled text can end a run with an error but never read outside it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/EngineEvent.h"
#include "engine/ScriptValue.h"

// Result codes of statements, host functions and the interpreter's operations.
constexpr int SCRIPT_END = 10000;
constexpr int SCRIPT_NEXT = 10500;
constexpr int SCRIPT_WAIT = 11000;
constexpr int SCRIPT_CALL = 12000;
constexpr int SCRIPT_ERROR = 13000;
constexpr int SCRIPT_HALT = 14000;
constexpr int SCRIPT_UNSUPPORTED = 15000;

// Limits of the language, in bytes unless said otherwise.
constexpr size_t SCRIPT_NAME_MAX = 32;
constexpr size_t SCRIPT_KEYWORD_MAX = 16;
constexpr size_t SCRIPT_PREFIX_MAX = 256;
constexpr size_t SCRIPT_SUFFIX_MAX = 1024;
constexpr size_t SCRIPT_BLOCK_MAX = 12;
// The longest text a computation may produce. Texts concatenated in a loop double at every pass,
// so without a bound a script could take all the memory there is.
constexpr size_t SCRIPT_RESULT_MAX = 1 << 16;

// Variables by name. Names are text values, and text values order byte-wise, so the map orders
// its keys as the script values themselves do.
using ScriptVariables = std::map<std::string, ScriptValue>;

// CR, LF and space.
bool IsScriptSpace(char c);
// NUL, space, '(', ')', ',', ';' and '='.
bool IsScriptDelimiter(char c);
// Replaces each "%s" of the pattern by the next argument, taken as it stands (a '%' in an argument
// is no directive).
std::string FormatScriptText(const char* pattern, std::string_view first = {},
                             std::string_view second = {});

// The token readers. Each reads from the start of `text` (the text from a position on), stores in
// *consumed how many bytes it took, and returns a STRING value, or a value of type 0 when the read
// fails. A failing reader that has a message writes it to *error.
ScriptValue ReadScriptKeyword(std::string_view text, size_t* consumed);
ScriptValue ReadScriptIdentifier(std::string_view text, size_t* consumed, std::string* error);
ScriptValue ReadScriptPrefix(std::string_view text, size_t* consumed, std::string* error);
ScriptValue ReadScriptSuffix(std::string_view text, size_t* consumed, std::string* error);
// The number of items of a parameter or argument list: commas outside quotes and parentheses,
// plus one when something other than blanks and delimiters follows the last of them.
int CountScriptArguments(std::string_view text);

class ScriptRun {
 public:
  ScriptRun() = default;
  ScriptRun(const ScriptRun& other);
  ScriptRun& operator=(const ScriptRun& other);
  ~ScriptRun() = default;

  // Takes a compiled text (a run that holds one is reset first) and reads its header.
  int Init(const ScriptValue& text);
  void Reset();
  int ParseHeader();

  // Performs the statement at the position and returns its result code.
  int Execute();

  ScriptValue GetScriptName() const { return m_scriptName; }
  ScriptValue GetCallName() const { return m_callName; }
  ScriptValue GetErrorText() const { return m_errorText; }
  void SetErrorText(const std::string& text) { m_errorText.AssignString(text); }
  const std::string& Text() const { return m_text.Text(); }
  uint32_t GetPosition() const { return m_position; }
  int GetState() const { return m_state; }
  void SetState(int state) { m_state = state; }
  double GetVersion() const { return m_version; }
  int32_t GetDeclaredType() const { return m_declaredType; }
  uint32_t GetBlockDepth() const { return m_blockDepth; }

  // The argument vector.
  int SplitArguments(std::string_view text);
  ScriptValue JoinArguments() const;
  int ArgumentCount() const { return static_cast<int>(m_arguments.size()); }
  ScriptValue GetArgument(int index) const;
  const std::vector<ScriptValue>& Arguments() const { return m_arguments; }
  int PushArgument(const ScriptValue& value);
  int PushResult(const ScriptValue& value);
  ScriptValue PopArgument();
  void ClearArguments() { m_arguments.clear(); }
  int PushArgumentValue(std::string_view item);
  int GetParamValue(int index, const ScriptValue& name);

  // Variables: locals, and the interpreter's globals, which the run only refers to.
  void SetVariable(const ScriptValue& name, const ScriptValue& value);
  ScriptValue GetValue(const ScriptValue& name) const;
  const ScriptValue* FindLocal(const std::string& name) const;
  void ClearLocals() { m_locals.clear(); }
  void SetGlobals(ScriptVariables* globals) { m_globals = globals; }
  ScriptVariables* GetGlobals() const { return m_globals; }

  int PushBlock(uint32_t entry);

  // Fields the interpreter keeps in the run.
  uint32_t parallelCount = 0;
  ScriptRun* caller = nullptr;
  int32_t runId = 0;
  int32_t awaitedRunId = 0;
  // The event handed to the World when the run ends; none unless a game sets one.
  uint32_t completionCode = 0;
  uint32_t completionKey = 0;
  std::unique_ptr<EventObject> completionObject;

 private:
  std::string_view Rest() const;
  // Position := just past the next ';' outside quotes (the text's end when there is none).
  void SkipStatement();
  int Fail(const std::string& text);
  int InputWalk();
  int OutputStatement();
  int CallStatement();
  int JumpStatement();
  int LabelStatement();
  int ComputeStatement();
  int ScriptBeginStatement();
  int VersionStatement();
  int MatchStatement();
  int ConditionStatement();
  int ElseStatement();
  int CloseBlock();
  int LoopCondition(const char* unclosedMessage);
  int ForStart();
  int BreakStatement();
  int VariableStatement(bool global);
  // Skips the block that starts at the position; 0 when its end is not in the text.
  int SkipBlock();

  ScriptValue m_text;
  ScriptValue m_scriptName;
  ScriptValue m_errorText;
  double m_version = 0.0;
  uint32_t m_position = 0;
  int m_state = 0;
  int32_t m_declaredType = 0;
  uint32_t m_blocks[SCRIPT_BLOCK_MAX] = {};
  uint32_t m_blockDepth = 0;
  ScriptValue m_callName;
  std::vector<ScriptValue> m_arguments;
  ScriptVariables m_locals;
  ScriptVariables* m_globals = nullptr;
};
