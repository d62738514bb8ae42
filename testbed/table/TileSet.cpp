#include "testbed/table/TileSet.h"

namespace testbed {

int TileSet::Suit(int id) {
  if (id < 0) return -1;
  if (id < 108) return id / 36;
  if (id < 136) return 3;
  if (id < 152) return 4;
  return -1;
}

int TileSet::Value(int id) {
  if (id < 0) return 0;
  if (id < 108) return id % 9 + 1;
  if (id < 136) return (id - 108) % 7 + 1;
  if (id < 152) return id - 135;
  return 0;
}

int TileSet::Code(int id) {
  const int suit = Suit(id);
  return suit < 0 ? 0 : suit * 10 + Value(id);
}

int TileSet::FirstIdOfCode(int code) {
  if (IsSuitedCode(code)) return (code / 10) * 36 + code % 10 - 1;
  if (IsHonourCode(code)) return 108 + code - 31;
  return -1;
}

int TileSet::TreasureCodeAfter(int indicatorCode) {
  if (IsSuitedCode(indicatorCode)) {
    return indicatorCode % 10 == 9 ? indicatorCode - 8 : indicatorCode + 1;
  }
  if (indicatorCode >= 31 && indicatorCode <= 34) return indicatorCode == 34 ? 31 : indicatorCode + 1;
  if (indicatorCode >= 35 && indicatorCode <= 37) return indicatorCode == 37 ? 35 : indicatorCode + 1;
  return 0;
}

std::vector<int> TileSet::HandTiles(bool withFlowers) {
  std::vector<int> ids;
  ids.reserve(TILE_COUNT);
  const int plain = withFlowers ? TILE_COUNT - FLOWER_SET_COUNT : TILE_COUNT;
  for (int id = 0; id < plain; ++id) ids.push_back(id);
  if (withFlowers) {
    for (int k = 0; k < FLOWER_SET_COUNT; ++k) ids.push_back(FIRST_FLOWER_ID + k);
  }
  return ids;
}

CodeCounts TileSet::Count(std::span<const int> ids) {
  CodeCounts counts{};
  for (int id : ids) {
    const int code = Code(id);
    if (code > 0) ++counts[code];
  }
  return counts;
}

}  // namespace testbed
