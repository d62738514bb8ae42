// A write-only sequential stream that appends to a growable byte array. An optional limit
// bounds how much it accepts, so that a producer driven by outside input (inflating a received
// packet) cannot make it grow without end.
#pragma once

#include <vector>

#include "platform/base/SequentialStream.h"

class CByteArrayOutStream : public ISequentialStream {
 public:
  // 0 = no limit.
  explicit CByteArrayOutStream(ULONG limit = 0) : m_limit(limit) {}

  // The sink refuses reads.
  HRESULT Read(void* destination, ULONG count, ULONG* done) override;
  // Appends all count bytes, or none and STG_E_MEDIUMFULL when they would pass the limit.
  HRESULT Write(const void* source, ULONG count, ULONG* done) override;

  const std::vector<BYTE>& GetBytes() const { return m_bytes; }
  ULONG GetLength() const { return static_cast<ULONG>(m_bytes.size()); }

 private:
  std::vector<BYTE> m_bytes;
  ULONG m_limit;
};
