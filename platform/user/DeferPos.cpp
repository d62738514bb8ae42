#include "platform/user/DeferPos.h"

#include <vector>

#include "platform/base/WinError.h"
#include "platform/user/Window.h"

struct DeferredMoves {
  struct Move {
    HWND hWnd;
    HWND hWndInsertAfter;
    int x, y, cx, cy;
    UINT flags;
  };
  std::vector<Move> moves;
};

HDWP BeginDeferWindowPos(int nNumWindows) {
  if (nNumWindows < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto* batch = new DeferredMoves;
  batch->moves.reserve(static_cast<size_t>(nNumWindows));
  return batch;
}

HDWP DeferWindowPos(HDWP hWinPosInfo, HWND hWnd, HWND hWndInsertAfter, int x, int y, int cx, int cy, UINT uFlags) {
  if (!hWinPosInfo) return nullptr;
  if (!IsWindow(hWnd)) {
    // Win32 gives the batch up when one of its windows is invalid.
    delete hWinPosInfo;
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  // A later move of the same window replaces the earlier one.
  for (auto& m : hWinPosInfo->moves) {
    if (m.hWnd == hWnd) {
      m = DeferredMoves::Move{hWnd, hWndInsertAfter, x, y, cx, cy, uFlags};
      return hWinPosInfo;
    }
  }
  hWinPosInfo->moves.push_back(DeferredMoves::Move{hWnd, hWndInsertAfter, x, y, cx, cy, uFlags});
  return hWinPosInfo;
}

BOOL EndDeferWindowPos(HDWP hWinPosInfo) {
  if (!hWinPosInfo) return FALSE;
  BOOL ok = TRUE;
  for (const auto& m : hWinPosInfo->moves) {
    if (!IsWindow(m.hWnd)) continue;  // destroyed by an earlier move's messages
    if (!SetWindowPos(m.hWnd, m.hWndInsertAfter, m.x, m.y, m.cx, m.cy, m.flags)) ok = FALSE;
  }
  delete hWinPosInfo;
  return ok;
}
