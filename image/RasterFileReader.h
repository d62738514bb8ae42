// Little-endian field readers over a CRasterFile for the decoders. File headers are read field
// by field, never by casting file bytes to a record, so that layout, alignment and the host's
// byte order never matter.
#pragma once

#include "image/RasterFile.h"

namespace raster {

inline bool ReadU8(CRasterFile* file, BYTE* value) {
  return file->Read(value, 1, 1) == 1;
}

inline bool ReadLE16(CRasterFile* file, WORD* value) {
  BYTE b[2];
  if (file->Read(b, 1, 2) != 2) return false;
  *value = static_cast<WORD>(b[0] | (b[1] << 8));
  return true;
}

inline bool ReadLE32(CRasterFile* file, DWORD* value) {
  BYTE b[4];
  if (file->Read(b, 1, 4) != 4) return false;
  *value = static_cast<DWORD>(b[0]) | (static_cast<DWORD>(b[1]) << 8) |
           (static_cast<DWORD>(b[2]) << 16) | (static_cast<DWORD>(b[3]) << 24);
  return true;
}

inline bool ReadLE32(CRasterFile* file, LONG* value) {
  DWORD v;
  if (!ReadLE32(file, &v)) return false;
  *value = static_cast<LONG>(v);
  return true;
}

// Reads exactly `size` bytes; false on a short read.
inline bool ReadExact(CRasterFile* file, void* buffer, size_t size) {
  if (size == 0) return true;
  return file->Read(buffer, 1, size) == size;
}

// Moves the position on by `count` bytes that are not needed.
inline bool Skip(CRasterFile* file, long count) {
  return count == 0 || file->Seek(count, 1);
}

}  // namespace raster
