// A web view used as a child control of a dialog or pane: created in place of a static
// placeholder, never its frame's active view, and not deleted with its window (it is a member of
// its owner).
#pragma once

#include "framework/FixHtmlView.h"

class CHtmlCtrl : public CFixHtmlView {
  DECLARE_DYNAMIC(CHtmlCtrl)

 public:
  CHtmlCtrl() = default;
  // Replaces the parent's item `nID` (a static) by the web control, with the same rectangle and
  // id; FALSE when the parent has no such item or the control cannot be made.
  BOOL CreateFromStatic(UINT nID, CWnd* pParent);

 protected:
  void PostNcDestroy() override {}
  afx_msg void OnDestroy();
  afx_msg int OnMouseActivate(CWnd* pDesktopWnd, UINT nHitTest, UINT message);
  DECLARE_MESSAGE_MAP()
};
