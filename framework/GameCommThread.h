// The communication thread: a second user-interface thread that owns the wait dialog, so that
// wait texts keep painting while the UI thread is blocked in a request, and that receives the
// network's notifications and relays them to the main frame once it exists. The UI thread talks
// to it only by posting thread messages.
#pragma once

#include "framework/WaitDialog.h"
#include "platform/mfc/Afx.h"

#define WM_COMM_SET_TARGET 0x854D
#define WM_COMM_QUIT 0x854E
#define WM_COMM_SHOW_WAIT 0x8550

class CGameCommThread : public CWinThread {
  DECLARE_DYNCREATE(CGameCommThread)

 public:
  CGameCommThread();
  ~CGameCommThread() override;

  BOOL InitInstance() override;
  int ExitInstance() override;

  HWND GetTargetWindow() const { return m_target; }
  CWaitDialog& WaitDialog() { return m_wait; }

 protected:
  afx_msg void OnSetTarget(WPARAM wParam, LPARAM lParam);
  afx_msg void OnQuit(WPARAM wParam, LPARAM lParam);
  afx_msg void OnPacketArrived(WPARAM wParam, LPARAM lParam);
  afx_msg void OnShowWait(WPARAM wParam, LPARAM lParam);
  DECLARE_MESSAGE_MAP()

 private:
  CWnd m_hidden;
  HWND m_target = nullptr;
  CWaitDialog m_wait;
};

// The running thread's operations; each does nothing while no thread runs.
BOOL StartCommThread();
// Ends the thread through its own message loop and waits for it; then deletes it.
void StopCommThread();
CGameCommThread* GetCommThread();
DWORD GetCommThreadId();
HWND GetCommWaitWindow();
BOOL PostCommThreadMessage(UINT message, WPARAM wParam, LPARAM lParam);
// Posts a heap copy of the text (the thread frees it) with the auto-hide time.
void PostWaitText(LPCSTR text, int seconds);
