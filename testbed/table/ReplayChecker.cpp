#include "testbed/table/ReplayChecker.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <set>

#include "testbed/table/HandShape.h"
#include "testbed/table/TableCodes.h"
#include "testbed/table/Wall.h"

namespace testbed {

namespace {

using json = nlohmann::json;

bool IsChair(int c) { return c >= 0 && c < 4; }

std::vector<int> IntList(const json& j, const char* key) {
  std::vector<int> out;
  if (!j.contains(key) || !j[key].is_array()) return out;
  for (const auto& v : j[key]) {
    if (v.is_number_integer()) out.push_back(v.get<int>());
  }
  return out;
}

int Int(const json& j, const char* key, int fallback = -999) {
  return j.contains(key) && j[key].is_number_integer() ? j[key].get<int>() : fallback;
}

}  // namespace

void ReplayChecker::Fail(const std::string& what) {
  m_errors.push_back("line " + std::to_string(m_line) + ": " + what);
}

void ReplayChecker::FeedStream(std::istream& in) {
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty()) Feed(line);
  }
  Finish();
}

bool ReplayChecker::TakeFromHand(int chair, int tile) {
  auto& hand = m_hand.hands[chair];
  auto it = std::find(hand.begin(), hand.end(), tile);
  if (it == hand.end()) return false;
  hand.erase(it);
  return true;
}

bool ReplayChecker::Wins(int chair, int extraTile) const {
  CodeCounts counts{};
  int jokers = 0;
  int total = 0;
  auto add = [&](int id) {
    const int code = TileSet::Code(id);
    if (code <= 0 || TileSet::IsFlower(id)) return;
    ++total;
    if (m_hand.jokerCode != 0 && code == m_hand.jokerCode) {
      ++jokers;
    } else {
      ++counts[code];
    }
  };
  for (int id : m_hand.hands[chair]) add(id);
  if (extraTile != TILE_NONE) add(extraTile);
  const int sets = 4 - static_cast<int>(m_hand.melds[chair].size());
  return total == 3 * sets + 2 && HandShape::IsWinning(counts, jokers, sets);
}

bool ReplayChecker::TakeWall(int position, int tile) {
  if (position < 0 || position >= static_cast<int>(m_hand.wall.size())) {
    Fail("wall position " + std::to_string(position) + " outside the wall");
    return false;
  }
  if (m_hand.taken[position]) {
    Fail("wall position " + std::to_string(position) + " taken twice");
    return false;
  }
  if (m_hand.wall[position] != tile) {
    Fail("tile " + std::to_string(tile) + " is not the tile at wall position " + std::to_string(position));
    return false;
  }
  m_hand.taken[position] = true;
  return true;
}

void ReplayChecker::CheckConservation() {
  std::vector<int> all;
  for (int c = 0; c < 4; ++c) {
    all.insert(all.end(), m_hand.hands[c].begin(), m_hand.hands[c].end());
    for (const Meld& m : m_hand.melds[c]) all.insert(all.end(), m.tiles.begin(), m.tiles.end());
    all.insert(all.end(), m_hand.rivers[c].begin(), m_hand.rivers[c].end());
    all.insert(all.end(), m_hand.flowers[c].begin(), m_hand.flowers[c].end());
  }
  for (size_t p = 0; p < m_hand.wall.size(); ++p) {
    if (!m_hand.taken[p] || static_cast<int>(p) == m_hand.indicatorPosition) all.push_back(m_hand.wall[p]);
  }
  std::vector<int> expected = m_hand.wall;
  std::sort(all.begin(), all.end());
  std::sort(expected.begin(), expected.end());
  if (all != expected) Fail("tiles not conserved: " + std::to_string(all.size()) + " tiles at the end of the hand");
}

void ReplayChecker::Feed(const std::string& line) {
  ++m_line;
  json j = json::parse(line, nullptr, false);
  if (j.is_discarded() || !j.is_object() || !j.contains("ev") || !j["ev"].is_string()) {
    Fail("not a log event");
    return;
  }
  const std::string ev = j["ev"].get<std::string>();
  if (ev == "abandoned") {
    // The server stopped in the middle of this hand: nothing of it was settled, so nothing of
    // it is checked further.
    if (!m_hand.open || m_hand.ended) Fail("a hand abandoned while none was running");
    m_hand = Hand{};
    ++m_handsAbandoned;
    return;
  }
  if (ev == "hand") {
    if (m_hand.open && !m_hand.ended) Fail("hand started before the last one ended");
    m_hand = Hand{};
    m_hand.open = true;
    m_hand.wall = IntList(j, "wall");
    std::vector<int> sorted = m_hand.wall;
    std::sort(sorted.begin(), sorted.end());
    std::vector<int> plain = TileSet::HandTiles(false);
    std::vector<int> flowers = TileSet::HandTiles(true);
    std::sort(flowers.begin(), flowers.end());
    if (sorted != plain && sorted != flowers) {
      Fail("the wall is not the 136 tiles of the set, each once");
      m_hand.wall.assign(TILE_COUNT, TILE_NONE);
    }
    m_hand.taken.assign(m_hand.wall.size(), false);
    m_hand.breakPosition = Int(j, "break");
    m_hand.indicatorPosition = Int(j, "indicatorPos");
    if (m_hand.breakPosition < 0 || m_hand.breakPosition >= TILE_COUNT || m_hand.breakPosition % 2 != 0 ||
        m_hand.indicatorPosition != (m_hand.breakPosition + TILE_COUNT - 2) % TILE_COUNT) {
      Fail("break or indicator position out of place");
      m_hand.breakPosition = 0;
      m_hand.indicatorPosition = TILE_COUNT - 2;
    }
    m_hand.taken[m_hand.indicatorPosition] = true;
    const int indicator = m_hand.wall[m_hand.indicatorPosition];
    if (Int(j, "indicator") != indicator) Fail("indicator tile differs from the wall");
    const int joker = Int(j, "joker");
    m_hand.jokerCode = joker >= 0 ? TileSet::Code(joker) : 0;
    if (m_hand.jokerCode != TileSet::TreasureCodeAfter(TileSet::Code(indicator))) Fail("treasure tile does not follow the indicator");
    return;
  }
  if (!m_hand.open) {
    Fail("event outside a hand");
    return;
  }
  if (m_hand.ended && ev != "result") {
    Fail("event after the hand ended");
    return;
  }
  const int chair = Int(j, "chair");
  const bool needsChair = ev != "drawn" && ev != "result";
  if (needsChair && !IsChair(chair)) {
    Fail("event without a valid chair");
    return;
  }
  const int sets = needsChair ? 4 - static_cast<int>(m_hand.melds[chair].size()) : 0;
  const size_t full = static_cast<size_t>(3 * sets + 2);

  if (ev == "deal") {
    const std::vector<int> tiles = IntList(j, "tiles");
    const std::vector<int> walls = IntList(j, "walls");
    if (tiles.size() != walls.size() || (tiles.size() != 13 && tiles.size() != 14)) Fail("a deal of the wrong size");
    for (size_t k = 0; k < tiles.size() && k < walls.size(); ++k) {
      const int offset = (walls[k] - m_hand.breakPosition + TILE_COUNT) % TILE_COUNT;
      if (offset >= 53) Fail("a dealt tile from beyond the deal's part of the wall");
      if (TakeWall(walls[k], tiles[k])) m_hand.hands[chair].push_back(tiles[k]);
    }
    m_hand.dealt += static_cast<int>(tiles.size());
    if (m_hand.dealt == 53) m_hand.head = 53;
  } else if (ev == "draw") {
    const int tile = Int(j, "tile");
    const int position = Int(j, "wall");
    const bool tail = j.value("end", "") == "tail";
    if (tail) {
      const Wall::TailStep step = Wall::TailPosition(m_hand.breakPosition, m_hand.indicatorPosition, m_hand.tailCounter);
      if (step.position != position) Fail("a tail draw out of the tail's order");
      m_hand.tailCounter = step.nextCounter;
    } else {
      if ((m_hand.breakPosition + m_hand.head) % TILE_COUNT != position) Fail("a head draw out of the head's order");
      ++m_hand.head;
    }
    if (TakeWall(position, tile)) m_hand.hands[chair].push_back(tile);
    m_hand.discardTakable = false;
  } else if (ev == "flower") {
    const int tile = Int(j, "tile");
    if (!TileSet::IsFlower(tile) || !TakeFromHand(chair, tile)) {
      Fail("a flower laid out that the hand does not hold");
    } else {
      m_hand.flowers[chair].push_back(tile);
    }
  } else if (ev == "discard") {
    const int tile = Int(j, "tile");
    if (m_hand.hands[chair].size() != full) Fail("a discard from a hand that does not hold its extra tile");
    if (!TakeFromHand(chair, tile)) {
      Fail("a discard of a tile the hand does not hold");
    } else {
      m_hand.rivers[chair].push_back(tile);
      m_hand.lastDiscardChair = chair;
      m_hand.lastDiscardTile = tile;
      m_hand.discardTakable = true;
    }
  } else if (ev == "peng" || ev == "chi" || ev == "exposed_gang") {
    ++m_claims;
    const int from = Int(j, "from");
    const int tile = Int(j, "tile");
    const std::vector<int> tiles = IntList(j, "tiles");
    const int code = TileSet::Code(tile);
    if (!m_hand.discardTakable || from != m_hand.lastDiscardChair || tile != m_hand.lastDiscardTile || from == chair) {
      Fail(ev + " of a tile that is not the last discard of another chair");
    }
    const size_t need = ev == "exposed_gang" ? 3 : 2;
    bool legal = tiles.size() == need;
    if (ev == "chi") {
      std::vector<int> codes{code};
      for (int id : tiles) codes.push_back(TileSet::Code(id));
      std::sort(codes.begin(), codes.end());
      legal = legal && chair == (from + 3) % 4 && TileSet::IsSuitedCode(codes[0]) && codes[1] == codes[0] + 1 &&
              codes[2] == codes[0] + 2 && codes[0] / 10 == codes[2] / 10;
    } else {
      for (int id : tiles) legal = legal && TileSet::Code(id) == code;
    }
    if (m_hand.hands[chair].size() + 1 != full) legal = false;
    for (int id : tiles) legal = TakeFromHand(chair, id) && legal;
    if (!legal) Fail(ev + " that the hand does not allow");
    if (IsChair(from) && !m_hand.rivers[from].empty()) m_hand.rivers[from].pop_back();
    Meld m{ev, tiles, code};
    m.tiles.push_back(tile);
    m_hand.melds[chair].push_back(m);
    m_hand.discardTakable = false;
  } else if (ev == "concealed_gang") {
    ++m_claims;
    const std::vector<int> tiles = IntList(j, "tiles");
    bool legal = tiles.size() == 4 && m_hand.hands[chair].size() == full;
    const int code = tiles.empty() ? 0 : TileSet::Code(tiles[0]);
    for (int id : tiles) legal = TileSet::Code(id) == code && TakeFromHand(chair, id) && legal;
    if (!legal) Fail("a concealed gang the hand does not hold");
    m_hand.melds[chair].push_back(Meld{ev, tiles, code});
  } else if (ev == "added_gang") {
    ++m_claims;
    const int tile = Int(j, "tile");
    auto it = std::find_if(m_hand.melds[chair].begin(), m_hand.melds[chair].end(),
                           [&](const Meld& m) { return m.kind == "peng" && m.code == TileSet::Code(tile); });
    if (it == m_hand.melds[chair].end() || m_hand.hands[chair].size() != full || !TakeFromHand(chair, tile)) {
      Fail("an added gang without its peng or its tile");
    } else {
      it->kind = "added_gang";
      it->tiles.push_back(tile);
    }
  } else if (ev == "hu") {
    ++m_claims;
    const int kind = Int(j, "kind");
    const int tile = Int(j, "tile");
    const int from = Int(j, "from");
    bool legal = false;
    if (kind == HU_SELF_DRAWN) {
      legal = Wins(chair, TILE_NONE);
    } else if (kind == HU_ON_DISCARD) {
      legal = m_hand.discardTakable && from == m_hand.lastDiscardChair && tile == m_hand.lastDiscardTile &&
              from != chair && Wins(chair, tile);
      if (legal && !m_hand.rivers[from].empty()) m_hand.rivers[from].pop_back();
      if (legal) m_hand.hands[chair].push_back(tile);
    } else if (kind == HU_ROBBING) {
      const bool hasPeng = IsChair(from) && std::any_of(m_hand.melds[from].begin(), m_hand.melds[from].end(), [&](const Meld& m) {
        return m.kind == "peng" && m.code == TileSet::Code(tile);
      });
      legal = hasPeng && from != chair && Wins(chair, tile) && TakeFromHand(from, tile);
      if (legal) m_hand.hands[chair].push_back(tile);
    }
    if (!legal) Fail("a win that is no winning hand");
    m_hand.winner = chair;
    m_hand.ended = true;
  } else if (ev == "drawn") {
    const int position = (m_hand.breakPosition + m_hand.head) % TILE_COUNT;
    const Wall::TailStep step = Wall::TailPosition(m_hand.breakPosition, m_hand.indicatorPosition, m_hand.tailCounter);
    if (!m_hand.taken[position] && !m_hand.taken[step.position]) Fail("a drawn hand with tiles left in the wall");
    m_hand.ended = true;
  } else if (ev == "result") {
    if (!m_hand.ended) Fail("a result before the hand ended");
    const std::vector<int> points = IntList(j, "points");
    const std::vector<int> silver = IntList(j, "silver");
    long sumPoints = 0, sumSilver = 0;
    for (int v : points) sumPoints += v;
    for (int v : silver) sumSilver += v;
    if (sumPoints != 0 || sumSilver != 0) Fail("scores do not sum to zero");
    if (Int(j, "winner", -1) != m_hand.winner) Fail("the result names another winner");
    CheckConservation();
    ++m_handsChecked;
    (m_hand.winner >= 0 ? m_handsWon : m_handsDrawn) += 1;
    m_hand.open = false;
  } else {
    Fail("unknown event " + ev);
  }
}

void ReplayChecker::Finish() {
  if (m_hand.open && m_hand.ended) Fail("the last hand has no result");
}

}  // namespace testbed
