// The bodies of the mahjong requests to the game server, byte by byte, and the meld record
// that the claim and meld requests share with the meld notifications. Every integer is 32-bit
// little-endian and every byte not named is zero.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "framework/RequestBodies.h"

#define REQ_SEE_HAND 221050
#define REQ_SEE_HAND_PERMISSION 221052
#define REQ_DISCARD 221080
#define REQ_DRAW 229000
#define REQ_PASS 229005
#define REQ_PENG_CLAIM 229010
#define REQ_GANG_CLAIM 229015
#define REQ_CHI_CLAIM 229020
#define REQ_PENG_MELD 229025
#define REQ_CHI_MELD 229030
#define REQ_GANG_EXPOSED 229045
#define REQ_GANG_CONCEALED 229047
#define REQ_GANG_ADDED 229049
#define REQ_FLOWER_REPLACE 229060
#define REQ_HU 229080
#define REQ_TURN_STALLED 229405
#define REQ_AUTO_READY 229610
#define AUTO_READY_BODY_SIZE 16
#define REQ_RETURN_TO_GAME 229500
#define REQ_C229505 229505

// Result codes of the game requests beside the framework's.
#define RESULT_CLAIM_HELD 210050
#define RESULT_NO_TILE 229101
#define RESULT_REQUEST_FAILED 10100
#define RESULT_DISCARD_REFUSED 229450

#define GANG_CLAIM_EXPOSED 1
#define GANG_CLAIM_ADDED 2
#define GANG_CLAIM_CONCEALED 4
#define HU_ON_DISCARD 1
#define HU_SELF_DRAWN 2
#define HU_ROBBING 4

#define SEE_HAND_BODY_SIZE 32
#define PERMISSION_BODY_SIZE 40
#define PASS_BODY_SIZE 40
#define HU_BODY_SIZE 48
#define MELD_BODY_SIZE 64
#define DRAW_BODY_SIZE 96
#define DISCARD_BODY_SIZE 104
#define DISCARD_MAX_TILES 64
#define FLOWER_BODY_SIZE 44
#define RETURN_BODY_SIZE 32
#define DRAW_RECORD_SIZE 32
#define GANG_CLAIM_REPLY_SIZE 48
#define GANG_ACTION_REPLY_SIZE 32

// The 64-byte meld record: the claim and meld requests and the meld notifications. In a
// notification +12 is the acting chair; in a request it is the own chair.
struct MeldRecord {
  int userId = 0;
  int roomId = 0;
  int table = 0;
  int actor = 0;                             // +12
  int otherChair = 0;                        // +16: the giver, or the offer's chair in a request
  std::array<int, 4> tiles{-1, -1, -1, -1};  // +20 the claimed (or added) tile, +24, +28, +32
  int kind = 0;                              // +36: the gang-claim kind (requests only)
  int replacement = 0;                       // +40: gang notifications
  int replacementWall = 0;                   // +44

  RequestBody Write() const;
  // Null when the body is shorter than the words the notifications carry (48 bytes).
  static std::optional<MeldRecord> Read(const void* body, size_t length);
};
#define MELD_NOTE_MIN_SIZE 48

// The 32-byte draw record: the reply of a draw, a flower replacement or a gang action, and the
// body of the draw notification.
struct DrawRecord {
  int chair = 0;
  int tile = -1;
  int wallIndex = -1;
  int flags = 0;
  static std::optional<DrawRecord> Read(const void* body, size_t length);
};
#define DRAW_NOTE_MIN_SIZE 12
#define DRAW_FLAG_MAY_WIN 0x8

RequestBody MakeSeeHandBody(const RequestContext& c);
RequestBody MakeSeeHandPermissionBody(const RequestContext& c, int watcherUserId, int allow);
RequestBody MakePassBody(const RequestContext& c, int offerChair, int tile);
RequestBody MakeHuBody(const RequestContext& c, int chair, int tile, int kind, int robbedKind);
// Claims and melds: the offer's chair and tile and up to three hand tiles; the peng and chi
// bodies carry -1 as their fourth tile.
RequestBody MakeMeldBody(const RequestContext& c, int chair, int tile, int t1, int t2, int t3, int kind);
// The own discard (forOther 0, the own seat, one tile) or the discard sent for the seat in turn
// (forOther 1, that seat's user id and chair, no tile). More than DISCARD_MAX_TILES ids are cut.
RequestBody MakeDiscardBody(const RequestContext& c, int seatUserId, int seatChair, bool forOther,
                            const int* tiles, int count);
RequestBody MakeDrawBody(const RequestContext& c, int seatUserId, int seatChair);
RequestBody MakeFlowerBody(const RequestContext& c, int flower);
RequestBody MakeReturnBody(const RequestContext& c, int value);
// The tile count a discard body announces, or -1 when the body cannot hold what it announces.
int DiscardBodyLength(const BYTE* body, size_t length);
