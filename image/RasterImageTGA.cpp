#include "image/RasterImageTGA.h"

bool CRasterImageTGA::Decode(CRasterFile* file) {
  return Fail("not built yet");
}
