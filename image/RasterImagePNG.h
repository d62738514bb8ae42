// Decoder of PNG images through libpng, type 4. Also reached from the ICO decoder for icon
// entries stored as PNG.
#pragma once

#include "image/RasterImage.h"

class RASTER_EXPORT CRasterImagePNG : public CRasterImage {
 public:
  CRasterImagePNG() : CRasterImage(RASTER_FORMAT_PNG) {}
  // Failures keep libpng's own message (or "Read Error" for a file that ends early).
  bool Decode(CRasterFile* file);
};
