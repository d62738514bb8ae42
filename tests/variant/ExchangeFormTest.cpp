#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "framework/BodyReader.h"
#include "framework/BodyWriter.h"
#include "variant/ExchangeForm.h"

namespace {

TEST(ExchangeForm, PhoneNumberRule) {
  struct Case {
    const char* text;
    bool valid;
  } cases[] = {
      {"1380013800", false},          // ten digits
      {"13800138000", true},          // eleven
      {"138001380001234", true},      // fifteen, the most the field holds
      {"1380013800012345", false},    // sixteen would lose its terminator
      {"13800138000123456789", false},  // twenty would be cut short
      {"138 0013 8000", false},
      {"138-0013-80000", false},
      {"1380013800\xa3\xb1", false},  // a full-width digit is not a digit
      {"", false},
      {nullptr, false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsValidPhoneNumber(c.text), c.valid) << (c.text ? c.text : "(null)");
}

TEST(ExchangeForm, PrizeIndexBounds) {
  EXPECT_FALSE(IsValidPrizeIndex(-1));
  EXPECT_TRUE(IsValidPrizeIndex(0));
  EXPECT_TRUE(IsValidPrizeIndex(17));
  EXPECT_FALSE(IsValidPrizeIndex(18));
}

TEST(ExchangeForm, BodyLayout) {
  RequestContext c;
  c.userId = 1001;
  c.roomId = 7;
  c.tableNo = 12;
  c.chair = 3;
  ExchangeContact contact;
  contact.playerName = "alice";
  contact.phone = "13800138000";
  contact.second = "Zhang";
  contact.third = "Road 5";
  RequestBody body = MakeExchangeForm(c, 4, contact);
  ASSERT_EQ(body.size(), 144u);
  CBodyReader r(body.data(), body.size());
  EXPECT_EQ(r.Int(0), 1001);
  EXPECT_EQ(r.Int(4), 7);
  EXPECT_EQ(r.Int(8), 12);
  EXPECT_EQ(r.Int(12), 3);
  EXPECT_EQ(r.Int(16), 4);
  EXPECT_STREQ(reinterpret_cast<const char*>(&body[20]), "alice");
  EXPECT_STREQ(reinterpret_cast<const char*>(&body[52]), "Zhang");
  EXPECT_EQ(r.Int(68), 0);
  EXPECT_STREQ(reinterpret_cast<const char*>(&body[72]), "13800138000");
  EXPECT_EQ(r.Int(88), 0);
  EXPECT_STREQ(reinterpret_cast<const char*>(&body[92]), "Road 5");
  for (size_t i = 138; i < 144; ++i) EXPECT_EQ(body[i], 0) << i;
}

// Long texts stay inside their fields with a terminator, and a two-byte character that would
// straddle the end of a field is left out whole.
TEST(ExchangeForm, LongTextsCutOnCharacterBoundaries) {
  std::string second = "a";
  for (int i = 0; i < 10; ++i) second += "\xd6\xd0";  // 1 + 20 bytes
  std::string third;
  for (int i = 0; i < 30; ++i) third += "\xb5\xd8";  // 60 bytes
  ExchangeContact contact;
  contact.playerName = "bob";
  contact.phone = "13800138000";
  contact.second = second.c_str();
  contact.third = third.c_str();
  RequestBody body = MakeExchangeForm(RequestContext{}, 0, contact);
  // 16-byte field: "a" and seven characters (15 bytes), then the terminator.
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&body[52])), second.substr(0, 15));
  EXPECT_EQ(body[67], 0);
  // 46-byte field: 22 characters (44 bytes); the 23rd would leave no room for the terminator.
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&body[92])), third.substr(0, 44));
  EXPECT_EQ(body[136], 0);
  EXPECT_EQ(body[137], 0);
  EXPECT_STREQ(reinterpret_cast<const char*>(&body[72]), "13800138000");
}

}  // namespace

namespace {

TEST(PrizePage, RequestAndBoundedReading) {
  RequestContext c;
  c.userId = 8;
  RequestBody request = MakePrizePageRequest(c);
  ASSERT_EQ(request.size(), 304u);
  CBodyReader r(request.data(), request.size());
  EXPECT_EQ(r.Int(0), 8);
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(r.Int(160 + 4 * i), -1);
  EXPECT_EQ(r.Int(176), 0);

  CBodyWriter page(304);
  page.Int(0, 8);
  page.Int(88 + 4 * 17, 1);
  page.Int(160, 5);
  page.Int(164, 18);  // names no prize
  page.Int(168, -1);
  page.Int(172, 0);
  page.Text(176, 32, "carol");
  std::string last(32, 'z');  // fills the page to its very end, no terminator
  page.Bytes(272, last.data(), last.size());
  std::optional<PrizePage> p = ReadPrizePage(page.Data().data(), page.Size());
  ASSERT_TRUE(p.has_value());
  EXPECT_EQ(p->userId, 8);
  EXPECT_TRUE(p->unavailable[17]);
  EXPECT_FALSE(p->unavailable[0]);
  EXPECT_EQ(p->latest[0].prizeIndex, 5);
  EXPECT_EQ(p->latest[0].playerName, "carol");
  EXPECT_EQ(p->latest[1].prizeIndex, -1);
  EXPECT_EQ(p->latest[3].prizeIndex, 0);
  EXPECT_EQ(p->latest[3].playerName, std::string(31, 'z'));
  EXPECT_FALSE(ReadPrizePage(page.Data().data(), 303).has_value());
}

}  // namespace
