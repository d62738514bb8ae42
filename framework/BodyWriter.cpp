#include "framework/BodyWriter.h"

#include <cstring>

#include "framework/BodyReader.h"
#include "net/WireBytes.h"

void CBodyWriter::Int(size_t offset, int32_t value) {
  if (Fits(offset, 4)) WriteU32Le(m_bytes.data() + offset, static_cast<uint32_t>(value));
}

void CBodyWriter::Int64(size_t offset, int64_t value) {
  if (!Fits(offset, 8)) return;
  WriteU32Le(m_bytes.data() + offset, static_cast<uint32_t>(value));
  WriteU32Le(m_bytes.data() + offset + 4, static_cast<uint32_t>(static_cast<uint64_t>(value) >> 32));
}

void CBodyWriter::Text(size_t offset, size_t fieldSize, const char* text) {
  if (fieldSize == 0 || !Fits(offset, fieldSize)) return;
  CopyTextField(reinterpret_cast<char*>(m_bytes.data() + offset), fieldSize, text,
                text != nullptr ? std::strlen(text) : 0);
}

void CBodyWriter::Bytes(size_t offset, const void* bytes, size_t count) {
  if (bytes != nullptr && Fits(offset, count)) std::memcpy(m_bytes.data() + offset, bytes, count);
}
