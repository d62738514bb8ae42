// Helpers of the class library's window tests: an event log, input injection through the
// headless display, pixel reads and PNG dumps into build/tests/mfc-renderings/.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/display/Display.h"
#include "platform/mfc/Afx.h"
#include "platform/user/User.h"
#include "tests/platform/GdiTestCanvas.h"
#include "tests/support/MessagePump.h"

namespace mfcwin {

using testsupport::Pump;
using testsupport::PumpUntil;

inline std::vector<std::string>& Log() {
  static std::vector<std::string> log;
  return log;
}

inline POINT CenterOnScreen(HWND hwnd) {
  RECT rc{};
  GetWindowRect(hwnd, &rc);
  return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

inline void Click(POINT screen) {
  platform::InjectMouseMove(screen);
  platform::InjectMouseButton(0, true, screen);
  platform::InjectMouseButton(0, false, screen);
}

inline void Key(UINT vk) {
  platform::InjectKey(vk, true, 0);
  platform::InjectKey(vk, false, 0);
}

inline COLORREF Pixel(HWND hwnd, int x, int y) {
  std::vector<uint32_t> px;
  int w = 0, h = 0;
  if (!platform::CaptureWindow(hwnd, px, w, h) || x < 0 || y < 0 || x >= w || y >= h) return CLR_INVALID;
  uint32_t p = px[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)];
  return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

inline bool SavePng(HWND hwnd, const std::string& name) {
  std::vector<uint32_t> px;
  int w = 0, h = 0;
  if (!platform::CaptureWindow(hwnd, px, w, h)) return false;
  std::filesystem::path dir(PXQD_MFC_DUMP_DIR);
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  return gditest::WritePng((dir / (name + ".png")).string(), px.data(), w, h, w * 4);
}

// A window's rectangle in its parent's client coordinates.
inline CRect RectInParent(HWND hwnd) {
  CRect rc;
  GetWindowRect(hwnd, &rc);
  HWND parent = GetParent(hwnd);
  if (parent) {
    ScreenToClient(parent, reinterpret_cast<POINT*>(&rc.left));
    ScreenToClient(parent, reinterpret_cast<POINT*>(&rc.right));
  }
  return rc;
}

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::StartDisplay(platform::DisplayBackend::HEADLESS);
    platform::ResetInputState();
    Log().clear();
  }
  void TearDown() override { Pump(); }
};

}  // namespace mfcwin
