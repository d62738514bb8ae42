// This game's main frame: the framework's frame with the engine-drawn table filling its client
// area. It makes the table pane and the table scene when it is created, attaches the scene to
// the pane and to the application's table, and starts the table at the framework's pane update
// (sent once the table has been entered).
#pragma once

#include <memory>

#include "framework/GameFrameWnd.h"
#include "mahjong/MJTableView.h"
#include "mahjong/scene/SceneRequests.h"
#include "variant/RequestWait.h"
#include "variant/TableTurn.h"
#include "variant/VariantTableScene.h"

class CVariantFrame : public CGameFrameWnd {
  DECLARE_DYNCREATE(CVariantFrame)

 public:
  // The table's logical size; the frame's client area is made this large.
  static constexpr int TABLE_WIDTH = 1024;
  static constexpr int TABLE_HEIGHT = 768;

  CVariantFrame();
  ~CVariantFrame() override;

  CTablePaneHooks* GetTableView() override { return m_view.get(); }
  CMJTableView* TableView() { return m_view.get(); }
  CVariantTableScene* Scene() { return m_scene.get(); }
  CTableTurn* Turn() { return m_turn.get(); }

 protected:
  afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
  afx_msg void OnSize(UINT type, int cx, int cy);
  afx_msg void OnDestroy();
  afx_msg LRESULT OnPaneUpdate(WPARAM wParam, LPARAM lParam);
  // A frame that only draws: while a request or the resynchronisation waits.
  void DrawOnlyFrame();
  DECLARE_MESSAGE_MAP()

 private:
  std::unique_ptr<CMJTableView> m_view;
  std::unique_ptr<CVariantTableScene> m_scene;
  std::unique_ptr<CSceneRequests> m_requests;
  CRequestWait m_wait;
  std::unique_ptr<CTableTurn> m_turn;
  // PXQD_HEADLESS_HANDS: the hands to play in managed play before the summary and the exit.
  int m_headlessHands = 0;
};
