// Plain reference forms of the blit family, written to follow the documented rules step by step
// with no shortcuts, and a common call record so that tests can run a fast member and its
// reference on the same case.
#pragma once

#include <cstdint>

#include "platform/base/WinTypes.h"

enum class BlitMember {
  PalAlpha,
  PalAlphaOnOpaque,
  Pal,
  RgbaAlpha,
  RgbaAlphaOnOpaque,
  Rgba,
  RgbaCopy,
  RotatedPalAlpha,
  RotatedPal,
  RotatedRgbaAlpha,
  RotatedRgba,
  SmoothPalAlpha,
  SmoothPal,
  SmoothRgba,
  SilhouettePal,
  SilhouettePal8,
  SilhouetteRgba,
  Count
};

const char* BlitMemberName(BlitMember member);
// Bytes per source pixel of the member: 1, 2 or 4.
int BlitMemberSourceBytes(BlitMember member);
bool BlitMemberRotates(BlitMember member);

struct BlitCall {
  uint32_t* dest;
  int destX, destY, destWidth, destHeight;
  RECT clip;
  const uint8_t* src;
  int srcX, srcY, srcStride, srcHeight, w, h;
  uint32_t keyIndex;
  const uint8_t* palette;
  double angle;
  double alpha;
  uint32_t backColor;
};

void RunFastBlit(BlitMember member, const BlitCall& call);
void RunReferenceBlit(BlitMember member, const BlitCall& call);
