#include "net/ZipLayer.h"

#include <zlib.h>

#include <cstring>

#include "net/ByteArrayOutStream.h"
#include "net/MemoryInStream.h"

namespace {

// Work areas of the two loops: compression reads 32 KiB blocks and writes 4 KiB parts,
// decompression reads 4 KiB blocks and writes 32 KiB parts.
constexpr ULONG ZIP_IN_BLOCK = 32768;
constexpr ULONG ZIP_OUT_AREA = 4096;
constexpr ULONG UNZIP_IN_BLOCK = 4096;
constexpr ULONG UNZIP_OUT_AREA = 32768;

// Moves the produced part of the output area to the sink. False when the sink refused it.
bool Drain(ISequentialStream* sink, const BYTE* area, ULONG produced) {
  if (produced == 0) return true;
  ULONG written = 0;
  return sink->Write(area, produced, &written) == S_OK && written == produced;
}

}  // namespace

int CZipLayer::ZipBuffer(ISequentialStream* source, ISequentialStream* sink) {
  z_stream stream;
  memset(&stream, 0, sizeof stream);
  if (deflateInit(&stream, Z_DEFAULT_COMPRESSION) != Z_OK) return 0;

  BYTE inBlock[ZIP_IN_BLOCK];
  BYTE outArea[ZIP_OUT_AREA];
  bool ok = true;
  bool wroteAny = false;
  for (;;) {
    ULONG got = 0;
    source->Read(inBlock, ZIP_IN_BLOCK, &got);
    if (got == 0) break;
    stream.next_in = inBlock;
    stream.avail_in = got;
    // Each block ends with a sync flush; the stream is never finished, so it carries neither the
    // final block nor the Adler-32 trailer, which is what the peers expect.
    do {
      stream.next_out = outArea;
      stream.avail_out = ZIP_OUT_AREA;
      const int rc = deflate(&stream, Z_SYNC_FLUSH);
      if (rc != Z_OK && rc != Z_BUF_ERROR) {
        ok = false;
        break;
      }
      const ULONG produced = ZIP_OUT_AREA - stream.avail_out;
      if (!Drain(sink, outArea, produced)) {
        ok = false;
        break;
      }
      wroteAny = wroteAny || produced != 0;
    } while (stream.avail_out == 0);
    if (!ok) break;
  }
  deflateEnd(&stream);
  return ok && wroteAny ? 1 : 0;
}

int CZipLayer::UnzipBuffer(ISequentialStream* source, ISequentialStream* sink) {
  z_stream stream;
  memset(&stream, 0, sizeof stream);
  if (inflateInit(&stream) != Z_OK) return 0;

  BYTE inBlock[UNZIP_IN_BLOCK];
  BYTE outArea[UNZIP_OUT_AREA];
  bool ok = true;
  bool ended = false;
  bool wroteAny = false;
  while (ok && !ended) {
    ULONG got = 0;
    source->Read(inBlock, UNZIP_IN_BLOCK, &got);
    if (got == 0) break;
    stream.next_in = inBlock;
    stream.avail_in = got;
    do {
      stream.next_out = outArea;
      stream.avail_out = UNZIP_OUT_AREA;
      const int rc = inflate(&stream, Z_SYNC_FLUSH);
      // Z_BUF_ERROR only says that no progress was possible with what has arrived so far: a
      // stream written with sync flushes and no end stops exactly like that.
      if (rc != Z_OK && rc != Z_BUF_ERROR && rc != Z_STREAM_END) {
        ok = false;
        break;
      }
      const ULONG produced = UNZIP_OUT_AREA - stream.avail_out;
      // The sink refuses bytes beyond its limit, which ends a decompression bomb here.
      if (!Drain(sink, outArea, produced)) {
        ok = false;
        break;
      }
      wroteAny = wroteAny || produced != 0;
      if (rc == Z_STREAM_END) {
        ended = true;
        break;
      }
    } while (stream.avail_out == 0);
  }
  inflateEnd(&stream);
  return ok && wroteAny ? 1 : 0;
}

int CZipLayer::Transform(const BYTE* input, DWORD length, BYTE** out, DWORD* outLength,
                         DWORD flags) {
  if (out == nullptr || outLength == nullptr) return 0;
  *out = nullptr;
  *outLength = 0;
  if ((flags & ZIP_LAYER_FLAG) == 0) return 0;
  if (input == nullptr && length != 0) return 0;

  CMemoryInStream source(input, length);
  int done = 0;
  CByteArrayOutStream sink((flags & LAYER_UNWRAP) != 0 ? MAX_UNZIPPED_SIZE : 0);
  if ((flags & LAYER_WRAP) != 0) {
    done = ZipBuffer(&source, &sink);
  } else if ((flags & LAYER_UNWRAP) != 0) {
    done = UnzipBuffer(&source, &sink);
  }
  if (!done || sink.GetLength() == 0) return 0;
  *outLength = sink.GetLength();
  *out = new BYTE[*outLength];
  memcpy(*out, sink.GetBytes().data(), *outLength);
  return 1;
}
