// The byte layouts of the table's requests, notifications and records, pinned offset by
// offset, and the readers' refusal of short or inconsistent bodies.
#include <gtest/gtest.h>

#include <functional>

#include "net/WireBytes.h"
#include "testbed/table/TableBodies.h"
#include "testbed/table/TableRecords.h"

namespace testbed {
namespace {

int At(const BodyData& body, size_t offset) { return ReadI32Le(body.data() + offset); }

// Every (offset, value) pair must be what the writer put there.
void ExpectInts(const BodyData& body, std::initializer_list<std::pair<size_t, int>> fields) {
  for (auto [offset, value] : fields) {
    ASSERT_LE(offset + 4, body.size()) << offset;
    EXPECT_EQ(At(body, offset), value) << "offset " << offset;
  }
}

TEST(TableBodies, RequestLayouts) {
  DiscardBody d;
  d.seat = Identity{501, 7, 3, 2};
  d.forOther = 1;
  d.senderTable = 3;
  d.senderChair = 1;
  d.senderUserId = 600;
  d.machineId = "0123abcd";
  d.own = 0;
  d.tiles = {44, 45};
  const BodyData discard = d.Write();
  ASSERT_EQ(discard.size(), 104u + 8u);
  ExpectInts(discard, {{0, 501}, {4, 7}, {8, 3}, {12, 2}, {16, 1}, {20, 3}, {24, 1}, {28, 600}, {80, 0},
                       {100, 2}, {104, 44}, {108, 45}});
  EXPECT_EQ(discard[32], '0');
  EXPECT_EQ(discard[39], 'd');
  EXPECT_EQ(discard[40], 0);
  const auto back = DiscardBody::Read(discard);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->tiles, d.tiles);
  EXPECT_EQ(back->machineId, "0123abcd");

  MeldRecord m{Identity{1, 2, 3, 0}, 3, {10, 11, 12, 13}, 2, 99, 71};
  ExpectInts(m.Write(), {{12, 0}, {16, 3}, {20, 10}, {24, 11}, {28, 12}, {32, 13}, {36, 2}, {40, 99}, {44, 71}});
  EXPECT_EQ(m.Write().size(), 64u);

  ExpectInts(HuBody{Identity{1, 2, 3, 1}, 0, 55, 4, 2}.Write(), {{16, 0}, {20, 55}, {24, 4}, {28, 2}});
  ExpectInts(PassBody{Identity{1, 2, 3, 1}, 0, 55}.Write(), {{16, 0}, {20, 55}});
  ExpectInts(DrawBody{Identity{5, 2, 3, 1}, 0, 3, 2, 6}.Write(), {{0, 5}, {12, 1}, {20, 3}, {24, 2}, {28, 6}});
  EXPECT_EQ(DrawBody{}.Write().size(), 96u);
  ExpectInts(FlowerBody{Identity{}, 137}.Write(), {{16, 137}});
  EXPECT_EQ(FlowerBody{}.Write().size(), 44u);
  ExpectInts(PermissionBody{Identity{}, 77, 1}.Write(), {{16, 77}, {20, 1}});
}

TEST(TableBodies, NotificationLayouts) {
  const BodyData discarded = TileDiscardedNote{501, 2, {0x21, 0, 0x2d, 0}, 44}.Write();
  ASSERT_EQ(discarded.size(), 88u);
  ExpectInts(discarded, {{0, 501}, {4, 2}, {24, 0x21}, {28, 0}, {32, 0x2d}, {36, 0}, {84, 44}});
  ExpectInts(DrawRecord{3, 17, 90, 8}.Write(), {{0, 3}, {4, 17}, {8, 90}, {12, 8}});
  ExpectInts(GangAnnouncedNote{1, 0, 40, 2, {8 | 0x20, 0, 0, 0}}.Write(),
             {{0, 1}, {4, 0}, {8, 40}, {12, 2}, {16, 0x28}, {28, 0}});
  ExpectInts(FlowerNote{Identity{9, 1, 1, 2}, 140, 33, 71}.Write(), {{12, 2}, {16, 140}, {20, 33}, {24, 71}});
  ExpectInts(ChairNote{Identity{9, 1, 1, 2}, 2}.Write(), {{12, 2}, {16, 2}});
  ExpectInts(HandShownNote{Identity{9, 1, 1, 2}, 77, 0}.Write(), {{0, 9}, {12, 2}, {16, 77}, {20, 0}});
  ExpectInts(SeeHandAskNote{77}.Write(), {{0, 77}});

  HandRefreshNote refresh{9, 2, {}};
  for (int i = 0; i < 20; ++i) refresh.tiles.push_back(i);
  const BodyData r = refresh.Write();
  // The clients' hands hold 14 places: never more.
  ASSERT_EQ(r.size(), 12u + 4u * 14u);
  ExpectInts(r, {{4, 2}, {8, 14}, {12, 0}, {64, 13}});
}

TEST(TableBodies, ShortOrInconsistentBodiesAreRefused) {
  struct Case {
    const char* name;
    size_t size;
    std::function<bool(std::span<const BYTE>)> read;
  };
  const Case cases[] = {
      {"identity", IdentityBody::SIZE, [](auto b) { return IdentityBody::Read(b).has_value(); }},
      {"pass", PassBody::SIZE, [](auto b) { return PassBody::Read(b).has_value(); }},
      {"meld", MeldRecord::SIZE, [](auto b) { return MeldRecord::Read(b).has_value(); }},
      {"hu", HuBody::SIZE, [](auto b) { return HuBody::Read(b).has_value(); }},
      {"discard", DiscardBody::SIZE, [](auto b) { return DiscardBody::Read(b).has_value(); }},
      {"draw", DrawBody::SIZE, [](auto b) { return DrawBody::Read(b).has_value(); }},
      {"flower", FlowerBody::SIZE, [](auto b) { return FlowerBody::Read(b).has_value(); }},
      {"permission", PermissionBody::SIZE, [](auto b) { return PermissionBody::Read(b).has_value(); }},
      {"table info", TableInfoRecord::SIZE, [](auto b) { return TableInfoRecord::Read(b).has_value(); }},
      {"new hand", TableInfoRecord::NEW_HAND_SIZE, [](auto b) { return TableInfoRecord::ReadNewHand(b).has_value(); }},
      {"round result", RoundResultRecord::BLOCK_SIZE, [](auto b) { return RoundResultRecord::Read(b).has_value(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const BodyData whole(c.size, 0);
    EXPECT_TRUE(c.read(whole));
    EXPECT_FALSE(c.read(std::span<const BYTE>(whole.data(), c.size - 1)));
    EXPECT_FALSE(c.read(std::span<const BYTE>()));
  }
  // A discard's count must fit the body and stay within 0-64.
  BodyData discard(DiscardBody::SIZE + 4, 0);
  for (int n : {2, -1, 65}) {
    WriteU32Le(discard.data() + 100, static_cast<uint32_t>(n));
    EXPECT_FALSE(DiscardBody::Read(discard)) << n;
  }
  WriteU32Le(discard.data() + 100, 1);
  EXPECT_TRUE(DiscardBody::Read(discard));
  // A round result must hold the entries its count announces.
  BodyData result(RoundResultRecord::BLOCK_SIZE + 176, 0);
  WriteU32Le(result.data() + 724, 2);
  EXPECT_FALSE(RoundResultRecord::Read(result));
  WriteU32Le(result.data() + 724, 1);
  EXPECT_TRUE(RoundResultRecord::Read(result));
}

TableInfoRecord SampleTable() {
  TableInfoRecord t;
  t.absent = {0, 1, 0, 0};
  t.handNumber = 3;
  t.silverStake = 100;
  t.pointStake = 2;
  t.banker = 1;
  t.currentChair = 2;
  t.status = 0x101;
  t.drawFlags = 8;
  t.discardTime = 15;
  t.silverTable = 1;
  t.dice = {1, 2, 3, 4};
  t.quickPass = 1;
  t.fifthButton = 1;
  t.wallStart = 72;
  t.indicatorPosition = 70;
  t.joker1 = 40;
  t.indicatorTile = 39;
  t.tailTaken = 4;
  t.wallHead = 60;
  t.claimTime = 10;
  t.lastSilver = {100, -100, 0, 0};
  t.totalSilver = {300, -200, -50, -50};
  t.melds[FAMILY_PENG][1].push_back(SnapshotMeld{{5, 14, 23, -1}, 0});
  t.melds[FAMILY_CHI][2].push_back(SnapshotMeld{{1, 2, 0, -1}, 3});
  t.melds[FAMILY_CONCEALED_GANG][3].push_back(SnapshotMeld{{109, 116, 108, 123}, 3});
  t.rivers[0] = {7, 8};
  t.flowers[2] = {136};
  t.handCounts = {13, 10, 11, 10};
  t.ownHand = {3, 4, 5};
  t.leaveRequests = {0, 0, 1, 0};
  t.minHands = 8;
  return t;
}

TEST(TableRecords, TableInfoOffsets) {
  const TableInfoRecord t = SampleTable();
  const BodyData record = t.Write();
  ASSERT_EQ(record.size(), 5080u);
  ExpectInts(record, {{4, 1}, {32, 3}, {36, 100}, {40, 2}, {44, 1}, {52, 2}, {56, 0x101}, {60, 8}, {72, 15},
                      {84, 1}, {92, 1}, {104, 4}, {108, 1}, {112, 1}, {128, 72}, {132, 70}, {136, 40},
                      {140, -1}, {144, 39}, {148, 4}, {152, 60}, {156, 10}, {164, 100}, {168, -100},
                      {180, 300}, {192, -50}});
  // Melds: five families of 4 chairs x 6 records x 7 ints, then 4 counts.
  ExpectInts(record, {{196 + 6 * 28, 5}, {196 + 6 * 28 + 8, 23}, {196 + 6 * 28 + 16, 0}, {196 + 672 + 4, 1},
                      {884 + 12 * 28 + 4, 2}, {884 + 672 + 8, 1}, {196 + 3 * 688 + 18 * 28 + 12, 123},
                      {196 + 3 * 688 + 672 + 12, 1}});
  ExpectInts(record, {{3636, 7}, {3640, 8}, {3644, -1}, {4212, 2}, {4228 + 2 * 144, 136}, {4804 + 8, 1},
                      {4852, 13}, {4856, 10}, {4868, 3}, {4876, 5}, {4880, -1}, {4996 + 8, 1}, {5060, 8}});
  const auto back = TableInfoRecord::Read(record);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->melds[FAMILY_CONCEALED_GANG][3].size(), 1u);
  EXPECT_EQ(back->melds[FAMILY_CONCEALED_GANG][3][0].tiles[3], 123);
  EXPECT_EQ(back->rivers[0], t.rivers[0]);
  EXPECT_EQ(back->ownHand, t.ownHand);
  EXPECT_EQ(back->totalSilver, t.totalSilver);

  // The new-hand body: the head, then hand counts, own hand, flowers, their counts, 16 unused
  // bytes and the minimum number of hands.
  const BodyData hand = t.WriteNewHand();
  ASSERT_EQ(hand.size(), 952u);
  ExpectInts(hand, {{32, 3}, {136, 40}, {196, 13}, {200, 10}, {212, 3}, {220, 5}, {224, -1},
                    {340 + 2 * 144, 136}, {916 + 8, 1}, {932, 0}, {948, 8}});
  const auto fromHand = TableInfoRecord::ReadNewHand(hand);
  ASSERT_TRUE(fromHand);
  EXPECT_EQ(fromHand->flowers[2], t.flowers[2]);
  EXPECT_EQ(fromHand->ownHand, t.ownHand);
}

TEST(TableRecords, RoundResultOffsets) {
  RoundResultRecord r;
  r.flags = RoundResultRecord::FLAG_WIN_TILE_IN_LIST;
  r.banker = 2;
  r.silverPerPoint = 100;
  r.scoreBefore = {1, 2, 3, 4};
  r.silverBefore = {10, 20, 30, 40};
  r.points = {6, -2, -2, -2};
  r.silver = {600, -200, -200, -200};
  r.win = {1, 0, 0, 0};
  r.firstShown = 0;
  r.winTile = 44;
  r.finalTiles[0] = {1, 2, 44};
  r.itemNames = "A|B";
  r.seats.resize(4);
  r.seats[0].items[1] = 100;
  r.seats[0].total = 600;
  r.seats[3].kongPoints = -300;
  const BodyData body = r.Write();
  ASSERT_EQ(body.size(), 2120u + 4u * 176u);
  ExpectInts(body, {{0, 0x2000000}, {8, 4}, {16, 2}, {156, 100}, {160, 1}, {192, 10}, {288, 6}, {292, -2},
                    {320, 600}, {660, 1}, {664, 0}, {676, -1}, {680, 0}, {684, 44}, {700, 0}, {724, 4},
                    {848, 1}, {856, 44}, {860, -1}, {976, -1}, {2120 + 16, 100}, {2120 + 140, 600},
                    {2120 + 3 * 176 + 144, -300}});
  EXPECT_EQ(body[1824], 'A');
  EXPECT_EQ(body[1826], 'B');
  EXPECT_EQ(body[1827], 0);
  const auto back = RoundResultRecord::Read(body);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->seats.size(), 4u);
  EXPECT_EQ(back->finalTiles[0], r.finalTiles[0]);
  EXPECT_EQ(back->itemNames, "A|B");
}

}  // namespace
}  // namespace testbed
