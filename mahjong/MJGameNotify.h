// The notification sink of a mahjong table: it takes the mahjong codes and passes the rest to
// the framework's sink. Every body is measured against what its handlers read before anything
// is routed; a short body, or one naming a chair that is no seat here, is refused and logged
// and the table keeps its state.
#pragma once

#include <functional>
#include <string>

#include "framework/GameNotifySink.h"
#include "mahjong/GameInfo.h"
#include "mahjong/scene/TableModel.h"

// What the sink asks of the application, its panes and its seat painter; nothing by default.
class CMJNotifyHost {
 public:
  virtual ~CMJNotifyHost() = default;
  virtual void AppendChat(const std::string& line) {}
  virtual void MarkSeatStarted(int chair) {}
  virtual void StartSeatsForNewHand() {}
  virtual void UpdateScoreCells(const BYTE* record, size_t length) {}
  virtual void RestartCountdown() {}
  // The application's view mode (2: the engine-drawn table), and, for the GDI-drawn table, the
  // scene's controls laid out again.
  virtual int GetViewMode() { return 2; }
  virtual void RelayoutTableControls() {}
  virtual void StopCountdown() {}
  virtual void SetAdvertUrl(const std::string& url) {}
  virtual const std::string& GetAdvertUrl() const { return m_noUrl; }
  virtual void RefreshRanking() {}
  virtual int IsPlaying() { return 0; }
  virtual void ShowWaitingForTable() {}
  virtual int RejectsSeeHandRequests() { return 0; }
  virtual int IsUnwelcome(int userId) { return 0; }
  virtual void ShowSeeHandPopup(int userId) {}
  virtual void AddLookCardsLine(const BYTE* body, size_t length) {}
  virtual void ShowDeparture(const std::string& text) {}
  virtual void OnConnectionBroken() {}
  virtual std::string GetSeatDisplayName(int chair) { return ""; }
  virtual int GetOwnUserId() { return 0; }
  virtual int IsLookOn() { return 0; }
  virtual void Log(const std::string& line) {}

 private:
  std::string m_noUrl;
};

class CMJGameNotify : public CGameNotifySink {
 public:
  CMJGameNotify(CGameInfo& info, CMJTableModel& model, CMJNotifyHost& host);

  int OnNotify(int code, const BYTE* data, size_t length) override;
  void OnTableClosed(const BYTE* data, size_t length) override;
  // This game's table does nothing with 211920, and the framework's handler does not run.
  void OnTableNotice211920(const BYTE* data, size_t length) override {}
  // The random seating carries the table record of the new table: it starts the hand there.
  void OnRandomSeatedExtra(const BYTE* tail, size_t length) override;

  virtual void OnPlayerStarted(const BYTE* data, size_t length);
  virtual void OnNewHand(const BYTE* data, size_t length);
  virtual void OnHandResult(const BYTE* data, size_t length);
  virtual void OnAdvertUrl(const BYTE* data, size_t length);
  virtual void OnSeeHandRequest(const BYTE* data, size_t length);
  virtual void OnHandShown(const BYTE* data, size_t length);
  virtual void OnPlayerBackOrLeft(const BYTE* data, size_t length);

  // The box text when a player has left the table (211000), or empty for a short body.
  std::string MakeDepartureText(const BYTE* data, size_t length);

  // Called with every accepted hand result before the table shows it, while the table still
  // holds the hand as it was played (a long run records the table then).
  void SetHandEndWatch(std::function<void()> watch) { m_handEndWatch = std::move(watch); }

 protected:
  CGameInfo& m_info;
  CMJTableModel& m_model;
  CMJNotifyHost& m_host;
  std::function<void()> m_handEndWatch;
};
