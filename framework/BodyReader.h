// Bounded reading of a body or record from outside (a reply, a notification, a hall record):
// every read names its offset and is answered only from bytes that are really there, so a short
// body gives zeros and empty texts instead of reads past its end. Handlers ask Has() for the
// length their layout needs first and refuse a short body in that one place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/base/WinTypes.h"

class CBodyReader {
 public:
  CBodyReader(const void* data, size_t length)
      : m_data(static_cast<const BYTE*>(data)), m_length(data != nullptr ? length : 0) {}

  size_t Length() const { return m_length; }
  const BYTE* Data() const { return m_data; }
  // True when the body holds at least `bytes` bytes.
  bool Has(size_t bytes) const { return m_length >= bytes; }
  // True when [offset, offset + bytes) lies inside the body.
  bool Has(size_t offset, size_t bytes) const { return offset <= m_length && bytes <= m_length - offset; }
  // A little-endian word; 0 when it is not wholly inside the body.
  int32_t Int(size_t offset) const;
  int64_t Int64(size_t offset) const;
  // The zero-terminated text of a field of fieldSize bytes: it ends at the first zero, at the
  // end of the field or at the end of the body, and keeps at most fieldSize - 1 bytes, cut so
  // that no GBK character is split.
  std::string Text(size_t offset, size_t fieldSize) const;

 private:
  const BYTE* m_data;
  size_t m_length;
};

// Copies a text of at most sourceSize bytes (it may lack its terminator) into a field of
// destinationSize bytes: at most destinationSize - 1 bytes, cut on a GBK character boundary,
// with the rest of the field zeroed.
void CopyTextField(char* destination, size_t destinationSize, const char* source, size_t sourceSize);
