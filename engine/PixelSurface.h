#pragma once

#include <cstdint>

#include "engine/ImageRecord.h"

// A 32-bit B, G, R, A pixel surface as the draw routines receive it.
struct PixelSurface {
  // width x height pixels, rows top to bottom.
  uint32_t* pixels = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  // Only the window capture of the background sets it; draw routines do not read it.
  int32_t bytesPerPixel = 0;
  uint32_t colorKey = DEFAULT_KEY_COLOR;
};
