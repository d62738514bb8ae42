// The tiles of this rule set as the server sees them: ids, rule codes, the treasure tile that
// makes jokers, and the counting tables every hand test works on.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace testbed {

constexpr int TILE_COUNT = 136;           // tiles on the table in every hand
constexpr int TILE_NONE = -1;             // an empty place in a list
constexpr int TILE_HIDDEN = 200;          // what a player sees of another player's tile
constexpr int FIRST_FLOWER_ID = 136;      // flower ids 136-143 replace ids 128-135 when enabled
constexpr int FLOWER_SET_COUNT = 8;
constexpr int CODE_TABLE_SIZE = 64;       // rule codes are suit * 10 + value, flowers 41-56

using CodeCounts = std::array<int, CODE_TABLE_SIZE>;

class TileSet {
 public:
  // Suit 0-2 for the suited tiles, 3 for honours, 4 for flowers, -1 for anything else.
  static int Suit(int id);
  // 1-9 for suited tiles, 1-7 for honours, 1-16 for flowers, 0 for anything else.
  static int Value(int id);
  // suit * 10 + value; 0 for an id that is no tile.
  static int Code(int id);
  static bool IsTile(int id) { return Code(id) != 0; }
  static bool IsFlower(int id) { return id >= FIRST_FLOWER_ID && id < FIRST_FLOWER_ID + 16; }
  static bool IsHonourCode(int code) { return code >= 31 && code <= 37; }
  static bool IsSuitedCode(int code) { return code >= 1 && code <= 29 && code % 10 != 0; }
  // The lowest id of a suited or honour code (-1 for anything else).
  static int FirstIdOfCode(int code);
  // The code that the turned-up indicator makes the treasure: the next value of its suit,
  // 9 wrapping to 1, the winds 31-34 and the dragons 35-37 each in their own ring.
  static int TreasureCodeAfter(int indicatorCode);

  // The 136 ids of a hand's tile set: 0-135, or with flowers 0-127 and the flowers 136-143.
  static std::vector<int> HandTiles(bool withFlowers);

  static CodeCounts Count(std::span<const int> ids);
};

}  // namespace testbed
