#include "mahjong/AdvertBetView.h"

#include <cstdio>
#include <memory>

#include "framework/BodyReader.h"
#include "framework/GameApp.h"
#include "framework/GameFrameWnd.h"
#include "framework/SharedHelpers.h"
#include "framework/SkinSettings.h"
#include "mahjong/GameInfo.h"
#include "mahjong/MJGameApp.h"
#include "platform/kernel/Profile.h"
#include "platform/mfc/DC.h"

namespace {

// Even-odd test of a point against a closed polygon.
bool InPolygon(const POINT* p, int n, int x, int y) {
  bool inside = false;
  for (int i = 0, j = n - 1; i < n; j = i++) {
    if ((p[i].y > y) != (p[j].y > y)) {
      const double cx = p[j].x + static_cast<double>(p[i].x - p[j].x) * (y - p[j].y) / (p[i].y - p[j].y);
      if (x < cx) inside = !inside;
    }
  }
  return inside;
}

}  // namespace

int CBetTabGeometry::Left(int tab) const {
  int x = m_height / 2;
  for (int i = 0; i < tab && i < Count(); ++i) x += m_height / 2 + m_widths[i];
  return x;
}

std::array<POINT, 4> CBetTabGeometry::Outline(int tab) const {
  const int x = Left(tab), w = Width(tab), h = m_height;
  return {POINT{x - h / 2, h}, POINT{x, 0}, POINT{x + w, 0}, POINT{x + w + h / 2, h}};
}

int CBetTabGeometry::HitTest(int x, int y, int selected) const {
  const int h = m_height;
  for (int i = 0; i < Count(); ++i) {
    if (i == selected) continue;
    const int left = Left(i), w = Width(i);
    const POINT shape[5] = {{left - h / 2, h}, {left, 0}, {left + w, 0}, {left + w + h / 4, h / 2}, {left + w, h}};
    if (InPolygon(shape, 5, x, y)) return i;
  }
  return Count() > 0 ? selected : -1;
}

IMPLEMENT_DYNCREATE(CAdvertBetView, CGameFormView)

BEGIN_MESSAGE_MAP(CAdvertBetView, CGameFormView)
  ON_WM_SIZE()
  ON_WM_TIMER()
  ON_WM_MOUSEMOVE()
  ON_MESSAGE(WM_PANE_UPDATE, OnPaneUpdate)
  ON_MESSAGE(0x85BA, OnAdvertUrl)
END_MESSAGE_MAP()

CAdvertBetView::CAdvertBetView() : CGameFormView(IDD_ADVERT_BET_FORM) {}

CAdvertBetView::~CAdvertBetView() {
  if (m_html.GetSafeHwnd() != nullptr) m_html.DestroyWindow();
  if (m_list.GetSafeHwnd() != nullptr) m_list.DestroyWindow();
}

bool CAdvertBetView::ScoresHidden() {
  CGameApp* app = GetGameApp();
  return app != nullptr && !app->IsLookOn() && app->RoomOptionBit3() != 0;
}

void CAdvertBetView::OnInitialUpdate() {
  CGameFormView::OnInitialUpdate();
  // The form's own tab control is not used here: the pane paints its tabs.
  if (CWnd* tabs = GetDlgItem(1096)) tabs->ShowWindow(SW_HIDE);
  if (m_html.CreateFromStatic(IDC_ADVERT_BET_PLACEHOLDER, this)) {
    m_html.SetFilterOn(TRUE);
    m_html.SetWhitelistFile(GetAdvertWhitelistPath());
  }
  InitTabs();
  if (!m_list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS, CRect(0, 0, 0, 0), this,
                     IDC_ADVERT_BET_LIST)) {
    return;
  }
  m_list.AddExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  m_list.SetBkColor(LIST_BACK_COLOR);
  m_list.SetTextBkColor(LIST_BACK_COLOR);
  // The return to the advert is on: a hovered score tab goes back after its seconds.
  m_returnEnabled = 1;
  // The pane may have its size already: the contents take their place below the tabs now.
  CRect client;
  GetClientRect(&client);
  const int h = m_tabs.Height();
  if (client.Height() > h) {
    if (m_html.GetSafeHwnd() != nullptr) m_html.MoveWindow(0, h, client.Width(), client.Height() - h);
    m_list.MoveWindow(0, h, client.Width(), client.Height() - h);
  }
  ShowSelectedContent();
}

void CAdvertBetView::InitTabs() {
  LOGFONT font{};
  HFONT paneFont = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
  ::GetObjectA(paneFont != nullptr ? paneFont : GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
  m_normalFont.DeleteObject();
  m_boldFont.DeleteObject();
  m_normalFont.CreateFontIndirect(&font);
  font.lfWeight = FW_BOLD;
  m_boldFont.CreateFontIndirect(&font);
  SetTabHeight(24);
  AddTab("岑澜游");
  if (!ScoresHidden()) {
    AddTab("战绩榜");
    m_selected = 1;
  } else {
    m_selected = 0;
  }
  CGameApp* app = GetGameApp();
  const CString ini = app != nullptr ? app->GetGameIniPath() : CString();
  m_autoReturnSeconds = static_cast<int>(GetPrivateProfileIntA("GAMESET", "AdvertACSencond", 5, ini));
  m_autoReturnCount = static_cast<int>(GetPrivateProfileIntA("GAMESET", "AdvertACMaxCount", 3, ini));
  m_selectedColour = static_cast<COLORREF>(GetPrivateProfileIntA("GAMESET", "TabSelColor", 0, ini));
  m_unselectedColour = static_cast<COLORREF>(GetPrivateProfileIntA("GAMESET", "TabUnSelColor", 0, ini));
  CSkinSettings* skin = app != nullptr ? app->GetSkinSettings() : nullptr;
  if (m_selectedColour == 0) {
    m_selectedColour = skin != nullptr ? skin->ReadColor("CommColors", "WaitBarfg", 0) : 0;
    if (m_selectedColour == 0) m_selectedColour = 7908436;
  }
  if (m_unselectedColour == 0) {
    m_unselectedColour = skin != nullptr ? skin->ReadColor("CommColors", "WaitBarbg", 0) : 0;
    if (m_unselectedColour == 0) m_unselectedColour = 4420609;
  }
}

void CAdvertBetView::SetTabHeight(int h) { m_tabs.SetHeight(h); }

void CAdvertBetView::AddTab(LPCSTR caption) {
  CClientDC dc(this);
  CFont* old = dc.SelectObject(&m_normalFont);
  const CSize extent = dc.GetTextExtent(caption != nullptr ? caption : "");
  dc.SelectObject(old);
  m_tabs.Add(static_cast<int>(extent.cx) + 10);
  m_captions.push_back(caption != nullptr ? caption : "");
}

int CAdvertBetView::HitTestTab(int x, int y) { return m_tabs.HitTest(x, y, m_selected); }

void CAdvertBetView::DrawTabs(CDC* pDC) {
  pDC->SetBkMode(TRANSPARENT);
  auto drawTab = [&](int i, COLORREF fill, CFont& font) {
    const std::array<POINT, 4> outline = m_tabs.Outline(i);
    CBrush brush(fill);
    CBrush* oldBrush = pDC->SelectObject(&brush);
    HGDIOBJ oldPen = ::SelectObject(pDC->GetSafeHdc(), GetStockObject(NULL_PEN));
    ::Polygon(pDC->GetSafeHdc(), outline.data(), 4);
    ::SelectObject(pDC->GetSafeHdc(), oldPen);
    pDC->SelectObject(oldBrush);
    CFont* oldFont = pDC->SelectObject(&font);
    CRect text(m_tabs.Left(i), 0, m_tabs.Left(i) + m_tabs.Width(i), m_tabs.Height());
    pDC->DrawText(m_captions[i].c_str(), -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    pDC->SelectObject(oldFont);
    pDC->MoveTo(outline[0].x, outline[0].y);
    for (int k = 1; k < 4; ++k) pDC->LineTo(outline[k].x, outline[k].y);
  };
  for (int i = 0; i < m_tabs.Count(); ++i) {
    if (i != m_selected) drawTab(i, m_unselectedColour, m_normalFont);
  }
  if (m_selected >= 0 && m_selected < m_tabs.Count()) drawTab(m_selected, m_selectedColour, m_boldFont);
}

void CAdvertBetView::ShowSelectedContent() {
  const bool advert = m_selected == 0 || ScoresHidden();
  if (m_html.GetSafeHwnd() != nullptr) m_html.ShowWindow(advert ? SW_SHOW : SW_HIDE);
  if (m_list.GetSafeHwnd() != nullptr) m_list.ShowWindow(advert ? SW_HIDE : SW_SHOW);
}

void CAdvertBetView::OnDraw(CDC* pDC) {
  CRect client;
  GetClientRect(&client);
  const int h = m_tabs.Height();
  if (client.Width() > 0 && h > 0) {
    CDC memory;
    memory.CreateCompatibleDC(pDC);
    CBitmap bitmap;
    bitmap.CreateCompatibleBitmap(pDC, client.Width(), h);
    CBitmap* old = memory.SelectObject(&bitmap);
    memory.FillSolidRect(0, 0, client.Width(), h, ADVERT_BET_TAB_FILL);
    DrawTabs(&memory);
    pDC->BitBlt(0, 0, client.Width(), h, &memory, 0, 0, SRCCOPY);
    memory.SelectObject(old);
  }
  ShowSelectedContent();
}

void CAdvertBetView::OnSize(UINT nType, int cx, int cy) {
  if (!CGameFormView::OnSize(nType, cx, cy)) return;
  const int h = m_tabs.Height();
  if (m_html.GetSafeHwnd() != nullptr) m_html.MoveWindow(0, h, cx, cy - h);
  if (m_list.GetSafeHwnd() != nullptr) m_list.MoveWindow(0, h, cx, cy - h);
}

void CAdvertBetView::OnMouseMove(UINT nFlags, CPoint point) {
  const int tab = HitTestTab(point.x, point.y);
  if (tab != m_selected && tab >= 0) {
    m_selected = tab;
    if (tab > 0 && m_autoReturnCount > 0) {
      SetTimer(ADVERT_BET_TIMER, static_cast<UINT>(m_autoReturnSeconds) * 1000u, nullptr);
      --m_autoReturnCount;
    }
    Invalidate(FALSE);
  }
  CGameFormView::OnMouseMove(nFlags, point);
}

void CAdvertBetView::OnTimer(UINT_PTR nIDEvent) {
  if (nIDEvent != ADVERT_BET_TIMER) {
    CGameFormView::OnTimer(nIDEvent);
    return;
  }
  if (m_selected != 0 && m_returnEnabled != 0) {
    POINT cursor{};
    ::GetCursorPos(&cursor);
    CRect pane;
    GetWindowRect(&pane);
    if (pane.PtInRect(cursor)) return;  // still over the pane: the score board stays
    m_selected = 0;
    Invalidate(TRUE);
  }
  KillTimer(ADVERT_BET_TIMER);
}

LRESULT CAdvertBetView::OnAdvertUrl(WPARAM wParam, LPARAM) {
  std::unique_ptr<char[]> block(reinterpret_cast<char*>(wParam));
  if (block && m_html.GetSafeHwnd() != nullptr) m_html.Navigate(block.get());
  return 0;
}

LRESULT CAdvertBetView::OnPaneUpdate(WPARAM wParam, LPARAM lParam) {
  OnAdvertUrl(wParam, lParam);
  if (m_list.GetSafeHwnd() == nullptr) return 0;
  m_list.SetColumnSpec("用户名|100|0|总成绩|75|2|");
  m_list.BuildColumns();
  CGameApp* app = GetGameApp();
  m_rowImages.DeleteImageList();
  m_rowImages.Create(1, app != nullptr && app->IsSmallScreen() ? 16 : 24, ILC_COLOR32, 1, 1);
  m_list.SetImageList(&m_rowImages, LVSIL_SMALL);
  m_list.AddExtendedStyle(LVS_EX_FULLROWSELECT);
  m_list.DeleteAllItems();
  if (app != nullptr) {
    for (int i = 0; i < 8; ++i) {
      if (const PlayerRecord* seat = app->Tables().Seat(i)) AddPlayer(*seat);
    }
  }
  ShowSelectedContent();
  SetTimer(ADVERT_BET_TIMER, static_cast<UINT>(m_autoReturnSeconds) * 1000u, nullptr);
  return 0;
}

int CAdvertBetView::RowChair(int row) {
  CGameApp* app = GetGameApp();
  if (app == nullptr) return -1;
  return app->GetPlayerChair(static_cast<int>(m_list.GetItemData(row)));
}

void CAdvertBetView::AddPlayer(const PlayerRecord& player) {
  if (player.userId == 0 || player.name[0] == '\0' || m_list.GetSafeHwnd() == nullptr) return;
  const int existing = m_list.FindItemByData(static_cast<DWORD>(player.userId));
  if (existing >= 0) m_list.DeleteItem(existing);
  int at = m_list.GetItemCount();
  for (int row = 0; row < m_list.GetItemCount(); ++row) {
    const int chair = RowChair(row);
    if (chair >= 0 && chair > player.chair) {
      at = row;
      break;
    }
  }
  const std::string name(player.name, strnlen(player.name, sizeof player.name));
  const int item = m_list.InsertItem(LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM, at, name.c_str(), 0, 0, 0, player.userId);
  if (item >= 0) m_list.SetItemText(item, 1, "0");
}

void CAdvertBetView::RemovePlayer(const PlayerRecord& player) {
  ResetHands();
  const int row = m_list.FindItemByData(static_cast<DWORD>(player.userId));
  if (row >= 0) m_list.DeleteItem(row);
}

void CAdvertBetView::ReloadPlayers() {
  ResetHands();
  m_list.DeleteAllItems();
  if (CGameApp* app = GetGameApp()) {
    for (int i = 0; i < 8; ++i) {
      if (const PlayerRecord* seat = app->Tables().Seat(i)) AddPlayer(*seat);
    }
  }
}

void CAdvertBetView::ResetHands() {
  m_totals.fill(0);
  m_history.clear();
  if (m_list.GetSafeHwnd() == nullptr) return;
  CHeaderCtrl* header = m_list.GetHeaderCtrl();
  while (header != nullptr && header->GetItemCount() > 2) {
    if (!m_list.DeleteColumn(2)) break;
  }
  for (int row = 0; row < m_list.GetItemCount(); ++row) m_list.SetItemText(row, 1, "0");
}

void CAdvertBetView::AddRoundColumn(const BYTE* record, size_t length) {
  auto* app = dynamic_cast<CMJGameApp*>(GetGameApp());
  CGameInfo* info = app != nullptr ? app->GetGameInfo() : nullptr;
  if (info == nullptr || m_list.GetSafeHwnd() == nullptr) return;
  const int hand = info->GetRoundNumber();
  if (hand < 1) return;
  const size_t offset = info->PlaysForSilver() != 0 ? 320 : 288;
  CBodyReader r(record, length);
  if (!r.Has(offset + 16)) return;
  HandScoreEntry entry;
  entry.hand = hand;
  for (int c = 0; c < 4; ++c) {
    entry.amounts[c] = r.Int(offset + 4 * c);
    m_totals[c] += entry.amounts[c];
  }
  m_history.push_back(entry);
  // One more hand column; the hands are then written newest first from column 2 on, so that the
  // newest hand stands next to the totals whatever the list does with the cells of a column
  // inserted between others.
  CHeaderCtrl* header = m_list.GetHeaderCtrl();
  const int columns = header != nullptr ? header->GetItemCount() : 2;
  m_list.InsertColumn(columns, "", LVCFMT_CENTER, m_handColumnWidth, columns);
  const int hands = static_cast<int>(m_history.size());
  for (int k = 0; k < hands; ++k) {
    const HandScoreEntry& shown = m_history[static_cast<size_t>(hands - 1 - k)];
    char caption[32];
    std::snprintf(caption, sizeof caption, "第%d局", shown.hand);
    LVCOLUMN column{};
    column.mask = LVCF_TEXT;
    column.pszText = caption;
    m_list.SetColumn(2 + k, &column);
  }
  // Each row shows its own player's chair: with an empty chair the rows are not the chairs.
  for (int row = 0; row < m_list.GetItemCount(); ++row) {
    const int chair = RowChair(row);
    if (chair < 0 || chair >= 4) continue;
    m_list.SetItemText(row, 1, std::to_string(m_totals[chair]).c_str());
    for (int k = 0; k < hands; ++k) {
      const int32_t amount = m_history[static_cast<size_t>(hands - 1 - k)].amounts[chair];
      m_list.SetItemText(row, 2 + k, std::to_string(amount).c_str());
    }
  }
}
