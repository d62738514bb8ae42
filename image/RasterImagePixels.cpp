// Palette, pixel, transparency, alpha-layer and selection-mask operations of CRasterImage. The
// engine's resource loader reads every decoded picture through these, so their results for
// points outside the image and for images without a palette are part of the contract.
#include <cstdlib>
#include <cstring>

#include "image/RasterImage.h"

// ---- Palette ----

RGBQUAD* CRasterImage::GetPalette() const {
  if (!m_dib || m_header.biClrUsed == 0) return nullptr;
  return reinterpret_cast<RGBQUAD*>(m_dib + m_header.biSize);
}

RGBQUAD CRasterImage::GetPaletteColor(BYTE index) const {
  RGBQUAD colour = {0, 0, 0, 0};
  RGBQUAD* palette = GetPalette();
  if (palette && index < m_header.biClrUsed) colour = palette[index];
  return colour;
}

void CRasterImage::SetPaletteColor(BYTE index, BYTE red, BYTE green, BYTE blue, BYTE alpha) {
  RGBQUAD* palette = GetPalette();
  if (palette && index < m_header.biClrUsed) {
    palette[index].rgbBlue = blue;
    palette[index].rgbGreen = green;
    palette[index].rgbRed = red;
    palette[index].rgbReserved = alpha;
  }
  m_info.nearestValid = false;
}

void CRasterImage::SetPalette(RGBQUAD* entries, DWORD n) {
  RGBQUAD* palette = GetPalette();
  if (!entries || !palette) return;
  DWORD bytes = n > m_header.biClrUsed ? GetPaletteSize() : n * sizeof(RGBQUAD);
  memmove(palette, entries, bytes);
  m_info.nearestValid = false;
}

void CRasterImage::SetPalette(DWORD n, BYTE* red, BYTE* green, BYTE* blue) {
  RGBQUAD* palette = GetPalette();
  if (!red || !palette) return;
  if (!green) green = red;
  if (!blue) blue = green;
  DWORD count = n < m_header.biClrUsed ? n : m_header.biClrUsed;
  for (DWORD i = 0; i < count; i++) {
    palette[i].rgbBlue = blue[i];
    palette[i].rgbGreen = green[i];
    palette[i].rgbRed = red[i];
  }
  m_info.nearestValid = false;
}

void CRasterImage::SetPaletteFromRGB(const BYTE* triples, DWORD n) {
  RGBQUAD* palette = GetPalette();
  if (!triples || !palette) return;
  DWORD count = n < m_header.biClrUsed ? n : m_header.biClrUsed;
  for (DWORD i = 0; i < count; i++) {
    palette[i].rgbRed = triples[i * 3];
    palette[i].rgbGreen = triples[i * 3 + 1];
    palette[i].rgbBlue = triples[i * 3 + 2];
  }
  m_info.nearestValid = false;
}

void CRasterImage::SetGrayPalette() {
  RGBQUAD* palette = GetPalette();
  DWORD n = m_header.biClrUsed;
  if (!palette || n < 2) return;
  for (DWORD i = 0; i < n; i++) {
    BYTE v = static_cast<BYTE>(i * (255 / (n - 1)));
    palette[i].rgbBlue = v;
    palette[i].rgbGreen = v;
    palette[i].rgbRed = v;
  }
  m_info.nearestValid = false;
}

bool CRasterImage::IsGrayScale() const {
  RGBQUAD* palette = GetPalette();
  if (!palette) return false;
  for (DWORD i = 0; i < m_header.biClrUsed; i++) {
    if (palette[i].rgbBlue != i || palette[i].rgbGreen != i || palette[i].rgbRed != i) return false;
  }
  return true;
}

void CRasterImage::SetClrImportant(DWORD n) {
  if (n == 0 || n > 256) {
    m_header.biClrImportant = 0;
    return;
  }
  switch (m_header.biBitCount) {
    case 1: m_header.biClrImportant = n < 2 ? n : 2; break;
    case 4: m_header.biClrImportant = n < 16 ? n : 16; break;
    case 8: m_header.biClrImportant = n; break;
    default: break;
  }
}

BYTE CRasterImage::GetNearestIndex(RGBQUAD colour) {
  RGBQUAD* palette = GetPalette();
  if (!palette) return 0;
  if (m_info.nearestValid && memcmp(&m_info.nearestColor, &colour, sizeof(colour)) == 0) {
    return m_info.nearestIndex;
  }
  m_info.nearestColor = colour;
  m_info.nearestValid = true;
  DWORD n = m_header.biClrImportant ? m_header.biClrImportant : m_header.biClrUsed;
  if (n > m_header.biClrUsed) n = m_header.biClrUsed;
  long best = 200000;
  BYTE bestIndex = 0;
  for (DWORD i = 0; i < n; i++) {
    long db = static_cast<long>(palette[i].rgbBlue) - colour.rgbBlue;
    long dg = static_cast<long>(palette[i].rgbGreen) - colour.rgbGreen;
    long dr = static_cast<long>(palette[i].rgbRed) - colour.rgbRed;
    long distance = db * db + dg * dg + dr * dr;
    if (distance == 0) {
      bestIndex = static_cast<BYTE>(i);
      break;
    }
    if (distance < best) {
      best = distance;
      bestIndex = static_cast<BYTE>(i);
    }
  }
  m_info.nearestIndex = bestIndex;
  return bestIndex;
}

// ---- Pixels ----

bool CRasterImage::IsInside(long x, long y) const {
  return x >= 0 && y >= 0 && x < m_header.biWidth && y < m_header.biHeight;
}

BYTE CRasterImage::GetPixelIndex(long x, long y) const {
  if (!m_dib || m_header.biClrUsed == 0) return 0;
  if (!IsInside(x, y)) {
    if (m_info.transIndex >= 0) return static_cast<BYTE>(m_info.transIndex);
    return m_info.pixels[0];
  }
  return GetPixelIndexUnchecked(x, y);
}

BYTE CRasterImage::GetPixelIndexUnchecked(long x, long y) const {
  const BYTE* row = m_info.pixels + static_cast<size_t>(y) * m_info.effWidth;
  switch (m_header.biBitCount) {
    case 8: return row[x];
    case 4: {
      BYTE b = row[x >> 1];
      return (x & 1) ? (b & 0x0F) : static_cast<BYTE>(b >> 4);
    }
    case 1: return static_cast<BYTE>((row[x >> 3] >> (7 - (x & 7))) & 1);
    default: return 0;
  }
}

void CRasterImage::SetPixelIndex(long x, long y, BYTE index) {
  if (!m_dib || m_header.biClrUsed == 0 || !IsInside(x, y)) return;
  SetPixelIndexUnchecked(x, y, index);
}

void CRasterImage::SetPixelIndexUnchecked(long x, long y, BYTE index) {
  BYTE* row = m_info.pixels + static_cast<size_t>(y) * m_info.effWidth;
  switch (m_header.biBitCount) {
    case 8: row[x] = index; break;
    case 4: {
      BYTE& b = row[x >> 1];
      if (x & 1) {
        b = static_cast<BYTE>((b & 0xF0) | (index & 0x0F));
      } else {
        b = static_cast<BYTE>((b & 0x0F) | ((index & 0x0F) << 4));
      }
      break;
    }
    case 1: {
      BYTE& b = row[x >> 3];
      BYTE bit = static_cast<BYTE>(0x80 >> (x & 7));
      b = (index & 1) ? static_cast<BYTE>(b | bit) : static_cast<BYTE>(b & ~bit);
      break;
    }
    default: break;
  }
}

RGBQUAD CRasterImage::GetPixelColorUnchecked(long x, long y, bool withAlpha) const {
  RGBQUAD colour;
  if (m_header.biClrUsed) {
    colour = GetPaletteColor(GetPixelIndexUnchecked(x, y));
  } else {
    const BYTE* p = m_info.pixels + static_cast<size_t>(y) * m_info.effWidth + x * 3;
    colour.rgbBlue = p[0];
    colour.rgbGreen = p[1];
    colour.rgbRed = p[2];
    colour.rgbReserved = 0;
  }
  if (withAlpha && m_alpha) colour.rgbReserved = AlphaGetUnchecked(x, y);
  return colour;
}

RGBQUAD CRasterImage::GetPixelColor(long x, long y, bool withAlpha) const {
  RGBQUAD colour = m_info.transColor;
  if (m_dib && IsInside(x, y)) {
    if (m_header.biClrUsed) {
      colour = GetPaletteColor(GetPixelIndexUnchecked(x, y));
    } else {
      const BYTE* p = m_info.pixels + static_cast<size_t>(y) * m_info.effWidth + x * 3;
      colour.rgbBlue = p[0];
      colour.rgbGreen = p[1];
      colour.rgbRed = p[2];
    }
    if (withAlpha && m_alpha) colour.rgbReserved = AlphaGetUnchecked(x, y);
    return colour;
  }
  if (m_info.transIndex >= 0) {
    if (m_header.biClrUsed) return GetPaletteColor(static_cast<BYTE>(m_info.transIndex));
    return m_info.transColor;
  }
  if (m_dib) return GetPixelColor(0, 0, true);
  return m_info.transColor;
}

void CRasterImage::SetPixelColor(long x, long y, RGBQUAD colour, bool withAlpha) {
  if (!m_dib || !IsInside(x, y)) return;
  SetPixelColorUnchecked(x, y, colour, withAlpha);
}

void CRasterImage::SetPixelColorUnchecked(long x, long y, RGBQUAD colour, bool withAlpha) {
  if (m_header.biClrUsed) {
    SetPixelIndexUnchecked(x, y, GetNearestIndex(colour));
  } else {
    BYTE* p = m_info.pixels + static_cast<size_t>(y) * m_info.effWidth + x * 3;
    p[0] = colour.rgbBlue;
    p[1] = colour.rgbGreen;
    p[2] = colour.rgbRed;
  }
  if (withAlpha) AlphaSet(x, y, colour.rgbReserved);
}

BYTE* CRasterImage::GetPixelPointerUnchecked(long x, long y) const {
  if (m_header.biClrUsed) return nullptr;
  return m_info.pixels + static_cast<size_t>(y) * m_info.effWidth + x * 3;
}

void CRasterImage::RGBtoBGR(BYTE* buffer, long length) {
  if (!buffer || m_header.biClrUsed != 0) return;
  long limit = length;
  if (limit > static_cast<long>(m_info.effWidth)) limit = static_cast<long>(m_info.effWidth);
  if (limit > 3 * static_cast<long>(m_header.biWidth)) limit = 3 * static_cast<long>(m_header.biWidth);
  // Only groups that lie whole inside the limit are swapped.
  for (long i = 0; i + 2 < limit; i += 3) {
    BYTE t = buffer[i];
    buffer[i] = buffer[i + 2];
    buffer[i + 2] = t;
  }
}

void CRasterImage::Clear(BYTE value) {
  if (!m_dib) return;
  if (m_header.biBitCount == 1 && value) value = 0xFF;
  if (m_header.biBitCount == 4) value = static_cast<BYTE>((value & 0x0F) * 0x11);
  memset(m_info.pixels, value, m_header.biSizeImage);
}

// The position of a mask's lowest bit and the width of the span up to its highest bit. False for
// an empty mask, which names no channel.
static bool MaskShape(DWORD mask, int* shift, int* width) {
  if (mask == 0) return false;
  *shift = __builtin_ctz(mask);
  *width = 32 - __builtin_clz(mask) - *shift;
  return true;
}

// Scales a channel value of `width` bits to 8 bits: shifted into the top bits, or its top 8 bits
// kept when it is wider. This is exact for 5-5-5 and 5-6-5 pixels.
static BYTE ChannelTo8(DWORD value, int width) {
  if (width >= 8) return static_cast<BYTE>(value >> (width - 8));
  return static_cast<BYTE>(value << (8 - width));
}

bool CRasterImage::BitfieldRowToRGB(const BYTE* source, BYTE* destination, long pixels, DWORD redMask,
                                    DWORD greenMask, DWORD blueMask, BYTE bpp) {
  int rShift, rWidth, gShift, gWidth, bShift, bWidth;
  if (!MaskShape(redMask, &rShift, &rWidth) || !MaskShape(greenMask, &gShift, &gWidth) ||
      !MaskShape(blueMask, &bShift, &bWidth)) {
    return false;
  }
  if (bpp == 16) {
    if (redMask > 0xFFFF || greenMask > 0xFFFF || blueMask > 0xFFFF) return false;
    // From the last pixel backwards: a 24-bit row that starts where its 16-bit source starts
    // (the in-place conversion) never overwrites a word before it has been read.
    for (long x = pixels - 1; x >= 0; x--) {
      DWORD w = static_cast<DWORD>(source[x * 2]) | (static_cast<DWORD>(source[x * 2 + 1]) << 8);
      destination[x * 3] = ChannelTo8((w & blueMask) >> bShift, bWidth);
      destination[x * 3 + 1] = ChannelTo8((w & greenMask) >> gShift, gWidth);
      destination[x * 3 + 2] = ChannelTo8((w & redMask) >> rShift, rWidth);
    }
    return true;
  }
  if (bpp == 32) {
    // Each channel is the highest byte its mask reaches into.
    int rByte = (rShift + rWidth - 1) / 8, gByte = (gShift + gWidth - 1) / 8,
        bByte = (bShift + bWidth - 1) / 8;
    for (long x = pixels - 1; x >= 0; x--) {
      const BYTE* p = source + x * 4;
      BYTE b = p[bByte], g = p[gByte], r = p[rByte];
      destination[x * 3] = b;
      destination[x * 3 + 1] = g;
      destination[x * 3 + 2] = r;
    }
    return true;
  }
  return false;
}

bool CRasterImage::BitfieldToRGB(BYTE* source, DWORD redMask, DWORD greenMask, DWORD blueMask,
                                 BYTE bpp) {
  if (!m_dib || !source || m_header.biBitCount != 24 || (bpp != 16 && bpp != 32)) return false;
  const long width = m_header.biWidth;
  const long height = m_header.biHeight;
  const size_t sourceWidth = bpp == 16 ? static_cast<size_t>((width + 1) / 2) * 4 : static_cast<size_t>(width) * 4;
  // In place from the last row backwards: each 24-bit row is at least as long as its source row.
  for (long y = height - 1; y >= 0; y--) {
    if (!BitfieldRowToRGB(source + static_cast<size_t>(y) * sourceWidth,
                          m_info.pixels + static_cast<size_t>(y) * m_info.effWidth, width, redMask, greenMask,
                          blueMask, bpp)) {
      return false;
    }
  }
  return true;
}

bool CRasterImage::Negative() {
  if (!m_dib) return false;
  if (m_header.biBitCount == 24) {
    if (m_selection) {
      for (long y = m_info.selectionBox.bottom; y < m_info.selectionBox.top; y++) {
        for (long x = m_info.selectionBox.left; x < m_info.selectionBox.right; x++) {
          if (!IsInside(x, y) || !SelectionIsInside(x, y)) continue;
          BYTE* p = GetPixelPointerUnchecked(x, y);
          p[0] = static_cast<BYTE>(255 - p[0]);
          p[1] = static_cast<BYTE>(255 - p[1]);
          p[2] = static_cast<BYTE>(255 - p[2]);
        }
      }
    } else {
      for (DWORD i = 0; i < m_header.biSizeImage; i++) m_info.pixels[i] = static_cast<BYTE>(255 - m_info.pixels[i]);
    }
    m_info.transColor.rgbBlue = static_cast<BYTE>(255 - m_info.transColor.rgbBlue);
    m_info.transColor.rgbGreen = static_cast<BYTE>(255 - m_info.transColor.rgbGreen);
    m_info.transColor.rgbRed = static_cast<BYTE>(255 - m_info.transColor.rgbRed);
    return true;
  }
  if (!IsGrayScale()) {
    RGBQUAD* palette = GetPalette();
    for (DWORD i = 0; palette && i < m_header.biClrUsed; i++) {
      palette[i].rgbBlue = static_cast<BYTE>(255 - palette[i].rgbBlue);
      palette[i].rgbGreen = static_cast<BYTE>(255 - palette[i].rgbGreen);
      palette[i].rgbRed = static_cast<BYTE>(255 - palette[i].rgbRed);
    }
    m_info.nearestValid = false;
    return true;
  }
  if (m_selection) {
    for (long y = m_info.selectionBox.bottom; y < m_info.selectionBox.top; y++) {
      for (long x = m_info.selectionBox.left; x < m_info.selectionBox.right; x++) {
        if (!IsInside(x, y) || !SelectionIsInside(x, y)) continue;
        SetPixelIndexUnchecked(x, y, static_cast<BYTE>(255 - GetPixelIndexUnchecked(x, y)));
      }
    }
  } else {
    for (DWORD i = 0; i < m_header.biSizeImage; i++) m_info.pixels[i] = static_cast<BYTE>(255 - m_info.pixels[i]);
  }
  return true;
}

// ---- Transparency ----

void CRasterImage::SetTransIndex(long index) {
  if (m_header.biBitCount == 24 || m_header.biClrUsed == 0) {
    m_info.transIndex = index >= 0 ? 0 : static_cast<LONG>(index);
    return;
  }
  m_info.transIndex = index < static_cast<long>(m_header.biClrUsed) ? static_cast<LONG>(index) : 0;
}

RGBQUAD CRasterImage::GetTransColor() const {
  if (m_header.biBitCount < 24 && m_info.transIndex >= 0) {
    return GetPaletteColor(static_cast<BYTE>(m_info.transIndex));
  }
  return m_info.transColor;
}

void CRasterImage::SetTransColor(RGBQUAD colour) {
  colour.rgbReserved = 0;
  m_info.transColor = colour;
}

// ---- Alpha layer ----

bool CRasterImage::AlphaCreate() {
  if (!m_alpha && m_dib) {
    size_t size = static_cast<size_t>(GetWidth()) * GetHeight();
    m_alpha = static_cast<BYTE*>(malloc(size));
    if (m_alpha) memset(m_alpha, 255, size);
  }
  return m_alpha != nullptr;
}

void CRasterImage::AlphaDelete() {
  free(m_alpha);
  m_alpha = nullptr;
}

void CRasterImage::AlphaInvert() {
  if (!m_alpha) return;
  size_t size = static_cast<size_t>(GetWidth()) * GetHeight();
  for (size_t i = 0; i < size; i++) m_alpha[i] = static_cast<BYTE>(255 - m_alpha[i]);
}

void CRasterImage::AlphaSet(long x, long y, BYTE value) {
  if (m_alpha && IsInside(x, y)) m_alpha[static_cast<size_t>(y) * m_header.biWidth + x] = value;
}

BYTE CRasterImage::AlphaGet(long x, long y) const {
  if (m_alpha && IsInside(x, y)) return m_alpha[static_cast<size_t>(y) * m_header.biWidth + x];
  return 0;
}

BYTE* CRasterImage::AlphaGetPointer(long x, long y) const {
  if (m_alpha && IsInside(x, y)) return m_alpha + static_cast<size_t>(y) * m_header.biWidth + x;
  return nullptr;
}

BYTE CRasterImage::AlphaGetUnchecked(long x, long y) const {
  return m_alpha[static_cast<size_t>(y) * m_header.biWidth + x];
}

bool CRasterImage::AlphaSetFromImage(const CRasterImage& source) {
  if (!source.IsGrayScale() || !m_dib || source.GetWidth() != GetWidth() ||
      source.GetHeight() != GetHeight() || source.GetBpp() != 8) {
    return false;
  }
  if (!AlphaCreate()) return false;
  DWORD width = GetWidth();
  for (DWORD y = 0; y < GetHeight(); y++) {
    memcpy(m_alpha + static_cast<size_t>(y) * width,
           source.m_info.pixels + static_cast<size_t>(y) * source.m_info.effWidth, width);
  }
  return true;
}

// Reverses the order of the rows of a width x height byte layer.
static bool FlipLayer(BYTE* layer, DWORD width, DWORD height) {
  BYTE* row = static_cast<BYTE*>(malloc(width ? width : 1));
  if (!row) return false;
  for (DWORD i = 0; i < height / 2; i++) {
    BYTE* a = layer + static_cast<size_t>(i) * width;
    BYTE* b = layer + static_cast<size_t>(height - 1 - i) * width;
    memcpy(row, a, width);
    memcpy(a, b, width);
    memcpy(b, row, width);
  }
  free(row);
  return true;
}

// Reverses every row of a width x height byte layer into a new layer.
static BYTE* MirrorLayer(const BYTE* layer, DWORD width, DWORD height) {
  size_t size = static_cast<size_t>(width) * height;
  BYTE* mirrored = static_cast<BYTE*>(malloc(size ? size : 1));
  if (!mirrored) return nullptr;
  for (DWORD y = 0; y < height; y++) {
    const BYTE* src = layer + static_cast<size_t>(y) * width;
    BYTE* dst = mirrored + static_cast<size_t>(y) * width;
    for (DWORD x = 0; x < width; x++) dst[x] = src[width - 1 - x];
  }
  return mirrored;
}

bool CRasterImage::AlphaFlip() {
  if (!m_alpha) return false;
  return FlipLayer(m_alpha, GetWidth(), GetHeight());
}

bool CRasterImage::AlphaMirror() {
  if (!m_alpha) return false;
  BYTE* mirrored = MirrorLayer(m_alpha, GetWidth(), GetHeight());
  if (!mirrored) return false;
  free(m_alpha);
  m_alpha = mirrored;
  return true;
}

// ---- Selection mask ----

bool CRasterImage::SelectionCreate() {
  SelectionDelete();
  if (m_dib) m_selection = static_cast<BYTE*>(calloc(1, static_cast<size_t>(GetWidth()) * GetHeight()));
  return m_selection != nullptr;
}

void CRasterImage::SelectionDelete() {
  free(m_selection);
  m_selection = nullptr;
  // A box that contains nothing.
  m_info.selectionBox.left = m_header.biWidth;
  m_info.selectionBox.top = 0;
  m_info.selectionBox.right = 0;
  m_info.selectionBox.bottom = m_header.biHeight;
}

bool CRasterImage::SelectionIsInside(long x, long y) const {
  if (!m_selection) return true;
  return m_selection[static_cast<size_t>(y) * m_header.biWidth + x] != 0;
}

void CRasterImage::SelectionSet(long x, long y, BYTE level) {
  if (m_selection && IsInside(x, y)) m_selection[static_cast<size_t>(y) * m_header.biWidth + x] = level;
}

BYTE CRasterImage::SelectionGetUnchecked(long x, long y) const {
  return m_selection[static_cast<size_t>(y) * m_header.biWidth + x];
}

bool CRasterImage::SelectionFlip() {
  if (!m_selection) return false;
  if (!FlipLayer(m_selection, GetWidth(), GetHeight())) return false;
  LONG height = m_header.biHeight;
  LONG top = m_info.selectionBox.top;
  m_info.selectionBox.top = height - m_info.selectionBox.bottom;
  m_info.selectionBox.bottom = height - top;
  return true;
}

bool CRasterImage::SelectionMirror() {
  if (!m_selection) return false;
  BYTE* mirrored = MirrorLayer(m_selection, GetWidth(), GetHeight());
  if (!mirrored) return false;
  free(m_selection);
  m_selection = mirrored;
  LONG width = m_header.biWidth;
  LONG right = m_info.selectionBox.right;
  m_info.selectionBox.right = width - m_info.selectionBox.left;
  m_info.selectionBox.left = width - right;
  return true;
}
