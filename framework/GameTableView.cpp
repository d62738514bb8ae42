#include "framework/GameTableView.h"

#include "framework/GameApp.h"
#include "framework/GameConnection.h"
#include "framework/GameFrameWnd.h"
#include "platform/user/MessageBox.h"

#include <cstring>

IMPLEMENT_DYNAMIC(CGameTableView, CGameFormView)

BEGIN_MESSAGE_MAP(CGameTableView, CGameFormView)
  ON_WM_SETCURSOR()
  ON_WM_SIZE()
END_MESSAGE_MAP()

CGameTableView::CGameTableView(UINT nIDTemplate) : CGameFormView(nIDTemplate) {
  m_hand = LoadCursorA(nullptr, IDC_HAND);
  m_arrow = LoadCursorA(nullptr, IDC_ARROW);
  m_sizeAll = LoadCursorA(nullptr, IDC_SIZEALL);
}

CGameTableView::~CGameTableView() {
  DestroyCursor(m_hand);
  DestroyCursor(m_arrow);
  DestroyCursor(m_sizeAll);
  if (m_source != nullptr) DeleteObject(m_source);
  if (m_stretched != nullptr) DeleteObject(m_stretched);
}

void CGameTableView::OnInitialUpdate() {
  CGameFormView::OnInitialUpdate();
  SetScrollSizes(MM_TEXT, CSize(0, 0));
}

void CGameTableView::SetSourcePicture(HBITMAP picture) {
  if (m_source != nullptr && m_source != picture) DeleteObject(m_source);
  m_source = picture;
}

BOOL CGameTableView::OnSetCursor(CWnd*, UINT, UINT) {
  switch (m_cursorKind) {
    case 0: SetCursor(m_arrow); break;
    case 1: SetCursor(m_hand); break;
    case 2: SetCursor(m_sizeAll); break;
    default: break;
  }
  return TRUE;
}

void CGameTableView::OnSize(UINT nType, int cx, int cy) {
  if (!CGameFormView::OnSize(nType, cx, cy)) return;
  InvalidateRect(CRect(0, 0, cx, cy), TRUE);
  BuildBackground();
}

int CGameTableView::BuildBackground() {
  if (m_source == nullptr) return 0;
  if (m_stretched != nullptr) {
    DeleteObject(m_stretched);
    m_stretched = nullptr;
  }
  BITMAP bm{};
  if (!GetObjectA(m_source, sizeof bm, &bm)) return 0;
  CClientDC window(this);
  m_stretched = CreateCompatibleBitmap(window.GetSafeHdc(), m_width, m_height);
  HDC to = CreateCompatibleDC(window.GetSafeHdc());
  HDC from = CreateCompatibleDC(window.GetSafeHdc());
  HGDIOBJ oldTo = SelectObject(to, m_stretched);
  HGDIOBJ oldFrom = SelectObject(from, m_source);
  StretchBlt(to, 0, 0, m_width, m_height, from, 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
  SelectObject(to, oldTo);
  SelectObject(from, oldFrom);
  DeleteDC(to);
  DeleteDC(from);
  return 1;
}

void CGameTableView::DrawBackground(CDC* pDC, const CRect& rect) {
  BITMAP bm{};
  if (m_stretched != nullptr && GetObjectA(m_stretched, sizeof bm, &bm) && bm.bmWidth != 0) {
    HDC mem = CreateCompatibleDC(pDC->GetSafeHdc());
    HGDIOBJ old = SelectObject(mem, m_stretched);
    BitBlt(pDC->GetSafeHdc(), rect.left, rect.top, rect.Width(), rect.Height(), mem, rect.left, rect.top, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
    return;
  }
  pDC->FillSolidRect(&rect, m_backgroundColor);
}

UINT CGameTableView::StartClockTimer() {
  if (m_clockTimer != 0) KillTimer(m_clockTimer);
  m_clockTimer = static_cast<UINT>(SetTimer(TIMER_TABLE_CLOCK, 1000, nullptr));
  return m_clockTimer;
}

void CGameTableView::StopClockTimer() {
  if (m_clockTimer != 0) KillTimer(m_clockTimer);
  m_clockTimer = 0;
}

bool CGameTableView::KickRoom() const {
  CGameApp* app = ::GetGameApp();
  return app != nullptr && app->RoomOptionBit6() && app->RoomOptionBit7();
}

void CGameTableView::InitKickCountdown() {
  if (KickRoom()) m_kickCountdown = KICK_COUNTDOWN_SECONDS;
}

UINT CGameTableView::SetKickTimer() {
  KillKickTimer();
  CWnd* main = AfxGetMainWnd();
  if (!KickRoom() || m_kickCountdown <= 0 || main == nullptr || main->GetSafeHwnd() == nullptr) return 0;
  m_kickTimer = static_cast<UINT>(::SetTimer(main->GetSafeHwnd(), TIMER_NOT_STARTED_KICK,
                                             static_cast<UINT>(m_kickCountdown) * 1000, nullptr));
  return m_kickTimer;
}

void CGameTableView::KillKickTimer() {
  if (m_kickTimer == 0) return;
  CWnd* main = AfxGetMainWnd();
  if (main != nullptr && main->GetSafeHwnd() != nullptr) ::KillTimer(main->GetSafeHwnd(), m_kickTimer);
  m_kickTimer = 0;
}

int CGameTableView::RequestChangeTable() {
  CGameApp* app = ::GetGameApp();
  CGameConnection* connection = app != nullptr ? app->GetConnection() : nullptr;
  if (connection == nullptr || !KickRoom() || app->RoomOptionBit1()) return 0;
  CString text;
  const int ok = connection->ChangeTable(text);
  if (ok) RestartKickTimer();
  return ok;
}

int CGameTableView::RequestReadyRandom() {
  CGameApp* app = ::GetGameApp();
  CGameConnection* connection = app != nullptr ? app->GetConnection() : nullptr;
  if (connection == nullptr || !app->RoomOptionBit1()) return 0;
  CString text;
  return connection->SendReadyRandom(text);
}

int CGameTableView::RequestAllowanceConfig(int argument) {
  CGameApp* app = ::GetGameApp();
  CGameConnection* connection = app != nullptr ? app->GetConnection() : nullptr;
  if (connection == nullptr) return 0;
  const char* waitText = "正在获取低保配置，请稍等......";
  CString text;
  BYTE reply[124] = {};
  app->ShowWait(waitText, TRUE);
  const int ok = connection->GetAllowanceConfig(text, argument, reply);
  app->ShowWait(waitText, FALSE);
  int32_t first = 0;
  std::memcpy(&first, reply, 4);
  app->OnAllowanceResult(ok, text, argument, first);
  return ok;
}

int CGameTableView::RequestAllowance(int a, int b) {
  CGameApp* app = ::GetGameApp();
  CGameConnection* connection = app != nullptr ? app->GetConnection() : nullptr;
  if (connection == nullptr) return 0;
  const char* waitText = "正在领取低保，请稍等......";
  CString text;
  int value = 0;
  app->ShowWait(waitText, TRUE);
  const int ok = connection->ClaimAllowance(text, a, b, &value);
  app->ShowWait(waitText, FALSE);
  app->OnSilverGiftResult(ok, text, a, b, value);
  return ok;
}

int CGameTableView::RequestAllowance2(int a, int b) {
  CGameApp* app = ::GetGameApp();
  CGameConnection* connection = app != nullptr ? app->GetConnection() : nullptr;
  if (connection == nullptr) return 0;
  const char* waitText = "正在领取低保，请稍等......";
  CString text;
  int value = 0;
  app->ShowWait(waitText, TRUE);
  const int ok = connection->ClaimAllowance2(text, a, b, &value);
  app->ShowWait(waitText, FALSE);
  app->OnSilverGiftResult(ok, text, a, b, value);
  return ok;
}

int CGameTableView::RequestSilverReward(int amount) {
  CGameApp* app = ::GetGameApp();
  CGameConnection* connection = app != nullptr ? app->GetConnection() : nullptr;
  if (connection == nullptr) return 0;
  const char* waitText = "正在领取银子奖励，请稍等......";
  CString text;
  app->ShowWait(waitText, TRUE);
  const int ok = connection->ClaimSilverReward(text, amount);
  app->ShowWait(waitText, FALSE);
  Sleep(100);
  if (!ok) ::MessageBoxA(m_hWnd, text, app->GetGameName(), MB_OK | MB_ICONINFORMATION);
  return ok;
}
