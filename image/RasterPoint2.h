// A point with float coordinates, used by the interpolated pixel lookups where a sample falls
// between pixel centres.
#pragma once

#include "image/RasterFile.h"

class RASTER_EXPORT CRasterPoint2 {
 public:
  CRasterPoint2() : x(0.0f), y(0.0f) {}
  CRasterPoint2(float px, float py) : x(px), y(py) {}
  CRasterPoint2(const CRasterPoint2& other) = default;
  CRasterPoint2& operator=(const CRasterPoint2& other) = default;

  float x;
  float y;
};
