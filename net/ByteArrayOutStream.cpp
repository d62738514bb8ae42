#include "net/ByteArrayOutStream.h"

HRESULT CByteArrayOutStream::Read(void*, ULONG, ULONG* done) {
  if (done != nullptr) *done = 0;
  return STG_E_ACCESSDENIED;
}

HRESULT CByteArrayOutStream::Write(const void* source, ULONG count, ULONG* done) {
  if (done != nullptr) *done = 0;
  if (count == 0) return S_OK;
  if (source == nullptr) return E_POINTER;
  const ULONG held = GetLength();
  const ULONG room = (m_limit != 0 ? m_limit : 0xFFFFFFFFu) - held;
  if (count > room) return STG_E_MEDIUMFULL;
  const BYTE* bytes = static_cast<const BYTE*>(source);
  m_bytes.insert(m_bytes.end(), bytes, bytes + count);
  if (done != nullptr) *done = count;
  return S_OK;
}
