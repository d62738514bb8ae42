// The engine's script interpreter: it loads ".script" resources (cutting them into scripts,
// removing comments and lowering each script into the compiled statement text that ScriptRun
// executes), keeps the loaded scripts by name, and runs them: starting runs, stepping them,
// calls of host functions and of other scripts (serial or detached), waits and resumes, the end of
// a run with its results, and the error texts shown to the user.
//
// It lives in the World's object list with a control of its own, so that the events that resume
// runs reach its OnMessage. Those events name the run by its id, never by its address: a run that
// is gone by the time its event arrives is simply not found.
#pragma once

#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "engine/EngineObject.h"
#include "engine/ScriptRun.h"
#include "engine/ScriptValue.h"

class GameBase;
class Entity;

// The host-function sets, as option bits.
constexpr uint32_t SCRIPT_HOST_CREATE = 1;
constexpr uint32_t SCRIPT_HOST_ENTITY = 2;
constexpr uint32_t SCRIPT_HOST_RESOURCE = 4;

// Events addressed to the interpreter's control; the object is a ValueObject holding the run id.
constexpr uint32_t SCRIPT_EVENT_WAIT_DONE = 131;
constexpr uint32_t SCRIPT_EVENT_PARALLEL_START = 132;

// The engine's core command that shows a text in a message box.
constexpr uint32_t SCRIPT_ERROR_COMMAND = 88;

// Kinds of ReportCallError.
constexpr int SCRIPT_CALL_TOO_FEW_ARGS = 1;
constexpr int SCRIPT_CALL_FAILED = 10;
constexpr int SCRIPT_CALL_BAD_ARG = 20;
constexpr int SCRIPT_CALL_INTERRUPTED = 30;

// How deep serial script calls may nest. Every level is a native call frame, so a script that
// calls itself without end would otherwise overflow the stack.
constexpr int SCRIPT_CALL_DEPTH_MAX = 64;

// Sizes of the compiler's work tables.
constexpr int SCRIPT_OPERATOR_STACK_MAX = 40;
constexpr int SCRIPT_OUTPUT_MAX = 60;
constexpr int SCRIPT_VALUE_STACK_MAX = 60;
constexpr size_t SCRIPT_CONDITION_MAX = 1024;

// One loaded script: its name and the run that every start of it copies.
struct ScriptRecord {
  ScriptValue name;
  ScriptRun prepared;
};

// The compiler's free helpers over expression text.
struct ScriptToken {
  std::string text;
  int kind = 0;
  size_t consumed = 0;
  // A called name: its kind is its argument count, which may equal an operator's kind.
  bool call = false;
};
// Reads the token at `at`; a token of no bytes ends the expression.
ScriptToken ReadExpressionToken(std::string_view text, size_t at);
// The text between the first '(' and the ')' that closes it (quotes are not honoured). *consumed
// runs through the ')'. Without both parentheses, or over the condition limit, the result is an
// empty condition; *error receives the limit's message.
std::string ReadScriptCondition(std::string_view text, size_t* consumed, std::string* error);
bool IsUnaryMinusPosition(std::string_view text, size_t at);
// The index of the ')' that closes the '(' just before `from`, honouring quotes; npos when none.
size_t FindClosingParen(std::string_view text, size_t from);
bool IsScriptAssignment(std::string_view text);
bool IsScriptOperator(std::string_view text);
bool IsOperatorByte(char c);
bool IsStatementWord(std::string_view text);
// The next script from `*position` on, through the ';' after its end word; an untyped empty value
// when none is left.
ScriptValue ExtractScriptBody(const ScriptValue& text, size_t* position);

class ScriptInterpreter : public WorldObject {
 public:
  // The game whose facade the host functions use; null leaves only the functions that need no
  // game (tools and tests).
  explicit ScriptInterpreter(GameBase* game);
  ~ScriptInterpreter() override;

  int OnMessage(Event* message) override;

  virtual int Run(ScriptRun* run);
  virtual int CallFunction(ScriptRun* run);
  virtual int CallGameFunction(ScriptRun* run);
  virtual void PostError(const std::string& text);
  virtual int ReportCallError(ScriptRun* run, int kind);

  int StartScript(const ScriptValue& name, const ScriptValue& arguments);
  int CallBuiltin(ScriptRun* run);
  int CallGeneralFunction(ScriptRun* run);
  int CallCreateFunctions(ScriptRun* run);
  int CallResourceFunctions(ScriptRun* run);
  int CallEntityFunctions(ScriptRun* run);

  void EnableCreateSet() { m_options |= SCRIPT_HOST_CREATE; }
  void EnableEntitySet() { m_options |= SCRIPT_HOST_ENTITY; }
  void EnableResourceSet() { m_options |= SCRIPT_HOST_RESOURCE; }
  uint32_t GetOptions() const { return m_options; }
  int32_t NextRunId() { return ++m_runIdCounter; }
  int GetRunCount() const { return static_cast<int>(m_runs.size()); }
  int GetScriptCount() const { return static_cast<int>(m_scripts.size()); }
  const ScriptRecord* FindScript(const std::string& name) const;
  ScriptRun* FindRun(int32_t runId) const;
  const ScriptVariables& GetGlobals() const { return m_globals; }

  // Loading and compiling.
  int LoadScript(const ScriptValue& text, int unused = 0);
  static void StripComments(ScriptValue* text);
  ScriptValue CompileScript(const ScriptValue& script);
  ScriptValue CompileAssignment(std::string_view text);
  ScriptValue CompileExpression(std::string_view text);
  void ClearCompileTables();
  int PushOperator(const std::string& token, int kind);
  int PushOutput(const std::string& token, int kind);
  static int OperatorPrecedes(const std::string& top, const std::string& incoming);
  ScriptValue NewTemporary() const;
  const std::string& GetCompileError() const { return m_compileError; }

  // A budget of statements for the runs started from now on (tools that run untrusted scripts
  // without a frame loop to return to); -1, the default, sets none.
  void SetStepBudget(int64_t steps) { m_stepBudget = steps; }

  GameBase* GetGame() const { return m_game; }

 private:
  struct CompileEntry {
    std::string token;
    int kind = 0;
  };

  ScriptRun* CreateRun(const ScriptRecord& record);
  void EndRun(ScriptRun* run);
  void RemoveRun(ScriptRun* run);
  Entity* FindEntityArg(ScriptRun* run, int index);
  int EntityCommand(ScriptRun* run, Entity* e);
  int ReadEntity(ScriptRun* run, Entity* e);
  int LinkCommand(ScriptRun* run);
  int UnlinkCommand(ScriptRun* run);
  int DrawImageCommand(ScriptRun* run);
  int PictureCommand(ScriptRun* run);
  int PlaneCommand(ScriptRun* run);
  bool ValidLayer(int32_t layer) const;

  GameBase* m_game;
  uint32_t m_options = 0;
  int32_t m_runIdCounter = 0;
  std::map<std::string, ScriptRecord> m_scripts;
  std::list<std::unique_ptr<ScriptRun>> m_runs;
  ScriptVariables m_globals;
  int m_callDepth = 0;
  int64_t m_stepBudget = -1;
  std::string m_compileError;
  bool m_compileFailed = false;

  CompileEntry m_operators[SCRIPT_OPERATOR_STACK_MAX];
  CompileEntry m_output[SCRIPT_OUTPUT_MAX];
  std::string m_values[SCRIPT_VALUE_STACK_MAX];
  int m_operatorCount = 0;
  int m_outputCount = 0;
  int m_valueCount = 0;
};
