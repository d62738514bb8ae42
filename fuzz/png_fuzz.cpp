// Fuzz target: the PNG decoder. Chunk checksums are put right before decoding, so that mutations
// reach the chunks' contents instead of stopping at libpng's checksum test.
#include <vector>

#include "fuzz/ImageFuzz.h"

namespace {

uint32_t Crc32(const uint8_t* data, size_t size) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; i++) {
    crc ^= data[i];
    for (int k = 0; k < 8; k++) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

void FixChecksums(std::vector<uint8_t>& png) {
  size_t at = 8;
  while (at + 12 <= png.size()) {
    uint32_t length = (uint32_t{png[at]} << 24) | (uint32_t{png[at + 1]} << 16) |
                      (uint32_t{png[at + 2]} << 8) | png[at + 3];
    if (length > png.size() - at - 12) break;
    uint32_t crc = Crc32(&png[at + 4], length + 4);
    size_t c = at + 8 + length;
    png[c] = static_cast<uint8_t>(crc >> 24);
    png[c + 1] = static_cast<uint8_t>(crc >> 16);
    png[c + 2] = static_cast<uint8_t>(crc >> 8);
    png[c + 3] = static_cast<uint8_t>(crc);
    at = c + 4;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> png(data, data + size);
  FixChecksums(png);
  FuzzDecode(png.data(), png.size(), 4);
  return 0;
}
