// How far a hand is from winning under this rule set. A winning hand is four sets (three of a
// kind or a run of three in one suit) and a pair, counting the melds already laid down as sets,
// or seven pairs when nothing is laid down. Jokers stand for any tile. Flowers never count.
#pragma once

#include "testbed/table/TileSet.h"

namespace testbed {

class HandShape {
 public:
  // The number of tiles the concealed part still lacks: counts are its tiles without jokers
  // (by code), `jokers` how many jokers it holds and `sets` how many sets it must still form
  // (4 minus the melds laid down). A hand of 3 * sets + 2 tiles wins when this is 0; a hand one
  // tile short is ready when it is 1.
  static int TilesNeeded(const CodeCounts& counts, int jokers, int sets);
  // The same for the standard shape alone and for seven pairs alone (which needs sets == 4).
  static int StandardNeeded(const CodeCounts& counts, int jokers, int sets);
  static int SevenPairsNeeded(const CodeCounts& counts, int jokers, int sets);

  static bool IsWinning(const CodeCounts& counts, int jokers, int sets) {
    return TilesNeeded(counts, jokers, sets) == 0;
  }
  // True when the hand wins as seven pairs but not in the standard shape: the settlement
  // counts seven pairs as its own item.
  static bool WinsOnlyAsSevenPairs(const CodeCounts& counts, int jokers, int sets);
};

}  // namespace testbed
