#include "testbed/table/BotPlayer.h"

#include <algorithm>

#include "testbed/table/HandShape.h"
#include "testbed/table/TableCodes.h"

namespace testbed {

namespace {

std::vector<int> Without(const std::vector<int>& hand, std::initializer_list<int> ids) {
  std::vector<int> rest = hand;
  for (int id : ids) {
    auto it = std::find(rest.begin(), rest.end(), id);
    if (it != rest.end()) rest.erase(it);
  }
  return rest;
}

// The first `n` ids of the hand with this code, jokers left alone.
std::vector<int> IdsOfCode(const std::vector<int>& hand, int code, size_t n) {
  std::vector<int> ids;
  for (int id : hand) {
    if (ids.size() < n && TileSet::Code(id) == code) ids.push_back(id);
  }
  return ids;
}

// How lonely a tile is: used to break ties between discards of equal distance. Honours and
// terminals with no partner go first.
int Loneliness(const CodeCounts& counts, int code) {
  int company = (counts[code] - 1) * 3;
  if (TileSet::IsSuitedCode(code)) {
    const int v = code % 10;
    for (int d = -2; d <= 2; ++d) {
      if (d == 0 || v + d < 1 || v + d > 9) continue;
      company += counts[code + d] * (d == -1 || d == 1 ? 2 : 1);
    }
    if (v == 1 || v == 9) company -= 1;
  } else {
    company -= 2;
  }
  return -company;
}

}  // namespace

int SensibleBot::Needed(const std::vector<int>& hand, int jokerCode, int sets) {
  CodeCounts counts{};
  int jokers = 0;
  for (int id : hand) {
    const int code = TileSet::Code(id);
    if (code <= 0 || TileSet::IsFlower(id)) continue;
    if (jokerCode != 0 && code == jokerCode) {
      ++jokers;
    } else {
      ++counts[code];
    }
  }
  return HandShape::TilesNeeded(counts, jokers, sets);
}

int SensibleBot::BestDiscard(const std::vector<int>& hand, int jokerCode, int sets, int* neededAfter) {
  const CodeCounts counts = TileSet::Count(hand);
  int best = TILE_NONE;
  int bestNeeded = 1 << 20;
  int bestLonely = -(1 << 20);
  std::vector<int> triedCodes;
  for (int id : hand) {
    const int code = TileSet::Code(id);
    if (code <= 0) continue;
    if (jokerCode != 0 && code == jokerCode) continue;
    if (std::find(triedCodes.begin(), triedCodes.end(), code) != triedCodes.end()) continue;
    triedCodes.push_back(code);
    const int needed = Needed(Without(hand, {id}), jokerCode, sets);
    const int lonely = Loneliness(counts, code);
    if (needed < bestNeeded || (needed == bestNeeded && lonely > bestLonely)) {
      best = id, bestNeeded = needed, bestLonely = lonely;
    }
  }
  if (best == TILE_NONE && !hand.empty()) {
    // Nothing but jokers: one of them has to go.
    best = hand.back();
    bestNeeded = Needed(Without(hand, {best}), jokerCode, sets);
  }
  if (neededAfter) *neededAfter = bestNeeded;
  return best;
}

BotAction SensibleBot::Decide(const BotSituation& s) {
  switch (s.kind) {
    case BotSituation::DRAW:
      return BotAction{BotAction::DRAW};
    case BotSituation::OWN_TURN:
      return OwnTurn(s);
    case BotSituation::CLAIM:
      return Claim(s);
    case BotSituation::ROB:
      if (s.word & MJOP_HU) return BotAction{BotAction::HU, s.tile};
      return BotAction{BotAction::PASS, s.tile};
    case BotSituation::HELD:
      return BotAction{BotAction::NONE};
  }
  return BotAction{};
}

BotAction SensibleBot::OwnTurn(const BotSituation& s) {
  const int sets = 4 - s.meldCount;
  for (int id : s.hand) {
    if (TileSet::IsFlower(id)) return BotAction{BotAction::FLOWER, id};
  }
  if (Needed(s.hand, s.jokerCode, sets) == 0) return BotAction{BotAction::HU, TILE_NONE};

  int afterDiscard = 0;
  const int discard = BestDiscard(s.hand, s.jokerCode, sets, &afterDiscard);
  if (s.canReplace) {
    const CodeCounts counts = TileSet::Count(s.hand);
    for (int code = 1; code < 38; ++code) {
      if (code == s.jokerCode) continue;
      if (counts[code] == 4) {
        const std::vector<int> four = IdsOfCode(s.hand, code, 4);
        std::vector<int> rest = s.hand;
        for (int id : four) rest = Without(rest, {id});
        // After the gang a replacement comes in; the distance of the rest plus that draw is at
        // most the distance of the rest.
        if (Needed(rest, s.jokerCode, sets - 1) <= afterDiscard) {
          BotAction a{BotAction::CONCEALED_GANG, four[0]};
          a.tiles = {four[1], four[2], four[3]};
          return a;
        }
      }
      if (counts[code] >= 1 && std::find(s.pengCodes.begin(), s.pengCodes.end(), code) != s.pengCodes.end()) {
        const int id = IdsOfCode(s.hand, code, 1)[0];
        if (Needed(Without(s.hand, {id}), s.jokerCode, sets) <= afterDiscard) {
          return BotAction{BotAction::ADDED_GANG, id};
        }
      }
    }
  }
  return BotAction{BotAction::DISCARD, discard};
}

BotAction SensibleBot::Claim(const BotSituation& s) {
  if (s.word & MJOP_HU) return BotAction{BotAction::HU, s.tile};
  const int code = TileSet::Code(s.tile);
  const int sets = 4 - s.meldCount;
  // Jokers are worth more in the hand than in a meld: the bot never claims one.
  if (code <= 0 || code == s.jokerCode || sets <= 0) return BotAction{BotAction::PASS, s.tile};
  const int now = Needed(s.hand, s.jokerCode, sets);

  if ((s.word & MJOP_GANG) && s.canReplace) {
    const std::vector<int> three = IdsOfCode(s.hand, code, 3);
    if (three.size() == 3) {
      std::vector<int> rest = Without(s.hand, {three[0], three[1], three[2]});
      if (Needed(rest, s.jokerCode, sets - 1) <= now) {
        BotAction a{BotAction::EXPOSED_GANG, s.tile};
        a.tiles = {three[0], three[1], three[2]};
        return a;
      }
    }
  }
  BotAction best{BotAction::PASS, s.tile};
  int bestNeeded = now;
  if (s.word & MJOP_PENG) {
    const std::vector<int> two = IdsOfCode(s.hand, code, 2);
    if (two.size() == 2) {
      int after = 0;
      BestDiscard(Without(s.hand, {two[0], two[1]}), s.jokerCode, sets - 1, &after);
      if (after < bestNeeded) {
        best = BotAction{BotAction::PENG, s.tile};
        best.tiles = {two[0], two[1], TILE_NONE};
        bestNeeded = after;
      }
    }
  }
  if ((s.word & MJOP_CHI) && TileSet::IsSuitedCode(code)) {
    const int v = code % 10;
    for (int low = v - 2; low <= v; ++low) {
      if (low < 1 || low + 2 > 9) continue;
      std::vector<int> pair;
      for (int c = code - v + low; c <= code - v + low + 2; ++c) {
        if (c == code || c == s.jokerCode) continue;
        const std::vector<int> one = IdsOfCode(s.hand, c, 1);
        if (!one.empty()) pair.push_back(one[0]);
      }
      if (pair.size() != 2) continue;
      int after = 0;
      BestDiscard(Without(s.hand, {pair[0], pair[1]}), s.jokerCode, sets - 1, &after);
      if (after < bestNeeded) {
        best = BotAction{BotAction::CHI, s.tile};
        best.tiles = {pair[0], pair[1], TILE_NONE};
        bestNeeded = after;
      }
    }
  }
  return best;
}

BotAction ScriptedBot::Decide(const BotSituation& situation) {
  if (!m_script.empty()) {
    const BotAction next = m_script.front();
    const bool fits = [&] {
      switch (situation.kind) {
        case BotSituation::OWN_TURN:
          return next.kind == BotAction::DISCARD || next.kind == BotAction::HU || next.kind == BotAction::FLOWER ||
                 next.kind == BotAction::CONCEALED_GANG || next.kind == BotAction::ADDED_GANG;
        case BotSituation::CLAIM:
          return next.kind == BotAction::PASS || next.kind == BotAction::PENG || next.kind == BotAction::CHI ||
                 next.kind == BotAction::EXPOSED_GANG || next.kind == BotAction::HU;
        case BotSituation::ROB:
          return next.kind == BotAction::PASS || next.kind == BotAction::HU;
        case BotSituation::DRAW:
          return next.kind == BotAction::DRAW;
        case BotSituation::HELD:
          return false;
      }
      return false;
    }();
    if (fits) {
      m_script.pop_front();
      return next;
    }
  }
  return m_fallback.Decide(situation);
}

}  // namespace testbed
