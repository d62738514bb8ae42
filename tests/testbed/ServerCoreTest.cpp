// The server's framework core without sockets: every request goes straight to Handle, the
// notifications land in a recording outbox, and the clock is the test's.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "testbed/server/AccountStore.h"
#include "testbed/server/ProtectionAnswer.h"
#include "testbed/server/ProtocolCodes.h"
#include "testbed/server/ServerCore.h"
#include "tests/support/TempDir.h"
#include "tests/testbed/RequestBodies.h"

namespace {

using namespace testbed;
using namespace requestbodies;

struct Sent {
  int session;
  DWORD code;
  Bytes data;
};

class RecordingOutbox : public Outbox {
 public:
  void Send(int session, DWORD code, const Bytes& data) override { sent.push_back({session, code, data}); }
  void Close(int session) override { closed.push_back(session); }
  void Answer(const Request& request, Reply* reply) override {
    answered.push_back({request.session, request.code, reply->data});
    reply->written = true;
  }
  std::vector<Sent> Of(DWORD code) const {
    std::vector<Sent> out;
    for (const Sent& s : sent) {
      if (s.code == code) out.push_back(s);
    }
    return out;
  }
  std::vector<Sent> sent;
  std::vector<int> closed;
  std::vector<Sent> answered;
};

const int64_t DAY = 24LL * 3600 * 1000;
// 2026-12-10 12:00 UTC.
const int64_t NOON = 1797163200000LL;

class CoreTest : public ::testing::Test {
 public:
  void SetUp() override { Make(ServerConfig{}); }

  void Make(ServerConfig config) {
    config.clock = [this] { return m_now; };
    config.seed = 7;
    m_outbox = RecordingOutbox{};
    m_core = std::make_unique<ServerCore>(std::move(config), &m_outbox);
    ASSERT_TRUE(m_core->OpenAccounts(":memory:", nullptr));
  }

  Reply Ask(int session, DWORD code, const Bytes& body, bool replyWanted = true) {
    Request r;
    r.session = session;
    r.code = code;
    r.requestSerial = ++m_serial;
    r.replyWanted = replyWanted;
    r.data = body;
    return m_core->Handle(r);
  }

  // Session n holds user 100 + n.
  static Seat SeatOf(int session, int chair, int table = 0) { return Seat{100 + session, 1, table, chair}; }
  void EnterAt(int session, int chair, int table = 0, bool lookOn = false) {
    Reply r = Ask(session, REQ_ENTER, Enter(SeatOf(session, chair, table), lookOn));
    ASSERT_EQ(RESULT_ENTERED_WITH_PLAYERS, r.result) << "session " << session;
  }
  Account AccountOf(int32_t user) {
    Account a;
    EXPECT_TRUE(m_core->FindAccount(user, &a));
    return a;
  }

  int64_t m_now = NOON;
  DWORD m_serial = 0;
  RecordingOutbox m_outbox;
  std::unique_ptr<ServerCore> m_core;
};

struct BodyCase {
  const char* name;
  DWORD code;
  std::function<Bytes(const Seat&)> body;
};

const BodyCase BODY_CASES[] = {
    {"leave", REQ_LEAVE, [](const Seat& s) { return Leave(s); }},
    {"leave with checks", REQ_LEAVE_CHECKED, [](const Seat& s) { return Leave(s); }},
    {"ready", REQ_READY, [](const Seat& s) { return Common(s); }},
    {"ready checked", REQ_READY_CHECKED, [](const Seat& s) { return Common(s); }},
    {"ready random", REQ_READY_RANDOM, [](const Seat& s) { return Common(s); }},
    {"chat", REQ_CHAT, [](const Seat& s) { return Chat(s, "hello"); }},
    {"quiet chat", REQ_CHAT_QUIET, [](const Seat& s) { return Chat(s, "hello"); }},
    {"call", REQ_CALL, [](const Seat& s) { return Call(s, 102, 1); }},
    {"change table", REQ_CHANGE_TABLE, [](const Seat& s) { return Common(s); }},
    {"keep-alive", REQ_RESPONSE_TIMES, [](const Seat& s) { return ResponseTimes(s, 10, 20); }},
    {"game running", REQ_GAME_RUNNING, [](const Seat& s) { return Common(s); }},
    {"reward", REQ_REWARD, [](const Seat& s) { return Reward(s, 10); }},
    {"allowance config", REQ_ALLOWANCE_CONFIG, [](const Seat& s) { return AllowanceQuery(s, 1); }},
    {"allowance", REQ_ALLOWANCE, [](const Seat& s) { return Allowance(s, 0); }},
    {"allowance 2", REQ_ALLOWANCE2, [](const Seat& s) { return Allowance(s, 0, true); }},
    {"open safe", REQ_OPEN_SAFE, [](const Seat& s) { return SafeQuery(s); }},
    {"deposit", REQ_DEPOSIT, [](const Seat& s) { return Deposit(s, 100); }},
    {"withdraw", REQ_WITHDRAW, [](const Seat& s) { return Withdraw(s, 100); }},
    {"protection query", REQ_PROTECT_QUERY, [](const Seat& s) { return SafeQuery(s); }},
};

TEST_F(CoreTest, AShortOrForeignBodyIsRefusedAndChangesNothing) {
  for (const BodyCase& c : BODY_CASES) {
    SCOPED_TRACE(c.name);
    Make(ServerConfig{});
    EnterAt(1, 0);
    EnterAt(2, 1);
    ASSERT_TRUE(m_core->SetSilver(101, 5000, 5000));
    ASSERT_TRUE(m_core->AwardReward(101, 50));
    m_outbox.sent.clear();
    size_t logged = m_core->LogLines().size();

    Bytes body = c.body(SeatOf(1, 0));
    Bytes shorter(body.begin(), body.end() - 1);
    EXPECT_EQ(RESULT_INVALID_PARAMETER, Ask(1, c.code, shorter).result);
    Seat foreign = SeatOf(1, 0);
    foreign.user = 555;
    EXPECT_EQ(RESULT_AUTH_FAILED, Ask(1, c.code, c.body(foreign)).result);

    EXPECT_TRUE(m_outbox.sent.empty());
    EXPECT_EQ((std::array<int32_t, 4>{101, 102, 0, 0}), m_core->TableUsers(1, 0));
    Account a = AccountOf(101);
    EXPECT_EQ(5000, a.silver);
    EXPECT_EQ(5000, a.bank);
    EXPECT_EQ(50, a.reward);
    EXPECT_GE(m_core->LogLines().size(), logged + 2);
  }
}

TEST_F(CoreTest, OnlyTheVersionCheckAndEnteringComeBeforeEntering) {
  Reply version = Ask(1, REQ_VERSION, {});
  EXPECT_EQ(RESULT_SUCCESS, version.result);
  EXPECT_EQ(2, Get(version.data, 0));
  EXPECT_EQ(RESULT_AUTH_FAILED, Ask(1, REQ_OPEN_SAFE, SafeQuery(SeatOf(1, 0))).result);
  EXPECT_EQ(RESULT_INVALID_PARAMETER, Ask(1, REQ_ENTER, Bytes(107, 0)).result);
  // A body between the record and a whole player is malformed too.
  EXPECT_EQ(RESULT_INVALID_PARAMETER, Ask(1, REQ_ENTER, Bytes(200, 0)).result);
  EXPECT_EQ(RESULT_AUTH_FAILED, Ask(1, REQ_ENTER, Enter(Seat{0, 1, 0, 0})).result);
  EXPECT_EQ(RESULT_ENTER_FAILED, Ask(1, REQ_ENTER, Enter(Seat{101, 1, 0, 4})).result);
  EXPECT_EQ(RESULT_ENTER_FAILED, Ask(1, REQ_ENTER, Enter(Seat{101, 1, -1, 0})).result);
  EXPECT_EQ(RESULT_ENTER_FAILED, Ask(1, REQ_ENTER, Enter(Seat{101, 1, 64, 0})).result);
  EXPECT_EQ(RESULT_UNSUPPORTED, (EnterAt(1, 0), Ask(1, 209999, Bytes(32, 0)).result));
}

TEST_F(CoreTest, SeatsOnlookersAndTheirNotices) {
  EnterAt(1, 0);
  EXPECT_EQ(RESULT_ENTER_FAILED, Ask(2, REQ_ENTER, Enter(SeatOf(2, 0))).result);  // the chair is taken
  EXPECT_EQ(RESULT_NOT_READY_TO_WATCH, Ask(2, REQ_ENTER, Enter(SeatOf(2, 3), true)).result);
  EnterAt(2, 2);
  ASSERT_EQ(1u, m_outbox.Of(NTF_PLAYER_SEATED).size());
  EXPECT_EQ(1, m_outbox.Of(NTF_PLAYER_SEATED)[0].session);
  EXPECT_EQ(102, Get(m_outbox.Of(NTF_PLAYER_SEATED)[0].data, 0));
  EXPECT_EQ(2, Get(m_outbox.Of(NTF_PLAYER_SEATED)[0].data, 16));

  EnterAt(3, 2, 0, true);  // watches chair 2; seated players hear nothing of it
  EXPECT_EQ(1u, m_outbox.Of(NTF_PLAYER_SEATED).size());
  EXPECT_EQ(std::vector<int32_t>{103}, m_core->TableOnlookers(1, 0));
  EXPECT_EQ(RESULT_FAILED, Ask(3, REQ_READY_CHECKED, Common(SeatOf(3, 2))).result);

  // The onlooker leaves: everyone left at the table is told with 211020.
  EXPECT_EQ(RESULT_SUCCESS, Ask(3, REQ_LEAVE, Leave(SeatOf(3, 2)), false).result);
  auto gone = m_outbox.Of(NTF_ONLOOKER_LEFT);
  ASSERT_EQ(2u, gone.size());
  EXPECT_EQ(103, Get(gone[0].data, 0));

  // A seated player's connection ends: 211010 with user, chair and table.
  m_core->OnSessionClosed(2);
  auto left = m_outbox.Of(NTF_PLAYER_LEFT);
  ASSERT_EQ(1u, left.size());
  EXPECT_EQ(1, left[0].session);
  EXPECT_EQ((std::vector<int32_t>{102, 2, 0}),
            (std::vector<int32_t>{Get(left[0].data, 0), Get(left[0].data, 4), Get(left[0].data, 28)}));
  EXPECT_EQ((std::array<int32_t, 4>{101, 0, 0, 0}), m_core->TableUsers(1, 0));
}

// A client sends its player record only in rooms with option bit 6; without it the table learns
// the player's name from what the hall wrote into the shared accounts.
TEST_F(CoreTest, AnEnteringPlayersNameComesFromHisRecordElseFromTheHall) {
  struct Case {
    const char* recordName;
    const char* hallName;
    const char* shown;
  };
  const Case cases[] = {
      {"", "hall-name", "hall-name"},
      {"own-name", "hall-name", "own-name"},
      {"own-name", "", "own-name"},
      {"", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.recordName) + "/" + c.hallName);
    testsupport::TempDir dir;
    const std::string db = dir.File("accounts.db");
    {
      AccountStore hall;
      ASSERT_TRUE(hall.Open(db, nullptr));
      if (*c.hallName != '\0') ASSERT_TRUE(hall.SetHallName(102, c.hallName));
    }
    ServerConfig config;
    config.clock = [this] { return m_now; };
    m_outbox = RecordingOutbox{};
    m_core = std::make_unique<ServerCore>(std::move(config), &m_outbox);
    ASSERT_TRUE(m_core->OpenAccounts(db, nullptr));
    EnterAt(1, 0);
    ASSERT_EQ(RESULT_ENTERED_WITH_PLAYERS, Ask(2, REQ_ENTER, Enter(SeatOf(2, 1), false, c.recordName)).result);
    // The player already seated hears of him with his name; so does a player who comes later.
    ASSERT_EQ(1u, m_outbox.Of(NTF_PLAYER_SEATED).size());
    const Bytes seated = m_outbox.Of(NTF_PLAYER_SEATED)[0].data;
    ASSERT_GE(seated.size(), 68u);
    EXPECT_EQ(c.shown, std::string(reinterpret_cast<const char*>(seated.data() + 36)));
    Reply later = Ask(3, REQ_ENTER, Enter(SeatOf(3, 2)));
    ASSERT_EQ(RESULT_ENTERED_WITH_PLAYERS, later.result);
    // Count at 8, then 136-byte records by chair from 60.
    ASSERT_GE(later.data.size(), 60u + 2 * 136u);
    EXPECT_EQ(c.shown, std::string(reinterpret_cast<const char*>(later.data.data() + 60 + 136 + 36)));
    EXPECT_EQ(c.shown, AccountOf(102).name);
  }
}

TEST_F(CoreTest, TheOnlookerPlacesOfATableAreLimited) {
  ServerConfig config;
  config.rules.maxOnlookers = 1;
  Make(config);
  EnterAt(1, 0);
  EnterAt(2, 0, 0, true);
  EXPECT_EQ(RESULT_NO_WATCH_PLACE, Ask(3, REQ_ENTER, Enter(SeatOf(3, 0), true)).result);
}

TEST_F(CoreTest, ANewConnectionOfTheSameUserTakesOverHisChairQuietly) {
  EnterAt(1, 0);
  EnterAt(2, 1);
  m_outbox.sent.clear();
  Reply again = Ask(3, REQ_ENTER, Enter(Seat{101, 1, 0, 0}));
  EXPECT_EQ(RESULT_ENTERED_WITH_PLAYERS, again.result);
  EXPECT_EQ(std::vector<int>{1}, m_outbox.closed);
  EXPECT_TRUE(m_outbox.sent.empty());
  // The old connection's end, reported later, leaves the chair with the new one.
  m_core->OnSessionClosed(1);
  EXPECT_TRUE(m_outbox.sent.empty());
  EXPECT_EQ((std::array<int32_t, 4>{101, 102, 0, 0}), m_core->TableUsers(1, 0));
  SessionView view;
  ASSERT_TRUE(m_core->Session(3, &view));
  EXPECT_TRUE(view.entered);
}

TEST_F(CoreTest, ReadyChecksTheRoomsSilverLimits) {
  ServerConfig config;
  config.rules.minSilver = 1000;
  config.rules.maxSilver = 8000;
  Make(config);
  EnterAt(1, 0);
  struct Case {
    int64_t silver;
    DWORD result;
    int32_t limit;
  } cases[] = {{500, RESULT_SILVER_TOO_LOW, 1000}, {9000, RESULT_SILVER_TOO_HIGH, 8000}, {1000, RESULT_SUCCESS, 0}};
  for (const Case& c : cases) {
    ASSERT_TRUE(m_core->SetSilver(101, c.silver, 0));
    Reply r = Ask(1, REQ_READY_CHECKED, Common(SeatOf(1, 0)));
    EXPECT_EQ(c.result, r.result) << c.silver;
    if (c.limit) {
      EXPECT_EQ(c.silver, Get(r.data, 8));
      EXPECT_EQ(c.limit, Get(r.data, 12));
    }
  }
}

TEST_F(CoreTest, SafeTransfersAreRefusedForTheirReasonsAndKeepTheSilver) {
  struct Case {
    const char* name;
    std::function<void(ServerConfig&)> configure;
    std::function<void(CoreTest&)> before;
    DWORD code;
    int32_t amount;
    DWORD result;
    int32_t replyInt;  // the reply's first int, or 0 when none is looked at
  } cases[] = {
      {"deposit more than in hand", nullptr, nullptr, REQ_DEPOSIT, 5001, RESULT_NOT_ENOUGH_SILVER, 0},
      {"withdraw more than in the box", nullptr, nullptr, REQ_WITHDRAW, 3001, RESULT_NOT_ENOUGH_SILVER, 0},
      {"no bank in this room", [](ServerConfig& c) { c.rules.bankAllowed = false; }, nullptr, REQ_DEPOSIT, 10,
       RESULT_BANK_FORBIDDEN, 0},
      {"deposit below the room's minimum", [](ServerConfig& c) { c.rules.minSilver = 4500; }, nullptr, REQ_DEPOSIT,
       600, RESULT_BELOW_ROOM_MINIMUM, 4500},
      {"withdraw above the room's maximum", [](ServerConfig& c) { c.rules.maxSilver = 6000; }, nullptr, REQ_WITHDRAW,
       1001, RESULT_ABOVE_ROOM_MAXIMUM, 6000},
      {"while ready", nullptr,
       [](CoreTest& t) { EXPECT_EQ(RESULT_SUCCESS, t.Ask(1, REQ_READY_CHECKED, Common(SeatOf(1, 0))).result); },
       REQ_DEPOSIT, 10, RESULT_TRANSFER_WHILE_READY, 0},
      {"zero amount", nullptr, nullptr, REQ_DEPOSIT, 0, RESULT_INVALID_PARAMETER, 0},
      {"negative amount", nullptr, nullptr, REQ_WITHDRAW, -5, RESULT_INVALID_PARAMETER, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ServerConfig config;
    if (c.configure) c.configure(config);
    Make(config);
    EnterAt(1, 0);
    ASSERT_TRUE(m_core->SetSilver(101, 5000, 3000));
    if (c.before) c.before(*this);
    Bytes body = c.code == REQ_DEPOSIT ? Deposit(SeatOf(1, 0), c.amount) : Withdraw(SeatOf(1, 0), c.amount);
    Reply r = Ask(1, c.code, body);
    EXPECT_EQ(c.result, r.result);
    if (c.replyInt) { EXPECT_EQ(c.replyInt, Get(r.data, 0)); }
    Account a = AccountOf(101);
    EXPECT_EQ(5000, a.silver);
    EXPECT_EQ(3000, a.bank);
    EXPECT_TRUE(m_outbox.Of(NTF_BASE_SILVER).empty());
  }
}

TEST_F(CoreTest, ADepositMovesSilverAndTellsTheTable) {
  EnterAt(1, 0);
  EnterAt(2, 1);
  ASSERT_TRUE(m_core->SetSilver(101, 5000, 0));
  ASSERT_EQ(RESULT_SUCCESS, Ask(1, REQ_DEPOSIT, Deposit(SeatOf(1, 0), 1200)).result);
  Account a = AccountOf(101);
  EXPECT_EQ(3800, a.silver);
  EXPECT_EQ(1200, a.bank);
  auto notices = m_outbox.Of(NTF_BASE_SILVER);
  ASSERT_EQ(2u, notices.size());
  EXPECT_EQ((std::vector<int32_t>{101, 0, BASE_SILVER_SAVED, 1200, 3800}),
            (std::vector<int32_t>{Get(notices[0].data, 0), Get(notices[0].data, 4), Get(notices[0].data, 8),
                                  Get(notices[0].data, 12), Get(notices[0].data, 16)}));
  Reply open = Ask(1, REQ_OPEN_SAFE, SafeQuery(SeatOf(1, 0)));
  EXPECT_EQ(3800, Get(open.data, 0));
  EXPECT_EQ(1200, Get(open.data, 4));
}

TEST_F(CoreTest, WrongProtectionAnswersLockWithdrawalsUntilTheLockEnds) {
  EnterAt(1, 0);
  ASSERT_TRUE(m_core->SetSilver(101, 0, 9000));
  ASSERT_TRUE(m_core->SetProtectPassword(101, "246813579"));
  EXPECT_FALSE(m_core->SetProtectPassword(101, "12ab"));
  auto challenge = [&] {
    Reply r = Ask(1, REQ_PROTECT_QUERY, SafeQuery(SeatOf(1, 0)));
    EXPECT_EQ(RESULT_SUCCESS, r.result);
    EXPECT_EQ(101, Get(r.data, 0));
    int32_t value = Get(r.data, 4);
    EXPECT_TRUE(value >= 0 && value < 100000000);
    return value;
  };
  // Without asking first there is no challenge to answer.
  EXPECT_EQ(RESULT_INVALID_PARAMETER, Ask(1, REQ_WITHDRAW, Withdraw(SeatOf(1, 0), 100, 0)).result);
  int32_t c = challenge();
  int32_t right = ProtectionAnswer("246813579", c);
  EXPECT_EQ(RESULT_SUCCESS, Ask(1, REQ_WITHDRAW, Withdraw(SeatOf(1, 0), 100, right)).result);
  // The answer was for that challenge only.
  EXPECT_EQ(RESULT_INVALID_PARAMETER, Ask(1, REQ_WITHDRAW, Withdraw(SeatOf(1, 0), 100, right)).result);
  for (int i = 0; i < 2; ++i) {
    challenge();
    EXPECT_EQ(RESULT_INVALID_PARAMETER, Ask(1, REQ_WITHDRAW, Withdraw(SeatOf(1, 0), 100, 1)).result);
  }
  // That was the third wrong answer in a row: withdrawals stop, even with the right answer.
  c = challenge();
  EXPECT_EQ(RESULT_ANSWERS_LOCKED,
            Ask(1, REQ_WITHDRAW, Withdraw(SeatOf(1, 0), 100, ProtectionAnswer("246813579", c))).result);
  m_now += 10 * 60 * 1000;
  c = challenge();
  EXPECT_EQ(RESULT_SUCCESS,
            Ask(1, REQ_WITHDRAW, Withdraw(SeatOf(1, 0), 100, ProtectionAnswer("246813579", c))).result);
  EXPECT_EQ(8800, AccountOf(101).bank);
  EXPECT_EQ(200, AccountOf(101).silver);
}

TEST_F(CoreTest, WithoutAPasswordTheQuerySaysSoAndTheAnswerIsNotLookedAt) {
  EnterAt(1, 0);
  ASSERT_TRUE(m_core->SetSilver(101, 0, 500));
  EXPECT_EQ(RESULT_NO_PROTECTION, Ask(1, REQ_PROTECT_QUERY, SafeQuery(SeatOf(1, 0))).result);
  EXPECT_EQ(RESULT_SUCCESS, Ask(1, REQ_WITHDRAW, Withdraw(SeatOf(1, 0), 500, 0)).result);
  EXPECT_EQ(500, AccountOf(101).silver);
}

TEST_F(CoreTest, DailyAndMonthlyWithdrawalLimits) {
  ServerConfig config;
  config.dailyWithdrawLimit = 1000;
  config.monthlyWithdrawLimit = 2500;
  Make(config);
  EnterAt(1, 0);
  ASSERT_TRUE(m_core->SetSilver(101, 0, 100000));
  EXPECT_EQ(RESULT_SUCCESS, Ask(1, REQ_WITHDRAW, Withdraw(SeatOf(1, 0), 600)).result);
  Reply daily = Ask(1, REQ_WITHDRAW, Withdraw(SeatOf(1, 0), 600));
  EXPECT_EQ(RESULT_DAILY_LIMIT, daily.result);
  EXPECT_EQ(600, Get(daily.data, 0));
  EXPECT_EQ(1000, Get(daily.data, 4));
  m_now += DAY;
  EXPECT_EQ(RESULT_SUCCESS, Ask(1, REQ_WITHDRAW, Withdraw(SeatOf(1, 0), 1000)).result);
  m_now += DAY;
  Reply monthly = Ask(1, REQ_WITHDRAW, Withdraw(SeatOf(1, 0), 1000));
  EXPECT_EQ(RESULT_MONTHLY_LIMIT, monthly.result);
  ASSERT_EQ(16u, monthly.data.size());
  EXPECT_EQ(1600, Get(monthly.data, 0));
  EXPECT_EQ(2500, Get(monthly.data, 8));
  EXPECT_EQ(1600, AccountOf(101).silver);
}

TEST_F(CoreTest, RewardsAndAllowances) {
  ServerConfig config;
  config.allowanceAmount = 2000;
  config.allowanceThreshold = 1000;
  config.allowancePerDay = 1;
  Make(config);
  EnterAt(1, 0);
  ASSERT_TRUE(m_core->SetSilver(101, 300, 0));
  EXPECT_EQ(RESULT_REQUEST_FAILED, Ask(1, REQ_REWARD, Reward(SeatOf(1, 0), 100)).result);  // nothing awarded
  ASSERT_TRUE(m_core->AwardReward(101, 150));
  EXPECT_EQ(RESULT_SUCCESS, Ask(1, REQ_REWARD, Reward(SeatOf(1, 0), 100)).result);
  EXPECT_EQ(RESULT_REQUEST_FAILED, Ask(1, REQ_REWARD, Reward(SeatOf(1, 0), 100)).result);  // 50 left
  EXPECT_EQ(400, AccountOf(101).silver);
  EXPECT_EQ(50, AccountOf(101).reward);

  Reply before = Ask(1, REQ_ALLOWANCE_CONFIG, AllowanceQuery(SeatOf(1, 0), 9));
  ASSERT_EQ(124u, before.data.size());
  EXPECT_EQ((std::vector<int32_t>{2000, 1000, 1, 0, 9}),
            (std::vector<int32_t>{Get(before.data, 0), Get(before.data, 4), Get(before.data, 8),
                                  Get(before.data, 12), Get(before.data, 16)}));
  EXPECT_EQ(RESULT_INVALID_PARAMETER, Ask(1, REQ_ALLOWANCE, Allowance(SeatOf(1, 0), 2)).result);
  Reply granted = Ask(1, REQ_ALLOWANCE2, Allowance(SeatOf(1, 0), 1, true));
  EXPECT_EQ(RESULT_SUCCESS, granted.result);
  EXPECT_EQ(2000, Get(granted.data, 0));
  EXPECT_EQ(2000, AccountOf(101).bank);  // kind 1 goes into the box
  auto notices = m_outbox.Of(NTF_BASE_SILVER);
  ASSERT_EQ(2u, notices.size());
  EXPECT_EQ(BASE_SILVER_REWARD, Get(notices[0].data, 8));
  EXPECT_EQ(BASE_SILVER_ALLOWANCE, Get(notices[1].data, 8));
  EXPECT_EQ(1, Get(notices[1].data, 24));
  // Once a day: the second claim is refused with the server's own text.
  ASSERT_TRUE(m_core->SetSilver(101, 0, 0));
  Reply again = Ask(1, REQ_ALLOWANCE, Allowance(SeatOf(1, 0), 0));
  EXPECT_EQ(RESULT_SERVER_TEXT, again.result);
  ASSERT_FALSE(again.data.empty());
  EXPECT_EQ(0, again.data.back());
  m_now += DAY;
  EXPECT_EQ(RESULT_SUCCESS, Ask(1, REQ_ALLOWANCE, Allowance(SeatOf(1, 0), 0)).result);
  // Above the threshold there is no allowance.
  m_now += DAY;
  EXPECT_EQ(RESULT_SERVER_TEXT, Ask(1, REQ_ALLOWANCE, Allowance(SeatOf(1, 0), 0)).result);
  EXPECT_EQ(2000, AccountOf(101).silver);
}

TEST_F(CoreTest, ChangingTablesMovesThePlayerAndIsLimitedInTime) {
  EnterAt(1, 0);
  EnterAt(2, 1);
  EnterAt(3, 0, 5);
  m_outbox.sent.clear();
  EXPECT_EQ(RESULT_SUCCESS, Ask(1, REQ_CHANGE_TABLE, Common(SeatOf(1, 0))).result);
  // To the table that has a player and a free chair.
  EXPECT_EQ((std::array<int32_t, 4>{103, 101, 0, 0}), m_core->TableUsers(1, 5));
  EXPECT_EQ((std::array<int32_t, 4>{0, 102, 0, 0}), m_core->TableUsers(1, 0));
  auto moved = m_outbox.Of(NTF_MOVED_TO_TABLE);
  ASSERT_EQ(1u, moved.size());
  EXPECT_EQ(1, moved[0].session);
  EXPECT_EQ((std::vector<int32_t>{5, 1, 4, 103, 101}),
            (std::vector<int32_t>{Get(moved[0].data, 8), Get(moved[0].data, 12), Get(moved[0].data, 16),
                                  Get(moved[0].data, 68), Get(moved[0].data, 68 + 136)}));
  EXPECT_EQ(1u, m_outbox.Of(NTF_PLAYER_LEFT).size());
  EXPECT_EQ(1u, m_outbox.Of(NTF_PLAYER_SEATED).size());

  EXPECT_EQ(RESULT_CHANGE_TOO_OFTEN, Ask(1, REQ_CHANGE_TABLE, Common(Seat{101, 1, 5, 1})).result);
  m_now += 5000;
  EXPECT_EQ(RESULT_SUCCESS, Ask(1, REQ_CHANGE_TABLE, Common(Seat{101, 1, 5, 1})).result);
  EXPECT_EQ((std::array<int32_t, 4>{101, 102, 0, 0}), m_core->TableUsers(1, 0));
}

TEST_F(CoreTest, ChatGoesToTheTableAndACallToTheCalledOnly) {
  EnterAt(1, 0);
  EnterAt(2, 1);
  EnterAt(3, 1, 0, true);
  EnterAt(4, 0, 1);  // another table hears nothing
  m_outbox.sent.clear();
  Ask(1, REQ_CHAT, Chat(SeatOf(1, 0), "hello"), false);
  auto lines = m_outbox.Of(NTF_CHAT);
  ASSERT_EQ(2u, lines.size());
  EXPECT_EQ(2, lines[0].session);
  EXPECT_EQ(3, lines[1].session);
  EXPECT_EQ(101, Get(lines[0].data, 0));
  EXPECT_EQ("hello", GetText(lines[0].data, 48));
  m_outbox.sent.clear();
  // The quiet line comes back to its sender as well, who shows no echo of his own.
  Ask(1, REQ_CHAT_QUIET, Chat(SeatOf(1, 0), "again"), false);
  EXPECT_EQ(3u, m_outbox.Of(NTF_CHAT).size());
  EXPECT_EQ(RESULT_INVALID_PARAMETER, Ask(1, REQ_CHAT, Chat(SeatOf(1, 0), ""), false).result);

  m_outbox.sent.clear();
  Ask(1, REQ_CALL, Call(SeatOf(1, 0), 102, 1), false);
  auto calls = m_outbox.Of(NTF_PLAYER_CALLED);
  ASSERT_EQ(1u, calls.size());
  EXPECT_EQ(2, calls[0].session);
  EXPECT_EQ((std::vector<int32_t>{101, 102, 1}),
            (std::vector<int32_t>{Get(calls[0].data, 0), Get(calls[0].data, 16), Get(calls[0].data, 20)}));
  EXPECT_EQ(RESULT_OBJECT_MISSING, Ask(1, REQ_CALL, Call(SeatOf(1, 0), 104, 0), false).result);
}

TEST_F(CoreTest, KeepAliveNotesTheResponseTimes) {
  EnterAt(1, 0);
  Ask(1, REQ_RESPONSE_TIMES, ResponseTimes(SeatOf(1, 0), 300, 600), false);
  SessionView view;
  ASSERT_TRUE(m_core->Session(1, &view));
  EXPECT_EQ(300, view.lastAverageMs);
  EXPECT_EQ(600, view.lastMaximumMs);
  EXPECT_EQ(NOON, view.lastKeepAliveMs);
}

// A table's game that records what reaches it and answers one code of its own.
class FakeGame : public TableGame {
 public:
  std::vector<std::string>* events;
  bool playing = false;
  explicit FakeGame(std::vector<std::string>* e) : events(e) {}
  void OnSeated(TableChannel&, int chair) override { events->push_back("seated " + std::to_string(chair)); }
  void OnLeft(TableChannel&, int chair) override { events->push_back("left " + std::to_string(chair)); }
  void OnReady(TableChannel& t, int chair) override {
    events->push_back("ready " + std::to_string(chair));
    t.Schedule(1000, chair);
  }
  void OnTimer(TableChannel& t, int token) override {
    events->push_back("timer " + std::to_string(token));
    t.SendToChair(token, 229999, {1, 2});
  }
  bool OnRequest(TableChannel& t, int chair, bool onlooker, DWORD code, const Bytes& body, Reply* reply) override {
    if (code == 229001) return true;  // taken, and never answered
    if (code != 229000) return false;
    events->push_back("request " + std::to_string(chair));
    reply->result = 10;
    reply->data = {7};
    return true;
  }
  bool HandInProgress() const override { return playing; }
  Bytes TableInfo(int chair, bool onlooker, int32_t) const override { return {9, 9, static_cast<BYTE>(chair)}; }
};

TEST_F(CoreTest, TheTablesGameGetsItsEventsRequestsAndTimers) {
  std::vector<std::string> events;
  FakeGame* game = nullptr;
  ServerConfig config;
  config.rules.roomFlags = 0x44;
  config.tableGames = [&](int32_t, int32_t) {
    auto g = std::make_unique<FakeGame>(&events);
    game = g.get();
    return g;
  };
  Make(config);
  EnterAt(1, 0);
  Reply entered = Ask(2, REQ_ENTER, Enter(SeatOf(2, 1)));
  // The table data follows the four players.
  ASSERT_EQ(60u + 4 * 136 + 3, entered.data.size());
  EXPECT_EQ(1, entered.data.back());
  ASSERT_EQ(RESULT_SUCCESS, Ask(2, REQ_READY_CHECKED, Common(SeatOf(2, 1))).result);
  Reply own = Ask(1, 229000, {});
  EXPECT_EQ(Bytes{7}, own.data);
  // A request the game takes without answering it is refused, not reported as done.
  const size_t logged = m_core->LogLines().size();
  Reply unanswered = Ask(1, 229001, {});
  EXPECT_EQ(RESULT_FAILED, unanswered.result);
  EXPECT_TRUE(unanswered.data.empty());
  EXPECT_EQ(logged + 1, m_core->LogLines().size());
  EXPECT_TRUE(m_outbox.answered.empty());
  // The table data is written while the core still holds the table, ahead of anything later.
  const Reply data = Ask(1, REQ_GAME_DATA, Common(SeatOf(1, 0)));
  EXPECT_EQ(Bytes({9, 9, 0}), data.data);
  EXPECT_TRUE(data.written);
  ASSERT_EQ(1u, m_outbox.answered.size());
  EXPECT_EQ(1, m_outbox.answered[0].session);
  EXPECT_EQ(REQ_GAME_DATA, m_outbox.answered[0].code);

  m_now += 999;
  m_core->RunDueTimers();
  EXPECT_TRUE(m_outbox.Of(229999).empty());
  m_now += 1;
  m_core->RunDueTimers();
  ASSERT_EQ(1u, m_outbox.Of(229999).size());
  EXPECT_EQ(2, m_outbox.Of(229999)[0].session);

  game->playing = true;
  Reply running = Ask(1, REQ_GAME_RUNNING, Common(SeatOf(1, 0)));
  EXPECT_EQ(RESULT_GAME_RUNNING, running.result);
  EXPECT_EQ(0x44, Get(running.data, 0));
  EXPECT_EQ(RESULT_KEEP_PLAYING, Ask(1, REQ_LEAVE_CHECKED, Leave(SeatOf(1, 0))).result);
  EXPECT_EQ(RESULT_TRANSFER_WHILE_PLAYING, Ask(1, REQ_DEPOSIT, Deposit(SeatOf(1, 0), 10)).result);
  EXPECT_EQ(RESULT_FAILED, Ask(1, REQ_CHANGE_TABLE, Common(SeatOf(1, 0))).result);
  EXPECT_EQ((std::array<int32_t, 4>{101, 102, 0, 0}), m_core->TableUsers(1, 0));

  // The settlement moves silver and score in one step and tells the table.
  ASSERT_TRUE(m_core->SetSilver(101, 1000, 0));
  ASSERT_TRUE(m_core->SetSilver(102, 1000, 0));
  m_outbox.sent.clear();
  ASSERT_TRUE(m_core->Settle(1, 0, {300, -300, 0, 0}, {600, -3, 0, 0}));
  EXPECT_EQ(1300, AccountOf(101).silver);
  EXPECT_EQ(-3, AccountOf(102).score);
  auto standing = m_outbox.Of(NTF_PLAYERS_UPDATED);
  ASSERT_EQ(2u, standing.size());
  EXPECT_EQ(2, Get(standing[0].data, 0));
  EXPECT_EQ(700, Get(standing[0].data, 20 + 52 + 12));
  // 600 points reach the third level; below zero is still the first.
  EXPECT_EQ(2, Get(standing[0].data, 20 + 16));
  EXPECT_EQ("熟手", GetText(standing[0].data, 20 + 20));
  EXPECT_EQ(0, Get(standing[0].data, 20 + 52 + 16));
  EXPECT_EQ("新手", GetText(standing[0].data, 20 + 52 + 20));
  EXPECT_EQ(2, AccountOf(101).level);

  game->playing = false;
  EXPECT_EQ(RESULT_SUCCESS, Ask(1, REQ_LEAVE_CHECKED, Leave(SeatOf(1, 0))).result);
  EXPECT_EQ((std::vector<std::string>{"seated 0", "seated 1", "ready 1", "request 0", "timer 1", "left 0"}), events);
}

TEST_F(CoreTest, ClosingATableTellsEveryoneAndEmptiesIt) {
  EnterAt(1, 0);
  EnterAt(2, 0, 0, true);
  m_outbox.sent.clear();
  EXPECT_TRUE(m_core->CloseTable(1, 0));
  EXPECT_EQ(2u, m_outbox.Of(NTF_TABLE_CLOSED).size());
  EXPECT_EQ((std::array<int32_t, 4>{0, 0, 0, 0}), m_core->TableUsers(1, 0));
  EXPECT_EQ(RESULT_AUTH_FAILED, Ask(1, REQ_OPEN_SAFE, SafeQuery(SeatOf(1, 0))).result);
  EXPECT_FALSE(m_core->CloseTable(1, 0));
  EXPECT_EQ(0, m_core->NotifyTable(1, 0, NTF_SERVER_MESSAGE, WriteServerMessage("x")));
  EXPECT_EQ(1, m_core->NotifyUser(101, NTF_SERVER_MESSAGE, WriteServerMessage("x")));
}

}  // namespace

namespace {

// A game that fills free chairs with computer players, gives a computer's chair to a player who
// wants it between hands, and keeps an absent player's chair during a hand until a time-out.
class SeatingGame : public TableGame {
 public:
  std::vector<std::string>* events;
  bool playing = false;
  explicit SeatingGame(std::vector<std::string>* e) : events(e) {}
  void OnSeated(TableChannel& t, int chair) override {
    events->push_back("seated " + std::to_string(chair) + " by " + std::to_string(t.RequestUser()));
    for (int c = 0; c < 4; ++c) {
      WirePlayer bot;
      bot.userId = 900 + c;
      bot.name = "computer";
      if (!t.UserAt(c)) t.SeatComputer(c, bot);
    }
  }
  bool YieldComputerChair(TableChannel& t, int chair) override { return !playing; }
  bool HoldChairOnDisconnect(TableChannel& t, int chair) override {
    if (!playing) return false;
    events->push_back("absent " + std::to_string(chair));
    t.Schedule(30000, chair);
    return true;
  }
  void OnReconnected(TableChannel& t, int chair) override { events->push_back("back " + std::to_string(chair)); }
  void OnTimer(TableChannel& t, int chair) override {
    if (t.IsAbsent(chair)) t.ReleaseChair(chair);
  }
  void OnWatching(TableChannel& t, int32_t user, int chair) override {
    events->push_back("watching " + std::to_string(user) + " " + std::to_string(chair));
    t.SendToUser(user, 229998, {4});
  }
  bool HandInProgress() const override { return playing; }
};

TEST_F(CoreTest, ComputerPlayersAndChairsKeptForAbsentPlayers) {
  std::vector<std::string> events;
  SeatingGame* game = nullptr;
  ServerConfig config;
  config.tableGames = [&](int32_t, int32_t) {
    auto g = std::make_unique<SeatingGame>(&events);
    game = g.get();
    return g;
  };
  Make(config);
  Reply first = Ask(1, REQ_ENTER, Enter(SeatOf(1, 0)));
  ASSERT_EQ(RESULT_ENTERED_WITH_PLAYERS, first.result);
  // The reply already shows the computers the game seated, and the player was told of each.
  EXPECT_EQ((std::vector<int32_t>{101, 901, 902, 903}),
            (std::vector<int32_t>{Get(first.data, 60), Get(first.data, 60 + 136), Get(first.data, 60 + 272),
                                  Get(first.data, 60 + 408)}));
  EXPECT_EQ(3u, m_outbox.Of(NTF_PLAYER_SEATED).size());

  // A player takes a computer's chair between hands: the computer leaves, the player comes.
  m_outbox.sent.clear();
  EnterAt(2, 2);
  EXPECT_EQ((std::array<int32_t, 4>{101, 901, 102, 903}), m_core->TableUsers(1, 0));
  ASSERT_EQ(2u, m_outbox.sent.size());
  EXPECT_EQ(NTF_PLAYER_LEFT, m_outbox.sent[0].code);
  EXPECT_EQ(902, Get(m_outbox.sent[0].data, 0));
  EXPECT_EQ(NTF_PLAYER_SEATED, m_outbox.sent[1].code);
  EnterAt(3, 1, 0, true);  // a computer can be watched
  ASSERT_EQ(1u, m_outbox.Of(229998).size());
  EXPECT_EQ(3, m_outbox.Of(229998)[0].session);

  // During a hand a computer keeps its chair, and a player who loses his connection keeps his.
  game->playing = true;
  EXPECT_EQ(RESULT_ENTER_FAILED, Ask(4, REQ_ENTER, Enter(Seat{104, 1, 0, 3})).result);
  m_outbox.sent.clear();
  m_core->OnSessionClosed(2);
  EXPECT_TRUE(m_outbox.sent.empty());
  EXPECT_EQ((std::array<int32_t, 4>{101, 901, 102, 903}), m_core->TableUsers(1, 0));
  EXPECT_EQ(RESULT_ENTER_FAILED, Ask(4, REQ_ENTER, Enter(Seat{104, 1, 0, 2})).result);
  // He comes back on a new connection to his chair, and nobody is told.
  ASSERT_EQ(RESULT_ENTERED_WITH_PLAYERS, Ask(5, REQ_ENTER, Enter(Seat{102, 1, 0, 2})).result);
  SessionView view;
  ASSERT_TRUE(m_core->Session(5, &view));
  EXPECT_EQ(102, view.userId);
  EXPECT_TRUE(m_outbox.sent.empty());

  // Gone again; the game lets the chair go at its time-out, and the table is told then.
  m_core->OnSessionClosed(5);
  m_now += 30000;
  m_core->RunDueTimers();
  auto left = m_outbox.Of(NTF_PLAYER_LEFT);
  ASSERT_EQ(2u, left.size());  // to the seated player and the onlooker
  EXPECT_EQ(102, Get(left[0].data, 0));
  EXPECT_EQ((std::array<int32_t, 4>{101, 901, 0, 903}), m_core->TableUsers(1, 0));

  // The computers' silver is kept in accounts like anyone's.
  ASSERT_TRUE(m_core->Settle(1, 0, {-200, 200, 0, 0}, {0, 0, 0, 0}));
  EXPECT_EQ(10200, AccountOf(901).silver);

  // Computers alone do not keep a table.
  game->playing = false;
  Ask(3, REQ_LEAVE, Leave(SeatOf(3, 1)), false);
  Ask(1, REQ_LEAVE, Leave(SeatOf(1, 0)), false);
  EXPECT_EQ((std::array<int32_t, 4>{0, 0, 0, 0}), m_core->TableUsers(1, 0));
  EXPECT_EQ((std::vector<std::string>{"seated 0 by 101", "seated 2 by 102", "watching 103 1", "absent 2", "back 2",
                                      "absent 2"}),
            events);
}

}  // namespace
