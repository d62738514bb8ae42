// Shared pieces of the widget tests: an MFC parent window that records the WM_COMMAND and
// WM_NOTIFY codes its children send (and reflects owner-draw requests to them, as MFC parents
// do), mouse input through the headless display, and renderings read back, hashed and written
// as PNG files for a person to look at.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/mfc/Wnd.h"
#include "tests/platform/GdiTestCanvas.h"

namespace widgettest {

struct Command {
  int id;
  int code;
};

class RecordingParent : public CWnd {
 public:
  std::vector<Command> commands;
  int Count(int id, int code) const {
    int n = 0;
    for (const Command& c : commands) n += (c.id == id && c.code == code) ? 1 : 0;
    return n;
  }

 protected:
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
};

class WidgetTest : public ::testing::Test {
 public:
  void SetUp() override;
  void TearDown() override;

  static void Pump();
  static void MoveTo(HWND hwnd, int x, int y);
  static void Press(HWND hwnd, int x, int y);
  static void Release(HWND hwnd, int x, int y);
  static void Click(HWND hwnd, int x, int y);
  static void DoubleClick(HWND hwnd, int x, int y);

  static bool Capture(HWND hwnd, std::vector<uint32_t>& pixels, int& width, int& height);
  static COLORREF PixelAt(const std::vector<uint32_t>& pixels, int width, int x, int y);
  static std::string Hash(const std::vector<uint32_t>& pixels);
  static void Dump(const std::string& name, const std::vector<uint32_t>& pixels, int width, int height);
  static void DumpCanvas(const std::string& name, const gditest::Canvas& canvas);
  // A 16 x 16 icon: a filled square of `ink` with a one-pixel border of `edge`, the rest transparent.
  static HICON MakeIcon(COLORREF ink, COLORREF edge, int size = 16);

  RecordingParent m_parent;
};

}  // namespace widgettest
