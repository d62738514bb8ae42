#include "platform/mfc/ControlBar.h"

#include <algorithm>

#include "platform/mfc/WinApp.h"
#include "platform/mfc/WndHandle.h"
#include "platform/user/Dialog.h"

IMPLEMENT_DYNAMIC(CControlBar, CWnd)
IMPLEMENT_DYNAMIC(CDialogBar, CControlBar)

BEGIN_MESSAGE_MAP(CControlBar, CWnd)
  ON_MESSAGE(WM_SIZEPARENT, OnSizeParent)
END_MESSAGE_MAP()

CSize CControlBar::CalcFixedLayout(BOOL bStretch, BOOL bHorz) {
  return CSize(bStretch && bHorz ? 32767 : 0, bStretch && !bHorz ? 32767 : 0);
}

LRESULT CControlBar::OnSizeParent(WPARAM, LPARAM lParam) {
  auto* lpLayout = reinterpret_cast<AFX_SIZEPARENTPARAMS*>(lParam);
  if (!lpLayout || !(GetStyle() & WS_VISIBLE)) return 0;  // a hidden bar takes no room
  DWORD dwAlign = m_dwStyle & CBRS_ALIGN_ANY;
  BOOL bHorz = (dwAlign & (CBRS_ALIGN_TOP | CBRS_ALIGN_BOTTOM)) != 0;
  CSize size = CalcFixedLayout(lpLayout->bStretch, bHorz);
  CRect free(lpLayout->rect);
  size.cx = std::max(0, std::min<int>(size.cx, free.Width()));
  size.cy = std::max(0, std::min<int>(size.cy, free.Height()));
  CRect rect = free;
  if (bHorz) {
    lpLayout->sizeTotal.cy += size.cy;
    lpLayout->sizeTotal.cx = std::max<LONG>(lpLayout->sizeTotal.cx, size.cx);
    rect.right = rect.left + size.cx;
    if (dwAlign & CBRS_ALIGN_TOP) {
      rect.bottom = rect.top + size.cy;
      lpLayout->rect.top += size.cy;
    } else {
      rect.top = rect.bottom - size.cy;
      lpLayout->rect.bottom -= size.cy;
    }
  } else if (dwAlign) {
    lpLayout->sizeTotal.cx += size.cx;
    lpLayout->sizeTotal.cy = std::max<LONG>(lpLayout->sizeTotal.cy, size.cy);
    rect.bottom = rect.top + size.cy;
    if (dwAlign & CBRS_ALIGN_LEFT) {
      rect.right = rect.left + size.cx;
      lpLayout->rect.left += size.cx;
    } else {
      rect.left = rect.right - size.cx;
      lpLayout->rect.right -= size.cx;
    }
  } else {
    return 0;  // a floating bar is not laid out
  }
  AfxRepositionWindow(lpLayout, m_hWnd, &rect);
  return 0;
}

namespace {
INT_PTR CALLBACK BarDlgProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
}  // namespace

BOOL CDialogBar::Create(CWnd* pParentWnd, LPCTSTR lpszTemplateName, UINT nStyle, UINT nID) {
  if (!pParentWnd || !AfxHwndOf(pParentWnd) || !lpszTemplateName) return FALSE;
  m_dwStyle = nStyle & CBRS_ALL;
  AfxHookWindowCreate(this);
  HWND hWnd = ::CreateDialogParamA(AfxGetResourceHandle(), lpszTemplateName, AfxHwndOf(pParentWnd), BarDlgProc, 0);
  AfxUnhookWindowCreate();
  if (!hWnd) return FALSE;
  if (m_hWnd != hWnd) {
    ::DestroyWindow(hWnd);
    return FALSE;
  }
  // The bar keeps the size its template gave it; the frame's layout places it.
  CRect rect;
  GetWindowRect(&rect);
  m_sizeDefault = rect.Size();
  ::SetWindowLongPtrA(m_hWnd, GWLP_ID, static_cast<LONG_PTR>(nID));
  ModifyStyle(0, WS_CLIPSIBLINGS);
  // Shown at no size: the frame's next layout gives the bar its strip.
  SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  return TRUE;
}

CSize CDialogBar::CalcFixedLayout(BOOL bStretch, BOOL bHorz) {
  if (bStretch) return CSize(bHorz ? 32767 : m_sizeDefault.cx, bHorz ? m_sizeDefault.cy : 32767);
  return m_sizeDefault;
}
