// The safe box's protection password. The password never travels: the server hands out a
// challenge and the client answers with a number made from the password and the challenge,
// either on a shuffled on-screen keypad (which computes the answer itself) or in a dialog that
// shows the challenge and takes the answer the user computed.
#pragma once

#include <string>

#include "controls/HyperLink.h"
#include "platform/mfc/Afx.h"
#include "platform/mfc/Controls.h"
#include "platform/mfc/Dialog.h"
#include "platform/mfc/GdiObject.h"

#define IDD_PROTECT_ANSWER 174
#define IDD_PROTECT_KEYPAD 175
#define PROTECT_DIGITS_MAX 16
// The query's result when the box has no protection password.
#define RESULT_NO_PROTECTION 60000

// The keypad's answer: the digits cut from the left into at most four groups (four digits while
// more than four remain, the rest as the last group), their sum, plus the challenge's two halves.
int ComputeProtectAnswer(const std::string& digits, int challenge);

// An edit whose text other programs cannot read through window messages until the dialog that
// owns it allows it.
class CSafeEdit : public CEdit {
 public:
  void SetAllowRead(BOOL allow) { m_allowRead = allow; }

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  BOOL m_allowRead = FALSE;
};

class CProtectKeypadDlg : public CDialog {
 public:
  explicit CProtectKeypadDlg(CWnd* pParent = nullptr);
  void SetChallenge(int challenge) { m_challenge = challenge; }
  int GetAnswer() const { return m_answer; }
  const std::string& GetTypedDigits() const { return m_typed; }
  int GetDigitOfKey(int k) const { return k >= 0 && k < 10 ? m_order[k] : -1; }

  BOOL OnInitDialog() override;
  void OnOK() override;

 protected:
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
  DECLARE_MESSAGE_MAP()
  void ShowStars();

  CButton m_keys[12];
  int m_challenge = 0;
  int m_answer = 0;
  int m_order[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  std::string m_typed;
  CBrush m_white;
};

class CProtectPasswordDlg : public CDialog {
 public:
  explicit CProtectPasswordDlg(CWnd* pParent = nullptr);
  BOOL OnInitDialog() override;
  void OnOK() override;
  void DoDataExchange(CDataExchange* pDX) override;

  int m_challenge = 0;
  int m_answer = 0;

 protected:
  afx_msg void OnPaint();
  afx_msg BOOL OnEraseBkgnd(CDC* pDC);
  afx_msg void OnHelpLink();
  DECLARE_MESSAGE_MAP()
  void DrawGlyph(CDC& dc, int glyph, int x, int y);

  CFont m_font;
  CSafeEdit m_edit;
  CHyperLink m_link;
};

// Asks for the protection answer before a withdrawal. True with the answer (0 when the box has
// no password); false when the user cancelled or the query failed (its text was shown).
bool RunProtectionStep(CWnd* parent, int* answer);
