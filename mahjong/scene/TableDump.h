// One line that says what the table holds at the end of a hand, as this client sees it: for every
// chair its river (the discard still lying in the middle included), its flowers, its melds and
// how many tiles it holds, then the player's own tiles and the tiles left in the wall. A long run
// writes the line of every hand to a file and holds it against the game server's own record of
// the hand, so that a table that drifted from the server's shows up as a difference.
//
//   hand=7 chair=2 wall=61 | 0 r=12,40 f= m=4,5,6/88,89,90,91 n=8 | 1 ... | own=3,17,...
//
// Ids are sorted within a meld and within the own tiles; rivers and flowers keep their order, and
// melds the order in which they were laid. A tile the client does not know is written as x.
#pragma once

#include <string>

#include "mahjong/GameInfo.h"
#include "mahjong/scene/TableModel.h"

class CTableDump {
 public:
  static std::string Format(const CMJTableModel& model, const CGameInfo& info);
  // Appends the line and a line end to the file (made when missing); false when it cannot.
  static bool Append(const std::string& path, const std::string& line);
};
