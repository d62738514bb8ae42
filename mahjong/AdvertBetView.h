// The advert-bet pane of the mahjong frame's own layout: two painted tabs, an advert web page on
// the first and a score board of the seated players on the second, with one column per finished
// hand, the newest next to the totals. Hovering the score tab shows it for a few seconds before
// the pane returns to the advert. This game's own frame has no such pane; the mahjong layout
// makes it.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "controls/ReportListCtrl.h"
#include "framework/CommandHtmlCtrl.h"
#include "framework/GameFormView.h"
#include "framework/PlayerRecords.h"
#include "platform/mfc/CommonControls.h"
#include "platform/mfc/GdiObject.h"

#define IDD_ADVERT_BET_FORM 132
#define IDC_ADVERT_BET_PLACEHOLDER 135
#define IDC_ADVERT_BET_LIST 1
#define ADVERT_BET_TIMER 1
#define ADVERT_BET_TAB_FILL 2702856

struct HandScoreEntry {
  int32_t hand = 0;
  std::array<int32_t, 4> amounts{};
};

// The tabs' shapes: laid left to right from h/2, each leaning out by h/2 at the bottom.
class CBetTabGeometry {
 public:
  void SetHeight(int h) { m_height = h; }
  int Height() const { return m_height; }
  void Add(int width) { m_widths.push_back(width); }
  int Count() const { return static_cast<int>(m_widths.size()); }
  int Left(int tab) const;
  int Width(int tab) const { return tab >= 0 && tab < Count() ? m_widths[tab] : 0; }
  // The drawn outline of a tab (four corners).
  std::array<POINT, 4> Outline(int tab) const;
  // The tab under (x, y) among the unselected ones; the selected one when none is hit.
  int HitTest(int x, int y, int selected) const;

 private:
  int m_height = 20;
  std::vector<int> m_widths;
};

class CAdvertBetView : public CGameFormView {
  DECLARE_DYNCREATE(CAdvertBetView)

 public:
  CAdvertBetView();
  ~CAdvertBetView() override;

  void OnInitialUpdate() override;
  void OnDraw(CDC* pDC) override;

  virtual void DrawTabs(CDC* pDC);
  virtual void AddTab(LPCSTR caption);
  virtual int HitTestTab(int x, int y);
  virtual void SetTabHeight(int h);
  virtual void InitTabs();
  virtual void ResetHands();
  virtual void AddRoundColumn(const BYTE* record, size_t length);
  virtual void AddPlayer(const PlayerRecord& player);
  virtual void RemovePlayer(const PlayerRecord& player);
  virtual void ReloadPlayers();

  int GetSelectedTab() const { return m_selected; }
  int GetTabCount() const { return m_tabs.Count(); }
  const std::vector<std::string>& GetCaptions() const { return m_captions; }
  const std::vector<HandScoreEntry>& GetHistory() const { return m_history; }
  int GetAutoReturnCount() const { return m_autoReturnCount; }
  CReportListCtrl& GetList() { return m_list; }
  CCommandHtmlCtrl& GetHtml() { return m_html; }
  const CBetTabGeometry& Tabs() const { return m_tabs; }
  // Shows the web page or the score list as the selected tab says.
  void ShowSelectedContent();

 protected:
  afx_msg void OnSize(UINT nType, int cx, int cy);
  afx_msg void OnTimer(UINT_PTR nIDEvent);
  afx_msg void OnMouseMove(UINT nFlags, CPoint point);
  afx_msg LRESULT OnPaneUpdate(WPARAM wParam, LPARAM lParam);
  afx_msg LRESULT OnAdvertUrl(WPARAM wParam, LPARAM lParam);
  DECLARE_MESSAGE_MAP()

  // Whether the score board is kept from this user: seated in a room with option bit 3.
  bool ScoresHidden();
  // The chair of a row's user, or -1.
  int RowChair(int row);

  CReportListCtrl m_list;
  CCommandHtmlCtrl m_html;
  // Lets the return timer go back to the advert; set once the pane is ready.
  int m_returnEnabled = 0;
  int m_selected = 1;
  CImageList m_rowImages;
  int m_autoReturnSeconds = 5;
  int m_autoReturnCount = 3;
  std::array<int64_t, 4> m_totals{};
  std::vector<HandScoreEntry> m_history;
  int m_handColumnWidth = 75;
  CBetTabGeometry m_tabs;
  CFont m_boldFont;
  CFont m_normalFont;
  COLORREF m_selectedColour = 0;
  COLORREF m_unselectedColour = 0;
  std::vector<std::string> m_captions;
};
