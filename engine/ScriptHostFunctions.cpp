// The host functions that the engine offers to scripts: the general set (waits, colours, starting
// scripts, the view size, log lines, sound effects), the creation of pictures and planes, and the
// resource functions. Each reads its arguments from the calling run's argument vector, checks
// their count before anything else, and either leaves the vector alone or replaces it with its
// results.
#include "engine/EngineClock.h"
#include "engine/EngineUtil.h"
#include "engine/GameBase.h"
#include "engine/ScriptInterpreter.h"

namespace {

// Where created entities wait until the script places them.
constexpr int32_t kOffScreen = -100000;
constexpr uint32_t kNoKeyColor = 0xff00ff;
constexpr int32_t kDefaultLayer = 4;
constexpr int32_t kLayerCount = 5;

bool Is(const ScriptRun* run, std::initializer_list<const char*> names) {
  const std::string call = run->GetCallName().Text();
  for (const char* name : names) {
    if (call == name) return true;
  }
  return false;
}

int32_t IntArg(const ScriptRun* run, int index) { return run->GetArgument(index).ToInt(); }

}  // namespace

bool ScriptInterpreter::ValidLayer(int32_t layer) const {
  return layer >= 0 && layer < kLayerCount;
}

int ScriptInterpreter::CallBuiltin(ScriptRun* run) {
  int result = CallGeneralFunction(run);
  if (result != SCRIPT_UNSUPPORTED) return result;
  if (m_options & SCRIPT_HOST_CREATE) {
    result = CallCreateFunctions(run);
    if (result != SCRIPT_UNSUPPORTED) return result;
  }
  if (m_options & SCRIPT_HOST_ENTITY) {
    result = CallEntityFunctions(run);
    if (result != SCRIPT_UNSUPPORTED) return result;
  }
  if (m_options & SCRIPT_HOST_RESOURCE) {
    result = CallResourceFunctions(run);
    if (result != SCRIPT_UNSUPPORTED) return result;
  }
  return SCRIPT_UNSUPPORTED;
}

int ScriptInterpreter::CallGeneralFunction(ScriptRun* run) {
  const int count = run->ArgumentCount();
  if (Is(run, {"等待", "WAIT"})) {
    if (count < 1) return ReportCallError(run, SCRIPT_CALL_TOO_FEW_ARGS);
    if (m_game == nullptr) return ReportCallError(run, SCRIPT_CALL_FAILED);
    const uint32_t ms = static_cast<uint32_t>(IntArg(run, 0));
    // The timer's event names the run by id, so that a run that is gone when it fires is not
    // touched; the event's object is the timer's to free.
    if (m_game->StartTimer(ms, SCRIPT_EVENT_WAIT_DONE, new ValueObject(static_cast<uint32_t>(run->runId)),
                           GetControlKey(), 0) == 0) {
      return ReportCallError(run, SCRIPT_CALL_FAILED);
    }
    run->SetState(SCRIPT_WAIT);
    return SCRIPT_WAIT;
  }
  if (Is(run, {"红黄绿", "颜色", "RGB"})) {
    if (count < 3) return ReportCallError(run, SCRIPT_CALL_TOO_FEW_ARGS);
    const uint32_t r = static_cast<uint32_t>(IntArg(run, 0)) & 255;
    const uint32_t g = static_cast<uint32_t>(IntArg(run, 1)) & 255;
    const uint32_t b = static_cast<uint32_t>(IntArg(run, 2)) & 255;
    run->ClearArguments();
    run->PushResult(ScriptValue::FromUnsigned(r + g * 256 + b * 65536));
    return SCRIPT_NEXT;
  }
  if (Is(run, {"触发脚本", "RUNSCRIPT"})) {
    if (count < 1) return ReportCallError(run, SCRIPT_CALL_TOO_FEW_ARGS);
    std::string arguments;
    for (int i = 1; i < count; ++i) {
      if (i > 1) arguments += ',';
      arguments += run->GetArgument(i).Text();
    }
    if (m_callDepth >= SCRIPT_CALL_DEPTH_MAX) return ReportCallError(run, SCRIPT_CALL_FAILED);
    StartScript(run->GetArgument(0), ScriptValue(arguments));
    return SCRIPT_NEXT;
  }
  if (Is(run, {"获取当前屏幕大小"})) {
    const int32_t width = m_game ? m_game->GetViewWidth() : 0;
    const int32_t height = m_game ? m_game->GetViewHeight() : 0;
    run->ClearArguments();
    run->PushResult(ScriptValue::FromInt(width));
    run->PushResult(ScriptValue::FromInt(height));
    return SCRIPT_NEXT;
  }
  if (Is(run, {"时间戳"})) {
    if (count < 1) return ReportCallError(run, SCRIPT_CALL_TOO_FEW_ARGS);
    // The script's text is an argument of the format, never the format itself.
    WriteLog("%d:%s", static_cast<int>(GetEngineTime()), run->GetArgument(0).Text().c_str());
    return SCRIPT_NEXT;
  }
  if (Is(run, {"播放音效"})) {
    if (count < 1) return ReportCallError(run, SCRIPT_CALL_TOO_FEW_ARGS);
    if (m_game == nullptr) return ReportCallError(run, SCRIPT_CALL_FAILED);
    m_game->GetWorldRef().GetSound().PlayEffectFile(run->GetArgument(0).Text().c_str());
    return SCRIPT_NEXT;
  }
  return SCRIPT_UNSUPPORTED;
}

int ScriptInterpreter::CallCreateFunctions(ScriptRun* run) {
  const int count = run->ArgumentCount();
  if (Is(run, {"创建平面"})) {
    if (count < 2) return ReportCallError(run, SCRIPT_CALL_TOO_FEW_ARGS);
    const int32_t width = IntArg(run, 0);
    const int32_t height = IntArg(run, 1);
    const uint32_t key = count >= 3 ? static_cast<uint32_t>(IntArg(run, 2)) : kNoKeyColor;
    const int32_t layer = count >= 4 ? IntArg(run, 3) : kDefaultLayer;
    // The screen has five layers, and a plane's pixels need a size that is not negative.
    if (!ValidLayer(layer) || width < 0 || height < 0) {
      return ReportCallError(run, SCRIPT_CALL_BAD_ARG);
    }
    Entity* e = m_game ? m_game->CreatePlane(layer, kOffScreen, kOffScreen, width, height, key, "")
                       : nullptr;
    if (e == nullptr) return ReportCallError(run, SCRIPT_CALL_FAILED);
    run->ClearArguments();
    run->PushResult(ScriptValue::FromUnsigned(static_cast<uint32_t>(e->GetId())));
    return SCRIPT_NEXT;
  }
  if (Is(run, {"创建图片"})) {
    if (count < 1) return ReportCallError(run, SCRIPT_CALL_TOO_FEW_ARGS);
    const uint32_t index = count >= 2 ? static_cast<uint32_t>(IntArg(run, 1)) : 0;
    const int32_t layer = count >= 3 ? IntArg(run, 2) : kDefaultLayer;
    if (!ValidLayer(layer)) return ReportCallError(run, SCRIPT_CALL_BAD_ARG);
    Entity* e = nullptr;
    if (m_game != nullptr) {
      ResourceFrame frame{};
      GameBase::GetResourceFrameByName(&frame, run->GetArgument(0).Text().c_str(), index);
      e = m_game->CreatePictureFromFrame(layer, kOffScreen, kOffScreen, frame, "", kNoKeyColor);
    }
    if (e == nullptr) return ReportCallError(run, SCRIPT_CALL_FAILED);
    run->ClearArguments();
    run->PushResult(ScriptValue::FromUnsigned(static_cast<uint32_t>(e->GetId())));
    return SCRIPT_NEXT;
  }
  return SCRIPT_UNSUPPORTED;
}

int ScriptInterpreter::CallResourceFunctions(ScriptRun* run) {
  const int count = run->ArgumentCount();
  if (Is(run, {"设置资源目录"})) {
    if (count < 1) return ReportCallError(run, SCRIPT_CALL_TOO_FEW_ARGS);
    if (m_game == nullptr) return ReportCallError(run, SCRIPT_CALL_FAILED);
    // A folder whose path does not fit is refused by the facade, not cut short.
    if (!m_game->SetResourceFolder(run->GetArgument(0).Text().c_str())) {
      return ReportCallError(run, SCRIPT_CALL_BAD_ARG);
    }
    return SCRIPT_NEXT;
  }
  if (Is(run, {"动态加载"})) {
    if (count < 1) return ReportCallError(run, SCRIPT_CALL_TOO_FEW_ARGS);
    if (m_game == nullptr) return ReportCallError(run, SCRIPT_CALL_FAILED);
    for (int i = 0; i < count; ++i) {
      m_game->FindOrLoadImage(run->GetArgument(i).Text().c_str(), nullptr,
                              static_cast<int32_t>(kNoKeyColor), 1);
    }
    return SCRIPT_NEXT;
  }
  return SCRIPT_UNSUPPORTED;
}
