#include "testbed/table/HandEndLines.h"

#include <algorithm>
#include <sstream>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "testbed/table/TileSet.h"

namespace testbed {

namespace {

using json = nlohmann::json;

constexpr int WALL_TILES = 136;

std::vector<int> IntList(const json& j, const char* key) {
  std::vector<int> out;
  if (!j.contains(key) || !j[key].is_array()) return out;
  for (const auto& v : j[key]) {
    if (v.is_number_integer()) out.push_back(v.get<int>());
  }
  return out;
}

int Int(const json& j, const char* key, int fallback = -1) {
  return j.contains(key) && j[key].is_number_integer() ? j[key].get<int>() : fallback;
}

bool IsChair(int c) { return c >= 0 && c < 4; }

void Take(std::vector<int>& from, int tile) {
  auto it = std::find(from.begin(), from.end(), tile);
  if (it != from.end()) from.erase(it);
}

std::string List(const std::vector<int>& ids) {
  std::string out;
  for (size_t i = 0; i < ids.size(); ++i) {
    if (i) out += ',';
    out += std::to_string(ids[i]);
  }
  return out;
}

// The hand number of a client's line ("hand=N chair=C ..."), or false.
bool ReadHead(const std::string& line, int* hand, int* chair) {
  return std::sscanf(line.c_str(), "hand=%d chair=%d", hand, chair) == 2;
}

}  // namespace

void HandEndLines::Feed(const std::string& text) {
  json j = json::parse(text, nullptr, false);
  if (j.is_discarded() || !j.is_object() || !j.contains("ev") || !j["ev"].is_string()) return;
  const std::string ev = j["ev"].get<std::string>();
  if (ev == "hand") {
    m_open = true;
    m_ended = false;
    m_hand = Int(j, "hand", 0);
    m_wallTaken = 0;
    for (int c = 0; c < 4; ++c) {
      m_hands[c].clear(), m_rivers[c].clear(), m_flowers[c].clear(), m_melds[c].clear();
    }
    return;
  }
  if (ev == "abandoned") {
    m_open = false;
    return;
  }
  if (!m_open || m_ended) return;
  const int chair = Int(j, "chair");
  if (ev == "deal" && IsChair(chair)) {
    const std::vector<int> tiles = IntList(j, "tiles");
    m_hands[chair].insert(m_hands[chair].end(), tiles.begin(), tiles.end());
    m_wallTaken += static_cast<int>(IntList(j, "walls").size());
  } else if (ev == "draw" && IsChair(chair)) {
    m_hands[chair].push_back(Int(j, "tile"));
    ++m_wallTaken;
  } else if (ev == "flower" && IsChair(chair)) {
    Take(m_hands[chair], Int(j, "tile"));
    m_flowers[chair].push_back(Int(j, "tile"));
  } else if (ev == "discard" && IsChair(chair)) {
    Take(m_hands[chair], Int(j, "tile"));
    m_rivers[chair].push_back(Int(j, "tile"));
  } else if ((ev == "peng" || ev == "chi" || ev == "exposed_gang") && IsChair(chair)) {
    const int from = Int(j, "from");
    const int tile = Int(j, "tile");
    Meld meld;
    meld.tiles = IntList(j, "tiles");
    for (int id : meld.tiles) Take(m_hands[chair], id);
    if (IsChair(from) && !m_rivers[from].empty() && m_rivers[from].back() == tile) m_rivers[from].pop_back();
    meld.tiles.push_back(tile);
    m_melds[chair].push_back(meld);
  } else if (ev == "concealed_gang" && IsChair(chair)) {
    Meld meld;
    meld.tiles = IntList(j, "tiles");
    for (int id : meld.tiles) Take(m_hands[chair], id);
    m_melds[chair].push_back(meld);
  } else if (ev == "added_gang" && IsChair(chair)) {
    const int tile = Int(j, "tile");
    Take(m_hands[chair], tile);
    for (Meld& meld : m_melds[chair]) {
      if (meld.tiles.size() == 3 && !meld.tiles.empty() && TileSet::Code(meld.tiles[0]) == TileSet::Code(tile)) {
        meld.tiles.push_back(tile);
        break;
      }
    }
  } else if (ev == "hu" || ev == "drawn") {
    EndHand();
  }
}

void HandEndLines::EndHand() {
  m_ended = true;
  HandEnd end;
  end.hand = m_hand;
  std::string shared;
  for (int c = 0; c < 4; ++c) {
    shared += " | " + std::to_string(c) + " r=" + List(m_rivers[c]) + " f=" + List(m_flowers[c]) + " m=";
    for (size_t k = 0; k < m_melds[c].size(); ++k) {
      std::vector<int> tiles = m_melds[c][k].tiles;
      std::sort(tiles.begin(), tiles.end());
      if (k) shared += '/';
      shared += List(tiles);
    }
    shared += " n=" + std::to_string(m_hands[c].size());
  }
  for (int c = 0; c < 4; ++c) {
    std::vector<int> own = m_hands[c];
    std::sort(own.begin(), own.end());
    end.lines[c] = "hand=" + std::to_string(m_hand) + " chair=" + std::to_string(c) +
                   " wall=" + std::to_string(WALL_TILES - m_wallTaken) + shared + " | own=" + List(own);
  }
  m_ends.push_back(std::move(end));
}

std::string HandEndLines::MeldsInOrder(const std::string& line) {
  std::string out;
  size_t pos = 0;
  for (;;) {
    const size_t m = line.find(" m=", pos);
    if (m == std::string::npos) break;
    const size_t start = m + 3;
    size_t end = line.find(' ', start);
    if (end == std::string::npos) end = line.size();
    std::vector<std::string> groups;
    std::stringstream in(line.substr(start, end - start));
    for (std::string group; std::getline(in, group, '/');) groups.push_back(group);
    std::sort(groups.begin(), groups.end());
    out += line.substr(pos, start - pos);
    for (size_t k = 0; k < groups.size(); ++k) out += (k ? "/" : "") + groups[k];
    pos = end;
  }
  return out + line.substr(pos);
}

HandEndLines::Comparison HandEndLines::Compare(const std::vector<std::string>& clientLines, size_t limit) const {
  Comparison result;
  size_t at = 0;
  auto note = [&](const std::string& text) {
    if (result.notes.size() < limit) result.notes.push_back(text);
  };
  for (const std::string& line : clientLines) {
    if (line.empty()) continue;
    int hand = 0, chair = -1;
    if (!ReadHead(line, &hand, &chair) || !IsChair(chair)) {
      ++result.unknown;
      note("unreadable client line: " + line);
      continue;
    }
    // The hand as the client saw it, or else the first hand of its number still ahead.
    size_t found = m_ends.size();
    const std::string client = MeldsInOrder(line);
    for (size_t k = at; k < m_ends.size(); ++k) {
      if (m_ends[k].hand == hand && MeldsInOrder(m_ends[k].lines[chair]) == client) {
        found = k;
        break;
      }
    }
    if (found == m_ends.size()) {
      for (size_t k = at; k < m_ends.size(); ++k) {
        if (m_ends[k].hand == hand) {
          found = k;
          break;
        }
      }
    }
    if (found == m_ends.size()) {
      ++result.unknown;
      note("hand " + std::to_string(hand) + " chair " + std::to_string(chair) + ": not in the server's log");
      continue;
    }
    at = found + 1;
    const std::string& server = m_ends[found].lines[chair];
    if (MeldsInOrder(server) == client) {
      ++result.matched;
    } else {
      ++result.differing;
      note("hand " + std::to_string(hand) + " chair " + std::to_string(chair) + ": client " + line + " / server " + server);
    }
  }
  return result;
}

}  // namespace testbed
