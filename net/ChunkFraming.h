// The chunk framing of an encoded packet: a sequence of [u32 n][n bytes], every chunk but the
// last exactly the largest payload long, one chunk per segment on the wire.
#pragma once

#include "net/ByteBuffer.h"

// Both operations move each chunk through a work area of this size, so no connection may use a
// larger payload.
#define CHUNK_WORK_AREA 4000

// Consumes the input and writes its chunks into the (emptied) output. Returns the number of
// chunks (0 for an empty input), or -1 when the largest payload is not 1 to CHUNK_WORK_AREA.
int SplitIntoChunks(CByteBuffer& input, CByteBuffer& output, int largestPayload);
// Consumes the input's chunks and writes their bytes, joined, into the (emptied) output; a
// trailing rest of 4 bytes or fewer is ignored. A chunk longer than the largest payload, a
// negative length or a chunk cut short fails with a line in the log. Returns the number of
// chunks joined, or 0 on failure.
int JoinChunks(CByteBuffer& input, CByteBuffer& output, int largestPayload);
