// The server's injected faults: the fault text, the rates, the bounds of a delay, and which
// replies are never touched.
#include <gtest/gtest.h>

#include <vector>

#include "testbed/server/FaultPlan.h"

namespace {

using testbed::FaultPlan;
using testbed::FaultRates;
using testbed::Reply;
using testbed::Request;

TEST(FaultPlan, ParsesTheFaultText) {
  struct Case {
    const char* text;
    bool ok;
    int delayOneIn, maxDelayMs, dropOneIn, repeatOneIn;
  } cases[] = {
      {"20:2000:300", true, 20, 2000, 300},
      {"0:0:0", true, 0, 0, 0},           // every fault off
      {"0:0:5", true, 0, 0, 5},           // drops only
      {"1:60000:1", true, 1, 60000, 1},   // the largest delay
      {"5:0:0", false},                   // a delay rate without a delay
      {"1:60001:0", false},               // a delay longer than a minute
      {"", false},
      {"1:2", false},
      {"1:2:3:4", true, 1, 2, 3, 4},      // with repeated notifications
      {"0:0:0:0", true, 0, 0, 0, 0},
      {"1:2:3:4:5", false},
      {"1:2:3:x", false},
      {"1:2:3:", false},
      {"1::3", false},
      {"-1:2:3", false},
      {"a:2:3", false},
      {"1:2:3x", false},
      {"9999999999:1:1", false},
  };
  for (const Case& c : cases) {
    FaultRates rates{7, 7, 7};
    EXPECT_EQ(FaultPlan::Parse(c.text, &rates), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(rates.delayOneIn, c.delayOneIn) << c.text;
      EXPECT_EQ(rates.maxDelayMs, c.maxDelayMs) << c.text;
      EXPECT_EQ(rates.dropOneIn, c.dropOneIn) << c.text;
      EXPECT_EQ(rates.repeatOneIn, c.repeatOneIn) << c.text;
    } else {
      EXPECT_EQ(rates.delayOneIn, 7) << c.text << ": a refused text changes nothing";
    }
  }
}

// Applies a plan to `count` replies and returns them.
std::vector<Reply> ApplyToReplies(FaultPlan& plan, int count) {
  std::vector<Reply> replies;
  for (int i = 0; i < count; ++i) {
    Request request;
    request.code = 1000 + i;
    request.replyWanted = true;
    Reply reply;
    reply.delayMs = 5;  // a delay the handler asked for stays under the injected one
    plan.Apply(request, &reply);
    replies.push_back(reply);
  }
  return replies;
}

TEST(FaultPlan, DelaysAndDropsAtTheirRatesWithinBounds) {
  FaultPlan plan(FaultRates{4, 100, 10}, 42);
  const std::vector<Reply> replies = ApplyToReplies(plan, 10000);
  int delayed = 0, dropped = 0;
  for (const Reply& r : replies) {
    EXPECT_TRUE(r.send);
    if (r.closeMidPacket) {
      ++dropped;
      EXPECT_EQ(r.delayMs, 5) << "a dropped reply is not also delayed";
    } else if (r.delayMs != 5) {
      ++delayed;
      EXPECT_GE(r.delayMs, 5 + 1);
      EXPECT_LE(r.delayMs, 5 + 100);
    }
  }
  EXPECT_EQ(dropped, plan.Dropped());
  EXPECT_EQ(delayed, plan.Delayed());
  // One in ten dropped, a quarter of the rest delayed; the bounds are wide of the expected
  // 1000 and 2250 so that only a wrong rate fails.
  EXPECT_GT(dropped, 700);
  EXPECT_LT(dropped, 1300);
  EXPECT_GT(delayed, 1800);
  EXPECT_LT(delayed, 2700);

  // The same seed makes the same faults; another seed makes others.
  FaultPlan again(FaultRates{4, 100, 10}, 42);
  FaultPlan other(FaultRates{4, 100, 10}, 43);
  const std::vector<Reply> same = ApplyToReplies(again, 10000);
  const std::vector<Reply> different = ApplyToReplies(other, 10000);
  int sameCount = 0, differentCount = 0;
  for (size_t i = 0; i < replies.size(); ++i) {
    sameCount += same[i].delayMs == replies[i].delayMs && same[i].closeMidPacket == replies[i].closeMidPacket;
    differentCount += different[i].delayMs == replies[i].delayMs && different[i].closeMidPacket == replies[i].closeMidPacket;
  }
  EXPECT_EQ(sameCount, 10000);
  EXPECT_LT(differentCount, 10000);
}

TEST(FaultPlan, LeavesAloneWhatHasNoReplyAndEverythingWhenOff) {
  FaultPlan always(FaultRates{1, 50, 1}, 1);
  Request noReply;
  noReply.replyWanted = false;
  Reply reply;
  always.Apply(noReply, &reply);
  EXPECT_FALSE(reply.closeMidPacket);
  EXPECT_EQ(reply.delayMs, 0);

  Request wanted;
  wanted.replyWanted = true;
  Reply withheld;
  withheld.send = false;  // a reply the server holds back stays held back, not cut
  always.Apply(wanted, &withheld);
  EXPECT_FALSE(withheld.closeMidPacket);
  EXPECT_EQ(always.Dropped(), 0);

  // An in-order reply is never late: it may only be cut off with its connection.
  FaultPlan delayOnly(FaultRates{1, 50, 0}, 1);
  FaultPlan dropOnly(FaultRates{0, 0, 1}, 1);
  Reply inOrder;
  inOrder.inOrder = true;
  delayOnly.Apply(wanted, &inOrder);
  EXPECT_EQ(inOrder.delayMs, 0);
  EXPECT_EQ(delayOnly.Delayed(), 0);
  dropOnly.Apply(wanted, &inOrder);
  EXPECT_TRUE(inOrder.closeMidPacket);

  FaultPlan off(FaultRates{}, 1);
  for (const Reply& r : ApplyToReplies(off, 1000)) {
    EXPECT_FALSE(r.closeMidPacket);
    EXPECT_EQ(r.delayMs, 5);
  }
  EXPECT_EQ(off.Delayed() + off.Dropped(), 0);
}

TEST(FaultPlan, RepeatsOnlyRepeatableNotificationsAtTheirRate) {
  FaultRates rates;
  rates.repeatOneIn = 4;
  FaultPlan plan(rates, 9);
  EXPECT_EQ(plan.CopiesOf(229500), 1) << "nothing is repeatable until the server says so";
  plan.SetRepeatable({229500, 221200});
  int twice = 0;
  for (int i = 0; i < 4000; ++i) {
    const int copies = plan.CopiesOf(i % 2 ? 229500 : 221200);
    ASSERT_TRUE(copies == 1 || copies == 2);
    twice += copies == 2;
  }
  EXPECT_GT(twice, 800);
  EXPECT_LT(twice, 1200);
  EXPECT_EQ(twice, plan.Repeated());
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(plan.CopiesOf(211040), 1) << "a new hand is never sent twice";

  FaultPlan off(FaultRates{}, 9);
  off.SetRepeatable({229500});
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(off.CopiesOf(229500), 1);
}

}  // namespace
