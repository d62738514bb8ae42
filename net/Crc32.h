// CRC-32 of IEEE 802.3 (reflected polynomial 0xEDB88320, initial value 0xFFFFFFFF, final
// complement): the checksum carried by every segment of the game protocol. It is the same CRC
// as zlib's and gzip's; libdeflate computes it, several times faster than zlib on a segment.
#pragma once

#include "platform/base/WinTypes.h"

class CCrc32 {
 public:
  // The CRC of the bytes; 0 for an empty or absent buffer.
  static DWORD Compute(const void* data, DWORD length);
};
