#include "image/RasterImageTGA.h"

#include <cstring>

#include "image/RasterFileReader.h"

using raster::ReadExact;

namespace {

long PixelBytes(const TgaHeader& header) {
  return (header.pixelDepth + 7) / 8;
}

}  // namespace

bool CRasterImageTGA::Decode(CRasterFile* file) {
  if (!file) return false;
  BYTE b[18];
  if (!ReadExact(file, b, sizeof(b))) return Fail("Not a TGA");
  TgaHeader header;
  header.idLength = b[0];
  header.colorMapType = b[1];
  header.imageType = b[2];
  header.colorMapFirst = static_cast<WORD>(b[3] | (b[4] << 8));
  header.colorMapLength = static_cast<WORD>(b[5] | (b[6] << 8));
  header.colorMapEntrySize = b[7];
  header.xOrigin = static_cast<WORD>(b[8] | (b[9] << 8));
  header.yOrigin = static_cast<WORD>(b[10] | (b[11] << 8));
  header.width = static_cast<WORD>(b[12] | (b[13] << 8));
  header.height = static_cast<WORD>(b[14] | (b[15] << 8));
  header.pixelDepth = b[16];
  header.descriptor = b[17];

  bool compressed;
  switch (header.imageType) {
    case 1: case 2: case 3: compressed = false; break;
    case 9: case 10: case 11: compressed = true; break;
    default: return Fail("Unknown TGA image type");
  }
  switch (header.pixelDepth) {
    case 8: case 15: case 16: case 24: case 32: break;
    default: return Fail("bad TGA header");
  }
  if (header.width == 0 || header.height == 0 || header.colorMapLength > 256) {
    return Fail("bad TGA header");
  }

  if (!raster::Skip(file, header.idLength)) return Fail("corrupted TGA");
  if (!Create(header.width, header.height, header.pixelDepth, RASTER_FORMAT_TGA)) {
    return Fail("TGA Create failed");
  }
  if (header.pixelDepth == 32 && !AlphaCreate()) return Fail("TGA Create failed");

  if (header.colorMapType) {
    // Entries are three bytes, blue, green, red; those beyond the image's palette are dropped.
    BYTE map[256 * 3];
    if (!ReadExact(file, map, static_cast<size_t>(header.colorMapLength) * 3)) {
      return Fail("corrupted TGA");
    }
    const long colours = static_cast<long>(GetPaletteSize() / sizeof(RGBQUAD));
    for (long i = 0; i < header.colorMapLength && i < colours; i++) {
      SetPaletteColor(static_cast<BYTE>(i), map[i * 3 + 2], map[i * 3 + 1], map[i * 3]);
    }
  }
  if (header.imageType == 3 || header.imageType == 11) SetGrayPalette();

  const bool topDown = (header.descriptor & 0x20) != 0;
  BYTE carried = 255;
  for (long y = 0; y < header.height; y++) {
    if (file->Eof()) return Fail("corrupted TGA");
    const long row = topDown ? header.height - 1 - y : y;
    BYTE* destination = GetBits(static_cast<DWORD>(row));
    // A row the file ends in is no error: it keeps the pixels read, the rest as created. Only a
    // file that has ended before a row starts is corrupted.
    if (compressed) {
      ReadRleRow(destination, header, file, header.width, row, &carried);
    } else {
      ReadRawRow(destination, header, file, header.width, row, 0);
    }
  }
  // The alpha values went straight into the image rows they belong to, so a top-down file
  // needs no separate flip of its alpha layer.
  if (header.descriptor & 0x10) Mirror(false, true);
  return true;
}

void CRasterImageTGA::StorePixel(BYTE* destination, const TgaHeader& header, const BYTE* value,
                                 long row, long x) {
  switch (header.pixelDepth) {
    case 8:
      destination[x] = value[0];
      break;
    case 15:
    case 16: {
      WORD w = static_cast<WORD>(value[0] | (value[1] << 8));
      destination[x * 3] = static_cast<BYTE>((w & 0x1F) << 3);
      destination[x * 3 + 1] = static_cast<BYTE>((w >> 2) & 0xF8);
      destination[x * 3 + 2] = static_cast<BYTE>((w >> 7) & 0xF8);
      break;
    }
    case 24:
      memcpy(destination + x * 3, value, 3);
      break;
    case 32:
      memcpy(destination + x * 3, value, 3);
      AlphaSet(x, row, value[3]);
      break;
  }
}

bool CRasterImageTGA::ReadPixel(BYTE* destination, const TgaHeader& header, CRasterFile* file,
                                long row, long x) {
  BYTE value[4];
  if (!ReadExact(file, value, static_cast<size_t>(PixelBytes(header)))) return false;
  StorePixel(destination, header, value, row, x);
  return true;
}

bool CRasterImageTGA::ReadRawRow(BYTE* destination, const TgaHeader& header, CRasterFile* file,
                                 long count, long row, long x) {
  if (header.pixelDepth == 8 || header.pixelDepth == 24) {
    // These depths are stored as the image holds them.
    long bytes = PixelBytes(header);
    return ReadExact(file, destination + x * bytes, static_cast<size_t>(count * bytes));
  }
  for (long i = 0; i < count; i++) {
    if (!ReadPixel(destination, header, file, row, x + i)) return false;
  }
  return true;
}

bool CRasterImageTGA::ReadRleRow(BYTE* destination, const TgaHeader& header, CRasterFile* file,
                                 long width, long row, BYTE* carried) {
  long x = 0;
  while (x < width) {
    BYTE packet;
    if (*carried != 255) {
      packet = *carried;
      *carried = 255;
    } else if (!raster::ReadU8(file, &packet)) {
      return false;
    }
    if (packet & 0x80) {
      long count = packet - 127;
      long resume = -1;
      if (x + count > width) {
        // The run goes on in the next row with the same value, which is read again there.
        *carried = static_cast<BYTE>(128 + (count - (width - x) - 1));
        resume = file->Tell();
        count = width - x;
      }
      BYTE value[4];
      if (!ReadExact(file, value, static_cast<size_t>(PixelBytes(header)))) return false;
      for (long i = 0; i < count; i++) StorePixel(destination, header, value, row, x + i);
      if (resume >= 0 && !file->Seek(resume, 0)) return false;
      x += count;
    } else {
      long count = packet + 1;
      if (x + count > width) {
        // The rest of the raw packet's pixels begin the next row.
        *carried = static_cast<BYTE>(count - (width - x) - 1);
        count = width - x;
      }
      if (!ReadRawRow(destination, header, file, count, row, x)) return false;
      x += count;
    }
  }
  return true;
}
