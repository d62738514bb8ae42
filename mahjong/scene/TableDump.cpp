#include "mahjong/scene/TableDump.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "mahjong/SeatLayout.h"
#include "mahjong/TileRules.h"

namespace {

// The first record of each meld group, in the order the groups are taken.
constexpr int MELD_GROUP_BASES[CTileTable::MELD_GROUPS] = {17, 13, 9, 5};
constexpr int LAST_TILE_ID = 151;

void AppendId(std::string& out, int id) {
  if (id < 0 || id > LAST_TILE_ID) {
    out += 'x';
  } else {
    out += std::to_string(id);
  }
}

void AppendList(std::string& out, const std::vector<int>& ids) {
  for (size_t i = 0; i < ids.size(); ++i) {
    if (i) out += ',';
    AppendId(out, ids[i]);
  }
}

// Known ids in order, unknown ones after them.
void SortIds(std::vector<int>& ids) {
  std::sort(ids.begin(), ids.end(), [](int a, int b) {
    const bool ka = a >= 0 && a <= LAST_TILE_ID, kb = b >= 0 && b <= LAST_TILE_ID;
    if (ka != kb) return ka;
    return a < b;
  });
}

}  // namespace

std::string CTableDump::Format(const CMJTableModel& model, const CGameInfo& info) {
  const CTileTable& tiles = model.Tiles();
  const int count = std::min(info.GetPlayerCount(), CTileTable::SIDES);
  int wall = 0;
  for (int i = 0; i < model.GetTileCount() && i < CTileTable::WALL_PLACES; ++i) {
    const MJTile* t = tiles.GetTileRecord(MJ_ZONE_WALL, 0, i);
    if (t != nullptr && t->present) ++wall;
  }
  std::string line = "hand=" + std::to_string(info.GetRoundNumber()) + " chair=" +
                     std::to_string(info.SideToChair(SIDE_OWN)) + " wall=" + std::to_string(wall);
  for (int chair = 0; chair < count; ++chair) {
    const int side = info.ChairToSide(chair);
    line += " | " + std::to_string(chair);
    if (!CTileTable::ValidSide(side)) {
      line += " none";
      continue;
    }
    std::vector<int> river;
    for (int i = 0; i < tiles.RiverCount(side); ++i) {
      const MJTile* t = tiles.GetTileRecord(MJ_ZONE_RIVER, side, i);
      if (t != nullptr && t->present) river.push_back(t->tileId);
    }
    const MJTile* played = tiles.GetTileRecord(MJ_ZONE_PLAYED, side, 0);
    if (played != nullptr && played->present) river.push_back(played->tileId);
    std::vector<int> flowers;
    for (int i = 0; i < tiles.FlowerCount(side); ++i) {
      const MJTile* t = tiles.GetTileRecord(MJ_ZONE_FLOWERS, side, i);
      if (t != nullptr && t->present) flowers.push_back(t->tileId);
    }
    line += " r=";
    AppendList(line, river);
    line += " f=";
    AppendList(line, flowers);
    line += " m=";
    bool first = true;
    for (int base : MELD_GROUP_BASES) {
      const MJTile* top = tiles.GetTileRecord(MJ_ZONE_HAND, side, base);
      if (top == nullptr || !top->present || !top->meldKind) continue;
      std::vector<int> meld;
      for (int k = 0; k < 4; ++k) {
        const MJTile* t = tiles.GetTileRecord(MJ_ZONE_HAND, side, base - k);
        if (t != nullptr && t->present && t->meldKind) meld.push_back(t->tileId);
      }
      SortIds(meld);
      if (!first) line += '/';
      first = false;
      AppendList(line, meld);
    }
    line += " n=" + std::to_string(model.CountStandingTiles(side) + model.HasDrawnTile(side));
  }
  std::vector<int> own;
  int standing[CLAIM_CHOICES];
  const int n = model.GetStandingTiles(SIDE_OWN, standing);
  own.assign(standing, standing + n);
  if (model.HasDrawnTile(SIDE_OWN)) own.push_back(tiles.GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, 0)->tileId);
  SortIds(own);
  line += " | own=";
  AppendList(line, own);
  return line;
}

bool CTableDump::Append(const std::string& path, const std::string& line) {
  std::FILE* f = std::fopen(path.c_str(), "ab");
  if (f == nullptr) return false;
  const bool ok = std::fprintf(f, "%s\n", line.c_str()) >= 0;
  return std::fclose(f) == 0 && ok;
}
