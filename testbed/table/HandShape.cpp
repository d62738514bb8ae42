#include "testbed/table/HandShape.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <unordered_map>

namespace testbed {

namespace {

// The best fit is searched one suit (or the honours) at a time, since no set crosses from one
// to another: for each number of set slots (0-4) and with or without the pair slot, the most
// tiles of the group that fit whole or begun sets and a whole or begun pair. The groups are
// then combined. Every begun block is what a joker or a later draw would complete, so the
// tiles still needed are the target size minus the best fit.
struct GroupFit {
  std::array<std::array<int, 2>, 5> best;  // [set slots][pair slot], -1 = cannot be done
};

class GroupSearch {
 public:
  GroupSearch(const int* counts, int n, bool suited) : m_n(n), m_suited(suited) {
    for (int i = 0; i < n; ++i) m_counts[i] = counts[i];
    for (auto& row : m_fit.best) row = {-1, -1};
  }

  GroupFit Run() {
    Search(0, 0, 0, 0);
    // A slot may stay empty: what fits with fewer slots fits with more.
    for (int q = 0; q < 2; ++q) {
      for (int s = 0; s < 5; ++s) {
        if (s > 0) m_fit.best[s][q] = std::max(m_fit.best[s][q], m_fit.best[s - 1][q]);
        if (q > 0) m_fit.best[s][q] = std::max(m_fit.best[s][q], m_fit.best[s][0]);
      }
    }
    return m_fit;
  }

 private:
  void Search(int i, int sets, int pair, int kept) {
    while (i < m_n && m_counts[i] == 0) ++i;
    if (i >= m_n) {
      m_fit.best[sets][pair] = std::max(m_fit.best[sets][pair], kept);
      return;
    }
    int& here = m_counts[i];
    const bool setRoom = sets < 4;
    const bool run2 = m_suited && i + 1 < m_n && m_counts[i + 1] > 0;
    const bool gap2 = m_suited && i + 2 < m_n && m_counts[i + 2] > 0;
    if (setRoom && here >= 3) {
      here -= 3;
      Search(i, sets + 1, pair, kept + 3);
      here += 3;
    }
    if (setRoom && run2 && gap2) {
      --here, --m_counts[i + 1], --m_counts[i + 2];
      Search(i, sets + 1, pair, kept + 3);
      ++here, ++m_counts[i + 1], ++m_counts[i + 2];
    }
    if (pair == 0 && here >= 2) {
      here -= 2;
      Search(i, sets, 1, kept + 2);
      here += 2;
    }
    if (setRoom && here >= 2) {
      here -= 2;
      Search(i, sets + 1, pair, kept + 2);
      here += 2;
    }
    if (setRoom && run2) {
      --here, --m_counts[i + 1];
      Search(i, sets + 1, pair, kept + 2);
      ++here, ++m_counts[i + 1];
    }
    if (setRoom && gap2) {
      --here, --m_counts[i + 2];
      Search(i, sets + 1, pair, kept + 2);
      ++here, ++m_counts[i + 2];
    }
    if (setRoom) {
      --here;
      Search(i, sets + 1, pair, kept + 1);
      ++here;
    }
    if (pair == 0) {
      --here;
      Search(i, sets, 1, kept + 1);
      ++here;
    }
    // Leave the rest of this code out of the shape.
    const int left = here;
    here = 0;
    Search(i + 1, sets, pair, kept);
    here = left;
  }

  int m_counts[9] = {};
  int m_n;
  bool m_suited;
  GroupFit m_fit{};
};

// The computer players ask about the same suits over and over (every candidate discard of
// every turn), so each group's fit is remembered per thread, keyed by its counts.
const GroupFit& FitOfGroup(const CodeCounts& counts, int firstCode, int n, bool suited) {
  uint32_t key = suited ? 1u : 0u;
  int local[9] = {};
  for (int i = 0; i < n; ++i) {
    local[i] = std::min(counts[firstCode + i], 7);
    key |= static_cast<uint32_t>(local[i]) << (1 + 3 * i);
  }
  thread_local std::unordered_map<uint32_t, GroupFit> cache;
  auto it = cache.find(key);
  if (it != cache.end()) return it->second;
  if (cache.size() >= (1u << 16)) cache.clear();
  return cache.emplace(key, GroupSearch(local, n, suited).Run()).first->second;
}

int BestFit(const CodeCounts& counts, int sets) {
  // dp[s][q]: the most tiles kept with s set slots and q pair slots over the groups so far.
  std::array<std::array<int, 2>, 5> dp;
  for (auto& row : dp) row = {-1, -1};
  dp[0][0] = 0;
  const int firsts[4] = {1, 11, 21, 31};
  for (int g = 0; g < 4; ++g) {
    const GroupFit& fit = FitOfGroup(counts, firsts[g], g < 3 ? 9 : 7, g < 3);
    std::array<std::array<int, 2>, 5> next;
    for (auto& row : next) row = {-1, -1};
    for (int s = 0; s <= sets; ++s) {
      for (int q = 0; q < 2; ++q) {
        if (dp[s][q] < 0) continue;
        for (int gs = 0; s + gs <= sets; ++gs) {
          for (int gq = 0; q + gq < 2; ++gq) {
            if (fit.best[gs][gq] < 0) continue;
            int& cell = next[s + gs][q + gq];
            cell = std::max(cell, dp[s][q] + fit.best[gs][gq]);
          }
        }
      }
    }
    dp = next;
  }
  int best = 0;
  for (int s = 0; s <= sets; ++s) best = std::max({best, dp[s][0], dp[s][1]});
  return best;
}

}  // namespace

int HandShape::StandardNeeded(const CodeCounts& counts, int jokers, int sets) {
  sets = std::clamp(sets, 0, 4);
  const int target = sets * 3 + 2;
  const int kept = BestFit(counts, sets);
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
