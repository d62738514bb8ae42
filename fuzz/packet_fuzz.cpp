// A reassembled block (envelope, chunks, the layer heads, the deciphered and unzipped stream, the
// record head) over arbitrary bytes with every combination of layers, checked against the same
// decode done step by step through joining and the packet transform; the transform's decode over
// the same bytes taken as a whole encoded stream; and the bytes sent as a record's data, encoded
// straight from the record and through the stream.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz/FuzzInput.h"
#include "net/ChunkFraming.h"
#include "net/WireBytes.h"
#include "net/ByteBuffer.h"
#include "net/CryptLayer.h"
#include "net/DecomposePacket.h"
#include "net/PacketRecord.h"
#include "net/PacketTransformer.h"
#include "net/ZipLayer.h"

namespace {

const BYTE KEY[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const uint8_t options = in.Byte();
  const DWORD crypt = (options & 1) ? CRYPT_LAYER_FLAG : 0;
  const DWORD zip = (options & 2) ? ZIP_LAYER_FLAG : 0;
  const int largest = (options & 4) ? 4000 : 1 + in.Byte() * 16;
  size_t count = 0;
  const uint8_t* bytes = in.Rest(&count);

  // The reference decode: joining, the transform's decode and the record head, step by step. The
  // block's own decode must come to the same record, or fail where it fails.
  bool referenceOk = false;
  std::vector<BYTE> referenceData;
  uint32_t referenceCode = 0;
  if (count >= PACKET_ENVELOPE_SIZE) {
    CByteBuffer chunks, joined;
    chunks.Append(bytes + PACKET_ENVELOPE_SIZE, static_cast<DWORD>(count - PACKET_ENVELOPE_SIZE));
    CPacketTransformer reference(KEY, 128, crypt, zip);
    if (JoinChunks(chunks, joined, largest) && reference.Process(joined, TRANSFORM_DECODE) &&
        joined.GetLength() >= PACKET_STREAM_HEAD_SIZE) {
      const PacketHead head = ReadPacketHead(joined.PtrAt(0));
      const int32_t length = static_cast<int32_t>(ReadU32Le(joined.PtrAt(PACKET_HEAD_SIZE)));
      if (length >= 0 && static_cast<DWORD>(length) <= joined.GetLength() - PACKET_STREAM_HEAD_SIZE) {
        referenceOk = true;
        referenceCode = head.code;
        referenceData.assign(joined.PtrAt(PACKET_STREAM_HEAD_SIZE), joined.PtrAt(PACKET_STREAM_HEAD_SIZE) + length);
      }
    }
  }

  PacketEnvelope* envelope = nullptr;
  PacketRecord* record = nullptr;
  const int decoded = DecomposePacket(bytes, static_cast<DWORD>(count), &envelope, &record, KEY, 128, crypt, zip, largest);
  if ((decoded != 0) != referenceOk) std::abort();
  if (decoded) {
    if (record->head.code != referenceCode || static_cast<size_t>(record->length) != referenceData.size() ||
        (record->length > 0 && std::memcmp(record->data, referenceData.data(), referenceData.size()) != 0)) {
      std::abort();
    }
    FreePacketData(record);
    delete record;
    delete envelope;
  }

  CByteBuffer stream;
  stream.Append(bytes, static_cast<DWORD>(count));
  CPacketTransformer transformer(KEY, 128, crypt, zip);
  transformer.Process(stream, TRANSFORM_DECODE);

  // The same bytes sent as a record's data: encoding the record straight from its data block
  // must give the bytes of its stream put through the transform.
  PacketRecord sent{};
  sent.head.code = options;
  sent.length = static_cast<int32_t>(count);
  sent.data = count != 0 ? const_cast<BYTE*>(bytes) : nullptr;
  CByteBuffer direct, stepwise;
  CPacketTransformer encoder(KEY, 128, crypt, zip);
  const int directDone = encoder.EncodeRecord(direct, sent);
  AppendPacketStream(stepwise, sent);
  const int stepwiseDone = encoder.Process(stepwise, TRANSFORM_ENCODE);
  if (directDone != stepwiseDone) std::abort();
  if (directDone && (direct.GetLength() != stepwise.GetLength() ||
                     std::memcmp(direct.PtrAt(0), stepwise.PtrAt(0), direct.GetLength()) != 0)) {
    std::abort();
  }
  return 0;
}
