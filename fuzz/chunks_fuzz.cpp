// Chunk joining over arbitrary bytes with any largest payload, and splitting then joining the
// same bytes, which must give them back unchanged.
#include <cstdlib>
#include <cstring>

#include "fuzz/FuzzInput.h"
#include "net/ByteBuffer.h"
#include "net/ChunkFraming.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  // Largest payloads from 1 to a little over the work area, which must be refused.
  const int largest = static_cast<int>(in.Byte() | (in.Byte() << 8)) % (CHUNK_WORK_AREA + 8) + 1;
  size_t count = 0;
  const uint8_t* bytes = in.Rest(&count);

  CByteBuffer input, joined;
  input.Append(bytes, static_cast<DWORD>(count));
  const int chunks = JoinChunks(input, joined, largest);
  if (chunks > 0 && joined.GetLength() > count) std::abort();

  CByteBuffer plain, split, back;
  plain.Append(bytes, static_cast<DWORD>(count));
  const int made = SplitIntoChunks(plain, split, largest);
  if (largest > CHUNK_WORK_AREA) {
    if (made != -1) std::abort();
    return 0;
  }
  if (count == 0) return 0;
  if (JoinChunks(split, back, largest) != made) std::abort();
  if (back.GetLength() != count || std::memcmp(back.PtrAt(0), bytes, count) != 0) std::abort();
  return 0;
}
