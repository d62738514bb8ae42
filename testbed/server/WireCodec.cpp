#include "testbed/server/WireCodec.h"

#include <cstring>

#include "net/ByteBuffer.h"
#include "net/ChunkFraming.h"
#include "net/Crc32.h"
#include "net/DecomposePacket.h"
#include "net/PacketRecord.h"
#include "net/PacketTransformer.h"
#include "net/SharedKeys.h"
#include "net/WireBytes.h"

namespace testbed {

namespace {
const DWORD SEGMENT_HEAD_BYTES = 52;
const DWORD UNIT_HEAD_BYTES = 60;  // length word, segment head, payload length word
}  // namespace

const BYTE* DefaultPacketKey() { return PacketKey(); }

Bytes EncodePacket(const WireParams& params, DWORD kind, DWORD requestSerial, DWORD code, const Bytes& data,
                   DWORD* segmentSerialCounter, Spoil spoil) {
  PacketRecord record{};
  record.head.code = code;
  record.length = static_cast<int32_t>(data.size());
  record.data = data.empty() ? nullptr : const_cast<BYTE*>(data.data());
  CByteBuffer stream;
  AppendPacketStream(stream, record);
  CPacketTransformer transformer(params.key, params.keyBits, params.cryptFlags, params.zipFlags);
  Bytes out;
  if (!transformer.Process(stream, 1)) return out;
  CByteBuffer chunks;
  SplitIntoChunks(stream, chunks, static_cast<int>(params.largestPayload));

  DWORD offset = 0;
  DWORD number = 0;
  DWORD total = chunks.GetLength();
  while (offset + 4 <= total) {
    DWORD n = ReadU32Le(chunks.PtrAt(offset));
    const BYTE* payload = chunks.PtrAt(offset + 4);
    offset += 4 + n;
    Bytes unit(UNIT_HEAD_BYTES + n);
    BYTE* head = unit.data() + 4;
    WriteU32Le(unit.data(), n + 56);
    WriteU32Le(head + 0, kind);
    WriteU32Le(head + 4, ++*segmentSerialCounter);
    WriteU32Le(head + 24, requestSerial);
    WriteU32Le(head + 28, ++number);
    WriteU32Le(head + 32, offset + 4 > total ? 1 : 0);
    WriteU32Le(unit.data() + 56, n);
    memcpy(unit.data() + UNIT_HEAD_BYTES, payload, n);
    DWORD crc = CCrc32::Compute(unit.data(), static_cast<DWORD>(unit.size()));
    if (spoil == Spoil::BAD_CRC) ++crc;
    WriteU32Le(head + 8, 1);
    WriteU32Le(head + 12, crc);
    if (spoil == Spoil::SHORT_UNIT) {
      unit.resize(UNIT_HEAD_BYTES);
      WriteU32Le(unit.data(), 56);
      WriteU32Le(head + 8, 0);
    } else if (spoil == Spoil::OVERLONG_UNIT) {
      WriteU32Le(unit.data(), params.largestPayload + 57);
    } else if (spoil == Spoil::LENGTH_MISMATCH) {
      WriteU32Le(unit.data() + 56, n + 1);
      WriteU32Le(head + 8, 0);
    }
    out.insert(out.end(), unit.begin(), unit.end());
  }
  return out;
}

int TakeUnit(const WireParams& params, Bytes* stream, Unit* unit) {
  if (stream->size() < 4) return 0;
  DWORD a = ReadU32Le(stream->data());
  if (a < 57 || a > params.largestPayload + 56) return -1;
  if (stream->size() < a + 4) return 0;
  BYTE* head = stream->data() + 4;
  unit->kind = ReadU32Le(head + 0);
  unit->segmentSerial = ReadU32Le(head + 4);
  unit->crcFlag = ReadU32Le(head + 8);
  unit->requestSerial = ReadU32Le(head + 24);
  unit->segmentNumber = ReadU32Le(head + 28);
  unit->lastFlag = ReadU32Le(head + 32);
  unit->replyWanted = ReadU32Le(head + 40);
  DWORD n = ReadU32Le(head + SEGMENT_HEAD_BYTES);
  if (n != a - 56) return -1;
  if (unit->crcFlag) {
    DWORD crc = ReadU32Le(head + 12);
    WriteU32Le(head + 8, 0);
    WriteU32Le(head + 12, 0);
    if (CCrc32::Compute(stream->data(), a + 4) != crc) return -1;
  }
  unit->payload.assign(stream->begin() + UNIT_HEAD_BYTES, stream->begin() + 4 + a);
  stream->erase(stream->begin(), stream->begin() + 4 + a);
  return 1;
}

int DecodePacket(const WireParams& params, const std::vector<Bytes>& payloads, DWORD requestSerial, DWORD* code,
                 Bytes* data) {
  Bytes block(PACKET_ENVELOPE_SIZE, 0);
  WriteU32Le(block.data() + 4, requestSerial);
  for (const Bytes& p : payloads) {
    BYTE n[4];
    WriteU32Le(n, static_cast<DWORD>(p.size()));
    block.insert(block.end(), n, n + 4);
    block.insert(block.end(), p.begin(), p.end());
  }
  PacketEnvelope* envelope = nullptr;
  PacketRecord* record = nullptr;
  if (!DecomposePacket(block.data(), static_cast<DWORD>(block.size()), &envelope, &record, params.key, params.keyBits,
                       params.cryptFlags, params.zipFlags, static_cast<int>(params.largestPayload))) {
    return 0;
  }
  *code = record->head.code;
  data->assign(record->data, record->data + (record->length > 0 ? record->length : 0));
  FreePacketData(record);
  delete record;
  delete envelope;
  return 1;
}

}  // namespace testbed
