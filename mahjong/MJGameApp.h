// The application of every mahjong game: the table's view mode, the playing test that asks the
// table, sounds that respect the silence setting, the resynchronisation of the table after a
// failed request, and the setters that hand the table's sizes to the seat painter, the game
// description and the table at once. The game's own application supplies the members.
#pragma once

#include <functional>

#include "framework/GameApp.h"
#include "mahjong/GameInfo.h"
#include "mahjong/MJGameConnection.h"
#include "mahjong/SeatPainter.h"
#include "mahjong/scene/MJTableSceneBase.h"
#include "mahjong/scene/TableModel.h"

#define LIST_BACK_COLOR 0xFFFFF0

class CMJGameApp : public CGameApp {
 public:
  CMJGameApp(LPCTSTR gameCode, int defaultPort, int versionMajor, int versionMinor);

  BOOL InitInstance() override;
  int IsPlaying() override;
  int PlaySound(int soundId, int flags) override;
  int GetMaxChairCount() override { return 8; }

  // The members; the game's application gives them.
  virtual CGameInfo* GetGameInfo() { return nullptr; }
  virtual CSeatPainter* GetSeatPainter() { return nullptr; }
  virtual CMJTableModel* GetTableModel() { return nullptr; }
  virtual CMJGameConnection* GetMJConnection() { return nullptr; }
  // The scene that the GDI-drawn table view paints with; none in a game whose table the
  // engine draws.
  virtual CMJTableSceneBase* GetTableScene() { return nullptr; }
  // The table's view mode, the scene's: 2, the engine-drawn table, unless a scene that draws
  // itself with GDI says otherwise.
  virtual int GetSceneViewMode();
  // The hall's details of a player (a player record of `length` bytes), shown on the player card.
  virtual void ShowPlayerCard(const BYTE* record, size_t length) {}
  // The play settings dialog.
  virtual void ShowOptions() {}

  // Called by the connection when a measured game request failed on a live connection.
  virtual void OnRequestFailed();
  // The table again from the stored table data, and the server told that the player is back.
  virtual void RebuildTable();
  virtual void ShowTimedBox(LPCSTR text, int seconds, int style);

  void SetPlayerCount(int n);
  void SetTableSeats(int n);
  void SetTableWord3(int n);
  void SetViewMode(int mode);
  int GetViewMode() const { return m_viewMode; }
  COLORREF GetListBackColor() const { return LIST_BACK_COLOR; }
  // Set once the chat pane could not be made and an empty pane took its place: from then on
  // the frames answer no chat pane.
  int GetChatPaneFallback() const { return m_chatPaneFallback; }
  void SetChatPaneFallback(int fallback) { m_chatPaneFallback = fallback; }

  // How the resynchronisation waits between its attempts (tests replace it).
  void SetSleep(std::function<void(DWORD)> sleep) { m_sleep = std::move(sleep); }
  // How the resynchronisation sends its request: by default in place; the table gives a runner
  // that keeps drawing while the request waits.
  void SetRequestRunner(std::function<int(const std::function<int()>&)> runner) { m_runner = std::move(runner); }

 private:
  int m_viewMode = 1;
  int m_chatPaneFallback = 0;
  std::function<void(DWORD)> m_sleep;
  std::function<int(const std::function<int()>&)> m_runner;
};
