#include "framework/GameFrameWnd.h"


#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "framework/BodyReader.h"
#include "framework/GameApp.h"
#include "framework/GameCommThread.h"
#include "framework/GameConnection.h"
#include "framework/GameNotifySink.h"
#include "framework/NoticeDownload.h"
#include "framework/SharedHelpers.h"
#include "platform/skin/SkinLibrary.h"
#include "framework/SkinSettings.h"
#include "net/NetLog.h"
#include "net/SharedKeys.h"
#include "platform/hall/HallLink.h"
#include "platform/kernel/Kernel.h"

namespace {

constexpr int BOX_TEXT_EXTRA_HEIGHT = 16;

DWORD WINAPI NotifyDownloadThread(LPVOID parameter) {
  auto* held = static_cast<std::shared_ptr<NotifyDownloadJob>*>(parameter);
  NotifyDownloadJob* job = held->get();
  CString url;
  url.Format("%s/%s", job->baseUrl, job->urlPath);
  EnsureHttpPrefix(url);
  if (DownloadNotice(url, job->localFile)) job->done = 1;
  if (!IsWindow(job->window) ||
      !PostMessageA(job->window, WM_NOTIFY_FILE_READY, reinterpret_cast<WPARAM>(held), 0)) {
    delete held;
  }
  return 0;
}

void FreePacket(WPARAM wParam, LPARAM lParam) {
  delete reinterpret_cast<PacketEnvelope*>(wParam);
  PacketRecord* record = reinterpret_cast<PacketRecord*>(lParam);
  FreePacketData(record);
  delete record;
}

}  // namespace

IMPLEMENT_DYNCREATE(CGameFrameWnd, CFrameWnd)

BEGIN_MESSAGE_MAP(CGameFrameWnd, CFrameWnd)
  ON_WM_CREATE()
  ON_WM_COPYDATA()
  ON_WM_TIMER()
  ON_WM_DESTROY()
  ON_WM_CLOSE()
  ON_WM_SIZE()
  ON_MESSAGE(WM_SESSION_DATA, OnSessionData)
  ON_MESSAGE(WM_ENTER_GAME, OnEnterGame)
  ON_MESSAGE(WM_SKIN_MENU, OnSkinMenu)
  ON_MESSAGE(WM_SKIN_CHANGED, OnSkinChanged)
  ON_MESSAGE(WM_NOTIFY_FILE_READY, OnNotifyFileReady)
  ON_MESSAGE(WM_BROWSER_DONE, OnBrowserDone)
  ON_MESSAGE(WM_PACKET_ARRIVED, OnPacketArrived)
END_MESSAGE_MAP()

CGameFrameWnd::CGameFrameWnd() = default;

// The jobs are shared with their threads, so letting go of them here frees only those whose
// thread has finished.
CGameFrameWnd::~CGameFrameWnd() { m_jobs.clear(); }

BOOL CGameFrameWnd::PreCreateWindow(CREATESTRUCT& cs) {
  if (!CFrameWnd::PreCreateWindow(cs)) return FALSE;
  cs.style &= ~FWS_ADDTOTITLE;
  return TRUE;
}

void CGameFrameWnd::ActivateFrame(int nCmdShow) {
  ::SetMenu(m_hWnd, nullptr);
  CFrameWnd::ActivateFrame(nCmdShow);
}

int CGameFrameWnd::OnCreate(LPCREATESTRUCT lpCreateStruct) {
  if (CFrameWnd::OnCreate(lpCreateStruct) == -1) return -1;
  SkinAttachFrame(m_hWnd, 128);
  // The hall addresses the main frame from its own process.
  platform::PublishWindow(m_hWnd);
  m_hallCheckTimer = SetTimer(TIMER_HALL_CHECK, 1000, nullptr);
  return 0;
}

void CGameFrameWnd::OnDestroy() {
  UINT_PTR* timers[] = {&m_hallCheckTimer, &m_noticeTimer, &m_quitCloseTimer, &m_reportTimer};
  const UINT ids[] = {TIMER_HALL_CHECK, TIMER_NOTIFY_DOWNLOAD, TIMER_CLOSE_AFTER_QUIT, TIMER_RESPONSE_REPORT};
  for (int i = 0; i < 4; ++i) {
    if (*timers[i] != 0) KillTimer(ids[i]);
    *timers[i] = 0;
  }
  // Notifications that arrived after the last one the frame took are freed with it.
  MSG msg;
  while (PeekMessageA(&msg, m_hWnd, WM_PACKET_ARRIVED, WM_PACKET_ARRIVED, PM_REMOVE)) FreePacket(msg.wParam, msg.lParam);
  // So are the notice downloads that finished while the frame was closing.
  while (PeekMessageA(&msg, m_hWnd, WM_NOTIFY_FILE_READY, WM_NOTIFY_FILE_READY, PM_REMOVE)) {
    delete reinterpret_cast<std::shared_ptr<NotifyDownloadJob>*>(msg.wParam);
  }
  CFrameWnd::OnDestroy();
}

// ---------------------------------------------------------------------------------------------
// Network entry

LRESULT CGameFrameWnd::OnPacketArrived(WPARAM wParam, LPARAM lParam) {
  m_lastTraffic = GetTickCount();
  auto* envelope = reinterpret_cast<PacketEnvelope*>(wParam);
  auto* record = reinterpret_cast<PacketRecord*>(lParam);
  CGameApp* app = GetGameApp();
  CGameConnection* connection = app != nullptr ? app->GetConnection() : nullptr;
  if (envelope != nullptr && record != nullptr && connection != nullptr &&
      envelope->connectionId == connection->GetConnectionId()) {
    const int code = static_cast<int>(record->head.code);
    if (code == PACKET_CODE_CLOSED || code == PACKET_CODE_SOCKET_ERROR) {
      OnConnectionLost();
    } else if (CGameNotifySink* sink = app->GetNotifySink()) {
      sink->OnNotify(code, record->data, record->length > 0 ? static_cast<size_t>(record->length) : 0);
    }
  }
  FreePacket(wParam, lParam);
  return 0;
}

void CGameFrameWnd::OnConnectionLost() {
  CGameApp* app = GetGameApp();
  app->SetExitKind(app->IsPlaying());
  LogPrintf("the connection to the game server was lost%s", app->GetExitKind() != 0 ? " in a running hand" : "");
  app->CloseConnection();
  CString text;
  BoxOptions options;
  if (app->GetExitKind() != 0 && !app->IsLookOn()) {
    text.Format("断线了！请尽快重入房间续玩。\r\n\r\n您的位置【%s_%s】。", app->GetRoomName(), app->GetLocationText());
    options.extraHeight = BOX_TEXT_EXTRA_HEIGHT;
  } else {
    text = "与服务器连接断开。";
  }
  if (GetTableView() != nullptr) GetTableView()->ResetTable();
  if (AfxGetMainWnd() != nullptr) app->ShowMessageModeless(text, "确定", "取消", 30, BOX_STYLE_INFO_CANCEL, options);
}

// ---------------------------------------------------------------------------------------------
// Hall records

BOOL CGameFrameWnd::OnCopyData(CWnd*, COPYDATASTRUCT* copy) {
  if (copy == nullptr) return FALSE;
  const ULONG_PTR kind = copy->dwData;
  if (kind != HALL_SESSION_DATA && kind != HALL_ONLOOKER_JOINED && kind != HALL_PLAYER_QUIT &&
      kind != HALL_PLAYER_DETAILS && kind != HALL_DATA13) {
    return FALSE;
  }
  if (copy->lpData == nullptr || !IsAcceptableHallPayload(kind, copy->cbData)) {
    LogPrintf("hall record %lu refused: %u bytes", static_cast<unsigned long>(kind), static_cast<unsigned>(copy->cbData));
    return FALSE;
  }
  std::vector<BYTE> plain(copy->cbData);
  if (!DecryptHallData(HallKey(), copy->cbData, plain.data(), static_cast<const BYTE*>(copy->lpData))) return FALSE;
  CGameApp* app = GetGameApp();
  switch (kind) {
    case HALL_SESSION_DATA:
      if (app->LoadSessionData(plain.data(), plain.size())) PostMessage(WM_SESSION_DATA);
      break;
    case HALL_ONLOOKER_JOINED:
      OnOnlookerJoined(plain.data(), plain.size());
      break;
    case HALL_PLAYER_QUIT:
      OnPlayerQuitRecord(plain.data(), plain.size());
      break;
    case HALL_PLAYER_DETAILS:
      SendMessage(WM_HALL_DATA7, reinterpret_cast<WPARAM>(plain.data()), static_cast<LPARAM>(plain.size()));
      break;
    case HALL_DATA13:
      OnHallData13(plain.data(), plain.size());
      break;
  }
  return TRUE;
}

void CGameFrameWnd::OnOnlookerJoined(const BYTE* data, size_t length) {
  if (length < PLAYER_RECORD_SIZE) return;
  PlayerRecord record = PlayerRecord::Read(data);
  CGameApp* app = GetGameApp();
  int slot = app->Tables().AddOnlooker(record);
  if (slot < 0) return;
  const PlayerRecord& stored = *app->Tables().Onlooker(slot);
  if (GetPlayerView() != nullptr) GetPlayerView()->OnOnlookerJoined(stored);
  if (GetChatView() != nullptr) GetChatView()->OnOnlookerJoined(stored);
}

void CGameFrameWnd::OnPlayerQuitRecord(const BYTE* data, size_t length) {
  PlayerQuitRecord record;
  if (!ReadPlayerQuitRecord(data, length, &record)) return;
  CGameApp* app = GetGameApp();
  const uint32_t hall = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(app->GetHallWindow()));
  if (!m_tableOpen || record.tableNo != app->GetTableNO() || static_cast<uint32_t>(record.hallWindow) != hall) return;
  if (!app->IsLookOn()) {
    if (CGameConnection* connection = app->GetConnection()) connection->LeaveTable(record.userId, record.chair);
  }
  if (GetTableView() != nullptr) GetTableView()->ResetTable();
  OnPlayerQuit(record);
}

void CGameFrameWnd::OnPlayerQuit(const PlayerQuitRecord& record) {
  CGameApp* app = GetGameApp();
  CString text;
  text.Format("%s已经退出,游戏结束。", static_cast<LPCSTR>(app->GetSeatPlayerDisplayName(record.chair)));
  app->ShowWaitFor(text, 3);
  m_quitCloseTimer = SetTimer(TIMER_CLOSE_AFTER_QUIT, 3000, nullptr);
}

// ---------------------------------------------------------------------------------------------
// Start of the game

LRESULT CGameFrameWnd::OnSessionData(WPARAM, LPARAM) {
  CGameApp* app = GetGameApp();
  // A room without a positive period downloads no notice rather than one per timer tick.
  if (app->GetNoticePeriod() > 0) {
    m_noticeTimer = SetTimer(TIMER_NOTIFY_DOWNLOAD, static_cast<UINT>(app->GetNoticePeriod()) * 1000, nullptr);
  }
  app->LoadSeatPortraits();
  PostMessage(WM_ENTER_GAME);
  return 0;
}

LRESULT CGameFrameWnd::OnEnterGame(WPARAM, LPARAM) {
  CGameApp* app = GetGameApp();
  CString text;
  CGameConnection* connection = app->GetConnection();
  if (connection != nullptr && connection->EnterGame(text)) {
    SendMessage(WM_PANE_UPDATE);
    StartReport();
    return 1;
  }
  app->ShowWait(text, TRUE);
  Sleep(3000);
  PostMessage(WM_CLOSE);
  return 0;
}

void CGameFrameWnd::SetReportInterval(int seconds) {
  if (m_reportTimer != 0) KillTimer(TIMER_RESPONSE_REPORT);
  m_reportTimer = seconds > 0 ? SetTimer(TIMER_RESPONSE_REPORT, static_cast<UINT>(seconds) * 1000, nullptr) : 0;
}

void CGameFrameWnd::StartReport() { SetReportInterval(60); }

// ---------------------------------------------------------------------------------------------
// Timers

void CGameFrameWnd::OnTimer(UINT_PTR nIDEvent) {
  CGameApp* app = GetGameApp();
  switch (nIDEvent) {
    case TIMER_HALL_CHECK:
      // The hall is gone: end at once, without the close sequence, the leave request or the
      // exit report.
      if (!IsWindow(app->GetHallWindow())) PostQuitMessage(0);
      break;
    case TIMER_NOTIFY_DOWNLOAD:
      StartNotifyDownload();
      break;
    case TIMER_CLOSE_AFTER_QUIT:
      KillTimer(TIMER_CLOSE_AFTER_QUIT);
      m_quitCloseTimer = 0;
      if (m_tableOpen && AfxGetMainWnd() != nullptr) PostMessage(WM_CLOSE);
      break;
    case TIMER_APPLY_SKIN:
      KillTimer(TIMER_APPLY_SKIN);
      ApplyChosenSkin();
      break;
    case TIMER_RESPONSE_REPORT:
      if (CGameConnection* connection = app->GetConnection()) connection->ReportResponseTimes();
      break;
    case TIMER_NOT_STARTED_KICK:
      KillTimer(TIMER_NOT_STARTED_KICK);
      if (GetTableView() != nullptr) GetTableView()->ClearKickTimerId();
      app->ShowMessageModeless("由于您长时间没有开始，系统请您离开游戏！", "确定", "取消", 10, BOX_STYLE_INFO_CANCEL);
      break;
    default:
      break;
  }
  Default();
}

void CGameFrameWnd::StartNotifyDownload() {
  // One download at a time: a job still in the list is still running or still to be shown.
  if (!m_jobs.empty()) return;
  CGameApp* app = GetGameApp();
  auto job = std::make_shared<NotifyDownloadJob>();
  job->window = m_hWnd;
  CopyTextField(job->baseUrl, sizeof(job->baseUrl), app->GetNoticeBaseUrl(), std::strlen(app->GetNoticeBaseUrl()));
  std::snprintf(job->urlPath, sizeof(job->urlPath), "/notify/game/%d.txt", app->GetGameId());
  std::snprintf(job->localFile, sizeof(job->localFile), "%s%d_%d.txt", static_cast<LPCSTR>(app->GetTempFolder()),
                app->GetRoomNoticeId(), app->GetGameId());
  m_jobs.push_back(job);
  auto* held = new std::shared_ptr<NotifyDownloadJob>(job);
  HANDLE thread = ::CreateThread(nullptr, 0, NotifyDownloadThread, held, 0, nullptr);
  if (thread == nullptr) {
    delete held;
    m_jobs.pop_back();
    return;
  }
  CloseHandle(thread);
}

LRESULT CGameFrameWnd::OnNotifyFileReady(WPARAM wParam, LPARAM) {
  auto* held = reinterpret_cast<std::shared_ptr<NotifyDownloadJob>*>(wParam);
  if (held == nullptr) return 0;
  std::shared_ptr<NotifyDownloadJob> job = *held;
  delete held;
  m_jobs.remove(job);
  if (!job->done) return 0;
  FILE* file = PlatformFopen(job->localFile, "rb");
  if (file == nullptr) return 0;
  std::string text;
  char chunk[1024];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof(chunk), file)) > 0) text.append(chunk, n);
  std::fclose(file);
  DeleteFileA(job->localFile);
  if (GetChatView() != nullptr) GetChatView()->ShowNotice(text.c_str());
  return 0;
}

LRESULT CGameFrameWnd::OnBrowserDone(WPARAM wParam, LPARAM) {
  delete reinterpret_cast<BrowserJob*>(wParam);
  GetGameApp()->ShowWait(nullptr, FALSE);
  return 0;
}

// ---------------------------------------------------------------------------------------------
// Skins

LRESULT CGameFrameWnd::OnSkinMenu(WPARAM wParam, LPARAM) {
  CRect window;
  GetWindowRect(&window);
  const RECT* button = reinterpret_cast<const RECT*>(wParam);
  int x = window.right;
  const int screen = GetSystemMetrics(SM_CXSCREEN);
  if (x > screen) x = screen;
  int y = window.top + (button != nullptr ? button->bottom : 0);
  CSkinSettings* skins = GetGameApp()->GetSkinSettings();
  UINT command = skins != nullptr ? skins->BuildSkinMenu(x, y, GetDialogBar() != nullptr ? GetDialogBar() : this) : 0;
  if (command > 0) PostMessage(WM_SKIN_CHANGED, command);
  return 1;
}

LRESULT CGameFrameWnd::OnSkinChanged(WPARAM wParam, LPARAM) {
  CWaitCursor wait;
  CGameApp* app = GetGameApp();
  const UINT command = static_cast<UINT>(wParam);
  if (command == SKIN_MENU_MORE) {
    app->OpenUrlInBrowser(app->GetSkinPageUrl(), FALSE);
    return 0;
  }
  if (command < SKIN_MENU_FIRST || command > SKIN_MENU_LAST) return 0;
  CSkinSettings* skins = app->GetSkinSettings();
  if (skins == nullptr) return 0;
  CString path = skins->GetListedSkin(command - SKIN_MENU_FIRST);
  if (path.IsEmpty() || !FileExists(path, 0) || skins->IsCurrentSkin(path)) return 0;
  ShowWindow(SW_MINIMIZE);
  skins->m_chosenPath = path;
  SetTimer(TIMER_APPLY_SKIN, 1, nullptr);
  return 0;
}

void CGameFrameWnd::ApplyChosenSkin() {
  CSkinSettings* skins = GetGameApp()->GetSkinSettings();
  if (skins != nullptr) {
    CString path = skins->m_chosenPath;
    skins->WriteSkinPath(path);
    HWND wait = GetCommWaitWindow();
    if (wait != nullptr) {
      char* copy = new char[MAX_PATH];
      CopyTextField(copy, MAX_PATH, path, static_cast<size_t>(path.GetLength()));
      ::SendMessageA(wait, WM_SKIN_CHANGED, reinterpret_cast<WPARAM>(copy), 0);
    }
    SkinSwitch(path);
    LoadSplitterBitmaps();
  }
  ShowWindow(SW_RESTORE);
  CRect window;
  GetWindowRect(&window);
  SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(window.Width(), window.Height()));
}

void CGameFrameWnd::OnSize(UINT nType, int cx, int cy) {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof(version);
  if (nType == SIZE_MAXIMIZED && GetVersionExA(&version) && version.dwMajorVersion > 5) {
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const int fx = GetSystemMetrics(SM_CXFRAME);
    const int fy = GetSystemMetrics(SM_CYFRAME);
    ::SetWindowPos(m_hWnd, HWND_NOTOPMOST, work.left - fx, work.top - fy, work.right - work.left + 2 * fx,
                   work.bottom - work.top + 2 * fy, 0);
  }
  CFrameWnd::OnSize(nType, cx, cy);
}

// ---------------------------------------------------------------------------------------------
// Close

void CGameFrameWnd::OnClose() {
  CGameApp* app = GetGameApp();
  CGameConnection* connection = app->GetConnection();
  if (!app->IsLookOn() && connection != nullptr && connection->QueryGameRunning()) {
    if (OnCloseRequest() == 0) return;
  }
  if (connection != nullptr) {
    if (app->RoomOptionBit6()) {
      CString text;
      if (connection->LeaveGame(text, app->GetUserID(), app->GetChairNO())) {
        int seconds = 5;
        app->ShowMessageBox(text, "确定", "取消", &seconds, BOX_STYLE_INFO);
        return;
      }
    } else {
      connection->LeaveTable(app->GetUserID(), app->GetChairNO());
    }
  }
  app->ReportExitToHall(reinterpret_cast<WPARAM>(m_hWnd));
  app->StopCommThread();
  CFrameWnd::OnClose();
}

int CGameFrameWnd::OnCloseRequest() {
  CGameApp* app = GetGameApp();
  int seconds = 5;
  if (app->RoomFlagBit14()) {
    app->ShowMessageBox("生命不息，战斗不止，请继续游戏。\r\n(如果有玩家长时间不活动，请您等待2分钟后再退出)", "确定",
                        "取消", &seconds, BOX_STYLE_INFO);
    return 0;
  }
  int answer = app->ShowMessageBox("游戏还没有结束，现在退出要扣你分，还要扣你银子。确定退出吗？", "确定", "取消",
                                   &seconds, BOX_STYLE_QUESTION);
  return answer == IDOK ? 1 : 0;
}

int CGameFrameWnd::GetMinPaneHeight() {
  CGameApp* app = GetGameApp();
  if (app == nullptr) return 0;
  if (app->RoomOptionBit3() && !app->IsLookOn()) return app->IsSmallScreen() ? 72 : 104;
  int n = app->GetMaxChairCount();
  if (n > 4) n = 4;
  return app->IsSmallScreen() ? 16 * (n + 1) + 40 : 32 * (n + 1) + 40;
}
