// Decoder of wireless bitmaps (WBMP type 0: one bit per pixel, 1 = white), type 9.
#pragma once

#include "image/RasterImage.h"

class RASTER_EXPORT CRasterImageWBMP : public CRasterImage {
 public:
  CRasterImageWBMP() : CRasterImage(RASTER_FORMAT_WBMP) {}
  bool Decode(CRasterFile* file);

 protected:
  // Reads one multi-byte integer (7 bits a byte, most significant group first). False when the
  // file ends first or the value does not fit 32 bits.
  bool ReadNumber(CRasterFile* file, DWORD* value);
};
