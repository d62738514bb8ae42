#include "image/RasterRect2.h"

#include <algorithm>

CRasterRect2 CRasterRect2::CrossSection(const CRasterRect2& other) const {
  CRasterRect2 cross(std::max(topLeft.x, other.topLeft.x), std::max(topLeft.y, other.topLeft.y),
                     std::min(botRight.x, other.botRight.x),
                     std::min(botRight.y, other.botRight.y));
  if (cross.topLeft.x > cross.botRight.x || cross.topLeft.y > cross.botRight.y) {
    return CRasterRect2();
  }
  return cross;
}
