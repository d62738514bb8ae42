// Where discards and flowers lie: the 36 river places of a side in four layers, the flower
// places, and the rectangles that hold them, all relative to the wall and hand areas the
// table metrics give. A rule set may lift its upper river layer for sides 0 and 2.
#pragma once

#include "mahjong/scene/TileTable.h"
#include "platform/base/WinTypes.h"

struct RiverPlace {
  int x = 0;
  int y = 0;
  int level = 0;
};

struct RiverStyle {
  // The fourth layer of sides 0 and 2 lies 4 pixels nearer the start of its rows, with rising
  // (side 0) or falling (side 2) levels.
  bool shiftedTopLayer = false;
};

// The place r (0-35) of a side's river; false for a side or place outside the river.
bool GetRiverPlace(int side, int r, const RiverStyle& style, RiverPlace* out);
// Clears the four rivers and writes every place's position, level and side; places are face up.
void ResetRivers(CTileTable& tiles, const RiverStyle& style);
// The first free place of the side gets the tile; false when the river is full.
bool AddTileToRiver(CTileTable& tiles, int side, int tile, int nFace);

// The river rectangle of a side from its wall rectangle. smallScreen is the 800-pixel mode.
bool GetRiverRect(int side, const RECT& wall, bool smallScreen, int tableSeats, RECT* out);

// Flower place i (0 to flowerCount-1) of a side.
bool GetFlowerPlace(int side, int i, int flowerCount, RiverPlace* out);
void ResetFlowers(CTileTable& tiles, int flowerCount);
// The first free of the first flowerCount places gets the flower; false when they are full.
bool AddFlower(CTileTable& tiles, int side, int tile, int flowerCount);
int CountFlowers(const CTileTable& tiles, int side, int flowerCount);
// The flower area beside the hand area on normal screens; on small screens the river
// rectangles named below place it instead (riverOfNext: side 1's for side 0, side 2's for
// side 1, side 3's for side 2, side 0's for side 3).
bool GetFlowerArea(int side, const RECT& hand, int flowerCount, bool smallScreen, int tableSeats,
                   const RECT& riverOfNext, RECT* out);
