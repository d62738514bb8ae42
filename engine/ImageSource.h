#pragma once

#include <cstdint>

#include "engine/ImageRecord.h"

// Where the screen finds pictures by resource id. The screen asks at every use and keeps no
// record pointer between frames, so a picture that was unloaded in the meantime is simply not
// found (and not drawn) instead of being read after it was freed.
class ImageSource {
 public:
  virtual ~ImageSource() = default;
  // The picture of that resource, or null when there is none.
  virtual const ImageRecord* GetImage(uint32_t resourceId) = 0;
};
