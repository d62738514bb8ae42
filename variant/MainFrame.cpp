#include "variant/MainFrame.h"

#include <cstring>

#include "framework/GameApp.h"
#include "mahjong/MJChatView2.h"
#include "mahjong/MJGameApp.h"
#include "mahjong/MJGameChatView.h"
#include "mahjong/MJGameTableView.h"
#include "mahjong/MJGameTableView2.h"
#include "mahjong/MJOperateView.h"
#include "net/NetLog.h"
#include "platform/skin/SkinLibrary.h"
#include "variant/AdHistoryView.h"
#include "variant/GameChatViewEx.h"
#include "variant/HeadAdView.h"
#include "variant/NewGameTableView.h"
#include "variant/PlayerView.h"
#include "variant/VariantGameInfo.h"

IMPLEMENT_DYNCREATE(CMainFrame, CMJGameFrameWnd)

BEGIN_MESSAGE_MAP(CMainFrame, CMJGameFrameWnd)
  ON_MESSAGE(WM_PANE_UPDATE, OnAdvertRefresh)
END_MESSAGE_MAP()

namespace {

CMainFrame::LeaveDialog& LeaveDialogRunner() {
  static CMainFrame::LeaveDialog dialog;
  return dialog;
}

// The sound of a leave request being asked for.
constexpr int SOUND_LEAVE_REQUEST = 29015;
constexpr int CLOSE_BOX_SECONDS = 5;

}  // namespace

void CMainFrame::SetLeaveDialog(LeaveDialog dialog) { LeaveDialogRunner() = std::move(dialog); }

CMainFrame::CMainFrame() = default;

CMainFrame::~CMainFrame() = default;

BOOL CMainFrame::CreateTablePane(CSplitterWnd& splitter, int row, int col, int width, CCreateContext* context) {
  // A scene that draws itself with GDI gets the GDI table view; this game's engine-drawn scene
  // gets its own engine view.
  auto* app = dynamic_cast<CMJGameApp*>(GetGameApp());
  CRuntimeClass* table = app != nullptr && app->GetViewMode() == VIEW_MODE_GDI ? RUNTIME_CLASS(CMJGameTableView)
                                                                               : RUNTIME_CLASS(CNewGameTableView);
  return splitter.CreateView(row, col, table, CSize(width, 0), context);
}

BOOL CMainFrame::OnCreateClient(LPCREATESTRUCT, CCreateContext* pContext) {
  CGameApp* app = GetGameApp();
  CGameInfo* info = GetGameInfo();
  if (app == nullptr || info == nullptr) return FALSE;
  const CGameInfo::PaneFacts facts = CurrentPaneFacts();
  const int width = info->GetTablePaneWidth(facts);
  const int players = GetMinPaneHeight();
  m_smallLayout = app->IsSmallScreen() != 0;
  if (!m_smallLayout) {
    if (!m_outer.CreateStatic(this, 2, 2, WS_CHILD | WS_VISIBLE, AFX_IDW_PANE_FIRST) ||
        !m_outer.CreateView(0, 0, RUNTIME_CLASS(CHeadAdView), CSize(width, BANNER_HEIGHT), pContext) ||
        !CreateTablePane(m_outer, 1, 0, width, pContext) ||
        !m_outer.CreateView(0, 1, RUNTIME_CLASS(CMJOperateView), CSize(0, BANNER_HEIGHT), pContext) ||
        !m_right.CreateStatic(&m_outer, 3, 1, WS_CHILD | WS_VISIBLE, m_outer.IdFromRowCol(1, 1)) ||
        !m_right.CreateView(0, 0, RUNTIME_CLASS(CAdHistoryView), CSize(0, RECORD_BOARD_HEIGHT), pContext) ||
        !m_right.CreateView(1, 0, RUNTIME_CLASS(CPlayerView), CSize(0, players), pContext) ||
        !CreateChatPane(m_right, 2, 0, RUNTIME_CLASS(CGameChatViewEx), CSize(0, 0), pContext)) {
      return FALSE;
    }
    m_historyPane = dynamic_cast<CAdHistoryView*>(m_right.GetPane(0, 0));
    m_playerPane = dynamic_cast<CPlayerView*>(m_right.GetPane(1, 0));
  } else {
    if (!m_outer.CreateStatic(this, 1, 2, WS_CHILD | WS_VISIBLE, AFX_IDW_PANE_FIRST) ||
        !CreateTablePane(m_outer, 0, 0, width, pContext) ||
        !m_right.CreateStatic(&m_outer, 4, 1, WS_CHILD | WS_VISIBLE, m_outer.IdFromRowCol(0, 1)) ||
        !m_right.CreateView(0, 0, RUNTIME_CLASS(CMJOperateView), CSize(0, info->GetOperatePaneHeight(facts)),
                            pContext) ||
        !m_right.CreateView(1, 0, RUNTIME_CLASS(CAdHistoryView), CSize(0, RECORD_BOARD_HEIGHT), pContext) ||
        !m_right.CreateView(2, 0, RUNTIME_CLASS(CPlayerView), CSize(0, players), pContext) ||
        !CreateChatPane(m_right, 3, 0, RUNTIME_CLASS(CMJGameChatView), CSize(0, 0), pContext)) {
      return FALSE;
    }
    m_historyPane = dynamic_cast<CAdHistoryView*>(m_right.GetPane(1, 0));
    m_playerPane = dynamic_cast<CPlayerView*>(m_right.GetPane(2, 0));
  }
  LoadSplitterBitmaps();
  return TRUE;
}

CWnd* CMainFrame::GetTablePane() {
  if (m_outer.GetSafeHwnd() == nullptr) return nullptr;
  return m_smallLayout ? m_outer.GetPane(0, 0) : m_outer.GetPane(1, 0);
}

CWnd* CMainFrame::GetChatPane() {
  auto* app = dynamic_cast<CMJGameApp*>(GetGameApp());
  if (app == nullptr || app->GetChatPaneFallback() || m_right.GetSafeHwnd() == nullptr) return nullptr;
  return m_right.GetPane(m_smallLayout ? 3 : 2, 0);
}

CWnd* CMainFrame::GetPlayerPane() {
  if (m_right.GetSafeHwnd() == nullptr) return nullptr;
  return m_right.GetPane(m_smallLayout ? 2 : 1, 0);
}

CWnd* CMainFrame::GetAdvertPane() { return m_right.GetSafeHwnd() != nullptr ? m_right.GetPane(1, 0) : nullptr; }

CWnd* CMainFrame::GetOperateView() {
  if (m_smallLayout) return m_right.GetSafeHwnd() != nullptr ? m_right.GetPane(0, 0) : nullptr;
  return m_outer.GetSafeHwnd() != nullptr ? m_outer.GetPane(0, 1) : nullptr;
}

CWnd* CMainFrame::GetAdvertView() {
  if (m_historyPane != nullptr) m_historyPane->Refill(0);
  return nullptr;
}

CWnd* CMainFrame::GetHeadAdView() {
  if (m_smallLayout || m_outer.GetSafeHwnd() == nullptr) return nullptr;
  return m_outer.GetPane(0, 0);
}

void CMainFrame::LoadSplitterBitmaps() {
  HBITMAP vertical = skinppGetBitmapRes("SplitterVerBK");
  HBITMAP horizontal = skinppGetBitmapRes("SplitterHorBK");
  for (CStyledSplitterWnd* splitter : {static_cast<CStyledSplitterWnd*>(&m_outer),
                                       static_cast<CStyledSplitterWnd*>(&m_right)}) {
    splitter->SetBarStyle(2);
    splitter->SetBarBitmaps(vertical, horizontal);
    if (splitter->GetSafeHwnd() != nullptr) splitter->Invalidate();
  }
  if (auto* operate = dynamic_cast<CMJOperateView*>(GetOperateView())) operate->LoadSkin();
  ReloadTableSkin();
  if (m_historyPane != nullptr) m_historyPane->LoadSkinBitmap();
}

LRESULT CMainFrame::OnAdvertRefresh(WPARAM, LPARAM) {
  for (CWnd* pane : {GetChatPane(), GetPlayerPane(), GetTablePane()}) {
    if (pane != nullptr && pane->GetSafeHwnd() != nullptr) pane->SendMessage(WM_PANE_UPDATE, 0, 0);
  }
  CGameApp* app = GetGameApp();
  if (app == nullptr) return 0;
  if (m_historyPane != nullptr) PostAddress(m_historyPane, app->GetWindowAdvertUrl());
  if (!m_smallLayout) PostAddress(GetHeadAdView(), app->GetBannerAdvertUrl());
  return 0;
}

int CMainFrame::OnCloseRequest() {
  auto* app = dynamic_cast<CMJGameApp*>(GetGameApp());
  if (app == nullptr) return CMJGameFrameWnd::OnCloseRequest();
  auto* info = dynamic_cast<CVariantGameInfo*>(app->GetGameInfo());
  int seconds = CLOSE_BOX_SECONDS;
  if (info != nullptr && !info->CanLeaveNow(0)) {
    CString text;
    text.Format("生命不息，战斗不止，请继续游戏。\r\n（该房间至少需要玩%d局才可退出）", info->GetMinHands());
    app->ShowMessageBox(text, "确定", "取消", &seconds, BOX_STYLE_INFO);
    return 0;
  }
  const int chair = app->GetChairNO();
  const int requests = (info != nullptr && chair >= 0 && chair < 4)
                           ? info->Word(TableInfoLayout::LEAVE_REQUESTS + 4 * static_cast<size_t>(chair))
                           : 0;
  const bool offerLeaveDialog = !app->RoomOptionBit1() && requests < 2;
  if (offerLeaveDialog && LeaveDialogRunner()) {
    app->PlaySound(SOUND_LEAVE_REQUEST, 1);
    return LeaveDialogRunner()() == IDOK ? 1 : 0;
  }
  // Without a leave dialog to offer, the player is asked as in a room without leave requests,
  // so that the window can always be closed.
  if (offerLeaveDialog || (!app->RoomFlagBit14() && !app->RoomOptionBit1())) {
    seconds = CLOSE_BOX_SECONDS;
    const int answer = app->ShowMessageBox("游戏还没有结束，现在退出要扣你分，还要扣你银子。确定退出吗？", "确定",
                                           "取消", &seconds, BOX_STYLE_QUESTION);
    return answer == IDCANCEL ? 0 : 1;
  }
  seconds = CLOSE_BOX_SECONDS;
  app->ShowMessageBox("生命不息，战斗不止，请继续游戏。\r\n(如果有玩家长时间不活动，请您等待2分钟后再退出)", "确定",
                      "取消", &seconds, BOX_STYLE_INFO);
  return 0;
}
