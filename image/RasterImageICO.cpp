#include "image/RasterImageICO.h"

bool CRasterImageICO::Decode(CRasterFile* file) {
  return Fail("not built yet");
}
