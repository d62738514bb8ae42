// The table dialogs' requests against the testbed server, through the network: bodies written by
// the client's own writers, notifications read by the client's own readers.
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>

#include "framework/BodyReader.h"
#include "testbed/server/GameServer.h"
#include "testbed/server/ProtocolCodes.h"
#include "testbed/table/ExchangeStore.h"
#include "testbed/table/MahjongTableGame.h"
#include "tests/support/ScriptedClient.h"
#include "tests/support/TempDir.h"
#include "tests/testbed/RequestBodies.h"
#include "variant/ExchangeForm.h"
#include "variant/LeaveDialogs.h"
#include "variant/LeaveRequests.h"

namespace {

using testsupport::ScriptedClient;

class TableServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    m_store = std::make_shared<testbed::ExchangeStore>();
    ASSERT_TRUE(m_store->Open(m_dir.File("accounts.db"), 1, &error)) << error;
    auto exchange = std::make_shared<testbed::ExchangeActivity>(m_store);
    testbed::ServerConfig config;
    config.tableGames = [exchange](int32_t room, int32_t table) {
      auto game = std::make_unique<testbed::MahjongTableGame>(room, table, testbed::TableConfig{});
      game->SetExchange(exchange);
      return game;
    };
    m_server = std::make_unique<testbed::GameServer>(std::move(config));
    ASSERT_TRUE(m_server->Start(m_dir.File("accounts.db"), 0, &error)) << error;
  }
  void TearDown() override {
    for (auto& c : m_clients) {
      if (c) c->Close();
    }
    m_server->Stop();
  }
  ScriptedClient& Enter(int chair, int user, bool lookOn = false) {
    auto client = std::make_unique<ScriptedClient>();
    EXPECT_TRUE(client->Connect(m_server->Port()));
    EXPECT_EQ(client->Ask(testbed::REQ_VERSION, {}).result, testbed::RESULT_SUCCESS);
    const requestbodies::Seat seat{user, 1, 0, chair};
    const DWORD entered = client->Ask(testbed::REQ_ENTER, requestbodies::Enter(seat, lookOn)).result;
    EXPECT_TRUE(entered == testbed::RESULT_SUCCESS || entered == testbed::RESULT_ENTERED_WITH_PLAYERS) << entered;
    m_clients.push_back(std::move(client));
    return *m_clients.back();
  }
  static RequestContext Context(int user, int chair) {
    RequestContext c;
    c.userId = user, c.roomId = 1, c.tableNo = 0, c.chair = chair;
    return c;
  }

  testsupport::TempDir m_dir;
  std::shared_ptr<testbed::ExchangeStore> m_store;
  std::unique_ptr<testbed::GameServer> m_server;
  std::vector<std::unique_ptr<ScriptedClient>> m_clients;
};

TEST_F(TableServerTest, LeaveRequestAndAnswerBetweenTwoPlayers) {
  ScriptedClient& asker = Enter(0, 31);
  ScriptedClient& other = Enter(1, 32);
  // A reason of 60 bytes, as the dialog lets it be typed.
  const std::string reason = "家里有事" + std::string(52, 'x');
  ASSERT_EQ(asker.Ask(REQ_LEAVE_REQUEST, MakeLeaveRequestBody(Context(31, 0), reason.c_str())).result,
            testbed::RESULT_SUCCESS);
  ScriptedClient::Bytes body;
  ASSERT_TRUE(other.NextOf(REQ_LEAVE_REQUEST, &body));
  const auto request = ReadLeaveRequest(body.data(), body.size());
  ASSERT_TRUE(request);
  EXPECT_EQ(request->askerUserId, 31);
  EXPECT_EQ(request->reason, reason);

  // The other player agrees: both hear it, with the answerer and the asker.
  ASSERT_EQ(other.Ask(REQ_LEAVE_REPLY, MakeLeaveReplyBody(Context(32, 1), request->askerUserId, true)).result,
            testbed::RESULT_SUCCESS);
  for (ScriptedClient* c : {&asker, &other}) {
    ASSERT_TRUE(c->NextOf(REQ_LEAVE_REPLY, &body));
    const auto reply = ReadLeaveReply(body.data(), body.size());
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->answererUserId, 32);
    EXPECT_EQ(reply->askerUserId, 31);
    EXPECT_TRUE(reply->agreed);
  }
  // The asker's own request does not come back to him.
  EXPECT_FALSE(asker.NextOf(REQ_LEAVE_REQUEST, &body, 200));
  // A body cut short is refused.
  ScriptedClient::Bytes shortBody(20, 0);
  EXPECT_NE(asker.Ask(REQ_LEAVE_REQUEST, shortBody).result, testbed::RESULT_SUCCESS);
}

TEST_F(TableServerTest, ExchangeAgainstTheServerLeavesTheTicketsInTheDatabase) {
  ScriptedClient& player = Enter(0, 41);
  ASSERT_TRUE(m_store->AddTickets(41, 1000, nullptr));
  ScriptedClient::Bytes body;
  // The activity and the ticket count.
  ASSERT_EQ(player.Ask(testbed::REQ_ACTIVITY_STATE, requestbodies::Common({41, 1, 0, 0}, 20)).result, testbed::RESULT_SUCCESS);
  ASSERT_TRUE(player.NextOf(testbed::NTF_ACTIVITY_OPEN, &body));
  EXPECT_EQ(CBodyReader(body.data(), body.size()).Int(16), 1);
  ASSERT_TRUE(player.NextOf(testbed::NTF_TICKET_COUNT, &body));
  EXPECT_EQ(CBodyReader(body.data(), body.size()).Int(4), 1000);

  struct Case {
    int prize;
    const char* phone;
    int result;
    int ticketsAfter;
  };
  const Case cases[] = {
      {4, "13800000000", 0, 630},     // 370 tickets
      {4, "13800000000", 3, 630},     // one of each prize in stock: gone now
      {0, "13800000000", 2, 630},     // 8500 tickets
      {5, "1380000000", 5, 630},      // a number the form would not send
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.prize);
    ExchangeContact contact;
    contact.playerName = "张三";
    contact.phone = c.phone;
    contact.second = "张三丰";
    contact.third = "北京市海淀区";
    ASSERT_EQ(player.Ask(REQ_SUBMIT_EXCHANGE, MakeExchangeForm(Context(41, 0), c.prize, contact)).result,
              testbed::RESULT_SUCCESS);
    ASSERT_TRUE(player.NextOf(testbed::NTF_EXCHANGE_RESULT, &body));
    CBodyReader r(body.data(), body.size());
    EXPECT_EQ(r.Int(8), c.result);
    EXPECT_EQ(r.Int(12), c.ticketsAfter);
  }
  // The prize page shows prize 4 gone and the exchange with the player's name.
  ASSERT_EQ(player.Ask(REQ_PRIZE_PAGE, MakePrizePageRequest(Context(41, 0))).result, testbed::RESULT_SUCCESS);
  ASSERT_TRUE(player.NextOf(testbed::NTF_PRIZE_LIST, &body));
  const auto page = ReadPrizePage(body.data(), body.size());
  ASSERT_TRUE(page);
  EXPECT_EQ(page->userId, 41);
  EXPECT_TRUE(page->unavailable[4]);
  EXPECT_FALSE(page->unavailable[5]);
  EXPECT_EQ(page->latest[0].prizeIndex, 4);
  EXPECT_EQ(page->latest[0].playerName, "张三");
  EXPECT_EQ(page->latest[1].prizeIndex, -1);

  // What the database holds, read again from the file.
  m_server->Stop();
  testbed::ExchangeStore reopened;
  std::string error;
  ASSERT_TRUE(reopened.Open(m_dir.File("accounts.db"), 1, &error)) << error;
  EXPECT_EQ(reopened.Tickets(41), 630);
  EXPECT_EQ(reopened.Stock(4), 0);
  EXPECT_EQ(reopened.CountExchanges(), 1);
  const auto latest = reopened.Latest(4);
  ASSERT_EQ(latest.size(), 1u);
  EXPECT_EQ(latest[0].phone, "13800000000");
  EXPECT_EQ(latest[0].third, "北京市海淀区");
}

// The question whether the ticket-exchange activity runs, as the table asks it at a new hand: the
// server answers it with the activity's announcement (and the player's ticket count).
TEST_F(TableServerTest, TheActivityQueryIsAnsweredWithTheAnnouncement) {
  ScriptedClient& player = Enter(0, 41);
  const RequestBody query = MakeActivityQuery(Context(41, 0));
  ASSERT_EQ(query.size(), 20u);
  CBodyReader q(query.data(), query.size());
  EXPECT_EQ(q.Int(0), 41);
  EXPECT_EQ(q.Int(12), 0);
  EXPECT_EQ(q.Int(16), 0);
  ASSERT_EQ(player.Ask(REQ_ACTIVITY_QUERY, query).result, testbed::RESULT_SUCCESS);
  ScriptedClient::Bytes body;
  ASSERT_TRUE(player.NextOf(REQ_ACTIVITY_QUERY, &body));  // the announcement has the query's code
  ASSERT_GE(body.size(), 20u);
  EXPECT_EQ(CBodyReader(body.data(), body.size()).Int(16), 1) << "the testbed runs the activity";
}

}  // namespace
