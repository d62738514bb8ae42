#include "image/RasterImageBMP.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <algorithm>

#include "image/RasterFileReader.h"

using raster::ReadExact;
using raster::ReadLE16;
using raster::ReadLE32;
using raster::Skip;

namespace {

// The size in bytes of `rows` rows of this width and depth, each padded to 4 bytes, in 128 bits
// so that no header value can overflow it.
__int128 PaddedSize(int64_t width, int64_t bitCount, int64_t rows) {
  return static_cast<__int128>((bitCount * width + 31) / 32) * 4 * rows;
}

long PelsToDpi(LONG pelsPerMeter) {
  return static_cast<long>(floor(pelsPerMeter * 0.0254 + 0.5));
}

}  // namespace

bool CRasterImageBMP::ReadBitmapInfo(CRasterFile* file, BITMAPINFOHEADER* header) {
  if (!file || !header) return false;
  memset(header, 0, sizeof(*header));
  // The size comes first and says how much of a header follows, so that a core header is never
  // read past its 12 bytes.
  if (!ReadLE32(file, &header->biSize)) return false;
  if (header->biSize == sizeof(BITMAPCOREHEADER)) {
    WORD width, height, planes, bitCount;
    if (!ReadLE16(file, &width) || !ReadLE16(file, &height) || !ReadLE16(file, &planes) ||
        !ReadLE16(file, &bitCount)) {
      return false;
    }
    header->biWidth = width;
    header->biHeight = height;
    header->biPlanes = planes;
    header->biBitCount = bitCount;
  } else if (header->biSize >= sizeof(BITMAPINFOHEADER)) {
    if (!ReadLE32(file, &header->biWidth) || !ReadLE32(file, &header->biHeight) ||
        !ReadLE16(file, &header->biPlanes) || !ReadLE16(file, &header->biBitCount) ||
        !ReadLE32(file, &header->biCompression) || !ReadLE32(file, &header->biSizeImage) ||
        !ReadLE32(file, &header->biXPelsPerMeter) || !ReadLE32(file, &header->biYPelsPerMeter) ||
        !ReadLE32(file, &header->biClrUsed) || !ReadLE32(file, &header->biClrImportant)) {
      return false;
    }
    if (header->biSize == 64) {
      if (!Skip(file, 64 - 40)) return false;
    } else if (header->biSize > 40) {
      __int128 needed = PaddedSize(header->biWidth, header->biBitCount, header->biHeight);
      if (static_cast<__int128>(header->biSizeImage) < needed || header->biPlanes != 1 ||
          header->biClrUsed != 0) {
        return false;
      }
      // With bit fields the three masks lie right behind the first 40 bytes.
      if (header->biCompression == BI_RGB && !Skip(file, static_cast<long>(header->biSize) - 40)) {
        return false;
      }
    }
  } else {
    return false;
  }
  SwapInfoHeader(header);
  // Only these depths have a pixel layout; any other would leave the image undefined.
  switch (header->biBitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return false;
  }
  if (header->biHeight == INT_MIN) return false;
  if (header->biSizeImage == 0) {
    __int128 size = PaddedSize(header->biWidth, header->biBitCount,
                               std::abs(static_cast<int64_t>(header->biHeight)));
    header->biSizeImage = size > 0 && size <= UINT32_MAX ? static_cast<DWORD>(size) : 0;
  }
  if (header->biClrUsed == 0 && header->biBitCount <= 8) header->biClrUsed = 1u << header->biBitCount;
  return true;
}

bool CRasterImageBMP::Decode(CRasterFile* file) {
  if (!file) return false;
  const long start = file->Tell();
  BYTE fileHeader[14];
  if (!ReadExact(file, fileHeader, sizeof(fileHeader))) return Fail("Not a BMP");
  WORD type = static_cast<WORD>(fileHeader[0] | (fileHeader[1] << 8));
  DWORD pixelOffset = static_cast<DWORD>(fileHeader[10]) | (static_cast<DWORD>(fileHeader[11]) << 8) |
                      (static_cast<DWORD>(fileHeader[12]) << 16) | (static_cast<DWORD>(fileHeader[13]) << 24);
  if (SwapIfBigEndian16(type) != 0x4D42) {
    // A bare information header without a file header; the pixels follow the palette.
    pixelOffset = 0;
    if (!file->Seek(start, 0)) return Fail("Not a BMP");
  }

  BITMAPINFOHEADER info;
  if (!ReadBitmapInfo(file, &info)) return Fail("Error reading BMP info");
  const bool core = info.biSize == sizeof(BITMAPCOREHEADER);
  bool topDown = false;
  if (info.biHeight < 0) {
    topDown = true;
    info.biHeight = -info.biHeight;
  }

  if (!Create(static_cast<DWORD>(info.biWidth), static_cast<DWORD>(info.biHeight), info.biBitCount,
              RASTER_FORMAT_BMP)) {
    return Fail("");
  }
  SetXDPI(PelsToDpi(info.biXPelsPerMeter));
  SetYDPI(PelsToDpi(info.biYPelsPerMeter));

  RGBQUAD* palette = GetPalette();
  if (palette) {
    const DWORD capacity = GetPaletteSize() / sizeof(RGBQUAD);
    const DWORD declared = info.biClrUsed;
    const DWORD entrySize = core ? 3 : 4;
    const DWORD stored = declared < capacity ? declared : capacity;
    BYTE entries[256 * 4];
    if (!ReadExact(file, entries, static_cast<size_t>(stored) * entrySize)) return Fail("corrupted BMP");
    for (DWORD i = 0; i < stored; i++) {
      palette[i].rgbBlue = entries[i * entrySize];
      palette[i].rgbGreen = entries[i * entrySize + 1];
      palette[i].rgbRed = entries[i * entrySize + 2];
      palette[i].rgbReserved = 0;
    }
    // Entries the image's palette cannot hold are skipped, never written past it.
    if (declared > stored && pixelOffset == 0 &&
        !Skip(file, static_cast<long>(static_cast<int64_t>(declared - stored) * entrySize))) {
      return Fail("corrupted BMP");
    }
    m_info.nearestValid = false;
  }

  DWORD redMask = 0, greenMask = 0, blueMask = 0;
  const WORD bitCount = info.biBitCount;
  if ((bitCount == 16 || bitCount == 32) && info.biCompression == BI_BITFIELDS) {
    if (!ReadLE32(file, &redMask) || !ReadLE32(file, &greenMask) || !ReadLE32(file, &blueMask)) {
      return Fail("corrupted BMP");
    }
  } else if (bitCount == 16) {
    redMask = 0x7C00;
    greenMask = 0x3E0;
    blueMask = 0x1F;
  } else if (bitCount == 32) {
    redMask = 0xFF0000;
    greenMask = 0xFF00;
    blueMask = 0xFF;
  }

  if (pixelOffset != 0 && !file->Seek(start + static_cast<long>(pixelOffset), 0)) {
    return Fail("corrupted BMP");
  }

  const DWORD width = GetWidth();
  const DWORD height = GetHeight();
  // Stored rows go straight to the rows they show: a top-down file is read from the top row
  // down, so it needs no turn afterwards. A file that ends early keeps the rows it holds and the
  // part of the row it ends in; the rest of the image stays as created. The work is therefore
  // bounded by what the file holds, whatever size it declares.
  auto imageRow = [&](DWORD y) { return m_info.pixels + static_cast<size_t>(topDown ? height - 1 - y : y) * m_info.effWidth; };
  switch (bitCount) {
    case 1: case 4: case 8:
      switch (info.biCompression) {
        case BI_RGB:
          for (DWORD y = 0; y < height; y++) {
            if (file->Read(imageRow(y), 1, m_info.effWidth) < m_info.effWidth) break;
          }
          break;
        case BI_RLE8:
          DecodeRle8(file);
          if (topDown) Flip(false, true);
          break;
        case BI_RLE4:
          DecodeRle4(file);
          if (topDown) Flip(false, true);
          break;
        default:
          return Fail("compression type not supported");
      }
      break;
    case 16: case 32: {
      if (bitCount == 32 && info.biCompression != BI_RGB && info.biCompression != BI_BITFIELDS) {
        return Fail("unknown compression");
      }
      const size_t pixelBytes = bitCount / 8;
      const size_t storedRow = bitCount == 16 ? static_cast<size_t>((width + 1) / 2) * 4 : static_cast<size_t>(width) * 4;
      BYTE* stored = static_cast<BYTE*>(malloc(storedRow));
      if (!stored) return Fail("can't allocate memory");
      const bool withAlpha = bitCount == 32 && info.biCompression == BI_RGB && AlphaCreate();
      bool anyAlpha = false;
      for (DWORD y = 0; y < height; y++) {
        const size_t got = file->Read(stored, 1, storedRow);
        // The first row is converted even when the file holds none of it, so that bad masks are
        // refused whatever the file's length; the pixels it was not given stay as created.
        const long pixels = static_cast<long>(std::min<size_t>(got / pixelBytes, width));
        if (!BitfieldRowToRGB(stored, imageRow(y), pixels, redMask, greenMask, blueMask, static_cast<BYTE>(bitCount))) {
          free(stored);
          return Fail("bad BMP bit fields");
        }
        if (withAlpha) {
          // The fourth byte is alpha, unless it is 0 everywhere: such files are simply opaque.
          const long row = static_cast<long>(topDown ? height - 1 - y : y);
          for (long x = 0; x < pixels; x++) {
            const BYTE a = stored[x * 4 + 3];
            AlphaSet(x, row, a);
            anyAlpha = anyAlpha || a != 0;
          }
        }
        if (got < storedRow) break;
      }
      free(stored);
      if (withAlpha && !anyAlpha) memset(m_alpha, 255, static_cast<size_t>(width) * height);
      break;
    }
    case 24:
      if (info.biCompression != BI_RGB) return Fail("unknown compression");
      for (DWORD y = 0; y < height; y++) {
        if (file->Read(imageRow(y), 1, m_info.effWidth) < m_info.effWidth) break;
      }
      break;
  }
  return true;
}

// Run-length encoded 8-bit rows. Row 0 is the bottom row; x counts bytes in the row. Every write
// is clipped to the row's padded width, so no run, delta or literal reaches outside the pixels.
bool CRasterImageBMP::DecodeRle8(CRasterFile* file) {
  const long height = static_cast<long>(GetHeight());
  const long rowBytes = static_cast<long>(m_info.effWidth);
  long row = 0;
  long x = 0;
  BYTE* line = m_info.pixels;
  auto selectRow = [&](long r) {
    // A row outside the image leaves the previously addressed row in use.
    if (r >= 0 && r < height) line = m_info.pixels + static_cast<size_t>(r) * rowBytes;
  };
  for (;;) {
    BYTE pair[2];
    // The data may end anywhere: what was decoded up to there stays.
    if (!ReadExact(file, pair, 2)) return true;
    if (pair[0] > 0) {
      for (long i = 0; i < pair[0] && x < rowBytes; i++) line[x++] = pair[1];
      continue;
    }
    switch (pair[1]) {
      case 0:
        x = 0;
        selectRow(++row);
        break;
      case 1:
        return true;
      case 2: {
        BYTE delta[2];
        if (!ReadExact(file, delta, 2)) return true;
        x += delta[0];
        row += delta[1];
        selectRow(row);
        break;
      }
      default: {
        BYTE literal[256];
        long n = pair[1];
        const size_t got = file->Read(literal, 1, static_cast<size_t>(n + (n & 1)));
        const long kept = std::min(n, static_cast<long>(got));
        for (long i = 0; i < kept; i++, x++) {
          if (x < rowBytes) line[x] = literal[i];
        }
        if (kept < n) return true;
        break;
      }
    }
  }
}

// Run-length encoded 4-bit rows. x counts bytes; `low` says whether the next pixel is the low
// half of byte x. A run may run on into the following row, but never past the pixel buffer.
bool CRasterImageBMP::DecodeRle4(CRasterFile* file) {
  const long height = static_cast<long>(GetHeight());
  const size_t rowBytes = m_info.effWidth;
  const size_t total = m_header.biSizeImage;
  long row = 0;
  long addressed = 0;
  size_t x = 0;
  bool low = false;
  auto put = [&](BYTE value) {
    size_t at = static_cast<size_t>(addressed) * rowBytes + x;
    if (!low) {
      if (at < total) m_info.pixels[at] = static_cast<BYTE>(value << 4);
      low = true;
    } else {
      if (at < total) m_info.pixels[at] = static_cast<BYTE>(m_info.pixels[at] | (value & 0x0F));
      low = false;
      x++;
    }
  };
  auto selectRow = [&](long r) {
    if (r >= 0 && r < height) addressed = r;
  };
  for (;;) {
    BYTE pair[2];
    if (!ReadExact(file, pair, 2)) return true;
    if (pair[0] > 0) {
      for (long i = 0; i < pair[0]; i++) put((i & 1) ? (pair[1] & 0x0F) : (pair[1] >> 4));
      continue;
    }
    switch (pair[1]) {
      case 0:
        x = 0;
        low = false;
        selectRow(++row);
        break;
      case 1:
        return true;
      case 2: {
        BYTE delta[2];
        if (!ReadExact(file, delta, 2)) return true;
        x += delta[0] / 2;
        row += delta[1];
        selectRow(row);
        break;
      }
      default: {
        long n = pair[1];
        long bytes = (n + 1) / 2;
        BYTE literal[128 + 1];
        // The literal run occupies an even number of bytes.
        const size_t got = file->Read(literal, 1, static_cast<size_t>(bytes + (bytes & 1)));
        if (got < static_cast<size_t>(bytes)) n = static_cast<long>(got) * 2;
        for (long i = 0; i < n; i++) {
          BYTE b = literal[i / 2];
          put((i & 1) ? (b & 0x0F) : (b >> 4));
        }
        break;
      }
    }
  }
}
