#include "engine/ColorPalette.h"

#include <cstdlib>
#include <cstring>

ColorPalette::ColorPalette() {
  std::memset(m_name, 0, sizeof m_name);
  std::memset(m_entries, 0, sizeof m_entries);
  m_count = 0;
}

ColorPalette* ColorPalette::Set(const BYTE* entries, DWORD count, const char* name) {
  std::memset(m_name, 0, sizeof m_name);
  if (name) std::strncpy(m_name, name, sizeof m_name - 1);
  if (count > MAX_ENTRIES) count = MAX_ENTRIES;
  if (entries && count) std::memcpy(m_entries, entries, count * 3);
  m_count = entries ? count : 0;
  return this;
}

int ColorPalette::Copy(const BYTE* record, DWORD length) {
  if (!record) return 0;
  if (length < RECORD_HEADER_SIZE) return -1;
  std::memcpy(m_name, record, sizeof m_name);
  // A name that fills its whole field would run on into the count; it ends at byte 31 instead.
  m_name[sizeof m_name - 1] = 0;
  DWORD count = static_cast<DWORD>(record[32]) | static_cast<DWORD>(record[33]) << 8;
  const DWORD present = (length - RECORD_HEADER_SIZE) / 3;
  if (count > present) count = present;
  if (count > MAX_ENTRIES) count = MAX_ENTRIES;
  std::memcpy(m_entries, record + RECORD_HEADER_SIZE, count * 3);
  m_count = count;
  return 0;
}

DWORD ColorPalette::FindNearest(DWORD colour) const {
  const int r = static_cast<int>(colour & 0xff);
  const int g = static_cast<int>((colour >> 8) & 0xff);
  const int b = static_cast<int>((colour >> 16) & 0xff);
  DWORD best = 1000000;
  DWORD bestIndex = 0;
  for (DWORD i = 0; i < m_count && i < MAX_ENTRIES; i++) {
    const DWORD dr = static_cast<DWORD>(std::abs(r - m_entries[i * 3]));
    const DWORD dg = static_cast<DWORD>(std::abs(g - m_entries[i * 3 + 1]));
    const DWORD db = static_cast<DWORD>(std::abs(b - m_entries[i * 3 + 2]));
    const DWORD distance = dr * dr * dr + db * db * db + dg * dg * dg;
    if (distance == 0) return i;
    if (distance < best) {
      best = distance;
      bestIndex = i;
    }
  }
  return bestIndex;
}
