// The settlement after each hand: a modeless dialog with one row per chair (the silver and points
// the hand moved) and, for the chosen chair, the itemised list of what it won or paid. The table
// scene keeps one for its whole life and shows it after every hand result. Unless the player may
// leave the table now, it counts ten seconds down and closes itself; closing it by hand or by the
// count-down hands the table back to the scene for the next hand.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "controls/ReportListCtrl.h"
#include "platform/mfc/Controls.h"
#include "platform/mfc/Dialog.h"
#include "variant/SettlementSheet.h"

#define IDD_SETTLEMENT 274
#define IDC_SETTLE_COUNTDOWN 1097
#define IDC_SETTLE_PORTRAIT 1033
#define IDC_SETTLE_NAME 1090
#define IDC_SETTLE_NOTE 1091
#define IDC_SETTLE_DETAIL 1092
#define IDC_SETTLE_PLAYERS 1093
#define SETTLE_TIMER 1000
#define SETTLE_SECONDS 10
#define SETTLE_SELF_CLOSE_TIMER 1001

class CSettlementDlg : public CDialog {
 public:
  struct Hooks {
    // The scene's preparation of the next hand, called once each time the dialog closes by the
    // user's hand or at the end of its count-down.
    std::function<void()> onClosed;
    // Whether the player may leave the table now; then no count-down runs.
    std::function<bool()> canLeaveNow;
    // The window came up (true) or went (false), however it went.
    std::function<void(bool open)> openChanged;
  };

  explicit CSettlementDlg(CWnd* parent);
  ~CSettlementDlg() override;
  void SetHooks(Hooks hooks) { m_hooks = std::move(hooks); }
  // A client that plays by itself gives the result a short look: the dialog then closes itself
  // (handing the table back as "确定" does) that many milliseconds after it opened, whether or
  // not a count-down runs. 0: only the user or the count-down closes it.
  void SetSelfClose(UINT ms) { m_selfCloseMs = ms; }
  UINT SelfCloseMs() const { return m_selfCloseMs; }

  // Shows a round result with the per-seat entries of chairs 0 to 3 that follow it. Does nothing
  // while the dialog is open: the result on screen stays.
  void Show(CWnd* parent, const uint8_t* record, size_t recordLength, const uint8_t* entries, size_t entriesLength);
  // Closes an open dialog; a silent close does not call the scene back. Returns 0 when the dialog
  // was not open.
  BOOL Close(int silent);
  bool IsOpen() const { return m_open != 0; }
  int SecondsLeft() const { return m_secondsLeft; }
  bool IsCountingDown() const { return m_timerId != 0; }

  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  void DoDataExchange(CDataExchange* pDX) override;

  // Fills the detail list with the items of one chair (the player list's rows are the chairs).
  void ShowDetail(int chair);
  CReportListCtrl& DetailList() { return m_detailList; }
  CReportListCtrl& PlayerList() { return m_playerList; }

 protected:
  afx_msg void OnTimer(UINT_PTR nIDEvent);
  afx_msg void OnDestroy();
  afx_msg void OnPlayerListClick(NMHDR* pNMHDR, LRESULT* pResult);
  DECLARE_MESSAGE_MAP()

  void FillPlayerList();
  void StopCountdown();

  CStatic m_countdown;
  CStatic m_portrait;
  CReportListCtrl m_detailList;
  CReportListCtrl m_playerList;
  std::array<uint8_t, SETTLEMENT_RECORD_SIZE> m_record{};
  std::array<uint8_t, SETTLEMENT_ENTRY_SIZE * SETTLEMENT_CHAIRS> m_entries{};
  UINT_PTR m_timerId = 0;
  UINT_PTR m_selfCloseTimer = 0;
  UINT m_selfCloseMs = 0;
  int m_secondsLeft = 0;
  CWnd* m_parent;
  int m_open = 0;
  HICON m_portraitIcon = nullptr;
  Hooks m_hooks;
};
