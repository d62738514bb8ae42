#include "framework/WaitDialog.h"

#include <cstring>

#include "framework/GameApp.h"
#include "framework/HallRecords.h"
#include "framework/SharedHelpers.h"
#include "net/NetLog.h"
#include "net/SharedKeys.h"
#include "platform/hall/HallLink.h"
#include "platform/skin/SkinLibrary.h"
#include "platform/kernel/Kernel.h"
#include "platform/mfc/DC.h"

BEGIN_MESSAGE_MAP(CWaitDialog, CDialog)
  ON_MESSAGE(WM_SKIN_CHANGED, OnSkinChanged)
  ON_WM_COPYDATA()
  ON_WM_TIMER()
  ON_WM_ERASEBKGND()
  ON_WM_PAINT()
  ON_WM_CTLCOLOR()
  ON_WM_DESTROY()
END_MESSAGE_MAP()

CWaitDialog::CWaitDialog() = default;

CWaitDialog::~CWaitDialog() {
  if (m_background != nullptr) DeleteObject(m_background);
}

BOOL CWaitDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  // The dialog draws its own background, the skin's picture for it.
  skinppSetDialogEraseBkgnd(m_hWnd, TRUE);
  // The hall sends its sign answers to this window from its own process.
  platform::PublishWindow(m_hWnd);
  m_bar.SubclassDlgItem(WAIT_BAR_CONTROL, this);
  m_bar.Start(200);
  CGameApp* app = GetGameApp();
  CString path = app != nullptr ? app->GetSkinPath() : CString();
  char* copy = new char[path.GetLength() + 1];
  std::memcpy(copy, static_cast<LPCSTR>(path), path.GetLength() + 1);
  SendMessage(WM_SKIN_CHANGED, reinterpret_cast<WPARAM>(copy), 0);
  return TRUE;
}

LRESULT CWaitDialog::OnSkinChanged(WPARAM wParam, LPARAM) {
  char* path = reinterpret_cast<char*>(wParam);
  ApplySkin(path != nullptr ? path : "");
  delete[] path;
  Invalidate();
  return 0;
}

void CWaitDialog::ApplySkin(LPCSTR skinIniPath) {
  m_skinPath = skinIniPath;
  char name[258] = {};
  GetPrivateProfileStringA("BitmapResource", "CommDlgBK", "", name, sizeof(name), skinIniPath);
  TrimSpaces(name);
  if (m_background != nullptr) {
    DeleteObject(m_background);
    m_background = nullptr;
  }
  if (name[0] != '\0') {
    char folder[MAX_PATH] = {};
    ExtractPathParts(skinIniPath, PATH_PART_DRIVE | PATH_PART_DIRECTORY, folder);
    CString file;
    file.Format("%s%s", folder, name);
    m_background = static_cast<HBITMAP>(LoadImageA(nullptr, file, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
  }
  char colour[258] = {};
  GetPrivateProfileStringA("CommColors", "WaitBarfg", "", colour, sizeof(colour), skinIniPath);
  COLORREF first = ParseRgbColor(TrimSpaces(colour), WAIT_BAR_DEFAULT_FIRST);
  GetPrivateProfileStringA("CommColors", "WaitBarbg", "", colour, sizeof(colour), skinIniPath);
  COLORREF second = ParseRgbColor(TrimSpaces(colour), WAIT_BAR_DEFAULT_SECOND);
  m_bar.SetColors(first, second);
}

void CWaitDialog::ShowText(LPCSTR text, int seconds) {
  Invalidate();
  SetDlgItemText(WAIT_TEXT_CONTROL, text);
  ::SetForegroundWindow(m_hWnd);
  ShowWindow(SW_SHOWNORMAL);
  m_bar.Start(200);
  if (seconds > 0) {
    m_autoHideTimer = SetTimer(WAIT_AUTO_HIDE_TIMER, static_cast<UINT>(seconds) * 1000, nullptr);
  }
}

void CWaitDialog::Hide() {
  ShowWindow(SW_HIDE);
  m_bar.Stop();
}

BOOL CWaitDialog::OnCopyData(CWnd*, COPYDATASTRUCT* copy) {
  if (copy == nullptr || copy->dwData != HALL_SIGN_ANSWER) return FALSE;
  if (!IsAcceptableHallPayload(HALL_SIGN_ANSWER, copy->cbData) || copy->lpData == nullptr) {
    LogPrintf("sign answer refused: %u bytes", static_cast<unsigned>(copy->cbData));
    return FALSE;
  }
  std::vector<BYTE> plain(copy->cbData);
  if (!DecryptHallData(HallKey(), copy->cbData, plain.data(), static_cast<const BYTE*>(copy->lpData))) return FALSE;
  SignAnswer answer;
  if (!ReadSignAnswer(plain.data(), plain.size(), &answer)) return FALSE;
  CGameApp* app = GetGameApp();
  if (app != nullptr && !app->SignQueries().Answer(answer.queryId, answer.userId, answer.sign)) {
    LogPrintf("sign answer for unknown query %u", answer.queryId);
  }
  return TRUE;
}

void CWaitDialog::OnTimer(UINT_PTR nIDEvent) {
  if (nIDEvent == WAIT_AUTO_HIDE_TIMER) {
    Hide();
    KillTimer(WAIT_AUTO_HIDE_TIMER);
    m_autoHideTimer = 0;
    return;
  }
  CDialog::OnTimer(nIDEvent);
}

void CWaitDialog::DrawBackground(CDC* dc) {
  CRect client;
  GetClientRect(&client);
  if (m_background != nullptr) {
    BITMAP info{};
    GetObjectA(m_background, sizeof(info), &info);
    CDC memory;
    memory.CreateCompatibleDC(dc);
    HGDIOBJ old = ::SelectObject(memory.GetSafeHdc(), m_background);
    dc->StretchBlt(0, 0, client.Width(), client.Height(), &memory, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
    ::SelectObject(memory.GetSafeHdc(), old);
  } else {
    dc->FillSolidRect(&client, GetSysColor(COLOR_BTNFACE));
  }
}

BOOL CWaitDialog::OnEraseBkgnd(CDC* pDC) {
  if (m_background == nullptr) return CDialog::OnEraseBkgnd(pDC);
  DrawBackground(pDC);
  return TRUE;
}

void CWaitDialog::OnPaint() {
  CPaintDC dc(this);
  DrawBackground(&dc);
  m_bar.Draw();
}

HBRUSH CWaitDialog::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) {
  if (nCtlColor == CTLCOLOR_STATIC) {
    pDC->SetBkMode(TRANSPARENT);
    return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  }
  return CDialog::OnCtlColor(pDC, pWnd, nCtlColor);
}

void CWaitDialog::OnDestroy() {
  if (m_autoHideTimer != 0) {
    KillTimer(WAIT_AUTO_HIDE_TIMER);
    m_autoHideTimer = 0;
  }
  if (m_background != nullptr) {
    DeleteObject(m_background);
    m_background = nullptr;
  }
  CDialog::OnDestroy();
}
