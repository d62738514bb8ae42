#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "framework/HallRecords.h"
#include "framework/HallSignQueries.h"
#include "framework/NotifyBodies.h"
#include "net/WireBytes.h"

namespace {

const BYTE KEY[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

std::vector<BYTE> Ints(std::initializer_list<int32_t> values) {
  std::vector<BYTE> bytes;
  for (int32_t v : values) {
    BYTE b[4];
    WriteU32Le(b, static_cast<uint32_t>(v));
    bytes.insert(bytes.end(), b, b + 4);
  }
  return bytes;
}

TEST(HallRecords, CipherRoundTripsWholeBlocksOnly) {
  std::vector<BYTE> plain(48);
  for (size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<BYTE>(i);
  std::vector<BYTE> sealed(48), opened(48);
  ASSERT_EQ(1, EncryptHallData(KEY, 48, plain.data(), sealed.data()));
  EXPECT_NE(plain, sealed);
  ASSERT_EQ(1, DecryptHallData(KEY, 48, opened.data(), sealed.data()));
  EXPECT_EQ(plain, opened);
  EXPECT_EQ(0, DecryptHallData(KEY, 40, opened.data(), sealed.data()));
  EXPECT_EQ(0, EncryptHallData(KEY, 0, plain.data(), sealed.data()));
}

TEST(HallRecords, PayloadsAreCheckedAgainstTheirLayouts) {
  struct Case {
    ULONG_PTR kind;
    size_t length;
    bool accepted;
  } cases[] = {
      {HALL_SESSION_DATA, 0, false},     {HALL_SESSION_DATA, 608, false}, {HALL_SESSION_DATA, 624, true},
      {HALL_SESSION_DATA, 625, false},   {HALL_ONLOOKER_JOINED, 304, false}, {HALL_ONLOOKER_JOINED, 320, true},
      {HALL_PLAYER_QUIT, 16, true},      {HALL_PLAYER_QUIT, 8, false},    {HALL_SIGN_ANSWER, 256, false},
      {HALL_SIGN_ANSWER, 272, true},     {HALL_PLAYER_DETAILS, 16, true}, {HALL_DATA13, 15, false},
  };
  for (const Case& c : cases) EXPECT_EQ(c.accepted, IsAcceptableHallPayload(c.kind, c.length)) << c.kind << " " << c.length;
}

TEST(HallRecords, ReadersAndWriters) {
  std::vector<BYTE> quit = Ints({4097, 42, 5, 3});
  PlayerQuitRecord q;
  ASSERT_TRUE(ReadPlayerQuitRecord(quit.data(), quit.size(), &q));
  EXPECT_EQ(4097, q.hallWindow);
  EXPECT_EQ(42, q.userId);
  EXPECT_EQ(5, q.tableNo);
  EXPECT_EQ(3, q.chair);
  EXPECT_FALSE(ReadPlayerQuitRecord(quit.data(), 12, &q));

  std::vector<BYTE> answer(HALL_SIGN_ANSWER_SIZE, 0);
  WriteU32Le(answer.data(), 42);
  std::memset(answer.data() + 8, 's', 260);  // no terminator within the text's field
  WriteU32Le(answer.data() + 268, 77);
  SignAnswer a;
  ASSERT_TRUE(ReadSignAnswer(answer.data(), answer.size(), &a));
  EXPECT_EQ(42, a.userId);
  EXPECT_EQ(std::string(255, 's'), a.sign);
  EXPECT_EQ(77u, a.queryId);

  HallExitValues exit;
  exit.frameWindow = 0x80001234u;
  exit.userId = 1;
  exit.tableNo = 2;
  exit.chair = 3;
  exit.serverMajor = 4;
  exit.lookOn = 5;
  exit.exitKind = 6;
  exit.gameId = 7;
  exit.serverMinor = 8;
  std::vector<BYTE> record = MakeHallExitRecord(exit);
  ASSERT_EQ(188u, record.size());
  std::vector<BYTE> head = Ints({static_cast<int32_t>(0x80001234u), 1, 2, 3, 4, 5, 6, 7, 8});
  EXPECT_TRUE(std::equal(head.begin(), head.end(), record.begin()));
  for (size_t i = 36; i < record.size(); ++i) EXPECT_EQ(0, record[i]) << i;

  HallTextValues text;
  text.mainWindow = 9;
  text.value = 1;
  text.text = std::string(300, 'u');
  std::vector<BYTE> sent = MakeHallTextRecord(text);
  ASSERT_EQ(544u, sent.size());
  EXPECT_EQ(9u, ReadU32Le(sent.data()));
  EXPECT_EQ(1u, ReadU32Le(sent.data() + 16));
  EXPECT_EQ(std::string(255, 'u'), std::string(reinterpret_cast<char*>(sent.data() + 20)));
  for (size_t i = 275; i < sent.size(); ++i) EXPECT_EQ(0, sent[i]) << i;
}

TEST(HallSignQueries, AnswersAreMatchedByNumberAndUser) {
  CHallSignQueries queries;
  uint32_t first = queries.Create(42);
  uint32_t second = queries.Create(42);
  EXPECT_NE(first, second);
  EXPECT_FALSE(queries.Answer(999, 42, "x")) << "an unknown number reaches no query";
  EXPECT_TRUE(queries.Answer(first, 42, "sig"));
  EXPECT_EQ("sig", queries.Wait(first, 0));
  EXPECT_TRUE(queries.Answer(second, 43, "other user"));
  EXPECT_EQ("", queries.Wait(second, 0)) << "released, but without the text";
  uint32_t unanswered = queries.Create(42);
  EXPECT_EQ("", queries.Wait(unanswered, 0));
  EXPECT_TRUE(queries.Answer(unanswered, 42, "late")) << "a late answer still finds its query";
  EXPECT_EQ(3u, queries.Count());
}

TEST(HallSignQueries, AnswerFromAnotherThreadReleasesTheWaiter) {
  CHallSignQueries queries;
  uint32_t id = queries.Create(7);
  std::thread hall([&] { queries.Answer(id, 7, "abc"); });
  EXPECT_EQ("abc", queries.Wait(id, 60000));
  hall.join();
}

TEST(NotifyBodies, OpenHoursText) {
  struct Case {
    std::vector<BYTE> body;
    int periods;
    std::string text;
  } cases[] = {
      {Ints({0, 0, 0, 0, 0, 0, 0}), 0, "已超出限定时间，不能继续游戏。"},
      {Ints({0, 0, 2, 0, 0, 0, 0, 830, 1330, 0, 0, 0, 0, 0, 0, 1200, 2300}), 2,
       "已超出限定时间，不能继续游戏。下列时间段开放：\r\n\r\n8点30分 ~ 12点00分\r\n13点30分 ~ 23点00分\r\n"},
      // 50 periods are announced but only the 8 that fit the fields are listed.
      {Ints({0, 0, 50, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 1, 2, 3, 4, 5, 6, 7, 8, 9, 9}), 8, ""},
      // The body ends after the first period's end time.
      {Ints({0, 0, 3, 0, 0, 0, 0, 100, 200, 300, 0, 0, 0, 0, 0, 400}), 1,
       "已超出限定时间，不能继续游戏。下列时间段开放：\r\n\r\n1点00分 ~ 4点00分\r\n"},
  };
  for (const Case& c : cases) {
    int periods = -1;
    std::string text = FormatOpenHoursText(CBodyReader(c.body.data(), c.body.size()), &periods);
    EXPECT_EQ(c.periods, periods);
    if (!c.text.empty()) {
      EXPECT_EQ(c.text, text);
    }
  }
}

TEST(NotifyBodies, RoundResultsSplitAtTheFirstBar) {
  struct Case {
    std::string text;
    bool terminated;
    std::string message;
    std::string link;
  } cases[] = {
      {"本局结束|http://x/r?a|b", true, "本局结束", "http://x/r?a|b"},
      {"http://x/only", true, "", "http://x/only"},
      {"msg|http://cut", false, "msg", "http://cut"},
  };
  for (const Case& c : cases) {
    std::vector<BYTE> body(32, 0);
    body.insert(body.end(), c.text.begin(), c.text.end());
    if (c.terminated) body.push_back(0);
    std::string message, link;
    SplitRoundResults(CBodyReader(body.data(), body.size()), &message, &link);
    EXPECT_EQ(c.message, message);
    EXPECT_EQ(c.link, link);
  }
}

}  // namespace

#include "framework/NoticeDownload.h"
#include "framework/ProgramLauncher.h"

namespace {

TEST(NoticeDownload, TheMarkIsCheckedWithoutRegardToCase) {
  struct Case {
    const char* body;
    bool accepted;
  } cases[] = {{"<notify>hi", true}, {"<NOTIFY>", true}, {"<notif", false}, {"", false}, {"hello <notify>", false}};
  for (const Case& c : cases) EXPECT_EQ(c.accepted, HasNoticeMark(c.body, std::strlen(c.body))) << c.body;
}

TEST(ProgramLauncher, OnlyWebAddressesGoToTheBrowser) {
  struct Case {
    const char* url;
    bool browsable;
  } cases[] = {
      {"http://example.com/r?a=1", true}, {"HTTPS://example.com", true}, {"http://", false},
      {"file:///etc/passwd", false},      {"/usr/bin/xterm", false},     {"javascript:alert(1)", false},
      {"http://a b", false},              {"http://a\n", false},         {"ftp://example.com", false},
      {"http:///path", false},
  };
  for (const Case& c : cases) EXPECT_EQ(c.browsable, IsBrowsableUrl(c.url)) << c.url;
  EXPECT_FALSE(IsBrowsableUrl(nullptr));
  EXPECT_EQ(FALSE, OpenUrlInUserBrowser("C:\\Windows\\notepad.exe"));
}

}  // namespace
