#include <gtest/gtest.h>

#include <string>

#include "framework/LaunchLine.h"

namespace {

uint32_t HallValue(const LaunchLine& f) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(f.hallWindow)); }

TEST(LaunchLine, NineFieldsQuotedOrNot) {
  for (const char* line : {"\"7|127.0.0.1|12|4097|3|1001|5|2|0\"", "7|127.0.0.1|12|4097|3|1001|5|2|0"}) {
    LaunchLine f;
    ASSERT_EQ(LAUNCH_OK, ParseLaunchLine(line, DEFAULT_GAME_PORT, &f)) << line;
    EXPECT_EQ(7, f.gameId);
    EXPECT_STREQ("127.0.0.1", f.serverAddress);
    EXPECT_EQ(12, f.roomId);
    EXPECT_EQ(4097u, HallValue(f));
    EXPECT_EQ(3, f.reserved4);
    EXPECT_EQ(1001, f.userId);
    EXPECT_EQ(5, f.tableNo);
    EXPECT_EQ(2, f.chair);
    EXPECT_EQ(0, f.lookOn);
    EXPECT_EQ(0, f.launchFlag9);
    EXPECT_STREQ("", f.gameName);
    EXPECT_EQ(DEFAULT_GAME_PORT, f.port);
    EXPECT_FALSE(f.hasRoomFlags || f.hasRoomOptions || f.hasRoomValue308);
  }
}

TEST(LaunchLine, RefusedLines) {
  struct Case {
    const char* line;
    LaunchParseResult result;
  } cases[] = {
      {"1|h|2|3|4|5|6|7", LAUNCH_TOO_FEW_FIELDS},
      {"", LAUNCH_TOO_FEW_FIELDS},
      {"\"", LAUNCH_TOO_FEW_FIELDS},
      {"\"\"", LAUNCH_TOO_FEW_FIELDS},
      {"C:\\Games\\pxqd.exe", LAUNCH_TOO_FEW_FIELDS},
      {"1|0123456789012345678901234567890123|2|3|4|5|6|7|8", LAUNCH_BAD_ADDRESS},
  };
  for (const Case& c : cases) {
    LaunchLine f;
    EXPECT_EQ(c.result, ParseLaunchLine(c.line, DEFAULT_GAME_PORT, &f)) << c.line;
    EXPECT_EQ(-1, f.tableNo);
    EXPECT_EQ(-1, f.chair);
  }
  LaunchLine f;
  EXPECT_EQ(LAUNCH_TOO_FEW_FIELDS, ParseLaunchLine(nullptr, DEFAULT_GAME_PORT, &f));
}

TEST(LaunchLine, OptionalFieldsAndPort) {
  struct Case {
    const char* line;
    int port;
    int flag9;
    const char* name;
  } cases[] = {
      {"1|h|2|3|4|5|6|7|8|1|麻将|0", DEFAULT_GAME_PORT, 1, "麻将"},
      {"1|h|2|3|4|5|6|7|8|0||4000", 4000, 0, ""},
      {"1|h|2|3|4|5|6|7|8|x|n|abc", DEFAULT_GAME_PORT, 0, "n"},
  };
  for (const Case& c : cases) {
    LaunchLine f;
    ASSERT_EQ(LAUNCH_OK, ParseLaunchLine(c.line, DEFAULT_GAME_PORT, &f)) << c.line;
    EXPECT_EQ(c.port, f.port) << c.line;
    EXPECT_EQ(c.flag9, f.launchFlag9) << c.line;
    EXPECT_STREQ(c.name, f.gameName) << c.line;
  }
}

TEST(LaunchLine, FortyFieldsUseFifteen) {
  std::string line = "1|h|2|3|4|5|6|7|8|9|name|99|12|13|14";
  for (int i = 15; i < 40; ++i) line += "|" + std::to_string(i);
  LaunchLine f;
  ASSERT_EQ(LAUNCH_OK, ParseLaunchLine(line.c_str(), DEFAULT_GAME_PORT, &f));
  EXPECT_EQ(99, f.port);
  EXPECT_TRUE(f.hasRoomFlags && f.hasRoomOptions && f.hasRoomValue308);
  EXPECT_EQ(12, f.roomFlags);
  EXPECT_EQ(13, f.roomOptions);
  EXPECT_EQ(14, f.roomValue308);
}

TEST(LaunchLine, LongGameNameIsCutOnACharacterBoundary) {
  std::string name(126, 'a');
  name += "麻";  // two bytes at 126 and 127: only the first would fit
  std::string line = "1|h|2|3|4|5|6|7|8|0|" + name;
  LaunchLine f;
  ASSERT_EQ(LAUNCH_OK, ParseLaunchLine(line.c_str(), DEFAULT_GAME_PORT, &f));
  EXPECT_EQ(std::string(126, 'a'), f.gameName);
}

TEST(LaunchLine, RelaunchLineParsesBackToTheSameValues) {
  LaunchLine f;
  ASSERT_EQ(LAUNCH_OK,
            ParseLaunchLine("3|game.example|4|3000000000|9|1001|5|2|1|0|名字|31999|4|64|7", DEFAULT_GAME_PORT, &f));
  f.launchFlag9 = 1;
  f.lookOn = 0;
  std::string line = FormatRelaunchLine(f, 0x44, 0x1000040, 8, 255);
  ASSERT_FALSE(line.empty());
  LaunchLine g;
  ASSERT_EQ(LAUNCH_OK, ParseLaunchLine(line.c_str(), DEFAULT_GAME_PORT, &g));
  EXPECT_EQ(f.gameId, g.gameId);
  EXPECT_STREQ(f.serverAddress, g.serverAddress);
  EXPECT_EQ(3000000000u, HallValue(g));
  EXPECT_EQ(9, g.reserved4);
  EXPECT_EQ(5, g.tableNo);
  EXPECT_EQ(2, g.chair);
  EXPECT_EQ(0, g.lookOn);
  EXPECT_EQ(1, g.launchFlag9);
  EXPECT_STREQ("名字", g.gameName);
  EXPECT_EQ(31999, g.port);
  EXPECT_EQ(0x44, g.roomFlags);
  EXPECT_EQ(0x1000040, g.roomOptions);
  EXPECT_EQ(8, g.roomValue308);

  EXPECT_EQ("", FormatRelaunchLine(f, 0, 0, 0, 20));
  EXPECT_EQ("/a/pxqd x", FormatSelfCommandLine("/a/pxqd", "x", 1023));
  EXPECT_EQ("", FormatSelfCommandLine("/a/pxqd", std::string(1100, 'x').c_str(), 1023));
}

}  // namespace
