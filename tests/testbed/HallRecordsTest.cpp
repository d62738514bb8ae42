#include <gtest/gtest.h>

#include <cstring>

#include "net/CryptLayer.h"
#include "net/SharedKeys.h"
#include "testbed/hall/HallRecords.h"

namespace {

using testbed::Bytes;

int32_t IntAt(const Bytes& b, size_t at) {
  int32_t v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}
std::string TextAt(const Bytes& b, size_t at) { return std::string(reinterpret_cast<const char*>(b.data() + at)); }

TEST(HallRecords, PlayerRoomAndTableOffsets) {
  testbed::HallPlayer p;
  p.userId = 1001;
  p.flags = 1;
  p.status = 12;
  p.name = "张三";
  p.nickname = "小张";
  p.portraitId = 5;
  p.clothing = 6;
  p.silver = 7000;
  p.levelIndex = 3;
  p.levelTitle = "合同工";
  p.score = -40;
  p.minutes = 90;
  p.table = 11;
  p.chair = 2;
  p.lookOn = 1;
  p.friendFlag = 1;
  p.unwelcome = 1;
  p.acquaintance = 1;
  Bytes player = testbed::WritePlayerRecord(p);
  ASSERT_EQ(320u, player.size());
  const std::pair<size_t, int32_t> ints[] = {{0, 1001}, {4, 1},   {8, 12},  {72, 5},  {76, 6},  {80, 7000},
                                             {84, 3},    {104, -40}, {108, 90}, {140, 11}, {144, 2}, {148, 1},
                                             {160, 1},   {164, 1},  {168, 1}, {68, 0},  {116, 0}};
  for (auto [at, value] : ints) EXPECT_EQ(value, IntAt(player, at)) << "offset " << at;
  EXPECT_EQ("张三", TextAt(player, 20));
  EXPECT_EQ("小张", TextAt(player, 52));
  EXPECT_EQ("合同工", TextAt(player, 88));

  p.name = std::string(40, 'n');  // longer than its field: cut, terminator kept
  player = testbed::WritePlayerRecord(p);
  EXPECT_EQ(std::string(31, 'n'), TextAt(player, 20));

  testbed::HallRoom r;
  r.noticeId = 77;
  r.flags = 4;
  r.name = "新手房";
  r.advertBase = "http://127.0.0.1:8080";
  r.noticeBase = "127.0.0.1:8080";
  r.location = "本机";
  r.noticePeriod = 600;
  r.options = 0x42;
  r.value304 = 9;
  r.value308 = 10;
  Bytes room = testbed::WriteRoomRecord(r);
  ASSERT_EQ(444u, room.size());
  const std::pair<size_t, int32_t> roomInts[] = {{12, 77}, {16, 4}, {280, 600}, {292, 0x42}, {304, 9}, {308, 10}, {320, 0}};
  for (auto [at, value] : roomInts) EXPECT_EQ(value, IntAt(room, at)) << "offset " << at;
  EXPECT_EQ("新手房", TextAt(room, 20));
  EXPECT_EQ("http://127.0.0.1:8080", TextAt(room, 84));
  EXPECT_EQ("127.0.0.1:8080", TextAt(room, 148));
  EXPECT_EQ("本机", TextAt(room, 212));

  testbed::HallTable t;
  t.number = 11;
  t.seats.resize(3);
  t.onlookers.resize(2);
  Bytes table = testbed::WriteTableRecord(t);
  ASSERT_EQ(176u, table.size());
  EXPECT_EQ(11, IntAt(table, 0));
  EXPECT_EQ(3, IntAt(table, 8));
  EXPECT_EQ(2, IntAt(table, 12));

  // 3 seats and 2 onlookers: 620 + 5 x 320 bytes, sent as whole blocks.
  t.seats[1].userId = 2002;
  t.onlookers[0].userId = 3003;
  Bytes session = testbed::WriteSessionData(r, t);
  ASSERT_EQ(2220u, session.size());
  EXPECT_EQ(2002, IntAt(session, 620 + 320));
  EXPECT_EQ(3003, IntAt(session, 620 + 3 * 320));
  EXPECT_EQ(2224u, testbed::EncryptHallRecord(session).size());
  r.levelTitles = {"待业", "临时工"};
  session = testbed::WriteSessionData(r, t);
  ASSERT_EQ(2580u, session.size());
  EXPECT_EQ(1, IntAt(session, 320));
  EXPECT_EQ("待业|临时工", TextAt(session, 2220));
}

TEST(HallRecords, QuitAndSignAnswer) {
  Bytes quit = testbed::WriteQuitRecord(0x10203, 1001, 11, 2);
  ASSERT_EQ(16u, quit.size());
  EXPECT_EQ(0x10203, IntAt(quit, 0));
  EXPECT_EQ(1001, IntAt(quit, 4));
  EXPECT_EQ(11, IntAt(quit, 8));
  EXPECT_EQ(2, IntAt(quit, 12));

  Bytes answer = testbed::WriteSignAnswer(1001, "abc", 0x00007FFF12345678ull);
  ASSERT_EQ(276u, answer.size());
  EXPECT_EQ(1001, IntAt(answer, 0));
  EXPECT_EQ("abc", TextAt(answer, 8));
  uint64_t address;
  std::memcpy(&address, answer.data() + 268, 8);
  EXPECT_EQ(0x00007FFF12345678ull, address);
  EXPECT_EQ(288u, testbed::EncryptHallRecord(answer).size());

  EXPECT_EQ(32u, testbed::HallSign(1001).size());
  EXPECT_EQ(testbed::HallSign(1001), testbed::HallSign(1001));
  EXPECT_NE(testbed::HallSign(1001), testbed::HallSign(1002));
}

TEST(HallRecords, ExitReportIsReadOnlyWhenWellFormed) {
  testbed::ExitReport r;
  r.frameWindow = 0x10400;
  r.userId = 1001;
  r.table = 11;
  r.chair = 2;
  r.serverMajor = 3;
  r.lookOn = 0;
  r.exitKind = 1;
  r.gameId = 7;
  r.serverMinor = 4;
  Bytes bytes = testbed::WriteExitReport(r);
  ASSERT_EQ(188u, bytes.size());
  const std::pair<size_t, int32_t> ints[] = {{0, 0x10400}, {4, 1001}, {8, 11}, {12, 2}, {16, 3},
                                             {20, 0},      {24, 1},    {28, 7}, {32, 4}};
  for (auto [at, value] : ints) EXPECT_EQ(value, IntAt(bytes, at)) << "offset " << at;

  testbed::ExitReport back;
  ASSERT_TRUE(testbed::ReadExitReport(bytes.data(), bytes.size(), &back));
  EXPECT_EQ(1001, back.userId);
  EXPECT_EQ(4, back.serverMinor);
  EXPECT_FALSE(testbed::ReadExitReport(bytes.data(), 187, &back));
  EXPECT_FALSE(testbed::ReadExitReport(nullptr, 188, &back));
  bytes[100] = 1;  // the tail must be zero
  EXPECT_FALSE(testbed::ReadExitReport(bytes.data(), bytes.size(), &back));
}

TEST(HallRecords, TextRecordTravelsEnciphered) {
  testbed::TextRecord r{0x10400, 1001, 7, 3, 1, "http://127.0.0.1/security/calculate.html"};
  Bytes plain = testbed::WriteTextRecord(r);
  ASSERT_EQ(532u, plain.size());
  EXPECT_EQ(1, IntAt(plain, 16));
  EXPECT_EQ(r.text, TextAt(plain, 20));
  // The client pads the record to 544 bytes with zeros before it enciphers it.
  Bytes padded = plain;
  padded.resize(544, 0);
  Bytes sent(544);
  ASSERT_TRUE(CCryptLayer::AesEcbEncrypt(HallKey(), 128, padded.data(), 544, sent.data()));
  EXPECT_EQ(sent, testbed::EncryptHallRecord(plain));

  Bytes back;
  ASSERT_TRUE(testbed::DecryptHallRecord(sent.data(), sent.size(), &back));
  testbed::TextRecord read;
  ASSERT_TRUE(testbed::ReadTextRecord(back, &read));
  EXPECT_EQ(r.text, read.text);
  EXPECT_EQ(1001, read.userId);

  EXPECT_FALSE(testbed::DecryptHallRecord(sent.data(), 543, &back));
  EXPECT_FALSE(testbed::DecryptHallRecord(sent.data(), 0, &back));
  Bytes unterminated = plain;
  std::memset(unterminated.data() + 20, 'x', 256);
  EXPECT_FALSE(testbed::ReadTextRecord(unterminated, &read));
  EXPECT_FALSE(testbed::ReadTextRecord(Bytes(100, 0), &read));
}

}  // namespace
