#include "platform/mfc/WinThread.h"

#include "platform/kernel/Kernel.h"
#include "platform/mfc/AfxThreadState.h"
#include "platform/mfc/CommonControls.h"
#include "platform/mfc/GdiObject.h"
#include "platform/mfc/Menu.h"
#include "platform/mfc/WinApp.h"
#include "platform/mfc/Wnd.h"
#include "platform/user/User.h"

IMPLEMENT_DYNAMIC(CWinThread, CCmdTarget)

CWinThread::CWinThread() = default;

CWinThread::CWinThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam)
    : m_pThreadParams(pParam), m_pfnThreadProc(pfnThreadProc) {}

CWinThread::~CWinThread() {
  if (m_hThread) CloseHandle(m_hThread);
  if (m_hStarted) CloseHandle(m_hStarted);
  if (m_hGo) CloseHandle(m_hGo);
  AfxThreadState* st = AfxPeekThreadState();
  if (st && st->pCurrentThread == this) st->pCurrentThread = nullptr;
}

DWORD WINAPI AfxThreadEntry(LPVOID param) {
  CWinThread* pThread = static_cast<CWinThread*>(param);
  AfxGetThreadState().pCurrentThread = pThread;
  // The queue exists before the creator goes on, so that it can post thread messages at once.
  MSG msg;
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
  HANDLE go = pThread->m_hGo;
  SetEvent(pThread->m_hStarted);
  WaitForSingleObject(go, INFINITE);

  int nResult;
  if (pThread->m_pfnThreadProc) {
    nResult = static_cast<int>(pThread->m_pfnThreadProc(pThread->m_pThreadParams));
  } else if (!pThread->InitInstance()) {
    nResult = pThread->ExitInstance();
  } else {
    nResult = pThread->Run();
  }
  AfxGetThreadState().pCurrentThread = nullptr;
  CWnd::DeleteTempMap();
  pThread->Delete();
  return static_cast<DWORD>(nResult);
}

BOOL CWinThread::CreateThread(DWORD dwCreateFlags, UINT nStackSize, void* lpSecurityAttrs) {
  if (m_hThread) return FALSE;
  m_hStarted = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  m_hGo = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (!m_hStarted || !m_hGo) return FALSE;
  DWORD id = 0;
  m_hThread = ::CreateThread(lpSecurityAttrs, nStackSize, AfxThreadEntry, this, 0, &id);
  if (!m_hThread) return FALSE;
  m_nThreadID = id;
  WaitForSingleObject(m_hStarted, INFINITE);
  if (dwCreateFlags & CREATE_SUSPENDED) {
    m_bSuspended = TRUE;
  } else {
    SetEvent(m_hGo);
  }
  return TRUE;
}

DWORD CWinThread::ResumeThread() {
  if (!m_hGo) return static_cast<DWORD>(-1);
  DWORD previous = m_bSuspended ? 1 : 0;
  m_bSuspended = FALSE;
  SetEvent(m_hGo);
  return previous;
}

BOOL CWinThread::PostThreadMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::PostThreadMessageA(m_nThreadID, message, wParam, lParam);
}

BOOL CWinThread::InitInstance() { return FALSE; }

int CWinThread::Run() {
  BOOL bIdle = TRUE;
  LONG lIdleCount = 0;
  for (;;) {
    while (bIdle && !PeekMessageA(&m_msgCur, nullptr, 0, 0, PM_NOREMOVE)) {
      if (!OnIdle(lIdleCount++)) bIdle = FALSE;
    }
    do {
      if (!PumpMessage()) return ExitInstance();
      if (IsIdleMessage(&m_msgCur)) {
        bIdle = TRUE;
        lIdleCount = 0;
      }
    } while (PeekMessageA(&m_msgCur, nullptr, 0, 0, PM_NOREMOVE));
  }
}

BOOL CWinThread::PumpMessage() {
  if (!GetMessageA(&m_msgCur, nullptr, 0, 0)) return FALSE;
  if (!PreTranslateMessage(&m_msgCur)) {
    TranslateMessage(&m_msgCur);
    DispatchMessageA(&m_msgCur);
  }
  return TRUE;
}

BOOL CWinThread::DispatchThreadMessageEx(MSG* pMsg) {
  const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(pMsg->message);
  if (!entry) return FALSE;
  LRESULT ignored = 0;
  AFX_MSGCALL call{pMsg->message, pMsg->wParam, pMsg->lParam, 0, 0, nullptr, &ignored};
  return entry->pfn(this, call);
}

BOOL CWinThread::PreTranslateMessage(MSG* pMsg) {
  if (!pMsg->hwnd) return DispatchThreadMessageEx(pMsg);
  CWnd* pMainWnd = AfxGetMainWnd();
  if (CWnd::WalkPreTranslateTree(pMainWnd ? pMainWnd->m_hWnd : nullptr, pMsg)) return TRUE;
  // A window outside the main window's tree (a modeless pop-up) gives the main window a last
  // chance.
  if (pMainWnd && pMainWnd->m_hWnd) {
    CWnd* pWnd = CWnd::FromHandle(pMsg->hwnd);
    CWnd* pTop = pWnd ? pWnd->GetTopLevelParent() : nullptr;
    if (pTop && pTop->m_hWnd != pMainWnd->m_hWnd) return pMainWnd->PreTranslateMessage(pMsg);
  }
  return FALSE;
}

BOOL CWinThread::OnIdle(LONG lCount) {
  // Temporary window objects live until the thread is idle.
  if (lCount >= 0) {
    CWnd::DeleteTempMap();
    AfxDeleteTempGdiMaps();
    CMenu::DeleteTempMap();
    CImageList::DeleteTempMap();
  }
  return lCount < 0;
}

BOOL CWinThread::IsIdleMessage(MSG* pMsg) {
  // A mouse move to the same place, and paint messages, do not restart the idle processing.
  if (pMsg->message == WM_MOUSEMOVE || pMsg->message == WM_NCMOUSEMOVE) {
    if (m_nMsgLast == pMsg->message && m_ptCursorLast.x == pMsg->pt.x && m_ptCursorLast.y == pMsg->pt.y) return FALSE;
    m_ptCursorLast = pMsg->pt;
    m_nMsgLast = pMsg->message;
    return TRUE;
  }
  return pMsg->message != WM_PAINT;
}

int CWinThread::ExitInstance() { return static_cast<int>(m_msgCur.wParam); }

void CWinThread::Delete() {
  if (m_bAutoDelete) delete this;
}

CWnd* CWinThread::GetMainWnd() { return m_pActiveWnd ? m_pActiveWnd : m_pMainWnd; }

CWinThread* AFXAPI AfxBeginThread(CRuntimeClass* pThreadClass, int nPriority, UINT nStackSize, DWORD dwCreateFlags,
                                  void* lpSecurityAttrs) {
  if (!pThreadClass || !pThreadClass->IsDerivedFrom(RUNTIME_CLASS(CWinThread))) return nullptr;
  CWinThread* pThread = static_cast<CWinThread*>(pThreadClass->CreateObject());
  if (!pThread) return nullptr;
  pThread->m_pThreadParams = nullptr;
  if (!pThread->CreateThread(dwCreateFlags | CREATE_SUSPENDED, nStackSize, lpSecurityAttrs)) {
    delete pThread;
    return nullptr;
  }
  pThread->SetThreadPriority(nPriority);
  if (!(dwCreateFlags & CREATE_SUSPENDED)) pThread->ResumeThread();
  return pThread;
}

CWinThread* AFXAPI AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam, int nPriority, UINT nStackSize,
                                  DWORD dwCreateFlags, void* lpSecurityAttrs) {
  if (!pfnThreadProc) return nullptr;
  CWinThread* pThread = new CWinThread(pfnThreadProc, pParam);
  if (!pThread->CreateThread(dwCreateFlags | CREATE_SUSPENDED, nStackSize, lpSecurityAttrs)) {
    delete pThread;
    return nullptr;
  }
  pThread->SetThreadPriority(nPriority);
  if (!(dwCreateFlags & CREATE_SUSPENDED)) pThread->ResumeThread();
  return pThread;
}

CWinThread* AFXAPI AfxGetThread() {
  AfxThreadState* st = AfxPeekThreadState();
  return st ? st->pCurrentThread : nullptr;
}

CWnd* AFXAPI AfxGetMainWnd() {
  CWinThread* pThread = AfxGetThread();
  if (pThread) return pThread->GetMainWnd();
  CWinApp* pApp = AfxGetApp();
  return pApp ? pApp->GetMainWnd() : nullptr;
}
