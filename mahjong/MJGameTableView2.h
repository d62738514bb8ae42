// The table pane of the main frame's splitter: a view that carries the engine host view (the
// table scene's own window) over its whole client area, and the table-view operations the
// framework calls: a player taking or leaving a seat changes his name plate (and the advert-bet
// pane's rows when the frame has one), and a reset stops the one-second clock.
#pragma once

#include "framework/PaneHooks.h"
#include "mahjong/MJTableView.h"
#include "mahjong/SeatPainter.h"
#include "platform/mfc/DocView.h"

class CMJGameTableView2 : public CView, public CTablePaneHooks {
  DECLARE_DYNCREATE(CMJGameTableView2)

 public:
  CMJGameTableView2();
  ~CMJGameTableView2() override;

  CMJTableView& Host() { return m_host; }
  // Binds the table scene to the host view.
  int AttachGame(GameBase* game) { return m_host.AttachGame(game); }

  // The shared table-view operations.
  virtual CSeatPainter* GetSeatPainter();
  void ResetTable() override;
  virtual int CallSceneHook48() { return 0; }
  void OnPlayerSeated(const PlayerRecord& seat) override;
  void OnPlayerLeft(const PlayerRecord& record) override;
  UINT GetClockTimerId() const override { return m_host.GetClockTimerId(); }
  int GetWidth() const override { return m_host.GetWidth(); }
  int GetHeight() const override { return m_host.GetHeight(); }
  // The engine view's skin step: the table is drawn again with the new skin.
  virtual int ReloadSkin();

 protected:
  void OnDraw(CDC* pDC) override {}
  // The name plate of the record's side, then the advert-bet pane's rows; the pane's answer.
  int ShowSeatName(const PlayerRecord& record, bool seated);

  afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
  afx_msg void OnSize(UINT nType, int cx, int cy);
  afx_msg BOOL OnEraseBkgnd(CDC* pDC) { return TRUE; }
  afx_msg void OnDestroy();
  // The table was entered: the host view starts the table.
  afx_msg LRESULT OnPaneUpdate(WPARAM wParam, LPARAM lParam);
  DECLARE_MESSAGE_MAP()

  CMJTableView m_host;
};
