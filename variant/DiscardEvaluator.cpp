#include "variant/DiscardEvaluator.h"

#include "platform/kernel/Profile.h"

AiWeights LoadAiWeights(const char* iniPath) {
  AiWeights w;
  auto read = [iniPath](const char* key, int def) {
    return static_cast<int>(GetPrivateProfileInt("AI", key, def, iniPath));
  };
  w.shape = read("weight_shape", w.shape);
  w.run = read("weight_Shun", w.run);
  w.pair = read("weight_Jiang", w.pair);
  w.triplet = read("weight_PnPn", w.triplet);
  w.gang = read("weight_Gang", w.gang);
  w.pair258 = read("weight_258Jiang", w.pair258);
  w.tile258 = read("weight_258", w.tile258);
  w.honour = read("weight_Feng", w.honour);
  w.sevenPairs = read("weight_7dui", w.sevenPairs);
  w.unseenBonus = read("weight_use", w.unseenBonus);
  return w;
}

int CDiscardEvaluator::CodeOf(int id) const {
  if (id < 0 || id >= MJ_TILE_ID_COUNT) return 0;
  int code = TileCode(id, m_flags);
  return code > 0 && code < TILE_CODE_COUNT ? code : 0;
}

void CDiscardEvaluator::BuildInputs(const CTileTable& tiles, int ownSide, Inputs& in) const {
  for (int& id : in.hand) id = -1;
  int seen[TILE_CODE_COUNT] = {};
  for (int& m : in.meldSuits) m = 0;
  auto see = [&](int id) {
    int code = CodeOf(id);
    if (code) seen[code] += 1;
  };

  for (int side = 0; side < CTileTable::SIDES; ++side) {
    for (int i = 0; i < CTileTable::RIVER_PLACES; ++i) {
      const MJTile* t = tiles.GetTileRecord(MJ_ZONE_RIVER, side, i);
      if (t && t->present && t->nFace == 1) see(t->tileId);
    }
    for (int i = 0; i <= CTileTable::TOP_MELD_GROUP; ++i) {
      const MJTile* t = tiles.GetTileRecord(MJ_ZONE_HAND, side, i);
      if (!t || !t->present || t->standing) continue;
      see(t->tileId);
      if (side == ownSide) {
        int code = CodeOf(t->tileId);
        if (code) in.meldSuits[code / 10] += 1;
      }
    }
  }
  for (int i = 0; i < CTileTable::HAND_PLACES; ++i) {
    const MJTile* t = tiles.GetTileRecord(MJ_ZONE_HAND, ownSide, i);
    if (!t || !t->present || !t->standing) continue;
    see(t->tileId);
    if (i < CANDIDATES && CodeOf(t->tileId) &&
        !IsJokerTile(t->tileId, m_joker1, m_joker2, m_flags) &&
        !IsFlowerTile(t->tileId, m_joker1, m_joker2, m_flags))
      in.hand[i] = t->tileId;
  }
  for (int code = 0; code < TILE_CODE_COUNT; ++code) in.remaining[code] = 4 - seen[code];
}

int CDiscardEvaluator::Evaluate(const Inputs& in, int k) const {
  const AiWeights& w = m_weights;
  int kinds = 0, last = -1;
  for (int s = 0; s < 5; ++s)
    if (in.meldSuits[s] > 0) {
      ++kinds;
      last = s;
    }

  int shape[HAND_LIST] = {};
  int n[TILE_CODE_COUNT] = {};
  int suits[SUIT_ROWS] = {};
  int codes[CANDIDATES] = {};
  for (int i = 0; i < CANDIDATES; ++i) {
    if (i == k) continue;
    int x = CodeOf(in.hand[i]);
    codes[i] = x;
    if (!x) continue;
    n[x] += 1;
    suits[x / 10] += 1;
  }
  for (int i = 0; i < CANDIDATES; ++i) {
    int x = codes[i];
    if (!x) continue;
    if (kinds == 0 || (kinds == 1 && x / 10 == last)) shape[i] += suits[x / 10] * w.shape;
  }

  int score = 0;
  int pairs = 0, unseenPairs = 0;
  for (int x = 1; x < TILE_CODE_COUNT; ++x)
    if (n[x] == 2) {
      ++pairs;
      if (in.remaining[x] > 0) ++unseenPairs;
    }
  if (pairs > 0) {
    // One pair is the eyes of the hand; only the others earn the bonus for being completable.
    if (unseenPairs == pairs) --unseenPairs;
    score = w.pair + unseenPairs * (w.pair + w.unseenBonus);
  }
  for (int x = 1; x < TILE_CODE_COUNT; ++x)
    if (n[x] == 3) {
      n[x] = 0;
      score += w.triplet + (in.remaining[x] > 0 ? w.unseenBonus : 0);
    }
  // Codes 10, 20 and 30 are no tiles, so a run never crosses a suit and honours form none.
  for (int x = 0; x <= 30; ++x)
    while (n[x] > 0 && n[x + 1] > 0 && n[x + 2] > 0) {
      --n[x];
      --n[x + 1];
      --n[x + 2];
      score += 2 * w.run;
    }
  for (int x = 0; x <= 30; ++x)
    while (n[x] > 0 && n[x + 1] > 0 && in.remaining[x + 2] > 0) {
      --n[x];
      --n[x + 1];
      score += w.run;
    }
  for (int i = 0; i < CANDIDATES; ++i)
    if (i != k) score += shape[i];
  return score;
}

int CDiscardEvaluator::ChooseDiscard(const Inputs& in) const {
  int scores[CANDIDATES] = {};
  for (int k = 0; k < CANDIDATES; ++k)
    if (in.hand[k] >= 0) scores[k] = Evaluate(in, k);
  int best = 0;
  for (int k = 1; k < CANDIDATES; ++k)
    if (scores[k] > scores[best]) best = k;
  return best;
}

int CDiscardEvaluator::ChooseDiscard(const CTileTable& tiles, int ownSide) const {
  Inputs in;
  BuildInputs(tiles, ownSide, in);
  return ChooseDiscard(in);
}
