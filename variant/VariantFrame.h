// This game's main frame with its table: the main frame's panes, and the table scene that it
// makes when it is created and binds to the table pane and to the application's table. The table
// pane starts the table at the framework's pane update (sent once the table has been entered),
// and the frame starts the table's clock then.
#pragma once

#include <memory>

#include "mahjong/MJTableView.h"
#include "mahjong/scene/SceneRequests.h"
#include "variant/MainFrame.h"
#include "variant/RequestWait.h"
#include "variant/TableStepRecorder.h"
#include "variant/TableTurn.h"
#include "variant/VariantTableScene.h"

class CVariantFrame : public CMainFrame {
  DECLARE_DYNCREATE(CVariantFrame)

 public:
  // The table's logical size.
  static constexpr int TABLE_WIDTH = 1024;
  static constexpr int TABLE_HEIGHT = 768;
  // A headless client gives each hand's settlement this many ticks of its countdown clock
  // (PXQD_HEADLESS_TICK_MS, a second by default) before it closes it and gets ready again.
  static constexpr UINT HEADLESS_SETTLEMENT_TICKS = 3;

  CVariantFrame();
  ~CVariantFrame() override;

  CMJTableView* TableView() { return m_view; }
  CVariantTableScene* Scene() { return m_scene.get(); }
  CTableTurn* Turn() { return m_turn.get(); }

 protected:
  afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
  afx_msg void OnDestroy();
  afx_msg LRESULT OnPaneUpdate(WPARAM wParam, LPARAM lParam);
  // A frame that only draws: while a request or the resynchronisation waits.
  void DrawOnlyFrame();
  // A table dialog came or went: a line beside the table's steps when they are recorded.
  void RecordDialog(const char* dialog, bool open);
  // The hall's details of a player: the player card.
  afx_msg LRESULT OnPlayerDetails(WPARAM wParam, LPARAM lParam);
  DECLARE_MESSAGE_MAP()

 private:
  // The recorder outlives the scene that writes to it.
  std::unique_ptr<CTableStepRecorder> m_steps;
  // The table pane's engine host view; the pane owns it.
  CMJTableView* m_view = nullptr;
  std::unique_ptr<CVariantTableScene> m_scene;
  std::unique_ptr<CSceneRequests> m_requests;
  CRequestWait m_wait;
  std::unique_ptr<CTableTurn> m_turn;
  // PXQD_HEADLESS_HANDS: the hands to play in managed play before the summary and the exit.
  int m_headlessHands = 0;
};
