// Windows for the painting and input tests: a class whose procedure records the messages it
// sees and, on WM_PAINT, fills its update area with the window's own colour (GWLP_USERDATA).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/display/Display.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/User.h"
#include "tests/support/MessagePump.h"

namespace painttest {

using testsupport::Pump;
using testsupport::PumpUntil;

struct Seen {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

struct PaintSeen {
  HWND hwnd;
  RECT rcPaint;
  BOOL fErase;
};

struct Log {
  std::vector<Seen> seen;
  std::vector<PaintSeen> paints;
  // Messages left out of `seen`, because every window sees them in numbers.
  bool keepNoise = false;
  void Clear() {
    seen.clear();
    paints.clear();
  }
  std::vector<std::pair<HWND, UINT>> Pairs(const std::vector<UINT>& keep = {}) const {
    std::vector<std::pair<HWND, UINT>> out;
    for (const Seen& s : seen) {
      if (keep.empty() || std::find(keep.begin(), keep.end(), s.message) != keep.end()) {
        out.emplace_back(s.hwnd, s.message);
      }
    }
    return out;
  }
};

inline Log& TheLog() {
  static Log log;
  return log;
}

inline bool IsNoise(UINT m) {
  return m == WM_NCHITTEST || m == WM_SETCURSOR || m == WM_GETTEXT || m == WM_GETTEXTLENGTH ||
         m == WM_WINDOWPOSCHANGING || m == WM_WINDOWPOSCHANGED || m == WM_MOVE || m == WM_SIZE ||
         m == WM_NCCALCSIZE || m == WM_GETICON || m == WM_NCCREATE || m == WM_CREATE || m == WM_SHOWWINDOW ||
         m == WM_PARENTNOTIFY || m == WM_STYLECHANGED || m == WM_STYLECHANGING;
}

inline LRESULT CALLBACK PaintingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (TheLog().keepNoise || !IsNoise(message)) TheLog().seen.push_back(Seen{hwnd, message, wParam, lParam});
  if (message == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    TheLog().paints.push_back(PaintSeen{hwnd, ps.rcPaint, ps.fErase});
    COLORREF colour = static_cast<COLORREF>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (colour) {
      RECT rc;
      GetClientRect(hwnd, &rc);
      HBRUSH brush = CreateSolidBrush(colour & 0xFFFFFF);
      FillRect(dc, &rc, brush);
      DeleteObject(brush);
    }
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

// "Painted": class brush COLOR_WINDOW + 1. "PaintedBare": no brush (WM_ERASEBKGND does nothing).
// "PaintedDbl": CS_DBLCLKS and an arrow cursor.
inline void RegisterClasses() {
  static bool done = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = PaintingProc;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    wc.lpszClassName = "Painted";
    bool ok = RegisterClassA(&wc) != 0;
    wc.hbrBackground = nullptr;
    wc.lpszClassName = "PaintedBare";
    ok = ok && RegisterClassA(&wc) != 0;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    wc.style = CS_DBLCLKS;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = "PaintedDbl";
    return ok && RegisterClassA(&wc) != 0;
  }();
  EXPECT_TRUE(done);
}

inline HWND Make(DWORD style, int x, int y, int cx, int cy, HWND parent = nullptr, COLORREF colour = 0,
                 DWORD exStyle = 0, const char* cls = "Painted", const char* title = "") {
  RegisterClasses();
  HWND w = CreateWindowExA(exStyle, cls, title, style, x, y, cx, cy, parent, nullptr, nullptr, nullptr);
  if (w && colour) SetWindowLongPtrA(w, GWLP_USERDATA, static_cast<LONG_PTR>(colour | 0x01000000));
  return w;
}

// The colour of a pixel of a window, in window coordinates, as the screen would show it.
inline COLORREF PixelAt(HWND hwnd, int x, int y) {
  std::vector<uint32_t> px;
  int w = 0, h = 0;
  if (!platform::CaptureWindow(hwnd, px, w, h) || x < 0 || y < 0 || x >= w || y >= h) return CLR_INVALID;
  uint32_t p = px[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)];
  return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

inline std::string HashWindow(HWND hwnd) {
  std::vector<uint32_t> px;
  int w = 0, h = 0;
  if (!platform::CaptureWindow(hwnd, px, w, h)) return "";
  uint64_t hash = 1469598103934665603ull;
  for (uint32_t p : px) {
    for (int shift : {0, 8, 16}) {
      hash ^= (p >> shift) & 0xFF;
      hash *= 1099511628211ull;
    }
  }
  char buf[17];
  snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(hash));
  return buf;
}

// Saves a window's pixels as build/tests/display-renderings/<name>.png for a person to look at.
bool SaveWindowPng(HWND hwnd, const std::string& name);

}  // namespace painttest
