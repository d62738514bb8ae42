// The wall of one hand: 136 places in stacks of two, a break where dealing starts, draws from
// the head (forwards from the break) and replacement draws from the tail (backwards from the
// break, one stack at a time, skipping the turned-up indicator). The clients derive the taken
// places from the break, the head count and the tail counter, so the walk here is theirs.
#pragma once

#include <optional>
#include <vector>

#include "testbed/table/TileSet.h"

namespace testbed {

struct WallDraw {
  int tile = TILE_NONE;
  int position = -1;
};

class Wall {
 public:
  // tilesByPosition: the 136 tiles in wall order; breakPosition: an even place 0-134. The
  // indicator is turned up at the first tail place.
  Wall(std::vector<int> tilesByPosition, int breakPosition);
  Wall() = default;

  // The place the tail walk gives for counter k, and how far the counter moves on.
  struct TailStep {
    int position;
    int nextCounter;
  };
  static TailStep TailPosition(int start, int heldBack, int counter);

  std::optional<WallDraw> DrawHead();
  std::optional<WallDraw> DrawTail();
  bool CanDrawHead() const;
  bool CanDrawTail() const;

  int BreakPosition() const { return m_break; }
  int IndicatorPosition() const { return m_indicator; }
  int IndicatorTile() const { return m_tiles.empty() ? TILE_NONE : m_tiles[m_indicator]; }
  int HeadCount() const { return m_head; }
  // The wall place the next head draw takes: the break plus the head count, round the ring.
  int HeadPosition() const;
  int TailCounter() const { return m_tailCounter; }
  int Remaining() const;
  const std::vector<int>& Tiles() const { return m_tiles; }
  // The tiles still standing in the wall (the indicator not included).
  std::vector<int> StandingTiles() const;

 private:
  std::vector<int> m_tiles;
  std::vector<bool> m_taken;
  int m_break = 0;
  int m_indicator = 0;
  int m_head = 0;
  int m_tailCounter = 0;
};

}  // namespace testbed
