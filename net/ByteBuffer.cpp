#include "net/ByteBuffer.h"

#include <cstring>
#include <utility>

namespace {

// The largest request that can still be rounded up to a whole step inside 32 bits.
constexpr DWORD MAX_REQUEST = 0xFFFFFFFFu - (CByteBuffer::GROWTH_STEP - 1);

}  // namespace

CByteBuffer::~CByteBuffer() { delete[] m_block; }

DWORD CByteBuffer::RoundUp(DWORD n) {
  return (n + (GROWTH_STEP - 1)) / GROWTH_STEP * GROWTH_STEP;
}

void CByteBuffer::Grow(DWORD newCapacity) {
  BYTE* block = new BYTE[newCapacity];
  const DWORD length = GetLength();
  if (length != 0) memcpy(block, m_start, length);
  delete[] m_block;
  m_block = block;
  m_start = block;
  m_end = block + length;
  m_capacity = newCapacity;
}

void CByteBuffer::Compact() {
  if (m_start == m_block) return;
  const DWORD length = GetLength();
  if (length != 0) memmove(m_block, m_start, length);
  m_start = m_block;
  m_end = m_block + length;
}

DWORD CByteBuffer::Reserve(DWORD n) {
  if (n > MAX_REQUEST) return 0;
  if (n <= m_capacity) {
    // The block is large enough; the content may have to give up the room in front of it.
    if (n > m_capacity - FrontRoom()) Compact();
    return 0;
  }
  Grow(RoundUp(n));
  return m_capacity;
}

DWORD CByteBuffer::Fit(DWORD n) {
  if (n <= GetLength() || n > MAX_REQUEST) return 0;
  const DWORD rounded = RoundUp(n);
  if (rounded <= m_capacity) {
    if (n > m_capacity - FrontRoom()) Compact();
    return 0;
  }
  Grow(rounded);
  return m_capacity;
}

void CByteBuffer::ClearSmall() {
  m_end = m_start;
  Fit(GROWTH_STEP);
  const DWORD room = m_capacity >= 2 * GROWTH_STEP ? FRONT_ROOM : 0;
  m_start = m_end = m_block + room;
}

void CByteBuffer::ClearForLarger(DWORD n) {
  if (n > MAX_REQUEST - FRONT_ROOM) {
    Clear();
    return;
  }
  m_end = m_start;
  const DWORD needed = n + FRONT_ROOM;
  // The content is empty: a larger block needs nothing copied into it.
  if (needed > m_capacity) {
    delete[] m_block;
    m_block = nullptr;
    m_start = m_end = nullptr;
    m_capacity = 0;
    Grow(RoundUp(needed));
  }
  m_start = m_end = m_block + FRONT_ROOM;
}

BYTE* CByteBuffer::ExtendBeyondBlock(DWORD n) {
  const DWORD length = GetLength();
  if (n > MAX_REQUEST - length) return nullptr;
  Reserve(length + n);
  BYTE* added = m_end;
  m_end += n;
  return added;
}

DWORD CByteBuffer::Append(const void* source, DWORD n) {
  const DWORD length = GetLength();
  if (n > MAX_REQUEST - length) return 0;
  Reserve(length + n);
  if (n != 0) memcpy(m_end, source, n);
  m_end += n;
  return n;
}

DWORD CByteBuffer::PrependMoving(const void* source, DWORD n) {
  const DWORD length = GetLength();
  if (n > MAX_REQUEST - length) return 0;
  if (n == 0) return 0;
  Reserve(length + n);
  Compact();
  memmove(m_start + n, m_start, length);
  memcpy(m_start, source, n);
  m_end += n;
  return n;
}

DWORD CByteBuffer::TakeFront(void* destination, DWORD n) {
  if (n > m_capacity) return 0;
  const DWORD length = GetLength();
  const DWORD taken = n < length ? n : length;
  if (taken == 0) return 0;
  if (destination != nullptr) memcpy(destination, m_start, taken);
  m_start += taken;
  if (m_start == m_end) m_start = m_end = m_block;
  return taken;
}

DWORD CByteBuffer::ReadFront(void* destination, DWORD n) { return TakeFront(destination, n); }

DWORD CByteBuffer::DiscardFront(DWORD n) { return TakeFront(nullptr, n); }

void CByteBuffer::Swap(CByteBuffer& other) {
  std::swap(m_block, other.m_block);
  std::swap(m_start, other.m_start);
  std::swap(m_end, other.m_end);
  std::swap(m_capacity, other.m_capacity);
}
