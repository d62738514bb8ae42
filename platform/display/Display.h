// The screen: which backend shows the program's top-level windows and feeds it mouse and
// keyboard input.
//
// PXQD_DISPLAY=sdl or PXQD_DISPLAY=headless picks the backend; without it, SDL2 is used when
// DISPLAY or WAYLAND_DISPLAY names a display, and headless otherwise.
//
// Headless: nothing is shown. The window surfaces stay in the painting layer, where CaptureWindow
// reads them, and input comes only from the Inject functions of platform/user/Input.h (which is
// what the SDL backend calls too). The screen is 1024 x 768.
//
// SDL2: a thread of its own opens one borderless SDL window per visible top-level window, at
// the window's place and size and in its z-order, copies what the program drew when a paint or
// a DC release reports it, and turns SDL's mouse, wheel, key and text events into device events
// for the input layer (Windows virtual-key codes, screen coordinates). The screen size is the
// SDL display's. Cursors follow SetCursor and ShowCursor; SetCursorPos warps the pointer.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/base/WinTypes.h"

namespace platform {

enum class DisplayBackend { NONE, HEADLESS, SDL };

// Starts the backend the environment asks for; a failing SDL start falls back to headless.
// Returns the backend that runs. Calling it again returns the running one.
DisplayBackend StartDisplay();
// Starts a given backend (tests).
DisplayBackend StartDisplay(DisplayBackend wanted);
// Closes the SDL windows and ends the display thread.
void StopDisplay();
DisplayBackend CurrentDisplay();

// Sets the screen size the layer reports (SM_CXSCREEN, SPI_GETWORKAREA, maximised windows).
void SetScreenSize(int width, int height);

// A window's pixels as the screen would show them: its window rectangle cut from its top-level
// window's surface, 32-bit B, G, R, A, top-down, `width` pixels a row. False for a window that
// does not exist or has no area.
bool CaptureWindow(HWND hwnd, std::vector<uint32_t>& pixels, int& width, int& height);

// The whole screen as it would show: every visible top-level window in z-order, layered windows
// blended over what lies beneath them.
bool CaptureScreen(std::vector<uint32_t>& pixels, int& width, int& height);

// How many times the SDL backend has put new pixels on the screen (tests wait for it).
uint64_t PresentCount();

}  // namespace platform
