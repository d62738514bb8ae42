// The entity set of host functions: moving, showing, turning, sizing, linking and reading
// entities, and the picture and plane commands. Ids come from the scripts as texts and are looked
// up in the World every time, so a stale id finds nothing and fails the call.
#include <cstdio>

#include "engine/GameBase.h"
#include "engine/PictureEntity.h"
#include "engine/PlaneEntity.h"
#include "engine/ScriptInterpreter.h"

namespace {

constexpr uint32_t kNoKeyColor = 0xff00ff;
constexpr uint32_t kStandardLinkFlags = 0x1802e;

// A sub-command with the number of operands it takes.
struct SubCommand {
  const char* name;
  int operands;
};

// The index of `word` in a table of sub-commands; -1 when it is none of them.
template <size_t N>
int FindSub(const SubCommand (&table)[N], const std::string& word) {
  for (size_t i = 0; i < N; ++i) {
    if (word == table[i].name) return static_cast<int>(i);
  }
  return -1;
}

int32_t IntArg(const ScriptRun* run, int index) { return run->GetArgument(index).ToInt(); }
double RealArg(const ScriptRun* run, int index) { return run->GetArgument(index).ToDouble(); }

std::string RealText(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%f", value);
  return text;
}

}  // namespace

Entity* ScriptInterpreter::FindEntityArg(ScriptRun* run, int index) {
  if (m_game == nullptr) return nullptr;
  return m_game->FindEntity(static_cast<uint32_t>(IntArg(run, index)));
}

int ScriptInterpreter::CallEntityFunctions(ScriptRun* run) {
  static const char* const kCommands[] = {"操作实体", "读取实体", "绑定实体", "解除绑定",
                                          "贴图",     "操作图片", "操作平面"};
  const std::string call = run->GetCallName().Text();
  int which = -1;
  for (int i = 0; i < 7 && which < 0; ++i) {
    if (call == kCommands[i]) which = i;
  }
  if (which < 0) return SCRIPT_UNSUPPORTED;
  if (run->ArgumentCount() < 2) return ReportCallError(run, SCRIPT_CALL_TOO_FEW_ARGS);
  switch (which) {
    case 0: {
      Entity* e = FindEntityArg(run, 0);
      return e ? EntityCommand(run, e) : ReportCallError(run, SCRIPT_CALL_FAILED);
    }
    case 1: {
      Entity* e = FindEntityArg(run, 0);
      return e ? ReadEntity(run, e) : ReportCallError(run, SCRIPT_CALL_FAILED);
    }
    case 2:
      return LinkCommand(run);
    case 3:
      return UnlinkCommand(run);
    case 4:
      return DrawImageCommand(run);
    case 5:
      return PictureCommand(run);
    default:
      return PlaneCommand(run);
  }
}

int ScriptInterpreter::EntityCommand(ScriptRun* run, Entity* e) {
  static const SubCommand kSubs[] = {
      {"坐标", 2},   {"位移", 2},     {"显示", 0}, {"隐藏", 0},     {"半透明", 1},
      {"图层", 1},   {"图层升降", 1}, {"角度", 1}, {"旋转", 1},     {"绕点旋转", 3},
      {"宽高", 2},   {"放缩", 2},     {"删除", 0},
  };
  const int count = run->ArgumentCount();
  for (int i = 1; i < count;) {
    const int sub = FindSub(kSubs, run->GetArgument(i).Text());
    if (sub < 0) return ReportCallError(run, SCRIPT_CALL_BAD_ARG);
    ++i;
    if (count - i < kSubs[sub].operands) return ReportCallError(run, SCRIPT_CALL_TOO_FEW_ARGS);
    const int a = i;
    i += kSubs[sub].operands;
    switch (sub) {
      case 0: e->MoveTo(IntArg(run, a), IntArg(run, a + 1)); break;
      case 1: e->MoveBy(IntArg(run, a), IntArg(run, a + 1)); break;
      case 2: e->Show(); break;
      case 3: e->Hide(); break;
      case 4: e->SetAlpha(RealArg(run, a)); break;
      case 5: e->SetLevel(IntArg(run, a)); break;
      case 6: e->AddLevel(IntArg(run, a)); break;
      case 7: e->SetAngle(RealArg(run, a)); break;
      case 8: e->RotateBy(RealArg(run, a)); break;
      case 9: e->RotateAbout(IntArg(run, a), IntArg(run, a + 1), RealArg(run, a + 2)); break;
      case 10: e->SetSize(IntArg(run, a), IntArg(run, a + 1)); break;
      case 11: e->ResizeBy(IntArg(run, a), IntArg(run, a + 1)); break;
      default:
        // The entity is gone: nothing after this sub-command can apply to it.
        m_game->GetWorldRef().DestroyEntityById(static_cast<uint32_t>(e->GetId()));
        return SCRIPT_NEXT;
    }
  }
  e->Refresh();
  return SCRIPT_NEXT;
}

int ScriptInterpreter::ReadEntity(ScriptRun* run, Entity* e) {
  static const char* const kKeys[] = {"坐标", "左边", "右边",   "上边", "下边",
                                      "宽度", "高度", "显示",   "半透明", "图层",
                                      "角度", "老爸", "类型",   "儿子"};
  const int count = run->ArgumentCount();
  std::string result;
  auto add = [&result](const std::string& value) {
    if (!result.empty()) result += ',';
    result += value;
  };
  for (int i = 1; i < count; ++i) {
    const std::string key = run->GetArgument(i).Text();
    int which = -1;
    for (int k = 0; k < 14 && which < 0; ++k) {
      if (key == kKeys[k]) which = k;
    }
    switch (which) {
      case 0:
        add(std::to_string(e->GetX()));
        result += ',' + std::to_string(e->GetY());
        break;
      case 1: add(std::to_string(e->GetLeft())); break;
      case 2: add(std::to_string(e->GetRight())); break;
      case 3: add(std::to_string(e->GetTop())); break;
      case 4: add(std::to_string(e->GetBottom())); break;
      case 5: add(std::to_string(e->GetWidth())); break;
      case 6: add(std::to_string(e->GetHeight())); break;
      case 7: add(e->IsVisible() ? "TRUE" : "FALSE"); break;
      case 8: add(RealText(e->GetAlpha())); break;
      case 9: add(std::to_string(e->GetLevel())); break;
      case 10: add(RealText(e->GetAngle())); break;
      case 11: add(std::to_string(e->GetParent() ? e->GetParent()->GetId() : 0)); break;
      case 12: add(std::to_string(e->GetKind())); break;
      case 13: {
        if (i + 1 >= count) return ReportCallError(run, SCRIPT_CALL_TOO_FEW_ARGS);
        const int32_t index = IntArg(run, ++i);
        Entity* child = index >= 0 && static_cast<uint32_t>(index) < e->GetLinkCount()
                            ? e->GetChild(static_cast<uint32_t>(index))
                            : nullptr;
        if (child == nullptr) return ReportCallError(run, SCRIPT_CALL_FAILED);
        add(std::to_string(child->GetId()));
        break;
      }
      default:
        return ReportCallError(run, SCRIPT_CALL_BAD_ARG);
    }
  }
  run->ClearArguments();
  run->SplitArguments(result);
  return SCRIPT_NEXT;
}

int ScriptInterpreter::LinkCommand(ScriptRun* run) {
  static const struct {
    const char* name;
    uint32_t flags;
  } kOptions[] = {
      {"位置", 0x18002}, {"半透明", 0x8},   {"显示", 0x4},    {"放缩", 0x40},
      {"刷新", 0x20},    {"删除", 0x1},     {"全部", 0x1c06f}, {"标准", 0x1802e},
      {"记忆显示", 0x1000},
  };
  Entity* parent = FindEntityArg(run, 0);
  Entity* child = parent ? FindEntityArg(run, 1) : nullptr;
  if (parent == nullptr || child == nullptr) return ReportCallError(run, SCRIPT_CALL_FAILED);
  const int count = run->ArgumentCount();
  uint32_t flags = count == 2 ? kStandardLinkFlags : 0;
  for (int i = 2; i < count; ++i) {
    const std::string option = run->GetArgument(i).Text();
    bool known = false;
    for (const auto& o : kOptions) {
      if (option == o.name) {
        flags |= o.flags;
        known = true;
        break;
      }
    }
    if (!known) return ReportCallError(run, SCRIPT_CALL_BAD_ARG);
  }
  m_game->LinkEntities(parent, child, flags);
  return SCRIPT_NEXT;
}

int ScriptInterpreter::UnlinkCommand(ScriptRun* run) {
  const uint32_t parentId = static_cast<uint32_t>(IntArg(run, 0));
  if (parentId == 0 || m_game == nullptr) return ReportCallError(run, SCRIPT_CALL_FAILED);
  for (int i = 1; i < run->ArgumentCount(); ++i) {
    m_game->GetWorldRef().RemoveChildEntity(parentId, static_cast<uint32_t>(IntArg(run, i)));
  }
  return SCRIPT_NEXT;
}

int ScriptInterpreter::DrawImageCommand(ScriptRun* run) {
  Entity* plane = FindEntityArg(run, 0);
  if (plane == nullptr || plane->GetKind() != ENTITY_KIND_PLANE) {
    return ReportCallError(run, SCRIPT_CALL_FAILED);
  }
  const int count = run->ArgumentCount();
  const uint32_t index = count >= 3 ? static_cast<uint32_t>(IntArg(run, 2)) : 0;
  const int32_t x = count >= 5 ? IntArg(run, 3) : 0;
  const int32_t y = count >= 5 ? IntArg(run, 4) : 0;
  const int32_t width = count >= 7 ? IntArg(run, 5) : 0;
  const int32_t height = count >= 7 ? IntArg(run, 6) : 0;
  ResourceFrame frame{};
  GameBase::GetResourceFrameByName(&frame, run->GetArgument(1).Text().c_str(), index);
  PlaneEntity::DrawImage(plane, x, y, frame, width, height, 0.0, 1.0, kNoKeyColor);
  return SCRIPT_NEXT;
}

int ScriptInterpreter::PictureCommand(ScriptRun* run) {
  Entity* picture = FindEntityArg(run, 0);
  if (picture == nullptr || picture->GetKind() != BIT_SINGLE) {
    return ReportCallError(run, SCRIPT_CALL_FAILED);
  }
  const int count = run->ArgumentCount();
  const std::string sub = run->GetArgument(1).Text();
  if (sub == "切帧") {
    const uint32_t step = count >= 3 ? static_cast<uint32_t>(IntArg(run, 2)) : 1;
    PictureEntity::SetFrame(picture, PictureEntity::GetCurrentFrame(picture) + step);
  } else if (sub == "跳帧") {
    PictureEntity::SetFrame(picture, count >= 3 ? static_cast<uint32_t>(IntArg(run, 2)) : 1);
  } else if (sub == "载入") {
    if (count < 3) return ReportCallError(run, SCRIPT_CALL_TOO_FEW_ARGS);
    const uint32_t index = count >= 4 ? static_cast<uint32_t>(IntArg(run, 3)) : 0;
    ResourceFrame frame{};
    GameBase::GetResourceFrameByName(&frame, run->GetArgument(2).Text().c_str(), index);
    PictureEntity::SetPictureFromFrame(picture, frame, kNoKeyColor);
    picture->Refresh();
  } else if (sub == "背景色") {
    if (count < 3) return ReportCallError(run, SCRIPT_CALL_TOO_FEW_ARGS);
    PictureEntity::SetBackColor(picture, static_cast<uint32_t>(IntArg(run, 2)));
    picture->Refresh();
  } else if (sub == "播放") {
    int32_t mode = 0;
    int32_t times = -1;
    if (count >= 4) {
      const std::string how = run->GetArgument(2).Text();
      const int32_t mapped = how == "轮数" ? 0 : how == "帧数" ? 1 : how == "时间" ? 2 : -1;
      if (mapped >= 0) {
        mode = mapped;
        times = IntArg(run, 3);
      }
    }
    m_game->PlayAnimation(picture, mode, times, 0, 0, 0, nullptr, 0);
  } else {
    return SCRIPT_UNSUPPORTED;
  }
  return SCRIPT_NEXT;
}

int ScriptInterpreter::PlaneCommand(ScriptRun* run) {
  static const SubCommand kSubs[] = {
      {"宽高", 2}, {"底色", 1}, {"背景色", 1}, {"边界色", 1}, {"文字", 3}, {"贴图", 4},
  };
  Entity* plane = FindEntityArg(run, 0);
  if (plane == nullptr || plane->GetKind() != ENTITY_KIND_PLANE) {
    return ReportCallError(run, SCRIPT_CALL_FAILED);
  }
  const int count = run->ArgumentCount();
  for (int i = 1; i < count;) {
    const int sub = FindSub(kSubs, run->GetArgument(i).Text());
    if (sub < 0) return ReportCallError(run, SCRIPT_CALL_BAD_ARG);
    ++i;
    if (count - i < kSubs[sub].operands) return ReportCallError(run, SCRIPT_CALL_TOO_FEW_ARGS);
    const int a = i;
    i += kSubs[sub].operands;
    switch (sub) {
      case 0: {
        const int32_t width = IntArg(run, a);
        const int32_t height = IntArg(run, a + 1);
        // A plane's pixels cannot take a negative size.
        if (width < 0 || height < 0) return ReportCallError(run, SCRIPT_CALL_BAD_ARG);
        PlaneEntity::Resize(plane, width, height);
        break;
      }
      case 1: PlaneEntity::SetFillColor(plane, static_cast<uint32_t>(IntArg(run, a))); break;
      case 2: PlaneEntity::SetBackColor(plane, static_cast<uint32_t>(IntArg(run, a))); break;
      case 3: PlaneEntity::DrawBorder(plane, static_cast<uint32_t>(IntArg(run, a))); break;
      case 4:
        PlaneEntity::DrawText(plane, IntArg(run, a), IntArg(run, a + 1),
                              run->GetArgument(a + 2).Text().c_str());
        break;
      default: {
        ResourceFrame frame{};
        GameBase::GetResourceFrameByName(&frame, run->GetArgument(a + 2).Text().c_str(),
                                         static_cast<uint32_t>(IntArg(run, a + 3)));
        PlaneEntity::DrawImage(plane, IntArg(run, a), IntArg(run, a + 1), frame, frame.width,
                               frame.height, 0.0, 1.0, kNoKeyColor);
        break;
      }
    }
  }
  return SCRIPT_NEXT;
}
