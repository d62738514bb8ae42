// Fuzz target: the JPEG 2000 decoder, as a JP2 file and as a code stream's second component.
#include "fuzz/ImageFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzDecode(data, size, 11, 0);
  FuzzDecode(data, size, 12, 1);
  return 0;
}
