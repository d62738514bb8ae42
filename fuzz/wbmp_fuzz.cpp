// Fuzz target: the WBMP decoder.
#include "fuzz/ImageFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzDecode(data, size, 9);
  return 0;
}
