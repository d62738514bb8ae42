// The single entry point through which pictures are drawn for screen items and planes, the two
// picture scaling routines, and the dot-set renderer.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/EntityData.h"
#include "engine/EntityPlacement.h"
#include "engine/ImageRecord.h"
#include "engine/PixelSurface.h"

// Draws the source rectangle (sourceX, sourceY, sourceWidth, sourceHeight) of the picture (frames
// stacked vertically) for the placement: the rectangle is clamped to the picture on all four
// sides, scaled to the placement's size when the two differ, and drawn with the blit that the
// picture's format, the angle and the placement flags select. alpha is the opacity, backColor
// the back colour (DEFAULT_KEY_COLOR = none). May store the placement's radius.
void DrawEntityToBuffer(const PixelSurface& dest, EntityPlacement& placement, ImageRecord image,
                        int32_t sourceX, int32_t sourceY, int32_t sourceWidth,
                        int32_t sourceHeight, double alpha, uint32_t backColor);

// Nearest-pixel scaling of the rectangle (x, y, w, h) of 32-bit pixels to newWidth x newHeight;
// null when the new size is not positive.
// Resized 32-bit pictures larger than this many target pixels are scaled and drawn row by row.
constexpr int64_t SCALE_BY_ROWS_PIXELS = 65536;
std::unique_ptr<uint32_t[]> ScalePixels32(const uint32_t* src, int32_t stride, int32_t height,
                                          int32_t x, int32_t y, int32_t w, int32_t h,
                                          int32_t newWidth, int32_t newHeight);
// The same for palettised pixels: 2 bytes per pixel (index, alpha) with IMGFLAG_ALPHA in flags,
// else 1; the buffer is allocated with 2 bytes per pixel in both cases.
std::unique_ptr<uint8_t[]> ScalePixels(const uint8_t* src, int32_t stride, int32_t height,
                                       int32_t x, int32_t y, int32_t w, int32_t h,
                                       int32_t newWidth, int32_t newHeight, int32_t flags);

// Draws a dot set's points. (originX, originY) is the layer position of the surface's top-left
// pixel; the clip rectangle is in layer coordinates.
void DrawPointList(const PixelSurface& dest, int32_t originX, int32_t originY, int32_t clipLeft,
                   int32_t clipTop, int32_t clipRight, int32_t clipBottom,
                   const DotSetState* dots, double alpha);

// 0 when w or h is not positive, else trunc(sqrt(((w+1)/2)^2 + ((h+1)/2)^2) + 0.5).
int32_t BoundingRadius(int32_t w, int32_t h);
// The screen box of a placement: at angle 0 the box around the view position, otherwise the
// square of the bounding radius (computed and stored first when it is 0 or less).
void PlacementBounds(RECT* out, EntityPlacement& placement);

// Receives the dispatcher's log lines; by default they go to the engine log (WriteLog).
// Null restores the default.
using DrawLogFunction = void (*)(const char* line);
void SetDrawLogFunction(DrawLogFunction function);
