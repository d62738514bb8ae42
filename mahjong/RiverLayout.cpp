#include "mahjong/RiverLayout.h"

namespace {

constexpr int ALONG_02 = 21, ALONG_13 = 26, ACROSS_02 = 33, ACROSS_13 = 25, DEPTH = 11;
constexpr int RIVER_PLACES = CTileTable::RIVER_PLACES;

bool ValidSide(int side) { return side >= 0 && side < CTileTable::SIDES; }

}  // namespace

bool GetRiverPlace(int side, int r, const RiverStyle& style, RiverPlace* out) {
  if (!ValidSide(side) || r < 0 || r >= RIVER_PLACES) return false;
  int x = 0, y = 0, z = 0;
  const int half02 = ACROSS_02 / 2, half13 = ALONG_13 / 2;
  if (r < 10) {
    switch (side) {
      case 0: x = ACROSS_02, y = ALONG_02 * r, z = 100 + r; break;
      case 1: x = ALONG_13 * (9 - r), y = ACROSS_13, z = 100 - r; break;
      case 2: x = 0, y = ALONG_02 * (9 - r), z = 100 - r; break;
      default: x = ALONG_13 * r, y = 0, z = 100 + r; break;
    }
  } else if (r < 20) {
    switch (side) {
      case 0: x = 0, y = ALONG_02 * (r - 10), z = 100 + r; break;
      case 1: x = ALONG_13 * (19 - r), y = 0, z = 100 - r; break;
      case 2: x = ACROSS_02, y = ALONG_02 * (19 - r), z = 100 - r; break;
      default: x = ALONG_13 * (r - 10), y = ACROSS_13, z = 100 + r; break;
    }
  } else if (r < 29) {
    switch (side) {
      case 0: x = half02, y = ALONG_02 * (r - 20) + 6, z = 180 + r; break;
      case 1: x = ALONG_13 * (29 - r) - half13, y = 8, z = 200; break;
      case 2: x = half02, y = ALONG_02 * (28 - r) + 4, z = 220 - r; break;
      default: x = ALONG_13 * (r - 20) + half13, y = 8, z = 200; break;
    }
  } else {
    const bool shifted = style.shiftedTopLayer;
    switch (side) {
      case 0:
        x = half02, y = ALONG_02 * (r - 28) - (shifted ? 8 : 4), z = shifted ? 300 + (r - 29) : 300;
        break;
      case 1: x = ALONG_13 * (37 - r), y = 0, z = 300; break;
      case 2:
        x = half02, y = ALONG_02 * (36 - r) + (shifted ? 8 : 4), z = shifted ? 300 - (r - 29) : 300;
        break;
      default: x = ALONG_13 * (r - 28), y = 0, z = 300; break;
    }
  }
  *out = RiverPlace{x, y, z};
  return true;
}

void ResetRivers(CTileTable& tiles, const RiverStyle& style) {
  for (int side = 0; side < CTileTable::SIDES; ++side) {
    for (int r = 0; r < RIVER_PLACES; ++r) {
      MJTile* t = tiles.GetTileRecord(MJ_ZONE_RIVER, side, r);
      RiverPlace p;
      GetRiverPlace(side, r, style, &p);
      *t = MJTile{};
      t->x = p.x;
      t->y = p.y;
      t->level = p.level;
      t->side = side;
      t->nFace = 1;
    }
    tiles.SetRiverCount(side, 0);
  }
}

bool AddTileToRiver(CTileTable& tiles, int side, int tile, int nFace) {
  if (!ValidSide(side)) return false;
  for (int r = 0; r < RIVER_PLACES; ++r) {
    MJTile* t = tiles.GetTileRecord(MJ_ZONE_RIVER, side, r);
    if (t->present) continue;
    t->present = 1;
    t->tileId = tile;
    t->nFace = nFace;
    tiles.SetRiverCount(side, r + 1);
    return true;
  }
  return false;
}

bool GetRiverRect(int side, const RECT& w, bool smallScreen, int tableSeats, RECT* out) {
  if (!ValidSide(side)) return false;
  const int m = smallScreen ? 2 : 10, e = smallScreen ? 22 : 30;
  const bool four = tableSeats == 4;
  RECT r{};
  switch (side) {
    case 0:
      r.right = w.right - m;
      r.left = r.right - 2 * ACROSS_02;
      if (four) {
        r.top = w.top + e;
        r.bottom = r.top + 10 * ALONG_02 + DEPTH;
      } else {
        r.bottom = w.bottom - 10;
        r.top = r.bottom - DEPTH - 10 * ALONG_02;
      }
      break;
    case 1:
      r.right = w.right - m;
      r.left = r.right - 10 * ALONG_13;
      r.bottom = w.top - m;
      r.top = r.bottom - DEPTH - 2 * ACROSS_13;
      break;
    case 2:
      r.left = w.right + m;
      r.right = r.left + 2 * ACROSS_02;
      r.bottom = four ? w.bottom - e : w.bottom - 10;
      r.top = r.bottom - DEPTH - 10 * ALONG_02;
      break;
    default:
      r.left = four ? w.left + e : w.left + (w.right - w.left) / 2 - 10 * ALONG_13 / 2;
      r.right = r.left + 10 * ALONG_13;
      r.top = w.bottom + e;
      r.bottom = r.top + 2 * ACROSS_13 + DEPTH;
      break;
  }
  *out = r;
  return true;
}

bool GetFlowerPlace(int side, int i, int flowerCount, RiverPlace* out) {
  if (!ValidSide(side) || flowerCount < 0 || flowerCount > CTileTable::FLOWER_PLACES || i < 0 || i >= flowerCount)
    return false;
  const int f = flowerCount;
  switch (side) {
    case 0: *out = RiverPlace{0, ALONG_02 * i, 1000 + i}; break;
    case 1: *out = RiverPlace{ALONG_13 * (f - 1 - i), 0, 1000 - i}; break;
    case 2: *out = RiverPlace{0, ALONG_02 * (f - 1 - i), 1000 - i}; break;
    default: *out = RiverPlace{ALONG_13 * i, 0, 1000 + i}; break;
  }
  return true;
}

void ResetFlowers(CTileTable& tiles, int flowerCount) {
  for (int side = 0; side < CTileTable::SIDES; ++side) {
    for (int i = 0; i < CTileTable::FLOWER_PLACES; ++i) {
      MJTile* t = tiles.GetTileRecord(MJ_ZONE_FLOWERS, side, i);
      *t = MJTile{};
      t->side = side;
      RiverPlace p;
      if (GetFlowerPlace(side, i, flowerCount, &p)) {
        t->x = p.x;
        t->y = p.y;
        t->level = p.level;
      }
    }
    tiles.SetFlowerCount(side, 0);
  }
}

bool AddFlower(CTileTable& tiles, int side, int tile, int flowerCount) {
  if (!ValidSide(side)) return false;
  if (flowerCount > CTileTable::FLOWER_PLACES) flowerCount = CTileTable::FLOWER_PLACES;
  for (int i = 0; i < flowerCount; ++i) {
    MJTile* t = tiles.GetTileRecord(MJ_ZONE_FLOWERS, side, i);
    if (t->present) continue;
    t->present = 1;
    t->tileId = tile;
    tiles.SetFlowerCount(side, i + 1);
    return true;
  }
  return false;
}

int CountFlowers(const CTileTable& tiles, int side, int flowerCount) {
  if (!ValidSide(side)) return 0;
  if (flowerCount > CTileTable::FLOWER_PLACES) flowerCount = CTileTable::FLOWER_PLACES;
  int n = 0;
  for (int i = 0; i < flowerCount; ++i)
    if (tiles.GetTileRecord(MJ_ZONE_FLOWERS, side, i)->present) ++n;
  return n;
}

bool GetFlowerArea(int side, const RECT& h, int flowerCount, bool smallScreen, int tableSeats,
                   const RECT& riverOfNext, RECT* out) {
  if (!ValidSide(side) || flowerCount < 0) return false;
  const int f = flowerCount;
  RECT r{};
  switch (side) {
    case 0:
      r.left = h.right;
      r.right = r.left + ACROSS_02;
      r.top = !smallScreen ? h.top : tableSeats == 4 ? riverOfNext.top : h.top + ALONG_02;
      r.bottom = r.top + ALONG_02 * f + DEPTH;
      break;
    case 1:
      r.right = smallScreen ? riverOfNext.right : h.right;
      r.left = r.right - ALONG_13 * f;
      r.top = h.bottom;
      r.bottom = r.top + ACROSS_13 + DEPTH;
      break;
    case 2:
      r.right = h.left;
      r.left = r.right - ACROSS_02;
      r.bottom = smallScreen ? riverOfNext.bottom : h.bottom;
      r.top = r.bottom - (ALONG_02 * f + DEPTH);
      break;
    default:
      r.left = smallScreen ? riverOfNext.left : h.left;
      r.right = r.left + ALONG_13 * f;
      r.bottom = h.top;
      r.top = r.bottom - (ACROSS_13 + DEPTH);
      break;
  }
  *out = r;
  return true;
}
