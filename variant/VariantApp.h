// This game's application: it owns every game object the framework reaches through the
// application (skin settings, connection, notification sink, game description, table and
// seat painter), keeps the three play settings of [GAMESET] and joins the objects together.
// The player card is not part of it yet.
#pragma once

#include <atomic>
#include <string>

#include "framework/SkinSettings.h"
#include "mahjong/MJGameApp.h"
#include "mahjong/MJGameNotify.h"
#include "variant/LocalNotices.h"
#include "variant/TableDialogs.h"
#include "variant/VariantGameInfo.h"
#include "variant/VariantNotify.h"
#include "variant/VariantSeatPainter.h"

class CVariantApp;

// What the notification sink asks of the application, answered by it.
class CVariantNotifyHost : public CMJNotifyHost {
 public:
  explicit CVariantNotifyHost(CVariantApp& app) : m_app(app) {}
  void AppendChat(const std::string& line) override;
  void MarkSeatStarted(int chair) override;
  void StartSeatsForNewHand() override;
  void SetAdvertUrl(const std::string& url) override;
  void RefreshRanking() override;
  void UpdateScoreCells(const BYTE* record, size_t length) override;
  void ShowSeeHandPopup(int userId) override;
  void AddLookCardsLine(const BYTE* body, size_t length) override;
  const std::string& GetAdvertUrl() const override { return m_url; }
  int IsPlaying() override;
  int GetViewMode() override;
  void RelayoutTableControls() override;
  int RejectsSeeHandRequests() override;
  int IsUnwelcome(int userId) override;
  std::string GetSeatDisplayName(int chair) override;
  int GetOwnUserId() override;
  int IsLookOn() override;
  void Log(const std::string& line) override;

 private:
  CVariantApp& m_app;
  std::string m_url;
};

class CVariantApp : public CMJGameApp {
 public:
  CVariantApp();
  ~CVariantApp() override;

  BOOL InitInstance() override;
  int ExitInstance() override;

  CGameNotifySink* GetNotifySink() override { return &m_notifySink; }
  CSkinSettings* GetSkinSettings() override { return &m_skinSettings; }
  CGameConnection* GetConnection() override { return &m_connection; }
  CMJGameConnection* GetMJConnection() override { return &m_connection; }
  int IsQuickCatch() override { return m_quickCatch != 0 ? 1 : 0; }
  BYTE* GetTableInfo() override { return m_gameInfo.GetTableInfo(); }
  size_t GetTableInfoSize() override { return TableInfoLayout::SIZE; }
  int IsSilence() override { return m_silence; }
  CGameInfo* GetGameInfo() override { return &m_gameInfo; }
  CSeatPainter* GetSeatPainter() override { return &m_seatPainter; }
  CMJTableModel* GetTableModel() override { return &m_table; }
  int IsRejectKanPaiAsk() const { return m_rejectKanPaiAsk; }
  int GetSilenceSetting() const { return m_silence; }
  int GetQuickCatchSetting() const { return m_quickCatch; }
  // The play settings dialog, modal over the main window; OK keeps its settings (written at exit).
  void ShowOptions() override;

  void LoadSettings();
  void SaveSettings();
  void SetSettings(int silence, int rejectKanPaiAsk, int quickCatch) {
    m_silence = silence, m_rejectKanPaiAsk = rejectKanPaiAsk, m_quickCatch = quickCatch;
  }
  CVariantGameInfo& Info() { return m_gameInfo; }
  CVariantSeatPainter& Painter() { return m_seatPainter; }
  CMJTableModel& Table() { return m_table; }
  CLocalNotices& LocalNotices() { return m_localNotices; }
  // The table's dialogs: settlement, leave requests, the exchange activity.
  CTableDialogs& Dialogs() { return m_dialogs; }
  // The engine scene that shows the table, or null to detach it (the frame going away).
  void SetSceneEffects(CTableEffects* scene) { m_effects.SetScene(scene); }

  // The main window: the frame with the table pane, shown and registered with the hall.
  virtual BOOL CreateMainWindow();
  // A request that failed on another thread (the table's requests are sent beside the UI
  // thread) asks for the resynchronisation here; the UI thread runs it once that request is done.
  void RunWantedResync();

 private:
  // The table's sounds go through the application; everything else the table asks of the
  // scene goes to the engine scene once the main frame has attached one.
  class Effects : public CTableEffects {
   public:
    explicit Effects(CVariantApp& app) : m_app(app) {}
    void SetScene(CTableEffects* scene) { m_scene = scene; }
    // The table never waits for a sound to end: a sound played to its end would stop the frames
    // and every notification behind it, so each one plays beside the table.
    void PlaySoundResource(int resource, int flags) override { m_app.PlaySound(resource, flags | SOUND_BESIDE); }
    static constexpr int SOUND_BESIDE = 0x0001;
    void PlayTileVoice(int side, int tile) override { if (m_scene) m_scene->PlayTileVoice(side, tile); }
    void PlayActionVoice(int side, const char* name) override { if (m_scene) m_scene->PlayActionVoice(side, name); }
    void ShowHand(int side) override { if (m_scene) m_scene->ShowHand(side); }
    void ShowPlayedTile(int side) override { if (m_scene) m_scene->ShowPlayedTile(side); }
    void ShowWall() override { if (m_scene) m_scene->ShowWall(); }
    void LayOutRiver(int side) override { if (m_scene) m_scene->LayOutRiver(side); }
    void LayOutFlowers(int side) override { if (m_scene) m_scene->LayOutFlowers(side); }
    void ShowClaimButton(int button, int enabled) override { if (m_scene) m_scene->ShowClaimButton(button, enabled); }
    void ShowClaimButtons(int show) override { if (m_scene) m_scene->ShowClaimButtons(show); }
    void PlayWinEffect(int side) override { if (m_scene) m_scene->PlayWinEffect(side); }
    void MoveClockHand(int from, int to) override { if (m_scene) m_scene->MoveClockHand(from, to); }
    void StopTurnTimers() override { if (m_scene) m_scene->StopTurnTimers(); }
    void OnCountdownExpired() override { if (m_scene) m_scene->OnCountdownExpired(); }
    void ClaimOfferClosed() override { if (m_scene) m_scene->ClaimOfferClosed(); }
    void AddChatLine(const std::string& line) override { if (m_scene) m_scene->AddChatLine(line); }
    void NewHandDealt() override { if (m_scene) m_scene->NewHandDealt(); }
    void TableNoticeArrived() override { if (m_scene) m_scene->TableNoticeArrived(); }
    void TableRebuilt() override { if (m_scene) m_scene->TableRebuilt(); }
    void HideAllTileEntities() override { if (m_scene) m_scene->HideAllTileEntities(); }
    void Log(const std::string& line) override;

   private:
    CVariantApp& m_app;
    CTableEffects* m_scene = nullptr;
  };
  void JoinMembers();
  void JoinDialogs();

  DWORD m_uiThread = 0;
  std::atomic<bool> m_resyncWanted{false};
  int m_silence = 0;
  int m_rejectKanPaiAsk = 0;
  int m_quickCatch = 0;
  CSkinSettings m_skinSettings;
  CMJGameConnection m_connection;
  CVariantGameInfo m_gameInfo;
  Effects m_effects{*this};
  CMJTableModel m_table{m_gameInfo, m_effects};
  CVariantSeatPainter m_seatPainter{m_gameInfo};
  CVariantNotifyHost m_notifyHost{*this};
  CLocalNotices m_localNotices;
  CTableDialogs m_dialogs;
  CVariantNotify m_notifySink{m_gameInfo, m_table, m_notifyHost, m_dialogs};
};
