#include "net/ChunkFraming.h"

#include "net/NetLog.h"
#include "net/WireBytes.h"

int SplitIntoChunks(CByteBuffer& input, CByteBuffer& output, int largestPayload) {
  const DWORD total = input.GetLength();
  // A stream that fits one chunk becomes the chunk where it stands: its length word goes in
  // front and the two buffers change places, the output's old content going with the input's.
  if (largestPayload > 0 && largestPayload <= CHUNK_WORK_AREA && total > 0 &&
      total <= static_cast<DWORD>(largestPayload)) {
    BYTE word[4];
    WriteU32Le(word, total);
    if (input.Prepend(word, 4) == 4) {
      output.Swap(input);
      input.Clear();
      return 1;
    }
  }
  output.Clear();
  if (largestPayload <= 0 || largestPayload > CHUNK_WORK_AREA) return -1;
  const DWORD m = static_cast<DWORD>(largestPayload);
  if (total > 0 && total <= m) return -1;
  // Each chunk is copied once, straight from its place in the input; the output is sized for
  // all of them before the first.
  output.Reserve(total + 4 * (total / m + 1));
  BYTE lengthWord[4];
  int chunks = 0;
  for (DWORD offset = 0; offset < total;) {
    const DWORD n = total - offset < m ? total - offset : m;
    WriteU32Le(lengthWord, n);
    output.Append(lengthWord, 4);
    output.Append(input.PtrAt(offset), n);
    offset += n;
    ++chunks;
  }
  input.DiscardFront(total);
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
