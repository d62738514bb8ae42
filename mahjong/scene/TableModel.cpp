#include "mahjong/scene/TableModel.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "framework/BodyReader.h"
#include "mahjong/MahjongNotifyCodes.h"
#include "mahjong/MahjongRequests.h"
#include "mahjong/TileRules.h"
#include "mahjong/scene/TilePictures.h"

namespace {

constexpr int MELD_KIND_SET = 1;        // a peng or a chi
constexpr int MELD_KIND_EXPOSED = 2;    // an exposed or added gang
constexpr int MELD_KIND_CONCEALED = 3;  // a concealed gang

// The first record of each meld group, top down.
constexpr int MELD_GROUP_BASES[CTileTable::MELD_GROUPS] = {17, 13, 9, 5};

// Empties a hand place but keeps where it stands: its position, level and side.
void ClearPlace(MJTile* t) {
  MJTile kept = *t;
  *t = MJTile{};
  t->x = kept.x;
  t->y = kept.y;
  t->level = kept.level;
  t->side = kept.side;
  t->nObject = kept.nObject;
}

}  // namespace

CMJTableModel::CMJTableModel(CGameInfo& info, CTableEffects& effects) : m_info(info), m_effects(effects) {
  for (ClaimOffer& o : m_offers) o.choices.fill(-1);
}

int CMJTableModel::SeatSide(int chair, const char* what) {
  if (m_info.IsSeatedChair(chair)) return m_info.ChairToSide(chair);
  char line[128];
  std::snprintf(line, sizeof(line), "%s: chair %d is no seat at this table", what, chair);
  m_effects.Log(line);
  return -1;
}

// ---- hands -------------------------------------------------------------------------------

int CMJTableModel::HasHandTiles(int side) const {
  const MJTile* t = m_tiles.GetTileRecord(MJ_ZONE_HAND, side, 1);
  return (t && t->tileId != MJ_TILE_HIDDEN) ? 1 : 0;
}

int CMJTableModel::HasDrawnTile(int side) const {
  const MJTile* t = m_tiles.GetTileRecord(MJ_ZONE_HAND, side, CTileTable::DRAWN_PLACE);
  return (t && t->present) ? 1 : 0;
}

int CMJTableModel::StandingLimit(int side) const {
  // Standing tiles end below the lowest meld group in use.
  int limit = CTileTable::LAST_STANDING;
  for (int base : MELD_GROUP_BASES) {
    const MJTile* t = m_tiles.GetTileRecord(MJ_ZONE_HAND, side, base);
    if (t && t->present && t->meldKind) limit = std::min(limit, base - 4);
  }
  return std::max(limit, 0);
}

int CMJTableModel::GetStandingTiles(int side, int out[CLAIM_CHOICES]) const {
  FillMinusOne(out, CLAIM_CHOICES);
  int n = 0;
  for (int i = CTileTable::FIRST_STANDING; i <= CTileTable::LAST_STANDING; ++i) {
    const MJTile* t = m_tiles.GetTileRecord(MJ_ZONE_HAND, side, i);
    if (t && t->present && t->standing && !t->meldKind) out[n++] = t->tileId;
  }
  return n;
}

int CMJTableModel::CountStandingTiles(int side) const {
  int ids[CLAIM_CHOICES];
  return GetStandingTiles(side, ids);
}

void CMJTableModel::SortStanding(int side) {
  std::vector<int> ids;
  for (int i = CTileTable::FIRST_STANDING; i <= CTileTable::LAST_STANDING; ++i) {
    MJTile* t = m_tiles.GetTileRecord(MJ_ZONE_HAND, side, i);
    if (t->present && t->standing && !t->meldKind) ids.push_back(t->tileId);
  }
  const int flags = GetRuleFlags(), joker1 = m_info.GetJokerTile1(), substitute = m_info.GetSubstituteFlag();
  std::stable_sort(ids.begin(), ids.end(), [=](int a, int b) {
    auto key = [=](int id) { return id == MJ_TILE_HIDDEN ? 1000 : GetTileSortCode(id, joker1, substitute, flags); };
    return key(a) < key(b);
  });
  const int limit = StandingLimit(side);
  for (int i = CTileTable::FIRST_STANDING; i <= limit; ++i) {
    MJTile* t = m_tiles.GetTileRecord(MJ_ZONE_HAND, side, i);
    const size_t k = static_cast<size_t>(i - 1);
    ClearPlace(t);
    if (k < ids.size()) {
      t->tileId = ids[k];
      t->present = 1;
      t->standing = 1;
      t->nFace = ids[k] == MJ_TILE_HIDDEN ? 0 : 1;
    }
  }
}

void CMJTableModel::RemoveHandTile(int side, int tile) {
  for (int i = CTileTable::DRAWN_PLACE; i <= CTileTable::LAST_STANDING; ++i) {
    MJTile* t = m_tiles.GetTileRecord(MJ_ZONE_HAND, side, i);
    if (t && t->present && !t->meldKind && t->tileId == tile) {
      t->present = 0;
      t->tileId = MJ_TILE_HIDDEN;
      return;
    }
  }
}

void CMJTableModel::RemoveHiddenTiles(int side, int count) {
  // Hidden hands lose their highest standing places first.
  for (int i = CTileTable::LAST_STANDING; i >= CTileTable::FIRST_STANDING && count > 0; --i) {
    MJTile* t = m_tiles.GetTileRecord(MJ_ZONE_HAND, side, i);
    if (t->present && t->standing && !t->meldKind) {
      t->present = 0;
      --count;
    }
  }
}

void CMJTableModel::InsertDrawnTile(int side) {
  MJTile* drawn = m_tiles.GetTileRecord(MJ_ZONE_HAND, side, CTileTable::DRAWN_PLACE);
  if (drawn == nullptr) return;
  if (drawn->present) {
    const int limit = StandingLimit(side);
    for (int i = CTileTable::FIRST_STANDING; i <= limit; ++i) {
      MJTile* t = m_tiles.GetTileRecord(MJ_ZONE_HAND, side, i);
      if (!t->present) {
        t->tileId = drawn->tileId;
        t->present = 1;
        t->standing = 1;
        t->nFace = drawn->nFace;
        drawn->present = 0;
        drawn->tileId = MJ_TILE_HIDDEN;
        break;
      }
    }
  }
  SortStanding(side);
}

void CMJTableModel::MoveFirstStandingToDrawn(int side) {
  MJTile* drawn = m_tiles.GetTileRecord(MJ_ZONE_HAND, side, CTileTable::DRAWN_PLACE);
  MJTile* first = m_tiles.GetTileRecord(MJ_ZONE_HAND, side, CTileTable::FIRST_STANDING);
  if (drawn->present || !first->present) return;
  drawn->tileId = first->tileId;
  drawn->present = 1;
  drawn->standing = 1;
  drawn->nFace = first->nFace;
  first->present = 0;
  first->tileId = MJ_TILE_HIDDEN;
  SortStanding(side);
}

void CMJTableModel::SetHandTiles(int side, const int* ids, int count) {
  if (!CTileTable::ValidSide(side)) return;
  for (int i = CTileTable::DRAWN_PLACE; i <= CTileTable::LAST_STANDING; ++i) {
    MJTile* t = m_tiles.GetTileRecord(MJ_ZONE_HAND, side, i);
    if (t->meldKind) continue;
    ClearPlace(t);
  }
  const int limit = StandingLimit(side);
  count = std::clamp(count, 0, limit);
  for (int k = 0; k < count; ++k) {
    MJTile* t = m_tiles.GetTileRecord(MJ_ZONE_HAND, side, CTileTable::FIRST_STANDING + k);
    t->tileId = ids[k];
    t->present = ids[k] >= 0 ? 1 : 0;
    t->standing = 1;
    t->nFace = ids[k] == MJ_TILE_HIDDEN ? 0 : 1;
  }
}

void CMJTableModel::LayOutHandFromList(int side, const int* list, int count, int drawnTile) {
  // The final tiles stand in the standing places only: a long list never reaches the melds.
  int ids[CLAIM_CHOICES];
  int n = 0;
  for (int i = 0; i < count && i < CLAIM_CHOICES && list[i] != -1; ++i) ids[n++] = list[i];
  SetHandTiles(side, ids, n);
  // The result lists the tiles in no particular order; an open hand stands sorted like any hand.
  SortStanding(side);
  for (int i = CTileTable::FIRST_STANDING; i <= CTileTable::LAST_STANDING; ++i) {
    MJTile* t = m_tiles.GetTileRecord(MJ_ZONE_HAND, side, i);
    if (t->present && !t->meldKind) t->nFace = 1;
  }
  if (drawnTile >= 0) {
    MJTile* d = m_tiles.GetTileRecord(MJ_ZONE_HAND, side, CTileTable::DRAWN_PLACE);
    d->tileId = drawnTile;
    d->present = 1;
    d->standing = 1;
    d->nFace = 1;
  }
}

bool CMJTableModel::PlaceMeld(int side, const int* tiles, int count, int kind) {
  for (int base : MELD_GROUP_BASES) {
    MJTile* top = m_tiles.GetTileRecord(MJ_ZONE_HAND, side, base);
    if (top->present && top->meldKind) continue;
    // A peng or a chi takes the group's first three records only: with four melds the group's
    // last record is where a standing tile may still be.
    for (int k = 0; k < count && k < 4; ++k) {
      MJTile* t = m_tiles.GetTileRecord(MJ_ZONE_HAND, side, base - k);
      ClearPlace(t);
      t->tileId = tiles[k];
      t->present = 1;
      t->meldKind = kind;
      t->nFace = (kind == MELD_KIND_CONCEALED && k < 3) ? 0 : 1;
    }
    return true;
  }
  m_effects.Log("meld refused: every meld group of the side is in use");
  return false;
}

bool CMJTableModel::AddToPeng(int side, int tile) {
  const int flags = GetRuleFlags();
  for (int base : MELD_GROUP_BASES) {
    MJTile* top = m_tiles.GetTileRecord(MJ_ZONE_HAND, side, base);
    MJTile* fourth = m_tiles.GetTileRecord(MJ_ZONE_HAND, side, base - 3);
    if (top->present && top->meldKind == MELD_KIND_SET && !fourth->present && IsSameCode(top->tileId, tile, flags) &&
        IsSameCode(m_tiles.GetTileRecord(MJ_ZONE_HAND, side, base - 1)->tileId, tile, flags)) {
      top->meldKind = MELD_KIND_EXPOSED;
      for (int k = 1; k < 3; ++k) m_tiles.GetTileRecord(MJ_ZONE_HAND, side, base - k)->meldKind = MELD_KIND_EXPOSED;
      ClearPlace(fourth);
      fourth->tileId = tile;
      fourth->present = 1;
      fourth->nFace = 1;
      fourth->meldKind = MELD_KIND_EXPOSED;
      return true;
    }
  }
  return false;
}

void CMJTableModel::AddTileToRiver(int side, int tile) {
  int n = m_tiles.RiverCount(side);
  MJTile* t = m_tiles.GetTileRecord(MJ_ZONE_RIVER, side, n);
  if (t == nullptr) return;  // a full river keeps its tiles
  t->tileId = tile;
  t->present = 1;
  t->nFace = 1;
  m_tiles.SetRiverCount(side, n + 1);
}

void CMJTableModel::AddFlower(int side, int flower) {
  int n = m_tiles.FlowerCount(side);
  MJTile* t = m_tiles.GetTileRecord(MJ_ZONE_FLOWERS, side, n);
  if (t == nullptr) return;
  t->tileId = flower;
  t->present = 1;
  t->nFace = 1;
  m_tiles.SetFlowerCount(side, n + 1);
}

void CMJTableModel::ClearWallPlace(int index) {
  MJTile* t = m_tiles.GetTileRecord(MJ_ZONE_WALL, 0, index);
  if (t) t->present = 0;
  m_effects.ShowWall();
}

void CMJTableModel::CloseClaimOffer() {
  if (m_lookOn) return;
  for (int b = CLAIM_PENG; b <= CLAIM_PASS; ++b) {
    m_offers[b].enabled = 0;
    m_effects.ShowClaimButton(b, 0);
  }
  m_effects.ClaimOfferClosed();
}

void CMJTableModel::MoveClock(int to) {
  m_effects.MoveClockHand(m_clock.pointTo, to);
  m_clock.pointTo = to;
}

// ---- the wall and the deal ---------------------------------------------------------------

void CMJTableModel::MarkTakenWallTiles() {
  const int n = GetTileCount();
  for (int i = 0; i < CTileTable::WALL_PLACES; ++i) {
    MJTile* t = m_tiles.GetTileRecord(MJ_ZONE_WALL, 0, i);
    ClearPlace(t);
    t->present = i < n ? 1 : 0;
  }
  const int start = m_info.GetWallStart();
  const int head = m_info.GetWallHead();
  if (!IsWallPlace(start) || !IsWallPlace(head)) {
    m_effects.Log("wall marking skipped: the break or the head is outside the wall");
    return;
  }
  // The head is a place on a ring: once it has passed the last place it is below the break,
  // and the places taken run from the break round to it.
  const int fromHead = (head - start + n) % n;
  for (int k = 0; k < fromHead; ++k) m_tiles.GetTileRecord(MJ_ZONE_WALL, 0, (start + k) % n)->present = 0;
  const int indicatorPlace = m_info.GetIndicatorTile() != -1 ? m_info.GetIndicatorPosition() : -1;
  const int tail = std::clamp(m_info.GetTailTaken(), 0, n);
  for (int k = 0; k < tail;) {
    int skipped = 0;
    int place = WallIndexFromTail(start, indicatorPlace, n, &k, &skipped);
    if (IsWallPlace(place)) m_tiles.GetTileRecord(MJ_ZONE_WALL, 0, place)->present = 0;
  }
  if (IsWallPlace(indicatorPlace)) {
    MJTile* t = m_tiles.GetTileRecord(MJ_ZONE_WALL, 0, indicatorPlace);
    t->present = 1;
    t->tileId = m_info.GetIndicatorTile();
    t->nFace = 1;
  }
}

void CMJTableModel::DealOwnHand() {
  const bool drawnHeld = m_info.IsDrawnTileHeld() != 0;
  const int current = m_info.GetCurrentChair();
  for (int chair = 0; chair < m_info.GetPlayerCount() && chair < 4; ++chair) {
    const int side = m_info.ChairToSide(chair);
    if (!CTileTable::ValidSide(side)) continue;
    int count = std::clamp(m_info.GetHandTileCount(chair), 0, CTileTable::HAND_SIZE);
    int ids[32];
    int listed = 0;
    if (side == SIDE_OWN && !m_lookOn) {
      listed = m_info.GetOwnTileList(ids);
      count = std::min(count, listed);  // never more places than ids
    } else {
      for (int i = 0; i < count; ++i) ids[i] = MJ_TILE_HIDDEN;
      listed = count;
    }
    // The chair that must discard holds its drawn tile first in its list.
    const bool withDrawn = drawnHeld && chair == current && count > 0;
    const int* standing = ids + (withDrawn ? 1 : 0);
    SetHandTiles(side, standing, std::min(count - (withDrawn ? 1 : 0), CTileTable::LAST_STANDING));
    if (withDrawn) {
      MJTile* d = m_tiles.GetTileRecord(MJ_ZONE_HAND, side, CTileTable::DRAWN_PLACE);
      d->tileId = ids[0];
      d->present = 1;
      d->standing = 1;
      d->nFace = ids[0] == MJ_TILE_HIDDEN ? 0 : 1;
    }
    SortStanding(side);
  }
}

void CMJTableModel::InitHandPlaces() {
  for (int side = 0; side < CTileTable::SIDES; ++side) {
    for (int i = 0; i < CTileTable::HAND_PLACES; ++i) {
      MJTile* t = m_tiles.GetTileRecord(MJ_ZONE_HAND, side, i);
      *t = MJTile{};
      t->side = side;
    }
    if (m_metrics == nullptr) continue;
    const CTableMetrics& m = *m_metrics;
    const int large = m.Metric(METRIC_LARGE_WIDTH);
    for (int i = 0; i < CTileTable::HAND_SIZE; ++i) {
      MJTile* t = m_tiles.GetTileRecord(MJ_ZONE_HAND, side, i);
      switch (side) {
        case 0:
          t->y = m.GetHandLength(0) - (m.Metric(20) + m.Metric(21)) - 12 - 26 * i, t->nFace = 2, t->level = 2400 - i;
          break;
        case 1: t->x = 26 * i + 10, t->nFace = 2, t->level = 2400 + i; break;
        case 2: t->x = m.GetHandThickness(2) - 19, t->y = 26 * i + 12, t->nFace = 2, t->level = 2400 + i; break;
        default: t->x = m.GetHandLength(3) - 12 - (i + 1) * large, t->y = 10, t->nFace = 1, t->level = 2800 - i; break;
      }
    }
    // The drawn tile stands apart from the row.
    MJTile* drawn = m_tiles.GetTileRecord(MJ_ZONE_HAND, side, CTileTable::DRAWN_PLACE);
    switch (side) {
      case 0: drawn->y = m.GetHandLength(0) - 49; break;
      case 1: drawn->x = 0; break;
      case 2: drawn->y = 0; break;
      default: drawn->x += 12; break;
    }
    for (int i = CTileTable::HAND_SIZE; i <= CTileTable::TOP_MELD_GROUP; ++i)
      m_tiles.GetTileRecord(MJ_ZONE_HAND, side, i)->level = (side == 0 || side == 3) ? 2400 - i : 2400 + i;
  }
}

void CMJTableModel::ResetPlayedTiles() {
  for (int side = 0; side < CTileTable::SIDES; ++side) {
    MJTile* t = m_tiles.GetTileRecord(MJ_ZONE_PLAYED, side, 0);
    *t = MJTile{};
    t->side = side;
    t->nFace = 1;
    t->level = 3000;
  }
}

void CMJTableModel::EnableAllHandTiles() {
  for (int i = 0; i < CTileTable::HAND_SIZE; ++i) {
    MJTile* t = m_tiles.GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, i);
    t->attrA = 0;
    t->attrB = 0;
  }
}

int CMJTableModel::EnableFlowerTiles() {
  const int j1 = m_info.GetJokerTile1(), j2 = m_info.GetJokerTile2(), flags = GetRuleFlags();
  int flowers = 0;
  for (int i = 0; i < CTileTable::HAND_SIZE; ++i) {
    MJTile* t = m_tiles.GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, i);
    if (!t->present || !t->standing) continue;
    t->attrB = 0;
    flowers += IsFlowerTile(t->tileId, j1, j2, flags) ? 1 : 0;
  }
  if (flowers == 0) return 0;
  for (int i = 0; i < CTileTable::HAND_SIZE; ++i) {
    MJTile* t = m_tiles.GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, i);
    if (!t->present || !t->standing) continue;
    t->attrB = IsFlowerTile(t->tileId, j1, j2, flags) ? 0 : 1;
    t->attrA = 0;
  }
  m_effects.ShowClaimButtons(0);
  return flowers;
}

void CMJTableModel::EnableListedTiles(const int* ids, int count) {
  for (int i = 0; i < CTileTable::HAND_SIZE; ++i) {
    MJTile* t = m_tiles.GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, i);
    if (!t->present || !t->standing) continue;
    t->attrB = 1;
    for (int k = 0; k < count; ++k)
      if (ids[k] == t->tileId) t->attrB = 0;
  }
}

void CMJTableModel::EnableConcealedGangTiles() {
  TileCountTable counts = {};
  const int flags = GetRuleFlags();
  for (int i = 0; i <= CTileTable::TOP_MELD_GROUP; ++i) {
    const MJTile* t = m_tiles.GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, i);
    if (t->present && t->meldKind != MELD_KIND_EXPOSED && t->meldKind != MELD_KIND_CONCEALED)
      CountTiles(&t->tileId, 1, counts, flags);
  }
  for (int i = 0; i < CTileTable::HAND_SIZE; ++i) {
    MJTile* t = m_tiles.GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, i);
    if (!t->present || !t->standing) continue;
    const int code = TileCode(t->tileId, flags);
    t->attrB = (code > 0 && code < TILE_CODE_COUNT && counts[code] == 4) ? 0 : 1;
  }
}

int CMJTableModel::GetRaisedTiles(int out[CLAIM_CHOICES]) const {
  int n = 0;
  for (int i = 0; i < CTileTable::HAND_SIZE; ++i) {
    const MJTile* t = m_tiles.GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, i);
    if (t->present && t->standing && t->attrA) out[n++] = t->tileId;
  }
  return n;
}

void CMJTableModel::ResetTable() {
  m_effects.HideAllTileEntities();
  m_tiles.Clear();
  if (m_wall) m_wall->InitWall(m_tiles);
  InitHandPlaces();
  ResetPlayedTiles();
  m_clock = ClockBlock{};
  for (ClaimOffer& o : m_offers) {
    o = ClaimOffer{};
    o.choices.fill(-1);
  }
  m_ownDrawEchoes = 0;
  m_ownDiscardEchoes = 0;
}

bool CMJTableModel::ResetRound() {
  ResetTable();
  for (int chair = 0; chair < m_info.GetPlayerCount() && chair < 4; ++chair) {
    const int side = m_info.ChairToSide(chair);
    if (!CTileTable::ValidSide(side)) continue;
    const int n = std::clamp(m_info.Word(TableInfoLayout::FLOWER_COUNTS + 4 * chair), 0, TableInfoLayout::LIST_SIZE);
    for (int i = 0; i < n; ++i) {
      int id = m_info.Word(TableInfoLayout::FLOWERS + 4 * (TableInfoLayout::LIST_SIZE * chair + i));
      if (id == -1) break;
      AddFlower(side, id);
    }
  }
  DealOwnHand();
  MarkTakenWallTiles();
  m_playing = 1;
  m_effects.NewHandDealt();
  return true;
}

void CMJTableModel::RebuildFromGameInfo() {
  ResetTable();
  const int n = m_info.GetPlayerCount();
  for (int chair = 0; chair < n && chair < 4; ++chair) {
    const int side = m_info.ChairToSide(chair);
    if (!CTileTable::ValidSide(side)) continue;
    auto list = [this](size_t base, size_t countAt, int chairIndex, auto add) {
      int count = std::clamp(m_info.Word(countAt + 4 * chairIndex), 0, TableInfoLayout::LIST_SIZE);
      for (int i = 0; i < count; ++i) {
        int id = m_info.Word(base + 4 * (TableInfoLayout::LIST_SIZE * chairIndex + i));
        if (id == -1) break;
        add(id);
      }
    };
    list(TableInfoLayout::RIVERS, TableInfoLayout::RIVER_COUNTS, chair, [&](int id) { AddTileToRiver(side, id); });
    list(TableInfoLayout::FLOWERS, TableInfoLayout::FLOWER_COUNTS, chair, [&](int id) { AddFlower(side, id); });
    // Melds: each family holds six records per chair and a count per chair; a count beyond the
    // records is cut, and no side takes more than its four groups.
    static const int familyKind[TableInfoLayout::MELD_FAMILIES] = {MELD_KIND_SET, MELD_KIND_SET, MELD_KIND_EXPOSED,
                                                                   MELD_KIND_CONCEALED, MELD_KIND_EXPOSED};
    for (int family = 0; family < TableInfoLayout::MELD_FAMILIES; ++family) {
      const size_t base = TableInfoLayout::MELDS + TableInfoLayout::MELD_FAMILY_SIZE * family;
      const size_t counts = base + 4 * 4 * TableInfoLayout::MELDS_PER_CHAIR * TableInfoLayout::MELD_INTS;
      const int count = std::clamp(m_info.Word(counts + 4 * chair), 0, TableInfoLayout::MELDS_PER_CHAIR);
      const bool gang = family >= 2;
      for (int m = 0; m < count; ++m) {
        const size_t rec = base + 4 * TableInfoLayout::MELD_INTS * (TableInfoLayout::MELDS_PER_CHAIR * chair + m);
        int tiles[4] = {m_info.Word(rec + 8), m_info.Word(rec), m_info.Word(rec + 4), m_info.Word(rec + 12)};
        if (gang && tiles[3] < 0) {
          // A gang without its fourth id still shows four tiles of its code.
          int others[3];
          tiles[3] = tiles[0];
          for (int id = 0; id < 136; ++id) {
            if (IsSameCode(id, tiles[0], GetRuleFlags()) && id != tiles[0] && id != tiles[1] && id != tiles[2]) {
              tiles[3] = id;
              break;
            }
          }
          (void)others;
        }
        if (!PlaceMeld(side, tiles, gang ? 4 : 3, familyKind[family])) break;
      }
    }
  }
  DealOwnHand();
  MarkTakenWallTiles();
  // The last discard stands in its played-tile place unless the chair in turn holds its draw.
  if (m_info.IsHandRunning() && !m_info.IsDrawnTileHeld()) {
    int side = m_info.ChairToSide(m_info.NextChair(m_info.GetCurrentChair()));
    int count = m_tiles.RiverCount(side);
    MJTile* last = m_tiles.GetTileRecord(MJ_ZONE_RIVER, side, count - 1);
    if (last && last->present) {
      MJTile* played = m_tiles.GetTileRecord(MJ_ZONE_PLAYED, side, 0);
      played->tileId = last->tileId;
      played->present = 1;
      played->nFace = 1;
      last->present = 0;
      m_tiles.SetRiverCount(side, count - 1);
    }
  }
  m_playing = m_info.IsHandRunning();
  m_effects.TableRebuilt();
}

// ---- the player's own actions ------------------------------------------------------------

void CMJTableModel::ApplyOwnDraw(int tile, int wallIndex) {
  const int previous = m_info.NextSide(SIDE_OWN);
  MJTile* played = m_tiles.GetTileRecord(MJ_ZONE_PLAYED, previous, 0);
  if (played->present) {
    played->present = 0;
    AddTileToRiver(previous, played->tileId);
    m_effects.LayOutRiver(previous);
  }
  MJTile* d = m_tiles.GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, CTileTable::DRAWN_PLACE);
  d->tileId = tile;
  d->present = 1;
  d->standing = 1;
  d->nFace = 1;
  if (IsWallPlace(wallIndex)) ClearWallPlace(wallIndex);
  m_clock.turnActive = 1;
  m_clock.remainingSeconds = m_info.GetDiscardTime();
  MoveClock(2 * SIDE_OWN);
  ++m_ownDrawEchoes;
  m_effects.ShowHand(SIDE_OWN);
}

bool CMJTableModel::ApplyOwnDiscard(int tile) {
  bool held = false;
  for (int i = CTileTable::DRAWN_PLACE; i <= CTileTable::LAST_STANDING; ++i) {
    const MJTile* t = m_tiles.GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, i);
    if (t->present && !t->meldKind && t->tileId == tile) held = true;
  }
  if (!held) return false;
  RemoveHandTile(SIDE_OWN, tile);
  InsertDrawnTile(SIDE_OWN);
  MJTile* played = m_tiles.GetTileRecord(MJ_ZONE_PLAYED, SIDE_OWN, 0);
  played->tileId = tile;
  played->present = 1;
  played->nFace = 1;
  m_clock.turnActive = 0;
  m_clock.remainingSeconds = m_info.GetClaimTime();
  MoveClock(2 * m_info.PrevSide(SIDE_OWN));
  ++m_ownDiscardEchoes;
  m_effects.ShowHand(SIDE_OWN);
  m_effects.ShowPlayedTile(SIDE_OWN);
  return true;
}

// ---- notifications -----------------------------------------------------------------------

bool CMJTableModel::OnTileDiscarded(const void* body, size_t length) {
  if (!IsNotifyBodyLongEnough(NTF_TILE_DISCARDED, body, length)) return false;
  CBodyReader r(body, length);
  const int chair = r.Int(4);
  const int tile = r.Int(84);
  const int side = SeatSide(chair, "discard");
  if (side < 0) return false;
  m_effects.TableNoticeArrived();
  m_effects.StopTurnTimers();
  if (!m_lookOn && chair == m_info.SideToChair(SIDE_OWN) && m_ownDiscardEchoes > 0) {
    --m_ownDiscardEchoes;  // the own discard, already on the table
    return true;
  }
  if (!m_lookOn && side == SIDE_OWN && m_playing) {
    // The table discarded in the own name (the turn ran out on the server, or another client
    // sent it for an absent chair): rare, and a sign of a turn this client did not follow.
    const bool ownTurnSeen = m_clock.pointTo == 2 * SIDE_OWN && HasDrawnTile(SIDE_OWN);
    char line[128];
    std::snprintf(line, sizeof line, "the table discarded tile %d in the own name%s", tile,
                  ownTurnSeen ? "" : " while the own turn was not seen here");
    m_effects.Log(line);
  }
  m_effects.PlaySoundResource(SOUND_DISCARD, 0);
  m_effects.PlayTileVoice(side, tile);
  if (HasHandTiles(side)) {
    RemoveHandTile(side, tile);
    InsertDrawnTile(side);
  }
  MJTile* drawn = m_tiles.GetTileRecord(MJ_ZONE_HAND, side, CTileTable::DRAWN_PLACE);
  drawn->present = 0;
  m_effects.ShowHand(side);
  MJTile* played = m_tiles.GetTileRecord(MJ_ZONE_PLAYED, side, 0);
  played->present = 1;
  played->tileId = tile;
  played->nFace = 1;
  m_effects.ShowPlayedTile(side);
  m_clock.pendingClaim = 0;
  m_clock.turnActive = 0;
  m_clock.remainingSeconds = m_info.GetClaimTime();
  const int next = m_info.PrevSide(side);
  m_effects.MoveClockHand(2 * side, 2 * next);
  m_clock.pointTo = 2 * next;
  if (m_lookOn || side == SIDE_OWN) return true;

  const int own = m_info.SideToChair(SIDE_OWN);
  int first = -1, second = -1;
  m_info.GetOtherOpponentSides(side, &first, &second);
  auto word = [&r, this](int s) {
    int c = m_info.SideToChair(s);
    return (c >= 0 && c < 4) ? r.Int(24 + 4 * c) : 0;
  };
  const int ownWord = (own >= 0 && own < 4) ? r.Int(24 + 4 * own) : 0;
  bool othersIdle = word(first) == 0 && (m_info.GetPlayerCount() == 3 || word(second) == 0);
  if (m_info.GetQuickPass() != 0 && othersIdle && ownWord == 0 && m_clock.pointTo == 6) {
    m_clock.remainingSeconds = 1;
    return true;
  }
  int list[CLAIM_CHOICES];
  GetStandingTiles(SIDE_OWN, list);
  for (int b = CLAIM_PENG; b <= CLAIM_PASS; ++b) {
    m_offers[b] = ClaimOffer{};
    m_offers[b].chair = chair;
    m_offers[b].tile = tile;
    m_offers[b].choices.fill(-1);
  }
  const int j1 = m_info.GetJokerTile1(), j2 = m_info.GetJokerTile2(), flags = GetRuleFlags();
  auto count = [](const ClaimOffer& o) {
    int n = 0;
    for (int id : o.choices) n += id >= 0 ? 1 : 0;
    return n;
  };
  FindPongTiles(list, CLAIM_CHOICES, tile, j1, j2, flags, m_offers[CLAIM_PENG].choices.data());
  m_offers[CLAIM_PENG].choiceCount = count(m_offers[CLAIM_PENG]);
  FindKongTiles(list, CLAIM_CHOICES, tile, j1, j2, flags, m_offers[CLAIM_GANG].choices.data());
  m_offers[CLAIM_GANG].choiceCount = count(m_offers[CLAIM_GANG]);
  if (next == SIDE_OWN) {
    FindChowPairs(list, CLAIM_CHOICES, tile, j1, j2, flags, m_offers[CLAIM_CHI].choices.data(), CLAIM_CHOICES);
    m_offers[CLAIM_CHI].choiceCount = count(m_offers[CLAIM_CHI]);
  }
  m_offers[CLAIM_PENG].enabled = (ownWord & MJOP_PENG) ? 1 : 0;
  m_offers[CLAIM_GANG].enabled = (ownWord & MJOP_GANG) ? 1 : 0;
  m_offers[CLAIM_CHI].enabled = (ownWord & MJOP_CHI) ? 1 : 0;
  m_offers[CLAIM_HU].enabled = (ownWord & MJOP_HU) ? 1 : 0;
  m_offers[CLAIM_PASS].enabled = (ownWord & MJOP_PASS) ? 1 : 0;
  for (int b = CLAIM_PENG; b <= CLAIM_PASS; ++b) m_effects.ShowClaimButton(b, m_offers[b].enabled);
  return true;
}

bool CMJTableModel::OnTileDrawn(const void* body, size_t length) {
  if (!IsNotifyBodyLongEnough(NTF_TILE_DRAWN, body, length)) return false;
  CBodyReader r(body, length);
  const int chair = r.Int(0), tile = r.Int(4), wall = r.Int(8);
  const int side = SeatSide(chair, "draw");
  if (side < 0) return false;
  if (!IsWallPlace(wall)) {
    m_effects.Log("draw refused: the wall place is outside the wall");
    return false;
  }
  m_effects.StopTurnTimers();
  if (!m_lookOn && chair == m_info.SideToChair(SIDE_OWN) && m_ownDrawEchoes > 0) {
    --m_ownDrawEchoes;  // the own draw, already on the table: nothing on it changes
    return true;
  }
  m_effects.TableNoticeArrived();
  const int previous = m_info.NextSide(side);
  MJTile* played = m_tiles.GetTileRecord(MJ_ZONE_PLAYED, previous, 0);
  if (played->present) {
    played->present = 0;
    m_effects.ShowPlayedTile(previous);
    m_effects.PlaySoundResource(SOUND_TO_RIVER, 0x11);
    AddTileToRiver(previous, played->tileId);
    m_effects.LayOutRiver(previous);
  }
  MJTile* d = m_tiles.GetTileRecord(MJ_ZONE_HAND, side, CTileTable::DRAWN_PLACE);
  d->present = 1;
  d->standing = 1;
  if (HasHandTiles(side)) {
    d->nFace = 1;
    d->tileId = tile;
  } else {
    d->tileId = MJ_TILE_HIDDEN;
  }
  m_effects.ShowHand(side);
  m_clock.turnActive = 1;
  m_clock.remainingSeconds = m_info.GetDiscardTime();
  MoveClock(2 * side);
  ClearWallPlace(wall);
  CloseClaimOffer();
  return true;
}

bool CMJTableModel::OnFlowerReplaced(const void* body, size_t length) {
  if (!IsNotifyBodyLongEnough(NTF_FLOWER_REPLACED, body, length)) return false;
  CBodyReader r(body, length);
  const int side = SeatSide(r.Int(12), "flower");
  const int flower = r.Int(16), replacement = r.Int(20), wall = r.Int(24);
  if (side < 0) return false;
  if (replacement != -1 && !IsWallPlace(wall)) {
    m_effects.Log("flower refused: the wall place is outside the wall");
    return false;
  }
  m_effects.TableNoticeArrived();
  m_effects.StopTurnTimers();
  m_effects.PlayActionVoice(side, "hua1");
  if (HasHandTiles(side)) {
    RemoveHandTile(side, flower);
    InsertDrawnTile(side);
    if (replacement != -1) {
      MJTile* d = m_tiles.GetTileRecord(MJ_ZONE_HAND, side, CTileTable::DRAWN_PLACE);
      d->tileId = replacement;
      d->standing = 1;
      d->present = 1;
      d->nFace = 1;
    }
    m_effects.ShowHand(side);
  }
  AddFlower(side, flower);
  m_effects.LayOutFlowers(side);
  m_clock.turnActive = 0;
  m_clock.remainingSeconds = m_info.GetDiscardTime();
  MoveClock(2 * side);
  if (replacement == -1) {
    m_clock.remainingSeconds = m_info.GetClaimTime();
    MoveClock(2 * m_info.PrevSide(side));
  } else {
    ClearWallPlace(wall);
    CloseClaimOffer();
  }
  return true;
}

bool CMJTableModel::OnMeld(int code, const void* body, size_t length) {
  if (!IsNotifyBodyLongEnough(code, body, length)) return false;
  std::optional<MeldRecord> meld = MeldRecord::Read(body, length);
  const int side = SeatSide(meld->actor, "meld");
  const int giver = SeatSide(meld->otherChair, "meld giver");
  if (side < 0 || giver < 0) return false;
  m_effects.TableNoticeArrived();
  m_effects.StopTurnTimers();
  int tiles[3] = {meld->tiles[0], meld->tiles[1], meld->tiles[2]};
  if (HasHandTiles(side)) {
    RemoveHandTile(side, tiles[1]);
    RemoveHandTile(side, tiles[2]);
  } else {
    RemoveHiddenTiles(side, 2);
  }
  SortStanding(side);
  // The claimer must discard now: one standing tile goes to the drawn place before the meld is
  // laid, so that with a fourth meld the standing tiles are down to record 1 when the group
  // above it is taken.
  MoveFirstStandingToDrawn(side);
  PlaceMeld(side, tiles, 3, MELD_KIND_SET);
  SortStanding(side);
  m_effects.ShowHand(side);
  MJTile* played = m_tiles.GetTileRecord(MJ_ZONE_PLAYED, giver, 0);
  played->present = 0;
  m_effects.ShowPlayedTile(giver);
  m_clock.turnActive = 0;
  m_clock.remainingSeconds = m_info.GetDiscardTime();
  MoveClock(2 * side);
  CloseClaimOffer();
  return true;
}

bool CMJTableModel::OnGangMeld(int code, const void* body, size_t length) {
  if (code != NTF_GANG_EXPOSED && code != NTF_GANG_CONCEALED && code != NTF_GANG_ADDED) return false;
  if (!IsNotifyBodyLongEnough(code, body, length)) return false;
  std::optional<MeldRecord> meld = MeldRecord::Read(body, length);
  const int side = SeatSide(meld->actor, "gang");
  if (side < 0) return false;
  int giver = -1;
  if (code == NTF_GANG_EXPOSED && (giver = SeatSide(meld->otherChair, "gang giver")) < 0) return false;
  if (!IsWallPlace(meld->replacementWall)) {
    m_effects.Log("gang refused: the replacement's wall place is outside the wall");
    return false;
  }
  m_effects.TableNoticeArrived();
  const bool known = HasHandTiles(side) != 0;
  int tiles[4] = {meld->tiles[0], meld->tiles[1], meld->tiles[2], meld->tiles[3]};
  MJTile* drawn = m_tiles.GetTileRecord(MJ_ZONE_HAND, side, CTileTable::DRAWN_PLACE);
  if (code == NTF_GANG_EXPOSED) {
    if (known) {
      for (int k = 1; k < 4; ++k) RemoveHandTile(side, tiles[k]);
    } else {
      RemoveHiddenTiles(side, 3);
    }
    SortStanding(side);
    PlaceMeld(side, tiles, 4, MELD_KIND_EXPOSED);
    MJTile* played = m_tiles.GetTileRecord(MJ_ZONE_PLAYED, giver, 0);
    played->present = 0;
    m_effects.ShowPlayedTile(giver);
    m_clock.turnActive = 0;
    m_clock.remainingSeconds = m_info.GetDiscardTime();
  } else if (code == NTF_GANG_ADDED) {
    if (known) {
      RemoveHandTile(side, tiles[0]);
    } else if (drawn->present) {
      drawn->present = 0;
    } else {
      RemoveHiddenTiles(side, 1);
    }
    InsertDrawnTile(side);
    AddToPeng(side, tiles[0]);
    m_clock.remainingSeconds = m_info.GetDiscardTime();
  } else {
    m_effects.PlayActionVoice(side, "gang1");
    if (known) {
      for (int k = 0; k < 4; ++k) RemoveHandTile(side, tiles[k]);
    } else {
      drawn->present = 0;
      RemoveHiddenTiles(side, 3);
    }
    InsertDrawnTile(side);
    PlaceMeld(side, tiles, 4, MELD_KIND_CONCEALED);
    m_clock.remainingSeconds += 3;
  }
  SortStanding(side);
  // The replacement from the tail of the wall.
  drawn->tileId = known ? meld->replacement : MJ_TILE_HIDDEN;
  drawn->present = 1;
  drawn->standing = 1;
  drawn->nFace = known ? 1 : 0;
  m_effects.ShowHand(side);
  MoveClock(2 * side);
  ClearWallPlace(meld->replacementWall);
  CloseClaimOffer();
  return true;
}

bool CMJTableModel::OnPengAnnounced(const void* body, size_t length) {
  if (!IsNotifyBodyLongEnough(NTF_PENG_ANNOUNCED, body, length)) return false;
  const int side = SeatSide(CBodyReader(body, length).Int(12), "peng");
  if (side < 0) return false;
  m_effects.TableNoticeArrived();
  m_effects.StopTurnTimers();
  m_effects.PlayActionVoice(side, "peng1");
  return true;
}

bool CMJTableModel::OnChiAnnounced(const void* body, size_t length) {
  if (!IsNotifyBodyLongEnough(NTF_CHI_ANNOUNCED, body, length)) return false;
  const int side = SeatSide(CBodyReader(body, length).Int(12), "chi");
  if (side < 0) return false;
  m_effects.TableNoticeArrived();
  m_effects.StopTurnTimers();
  m_effects.PlayActionVoice(side, "chi1");
  m_clock.remainingSeconds = m_info.GetClaimTime();
  return true;
}

bool CMJTableModel::OnGangAnnounced(const void* body, size_t length) {
  if (!IsNotifyBodyLongEnough(NTF_GANG_ANNOUNCED, body, length)) return false;
  CBodyReader r(body, length);
  const int side = SeatSide(r.Int(0), "gang announced");
  if (side < 0) return false;
  const int kind = r.Int(12);
  m_effects.TableNoticeArrived();
  m_effects.PlayActionVoice(side, "gang2");
  if (kind == 2) m_clock.remainingSeconds = m_info.GetClaimTime();
  const int own = m_info.SideToChair(SIDE_OWN);
  if (!m_lookOn && own >= 0 && own < 4 && (r.Int(16 + 4 * own) & MJOP_HU)) {
    ClaimOffer& hu = m_offers[CLAIM_HU];
    hu.robbedKind = kind;
    hu.tile = r.Int(8);
    hu.chair = r.Int(4);
    hu.enabled = 1;
    m_offers[CLAIM_PASS].enabled = 1;
    m_effects.ShowClaimButton(CLAIM_HU, 1);
    m_effects.ShowClaimButton(CLAIM_PASS, 1);
  }
  return true;
}

bool CMJTableModel::OnTimeUp() {
  m_effects.TableNoticeArrived();
  m_clock.remainingSeconds = 0;
  m_effects.OnCountdownExpired();
  return true;
}

bool CMJTableModel::OnHandRefresh(const void* body, size_t length) {
  if (!IsNotifyBodyLongEnough(NTF_HAND_REFRESH, body, length)) return false;
  CBodyReader r(body, length);
  if (r.Int(4) != m_info.SideToChair(SIDE_OWN)) return true;
  // Only the standing places below the melds take ids; the rest of a long list is dropped.
  const int n = std::clamp(r.Int(8), 0, std::min(StandingLimit(SIDE_OWN), static_cast<int>((length - 12) / 4)));
  int ids[CLAIM_CHOICES];
  for (int i = 0; i < n; ++i) ids[i] = r.Int(12 + 4 * i);
  SetHandTiles(SIDE_OWN, ids, n);
  SortStanding(SIDE_OWN);
  m_effects.ShowHand(SIDE_OWN);
  m_effects.PlaySoundResource(SOUND_HAND_SHOWN, 0);
  return true;
}

bool CMJTableModel::OnShowHand(const void* body, size_t length) {
  if (!IsNotifyBodyLongEnough(NTF_HAND_SHOWN, body, length)) return false;
  // Hiding the hand again needs the onlooker's own user id, which the dispatcher checks.
  CBodyReader r(body, length);
  if (!m_lookOn || r.Int(12) != m_info.SideToChair(SIDE_OWN) || r.Int(20) != 0 || !HasHandTiles(SIDE_OWN)) return true;
  for (int i = CTileTable::DRAWN_PLACE; i <= CTileTable::LAST_STANDING; ++i) {
    MJTile* t = m_tiles.GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, i);
    if (!t->meldKind) {
      t->tileId = MJ_TILE_HIDDEN;
      t->nFace = 0;
    }
  }
  m_effects.ShowHand(SIDE_OWN);
  m_effects.PlaySoundResource(SOUND_HAND_SHOWN, 5);
  return true;
}

bool CMJTableModel::OnHandResult(const void* body, size_t length) {
  if (!IsNotifyBodyLongEnough(NTF_HAND_RESULT, body, length)) return false;
  m_effects.TableNoticeArrived();
  CBodyReader r(body, length);
  if (r.Int(RoundResultLayout::SOUND_WORD) == 0) m_effects.PlaySoundResource(SOUND_RESULT, 0);
  m_effects.ShowClaimButtons(0);
  const int winTile = r.Int(RoundResultLayout::WIN_TILE);
  for (int chair = 0; chair < m_info.GetPlayerCount() && chair < 4; ++chair) {
    const int side = m_info.ChairToSide(chair);
    if (!CTileTable::ValidSide(side)) continue;
    int list[32];
    int n = m_info.GetFinalTiles(chair, list);
    if (r.Int(RoundResultLayout::WIN_WORDS + 4 * chair) < 1) {
      if (!HasDrawnTile(side)) {
        LayOutHandFromList(side, list, n, -1);
      } else if (r.Int(RoundResultLayout::WORD676) == -1 && n > 0) {
        LayOutHandFromList(side, list, n - 1, list[n - 1]);
      } else {
        LayOutHandFromList(side, list, n, winTile);
      }
    } else {
      m_effects.PlayWinEffect(side);
      if (m_info.IsWinTileInHand()) {
        for (int i = 0; i < n; ++i) {
          if (list[i] == winTile) {
            std::copy(list + i + 1, list + n, list + i);
            list[--n] = -1;
            break;
          }
        }
      }
      LayOutHandFromList(side, list, n, winTile);
    }
    m_effects.ShowHand(side);
  }
  m_playing = 0;
  return true;
}
