// Checks a hand log: every hand must start from a wall of the tile set's 136 tiles, each once;
// every tile must come from the place of the wall that the head or tail walk reaches next and
// end in exactly one hand, meld, river, flower row or the wall; every discard must come from
// the hand of the chair in turn, every claim must be one its hand allows, every win a winning
// hand, and every result's points and silver must sum to zero. A hand the server abandoned when it
// stopped ("abandoned") is dropped unchecked.
#pragma once

#include <array>
#include <istream>
#include <string>
#include <vector>

#include "testbed/table/TileSet.h"

namespace testbed {

class ReplayChecker {
 public:
  // Feeds one JSON line of the log.
  void Feed(const std::string& line);
  // Ends the log: a hand still open is reported.
  void Finish();
  // Reads a whole log.
  void FeedStream(std::istream& in);

  const std::vector<std::string>& Errors() const { return m_errors; }
  int HandsChecked() const { return m_handsChecked; }
  int HandsWon() const { return m_handsWon; }
  int HandsDrawn() const { return m_handsDrawn; }
  int HandsAbandoned() const { return m_handsAbandoned; }
  int Claims() const { return m_claims; }

 private:
  struct Meld {
    std::string kind;
    std::vector<int> tiles;
    int code = 0;
  };
  struct Hand {
    bool open = false;
    std::vector<int> wall;
    std::vector<bool> taken;
    int breakPosition = 0;
    int indicatorPosition = 0;
    int jokerCode = 0;
    int head = 0;
    int tailCounter = 0;
    int dealt = 0;
    std::array<std::vector<int>, 4> hands;
    std::array<std::vector<Meld>, 4> melds;
    std::array<std::vector<int>, 4> rivers;
    std::array<std::vector<int>, 4> flowers;
    int lastDiscardChair = -1;
    int lastDiscardTile = TILE_NONE;
    bool discardTakable = false;
    int winner = -1;
    bool ended = false;
  };

  void Fail(const std::string& what);
  bool TakeFromHand(int chair, int tile);
  bool Wins(int chair, int extraTile) const;
  bool TakeWall(int position, int tile);
  void CheckConservation();

  Hand m_hand;
  std::vector<std::string> m_errors;
  int m_line = 0;
  int m_handsChecked = 0;
  int m_handsWon = 0;
  int m_handsDrawn = 0;
  int m_handsAbandoned = 0;
  int m_claims = 0;
};

}  // namespace testbed
