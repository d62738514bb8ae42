// The discard evaluation of managed play: on the own turn the client discards the tile whose
// removal leaves the best hand, scored from the own standing tiles, the tiles still unseen on
// the table and the suits of the own melds, weighted by the [AI] section of the game ini.
// Everything here is arithmetic over fixed arrays, so it runs without a scene.
#pragma once

#include "mahjong/TileRules.h"
#include "mahjong/scene/TileTable.h"

// The ten weights of the [AI] section. Only shape, runs, pairs, triplets and the unseen-tile
// bonus take part in the score; the others are read and kept all the same.
struct AiWeights {
  int shape = 1;
  int run = 50;
  int pair = 100;
  int triplet = 200;
  int gang = 205;
  int pair258 = 20;
  int tile258 = 100;
  int honour = 100;
  int sevenPairs = 200;
  int unseenBonus = 5;
};

// Reads the weights from an ini file; a missing file or key keeps its default.
AiWeights LoadAiWeights(const char* iniPath);

class CDiscardEvaluator {
 public:
  static constexpr int HAND_LIST = 32;
  static constexpr int CANDIDATES = CTileTable::HAND_SIZE;
  // Indexed by code / 10: the three suits, the honours, and two rows of flower codes.
  static constexpr int SUIT_ROWS = 7;

  struct Inputs {
    int hand[HAND_LIST];            // own standing tile ids by hand place, -1 where none
    int remaining[TILE_CODE_COUNT];  // per code: 4 minus the tiles of it seen
    int meldSuits[SUIT_ROWS];       // per suit row: own laid-down tiles
  };

  CDiscardEvaluator(const AiWeights& weights, int flags, int joker1, int joker2)
      : m_weights(weights), m_flags(flags), m_joker1(joker1), m_joker2(joker2) {}

  // Fills the inputs from the table as the own side sees it. Jokers and flowers are never
  // candidates; every tile face up in a river, laid down in a meld or standing in the own hand
  // counts as seen.
  void BuildInputs(const CTileTable& tiles, int ownSide, Inputs& in) const;

  // The score of the hand without entry k; higher is better.
  int Evaluate(const Inputs& in, int k) const;

  // The own hand place to discard: the best-scoring candidate, the lowest place on a tie, and
  // place 0 when nothing scores.
  int ChooseDiscard(const Inputs& in) const;
  int ChooseDiscard(const CTileTable& tiles, int ownSide) const;

  const AiWeights& Weights() const { return m_weights; }

 private:
  int CodeOf(int id) const;

  AiWeights m_weights;
  int m_flags;
  int m_joker1;
  int m_joker2;
};
