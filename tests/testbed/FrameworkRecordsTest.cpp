// The framework's records as the server reads and writes them: every offset the client relies on
// is written here as a literal, so that a reader or writer that moves a field fails.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "net/WireBytes.h"
#include "testbed/server/FrameworkRecords.h"

namespace {

using testbed::BodyReader;
using testbed::BodyWriter;
using testbed::Bytes;

int32_t At(const Bytes& b, size_t offset) { return ReadI32Le(b.data() + offset); }
std::string TextAt(const Bytes& b, size_t offset) { return std::string(reinterpret_cast<const char*>(b.data() + offset)); }

// A body whose every 32-bit word holds its own offset plus 1000, with texts in chosen fields.
Bytes NumberedBody(size_t size) {
  Bytes body(size, 0);
  for (size_t o = 0; o + 4 <= size; o += 4) WriteU32Le(body.data() + o, static_cast<uint32_t>(1000 + o));
  return body;
}

void PutText(Bytes* body, size_t offset, size_t width, const std::string& text) {
  std::fill(body->begin() + offset, body->begin() + offset + width, 0);
  std::copy(text.begin(), text.end(), body->begin() + offset);
}

struct RequestCase {
  const char* name;
  size_t size;
  // Reads the body; checks the fields against the numbered body.
  std::function<bool(BodyReader&)> read;
};

TEST(FrameworkRecords, RequestReadersTakeTheirFieldsAndRefuseAShortBody) {
  const RequestCase cases[] = {
      {"common", 32,
       [](BodyReader& in) {
         testbed::CommonRequest c;
         bool ok = c.Read(in);
         if (ok) { EXPECT_EQ((std::vector<int32_t>{1000, 1004, 1008, 1012}), (std::vector<int32_t>{c.userId, c.roomId, c.table, c.chair})); }
         return ok;
       }},
      {"enter", 108,
       [](BodyReader& in) {
         testbed::EnterRequest e;
         bool ok = e.Read(in);
         if (ok) {
           EXPECT_EQ((std::vector<int32_t>{1000, 1004, 1008, 1012, 1016, 1020, 1056, 1072, 1088}),
                     (std::vector<int32_t>{e.userId, e.flags, e.gameId, e.roomId, e.table, e.chair, e.lookOn,
                                           e.quickCatch, e.roomValue}));
           EXPECT_EQ("0123456789abcdef", e.machineId);
           EXPECT_FALSE(e.hasPlayer);
         }
         return ok;
       }},
      {"leave", 96,
       [](BodyReader& in) {
         testbed::LeaveRequest l;
         bool ok = l.Read(in);
         if (ok) {
           EXPECT_EQ((std::vector<int32_t>{1000, 1004, 1008, 1012, 1016, 1020, 1024, 1028}),
                     (std::vector<int32_t>{l.leavingUserId, l.roomId, l.table, l.chairArgument, l.notOwn, l.ownTable,
                                           l.ownChair, l.ownUserId}));
         }
         return ok;
       }},
      {"safe transfer", 112,
       [](BodyReader& in) {
         testbed::SafeTransferRequest t;
         bool ok = t.Read(in);
         if (ok) {
           EXPECT_EQ((std::vector<int32_t>{1000, 1004, 1008, 1012, 1016, 1020, 1024, 1080, 1084}),
                     (std::vector<int32_t>{t.userId, t.gameId, t.roomId, t.table, t.chair, t.amount, t.answer,
                                           t.silverInHand, t.direction}));
         }
         return ok;
       }},
      {"safe query", 76,
       [](BodyReader& in) {
         testbed::SafeQueryRequest q;
         bool ok = q.Read(in);
         if (ok) { EXPECT_EQ((std::vector<int32_t>{1000, 1004}), (std::vector<int32_t>{q.userId, q.gameId})); }
         return ok;
       }},
      {"chat", 128,
       [](BodyReader& in) {
         testbed::ChatLine c;
         bool ok = c.Read(in);
         if (ok) { EXPECT_EQ((std::vector<int32_t>{1000, 1004, 1008, 1012}), (std::vector<int32_t>{c.userId, c.roomId, c.table, c.chair})); }
         return ok;
       }},
      {"call", 40,
       [](BodyReader& in) {
         testbed::CallRecord c;
         bool ok = c.Read(in);
         if (ok) { EXPECT_EQ((std::vector<int32_t>{1016, 1020}), (std::vector<int32_t>{c.calledUserId, c.calledChair})); }
         return ok;
       }},
      {"seat value", 36,
       [](BodyReader& in) {
         testbed::SeatValueRequest v;
         bool ok = v.Read(in);
         if (ok) { EXPECT_EQ(1016, v.value); }
         return ok;
       }},
      {"response times", 16,
       [](BodyReader& in) {
         testbed::ResponseTimesRequest t;
         bool ok = t.Read(in);
         if (ok) { EXPECT_EQ((std::vector<int32_t>{1000, 1004, 1008}), (std::vector<int32_t>{t.userId, t.average, t.maximum})); }
         return ok;
       }},
      {"reward", 192,
       [](BodyReader& in) {
         testbed::RewardRequest q;
         bool ok = q.Read(in);
         if (ok) { EXPECT_EQ((std::vector<int32_t>{1000, 1004, 1008, 1012, 1016, 1020}),
                           (std::vector<int32_t>{q.userId, q.gameId, q.roomId, q.table, q.chair, q.amount})); }
         return ok;
       }},
      {"allowance config", 320,
       [](BodyReader& in) {
         testbed::AllowanceConfigRequest q;
         bool ok = q.Read(in);
         if (ok) { EXPECT_EQ(1020, q.argument); }
         return ok;
       }},
      {"allowance", 104,
       [](BodyReader& in) {
         testbed::AllowanceRequest q;
         bool ok = q.Read(in, false);
         if (ok) {
           EXPECT_EQ((std::vector<int32_t>{1052, 1056}), (std::vector<int32_t>{q.argument, q.kind}));
           EXPECT_EQ("someone", q.userName);
         }
         return ok;
       }},
      {"allowance with machine id", 136,
       [](BodyReader& in) {
         testbed::AllowanceRequest q;
         return q.Read(in, true);
       }},
      {"named record", 428,
       [](BodyReader& in) {
         testbed::NamedRecordRequest q;
         return q.Read(in);
       }},
  };
  for (const RequestCase& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes body = NumberedBody(c.size);
    if (std::string(c.name) == "enter") PutText(&body, 24, 32, "0123456789abcdef");
    if (std::string(c.name) == "allowance") PutText(&body, 16, 36, "someone");
    BodyReader full(body);
    EXPECT_TRUE(c.read(full));
    Bytes shorter(body.begin(), body.end() - 1);
    BodyReader cut(shorter);
    EXPECT_FALSE(c.read(cut));
  }
}

TEST(FrameworkRecords, WirePlayerFieldsSitAtTheirOffsetsBothWays) {
  testbed::WirePlayer p;
  p.userId = 7;
  p.flags = 1;
  p.status = 12;
  p.table = 3;
  p.chair = 2;
  p.value20 = 20;
  p.portrait = 24;
  p.value28 = 28;
  p.clothing = 32;
  p.name = "张三";
  p.nickname = "nick";
  p.silver = 84;
  p.level = 88;
  p.score = -92;
  p.value96 = 96;
  p.values100 = {100, 104, 108, 112, 116};
  BodyWriter out(136);
  p.Write(out, 0);
  const Bytes& b = out.Bytes();
  EXPECT_EQ(7, At(b, 0));
  EXPECT_EQ(12, At(b, 8));
  EXPECT_EQ(3, At(b, 12));
  EXPECT_EQ(2, At(b, 16));
  EXPECT_EQ(24, At(b, 24));
  EXPECT_EQ(32, At(b, 32));
  EXPECT_EQ("张三", TextAt(b, 36));
  EXPECT_EQ("nick", TextAt(b, 68));
  EXPECT_EQ(84, At(b, 84));
  EXPECT_EQ(88, At(b, 88));
  EXPECT_EQ(-92, At(b, 92));
  EXPECT_EQ(116, At(b, 116));
  EXPECT_EQ(0, At(b, 120));

  testbed::WirePlayer back;
  BodyReader in(b);
  ASSERT_TRUE(back.Read(in, 0));
  EXPECT_EQ(p.name, back.name);
  EXPECT_EQ(p.values100, back.values100);
  EXPECT_EQ(p.score, back.score);
}

TEST(FrameworkRecords, TextsAreCutWithinTheirFieldOnACharacterBoundary) {
  testbed::WirePlayer p;
  // 15 two-byte characters and one more: the 32-byte field takes 31 bytes, which would split
  // the sixteenth character, so it keeps 30 bytes and its zero.
  std::string name;
  for (int i = 0; i < 16; ++i) name += "张";
  p.name = name;
  BodyWriter out(136);
  p.Write(out, 0);
  EXPECT_EQ(30u, TextAt(out.Bytes(), 36).size());

  // A field without a zero byte is read to its end and no further.
  Bytes body(136, 'a');
  BodyReader in(body);
  testbed::WirePlayer read;
  ASSERT_TRUE(read.Read(in, 0));
  EXPECT_EQ(32u, read.name.size());
  EXPECT_EQ(16u, read.nickname.size());
}

TEST(FrameworkRecords, ChatLineKeepsSixtyOneBytesAndItsZero) {
  testbed::ChatLine line{5, 6, 7, 1, "machine", std::string(80, 'x')};
  Bytes b = line.Write();
  ASSERT_EQ(128u, b.size());
  EXPECT_EQ(5, At(b, 0));
  EXPECT_EQ(6, At(b, 4));
  EXPECT_EQ(7, At(b, 8));
  EXPECT_EQ(1, At(b, 12));
  EXPECT_EQ("machine", TextAt(b, 16));
  EXPECT_EQ(std::string(61, 'x'), TextAt(b, 48));
  EXPECT_EQ(0, b[109]);

  // A body of 128 bytes with a text running to its end is cut the same way when read.
  Bytes incoming(128, 'y');
  BodyReader in(incoming);
  testbed::ChatLine read;
  ASSERT_TRUE(read.Read(in));
  EXPECT_EQ(std::string(61, 'y'), read.text);
}

TEST(FrameworkRecords, TablePlayersAndMovedTablePlaceTheirPlayers) {
  std::vector<testbed::WirePlayer> players(4);
  players[1].userId = 11;
  players[3].userId = 33;
  Bytes tableData = {1, 2, 3};
  Bytes b = testbed::WriteTablePlayers(players, tableData);
  ASSERT_EQ(60u + 4 * 136 + 3, b.size());
  EXPECT_EQ(4, At(b, 8));
  EXPECT_EQ(0, At(b, 60));
  EXPECT_EQ(11, At(b, 60 + 136));
  EXPECT_EQ(33, At(b, 60 + 3 * 136));
  EXPECT_EQ(3, b.back());

  Bytes m = testbed::WriteMovedTable(9, 2, players);
  ASSERT_EQ(68u + 4 * 136, m.size());
  EXPECT_EQ(9, At(m, 8));
  EXPECT_EQ(2, At(m, 12));
  EXPECT_EQ(4, At(m, 16));
  EXPECT_EQ(11, At(m, 68 + 136));
}

TEST(FrameworkRecords, NotificationBodiesPutTheirFieldsWhereTheClientReadsThem) {
  Bytes left = testbed::WritePlayerLeft(7, 3, 12);
  EXPECT_EQ((std::vector<int32_t>{7, 3, 12}), (std::vector<int32_t>{At(left, 0), At(left, 4), At(left, 28)}));

  Bytes updated = testbed::WritePlayersUpdated({{7, 100, 2000, 3, "高手"}, {8, -5, 10, 0, ""}});
  ASSERT_EQ(20u + 2 * 52, updated.size());
  EXPECT_EQ(2, At(updated, 0));
  EXPECT_EQ((std::vector<int32_t>{7, 100, 2000, 3}),
            (std::vector<int32_t>{At(updated, 20), At(updated, 28), At(updated, 32), At(updated, 36)}));
  EXPECT_EQ("高手", TextAt(updated, 40));
  EXPECT_EQ(8, At(updated, 72));
  EXPECT_EQ(-5, At(updated, 80));

  testbed::BaseSilverNotice notice{7, 2, 1, 300, 1300, 50, 1};
  Bytes silver = notice.Write();
  EXPECT_EQ((std::vector<int32_t>{7, 2, 1, 300, 1300, 50, 1}),
            (std::vector<int32_t>{At(silver, 0), At(silver, 4), At(silver, 8), At(silver, 12), At(silver, 16),
                                  At(silver, 20), At(silver, 24)}));

  Bytes chatNotice = testbed::WriteChatNotice(7, 2, "<c=255>hi");
  EXPECT_EQ(7, At(chatNotice, 0));
  EXPECT_EQ(2, At(chatNotice, 8));
  EXPECT_EQ("<c=255>hi", TextAt(chatNotice, 36));

  EXPECT_EQ("stop", TextAt(testbed::WriteServerMessage("stop"), 8));
  EXPECT_EQ("note", TextAt(testbed::WriteSystemText("note"), 16));
  EXPECT_EQ("well done|http://127.0.0.1/r", TextAt(testbed::WriteRoundResults("well done", "http://127.0.0.1/r"), 32));
  Bytes rounds = testbed::WritePlayerRoundsOver(7, 50);
  EXPECT_EQ(7, At(rounds, 0));
  EXPECT_EQ(50, At(rounds, 12));
  EXPECT_EQ(80, At(testbed::WriteTableRoundsOver(80), 8));
  Bytes limit = testbed::WriteSilverLimitReply(500, 1000);
  EXPECT_EQ(500, At(limit, 8));
  EXPECT_EQ(1000, At(limit, 12));
  Bytes safe = testbed::WriteOpenSafeReply(1200, 3400);
  ASSERT_EQ(32u, safe.size());
  EXPECT_EQ(3400, At(safe, 4));
  Bytes challenge = testbed::WriteProtectReply(7, 1234);
  ASSERT_EQ(24u, challenge.size());
  EXPECT_EQ(1234, At(challenge, 4));
  Bytes version = testbed::WriteVersionReply(2, 0);
  ASSERT_EQ(28u, version.size());
  EXPECT_EQ(2, At(version, 0));
  EXPECT_EQ(124u, testbed::AllowanceConfig{}.Write().size());
}

TEST(FrameworkRecords, OpenHoursCarryAtMostEightPeriods) {
  Bytes two = testbed::WriteOpenHours({{830, 1200}, {1330, 2300}});
  EXPECT_EQ(2, At(two, 8));
  EXPECT_EQ((std::vector<int32_t>{830, 1330, 1200, 2300}),
            (std::vector<int32_t>{At(two, 28), At(two, 32), At(two, 60), At(two, 64)}));
  std::vector<std::pair<int32_t, int32_t>> many(10, {900, 1000});
  Bytes clamped = testbed::WriteOpenHours(many);
  EXPECT_EQ(8, At(clamped, 8));
  EXPECT_EQ(92u, clamped.size());
}

}  // namespace
