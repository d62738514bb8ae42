#include "mahjong/scene/WallLayout.h"

void CWallLayout::GetWallStackCounts(int s[4]) const {
  if (segments == 4) {
    const int q = tileCount / 8, r = tileCount % 8;
    s[0] = s[1] = s[2] = s[3] = q;
    if (r == 2 || r == 4 || r == 6) s[0] += 1;
    if (r == 4 || r == 6) s[2] += 1;
    if (r == 6) s[1] += 1;
  } else if (segments == 3) {
    const int q = tileCount / 6, r = tileCount % 6;
    s[0] = q, s[1] = q, s[2] = 0, s[3] = q;
    if (r == 2 || r == 4) s[0] += 1;
    if (r == 4) s[3] += 1;
  }
}

int CWallLayout::GetWallSideStacks(int side) const {
  if (side < 0 || side > 3) return 0;
  int s[4] = {0, 0, 0, 0};
  GetWallStackCounts(s);
  if (playerCount == 4) return s[(ownChair + side) % 4 < 0 ? 0 : (ownChair + side) % 4];
  static const int threePlayers[3][4] = {{0, 2, 1, 3}, {1, 2, 3, 0}, {3, 2, 0, 1}};
  const int segment = (ownChair >= 0 && ownChair < 3) ? threePlayers[ownChair][side] : 2;
  return s[segment];
}

int CWallLayout::GetWallSideStart(int side) const {
  if (side < 0 || side > 3) return 0;
  int s[4] = {0, 0, 0, 0};
  GetWallStackCounts(s);
  if (segments == 4) {
    const int k = ((ownChair + side) % 4 + 4) % 4;
    int start = 0;
    for (int i = 0; i < k; ++i) start += 2 * s[i];
    return start;
  }
  if (ownChair == 0 && side == 2) return 2 * s[0];
  if (ownChair == 0 && side == 3) return 2 * (s[0] + s[1]);
  if (ownChair == 1 && side == 0) return 2 * s[0];
  if (ownChair == 1 && side == 2) return 2 * (s[0] + s[1]);
  if (ownChair == 2 && side == 0) return 2 * (s[0] + s[1]);
  if (ownChair == 2 && side == 3) return 2 * s[0];
  return 0;
}

bool CWallLayout::GetWallSideRect(int side, RECT* out) const {
  if (side < 0 || side > 3 || out == nullptr) return false;
  const int n = GetWallSideStacks(side);
  const RECT& c = centre;
  RECT r{};
  const bool four = segments == 4;
  switch (side) {
    case 0:
      r.right = c.left, r.left = r.right - SIDE_WIDTH;
      // The side walls begin level with the centre's edge: the end wall in front of the next
      // side runs past the centre's corner, and a side wall starting further out would lie
      // under its last stacks.
      if (four) r.top = c.top, r.bottom = r.top + SIDE_STEP * n + SIDE_WALL_MARGIN;
      else r.bottom = c.bottom, r.top = r.bottom - SIDE_STEP * n - SIDE_WALL_MARGIN;
      break;
    case 1:
      r.right = c.right, r.left = r.right - END_STEP * n, r.bottom = c.top, r.top = r.bottom - END_HEIGHT - SIDE_WALL_MARGIN;
      break;
    case 2:
      r.left = c.right, r.right = r.left + SIDE_WIDTH;
      if (four) r.bottom = c.bottom, r.top = r.bottom - SIDE_STEP * n - SIDE_WALL_MARGIN;
      else r.bottom = c.bottom, r.top = r.bottom - SIDE_STEP * n - SIDE_WALL_MARGIN;
      break;
    case 3:
      if (four) r.left = c.left;
      else r.left = (c.left + c.right) / 2 - END_STEP * n / 2;
      r.right = r.left + END_STEP * n, r.top = c.bottom, r.bottom = r.top + END_HEIGHT + SIDE_WALL_MARGIN;
      break;
  }
  *out = r;
  return true;
}

void CWallLayout::InitWall(CTileTable& tiles) const {
  for (int i = 0; i < CTileTable::WALL_PLACES; ++i) *tiles.GetTileRecord(MJ_ZONE_WALL, 0, i) = MJTile{};
  for (int side = 0; side < 4; ++side) {
    RECT rect{};
    GetWallSideRect(side, &rect);
    const int stacks = GetWallSideStacks(side);
    const int start = GetWallSideStart(side);
    for (int j = 0; j < stacks; ++j) {
      const int index = start + 2 * j;
      MJTile* upper = tiles.GetTileRecord(MJ_ZONE_WALL, 0, index);
      MJTile* lower = tiles.GetTileRecord(MJ_ZONE_WALL, 0, index + 1);
      if (upper == nullptr || lower == nullptr || index + 1 >= tileCount) break;
      upper->side = lower->side = side;
      switch (side) {
        case 0:
          upper->x = 0, upper->y = (rect.bottom - rect.top) - SIDE_STEP - 2 * LAYER_OFFSET - SIDE_STEP * j;
          lower->x = 0, lower->y = upper->y + 9;
          upper->level = 1400 - index, lower->level = 1200 - index;
          break;
        case 1:
          upper->x = END_STEP * j, upper->y = 0;
          lower->x = upper->x, lower->y = LAYER_OFFSET;
          upper->level = 1200, lower->level = 1000;
          break;
        case 2:
          upper->x = 0, upper->y = SIDE_STEP * j;
          lower->x = 0, lower->y = upper->y + LAYER_OFFSET;
          upper->level = 1400 + index, lower->level = 1200 + index;
          break;
        default:
          upper->x = (rect.right - rect.left) - END_STEP * (j + 1), upper->y = 0;
          lower->x = upper->x, lower->y = LAYER_OFFSET;
          upper->level = 1600, lower->level = 1400;
          break;
      }
    }
  }
}

void CWallLayout::SetWallTiles(CTileTable& tiles, int value) const {
  for (int i = 0; i < tileCount && i < CTileTable::WALL_PLACES; ++i) tiles.GetTileRecord(MJ_ZONE_WALL, 0, i)->present = value;
}
