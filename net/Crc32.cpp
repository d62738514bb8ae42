#include "net/Crc32.h"

#include <zlib.h>

DWORD CCrc32::Compute(const void* data, DWORD length) {
  if (!data || length == 0) return 0;
  return static_cast<DWORD>(crc32(0L, static_cast<const Bytef*>(data), length));
}
