// The stand-in for the hall program: it prepares the files the client reads (the shared settings
// file, the hall ini, the per-user file), starts the client with a launch line, serves the hall's
// main window (class "ZuzaRuziFrame", reachable from other processes), sends the client its
// session data and, when told, an onlooker or a player who quit, answers sign queries, and logs
// every message and record the client sends it. Tests drive it in their own process; pxqd-hall
// runs it as a program.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/WinTypes.h"
#include "platform/user/WinUser.h"
#include "testbed/hall/HallRecords.h"

namespace testbed {

struct HallOptions {
  std::string hallDir;  // the hall folder (made when missing); real path, UTF-8
  std::string exePath;  // [SYSTEM] ExePath; empty: "pxqd-hall" in the hall folder
  std::string clientPath;
  std::string serverHost = "127.0.0.1";
  int serverPort = 31380;
  // [PROXY] of the hall ini.
  int proxyNeed = 0;
  std::string proxyHost;
  int proxyPort = 1080;
  int proxySock = 3;
  std::string proxyUser;
  std::string proxyPassword;
  // The player and the table of the launch line (texts in GBK).
  int gameId = 1;
  int roomId = 1;
  int userId = 1001;
  std::string playerName = "玩家";
  int table = 0;
  int chair = 0;
  int lookOn = 0;
  std::string gameName = "麻将";
  HallRoom room;
  // The game server's account database, shared with the hall as the real hall and server share
  // their users: the hall writes the names of the players it knows there when it starts. Empty:
  // the server is not told.
  std::string accountsPath;
  // Other players at the table besides the own one (their table is set to the launch table).
  std::vector<HallPlayer> otherSeats;
  std::vector<HallPlayer> onlookers;
  // The session data goes to the game window as soon as the client announces it.
  bool sendSessionOnAnnounce = true;
  // How long each record may wait for the client (SendMessageTimeout); the hall waits 5 s.
  DWORD sendLimitMs = 5000;
  // The user id the sign answers carry; 0 means the launch user id.
  int signUserId = 0;
  std::string logPath;  // every event is also appended here as a line, when set
  bool echo = false;    // and written to standard error
};

struct HallEvent {
  std::string kind;  // see HallStandIn::WaitForEvent
  std::string line;  // the log line
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  ExitReport exit;
  TextRecord text;
};

// Whether the client started last left a running hand on a lost connection: its exit report
// after its start is the one for a dropped connection (kind 5), which the hall answers by letting
// the player back into his chair.
bool ClientLeftOnLostConnection(const std::vector<HallEvent>& events);

class HallStandIn {
 public:
  explicit HallStandIn(HallOptions options);
  ~HallStandIn();
  HallStandIn(const HallStandIn&) = delete;
  HallStandIn& operator=(const HallStandIn&) = delete;

  // Writes the files and opens the hall window on a thread of its own. False when a file cannot
  // be written or the window cannot be published.
  bool Start();
  // Closes the hall window; a client that checks for it then ends.
  void Stop();

  HWND Window() const { return m_window; }
  const HallOptions& Options() const { return m_options; }
  // "\"game|server|room|hall window|0|user|table|chair|look-on|0|game name|port|room flags|room
  // options|room value\"".
  std::string LaunchLine() const;
  std::string SharedSettingsPath() const;
  std::string HallIniPath() const;
  std::string UserFilePath() const;

  // Starts the client program of the options with the launch line. False when it cannot start.
  bool StartClient();
  HANDLE ClientProcess() const { return m_client; }

  // The game window the client announced, null before.
  HWND GameWindow() const;
  // The records of the hall, each sent to the game window with SendMessageTimeout (5 s); false
  // when there is no game window or the send failed.
  bool SendSession();
  bool SendOnlooker(const HallPlayer& player);
  bool SendPlayerQuit(int userId, int chair);
  // The details of a player the hall knows (the own player, the other seats and the onlookers of
  // the options), as the hall answers the client's request to show a player; false for a user
  // it does not know.
  bool SendPlayerDetails(int userId);

  std::vector<HallEvent> Events() const;
  // Waits until an event of that kind has been logged (the first one not yet taken by an earlier
  // wait of the same kind) or the time runs out. Kinds: "game-window", "session-sent",
  // "onlooker-sent", "quit-sent", "sign-query", "sign-answer", "exit-report", "text-record",
  // "forward-notice", "show-player", "change-clothing", "become-member", "refused",
  // "client-started".
  bool WaitForEvent(const std::string& kind, DWORD timeoutMs, HallEvent* out = nullptr);

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  bool WriteFiles();
  // Tells the game server's accounts the names of the players the hall knows.
  void ShareNames();
  void Log(HallEvent event);
  // (A record that could not be delivered is logged as failKind.)
  bool SendRecord(ULONG_PTR kind, const Bytes& plain, const char* eventKind, const std::string& what,
                  const char* failKind = "refused");
  void OnCopyData(HWND sender, const COPYDATASTRUCT* data);
  void AnswerSign(HWND waitDialog, LPARAM queryAddress);
  void ThreadMain();

  HallOptions m_options;
  std::thread m_thread;
  HWND m_window = nullptr;
  HANDLE m_client = nullptr;
  mutable std::mutex m_lock;
  std::condition_variable m_changed;
  bool m_ready = false;
  bool m_failed = false;
  HWND m_gameWindow = nullptr;
  std::vector<HallEvent> m_events;
  std::vector<size_t> m_taken;  // events already handed out by WaitForEvent
};

}  // namespace testbed
