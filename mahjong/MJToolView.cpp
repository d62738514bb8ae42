#include "mahjong/MJToolView.h"

#include <string>

#include "framework/GameApp.h"
#include "platform/kernel/Profile.h"
#include "platform/user/Resources.h"

IMPLEMENT_DYNCREATE(CMJToolView, CGameToolView)

BEGIN_MESSAGE_MAP(CMJToolView, CGameToolView)
  ON_WM_ERASEBKGND()
  ON_WM_SIZE()
END_MESSAGE_MAP()

CMJToolView::CMJToolView() : CGameToolView(IDD_MJ_TOOL_FORM) {}

CMJToolView::~CMJToolView() {
  if (m_header != nullptr) ::DeleteObject(m_header);
}

void CMJToolView::LoadHeaderImage() {
  CGameApp* app = GetGameApp();
  if (app == nullptr) return;
  char skinIni[MAX_PATH] = {};
  GetPrivateProfileStringA("SKIN", "Path", "", skinIni, sizeof skinIni, app->GetGameIniPath());
  char image[260] = {};
  GetPrivateProfileStringA("Headerbar", "Image", "", image, sizeof image, skinIni);
  // The picture lies beside the skin.ini: its drive and folder, then the picture's name.
  std::string folder(skinIni);
  const size_t cut = folder.find_last_of("\\/");
  folder = cut == std::string::npos ? std::string() : folder.substr(0, cut + 1);
  HBITMAP loaded = nullptr;
  if (image[0] != '\0') {
    loaded = static_cast<HBITMAP>(::LoadImageA(nullptr, (folder + image).c_str(), IMAGE_BITMAP, 0, 0,
                                               LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  }
  if (m_header != nullptr) ::DeleteObject(m_header);
  m_header = loaded;
}

BOOL CMJToolView::OnEraseBkgnd(CDC* pDC) {
  if (pDC == nullptr) return TRUE;
  CRect client;
  GetClientRect(&client);
  pDC->FillSolidRect(&client, TOOL_BACK_COLOUR);
  BITMAP info{};
  if (m_header == nullptr || ::GetObject(m_header, sizeof info, &info) == 0) return TRUE;
  HDC memory = ::CreateCompatibleDC(pDC->GetSafeHdc());
  HGDIOBJ old = ::SelectObject(memory, m_header);
  HDC dc = pDC->GetSafeHdc();
  // The picture's first two columns make the left edge; the rest, but its last 300 columns and
  // its last two rows, stretches over the bar. A picture too narrow for that gives all its
  // columns after the edge, rather than a mirrored strip.
  const int sourceWidth = info.bmWidth - 300 > 0 ? info.bmWidth - 300 : info.bmWidth - 2;
  ::StretchBlt(dc, 0, 0, 2, client.Height(), memory, 0, 0, 2, info.bmHeight, SRCCOPY);
  if (sourceWidth > 0) {
    ::StretchBlt(dc, 2, 0, client.Width() - 2, client.Height(), memory, 2, 0, sourceWidth, info.bmHeight - 2,
                 SRCCOPY);
  }
  ::SelectObject(memory, old);
  ::DeleteDC(memory);
  return TRUE;
}

void CMJToolView::OnSize(UINT nType, int cx, int cy) {
  CGameFormView::OnSize(nType, cx, cy);
  CRect area(0, 0, cx, cy);
  InvalidateRect(&area);
  if (cx == 0 || m_safeButton.GetSafeHwnd() == nullptr) return;
  const int y = (cy - 16) / 2;
  if (cx >= 55 + 71 + 8 + 25) {
    m_safeButton.MoveWindow(8, y, 55, 16);
    m_presetButton.MoveWindow(88, y + 1, 71, 15);
  } else {
    const int m = (cx - 126) / 3;
    m_safeButton.MoveWindow(m, y, 55, 16);
    m_presetButton.MoveWindow(2 * m + 55, y + 1, 71, 15);
  }
  m_safeButton.ShowWindow(SW_SHOW);
  m_presetButton.ShowWindow(SW_SHOW);
}
