// Windows: creation and destruction with Win32's message order, the window record's fields
// through Get/SetWindowLong, position, size, z-order and visibility, parents and owners,
// coordinates, text, enabling, focus, capture and activation.
//
// Creation runs the thread's creation hooks (Hook.h), then sends WM_NCCREATE, WM_NCCALCSIZE (which
// places the client area inside the frame the styles give, NonClient.h), WM_CREATE (CREATESTRUCT
// in lParam; -1 fails the creation), then WM_SIZE and WM_MOVE, WM_PARENTNOTIFY to the parents of a
// child, and shows the window when WS_VISIBLE was given. SetWindowPos sends WM_NCCALCSIZE after
// WM_WINDOWPOSCHANGING when the rectangle changes or SWP_FRAMECHANGED is given, and tells the
// painting layer what to repaint. WM_GETMINMAXINFO is not sent. New child windows go to
// the bottom of their siblings' z-order (so that creation order is tab order), new top-level
// windows to the top.
//
// DestroyWindow may only be called by the window's own thread. It sends WM_PARENTNOTIFY, hides a
// visible window, destroys the windows it owns, then sends WM_DESTROY to the window and then to
// its children (parent first) and WM_NCDESTROY to the children and then to the window (so the
// window's WM_NCDESTROY is last). A handle stays valid until its WM_NCDESTROY has been sent and
// is never given to another window afterwards.
#pragma once

#include "platform/base/WinTypes.h"
#include "platform/user/WinUser.h"

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
#define CreateWindowA(className, windowName, style, x, y, width, height, parent, menu, instance, param) \
  CreateWindowExA(0, className, windowName, style, x, y, width, height, parent, menu, instance, param)
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);
LRESULT DefWindowProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CallWindowProcA(WNDPROC proc, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// GWL_WNDPROC, GWL_HINSTANCE and GWL_HWNDPARENT hold pointers and are refused by the 32-bit
// functions (ERROR_INVALID_INDEX), as on 64-bit Windows; use the pointer-sized functions.
// Non-negative indexes address the class's cbWndExtra bytes and must lie inside them.
LONG GetWindowLongA(HWND hwnd, int index);
LONG SetWindowLongA(HWND hwnd, int index, LONG value);
LONG_PTR GetWindowLongPtrA(HWND hwnd, int index);
LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value);

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
BOOL ShowWindow(HWND hwnd, int command);
BOOL IsIconic(HWND hwnd);
BOOL IsZoomed(HWND hwnd);
BOOL IsWindowVisible(HWND hwnd);
BOOL EnableWindow(HWND hwnd, BOOL enable);
BOOL IsWindowEnabled(HWND hwnd);
BOOL GetWindowRect(HWND hwnd, LPRECT rect);
BOOL GetClientRect(HWND hwnd, LPRECT rect);
BOOL ClientToScreen(HWND hwnd, LPPOINT point);
BOOL ScreenToClient(HWND hwnd, LPPOINT point);
// Null means the screen. Returns the offset as MAKELONG(dx, dy).
int MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count);

// A child's parent, a pop-up's owner, null for other top-level windows.
HWND GetParent(HWND hwnd);
// Moves the window under a new parent (null: the top level). Its position numbers are kept, so
// it appears at the same place in the new parent's client area. No messages are sent.
HWND SetParent(HWND hwnd, HWND newParent);
HWND GetWindow(HWND hwnd, UINT command);
HWND GetAncestor(HWND hwnd, UINT flags);
HWND GetTopWindow(HWND hwnd);
BOOL IsChild(HWND parent, HWND hwnd);
HWND GetDlgItem(HWND dialog, int id);
int GetDlgCtrlID(HWND hwnd);
BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM lParam);
BOOL EnumWindows(WNDENUMPROC proc, LPARAM lParam);
DWORD GetWindowThreadProcessId(HWND hwnd, LPDWORD processId);
// Finds a top-level window of this process by class and/or title (null matches any).
HWND FindWindowA(LPCSTR className, LPCSTR windowName);

BOOL SetWindowTextA(HWND hwnd, LPCSTR text);
int GetWindowTextA(HWND hwnd, LPSTR buffer, int maxCount);
int GetWindowTextLengthA(HWND hwnd);

// Focus, activation and capture are kept per thread, as Win32 keeps them per input queue.
HWND SetFocus(HWND hwnd);
HWND GetFocus();
HWND SetActiveWindow(HWND hwnd);
HWND GetActiveWindow();
HWND SetCapture(HWND hwnd);
BOOL ReleaseCapture();
HWND GetCapture();

#define DefWindowProc DefWindowProcA
#define CallWindowProc CallWindowProcA
#define CreateWindowEx CreateWindowExA
#define CreateWindow CreateWindowA
#define GetWindowLong GetWindowLongA
#define SetWindowLong SetWindowLongA
#define GetWindowLongPtr GetWindowLongPtrA
#define SetWindowLongPtr SetWindowLongPtrA
#define FindWindow FindWindowA
#define SetWindowText SetWindowTextA
#define GetWindowText GetWindowTextA
#define GetWindowTextLength GetWindowTextLengthA
