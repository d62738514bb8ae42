#include "testbed/table/WallScript.h"

#include <map>
#include <numeric>
#include <set>
#include <sstream>

#include "testbed/table/TileSet.h"
#include "testbed/table/Wall.h"

namespace testbed {

namespace {

bool Fail(std::string* error, const std::string& text) {
  if (error) *error = text;
  return false;
}

}  // namespace

bool ArrangeWall(const WallScript& script, std::vector<int>* wall, std::string* error) {
  if (script.breakPosition < 0 || script.breakPosition >= TILE_COUNT || script.breakPosition % 2 != 0) {
    return Fail(error, "the break is no even wall place 0-134");
  }
  if (script.banker < 0 || script.banker > 3) return Fail(error, "the banker is no chair 0-3");
  // The places the deal and the draws take, found by playing them on a wall of place numbers.
  std::vector<int> places(TILE_COUNT);
  std::iota(places.begin(), places.end(), 0);
  Wall walk(places, script.breakPosition);
  std::vector<int> tiles(TILE_COUNT, TILE_NONE);
  std::set<int> given;
  auto put = [&](int place, int tile) {
    if (tile < 0 || tile >= TILE_COUNT) return Fail(error, "tile " + std::to_string(tile) + " is no tile id 0-135");
    if (!given.insert(tile).second) return Fail(error, "tile " + std::to_string(tile) + " is given twice");
    tiles[static_cast<size_t>(place)] = tile;
    return true;
  };
  for (int chair = 0; chair < 4; ++chair) {
    const size_t limit = chair == script.banker ? 14 : 13;
    if (script.hands[chair].size() > limit) {
      return Fail(error, "chair " + std::to_string(chair) + " is dealt " + std::to_string(limit) + " tiles at most");
    }
  }
  // The deal as the table plays it: three rounds of four tiles to each chair in turn order from
  // the banker, one more each, and the banker's fourteenth.
  std::array<size_t, 4> next{};
  auto deal = [&](int chair, int n) {
    for (int k = 0; k < n; ++k) {
      const int place = walk.DrawHead()->tile;
      if (next[chair] < script.hands[chair].size() && !put(place, script.hands[chair][next[chair]])) return false;
      ++next[chair];
    }
    return true;
  };
  for (int round = 0; round < 3; ++round) {
    for (int k = 0; k < 4; ++k) {
      if (!deal((script.banker + 3 * k) % 4, 4)) return false;
    }
  }
  for (int k = 0; k < 4; ++k) {
    if (!deal((script.banker + 3 * k) % 4, 1)) return false;
  }
  if (!deal(script.banker, 1)) return false;
  if (script.indicator != TILE_NONE && !put(walk.IndicatorPosition(), script.indicator)) return false;
  // Head and tail draws are independent walks; the table takes them in whatever order the hand
  // asks, so each list is placed along its own walk.
  for (int tile : script.tail) {
    const auto d = walk.DrawTail();
    if (!d) return Fail(error, "more tail draws than the wall holds");
    if (!put(d->tile, tile)) return false;
  }
  for (int tile : script.head) {
    const auto d = walk.DrawHead();
    if (!d) return Fail(error, "more head draws than the wall holds");
    if (!put(d->tile, tile)) return false;
  }
  std::vector<int> rest;
  for (int id = 0; id < TILE_COUNT; ++id) {
    if (!given.count(id)) rest.push_back(id);
  }
  size_t r = 0;
  for (int& t : tiles) {
    if (t == TILE_NONE) t = rest[r++];
  }
  *wall = std::move(tiles);
  return true;
}

std::function<std::unique_ptr<BotBrain>(int chair)> ScriptedBrains(const WallScript& script) {
  return [plays = script.plays](int chair) -> std::unique_ptr<BotBrain> {
    if (chair < 0 || chair > 3 || plays[static_cast<size_t>(chair)].empty()) return nullptr;
    return std::make_unique<ScriptedBot>(plays[static_cast<size_t>(chair)]);
  };
}

bool ParseWallScript(const std::string& text, WallScript* script, std::string* error) {
  WallScript s;
  std::set<int> used;
  // Ids given as numbers are taken first, so that a code never picks one of them.
  std::istringstream in(text);
  std::string raw;
  int lineNo = 0;
  auto bad = [&](const std::string& why) { return Fail(error, "line " + std::to_string(lineNo) + ": " + why); };
  std::vector<int> scratchIndicator(1, TILE_NONE);
  struct Pending {
    std::vector<int>* list;
    size_t index;
    int code;
  };
  std::vector<Pending> pending;
  // Every tile place in the order the lines give them, to find "the k-th tile of a code".
  std::vector<std::pair<std::vector<int>*, size_t>> order;
  struct PlayLine {
    int lineNo;
    int chair;
    std::string kind;
    std::vector<std::string> tiles;
  };
  std::vector<PlayLine> plays;
  auto readTiles = [&](std::istringstream& words, std::vector<int>* list) {
    std::string w;
    while (words >> w) {
      if (w[0] == 'c') {
        int code = 0;
        try {
          code = std::stoi(w.substr(1));
        } catch (...) {
          return bad("no code in " + w);
        }
        if (TileSet::FirstIdOfCode(code) < 0) return bad(w + " names no tile code");
        pending.push_back({list, list->size(), code});
        order.push_back({list, list->size()});
        list->push_back(TILE_NONE);
      } else {
        int id = -1;
        try {
          size_t end = 0;
          id = std::stoi(w, &end);
          if (end != w.size()) id = -1;
        } catch (...) {
          id = -1;
        }
        if (id < 0 || id >= TILE_COUNT) return bad(w + " is no tile id 0-135");
        if (!used.insert(id).second) return bad("tile " + w + " is given twice");
        order.push_back({list, list->size()});
        list->push_back(id);
      }
    }
    return true;
  };
  while (std::getline(in, raw)) {
    ++lineNo;
    const size_t hash = raw.find('#');
    if (hash != std::string::npos) raw.resize(hash);
    std::istringstream words(raw);
    std::string key;
    if (!(words >> key)) continue;
    if (key == "break" || key == "banker") {
      int v = 0;
      if (!(words >> v)) return bad(key + " wants a number");
      (key == "break" ? s.breakPosition : s.banker) = v;
    } else if (key == "dice") {
      std::array<int, 4> d{};
      for (int& v : d) {
        if (!(words >> v) || v < 1 || v > 6) return bad("dice wants four numbers 1-6");
      }
      s.dice = d;
    } else if (key == "hand") {
      int chair = -1;
      if (!(words >> chair) || chair < 0 || chair > 3) return bad("hand wants a chair 0-3");
      if (!readTiles(words, &s.hands[chair])) return false;
    } else if (key == "head") {
      if (!readTiles(words, &s.head)) return false;
    } else if (key == "tail") {
      if (!readTiles(words, &s.tail)) return false;
    } else if (key == "indicator") {
      if (scratchIndicator.empty() || scratchIndicator[0] != TILE_NONE) return bad("one indicator line only");
      scratchIndicator.clear();
      if (!readTiles(words, &scratchIndicator) || scratchIndicator.size() != 1) return bad("indicator wants one tile");
    } else if (key == "play") {
      PlayLine play{lineNo, -1, "", {}};
      if (!(words >> play.chair) || play.chair < 0 || play.chair > 3) return bad("play wants a chair 0-3");
      if (!(words >> play.kind)) return bad("play wants a move");
      std::string w;
      while (words >> w) play.tiles.push_back(w);
      plays.push_back(play);
    } else {
      return bad("unknown item " + key);
    }
    std::string extra;
    if (words >> extra) return bad("more than the item takes: " + extra);
  }
  // Codes take the lowest id of the code that no line gave.
  for (const Pending& p : pending) {
    int id = TileSet::FirstIdOfCode(p.code);
    const int step = TileSet::IsHonourCode(p.code) ? 7 : 9;
    while (id < TILE_COUNT && TileSet::Code(id) == p.code && used.count(id)) id += step;
    if (id >= TILE_COUNT || TileSet::Code(id) != p.code) return Fail(error, "more than four tiles of code " + std::to_string(p.code));
    used.insert(id);
    (*p.list)[p.index] = id;
  }
  s.indicator = scratchIndicator.empty() ? TILE_NONE : scratchIndicator[0];
  // The moves, their tiles named now that every code has its ids.
  std::map<int, std::vector<int>> byCode;
  for (const auto& [list, index] : order) {
    const int id = (*list)[index];
    byCode[TileSet::Code(id)].push_back(id);
  }
  for (const PlayLine& play : plays) {
    lineNo = play.lineNo;
    std::vector<int> ids;
    for (const std::string& w : play.tiles) {
      int id = -1;
      if (!w.empty() && w[0] == 'c') {
        const size_t dot = w.find('.');
        int code = 0, k = 1;
        try {
          code = std::stoi(w.substr(1, dot == std::string::npos ? std::string::npos : dot - 1));
          if (dot != std::string::npos) k = std::stoi(w.substr(dot + 1));
        } catch (...) {
          return bad("no code in " + w);
        }
        const auto it = byCode.find(code);
        if (it == byCode.end() || k < 1 || k > static_cast<int>(it->second.size())) {
          return bad(w + " names no tile the other lines hand out");
        }
        id = it->second[static_cast<size_t>(k - 1)];
      } else {
        try {
          size_t end = 0;
          id = std::stoi(w, &end);
          if (end != w.size()) id = -1;
        } catch (...) {
          id = -1;
        }
        if (id < 0 || id >= TILE_COUNT) return bad(w + " is no tile id 0-135");
      }
      ids.push_back(id);
    }
    static const std::map<std::string, std::pair<BotAction::Kind, size_t>> moves = {
        {"discard", {BotAction::DISCARD, 1}},      {"peng", {BotAction::PENG, 3}},
        {"chi", {BotAction::CHI, 3}},              {"gang", {BotAction::EXPOSED_GANG, 4}},
        {"concealed", {BotAction::CONCEALED_GANG, 4}}, {"added", {BotAction::ADDED_GANG, 1}},
        {"hu", {BotAction::HU, 1}},                {"pass", {BotAction::PASS, 0}}};
    const auto move = moves.find(play.kind);
    if (move == moves.end()) return bad("unknown move " + play.kind);
    if (ids.size() != move->second.second) {
      return bad(play.kind + " wants " + std::to_string(move->second.second) + " tiles");
    }
    BotAction a;
    a.kind = move->second.first;
    if (!ids.empty()) a.tile = ids[0];
    for (size_t k = 1; k < ids.size(); ++k) a.tiles[k - 1] = ids[k];
    s.plays[static_cast<size_t>(play.chair)].push_back(a);
  }
  *script = std::move(s);
  return true;
}

}  // namespace testbed
