#include "variant/TilePictureBinder.h"

#include "engine/Entity.h"
#include "engine/GameBase.h"
#include "engine/PictureEntity.h"
#include "mahjong/MeldPlacement.h"
#include "mahjong/SeatLayout.h"
#include "mahjong/TileRules.h"
#include "mahjong/scene/TilePictures.h"

namespace {

constexpr uint32_t KEY = CTilePictureSet::KEY;
constexpr int PLAYED_LEVEL = 3000;
// Hand pictures stack by their height on the screen, so that a nearer tile covers the one
// behind it; the wall (1000-1600) lies below and the played tiles above.
constexpr int HAND_LEVEL = 2000;
constexpr int RAISE = 10;  // a raised own tile stands this much above the others
constexpr int MELD_GAP = 8;
constexpr int DRAWN_GAP = 12;

}  // namespace

void CTilePictureBinder::Init(GameBase& scene, const CTilePictureSet& pictures,
                              std::function<void(const std::string&)> log) {
  if (m_scene != nullptr) return;
  m_scene = &scene;
  m_pictures = &pictures;
  m_log = std::move(log);
  m_table.log = m_log;
  const int w = m_metrics.Metric(METRIC_LARGE_WIDTH), h = m_metrics.Metric(METRIC_LARGE_HEIGHT);
  for (int row = 1; row < CTileEntityTable::ROWS; ++row) {
    Entity* e = scene.CreatePicture(LAYER, -100, -100, pictures.Id(TPIC_LARGE), GetFaceIndex(MJ_TILE_HIDDEN) * w,
                                    0, w, h, "麻将", KEY);
    if (e != nullptr) scene.ShowEntity(e, 0);
    m_table.Row(row).entity = e;
  }
  m_table.onRelease = [this](TileEntityRow& r) {
    // A row's control goes with the row: no control stays bound to a row that is gone.
    if (r.control != 0 && m_releaseControl) m_releaseControl(r);
    Entity* e = static_cast<Entity*>(r.entity);
    if (e == nullptr) return;
    e->SetAlpha(1.0);
    PictureEntity::SetBackColor(e, KEY);
    m_scene->ShowEntity(e, 0);
  };
}

Entity* CTilePictureBinder::RowEntity(int row) const {
  if (row <= 0 || row >= CTileEntityTable::ROWS) return nullptr;
  return static_cast<Entity*>(m_table.Row(row).entity);
}

void CTilePictureBinder::SetLayout(const CTableMetrics& metrics, int tileCount) {
  m_metrics = metrics;
  m_wall.tileCount = tileCount > 0 && tileCount <= CTileTable::WALL_PLACES ? tileCount : 136;
  m_wall.segments = 4;
  m_wall.playerCount = 4;
  m_wall.centre = metrics.GetCentreRect();
  m_wall.InitWall(m_wallPlaces);
}

void CTilePictureBinder::Build(CTileTable& tiles) {
  if (m_scene == nullptr) return;
  m_table.ReleaseStaleEntities(tiles);
  BuildWall(tiles);
  for (int side = 0; side < CTileTable::SIDES; ++side) {
    BuildRiver(tiles, side);
    if (m_flowersShown[side]) {
      BuildFlowers(tiles, side);
    } else {
      for (int i = 0; i < FLOWER_PLACES; ++i) m_table.ReleaseRecordEntity(*tiles.GetTileRecord(MJ_ZONE_FLOWERS, side, i));
    }
    if (m_handShown[side]) {
      BuildHand(tiles, side);
    } else {
      for (int i = 0; i < CTileTable::HAND_PLACES; ++i) m_table.ReleaseRecordEntity(*tiles.GetTileRecord(MJ_ZONE_HAND, side, i));
    }
    BuildPlayed(tiles, side);
  }
}

bool CTilePictureBinder::Place(MJTile& record, int zone, int side, int index, const TilePictureChoice& choice,
                               int cx, int cy, int level, double alpha, uint32_t back) {
  const uint32_t id = m_pictures->Id(choice.picture);
  if (id == 0) return false;
  const int row = m_table.AllocEntity();
  Entity* e = RowEntity(row);
  if (e == nullptr) return false;
  m_table.Bind(row, record, zone, side, index);
  // The back colour tints a picture drawn at less than full opacity (the picture's key colour:
  // no tint).
  PictureEntity::SetPicture(e, id, choice.sx, 0, choice.w, choice.h, back);
  e->SetSize(choice.w, choice.h);
  e->SetAlpha(alpha);
  e->SetLevel(level);
  e->MoveTo(cx, cy);
  m_scene->ShowEntity(e, 1);
  return true;
}

void CTilePictureBinder::BuildWall(CTileTable& tiles) {
  for (int i = 0; i < m_wall.tileCount; ++i) {
    MJTile* t = tiles.GetTileRecord(MJ_ZONE_WALL, 0, i);
    const MJTile* place = m_wallPlaces.GetTileRecord(MJ_ZONE_WALL, 0, i);
    if (!t->present || t->nObject != 0) continue;
    // Where a wall tile stands is the layout's, whatever the record was told.
    MJTile shown = *t;
    shown.side = place->side;
    TilePictureChoice c;
    RECT g{};
    if (!ChooseWallPicture(shown, m_metrics, &c) || !m_wall.GetWallSideRect(place->side, &g)) continue;
    Place(*t, MJ_ZONE_WALL, 0, i, c, g.left + place->x + c.w / 2 + 1, g.top + place->y + c.h / 2 + 1,
          place->level, 1.0);
  }
}

void CTilePictureBinder::BuildHand(CTileTable& tiles, int side) {
  if (side == SIDE_OWN) m_drawnPlaced = false;
  RECT a{};
  if (!m_metrics.GetHandArea(side, &a)) return;
  // The order along the hand: the melds from the top group down, the standing tiles, the tiles
  // laid down outside a meld, then the drawn tile a little apart.
  int order[CTileTable::HAND_PLACES];
  int gaps[CTileTable::HAND_PLACES] = {};
  int n = 0;
  const int places = 18;
  for (int i = places - 1; i > CTileTable::LAST_STANDING; --i) order[n++] = i;
  const int standingFrom = n;
  for (int i = CTileTable::FIRST_STANDING; i <= CTileTable::LAST_STANDING; ++i)
    if (tiles.GetTileRecord(MJ_ZONE_HAND, side, i)->meldKind == 0) order[n++] = i;
  for (int i = CTileTable::FIRST_STANDING; i <= CTileTable::LAST_STANDING; ++i)
    if (tiles.GetTileRecord(MJ_ZONE_HAND, side, i)->meldKind != 0) order[n++] = i;
  gaps[n] = DRAWN_GAP;
  order[n++] = CTileTable::DRAWN_PLACE;
  if (standingFrom > 0 && standingFrom < n) gaps[standingFrom] = MELD_GAP;

  int pos = 0;
  bool anyBefore = false;
  for (int k = 0; k < n; ++k) {
    const int i = order[k];
    MJTile* t = tiles.GetTileRecord(MJ_ZONE_HAND, side, i);
    if (!t->present) continue;
    if (anyBefore) pos += gaps[k];
    anyBefore = true;
    const bool standing = t->standing == 1 && t->meldKind == 0;
    MJTile shown = *t;
    // Tiles the model lays down carry no lie of their own: they lie facing their owner. A
    // standing tile of another player that the client may not see is seen from the side.
    if (!standing && shown.lie == 0) shown.lie = CMeldPlacement::NormalLie(side);
    if (standing && side != SIDE_OWN && shown.nFace == 0) shown.nFace = 2;
    TilePictureChoice c;
    bool drawable = ChooseHandPicture(shown, side, m_metrics, &c);
    if (drawable && m_jokerMark && side == SIDE_OWN && i == CTileTable::DRAWN_PLACE && standing) {
      // The joker mark's first frame, in the size of the face it stands for.
      c.picture = TPIC_JOKER;
      c.sx = 0;
    }
    // The step along the hand: a picture's width across the table, and along the side walls the
    // metric step (standing tiles seen from the side and laid tiles overlap by their depth).
    int step = c.w;
    if (side == 0 || side == 2) step = standing ? m_metrics.Metric(METRIC_STANDING_SIDE0) : c.h - 11;
    if (!drawable) {
      pos += step;
      continue;
    }
    int cx = 0, cy = 0;
    switch (side) {
      case SIDE_OWN:
        cx = a.left + pos + c.w / 2;
        cy = standing ? a.top + RAISE + c.h / 2 - (t->attrA != 0 ? RAISE : 0) : a.bottom - c.h / 2;
        break;
      case SIDE_TOP:
        cx = a.right - pos - c.w / 2;
        cy = a.top + c.h / 2;
        break;
      case 0:
        cx = a.left + c.w / 2;
        cy = a.bottom - pos - c.h / 2;
        break;
      default:
        cx = a.right - c.w / 2;
        cy = a.top + pos + c.h / 2;
        break;
    }
    pos += step;
    if (m_drawnHeld && side == SIDE_OWN && i == CTileTable::DRAWN_PLACE) {
      // The place stays free for the tile on its way; no picture and no control until it came.
      m_table.ReleaseRecordEntity(*t);
      m_drawnPlaced = standing;
      m_drawnCentre = POINT{cx, cy};
      m_drawnLevel = HAND_LEVEL + cy;
      continue;
    }
    if (t->nObject != 0) {
      // A tile drawn before keeps its picture but follows the hand as it closes up.
      if (Entity* e = RowEntity(t->nObject)) {
        e->SetLevel(HAND_LEVEL + cy);
        e->MoveTo(cx, cy);
        // The screen draws an entity where it last heard of it: tell it the new place.
        e->Refresh();
      }
    } else {
      // An own tile the player may not choose now is darkened: drawn at 0.6 over black, so that
      // nothing of the table shows through it.
      const bool dimmed = side == SIDE_OWN && t->attrB == 1;
      double alpha = dimmed ? DIM_OPACITY : 1.0;
      uint32_t back = dimmed ? DIM_BACK : KEY;
      // A joker on any side shows tinted, unless it is an own tile dimmed for the choice at hand.
      if (!dimmed && c.picture != TPIC_JOKER && m_isJoker && t->nFace != 0 && m_isJoker(t->tileId)) {
        alpha = JOKER_OPACITY;
        back = JOKER_TINT;
      }
      Place(*t, standing ? MJ_ZONE_HAND : MJ_ZONE_HAND_LAID, side, i, c, cx, cy, HAND_LEVEL + cy, alpha, back);
    }
    // An own standing tile answers to the mouse through a tile control; one that found no free
    // control when it was drawn takes one as soon as another tile gives its control back.
    if (side == SIDE_OWN && standing && t->nObject != 0 && m_takeControl) {
      TileEntityRow& row = m_table.Row(t->nObject);
      if (row.control == 0) m_takeControl(row);
    }
  }
}

void CTilePictureBinder::BuildRiver(CTileTable& tiles, int side) {
  RECT g{}, r{};
  if (!m_wall.GetWallSideRect(side, &g) || !GetRiverRect(side, g, m_metrics.IsSmallScreen(), 4, &r)) return;
  for (int i = 0; i < CTileTable::RIVER_PLACES; ++i) {
    MJTile* t = tiles.GetTileRecord(MJ_ZONE_RIVER, side, i);
    if (!t->present || t->nObject != 0) continue;
    RiverPlace p;
    TilePictureChoice c;
    if (!GetRiverPlace(side, i, RiverStyle{}, &p) || !ChooseRiverPicture(*t, side, m_metrics, &c)) continue;
    Place(*t, MJ_ZONE_RIVER, side, i, c, r.left + p.x + c.w / 2 + 1, r.top + p.y + c.h / 2 + 1, p.level, 1.0);
  }
}

void CTilePictureBinder::BuildFlowers(CTileTable& tiles, int side) {
  RECT hand{}, nextWall{}, nextRiver{}, area{};
  const int next = (side + 1) % 4;
  if (!m_metrics.GetHandArea(side, &hand) || !m_wall.GetWallSideRect(next, &nextWall)) return;
  GetRiverRect(next, nextWall, m_metrics.IsSmallScreen(), 4, &nextRiver);
  if (!GetFlowerArea(side, hand, FLOWER_PLACES, m_metrics.IsSmallScreen(), 4, nextRiver, &area)) return;
  for (int i = 0; i < FLOWER_PLACES; ++i) {
    MJTile* t = tiles.GetTileRecord(MJ_ZONE_FLOWERS, side, i);
    if (!t->present || t->nObject != 0) continue;
    RiverPlace p;
    TilePictureChoice c;
    if (!GetFlowerPlace(side, i, FLOWER_PLACES, &p) || !ChooseFlowerPicture(*t, side, m_metrics, &c)) continue;
    Place(*t, MJ_ZONE_FLOWERS, side, i, c, area.left + p.x + c.w / 2 + 1, area.top + p.y + c.h / 2 + 1,
          p.level, 1.0);
  }
}

void CTilePictureBinder::BuildPlayed(CTileTable& tiles, int side) {
  MJTile* t = tiles.GetTileRecord(MJ_ZONE_PLAYED, side, 0);
  if (!t->present || t->nObject != 0 || t->tileId < 0 || t->tileId == MJ_TILE_HIDDEN) return;
  RECT r{};
  TilePictureChoice c;
  if (!m_metrics.GetPlayedTileRect(side, &r) || !ChoosePlayedPicture(*t, m_metrics, &c)) return;
  Place(*t, MJ_ZONE_PLAYED, side, 0, c, r.left + c.w / 2 + 1, r.top + c.h / 2 + 1, PLAYED_LEVEL, 1.0);
}
