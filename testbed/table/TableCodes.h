// Request, notification and result codes of the mahjong table, and the claim-word bits.
#pragma once

// The framework's codes (ready, the game data, success) are the framework server's own.
#include "testbed/server/ProtocolCodes.h"

namespace testbed {

// Requests from the clients.
constexpr int REQ_GET_GAME_DATA = 201140;
constexpr int REQ_SEE_HAND = 221050;
constexpr int REQ_SEE_HAND_PERMISSION = 221052;
constexpr int REQ_DISCARD = 221080;
constexpr int REQ_DRAW = 229000;
constexpr int REQ_PASS = 229005;
constexpr int REQ_PENG_CLAIM = 229010;
constexpr int REQ_GANG_CLAIM = 229015;
constexpr int REQ_CHI_CLAIM = 229020;
constexpr int REQ_PENG_MELD = 229025;
constexpr int REQ_CHI_MELD = 229030;
constexpr int REQ_GANG_EXPOSED = 229045;
constexpr int REQ_GANG_CONCEALED = 229047;
constexpr int REQ_GANG_ADDED = 229049;
constexpr int REQ_FLOWER_REPLACE = 229060;
constexpr int REQ_HU = 229080;
constexpr int REQ_TURN_STALLED = 229405;
constexpr int REQ_RETURN_TO_GAME = 229500;
constexpr int REQ_C229505 = 229505;
constexpr int REQ_AUTO_READY = 229610;

// Notifications to the clients.
constexpr int NTF_PLAYER_STARTED = 201160;
constexpr int NTF_NEW_HAND = 211040;
constexpr int NTF_HAND_RESULT = 211080;
constexpr int NTF_SEE_HAND_REQUEST = 221050;
constexpr int NTF_HAND_SHOWN = 221160;
constexpr int NTF_TILE_DISCARDED = 221170;
constexpr int NTF_HAND_REFRESH = 221200;
constexpr int NTF_TILE_DRAWN = 229160;
constexpr int NTF_TIME_UP = 229165;
constexpr int NTF_PENG_ANNOUNCED = 229170;
constexpr int NTF_CHI_ANNOUNCED = 229175;
constexpr int NTF_GANG_ANNOUNCED = 229180;
constexpr int NTF_PENG_MELD = 229185;
constexpr int NTF_CHI_MELD = 229190;
constexpr int NTF_GANG_EXPOSED = 229195;
constexpr int NTF_GANG_CONCEALED = 229197;
constexpr int NTF_GANG_ADDED = 229199;
constexpr int NTF_FLOWER_REPLACED = 229210;
constexpr int NTF_PLAYER_BACK_OR_LEFT = 229500;

// Reply codes. Every refusal of a game request uses RESULT_REFUSED: the client treats any code
// other than success and "held" as "nothing happened", and it never starts a resync for it.
constexpr int RESULT_CLAIM_HELD = 210050;
constexpr int RESULT_NO_TILE = 229101;
constexpr int RESULT_REFUSED = 229450;

// Claim words of 221170 and 229180.
constexpr int MJOP_PENG = 0x1;
constexpr int MJOP_GANG = 0x2;
constexpr int MJOP_CHI = 0x4;
constexpr int MJOP_HU = 0x8;
constexpr int MJOP_PASS = 0x20;

// Kinds of the gang-claim request and of the hu request.
constexpr int GANG_CLAIM_EXPOSED = 1;
constexpr int GANG_CLAIM_ADDED = 2;
constexpr int GANG_CLAIM_CONCEALED = 4;
constexpr int HU_ON_DISCARD = 1;
constexpr int HU_SELF_DRAWN = 2;
constexpr int HU_ROBBING = 4;
// Kinds of the gang announcement 229180.
constexpr int GANG_NOTE_EXPOSED = 1;
constexpr int GANG_NOTE_ADDED = 2;
constexpr int GANG_NOTE_CONCEALED = 3;
// Kinds of 229500.
constexpr int BACK_IN_GAME = 1;
constexpr int LEFT_GAME = 2;

}  // namespace testbed
