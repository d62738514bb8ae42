// Fuzz target: the TGA decoder.
#include "fuzz/ImageFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzDecode(data, size, 7);
  return 0;
}
