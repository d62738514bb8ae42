// The request catalogue against the testbed's wire server: each request's body as it arrives,
// and what the client makes of each reply.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "framework/RequestBodies.h"
#include "net/WireBytes.h"
#include "platform/winsock/WinSock.h"
#include "testbed/server/WireServer.h"
#include "tests/support/FrameworkDoubles.h"
#include "tests/support/TempDir.h"

namespace {

using testbed::Bytes;
using testbed::Reply;
using testbed::Request;
using testsupport::CTestGameApp;

Bytes Ints(std::initializer_list<int32_t> values) {
  Bytes bytes;
  for (int32_t v : values) {
    BYTE b[4];
    WriteU32Le(b, static_cast<uint32_t>(v));
    bytes.insert(bytes.end(), b, b + 4);
  }
  return bytes;
}

Bytes Text(const std::string& text) {
  Bytes bytes(text.begin(), text.end());
  bytes.push_back(0);
  return bytes;
}

class GameConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WSADATA data;
    WSAStartup(MAKEWORD(1, 1), &data);
    RegisterSocketWindowClass();
    setenv("PXQD_SYSTEM_DIR", m_dir.Path().c_str(), 1);
    ASSERT_TRUE(m_server.Start());
    m_server.SetHandler([this](const Request& r) {
      std::lock_guard<std::mutex> guard(m_lock);
      auto it = m_replies.find(r.code);
      if (it == m_replies.end()) return Reply{};
      return it->second;
    });
    LaunchLine& launch = m_app.Launch();
    launch.userId = 1001;
    launch.gameId = 7;
    launch.roomId = 12;
    launch.tableNo = 5;
    launch.chair = 2;
    std::strcpy(launch.gameName, "麻将");
    PlayerRecord* own = m_app.Tables().Seat(2);
    own->userId = 1001;
    own->chair = 2;
    own->silver = 800;
    std::strcpy(own->name, "me");
    m_app.m_connection.InitPacketOptions();
    int errorKind = 0;
    ASSERT_EQ(1, m_app.m_connection.ConnectToServer("", "127.0.0.1", m_server.Port(), &errorKind));
  }

  void TearDown() override {
    m_app.m_connection.Disconnect();
    m_server.Stop();
    unsetenv("PXQD_SYSTEM_DIR");
  }

  void Answer(DWORD code, DWORD result, const Bytes& data = {}) {
    std::lock_guard<std::mutex> guard(m_lock);
    Reply reply;
    reply.result = result;
    reply.data = data;
    m_replies[code] = reply;
  }

  // The body of the last request the server received with that code.
  Bytes LastBody(DWORD code, bool* replyWanted = nullptr) {
    Bytes body;
    for (const Request& r : m_server.Requests()) {
      if (r.code != code) continue;
      body = r.data;
      if (replyWanted != nullptr) *replyWanted = r.replyWanted;
    }
    return body;
  }

  size_t RequestCount() { return m_server.Requests().size(); }

  RequestContext Context() {
    RequestContext c;
    c.userId = 1001;
    c.gameId = 7;
    c.roomId = 12;
    c.tableNo = 5;
    c.chair = 2;
    c.lookOn = m_app.IsLookOn();
    GetMachineId(c.machineId);
    return c;
  }

  testsupport::TempDir m_dir;
  CTestGameApp m_app;
  testbed::WireServer m_server;
  std::mutex m_lock;
  std::map<DWORD, Reply> m_replies;
};

TEST_F(GameConnectionTest, GreetingComesFirst) {
  ASSERT_TRUE(m_server.WaitForSessions(1, 10000));
  Bytes greeting = m_server.Greetings().at(0);
  EXPECT_EQ(Text("Hello! Play Harbour."), greeting);
}

TEST_F(GameConnectionTest, CatalogueBodiesAndReplies) {
  CGameConnection& c = m_app.m_connection;
  struct Case {
    const char* what;
    DWORD code;
    DWORD result;
    Bytes reply;
    std::function<int(CString&)> call;
    Bytes body;       // expected body
    bool replyWanted;
    int returned;
    std::string text;  // expected text afterwards
  };
  const RequestContext ctx = Context();
  const Case cases[] = {
      {"ready", REQ_READY, 0, {}, [&](CString& t) { return c.SendReady(t); }, MakeCommonBody(ctx), false, 1, ""},
      {"leave table", REQ_LEAVE_TABLE, 0, {}, [&](CString&) { return c.LeaveTable(3003, 3); }, MakeLeaveBody(ctx, 3003, 3),
       false, 1, ""},
      {"leave refused", REQ_LEAVE_GAME, 210085, Ints({30}), [&](CString& t) { return c.LeaveGame(t, 1001, 2); },
       MakeLeaveBody(ctx, 1001, 2), true, 1, "系统已经为您分配了随机桌位，\r\n\r\n必须再等 30 秒钟才能离开。"},
      {"leave accepted", REQ_LEAVE_GAME, 10, {}, [&](CString& t) { return c.LeaveGame(t, 1001, 2); },
       MakeLeaveBody(ctx, 1001, 2), true, 0, ""},
      {"chat", REQ_CHAT, 0, {}, [&](CString&) { return c.SendChat(std::string(80, 'a').c_str()); },
       MakeChatBody(ctx, std::string(61, 'a').c_str()), false, 1, ""},
      {"chat quiet", REQ_CHAT_QUIET, 0, {}, [&](CString&) { return c.SendChatQuiet("hi"); }, MakeChatBody(ctx, "hi"),
       false, 1, ""},
      {"call", REQ_CALL_PLAYER, 0, {}, [&](CString&) { return c.CallPlayer(4444); }, MakeCallBody(ctx, 4444, -1), false,
       1, ""},
      {"seat value", REQ_SEAT_VALUE, 0, {}, [&](CString&) { return c.SendSeatValue(9); }, MakeSeatValueBody(ctx, 9),
       false, 1, ""},
      {"reward refused", REQ_SILVER_REWARD, 211425, Ints({9000}), [&](CString& t) { return c.ClaimSilverReward(t, 50); },
       MakeSilverRewardBody(ctx, 50), true, 0, "高于房间最高银子限制【9000两】。"},
      {"game data", REQ_GAME_DATA, 10, Ints({0x55, 0x66}), [&](CString&) { return c.GetGameData(); },
       MakeCommonBody(ctx), true, 1, ""},
      {"server text", REQ_READY_CHECKED, RESULT_SERVER_TEXT, Text("abc"),
       [&](CString& t) { return c.SendReadyChecked(t); }, MakeCommonBody(ctx), true, 0, "abc"},
      {"unterminated server text", REQ_READY_CHECKED, RESULT_SERVER_TEXT, Bytes{'x', 'y'},
       [&](CString& t) { return c.SendReadyChecked(t); }, MakeCommonBody(ctx), true, 0, "xy"},
      {"allowance config short", REQ_ALLOWANCE_CONFIG, 10, Ints({1}),
       [&](CString& t) {
         BYTE block[124];
         return c.GetAllowanceConfig(t, 4, block);
       },
       MakeAllowanceConfigBody(ctx, 4), true, 0, "请求处理失败。"},
      {"allowance", REQ_CLAIM_ALLOWANCE, 10, Ints({77}),
       [&](CString& t) {
         int value = 0;
         return c.ClaimAllowance(t, 4, 1, &value) && value == 77 ? 1 : 0;
       },
       MakeClaimAllowanceBody(ctx, "me", 4, 1, false), true, 1, ""},
      {"protection query", REQ_PROTECT_PASSWORD, 60000, {},
       [&](CString& t) {
         BYTE block[24];
         int result = 0;
         return c.QueryProtectPassword(t, block, &result) == 0 && result == 60000 ? 1 : 0;
       },
       MakeSafeQueryBody(ctx), true, 1, "操作失败！"},
  };
  for (const Case& k : cases) {
    Answer(k.code, k.result, k.reply);
    size_t before = RequestCount();
    CString text;
    EXPECT_EQ(k.returned, k.call(text)) << k.what;
    ASSERT_TRUE(m_server.WaitForRequests(before + 1, 10000)) << k.what;
    bool replyWanted = !k.replyWanted;
    EXPECT_EQ(k.body, LastBody(k.code, &replyWanted)) << k.what;
    EXPECT_EQ(k.replyWanted, replyWanted) << k.what;
    EXPECT_EQ(k.text, std::string(text)) << k.what;
  }
  EXPECT_EQ(0x55, m_app.m_tableInfo[0]);
  EXPECT_EQ(0x66, m_app.m_tableInfo[4]);
}

TEST_F(GameConnectionTest, VersionCheck) {
  struct Case {
    Bytes reply;
    int returned;
    std::string text;
    int major;
    int minor;
  } cases[] = {
      {Ints({2, 0, 0, 0, 0, 0, 0}), 1, "", 0, 0},
      {Ints({3, 0, 0, 0, 0, 0, 0}), 0, "您的游戏程序太旧了,必须下载新的程序才能玩游戏。", 3, 0},
      {Ints({1, 5, 0, 0, 0, 0, 0}), 0, "服务正在更新中，请稍候再试。", 0, 0},
      {Ints({2, 1, 0, 0, 0, 0, 0}), 0, "您的游戏程序需要更新。", 0, 1},
      {Ints({2}), 0, "服务器繁忙，请稍候再试。", 0, 0},
      {{}, 0, "服务器繁忙，请稍候再试。", 0, 0},
  };
  for (const Case& k : cases) {
    Answer(REQ_CHECK_VERSION, 10, k.reply);
    CString text;
    int major = 0;
    int minor = 0;
    EXPECT_EQ(k.returned, m_app.m_connection.CheckVersion(text, &major, &minor));
    EXPECT_EQ(k.text, std::string(text));
    EXPECT_EQ(k.major, major);
    EXPECT_EQ(k.minor, minor);
  }
  EXPECT_TRUE(LastBody(REQ_CHECK_VERSION).empty());
}

TEST_F(GameConnectionTest, EnterGameBodyFollowsRoomOptionSix) {
  struct Case {
    int options;
    size_t size;
  } cases[] = {{0, 108}, {1 << 6, 244}};
  for (const Case& k : cases) {
    m_app.Tables().Room().options = k.options;
    Answer(REQ_ENTER_GAME, 200500, Ints({9}));
    CString text;
    EXPECT_EQ(1, m_app.m_connection.EnterGame(text));
    Bytes body = LastBody(REQ_ENTER_GAME);
    ASSERT_EQ(k.size, body.size());
    EXPECT_EQ(1001u, ReadU32Le(body.data()));
    if (k.size == 244) {
      BYTE wire[WIRE_PLAYER_RECORD_SIZE];
      m_app.m_connection.BuildWirePlayerRecord(wire);
      EXPECT_EQ(0, std::memcmp(wire, body.data() + 108, WIRE_PLAYER_RECORD_SIZE));
    }
  }
  EXPECT_EQ(1, m_app.HasGameData());
  EXPECT_EQ(9, m_app.m_tableInfo[0]);

  Answer(REQ_ENTER_GAME, 210087);
  CString text;
  EXPECT_EQ(0, m_app.m_connection.EnterGame(text));
  EXPECT_STREQ("进入游戏失败，请等待本局结果提交。", text);

  m_app.Tables().Seat(2)->userId = 0;
  size_t before = RequestCount();
  EXPECT_EQ(0, m_app.m_connection.EnterGame(text));
  EXPECT_STREQ("对象不存在。", text);
  EXPECT_EQ(before, RequestCount());
}

TEST_F(GameConnectionTest, SafeTransfers) {
  m_app.Tables().Room().flags = 1 << 2;
  m_app.Tables().Room().options = 1 << 24;
  Answer(REQ_DEPOSIT_SILVER, 60092, Ints({1000, 300}));
  CString text;
  int amount = 5000;
  int result = 0;
  EXPECT_EQ(0, m_app.m_connection.DepositSilver(text, &amount, &result));
  EXPECT_EQ(700, amount);
  EXPECT_EQ(60092, result);
  EXPECT_EQ(MakeSafeTransferBody(Context(), 5000, 0, 800, 1), LastBody(REQ_DEPOSIT_SILVER));

  Answer(REQ_WITHDRAW_SILVER, 10);
  EXPECT_EQ(1, m_app.m_connection.WithdrawSilver(text, 300, 4321));
  EXPECT_STREQ("银子已经成功划入您指定的游戏。", text);
  EXPECT_EQ(MakeSafeTransferBody(Context(), 300, 4321, 800, 2), LastBody(REQ_WITHDRAW_SILVER));
}

TEST_F(GameConnectionTest, PreconditionsSendNothing) {
  CGameConnection& c = m_app.m_connection;
  size_t before = RequestCount();
  CString text;
  int value = 5;
  EXPECT_EQ(0, c.ClaimAllowance(text, 1, 2, &value));
  EXPECT_EQ(0, value);
  EXPECT_EQ(0, c.ClaimSilverReward(text, -1));
  EXPECT_EQ(0, c.WithdrawSilver(text, 10, 0)) << "the room does not allow the bank";
  EXPECT_EQ(0, c.SendReadyRandom(text)) << "the room lacks option bits 1 and 7";
  m_app.Launch().lookOn = 1;
  BYTE block[32];
  EXPECT_EQ(0, c.OpenSafe(text, block));
  EXPECT_EQ(0, c.ChangeTable(text));
  EXPECT_EQ(before, RequestCount());
}

TEST_F(GameConnectionTest, QueryGameRunningRefreshesTheRoomFlags) {
  Answer(REQ_GAME_RUNNING, 210030, Ints({5}));
  EXPECT_EQ(1, m_app.m_connection.QueryGameRunning());
  EXPECT_EQ(5, m_app.GetRoomFlags());
  Answer(REQ_GAME_RUNNING, 10, Ints({7}));
  EXPECT_EQ(0, m_app.m_connection.QueryGameRunning());
  EXPECT_EQ(7, m_app.GetRoomFlags());
}

TEST_F(GameConnectionTest, ResultTextsAndStatistics) {
  CGameConnection& c = m_app.m_connection;
  struct Case {
    DWORD result;
    std::string text;
  } cases[] = {{1000, "对象不存在。"}, {12345, "keep"}};
  for (const Case& k : cases) {
    Answer(4242, k.result);
    CString text = "keep";
    int length = 0;
    int result = 0;
    BYTE* reply = nullptr;
    EXPECT_EQ(1, c.SendRequest(text, 4242, &length, nullptr, &result, &reply, 1));
    EXPECT_EQ(static_cast<int>(k.result), result);
    EXPECT_EQ(k.text, std::string(text));
    delete[] reply;
  }
  EXPECT_EQ(2u, c.GetResponseCount()) << "waited requests are measured";
  CString text;
  int length = 0;
  int result = 7;
  const size_t answered = RequestCount();
  EXPECT_EQ(1, c.SendRequest(text, 4243, &length, nullptr, &result, nullptr, 0));
  ASSERT_TRUE(m_server.WaitForRequests(answered + 1, 10000));
  EXPECT_EQ(0, result);
  EXPECT_EQ(2u, c.GetResponseCount()) << "a request without a reply is not measured";

  size_t before = RequestCount();
  c.ReportResponseTimes();  // clears
  ASSERT_TRUE(m_server.WaitForRequests(before + 1, 10000));
  for (DWORD ms : {100u, 200u, 600u}) c.AddResponseTime(ms);
  before = RequestCount();
  c.ReportResponseTimes();
  ASSERT_TRUE(m_server.WaitForRequests(before + 1, 10000));
  EXPECT_EQ(Ints({1001, 300, 600, 0}), LastBody(REQ_RESPONSE_REPORT));
  c.AddResponseTime(70000);
  c.ReportResponseTimes();
  ASSERT_TRUE(m_server.WaitForRequests(before + 2, 10000));
  EXPECT_EQ(Ints({1001, 60000, 60000, 0}), LastBody(REQ_RESPONSE_REPORT));
  EXPECT_EQ(0u, c.GetResponseCount());
}

TEST_F(GameConnectionTest, NotConnectedSendsNothing) {
  m_app.m_connection.Disconnect();
  CString text;
  int length = 0;
  int result = 0;
  EXPECT_EQ(0, m_app.m_connection.SendRequest(text, REQ_READY, &length, nullptr, &result, nullptr, 1));
  EXPECT_EQ(RESULT_NOT_CONNECTED, result);
  EXPECT_STREQ("与服务器连接断开。", text);
}

TEST(GameConnectionProxy, SettingsFromTheHallIni) {
  testsupport::TempDir dir;
  struct Case {
    std::string ini;
    int need;
    int port;
    int kind;
  } cases[] = {
      {"", 0, 1080, 3},
      {"[PROXY]\r\nNeed=1\r\n", 1, 1080, 3},
      {"[PROXY]\r\nNeed=1\r\nPort=9050\r\nSock=2\r\nHost=127.0.0.1\r\n", 1, 9050, 2},
  };
  for (const Case& k : cases) {
    std::string path = dir.Write("ZuzaRuzi.ini", k.ini);
    CGameConnection connection(nullptr, 0, 0, 0);
    connection.ReadProxySettings(path.c_str());
    EXPECT_EQ(k.need, connection.IsProxyNeeded());
    EXPECT_EQ(k.port, connection.GetProxyPort());
    EXPECT_EQ(k.kind, connection.GetProxyKind());
  }
}

}  // namespace

