// Window-creation hooks of the calling thread (WH_CBT), which a class library uses to attach its
// window object and subclass a window before its first message, whatever the window's class.
// Only WH_CBT for the calling thread is kept; it is called with HCBT_CREATEWND after the window
// exists and before WM_NCCREATE (nonzero fails the creation without further messages) and with
// HCBT_DESTROYWND when DestroyWindow begins (nonzero keeps the window).
#pragma once

#include "platform/base/WinTypes.h"
#include "platform/user/WinUser.h"

DECLARE_HANDLE(HHOOK);
typedef LRESULT(CALLBACK* HOOKPROC)(int code, WPARAM wParam, LPARAM lParam);

#define WH_CBT 5
#define HCBT_CREATEWND 3
#define HCBT_DESTROYWND 4

struct CBT_CREATEWNDA {
  LPCREATESTRUCTA lpcs;
  HWND hwndInsertAfter;
};
typedef CBT_CREATEWNDA CBT_CREATEWND;
typedef CBT_CREATEWNDA* LPCBT_CREATEWNDA;
typedef CBT_CREATEWNDA* LPCBT_CREATEWND;

// Fails with ERROR_NOT_SUPPORTED for other hook kinds and for threads other than the caller's.
HHOOK SetWindowsHookExA(int kind, HOOKPROC proc, HINSTANCE module, DWORD threadId);
BOOL UnhookWindowsHookEx(HHOOK hook);
LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam);

#define SetWindowsHookEx SetWindowsHookExA

namespace platform {

// Runs the calling thread's CBT hooks, newest first; 0 when there are none.
LRESULT CallCbtHooks(int code, WPARAM wParam, LPARAM lParam);

}  // namespace platform
