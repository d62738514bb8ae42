// The script interpreter over arbitrary text (the fuzz build keeps its literals in UTF-8, so the
// corpus is written in UTF-8 too): loading cuts, strips and compiles every script and
// then runs each one with a budget of statements, so that a script that loops for ever ends as a
// failed run instead of holding the harness. The same bytes also run as compiled statement text,
// which the statement engine must survive however damaged it is.
#include <string>

#include "engine/ScriptInterpreter.h"
#include "fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const uint8_t options = in.Byte();
  size_t count = 0;
  const char* bytes = reinterpret_cast<const char*>(in.Rest(&count));
  const ScriptValue text(std::string(bytes, count));

  ScriptInterpreter interpreter(nullptr);
  if (options & 1) interpreter.EnableCreateSet();
  if (options & 2) interpreter.EnableEntitySet();
  if (options & 4) interpreter.EnableResourceSet();
  interpreter.LoadScript(text);
  size_t position = 0;
  for (ScriptValue body = ExtractScriptBody(text, &position); body.GetType() != 0;
       body = ExtractScriptBody(text, &position)) {
    ScriptRun header;
    if (!header.Init(body)) continue;
    interpreter.SetStepBudget(10000);
    interpreter.StartScript(header.GetScriptName(), ScriptValue(options & 8 ? "1,\"a,b\",x" : ""));
  }

  ScriptRun run;
  if (run.Init(text)) {
    for (int steps = 0; steps < 10000; ++steps) {
      const int code = run.Execute();
      if (code == SCRIPT_END || code == SCRIPT_ERROR) break;
    }
  }
  return 0;
}
