// CRasterImage::Draw: paints the image into a device context. Opaque images at their own size
// go to the device in one SetDIBitsToDevice; stretched opaque images are resampled into a 24-bit
// DIB section first; images with transparency, an alpha layer or palette alpha are blended into
// a copy of what the device shows under them, which then goes back in one call.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "image/RasterImage.h"
#include "platform/gdi/Gdi.h"

namespace {

// A 24-bit bottom-up DIB section of the paint box's size, selected into its own memory DC.
class PaintSection {
 public:
  PaintSection(HDC hdc, long width, long height) {
    memset(&m_info, 0, sizeof(m_info));
    m_info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    m_info.bmiHeader.biWidth = static_cast<LONG>(width);
    m_info.bmiHeader.biHeight = static_cast<LONG>(height);
    m_info.bmiHeader.biPlanes = 1;
    m_info.bmiHeader.biBitCount = 24;
    m_info.bmiHeader.biCompression = BI_RGB;
    m_rowLength = (width * 24 + 31) / 32 * 4;
    m_info.bmiHeader.biSizeImage = static_cast<DWORD>(m_rowLength * height);
    m_dc = CreateCompatibleDC(hdc);
    if (!m_dc) return;
    void* bits = nullptr;
    m_bitmap = CreateDIBSection(m_dc, &m_info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!m_bitmap) return;
    m_bits = static_cast<BYTE*>(bits);
    m_old = SelectObject(m_dc, m_bitmap);
  }
  ~PaintSection() {
    if (m_old) SelectObject(m_dc, m_old);
    if (m_bitmap) DeleteObject(m_bitmap);
    if (m_dc) DeleteDC(m_dc);
  }
  PaintSection(const PaintSection&) = delete;
  PaintSection& operator=(const PaintSection&) = delete;

  HDC Dc() const { return m_dc; }
  BYTE* Bits() const { return m_bits; }
  // Row k counts from the bottom of the paint box, as the section stores its rows.
  BYTE* Row(long k) const { return m_bits + k * m_rowLength; }
  const BITMAPINFO* Info() const { return &m_info; }

 private:
  BITMAPINFO m_info;
  long m_rowLength = 0;
  HDC m_dc = nullptr;
  HBITMAP m_bitmap = nullptr;
  HGDIOBJ m_old = nullptr;
  BYTE* m_bits = nullptr;
};

}  // namespace

long CRasterImage::Draw(HDC hdc, const RECT& rect, RECT* clip, bool smooth) {
  return Draw(hdc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, clip,
              smooth);
}

long CRasterImage::Draw(HDC hdc, long x, long y, long width, long height, RECT* clip,
                        bool smooth) {
  if (!m_dib || !m_info.pixels || !hdc || width == 0 || height == 0) return 0;
  const long imageWidth = m_header.biWidth, imageHeight = m_header.biHeight;
  if (width < 0) width = imageWidth;
  if (height < 0) height = imageHeight;
  // The device takes int coordinates; a target beyond their range cannot be painted.
  const long LIMIT = 1L << 30;
  if (x < -LIMIT || x > LIMIT || y < -LIMIT || y > LIMIT || width > LIMIT || height > LIMIT) {
    return 0;
  }

  const int savedState = SaveDC(hdc);
  if (!savedState) return 0;
  RECT mainBox = {0, 0, 0, 0};
  if (clip) {
    GetClipBox(hdc, &mainBox);
    HRGN clipRegion = CreateRectRgnIndirect(clip);
    ExtSelectClipRgn(hdc, clipRegion, RGN_AND);
    DeleteObject(clipRegion);
  }
  RECT clipBox = {0, 0, 0, 0};
  GetClipBox(hdc, &clipBox);

  // The part of the target the device lets us paint.
  const long left = std::min<long>(clipBox.right, std::max<long>(clipBox.left, x));
  const long top = std::min<long>(clipBox.bottom, std::max<long>(clipBox.top, y));
  const long right = std::max<long>(clipBox.left, std::min<long>(clipBox.right, x + width));
  const long bottom = std::max<long>(clipBox.top, std::min<long>(clipBox.bottom, y + height));
  const long destWidth = right - left, destHeight = bottom - top;

  const bool blended = m_info.transIndex >= 0 || m_alpha || m_info.paletteAlpha;
  const bool unscaled = width == imageWidth && height == imageHeight;
  const bool indexed = m_header.biClrUsed != 0;
  const float fx = static_cast<float>(imageWidth) / static_cast<float>(width);
  const float fy = static_cast<float>(imageHeight) / static_cast<float>(height);

  // The source point of destination row k (from the paint box's bottom) and column j.
  auto sourceY = [&](long k) {
    return static_cast<float>(imageHeight) - static_cast<float>(bottom - k - y) * fy;
  };
  auto sourceX = [&](long j) { return static_cast<float>(left + j - x) * fx; };
  // Float rounding must not carry a source point past the image's last row or column.
  auto toRow = [&](float dy) {
    return std::clamp(static_cast<long>(std::floor(dy)), 0L, imageHeight - 1);
  };
  auto toColumn = [&](float dx) {
    return std::clamp(static_cast<long>(std::floor(dx)), 0L, imageWidth - 1);
  };
  auto smoothed = [&](float dx, float dy) {
    if (fx > 1.0f && fy > 1.0f) {
      return GetAreaColorInterpolated(dx - 0.5f, dy - 0.5f, fx, fy, IM_BILINEAR, OM_REPEAT,
                                      nullptr);
    }
    return GetPixelColorInterpolated(dx - 0.5f, dy - 0.5f, IM_BILINEAR, OM_REPEAT, nullptr);
  };

  if (!blended && unscaled) {
    // The image's own DIB is the bitmap information: header, palette, then the rows.
    SetStretchBltMode(hdc, COLORONCOLOR);
    SetDIBitsToDevice(hdc, static_cast<int>(x), static_cast<int>(y),
                      static_cast<DWORD>(imageWidth), static_cast<DWORD>(imageHeight), 0, 0, 0,
                      static_cast<UINT>(imageHeight), m_info.pixels,
                      reinterpret_cast<const BITMAPINFO*>(m_dib), DIB_RGB_COLORS);
  } else if (!blended) {
    if (destWidth > 0 && destHeight > 0) {
      PaintSection section(hdc, destWidth, destHeight);
      if (section.Bits()) {
        for (long k = 0; k < destHeight; k++) {
          const float dy = sourceY(k);
          const long sy = toRow(dy);
          BYTE* dst = section.Row(k);
          for (long j = 0; j < destWidth; j++) {
            const float dx = sourceX(j);
            RGBQUAD c;
            if (smooth) {
              c = smoothed(dx, dy);
            } else if (indexed) {
              c = GetPaletteColor(GetPixelIndex(toColumn(dx), sy));
            } else {
              const BYTE* p = m_info.pixels + static_cast<size_t>(sy) * m_info.effWidth +
                              static_cast<size_t>(toColumn(dx)) * 3;
              c.rgbBlue = p[0];
              c.rgbGreen = p[1];
              c.rgbRed = p[2];
            }
            *dst++ = c.rgbBlue;
            *dst++ = c.rgbGreen;
            *dst++ = c.rgbRed;
          }
        }
        SetDIBitsToDevice(hdc, static_cast<int>(left), static_cast<int>(top),
                          static_cast<DWORD>(destWidth), static_cast<DWORD>(destHeight), 0, 0, 0,
                          static_cast<UINT>(destHeight), section.Bits(), section.Info(),
                          DIB_RGB_COLORS);
      }
    }
  } else if (destWidth > 0 && destHeight > 0) {
    PaintSection section(hdc, destWidth, destHeight);
    if (section.Bits()) {
      BitBlt(section.Dc(), 0, 0, static_cast<int>(destWidth), static_cast<int>(destHeight), hdc,
             static_cast<int>(left), static_cast<int>(top), SRCCOPY);
      const RGBQUAD transColor = GetTransColor();
      const long transIndex = m_info.transIndex;
      const bool transparent = transIndex >= 0;
      const bool smoothLookup = smooth && !unscaled;
      for (long k = 0; k < destHeight; k++) {
        float dy = 0.0f;
        long sy;
        if (unscaled) {
          sy = imageHeight - bottom + y + k;
        } else {
          dy = sourceY(k);
          sy = toRow(dy);
        }
        BYTE* dst = section.Row(k);
        for (long j = 0; j < destWidth; j++, dst += 3) {
          float dx = 0.0f;
          long sx;
          if (unscaled) {
            sx = left - x + j;
          } else {
            dx = sourceX(j);
            sx = toColumn(dx);
          }
          long a = m_alpha ? AlphaGetUnchecked(sx, sy) : 255;
          RGBQUAD c;
          bool skip = false;
          if (indexed) {
            const BYTE ci = GetPixelIndex(sx, sy);
            const RGBQUAD entry = GetPaletteColor(ci);
            c = smoothLookup ? smoothed(dx, dy) : entry;
            // The palette's alpha comes from the pixel's own entry: a smoothed colour carries
            // no palette alpha in its fourth byte, and taking that 0 would make the whole image
            // vanish when it is stretched smoothly.
            if (m_info.paletteAlpha) a = (a * (entry.rgbReserved + 1)) >> 8;
            skip = transparent && ci == transIndex;
          } else {
            if (smoothLookup) {
              c = smoothed(dx, dy);
            } else {
              const BYTE* p = m_info.pixels + static_cast<size_t>(sy) * m_info.effWidth +
                              static_cast<size_t>(sx) * 3;
              c.rgbBlue = p[0];
              c.rgbGreen = p[1];
              c.rgbRed = p[2];
              c.rgbReserved = 0;
            }
            skip = transparent && c.rgbBlue == transColor.rgbBlue &&
                   c.rgbGreen == transColor.rgbGreen && c.rgbRed == transColor.rgbRed &&
                   c.rgbReserved == transColor.rgbReserved;
          }
          if (skip || a == 0) continue;
          if (a == 255) {
            dst[0] = c.rgbBlue;
            dst[1] = c.rgbGreen;
            dst[2] = c.rgbRed;
          } else {
            dst[0] = static_cast<BYTE>((c.rgbBlue * a + dst[0] * (255 - a)) >> 8);
            dst[1] = static_cast<BYTE>((c.rgbGreen * a + dst[1] * (255 - a)) >> 8);
            dst[2] = static_cast<BYTE>((c.rgbRed * a + dst[2] * (255 - a)) >> 8);
          }
        }
      }
      SetDIBitsToDevice(hdc, static_cast<int>(left), static_cast<int>(top),
                        static_cast<DWORD>(destWidth), static_cast<DWORD>(destHeight), 0, 0, 0,
                        static_cast<UINT>(destHeight), section.Bits(), section.Info(),
                        DIB_RGB_COLORS);
    }
  }

  if (clip) {
    HRGN mainRegion = CreateRectRgnIndirect(&mainBox);
    ExtSelectClipRgn(hdc, mainRegion, RGN_OR);
    DeleteObject(mainRegion);
  }
  RestoreDC(hdc, savedState);
  return 1;
}
