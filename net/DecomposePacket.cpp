#include "net/DecomposePacket.h"

#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "net/ByteBuffer.h"
#include "net/ChunkFraming.h"
#include "net/CryptLayer.h"
#include "net/LayerHeader.h"
#include "net/ZipLayer.h"
#include "net/PacketTransformer.h"
#include "net/WireBytes.h"

namespace {

// The deciphered layer of the last packet this thread decoded, kept so that a connection's
// worker reuses one block packet after packet.
thread_local std::vector<BYTE> t_plain;

// Removes the encryption and then the compression layer from a stream held in memory that stays
// untouched, exactly as CPacketTransformer's decode does with its buffer: the header's own flags
// decide, an unapplied layer passes its payload through, and a length that does not match fails.
// On success the decoded stream is at *out (in t_plain, in *unzipped or inside the input).
bool UnwrapLayers(const BYTE* key, DWORD keyBits, const BYTE* in, DWORD length, const BYTE** out,
                  DWORD* outLength, std::unique_ptr<BYTE[]>* unzipped) {
  if (length < LAYER_HEADER_SIZE) return false;
  LayerHeader header = LayerHeader::Read(in);
  in += LAYER_HEADER_SIZE;
  length -= LAYER_HEADER_SIZE;
  if (header.flags != 0) {
    const DWORD payloadLength = header.payloadLength;
    if (length != payloadLength || header.inputLength > payloadLength) return false;
    CCryptLayer crypt;
    const DWORD flags = header.flags | LAYER_UNWRAP;
    DWORD size = 0;
    if (!crypt.Transform(key, keyBits, in, payloadLength, nullptr, &size, flags) || size == 0) return false;
    if (t_plain.size() < size) t_plain.resize(size);
    if (!crypt.Transform(key, keyBits, in, payloadLength, t_plain.data(), &size, flags)) return false;
    in = t_plain.data();
    length = header.inputLength;
  }

  if (length < LAYER_HEADER_SIZE) return false;
  header = LayerHeader::Read(in);
  in += LAYER_HEADER_SIZE;
  length -= LAYER_HEADER_SIZE;
  if (header.flags != 0) {
    if (length != header.payloadLength) return false;
    BYTE* inflated = nullptr;
    DWORD inflatedLength = 0;
    CZipLayer zip;
    if (!zip.Transform(in, header.payloadLength, &inflated, &inflatedLength, header.flags | LAYER_UNWRAP)) {
      return false;
    }
    unzipped->reset(inflated);
    in = inflated;
    length = inflatedLength;
  }
  *out = in;
  *outLength = length;
  return true;
}

// The common packet, enciphered and not compressed: the record's head lies in the first three
// cipher blocks and its data starts on a block boundary behind them, so the data is deciphered
// straight into the record's block. The block is sized from the layer's input length, which
// gives the data's length for every record a peer sends whole: deciphering the data then need
// not wait for the head's decipherment. The head and the data's last partial block go through
// the cipher together. Returns 1 decoded, 0 broken, -1 when the packet is not of this kind (the
// general path decodes it).
int DecipherRecord(const BYTE* key, DWORD keyBits, const BYTE* encoded, DWORD encodedLength, PacketRecord* record) {
  constexpr DWORD FRONT = LAYER_HEADER_SIZE + PACKET_STREAM_HEAD_SIZE;
  static_assert(FRONT % 16 == 0, "the data must start on a cipher block");
  if (encodedLength < LAYER_HEADER_SIZE) return -1;
  const LayerHeader crypt = LayerHeader::Read(encoded);
  const BYTE* payload = encoded + LAYER_HEADER_SIZE;
  const DWORD payloadLength = encodedLength - LAYER_HEADER_SIZE;
  if (crypt.flags == 0 || payloadLength != crypt.payloadLength || crypt.inputLength > payloadLength ||
      crypt.inputLength < FRONT) {
    return -1;
  }
  // What the layer's Transform refuses is refused here too.
  if ((crypt.flags & CRYPT_LAYER_FLAG) == 0 || CCryptLayer::GetOutputSize(payloadLength) == 0) return 0;
  const CCryptLayer::Keyed cipher(key, keyBits, false);
  if (!cipher.Usable()) return 0;

  // Room for all of the stream behind its head; the record's length may not exceed it.
  const DWORD room = crypt.inputLength - FRONT;
  const DWORD whole = room - room % 16;
  const DWORD rest = room - whole;
  // A trailing partial block of the payload is zero-filled before it is deciphered, as the whole
  // payload's decipherment does.
  BYTE edges[FRONT + 16] = {};
  memcpy(edges, payload, FRONT);
  if (rest != 0) {
    const DWORD left = payloadLength - FRONT - whole;
    memcpy(edges + FRONT, payload + FRONT + whole, left < 16 ? left : 16);
  }
  if (!cipher.Run(edges, rest != 0 ? FRONT + 16 : FRONT, edges)) return 0;
  if (LayerHeader::Read(edges).flags != 0) return -1;

  std::unique_ptr<BYTE[]> data(room != 0 ? new BYTE[room] : nullptr);
  if (whole != 0 && !cipher.Run(payload + FRONT, whole, data.get())) return 0;
  if (rest != 0) memcpy(data.get() + whole, edges + FRONT, rest);

  const int32_t signedLength = ReadI32Le(edges + LAYER_HEADER_SIZE + PACKET_HEAD_SIZE);
  if (signedLength < 0 || static_cast<DWORD>(signedLength) > room) return 0;
  const DWORD length = static_cast<DWORD>(signedLength);
  // A record shorter than its stream gets a block of its own length.
  if (length != 0 && length != room) {
    std::unique_ptr<BYTE[]> exact(new BYTE[length]);
    memcpy(exact.get(), data.get(), length);
    data = std::move(exact);
  }
  // Field by field: a copy of the whole record would be a string move.
  record->head = ReadPacketHead(edges + LAYER_HEADER_SIZE);
  record->length = signedLength;
  record->data = length != 0 ? data.release() : nullptr;
  return 1;
}

}  // namespace

namespace {

// Decodes the encoded stream (both layers and the record) into the caller's records: 1, or 0
// with both left as they were.
int DecodeStream(const BYTE* encoded, DWORD encodedLength, const PacketEnvelope& decodedEnvelope,
                 PacketEnvelope* envelope, PacketRecord* record, const BYTE* key, DWORD keyBits) {
  if (encoded == nullptr && encodedLength != 0) return 0;

  // Decoding does not look at this side's layer settings: every layer says in its header
  // whether it was applied.
  const int direct = DecipherRecord(key, keyBits, encoded, encodedLength, record);
  if (direct == 0) return 0;
  if (direct == 1) {
    *envelope = decodedEnvelope;
    return 1;
  }

  const BYTE* stream = nullptr;
  DWORD streamLength = 0;
  std::unique_ptr<BYTE[]> unzipped;
  if (!UnwrapLayers(key, keyBits, encoded, encodedLength, &stream, &streamLength, &unzipped)) return 0;

  if (streamLength < PACKET_STREAM_HEAD_SIZE) return 0;
  const int32_t length = ReadI32Le(stream + PACKET_HEAD_SIZE);
  // The data block may carry only bytes that arrived: a length beyond the decoded stream fails
  // the packet instead of handing out bytes that were never received.
  if (length < 0 || static_cast<DWORD>(length) > streamLength - PACKET_STREAM_HEAD_SIZE) return 0;
  BYTE* data = nullptr;
  if (length > 0) {
    data = new BYTE[length];
    memcpy(data, stream + PACKET_STREAM_HEAD_SIZE, length);
  }
  *envelope = decodedEnvelope;
  record->head = ReadPacketHead(stream);
  record->length = length;
  record->data = data;
  return 1;
}

}  // namespace

int DecomposePacketInto(const BYTE* block, DWORD blockLength, PacketEnvelope* envelope, PacketRecord* record,
                        const BYTE* key, DWORD keyBits, int largestPayload) {
  if (envelope == nullptr || record == nullptr) return 0;
  if (block == nullptr || blockLength < PACKET_ENVELOPE_SIZE) return 0;

  const PacketEnvelope decodedEnvelope = ReadPacketEnvelope(block);

  // Most packets fit one chunk (the chunk and a rest of at most 4 bytes, which joining ignores):
  // its bytes are the encoded stream as they stand, and nothing needs joining.
  const BYTE* chunkBytes = block + PACKET_ENVELOPE_SIZE;
  const DWORD chunkLength = blockLength - PACKET_ENVELOPE_SIZE;
  if (largestPayload > 0 && largestPayload <= CHUNK_WORK_AREA && chunkLength >= 5) {
    const int32_t n = ReadI32Le(chunkBytes);
    if (n >= 0 && n <= largestPayload && static_cast<DWORD>(n) <= chunkLength - 4 &&
        chunkLength - 4 - static_cast<DWORD>(n) < 5) {
      return DecodeStream(chunkBytes + 4, static_cast<DWORD>(n), decodedEnvelope, envelope, record, key, keyBits);
    }
  }
  CByteBuffer chunks, joined;
  chunks.Append(chunkBytes, chunkLength);
  if (!JoinChunks(chunks, joined, largestPayload)) return 0;
  return DecodeStream(joined.PtrAt(0), joined.GetLength(), decodedEnvelope, envelope, record, key, keyBits);
}

int DecomposePacket(const BYTE* block, DWORD blockLength, PacketEnvelope** envelope,
                    PacketRecord** record, const BYTE* key, DWORD keyBits, DWORD, DWORD, int largestPayload) {
  if (envelope == nullptr || record == nullptr) return 0;
  *envelope = nullptr;
  *record = nullptr;
  PacketEnvelope decodedEnvelope;
  PacketRecord decodedRecord;
  if (!DecomposePacketInto(block, blockLength, &decodedEnvelope, &decodedRecord, key, keyBits, largestPayload)) {
    return 0;
  }
  // The objects are made only for a packet that decoded; should making them fail, the data
  // block is freed.
  std::unique_ptr<BYTE[]> data(decodedRecord.data);
  std::unique_ptr<PacketEnvelope> newEnvelope(new PacketEnvelope(decodedEnvelope));
  *record = new PacketRecord(decodedRecord);
  data.release();
  *envelope = newEnvelope.release();
  return 1;
}
