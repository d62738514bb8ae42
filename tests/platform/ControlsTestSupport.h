// A parent window for the control tests: it records the notifications and messages its
// controls send it, answers WM_CTLCOLOR* with a brush of the test's choice, and offers input
// helpers that go through the headless display like a player's mouse and keyboard.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/display/Display.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Text.h"
#include "platform/user/User.h"

namespace controltest {

struct Note {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  // WM_COMMAND: the id and code; WM_DRAWITEM: the record's action and state.
  int id = 0;
  int code = 0;
  UINT action = 0;
  UINT state = 0;
  UINT item = 0;
};

struct ParentLog {
  std::vector<Note> notes;
  HBRUSH colourBrush = nullptr;  // answered to WM_CTLCOLOR* when set
  COLORREF textColour = CLR_INVALID;
  std::vector<UINT> colourAsks;
  void Clear() {
    notes.clear();
    colourAsks.clear();
  }
  // The WM_COMMAND codes seen, in order.
  std::vector<int> Codes() const {
    std::vector<int> out;
    for (const Note& n : notes) {
      if (n.message == WM_COMMAND) out.push_back(n.code);
    }
    return out;
  }
  // The scroll codes of WM_HSCROLL/WM_VSCROLL, with their positions for thumb codes.
  std::vector<std::pair<int, int>> Scrolls() const {
    std::vector<std::pair<int, int>> out;
    for (const Note& n : notes) {
      if (n.message == WM_HSCROLL || n.message == WM_VSCROLL) {
        int code = LOWORD(n.wParam);
        out.emplace_back(code, (code == 4 || code == 5) ? static_cast<int>(HIWORD(n.wParam)) : 0);
      }
    }
    return out;
  }
};

ParentLog& Log();

// Starts the headless display, makes the parent (a visible pop-up at 100,100, 400 x 300, with
// the face colour as background) and clears the log.
class ControlTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  HWND Make(const char* cls, const char* text, DWORD style, int x, int y, int cx, int cy, int id = 100,
            DWORD exStyle = 0);
  // Dispatches everything waiting, translating keys.
  static void Pump();
  // Mouse input at a point in a window's client coordinates.
  static void MoveTo(HWND hwnd, int x, int y);
  static void Press(HWND hwnd, int x, int y);
  static void Release(HWND hwnd, int x, int y);
  static void Click(HWND hwnd, int x, int y);
  static void DoubleClick(HWND hwnd, int x, int y);
  static void Wheel(HWND hwnd, int delta);
  // A key pressed and released (with Shift or Ctrl held when asked).
  static void Key(UINT vk, bool shift = false, bool ctrl = false);
  // Text typed through the input method: GBK here (as the build's literals are), turned into
  // the UTF-8 the display reports, which becomes GBK WM_CHARs again.
  static void Type(const std::string& gbk);
  // ASCII letters, digits and spaces typed on their keys (capitals with Shift).
  static void Keys(const std::string& ascii);
  // A window's text (GBK).
  static std::string Text(HWND hwnd);

  HWND m_parent = nullptr;
};

}  // namespace controltest
