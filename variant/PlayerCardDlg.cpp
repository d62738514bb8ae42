#include "variant/PlayerCardDlg.h"

#include <cstdio>
#include <cstring>

#include "framework/GameApp.h"
#include "framework/SharedHelpers.h"
#include "platform/base/Gbk.h"
#include "platform/kernel/Files.h"
#include "platform/skin/SkinLibrary.h"
#include "platform/user/Resources.h"

namespace {

constexpr size_t WATCHED_NAME_OFFSET = 192 - 172;  // inside the record's tail
constexpr size_t WATCHED_NAME_SIZE = 32;

std::string Number(const char* format, long long value) {
  char text[48];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string Rate(long long part, long long games, const char* none) {
  if (games == 0) return none;
  char text[48];
  std::snprintf(text, sizeof text, "%.2f%%", static_cast<double>(part) / static_cast<double>(games) * 100.0);
  return text;
}

}  // namespace

std::string CardWatchedName(const PlayerRecord& record) {
  const char* text = reinterpret_cast<const char*>(record.reserved172 + WATCHED_NAME_OFFSET);
  return std::string(text, strnlen(text, WATCHED_NAME_SIZE));
}

void SetCardWatchedName(PlayerRecord& record, const std::string& name) {
  BYTE* field = record.reserved172 + WATCHED_NAME_OFFSET;
  std::memset(field, 0, WATCHED_NAME_SIZE);
  const size_t length = GbkSafeCut(name.data(), std::min(name.size(), WATCHED_NAME_SIZE - 1));
  std::memcpy(field, name.data(), length);
}

std::vector<std::pair<int, std::string>> PlayerCardFields(const PlayerRecord& r) {
  // Counts are added in 64 bits: the hall's numbers must not overflow the sum.
  const long long wins = r.values120[0], losses = r.values120[1], draws = r.values120[2];
  const long long games = wins + losses + draws;
  CString wealth;
  GetWealthTitle(r.silver, wealth);
  return {
      {1040, std::string(r.name, strnlen(r.name, sizeof r.name))},
      {1042, std::string(r.nickname, strnlen(r.nickname, sizeof r.nickname))},
      {1043, static_cast<LPCSTR>(wealth)},
      {1044, Number("%lld两", r.silver)},
      {1047, std::string(r.levelTitle, strnlen(r.levelTitle, sizeof r.levelTitle))},
      {1049, Number("%lld", r.score)},
      {1045, Number("%lld", r.minutes)},
      {1048, Rate(r.value112, games, "0.00%")},
      {1046, Number("%lld", r.value116)},
      {1050, Number("%lld", wins)},
      {1051, Number("%lld", losses)},
      {1052, Number("%lld", draws)},
      {1053, Rate(wins, games, "100%")},
      {1054, r.isFriend != 0 ? "是" : ""},
      {1055, r.isUnwelcome != 0 ? "是" : ""},
      {1056, CardWatchedName(r)},
  };
}

BEGIN_MESSAGE_MAP(CPlayerCardDlg, CDialog)
  ON_WM_ERASEBKGND()
  ON_WM_CTLCOLOR()
  ON_STN_CLICKED(IDC_CARD_REFRESH, OnRefresh)
  ON_STN_CLICKED(IDC_CARD_CLOSE, OnClose)
END_MESSAGE_MAP()

CPlayerCardDlg::CPlayerCardDlg(CWnd* parent) : CDialog(IDD_PLAYER_CARD, parent) {}

CPlayerCardDlg::~CPlayerCardDlg() = default;

void CPlayerCardDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_CARD_REFRESH, m_refresh);
  DDX_Control(pDX, IDC_CARD_CLOSE, m_close);
}

BOOL CPlayerCardDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  skinppSetDialogEraseBkgnd(m_hWnd, TRUE);
  m_portraits.Create(32, 32, ILC_COLORDDB | ILC_MASK, 1, 1);
  return TRUE;
}

void CPlayerCardDlg::LoadPortrait(int portraitId) {
  if (m_portraits.GetSafeHandle() == nullptr) return;
  while (m_portraits.GetImageCount() > 0) m_portraits.Remove(0);
  m_ownPortrait = false;
  if (CGameApp* app = GetGameApp()) {
    CString path;
    path.Format("%s%d_0.bmp", static_cast<LPCSTR>(app->GetPortraitFolder()), portraitId);
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) {
      HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
      if (bitmap != nullptr) {
        m_ownPortrait = ImageList_AddMasked(m_portraits.GetSafeHandle(), bitmap, CARD_PORTRAIT_MASK) >= 0;
        DeleteObject(bitmap);
      }
    }
  }
  if (!m_ownPortrait) {
    // The program's own resources, also before the application has set its resource handle.
    if (HICON icon = LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDI_PROGRAM))) m_portraits.Add(icon);
  }
}

void CPlayerCardDlg::Fill(const PlayerRecord& record) {
  m_player = record;
  LoadPortrait(record.portraitId);
  for (const auto& [id, text] : PlayerCardFields(record)) SetDlgItemText(id, text.c_str());
  Invalidate();
}

BOOL CPlayerCardDlg::OnEraseBkgnd(CDC* pDC) {
  CRect client;
  GetClientRect(&client);
  pDC->FillSolidRect(&client, RGB(255, 255, 255));
  if (m_portraits.GetSafeHandle() != nullptr && m_portraits.GetImageCount() > 0) {
    ImageList_Draw(m_portraits.GetSafeHandle(), 0, pDC->GetSafeHdc(), 10, 4, ILD_NORMAL);
  }
  return TRUE;
}

HBRUSH CPlayerCardDlg::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) {
  if (nCtlColor == CTLCOLOR_STATIC) {
    pDC->SetBkMode(TRANSPARENT);
    return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  }
  return CDialog::OnCtlColor(pDC, pWnd, nCtlColor);
}

void CPlayerCardDlg::OnRefresh() {
  ReleaseCapture();
  PlayResourceSound(29010);
  CGameApp* app = GetGameApp();
  if (app == nullptr || app->GetHallWindow() == nullptr) return;
  CWnd* mainWnd = AfxGetMainWnd();
  ::PostMessageA(app->GetHallWindow(), WM_HALL_PLAYER_DETAILS,
                 reinterpret_cast<WPARAM>(mainWnd != nullptr ? mainWnd->GetSafeHwnd() : nullptr), m_player.userId);
}

void CPlayerCardDlg::OnClose() {
  ReleaseCapture();
  PlayResourceSound(29010);
  ShowWindow(SW_HIDE);
}

void CPlayerCardDlg::OnCancel() { ShowWindow(SW_HIDE); }

void CPlayerCardDlg::PostNcDestroy() { delete this; }

void ShowPlayerCard(CPlayerCardDlg*& card, CWnd* mainWindow, CWnd* playerPane, CWnd* tableView, const BYTE* data,
                    size_t length) {
  if (data == nullptr || length < PLAYER_RECORD_SIZE) return;
  PlayerRecord record = PlayerRecord::Read(data);
  if (card == nullptr || card->GetSafeHwnd() == nullptr) {
    card = new CPlayerCardDlg(mainWindow);
    if (!card->Create(IDD_PLAYER_CARD, mainWindow)) {
      delete card;
      card = nullptr;
      return;
    }
  }
  CGameApp* app = GetGameApp();
  if (app != nullptr && app->IsOnlooker(record.userId)) {
    SetCardWatchedName(record, static_cast<LPCSTR>(app->GetSeatPlayerName(record.chair)));
  }
  CRect card_rect;
  card->GetWindowRect(&card_rect);
  int x = 0, y = 0;
  CRect view(0, 0, 0, 0);
  if (tableView != nullptr && tableView->GetSafeHwnd() != nullptr) {
    tableView->GetWindowRect(&view);
    y = view.top;
    // Without a player pane the card stands at the table view's right edge.
    x = view.right - card_rect.Width();
  }
  if (playerPane != nullptr && playerPane->GetSafeHwnd() != nullptr) {
    CRect pane;
    playerPane->GetWindowRect(&pane);
    x = pane.left - card_rect.Width();
  }
  card->SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  card->Fill(record);
  card->ShowWindow(SW_SHOW);
}
