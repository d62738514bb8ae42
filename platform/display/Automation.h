// A test's hands and eyes inside a running program.
//
// When the environment variable PXQD_AUTOMATION names a path, StartAutomation serves a Unix
// domain socket there (mode 0600). A test that starts the program as its own process connects
// to it and asks, one command a line, for what the program's windows show and for mouse and
// keyboard input as the display would deliver it. Every answer is a number of lines ended by a
// line with a single ".". Texts travel as the hexadecimal digits of their bytes (GBK, as the
// windows hold them), so that neither line breaks nor bytes above 0x7F need escaping.
//
//   windows                      every window: "<handle> <parent> <control id> <visible 0|1>
//                                <left> <top> <right> <bottom> <class hex> <text hex>", handles
//                                in hex, the rectangle in screen coordinates
//   text <handle>                the window's whole text (WM_GETTEXT): "<text hex>"
//   rows <handle> <column>       the texts of one column of a report list, a line a row
//   at <x> <y>                   the window that a click at a screen point would reach
//   click <x> <y>                a left click at a screen point (move, press, release)
//   type <utf-8 hex>             text typed into the focused window
//   key <virtual key>            a key pressed and released
//   post <handle> <message> <wParam> <lParam>   PostMessage, numbers in decimal
//
// Anything else answers "error". Nothing runs without the variable; the socket is removed when
// the program ends.
#pragma once

#include <string>
#include <vector>

namespace platform {

// Starts serving when PXQD_AUTOMATION is set; true when it serves (or already did).
bool StartAutomation();
void StopAutomation();

// One command's answer lines (without the closing "."), for the serving side and its tests.
std::vector<std::string> RunAutomationCommand(const std::string& line);

}  // namespace platform
