#pragma once

#include "image/RasterImage.h"

class RASTER_EXPORT CRasterImageWBMP : public CRasterImage {
 public:
  CRasterImageWBMP() : CRasterImage(9) {}
  bool Decode(CRasterFile* file);
};
