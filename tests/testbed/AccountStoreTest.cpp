// The accounts database: creation, one transaction per change, the movement log, and a file that
// outlives the store that wrote it.
#include <gtest/gtest.h>

#include "testbed/server/AccountStore.h"
#include "tests/support/TempDir.h"

namespace {

using testbed::Account;
using testbed::AccountStore;
using testbed::Movement;
using testbed::MovementEntry;

TEST(AccountStore, EnsureCreatesOnceAndKeepsTheBalance) {
  AccountStore store;
  ASSERT_TRUE(store.Open(":memory:", nullptr));
  Account a;
  ASSERT_TRUE(store.Ensure(7, "张三", 5000, &a));
  EXPECT_EQ(5000, a.silver);
  EXPECT_EQ("张三", a.name);
  ASSERT_TRUE(store.Update({7}, [](std::vector<Account>& accounts, std::vector<MovementEntry>&) {
    accounts[0].silver = 100;
    return true;
  }));
  // A second entry keeps what the account holds; an empty name keeps the stored one.
  ASSERT_TRUE(store.Ensure(7, "", 5000, &a));
  EXPECT_EQ(100, a.silver);
  EXPECT_EQ("张三", a.name);
  EXPECT_FALSE(store.Find(8, &a));
}

TEST(AccountStore, AChangeThatFailsLeavesEveryAccountAsItWas) {
  AccountStore store;
  ASSERT_TRUE(store.Open(":memory:", nullptr));
  ASSERT_TRUE(store.Ensure(1, "a", 1000, nullptr));
  ASSERT_TRUE(store.Ensure(2, "b", 1000, nullptr));
  // The change edits both and then refuses: neither edit is kept, nor its log entry.
  EXPECT_FALSE(store.Update({1, 2}, [](std::vector<Account>& a, std::vector<MovementEntry>& log) {
    a[0].silver -= 500;
    a[1].silver += 500;
    log.push_back({1, Movement::SETTLEMENT, -500, 10});
    return false;
  }));
  // An account that does not exist fails the whole change before it runs.
  bool ran = false;
  EXPECT_FALSE(store.Update({1, 99}, [&](std::vector<Account>&, std::vector<MovementEntry>&) {
    ran = true;
    return true;
  }));
  EXPECT_FALSE(ran);
  Account a;
  ASSERT_TRUE(store.Find(1, &a));
  EXPECT_EQ(1000, a.silver);
  ASSERT_TRUE(store.Find(2, &a));
  EXPECT_EQ(1000, a.silver);
  EXPECT_EQ(0, store.CountMovements(1, Movement::SETTLEMENT, 0));
}

TEST(AccountStore, MovementsAreSummedByUserKindAndTime) {
  AccountStore store;
  ASSERT_TRUE(store.Open(":memory:", nullptr));
  ASSERT_TRUE(store.Ensure(1, "a", 0, nullptr));
  ASSERT_TRUE(store.Update({1}, [](std::vector<Account>&, std::vector<MovementEntry>& log) {
    log.push_back({1, Movement::WITHDRAW, 100, 1000});
    log.push_back({1, Movement::WITHDRAW, 200, 2000});
    log.push_back({1, Movement::DEPOSIT, 400, 2000});
    log.push_back({2, Movement::WITHDRAW, 800, 2000});
    return true;
  }));
  EXPECT_EQ(300, store.SumMovements(1, Movement::WITHDRAW, 0));
  EXPECT_EQ(200, store.SumMovements(1, Movement::WITHDRAW, 1500));
  EXPECT_EQ(1, store.CountMovements(1, Movement::DEPOSIT, 0));
  EXPECT_EQ(0, store.SumMovements(1, Movement::ALLOWANCE, 0));
}

TEST(AccountStore, TheFileOutlivesItsStore) {
  testsupport::TempDir dir;
  std::string path = dir.File("accounts.db");
  {
    AccountStore store;
    ASSERT_TRUE(store.Open(path, nullptr));
    ASSERT_TRUE(store.Ensure(7, "x", 1000, nullptr));
    ASSERT_TRUE(store.Update({7}, [](std::vector<Account>& a, std::vector<MovementEntry>&) {
      a[0].bank = 250;
      a[0].protectPassword = "1234";
      return true;
    }));
  }
  AccountStore again;
  ASSERT_TRUE(again.Open(path, nullptr));
  Account a;
  ASSERT_TRUE(again.Find(7, &a));
  EXPECT_EQ(1000, a.silver);
  EXPECT_EQ(250, a.bank);
  EXPECT_EQ("1234", a.protectPassword);
}

TEST(AccountStore, AFileThatIsNoDatabaseIsRefusedWithAText) {
  testsupport::TempDir dir;
  std::string path = dir.Write("accounts.db", std::string(4096, 'z'));
  AccountStore store;
  std::string error;
  EXPECT_FALSE(store.Open(path, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(store.IsOpen());
  EXPECT_FALSE(store.Open(dir.File("missing/folder/accounts.db"), &error));
}

}  // namespace
