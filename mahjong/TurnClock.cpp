#include "mahjong/TurnClock.h"

namespace {
int Wrap(int p) { return ((p % 8) + 8) % 8; }
}  // namespace

int ClockHandSteps(int from, int to, int out[CLOCK_STEP_LIST]) {
  for (int i = 0; i < CLOCK_STEP_LIST; ++i) out[i] = -1;
  int d = to > from ? to - from : from - to;
  switch (d) {
    case 4:
      for (int i = 0; i < 4; ++i) out[i] = Wrap(from - 1 - i);
      return 4;
    case 6:
      out[0] = 7;
      out[1] = to;
      return 2;
    case 2:
      out[0] = from < to ? from + 1 : from - 1;
      out[1] = to;
      return 2;
    default:
      return 0;
  }
}

int ScheduleFlowerReveal(int bankerSide, const int flowerCounts[4], int playerCount, FlowerReveal out[4],
                         int* startPlayMs) {
  int k = 0;
  int side = bankerSide;
  if (playerCount > 4) playerCount = 4;
  for (int n = 0; n < playerCount; ++n) {
    if (side >= 0 && side < 4 && flowerCounts[side] > 0) {
      out[k] = {side, k * 300};
      ++k;
    }
    // Turn order runs 3, 2, 1, 0 and round again.
    side = (side + 3) % 4;
  }
  *startPlayMs = (k + 1) * 300;
  return k;
}

int ScheduleDeal(int bankerSide, int playerCount, DealStep out[4], int* dealOverMs) {
  if (playerCount > 4) playerCount = 4;
  if (playerCount < 0) playerCount = 0;
  int n = 0;
  // A banker the table does not know is dealt as the own side, so that every hand still shows.
  int side = bankerSide >= 0 && bankerSide < 4 ? bankerSide : 3;
  for (int k = 0; k < playerCount; ++k) {
    out[n++] = {side, 500 * k};
    // The side that played before: one up, except that three players leave side 1 empty.
    side = playerCount == 3 && side == 0 ? 2 : (side + 1) % 4;
  }
  *dealOverMs = 500 * playerCount;
  return n;
}
