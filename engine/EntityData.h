// The kind data block that a screen item carries and the renderer draws from, the entity kinds,
// and the fields of each kind's state that drawing and hit testing read. The entity classes own
// and fill these records.
#pragma once

#include <cstdint>

#include "engine/ImageRecord.h"

constexpr int32_t ENTITY_KIND_PLAIN = 0;
constexpr int32_t BIT_SINGLE = 1;
constexpr int32_t ENTITY_KIND_STRIP = 16;
constexpr int32_t ENTITY_KIND_GROUP = 256;
constexpr int32_t ENTITY_KIND_ITEMLIST = 512;
constexpr int32_t ENTITY_KIND_BOUNDPICTURE = 1024;
constexpr int32_t ENTITY_KIND_PLANE = 4096;
constexpr int32_t ENTITY_KIND_PARTICLE = 0x10000;

struct EntityData {
  int32_t kind;
  // Picture: the resource id; plane: 0.
  int32_t source;
  // Size of the kind's state record; non-zero tells the release function to free it.
  uint32_t stateSize;
  int32_t width;
  int32_t height;
  // The kind's state record (PictureState, PlaneData, ...).
  void* state;
  // Picture: the back colour; dot set: 2; plane: 0.
  int32_t extra;
};

// State of a picture entity. The picture itself is looked up by resource id at each use.
struct PictureState {
  int32_t resourceId;
  int32_t sourceX;
  int32_t sourceY;
  int32_t width;
  int32_t height;
  uint32_t backColor;
  uint16_t currentFrame;
};

// State of a mirror: the screen item it shows and that item's layer.
struct BoundPictureState {
  int32_t targetHandle;
  int32_t targetLayer;
};

// State of a plane: a 32-bit surface of its own.
struct PlaneData {
  int32_t width;
  int32_t height;
  uint32_t* pixels;
  // Byte size of pixels; 0 means the pixels are not owned.
  uint32_t bufferSize;
  uint32_t fillColor;
  uint32_t keyColor;
  // Handed to the renderer as the back colour; DEFAULT_KEY_COLOR = none.
  uint32_t backColor;
};

// One point of a dot set.
struct DotPoint {
  int32_t x;
  int32_t y;
  uint8_t blue;
  uint8_t green;
  uint8_t red;
  uint8_t alpha;
  DotPoint* next;
};

struct DotSetState {
  DotPoint* first;
};

// One particle of an emitter; it is drawn centred on (origin + offset).
struct Particle {
  int32_t offsetX;
  int32_t offsetY;
  int32_t originX;
  int32_t originY;
  double angle;
  double alpha;
  uint32_t life;
  int32_t velocityX;
  int32_t velocityY;
  Particle* next;
};

// The fields of an emitter's state that drawing reads.
struct ParticleEmitterState {
  int32_t width;
  int32_t height;
  uint32_t liveCount;
  // width x height 32-bit pixels of the particle picture.
  uint32_t* pixels;
  Particle* first;
  Particle* last;
  int32_t layer;
  // Flags of the source picture; IMGFLAG_ALPHA makes the screen blend by the pixels' alpha.
  int32_t imageFlags;
};
