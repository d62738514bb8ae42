#include "mahjong/scene/TileTable.h"

MJTile* CTileTable::GetTileRecord(int zone, int side, int index) {
  return const_cast<MJTile*>(static_cast<const CTileTable*>(this)->GetTileRecord(zone, side, index));
}

const MJTile* CTileTable::GetTileRecord(int zone, int side, int index) const {
  switch (zone) {
    case MJ_ZONE_WALL:
      return (index >= 0 && index < WALL_PLACES) ? &m_wall[index] : nullptr;
    case MJ_ZONE_HAND:
    case MJ_ZONE_HAND_LAID:
      return (ValidSide(side) && index >= 0 && index < HAND_PLACES) ? &m_hands[side][index] : nullptr;
    case MJ_ZONE_FLOWERS:
      return (ValidSide(side) && index >= 0 && index < FLOWER_PLACES) ? &m_flowers[side][index] : nullptr;
    case MJ_ZONE_RIVER:
      return (ValidSide(side) && index >= 0 && index < RIVER_PLACES) ? &m_rivers[side][index] : nullptr;
    case MJ_ZONE_PLAYED:
      return ValidSide(side) ? &m_played[side] : nullptr;
    default:
      return nullptr;
  }
}

void CTileTable::Clear() {
  m_wall.fill(MJTile{});
  for (int s = 0; s < SIDES; ++s) {
    for (MJTile& t : m_hands[s]) t = MJTile{}, t.side = s;
    for (MJTile& t : m_rivers[s]) t = MJTile{}, t.side = s;
    for (MJTile& t : m_flowers[s]) t = MJTile{}, t.side = s;
    m_played[s] = MJTile{};
    m_played[s].side = s;
  }
  m_riverCount.fill(0);
  m_flowerCount.fill(0);
}
