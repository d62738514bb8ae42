// The table pane: a child window that runs the engine-drawn table scene. It owns no game logic;
// it creates the engine's screen on its window, drives the frames from a 1 ms window timer and
// the hover test from a 100 ms one, forwards mouse and keyboard input once the screen exists,
// copies the back buffer when it paints and tells the engine when its size changes. It is also
// the framework's table pane (the clock timer and the cached size) and the engine's host view.
#pragma once

#include <cstdint>

#include "engine/GameBase.h"
#include "engine/GameHost.h"
#include "framework/PaneHooks.h"
#include "platform/user/User.h"

class CMJTableView : public CTablePaneHooks, public EngineHostView {
 public:
  static constexpr UINT_PTR FRAME_TIMER_ID = 0;
  static constexpr UINT_PTR CLOCK_TIMER_ID = 10000;
  static constexpr int FRAME_RING = 100;

  CMJTableView() = default;
  ~CMJTableView() override;
  CMJTableView(const CMJTableView&) = delete;
  CMJTableView& operator=(const CMJTableView&) = delete;

  // A child window of parent covering rect; null when the window system refuses.
  HWND Create(HWND parent, const RECT& rect);
  HWND Window() const { return m_hwnd; }

  // Stores the scene and runs its start-up slots; 0 (and no scene) when OnInitGame refuses.
  int AttachGame(GameBase* game);
  GameBase* Game() const { return m_game; }
  // The screen on the view's window; nothing once the table has started.
  void InitScreen();
  void SetEarlyScreenInit(bool early) {
    if (!m_started) m_earlyScreen = early;
  }
  // The start at the framework's pane update: screen, timers, game data, the game's start.
  void Start();
  bool IsStarted() const { return m_started; }
  // Records one frame's duration and answers the mean of the ring (empty slots count as 0).
  int AddFrameTime(uint32_t ms);

  // One tick of the frame timer: the event pump, then a frame when the engine's gate opens.
  // 1 when a frame was drawn.
  int FrameTick();
  // A frame without the event pump: the table keeps moving while a request waits, and no input
  // is acted on before its reply.
  int DrawFrame();
  void HoverTick();

  // EngineHostView.
  void KillTimers() override;

  // CTablePaneHooks.
  UINT GetClockTimerId() const override { return static_cast<UINT>(m_clockTimerId); }
  int GetWidth() const override { return m_width; }
  int GetHeight() const override { return m_height; }
  // The one-second clock timer: started again from a full second, under the same id.
  void StartClockTimer();
  void RestartClockTimer();
  void StopClockTimer();
  // The clock timer's period; one second unless a headless run plays faster.
  void SetClockPeriod(UINT ms) { m_clockPeriodMs = ms > 0 ? ms : 1000; }

  // The window procedure's work, public so that the tests drive it without a message loop.
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  void StoreWindowOrigin();
  bool InputReady() const { return m_game != nullptr && m_screenReady; }

  HWND m_hwnd = nullptr;
  GameBase* m_game = nullptr;
  uint32_t m_frameTimes[FRAME_RING] = {};
  int m_frameIndex = 0;
  bool m_mouseInside = false;
  UINT_PTR m_hoverTimerId = 0;
  UINT_PTR m_clockTimerId = 0;
  UINT m_clockPeriodMs = 1000;
  bool m_started = false;
  bool m_earlyScreen = true;
  bool m_screenReady = false;
  int m_width = 0;
  int m_height = 0;
};
