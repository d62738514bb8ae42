// Message boxes and toasts drawn inside the game screen, and the console's statistics toasts.
#include <cstdio>
#include <cstdlib>

#include "engine/GameBase.h"
#include "engine/MessageBoxButton.h"
#include "engine/PlaneEntity.h"
#include "engine/ResourceManager.h"
#include "engine/ScriptInterpreter.h"
#include "engine/Screen.h"
#include "engine/TextFont.h"

namespace {

// The box's buttons follow it in moves, level, refresh, alpha, visibility and angle, and go with
// it.
constexpr uint32_t BOX_BUTTON_LINK_FLAGS = 0x1802f;
constexpr int32_t CENTRED = -1000;

}  // namespace

void GameBase::ShowMessageBox(const MessageBoxSpec& spec) {
  Entity* p = m_world.FindEntity(spec.planeId);
  if (PlaneEntity::GetState(p) == nullptr) return;
  p->SetLevel(10000 + std::rand() % 10000);
  PlaneEntity::SetFillColor(p, 0x0000ff);
  PlaneEntity::SetTextFont(p, GetTextFont(), 1);
  const int32_t fh = GetFontHeight();
  PlaneEntity::FitToText(p, spec.text);
  const PlaneData* d = PlaneEntity::GetData(p);
  const int32_t w = d->width;
  const int32_t h = d->height;
  if (spec.flags & (MSGBOX_FLAG_OK | MSGBOX_FLAG_CANCEL)) PlaneEntity::Resize(p, w, h + 2 * fh);
  p->SetSize(d->width, d->height + fh);
  PlaneEntity::SetFillColor(p, 0x3fc069);
  PlaneEntity::SetTextColor(p, 0xffffff);
  PlaneEntity::DrawText(p, 0, 0, spec.text);
  PlaneEntity::DrawBorder(p, 0);
  p->Refresh();
  ControlRecord* control = AcquireControl(spec.planeId, CTRL_FLAGS_CONTROL);
  if (control) control->BindEventRelative(CTRL_EVENT_LDRAG, CORE_COMMAND_BASE, 0, nullptr);

  const int32_t y = p->GetY() + (p->GetHeight() + 1) / 2 - fh;
  auto addButton = [&](const char* caption, uint32_t code, int32_t x) {
    MessageBoxButton* b = CreateMessageBoxButton(code, spec.commandKey, x, y, 3 * fh, 2 * fh, 1);
    b->SetFillColor(0xffffff, 0);
    b->SetBorderColor(0, 0);
    b->SetText(caption, 0, 0, 1, 0);
    if (Entity* plane = b->GetPlane()) {
      plane->SetLevel(p->GetLevel() + 1)->Refresh();
      b->SetAutoRelease(1);
      AddChildEntity(p, plane, BOX_BUTTON_LINK_FLAGS);
    }
  };
  if ((spec.flags & MSGBOX_FLAG_OK) && (spec.flags & MSGBOX_FLAG_CANCEL)) {
    addButton("确定", spec.firstCode, p->GetLeft() + w / 3);
    addButton("取消", spec.secondCode, p->GetLeft() + 2 * w / 3);
  } else if (spec.flags & MSGBOX_FLAG_OK) {
    addButton("确定", spec.firstCode, p->GetX());
  }
}

MessageBoxButton* GameBase::CreateMessageBoxButton(uint32_t code, uint32_t key, int32_t x,
                                                   int32_t y, int32_t width, int32_t height,
                                                   int show) {
  auto* button = new MessageBoxButton();
  m_world.RegisterControlObject(button);
  button->CreateOnPlane(key, code, nullptr, x, y, width, height, show);
  return button;
}

void GameBase::ShowToast(const char* text, uint32_t mode, uint32_t duration, int32_t x, int32_t y,
                         int32_t width, int32_t height, uint32_t firstCode, uint32_t secondCode,
                         uint32_t key) {
  auto spec = std::make_unique<MessageBoxSpec>();
  spec->flags = mode;
  // A text that does not fit the box's 1024 bytes is cut before its last whole character.
  CopyCaption(spec->text, sizeof spec->text, text);
  spec->firstCode = firstCode;
  spec->secondCode = secondCode;
  spec->commandKey = key;
  spec->width = width;
  spec->height = height;
  spec->duration = duration;
  if (x == CENTRED) x = GetViewWidth() / 2;
  if (y == CENTRED) y = GetViewHeight() / 2;
  Entity* p = CreatePlane(4, x, y, width, height, DEFAULT_KEY_COLOR, "");
  if (p == nullptr) return;
  spec->planeId = static_cast<uint32_t>(p->GetId());
  ShowMessageBox(*spec);
  spec.reset();
  p->SetAlpha(0.1);
  ShowEntity(p, 1);
  const double step = duration < 1000 ? -0.1 : duration > 10000 ? -0.01 : -100.0 / duration;
  if (mode == 0) {
    const uint32_t k = NewEventId();
    StartFade(p, 0.1, 1.0, k, 0, 0, nullptr, 0, 0);
    StartFade(p, step, 0.0, k, 0, 0, nullptr, 1, 0);
  } else {
    StartFade(p, 0.1, 1.0, 0, 0, 0, nullptr, 0, 0);
    const uint32_t out = StartFade(p, step, 0.0, 0, 0, 0, nullptr, 0, 0);
    QueueRawApply8192(out, 0);
  }
}

void GameBase::ShowSystemInfo() {
  ResourceManager* rm = ResourceManager::Instance();
  const ScriptInterpreter* scripts = GetScriptInterpreter();
  const uint32_t values[] = {m_world.GetEntityCount(),
                             m_world.GetControlCount(),
                             m_world.GetApplyCount() + m_world.GetPendingApplyCount(),
                             rm->GetResourceCount(),
                             rm->GetPaletteCount(),
                             m_world.GetObjectCount(),
                             rm->GetMemResBytes(),
                             m_world.GetEventCount(),
                             rm->GetSoundCount(),
                             scripts ? static_cast<uint32_t>(scripts->GetScriptCount()) : 0u,
                             scripts ? static_cast<uint32_t>(scripts->GetRunCount()) : 0u};
  char text[1024];
  std::snprintf(text, sizeof text,
                "<rightmargin=20;leftmargin=20> 实体：<color=%d>%d<color=%d;break> 控件：<color=%d>%d<color=%d;break> 动画申请：<color=%d>%d<color=%d;break> 资源：<color=%d>%d<color=%d;break> 调色板：<color=%d>%d<color=%d;break> 核心类：<color=%d>%d<color=%d;break> 系统内存：<color=%d>%d<color=%d;break> 消息：<color=%d>%d<color=%d;break> 音效：<color=%d>%d<color=%d;break> 加载脚本：<color=%d>%d<color=%d;break> 运行脚本：<color=%d>%d<color=%d;break>",
                255, values[0], 0xffffff, 255, values[1], 0xffffff, 255, values[2], 0xffffff, 255,
                values[3], 0xffffff, 255, values[4], 0xffffff, 255, values[5], 0xffffff, 255,
                values[6], 0xffffff, 255, values[7], 0xffffff, 255, values[8], 0xffffff, 255,
                values[9], 0xffffff, 255, values[10], 0xffffff);
  ShowToast(text, 1, 1000, CENTRED, CENTRED, 100, 80, 0, 0, 0);
}

void GameBase::ShowScreenInfo() {
  char text[1024];
  std::snprintf(text, sizeof text,
                "屏幕逻辑宽度:/c(%d)%d/c(%d)/n 屏幕逻辑高度:/c(%d)%d/c(%d)/n\t屏幕设备宽度:/c(%d)%d/c(%d)/n 屏幕设备高度:/c(%d)%d/c(%d)/n 鼠标移动速度:/c(%d)%d/c(%d)/n",
                255, m_logicalWidth, 0xffffff, 255, m_logicalHeight, 0xffffff, 255, m_deviceWidth,
                0xffffff, 255, m_deviceHeight, 0xffffff, 255, m_mouseMoveSpeed, 0xffffff);
  ShowToast(text, 1, 1000, CENTRED, CENTRED, 100, 80, 0, 0, 0);
}

TextFont* GameBase::GetTextFont() const { return ResourceManager::Instance()->GetTextFont(); }

void GameBase::SetFont(int32_t height, int32_t weight, const char* face) {
  if (TextFont* font = GetTextFont()) font->CreateFont(height, weight, face, 0, 0);
}

void GameBase::SetTextColor(uint32_t colour) {
  if (TextFont* font = GetTextFont()) font->SetColor(colour);
}

int32_t GameBase::GetFontHeight() const {
  TextFont* font = GetTextFont();
  return font ? font->Current().height : 0;
}

int GameBase::WritePlane(uint32_t planeId, int32_t x, int32_t y, const char* text,
                         TextFont* font) {
  PlaneKindState* s = PlaneEntity::GetState(m_world.FindEntity(planeId));
  if (s == nullptr) {
    WriteLog("写平面错误,目标不存在!");
    return 0;
  }
  if (font == nullptr) font = GetTextFont();
  if (font != nullptr && text != nullptr) {
    font->DrawText(reinterpret_cast<BYTE*>(s->pixels.data()), s->data.width, s->data.height, x, y,
                   text);
  }
  return ENGINE_OK;
}
