// ".quad" palette records over arbitrary bytes: the copy reads only what the record holds and
// always leaves a terminated name.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "engine/ColorPalette.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The copy reads from the caller's buffer only; a heap copy of exactly `size` bytes lets the
  // sanitizer see any read past it.
  uint8_t* record = static_cast<uint8_t*>(std::malloc(size ? size : 1));
  std::memcpy(record, data, size);
  ColorPalette palette;
  if (palette.Copy(record, static_cast<DWORD>(size)) == 0) {
    volatile size_t length = std::strlen(palette.GetName());
    (void)length;
    if (palette.GetCount() > ColorPalette::MAX_ENTRIES) __builtin_trap();
    volatile DWORD nearest = palette.FindNearest(size ? data[0] * 0x010101u : 0);
    (void)nearest;
  }
  std::free(record);
  return 0;
}
