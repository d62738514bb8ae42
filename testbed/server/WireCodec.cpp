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

namespace {

// A block a thread keeps for its next packet is given back once a packet grew it beyond this.
void ReleaseLargeBlock(CByteBuffer* buffer) {
  if (buffer->GetCapacity() > 64 * 1024) {
    CByteBuffer released;
    buffer->Swap(released);
  }
}

// The stream and chunk buffers a packet is encoded in, kept by each thread for its next packet;
// blocks grown for an unusually large packet are given back afterwards.
struct EncodeScratch {
  CByteBuffer stream;
  CByteBuffer chunks;
  void Release() {
    for (CByteBuffer* buffer : {&stream, &chunks}) {
      ReleaseLargeBlock(buffer);
    }
  }
};

}  // namespace

Bytes EncodePacket(const WireParams& params, DWORD kind, DWORD requestSerial, DWORD code, const Bytes& data,
                   DWORD* segmentSerialCounter, Spoil spoil) {
  Bytes out;
  EncodePacketInto(params, kind, requestSerial, code, data.data(), data.size(), segmentSerialCounter, spoil, &out);
  return out;
}

void EncodePacketInto(const WireParams& params, DWORD kind, DWORD requestSerial, DWORD code, const BYTE* data,
                      size_t length, DWORD* segmentSerialCounter, Spoil spoil, Bytes* out) {
  out->clear();
  thread_local CByteBuffer units;
  EncodeUnits(params, kind, requestSerial, code, data, length, segmentSerialCounter, spoil, &units);
  out->assign(units.PtrAt(0), units.PtrAt(0) + units.GetLength());
  units.Clear();
  ReleaseLargeBlock(&units);
}

void EncodeUnits(const WireParams& params, DWORD kind, DWORD requestSerial, DWORD code, const BYTE* data,
                 size_t length, DWORD* segmentSerialCounter, Spoil spoil, CByteBuffer* units) {
  units->Clear();
  PacketRecord record{};
  record.head.code = code;
  record.length = static_cast<int32_t>(length);
  record.data = length == 0 ? nullptr : const_cast<BYTE*>(data);
  thread_local EncodeScratch scratch;
  struct ReleaseScratch {
    EncodeScratch& scratch;
    ~ReleaseScratch() { scratch.Release(); }
  } release{scratch};
  CPacketTransformer transformer(params.key, params.keyBits, params.cryptFlags, params.zipFlags);
  if (!transformer.EncodeRecord(scratch.stream, record)) return;
  CByteBuffer& chunks = scratch.chunks;
  SplitIntoChunks(scratch.stream, chunks, static_cast<int>(params.largestPayload));

  DWORD offset = 0;
  DWORD number = 0;
  const DWORD total = chunks.GetLength();
  units->Reserve(total + (total / (params.largestPayload + 1) + 1) * (UNIT_HEAD_BYTES - 4));
  static const BYTE UNIT_FRONT[UNIT_HEAD_BYTES - 4] = {};
  // Each chunk [n][payload] becomes its unit with the 56 bytes of length word and head in front;
  // a packet of one chunk, the usual case, is framed where it lies.
  const bool oneChunk = total >= 4 && ReadU32Le(chunks.PtrAt(0)) + 4 == total;
  if (oneChunk && chunks.Prepend(UNIT_FRONT, sizeof UNIT_FRONT) == sizeof UNIT_FRONT) units->Swap(chunks);
  const bool framedInPlace = units->GetLength() != 0;
  while (offset + 4 <= total) {
    const DWORD at = framedInPlace ? offset : units->GetLength();
    const DWORD n = ReadU32Le(framedInPlace ? units->PtrAt(at + UNIT_HEAD_BYTES - 4) : chunks.PtrAt(offset));
    if (!framedInPlace) {
      units->Append(UNIT_FRONT, sizeof UNIT_FRONT);
      units->Append(chunks.PtrAt(offset), 4 + n);
    }
    offset += 4 + n;
    BYTE* unit = units->PtrAt(at);
    BYTE* head = unit + 4;
    WriteU32Le(unit, n + 56);
    WriteU32Le(head + 0, kind);
    WriteU32Le(head + 4, ++*segmentSerialCounter);
    WriteU32Le(head + 24, requestSerial);
    WriteU32Le(head + 28, ++number);
    WriteU32Le(head + 32, offset + 4 > total ? 1 : 0);
    DWORD crc = CCrc32::Compute(unit, UNIT_HEAD_BYTES + n);
    if (spoil == Spoil::BAD_CRC) ++crc;
    WriteU32Le(head + 8, 1);
    WriteU32Le(head + 12, crc);
    if (spoil == Spoil::SHORT_UNIT) {
      WriteU32Le(unit, 56);
      WriteU32Le(head + 8, 0);
      // The unit ends after its payload length word.
      CByteBuffer shortened;
      shortened.Append(units->PtrAt(0), at + UNIT_HEAD_BYTES);
      units->Swap(shortened);
    } else if (spoil == Spoil::OVERLONG_UNIT) {
      WriteU32Le(unit, params.largestPayload + 57);
    } else if (spoil == Spoil::LENGTH_MISMATCH) {
      WriteU32Le(unit + 56, n + 1);
      WriteU32Le(head + 8, 0);
    }
  }
}

long ReadUnit(const WireParams& params, BYTE* bytes, size_t available, UnitView* unit) {
  if (available < 4) return 0;
  DWORD a = ReadU32Le(bytes);
  if (a < 57 || a > params.largestPayload + 56) return -1;
  if (available < static_cast<size_t>(a) + 4) return 0;
  BYTE* head = bytes + 4;
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
    if (CCrc32::Compute(bytes, a + 4) != crc) return -1;
  }
  unit->payload = bytes + UNIT_HEAD_BYTES;
  unit->payloadLength = n;
  return static_cast<long>(a) + 4;
}

int TakeUnit(const WireParams& params, Bytes* stream, Unit* unit) {
  UnitView view;
  const long size = ReadUnit(params, stream->data(), stream->size(), &view);
  if (size <= 0) return size < 0 ? -1 : 0;
  static_cast<UnitHead&>(*unit) = view;
  unit->payload.assign(view.payload, view.payload + view.payloadLength);
  stream->erase(stream->begin(), stream->begin() + size);
  return 1;
}

int DecodePacket(const WireParams& params, const std::vector<Bytes>& payloads, DWORD, DWORD* code, Bytes* data) {
  if (payloads.size() == 1) return DecodePacket(params, payloads[0].data(), payloads[0].size(), code, data);
  Bytes joined;
  for (const Bytes& p : payloads) joined.insert(joined.end(), p.begin(), p.end());
  return DecodePacket(params, joined.data(), joined.size(), code, data);
}

int DecodePacket(const WireParams& params, const BYTE* joined, size_t length, DWORD* code, Bytes* data) {
  // Packets are cut into chunks of at most the largest payload, which the framing bounds.
  if (params.largestPayload == 0 || params.largestPayload > CHUNK_WORK_AREA) return 0;
  PacketRecord record{};
  if (length > 0xFFFFFFFFu ||
      !DecodePacketStream(joined, static_cast<DWORD>(length), &record, params.key, params.keyBits)) {
    return 0;
  }
  *code = record.head.code;
  data->assign(record.data, record.data + (record.length > 0 ? record.length : 0));
  FreePacketData(&record);
  return 1;
}

}  // namespace testbed
