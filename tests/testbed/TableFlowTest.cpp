// The table's flow with scripted clients: dealing and the echo rules, the claim window with
// its priorities and held claims, gangs and robbing a gang, self-drawn wins, drawn hands,
// resync, onlookers, absent chairs and malformed requests.
#include <gtest/gtest.h>

#include "tests/testbed/TableFixture.h"

namespace testbed {
namespace {

// Chair 0 (the banker) discards a 5 (code 5). Chair 3 plays next and may chi it with 4 and 6,
// chair 2 may peng it, chair 1 wins with it.
struct ClaimHands {
  WallBuilder builder;
  std::vector<int> wall;
  int five = -1;
  ClaimHands(bool secondWinner = false) {
    std::array<std::vector<int>, 4> hands;
    hands[0] = {5, 1, 9, 19, 29, 32, 33, 34, 35, 36, 26, 27, 28, 17};
    hands[1] = {11, 12, 13, 14, 15, 16, 23, 24, 25, 21, 21, 21, 5};
    hands[2] = {5, 5, 31, 32, 33, 34, 35, 2, 8, 12, 18, 22, 28};
    hands[3] = {4, 6, 31, 32, 33, 34, 35, 1, 9, 19, 29, 11, 18};
    if (secondWinner) {
      hands[2] = {2, 8, 12, 18, 22, 32, 33, 34, 35, 3, 7, 17, 24};
      hands[3] = {11, 12, 13, 14, 15, 16, 26, 27, 28, 31, 31, 31, 5};
    }
    wall = builder.Build(hands, {7, 3, 2});
    five = TileSet::FirstIdOfCode(5);  // the banker's copy comes first in the deal
  }
};

class TableFlow : public TableFixture {};

TEST_F(TableFlow, NewHandIsDealtPerRecipientAndReadyIsNotEchoed) {
  ClaimHands h;
  Start(h.wall, {false, false, false, false}, {901});
  // Each ready went to everybody but its sender.
  for (const TableMessage& m : Received(NTF_PLAYER_STARTED)) {
    const auto note = PlayerStartedNote::Read(m.body);
    ASSERT_TRUE(note);
    EXPECT_NE(note->id.userId, m.toUser);
  }
  EXPECT_EQ(Received(NTF_PLAYER_STARTED).size(), 4u * 3u + 4u);  // 3 players and 1 onlooker each
  for (int c = 0; c < 4; ++c) {
    const TableMessage* m = Last(NTF_NEW_HAND, UserOf(c));
    ASSERT_NE(m, nullptr);
    const auto t = TableInfoRecord::ReadNewHand(m->body);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->handNumber, 1);
    EXPECT_EQ(t->banker, 0);
    EXPECT_EQ(t->currentChair, 0);
    EXPECT_EQ(t->status, 0x101);
    EXPECT_EQ(t->handCounts, (std::array<int, 4>{14, 13, 13, 13}));
    EXPECT_EQ(t->wallStart, BREAK);
    EXPECT_EQ(t->indicatorPosition, BREAK - 2);
    EXPECT_EQ(t->wallHead, BREAK + 53) << "the place of the next head draw";
    EXPECT_EQ(TileSet::Code(t->joker1), 37);
    std::vector<int> own = t->ownHand;
    std::vector<int> held = m_table->Hand(c);
    std::sort(own.begin(), own.end());
    std::sort(held.begin(), held.end());
    EXPECT_EQ(own, held) << "chair " << c << " sees its own tiles";
  }
  // The onlooker of chair 1 sees as many hidden tiles.
  const auto watched = TableInfoRecord::ReadNewHand(Last(NTF_NEW_HAND, 901)->body);
  ASSERT_TRUE(watched);
  EXPECT_EQ(watched->ownHand, std::vector<int>(13, TILE_HIDDEN));
}

enum Step { PASS, PENG, CHI, HU, HU_RETRY, PENG_RETRY, CHI_RETRY, DRAW_NEXT, PENG_OTHER_TILE };

struct ClaimCase {
  const char* name;
  std::vector<std::tuple<int, Step, int>> steps;  // chair, action, expected reply
  int meldOwner;                                  // -1: none
  int winner;                                     // -1: none
  MahjongTable::Phase phase;
};

TEST_F(TableFlow, ClaimPrioritiesAndHeldClaims) {
  const ClaimCase cases[] = {
      {"a peng waits for the possible hu, and the hu takes the tile",
       {{2, PENG, RESULT_CLAIM_HELD}, {1, HU, RESULT_SUCCESS}, {2, PENG_RETRY, RESULT_REFUSED}}, -1, 1,
       MahjongTable::Phase::IDLE},
      {"the hu passes: the held peng wins on its retry",
       {{2, PENG, RESULT_CLAIM_HELD}, {1, PASS, RESULT_SUCCESS}, {2, PENG_RETRY, RESULT_SUCCESS}}, 2, -1,
       MahjongTable::Phase::AWAIT_DISCARD},
      {"a chi waits for peng and hu; the peng outranks it",
       {{3, CHI, RESULT_CLAIM_HELD}, {2, PENG, RESULT_CLAIM_HELD}, {1, PASS, RESULT_SUCCESS},
        {3, CHI_RETRY, RESULT_REFUSED}, {2, PENG_RETRY, RESULT_SUCCESS}}, 2, -1, MahjongTable::Phase::AWAIT_DISCARD},
      {"a chi wins when everyone above it passed",
       {{2, PASS, RESULT_SUCCESS}, {1, PASS, RESULT_SUCCESS}, {3, CHI, RESULT_SUCCESS}}, 3, -1,
       MahjongTable::Phase::AWAIT_DISCARD},
      {"everybody passes and the next chair draws",
       {{3, PASS, RESULT_SUCCESS}, {2, PASS, RESULT_SUCCESS}, {1, PASS, RESULT_SUCCESS}, {3, DRAW_NEXT, RESULT_SUCCESS}},
       -1, -1, MahjongTable::Phase::AWAIT_DISCARD},
      {"the next chair's draw closes the window for those who did not answer",
       {{3, DRAW_NEXT, RESULT_SUCCESS}}, -1, -1, MahjongTable::Phase::AWAIT_DISCARD},
      {"a peng that names another tile than the discard (a late answer to an earlier offer) is refused",
       {{2, PENG_OTHER_TILE, RESULT_REFUSED}, {2, PENG, RESULT_CLAIM_HELD}}, -1, -1, MahjongTable::Phase::CLAIMS},
      {"a claim the chair's word does not hold is refused",
       {{3, PENG, RESULT_REFUSED}, {1, CHI, RESULT_REFUSED}}, -1, -1, MahjongTable::Phase::CLAIMS},
      {"a hu answered at once when nobody can outrank it", {{1, HU, RESULT_SUCCESS}}, -1, 1,
       MahjongTable::Phase::IDLE},
  };
  for (const ClaimCase& c : cases) {
    SCOPED_TRACE(c.name);
    ClaimHands h;
    Start(h.wall);
    ASSERT_EQ(Discard(0, h.five), RESULT_SUCCESS);
    const auto words = TileDiscardedNote::Read(Last(NTF_TILE_DISCARDED, UserOf(1))->body);
    ASSERT_TRUE(words);
    EXPECT_EQ(words->words, (std::array<int, 4>{0, MJOP_HU | MJOP_PASS, MJOP_PENG | MJOP_PASS, MJOP_CHI | MJOP_PASS}));
    ClearMessages();
    const std::vector<int>& hand2 = m_table->Hand(2);
    const std::vector<int>& hand3 = m_table->Hand(3);
    const int four = *std::find_if(hand3.begin(), hand3.end(), [](int id) { return TileSet::Code(id) == 4; });
    const int six = *std::find_if(hand3.begin(), hand3.end(), [](int id) { return TileSet::Code(id) == 6; });
    std::array<int, 3> pengTiles{-1, -1, -1};
    int k = 0;
    for (int id : hand2) {
      if (TileSet::Code(id) == 5 && k < 2) pengTiles[k++] = id;
    }
    for (auto [chair, step, expected] : c.steps) {
      int got = -1;
      switch (step) {
        case PASS: got = Pass(chair, 0, h.five); break;
        case PENG: Claim(chair, REQ_PENG_CLAIM, 0, h.five, pengTiles); [[fallthrough]];
        case PENG_RETRY: got = Claim(chair, REQ_PENG_MELD, 0, h.five, pengTiles); break;
        case CHI: Claim(chair, REQ_CHI_CLAIM, 0, h.five, {four, six, -1}); [[fallthrough]];
        case CHI_RETRY: got = Claim(chair, REQ_CHI_MELD, 0, h.five, {four, six, -1}); break;
        case HU: case HU_RETRY: got = Hu(chair, 0, h.five, HU_ON_DISCARD); break;
        case DRAW_NEXT: got = Draw(chair); break;
        case PENG_OTHER_TILE: {
          // A tile of the same kind as the discard, still in chair 2's hand, named as the claimed one.
          Claim(chair, REQ_PENG_CLAIM, 0, pengTiles[1], {pengTiles[0], -1, -1});
          got = Claim(chair, REQ_PENG_MELD, 0, pengTiles[1], {pengTiles[0], -1, -1});
          break;
        }
      }
      EXPECT_EQ(got, expected) << "chair " << chair << " step " << step;
    }
    EXPECT_EQ(m_table->CurrentPhase(), c.phase);
    for (int chair = 0; chair < 4; ++chair) {
      EXPECT_EQ(m_table->Melds(chair).size(), chair == c.meldOwner ? 1u : 0u) << "chair " << chair;
    }
    if (c.meldOwner >= 0) {
      EXPECT_EQ(m_table->CurrentChair(), c.meldOwner);
      EXPECT_TRUE(m_table->River(0).empty()) << "the claimed tile leaves the discarder's river";
      // The claimer laid its meld itself: the meld notification goes to the others only.
      const int meldCode = m_table->Melds(c.meldOwner)[0].family == FAMILY_PENG ? NTF_PENG_MELD : NTF_CHI_MELD;
      std::set<int> others{UserOf(0), UserOf(1), UserOf(2), UserOf(3)};
      others.erase(UserOf(c.meldOwner));
      EXPECT_EQ(UsersOf(meldCode), others);
    }
    if (c.winner >= 0) {
      ASSERT_TRUE(m_table->LastResult());
      EXPECT_EQ(m_table->LastResult()->win[c.winner], 1);
      EXPECT_EQ(UsersOf(NTF_HAND_RESULT).size(), 4u);
      ExpectLogConsistent();
    }
  }
}

// The next chair draws while claims are still open (its count-down ran out first): the draw
// closes the window, and no time-up follows it, which would make the drawer's client play its
// turn at once with the tile it just drew.
TEST_F(TableFlow, TheNextChairsDrawClosesTheWindowWithoutTimeUp) {
  ClaimHands h;
  Start(h.wall);
  ASSERT_EQ(Discard(0, h.five), RESULT_SUCCESS);
  ClearMessages();
  ASSERT_EQ(Draw(3), RESULT_SUCCESS);
  EXPECT_TRUE(UsersOf(NTF_TIME_UP).empty());
  EXPECT_EQ(UsersOf(NTF_TILE_DRAWN).size(), 4u);
  EXPECT_EQ(m_table->CurrentPhase(), MahjongTable::Phase::AWAIT_DISCARD);
  EXPECT_EQ(m_table->CurrentChair(), 3);
}

TEST_F(TableFlow, HeldClaimWinsAndTimeUpIsBroadcast) {
  ClaimHands h;
  Start(h.wall);
  ASSERT_EQ(Discard(0, h.five), RESULT_SUCCESS);
  // The discard goes to everybody, the discarder included (its client skips its own echo).
  EXPECT_EQ(UsersOf(NTF_TILE_DISCARDED).size(), 4u);
  EXPECT_EQ(Claim(2, REQ_PENG_MELD, 0, h.five), RESULT_CLAIM_HELD);
  ClearMessages();
  EXPECT_EQ(Pass(1, 0, h.five), RESULT_SUCCESS);
  // Chair 3's chi cannot beat the held peng: the window ends, and time-up makes chair 2's
  // client retry at once.
  EXPECT_EQ(UsersOf(NTF_TIME_UP).size(), 4u);
  // Nobody retries: at the deadline (claim time and grace) the table lays the meld itself and
  // tells chair 2 as well.
  m_runner->Advance(16000);
  EXPECT_EQ(UsersOf(NTF_PENG_MELD).size(), 4u);
  EXPECT_EQ(m_table->Melds(2).size(), 1u);
  EXPECT_EQ(Claim(2, REQ_PENG_MELD, 0, h.five), RESULT_REFUSED) << "a late retry changes nothing";
  EXPECT_EQ(m_table->Hand(2).size(), 11u);
}

TEST_F(TableFlow, NearestWinnerInTurnOrderTakesTheDiscard) {
  ClaimHands h(true);
  Start(h.wall);
  ASSERT_EQ(Discard(0, h.five), RESULT_SUCCESS);
  // Chair 3 plays right after the discarder, chair 1 last: chair 1's hu waits for chair 3's.
  EXPECT_EQ(Hu(1, 0, h.five, HU_ON_DISCARD), RESULT_CLAIM_HELD);
  EXPECT_EQ(Hu(3, 0, h.five, HU_ON_DISCARD), RESULT_SUCCESS);
  EXPECT_EQ(Hu(1, 0, h.five, HU_ON_DISCARD), RESULT_REFUSED);
  ASSERT_TRUE(m_table->LastResult());
  const RoundResultRecord& r = *m_table->LastResult();
  EXPECT_EQ(r.win, (std::array<int, 4>{0, 0, 0, 1}));
  EXPECT_EQ(r.firstShown, 3);
  EXPECT_EQ(r.winTile, h.five);
  EXPECT_EQ(r.flags, RoundResultRecord::FLAG_WIN_TILE_IN_LIST);
  EXPECT_EQ(r.finalTiles[3].size(), 14u);
  EXPECT_EQ(r.points[0] + r.points[1] + r.points[2] + r.points[3], 0);
  EXPECT_LT(r.points[0], 0) << "the discarder pays";
  ExpectLogConsistent();
}

// Chair 2 pengs the banker's 5 and adds its own fourth 5 as a gang; chair 1 wins with a 5
// (4 and 6 in hand), so it may rob the gang.
struct RobHands {
  WallBuilder builder;
  std::vector<int> wall;
  int five = TileSet::FirstIdOfCode(5);
  RobHands() {
    std::array<std::vector<int>, 4> hands;
    hands[0] = {5, 1, 9, 19, 29, 32, 33, 34, 35, 36, 26, 27, 28, 17};
    hands[1] = {11, 12, 13, 14, 15, 16, 23, 24, 25, 21, 21, 4, 6};
    hands[2] = {5, 5, 5, 31, 32, 33, 34, 35, 2, 8, 12, 18, 22};
    hands[3] = {1, 9, 19, 3, 7, 17, 22, 31, 31, 36, 2, 8, 18};
    wall = builder.Build(hands, {}, {27});
  }
};

TEST_F(TableFlow, AddedGangIsRobbedOrCompleted) {
  for (bool rob : {true, false}) {
    SCOPED_TRACE(rob ? "robbed" : "completed");
    RobHands h;
    Start(h.wall);
    ASSERT_EQ(Discard(0, h.five), RESULT_SUCCESS);
    ASSERT_EQ(Pass(1, 0, h.five), RESULT_SUCCESS);
    ASSERT_EQ(Claim(2, REQ_PENG_MELD, 0, h.five), RESULT_SUCCESS);
    int fourth = -1;
    for (int id : m_table->Hand(2)) {
      if (TileSet::Code(id) == 5) fourth = id;
    }
    ASSERT_GE(fourth, 0);
    ClearMessages();
    ASSERT_EQ(Claim(2, REQ_GANG_CLAIM, 2, fourth, {-1, -1, -1}, GANG_CLAIM_ADDED), RESULT_SUCCESS);
    EXPECT_EQ(m_lastReply.size(), 48u);
    EXPECT_EQ(Claim(2, REQ_GANG_ADDED, 2, fourth), RESULT_CLAIM_HELD);
    const auto note = GangAnnouncedNote::Read(Last(NTF_GANG_ANNOUNCED, UserOf(1))->body);
    ASSERT_TRUE(note);
    EXPECT_EQ(note->kind, GANG_NOTE_ADDED);
    EXPECT_EQ(note->words, (std::array<int, 4>{0, MJOP_HU | MJOP_PASS, 0, 0}));
    if (rob) {
      EXPECT_EQ(Hu(1, 2, fourth, HU_ROBBING), RESULT_SUCCESS);
      ASSERT_TRUE(m_table->LastResult());
      EXPECT_EQ(m_table->LastResult()->win[1], 1);
      EXPECT_EQ(m_table->LastResult()->points[2], -3 * 3) << "the robbed chair pays base, robbing and no-joker for all";
      EXPECT_EQ(Claim(2, REQ_GANG_ADDED, 2, fourth), RESULT_REFUSED);
    } else {
      EXPECT_EQ(Pass(1, 2, fourth), RESULT_SUCCESS);
      EXPECT_EQ(UsersOf(NTF_TIME_UP).size(), 4u);
      EXPECT_EQ(Claim(2, REQ_GANG_ADDED, 2, fourth), RESULT_SUCCESS);
      const auto draw = DrawRecord::Read(m_lastReply);
      ASSERT_TRUE(draw);
      EXPECT_EQ(draw->wallIndex, BREAK - 1) << "the replacement is the first tail place after the indicator";
      EXPECT_EQ(TileSet::Code(draw->tile), 27);
      EXPECT_EQ(m_table->Melds(2)[0].family, FAMILY_ADDED_GANG);
      EXPECT_EQ(UsersOf(NTF_GANG_ADDED), (std::set<int>{UserOf(0), UserOf(1), UserOf(3)}));
      const auto meld = MeldRecord::Read(Last(NTF_GANG_ADDED, UserOf(0))->body);
      ASSERT_TRUE(meld);
      EXPECT_EQ(meld->replacement, TILE_HIDDEN) << "the others do not see the replacement";
      EXPECT_EQ(meld->replacementWall, BREAK - 1);
      EXPECT_EQ(m_table->CurrentPhase(), MahjongTable::Phase::AWAIT_DISCARD);
      EXPECT_EQ(m_table->CurrentChair(), 2);
    }
  }
}

TEST_F(TableFlow, SelfDrawnWinAndConcealedGang) {
  WallBuilder b;
  std::array<std::vector<int>, 4> hands;
  // The banker is dealt a winning hand with four 9s of the second suit.
  hands[0] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 19, 19, 19, 19, 31};
  hands[1] = {11, 12, 13, 14, 15, 16, 23, 24, 25, 21, 21, 26, 6};
  hands[2] = {32, 33, 34, 35, 2, 8, 12, 18, 22, 27, 28, 29, 17};
  hands[3] = {32, 33, 34, 35, 3, 7, 17, 22, 36, 2, 8, 18, 11};
  const std::vector<int> wall = b.Build(hands, {}, {31});
  Start(wall);
  const auto dealt = TableInfoRecord::ReadNewHand(Last(NTF_NEW_HAND, UserOf(0))->body);
  ASSERT_TRUE(dealt);
  EXPECT_EQ(dealt->drawFlags, 0) << "1-9, four 9s and a lone honour do not win";
  const int nine = TileSet::FirstIdOfCode(19);
  ASSERT_EQ(Claim(0, REQ_GANG_CLAIM, 0, nine, {-1, -1, -1}, GANG_CLAIM_CONCEALED), RESULT_SUCCESS);
  ClearMessages();
  ASSERT_EQ(Claim(0, REQ_GANG_CONCEALED, 0, nine), RESULT_SUCCESS);
  const auto draw = DrawRecord::Read(m_lastReply);
  ASSERT_TRUE(draw);
  EXPECT_EQ(draw->wallIndex, BREAK - 1);
  EXPECT_EQ(TileSet::Code(draw->tile), 31);
  EXPECT_EQ(draw->flags, DrawRecord::MAY_WIN) << "the replacement pairs the lone honour";
  EXPECT_EQ(UsersOf(NTF_GANG_CONCEALED), (std::set<int>{UserOf(1), UserOf(2), UserOf(3)}));
  EXPECT_EQ(Hu(0, 0, draw->tile, HU_SELF_DRAWN), RESULT_SUCCESS);
  const RoundResultRecord& r = *m_table->LastResult();
  EXPECT_EQ(r.win[0], 1);
  // Self-drawn on a gang's replacement without a joker: base, self-drawn, no joker, after
  // gang = 4 from each, and 2 from each for the concealed gang.
  EXPECT_EQ(r.points, (std::array<int, 8>{18, -6, -6, -6, 0, 0, 0, 0}));
  EXPECT_EQ(r.silver[0], 1800);
  EXPECT_EQ(r.seats[0].kongPoints, 6);  // in points: the client multiplies by the silver per point
  EXPECT_EQ(r.seats[0].total, 18);
  ExpectLogConsistent();
  // Chair 3's player leaves between hands and a computer player takes the chair; the others
  // ready again and the banker, who won, keeps the deal.
  m_runner->Take(m_table->Leave(UserOf(3)));
  m_runner->Take(m_table->SeatBot(3, 999));
  for (int c = 0; c < 3; ++c) Send(c, REQ_READY, IdentityBody{Id(c)}.Write());
  EXPECT_EQ(m_table->HandNumber(), 2);
  EXPECT_EQ(m_table->Banker(), 0);
  EXPECT_EQ(Last(NTF_NEW_HAND, UserOf(3)), nullptr) << "the player who left hears nothing of the new hand";
}

// A brain that never wins and never claims: the wall runs out.
class DrawOnlyBrain : public BotBrain {
 public:
  BotAction Decide(const BotSituation& s) override {
    if (s.kind == BotSituation::DRAW) return BotAction{BotAction::DRAW};
    if (s.kind == BotSituation::OWN_TURN) return BotAction{BotAction::DISCARD, s.hand.back()};
    return BotAction{BotAction::PASS, s.tile};
  }
};

TEST_F(TableFlow, WallRunsOutIntoADrawnHand) {
  TableConfig config;
  config.seed = 5;
  MahjongTable table(config);
  ReplayChecker checker;
  table.SetHandLog([&](const std::string& line) { checker.Feed(line); });
  TableRunner runner(table);
  for (int c = 0; c < 4; ++c) runner.Take(table.SeatBot(c, UserOf(c), std::make_unique<DrawOnlyBrain>()));
  runner.Take(table.Watch(900, 0));
  ASSERT_EQ(runner.RunUntilHands(1, 100000), 1);
  const TableMessage* result = nullptr;
  for (const TableMessage& m : runner.Messages()) {
    if (m.code == NTF_HAND_RESULT) result = &m;
  }
  ASSERT_NE(result, nullptr);
  const auto r = RoundResultRecord::Read(result->body);
  ASSERT_TRUE(r);
  EXPECT_TRUE(r->flags & RoundResultRecord::FLAG_DRAWN);
  EXPECT_EQ(r->win, (std::array<int, 4>{0, 0, 0, 0}));
  EXPECT_EQ(r->firstShown, -1);
  EXPECT_FALSE(table.CurrentWall().CanDrawHead());
  EXPECT_EQ(table.Banker(), 0) << "a drawn hand keeps the banker";
  checker.Finish();
  EXPECT_TRUE(checker.Errors().empty()) << checker.Errors().front();
  EXPECT_EQ(checker.HandsDrawn(), 1);
}

TEST_F(TableFlow, ResyncAnswersTheWholeRecordMidHand) {
  ClaimHands h;
  Start(h.wall);
  ASSERT_EQ(Discard(0, h.five), RESULT_SUCCESS);
  ASSERT_EQ(Pass(1, 0, h.five), RESULT_SUCCESS);
  ASSERT_EQ(Claim(2, REQ_PENG_MELD, 0, h.five), RESULT_SUCCESS);
  ASSERT_EQ(Send(2, REQ_GET_GAME_DATA, IdentityBody{Id(2)}.Write()), RESULT_SUCCESS);
  ASSERT_EQ(m_lastReply.size(), TableInfoRecord::SIZE);
  const auto t = TableInfoRecord::Read(m_lastReply);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->currentChair, 2);
  EXPECT_EQ(t->status, 0x101);
  EXPECT_EQ(t->handCounts, (std::array<int, 4>{13, 13, 11, 13}));
  std::vector<int> own = t->ownHand, held = m_table->Hand(2);
  std::sort(own.begin(), own.end());
  std::sort(held.begin(), held.end());
  EXPECT_EQ(own, held);
  ASSERT_EQ(t->melds[FAMILY_PENG][2].size(), 1u);
  EXPECT_EQ(t->melds[FAMILY_PENG][2][0].tiles[2], h.five);
  EXPECT_EQ(t->melds[FAMILY_PENG][2][0].source, 0);
  EXPECT_TRUE(t->rivers[0].empty());
  EXPECT_EQ(t->wallHead, (BREAK + 53) % TILE_COUNT);
  // Another chair's resync hides chair 2's tiles but shows the same table.
  ASSERT_EQ(Send(1, REQ_GET_GAME_DATA, IdentityBody{Id(1)}.Write()), RESULT_SUCCESS);
  const auto other = TableInfoRecord::Read(m_lastReply);
  ASSERT_TRUE(other);
  EXPECT_EQ(other->ownHand.size(), 13u);
  EXPECT_EQ(other->melds[FAMILY_PENG][2].size(), 1u);
}

TEST_F(TableFlow, OnlookerSeesHiddenTilesUntilAllowed) {
  ClaimHands h;
  Start(h.wall, {false, false, false, false}, {903});  // 903 watches chair 3
  ASSERT_EQ(Discard(0, h.five), RESULT_SUCCESS);
  EXPECT_EQ(SendFrom(903, REQ_PASS, PassBody{Id(3), 0, h.five}.Write()), RESULT_REFUSED) << "onlookers do not play";
  for (int c : {3, 2, 1}) Pass(c, 0, h.five);
  ASSERT_EQ(Draw(3), RESULT_SUCCESS);
  EXPECT_EQ(DrawRecord::Read(Last(NTF_TILE_DRAWN, 903)->body)->tile, TILE_HIDDEN);
  EXPECT_EQ(DrawRecord::Read(Last(NTF_TILE_DRAWN, UserOf(3))->body)->tile, TileSet::FirstIdOfCode(7));
  EXPECT_EQ(DrawRecord::Read(Last(NTF_TILE_DRAWN, UserOf(1))->body)->tile, TILE_HIDDEN);

  ClearMessages();
  EXPECT_EQ(SendFrom(903, REQ_SEE_HAND, IdentityBody{Id(3)}.Write()), RESULT_SUCCESS);
  EXPECT_EQ(UsersOf(NTF_SEE_HAND_REQUEST), std::set<int>{UserOf(3)});
  EXPECT_EQ(SeeHandAskNote::Read(Last(NTF_SEE_HAND_REQUEST, UserOf(3))->body)->watcherUserId, 903);
  EXPECT_EQ(Send(3, REQ_SEE_HAND_PERMISSION, PermissionBody{Id(3), 903, 1}.Write()), RESULT_SUCCESS);
  EXPECT_EQ(UsersOf(NTF_HAND_SHOWN).size(), 5u) << "every client writes the see-hand line";
  const auto refresh = HandRefreshNote::Read(Last(NTF_HAND_REFRESH, 903)->body);
  ASSERT_TRUE(refresh);
  EXPECT_EQ(refresh->chair, 3);
  EXPECT_EQ(refresh->tiles.size(), 14u);
  // From now on the onlooker's resync and notifications carry chair 3's real tiles.
  EXPECT_EQ(SendFrom(903, REQ_GET_GAME_DATA, IdentityBody{Id(3)}.Write()), RESULT_SUCCESS);
  EXPECT_EQ(TableInfoRecord::Read(m_lastReply)->ownHand.size(), 14u);
  EXPECT_NE(TableInfoRecord::Read(m_lastReply)->ownHand[0], TILE_HIDDEN);
  // Forbidding hides them again.
  EXPECT_EQ(Send(3, REQ_SEE_HAND_PERMISSION, PermissionBody{Id(3), 903, 0}.Write()), RESULT_SUCCESS);
  EXPECT_EQ(SendFrom(903, REQ_GET_GAME_DATA, IdentityBody{Id(3)}.Write()), RESULT_SUCCESS);
  EXPECT_EQ(TableInfoRecord::Read(m_lastReply)->ownHand[0], TILE_HIDDEN);
}

TEST_F(TableFlow, AbsentChairIsPlayedByOthersOnce) {
  ClaimHands h;
  Start(h.wall);
  ClearMessages();
  m_runner->Take(m_table->Disconnect(UserOf(3)));
  EXPECT_EQ(UsersOf(NTF_PLAYER_BACK_OR_LEFT), (std::set<int>{UserOf(0), UserOf(1), UserOf(2)}));
  EXPECT_EQ(ChairNote::Read(Last(NTF_PLAYER_BACK_OR_LEFT, UserOf(0))->body)->kind, LEFT_GAME);
  EXPECT_TRUE(m_table->IsAbsent(3));
  ASSERT_EQ(Discard(0, h.five), RESULT_SUCCESS);
  // Chair 3 could chi, but it is away: it gets no claim word, and the window ends with the
  // others' passes...
  EXPECT_EQ(TileDiscardedNote::Read(Last(NTF_TILE_DISCARDED, UserOf(1))->body)->words[3], 0);
  for (int c : {2, 1}) Pass(c, 0, h.five);
  ASSERT_EQ(m_table->CurrentPhase(), MahjongTable::Phase::AWAIT_DRAW);
  ClearMessages();
  // ...and two clients draw in its name: the first is taken, the second refused.
  EXPECT_EQ(DrawFor(0, 3), RESULT_SUCCESS);
  EXPECT_EQ(DrawRecord::Read(m_lastReply)->tile, TILE_HIDDEN);
  EXPECT_EQ(DrawFor(1, 3), RESULT_REFUSED);
  EXPECT_EQ(UsersOf(NTF_TILE_DRAWN).size(), 4u);
  EXPECT_NE(DrawRecord::Read(Last(NTF_TILE_DRAWN, UserOf(3))->body)->tile, TILE_HIDDEN);
  // A discard in its name without a tile: the table picks one from chair 3's hand.
  DiscardBody d;
  d.seat = Id(3);
  d.forOther = 1;
  d.senderChair = 2;
  d.senderUserId = UserOf(2);
  d.own = 0;
  const std::vector<int> before = m_table->Hand(3);
  EXPECT_EQ(Send(2, REQ_DISCARD, d.Write()), RESULT_SUCCESS);
  EXPECT_EQ(Send(1, REQ_DISCARD, d.Write()), RESULT_REFUSED);
  ASSERT_EQ(m_table->River(3).size(), 1u);
  EXPECT_NE(std::find(before.begin(), before.end(), m_table->River(3)[0]), before.end());
  EXPECT_EQ(Last(NTF_TILE_DISCARDED, UserOf(3)) != nullptr, true) << "the absent chair's client hears of it";
  // The chair comes back with its resync and the return request.
  ClearMessages();
  EXPECT_EQ(Send(3, REQ_RETURN_TO_GAME, ReturnBody{Id(3), 1}.Write()), RESULT_SUCCESS);
  EXPECT_FALSE(m_table->IsAbsent(3));
  EXPECT_EQ(ChairNote::Read(Last(NTF_PLAYER_BACK_OR_LEFT, UserOf(1))->body)->kind, BACK_IN_GAME);
  EXPECT_EQ(Last(NTF_PLAYER_BACK_OR_LEFT, UserOf(3)), nullptr);
  ExpectLogConsistent();
}

TEST_F(TableFlow, MalformedOrMisplacedRequestsAreRefusedAndChangeNothing) {
  ClaimHands h;
  Start(h.wall, {false, false, false, false}, {902});
  const std::vector<int> hand0 = m_table->Hand(0);
  DiscardBody notHeld;
  notHeld.seat = Id(0);
  notHeld.tiles = {m_table->Hand(1)[0]};
  DiscardBody tooMany = notHeld;
  tooMany.tiles = {hand0[0]};
  BodyData cut = tooMany.Write();
  cut.resize(cut.size() - 1);
  struct Case {
    const char* name;
    int user;
    int code;
    BodyData body;
  };
  const Case cases[] = {
      {"a discard cut short", UserOf(0), REQ_DISCARD, cut},
      {"a discard of a tile another chair holds", UserOf(0), REQ_DISCARD, notHeld.Write()},
      {"a discard out of turn", UserOf(1), REQ_DISCARD, [&] { DiscardBody d = tooMany; d.seat = Id(1); return d.Write(); }()},
      {"a draw while the banker must discard", UserOf(3), REQ_DRAW, DrawBody{Id(3), 0, 1, 3, UserOf(3)}.Write()},
      {"a draw naming a chair out of range", UserOf(3), REQ_DRAW, DrawBody{Identity{1, 1, 1, 9}}.Write()},
      {"a self-drawn win without a winning hand", UserOf(0), REQ_HU, HuBody{Id(0), 0, hand0[0], HU_SELF_DRAWN, 0}.Write()},
      {"a hu of an unknown kind", UserOf(0), REQ_HU, HuBody{Id(0), 0, hand0[0], 3, 0}.Write()},
      {"a peng with no discard to claim", UserOf(2), REQ_PENG_MELD, MeldRecord{Id(2), 0, {h.five, -1, -1, -1}}.Write()},
      {"a concealed gang without four alike", UserOf(0), REQ_GANG_CONCEALED, MeldRecord{Id(0), 0, {hand0[0], -1, -1, -1}}.Write()},
      {"a flower that is not one", UserOf(0), REQ_FLOWER_REPLACE, FlowerBody{Id(0), hand0[0]}.Write()},
      {"a hu body of 20 bytes", UserOf(0), REQ_HU, BodyData(20, 0)},
      {"an unknown request", UserOf(0), 123456, BodyData(32, 0)},
      {"an onlooker's discard", 902, REQ_DISCARD, tooMany.Write()},
      {"a stranger's request", 5555, REQ_DRAW, DrawBody{Id(3)}.Write()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SendFrom(c.user, c.code, c.body), RESULT_REFUSED);
    EXPECT_EQ(m_table->CurrentPhase(), MahjongTable::Phase::AWAIT_DISCARD);
    EXPECT_EQ(m_table->CurrentChair(), 0);
    EXPECT_EQ(m_table->Hand(0), hand0);
    EXPECT_TRUE(m_table->River(0).empty());
  }
  // A pass with nothing to pass still gets its answer.
  EXPECT_EQ(Pass(2, 0, h.five), RESULT_SUCCESS);
  EXPECT_EQ(Discard(0, hand0[0]), RESULT_SUCCESS);
}

TEST_F(TableFlow, StalledTurnMakesTheTablePlayForTheSilentChair) {
  ClaimHands h;
  Start(h.wall);
  ClearMessages();
  EXPECT_EQ(Send(2, REQ_TURN_STALLED, IdentityBody{Id(2)}.Write()), RESULT_SUCCESS);
  ASSERT_EQ(m_table->River(0).size(), 1u);
  EXPECT_EQ(UsersOf(NTF_TILE_DISCARDED).size(), 4u) << "the banker's client hears of its own discard";
  // Again, in the claim window: whoever did not answer has passed.
  EXPECT_EQ(Send(2, REQ_TURN_STALLED, IdentityBody{Id(2)}.Write()), RESULT_SUCCESS);
  EXPECT_NE(m_table->CurrentPhase(), MahjongTable::Phase::CLAIMS);
  ExpectLogConsistent();
}

}  // namespace
}  // namespace testbed

namespace testbed {
namespace {

TEST(ScriptedTable, BotsFollowTheirScriptAndFallBackWhenItDoesNotFit) {
  struct Case {
    const char* name;
    bool legal;
  };
  for (const Case& c : {Case{"the scripted discard", true}, Case{"a scripted tile the bot does not hold", false}}) {
    SCOPED_TRACE(c.name);
    ClaimHands h;
    TableConfig config;
    config.fixedWalls = {h.wall};
    config.fixedBreak = BREAK;
    MahjongTable table(config);
    ReplayChecker checker;
    table.SetHandLog([&](const std::string& line) { checker.Feed(line); });
    TableRunner runner(table);
    const int scripted = c.legal ? h.five : TileSet::FirstIdOfCode(21);  // chair 1 holds the 21s
    runner.Take(table.SeatBot(0, UserOf(0), std::make_unique<ScriptedBot>(std::deque<BotAction>{
                                                 BotAction{BotAction::DISCARD, scripted}})));
    for (int chair = 1; chair < 4; ++chair) runner.Take(table.SeatHuman(chair, UserOf(chair)));
    for (int chair = 1; chair < 4; ++chair) {
      runner.Take(table.HandleRequest(UserOf(chair), REQ_READY, IdentityBody{Identity{UserOf(chair), 1, 1, chair}}.Write()));
    }
    const auto dealt = TableInfoRecord::ReadNewHand(runner.Messages().back().body);
    ASSERT_TRUE(dealt);
    for (int d : dealt->dice) EXPECT_TRUE(d >= 1 && d <= 6) << d;
    // Two throws of the dice, the deal, the reveal and a little more.
    runner.Advance(9199);
    EXPECT_TRUE(table.River(0).empty()) << "the banker waits for the clients' dice and deal";
    runner.Advance(1);
    ASSERT_EQ(table.River(0).size(), 1u);
    if (c.legal) {
      EXPECT_EQ(table.River(0)[0], h.five);
    } else {
      EXPECT_NE(table.River(0)[0], scripted);
    }
    checker.Finish();
    EXPECT_TRUE(checker.Errors().empty());
  }
}

}  // namespace
}  // namespace testbed

namespace testbed {
namespace {

TEST_F(TableFlow, ExposedGangOnADiscardDrawsFromTheTail) {
  for (bool held : {false, true}) {
    SCOPED_TRACE(held ? "held while a hu may come" : "answered at once");
    RobHands h;  // chair 2 holds three 5s, chair 1 wins with a 5
    Start(h.wall);
    ASSERT_EQ(Discard(0, h.five), RESULT_SUCCESS);
    EXPECT_EQ(TileDiscardedNote::Read(Last(NTF_TILE_DISCARDED, UserOf(2))->body)->words[2],
              MJOP_PENG | MJOP_GANG | MJOP_PASS);
    if (!held) ASSERT_EQ(Pass(1, 0, h.five), RESULT_SUCCESS);
    ClearMessages();
    ASSERT_EQ(Claim(2, REQ_GANG_CLAIM, 0, h.five, {-1, -1, -1}, GANG_CLAIM_EXPOSED), RESULT_SUCCESS);
    EXPECT_EQ(m_lastReply.size(), 48u);
    if (held) {
      ASSERT_EQ(Claim(2, REQ_GANG_EXPOSED, 0, h.five), RESULT_CLAIM_HELD);
      ASSERT_EQ(Pass(1, 0, h.five), RESULT_SUCCESS);
      EXPECT_EQ(UsersOf(NTF_TIME_UP).size(), 4u);
    }
    ASSERT_EQ(Claim(2, REQ_GANG_EXPOSED, 0, h.five), RESULT_SUCCESS);
    const auto draw = DrawRecord::Read(m_lastReply);
    ASSERT_TRUE(draw);
    EXPECT_EQ(draw->chair, 2);
    EXPECT_EQ(draw->wallIndex, BREAK - 1);
    EXPECT_EQ(TileSet::Code(draw->tile), 27);
    const auto announced = GangAnnouncedNote::Read(Last(NTF_GANG_ANNOUNCED, UserOf(0))->body);
    ASSERT_TRUE(announced);
    EXPECT_EQ(announced->kind, GANG_NOTE_EXPOSED);
    EXPECT_EQ(announced->giver, 0);
    EXPECT_EQ(UsersOf(NTF_GANG_EXPOSED), (std::set<int>{UserOf(0), UserOf(1), UserOf(3)}));
    const auto meld = MeldRecord::Read(Last(NTF_GANG_EXPOSED, UserOf(1))->body);
    ASSERT_TRUE(meld);
    EXPECT_EQ(meld->id.chair, 2);
    EXPECT_EQ(meld->otherChair, 0);
    EXPECT_EQ(meld->tiles[0], h.five);
    EXPECT_EQ(meld->replacement, TILE_HIDDEN);
    EXPECT_EQ(meld->replacementWall, BREAK - 1);
    EXPECT_EQ(m_table->Melds(2)[0].family, FAMILY_EXPOSED_GANG);
    EXPECT_EQ(m_table->Hand(2).size(), 11u);
    EXPECT_EQ(m_table->CurrentChair(), 2);
    EXPECT_TRUE(m_table->River(0).empty());
    ASSERT_EQ(Discard(2, draw->tile), RESULT_SUCCESS);
    ExpectLogConsistent();
  }
}

TEST_F(TableFlow, FlowersAreLaidOutAndReplacedFromTheTail) {
  WallBuilder b;
  std::array<std::vector<int>, 4> hands;
  hands[0] = {-1, 1, 9, 19, 29, 32, 33, 34, 35, 5, 26, 27, 28, 17};
  hands[1] = {11, 12, 13, 14, 15, 16, 23, 24, 25, 21, 21, 21, 2};
  hands[2] = {31, 32, 33, 34, 35, 2, 8, 12, 18, 22, 28, 3, 7};
  hands[3] = {31, 32, 33, 34, 35, 1, 9, 19, 29, 11, 18, 4, 6};
  const std::vector<int> wall = b.Build(hands, {-2}, {31, 22}, 36, true);
  Start(wall, {false, false, false, false}, {}, true);
  // The banker's dealt flower is already out of its hand, replaced from the tail.
  const auto dealt = TableInfoRecord::ReadNewHand(Last(NTF_NEW_HAND, UserOf(1))->body);
  ASSERT_TRUE(dealt);
  EXPECT_EQ(dealt->flowers[0], std::vector<int>{136});
  EXPECT_EQ(dealt->handCounts[0], 14);
  EXPECT_EQ(dealt->tailTaken, 2);
  for (int id : m_table->Hand(0)) EXPECT_FALSE(TileSet::IsFlower(id));
  const int five = TileSet::FirstIdOfCode(5);
  ASSERT_EQ(Discard(0, five), RESULT_SUCCESS);
  for (int c : {3, 2, 1}) Pass(c, 0, five);
  ASSERT_EQ(Draw(3), RESULT_SUCCESS);
  ASSERT_EQ(DrawRecord::Read(m_lastReply)->tile, 137);
  ClearMessages();
  EXPECT_EQ(Discard(3, 137), RESULT_REFUSED) << "a flower is laid out, not discarded";
  ASSERT_EQ(Send(3, REQ_FLOWER_REPLACE, FlowerBody{Id(3), 137}.Write()), RESULT_SUCCESS);
  const auto replacement = DrawRecord::Read(m_lastReply);
  ASSERT_TRUE(replacement);
  EXPECT_EQ(TileSet::Code(replacement->tile), 22);
  EXPECT_EQ(replacement->wallIndex, BREAK - 4);
  EXPECT_EQ(UsersOf(NTF_FLOWER_REPLACED), (std::set<int>{UserOf(0), UserOf(1), UserOf(2)}));
  const auto note = FlowerNote::Read(Last(NTF_FLOWER_REPLACED, UserOf(0))->body);
  ASSERT_TRUE(note);
  EXPECT_EQ(note->id.chair, 3);
  EXPECT_EQ(note->flower, 137);
  EXPECT_EQ(note->replacement, TILE_HIDDEN);
  EXPECT_EQ(note->wallIndex, BREAK - 4);
  ExpectLogConsistent();
}

}  // namespace
}  // namespace testbed
