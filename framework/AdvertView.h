// The advert pane beside the table: a form view whose only content is a command web control
// filling the pane; it goes to the addresses the frame hands it, within the hall's whitelist.
#pragma once

#include "framework/CommandHtmlCtrl.h"
#include "framework/GameFormView.h"

#define WM_ADVERT_URL 0x85BA
#define IDD_ADVERT_FORM 132
#define IDC_ADVERT_PLACEHOLDER 135

class CAdvertView : public CGameFormView {
  DECLARE_DYNCREATE(CAdvertView)

 public:
  CAdvertView();
  ~CAdvertView() override;
  void OnInitialUpdate() override;
  CCommandHtmlCtrl& GetHtml() { return m_html; }

 protected:
  afx_msg void OnSize(UINT nType, int cx, int cy);
  // wParam: a heap block (new[]) holding a zero-terminated address; the pane frees it.
  afx_msg LRESULT OnNavigateMessage(WPARAM wParam, LPARAM lParam);
  DECLARE_MESSAGE_MAP()

  CCommandHtmlCtrl m_html;
};
