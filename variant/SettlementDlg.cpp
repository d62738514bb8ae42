#include "variant/SettlementDlg.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "framework/GameApp.h"
#include "framework/SharedHelpers.h"
#include "platform/base/Gbk.h"
#include "platform/comctl/CommCtrl.h"

BEGIN_MESSAGE_MAP(CSettlementDlg, CDialog)
  ON_WM_TIMER()
  ON_WM_DESTROY()
  ON_NOTIFY(NM_CLICK, IDC_SETTLE_PLAYERS, OnPlayerListClick)
END_MESSAGE_MAP()

namespace {

// The fields of a '|'-separated column text, split on GBK character boundaries; the empty field
// after the closing '|' belongs to no column.
std::vector<std::string> ColumnFields(const std::string& columns) {
  std::vector<std::string> fields = SplitGbkFields(columns, '|', REPORT_MAX_COLUMNS * 3);
  if (!fields.empty() && fields.back().empty()) fields.pop_back();
  return fields;
}

// Replaces the list's columns with the (title, width) pairs of a '|'-separated text, all
// left-aligned.
void SetPairColumns(CReportListCtrl& list, const std::string& columns) {
  list.DeleteAllColumns();
  const std::vector<std::string> fields = ColumnFields(columns);
  std::vector<ReportColumnPair> pairs;
  for (size_t i = 0; i + 2 <= fields.size(); i += 2) pairs.push_back({fields[i].c_str(), fields[i + 1].c_str()});
  list.InsertColumns(static_cast<int>(pairs.size()), pairs.data());
}

// Replaces the list's columns with the (title, width, format) triples of a '|'-separated text.
void SetTripleColumns(CReportListCtrl& list, const std::string& columns) {
  list.DeleteAllColumns();
  const std::vector<std::string> fields = ColumnFields(columns);
  std::vector<LPCTSTR> texts;
  for (const std::string& field : fields) texts.push_back(field.c_str());
  list.InsertColumnsFromStrings(static_cast<int>(texts.size() / 3), texts.data());
}

std::string Scaled(int width) { return std::to_string(ScaleByDpiX(width)); }

}  // namespace

CSettlementDlg::CSettlementDlg(CWnd* parent) : CDialog(IDD_SETTLEMENT, parent), m_parent(parent) {}

CSettlementDlg::~CSettlementDlg() {
  // Whoever watched the window may be gone before its owner.
  m_hooks.openChanged = nullptr;
  if (GetSafeHwnd() != nullptr) {
    StopCountdown();
    DestroyWindow();
  }
  if (m_portraitIcon != nullptr) DestroyIcon(m_portraitIcon);
}

void CSettlementDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_SETTLE_COUNTDOWN, m_countdown);
  DDX_Control(pDX, IDC_SETTLE_PORTRAIT, m_portrait);
  DDX_Control(pDX, IDC_SETTLE_DETAIL, m_detailList);
  DDX_Control(pDX, IDC_SETTLE_PLAYERS, m_playerList);
}

void CSettlementDlg::Show(CWnd* parent, const uint8_t* record, size_t recordLength, const uint8_t* entries,
                          size_t entriesLength) {
  if (m_open != 0) return;
  m_parent = parent;
  // The copies are zero beyond what was received, so a short result shows empty cells.
  m_record.fill(0);
  m_entries.fill(0);
  if (record != nullptr) std::memcpy(m_record.data(), record, std::min(recordLength, m_record.size()));
  if (entries != nullptr) std::memcpy(m_entries.data(), entries, std::min(entriesLength, m_entries.size()));
  m_pParentWnd = parent;
  if (!Create(IDD_SETTLEMENT, parent)) return;
  m_open = 1;
  if (m_hooks.openChanged) m_hooks.openChanged(true);
  CWnd* mainWnd = AfxGetMainWnd();
  CenterWindow(mainWnd != nullptr && mainWnd->IsIconic() ? nullptr : parent);
  ShowWindow(SW_SHOW);
  UpdateWindow();
  Invalidate();
}

BOOL CSettlementDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  CGameApp* app = GetGameApp();
  SetWindowText(app != nullptr ? app->GetGameName() : "");
  CenterWindow(m_parent);
  m_detailList.AddExtendedStyle(LVS_EX_FULLROWSELECT);
  m_playerList.AddExtendedStyle(LVS_EX_FULLROWSELECT);
  if (app != nullptr) {
    if (HIMAGELIST small = app->GetPortraitList(true)) {
      m_playerList.SendMessage(LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(small));
    }
  }
  SetPairColumns(m_playerList, "用户名|" + Scaled(124) + "|杠银|" + Scaled(54) + "|四/接宝|" + Scaled(50) + "|银子|" +
                                   Scaled(80) + "|积分|" + Scaled(50) + "|飞宝|" + Scaled(32) + "|");
  SetTripleColumns(m_detailList, "名目|" + Scaled(105) + "|0|银子|" + Scaled(105) + "|1|");
  FillPlayerList();
  ShowDetail(CSettlementSheet(m_record.data(), m_record.size(), m_entries.data(), m_entries.size()).FirstDetailChair());
  if (m_selfCloseMs > 0) m_selfCloseTimer = SetTimer(SETTLE_SELF_CLOSE_TIMER, m_selfCloseMs, nullptr);
  if (m_hooks.canLeaveNow && m_hooks.canLeaveNow()) return TRUE;
  m_secondsLeft = SETTLE_SECONDS;
  m_countdown.SetWindowText(std::to_string(m_secondsLeft).c_str());
  m_timerId = SetTimer(SETTLE_TIMER, 1000, nullptr);
  return TRUE;
}

void CSettlementDlg::FillPlayerList() {
  CGameApp* app = GetGameApp();
  std::array<std::string, SETTLEMENT_CHAIRS> names;
  for (int chair = 0; chair < SETTLEMENT_CHAIRS; ++chair) {
    if (app != nullptr) names[chair] = static_cast<LPCSTR>(app->GetSeatPlayerName(chair));
  }
  const CSettlementSheet sheet(m_record.data(), m_record.size(), m_entries.data(), m_entries.size());
  const std::vector<SettlementPlayerRow> rows = sheet.PlayerRows(names);
  m_playerList.DeleteAllItems();
  for (int chair = 0; chair < static_cast<int>(rows.size()); ++chair) {
    int image = -1;
    if (app != nullptr) {
      if (PlayerRecord* player = app->FindPlayer(app->GetSeatUserID(chair))) image = app->GetPortraitIndex(player->portraitId);
    }
    const SettlementPlayerRow& row = rows[chair];
    const int item = m_playerList.InsertItem(chair, row.name.c_str(), image);
    if (item < 0) continue;
    m_playerList.SetItemText(item, 1, row.kong.c_str());
    m_playerList.SetItemText(item, 2, row.treasure.c_str());
    m_playerList.SetItemText(item, 3, row.silver.c_str());
    m_playerList.SetItemText(item, 4, row.points.c_str());
    m_playerList.SetItemText(item, 5, row.flying.c_str());
  }
}

void CSettlementDlg::ShowDetail(int chair) {
  if (chair < 0 || chair >= SETTLEMENT_CHAIRS) return;
  m_detailList.DeleteAllItems();
  SetDlgItemText(IDC_SETTLE_NOTE, "");
  CGameApp* app = GetGameApp();
  if (app != nullptr) {
    HICON icon = nullptr;
    if (PlayerRecord* player = app->FindPlayer(app->GetSeatUserID(chair))) {
      const int index = app->GetPortraitIndex(player->portraitId);
      if (HIMAGELIST large = app->GetPortraitList(false); large != nullptr && index >= 0) {
        icon = ImageList_GetIcon(large, index, 0);
      }
    }
    m_portrait.SendMessage(STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    if (m_portraitIcon != nullptr) DestroyIcon(m_portraitIcon);
    m_portraitIcon = icon;
    SetDlgItemText(IDC_SETTLE_NAME, app->GetSeatPlayerName(chair));
  }
  const CSettlementSheet sheet(m_record.data(), m_record.size(), m_entries.data(), m_entries.size());
  int row = 0;
  for (const SettlementDetailRow& detail : sheet.DetailRows(chair)) {
    const int item = m_detailList.InsertItem(row++, detail.name.c_str());
    if (item >= 0) m_detailList.SetItemText(item, 1, detail.amount.c_str());
  }
  SetDlgItemText(IDC_SETTLE_NOTE, "");
}

void CSettlementDlg::OnPlayerListClick(NMHDR* pNMHDR, LRESULT* pResult) {
  const auto* click = reinterpret_cast<const NMITEMACTIVATE*>(pNMHDR);
  if (click != nullptr && click->iItem >= 0) {
    ShowDetail(m_playerList.GetNextItem(-1, LVNI_FOCUSED));
  }
  if (pResult != nullptr) *pResult = 0;
}

void CSettlementDlg::StopCountdown() {
  if (m_timerId != 0) {
    KillTimer(m_timerId);
    m_timerId = 0;
  }
  if (m_selfCloseTimer != 0) {
    KillTimer(m_selfCloseTimer);
    m_selfCloseTimer = 0;
  }
}

void CSettlementDlg::OnTimer(UINT_PTR nIDEvent) {
  if (nIDEvent == SETTLE_SELF_CLOSE_TIMER && m_selfCloseTimer != 0) {
    OnOK();
    return;
  }
  if (nIDEvent == SETTLE_TIMER && m_timerId != 0) {
    --m_secondsLeft;
    m_countdown.SetWindowText(std::to_string(m_secondsLeft).c_str());
    if (m_secondsLeft <= 0) {
      StopCountdown();
      Close(0);
      return;
    }
  }
  CDialog::OnTimer(nIDEvent);
}

void CSettlementDlg::OnOK() {
  StopCountdown();
  Close(0);
}

void CSettlementDlg::OnCancel() { OnOK(); }

BOOL CSettlementDlg::Close(int silent) {
  if (m_open == 0) return FALSE;
  // The timer goes with the window in any case, so that no tick reaches a closed dialog.
  StopCountdown();
  if (silent == 0 && m_hooks.onClosed) m_hooks.onClosed();
  return DestroyWindow();
}

void CSettlementDlg::OnDestroy() {
  if (m_open != 0) {
    m_open = 0;
    CDialog::OnDestroy();
    if (m_hooks.openChanged) m_hooks.openChanged(false);
  }
}
