// The sequential read/write stream interface of the platform's structured-storage family.
// Objects here are owned by their creator like any C++ object: no reference counting and no
// interface queries, which nothing in this program uses.
#pragma once

#include "platform/base/WinTypes.h"

#ifndef STG_E_INVALIDFUNCTION
#define STG_E_INVALIDFUNCTION ((HRESULT)0x80030001L)
#endif
#ifndef STG_E_ACCESSDENIED
#define STG_E_ACCESSDENIED ((HRESULT)0x80030005L)
#endif
#ifndef STG_E_MEDIUMFULL
#define STG_E_MEDIUMFULL ((HRESULT)0x80030070L)
#endif

class ISequentialStream {
 public:
  virtual ~ISequentialStream() = default;
  // Reads up to count bytes; *done (when not null) receives the number read. S_FALSE when fewer
  // than count bytes were left.
  virtual HRESULT Read(void* destination, ULONG count, ULONG* done) = 0;
  // Writes count bytes; *done (when not null) receives the number written.
  virtual HRESULT Write(const void* source, ULONG count, ULONG* done) = 0;
};
