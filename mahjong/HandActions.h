// The decisions behind the player's actions on the own hand and the table's small controls:
// where a dragged tile goes, what a click on a tile does, the side panels' icons, the dice
// pictures, the next tile style and where a screenshot is written. They change tile records
// or return a decision; drawing and sounds stay with the scene.
#pragma once

#include <ctime>
#include <functional>
#include <string>

#include "mahjong/scene/TileTable.h"

// Moves the dragged own tile (from its record `from`) so that it stands after record `index`
// (-1: before the first standing tile, -2: dropped outside the hand area; dropX is then the
// drop point's x in the hand area, and a drop left of the last standing tile's x goes after it,
// anywhere else to the front). Records keep their tile, raised-dim mark and joker mark
// together. Returns false, leaving every record as it was, when the drop changes nothing or
// the dragged record no longer holds the dragged tile.
bool DropDraggedTile(CTileTable& tiles, int side, int from, int draggedTile, int index, int dropX, int dropY,
                     int handThickness);

// The highest own record (0-13) whose tile is present and standing, -1 when none.
int FindLastStandingTile(const CTileTable& tiles, int side);

// What a click on an own tile does.
enum class TileClick { Nothing, ReplaceFlower, Discard };
TileClick DecideTileClick(bool lookOn, const MJTile& tile, bool isFlower);

// What picking a tile in the gang choice does once exactly one tile is raised: the meld kind
// of the place holding the other tiles of its code decides.
enum class GangPick { Nothing, ConcealedGang, AddedGang };
GangPick DecideGangPick(int raisedCount, int partnerMeldKind);

// The ten icon codes of each side panel.
class CSideIcons {
 public:
  static constexpr int ICONS = 10;
  // The last of the side's ten codes holds the banker mark and the like.
  void SetSideIcon(int side, int code);
  // Moves the positive codes to the front in their order and clears the rest; returns how
  // many are shown.
  int Compact(int side);
  int Code(int side, int i) const;
  void Clear(int side);

 private:
  int m_codes[4][ICONS] = {};
};

// The picture strip of a die: dice 1 and 3 (index 0 and 2) use strips 0-5, dice 2 and 4 strips
// 6-11. A value outside 1-6 shows no die (-1).
int DiceStrip(int die, int value);
// Two throws are animated when both dice of the second throw have a value.
bool HasSecondThrow(int d3, int d4);

// The next usable tile style after `current` among three folder names (empty: none), trying
// the next two in turn; -1 when no other style is usable.
int NextStyle(int current, const std::string names[3]);

// "<game>_<user>_<year><month*100+day>_<hour*10000+minute*100+second>".
std::string ScreenshotName(const std::string& gameCode, int userId, const std::tm& now);
// Creates the folder, lets capture write the file, and returns the chat line: where the
// picture went, or that it could not be saved.
std::string SaveScreenshot(const std::string& folder, const std::string& name,
                           const std::function<void(const char* path)>& capture);
