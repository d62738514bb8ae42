#include "image/RasterImageWBMP.h"

bool CRasterImageWBMP::Decode(CRasterFile* file) {
  return Fail("not built yet");
}
