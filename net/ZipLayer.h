// The compression layer of the packet transform: zlib format at the default level, written with
// sync flushes and never finished, so a compressed payload has no final block and no Adler-32
// trailer. Peers decode it with a sync-flush inflate that accepts a stream without an end.
#pragma once

#include "net/LayerHeader.h"
#include "platform/base/WinTypes.h"

#define ZIP_LAYER_FLAG 0x400

class ISequentialStream;

class CZipLayer {
 public:
  // No packet of this protocol comes near this size; a received zip layer that inflates to more
  // is refused instead of being allowed to take the memory of the process.
  static constexpr ULONG MAX_UNZIPPED_SIZE = 1u << 20;

  virtual ~CZipLayer() = default;

  // Compresses (flags with LAYER_WRAP) or decompresses (LAYER_UNWRAP) length bytes. Returns 1
  // with a new block from new BYTE[] that the caller frees with delete[], or 0 and no block;
  // 0 unless flags holds ZIP_LAYER_FLAG, and 0 when the result would be empty.
  int Transform(const BYTE* input, DWORD length, BYTE** out, DWORD* outLength, DWORD flags);

  // The two loops, from a source stream to a sink stream. 1 when the sink received anything
  // and no error occurred.
  static int ZipBuffer(ISequentialStream* source, ISequentialStream* sink);
  static int UnzipBuffer(ISequentialStream* source, ISequentialStream* sink);
};
