// Decoder of Windows icons and cursors, type 5. The image's frame index (SetFrame) chooses the
// directory entry; the image's frame count becomes the directory's entry count.
#pragma once

#include "image/RasterImage.h"

class RASTER_EXPORT CRasterImageICO : public CRasterImage {
 public:
  CRasterImageICO() : CRasterImage(RASTER_FORMAT_ICO) {}
  bool Decode(CRasterFile* file);

 protected:
  // Applies the 1-bit mask of a colour entry as transparency (index, colour or alpha).
  void ApplyMask(const BYTE* mask, DWORD maskRow, WORD headerBitCount);
};
