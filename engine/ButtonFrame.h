// A row of button controls in a skinned bar: a left end, one middle piece per slot and a right
// end, all pictures linked under an invisible anchor, each button centred on its middle piece.
// With style bit 1 the bar fades in while the mouse is over it and fades out, its buttons
// disabled, when the mouse leaves.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/Control.h"
#include "engine/PictureEntity.h"

// Style bits.
constexpr uint32_t BUTTONFRAME_STYLE_HOVER = 0x1;
constexpr uint32_t BUTTONFRAME_STYLE_ENABLE_ON_SHOW = 0x2;

// The skin: three frames in the order left end, right end, middle piece. Caller-owned.
struct ButtonFrameLayout {
  const ResourceFrame* frames;
};

struct ButtonFrameSlot {
  int32_t offsetX;
  int32_t offsetY;
  int32_t width;
  int32_t height;
  uint32_t controlKey;
  ControlRecord* control;
};

class BUTTONFRAME : public Control {
 public:
  BUTTONFRAME() = default;
  ~BUTTONFRAME() override = default;

  void Release() override;
  int OnMessage(Event* message) override;

  virtual void BuildFrame();
  virtual void LayoutFrame();
  virtual int LayoutButtons();
  virtual ControlRecord* OnButton(uint32_t index, ControlRecord* control);
  virtual ControlRecord* OffButton(uint32_t index);

  int Init(int32_t slotCount, const ButtonFrameLayout* layout, uint32_t style);
  void SetStyle(uint32_t bits) { m_style |= bits; }
  int BindEvent(uint32_t slot, uint32_t code, uint32_t data);
  ControlRecord* GetButton(uint32_t index);
  // The dropped count, or -1 when nothing changes. Mode 1 deletes the dropped controls, mode 2
  // hands them back in `out` (new[]; the caller deletes it).
  int32_t Resize(int32_t slotCount, const ButtonFrameLayout* layout, int mode,
                 ControlRecord*** out);
  void SetButtonsEnabled(int on);
  void Fade(double step, double target);

  Entity* GetAnchor() const;
  int32_t GetSlotCount() const { return m_slotCount; }
  const ButtonFrameSlot& GetSlot(uint32_t i) const { return m_slots[i]; }
  Entity* GetPiece(uint32_t i) const;
  int IsOpen() const { return m_open; }

 protected:
  Entity* OwnEntity() const override { return GetAnchor(); }

 private:
  int OnFrameEnter(EventObject* object);
  int OnFrameLeave(EventObject* object);
  bool MouseInside(EventObject* object) const;
  void DestroyPieces();

  // Entities are kept by id: any of them may be destroyed by others while the frame lives.
  uint32_t m_anchorId = 0;
  int32_t m_slotCount = 0;
  int32_t m_pieceCount = 0;
  std::vector<ButtonFrameSlot> m_slots;
  std::vector<uint32_t> m_pieces;
  int32_t m_ready = 0;
  uint32_t m_style = 0;
  const ButtonFrameLayout* m_layout = nullptr;
  int32_t m_open = 0;
};
