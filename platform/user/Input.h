// Mouse and keyboard input: the state of keys, buttons and the pointer, cursors, hit testing,
// and the turning of device events into window messages.
//
// The display (or a test) reports device events with the Inject functions from any thread. Each
// event goes to the thread that owns the window under the pointer (or the capture, or for keys
// the focus of the foreground window's thread), and that thread turns it into messages the
// next time it looks at its queue: it sends WM_NCHITTEST and WM_SETCURSOR, activates a window
// on a click (WM_MOUSEACTIVATE), and posts WM_MOUSEMOVE, the button messages (double clicks for
// CS_DBLCLKS classes within GetDoubleClickTime and SM_CXDOUBLECLK), WM_MOUSEWHEEL to the focus,
// the WM_NC* messages outside the client area, WM_MOUSELEAVE for TrackMouseEvent, and
// WM_KEYDOWN/WM_KEYUP (WM_SYSKEY* with Alt) with repeat counts. TranslateMessage makes WM_CHAR
// from the key and the shift state; text typed through an input method arrives as
// WM_KEYDOWN(VK_PROCESSKEY) whose translation is the text's GBK bytes, one WM_CHAR per byte.
#pragma once

#include <string>

#include "platform/base/WinTypes.h"
#include "platform/user/WinUser.h"

#define VK_LBUTTON 0x01
#define VK_RBUTTON 0x02
#define VK_MBUTTON 0x04
#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_MENU 0x12
#define VK_PAUSE 0x13
#define VK_CAPITAL 0x14
#define VK_PRIOR 0x21
#define VK_NEXT 0x22
#define VK_END 0x23
#define VK_HOME 0x24
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28
#define VK_INSERT 0x2D
#define VK_DELETE 0x2E
#define VK_NUMPAD0 0x60
#define VK_MULTIPLY 0x6A
#define VK_ADD 0x6B
#define VK_SUBTRACT 0x6D
#define VK_DECIMAL 0x6E
#define VK_DIVIDE 0x6F
#define VK_F1 0x70
#define VK_F10 0x79
#define VK_F12 0x7B
#define VK_LSHIFT 0xA0
#define VK_RSHIFT 0xA1
#define VK_LCONTROL 0xA2
#define VK_RCONTROL 0xA3
#define VK_LMENU 0xA4
#define VK_RMENU 0xA5
#define VK_OEM_1 0xBA
#define VK_OEM_PLUS 0xBB
#define VK_OEM_COMMA 0xBC
#define VK_OEM_MINUS 0xBD
#define VK_OEM_PERIOD 0xBE
#define VK_OEM_2 0xBF
#define VK_OEM_3 0xC0
#define VK_OEM_4 0xDB
#define VK_OEM_5 0xDC
#define VK_OEM_6 0xDD
#define VK_OEM_7 0xDE
#define VK_PROCESSKEY 0xE5

#define IDC_ARROW MAKEINTRESOURCEA(32512)
#define IDC_IBEAM MAKEINTRESOURCEA(32513)
#define IDC_WAIT MAKEINTRESOURCEA(32514)
#define IDC_CROSS MAKEINTRESOURCEA(32515)
#define IDC_SIZENWSE MAKEINTRESOURCEA(32642)
#define IDC_SIZENESW MAKEINTRESOURCEA(32643)
#define IDC_SIZEWE MAKEINTRESOURCEA(32644)
#define IDC_SIZENS MAKEINTRESOURCEA(32645)
#define IDC_SIZEALL MAKEINTRESOURCEA(32646)
#define IDC_NO MAKEINTRESOURCEA(32648)
#define IDC_HAND MAKEINTRESOURCEA(32649)

#define TME_LEAVE 0x00000002
#define TME_CANCEL 0x80000000
#define HOVER_DEFAULT 0xFFFFFFFF

struct TRACKMOUSEEVENT {
  DWORD cbSize;
  DWORD dwFlags;
  HWND hwndTrack;
  DWORD dwHoverTime;
};
typedef TRACKMOUSEEVENT* LPTRACKMOUSEEVENT;

#define SPI_GETWORKAREA 0x0030

SHORT GetKeyState(int virtualKey);
SHORT GetAsyncKeyState(int virtualKey);
BOOL GetCursorPos(LPPOINT point);
// Moves the pointer: the display warps it, and the window under it gets WM_MOUSEMOVE.
BOOL SetCursorPos(int x, int y);
// With a program instance, the program's own cursor resources (Resources.h) first; then the
// standard cursors by IDC_ number (any instance).
HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name);
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();
int ShowCursor(BOOL show);
UINT GetDoubleClickTime();
HWND WindowFromPoint(POINT point);
// The child of `parent` (hidden and disabled ones included) that contains the point, given in
// the parent's client coordinates; the parent itself when none does; null outside the parent.
HWND ChildWindowFromPoint(HWND parent, POINT point);
BOOL TrackMouseEvent(LPTRACKMOUSEEVENT track);
BOOL SetForegroundWindow(HWND hwnd);
HWND GetForegroundWindow();
// SPI_GETWORKAREA: the whole screen, as there is no task bar to leave out.
BOOL SystemParametersInfoA(UINT action, UINT param, PVOID data, UINT winIni);

#define LoadCursor LoadCursorA
#define SystemParametersInfo SystemParametersInfoA

namespace platform {

// Device events, as the display reports them. Buttons: 0 left, 1 right, 2 middle. `screen` is in
// screen coordinates. A key held down is reported again for every repeat.
void InjectMouseMove(POINT screen);
void InjectMouseButton(int button, bool down, POINT screen);
void InjectMouseWheel(int delta, POINT screen);
void InjectKey(UINT virtualKey, bool down, UINT scanCode);
// UTF-8 text from an input method or the keyboard layout; only text outside ASCII is delivered
// this way (ASCII characters come from their keys through TranslateMessage).
void InjectText(const std::string& utf8);
// Forgets the pressed keys and buttons (the display lost the keyboard and mouse).
void ResetInputState();

// The default handling of input messages by DefWindowProc: WM_SETCURSOR, WM_MOUSEWHEEL for
// children, and moving a window by its caption and pressing its close button.
bool DefInputProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
// Turns the next device event waiting for the thread (the caller's own) into messages; false when
// none waits. The message queue calls it when nothing posted is waiting.
bool ProcessOneInput(DWORD threadId);
// Whether device events wait for the thread; under UserLock().
bool HasPendingInputLocked(DWORD threadId);
// Drops what waits for a thread that has ended; under UserLock().
void ForgetThreadInputLocked(DWORD threadId);

}  // namespace platform
