// A rectangle with float edges (top-left and bottom-right corners), used by the area-averaging
// lookup to measure how much of a pixel's square lies inside the sampled area.
#pragma once

#include "image/RasterFile.h"
#include "image/RasterPoint2.h"

class RASTER_EXPORT CRasterRect2 {
 public:
  CRasterRect2() = default;
  CRasterRect2(float left, float top, float right, float bottom)
      : topLeft(left, top), botRight(right, bottom) {}
  CRasterRect2(const CRasterRect2& other) = default;
  CRasterRect2& operator=(const CRasterRect2& other) = default;

  float Width() const { return botRight.x - topLeft.x; }
  float Height() const { return botRight.y - topLeft.y; }
  float Surface() const { return Width() * Height(); }
  CRasterPoint2 Center() const {
    return CRasterPoint2((topLeft.x + botRight.x) / 2.0f, (topLeft.y + botRight.y) / 2.0f);
  }
  // The part both rectangles cover. Rectangles that do not meet give the zero rectangle;
  // rectangles that only touch give a rectangle of zero width or height at the shared edge.
  CRasterRect2 CrossSection(const CRasterRect2& other) const;

  CRasterPoint2 topLeft;
  CRasterPoint2 botRight;
};
