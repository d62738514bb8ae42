#include "testbed/hall/HallStandIn.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "platform/base/Gbk.h"
#include "platform/hall/HallLink.h"
#include "platform/kernel/Kernel.h"
#include "platform/user/User.h"
#include "testbed/server/AccountStore.h"

namespace testbed {
namespace {

const char HALL_CLASS[] = "ZuzaRuziFrame";
// The hall's own messages to itself: work that must not run inside the client's send.
const UINT WM_APP_SEND_SESSION = WM_APP + 1;
const UINT WM_APP_ANSWER_SIGN = WM_APP + 2;
const UINT WM_APP_SEND_DETAILS = WM_APP + 3;

std::string Hex(uint64_t v) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "0x%llx", static_cast<unsigned long long>(v));
  return buffer;
}

bool MakeFolders(const std::string& path) {
  for (size_t i = 1; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '/') {
      std::string part = path.substr(0, i);
      if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
  }
  return true;
}

bool WriteValue(const char* section, const char* key, const std::string& value, const std::string& file) {
  return WritePrivateProfileStringA(section, key, value.c_str(), Utf8ToGbk(file).c_str()) != FALSE;
}

}  // namespace

HallStandIn::HallStandIn(HallOptions options) : m_options(std::move(options)) {
  if (!m_options.hallDir.empty() && m_options.hallDir.back() != '/') m_options.hallDir += '/';
  if (m_options.exePath.empty()) m_options.exePath = m_options.hallDir + "pxqd-hall";
}

HallStandIn::~HallStandIn() {
  Stop();
  if (m_client) {
    CloseHandle(m_client);
    m_client = nullptr;
  }
}

std::string HallStandIn::SharedSettingsPath() const {
  char folder[MAX_PATH] = {};
  GetSystemDirectoryA(folder, sizeof folder);
  return GbkToUtf8(folder) + "/kmvt.ini";
}

std::string HallStandIn::HallIniPath() const { return m_options.hallDir + "ZuzaRuzi.ini"; }

std::string HallStandIn::UserFilePath() const {
  return m_options.hallDir + "users/" + std::to_string(m_options.userId) + ".dat";
}

bool HallStandIn::WriteFiles() {
  if (m_options.hallDir.empty() || !MakeFolders(m_options.hallDir + "users")) return false;
  bool ok = WriteValue("SYSTEM", "ExePath", Utf8ToGbk(m_options.exePath), SharedSettingsPath());
  const std::string hallIni = HallIniPath();
  ok = ok && WriteValue("PROXY", "Need", std::to_string(m_options.proxyNeed), hallIni) &&
       WriteValue("PROXY", "Host", m_options.proxyHost, hallIni) &&
       WriteValue("PROXY", "Port", std::to_string(m_options.proxyPort), hallIni) &&
       WriteValue("PROXY", "Sock", std::to_string(m_options.proxySock), hallIni) &&
       WriteValue("PROXY", "User", m_options.proxyUser, hallIni) &&
       WriteValue("PROXY", "pwd", m_options.proxyPassword, hallIni);
  const std::string userFile = UserFilePath();
  ok = ok && WriteValue("PLAYER", "FriendColor", "8421440", userFile) &&
       WriteValue("PLAYER", "KnowColor", "10715996", userFile) &&
       WriteValue("PLAYER", "UnwelcomeColor", "3158064", userFile);
  static const char* const FIX[] = {"100", "200", "500", "1000", "10000", "30000"};
  for (int i = 0; ok && i < 6; ++i) ok = WriteValue("FIXDEPOSIT", ("Fix" + std::to_string(i)).c_str(), FIX[i], userFile);
  return ok;
}

bool HallStandIn::Start() {
  if (!WriteFiles()) {
    Log(HallEvent{"refused", "the hall's files cannot be written in " + m_options.hallDir});
    return false;
  }
  if (!m_options.accountsPath.empty()) ShareNames();
  m_thread = std::thread([this] { ThreadMain(); });
  std::unique_lock<std::mutex> g(m_lock);
  m_changed.wait(g, [this] { return m_ready || m_failed; });
  return m_ready;
}

void HallStandIn::ShareNames() {
  AccountStore store;
  std::string error;
  bool ok = store.Open(m_options.accountsPath, &error) && store.SetHallName(m_options.userId, m_options.playerName);
  for (const std::vector<HallPlayer>* list : {&m_options.otherSeats, &m_options.onlookers}) {
    for (const HallPlayer& p : *list) ok = ok && (p.userId <= 0 || store.SetHallName(p.userId, p.name));
  }
  if (!ok) {
    Log(HallEvent{"refused", "the players' names cannot be written to " + m_options.accountsPath + ": " +
                                 (error.empty() ? store.LastError() : error)});
  }
}

void HallStandIn::ThreadMain() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = WindowProc;
  wc.lpszClassName = HALL_CLASS;
  RegisterClassA(&wc);
  HWND hwnd = CreateWindowExA(0, HALL_CLASS, "hall", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                              nullptr, this);
  if (hwnd) SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  bool ok = hwnd && platform::PublishWindow(hwnd);
  {
    std::lock_guard<std::mutex> g(m_lock);
    m_window = ok ? hwnd : nullptr;
    m_ready = ok;
    m_failed = !ok;
  }
  m_changed.notify_all();
  if (!ok) {
    if (hwnd) DestroyWindow(hwnd);
    return;
  }
  Log(HallEvent{"started", "hall window " + std::to_string(reinterpret_cast<uintptr_t>(hwnd))});
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
}

void HallStandIn::Stop() {
  if (!m_thread.joinable()) return;
  HWND hwnd;
  {
    std::lock_guard<std::mutex> g(m_lock);
    hwnd = m_window;
  }
  if (hwnd) PostMessageA(hwnd, WM_CLOSE, 0, 0);
  m_thread.join();
  std::lock_guard<std::mutex> g(m_lock);
  m_window = nullptr;
}

std::string HallStandIn::LaunchLine() const {
  char line[1024];
  std::snprintf(line, sizeof line, "\"%d|%s|%d|%u|%d|%d|%d|%d|%d|%d|%s|%d|%d|%d|%d\"", m_options.gameId,
                m_options.serverHost.c_str(), m_options.roomId,
                static_cast<unsigned>(reinterpret_cast<uintptr_t>(m_window)), 0, m_options.userId, m_options.table,
                m_options.chair, m_options.lookOn, 0, m_options.gameName.c_str(), m_options.serverPort,
                m_options.room.flags, m_options.room.options, m_options.room.value308);
  return line;
}

bool ClientLeftOnLostConnection(const std::vector<HallEvent>& events) {
  bool dropped = false;
  for (const HallEvent& e : events) {
    if (e.kind == "client-started") dropped = false;
    if (e.kind == "exit-report") dropped = static_cast<ULONG_PTR>(e.lParam) == HALL_EXIT_REPORT_DROPPED;
  }
  return dropped;
}

bool HallStandIn::StartClient() {
  std::string line = LaunchLine();
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(Utf8ToGbk(m_options.clientPath).c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &si, &pi)) {
    Log(HallEvent{"refused", "the client " + m_options.clientPath + " cannot start (error " +
                                 std::to_string(GetLastError()) + ")"});
    return false;
  }
  CloseHandle(pi.hThread);
  if (m_client) CloseHandle(m_client);
  m_client = pi.hProcess;
  Log(HallEvent{"client-started", "client " + std::to_string(pi.dwProcessId) + " started with " + line});
  return true;
}

HWND HallStandIn::GameWindow() const {
  std::lock_guard<std::mutex> g(m_lock);
  return m_gameWindow;
}

bool HallStandIn::SendRecord(ULONG_PTR kind, const Bytes& plain, const char* eventKind, const std::string& what,
                             const char* failKind) {
  HWND target = GameWindow();
  if (!target) {
    Log(HallEvent{failKind, std::string("no game window for ") + what});
    return false;
  }
  Bytes sent = EncryptHallRecord(plain);
  COPYDATASTRUCT data{kind, static_cast<DWORD>(sent.size()), sent.data()};
  DWORD_PTR result = 0;
  bool ok = SendMessageTimeoutA(target, WM_COPYDATA, reinterpret_cast<WPARAM>(m_window),
                                reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, m_options.sendLimitMs, &result) != 0;
  Log(HallEvent{ok ? eventKind : failKind, what + " (" + std::to_string(plain.size()) + " bytes, sent as " +
                                                std::to_string(sent.size()) + ")" + (ok ? "" : " not delivered")});
  return ok;
}

bool HallStandIn::SendSession() {
  HallTable table;
  table.number = m_options.table;
  HallPlayer own;
  own.userId = m_options.userId;
  own.name = m_options.playerName;
  own.table = m_options.table;
  own.chair = m_options.chair;
  own.lookOn = m_options.lookOn;
  (m_options.lookOn ? table.onlookers : table.seats).push_back(own);
  for (HallPlayer p : m_options.otherSeats) {
    p.table = m_options.table;
    table.seats.push_back(p);
  }
  for (HallPlayer p : m_options.onlookers) {
    p.table = m_options.table;
    p.lookOn = 1;
    table.onlookers.push_back(p);
  }
  return SendRecord(HALL_SESSION_DATA, WriteSessionData(m_options.room, table), "session-sent",
                    "session data with " + std::to_string(table.seats.size()) + " seats and " +
                        std::to_string(table.onlookers.size()) + " onlookers");
}

bool HallStandIn::SendOnlooker(const HallPlayer& player) {
  return SendRecord(HALL_ONLOOKER, WritePlayerRecord(player), "onlooker-sent",
                    "onlooker " + std::to_string(player.userId));
}

bool HallStandIn::SendPlayerDetails(int userId) {
  HallPlayer found;
  bool known = false;
  if (userId == m_options.userId) {
    found.userId = m_options.userId;
    found.name = m_options.playerName;
    found.chair = m_options.chair;
    found.lookOn = m_options.lookOn;
    known = true;
  }
  for (const HallPlayer& p : m_options.otherSeats) {
    if (!known && p.userId == userId) found = p, known = true;
  }
  for (const HallPlayer& p : m_options.onlookers) {
    if (!known && p.userId == userId) found = p, found.lookOn = 1, known = true;
  }
  if (!known) {
    Log(HallEvent{"details-unknown", "details of user " + std::to_string(userId) + ", whom the hall does not know"});
    return false;
  }
  found.table = m_options.table;
  // A client that asked and then ended at once no longer takes the answer: that is no fault.
  return SendRecord(HALL_PLAYER_DETAILS, WritePlayerRecord(found), "details-sent",
                    "details of user " + std::to_string(userId), "details-lost");
}

bool HallStandIn::SendPlayerQuit(int userId, int chair) {
  const int32_t hall = static_cast<int32_t>(reinterpret_cast<uintptr_t>(m_window));
  return SendRecord(HALL_PLAYER_QUIT, WriteQuitRecord(hall, userId, m_options.table, chair), "quit-sent",
                    "player " + std::to_string(userId) + " quit chair " + std::to_string(chair));
}

void HallStandIn::AnswerSign(HWND waitDialog, LPARAM queryAddress) {
  const int userId = m_options.signUserId ? m_options.signUserId : m_options.userId;
  Bytes sent = EncryptHallRecord(WriteSignAnswer(userId, HallSign(userId), static_cast<uint64_t>(queryAddress)));
  COPYDATASTRUCT data{HALL_SIGN_ANSWER, static_cast<DWORD>(sent.size()), sent.data()};
  DWORD_PTR result = 0;
  bool ok = SendMessageTimeoutA(waitDialog, WM_COPYDATA, reinterpret_cast<WPARAM>(m_window),
                                reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, m_options.sendLimitMs, &result) != 0;
  HallEvent e{ok ? "sign-answer" : "refused", "sign " + HallSign(userId) + " for user " + std::to_string(userId) +
                                                  " to window " + std::to_string(reinterpret_cast<uintptr_t>(waitDialog)) +
                                                  (ok ? "" : " not delivered")};
  e.wParam = reinterpret_cast<WPARAM>(waitDialog);
  e.lParam = queryAddress;
  Log(e);
}

void HallStandIn::OnCopyData(HWND sender, const COPYDATASTRUCT* data) {
  if (!data) {
    Log(HallEvent{"refused", "WM_COPYDATA without data"});
    return;
  }
  HallEvent e;
  e.wParam = reinterpret_cast<WPARAM>(sender);
  const BYTE* bytes = static_cast<const BYTE*>(data->lpData);
  if (data->dwData == HALL_EXIT_REPORT || data->dwData == HALL_EXIT_REPORT_DROPPED) {
    if (!ReadExitReport(bytes, data->cbData, &e.exit)) {
      Log(HallEvent{"refused", "exit report of " + std::to_string(data->cbData) + " bytes"});
      return;
    }
    e.kind = "exit-report";
    e.lParam = static_cast<LPARAM>(data->dwData);
    e.line = "exit report " + std::to_string(data->dwData) + ": window " + std::to_string(e.exit.frameWindow) +
             ", user " + std::to_string(e.exit.userId) + ", table " + std::to_string(e.exit.table) + ", chair " +
             std::to_string(e.exit.chair) + ", look-on " + std::to_string(e.exit.lookOn) + ", kind " +
             std::to_string(e.exit.exitKind) + ", game " + std::to_string(e.exit.gameId) + ", server version " +
             std::to_string(e.exit.serverMajor) + "." + std::to_string(e.exit.serverMinor);
  } else if (data->dwData == HALL_TEXT_RECORD) {
    Bytes plain;
    if (data->cbData != TEXT_RECORD_SENT_BYTES || !DecryptHallRecord(bytes, data->cbData, &plain) ||
        !ReadTextRecord(plain, &e.text)) {
      Log(HallEvent{"refused", "text record of " + std::to_string(data->cbData) + " bytes"});
      return;
    }
    e.kind = "text-record";
    e.line = "text record from window " + std::to_string(e.text.window) + ", user " + std::to_string(e.text.userId) +
             ", game " + std::to_string(e.text.gameId) + ", room " + std::to_string(e.text.roomId) + ", value " +
             std::to_string(e.text.value) + ": " + GbkToUtf8(e.text.text);
  } else {
    Log(HallEvent{"refused", "WM_COPYDATA " + std::to_string(data->dwData) + " of " + std::to_string(data->cbData) +
                                 " bytes"});
    return;
  }
  Log(e);
}

LRESULT HallStandIn::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  auto note = [&](const char* kind, const std::string& what) {
    HallEvent e{kind, what + " (wParam " + Hex(wParam) + ", lParam " + Hex(static_cast<uint64_t>(lParam)) + ")"};
    e.wParam = wParam;
    e.lParam = lParam;
    Log(e);
  };
  switch (message) {
    case WM_HALL_GAME_WINDOW: {
      {
        std::lock_guard<std::mutex> g(m_lock);
        m_gameWindow = reinterpret_cast<HWND>(wParam);
      }
      note("game-window", "game window announced for table " + std::to_string(lParam));
      if (m_options.sendSessionOnAnnounce) PostMessageA(m_window, WM_APP_SEND_SESSION, 0, 0);
      return 0;
    }
    case WM_APP_SEND_SESSION:
      SendSession();
      return 0;
    case WM_HALL_SIGN_QUERY:
      note("sign-query", "sign query");
      PostMessageA(m_window, WM_APP_ANSWER_SIGN, wParam, lParam);
      return 0;
    case WM_APP_ANSWER_SIGN:
      AnswerSign(reinterpret_cast<HWND>(wParam), lParam);
      return 0;
    case WM_HALL_FORWARD_NOTICE:
      note("forward-notice", "notice passed on");
      return 0;
    case WM_HALL_SHOW_PLAYER:
      note("show-player", "show player " + std::to_string(lParam));
      // The hall answers with the player's details, once this message has been handled.
      PostMessageA(m_window, WM_APP_SEND_DETAILS, 0, lParam);
      return 0;
    case WM_APP_SEND_DETAILS:
      SendPlayerDetails(static_cast<int>(lParam));
      return 0;
    case WM_HALL_CHANGE_CLOTHING:
      note("change-clothing", "change clothing for user " + std::to_string(wParam));
      return 0;
    case WM_HALL_BECOME_MEMBER:
      note("become-member", "membership for user " + std::to_string(wParam));
      return 0;
    case WM_COPYDATA:
      OnCopyData(reinterpret_cast<HWND>(wParam), reinterpret_cast<const COPYDATASTRUCT*>(lParam));
      return 1;
    case WM_DESTROY:
      platform::WithdrawWindow(m_window);
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(m_window, message, wParam, lParam);
  }
}

LRESULT CALLBACK HallStandIn::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<HallStandIn*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self || !self->m_window) return DefWindowProcA(hwnd, message, wParam, lParam);
  return self->Handle(message, wParam, lParam);
}

void HallStandIn::Log(HallEvent event) {
  auto now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", std::localtime(&now));
  std::string line = std::string(stamp) + "  " + event.kind + "  " + event.line + "\n";
  if (!m_options.logPath.empty()) {
    if (FILE* f = std::fopen(m_options.logPath.c_str(), "ab")) {
      std::fputs(line.c_str(), f);
      std::fclose(f);
    }
  }
  if (m_options.echo) std::fputs(line.c_str(), stderr);
  {
    std::lock_guard<std::mutex> g(m_lock);
    m_events.push_back(std::move(event));
  }
  m_changed.notify_all();
}

std::vector<HallEvent> HallStandIn::Events() const {
  std::lock_guard<std::mutex> g(m_lock);
  return m_events;
}

bool HallStandIn::WaitForEvent(const std::string& kind, DWORD timeoutMs, HallEvent* out) {
  std::unique_lock<std::mutex> g(m_lock);
  auto find = [&]() -> long {
    for (size_t i = 0; i < m_events.size(); ++i) {
      if (m_events[i].kind == kind && std::find(m_taken.begin(), m_taken.end(), i) == m_taken.end()) {
        return static_cast<long>(i);
      }
    }
    return -1;
  };
  long found = -1;
  m_changed.wait_for(g, std::chrono::milliseconds(timeoutMs), [&] { return (found = find()) >= 0; });
  if (found < 0) return false;
  m_taken.push_back(static_cast<size_t>(found));
  if (out) *out = m_events[static_cast<size_t>(found)];
  return true;
}

}  // namespace testbed
