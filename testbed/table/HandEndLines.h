// The table at the end of every hand of a hand log, written as each chair's client writes its
// own table (mahjong/scene/TableDump: rivers, flowers, melds, tile counts, the chair's own tiles
// and the tiles left in the wall), so that a long run can hold every client's lines against the
// server's record. A hand ends at its win or at the wall running out.
#pragma once

#include <array>
#include <map>
#include <string>
#include <vector>

namespace testbed {

class HandEndLines {
 public:
  struct HandEnd {
    int hand = 0;
    std::array<std::string, 4> lines;  // by chair
  };

  void Feed(const std::string& jsonLine);
  const std::vector<HandEnd>& Hands() const { return m_ends; }

  // Holds a client's lines against the log's, in order (a restarted server numbers its hands from
  // the start again): each client line must equal the line of a hand of its number after the
  // previous match; when none ahead is equal, the first hand of that number ahead is the one it
  // differs from. Returns the counts and the first `limit` differences, each "hand N chair C:
  // client <line> / server <line>".
  struct Comparison {
    int matched = 0;
    int differing = 0;
    int unknown = 0;  // client lines whose hand is not in the log (or not in the expected order)
    std::vector<std::string> notes;
  };
  // Melds are held against each other as a set: a client that took up a running hand lays them
  // out from the table data, which keeps them by kind, not in the order they were made.
  Comparison Compare(const std::vector<std::string>& clientLines, size_t limit = 20) const;
  // The line with each side's melds in one order (sorted), the rest as it is.
  static std::string MeldsInOrder(const std::string& line);

 private:
  struct Meld {
    std::vector<int> tiles;
  };
  void EndHand();

  bool m_open = false;
  bool m_ended = false;
  int m_hand = 0;
  int m_wallTaken = 0;
  std::array<std::vector<int>, 4> m_hands;
  std::array<std::vector<int>, 4> m_rivers;
  std::array<std::vector<int>, 4> m_flowers;
  std::array<std::vector<Meld>, 4> m_melds;
  std::vector<HandEnd> m_ends;
};

}  // namespace testbed
