// A CRasterFile over a memory block. A caller's block is used in place and never copied on
// construction; writing past its end moves the data into a block the file owns.
#pragma once

#include "image/RasterFile.h"

class RASTER_EXPORT CRasterMemFile : public CRasterFile {
 public:
  // A null block gives a file without data that owns whatever it later allocates; a lent block
  // stays the caller's.
  explicit CRasterMemFile(BYTE* block = nullptr, DWORD size = 0);
  // Copies refer to the same block; an object that owns its block must not be copied.
  CRasterMemFile(const CRasterMemFile&) = default;
  CRasterMemFile& operator=(const CRasterMemFile&) = default;
  ~CRasterMemFile() override;

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

  // The block as it stands (null when none).
  BYTE* GetBuffer() const { return m_block; }

 protected:
  // Makes room for n bytes, growing in steps of 65,536 bytes.
  bool Alloc(DWORD n);
  // Moves the position on by n bytes after a write and raises the data length past it.
  void Advance(size_t n);

  BYTE* m_block;
  long m_length;
  bool m_owns;
  long m_position;
  unsigned long m_allocated;
};
