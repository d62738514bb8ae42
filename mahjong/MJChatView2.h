// The plain white pane that takes the chat pane's place when the chat pane cannot be made.
#pragma once

#include "framework/GameFormView.h"

#define IDD_EMPTY_FORM 138

class CMJChatView2 : public CGameFormView {
  DECLARE_DYNCREATE(CMJChatView2)

 public:
  CMJChatView2() : CGameFormView(IDD_EMPTY_FORM) {}

 protected:
  afx_msg BOOL OnEraseBkgnd(CDC* pDC);
  DECLARE_MESSAGE_MAP()
};
