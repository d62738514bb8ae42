// The main frame of a mahjong game: the framework's frame with a dialog bar across the top, the
// table pane on the left of a splitter and a column of panes on its right (operate bar, advert
// pane, player list, the bank bar when the bank may be used, chat). It answers the framework's
// pane getters for that layout, hands the pane update on to the panes, passes the hall's player
// details to the application and gives the splitter bars their skin pictures. A game's own frame
// derives from it and may replace the layout, the getters, the pane update and the skin step.
#pragma once

#include <vector>

#include "controls/StyledSplitterWnd.h"
#include "framework/GameFrameWnd.h"
#include "mahjong/GameInfo.h"
#include "mahjong/MJSplitterWnd.h"
#include "platform/mfc/ControlBar.h"

#define IDD_FRAME_DIALOG_BAR 141
#define FRAME_DIALOG_BAR_STYLE (CBRS_ALIGN_TOP | CBRS_BORDER_BOTTOM | CBRS_FLYBY | CBRS_TOOLTIPS)

// What an advert-bet pane offers the table views and the player pane; a frame whose advert
// pane has none of this answers its advert getter with a pane that callers leave alone.
class CAdvertBetPaneHooks {
 public:
  virtual ~CAdvertBetPaneHooks() = default;
  virtual int AddPlayer(const PlayerRecord& record) = 0;
  virtual int RemovePlayer(const PlayerRecord& record) = 0;
  virtual void AddRoundColumn(const BYTE* record, size_t length) = 0;
};

class CMJGameFrameWnd : public CGameFrameWnd {
  DECLARE_DYNCREATE(CMJGameFrameWnd)

 public:
  CMJGameFrameWnd();
  ~CMJGameFrameWnd() override;

  CWnd* GetDialogBar() override;
  CTablePaneHooks* GetTableView() override;
  CChatPaneHooks* GetChatView() override;
  CPlayerPaneHooks* GetPlayerView() override;
  CToolPaneHooks* GetToolView() override;
  void LoadSplitterBitmaps() override;
  int GetMinPaneHeight() override;
  virtual CGameInfo* GetGameInfo();
  virtual CWnd* GetAdvertPane();
  virtual CWnd* GetAdvertView();
  virtual CWnd* GetOperateView();

  // The pane windows behind the getters.
  virtual CWnd* GetTablePane();
  virtual CWnd* GetChatPane();
  virtual CWnd* GetPlayerPane();
  virtual CWnd* GetToolPane();

  CStyledSplitterWnd& OuterSplitter() { return m_outer; }
  CMJSplitterWnd& RightSplitter() { return m_right; }
  CDialogBar& DialogBar() { return m_dialogBar; }

  // The sizes the layouts give their panes, from the screen and the application's state.
  static CGameInfo::PaneFacts CurrentPaneFacts();

 protected:
  BOOL OnCreateClient(LPCREATESTRUCT lpcs, CCreateContext* pContext) override;
  virtual BOOL CreateDialogBar();
  // Posts a heap copy of an address (the receiver frees it) as WM_PANE_UPDATE to a pane.
  void PostAddress(CWnd* pane, const CString& address);
  // Makes a pane, and for the chat pane falls back to the empty pane, setting the flag.
  static BOOL CreateChatPane(CSplitterWnd& splitter, int row, int col, CRuntimeClass* chatClass, SIZE size,
                             CCreateContext* context);
  // The skin hook of whichever table view the frame made.
  void ReloadTableSkin();

  afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
  afx_msg void OnDestroy();
  afx_msg void OnClose();
  afx_msg LRESULT OnPaneUpdate(WPARAM wParam, LPARAM lParam);
  afx_msg LRESULT OnHallPlayerDetails(WPARAM wParam, LPARAM lParam);
  DECLARE_MESSAGE_MAP()

  CDialogBar m_dialogBar;
  CStyledSplitterWnd m_outer;
  CMJSplitterWnd m_right;
  // The panes that were posted an address, whose queues the frame clears when it goes.
  std::vector<HWND> m_addressTargets;
};
