#pragma once

#include "image/RasterImage.h"

class RASTER_EXPORT CRasterImageTGA : public CRasterImage {
 public:
  CRasterImageTGA() : CRasterImage(7) {}
  bool Decode(CRasterFile* file);
};
