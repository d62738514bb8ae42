// The .pps reader over arbitrary bytes: every picture it accepts must hold exactly the pixels its
// record describes, which reading the whole pixel block and palette checks under the sanitizers.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "engine/Pps.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ImageRecord image = {};
  const DWORD decoded = ParsePps(data, static_cast<DWORD>(size), &image);
  if (decoded) {
    unsigned sum = 0;
    const size_t frameBytes = static_cast<size_t>(image.width) * image.height * BytesPerPixel(image);
    if (decoded != frameBytes * image.frameCount || image.frameCount == 0) __builtin_trap();
    for (DWORD i = 0; i < image.bufferSize; i++) sum += image.pixels[i];
    if (image.flags & IMGFLAG_PALETTE) {
      for (int i = 0; i < 256 * 3; i++) sum += image.palette[i];
    }
    if (image.durations) sum += static_cast<unsigned>(image.durations[image.frameCount - 1]);
    volatile unsigned sink = sum;
    (void)sink;
    if (image.flags & IMGFLAG_GLOBAL_PALETTE) std::free(image.palette);
    FreePps(&image);
  }
  return 0;
}
