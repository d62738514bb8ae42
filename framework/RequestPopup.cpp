#include "framework/RequestPopup.h"

#include "framework/GameApp.h"
#include "framework/SharedHelpers.h"
#include "platform/kernel/Files.h"
#include "platform/mfc/Dialog.h"
#include "platform/user/Resources.h"

BEGIN_MESSAGE_MAP(CRequestPopup, CSlideNotifier)
  ON_COMMAND(1017, OnAgree)
  ON_COMMAND(1018, OnRefuse)
END_MESSAGE_MAP()

CRequestPopup::CRequestPopup(CWnd* owner) : m_owner(owner) { m_defaultPortrait.LoadBitmap(162); }

void CRequestPopup::DoDataExchange(CDataExchange* pDX) {
  CSlideNotifier::DoDataExchange(pDX);
  DDX_Control(pDX, 1015, m_name);
  DDX_Control(pDX, 1018, m_refuse);
  DDX_Control(pDX, 1017, m_agree);
}

BOOL CRequestPopup::OnInitDialog() {
  CSlideNotifier::OnInitDialog();
  CGameApp* app = GetGameApp();
  HBITMAP portrait = nullptr;
  if (app != nullptr) {
    CString path;
    path.Format("%s%d_0.bmp", static_cast<LPCSTR>(app->GetPortraitFolder()), app->GetPlayerPortraitID(m_userId));
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) {
      portrait = static_cast<HBITMAP>(LoadImageA(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    }
  }
  if (portrait == nullptr) portrait = static_cast<HBITMAP>(m_defaultPortrait.GetSafeHandle());
  if (CWnd* picture = GetDlgItem(1016)) picture->SendMessage(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(portrait));
  m_agree.SetColors(RGB(0, 0, 0), RGB(0, 0, 0), RGB(255, 255, 255));
  m_refuse.SetColors(RGB(0, 0, 0), RGB(0, 0, 0), RGB(255, 255, 255));
  m_name.SetColors(RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255));
  m_name.SetLinkCursor(nullptr);
  m_name.SetWindowText(app != nullptr ? app->GetPlayerName(m_userId) : CString());
  return TRUE;
}

void CRequestPopup::Answer(int agree) {
  ReleaseCapture();
  PlayResourceSound(29010);
  StartHide();
  if (m_owner != nullptr && m_owner->GetSafeHwnd() != nullptr) {
    m_owner->PostMessage(WM_POPUP_ANSWER, static_cast<WPARAM>(m_userId), agree);
  }
}

void CRequestPopup::OnAgree() { Answer(1); }

void CRequestPopup::OnRefuse() { Answer(0); }
