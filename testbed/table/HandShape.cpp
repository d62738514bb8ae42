#include "testbed/table/HandShape.h"

#include <algorithm>

namespace testbed {

namespace {

// A depth-first search for the largest number of tiles that fit the target shape: `sets` sets,
// each whole or begun, and one pair, whole or begun. Every begun block is what a joker or a
// later draw would complete, so the tiles still needed are the target size minus the best fit.
class FitSearch {
 public:
  FitSearch(const CodeCounts& counts, int sets) : m_counts(counts), m_sets(sets) {
    for (int c = 1; c < 38; ++c) m_remaining += m_counts[c];
  }

  int Best() {
    Search(1, m_sets, false, 0);
    return m_best;
  }

 private:
  static bool Suited(int code) { return TileSet::IsSuitedCode(code); }

  void Search(int code, int setsLeft, bool pairDone, int kept) {
    const int room = setsLeft * 3 + (pairDone ? 0 : 2);
    if (kept + std::min(room, m_remaining) <= m_best) return;
    while (code < 38 && m_counts[code] == 0) ++code;
    if (code >= 38 || room == 0) {
      m_best = std::max(m_best, kept);
      return;
    }
    int& here = m_counts[code];
    const int value = code % 10;
    if (setsLeft > 0 && here >= 3) {
      Take(code, 3);
      Search(code, setsLeft - 1, pairDone, kept + 3);
      Put(code, 3);
    }
    if (setsLeft > 0 && Suited(code) && value <= 7 && m_counts[code + 1] > 0 && m_counts[code + 2] > 0) {
      Take(code, 1), Take(code + 1, 1), Take(code + 2, 1);
      Search(code, setsLeft - 1, pairDone, kept + 3);
      Put(code, 1), Put(code + 1, 1), Put(code + 2, 1);
    }
    if (!pairDone && here >= 2) {
      Take(code, 2);
      Search(code, setsLeft, true, kept + 2);
      Put(code, 2);
    }
    if (setsLeft > 0 && here >= 2) {
      Take(code, 2);
      Search(code, setsLeft - 1, pairDone, kept + 2);
      Put(code, 2);
    }
    if (setsLeft > 0 && Suited(code) && value <= 8 && m_counts[code + 1] > 0) {
      Take(code, 1), Take(code + 1, 1);
      Search(code, setsLeft - 1, pairDone, kept + 2);
      Put(code, 1), Put(code + 1, 1);
    }
    if (setsLeft > 0 && Suited(code) && value <= 7 && m_counts[code + 2] > 0) {
      Take(code, 1), Take(code + 2, 1);
      Search(code, setsLeft - 1, pairDone, kept + 2);
      Put(code, 1), Put(code + 2, 1);
    }
    if (setsLeft > 0) {
      Take(code, 1);
      Search(code, setsLeft - 1, pairDone, kept + 1);
      Put(code, 1);
    }
    if (!pairDone) {
      Take(code, 1);
      Search(code, setsLeft, true, kept + 1);
      Put(code, 1);
    }
    // Leave the rest of this code out of the shape.
    const int left = here;
    m_remaining -= left;
    here = 0;
    Search(code + 1, setsLeft, pairDone, kept);
    here = left;
    m_remaining += left;
  }

  void Take(int code, int n) { m_counts[code] -= n, m_remaining -= n; }
  void Put(int code, int n) { m_counts[code] += n, m_remaining += n; }

  CodeCounts m_counts;
  int m_sets;
  int m_remaining = 0;
  int m_best = 0;
};

}  // namespace

int HandShape::StandardNeeded(const CodeCounts& counts, int jokers, int sets) {
  sets = std::clamp(sets, 0, 4);
  const int target = sets * 3 + 2;
  const int kept = FitSearch(counts, sets).Best();
  return std::max(0, target - kept - jokers);
}

int HandShape::SevenPairsNeeded(const CodeCounts& counts, int jokers, int sets) {
  if (sets != 4) return 99;
  int pairs = 0;
  int singles = 0;
  for (int c = 1; c < 38; ++c) {
    pairs += counts[c] / 2;
    singles += counts[c] % 2;
  }
  pairs = std::min(pairs, 7);
  const int kept = 2 * pairs + std::min(singles, 7 - pairs);
  return std::max(0, 14 - kept - jokers);
}

int HandShape::TilesNeeded(const CodeCounts& counts, int jokers, int sets) {
  return std::min(StandardNeeded(counts, jokers, sets), SevenPairsNeeded(counts, jokers, sets));
}

bool HandShape::WinsOnlyAsSevenPairs(const CodeCounts& counts, int jokers, int sets) {
  return SevenPairsNeeded(counts, jokers, sets) == 0 && StandardNeeded(counts, jokers, sets) != 0;
}

}  // namespace testbed
