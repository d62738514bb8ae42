#include "variant/AdHistoryView.h"

#include <cstring>
#include <memory>
#include <string>

#include "framework/AdvertView.h"
#include "framework/GameApp.h"
#include "framework/GameFrameWnd.h"
#include "framework/SharedHelpers.h"
#include "platform/skin/SkinLibrary.h"

IMPLEMENT_DYNCREATE(CAdHistoryView, CGameFormView)

BEGIN_MESSAGE_MAP(CAdHistoryView, CGameFormView)
  ON_MESSAGE(WM_PANE_UPDATE, OnPaneUpdate)
  ON_MESSAGE(WM_ADVERT_URL, OnAdvertUrl)
  ON_WM_TIMER()
  ON_WM_SIZE()
  ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

namespace {
constexpr const char* COLUMNS = "用户名|100|上一局|60|总银子|60";
constexpr int ROW_HEIGHT = 22;
}  // namespace

CAdHistoryView::CAdHistoryView() : CGameFormView(IDD_RECORD_BOARD_FORM) {}

CAdHistoryView::~CAdHistoryView() {
  if (m_list.GetSafeHwnd() != nullptr) m_list.DestroyWindow();
  if (m_web.GetSafeHwnd() != nullptr) m_web.DestroyWindow();
}

void CAdHistoryView::DoDataExchange(CDataExchange* pDX) {
  CGameFormView::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_RECORD_BOARD_TABS, m_tabs);
}

void CAdHistoryView::OnInitialUpdate() {
  CGameFormView::OnInitialUpdate();
  if (m_web.CreateFromStatic(IDC_RECORD_BOARD_WEB, this)) {
    m_web.SetFilterOn(TRUE);
    m_web.SetWhitelistFile(GetAdvertWhitelistPath());
  }
  if (m_tabs.GetSafeHwnd() != nullptr) {
    m_tabs.InsertItem(0, "岑澜游", 4);
    m_tabs.InsertItem(1, "战绩榜", 5);
    m_tabs.SetCurSel(0);
    m_tabs.ModifyStyle(0, 0x400 | 0x4);
  }
  m_currentTab = 0;
  LOGFONT lf{};
  ::GetObject(::GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
  lf.lfHeight = -14;
  lf.lfWeight = FW_NORMAL;
  m_listFont.CreateFontIndirect(&lf);
  CRect client;
  GetClientRect(&client);
  CRect strip;
  if (m_tabs.GetSafeHwnd() != nullptr) m_tabs.GetWindowRect(&strip);
  const int top = strip.Height();
  const CRect listRect(0, top, client.Width(), std::max<int>(top, client.Height()));
  if (m_list.Create(WS_CHILD | LVS_REPORT | LVS_NOSORTHEADER | WS_HSCROLL | WS_VSCROLL | WS_TABSTOP, listRect, this,
                    IDC_RECORD_BOARD_LIST)) {
    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    m_rowHeight.Create(1, ROW_HEIGHT, ILC_COLOR32 | ILC_MASK, 1, 1);
    m_list.SetImageList(&m_rowHeight, LVSIL_SMALL);
    // The column text holds name and width pairs.
    std::string columns(COLUMNS);
    std::vector<std::string> fields;
    for (size_t start = 0;;) {
      const size_t bar = columns.find('|', start);
      fields.push_back(columns.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
      if (bar == std::string::npos) break;
      start = bar + 1;
    }
    for (size_t i = 0; i + 1 < fields.size(); i += 2) {
      m_list.InsertColumn(static_cast<int>(i / 2), fields[i].c_str(), LVCFMT_LEFT, std::atoi(fields[i + 1].c_str()));
    }
    m_list.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_listFont.GetSafeHandle()), TRUE);
    m_list.SetTextBkColor(RECORD_BOARD_BACK_COLOUR);
    m_list.SetBkColor(RECORD_BOARD_BACK_COLOUR);
  }
  ShowTab(0);
  if (client.Width() > 0 && client.Height() > 0) OnSize(SIZE_RESTORED, client.Width(), client.Height());
}

void CAdHistoryView::LoadSkinBitmap() { m_skinBitmap = skinppGetBitmapRes("OperateBK"); }

void CAdHistoryView::ShowTab(int index) {
  m_currentTab = index;
  if (m_web.GetSafeHwnd() != nullptr) m_web.ShowWindow(index == 0 ? SW_SHOW : SW_HIDE);
  if (m_list.GetSafeHwnd() != nullptr) m_list.ShowWindow(index == 0 ? SW_HIDE : SW_SHOW);
  if (m_tabs.GetSafeHwnd() != nullptr) m_tabs.SetCurSel(index);
  if (GetSafeHwnd() != nullptr) Invalidate();
}

BOOL CAdHistoryView::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  auto* header = reinterpret_cast<NMHDR*>(lParam);
  if (header != nullptr && header->idFrom == IDC_RECORD_BOARD_TABS && static_cast<int>(header->code) == TABN_SELECTION_CHANGED) {
    const auto* record = reinterpret_cast<const TabNotifyRecord*>(lParam);
    ShowTab(record->index);
    if (pResult != nullptr) *pResult = 0;
    if (m_currentTab != 0) SetTimer(TIMER_RECORD_BOARD_RETURN, RECORD_BOARD_SHOW_MS, nullptr);
    return TRUE;
  }
  return CGameFormView::OnNotify(wParam, lParam, pResult);
}

void CAdHistoryView::OnTimer(UINT_PTR nIDEvent) {
  if (nIDEvent == TIMER_RECORD_BOARD_RETURN) {
    KillTimer(TIMER_RECORD_BOARD_RETURN);
    if (m_currentTab != 0) ShowTab(0);
    return;
  }
  CGameFormView::OnTimer(nIDEvent);
}

void CAdHistoryView::OnSize(UINT nType, int cx, int cy) {
  CGameFormView::OnSize(nType, cx, cy);
  if (m_tabs.GetSafeHwnd() == nullptr || m_list.GetSafeHwnd() == nullptr) return;
  CRect strip;
  m_tabs.GetWindowRect(&strip);
  const int h = strip.Height();
  m_tabs.MoveWindow(0, 0, cx, h);
  if (m_web.GetSafeHwnd() != nullptr) m_web.MoveWindow(0, h, cx, cy - h);
  m_list.MoveWindow(0, h, cx, cy - h);
  // Rows as high as four of them fill the list under its header.
  int rowHeight = (cy - h - 30) / 4;
  if (cy < 240) ++rowHeight;
  if (rowHeight < 1) rowHeight = 1;
  m_rowHeight.DeleteImageList();
  m_rowHeight.Create(1, rowHeight, ILC_COLOR32 | ILC_MASK, 1, 1);
  m_list.SetImageList(&m_rowHeight, LVSIL_SMALL);
  m_list.SetColumnWidth(0, cx / 3 + 20);
  m_list.SetColumnWidth(1, cx / 3 - 10);
  m_list.SetColumnWidth(2, cx / 3 - 10);
  m_list.UpdateWindow();
  Invalidate();
}

void CAdHistoryView::Navigate(WPARAM heapAddress) {
  std::unique_ptr<char[]> block(reinterpret_cast<char*>(heapAddress));
  if (!block) return;
  const CString url(block.get());
  block.reset();
  if (m_web.GetSafeHwnd() != nullptr) m_web.Navigate(url);
}

LRESULT CAdHistoryView::OnPaneUpdate(WPARAM wParam, LPARAM) {
  Navigate(wParam);
  Refill(0);
  return 0;
}

LRESULT CAdHistoryView::OnAdvertUrl(WPARAM wParam, LPARAM) {
  Navigate(wParam);
  return 0;
}

void CAdHistoryView::ShowRows() {
  if (m_list.GetSafeHwnd() == nullptr) return;
  m_list.DeleteAllItems();
  for (const CRecordBoardTally::Row& row : m_tally.Rows()) {
    const int item = m_list.InsertItem(m_list.GetItemCount(), row.name.c_str());
    if (item < 0) continue;
    m_list.SetItemText(item, 1, row.last.c_str());
    m_list.SetItemText(item, 2, row.total.c_str());
    m_list.SetItemData(item, static_cast<DWORD_PTR>(row.chair));
  }
}

void CAdHistoryView::Refill(int clearTotals) {
  std::array<std::string, RECORD_BOARD_CHAIRS> names;
  if (CGameApp* app = GetGameApp()) {
    for (int chair = 0; chair < RECORD_BOARD_CHAIRS; ++chair) {
      names[static_cast<size_t>(chair)] = static_cast<LPCSTR>(app->GetSeatPlayerName(chair));
    }
  }
  m_tally.Refill(names, clearTotals);
  ShowRows();
}

void CAdHistoryView::AddRound(int chair, int silver) {
  if (chair < 0 || chair >= RECORD_BOARD_CHAIRS) return;
  m_tally.AddRound(chair, silver);
  ShowRows();
}

void CAdHistoryView::Seed(const std::array<int32_t, RECORD_BOARD_CHAIRS>& last,
                          const std::array<int32_t, RECORD_BOARD_CHAIRS>& total) {
  m_tally.Seed(last, total);
  ShowRows();
}

CString CAdHistoryView::GetRowName(int row) const {
  if (m_list.GetSafeHwnd() == nullptr || row < 0 || row >= m_list.GetItemCount()) return CString();
  return m_list.GetItemText(row, 0);
}

int CAdHistoryView::AddPlayerRow(const PlayerRecord& record) {
  if (record.userId == 0) return 1;
  if (record.name[0] == '\0' || m_list.GetSafeHwnd() == nullptr) return 0;
  const int existing = m_list.FindItemByData(static_cast<DWORD>(record.userId));
  if (existing >= 0) m_list.DeleteItem(existing);
  const std::string name(record.name, strnlen(record.name, sizeof record.name));
  const int item = m_list.InsertItem(m_list.GetItemCount(), name.c_str());
  if (item < 0) return 0;
  m_list.SetItemText(item, 1, "0");
  m_list.SetItemText(item, 2, "0");
  m_list.SetItemData(item, static_cast<DWORD_PTR>(record.userId));
  return 1;
}

void CAdHistoryView::RemovePlayerRow(const PlayerRecord& record) {
  if (m_list.GetSafeHwnd() == nullptr) return;
  const int row = m_list.FindItemByData(static_cast<DWORD>(record.userId));
  if (row >= 0) m_list.DeleteItem(row);
}

void CAdHistoryView::ReloadSeats() {
  if (m_list.GetSafeHwnd() == nullptr) return;
  m_list.DeleteAllItems();
  CGameApp* app = GetGameApp();
  if (app == nullptr) return;
  for (int chair = 0; chair < 8; ++chair) {
    if (const PlayerRecord* seat = app->Tables().Seat(chair)) AddPlayerRow(*seat);
  }
}
