// Small helpers shared by the network library's tests.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "net/ByteBuffer.h"
#include "platform/base/WinTypes.h"

namespace nettest {

inline std::vector<BYTE> FromHex(const std::string& hex) {
  std::vector<BYTE> bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<BYTE>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

inline std::string ToHex(const BYTE* bytes, size_t count) {
  std::string hex;
  char two[3];
  for (size_t i = 0; i < count; ++i) {
    snprintf(two, sizeof two, "%02x", bytes[i]);
    hex += two;
  }
  return hex;
}

inline std::vector<BYTE> Content(const CByteBuffer& buffer) {
  const BYTE* start = buffer.PtrAt(0);
  return start == nullptr ? std::vector<BYTE>() : std::vector<BYTE>(start, start + buffer.GetLength());
}

inline void Fill(CByteBuffer& buffer, const std::vector<BYTE>& bytes) {
  buffer.Clear();
  buffer.Append(bytes.data(), static_cast<DWORD>(bytes.size()));
}

// Deterministic bytes that do not compress.
inline std::vector<BYTE> NoiseBytes(size_t count, uint32_t seed) {
  std::vector<BYTE> bytes(count);
  uint32_t x = seed * 2654435761u + 1;
  for (auto& b : bytes) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = static_cast<BYTE>(x >> 24);
  }
  return bytes;
}

inline void PutU32(std::vector<BYTE>& bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<BYTE>(value >> (8 * i)));
}

inline uint32_t GetU32(const std::vector<BYTE>& bytes, size_t offset) {
  return bytes[offset] | (bytes[offset + 1] << 8) | (bytes[offset + 2] << 16) |
         (static_cast<uint32_t>(bytes[offset + 3]) << 24);
}

}  // namespace nettest
