// The table pane on which the game draws its table: a stretched background picture, three
// cursors, the game clock's one-second timer (a game is being played while it runs), the
// not-started kick count-down and the table-side requests. The game layers derive their table
// panes from it and fill the hooks.
#pragma once

#include "framework/GameFormView.h"
#include "framework/PaneHooks.h"

#define TIMER_TABLE_CLOCK 1000
#define KICK_COUNTDOWN_SECONDS 120

class CGameTableView : public CGameFormView, public CTablePaneHooks {
  DECLARE_DYNAMIC(CGameTableView)

 public:
  explicit CGameTableView(UINT nIDTemplate);
  ~CGameTableView() override;

  void OnInitialUpdate() override;

  virtual UINT StartClockTimer();
  virtual void StopClockTimer();
  void ResetTable() override {}
  virtual void ReservedHook(int, int) {}
  virtual int RequestChangeTable();
  virtual int RequestReadyRandom();
  virtual UINT RestartKickTimer() { return SetKickTimer(); }
  void InitKickCountdown() override;
  virtual UINT SetKickTimer();
  void KillKickTimer() override;
  virtual int RequestAllowanceConfig(int argument);
  virtual int RequestAllowance(int a, int b);
  virtual int RequestAllowance2(int a, int b);
  virtual int RequestSilverReward(int amount);

  void ClearKickTimerId() override { m_kickTimer = 0; }
  UINT GetClockTimerId() const override { return m_clockTimer; }
  int GetWidth() const override { return m_width; }
  int GetHeight() const override { return m_height; }
  UINT GetKickTimerId() const { return m_kickTimer; }
  int GetKickCountdown() const { return m_kickCountdown; }

  void DrawBackground(CDC* pDC, const CRect& rect);
  int BuildBackground();
  // The source picture (the skin's table cloth); the pane deletes it.
  void SetSourcePicture(HBITMAP picture);
  void SetBackgroundColor(COLORREF colour) { m_backgroundColor = colour; }
  void SetCursorKind(int kind) { m_cursorKind = kind; }

 protected:
  afx_msg BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
  afx_msg void OnSize(UINT nType, int cx, int cy);
  DECLARE_MESSAGE_MAP()
  bool KickRoom() const;

  int m_cursorKind = 0;
  COLORREF m_backgroundColor = 0;
  HBITMAP m_source = nullptr;
  HBITMAP m_stretched = nullptr;
  HCURSOR m_hand = nullptr;
  HCURSOR m_arrow = nullptr;
  HCURSOR m_sizeAll = nullptr;
  UINT m_clockTimer = 0;
  UINT m_kickTimer = 0;
  int m_kickCountdown = 0;
};
