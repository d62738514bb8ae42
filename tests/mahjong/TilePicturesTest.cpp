#include <gtest/gtest.h>

#include <vector>

#include "mahjong/scene/TilePictures.h"

namespace {

TEST(TilePictures, FramesSuitsAndCodes) {
  struct Case {
    int id, frame, suit, value, code;
  } cases[] = {
      {0, 0, 0, 1, 1},      {35, 8, 0, 9, 9},     {36, 9, 1, 1, 11},   {107, 26, 2, 9, 29},
      {108, 27, 3, 1, 31},  {135, 33, 3, 7, 37},  {140, 38, 4, 5, 45}, {143, 41, 4, 8, 48},
      {144, 42, 5, 1, 51},  {150, 46, 5, 7, 57},  {151, 46, 5, 8, 58}, {200, 46, -1, 0, -10},
      {-1, 0, -1, 0, -10},  {152, 0, -1, 0, -10},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.frame, GetFaceIndex(c.id)) << c.id;
    EXPECT_EQ(c.suit, GetSceneSuit(c.id)) << c.id;
    EXPECT_EQ(c.value, GetSceneValue(c.id)) << c.id;
    EXPECT_EQ(c.code, GetTileSortCode(c.id, -1, 1, 0)) << c.id;
  }
  // With the substitute flag 0 the substitute tile (code 37) sorts and speaks as joker 1.
  const int flags = static_cast<int>(0xB004B20B);
  EXPECT_EQ(5, GetTileSortCode(114, 4, 0, flags));
  EXPECT_EQ(37, GetTileSortCode(114, 4, 1, flags));
  EXPECT_EQ(27, GetTileVoiceNumber(78, -1, 1, flags));
}

TEST(TilePictures, SameCodeIdsAndLists) {
  int four[4], three[3];
  GetSameCodeIds(40, four);
  EXPECT_EQ((std::vector<int>{40, 49, 58, 67}), std::vector<int>(four, four + 4));
  GetSameCodeIds(115, four);
  EXPECT_EQ((std::vector<int>{108, 115, 122, 129}), std::vector<int>(four, four + 4));
  GetOtherSameCodeIds(49, three);
  EXPECT_EQ((std::vector<int>{40, 58, 67}), std::vector<int>(three, three + 3));
  // Ids that are no suited or honour tile have no same-code ids.
  GetSameCodeIds(140, four);
  EXPECT_EQ((std::vector<int>{-1, -1, -1, -1}), std::vector<int>(four, four + 4));
  GetOtherSameCodeIds(-1, three);
  EXPECT_EQ((std::vector<int>{-1, -1, -1}), std::vector<int>(three, three + 3));
  int list[TILE_ID_LIST_SIZE];
  ClearIdList(list);
  EXPECT_EQ(0, CountIdList(list));
  list[3] = 7;
  list[9] = 7;
  list[10] = 8;
  EXPECT_EQ(3, CountIdList(list));
  RemoveIdFromList(list, 7);
  EXPECT_EQ(1, CountIdList(list));
}

TEST(TilePictures, VoiceNames) {
  struct Case {
    int action;
    const char* name;
  } cases[] = {{0, "peng0"}, {1, "peng1"}, {2, "gang0"}, {3, "gang1"}, {5, "gang2"}, {6, "gang0"},
               {7, "gang2"}, {9, "chi1"},  {11, "hu1"},  {13, "hua1"}, {14, ""},      {-1, ""}};
  for (const Case& c : cases) EXPECT_STREQ(c.name, GetVoiceName(c.action)) << c.action;
  EXPECT_EQ("sound\\00\\.wav", ActionVoiceFile("sound\\00\\", GetVoiceName(14)));
  EXPECT_EQ("sound\\00\\27.wav", TileVoiceFile("sound\\00\\", 27));
}

}  // namespace
