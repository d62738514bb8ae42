// The JPEG 2000 decoder (types 11, JP2 file, and 12, JPC code stream), over OpenJPEG. Three
// colour components become a 24-bit picture; any other component layout is read as frames,
// one grey picture per component.
#pragma once

#include "image/RasterImage.h"

class RASTER_EXPORT CRasterImageJAS : public CRasterImage {
 public:
  CRasterImageJAS() : CRasterImage(RASTER_FORMAT_JP2) {}

  // type is the kind the caller asks for: 11, 12, or 0 for either (the all-formats attempt).
  bool Decode(CRasterFile* file, DWORD type = 0);
};
