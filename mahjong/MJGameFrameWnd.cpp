#include "mahjong/MJGameFrameWnd.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "framework/AdvertView.h"
#include "framework/GameApp.h"
#include "mahjong/MJChatView2.h"
#include "mahjong/MJGameApp.h"
#include "mahjong/MJGameChatView.h"
#include "mahjong/MJGamePlayerView.h"
#include "mahjong/MJGameTableView.h"
#include "mahjong/MJGameTableView2.h"
#include "mahjong/MJOperateView.h"
#include "mahjong/MJToolView.h"
#include "net/NetLog.h"
#include "platform/skin/SkinLibrary.h"

IMPLEMENT_DYNCREATE(CMJGameFrameWnd, CGameFrameWnd)

BEGIN_MESSAGE_MAP(CMJGameFrameWnd, CGameFrameWnd)
  ON_WM_CREATE()
  ON_WM_DESTROY()
  ON_WM_CLOSE()
  ON_MESSAGE(WM_PANE_UPDATE, OnPaneUpdate)
  ON_MESSAGE(WM_HALL_DATA7, OnHallPlayerDetails)
END_MESSAGE_MAP()

namespace {

// The splitters' bar style that tiles the skin's bar pictures.
constexpr int BAR_STYLE_TILED = 2;

CMJGameApp* MahjongApp() { return dynamic_cast<CMJGameApp*>(GetGameApp()); }

}  // namespace

CMJGameFrameWnd::CMJGameFrameWnd() = default;

CMJGameFrameWnd::~CMJGameFrameWnd() = default;

CGameInfo::PaneFacts CMJGameFrameWnd::CurrentPaneFacts() {
  CGameInfo::PaneFacts facts;
  facts.screenWidth = GetSystemMetrics(SM_CXSCREEN);
  facts.screenHeight = GetSystemMetrics(SM_CYSCREEN);
  CGameApp* app = GetGameApp();
  facts.hasApplication = app != nullptr;
  if (app != nullptr) {
    facts.smallScreen = app->IsSmallScreen() != 0;
    facts.seatedPlayer = app->IsLookOn() == 0;
    facts.roomOptionBit3 = app->RoomOptionBit3() != 0;
  }
  return facts;
}

int CMJGameFrameWnd::OnCreate(LPCREATESTRUCT lpCreateStruct) {
  if (CGameFrameWnd::OnCreate(lpCreateStruct) == -1) return -1;
  return CreateDialogBar() ? 0 : -1;
}

BOOL CMJGameFrameWnd::CreateDialogBar() {
  if (!m_dialogBar.Create(this, IDD_FRAME_DIALOG_BAR, FRAME_DIALOG_BAR_STYLE, IDD_FRAME_DIALOG_BAR)) {
    LogPrintf("the frame's dialog bar could not be made");
    return FALSE;
  }
  return TRUE;
}

void CMJGameFrameWnd::OnDestroy() {
  // Addresses posted to panes that never took them are freed here: the panes go with the frame,
  // and their queued messages with them.
  for (HWND pane : m_addressTargets) {
    MSG msg;
    while (PeekMessageA(&msg, pane, WM_PANE_UPDATE, WM_PANE_UPDATE, PM_REMOVE)) {
      delete[] reinterpret_cast<char*>(msg.wParam);
    }
  }
  m_addressTargets.clear();
  CGameFrameWnd::OnDestroy();
}

void CMJGameFrameWnd::OnClose() { CGameFrameWnd::OnClose(); }

BOOL CMJGameFrameWnd::CreateChatPane(CSplitterWnd& splitter, int row, int col, CRuntimeClass* chatClass, SIZE size,
                                     CCreateContext* context) {
  if (splitter.CreateView(row, col, chatClass, size, context)) return TRUE;
  LogPrintf("the chat pane could not be made; an empty pane takes its place");
  if (CMJGameApp* app = MahjongApp()) app->SetChatPaneFallback(1);
  return splitter.CreateView(row, col, RUNTIME_CLASS(CMJChatView2), size, context);
}

// The mahjong layout: the table on the left, and on its right the operate bar, the advert pane,
// the player list, the bank bar when the bank may be used, and the chat.
BOOL CMJGameFrameWnd::OnCreateClient(LPCREATESTRUCT, CCreateContext* pContext) {
  CMJGameApp* app = MahjongApp();
  CGameInfo* info = GetGameInfo();
  if (app == nullptr || info == nullptr) return FALSE;
  const CGameInfo::PaneFacts facts = CurrentPaneFacts();
  const int width = info->GetTablePaneWidth(facts);
  if (!m_outer.CreateStatic(this, 1, 2, WS_CHILD | WS_VISIBLE, AFX_IDW_PANE_FIRST)) return FALSE;
  // A scene that draws itself with GDI gets the GDI table view, any other the engine's.
  CRuntimeClass* table =
      app->GetViewMode() == VIEW_MODE_GDI ? RUNTIME_CLASS(CMJGameTableView) : RUNTIME_CLASS(CMJGameTableView2);
  if (!m_outer.CreateView(0, 0, table, CSize(width, 0), pContext)) return FALSE;
  const bool bank = app->MayUseBank() != 0;
  if (!m_right.CreateStatic(&m_outer, bank ? 5 : 4, 1, WS_CHILD | WS_VISIBLE, m_outer.IdFromRowCol(0, 1))) {
    return FALSE;
  }
  if (!m_right.CreateView(0, 0, RUNTIME_CLASS(CMJOperateView), CSize(0, info->GetOperatePaneHeight(facts)),
                          pContext) ||
      !m_right.CreateView(1, 0, RUNTIME_CLASS(CAdvertView), CSize(0, info->GetAdvertPaneHeight(facts)), pContext) ||
      !m_right.CreateView(2, 0, RUNTIME_CLASS(CMJGamePlayerView), CSize(0, GetMinPaneHeight()), pContext)) {
    return FALSE;
  }
  if (bank && !m_right.CreateView(3, 0, RUNTIME_CLASS(CMJToolView), CSize(0, 20), pContext)) return FALSE;
  if (!CreateChatPane(m_right, bank ? 4 : 3, 0, RUNTIME_CLASS(CMJGameChatView), CSize(0, 0), pContext)) {
    return FALSE;
  }
  LoadSplitterBitmaps();
  return TRUE;
}

CWnd* CMJGameFrameWnd::GetDialogBar() { return m_dialogBar.GetSafeHwnd() != nullptr ? &m_dialogBar : nullptr; }

CWnd* CMJGameFrameWnd::GetTablePane() { return m_outer.GetSafeHwnd() != nullptr ? m_outer.GetPane(0, 0) : nullptr; }

CWnd* CMJGameFrameWnd::GetChatPane() {
  CMJGameApp* app = MahjongApp();
  if (app == nullptr || app->GetChatPaneFallback() || m_right.GetSafeHwnd() == nullptr) return nullptr;
  return m_right.GetPane(app->MayUseBank() ? 4 : 3, 0);
}

CWnd* CMJGameFrameWnd::GetPlayerPane() { return m_right.GetSafeHwnd() != nullptr ? m_right.GetPane(2, 0) : nullptr; }

CWnd* CMJGameFrameWnd::GetToolPane() {
  CGameApp* app = GetGameApp();
  if (app == nullptr || !app->MayUseBank() || m_right.GetSafeHwnd() == nullptr) return nullptr;
  return m_right.GetPane(3, 0);
}

CTablePaneHooks* CMJGameFrameWnd::GetTableView() { return dynamic_cast<CTablePaneHooks*>(GetTablePane()); }
CChatPaneHooks* CMJGameFrameWnd::GetChatView() { return dynamic_cast<CChatPaneHooks*>(GetChatPane()); }
CPlayerPaneHooks* CMJGameFrameWnd::GetPlayerView() { return dynamic_cast<CPlayerPaneHooks*>(GetPlayerPane()); }
CToolPaneHooks* CMJGameFrameWnd::GetToolView() { return dynamic_cast<CToolPaneHooks*>(GetToolPane()); }

CGameInfo* CMJGameFrameWnd::GetGameInfo() {
  CMJGameApp* app = MahjongApp();
  return app != nullptr ? app->GetGameInfo() : nullptr;
}

CWnd* CMJGameFrameWnd::GetAdvertPane() { return m_right.GetSafeHwnd() != nullptr ? m_right.GetPane(1, 0) : nullptr; }

CWnd* CMJGameFrameWnd::GetAdvertView() { return GetAdvertPane(); }

CWnd* CMJGameFrameWnd::GetOperateView() { return m_right.GetSafeHwnd() != nullptr ? m_right.GetPane(0, 0) : nullptr; }

int CMJGameFrameWnd::GetMinPaneHeight() {
  CGameInfo* info = GetGameInfo();
  if (info == nullptr) return CGameFrameWnd::GetMinPaneHeight();
  return info->GetPlayerPaneHeight(CurrentPaneFacts());
}

void CMJGameFrameWnd::ReloadTableSkin() {
  if (auto* gdi = dynamic_cast<CMJGameTableView*>(GetTablePane())) {
    gdi->ReloadSkin();
  } else if (auto* table = dynamic_cast<CMJGameTableView2*>(GetTablePane())) {
    table->ReloadSkin();
  }
}

void CMJGameFrameWnd::LoadSplitterBitmaps() {
  HBITMAP vertical = skinppGetBitmapRes("SplitterVerBK");
  HBITMAP horizontal = skinppGetBitmapRes("SplitterHorBK");
  for (CStyledSplitterWnd* splitter : {static_cast<CStyledSplitterWnd*>(&m_outer),
                                       static_cast<CStyledSplitterWnd*>(&m_right)}) {
    splitter->SetBarStyle(BAR_STYLE_TILED);
    splitter->SetBarBitmaps(vertical, horizontal);
    if (splitter->GetSafeHwnd() != nullptr) splitter->Invalidate();
  }
  if (auto* operate = dynamic_cast<CMJOperateView*>(GetOperateView())) operate->LoadSkin();
  if (auto* tool = dynamic_cast<CMJToolView*>(GetToolPane())) tool->LoadHeaderImage();
  ReloadTableSkin();
}

void CMJGameFrameWnd::PostAddress(CWnd* pane, const CString& address) {
  if (pane == nullptr || pane->GetSafeHwnd() == nullptr) return;
  const size_t length = static_cast<size_t>(address.GetLength());
  auto copy = std::make_unique<char[]>(length + 2);
  std::memcpy(copy.get(), static_cast<LPCSTR>(address), length);
  copy[length] = copy[length + 1] = '\0';
  if (!pane->PostMessage(WM_PANE_UPDATE, reinterpret_cast<WPARAM>(copy.get()), 0)) return;
  copy.release();
  const HWND target = pane->GetSafeHwnd();
  if (std::find(m_addressTargets.begin(), m_addressTargets.end(), target) == m_addressTargets.end()) {
    m_addressTargets.push_back(target);
  }
}

LRESULT CMJGameFrameWnd::OnPaneUpdate(WPARAM, LPARAM) {
  for (CWnd* pane : {GetChatPane(), GetPlayerPane(), GetTablePane(), GetToolPane()}) {
    if (pane != nullptr && pane->GetSafeHwnd() != nullptr) pane->SendMessage(WM_PANE_UPDATE, 0, 0);
  }
  if (CGameApp* app = GetGameApp()) PostAddress(GetAdvertView(), app->GetWindowAdvertUrl());
  return 0;
}

LRESULT CMJGameFrameWnd::OnHallPlayerDetails(WPARAM wParam, LPARAM lParam) {
  if (CMJGameApp* app = MahjongApp()) {
    app->ShowPlayerCard(reinterpret_cast<const BYTE*>(wParam), static_cast<size_t>(lParam));
  }
  return 0;
}
