// The table's list of its own recent notices.
#include <gtest/gtest.h>

#include <vector>

#include "variant/LocalNotices.h"

namespace {

TEST(LocalNotices, KeptCodesAreNumberedNewestFirstAndBodiesCutAt64Bytes) {
  CLocalNotices notices;
  std::vector<uint8_t> longBody(100), shortBody(3, 7);
  for (size_t i = 0; i < longBody.size(); ++i) longBody[i] = static_cast<uint8_t>(i);
  EXPECT_TRUE(notices.Post(229185, longBody.data(), longBody.size()));
  EXPECT_FALSE(notices.Post(229186, longBody.data(), longBody.size()));
  EXPECT_TRUE(notices.Post(221170, shortBody.data(), shortBody.size()));
  EXPECT_TRUE(notices.Post(229199, nullptr, 10));
  ASSERT_EQ(3u, notices.Records().size());
  EXPECT_EQ(229199, notices.Records()[0].code);
  EXPECT_EQ(3, notices.Records()[0].number);
  EXPECT_EQ(221170, notices.Records()[1].code);
  EXPECT_EQ(7, notices.Records()[1].body[2]);
  EXPECT_EQ(0, notices.Records()[1].body[3]);
  EXPECT_EQ(63, notices.Records()[2].body[63]);
  notices.ResetCounter();
  EXPECT_TRUE(notices.Post(229080, nullptr, 0));
  EXPECT_EQ(1, notices.Records()[0].number);
}

TEST(LocalNotices, TheListStaysBounded) {
  CLocalNotices notices;
  for (size_t i = 0; i < CLocalNotices::LIMIT + 10; ++i) notices.Post(229190, nullptr, 0);
  EXPECT_EQ(CLocalNotices::LIMIT, notices.Records().size());
  EXPECT_EQ(static_cast<int>(CLocalNotices::LIMIT + 10), notices.Records().front().number);
  EXPECT_EQ(11, notices.Records().back().number);
}

}  // namespace
