// The class library's per-thread state (internal to platform/mfc): the thread's CWinThread, the
// message being handled, the window being created, and the handle maps.
#pragma once

#include <unordered_map>

#include "platform/user/User.h"

class CWinThread;
class CWnd;

struct AfxThreadState {
  CWinThread* pCurrentThread = nullptr;
  MSG lastSentMsg{};
  CWnd* pWndInit = nullptr;  // the object to attach at the next window creation
  HHOOK hHookCbt = nullptr;
  std::unordered_map<HWND, CWnd*> permanentMap;
  std::unordered_map<HWND, CWnd*> tempMap;
};

// The calling thread's state, made at first use. It lives until the thread ends; its temporary
// wrappers are deleted then.
AfxThreadState& AfxGetThreadState();
// The calling thread's state, or null when it has none (yet, or any more).
AfxThreadState* AfxPeekThreadState();
