// Bounded reading and writing of the little-endian bodies that requests and notifications carry.
// The reader is a cursor over (pointer, length): every read past the end fails and leaves the
// reader failed, so a handler reads all of its fields and asks once, at the end, whether the body
// held them. Text fields are read within their field and cut on a GBK character boundary.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/base/WinTypes.h"

namespace testbed {

class BodyReader {
 public:
  BodyReader(const BYTE* data, size_t length) : m_data(data), m_length(data ? length : 0) {}
  explicit BodyReader(const std::vector<BYTE>& body) : BodyReader(body.data(), body.size()) {}

  // Whether the body holds at least `bytes` bytes from its start.
  bool Holds(size_t bytes) const { return bytes <= m_length; }
  size_t Length() const { return m_length; }
  bool Ok() const { return m_ok; }

  int32_t I32(size_t offset);
  uint32_t U32(size_t offset);
  int64_t I64(size_t offset);
  // The text of a field of `width` bytes: up to its first zero byte, or the whole field when it
  // has none, cut so that it does not end inside a double-byte character.
  std::string Text(size_t offset, size_t width);
  // The field's bytes as they stand.
  std::vector<BYTE> Raw(size_t offset, size_t width);

 private:
  bool Need(size_t offset, size_t width);

  const BYTE* m_data;
  size_t m_length;
  bool m_ok = true;
};

// A zeroed body of a fixed size with little-endian writes into it; writes outside the body are
// dropped (a writer's layout error, caught by the offset tests).
class BodyWriter {
 public:
  explicit BodyWriter(size_t length) : m_body(length, 0) {}

  BodyWriter& I32(size_t offset, int32_t value);
  BodyWriter& I64(size_t offset, int64_t value);
  // Writes at most width - 1 bytes of the text, cut on a GBK character boundary, and a zero byte.
  BodyWriter& Text(size_t offset, size_t width, const std::string& text);
  BodyWriter& Raw(size_t offset, const std::vector<BYTE>& bytes);

  const std::vector<BYTE>& Bytes() const { return m_body; }
  std::vector<BYTE> Take() { return std::move(m_body); }

 private:
  std::vector<BYTE> m_body;
};

// The text cut to at most `limit` bytes without splitting a double-byte character.
std::string CutGbkText(const std::string& text, size_t limit);

}  // namespace testbed
