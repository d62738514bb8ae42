#include "resources/MediaResources.h"

namespace resources {

bool RegisterMediaResources() {
  bool ok = true;
  for (size_t i = 0; i < MEDIA_RESOURCE_COUNT; i++) {
    const MediaResource& r = MEDIA_RESOURCES[i];
    ok = platform::AddResource(r.type, MAKEINTRESOURCEA(r.id), std::vector<BYTE>(r.bytes, r.bytes + r.size)) && ok;
  }
  return ok;
}

}  // namespace resources
