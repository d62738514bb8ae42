#include "mahjong/MJGameTableView.h"

#include <cstring>
#include <string>

#include "framework/BodyReader.h"
#include "framework/GameApp.h"
#include "framework/GameFrameWnd.h"
#include "framework/SkinSettings.h"
#include "mahjong/MJGameApp.h"
#include "mahjong/MJGameFrameWnd.h"
#include "platform/skin/SkinLibrary.h"

IMPLEMENT_DYNCREATE(CMJGameTableView, CGameTableView)

BEGIN_MESSAGE_MAP(CMJGameTableView, CGameTableView)
  ON_MESSAGE(WM_PANE_UPDATE, OnPaneUpdate)
  ON_WM_TIMER()
  ON_WM_MOUSEMOVE()
  ON_WM_LBUTTONDOWN()
  ON_WM_RBUTTONDOWN()
  ON_WM_RBUTTONUP()
  ON_WM_DESTROY()
  ON_WM_SIZE()
  ON_WM_CTLCOLOR()
  ON_COMMAND(IDC_TABLE_START, OnStart)
  ON_COMMAND(IDC_TABLE_SEE_HAND, OnSeeHand)
  ON_COMMAND(IDC_TABLE_PASS, OnPass)
  ON_COMMAND(IDC_TABLE_HU, OnHu)
  ON_COMMAND(IDC_TABLE_GANG, OnGang)
  ON_COMMAND(IDC_TABLE_PENG, OnPeng)
  ON_COMMAND(IDC_TABLE_CHI, OnChi)
  ON_COMMAND_RANGE(IDC_TABLE_EXTRA_FIRST, IDC_TABLE_EXTRA_LAST, OnExtraButton)
END_MESSAGE_MAP()

namespace {

CMJGameApp* MahjongApp() { return dynamic_cast<CMJGameApp*>(GetGameApp()); }

// The start and see-hand buttons' places: the see-hand button in the bottom left corner, as
// high as a name plate; the start button centred above the own hand.
constexpr int SEE_HAND_WIDTH = 70;
constexpr int START_WIDTH = 80;
constexpr int START_HEIGHT = 30;
constexpr int START_ABOVE_BOTTOM = 160;

// The words of a moved-to-table body that carry each seat's flags; bit 1 says started.
constexpr size_t SEAT_FLAGS_OFFSET = 5 * 4;
constexpr int SEAT_FLAG_STARTED = 2;
constexpr int FLAGGED_SEATS = 4;

// The request sound plays without holding up the table.
constexpr int SEE_HAND_SOUND_FLAGS = 5;

// The static texts on the table: yellow, on the table itself.
constexpr COLORREF STATIC_TEXT_COLOUR = 0x00FFFF;

// A copy of a bitmap that the caller owns (the skin library keeps its own pictures).
HBITMAP CopyBitmap(HWND window, HBITMAP source) {
  BITMAP bm{};
  if (source == nullptr || !GetObjectA(source, sizeof bm, &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0) return nullptr;
  HDC screen = ::GetDC(window);
  HBITMAP copy = CreateCompatibleBitmap(screen, bm.bmWidth, bm.bmHeight);
  HDC to = CreateCompatibleDC(screen);
  HDC from = CreateCompatibleDC(screen);
  ::ReleaseDC(window, screen);
  if (copy != nullptr && to != nullptr && from != nullptr) {
    HGDIOBJ oldTo = SelectObject(to, copy);
    HGDIOBJ oldFrom = SelectObject(from, source);
    BitBlt(to, 0, 0, bm.bmWidth, bm.bmHeight, from, 0, 0, SRCCOPY);
    SelectObject(to, oldTo);
    SelectObject(from, oldFrom);
  }
  if (to != nullptr) DeleteDC(to);
  if (from != nullptr) DeleteDC(from);
  return copy;
}

}  // namespace

CMJGameTableView::CMJGameTableView() : CGameTableView(IDD_GDI_TABLE_VIEW) {}

CMJGameTableView::~CMJGameTableView() = default;

CMJGameTableView* CMJGameTableView::FromMainWindow() {
  auto* frame = dynamic_cast<CGameFrameWnd*>(AfxGetMainWnd());
  return frame != nullptr ? dynamic_cast<CMJGameTableView*>(frame->GetTableView()) : nullptr;
}

void CMJGameTableView::DoDataExchange(CDataExchange* pDX) {
  CGameTableView::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_TABLE_START, m_startButton);
  DDX_Control(pDX, IDC_TABLE_SEE_HAND, m_seeHandButton);
  for (int i = 0; i < CLAIM_BUTTONS; ++i) DDX_Control(pDX, IDC_TABLE_PASS + i, m_claimButtons[i]);
}

CMJTableSceneBase* CMJGameTableView::GetScene() {
  CMJGameApp* app = MahjongApp();
  return app != nullptr ? app->GetTableScene() : nullptr;
}

CImageButton* CMJGameTableView::ClaimButton(UINT id) {
  if (id < IDC_TABLE_PASS || id > IDC_TABLE_CHI) return nullptr;
  return &m_claimButtons[id - IDC_TABLE_PASS];
}

// ---- The table-view operations shared with the engine host views ----

CSeatPainter* CMJGameTableView::GetSeatPainter() {
  CMJGameApp* app = MahjongApp();
  return app != nullptr ? app->GetSeatPainter() : nullptr;
}

void CMJGameTableView::ResetTable() { StopClockTimer(); }

int CMJGameTableView::CallSceneHook48() {
  CMJTableSceneBase* scene = GetScene();
  return scene != nullptr ? scene->SceneHook48() : 0;
}

int CMJGameTableView::ShowSeatName(CSeatPainter* painter, const PlayerRecord& record, bool seated) {
  if (painter != nullptr) {
    const int side = painter->ChairToSide(record.chair);
    if (side >= 0 && side < SIDE_COUNT) {
      std::string name;
      if (seated) name.assign(record.name, strnlen(record.name, sizeof record.name));
      painter->SetSeatName(side, name.c_str());
    }
  }
  auto* frame = dynamic_cast<CMJGameFrameWnd*>(AfxGetMainWnd());
  auto* bet = frame != nullptr ? dynamic_cast<CAdvertBetPaneHooks*>(frame->GetAdvertView()) : nullptr;
  if (bet == nullptr) return 0;
  return seated ? bet->AddPlayer(record) : bet->RemovePlayer(record);
}

void CMJGameTableView::OnPlayerSeated(const PlayerRecord& seat) { ShowSeatName(GetSeatPainter(), seat, true); }

void CMJGameTableView::OnPlayerLeft(const PlayerRecord& record) { ShowSeatName(GetSeatPainter(), record, false); }

// ---- Seats ----

void CMJGameTableView::OnRandomSeated(const BYTE*, size_t) {
  if (CSeatPainter* painter = GetSeatPainter()) painter->RefreshSeats();
}

int CMJGameTableView::ApplySeatRecords(const BYTE* data, size_t length) {
  CSeatPainter* painter = GetSeatPainter();
  if (painter == nullptr) return 0;
  CBodyReader body(data, length);
  if (!body.Has(SEAT_FLAGS_OFFSET + 4 * FLAGGED_SEATS)) return 0;
  painter->ClearSeats();
  painter->SetAllStarted(0);
  for (int side = 0; side < SIDE_COUNT; ++side) {
    if (painter->IsSeatedChair(painter->SideToChair(side))) painter->RepaintSeat(side);
  }
  CGameApp* app = GetGameApp();
  if (app == nullptr) return 1;
  for (int chair = 0; chair < FLAGGED_SEATS; ++chair) {
    const CString name = app->GetSeatPlayerName(chair);
    if (app->GetSeatUserID(chair) == 0 || name.IsEmpty()) continue;
    const int side = painter->ChairToSide(chair);
    if (side < 0) continue;
    if (body.Int(SEAT_FLAGS_OFFSET + 4 * static_cast<size_t>(chair)) & SEAT_FLAG_STARTED) painter->MarkSeatStarted(chair);
    painter->SetSeatName(side, name);
  }
  return 1;
}

// ---- Set-up, skin and the new game ----

void CMJGameTableView::OnInitialUpdate() {
  CGameTableView::OnInitialUpdate();
  m_buttonFont.DeleteObject();
  m_largeFont.DeleteObject();
  m_buttonFont.CreateFont(-16, 0, 0, 0, FW_BOLD, 0, 0, 0, GB2312_CHARSET, 0, 0, 0, 0, "楷体_GB2312");
  m_largeFont.CreateFont(40, 24, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "System");
  const WPARAM font = reinterpret_cast<WPARAM>(m_buttonFont.GetSafeHandle());
  CMJTableSceneBase* scene = GetScene();
  for (int i = 0; i < ARRAY_BUTTONS; ++i) {
    CImageButton& button = m_arrayButtons[i];
    if (button.GetSafeHwnd() == nullptr) continue;
    button.SendMessage(WM_SETFONT, font, TRUE);
    if (scene != nullptr && scene->IsArrayButtonEnabled(i)) SkinChildControl(button.GetSafeHwnd(), 0);
  }
  CButton* named[] = {&m_startButton, &m_seeHandButton, &m_claimButtons[0], &m_claimButtons[1],
                      &m_claimButtons[2], &m_claimButtons[3], &m_claimButtons[4]};
  for (CButton* button : named) {
    if (button->GetSafeHwnd() == nullptr) continue;
    button->SendMessage(WM_SETFONT, font, TRUE);
    SkinChildControl(button->GetSafeHwnd(), 0);
  }
  if (scene != nullptr) {
    scene->BuildVariantEntities();
    scene->ResetTable();
  }
  m_initialised = 1;
}

int CMJGameTableView::ReloadSkin() {
  CGameApp* app = GetGameApp();
  CSkinSettings* skin = app != nullptr ? app->GetSkinSettings() : nullptr;
  SetBackgroundColor(skin != nullptr ? skin->ReadColor("CommColors", "TableColor", TABLE_DEFAULT_COLOUR)
                                     : static_cast<COLORREF>(TABLE_DEFAULT_COLOUR));
  SetSourcePicture(CopyBitmap(m_hWnd, skinppGetBitmapRes("TableCloth")));
  if (m_stretched != nullptr && m_source == nullptr) {
    // A skin without a cloth: the table shows its colour.
    DeleteObject(m_stretched);
    m_stretched = nullptr;
  }
  BuildBackground();
  if (CMJTableSceneBase* scene = GetScene()) scene->OnSkinChanged();
  if (CSeatPainter* painter = GetSeatPainter()) painter->LoadBankerBitmap();
  if (m_hWnd != nullptr) Invalidate(FALSE);
  return 1;
}

void CMJGameTableView::ResetForNewGame() {
  CMJGameApp* app = MahjongApp();
  if (app == nullptr || AfxGetMainWnd() == nullptr || app->IsPlaying()) return;
  if (CGameInfo* info = app->GetGameInfo()) info->SetTableStatus(0);
  m_rebuild = 1;
  CMJTableSceneBase* scene = GetScene();
  if (scene != nullptr) scene->ResetTable();
  if (CSeatPainter* painter = GetSeatPainter()) {
    painter->SetAllBanker(0);
    painter->SetAllStarted(0);
  }
  RefreshPane();
  if (!app->IsLookOn()) {
    ShowPane(&m_startButton, SW_SHOW);
    if (scene != nullptr) scene->ShowBars(0);
  }
}

void CMJGameTableView::RelayoutScene() {
  if (CMJTableSceneBase* scene = GetScene()) scene->LayoutTableControls();
}

LRESULT CMJGameTableView::OnPaneUpdate(WPARAM, LPARAM) {
  CMJGameApp* app = MahjongApp();
  CSeatPainter* painter = GetSeatPainter();
  if (painter != nullptr) painter->RefreshSeats();
  if (app != nullptr) {
    CGameInfo* info = app->GetGameInfo();
    const bool lookOn = app->IsLookOn() != 0;
    const bool tableData = app->HasGameData() != 0;
    if ((tableData || lookOn) && info != nullptr && info->IsHandRunning()) {
      if (CMJTableSceneBase* scene = GetScene()) scene->ResumeHand();
      if (painter != nullptr) painter->Refresh();
    }
    if (!lookOn && !tableData) ShowPane(&m_startButton, SW_SHOW);
    if (lookOn) ShowPane(&m_seeHandButton, SW_SHOW);
  }
  RefreshPane();
  return 0;
}

// ---- Painting ----

void CMJGameTableView::OnDraw(CDC* pDC) {
  CRect client;
  GetClientRect(&client);
  if (client.IsRectEmpty() || pDC == nullptr) return;
  if (m_rebuild || m_memDC.GetSafeHdc() == nullptr) {
    if (m_memDC.GetSafeHdc() != nullptr) m_memDC.DeleteDC();
    m_buffer.DeleteObject();
    m_memDC.CreateCompatibleDC(pDC);
    m_buffer.CreateCompatibleBitmap(pDC, client.Width(), client.Height());
    m_memDC.SelectObject(&m_buffer);
    BuildBackground();
    m_rebuild = 0;
  }
  DrawBackground(&m_memDC, client);
  if (CSeatPainter* painter = GetSeatPainter()) painter->PaintAllSeats(m_memDC.GetSafeHdc());
  if (CMJTableSceneBase* scene = GetScene()) scene->PaintTableGdi(&m_memDC);
  pDC->BitBlt(0, 0, client.Width(), client.Height(), &m_memDC, 0, 0, SRCCOPY);
  skinppSetBackgroundDC(m_hWnd, m_memDC.GetSafeHdc());
}

void CMJGameTableView::RepaintPlate(CSeatPainter& painter, int side) {
  if (m_hWnd == nullptr || side < 0 || side >= SIDE_COUNT) return;
  const RECT plate = painter.GetNamePlateRect(side);
  InvalidateRect(&plate, FALSE);
  CRect client;
  GetClientRect(&client);
  if (client.IsRectEmpty()) return;
  CClientDC window(this);
  CDC mem;
  CBitmap bitmap;
  if (!mem.CreateCompatibleDC(&window) || !bitmap.CreateCompatibleBitmap(&window, client.Width(), client.Height())) {
    return;
  }
  CBitmap* old = mem.SelectObject(&bitmap);
  DrawBackground(&mem, client);
  painter.PaintSeatName(mem.GetSafeHdc(), side);
  window.BitBlt(plate.left, plate.top, plate.right - plate.left, plate.bottom - plate.top, &mem, plate.left, plate.top,
                SRCCOPY);
  mem.SelectObject(old);
}

// ---- Input ----

void CMJGameTableView::OnTimer(UINT_PTR nIDEvent) {
  if (nIDEvent == SEE_HAND_TIMER) {
    // The see-hand button has rested; it may be pressed again.
    KillTimer(SEE_HAND_TIMER);
    if (m_seeHandButton.GetSafeHwnd() != nullptr) m_seeHandButton.EnableWindow(TRUE);
  }
  if (CMJTableSceneBase* scene = GetScene()) scene->OnTimer(nIDEvent);
}

void CMJGameTableView::OnMouseMove(UINT nFlags, CPoint point) {
  if (CMJTableSceneBase* scene = GetScene()) SetCursorKind(scene->OnTableMouseMove(nFlags, point.x, point.y));
}

void CMJGameTableView::OnLButtonDown(UINT nFlags, CPoint point) {
  if (CMJTableSceneBase* scene = GetScene()) scene->OnTableLButtonDown(nFlags, point.x, point.y);
}

void CMJGameTableView::OnRButtonDown(UINT nFlags, CPoint point) {
  CMJTableSceneBase* scene = GetScene();
  if (scene != nullptr && scene->OnTableRButtonDown(nFlags, point.x, point.y) == 2) ::SetCursor(m_hand);
}

void CMJGameTableView::OnRButtonUp(UINT nFlags, CPoint point) {
  CGameApp* app = GetGameApp();
  CMJTableSceneBase* scene = GetScene();
  if (scene == nullptr || (app != nullptr && app->IsLookOn()) || scene->GetPendingClaim() != 0) return;
  SetCursorKind(scene->OnHandMouseUp(nFlags, point.x, point.y));
}

// ---- Buttons ----

void CMJGameTableView::OnStart() {
  if (CMJTableSceneBase* scene = GetScene()) scene->OnStartButton();
}

void CMJGameTableView::OnPeng() {
  if (CMJTableSceneBase* scene = GetScene()) scene->OnPengButton();
}

void CMJGameTableView::OnGang() {
  if (CMJTableSceneBase* scene = GetScene()) scene->OnGangButton();
}

void CMJGameTableView::OnChi() {
  if (CMJTableSceneBase* scene = GetScene()) scene->OnChiButton();
}

void CMJGameTableView::OnHu() {
  if (CMJTableSceneBase* scene = GetScene()) scene->OnHuButton();
}

void CMJGameTableView::OnPass() {
  if (CMJTableSceneBase* scene = GetScene()) scene->OnPassButton();
}

void CMJGameTableView::OnExtraButton(UINT nID) {
  if (CMJTableSceneBase* scene = GetScene()) scene->OnExtraButton(static_cast<int>(nID - IDC_TABLE_EXTRA_FIRST));
}

void CMJGameTableView::OnSeeHand() {
  CMJGameApp* app = MahjongApp();
  if (app == nullptr || !app->IsLookOn()) return;
  // An onlooker who already sees the hand has nothing to ask for.
  CMJTableSceneBase* scene = GetScene();
  if (scene != nullptr && scene->HasHandTiles(SIDE_OWN)) return;
  CGameInfo* info = app->GetGameInfo();
  if (info == nullptr || !info->IsHandRunning()) return;
  app->PlaySound(SOUND_OWN_REQUEST, SEE_HAND_SOUND_FLAGS);
  SetTimer(SEE_HAND_TIMER, SEE_HAND_REST_MS, nullptr);
  m_seeHandButton.EnableWindow(FALSE);
  if (CMJGameConnection* connection = app->GetMJConnection()) connection->RequestSeeHand();
  CString line;
  line.Format(" <c=%d>请求%s给我看牌\r\n", SEE_HAND_LINE_COLOUR,
              static_cast<LPCSTR>(app->GetSeatPlayerDisplayName(app->GetChairNO())));
  app->AddChatText(line);
}

// ---- Window ----

void CMJGameTableView::OnSize(UINT nType, int cx, int cy) {
  m_rebuild = 1;
  CGameTableView::OnSize(nType, cx, cy);
  if (m_startButton.GetSafeHwnd() != nullptr) LayoutButtons(cx, cy);
}

void CMJGameTableView::LayoutButtons(int cx, int cy) {
  CMJGameApp* app = MahjongApp();
  CGameInfo* info = app != nullptr ? app->GetGameInfo() : nullptr;
  const int h = info != nullptr ? info->GetNamePlateThickness() : 24;
  m_seeHandButton.MoveWindow(0, cy - h, SEE_HAND_WIDTH, h);
  m_startButton.MoveWindow(cx / 2 - START_WIDTH / 2, cy - START_ABOVE_BOTTOM, START_WIDTH, START_HEIGHT);
  RelayoutScene();
}

HBRUSH CMJGameTableView::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) {
  HBRUSH brush = CGameTableView::OnCtlColor(pDC, pWnd, nCtlColor);
  if (nCtlColor != CTLCOLOR_STATIC) return brush;
  pDC->SetTextColor(STATIC_TEXT_COLOUR);
  pDC->SetBkMode(TRANSPARENT);
  return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

void CMJGameTableView::OnDestroy() {
  StopClockTimer();
  CallSceneHook48();
  // The skin library forgets the buffer, which goes with the view.
  skinppSetBackgroundDC(m_hWnd, nullptr);
  CGameTableView::OnDestroy();
}
