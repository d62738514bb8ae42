// The debug console and the two overlay displays (frame time and dirty areas).
#include <cstdio>
#include <cstring>

#include "engine/EngineUtil.h"
#include "engine/GameBase.h"
#include "engine/Screen.h"
#include "platform/gdi/Text.h"
#include "platform/user/MessageQueue.h"
#include "platform/user/WinUser.h"

int GameBase::OnConsoleCommand(const char* line) {
  if (line == nullptr) return 0;
  const std::string text(line);
  Screen* screen = GetScreen();
  if (text == "/showsystem") {
    ShowSystemInfo();
  } else if (text == "/logon") {
    m_logging = 1;
  } else if (text == "/logoff") {
    m_logging = 0;
  } else if (text == "/showfps") {
    SetShowFps(1);
  } else if (text == "/hidefps") {
    SetShowFps(0);
  } else if (text == "/invalidate need") {
    if (screen) screen->SetFullInvalidate(0);
  } else if (text == "/invalidate fullscreen") {
    if (screen) screen->SetFullInvalidate(1);
  } else if (text == "/show invalidatearea") {
    SetShowInvalidArea(1);
  } else if (text == "/hide invalidatearea") {
    SetShowInvalidArea(0);
  } else if (text == "/endgame") {
    if (HWND main = EngineMainWindow()) PostMessageA(main, WM_QUIT, 0, 0);
  } else if (text == "/showgameset") {
    ShowScreenInfo();
  } else if (text == "/glintmoth") {
    OnConsoleHook();
  } else {
    return 0;
  }
  return 1;
}

int GameBase::DrawDebugOverlay() {
  if (!m_showFps && !m_showDirty) return 0;
  if (m_overlayDc == nullptr || m_backDc == nullptr) return 0;
  BitBlt(m_overlayDc, 0, 0, m_logicalWidth, m_logicalHeight, m_backDc, 0, 0, SRCCOPY);
  OnDrawDebugOverlay();
  if (m_showFps) {
    char text[32];
    const int n = std::snprintf(text, sizeof text, "FCT:%d", m_averageFrameTime);
    TextOutA(m_overlayDc, 0, 0, text, n);
  }
  if (m_showDirty) {
    if (Screen* screen = GetScreen()) {
      for (const RECT& r : screen->GetDirtyRects()) {
        MoveToEx(m_overlayDc, r.left, r.top, nullptr);
        LineTo(m_overlayDc, r.right, r.top);
        LineTo(m_overlayDc, r.right, r.bottom);
        LineTo(m_overlayDc, r.left, r.bottom);
        LineTo(m_overlayDc, r.left, r.top);
      }
    }
  }
  return 1;
}
