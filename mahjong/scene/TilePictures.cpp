#include "mahjong/scene/TilePictures.h"

#include "mahjong/TileRules.h"

int GetFaceIndex(int tile) {
  if (tile >= 0 && tile < 36) return tile % 9;
  if (tile >= 36 && tile < 72) return tile % 9 + 9;
  if (tile >= 72 && tile < 108) return tile % 9 + 18;
  if (tile >= 108 && tile < 136) return (tile - 108) % 7 + 27;
  if (tile >= 136 && tile < 144) return (tile - 136) % 8 + 34;
  if (tile >= 144 && tile < 148) return (tile - 144) % 4 + 42;
  if ((tile >= 148 && tile < 152) || tile == MJ_TILE_HIDDEN) return FACE_FRAME_BLANK;
  return 0;
}

int GetSceneSuit(int tile) {
  if (tile < 0) return -1;
  if (tile < 108) return tile / 36;
  if (tile < 136) return 3;
  if (tile < 144) return 4;
  if (tile < 152) return 5;
  return -1;
}

int GetSceneValue(int tile) {
  if (tile < 0) return 0;
  if (tile < 108) return tile % 9 + 1;
  if (tile < 136) return (tile - 108) % 7 + 1;
  if (tile < 144) return (tile - 136) % 8 + 1;
  if (tile < 152) return (tile - 144) % 8 + 1;
  return 0;
}

int GetTileSortCode(int tile, int joker1, int substituteFlag, int ruleFlags) {
  if (substituteFlag == 0 && joker1 >= 0 && IsJokerSubstitute(tile, joker1, -1, ruleFlags))
    return GetSceneSuit(joker1) * 10 + GetSceneValue(joker1);
  return GetSceneSuit(tile) * 10 + GetSceneValue(tile);
}

int GetTileVoiceNumber(int tile, int joker1, int substituteFlag, int ruleFlags) {
  return GetTileSortCode(tile, joker1, substituteFlag, ruleFlags);
}

void GetSameCodeIds(int tile, int out[4]) {
  const int suit = GetSceneSuit(tile);
  if (suit < 0 || suit > 3) {
    for (int i = 0; i < 4; ++i) out[i] = -1;
    return;
  }
  const int base = suit * 36 + GetSceneValue(tile) - 1;
  const int step = suit == 3 ? 7 : 9;
  for (int i = 0; i < 4; ++i) out[i] = base + step * i;
}

void GetOtherSameCodeIds(int tile, int out[3]) {
  int all[4];
  GetSameCodeIds(tile, all);
  int n = 0;
  for (int i = 0; i < 4 && n < 3; ++i)
    if (all[i] != tile) out[n++] = all[i];
  while (n < 3) out[n++] = -1;
}

void ClearIdList(int ids[TILE_ID_LIST_SIZE]) {
  for (int i = 0; i < TILE_ID_LIST_SIZE; ++i) ids[i] = -1;
}

void RemoveIdFromList(int ids[TILE_ID_LIST_SIZE], int tile) {
  for (int i = 0; i < TILE_ID_LIST_SIZE; ++i)
    if (ids[i] == tile) ids[i] = -1;
}

int CountIdList(const int ids[TILE_ID_LIST_SIZE]) {
  int n = 0;
  for (int i = 0; i < TILE_ID_LIST_SIZE; ++i) n += ids[i] != -1 ? 1 : 0;
  return n;
}

const char* GetVoiceName(int action) {
  static const char* const names[] = {"peng0", "peng1", "gang0", "gang1", "gang0", "gang2", "gang0",
                                      "gang2", "chi0",  "chi1",  "hu0",   "hu1",   "hua0",  "hua1"};
  return (action >= 0 && action <= 13) ? names[action] : "";
}

std::string ActionVoiceFile(const std::string& folder, const char* name) {
  return folder + (name ? name : "") + ".wav";
}

std::string TileVoiceFile(const std::string& folder, int voiceNumber) {
  return folder + std::to_string(voiceNumber) + ".wav";
}
