#include "engine/AdvancedButton.h"

#include <cstring>

#include "engine/CaptionFit.h"
#include "engine/ControlRecord.h"
#include "engine/InputDispatcher.h"
#include "engine/PlaneEntity.h"
#include "engine/World.h"

namespace {

constexpr uint32_t BUTTON_BIND_SLOTS[] = {CTRL_EVENT_ENTER, CTRL_EVENT_LEAVE, CTRL_EVENT_LDOWN,
                                          CTRL_EVENT_LUP, CTRL_EVENT_CLICK};

}  // namespace

void CopyCaption(char* field, size_t size, const char* text) {
  const char* t = text ? text : "";
  size_t n = 0;
  while (t[n] != 0) {
    const size_t step = static_cast<unsigned char>(t[n]) >= 0x80 && t[n + 1] != 0 ? 2 : 1;
    if (n + step > size - 1) break;
    n += step;
  }
  std::memcpy(field, t, n);
  field[n] = 0;
}

AdvancedButton::~AdvancedButton() { delete m_commandObject; }

void AdvancedButton::Release() { m_data.clear(); }

void AdvancedButton::OnAttached() {
  for (uint32_t slot : BUTTON_BIND_SLOTS) BindOwnEvent(slot, slot, nullptr);
}

Entity* AdvancedButton::GetPlane() const {
  return m_world && m_planeId ? m_world->FindEntity(m_planeId) : nullptr;
}

void AdvancedButton::ResetAlpha() { SetOpacity(0.8); }

void AdvancedButton::SetOpacity(double alpha) {
  if (Entity* plane = GetPlane()) plane->SetAlpha(alpha)->Refresh();
}

void AdvancedButton::Create(uint32_t code, int32_t x, int32_t y, int32_t width, int32_t height,
                            int visible) {
  if (m_world == nullptr) return;
  Entity* plane = m_world->CreateEntity(ENTITY_KIND_PLANE, "高级按钮", x, y, width, height, 0.0, 1,
                                        visible, 1.0);
  PlaneEntity::CreatePixels(plane, width, height, 0, DEFAULT_KEY_COLOR);
  plane->AttachToLayer(m_world->GetScreen(), 4);
  m_planeId = static_cast<uint32_t>(plane->GetId());
  PlaneEntity::SetBackColor(plane, m_look.backColor);
  ResetAlpha();
  m_world->BindControl(m_record, plane, CTRL_FLAGS_CONTROL);
  m_look.commandCode = code;
  OnCreated();
}

void AdvancedButton::CreateOnPlane(uint32_t targetKey, uint32_t code, EventObject* object,
                                   int32_t x, int32_t y, int32_t width, int32_t height,
                                   int visible) {
  if (m_world == nullptr) {
    delete object;
    return;
  }
  Entity* plane =
      PlaneEntity::CreateOnLayer(*m_world, 4, x, y, width, height, DEFAULT_KEY_COLOR, "");
  if (visible) {
    plane->Show();
  } else {
    plane->Hide();
  }
  plane->Refresh();
  m_planeId = static_cast<uint32_t>(plane->GetId());
  PlaneEntity::SetBackColor(plane, m_look.backColor);
  ResetAlpha();
  m_world->BindControl(m_record, plane, CTRL_FLAGS_CONTROL);
  m_look.commandCode = code;
  m_look.commandKey = targetKey;
  delete m_commandObject;
  m_commandObject = object;
  OnCreated();
}

void AdvancedButton::SetBackColor(uint32_t colour) {
  m_look.backColor = colour;
  if (Entity* plane = GetPlane()) PlaneEntity::SetBackColor(plane, colour);
}

void AdvancedButton::SetCaption(int32_t x, int32_t y, const char* text, int redraw) {
  m_look.textX = x;
  m_look.textY = y;
  CopyCaption(m_look.caption, sizeof m_look.caption, text);
  if (redraw) Redraw();
}

void AdvancedButton::SetText(const char* text, int32_t marginX, int32_t marginY, int redraw,
                             int32_t fixedHeight) {
  Entity* plane = GetPlane();
  TextFontInfo* info = PlaneEntity::GetFontInfo(plane);
  if (info == nullptr) return;
  CopyCaption(m_look.caption, sizeof m_look.caption, text);
  CaptionFit fit;
  fit.height = info->height;
  fit.pitch = info->pitch;
  fit.rowSpace = info->rowSpace;
  fit.leftMargin = info->leftMargin;
  const PlaneData* d = PlaneEntity::GetData(plane);
  const POINT at =
      FitTextInBox(d->width, d->height, m_look.caption, &fit, marginX, marginY, fixedHeight);
  info->height = fit.height;
  info->pitch = fit.pitch;
  info->rowSpace = fit.rowSpace;
  info->leftMargin = fit.leftMargin;
  m_look.textX = at.x;
  m_look.textY = at.y;
  if (redraw) Redraw();
}

void AdvancedButton::SetTextColor(uint32_t colour, int redraw) {
  Entity* plane = GetPlane();
  if (plane == nullptr) return;
  PlaneEntity::SetTextColor(plane, colour);
  if (redraw) Redraw();
}

void AdvancedButton::SetFillColor(uint32_t colour, int redraw) {
  if (GetPlane() == nullptr) return;
  m_look.fillColor = colour;
  m_look.faceMode = BUTTON_FACE_FILLED;
  if (redraw) Redraw();
}

void AdvancedButton::SetBorderColor(uint32_t colour, int redraw) {
  if (GetPlane() == nullptr) return;
  m_look.borderColor = colour;
  if (redraw) Redraw();
}

void AdvancedButton::SetImageFrame(const ResourceFrame& frame, double angle, double opacity,
                                   int redraw) {
  m_look.imageFrame = frame;
  m_look.imageAngle = angle;
  m_look.imageOpacity = opacity;
  m_look.faceMode = BUTTON_FACE_IMAGE;
  if (redraw) Redraw();
}

void AdvancedButton::SetSounds(int32_t enter, int32_t press, int32_t leave) {
  m_look.enterSound = enter;
  m_look.pressSound = press;
  m_look.leaveSound = leave;
}

void AdvancedButton::SetDataBlock(const void* data, uint32_t size) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  m_data.assign(bytes, bytes + (data ? size : 0));
}

void AdvancedButton::Redraw() {
  Entity* plane = GetPlane();
  const PlaneData* d = PlaneEntity::GetData(plane);
  if (d == nullptr) return;
  PlaneEntity::SetBackColor(plane, m_look.backColor);
  PlaneEntity::Clear(plane);
  if (m_look.faceMode == BUTTON_FACE_FILLED) {
    PlaneEntity::SetFillColor(plane, m_look.fillColor);
  } else if (m_look.faceMode == BUTTON_FACE_IMAGE) {
    PlaneEntity::DrawImage(plane, 0, 0, m_look.imageFrame, d->width, d->height, m_look.imageAngle,
                           m_look.imageOpacity, DEFAULT_KEY_COLOR);
  }
  if (m_look.borderColor != DEFAULT_KEY_COLOR) PlaneEntity::DrawBorder(plane, m_look.borderColor);
  if (plane->IsVisible()) {
    if (m_look.state & BUTTON_STATE_PRESSED) {
      plane->SetAlpha(0.3);
    } else if (m_look.state & BUTTON_STATE_HOVER) {
      plane->SetAlpha(1.0);
    } else if (m_look.state & BUTTON_STATE_NORMAL) {
      plane->SetAlpha(0.8);
    }
  } else {
    m_look.state = (m_look.state | BUTTON_STATE_NORMAL) & ~BUTTON_STATE_HOVER;
    const bool clickable = m_record && m_record->enabled && m_record->HasClickEvent();
    plane->SetAlpha(clickable ? 0.8 : 0.3);
  }
  PlaneEntity::DrawText(plane, m_look.textX, m_look.textY, m_look.caption);
  plane->Refresh();
}

void AdvancedButton::PlaySound(int32_t number) {
  if (number != 0 && m_world) m_world->GetSound().PlaySystemEffect(static_cast<DWORD>(number), "sound");
}

void AdvancedButton::Click() {
  if (m_world == nullptr) return;
  Event command{m_look.commandCode, m_commandObject ? m_commandObject->Clone() : nullptr,
                m_look.commandKey};
  if (m_world->DispatchEvent(command, 0) == 0) delete command.object;
}

int AdvancedButton::OnMessage(Event* message) {
  Entity* plane = GetPlane();
  switch (message->code) {
    case CTRL_EVENT_ENTER:
      m_look.state = (m_look.state | BUTTON_STATE_HOVER) & ~BUTTON_STATE_NORMAL;
      PlaySound(m_look.enterSound);
      SetOpacity(1.0);
      break;
    case CTRL_EVENT_LEAVE:
      m_look.state = (m_look.state & ~BUTTON_STATE_HOVER) | BUTTON_STATE_NORMAL;
      PlaySound(m_look.leaveSound);
      SetOpacity(0.8);
      break;
    case CTRL_EVENT_LDOWN:
      m_look.state |= BUTTON_STATE_PRESSED;
      PlaySound(m_look.pressSound);
      SetOpacity(0.3);
      break;
    case CTRL_EVENT_LUP:
      m_look.state = BUTTON_STATE_NORMAL;
      SetOpacity(1.0);
      break;
    case CTRL_EVENT_CLICK:
      Click();
      break;
    case CTRL_EVENT_LDRAG:
      if (auto* state = dynamic_cast<InputStateObject*>(message->object)) {
        MoveTo(state->state.x, state->state.y);
      }
      break;
    case CTRL_MSG_REDRAW:
      Redraw();
      break;
    case CTRL_EVENT_KEYDOWN: {
      auto* state = dynamic_cast<InputStateObject*>(message->object);
      if (state && m_look.hotkey != 0 && state->state.keyDown == static_cast<uint32_t>(m_look.hotkey) &&
          m_record && m_record->enabled && m_record->HasClickEvent() && plane &&
          plane->IsVisible()) {
        PlaySound(m_look.pressSound);
        Click();
      }
      break;
    }
    case CTRL_MSG_DISABLED:
      m_look.state |= BUTTON_STATE_PRESSED;
      SetOpacity(0.3);
      break;
    case CTRL_MSG_ENABLED:
      m_look.state &= ~BUTTON_STATE_PRESSED;
      SetOpacity(0.8);
      break;
    case BUTTON_MSG_SET_TEXT:
      if (auto* text = dynamic_cast<TextObject*>(message->object)) {
        SetText(text->Text().c_str(), 0, 0, 1, 0);
      }
      break;
    case BUTTON_MSG_GET_LOOK:
      if (auto* out = dynamic_cast<ButtonLookObject*>(message->object)) out->look = m_look;
      return 0;
    case BUTTON_MSG_SET_LOOK:
      if (auto* in = dynamic_cast<ButtonLookObject*>(message->object)) m_look = in->look;
      return 0;
    case BUTTON_MSG_GET_DATA:
      if (auto* out = dynamic_cast<DataObject*>(message->object)) out->bytes = m_data;
      return 0;
    case BUTTON_MSG_SET_DATA:
      if (auto* in = dynamic_cast<DataObject*>(message->object)) {
        const size_t n = std::min(in->bytes.size(), m_data.size());
        std::copy(in->bytes.begin(), in->bytes.begin() + static_cast<std::ptrdiff_t>(n), m_data.begin());
      }
      return 0;
    default:
      break;
  }
  return 1;
}
