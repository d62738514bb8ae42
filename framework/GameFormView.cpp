#include "framework/GameFormView.h"

#include "framework/GameApp.h"
#include "platform/skin/SkinLibrary.h"

IMPLEMENT_DYNAMIC(CGameFormView, CFormView)
IMPLEMENT_DYNCREATE(CGameDoc, CDocument)
IMPLEMENT_DYNCREATE(CGameView, CView)

BEGIN_MESSAGE_MAP(CGameFormView, CFormView)
  ON_WM_ERASEBKGND()
  ON_WM_WINDOWPOSCHANGING()
  ON_MESSAGE(WM_SIZE, OnSizeMessage)
END_MESSAGE_MAP()

CGameFormView::~CGameFormView() {
  if (m_bitmap.GetSafeHandle() != nullptr) m_bitmap.DeleteObject();
}

void CGameFormView::ShowPane(CWnd* pWnd, int nCmdShow) {
  if (pWnd == nullptr || pWnd->GetSafeHwnd() == nullptr) return;
  if (nCmdShow == SW_HIDE) SkinBeforeHide(pWnd->GetSafeHwnd());
  pWnd->ShowWindow(nCmdShow);
}

void CGameFormView::RefreshPane() {
  Invalidate(TRUE);
  UpdateWindow();
}

CGameApp* CGameFormView::GetGameApp() { return ::GetGameApp(); }

int CGameFormView::OnSize(UINT, int cx, int cy) {
  if (cx == 0 || cy == 0) return 0;
  if (cx == m_width && cy == m_height) return 0;
  m_width = cx;
  m_height = cy;
  return 1;
}

LRESULT CGameFormView::OnSizeMessage(WPARAM wParam, LPARAM lParam) {
  OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
  return 0;
}

BOOL CGameFormView::OnEraseBkgnd(CDC*) { return TRUE; }

void CGameFormView::OnWindowPosChanging(WINDOWPOS* lpwndpos) {
  CFormView::OnWindowPosChanging(lpwndpos);
  // The pane's border goes outside its splitter cell.
  if (lpwndpos != nullptr && !(lpwndpos->flags & SWP_NOMOVE)) {
    lpwndpos->x -= 1;
    lpwndpos->y -= 1;
  }
  if (lpwndpos != nullptr && !(lpwndpos->flags & SWP_NOSIZE)) {
    lpwndpos->cx += 2;
    lpwndpos->cy += 2;
  }
}
