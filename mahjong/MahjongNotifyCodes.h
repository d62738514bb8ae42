// Codes of the mahjong notifications, and the length each body must have before any handler
// reads it: a shorter body is refused and logged in one place, and the table keeps its state.
#pragma once

#include <cstddef>

#define NTF_PLAYER_STARTED 201160
#define NTF_TABLE_CLOSED 211000
#define NTF_NEW_HAND 211040
#define NTF_HAND_RESULT 211080
#define NTF_WAIT_FOR_TABLE 211300
#define NTF_ADVERT_URL 211400
#define NTF_SEE_HAND_REQUEST 221050
#define NTF_HAND_SHOWN 221160
#define NTF_TILE_DISCARDED 221170
#define NTF_HAND_REFRESH 221200
#define NTF_TILE_DRAWN 229160
#define NTF_TIME_UP 229165
#define NTF_PENG_ANNOUNCED 229170
#define NTF_CHI_ANNOUNCED 229175
#define NTF_GANG_ANNOUNCED 229180
#define NTF_PENG_MELD 229185
#define NTF_CHI_MELD 229190
#define NTF_GANG_EXPOSED 229195
#define NTF_GANG_CONCEALED 229197
#define NTF_GANG_ADDED 229199
#define NTF_FLOWER_REPLACED 229210
#define NTF_CONNECTION_BROKEN 229405
#define NTF_PLAYER_BACK_OR_LEFT 229500

// True when a body of this code is long enough for every field its handlers read. Codes of
// variable length (the hand refresh's id list, the hand result's seat entries) are measured
// against what the body itself announces. Codes this layer does not read pass.
bool IsNotifyBodyLongEnough(int code, const void* body, size_t length);
// The fixed minimum of a code, 0 for codes without one.
size_t MinimumNotifyLength(int code);
