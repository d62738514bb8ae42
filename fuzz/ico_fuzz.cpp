// Fuzz target: the ICO decoder. The first byte chooses the directory entry to decode.
#include "fuzz/ImageFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  FuzzDecode(data + 1, size - 1, 5, data[0] % 4);
  return 0;
}
