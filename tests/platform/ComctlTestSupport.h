// A recording parent window for the control and menu tests, input helpers and PNG dumps of
// control renderings into build/tests/comctl-renderings/.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/comctl/CommCtrl.h"
#include "platform/display/Display.h"
#include "platform/gdi/Text.h"
#include "platform/user/User.h"
#include "tests/platform/GdiTestCanvas.h"
#include "tests/support/MessagePump.h"

namespace comctltest {

using testsupport::Pump;
using testsupport::PumpUntil;

struct Event {
  UINT message;
  UINT code;  // WM_NOTIFY code, or wParam
  int item;
  DWORD stage;
};

struct Recorder {
  std::vector<Event> events;
  // Answers a message before the default handling; return true when handled.
  std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT*)> hook;
};

inline Recorder& Rec() {
  static Recorder r;
  return r;
}

inline LRESULT CALLBACK ParentProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (message == WM_NOTIFY) {
    auto* hdr = reinterpret_cast<NMHDR*>(lParam);
    Event e{message, hdr->code, -1, 0};
    if (hdr->code == NM_CLICK || hdr->code == NM_DBLCLK || hdr->code == NM_RCLICK) e.item = reinterpret_cast<NMITEMACTIVATE*>(lParam)->iItem;
    if (hdr->code == LVN_ITEMCHANGED || hdr->code == LVN_COLUMNCLICK) e.item = reinterpret_cast<NMLISTVIEW*>(lParam)->iItem;
    if (hdr->code == NM_CUSTOMDRAW) {
      auto* cd = reinterpret_cast<NMLVCUSTOMDRAW*>(lParam);
      e.item = static_cast<int>(cd->nmcd.dwItemSpec);
      e.stage = cd->nmcd.dwDrawStage;
    }
    if (hdr->code >= HDN_TRACKW && hdr->code <= HDN_ITEMCHANGINGA) e.item = reinterpret_cast<NMHEADERA*>(lParam)->iItem;
    Rec().events.push_back(e);
  } else if (message == WM_COMMAND || message == WM_INITMENUPOPUP || message == WM_MENUSELECT || message == WM_ENTERMENULOOP ||
             message == WM_EXITMENULOOP || message == WM_CONTEXTMENU || message == WM_MEASUREITEM || message == WM_DRAWITEM) {
    Rec().events.push_back(Event{message, static_cast<UINT>(wParam), -1, 0});
  }
  if (Rec().hook && Rec().hook(hwnd, message, wParam, lParam, &result)) return result;
  if (message == WM_NOTIFY) return 0;
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

inline HWND MakeParent(int x, int y, int w, int h) {
  static bool registered = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = ParentProc;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    wc.lpszClassName = "ComctlParent";
    return RegisterClassA(&wc) != 0;
  }();
  EXPECT_TRUE(registered);
  HWND hwnd = CreateWindowExA(0, "ComctlParent", "", WS_POPUP | WS_VISIBLE, x, y, w, h, nullptr, nullptr, nullptr, nullptr);
  SetActiveWindow(hwnd);
  SetForegroundWindow(hwnd);
  return hwnd;
}

inline POINT ToScreen(HWND hwnd, int x, int y) {
  POINT p{x, y};
  ClientToScreen(hwnd, &p);
  return p;
}

inline void Click(POINT screen, int button = 0) {
  platform::InjectMouseMove(screen);
  platform::InjectMouseButton(button, true, screen);
  platform::InjectMouseButton(button, false, screen);
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
  std::filesystem::path dir(PXQD_COMCTL_DUMP_DIR);
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  return gditest::WritePng((dir / (name + ".png")).string(), px.data(), w, h, w * 4);
}

class ControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::StartDisplay(platform::DisplayBackend::HEADLESS);
    InitCommonControls();
    Rec().events.clear();
    Rec().hook = nullptr;
    platform::ResetInputState();
  }
  void TearDown() override {
    Rec().hook = nullptr;
    for (HWND w : m_windows) {
      if (IsWindow(w)) DestroyWindow(w);
    }
    Pump();
  }
  HWND Parent(int x = 100, int y = 100, int w = 420, int h = 260) {
    HWND p = MakeParent(x, y, w, h);
    m_windows.push_back(p);
    return p;
  }
  std::vector<HWND> m_windows;
};

}  // namespace comctltest
