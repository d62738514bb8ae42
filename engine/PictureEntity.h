// Picture entities (kind 1): one frame of an image resource. The frames of an image are stacked
// vertically, so choosing a frame moves only the source rectangle. The image is looked up by its
// resource id at every use, so an image that was unloaded meanwhile counts as absent instead of
// being read after it was freed.
#pragma once

#include <cstdint>

#include "engine/Entity.h"
#include "engine/ImageRecord.h"

// A frame of a picture resource as the facade hands it out.
class World;

struct ResourceFrame {
  uint32_t resourceId;
  int32_t sourceX;
  int32_t sourceY;
  int32_t width;
  int32_t height;
  // The image's pixel pointer; pictures do not use it.
  const void* pixels;
};

class PictureKindState : public EntityKindState {
 public:
  PictureState state{};
};

// The operations of a picture entity; each takes the entity and does nothing (0) when it is not
// a picture or has no state.
class PictureEntity {
 public:
  static void SetPicture(Entity* e, uint32_t resourceId, int32_t sourceX, int32_t sourceY,
                         int32_t width, int32_t height, uint32_t backColor);
  static void SetPictureFromFrame(Entity* e, const ResourceFrame& frame, uint32_t backColor);
  static void SetBackColor(Entity* e, uint32_t color);
  static uint32_t GetBackColor(Entity* e);
  static PictureState* GetState(Entity* e);
  static uint32_t GetCurrentFrame(Entity* e);
  static uint32_t GetFrameCount(Entity* e);
  static uint32_t SetFrame(Entity* e, uint32_t frame);
  static uint32_t NextFrame(Entity* e);
  static uint32_t GetFrameDuration(Entity* e, uint32_t frame);
  static uint32_t GetTotalDuration(Entity* e);
  static uint32_t GetDurationRange(Entity* e, uint32_t first, uint32_t end);
  static uint32_t SetRandomFrame(Entity* e, uint32_t r);
  // The picture's image, or null.
  static const ImageRecord* GetImage(Entity* e);
  // A hidden picture made on a layer the way the facade makes them; a size of 0 or less is the
  // image's.
  static Entity* CreateOnLayer(World& world, int layer, int32_t x, int32_t y, uint32_t resourceId,
                               int32_t sourceX, int32_t sourceY, int32_t width, int32_t height,
                               const char* name, uint32_t backColor);
};

// The image of a resource id from the entity's screen once it is on one, else from the resource
// manager.
const ImageRecord* LookupImage(const Entity* e, uint32_t resourceId);
