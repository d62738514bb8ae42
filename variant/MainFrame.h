// This game's main frame. Two layouts, chosen once by the screen height:
// - normal: the banner over the table on the left; on the right the operate bar beside the
//   banner, and under it a column of the record board, the player list and the chat;
// - small (600 pixels high or less): the table alone on the left; the column on the right holds
//   the operate bar, the record board, the player list and the mahjong chat pane.
// It answers the pane getters for the layout it made, hands the advert addresses to the record
// board and the banner at the pane update, and decides whether closing the window during a game
// may go ahead.
#pragma once

#include <functional>

#include "mahjong/MJGameFrameWnd.h"

class CAdHistoryView;
class CPlayerView;
class CHeadAdView;

#define BANNER_HEIGHT 58
#define RECORD_BOARD_HEIGHT 150

class CMainFrame : public CMJGameFrameWnd {
  DECLARE_DYNCREATE(CMainFrame)

 public:
  // Runs the leave-request dialog modally; IDOK means quit by force. Without one, a close
  // request during a game asks for confirmation instead.
  using LeaveDialog = std::function<INT_PTR()>;
  static void SetLeaveDialog(LeaveDialog dialog);

  CMainFrame();
  ~CMainFrame() override;

  CWnd* GetTablePane() override;
  CWnd* GetChatPane() override;
  CWnd* GetPlayerPane() override;
  CWnd* GetToolPane() override { return nullptr; }
  CWnd* GetAdvertPane() override;
  CWnd* GetOperateView() override;
  // This game has no advert-bet pane; asking for it refreshes the record board's names.
  CWnd* GetAdvertView() override;
  virtual CWnd* GetHeadAdView();
  CAdHistoryView* GetHistoryView() const { return m_historyPane; }
  CPlayerView* GetPlayerListPane() const { return m_playerPane; }

  void LoadSplitterBitmaps() override;
  int OnCloseRequest() override;
  bool IsSmallLayout() const { return m_smallLayout; }

 protected:
  BOOL OnCreateClient(LPCREATESTRUCT lpcs, CCreateContext* pContext) override;
  BOOL CreateTablePane(CSplitterWnd& splitter, int row, int col, int width, CCreateContext* context);
  afx_msg LRESULT OnAdvertRefresh(WPARAM wParam, LPARAM lParam);
  DECLARE_MESSAGE_MAP()

  CAdHistoryView* m_historyPane = nullptr;
  CPlayerView* m_playerPane = nullptr;
  bool m_smallLayout = false;
};
