#include "framework/GamePlayerView.h"

#include <cstring>

#include "controls/OwnerDrawMenu.h"
#include "framework/BodyReader.h"
#include "framework/GameApp.h"
#include "framework/GameChatView.h"
#include "framework/GameConnection.h"
#include "framework/GameFrameWnd.h"
#include "framework/HallRecords.h"
#include "framework/RequestPopup.h"
#include "framework/SharedHelpers.h"
#include "platform/comctl/CommCtrl.h"
#include "platform/kernel/Profile.h"

IMPLEMENT_DYNCREATE(CGamePlayerView, CGameFormView)

BEGIN_MESSAGE_MAP(CGamePlayerView, CGameFormView)
  ON_WM_CREATE()
  ON_WM_SIZE()
  ON_WM_CONTEXTMENU()
  ON_MESSAGE(WM_PANE_UPDATE, OnPaneUpdate)
  ON_COMMAND(ID_PLAYER_NAME, OnNameCommand)
  ON_COMMAND(ID_PLAYER_DETAILS, OnDetailsCommand)
  ON_COMMAND(ID_PLAYER_CALL, OnCallCommand)
END_MESSAGE_MAP()

namespace {

constexpr const char* COL_NAME = "用户名";
constexpr const char* COL_LEVEL = "级别";
constexpr const char* COL_SCORE = "积分";
constexpr const char* COL_SILVER = "银子";
constexpr const char* COL_WATCHED = "旁观对象";

// Sends a text into the chat pane's input, when the frame has a chat pane.
void SetChatInput(const CString& text) {
  auto* frame = dynamic_cast<CGameFrameWnd*>(AfxGetMainWnd());
  CChatPaneHooks* chat = frame != nullptr ? frame->GetChatView() : nullptr;
  HWND pane = chat != nullptr ? chat->GetPaneWindow() : nullptr;
  if (pane != nullptr) ::SendMessageA(pane, WM_CHAT_SET_INPUT, reinterpret_cast<WPARAM>(static_cast<LPCSTR>(text)), 0);
}

bool OwnSeatedInBit3Room(CGameApp* app) { return app->RoomOptionBit3() && !app->IsLookOn(); }

}  // namespace

CGamePlayerView::CGamePlayerView() : CGamePlayerView(IDD_PLAYER_FORM) {}

CGamePlayerView::CGamePlayerView(UINT nIDTemplate) : CGameFormView(nIDTemplate), m_userMap(10) {
  m_userMap.InitHashTable(17);
}

CGamePlayerView::~CGamePlayerView() {
  m_userMap.RemoveAll();
  if (m_list.GetSafeHwnd() != nullptr) m_list.DestroyWindow();
}

int CGamePlayerView::OnCreate(LPCREATESTRUCT lpCreateStruct) {
  if (CGameFormView::OnCreate(lpCreateStruct) == -1) return -1;
  if (!CreateList()) return -1;
  CreateFonts();
  return 0;
}

int CGamePlayerView::CreateList() {
  if (!m_list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL, CRect(0, 0, 0, 0), this, IDC_PLAYER_LIST)) {
    return 0;
  }
  m_list.AddExtendedStyle(LVS_EX_FULLROWSELECT);
  if (CGameApp* app = GetGameApp()) {
    m_list.SetImageList(CImageList::FromHandle(app->GetPortraitList(app->IsSmallScreen() != 0)), LVSIL_SMALL);
  }
  m_list.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_normalFont.GetSafeHandle()), TRUE);
  return 1;
}

void CGamePlayerView::CreateFonts() {
  LOGFONT lf{};
  ::GetObject(::GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
  m_normalFont.CreateFontIndirect(&lf);
  lf.lfWeight = FW_BOLD;
  m_boldFont.CreateFontIndirect(&lf);
}

void CGamePlayerView::OnInitialUpdate() {
  CGameFormView::OnInitialUpdate();
  SetScrollSizes(MM_TEXT, CSize(0, 0));
  CGameApp* app = GetGameApp();
  if (app == nullptr) return;
  const CString file = app->GetUserDataPath();
  m_friendColor = GetPrivateProfileIntA("PLAYER", "FriendColor", 8421440, file);
  m_knownColor = GetPrivateProfileIntA("PLAYER", "KnowColor", 10715996, file);
  m_unwelcomeColor = GetPrivateProfileIntA("PLAYER", "UnwelcomeColor", 3158064, file);
}

void CGamePlayerView::OnSize(UINT nType, int cx, int cy) {
  CGameFormView::OnSize(nType, cx, cy);
  if (m_list.GetSafeHwnd() != nullptr) m_list.MoveWindow(0, 0, cx, cy);
}

void CGamePlayerView::SetupColumns() {
  CGameApp* app = GetGameApp();
  const bool silverFirst = app != nullptr && app->RoomFlagBit2();
  m_list.SetColumnSpec(silverFirst ? "用户名|140|0|银子|80|0|级别|60|0|积分|60|0|旁观对象|100|0|"
                                   : "用户名|140|0|级别|60|0|积分|80|0|银子|60|0|旁观对象|100|0|");
  m_list.BuildColumns();
  m_relationColoring = FALSE;
}

LRESULT CGamePlayerView::OnPaneUpdate(WPARAM, LPARAM) {
  SetupColumns();
  m_list.DeleteAllItems();
  CGameApp* app = GetGameApp();
  if (app == nullptr) return 0;
  for (int chair = 0; chair < 8; ++chair) {
    if (const PlayerRecord* seat = app->Tables().Seat(chair)) AddPlayerRow(*seat);
  }
  for (int slot = 0; slot < 64; ++slot) {
    if (const PlayerRecord* onlooker = app->Tables().Onlooker(slot)) AddPlayerRow(*onlooker);
  }
  return 0;
}

void CGamePlayerView::SetCell(int row, LPCSTR title, LPCSTR text) {
  const int column = m_list.FindColumn(title);
  if (row >= 0 && column >= 0) m_list.SetItemText(row, column, text);
}

void CGamePlayerView::SetNumberCell(int row, LPCSTR title, int value) { SetCell(row, title, IntToString(value)); }

CString CGamePlayerView::CellText(int row, LPCSTR title) const {
  const int column = m_list.FindColumn(title);
  if (row < 0 || column < 0) return CString();
  return m_list.GetItemText(row, column);
}

void CGamePlayerView::AddPlayerRow(const PlayerRecord& r) {
  CGameApp* app = GetGameApp();
  if (app == nullptr || m_list.GetSafeHwnd() == nullptr) return;
  if (OwnSeatedInBit3Room(app) && r.userId != app->GetUserID()) return;
  if (r.userId == 0 || r.name[0] == '\0') return;
  const int existing = m_list.FindItemByData(static_cast<DWORD>(r.userId));
  if (existing >= 0) m_list.DeleteItem(existing);
  const int count = m_list.GetItemCount();
  int position = count;
  if (!r.lookOn) {
    for (int row = 0; row < count; ++row) {
      const int user = static_cast<int>(m_list.GetItemData(row));
      if (app->IsOnlooker(user)) {
        position = row;
        break;
      }
      const int chair = app->GetPlayerChair(user);
      if (chair < 0) continue;
      if (chair > r.chair) {
        position = row;
        break;
      }
    }
  }
  char name[sizeof r.name + 1] = {};
  std::memcpy(name, r.name, sizeof r.name);
  const int image = r.lookOn ? -1 : app->GetPortraitIndex(r.portraitId);
  const int row = m_list.InsertItem(position, name, image);
  if (row < 0) return;
  char title[sizeof r.levelTitle + 1] = {};
  std::memcpy(title, r.levelTitle, sizeof r.levelTitle);
  SetCell(row, COL_LEVEL, title);
  SetNumberCell(row, COL_SCORE, r.score);
  SetNumberCell(row, COL_SILVER, r.silver);
  m_list.SetItemData(row, static_cast<DWORD_PTR>(r.userId));
  if (r.lookOn) SetCell(row, COL_WATCHED, app->GetSeatPlayerName(r.chair));
}

void CGamePlayerView::DeleteRow(const PlayerRecord& record) {
  const int row = m_list.FindItemByData(static_cast<DWORD>(record.userId));
  if (row >= 0) m_list.DeleteItem(row);
}

void CGamePlayerView::RemovePlayerRow(PlayerRecord& record) {
  const int row = m_list.FindItemByData(static_cast<DWORD>(record.userId));
  if (row >= 0) {
    m_list.DeleteItem(row);
    m_userMap.RemoveKey(record.userId);
  }
  record.Clear();
}

BOOL CGamePlayerView::IsInLookMap(int userId) const {
  int value = 0;
  return m_userMap.Lookup(userId, value);
}

void CGamePlayerView::ReloadSeats(const BYTE*, size_t) {
  m_list.DeleteAllItems();
  CGameApp* app = GetGameApp();
  if (app == nullptr) return;
  for (int chair = 0; chair < 8; ++chair) {
    if (const PlayerRecord* seat = app->Tables().Seat(chair)) AddPlayerRow(*seat);
  }
}

void CGamePlayerView::UpdateScoreCells(const BYTE* data, size_t length) {
  CGameApp* app = GetGameApp();
  CBodyReader body(data, length);
  if (app == nullptr || !body.Has(416 + 16 * 8)) return;
  const int count = std::min(body.Int(8), 8);
  auto store = [&](int i, int row) {
    PlayerRecord* seat = app->Tables().Seat(i);
    if (seat == nullptr) return;
    const size_t k = static_cast<size_t>(i);
    seat->levelIndex = body.Int(384 + 4 * k);
    const std::string title = body.Text(416 + 16 * k, 16);
    std::memset(seat->levelTitle, 0, sizeof seat->levelTitle);
    std::memcpy(seat->levelTitle, title.data(), std::min(title.size(), sizeof seat->levelTitle - 1));
    seat->score = body.Int(160 + 4 * k) + body.Int(288 + 4 * k);
    seat->silver = body.Int(192 + 4 * k) + body.Int(320 + 4 * k);
    if (row < 0) return;
    SetCell(row, COL_LEVEL, seat->levelTitle);
    SetNumberCell(row, COL_SCORE, seat->score);
    SetNumberCell(row, COL_SILVER, seat->silver);
  };
  if (!OwnSeatedInBit3Room(app)) {
    for (int i = 0; i < count; ++i) store(i, i < m_list.GetItemCount() ? i : -1);
    return;
  }
  const int ownRow = m_list.FindItemByData(static_cast<DWORD>(app->GetUserID()));
  const int chair = app->GetChairNO();
  if (ownRow < 0 || chair < 0 || chair >= count) return;
  store(chair, ownRow);
}

void CGamePlayerView::UpdateResultCells(const BYTE* data, size_t length) {
  CGameApp* app = GetGameApp();
  CBodyReader body(data, length);
  if (app == nullptr || !body.Has(4)) return;
  const int count = body.Int(0);
  const bool ownOnly = OwnSeatedInBit3Room(app);
  if (ownOnly && m_list.FindItemByData(static_cast<DWORD>(app->GetUserID())) < 0) return;
  for (int i = 0; i < count && body.Has(20 + 52 * static_cast<size_t>(i), 52); ++i) {
    const int userId = body.Int(20 + 52 * static_cast<size_t>(i));
    if (ownOnly && (i != app->GetChairNO() || userId != app->GetUserID())) continue;
    const PlayerRecord* record = app->FindPlayer(userId);
    const int row = m_list.FindItemByData(static_cast<DWORD>(userId));
    if (record == nullptr || row < 0) continue;
    char title[sizeof record->levelTitle + 1] = {};
    std::memcpy(title, record->levelTitle, sizeof record->levelTitle);
    SetCell(row, COL_LEVEL, title);
    SetNumberCell(row, COL_SCORE, record->score);
    SetNumberCell(row, COL_SILVER, record->silver);
  }
}

void CGamePlayerView::OnBaseSilver(const BYTE* data, size_t length) {
  CGameApp* app = GetGameApp();
  CBodyReader body(data, length);
  if (app == nullptr || !body.Has(20)) return;
  const int chair = body.Int(4);
  if (chair < 0 || chair > 7) return;
  app->Tables().Seat(chair)->silver = body.Int(16);
  const int row = m_list.FindItemByData(static_cast<DWORD>(body.Int(0)));
  if (row >= 0) SetNumberCell(row, COL_SILVER, body.Int(16));
}

BOOL CGamePlayerView::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  auto* header = reinterpret_cast<NMHDR*>(lParam);
  if (header == nullptr || header->idFrom != IDC_PLAYER_LIST) return CGameFormView::OnNotify(wParam, lParam, pResult);
  CGameApp* app = GetGameApp();
  if (header->code == NM_CUSTOMDRAW) {
    auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(lParam);
    switch (draw->nmcd.dwDrawStage) {
      case CDDS_PREPAINT: *pResult = CDRF_NOTIFYITEMDRAW; return TRUE;
      case CDDS_ITEMPREPAINT: *pResult = CDRF_NOTIFYSUBITEMDRAW; return TRUE;
      case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
        const int user = static_cast<int>(draw->nmcd.lItemlParam);
        HDC dc = draw->nmcd.hdc;
        if (app != nullptr && user == app->GetUserID()) {
          SelectObject(dc, m_boldFont.GetSafeHandle());
        } else {
          SelectObject(dc, m_normalFont.GetSafeHandle());
          if (m_relationColoring && app != nullptr) {
            if (app->IsFriend(user)) {
              draw->clrTextBk = m_friendColor;
            } else if (app->IsKnown(user)) {
              draw->clrTextBk = m_knownColor;
            } else if (app->IsUnwelcome(user)) {
              draw->clrTextBk = m_unwelcomeColor;
            }
          }
        }
        *pResult = CDRF_NEWFONT;
        return TRUE;
      }
      default: *pResult = CDRF_DODEFAULT; return TRUE;
    }
  }
  if (header->code == NM_CLICK || header->code == NM_DBLCLK) {
    auto* item = reinterpret_cast<NMITEMACTIVATE*>(lParam);
    if (item->iItem >= 0) {
      const int focused = m_list.GetNextItem(-1, LVNI_FOCUSED);
      const int row = focused >= 0 ? focused : item->iItem;
      if (header->code == NM_CLICK) {
        InsertNameIntoChat(row);
      } else {
        m_selectedRow = row;
        m_selectedUser = static_cast<int>(m_list.GetItemData(row));
        ShowPlayerInHall(row);
      }
    }
    *pResult = 0;
    return TRUE;
  }
  return CGameFormView::OnNotify(wParam, lParam, pResult);
}

void CGamePlayerView::InsertNameIntoChat(int row) {
  CString text;
  text.Format("%s,", static_cast<LPCSTR>(CellText(row, COL_NAME)));
  SetChatInput(text);
}

void CGamePlayerView::ShowPlayerInHall(int row) {
  CGameApp* app = GetGameApp();
  if (app == nullptr || row < 0) return;
  CWnd* main = AfxGetMainWnd();
  ::PostMessageA(app->GetHallWindow(), WM_HALL_SHOW_PLAYER, reinterpret_cast<WPARAM>(main != nullptr ? main->GetSafeHwnd() : nullptr),
                 static_cast<LPARAM>(m_list.GetItemData(row)));
}

void CGamePlayerView::OnContextMenu(CWnd*, CPoint point) {
  CRect listRect;
  m_list.GetWindowRect(&listRect);
  if (point.x == -1 && point.y == -1) {
    const int row = m_list.GetNextItem(-1, LVNI_SELECTED);
    if (row < 0) return;
    CPoint at;
    m_list.GetItemPosition(row, &at);
    CRect icon;
    m_list.GetItemRect(row, &icon, LVIR_ICON);
    at.Offset(icon.Width() / 2, icon.Height() / 2);
    ClientToScreen(&at);
    point = at;
    m_selectedRow = row;
  } else if (listRect.PtInRect(point)) {
    LVHITTESTINFO hit{};
    hit.pt = point;
    m_list.ScreenToClient(&hit.pt);
    CRect headerItem;
    CHeaderCtrl* header = m_list.GetHeaderCtrl();
    if (header != nullptr) header->GetItemRect(0, &headerItem);
    const int row = m_list.HitTest(&hit);
    if (hit.pt.y < headerItem.Height() || row < 0) return;
    m_selectedRow = row;
  } else {
    m_list.ClearSelection();
    return;
  }
  m_selectedUser = static_cast<int>(m_list.GetItemData(m_selectedRow));
  ShowContextMenu(m_selectedRow, point);
}

void CGamePlayerView::ShowContextMenu(int row, CPoint point) {
  CGameApp* app = GetGameApp();
  if (app == nullptr) return;
  COwnerDrawMenu menu;
  if (!menu.LoadMenu(IDR_PLAYER_MENU)) return;
  CMenu* popup = menu.GetSubMenu(0);
  if (popup == nullptr) return;
  menu.SetMenuText(ID_PLAYER_NAME, app->GetPlayerDisplayName(m_selectedUser), MF_BYCOMMAND);
  const PlayerRecord* record = app->FindPlayer(m_selectedUser);
  CImageList* smallList = CImageList::FromHandle(app->GetPortraitList(true));
  menu.ModifyItemImage(app->GetPlayerDisplayName(m_selectedUser), ID_PLAYER_NAME, smallList,
                       record != nullptr ? app->GetPortraitIndex(record->portraitId) : -1);
  if (app->RoomFlagBit2()) {
    menu.RemoveMenu(ID_PLAYER_SILVER, MF_BYCOMMAND);
    popup->ModifyMenu(ID_PLAYER_LEVEL, MF_BYCOMMAND | MF_STRING, ID_PLAYER_SILVER, "");
  }
  char text[128];
  std::snprintf(text, sizeof text, "级别：%s", static_cast<LPCSTR>(CellText(row, COL_LEVEL)));
  menu.SetMenuText(ID_PLAYER_LEVEL, text, MF_BYCOMMAND);
  std::snprintf(text, sizeof text, "积分：%s分", static_cast<LPCSTR>(CellText(row, COL_SCORE)));
  menu.SetMenuText(ID_PLAYER_SCORE, text, MF_BYCOMMAND);
  std::snprintf(text, sizeof text, "银子：%s两", static_cast<LPCSTR>(CellText(row, COL_SILVER)));
  menu.SetMenuText(ID_PLAYER_SILVER, text, MF_BYCOMMAND);
  if (m_selectedUser == app->GetUserID() || app->IsLookOn() || app->IsOnlooker(m_selectedUser)) {
    popup->EnableMenuItem(ID_PLAYER_CALL, MF_BYCOMMAND | MF_DISABLED | MF_GRAYED);
  }
  menu.SetDefaultItem(ID_PLAYER_DETAILS);
  AdjustContextMenu(row, &menu, popup);
  popup->TrackPopupMenu(TPM_RIGHTBUTTON, point.x, point.y, this);
  menu.DestroyMenu();
}

void CGamePlayerView::OnNameCommand() {
  CGameApp* app = GetGameApp();
  if (app == nullptr || m_list.FindItemByData(static_cast<DWORD>(m_selectedUser)) < 0) return;
  CString text;
  text.Format("%s,", static_cast<LPCSTR>(app->GetPlayerName(m_selectedUser)));
  SetChatInput(text);
}

void CGamePlayerView::OnDetailsCommand() {
  const int row = m_list.FindItemByData(static_cast<DWORD>(m_selectedUser));
  if (row >= 0) ShowPlayerInHall(row);
}

void CGamePlayerView::OnCallCommand() {
  CGameApp* app = GetGameApp();
  if (app == nullptr || app->RoomOptionBit3()) return;
  const PlayerRecord* called = app->FindPlayer(m_selectedUser);
  CGameConnection* connection = app->GetConnection();
  if (called == nullptr || connection == nullptr) return;
  connection->CallPlayer(m_selectedUser);
  PlayResourceSound(29013);
  int32_t record[10] = {app->GetUserID(), app->GetRoomID(), app->GetTableNO(), app->GetChairNO(), m_selectedUser,
                        app->GetPlayerChair(m_selectedUser), 0, 0, 0, 0};
  auto* frame = dynamic_cast<CGameFrameWnd*>(AfxGetMainWnd());
  if (CChatPaneHooks* chat = frame != nullptr ? frame->GetChatView() : nullptr) {
    chat->OnPlayerCalled(reinterpret_cast<const BYTE*>(record), sizeof record);
  }
}

void CGamePlayerView::ShowRequestPopup(int userId) {
  CWnd* main = AfxGetMainWnd();
  CRect mainRect;
  if (main != nullptr) main->GetWindowRect(&mainRect);
  RECT work{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  PlayResourceSound(29015);
  auto* popup = new CRequestPopup(this);
  popup->m_userId = userId;
  popup->SetEndColor(0x808000);
  popup->SetGradientColor(0x808000);
  popup->SetSize(ScaleByDpiX(160), ScaleByDpiY(80));
  popup->SetLeft(mainRect.right - ScaleByDpiX(160) - ScaleByDpiX(10));
  popup->OffsetBottom(work.bottom - mainRect.bottom + ScaleByDpiY(10));
  popup->SetHoldSeconds(30);
  popup->Show(IDD_REQUEST_POPUP, ::GetForegroundWindow(), main);
}
