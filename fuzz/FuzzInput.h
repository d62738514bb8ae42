// Reading a fuzz input as a few option bytes followed by the bytes under test, so that one
// target can reach every setting of the parser it drives.
#pragma once

#include <cstddef>
#include <cstdint>

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

  // The next byte, or 0 when the input is used up.
  uint8_t Byte() {
    if (m_pos >= m_size) return 0;
    return m_data[m_pos++];
  }
  uint32_t U32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(Byte()) << (8 * i);
    return v;
  }
  // At most `count` of the remaining bytes; `taken` receives how many.
  const uint8_t* Take(size_t count, size_t* taken) {
    const size_t left = m_size - m_pos;
    *taken = count < left ? count : left;
    const uint8_t* p = m_data + m_pos;
    m_pos += *taken;
    return p;
  }
  const uint8_t* Rest(size_t* taken) { return Take(m_size - m_pos, taken); }
  size_t Left() const { return m_size - m_pos; }

 private:
  const uint8_t* m_data;
  size_t m_size;
  size_t m_pos = 0;
};
