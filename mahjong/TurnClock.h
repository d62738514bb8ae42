// The arithmetic of the turn clock and of the hand-start timing: the positions the clock hand
// passes on its way from one side to another, and when each side's flowers are revealed.
#pragma once

#define CLOCK_STEP_LIST 10

// Fills out (CLOCK_STEP_LIST entries, -1 where unused) with the positions the hand shows one
// after the other, 100 ms apart, and returns how many there are. Positions are 0-7, an even
// one a side (2 x side); the hand turns backwards across the opposite side, the short way
// through position 7 between 6 and 0, and one odd position between neighbours.
int ClockHandSteps(int from, int to, int out[CLOCK_STEP_LIST]);

// When the sides' flowers are revealed after the deal: sides in turn order from the banker's
// (3, 2, 1, 0), each side holding flowers 300 ms after the previous one, the first at once;
// play starts 300 ms after the last reveal (300 ms after the deal when nobody has a flower).
struct FlowerReveal {
  int side;
  int delayMs;
};
// flowerCounts holds one count per side 0-3. Returns the number of reveals written to out
// (at most 4) and sets *startPlayMs.
int ScheduleFlowerReveal(int bankerSide, const int flowerCounts[4], int playerCount, FlowerReveal out[4],
                         int* startPlayMs);

// When each side's hand appears after the dice: the banker's side at once, then the sides that
// played before it (the deal goes against the turn order), 500 ms apart; the deal is over
// 500 ms after the last side (2000 ms with four players). With three players side 1 is skipped;
// a banker outside the table is dealt as the own side (3).
struct DealStep {
  int side;
  int delayMs;
};
// Returns the number of steps written to out (at most 4) and sets *dealOverMs.
int ScheduleDeal(int bankerSide, int playerCount, DealStep out[4], int* dealOverMs);
