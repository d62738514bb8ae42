// The bank bar of the main frame: a button that opens the safe-deposit box, and a button with a
// menu of six preset amounts that set the silver in hand to that amount, depositing the surplus
// into the box or withdrawing the shortfall from it.
#pragma once

#include "controls/ImageButton.h"
#include "framework/GameFormView.h"
#include "framework/PaneHooks.h"

#define IDD_TOOL_FORM 176
#define IDC_TOOL_SAFE 1
#define IDC_TOOL_PRESET 2
#define ID_PRESET_FIRST 222
#define ID_PRESET_EDIT 228
#define IDR_PRESET_MENU 129

class CGameToolView : public CGameFormView, public CToolPaneHooks {
  DECLARE_DYNCREATE(CGameToolView)

 public:
  CGameToolView();
  explicit CGameToolView(UINT nIDTemplate);
  ~CGameToolView() override;

  void OnInitialUpdate() override;
  virtual void CreateFont();
  virtual void ReservedHook() {}
  virtual void CreateButtons();
  virtual void LoadPresets();
  void SetSilverInHand(int amount) override;

  const int* GetPresets() const { return m_presets; }
  CImageButton& GetSafeButton() { return m_safeButton; }
  CImageButton& GetPresetButton() { return m_presetButton; }

 protected:
  afx_msg void OnSafe();
  afx_msg void OnPresetButton();
  afx_msg void OnPreset(UINT nID);
  afx_msg BOOL OnEraseBkgnd(CDC* pDC);
  afx_msg void OnSize(UINT nType, int cx, int cy);
  afx_msg LRESULT OnPaneUpdate(WPARAM, LPARAM) { return 0; }
  DECLARE_MESSAGE_MAP()
  int Message(LPCSTR text);

  int m_presets[6] = {};
  CFont m_font;
  CImageButton m_safeButton;
  CImageButton m_presetButton;
};
