#include "net/PacketTransformer.h"

#include <cstring>
#include <memory>
#include <typeinfo>
#include <vector>

#include "net/LayerHeader.h"
#include "net/WireBytes.h"

namespace {

// What unwrapping finds at the front of a buffer.
struct ReceivedLayer {
  LayerHeader header;
  bool valid;
};

// Takes the header off the front. A buffer too short for a header is not a layer at all.
ReceivedLayer TakeHeader(CByteBuffer& buffer) {
  ReceivedLayer layer{};
  if (buffer.GetLength() < LAYER_HEADER_SIZE) return layer;
  layer.header = LayerHeader::Read(buffer.PtrAt(0));
  buffer.DiscardFront(LAYER_HEADER_SIZE);
  layer.valid = true;
  return layer;
}

}  // namespace

CPacketTransformer::CPacketTransformer(const BYTE* key, DWORD keyBits, DWORD cryptFlags,
                                       DWORD zipFlags)
    : m_key(key), m_keyBits(keyBits), m_cryptFlags(cryptFlags), m_zipFlags(zipFlags) {}

int CPacketTransformer::Init(const BYTE* key, DWORD keyBits, DWORD cryptFlags, DWORD zipFlags) {
  m_key = key;
  m_keyBits = keyBits;
  m_cryptFlags = cryptFlags;
  m_zipFlags = zipFlags;
  return 1;
}

int CPacketTransformer::Process(CByteBuffer& buffer, int direction) {
  if (direction == TRANSFORM_ENCODE) {
    // The common setting (encryption without compression) is built in place when no derived
    // transformer has replaced the steps; the bytes are the same as the two steps give.
    if (EnciphersOnly()) return EncipherInPlace(buffer);
    return ZipStep(buffer, LAYER_WRAP) && CryptStep(buffer, LAYER_WRAP) ? 1 : 0;
  }
  if (direction == TRANSFORM_DECODE) {
    return CryptStep(buffer, LAYER_UNWRAP) && ZipStep(buffer, LAYER_UNWRAP) ? 1 : 0;
  }
  return 0;
}

void CPacketTransformer::WrapUnapplied(CByteBuffer& buffer) {
  const DWORD length = buffer.GetLength();
  BYTE headerBytes[LAYER_HEADER_SIZE];
  LayerHeader{0, length, {0, 0}, length}.Write(headerBytes);
  buffer.Prepend(headerBytes, LAYER_HEADER_SIZE);
}

void CPacketTransformer::ReplaceWithLayer(CByteBuffer& buffer, DWORD flags, DWORD inputLength,
                                          const BYTE* payload, DWORD payloadLength) {
  BYTE headerBytes[LAYER_HEADER_SIZE];
  LayerHeader{flags, inputLength, {0, 0}, payloadLength}.Write(headerBytes);
  buffer.Clear();
  buffer.Append(headerBytes, LAYER_HEADER_SIZE);
  buffer.Append(payload, payloadLength);
}

int CPacketTransformer::EncipherInPlace(CByteBuffer& buffer) {
  const DWORD length = buffer.GetLength();
  if (length > 0xFFFFFFFFu - 2 * LAYER_HEADER_SIZE - 32) return 0;
  // The unapplied compression layer is what the cipher runs over.
  const DWORD layerLength = LAYER_HEADER_SIZE + length;
  DWORD size = 0;
  if (!m_cryptLayer.Transform(m_key, m_keyBits, nullptr, layerLength, nullptr, &size, m_cryptFlags | LAYER_WRAP)) {
    return 0;
  }
  // Both headers go in front with one move of the stream; the zero padding behind it up to the
  // cipher's size is what the two-step path enciphers too (a whole-block layer gets a block of
  // 16 zero bytes).
  buffer.Reserve(LAYER_HEADER_SIZE + size);
  BYTE headers[2 * LAYER_HEADER_SIZE];
  LayerHeader{m_cryptFlags, layerLength, {0, 0}, size}.Write(headers);
  LayerHeader{0, length, {0, 0}, length}.Write(headers + LAYER_HEADER_SIZE);
  buffer.Prepend(headers, sizeof headers);
  static const BYTE ZEROS[16] = {};
  buffer.Append(ZEROS, size - layerLength);
  BYTE* layer = buffer.PtrAt(LAYER_HEADER_SIZE);
  return CCryptLayer::AesEcbEncrypt(m_key, m_keyBits, layer, size, layer);
}

bool CPacketTransformer::EnciphersOnly() const {
  return m_zipFlags == 0 && m_cryptFlags != 0 && typeid(*this) == typeid(CPacketTransformer);
}

int CPacketTransformer::EncodeRecord(CByteBuffer& buffer, const PacketRecord& record) {
  if (record.length < 0 || (record.length > 0 && record.data == nullptr)) return 0;
  if (EnciphersOnly()) return EncipherRecord(buffer, record);
  buffer.Clear();
  if (!AppendPacketStream(buffer, record)) return 0;
  return Process(buffer, TRANSFORM_ENCODE);
}

int CPacketTransformer::EncipherRecord(CByteBuffer& buffer, const PacketRecord& record) {
  constexpr DWORD FRONT = LAYER_HEADER_SIZE + PACKET_STREAM_HEAD_SIZE;
  static_assert(FRONT % 16 == 0, "the record's data must start on a cipher block");
  const DWORD dataLength = static_cast<DWORD>(record.length);
  const DWORD streamLength = PACKET_STREAM_HEAD_SIZE + dataLength;
  const DWORD layerLength = LAYER_HEADER_SIZE + streamLength;
  // What the layer's Transform refuses is refused here too.
  if ((m_cryptFlags & CRYPT_LAYER_FLAG) == 0) return 0;
  const CCryptLayer::Keyed cipher(m_key, m_keyBits, true);
  const DWORD size = CCryptLayer::GetOutputSize(layerLength);
  if (!cipher.Usable() || size == 0) return 0;
  // The cipher's input is the unapplied compression layer and zero padding up to the size: the
  // front (both headers of the stream) is whole blocks, then the data's whole blocks, then one
  // last block, which is the data's rest and zeros, or 16 zero bytes when the data ends on a block.
  const DWORD whole = dataLength - dataLength % 16;
  buffer.ClearFor(LAYER_HEADER_SIZE + size);
  BYTE* out = buffer.Extend(LAYER_HEADER_SIZE + size);
  if (out == nullptr) return 0;
  LayerHeader{m_cryptFlags, layerLength, {0, 0}, size}.Write(out);
  BYTE* layer = out + LAYER_HEADER_SIZE;
  // The front and the last block go through the cipher together. They are written word by word
  // before the data's blocks run, so that their writes are done when the cipher reads them.
  BYTE edges[FRONT + 16] = {};
  LayerHeader{0, streamLength, {0, 0}, streamLength}.Write(edges);
  WritePacketHead(edges + LAYER_HEADER_SIZE, record.head);
  WriteU32Le(edges + LAYER_HEADER_SIZE + PACKET_HEAD_SIZE, dataLength);
  if (dataLength != whole) memcpy(edges + FRONT, record.data + whole, dataLength - whole);
  if (whole != 0 && !cipher.Run(record.data, whole, layer + FRONT)) return 0;
  if (!cipher.Run(edges, sizeof edges, edges)) return 0;
  memcpy(layer, edges, FRONT);
  memcpy(layer + FRONT + whole, edges + FRONT, 16);
  return 1;
}

int CPacketTransformer::ZipStep(CByteBuffer& buffer, DWORD flags) {
  if ((flags & LAYER_WRAP) != 0) {
    const DWORD length = buffer.GetLength();
    BYTE* zipped = nullptr;
    DWORD zippedLength = 0;
    // Compression that fails or gives nothing (an empty input) leaves the layer unapplied.
    if (m_zipFlags == 0 || !m_zipLayer.Transform(buffer.PtrAt(0), length, &zipped, &zippedLength,
                                                 m_zipFlags | LAYER_WRAP)) {
      WrapUnapplied(buffer);
      return 1;
    }
    std::unique_ptr<BYTE[]> owner(zipped);
    ReplaceWithLayer(buffer, m_zipFlags, length, zipped, zippedLength);
    return 1;
  }
  if ((flags & LAYER_UNWRAP) == 0) return 0;

  const ReceivedLayer layer = TakeHeader(buffer);
  if (!layer.valid) return 0;
  // A peer may send a layer unapplied whatever this side's settings are.
  if (layer.header.flags == 0) return 1;
  if (buffer.GetLength() != layer.header.payloadLength) return 0;
  BYTE* unzipped = nullptr;
  DWORD unzippedLength = 0;
  // The header's own flags decide: a flags word without the zip bit fails here. The layer
  // bounds what it inflates, so a small payload cannot expand without limit.
  if (!m_zipLayer.Transform(buffer.PtrAt(0), layer.header.payloadLength, &unzipped,
                            &unzippedLength, layer.header.flags | LAYER_UNWRAP)) {
    return 0;
  }
  std::unique_ptr<BYTE[]> owner(unzipped);
  buffer.Clear();
  buffer.Append(unzipped, unzippedLength);
  return 1;
}

int CPacketTransformer::CryptStep(CByteBuffer& buffer, DWORD flags) {
  if ((flags & LAYER_WRAP) != 0) {
    if (m_cryptFlags == 0) {
      WrapUnapplied(buffer);
      return 1;
    }
    const DWORD length = buffer.GetLength();
    const DWORD cryptFlags = m_cryptFlags | LAYER_WRAP;
    DWORD size = 0;
    if (!m_cryptLayer.Transform(m_key, m_keyBits, buffer.PtrAt(0), length, nullptr, &size,
                                cryptFlags)) {
      return 0;
    }
    // The cipher writes into a block this thread keeps for the next packet.
    thread_local std::vector<BYTE> cipher;
    if (cipher.size() < size) cipher.resize(size);
    if (!m_cryptLayer.Transform(m_key, m_keyBits, buffer.PtrAt(0), length, cipher.data(), &size,
                                cryptFlags)) {
      return 0;
    }
    // A whole-block input fills only its own length; the block of padding room that the size
    // always adds is then the encipherment of 16 zero bytes, as the peers expect.
    if (length % 16 == 0) {
      static const BYTE ZERO_BLOCK[16] = {};
      if (!CCryptLayer::AesEcbEncrypt(m_key, m_keyBits, ZERO_BLOCK, 16, cipher.data() + length)) {
        return 0;
      }
    }
    ReplaceWithLayer(buffer, m_cryptFlags, length, cipher.data(), size);
    return 1;
  }
  if ((flags & LAYER_UNWRAP) == 0) return 0;

  const ReceivedLayer layer = TakeHeader(buffer);
  if (!layer.valid) return 0;
  if (layer.header.flags == 0) return 1;
  const DWORD payloadLength = layer.header.payloadLength;
  if (buffer.GetLength() != payloadLength) return 0;
  if (layer.header.inputLength > payloadLength) return 0;
  const DWORD cryptFlags = layer.header.flags | LAYER_UNWRAP;
  DWORD size = 0;
  if (!m_cryptLayer.Transform(m_key, m_keyBits, buffer.PtrAt(0), payloadLength, nullptr, &size,
                              cryptFlags) ||
      size == 0) {
    return 0;
  }
  thread_local std::vector<BYTE> plain;
  if (plain.size() < size) plain.resize(size);
  if (!m_cryptLayer.Transform(m_key, m_keyBits, buffer.PtrAt(0), payloadLength, plain.data(),
                              &size, cryptFlags)) {
    return 0;
  }
  // Only the layer's input comes back; the zero padding is dropped.
  buffer.Clear();
  buffer.Append(plain.data(), layer.header.inputLength);
  return 1;
}

int CPacketTransformer::TransformFile(LPCSTR, LPCSTR, DWORD, DWORD) { return 0; }
