// Little-endian reading and writing of the 32-bit words that make up every record on the wire.
// Records are always written and read word by word through these helpers, never by copying a
// struct, so the byte layout does not depend on the compiler or on the host's byte order.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#include "platform/base/WinTypes.h"

// On a little-endian host a word's bytes are already in wire order, so the word is stored and
// loaded whole; the compiler does not always merge the byte stores of several words into such
// stores, and a head of six words then costs dozens of shifts.
inline void WriteU32Le(BYTE* out, uint32_t value) {
  if constexpr (std::endian::native == std::endian::little) {
    memcpy(out, &value, 4);
  } else {
    out[0] = static_cast<BYTE>(value);
    out[1] = static_cast<BYTE>(value >> 8);
    out[2] = static_cast<BYTE>(value >> 16);
    out[3] = static_cast<BYTE>(value >> 24);
  }
}

inline uint32_t ReadU32Le(const BYTE* in) {
  if constexpr (std::endian::native == std::endian::little) {
    uint32_t value;
    memcpy(&value, in, 4);
    return value;
  } else {
    return static_cast<uint32_t>(in[0]) | (static_cast<uint32_t>(in[1]) << 8) |
           (static_cast<uint32_t>(in[2]) << 16) | (static_cast<uint32_t>(in[3]) << 24);
  }
}

inline int32_t ReadI32Le(const BYTE* in) { return static_cast<int32_t>(ReadU32Le(in)); }
