// The engine's core object and the base of every game scene. It owns the World, the three frame
// buffers (back, debug overlay, device) and the input dispatcher, and offers the scenes the
// engine's facade: entities, controls, the view, resources and timed tasks. It has no thread and
// no window: a host view owns the window, calls the operations in a fixed order and drives the
// engine from a 1 ms frame timer (events are pumped on every tick, frames are drawn when the
// World's frame gate opens) and a 100 ms hover timer.
#pragma once

#include <cstdint>
#include <list>
#include <map>
#include <string>

#include "engine/Apply.h"
#include "engine/EngineObject.h"
#include "engine/PictureEntity.h"
#include "engine/StripPlayState.h"
#include "engine/ViewInfo.h"
#include "engine/World.h"
#include "platform/gdi/Gdi.h"

class InputDispatcher;
struct InputState;
class ResourceManager;
class ScriptInterpreter;
class TextFont;
class Screen;
class EngineHostView;
class CWinApp;
class BUTTONFRAME;
class MessageBoxButton;
struct ButtonFrameLayout;
struct ImageRecord;
struct ParticleParams;
struct Particle;

// Timed tasks that every engine object may start on its World: the cancel command for an
// entity's tasks, and a fade (both as GameBase::QueueRawApply and GameBase::StartFade).
void QueueCancelEntity(World& world, uint32_t entityId, uint32_t level, uint8_t drop);
uint32_t AddFade(World& world, Entity* entity, double step, double target, uint32_t key,
                 int32_t interval, uint32_t code, EventObject* object, int destroy,
                 uint32_t eventKey);

// What ShowMessageBox draws: flags bit 0 asks for the OK button, bit 3 with bit 0 adds Cancel.
struct MessageBoxSpec {
  uint32_t flags = 0;
  char text[1024] = {};
  uint32_t firstCode = 0;
  uint32_t secondCode = 0;
  uint32_t commandKey = 0;
  int32_t width = 0;
  int32_t height = 0;
  uint32_t planeId = 0;
  uint32_t duration = 0;
};

constexpr uint32_t MSGBOX_FLAG_OK = 0x1;
constexpr uint32_t MSGBOX_FLAG_CANCEL = 0x8;

// A timed task as one record (AddApplyWithParams).
struct ApplyRecord {
  uint32_t targetId;
  ApplyParams params;
  ApplyCallback callback;
  uint32_t key;
  uint32_t flags;
  uint32_t holdValue;
  uint32_t mode;
};

// The five words of a background picture.
struct BackgroundPicture {
  uint32_t resourceId;
  int32_t sourceX;
  int32_t sourceY;
  int32_t sourceWidth;
  int32_t sourceHeight;
};

class GameBase : public WorldObject {
 public:
  GameBase();
  ~GameBase() override;

  // The scene's operations, in the order the host calls them.
  virtual int OnInitGame() { return 1; }
  virtual void ResetSettings();
  virtual void OnAfterInit() {}
  virtual void OnScreenCreated() {}
  virtual void OnScreenReady() {}
  virtual void InitGameData() {}
  virtual void OnGameStart() {}
  virtual void OnTimer(uintptr_t timerId) { (void)timerId; }
  virtual int OnCommand(Event event) {
    (void)event;
    return 1;
  }
  virtual void OnShutdown() {}
  virtual void OnLayout() {}
  virtual void OnFrame() {}
  virtual int OnInitEnd();
  virtual void ShowMessageBox(const MessageBoxSpec& spec);
  virtual int OnConsoleCommand(const char* line);
  virtual int OnMouseLeave();
  virtual void OnMouseEnter() {}
  virtual void OnResize(HDC dc, int32_t width, int32_t height);
  virtual void OnDrawDebugOverlay() {}
  virtual void OnConsoleHook() {}
  virtual int OnCoreHookA(EventObject* object) {
    (void)object;
    return 0;
  }
  virtual int OnCoreHookB() { return 0; }
  virtual void CreateScriptInterpreter();
  virtual int TakeRedrawFlag();
  virtual void OnMouseMove(uint32_t flags, int32_t x, int32_t y);
  virtual void OnMouseWheel(uint32_t flags, int32_t delta, int32_t x, int32_t y);
  virtual void OnMButtonUp(uint32_t flags, int32_t x, int32_t y);
  virtual void OnMButtonDown(uint32_t flags, int32_t x, int32_t y);
  virtual void OnLButtonUp(uint32_t flags, int32_t x, int32_t y);
  virtual void OnLButtonDown(uint32_t flags, int32_t x, int32_t y);
  virtual void OnRButtonUp(uint32_t flags, int32_t x, int32_t y);
  virtual void OnRButtonDown(uint32_t flags, int32_t x, int32_t y);
  virtual void OnKeyDown(uint32_t key, uint32_t count, uint32_t flags);
  virtual void OnKeyUp(uint32_t key, uint32_t count, uint32_t flags);
  virtual void OnHoverTick(uintptr_t timerId);

  // Core and host contract.
  void SystemInit();
  void InitScreen(HDC dc, int32_t width, int32_t height);
  void CreateBackBuffers(HDC dc, int32_t width, int32_t height);
  void CreateDeviceBuffer(HDC dc, int32_t width, int32_t height);
  RECT GetDeviceRect() const { return RECT{0, 0, m_deviceWidth, m_deviceHeight}; }
  int IsFrameDue() { return m_world.FrameDue(); }
  int Render();
  int Present(HDC dc);
  void Cleanup();
  void Log(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void SetFrameInterval(uint32_t ms);
  InputDispatcher* GetInputDispatcher() const { return m_input; }
  Screen* GetScreen() const;
  ResourceManager* GetResourceManager() const;
  ScriptInterpreter* GetScriptInterpreter() const;
  WorldObject* GetRootHandler() { return m_world.GetRootHandler(); }
  EngineHostView* GetHostView() const;
  // The application object of the module.
  CWinApp* GetApp() const;
  World& GetWorldRef() { return m_world; }

  // Fields the host view writes.
  void SetWindowOrigin(int32_t left, int32_t top) {
    m_windowLeft = left;
    m_windowTop = top;
  }
  void SetAverageFrameTime(int32_t ms) { m_averageFrameTime = ms; }
  int32_t GetAverageFrameTime() const { return m_averageFrameTime; }
  void SetFixedLogicalSize(int32_t width, int32_t height) {
    m_fixedLogicalSize = 1;
    m_logicalWidth = width;
    m_logicalHeight = height;
  }
  int IsReady() const { return m_ready; }
  int32_t GetLogicalWidth() const { return m_logicalWidth; }
  int32_t GetLogicalHeight() const { return m_logicalHeight; }
  int32_t GetDeviceWidth() const { return m_deviceWidth; }
  int32_t GetDeviceHeight() const { return m_deviceHeight; }
  int32_t GetMouseMoveSpeed() const { return m_mouseMoveSpeed; }
  void SetMouseMoveSpeed(int32_t speed) { m_mouseMoveSpeed = speed; }
  int IsLogging() const { return m_logging; }
  // The key map: a key code read from the host is replaced by its mapped code.
  void MapKey(uint32_t from, uint32_t to) { m_keyMap[from] = to; }
  // Which buffer Present copies: 0 none, 1 back, 2 overlay, 3 device.
  int GetPresentSource() const { return m_presentSource; }
  HDC GetBackBufferDc() const { return m_backDc; }
  HBITMAP GetBackBitmap() const { return m_backBitmap; }
  HBITMAP GetOverlayBitmap() const { return m_overlayBitmap; }
  HBITMAP GetDeviceBitmap() const { return m_deviceBitmap; }

  // Event pump and core commands.
  void PumpEvents();
  int DispatchCoreCommand(Event event);
  void SetControlHighlight(ControlRecord* control, int on);
  void AddPendingId(uint32_t id) { m_pendingIds.push_back(id); }
  void ProcessPendingIds();
  const std::list<uint32_t>& GetPendingIds() const { return m_pendingIds; }
  void DebugMousePoint(EventObject* object);
  void DragToMouse(EventObject* object);
  void EdgeScroll(EventObject* object);
  void ResetButtonFrame(EventObject* frame);

  // Facade: entities.
  Entity* FindEntity(uint32_t id) { return m_world.FindEntity(id); }
  void ShowEntity(Entity* entity, int show);
  int MoveEntity(Entity* entity, int32_t x, int32_t y);
  int IsMouseOverEntity(Entity* entity);
  uint32_t AddChildEntityById(uint32_t parentId, uint32_t childId, uint32_t flags) {
    return m_world.AddChildEntity(parentId, childId, flags);
  }
  uint32_t AddChildEntity(Entity* parent, Entity* child, uint32_t flags) {
    return m_world.LinkEntities(parent, child, flags);
  }
  uint32_t LinkEntities(Entity* parent, Entity* child, uint32_t flags) {
    return m_world.LinkEntities(parent, child, flags);
  }
  Entity* CreatePicture(int layer, int32_t x, int32_t y, uint32_t resourceId, int32_t sourceX,
                        int32_t sourceY, int32_t width, int32_t height, const char* name,
                        uint32_t backColor);
  Entity* CreatePictureFromFrame(int layer, int32_t x, int32_t y, ResourceFrame frame,
                                 const char* name, uint32_t backColor);
  Entity* CreatePlane(int layer, int32_t x, int32_t y, int32_t width, int32_t height,
                      uint32_t fillColor, const char* name);
  Entity* CreateUnnamedPlane(int layer, int32_t x, int32_t y, int32_t width, int32_t height,
                             uint32_t fillColor) {
    return CreatePlane(layer, x, y, width, height, fillColor, "");
  }
  Entity* CreateStripAnimation(int layer, int32_t x, int32_t y, StripTable* table,
                               const char* name);
  Entity* CreateParticleEmitter(int layer, int32_t x, int32_t y, uint32_t resourceId,
                                int32_t sourceX, int32_t sourceY, int32_t width, int32_t height,
                                int32_t ignored,
                                Particle* (*create)(const ParticleParams*),
                                int (*update)(Particle*, const ParticleParams*),
                                const char* name);
  int DrawPlane(uint32_t planeId, int32_t x, int32_t y, int32_t width, int32_t height,
                ResourceFrame frame, double angle, double opacity, uint32_t colour);
  int DrawPlaneCentred(uint32_t planeId, int32_t x, int32_t y, int32_t width, int32_t height,
                       ResourceFrame frame, double angle, double opacity, uint32_t colour) {
    return DrawPlane(planeId, x + width / 2, y + height / 2, width, height, frame, angle, opacity,
                     colour);
  }
  void BT_SetBackColor(ControlRecord* control, uint32_t color);

  // Facade: controls and input.
  ControlRecord* NewControl() { return m_world.NewControl(); }
  ControlRecord* AcquireControl(uint32_t entityId, uint32_t flags) {
    return m_world.AcquireControl(entityId, flags);
  }
  int BindControl(ControlRecord* record, Entity* entity, uint32_t flags) {
    return m_world.BindControl(record, entity, flags);
  }
  int UnbindControl(uint32_t key) { return m_world.UnbindControl(key); }
  int BindControlEvent(ControlRecord* record, uint32_t slot, uint32_t code) {
    return static_cast<int>(record->BindEvent(slot, code, 0, nullptr));
  }
  int BindControlEventRelative(ControlRecord* record, uint32_t slot, uint32_t base) {
    return static_cast<int>(record->BindEventRelative(slot, base, 0, nullptr));
  }
  void BindMouseEvent(uint32_t slot, uint32_t code, uint32_t targetKey);
  void ShowControl(ControlRecord* control, int show);
  int MoveControl(ControlRecord* control, int32_t x, int32_t y);
  BUTTONFRAME* CreateButtonFrame(int32_t count, const ButtonFrameLayout* layout);
  int SendControlEvent(uint32_t code, EventObject* object, uint32_t key, int mode) {
    return m_world.SendControlEvent(key, code, object, mode);
  }
  int DispatchEvent(const Event* event, int mode) {
    return event ? m_world.DispatchEvent(*event, mode) : 0;
  }
  uint32_t NewEventId() { return m_world.NextEventId(); }
  void SetHoverDelay(uint32_t ms);
  POINT* GetMousePos(POINT* out);
  InputState* GetInputState();

  // Facade: view.
  void SetViewCentre(int32_t x, int32_t y);
  ViewInfo* GetViewInfo(ViewInfo* out);
  int32_t GetViewWidth();
  int32_t GetViewHeight();
  int32_t GetSceneWidth();
  int32_t GetSceneHeight();
  void InvalidateAll();
  void SetFullInvalidate(int flag);
  void RedrawBackground();
  int SetBackgroundPicture(const BackgroundPicture& picture);

  // Facade: resources.
  static ResourceFrame* GetResourceFrame(ResourceFrame* out, uint32_t resourceId, uint32_t frame);
  static ResourceFrame* GetResourceFrameByName(ResourceFrame* out, const char* name,
                                               uint32_t frame);
  ImageRecord* GetImageRecord(ImageRecord* out, uint32_t resourceId);
  ImageRecord* GetImageRecordPtr(uint32_t resourceId);
  uint32_t LoadImageResource(const char* path, int loadNow, const char* name, uint32_t keyColor,
                             int relative);
  uint32_t FindOrLoadImage(const char* path, const char* name, int32_t ignored, int relative);
  int SetResourceFolder(const char* folder);
  int LoadPackage(const char* path, int loadNow, const char* extension);
  void ReleaseResources(const uint32_t* ids, uint32_t first, uint32_t end);
  void* NewMemRes(uint32_t size, void (*freeFn)(void*), uint32_t value);
  void* NewMemBlock(uint32_t value);

  // Facade: timed tasks.
  uint32_t AddApply(uint32_t targetId, ApplyParams params, ApplyCallback callback, uint32_t key,
                    uint32_t flags, uint32_t holdValue, uint32_t mode) {
    return m_world.AddApply(targetId, params, callback, key, flags, holdValue, mode);
  }
  uint32_t AddApplyWithParams(const ApplyRecord& record) {
    return m_world.AddApplyWithParams(record.targetId, &record.params, record.callback, record.key,
                                      record.flags, record.holdValue, record.mode);
  }
  void QueueRawApply(uint32_t entityId, uint32_t level, uint8_t drop);
  int QueueRawApply8192(uint32_t applyId, uint32_t value);
  int HasApplyKey(uint32_t key) const { return m_world.HasApplyKey(key); }
  uint32_t StartMove(Entity* entity, uint32_t key, int32_t x, int32_t y, int32_t speed,
                     int32_t interval, uint32_t code, EventObject* object, uint32_t eventKey);
  uint32_t StartMoveEx(Entity* entity, uint32_t key, int32_t x, int32_t y, int32_t speed,
                       int32_t speedLimit, int32_t speedChange, double speedFactor,
                       int32_t interval, uint32_t code, EventObject* object, uint32_t eventKey,
                       int destroy);
  uint32_t StartWait(uint32_t duration, uint32_t code, EventObject* object, uint32_t eventKey,
                     uint32_t key);
  uint32_t StartTimer(uint32_t interval, uint32_t code, EventObject* object, uint32_t eventKey,
                      uint32_t key);
  uint32_t DestroyEntityLater(Entity* entity, uint32_t key, uint32_t eventKey, uint32_t code,
                              EventObject* object);
  uint32_t StartDelayedShow(Entity* entity, int show, uint32_t key, int32_t interval,
                            uint32_t code, EventObject* object, int destroy);
  uint32_t StartFade(Entity* entity, double step, double target, uint32_t key, int32_t interval,
                     uint32_t code, EventObject* object, int destroy, uint32_t eventKey);
  uint32_t StartResize(Entity* entity, int32_t startWidth, int32_t startHeight,
                       int32_t targetWidth, int32_t targetHeight, int32_t widthStep,
                       int32_t heightStep, uint32_t key, int32_t interval, uint32_t code,
                       EventObject* object, uint32_t eventKey);
  uint32_t PlayAnimation(Entity* picture, int32_t mode, int32_t count, uint32_t start,
                         uint32_t key, uint32_t code, EventObject* object, uint32_t eventKey);
  uint32_t StartParticles(Entity* emitter, uint32_t key, uint32_t code, EventObject* object,
                          uint32_t flags);

  // Message boxes and toasts.
  MessageBoxButton* CreateMessageBoxButton(uint32_t code, uint32_t key, int32_t x, int32_t y,
                                           int32_t width, int32_t height, int show);
  void ShowToast(const char* text, uint32_t mode, uint32_t duration, int32_t x, int32_t y,
                 int32_t width, int32_t height, uint32_t firstCode, uint32_t secondCode,
                 uint32_t key);

  // Facade: text.
  TextFont* GetTextFont() const;
  void SetFont(int32_t height, int32_t weight, const char* face);
  void SetTextColor(uint32_t colour);
  int32_t GetFontHeight() const;
  int WritePlane(uint32_t planeId, int32_t x, int32_t y, const char* text, TextFont* font);

  // Debug console and displays.
  void ShowSystemInfo();
  void ShowScreenInfo();
  void SetShowFps(int flag) { m_showFps = flag; }
  void SetShowInvalidArea(int flag) { m_showDirty = flag; }
  int DrawDebugOverlay();

 protected:
  World m_world;

 private:
  uint32_t AddTask(Entity* target, const ApplyParams& params, ApplyCallback callback,
                   uint32_t key, uint32_t flags);
  uint32_t FrameInterval(int32_t interval) const;
  void ReleaseBuffer(HDC& dc, HBITMAP& bitmap, HGDIOBJ& old);

  int32_t m_mouseMoveSpeed = 0;
  int32_t m_fixedLogicalSize = 0;
  int32_t m_logicalWidth = 0;
  int32_t m_logicalHeight = 0;
  int32_t m_deviceWidth = 0;
  int32_t m_deviceHeight = 0;
  int32_t m_windowLeft = 0;
  int32_t m_windowTop = 0;
  int32_t m_averageFrameTime = 0;
  HDC m_backDc = nullptr;
  HBITMAP m_backBitmap = nullptr;
  HGDIOBJ m_backOld = nullptr;
  HDC m_overlayDc = nullptr;
  HBITMAP m_overlayBitmap = nullptr;
  HGDIOBJ m_overlayOld = nullptr;
  HPEN m_overlayPen = nullptr;
  HGDIOBJ m_overlayOldPen = nullptr;
  HDC m_deviceDc = nullptr;
  HBITMAP m_deviceBitmap = nullptr;
  HGDIOBJ m_deviceOld = nullptr;
  int m_presentSource = 0;
  uint32_t m_frameInterval = 0;
  int32_t m_showFps = 0;
  int32_t m_ready = 0;
  int32_t m_logging = 0;
  int32_t m_showDirty = 0;
  std::map<uint32_t, uint32_t> m_keyMap;
  std::list<uint32_t> m_pendingIds;
  InputDispatcher* m_input = nullptr;
};
