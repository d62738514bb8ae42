// The protection answer: password digits in groups of at most four, plus the challenge's halves.
#include <gtest/gtest.h>

#include "testbed/server/ProtectionAnswer.h"

namespace {

TEST(ProtectionAnswer, GroupsAndChallengeHalves) {
  struct Case {
    const char* digits;
    int32_t challenge;
    int32_t answer;
  } cases[] = {
      {"", 12345678, 1234 + 5678},                              // no password: the halves alone
      {"7", 0, 7},
      {"1234", 0, 1234},                                        // exactly four digits: one group
      {"12345", 0, 1234 + 5},                                   // five to eight digits: two groups
      {"12345678", 0, 1234 + 5678},
      {"123456789", 0, 1234 + 5678 + 9},
      {"1234567890123", 0, 1234 + 5678 + 9012 + 3},             // thirteen: the last group holds one
      {"1111222233334444", 0, 1111 + 2222 + 3333 + 4444},       // sixteen: four full groups
      {"0001", 99999999, 1 + 9999 + 9999},                      // leading zeros count as a number
      {"9999999999999999", 99999999, 4 * 9999 + 2 * 9999},      // the largest answer
      {"42", 1000, 42 + 0 + 1000},                              // a short challenge: halves 0 and 1000
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.digits);
    EXPECT_EQ(c.answer, testbed::ProtectionAnswer(c.digits, c.challenge));
  }
}

TEST(ProtectionAnswer, PasswordsAreOneToSixteenDigits) {
  EXPECT_TRUE(testbed::IsProtectionPassword("0"));
  EXPECT_TRUE(testbed::IsProtectionPassword("1234567890123456"));
  EXPECT_FALSE(testbed::IsProtectionPassword(""));
  EXPECT_FALSE(testbed::IsProtectionPassword("12345678901234567"));
  EXPECT_FALSE(testbed::IsProtectionPassword("12a4"));
  EXPECT_FALSE(testbed::IsProtectionPassword("-123"));
}

}  // namespace
