#include "mahjong/scene/TilePictureSet.h"

#include <cstdio>

#include "engine/EngineUtil.h"
#include "engine/GameBase.h"
#include "mahjong/SeatLayout.h"
#include "mahjong/scene/TilePictures.h"
#include "platform/base/WinTypes.h"
#include "platform/kernel/Profile.h"

namespace {

// A laid-down set's picture and size: sets 0 and 2 lie across the row (across x along+depth),
// sets 1 and 3 along it (along x across+depth). The face strip steps by the picture width.
void LaidSet(int set, const CTableMetrics& m, int* picture, int* w, int* h) {
  const int base = METRIC_LAID_SET0 + 3 * set;
  const int along = m.Metric(base), across = m.Metric(base + 1), depth = m.Metric(base + 2);
  *picture = TPIC_MIDDLE0 + set;
  if (set % 2 == 0) {
    *w = across, *h = along + depth;
  } else {
    *w = along, *h = across + depth;
  }
}

bool LaidFace(const MJTile& tile, int set, const CTableMetrics& m, TilePictureChoice* out) {
  if (set < 0 || set > 3) return false;
  LaidSet(set, m, &out->picture, &out->w, &out->h);
  out->sx = GetFaceIndex(tile.tileId) * out->w;
  return true;
}

// A laid-down back: "back0" is as wide as sets 0 and 2, "back1" as sets 1 and 3.
void LaidBack(int set, const CTableMetrics& m, TilePictureChoice* out) {
  int ignored = 0;
  LaidSet(set, m, &ignored, &out->w, &out->h);
  out->picture = set % 2 == 0 ? TPIC_BACK0 : TPIC_BACK1;
  out->sx = 0;
}

bool ValidSide(int side) { return side >= 0 && side < 4; }

}  // namespace

bool ChooseHandPicture(const MJTile& tile, int side, const CTableMetrics& m, TilePictureChoice* out) {
  if (out == nullptr || !ValidSide(side)) return false;
  *out = TilePictureChoice{};
  const bool standing = tile.standing == 1 && tile.meldKind == 0;
  if (standing) {
    if (side == SIDE_OWN) {
      out->picture = TPIC_LARGE;
      out->w = m.Metric(METRIC_LARGE_WIDTH);
      out->h = m.Metric(METRIC_LARGE_HEIGHT);
      out->sx = GetFaceIndex(tile.tileId) * out->w;
      return true;
    }
    if (tile.nFace == 1) return LaidFace(tile, side, m, out);
    if (tile.nFace != 2) return false;
    // Another side's standing tile seen from the side: 19 x 49 beside the table, 26 x 37 across.
    out->picture = TPIC_SIDE0 + side;
    if (side == SIDE_TOP) {
      out->w = m.Metric(METRIC_STANDING_SIDE1);
      out->h = m.Metric(METRIC_STANDING_SIDE1 + 1) + m.Metric(METRIC_STANDING_SIDE1 + 2);
    } else {
      const int base = side == SIDE_RIGHT ? METRIC_STANDING_SIDE0 : METRIC_STANDING_SIDE2;
      out->w = m.Metric(base + 2);
      out->h = m.Metric(base) + m.Metric(base + 1);
    }
    return true;
  }
  // Laid down: a face lies in the set the record's lie names, turned by half a table.
  if (tile.nFace != 0) return LaidFace(tile, (tile.lie + 2) % 4, m, out);
  if (side == SIDE_OWN) {
    LaidBack(3, m, out);
    return true;
  }
  // A face-down laid tile of another side has a picture only for its side's own lie.
  static const int kBackLie[3] = {2, 3, 0};
  if (tile.lie != kBackLie[side]) return false;
  LaidBack(side, m, out);
  return true;
}

bool ChooseWallPicture(const MJTile& tile, const CTableMetrics& m, TilePictureChoice* out) {
  if (out == nullptr || !ValidSide(tile.side)) return false;
  *out = TilePictureChoice{};
  const bool faceUp = tile.nFace != 0;
  const int layer = m.Metric(METRIC_LAYER_OFFSET);
  if (tile.side == SIDE_TOP || tile.side == SIDE_OWN) {
    out->picture = faceUp ? TPIC_WALL_FACE1 : TPIC_WALL_BACK1;
    out->sx = faceUp ? GetFaceIndex(tile.tileId) * m.Metric(METRIC_END_STEP) : 0;
    out->w = m.Metric(METRIC_END_HEIGHT);
    out->h = m.Metric(METRIC_END_STEP) + layer;
  } else {
    out->picture = faceUp ? TPIC_WALL_FACE0 : TPIC_WALL_BACK0;
    out->sx = faceUp ? GetFaceIndex(tile.tileId) * m.Metric(METRIC_SIDE_WIDTH) : 0;
    out->w = m.Metric(METRIC_SIDE_STEP) + layer;
    out->h = m.Metric(METRIC_SIDE_WIDTH);
  }
  return true;
}

bool ChooseRiverPicture(const MJTile& tile, int side, const CTableMetrics& m, TilePictureChoice* out) {
  if (out == nullptr || !ValidSide(side)) return false;
  *out = TilePictureChoice{};
  if (tile.nFace != 0) return LaidFace(tile, side, m, out);
  LaidBack(side, m, out);
  return true;
}

bool ChooseFlowerPicture(const MJTile& tile, int side, const CTableMetrics& m, TilePictureChoice* out) {
  if (out == nullptr || !ValidSide(side)) return false;
  *out = TilePictureChoice{};
  return LaidFace(tile, side, m, out);
}

bool ChoosePlayedPicture(const MJTile& tile, const CTableMetrics& m, TilePictureChoice* out) {
  if (out == nullptr) return false;
  *out = TilePictureChoice{};
  out->w = m.Metric(METRIC_LARGE_WIDTH);
  out->h = m.Metric(METRIC_LARGE_HEIGHT);
  if (tile.showHu == 1) {
    out->picture = TPIC_HU;
    return true;
  }
  out->picture = TPIC_LARGE;
  out->sx = GetFaceIndex(tile.tileId) * out->w;
  return true;
}

std::string CTilePictureSet::StyleFolder(const char* iniPath, int index) {
  if (index < 0 || index >= STYLE_COUNT || iniPath == nullptr) return "Classic";
  char key[16];
  std::snprintf(key, sizeof key, "Style%d", index);
  char value[256] = {};
  GetPrivateProfileStringA("SKIN", key, "Classic", value, sizeof value, iniPath);
  return value[0] != 0 ? std::string(value) : std::string("Classic");
}

bool CTilePictureSet::Load(GameBase& scene, const char* iniPath, bool smallScreen) {
  scene.SetResourceFolder("skins\\Common");
  // The dice strips are keyed on pure blue and the clock digits on pure green; everything else
  // on magenta.
  for (int i = 0; i < 12; ++i) {
    char file[32], name[32];
    std::snprintf(file, sizeof file, "dice%d.bmp", i + 1);
    std::snprintf(name, sizeof name, "骰子%d", i + 1);
    m_ids[TPIC_DICE1 + i] = scene.LoadImageResource(file, 1, name, 0xFF0000, 1);
  }
  m_ids[TPIC_CLOCK_DIGITS] = scene.LoadImageResource("clock_digit.bmp", 1, nullptr, 0x00FF00, 1);
  m_ids[TPIC_BUFF] = scene.LoadImageResource("buff.bmp", 1, "BUFF", KEY, 1);
  m_ids[TPIC_HU] = scene.LoadImageResource("hu.bmp", 1, nullptr, KEY, 1);
  // This game's table top is the common table picture, not the style's own cloth.
  m_ids[TPIC_CLOTH] = scene.LoadImageResource("桌面.pps", 1, "桌面", KEY, 1);

  m_styleIndex = iniPath ? static_cast<int>(GetPrivateProfileIntA("SKIN", "Default", 0, iniPath)) : 0;
  LoadStyle(scene, StyleFolder(iniPath, m_styleIndex), smallScreen);
  return Loaded();
}

bool CTilePictureSet::SwitchStyle(GameBase& scene, const std::string& style, int index, bool smallScreen) {
  // Loading a picture under a name replaces the one of the old style, so a folder without its
  // tile set is found out before anything is loaded.
  const std::string large = "skins\\" + style + (smallScreen ? "\\mj_large800.bmp" : "\\mj_large1024.bmp");
  if (style.empty() || !FileExistsInModuleFolder(large.c_str())) return false;
  LoadStyle(scene, style, smallScreen);
  m_styleIndex = index;
  return Loaded();
}

void CTilePictureSet::LoadStyle(GameBase& scene, const std::string& style, bool smallScreen) {
  m_style = style;
  scene.SetResourceFolder(("skins\\" + style).c_str());
  struct Entry {
    int picture;
    const char* file;
    const char* name;
  };
  const Entry entries[] = {
      {TPIC_WALL_BACK0, "mj_smallback0.bmp", "牌墙背面0"},
      {TPIC_WALL_BACK1, "mj_smallback1.bmp", "牌墙背面1"},
      {TPIC_WALL_FACE0, "mj_small0.bmp", "牌墙正面0"},
      {TPIC_WALL_FACE1, "mj_small1.bmp", "牌墙正面1"},
      {TPIC_BACK0, "mj_back0.bmp", "背面0"},
      {TPIC_BACK1, "mj_back1.bmp", "背面1"},
      {TPIC_LARGE, smallScreen ? "mj_large800.bmp" : "mj_large1024.bmp", "正面大图"},
      {TPIC_MIDDLE0, "mj_middle0.bmp", "正面中图0"},
      {TPIC_MIDDLE1, "mj_middle1.bmp", "正面中图1"},
      {TPIC_MIDDLE2, "mj_middle2.bmp", "正面中图2"},
      {TPIC_MIDDLE3, "mj_middle3.bmp", "正面中图3"},
      {TPIC_SIDE0, "mj_side0.bmp", "侧面0"},
      {TPIC_SIDE1, "mj_side1.bmp", "侧面1"},
      {TPIC_SIDE2, "mj_side2.bmp", "侧面2"},
      {TPIC_CLOCK, "clock.bmp", "计时钟"},
      {TPIC_CLOCK_HAND, "clock_hand.bmp", "钟指针"},
      {TPIC_JOKER, "mj_joker.bmp", nullptr},
      {TPIC_ACTIONS, "PGCHG.png", "碰杠吃胡过"},
  };
  for (const Entry& e : entries) m_ids[e.picture] = scene.LoadImageResource(e.file, 1, e.name, KEY, 1);
}
