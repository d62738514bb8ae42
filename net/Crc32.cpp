#include "net/Crc32.h"

#include <libdeflate.h>

DWORD CCrc32::Compute(const void* data, DWORD length) {
  if (!data || length == 0) return 0;
  return static_cast<DWORD>(libdeflate_crc32(0, data, length));
}
