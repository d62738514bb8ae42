// Registering the entries of resource packages.
#include <cstdio>

#include "engine/PackFile.h"
#include "engine/ResourceManager.h"
#include "platform/kernel/Files.h"

int ResourceManager::LoadPack(const char* path, DWORD extensionFilter, int loadNow) {
  if (!path) return 0;
  const DWORD flags = RESFLAG_IN_PACK | (loadNow ? RESFLAG_LOADED : 0);
  int count = 0;
  PackFile pack(path);
  FILE* kept = nullptr;
  if (pack.IsOpen()) {
    // A package loaded again keeps the file it already has; opening a second one would only leak.
    auto it = m_packages.find(path);
    if (it != m_packages.end()) {
      kept = it->second;
    } else {
      kept = PlatformFopen(pack.GetPath().c_str(), "rb");
      if (kept) m_packages.emplace(path, kept);
    }
  }
  if (!kept) {
    WriteLog("%s加载失败!", path);
    char text[1024];
    std::snprintf(text, sizeof text, "%s加载失败!", path);
    EngineMessageBox(text, "", 0);
    return 0;
  }

  // A failed load of an entry ends the run; when the exit handler returns instead, the manager has
  // been released and no further entry is registered.
  auto registerCurrent = [&]() -> bool {
    PackIndexEntry entry;
    pack.GetCurrentEntry(&entry);
    const DWORD id = Register(entry.hash1, entry.hash2, entry.hash3, path, flags, KindOfExtension(entry.extensionHash),
                              entry.extensionHash, entry.offset, entry.length);
    if (!id) return false;
    count++;
    return true;
  };
  pack.Rewind();
  if (pack.GetEntryCount() > 0 && (extensionFilter == 0 || extensionFilter == pack.GetCurrentType())) {
    if (!registerCurrent()) return count;
  }
  while (pack.NextEntry(extensionFilter)) {
    if (extensionFilter == 0 || extensionFilter == pack.GetCurrentType()) {
      if (!registerCurrent()) return count;
    }
  }
  return count;
}
