// CWinThread: a thread with the class library's message loop, and AfxBeginThread.
//
// Run pumps the thread's queue: each message goes first through PreTranslateMessage, which hands
// thread messages (no window) to the thread's own message map (ON_THREAD_MESSAGE) and offers
// window messages to the permanent objects from the message's window up to the thread's main
// window (CWnd::WalkPreTranslateTree); what is not taken is translated and dispatched. OnIdle
// runs when the queue is empty. WM_QUIT ends Run with ExitInstance's result.
//
// A thread started by AfxBeginThread has its message queue before AfxBeginThread returns, so
// PostThreadMessage to it succeeds at once. With m_bAutoDelete (the default) the object deletes
// itself when the thread ends.
#pragma once

#include "platform/base/WinTypes.h"
#include "platform/kernel/Threads.h"
#include "platform/mfc/CmdTarget.h"
#include "platform/user/User.h"

class CWnd;

typedef UINT(AFX_CDECL* AFX_THREADPROC)(LPVOID);

class CWinThread : public CCmdTarget {
  DECLARE_DYNAMIC(CWinThread)

 public:
  CWinThread();
  // A thread that runs a controlling function instead of a message loop.
  CWinThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam);
  // Closes the thread handle.
  ~CWinThread() override;

  // Starts the thread. With CREATE_SUSPENDED it waits for ResumeThread before InitInstance.
  BOOL CreateThread(DWORD dwCreateFlags = 0, UINT nStackSize = 0, void* lpSecurityAttrs = nullptr);
  // Lets a thread made with CREATE_SUSPENDED run; returns the previous suspend count (1 or 0).
  DWORD ResumeThread();
  // Priorities are recorded only: the system's scheduler does not take them from this layer.
  int GetThreadPriority() { return m_nPriority; }
  BOOL SetThreadPriority(int nPriority) { m_nPriority = nPriority; return TRUE; }
  BOOL PostThreadMessage(UINT message, WPARAM wParam, LPARAM lParam);

  virtual BOOL InitInstance();
  virtual int Run();
  virtual BOOL PreTranslateMessage(MSG* pMsg);
  virtual BOOL PumpMessage();
  virtual BOOL OnIdle(LONG lCount);
  virtual BOOL IsIdleMessage(MSG* pMsg);
  virtual int ExitInstance();
  // Deletes the object when m_bAutoDelete is set.
  virtual void Delete();
  virtual CWnd* GetMainWnd();
  // Hands a thread message to the thread's message map; TRUE when an entry took it.
  BOOL DispatchThreadMessageEx(MSG* pMsg);

  CWnd* m_pMainWnd = nullptr;
  CWnd* m_pActiveWnd = nullptr;
  BOOL m_bAutoDelete = TRUE;
  HANDLE m_hThread = nullptr;
  DWORD m_nThreadID = 0;
  MSG m_msgCur{};
  LPVOID m_pThreadParams = nullptr;
  AFX_THREADPROC m_pfnThreadProc = nullptr;

 private:
  friend DWORD WINAPI AfxThreadEntry(LPVOID);
  HANDLE m_hStarted = nullptr;  // set by the new thread once it has its queue
  HANDLE m_hGo = nullptr;       // set to let the new thread go on (ResumeThread)
  BOOL m_bSuspended = FALSE;
  int m_nPriority = THREAD_PRIORITY_NORMAL;
  POINT m_ptCursorLast{-1, -1};
  UINT m_nMsgLast = 0;
};

// A new CWinThread-derived object made from its run-time class, running InitInstance and then Run
// on a new thread. Null when the class cannot be created or the thread cannot start.
CWinThread* AFXAPI AfxBeginThread(CRuntimeClass* pThreadClass, int nPriority = THREAD_PRIORITY_NORMAL,
                                  UINT nStackSize = 0, DWORD dwCreateFlags = 0, void* lpSecurityAttrs = nullptr);
// A thread that runs the controlling function; its result is the thread's exit code.
CWinThread* AFXAPI AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam, int nPriority = THREAD_PRIORITY_NORMAL,
                                  UINT nStackSize = 0, DWORD dwCreateFlags = 0, void* lpSecurityAttrs = nullptr);
// The calling thread's CWinThread (the application object on the thread that runs
// AfxWinMain), or null on a thread the class library did not start.
CWinThread* AFXAPI AfxGetThread();
// The calling thread's main window; on a thread without a CWinThread, the application's.
CWnd* AFXAPI AfxGetMainWnd();
