#include "testbed/server/BodyReader.h"

#include <algorithm>
#include <cstring>

#include "net/WireBytes.h"
#include "platform/base/Gbk.h"

namespace testbed {

bool BodyReader::Need(size_t offset, size_t width) {
  if (offset > m_length || width > m_length - offset) m_ok = false;
  return m_ok;
}

int32_t BodyReader::I32(size_t offset) { return static_cast<int32_t>(U32(offset)); }

uint32_t BodyReader::U32(size_t offset) {
  if (!Need(offset, 4)) return 0;
  return ReadU32Le(m_data + offset);
}

int64_t BodyReader::I64(size_t offset) {
  if (!Need(offset, 8)) return 0;
  uint64_t low = ReadU32Le(m_data + offset);
  uint64_t high = ReadU32Le(m_data + offset + 4);
  return static_cast<int64_t>(low | (high << 32));
}

std::string BodyReader::Text(size_t offset, size_t width) {
  if (!Need(offset, width)) return std::string();
  const char* field = reinterpret_cast<const char*>(m_data + offset);
  size_t n = 0;
  while (n < width && field[n] != 0) ++n;
  return std::string(field, GbkSafeCut(field, n));
}

std::vector<BYTE> BodyReader::Raw(size_t offset, size_t width) {
  if (!Need(offset, width)) return {};
  return std::vector<BYTE>(m_data + offset, m_data + offset + width);
}

BodyWriter& BodyWriter::I32(size_t offset, int32_t value) {
  if (offset <= m_body.size() && m_body.size() - offset >= 4) WriteU32Le(m_body.data() + offset, static_cast<uint32_t>(value));
  return *this;
}

BodyWriter& BodyWriter::I64(size_t offset, int64_t value) {
  uint64_t v = static_cast<uint64_t>(value);
  if (offset <= m_body.size() && m_body.size() - offset >= 8) {
    WriteU32Le(m_body.data() + offset, static_cast<uint32_t>(v));
    WriteU32Le(m_body.data() + offset + 4, static_cast<uint32_t>(v >> 32));
  }
  return *this;
}

BodyWriter& BodyWriter::Text(size_t offset, size_t width, const std::string& text) {
  if (width == 0 || offset > m_body.size() || m_body.size() - offset < width) return *this;
  std::string cut = CutGbkText(text, width - 1);
  memcpy(m_body.data() + offset, cut.data(), cut.size());
  std::fill(m_body.begin() + offset + cut.size(), m_body.begin() + offset + width, 0);
  return *this;
}

BodyWriter& BodyWriter::Raw(size_t offset, const std::vector<BYTE>& bytes) {
  if (offset <= m_body.size() && m_body.size() - offset >= bytes.size()) {
    std::copy(bytes.begin(), bytes.end(), m_body.begin() + offset);
  }
  return *this;
}

std::string CutGbkText(const std::string& text, size_t limit) {
  size_t n = std::min(text.size(), limit);
  size_t zero = text.find('\0');
  if (zero != std::string::npos) n = std::min(n, zero);
  return text.substr(0, GbkSafeCut(text.data(), n));
}

}  // namespace testbed
