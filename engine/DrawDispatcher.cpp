#include "engine/DrawDispatcher.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/BlitFamily.h"
#include "engine/EngineUtil.h"
#include "platform/base/RectUtil.h"

namespace {

void WriteToEngineLog(const char* line) { WriteLog("%s", line); }

DrawLogFunction g_drawLog = WriteToEngineLog;

void DrawLog(const char* line) { g_drawLog(line); }

}  // namespace

void SetDrawLogFunction(DrawLogFunction function) {
  g_drawLog = function != nullptr ? function : WriteToEngineLog;
}

int32_t BoundingRadius(int32_t w, int32_t h) { return BlitRadius(w, h); }

void PlacementBounds(RECT* out, EntityPlacement& p) {
  if (p.angle == 0.0) {
    out->left = p.viewX - (p.width + 1) / 2;
    out->top = p.viewY - (p.height + 1) / 2;
    out->right = out->left + p.width;
    out->bottom = out->top + p.height;
    return;
  }
  if (p.radius <= 0) {
    p.radius = BoundingRadius(p.width, p.height);
  }
  out->left = p.viewX - p.radius;
  out->top = p.viewY - p.radius;
  out->right = p.viewX + p.radius;
  out->bottom = p.viewY + p.radius;
}

namespace {

// Nearest-neighbour enlargement or reduction of a 32-bit block, one target row at a time: the
// source column of every target column is worked out once, and each row is made from the source
// row it samples.
class RowScaler32 {
 public:
  RowScaler32(const uint32_t* src, int32_t stride, int32_t x, int32_t y, int32_t w, int32_t h,
              int32_t newWidth, int32_t newHeight)
      : m_src(src), m_stride(stride), m_x(x), m_y(y), m_w(w), m_h(h), m_newWidth(newWidth),
        m_same(newWidth == w && newHeight == h),
        m_stepY((static_cast<int64_t>(h) * 1024) / newHeight) {
    if (m_same) return;
    const int64_t stepX = (static_cast<int64_t>(w) * 1024) / newWidth;
    m_columns.resize(static_cast<size_t>(newWidth));
    for (int32_t j = 0; j < newWidth; ++j) {
      m_columns[static_cast<size_t>(j)] = static_cast<int32_t>(std::min<int64_t>((j * stepX) >> 10, w - 1));
    }
  }
  // The source row that target row i samples.
  int64_t SourceRow(int32_t i) const { return m_same ? i : std::min<int64_t>((i * m_stepY) >> 10, m_h - 1); }
  void MakeRow(int64_t sourceRow, uint32_t* out) const {
    const uint32_t* srcRow = m_src + (m_y + sourceRow) * m_stride + m_x;
    if (m_same) {
      std::memcpy(out, srcRow, static_cast<size_t>(m_w) * 4);
      return;
    }
    for (int32_t j = 0; j < m_newWidth; ++j) out[j] = srcRow[m_columns[static_cast<size_t>(j)]];
  }

 private:
  const uint32_t* m_src;
  int32_t m_stride, m_x, m_y, m_w, m_h, m_newWidth;
  bool m_same;
  int64_t m_stepY;
  std::vector<int32_t> m_columns;
};

}  // namespace

std::unique_ptr<uint32_t[]> ScalePixels32(const uint32_t* src, int32_t stride, int32_t height,
                                          int32_t x, int32_t y, int32_t w, int32_t h,
                                          int32_t newWidth, int32_t newHeight) {
  if (newWidth <= 0 || newHeight <= 0 || w <= 0 || h <= 0) {
    return nullptr;
  }
  const size_t count = static_cast<size_t>(newWidth) * newHeight;
  // Every pixel of the buffer is written below, so it is not cleared first.
  std::unique_ptr<uint32_t[]> out(new uint32_t[count]);
  const RowScaler32 scaler(src, stride, x, y, w, h, newWidth, newHeight);
  int64_t previous = -1;
  for (int32_t i = 0; i < newHeight; ++i) {
    const int64_t row = scaler.SourceRow(i);
    uint32_t* outRow = out.get() + static_cast<size_t>(i) * newWidth;
    if (row == previous) {
      // Enlarged pictures repeat source rows: the row just made is copied as it is.
      std::memcpy(outRow, outRow - newWidth, static_cast<size_t>(newWidth) * 4);
      continue;
    }
    previous = row;
    scaler.MakeRow(row, outRow);
  }
  return out;
}

std::unique_ptr<uint8_t[]> ScalePixels(const uint8_t* src, int32_t stride, int32_t height,
                                       int32_t x, int32_t y, int32_t w, int32_t h,
                                       int32_t newWidth, int32_t newHeight, int32_t flags) {
  if (newWidth <= 0 || newHeight <= 0 || w <= 0 || h <= 0) {
    return nullptr;
  }
  const int bpp = (flags & IMGFLAG_ALPHA) != 0 ? 2 : 1;
  const size_t count = static_cast<size_t>(newWidth) * newHeight;
  std::unique_ptr<uint8_t[]> out(new uint8_t[count * 2]());
  const int64_t stepX = (static_cast<int64_t>(w) * 1024) / newWidth;
  const int64_t stepY = (static_cast<int64_t>(h) * 1024) / newHeight;
  for (int32_t i = 0; i < newHeight; ++i) {
    const int64_t row = std::min<int64_t>((i * stepY) >> 10, h - 1);
    const uint8_t* srcRow = src + ((y + row) * stride + x) * bpp;
    uint8_t* outRow = out.get() + static_cast<size_t>(i) * newWidth * bpp;
    for (int32_t j = 0; j < newWidth; ++j) {
      const int64_t col = std::min<int64_t>((j * stepX) >> 10, w - 1);
      std::memcpy(outRow + j * bpp, srcRow + col * bpp, bpp);
    }
  }
  return out;
}

void DrawEntityToBuffer(const PixelSurface& dest, EntityPlacement& placement, ImageRecord image,
                        int32_t sourceX, int32_t sourceY, int32_t sourceWidth,
                        int32_t sourceHeight, double alpha, uint32_t backColor) {
  if (image.pixels == nullptr || dest.pixels == nullptr) {
    return;
  }
  // 1. The frames stacked, kept in 16 bits.
  const int32_t totalHeight =
      image.frameCount > 1 ? static_cast<uint16_t>(image.height * image.frameCount)
                           : image.height;
  const int32_t requestedWidth = sourceWidth;
  const int32_t requestedHeight = sourceHeight;
  // 2. The request is clamped to the picture on all four sides, so that a negative offset never
  // reads before the pixel block.
  if (sourceX < 0) {
    sourceWidth += sourceX;
    sourceX = 0;
  }
  if (sourceY < 0) {
    sourceHeight += sourceY;
    sourceY = 0;
  }
  if (totalHeight - sourceY < sourceHeight) sourceHeight = totalHeight - sourceY;
  if (image.width - sourceX < sourceWidth) sourceWidth = image.width - sourceX;
  if (sourceWidth < 0 || sourceHeight < 0) {
    return;
  }
  const bool palettised = IsPalettised(image);
  const int bpp = BytesPerPixel(image);
  // The block must hold every row that is read; a record whose buffer is smaller than its
  // stated size is not drawn.
  const uint64_t needed =
      static_cast<uint64_t>(image.width) * static_cast<uint64_t>(totalHeight) * bpp;
  if (needed > image.bufferSize) {
    return;
  }

  // 3. Direct or scaled source.
  const uint8_t* src = image.pixels;
  int32_t stride = image.width;
  int32_t srcX = sourceX;
  int32_t srcY = sourceY;
  int32_t w = sourceWidth;
  int32_t h = sourceHeight;
  std::unique_ptr<uint8_t[]> scaledPal;
  std::unique_ptr<uint32_t[]> scaled32;
  const bool resized = placement.width != requestedWidth || placement.height != requestedHeight;
  const bool silhouetteWanted = (placement.flags & PLACEMENT_FLAG_SILHOUETTE) != 0 &&
                                (image.flags & IMGFLAG_TRANSPARENT) != 0;
  // A large straight 32-bit picture drawn at another size is scaled row by row into one row
  // buffer right before each row is blitted, and only the rows inside the clip are made; the
  // pixels are those of scaling the whole picture first. Small pictures are scaled whole: their
  // block stays in the cache, and one blit costs less than one per row.
  const bool scaleByRows = resized && !palettised && placement.angle == 0.0 && !silhouetteWanted &&
                           static_cast<int64_t>(placement.width) * placement.height > SCALE_BY_ROWS_PIXELS;
  if (resized && !scaleByRows) {
    if (palettised) {
      scaledPal = ScalePixels(image.pixels, image.width, totalHeight, sourceX, sourceY,
                              sourceWidth, sourceHeight, placement.width, placement.height,
                              image.flags);
      src = scaledPal.get();
    } else {
      scaled32 = ScalePixels32(reinterpret_cast<const uint32_t*>(image.pixels), image.width,
                               totalHeight, sourceX, sourceY, sourceWidth, sourceHeight,
                               placement.width, placement.height);
      src = reinterpret_cast<const uint8_t*>(scaled32.get());
    }
    if (src == nullptr) {
      return;
    }
    stride = placement.width;
    srcX = 0;
    srcY = 0;
    w = placement.width;
    h = placement.height;
  } else if (scaleByRows) {
    if (placement.width <= 0 || placement.height <= 0 || sourceWidth <= 0 || sourceHeight <= 0) {
      return;
    }
    stride = placement.width;
    srcX = 0;
    srcY = 0;
    w = placement.width;
    h = placement.height;
  }
  const int32_t srcHeight = (src == image.pixels && !scaleByRows) ? totalHeight : h;
  const bool sizeMatches = w == placement.width && h == placement.height;

  // 4. Position. The rotated blits and the silhouette draw the square around the centre; the
  // silhouette is only drawn for a keyed picture, and any other picture with the silhouette flag
  // takes a straight blit, placed as straight blits are.
  const double angle = placement.angle;
  const bool transparent = (image.flags & IMGFLAG_TRANSPARENT) != 0;
  const bool silhouette = (placement.flags & PLACEMENT_FLAG_SILHOUETTE) != 0 && transparent;
  int32_t destX;
  int32_t destY;
  if (angle == 0.0 && !silhouette) {
    RECT box;
    PlacementBounds(&box, placement);
    destX = box.left;
    destY = box.top;
  } else {
    if (placement.radius <= 0) {
      placement.radius = BoundingRadius(placement.width, placement.height);
    }
    destX = placement.viewX - placement.radius;
    destY = placement.viewY - placement.radius;
  }

  // 5. Clip: the destination, cut to the placement's clip rectangle moved from layer to
  // screen coordinates.
  RECT clip{0, 0, dest.width, dest.height};
  if ((placement.flags & PLACEMENT_FLAG_CLIP) != 0) {
    RECT k = placement.clip;
    OffsetRect(&k, placement.viewX - placement.x, placement.viewY - placement.y);
    RECT cut;
    if (!IntersectRect(&cut, &k, &clip)) {
      return;
    }
    clip = cut;
  }

  uint32_t* d = dest.pixels;
  const int32_t dw = dest.width;
  const int32_t dh = dest.height;
  const uint32_t* src32 = reinterpret_cast<const uint32_t*>(src);
  const bool onOpaque = (placement.flags & PLACEMENT_FLAG_ON_OPAQUE) != 0;
  const bool smooth = (placement.flags & PLACEMENT_FLAG_SMOOTH) != 0;
  const bool hasAlpha = (image.flags & IMGFLAG_ALPHA) != 0;

  if (palettised) {
    // 6. Palettised pictures.
    if (image.palette == nullptr) {
      DrawLog("256color pic without rgbquad!");
      return;
    }
    const uint32_t key = image.transparent;
    const uint8_t* pal = image.palette;
    if (silhouette) {
      if (hasAlpha) {
        BlitImageSilhouettePal(d, destX, destY, dw, dh, clip, src, srcX, srcY, stride, srcHeight,
                               w, h, key, pal, angle, alpha, backColor);
      } else {
        BlitImageSilhouettePal8(d, destX, destY, dw, dh, clip, src, srcX, srcY, stride,
                                srcHeight, w, h, key, pal, angle, alpha, backColor);
      }
      return;
    }
    if (hasAlpha) {
      if (!sizeMatches) {
        return;
      }
      if (angle == 0.0) {
        if (onOpaque) {
          BlitImagePalAlphaOnOpaque(d, destX, destY, dw, dh, clip, src, srcX, srcY, stride,
                                    srcHeight, w, h, key, pal, alpha, backColor);
        } else {
          BlitImagePalAlpha(d, destX, destY, dw, dh, clip, src, srcX, srcY, stride, srcHeight, w,
                            h, key, pal, alpha, backColor);
        }
      } else if (smooth) {
        BlitImageSmoothPalAlpha(d, destX, destY, dw, dh, clip, src, srcX, srcY, stride,
                                srcHeight, w, h, pal, angle, alpha, backColor);
      } else {
        BlitImageRotatedPalAlpha(d, destX, destY, dw, dh, clip, src, srcX, srcY, stride,
                                 srcHeight, w, h, key, pal, angle, alpha, backColor);
      }
      return;
    }
    if (angle == 0.0) {
      BlitImagePal(d, destX, destY, dw, dh, clip, src, srcX, srcY, stride, srcHeight, w, h, key,
                   pal, alpha, backColor);
    } else if (smooth) {
      BlitImageSmoothPal(d, destX, destY, dw, dh, clip, src, srcX, srcY, stride, srcHeight, w, h,
                         pal, angle, alpha, backColor);
    } else {
      BlitImageRotatedPal(d, destX, destY, dw, dh, clip, src, srcX, srcY, stride, srcHeight, w,
                          h, key, pal, angle, alpha, backColor);
    }
    return;
  }

  // 7. 32-bit pictures.
  if (scaleByRows) {
    const RowScaler32 scaler(reinterpret_cast<const uint32_t*>(image.pixels), image.width, sourceX,
                             sourceY, sourceWidth, sourceHeight, w, h);
    std::vector<uint32_t> row(static_cast<size_t>(w));
    const int32_t first = std::max<int32_t>(0, clip.top - destY);
    const int32_t last = std::min<int32_t>(h, clip.bottom - destY);
    int64_t made = -1;
    for (int32_t i = first; i < last; ++i) {
      const int64_t sourceRow = scaler.SourceRow(i);
      if (sourceRow != made) {
        scaler.MakeRow(sourceRow, row.data());
        made = sourceRow;
      }
      const int32_t y = destY + i;
      if (hasAlpha) {
        if (onOpaque) {
          BlitImageRgbaAlphaOnOpaque(d, destX, y, dw, dh, clip, row.data(), 0, 0, w, 1, w, 1, alpha, backColor);
        } else {
          BlitImageRgbaAlpha(d, destX, y, dw, dh, clip, row.data(), 0, 0, w, 1, w, 1, alpha, backColor);
        }
      } else if (transparent || alpha < 1.0) {
        BlitImageRgba(d, destX, y, dw, dh, clip, row.data(), 0, 0, w, 1, w, 1, alpha, backColor);
      } else {
        BlitImageRgbaCopy(d, destX, y, dw, dh, clip, row.data(), 0, 0, w, 1, w, 1, alpha, backColor);
      }
    }
    return;
  }
  if (silhouette) {
    BlitImageSilhouetteRgba(d, destX, destY, dw, dh, clip, src32, srcX, srcY, stride, srcHeight,
                            w, h, angle, alpha, backColor);
    return;
  }
  if (hasAlpha) {
    if (angle == 0.0) {
      if (!sizeMatches) {
        return;
      }
      if (onOpaque) {
        BlitImageRgbaAlphaOnOpaque(d, destX, destY, dw, dh, clip, src32, srcX, srcY, stride,
                                   srcHeight, w, h, alpha, backColor);
      } else {
        BlitImageRgbaAlpha(d, destX, destY, dw, dh, clip, src32, srcX, srcY, stride, srcHeight,
                           w, h, alpha, backColor);
      }
    } else if (smooth) {
      BlitImageSmoothRgba(d, destX, destY, dw, dh, clip, src32, srcX, srcY, stride, srcHeight, w,
                          h, angle, alpha, backColor);
    } else {
      BlitImageRotatedRgbaAlpha(d, destX, destY, dw, dh, clip, src32, srcX, srcY, stride,
                                srcHeight, w, h, angle, alpha, backColor);
    }
    return;
  }
  if (angle == 0.0) {
    if (transparent || alpha < 1.0) {
      BlitImageRgba(d, destX, destY, dw, dh, clip, src32, srcX, srcY, stride, srcHeight, w, h,
                    alpha, backColor);
    } else {
      BlitImageRgbaCopy(d, destX, destY, dw, dh, clip, src32, srcX, srcY, stride, srcHeight, w,
                        h, alpha, backColor);
    }
  } else if (smooth) {
    BlitImageSmoothRgba(d, destX, destY, dw, dh, clip, src32, srcX, srcY, stride, srcHeight, w,
                        h, angle, alpha, backColor);
  } else {
    BlitImageRotatedRgba(d, destX, destY, dw, dh, clip, src32, srcX, srcY, stride, srcHeight, w,
                         h, angle, alpha, backColor);
  }
}

void DrawPointList(const PixelSurface& dest, int32_t originX, int32_t originY, int32_t clipLeft,
                   int32_t clipTop, int32_t clipRight, int32_t clipBottom,
                   const DotSetState* dots, double alpha) {
  if (dots == nullptr || dest.pixels == nullptr) {
    return;
  }
  const uint32_t o = BlitOpacityByte(alpha);
  for (const DotPoint* p = dots->first; p != nullptr; p = p->next) {
    if (p->x < clipLeft || p->x >= clipRight || p->y < clipTop || p->y >= clipBottom) {
      continue;
    }
    const int64_t dx = static_cast<int64_t>(p->x) - originX;
    const int64_t dy = static_cast<int64_t>(p->y) - originY;
    // The clip is the caller's; the surface bounds are checked as well.
    if (dx < 0 || dy < 0 || dx >= dest.width || dy >= dest.height) {
      continue;
    }
    uint8_t* d = reinterpret_cast<uint8_t*>(dest.pixels + dy * dest.width + dx);
    uint32_t w;
    if (o == 255) {
      if (p->alpha == 255) {
        d[0] = p->blue;
        d[1] = p->green;
        d[2] = p->red;
        d[3] = 255;
        continue;
      }
      w = p->alpha;
    } else {
      w = (o * p->alpha) >> 8;
    }
    d[0] = static_cast<uint8_t>((p->blue * w + d[0] * (255 - w)) >> 8);
    d[1] = static_cast<uint8_t>((p->green * w + d[1] * (255 - w)) >> 8);
    d[2] = static_cast<uint8_t>((p->red * w + d[2] * (255 - w)) >> 8);
    d[3] = 255;
  }
}
