// The framework's main window. It holds no panes of its own but declares the getters through
// which the game's frame gives them. It receives everything that arrives asynchronously on the
// UI thread: server packets relayed by the communication thread, the hall's records, its own
// timers and the finished notice download. It enters the table once the hall's session data has
// arrived, and it ends the game in order: leave request, exit report, communication thread.
#pragma once

#include <list>
#include <memory>

#include "framework/HallRecords.h"
#include "framework/PaneHooks.h"
#include "platform/mfc/Afx.h"
#include "platform/mfc/FrameWnd.h"

#define WM_SKIN_MENU 0x724
#define WM_PANE_UPDATE 0x85B1
#define WM_SESSION_DATA 0x8615
#define WM_ENTER_GAME 0x8616
#define WM_NOTIFY_FILE_READY 0x8617
#define WM_BROWSER_DONE 0x8618
#define WM_HALL_DATA7 0x8679

#define TIMER_HALL_CHECK 1
#define TIMER_NOTIFY_DOWNLOAD 2
#define TIMER_CLOSE_AFTER_QUIT 3
#define TIMER_APPLY_SKIN 4
#define TIMER_RESPONSE_REPORT 5
#define TIMER_NOT_STARTED_KICK 1005

// One notice download. The frame and the download thread each hold a reference, so the job
// lives until both are done with it, whatever ends first.
struct NotifyDownloadJob {
  HWND window = nullptr;
  int done = 0;
  char baseUrl[64] = {};
  char urlPath[260] = {};
  char localFile[260] = {};
};

class CGameFrameWnd : public CFrameWnd {
  DECLARE_DYNCREATE(CGameFrameWnd)

 public:
  CGameFrameWnd();
  ~CGameFrameWnd() override;

  virtual CWnd* GetDialogBar() { return nullptr; }                    // 1
  virtual CTablePaneHooks* GetTableView() { return nullptr; }         // 2
  virtual CChatPaneHooks* GetChatView() { return nullptr; }           // 3
  virtual CPlayerPaneHooks* GetPlayerView() { return nullptr; }       // 4
  virtual CToolPaneHooks* GetToolView() { return nullptr; }           // 5
  virtual void OnHallData13(const BYTE* data, size_t length) {}       // 6
  virtual void LoadSplitterBitmaps() {}                               // 7
  virtual void OnConnectionLost();                                    // 8
  virtual void OnPlayerQuit(const PlayerQuitRecord& record);          // 9
  virtual int OnCloseRequest();                                       // 10
  virtual int GetMinPaneHeight();                                     // 11
  virtual void SetReportInterval(int seconds);                        // 12
  virtual void StartReport();                                         // 13

  BOOL PreCreateWindow(CREATESTRUCT& cs) override;
  void ActivateFrame(int nCmdShow = -1) override;

  int GetTableViewWidth() { return GetTableView() != nullptr ? GetTableView()->GetWidth() : 0; }
  int GetTableViewHeight() { return GetTableView() != nullptr ? GetTableView()->GetHeight() : 0; }

  BOOL IsTableOpen() const { return m_tableOpen; }
  void SetTableOpen(BOOL open) { m_tableOpen = open; }
  DWORD GetLastTrafficTime() const { return m_lastTraffic; }
  // The notice downloads the frame still holds.
  size_t GetDownloadJobCount() const { return m_jobs.size(); }
  UINT_PTR GetNoticeTimer() const { return m_noticeTimer; }

  // Starts one notice download unless one is still running.
  void StartNotifyDownload();

 protected:
  afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
  afx_msg BOOL OnCopyData(CWnd* pWnd, COPYDATASTRUCT* pCopyDataStruct);
  afx_msg void OnTimer(UINT_PTR nIDEvent);
  afx_msg void OnDestroy();
  afx_msg void OnClose();
  afx_msg void OnSize(UINT nType, int cx, int cy);
  afx_msg LRESULT OnSessionData(WPARAM wParam, LPARAM lParam);
  afx_msg LRESULT OnEnterGame(WPARAM wParam, LPARAM lParam);
  afx_msg LRESULT OnSkinMenu(WPARAM wParam, LPARAM lParam);
  afx_msg LRESULT OnSkinChanged(WPARAM wParam, LPARAM lParam);
  afx_msg LRESULT OnNotifyFileReady(WPARAM wParam, LPARAM lParam);
  afx_msg LRESULT OnBrowserDone(WPARAM wParam, LPARAM lParam);
  afx_msg LRESULT OnPacketArrived(WPARAM wParam, LPARAM lParam);
  DECLARE_MESSAGE_MAP()

  // The frame's share of the hall's records, after they were checked and deciphered.
  void OnOnlookerJoined(const BYTE* data, size_t length);
  void OnPlayerQuitRecord(const BYTE* data, size_t length);
  void ApplyChosenSkin();

 private:
  UINT_PTR m_hallCheckTimer = 0;
  UINT_PTR m_noticeTimer = 0;
  UINT_PTR m_quitCloseTimer = 0;
  UINT_PTR m_reportTimer = 0;
  std::list<std::shared_ptr<NotifyDownloadJob>> m_jobs;
  DWORD m_lastTraffic = 0;
  BOOL m_tableOpen = TRUE;
};
