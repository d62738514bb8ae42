#include <gtest/gtest.h>

#include <string>

#include "mahjong/TurnControl.h"

namespace {

// A scene that records, in order, the actions the turn logic asks of it.
class FakeTurnActions : public CTurnActions {
 public:
  bool lookOn = false;
  bool drawnTile = false;
  int drawn = 5;
  bool drawnIsFlower = false;
  bool playedTile0 = false;
  int raised = 0;
  int meldKind = -1;
  int offered = 0;  // bit (1 << type) per offered button
  int frames[6] = {0, 0, BUTTON_FRAME_GANG, BUTTON_FRAME_CHI, 3, 4};
  int standingFlower = -1;
  int bestDiscard = 7;
  int gangCandidate = -1;
  int chiMeldReply = 10;
  int addedGangResult = 0;
  int chiMeldResult = 0;
  int gangClaimResult = 1;
  std::string log;

  void Add(const std::string& s) { log += (log.empty() ? "" : " ") + s; }

  bool IsLookOn() const override { return lookOn; }
  bool HasDrawnTile() const override { return drawnTile; }
  int DrawnTile() const override { return drawn; }
  bool IsFlowerTile(int) const override { return drawnIsFlower; }
  bool IsPlayedTilePresent(int) const override { return playedTile0; }
  int GetRaisedTiles(int out[CLAIM_CHOICES]) const override {
    for (int i = 0; i < raised; ++i) out[i] = 40 + i;
    return raised;
  }
  int MeldKindOfCode(int) const override { return meldKind; }
  bool IsClaimButtonOffered(int type) const override { return offered & (1 << type); }
  int GetButtonFrame(int type) const override { return frames[type]; }
  void SetButtonFrame(int type, int frame) override {
    frames[type] = frame;
    Add("frame" + std::to_string(type) + "=" + std::to_string(frame));
  }
  int DiscardTime() const override { return 15; }
  int ClaimTime() const override { return 8; }
  int FindStandingFlower() const override { return standingFlower; }
  int ChooseDiscard() const override { return bestDiscard; }
  int FindGangCandidate() const override { return gangCandidate; }
  bool FirstChiPair(int pair[2]) const override {
    pair[0] = 1;
    pair[1] = 2;
    return true;
  }
  void ShowClaimButton(int type, int shown) override {
    // The five buttons switched off together are logged once.
    if (!shown && type >= CLAIM_PENG && type <= CLAIM_PASS) {
      hidden |= 1 << type;
      if (hidden == 0x3E) {
        Add("hideAll");
        hidden = 0;
      }
      return;
    }
    Add("show" + std::to_string(type));
  }
  void ShowHand() override { Add("showHand"); }
  void PlayActionVoice(const char* name) override { Add(name); }
  void EnableAllHandTiles() override { Add("enableAll"); }
  void EnableConcealedGangTiles() override { Add("enableGangTiles"); }
  void EnableListedTiles() override { Add("enableListed"); }
  void RefreshTileControls() override {}
  void StartTurnTimers(int longer) override { Add("timers" + std::to_string(longer)); }
  void CancelHandDrag() override { Add("cancelDrag"); }
  void ToggleManagedPlay() override { Add("toggleManaged"); }
  int RequestPengClaim() override { return Add("pengClaim"), 1; }
  int RequestGangClaim() override { return Add("gangClaim"), gangClaimResult; }
  int RequestChiClaim() override { return Add("chiClaim"), 1; }
  int RequestPass() override { return Add("pass"), 1; }
  int DoPengMeld() override { return Add("pengMeld"), 1; }
  int DoGangClaim() override { return Add("gangMeld"), 1; }
  int DoAddedGang(int tile) override { return Add("addedGang" + std::to_string(tile)), addedGangResult; }
  int DoConcealedGang(int tile) override { return Add("concealedGang" + std::to_string(tile)), 1; }
  int DoHu() override { return Add("hu"), 1; }
  int DoChiMeld() override { return Add("chiMeld"), chiMeldResult; }
  int SendChiMeld(const int pair[2]) override {
    Add("chiMeld" + std::to_string(pair[0]) + std::to_string(pair[1]));
    // An accepted chi hides every claim button, as the scene's meld step does.
    if (chiMeldReply == 10) offered = 0;
    return chiMeldReply;
  }
  int DoFlowerReplace(int index) override { return Add("flower" + std::to_string(index)), 1; }
  int DoDiscard(int index) override { return Add("discard" + std::to_string(index)), 1; }
  int DrawTileForTurn() override { return Add("draw"), 1; }

 private:
  int hidden = 0;
};

struct Turn {
  ClockBlock clock;
  FakeTurnActions scene;
  CTurnControl control{clock, scene};
};

TEST(TurnControl, CountdownExpiryResolvesTheOpenClaimOrActsForThePlayer) {
  struct Case {
    const char* what;
    int pointTo, pendingClaim, claimWaiting;
    bool drawnTile, drawnIsFlower, playedTile0;
    int raised, meldKind, addedGangResult, chiMeldResult;
    const char* log;
    int pendingAfter, waitingAfter;
  } cases[] = {
      {"held peng is sent again", 2, PENDING_PENG, 1, false, false, false, 0, -1, 0, 0,
       "hideAll timers1 pengMeld", 0, 1},
      {"held gang on a discard", 6, PENDING_GANG, 1, false, false, false, 0, -1, 0, 0,
       "hideAll timers1 gangMeld", 0, 0},
      {"held added gang with one raised peng tile", 6, PENDING_GANG, 1, true, false, false, 1, 1, 1, 0,
       "hideAll timers1 addedGang40", 0, 1},
      {"held added gang refused", 6, PENDING_GANG, 1, true, false, false, 1, 1, 0, 0,
       "hideAll timers1 addedGang40", 0, 0},
      {"held gang with two raised tiles is dropped", 6, PENDING_GANG, 1, true, false, false, 2, 1, 1, 0,
       "hideAll timers1", 0, 0},
      {"held hu is sent again", 2, PENDING_HU, 1, false, false, false, 0, -1, 0, 0, "hideAll timers1 hu", 0, 0},
      {"gang choice on the own turn closes, then the drawn tile goes", 6, PENDING_GANG, 0, true, false, false, 0,
       -1, 0, 0, "hideAll timers1 enableAll showHand cancelDrag enableAll discard0", 0, 0},
      {"held chi goes through", 6, PENDING_CHI, 1, false, false, false, 0, -1, 0, 1, "hideAll timers1 chiMeld",
       PENDING_CHI, 1},
      {"held chi refused: the player draws", 6, PENDING_CHI, 1, false, false, true, 0, -1, 0, 0,
       "hideAll timers1 chiMeld enableAll showHand draw", 0, 0},
      {"open chi choice never sent", 6, PENDING_CHI, 0, false, false, true, 0, -1, 0, 0,
       "hideAll timers1 enableAll draw", 0, 0},
      {"drawn flower is replaced", 6, 0, 0, true, true, false, 0, -1, 0, 0,
       "hideAll timers1 cancelDrag enableAll flower0", 0, 0},
      {"unclaimed discard before the own turn: draw", 6, 0, 0, false, false, true, 0, -1, 0, 0,
       "hideAll timers1 draw", 0, 0},
      {"another side's turn: nothing more", 4, 0, 0, false, false, true, 0, -1, 0, 0, "hideAll timers1", 0, 0},
  };
  for (const Case& c : cases) {
    Turn t;
    t.clock.pointTo = c.pointTo;
    t.clock.pendingClaim = c.pendingClaim;
    t.control.SetClaimWaiting(c.claimWaiting);
    t.scene.drawnTile = c.drawnTile;
    t.scene.drawnIsFlower = c.drawnIsFlower;
    t.scene.playedTile0 = c.playedTile0;
    t.scene.raised = c.raised;
    t.scene.meldKind = c.meldKind;
    t.scene.addedGangResult = c.addedGangResult;
    t.scene.chiMeldResult = c.chiMeldResult;
    t.control.OnCountdownExpired();
    EXPECT_EQ(c.log, t.scene.log) << c.what;
    EXPECT_EQ(c.pendingAfter, t.clock.pendingClaim) << c.what;
    EXPECT_EQ(c.waitingAfter, t.control.ClaimWaiting()) << c.what;
  }
}

TEST(TurnControl, ThirdAutomaticDiscardSwitchesManagedPlayOn) {
  Turn t;
  t.clock.pointTo = OWN_CLOCK_POSITION;
  t.scene.drawnTile = true;
  for (int i = 0; i < 3; ++i) t.control.OnCountdownExpired();
  EXPECT_EQ(3, t.control.TimeOutCount());
  EXPECT_NE(std::string::npos, t.scene.log.find("discard0 toggleManaged"));
  EXPECT_EQ(std::string::npos, t.scene.log.find("toggleManaged", t.scene.log.find("toggleManaged") + 1));

  Turn watcher;
  watcher.scene.lookOn = true;
  watcher.clock.pointTo = OWN_CLOCK_POSITION;
  watcher.scene.drawnTile = true;
  watcher.control.OnCountdownExpired();
  EXPECT_EQ("", watcher.scene.log);
}

TEST(TurnControl, ClaimButtonsAndTheirChoiceModes) {
  struct Case {
    const char* what;
    bool lookOn;
    int pointTo;
    bool drawnTile;
    int claimWaiting, pendingClaim;
    int gangFrame, chiFrame;
    char button;  // p g c h s(pass)
    const char* log;
    int pendingAfter;
  } cases[] = {
      {"peng", false, 2, false, 0, 0, 1, 2, 'p', "peng0 hideAll pengClaim pengMeld", 0},
      {"gang on a discard", false, 6, false, 0, 0, 1, 2, 'g', "gang0 hideAll gangClaim gangMeld", 0},
      {"gang on a discard, drawn place shown but the clock elsewhere", false, 4, true, 0, 0, 1, 2, 'g',
       "gang0 hideAll gangClaim gangMeld", 0},
      {"gang on the own turn opens the choice", false, 6, true, 0, 0, 1, 2, 'g',
       "gang0 enableGangTiles showHand frame2=5", PENDING_GANG},
      {"gang choice closed", false, 6, true, 0, PENDING_GANG, 5, 2, 'g', "enableAll showHand frame2=1", 0},
      {"gang choice kept while the server holds the gang", false, 6, true, 1, PENDING_GANG, 5, 2, 'g', "",
       PENDING_GANG},
      {"chi opens the choice", false, 6, false, 0, 0, 1, 2, 'c',
       "chi0 chiClaim enableListed showHand frame3=5", PENDING_CHI},
      {"chi cancelled: pass offered again", false, 6, false, 0, PENDING_CHI, 1, 5, 'c',
       "show5 enableAll showHand frame3=2", 0},
      {"chi while the clock points elsewhere", false, 4, false, 0, 0, 1, 2, 'c', "", 0},
      {"hu", false, 6, true, 0, 0, 1, 2, 'h', "hu", 0},
      {"pass", false, 2, false, 0, 0, 1, 2, 's', "hideAll pass", 0},
      {"onlooker: peng", true, 6, true, 0, 0, 1, 2, 'p', "", 0},
      {"onlooker: gang", true, 6, true, 0, 0, 1, 2, 'g', "", 0},
      {"onlooker: chi", true, 6, true, 0, 0, 1, 2, 'c', "", 0},
      {"onlooker: hu", true, 6, true, 0, 0, 1, 2, 'h', "", 0},
      {"onlooker: pass", true, 6, true, 0, 0, 1, 2, 's', "", 0},
  };
  for (const Case& c : cases) {
    Turn t;
    t.scene.lookOn = c.lookOn;
    t.clock.pointTo = c.pointTo;
    t.clock.pendingClaim = c.pendingClaim;
    t.scene.drawnTile = c.drawnTile;
    t.control.SetClaimWaiting(c.claimWaiting);
    t.scene.frames[CLAIM_GANG] = c.gangFrame;
    t.scene.frames[CLAIM_CHI] = c.chiFrame;
    switch (c.button) {
      case 'p': t.control.OnPengButton(); break;
      case 'g': t.control.OnGangButton(); break;
      case 'c': t.control.OnChiButton(); break;
      case 'h': t.control.OnHuButton(); break;
      default: t.control.OnPassButton(); break;
    }
    EXPECT_EQ(c.log, t.scene.log) << c.what;
    EXPECT_EQ(c.pendingAfter, t.clock.pendingClaim) << c.what;
  }
}

TEST(TurnControl, GangClaimRefusedLaysNoMeld) {
  Turn t;
  t.scene.gangClaimResult = 0;
  t.control.OnGangButton();
  EXPECT_EQ("gang0 hideAll gangClaim", t.scene.log);
}

TEST(TurnControl, ManagedStepAnswersClaimsAndDiscards) {
  constexpr int HU = 1 << CLAIM_HU, GANG = 1 << CLAIM_GANG, PENG = 1 << CLAIM_PENG, CHI = 1 << CLAIM_CHI,
                PASS = 1 << CLAIM_PASS;
  struct Case {
    const char* what;
    int pointTo, offered;
    bool drawnTile;
    int standingFlower, gangCandidate, meldKind, chiReply;
    const char* log;
  } cases[] = {
      {"hu first", 4, HU | PENG | PASS, false, -1, -1, -1, 10, "hu"},
      {"gang on a discard", 4, GANG | PENG | PASS, false, -1, -1, -1, 10, "gang0 hideAll gangClaim gangMeld"},
      {"peng", 4, PENG | PASS, false, -1, -1, -1, 10, "peng0 hideAll pengClaim pengMeld"},
      {"chi with the first pair", 6, CHI | PASS, false, -1, -1, -1, 10, "chiMeld12"},
      {"chi refused, then pass", 6, CHI | PASS, false, -1, -1, -1, 10100, "chiMeld12 hideAll pass"},
      {"chi held: no pass, the buttons go", 6, CHI | PASS, false, -1, -1, -1, RESULT_CLAIM_HELD, "chiMeld12 hideAll"},
      {"concealed gang on the own turn", 6, GANG, true, -1, 9, 0, 10,
       "gang0 enableGangTiles showHand frame2=5 concealedGang9"},
      {"added gang on the own turn", 6, GANG, true, -1, 9, 1, 10,
       "gang0 enableGangTiles showHand frame2=5 addedGang9"},
      {"gang offered but no candidate", 6, GANG, true, -1, -1, -1, 10, "gang0 enableGangTiles showHand frame2=5"},
      {"pass", 2, PASS, false, -1, -1, -1, 10, "hideAll pass"},
      {"not the own turn and no pass: nothing", 2, PENG, false, -1, -1, -1, 10, ""},
      {"flower replaced before weighing", 6, 0, true, 4, -1, -1, 10, "flower4"},
      {"best discard", 6, 0, true, -1, -1, -1, 10, "discard7"},
      {"own turn without a drawn tile", 6, 0, false, -1, -1, -1, 10, ""},
  };
  for (const Case& c : cases) {
    Turn t;
    t.clock.pointTo = c.pointTo;
    t.scene.offered = c.offered;
    t.scene.drawnTile = c.drawnTile;
    t.scene.standingFlower = c.standingFlower;
    t.scene.gangCandidate = c.gangCandidate;
    t.scene.meldKind = c.meldKind;
    t.scene.chiMeldReply = c.chiReply;
    t.control.ManagedPlayStep();
    EXPECT_EQ("", t.scene.log) << c.what << ": the first tick only counts";
    t.control.ManagedPlayStep();
    EXPECT_EQ(c.log, t.scene.log) << c.what;
  }
}

TEST(TurnControl, ManagedPlaySwitchAndBanner) {
  Turn t;
  std::string chat;
  EXPECT_TRUE(t.control.SwitchManagedPlay(false, &chat));
  EXPECT_NE(std::string::npos, chat.find("游戏已进入系统托管状态"));
  EXPECT_EQ(3, t.control.TimeOutCount());
  // The step acts on every second tick.
  t.clock.pointTo = OWN_CLOCK_POSITION;
  t.scene.drawnTile = true;
  std::string acted;
  for (int tick = 1; tick <= 6; ++tick) {
    t.scene.log.clear();
    t.control.ManagedPlayStep();
    acted += t.scene.log.empty() ? '.' : 'x';
  }
  EXPECT_EQ(".x.x.x", acted);
  EXPECT_FALSE(t.control.SwitchManagedPlay(true, &chat));
  EXPECT_NE(std::string::npos, chat.find("系统托管终止!"));
  EXPECT_EQ(0, t.control.TimeOutCount());

  Turn watcher;
  watcher.scene.lookOn = true;
  EXPECT_FALSE(watcher.control.SwitchManagedPlay(false, &chat));
  EXPECT_EQ("", chat);
  EXPECT_EQ(0, watcher.control.TimeOutCount());

  EXPECT_EQ(-1, CTurnControl::NextBannerColour(0xFF, 0, 0xFF));
  EXPECT_EQ(-1, CTurnControl::NextBannerColour(0xFF, 0xFF, 0xFF));
  EXPECT_EQ(0x0000FF, CTurnControl::NextBannerColour(0xFF, 0, 0));
  EXPECT_EQ(0x563412, CTurnControl::NextBannerColour(0x12, 0x34, 0x56));
}

TEST(TurnControl, HeldReplyKeepsTheClaimOpen) {
  Turn t;
  EXPECT_EQ(CTurnControl::ReplyKind::Accepted, t.control.OnClaimReply(10, PENDING_PENG));
  EXPECT_EQ(0, t.control.ClaimWaiting());
  EXPECT_EQ(CTurnControl::ReplyKind::Refused, t.control.OnClaimReply(10100, PENDING_PENG));
  EXPECT_EQ(CTurnControl::ReplyKind::Held, t.control.OnClaimReply(210050, PENDING_CHI));
  EXPECT_EQ(1, t.control.ClaimWaiting());
  EXPECT_EQ(PENDING_CHI, t.clock.pendingClaim);
  // Only 10 accepts a discard: a dropped connection, a held answer or any refusal keeps the tile.
  for (int code : {0, 1, 1031, 10100, 210050, 229450}) EXPECT_FALSE(CTurnControl::IsDiscardAccepted(code)) << code;
  EXPECT_TRUE(CTurnControl::IsDiscardAccepted(10));
}

}  // namespace
