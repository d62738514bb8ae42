#include "framework/SafeBoxDialogs.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <sstream>
#include <string>

#include "framework/GameApp.h"
#include "framework/GameConnection.h"
#include "framework/ProtectDialogs.h"
#include "framework/SharedHelpers.h"
#include "platform/skin/SkinLibrary.h"
#include "platform/kernel/Profile.h"

namespace {

constexpr int HISTORY_FIELDS_MAX = 100;

CString ReadItem(CWnd* dialog, int id, int limit) {
  CWnd* item = dialog->GetDlgItem(id);
  if (item == nullptr) return CString();
  std::string buffer(static_cast<size_t>(limit) + 1, '\0');
  item->GetWindowText(buffer.data(), limit + 1);
  return CString(buffer.c_str());
}

// A typed number, with no overflow for long digit runs.
int ParseAmount(LPCSTR text) {
  const long long value = std::strtoll(text != nullptr ? text : "", nullptr, 10);
  return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

CGameConnection* Connection() {
  CGameApp* app = GetGameApp();
  return app != nullptr ? app->GetConnection() : nullptr;
}

void ShowWait(LPCSTR text, BOOL show) {
  if (CGameApp* app = GetGameApp()) app->ShowWait(text, show);
}

void SetItemFont(CWnd* item, CFont& font) {
  item->SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font.GetSafeHandle()), TRUE);
}

void MakeLabelFont(CFont& font, int height) {
  font.CreateFont(height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, 0, 0, 0, FF_SWISS, "System");
}

}  // namespace

// ---------------------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CSafeDialogBase, CDialog)
  ON_WM_ERASEBKGND()
  ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

BOOL CSafeDialogBase::OnEraseBkgnd(CDC* pDC) {
  CRect client;
  GetClientRect(&client);
  pDC->FillSolidRect(&client, GetSysColor(COLOR_BTNFACE));
  if (CWnd* line = GetDlgItem(IDC_SAFE_SEPARATOR)) {
    CRect rc;
    line->GetWindowRect(&rc);
    ScreenToClient(&rc);
    DrawHorizontalLine(pDC->GetSafeHdc(), SkinGetColor(2), rc.left, rc.right, rc.top);
  }
  return TRUE;
}

HBRUSH CSafeDialogBase::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) {
  if (nCtlColor == CTLCOLOR_STATIC) {
    pDC->SetBkMode(TRANSPARENT);
    return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  }
  return CDialog::OnCtlColor(pDC, pWnd, nCtlColor);
}

int CSafeDialogBase::Message(LPCSTR text, UINT type) { return ::MessageBoxA(m_hWnd, text, m_gameName, type); }

void CSafeDialogBase::MoveSeparator(int numerator, int denominator) {
  CRect client;
  GetClientRect(&client);
  if (CWnd* line = GetDlgItem(IDC_SAFE_SEPARATOR)) {
    line->MoveWindow(10, numerator * client.Height() / denominator, client.Width() - 20, 2);
  }
}

// ---------------------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CSafeBoxDlg, CSafeDialogBase)
  ON_BN_CLICKED(IDC_SAFE_TAKE, OnTake)
  ON_BN_CLICKED(IDC_SAFE_SAVE, OnSave)
  ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

CSafeBoxDlg::CSafeBoxDlg(CWnd* pParent) : CSafeDialogBase(IDD_SAFE_BOX, pParent) {}

BOOL CSafeBoxDlg::OnInitDialog() {
  CSafeDialogBase::OnInitDialog();
  skinppSetDialogEraseBkgnd(m_hWnd, TRUE);
  if (m_banner.CreateFromStatic(IDC_SAFE_BANNER, this)) {
    m_banner.SetFilterOn(TRUE);
    m_banner.SetWhitelistFile(GetAdvertWhitelistPath());
    if (CGameApp* app = GetGameApp()) m_banner.Navigate(app->GetBankUrl());
  }
  MakeLabelFont(m_balanceFont, 36);
  if (CWnd* balance = GetDlgItem(IDC_SAFE_BALANCE)) {
    SetItemFont(balance, m_balanceFont);
    CString text;
    text.Format("%d 两", m_balance);
    balance->SetWindowText(text);
  }
  CRect client;
  GetClientRect(&client);
  if (m_banner.GetSafeHwnd() != nullptr) m_banner.MoveWindow(0, 0, client.Width(), 58);
  return TRUE;
}

HBRUSH CSafeBoxDlg::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) {
  HBRUSH brush = CSafeDialogBase::OnCtlColor(pDC, pWnd, nCtlColor);
  if (pWnd != nullptr && pWnd->GetDlgCtrlID() == IDC_SAFE_BALANCE) pDC->SetTextColor(RGB(0, 0, 0));
  return brush;
}

void CSafeBoxDlg::OnTake() {
  CSafeTakeDlg take(this);
  take.SetGameName(m_gameName);
  if (take.DoModal() == IDOK) EndDialog(IDOK);
}

void CSafeBoxDlg::OnSave() {
  CSafeSaveDlg save(this);
  save.SetGameName(m_gameName);
  if (save.DoModal() == IDOK) EndDialog(IDOK);
}

// ---------------------------------------------------------------------------------------------

CSafeTransferDlg::CSafeTransferDlg(UINT nIDTemplate, CWnd* pParent, int amountId, LPCSTR historyKey)
    : CSafeDialogBase(nIDTemplate, pParent), m_amountId(amountId), m_historyKey(historyKey) {}

BOOL CSafeTransferDlg::OnInitDialog() {
  CSafeDialogBase::OnInitDialog();
  skinppSetDialogEraseBkgnd(m_hWnd, TRUE);
  MakeLabelFont(m_labelFont, 16);
  if (CWnd* name = GetDlgItem(IDC_SAFE_GAME_NAME)) {
    SetItemFont(name, m_labelFont);
    name->SetWindowText(m_gameName);
  }
  if (CWnd* amount = GetDlgItem(m_amountId)) SetItemFont(amount, m_labelFont);
  LoadHistory();
  FillHistory();
  MoveSeparator(2, 3);
  return TRUE;
}

void CSafeTransferDlg::LoadHistory() {
  m_history.clear();
  CGameApp* app = GetGameApp();
  if (app == nullptr) return;
  char text[1024] = {};
  GetPrivateProfileStringA("DEPOSIT", m_historyKey, "", text, sizeof text, app->GetGameIniPath());
  if (text[0] == '\0') return;
  std::stringstream in(text);
  std::string field;
  for (int n = 0; n < HISTORY_FIELDS_MAX && std::getline(in, field, '|'); ++n) {
    const int amount = std::atoi(field.c_str());
    if (amount != 0) m_history.push_back(amount);
  }
}

// Adds an amount to the combo box's list, with the amount as item data.
static void AddAmountItem(HWND combo, int amount) {
  if (combo == nullptr) return;
  const CString text = IntToString(amount);
  const LRESULT index = ::SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(static_cast<LPCSTR>(text)));
  if (index < 0) return;
  ::SendMessageA(combo, CB_SETITEMDATA, static_cast<WPARAM>(index), amount);
  ::SendMessageA(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(index), 16);
}

void CSafeTransferDlg::FillHistory() {
  HWND combo = ::GetDlgItem(m_hWnd, m_amountId);
  for (int amount : m_history) AddAmountItem(combo, amount);
}

void CSafeTransferDlg::AddToHistory() {
  const int amount = TypedAmount();
  if (amount == 0) return;
  if (std::find(m_history.begin(), m_history.end(), amount) != m_history.end()) return;
  if (m_history.size() >= SAFE_HISTORY_MAX) m_history.erase(m_history.begin());
  m_history.push_back(amount);
  AddAmountItem(::GetDlgItem(m_hWnd, m_amountId), amount);
  CString stored;
  for (int a : m_history) stored += IntToString(a) + "|";
  if (CGameApp* app = GetGameApp()) WritePrivateProfileStringA("DEPOSIT", m_historyKey, stored, app->GetGameIniPath());
}

int CSafeTransferDlg::TypedAmount() { return ParseAmount(ReadItem(this, m_amountId, 29)); }

CSafeSaveDlg::CSafeSaveDlg(CWnd* pParent) : CSafeTransferDlg(IDD_SAFE_SAVE, pParent, IDC_SAFE_SAVE_AMOUNT, "Save") {}

void CSafeSaveDlg::OnOK() {
  int amount = TypedAmount();
  CWnd* field = GetDlgItem(m_amountId);
  if (amount < 1) {
    Message("请输入银子数额。");
    if (field != nullptr) field->SetFocus();
    return;
  }
  CString confirm;
  confirm.Format("确定要从【%s】划出【%d两】银子到保险箱?", static_cast<LPCSTR>(m_gameName), amount);
  if (Message(confirm, MB_OKCANCEL | MB_ICONQUESTION) != IDOK) return;
  CGameConnection* connection = Connection();
  CString text;
  int result = 0;
  const char* waitText = "正在存银子，请您稍候......";
  ShowWait(waitText, TRUE);
  const int ok = connection != nullptr ? connection->DepositSilver(text, &amount, &result) : 0;
  ShowWait(waitText, FALSE);
  Sleep(100);
  if (ok) {
    Message("银子已经存入保险箱！");
    AddToHistory();
    EndDialog(IDOK);
    return;
  }
  Message(connection != nullptr ? static_cast<LPCSTR>(text) : "与服务器连接断开。");
  if (result == RESULT_AMOUNT_LOWERED && field != nullptr) {
    field->SetWindowText(IntToString(amount));
    field->SetFocus();
  }
}

CSafeTakeDlg::CSafeTakeDlg(CWnd* pParent) : CSafeTransferDlg(IDD_SAFE_TAKE, pParent, IDC_SAFE_TAKE_AMOUNT, "Take") {}

void CSafeTakeDlg::OnOK() {
  const int amount = TypedAmount();
  if (amount < 1) {
    Message("请输入银子数额。");
    if (CWnd* field = GetDlgItem(m_amountId)) field->SetFocus();
    return;
  }
  int answer = 0;
  if (!RunProtectionStep(this, &answer)) return;
  CGameConnection* connection = Connection();
  CString text = "与服务器连接断开。";
  const char* waitText = "正在取银子，请您稍等......";
  ShowWait(waitText, TRUE);
  const int ok = connection != nullptr ? connection->WithdrawSilver(text, amount, answer) : 0;
  ShowWait(waitText, FALSE);
  Sleep(100);
  if (ok) {
    text.Format("银子已经成功划入 %s", static_cast<LPCSTR>(m_gameName));
    AddToHistory();
  }
  Message(text);
  EndDialog(ok ? IDOK : IDCANCEL);
}

// ---------------------------------------------------------------------------------------------

CDepositPresetDlg::CDepositPresetDlg(CWnd* pParent) : CSafeDialogBase(IDD_DEPOSIT_PRESET, pParent) {}

void CDepositPresetDlg::SetAmounts(const int* amounts) {
  if (amounts != nullptr) std::copy(amounts, amounts + 6, m_amounts);
}

BOOL CDepositPresetDlg::OnInitDialog() {
  CSafeDialogBase::OnInitDialog();
  skinppSetDialogEraseBkgnd(m_hWnd, TRUE);
  MakeLabelFont(m_labelFont, 16);
  for (int i = 0; i < 6; ++i) {
    if (CWnd* edit = GetDlgItem(IDC_PRESET_FIRST + i)) {
      SetItemFont(edit, m_labelFont);
      edit->SetWindowText(IntToString(m_amounts[i]));
    }
  }
  MoveSeparator(4, 5);
  return TRUE;
}

void CDepositPresetDlg::OnOK() {
  CGameApp* app = GetGameApp();
  for (int i = 0; i < 6; ++i) {
    const CString text = ReadItem(this, IDC_PRESET_FIRST + i, 29);
    m_amounts[i] = ParseAmount(text);
    CString key;
    key.Format("Fix%d", i);
    if (app != nullptr) WritePrivateProfileStringA("FIXDEPOSIT", key, text, app->GetUserDataPath());
  }
  EndDialog(IDOK);
}
