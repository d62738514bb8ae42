// The headless table pane shared by the table's scene tests: a visible parent window standing in
// for the program's main window, the table view in it on the stopped clock, and the variant's
// table scene over a table model whose effects reach the scene. Renderings go to the folder the
// test program is built with (PXQD_TABLE_DUMP_DIR).
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/GameBase.h"
#include "mahjong/MJGameConnection.h"
#include "mahjong/MJGameNotify.h"
#include "mahjong/MJTableView.h"
#include "mahjong/scene/SceneRequests.h"
#include "mahjong/scene/TableModel.h"
#include "platform/base/WinTypes.h"
#include "tests/engine/EngineResFixture.h"
#include "variant/RequestWait.h"
#include "variant/TableTurn.h"
#include "variant/VariantGameInfo.h"
#include "variant/VariantTableScene.h"

namespace tabletest {

// The model is made before the scene that is built over it, so its effects go through this
// until the scene exists; log lines are kept here.
struct EffectsForwarder : CTableEffects {
  CTableEffects* to = nullptr;
  std::vector<std::string> logs;
  // Whether the scene's hand start (dice, deal side by side, flowers) runs for a new hand; off,
  // a new hand shows whole and is played from the next frame.
  bool handStart = false;

  void PlayTileVoice(int side, int tile) override { if (to) to->PlayTileVoice(side, tile); }
  void PlayActionVoice(int side, const char* name) override { if (to) to->PlayActionVoice(side, name); }
  void ShowHand(int side) override { if (to) to->ShowHand(side); }
  void ShowPlayedTile(int side) override { if (to) to->ShowPlayedTile(side); }
  void LayOutRiver(int side) override { if (to) to->LayOutRiver(side); }
  void ShowClaimButton(int button, int enabled) override { if (to) to->ShowClaimButton(button, enabled); }
  void ShowClaimButtons(int show) override { if (to) to->ShowClaimButtons(show); }
  void PlayWinEffect(int side) override { if (to) to->PlayWinEffect(side); }
  void OnCountdownExpired() override { if (to) to->OnCountdownExpired(); }
  void HideAllTileEntities() override { if (to) to->HideAllTileEntities(); }
  void Log(const std::string& line) override { logs.push_back(line); }
  void NewHandDealt() override { if (to && handStart) to->NewHandDealt(); }
  void TableNoticeArrived() override { if (to && handStart) to->TableNoticeArrived(); }
  void TableRebuilt() override { if (to && handStart) to->TableRebuilt(); }
};

// A notification host that keeps the sink's log and watches the table.
struct WatchingHost : CMJNotifyHost {
  std::vector<std::string> logs;
  void Log(const std::string& line) override { logs.push_back(line); }
  int IsLookOn() override { return 1; }
};

// The headless display on the stopped clock with a visible parent window; the table view is
// opened over it by the test with the scene it wants.
class TableViewFixture : public enginetest::EngineResTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The parent window's size; the pane usually fills it.
  virtual int ParentWidth() const { return 1024; }
  virtual int ParentHeight() const { return 768; }

  // Links the game data the build generated into the program folder: the skins, and with
  // `withSound` the sound folder beside them.
  void LinkGameData(bool withSound = false);
  // Takes the scene over: it is deleted after the view's window at the end of the test.
  template <class Scene>
  Scene* Own(Scene* scene) {
    m_ownedScene.reset(scene);
    return scene;
  }
  // Creates the pane over the whole parent, attaches the scene and opens its screen; with
  // `start`, starts it and lets the first frames pass (else the test starts the view itself).
  // Fails the test (fatally) when the pane or scene refuse.
  void OpenView(GameBase* scene, bool start = true);
  // Moves the stopped clock on in 10 ms steps, dispatching what each step brings.
  void Advance(DWORD ms);
  // Lets `settle` ms of frames pass, then captures the pane and saves it as <name>.png.
  std::vector<uint32_t> Capture(const char* name, DWORD settle = 40);
  // The colour (0xRRGGBB) at x, y of the last capture.
  uint32_t At(const std::vector<uint32_t>& pixels, int x, int y) const;

  HWND m_parent = nullptr;
  CMJTableView m_view;
  int m_captureWidth = 0;

 private:
  std::unique_ptr<GameBase> m_ownedScene;
};

// The variant's table scene on the headless pane, over a model of the test's own game info.
class VariantTableFixture : public TableViewFixture {
 protected:
  void TearDown() override;

  // Makes the scene with its hooks (or takes the one given, built over m_model) and lets the
  // model's effects reach it; the test may add bar hooks or a turn before opening the view with
  // OpenScene().
  CVariantTableScene* MakeScene(CVariantTableScene::Hooks hooks = {}, CVariantTableScene* scene = nullptr);
  void OpenScene(bool start = true) { OpenView(m_scene, start); }

  CVariantGameInfo m_info;
  EffectsForwarder m_forward;
  CMJTableModel m_model{m_info, m_forward};
  CVariantTableScene* m_scene = nullptr;
};

// A game connection that answers every request at once and keeps each request's code and body;
// a waited request takes the reply data queued for its code (none: no data).
class RecordingConnection : public CMJGameConnection {
 public:
  RecordingConnection() : CMJGameConnection(nullptr, 0, 0, 0) {}
  int IsConnected() override { return 1; }
  std::vector<int> codes;
  std::vector<std::vector<BYTE>> bodies;
  std::map<int, std::vector<BYTE>> replies;

 protected:
  int Exchange(CString&, int code, int* length, const BYTE* body, int* result, BYTE** replyData, int wait) override;
};

// The variant's table with the player's turn (user 501 at chair 0) sending its requests through
// a recording connection.
class TurnTableFixture : public VariantTableFixture {
 protected:
  static constexpr int OWN_USER = 501;
  static CSceneRequests::Identity OwnIdentity();

  RecordingConnection m_connection;
  CSceneRequests m_requests{m_connection, m_model, OwnIdentity()};
  CRequestWait m_wait;
  CTableTurn m_turn{m_model, m_info, m_requests, m_wait};
};

}  // namespace tabletest
