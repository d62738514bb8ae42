#include "net/MemoryInStream.h"

#include <cstring>

HRESULT CMemoryInStream::Read(void* destination, ULONG count, ULONG* done) {
  const ULONG remaining = GetRemaining();
  const ULONG taken = count < remaining ? count : remaining;
  if (taken != 0) {
    if (destination == nullptr) {
      if (done != nullptr) *done = 0;
      return E_POINTER;
    }
    memcpy(destination, m_data + m_position, taken);
    m_position += taken;
  }
  if (done != nullptr) *done = taken;
  return taken == count ? S_OK : S_FALSE;
}

HRESULT CMemoryInStream::Write(const void*, ULONG, ULONG* done) {
  if (done != nullptr) *done = 0;
  return STG_E_ACCESSDENIED;
}
