// The safe-deposit box: the box with its balance under a banner page, the deposit and withdraw
// dialogs with their amount histories (kept in the game's ini file, [DEPOSIT] "Save" and
// "Take"), and the editor of the six preset amounts of the tool pane ([FIXDEPOSIT] of the
// per-user file).
#pragma once

#include <vector>

#include "framework/CommandHtmlCtrl.h"
#include "platform/mfc/Afx.h"
#include "platform/mfc/Controls.h"
#include "platform/mfc/Dialog.h"
#include "platform/mfc/GdiObject.h"

#define IDD_SAFE_BOX 170
#define IDD_SAFE_SAVE 171
#define IDD_SAFE_TAKE 172
#define IDD_DEPOSIT_PRESET 173
#define IDC_SAFE_BANNER 180
#define IDC_SAFE_BALANCE 203
#define IDC_SAFE_SEPARATOR 204
#define IDC_SAFE_TAKE 220
#define IDC_SAFE_SAVE 221
#define IDC_SAFE_GAME_NAME 208
#define IDC_SAFE_SAVE_AMOUNT 209
#define IDC_SAFE_TAKE_AMOUNT 210
#define IDC_PRESET_FIRST 197
// The deposit's result when the amount was lowered to the most that may be moved.
#define RESULT_AMOUNT_LOWERED 60092
#define SAFE_HISTORY_MAX 16

// Shared look: the skin's separator line along control 204 and transparent statics.
class CSafeDialogBase : public CDialog {
 public:
  CSafeDialogBase(UINT nIDTemplate, CWnd* pParent) : CDialog(nIDTemplate, pParent) {}
  void SetGameName(LPCSTR name) { m_gameName = name ? name : ""; }
  const CString& GetGameName() const { return m_gameName; }

 protected:
  afx_msg BOOL OnEraseBkgnd(CDC* pDC);
  afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
  DECLARE_MESSAGE_MAP()
  int Message(LPCSTR text, UINT type = MB_OK | MB_ICONINFORMATION);
  void MoveSeparator(int numerator, int denominator);

  CString m_gameName;
};

class CSafeBoxDlg : public CSafeDialogBase {
 public:
  explicit CSafeBoxDlg(CWnd* pParent = nullptr);
  BOOL OnInitDialog() override;
  int m_balance = 0;
  CCommandHtmlCtrl& GetBanner() { return m_banner; }

 protected:
  afx_msg void OnTake();
  afx_msg void OnSave();
  afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
  DECLARE_MESSAGE_MAP()

  CCommandHtmlCtrl m_banner;
  CFont m_balanceFont;
};

// The deposit and withdraw dialogs: an amount with a history of the amounts used before.
class CSafeTransferDlg : public CSafeDialogBase {
 public:
  CSafeTransferDlg(UINT nIDTemplate, CWnd* pParent, int amountId, LPCSTR historyKey);
  BOOL OnInitDialog() override;
  const std::vector<int>& GetHistory() const { return m_history; }

  void LoadHistory();
  void FillHistory();
  void AddToHistory();

 protected:
  // The typed amount: at most 29 characters, read as a number (0 when it is none).
  int TypedAmount();

  int m_amountId;
  LPCSTR m_historyKey;
  std::vector<int> m_history;
  CFont m_labelFont;
};

class CSafeSaveDlg : public CSafeTransferDlg {
 public:
  explicit CSafeSaveDlg(CWnd* pParent = nullptr);
  void OnOK() override;
};

class CSafeTakeDlg : public CSafeTransferDlg {
 public:
  explicit CSafeTakeDlg(CWnd* pParent = nullptr);
  void OnOK() override;
};

class CDepositPresetDlg : public CSafeDialogBase {
 public:
  explicit CDepositPresetDlg(CWnd* pParent = nullptr);
  void SetAmounts(const int* amounts);
  const int* GetAmounts() const { return m_amounts; }
  BOOL OnInitDialog() override;
  void OnOK() override;

 protected:
  int m_amounts[6] = {};
  CFont m_labelFont;
};
