#include "mahjong/MJGameTableView2.h"

#include "framework/GameFrameWnd.h"
#include "mahjong/MJGameApp.h"
#include "mahjong/MJGameFrameWnd.h"
#include "mahjong/MJGameTableView.h"

IMPLEMENT_DYNCREATE(CMJGameTableView2, CView)

BEGIN_MESSAGE_MAP(CMJGameTableView2, CView)
  ON_WM_CREATE()
  ON_WM_SIZE()
  ON_WM_ERASEBKGND()
  ON_WM_DESTROY()
  ON_MESSAGE(WM_PANE_UPDATE, OnPaneUpdate)
END_MESSAGE_MAP()

CMJGameTableView2::CMJGameTableView2() = default;

CMJGameTableView2::~CMJGameTableView2() = default;

int CMJGameTableView2::OnCreate(LPCREATESTRUCT lpCreateStruct) {
  if (CView::OnCreate(lpCreateStruct) == -1) return -1;
  CRect client;
  GetClientRect(&client);
  return m_host.Create(m_hWnd, client) != nullptr ? 0 : -1;
}

void CMJGameTableView2::OnSize(UINT nType, int cx, int cy) {
  CView::OnSize(nType, cx, cy);
  if (m_host.Window() != nullptr && cx > 0 && cy > 0) ::MoveWindow(m_host.Window(), 0, 0, cx, cy, TRUE);
}

void CMJGameTableView2::OnDestroy() {
  m_host.StopClockTimer();
  CallSceneHook48();
  if (m_host.Window() != nullptr) ::DestroyWindow(m_host.Window());
  CView::OnDestroy();
}

CSeatPainter* CMJGameTableView2::GetSeatPainter() {
  auto* app = dynamic_cast<CMJGameApp*>(GetGameApp());
  return app != nullptr ? app->GetSeatPainter() : nullptr;
}

void CMJGameTableView2::ResetTable() { m_host.StopClockTimer(); }

int CMJGameTableView2::ReloadSkin() {
  if (m_host.Window() != nullptr) ::InvalidateRect(m_host.Window(), nullptr, FALSE);
  return 1;
}

int CMJGameTableView2::ShowSeatName(const PlayerRecord& record, bool seated) {
  // The same operation as the GDI table view's.
  return CMJGameTableView::ShowSeatName(GetSeatPainter(), record, seated);
}

void CMJGameTableView2::OnPlayerSeated(const PlayerRecord& seat) { ShowSeatName(seat, true); }

void CMJGameTableView2::OnPlayerLeft(const PlayerRecord& record) { ShowSeatName(record, false); }

LRESULT CMJGameTableView2::OnPaneUpdate(WPARAM, LPARAM) {
  m_host.Start();
  return 0;
}
