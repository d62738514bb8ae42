#include "mahjong/MJOperateView.h"

#include "framework/GameApp.h"
#include "framework/GameFrameWnd.h"
#include "framework/SharedHelpers.h"
#include "framework/SkinSettings.h"
#include "mahjong/MJGameApp.h"
#include "platform/skin/SkinLibrary.h"

IMPLEMENT_DYNCREATE(CMJOperateView, CGameFormView)

BEGIN_MESSAGE_MAP(CMJOperateView, CGameFormView)
  ON_WM_ERASEBKGND()
  ON_WM_SIZE()
  ON_MESSAGE(WM_PANE_UPDATE, OnPaneUpdate)
  ON_COMMAND(IDC_OPERATE_RULES, OnRules)
  ON_COMMAND(IDC_OPERATE_OPTIONS, OnOptions)
  ON_COMMAND(IDC_OPERATE_SPARE, OnSpare)
  ON_COMMAND(IDC_OPERATE_QUIT, OnQuit)
END_MESSAGE_MAP()

namespace {
// The table's colour, which the bar shows when the skin has no background picture for it.
constexpr COLORREF TABLE_COLOUR = 0x4000;
}  // namespace

CMJOperateView::CMJOperateView() : CGameFormView(IDD_OPERATE_FORM) {}

CMJOperateView::~CMJOperateView() = default;

void CMJOperateView::DoDataExchange(CDataExchange* pDX) {
  CGameFormView::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_OPERATE_RULES, m_buttons[0]);
  DDX_Control(pDX, IDC_OPERATE_OPTIONS, m_buttons[1]);
  DDX_Control(pDX, IDC_OPERATE_SPARE, m_buttons[2]);
  DDX_Control(pDX, IDC_OPERATE_QUIT, m_buttons[3]);
}

void CMJOperateView::OnInitialUpdate() {
  CGameFormView::OnInitialUpdate();
  SetScrollSizes(MM_TEXT, CSize(0, 0));
  CRect client;
  GetClientRect(&client);
  if (client.Width() > 0) LayoutButtons(client.Width(), client.Height());
}

void CMJOperateView::LoadSkin() {
  m_background = skinppGetBitmapRes("OperateBK");
  CGameApp* app = GetGameApp();
  CSkinSettings* skin = app != nullptr ? app->GetSkinSettings() : nullptr;
  m_buttonWidth = skin != nullptr ? skin->GetButtonWidth() : 0;
  m_buttonHeight = skin != nullptr ? skin->GetButtonHeight() : 0;
}

BOOL CMJOperateView::OnEraseBkgnd(CDC* pDC) {
  if (AfxGetMainWnd() == nullptr || pDC == nullptr) return TRUE;
  CRect client;
  GetClientRect(&client);
  TileBitmapOrFill(pDC->GetSafeHdc(), &client, m_background, TABLE_COLOUR);
  return TRUE;
}

void CMJOperateView::OnSize(UINT nType, int cx, int cy) {
  CGameFormView::OnSize(nType, cx, cy);
  CRect area(0, 0, cx, cy);
  InvalidateRect(&area, TRUE);
  if (cx != 0 && m_buttons[3].GetSafeHwnd() != nullptr) LayoutButtons(cx, cy);
}

void CMJOperateView::LayoutButtons(int cx, int cy) {
  const int w = m_buttonWidth;
  const int h = m_buttonHeight;
  for (CButton& button : m_buttons) {
    if (button.GetSafeHwnd() == nullptr) return;
  }
  auto* app = dynamic_cast<CMJGameApp*>(GetGameApp());
  CGameInfo* info = app != nullptr ? app->GetGameInfo() : nullptr;
  if (info != nullptr && info->GetThirdTableWord() == 2 && app->IsSmallScreen()) {
    // A column: settings, quit, rules, then the spare button.
    const int order[4] = {1, 3, 0, 2};
    for (int i = 0; i < 4; ++i) m_buttons[order[i]].MoveWindow(0, i * h, w, h, TRUE);
    return;
  }
  const int gap = (cx - 4 * w) / 5;
  const int y = (cy - h) / 2;
  for (int i = 0; i < 4; ++i) m_buttons[i].MoveWindow(gap + i * (w + gap), y, w, h, TRUE);
}

void CMJOperateView::OnRules() {
  CGameApp* app = GetGameApp();
  if (app == nullptr) return;
  BeginWaitCursor();
  app->OpenUrlInBrowser(app->GetRulesUrl(), FALSE);
  EndWaitCursor();
}

void CMJOperateView::OnOptions() {
  if (auto* app = dynamic_cast<CMJGameApp*>(GetGameApp())) app->ShowOptions();
}

void CMJOperateView::OnQuit() {
  if (CWnd* main = AfxGetMainWnd()) main->SendMessage(WM_CLOSE);
}
