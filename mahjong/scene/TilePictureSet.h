// The table's pictures: the common ones of the "skins\Common\" folder and the tile sets, clock
// and table cloth of the chosen style, loaded through the engine's resource manager under the
// names the rest of the scene asks for; and, for a tile record, which picture shows it, from
// which frame of the strip and at what size.
#pragma once

#include <cstdint>
#include <string>

#include "mahjong/scene/TableMetrics.h"
#include "mahjong/scene/TileTable.h"

class GameBase;

enum TablePicture {
  TPIC_NONE = 0,
  TPIC_LARGE,        // own standing tiles, played tiles, the treasure tile
  TPIC_MIDDLE0,      // laid-down faces, sets 0-3
  TPIC_MIDDLE1,
  TPIC_MIDDLE2,
  TPIC_MIDDLE3,
  TPIC_WALL_FACE0,   // face-up wall tiles of the side walls (sides 0 and 2)
  TPIC_WALL_FACE1,   // and of the end walls (sides 1 and 3)
  TPIC_WALL_BACK0,
  TPIC_WALL_BACK1,
  TPIC_BACK0,        // laid-down backs
  TPIC_BACK1,
  TPIC_SIDE0,        // standing hands of sides 0-2 seen from the side
  TPIC_SIDE1,
  TPIC_SIDE2,
  TPIC_CLOTH,
  TPIC_CLOCK,
  TPIC_CLOCK_HAND,
  TPIC_JOKER,
  TPIC_ACTIONS,
  TPIC_HU,
  TPIC_CLOCK_DIGITS,
  TPIC_BUFF,
  TPIC_DICE1,        // twelve dice strips follow
  TPIC_COUNT = TPIC_DICE1 + 12
};

// One picture of a record: the picture, the frame's source x (source y is always 0) and the
// size it is drawn at.
struct TilePictureChoice {
  int picture = TPIC_NONE;
  int sx = 0;
  int w = 0;
  int h = 0;
};

// The picture of a hand record of a side (zone 2 while it stands outside a meld, else zone 3).
// False for a record that has no picture rule: a standing tile of another side that is neither
// face up nor seen from the side, or a face-down laid tile whose lie does not fit its side.
bool ChooseHandPicture(const MJTile& tile, int side, const CTableMetrics& m, TilePictureChoice* out);
// A wall record: the side walls (0 and 2) and the end walls (1 and 3) have pictures of their own.
bool ChooseWallPicture(const MJTile& tile, const CTableMetrics& m, TilePictureChoice* out);
// A river or flower record of a side lies in that side's own set; flowers always show their face.
bool ChooseRiverPicture(const MJTile& tile, int side, const CTableMetrics& m, TilePictureChoice* out);
bool ChooseFlowerPicture(const MJTile& tile, int side, const CTableMetrics& m, TilePictureChoice* out);
// The played tile, large, or the win picture when the record asks for it.
bool ChoosePlayedPicture(const MJTile& tile, const CTableMetrics& m, TilePictureChoice* out);

class CTilePictureSet {
 public:
  static constexpr uint32_t KEY = 0xFF00FF;
  static constexpr int STYLE_COUNT = 3;

  // Loads the common pictures and the style chosen in the game ini's [SKIN] section (Style0 to
  // Style2, default "Classic"; Default, the index). Paths are under the program folder's
  // "skins\"; a picture that is missing is logged by the resource manager and leaves its id 0,
  // so that the scene can draw without it. Returns false when no tile set could be loaded.
  bool Load(GameBase& scene, const char* iniPath, bool smallScreen);
  // The style folder name the ini chooses for an index; "Classic" for a missing or empty entry
  // or an index out of range.
  static std::string StyleFolder(const char* iniPath, int index);
  // Loads the tile pictures of another style folder (the player switched the style); false,
  // with every picture as it was, when the folder has no tile set.
  bool SwitchStyle(GameBase& scene, const std::string& style, int index, bool smallScreen);

  uint32_t Id(int picture) const { return (picture > TPIC_NONE && picture < TPIC_COUNT) ? m_ids[picture] : 0; }
  const std::string& Style() const { return m_style; }
  int StyleIndex() const { return m_styleIndex; }
  bool Loaded() const { return m_ids[TPIC_LARGE] != 0; }

 private:
  void LoadStyle(GameBase& scene, const std::string& style, bool smallScreen);

  uint32_t m_ids[TPIC_COUNT] = {};
  std::string m_style;
  int m_styleIndex = 0;
};
