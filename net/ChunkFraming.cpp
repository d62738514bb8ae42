#include "net/ChunkFraming.h"

#include "net/NetLog.h"
#include "net/WireBytes.h"

int SplitIntoChunks(CByteBuffer& input, CByteBuffer& output, int largestPayload) {
  output.Clear();
  if (largestPayload <= 0 || largestPayload > CHUNK_WORK_AREA) return -1;
  const DWORD m = static_cast<DWORD>(largestPayload);
  BYTE work[CHUNK_WORK_AREA];
  BYTE lengthWord[4];
  int chunks = 0;
  while (input.GetLength() != 0) {
    // Never ask for more than is held: the buffer refuses a request beyond its capacity.
    const DWORD want = input.GetLength() < m ? input.GetLength() : m;
    const DWORD n = input.ReadFront(work, want);
    WriteU32Le(lengthWord, n);
    output.Append(lengthWord, 4);
    output.Append(work, n);
    ++chunks;
  }
  return chunks;
}

int JoinChunks(CByteBuffer& input, CByteBuffer& output, int largestPayload) {
  output.Clear();
  if (largestPayload <= 0 || largestPayload > CHUNK_WORK_AREA) return 0;
  BYTE work[CHUNK_WORK_AREA];
  int chunks = 0;
  while (input.GetLength() >= 5) {
    const int32_t n = ReadI32Le(input.PtrAt(0));
    if (n > largestPayload) {
      LogPrintf("packet length error! len = %ld", static_cast<long>(n));
      return 0;
    }
    // A negative length, or a chunk that promises more bytes than arrived, is broken framing.
    if (n < 0 || static_cast<DWORD>(n) > input.GetLength() - 4) {
      LogPrintf("packet decompose error! len = %ld", static_cast<long>(n));
      return 0;
    }
    input.DiscardFront(4);
    const DWORD taken = input.ReadFront(work, static_cast<DWORD>(n));
    output.Append(work, taken);
    ++chunks;
  }
  return chunks;
}
