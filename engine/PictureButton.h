// A button whose face is a picture with one frame per state (0 normal, 1 hover, 2 pressed,
// 3 disabled), with a transparent plane of the same size linked on top. Its sounds are values
// that hold either a system sound number or a sound file name.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/Control.h"
#include "engine/ScriptValue.h"

class PictureButton : public Control {
 public:
  PictureButton() = default;
  ~PictureButton() override;

  void Release() override;
  void OnAttached() override;
  int OnMessage(Event* message) override;
  virtual void CreateFromName(const char* imageName, uint32_t code, EventObject* object,
                              uint32_t targetKey);
  virtual void SetState(uint32_t frame);

  void SetSoundNames(const ScriptValue& press, const ScriptValue& enter, const ScriptValue& leave);
  void SetTag(const char* text);
  std::string GetTag() const { return m_tag[0].Text(); }
  void SetHotkey(int32_t key) { m_hotkey = key; }
  void PlayStateSound(const ScriptValue& value);

  Entity* GetPicture() const;
  Entity* GetOverlay() const;

 protected:
  Entity* OwnEntity() const override { return GetOverlay(); }

 private:
  void Click();

  uint32_t m_overlayId = 0;
  uint32_t m_pictureId = 0;
  ScriptValue m_enterSound;
  ScriptValue m_leaveSound;
  ScriptValue m_pressSound;
  ScriptValue m_tag[4];
  Event m_command;
  int32_t m_hotkey = 0;
  std::vector<uint8_t> m_data;
};
