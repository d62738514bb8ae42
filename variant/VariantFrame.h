// This game's main frame with its table: the main frame's panes, and the table scene that it
// makes when it is created and binds to the table pane and to the application's table. The table
// pane starts the table at the framework's pane update (sent once the table has been entered).
#pragma once

#include <memory>

#include "mahjong/MJTableView.h"
#include "variant/MainFrame.h"
#include "variant/VariantTableScene.h"

class CVariantFrame : public CMainFrame {
  DECLARE_DYNCREATE(CVariantFrame)

 public:
  // The table's logical size.
  static constexpr int TABLE_WIDTH = 1024;
  static constexpr int TABLE_HEIGHT = 768;

  CVariantFrame();
  ~CVariantFrame() override;

  CMJTableView* TableView() { return m_view; }
  CVariantTableScene* Scene() { return m_scene.get(); }

 protected:
  afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
  afx_msg void OnDestroy();
  DECLARE_MESSAGE_MAP()

 private:
  // The table pane's engine host view; the pane owns it.
  CMJTableView* m_view = nullptr;
  std::unique_ptr<CVariantTableScene> m_scene;
};
