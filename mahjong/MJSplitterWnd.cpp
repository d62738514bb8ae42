#include "mahjong/MJSplitterWnd.h"

#include "framework/GameApp.h"

IMPLEMENT_DYNAMIC(CMJSplitterWnd, CSplitterWnd)

BEGIN_MESSAGE_MAP(CMJSplitterWnd, CStyledSplitterWnd)
  ON_WM_NCHITTEST()
END_MESSAGE_MAP()

UINT CMJSplitterWnd::OnNcHitTest(CPoint point) {
  if (HitTestPoint(point) == HTNOWHERE) return HTNOWHERE;
  return CStyledSplitterWnd::OnNcHitTest(point);
}

LRESULT CMJSplitterWnd::HitTestPoint(CPoint point) {
  CGameApp* app = GetGameApp();
  CWnd* tool = GetPane(3, 0);
  CWnd* chat = GetPane(4, 0);
  if (app != nullptr && app->MayUseBank() && tool != nullptr && chat != nullptr) {
    CRect toolRect, chatRect;
    tool->GetWindowRect(&toolRect);
    chat->GetWindowRect(&chatRect);
    const CRect bar(toolRect.left, toolRect.bottom, toolRect.right, chatRect.top);
    if (bar.PtInRect(point)) return HTNOWHERE;
  }
  return HTCLIENT;
}
