#include "engine/PackFile.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/EngineUtil.h"
#include "platform/kernel/Files.h"

namespace {

DWORD Get32(const BYTE* p) {
  return static_cast<DWORD>(p[0]) | static_cast<DWORD>(p[1]) << 8 | static_cast<DWORD>(p[2]) << 16 |
         static_cast<DWORD>(p[3]) << 24;
}

// Size of an open file, or -1.
long long SizeOf(FILE* file) {
  if (std::fseek(file, 0, SEEK_END) != 0) return -1;
  const long size = std::ftell(file);
  return size < 0 ? -1 : size;
}

// Reads `length` bytes at `offset`; false for a seek or read that falls short.
bool ReadAt(FILE* file, unsigned long long offset, BYTE* buffer, DWORD length) {
  if (offset > 0x7fffffffffffffffull) return false;
  if (std::fseek(file, static_cast<long>(offset), SEEK_SET) != 0) return false;
  return std::fread(buffer, 1, length, file) == length;
}

}  // namespace

PackIndexEntry ReadPackIndexEntry(const BYTE* b) {
  PackIndexEntry e;
  e.hash1 = Get32(b);
  e.hash2 = Get32(b + 4);
  e.hash3 = Get32(b + 8);
  e.offset = Get32(b + 12);
  e.length = Get32(b + 16);
  e.extensionHash = Get32(b + 20);
  std::memcpy(e.reserved, b + 24, sizeof e.reserved);
  return e;
}

PackFile::PackFile(const char* path) {
  std::string converted = path ? path : "";
  for (char& c : converted) {
    if (c == '/') c = '\\';
  }
  FILE* file = converted.empty() ? nullptr : PlatformFopen(converted.c_str(), "rb");
  if (!file) return;
  bool ok = false;
  const long long size = SizeOf(file);
  if (size >= PACK_HEADER_SIZE && ReadAt(file, 0, m_header.bytes, PACK_HEADER_SIZE)) {
    m_header.entryCount = Get32(m_header.bytes + PACK_ENTRY_COUNT_OFFSET);
    m_header.indexCount = Get32(m_header.bytes + PACK_INDEX_COUNT_OFFSET);
    const unsigned long long indexBytes = static_cast<unsigned long long>(m_header.indexCount) * PACK_INDEX_ENTRY_SIZE;
    if (PACK_HEADER_SIZE + indexBytes <= static_cast<unsigned long long>(size)) {
      BYTE* raw = static_cast<BYTE*>(std::malloc(indexBytes ? indexBytes : 1));
      if (raw && ReadAt(file, PACK_HEADER_SIZE, raw, static_cast<DWORD>(indexBytes))) {
        m_index = static_cast<PackIndexEntry*>(
            std::calloc(m_header.indexCount ? m_header.indexCount : 1, sizeof(PackIndexEntry)));
        if (m_index) {
          for (DWORD i = 0; i < m_header.indexCount; i++) m_index[i] = ReadPackIndexEntry(raw + i * PACK_INDEX_ENTRY_SIZE);
          ok = true;
        }
      }
      std::free(raw);
    }
  }
  std::fclose(file);
  if (!ok) {
    FreeTables();
    return;
  }
  m_entryCount = m_header.entryCount < m_header.indexCount ? m_header.entryCount : m_header.indexCount;
  m_fileSize = static_cast<unsigned long long>(size);
  m_path = converted;
  m_cursor = 0;
}

PackFile::~PackFile() { FreeTables(); }

void PackFile::FreeTables() {
  std::free(m_index);
  m_index = nullptr;
  m_header = {};
  m_entryCount = 0;
}

int PackFile::IsOpen() { return m_path.empty() ? 0 : 1; }

DWORD PackFile::GetCurrentType() const {
  return m_cursor < m_entryCount ? m_index[m_cursor].extensionHash : 0;
}

int PackFile::NextEntry(DWORD filter) {
  if (m_entryCount == 0 || m_cursor >= m_entryCount - 1) return 0;
  m_cursor++;
  if (filter == 0) return 1;
  while (m_index[m_cursor].extensionHash != filter) {
    if (m_cursor == m_entryCount - 1) return 0;
    m_cursor++;
  }
  return 1;
}

PackIndexEntry* PackFile::GetCurrentEntry(PackIndexEntry* out) const {
  if (m_cursor < m_entryCount) {
    *out = m_index[m_cursor];
  } else {
    std::memset(out, 0, sizeof *out);
  }
  return out;
}

const PackIndexEntry* PackFile::CheckedEntry(DWORD index) const {
  if (index >= m_entryCount) return nullptr;
  const PackIndexEntry& e = m_index[index];
  if (static_cast<unsigned long long>(e.offset) + e.length > m_fileSize) return nullptr;
  return &e;
}

int PackFile::ReadEntry(DWORD index, BYTE* buffer, DWORD bufferLength) {
  const PackIndexEntry* e = CheckedEntry(index);
  if (!e || !buffer || bufferLength < e->length) return 0;
  FILE* file = PlatformFopen(m_path.c_str(), "rb");
  if (!file) return 0;
  const bool ok = ReadAt(file, e->offset, buffer, e->length);
  std::fclose(file);
  return ok ? 1 : 0;
}

BYTE* PackFile::ReadEntryAlloc(DWORD index) {
  if (!IsOpen()) return nullptr;
  const PackIndexEntry* e = CheckedEntry(index);
  if (!e) return nullptr;
  BYTE* buffer = static_cast<BYTE*>(std::malloc(e->length ? e->length : 1));
  if (!buffer) return nullptr;
  if (!ReadEntry(index, buffer, e->length)) {
    std::free(buffer);
    return nullptr;
  }
  return buffer;
}

const char* GetImageExtension(DWORD hash) {
  static const char* const EXTENSIONS[] = {".pps", ".bmp", ".png", ".gif", ".jpg", ".ico",
                                           ".tga", ".tif", ".mng", ".pcx", ".wbmp", ".wmf"};
  for (const char* ext : EXTENSIONS) {
    if (RSHash(ext) == hash) return ext;
  }
  return "";
}
