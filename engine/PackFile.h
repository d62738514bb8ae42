// Reader of resource package files: a 176-byte header, an index of 32-byte entries that name each
// resource by its three name hashes, and the entries' bytes anywhere after it.
//
// The counts of the header are checked against the file: the index must lie wholly inside it, and
// only entries that were actually read are ever used (the smaller of the entry count at offset 100
// and the index count at offset 104). Entry ranges are checked against the file when an entry is
// read.
#pragma once

#include <string>

#include "platform/base/WinTypes.h"

constexpr DWORD PACK_HEADER_SIZE = 176;
constexpr DWORD PACK_INDEX_ENTRY_SIZE = 32;
constexpr DWORD PACK_ENTRY_COUNT_OFFSET = 100;
constexpr DWORD PACK_INDEX_COUNT_OFFSET = 104;

struct PackIndexEntry {
  DWORD hash1;  // RSHash of the resource name
  DWORD hash2;  // JSHash of the resource name
  DWORD hash3;  // Hash31 of the resource name
  DWORD offset;
  DWORD length;
  DWORD extensionHash;  // RSHash of the lower-case extension with its dot
  BYTE reserved[8];
};

struct PackHeader {
  BYTE bytes[PACK_HEADER_SIZE];
  DWORD entryCount;
  DWORD indexCount;
};

class PackFile {
 public:
  // Opens the package, reads its header and index and closes it again. A package that is missing,
  // shorter than its header or its index, or whose index does not fit the file stays not open.
  explicit PackFile(const char* path);
  virtual ~PackFile();
  PackFile(const PackFile&) = delete;
  PackFile& operator=(const PackFile&) = delete;

  // Reads entry `index` into a buffer of at least its length: 1 read, 0 refused or short.
  virtual int ReadEntry(DWORD index, BYTE* buffer, DWORD bufferLength);
  // The entry's bytes in a new buffer (free it with std::free), or null.
  virtual BYTE* ReadEntryAlloc(DWORD index);
  // 1 when the package was read.
  virtual int IsOpen();

  void FreeTables();
  void Rewind() { m_cursor = 0; }
  // Extension hash of the entry at the cursor; 0 past the entries.
  DWORD GetCurrentType() const;
  // Moves to the next entry (with a filter: the next one of that extension hash); 0 at the end,
  // where the cursor stays.
  int NextEntry(DWORD filter);
  // Copies the entry at the cursor; a cursor past the entries gives a zeroed entry.
  PackIndexEntry* GetCurrentEntry(PackIndexEntry* out) const;

  // Entries that may be used: min(entry count, index count).
  DWORD GetEntryCount() const { return m_entryCount; }
  const PackHeader& GetHeader() const { return m_header; }
  const std::string& GetPath() const { return m_path; }
  DWORD GetCursor() const { return m_cursor; }
  unsigned long long GetFileSize() const { return m_fileSize; }

 private:
  // Entry `index` when it lies within the file, else null.
  const PackIndexEntry* CheckedEntry(DWORD index) const;

  PackIndexEntry* m_index = nullptr;
  PackHeader m_header = {};
  std::string m_path;
  DWORD m_cursor = 0;
  DWORD m_entryCount = 0;
  unsigned long long m_fileSize = 0;
};

// Decodes the 32 bytes of one index entry.
PackIndexEntry ReadPackIndexEntry(const BYTE* bytes);

// The image extension (".pps", ".bmp", ".png", ".gif", ".jpg", ".ico", ".tga", ".tif", ".mng",
// ".pcx", ".wbmp", ".wmf") whose RSHash is `hash`, or "".
const char* GetImageExtension(DWORD hash);
