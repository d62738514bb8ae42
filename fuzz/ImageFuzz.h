// The common body of the image decoders' fuzz targets: decode the bytes as one format, then read
// every pixel and alpha value of the result as the engine's loader does, and turn the picture
// once, so that a decoder that leaves a broken image is caught too.
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/RasterImage.h"

inline void FuzzDecode(const uint8_t* data, size_t size, DWORD type, long frame = 0) {
  CRasterImage image;
  image.SetFrame(frame);
  if (!image.Decode(const_cast<BYTE*>(data), static_cast<DWORD>(size), type)) return;
  const long w = static_cast<long>(image.GetWidth());
  const long h = static_cast<long>(image.GetHeight());
  unsigned sum = 0;
  // Large pictures are checked by their corners; reading all of them would slow the search.
  if (static_cast<int64_t>(w) * h <= 1 << 16) {
    for (long y = 0; y < h; y++) {
      for (long x = 0; x < w; x++) {
        sum += image.IsIndexed() ? image.GetPixelIndex(x, y) : image.GetPixelColor(x, y, false).rgbRed;
        sum += image.AlphaGet(x, y);
      }
    }
    image.RotateLeft();
  } else {
    sum += image.GetPixelColor(w - 1, h - 1, true).rgbBlue;
  }
  volatile unsigned sink = sum;
  (void)sink;
}
