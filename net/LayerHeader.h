// The 20-byte header that each layer of the packet transform puts in front of its payload.
#pragma once

#include <cstdint>

#include "net/WireBytes.h"
#include "platform/base/WinTypes.h"

#define LAYER_HEADER_SIZE 20

// Flag bits of a layer operation: the layer's own value plus the direction.
#define LAYER_WRAP 0x1
#define LAYER_UNWRAP 0x2

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
  void Write(BYTE* out) const {
    WriteU32Le(out, flags);
    WriteU32Le(out + 4, inputLength);
    WriteU32Le(out + 8, reserved[0]);
    WriteU32Le(out + 12, reserved[1]);
    WriteU32Le(out + 16, payloadLength);
  }
  static LayerHeader Read(const BYTE* in) {
    LayerHeader header;
    header.flags = ReadU32Le(in);
    header.inputLength = ReadU32Le(in + 4);
    header.reserved[0] = ReadU32Le(in + 8);
    header.reserved[1] = ReadU32Le(in + 12);
    header.payloadLength = ReadU32Le(in + 16);
    return header;
  }
};
