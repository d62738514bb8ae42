#include "engine/PictureButton.h"

#include "engine/GameBase.h"
#include "engine/InputDispatcher.h"
#include "engine/PlaneEntity.h"
#include "engine/World.h"

namespace {

// The overlay follows the picture in everything but hit testing and the re-show memory.
constexpr uint32_t OVERLAY_LINK_FLAGS = 114799;
constexpr uint32_t BUTTON_BIND_SLOTS[] = {CTRL_EVENT_ENTER, CTRL_EVENT_LEAVE, CTRL_EVENT_LDOWN,
                                          CTRL_EVENT_LUP, CTRL_EVENT_CLICK};

}  // namespace

PictureButton::~PictureButton() { delete m_command.object; }

void PictureButton::Release() { m_data.clear(); }

void PictureButton::OnAttached() {
  for (uint32_t slot : BUTTON_BIND_SLOTS) BindOwnEvent(slot, slot, nullptr);
}

Entity* PictureButton::GetPicture() const {
  return m_world && m_pictureId ? m_world->FindEntity(m_pictureId) : nullptr;
}

Entity* PictureButton::GetOverlay() const {
  return m_world && m_overlayId ? m_world->FindEntity(m_overlayId) : nullptr;
}

void PictureButton::CreateFromName(const char* imageName, uint32_t code, EventObject* object,
                                   uint32_t targetKey) {
  if (m_world == nullptr) {
    delete object;
    return;
  }
  ResourceFrame frame;
  GameBase::GetResourceFrameByName(&frame, imageName, 0);
  Entity* picture = PictureEntity::CreateOnLayer(*m_world, 4, -100000, -100000, frame.resourceId,
                                                 frame.sourceX, frame.sourceY, frame.width,
                                                 frame.height, "", DEFAULT_KEY_COLOR);
  if (picture == nullptr) {
    delete object;
    return;
  }
  m_pictureId = static_cast<uint32_t>(picture->GetId());
  delete m_command.object;
  m_command = Event{code, object, targetKey};
  Bind(picture);
  Entity* overlay = PlaneEntity::CreateOnLayer(*m_world, 4, picture->GetX(), picture->GetY(),
                                               picture->GetWidth(), picture->GetHeight(),
                                               DEFAULT_KEY_COLOR, "");
  if (overlay != nullptr) {
    m_overlayId = static_cast<uint32_t>(overlay->GetId());
    picture->LinkChild(overlay, OVERLAY_LINK_FLAGS);
  }
}

void PictureButton::SetState(uint32_t frame) {
  if (Entity* picture = GetPicture()) PictureEntity::SetFrame(picture, frame);
}

void PictureButton::SetSoundNames(const ScriptValue& press, const ScriptValue& enter,
                                  const ScriptValue& leave) {
  m_pressSound = press;
  m_enterSound = enter;
  m_leaveSound = leave;
}

void PictureButton::SetTag(const char* text) { m_tag[0].AssignText(text ? text : ""); }

void PictureButton::PlayStateSound(const ScriptValue& value) {
  if (value.GetType() == 0 || m_world == nullptr) return;
  ScriptValue v = value;
  v.InferType();
  if (v.GetType() == SCRIPT_TYPE_INT) {
    const int32_t n = v.ToInt();
    if (n != 0) m_world->GetSound().PlaySystemEffect(static_cast<DWORD>(n), "sound");
  } else {
    m_world->GetSound().PlayEffectFile(v.Text().c_str());
  }
}

void PictureButton::Click() {
  if (m_world == nullptr) return;
  Event command{m_command.code, m_command.object ? m_command.object->Clone() : nullptr,
                m_command.key};
  if (m_world->DispatchEvent(command, 0) == 0) delete command.object;
}

int PictureButton::OnMessage(Event* message) {
  switch (message->code) {
    case CTRL_EVENT_ENTER:
      PlayStateSound(m_enterSound);
      SetState(1);
      break;
    case CTRL_EVENT_LEAVE:
      PlayStateSound(m_leaveSound);
      SetState(0);
      break;
    case CTRL_EVENT_LDOWN:
      PlayStateSound(m_pressSound);
      SetState(2);
      break;
    case CTRL_EVENT_LUP:
      SetState(1);
      break;
    case CTRL_EVENT_CLICK:
      Click();
      break;
    case CTRL_EVENT_LDRAG:
      if (auto* state = dynamic_cast<InputStateObject*>(message->object)) {
        MoveTo(state->state.x, state->state.y);
      }
      break;
    case CTRL_EVENT_KEYDOWN: {
      auto* state = dynamic_cast<InputStateObject*>(message->object);
      Entity* picture = GetPicture();
      if (state && m_hotkey != 0 && state->state.keyDown == static_cast<uint32_t>(m_hotkey) &&
          m_record && m_record->enabled && m_record->HasClickEvent() && picture &&
          picture->IsVisible()) {
        PlayStateSound(m_pressSound);
        Click();
      }
      break;
    }
    case CTRL_MSG_DISABLED:
      SetState(3);
      break;
    case CTRL_MSG_ENABLED:
      SetState(0);
      break;
    default:
      break;
  }
  return 1;
}
