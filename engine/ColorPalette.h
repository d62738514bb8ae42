// A named table of up to 256 R, G, B colours: the global palettes of ".quad" resources, and the
// temporary palette over a picture's own entries when a key colour must become a palette index.
#pragma once

#include "platform/base/WinTypes.h"

class ColorPalette {
 public:
  static constexpr DWORD MAX_ENTRIES = 256;
  // A palette record (".quad" resource): 32-byte name, u16 entry count, then the entries.
  static constexpr DWORD RECORD_HEADER_SIZE = 34;

  ColorPalette();

  // Copies the name (at most 31 bytes), clamps the count to 256 and copies count x 3 entry bytes.
  ColorPalette* Set(const BYTE* entries, DWORD count, const char* name);
  // Takes a palette record of `length` bytes: the name from its 32-byte field (cut at byte 31 when
  // it is not terminated there), and as many of its entries as the count names, the record holds
  // and 256 allows. A null record changes nothing. Returns 0 for a record that holds at least its
  // header, -1 for a shorter one (nothing is taken then).
  int Copy(const BYTE* record, DWORD length);

  const BYTE* GetEntries() const { return m_entries; }
  BYTE* GetEntries() { return m_entries; }
  const char* GetName() const { return m_name; }
  DWORD GetCount() const { return m_count; }

  // Index of the nearest entry to a 0x00BBGGRR colour by summed cubes of the channel differences.
  // The search starts from a bound of 1000000 at index 0, so a colour that no entry comes near
  // gives index 0 even when another entry is nearer than the first.
  DWORD FindNearest(DWORD colour) const;

 private:
  char m_name[32];
  BYTE m_entries[MAX_ENTRIES * 3];
  DWORD m_count;
};
