// This rule set's table scene: the engine scene that the table pane runs. It draws the table
// from the table model (wall, hands, melds, rivers, flowers, played tiles, name plates and the
// turn clock) onto one board plane, and is the outlet of the model's effects: every redraw
// request marks the board stale, and the next frame paints it again. A frame also repaints
// when the model's state changed by a path that asked for no redraw, so that the picture never
// lags the table. The own standing tiles and the claim buttons answer to the mouse through
// engine controls (the tile control pool and the claim buttons' controls); the clock's
// countdown and the player's own tile actions are the turn's, reached through the hooks below.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/GameBase.h"
#include "mahjong/scene/TableMetrics.h"
#include "mahjong/scene/TableModel.h"
#include "mahjong/scene/WallLayout.h"
#include "mahjong/scene/TilePictureSet.h"
#include "variant/DragPicture.h"
#include "variant/ManagedBanner.h"
#include "variant/TableBars.h"
#include "variant/TableExtras.h"
#include "variant/TableSidePanels.h"
#include "variant/TableStakePanel.h"
#include "variant/TableTimers.h"
#include "variant/TileControlPool.h"
#include "variant/TilePictureBinder.h"

class CPlayerTables;
class CSeatLayout;
class CTableStepRecorder;
class CTableTurn;

class CVariantTableScene : public GameBase, public CTableEffects {
 public:
  struct Hooks {
    // The name shown on a side's plate; empty for an empty seat.
    std::function<std::string(int side)> sideName;
    // The model's sounds, played by the application (which knows the silence setting).
    std::function<void(int resource, int flags)> playSound;
    std::function<void(const std::string&)> log;
    // The player pressed the start button: the ready request goes to the server. Returns 0
    // when the request failed, and the button stays for another try.
    std::function<int()> start;
    // An onlooker has no start button.
    std::function<bool()> isLookOn;
    // The game ini whose [SKIN] section chooses the style; without it the table loads the
    // default style.
    std::function<std::string()> iniPath;
    // Whether the player of a side has started (pressed start) for the coming hand.
    std::function<bool(int side)> isStarted;
    // The side a chair sits on, -1 for no seat of this table.
    std::function<int(int chair)> chairToSide;
    // The table view's window timers.
    std::function<void(uintptr_t id, UINT ms)> setTimer;
    std::function<void(uintptr_t id)> killTimer;
    // The turn as the fallback timers see it, and the requests they make for the player in turn.
    std::function<CTableTimers::TurnState()> turnState;
    std::function<void()> postDraw;
    std::function<void()> postDiscard;
    // The ready request the settlement's end makes by itself.
    std::function<void()> autoReady;
    // A player in a room where the system seats the players waits for his table instead of
    // pressing start.
    std::function<bool()> waitsForTable;
    // A command that neither the start button nor the bars take (the activity button's, the
    // exchange panels').
    std::function<void(uint32_t code)> otherCommand;
    // The round's end as the settlement closes: whether the main window is there, the table
    // status and the seats' banker and started marks cleared, whether managed play is on,
    // whether the player must stay for more hands, whether the system seats the players.
    std::function<bool()> hasMainWindow;
    std::function<void()> resetSeats;
    std::function<bool()> managedOn;
    std::function<bool()> mustStay;
    std::function<bool()> systemSeats;
    // The note under a side's name (a player who left), and the record board filled again
    // (true: the ready icons stay hidden).
    std::function<void(int side, const std::string& note)> setSeatNote;
    std::function<void(bool holdReadyIcons)> refillRecordBoard;
    // Whether the settlement dialog is open: the start button waits for it to close.
    std::function<bool()> settlementOpen;
    // Ends the program's message loop.
    std::function<void()> quit;
    // A hand ended (the table stopped playing).
    std::function<void()> handEnded;
    // Playing by itself: whether to get ready now (unset: always).
    std::function<bool()> mayGetReady;
    // The four dice values of the hand (0: no die).
    std::function<void(int dice[4])> dice;
    // The voices: a side's voice folder (ending in a backslash), whether the player silenced
    // the game, and where a voice file goes (unset: the engine's effect player).
    std::function<std::string(int side)> voiceFolder;
    std::function<bool()> isSilent;
    std::function<void(const std::string& path)> playVoiceFile;
    // The scene has started: the table's dialogs add their panels to its world.
    std::function<void(GameBase& scene)> started;
    // Whether the table's data came with the enter reply (an onlooker always gets it): a hand
    // under way is then taken up from it instead of waiting for the next deal.
    std::function<bool()> enteredWithTableData;
    // A player took up a running hand: the server hears that he is back (never an onlooker's),
    // and the seats show the hand's banker and players.
    std::function<void()> returnToGame;
    std::function<void()> refreshSeats;
  };

  // The start button's command; the root's left press raises it, and a press that is not on
  // the start button ends managed play before the control under the mouse acts.
  static constexpr uint32_t CMD_START = 210023;
  // Ends the program (a command of the rule set's own).
  static constexpr uint32_t CMD_QUIT = 210064;
  // The root's right press: it ends managed play as the left one does.
  static constexpr uint32_t CMD_RIGHT_PRESS = CTableBars::CMD_MANAGED_RPRESS;
  // The view's one-second countdown timer.
  static constexpr uintptr_t CLOCK_TIMER = 10000;
  // The hand start, one engine command after the other: the dice end (the deal starts), a side
  // is dealt, the deal is over, a side's flowers are revealed, play starts.
  static constexpr uint32_t CMD_DEAL = 210002;
  static constexpr uint32_t CMD_SIDE_DEALT = 210003;
  static constexpr uint32_t CMD_DEAL_OVER = 210004;
  static constexpr uint32_t CMD_FLOWERS_REVEALED = 210005;
  static constexpr uint32_t CMD_PLAY = 210006;
  // The replacement tile of an accepted own gang or flower replacement, 200 ms after it.
  static constexpr uint32_t CMD_GANG_REPLACEMENT = 210007;
  static constexpr uint32_t CMD_FLOWER_REPLACEMENT = 210008;
  static constexpr uint32_t REPLACEMENT_MS = 200;
  // The joker mark on a drawn joker goes after a second.
  static constexpr uint32_t CMD_JOKER_MARK_END = 210062;
  static constexpr uint32_t JOKER_MARK_MS = 1000;
  // The own drawn tile slides into its place: from a little above and left of it, at the
  // engine's speed 4 (pixels a step), raising this command as it arrives.
  static constexpr uint32_t CMD_DRAWN_TILE_SLID = 210058;
  static constexpr int SLIDE_FROM = 10;
  static constexpr int SLIDE_SPEED = 4;

  explicit CVariantTableScene(CMJTableModel& model) : m_model(model) {}
  void SetHooks(Hooks hooks) { m_hooks = std::move(hooks); }
  // A screen 600 pixels high or less: smaller own tiles and the layout that fits a narrower
  // table; set before the game starts, as its tile pictures are chosen then.
  void SetSmallScreen(bool small) { m_metrics.SetSmallScreen(small); }
  // Records every new picture of the table with its state (null: none). Not owned.
  void SetStepRecorder(CTableStepRecorder* recorder) { m_recorder = recorder; }
  // The bars' hooks; the scene answers their style loading itself.
  void SetBarHooks(CTableBars::Hooks hooks);
  CTableBars& Bars() { return m_bars; }
  CTableSidePanels& SidePanels() { return m_panels; }
  CTableExtras& Extras() { return m_extras; }
  CTableStakePanel& StakePanel() { return m_stake; }
  // The banner that shows while managed play is on.
  CManagedBanner& ManagedBanner() { return m_banner; }
  // The stake panel as play starts: the banker's side gets the banker's coin beside its name,
  // the centre panel shows the hand's stake and the treasure panel the treasure tile, all from
  // the game description. Without the table's pictures nothing is shown.
  void ShowStakePanel();
  // Both panels put away: a new hand is dealt, or the round ended.
  void HideStakePanel();
  // Loads another style's tile pictures and draws the table with them; false when the style
  // folder has none.
  bool LoadStyle(const std::string& folder);
  // The automatic ready request in 15 seconds (a settlement closed while the player may not
  // leave yet); once per call.
  void StartAutoReady();

  // The round's end and the seats between hands.
  void OnSettlementClosed();
  // A player took a seat or left it (chairs outside the table are ignored); the system seated
  // everybody anew; the ready icons go away before a new deal.
  void OnPlayerSeated(int chair);
  // The ready icon of a chair's seat once its player started; false for a chair that is no seat
  // here or while the icons are held back.
  bool ShowReadyIcon(int chair);
  void OnPlayerLeft(int chair, const std::string& name);
  void OnRandomSeated();
  void ClearReadyIcons();
  bool SeatNoteSet(int chair) const { return chair >= 0 && chair < SIDE_COUNT && m_seatNoteSet[chair] != 0; }
  // The name plate a side shows now (empty: none), as last painted.
  std::string PlateText(int side) const;
  // The player's play: claim buttons, the countdown, the own tile actions and managed play.
  // The turn gives up a drag in progress (the countdown played for the player) by dropping the
  // tile where the mouse is.
  void AttachTurn(CTableTurn* turn);
  CTableTurn* Turn() const { return m_turn; }
  // Plays by itself: gets ready for every hand and plays it in managed play.
  void SetAutoPlay(bool on) { m_autoPlay = on; }
  // Takes up the hand the game description holds as under way: the table rebuilt from it (wall,
  // rivers, played tile, flowers, melds, hands), the clock at the chair in turn with its time,
  // the own turn's offers, and the server told the player is back. False when no hand runs.
  bool ResumeHand();
  // How many times a running hand was taken up on entry.
  int HandsResumed() const { return m_handsResumed; }

  // GameBase.
  void OnGameStart() override;
  void OnFrame() override;
  void OnLayout() override;
  void OnShutdown() override;
  int OnCommand(Event event) override;
  void OnTimer(uintptr_t timerId) override;

  // CTableEffects: the model's redraw requests and sounds.
  void PlaySoundResource(int resource, int flags) override;
  void ShowHand(int) override { m_stale = true; }
  void ShowPlayedTile(int) override { m_stale = true; }
  void ShowWall() override { m_stale = true; }
  void LayOutRiver(int) override { m_stale = true; }
  void LayOutFlowers(int) override { m_stale = true; }
  void PlayWinEffect(int side) override;
  void PlayTileVoice(int side, int tile) override;
  void PlayActionVoice(int side, const char* name) override;
  void MoveClockHand(int, int) override { m_stale = true; }
  void HideAllTileEntities() override;
  void Log(const std::string& line) override;
  void ShowClaimButton(int button, int enabled) override;
  void ShowClaimButtons(int show) override;
  void OnCountdownExpired() override;
  void ClaimOfferClosed() override;
  void StopTurnTimers() override;
  void NewHandDealt() override;
  void TableNoticeArrived() override;
  void TableRebuilt() override;
  void MarkStale() { m_stale = true; }

  // The hand start: while it runs, the table shows only what it has dealt and revealed so far.
  bool HandStartRunning() const { return m_handStart; }
  bool IsHandShown(int side) const { return side >= 0 && side < SIDE_COUNT && m_handShown[side]; }
  bool AreFlowersShown(int side) const { return side >= 0 && side < SIDE_COUNT && m_flowersShown[side]; }
  // The replacement tile of an own gang or flower replacement (its 32-byte draw record) comes
  // into the drawn place 200 ms later; any input, timer or notification before then takes it
  // in at once, so nothing acts on a hand that lacks it.
  void ReplacementLater(uint32_t command, const BYTE* record);
  bool ReplacementPending() const { return m_replacement.has_value(); }
  // The own draw's tile is in the drawn place: its picture slides there on the engine's clock,
  // the place itself staying free until it arrives; then the hand shows it (with the joker
  // mark for a drawn joker). Without a running pictured table it is there at once. Any input,
  // timer, notification, resync or close before it arrived ends the slide at once, and the
  // slide's own end then does nothing.
  void SlideDrawnTile();
  bool DrawnTileSliding() const { return m_slide; }
  // The picture that slides (null before the table is built).
  Entity* SlidingTile() const { return m_slideTile; }
  // The own drawn tile shows the joker mark for a second.
  void PlayJokerEffect();
  bool JokerMarkShown() const { return m_jokerMark; }
  // While set, a frame only paints: no hand starts or ends and nothing is sent.
  void SetDrawOnly(bool on) { m_drawOnly = on; }

  // The own tiles and the claim buttons answer to the mouse through engine controls: each own
  // standing tile takes a control of the tile pool, whose events come back as the tile commands
  // (OnTileCommand); the claim buttons raise their own codes while they are active.
  int OnTileCommand(const Event& event);
  const CTileControlPool& TileControls() const { return m_controls; }
  CTileControlPool& TileControls() { return m_controls; }
  // The claim button of a type (1 peng .. 5 pass), null before the table is built.
  ControlRecord* ClaimButton(int type) const { return type >= 1 && type <= 5 ? m_claimButtons[type] : nullptr; }
  // Where an active claim button stands (empty while it is idle or hidden), and where the board
  // put the own tiles at its last paint (empty for places that were not drawn).
  RECT ClaimButtonRect(int type) const;
  RECT OwnTileRect(int index) const {
    return index >= 0 && index < CTileTable::HAND_SIZE ? m_ownRects[index] : RECT{};
  }
  int DragIndex() const { return m_dragIndex; }
  // The dragged tile's picture, which follows the mouse along the own hand while a drag runs; a
  // drag that leaves the hand ends there as if the button had been let go.
  const CDragPicture& DragPicture() const { return m_drag; }
  void CancelHandDrag();
  // An onlooker's mouse over a tile of the watched hand: the tile goes a little transparent,
  // the cursor becomes the hand and the hover sound plays; leaving it brings it back whole
  // under the arrow. The own standing tile under the mouse, or -1.
  void OnLookerTileEnter(Entity* tile);
  void OnLookerTileLeave(Entity* tile);
  int LookHoverIndex() const { return m_lookHover; }
  static constexpr double LOOK_HOVER_ALPHA = 0.8;
  // The dice thrown at the start of a hand: one throw of two dice, and a second when both of its
  // dice have a value; each die rolls through its strip, rests on its value and goes. A value
  // outside 1-6 shows no die. Returns the strips on the table now (die index, strip, frame).
  struct DieShown {
    int die;
    int strip;
    int frame;
  };
  std::vector<DieShown> DiceShown() const;
  static constexpr uint32_t THROW_MS = 1600;
  static constexpr uint32_t ROLL_FRAME_MS = 60;
  int HandsEnded() const { return m_handsEnded; }

  // Paints the board now from the model; the frame does this when the board is stale.
  void PaintBoard();
  // How many times the board was painted (tests check that a change reached the picture).
  uint32_t Paints() const { return m_paints; }
  Entity* Board() const { return m_board; }
  Entity* StartButton() const { return m_startButton; }
  // The tile pictures: loaded when the scene starts; the board draws plain plates without them.
  const CTilePictureSet& Pictures() const { return m_pictures; }
  const CTilePictureBinder& Binder() const { return m_binder; }
  // The start button's press, as a click on it makes it.
  void PressStart();
  int WinnerSide() const { return m_winnerSide; }

  // The tile's label on its face ("5万", "东", "花3"), empty for no tile.
  static std::string FaceLabel(int tile);
  // The name a side's plate shows: the display name of the player seated in the side's chair
  // (a computer player's too), empty for a free chair.
  static std::string PlateName(const CPlayerTables& tables, const CSeatLayout& layout, int side);

 private:
  void ClearSeatNote(int chair);
  uint64_t ModelFingerprint() const;
  void BuildBoard();
  void FillRect(int x, int y, int w, int h, uint32_t colour);
  void DrawTile(int x, int y, bool vertical, const MJTile& tile, bool faceUp, uint32_t frame);
  void DrawWall();
  void DrawHand(int side);
  void DrawRow(int side, int zone, int count, int ox, int oy, int perRow);
  void DrawPlates();
  void DrawClock();
  void DrawClockPicture();
  void DrawCloth();
  void DrawLogo();
  void BuildClaimButtons();
  void SyncClaimButtons();
  void DrawClaimLabel(int type);
  void SyncPlates();
  TileBindingState BindingState() const;
  void TakeTileControl(TileEntityRow& row);
  // The tile router's actions on the own tile of a place.
  void EndManagedPlay();
  bool BeginTileDrag(int index);
  bool DropAt(int x, int y);
  int OwnTileAt(int x, int y, int skip) const;
  void DrawBanner();
  void DrawDice();
  void NoteOwnTileRects();
  void FollowDrag(int x, int y);
  Entity* OwnTileEntity(int index) const;
  void EndDragPicture(int from);
  void AutoPlay(bool playing);
  bool UsePictures() const { return m_pictures.Loaded(); }
  bool IsLookOnNow() const;
  void SideOrigin(int side, int* x, int* y, bool* vertical) const;

  // The hand start's steps (each ends by starting the next through an engine wait).
  void RollDice();
  void StartDeal();
  void ShowDealtHand(int side);
  void ScheduleFlowerReveal();
  void RevealFlowers(int side);
  void StartPlay();
  // Shows at once everything the hand start has still to show and starts play.
  void FinishHandStart();
  void ShowWholeTable();
  // The scene closes: whatever is on its way is complete now.
  void StopHandStart();
  bool OnSequenceCommand(const Event& event);
  void FlushReplacement();
  void TakeReplacement(const BYTE* record);
  // The drawn tile's slide ends: the moving picture goes, the place shows its tile; with
  // `effects` a joker gets its mark (not while the table closes or a new hand is dealt).
  void FinishDrawSlide(bool effects);
  // The dice's timed steps on the engine: a die rolls through its strip, then rests and goes.
  static int ApplyDieRoll(Entity* target, ApplyParams* params, World* world, uint32_t now);
  static int ApplyDieRest(Entity* target, ApplyParams* params, World* world, uint32_t now);
  void AddDieStep(int position, int die, bool roll, bool lands, uint32_t endCode);

  CMJTableModel& m_model;
  Hooks m_hooks;
  CTableStepRecorder* m_recorder = nullptr;
  CTableMetrics m_metrics;
  void ShowStartButton(bool show);

  CTilePictureSet m_pictures;
  CTilePictureBinder m_binder;
  bool m_picturesTried = false;
  CTableBars m_bars{*this, m_model};
  CTableSidePanels m_panels{*this};
  CTableExtras m_extras{*this};
  CTableStakePanel m_stake{*this};
  CManagedBanner m_banner{*this};
  CDragPicture m_drag{*this};
  POINT m_dragPoint{};
  int m_seatNoteSet[4] = {};
  // The name each noted seat shows.
  std::string m_seatNotes[4];
  std::string m_plateText[4];
  bool m_barsStarted = false;
  bool m_barHooksSet = false;
  bool m_waitingForTable = false;
  bool m_dialogsStarted = false;

  Entity* m_board = nullptr;
  Entity* m_startButton = nullptr;
  bool m_stale = true;
  uint64_t m_fingerprint = 0;
  uint32_t m_paints = 0;
  int m_winnerSide = -1;
  CTableTurn* m_turn = nullptr;
  CTileControlPool m_controls;
  TileBindingState m_bound{};
  // Without tile pictures the board draws the own tiles; a clear plate over each place carries
  // its tile control.
  TileEntityRow m_plates[CTileTable::HAND_SIZE];
  ControlRecord* m_claimButtons[6] = {};
  // The claim buttons stand in the bars' operation bar.
  bool m_claimsInBar = false;
  bool m_claimActive[6] = {};
  int m_claimFrame[6] = {};
  uint32_t m_claimStrip = 0;
  RECT m_ownRects[CTileTable::HAND_SIZE] = {};
  int m_dragIndex = -1;
  int m_hoverIndex = -1;
  int m_lookHover = -1;
  int m_handsEnded = 0;
  int m_handsResumed = 0;
  bool m_autoPlay = false;
  bool m_drawOnly = false;
  int m_dice[4] = {};
  // The two places where the dice of a throw show (the first and third die, the second and
  // fourth), each with its die, strip and frame while shown.
  struct DiePlace {
    int die = -1;
    int strip = -1;
    int frame = 0;
    bool shown = false;
  };
  DiePlace m_diePlaces[2];
  uint32_t m_dieKeys[2] = {};
  // The hand start: its generation (a step of an earlier one is ignored), whether it runs, and
  // what it has shown so far.
  int m_handStartGeneration = 0;
  bool m_handStart = false;
  bool m_handShown[SIDE_COUNT] = {true, true, true, true};
  bool m_flowersShown[SIDE_COUNT] = {true, true, true, true};
  struct Replacement {
    BYTE record[32];
    int ticket;
  };
  std::optional<Replacement> m_replacement;
  int m_replacementTicket = 0;
  bool m_jokerMark = false;
  int m_jokerTicket = 0;
  Entity* m_slideTile = nullptr;
  bool m_slide = false;
  int m_slideTicket = 0;
  uint32_t m_lastAutoStart = 0;
  bool m_autoStarted = false;
  bool m_wasPlaying = false;
  int m_width = 0;
  int m_height = 0;
};
