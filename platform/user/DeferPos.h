// Deferred window moves: BeginDeferWindowPos starts a batch, DeferWindowPos adds a move to it and
// EndDeferWindowPos carries out every move in the order given. Layout code (frames, splitters)
// collects the moves of all panes first, so that no pane is moved while the sizes of the others
// are still being computed. A failed DeferWindowPos ends the batch and returns null, as in Win32;
// EndDeferWindowPos of null does nothing and fails.
#pragma once

#include "platform/base/WinTypes.h"
#include "platform/user/WinUser.h"

struct DeferredMoves;
typedef DeferredMoves* HDWP;

HDWP BeginDeferWindowPos(int nNumWindows);
HDWP DeferWindowPos(HDWP hWinPosInfo, HWND hWnd, HWND hWndInsertAfter, int x, int y, int cx, int cy, UINT uFlags);
BOOL EndDeferWindowPos(HDWP hWinPosInfo);
