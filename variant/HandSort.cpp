#include "variant/HandSort.h"

#include <algorithm>
#include <vector>

#include "mahjong/scene/TilePictures.h"

namespace {

// The words that travel with a tile when it changes places.
struct TileWords {
  int tileId;
  int jokerMark;
  int attrB;
  int nFace;
};

}  // namespace

int SortStandingTiles(CTileTable& tiles, int side, bool withDrawn, int joker1, int substituteFlag, int ruleFlags) {
  if (!CTileTable::ValidSide(side)) return 0;
  // The drawn place stands at the end of the hand, so it takes the highest code.
  std::vector<int> order;
  for (int i = CTileTable::FIRST_STANDING; i <= CTileTable::LAST_STANDING; ++i) order.push_back(i);
  if (withDrawn) order.push_back(CTileTable::DRAWN_PLACE);
  std::vector<MJTile*> places;
  for (int i : order) {
    MJTile* t = tiles.GetTileRecord(MJ_ZONE_HAND, side, i);
    if (t == nullptr || !t->present || !t->standing || t->meldKind != 0) continue;
    // A tile the player cannot see has no code to sort by.
    if (t->tileId == MJ_TILE_HIDDEN || t->tileId < 0) return 0;
    places.push_back(t);
  }
  std::vector<TileWords> words;
  words.reserve(places.size());
  for (const MJTile* t : places) words.push_back({t->tileId, t->jokerMark, t->attrB, t->nFace});
  std::stable_sort(words.begin(), words.end(), [&](const TileWords& a, const TileWords& b) {
    return GetTileSortCode(a.tileId, joker1, substituteFlag, ruleFlags) <
           GetTileSortCode(b.tileId, joker1, substituteFlag, ruleFlags);
  });
  for (size_t k = 0; k < places.size(); ++k) {
    places[k]->tileId = words[k].tileId;
    places[k]->jokerMark = words[k].jokerMark;
    places[k]->attrB = words[k].attrB;
    places[k]->nFace = words[k].nFace;
  }
  return static_cast<int>(places.size());
}
