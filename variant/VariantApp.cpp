#include "variant/VariantApp.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "framework/SharedHelpers.h"
#include "mahjong/scene/TableDump.h"
#include "net/NetLog.h"
#include "platform/kernel/Profile.h"
#include "framework/AdvertView.h"
#include "mahjong/MJGameChatView.h"
#include "mahjong/MJGameTableView.h"
#include "variant/AdHistoryView.h"
#include "variant/GameOptionsDlg.h"
#include "variant/PlayerView.h"
#include "framework/GameFrameWnd.h"
#include "variant/VariantFrame.h"

void CVariantNotifyHost::AppendChat(const std::string& line) { m_app.AddChatText(line.c_str()); }
void CVariantNotifyHost::MarkSeatStarted(int chair) {
  m_app.Painter().MarkSeatStarted(chair);
  // The player who started shows his ready icon at his seat until the hand is dealt.
  if (auto* frame = dynamic_cast<CVariantFrame*>(m_app.GetGameFrame())) {
    if (CVariantTableScene* scene = frame->Scene()) scene->ShowReadyIcon(chair);
  }
}
void CVariantNotifyHost::StartSeatsForNewHand() { m_app.Painter().OnNewHand(); }
int CVariantNotifyHost::IsPlaying() { return m_app.IsPlaying(); }
int CVariantNotifyHost::GetViewMode() { return m_app.GetViewMode(); }
void CVariantNotifyHost::RelayoutTableControls() {
  if (CMJGameTableView* view = CMJGameTableView::FromMainWindow()) view->RelayoutScene();
}
int CVariantNotifyHost::RejectsSeeHandRequests() { return m_app.IsRejectKanPaiAsk(); }
int CVariantNotifyHost::IsUnwelcome(int userId) { return m_app.IsUnwelcome(userId); }
std::string CVariantNotifyHost::GetSeatDisplayName(int chair) {
  return static_cast<LPCSTR>(m_app.GetSeatPlayerDisplayName(chair));
}
int CVariantNotifyHost::GetOwnUserId() { return m_app.GetUserID(); }
int CVariantNotifyHost::IsLookOn() { return m_app.IsLookOn(); }
void CVariantNotifyHost::Log(const std::string& line) { LogPrintf("%s", line.c_str()); }

// The panes of the main frame that the notifications reach.
namespace {
CMainFrame* MainFrameOf(CVariantApp& app) { return dynamic_cast<CMainFrame*>(app.GetGameFrame()); }
}  // namespace

void CVariantNotifyHost::SetAdvertUrl(const std::string& url) {
  m_url = url;
  CMainFrame* frame = MainFrameOf(m_app);
  CAdHistoryView* board = frame != nullptr ? frame->GetHistoryView() : nullptr;
  if (board == nullptr || board->GetSafeHwnd() == nullptr || url.empty()) return;
  auto copy = std::make_unique<char[]>(url.size() + 2);
  std::memcpy(copy.get(), url.c_str(), url.size() + 1);
  if (board->PostMessage(WM_ADVERT_URL, reinterpret_cast<WPARAM>(copy.get()), 0)) copy.release();
}

void CVariantNotifyHost::RefreshRanking() {
  CMainFrame* frame = MainFrameOf(m_app);
  CAdHistoryView* board = frame != nullptr ? frame->GetHistoryView() : nullptr;
  if (board != nullptr && board->GetWeb().GetSafeHwnd() != nullptr) board->GetWeb().ClickLinkByText("刷新排名");
}

void CVariantNotifyHost::UpdateScoreCells(const BYTE* record, size_t length) {
  CMainFrame* frame = MainFrameOf(m_app);
  if (CPlayerView* players = frame != nullptr ? frame->GetPlayerListPane() : nullptr) {
    players->UpdateScoreCells(record, length);
  }
  // Each seat's silver of the hand goes onto the record board, beside its chair's name.
  if (CAdHistoryView* board = frame != nullptr ? frame->GetHistoryView() : nullptr) {
    for (int chair = 0; chair < RECORD_BOARD_CHAIRS; ++chair) {
      board->AddRound(chair, m_app.Info().ResultWord(RoundResultLayout::SILVER + 4 * static_cast<size_t>(chair)));
    }
  }
}

void CVariantNotifyHost::ShowSeeHandPopup(int userId) {
  CMainFrame* frame = MainFrameOf(m_app);
  if (CPlayerView* players = frame != nullptr ? frame->GetPlayerListPane() : nullptr) players->ShowRequestPopup(userId);
}

void CVariantNotifyHost::AddLookCardsLine(const BYTE* body, size_t length) {
  CMainFrame* frame = MainFrameOf(m_app);
  if (auto* chat = frame != nullptr ? dynamic_cast<CMJGameChatView*>(frame->GetChatView()) : nullptr) {
    chat->AddLookCardsLine(body, length);
  }
}

void CVariantApp::Effects::Log(const std::string& line) { LogPrintf("%s", line.c_str()); }

CVariantApp::CVariantApp() : CMJGameApp("Pxqd", 31380, 2, 0), m_connection(nullptr, 0, 0, 0) { JoinMembers(); }

CVariantApp::~CVariantApp() = default;

void CVariantApp::JoinMembers() {
  CMJGameConnection::Hooks hooks;
  hooks.onRequestFailed = [this] {
    // The table and the game description belong to the UI thread.
    if (m_uiThread != 0 && GetCurrentThreadId() != m_uiThread) {
      m_resyncWanted = true;
      return;
    }
    OnRequestFailed();
  };
  hooks.postLocalNotice = [this](int code, const BYTE* body, size_t length) { m_localNotices.Post(code, body, length); };
  m_connection.SetHooks(hooks);
  m_gameInfo.SetNameSource([this](int chair) { return std::string(static_cast<LPCSTR>(GetSeatPlayerName(chair))); });
  CSeatPainter::Hooks seats;
  seats.seat = [this](int chair, SeatPlayer* out) {
    if (chair < 0 || chair >= SEAT_COUNT) return false;
    const PlayerRecord* r = Tables().Seat(chair);
    if (r == nullptr || r->userId == 0) return false;
    out->userId = r->userId;
    out->gender = r->value68;  // the player record's word at byte 68
    out->name = r->name;
    return true;
  };
  seats.programFolder = [this] { return std::string(static_cast<LPCSTR>(GetModuleFolder())); };
  m_seatPainter.SetHooks(seats);
  // A long run names a file in PXQD_TABLE_DUMP: the table's line at the end of every hand goes
  // there, to be held against the server's record of the hand.
  if (const char* dump = std::getenv("PXQD_TABLE_DUMP"); dump != nullptr && *dump != '\0') {
    m_notifySink.SetHandEndWatch([this, path = std::string(dump)] {
      // Only a hand this client followed from its deal or a resync has a table to compare.
      if (!m_table.IsPlaying()) return;
      if (!CTableDump::Append(path, CTableDump::Format(m_table, m_gameInfo))) LogPrintf("table dump: cannot write %s", path.c_str());
    });
  }
  JoinDialogs();
}

void CVariantApp::JoinDialogs() {
  CTableDialogs::Hooks d;
  d.leave = LeaveTableOf(*this);
  d.exchange.context = [this] { return TableRequestContext(*this); };
  d.exchange.ownName = [this] { return std::string(static_cast<LPCSTR>(GetPlayerName(GetUserID()))); };
  d.exchange.submit = [this](const RequestBody& form) { return SendTableRequest(*this, REQ_SUBMIT_EXCHANGE, form); };
  d.exchange.message = [this](const char* text) {
    int seconds = 10;
    ShowMessageBox(text, "确定", "取消", &seconds, BOX_STYLE_INFO);
  };
  d.exchange.tableViewRect = [this] {
    RECT rc{0, 0, 0, 0};
    if (auto* frame = dynamic_cast<CVariantFrame*>(GetGameFrame())) {
      if (frame->TableView() != nullptr && frame->TableView()->Window() != nullptr) {
        ::GetWindowRect(frame->TableView()->Window(), &rc);
      }
    }
    return rc;
  };
  d.ownUserId = [this] { return GetUserID(); };
  d.isLookOn = [this] { return IsLookOn() != 0; };
  d.canLeaveNow = [this] { return m_gameInfo.CanLeaveNow(1) != 0; };
  d.chat = [this](const std::string& line) { AddChatText(line.c_str()); };
  d.showWait = [this](bool show) { ShowWait(EXCHANGE_WAIT_TEXT, show ? TRUE : FALSE); };
  d.requestPrizePage = [this] { return SendTableRequest(*this, REQ_PRIZE_PAGE, MakePrizePageRequest(TableRequestContext(*this))); };
  d.queryActivity = [this] {
    return SendTableRequest(*this, REQ_ACTIVITY_QUERY, MakeActivityQuery(TableRequestContext(*this)));
  };
  m_dialogs.SetHooks(std::move(d));
}

void CVariantApp::LoadSettings() {
  const CString ini = GetGameIniPath();
  m_quickCatch = static_cast<int>(GetPrivateProfileIntA("GAMESET", "QuickCatch", 1, ini));
  m_silence = static_cast<int>(GetPrivateProfileIntA("GAMESET", "Silence", 0, ini));
  m_rejectKanPaiAsk = static_cast<int>(GetPrivateProfileIntA("GAMESET", "RejectKanPaiAsk", 0, ini));
}

void CVariantApp::SaveSettings() {
  const CString ini = GetGameIniPath();
  char value[16];
  std::snprintf(value, sizeof(value), "%d", m_quickCatch);
  WritePrivateProfileStringA("GAMESET", "QuickCatch", value, ini);
  std::snprintf(value, sizeof(value), "%d", m_silence);
  WritePrivateProfileStringA("GAMESET", "Silence", value, ini);
  std::snprintf(value, sizeof(value), "%d", m_rejectKanPaiAsk);
  WritePrivateProfileStringA("GAMESET", "RejectKanPaiAsk", value, ini);
}

void CVariantApp::RunWantedResync() {
  if (!m_resyncWanted.exchange(false)) return;
  OnRequestFailed();
  // A request of the resynchronisation itself that failed asks for nothing more.
  m_resyncWanted = false;
}

BOOL CVariantApp::InitInstance() {
  m_uiThread = GetCurrentThreadId();
  LoadSettings();
  SetPlayerCount(4);
  m_seatPainter.SetOwnChair(GetChairNO());
  if (!CMJGameApp::InitInstance()) return FALSE;
  m_gameInfo.SetOwnChair(GetChairNO());
  m_table.SetLookOn(IsLookOn() != 0);
  return CreateMainWindow();
}

BOOL CVariantApp::CreateMainWindow() {
  auto* frame = new CVariantFrame();
  if (!frame->LoadFrame(0, WS_OVERLAPPEDWINDOW, nullptr, nullptr)) return FALSE;
  m_pMainWnd = frame;
  // Every pane gets its first update before the frame is shown, maximised.
  m_nCmdShow = SW_SHOWMAXIMIZED;
  frame->InitialUpdateFrame(nullptr, FALSE);
  ::SetWindowPos(frame->GetSafeHwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  ::SetWindowPos(frame->GetSafeHwnd(), HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  frame->ShowWindow(SW_SHOWMAXIMIZED);
  frame->UpdateWindow();
  ::SetForegroundWindow(frame->GetSafeHwnd());
  // The room is not known yet (the hall's session data comes later): the title is the game's name.
  frame->SetWindowText(GetGameName());
  RegisterMainWindow(frame->GetSafeHwnd());
  return TRUE;
}

void CVariantApp::ShowOptions() {
  CGameOptionsDlg dialog(m_pMainWnd);
  dialog.silence = m_silence;
  dialog.rejectKanPaiAsk = m_rejectKanPaiAsk;
  dialog.quickCatch = m_quickCatch;
  if (dialog.DoModal() != IDOK) return;
  m_silence = dialog.silence;
  m_rejectKanPaiAsk = dialog.rejectKanPaiAsk;
  m_quickCatch = dialog.quickCatch;
}

int CVariantApp::ExitInstance() {
  SaveSettings();
  return CMJGameApp::ExitInstance();
}
