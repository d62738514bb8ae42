// Where the wall stands: the wall order divided into segments in front of the chairs, each
// segment's rectangle beside the table's centre, and the place and level of every tile of
// every stack of two.
#pragma once

#include "mahjong/scene/TileTable.h"
#include "platform/base/WinTypes.h"

class CWallLayout {
 public:
  // Pixel sizes of the wall's pictures: stack steps along the side walls and the end walls,
  // the side wall's width, the end wall's height and the offset of a stack's upper tile.
  static constexpr int SIDE_STEP = 13;
  static constexpr int SIDE_WIDTH = 22;
  static constexpr int END_STEP = 17;
  static constexpr int END_HEIGHT = 16;
  static constexpr int LAYER_OFFSET = 10;
  static constexpr int SIDE_WALL_MARGIN = 20;

  int tileCount = 136;
  int segments = 4;     // the table's seat count
  int playerCount = 4;
  int ownChair = 0;
  RECT centre{0, 0, 0, 0};

  void GetWallStackCounts(int s[4]) const;
  int GetWallSideStacks(int side) const;
  int GetWallSideStart(int side) const;
  bool GetWallSideRect(int side, RECT* out) const;
  // Clears the wall records and lays out the stacks of every side.
  void InitWall(CTileTable& tiles) const;
  void SetWallTiles(CTileTable& tiles, int value) const;
};
