// A scripted wall: the text form read into ids, and a table given the arranged wall deals each
// chair its scripted tiles and gives the scripted head and tail draws and indicator.
#include <gtest/gtest.h>

#include <algorithm>

#include "testbed/table/WallScript.h"
#include "tests/testbed/TableFixture.h"

namespace testbed {
namespace {

std::vector<int> Sorted(std::vector<int> v) {
  std::sort(v.begin(), v.end());
  return v;
}

class WallScriptTest : public TableFixture {};

TEST_F(WallScriptTest, TheTablePlaysTheScriptedTiles) {
  // Codes take the lowest id not named anywhere: c1 skips id 0, which hand 1 names.
  const std::string text =
      "# a hand with a tail draw\n"
      "break 72\n"
      "dice 1 2 3 4\n"
      "hand 0 c1 c1 c2 c3 c4 c5 c6 c7 c8 c9 c31 c31 c31 c32\n"
      "hand 1 0 1 2 3 4 5 6 7 8 c11 c11 c11 c12\n"
      "hand 3 c21 c21 c21\n"
      "head c33 c34\n"
      "tail c36\n"
      "indicator c37\n"
      "play 3 discard c34.1\n"
      "play 2 peng c34 c33 108\n";
  WallScript script;
  std::string error;
  ASSERT_TRUE(ParseWallScript(text, &script, &error)) << error;
  EXPECT_EQ(script.breakPosition, 72);
  ASSERT_TRUE(script.dice.has_value());
  EXPECT_EQ((*script.dice)[3], 4);
  EXPECT_EQ(script.hands[0][0], 9) << "the first free id of code 1";
  EXPECT_EQ(script.hands[0][1], 18);
  EXPECT_EQ(script.hands[0][10], 108);
  EXPECT_EQ(script.hands[0][12], 122);
  EXPECT_EQ(script.indicator, 114);
  // c34 is the head's second tile; c33 the head's first; a plain id stands as it is.
  ASSERT_EQ(script.plays[3].size(), 1u);
  EXPECT_EQ(script.plays[3][0].kind, BotAction::DISCARD);
  EXPECT_EQ(script.plays[3][0].tile, 111);
  ASSERT_EQ(script.plays[2].size(), 1u);
  EXPECT_EQ(script.plays[2][0].kind, BotAction::PENG);
  EXPECT_EQ(script.plays[2][0].tile, 111);
  EXPECT_EQ(script.plays[2][0].tiles, (std::array<int, 3>{110, 108, -1}));
  EXPECT_TRUE(script.plays[0].empty());
  EXPECT_NE(ScriptedBrains(script)(3), nullptr);
  EXPECT_EQ(ScriptedBrains(script)(1), nullptr) << "a chair without moves plays as it likes";

  std::vector<int> wall;
  ASSERT_TRUE(ArrangeWall(script, &wall, &error)) << error;
  ASSERT_EQ(Sorted(wall), TileSet::HandTiles(false));
  EXPECT_EQ(wall[70], 114) << "the indicator's place is two before the break";

  Start(wall);
  EXPECT_EQ(Sorted(m_table->Hand(0)), Sorted(script.hands[0]));
  EXPECT_EQ(Sorted(m_table->Hand(1)), Sorted(script.hands[1]));
  for (int id : script.hands[3]) EXPECT_NE(std::count(m_table->Hand(3).begin(), m_table->Hand(3).end(), id), 0);
  // The banker lets go of an east wind; chair 3 (next) draws the first scripted head tile.
  ASSERT_EQ(Discard(0, 108), RESULT_SUCCESS);
  ASSERT_EQ(Pass(1, 0, 108), RESULT_SUCCESS);
  ASSERT_EQ(Draw(3), RESULT_SUCCESS);
  EXPECT_EQ(m_table->Hand(3).back(), script.head[0]);
  EXPECT_EQ(script.tail[0], 113) << "c36's lowest id";
  EXPECT_EQ(m_table->CurrentWall().Tiles()[71], 113) << "the first tail place is just before the break";
}

TEST(WallScript, RefusesWhatDoesNotFit) {
  const struct {
    const char* text;
    const char* error;
  } cases[] = {
      {"break 41\n", "even"},
      {"hand 1 0 0\n", "twice"},
      {"hand 1 5\nhead 5\n", "twice"},
      {"hand 4 1\n", "chair"},
      {"hand 2 c1 c1 c1 c1 c1\n", "four tiles"},
      {"hand 2 c10\n", "code"},
      {"dice 1 2 7 1\n", "dice"},
      {"indicator 3 4\n", "one tile"},
      {"hand 1 0 1 2 3 4 5 6 7 8 9 10 11 12 13\n", "13 tiles"},
      {"wall 1\n", "unknown"},
      {"head 136\n", "0-135"},
      {"indicator 1\nindicator 2\n", "one indicator"},
      {"play 4 pass\n", "chair"},
      {"play 1 fly\n", "unknown move"},
      {"hand 1 c5\nplay 1 discard c5.2\n", "hand out"},
      {"play 1 peng 1 2\n", "3 tiles"},
  };
  for (const auto& c : cases) {
    WallScript script;
    std::vector<int> wall;
    std::string error;
    const bool ok = ParseWallScript(c.text, &script, &error) && ArrangeWall(script, &wall, &error);
    EXPECT_FALSE(ok) << c.text;
    EXPECT_NE(error.find(c.error), std::string::npos) << c.text << " gave: " << error;
  }
}

}  // namespace
}  // namespace testbed
