// Fuzz target: the BMP decoder.
#include "fuzz/ImageFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzDecode(data, size, 1);
  return 0;
}
