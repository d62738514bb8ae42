// Writes resource package files: a 176-byte header (entry count at 100, index count at 104), an
// index of 32-byte entries naming each resource by the three hashes of its resource name, and the
// entries' bytes after the index in the order they were added. The tests make their fixtures with
// it, and pxqd-packwrite packs the game's resources.
#pragma once

#include <string>
#include <vector>

#include "platform/base/WinTypes.h"

// The kind suffix that the engine's extension table gives a lower-case extension with its dot
// (".png" gives ".imge"); an extension outside the table is its own kind (".quad").
std::string KindSuffixOfExtension(const std::string& extension);
// The resource name under which the game finds a packed file: the file title, its case and bytes
// kept, followed by the kind suffix of its extension ("btn_OK.png" gives "btn_OK.imge").
std::string PackResourceName(const std::string& fileName);
// A ".quad" palette record: 32-byte name, u16 count, count x R, G, B.
std::vector<BYTE> MakePaletteRecord(const std::string& name, const std::vector<BYTE>& rgb);

class PackWriter {
 public:
  // Adds an entry under a resource name with the extension (with its dot) whose RSHash the index
  // keeps; the extension is lower-cased.
  void Add(const std::string& resourceName, const std::string& extension, const std::vector<BYTE>& bytes);
  // Adds a file's bytes under PackResourceName of its file name.
  void AddFile(const std::string& fileName, const std::vector<BYTE>& bytes);

  size_t GetCount() const { return m_entries.size(); }
  std::vector<BYTE> Write() const;
  bool WriteFile(const std::string& path) const;

 private:
  struct Entry {
    std::string name;
    std::string extension;
    std::vector<BYTE> bytes;
  };
  std::vector<Entry> m_entries;
};
