// The local player's side of a turn: the claim buttons, the countdown's expiry and managed
// play, as decisions over the turn state. The table scene owns the pictures, the hand and the
// requests and offers them through CTurnActions; this class only decides which of them runs,
// in which order, and keeps the words that say which claim is open or held by the server.
#pragma once

#include <string>

#include "framework/ResultTexts.h"
#include "mahjong/MahjongRequests.h"
#include "mahjong/scene/TableModel.h"

// The clock position of the own side: the player has the turn exactly when the clock points here.
#define OWN_CLOCK_POSITION 6

// Picture frames of the action strip: the gang and chi buttons show their own frame normally
// and the choice frame while the player picks tiles.
#define BUTTON_FRAME_GANG 1
#define BUTTON_FRAME_CHI 2
#define BUTTON_FRAME_CHOICE 5

// Claim kinds of pendingClaim.
#define PENDING_NONE 0
#define PENDING_PENG 1
#define PENDING_GANG 2
#define PENDING_CHI 3
#define PENDING_HU 4

// What the table scene offers the turn logic. Queries describe the own hand and the buttons;
// the Do operations are the scene's local actions (a request and, when accepted, the table
// change) and return non-zero when the action went through.
class CTurnActions {
 public:
  virtual ~CTurnActions() = default;

  virtual bool IsLookOn() const = 0;
  virtual bool HasCountdownTimer() const { return true; }
  virtual bool HasDrawnTile() const = 0;
  // The id in the own drawn-tile place.
  virtual int DrawnTile() const = 0;
  virtual bool IsFlowerTile(int tile) const = 0;
  virtual bool IsPlayedTilePresent(int side) const = 0;
  // Raised own tiles, at most CLAIM_CHOICES.
  virtual int GetRaisedTiles(int out[CLAIM_CHOICES]) const = 0;
  // The meld kind of the own hand place holding a tile of this tile's code, -1 when none.
  virtual int MeldKindOfCode(int tile) const = 0;
  virtual bool IsClaimButtonOffered(int type) const = 0;
  virtual int GetButtonFrame(int type) const = 0;
  virtual void SetButtonFrame(int type, int frame) = 0;
  virtual int DiscardTime() const = 0;
  virtual int ClaimTime() const = 0;
  // Managed play: the own hand place holding a standing flower (-1 none), the place the
  // discard evaluation picks, and the tile a gang on the own turn would use (-1 none).
  virtual int FindStandingFlower() const = 0;
  virtual int ChooseDiscard() const = 0;
  virtual int FindGangCandidate() const = 0;
  // The chi offer's first pair, when it forms a run with the offered tile.
  virtual bool FirstChiPair(int pair[2]) const = 0;

  virtual void ShowClaimButton(int type, int shown) = 0;
  virtual void ShowHand() = 0;
  virtual void PlayActionVoice(const char* name) = 0;
  virtual void EnableAllHandTiles() = 0;
  virtual void EnableConcealedGangTiles() = 0;
  virtual void EnableListedTiles() = 0;
  virtual void RefreshTileControls() = 0;
  virtual void StartTurnTimers(int longer) = 0;
  virtual void CancelHandDrag() = 0;
  virtual void ToggleManagedPlay() = 0;

  virtual int RequestPengClaim() = 0;
  virtual int RequestGangClaim() = 0;
  virtual int RequestChiClaim() = 0;
  virtual int RequestPass() = 0;
  virtual int DoPengMeld() = 0;
  virtual int DoGangClaim() = 0;
  virtual int DoAddedGang(int tile) = 0;
  virtual int DoConcealedGang(int tile) = 0;
  virtual int DoHu() = 0;
  // Sends the chi of the raised pair (or, for a held chi with none raised, the pair it was
  // held with): 1 when it was laid or is still held, 0 when it was refused or could not be sent.
  virtual int DoChiMeld() = 0;
  // Sends the chi meld with the given pair and, when accepted, lays it as DoChiMeld does.
  // Returns the reply code.
  virtual int SendChiMeld(const int pair[2]) = 0;
  virtual int DoFlowerReplace(int index) = 0;
  virtual int DoDiscard(int index) = 0;
  virtual int DrawTileForTurn() = 0;
};

class CTurnControl {
 public:
  CTurnControl(ClockBlock& clock, CTurnActions& actions) : m_clock(clock), m_actions(actions) {}

  // The claim buttons.
  void OnPengButton();
  void OnGangButton();
  void OnChiButton();
  void OnHuButton();
  void OnPassButton();

  // The countdown ran out (or the server said time is up).
  void OnCountdownExpired();

  // One countdown tick while managed play is on.
  void ManagedPlayStep();

  // Switches managed play by the banner's state: returns whether it is on afterwards and the
  // chat line to show (empty, and nothing changed, while looking on). The scene shows or hides
  // the banner and moves the click bindings.
  bool SwitchManagedPlay(bool bannerShown, std::string* chat);
  // A user action: the button commands and tile clicks reset the time-out counter.
  void OnUserAction() { m_timeOutCount = 0; }
  // The banner's next colour from three random bytes, or -1 to keep the colour this tick (the
  // key colour and white would make the banner vanish into its background).
  static int NextBannerColour(int r, int g, int b);

  // A reply to a claim or meld request: 10 accepted, the held code keeps the claim open with
  // the server (claimWaiting 1 and the claim pending), anything else is a refusal.
  enum class ReplyKind { Accepted, Held, Refused };
  ReplyKind OnClaimReply(int code, int pending);
  // Only an answer of 10 is an accepted discard; every other code keeps the tile in the hand.
  static bool IsDiscardAccepted(int code) { return code == RESULT_SUCCESS; }

  void SetPendingClaim(int n);
  bool IsOwnTurn() const { return m_clock.pointTo == OWN_CLOCK_POSITION; }

  int ClaimWaiting() const { return m_claimWaiting; }
  void SetClaimWaiting(int w) { m_claimWaiting = w; }
  int TimeOutCount() const { return m_timeOutCount; }
  void SetTimeOutCount(int n) { m_timeOutCount = n; }
  int ManagedStepTicks() const { return m_managedStepTicks; }
  void SetManagedStepTicks(int n) { m_managedStepTicks = n; }
  void SetManagedStepPeriod(int n) { m_managedStepPeriod = n; }


 private:
  void ManagedChi();

  ClockBlock& m_clock;
  CTurnActions& m_actions;
  int m_claimWaiting = 0;
  int m_timeOutCount = 0;
  int m_managedStepTicks = 0;
  int m_managedStepPeriod = 2;
};
