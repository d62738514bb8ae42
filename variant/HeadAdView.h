// The advert banner across the top of the normal layout: a web control over the whole pane that
// shows the banner page the main frame hands it, within the hall's advert whitelist.
#pragma once

#include "framework/GameFormView.h"
#include "framework/HtmlCtrl.h"

#define IDD_BANNER_FORM 279
#define IDC_BANNER_PLACEHOLDER 133

class CHeadAdView : public CGameFormView {
  DECLARE_DYNCREATE(CHeadAdView)

 public:
  CHeadAdView();
  ~CHeadAdView() override;

  void OnInitialUpdate() override;
  CHtmlCtrl& GetHtml() { return m_html; }

 protected:
  afx_msg void OnSize(UINT nType, int cx, int cy);
  // wParam: a heap copy (new[]) of the banner address, freed here; null changes nothing.
  afx_msg LRESULT OnPaneUpdate(WPARAM wParam, LPARAM lParam);
  DECLARE_MESSAGE_MAP()

  CHtmlCtrl m_html;
};
