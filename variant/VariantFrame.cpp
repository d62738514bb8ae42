#include "variant/VariantFrame.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>

#include "engine/GameHost.h"
#include "framework/SharedHelpers.h"
#include "mahjong/MJGameTableView2.h"
#include "variant/AdHistoryView.h"
#include "net/NetLog.h"
#include "mahjong/SeatLayout.h"
#include "platform/kernel/Time.h"
#include "variant/PlayerView.h"
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
  ON_MESSAGE(WM_PANE_UPDATE, OnPaneUpdate)
  ON_MESSAGE(WM_HALL_DATA7, OnPlayerDetails)
END_MESSAGE_MAP()

CVariantFrame::CVariantFrame() = default;

CVariantFrame::~CVariantFrame() {
  if (g_frame == this) g_frame = nullptr;
}

int CVariantFrame::OnCreate(LPCREATESTRUCT lpCreateStruct) {
  if (CMainFrame::OnCreate(lpCreateStruct) == -1) return -1;
  auto* app = dynamic_cast<CVariantApp*>(GetGameApp());
  auto* pane = dynamic_cast<CMJGameTableView2*>(GetTablePane());
  if (app != nullptr && pane == nullptr && app->GetViewMode() == VIEW_MODE_GDI) {
    LogPrintf("this frame runs the engine-drawn table only; a scene drawn with GDI has no table here");
  }
  if (app == nullptr || pane == nullptr || pane->Host().Window() == nullptr) return -1;
  m_view = &pane->Host();
  m_scene = std::make_unique<CVariantTableScene>(app->Table());
  app->Dialogs().AttachWindows(m_hWnd, m_view->Window());
  app->Dialogs().SetFrameHooks(
      [this] {
        if (m_scene != nullptr) m_scene->OnSettlementClosed();
      },
      [this](int tickets) {
        // Animations 1 to 10, the last for ten tickets and more.
        if (m_scene != nullptr && tickets > 0) m_scene->Extras().PlayTicketAnimation(std::min(tickets, 10));
      },
      [this]() -> CWnd* { return dynamic_cast<CPlayerView*>(GetPlayerView()); });
  app->Dialogs().SetActivityButton([this] {
    if (m_scene != nullptr) m_scene->Extras().ShowActivityButton();
  });
  // The close request's leave dialog (the frame plays its sound first), and the player pane's
  // answer pop-up.
  CMainFrame::SetLeaveDialog([app] {
    CLeaveRequestDlg dialog(LeaveTableOf(*app));
    return dialog.DoModal();
  });
  CPlayerView::SetLeaveAnswerPopup([app](CPlayerView& pane, int asker, const char* reason64) {
    app->Dialogs().ShowLeaveAnswerFor(&pane, asker, reason64 != nullptr ? reason64 : "");
  });
  CVariantTableScene::Hooks hooks;
  hooks.started = [app](GameBase& scene) { app->Dialogs().AttachScene(&scene); };
  // The activity button opens the exchange; the exchange panels' buttons and the end of the
  // submission's wait go to the table's dialogs.
  hooks.otherCommand = [app](uint32_t code) {
    if (code == CTableExtras::CMD_ACTIVITY) {
      app->Dialogs().OpenExchange();
    } else {
      app->Dialogs().OnSceneCommand(code);
    }
  };
  hooks.sideName = [app](int side) { return CVariantTableScene::PlateName(app->Tables(), app->Info(), side); };
  // Sounds play beside the table, never holding up its frames (see CVariantApp's effects).
  hooks.playSound = [app](int resource, int flags) { app->PlaySound(resource, flags | 0x0001); };
  hooks.log = [](const std::string& line) { LogPrintf("%s", line.c_str()); };
  hooks.start = [this, app] {
    CString text;
    // The ready request waits like the table's own: the table keeps drawing meanwhile.
    auto ready = [app, &text] { return app->GetConnection()->SendReady(text); };
    const int ok = m_wait.Busy() ? 0 : m_wait.Run(ready);
    app->RunWantedResync();
    if (!ok && !text.IsEmpty()) app->ShowWaitFor(text, 3);
    return ok;
  };
  hooks.isLookOn = [app] { return app->IsLookOn() != 0; };
  hooks.iniPath = [app] { return std::string(static_cast<LPCSTR>(app->GetGameIniPath())); };
  hooks.chairToSide = [app](int chair) { return app->Info().ChairToSide(chair); };
  hooks.setTimer = [this](uintptr_t id, UINT ms) {
    if (m_view != nullptr && m_view->Window() != nullptr) ::SetTimer(m_view->Window(), id, ms, nullptr);
  };
  hooks.killTimer = [this](uintptr_t id) {
    if (m_view != nullptr && m_view->Window() != nullptr) ::KillTimer(m_view->Window(), id);
  };
  hooks.waitsForTable = [app] {
    return app->RoomOptionBit1() != 0 && app->GetLaunchField9() == 0 && app->HasGameData() == 0;
  };
  hooks.autoReady = [this, app] {
    m_wait.Run([app] { return app->GetMJConnection()->SendAutoReady(); });
    app->RunWantedResync();
  };
  hooks.hasMainWindow = [this] { return m_hWnd != nullptr; };
  hooks.resetSeats = [app] {
    app->Info().SetTableStatus(0);
    app->Painter().SetAllBanker(0);
    app->Painter().SetAllStarted(0);
  };
  hooks.mustStay = [app] { return app->Info().CanLeaveNow(0) == 0; };
  hooks.systemSeats = [app] { return app->RoomOptionBit1() != 0; };
  hooks.setSeatNote = [app](int side, const std::string& note) { app->Painter().SetSeatName(side, note.c_str()); };
  hooks.quit = [this] { ::PostMessageA(m_hWnd, WM_QUIT, 0, 0); };
  hooks.settlementOpen = [app] {
    const CSettlementDlg* settlement = app->Dialogs().Settlement();
    return settlement != nullptr && settlement->IsOpen();
  };
  hooks.isStarted = [app](int side) { return side >= 0 && side < 4 && app->Painter().GetSeat(side).started != 0; };
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
  hooks.dice = [app](int dice[4]) { app->Info().GetDice(dice); };
  hooks.voiceFolder = [app](int side) { return app->Painter().GetVoiceFolder(side); };
  hooks.isSilent = [app] { return app->IsSilence() != 0; };
  hooks.enteredWithTableData = [app] { return app->HasGameData() != 0 || app->IsLookOn() != 0; };
  hooks.returnToGame = [this, app] {
    if (m_wait.Busy()) return;
    m_wait.Run([app] { return app->GetMJConnection()->SendReturnToGame(1); });
    app->RunWantedResync();
  };
  hooks.refreshSeats = [app] { app->Painter().Refresh(); };
  hooks.refillRecordBoard = [this](bool clearTotals) {
    if (CAdHistoryView* board = GetHistoryView()) board->Refill(clearTotals ? 1 : 0);
  };
  m_scene->SetHooks(std::move(hooks));
  m_scene->SetSmallScreen(app->IsSmallScreen() != 0);

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
  turn.playVoice = [this](int side, const char* name) {
    if (m_scene != nullptr) m_scene->PlayActionVoice(side, name);
  };
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
  turn.replacementLater = [this](uint32_t command, const BYTE* record) {
    if (m_scene != nullptr) m_scene->ReplacementLater(command, record);
  };
  turn.tileDrawn = [this] {
    if (m_scene != nullptr) m_scene->SlideDrawnTile();
  };
  // A table request that failed on a live connection has the table asked for again at once,
  // before anything else is played on a table that may have missed the request's effect.
  turn.afterRequest = [app] { app->RunWantedResync(); };
  turn.startTimer = [this](int timer, int ms) {
    if (m_view != nullptr && m_view->Window() != nullptr) ::SetTimer(m_view->Window(), timer, static_cast<UINT>(ms), nullptr);
  };
  turn.stopTimer = [this](int timer) {
    if (m_view != nullptr && m_view->Window() != nullptr) ::KillTimer(m_view->Window(), timer);
  };
  m_turn->SetHooks(std::move(turn));
  m_turn->SetAiWeights(LoadAiWeights(static_cast<LPCSTR>(app->GetGameIniPath())));
  m_scene->AttachTurn(m_turn.get());
  m_scene->SetAutoPlay(m_headlessHands > 0);
  if (m_headlessHands > 0) {
    // A headless run plays faster than the real clock when asked to.
    UINT tickMs = 1000;
    if (const char* tick = std::getenv("PXQD_HEADLESS_TICK_MS"); tick != nullptr && std::atoi(tick) > 0) {
      tickMs = static_cast<UINT>(std::atoi(tick));
    }
    m_view->SetClockPeriod(tickMs);
    // Nobody closes its settlement: it closes itself after a short look.
    app->Dialogs().SetSettlementSelfClose(HEADLESS_SETTLEMENT_TICKS * tickMs);
  }
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
  CTableBars::Hooks bars;
  bars.isLookOn = [app] { return app->IsLookOn() != 0; };
  bars.iniPath = [app] { return std::string(static_cast<LPCSTR>(app->GetGameIniPath())); };
  bars.addChat = [app](const std::string& line) { app->AddChatText(line.c_str()); };
  bars.log = [](const std::string& line) { LogPrintf("%s", line.c_str()); };
  bars.playSound = [app](int resource, int flags) { app->PlaySound(resource, flags); };
  bars.localTime = [] {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    std::tm now{};
    now.tm_year = t.wYear - 1900, now.tm_mon = t.wMonth - 1, now.tm_mday = t.wDay;
    now.tm_hour = t.wHour, now.tm_min = t.wMinute, now.tm_sec = t.wSecond;
    return now;
  };
  bars.gameCode = [app] { return std::string(app->GetGameCode()); };
  bars.userId = [app] { return app->GetUserID(); };
  bars.dialect = [app] { return app->Painter().GetDialectVoice(); };
  bars.setDialect = [app](int on) { app->Painter().SetDialectVoice(on); };
  bars.sortRule = [app](int* joker1, int* substitute) {
    *joker1 = app->Info().GetJokerTile1();
    *substitute = app->Info().GetSubstituteFlag();
  };
  bars.seeHandAllowed = [app] {
    return app->RoomOptionBit3() == 0 && app->Table().HasHandTiles(SIDE_OWN) == 0 && app->Info().IsHandRunning() != 0;
  };
  bars.fifthBarButton = [app] { return app->Info().HasFifthBarButton() != 0; };
  bars.seeHandOffered = [app] { return app->RoomOptionBit3() == 0; };
  // The table's own requests wait as the play's do, with the table still drawing.
  bars.requestSeeHand = [this, app] {
    const int sent = m_wait.Run([app] { return app->GetMJConnection()->RequestSeeHand(); });
    app->RunWantedResync();
    return sent;
  };
  bars.watchedName = [app] {
    return std::string(static_cast<LPCSTR>(app->GetSeatPlayerDisplayName(app->Info().GetOwnChair())));
  };
  bars.setTimer = [this](uintptr_t id, UINT ms) {
    if (m_view != nullptr && m_view->Window() != nullptr) ::SetTimer(m_view->Window(), id, ms, nullptr);
  };
  bars.killTimer = [this](uintptr_t id) {
    if (m_view != nullptr && m_view->Window() != nullptr) ::KillTimer(m_view->Window(), id);
  };
  m_scene->SetBarHooks(std::move(bars));
  // Looking at the table from outside (tests, tools): each new picture of it goes to a folder.
  const std::string stepFolder = CTableStepRecorder::FolderFromEnvironment();
  if (!stepFolder.empty()) {
    m_steps = std::make_unique<CTableStepRecorder>(stepFolder);
    m_scene->SetStepRecorder(m_steps.get());
    app->Dialogs().SetDialogWatch([this](const char* dialog, bool open) { RecordDialog(dialog, open); });
  }
  g_frame = this;
  GameHostServices services = GetGameHostServices();
  services.getTableView = CurrentTableView;
  services.addChatText = AddChatTextToPane;
  SetGameHostServices(services);
  if (!m_view->AttachGame(m_scene.get())) return -1;
  // The screen is made at once, so that the table is drawn before the table is entered.
  m_view->InitScreen();
  app->SetSceneEffects(m_scene.get());
  if (auto* sink = dynamic_cast<CVariantNotify*>(app->GetNotifySink())) {
    CVariantNotify::SeatHooks seats;
    seats.playerSeated = [this](int chair) {
      if (m_scene != nullptr) m_scene->OnPlayerSeated(chair);
    };
    seats.playerLeft = [this](int chair) {
      if (m_scene == nullptr) return;
      // The leaver's name as the record board still lists it.
      std::string name;
      if (CAdHistoryView* board = GetHistoryView()) {
        const int row = board->Tally().RowOfChair(chair);
        if (row >= 0) name = board->Tally().Rows()[static_cast<size_t>(row)].name;
      }
      m_scene->OnPlayerLeft(chair, name);
    };
    seats.randomSeated = [this] {
      if (m_scene != nullptr) m_scene->OnRandomSeated();
    };
    seats.waitForTable = [this] {
      if (m_scene != nullptr) m_scene->ClearReadyIcons();
    };
    sink->SetSeatHooks(std::move(seats));
  }
  return 0;
}

void CVariantFrame::OnDestroy() {
  if (auto* app = dynamic_cast<CVariantApp*>(GetGameApp())) {
    app->SetSceneEffects(nullptr);
    if (auto* sink = dynamic_cast<CVariantNotify*>(app->GetNotifySink())) sink->SetSeatHooks({});
    app->Dialogs().DetachScene();
    app->Dialogs().AttachWindows(nullptr, nullptr);
  }
  if (m_view != nullptr && m_view->Window() != nullptr) ::DestroyWindow(m_view->Window());
  if (auto* app = dynamic_cast<CVariantApp*>(GetGameApp())) app->Dialogs().SetDialogWatch(nullptr);
  if (m_steps) m_steps->FlushDialogLines();
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

LRESULT CVariantFrame::OnPlayerDetails(WPARAM wParam, LPARAM lParam) {
  if (auto* app = dynamic_cast<CVariantApp*>(GetGameApp())) {
    app->Dialogs().ShowPlayerCard(reinterpret_cast<const BYTE*>(wParam), static_cast<size_t>(lParam));
  }
  return 0;
}

void CVariantFrame::RecordDialog(const char* dialog, bool open) {
  if (!m_steps) return;
  std::string details;
  // The settlement opens once the hand's silver is on the record board: its numbers go along.
  if (open && std::string(dialog) == "settlement" && GetHistoryView() != nullptr) {
    const CRecordBoardTally& tally = GetHistoryView()->Tally();
    std::string last, total;
    for (int chair = 0; chair < RECORD_BOARD_CHAIRS; ++chair) {
      last += (chair != 0 ? "." : "") + std::to_string(tally.Last(chair));
      total += (chair != 0 ? "." : "") + std::to_string(tally.Total(chair));
    }
    details = "last=" + last + " total=" + total;
  }
  m_steps->Dialog(dialog, open, details);
}

void CVariantFrame::DrawOnlyFrame() {
  if (m_view == nullptr || m_scene == nullptr) return;
  m_scene->SetDrawOnly(true);
  if (m_view->DrawFrame()) ::UpdateWindow(m_view->Window());
  m_scene->SetDrawOnly(false);
}

LRESULT CVariantFrame::OnPaneUpdate(WPARAM wParam, LPARAM lParam) {
  // The record board starts from the numbers the table has kept for its chairs.
  if (auto* app = dynamic_cast<CVariantApp*>(GetGameApp()); app != nullptr && GetHistoryView() != nullptr) {
    std::array<int32_t, RECORD_BOARD_CHAIRS> last{}, total{};
    for (int chair = 0; chair < RECORD_BOARD_CHAIRS; ++chair) {
      last[static_cast<size_t>(chair)] = app->Info().GetLastHandSilver(chair);
      total[static_cast<size_t>(chair)] = app->Info().GetTotalSilver(chair);
    }
    GetHistoryView()->Seed(last, total);
  }
  // The panes get the update (the table pane starts the table), then the table's clock starts.
  CMainFrame::OnAdvertRefresh(wParam, lParam);
  if (m_view != nullptr) m_view->StartClockTimer();
  return 0;
}
