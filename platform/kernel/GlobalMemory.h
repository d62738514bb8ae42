// Global memory blocks and a stream over one: the way a program hands a block of bytes to a
// component that reads streams (the picture decoder of GdiPlus.h). Only fixed blocks exist here:
// the handle is the block's address, as GMEM_FIXED gives it.
#pragma once

#include "platform/base/SequentialStream.h"
#include "platform/base/WinTypes.h"

#define GMEM_FIXED 0x0000
#define GMEM_ZEROINIT 0x0040
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
LPVOID GlobalLock(HGLOBAL block);
BOOL GlobalUnlock(HGLOBAL block);
SIZE_T GlobalSize(HGLOBAL block);
// Null on success, the block when it is not one of ours.
HGLOBAL GlobalFree(HGLOBAL block);

// A readable, writable, seekable stream over a global block. Release ends it (and frees the
// block when the stream was made to own it).
class IStream : public ISequentialStream {
 public:
  virtual HRESULT Seek(LONGLONG offset, DWORD origin, ULONGLONG* position) = 0;
  virtual ULONGLONG Size() const = 0;
  virtual ULONG Release() = 0;
};
#define STREAM_SEEK_SET 0
#define STREAM_SEEK_CUR 1
#define STREAM_SEEK_END 2

// A stream over `block` (a new growing block when null); the stream frees the block on Release
// when deleteOnRelease is set.
HRESULT CreateStreamOnHGlobal(HGLOBAL block, BOOL deleteOnRelease, IStream** stream);
