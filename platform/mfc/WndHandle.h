// The window of a CWnd pointer that may be null. The class library's callers write
// pWnd->GetSafeHwnd() on null pointers; the layer's own code uses this instead, so that it never
// calls a member through a null pointer.
#pragma once

#include "platform/mfc/Wnd.h"

inline HWND AfxHwndOf(const CWnd* pWnd) { return pWnd ? pWnd->m_hWnd : nullptr; }
