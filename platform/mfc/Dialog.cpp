#include "platform/mfc/Dialog.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

#include "platform/comctl/CommCtrl.h"
#include "platform/mfc/WinApp.h"
#include "platform/mfc/WndHandle.h"
#include "platform/user/Input.h"
#include "platform/user/Resources.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)

namespace {

INT_PTR CALLBACK AfxDlgProc(HWND, UINT, WPARAM, LPARAM) {
  // Every message reaches the object through its window procedure; the dialog procedure leaves
  // them all to the dialog manager's default processing.
  return FALSE;
}

// The string table of the class library is the program's string resources.
LPCSTR StringTable(UINT nID) {
  thread_local std::string text;
  for (int size = 256; size <= 65536; size *= 4) {
    text.assign(static_cast<size_t>(size), '\0');
    int n = ::LoadStringA(AfxGetResourceHandle(), nID, text.data(), size);
    if (n <= 0) return nullptr;
    if (n < size - 1) {
      text.resize(static_cast<size_t>(n));
      return text.c_str();
    }
  }
  return text.c_str();
}

// Installed with the dialog layer: every program that has dialogs also shows message boxes.
const bool g_hooksInstalled = [] {
  AfxSetMessageBox(AfxShowMessageBox);
  AfxSetStringTable(StringTable);
  return true;
}();

}  // namespace

int AFXAPI AfxShowMessageBox(LPCTSTR lpszText, UINT nType, UINT) {
  CWnd* pMainWnd = AfxGetMainWnd();
  HWND hWndOwner = pMainWnd ? AfxHwndOf(pMainWnd) : nullptr;
  // A hidden owner (the communication thread's window) would hide the box's owner relation only.
  if (hWndOwner && !::IsWindowVisible(hWndOwner)) hWndOwner = nullptr;
  CWinApp* pApp = AfxGetApp();
  LPCTSTR caption = pApp && pApp->m_pszAppName ? pApp->m_pszAppName : "";
  return ::MessageBoxA(hWndOwner, lpszText ? lpszText : "", caption, nType);
}

// ---- data exchange

HWND CDataExchange::PrepareCtrl(int nIDC) {
  HWND hWndCtrl = nullptr;
  if (m_pDlgWnd) m_pDlgWnd->GetDlgItem(nIDC, &hWndCtrl);
  if (!hWndCtrl) {
    TRACE("DDX: the dialog has no control %d\n", nIDC);
    m_bFailed = TRUE;
    return nullptr;
  }
  m_hWndLastControl = hWndCtrl;
  return hWndCtrl;
}

void CDataExchange::Fail() {
  m_bFailed = TRUE;
  if (!m_bSaveAndValidate) return;
  if (m_hWndLastControl) {
    ::SetFocus(m_hWndLastControl);
    ::SendMessage(m_hWndLastControl, EM_SETSEL, 0, -1);
  }
}

void AFXAPI DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
  if (rControl.m_hWnd) return;
  HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
  if (!hWndCtrl) return;
  if (!rControl.SubclassWindow(hWndCtrl)) pDX->Fail();
}

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, CString& value) {
  HWND hWndCtrl = pDX->PrepareEditCtrl(nIDC);
  if (!hWndCtrl) return;
  if (pDX->m_bSaveAndValidate) {
    int len = ::GetWindowTextLength(hWndCtrl);
    len = ::GetWindowText(hWndCtrl, value.GetBuffer(len), len + 1);
    value.ReleaseBuffer(len > 0 ? len : 0);
  } else {
    ::SetWindowTextA(hWndCtrl, value);
  }
}

namespace {

// Reads a whole decimal number of the control; FALSE (after a message) when it is not one or is
// out of range.
bool ReadNumber(CDataExchange* pDX, HWND hWndCtrl, long long lo, long long hi, long long& out) {
  char buffer[64] = {};
  ::GetWindowText(hWndCtrl, buffer, sizeof(buffer));
  const char* p = buffer;
  while (*p == ' ' || *p == '\t') ++p;
  errno = 0;
  char* end = nullptr;
  long long v = std::strtoll(p, &end, 10);
  while (end && (*end == ' ' || *end == '\t')) ++end;
  if (end == p || !end || *end != '\0' || errno == ERANGE || v < lo || v > hi) {
    AfxMessageBox("请输入一个整数。", MB_ICONEXCLAMATION);
    pDX->Fail();
    return false;
  }
  out = v;
  return true;
}

}  // namespace

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, int& value) {
  HWND hWndCtrl = pDX->PrepareEditCtrl(nIDC);
  if (!hWndCtrl) return;
  if (pDX->m_bSaveAndValidate) {
    long long v = 0;
    if (ReadNumber(pDX, hWndCtrl, INT_MIN, INT_MAX, v)) value = static_cast<int>(v);
  } else {
    ::SetWindowTextA(hWndCtrl, std::to_string(value).c_str());
  }
}

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, UINT& value) {
  HWND hWndCtrl = pDX->PrepareEditCtrl(nIDC);
  if (!hWndCtrl) return;
  if (pDX->m_bSaveAndValidate) {
    long long v = 0;
    if (ReadNumber(pDX, hWndCtrl, 0, UINT_MAX, v)) value = static_cast<UINT>(v);
  } else {
    ::SetWindowTextA(hWndCtrl, std::to_string(value).c_str());
  }
}

void AFXAPI DDX_Check(CDataExchange* pDX, int nIDC, int& value) {
  HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
  if (!hWndCtrl) return;
  if (pDX->m_bSaveAndValidate) value = static_cast<int>(::SendMessage(hWndCtrl, BM_GETCHECK, 0, 0));
  else ::SendMessage(hWndCtrl, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

void AFXAPI DDV_MaxChars(CDataExchange* pDX, const CString& value, int nChars) {
  if (pDX->m_bSaveAndValidate) {
    if (value.GetLength() > nChars) pDX->Fail();
  } else if (pDX->m_hWndLastControl) {
    ::SendMessage(pDX->m_hWndLastControl, EM_LIMITTEXT, static_cast<WPARAM>(nChars), 0);
  }
}

// ---- CDialog

BEGIN_MESSAGE_MAP(CDialog, CWnd)
  ON_MESSAGE(WM_INITDIALOG, HandleInitDialog)
  ON_COMMAND(IDOK, OnOK)
  ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_lpszTemplateName(MAKEINTRESOURCEA(nIDTemplate)), m_nIDHelp(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::CDialog(LPCTSTR lpszTemplateName, CWnd* pParentWnd)
    : m_lpszTemplateName(lpszTemplateName), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() {
  if (m_hWnd) DestroyWindow();
}

BOOL CDialog::CreateFromTemplate(LPCTSTR lpszTemplateName, HWND hWndParent) {
  if (!lpszTemplateName) return FALSE;
  // A template may name the common controls (list views, headers): their classes are registered
  // before the first dialog is made, as the class library does on its own.
  static const bool commonControls = (InitCommonControls(), true);
  (void)commonControls;
  AfxHookWindowCreate(this);
  HWND hWnd = ::CreateDialogParamA(AfxGetResourceHandle(), lpszTemplateName, hWndParent, AfxDlgProc, 0);
  AfxUnhookWindowCreate();
  if (!hWnd) return FALSE;
  if (m_hWnd != hWnd) {
    // The window was made but never became this object's (a creation hook of another object).
    ::DestroyWindow(hWnd);
    return FALSE;
  }
  return TRUE;
}

BOOL CDialog::Create(LPCTSTR lpszTemplateName, CWnd* pParentWnd) {
  if (lpszTemplateName) m_lpszTemplateName = lpszTemplateName;
  if (pParentWnd) m_pParentWnd = pParentWnd;
  return CreateFromTemplate(m_lpszTemplateName, AfxHwndOf(m_pParentWnd));
}

INT_PTR CDialog::DoModal() {
  if (!m_lpszTemplateName || m_hWnd) return -1;
  // The owner is the parent's top-level window, else the application's main window.
  HWND hWndOwner = nullptr;
  if (m_pParentWnd && AfxHwndOf(m_pParentWnd)) {
    CWnd* pTop = m_pParentWnd->GetTopLevelParent();
    hWndOwner = pTop ? AfxHwndOf(pTop) : AfxHwndOf(m_pParentWnd);
  } else if (CWnd* pMain = AfxGetMainWnd()) {
    hWndOwner = AfxHwndOf(pMain);
  }
  BOOL bEnableOwner = FALSE;
  if (hWndOwner && ::IsWindowEnabled(hWndOwner)) {
    ::EnableWindow(hWndOwner, FALSE);
    bEnableOwner = TRUE;
  }

  m_bInModalLoop = TRUE;
  m_bModalEnded = FALSE;
  m_nModalResult = -1;
  if (CreateFromTemplate(m_lpszTemplateName, hWndOwner)) {
    if (!m_bModalEnded) ShowWindow(SW_SHOWNORMAL);
    MSG msg;
    while (!m_bModalEnded && m_hWnd && ::IsWindow(m_hWnd)) {
      if (!::GetMessage(&msg, nullptr, 0, 0)) {
        // The program is ending: the loop outside gets its WM_QUIT again.
        ::PostQuitMessage(static_cast<int>(msg.wParam));
        break;
      }
      CWinThread* pThread = AfxGetThread();
      BOOL bHandled = pThread ? pThread->PreTranslateMessage(&msg) : CWnd::WalkPreTranslateTree(m_hWnd, &msg);
      if (!bHandled) {
        ::TranslateMessage(&msg);
        ::DispatchMessage(&msg);
      }
    }
  }
  m_bInModalLoop = FALSE;

  // The owner is enabled before the dialog goes, so that it is the window activated next.
  if (bEnableOwner) ::EnableWindow(hWndOwner, TRUE);
  if (m_hWnd) {
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                   SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
    DestroyWindow();
  }
  if (hWndOwner && ::IsWindow(hWndOwner) && ::IsWindowVisible(hWndOwner)) ::SetActiveWindow(hWndOwner);
  return m_nModalResult;
}

void CDialog::EndDialog(int nResult) {
  if (m_bInModalLoop) {
    m_nModalResult = nResult;
    m_bModalEnded = TRUE;
    // Wakes the loop when it waits for a message.
    PostMessage(WM_NULL);
  }
  if (m_hWnd) ::EndDialog(m_hWnd, nResult);
}

LRESULT CDialog::HandleInitDialog(WPARAM, LPARAM) { return OnInitDialog(); }

BOOL CDialog::OnInitDialog() {
  if (!UpdateData(FALSE)) TRACE("CDialog: the first data exchange failed\n");
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::UpdateData(BOOL bSaveAndValidate) {
  CDataExchange dx(this, bSaveAndValidate);
  DoDataExchange(&dx);
  return !dx.m_bFailed;
}

int CDialog::GetDlgItemText(int nID, CString& rString) const {
  HWND hWnd = nullptr;
  GetDlgItem(nID, &hWnd);
  if (!hWnd) {
    rString.Empty();
    return 0;
  }
  int len = ::GetWindowTextLength(hWnd);
  len = ::GetWindowText(hWnd, rString.GetBuffer(len), len + 1);
  rString.ReleaseBuffer(len > 0 ? len : 0);
  return len;
}

void CDialog::CenterWindow(CWnd* pAlternateOwner) {
  // Centred over the owner (or the given window) when it is visible, else over the work area.
  RECT area{};
  ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  RECT center = area;
  HWND hWndCenter = pAlternateOwner ? AfxHwndOf(pAlternateOwner) : ::GetWindow(m_hWnd, GW_OWNER);
  if (!hWndCenter && (GetStyle() & WS_CHILD)) hWndCenter = ::GetParent(m_hWnd);
  if (hWndCenter && ::IsWindowVisible(hWndCenter) && !::IsIconic(hWndCenter)) ::GetWindowRect(hWndCenter, &center);
  RECT rc{};
  GetWindowRect(&rc);
  int w = rc.right - rc.left;
  int h = rc.bottom - rc.top;
  int x = (center.left + center.right) / 2 - w / 2;
  int y = (center.top + center.bottom) / 2 - h / 2;
  // Kept inside the work area.
  if (x + w > area.right) x = area.right - w;
  if (x < area.left) x = area.left;
  if (y + h > area.bottom) y = area.bottom - h;
  if (y < area.top) y = area.top;
  if (GetStyle() & WS_CHILD) {
    POINT pt{x, y};
    ::ScreenToClient(::GetParent(m_hWnd), &pt);
    x = pt.x;
    y = pt.y;
  }
  SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg) {
  if (CWnd::PreTranslateMessage(pMsg)) return TRUE;
  // The dialog's keyboard interface for keys meant for it or its controls.
  if (pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST && m_hWnd &&
      (pMsg->hwnd == m_hWnd || ::IsChild(m_hWnd, pMsg->hwnd))) {
    return ::IsDialogMessageA(m_hWnd, pMsg);
  }
  return FALSE;
}
