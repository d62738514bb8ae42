// A button drawn into its own plane on the top layer: a plain, filled or pictured face, an
// optional border, a caption in the plane's font, and an opacity that shows its state (normal
// 0.8, hover 1.0, pressed or disabled 0.3). It plays a system sound on enter, leave and press,
// answers a hotkey, can be dragged, and sends its command event when clicked.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/Control.h"
#include "engine/PictureEntity.h"

// State bits.
constexpr uint32_t BUTTON_STATE_HOVER = 0x1;
constexpr uint32_t BUTTON_STATE_NORMAL = 0x2;
constexpr uint32_t BUTTON_STATE_PRESSED = 0x4;

// Face modes.
constexpr int32_t BUTTON_FACE_PLAIN = 0;
constexpr int32_t BUTTON_FACE_FILLED = 2;
constexpr int32_t BUTTON_FACE_IMAGE = 3;

// Button messages beyond the control events.
constexpr uint32_t BUTTON_MSG_SET_TEXT = 71;
constexpr uint32_t BUTTON_MSG_GET_LOOK = 72;
constexpr uint32_t BUTTON_MSG_SET_LOOK = 73;
constexpr uint32_t BUTTON_MSG_GET_DATA = 75;
constexpr uint32_t BUTTON_MSG_SET_DATA = 76;

// A button's look as messages 72 and 73 hand it over: the value fields only. The plane, the data
// block and the tip text stay with their own button.
struct ButtonLook {
  int32_t faceMode = BUTTON_FACE_PLAIN;
  char caption[256] = {};
  int32_t textX = 0;
  int32_t textY = 0;
  uint32_t backColor = 0;
  uint32_t fillColor = DEFAULT_KEY_COLOR;
  uint32_t borderColor = DEFAULT_KEY_COLOR;
  ResourceFrame imageFrame{};
  double imageOpacity = 1.0;
  double imageAngle = 0.0;
  uint32_t state = BUTTON_STATE_HOVER | BUTTON_STATE_NORMAL;
  int32_t hotkey = 0;
  uint32_t commandCode = 0;
  uint32_t commandKey = 0;
  int32_t enterSound = 0;
  int32_t pressSound = 0;
  int32_t leaveSound = 0;
};

class ButtonLookObject : public EventObject {
 public:
  ButtonLook look;
};

// A byte buffer that messages 75 and 76 copy a button's data block into and out of.
class DataObject : public EventObject {
 public:
  std::vector<uint8_t> bytes;
};

class AdvancedButton : public Control {
 public:
  AdvancedButton() = default;
  ~AdvancedButton() override;

  void Release() override;
  void OnAttached() override;
  int OnMessage(Event* message) override;
  virtual void ResetAlpha();
  virtual void OnCreated() {}

  void Create(uint32_t code, int32_t x, int32_t y, int32_t width, int32_t height, int visible);
  void CreateOnPlane(uint32_t targetKey, uint32_t code, EventObject* object, int32_t x, int32_t y,
                     int32_t width, int32_t height, int visible);
  void SetBackColor(uint32_t colour);
  void SetCaption(int32_t x, int32_t y, const char* text, int redraw);
  void SetText(const char* text, int32_t marginX, int32_t marginY, int redraw, int32_t fixedHeight);
  void SetTextColor(uint32_t colour, int redraw);
  void SetFillColor(uint32_t colour, int redraw);
  void SetBorderColor(uint32_t colour, int redraw);
  void SetImageFrame(const ResourceFrame& frame, double angle, double opacity, int redraw);
  void SetTipText(const char* text) { m_tipText = text; }
  void SetHotkey(int32_t key) { m_look.hotkey = key; }
  void SetSounds(int32_t enter, int32_t press, int32_t leave);
  void SetDataBlock(const void* data, uint32_t size);
  void Redraw();

  Entity* GetPlane() const;
  const ButtonLook& Look() const { return m_look; }
  const char* GetTipText() const { return m_tipText; }
  const std::vector<uint8_t>& GetDataBlock() const { return m_data; }

 protected:
  Entity* OwnEntity() const override { return GetPlane(); }
  void Click();
  void PlaySound(int32_t number);
  void SetOpacity(double alpha);

  uint32_t m_planeId = 0;
  ButtonLook m_look;
  EventObject* m_commandObject = nullptr;
  const char* m_tipText = nullptr;
  std::vector<uint8_t> m_data;
};

// Copies a text into a fixed field of `size` bytes, never cutting a GBK character in two.
void CopyCaption(char* field, size_t size, const char* text);
