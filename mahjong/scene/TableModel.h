// What the table scene shows, as state: the tile table, the turn clock's block, the claim
// offers and whether a hand is being played, changed by the server's table notifications and
// by the player's own accepted actions. The scene draws from this state; sounds, voices and
// redraw requests go out through CTableEffects so that the model runs without an engine.
#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "mahjong/GameInfo.h"
#include "mahjong/scene/TableMetrics.h"
#include "mahjong/scene/TileTable.h"
#include "mahjong/scene/WallLayout.h"

// The five claim offers, by button.
#define CLAIM_PENG 1
#define CLAIM_GANG 2
#define CLAIM_CHI 3
#define CLAIM_HU 4
#define CLAIM_PASS 5
#define CLAIM_CHOICES 32

// Sound resources of the table.
#define SOUND_HAND_SHOWN 29102
#define SOUND_DISCARD 29103
#define SOUND_TO_RIVER 29104
#define SOUND_RESULT 29106

struct ClaimOffer {
  int chair = 0;
  int tile = 0;
  std::array<int, CLAIM_CHOICES> choices{};
  int choiceCount = 0;
  int enabled = 0;
  int robbedKind = 0;
};

struct ClockBlock {
  int turnActive = 0;
  int remainingSeconds = 0;
  int pointTo = 6;
  int pendingClaim = 0;
};

// What the model asks of the scene around it; every operation does nothing by default.
class CTableEffects {
 public:
  virtual ~CTableEffects() = default;
  virtual void PlaySoundResource(int resource, int flags) {}
  virtual void PlayTileVoice(int side, int tile) {}
  virtual void PlayActionVoice(int side, const char* name) {}
  virtual void ShowHand(int side) {}
  virtual void ShowPlayedTile(int side) {}
  virtual void ShowWall() {}
  virtual void LayOutRiver(int side) {}
  virtual void LayOutFlowers(int side) {}
  virtual void ShowClaimButton(int button, int enabled) {}
  virtual void ShowClaimButtons(int show) {}
  virtual void PlayWinEffect(int side) {}
  virtual void MoveClockHand(int from, int to) {}
  virtual void StopTurnTimers() {}
  virtual void OnCountdownExpired() {}
  // A draw, a flower replacement or a meld closed the claim offer: a claim the player started
  // is over, whichever way the server decided it.
  virtual void ClaimOfferClosed() {}
  virtual void AddChatLine(const std::string& line) {}
  // A new hand is in the records: the scene shows it through its hand start (dice, deal,
  // flowers) before play begins.
  virtual void NewHandDealt() {}
  // A notification that moves the game on was accepted and is about to change the table: what
  // the scene still shows of an earlier step (the hand start, a replacement tile on its way)
  // must be complete first.
  virtual void TableNoticeArrived() {}
  // The whole table was built again from the game description (a resync).
  virtual void TableRebuilt() {}
  virtual void Log(const std::string& line) {}
  // The table is about to be cleared: every tile picture lets go of its record while the records
  // still name their pictures.
  virtual void HideAllTileEntities() {}
};

class CMJTableModel {
 public:
  CMJTableModel(CGameInfo& info, CTableEffects& effects);

  // Rule-set constants.
  virtual ~CMJTableModel() = default;
  virtual int GetRuleFlags() const { return static_cast<int>(0xB004B20B); }
  virtual int GetTileCount() const { return 136; }

  // The notification handlers. Each returns false when it refused the body (too short, or a
  // chair, wall place or count that does not fit the table): the table keeps its state then.
  bool ResetRound();
  bool OnHandResult(const void* body, size_t length);
  bool OnFlowerReplaced(const void* body, size_t length);
  bool OnTileDiscarded(const void* body, size_t length);
  bool OnTileDrawn(const void* body, size_t length);
  bool OnTimeUp();
  bool OnPengMeld(const void* body, size_t length) { return OnMeld(NTF_PENG_MELD_CODE, body, length); }
  bool OnChiMeld(const void* body, size_t length) { return OnMeld(NTF_CHI_MELD_CODE, body, length); }
  bool OnPengAnnounced(const void* body, size_t length);
  bool OnChiAnnounced(const void* body, size_t length);
  bool OnGangAnnounced(const void* body, size_t length);
  bool OnGangMeld(int code, const void* body, size_t length);
  bool OnHandRefresh(const void* body, size_t length);
  bool OnShowHand(const void* body, size_t length);

  // The player's own accepted draw and discard. Each is echoed once by the server; the echo
  // is recognised by these counts, not by what the drawn-tile place happens to hold when it
  // arrives, so an echo that comes after the next own action is still only an echo.
  void ApplyOwnDraw(int tile, int wallIndex);
  bool ApplyOwnDiscard(int tile);

  // The whole table again from the game description (a resync, or a start inside a running
  // hand): wall, rivers, flowers, melds and hands.
  void RebuildFromGameInfo();

  // Clears the table between hands: no tiles, the clock at rest, no offers.
  void ResetTable();

  // Where the places stand: without a layout every place keeps position 0.
  void SetLayout(const CTableMetrics* metrics, const CWallLayout* wall) {
    m_metrics = metrics;
    m_wall = wall;
  }
  void InitHandPlaces();
  void ResetPlayedTiles();

  // Which own tiles may be chosen now: all, only flowers, only listed ids, only tiles of a
  // code held four times outside exposed and concealed gangs.
  void EnableAllHandTiles();
  int EnableFlowerTiles();
  void EnableListedTiles(const int* ids, int count);
  void EnableConcealedGangTiles();
  int GetRaisedTiles(int out[CLAIM_CHOICES]) const;

  // Hands.
  int HasHandTiles(int side) const;
  int HasDrawnTile(int side) const;
  int GetStandingTiles(int side, int out[CLAIM_CHOICES]) const;
  int CountStandingTiles(int side) const;
  void SetHandTiles(int side, const int* ids, int count);
  void DealOwnHand();
  void MarkTakenWallTiles();

  CTileTable& Tiles() { return m_tiles; }
  const CTileTable& Tiles() const { return m_tiles; }
  const ClockBlock& Clock() const { return m_clock; }
  ClockBlock& Clock() { return m_clock; }
  const ClaimOffer& Offer(int button) const { return m_offers[button >= 1 && button <= 5 ? button : 0]; }
  // The own turn's offers (a gang of own tiles, a self-drawn win) are made by the scene.
  ClaimOffer& MutableOffer(int button) { return m_offers[button >= 1 && button <= 5 ? button : 0]; }
  int IsPlaying() const { return m_playing; }
  // The game description the table is dealt from.
  const CGameInfo& Info() const { return m_info; }
  void SetLookOn(bool lookOn) { m_lookOn = lookOn; }
  int PendingOwnDrawEchoes() const { return m_ownDrawEchoes; }
  int PendingOwnDiscardEchoes() const { return m_ownDiscardEchoes; }

 private:
  static constexpr int NTF_PENG_MELD_CODE = 229185;
  static constexpr int NTF_CHI_MELD_CODE = 229190;

  bool OnMeld(int code, const void* body, size_t length);
  // The side of a chair the server names, or -1 (logged) when the chair is no seat here.
  int SeatSide(int chair, const char* what);
  bool IsWallPlace(int index) const { return index >= 0 && index < GetTileCount(); }
  void ClearWallPlace(int index);
  void CloseClaimOffer();
  void MoveClock(int to);
  void RemoveHandTile(int side, int tile);
  void RemoveHiddenTiles(int side, int count);
  void InsertDrawnTile(int side);
  void SortStanding(int side);
  int StandingLimit(int side) const;
  void LayOutHandFromList(int side, const int* list, int count, int drawnTile);
  bool PlaceMeld(int side, const int* tiles, int count, int kind);
  bool AddToPeng(int side, int tile);
  void AddTileToRiver(int side, int tile);
  void AddFlower(int side, int flower);
  void MoveFirstStandingToDrawn(int side);

  CGameInfo& m_info;
  CTableEffects& m_effects;
  const CTableMetrics* m_metrics = nullptr;
  const CWallLayout* m_wall = nullptr;
  CTileTable m_tiles;
  ClockBlock m_clock;
  std::array<ClaimOffer, 6> m_offers{};
  int m_playing = 0;
  bool m_lookOn = false;
  int m_ownDrawEchoes = 0;
  int m_ownDiscardEchoes = 0;
};
