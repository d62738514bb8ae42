#include "platform/mfc/FrameWnd.h"

#include <cstdint>

#include "platform/mfc/DocView.h"
#include "platform/mfc/Menu.h"
#include "platform/mfc/WinApp.h"
#include "platform/mfc/WndHandle.h"
#include "platform/user/Resources.h"

IMPLEMENT_DYNCREATE(CFrameWnd, CWnd)

const CRect CFrameWnd::rectDefault(CW_USEDEFAULT, CW_USEDEFAULT, 0, 0);

BEGIN_MESSAGE_MAP(CFrameWnd, CWnd)
  ON_WM_CREATE()
  ON_WM_CLOSE()
  ON_WM_DESTROY()
  ON_WM_SIZE()
  ON_WM_ERASEBKGND()
  ON_WM_SETFOCUS()
  ON_MESSAGE(WM_IDLEUPDATECMDUI, OnIdleUpdateCmdUI)
  ON_COMMAND(ID_APP_EXIT, OnFileExit)
END_MESSAGE_MAP()

void AFXAPI AfxRepositionWindow(AFX_SIZEPARENTPARAMS* lpLayout, HWND hWnd, LPCRECT lpRect) {
  if (!hWnd || !lpRect) return;
  HWND hWndParent = ::GetParent(hWnd);
  RECT old{};
  ::GetWindowRect(hWnd, &old);
  POINT topLeft{old.left, old.top};
  POINT bottomRight{old.right, old.bottom};
  if (hWndParent) {
    ::ScreenToClient(hWndParent, &topLeft);
    ::ScreenToClient(hWndParent, &bottomRight);
  }
  if (topLeft.x == lpRect->left && topLeft.y == lpRect->top && bottomRight.x == lpRect->right &&
      bottomRight.y == lpRect->bottom) {
    return;  // already there
  }
  int cx = lpRect->right - lpRect->left;
  int cy = lpRect->bottom - lpRect->top;
  if (lpLayout && lpLayout->hDWP) {
    lpLayout->hDWP = ::DeferWindowPos(lpLayout->hDWP, hWnd, nullptr, lpRect->left, lpRect->top, cx, cy,
                                      SWP_NOACTIVATE | SWP_NOZORDER);
  } else if (!lpLayout) {
    ::SetWindowPos(hWnd, nullptr, lpRect->left, lpRect->top, cx, cy, SWP_NOACTIVATE | SWP_NOZORDER);
  }
}

namespace {
thread_local uintptr_t t_lastSelfDeleted = 0;
}  // namespace

void AFXAPI AfxNoteSelfDeleted(const void* pObject) { t_lastSelfDeleted = reinterpret_cast<uintptr_t>(pObject); }
void AFXAPI AfxForgetSelfDeleted() { t_lastSelfDeleted = 0; }
BOOL AFXAPI AfxWasSelfDeleted(const void* pObject) { return t_lastSelfDeleted == reinterpret_cast<uintptr_t>(pObject); }

CFrameWnd* AFXAPI AfxGetParentFrame(const CWnd* pWnd) {
  if (!pWnd || !AfxHwndOf(pWnd)) return nullptr;
  for (HWND h = ::GetParent(AfxHwndOf(pWnd)); h; h = ::GetParent(h)) {
    CWnd* p = CWnd::FromHandlePermanent(h);
    if (p && p->IsKindOf(RUNTIME_CLASS(CFrameWnd))) return static_cast<CFrameWnd*>(p);
  }
  return nullptr;
}

CFrameWnd::~CFrameWnd() {
  if (m_hMenuDefault) ::DestroyMenu(m_hMenuDefault);
}

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCT& cs) {
  if (!cs.lpszClass) {
    // The frame's own class: no background brush (the client area is covered by the panes),
    // redrawn whole on every size change.
    cs.lpszClass = AfxRegisterWndClass(CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW, ::LoadCursor(nullptr, IDC_ARROW),
                                       reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1)));
  }
  // Frames never take the client edge of a view.
  cs.dwExStyle &= ~WS_EX_CLIENTEDGE;
  return TRUE;
}

BOOL CFrameWnd::Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                       LPCTSTR lpszMenuName, DWORD dwExStyle, CCreateContext* pContext) {
  HMENU hMenu = nullptr;
  if (lpszMenuName) {
    CMenu menu;
    if (!menu.LoadMenu(lpszMenuName)) return FALSE;
    hMenu = menu.Detach();
  }
  m_strTitle = lpszWindowName ? lpszWindowName : "";
  // rectDefault asks the window layer for its default place and size.
  int x = rect.left, y = rect.top, cx = CW_USEDEFAULT, cy = CW_USEDEFAULT;
  if (rect.left != CW_USEDEFAULT) {
    cx = static_cast<int>(static_cast<long long>(rect.right) - rect.left);
    cy = static_cast<int>(static_cast<long long>(rect.bottom) - rect.top);
  }
  if (!CreateEx(dwExStyle, lpszClassName, lpszWindowName, dwStyle, x, y, cx, cy, AfxHwndOf(pParentWnd), hMenu,
                pContext)) {
    if (hMenu) ::DestroyMenu(hMenu);
    return FALSE;
  }
  // The window layer does not take a top-level window's menu from its creation: it is set here.
  if (hMenu && ::GetMenu(m_hWnd) != hMenu) ::SetMenu(m_hWnd, hMenu);
  return TRUE;
}

BOOL CFrameWnd::LoadFrame(UINT nIDResource, DWORD dwDefaultStyle, CWnd* pParentWnd, CCreateContext* pContext) {
  m_nIDHelp = nIDResource;
  CString strFullString;
  if (strFullString.LoadString(nIDResource)) {
    int nl = strFullString.Find('\n');
    m_strTitle = nl >= 0 ? strFullString.Left(nl) : strFullString;
  }
  // The menu of the same id, when the program has one.
  HINSTANCE hInst = AfxGetResourceHandle();
  LPCTSTR lpszMenu = ::FindResourceA(hInst, MAKEINTRESOURCEA(nIDResource), RT_MENU) ? MAKEINTRESOURCEA(nIDResource) : nullptr;
  if (!Create(nullptr, m_strTitle, dwDefaultStyle, rectDefault, pParentWnd, lpszMenu, 0, pContext)) return FALSE;
  // The frame owns its default menu and destroys it with the object.
  m_hMenuDefault = ::GetMenu(m_hWnd);
  return TRUE;
}

int CFrameWnd::OnCreate(LPCREATESTRUCT lpcs) {
  if (CWnd::OnCreate(lpcs) == -1) return -1;
  CCreateContext* pContext = static_cast<CCreateContext*>(lpcs->lpCreateParams);
  if (!OnCreateClient(lpcs, pContext)) return -1;
  RecalcLayout();
  return 0;
}

BOOL CFrameWnd::OnCreateClient(LPCREATESTRUCT, CCreateContext* pContext) {
  if (pContext && pContext->m_pNewViewClass) {
    if (!CreateView(pContext, AFX_IDW_PANE_FIRST)) return FALSE;
  }
  return TRUE;
}

CWnd* CFrameWnd::CreateView(CCreateContext* pContext, UINT nID) {
  if (!pContext || !pContext->m_pNewViewClass) return nullptr;
  CObject* pObject = pContext->m_pNewViewClass->CreateObject();
  CWnd* pView = pObject && pObject->IsKindOf(RUNTIME_CLASS(CWnd)) ? static_cast<CWnd*>(pObject) : nullptr;
  if (!pView) {
    delete pObject;
    return nullptr;
  }
  // Views are placed by the layout; they start empty.
  AfxForgetSelfDeleted();
  if (!pView->Create(nullptr, nullptr, AFX_WS_DEFAULT_VIEW, CRect(0, 0, 0, 0), this, nID, pContext)) {
    // A view whose window was made and destroyed has deleted itself.
    if (!AfxWasSelfDeleted(pView)) delete pView;
    return nullptr;
  }
  return pView;
}

void CFrameWnd::RecalcLayout(BOOL) {
  if (m_bInRecalcLayout) return;
  m_bInRecalcLayout = TRUE;
  RepositionBars(0, 0xFFFF, AFX_IDW_PANE_FIRST, reposExtra, &m_rectBorder);
  m_bInRecalcLayout = FALSE;
}

void CFrameWnd::RepositionBars(UINT nIDFirst, UINT nIDLast, UINT nIDLeftOver, UINT nFlags, LPRECT lpRectParam,
                               LPCRECT lpRectClient, BOOL bStretch) {
  AFX_SIZEPARENTPARAMS layout{};
  HWND hWndLeftOver = nullptr;
  layout.bStretch = bStretch;
  layout.sizeTotal.cx = layout.sizeTotal.cy = 0;
  if (lpRectClient) layout.rect = *lpRectClient;
  else ::GetClientRect(m_hWnd, &layout.rect);
  if (nFlags != reposQuery) layout.hDWP = ::BeginDeferWindowPos(8);
  else layout.hDWP = nullptr;

  // Every child in z-order with an id in the range takes its share.
  for (HWND hWndChild = ::GetWindow(m_hWnd, GW_CHILD); hWndChild; hWndChild = ::GetWindow(hWndChild, GW_HWNDNEXT)) {
    UINT nIDC = static_cast<UINT>(::GetDlgCtrlID(hWndChild));
    if (nIDC == nIDLeftOver) {
      hWndLeftOver = hWndChild;
    } else if (nIDC >= nIDFirst && nIDC <= nIDLast) {
      ::SendMessage(hWndChild, WM_SIZEPARENT, 0, reinterpret_cast<LPARAM>(&layout));
    }
  }

  if (nFlags == reposQuery) {
    // The caller wants the rectangle that is left, nothing moved.
    if (lpRectParam) {
      if (bStretch) *lpRectParam = layout.rect;
      else {
        lpRectParam->left = lpRectParam->top = 0;
        lpRectParam->right = layout.sizeTotal.cx;
        lpRectParam->bottom = layout.sizeTotal.cy;
      }
    }
    return;
  }

  // The pane takes the rest, less the border the caller keeps (reposExtra).
  if (nIDLeftOver != 0 && hWndLeftOver) {
    if (nFlags == reposExtra && lpRectParam) {
      layout.rect.left += lpRectParam->left;
      layout.rect.top += lpRectParam->top;
      layout.rect.right -= lpRectParam->right;
      layout.rect.bottom -= lpRectParam->bottom;
    }
    if (layout.rect.right < layout.rect.left) layout.rect.right = layout.rect.left;
    if (layout.rect.bottom < layout.rect.top) layout.rect.bottom = layout.rect.top;
    AfxRepositionWindow(&layout, hWndLeftOver, &layout.rect);
  }
  if (layout.hDWP) ::EndDeferWindowPos(layout.hDWP);
}

void CFrameWnd::OnSize(UINT nType, int cx, int cy) {
  CWnd::OnSize(nType, cx, cy);
  if (nType != SIZE_MINIMIZED) RecalcLayout();
}

BOOL CFrameWnd::OnEraseBkgnd(CDC* pDC) {
  // The panes cover the client area; erasing it under them would only flicker.
  if (m_pViewActive) return TRUE;
  return CWnd::OnEraseBkgnd(pDC);
}

void CFrameWnd::OnSetFocus(CWnd* pOldWnd) {
  // The focus goes on to the active view.
  if (m_pViewActive && AfxHwndOf(m_pViewActive)) m_pViewActive->SetFocus();
  else CWnd::OnSetFocus(pOldWnd);
}

LRESULT CFrameWnd::OnIdleUpdateCmdUI(WPARAM, LPARAM) { return 0; }

void CFrameWnd::OnFileExit() { PostMessage(WM_CLOSE); }

void CFrameWnd::SetActiveView(CView* pViewNew, BOOL bNotify) {
  CView* pViewOld = m_pViewActive;
  if (pViewNew == pViewOld) return;
  m_pViewActive = nullptr;  // no active view while the old one is told
  if (bNotify && pViewOld) pViewOld->OnActivateView(FALSE, pViewNew, pViewOld);
  m_pViewActive = pViewNew;
  if (bNotify && pViewNew) pViewNew->OnActivateView(TRUE, pViewNew, pViewOld);
}

CDocument* CFrameWnd::GetActiveDocument() {
  CView* pView = GetActiveView();
  return pView ? pView->GetDocument() : nullptr;
}

void CFrameWnd::ActivateFrame(int nCmdShow) {
  if (nCmdShow == -1) {
    if (!IsWindowVisible()) nCmdShow = SW_SHOWNORMAL;
    else if (IsIconic()) nCmdShow = SW_RESTORE;
  }
  if (nCmdShow != -1) ShowWindow(nCmdShow);
  ::SetWindowPos(m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void CFrameWnd::InitialUpdateFrame(CDocument* pDoc, BOOL bMakeVisible) {
  // The first view of the frame becomes the active one when none is yet.
  CView* pView = nullptr;
  if (!GetActiveView()) {
    CWnd* pWnd = GetDescendantWindow(AFX_IDW_PANE_FIRST, TRUE);
    if (pWnd && pWnd->IsKindOf(RUNTIME_CLASS(CView))) {
      pView = static_cast<CView*>(pWnd);
      SetActiveView(pView, FALSE);
    }
  }
  // Every view (in the splitters too) gets its first update.
  SendMessageToDescendants(WM_INITIALUPDATE, 0, 0, TRUE);
  if (bMakeVisible) {
    int nCmdShow = -1;
    CWinThread* pThread = AfxGetThread();
    CWinApp* pApp = AfxGetApp();
    if (pApp && pThread == pApp && pApp->m_pMainWnd == this) {
      nCmdShow = pApp->m_nCmdShow;
      pApp->m_nCmdShow = -1;  // the show command serves the first frame only
    }
    ActivateFrame(nCmdShow);
    if (pView) pView->OnActivateView(TRUE, pView, pView);
  }
  if (pDoc) OnUpdateFrameTitle(TRUE);
}

void CFrameWnd::OnUpdateFrameTitle(BOOL bAddToTitle) {
  if (!(GetStyle() & FWS_ADDTOTITLE) || !bAddToTitle) return;
  CDocument* pDoc = GetActiveDocument();
  CString title = m_strTitle;
  if (pDoc && !pDoc->GetTitle().IsEmpty()) {
    if (GetStyle() & FWS_PREFIXTITLE) title = pDoc->GetTitle() + " - " + m_strTitle;
    else title = m_strTitle + " - " + pDoc->GetTitle();
  }
  CString current;
  GetWindowText(current);
  if (current != title) SetWindowText(title);
}

BOOL CFrameWnd::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
  // The active view first (and through it its document), then the frame, then the application.
  CView* pView = GetActiveView();
  if (pView && pView->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
  if (CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
  CWinApp* pApp = AfxGetApp();
  if (pApp && pApp->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
  return FALSE;
}

BOOL CFrameWnd::PreTranslateMessage(MSG* pMsg) { return CWnd::PreTranslateMessage(pMsg); }

void CFrameWnd::OnClose() {
  // The main window's closing ends the program: its document is closed with it (the window's
  // destruction destroys the views, and the last view's removal deletes the document).
  DestroyWindow();
}

void CFrameWnd::OnDestroy() {
  // The default menu outlives the window: the object destroys it (a frame that removed its menu
  // bar still owns it).
  if (m_hMenuDefault && ::GetMenu(m_hWnd) == m_hMenuDefault) ::SetMenu(m_hWnd, nullptr);
  CWnd::OnDestroy();
}

void CFrameWnd::PostNcDestroy() {
  // Frames are made with new (by document templates or the program) and delete themselves.
  AfxNoteSelfDeleted(this);
  delete this;
}
