#include "net/PacketRecord.h"

#include <cstring>

#include "net/ByteBuffer.h"
#include "net/WireBytes.h"

void FreePacketData(PacketRecord* record) {
  if (record == nullptr) return;
  delete[] record->data;
  record->data = nullptr;
}

int CopyPacketRecord(PacketRecord* destination, const PacketRecord* source) {
  if (destination == nullptr || source == nullptr) return 0;
  destination->head = source->head;
  destination->length = source->length;
  destination->data = nullptr;
  if (source->length <= 0 || source->data == nullptr) return 0;
  destination->data = new BYTE[source->length];
  memcpy(destination->data, source->data, source->length);
  return source->length;
}

void WritePacketHead(BYTE* out, const PacketHead& head) {
  WriteU32Le(out, head.reserved0);
  WriteU32Le(out + 4, head.code);
  for (int i = 0; i < 4; ++i) WriteU32Le(out + 8 + 4 * i, head.reserved[i]);
}

PacketHead ReadPacketHead(const BYTE* in) {
  PacketHead head;
  head.reserved0 = ReadU32Le(in);
  head.code = ReadU32Le(in + 4);
  for (int i = 0; i < 4; ++i) head.reserved[i] = ReadU32Le(in + 8 + 4 * i);
  return head;
}

void WritePacketEnvelope(BYTE* out, const PacketEnvelope& envelope) {
  WriteU32Le(out, envelope.socket);
  WriteU32Le(out + 4, static_cast<uint32_t>(envelope.requestSerial));
  WriteU32Le(out + 8, static_cast<uint32_t>(envelope.replyWanted));
  WriteU32Le(out + 12, static_cast<uint32_t>(envelope.connectionId));
  WriteU32Le(out + 16, envelope.reserved[0]);
  WriteU32Le(out + 20, envelope.reserved[1]);
}

PacketEnvelope ReadPacketEnvelope(const BYTE* in) {
  PacketEnvelope envelope;
  envelope.socket = ReadU32Le(in);
  envelope.requestSerial = ReadI32Le(in + 4);
  envelope.replyWanted = ReadI32Le(in + 8);
  envelope.connectionId = ReadI32Le(in + 12);
  envelope.reserved[0] = ReadU32Le(in + 16);
  envelope.reserved[1] = ReadU32Le(in + 20);
  return envelope;
}

DWORD AppendPacketStream(CByteBuffer& buffer, const PacketRecord& record) {
  if (record.length < 0 || (record.length > 0 && record.data == nullptr)) return 0;
  BYTE head[PACKET_STREAM_HEAD_SIZE];
  WritePacketHead(head, record.head);
  WriteU32Le(head + PACKET_HEAD_SIZE, static_cast<uint32_t>(record.length));
  buffer.Append(head, PACKET_STREAM_HEAD_SIZE);
  if (record.length > 0) buffer.Append(record.data, static_cast<DWORD>(record.length));
  return PACKET_STREAM_HEAD_SIZE + static_cast<DWORD>(record.length);
}
