// Window and thread timers. A timer makes WM_TIMER only when its thread's queue holds nothing
// else for the caller's filter, and at most one tick of a timer is ever pending: the next
// period starts when the tick is taken, so a slow handler delays the next tick and never
// overlaps it. Timer id 0 is a valid window timer id.
#pragma once

#include "platform/base/WinTypes.h"
#include "platform/user/WinUser.h"

// Periods below this are raised to it, as Win32 does; it is the fastest tick a window timer
// gives (a 1 ms frame timer ticks every 10 ms).
#define USER_TIMER_MINIMUM 0x0000000A
#define USER_TIMER_MAXIMUM 0x7FFFFFFF

// With a window: sets or replaces the timer `id` of that window, on the window's thread, and
// returns `id`, or 1 for id 0, so that success is never 0. Without a window: a thread timer;
// `id` names an existing thread timer to replace, else a new id is chosen and returned.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc);
BOOL KillTimer(HWND hwnd, UINT_PTR id);
