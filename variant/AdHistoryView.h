// The record board at the top of the pane column: a tab strip over two tabs, the hall's window
// advert page and the board "战绩榜", a list of each seated player's silver of the last hand and
// his total since he sat down. A click on the board's tab shows it for five seconds, then the
// advert page comes back. The numbers and the rows are kept by CRecordBoardTally, whose rows
// remember their chair, so a hand's result always lands beside the right name.
#pragma once

#include <array>
#include <cstdint>

#include "controls/CustomTabCtrl.h"
#include "controls/ReportListCtrl.h"
#include "framework/AdvertHtmlView.h"
#include "framework/GameFormView.h"
#include "framework/PlayerRecords.h"
#include "platform/mfc/CommonControls.h"
#include "platform/mfc/Dialog.h"
#include "variant/RecordBoardTally.h"

#define IDD_RECORD_BOARD_FORM 132
#define IDC_RECORD_BOARD_WEB 135
#define IDC_RECORD_BOARD_TABS 1096
#define IDC_RECORD_BOARD_LIST 1
#define TIMER_RECORD_BOARD_RETURN 1001
#define RECORD_BOARD_SHOW_MS 5000
#define RECORD_BOARD_BACK_COLOUR 0xFFFFF0

class CAdHistoryView : public CGameFormView {
  DECLARE_DYNCREATE(CAdHistoryView)

 public:
  CAdHistoryView();
  ~CAdHistoryView() override;

  void OnInitialUpdate() override;
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

  virtual void LoadSkinBitmap();
  // A row (name, "0", "0") for the record's user; nothing for user id 0, 0 for an empty name.
  virtual int AddPlayerRow(const PlayerRecord& record);
  virtual void RemovePlayerRow(const PlayerRecord& record);
  virtual void ReloadSeats();

  // The rows again from the seat names and the kept numbers; non-zero clearTotals zeroes them.
  void Refill(int clearTotals);
  // One hand's silver of a chair (0 to 3; others are ignored).
  void AddRound(int chair, int silver);
  void Seed(const std::array<int32_t, RECORD_BOARD_CHAIRS>& last, const std::array<int32_t, RECORD_BOARD_CHAIRS>& total);
  CString GetRowName(int row) const;
  // 0: the advert page, 1: the board.
  void ShowTab(int index);
  int GetCurrentTab() const { return m_currentTab; }

  CReportListCtrl& GetList() { return m_list; }
  CCustomTabCtrl& GetTabs() { return m_tabs; }
  CAdvertHtmlView& GetWeb() { return m_web; }
  const CRecordBoardTally& Tally() const { return m_tally; }
  HBITMAP GetSkinBitmap() const { return m_skinBitmap; }

 protected:
  // Writes the tally's rows into the list.
  void ShowRows();
  void Navigate(WPARAM heapAddress);
  afx_msg LRESULT OnPaneUpdate(WPARAM wParam, LPARAM lParam);
  afx_msg LRESULT OnAdvertUrl(WPARAM wParam, LPARAM lParam);
  afx_msg void OnTimer(UINT_PTR nIDEvent);
  afx_msg void OnSize(UINT nType, int cx, int cy);
  afx_msg BOOL OnEraseBkgnd(CDC* pDC) { return TRUE; }
  DECLARE_MESSAGE_MAP()

  CAdvertHtmlView m_web;
  CCustomTabCtrl m_tabs;
  CReportListCtrl m_list;
  int m_currentTab = 0;
  CFont m_listFont;
  CImageList m_rowHeight;
  CRecordBoardTally m_tally;
  HBITMAP m_skinBitmap = nullptr;
};
