#include "framework/AdvertView.h"

#include <memory>

#include "controls/CustomTabCtrl.h"
#include "framework/GameFrameWnd.h"
#include "framework/SharedHelpers.h"

IMPLEMENT_DYNCREATE(CAdvertView, CGameFormView)

BEGIN_MESSAGE_MAP(CAdvertView, CGameFormView)
  ON_WM_SIZE()
  ON_MESSAGE(WM_PANE_UPDATE, OnNavigateMessage)
  ON_MESSAGE(WM_ADVERT_URL, OnNavigateMessage)
END_MESSAGE_MAP()

// The form's template holds a tab strip, whose window class must exist before the form is made.
CAdvertView::CAdvertView() : CGameFormView(IDD_ADVERT_FORM) { CCustomTabCtrl::RegisterTabClass(); }

CAdvertView::~CAdvertView() {
  if (m_html.GetSafeHwnd() != nullptr) m_html.DestroyWindow();
}

void CAdvertView::OnInitialUpdate() {
  CGameFormView::OnInitialUpdate();
  if (!m_html.CreateFromStatic(IDC_ADVERT_PLACEHOLDER, this)) return;
  m_html.SetFilterOn(TRUE);
  m_html.SetWhitelistFile(GetAdvertWhitelistPath());
  CRect rc;
  GetClientRect(&rc);
  if (rc.Width() > 0 && rc.Height() > 0) m_html.MoveWindow(0, 0, rc.Width(), rc.Height());
}

void CAdvertView::OnSize(UINT nType, int cx, int cy) {
  CGameFormView::OnSize(nType, cx, cy);
  if (m_html.GetSafeHwnd() != nullptr) m_html.MoveWindow(0, 0, cx, cy, TRUE);
}

LRESULT CAdvertView::OnNavigateMessage(WPARAM wParam, LPARAM) {
  std::unique_ptr<char[]> block(reinterpret_cast<char*>(wParam));
  const CString url(block ? block.get() : "");
  block.reset();
  m_html.Navigate(url);
  return 0;
}
