#include "image/RasterImageWBMP.h"

#include "image/RasterFileReader.h"

bool CRasterImageWBMP::ReadNumber(CRasterFile* file, DWORD* value) {
  DWORD v = 0;
  for (;;) {
    BYTE b;
    if (!raster::ReadU8(file, &b)) return false;
    if (v > (0xFFFFFFFFu >> 7)) return false;
    v = (v << 7) | (b & 0x7F);
    if (!(b & 0x80)) break;
  }
  *value = v;
  return true;
}

bool CRasterImageWBMP::Decode(CRasterFile* file) {
  if (!file) return false;
  DWORD type = 0, fixedHeader = 0, width = 0, height = 0;
  bool complete = ReadNumber(file, &type) && ReadNumber(file, &fixedHeader) &&
                  ReadNumber(file, &width) && ReadNumber(file, &height);
  if (!complete || file->Eof()) return Fail("Not a WBMP");
  if (type != 0) return Fail("Unsupported WBMP type");
  m_header.biWidth = static_cast<LONG>(width);
  m_header.biHeight = static_cast<LONG>(height);
  if (m_header.biWidth < 1 || m_header.biHeight < 1) return Fail("Corrupted WBMP");
  if (!Create(width, height, 1, RASTER_FORMAT_WBMP)) return Fail("WBMP Create failed");
  SetGrayPalette();
  const size_t rowBytes = (static_cast<size_t>(width) + 7) / 8;
  for (DWORD y = 0; y < height; y++) {
    // The first file row is the top row. A file that ends early keeps the rows it holds (and
    // the part of the row it ends in); the rows below stay as created.
    if (file->Read(GetBits(height - 1 - y), 1, rowBytes) < rowBytes) break;
  }
  return true;
}
