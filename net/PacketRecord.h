// The records that every request, reply and notification travels in.
//
// A PacketRecord owns its data block: whoever holds the record frees the block with
// FreePacketData (or hands the record on, which hands the block on). Data blocks are allocated
// with new BYTE[] and records that travel between threads with new PacketRecord, so a receiver
// frees them with FreePacketData and then delete.
#pragma once

#include <cstdint>

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
};

// Travels with a received record and says where it came from.
struct PacketEnvelope {
  uint32_t socket;
  int32_t requestSerial;
  int32_t replyWanted;
  // Id of the connection run that received the packet; a receiver drops packets of older runs.
  int32_t connectionId;
  uint32_t reserved[2];
};
static_assert(sizeof(PacketEnvelope) == PACKET_ENVELOPE_SIZE);

// Frees the record's data block and sets the pointer to null; head and length stay.
// A null record is ignored.
void FreePacketData(PacketRecord* record);
// Copies head and length; the destination gets its own copy of the source's data block, or a
// null pointer when the source has no data. The destination's previous block is not freed.
// Returns the number of data bytes copied.
int CopyPacketRecord(PacketRecord* destination, const PacketRecord* source);

// Wire form of the head and the envelope: six little-endian words each.
void WritePacketHead(BYTE* out, const PacketHead& head);
PacketHead ReadPacketHead(const BYTE* in);
void WritePacketEnvelope(BYTE* out, const PacketEnvelope& envelope);
PacketEnvelope ReadPacketEnvelope(const BYTE* in);

class CByteBuffer;
// Appends the record as a packet stream: head, u32 data length, data bytes. The send direction
// starts from this stream. Returns the number of bytes appended, 0 for a record with a negative
// length or a length without data.
DWORD AppendPacketStream(CByteBuffer& buffer, const PacketRecord& record);
