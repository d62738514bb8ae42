// The TIFF decoder (type 6), over libtiff. libtiff reads through client procedures over the
// image library's CRasterFile, so a TIFF decodes from a file or from memory alike. One page is
// decoded: the one whose number is the image's frame index.
#pragma once

#include <tiffio.h>

#include "image/RasterImage.h"

// Opens a libtiff handle over the file (not owned: closing the handle leaves it open). libtiff's
// error and warning texts are swallowed; they never reach the image's last error.
RASTER_EXPORT TIFF* TIFFOpenEx(CRasterFile* file, const char* mode);

class RASTER_EXPORT CRasterImageTIF : public CRasterImage {
 public:
  CRasterImageTIF() : CRasterImage(RASTER_FORMAT_TIF), m_tif(nullptr) {}
  ~CRasterImageTIF() override;

  bool Decode(CRasterFile* file);

 private:
  // Copies the rows of one tile into the band buffer at byte position bytePos of each row.
  static void CopyTile(BYTE* band, const BYTE* tile, size_t rows, size_t bandRowSize,
                       size_t tileRowSize, size_t bytePos);
  // Samples of any width to one byte each (the top 8 bits of wider samples).
  static void UnpackSamples(BYTE* dest, const BYTE* src, size_t srcBytes, int bits, size_t count);
  // Samples of more than 8 bits through the large palette to 24-bit pixels.
  static void MapBigPalette(BYTE* dest, const BYTE* src, size_t srcBytes, int bits, size_t width,
                            const RGBQUAD* palette, size_t entries);

  TIFF* m_tif;
};
