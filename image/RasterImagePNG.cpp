#include "image/RasterImagePNG.h"

bool CRasterImagePNG::Decode(CRasterFile* file) {
  return Fail("not built yet");
}
