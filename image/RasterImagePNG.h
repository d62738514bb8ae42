#pragma once

#include "image/RasterImage.h"

class RASTER_EXPORT CRasterImagePNG : public CRasterImage {
 public:
  CRasterImagePNG() : CRasterImage(4) {}
  bool Decode(CRasterFile* file);
};
