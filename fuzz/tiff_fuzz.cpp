// Fuzz target: the TIFF decoder, first and second page.
#include "fuzz/ImageFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzDecode(data, size, 6, 0);
  FuzzDecode(data, size, 6, 1);
  return 0;
}
