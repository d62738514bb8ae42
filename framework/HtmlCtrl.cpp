#include "framework/HtmlCtrl.h"

#include "platform/mfc/Controls.h"

IMPLEMENT_DYNAMIC(CHtmlCtrl, CFixHtmlView)

BEGIN_MESSAGE_MAP(CHtmlCtrl, CFixHtmlView)
  ON_WM_DESTROY()
  ON_WM_MOUSEACTIVATE()
END_MESSAGE_MAP()

BOOL CHtmlCtrl::CreateFromStatic(UINT nID, CWnd* pParent) {
  if (pParent == nullptr || pParent->GetSafeHwnd() == nullptr) return FALSE;
  CStatic placeholder;
  if (!placeholder.SubclassDlgItem(nID, pParent)) return FALSE;
  CRect rc;
  placeholder.GetWindowRect(&rc);
  pParent->ScreenToClient(&rc);
  placeholder.DestroyWindow();
  return Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, rc, pParent, nID, nullptr);
}

void CHtmlCtrl::OnDestroy() {
  // Only the window goes: a control has no document or frame to leave.
  ReleaseBrowser();
  CWnd::OnDestroy();
}

int CHtmlCtrl::OnMouseActivate(CWnd* pDesktopWnd, UINT nHitTest, UINT message) {
  return CWnd::OnMouseActivate(pDesktopWnd, nHitTest, message);
}
