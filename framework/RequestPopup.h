// The pop-up that rises from the corner of the screen when an onlooker asks to see the player's
// tiles: his portrait and name and two labels, agree and refuse. The answer goes to the owner
// as WM_POPUP_ANSWER (wParam: the asking user, lParam: 1 agree, 0 refuse); a pop-up that goes
// away by itself answers nothing.
#pragma once

#include "controls/HyperLink.h"
#include "controls/SlideNotifier.h"
#include "platform/mfc/GdiObject.h"

#define WM_POPUP_ANSWER 0x867A
#define IDD_REQUEST_POPUP 148

class CRequestPopup : public CSlideNotifier {
 public:
  explicit CRequestPopup(CWnd* owner);
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;

  int m_userId = 0;

 protected:
  afx_msg void OnAgree();
  afx_msg void OnRefuse();
  DECLARE_MESSAGE_MAP()
  void Answer(int agree);

  CWnd* m_owner;
  CBitmap m_defaultPortrait;
  CHyperLink m_name;
  CHyperLink m_refuse;
  CHyperLink m_agree;
};
