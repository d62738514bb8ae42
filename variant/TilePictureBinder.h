// Puts the table's tiles on the engine as pictures: one picture entity per entity row, made once
// when the scene starts, bound to the tile records that are on the table and drawn with the frame
// of the tile's strip that fits its zone and side. Each build first lets go of the rows whose
// record changed, then binds and places every present record that has no row: the wall around
// the centre, the hands along the table's edges, the rivers, the flowers and the played tiles.
#pragma once

#include <functional>
#include <string>

#include "mahjong/RiverLayout.h"
#include "mahjong/scene/TableMetrics.h"
#include "mahjong/scene/TileEntityTable.h"
#include "mahjong/scene/TilePictureSet.h"
#include "mahjong/scene/WallLayout.h"

class GameBase;
class Entity;

class CTilePictureBinder {
 public:
  static constexpr int LAYER = 2;
  static constexpr int FLOWER_PLACES = 8;

  // Makes the row pictures (hidden); a second call does nothing.
  void Init(GameBase& scene, const CTilePictureSet& pictures, std::function<void(const std::string&)> log);
  // Lays the table out for a scene size: the metrics, and the wall segments around the centre.
  void SetLayout(const CTableMetrics& metrics, int tileCount);
  // Binds and places every record on the table; rows of records that changed are drawn anew.
  void Build(CTileTable& tiles);
  // Every row let go, for a new layout.
  void ReleaseAll(CTileTable& tiles) { m_table.ReleaseAllEntities(tiles); }
  // The own standing tiles' rows take a tile control (take: the row has none yet), and every
  // row that is released gives its control back (release).
  void SetControlHooks(std::function<void(TileEntityRow&)> take, std::function<void(TileEntityRow&)> release) {
    m_takeControl = std::move(take);
    m_releaseControl = std::move(release);
  }
  // One record's picture let go, so that the next build draws it anew.
  void ReleaseRecord(MJTile& record) { m_table.ReleaseRecordEntity(record); }
  // Which sides' hands and flowers are on the table (a hand being dealt shows side by side);
  // a side that is not shown has no pictures.
  void SetShown(const bool hands[4], const bool flowers[4]) {
    for (int i = 0; i < 4; ++i) m_handShown[i] = hands[i], m_flowersShown[i] = flowers[i];
  }
  // While set, the own drawn tile shows the joker mark in place of its face.
  void SetJokerMark(bool on) { m_jokerMark = on; }
  // While set, the own drawn place is kept free: its tile is on its way there (a picture of its
  // own slides in). A build still works out where the place is (its centre and level), which
  // DrawnPlace answers; false when the last build found no tile for the place.
  void HoldDrawnTile(bool on) {
    m_drawnHeld = on;
    m_drawnPlaced = false;
  }
  bool DrawnPlace(POINT* centre, int* level) const {
    if (!m_drawnPlaced) return false;
    *centre = m_drawnCentre;
    *level = m_drawnLevel;
    return true;
  }
  // Which tiles are jokers: a joker in a hand (any side's) is drawn tinted.
  void SetJokerRule(std::function<bool(int tile)> isJoker) { m_isJoker = std::move(isJoker); }
  static constexpr uint32_t JOKER_TINT = 0x120AF5;
  static constexpr double JOKER_OPACITY = 0.7;
  // An own tile dimmed for the choice at hand is darkened.
  static constexpr uint32_t DIM_BACK = 0;
  static constexpr double DIM_OPACITY = 0.6;

  const CTileEntityTable& Table() const { return m_table; }
  TileEntityRow& Row(int row) { return m_table.Row(row); }
  Entity* RowEntity(int row) const;
  const CTableMetrics& Metrics() const { return m_metrics; }
  const CWallLayout& Wall() const { return m_wall; }

 private:
  void BuildWall(CTileTable& tiles);
  void BuildHand(CTileTable& tiles, int side);
  void BuildRiver(CTileTable& tiles, int side);
  void BuildFlowers(CTileTable& tiles, int side);
  void BuildPlayed(CTileTable& tiles, int side);
  // Binds a record to a new row and shows its picture centred at (cx, cy); false when no row
  // is free or the record has no picture.
  bool Place(MJTile& record, int zone, int side, int index, const TilePictureChoice& choice, int cx, int cy,
             int level, double alpha, uint32_t back = CTilePictureSet::KEY);

  GameBase* m_scene = nullptr;
  const CTilePictureSet* m_pictures = nullptr;
  CTileEntityTable m_table;
  CTableMetrics m_metrics;
  CWallLayout m_wall;
  // The wall's places as the layout puts them: each index's segment, offset and level.
  CTileTable m_wallPlaces;
  std::function<void(const std::string&)> m_log;
  std::function<void(TileEntityRow&)> m_takeControl;
  std::function<void(TileEntityRow&)> m_releaseControl;
  bool m_handShown[4] = {true, true, true, true};
  bool m_flowersShown[4] = {true, true, true, true};
  bool m_jokerMark = false;
  bool m_drawnHeld = false;
  bool m_drawnPlaced = false;
  POINT m_drawnCentre{};
  int m_drawnLevel = 0;
  std::function<bool(int tile)> m_isJoker;
};
