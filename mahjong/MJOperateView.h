// The command bar beside the table: four skinned buttons (the rules page, the play settings, a
// button without action, and quit) on a tiled skin background. The skin decides the buttons'
// size; the bar spreads them evenly along its width, or stacks them in a column on a small
// screen when the game's layout asks for it.
#pragma once

#include "framework/GameFormView.h"
#include "platform/mfc/Controls.h"
#include "platform/mfc/Dialog.h"

#define IDD_OPERATE_FORM 139
#define IDC_OPERATE_RULES 1001
#define IDC_OPERATE_OPTIONS 1002
#define IDC_OPERATE_SPARE 1003
#define IDC_OPERATE_QUIT 1004

class CMJOperateView : public CGameFormView {
  DECLARE_DYNCREATE(CMJOperateView)

 public:
  CMJOperateView();
  ~CMJOperateView() override;

  void OnInitialUpdate() override;
  void DoDataExchange(CDataExchange* pDX) override;
  // The background picture and the buttons' size from the current skin.
  virtual void LoadSkin();
  virtual void LayoutButtons(int cx, int cy);

  HBITMAP GetBackground() const { return m_background; }
  int GetButtonWidth() const { return m_buttonWidth; }
  int GetButtonHeight() const { return m_buttonHeight; }
  CButton& Button(int index) { return m_buttons[index]; }

 protected:
  afx_msg BOOL OnEraseBkgnd(CDC* pDC);
  afx_msg void OnSize(UINT nType, int cx, int cy);
  afx_msg LRESULT OnPaneUpdate(WPARAM, LPARAM) { return 0; }
  afx_msg void OnRules();
  afx_msg void OnOptions();
  afx_msg void OnSpare() {}
  afx_msg void OnQuit();
  DECLARE_MESSAGE_MAP()

  HBITMAP m_background = nullptr;
  int m_buttonWidth = 50;
  int m_buttonHeight = 36;
  CButton m_buttons[4];
};
