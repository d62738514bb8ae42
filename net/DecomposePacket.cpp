#include "net/DecomposePacket.h"

#include <cstring>
#include <memory>

#include "net/ByteBuffer.h"
#include "net/ChunkFraming.h"
#include "net/PacketTransformer.h"
#include "net/WireBytes.h"

int DecomposePacket(const BYTE* block, DWORD blockLength, PacketEnvelope** envelope,
                    PacketRecord** record, const BYTE* key, DWORD keyBits, DWORD cryptFlags,
                    DWORD zipFlags, int largestPayload) {
  if (envelope == nullptr || record == nullptr) return 0;
  *envelope = nullptr;
  *record = nullptr;
  if (block == nullptr || blockLength < PACKET_ENVELOPE_SIZE) return 0;

  auto newEnvelope = std::make_unique<PacketEnvelope>(ReadPacketEnvelope(block));

  CByteBuffer chunks;
  chunks.Append(block + PACKET_ENVELOPE_SIZE, blockLength - PACKET_ENVELOPE_SIZE);
  CByteBuffer stream;
  if (!JoinChunks(chunks, stream, largestPayload)) return 0;

  CPacketTransformer transformer(key, keyBits, cryptFlags, zipFlags);
  if (!transformer.Process(stream, TRANSFORM_DECODE)) return 0;

  if (stream.GetLength() < PACKET_STREAM_HEAD_SIZE) return 0;
  auto newRecord = std::make_unique<PacketRecord>();
  newRecord->head = ReadPacketHead(stream.PtrAt(0));
  newRecord->length = ReadI32Le(stream.PtrAt(PACKET_HEAD_SIZE));
  stream.DiscardFront(PACKET_STREAM_HEAD_SIZE);
  // The data block may carry only bytes that arrived: a length beyond the decoded stream fails
  // the packet instead of handing out bytes that were never received.
  if (newRecord->length < 0 || static_cast<DWORD>(newRecord->length) > stream.GetLength()) {
    return 0;
  }
  if (newRecord->length > 0) {
    newRecord->data = new BYTE[newRecord->length];
    memcpy(newRecord->data, stream.PtrAt(0), newRecord->length);
  }
  *envelope = newEnvelope.release();
  *record = newRecord.release();
  return 1;
}
