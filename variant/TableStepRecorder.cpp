#include "variant/TableStepRecorder.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "engine/PixelSurface.h"
#include "mahjong/scene/TableModel.h"

namespace {

constexpr int MELD_GROUP_BASES[CTileTable::MELD_GROUPS] = {17, 13, 9, 5};

std::string Joined(const std::vector<int>& ids) {
  if (ids.empty()) return "-";
  std::string text;
  for (size_t i = 0; i < ids.size(); ++i) {
    if (i != 0) text += '.';
    text += std::to_string(ids[i]);
  }
  return text;
}

const char* MeldKindName(int kind) {
  switch (kind) {
    case 1: return "set";
    case 2: return "gang";
    case 3: return "concealed";
    default: return "other";
  }
}

}  // namespace

std::string CTableStepRecorder::FolderFromEnvironment() {
  const char* folder = std::getenv("PXQD_TABLE_STEPS");
  return folder != nullptr ? std::string(folder) : std::string();
}

CTableStepRecorder::CTableStepRecorder(std::string folder) : m_folder(std::move(folder)) {
  // PXQD_TABLE_STEPS_PICTURES=0 keeps the lines and leaves out the pictures.
  const char* pictures = std::getenv("PXQD_TABLE_STEPS_PICTURES");
  m_pictures = pictures == nullptr || std::strcmp(pictures, "0") != 0;
  std::error_code ec;
  std::filesystem::create_directories(m_folder, ec);
  std::ofstream(std::filesystem::path(m_folder) / "steps.txt", std::ios::trunc);
}

std::string CTableStepRecorder::Describe(const CMJTableModel& model, int winnerSide) {
  const CTileTable& t = model.Tiles();
  int wall = 0;
  for (int i = 0; i < model.GetTileCount() && i < CTileTable::WALL_PLACES; ++i) {
    if (t.GetTileRecord(MJ_ZONE_WALL, 0, i)->present) ++wall;
  }
  std::string line = "playing=" + std::to_string(model.IsPlaying()) + " wall=" + std::to_string(wall) +
                     " clock=" + std::to_string(model.Clock().pointTo) + " winner=" + std::to_string(winnerSide);
  for (int side = 0; side < CTileTable::SIDES; ++side) {
    const std::string s = std::to_string(side);
    const MJTile* drawn = t.GetTileRecord(MJ_ZONE_HAND, side, CTileTable::DRAWN_PLACE);
    std::string melds;
    for (int base : MELD_GROUP_BASES) {
      const MJTile* top = t.GetTileRecord(MJ_ZONE_HAND, side, base);
      if (!top->present || top->meldKind == 0) continue;
      std::vector<int> ids;
      for (int k = 0; k < 4; ++k) {
        const MJTile* p = t.GetTileRecord(MJ_ZONE_HAND, side, base - k);
        if (p->present) ids.push_back(p->tileId);
      }
      if (!melds.empty()) melds += '+';
      melds += std::string(MeldKindName(top->meldKind)) + ":" + Joined(ids);
    }
    std::vector<int> river;
    for (int i = 0; i < t.RiverCount(side); ++i) {
      const MJTile* p = t.GetTileRecord(MJ_ZONE_RIVER, side, i);
      if (p != nullptr && p->present) river.push_back(p->tileId);
    }
    const MJTile* played = t.GetTileRecord(MJ_ZONE_PLAYED, side, 0);
    int standing[CLAIM_CHOICES];
    const int count = model.GetStandingTiles(side, standing);
    line += " hand" + s + "=" + std::to_string(count);
    line += " tiles" + s + "=" + Joined(std::vector<int>(standing, standing + count));
    line += " drawn" + s + "=" + (drawn->present ? std::to_string(drawn->tileId) : std::string("-"));
    line += " melds" + s + "=" + (melds.empty() ? std::string("-") : melds);
    line += " river" + s + "=" + Joined(river);
    line += " flowers" + s + "=" + std::to_string(t.FlowerCount(side));
    line += " played" + s + "=" + (played->present ? std::to_string(played->tileId) : std::string("-"));
  }
  return line;
}

void CTableStepRecorder::Painted(std::string state) {
  // A repaint that shows the same table (a clock tick) is no new step.
  if (state == m_lastState) return;
  m_lastState = state;
  m_pending = std::move(state);
  m_hasPending = true;
}

bool CTableStepRecorder::TakePicture(const PixelSurface& picture) {
  if (!m_hasPending || picture.pixels == nullptr || picture.width <= 0 || picture.height <= 0) return false;
  m_hasPending = false;
  char name[32];
  std::snprintf(name, sizeof name, "%04d", m_steps + 1);
  const std::filesystem::path folder(m_folder);
  const std::filesystem::path png = folder / (std::string("step-") + name + ".png");
  const std::filesystem::path part = folder / (std::string("step-") + name + ".png.part");
  // The picture is complete before its name appears, and its line only after that.
  if (m_pictures) {
    if (!WritePng(part.string(), picture.pixels, picture.width, picture.height)) return false;
    std::error_code ec;
    std::filesystem::rename(part, png, ec);
    if (ec) return false;
  }
  std::ofstream steps(folder / "steps.txt", std::ios::app);
  steps << name << ' ' << m_pending << '\n';
  steps.flush();
  steps.close();
  ++m_steps;
  FlushDialogLines();
  return true;
}

CTableStepRecorder::~CTableStepRecorder() { FlushDialogLines(); }

void CTableStepRecorder::Dialog(const std::string& name, bool open, const std::string& details) {
  std::string line = "dialog " + name + (open ? " open" : " closed");
  if (!details.empty()) line += ' ' + details;
  m_dialogLines.push_back(std::move(line));
  // A picture painted before the dialog came or went is written first.
  if (!m_hasPending) FlushDialogLines();
}

void CTableStepRecorder::FlushDialogLines() {
  if (m_dialogLines.empty()) return;
  std::ofstream steps(std::filesystem::path(m_folder) / "steps.txt", std::ios::app);
  for (const std::string& line : m_dialogLines) steps << line << '\n';
  steps.flush();
  m_dialogLines.clear();
}

bool CTableStepRecorder::WritePng(const std::string& path, const uint32_t* pixels, int width, int height) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (png == nullptr || info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<png_byte> row(static_cast<size_t>(width) * 3);
  for (int y = 0; y < height; ++y) {
    const uint32_t* src = pixels + static_cast<size_t>(y) * static_cast<size_t>(width);
    for (int x = 0; x < width; ++x) {
      row[static_cast<size_t>(x) * 3 + 0] = png_byte(src[x] >> 16);
      row[static_cast<size_t>(x) * 3 + 1] = png_byte(src[x] >> 8);
      row[static_cast<size_t>(x) * 3 + 2] = png_byte(src[x]);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}
