// A plain window that hosts one engine scene the way the game's table view does: it attaches
// the scene, initialises its screen, drives it from a 1 ms frame timer and a 100 ms hover timer,
// forwards mouse and keyboard messages, presents frames in its paint handler and cleans the
// engine up when the window goes. The demo scene and the benchmarks run through it.
#pragma once

#include <cstdint>

#include "engine/GameBase.h"
#include "engine/GameHost.h"
#include "platform/user/User.h"

class SceneHost : public EngineHostView {
 public:
  static constexpr UINT_PTR FRAME_TIMER_ID = 1;
  static constexpr int FRAME_RING = 100;

  SceneHost();
  ~SceneHost() override;
  SceneHost(const SceneHost&) = delete;
  SceneHost& operator=(const SceneHost&) = delete;

  // A visible top-level window with a client area of width x height.
  HWND Create(const char* title, int32_t width, int32_t height);
  // 0 when the scene's OnInitGame refuses.
  int AttachGame(GameBase* scene);
  // The start step (the table view's pane-update message): screen, timers, game data.
  void Start();
  void KillTimers() override;

  // One tick of the frame timer: the pump, then a frame when the gate opens. 1 when it drew.
  int FrameTick();
  void HoverTick();

  HWND Window() const { return m_hwnd; }
  GameBase* Scene() const { return m_scene; }
  uint32_t Frames() const { return m_frames; }
  UINT_PTR HoverTimerId() const { return m_hoverTimer; }

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void InitScreen();
  void StoreWindowOrigin();

  HWND m_hwnd = nullptr;
  GameBase* m_scene = nullptr;
  UINT_PTR m_hoverTimer = 0;
  bool m_screenReady = false;
  bool m_started = false;
  bool m_inside = false;
  uint32_t m_ring[FRAME_RING] = {};
  int m_ringIndex = 0;
  uint32_t m_frames = 0;
};
