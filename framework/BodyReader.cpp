#include "framework/BodyReader.h"

#include <cstring>

#include "net/WireBytes.h"
#include "platform/base/Gbk.h"

int32_t CBodyReader::Int(size_t offset) const { return Has(offset, 4) ? ReadI32Le(m_data + offset) : 0; }

int64_t CBodyReader::Int64(size_t offset) const {
  if (!Has(offset, 8)) return 0;
  uint64_t low = ReadU32Le(m_data + offset);
  uint64_t high = ReadU32Le(m_data + offset + 4);
  return static_cast<int64_t>(low | (high << 32));
}

std::string CBodyReader::Text(size_t offset, size_t fieldSize) const {
  if (offset >= m_length || fieldSize == 0) return std::string();
  size_t available = m_length - offset;
  if (available > fieldSize) available = fieldSize;
  std::string field(fieldSize, '\0');
  CopyTextField(field.data(), fieldSize, reinterpret_cast<const char*>(m_data + offset), available);
  return std::string(field.c_str());
}

void CopyTextField(char* destination, size_t destinationSize, const char* source, size_t sourceSize) {
  if (destination == nullptr || destinationSize == 0) return;
  std::memset(destination, 0, destinationSize);
  if (source == nullptr) return;
  size_t length = strnlen(source, sourceSize);
  if (length > destinationSize - 1) length = GbkSafeCut(source, destinationSize - 1);
  std::memcpy(destination, source, length);
}
