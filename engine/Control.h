// The base of the engine's controls (buttons, button frames): a WorldObject whose operations act
// on the entity bound to its control record and keep the hover target right after every change
// that may move the entity into or out from under the mouse.
#pragma once

#include <cstdint>

#include "engine/EngineObject.h"
#include "platform/base/WinTypes.h"

class Entity;

class Control : public WorldObject {
 public:
  virtual void Bind(Entity* entity);
  virtual void MoveBy(int32_t dx, int32_t dy);
  virtual void MoveTo(int32_t x, int32_t y);
  virtual void SetLevel(int32_t level);
  virtual void SetSize(int32_t w, int32_t h);
  virtual void Scale(double sx, double sy);
  virtual void SetAlpha(double alpha);
  virtual void SetFlags(uint32_t flags);
  virtual void SetClipRect(const RECT& rect);
  virtual void RotateBy(double d);
  virtual void SetAngle(double a);
  virtual void RotateAbout(int32_t px, int32_t py, double d);
  virtual void Show();
  virtual void Hide();
  virtual void Enable(int on);
  virtual void Activate();
  virtual void Deactivate();
  virtual void SetFocus();
  virtual void KillFocus();
  virtual void LinkToControlKey(uint32_t parentKey);
  virtual void LinkToControl(ControlRecord* parent);
  virtual void BindOwnEvent(uint32_t slot, uint32_t code, EventObject* object);
  virtual void OnChanged();

  // The entity bound to the control's record, or null.
  Entity* GetEntity() const;
  uint32_t GetEntityId() const;
  int IsVisible() const;
  int32_t GetWidth() const;
  int32_t GetHeight() const;

 protected:
  // The control's own entity (a button's plane, a frame's anchor); the bound entity by default.
  virtual Entity* OwnEntity() const { return GetEntity(); }
};

// 1 when (x, y) lies strictly inside the entity's rectangle, tested in the entity's own frame
// when it is rotated.
int PointInEntity(const Entity* entity, int32_t x, int32_t y);
