// Decoder of Targa images (raw and run-length, 8, 15, 16, 24 and 32 bits), type 7.
#pragma once

#include "image/RasterImage.h"

// The 18-byte Targa file header, read field by field.
struct TgaHeader {
  BYTE idLength;
  BYTE colorMapType;
  BYTE imageType;
  WORD colorMapFirst;
  WORD colorMapLength;
  BYTE colorMapEntrySize;
  WORD xOrigin;
  WORD yOrigin;
  WORD width;
  WORD height;
  BYTE pixelDepth;
  BYTE descriptor;
};

class RASTER_EXPORT CRasterImageTGA : public CRasterImage {
 public:
  CRasterImageTGA() : CRasterImage(RASTER_FORMAT_TGA) {}
  bool Decode(CRasterFile* file);

 protected:
  // Stores `count` uncompressed pixels from the file into image row `row` from column `x`.
  // False when the file ends first.
  bool ReadRawRow(BYTE* destination, const TgaHeader& header, CRasterFile* file, long count,
                  long row, long x);
  // Expands run-length packets for one row. `carried` is the packet header carried over from
  // the previous row (255 = none); the header to carry into the next row is stored back there.
  // False when the file ends first.
  bool ReadRleRow(BYTE* destination, const TgaHeader& header, CRasterFile* file, long width,
                  long row, BYTE* carried);
  // Reads one pixel value of the file's depth and stores it at column x of image row `row`.
  bool ReadPixel(BYTE* destination, const TgaHeader& header, CRasterFile* file, long row, long x);
  void StorePixel(BYTE* destination, const TgaHeader& header, const BYTE* value, long row, long x);
};
