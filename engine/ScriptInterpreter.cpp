// The interpreter's runtime: starting runs, the run loop, calls of host functions and of other
// scripts, waits and resumes, the end of a run and the error texts.
#include "engine/ScriptInterpreter.h"

#include "engine/GameBase.h"
#include "engine/ResourceManager.h"

namespace {

constexpr const char* kCallErrorTexts[] = {
    "<color=255>脚本<rgb=0,0,255;>%s<rgb=255,255,255>调用函数<rgb=0,255,0>%s<rgb=255,255,255>参数不足!",
    "<color=255>脚本<rgb=0,0,255;>%s<rgb=255,255,255>调用函数<rgb=0,255,0>%s<rgb=255,255,255>失败!",
    "<color=255>脚本<rgb=0,0,255;>%s<rgb=255,255,255>调用函数<rgb=0,255,0>%s<rgb=255,255,255>失败,参数不合法!",
    "<color=255>调用脚本<rgb=0,0,255;>%s<rgb=255,255,255>失败,串行调用被打断!",
};

}  // namespace

ScriptInterpreter::ScriptInterpreter(GameBase* game) : m_game(game) {}

ScriptInterpreter::~ScriptInterpreter() {
  // The resource manager outlives every World; it must not hand a later script resource to an
  // interpreter that is gone.
  ResourceManager* manager = ResourceManager::Instance();
  if (manager->GetScriptInterpreter() == this) manager->SetScriptInterpreter(nullptr);
}

const ScriptRecord* ScriptInterpreter::FindScript(const std::string& name) const {
  auto it = m_scripts.find(name);
  return it == m_scripts.end() ? nullptr : &it->second;
}

ScriptRun* ScriptInterpreter::FindRun(int32_t runId) const {
  for (const auto& run : m_runs) {
    if (run->runId == runId) return run.get();
  }
  return nullptr;
}

ScriptRun* ScriptInterpreter::CreateRun(const ScriptRecord& record) {
  auto run = std::make_unique<ScriptRun>(record.prepared);
  run->SetGlobals(&m_globals);
  run->runId = NextRunId();
  m_runs.push_back(std::move(run));
  return m_runs.back().get();
}

void ScriptInterpreter::RemoveRun(ScriptRun* run) {
  m_runs.remove_if([run](const std::unique_ptr<ScriptRun>& r) { return r.get() == run; });
}

int ScriptInterpreter::StartScript(const ScriptValue& name, const ScriptValue& arguments) {
  const ScriptRecord* record = FindScript(name.Text());
  if (record == nullptr) {
    PostError(FormatScriptText("<break;break;>   脚本运行错误,%s不存在!<break;break>", name.Text()));
    return SCRIPT_ERROR;
  }
  ScriptRun* run = CreateRun(*record);
  if (!arguments.Text().empty()) {
    run->ClearArguments();
    run->SplitArguments(arguments.Text());
  }
  // A script started from a script runs inside its starter's native frames, as a serial call does.
  ++m_callDepth;
  const int result = Run(run);
  --m_callDepth;
  return result;
}

int ScriptInterpreter::Run(ScriptRun* run) {
  if (run == nullptr) return SCRIPT_ERROR;
  for (;;) {
    if (m_stepBudget == 0) {
      run->SetErrorText("脚本执行步数超出限制!");
      run->SetState(SCRIPT_ERROR);
      PostError(run->GetErrorText().Text());
      return SCRIPT_ERROR;
    }
    if (m_stepBudget > 0) --m_stepBudget;
    const int code = run->Execute();
    if (code == SCRIPT_END) {
      EndRun(run);
      return SCRIPT_END;
    }
    if (code == SCRIPT_ERROR) {
      PostError(run->GetErrorText().Text());
      return SCRIPT_ERROR;
    }
    if (code == SCRIPT_CALL) {
      const int result = CallFunction(run);
      if (result == SCRIPT_WAIT || result == SCRIPT_HALT) return result;
      if (result == SCRIPT_ERROR) {
        run->SetState(SCRIPT_ERROR);
        if (!run->GetErrorText().Text().empty()) PostError(run->GetErrorText().Text());
        return SCRIPT_ERROR;
      }
      run->SetState(SCRIPT_NEXT);
    }
  }
}

void ScriptInterpreter::EndRun(ScriptRun* run) {
  ScriptRun* caller = run->caller;
  if (caller != nullptr) {
    caller->ClearArguments();
    caller->SplitArguments(run->JoinArguments().Text());
  }
  if (run->completionCode != 0 && m_game != nullptr) {
    Event event{run->completionCode,
                run->completionObject ? run->completionObject->Clone() : nullptr,
                run->completionKey};
    if (!m_game->DispatchEvent(&event, 1)) delete event.object;
  }
  const int32_t id = run->runId;
  RemoveRun(run);
  if (caller != nullptr && caller->awaitedRunId != 0 && caller->awaitedRunId == id) {
    caller->awaitedRunId = 0;
    caller->SetState(SCRIPT_NEXT);
    Run(caller);
  }
}

int ScriptInterpreter::CallFunction(ScriptRun* run) {
  int result = CallBuiltin(run);
  if (result != SCRIPT_UNSUPPORTED) return result;
  result = CallGameFunction(run);
  if (result != SCRIPT_UNSUPPORTED) return result;
  const ScriptRecord* record = FindScript(run->GetCallName().Text());
  if (record == nullptr) {
    PostError(FormatScriptText(
        "<color=255>脚本<rgb=0,0,255;>%s<rgb=255,255,255>调用了一个不支持的函数<rgb=0,255,0>%s",
        run->GetScriptName().Text(), run->GetCallName().Text()));
    return SCRIPT_ERROR;
  }
  ScriptRun* callee = CreateRun(*record);
  callee->ClearArguments();
  callee->SplitArguments(run->JoinArguments().Text());
  run->ClearArguments();
  if (run->parallelCount > 0) {
    --run->parallelCount;
    if (m_game == nullptr ||
        !m_game->SendControlEvent(SCRIPT_EVENT_PARALLEL_START, new ValueObject(callee->runId),
                                  GetControlKey(), 1)) {
      RemoveRun(callee);
      return ReportCallError(run, SCRIPT_CALL_FAILED);
    }
    return SCRIPT_NEXT;
  }
  if (m_callDepth >= SCRIPT_CALL_DEPTH_MAX) {
    RemoveRun(callee);
    return ReportCallError(run, SCRIPT_CALL_FAILED);
  }
  callee->caller = run;
  ++m_callDepth;
  const int32_t calleeId = callee->runId;
  const int result2 = Run(callee);
  --m_callDepth;
  if (result2 == SCRIPT_ERROR) return SCRIPT_ERROR;
  if (result2 == SCRIPT_WAIT || result2 == SCRIPT_HALT) {
    run->awaitedRunId = calleeId;
    run->SetState(SCRIPT_WAIT);
    return SCRIPT_WAIT;
  }
  return SCRIPT_NEXT;
}

int ScriptInterpreter::CallGameFunction(ScriptRun*) { return SCRIPT_UNSUPPORTED; }

void ScriptInterpreter::PostError(const std::string& text) {
  if (m_game == nullptr) return;
  m_game->SendControlEvent(SCRIPT_ERROR_COMMAND, new TextObject(text), 0, 0);
}

int ScriptInterpreter::ReportCallError(ScriptRun* run, int kind) {
  const std::string script = run->GetScriptName().Text();
  std::string text;
  switch (kind) {
    case SCRIPT_CALL_TOO_FEW_ARGS:
      text = FormatScriptText(kCallErrorTexts[0], script, run->GetCallName().Text());
      break;
    case SCRIPT_CALL_FAILED:
      text = FormatScriptText(kCallErrorTexts[1], script, run->GetCallName().Text());
      break;
    case SCRIPT_CALL_BAD_ARG:
      text = FormatScriptText(kCallErrorTexts[2], script, run->GetCallName().Text());
      break;
    case SCRIPT_CALL_INTERRUPTED:
      text = FormatScriptText(kCallErrorTexts[3], script);
      break;
    default:
      break;
  }
  PostError(text);
  return SCRIPT_ERROR;
}

int ScriptInterpreter::OnMessage(Event* message) {
  if (message == nullptr) return 1;
  if (message->code != SCRIPT_EVENT_WAIT_DONE && message->code != SCRIPT_EVENT_PARALLEL_START) {
    return 1;
  }
  // The event names its run by id; a run that failed or is gone meanwhile is left alone.
  auto* id = dynamic_cast<ValueObject*>(message->object);
  ScriptRun* run = id ? FindRun(static_cast<int32_t>(id->Value())) : nullptr;
  if (run != nullptr && run->GetState() != SCRIPT_ERROR) {
    if (run->GetState() == SCRIPT_WAIT) run->SetState(SCRIPT_NEXT);
    Run(run);
  }
  return 1;
}
