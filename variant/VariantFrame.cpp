#include "variant/VariantFrame.h"

#include <cstdio>
#include <cstdlib>

#include "engine/GameHost.h"
#include "framework/SharedHelpers.h"
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

IMPLEMENT_DYNCREATE(CVariantFrame, CGameFrameWnd)

BEGIN_MESSAGE_MAP(CVariantFrame, CGameFrameWnd)
  ON_WM_CREATE()
  ON_WM_SIZE()
  ON_WM_DESTROY()
  ON_MESSAGE(WM_PANE_UPDATE, OnPaneUpdate)
END_MESSAGE_MAP()

CVariantFrame::CVariantFrame() = default;

CVariantFrame::~CVariantFrame() {
  if (g_frame == this) g_frame = nullptr;
}

int CVariantFrame::OnCreate(LPCREATESTRUCT lpCreateStruct) {
  if (CGameFrameWnd::OnCreate(lpCreateStruct) == -1) return -1;
  auto* app = dynamic_cast<CVariantApp*>(GetGameApp());
  if (app == nullptr) return -1;
  RECT client{};
  ::GetClientRect(m_hWnd, &client);
  m_view = std::make_unique<CMJTableView>();
  if (m_view->Create(m_hWnd, client) == nullptr) return -1;
  m_scene = std::make_unique<CVariantTableScene>(app->Table());
  CVariantTableScene::Hooks hooks;
  hooks.sideName = [app](int side) {
    const int chair = app->Info().SideToChair(side);
    if (chair < 0 || app->GetSeatUserID(chair) == 0) return std::string();
    return std::string(static_cast<LPCSTR>(app->GetSeatPlayerDisplayName(chair)));
  };
  // Sounds play beside the table, never holding up its frames (see CVariantApp's effects).
  hooks.playSound = [app](int resource, int flags) { app->PlaySound(resource, flags | 0x0001); };
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
  if (const char* hands = std::getenv("PXQD_HEADLESS_HANDS")) m_headlessHands = std::atoi(hands);
  hooks.handEnded = [this, app] {
    if (m_headlessHands <= 0 || m_scene == nullptr || m_scene->HandsEnded() < m_headlessHands) return;
    // The summary line of a headless run; its format is read by scripts.
    std::printf("hands %d refused %d\n", m_scene->HandsEnded(), m_turn != nullptr ? m_turn->Refused() : 0);
    std::fflush(stdout);
    m_headlessHands = 0;
    // No further hand: the client leaves the table between hands.
    m_scene->SetAutoPlay(false);
    PostMessage(WM_CLOSE, 0, 0);
  };
  // A headless table of several clients gets ready only once that many players sit at it, so
  // that no computer player takes a chair meant for one of them.
  const int seats = std::getenv("PXQD_HEADLESS_SEATS") ? std::atoi(std::getenv("PXQD_HEADLESS_SEATS")) : 0;
  hooks.mayGetReady = [app, seats] {
    int seated = 0;
    for (int chair = 0; chair < 4; ++chair) seated += app->GetSeatUserID(chair) != 0 ? 1 : 0;
    return seated >= seats;
  };
  m_scene->SetHooks(std::move(hooks));

  CSceneRequests::Identity identity;
  identity.context = [app] {
    RequestContext c;
    c.userId = app->GetUserID();
    c.gameId = app->GetGameId();
    c.roomId = app->GetRoomID();
    c.tableNo = app->GetTableNO();
    c.chair = app->GetChairNO();
    c.lookOn = app->IsLookOn();
    GetMachineId(c.machineId);
    return c;
  };
  identity.seatUserId = [app](int chair) { return app->GetSeatUserID(chair); };
  identity.turnHolderChair = [app] { return app->Info().SideToChair(app->Table().Clock().pointTo / 2); };
  m_requests = std::make_unique<CSceneRequests>(*app->GetMJConnection(), app->Table(), identity);
  m_turn = std::make_unique<CTableTurn>(app->Table(), app->Info(), *m_requests, m_wait);
  CTableTurn::Hooks turn;
  turn.isLookOn = [app] { return app->IsLookOn() != 0; };
  turn.playSound = [app](int resource, int flags) { app->PlaySound(resource, flags | 0x0001); };
  turn.chat = [app](const std::string& line) { app->AddChatText(line.c_str()); };
  turn.log = [](const std::string& line) { LogPrintf("%s", line.c_str()); };
  turn.redraw = [this] {
    if (m_scene != nullptr) m_scene->MarkStale();
  };
  turn.restartClock = [this] {
    if (m_view == nullptr) return;
    if (m_view->GetClockTimerId() == 0)
      m_view->StartClockTimer();
    else
      m_view->RestartClockTimer();
  };
  turn.turnStalled = [app] { app->GetMJConnection()->SendRequest229405(); };
  m_turn->SetHooks(std::move(turn));
  m_turn->SetAiWeights(LoadAiWeights(static_cast<LPCSTR>(app->GetGameIniPath())));
  m_scene->AttachTurn(m_turn.get());
  m_scene->SetAutoPlay(m_headlessHands > 0);
  if (m_headlessHands > 0) {
    // A headless run plays faster than the real clock when asked to.
    if (const char* tick = std::getenv("PXQD_HEADLESS_TICK_MS")) m_view->SetClockPeriod(static_cast<UINT>(std::atoi(tick)));
  }
  turn.afterRequest = [app] { app->RunWantedResync(); };
  // While a request waits, the table keeps drawing its frames (and does nothing else).
  m_wait.SetKeepAlive([this] { DrawOnlyFrame(); });
  // The resynchronisation waits and asks the same way.
  app->SetRequestRunner([this](const std::function<int()>& request) {
    return m_wait.Busy() ? request() : m_wait.Run(request);
  });
  app->SetSleep([this](DWORD ms) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
      DrawOnlyFrame();
      Sleep(CRequestWait::FRAME_MS);
    }
  });
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

void CVariantFrame::OnSize(UINT type, int cx, int cy) {
  CGameFrameWnd::OnSize(type, cx, cy);
  if (m_view != nullptr && m_view->Window() != nullptr && cx > 0 && cy > 0) {
    ::MoveWindow(m_view->Window(), 0, 0, cx, cy, TRUE);
  }
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
  CGameFrameWnd::OnDestroy();
}

void CVariantFrame::DrawOnlyFrame() {
  if (m_view == nullptr || m_scene == nullptr) return;
  m_scene->SetDrawOnly(true);
  m_view->DrawFrame();
  m_scene->SetDrawOnly(false);
}

LRESULT CVariantFrame::OnPaneUpdate(WPARAM, LPARAM) {
  if (m_view != nullptr) {
    m_view->Start();
    m_view->StartClockTimer();
  }
  return 0;
}
