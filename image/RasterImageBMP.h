#pragma once

#include "image/RasterImage.h"

class RASTER_EXPORT CRasterImageBMP : public CRasterImage {
 public:
  CRasterImageBMP() : CRasterImage(1) {}
  bool Decode(CRasterFile* file);
};
