// Flips and quarter turns of CRasterImage, used by the decoders to bring a picture upright.
#include <cstdlib>
#include <cstring>

#include "image/RasterImage.h"

bool CRasterImage::Flip(bool flipSelection, bool flipAlpha) {
  if (!m_dib || !m_info.pixels) return false;
  DWORD effWidth = m_info.effWidth;
  BYTE* row = static_cast<BYTE*>(malloc(effWidth));
  if (!row) return false;
  DWORD height = GetHeight();
  for (DWORD i = 0; i < height / 2; i++) {
    BYTE* a = m_info.pixels + static_cast<size_t>(i) * effWidth;
    BYTE* b = m_info.pixels + static_cast<size_t>(height - 1 - i) * effWidth;
    memcpy(row, a, effWidth);
    memcpy(a, b, effWidth);
    memcpy(b, row, effWidth);
  }
  free(row);
  if (flipSelection) SelectionFlip();
  if (flipAlpha) AlphaFlip();
  return true;
}

bool CRasterImage::Mirror(bool mirrorSelection, bool mirrorAlpha) {
  if (!m_dib || !m_info.pixels) return false;
  CRasterImage* mirrored = new CRasterImage(*this, false, true, true);
  if (!mirrored->IsValid()) {
    delete mirrored;
    return false;
  }
  long width = m_header.biWidth;
  long height = m_header.biHeight;
  DWORD effWidth = m_info.effWidth;
  for (long y = 0; y < height; y++) {
    const BYTE* src = m_info.pixels + static_cast<size_t>(y) * effWidth;
    BYTE* dst = mirrored->m_info.pixels + static_cast<size_t>(y) * effWidth;
    switch (m_header.biBitCount) {
      case 24:
        for (long x = 0; x < width; x++) memcpy(dst + x * 3, src + (width - 1 - x) * 3, 3);
        break;
      case 8:
        for (long x = 0; x < width; x++) dst[x] = src[width - 1 - x];
        break;
      default:
        for (long x = 0; x < width; x++) {
          mirrored->SetPixelIndexUnchecked(x, y, GetPixelIndexUnchecked(width - 1 - x, y));
        }
        break;
    }
  }
  if (mirrorSelection) mirrored->SelectionMirror();
  if (mirrorAlpha) mirrored->AlphaMirror();
  Transfer(*mirrored, true);
  delete mirrored;
  return true;
}

bool CRasterImage::RotateLeft(CRasterImage* destination) {
  return Rotate(destination, true);
}

bool CRasterImage::RotateRight(CRasterImage* destination) {
  return Rotate(destination, false);
}

bool CRasterImage::Rotate(CRasterImage* destination, bool left) {
  if (!m_dib || !m_info.pixels) return false;
  const long oldWidth = m_header.biWidth;
  const long oldHeight = m_header.biHeight;
  CRasterImage turned;
  turned.CopyInfo(*this);
  if (!turned.Create(static_cast<DWORD>(oldHeight), static_cast<DWORD>(oldWidth), GetBpp(),
                     GetType())) {
    return Fail(turned.GetLastError());
  }
  turned.SetPalette(GetPalette(), 256);
  if (m_alpha && !turned.AlphaCreate()) return false;
  if (m_selection && !turned.SelectionCreate()) return false;
  const long newWidth = oldHeight;
  const long newHeight = oldWidth;
  // new (x, y) takes old (ox, oy).
  auto source = [&](long x, long y, long* ox, long* oy) {
    if (left) {
      *ox = y;
      *oy = oldHeight - 1 - x;
    } else {
      *ox = oldWidth - 1 - y;
      *oy = x;
    }
  };
  const WORD bpp = GetBpp();
  if (bpp == 1) {
    // The new pixels start cleared (Create zeroes them); each set bit is ORed in.
    for (long oy = 0; oy < oldHeight; oy++) {
      for (long ox = 0; ox < oldWidth; ox++) {
        if (!GetPixelIndexUnchecked(ox, oy)) continue;
        long x = left ? oldHeight - 1 - oy : oy;
        long y = left ? ox : oldWidth - 1 - ox;
        BYTE* row = turned.m_info.pixels + static_cast<size_t>(y) * turned.m_info.effWidth;
        row[x >> 3] = static_cast<BYTE>(row[x >> 3] | (0x80 >> (x & 7)));
      }
    }
  } else {
    // Blocks of 64 x 64 new pixels keep both the source rows and the destination columns in a
    // small working set. Within a block each new row is written left to right from one column of
    // the old picture, walked by a fixed step through its rows, with no call per pixel.
    const long BLOCK = 64;
    const size_t oldStride = m_info.effWidth;
    const size_t newStride = turned.m_info.effWidth;
    for (long bx = 0; bx < newWidth; bx += BLOCK) {
      for (long by = 0; by < newHeight; by += BLOCK) {
        long xEnd = bx + BLOCK < newWidth ? bx + BLOCK : newWidth;
        long yEnd = by + BLOCK < newHeight ? by + BLOCK : newHeight;
        for (long y = by; y < yEnd; y++) {
          long ox, oy;
          source(bx, y, &ox, &oy);
          // Along a new row the old row moves by one each step (down when turning left); the
          // old column stays.
          const ptrdiff_t step = left ? -static_cast<ptrdiff_t>(oldStride) : static_cast<ptrdiff_t>(oldStride);
          if (bpp == 24) {
            const BYTE* from = m_info.pixels + static_cast<size_t>(oy) * oldStride + static_cast<size_t>(ox) * 3;
            BYTE* to = turned.m_info.pixels + static_cast<size_t>(y) * newStride + static_cast<size_t>(bx) * 3;
            for (long x = bx; x < xEnd; x++, from += step, to += 3) {
              to[0] = from[0];
              to[1] = from[1];
              to[2] = from[2];
            }
          } else if (bpp == 8) {
            const BYTE* from = m_info.pixels + static_cast<size_t>(oy) * oldStride + static_cast<size_t>(ox);
            BYTE* to = turned.m_info.pixels + static_cast<size_t>(y) * newStride + static_cast<size_t>(bx);
            for (long x = bx; x < xEnd; x++, from += step) *to++ = *from;
          } else {
            for (long x = bx; x < xEnd; x++) {
              source(x, y, &ox, &oy);
              turned.SetPixelIndexUnchecked(x, y, GetPixelIndexUnchecked(ox, oy));
            }
          }
        }
      }
    }
  }
  // The alpha and selection layers are one byte a pixel without padding: the same walk.
  auto turnLayer = [&](const BYTE* from, BYTE* to) {
    const ptrdiff_t step = left ? -static_cast<ptrdiff_t>(oldWidth) : static_cast<ptrdiff_t>(oldWidth);
    const long BLOCK = 64;
    for (long bx = 0; bx < newWidth; bx += BLOCK) {
      const long xEnd = bx + BLOCK < newWidth ? bx + BLOCK : newWidth;
      for (long y = 0; y < newHeight; y++) {
        long ox, oy;
        source(bx, y, &ox, &oy);
        const BYTE* f = from + static_cast<size_t>(oy) * oldWidth + ox;
        BYTE* t = to + static_cast<size_t>(y) * newWidth + bx;
        for (long x = bx; x < xEnd; x++, f += step) *t++ = *f;
      }
    }
  };
  if (m_alpha) turnLayer(m_alpha, turned.m_alpha);
  if (m_selection) turnLayer(m_selection, turned.m_selection);
  if (m_selection) {
    // The box follows the same mapping; its edges are exclusive on the right and the top.
    const RECT& b = m_info.selectionBox;
    RECT& n = turned.m_info.selectionBox;
    if (left) {
      n.left = oldHeight - b.top;
      n.right = oldHeight - b.bottom;
      n.bottom = b.left;
      n.top = b.right;
    } else {
      n.left = b.bottom;
      n.right = b.top;
      n.bottom = oldWidth - b.right;
      n.top = oldWidth - b.left;
    }
  }
  (destination ? destination : this)->Transfer(turned, true);
  return true;
}
