// A scripted hand's wall: the tiles each chair is dealt, the tiles drawn from the head after the
// deal and from the tail (gang and flower replacements), in order, and the turned-up indicator.
// ArrangeWall places them where the deal and the draws will find them and fills the other places
// with the remaining tiles in id order, so that a table given the wall (TableConfig::fixedWalls
// with the same break and banker) plays exactly the scripted tiles.
//
// The text form, one item a line, '#' starting a comment:
//   break 40              an even wall place 0-134 (default 40)
//   dice 3 4 2 5          four dice 1-6 (optional; they only show)
//   banker 0              the chair that deals (default 0)
//   hand 0 <tiles>        13 tiles (14 for the banker), for each chair 0-3
//   head <tiles>          drawn from the head after the deal, in order
//   tail <tiles>          drawn from the tail, in order
//   indicator <tile>      the turned-up tile
//   play <chair> <move>   the next move of the computer player in that chair, in order: discard T,
//                         peng T A B, chi T A B, gang T A B C (on a discard), concealed T A B C,
//                         added T, hu T, pass; T is the tile concerned, A B C its own tiles
// A tile is an id (0-135) or c<code> (c12: the lowest id of rule code 12 that no line names). In a
// play line, c<code>.<k> names the k-th tile of that code in the order the hand, head, tail and
// indicator lines give them (c<code> alone the first). Any part left out is filled from the
// remaining tiles; a computer player whose moves run out (or do not fit) plays as it likes.
#pragma once

#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "testbed/table/BotPlayer.h"

namespace testbed {

struct WallScript {
  int breakPosition = 40;
  int banker = 0;
  std::optional<std::array<int, 4>> dice;
  std::array<std::vector<int>, 4> hands;
  std::vector<int> head;
  std::vector<int> tail;
  int indicator = -1;
  std::array<std::deque<BotAction>, 4> plays;
};

// The 136 tiles in wall order. False with a text when the script does not fit (a tile twice or
// no tile, a hand too long, more draws than the wall holds, a break that is no even place).
bool ArrangeWall(const WallScript& script, std::vector<int>* wall, std::string* error);

// The brains of the computer players for TableConfig::botBrains: the scripted moves first.
std::function<std::unique_ptr<BotBrain>(int chair)> ScriptedBrains(const WallScript& script);

// Reads the text form; codes are turned into ids here. False with a text naming the line.
bool ParseWallScript(const std::string& text, WallScript* script, std::string* error);

}  // namespace testbed
