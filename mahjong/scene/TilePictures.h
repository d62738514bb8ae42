// Tile ids to their frames in the face strips, to the scene's own suit, value and sort code,
// to the other ids of their code and to the file names of their voices; the small operations
// on the 32-entry id lists the scene passes around.
#pragma once

#include <string>

#define TILE_ID_LIST_SIZE 32
#define FACE_FRAME_BLANK 46

int GetFaceIndex(int tile);
int GetSceneSuit(int tile);
int GetSceneValue(int tile);
// The code the hand is sorted by and the voice file is numbered by. When the game does not let
// the substitute tile stand for itself (substitute flag 0), it takes joker 1's code.
int GetTileSortCode(int tile, int joker1, int substituteFlag, int ruleFlags);
int GetTileVoiceNumber(int tile, int joker1, int substituteFlag, int ruleFlags);
// The four ids of a suited or honour tile's code; -1 in every entry for any other id.
void GetSameCodeIds(int tile, int out[4]);
void GetOtherSameCodeIds(int tile, int out[3]);

void ClearIdList(int ids[TILE_ID_LIST_SIZE]);
void RemoveIdFromList(int ids[TILE_ID_LIST_SIZE], int tile);
int CountIdList(const int ids[TILE_ID_LIST_SIZE]);

// The voice of an action (0 to 13), or the empty text.
const char* GetVoiceName(int action);
// The files played: the side's folder (ending in '\') and the action or the tile's number.
std::string ActionVoiceFile(const std::string& folder, const char* name);
std::string TileVoiceFile(const std::string& folder, int voiceNumber);
