#pragma once

#include <cstdint>

#include "platform/base/WinTypes.h"

// Placement flags read by the screen and the draw dispatcher; the others are the caller's.
// The clip rectangle is valid.
constexpr uint32_t PLACEMENT_FLAG_CLIP = 0x2;
// Hit tests look at the pixel under the point: a fully transparent pixel does not hit.
constexpr uint32_t PLACEMENT_FLAG_PIXEL_HIT = 0x4;
// Draw only onto destination pixels whose alpha is 255.
constexpr uint32_t PLACEMENT_FLAG_ON_OPAQUE = 0x8;
// Rotate with bilinear sampling.
constexpr uint32_t PLACEMENT_FLAG_SMOOTH = 0x20;
// Draw the silhouette: invert the destination under the picture's drawable pixels.
constexpr uint32_t PLACEMENT_FLAG_SILHOUETTE = 0x800;
// Both bits are set by the screen layer while the entity lies in its view.
constexpr uint32_t PLACEMENT_FLAG_IN_VIEW = 0x10000010;

// Where and how an entity is drawn. The screen layer keeps a pointer to the entity's live
// placement, so the block must stay at one address while the entity is on a layer.
struct EntityPlacement {
  // Rotation about the centre in degrees; positive turns counter-clockwise on the screen.
  double angle;
  // The centre in screen coordinates, written by the screen layer at every view test.
  int32_t viewX;
  int32_t viewY;
  // The centre in layer coordinates.
  int32_t x;
  int32_t y;
  // Z level within the layer.
  int32_t level;
  // Size in pixels.
  int32_t width;
  int32_t height;
  // Bounding radius used for rotated entities; 0 means "not computed yet".
  int32_t radius;
  uint32_t flags;
  // Clip rectangle in layer coordinates, valid with PLACEMENT_FLAG_CLIP.
  RECT clip;
};
