// The blit family: software routines that copy a rectangle of a picture into a 32-bit B, G, R, A
// destination buffer, straight or rotated, with clipping, a key, per-pixel alpha, a constant
// opacity and an optional back colour. They allocate nothing and report nothing.
//
// Straight members draw the source rectangle (srcX, srcY, w, h) of a picture whose rows are
// srcStride pixels long with its top-left corner at (destX, destY). Rotated members draw into the
// 2R x 2R square whose top-left corner is (destX, destY) and whose centre is the centre of
// rotation, R being BlitRadius(w, h). Pixels are written only inside the clip rectangle (right
// and bottom exclusive), which is also cut to the destination buffer.
//
// The back colour is 0xTTBBGGRR: a colour and an alpha threshold T; DEFAULT_KEY_COLOR means none.
#pragma once

#include <cstdint>

#include "platform/base/WinTypes.h"

// The opacity byte: the low byte of alpha * 255 truncated toward zero.
uint8_t BlitOpacityByte(double alpha);

// Half the side of the square a rotated member draws: 0 when w or h is not positive, else
// trunc(sqrt(((w + 1) / 2)^2 + ((h + 1) / 2)^2) + 0.5) with integer halving.
int BlitRadius(int w, int h);

// Blends one pixel as the smooth members do (b = (opacity * a) >> 8).
void BlendPixel(uint8_t* dest, uint8_t b, uint8_t g, uint8_t r, uint8_t a, uint8_t opacity);

// A view of a pixel block: pixels, width, height and bytes per pixel.
struct PixelView {
  uint8_t* pixels;
  int width;
  int height;
  int bytesPerPixel;
};

// Address of pixel (x, y) of the view.
uint8_t* PixelAddress(const PixelView& view, int x, int y);

// Straight members. Palettised sources are 2 bytes per pixel (index, alpha) for the *PalAlpha*
// members and 1 byte (index) for BlitImagePal; 32-bit sources are 4 bytes B, G, R, A.
void BlitImagePalAlpha(uint32_t* dest, int destX, int destY, int destWidth, int destHeight,
                       const RECT& clip, const uint8_t* src, int srcX, int srcY, int srcStride,
                       int srcHeight, int w, int h, uint32_t keyIndex, const uint8_t* palette,
                       double alpha, uint32_t backColor);
void BlitImagePalAlphaOnOpaque(uint32_t* dest, int destX, int destY, int destWidth,
                               int destHeight, const RECT& clip, const uint8_t* src, int srcX,
                               int srcY, int srcStride, int srcHeight, int w, int h,
                               uint32_t keyIndex, const uint8_t* palette, double alpha,
                               uint32_t backColor);
void BlitImagePal(uint32_t* dest, int destX, int destY, int destWidth, int destHeight,
                  const RECT& clip, const uint8_t* src, int srcX, int srcY, int srcStride,
                  int srcHeight, int w, int h, uint32_t keyIndex, const uint8_t* palette,
                  double alpha, uint32_t backColor);
void BlitImageRgbaAlpha(uint32_t* dest, int destX, int destY, int destWidth, int destHeight,
                        const RECT& clip, const uint32_t* src, int srcX, int srcY, int srcStride,
                        int srcHeight, int w, int h, double alpha, uint32_t backColor);
void BlitImageRgbaAlphaOnOpaque(uint32_t* dest, int destX, int destY, int destWidth,
                                int destHeight, const RECT& clip, const uint32_t* src, int srcX,
                                int srcY, int srcStride, int srcHeight, int w, int h,
                                double alpha, uint32_t backColor);
void BlitImageRgba(uint32_t* dest, int destX, int destY, int destWidth, int destHeight,
                   const RECT& clip, const uint32_t* src, int srcX, int srcY, int srcStride,
                   int srcHeight, int w, int h, double alpha, uint32_t backColor);
void BlitImageRgbaCopy(uint32_t* dest, int destX, int destY, int destWidth, int destHeight,
                       const RECT& clip, const uint32_t* src, int srcX, int srcY, int srcStride,
                       int srcHeight, int w, int h, double alpha, uint32_t backColor);

// Rotated members, nearest pixel. A positive angle (degrees) turns counter-clockwise.
void BlitImageRotatedPalAlpha(uint32_t* dest, int destX, int destY, int destWidth,
                              int destHeight, const RECT& clip, const uint8_t* src, int srcX,
                              int srcY, int srcStride, int srcHeight, int w, int h,
                              uint32_t keyIndex, const uint8_t* palette, double angle,
                              double alpha, uint32_t backColor);
void BlitImageRotatedPal(uint32_t* dest, int destX, int destY, int destWidth, int destHeight,
                         const RECT& clip, const uint8_t* src, int srcX, int srcY, int srcStride,
                         int srcHeight, int w, int h, uint32_t keyIndex, const uint8_t* palette,
                         double angle, double alpha, uint32_t backColor);
void BlitImageRotatedRgbaAlpha(uint32_t* dest, int destX, int destY, int destWidth,
                               int destHeight, const RECT& clip, const uint32_t* src, int srcX,
                               int srcY, int srcStride, int srcHeight, int w, int h,
                               double angle, double alpha, uint32_t backColor);
void BlitImageRotatedRgba(uint32_t* dest, int destX, int destY, int destWidth, int destHeight,
                          const RECT& clip, const uint32_t* src, int srcX, int srcY,
                          int srcStride, int srcHeight, int w, int h, double angle, double alpha,
                          uint32_t backColor);

// Rotated members, bilinear. They test no key.
void BlitImageSmoothPalAlpha(uint32_t* dest, int destX, int destY, int destWidth,
                             int destHeight, const RECT& clip, const uint8_t* src, int srcX,
                             int srcY, int srcStride, int srcHeight, int w, int h,
                             const uint8_t* palette, double angle, double alpha,
                             uint32_t backColor);
void BlitImageSmoothPal(uint32_t* dest, int destX, int destY, int destWidth, int destHeight,
                        const RECT& clip, const uint8_t* src, int srcX, int srcY, int srcStride,
                        int srcHeight, int w, int h, const uint8_t* palette, double angle,
                        double alpha, uint32_t backColor);
void BlitImageSmoothRgba(uint32_t* dest, int destX, int destY, int destWidth, int destHeight,
                         const RECT& clip, const uint32_t* src, int srcX, int srcY,
                         int srcStride, int srcHeight, int w, int h, double angle, double alpha,
                         uint32_t backColor);

// Silhouettes: every destination pixel under a drawable source pixel is inverted and made
// opaque. BlitImageSilhouettePal reads 2-byte pixels (index, alpha); BlitImageSilhouettePal8
// is its form for 1-byte pixels (index only), so that a picture without an alpha channel is
// never read past its end.
void BlitImageSilhouettePal(uint32_t* dest, int destX, int destY, int destWidth, int destHeight,
                            const RECT& clip, const uint8_t* src, int srcX, int srcY,
                            int srcStride, int srcHeight, int w, int h, uint32_t keyIndex,
                            const uint8_t* palette, double angle, double alpha,
                            uint32_t backColor);
void BlitImageSilhouettePal8(uint32_t* dest, int destX, int destY, int destWidth,
                             int destHeight, const RECT& clip, const uint8_t* src, int srcX,
                             int srcY, int srcStride, int srcHeight, int w, int h,
                             uint32_t keyIndex, const uint8_t* palette, double angle,
                             double alpha, uint32_t backColor);
void BlitImageSilhouetteRgba(uint32_t* dest, int destX, int destY, int destWidth,
                             int destHeight, const RECT& clip, const uint32_t* src, int srcX,
                             int srcY, int srcStride, int srcHeight, int w, int h, double angle,
                             double alpha, uint32_t backColor);
