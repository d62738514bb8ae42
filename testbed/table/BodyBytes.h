// Bounded reading and explicit writing of the table's request and notification bodies. Every
// body is a row of little-endian 32-bit ints at fixed offsets; a reader first asks for the
// length it needs, so a short body is refused in one place and nothing past its end is read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "net/WireBytes.h"

namespace testbed {

using BodyData = std::vector<BYTE>;

class TableBodyReader {
 public:
  explicit TableBodyReader(std::span<const BYTE> body) : m_body(body) {}
  size_t Size() const { return m_body.size(); }
  bool Has(size_t bytes) const { return m_body.size() >= bytes; }
  // The int at an offset; 0 when the body is too short (callers check Has first).
  int32_t Int(size_t offset) const {
    return offset + 4 <= m_body.size() ? ReadI32Le(m_body.data() + offset) : 0;
  }

 private:
  std::span<const BYTE> m_body;
};

class TableBodyWriter {
 public:
  explicit TableBodyWriter(size_t size) : m_bytes(size, 0) {}
  TableBodyWriter& Int(size_t offset, int32_t value) {
    if (offset + 4 <= m_bytes.size()) WriteU32Le(m_bytes.data() + offset, static_cast<uint32_t>(value));
    return *this;
  }
  // Text inside a field of `width` bytes, always zero-terminated within it.
  TableBodyWriter& Text(size_t offset, size_t width, std::string_view text) {
    if (width == 0 || offset + width > m_bytes.size()) return *this;
    const size_t n = text.size() < width ? text.size() : width - 1;
    for (size_t i = 0; i < n; ++i) m_bytes[offset + i] = static_cast<BYTE>(text[i]);
    return *this;
  }
  BodyData Take() { return std::move(m_bytes); }

 private:
  BodyData m_bytes;
};

}  // namespace testbed
