#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "variant/VariantNotices.h"

namespace {

CSeatLayout Seats(int ownChair) {
  CSeatLayout seats;
  seats.SetPlayerCount(4);
  seats.SetOwnChair(ownChair);
  return seats;
}

std::vector<uint8_t> NoticeBody(int chair, int kind) {
  std::vector<uint8_t> body(40, 0);
  int32_t words[2] = {chair, kind};
  std::memcpy(body.data() + 12, words, sizeof words);
  return body;
}

TEST(VariantNotices, GangVoiceByKind) {
  EXPECT_STREQ("gang2", GangAnnouncedVoice(1));
  EXPECT_STREQ("gang2", GangAnnouncedVoice(2));
  EXPECT_STREQ("gang1", GangAnnouncedVoice(3));
  EXPECT_STREQ("gang1", GangAnnouncedVoice(0));
}

TEST(VariantNotices, PlayerBackAndDroppedMarkTheChair) {
  struct Case {
    int chair, kind;
    const char* text;  // empty: no line
    int absentAfter;
  } cases[] = {
      {2, PLAYER_DROPPED, "张三断线了!", 1}, {2, PLAYER_BACK, "张三重新回到了游戏!", 0},
      {2, 3, "", 7},  {2, 4, "", 7},  {2, 5, "", 7},  {9, PLAYER_DROPPED, "", 7}, {-1, PLAYER_BACK, "", 7},
  };
  const CSeatLayout seats = Seats(0);
  for (const Case& c : cases) {
    int absent[4] = {7, 7, 7, 7};
    PlayerNotice notice;
    std::vector<uint8_t> body = NoticeBody(c.chair, c.kind);
    ASSERT_TRUE(ReadPlayerNotice(body.data(), body.size(), &notice));
    std::string line = ApplyPlayerNotice(notice, seats, "张三", absent);
    if (*c.text)
      EXPECT_NE(std::string::npos, line.find(c.text)) << c.kind;
    else
      EXPECT_EQ("", line) << c.chair << "/" << c.kind;
    if (c.chair == 2) EXPECT_EQ(c.absentAfter, absent[2]) << c.kind;
    EXPECT_EQ(7, absent[0]);
  }
  PlayerNotice notice;
  EXPECT_FALSE(ReadPlayerNotice(NoticeBody(0, 1).data(), 19, &notice));
}

std::string ChairName(int chair, void*) { return "P" + std::to_string(chair); }

TEST(VariantNotices, FollowBankerPaysThreeStakes) {
  const CSeatLayout seats = Seats(1);
  std::string line = FollowBankerLine(seats, 0, 10, ChairName, nullptr);
  const std::vector<std::string> parts = {"P0<c=4953725>被跟庄", "P0<c=4953725>: -30两", "P3<c=4953725>: 10两",
                                          "P2<c=4953725>: 10两", "P1<c=4953725>: 10两"};
  size_t at = 0;
  for (const std::string& p : parts) {
    size_t found = line.find(p, at);
    ASSERT_NE(std::string::npos, found) << p;
    at = found + p.size();
  }
  EXPECT_NE(std::string::npos, FollowBankerLine(seats, 0, 2000000000, ChairName, nullptr).find("-6000000000"));
  EXPECT_EQ("", FollowBankerLine(seats, 5, 10, ChairName, nullptr));
}

TEST(VariantNotices, TurnHolderIsTheChairTheClockPointsAt) {
  const CSeatLayout seats = Seats(1);
  EXPECT_EQ(1, TurnHolderChair(seats, 6));
  EXPECT_EQ(2, TurnHolderChair(seats, 0));
  EXPECT_EQ(3, TurnHolderChair(seats, 2));
  EXPECT_EQ(0, TurnHolderChair(seats, 4));
  EXPECT_EQ(-1, TurnHolderChair(seats, 5));
  EXPECT_EQ(-1, TurnHolderChair(seats, 8));
}

}  // namespace
