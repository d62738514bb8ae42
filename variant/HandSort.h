// The own hand put in order after the sort button's sweep: the tiles that stand outside the
// melds trade places until their sort codes rise from the first standing place on. Only the
// tile words move between places that already hold a standing tile, so the hand keeps every
// tile it had, however many share a code; a hand whose tiles the player cannot see stays as it
// is. The drawn tile keeps its own place unless the caller asks for it to be sorted in; it then
// counts as the last place of the hand and takes the highest code.
#pragma once

#include "mahjong/TileRules.h"
#include "mahjong/scene/TileTable.h"

// Returns how many tiles took part (0 when nothing was sorted).
int SortStandingTiles(CTileTable& tiles, int side, bool withDrawn, int joker1, int substituteFlag, int ruleFlags);
