// One table of four chairs playing this rule set, as a pure state machine. Events come in as
// calls (a player's request, a time-out the shell scheduled, a seat taken or a connection
// lost); what the table wants sent comes back as replies and notifications with a body per
// recipient, and what it wants to hear about later comes back as time-out requests. The table
// holds no clock and no socket: the shell delivers time-outs when their delay has passed.
// Computer players act through the same requests as clients, on time-outs that stand for their
// thinking. Every hand is written to the hand log as JSON lines.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "testbed/table/BotPlayer.h"
#include "testbed/table/Settlement.h"
#include "testbed/table/TableBodies.h"
#include "testbed/table/TableRecords.h"
#include "testbed/table/Wall.h"

namespace testbed {

struct TableConfig {
  uint64_t seed = 1;
  int roomId = 1;
  int tableNo = 1;
  int silverStake = 100;
  int pointStake = 1;
  int silverTable = 1;
  int discardTimeS = 15;
  int claimTimeS = 10;
  int quickPass = 1;
  int minHands = 0;
  int firstBanker = 0;
  bool flowers = false;  // the tile set holds flowers 136-143 in place of ids 128-135
  // Computer players' thinking, as time-out delays in milliseconds. The first discard of a hand
  // waits at least this long, and never less than the clients' dice, deal and flower reveal.
  int botDealDelayMs = 0;
  int botThinkMs = 1200;
  int botReadyMs = 2000;
  // How long after the clients' own count-downs the table acts for a chair that stays silent.
  int claimGraceMs = 5000;
  int turnGraceMs = 15000;
  // Fixed walls for the next hands, 136 tiles in wall order each; and fixed dice.
  std::vector<std::vector<int>> fixedWalls;
  std::optional<std::array<int, 4>> fixedDice;
  std::optional<int> fixedBreak;  // an even wall place 0-134
  // The brain of a computer player seated without one (null or no function: the sensible bot).
  std::function<std::unique_ptr<BotBrain>(int chair)> botBrains;
};

struct TableMessage {
  int toUser = 0;
  bool reply = false;  // a reply to that user's request: `code` is the result code
  int code = 0;
  BodyData body;
};

struct TimerRequest {
  uint64_t token = 0;
  int delayMs = 0;
};

struct TableOutput {
  std::vector<TableMessage> messages;
  std::vector<TimerRequest> timers;
  void Append(TableOutput&& other);
};

struct TableMeld {
  MeldFamily family = FAMILY_PENG;
  std::vector<int> tiles;  // claimed (or added) tile first for claims; four for gangs
  int claimed = TILE_NONE;
  int from = -1;
};

class MahjongTable {
 public:
  enum class Phase { IDLE, AWAIT_DISCARD, CLAIMS, AWAIT_DRAW, ROB };

  explicit MahjongTable(TableConfig config);
  ~MahjongTable();

  void SetHandLog(std::function<void(const std::string&)> sink) { m_log = std::move(sink); }
  // Lines on the rare turns of the claims (a claim held, a held claim that won, a won claim laid
  // by its retry or at the deadline), for the server's log; the hand log keeps only the game.
  void SetEventLog(std::function<void(const std::string&)> sink) { m_events = std::move(sink); }
  // The table goes away in the middle of a hand (its server stops): the hand is logged as
  // abandoned, so that the log's next hand does not look like one started over an unfinished one.
  void AbandonHand();

  // Seats. A bot is ready at once; a human sends the ready request.
  TableOutput SeatHuman(int chair, int userId);
  TableOutput SeatBot(int chair, int userId, std::unique_ptr<BotBrain> brain = nullptr);
  TableOutput Watch(int userId, int chair);
  void StopWatching(int userId);
  // A seated human's connection dropped (the chair stays, marked absent) or came back.
  TableOutput Disconnect(int userId);
  TableOutput Reconnect(int userId);
  // A player leaves the chair: between hands the chair is free again; during a hand it stays
  // his, marked absent, until the hand ends (the shell may then seat someone else).
  TableOutput Leave(int userId);

  // A request from a seated player or an onlooker. Exactly one reply to the sender is among
  // the messages, always.
  TableOutput HandleRequest(int userId, int code, std::span<const BYTE> body);
  // A time-out that the table asked for earlier.
  TableOutput HandleTimer(uint64_t token);

  // The table-info record as this user's client should see it (the resync answer), and as an
  // onlooker of a chair sees it who may not see the hand.
  BodyData TableInfoFor(int userId) const;
  BodyData TableInfoForOnlooker(int chair) const { return BuildRecord(0, chair).Write(); }

  // For tests, tools and the log checker.
  Phase CurrentPhase() const { return m_phase; }
  int CurrentChair() const { return m_current; }
  int HandNumber() const { return m_handNumber; }
  int Banker() const { return m_banker; }
  const std::vector<int>& Hand(int chair) const { return m_chairs[chair].hand; }
  const std::vector<TableMeld>& Melds(int chair) const { return m_chairs[chair].melds; }
  const std::vector<int>& River(int chair) const { return m_chairs[chair].river; }
  int Joker1() const { return m_joker1; }
  int JokerCode() const;
  const Wall& CurrentWall() const { return m_wall; }
  int Silver(int chair) const { return m_chairs[chair].silver; }
  int Score(int chair) const { return m_chairs[chair].score; }
  int HandsPlayed() const { return m_handsPlayed; }
  bool IsAbsent(int chair) const { return m_chairs[chair].absent; }
  const std::optional<RoundResultRecord>& LastResult() const { return m_lastResult; }

 private:
  struct Chair {
    int userId = 0;
    bool seated = false;
    bool bot = false;
    bool ready = false;
    bool absent = false;
    std::unique_ptr<BotBrain> brain;
    std::vector<int> hand;
    std::vector<TableMeld> melds;
    std::vector<int> river;
    std::vector<int> flowers;
    std::set<int> watchersAllowed;
    int score = 0;
    int silver = 0;
    int lastSilver = 0;
  };

  enum class Answer { UNDECIDED, PASSED, CLAIMED };
  struct ClaimAnswer {
    Answer state = Answer::UNDECIDED;
    int op = 0;  // MJOP_HU, MJOP_GANG, MJOP_PENG or MJOP_CHI
    std::vector<int> tiles;
    bool held = false;
    bool lost = false;
  };
  struct ClaimWindow {
    int giver = -1;  // the discarder, or the actor of an added gang
    int tile = TILE_NONE;
    std::array<int, 4> words{};
    std::array<ClaimAnswer, 4> answers;
    int granted = -1;  // a held claim that won and waits for its retry
    std::array<int, 3> addedGang{};  // the rob window's gang, to finish when nobody robs
  };

  enum class TimerKind { BOT, CLAIM_DEADLINE, TURN_DEADLINE, BOT_READY };
  struct Timer {
    TimerKind kind;
    int chair;
    uint64_t epoch;
  };

  // Requests.
  TableOutput OnReady(int chair);
  TableOutput OnDiscard(int sender, std::span<const BYTE> body);
  TableOutput OnDraw(int sender, std::span<const BYTE> body);
  TableOutput OnPass(int chair, std::span<const BYTE> body);
  TableOutput OnClaimIntent(int chair, int code, std::span<const BYTE> body);
  TableOutput OnClaim(int chair, int code, std::span<const BYTE> body);
  TableOutput OnConcealedGang(int chair, std::span<const BYTE> body);
  TableOutput OnAddedGang(int chair, std::span<const BYTE> body);
  TableOutput OnHu(int chair, std::span<const BYTE> body);
  TableOutput OnFlower(int chair, std::span<const BYTE> body);
  TableOutput OnSeeHand(int userId);
  TableOutput OnSeeHandPermission(int chair, std::span<const BYTE> body);
  TableOutput OnReturnToGame(int chair);

  // The flow.
  TableOutput StartHand();
  TableOutput Discard(int chair, int tile, int replyTo);
  TableOutput ReplaceFlower(int chair, int flower, int replyTo, bool notifyActor);
  TableOutput Draw(int chair, int replyTo);
  // Settles the claims on the giver's tile once nothing undecided can outrank the best; with
  // nobody claiming, time-up goes to the clients (timeUp false: the next chair's own draw closed
  // the window, and the clients learn of it from the draw).
  TableOutput ResolveClaims(int requester, bool timeUp = true);
  TableOutput PerformClaim(int chair, bool notifyActor, int replyTo);
  TableOutput FinishAddedGang(int chair, bool notifyActor, int replyTo);
  TableOutput EndHand(const HandOutcome& outcome, int winTile);
  TableOutput EnterAwaitDraw(int chair);
  TableOutput EnterAwaitDiscard(int chair, int delayMs);
  TableOutput BotAct(int chair);
  TableOutput ServerActsFor(int chair);
  TableOutput Deadline(int chair);
  int DealDelayMs() const;

  // Helpers.
  void SetPhase(Phase phase);
  TimerRequest Schedule(TimerKind kind, int chair, int delayMs);
  int ChairOf(int userId) const;
  int WatchedChair(int userId) const;
  bool CanSee(int userId, int chair) const;
  std::vector<int> Recipients() const;
  Identity IdentityOf(int chair) const;
  int ClaimWord(int chair, int discarder, int tile) const;
  int RobWord(int chair, int tile) const;
  bool Wins(int chair, int extraTile) const;
  bool WinsAsSevenPairsOnly(int chair, int extraTile) const;
  int SetsLeft(int chair) const { return 4 - static_cast<int>(m_chairs[chair].melds.size()); }
  bool RemoveFromHand(int chair, int tile);
  std::vector<int> TakeOfCode(int chair, int code, size_t n, const std::vector<int>& preferred);
  BotSituation SituationFor(int chair) const;
  TableOutput RunBotAction(int chair, const BotAction& action);
  TableInfoRecord BuildRecord(int viewerUserId, int viewerChair) const;
  void Reply(TableOutput& out, int userId, int code, BodyData body = {}) const;
  void Notify(TableOutput& out, int code, const std::function<BodyData(int userId)>& bodyFor,
              int exceptUser = 0) const;
  void Log(const std::string& line) const;
  void LogDraw(int chair, const WallDraw& d, bool tail) const;
  void Event(const char* format, ...) const;

  TableConfig m_config;
  std::mt19937_64 m_rng;
  std::array<Chair, 4> m_chairs;
  std::map<int, int> m_onlookers;  // user id -> watched chair
  std::function<void(const std::string&)> m_log;
  std::function<void(const std::string&)> m_events;

  Phase m_phase = Phase::IDLE;
  uint64_t m_epoch = 0;
  uint64_t m_nextToken = 1;
  std::map<uint64_t, Timer> m_timers;

  int m_handNumber = 0;
  int m_handsPlayed = 0;
  int m_banker = 0;
  int m_current = 0;
  int m_status = 0;
  std::array<int, 4> m_dice{};
  Wall m_wall;
  int m_joker1 = TILE_NONE;
  int m_drawnTile = TILE_NONE;  // the current chair's last drawn or replacement tile
  bool m_afterGang = false;     // the current chair's tile came from a gang's tail draw
  ClaimWindow m_claims;
  std::vector<GangPayment> m_gangs;
  std::optional<RoundResultRecord> m_lastResult;
  size_t m_fixedWallNext = 0;
};

}  // namespace testbed
