#include "framework/ProtectDialogs.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <ctime>

#include "framework/GameApp.h"
#include "framework/GameConnection.h"
#include "framework/SharedHelpers.h"
#include "platform/skin/SkinLibrary.h"
#include "platform/media/MMSystem.h"
#include "platform/user/Resources.h"

namespace {

constexpr int KEY_FIRST = 230;
constexpr int KEY_DELETE = 240;
constexpr int KEY_CONFIRM = 241;
constexpr int KEYPAD_DISPLAY = 242;
constexpr int ANSWER_SEPARATOR = 204;
constexpr int ANSWER_HELP = 205;
constexpr int ANSWER_PICTURE = 206;
constexpr int ANSWER_EDIT = 207;
constexpr int ANSWER_DIGITS = 211;

// The text of a dialog item, at most `limit` characters.
CString ItemText(CWnd* dialog, int id, int limit) {
  CWnd* item = dialog->GetDlgItem(id);
  if (item == nullptr) return CString();
  std::string buffer(static_cast<size_t>(limit) + 1, '\0');
  item->GetWindowText(buffer.data(), limit + 1);
  return CString(buffer.c_str());
}

// A number typed by the user: leading digits only, at most a whole int (larger numbers stop at
// the largest int rather than overflowing).
int ParseTypedNumber(const char* text) {
  while (*text == ' ') ++text;
  const long long value = std::strtoll(text, nullptr, 10);
  return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

}  // namespace

int ComputeProtectAnswer(const std::string& digits, int challenge) {
  long long groups = 0;
  size_t at = 0;
  for (int taken = 0; taken < 4 && at < digits.size(); ++taken) {
    const size_t remaining = digits.size() - at;
    const size_t n = remaining > 4 ? 4 : remaining;
    groups += std::atoi(digits.substr(at, n).c_str());
    at += n;
    if (n < 4 || remaining == 4) break;
  }
  // Signed 32-bit arithmetic as the server does it; the groups are at most 4 x 9999.
  return static_cast<int>(static_cast<int32_t>(groups) + challenge / 10000 + challenge % 10000);
}

LRESULT CSafeEdit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (!m_allowRead && (message == WM_GETTEXT || message == EM_GETLINE)) return 0;
  return CEdit::WindowProc(message, wParam, lParam);
}

// ---------------------------------------------------------------------------------------------
// Keypad

BEGIN_MESSAGE_MAP(CProtectKeypadDlg, CDialog)
  ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

CProtectKeypadDlg::CProtectKeypadDlg(CWnd* pParent) : CDialog(IDD_PROTECT_KEYPAD, pParent) {}

BOOL CProtectKeypadDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  m_white.CreateSolidBrush(RGB(255, 255, 255));
  for (int k = 0; k < 12; ++k) m_keys[k].SubclassDlgItem(KEY_FIRST + k, this);
  CRect window;
  GetWindowRect(&window);
  SetWindowPos(nullptr, 0, 0, 200, 220, SWP_NOMOVE | SWP_NOZORDER);
  CRect client;
  GetClientRect(&client);
  const int W = client.Width(), H = client.Height();
  if (CWnd* display = GetDlgItem(KEYPAD_DISPLAY)) {
    display->MoveWindow(14, 12, W - 28, 32);
    CRect rc;
    display->GetClientRect(&rc);
    CClientDC dc(display);
    CSize text = dc.GetTextExtent("abc", 3);
    rc.OffsetRect(0, (rc.Height() - text.cy) / 2);
    display->SendMessage(EM_SETRECT, 0, reinterpret_cast<LPARAM>(static_cast<LPRECT>(&rc)));
  }
  const int gapX = (W - 2 * 14 - 4 * 34) / 3;
  const int gapY = (H - 3 * 12 - 3 * 34 - 32) / 2;
  for (int k = 0; k < 12; ++k) {
    if (m_keys[k].GetSafeHwnd() == nullptr) continue;
    m_keys[k].MoveWindow(14 + (k % 4) * (34 + gapX), 32 + 2 * 12 + (k / 4) * (34 + gapY), 34, 34);
  }
  // A new order of the digit keys on every opening, so that the positions pressed tell nothing
  // of the password.
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  for (int i = 0; i < 10; ++i) std::swap(m_order[i], m_order[std::rand() % 10]);
  for (int j = 0; j < 10; ++j) {
    CString label;
    label.Format("%d", m_order[j]);
    if (m_keys[j].GetSafeHwnd() != nullptr) m_keys[j].SetWindowText(label);
  }
  return TRUE;
}

void CProtectKeypadDlg::ShowStars() {
  if (CWnd* display = GetDlgItem(KEYPAD_DISPLAY)) display->SetWindowText(std::string(m_typed.size(), '*').c_str());
}

BOOL CProtectKeypadDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  const int id = LOWORD(wParam);
  const int code = HIWORD(wParam);
  if (id >= KEY_FIRST && id <= KEY_CONFIRM && (code == BN_CLICKED || code == BN_DOUBLECLICKED)) {
    if (id < KEY_FIRST + 10) {
      if (m_typed.size() < PROTECT_DIGITS_MAX) m_typed += static_cast<char>('0' + m_order[id - KEY_FIRST]);
      ShowStars();
    } else if (id == KEY_DELETE) {
      if (!m_typed.empty()) m_typed.pop_back();
      ShowStars();
    } else {
      OnOK();
    }
    return TRUE;
  }
  return CDialog::OnCommand(wParam, lParam);
}

void CProtectKeypadDlg::OnOK() {
  m_answer = ComputeProtectAnswer(m_typed, m_challenge);
  EndDialog(IDOK);
}

HBRUSH CProtectKeypadDlg::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) {
  if (nCtlColor == CTLCOLOR_STATIC && pWnd != nullptr && pWnd->GetDlgCtrlID() == KEYPAD_DISPLAY) {
    pDC->SetBkColor(RGB(255, 255, 255));
    return static_cast<HBRUSH>(m_white.GetSafeHandle());
  }
  return CDialog::OnCtlColor(pDC, pWnd, nCtlColor);
}

// ---------------------------------------------------------------------------------------------
// Answer dialog

BEGIN_MESSAGE_MAP(CProtectPasswordDlg, CDialog)
  ON_WM_PAINT()
  ON_WM_ERASEBKGND()
  ON_COMMAND(ANSWER_HELP, OnHelpLink)
END_MESSAGE_MAP()

CProtectPasswordDlg::CProtectPasswordDlg(CWnd* pParent) : CDialog(IDD_PROTECT_ANSWER, pParent) {}

void CProtectPasswordDlg::DoDataExchange(CDataExchange* pDX) {
  if (pDX->m_bSaveAndValidate) m_edit.SetAllowRead(TRUE);
  DDX_Control(pDX, ANSWER_HELP, m_link);
}

BOOL CProtectPasswordDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  skinppSetDialogEraseBkgnd(m_hWnd, TRUE);
  if (CWnd* picture = GetDlgItem(ANSWER_PICTURE)) {
    picture->ModifyStyle(0, SS_BITMAP | SS_CENTERIMAGE);
    HBITMAP bitmap = LoadBitmapA(AfxGetResourceHandle(), MAKEINTRESOURCEA(229));
    if (bitmap != nullptr) picture->SendMessage(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
  }
  m_edit.SubclassDlgItem(ANSWER_EDIT, this);
  m_font.CreateFont(28, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, 0, 0, 0, FF_SWISS, "System");
  m_edit.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_font.GetSafeHandle()), TRUE);
  m_link.SetUnderline(TRUE);
  CRect client;
  GetClientRect(&client);
  if (CWnd* line = GetDlgItem(ANSWER_SEPARATOR)) line->MoveWindow(10, 3 * client.Height() / 4, client.Width() - 20, 2);
  return TRUE;
}

BOOL CProtectPasswordDlg::OnEraseBkgnd(CDC* pDC) {
  CRect client;
  GetClientRect(&client);
  pDC->FillSolidRect(&client, GetSysColor(COLOR_BTNFACE));
  if (CWnd* line = GetDlgItem(ANSWER_SEPARATOR)) {
    CRect rc;
    line->GetWindowRect(&rc);
    ScreenToClient(&rc);
    DrawHorizontalLine(pDC->GetSafeHdc(), SkinGetColor(2), rc.left, rc.right, rc.top);
  }
  return TRUE;
}

void CProtectPasswordDlg::DrawGlyph(CDC& dc, int glyph, int x, int y) {
  // Glyph 0 is the plus sign, 1 to 10 the digits 0 to 9: ink on the dialog, 14 x 18.
  const char text[2] = {glyph == 0 ? '+' : static_cast<char>('0' + glyph - 1), '\0'};
  CRect cell(x, y, x + 14, y + 18);
  dc.FillSolidRect(&cell, RGB(255, 255, 255));
  dc.SetBkMode(TRANSPARENT);
  dc.SetTextColor(RGB(0, 0, 0));
  CFont* old = dc.SelectObject(&m_font);
  dc.DrawText(text, 1, &cell, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  dc.SelectObject(old);
}

void CProtectPasswordDlg::OnPaint() {
  CPaintDC dc(this);
  CWnd* anchor = GetDlgItem(ANSWER_DIGITS);
  if (anchor == nullptr) return;
  CRect item, window;
  anchor->GetWindowRect(&item);
  GetWindowRect(&window);
  CRect client;
  GetClientRect(&client);
  ClientToScreen(&client);
  // The window-relative origin, turned into client coordinates for drawing.
  const int ox = item.left - window.left - (client.left - window.left);
  const int oy = item.top - window.top - 28 - (client.top - window.top);
  char digits[16];
  std::snprintf(digits, sizeof digits, "%08d", m_challenge);
  for (int p = 0; digits[p] != '\0'; ++p) {
    if (p == 4) DrawGlyph(dc, 0, ox + 64, oy);
    const int x = ox + 15 * p + (p >= 4 ? 20 : 0);
    if (std::isdigit(static_cast<unsigned char>(digits[p]))) DrawGlyph(dc, digits[p] - '0' + 1, x, oy);
  }
}

void CProtectPasswordDlg::OnHelpLink() {
  ReleaseCapture();
  PlayHallSound("common", "hit.wav", SND_ASYNC | SND_NOSTOP);
  CWaitCursor wait;
  CString address = GetPlatformWebBase();
  if (address.GetLength() > 0 && address[address.GetLength() - 1] == '/') address = address.Left(address.GetLength() - 1);
  address += "/security/calculate.html";
  if (CGameApp* app = GetGameApp()) app->SendTextToHall(address, 1);
}

void CProtectPasswordDlg::OnOK() {
  m_edit.SetAllowRead(TRUE);
  char buffer[16] = {};
  m_edit.GetWindowText(buffer, 16);
  m_answer = ParseTypedNumber(buffer);
  EndDialog(IDOK);
}

// ---------------------------------------------------------------------------------------------

bool RunProtectionStep(CWnd* parent, int* answer) {
  *answer = 0;
  CGameApp* app = GetGameApp();
  CGameConnection* connection = app != nullptr ? app->GetConnection() : nullptr;
  if (connection == nullptr) return false;
  const char* waitText = "正在查询保护密码，请稍等......";
  CString text;
  BYTE reply[24] = {};
  const int32_t own = app->GetUserID();
  std::memcpy(reply, &own, 4);
  int result = 0;
  app->ShowWait(waitText, TRUE);
  const int ok = connection->QueryProtectPassword(text, reply, &result);
  app->ShowWait(waitText, FALSE);
  Sleep(100);
  if (!ok) {
    if (result == RESULT_NO_PROTECTION) return true;
    FrameworkMessageBox(text, app->GetGameName(), MB_OK | MB_ICONINFORMATION);
    return false;
  }
  int32_t challenge = 0;
  std::memcpy(&challenge, reply + 4, 4);
  // The keypad is the program's own choice when it carries the keypad's template.
  if (FindResourceA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDD_PROTECT_KEYPAD), RT_DIALOG) != nullptr) {
    CProtectKeypadDlg keypad(parent);
    keypad.SetChallenge(challenge);
    if (keypad.DoModal() != IDOK) return false;
    *answer = keypad.GetAnswer();
    return true;
  }
  CProtectPasswordDlg dialog(parent);
  dialog.m_challenge = challenge;
  if (dialog.DoModal() != IDOK) return false;
  *answer = dialog.m_answer;
  return true;
}
