#include "variant/VariantFrame.h"

#include "engine/GameHost.h"
#include "mahjong/MJGameTableView2.h"
#include "net/NetLog.h"
#include "platform/skin/SkinLibrary.h"
#include "variant/VariantApp.h"

namespace {

CVariantFrame* g_frame = nullptr;

// The engine reaches the host view through the main frame that exists now.
EngineHostView* CurrentTableView() { return g_frame != nullptr ? g_frame->TableView() : nullptr; }

int AddChatTextToPane(const char* text) {
  CGameApp* app = GetGameApp();
  if (app == nullptr || text == nullptr) return 0;
  app->AddChatText(text);
  return 1;
}

}  // namespace

IMPLEMENT_DYNCREATE(CVariantFrame, CMainFrame)

BEGIN_MESSAGE_MAP(CVariantFrame, CMainFrame)
  ON_WM_CREATE()
  ON_WM_DESTROY()
END_MESSAGE_MAP()

CVariantFrame::CVariantFrame() = default;

CVariantFrame::~CVariantFrame() {
  if (g_frame == this) g_frame = nullptr;
}

int CVariantFrame::OnCreate(LPCREATESTRUCT lpCreateStruct) {
  if (CMainFrame::OnCreate(lpCreateStruct) == -1) return -1;
  auto* app = dynamic_cast<CVariantApp*>(GetGameApp());
  auto* pane = dynamic_cast<CMJGameTableView2*>(GetTablePane());
  if (app == nullptr || pane == nullptr || pane->Host().Window() == nullptr) return -1;
  m_view = &pane->Host();
  m_scene = std::make_unique<CVariantTableScene>(app->Table());
  CVariantTableScene::Hooks hooks;
  hooks.sideName = [app](int side) {
    const int chair = app->Info().SideToChair(side);
    if (chair < 0 || app->GetSeatUserID(chair) == 0) return std::string();
    return std::string(static_cast<LPCSTR>(app->GetSeatPlayerDisplayName(chair)));
  };
  hooks.playSound = [app](int resource, int flags) { app->PlaySound(resource, flags); };
  hooks.log = [](const std::string& line) { LogPrintf("%s", line.c_str()); };
  hooks.start = [app] {
    CString text;
    const int ok = app->GetConnection()->SendReady(text);
    if (!ok && !text.IsEmpty()) app->ShowWaitFor(text, 3);
    return ok;
  };
  hooks.isLookOn = [app] { return app->IsLookOn() != 0; };
  hooks.iniPath = [app] { return std::string(static_cast<LPCSTR>(app->GetGameIniPath())); };
  hooks.skinIni = [] { return platform::CurrentSkinIni(); };
  hooks.isBanker = [app](int side) { return side >= 0 && side < 4 && app->Painter().GetSeat(side).banker != 0; };
  m_scene->SetHooks(std::move(hooks));
  g_frame = this;
  GameHostServices services = GetGameHostServices();
  services.getTableView = CurrentTableView;
  services.addChatText = AddChatTextToPane;
  SetGameHostServices(services);
  if (!m_view->AttachGame(m_scene.get())) return -1;
  // The screen is made at once, so that the table is drawn before the table is entered.
  m_view->InitScreen();
  app->SetSceneEffects(m_scene.get());
  return 0;
}

void CVariantFrame::OnDestroy() {
  if (auto* app = dynamic_cast<CVariantApp*>(GetGameApp())) app->SetSceneEffects(nullptr);
  if (m_view != nullptr && m_view->Window() != nullptr) ::DestroyWindow(m_view->Window());
  if (g_frame == this) {
    g_frame = nullptr;
    GameHostServices services = GetGameHostServices();
    services.getTableView = nullptr;
    services.addChatText = nullptr;
    SetGameHostServices(services);
  }
  m_view = nullptr;
  CMainFrame::OnDestroy();
}
