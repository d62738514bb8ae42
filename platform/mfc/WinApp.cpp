#include "platform/mfc/WinApp.h"

#include <atomic>

#include "platform/kernel/Kernel.h"
#include "platform/mfc/AfxThreadState.h"
#include "platform/mfc/Wnd.h"

namespace {

CWinApp* g_pApp = nullptr;
std::atomic<AFX_MESSAGE_BOX> g_messageBox{nullptr};

// The program is one module; its handle is a fixed, nonzero value.
HINSTANCE const MODULE_HANDLE = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x00400000));

}  // namespace

IMPLEMENT_DYNAMIC(CWinApp, CWinThread)

CWinApp::CWinApp(LPCTSTR lpszAppName) {
  ASSERT(g_pApp == nullptr);
  g_pApp = this;
  // The application object is not deleted by its thread's end: it is the program's global.
  m_bAutoDelete = FALSE;
  if (lpszAppName) {
    m_strAppName = lpszAppName;
    m_pszAppName = m_strAppName;
  }
}

CWinApp::~CWinApp() {
  if (g_pApp == this) g_pApp = nullptr;
  // The thread that ran the application does not own a kernel handle of its own.
  m_hThread = nullptr;
}

int CWinApp::ExitInstance() { return CWinThread::ExitInstance(); }

int CWinApp::Run() { return CWinThread::Run(); }

BOOL CWinApp::OnIdle(LONG lCount) {
  // The first idle call runs the thread's idle work; later ones have nothing more to do.
  if (lCount <= 0) {
    CWinThread::OnIdle(lCount);
    return FALSE;
  }
  return FALSE;
}

CWinApp* AFXAPI AfxGetApp() { return g_pApp; }

void CWinApp::DoWaitCursor(int nCode) { AfxDoWaitCursor(nCode); }
HINSTANCE AFXAPI AfxGetInstanceHandle() { return MODULE_HANDLE; }
HINSTANCE AFXAPI AfxGetResourceHandle() { return MODULE_HANDLE; }

int AFXAPI AfxWinMain(HINSTANCE hInstance, HINSTANCE, LPTSTR lpCmdLine, int nCmdShow) {
  CWinApp* pApp = AfxGetApp();
  if (!pApp) return -1;
  pApp->m_hInstance = hInstance ? hInstance : AfxGetInstanceHandle();
  pApp->m_strCmdLine = lpCmdLine ? lpCmdLine : "";
  pApp->m_lpCmdLine = pApp->m_strCmdLine.GetBuffer(0);
  pApp->m_nCmdShow = nCmdShow;
  // A parent that chose how the program's window shows (the hall, or a relaunch maximised) wins.
  STARTUPINFOA startup;
  GetStartupInfoA(&startup);
  if (startup.dwFlags & STARTF_USESHOWWINDOW) pApp->m_nCmdShow = startup.wShowWindow;
  pApp->m_nThreadID = GetCurrentThreadId();
  AfxGetThreadState().pCurrentThread = pApp;
  // The thread's queue exists from the start, so that other threads can post to it.
  MSG msg;
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);

  int nReturnCode;
  if (!pApp->InitApplication()) {
    nReturnCode = -1;
  } else if (!pApp->InitInstance()) {
    // A failed start still runs ExitInstance, without the message loop.
    if (pApp->m_pMainWnd && pApp->m_pMainWnd->m_hWnd) pApp->m_pMainWnd->DestroyWindow();
    nReturnCode = pApp->ExitInstance();
  } else {
    nReturnCode = pApp->Run();
  }
  CWnd::DeleteTempMap();
  AfxGetThreadState().pCurrentThread = nullptr;
  return nReturnCode;
}

// The same text that GetCommandLineA answers, so that m_lpCmdLine and the command line agree.
std::string AfxMakeCommandLine(int argc, char** argv) { return platform::JoinCommandLine(argc, argv); }

void AfxSetMessageBox(AFX_MESSAGE_BOX pfn) { g_messageBox.store(pfn); }

int AFXAPI AfxMessageBox(LPCTSTR lpszText, UINT nType, UINT nIDHelp) {
  AFX_MESSAGE_BOX f = g_messageBox.load();
  if (f) return f(lpszText, nType, nIDHelp);
  TRACE("message box: %s\n", lpszText ? lpszText : "");
  return 0;
}

int AFXAPI AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp) {
  CString text;
  text.LoadString(nIDPrompt);
  return AfxMessageBox(text, nType, nIDHelp == (UINT)-1 ? nIDPrompt : nIDHelp);
}
