#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "framework/PlayerTables.h"
#include "net/WireBytes.h"

namespace {

using Bytes = std::vector<BYTE>;

void PutInt(Bytes& b, size_t offset, int32_t value) { WriteU32Le(b.data() + offset, static_cast<uint32_t>(value)); }
void PutText(Bytes& b, size_t offset, const std::string& text) { std::memcpy(b.data() + offset, text.data(), text.size()); }

Bytes Player(int userId, int chair, int status = 0, int lookOn = 0, const char* name = "p") {
  Bytes r(PLAYER_RECORD_SIZE, 0);
  PutInt(r, 0, userId);
  PutInt(r, 8, status);
  PutText(r, 20, name);
  PutInt(r, 144, chair);
  PutInt(r, 148, lookOn);
  return r;
}

Bytes Session(int options, const std::vector<Bytes>& seats, const std::vector<Bytes>& onlookers,
              const std::string* titles = nullptr) {
  Bytes d(SESSION_PLAYERS_OFFSET, 0);
  PutInt(d, 292, options);
  PutInt(d, 320, titles != nullptr ? 1 : 0);
  PutInt(d, ROOM_RECORD_SIZE + 8, static_cast<int>(seats.size()));
  PutInt(d, ROOM_RECORD_SIZE + 12, static_cast<int>(onlookers.size()));
  for (const Bytes& r : seats) d.insert(d.end(), r.begin(), r.end());
  for (const Bytes& r : onlookers) d.insert(d.end(), r.begin(), r.end());
  if (titles != nullptr) {
    Bytes list(LEVEL_TITLE_LIST_SIZE, 0);
    std::memcpy(list.data(), titles->data(), std::min(titles->size(), list.size()));
    d.insert(d.end(), list.begin(), list.end());
  }
  return d;
}

Bytes Wire(int userId, int chair, const char* name = "w") {
  Bytes w(WIRE_PLAYER_RECORD_SIZE, 0);
  PutInt(w, 0, userId);
  PutInt(w, 16, chair);
  PutText(w, 36, name);
  return w;
}

struct Fixture {
  Fixture() : tables(&launch) {
    launch.userId = 100;
    launch.chair = 1;
    launch.lookOn = 0;
  }
  LaunchLine launch;
  CPlayerTables tables;
};

TEST(PlayerTables, SessionDataSkipsOthersWithStatus12OnlyWhenTheRoomSaysSo) {
  struct Case {
    int options;
    bool otherStored;
  } cases[] = {{1 << 6, false}, {(1 << 6) | (1 << 1), true}, {0, true}};
  for (const Case& c : cases) {
    Fixture f;
    Bytes data = Session(c.options, {Player(100, 1, 12), Player(200, 3, 12)}, {Player(300, 3, 0, 1)});
    EXPECT_TRUE(f.tables.LoadSessionData(data.data(), data.size())) << c.options;
    EXPECT_EQ(100, f.tables.GetSeatUserID(1));
    EXPECT_EQ(c.otherStored ? 200 : 0, f.tables.GetSeatUserID(3)) << c.options;
    EXPECT_EQ(c.otherStored ? 2 : 1, f.tables.Table().seatCount);
    EXPECT_EQ(1, f.tables.IsOnlooker(300));
    EXPECT_EQ(0, f.tables.IsOnlooker(100));
    EXPECT_EQ(0, f.tables.IsOnlooker(999));
  }
}

TEST(PlayerTables, SessionDataLengthMustCoverItsCounts) {
  std::string titles = "a|b";
  struct Case {
    std::vector<Bytes> seats;
    std::vector<Bytes> onlookers;
    const std::string* titles;
    size_t size;
  } cases[] = {
      {{Player(100, 1), Player(2, 2), Player(3, 3)}, {Player(4, 1, 0, 1), Player(5, 2, 0, 1)}, nullptr, 2220},
      {{Player(100, 1), Player(2, 2), Player(3, 3)}, {Player(4, 1, 0, 1), Player(5, 2, 0, 1)}, &titles, 2580},
  };
  for (const Case& c : cases) {
    Bytes data = Session(0, c.seats, c.onlookers, c.titles);
    ASSERT_EQ(c.size, data.size());
    Fixture shorter;
    EXPECT_FALSE(shorter.tables.LoadSessionData(data.data(), data.size() - 1));
    EXPECT_EQ(0, shorter.tables.GetSeatUserID(1)) << "a refused record changes nothing";
    Fixture whole;
    data.resize(data.size() + 4);  // padding of the cipher's last block is allowed
    EXPECT_TRUE(whole.tables.LoadSessionData(data.data(), data.size()));
  }
}

TEST(PlayerTables, SessionDataRefusesCountsBeyondTheTables) {
  struct Case {
    int seats;
    int onlookers;
  } cases[] = {{9, 0}, {-1, 0}, {0, 65}, {1, -3}, {0x7FFFFFFF, 0}};
  for (const Case& c : cases) {
    Fixture f;
    Bytes data = Session(0, {Player(100, 1)}, {});
    PutInt(data, ROOM_RECORD_SIZE + 8, c.seats);
    PutInt(data, ROOM_RECORD_SIZE + 12, c.onlookers);
    data.resize(data.size() + 100 * PLAYER_RECORD_SIZE);
    EXPECT_FALSE(f.tables.LoadSessionData(data.data(), data.size())) << c.seats << " " << c.onlookers;
    EXPECT_EQ(0, f.tables.GetSeatUserID(1));
  }
  Fixture f;
  EXPECT_FALSE(f.tables.LoadSessionData(nullptr, 0));
}

TEST(PlayerTables, SessionDataSkipsChairsOutsideTheSeatsAndChecksTheOwnRecord) {
  struct Case {
    Bytes own;
    bool accepted;
  } cases[] = {
      {Player(100, 1), true},
      {Player(100, 2), false},        // another chair than the launch line's
      {Player(100, 1, 0, 1), false},  // looking on, but the launch line says seated
      {Player(101, 1), false},        // the own record is missing
  };
  for (const Case& c : cases) {
    Fixture f;
    Bytes data = Session(0, {c.own, Player(7, 8), Player(8, -1)}, {});
    EXPECT_EQ(c.accepted, f.tables.LoadSessionData(data.data(), data.size()));
    EXPECT_EQ(nullptr, f.tables.FindPlayer(7));
    EXPECT_EQ(nullptr, f.tables.FindPlayer(8));
  }
}

TEST(PlayerTables, LevelTitlesStopAtTheFirstEmptyFieldAndStayInsideTheList) {
  struct Case {
    std::string list;
    std::vector<std::string> titles;
  } cases[] = {
      {"新手|入门||高手", {"新手", "入门"}},
      {std::string(LEVEL_TITLE_LIST_SIZE, 'x'), {std::string(LEVEL_TITLE_LIST_SIZE, 'x')}},
  };
  for (const Case& c : cases) {
    Fixture f;
    Bytes data = Session(0, {Player(100, 1)}, {}, &c.list);
    data.push_back('y');  // a byte behind the list must not join the last title
    ASSERT_TRUE(f.tables.LoadSessionData(data.data(), data.size()));
    ASSERT_EQ(c.titles.size(), f.tables.LevelTitles().size());
    for (size_t i = 0; i < c.titles.size(); ++i) EXPECT_EQ(c.titles[i], f.tables.GetLevelTitle(static_cast<int>(i)));
  }
}

TEST(PlayerTables, WireFieldsLandAtTheirOffsets) {
  Fixture f;
  std::string list = "t0|t1|a-very-long-title-of-many-bytes";
  Bytes session = Session(0, {Player(100, 1)}, {}, &list);
  ASSERT_TRUE(f.tables.LoadSessionData(session.data(), session.size()));

  Bytes wire(WIRE_PLAYER_RECORD_SIZE, 0);
  for (size_t o = 0; o < 36; o += 4) PutInt(wire, o, static_cast<int>(1000 + o));
  PutText(wire, 36, "name");
  PutText(wire, 68, "nick");
  for (size_t o = 84; o < 120; o += 4) PutInt(wire, o, static_cast<int>(1000 + o));
  PutInt(wire, 88, 2);     // level index 2
  PutInt(wire, 116, 125);  // seconds
  PlayerRecord r;
  f.tables.WireToPlayerRecord(&r, WirePlayerRecord::Read(wire.data()));
  Bytes out(PLAYER_RECORD_SIZE);
  r.Write(out.data());
  struct Field {
    size_t playerOffset;
    int32_t value;
  } fields[] = {{0, 1000},   {4, 1004},   {8, 1008},   {140, 1012}, {144, 1016}, {68, 1020}, {72, 1024},
                {116, 1028}, {76, 1032},  {80, 1084},  {84, 2},     {104, 1092}, {112, 1096}, {120, 1100},
                {136, 125},  {108, 2}};
  for (const Field& field : fields) EXPECT_EQ(field.value, ReadI32Le(out.data() + field.playerOffset)) << field.playerOffset;
  EXPECT_STREQ("name", reinterpret_cast<char*>(out.data() + 20));
  EXPECT_STREQ("nick", reinterpret_cast<char*>(out.data() + 52));
  EXPECT_EQ("a-very-long-tit", std::string(reinterpret_cast<char*>(out.data() + 88)));
  EXPECT_EQ("name[nick]", r.DisplayName());

  WirePlayerRecord back;
  CPlayerTables::PlayerRecordToWire(&back, r);
  Bytes again(WIRE_PLAYER_RECORD_SIZE);
  back.Write(again.data());
  PutInt(wire, 88, 2);
  EXPECT_EQ(wire, again);
}

TEST(PlayerTables, TablePlayersPlaceByPositionAndKeepTheOwnSeat) {
  struct Case {
    int count;
    long extra;  // bytes added behind the records, or taken away
    bool accepted;
    size_t tail;
  } cases[] = {{2, 0, true, 0}, {2, 10, true, 10}, {9, 0, false, 0}, {3, -1, false, 0}};
  for (const Case& c : cases) {
    Fixture f;
    f.tables.Seat(1)->userId = 100;
    std::strcpy(f.tables.Seat(1)->name, "me");
    Bytes d(60, 0);
    PutInt(d, 8, c.count);
    for (int i = 0; i < c.count; ++i) {
      Bytes w = Wire(i == 1 ? 100 : 10 + i, 5, "other");
      d.insert(d.end(), w.begin(), w.end());
    }
    d.resize(static_cast<size_t>(static_cast<long>(d.size()) + c.extra));
    TableDataTail tail = f.tables.OnTablePlayers(d.data(), d.size());
    EXPECT_EQ(c.accepted, tail.accepted) << c.count;
    EXPECT_EQ(c.tail, tail.length) << c.count;
    if (c.accepted) {
      EXPECT_EQ(10, f.tables.GetSeatUserID(0));
      EXPECT_STREQ("me", f.tables.Seat(1)->name);
    }
  }
}

TEST(PlayerTables, MovedAndRandomTablesAreChecked) {
  Fixture f;
  Bytes moved(68, 0);
  PutInt(moved, 8, 17);
  PutInt(moved, 12, 2);
  PutInt(moved, 16, 2);
  for (Bytes w : {Wire(100, 2), Wire(5, 9)}) moved.insert(moved.end(), w.begin(), w.end());
  ASSERT_TRUE(f.tables.LoadMovedTable(moved.data(), moved.size()));
  EXPECT_EQ(17, f.launch.tableNo);
  EXPECT_EQ(2, f.launch.chair);
  EXPECT_EQ(100, f.tables.GetSeatUserID(2));
  EXPECT_EQ(nullptr, f.tables.FindPlayer(5)) << "chair 9 is skipped";
  EXPECT_FALSE(f.tables.LoadMovedTable(moved.data(), moved.size() - 1));
  PutInt(moved, 12, 8);
  EXPECT_FALSE(f.tables.LoadMovedTable(moved.data(), moved.size()));

  Bytes random(64, 0);
  PutInt(random, 4, 21);
  PutInt(random, 8, 2);
  PutInt(random, 12, 7);
  PutInt(random, 16, 100);
  for (Bytes w : {Wire(7, 0), Wire(100, 1)}) random.insert(random.end(), w.begin(), w.end());
  random.push_back(0x55);
  TableDataTail tail;
  ASSERT_TRUE(f.tables.LoadRandomTable(random.data(), random.size(), &tail));
  EXPECT_EQ(21, f.launch.tableNo);
  EXPECT_EQ(1, f.launch.chair);
  EXPECT_EQ(7, f.tables.GetSeatUserID(0));
  EXPECT_EQ(0, f.tables.GetSeatUserID(2)) << "all seats are cleared first";
  ASSERT_EQ(1u, tail.length);
  EXPECT_EQ(0x55, tail.data[0]);
  PutInt(random, 8, 9);
  EXPECT_FALSE(f.tables.LoadRandomTable(random.data(), random.size()));
}

TEST(PlayerTables, ValueChangesAndNames) {
  Fixture f;
  f.tables.Seat(3)->userId = 42;
  f.tables.Seat(3)->chair = 3;
  Bytes value(12, 0);
  PutInt(value, 0, 42);
  PutInt(value, 4, 3);
  PutInt(value, 8, 5);
  EXPECT_EQ(1, f.tables.SetPlayerClothing(value.data(), value.size()));
  EXPECT_EQ(0, f.tables.SetPlayerClothing(value.data(), value.size()));
  EXPECT_EQ(1, f.tables.SetPlayerMember(value.data(), value.size()));
  EXPECT_EQ(1, f.tables.IsMember(42));
  EXPECT_EQ(0, f.tables.SetPlayerMember(value.data(), value.size()));
  EXPECT_EQ(0, f.tables.SetPlayerMember(value.data(), 11));
  PutInt(value, 4, 8);
  EXPECT_EQ(0, f.tables.SetPlayerClothing(value.data(), value.size()));
  PutInt(value, 4, 2);
  EXPECT_EQ(0, f.tables.SetPlayerClothing(value.data(), value.size())) << "chair differs from the record's";

  Bytes names(SEAT_COUNT * 52, 0);
  PutInt(names, 3 * 52, 42);
  std::memset(names.data() + 3 * 52 + 4, 'n', 48);  // no terminator
  ASSERT_TRUE(f.tables.UpdateSeatNames(names.data(), names.size()));
  EXPECT_EQ(std::string(31, 'n'), f.tables.GetSeatPlayerName(3));
  EXPECT_EQ(0, f.tables.Seat(3)->nickname[0]);
  EXPECT_FALSE(f.tables.UpdateSeatNames(names.data(), names.size() - 1));

  EXPECT_EQ(0, f.tables.GetSeatUserID(8));
  EXPECT_EQ("", f.tables.GetSeatPlayerDisplayName(-1));
  EXPECT_EQ(-1, f.tables.GetPlayerChair(7));
}

TEST(PlayerTables, SeatedPlayersScoresAndOnlookers) {
  Fixture f;
  Bytes w = Wire(9, 8);
  EXPECT_EQ(nullptr, f.tables.SeatFromWire(w.data(), w.size()));
  w = Wire(9, 4);
  EXPECT_EQ(nullptr, f.tables.SeatFromWire(w.data(), w.size() - 1));
  ASSERT_NE(nullptr, f.tables.SeatFromWire(w.data(), w.size()));
  EXPECT_EQ(9, f.tables.GetSeatUserID(4));

  Bytes scores(20 + 52, 0);
  PutInt(scores, 0, 1);
  PutInt(scores, 20, 9);
  PutInt(scores, 28, 77);
  PutInt(scores, 32, 500);
  std::memset(scores.data() + 40, 't', 32);
  ASSERT_TRUE(f.tables.UpdateScores(scores.data(), scores.size()));
  EXPECT_EQ(77, f.tables.Seat(4)->score);
  EXPECT_EQ(500, f.tables.Seat(4)->silver);
  EXPECT_EQ(std::string(15, 't'), f.tables.Seat(4)->levelTitle);
  PutInt(scores, 0, 2);
  EXPECT_FALSE(f.tables.UpdateScores(scores.data(), scores.size()));

  for (int i = 0; i < ONLOOKER_COUNT; ++i) {
    PlayerRecord r;
    r.userId = 1000 + i;
    EXPECT_EQ(i, f.tables.AddOnlooker(r));
  }
  PlayerRecord extra;
  extra.userId = 5000;
  EXPECT_EQ(-1, f.tables.AddOnlooker(extra));
  EXPECT_EQ(nullptr, f.tables.FindPlayer(5000));
}

}  // namespace
