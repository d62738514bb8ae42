#include "mahjong/MJChatView2.h"

IMPLEMENT_DYNCREATE(CMJChatView2, CGameFormView)

BEGIN_MESSAGE_MAP(CMJChatView2, CGameFormView)
  ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

BOOL CMJChatView2::OnEraseBkgnd(CDC* pDC) {
  if (pDC == nullptr) return TRUE;
  CRect client;
  GetClientRect(&client);
  pDC->FillSolidRect(&client, 0xFFFFFF);
  return TRUE;
}
