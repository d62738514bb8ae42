#include "mahjong/MeldPlacement.h"

namespace {

bool ValidSide(int side) { return side >= 0 && side < 4; }

// A turned tile is wider than an upright one; on sides 2 and 3 it moves across its row by the
// difference so that it lines up with the hand's edge.
constexpr int TURNED_SHIFT_SIDE2 = 33 - 26;
constexpr int TURNED_SHIFT_SIDE3 = 25 - 21;

}  // namespace

int CMeldPlacement::Place(int family, int side, int sourceSide, const MeldTiles& tiles, int group,
                          int concealedTopFace, bool lookOn, MeldTilePlace out[4]) const {
  const int i = GroupTop(group);
  if (i < 0 || !ValidSide(side) || family < MELD_FAMILY_CHI || family > MELD_FAMILY_CONCEALED_GANG) return 0;
  const bool concealed = family == MELD_FAMILY_CONCEALED_GANG;
  if (!concealed && (!ValidSide(sourceSide) || sourceSide == side)) return 0;
  const bool gang = family == MELD_FAMILY_EXPOSED_GANG || concealed;
  const int count = gang ? 4 : 3;
  const int lie = NormalLie(side);
  int kind = family == MELD_FAMILY_CHI ? 3 : family == MELD_FAMILY_PENG ? 1 : 2;
  // Only the own side's gang kind is read later; the others keep 0.
  if (gang && side != 3) kind = 0;

  // The row of three lying tiles, in record order, and the turned one among them (-1 none).
  int base[3];
  int turned = -1;
  int topTile = -1;
  if (!concealed) {
    // A gang lays +24, +28 and +32 with the claimed tile on top; a chi or peng lays the
    // claimed tile in its row. The turned tile points at the source: first from the next
    // side, last from the previous one, none from the opposite side.
    const bool exposed = family == MELD_FAMILY_EXPOSED_GANG;
    const int a = tiles.second, b = tiles.third;
    const int c = exposed ? tiles.fourth : tiles.claimed;
    if (exposed) topTile = tiles.claimed;
    if (sourceSide == (side + 1) % 4) {
      base[0] = exposed ? a : tiles.claimed, base[1] = exposed ? b : a, base[2] = exposed ? c : b;
      turned = 0;
    } else if (sourceSide == (side + 3) % 4) {
      base[0] = a, base[1] = b, base[2] = c;
      turned = 2;
    } else if (exposed) {
      base[0] = a, base[1] = b, base[2] = c;
    } else {
      base[0] = a, base[1] = tiles.claimed, base[2] = b;
    }
  } else if (side == 0) {
    base[0] = tiles.claimed, base[1] = tiles.second, base[2] = tiles.third;
    topTile = tiles.fourth;
  } else if (side == 3) {
    base[0] = tiles.second, base[1] = tiles.third, base[2] = tiles.fourth;
    topTile = tiles.claimed;
  } else {
    base[0] = tiles.second, base[1] = tiles.third, base[2] = tiles.fourth;
    topTile = tiles.claimed;
  }

  // On sides 1 and 2 the top tile of a gang is the group's first record, so that it draws
  // above the others; on sides 0 and 3 the last.
  const bool topFirst = gang && (side == 1 || side == 2);
  const int firstBase = topFirst ? i - 1 : i;

  const int w = StandingStep(side), t = TurnedStep(side), g = GroupAdvance(side);
  const MeldGeometry& m = m_geometry;
  int cumulative = 0;
  MeldTilePlace row[3];
  for (int n = 0; n < 3; ++n) {
    MeldTilePlace& p = row[n];
    p.record = firstBase - n;
    p.tileId = base[n];
    p.turned = n == turned;
    p.lie = p.turned ? sourceSide : lie;
    p.nFace = concealed ? 0 : 1;
    p.meldKind = kind;
    const int step = p.turned ? t : w;
    switch (side) {
      case 0:
        p.x = 0;
        p.y = m.column0Start + group * g + cumulative;
        break;
      case 1:
        p.x = m.handLength[1] - group * g - (cumulative + step);
        p.y = m.insetY[1];
        break;
      case 2:
        p.x = m.insetX[2] + (p.turned ? TURNED_SHIFT_SIDE2 : 0);
        p.y = m.handLength[2] - group * g - LIFT - (cumulative + step);
        break;
      default:
        p.x = group * g + cumulative;
        p.y = m.insetY[3] + (p.turned ? TURNED_SHIFT_SIDE3 : 0);
        break;
    }
    cumulative += step;
  }

  int k = 0;
  if (topFirst) out[k++] = MeldTilePlace{};
  for (const MeldTilePlace& p : row) out[k++] = p;
  if (gang) {
    MeldTilePlace& top = topFirst ? out[0] : out[3];
    top.record = topFirst ? i : i - 3;
    top.tileId = topTile;
    top.x = row[1].x;
    top.y = row[1].y - LIFT;
    top.lie = lie;
    top.top = 1;
    top.meldKind = kind;
    top.nFace = !concealed ? 1 : (side == 3 && !lookOn) ? 1 : concealedTopFace;
  }
  return count;
}

bool CMeldPlacement::PlaceAddedTile(int groupTop, int tile, int side, int x1, int y1, MeldTilePlace* out) const {
  bool isTop = false;
  for (int g = 0; g < GROUPS; ++g) isTop = isTop || GroupTop(g) == groupTop;
  if (!isTop || !ValidSide(side)) return false;
  *out = MeldTilePlace{};
  out->record = groupTop - 3;
  out->tileId = tile;
  out->x = x1;
  out->y = y1 - LIFT;
  out->lie = NormalLie(side);
  out->top = 1;
  out->meldKind = 2;
  return true;
}

bool CMeldPlacement::HandTilePosition(int side, int r, int* x, int* y) const {
  if (!ValidSide(side) || r < 1 || r > 13) return false;
  const MeldGeometry& m = m_geometry;
  switch (side) {
    case 0: *x = 0, *y = m.handLength[0] - (21 + 2 * LIFT + 8) - r * 21; break;
    case 1: *x = r * 26 + 10, *y = m.insetY[1]; break;
    case 2: *x = m.insetX[2], *y = r * 21 + LIFT + 8; break;
    default: *x = m.handLength[3] - 12 - (r + 5) * 26, *y = m.insetY[3]; break;
  }
  return true;
}

bool CMeldPlacement::DrawnTilePosition(int side, int* x, int* y) const {
  if (!ValidSide(side)) return false;
  const MeldGeometry& m = m_geometry;
  switch (side) {
    case 0: *x = 0, *y = m.handLength[0] - LIFT - 21; break;
    case 1: *x = 0, *y = m.insetY[1]; break;
    case 2: *x = m.insetX[2], *y = 0; break;
    default: *x = m.handLength[3] - 5 * 26, *y = m.insetY[3]; break;
  }
  return true;
}
