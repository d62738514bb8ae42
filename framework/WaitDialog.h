// The wait dialog of the communication thread: a small window with a text and an animated colour
// bar that keeps painting while the UI thread is blocked in a request. It also receives the
// hall's sign answers, so that they arrive while the UI thread waits for them.
#pragma once

#include "controls/ColorBar.h"
#include "platform/mfc/Afx.h"
#include "platform/mfc/Dialog.h"

#define WAIT_DIALOG_TEMPLATE 142
#define WAIT_TEXT_CONTROL 1009
#define WAIT_BAR_CONTROL 1008
#define WAIT_AUTO_HIDE_TIMER 100
#define WM_SKIN_CHANGED 0x85B4
#define WAIT_BAR_DEFAULT_FIRST RGB(46, 70, 26)
#define WAIT_BAR_DEFAULT_SECOND RGB(115, 148, 66)

class CWaitDialog : public CDialog {
 public:
  CWaitDialog();
  ~CWaitDialog() override;

  // Shows the text; with seconds above 0 the dialog hides itself after that long. A later text
  // without a time leaves a running auto-hide timer alone.
  void ShowText(LPCSTR text, int seconds);
  void Hide();
  // Reads the skin's background picture and bar colours from the skin.ini at that path.
  void ApplySkin(LPCSTR skinIniPath);

  const CColorBar& Bar() const { return m_bar; }
  HBITMAP Background() const { return m_background; }
  UINT_PTR AutoHideTimer() const { return m_autoHideTimer; }

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override {}
  void OnCancel() override {}
  afx_msg LRESULT OnSkinChanged(WPARAM wParam, LPARAM lParam);
  afx_msg BOOL OnCopyData(CWnd* pWnd, COPYDATASTRUCT* pCopyDataStruct);
  afx_msg void OnTimer(UINT_PTR nIDEvent);
  afx_msg BOOL OnEraseBkgnd(CDC* pDC);
  afx_msg void OnPaint();
  afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
  afx_msg void OnDestroy();
  DECLARE_MESSAGE_MAP()

 private:
  void DrawBackground(CDC* dc);
  UINT_PTR m_autoHideTimer = 0;
  HBITMAP m_background = nullptr;
  CColorBar m_bar;
  CString m_skinPath;
};
