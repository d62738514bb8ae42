#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "mahjong/MahjongNotifyCodes.h"
#include "mahjong/TileRules.h"
#include "mahjong/scene/SceneRequests.h"
#include "net/WireBytes.h"
#include "testbed/table/TableBodies.h"
#include "testbed/table/TableRecords.h"
#include "variant/VariantGameInfo.h"

namespace {

// Records what is sent and answers every request with one code.
class RecordingConnection : public CMJGameConnection {
 public:
  RecordingConnection() : CMJGameConnection(nullptr, 0, 0, 0) {}
  int IsConnected() override { return 1; }
  struct Sent {
    int code;
    std::vector<BYTE> body;
    int wait;
  };
  std::vector<Sent> sent;
  int answer = 10;
  bool reply = true;

 protected:
  int Exchange(CString&, int code, int* length, const BYTE* body, int* result, BYTE** replyData, int wait) override {
    sent.push_back({code, std::vector<BYTE>(body, body + *length), wait});
    if (replyData) *replyData = nullptr;
    if (!reply) return 0;
    *result = wait == 1 ? answer : 0;
    *length = 0;
    return 1;
  }
};

struct Fixture {
  CVariantGameInfo info;
  CTableEffects effects;
  CMJTableModel model{info, effects};
  RecordingConnection connection;
  CSceneRequests requests{connection, model, Identity()};
  int turnHolder = 3;
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
    id.turnHolderChair = [this] { return turnHolder; };
    return id;
  }
  Fixture() {
    info.SetOwnChair(0);
    testbed::TableInfoRecord t;
    t.status = 0x1;
    t.currentChair = 1;
    t.wallStart = 40;
    t.wallHead = 93;
    t.indicatorTile = -1;
    t.handCounts = {13, 13, 13, 13};
    t.ownHand = {0, 9, 1, 2, 3, 4, 5, 6, 7, 8, 72, 73, 74};
    testbed::BodyData body = t.WriteNewHand();
    info.CopyTableInfo(body.data(), body.size());
    model.ResetRound();
    // Chair 1 discards the 1 of characters (id 18): peng, chi and pass are offered.
    testbed::TileDiscardedNote n;
    n.chair = 1;
    n.tile = 18;
    n.words = {MJOP_PENG | MJOP_CHI | MJOP_PASS, 0, 0, 0};
    testbed::BodyData note = n.Write();
    model.OnTileDiscarded(note.data(), note.size());
  }
  std::span<const BYTE> Last() const { return {connection.sent.back().body.data(), connection.sent.back().body.size()}; }
};

TEST(SceneRequests, ClaimBodiesComeFromTheOffers) {
  Fixture f;
  ASSERT_EQ(1, f.requests.RequestPengClaim());
  auto peng = testbed::MeldRecord::Read(f.Last());
  ASSERT_TRUE(peng);
  EXPECT_EQ(REQ_PENG_CLAIM, f.connection.sent.back().code);
  EXPECT_EQ(0, f.connection.sent.back().wait);
  EXPECT_EQ(501, peng->id.userId);
  EXPECT_EQ(1, peng->otherChair);
  EXPECT_EQ((std::array<int, 4>{18, 0, 9, -1}), peng->tiles);  // the two held ones, in hand order
  BYTE body[64];
  EXPECT_EQ(10, f.requests.RequestPengMeld(body));
  EXPECT_EQ(0, std::memcmp(body, f.connection.sent.back().body.data(), 64));
  EXPECT_EQ(1, f.connection.sent.back().wait);
  // The chi claim sends the offer's first pair, whatever pair is chosen later.
  f.requests.RequestChiClaim();
  auto chi = testbed::MeldRecord::Read(f.Last());
  EXPECT_EQ(f.model.Offer(CLAIM_CHI).choices[0], chi->tiles[1]);
  EXPECT_EQ(f.model.Offer(CLAIM_CHI).choices[1], chi->tiles[2]);
  const int pair[2] = {1, 2};
  int code = 0;
  EXPECT_EQ(1, f.requests.RequestChiMeld(pair, body, &code));
  EXPECT_EQ(1, testbed::MeldRecord::Read(f.Last())->tiles[1]);
  f.requests.RequestPass();
  auto pass = testbed::PassBody::Read(f.Last());
  EXPECT_EQ(1, pass->offerChair);
  EXPECT_EQ(18, pass->tile);
  // Without a reply the peng meld answers 0, not the failure code.
  f.connection.reply = false;
  EXPECT_EQ(0, f.requests.RequestPengMeld(body));
}

TEST(SceneRequests, HuKindsAndGangs) {
  Fixture f;
  f.requests.RequestHuOnDiscard();
  auto hu = testbed::HuBody::Read(f.Last());
  EXPECT_EQ(HU_ON_DISCARD, hu->kind);
  EXPECT_EQ(0, hu->robbedKind);
  // After an added gang is announced with a hu word, the win robs it.
  testbed::GangAnnouncedNote g;
  g.actor = 2;
  g.giver = 2;
  g.tile = 40;
  g.kind = 2;
  g.words = {MJOP_HU | MJOP_PASS, 0, 0, 0};
  testbed::BodyData note = g.Write();
  ASSERT_TRUE(f.model.OnGangAnnounced(note.data(), note.size()));
  f.requests.RequestHuOnDiscard();
  hu = testbed::HuBody::Read(f.Last());
  EXPECT_EQ(HU_ROBBING, hu->kind);
  EXPECT_EQ(2, hu->robbedKind);
  EXPECT_EQ(2, hu->offerChair);
  EXPECT_EQ(40, hu->tile);
  BYTE body[64], reply[32];
  int code = 0;
  EXPECT_EQ(1, f.requests.RequestConcealedGang(49, body, reply, &code));
  auto gang = testbed::MeldRecord::Read(f.Last());
  EXPECT_EQ(REQ_GANG_CONCEALED, f.connection.sent.back().code);
  EXPECT_EQ((std::array<int, 4>{49, 40, 58, 67}), gang->tiles);
  EXPECT_EQ(0, gang->otherChair);
}

TEST(SceneRequests, PostsSpeakForTheChairInTurn) {
  Fixture f;
  ASSERT_EQ(1, f.requests.PostDrawForTurnHolder());
  auto draw = testbed::DrawBody::Read(f.Last());
  EXPECT_EQ(903, draw->seat.userId);
  EXPECT_EQ(3, draw->seat.chair);
  EXPECT_EQ(0, draw->forOther);
  EXPECT_EQ(0, draw->senderChair);
  EXPECT_EQ(501, draw->senderUserId);
  EXPECT_EQ(0, f.connection.sent.back().wait);
  ASSERT_EQ(1, f.requests.PostDiscardForTurnHolder());
  auto discard = testbed::DiscardBody::Read(f.Last());
  EXPECT_EQ(903, discard->seat.userId);
  EXPECT_EQ(1, discard->forOther);
  EXPECT_TRUE(discard->tiles.empty());
  f.turnHolder = -1;
  EXPECT_EQ(0, f.requests.PostDrawForTurnHolder());
  BYTE record[32];
  f.requests.RequestDrawTile(record);
  EXPECT_EQ(501, testbed::DrawBody::Read(f.Last())->seat.userId);
  f.requests.RequestDiscard(72);
  EXPECT_EQ(std::vector<int>{72}, testbed::DiscardBody::Read(f.Last())->tiles);
}

}  // namespace
