// The local player's play at the table: the turn clock's countdown, the claim buttons, the
// actions on the own tiles (discard, flower replacement, gangs, melds, the win) and managed
// play. CTurnControl decides which action runs; this class carries the actions out over the
// table model: it sends the request and, only when the server accepts it, changes the table.
// Requests go through a CRequestWait, so that the table keeps drawing while one waits.
#pragma once

#include <functional>
#include <string>

#include "mahjong/GameInfo.h"
#include "mahjong/HandActions.h"
#include "mahjong/TurnControl.h"
#include "mahjong/scene/SceneRequests.h"
#include "mahjong/scene/TableModel.h"
#include "variant/DiscardEvaluator.h"
#include "variant/RequestWait.h"
#include "variant/TableTimers.h"

class CTableTurn : public CTurnActions {
 public:
  struct Hooks {
    std::function<bool()> isLookOn;
    std::function<void(int resource, int flags)> playSound;
    std::function<void(int side, const char* name)> playVoice;
    std::function<void(const std::string&)> chat;
    std::function<void(const std::string&)> log;
    // The table changed in a way the board shows (buttons, raised tiles, the banner).
    std::function<void()> redraw;
    // The countdown timer is started again from a full second.
    std::function<void()> restartClock;
    // The countdown has stood at 0 for long: ask the server to play the stalled turn.
    std::function<void()> turnStalled;
    // After each request, back on the UI thread (a resynchronisation the request asked for).
    std::function<void()> afterRequest;
    // The fallback timers that draw (DRAW_TIMER) or discard (DISCARD_TIMER) in the name of an
    // absent player in turn: started with a wait in milliseconds, and stopped together.
    std::function<void(int timer, int ms)> startTimer;
    std::function<void(int timer)> stopTimer;
    // The replacement tile of an accepted own gang (CMD 210007) or flower replacement (210008):
    // the draw record (32 bytes) is handed on and the tile comes into the drawn place a little
    // later, through OffersAfterReplacement. Unset: the tile is in the hand at once.
    std::function<void(uint32_t command, const BYTE* record)> replacementLater;
    // The own draw put its tile into the own drawn place: the scene slides it in (and marks a
    // joker once it is there).
    std::function<void()> tileDrawn;
  };
  static constexpr uint32_t CMD_GANG_REPLACEMENT = 210007;
  static constexpr uint32_t CMD_FLOWER_REPLACEMENT = 210008;

  CTableTurn(CMJTableModel& model, CGameInfo& info, CSceneRequests& requests, CRequestWait& wait);
  void SetHooks(Hooks hooks) { m_hooks = std::move(hooks); }
  void SetAiWeights(const AiWeights& weights) { m_weights = weights; }

  CTurnControl& Control() { return m_control; }
  const CTurnControl& Control() const { return m_control; }

  // A hand starts (or is joined while running): the clock points at the chair in turn with its
  // time, and the own turn's offers are made.
  void StartHand();
  // The hand ended: buttons off, the clock stops counting.
  void EndHand();
  // One tick of the one-second countdown timer.
  void OnClockTick();
  // The model's countdown expiry (the server's time-up notice) and the claim buttons it shows.
  void OnCountdownExpiredNotice();
  // The server's draw, flower or meld notification closed the offer: an open choice ends and a
  // claim the server held is settled.
  void OnClaimOfferClosed();

  // The player's input. Each returns true when it did something.
  bool ClickOwnTile(int index);
  bool PressClaimButton(int type);
  // Managed play on or off; the chat line tells the player.
  void SetManagedPlay(bool on);
  bool IsManagedPlay() const { return m_managed; }

  // What the board draws.
  bool IsButtonActive(int type) const { return type >= 1 && type <= 5 && m_shown[type]; }
  int ButtonFrame(int type) const { return type >= 1 && type <= 5 ? m_frame[type] : 0; }
  // Requests the server refused (any answer but accepted or held, or no answer at all).
  int Refused() const { return m_refused; }
  int IdleTicks() const { return m_idleTicks; }

  // The own turn's offers: a gang of own tiles, a self-drawn win.
  void TestOwnGang();
  // A replacement tile came into the own drawn place (its draw flags): the own turn's offers,
  // unless a flower has to be replaced first.
  void OffersAfterReplacement(int drawFlags) {
    OffersAfterDraw(drawFlags);
    Redraw();
  }
  void SetHuOption(int drawFlags);

  // CTurnActions.
  bool IsLookOn() const override { return m_hooks.isLookOn && m_hooks.isLookOn(); }
  bool HasDrawnTile() const override { return m_model.HasDrawnTile(SIDE_OWN) != 0; }
  int DrawnTile() const override;
  bool IsFlowerTile(int tile) const override;
  bool IsPlayedTilePresent(int side) const override;
  int GetRaisedTiles(int out[CLAIM_CHOICES]) const override { return m_model.GetRaisedTiles(out); }
  int MeldKindOfCode(int tile) const override;
  bool IsClaimButtonOffered(int type) const override { return IsButtonActive(type); }
  int GetButtonFrame(int type) const override { return ButtonFrame(type); }
  void SetButtonFrame(int type, int frame) override;
  int DiscardTime() const override { return m_info.GetDiscardTime(); }
  int ClaimTime() const override { return m_info.GetClaimTime(); }
  int FindStandingFlower() const override;
  int ChooseDiscard() const override;
  int FindGangCandidate() const override;
  bool FirstChiPair(int pair[2]) const override;

  void ShowClaimButton(int type, int shown) override;
  void ShowHand() override { Redraw(); }
  void PlayActionVoice(const char* name) override;
  void EnableAllHandTiles() override { m_model.EnableAllHandTiles(); }
  void EnableConcealedGangTiles() override { m_model.EnableConcealedGangTiles(); }
  void EnableListedTiles() override;
  void RefreshTileControls() override { Redraw(); }
  // The fallback timers for the player the clock points at: only when that player is away
  // (or, with longer, whoever it is); 3 s (5 s with longer) and 3 s more for every player
  // present between that one and the own seat.
  void StartTurnTimers(int longer) override;
  void StopTurnTimers();
  // A fallback timer went off.
  void OnTurnTimer(int timer);
  static constexpr int DRAW_TIMER = static_cast<int>(CTableTimers::DRAW_FALLBACK_TIMER);
  static constexpr int DISCARD_TIMER = static_cast<int>(CTableTimers::DISCARD_FALLBACK_TIMER);
  bool TurnTimerRunning(int timer) const {
    return timer == DRAW_TIMER ? m_drawTimer : timer == DISCARD_TIMER ? m_discardTimer : false;
  }
  void CancelHandDrag() override;
  void ToggleManagedPlay() override { SetManagedPlay(!m_managed); }

  int RequestPengClaim() override;
  int RequestGangClaim() override;
  int RequestChiClaim() override;
  int RequestPass() override;
  int DoPengMeld() override;
  int DoGangClaim() override;
  int DoAddedGang(int tile) override;
  int DoConcealedGang(int tile) override;
  int DoHu() override;
  int DoChiMeld() override;
  int SendChiMeld(const int pair[2]) override;
  int DoFlowerReplace(int index) override;
  int DoDiscard(int index) override;
  int DrawTileForTurn() override;

  // A drag in progress is given up when the turn is played for the player.
  void SetDragCancel(std::function<void()> cancel) { m_cancelDrag = std::move(cancel); }

 private:
  int Send(const std::function<int()>& request);
  // A reply that is neither accepted nor held counts as refused; the log names the request
  // (`what`) and its code (0: no answer came, or the request was not sent).
  void Count(int code, const char* what);
  void Redraw() {
    if (m_hooks.redraw) m_hooks.redraw();
  }
  void Log(const std::string& line) {
    if (m_hooks.log) m_hooks.log(line);
  }
  int OwnChair() const { return m_info.SideToChair(SIDE_OWN); }
  // The own turn after an accepted claim: the clock at the own side with the discard time.
  void OwnTurnAfterClaim();
  // The replacement tile of an accepted own gang: the meld is laid from the request body with
  // the reply's tile and wall place written in, as the gang notifications carry them.
  void LayOwnGang(int notifyCode, const BYTE* body64, const BYTE* reply32);
  // After a tile came into the own drawn place: the offers of the own turn, unless a flower
  // has to be replaced first.
  void OffersAfterDraw(int drawFlags);
  int HandTile(int index) const;

  CMJTableModel& m_model;
  CGameInfo& m_info;
  CSceneRequests& m_requests;
  CRequestWait& m_wait;
  Hooks m_hooks;
  CTurnControl m_control;
  AiWeights m_weights;
  std::function<void()> m_cancelDrag;
  bool m_shown[6] = {};
  int m_frame[6] = {0, 0, BUTTON_FRAME_GANG, BUTTON_FRAME_CHI, 3, 4};
  bool m_managed = false;
  bool m_drawTimer = false;
  bool m_discardTimer = false;
  int m_refused = 0;
  int m_idleTicks = 0;
  // The pair of the own chi the server holds: its retry at the countdown's end sends the same
  // pair when no tiles are raised (managed play raises none).
  int m_heldChi[2] = {-1, -1};
};
