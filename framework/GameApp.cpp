#include "framework/GameApp.h"

#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "controls/ChatRichEdit.h"
#include "framework/BodyReader.h"
#include "framework/GameCommThread.h"
#include "framework/GameConnection.h"
#include "framework/GameFrameWnd.h"
#include "framework/HallRecords.h"
#include "framework/ProgramLauncher.h"
#include "framework/SkinSettings.h"
#include "framework/TimedMessageBox.h"
#include "framework/TimedMessageBoxModeless.h"
#include "net/NetLog.h"
#include "net/SharedKeys.h"
#include "platform/kernel/Kernel.h"
#include "platform/kernel/Process.h"
#include "resources/ProgramResources.h"
#include "platform/user/User.h"
#include "platform/mfc/AsyncSocket.h"
#include "platform/winsock/WinSock.h"

#define WM_BROWSER_DONE 0x8618

namespace {

// The wait dialog stays up this long while a URL is handed to the browser.
constexpr int BROWSER_WAIT_SECONDS = 15;
constexpr DWORD SIGN_WAIT_MS = 6000;
constexpr DWORD HALL_SEND_TIMEOUT_MS = 5000;
constexpr int CHAT_NOTICE_SIZE = 256;
constexpr int DEFAULT_PORTRAIT_ICON = 151;

CString EnvOr(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return CString(value != nullptr && value[0] != '\0' ? value : fallback);
}

CString ReadIniText(LPCSTR section, LPCSTR key, LPCSTR path) {
  char value[MAX_PATH] = {};
  GetPrivateProfileStringA(section, key, "", value, sizeof(value), path);
  return CString(TrimSpaces(value));
}

// A chat notice line in its 256-byte buffer, cut on a character boundary when the text is long.
CString ChatNotice(LPCSTR text) {
  CString line;
  line.Format(" <z=kv系统通知> <c=255>%s\r\n", text);
  if (line.GetLength() < CHAT_NOTICE_SIZE) return line;
  char buffer[CHAT_NOTICE_SIZE];
  CopyTextField(buffer, sizeof(buffer), line, static_cast<size_t>(line.GetLength()));
  return CString(buffer);
}

DWORD WINAPI BrowserThread(LPVOID parameter) {
  BrowserJob* job = static_cast<BrowserJob*>(parameter);
  OpenUrlInUserBrowser(job->url);
  PostMessageA(job->window, WM_BROWSER_DONE, reinterpret_cast<WPARAM>(job), 0);
  return 0;
}

}  // namespace

CGameApp* GetGameApp() { return static_cast<CGameApp*>(AfxGetApp()); }

int FrameworkMessageBox(const char* text, const char* caption, UINT type) {
  CGameApp* app = GetGameApp();
  if (app == nullptr || app->m_pMainWnd == nullptr) return AfxMessageBox(text, type);
  // OK-and-Cancel types keep their Cancel; every other type becomes an OK box with the icon of
  // its kind.
  int style = BOX_STYLE_INFO;
  switch (type & MB_ICONMASK) {
    case MB_ICONHAND: style = BOX_STYLE_ERROR; break;
    case MB_ICONEXCLAMATION: style = BOX_STYLE_WARNING; break;
    default: break;
  }
  if ((type & MB_TYPEMASK) == MB_OKCANCEL) style = (type & MB_ICONMASK) == MB_ICONQUESTION ? BOX_STYLE_QUESTION : BOX_STYLE_INFO_CANCEL;
  int seconds = 10;
  return app->ShowMessageBox(text, "确定", "取消", &seconds, style);
}

HWND FrameworkMainWindow() {
  CWnd* main = AfxGetMainWnd();
  return main != nullptr ? main->GetSafeHwnd() : nullptr;
}

void FrameworkNoticeBox(const char* text) { FrameworkMessageBox(text, nullptr, MB_OK | MB_ICONEXCLAMATION); }

CString GetPlatformWebBase() { return EnvOr("PXQD_WEB_BASE", "http://127.0.0.1:31390/"); }

CString GetBankSite() { return EnvOr("PXQD_BANK_SITE", "http://127.0.0.1:31390"); }

CGameApp::CGameApp(LPCTSTR gameCode, int defaultPort, int versionMajor, int versionMinor)
    : CWinApp(nullptr),
      m_ownMajor(versionMajor),
      m_ownMinor(versionMinor),
      m_defaultPort(defaultPort),
      m_gameCode(gameCode),
      m_tables(&m_launch) {
  m_smallScreen = GetSystemMetrics(SM_CYSCREEN) < 601 ? 1 : 0;
}

// The application object is a global, built before the platform's own globals may be: the
// portrait lists are made at their first use instead of in the constructor.
void CGameApp::CreatePortraitLists() {
  if (m_portraitsLarge == nullptr) m_portraitsLarge = ImageList_Create(32, 32, ILC_MASK | ILC_COLOR32, 4, 1);
  if (m_portraitsSmall == nullptr) m_portraitsSmall = ImageList_Create(16, 16, ILC_MASK | ILC_COLOR32, 4, 1);
}

HIMAGELIST CGameApp::GetPortraitList(bool small) {
  CreatePortraitLists();
  return small ? m_portraitsSmall : m_portraitsLarge;
}

CGameApp::~CGameApp() { DestroyPortraitLists(); }

// The lists go at exit, while the window layer still stands: the application object of the
// program is a global, destroyed only after the layer's own globals may be gone.
void CGameApp::DestroyPortraitLists() {
  if (m_portraitsLarge) ImageList_Destroy(m_portraitsLarge);
  if (m_portraitsSmall) ImageList_Destroy(m_portraitsSmall);
  m_portraitsLarge = nullptr;
  m_portraitsSmall = nullptr;
  m_portraitMap.clear();
}

// ---------------------------------------------------------------------------------------------
// Start-up and exit

CString CGameApp::GetLaunchCommandLine() { return CString(GetCommandLineA()); }

BOOL CGameApp::ParseLaunchLine() {
  CString line = GetLaunchCommandLine();
  LaunchParseResult parsed = ::ParseLaunchLine(line, m_defaultPort, &m_launch);
  if (parsed != LAUNCH_OK) {
    if (parsed == LAUNCH_BAD_ADDRESS) LogPrintf("launch line refused: server address too long");
    if (AfxMessageBox("该程序必须从游戏大厅中启动,是否启动游戏大厅？", MB_YESNO | MB_ICONINFORMATION) == IDYES) {
      StartHall();
    }
    return FALSE;
  }
  RoomRecord& room = m_tables.Room();
  if (m_launch.hasRoomFlags) room.flags = m_launch.roomFlags;
  if (m_launch.hasRoomOptions) room.options = m_launch.roomOptions;
  if (m_launch.hasRoomValue308) room.value308 = m_launch.roomValue308;
  return TRUE;
}

BOOL CGameApp::InitInstance() {
  // The dialogs and menus below are the program's own resources, looked up by id.
  resources::RegisterProgramResources();
  LogInit("Game", 0xA001D);
  if (CSkinSettings* skin = GetSkinSettings()) skin->LoadCurrentSkin();
  if (!ParseLaunchLine()) return FALSE;
  RegisterSocketWindowClass();
  if (!AfxSocketInit()) {
    AfxMessageBox("Windows通信端口初始化失败。", MB_ICONSTOP);
    return FALSE;
  }
  InitRichEditLibrary();
  if (!StartCommThread()) return FALSE;
  return ConnectServer();
}

int CGameApp::ExitInstance() {
  if (CSkinSettings* skin = GetSkinSettings()) skin->UnloadSkin();
  LogTerm();
  UnregisterSocketWindowClass();
  StopCommThread();
  DestroyPortraitLists();
  return CWinApp::ExitInstance();
}

BOOL CGameApp::ConnectServer() {
  ShowWait("正在连接游戏服务器......", TRUE);
  CGameConnection* connection = GetConnection();
  CString failure;
  if (connection != nullptr) {
    connection->ReadProxySettings(GetHallIniPath());
    connection->InitPacketOptions();
    connection->SetNotifyThread(GetCommThreadId());
    int errorKind = 0;
    LogPrintf("connecting to the game server %s:%d", m_launch.serverAddress, m_launch.port);
    if (connection->ConnectToServer("", m_launch.serverAddress, m_launch.port, &errorKind)) {
      if (connection->CheckVersion(failure, &m_serverMajor, &m_serverMinor)) {
        LogPrintf("connected to the game server %s:%d (version %d.%d)", m_launch.serverAddress, m_launch.port,
                  m_serverMajor, m_serverMinor);
        ShowWait(nullptr, FALSE);
        return TRUE;
      }
      LogPrintf("the game server %s:%d refused the version check: %s", m_launch.serverAddress, m_launch.port,
                static_cast<LPCSTR>(failure));
      connection->Disconnect();
    } else if (errorKind == 1) {
      failure.Format("无法连接代理服务器【%s】，请检查设置是否正确。", static_cast<LPCSTR>(connection->GetProxyHost()));
    } else {
      failure = "无法连接游戏服务器，请稍后再试。";
    }
  } else {
    failure = "无法连接游戏服务器，请稍后再试。";
  }
  LogPrintf("no connection to the game server %s:%d: %s", m_launch.serverAddress, m_launch.port,
            static_cast<LPCSTR>(failure));
  ShowWait(failure, TRUE);
  Sleep(3000);
  ReportExitToHall(0);
  return FALSE;
}

void CGameApp::CloseConnection() {
  if (CGameConnection* connection = GetConnection()) connection->Disconnect();
}

BOOL CGameApp::StartCommThread() {
  if (::StartCommThread()) return TRUE;
  AfxMessageBox("通讯线程创建失败。", MB_ICONSTOP);
  return FALSE;
}

void CGameApp::StopCommThread() { ::StopCommThread(); }

// ---------------------------------------------------------------------------------------------
// Virtual operations

int CGameApp::IsPlaying() {
  CGameFrameWnd* frame = GetGameFrame();
  CTablePaneHooks* table = frame != nullptr ? frame->GetTableView() : nullptr;
  return table != nullptr ? static_cast<int>(table->GetClockTimerId()) : 0;
}

BOOL CGameApp::Relaunch() {
  char exe[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  m_launch.launchFlag9 = 1;
  m_launch.lookOn = 0;
  std::string line = FormatRelaunchLine(m_launch, GetRoomFlags(), GetRoomOptions(), GetRoomValue308(), 255);
  if (line.empty()) {
    LogPrintf("relaunch line too long");
    return FALSE;
  }
  return StartProgram(exe, line.c_str(), SW_MAXIMIZE);
}

BOOL CGameApp::RunSelfWithArgs(LPCSTR args) {
  char exe[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  m_launch.launchFlag9 = 1;
  m_launch.lookOn = 0;
  if (FormatSelfCommandLine(exe, args, 1023).empty()) {
    LogPrintf("command line too long");
    return FALSE;
  }
  return StartProgram(exe, args, SW_MAXIMIZE);
}

void CGameApp::StartHall() {
  CString hall = GetHallExePath();
  if (!hall.IsEmpty()) StartProgram(hall, "", SW_SHOWNORMAL);
}

void CGameApp::LeaveTable() {
  if (CGameConnection* connection = GetConnection()) connection->LeaveTable(GetUserID(), GetChairNO());
  CGameFrameWnd* frame = GetGameFrame();
  if (frame != nullptr && frame->GetTableView() != nullptr) frame->GetTableView()->ResetTable();
  CloseConnection();
}

void CGameApp::ListSoundFolders(CStringList& list0, CStringList& list1) {
  CString pattern;
  pattern.Format("%sSound\\*.*", static_cast<LPCSTR>(GetModuleFolder()));
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA(pattern, &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) continue;
    if (std::strcmp(found.cFileName, ".") == 0 || std::strcmp(found.cFileName, "..") == 0) continue;
    if (found.cFileName[0] == '0') list0.AddTail(found.cFileName);
    if (found.cFileName[0] == '1') list1.AddTail(found.cFileName);
  } while (FindNextFileA(find, &found));
  FindClose(find);
}

bool CGameApp::LoadRandomTable(const BYTE* record, size_t length) { return m_tables.LoadRandomTable(record, length); }

bool CGameApp::LoadMovedTable(const BYTE* record, size_t length) { return m_tables.LoadMovedTable(record, length); }

CString CGameApp::SignUrl(LPCSTR url, BOOL addSign) {
  CString signedUrl(url);
  if (!addSign) return signedUrl;
  CString sign = RequestHallSign();
  CString query;
  query.Format("uid=%d&sign=%s", GetUserID(), static_cast<LPCSTR>(sign));
  if (query.IsEmpty()) return signedUrl;
  signedUrl += std::strchr(url, '?') == nullptr ? "?" : "&";
  signedUrl += query;
  return signedUrl;
}

int CGameApp::MayUseBank() {
  return !IsLookOn() && RoomFlagBit2() && ((GetRoomOptions() >> 24) & 1) ? 1 : 0;
}

void CGameApp::OnSilverTooLow(const BYTE* record, size_t length) {
  CBodyReader reply(record, length);
  if (!MayUseBank() || !reply.Has(16)) {
    ShowMessageModeless("客官您的银子不够啦，取点银子再来吧！", "确定", "取消", 10, BOX_STYLE_INFO_CANCEL);
    return;
  }
  const int carried = reply.Int(8);
  const int limit = reply.Int(12);
  CString text;
  text.Format("本房间最少需携带银子%d两\r\n您只携带了%d两\r\n仍少了%d两,是否从保险箱划银？", limit, carried,
              limit - carried);
  int seconds = 10;
  if (ShowMessageBox(text, "确定", "取消", &seconds, BOX_STYLE_QUESTION) == 1) {
    CGameFrameWnd* frame = GetGameFrame();
    if (frame != nullptr && frame->GetToolView() != nullptr) frame->GetToolView()->SetSilverInHand(limit);
  }
}

void CGameApp::OnSilverTooHigh(const BYTE* record, size_t length) {
  CBodyReader reply(record, length);
  if (!MayUseBank() || !reply.Has(16)) {
    ShowMessageModeless("客官，您的银子也太多了，快去存起来吧！", "确定", "取消", 10, BOX_STYLE_INFO_CANCEL);
    return;
  }
  const int carried = reply.Int(8);
  const int limit = reply.Int(12);
  CString text;
  text.Format("本房间最多可携带银子%d两\r\n您携带了%d两\r\n仍超了%d两,是否将银子存入保险箱？", limit, carried,
              carried - limit);
  int seconds = 10;
  if (ShowMessageBox(text, "确定", "取消", &seconds, BOX_STYLE_QUESTION) == 1) {
    CGameFrameWnd* frame = GetGameFrame();
    if (frame != nullptr && frame->GetToolView() != nullptr) frame->GetToolView()->SetSilverInHand(limit);
  }
}

void CGameApp::OnTablePlayers(const BYTE* record, size_t length) {
  if (record == nullptr || length == 0) return;
  TableDataTail tail = m_tables.OnTablePlayers(record, length);
  if (!tail.accepted) return;
  LoadSeatPortraits();
  if (tail.length > 0) {
    SetGameDataFlag(IsLookOn() ? 0 : 1);
    BYTE* info = GetTableInfo();
    size_t size = GetTableInfoSize();
    if (info != nullptr) std::memcpy(info, tail.data, tail.length < size ? tail.length : size);
  }
}

void CGameApp::UpdateSeatNames(const BYTE* record, size_t length) {
  if (record != nullptr) m_tables.UpdateSeatNames(record, length);
}

void CGameApp::OnAllowanceResult(int ok, LPCSTR text, int reserved, int value) {
  if (ok) return;
  AddChatText(ChatNotice(text != nullptr && text[0] != '\0' ? text : "获取低保活动配置失败!"));
}

void CGameApp::OnSilverGiftResult(int ok, LPCSTR text, int reserved1, int reserved2, int amount) {
  if (ok) {
    CString message;
    message.Format("已赠送银子%d两到%s中!", amount, "游戏");
    int seconds = 10;
    ShowMessageBox(message, "确定", "取消", &seconds, BOX_STYLE_INFO_CANCEL);
    return;
  }
  AddChatText(ChatNotice(text != nullptr && text[0] != '\0' ? text : "领取银子失败!"));
}

int CGameApp::SetPlayerClothing(const BYTE* record, size_t length) {
  return record != nullptr ? m_tables.SetPlayerClothing(record, length) : 0;
}

int CGameApp::SetPlayerMember(const BYTE* record, size_t length) {
  return record != nullptr ? m_tables.SetPlayerMember(record, length) : 0;
}

// ---------------------------------------------------------------------------------------------
// Portraits

void CGameApp::LoadPortrait(int portraitId) {
  if (m_portraitMap.count(portraitId) != 0) return;
  CreatePortraitLists();
  CString path;
  path.Format("%s%d_0.bmp", static_cast<LPCSTR>(GetPortraitFolder()), portraitId);
  int index = -1;
  HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
  if (bitmap != nullptr) {
    index = ImageList_AddMasked(m_portraitsLarge, bitmap, RGB(0, 128, 128));
    DeleteObject(bitmap);
  }
  if (index < 0) {
    HICON icon = LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(DEFAULT_PORTRAIT_ICON));
    index = ImageList_AddIcon(m_portraitsLarge, icon);
  }
  if (index < 0) return;
  HICON copy = ImageList_GetIcon(m_portraitsLarge, index, 0);
  ImageList_AddIcon(m_portraitsSmall, copy);
  if (copy != nullptr) DestroyIcon(copy);
  m_portraitMap[portraitId] = index;
}

void CGameApp::LoadSeatPortraits() {
  for (int chair = 0; chair < SEAT_COUNT; ++chair) {
    const PlayerRecord* seat = m_tables.Seat(chair);
    if (seat->userId != 0) LoadPortrait(seat->portraitId);
  }
}

int CGameApp::GetPortraitIndex(int portraitId) const {
  auto it = m_portraitMap.find(portraitId);
  return it != m_portraitMap.end() ? it->second : -1;
}

// ---------------------------------------------------------------------------------------------
// Paths and addresses

CString CGameApp::GetModuleFolder() const {
  char folder[MAX_PATH] = {};
  GetModuleDirectory(folder);
  return CString(folder);
}

CString CGameApp::GetTempFolder() const {
  CString folder;
  folder.Format("%stemp\\", static_cast<LPCSTR>(GetModuleFolder()));
  CreateDirectoryA(folder, nullptr);
  return folder;
}

CString CGameApp::GetGameIniPath() const {
  CString path;
  path.Format("%s%s.ini", static_cast<LPCSTR>(GetModuleFolder()), static_cast<LPCSTR>(m_gameCode));
  return path;
}

CString CGameApp::GetSkinPath() const {
  char path[MAX_PATH] = {};
  GetPrivateProfileStringA("SKIN", "Path", "", path, sizeof(path), GetGameIniPath());
  return CString(path);
}

CString CGameApp::GetUserDataPath() const {
  CString path;
  path.Format("%susers\\%d.dat", static_cast<LPCSTR>(GetHallFolder()), GetUserID());
  return path;
}

CString CGameApp::GetHallIniPath() const {
  CString path;
  path.Format("%s%s.ini", static_cast<LPCSTR>(GetHallFolder()), "ZuzaRuzi");
  return path;
}

CString CGameApp::GetPortraitFolder() const {
  CString path;
  path.Format("%sShare\\Image\\portrait\\", static_cast<LPCSTR>(GetHallFolder()));
  return path;
}

CString CGameApp::GetRulesUrl() const {
  CString url;
  url.Format("%srules/%s.html", static_cast<LPCSTR>(GetPlatformWebBase()), static_cast<LPCSTR>(m_gameCode));
  return url;
}

CString CGameApp::GetSkinPageUrl() const {
  CString url;
  url.Format("%sskin/%s/", static_cast<LPCSTR>(GetPlatformWebBase()), static_cast<LPCSTR>(m_gameCode));
  return url;
}

CString CGameApp::GetBannerAdvertUrl() const {
  CString url = ReadIniText("ADVERT", "WWW1", GetGameIniPath());
  if (url.IsEmpty()) url.Format("%s/advert/banner/%d/xy.htm", GetAdvertBaseUrl(), GetGameId());
  return url;
}

CString CGameApp::GetWindowAdvertUrl() const {
  CString url = ReadIniText("ADVERT", "WWW3", GetGameIniPath());
  if (url.IsEmpty()) url.Format("%s/advert/window/%d/xy.htm", GetAdvertBaseUrl(), GetGameId());
  return url;
}

CString CGameApp::GetBankUrl() const {
  CString url = ReadIniText("ADVERT", "CofferUrl", GetGameIniPath());
  if (url.IsEmpty()) url.Format("%s/zuzaruzi/hall/888/coffer.aspx", static_cast<LPCSTR>(GetBankSite()));
  return url;
}

// ---------------------------------------------------------------------------------------------
// Hall link

BOOL CGameApp::LoadSessionData(const BYTE* data, size_t length) {
  return m_tables.LoadSessionData(data, length) ? TRUE : FALSE;
}

void CGameApp::RegisterMainWindow(HWND frame) {
  PostCommThreadMessage(WM_COMM_SET_TARGET, reinterpret_cast<WPARAM>(frame), 0);
  HWND hall = GetHallWindow();
  if (IsWindow(hall)) {
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(hall, WM_HALL_GAME_WINDOW, reinterpret_cast<WPARAM>(frame), GetTableNO(), SMTO_NORMAL,
                        HALL_SEND_TIMEOUT_MS, &answer);
  }
}

void CGameApp::ReportExitToHall(WPARAM frameWindow) {
  HallExitValues values;
  values.frameWindow = static_cast<uint32_t>(frameWindow);
  values.userId = GetUserID();
  values.tableNo = GetTableNO();
  values.chair = GetChairNO();
  values.serverMajor = m_serverMajor;
  values.lookOn = IsLookOn();
  values.exitKind = m_exitKind;
  values.gameId = GetGameId();
  values.serverMinor = m_serverMinor;
  std::vector<BYTE> record = MakeHallExitRecord(values);
  HWND hall = GetHallWindow();
  if (!IsWindow(hall)) return;
  COPYDATASTRUCT copy{};
  copy.dwData = m_exitKind != 0 ? HALL_EXIT_REPORT_DROPPED : HALL_EXIT_REPORT;
  copy.cbData = static_cast<DWORD>(record.size());
  copy.lpData = record.data();
  DWORD_PTR answer = 0;
  SendMessageTimeoutA(hall, WM_COPYDATA, frameWindow, reinterpret_cast<LPARAM>(&copy), SMTO_NORMAL,
                      HALL_SEND_TIMEOUT_MS, &answer);
}

int CGameApp::SendTextToHall(LPCSTR text, int value) {
  HWND hall = GetHallWindow();
  if (!IsWindow(hall)) return 0;
  HWND main = m_pMainWnd != nullptr ? m_pMainWnd->GetSafeHwnd() : nullptr;
  HallTextValues values;
  values.mainWindow = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(main));
  values.userId = GetUserID();
  values.gameId = GetGameId();
  values.roomId = GetRoomID();
  values.value = value;
  values.text = text != nullptr ? text : "";
  std::vector<BYTE> plain = MakeHallTextRecord(values);
  std::vector<BYTE> sealed(plain.size());
  if (!EncryptHallData(HallKey(), static_cast<DWORD>(plain.size()), plain.data(), sealed.data())) return 0;
  COPYDATASTRUCT copy{};
  copy.dwData = HALL_TEXT_RECORD;
  copy.cbData = static_cast<DWORD>(sealed.size());
  copy.lpData = sealed.data();
  DWORD_PTR answer = 0;
  SendMessageTimeoutA(hall, WM_COPYDATA, reinterpret_cast<WPARAM>(main), reinterpret_cast<LPARAM>(&copy),
                      SMTO_NORMAL, HALL_SEND_TIMEOUT_MS, &answer);
  return 1;
}

CString CGameApp::RequestHallSign() {
  HWND hall = GetHallWindow();
  if (!IsWindow(hall)) return CString();
  CWaitCursor wait;
  // The query's number, not its address, travels to the hall and back.
  uint32_t id = m_signQueries.Create(GetUserID());
  PostMessageA(hall, WM_HALL_SIGN_QUERY, reinterpret_cast<WPARAM>(GetCommWaitWindow()), static_cast<LPARAM>(id));
  return CString(m_signQueries.Wait(id, SIGN_WAIT_MS).c_str());
}

void PostToHallFrame(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND frame = FindWindowA(HALL_FRAME_CLASS, nullptr);
  if (frame != nullptr) PostMessageA(frame, message, wParam, lParam);
}

// ---------------------------------------------------------------------------------------------
// User feedback

void CGameApp::ShowWait(LPCSTR text, BOOL show) {
  if (!show || text == nullptr) {
    PostCommThreadMessage(WM_COMM_SHOW_WAIT, 0, 0);
    return;
  }
  PostWaitText(text, 0);
}

void CGameApp::ShowWaitFor(LPCSTR text, int seconds) { PostWaitText(text, seconds); }

CGameFrameWnd* CGameApp::GetGameFrame() { return dynamic_cast<CGameFrameWnd*>(m_pMainWnd); }

int CGameApp::ShowMessageBox(LPCSTR text, LPCSTR okText, LPCSTR cancelText, int* seconds, int style,
                             const BoxOptions& options) {
  CTimedMessageBox box(m_pMainWnd);
  box.m_okLabel = okText;
  box.m_cancelLabel = cancelText;
  box.m_message = text;
  box.m_focusOk = options.focusOk;
  box.m_okOnly = options.okOnly;
  box.m_extraHeight = options.extraHeight;
  box.m_extraWidth = options.extraWidth;
  if (seconds != nullptr) box.m_seconds = *seconds;
  box.m_style = style;
  int result = static_cast<int>(box.DoModal());
  if (seconds != nullptr) *seconds = box.m_seconds;
  return result;
}

void CGameApp::ShowMessageModeless(LPCSTR text, LPCSTR okText, LPCSTR cancelText, int seconds, int style,
                                   const BoxOptions& options) {
  ShowMessageModelessLink(text, okText, cancelText, "", 0, seconds, style, options);
}

void CGameApp::ShowMessageModelessLink(LPCSTR text, LPCSTR okText, LPCSTR cancelText, LPCSTR link, int signLink,
                                       int seconds, int style, const BoxOptions& options) {
  auto* box = new CTimedMessageBoxModeless();
  box->m_okLabel = okText;
  box->m_cancelLabel = cancelText;
  box->m_message = text;
  box->m_link = link != nullptr ? link : "";
  box->m_signLink = signLink;
  box->m_focusOk = options.focusOk;
  box->m_okOnly = options.okOnly;
  box->m_extraHeight = options.extraHeight;
  box->m_extraWidth = options.extraWidth;
  if (seconds > 0) box->m_seconds = seconds;
  box->m_style = style;
  if (!box->Create(TIMED_BOX_TEMPLATE, m_pMainWnd)) {
    delete box;
    return;
  }
  box->ShowWindow(SW_SHOW);
}

void CGameApp::AddChatText(LPCSTR text) {
  CGameFrameWnd* frame = GetGameFrame();
  CChatPaneHooks* chat = frame != nullptr ? frame->GetChatView() : nullptr;
  HWND pane = chat != nullptr ? chat->GetPaneWindow() : nullptr;
  if (pane != nullptr) SendMessageA(pane, WM_CHAT_APPEND, reinterpret_cast<WPARAM>(text), 0);
}

void CGameApp::OpenUrlInBrowser(LPCSTR url, BOOL addSign) {
  if (url == nullptr) return;
  CWaitCursor wait;
  CString shown;
  char head[33] = {};
  CopyTextField(head, sizeof(head), url, std::strlen(url));
  shown.Format("正在打开%s...", head);
  ShowWaitFor(shown, BROWSER_WAIT_SECONDS);
  auto* job = new BrowserJob();
  job->window = m_pMainWnd != nullptr ? m_pMainWnd->GetSafeHwnd() : nullptr;
  CString target = SignUrl(url, addSign);
  CopyTextField(job->url, sizeof(job->url), target, static_cast<size_t>(target.GetLength()));
  HANDLE thread = ::CreateThread(nullptr, 0, BrowserThread, job, 0, nullptr);
  if (thread == nullptr) {
    delete job;
    ShowWait(nullptr, FALSE);
    return;
  }
  CloseHandle(thread);
}
