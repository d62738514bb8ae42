#include "image/RasterMemFile.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

CRasterMemFile::CRasterMemFile(BYTE* block, DWORD size)
    : m_block(block), m_length(static_cast<long>(size)), m_owns(block == nullptr), m_position(0),
      m_allocated(size) {}

CRasterMemFile::~CRasterMemFile() {
  Close();
}

bool CRasterMemFile::Close() {
  // A lent block stays attached, so reading still works after Close.
  if (m_block && m_owns) {
    free(m_block);
    m_block = nullptr;
    m_length = 0;
  }
  return true;
}

size_t CRasterMemFile::Read(void* buffer, size_t size, size_t count) {
  if (!buffer || !m_block || m_position >= m_length || size == 0 || count == 0) return 0;
  size_t left = static_cast<size_t>(m_length - m_position);
  size_t n;
  if (__builtin_mul_overflow(size, count, &n) || n > left) n = left;
  memcpy(buffer, m_block + m_position, n);
  m_position += static_cast<long>(n);
  return n / size;
}

void CRasterMemFile::Advance(size_t n) {
  m_position += static_cast<long>(n);
  if (m_position > m_length) m_length = m_position;
}

size_t CRasterMemFile::Write(const void* buffer, size_t size, size_t count) {
  if (!m_block || !buffer || size == 0 || count == 0) return 0;
  size_t n;
  if (__builtin_mul_overflow(size, count, &n)) return 0;
  uint64_t end = static_cast<uint64_t>(m_position) + n;
  if (end > m_allocated) {
    // A block can hold at most what a DWORD counts.
    if (end > UINT32_MAX || !Alloc(static_cast<DWORD>(end))) return 0;
  }
  memcpy(m_block + m_position, buffer, n);
  Advance(n);
  return count;
}

bool CRasterMemFile::Seek(long offset, int origin) {
  if (!m_block) return false;
  long base;
  switch (origin) {
    case 0: base = 0; break;
    case 1: base = m_position; break;
    case 2: base = m_length; break;
    default: return false;
  }
  long pos;
  if (__builtin_add_overflow(base, offset, &pos)) pos = offset < 0 ? 0 : LONG_MAX;
  m_position = pos < 0 ? 0 : pos;
  return true;
}

long CRasterMemFile::Tell() {
  return m_block ? m_position : -1;
}

long CRasterMemFile::Size() {
  return m_block ? m_length : -1;
}

bool CRasterMemFile::Flush() {
  return m_block != nullptr;
}

bool CRasterMemFile::Eof() {
  if (!m_block) return true;
  return m_position >= m_length;
}

long CRasterMemFile::Error() {
  if (!m_block) return -1;
  return m_position > m_length ? 1 : 0;
}

bool CRasterMemFile::PutC(unsigned char byte) {
  if (!m_block) return false;
  if (static_cast<unsigned long>(m_position) >= m_allocated) {
    if (static_cast<uint64_t>(m_position) + 1 > UINT32_MAX) return false;
    if (!Alloc(static_cast<DWORD>(m_position + 1))) return false;
  }
  m_block[m_position] = byte;
  Advance(1);
  return true;
}

long CRasterMemFile::GetC() {
  if (Eof()) return -1;
  return m_block[m_position++];
}

char* CRasterMemFile::GetS(char* buffer, int n) {
  int stored = 0;
  while (stored < n - 1) {
    long c = GetC();
    if (c == -1) return nullptr;
    buffer[stored++] = static_cast<char>(c);
    if (c == '\n') break;
  }
  buffer[stored] = 0;
  return buffer;
}

long CRasterMemFile::Scanf(const char*, void*) {
  // Formatted reading from memory is not supported.
  return 0;
}

bool CRasterMemFile::Alloc(DWORD n) {
  if (n <= m_allocated) return m_block != nullptr;
  uint64_t grown = (static_cast<uint64_t>(n) & ~uint64_t{0xFFFF}) + 0x10000;
  BYTE* block;
  if (m_block && m_owns) {
    block = static_cast<BYTE*>(realloc(m_block, grown));
  } else {
    // A lent block belongs to the caller and may not come from the C heap at all, so its data
    // is copied into a block of our own instead of being reallocated.
    block = static_cast<BYTE*>(malloc(grown));
    if (block && m_block) memcpy(block, m_block, static_cast<size_t>(m_length));
  }
  // On failure the old block and its data stay as they were.
  if (!block) return false;
  // Bytes between the data and a position written beyond it read as zero, never as old heap.
  memset(block + m_length, 0, static_cast<size_t>(grown - static_cast<uint64_t>(m_length)));
  m_block = block;
  m_allocated = static_cast<unsigned long>(grown);
  m_owns = true;
  return true;
}
