// The records that every request, reply and notification travels in.
//
// A PacketRecord owns its data block: whoever holds the record frees the block with
// FreePacketData (or hands the record on, which hands the block on). Data blocks are allocated
// with new BYTE[] and records that travel between threads with new PacketRecord, so a receiver
// frees them with FreePacketData and then delete.
//
// Records and envelopes made with new come from the store of freed ones each thread keeps (one
// of each is made and freed for every notification); delete gives them back. Any thread may
// delete what another thread made.
#pragma once

#include <cstddef>
#include <cstdint>

#include "net/KeptBlocks.h"
#include "net/WireBytes.h"
#include "platform/base/WinTypes.h"

// Record codes that the library makes itself for the connection's own events.
#define PACKET_CODE_CLOSED 1
#define PACKET_CODE_SOCKET_ERROR 2

// Bytes of a PacketHead on the wire, and of the head plus the u32 data length.
#define PACKET_HEAD_SIZE 24
#define PACKET_STREAM_HEAD_SIZE 28
// Bytes of a PacketEnvelope in a reassembly buffer.
#define PACKET_ENVELOPE_SIZE 24

// Six little-endian words; only the code is read on receipt, the reserved words are sent as 0.
struct PacketHead {
  uint32_t reserved0;
  // Request code, result code of a reply, notification code, or PACKET_CODE_*.
  uint32_t code;
  uint32_t reserved[4];
};
static_assert(sizeof(PacketHead) == PACKET_HEAD_SIZE);

struct PacketRecord {
  PacketHead head;
  // Number of data bytes; never negative in a valid record.
  int32_t length;
  // Heap block of exactly length bytes, owned by the record; null when the length is 0.
  BYTE* data;

  static void* operator new(std::size_t size) { return kept_blocks::New<PacketRecord>(kept_blocks::RECORDS, size); }
  static void operator delete(void* block, std::size_t size) noexcept {
    kept_blocks::Delete<PacketRecord>(kept_blocks::RECORDS, block, size);
  }
};

// Travels with a received record and says where it came from.
struct PacketEnvelope {
  uint32_t socket;
  int32_t requestSerial;
  int32_t replyWanted;
  // Id of the connection run that received the packet; a receiver drops packets of older runs.
  int32_t connectionId;
  uint32_t reserved[2];

  static void* operator new(std::size_t size) { return kept_blocks::New<PacketEnvelope>(kept_blocks::ENVELOPES, size); }
  static void operator delete(void* block, std::size_t size) noexcept {
    kept_blocks::Delete<PacketEnvelope>(kept_blocks::ENVELOPES, block, size);
  }
};
static_assert(sizeof(PacketEnvelope) == PACKET_ENVELOPE_SIZE);
// A freed one waits in its own block.
static_assert(sizeof(PacketEnvelope) >= sizeof(kept_blocks::Block) && sizeof(PacketRecord) >= sizeof(kept_blocks::Block));

// Frees the record's data block and sets the pointer to null; head and length stay.
// A null record is ignored.
void FreePacketData(PacketRecord* record);
// Copies head and length; the destination gets its own copy of the source's data block, or a
// null pointer when the source has no data. The destination's previous block is not freed.
// Returns the number of data bytes copied.
int CopyPacketRecord(PacketRecord* destination, const PacketRecord* source);

// Wire form of the head and the envelope: six little-endian words each.
inline void WritePacketHead(BYTE* out, const PacketHead& head) {
  WriteU32Le(out, head.reserved0);
  WriteU32Le(out + 4, head.code);
  for (int i = 0; i < 4; ++i) WriteU32Le(out + 8 + 4 * i, head.reserved[i]);
}

inline PacketHead ReadPacketHead(const BYTE* in) {
  PacketHead head;
  head.reserved0 = ReadU32Le(in);
  head.code = ReadU32Le(in + 4);
  for (int i = 0; i < 4; ++i) head.reserved[i] = ReadU32Le(in + 8 + 4 * i);
  return head;
}

inline void WritePacketEnvelope(BYTE* out, const PacketEnvelope& envelope) {
  WriteU32Le(out, envelope.socket);
  WriteU32Le(out + 4, static_cast<uint32_t>(envelope.requestSerial));
  WriteU32Le(out + 8, static_cast<uint32_t>(envelope.replyWanted));
  WriteU32Le(out + 12, static_cast<uint32_t>(envelope.connectionId));
  WriteU32Le(out + 16, envelope.reserved[0]);
  WriteU32Le(out + 20, envelope.reserved[1]);
}

inline PacketEnvelope ReadPacketEnvelope(const BYTE* in) {
  PacketEnvelope envelope;
  envelope.socket = ReadU32Le(in);
  envelope.requestSerial = ReadI32Le(in + 4);
  envelope.replyWanted = ReadI32Le(in + 8);
  envelope.connectionId = ReadI32Le(in + 12);
  envelope.reserved[0] = ReadU32Le(in + 16);
  envelope.reserved[1] = ReadU32Le(in + 20);
  return envelope;
}

class CByteBuffer;
// Appends the record as a packet stream: head, u32 data length, data bytes. The send direction
// starts from this stream. Returns the number of bytes appended, 0 for a record with a negative
// length or a length without data.
DWORD AppendPacketStream(CByteBuffer& buffer, const PacketRecord& record);
