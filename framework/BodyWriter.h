// Writing of a request body or a record: a zeroed block of a fixed size, filled field by field
// at the offsets of its layout, little-endian whatever the host.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/base/WinTypes.h"

class CBodyWriter {
 public:
  explicit CBodyWriter(size_t size) : m_bytes(size, 0) {}

  // Writes are ignored where the field would not fit the block.
  void Int(size_t offset, int32_t value);
  void Int64(size_t offset, int64_t value);
  // The text in a field of fieldSize bytes: at most fieldSize - 1 bytes, cut on a GBK character
  // boundary, then zeros to the end of the field.
  void Text(size_t offset, size_t fieldSize, const char* text);
  void Bytes(size_t offset, const void* bytes, size_t count);

  const std::vector<BYTE>& Data() const { return m_bytes; }
  std::vector<BYTE>& Data() { return m_bytes; }
  size_t Size() const { return m_bytes.size(); }

 private:
  bool Fits(size_t offset, size_t count) const { return offset <= m_bytes.size() && count <= m_bytes.size() - offset; }
  std::vector<BYTE> m_bytes;
};
