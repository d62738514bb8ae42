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

DWORD AppendPacketStream(CByteBuffer& buffer, const PacketRecord& record) {
  if (record.length < 0 || (record.length > 0 && record.data == nullptr)) return 0;
  BYTE head[PACKET_STREAM_HEAD_SIZE];
  WritePacketHead(head, record.head);
  WriteU32Le(head + PACKET_HEAD_SIZE, static_cast<uint32_t>(record.length));
  buffer.Append(head, PACKET_STREAM_HEAD_SIZE);
  if (record.length > 0) buffer.Append(record.data, static_cast<DWORD>(record.length));
  return PACKET_STREAM_HEAD_SIZE + static_cast<DWORD>(record.length);
}
