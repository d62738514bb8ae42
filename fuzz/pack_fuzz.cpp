// Resource packages over arbitrary bytes: the index is read by the package reader, every entry is
// registered in the resource manager and loaded as its kind (raw bytes, pictures through the image
// library and the .pps reader, palettes), and damaged entries only fail their own load.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/EngineUtil.h"
#include "engine/PackFile.h"
#include "engine/ResourceManager.h"
#include "platform/kernel/Files.h"

namespace {

int QuietBox(const char*, const char*, UINT) { return 1; }
void NoExit(int) {}

const std::string& ScratchFile() {
  static const std::string path = [] {
    char name[] = "/tmp/pxqd-pack-fuzz-XXXXXX";
    const int fd = mkstemp(name);
    if (fd >= 0) close(fd);
    // The engine log goes to a folder that does not exist, so its lines are dropped.
    platform::SetModuleFileNameOverride("/nonexistent-pxqd-fuzz/pxqd");
    SetEngineMessageBoxHook(QuietBox);
    ResourceManager::SetExitHandler(NoExit);
    return std::string(name);
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& path = ScratchFile();
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);

  ResourceManager* manager = ResourceManager::Instance();
  PackFile pack(path.c_str());
  if (pack.IsOpen()) {
    for (DWORD i = 0; i < pack.GetEntryCount(); i++) {
      BYTE* bytes = pack.ReadEntryAlloc(i);
      std::free(bytes);
    }
  }
  if (manager->LoadPack(path.c_str(), 0, 0) > 0) {
    for (DWORD i = 0; i < pack.GetEntryCount(); i++) {
      PackIndexEntry entry;
      pack.Rewind();
      for (DWORD k = 0; k < i; k++) pack.NextEntry(0);
      pack.GetCurrentEntry(&entry);
      if (ResourceRecord* record = manager->GetRecord(entry.hash1)) {
        if (record->kind == RESKIND_IMAGE && record->data) {
          const ImageRecord* image = static_cast<const ImageRecord*>(record->data);
          volatile BYTE last = image->bufferSize ? image->pixels[image->bufferSize - 1] : 0;
          (void)last;
        }
      }
    }
  }
  manager->Release();
  return 0;
}
