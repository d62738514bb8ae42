#include "mahjong/HandActions.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace {

constexpr int LAST_HAND_RECORD = CTileTable::HAND_SIZE - 1;

void CopyTileWords(MJTile* to, const MJTile* from) {
  to->tileId = from->tileId;
  to->attrB = from->attrB;
  to->jokerMark = from->jokerMark;
}

}  // namespace

int FindLastStandingTile(const CTileTable& tiles, int side) {
  for (int i = LAST_HAND_RECORD; i >= 0; --i) {
    const MJTile* t = tiles.GetTileRecord(MJ_ZONE_HAND, side, i);
    if (t && t->present && t->standing) return i;
  }
  return -1;
}

bool DropDraggedTile(CTileTable& tiles, int side, int from, int draggedTile, int index, int dropX, int dropY,
                     int handThickness) {
  if (!CTileTable::ValidSide(side) || from < 0 || from > LAST_HAND_RECORD) return false;
  MJTile* dragged = tiles.GetTileRecord(MJ_ZONE_HAND, side, from);
  if (!dragged->present || !dragged->standing || dragged->attrB || dragged->tileId != draggedTile) return false;
  const int joker = dragged->jokerMark;

  if (index == -1) {
    const MJTile* drawn = tiles.GetTileRecord(MJ_ZONE_HAND, side, 0);
    if (!(drawn->present && drawn->standing)) index = 1;
  } else if (index == -2) {
    const int last = FindLastStandingTile(tiles, side);
    index = 0;
    if (last >= 0) {
      const MJTile* t = tiles.GetTileRecord(MJ_ZONE_HAND, side, last);
      if (dropX >= 0 && dropX < t->x && dropY >= 0 && dropY < handThickness) index = last;
    }
  }
  if (index < -1 || index > LAST_HAND_RECORD || index == from) return false;

  if (from < index) {
    for (int r = from; r < index; ++r)
      CopyTileWords(tiles.GetTileRecord(MJ_ZONE_HAND, side, r), tiles.GetTileRecord(MJ_ZONE_HAND, side, r + 1));
    MJTile* to = tiles.GetTileRecord(MJ_ZONE_HAND, side, index);
    to->tileId = draggedTile;
    to->jokerMark = joker;
    to->attrB = 0;
    return true;
  }
  if (from == index + 1) return false;
  for (int r = from; r >= index + 2; --r)
    CopyTileWords(tiles.GetTileRecord(MJ_ZONE_HAND, side, r), tiles.GetTileRecord(MJ_ZONE_HAND, side, r - 1));
  MJTile* to = tiles.GetTileRecord(MJ_ZONE_HAND, side, index + 1);
  to->tileId = draggedTile;
  to->jokerMark = joker;
  to->attrB = 0;
  return true;
}

TileClick DecideTileClick(bool lookOn, const MJTile& tile, bool isFlower) {
  if (lookOn || tile.attrB || !tile.present) return TileClick::Nothing;
  return isFlower ? TileClick::ReplaceFlower : TileClick::Discard;
}

GangPick DecideGangPick(int raisedCount, int partnerMeldKind) {
  if (raisedCount != 1) return GangPick::Nothing;
  if (partnerMeldKind == 0) return GangPick::ConcealedGang;
  if (partnerMeldKind == 1) return GangPick::AddedGang;
  return GangPick::Nothing;
}

void CSideIcons::SetSideIcon(int side, int code) {
  if (side < 0 || side >= 4) return;
  m_codes[side][ICONS - 1] = code;
}

int CSideIcons::Compact(int side) {
  if (side < 0 || side >= 4) return 0;
  int n = 0;
  for (int i = 0; i < ICONS; ++i)
    if (m_codes[side][i] > 0) m_codes[side][n++] = m_codes[side][i];
  for (int i = n; i < ICONS; ++i) m_codes[side][i] = 0;
  return n;
}

void CSideIcons::Clear(int side) {
  if (side < 0 || side >= 4) return;
  for (int& code : m_codes[side]) code = 0;
}

int CSideIcons::Code(int side, int i) const {
  if (side < 0 || side >= 4 || i < 0 || i >= ICONS) return 0;
  return m_codes[side][i];
}

int DiceStrip(int die, int value) {
  if (die < 0 || die > 3 || value < 1 || value > 6) return -1;
  return (die % 2 == 0 ? 0 : 6) + value - 1;
}

bool HasSecondThrow(int d3, int d4) { return d3 >= 1 && d4 >= 1; }

int NextStyle(int current, const std::string names[3]) {
  const std::string currentName = current >= 0 && current < 3 ? names[current] : std::string();
  const int start = current >= 0 && current < 3 ? current : 0;
  for (int k = 1; k <= 2; ++k) {
    int i = (start + k) % 3;
    if (!names[i].empty() && names[i] != currentName) return i;
  }
  return -1;
}

std::string ScreenshotName(const std::string& gameCode, int userId, const std::tm& now) {
  char buf[160];
  std::snprintf(buf, sizeof buf, "%s_%d_%d%d_%d", gameCode.c_str(), userId, now.tm_year + 1900,
                (now.tm_mon + 1) * 100 + now.tm_mday, now.tm_hour * 10000 + now.tm_min * 100 + now.tm_sec);
  return buf;
}

std::string SaveScreenshot(const std::string& folder, const std::string& name,
                           const std::function<void(const char* path)>& capture) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  const std::string path = (std::filesystem::path(folder) / (name + ".jpg")).string();
  std::filesystem::remove(path, ec);
  if (capture) capture(path.c_str());
  const bool written = std::filesystem::is_regular_file(path, ec) && std::filesystem::file_size(path, ec) > 0;
  char line[1200];
  if (written)
    std::snprintf(line, sizeof line, "<c=255>[系统]：<c=%d>游戏截图已保存到%s\r\n", 0xFF0000, path.c_str());
  else
    std::snprintf(line, sizeof line, "<c=255>[系统]：<c=%d>游戏截图未能保存到%s\r\n", 0xFF0000, path.c_str());
  return line;
}
