#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "framework/RequestBodies.h"
#include "framework/RequestReplies.h"
#include "framework/ResultTexts.h"
#include "net/WireBytes.h"

namespace {

RequestContext Context() {
  RequestContext c;
  c.userId = 1001;
  c.gameId = 7;
  c.roomId = 12;
  c.tableNo = 5;
  c.chair = 2;
  c.lookOn = 1;
  std::strcpy(c.machineId, "0123456789abcdef0123456789abcde");
  return c;
}

struct Word {
  size_t offset;
  int32_t value;
};

struct Text {
  size_t offset;
  std::string text;
};

// Every named word and text at its offset, and zero in every other byte.
void ExpectLayout(const RequestBody& body, size_t size, const std::vector<Word>& words, const std::vector<Text>& texts,
                  const char* what) {
  ASSERT_EQ(size, body.size()) << what;
  std::vector<bool> named(size, false);
  for (const Word& w : words) {
    EXPECT_EQ(w.value, ReadI32Le(body.data() + w.offset)) << what << " @" << w.offset;
    for (size_t i = 0; i < 4; ++i) named[w.offset + i] = true;
  }
  for (const Text& t : texts) {
    EXPECT_EQ(0, std::memcmp(body.data() + t.offset, t.text.data(), t.text.size())) << what << " @" << t.offset;
    for (size_t i = 0; i < t.text.size(); ++i) named[t.offset + i] = true;
  }
  for (size_t i = 0; i < size; ++i) {
    if (!named[i]) {
      EXPECT_EQ(0, body[i]) << what << " byte " << i;
    }
  }
}

TEST(RequestCatalogue, BodiesByteByByte) {
  const RequestContext c = Context();
  const std::string id = c.machineId;
  PlayerRecord own;
  own.userId = 1001;
  own.flags = 0x11;
  const std::vector<Word> common = {{0, 1001}, {4, 12}, {8, 5}, {12, 2}};
  auto with = [&](std::vector<Word> extra) {
    std::vector<Word> words = common;
    words.insert(words.end(), extra.begin(), extra.end());
    return words;
  };
  struct Case {
    const char* what;
    RequestBody body;
    size_t size;
    std::vector<Word> words;
    std::vector<Text> texts;
  } cases[] = {
      {"common", MakeCommonBody(c), 32, common, {}},
      {"enter", MakeEnterGameRecord(c, &own, 1, 99), 108,
       {{0, 1001}, {4, 0x11}, {8, 7}, {12, 12}, {16, 5}, {20, 2}, {56, 1}, {72, 1}, {88, 99}}, {{24, id}}},
      {"enter without own record", MakeEnterGameRecord(c, nullptr, 0, 0), 108,
       {{8, 7}, {12, 12}, {16, 5}, {20, 2}, {56, 1}}, {{24, id}}},
      {"leave self", MakeLeaveBody(c, 1001, 2), 96,
       {{0, 1001}, {4, 12}, {8, 5}, {12, 2}, {20, 5}, {24, 2}, {28, 1001}}, {{32, id}}},
      {"leave other", MakeLeaveBody(c, 2002, 3), 96,
       {{0, 2002}, {4, 12}, {8, 5}, {12, 3}, {16, 1}, {20, 5}, {24, 2}, {28, 1001}}, {{32, id}}},
      {"withdraw", MakeSafeTransferBody(c, 500, 4321, 800, 2), 112,
       {{0, 1001}, {4, 7}, {8, 12}, {12, 5}, {16, 2}, {20, 500}, {24, 4321}, {80, 800}, {84, 2}}, {{48, id}}},
      {"safe query", MakeSafeQueryBody(c), 76, {{0, 1001}, {4, 7}}, {{8, id}}},
      {"call", MakeCallBody(c, 3003, -1), 40, with({{16, 3003}, {20, -1}}), {}},
      {"seat value", MakeSeatValueBody(c, 77), 36, with({{16, 77}}), {}},
      {"report", MakeResponseReportBody(1001, 300, 600), 16, {{0, 1001}, {4, 300}, {8, 600}}, {}},
      {"reward", MakeSilverRewardBody(c, 250), 192,
       {{0, 1001}, {4, 7}, {8, 12}, {12, 5}, {16, 2}, {20, 250}}, {{28, id}}},
      {"allowance config", MakeAllowanceConfigBody(c, 9), 320, with({{20, 9}}), {}},
      {"allowance", MakeClaimAllowanceBody(c, "玩家", 4, 1, false), 104, with({{52, 4}, {56, 1}}), {{16, "玩家"}}},
      {"allowance 2", MakeClaimAllowanceBody(c, "玩家", 4, 0, true), 136, with({{52, 4}}), {{16, "玩家"}, {72, id}}},
      {"named record", MakeNamedRecordBody(c, "abc"), 428, common, {{28, "abc"}, {60, id}}},
  };
  for (const Case& k : cases) ExpectLayout(k.body, k.size, k.words, k.texts, k.what);
}

TEST(RequestCatalogue, ChatLineIsCutAt61BytesOnACharacterBoundary) {
  const RequestContext c = Context();
  struct Case {
    std::string line;
    std::string sent;
  } cases[] = {
      {std::string(80, 'a'), std::string(61, 'a')},
      {"hello", "hello"},
      {std::string(60, 'a') + "麻将", std::string(60, 'a')},
  };
  for (const Case& k : cases) {
    RequestBody body = MakeChatBody(c, k.line.c_str());
    ASSERT_EQ(128u, body.size());
    EXPECT_EQ(k.sent, std::string(reinterpret_cast<const char*>(body.data() + 48)));
    EXPECT_EQ(0, body[48 + 61]);
    EXPECT_EQ(std::string(c.machineId), std::string(reinterpret_cast<const char*>(body.data() + 16)));
  }
}

TEST(RequestCatalogue, ResultTextsAndTimeouts) {
  CString text = "keep";
  EXPECT_FALSE(GetGenericResultText(text, 12345));
  EXPECT_STREQ("keep", text);
  EXPECT_TRUE(GetGenericResultText(text, 1000));
  EXPECT_STREQ("对象不存在。", text);
  GetSafeResultText(text, 1);
  EXPECT_STREQ("操作失败！", text);
  GetSafeResultText(text, 60087);
  EXPECT_STREQ("服务器繁忙！", text);
  text = "keep";
  GetAccountResultText(text, 1);
  EXPECT_STREQ("keep", text);
  GetAccountResultText(text, 60101);
  EXPECT_STREQ("帐户已被禁用，请与管理员联系。", text);
  GetAccountResultText(text, 1020);
  EXPECT_STREQ("密码错误。", text);
  struct Timeout {
    int code;
    int seconds;
  } timeouts[] = {{200110, 30}, {214010, 30}, {201001, 15}, {201125, 5}, {201130, 5}, {201210, 10}, {0, 10}};
  for (const Timeout& t : timeouts) EXPECT_EQ(t.seconds, GetRequestTimeoutSeconds(t.code)) << t.code;
}

std::vector<BYTE> Ints(std::initializer_list<int32_t> values) {
  std::vector<BYTE> bytes;
  for (int32_t v : values) {
    BYTE b[4];
    WriteU32Le(b, static_cast<uint32_t>(v));
    bytes.insert(bytes.end(), b, b + 4);
  }
  return bytes;
}

TEST(RequestCatalogue, RefusalTexts) {
  enum Kind { LEAVE, REWARD, DEPOSIT, WITHDRAW };
  struct Case {
    Kind kind;
    int result;
    std::vector<BYTE> reply;
    std::string text;
    int amount;  // deposit: the amount afterwards (starts as 1)
  } cases[] = {
      {LEAVE, 210085, Ints({30}), "系统已经为您分配了随机桌位，\r\n\r\n必须再等 30 秒钟才能离开。", 0},
      {LEAVE, 210085, {}, TEXT_REQUEST_FAILED, 0},
      {LEAVE, 210087, {}, "离开游戏失败，请等待本局结果提交。", 0},
      {REWARD, 211425, Ints({9000}), "高于房间最高银子限制【9000两】。", 0},
      {REWARD, 211425, {1, 2}, TEXT_REQUEST_FAILED, 0},
      {REWARD, 60042, {}, "系统禁止在【麻将】里存放银子。", 0},
      {REWARD, 1020, {}, "密码错误。", 0},
      {DEPOSIT, 60092, Ints({1000, 300}),
       "很抱歉，由于您在初次进入游戏房间时获赠了银两,系统只允许你转出700两。(至少保留300两)", 700},
      {DEPOSIT, 60092, Ints({1000}), TEXT_REQUEST_FAILED, 1},
      {DEPOSIT, 211424, Ints({200}), "低于房间最低银子限制【200两】。", 1},
      {DEPOSIT, 60070, Ints({3}), "很抱歉，由于您在初次进入游戏房间时获赠了银两，\r\n请您至少玩 3 局才能转出。", 1},
      {DEPOSIT, 60071, {}, TEXT_REQUEST_FAILED, 1},
      {DEPOSIT, 4242, {}, "操作失败！", 1},
      {WITHDRAW, 60086, Ints({5000, 5000}),
       "系统限定每日划入【麻将】不能超过5000两，\r\n今天您已经超限，到明天才能划银。", 0},
      {WITHDRAW, 60086, Ints({1000, 5000}), "系统限定每日划入【麻将】不能超过5000两，\r\n今天您最多还可以划入4000两。", 0},
      {WITHDRAW, 60095, Ints({100, 0, 300, 0}), "系统限定每月划入游戏总额不能超过300两，\r\n本月您最多还可以划入200两。", 0},
      {WITHDRAW, 60095, Ints({300, 0, 300, 0}), "系统限定每月划入游戏不能超过300两，\r\n本月您已经超限，到下个月才能划银。", 0},
      {WITHDRAW, 60095, Ints({1, 2, 3}), TEXT_REQUEST_FAILED, 0},
      {WITHDRAW, 1011, {}, "保护密码计算结果错误。", 0},
  };
  for (const Case& k : cases) {
    CBodyReader reply(k.reply.empty() ? nullptr : k.reply.data(), k.reply.size());
    CString text;
    int amount = 1;
    switch (k.kind) {
      case LEAVE:
        EXPECT_TRUE(GetLeaveRefusalText(k.result, reply, text));
        break;
      case REWARD:
        GetSilverRewardFailureText(k.result, reply, "麻将", text);
        break;
      case DEPOSIT:
        GetDepositFailureText(k.result, reply, "麻将", &amount, text);
        EXPECT_EQ(k.amount, amount) << k.result;
        break;
      case WITHDRAW:
        GetWithdrawFailureText(k.result, reply, "麻将", text);
        break;
    }
    EXPECT_EQ(k.text, std::string(text)) << k.kind << " " << k.result;
  }
  CString text;
  EXPECT_FALSE(GetLeaveRefusalText(10, CBodyReader(nullptr, 0), text));
}

}  // namespace
