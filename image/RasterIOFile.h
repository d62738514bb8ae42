// A CRasterFile over a C stdio stream. A stream the object opened itself (or one it was never
// given) is owned and closed by it; a stream a caller lent stays open and attached.
#pragma once

#include <cstdio>

#include "image/RasterFile.h"

class RASTER_EXPORT CRasterIOFile : public CRasterFile {
 public:
  explicit CRasterIOFile(FILE* stream = nullptr);
  // Copies refer to the same stream; an object that owns its stream must not be copied.
  CRasterIOFile(const CRasterIOFile&) = default;
  CRasterIOFile& operator=(const CRasterIOFile&) = default;
  ~CRasterIOFile() override;

  // False when the object already has a stream or fopen fails.
  bool Open(const char* name, const char* mode);

  bool Close() override;
  size_t Read(void* buffer, size_t size, size_t count) override;
  size_t Write(const void* buffer, size_t size, size_t count) override;
  bool Seek(long offset, int origin) override;
  long Tell() override;
  long Size() override;
  bool Flush() override;
  bool Eof() override;
  long Error() override;
  bool PutC(unsigned char byte) override;
  long GetC() override;
  char* GetS(char* buffer, int n) override;
  long Scanf(const char* format, void* output) override;

 protected:
  FILE* m_stream;
  bool m_owns;
};
