#include "image/RasterImageICO.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "image/RasterFileReader.h"

using raster::ReadExact;
using raster::ReadLE16;
using raster::ReadLE32;

namespace {

struct IconEntry {
  BYTE width;
  BYTE height;
  BYTE colourCount;
  BYTE reserved;
  WORD planes;
  WORD bitCount;
  DWORD bytes;
  DWORD offset;
};

bool ReadEntry(CRasterFile* file, IconEntry* entry) {
  BYTE b[16];
  if (!ReadExact(file, b, sizeof(b))) return false;
  entry->width = b[0];
  entry->height = b[1];
  entry->colourCount = b[2];
  entry->reserved = b[3];
  entry->planes = static_cast<WORD>(b[4] | (b[5] << 8));
  entry->bitCount = static_cast<WORD>(b[6] | (b[7] << 8));
  entry->bytes = static_cast<DWORD>(b[8]) | (static_cast<DWORD>(b[9]) << 8) |
                 (static_cast<DWORD>(b[10]) << 16) | (static_cast<DWORD>(b[11]) << 24);
  entry->offset = static_cast<DWORD>(b[12]) | (static_cast<DWORD>(b[13]) << 8) |
                  (static_cast<DWORD>(b[14]) << 16) | (static_cast<DWORD>(b[15]) << 24);
  return true;
}

}  // namespace

bool CRasterImageICO::Decode(CRasterFile* file) {
  if (!file) return false;
  const long start = file->Tell();
  WORD reserved, kind, count;
  if (!ReadLE16(file, &reserved) || !ReadLE16(file, &kind) || !ReadLE16(file, &count)) return false;
  if (reserved != 0 || (kind != 1 && kind != 2)) return false;
  m_info.numFrames = count;

  // The directory lives for this one decode and goes on every path.
  std::unique_ptr<IconEntry[]> directory(new IconEntry[count ? count : 1]);
  for (WORD i = 0; i < count; i++) {
    if (!ReadEntry(file, &directory[i])) return Fail("corrupted ICO");
  }
  if (m_info.frame < 0 || m_info.frame >= count) return false;
  const IconEntry& entry = directory[m_info.frame];
  if (!file->Seek(start + static_cast<long>(entry.offset), 0)) return Fail("corrupted ICO");

  // An entry stored as a complete PNG stream is known by its signature, whatever its size (the
  // large ones always are, smaller ones may be).
  static const BYTE PNG_SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  BYTE signature[8] = {};
  const bool isPng = ReadExact(file, signature, sizeof signature) && memcmp(signature, PNG_SIGNATURE, 8) == 0;
  if (!file->Seek(start + static_cast<long>(entry.offset), 0)) return Fail("corrupted ICO");
  if (isPng || (entry.width == 0 && entry.height == 0)) {
    CRasterImage png;
    if (!png.Decode(file, RASTER_FORMAT_PNG)) return Fail(png.GetLastError());
    Transfer(png, true);
    m_info.numFrames = count;
    m_info.type = RASTER_FORMAT_ICO;
    return true;
  }

  BITMAPINFOHEADER header;
  memset(&header, 0, sizeof(header));
  if (!ReadLE32(file, &header.biSize) || !ReadLE32(file, &header.biWidth) ||
      !ReadLE32(file, &header.biHeight) || !ReadLE16(file, &header.biPlanes) ||
      !ReadLE16(file, &header.biBitCount) || !ReadLE32(file, &header.biCompression) ||
      !ReadLE32(file, &header.biSizeImage) || !ReadLE32(file, &header.biXPelsPerMeter) ||
      !ReadLE32(file, &header.biYPelsPerMeter) || !ReadLE32(file, &header.biClrUsed) ||
      !ReadLE32(file, &header.biClrImportant)) {
    return Fail("corrupted ICO");
  }
  // The header's height counts the colour rows and the mask together; the directory's is used.
  if (!Create(entry.width, entry.height, header.biBitCount, RASTER_FORMAT_ICO)) return Fail("");
  const DWORD width = GetWidth();
  const DWORD height = GetHeight();

  const DWORD colours = header.biClrUsed ? header.biClrUsed : GetPaletteSize() / sizeof(RGBQUAD);
  if (colours) {
    // At most 256 entries are kept; entries beyond are read past, never stored.
    RGBQUAD entries[256];
    memset(entries, 0, sizeof(entries));
    const DWORD kept = colours < 256 ? colours : 256;
    if (!ReadExact(file, entries, static_cast<size_t>(kept) * sizeof(RGBQUAD))) {
      return Fail("corrupted ICO");
    }
    if (colours > kept && !raster::Skip(file, static_cast<long>(colours - kept) * 4)) {
      return Fail("corrupted ICO");
    }
    SetPalette(entries, kept);
  }

  if (header.biBitCount > 24) {
    size_t size = static_cast<size_t>(width) * height * 4;
    std::unique_ptr<BYTE[]> block(new BYTE[size]);
    if (!ReadExact(file, block.get(), size)) return Fail("corrupted ICO");
    if (!AlphaCreate()) return Fail("can't allocate memory");
    for (DWORD y = 0; y < height; y++) {
      BYTE* row = GetBits(y);
      for (DWORD x = 0; x < width; x++) {
        const BYTE* p = block.get() + (static_cast<size_t>(y) * width + x) * 4;
        row[x * 3] = p[0];
        row[x * 3 + 1] = p[1];
        row[x * 3 + 2] = p[2];
        AlphaSet(static_cast<long>(x), static_cast<long>(y), p[3]);
      }
    }
  } else if (!ReadExact(file, m_info.pixels, m_header.biSizeImage)) {
    return Fail("corrupted ICO");
  }

  const DWORD maskRow = ((width + 31) / 32) * 4;
  const size_t maskSize = static_cast<size_t>(maskRow) * height;
  std::unique_ptr<BYTE[]> mask(new BYTE[maskSize]);
  // An icon without a complete mask is drawn without transparency.
  if (ReadExact(file, mask.get(), maskSize)) ApplyMask(mask.get(), maskRow, header.biBitCount);
  return true;
}

void CRasterImageICO::ApplyMask(const BYTE* mask, DWORD maskRow, WORD headerBitCount) {
  const long width = static_cast<long>(GetWidth());
  const long height = static_cast<long>(GetHeight());
  const size_t maskSize = static_cast<size_t>(maskRow) * height;
  auto masked = [&](long x, long y) {
    return (mask[static_cast<size_t>(y) * maskRow + (x >> 3)] >> (7 - (x & 7))) & 1;
  };

  bool allSet = true;
  for (size_t i = 0; i < maskSize && allSet; i++) allSet = mask[i] == 0xFF;
  if (allSet) {
    m_info.transIndex = 0;
    Negative();
    return;
  }

  // Alpha: masked pixels are fully transparent. A 32-bit entry keeps the alpha it brought.
  const bool hadAlpha = AlphaIsValid();
  if (!hadAlpha && !AlphaCreate()) return;
  bool anyMasked = false;
  for (long y = 0; y < height; y++) {
    for (long x = 0; x < width; x++) {
      if (masked(x, y)) {
        AlphaSet(x, y, 0);
        anyMasked = true;
      }
    }
  }
  if (!anyMasked) {
    if (!hadAlpha) AlphaDelete();
    return;
  }

  // When every masked pixel has one and the same colour, that colour is the transparent one.
  bool first = true;
  bool single = true;
  DWORD colour = 0;
  BYTE index = 0;
  for (long y = 0; y < height && single; y++) {
    for (long x = 0; x < width; x++) {
      if (!masked(x, y)) continue;
      RGBQUAD c = GetPixelColor(x, y, false);
      DWORD value;
      memcpy(&value, &c, sizeof(value));
      if (first) {
        colour = value;
        index = GetPixelIndex(x, y);
        first = false;
      } else if (value != colour) {
        single = false;
        break;
      }
    }
  }
  if (single) {
    memcpy(&m_info.transColor, &colour, sizeof(colour));
    m_info.transIndex = index;
    AlphaDelete();
  }

  // A palette index that no pixel uses can stand for every masked pixel.
  if (headerBitCount <= 8 && IsIndexed()) {
    bool used[256] = {};
    for (long y = 0; y < height; y++) {
      for (long x = 0; x < width; x++) used[GetPixelIndexUnchecked(x, y)] = true;
    }
    const long colours = static_cast<long>(GetPaletteSize() / sizeof(RGBQUAD));
    for (long spare = colours - 1; spare >= 0; spare--) {
      if (used[spare]) continue;
      bool changed = false;
      for (long y = 0; y < height; y++) {
        for (long x = 0; x < width; x++) {
          if (!masked(x, y)) continue;
          SetPixelIndexUnchecked(x, y, static_cast<BYTE>(spare));
          changed = true;
        }
      }
      if (changed) m_info.transIndex = spare;
      AlphaDelete();
      break;
    }
  }
}
