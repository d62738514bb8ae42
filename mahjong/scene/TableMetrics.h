// Where the engine-drawn table puts things: the fixed tile metrics, the centre rectangle, the
// four hand areas, the played-tile places, the dice and the stake panel, all from the scene's
// size; and the own hand's insertion hit test for a dragged tile.
#pragma once

#include <array>

#include "mahjong/scene/TileTable.h"
#include "platform/base/WinTypes.h"

// Indexes into the tile metrics (one-based in the order the style sets them).
#define METRIC_LARGE_WIDTH 1
#define METRIC_LARGE_HEIGHT 2
#define METRIC_SIDE_STEP 3
#define METRIC_SIDE_WIDTH 4
#define METRIC_END_STEP 5
#define METRIC_END_HEIGHT 6
#define METRIC_LAYER_OFFSET 7
#define METRIC_LAID_SET0 8   // along, across, depth for the sets 0-3: 8-10, 11-13, 14-16, 17-19
#define METRIC_STANDING_SIDE0 20
#define METRIC_STANDING_SIDE1 23
#define METRIC_STANDING_SIDE2 26
#define METRIC_ACTION_FRAME 30
#define METRIC_SYSTEM_FRAME 32
#define METRIC_COUNT 33

class CTableMetrics {
 public:
  static constexpr int CENTRE_WIDTH = 212;
  static constexpr int CENTRE_HEIGHT = 120;
  static constexpr int CLOCK_SIZE = 65;

  CTableMetrics() { SetSmallScreen(false); }

  int sceneWidth = 1024;
  int sceneHeight = 768;
  int systemBarHeight = 0;  // 0 while the bar does not exist
  int handSize = 14;
  int playedTileGap = 24;   // the game description's name-plate thickness

  void SetSmallScreen(bool small);
  bool IsSmallScreen() const { return m_small; }
  // A metric by its one-based number; 0 outside the table.
  int Metric(int number) const { return (number >= 1 && number <= METRIC_COUNT) ? m_metrics[number - 1] : 0; }

  int GetCentreLift() const { return m_small ? 10 : 30; }
  RECT GetCentreRect() const;
  RECT GetDiceRect() const;
  // The turn clock's 65-pixel square, 10 pixels inside the centre's left edge, halfway down.
  RECT GetClockRect() const;
  RECT GetStakePanelRect(const RECT& clock) const;
  int GetHandInsetX(int side) const;
  int GetHandInsetY(int side) const;
  bool GetHandArea(int side, RECT* out) const;
  int GetHandLength(int side) const;
  int GetHandThickness(int side) const;
  bool GetPlayedTileRect(int side, RECT* out) const;
  // The insertion index in the own hand for a point relative to the own hand area; -2 when the
  // point is on no standing tile.
  int HitTestHandInsert(const CTileTable& tiles, int x, int y, int handPlaceCount = 18) const;

 private:
  bool m_small = false;
  std::array<int, METRIC_COUNT> m_metrics{};
};
