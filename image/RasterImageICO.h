#pragma once

#include "image/RasterImage.h"

class RASTER_EXPORT CRasterImageICO : public CRasterImage {
 public:
  CRasterImageICO() : CRasterImage(5) {}
  bool Decode(CRasterFile* file);
};
