// The table scene's tile table: every place a tile can take on the table, grouped by zone
// (the wall, the four hands, the four flower rows, the four discard rivers and the four played
// tiles). Hand record 0 is the drawn tile, records 1 to 13 the standing tiles in sort order, and
// melds fill records 17 down in groups of four.
#pragma once

#include <array>

#define MJ_ZONE_WALL 1
#define MJ_ZONE_HAND 2
#define MJ_ZONE_HAND_LAID 3
#define MJ_ZONE_FLOWERS 4
#define MJ_ZONE_RIVER 5
#define MJ_ZONE_PLAYED 6

// One place for a tile on the table.
struct MJTile {
  int tileId = 200;  // 200: an empty place
  int x = 0;
  int y = 0;
  int nFace = 0;     // 0 back, 1 face, 2 standing tile seen from the side
  int lie = 0;
  int standing = 0;  // 1 while the tile stands in a hand
  int attrA = 0;     // raised by the player
  int present = 0;   // 1 while the place holds a tile
  int attrB = 0;     // dimmed in a choice mode
  int meldKind = 0;
  int side = 0;
  int jokerMark = 0;
  int showHu = 0;
  int nObject = 0;   // the bound entity row
  int level = 0;
};

class CTileTable {
 public:
  static constexpr int WALL_PLACES = 168;
  static constexpr int HAND_PLACES = 32;
  static constexpr int RIVER_PLACES = 36;
  static constexpr int FLOWER_PLACES = 36;
  static constexpr int SIDES = 4;
  static constexpr int RECORD_COUNT = WALL_PLACES + SIDES * (HAND_PLACES + RIVER_PLACES + FLOWER_PLACES + 1);
  // Hand places.
  static constexpr int DRAWN_PLACE = 0;
  static constexpr int FIRST_STANDING = 1;
  static constexpr int LAST_STANDING = 13;
  static constexpr int TOP_MELD_GROUP = 17;
  static constexpr int MELD_GROUPS = 4;  // groups start at 17, 13, 9 and 5
  static constexpr int HAND_SIZE = 14;   // the drawn place and 13 standing places

  CTileTable() { Clear(); }

  // The record of a place: side is ignored for the wall and index for the played tile. Null
  // for an unknown zone and for a side or index outside the zone, so a number from the server
  // can never reach past a zone.
  MJTile* GetTileRecord(int zone, int side, int index);
  const MJTile* GetTileRecord(int zone, int side, int index) const;

  void Clear();
  int RiverCount(int side) const { return ValidSide(side) ? m_riverCount[side] : 0; }
  int FlowerCount(int side) const { return ValidSide(side) ? m_flowerCount[side] : 0; }
  void SetRiverCount(int side, int n) { if (ValidSide(side)) m_riverCount[side] = n; }
  void SetFlowerCount(int side, int n) { if (ValidSide(side)) m_flowerCount[side] = n; }

  static bool ValidSide(int side) { return side >= 0 && side < SIDES; }

 private:
  std::array<MJTile, WALL_PLACES> m_wall;
  std::array<std::array<MJTile, HAND_PLACES>, SIDES> m_hands;
  std::array<std::array<MJTile, RIVER_PLACES>, SIDES> m_rivers;
  std::array<std::array<MJTile, FLOWER_PLACES>, SIDES> m_flowers;
  std::array<MJTile, SIDES> m_played;
  std::array<int, SIDES> m_riverCount{};
  std::array<int, SIDES> m_flowerCount{};
};
