#include "mahjong/MJGamePlayerView.h"

#include "framework/GameFrameWnd.h"
#include "mahjong/LookPermission.h"
#include "mahjong/MJGameApp.h"
#include "mahjong/MJGameFrameWnd.h"

IMPLEMENT_DYNCREATE(CMJGamePlayerView, CGamePlayerView)

BEGIN_MESSAGE_MAP(CMJGamePlayerView, CGamePlayerView)
  ON_MESSAGE(WM_POPUP_ANSWER, OnPopupAnswer)
  ON_COMMAND(ID_LOOK_PERMISSION, OnToggleLook)
END_MESSAGE_MAP()

CMJGamePlayerView::CMJGamePlayerView() : CGamePlayerView(IDD_MJ_PLAYER_FORM) {}

CMJGamePlayerView::~CMJGamePlayerView() = default;

void CMJGamePlayerView::OnInitialUpdate() {
  CGamePlayerView::OnInitialUpdate();
  auto* app = dynamic_cast<CMJGameApp*>(GetGameApp());
  if (app == nullptr || m_list.GetSafeHwnd() == nullptr) return;
  m_list.SetBkColor(app->GetListBackColor());
  m_list.SetTextBkColor(app->GetListBackColor());
}

void CMJGamePlayerView::AdjustContextMenu(int row, COwnerDrawMenu* menu, CMenu* popup) {
  ApplyLookMenuItem(*this, menu, popup, row, m_selectedUser);
}

void CMJGamePlayerView::OnToggleLook() {
  auto* app = dynamic_cast<CMJGameApp*>(GetGameApp());
  CGameInfo* info = app != nullptr ? app->GetGameInfo() : nullptr;
  if (info == nullptr || !(info->GetTableStatus() & 1)) return;
  if (m_list.FindItemByData(static_cast<DWORD>(m_selectedUser)) < 0) return;
  SendMessage(WM_POPUP_ANSWER, static_cast<WPARAM>(m_selectedUser), IsInLookMap(m_selectedUser) ? 0 : 1);
}

LRESULT CMJGamePlayerView::OnPopupAnswer(WPARAM wParam, LPARAM lParam) {
  ChangeLookPermission(*this, static_cast<int>(wParam), lParam != 0 ? 1 : 0);
  return 0;
}

void CMJGamePlayerView::UpdateScoreCells(const BYTE* data, size_t length) {
  auto* frame = dynamic_cast<CMJGameFrameWnd*>(AfxGetMainWnd());
  if (auto* bet = frame != nullptr ? dynamic_cast<CAdvertBetPaneHooks*>(frame->GetAdvertView()) : nullptr) {
    bet->AddRoundColumn(data, length);
  }
  auto* app = dynamic_cast<CMJGameApp*>(GetGameApp());
  if (CGameInfo* info = app != nullptr ? app->GetGameInfo() : nullptr) info->SetTableStatus(0);
  ClearLookMap();
  CGamePlayerView::UpdateScoreCells(data, length);
}
