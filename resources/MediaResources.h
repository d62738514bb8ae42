// The pictures and sounds the program carries: its icons, bitmaps, the prize pop-up's PNG and the
// numbered sound effects. Their bytes are made at build time by tools/gamedata/make_resources.py,
// which writes the table below; this file registers them by id in the window layer.
#pragma once

#include <cstddef>

#include "platform/user/Resources.h"

namespace resources {

struct MediaResource {
  LPCSTR type;  // RT_GROUP_ICON (a whole .ico file), RT_BITMAP (a packed DIB), "PNG" or "SOUND" (a .wav)
  WORD id;
  const unsigned char* bytes;
  size_t size;
};

extern const MediaResource MEDIA_RESOURCES[];
extern const size_t MEDIA_RESOURCE_COUNT;

// Registers every media resource; false when one of them could not be registered.
bool RegisterMediaResources();

}  // namespace resources
