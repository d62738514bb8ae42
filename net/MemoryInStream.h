// A read-only sequential stream over a block of memory that the caller keeps alive.
#pragma once

#include "platform/base/SequentialStream.h"

class CMemoryInStream : public ISequentialStream {
 public:
  CMemoryInStream(const BYTE* data, ULONG length) : m_data(data), m_length(length) {}

  HRESULT Read(void* destination, ULONG count, ULONG* done) override;
  // The source refuses writes.
  HRESULT Write(const void* source, ULONG count, ULONG* done) override;

  ULONG GetRemaining() const { return m_length - m_position; }

 private:
  const BYTE* m_data;
  ULONG m_length;
  ULONG m_position = 0;
};
