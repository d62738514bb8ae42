// CDialog, dialog data exchange, and the dialog-template control bar.
//
// A CDialog's window is made by the dialog manager from its template; the object is attached
// before the first message, so WM_INITDIALOG reaches OnInitDialog (which runs UpdateData(FALSE):
// DDX_Control binds controls to their objects there). Modeless dialogs come from Create; DoModal
// runs the dialog with a message loop of its own that passes every message through the thread's
// PreTranslateMessage (so the dialog's PreTranslateMessage and IsDialogMessage see the keyboard),
// with the owner disabled, until EndDialog.
#pragma once

#include "platform/mfc/String.h"
#include "platform/mfc/Wnd.h"
#include "platform/mfc/WndHandle.h"
#include "platform/user/Dialog.h"
#include "platform/user/MessageBox.h"

class CDataExchange {
 public:
  CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate) : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}
  // The control of that id (remembered for Fail), or null when the dialog has none; a missing
  // control fails the exchange.
  HWND PrepareCtrl(int nIDC);
  HWND PrepareEditCtrl(int nIDC) { return PrepareCtrl(nIDC); }
  // Marks the exchange failed and gives the last prepared control the focus. The class library
  // throws here; this layer returns, and UpdateData reports FALSE.
  void Fail();

  BOOL m_bSaveAndValidate;
  CWnd* m_pDlgWnd;
  HWND m_hWndLastControl = nullptr;
  BOOL m_bFailed = FALSE;
};

// Subclasses control nIDC with rControl the first time (later calls do nothing).
void AFXAPI DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
// A number that does not parse fails the exchange with a message.
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, int& value);
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, UINT& value);
void AFXAPI DDX_Check(CDataExchange* pDX, int nIDC, int& value);
void AFXAPI DDV_MaxChars(CDataExchange* pDX, const CString& value, int nChars);

class CDialog : public CWnd {
  DECLARE_DYNAMIC(CDialog)

 public:
  CDialog() = default;
  explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
  explicit CDialog(LPCTSTR lpszTemplateName, CWnd* pParentWnd = nullptr);
  ~CDialog() override;

  // Modeless: the dialog of the template (or the constructor's), child or owned by pParentWnd.
  virtual BOOL Create(LPCTSTR lpszTemplateName, CWnd* pParentWnd = nullptr);
  virtual BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr) { return Create(MAKEINTRESOURCEA(nIDTemplate), pParentWnd); }
  virtual INT_PTR DoModal();
  void EndDialog(int nResult);

  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();
  virtual void DoDataExchange(CDataExchange* pDX) {}
  BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

  void NextDlgCtrl() const { ::SendMessage(m_hWnd, WM_NEXTDLGCTL, 0, 0); }
  void PrevDlgCtrl() const { ::SendMessage(m_hWnd, WM_NEXTDLGCTL, 1, 0); }
  void GotoDlgCtrl(CWnd* pWndCtrl) { ::SendMessage(m_hWnd, WM_NEXTDLGCTL, (WPARAM)AfxHwndOf(pWndCtrl), 1); }
  void SetDefID(UINT nID) { ::SendMessage(m_hWnd, DM_SETDEFID, nID, 0); }
  DWORD GetDefID() const { return (DWORD)::SendMessage(m_hWnd, DM_GETDEFID, 0, 0); }
  void MapDialogRect(LPRECT lpRect) const { ::MapDialogRect(m_hWnd, lpRect); }
  void SetDlgItemText(int nID, LPCTSTR lpszString) { ::SetDlgItemTextA(m_hWnd, nID, lpszString); }
  int GetDlgItemText(int nID, CString& rString) const;
  void SetDlgItemInt(int nID, UINT nValue, BOOL bSigned = TRUE) { ::SetDlgItemInt(m_hWnd, nID, nValue, bSigned); }
  UINT GetDlgItemInt(int nID, BOOL* lpTrans = nullptr, BOOL bSigned = TRUE) const {
    return ::GetDlgItemInt(m_hWnd, nID, lpTrans, bSigned);
  }
  void CheckDlgButton(int nIDButton, UINT nCheck) { ::CheckDlgButton(m_hWnd, nIDButton, nCheck); }
  UINT IsDlgButtonChecked(int nIDButton) const { return ::IsDlgButtonChecked(m_hWnd, nIDButton); }
  void CenterWindow(CWnd* pAlternateOwner = nullptr);

  BOOL PreTranslateMessage(MSG* pMsg) override;

  LPCTSTR m_lpszTemplateName = nullptr;
  UINT m_nIDHelp = 0;
  CWnd* m_pParentWnd = nullptr;

 protected:
  afx_msg LRESULT HandleInitDialog(WPARAM, LPARAM);
  DECLARE_MESSAGE_MAP()

  // The modal loop's state.
  BOOL m_bInModalLoop = FALSE;
  BOOL m_bModalEnded = FALSE;
  int m_nModalResult = -1;

 private:
  BOOL CreateFromTemplate(LPCTSTR lpszTemplateName, HWND hWndParent);
};

// Shows a message box owned by the application's main window, with the application's name as
// its caption (installed as the core's AfxMessageBox).
int AFXAPI AfxShowMessageBox(LPCTSTR lpszText, UINT nType, UINT nIDHelp);
