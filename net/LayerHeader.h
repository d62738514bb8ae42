// The 20-byte header that each layer of the packet transform puts in front of its payload.
#pragma once

#include <cstdint>

#include "platform/base/WinTypes.h"

#define LAYER_HEADER_SIZE 20

struct LayerHeader {
  // ZIP_LAYER_FLAG, CRYPT_LAYER_FLAG, or 0 when the layer was not applied (the payload is then
  // the layer's input unchanged).
  uint32_t flags;
  // Length of the layer's input.
  uint32_t inputLength;
  uint32_t reserved[2];
  // Number of payload bytes that follow the header.
  uint32_t payloadLength;

  // Five little-endian words.
  void Write(BYTE* out) const;
  static LayerHeader Read(const BYTE* in);
};
