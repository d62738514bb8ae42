#include "image/RasterImageBMP.h"

bool CRasterImageBMP::Decode(CRasterFile* file) {
  return Fail("not built yet");
}
