// Saves renderings of the controls as PNG files in build/tests/control-renderings/ for a person
// to look at.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tests/platform/GdiTestCanvas.h"

namespace controltest {

inline bool SaveRendering(const gditest::Canvas& canvas, const std::string& name) {
  std::filesystem::create_directories(PXQD_CONTROL_DUMP_DIR);
  std::vector<uint32_t> pixels(static_cast<size_t>(canvas.Width()) * static_cast<size_t>(canvas.Height()));
  for (int y = 0; y < canvas.Height(); ++y) {
    for (int x = 0; x < canvas.Width(); ++x) pixels[static_cast<size_t>(y) * canvas.Width() + x] = canvas.Raw(x, y);
  }
  return gditest::WritePng(std::string(PXQD_CONTROL_DUMP_DIR) + "/" + name + ".png", pixels.data(), canvas.Width(),
                           canvas.Height(), canvas.Width() * 4);
}

}  // namespace controltest
