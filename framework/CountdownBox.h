// What the modal and the modeless count-down boxes share: an icon by style, the message, OK and
// Cancel with labels of the caller's choice, and a visible second counter that presses a button
// by itself when it runs out, so that no box can hold up a game for long.
#pragma once

#include "platform/mfc/Afx.h"
#include "platform/mfc/Dialog.h"

#define TIMED_BOX_TEMPLATE 143
#define TIMED_BOX_MESSAGE 1010
#define TIMED_BOX_SECONDS 1011
#define TIMED_BOX_ICON 1012
#define TIMED_BOX_TIMER 1
#define TIMED_BOX_DEFAULT_SECONDS 10
#define TIMED_BOX_SOUND 29014

class CCountdownBox : public CDialog {
 public:
  explicit CCountdownBox(CWnd* parent = nullptr);

  CString m_okLabel;
  CString m_cancelLabel;
  CString m_message;
  int m_focusOk = 0;
  int m_okOnly = 0;
  int m_extraHeight = 0;
  int m_extraWidth = 0;
  // The count-down's start; a value of 0 or less counts down from 10, so every box ends.
  int m_seconds = TIMED_BOX_DEFAULT_SECONDS;
  COLORREF m_textColor = RGB(0, 0, 0);
  UINT_PTR m_timer = 0;
  int m_style = 0;

  // True for the styles that offer OK only (0, 16 and 48).
  static bool IsOkOnlyStyle(int style) { return style == 0 || style == 16 || style == 48; }
  // One tick of the count-down; presses a button when it runs out.
  void Tick();

 protected:
  BOOL OnInitDialog() override;
  BOOL PreTranslateMessage(MSG* pMsg) override;
  void OnCancel() override;
  // The box is centred on the main window after its set-up (the modeless one), else on its owner.
  virtual bool CentreOnMainWindow() const { return false; }
  afx_msg void OnTimer(UINT_PTR nIDEvent);
  afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
  afx_msg void OnDestroy();
  DECLARE_MESSAGE_MAP()

 private:
  void Layout();
  void Grow(int height, int width);
};
