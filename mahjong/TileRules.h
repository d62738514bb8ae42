// The tile rules every mahjong table of the platform shares: what a tile id is (suit, value,
// code), which tiles are jokers, flowers and honours, counting a hand by code, and the claim
// questions (may this hand peng, gang or chi the offered tile, and with which of its tiles).
// They decide nothing about winning or scoring; the server does. A game adapts them through its
// rule-flag word and through the six replaceable entries of TileRuleHooks.
#pragma once

#include <cstddef>

// Rule-flag bits.
#define MJRULE_JOKER 0x1
#define MJRULE_JOKER_SUBST 0x4
#define MJRULE_JOKER_PLAIN 0x8
#define MJRULE_HONOUR_CHI 0x20
#define MJRULE_NO_CHI 0x100

// Claim bits, the same as the server's claim words.
#define MJOP_PENG 0x1
#define MJOP_GANG 0x2
#define MJOP_CHI 0x4
#define MJOP_HU 0x8
#define MJOP_PASS 0x20

// Tile ids run 0 to 151; 200 is the hidden or empty tile, -1 no tile.
#define MJ_TILE_ID_COUNT 152
#define MJ_TILE_HIDDEN 200
#define MJ_TILE_NONE (-1)

// One count per tile code.
#define TILE_CODE_COUNT 64
using TileCountTable = int[TILE_CODE_COUNT];

struct TileRuleHookTable {
  int (*IsFlowerCode)(int code, int joker1, int joker2, int flags);
  int (*IsHonourCode)(int code, int joker1, int joker2, int flags);
  int (*IsJokerCode)(int code, int joker1, int joker2, int flags);
  int (*GetJokerSubstituteCode)(int jokerCode1, int jokerCode2, int flags);
  int (*TileSuit)(int id, int flags);
  int (*TileValue)(int id, int flags);
};

// Every rule reaches suit, value, flower, honour, joker and substitute through this table, so a
// game may replace any one entry. It starts with the defaults below.
extern TileRuleHookTable TileRuleHooks;

// The defaults of the hooks.
int DefaultIsFlowerCode(int code, int joker1, int joker2, int flags);
int DefaultIsHonourCode(int code, int joker1, int joker2, int flags);
int DefaultIsJokerCode(int code, int joker1, int joker2, int flags);
int DefaultGetJokerSubstituteCode(int jokerCode1, int jokerCode2, int flags);
int DefaultTileSuit(int id, int flags);
int DefaultTileValue(int id, int flags);

// Codes and identity.
int TileSuit(int id, int flags);
int TileValue(int id, int flags);
int TileCode(int id, int flags);
int MakeTileCode(int suit, int value);
int IsWindCode(int code);
int IsDragonCode(int code);
int IsSameCode(int a, int b, int flags);
int IsJokerTile(int id, int joker1, int joker2, int flags);
int IsFlowerTile(int id, int joker1, int joker2, int flags);
int IsHonourTile(int id, int joker1, int joker2, int flags);
int GetSubstituteCode(int joker1, int joker2, int flags);
int IsJokerSubstitute(int id, int joker1, int joker2, int flags);
int IsJokerSubstituteCode(int code, int joker1, int joker2, int flags);
int GetJokerCodes(int joker1, int joker2, int flags, int* code1, int* code2);
int Is258Code(int code);

// Counting and lists. A negative id is an empty place and is skipped.
int CountTiles(const int* ids, int count, TileCountTable table, int flags);
void FillMinusOne(int* list, int count);
int SumInts(const int* list, int count);
int CollectSameCode(const int* ids, int count, int id, int* out, int max, int flags);
int CollectByCode(const int* ids, int count, int code, int* out, int max, int flags);

// Claim tests over a hand's counts (the offered tile not counted).
int TestPeng(const TileCountTable counts, int tile, int joker1, int joker2, int flags);
int TestGang(const TileCountTable counts, int tile, int joker1, int joker2, int flags);
int TestChi(const TileCountTable counts, int tile, int joker1, int joker2, int flags);
int TestConcealedGang(const TileCountTable counts, int joker1, int joker2, int flags, int* code);

// Finders: `out` is first filled with -1 for `count` places, so it must hold at least `count`.
int FindPongTiles(const int* hand, int count, int tile, int joker1, int joker2, int flags, int* out);
int FindKongTiles(const int* hand, int count, int tile, int joker1, int joker2, int flags, int* out);
int FindConcealedGangTiles(const int* hand, int count, int joker1, int joker2, int flags, int* out);
// Writes the hand pairs that make a run with the offered tile, two ids per pair, into out
// (capacity entries; it stops when the next pair would not fit) and returns TestChi on the
// whole hand. A hand with many equal tiles has far more pairs than a claim offer holds, so the
// capacity is part of the call. *pairCount, when given, receives how many pairs were written.
int FindChowPairs(const int* hand, int count, int tile, int joker1, int joker2, int flags, int* out,
                  int capacity, int* pairCount = nullptr);

// The wall place of the next tile taken from the tail (see the source for the walk).
int WallIndexFromTail(int start, int heldBack, int tileCount, int* counter, int* skipped);
// A pseudo-random int from a to b inclusive.
int RandomInRange(int a, int b);
