// Stand-ins for the game layers above the framework: the application, sink and frame classes of
// the mahjong and variant layers as far as the framework relies on them, with panes that record
// every hook the framework calls. They let the framework run whole without the table scene.
#pragma once

#include <string>
#include <vector>

#include "framework/GameApp.h"
#include "framework/GameConnection.h"
#include "framework/GameFrameWnd.h"
#include "framework/GameNotifySink.h"
#include "framework/SkinSettings.h"

namespace testsupport {

// The hooks a pane saw, in order, as "Hook" or "Hook:detail".
struct HookLog {
  std::vector<std::string> calls;
  void Add(const std::string& call) { calls.push_back(call); }
  bool Has(const std::string& call) const;
  size_t Count(const std::string& prefix) const;
};

class RecordingTable : public CTablePaneHooks {
 public:
  explicit RecordingTable(HookLog* log) : m_log(log) {}
  void ResetTable() override { m_log->Add("Table.ResetTable"); }
  void InitKickCountdown() override { m_log->Add("Table.InitKickCountdown"); }
  void KillKickTimer() override { m_log->Add("Table.KillKickTimer"); }
  void ClearKickTimerId() override { m_log->Add("Table.ClearKickTimerId"); }
  UINT GetClockTimerId() const override { return m_clockTimer; }
  void OnPlayerSeated(const PlayerRecord& seat) override { m_log->Add("Table.OnPlayerSeated:" + std::to_string(seat.userId)); }
  void OnPlayerLeft(const PlayerRecord& r) override { m_log->Add("Table.OnPlayerLeft:" + std::to_string(r.userId)); }
  void OnRandomSeated(const BYTE*, size_t) override { m_log->Add("Table.OnRandomSeated"); }
  void OnMovedToTable(const BYTE*, size_t) override { m_log->Add("Table.OnMovedToTable"); }
  void OnBaseSilverNotice(const BYTE*, size_t) override { m_log->Add("Table.OnBaseSilverNotice"); }
  void OnClothingChanged(const BYTE*, size_t) override { m_log->Add("Table.OnClothingChanged"); }
  void OnMemberChanged(const BYTE*, size_t) override { m_log->Add("Table.OnMemberChanged"); }
  void OnTableNotice211920(const BYTE*, size_t) override { m_log->Add("Table.OnTableNotice211920"); }
  void OnSystemText(const BYTE*, size_t) override { m_log->Add("Table.OnSystemText"); }
  UINT m_clockTimer = 0;

 private:
  HookLog* m_log;
};

class RecordingChat : public CChatPaneHooks {
 public:
  explicit RecordingChat(HookLog* log) : m_log(log) {}
  // With it set, every chat line that arrives is reported to the hall as a text record, so that
  // a test in the hall's place sees what the client received.
  bool m_echoToHall = false;
  void OnOnlookerJoined(const PlayerRecord& r) override { m_log->Add("Chat.OnOnlookerJoined:" + std::to_string(r.userId)); }
  void OnOnlookerLeft(const PlayerRecord& r) override { m_log->Add("Chat.OnOnlookerLeft:" + std::to_string(r.userId)); }
  void OnChatLine(const BYTE* data, size_t length) override;
  void OnPlayerCalled(const BYTE*, size_t) override { m_log->Add("Chat.OnPlayerCalled"); }
  void OnPlayerEntered(const PlayerRecord& s) override { m_log->Add("Chat.OnPlayerEntered:" + std::to_string(s.userId)); }
  void OnPlayerLeft(const PlayerRecord& r) override { m_log->Add("Chat.OnPlayerLeft:" + std::to_string(r.userId)); }
  void OnClothingChanged(const BYTE*, size_t) override { m_log->Add("Chat.OnClothingChanged"); }
  void OnSystemText(const BYTE*, size_t) override { m_log->Add("Chat.OnSystemText"); }
  void ShowNotice(const char* text) override { m_log->Add(std::string("Chat.ShowNotice:") + text); }

 private:
  HookLog* m_log;
};

class RecordingPlayers : public CPlayerPaneHooks {
 public:
  explicit RecordingPlayers(HookLog* log) : m_log(log) {}
  void OnOnlookerJoined(const PlayerRecord& r) override { m_log->Add("Players.OnOnlookerJoined:" + std::to_string(r.userId)); }
  void RemovePlayerRow(PlayerRecord& r) override {
    m_log->Add("Players.RemovePlayerRow:" + std::to_string(r.userId));
    r.Clear();
  }
  void AddPlayerRow(const PlayerRecord& s) override { m_log->Add("Players.AddPlayerRow:" + std::to_string(s.userId)); }
  void DeleteRow(const PlayerRecord& r) override { m_log->Add("Players.DeleteRow:" + std::to_string(r.userId)); }
  void UpdateResultCells(const BYTE*, size_t) override { m_log->Add("Players.UpdateResultCells"); }
  void ReloadSeats(const BYTE*, size_t) override { m_log->Add("Players.ReloadSeats"); }
  void ReloadSeats2(const BYTE*, size_t) override { m_log->Add("Players.ReloadSeats2"); }
  void OnBaseSilver(const BYTE*, size_t) override { m_log->Add("Players.OnBaseSilver"); }
  void OnClothingChanged(const BYTE*, size_t) override { m_log->Add("Players.OnClothingChanged"); }

 private:
  HookLog* m_log;
};

// The game's main frame: the three panes, the pane update and the player-details relay.
class CTestFrame : public CGameFrameWnd {
  DECLARE_DYNCREATE(CTestFrame)

 public:
  CTestFrame();
  CTablePaneHooks* GetTableView() override { return &m_table; }
  // Reports the lost connection to the hall (value 3) after the framework's handling, for the
  // end-to-end tests.
  void OnConnectionLost() override;
  CChatPaneHooks* GetChatView() override { return &m_chat; }
  CPlayerPaneHooks* GetPlayerView() override { return &m_players; }

  HookLog m_log;
  RecordingTable m_table;
  RecordingChat m_chat;
  RecordingPlayers m_players;

 protected:
  afx_msg LRESULT OnPaneUpdate(WPARAM wParam, LPARAM lParam);
  afx_msg LRESULT OnHallData7(WPARAM wParam, LPARAM lParam);
  DECLARE_MESSAGE_MAP()
};

// The final sink: the game layers' codes first (none here), then the framework's.
class CTestNotifySink : public CGameNotifySink {
 public:
  int OnNotify(int code, const BYTE* data, size_t length) override {
    codes.push_back(code);
    return CGameNotifySink::OnNotify(code, data, length);
  }
  void OnTableClosed(const BYTE* data, size_t length) override;
  std::vector<int> codes;
};

// The one application object of the game: game code "Pxqd", port 31380, version 2.0, with its
// member objects. InitInstance sets the seat count, runs the framework's start-up and creates
// the main frame, as the game's own start-up does.
class CTestGameApp : public CGameApp {
 public:
  CTestGameApp();
  ~CTestGameApp() override;

  BOOL InitInstance() override;
  int ExitInstance() override;
  int IsPlaying() override { return m_playing >= 0 ? m_playing : CGameApp::IsPlaying(); }
  CGameNotifySink* GetNotifySink() override { return &m_sink; }
  CSkinSettings* GetSkinSettings() override { return &m_skins; }
  CGameConnection* GetConnection() override { return &m_connection; }
  BYTE* GetTableInfo() override { return m_tableInfo; }
  size_t GetTableInfoSize() override { return sizeof(m_tableInfo); }
  int PlaySound(int soundId, int flags) override {
    m_sounds.push_back(soundId);
    return 0;
  }
  CString GetLaunchCommandLine() override { return m_commandLine.empty() ? CGameApp::GetLaunchCommandLine() : CString(m_commandLine.c_str()); }

  // Creates the main frame and registers it, as the game's start-up does after the framework's.
  BOOL CreateMainFrame();

  std::string m_commandLine;
  int m_playing = -1;  // -1: the framework's answer
  // What the test client does as a player would once it sits at the table: say this line (with
  // the quiet chat request, which the server relays back), and play (the table's clock runs).
  std::string m_lineOnEnter;
  bool m_playOnEnter = false;
  bool m_reportToHall = false;
  std::vector<int> m_sounds;
  CTestNotifySink m_sink;
  CSkinSettings m_skins;
  CGameConnection m_connection;
  BYTE m_tableInfo[4096] = {};
  CTestFrame* m_frame = nullptr;
};

}  // namespace testsupport
