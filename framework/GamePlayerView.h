// The player list pane: one row per seated player (in chair order) and per onlooker of the table,
// with level, score and silver, the own row in bold, a context menu per player (name into the
// chat, details in the hall, call the player), and the request pop-up for the game layer.
#pragma once

#include "controls/ReportListCtrl.h"
#include "framework/GameFormView.h"
#include "framework/PaneHooks.h"
#include "platform/mfc/Map.h"

#define IDD_PLAYER_FORM 177
#define IDC_PLAYER_LIST 1
#define IDR_PLAYER_MENU 130
#define ID_PLAYER_NAME 1900
#define ID_PLAYER_DETAILS 1901
#define ID_PLAYER_LEVEL 1902
#define ID_PLAYER_SCORE 1903
#define ID_PLAYER_SILVER 1904
#define ID_PLAYER_CALL 1905
#define ID_PLAYER_ALLOW_LOOK 1906

class CMenu;
class COwnerDrawMenu;

class CGamePlayerView : public CGameFormView, public CPlayerPaneHooks {
  DECLARE_DYNCREATE(CGamePlayerView)

 public:
  CGamePlayerView();
  explicit CGamePlayerView(UINT nIDTemplate);
  ~CGamePlayerView() override;

  void OnInitialUpdate() override;

  void OnOnlookerJoined(const PlayerRecord& record) override { AddPlayerRow(record); }
  void RemovePlayerRow(PlayerRecord& record) override;
  virtual void UpdateScoreCells(const BYTE* data, size_t length);
  void AddPlayerRow(const PlayerRecord& record) override;
  void DeleteRow(const PlayerRecord& record) override;
  void UpdateResultCells(const BYTE* data, size_t length) override;
  void ReloadSeats(const BYTE* data, size_t length) override;
  void ReloadSeats2(const BYTE* data, size_t length) override { ReloadSeats(data, length); }
  void OnBaseSilver(const BYTE* data, size_t length) override;
  virtual void CreateFonts();
  virtual void InsertNameIntoChat(int row);
  virtual void ShowPlayerInHall(int row);
  virtual void ShowContextMenu(int row, CPoint point);
  // Called just before the player menu opens for a row: the whole menu and its popup.
  virtual void AdjustContextMenu(int row, COwnerDrawMenu* menu, CMenu* popup) {}
  virtual int CreateList();
  virtual void SetupColumns();

  void ShowRequestPopup(int userId);
  BOOL IsInLookMap(int userId) const;
  // The onlookers allowed to see the own tiles.
  void AllowLook(int userId) { m_userMap.SetAt(userId, userId); }
  void ForbidLook(int userId) { m_userMap.RemoveKey(userId); }
  void ClearLookMap() { m_userMap.RemoveAll(); }
  int GetLookMapCount() const { return static_cast<int>(m_userMap.GetCount()); }
  CReportListCtrl& GetList() { return m_list; }
  int GetSelectedUser() const { return m_selectedUser; }
  // The row and user that the player menu is for, as a right click chooses them.
  void SetSelection(int row, int userId) {
    m_selectedRow = row;
    m_selectedUser = userId;
  }
  COLORREF GetFriendColor() const { return m_friendColor; }
  // The cell of a row under a column title; empty when either is missing.
  CString CellText(int row, LPCSTR title) const;

 protected:
  afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
  afx_msg void OnSize(UINT nType, int cx, int cy);
  afx_msg void OnContextMenu(CWnd* pWnd, CPoint point);
  afx_msg LRESULT OnPaneUpdate(WPARAM wParam, LPARAM lParam);
  afx_msg void OnNameCommand();
  afx_msg void OnDetailsCommand();
  afx_msg void OnCallCommand();
  BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
  DECLARE_MESSAGE_MAP()

  void SetCell(int row, LPCSTR title, LPCSTR text);
  void SetNumberCell(int row, LPCSTR title, int value);

  COLORREF m_knownColor = 10715996;
  COLORREF m_friendColor = 8421440;
  COLORREF m_unwelcomeColor = 3158064;
  BOOL m_relationColoring = FALSE;
  CFont m_normalFont;
  CFont m_boldFont;
  int m_selectedRow = -1;
  int m_selectedUser = 0;
  CReportListCtrl m_list;
  CMap<int, int, int, int> m_userMap;
};
