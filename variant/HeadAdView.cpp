#include "variant/HeadAdView.h"

#include <memory>

#include "framework/GameFrameWnd.h"
#include "framework/SharedHelpers.h"

IMPLEMENT_DYNCREATE(CHeadAdView, CGameFormView)

BEGIN_MESSAGE_MAP(CHeadAdView, CGameFormView)
  ON_WM_SIZE()
  ON_MESSAGE(WM_PANE_UPDATE, OnPaneUpdate)
END_MESSAGE_MAP()

CHeadAdView::CHeadAdView() : CGameFormView(IDD_BANNER_FORM) {}

CHeadAdView::~CHeadAdView() {
  if (m_html.GetSafeHwnd() != nullptr) m_html.DestroyWindow();
}

void CHeadAdView::OnInitialUpdate() {
  CGameFormView::OnInitialUpdate();
  if (!m_html.CreateFromStatic(IDC_BANNER_PLACEHOLDER, this)) return;
  m_html.SetFilterOn(TRUE);
  m_html.SetWhitelistFile(GetAdvertWhitelistPath());
  CRect client;
  GetClientRect(&client);
  if (client.Width() > 0 && client.Height() > 0) m_html.MoveWindow(0, 0, client.Width(), client.Height(), TRUE);
}

void CHeadAdView::OnSize(UINT nType, int cx, int cy) {
  CGameFormView::OnSize(nType, cx, cy);
  if (m_html.GetSafeHwnd() != nullptr) m_html.MoveWindow(0, 0, cx, cy, TRUE);
  Invalidate(TRUE);
}

LRESULT CHeadAdView::OnPaneUpdate(WPARAM wParam, LPARAM) {
  if (wParam == 0) return 0;
  std::unique_ptr<char[]> block(reinterpret_cast<char*>(wParam));
  const CString url(block.get());
  block.reset();
  if (m_html.GetSafeHwnd() != nullptr) m_html.Navigate(url);
  return 0;
}
