// The computer players. A bot sees what its chair's player would see (its own tiles, its melds,
// the offered tile and its claim word) and answers with one action; the table turns the action
// into the same requests a client sends. The sensible bot plays by distance to a winning hand:
// it always wins when it can, claims only what brings it closer, and discards the tile whose
// loss keeps it closest (jokers last).
#pragma once

#include <array>
#include <deque>
#include <memory>
#include <vector>

#include "testbed/table/TileSet.h"

namespace testbed {

struct BotSituation {
  enum Kind { OWN_TURN, CLAIM, ROB, DRAW, HELD };
  Kind kind = OWN_TURN;
  int chair = 0;
  std::vector<int> hand;        // concealed tiles (14 on the own turn, 13 otherwise)
  int meldCount = 0;
  std::vector<int> pengCodes;   // codes of the chair's pengs (an added gang needs one)
  int jokerCode = 0;            // 0: no jokers this hand
  int tile = TILE_NONE;         // the offered tile (claim, rob)
  int word = 0;                 // the chair's claim word (claim, rob)
  int fromChair = -1;
  bool canReplace = true;       // a gang still has a replacement tile
};

struct BotAction {
  enum Kind { NONE, DRAW, DISCARD, PASS, PENG, CHI, EXPOSED_GANG, HU, FLOWER, CONCEALED_GANG, ADDED_GANG };
  Kind kind = NONE;
  int tile = TILE_NONE;                        // discard, flower, gang tile, hu tile
  std::array<int, 3> tiles{TILE_NONE, TILE_NONE, TILE_NONE};  // the own tiles of a claim
};

class BotBrain {
 public:
  virtual ~BotBrain() = default;
  virtual BotAction Decide(const BotSituation& situation) = 0;
};

class SensibleBot : public BotBrain {
 public:
  BotAction Decide(const BotSituation& s) override;

  // Tiles still needed to win with this concealed part (jokers by code).
  static int Needed(const std::vector<int>& hand, int jokerCode, int sets);
  // The best tile to let go of from a hand that holds one tile too many, and the distance
  // that remains after it.
  static int BestDiscard(const std::vector<int>& hand, int jokerCode, int sets, int* neededAfter);

 private:
  BotAction OwnTurn(const BotSituation& s);
  BotAction Claim(const BotSituation& s);
};

// Plays the given actions first (one per decision, in order) and falls back to the sensible
// bot when the script runs out or an action does not fit the situation.
class ScriptedBot : public BotBrain {
 public:
  explicit ScriptedBot(std::deque<BotAction> script) : m_script(std::move(script)) {}
  BotAction Decide(const BotSituation& situation) override;

 private:
  std::deque<BotAction> m_script;
  SensibleBot m_fallback;
};

}  // namespace testbed
