#include "mahjong/scene/TileEntityTable.h"

#include <cstdio>

int CTileEntityTable::AllocEntity() {
  for (int i = 1; i < ROWS; ++i)
    if (m_rows[i].zone == 0) return i;
  Log("实体请求错误，已无空闲实体!");
  return 0;
}

void CTileEntityTable::Bind(int row, MJTile& record, int zone, int side, int index) {
  if (row <= 0 || row >= ROWS) return;
  TileEntityRow& r = m_rows[row];
  r.zone = zone;
  r.side = side;
  r.index = index;
  r.nFace = record.nFace;
  r.lie = record.lie;
  r.tileId = record.tileId;
  r.attrB = record.attrB;
  r.attrA = record.attrA;
  r.recordSide = record.side;
  record.nObject = row;
}

void CTileEntityTable::ReleaseEntity(MJTile* record, int row) {
  if (record != nullptr) record->nObject = 0;
  if (row <= 0 || row >= ROWS) return;
  TileEntityRow& r = m_rows[row];
  r.zone = 0;
  r.tileId = 200;
  if (onRelease) onRelease(r);
  r.control = 0;
}

void CTileEntityTable::ReleaseRecordEntity(MJTile& record) {
  if (record.nObject != 0) ReleaseEntity(&record, record.nObject);
}

void CTileEntityTable::ReleaseAllEntities(CTileTable& tiles) {
  for (int i = 1; i < ROWS; ++i) {
    if (m_rows[i].zone == 0) continue;
    MJTile* record = RecordOf(tiles, m_rows[i]);
    // Only a record that still names this row lets go of it; another row's binding stays.
    ReleaseEntity(record != nullptr && record->nObject == i ? record : nullptr, i);
  }
}

MJTile* CTileEntityTable::RecordOf(CTileTable& tiles, const TileEntityRow& row) {
  // The row's address was checked when it was bound; a hand row of zone 3 is a hand record.
  const int zone = row.zone == MJ_ZONE_HAND_LAID ? MJ_ZONE_HAND : row.zone;
  int limit = 0;
  switch (zone) {
    case MJ_ZONE_WALL: limit = CTileTable::WALL_PLACES; break;
    case MJ_ZONE_HAND: limit = CTileTable::HAND_PLACES; break;
    case MJ_ZONE_RIVER: limit = CTileTable::RIVER_PLACES; break;
    case MJ_ZONE_FLOWERS: limit = CTileTable::FLOWER_PLACES; break;
    case MJ_ZONE_PLAYED: limit = 1; break;
    default: return nullptr;
  }
  if (row.side < 0 || row.side >= CTileTable::SIDES || row.index < 0 || row.index >= limit) return nullptr;
  return tiles.GetTileRecord(zone, row.side, row.index);
}

void CTileEntityTable::ReleaseStaleEntities(CTileTable& tiles) {
  for (int i = 1; i < ROWS; ++i) {
    TileEntityRow& r = m_rows[i];
    if (r.zone == 0) continue;
    MJTile* t = RecordOf(tiles, r);
    bool keep = t != nullptr && t->present != 0;
    if (keep && r.zone == MJ_ZONE_HAND) keep = t->meldKind == 0 && t->standing == 1;
    if (keep && r.zone == MJ_ZONE_HAND_LAID) keep = t->meldKind != 0 || t->standing == 0;
    if (keep) {
      keep = t->nFace == r.nFace && t->lie == r.lie && t->tileId == r.tileId && t->attrB == r.attrB &&
             t->side == r.recordSide && t->attrA == r.attrA;
    }
    if (keep) {
      // A record whose binding was cleared (the table was reset under the pictures) while this
      // row still shows it exactly is this row's again; otherwise the next build would give the
      // record a second picture and leave this one on the table.
      if (t->nObject == 0) {
        t->nObject = i;
        continue;
      }
      if (t->nObject != i) {
        char text[128];
        std::snprintf(text, sizeof text, "麻将实体绑定错误，一个重复的可用绑定:mj->nObject:%d,i:%d\r\n", t->nObject, i);
        Log(text);
      }
      continue;
    }
    // A record that another row now shows keeps its binding.
    ReleaseEntity(t != nullptr && t->nObject == i ? t : nullptr, i);
  }
}

int CTileEntityTable::BoundCount() const {
  int n = 0;
  for (int i = 1; i < ROWS; ++i) n += m_rows[i].zone != 0 ? 1 : 0;
  return n;
}
