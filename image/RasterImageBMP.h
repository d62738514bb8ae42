// Decoder of Windows device-independent bitmaps (.bmp files and bare DIBs), type 1.
#pragma once

#include "image/RasterImage.h"

class RASTER_EXPORT CRasterImageBMP : public CRasterImage {
 public:
  CRasterImageBMP() : CRasterImage(RASTER_FORMAT_BMP) {}
  // Decodes one bitmap starting at the file's current position; pixel offsets count from there,
  // so a bitmap embedded in a larger stream decodes as well.
  bool Decode(CRasterFile* file);
  // Reads the information header (core, 40-byte or longer) and normalises it. False for a null
  // argument, a short read or an unsupported header.
  bool ReadBitmapInfo(CRasterFile* file, BITMAPINFOHEADER* header);

 protected:
  bool DecodeRle8(CRasterFile* file);
  bool DecodeRle4(CRasterFile* file);
};
