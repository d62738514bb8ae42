// The file interface every decoder of the image library reads through, so that the same decoder
// works on a file on disk (CRasterIOFile) and on bytes already in memory (CRasterMemFile).
#pragma once

#include <cstddef>

#include "platform/base/WinTypes.h"

// The image library's classes belong to the program's exported interface. Nothing looks them up,
// but their functions keep default visibility even when the tree is built with hidden symbols.
#define RASTER_EXPORT __attribute__((visibility("default")))

class RASTER_EXPORT CRasterFile {
 public:
  CRasterFile() = default;
  CRasterFile(const CRasterFile&) = default;
  CRasterFile& operator=(const CRasterFile&) = default;
  virtual ~CRasterFile();

  virtual bool Close() = 0;
  // Returns the number of whole elements read.
  virtual size_t Read(void* buffer, size_t size, size_t count) = 0;
  virtual size_t Write(const void* buffer, size_t size, size_t count) = 0;
  // origin 0 = from the start, 1 = from the current position, 2 = from the end.
  virtual bool Seek(long offset, int origin) = 0;
  virtual long Tell() = 0;
  virtual long Size() = 0;
  virtual bool Flush() = 0;
  virtual bool Eof() = 0;
  virtual long Error() = 0;
  virtual bool PutC(unsigned char byte);
  // The next byte as 0 to 255, or -1 at the end.
  virtual long GetC() = 0;
  virtual char* GetS(char* buffer, int n) = 0;
  virtual long Scanf(const char* format, void* output) = 0;
};
