#include "tests/platform/PaintTestSupport.h"

#include <filesystem>

#include "tests/platform/GdiTestCanvas.h"

namespace painttest {

bool SaveWindowPng(HWND hwnd, const std::string& name) {
  std::vector<uint32_t> px;
  int w = 0, h = 0;
  if (!platform::CaptureWindow(hwnd, px, w, h)) return false;
  std::filesystem::path dir(PXQD_DISPLAY_DUMP_DIR);
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  return gditest::WritePng((dir / (name + ".png")).string(), px.data(), w, h, w * 4);
}

}  // namespace painttest
