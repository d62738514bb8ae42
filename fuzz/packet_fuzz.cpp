// A reassembled block (envelope, chunks, the layer heads, the deciphered and unzipped stream, the
// record head) over arbitrary bytes with every combination of layers, and the packet transform's
// decode over the same bytes taken as a whole encoded stream.
#include "fuzz/FuzzInput.h"
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

  PacketEnvelope* envelope = nullptr;
  PacketRecord* record = nullptr;
  if (DecomposePacket(bytes, static_cast<DWORD>(count), &envelope, &record, KEY, 128, crypt, zip, largest)) {
    // The record's bytes must all be readable.
    volatile BYTE sink = 0;
    if (record->length > 0) sink = record->data[record->length - 1];
    (void)sink;
    FreePacketData(record);
    delete record;
    delete envelope;
  }

  CByteBuffer stream;
  stream.Append(bytes, static_cast<DWORD>(count));
  CPacketTransformer transformer(KEY, 128, crypt, zip);
  transformer.Process(stream, TRANSFORM_DECODE);
  return 0;
}
