// The framework's application class. The one application object of the process (of the game's
// final class) keeps what the hall hands over: the launch fields, the room and table records and
// the seated players and onlookers. It runs start-up and exit, owns the portrait cache and the
// pending hall sign queries, builds the program's paths and web addresses, and offers the
// operations that panes and dialogs share: message boxes, the wait text, chat notices and
// opening a URL in the browser.
#pragma once

#include <map>
#include <string>

#include "framework/HallSignQueries.h"
#include "framework/LaunchLine.h"
#include "framework/PlayerTables.h"
#include "platform/comctl/CommCtrl.h"
#include "platform/mfc/Afx.h"

class CGameConnection;
class CGameNotifySink;
class CSkinSettings;
class CGameFrameWnd;

// The count-down box styles, as the platform's message-box codes.
#define BOX_STYLE_INFO 0
#define BOX_STYLE_ERROR 16
#define BOX_STYLE_WARNING 48
#define BOX_STYLE_INFO_CANCEL 65
#define BOX_STYLE_QUESTION 33

// What the browser thread needs: the window to report to and the URL it opens.
struct BrowserJob {
  HWND window = nullptr;
  char url[1024] = {};
};

// The options of a count-down box that callers may set besides its texts, time and style.
struct BoxOptions {
  int focusOk = 0;      // button 1 takes the focus
  int okOnly = 0;       // Cancel hidden, OK centred
  int extraHeight = 0;  // 0: measured from the message
  int extraWidth = 0;
};

class CGameApp : public CWinApp {
 public:
  CGameApp(LPCTSTR gameCode, int defaultPort, int versionMajor, int versionMinor);
  ~CGameApp() override;

  BOOL InitInstance() override;
  int ExitInstance() override;

  // The virtual operations that the game layers override, in their slot order.
  virtual int IsPlaying();                                                    // 1
  virtual CGameNotifySink* GetNotifySink() { return nullptr; }                // 2
  virtual CSkinSettings* GetSkinSettings() { return nullptr; }                // 3
  virtual CGameConnection* GetConnection() { return nullptr; }                // 4
  virtual int IsQuickCatch() { return 0; }                                    // 5
  // The game description's table-info block and its size.
  virtual BYTE* GetTableInfo() { return nullptr; }                            // 6
  virtual size_t GetTableInfoSize() { return 0; }
  virtual int PlaySound(int soundId, int flags) { return 0; }                 // 7
  virtual int IsSilence() { return 0; }                                       // 8
  virtual BOOL Relaunch();                                                    // 9
  virtual void StartHall();                                                   // 10
  virtual void LeaveTable();                                                  // 11
  virtual BOOL RunSelfWithArgs(LPCSTR args);                                  // 12
  virtual void ListSoundFolders(CStringList& list0, CStringList& list1);      // 13
  virtual bool LoadRandomTable(const BYTE* record, size_t length);            // 14
  virtual bool LoadMovedTable(const BYTE* record, size_t length);             // 15
  virtual CString SignUrl(LPCSTR url, BOOL addSign);                          // 16
  virtual int GetMaxChairCount() { return SEAT_COUNT; }                       // 17
  virtual int MayUseBank();                                                   // 18
  virtual void OnSilverTooLow(const BYTE* record, size_t length);             // 19
  virtual void OnSilverTooHigh(const BYTE* record, size_t length);            // 20
  virtual void OnTablePlayers(const BYTE* record, size_t length);             // 21
  virtual void UpdateSeatNames(const BYTE* record, size_t length);            // 22
  virtual void OnAllowanceResult(int ok, LPCSTR text, int reserved, int value);                 // 23
  virtual void OnSilverGiftResult(int ok, LPCSTR text, int reserved1, int reserved2, int amount);  // 24
  virtual int SetPlayerClothing(const BYTE* record, size_t length);           // 25
  virtual int SetPlayerMember(const BYTE* record, size_t length);             // 26

  // Launch fields.
  int GetGameId() const { return m_launch.gameId; }
  LPCSTR GetServerAddress() const { return m_launch.serverAddress; }
  int GetRoomID() const { return m_launch.roomId; }
  HWND GetHallWindow() const { return m_launch.hallWindow; }
  int GetUserID() const { return m_launch.userId; }
  int GetTableNO() const { return m_launch.tableNo; }
  int GetChairNO() const { return m_launch.chair; }
  int IsLookOn() const { return m_launch.lookOn; }
  int GetLaunchField9() const { return m_launch.launchFlag9; }
  LPCSTR GetGameName() const { return m_launch.gameName; }
  int GetPort() const { return m_launch.port; }
  LaunchLine& Launch() { return m_launch; }

  // Own data.
  LPCSTR GetGameCode() const { return m_gameCode; }
  int GetOwnVersionMajor() const { return m_ownMajor; }
  int GetOwnVersionMinor() const { return m_ownMinor; }
  int IsSmallScreen() const { return m_smallScreen; }
  int HasGameData() const { return m_hasGameData; }
  void SetGameDataFlag(int flag) { m_hasGameData = flag; }
  int GetExitKind() const { return m_exitKind; }
  void SetExitKind(int kind) { m_exitKind = kind; }
  int* ServerVersionMajor() { return &m_serverMajor; }
  int* ServerVersionMinor() { return &m_serverMinor; }

  // Room record.
  int GetRoomNoticeId() const { return m_tables.Room().noticeId; }
  int GetRoomFlags() const { return m_tables.Room().flags; }
  void SetRoomFlags(int flags) { m_tables.Room().flags = flags; }
  LPCSTR GetRoomName() const { return m_tables.Room().roomName; }
  LPCSTR GetAdvertBaseUrl() const { return m_tables.Room().advertBase; }
  LPCSTR GetNoticeBaseUrl() const { return m_tables.Room().noticeBase; }
  LPCSTR GetLocationText() const { return m_tables.Room().location; }
  int GetNoticePeriod() const { return m_tables.Room().noticePeriod; }
  int GetRoomOptions() const { return m_tables.Room().options; }
  int GetRoomValue() const { return m_tables.Room().value304; }
  int GetRoomValue308() const { return m_tables.Room().value308; }
  int RoomFlagBit2() const { return (GetRoomFlags() >> 2) & 1; }
  int RoomFlagBit14() const { return (GetRoomFlags() >> 14) & 1; }
  int RoomOptionBit1() const { return (GetRoomOptions() >> 1) & 1; }
  int RoomOptionBit3() const { return (GetRoomOptions() >> 3) & 1; }
  int RoomOptionBit6() const { return (GetRoomOptions() >> 6) & 1; }
  int RoomOptionBit7() const { return (GetRoomOptions() >> 7) & 1; }

  // Player tables.
  CPlayerTables& Tables() { return m_tables; }
  PlayerRecord* FindPlayer(int userId) { return m_tables.FindPlayer(userId); }
  int GetSeatUserID(int chair) const { return m_tables.GetSeatUserID(chair); }
  CString GetSeatPlayerName(int chair) const { return m_tables.GetSeatPlayerName(chair).c_str(); }
  CString GetSeatPlayerDisplayName(int chair) const { return m_tables.GetSeatPlayerDisplayName(chair).c_str(); }
  CString GetPlayerName(int userId) const { return m_tables.GetPlayerName(userId).c_str(); }
  CString GetPlayerDisplayName(int userId) const { return m_tables.GetPlayerDisplayName(userId).c_str(); }
  int GetPlayerChair(int userId) const { return m_tables.GetPlayerChair(userId); }
  int GetPlayerPortraitID(int userId) const { return m_tables.GetPlayerPortraitID(userId); }
  int IsOnlooker(int userId) const { return m_tables.IsOnlooker(userId); }
  int IsMember(int userId) const { return m_tables.IsMember(userId); }
  int IsFriend(int userId) const { return m_tables.IsFriend(userId); }
  int IsUnwelcome(int userId) const { return m_tables.IsUnwelcome(userId); }
  int IsKnown(int userId) const { return m_tables.IsKnown(userId); }
  CString GetLevelTitle(int index) const { return m_tables.GetLevelTitle(index).c_str(); }
  void WireToPlayerRecord(PlayerRecord* record, const WirePlayerRecord& wire) const {
    m_tables.WireToPlayerRecord(record, wire);
  }
  void PlayerRecordToWire(WirePlayerRecord* wire, const PlayerRecord& record) const {
    CPlayerTables::PlayerRecordToWire(wire, record);
  }
  void LoadPortrait(int portraitId);
  void LoadSeatPortraits();
  int GetPortraitIndex(int portraitId) const;
  HIMAGELIST GetPortraitList(bool small);

  // Paths and addresses.
  CString GetModuleFolder() const;
  CString GetTempFolder() const;
  CString GetGameIniPath() const;
  CString GetSkinPath() const;
  CString GetUserDataPath() const;
  CString GetHallIniPath() const;
  CString GetPortraitFolder() const;
  CString GetRulesUrl() const;
  CString GetSkinPageUrl() const;
  CString GetBannerAdvertUrl() const;
  CString GetWindowAdvertUrl() const;
  CString GetBankUrl() const;

  // Start-up and exit.
  BOOL ParseLaunchLine();
  BOOL StartCommThread();
  void StopCommThread();
  BOOL ConnectServer();
  void CloseConnection();
  void RegisterMainWindow(HWND frame);

  // Hall link.
  BOOL LoadSessionData(const BYTE* data, size_t length);
  void ReportExitToHall(WPARAM frameWindow);
  int SendTextToHall(LPCSTR text, int value);
  CString RequestHallSign();
  CHallSignQueries& SignQueries() { return m_signQueries; }

  // User feedback.
  void ShowWait(LPCSTR text, BOOL show);
  void ShowWaitFor(LPCSTR text, int seconds);
  int ShowMessageBox(LPCSTR text, LPCSTR okText, LPCSTR cancelText, int* seconds, int style,
                     const BoxOptions& options = BoxOptions());
  void ShowMessageModeless(LPCSTR text, LPCSTR okText, LPCSTR cancelText, int seconds, int style,
                           const BoxOptions& options = BoxOptions());
  void ShowMessageModelessLink(LPCSTR text, LPCSTR okText, LPCSTR cancelText, LPCSTR link, int signLink,
                               int seconds, int style, const BoxOptions& options = BoxOptions());
  void AddChatText(LPCSTR text);
  void OpenUrlInBrowser(LPCSTR url, BOOL addSign);

  // The main frame, or null before it exists.
  CGameFrameWnd* GetGameFrame();

 protected:
  // The command line the launch fields come from.
  virtual CString GetLaunchCommandLine();

 private:
  void CreatePortraitLists();
  void DestroyPortraitLists();

 private:
  int m_smallScreen = 0;
  int m_serverMajor = 0;
  int m_serverMinor = 0;
  int m_ownMajor = 0;
  int m_ownMinor = 0;
  int m_defaultPort = DEFAULT_GAME_PORT;
  CString m_gameCode;
  int m_exitKind = 0;
  int m_hasGameData = 0;
  LaunchLine m_launch;
  CPlayerTables m_tables;
  HIMAGELIST m_portraitsLarge = nullptr;
  HIMAGELIST m_portraitsSmall = nullptr;
  std::map<int, int> m_portraitMap;
  CHallSignQueries m_signQueries;
};

// The one application object, as the framework's class.
CGameApp* GetGameApp();

// The platform's web address that the rules and skins pages hang under (ends in '/'), and the
// bank site's host; deployment values, taken from PXQD_WEB_BASE and PXQD_BANK_SITE when set.
CString GetPlatformWebBase();
CString GetBankSite();

// The lower layers' message boxes and main window, answered by the framework once the game runs:
// a modal count-down box with the platform's message-box type mapped to a box style (OK only
// unless the type asks for OK and Cancel), the main window, and an OK-only notice. The program's
// start-up hands them to the engine and the screenshot writer.
int FrameworkMessageBox(const char* text, const char* caption, UINT type);
HWND FrameworkMainWindow();
void FrameworkNoticeBox(const char* text);

// Posts a message to the hall's frame window (class "ZuzaRuziFrame") when there is one.
void PostToHallFrame(UINT message, WPARAM wParam, LPARAM lParam);
