// The rows that bind tile records to the scene's picture entities. A row remembers which record
// it shows and the record's fields as they were when it was drawn, so that a record that changed
// since is found and drawn anew; row 0 is never handed out, and a record's nObject names its row.
#pragma once

#include <functional>
#include <string>

#include "mahjong/scene/TileTable.h"

struct TileEntityRow {
  void* entity = nullptr;  // the engine picture, made once and kept for the scene's life
  int zone = 0;            // 0: free
  int side = 0;
  int index = 0;
  int nFace = 0;
  int lie = 0;
  int tileId = -1;         // 200 after release, -1 before first use
  int attrB = 0;
  int control = 0;
  int attrA = 0;
  // The record's own side field as it was drawn; kept apart from the address because records
  // outside the hands need not carry their side.
  int recordSide = 0;
};

class CTileEntityTable {
 public:
  static constexpr int ROWS = 337;

  // Hide: the row's picture is put away (hidden, plain again); log: the table's complaints.
  std::function<void(TileEntityRow&)> onRelease;
  std::function<void(const std::string&)> log;

  TileEntityRow& Row(int row) { return m_rows[row > 0 && row < ROWS ? row : 0]; }
  const TileEntityRow& Row(int row) const { return m_rows[row > 0 && row < ROWS ? row : 0]; }

  // The first free row 1-336, or 0 (logged) when every row is bound.
  int AllocEntity();
  // Binds a free row to the record at (zone, side, index) and copies its fields.
  void Bind(int row, MJTile& record, int zone, int side, int index);
  void ReleaseEntity(MJTile* record, int row);
  void ReleaseRecordEntity(MJTile& record);
  void ReleaseAllEntities(CTileTable& tiles);
  // Releases every row whose record is gone or no longer drawn as the row shows it.
  void ReleaseStaleEntities(CTileTable& tiles);
  int BoundCount() const;

 private:
  static MJTile* RecordOf(CTileTable& tiles, const TileEntityRow& row);
  void Log(const std::string& line) const {
    if (log) log(line);
  }

  TileEntityRow m_rows[ROWS];
};
