// Fixtures of the dialog tests: a log of what dialog procedures and the standard controls see
// (controls are subclassed by a creation hook while a test runs), and helpers that press keys
// and click through the input layer.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/display/Display.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Text.h"
#include "platform/user/Dialog.h"
#include "platform/user/Input.h"
#include "platform/user/MessageBox.h"
#include "platform/user/Paint.h"
#include "platform/user/Resources.h"
#include "platform/user/User.h"

namespace dlgtest {

struct Seen {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

// Messages of dialog procedures and of the stand-in controls, in order.
std::vector<Seen>& Log();
// The messages of the log that are in `keep`, as (window, message) pairs.
std::vector<std::pair<HWND, UINT>> Pairs(const std::vector<UINT>& keep);

// Registers "DlgTestOwner", a plain class for the windows that own dialogs.
void EnsureControls();
// Installs and removes the creation hook that subclasses "Button", "Static" and "Edit" windows
// to record WM_SETFONT, WM_SETFOCUS, BM_SETSTYLE, EM_SETSEL, BM_CLICK and BM_SETCHECK.
void StartRecording();
void StopRecording();

// Dispatches what the thread has waiting, passing it through IsDialogMessage for `dialog`.
void Pump(HWND dialog = nullptr);
// Presses and releases a key (with Shift held when asked) and pumps.
void Press(HWND dialog, UINT vk, bool shift = false);
// Presses a character key with Alt held (a mnemonic), and pumps.
void PressAlt(HWND dialog, UINT vk);
// Clicks the left button in the middle of a window (screen coordinates through the input layer).
void Click(HWND hwnd);

// A timer procedure that runs the steps, one per tick, on the calling thread, inside whatever
// loop is running (a modal dialog's, for example). Returns the timer id.
UINT_PTR RunSteps(std::vector<std::function<void()>> steps, UINT elapse = 10);

// Saves a window's pixels as build/tests/dialog-renderings/<name>.png.
bool SaveWindowPng(HWND hwnd, const std::string& name);

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::StartDisplay(platform::DisplayBackend::HEADLESS);
    EnsureControls();
    StartRecording();
    Log().clear();
  }
  void TearDown() override {
    for (HWND w : m_windows) {
      if (IsWindow(w)) DestroyWindow(w);
    }
    Pump();
    StopRecording();
    Log().clear();
    platform::ResetInputState();
  }
  HWND Keep(HWND w) {
    EXPECT_NE(nullptr, w);
    m_windows.push_back(w);
    return w;
  }
  std::vector<HWND> m_windows;
};

}  // namespace dlgtest
