// The local player's play over the table model with a scripted server: discards that only an
// accepted answer takes out of the hand, claim buttons lit by the claim words, the countdown
// that plays the turn and hands it to managed play, own gangs with their real replacement, the
// chi choice, the managed discard, and requests that leave the table drawing while they wait.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "mahjong/MahjongNotifyCodes.h"
#include "mahjong/TileRules.h"
#include "mahjong/scene/SceneRequests.h"
#include "mahjong/scene/TilePictures.h"
#include "testbed/table/TableBodies.h"
#include "testbed/table/TableRecords.h"
#include "variant/DiscardEvaluator.h"
#include "variant/RequestWait.h"
#include "variant/TableTurn.h"
#include "variant/VariantGameInfo.h"

namespace {

// A tile id: suit 0-2, value 1-9, copy 0-3.
int Id(int suit, int value, int copy) { return suit * 36 + copy * 9 + value - 1; }

// Answers each request code with its scripted code (10 unless told) and reply data.
class ScriptedConnection : public CMJGameConnection {
 public:
  ScriptedConnection() : CMJGameConnection(nullptr, 0, 0, 0) {}
  int IsConnected() override { return 1; }
  struct Sent {
    int code;
    std::vector<BYTE> body;
  };
  std::vector<Sent> sent;
  std::map<int, int> answers;
  std::map<int, std::vector<BYTE>> replies;
  bool silent = false;  // no reply at all

  int Word(size_t k, size_t offset) const {
    int v = 0;
    std::memcpy(&v, sent[k].body.data() + offset, 4);
    return v;
  }
  std::vector<int> Codes() const {
    std::vector<int> c;
    for (const Sent& s : sent) c.push_back(s.code);
    return c;
  }

 protected:
  int Exchange(CString&, int code, int* length, const BYTE* body, int* result, BYTE** replyData, int wait) override {
    sent.push_back({code, std::vector<BYTE>(body, body + *length)});
    if (replyData) *replyData = nullptr;
    if (silent) return 0;
    *result = wait == 1 ? (answers.count(code) ? answers[code] : 10) : 0;
    *length = 0;
    auto it = replies.find(code);
    if (replyData != nullptr && it != replies.end() && wait == 1) {
      *replyData = new BYTE[it->second.size()];
      std::memcpy(*replyData, it->second.data(), it->second.size());
      *length = static_cast<int>(it->second.size());
    }
    return 1;
  }
};

std::vector<BYTE> DrawRecord(int chair, int tile, int wall, int flags) {
  std::vector<BYTE> r(32, 0);
  std::memcpy(r.data() + 0, &chair, 4);
  std::memcpy(r.data() + 4, &tile, 4);
  std::memcpy(r.data() + 8, &wall, 4);
  std::memcpy(r.data() + 12, &flags, 4);
  return r;
}

struct Table {
  CVariantGameInfo info;
  // The scene's part that matters here: a closed offer reaches the turn.
  struct Effects : CTableEffects {
    CTableTurn* turn = nullptr;
    void ClaimOfferClosed() override {
      if (turn) turn->OnClaimOfferClosed();
    }
  } effects;
  CMJTableModel model{info, effects};
  ScriptedConnection connection;
  CSceneRequests requests{connection, model, Identity()};
  CRequestWait wait;
  CTableTurn turn{model, info, requests, wait};
  bool lookOn = false;
  std::vector<std::string> chat;

  CSceneRequests::Identity Identity() {
    CSceneRequests::Identity id;
    id.context = [] {
      RequestContext c;
      c.userId = 501;
      c.roomId = 9;
      c.tableNo = 4;
      c.chair = 0;
      return c;
    };
    id.seatUserId = [](int chair) { return 900 + chair; };
    id.turnHolderChair = [this] { return info.SideToChair(model.Clock().pointTo / 2); };
    return id;
  }

  // A new hand: the own chair 0 with the list given (the drawn tile first when ownTurn).
  std::vector<std::pair<int, int>> timers;  // (timer, ms) started
  Table(const std::vector<int>& own, bool ownTurn, int drawFlags = 0, std::array<int, 4> absent = {},
        int current = -1) {
    info.SetOwnChair(0);
    testbed::TableInfoRecord t;
    t.absent = absent;
    t.status = 0x1 | (ownTurn ? 0x100 : 0);
    t.currentChair = current >= 0 ? current : (ownTurn ? 0 : 1);
    t.drawFlags = drawFlags;
    t.discardTime = 15;
    t.claimTime = 10;
    t.wallStart = 40;
    t.wallHead = 93;
    t.indicatorTile = -1;
    t.handCounts = {static_cast<int>(own.size()), 13, 13, 13};
    t.ownHand = own;
    testbed::BodyData body = t.WriteNewHand();
    info.CopyTableInfo(body.data(), body.size());
    model.ResetRound();
    CTableTurn::Hooks hooks;
    hooks.isLookOn = [this] { return lookOn; };
    hooks.chat = [this](const std::string& line) { chat.push_back(line); };
    hooks.startTimer = [this](int timer, int ms) { timers.emplace_back(timer, ms); };
    turn.SetHooks(hooks);
    effects.turn = &turn;
    turn.StartHand();
  }

  const MJTile* Own(int i) const { return model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, i); }
  int PlaceOf(int tile) const {
    for (int i = 0; i < CTileTable::HAND_SIZE; ++i)
      if (Own(i)->present && Own(i)->meldKind == 0 && Own(i)->tileId == tile) return i;
    return -1;
  }
  bool Holds(int tile) const { return PlaceOf(tile) >= 0; }
  // Chair 1 (the player before the own seat in turn order) discards a tile with claim words.
  void Discard(int chair, int tile, int ownWord) {
    testbed::TileDiscardedNote n;
    n.chair = chair;
    n.tile = tile;
    n.words = {ownWord, 0, 0, 0};
    testbed::BodyData note = n.Write();
    ASSERT_TRUE(model.OnTileDiscarded(note.data(), note.size()));
  }
};

// Characters 2-9 and a few more; the own turn's drawn tile first.
std::vector<int> PlainHand() {
  return {Id(1, 9, 0), Id(0, 2, 0), Id(0, 3, 0), Id(0, 4, 0), Id(0, 5, 0), Id(0, 6, 0), Id(0, 7, 0),
          Id(0, 8, 0), Id(1, 1, 0), Id(1, 1, 1), Id(1, 5, 0), Id(2, 2, 0), Id(2, 3, 0), Id(2, 7, 0)};
}

TEST(TableTurn, OnlyAnAcceptedDiscardLeavesTheHand) {
  struct Case {
    const char* what;
    int answer;
    bool silent;
    bool accepted;
  };
  const Case cases[] = {
      {"accepted", 10, false, true},
      {"refused by the table", RESULT_DISCARD_REFUSED, false, false},
      {"held is no answer to a discard", RESULT_CLAIM_HELD, false, false},
      {"another code", 1031, false, false},
      {"no reply", 0, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Table t(PlainHand(), true);
    ASSERT_TRUE(t.model.Clock().pointTo == OWN_CLOCK_POSITION);
    const int tile = Id(0, 5, 0);
    const int place = t.PlaceOf(tile);
    ASSERT_GE(place, 0);
    t.connection.answers[REQ_DISCARD] = c.answer;
    t.connection.silent = c.silent;
    EXPECT_EQ(c.accepted, t.turn.ClickOwnTile(place));
    ASSERT_EQ(1u, t.connection.sent.size());
    EXPECT_EQ(REQ_DISCARD, t.connection.sent[0].code);
    EXPECT_EQ(1, t.connection.Word(0, 100));
    EXPECT_EQ(tile, t.connection.Word(0, 104));
    EXPECT_EQ(!c.accepted, t.Holds(tile));
    const MJTile* played = t.model.Tiles().GetTileRecord(MJ_ZONE_PLAYED, SIDE_OWN, 0);
    EXPECT_EQ(c.accepted ? 1 : 0, played->present);
    EXPECT_EQ(c.accepted ? 4 : OWN_CLOCK_POSITION, t.model.Clock().pointTo);
    EXPECT_EQ(c.accepted ? 0 : 1, t.turn.Refused());
  }
}

TEST(TableTurn, TilesActOnlyOnTheOwnTurnWithADrawnTile) {
  Table waiting(PlainHand(), false);
  // Not the own turn: a click sends nothing.
  EXPECT_FALSE(waiting.turn.ClickOwnTile(1));
  Table onlooker(PlainHand(), true);
  onlooker.lookOn = true;
  EXPECT_FALSE(onlooker.turn.ClickOwnTile(1));
  EXPECT_TRUE(waiting.connection.sent.empty());
  EXPECT_TRUE(onlooker.connection.sent.empty());
}

TEST(TableTurn, ClaimWordsLightTheirButtons) {
  struct Case {
    int word;
    std::vector<int> lit;
  };
  const Case cases[] = {
      {0, {}},
      {MJOP_PASS, {CLAIM_PASS}},
      {MJOP_PENG | MJOP_PASS, {CLAIM_PENG, CLAIM_PASS}},
      {MJOP_PENG | MJOP_CHI | MJOP_PASS, {CLAIM_PENG, CLAIM_CHI, CLAIM_PASS}},
      // A bit lights its button even when the hand could not make the claim.
      {MJOP_GANG | MJOP_HU | MJOP_PASS, {CLAIM_GANG, CLAIM_HU, CLAIM_PASS}},
  };
  std::vector<int> hand = PlainHand();
  hand.erase(hand.begin());  // 13 tiles: not the own turn
  for (const Case& c : cases) {
    SCOPED_TRACE(c.word);
    Table t(hand, false);
    // The model's offers reach the buttons as the scene forwards them.
    t.Discard(1, Id(1, 1, 2), c.word);
    for (int b = CLAIM_PENG; b <= CLAIM_PASS; ++b) t.turn.ShowClaimButton(b, t.model.Offer(b).enabled);
    for (int b = CLAIM_PENG; b <= CLAIM_PASS; ++b) {
      const bool lit = std::find(c.lit.begin(), c.lit.end(), b) != c.lit.end();
      EXPECT_EQ(lit, t.turn.IsButtonActive(b)) << "button " << b;
    }
  }
  // An idle button sends nothing; pass sends the pass and puts every button out.
  Table t(hand, false);
  t.Discard(1, Id(1, 1, 2), MJOP_PENG | MJOP_PASS);
  for (int b = CLAIM_PENG; b <= CLAIM_PASS; ++b) t.turn.ShowClaimButton(b, t.model.Offer(b).enabled);
  EXPECT_FALSE(t.turn.PressClaimButton(CLAIM_GANG));
  EXPECT_TRUE(t.connection.sent.empty());
  EXPECT_TRUE(t.turn.PressClaimButton(CLAIM_PASS));
  EXPECT_EQ(std::vector<int>{REQ_PASS}, t.connection.Codes());
  for (int b = CLAIM_PENG; b <= CLAIM_PASS; ++b) EXPECT_FALSE(t.turn.IsButtonActive(b));
}

TEST(TableTurn, PengIsClaimedMeldedAndLeavesTheOwnTurn) {
  std::vector<int> hand = PlainHand();
  hand.erase(hand.begin());
  Table t(hand, false);
  t.Discard(2, Id(1, 1, 2), MJOP_PENG | MJOP_PASS);
  for (int b = CLAIM_PENG; b <= CLAIM_PASS; ++b) t.turn.ShowClaimButton(b, t.model.Offer(b).enabled);
  ASSERT_TRUE(t.turn.PressClaimButton(CLAIM_PENG));
  EXPECT_EQ((std::vector<int>{REQ_PENG_CLAIM, REQ_PENG_MELD}), t.connection.Codes());
  // The two bamboo 1s went into the meld; the clock points at the own side with discard time.
  EXPECT_FALSE(t.Holds(Id(1, 1, 0)));
  EXPECT_FALSE(t.Holds(Id(1, 1, 1)));
  EXPECT_EQ(OWN_CLOCK_POSITION, t.model.Clock().pointTo);
  EXPECT_EQ(15, t.model.Clock().remainingSeconds);
  EXPECT_EQ(1, t.model.HasDrawnTile(SIDE_OWN));
  // Held by the server: the claim waits for the expiry.
  Table held(hand, false);
  held.connection.answers[REQ_PENG_MELD] = RESULT_CLAIM_HELD;
  held.Discard(2, Id(1, 1, 2), MJOP_PENG | MJOP_PASS);
  for (int b = CLAIM_PENG; b <= CLAIM_PASS; ++b) held.turn.ShowClaimButton(b, held.model.Offer(b).enabled);
  held.turn.PressClaimButton(CLAIM_PENG);
  EXPECT_EQ(1, held.turn.Control().ClaimWaiting());
  EXPECT_EQ(PENDING_PENG, held.model.Clock().pendingClaim);
  EXPECT_TRUE(held.Holds(Id(1, 1, 0)));
  // At the expiry the held peng is sent again and, accepted now, laid.
  held.connection.answers[REQ_PENG_MELD] = 10;
  held.turn.OnCountdownExpiredNotice();
  EXPECT_EQ(REQ_PENG_MELD, held.connection.sent.back().code);
  EXPECT_FALSE(held.Holds(Id(1, 1, 0)));

  // A held peng that another player's claim beat is over once the server lays that meld.
  Table lost(hand, false);
  lost.connection.answers[REQ_PENG_MELD] = RESULT_CLAIM_HELD;
  lost.Discard(2, Id(1, 1, 2), MJOP_PENG | MJOP_PASS);
  for (int b = CLAIM_PENG; b <= CLAIM_PASS; ++b) lost.turn.ShowClaimButton(b, lost.model.Offer(b).enabled);
  lost.turn.PressClaimButton(CLAIM_PENG);
  ASSERT_EQ(1, lost.turn.Control().ClaimWaiting());
  testbed::MeldRecord meld;
  meld.id.chair = 1;
  meld.otherChair = 2;
  meld.tiles = {Id(1, 1, 2), Id(1, 1, 3), 200, -1};
  testbed::BodyData body = meld.Write();
  ASSERT_TRUE(lost.model.OnPengMeld(body.data(), body.size()));
  EXPECT_EQ(0, lost.turn.Control().ClaimWaiting());
  EXPECT_EQ(PENDING_NONE, lost.model.Clock().pendingClaim);
  EXPECT_TRUE(lost.Holds(Id(1, 1, 0)));
}

TEST(TableTurn, OwnConcealedGangTakesTheReplacementTheServerGave) {
  // Four bamboo 5s standing, a drawn 9 of bamboo.
  std::vector<int> hand = {Id(1, 9, 0), Id(1, 5, 0), Id(1, 5, 1), Id(1, 5, 2), Id(1, 5, 3), Id(0, 2, 0), Id(0, 3, 0),
                           Id(0, 4, 0), Id(0, 6, 0), Id(0, 7, 0), Id(0, 8, 0), Id(2, 2, 0), Id(2, 3, 0), Id(2, 7, 0)};
  Table t(hand, true);
  ASSERT_TRUE(t.turn.IsButtonActive(CLAIM_GANG));
  const int replacement = Id(2, 9, 3);
  t.connection.replies[REQ_GANG_CONCEALED] = DrawRecord(0, replacement, 39, 0);
  // The button opens the choice: only the four of a kind stay selectable.
  ASSERT_TRUE(t.turn.PressClaimButton(CLAIM_GANG));
  EXPECT_EQ(BUTTON_FRAME_CHOICE, t.turn.ButtonFrame(CLAIM_GANG));
  EXPECT_EQ(PENDING_GANG, t.model.Clock().pendingClaim);
  EXPECT_EQ(1, t.Own(t.PlaceOf(Id(0, 2, 0)))->attrB);
  // A dimmed tile cannot be picked.
  EXPECT_FALSE(t.turn.ClickOwnTile(t.PlaceOf(Id(0, 2, 0))));
  EXPECT_TRUE(t.connection.sent.empty());
  const int remaining = t.model.Clock().remainingSeconds;
  ASSERT_TRUE(t.turn.ClickOwnTile(t.PlaceOf(Id(1, 5, 2))));
  EXPECT_EQ((std::vector<int>{REQ_GANG_CLAIM, REQ_GANG_CONCEALED}), t.connection.Codes());
  EXPECT_EQ(GANG_CLAIM_CONCEALED, t.connection.Word(0, 36));
  // The drawn place holds the server's replacement, not a tile made up from the request.
  EXPECT_EQ(replacement, t.Own(CTileTable::DRAWN_PLACE)->tileId);
  EXPECT_EQ(1, t.Own(CTileTable::DRAWN_PLACE)->present);
  EXPECT_FALSE(t.Holds(Id(1, 5, 0)));
  EXPECT_EQ(0, t.model.Tiles().GetTileRecord(MJ_ZONE_WALL, 0, 39)->present);
  EXPECT_EQ(remaining + 3, t.model.Clock().remainingSeconds);
  EXPECT_EQ(PENDING_NONE, t.model.Clock().pendingClaim);
  EXPECT_EQ(0, t.turn.Refused());
  // The drawn 9 of bamboo went into the hand: all fourteen ids are still on the table.
  EXPECT_TRUE(t.Holds(Id(1, 9, 0)));
}

TEST(TableTurn, AFourthTileAddedToAPengTakesTheServersReplacement) {
  // Two bamboo 1s and the fourth one in the hand: the peng of the third leaves the fourth free.
  std::vector<int> hand = {Id(1, 1, 0), Id(1, 1, 1), Id(1, 1, 3), Id(0, 2, 0), Id(0, 3, 0), Id(0, 4, 0), Id(0, 6, 0),
                           Id(0, 7, 0), Id(0, 8, 0), Id(2, 2, 0), Id(2, 3, 0), Id(2, 7, 0), Id(2, 8, 0)};
  Table t(hand, false);
  t.Discard(2, Id(1, 1, 2), MJOP_PENG | MJOP_PASS);
  for (int b = CLAIM_PENG; b <= CLAIM_PASS; ++b) t.turn.ShowClaimButton(b, t.model.Offer(b).enabled);
  ASSERT_TRUE(t.turn.PressClaimButton(CLAIM_PENG));
  ASSERT_TRUE(t.turn.IsButtonActive(CLAIM_GANG)) << "the own turn offers the added gang";
  const int replacement = Id(2, 9, 2);
  t.connection.replies[REQ_GANG_ADDED] = DrawRecord(0, replacement, 38, 0);
  t.connection.sent.clear();
  ASSERT_TRUE(t.turn.PressClaimButton(CLAIM_GANG));
  ASSERT_TRUE(t.turn.ClickOwnTile(t.PlaceOf(Id(1, 1, 3))));
  EXPECT_EQ((std::vector<int>{REQ_GANG_CLAIM, REQ_GANG_ADDED}), t.connection.Codes());
  EXPECT_EQ(GANG_CLAIM_ADDED, t.connection.Word(0, 36));
  EXPECT_EQ(Id(1, 1, 3), t.connection.Word(1, 20));
  EXPECT_FALSE(t.Holds(Id(1, 1, 3)));
  EXPECT_EQ(replacement, t.Own(CTileTable::DRAWN_PLACE)->tileId);
  int meldTiles = 0;
  for (int i = 0; i < CTileTable::HAND_PLACES; ++i) {
    const MJTile* m = t.model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, i);
    meldTiles += m->present && m->meldKind != 0 && GetSceneSuit(m->tileId) == 1 && GetSceneValue(m->tileId) == 1;
  }
  EXPECT_EQ(4, meldTiles);
  EXPECT_EQ(0, t.turn.Refused());
}

TEST(TableTurn, AFlowerIsReplacedBeforeAnythingIsDiscarded) {
  constexpr int FLOWER = 137;
  std::vector<int> hand = PlainHand();
  hand[0] = FLOWER;  // drawn
  Table t(hand, true);
  ASSERT_TRUE(t.turn.IsFlowerTile(FLOWER));
  // Only the flower can be chosen while it is in the hand.
  EXPECT_FALSE(t.turn.ClickOwnTile(t.PlaceOf(Id(0, 5, 0))));
  EXPECT_TRUE(t.connection.sent.empty());
  const int replacement = Id(2, 5, 3);
  t.connection.replies[REQ_FLOWER_REPLACE] = DrawRecord(0, replacement, 30, 0);
  ASSERT_TRUE(t.turn.ClickOwnTile(t.PlaceOf(FLOWER)));
  EXPECT_EQ(std::vector<int>{REQ_FLOWER_REPLACE}, t.connection.Codes());
  EXPECT_EQ(FLOWER, t.connection.Word(0, 16));
  EXPECT_FALSE(t.Holds(FLOWER));
  EXPECT_EQ(1, t.model.Tiles().FlowerCount(SIDE_OWN));
  EXPECT_EQ(FLOWER, t.model.Tiles().GetTileRecord(MJ_ZONE_FLOWERS, SIDE_OWN, 0)->tileId);
  EXPECT_EQ(replacement, t.Own(CTileTable::DRAWN_PLACE)->tileId);
  EXPECT_EQ(OWN_CLOCK_POSITION, t.model.Clock().pointTo);
  // The hand is free again: the next click discards.
  t.connection.sent.clear();
  EXPECT_TRUE(t.turn.ClickOwnTile(t.PlaceOf(Id(0, 5, 0))));
  EXPECT_EQ(std::vector<int>{REQ_DISCARD}, t.connection.Codes());
}

TEST(TableTurn, TheWinIsDeclaredSelfDrawnOrOnTheDiscard) {
  // A drawn tile the server says may win: the hu button offers the self-drawn win.
  Table drawn(PlainHand(), true, DRAW_FLAG_MAY_WIN);
  ASSERT_TRUE(drawn.turn.IsButtonActive(CLAIM_HU));
  ASSERT_TRUE(drawn.turn.PressClaimButton(CLAIM_HU));
  ASSERT_EQ(std::vector<int>{REQ_HU}, drawn.connection.Codes());
  EXPECT_EQ(0, drawn.connection.Word(0, 16));  // the own chair
  EXPECT_EQ(PlainHand()[0], drawn.connection.Word(0, 20));
  EXPECT_EQ(HU_SELF_DRAWN, drawn.connection.Word(0, 24));
  // Without the flag there is no hu to press.
  Table plain(PlainHand(), true);
  EXPECT_FALSE(plain.turn.IsButtonActive(CLAIM_HU));
  EXPECT_FALSE(plain.turn.PressClaimButton(CLAIM_HU));
  EXPECT_TRUE(plain.connection.sent.empty());
  // On another player's discard, held by the server until the others have answered.
  std::vector<int> hand = PlainHand();
  hand.erase(hand.begin());
  Table discard(hand, false);
  discard.connection.answers[REQ_HU] = RESULT_CLAIM_HELD;
  discard.Discard(2, Id(1, 1, 2), MJOP_HU | MJOP_PASS);
  for (int b = CLAIM_PENG; b <= CLAIM_PASS; ++b) discard.turn.ShowClaimButton(b, discard.model.Offer(b).enabled);
  ASSERT_TRUE(discard.turn.PressClaimButton(CLAIM_HU));
  EXPECT_EQ(HU_ON_DISCARD, discard.connection.Word(0, 24));
  EXPECT_EQ(2, discard.connection.Word(0, 16));
  EXPECT_EQ(1, discard.turn.Control().ClaimWaiting());
  EXPECT_EQ(PENDING_HU, discard.model.Clock().pendingClaim);
  for (int b = CLAIM_PENG; b <= CLAIM_PASS; ++b) EXPECT_FALSE(discard.turn.IsButtonActive(b));
  // The expiry sends it once more.
  discard.turn.OnCountdownExpiredNotice();
  EXPECT_EQ((std::vector<int>{REQ_HU, REQ_HU}), discard.connection.Codes());
}

TEST(TableTurn, FallbackTimersWaitLongerForEveryPlayerPresent) {
  struct Case {
    const char* what;
    std::array<int, 4> absent;
    int current;  // the chair in turn
    int longer;
    int ms;       // 0: no timer
  };
  const Case cases[] = {
      {"everybody present, plain tick", {0, 0, 0, 0}, 2, 0, 0},
      {"everybody present, at the expiry", {0, 0, 0, 0}, 2, 1, 8000},  // chair 3 is walked past
      {"the chair in turn is away", {0, 0, 1, 0}, 2, 0, 6000},
      {"every other chair away", {0, 1, 1, 1}, 2, 0, 3000},
      {"every other chair away, at the expiry", {0, 1, 1, 1}, 2, 1, 5000},
      // The walk goes by the chair numbers upwards from the chair in turn to the own chair.
      {"chair 1 away in turn, chairs 2 and 3 present", {0, 1, 0, 0}, 1, 0, 9000},
  };
  std::vector<int> hand = PlainHand();
  hand.erase(hand.begin());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Table t(hand, false, 0, c.absent, c.current);
    ASSERT_NE(OWN_CLOCK_POSITION, t.model.Clock().pointTo);
    t.turn.StartTurnTimers(c.longer);
    if (c.ms == 0) {
      EXPECT_TRUE(t.timers.empty());
      continue;
    }
    ASSERT_EQ(1u, t.timers.size());
    EXPECT_EQ(CTableTurn::DRAW_TIMER, t.timers[0].first);
    EXPECT_EQ(c.ms, t.timers[0].second);
    // A running timer is not started again; when it goes off the draw is sent for that chair.
    t.turn.StartTurnTimers(c.longer);
    EXPECT_EQ(1u, t.timers.size());
    t.turn.OnTurnTimer(CTableTurn::DRAW_TIMER);
    ASSERT_EQ(std::vector<int>{REQ_DRAW}, t.connection.Codes());
    EXPECT_EQ(c.current, t.connection.Word(0, 12));
    t.turn.StopTurnTimers();
    t.turn.OnTurnTimer(CTableTurn::DRAW_TIMER);
    EXPECT_EQ(1u, t.connection.sent.size());
  }
}

TEST(TableTurn, GangChoiceCancelsOnASecondPress) {
  std::vector<int> hand = {Id(1, 9, 0), Id(1, 5, 0), Id(1, 5, 1), Id(1, 5, 2), Id(1, 5, 3), Id(0, 2, 0), Id(0, 3, 0),
                           Id(0, 4, 0), Id(0, 6, 0), Id(0, 7, 0), Id(0, 8, 0), Id(2, 2, 0), Id(2, 3, 0), Id(2, 7, 0)};
  Table t(hand, true);
  t.turn.PressClaimButton(CLAIM_GANG);
  t.turn.PressClaimButton(CLAIM_GANG);
  EXPECT_EQ(BUTTON_FRAME_GANG, t.turn.ButtonFrame(CLAIM_GANG));
  EXPECT_EQ(PENDING_NONE, t.model.Clock().pendingClaim);
  EXPECT_EQ(0, t.Own(t.PlaceOf(Id(0, 2, 0)))->attrB);
  EXPECT_TRUE(t.connection.sent.empty());
}

TEST(TableTurn, ChiChoiceSendsThePairThePlayerPicks) {
  // 3, 4, 6 and 7 of characters: a discarded 5 makes runs with 3-4, 4-6 and 6-7.
  std::vector<int> hand = {Id(0, 3, 0), Id(0, 4, 0), Id(0, 6, 0), Id(0, 7, 0), Id(1, 1, 0), Id(1, 2, 0), Id(1, 3, 0),
                           Id(1, 7, 0), Id(1, 8, 0), Id(2, 2, 0), Id(2, 3, 0), Id(2, 7, 0), Id(2, 8, 0)};
  Table t(hand, false);
  t.Discard(1, Id(0, 5, 1), MJOP_CHI | MJOP_PASS);
  ASSERT_EQ(OWN_CLOCK_POSITION, t.model.Clock().pointTo);
  for (int b = CLAIM_PENG; b <= CLAIM_PASS; ++b) t.turn.ShowClaimButton(b, t.model.Offer(b).enabled);
  ASSERT_TRUE(t.turn.PressClaimButton(CLAIM_CHI));
  EXPECT_EQ(std::vector<int>{REQ_CHI_CLAIM}, t.connection.Codes());
  EXPECT_EQ(BUTTON_FRAME_CHOICE, t.turn.ButtonFrame(CLAIM_CHI));
  EXPECT_FALSE(t.turn.IsButtonActive(CLAIM_PASS));
  // A tile that makes no run with the 5 is dimmed.
  EXPECT_EQ(1, t.Own(t.PlaceOf(Id(2, 8, 0)))->attrB);
  // One raised tile sends nothing; lowering it again only lowers it.
  t.turn.ClickOwnTile(t.PlaceOf(Id(0, 6, 0)));
  t.turn.ClickOwnTile(t.PlaceOf(Id(0, 6, 0)));
  EXPECT_EQ(0, t.Own(t.PlaceOf(Id(0, 6, 0)))->attrA);
  t.turn.ClickOwnTile(t.PlaceOf(Id(0, 6, 0)));
  EXPECT_EQ(1u, t.connection.sent.size());
  t.turn.ClickOwnTile(t.PlaceOf(Id(0, 7, 0)));
  ASSERT_EQ((std::vector<int>{REQ_CHI_CLAIM, REQ_CHI_MELD}), t.connection.Codes());
  EXPECT_EQ(Id(0, 5, 1), t.connection.Word(1, 20));
  const int a = t.connection.Word(1, 24), b = t.connection.Word(1, 28);
  EXPECT_TRUE((a == Id(0, 6, 0) && b == Id(0, 7, 0)) || (a == Id(0, 7, 0) && b == Id(0, 6, 0)));
  EXPECT_FALSE(t.Holds(Id(0, 6, 0)));
  EXPECT_FALSE(t.Holds(Id(0, 7, 0)));
  EXPECT_TRUE(t.Holds(Id(0, 3, 0)));
  EXPECT_EQ(PENDING_NONE, t.model.Clock().pendingClaim);
  EXPECT_EQ(1, t.model.HasDrawnTile(SIDE_OWN));
}

TEST(TableTurn, TheCountdownPlaysTheTurnAndThreeExpiriesStartManagedPlay) {
  Table t(PlainHand(), true);
  for (int round = 1; round <= 3; ++round) {
    SCOPED_TRACE(round);
    // The own turn with a drawn tile, two seconds left.
    if (round > 1) {
      t.model.ApplyOwnDraw(Id(2, 9, round), 100 + round);
    }
    const int drawn = t.Own(CTileTable::DRAWN_PLACE)->tileId;
    t.model.Clock().remainingSeconds = 2;
    t.turn.OnClockTick();
    EXPECT_EQ(1, t.model.Clock().remainingSeconds);
    const size_t before = t.connection.sent.size();
    t.turn.OnClockTick();
    ASSERT_EQ(before + 1, t.connection.sent.size());
    EXPECT_EQ(drawn, t.connection.Word(before, 104));
    EXPECT_FALSE(t.Holds(drawn));
    EXPECT_EQ(round == 3, t.turn.IsManagedPlay());
  }
  ASSERT_FALSE(t.chat.empty());
  EXPECT_NE(std::string::npos, t.chat.back().find("托管"));
  t.turn.SetManagedPlay(false);
  EXPECT_NE(std::string::npos, t.chat.back().find("系统托管终止"));
  EXPECT_EQ(0, t.turn.Control().TimeOutCount());
}

TEST(TableTurn, ManagedPlayDiscardsTheEvaluatorsChoiceOnEverySecondTick) {
  Table t(PlainHand(), true);
  t.turn.SetManagedPlay(true);
  t.model.Clock().remainingSeconds = 15;
  const int expected = t.Own(CDiscardEvaluator(AiWeights{}, t.model.GetRuleFlags(), -1, -1)
                                 .ChooseDiscard(t.model.Tiles(), SIDE_OWN))
                           ->tileId;
  t.turn.OnClockTick();
  EXPECT_TRUE(t.connection.sent.empty());
  t.turn.OnClockTick();
  ASSERT_EQ(1u, t.connection.sent.size());
  EXPECT_EQ(REQ_DISCARD, t.connection.sent[0].code);
  EXPECT_EQ(expected, t.connection.Word(0, 104));
  // The managed player passes an offer it cannot use.
  std::vector<int> hand = PlainHand();
  hand.erase(hand.begin());
  Table u(hand, false);
  u.turn.SetManagedPlay(true);
  u.Discard(2, Id(2, 9, 0), MJOP_PASS);
  for (int b = CLAIM_PENG; b <= CLAIM_PASS; ++b) u.turn.ShowClaimButton(b, u.model.Offer(b).enabled);
  u.turn.OnClockTick();
  u.turn.OnClockTick();
  EXPECT_EQ(std::vector<int>{REQ_PASS}, u.connection.Codes());
}

// Managed play raises no tiles: a chi the server held is sent again at the time-up with the
// pair it was held with, instead of being given up for a draw the server refuses.
TEST(TableTurn, ManagedPlaySendsTheHeldChiAgainWithItsPair) {
  struct Case {
    const char* what;
    int retryAnswer;
    std::vector<int> codes;  // after the chi claim was held
    bool laid;
    int waiting;
  };
  const Case cases[] = {
      {"granted: the retry lays the chi", 10, {REQ_CHI_MELD, REQ_CHI_MELD}, true, 0},
      {"held again: the claim stays open", RESULT_CLAIM_HELD, {REQ_CHI_MELD, REQ_CHI_MELD}, false, 1},
      {"another claim won: the player draws", RESULT_DISCARD_REFUSED, {REQ_CHI_MELD, REQ_CHI_MELD, REQ_DRAW}, false, 0},
  };
  // 3, 4, 6 and 7 of characters: a discarded 5 makes runs.
  const std::vector<int> hand = {Id(0, 3, 0), Id(0, 4, 0), Id(0, 6, 0), Id(0, 7, 0), Id(1, 1, 0), Id(1, 2, 0), Id(1, 3, 0),
                                 Id(1, 7, 0), Id(1, 8, 0), Id(2, 2, 0), Id(2, 3, 0), Id(2, 7, 0), Id(2, 8, 0)};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Table t(hand, false);
    t.turn.SetManagedPlay(true);
    t.Discard(1, Id(0, 5, 1), MJOP_CHI | MJOP_PASS);
    for (int b = CLAIM_PENG; b <= CLAIM_PASS; ++b) t.turn.ShowClaimButton(b, t.model.Offer(b).enabled);
    t.connection.answers[REQ_CHI_MELD] = RESULT_CLAIM_HELD;
    t.turn.OnClockTick();
    t.turn.OnClockTick();
    ASSERT_EQ(std::vector<int>{REQ_CHI_MELD}, t.connection.Codes());
    ASSERT_EQ(1, t.turn.Control().ClaimWaiting());
    const int a = t.connection.Word(0, 24), b = t.connection.Word(0, 28);
    // The server's time-up: the held claim won, or is still open, or lost.
    t.connection.answers[REQ_CHI_MELD] = c.retryAnswer;
    t.turn.OnCountdownExpiredNotice();
    EXPECT_EQ(c.codes, t.connection.Codes());
    ASSERT_GE(t.connection.sent.size(), 2u);
    EXPECT_EQ(Id(0, 5, 1), t.connection.Word(1, 20));
    EXPECT_EQ(a, t.connection.Word(1, 24));
    EXPECT_EQ(b, t.connection.Word(1, 28));
    EXPECT_EQ(!c.laid, t.Holds(a));
    EXPECT_EQ(!c.laid, t.Holds(b));
    EXPECT_EQ(c.waiting, t.turn.Control().ClaimWaiting());
  }
}

TEST(RequestWait, TheTableKeepsDrawingUntilTheReplyComes) {
  CRequestWait wait;
  std::atomic<int> frames{0};
  std::atomic<bool> release{false};
  // The request answers only once the UI thread has drawn three frames while it waited.
  wait.SetKeepAlive([&] {
    if (++frames >= 3) release = true;
  });
  const int result = wait.Run([&] {
    while (!release) std::this_thread::yield();
    return 42;
  });
  EXPECT_EQ(42, result);
  EXPECT_GE(frames.load(), 3);
  EXPECT_FALSE(wait.Busy());
  // A request started from inside a waiting frame is refused, not sent.
  int nested = -1;
  wait.SetKeepAlive([&] { nested = wait.Run([] { return 7; }); release = true; });
  release = false;
  wait.Run([&] {
    while (!release) std::this_thread::yield();
    return 1;
  });
  EXPECT_EQ(0, nested);
}

}  // namespace
