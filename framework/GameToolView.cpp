#include "framework/GameToolView.h"

#include <cstdlib>

#include "controls/OwnerDrawMenu.h"
#include "framework/GameApp.h"
#include "framework/GameConnection.h"
#include "framework/GameFrameWnd.h"
#include "framework/ProtectDialogs.h"
#include "framework/SafeBoxDialogs.h"
#include "platform/kernel/Profile.h"

IMPLEMENT_DYNCREATE(CGameToolView, CGameFormView)

BEGIN_MESSAGE_MAP(CGameToolView, CGameFormView)
  ON_COMMAND(IDC_TOOL_SAFE, OnSafe)
  ON_COMMAND(IDC_TOOL_PRESET, OnPresetButton)
  ON_COMMAND_RANGE(ID_PRESET_FIRST, ID_PRESET_EDIT, OnPreset)
  ON_WM_ERASEBKGND()
  ON_WM_SIZE()
  ON_MESSAGE(WM_PANE_UPDATE, OnPaneUpdate)
END_MESSAGE_MAP()

namespace {
const int DEFAULT_PRESETS[6] = {100, 200, 500, 1000, 10000, 30000};
}  // namespace

CGameToolView::CGameToolView() : CGameFormView(IDD_TOOL_FORM) {}

CGameToolView::CGameToolView(UINT nIDTemplate) : CGameFormView(nIDTemplate) {}

CGameToolView::~CGameToolView() {
  if (m_font.GetSafeHandle() != nullptr) m_font.DeleteObject();
}

void CGameToolView::OnInitialUpdate() {
  CGameFormView::OnInitialUpdate();
  CreateFont();
  CreateButtons();
  const int icons[2] = {165, 166};
  CImageButton* buttons[2] = {&m_safeButton, &m_presetButton};
  for (int i = 0; i < 2; ++i) {
    if (buttons[i]->GetSafeHwnd() == nullptr) continue;
    buttons[i]->SetIcon(icons[i], 0);
    buttons[i]->SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_font.GetSafeHandle()), TRUE);
    buttons[i]->ResetBackground(TRUE);
  }
  CRect rc;
  GetClientRect(&rc);
  OnSize(0, rc.Width(), rc.Height());
}

void CGameToolView::CreateFont() {
  LOGFONT lf{};
  ::GetObject(::GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
  m_font.CreateFontIndirect(&lf);
}

void CGameToolView::CreateButtons() {
  m_safeButton.Create("", WS_CHILD | WS_VISIBLE, CRect(0, 0, 0, 0), this, IDC_TOOL_SAFE);
  m_presetButton.Create("", WS_CHILD | WS_VISIBLE, CRect(0, 0, 0, 0), this, IDC_TOOL_PRESET);
}

void CGameToolView::LoadPresets() {
  CGameApp* app = GetGameApp();
  if (app == nullptr) return;
  const CString file = app->GetUserDataPath();
  char text[32] = {};
  for (int i = 0; i < 6; ++i) {
    CString key;
    key.Format("Fix%d", i);
    text[0] = '\0';
    GetPrivateProfileStringA("FIXDEPOSIT", key, "", text, sizeof text, file);
    m_presets[i] = std::atoi(text);
  }
  if (text[0] == '\0') std::copy(DEFAULT_PRESETS, DEFAULT_PRESETS + 6, m_presets);
}

BOOL CGameToolView::OnEraseBkgnd(CDC* pDC) {
  CRect rc;
  GetClientRect(&rc);
  pDC->FillSolidRect(&rc, RGB(240, 255, 255));
  return TRUE;
}

void CGameToolView::OnSize(UINT nType, int cx, int cy) {
  CGameFormView::OnSize(nType, cx, cy);
  InvalidateRect(CRect(0, 0, cx, cy));
  if (cx == 0 || m_safeButton.GetSafeHwnd() == nullptr) return;
  const int y = (cy - 16) / 2;
  m_safeButton.MoveWindow(8, y, 55, 16);
  m_presetButton.MoveWindow(88, y + 1, 71, 15);
  m_safeButton.ShowWindow(SW_SHOW);
  m_presetButton.ShowWindow(SW_SHOW);
}

int CGameToolView::Message(LPCSTR text) {
  CGameApp* app = GetGameApp();
  return ::MessageBoxA(m_hWnd, text, app != nullptr ? app->GetGameName() : "", MB_OK | MB_ICONINFORMATION);
}

void CGameToolView::OnSafe() {
  CGameApp* app = GetGameApp();
  CGameConnection* connection = app != nullptr ? app->GetConnection() : nullptr;
  if (connection == nullptr) return;
  const char* waitText = "正在打开保险箱，请稍等......";
  CString text;
  BYTE reply[32] = {};
  app->ShowWait(waitText, TRUE);
  const int ok = connection->OpenSafe(text, reply);
  app->ShowWait(waitText, FALSE);
  Sleep(100);
  if (!ok) {
    Message(text);
    return;
  }
  CSafeBoxDlg box(nullptr);
  box.SetGameName(app->GetGameName());
  std::memcpy(&box.m_balance, reply + 4, 4);
  box.DoModal();
}

void CGameToolView::OnPresetButton() {
  LoadPresets();
  COwnerDrawMenu menu;
  if (!menu.LoadMenu(IDR_PRESET_MENU)) return;
  CMenu* popup = menu.GetSubMenu(0);
  if (popup != nullptr) {
    for (int i = 0; i < 6; ++i) {
      CString label;
      label.Format("%d 两", m_presets[i]);
      popup->ModifyMenu(ID_PRESET_FIRST + i, MF_BYCOMMAND | MF_STRING, ID_PRESET_FIRST + i, label);
    }
    CRect button;
    m_presetButton.GetWindowRect(&button);
    popup->TrackPopupMenu(TPM_RIGHTBUTTON, button.left, button.bottom + 2, this);
  }
  menu.DestroyMenu();
}

void CGameToolView::OnPreset(UINT nID) {
  if (nID < ID_PRESET_EDIT) {
    SetSilverInHand(m_presets[nID - ID_PRESET_FIRST]);
    return;
  }
  CDepositPresetDlg editor(this);
  editor.SetAmounts(m_presets);
  editor.DoModal();
}

void CGameToolView::SetSilverInHand(int amount) {
  CGameApp* app = GetGameApp();
  CGameConnection* connection = app != nullptr ? app->GetConnection() : nullptr;
  if (connection == nullptr) return;
  const PlayerRecord* own = app->Tables().Seat(app->GetChairNO());
  const int current = own != nullptr ? own->silver : 0;
  CString text;
  if (amount == current) {
    Message("当前银子等于设定值。");
    return;
  }
  if (amount < current) {
    int difference = current - amount;
    int result = 0;
    const char* waitText = "正在存银子，请您稍候......";
    app->ShowWait(waitText, TRUE);
    const int ok = connection->DepositSilver(text, &difference, &result);
    app->ShowWait(waitText, FALSE);
    Sleep(100);
    if (ok) {
      text.Format("设定成功。\r\n\r\n(已经存入保险箱 %d 两，\r\n%s当前有银子 %d 两)", difference, app->GetGameName(), amount);
    }
    Message(text);
    return;
  }
  int answer = 0;
  if (!RunProtectionStep(this, &answer)) return;
  const int difference = amount - current;
  const char* waitText = "正在取银子，请您稍等......";
  app->ShowWait(waitText, TRUE);
  const int ok = connection->WithdrawSilver(text, difference, answer);
  app->ShowWait(waitText, FALSE);
  Sleep(100);
  if (ok) {
    text.Format("设定成功。\r\n\r\n(已经从保险箱中取出 %d 两，\r\n%s当前有银子 %d 两)", difference, app->GetGameName(), amount);
  }
  Message(text);
}
