#include <gtest/gtest.h>

#include <cstring>
#include <span>

#include "mahjong/MahjongRequests.h"
#include "net/WireBytes.h"
#include "testbed/table/TableBodies.h"

namespace {

RequestContext Context() {
  RequestContext c;
  c.userId = 7001;
  c.roomId = 12;
  c.tableNo = 5;
  c.chair = 2;
  std::strcpy(c.machineId, "0123456789abcdef0123456789abcde");
  return c;
}

int WordAt(const RequestBody& b, size_t offset) { return ReadI32Le(b.data() + offset); }

std::span<const BYTE> Span(const RequestBody& b) { return std::span<const BYTE>(b.data(), b.size()); }

TEST(MahjongRequests, BodiesAreReadByTheServerAsSent) {
  const RequestContext c = Context();
  {
    RequestBody b = MakePassBody(c, 1, 44);
    ASSERT_EQ(40u, b.size());
    auto read = testbed::PassBody::Read(Span(b));
    ASSERT_TRUE(read);
    EXPECT_EQ(7001, read->id.userId);
    EXPECT_EQ(2, read->id.chair);
    EXPECT_EQ(1, read->offerChair);
    EXPECT_EQ(44, read->tile);
  }
  {
    RequestBody b = MakeMeldBody(c, 1, 44, 45, 46, -1, 0);
    ASSERT_EQ(64u, b.size());
    auto read = testbed::MeldRecord::Read(Span(b));
    ASSERT_TRUE(read);
    EXPECT_EQ(1, read->otherChair);
    EXPECT_EQ((std::array<int, 4>{44, 45, 46, -1}), read->tiles);
    EXPECT_EQ(0, read->kind);
  }
  {
    RequestBody b = MakeMeldBody(c, 2, 9, 0, 18, 27, GANG_CLAIM_CONCEALED);
    auto read = testbed::MeldRecord::Read(Span(b));
    ASSERT_TRUE(read);
    EXPECT_EQ(GANG_CLAIM_CONCEALED, read->kind);
    EXPECT_EQ(27, read->tiles[3]);
  }
  {
    RequestBody b = MakeHuBody(c, 0, 30, HU_ROBBING, 2);
    ASSERT_EQ(48u, b.size());
    auto read = testbed::HuBody::Read(Span(b));
    ASSERT_TRUE(read);
    EXPECT_EQ(HU_ROBBING, read->kind);
    EXPECT_EQ(2, read->robbedKind);
    // The robbed kind is only sent with a robbing win.
    EXPECT_EQ(0, WordAt(MakeHuBody(c, 0, 30, HU_ON_DISCARD, 2), 28));
  }
  {
    int tile = 77;
    RequestBody b = MakeDiscardBody(c, c.userId, c.chair, false, &tile, 1);
    ASSERT_EQ(108u, b.size());
    auto read = testbed::DiscardBody::Read(Span(b));
    ASSERT_TRUE(read);
    EXPECT_EQ(0, read->forOther);
    EXPECT_EQ(1, read->own);
    EXPECT_EQ(std::string(c.machineId), read->machineId);
    EXPECT_EQ(std::vector<int>{77}, read->tiles);
  }
  {
    RequestBody b = MakeDiscardBody(c, 9003, 3, true, nullptr, 0);
    ASSERT_EQ(104u, b.size());
    auto read = testbed::DiscardBody::Read(Span(b));
    ASSERT_TRUE(read);
    EXPECT_EQ(9003, read->seat.userId);
    EXPECT_EQ(3, read->seat.chair);
    EXPECT_EQ(1, read->forOther);
    EXPECT_EQ(0, read->own);
    EXPECT_EQ(2, read->senderChair);
    EXPECT_EQ(7001, read->senderUserId);
    EXPECT_EQ(5, read->senderTable);
  }
  {
    RequestBody b = MakeDrawBody(c, 9003, 3);
    ASSERT_EQ(96u, b.size());
    auto read = testbed::DrawBody::Read(Span(b));
    ASSERT_TRUE(read);
    EXPECT_EQ(3, read->seat.chair);
    EXPECT_EQ(0, read->forOther);
    EXPECT_EQ(2, read->senderChair);
  }
  {
    RequestBody b = MakeFlowerBody(c, 140);
    ASSERT_EQ(44u, b.size());
    auto read = testbed::FlowerBody::Read(Span(b));
    ASSERT_TRUE(read);
    EXPECT_EQ(140, read->flower);
  }
  {
    RequestBody b = MakeSeeHandPermissionBody(c, 8800, 1);
    auto read = testbed::PermissionBody::Read(Span(b));
    ASSERT_TRUE(read);
    EXPECT_EQ(8800, read->watcherUserId);
    EXPECT_EQ(1, read->allow);
    EXPECT_EQ(32u, MakeReturnBody(c, 1).size());
    EXPECT_EQ(1, testbed::ReturnBody::Read(Span(MakeReturnBody(c, 1)))->value);
    EXPECT_EQ(32u, MakeSeeHandBody(c).size());
  }
}

TEST(MahjongRequests, DiscardLengthFollowsTheTileCount) {
  const RequestContext c = Context();
  int tiles[70];
  for (int i = 0; i < 70; ++i) tiles[i] = i;
  struct Case {
    int count;
    size_t size;
  } cases[] = {{0, 104}, {1, 108}, {64, 360}, {70, 360}, {-3, 104}};
  for (const Case& k : cases) {
    RequestBody b = MakeDiscardBody(c, c.userId, c.chair, false, tiles, k.count);
    EXPECT_EQ(k.size, b.size()) << k.count;
    EXPECT_EQ(static_cast<int>(k.size), DiscardBodyLength(b.data(), b.size()));
    EXPECT_EQ(-1, DiscardBodyLength(b.data(), b.size() - 1));
  }
}

TEST(MahjongRequests, NotificationRecordsRefuseShortBodies) {
  testbed::MeldRecord note;
  note.id.chair = 1;
  note.otherChair = 2;
  note.tiles = {10, 11, 12, 13};
  note.replacement = 99;
  note.replacementWall = 70;
  testbed::BodyData body = note.Write();
  auto meld = MeldRecord::Read(body.data(), body.size());
  ASSERT_TRUE(meld);
  EXPECT_EQ(1, meld->actor);
  EXPECT_EQ(13, meld->tiles[3]);
  EXPECT_EQ(99, meld->replacement);
  EXPECT_EQ(70, meld->replacementWall);
  EXPECT_FALSE(MeldRecord::Read(body.data(), 47));
  testbed::DrawRecord draw;
  draw.chair = 3;
  draw.tile = 5;
  draw.wallIndex = 60;
  testbed::BodyData d = draw.Write();
  EXPECT_EQ(60, DrawRecord::Read(d.data(), d.size())->wallIndex);
  EXPECT_FALSE(DrawRecord::Read(d.data(), 11));
  EXPECT_FALSE(DrawRecord::Read(nullptr, 32));
}

}  // namespace
